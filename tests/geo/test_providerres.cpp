// The background provider resolver and the address cache helpers.
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "geo/addrcache.h"
#include "geo/providerres.h"

using namespace zelmora;
using namespace std::chrono_literals;

namespace {

// Stands in for the application's event loop: workers post work, the test's
// main thread runs it while it waits for a condition.
class PumpInvoker final : public MainThreadInvoker {
 public:
  bool RunAndWait(std::function<void()> fn, const std::atomic<bool>& stop) override {
    auto job = std::make_shared<Job>();
    job->fn = std::move(fn);
    std::unique_lock<std::mutex> lock(m_);
    jobs_.push_back(job);
    cv_.notify_all();
    while (!job->done) {
      if (stop.load() && !job->started) {
        job->cancelled = true;
        return false;
      }
      cv_.wait_for(lock, 5ms);
    }
    return true;
  }

  // Runs posted work on the calling thread until pred() holds or time is up.
  bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      RunPending();
      if (pred()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::unique_lock<std::mutex> lock(m_);
      cv_.wait_for(lock, 2ms, [this] { return !jobs_.empty(); });
    }
  }
  void PumpFor(std::chrono::milliseconds d) {
    PumpUntil([] { return false; }, d);
  }

 private:
  struct Job {
    std::function<void()> fn;
    bool started = false, done = false, cancelled = false;
  };
  void RunPending() {
    std::unique_lock<std::mutex> lock(m_);
    while (!jobs_.empty()) {
      auto job = jobs_.front();
      jobs_.pop_front();
      if (job->cancelled) continue;
      job->started = true;
      lock.unlock();
      try {
        job->fn();
      } catch (...) {
      }
      lock.lock();
      job->done = true;
      cv_.notify_all();
    }
  }
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::shared_ptr<Job>> jobs_;
};

Trangerec Range(std::int64_t first, std::int64_t last, const char* cc, const char* country) {
  Trangerec r;
  r.first = first;
  r.last = last;
  r.cc.assign(cc);
  r.country.assign(country);
  return r;
}

// 10.0.0.0/8 is "DE" (upper case in the table), all else "B".
std::vector<Trangerec> Table() {
  return {Range(10LL << 24, (11LL << 24) - 1, "DE", "Land A"),
          Range(0, 0xFFFFFFFFLL, "B", "Land B")};
}
std::vector<Tflag> Flags() {
  return {{"fr", "fr.bmp"}, {"de", "de.bmp"}};
}

constexpr ProviderResolverTiming kFast{1ms, 20ms};

// Counts calls from the worker; safe to read from the main thread.
struct LookupLog {
  std::mutex m;
  std::vector<std::string> ips;
  std::thread::id thread;
  void Add(const std::string& ip) {
    std::lock_guard<std::mutex> lock(m);
    ips.push_back(ip);
    thread = std::this_thread::get_id();
  }
  int Count(const std::string& ip) {
    std::lock_guard<std::mutex> lock(m);
    return int(std::count(ips.begin(), ips.end(), ip));
  }
  int Total() {
    std::lock_guard<std::mutex> lock(m);
    return int(ips.size());
  }
};

// A gate the lookup can wait at; shared so a detached worker may outlive the test body.
struct Latch {
  std::mutex m;
  std::condition_variable cv;
  bool open = false;
  std::atomic<bool> waiting{false};
  std::atomic<bool> passed{false};
  void Wait() {
    waiting = true;
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [this] { return open; });
    passed = true;
  }
  void Open() {
    {
      std::lock_guard<std::mutex> lock(m);
      open = true;
    }
    cv.notify_all();
  }
};

}  // namespace

class TestProviderRes : public QObject {
  Q_OBJECT

