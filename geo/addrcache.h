// The address cache: provider (reverse name), country and flag of every IPv4
// address met, servers and players alike. Lives on the main thread; the
// provider resolver reads a snapshot of it and stores its results through the
// main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/textutil.h"

namespace zelmora {

struct Taddrrec {
  std::string ip;          // dotted text, at most 25 characters; the key
  std::string provider;    // at most 255; "?" when the lookup found none; empty = unresolved
  std::string cc;          // at most 2; "?" when no range matched
  std::string country;     // at most 50; "?" when no range matched
  std::int32_t flag = -1;  // index into the flag list, -1 = no flag
};

using Taddrcache = std::vector<Taddrrec>;

inline constexpr std::size_t kAddrIpMax = 25;
inline constexpr std::size_t kAddrProviderMax = 255;
inline constexpr std::size_t kAddrCcMax = 2;
inline constexpr std::size_t kAddrCountryMax = 50;
// Addresses come from servers' replies (player tables): a hostile server
// could name new ones at every poll. The cache stops taking new addresses
// here (far beyond any real list of servers and players).
inline constexpr std::size_t kAddrCacheMax = 100000;

// Index of the first entry with this address, -1 when none.
inline int FindAddress(const Taddrcache& cache, std::string_view ip) {
  for (std::size_t i = 0; i < cache.size(); ++i)
    if (cache[i].ip == ip) return static_cast<int>(i);
  return -1;
}

// Appends an unresolved entry for ip (cut to 25 characters) and returns its
// index. A new entry has every other field empty and flag 0 (not -1), the
// form the status parsers have always appended; the resolver later sets -1 or
// a real index. Readers must take an empty provider as "not resolved yet",
// whatever the flag says. A full cache takes nothing (-1).
inline int AddUnresolvedAddress(Taddrcache& cache, std::string_view ip) {
  if (cache.size() >= kAddrCacheMax) return -1;
  Taddrrec rec;
  rec.ip = Cut(ip, kAddrIpMax);
  rec.flag = 0;
  cache.push_back(std::move(rec));
  return static_cast<int>(cache.size() - 1);
}

// Indices and addresses of the entries still waiting for the resolver.
inline std::vector<std::pair<int, std::string>> UnresolvedAddresses(const Taddrcache& cache) {
  std::vector<std::pair<int, std::string>> out;
  for (std::size_t i = 0; i < cache.size(); ++i)
    if (cache[i].provider.empty()) out.emplace_back(static_cast<int>(i), cache[i].ip);
  return out;
}

// Stores a resolver result into entry index, but only while that entry still
// holds ip (the cache may have changed since the snapshot). Texts are cut to
// their field sizes. Returns whether it stored.
inline bool StoreResolvedAddress(Taddrcache& cache, int index, std::string_view ip,
                                 const Taddrrec& result) {
  if (index < 0 || static_cast<std::size_t>(index) >= cache.size()) return false;
  Taddrrec& e = cache[static_cast<std::size_t>(index)];
  if (e.ip != ip) return false;
  e.provider = Cut(result.provider, kAddrProviderMax);
  e.cc = Cut(result.cc, kAddrCcMax);
  e.country = Cut(result.country, kAddrCountryMax);
  e.flag = result.flag;
  return true;
}

}  // namespace zelmora
