// zelmora-bench: measures the query engine without windows against test game
// servers on loopback and prints a Markdown report.
//
//   zelmora-bench [--servers N] [--rounds R] [--samples S] [--raw]
//
// The servers of a list have distinct addresses on one common port, as real
// lists do: 127.1.x.y:28960 (loopback; nothing leaves the machine).
// 1. Sweep: N servers (default 5000) queried by the start-up sweep (which
//    lets events run after each send) and by the periodic sweep (which does
//    not); every reply must be attributed and handled. Time from the first
//    send to the last handled reply.
// 2. Ping accuracy: a server that holds each reply back 50 ms; the engine's
//    unrounded ping minus 50 ms, with the window idle and while a sweep of N
//    servers runs.
// 3. Main-thread cost of handling one statusResponse with N listed servers
//    (HandleQueryDatagram: attribution, the entry's update and its session).
#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/settings.h"
#include "engine/clock.h"
#include "engine/queryengine.h"
#include "tools/testserver/testserver.h"

using namespace zelmora;
using zelmora::testing::InventPlayers;
using zelmora::testing::TestServer;
using zelmora::testing::TestServerConfig;
using zelmora::testing::TestServerFarm;

namespace {

#ifndef ZELMORA_BUILD_TYPE
#define ZELMORA_BUILD_TYPE "unknown"
#endif

// What the list tells of the replies handled: how many, when the last one
// was, and the unrounded pings of one entry (the sample its reply added to
// the ping history).
struct ReplyWatch {
  int handled = 0;
  double lastHandledMs = 0;
  int watchIndex = -1;
  std::vector<double> watchedPings;

  explicit ReplyWatch(const ServerList& list) {
    QObject::connect(&list, &ServerList::EntryChanged, [this, &list](int index) {
      ++handled;
      lastHandledMs = HiResMs();
      if (index == watchIndex && !list.History(static_cast<std::size_t>(index)).empty())
        watchedPings.push_back(list.History(static_cast<std::size_t>(index)).back());
    });
  }
};

constexpr std::uint16_t kCommonPort = 28960;

// The address of the i-th server of a benchmark list.
std::string FarmAddress(int i) {
  return "127.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
}

// n default servers at FarmAddress(0 .. n-1) on the common port.
bool StartFarm(TestServerFarm& farm, int n) {
  std::vector<TestServerConfig> configs(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    configs[static_cast<size_t>(i)].bindHost = FarmAddress(i);
    configs[static_cast<size_t>(i)].port = kCommonPort;
    zelmora::testing::SetVar(configs[static_cast<size_t>(i)].vars, "sv_hostname",
                             "Server " + std::to_string(i));
  }
  return farm.start(std::move(configs));
}

// A listed server with its (empty) ping history.
Tserverrec Entry(const std::string& host, int port) {
  Tserverrec e;
  e.host.assign(host);
  e.port.assign(std::to_string(port));
  return e;
}

// The farm's first n servers as a list.
Tserverlist FarmList(int n) {
  Tserverlist list;
  list.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) list.push_back(Entry(FarmAddress(i), kCommonPort));
  return list;
}

struct Stats {
  double median = 0, p90 = 0, worst = 0, best = 0;
};

Stats Summarise(std::vector<double> v) {
  Stats s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  s.p90 = v[std::min(v.size() - 1, v.size() * 9 / 10)];
  s.worst = v.back();
  s.best = v.front();
  return s;
}

// Lets the engine's hand-overs run until pred holds or timeoutMs passed.
template <class Pred>
bool RunUntil(Pred pred, int timeoutMs) {
  const double until = HiResMs() + timeoutMs;
  while (!pred()) {
    if (HiResMs() > until) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void RunFor(int ms) {
  const double until = HiResMs() + ms;
  while (HiResMs() < until) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) == 0) {
      const auto colon = line.find(':');
      if (colon != std::string::npos) return line.substr(colon + 2);
    }
  }
  return "unknown";
}

struct SweepResult {
  std::vector<double> ms;  // first send -> last handled reply, per round
  int handledMin = 1 << 30;
  int expected = 0;
  std::uint64_t dropped = 0;  // datagrams the inbox had no room for
  int receiveBuffer = 0;      // what the system granted querySocket
};

