// libFuzzer target: every parser a server's datagram reaches. The input is
// taken as one datagram, and also as a poll answer cut into datagrams at each
// run of four 0xFF bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/serverrec.h"
#include "protocol/colorcodes.h"
#include "protocol/rconreply.h"
#include "protocol/statusresponse.h"
#include "protocol/text.h"

namespace {

using namespace zelmora;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct CacheRec {
  std::string ip, provider, cc, country;
  std::int32_t flag = 0;
};

void StatusResponsePath(std::string_view datagram) {
  Tserverrec rec;
  ResetForStatus(rec);
  const bool isStatus = IsStatusResponse(datagram);
  Check(isStatus == (datagram.size() >= 18 && datagram.substr(4, 14) == "statusResponse"));
  const std::string body = StatusBody(datagram);
  Check(body.size() <= 9999);
  const Tserverinfo info = ParseServerInfo(body);
  rec.ping = RoundHalfEven(static_cast<double>(body.size()) / 3.0);
  rec.protocol = ProtocolByte(ServerVar(info, "protocol"));
  const auto players = ParsePlayerInfo(body);
  const std::size_t lines = SplitText(body, "\n").size();
  Check(players.has_value() == (lines >= 2));
  if (!players) return;
  Check(players->size() == lines - 2);
  ApplyStatusFields(rec, info);
  ApplyCounts(rec, info, *players);
  Check(rec.players == static_cast<std::int32_t>(players->size()));
  Check(rec.mapinfo.size() >= 5 && rec.mapinfo.view()[0] == '^');
  const Tplayerinfo view = PlayerRowsForView(*players);
  Check(view.size() == players->size());
  for (const auto& row : view) Check(row[2].find('"') == std::string::npos);
}

void ReplyPath(std::string_view datagram) {
  const auto console = ConsoleLines(datagram);
  for (const auto& line : console) Check(line.find('\r') == std::string::npos);

  if (const auto maps = CheckMapListing(datagram, "^2sd ^0mp_carentan")) {
    Check(maps->chosen < static_cast<int>(maps->maps.size()));
    Check(maps->maps.empty() == (maps->chosen == -1));
    for (const auto& m : maps->picturesLoaded) {
      const std::string file = MapPictureFile(118, m);
      // Never a path outside the picture folder.
      Check(file.empty() || file.find_first_of("/\\", 8) == std::string::npos);
    }
  }
  (void)CheckConfigListing(datagram);

  const std::string stripped = StripColorCodes(datagram);
  Check(stripped.size() <= datagram.size());
  Check(ColorTextRuns(datagram).size() <= datagram.size());
}

void StatusTablePath(std::string_view input) {
  // Cut at each run of the four-byte prefix, as the poll receives them.
  std::vector<std::string> datagrams;
  const std::string_view prefix("\xff\xff\xff\xff", 4);
  for (std::string& piece : SplitText(input, prefix)) {
    if (piece.empty()) continue;
    datagrams.push_back(std::string(prefix) + piece);
  }
  const StatusAssembly a = AssembleStatusTable(datagrams);
  Check(!a.single || datagrams.size() == 1);

  std::vector<CacheRec> cache{{"127.0.0.1", "local", "DE", "Deutschland", 1}};
  const auto lookups = CacheLookups(cache, [](const std::string& guid) {
    return guid.empty() ? std::optional<std::string>() : std::optional<std::string>(guid);
  });
  Tstatusrow junk;
  junk.fill("x");
  for (std::string_view text : {std::string_view(a.table), input}) {
    Tstatusinfo rows(3, junk);
    const std::size_t lines = SplitText(text, "\n").size();
    const bool ok = ParseStatusInfo(text, rows);
    Check(ok == (lines < 3 || lines >= 5));
    Check(ok ? rows.size() == (lines < 3 ? 0 : lines - 5) : rows.size() == 3);
    if (ok) ApplyStatusLookups(rows, lookups);
    for (const auto& row : rows) Check(row[1].size() <= text.size());
  }
  for (const auto& rec : cache) Check(rec.ip.size() <= 25);
}

void TextPath(std::string_view input) {
  const std::string_view head = input.substr(0, 512);
  const auto pieces = SplitText(head, "\n");
  for (std::size_t n = 0; n <= pieces.size(); ++n) {
    const std::string f = FieldOf(head, "\n", static_cast<int>(n));
    Check(n < pieces.size() ? f == pieces[n] : f.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  StatusResponsePath(input);
  ReplyPath(input);
  StatusTablePath(input);
  TextPath(input);
  return 0;
}
