// Addresses of listed servers whose host text is a name, looked up off the
// thread that sends.
//
// A name lookup can block for the resolver's whole time-out (seconds, or a
// minute on a broken network). The senders therefore never look a name up
// themselves: they ask this cache, which answers at once with what it knows
// and looks unknown names up on a worker thread of its own. Answers are
// remembered for a while, failures too, so a name that does not resolve is
// not asked for again at every send.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "geo/resolver.h"

namespace zelmora {

struct NameCacheTiming {
  std::chrono::milliseconds keepFound{std::chrono::minutes(10)};  // then looked up again
  std::chrono::milliseconds keepFailed{std::chrono::seconds(60)};
};

class NameCache {
 public:
  using ResolveFn = std::function<HostLookup(const std::string& name)>;

  // resolve: the lookup (LookupHost unless a test injects one); it runs on
  // the cache's worker thread only.
  explicit NameCache(ResolveFn resolve = nullptr, NameCacheTiming timing = {});
  // Stops the worker; one still blocked in a lookup is left to finish on its
  // own and touches nothing of the owner's afterwards.
  ~NameCache();
  NameCache(const NameCache&) = delete;
  NameCache& operator=(const NameCache&) = delete;

  // The dotted address to send to: host itself when it is dotted IPv4;
  // for a name the remembered address, or nullopt while it is being looked
  // up (the lookup is started by this call) or after the resolver found
  // nothing (until that is forgotten). Never blocks on the resolver; safe
  // from any thread.
  std::optional<std::string> Address(std::string_view host);

  // Lookups done by the worker so far (tests).
  std::uint64_t Lookups() const;
  // Goes up whenever a name gets another address (or loses it): whoever
  // keeps addresses of names (the reply attribution) looks again then.
  std::uint64_t Generation() const;

 private:
  struct Shared;
  static void Run(std::shared_ptr<Shared> s);
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

// True when text is dotted IPv4 (four decimal octets) as the sockets take it.
bool IsDottedIPv4(std::string_view text);

}  // namespace zelmora
