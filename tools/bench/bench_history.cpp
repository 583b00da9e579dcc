// zelmora-bench-history: the player history with a month of sightings.
// Prints a Markdown report.
//
//   zelmora-bench-history [--dir DIR] [--days 30] [--servers 100] [--getstatus-only 20]
//                         [--slots 20]
//                         [--population 300000] [--calls 5000] [--keep] [--reuse]
//
// DIR is a folder for the files (default: a new one under the system's
// temporary folder, removed at the end unless --keep). --reuse measures
// the month already in DIR (from a run with --keep) instead of making it.
// 1. Main thread per status table: RecordTable with a 20-player table as the
//    engine holds it (14 texts per row), timed call by call (wall and the
//    thread's CPU time) while the writer thread writes; the writer's pace
//    in tables per second.
// 2. A month: servers with every slot taken, players staying 20 to 120
//    minutes, a status table and a getstatus list of every server every
//    290 s, and the getstatus lists of further servers without rcon. (The file gets the same rows
//    as with a poll every few seconds: sightings less than 5 minutes apart continue one session.)
//    Players come from a pool of regulars (70 %) and from the whole population. Counts and the size
//    of the file.
// 3. Search on that file: each kind of text 15 times, median and worst.
// 4. Opening that file, the watch list's answers from memory, a prune of
//    the month's oldest day.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <time.h>

#include "history/playerhistory.h"
#include "history/sqlitedb.h"

using namespace zelmora;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

#ifndef ZELMORA_BUILD_TYPE
#define ZELMORA_BUILD_TYPE "unknown"
#endif

