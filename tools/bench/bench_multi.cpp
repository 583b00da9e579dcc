// "Befehl an mehrere Server" with 50 servers in ServerChecks: one say to
// all through the real window against a farm of 50 test game servers on
// loopback (one socket each), while a 1 ms probe timer measures how long
// the main thread's event loop stands still.
//
// Reports per round: the time from "Senden" to the last outcome, when each
// server got its command (after the query channel's 700 ms, each at its own
// pace), and the longest stall. A second part runs the same with 10 of the
// 50 servers limiting requests and 5 silent: the others must not wait for
// them.
//   zelmora-bench-multi [rounds]   (default 5)
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/serverfile.h"
#include "core/settings.h"
#include "tools/bench/sessiondata.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/main/multicommand.h"
#include "ui/main/tform1.h"

using namespace zelmora;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kServers = 50;

struct Round {
  double allDoneMs = 0;     // "Senden" to the last outcome
  double othersDoneMs = 0;  // ... of the servers that neither limit nor stay silent
  double firstArrivalMs = 0, lastArrivalMs = 0;  // when the servers got it
  double stallMs = 0;                            // longest event-loop stall
  double clickMs = 0;                            // the click itself
  int done = 0;
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

Round RunRound(MultiCommand& m, testing::TestServerFarm& farm, int slowFrom) {
  std::vector<std::uint64_t> before(farm.size());
  for (std::size_t i = 0; i < farm.size(); ++i) before[i] = farm.receivedCount(i);
  Round r;
  double worst = 0;
  Clock::time_point last = Clock::now();
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(1);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const auto now = Clock::now();
    worst = std::max(worst, Ms(now - last));
    last = now;
  });
  probe.start();
  const Clock::time_point start = Clock::now();
  last = start;
  m.SendButtonClick();
  r.clickMs = Ms(Clock::now() - start);
  QElapsedTimer guard;
  guard.start();
  double othersDone = 0;
  while (!m.Batch()->Finished() && guard.elapsed() < 30000) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    bool others = true;
    for (int i = 0; i < slowFrom; ++i)
      others = others && RconBatch::Final(m.Batch()->Rows()[static_cast<std::size_t>(i)].state);
    if (others && othersDone == 0) othersDone = Ms(Clock::now() - start);
  }
  r.allDoneMs = Ms(Clock::now() - start);
  r.othersDoneMs = othersDone > 0 ? othersDone : r.allDoneMs;
  probe.stop();
  r.stallMs = std::max(worst, r.clickMs);
  r.firstArrivalMs = 1e9;
  for (std::size_t i = 0; i < farm.size(); ++i) {
    const auto got = farm.received(i);
    for (std::size_t k = before[i]; k < got.size(); ++k) {
      if (got[k].data.find("say") == std::string::npos) continue;
      const double at = Ms(got[k].at - start);
      r.firstArrivalMs = std::min(r.firstArrivalMs, at);
      r.lastArrivalMs = std::max(r.lastArrivalMs, at);
    }
  }
  for (const auto& row : m.Batch()->Rows()) r.done += row.state == RconBatch::State::Done;
  return r;
}

void Report(const char* title, const std::vector<Round>& rounds, bool slow) {
  std::vector<double> all, others, first, lastA, stall, click;
  int done = kServers;
  for (const Round& r : rounds) {
    all.push_back(r.allDoneMs);
    others.push_back(r.othersDoneMs);
    first.push_back(r.firstArrivalMs);
    lastA.push_back(r.lastArrivalMs);
    stall.push_back(r.stallMs);
    click.push_back(r.clickMs);
    done = std::min(done, r.done);
  }
  const auto worst = [](const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
  };
  std::printf("%s (%zu rounds)\n", title, rounds.size());
  std::printf("| Measurement | median | worst |\n|---|---|---|\n");
  std::printf("| \"Senden\" to the last outcome (ms) | %.0f | %.0f |\n", Median(all), worst(all));
  if (slow)
    std::printf("| ... of the 35 free servers (ms) | %.0f | %.0f |\n", Median(others),
                worst(others));
  std::printf("| first server reached (ms after \"Senden\") | %.0f | %.0f |\n", Median(first),
              worst(first));
  std::printf("| last server reached (ms after \"Senden\") | %.0f | %.0f |\n", Median(lastA),
              worst(lastA));
  std::printf("| the click \"Senden\" itself (ms) | %.1f | %.1f |\n", Median(click), worst(click));
  std::printf("| longest event-loop stall (ms) | %.1f | %.1f |\n", Median(stall), worst(stall));
  std::printf("| rows \"ausgeführt\" (fewest of all rounds) | %d of %d | |\n", done, kServers);
  std::printf("\nLongest stall per round (ms):");
  for (double st : stall) std::printf(" %.1f", st);
  std::printf("\n\n");
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  SetMessageFunction([](QWidget*, MessageKind, const QString&, const QString&) { return true; });

  int status = 0;
  for (bool slow : {false, true}) {
    // The last 15: 10 limit requests, 5 stay silent.
    const int slowFrom = slow ? kServers - 15 : kServers;
    std::vector<testing::TestServerConfig> configs(kServers);
    Tserverlist list;
    for (int i = 0; i < kServers; ++i) {
      testing::TestServerConfig& c = configs[static_cast<std::size_t>(i)];
      c.rconPassword = "pw";
      c.bindHost = "127.1.0." + std::to_string(i + 1);
      c.port = 28960;
      testing::SetVar(c.vars, "sv_hostname", "Server " + std::to_string(i));
      if (i >= slowFrom && i < slowFrom + 10) c.limiterBurst = 1;
      if (i >= slowFrom + 10) c.dropShare = 1.0;
      Tserverrec e;
      e.host.assign(c.bindHost);
      e.port.assign("28960");
      e.rconpass.assign("pw");
      e.hostname.assign("Server " + std::to_string(i));
      list.push_back(e);
    }
    testing::TestServerFarm farm;
    if (!farm.start(configs)) {
      std::fprintf(stderr, "the test servers did not start (127.1.0.x on loopback?)\n");
      return 1;
    }
    QTemporaryDir dir;
    if (!bench::SeedDataDir(dir, list)) return 1;
    SettingsStore settings;
    // No periodic queries: the figures are the batch's own.
    settings.Update([](Settings& s) {
      s.startq = false;
      s.cq = false;
      s.sq = false;
    });
    TForm1 f(settings);
    f.show();
    f.MehrereServer1Click();
    MultiCommand& m = *f.Multi();
    m.AllButton->click();
    m.QuickBox->setCurrentIndex(static_cast<int>(QuickChoice::Say));
    m.CommandEdit->setEditText(QStringLiteral("Server startet neu"));
    std::vector<Round> results;
    for (int r = 0; r < rounds; ++r) {
      results.push_back(RunRound(m, farm, slowFrom));
      // The servers' flood spacing and limiters settle between rounds.
      QElapsedTimer pause;
      pause.start();
      while (pause.elapsed() < 1500) QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    Report(slow ? "50 servers, 10 limiting requests, 5 silent" : "50 servers, none limiting",
           results, slow);
    for (const Round& r : results) {
      if (!slow && (r.allDoneMs >= 2000 || r.done < kServers)) status = 1;
      if (slow && r.othersDoneMs >= 2000) status = 1;
      if (r.stallMs >= 50) status = 1;
    }
  }
  return status;
}