 private slots:
  void cacheHelpers() {
    Taddrcache cache;
    QCOMPARE(AddUnresolvedAddress(cache, "192.0.2.1"), 0);
    QCOMPARE(AddUnresolvedAddress(cache, std::string(30, '7')), 1);
    QCOMPARE(cache[0].flag, 0);  // a new entry carries flag 0 until resolved
    QVERIFY(cache[0].provider.empty() && cache[0].cc.empty() && cache[0].country.empty());
    QCOMPARE(cache[1].ip, std::string(25, '7'));
    QCOMPARE(FindAddress(cache, "192.0.2.1"), 0);
    QCOMPARE(FindAddress(cache, "192.0.2.10"), -1);

    Taddrrec r;
    r.provider = std::string(300, 'p');
    r.cc = "dex";
    r.country = std::string(60, 'c');
    r.flag = 4;
    QVERIFY(!StoreResolvedAddress(cache, 0, "192.0.2.2", r));  // entry holds another address
    QVERIFY(!StoreResolvedAddress(cache, 2, "192.0.2.1", r));  // beyond the end
    QVERIFY(!StoreResolvedAddress(cache, -1, "192.0.2.1", r));
    QVERIFY(cache[0].provider.empty());
    QVERIFY(StoreResolvedAddress(cache, 0, "192.0.2.1", r));
    QCOMPARE(cache[0].provider, std::string(255, 'p'));
    QCOMPARE(cache[0].cc, std::string("de"));
    QCOMPARE(cache[0].country, std::string(50, 'c'));
    QCOMPARE(cache[0].flag, 4);

    const auto pending = UnresolvedAddresses(cache);
    QCOMPARE(pending.size(), std::size_t(1));
    QCOMPARE(pending[0].first, 1);
    QCOMPARE(pending[0].second, std::string(25, '7'));
  }

  void resolveOneAddress() {
    const auto a = ProviderResolver::Resolve("10.9.8.7", "name.example", Table(), Flags());
    QCOMPARE(a.provider, std::string("name.example"));
    QCOMPARE(a.cc, std::string("DE"));
    QCOMPARE(a.country, std::string("Land A"));
    QCOMPARE(a.flag, 1);  // found by the lower-case code
    const auto b = ProviderResolver::Resolve("11.0.0.1", "", Table(), Flags());
    QCOMPARE(b.provider, std::string("?"));  // never left empty
    QCOMPARE(b.cc, std::string("B"));
    QCOMPARE(b.flag, -1);
    const auto c = ProviderResolver::Resolve("a.dns.name", std::string(400, 'n'), Table(), Flags());
    QCOMPARE(c.provider.size(), std::size_t(255));
    QCOMPARE(c.cc, std::string("?"));
    QCOMPARE(c.country, std::string("?"));
    QCOMPARE(c.flag, -1);
    std::vector<Trangerec> longName{Range(0, 0xFFFFFFFFLL, "it", "")};
    longName[0].country.assign(std::string(52, 'L'));
    QCOMPARE(ProviderResolver::Resolve("1.1.1.1", "x", longName, Flags()).country.size(),
             std::size_t(50));
  }

  void storesResultsOnTheMainThread() {
    PumpInvoker invoker;
    const auto mainId = std::this_thread::get_id();
    Taddrcache cache;
    AddUnresolvedAddress(cache, "10.1.2.3");
    AddUnresolvedAddress(cache, "192.0.2.9");
    cache[1].provider = "already.example";
    AddUnresolvedAddress(cache, "11.0.0.1");
    AddUnresolvedAddress(cache, "broken");
    auto log = std::make_shared<LookupLog>();
    bool offMain = false;
    ProviderResolver res(
        invoker, [] { return true; },
        [&] {
          offMain |= std::this_thread::get_id() != mainId;
          return UnresolvedAddresses(cache);
        },
        [&](int i, const std::string& ip, const Taddrrec& r) {
          offMain |= std::this_thread::get_id() != mainId;
          StoreResolvedAddress(cache, i, ip, r);
        },
        Table(), Flags(),
        [log](const std::string& ip) -> std::string {
          log->Add(ip);
          if (ip == "broken") throw std::runtime_error("lookup failed");
          if (ip == "11.0.0.1") return "";
          return "host-" + ip;
        },
        kFast);

    QVERIFY(invoker.PumpUntil(
        [&] { return !cache[0].provider.empty() && !cache[2].provider.empty(); }, 5000ms));
    QCOMPARE(cache[0].provider, std::string("host-10.1.2.3"));
    QCOMPARE(cache[0].cc, std::string("DE"));
    QCOMPARE(cache[0].country, std::string("Land A"));
    QCOMPARE(cache[0].flag, 1);
    QCOMPARE(cache[2].provider, std::string("?"));
    QCOMPARE(cache[2].cc, std::string("B"));
    QCOMPARE(cache[2].flag, -1);
    QCOMPARE(cache[1].provider, std::string("already.example"));
    // A failed lookup skips the entry; it stays unresolved and is tried again.
    QVERIFY(invoker.PumpUntil([&] { return log->Count("broken") >= 2; }, 5000ms));
    QVERIFY(cache[3].provider.empty());
    res.RequestStop();
    QVERIFY(res.Join(2000ms));
    QVERIFY(!offMain);
    QVERIFY(log->thread != mainId);
    QCOMPARE(log->Count("192.0.2.9"), 0);
    QCOMPARE(log->Count("10.1.2.3"), 1);  // resolved once, never again
  }

