#include "history/recorder.h"

#include <algorithm>
#include <set>

#include "core/textutil.h"

namespace zelmora {

namespace {

// Caches of names and servers are dropped when they grow this large (a
// hostile server can invent names without end).
constexpr std::size_t kCacheLimit = 50000;

std::string Identity(const SeenPlayer& p) {
  if (!p.guid.empty()) return "g" + p.guid;
  std::string id = "n" + p.name;
  id += '\0';
  id += p.address;
  return id;
}

}  // namespace

HistoryRecorder::HistoryRecorder(SqliteDb& db)
    : db_(db),
      serverFind_(db, "SELECT id, name FROM servers WHERE key = ?1"),
      serverInsert_(db, "INSERT INTO servers(key, name) VALUES (?1, ?2) ON CONFLICT DO NOTHING"),
      serverRename_(db, "UPDATE servers SET name = ?2 WHERE id = ?1"),
      nameFind_(db, "SELECT id FROM names WHERE raw = ?1"),
      nameInsert_(db, "INSERT INTO names(raw, norm) VALUES (?1, ?2) ON CONFLICT DO NOTHING"),
      playerByGuid_(db, "SELECT id FROM players WHERE guid = ?1"),
      playerByNameAddr_(db,
                        "SELECT id FROM players WHERE guid IS NULL AND name = ?1 AND address = ?2"),
      playerInsert_(db,
                    "INSERT INTO players(guid, name, address, first_seen, last_seen) "
                    "VALUES (?1, ?2, ?3, ?4, ?4) ON CONFLICT DO NOTHING"),
      playerUpdate_(db,
                    "UPDATE players SET name = ?2, "
                    "address = CASE WHEN ?3 = '' THEN address ELSE ?3 END, "
                    "last_seen = max(last_seen, ?4) WHERE id = ?1"),
      nameUpsert_(db,
                  "INSERT INTO player_names(player, name, first_seen, last_seen) "
                  "VALUES (?1, ?2, ?3, ?3) ON CONFLICT DO UPDATE SET "
                  "first_seen = min(first_seen, excluded.first_seen), "
                  "last_seen = max(last_seen, excluded.last_seen)"),
      addressUpsert_(db,
                     "INSERT INTO player_addresses(player, address, first_seen, last_seen) "
                     "VALUES (?1, ?2, ?3, ?3) ON CONFLICT DO UPDATE SET "
                     "first_seen = min(first_seen, excluded.first_seen), "
                     "last_seen = max(last_seen, excluded.last_seen)"),
      sessionLatest_(db,
                     "SELECT first_seen, last_seen FROM sessions WHERE player = ?1 AND "
                     "server = ?2 ORDER BY first_seen DESC LIMIT 1"),
      sessionUpsert_(db,
                     "INSERT INTO sessions(player, server, first_seen, last_seen) "
                     "VALUES (?1, ?2, ?3, ?4) ON CONFLICT DO UPDATE SET "
                     "last_seen = max(last_seen, excluded.last_seen)"),
      sessionExtend_(db,
                     "UPDATE sessions SET last_seen = max(last_seen, ?4) "
                     "WHERE player = ?1 AND server = ?2 AND first_seen = ?3"),
      nameSessionLatest_(db,
                         "SELECT first_seen, last_seen FROM name_sessions WHERE name = ?1 AND "
                         "server = ?2 ORDER BY first_seen DESC LIMIT 1"),
      nameSessionUpsert_(db,
                         "INSERT INTO name_sessions(name, server, first_seen, last_seen) "
                         "VALUES (?1, ?2, ?3, ?4) ON CONFLICT DO UPDATE SET "
                         "last_seen = max(last_seen, excluded.last_seen)"),
      nameSessionExtend_(db,
                         "UPDATE name_sessions SET last_seen = max(last_seen, ?4) "
                         "WHERE name = ?1 AND server = ?2 AND first_seen = ?3"),
      penaltyInsert_(db,
                     "INSERT OR IGNORE INTO penalties(id, time, server, player, kind, guid, "
                     "name, address, outcome, reason) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, "
                     "0, ?9)"),
      penaltyConfirm_(db, "UPDATE penalties SET outcome = ?2 WHERE id = ?1") {}

void HistoryRecorder::ForgetCaches() {
  servers_.clear();
  names_.clear();
  open_.clear();
  openNames_.clear();
  lastTable_.clear();
}

std::int64_t HistoryRecorder::ServerId(const std::string& key, const std::string& name) {
  auto it = servers_.find(key);
  if (it == servers_.end()) {
    if (servers_.size() >= kCacheLimit) servers_.clear();
    Server s;
    serverFind_.Reset();
    serverFind_.BindText(1, key);
    if (!serverFind_.Step()) {
      serverFind_.Reset();
      serverInsert_.Reset();
      serverInsert_.BindText(1, key).BindBlob(2, name).Run();
      serverFind_.BindText(1, key);
      serverFind_.Step();
    }
    s.id = serverFind_.Int(0);
    s.name = serverFind_.Text(1);
    serverFind_.Reset();
    it = servers_.emplace(key, std::move(s)).first;
  }
  // A server keeps its key; its name follows what it calls itself now.
  if (!name.empty() && it->second.name != name) {
    serverRename_.Reset();
    serverRename_.Bind(1, it->second.id).BindBlob(2, name).Run();
    it->second.name = name;
  }
  return it->second.id;
}

std::int64_t HistoryRecorder::NameId(const std::string& raw) {
  if (auto it = names_.find(raw); it != names_.end()) return it->second;
  if (names_.size() >= kCacheLimit) names_.clear();
  nameFind_.Reset();
  nameFind_.BindBlob(1, raw);
  if (!nameFind_.Step()) {
    nameFind_.Reset();
    nameInsert_.Reset();
    nameInsert_.BindBlob(1, raw).BindText(2, NormalizeName(raw)).Run();
    nameFind_.BindBlob(1, raw);
    nameFind_.Step();
  }
  const std::int64_t id = nameFind_.Int(0);
  nameFind_.Reset();
  names_.emplace(raw, id);
  return id;
}

void HistoryRecorder::TouchNameAndAddress(std::int64_t player, std::int64_t nameId,
                                          const std::string& address, std::int64_t time) {
  nameUpsert_.Reset();
  nameUpsert_.Bind(1, player).Bind(2, nameId).Bind(3, time).Run();
  if (!address.empty()) {
    addressUpsert_.Reset();
    addressUpsert_.Bind(1, player).BindText(2, address).Bind(3, time).Run();
  }
}

std::int64_t HistoryRecorder::ResolvePlayer(const SeenPlayer& p, std::int64_t nameId,
                                            std::int64_t time) {
  SqliteStmt& find = p.guid.empty() ? playerByNameAddr_ : playerByGuid_;
  auto bindFind = [&] {
    find.Reset();
    if (p.guid.empty())
      find.Bind(1, nameId).BindText(2, p.address);
    else
      find.BindText(1, p.guid);
  };
  bindFind();
  if (!find.Step()) {
    find.Reset();
    playerInsert_.Reset();
    if (p.guid.empty())
      playerInsert_.BindNull(1);
    else
      playerInsert_.BindText(1, p.guid);
    playerInsert_.Bind(2, nameId).BindText(3, p.address).Bind(4, time).Run();
    // Another program may have added the same player meanwhile: the insert
    // then did nothing and the search finds that one.
    bindFind();
    if (!find.Step()) throw SqliteError(SQLITE_CORRUPT, "player row missing after insert");
  }
  const std::int64_t player = find.Int(0);
  find.Reset();
  playerUpdate_.Reset();
  playerUpdate_.Bind(1, player).Bind(2, nameId).BindText(3, p.address).Bind(4, time).Run();
  TouchNameAndAddress(player, nameId, p.address, time);
  return player;
}

HistoryRecorder::OpenSession HistoryRecorder::StartSession(std::int64_t server, const SeenPlayer& p,
                                                           std::int64_t time) {
  OpenSession s;
  s.name = NameId(p.name);
  s.player = ResolvePlayer(p, s.name, time);
  s.address = p.address;
  s.first = time;
  s.last = time;
  s.refreshed = time;
  // The latest session in the file may still be running: this program was
  // restarted, or another one on the same folder watches the server too.
  sessionLatest_.Reset();
  sessionLatest_.Bind(1, s.player).Bind(2, server);
  if (sessionLatest_.Step()) {
    const std::int64_t first = sessionLatest_.Int(0);
    const std::int64_t last = sessionLatest_.Int(1);
    if (time >= first && time - last < kSessionGap) {
      s.first = first;
      s.last = std::max(last, time);
    }
  }
  sessionLatest_.Reset();
  sessionUpsert_.Reset();
  sessionUpsert_.Bind(1, s.player).Bind(2, server).Bind(3, s.first).Bind(4, s.last).Run();
  return s;
}

bool HistoryRecorder::ContinueOpen(OpenSession& s, std::int64_t server, const SeenPlayer& p,
                                   std::int64_t time) {
  if (time < s.first || time - s.last >= kSessionGap) return false;
  sessionExtend_.Reset();
  sessionExtend_.Bind(1, s.player).Bind(2, server).Bind(3, s.first).Bind(4, time).Run();
  // Pruned or cleared by another program: start afresh.
  if (db_.Changes() == 0) return false;
  s.last = std::max(s.last, time);
  // A player known by GUID may change his name or come from another
  // address within one session.
  const std::int64_t nameId = NameId(p.name);
  const bool changed = nameId != s.name || (!p.address.empty() && p.address != s.address);
  if (changed || time - s.refreshed >= kRefreshSeconds) {
    playerUpdate_.Reset();
    playerUpdate_.Bind(1, s.player).Bind(2, nameId).BindText(3, p.address).Bind(4, time).Run();
    TouchNameAndAddress(s.player, nameId, p.address, time);
    s.name = nameId;
    if (!p.address.empty()) s.address = p.address;
    s.refreshed = time;
  }
  return true;
}

void HistoryRecorder::DropExpired(std::int64_t time) {
  if (time - lastSweep_ < 60 && time >= lastSweep_) return;
  lastSweep_ = time;
  std::erase_if(open_, [&](const auto& kv) { return time - kv.second.last >= kSessionGap; });
  std::erase_if(openNames_, [&](const auto& kv) { return time - kv.second.last >= kSessionGap; });
}

void HistoryRecorder::RecordTable(const std::string& serverKey, const std::string& serverName,
                                  const std::vector<SeenPlayer>& players, std::int64_t time) {
  DropExpired(time);
  const std::int64_t server = ServerId(serverKey, serverName);
  std::int64_t& lastTable = lastTable_[server];
  lastTable = std::max(lastTable, time);
  std::set<std::string> done;
  for (const SeenPlayer& p : players) {
    if (p.name.empty() && p.guid.empty()) continue;
    std::string id = Identity(p);
    if (!done.insert(id).second) continue;  // the same player twice in one table
    auto key = std::make_pair(server, std::move(id));
    auto it = open_.find(key);
    if (it != open_.end() && ContinueOpen(it->second, server, p, time)) continue;
    open_[std::move(key)] = StartSession(server, p, time);
  }
}

void HistoryRecorder::SeeName(std::int64_t server, std::int64_t nameId, std::int64_t time) {
  const auto key = std::make_pair(server, nameId);
  if (auto it = openNames_.find(key); it != openNames_.end()) {
    OpenNameSession& s = it->second;
    if (time >= s.first && time - s.last < kSessionGap) {
      nameSessionExtend_.Reset();
      nameSessionExtend_.Bind(1, nameId).Bind(2, server).Bind(3, s.first).Bind(4, time).Run();
      if (db_.Changes() > 0) {
        s.last = std::max(s.last, time);
        return;
      }
    }
  }
  OpenNameSession s{time, time};
  nameSessionLatest_.Reset();
  nameSessionLatest_.Bind(1, nameId).Bind(2, server);
  if (nameSessionLatest_.Step()) {
    const std::int64_t first = nameSessionLatest_.Int(0);
    const std::int64_t last = nameSessionLatest_.Int(1);
    if (time >= first && time - last < kSessionGap) s = {first, std::max(last, time)};
  }
  nameSessionLatest_.Reset();
  nameSessionUpsert_.Reset();
  nameSessionUpsert_.Bind(1, nameId).Bind(2, server).Bind(3, s.first).Bind(4, s.last).Run();
  openNames_[key] = s;
}

void HistoryRecorder::RecordNames(const std::string& serverKey, const std::string& serverName,
                                  const std::vector<std::string>& names, std::int64_t time) {
  DropExpired(time);
  const std::int64_t server = ServerId(serverKey, serverName);
  if (auto it = lastTable_.find(server);
      it != lastTable_.end() && time - it->second < kSessionGap && it->second - time < kSessionGap)
    return;
  std::set<std::int64_t> done;
  for (const std::string& raw : names) {
    if (raw.empty()) continue;
    const std::int64_t nameId = NameId(raw);
    if (done.insert(nameId).second) SeeName(server, nameId, time);
  }
}

void HistoryRecorder::RecordPenalty(std::int64_t id, const PenaltyRecord& rec) {
  const std::int64_t server = ServerId(rec.serverKey, rec.serverName);
  SeenPlayer p;
  p.name = Cut(rec.name, kMaxNameBytes);
  p.guid = Cut(TrimCtl(rec.guid), kMaxGuidBytes);
  if (!IsPlayerGuid(p.guid)) p.guid.clear();
  p.address = Cut(AddressIp(rec.address), kMaxAddressBytes);
  std::int64_t player = 0;
  if (!p.name.empty() || !p.guid.empty()) {
    const std::int64_t nameId = NameId(p.name);
    player = ResolvePlayer(p, nameId, rec.time);
  }
  penaltyInsert_.Reset();
  penaltyInsert_.Bind(1, id).Bind(2, rec.time).Bind(3, server);
  if (player)
    penaltyInsert_.Bind(4, player);
  else
    penaltyInsert_.BindNull(4);
  penaltyInsert_.Bind(5, static_cast<int>(rec.kind))
      .BindText(6, Cut(rec.guid, kMaxGuidBytes))
      .BindBlob(7, p.name)
      .BindText(8, p.address)
      .BindBlob(9, Cut(rec.reason, 1000))
      .Run();
}

void HistoryRecorder::ConfirmPenalty(std::int64_t id, PenaltyOutcome outcome) {
  penaltyConfirm_.Reset();
  penaltyConfirm_.Bind(1, id).Bind(2, static_cast<int>(outcome)).Run();
}

}  // namespace zelmora
