#include "rangebuilder.h"

namespace zelmora::datagen {

std::vector<GeoBlock> MergeBlocks(const std::vector<GeoBlock>& blocks) {
  std::vector<GeoBlock> out;
  for (const GeoBlock& b : blocks) {
    if (b.cc == "--" || b.name == "N/A" || b.cc.empty() || b.first > b.last) continue;
    // A left-out block in between breaks the adjacency, so gaps stay gaps.
    if (!out.empty() && out.back().cc == b.cc && out.back().name == b.name &&
        out.back().last + 1 == b.first) {
      out.back().last = b.last;
      continue;
    }
    out.push_back(b);
  }
  return out;
}

std::vector<Trangerec> ToRecords(const std::vector<GeoBlock>& merged,
                                 const LocalNameFn& localName) {
  std::vector<Trangerec> records;
  records.reserve(merged.size());
  for (const GeoBlock& b : merged) {
    Trangerec r;
    r.first = b.first;
    r.last = b.last;
    r.cc.assign(b.cc);
    r.country.assign(localName ? localName(b.cc, b.name) : b.name);
    records.push_back(r);
  }
  return records;
}

std::string EncodeTable(const std::vector<Trangerec>& records) {
  std::string table(records.size() * kRangeRecSize, '\0');
  auto* p = reinterpret_cast<std::uint8_t*>(table.data());
  for (std::size_t i = 0; i < records.size(); ++i) EncodeRange(records[i], p + i * kRangeRecSize);
  return table;
}

}  // namespace zelmora::datagen
