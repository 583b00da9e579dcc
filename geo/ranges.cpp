#include "geo/ranges.h"

#include "core/lebytes.h"
#include "core/recordfile.h"
#include "core/textutil.h"

namespace zelmora {

static_assert(8 + 8 + decltype(Trangerec::cc)::kFileSize +
                  decltype(Trangerec::country)::kFileSize ==
              kRangeRecSize);

void EncodeRange(const Trangerec& rec, std::uint8_t* out) {
  PutI64(out, rec.first);
  PutI64(out + 8, rec.last);
  rec.cc.encode(out + 16);
  rec.country.encode(out + 19);
}

Trangerec DecodeRange(const std::uint8_t* in) {
  Trangerec rec;
  rec.first = GetI64(in);
  rec.last = GetI64(in + 8);
  rec.cc.decode(in + 16);
  rec.country.decode(in + 19);
  return rec;
}

std::vector<Trangerec> LoadRanges(const std::string& path, std::string* error) {
  // A file that cannot be read gives no ranges (every lookup then says "?").
  std::vector<Trangerec> ranges;
  if (!LoadRecordFile(path, kRangeRecSize, DecodeRange, ranges, error)) ranges.clear();
  return ranges;
}

int RangeLookup(const std::vector<Trangerec>& ranges, std::string_view addressText) {
  if (ranges.empty()) return -1;
  std::int64_t v = 0;
  std::string_view rest = addressText;
  bool more = true;  // false once the text has no further field
  for (int field = 0; field < 4; ++field) {
    std::string_view f;
    if (more) {
      const auto dot = rest.find('.');
      f = rest.substr(0, dot);
      if (dot == std::string_view::npos) {
        more = false;
      } else {
        rest.remove_prefix(dot + 1);
      }
    }
    const auto n = ParseInt32(f);
    if (!n) return -1;
    v = v * 256 + (static_cast<std::uint32_t>(*n) & 0xFFu);
  }
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (ranges[i].first <= v && v <= ranges[i].last) return static_cast<int>(i);
  }
  return -1;
}

std::string CountryText(const std::vector<Trangerec>& ranges, std::string_view addressText) {
  const int r = RangeLookup(ranges, addressText);
  if (r < 0) return "?";
  const Trangerec& rec = ranges[static_cast<std::size_t>(r)];
  return Cut(Cut(rec.cc.str() + ";", 3) + rec.country.str(), 53);
}

}  // namespace zelmora
