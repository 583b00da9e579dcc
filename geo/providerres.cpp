#include "geo/providerres.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "core/textutil.h"
#include "geo/resolver.h"

namespace zelmora {

// Everything the worker touches. Owned jointly by the resolver object and the
// worker, so a detached worker keeps it alive on its own.
struct ProviderResolver::Shared {
  std::function<bool()> enabled;
  SnapshotFn snapshot;
  StoreFn store;
  LookupFn lookup;
  RangeTable ranges;
  std::vector<Tflag> flags;
  Timing timing;

  std::atomic<bool> stop{false};
  std::mutex sleepMutex;
  std::condition_variable sleepCv;

  // Guards every call that reaches the owner's objects (invoker, enabled,
  // snapshot, store). Detaching sets invoker to null under it, so after the
  // detach no such call can start, and one in progress has ended.
  std::mutex gate;
  MainThreadInvoker* invoker = nullptr;

  std::mutex doneMutex;
  std::condition_variable doneCv;
  bool done = false;

  // Sleeps d or until the stop request; returns false when stopping.
  bool Sleep(std::chrono::milliseconds d) {
    std::unique_lock<std::mutex> lock(sleepMutex);
    sleepCv.wait_for(lock, d, [this] { return stop.load(); });
    return !stop.load();
  }

  bool Enabled() {
    std::lock_guard<std::mutex> lock(gate);
    if (!invoker || stop.load()) return false;
    return enabled ? enabled() : true;
  }

  // Runs fn on the main thread; false when it did not run.
  bool OnMain(std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(gate);
    if (!invoker || stop.load()) return false;
    return invoker->RunAndWait(std::move(fn), stop);
  }
};

ProviderResolver::ProviderResolver(MainThreadInvoker& invoker, std::function<bool()> enabled,
                                   SnapshotFn snapshot, StoreFn store, RangeTable ranges,
                                   std::vector<Tflag> flags, LookupFn lookup, Timing timing)
    : shared_(std::make_shared<Shared>()) {
  shared_->enabled = std::move(enabled);
  shared_->snapshot = std::move(snapshot);
  shared_->store = std::move(store);
  shared_->lookup = lookup ? std::move(lookup)
                           : LookupFn([](const std::string& ip) { return ReverseLookup(ip); });
  shared_->ranges = std::move(ranges);
  shared_->flags = std::move(flags);
  shared_->timing = timing;
  shared_->invoker = &invoker;
  thread_ = std::thread(&ProviderResolver::Run, shared_);
}

ProviderResolver::~ProviderResolver() {
  RequestStop();
  Join(std::chrono::milliseconds(200));
}

void ProviderResolver::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(shared_->sleepMutex);
    shared_->stop.store(true);
  }
  shared_->sleepCv.notify_all();
}

bool ProviderResolver::Join(std::chrono::milliseconds deadline) {
  if (!thread_.joinable()) return true;
  bool ended;
  {
    std::unique_lock<std::mutex> lock(shared_->doneMutex);
    ended = shared_->doneCv.wait_for(lock, deadline, [this] { return shared_->done; });
  }
  if (ended) {
    thread_.join();
    return true;
  }
  // A hand-over in progress returns promptly once the stop flag is set; after
  // the invoker is cleared no new one can start.
  RequestStop();
  {
    std::lock_guard<std::mutex> lock(shared_->gate);
    shared_->invoker = nullptr;
  }
  thread_.detach();
  return false;
}

Taddrrec ProviderResolver::Resolve(const std::string& ip, const std::string& provider,
                                   const RangeTable& ranges, const std::vector<Tflag>& flags) {
  Taddrrec r;
  r.ip = ip;
  // An empty name would leave the entry unresolved and retried forever.
  r.provider = provider.empty() ? std::string("?") : Cut(provider, kAddrProviderMax);
  // A string, not a literal, is assigned: GCC 12 takes the literal's copy for an
  // overlapping one (-Wrestrict, a false alarm, GCC bug 105329).
  r.cc = std::string("?");
  r.country = std::string("?");
  r.flag = -1;
  const int idx = RangeLookup(ranges, ip);
  if (idx >= 0) {
    const Trangerec& range = ranges[static_cast<std::size_t>(idx)];
    r.cc = Cut(range.cc.view(), kAddrCcMax);
    r.country = Cut(range.country.view(), kAddrCountryMax);
    r.flag = FindFlag(flags, LowerAscii(r.cc));
  }
  return r;
}

void ProviderResolver::Run(std::shared_ptr<Shared> s) {
  while (!s->stop.load()) {
    try {
      if (s->Enabled()) {
        auto pending = std::make_shared<std::vector<std::pair<int, std::string>>>();
        s->OnMain([s, pending] {
          if (s->snapshot) *pending = s->snapshot();
        });
        for (const auto& [index, ip] : *pending) {
          if (s->stop.load()) break;
          try {
            const std::string name = s->lookup(ip);
            if (s->stop.load()) break;
            auto result = std::make_shared<Taddrrec>(Resolve(ip, name, s->ranges, s->flags));
            const int i = index;
            auto addr = std::make_shared<std::string>(ip);
            s->OnMain([s, i, addr, result] {
              if (s->store) s->store(i, *addr, *result);
            });
          } catch (...) {
            // A failing lookup or store skips this entry.
          }
          if (!s->Sleep(s->timing.perEntry)) break;
        }
      }
    } catch (...) {
      // Anything else (a throwing setting or snapshot) waits for the next pass.
    }
    if (!s->Sleep(s->timing.perPass)) break;
  }
  {
    std::lock_guard<std::mutex> lock(s->doneMutex);
    s->done = true;
  }
  s->doneCv.notify_all();
}

}  // namespace zelmora
