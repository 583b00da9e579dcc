#include "history/search.h"

#include <algorithm>
#include <map>
#include <string>

#include "core/textutil.h"
#include "history/normalize.h"
#include "protocol/rconreply.h"

namespace zelmora {

namespace {

// Bounds that keep a search of a very common text fast: the names taken
// from the index, the players considered, the getstatus-only names looked
// at, and the earlier names listed per player.
constexpr std::int64_t kNameCandidates = 2000;
constexpr std::int64_t kAddressCandidates = 2000;
constexpr std::size_t kPlayerCandidates = 5000;
constexpr std::size_t kNameOnlyCandidates = 300;
constexpr int kOtherNames = 20;

enum Rank { kByGuid = 0, kByAddress = 1, kByName = 2 };

std::size_t CharCount(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

bool LooksLikeAddress(std::string_view s) {
  return !s.empty() &&
         std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

// An FTS5 phrase: the text in double quotes, its own quotes doubled.
std::string Phrase(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

struct Candidate {
  int rank = kByName;
  std::int64_t lastSeen = 0;
  std::int64_t player = 0;  // 0: a getstatus-only name
  PlayerSummary nameOnly;   // filled for a getstatus-only name
};

class Searcher {
 public:
  explicit Searcher(SqliteDb& db) : db_(db) {}
  std::vector<PlayerSummary> Run(std::string_view text, std::size_t limit);

 private:
  void AddPlayer(std::int64_t player, int rank);
  void ByGuid(const std::string& q);
  void ByAddress(const std::string& ip);
  std::vector<std::int64_t> MatchingNames(const std::string& norm);
  void ByNames(const std::vector<std::int64_t>& nameIds);
  void NameOnly(const std::vector<std::int64_t>& nameIds);
  void Recent(std::size_t limit);
  PlayerSummary Details(std::int64_t player);

  SqliteDb& db_;
  std::map<std::int64_t, int> players_;  // player -> best rank
  std::vector<Candidate> nameOnly_;
};

void Searcher::AddPlayer(std::int64_t player, int rank) {
  if (players_.size() >= kPlayerCandidates && !players_.count(player)) return;
  auto [it, added] = players_.emplace(player, rank);
  if (!added) it->second = std::min(it->second, rank);
}

void Searcher::ByGuid(const std::string& q) {
  SqliteStmt st(db_, "SELECT id FROM players WHERE guid IN (?1, ?2, ?3)");
  std::string upper = q;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  st.BindText(1, q).BindText(2, LowerAscii(q)).BindText(3, upper);
  while (st.Step()) AddPlayer(st.Int(0), kByGuid);
}

void Searcher::ByAddress(const std::string& ip) {
  // A prefix as a range over the address index.
  SqliteStmt st(db_,
                "SELECT DISTINCT player FROM player_addresses WHERE address >= ?1 AND "
                "address < ?2 LIMIT ?3");
  st.BindText(1, ip).BindText(2, ip + '\xff').Bind(3, kAddressCandidates);
  while (st.Step()) AddPlayer(st.Int(0), kByAddress);
}

std::vector<std::int64_t> Searcher::MatchingNames(const std::string& norm) {
  std::vector<std::int64_t> ids;
  const bool indexed = CharCount(norm) >= 3;
  SqliteStmt st(db_, indexed ? "SELECT rowid FROM names_fts WHERE names_fts MATCH ?1 "
                               "ORDER BY rowid DESC LIMIT ?2"
                             : "SELECT id FROM names WHERE instr(norm, ?1) > 0 "
                               "ORDER BY id DESC LIMIT ?2");
  st.BindText(1, indexed ? Phrase(norm) : norm).Bind(2, kNameCandidates);
  while (st.Step()) ids.push_back(st.Int(0));
  return ids;
}

void Searcher::ByNames(const std::vector<std::int64_t>& nameIds) {
  SqliteStmt st(db_, "SELECT player FROM player_names WHERE name = ?1");
  for (std::int64_t id : nameIds) {
    if (players_.size() >= kPlayerCandidates) break;
    st.Reset();
    st.Bind(1, id);
    while (st.Step()) AddPlayer(st.Int(0), kByName);
  }
}

// Names seen in getstatus replies on servers where no status table showed
// a player of that name: one row per name over those servers.
void Searcher::NameOnly(const std::vector<std::int64_t>& nameIds) {
  SqliteStmt servers(db_,
                     "SELECT ns.server, sv.key, sv.name, min(ns.first_seen), max(ns.last_seen) "
                     "FROM name_sessions ns JOIN servers sv ON sv.id = ns.server "
                     "WHERE ns.name = ?1 GROUP BY ns.server ORDER BY 5 DESC");
  SqliteStmt covered(db_,
                     "SELECT 1 FROM player_names pn JOIN sessions s ON s.player = pn.player "
                     "AND s.server = ?2 WHERE pn.name = ?1 LIMIT 1");
  SqliteStmt raw(db_, "SELECT raw FROM names WHERE id = ?1");
  for (std::size_t i = 0; i < nameIds.size() && i < kNameOnlyCandidates; ++i) {
    Candidate c;
    c.player = 0;
    servers.Reset();
    servers.Bind(1, nameIds[i]);
    while (servers.Step()) {
      covered.Reset();
      covered.Bind(1, nameIds[i]).Bind(2, servers.Int(0));
      if (covered.Step()) continue;
      c.nameOnly.servers.push_back({servers.Text(1), servers.Text(2)});
      const std::int64_t first = servers.Int(3);
      const std::int64_t last = servers.Int(4);
      if (c.nameOnly.firstSeen == 0 || first < c.nameOnly.firstSeen) c.nameOnly.firstSeen = first;
      c.nameOnly.lastSeen = std::max(c.nameOnly.lastSeen, last);
    }
    if (c.nameOnly.servers.empty()) continue;
    raw.Reset();
    raw.Bind(1, nameIds[i]);
    if (raw.Step()) c.nameOnly.name = raw.Text(0);
    c.lastSeen = c.nameOnly.lastSeen;
    nameOnly_.push_back(std::move(c));
  }
}

void Searcher::Recent(std::size_t limit) {
  SqliteStmt st(db_, "SELECT id FROM players ORDER BY last_seen DESC LIMIT ?1");
  st.Bind(1, static_cast<std::int64_t>(limit));
  while (st.Step()) AddPlayer(st.Int(0), kByName);
}

PlayerSummary Searcher::Details(std::int64_t player) {
  PlayerSummary s;
  s.playerId = player;
  SqliteStmt p(db_,
               "SELECT p.guid, n.raw, p.address, p.first_seen, p.last_seen, p.name "
               "FROM players p JOIN names n ON n.id = p.name WHERE p.id = ?1");
  p.Bind(1, player);
  if (!p.Step()) return s;
  s.guid = p.Text(0);
  s.name = p.Text(1);
  s.lastAddress = p.Text(2);
  s.firstSeen = p.Int(3);
  s.lastSeen = p.Int(4);
  SqliteStmt others(db_,
                    "SELECT n.raw FROM player_names pn JOIN names n ON n.id = pn.name "
                    "WHERE pn.player = ?1 AND pn.name <> ?2 ORDER BY pn.last_seen DESC LIMIT ?3");
  others.Bind(1, player).Bind(2, p.Int(5)).Bind(3, kOtherNames);
  while (others.Step()) s.otherNames.push_back(others.Text(0));
  SqliteStmt servers(db_,
                     "SELECT sv.key, sv.name, min(s.first_seen), max(s.last_seen) "
                     "FROM sessions s JOIN servers sv ON sv.id = s.server "
                     "WHERE s.player = ?1 GROUP BY s.server ORDER BY 4 DESC");
  servers.Bind(1, player);
  while (servers.Step()) {
    s.servers.push_back({servers.Text(0), servers.Text(1)});
    s.firstSeen = std::min(s.firstSeen, servers.Int(2));
    s.lastSeen = std::max(s.lastSeen, servers.Int(3));
  }
  SqliteStmt penalties(db_, "SELECT count(*) FROM penalties WHERE player = ?1");
  penalties.Bind(1, player);
  if (penalties.Step()) s.penalties = static_cast<int>(penalties.Int(0));
  return s;
}

std::vector<PlayerSummary> Searcher::Run(std::string_view text, std::size_t limit) {
  const std::string q = TrimCtl(text);
  if (q.empty()) {
    Recent(limit);
  } else {
    if (q.size() <= kMaxGuidBytes) ByGuid(q);
    const std::string ip = AddressIp(q);
    if (LooksLikeAddress(ip)) ByAddress(Cut(ip, kMaxAddressBytes));
    const std::string norm = NormalizeName(q);
    if (!norm.empty()) {
      const std::vector<std::int64_t> names = MatchingNames(norm);
      ByNames(names);
      NameOnly(names);
    }
  }
  std::vector<Candidate> all;
  all.reserve(players_.size() + nameOnly_.size());
  SqliteStmt last(db_, "SELECT last_seen FROM players WHERE id = ?1");
  for (const auto& [player, rank] : players_) {
    last.Reset();
    last.Bind(1, player);
    if (!last.Step()) continue;
    all.push_back({rank, last.Int(0), player, {}});
  }
  for (Candidate& c : nameOnly_) all.push_back(std::move(c));
  std::stable_sort(all.begin(), all.end(), [](const Candidate& a, const Candidate& b) {
    return a.rank != b.rank ? a.rank < b.rank : a.lastSeen > b.lastSeen;
  });
  if (all.size() > limit) all.resize(limit);
  std::vector<PlayerSummary> out;
  out.reserve(all.size());
  for (Candidate& c : all) out.push_back(c.player ? Details(c.player) : std::move(c.nameOnly));
  return out;
}

}  // namespace

std::vector<PlayerSummary> SearchPlayers(SqliteDb& db, std::string_view text, std::size_t limit) {
  if (limit == 0) return {};
  return Searcher(db).Run(text, limit);
}

}  // namespace zelmora
