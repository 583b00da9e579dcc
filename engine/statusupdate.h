// What a statusResponse does to its server's entry and ping history.
//
// In this order: the entry's status fields are reset and the ping is set
// (rounded half to even); the variables are parsed and the protocol taken;
// the history gets the length the "Datenmenge" setting gives (a setting
// that is no number stops the handling here); the players are parsed (a
// body without a line after the variables stops it here); then name, map
// info, flags and the provider from the address cache; the ping joins the
// history when the chart is on; the counts come last.
#pragma once

#include <optional>
#include <string_view>

#include "core/serverrec.h"
#include "engine/serverlist.h"
#include "protocol/statusresponse.h"

namespace zelmora {

class AddressCache;

struct StatusUpdateSettings {
  std::optional<std::int32_t> historyLength;  // none: "Datenmenge" is no number
  bool addSamples = true;                     // the ping chart is on
};

struct StatusUpdate {
  bool complete = false;  // every step ran
  Tserverinfo vars;       // as parsed (also when incomplete, once parsed)
  Tplayerinfo players;    // as parsed (when complete)
};

StatusUpdate ApplyStatusResponse(std::string_view datagram, double ping, Tserverrec& entry,
                                 tpingit& history, const StatusUpdateSettings& settings,
                                 AddressCache& addresses);

}  // namespace zelmora