  // The cache changes while a lookup runs: the result must not land on
  // whatever entry now sits at the old index.
  void skipsMovedEntries_data() {
    QTest::addColumn<bool>("erase");
    QTest::newRow("replaced") << false;
    QTest::newRow("erased") << true;
  }
  void skipsMovedEntries() {
    QFETCH(bool, erase);
    PumpInvoker invoker;
    Taddrcache cache;
    AddUnresolvedAddress(cache, "10.1.2.3");
    auto latch = std::make_shared<Latch>();
    auto log = std::make_shared<LookupLog>();
    int stores = 0;
    ProviderResolver res(
        invoker, [] { return true; }, [&] { return UnresolvedAddresses(cache); },
        [&](int i, const std::string& ip, const Taddrrec& r) {
          ++stores;
          StoreResolvedAddress(cache, i, ip, r);
        },
        Table(), Flags(),
        [latch, log](const std::string& ip) {
          log->Add(ip);
          if (ip == "10.1.2.3") latch->Wait();
          return "host-" + ip;
        },
        kFast);
    QVERIFY(invoker.PumpUntil([&] { return latch->waiting.load(); }, 5000ms));
    if (erase) {
      cache.clear();
    } else {
      cache[0].ip = "11.0.0.1";
    }
    latch->Open();
    QVERIFY(invoker.PumpUntil([&] { return stores >= 1; }, 5000ms));
    if (erase) {
      QVERIFY(cache.empty());
    } else {
      QVERIFY(invoker.PumpUntil([&] { return !cache[0].provider.empty(); }, 5000ms));
      QCOMPARE(cache[0].provider, std::string("host-11.0.0.1"));
      QCOMPARE(cache[0].cc, std::string("B"));
    }
    res.RequestStop();
    QVERIFY(res.Join(2000ms));
  }

  void idleWhileDisabled() {
    PumpInvoker invoker;
    Taddrcache cache;
    AddUnresolvedAddress(cache, "10.1.2.3");
    auto enabled = std::make_shared<std::atomic<bool>>(false);
    auto log = std::make_shared<LookupLog>();
    int snapshots = 0;
    ProviderResolver res(
        invoker, [enabled] { return enabled->load(); },
        [&] {
          ++snapshots;
          return UnresolvedAddresses(cache);
        },
        [&](int i, const std::string& ip, const Taddrrec& r) {
          StoreResolvedAddress(cache, i, ip, r);
        },
        Table(), Flags(),
        [log](const std::string& ip) {
          log->Add(ip);
          return "host-" + ip;
        },
        kFast);
    invoker.PumpFor(300ms);  // about 15 passes
    QCOMPARE(snapshots, 0);
    QCOMPARE(log->Total(), 0);
    QVERIFY(cache[0].provider.empty());
    enabled->store(true);
    QVERIFY(invoker.PumpUntil([&] { return !cache[0].provider.empty(); }, 5000ms));
    QCOMPARE(cache[0].provider, std::string("host-10.1.2.3"));
  }

