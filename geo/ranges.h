// The country table Ranges.dat: IPv4 ranges with country code and name,
// 72-byte records (int64 LE first, int64 LE last, string[2] code,
// string[52] name), no header, used in file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// The range list: the records in file order plus an index that answers
// "first record holding this address" in O(log n) instead of a scan of the
// whole table (the real table has about 200,000 ranges and every player
// address is looked up). The index is built once, when the table is made,
// and gives exactly the first-match result of a linear scan for any file:
// sorted or not, overlapping or not, with empty or out-of-range records.
//
// Immutable after construction; copies share the records and the index, so
// handing the table to a worker thread is cheap and safe.
class RangeTable {
 public:
  RangeTable();
  // Builds the index (implicit on purpose: a record list is a table).
  RangeTable(std::vector<Trangerec> records);  // NOLINT(google-explicit-constructor)

  const std::vector<Trangerec>& records() const { return data_->records; }
  std::size_t size() const { return data_->records.size(); }
  bool empty() const { return data_->records.empty(); }
  const Trangerec& operator[](std::size_t i) const { return data_->records[i]; }
  auto begin() const { return data_->records.begin(); }
  auto end() const { return data_->records.end(); }

  // Index of the first record with first <= v <= last, -1 when none.
  int Find(std::int64_t v) const;
  // Number of address segments the index holds (for the benchmark).
  std::size_t IndexSize() const { return data_->starts.size(); }

 private:
  struct Data {
    std::vector<Trangerec> records;
    // The address space cut into segments [starts[k], starts[k+1]), each
    // with the index of its first matching record (-1: none). Adjacent
    // segments with the same answer are joined.
    std::vector<std::uint32_t> starts;
    std::vector<std::int32_t> answer;
  };
  std::shared_ptr<const Data> data_;
};

// The records of the file: size / kRangeRecSize, a trailing partial record
// ignored. A missing file gives an empty table; so does an unreadable one, in
// which case *error (if given) gets the reason.
RangeTable LoadRanges(const std::string& path, std::string* error = nullptr);

// Index of the first range holding the address, -1 when none does. The text
// is split at "." and fields 0 to 3 are used (a missing field is empty);
// each must be a number as ParseInt32 reads it, else -1; each is reduced to
// its low 8 bits, so 256.1.1.1 is looked up as 0.1.1.1. Fields after the
// fourth are not looked at.
int RangeLookup(const RangeTable& ranges, std::string_view addressText);

// "?" when no range matches, else code + ";" + name cut to 53 characters.
std::string CountryText(const RangeTable& ranges, std::string_view addressText);

}  // namespace zelmora
