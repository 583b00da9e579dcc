// zelmora-datagen <outdir>
//
// Writes SAMPLE data for demos and manual tests: outdir/Ranges.dat and
// outdir/flags/*.bmp. This is NOT a geo database. The ranges are the loopback
// network and the documentation networks 192.0.2.0/24, 198.51.100.0/24 and
// 203.0.113.0/24 (RFC 5737), split up and labelled with made-up countries,
// so the test server and local demos show flags and country names. The flags
// are simple stripe drawings.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bmpwriter.h"
#include "core/fileio.h"
#include "geo/ranges.h"

using zelmora::datagen::Rgb;

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

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zelmora-datagen <outdir>\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path out(argv[1]);
  std::error_code ec;
  fs::create_directories(out / "flags", ec);
  if (ec) {
    std::fprintf(stderr, "%s: %s\n", (out / "flags").string().c_str(), ec.message().c_str());
    return 1;
  }

  std::string table(std::size(kRanges) * zelmora::kRangeRecSize, '\0');
  for (std::size_t i = 0; i < std::size(kRanges); ++i) {
    zelmora::Trangerec r;
    r.first = kRanges[i].first;
    r.last = kRanges[i].last;
    r.cc.assign(kRanges[i].cc);
    r.country.assign(kRanges[i].country);
    zelmora::EncodeRange(
        r, reinterpret_cast<std::uint8_t*>(table.data()) + i * zelmora::kRangeRecSize);
  }
  std::string error;
  if (!zelmora::WriteFileAtomic((out / "Ranges.dat").string(), table, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

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
    const fs::path file = out / "flags" / (std::string(f.code) + ".bmp");
    if (!zelmora::WriteFileAtomic(file.string(), zelmora::datagen::EncodeBmp24(16, 16, Draw(f)),
                                  &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }
  std::printf("%zu ranges and %zu flags written to %s\n", std::size(kRanges), std::size(flags),
              out.string().c_str());
  return 0;
}
