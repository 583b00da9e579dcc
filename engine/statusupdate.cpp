#include "engine/statusupdate.h"

#include "core/textutil.h"
#include "engine/addresscache.h"
#include "engine/pinghistory.h"

namespace zelmora {

namespace {

// Provider text from the address cache, or a new record for the resolver.
// The cache keeps addresses cut to 25 characters; looking up the cut form
// keeps an over-long host text from being queued again at every reply. A
// record still waiting for the resolver changes nothing yet (it would put
// ";;" where the provider stood).
void ApplyProvider(Tserverrec& e, AddressCache& addresses) {
  const std::string ip = Cut(e.host.view(), kAddrIpMax);
  if (const Taddrrec* rec = addresses.Find(ip)) {
    if (!rec->provider.empty())
      e.provider.assign(Cut(rec->provider + ";" + rec->cc + ";" + rec->country, 250));
  } else {
    addresses.AddUnresolved(ip);
  }
}

}  // namespace

StatusUpdate ApplyStatusResponse(std::string_view datagram, double ping, Tserverrec& e,
                                 tpingit& history, const StatusUpdateSettings& settings,
                                 AddressCache& addresses) {
  StatusUpdate out;
  ResetForStatus(e);
  // Against the query that was the latest when the reply arrived.
  e.ping = RoundHalfEven(ping);
  const std::string body = StatusBody(datagram);
  out.vars = ParseServerInfo(body);
  e.protocol = ProtocolByte(ServerVar(out.vars, "protocol"));
  if (!settings.historyLength) return out;
  SizeHistory(history, *settings.historyLength);
  std::optional<Tplayerinfo> players = ParsePlayerInfo(body);
  if (!players) return out;  // malformed: the rest of the handling is skipped
  out.players = std::move(*players);
  ApplyStatusFields(e, out.vars);
  ApplyProvider(e, addresses);
  if (settings.addSamples) PushSample(history, ping);
  ApplyCounts(e, out.vars, out.players);
  out.complete = true;
  return out;
}

}  // namespace zelmora
