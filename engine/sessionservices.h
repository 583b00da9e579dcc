// What the sessions share of the engine: the list, the selection, the
// sockets, the name cache, the flood spacing, the poller and the lookups.
// The engine owns all of it and outlives its sessions.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "engine/rconline.h"
#include "engine/rconpacer.h"
#include "engine/selection.h"
#include "engine/serverlist.h"
#include "engine/statuspoller.h"
#include "geo/namecache.h"
#include "protocol/rconreply.h"

namespace zelmora {

class UdpSocket;

struct EngineCounters {
  std::uint64_t datagrams = 0;        // handed over by get
  std::uint64_t statusResponses = 0;  // attributed to a listed entry and handled
  std::uint64_t unattributed = 0;     // statusResponses from unlisted senders
  std::uint64_t varReplies = 0;       // handed over by getb
  std::uint64_t statusTables = 0;     // tables a poll brought
  std::uint64_t printOutputs = 0;     // joined print outputs of listed senders
  std::uint64_t unanswered = 0;       // commands without an answer within 2 s
  std::uint64_t resent = 0;           // lost reads sent again
  std::uint64_t rconSent = 0;         // rcon datagrams sent from the lines
  std::uint64_t getStatusSent = 0;    // getstatus queries sent
};

struct SessionServices {
  ServerList& list;
  Selection& selection;
  RconPacer& pacer;
  StatusPoller& poller;
  EngineCounters& counters;
  NameCache* names = nullptr;
  // The socket of a channel; nullptr while the engine is not running.
  std::function<UdpSocket*(RconChannel)> socket;
  // Fills fields 9 to 13 of a parsed table.
  std::function<void(Tstatusinfo&)> lookups;
  // The query channel's pause (tests shorten it).
  std::chrono::milliseconds rconPause{700};
  bool shuttingDown = false;
};

// The flood spacing's key of an address: "address:port".
std::string PaceKey(const std::string& address, std::uint16_t port);
// Port texts of the entries: only what reads back as 0..65535.
std::optional<std::uint16_t> PortOf(std::string_view text);

}  // namespace zelmora
