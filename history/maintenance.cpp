#include "history/maintenance.h"

namespace zelmora {

namespace {

void BumpEpoch(SqliteDb& db) {
  db.Exec(
      "INSERT INTO meta(key, value) VALUES ('epoch', 1) "
      "ON CONFLICT DO UPDATE SET value = value + 1");
}

std::int64_t DeleteBefore(SqliteDb& db, const char* sql, std::int64_t cutoff) {
  SqliteStmt st(db, sql);
  st.Bind(1, cutoff).Run();
  return db.Changes();
}

}  // namespace

PruneCounts PruneHistory(SqliteDb& db, std::int64_t cutoff) {
  PruneCounts c;
  SqliteTransaction tx(db);
  c.sessions = DeleteBefore(db, "DELETE FROM sessions WHERE last_seen < ?1", cutoff);
  c.nameSessions = DeleteBefore(db, "DELETE FROM name_sessions WHERE last_seen < ?1", cutoff);
  DeleteBefore(db,
               "DELETE FROM player_names WHERE last_seen < ?1 AND name <> "
               "(SELECT p.name FROM players p WHERE p.id = player_names.player)",
               cutoff);
  DeleteBefore(db,
               "DELETE FROM player_addresses WHERE last_seen < ?1 AND address <> "
               "(SELECT p.address FROM players p WHERE p.id = player_addresses.player)",
               cutoff);
  db.Exec("CREATE TEMP TABLE IF NOT EXISTS doomed(id INTEGER PRIMARY KEY); DELETE FROM doomed");
  DeleteBefore(db,
               "INSERT INTO doomed(id) SELECT id FROM players p WHERE p.last_seen < ?1 "
               "AND NOT EXISTS (SELECT 1 FROM sessions s WHERE s.player = p.id) "
               "AND NOT EXISTS (SELECT 1 FROM penalties x WHERE x.player = p.id)",
               cutoff);
  c.players = db.QueryInt("SELECT count(*) FROM doomed");
  db.Exec(
      "DELETE FROM player_names WHERE player IN doomed;"
      "DELETE FROM player_addresses WHERE player IN doomed;"
      "DELETE FROM players WHERE id IN doomed;"
      "DELETE FROM doomed;"
      "DELETE FROM names WHERE NOT EXISTS (SELECT 1 FROM player_names pn WHERE pn.name = names.id)"
      " AND NOT EXISTS (SELECT 1 FROM name_sessions ns WHERE ns.name = names.id);");
  BumpEpoch(db);
  tx.Commit();
  return c;
}

void ClearHistory(SqliteDb& db) {
  {
    SqliteTransaction tx(db);
    db.Exec(
        "DELETE FROM sessions; DELETE FROM name_sessions; DELETE FROM player_names;"
        "DELETE FROM player_addresses; DELETE FROM players; DELETE FROM penalties;"
        "DELETE FROM names; DELETE FROM servers;");
    BumpEpoch(db);
    tx.Commit();
  }
  db.Exec("VACUUM");
  SqliteStmt cp(db, "PRAGMA wal_checkpoint(TRUNCATE)");
  cp.Run();
}

std::int64_t HistoryEpoch(SqliteDb& db) {
  return db.QueryInt("SELECT value FROM meta WHERE key = 'epoch'");
}

std::int64_t LastPruneTime(SqliteDb& db) {
  return db.QueryInt("SELECT value FROM meta WHERE key = 'last_prune'");
}

void SetLastPruneTime(SqliteDb& db, std::int64_t time) {
  SqliteStmt st(db,
                "INSERT INTO meta(key, value) VALUES ('last_prune', ?1) "
                "ON CONFLICT DO UPDATE SET value = excluded.value");
  st.Bind(1, time).Run();
}

}  // namespace zelmora
