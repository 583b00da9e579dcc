// The address cache of the run (providers, countries, flags of every
// address met) with an index by address, so a reply's lookups stay cheap
// however many addresses the cache holds. The cache only grows and its
// addresses never change, so new records are indexed as they come.
//
// Main thread only; the provider resolver reads snapshots and stores its
// results through hand-overs.
#pragma once

#include <string>
#include <unordered_map>

#include "geo/addrcache.h"
#include "protocol/rconreply.h"

namespace zelmora {

class AddressCache {
 public:
  Taddrcache& Records() { return cache_; }
  const Taddrcache& Records() const { return cache_; }
  // The last record for ip, nullptr for none.
  const Taddrrec* Find(const std::string& ip);
  // A record for the resolver to fill, unless ip is known already.
  void AddUnresolved(const std::string& ip);
  // Lookups of fields 10 to 13 of a status table (and 9 from guidName).
  StatusLookups TableLookups(
      std::function<std::optional<std::string>(const std::string&)> guidName);
  void Clear();

 private:
  Taddrcache cache_;
  std::unordered_map<std::string, std::size_t> index_;
  std::size_t indexed_ = 0;
};

}  // namespace zelmora
