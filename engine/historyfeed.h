// What the engine sees of the players, handed to the player history, and
// the watched players' appearances.
//
// The feed hooks every server's session: a new status table (after a poll)
// and the players of a statusResponse are recorded under the server's key
// "host:port"; a kick or ban is recorded the moment it leaves, and the table
// after it confirms what became of it. Recording only queues work for the
// history's own thread (a table of 20 players costs a few microseconds here).
//
// Watched players (history/watchlist.h): a player whom an entry of the watch
// list names (a GUID in a table, or a name pattern in a table or a status
// reply) and who was not on that server before appears; that is told once
// (WatchAlert) unless the entry is silenced, and the server counts as having
// a watched player (its row is marked) until the player has gone. A player
// has gone when a newer table or status reply no longer shows him; the
// players of a status reply (names) judge every appearance, a table judges
// by GUID too. Only an observation made after the player was last seen can
// end an appearance, so a table that was on its way while he joined does not.
//
// Main thread only.
#pragma once

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/playeractions.h"
#include "engine/serverlist.h"
#include "history/historytypes.h"
#include "protocol/rconreply.h"
#include "protocol/statusresponse.h"

namespace zelmora {

class PlayerHistory;
class ServerSession;

// One watched player on one server.
struct WatchAlertInfo {
  std::uint64_t server = 0;  // the entry's uid
  std::string serverName;    // without colour codes, or host:port
  std::string player;        // the name as the server sent it, colour codes kept
  std::string guid;          // empty while only names were seen
  WatchEntry entry;          // the entry of the watch list that names him
  std::int64_t since = 0;    // seconds since the epoch: first seen in this appearance
};

class HistoryFeed : public QObject {
  Q_OBJECT

 public:
  using Uid = std::uint64_t;
  using Clock = std::chrono::steady_clock;
  // Seconds since the epoch (the history's times).
  using EpochFn = std::function<std::int64_t()>;

  // list and history must outlive the feed.
  HistoryFeed(const ServerList& list, PlayerHistory& history, QObject* parent = nullptr);
  // What was sent and never confirmed stays unconfirmed.
  ~HistoryFeed() override;

  PlayerHistory& History() { return history_; }
  // Tests fix the time the history is given.
  void SetClock(EpochFn now) { now_ = std::move(now); }

  // Hooks a session (the engine does it for every session it makes).
  void Attach(ServerSession* session);

  // What a session's TableChanged (a new table; pollLeft: the moment its
  // poll left) and StatusChanged hand over, as plain data. serverName: the
  // server's name without colour codes, for the alerts.
  void TableSeen(Uid uid, const Tserverrec& e, const std::string& serverName,
                 const Tstatusinfo& rows, Clock::time_point pollLeft);
  void StatusSeen(Uid uid, const Tserverrec& e, const std::string& serverName,
                  const Tplayerinfo& players, Clock::time_point at);

  // The watched players on the server now, in the order they came.
  std::vector<WatchAlertInfo> WatchedOn(Uid server) const;
  bool Watched(Uid server) const;

 signals:
  // A watched player appeared (not sent while his entry is silenced).
  void WatchAlert(const zelmora::WatchAlertInfo& alert);
  // The watched players of a server changed (the row mark).
  void WatchedChanged(std::uint64_t server);

 private:
  struct Seen {
    std::string name;  // raw
    std::string guid;  // "" from a status reply
  };
  struct Present {
    WatchAlertInfo info;
    std::string norm;  // the name as the history compares it
    Clock::time_point lastSeen{};
  };
  struct PerServer {
    std::vector<Present> present;
    Clock::time_point tableAt{};
    // Kicks and bans sent, by the session's action number: the history's id.
    std::unordered_map<std::uint64_t, std::int64_t> penalties;
  };

  void TableCame(ServerSession* s);
  void StatusCame(ServerSession* s);
  void Sent(ServerSession* s, const PendingPlayerAction& action, std::uint64_t id);
  void Told(Uid uid, const ActionOutcome& outcome);
  void Gone(Uid uid);
  void Observe(Uid uid, const std::string& serverName, const std::vector<Seen>& seen, bool table,
               Clock::time_point at);
  // The entry that watches this player, alerts or not (silence ignored).
  std::optional<WatchEntry> Match(const std::string& name, const std::string& guid) const;
  std::string KeyOf(const Tserverrec& e) const;

  const ServerList& list_;
  PlayerHistory& history_;
  EpochFn now_;
  std::unordered_map<Uid, PerServer> servers_;
};

}  // namespace zelmora