  void throwingSettingDoesNotEndTheLoop() {
    PumpInvoker invoker;
    Taddrcache cache;
    AddUnresolvedAddress(cache, "11.0.0.1");
    auto calls = std::make_shared<std::atomic<int>>(0);
    ProviderResolver res(
        invoker,
        [calls] {
          if (calls->fetch_add(1) < 2) throw std::runtime_error("settings not there yet");
          return true;
        },
        [&] { return UnresolvedAddresses(cache); },
        [&](int i, const std::string& ip, const Taddrrec& r) {
          StoreResolvedAddress(cache, i, ip, r);
        },
        Table(), Flags(), [](const std::string&) { return std::string("n"); }, kFast);
    QVERIFY(invoker.PumpUntil([&] { return cache[0].provider == "n"; }, 5000ms));
    QVERIFY(calls->load() >= 3);
  }

  // With the production pauses (5 s between passes) a stop request cuts the
  // pause short.
  void stopWakesTheSleepingWorker() {
    PumpInvoker invoker;
    auto snapshots = std::make_shared<std::atomic<int>>(0);
    ProviderResolver res(
        invoker, [] { return true; },
        [snapshots] {
          ++*snapshots;
          return std::vector<std::pair<int, std::string>>{};
        },
        [](int, const std::string&, const Taddrrec&) {}, {}, {},
        [](const std::string&) { return std::string("x"); });
    QVERIFY(invoker.PumpUntil([&] { return snapshots->load() == 1; }, 5000ms));
    invoker.PumpFor(50ms);  // now inside the 5 s pause
    res.RequestStop();
    QVERIFY(res.Join(2500ms));
    QCOMPARE(snapshots->load(), 1);
  }

  // A lookup that blocks past the deadline: the worker is detached and later
  // finishes on its own, after the invoker and the resolver are gone, without
  // calling either again (AddressSanitizer watches the memory).
  void detachesABlockedWorker() {
    auto latch = std::make_shared<Latch>();
    auto stores = std::make_shared<std::atomic<int>>(0);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    {
      auto invoker = std::make_unique<PumpInvoker>();
      auto cache = std::make_unique<Taddrcache>();
      AddUnresolvedAddress(*cache, "10.1.2.3");
      Taddrcache* c = cache.get();
      auto res = std::make_unique<ProviderResolver>(
          *invoker, [] { return true; }, [c] { return UnresolvedAddresses(*c); },
          [c, stores](int i, const std::string& ip, const Taddrrec& r) {
            ++*stores;
            StoreResolvedAddress(*c, i, ip, r);
          },
          Table(), Flags(),
          [latch, finished](const std::string& ip) {
            latch->Wait();
            finished->store(true);
            return "late-" + ip;
          },
          kFast);
      QVERIFY(invoker->PumpUntil([&] { return latch->waiting.load(); }, 5000ms));
      res->RequestStop();
      QVERIFY(!res->Join(100ms));
      res.reset();
      cache.reset();
      invoker.reset();
    }
    latch->Open();
    for (int i = 0; i < 500 && !finished->load(); ++i) std::this_thread::sleep_for(2ms);
    QVERIFY(finished->load());
    std::this_thread::sleep_for(50ms);  // let the detached worker run to its end
    QCOMPARE(stores->load(), 0);
  }

  void destructorStopsTheWorker() {
    PumpInvoker invoker;
    auto running = std::make_shared<std::atomic<int>>(0);
    {
      ProviderResolver res(
          invoker,
          [running] {
            ++*running;
            return false;
          },
          [] { return std::vector<std::pair<int, std::string>>{}; },
          [](int, const std::string&, const Taddrrec&) {}, {}, {}, nullptr, kFast);
      invoker.PumpUntil([&] { return running->load() > 0; }, 5000ms);
    }
    const int seen = running->load();
    std::this_thread::sleep_for(60ms);  // three pass pauses
    QCOMPARE(running->load(), seen);
  }
};

QTEST_APPLESS_MAIN(TestProviderRes)
#include "test_providerres.moc"
