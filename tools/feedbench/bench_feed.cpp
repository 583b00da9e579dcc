// zelmora-bench-feed: the main thread's share of the player history per
// status table and per status reply: what the engine's HistoryFeed does
// with them (queueing the table for the history's thread, the watch list's
// answers for every player, the appearances). Prints a Markdown report.
//
//   zelmora-bench-feed [--calls 5000] [--players 20] [--guids 200] [--patterns 20]
//
// Each call gets a table as the engine holds it (14 texts a row) of a
// server whose players come and go (one in ten calls changes a slot); the
// watch list holds --guids GUIDs and --patterns name patterns, some of which
// name players of the tables, so appearances start and end. Calls are paced
// (one a millisecond) so the history's thread keeps up as it would with
// real polls. Times: wall clock and the main thread's CPU time, per call.
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <time.h>
#include <unistd.h>

#include "engine/historyfeed.h"
#include "engine/serverlist.h"
#include "history/playerhistory.h"

using namespace zelmora;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

Tstatusrow Row(int slot, int id) {
  Tstatusrow r{};
  r[0] = std::to_string(slot);
  // Appended piece by piece: GCC 12 takes "text" + std::string for an
  // overlapping copy (-Wrestrict, a false alarm, GCC bug 105329).
  r[1].append("^").append(std::to_string(id % 10)).append("Player^7").append(std::to_string(id));
  r[2] = std::to_string(30 + id % 90);
  r[3] = std::to_string(100000 + id);
  r[4] = std::to_string(id % 40);
  r[5].assign(1, '0');
  r[6].append("85.").append(std::to_string(id % 250)).append(".1.");
  r[6].append(std::to_string(id % 200)).append(":28960");
  r[7] = "12345";
  r[8] = "25000";
  r[9] = "";
  r[10] = "provider";
  r[11] = "de";
  r[12] = "Deutschland";
  r[13].assign(1, '0');
  return r;
}

struct Figures {
  std::vector<double> wall, cpu;
};

void Report(const char* what, const Figures& f) {
  std::printf("| %s | %.4f | %.4f | %.4f | %.4f | %.4f |\n", what, Quantile(f.wall, 0.5),
              Quantile(f.wall, 0.99), *std::max_element(f.wall.begin(), f.wall.end()),
              Quantile(f.cpu, 0.5), *std::max_element(f.cpu.begin(), f.cpu.end()));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int calls = 5000, players = 20, guids = 200, patterns = 20;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    const int v = std::atoi(argv[i + 1]);
    if (a == "--calls") calls = v;
    if (a == "--players") players = v;
    if (a == "--guids") guids = v;
    if (a == "--patterns") patterns = v;
  }
  const fs::path dir =
      fs::temp_directory_path() / ("zelmora-bench-feed-" + std::to_string(getpid()));
  fs::create_directories(dir);
  Figures tables, replies;
  std::size_t alerts = 0;
  {
    HistoryOptions options;
    options.dailyPrune = false;
    PlayerHistory history(dir.string(), options);
    if (!history.Open().keeping) return 1;
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    // Every fifth watched GUID is a player the tables show now and then.
    for (int g = 0; g < guids; ++g)
      history.AddWatch(WatchKind::kGuid, std::to_string(100000 + g * 5), "", now);
    for (int p = 0; p < patterns; ++p)
      history.AddWatch(WatchKind::kNamePattern, "*player" + std::to_string(p * 7) + "*", "", now);
    ServerList list;
    Tserverrec e;
    e.host.assign("127.0.0.1");
    e.port.assign("28960");
    e.hostname.assign("^1Bench ^7Server");
    const auto uid = list.Append(e);
    HistoryFeed feed(list, history);
    QObject::connect(&feed, &HistoryFeed::WatchAlert, [&alerts] { ++alerts; });
    Tstatusinfo rows;
    for (int s = 0; s < players; ++s) rows.push_back(Row(s, s));
    int next = players;
    for (int i = 0; i < calls; ++i) {
      if (i % 10 == 0)
        rows[static_cast<std::size_t>(i / 10 % players)] = Row(i / 10 % players, next++ % 400);
      Tplayerinfo names;
      for (const Tstatusrow& r : rows) names.push_back({r[4], r[2], r[1]});
      const auto at = Clock::now();
      double cpu0 = ThreadCpuMs();
      auto t0 = Clock::now();
      feed.TableSeen(uid, list.At(0), "Bench Server", rows, at);
      tables.wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      tables.cpu.push_back(ThreadCpuMs() - cpu0);
      cpu0 = ThreadCpuMs();
      t0 = Clock::now();
      feed.StatusSeen(uid, list.At(0), "Bench Server", names, Clock::now());
      replies.wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      replies.cpu.push_back(ThreadCpuMs() - cpu0);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    history.Flush();
    std::printf("## HistoryFeed, main thread per call\n\n");
    std::printf(
        "%d calls, %d players a table, watch list of %d GUIDs and %d patterns, "
        "%zu appearances told, %llu sightings dropped.\n\n",
        calls, players, guids, patterns, alerts,
        static_cast<unsigned long long>(history.DroppedJobs()));
    std::printf(
        "| call | median ms | p99 ms | max ms | median CPU ms | max CPU ms |\n"
        "|---|---|---|---|---|---|\n");
    Report("status table (TableSeen)", tables);
    Report("status reply (StatusSeen)", replies);
  }
  fs::remove_all(dir);
  return 0;
}
