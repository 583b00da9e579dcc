#include "sampledata.h"

#include <filesystem>
#include <vector>

#include "bmpwriter.h"
#include "core/fileio.h"
#include "rangebuilder.h"

namespace zelmora::datagen {

namespace {

std::int64_t Addr(int a, int b, int c, int d) {
  return (static_cast<std::int64_t>(a) << 24) | (b << 16) | (c << 8) | d;
}

struct SampleRange {
  std::int64_t first, last;
  const char* cc;
  const char* country;  // Windows-1252 bytes, as the table holds them
};

const SampleRange kRanges[] = {
    {Addr(127, 0, 0, 0), Addr(127, 255, 255, 255), "lo", "Loopback"},
    {Addr(192, 0, 2, 0), Addr(192, 0, 2, 127), "de", "Deutschland"},
    {Addr(192, 0, 2, 128), Addr(192, 0, 2, 255), "fr", "Frankreich"},
    {Addr(198, 51, 100, 0), Addr(198, 51, 100, 127), "gb",
     "Gro\xDF"
     "britannien"},
    {Addr(198, 51, 100, 128), Addr(198, 51, 100, 255), "nl", "Niederlande"},
    {Addr(203, 0, 113, 0), Addr(203, 0, 113, 127), "at", "\xD6sterreich"},
    {Addr(203, 0, 113, 128), Addr(203, 0, 113, 255), "it", "Italien"},
};

enum class Stripes { kHorizontal, kVertical, kCross };

struct SampleFlag {
  const char* code;
  Stripes kind;
  std::vector<Rgb> colours;  // stripes (or background and cross)
};

std::vector<Rgb> Draw(const SampleFlag& f) {
  constexpr int kSize = 16;
  std::vector<Rgb> px(kSize * kSize);
  const int n = static_cast<int>(f.colours.size());
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      Rgb c{};
      switch (f.kind) {
        case Stripes::kHorizontal:
          c = f.colours[static_cast<std::size_t>(y * n / kSize)];
          break;
        case Stripes::kVertical:
          c = f.colours[static_cast<std::size_t>(x * n / kSize)];
          break;
        case Stripes::kCross: {
          const bool cross = (x >= 6 && x <= 9) || (y >= 6 && y <= 9);
          c = f.colours[cross ? 1 : 0];
          break;
        }
      }
      px[static_cast<std::size_t>(y * kSize + x)] = c;
    }
  }
  return px;
}

constexpr Rgb kBlack{0, 0, 0}, kRed{221, 0, 0}, kGold{255, 206, 0}, kWhite{255, 255, 255},
    kBlue{0, 35, 149}, kGreen{0, 146, 70}, kNavy{1, 33, 105}, kGrey{128, 128, 128},
    kOrange{174, 28, 40};

}  // namespace

bool WriteSampleData(const std::string& outDir, std::string* error, std::size_t* rangeCount,
                     std::size_t* flagCount) {
  namespace fs = std::filesystem;
  std::vector<Trangerec> records;
  for (const SampleRange& s : kRanges) {
    Trangerec r;
    r.first = s.first;
    r.last = s.last;
    r.cc.assign(s.cc);
    r.country.assign(s.country);
    records.push_back(r);
  }
  if (!WriteFileAtomic((fs::path(outDir) / "Ranges.dat").string(), EncodeTable(records), error))
    return false;

  const SampleFlag flags[] = {
      {"lo", Stripes::kHorizontal, {kGrey}},
      {"de", Stripes::kHorizontal, {kBlack, kRed, kGold}},
      {"fr", Stripes::kVertical, {kBlue, kWhite, kRed}},
      {"gb", Stripes::kCross, {kNavy, kRed}},
      {"nl", Stripes::kHorizontal, {kOrange, kWhite, kBlue}},
      {"at", Stripes::kHorizontal, {kRed, kWhite, kRed}},
      {"it", Stripes::kVertical, {kGreen, kWhite, kRed}},
  };
  for (const SampleFlag& f : flags) {
    const fs::path file = fs::path(outDir) / "flags" / (std::string(f.code) + ".bmp");
    if (!WriteFileAtomic(file.string(), EncodeBmp24(16, 16, Draw(f)), error)) return false;
  }
  if (rangeCount) *rangeCount = records.size();
  if (flagCount) *flagCount = std::size(flags);
  return true;
}

}  // namespace zelmora::datagen