SweepResult BenchSweep(int servers, int rounds, bool startUpSweep) {
  SweepResult res;
  res.expected = servers;
  TestServerFarm farm;
  if (!StartFarm(farm, servers)) {
    std::fprintf(stderr, "farm did not start\n");
    return res;
  }
  for (int round = 0; round < rounds; ++round) {
    SettingsStore settings;
    settings.Set(&Settings::prov, false);  // no reverse lookups in the way
    QueryEngine engine(settings);
    engine.List().Replace(FarmList(servers));  // nothing selected
    ReplyWatch view(engine.List());
    if (!engine.Start()) {
      std::fprintf(stderr, "engine did not start\n");
      return res;
    }
    const double t0 = HiResMs();
    if (startUpSweep)
      engine.Timer3Timer();
    else
      engine.Button6Click();
    RunUntil([&] { return view.handled >= servers; }, 10000);
    RunFor(100);  // late or duplicate replies would show up here
    res.handledMin = std::min(res.handledMin, view.handled);
    res.ms.push_back(view.lastHandledMs - t0);
    res.dropped += engine.InboxDropped();
    res.receiveBuffer = engine.QueryReceiveBuffer();
    if (static_cast<int>(engine.counters().statusResponses) != view.handled)
      std::fprintf(stderr, "counter mismatch\n");
  }
  return res;
}

struct PingErrors {
  std::vector<double> raw;     // ping - 50 ms
  std::vector<double> engine;  // ping - (moment the reply left the server - the query's stamp)
};

// Ping error of a server delaying its replies by 50 ms; with sweep, a sweep
// of `servers` farm servers is started right before each query. The raw
// error includes the test server's own scheduling (a loaded machine wakes
// its thread late); the engine's error leaves that out by measuring against
// the moment the reply really left the server.
PingErrors BenchPing(int samples, int servers, bool withSweep) {
  TestServer slow;
  TestServerConfig c;
  c.replyDelayMs = 50;
  c.realtime = true;  // its replies leave on time even while the sweep loads the machine
  if (!slow.start(c)) return {};
  TestServerFarm farm;
  if (withSweep && !StartFarm(farm, servers)) return {};

  Tserverlist list{Entry("127.0.0.1", slow.port())};
  if (withSweep) {
    const Tserverlist farmList = FarmList(servers);
    list.insert(list.end(), farmList.begin(), farmList.end());
  }
  SettingsStore settings;
  settings.Set(&Settings::prov, false);
  QueryEngine engine(settings);
  engine.List().Replace(std::move(list));
  engine.Selected().SelectRow(0);
  ReplyWatch view(engine.List());
  view.watchIndex = 0;
  if (!engine.Start()) return {};
  PingErrors errors;
  for (int i = 0; i < samples; ++i) {
    const size_t before = view.watchedPings.size();
    if (withSweep) engine.Button6Click();  // all but the selected one
    engine.Timer1Timer();                  // the selected server
    const double stamp = engine.List().At(0).sendtime;
    RunUntil([&] { return view.watchedPings.size() > before; }, 5000);
    if (view.watchedPings.size() > before) {
      const double ping = view.watchedPings.back();
      errors.raw.push_back(ping - 50.0);
      const auto sent = slow.sentTimes();
      if (!sent.empty()) {
        const double left =
            std::chrono::duration<double, std::milli>(sent.back().time_since_epoch()).count();
        errors.engine.push_back(ping - (left - stamp));
      }
    }
    RunFor(withSweep ? 300 : 60);  // let the sweep's replies drain
  }
  return errors;
}

