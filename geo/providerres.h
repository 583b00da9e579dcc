// Background provider resolver: works through the unresolved entries of the
// address cache, looks each address up (reverse name, country range, flag)
// on its own thread and stores the result through the main thread.
//
// The cache itself is never touched from the worker: a snapshot of the
// unresolved entries is taken and every result is stored by functions that
// run on the main thread via the invoker. The store must check that the entry
// at the index still holds the address (StoreResolvedAddress does).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/invoker.h"
#include "geo/addrcache.h"
#include "geo/flags.h"
#include "geo/ranges.h"

namespace zelmora {

struct ProviderResolverTiming {
  std::chrono::milliseconds perEntry{50};   // pause after each looked-up entry
  std::chrono::milliseconds perPass{5000};  // pause after each pass
};

class ProviderResolver {
 public:
  using SnapshotFn = std::function<std::vector<std::pair<int, std::string>>()>;
  using StoreFn = std::function<void(int index, const std::string& ip, const Taddrrec& result)>;
  using LookupFn = std::function<std::string(const std::string& ip)>;

  using Timing = ProviderResolverTiming;

  // Starts the worker at once.
  //  enabled:  the "prov" setting; called on the worker thread, so it must be
  //            safe to call there (read it from a thread-safe store).
  //  snapshot: runs on the main thread; indices and addresses of the entries
  //            with an empty provider.
  //  store:    runs on the main thread; stores one result (cut to the field
  //            sizes) when index < size and the entry still holds ip.
  //  ranges, flags: the tables loaded at start-up; the resolver keeps copies
  //            (the range table's copy shares its records and index).
  //  lookup:   the reverse lookup (ReverseLookup unless a test injects one).
  //  The invoker must stay alive until Join returned true or the resolver has
  //  been destroyed; a detached worker never calls it again.
  ProviderResolver(MainThreadInvoker& invoker, std::function<bool()> enabled, SnapshotFn snapshot,
                   StoreFn store, RangeTable ranges, std::vector<Tflag> flags,
                   LookupFn lookup = nullptr, Timing timing = {});
  // Requests the stop and waits for the worker at most 200 ms; a worker
  // still blocked in a lookup then is detached and finishes on its own
  // without touching anything the owner frees.
  ~ProviderResolver();

  ProviderResolver(const ProviderResolver&) = delete;
  ProviderResolver& operator=(const ProviderResolver&) = delete;

  // Asks the worker to end; pauses are cut short. Does not wait.
  void RequestStop();
  // Waits up to deadline for the worker to end. true when it ended (and was
  // joined); false when the deadline passed: the worker is then detached and
  // will neither call the invoker nor any of the functions given above again.
  bool Join(std::chrono::milliseconds deadline);

  // The result the worker computes for one address (provider, cc, country,
  // flag; texts already cut to their field sizes). Exposed for tests.
  static Taddrrec Resolve(const std::string& ip, const std::string& provider,
                          const RangeTable& ranges, const std::vector<Tflag>& flags);

 private:
  struct Shared;
  static void Run(std::shared_ptr<Shared> s);

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace zelmora
