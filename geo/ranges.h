// The country table Ranges.dat: IPv4 ranges with country code and name,
// 72-byte records (int64 LE first, int64 LE last, string[2] code,
// string[52] name), no header, used in file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/shortstring.h"

namespace zelmora {

struct Trangerec {
  std::int64_t first = 0;   //  0  a*2^24 + b*2^16 + c*2^8 + d of the first address
  std::int64_t last = 0;    //  8  same encoding, inclusive
  ShortString<2> cc;        // 16  two-letter country code
  ShortString<52> country;  // 19  country name
};

inline constexpr std::size_t kRangeRecSize = 72;

void EncodeRange(const Trangerec& rec, std::uint8_t* out /* kRangeRecSize */);
Trangerec DecodeRange(const std::uint8_t* in /* kRangeRecSize */);

// The records of the file: size / kRangeRecSize, a trailing partial record
// ignored. A missing file gives an empty table; so does an unreadable one, in
// which case *error (if given) gets the reason.
std::vector<Trangerec> LoadRanges(const std::string& path, std::string* error = nullptr);

// Index of the first range holding the address, -1 when none does. The text
// is split at "." and fields 0 to 3 are used (a missing field is empty);
// each must be a number as ParseInt32 reads it, else -1; each is reduced to
// its low 8 bits, so 256.1.1.1 is looked up as 0.1.1.1. Fields after the
// fourth are not looked at.
int RangeLookup(const std::vector<Trangerec>& ranges, std::string_view addressText);

// "?" when no range matches, else code + ";" + name cut to 53 characters.
std::string CountryText(const std::vector<Trangerec>& ranges, std::string_view addressText);

}  // namespace zelmora