// Main-thread cost of one handled statusResponse, `listed` servers.
std::vector<double> BenchHandleCost(int samples, int listed, double* targetMedianUs) {
  const int kListed = listed;
  SettingsStore settings;
  QueryEngine engine(settings);  // not started: no threads
  engine.List().Replace(FarmList(kListed));
  engine.Selected().SelectRow(0);

  TestServerConfig c;
  c.players = InventPlayers(16);
  std::string text = std::string("\xff\xff\xff\xff", 4) + "statusResponse\n";
  for (const auto& [k, v] : c.vars) text += "\\" + k + "\\" + v;
  text += "\n";
  for (const auto& p : c.players)
    text += std::to_string(p.score) + " " + p.ping + " \"" + p.name + "\"\n";

  std::vector<double> us, targetUs;
  for (int i = 0; i < samples; ++i) {
    // Spread over the list: every entry is looked up and answered.
    const int idx = static_cast<int>((static_cast<long long>(i) * 7919) % kListed);
    const double t0 = HiResMs();
    engine.HandleQueryDatagram(text, FarmAddress(idx), kCommonPort, t0);
    const double dt = (HiResMs() - t0) * 1000.0;
    (idx == 0 ? targetUs : us).push_back(dt);
  }
  for (int i = 0; i < 200; ++i) {
    const double t0 = HiResMs();
    engine.HandleQueryDatagram(text, FarmAddress(0), kCommonPort, t0);
    targetUs.push_back((HiResMs() - t0) * 1000.0);
  }
  *targetMedianUs = Summarise(targetUs).median;
  return us;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int servers = 5000, rounds = 5, samples = 40;
  bool raw = false;  // --raw: also print every ping sample
  for (int i = 1; i < argc; ++i)
    if (!std::strcmp(argv[i], "--raw")) raw = true;
  for (int i = 1; i + 1 < argc; ++i) {
    if (!std::strcmp(argv[i], "--servers"))
      servers = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--rounds"))
      rounds = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--samples"))
      samples = std::atoi(argv[++i]);
  }
  InitHiResClock();

  const SweepResult startUp = BenchSweep(servers, rounds, true);
  const SweepResult periodic = BenchSweep(servers, rounds, false);
  const Stats su = Summarise(startUp.ms), pe = Summarise(periodic.ms);
  const PingErrors idleErrors = BenchPing(samples, servers, false);
  const PingErrors busyErrors = BenchPing(samples, servers, true);
  const Stats idle = Summarise(idleErrors.raw), busy = Summarise(busyErrors.raw);
  const Stats idleEngine = Summarise(idleErrors.engine), busyEngine = Summarise(busyErrors.engine);
  if (raw) {
    std::printf("ping errors idle (ms):");
    for (double v : idleErrors.raw) std::printf(" %.2f", v);
    std::printf("\nping errors during sweeps (ms):");
    for (double v : busyErrors.raw) std::printf(" %.2f", v);
    std::printf("\nengine's part during sweeps (ms):");
    for (double v : busyErrors.engine) std::printf(" %.3f", v);
    std::printf("\n\n");
  }
  double targetUs = 0;
  const Stats cost = Summarise(BenchHandleCost(20000, servers, &targetUs));

  std::printf(
      "Machine: %u logical CPUs, %s; build type %s; querySocket receive buffer granted: %d "
      "bytes (as the system reports it)\n\n",
      std::thread::hardware_concurrency(), CpuModel().c_str(), ZELMORA_BUILD_TYPE,
      startUp.receiveBuffer);
  std::printf("| Measurement | Result |\n|---|---|\n");
  std::printf("| Start-up sweep of %d servers: replies handled (worst of %d rounds) | %d of %d |\n",
              servers, rounds, startUp.handledMin, startUp.expected);
  std::printf(
      "| Start-up sweep: first send to last handled reply, median / worst | %.1f ms / "
      "%.1f ms |\n",
      su.median, su.worst);
  std::printf("| Periodic sweep of %d servers: replies handled (worst of %d rounds) | %d of %d |\n",
              servers, rounds, periodic.handledMin, periodic.expected);
  std::printf(
      "| Periodic sweep: first send to last handled reply, median / worst | %.1f ms / "
      "%.1f ms |\n",
      pe.median, pe.worst);
  std::printf("| Ping error (server delays 50 ms), idle: median / worst | %.3f ms / %.3f ms |\n",
              idle.median, idle.worst);
  std::printf("| Ping error while a sweep of %d runs: median / worst | %.3f ms / %.3f ms |\n",
              servers, busy.median, busy.worst);
  std::printf(
      "| ... the engine's part (against the moment the reply left the server), idle: median / "
      "worst | %.3f ms / %.3f ms |\n",
      idleEngine.median, idleEngine.worst);
  std::printf(
      "| ... the engine's part while a sweep of %d runs: median / worst | %.3f ms / %.3f ms |\n",
      servers, busyEngine.median, busyEngine.worst);
  std::printf("| Datagrams dropped for want of room (all sweeps) | %llu |\n",
              static_cast<unsigned long long>(startUp.dropped + periodic.dropped));
  std::printf(
      "| Main thread per statusResponse, %d listed: median / p90 | %.1f us / %.1f us "
      "|\n",
      servers, cost.median, cost.p90);
  std::printf("| ... for the selected server (its session takes the status): median | %.1f us |\n",
              targetUs);
  const bool ok = startUp.handledMin == servers && periodic.handledMin == servers;
  return ok ? 0 : 1;
}
