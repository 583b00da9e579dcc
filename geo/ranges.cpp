#include "geo/ranges.h"

#include <algorithm>

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

namespace {

constexpr std::int64_t kTopAddress = 0xFFFFFFFFLL;

// Smallest k' >= k whose segment has no answer yet (path halving); the
// sentinel at the end is never painted.
std::size_t NextFree(std::vector<std::size_t>& next, std::size_t k) {
  while (next[k] != k) {
    next[k] = next[next[k]];
    k = next[k];
  }
  return k;
}

}  // namespace

RangeTable::RangeTable() {
  static const std::shared_ptr<const Data> kEmpty = std::make_shared<Data>();
  data_ = kEmpty;
}

RangeTable::RangeTable(std::vector<Trangerec> records) {
  auto d = std::make_shared<Data>();
  d->records = std::move(records);
  const auto& recs = d->records;

  // Only the part of a range that an address can reach counts (the file's
  // values are signed 64-bit, an address is 0 .. 2^32-1).
  auto clip = [](const Trangerec& r, std::int64_t& lo, std::int64_t& hi) {
    lo = std::max<std::int64_t>(r.first, 0);
    hi = std::min(r.last, kTopAddress);
    return lo <= hi;
  };

  // A table in address order without overlaps (as the generator writes
  // it) is its own index: each record is a segment, the gaps are segments
  // without an answer.
  bool ordered = true;
  std::int64_t end = -1;  // last address covered so far
  for (const Trangerec& r : recs) {
    std::int64_t lo, hi;
    if (!clip(r, lo, hi)) continue;
    if (lo <= end) {
      ordered = false;
      break;
    }
    end = hi;
  }
  if (ordered) {
    end = -1;
    for (std::size_t i = 0; i < recs.size(); ++i) {
      std::int64_t lo, hi;
      if (!clip(recs[i], lo, hi)) continue;
      if (lo > end + 1) {  // a gap before it (from 0 for the first one)
        d->starts.push_back(static_cast<std::uint32_t>(end + 1));
        d->answer.push_back(-1);
      }
      d->starts.push_back(static_cast<std::uint32_t>(lo));
      d->answer.push_back(static_cast<std::int32_t>(i));
      end = hi;
    }
    if (end < kTopAddress) {
      d->starts.push_back(static_cast<std::uint32_t>(end + 1));
      d->answer.push_back(-1);
    }
    data_ = std::move(d);
    return;
  }

  // Every first address and every address after a last one starts a
  // segment in which the set of matching records does not change.
  std::vector<std::int64_t> cuts;
  cuts.reserve(2 * recs.size() + 1);
  cuts.push_back(0);
  for (const Trangerec& r : recs) {
    std::int64_t lo, hi;
    if (!clip(r, lo, hi)) continue;
    cuts.push_back(lo);
    if (hi < kTopAddress) cuts.push_back(hi + 1);
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  const std::size_t segments = cuts.size();

  // In file order, each record answers the segments it covers that no
  // earlier record answered: that is the first match of a linear scan.
  std::vector<std::int32_t> answer(segments, -1);
  std::vector<std::size_t> next(segments + 1);
  for (std::size_t k = 0; k <= segments; ++k) next[k] = k;
  std::size_t unanswered = segments;
  for (std::size_t i = 0; i < recs.size() && unanswered > 0; ++i) {
    std::int64_t lo, hi;
    if (!clip(recs[i], lo, hi)) continue;
    const auto from =
        static_cast<std::size_t>(std::lower_bound(cuts.begin(), cuts.end(), lo) - cuts.begin());
    const auto to = static_cast<std::size_t>(  // one past the last covered segment
        std::upper_bound(cuts.begin() + static_cast<std::ptrdiff_t>(from), cuts.end(), hi) -
        cuts.begin());
    for (std::size_t k = NextFree(next, from); k < to; k = NextFree(next, k)) {
      answer[k] = static_cast<std::int32_t>(i);
      next[k] = k + 1;
      --unanswered;
    }
  }

  d->starts.reserve(segments);
  d->answer.reserve(segments);
  for (std::size_t k = 0; k < segments; ++k) {
    if (!d->answer.empty() && d->answer.back() == answer[k]) continue;
    d->starts.push_back(static_cast<std::uint32_t>(cuts[k]));
    d->answer.push_back(answer[k]);
  }
  data_ = std::move(d);
}

int RangeTable::Find(std::int64_t v) const {
  const Data& d = *data_;
  if (v < 0 || v > kTopAddress || d.starts.empty()) return -1;
  const auto it = std::upper_bound(d.starts.begin(), d.starts.end(), static_cast<std::uint32_t>(v));
  // starts[0] is 0, so it is never begin().
  return d.answer[static_cast<std::size_t>(it - d.starts.begin()) - 1];
}

RangeTable LoadRanges(const std::string& path, std::string* error) {
  // A file that cannot be read gives no ranges (every lookup then says "?").
  std::vector<Trangerec> ranges;
  if (!LoadRecordFile(path, kRangeRecSize, DecodeRange, ranges, error)) ranges.clear();
  return RangeTable(std::move(ranges));
}

int RangeLookup(const RangeTable& ranges, std::string_view addressText) {
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
  return ranges.Find(v);
}

std::string CountryText(const RangeTable& ranges, std::string_view addressText) {
  const int r = RangeLookup(ranges, addressText);
  if (r < 0) return "?";
  const Trangerec& rec = ranges[static_cast<std::size_t>(r)];
  return Cut(Cut(rec.cc.str() + ";", 3) + rec.country.str(), 53);
}

}  // namespace zelmora
