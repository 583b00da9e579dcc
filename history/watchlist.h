// The watch list ("beobachten"): GUIDs and name patterns the operator wants
// to be told about. The answer to "is this player watched?" comes from
// memory (a GUID by hash, a pattern by matching the normalised name), so the
// engine can ask for every player of every table; the database keeps the
// entries for the next start and for another program on the same folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "history/historytypes.h"
#include "history/sqlitedb.h"

namespace zelmora {

class WatchSet {
 public:
  WatchSet() = default;
  explicit WatchSet(std::vector<WatchEntry> entries);

  // The first entry (in list order) that is on and not silenced at now and
  // names this GUID exactly ("" and "0" are never watched).
  std::optional<WatchEntry> MatchGuid(std::string_view guid, std::int64_t now) const;
  // The same for a name (raw, colour codes kept) against the patterns.
  std::optional<WatchEntry> MatchName(std::string_view rawName, std::int64_t now) const;

  const std::vector<WatchEntry>& entries() const { return entries_; }

  // Changes made by the program itself (the database follows in the
  // writer): false when there is no entry with that id.
  void Put(const WatchEntry& e);
  bool Remove(std::int64_t id);
  WatchEntry* Find(std::int64_t id);

 private:
  void Index();

  std::vector<WatchEntry> entries_;
  std::unordered_multimap<std::string, std::size_t> guids_;
  std::vector<std::pair<std::string, std::size_t>> patterns_;  // normalised pattern, entry
};

// Whether the entry alerts at now: switched on and not silenced.
bool WatchActive(const WatchEntry& e, std::int64_t now);

// --- the watch table (writer side) ---------------------------------------------

std::vector<WatchEntry> LoadWatchEntries(SqliteDb& db);
// Inserts or replaces the entry and counts the watch list's version up.
void StoreWatchEntry(SqliteDb& db, const WatchEntry& e);
void DeleteWatchEntry(SqliteDb& db, std::int64_t id);
// The version counter, raised with every change by any program.
std::int64_t WatchVersion(SqliteDb& db);

}  // namespace zelmora