struct Args {
  std::string dir;
  int days = 30;
  int servers = 100;
  int getstatusOnly = 20;
  int slots = 20;
  int population = 300000;
  int calls = 5000;
  bool keep = false;
  bool reuse = false;
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

const char* const kTags[] = {"ABC", "xX",  "GER", "=K=", "SAS", "Pro", "KRT", "oO",  "DL",
                             "|7|", "NOB", "FFA", "TwB", "MoH", "Rgr", "EA",  "WW2", "Vet",
                             "Red", "Blu", "Kil", "Ops", "-S-", "Nrd", "Ost", "Wst", "Sued"};
const char* const kSyllables[] = {"ka", "ro", "mi", "zu", "te", "la", "br", "ax", "el", "do",
                                  "sn", "ip", "er", "gr", "un", "to", "wi", "ch", "st", "ne"};

std::string Nick(int id) {
  std::string n;
  unsigned v = static_cast<unsigned>(id) * 2654435761u;
  for (int i = 0; i < 3; ++i, v /= 20) n += kSyllables[v % 20];
  return n + std::to_string(id % 1000);
}

// A player's name: clan tag in colour, a nick; now and then another one.
// (Built by appending: GCC 12 warns falsely about "literal" + string.)
std::string Name(int id, bool other) {
  const std::size_t tags = sizeof kTags / sizeof kTags[0];
  std::string name = "^";
  name += std::to_string(id % 10);
  name += "[";
  name += kTags[id % tags];
  name += "]^7";
  name += Nick(id);
  if (other) name += "^2*";
  return name;
}

std::string Guid(int id) {
  return id % 10 == 0 ? "0" : std::to_string(100000 + id);
}

std::string Address(int id) {
  std::string a = "127.";
  a += std::to_string((id >> 16) & 255);
  a += '.';
  a += std::to_string((id >> 8) & 255);
  a += '.';
  a += std::to_string(id & 255);
  return a;
}

Tstatusrow StatusRow(int slot, int id, bool other) {
  Tstatusrow r{};
  r[0] = std::to_string(slot);
  r[1] = Name(id, other);
  r[2] = "48";
  r[3] = Guid(id);
  r[4] = "12";
  r[5] = "0";
  r[6] = Address(id);
  r[6] += ":28960";
  r[7] = "1234";
  r[8] = "25000";
  return r;
}

std::string ServerKey(int s) {
  std::string k = "127.1.";
  k += std::to_string(s / 250);
  k += '.';
  k += std::to_string(s % 250 + 1);
  k += ":28960";
  return k;
}

Args ParseArgs(int argc, char** argv) {
  Args a;
  for (int i = 1; i < argc; ++i) {
    const std::string k = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (k == "--dir")
      a.dir = next();
    else if (k == "--days")
      a.days = std::max(1, std::atoi(next().c_str()));
    else if (k == "--servers")
      a.servers = std::max(1, std::atoi(next().c_str()));
    else if (k == "--getstatus-only")
      a.getstatusOnly = std::max(0, std::atoi(next().c_str()));
    else if (k == "--slots")
      a.slots = std::max(1, std::atoi(next().c_str()));
    else if (k == "--population")
      a.population = std::max(1000, std::atoi(next().c_str()));
    else if (k == "--calls")
      a.calls = std::max(100, std::atoi(next().c_str()));
    else if (k == "--keep")
      a.keep = true;
    else if (k == "--reuse")
      a.reuse = a.keep = true;
  }
  return a;
}

HistoryOptions BenchOptions() {
  HistoryOptions o;
  o.dailyPrune = false;  // measured on its own below
  o.maxQueued = 1000000;
  return o;
}

double ThreadCpuUs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// 1. The call the engine makes for every polled table, paced at 500 tables
//    a second (far more than the engine polls) while the writer writes;
//    wall time and the calling thread's own CPU time per call. Then a burst
//    of the same calls as fast as they go: the writer's pace.
void MainThreadCost(const std::string& folder, int calls) {
  PlayerHistory h(folder, BenchOptions());
  if (!h.Open().keeping) return;
  std::vector<Tstatusinfo> tables(100);
  for (int s = 0; s < 100; ++s)
    for (int slot = 0; slot < 20; ++slot)
      tables[s].push_back(StatusRow(slot, s * 20 + slot, false));
  const std::int64_t t0 = std::time(nullptr);
  std::vector<double> wall, cpu;
  for (int i = 0; i < calls; ++i) {
    const int s = i % 100;
    const double c = ThreadCpuUs();
    const auto a = Clock::now();
    h.RecordTable(ServerKey(s), "Server", tables[s], t0 + i / 100);
    wall.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
    cpu.push_back(ThreadCpuUs() - c);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  h.Flush();
  std::printf(
      "| Main thread per RecordTable (20 players), wall: median / p99 / worst | %.1f / %.1f "
      "/ %.1f us |\n",
      Quantile(wall, 0.5), Quantile(wall, 0.99), Quantile(wall, 1.0));
  std::printf("| ... its own CPU time: median / p99 / worst | %.1f / %.1f / %.1f us |\n",
              Quantile(cpu, 0.5), Quantile(cpu, 0.99), Quantile(cpu, 1.0));
  const auto start = Clock::now();
  for (int i = 0; i < calls; ++i)
    h.RecordTable(ServerKey(i % 100), "Server", tables[i % 100], t0 + calls / 100 + i / 100);
  h.Flush();
  const double secs = Ms(Clock::now() - start) / 1000;
  std::printf(
      "| Writer: %d tables of 20 (players still there) written in | %.2f s (%.0f tables/s) "
      "|\n",
      calls, secs, calls / secs);
}

struct Slot {
  int player = 0;
  bool other = false;
  std::int64_t end = 0;
};

// 2. A month of sightings through the public calls.
void SimulateMonth(const std::string& folder, const Args& a, std::int64_t start) {
  PlayerHistory h(folder, BenchOptions());
  if (!h.Open().keeping) return;
  std::mt19937 rng(12345);
  const int regulars = std::min(20000, a.population);
  std::uniform_int_distribution<int> stay(20 * 60, 120 * 60);
  std::uniform_int_distribution<int> anyone(0, a.population - 1);
  std::uniform_int_distribution<int> regular(0, regulars - 1);
  std::uniform_int_distribution<int> percent(0, 99);
  const int all = a.servers + a.getstatusOnly;
  std::vector<std::vector<Slot>> slots(all, std::vector<Slot>(a.slots));
  const auto t0 = Clock::now();
  long polls = 0;
  for (std::int64_t t = start; t < start + std::int64_t(a.days) * 86400; t += 290) {
    for (int s = 0; s < all; ++s) {
      Tstatusinfo rows;
      std::vector<std::string> names;
      for (int k = 0; k < a.slots; ++k) {
        Slot& sl = slots[s][k];
        if (sl.end <= t) {
          sl.player = percent(rng) < 70 ? regular(rng) : anyone(rng);
          sl.other = percent(rng) < 10;
          sl.end = t + stay(rng);
        }
        rows.push_back(StatusRow(k, sl.player, sl.other));
        names.push_back(rows.back()[1]);
      }
      std::string serverName = "^1Server ";
      serverName += std::to_string(s);
      if (s < a.servers) h.RecordTable(ServerKey(s), serverName, rows, t);
      h.RecordNames(ServerKey(s), serverName, std::move(names), t);
    }
    if (++polls % 50 == 0) h.Flush();
  }
  h.Flush();
  std::printf(
      "| Simulated %d days, %d servers with rcon + %d without, %d slots each (%ld polls each) | "
      "%.0f s |\n",
      a.days, a.servers, a.getstatusOnly, a.slots, polls, Ms(Clock::now() - t0) / 1000);
}

void Counts(const std::string& path) {
  SqliteDb db;
  db.Open(path, false);
  auto q = [&](const char* sql) { return static_cast<long long>(db.QueryInt(sql)); };
  std::printf("| Table sightings (sessions) / getstatus sightings | %lld / %lld |\n",
              q("SELECT count(*) FROM sessions"), q("SELECT count(*) FROM name_sessions"));
  std::printf("| Players / distinct names / addresses | %lld / %lld / %lld |\n",
              q("SELECT count(*) FROM players"), q("SELECT count(*) FROM names"),
              q("SELECT count(*) FROM player_addresses"));
  std::error_code ec;
  const double mb = static_cast<double>(fs::file_size(path, ec)) / 1e6;
  std::printf("| Spieler.sqlite after the month (log checkpointed) | %.1f MB |\n", mb);
}

// 3. The search, each kind of text.
void SearchTimes(PlayerHistory& h) {
  const struct {
    const char* what;
    std::string text;
  } queries[] = {
      {"a whole nick (3+ characters, index)", Nick(12345)},
      {"a clan tag (about 1 in 27 names)", "[ger"},
      {"a common three-letter part", "kar"},
      {"two characters (scan)", "ka"},
      {"one character (scan)", "x"},
      {"two characters in no name (the whole scan)", "qj"},
      {"a GUID", Guid(4321)},
      {"a whole address", Address(4321)},
      {"an address prefix (many players)", "127.2."},
      {"nothing found", "qqqzzz"},
      {"empty text (seen last)", ""},
  };
  std::printf("\n| Search (limit 100) | rows | median | worst |\n|---|---|---|---|\n");
  for (const auto& q : queries) {
    std::vector<double> ms;
    std::size_t rows = 0;
    for (int r = 0; r < 15; ++r) {
      const auto a = Clock::now();
      rows = h.Search(q.text, 100).size();
      ms.push_back(Ms(Clock::now() - a));
    }
    std::printf("| %s: \"%s\" | %zu | %.1f ms | %.1f ms |\n", q.what, q.text.c_str(), rows,
                Quantile(ms, 0.5), Quantile(ms, 1.0));
  }
}

// 4. The watch list's answers, from memory.
void WatchTimes(PlayerHistory& h) {
  for (int i = 0; i < 100; ++i) h.AddWatch(WatchKind::kGuid, Guid(i * 7 + 1), "", 0);
  for (int i = 0; i < 20; ++i) {
    std::string pattern = "*";
    pattern += Nick(i * 13);
    pattern += '*';
    h.AddWatch(WatchKind::kNamePattern, pattern, "", 0);
  }
  std::vector<double> guidUs, nameUs;
  for (int i = 0; i < 20000; ++i) {
    auto a = Clock::now();
    h.WatchedGuid(Guid(i), 1);
    guidUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
    a = Clock::now();
    h.WatchedName(Name(i, false), 1);
    nameUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
  }
  std::printf("\n| Watch list (100 GUIDs, 20 patterns) | median | p99 |\n|---|---|---|\n");
  std::printf("| WatchedGuid | %.2f us | %.2f us |\n", Quantile(guidUs, 0.5),
              Quantile(guidUs, 0.99));
  std::printf("| WatchedName | %.2f us | %.2f us |\n", Quantile(nameUs, 0.5),
              Quantile(nameUs, 0.99));
}

}  // namespace

int main(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv);
  std::string base = a.dir;
  if (base.empty()) {
    std::string leaf = "zelmora-bench-history-";
    leaf += std::to_string(std::time(nullptr));
    base = (fs::temp_directory_path() / leaf).string();
  }
  fs::create_directories(base + "/call");
  fs::create_directories(base + "/month");
  std::printf("# Player history (%s build)\n\n| Measure | Result |\n|---|---|\n",
              ZELMORA_BUILD_TYPE);
  MainThreadCost(base + "/call", a.calls);
  const std::int64_t start = std::time(nullptr) - std::int64_t(a.days) * 86400;
  const std::string path = base + "/month/Spieler.sqlite";
  if (!a.reuse || !fs::exists(path)) SimulateMonth(base + "/month", a, start);
  Counts(path);
  {
    const auto t0 = Clock::now();
    PlayerHistory h(base + "/month", BenchOptions());
    const HistoryStatus st = h.Open();
    std::printf("| Opening that file | %.1f ms%s |\n", Ms(Clock::now() - t0),
                st.keeping ? "" : " (failed)");
    SearchTimes(h);
    WatchTimes(h);
    const auto p0 = Clock::now();
    h.Prune(std::time(nullptr), a.days - 1);
    h.Flush();
    std::printf("\n| Prune of the oldest day (writer thread) | %.0f ms |\n", Ms(Clock::now() - p0));
  }
  if (!a.keep)
    fs::remove_all(base);
  else
    std::printf("\nFiles kept in %s\n", base.c_str());
  return 0;
}
