#include "history/watchlist.h"

#include <algorithm>

#include "core/textutil.h"
#include "history/normalize.h"

namespace zelmora {

namespace {

void BumpWatchVersion(SqliteDb& db) {
  db.Exec(
      "INSERT INTO meta(key, value) VALUES ('watch_version', 1) "
      "ON CONFLICT DO UPDATE SET value = value + 1");
}

}  // namespace

bool WatchActive(const WatchEntry& e, std::int64_t now) {
  return e.enabled && now >= e.silencedUntil;
}

WatchSet::WatchSet(std::vector<WatchEntry> entries) : entries_(std::move(entries)) {
  Index();
}

void WatchSet::Index() {
  guids_.clear();
  patterns_.clear();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const WatchEntry& e = entries_[i];
    if (e.kind == WatchKind::kGuid) {
      const std::string guid = TrimCtl(e.value);
      if (IsPlayerGuid(guid)) guids_.emplace(guid, i);
    } else {
      std::string pattern = NormalizeName(e.value);
      if (!pattern.empty()) patterns_.emplace_back(std::move(pattern), i);
    }
  }
}

std::optional<WatchEntry> WatchSet::MatchGuid(std::string_view guid, std::int64_t now) const {
  const std::string key = TrimCtl(guid);
  if (!IsPlayerGuid(key)) return std::nullopt;
  auto [b, e] = guids_.equal_range(key);
  std::optional<std::size_t> best;
  for (auto it = b; it != e; ++it)
    if (WatchActive(entries_[it->second], now) && (!best || it->second < *best)) best = it->second;
  if (!best) return std::nullopt;
  return entries_[*best];
}

std::optional<WatchEntry> WatchSet::MatchName(std::string_view rawName, std::int64_t now) const {
  if (patterns_.empty()) return std::nullopt;
  const std::string norm = NormalizeName(rawName);
  for (const auto& [pattern, i] : patterns_)
    if (WatchActive(entries_[i], now) && GlobMatch(pattern, norm)) return entries_[i];
  return std::nullopt;
}

void WatchSet::Put(const WatchEntry& e) {
  if (WatchEntry* old = Find(e.id))
    *old = e;
  else
    entries_.push_back(e);
  Index();
}

bool WatchSet::Remove(std::int64_t id) {
  const auto n = std::erase_if(entries_, [id](const WatchEntry& e) { return e.id == id; });
  Index();
  return n > 0;
}

WatchEntry* WatchSet::Find(std::int64_t id) {
  for (WatchEntry& e : entries_)
    if (e.id == id) return &e;
  return nullptr;
}

std::vector<WatchEntry> LoadWatchEntries(SqliteDb& db) {
  std::vector<WatchEntry> out;
  SqliteStmt st(db,
                "SELECT id, kind, value, note, enabled, silenced_until, created FROM watch "
                "ORDER BY created, id");
  while (st.Step()) {
    WatchEntry e;
    e.id = st.Int(0);
    e.kind = st.Int(1) == 1 ? WatchKind::kNamePattern : WatchKind::kGuid;
    e.value = st.Text(2);
    e.note = st.Text(3);
    e.enabled = st.Int(4) != 0;
    e.silencedUntil = st.Int(5);
    e.created = st.Int(6);
    out.push_back(std::move(e));
  }
  return out;
}

void StoreWatchEntry(SqliteDb& db, const WatchEntry& e) {
  SqliteStmt st(db,
                "INSERT OR REPLACE INTO watch(id, kind, value, note, enabled, silenced_until, "
                "created) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  st.Bind(1, e.id)
      .Bind(2, static_cast<int>(e.kind))
      .BindBlob(3, e.value)
      .BindBlob(4, e.note)
      .Bind(5, e.enabled ? 1 : 0)
      .Bind(6, e.silencedUntil)
      .Bind(7, e.created)
      .Run();
  BumpWatchVersion(db);
}

void DeleteWatchEntry(SqliteDb& db, std::int64_t id) {
  SqliteStmt st(db, "DELETE FROM watch WHERE id = ?1");
  st.Bind(1, id).Run();
  BumpWatchVersion(db);
}

std::int64_t WatchVersion(SqliteDb& db) {
  return db.QueryInt("SELECT value FROM meta WHERE key = 'watch_version'");
}

}  // namespace zelmora
