#include "protocol/statusresponse.h"

#include <cmath>
#include <limits>

#include "core/textutil.h"
#include "protocol/colorcodes.h"
#include "protocol/text.h"

namespace zelmora {

namespace {
constexpr std::string_view kKeyword = "statusResponse";
constexpr std::size_t kBodyPos = 20;  // after the four bytes, keyword and line feed
constexpr std::size_t kBodyMax = 9999;

std::uint8_t Flag(const Tserverinfo& info, std::string_view name) {
  return StripColorCodes(ServerVar(info, name)) == "1" ? 1 : 0;
}
}  // namespace

bool IsStatusResponse(std::string_view datagram) {
  return Copy(datagram, 5, 14) == kKeyword;
}

std::string StatusBody(std::string_view datagram) {
  return Copy(datagram, kBodyPos, kBodyMax);
}

Tserverinfo ParseServerInfo(std::string_view body) {
  Tserverinfo info;
  const std::vector<std::string> lines = SplitText(body, "\n");
  if (lines.empty()) return info;
  const std::vector<std::string> pieces = SplitText(lines[0], "\\");
  const std::size_t pairs = pieces.size() / 2;
  info.resize(pairs);
  for (std::size_t p = 0; p < pairs; ++p) {
    info[p].first = pieces[1 + 2 * p];
    if (2 + 2 * p < pieces.size()) info[p].second = pieces[2 + 2 * p];
  }
  return info;
}

std::optional<Tplayerinfo> ParsePlayerInfo(std::string_view body) {
  const std::vector<std::string> lines = SplitText(body, "\n");
  if (lines.size() < 2) return std::nullopt;
  Tplayerinfo rows(lines.size() - 2);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string& line = lines[i + 1];
    rows[i][0] = FieldOf(line, " ", 0);
    rows[i][1] = FieldOf(line, " ", 1);
    rows[i][2] = FieldOf(line, "\"", 1);
  }
  return rows;
}

std::string ServerVar(const Tserverinfo& info, std::string_view name) {
  for (auto it = info.rbegin(); it != info.rend(); ++it)
    if (it->first == name) return it->second;
  return std::string();
}

char GametypeDigit(std::string_view g) {
  if (g == "dm") return '4';
  if (g == "tdm") return '1';
  if (g == "sd") return '2';
  if (g == "hq") return '4';
  if (g == "ctf") return '3';
  if (g == "re") return '5';
  if (g == "dom") return '6';
  if (g == "bel") return '8';
  if (g == "bas") return '9';
  return '7';
}

std::string BuildMapInfo(std::string_view gametype, std::string_view mapname) {
  const std::string g = StripColorCodes(gametype);
  std::string s = "^";
  s += GametypeDigit(g);
  s += g;
  s += " ^0";
  s += StripColorCodes(mapname);
  if (s.size() > 250) s.resize(250);
  return s;
}

std::uint8_t ProtocolByte(std::string_view protocolText) {
  const int v = StrToIntDef(protocolText, -1);
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) & 0xFFu);
}

std::int32_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  // nearbyint follows the current rounding mode, which is to-nearest-even
  // unless someone changed it; do it by hand to be independent of that.
  const double fl = std::floor(value);
  const double diff = value - fl;
  double r;
  if (diff < 0.5) {
    r = fl;
  } else if (diff > 0.5) {
    r = fl + 1.0;
  } else {
    r = std::fmod(fl, 2.0) == 0.0 ? fl : fl + 1.0;
  }
  if (r > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(r);
}

void ResetForStatus(Tserverrec& rec) {
  rec.ping = 0;
  rec.players = 0;
  rec.privateclients = 0;
  rec.maxclients = 0;
  rec.protocol = 0;
  rec.shortversion.clear();
  rec.mapinfo.clear();
  rec.spareflag = 0;
  rec.killcam = 0;
  rec.friendlyfire = 0;
  rec.voice = 0;
  rec.passworded = 0;
  rec.punkbuster = 0;
}

void ApplyStatusFields(Tserverrec& rec, const Tserverinfo& info) {
  rec.hostname.assign(ServerVar(info, "sv_hostname"));
  rec.mapinfo.assign(BuildMapInfo(ServerVar(info, "g_gametype"), ServerVar(info, "mapname")));
  rec.passworded = Flag(info, "pswrd");
  rec.protocol = ProtocolByte(ServerVar(info, "protocol"));
  rec.shortversion.assign(ServerVar(info, "shortversion"));
  rec.killcam = Flag(info, "scr_killcam");
  rec.friendlyfire = Flag(info, "scr_friendlyfire");
  rec.punkbuster = Flag(info, "sv_punkbuster");
  rec.voice = Flag(info, "sv_voice");
}

void ApplyCounts(Tserverrec& rec, const Tserverinfo& info, const Tplayerinfo& players) {
  rec.players = static_cast<std::int32_t>(players.size());
  rec.maxclients = StrToIntDef(ServerVar(info, "sv_maxclients"), -1);
  rec.privateclients = StrToIntDef(ServerVar(info, "sv_privateClients"), -1);
}

Tplayerinfo PlayerRowsForView(const Tplayerinfo& players) {
  Tplayerinfo view;
  view.reserve(players.size());
  for (const auto& row : players) {
    std::string name;
    name.reserve(row[2].size());
    for (char c : row[2])
      if (c != '"') name.push_back(c);
    view.push_back({StripColorCodes(row[0]), StripColorCodes(row[1]), std::move(name)});
  }
  return view;
}

}  // namespace zelmora
