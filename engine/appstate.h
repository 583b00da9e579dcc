// Main-thread state of the query engine and the views.
//
// Everything here is read and written on the main thread only: the worker
// threads never touch it, they hand their results over to the main thread
// (see QueryEngine). The main window owns one AppState and shares it with the
// engine and the views. A plain struct on purpose: no hidden behaviour.
#pragma once

#include <cstdint>
#include <string>
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

struct AppState {
  // Listed servers; a position is the entry's identity (grid row, history,
  // reply attribution).
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

  // Status poll request: set (with the entry's host and port texts) to ask
  // the status thread for one poll of the selected server's player table.
  bool statusPollRequested = false;
  std::string statusHost;
  std::string statusPort;

  // Rcon command the deferred-command timer (Timer2) sends once.
  std::string deferredCommand;

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

  // Client numbers of the pending kick, temporary ban and ban, -1 for none;
  // sent after the next completed status poll.
  std::int32_t pendingKick = -1;
  std::int32_t pendingTempBan = -1;
  std::int32_t pendingBan = -1;
  // Kick the worst high-pinger after the next completed status poll.
  bool highPingRequested = false;
  // The server (host and port texts) the pending requests were made for:
  // they are carried out only while it is the selected one.
  std::string pendingHost;
  std::string pendingPort;

  // Clears the pending kick, bans and high-ping request.
  void DropPending() {
    pendingKick = pendingBan = pendingTempBan = -1;
    highPingRequested = false;
  }
  // The pending requests are about to be made for e: those made for another
  // server are dropped first.
  void OwnPending(const Tserverrec& e) {
    if (!OwnsPending(e)) DropPending();
    pendingHost = e.host.str();
    pendingPort = e.port.str();
  }
  bool OwnsPending(const Tserverrec& e) const {
    return e.host == pendingHost && e.port == pendingPort;
  }

  bool SelectedValid() const {
    return selected >= 0 && static_cast<std::size_t>(selected) < serverlist.size();
  }
};

}  // namespace zelmora
