// Main-thread state of the query engine and the views.
//
// Everything here is read and written on the main thread only: the worker
// threads never touch it, they hand their results over to the main thread
// (see QueryEngine). The main window owns one AppState and shares it with the
// engine and the views. A plain struct on purpose: no hidden behaviour.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/guidlist.h"
#include "core/serverrec.h"
#include "geo/addrcache.h"
#include "geo/flags.h"
#include "geo/ranges.h"
#include "protocol/rconreply.h"
#include "protocol/statusresponse.h"

namespace zelmora {

// Ping history of one server, oldest sample first (milliseconds).
using tpingit = std::vector<double>;
// One history per entry of the server list, index-aligned with it.
using tpingarray = std::vector<tpingit>;

// A kick, ban or temporary ban the operator clicked, or the high-ping kick:
// carried out by the next status table of its server, and for a player only
// while that player still holds the slot (same GUID and name).
struct PendingPlayerAction {
  enum class Kind { Kick, Ban, TempBan, HighPing };
  Kind kind = Kind::Kick;
  std::uint64_t server = 0;  // Tserverrec::uid
  // The player as the table the operator acted on showed him (not for the
  // high-ping kick): client number, GUID, name with its colour codes, address.
  std::string client, guid, name, address;
  std::chrono::steady_clock::time_point made{};
};

struct AppState {
  // Listed servers. A position is the grid row and the history's index; what
  // is done for a server (rcon lines, polls, pending kicks) follows its uid.
  Tserverlist serverlist;
  // Counts changes of the list's order or of an entry's host or port text;
  // whoever makes one calls ServerListChanged (the reply attribution keeps
  // an index that follows it).
  std::uint64_t listGeneration = 0;
  void ServerListChanged() { ++listGeneration; }
  // Ping histories, kept as long as serverlist by everyone who adds or
  // removes entries.
  tpingarray pingHistory;
  // Index of the selected entry, -1 for none. 0 after start-up, even when the
  // list is empty: check it against the list before use.
  std::int32_t selected = 0;

  // Current target: the server whose replies feed the detail views and the
  // variable replies, and to which rcon commands go. Empty at start.
  std::string targetHost;
  std::string targetPort;

  // The statusResponse handled last, whatever its server ...
  Tserverinfo serverVars;
  Tplayerinfo playerRows;
  // ... and the display copies of the current target's last one.
  Tserverinfo serverVarsView;
  Tplayerinfo playerRowsView;

  // Rcon player table of the last status poll and its display copy.
  Tstatusinfo statusRows;
  Tstatusinfo statusRowsView;

  // Address cache (providers, countries, flags), remembered GUIDs, country
  // ranges and flag codes (the last two fixed after start-up).
  Taddrcache addrcache;
  Tguidlist guidlist;
  RangeTable ranges;
  std::vector<Tflag> flagCodes;

  // Status polls asked for, by entry (uid), oldest first, each server once:
  // the selected server's player table, or the table a pending kick of
  // another server waits for.
  std::deque<std::uint64_t> statusPolls;
  // Whose table statusRowsView is (0: none since the last selection).
  std::uint64_t statusRowsServer = 0;
  // When that table came (the players tab tells its age).
  std::chrono::steady_clock::time_point statusRowsAt{};

  // Servers (uid) whose requests are being limited: their requests are
  // planned within a budget and the list marks them.
  std::unordered_set<std::uint64_t> throttled;

  // Rcon command the deferred-command timer (Timer2) sends once, and the
  // server it was asked for.
  std::string deferredCommand;
  std::uint64_t deferredServer = 0;
  // The server whose kick started the console's delayed "status" (Timer4).
  std::uint64_t timer4Server = 0;

  // Set while the main window closes.
  bool closing = false;

  // Servers.dat existed at start but could not be read: it is never
  // replaced (nor removed) by the empty list in memory. The operator is told
  // once when a change would have been saved.
  bool serversUnreadable = false;
  bool serversUnreadableTold = false;
  // The same for Guids.dat, which is written at close only.
  bool guidsUnreadable = false;
  bool guidsUnreadableTold = false;

  // Kicks and bans waiting for the next table of their server.
  std::vector<PendingPlayerAction> pendingActions;
  // Records a request. Per server, the last of kick, ban and temporary ban
  // clicked wins, and a high-ping request replaces an earlier one.
  void AddPendingAction(PendingPlayerAction a) {
    using K = PendingPlayerAction::Kind;
    const bool highPing = a.kind == K::HighPing;
    std::erase_if(pendingActions, [&](const PendingPlayerAction& p) {
      return p.server == a.server && (p.kind == K::HighPing) == highPing;
    });
    pendingActions.push_back(std::move(a));
  }
  bool HasPendingActions(std::uint64_t server) const {
    for (const PendingPlayerAction& p : pendingActions)
      if (p.server == server) return true;
    return false;
  }

  // Index of the entry with this identity, -1 for none.
  int IndexOf(std::uint64_t uid) const {
    if (uid == 0) return -1;
    for (std::size_t i = 0; i < serverlist.size(); ++i)
      if (serverlist[i].uid == uid) return static_cast<int>(i);
    return -1;
  }
  const Tserverrec* EntryOf(std::uint64_t uid) const {
    const int i = IndexOf(uid);
    return i < 0 ? nullptr : &serverlist[static_cast<std::size_t>(i)];
  }
  // Identity of the selected entry, 0 for none.
  std::uint64_t SelectedUid() const {
    return SelectedValid() ? serverlist[static_cast<std::size_t>(selected)].uid : 0;
  }
  // Asks for one status poll of server (once: a request already waiting stays).
  void RequestStatusPoll(std::uint64_t server) {
    for (std::uint64_t s : statusPolls)
      if (s == server) return;
    statusPolls.push_back(server);
  }
  void CancelStatusPolls(std::uint64_t server) { std::erase(statusPolls, server); }
  bool StatusPollRequested(std::uint64_t server) const {
    for (std::uint64_t s : statusPolls)
      if (s == server) return true;
    return false;
  }

  bool SelectedValid() const {
    return selected >= 0 && static_cast<std::size_t>(selected) < serverlist.size();
  }
};

}  // namespace zelmora
