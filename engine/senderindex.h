// Which entry a datagram belongs to: the first entry, in list order, whose
// address (its dotted host text, or the address its host name resolved to)
// and port sent it. Kept in an index that is built again when the list's
// order or addresses change (its generation), when its length changes, or
// when a name got another address; an entry changed without a note is found
// by a second build.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/serverlist.h"
#include "geo/namecache.h"

namespace zelmora {

class SenderIndex {
 public:
  // Row of the entry, -1 for none.
  int First(const std::string& host, int port, const ServerList& list, NameCache* names);
  // Whether host:port is where the entry answers from (also when an earlier
  // entry has the same address).
  static bool IsFrom(const Tserverrec& e, const std::string& host, int port, NameCache* names);

 private:
  std::uint64_t generation_ = ~std::uint64_t{0};
  std::uint64_t names_ = ~std::uint64_t{0};
  std::size_t size_ = 0;
  std::unordered_map<std::string, int> first_;
};

// "address\nport": the key of a sender.
std::string SenderKey(std::string_view host, std::string_view port);

}  // namespace zelmora
