#include "core/serverrec.h"

#include <atomic>
#include <bit>

#include "core/lebytes.h"

namespace zelmora {

std::uint64_t NewServerUid() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

// Offsets of the fields inside the 2043-byte image.
namespace {
constexpr std::size_t kPort = 0;
constexpr std::size_t kHost = 251;
constexpr std::size_t kRconpass = 502;
constexpr std::size_t kProvider = 753;
constexpr std::size_t kSendtime = 1004;
constexpr std::size_t kPing = 1012;
constexpr std::size_t kPlayers = 1016;
constexpr std::size_t kPrivateclients = 1020;
constexpr std::size_t kMaxclients = 1024;
constexpr std::size_t kProtocol = 1028;
constexpr std::size_t kShortversion = 1029;
constexpr std::size_t kHostname = 1280;
constexpr std::size_t kMapinfo = 1531;
constexpr std::size_t kSpare = 1782;
constexpr std::size_t kSpareflag = 2033;
constexpr std::size_t kKillcam = 2034;
constexpr std::size_t kFriendlyfire = 2035;
constexpr std::size_t kVoice = 2036;
constexpr std::size_t kPassworded = 2037;
constexpr std::size_t kPunkbuster = 2038;
constexpr std::size_t kLastreply = 2039;
static_assert(kLastreply + 4 == kServerRecSize);
}  // namespace

void EncodeServerRec(const Tserverrec& rec, std::uint8_t* out) {
  rec.port.encode(out + kPort);
  rec.host.encode(out + kHost);
  rec.rconpass.encode(out + kRconpass);
  rec.provider.encode(out + kProvider);
  PutU64(out + kSendtime, std::bit_cast<std::uint64_t>(rec.sendtime));
  PutI32(out + kPing, rec.ping);
  PutI32(out + kPlayers, rec.players);
  PutI32(out + kPrivateclients, rec.privateclients);
  PutI32(out + kMaxclients, rec.maxclients);
  out[kProtocol] = rec.protocol;
  rec.shortversion.encode(out + kShortversion);
  rec.hostname.encode(out + kHostname);
  rec.mapinfo.encode(out + kMapinfo);
  rec.spare.encode(out + kSpare);
  out[kSpareflag] = rec.spareflag;
  out[kKillcam] = rec.killcam;
  out[kFriendlyfire] = rec.friendlyfire;
  out[kVoice] = rec.voice;
  out[kPassworded] = rec.passworded;
  out[kPunkbuster] = rec.punkbuster;
  PutU32(out + kLastreply, rec.lastreply);
}

Tserverrec DecodeServerRec(const std::uint8_t* in) {
  Tserverrec rec;
  rec.port.decode(in + kPort);
  rec.host.decode(in + kHost);
  rec.rconpass.decode(in + kRconpass);
  rec.provider.decode(in + kProvider);
  rec.sendtime = std::bit_cast<double>(GetU64(in + kSendtime));
  rec.ping = GetI32(in + kPing);
  rec.players = GetI32(in + kPlayers);
  rec.privateclients = GetI32(in + kPrivateclients);
  rec.maxclients = GetI32(in + kMaxclients);
  rec.protocol = in[kProtocol];
  rec.shortversion.decode(in + kShortversion);
  rec.hostname.decode(in + kHostname);
  rec.mapinfo.decode(in + kMapinfo);
  rec.spare.decode(in + kSpare);
  rec.spareflag = in[kSpareflag];
  rec.killcam = in[kKillcam];
  rec.friendlyfire = in[kFriendlyfire];
  rec.voice = in[kVoice];
  rec.passworded = in[kPassworded];
  rec.punkbuster = in[kPunkbuster];
  rec.lastreply = GetU32(in + kLastreply);
  return rec;
}

}  // namespace zelmora
