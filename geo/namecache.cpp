#include "geo/namecache.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <unordered_map>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

namespace zelmora {

namespace {
using Clock = std::chrono::steady_clock;
}

bool IsDottedIPv4(std::string_view text) {
  if (text.empty() || text.size() > 15 || text.find('\0') != std::string_view::npos) return false;
  const std::string s(text);
  in_addr a{};
  return inet_pton(AF_INET, s.c_str(), &a) == 1;
}

struct NameCache::Shared {
  ResolveFn resolve;
  NameCacheTiming timing;

  struct Entry {
    bool pending = false;       // queued or being looked up
    std::string address;        // empty: none known
    Clock::time_point until{};  // the answer is kept until then
    bool answered = false;      // found or failed at least once
  };

  mutable std::mutex m;
  std::condition_variable cv;
  std::unordered_map<std::string, Entry> names;
  std::deque<std::string> queue;
  bool stop = false;
  bool done = false;
  std::condition_variable doneCv;
  std::uint64_t lookups = 0;
  std::uint64_t generation = 0;
};

NameCache::NameCache(ResolveFn resolve, NameCacheTiming timing)
    : shared_(std::make_shared<Shared>()) {
  shared_->resolve =
      resolve ? std::move(resolve) : [](const std::string& n) { return LookupHost(n); };
  shared_->timing = timing;
  thread_ = std::thread(&NameCache::Run, shared_);
}

NameCache::~NameCache() {
  std::shared_ptr<Shared> s = shared_;
  {
    std::lock_guard<std::mutex> lk(s->m);
    s->stop = true;
    s->queue.clear();
  }
  s->cv.notify_all();
  std::unique_lock<std::mutex> lk(s->m);
  const bool ended =
      s->doneCv.wait_for(lk, std::chrono::milliseconds(200), [&] { return s->done; });
  lk.unlock();
  // A lookup that still blocks finishes on its own; it only holds Shared.
  if (ended)
    thread_.join();
  else
    thread_.detach();
}

void NameCache::Run(std::shared_ptr<Shared> s) {
  std::unique_lock<std::mutex> lk(s->m);
  for (;;) {
    s->cv.wait(lk, [&] { return s->stop || !s->queue.empty(); });
    if (s->stop) break;
    const std::string name = std::move(s->queue.front());
    s->queue.pop_front();
    lk.unlock();
    const HostLookup r = s->resolve(name);
    lk.lock();
    ++s->lookups;
    if (s->stop) break;
    Shared::Entry& e = s->names[name];
    e.pending = false;
    e.answered = true;
    const std::string before = e.address;
    if (r.status == HostLookup::Status::kFound && !r.address.empty()) {
      e.address = r.address;
      e.until = Clock::now() + s->timing.keepFound;
    } else {
      e.address.clear();
      e.until = Clock::now() + s->timing.keepFailed;
    }
    if (e.address != before) ++s->generation;
  }
  s->done = true;
  s->doneCv.notify_all();
}

std::optional<std::string> NameCache::Address(std::string_view host) {
  if (IsDottedIPv4(host)) return std::string(host);
  if (host.empty() || host.find('\0') != std::string_view::npos) return std::nullopt;
  Shared& s = *shared_;
  std::lock_guard<std::mutex> lk(s.m);
  Shared::Entry& e = s.names[std::string(host)];
  const bool stale = !e.answered || Clock::now() >= e.until;
  if (stale && !e.pending && !s.stop) {
    // Looked up again in the background; a known address stays in use
    // until the new answer is there.
    e.pending = true;
    s.queue.emplace_back(host);
    s.cv.notify_one();
  }
  if (e.address.empty()) return std::nullopt;
  return e.address;
}

std::uint64_t NameCache::Generation() const {
  std::lock_guard<std::mutex> lk(shared_->m);
  return shared_->generation;
}

std::uint64_t NameCache::Lookups() const {
  std::lock_guard<std::mutex> lk(shared_->m);
  return shared_->lookups;
}

}  // namespace zelmora
