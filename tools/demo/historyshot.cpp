// zelmora-historyshot: the picture of the player history's search window
// (docs/history.png) over a month of the demo servers' players.
//
//   zelmora-historyshot <out.png> [data folder with Ranges.dat and flags/]
//
// The players are the test game servers' (InventPlayers, with the public
// addresses that show countries); each evening of the last 30 days some of
// them play on the three demo servers, one changes his name, a few are
// kicked or banned with a reason. The window searches for "er" and shows
// the penalties of the first player found who has some. Nothing is sent
// anywhere: the history is filled directly.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "geo/flags.h"
#include "geo/ranges.h"
#include "history/playerhistory.h"
#include "tools/testserver/testserver.h"
#include "ui/main/historymodels.h"
#include "ui/main/playerhistorywindow.h"

using namespace zelmora;

namespace {

struct Server {
  std::string key, name;
};

const Server kServers[] = {
    {"127.0.0.1:28960", "^1Zelmora ^7Demo ^3CoD1"},
    {"127.0.0.1:28961", "^4United ^7Offensive ^2Demo"},
    {"127.0.0.1:28962", "^5CoD2 ^7Demo ^6Server"},
};

SeenPlayer Seen(const testing::TestPlayer& p) {
  return SeenPlayer{p.name, p.guid, p.ip};
}

// Lets the window's reads come back, at most ms long.
template <class Pred>
bool Wait(Pred done, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

void FillMonth(PlayerHistory& h, std::vector<testing::TestPlayer> players, std::int64_t now) {
  struct Penalty {
    std::size_t player, server;
    PenaltyKind kind;
    const char* reason;
    PenaltyOutcome outcome;
    int daysAgo;
  };
  const Penalty penalties[] = {
      {8, 0, PenaltyKind::kKick, "Campen im Spawn", PenaltyOutcome::kGone, 12},
      {8, 2, PenaltyKind::kTempBan, "Wieder Spawncamping, 2. Verwarnung", PenaltyOutcome::kGone, 5},
      {14, 1, PenaltyKind::kBan, "Wallhack (Demo gesichtet)", PenaltyOutcome::kGone, 3},
      {9, 2, PenaltyKind::kHighPingKick, "", PenaltyOutcome::kGone, 2},
      {4, 0, PenaltyKind::kKick, "Beleidigungen im Chat", PenaltyOutcome::kStillThere, 1},
  };
  std::mt19937 rng(20240501);
  const std::int64_t today = now - now % 86400;
  for (int day = 30; day >= 0; --day) {
    // Two take new names: the old ones are "Weitere Namen".
    if (day == 9) players[8].name = "^8Wolf^7|Sniper";
    if (day == 4) players[0].name = "^1Sgt.^7Keller^3[GER]";
    for (std::size_t s = 0; s < std::size(kServers); ++s) {
      // An evening: two hours of tables every four minutes, players coming
      // and going.
      const std::int64_t evening = today - day * 86400 + 17 * 3600 + s * 600;
      std::vector<char> on(players.size());
      for (auto& o : on) o = rng() % 4 == 0;
      for (int tick = 0; tick < 30; ++tick) {
        const std::int64_t t = evening + tick * 240;
        if (t > now - 600) break;
        std::vector<SeenPlayer> table;
        for (std::size_t i = 0; i < players.size(); ++i) {
          if (rng() % 12 == 0) on[i] = !on[i];
          if (on[i]) table.push_back(Seen(players[i]));
        }
        h.RecordTable(kServers[s].key, kServers[s].name, std::move(table), t);
      }
    }
    // The day's kicks and bans, with the names the players had then.
    for (const Penalty& p : penalties) {
      if (p.daysAgo != day) continue;
      PenaltyRecord r;
      r.time = today - day * 86400 + 18 * 3600 + 1234;
      r.serverKey = kServers[p.server].key;
      r.serverName = kServers[p.server].name;
      r.kind = p.kind;
      r.guid = players[p.player].guid;
      r.name = players[p.player].name;
      r.address = players[p.player].ip;
      r.reason = p.reason;
      h.ConfirmPenalty(h.RecordPenalty(r), p.outcome);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <out.png> [data folder]\n", argv[0]);
    return 2;
  }
  const std::string data = argc > 2 ? argv[2] : "";
  QTemporaryDir dir;
  HistoryOptions options;
  options.dailyPrune = false;
  auto history = std::make_shared<PlayerHistory>(dir.path().toStdString(), options);
  if (!history->Open().keeping) return 1;
  std::vector<testing::TestPlayer> players = testing::InventPlayers(32, 7);
  testing::UsePublicAddresses(players);
  const auto now = static_cast<std::int64_t>(std::time(nullptr));
  FillMonth(*history, players, now);
  history->Flush();

  SettingsStore store;
  QueryEngine engine(store);
  std::vector<QImage> flags;
  if (!data.empty()) {
    engine.SetCountryTables(LoadRanges(data + "/Ranges.dat"), LoadFlagCodes(data + "/flags"));
    for (const Tflag& f : engine.FlagCodes()) flags.emplace_back(QString::fromStdString(f.file));
  }
  Tguidlist guids;
  const Settings settings;
  PlayerHistoryWindow window(
      history, engine, guids, [&]() -> const Settings& { return settings; }, &flags);
  window.SetClock([now] { return now; });
  window.resize(1180, 600);
  window.show();
  window.findChild<QLineEdit*>(QStringLiteral("SearchEdit"))->setText(QStringLiteral("er"));
  window.SearchNow();
  if (!Wait([&] { return !window.Searching() && !window.Results().Rows().empty(); })) return 1;
  const auto& rows = window.Results().Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].penalties < 2) continue;
    bool read = false;
    QObject::connect(&window, &PlayerHistoryWindow::PenaltiesShown, [&read] { read = true; });
    window.ResultGrid()->SelectRow(static_cast<int>(i) + 1);
    window.Pick(static_cast<int>(i));
    Wait([&read] { return read; });
    break;
  }
  Wait([] { return false; }, 200);  // the last paints
  if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) return 1;
  std::printf("%s\n", argv[1]);
  return 0;
}
