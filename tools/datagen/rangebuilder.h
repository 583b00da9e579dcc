// From a country database's address blocks to Ranges.dat records.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "geo/ranges.h"

namespace zelmora::datagen {

// One block of the database as it comes: ascending, inclusive bounds, the
// database's two-letter code and English name (UTF-8).
struct GeoBlock {
  std::int64_t first = 0;
  std::int64_t last = 0;
  std::string cc;
  std::string name;
};

// The blocks without the database's "no country" entries (code "--" or name
// "N/A": reserved and unassigned space), with neighbouring blocks of one
// country joined (the previous one ends right before the next one starts).
// Blocks that are separated by a left-out one stay apart, so a reserved gap
// never gets a country.
std::vector<GeoBlock> MergeBlocks(const std::vector<GeoBlock>& blocks);

// The records of the table: cc as the database has it, name from
// localName(cc, database name), which returns Windows-1252 bytes (cut to the
// 52 characters of the field here).
using LocalNameFn = std::function<std::string(const std::string& cc, const std::string& name)>;
std::vector<Trangerec> ToRecords(const std::vector<GeoBlock>& merged, const LocalNameFn& localName);

// The file image: kRangeRecSize bytes per record, in order.
std::string EncodeTable(const std::vector<Trangerec>& records);

}  // namespace zelmora::datagen
