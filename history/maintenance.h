// Keeping the player history small and the operator's choice: old
// sightings are pruned, and "Verlauf löschen" empties it.
#pragma once

#include <cstdint>

#include "history/sqlitedb.h"

namespace zelmora {

struct PruneCounts {
  std::int64_t sessions = 0;      // table sightings removed
  std::int64_t nameSessions = 0;  // getstatus sightings removed
  std::int64_t players = 0;       // players removed
};

// Removes what was last seen before cutoff: sessions and getstatus
// sightings, earlier names and addresses of a player (his current ones
// stay while he stays), players without any sighting or penalty left, and
// names nobody uses any more. Penalties are the operator's record and stay
// until the history is cleared. One transaction; raises the epoch.
PruneCounts PruneHistory(SqliteDb& db, std::int64_t cutoff);

// Empties every table of the history but the watch list, then gives the
// space back to the file system and empties the write-ahead log, so that
// nothing of it stays readable in the files. Raises the epoch.
void ClearHistory(SqliteDb& db);

// A counter raised by every prune and clear: a program that holds ids in
// memory forgets them when another one changed it.
std::int64_t HistoryEpoch(SqliteDb& db);

// When the history was last pruned (by any program), and noting it.
std::int64_t LastPruneTime(SqliteDb& db);
void SetLastPruneTime(SqliteDb& db, std::int64_t time);

}  // namespace zelmora
