#include "engine/addresscache.h"

namespace zelmora {

const Taddrrec* AddressCache::Find(const std::string& ip) {
  if (cache_.size() < indexed_) {
    index_.clear();
    indexed_ = 0;
  }
  for (; indexed_ < cache_.size(); ++indexed_) index_[cache_[indexed_].ip] = indexed_;
  const auto it = index_.find(ip);
  if (it == index_.end() || it->second >= cache_.size() || cache_[it->second].ip != ip)
    return nullptr;
  return &cache_[it->second];
}

void AddressCache::AddUnresolved(const std::string& ip) {
  if (!Find(ip)) AddUnresolvedAddress(cache_, ip);
}

void AddressCache::Clear() {
  cache_.clear();
  index_.clear();
  indexed_ = 0;
}

StatusLookups AddressCache::TableLookups(
    std::function<std::optional<std::string>(const std::string&)> guidName) {
  StatusLookups lookups;
  lookups.guidName = std::move(guidName);
  // An address the resolver has not answered yet (empty provider) gives
  // nothing: no flag and an empty provider cell until it is known, not the
  // first flag of the list.
  lookups.address = [this](const std::string& ip) -> std::optional<AddressInfo> {
    const Taddrrec* r = Find(ip);
    if (r && !r->provider.empty()) return AddressInfo{r->provider, r->cc, r->country, r->flag};
    return std::nullopt;
  };
  lookups.addUnknown = [this](const std::string& ip25) { AddUnresolved(ip25); };
  return lookups;
}

}  // namespace zelmora
