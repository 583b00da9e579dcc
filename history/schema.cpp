#include "history/schema.h"

#include <string>

#include "history/normalize.h"

namespace zelmora {

namespace {

// Tables of version 2 that version 1 did not have, or had in another form.
// servers and penalties are the same in both versions.
constexpr const char* kTablesV2 = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE names(id INTEGER PRIMARY KEY, raw BLOB NOT NULL UNIQUE, norm TEXT NOT NULL);
CREATE VIRTUAL TABLE names_fts USING fts5(norm, content='names', content_rowid='id',
  tokenize='trigram case_sensitive 1');
CREATE TRIGGER names_ai AFTER INSERT ON names BEGIN
  INSERT INTO names_fts(rowid, norm) VALUES (new.id, new.norm);
END;
CREATE TRIGGER names_ad AFTER DELETE ON names BEGIN
  INSERT INTO names_fts(names_fts, rowid, norm) VALUES ('delete', old.id, old.norm);
END;
CREATE TABLE players(id INTEGER PRIMARY KEY, guid TEXT, name INTEGER NOT NULL,
  address TEXT NOT NULL, first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL);
CREATE TABLE player_names(player INTEGER NOT NULL, name INTEGER NOT NULL,
  first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,
  PRIMARY KEY(player, name)) WITHOUT ROWID;
CREATE TABLE player_addresses(player INTEGER NOT NULL, address TEXT NOT NULL,
  first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,
  PRIMARY KEY(player, address)) WITHOUT ROWID;
CREATE TABLE sessions(player INTEGER NOT NULL, server INTEGER NOT NULL,
  first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,
  PRIMARY KEY(player, server, first_seen)) WITHOUT ROWID;
CREATE TABLE name_sessions(name INTEGER NOT NULL, server INTEGER NOT NULL,
  first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,
  PRIMARY KEY(name, server, first_seen)) WITHOUT ROWID;
CREATE TABLE watch(id INTEGER PRIMARY KEY, kind INTEGER NOT NULL, value BLOB NOT NULL,
  note BLOB NOT NULL, enabled INTEGER NOT NULL, silenced_until INTEGER NOT NULL,
  created INTEGER NOT NULL);
)sql";

constexpr const char* kIndexesV2 = R"sql(
CREATE UNIQUE INDEX players_guid ON players(guid) WHERE guid IS NOT NULL;
CREATE UNIQUE INDEX players_name_address ON players(name, address) WHERE guid IS NULL;
CREATE INDEX players_last_seen ON players(last_seen);
CREATE INDEX player_names_name ON player_names(name);
CREATE INDEX player_addresses_address ON player_addresses(address);
CREATE INDEX penalties_player ON penalties(player);
INSERT INTO meta(key, value) VALUES ('watch_version', 0);
)sql";

constexpr const char* kCommonTables = R"sql(
CREATE TABLE servers(id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, name BLOB NOT NULL);
CREATE TABLE penalties(id INTEGER PRIMARY KEY, time INTEGER NOT NULL, server INTEGER NOT NULL,
  player INTEGER, kind INTEGER NOT NULL, guid TEXT NOT NULL, name BLOB NOT NULL,
  address TEXT NOT NULL, outcome INTEGER NOT NULL, reason BLOB NOT NULL);
)sql";

// Version 1 to 2: the names move into their own table (raw and normalised),
// the players, names, addresses and sessions are copied into their new
// form, and the old tables go.
constexpr const char* kUpgrade1To2 = R"sql(
ALTER TABLE players RENAME TO players_v1;
ALTER TABLE player_names RENAME TO player_names_v1;
ALTER TABLE player_addresses RENAME TO player_addresses_v1;
ALTER TABLE sessions RENAME TO sessions_v1;
DROP INDEX IF EXISTS penalties_player;
)sql";

constexpr const char* kCopy1To2 = R"sql(
INSERT INTO names(raw, norm)
  SELECT raw, zelmora_norm(raw) FROM
    (SELECT name AS raw FROM player_names_v1 UNION SELECT name FROM players_v1);
INSERT INTO players(id, guid, name, address, first_seen, last_seen)
  SELECT p.id, CASE WHEN p.guid IN ('', '0') THEN NULL ELSE p.guid END, n.id, p.address,
         p.first_seen, p.last_seen
  FROM players_v1 p JOIN names n ON n.raw = p.name;
INSERT INTO player_names(player, name, first_seen, last_seen)
  SELECT pn.player, n.id, pn.first_seen, pn.last_seen
  FROM player_names_v1 pn JOIN names n ON n.raw = pn.name;
INSERT OR IGNORE INTO player_names(player, name, first_seen, last_seen)
  SELECT id, name, first_seen, last_seen FROM players;
INSERT INTO player_addresses(player, address, first_seen, last_seen)
  SELECT player, address, first_seen, last_seen FROM player_addresses_v1;
INSERT INTO sessions(player, server, first_seen, last_seen)
  SELECT player, server, first_seen, max(last_seen) FROM sessions_v1
  GROUP BY player, server, first_seen;
DROP TABLE players_v1;
DROP TABLE player_names_v1;
DROP TABLE player_addresses_v1;
DROP TABLE sessions_v1;
)sql";

void NormSqlFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const void* p = sqlite3_value_blob(argv[0]);
  const int n = sqlite3_value_bytes(argv[0]);
  const std::string norm =
      NormalizeName(p ? std::string_view(static_cast<const char*>(p), std::size_t(n)) : "");
  sqlite3_result_text64(ctx, norm.data(), norm.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

bool HasTables(SqliteDb& db) {
  return db.QueryInt("SELECT count(*) FROM sqlite_master") > 0;
}

// A file that is not ours, or is a newer program's, is left exactly as it
// is: not even its journal mode is changed.
SchemaState CheckVersion(SqliteDb& db, std::int64_t version) {
  if (version > kHistorySchemaVersion) return SchemaState::kNewerVersion;
  if (version == 0 && HasTables(db)) return SchemaState::kForeign;
  return SchemaState::kReady;
}

}  // namespace

void ConfigureConnection(SqliteDb& db) {
  const int rc = sqlite3_create_function_v2(db.handle(), "zelmora_norm", 1,
                                            SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                            nullptr, NormSqlFunction, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) db.Throw(rc);
  // WAL lets readers (the search, a second Zelmora) go on while one writes;
  // with it NORMAL loses at most the last commits at a power cut, never the
  // file.
  SqliteStmt mode(db, "PRAGMA journal_mode=WAL");
  mode.Step();
  db.Exec("PRAGMA synchronous=NORMAL; PRAGMA temp_store=MEMORY; PRAGMA cache_size=-8000");
}

SchemaState PrepareSchema(SqliteDb& db) {
  SchemaState state = CheckVersion(db, db.QueryInt("PRAGMA user_version"));
  if (state != SchemaState::kReady) return state;
  ConfigureConnection(db);
  // Two programs may start on a new file at once: the check and the
  // creation run under the write lock, the second one then finds it made.
  SqliteTransaction tx(db);
  const std::int64_t version = db.QueryInt("PRAGMA user_version");
  state = CheckVersion(db, version);
  if (state != SchemaState::kReady) return state;
  if (version == 0) {
    db.Exec(kCommonTables);
    db.Exec(kTablesV2);
    db.Exec(kIndexesV2);
  } else if (version == 1) {
    db.Exec(kUpgrade1To2);
    db.Exec(kTablesV2);
    db.Exec(kCopy1To2);
    db.Exec(kIndexesV2);
  }
  if (version != kHistorySchemaVersion)
    db.Exec("PRAGMA user_version=" + std::to_string(kHistorySchemaVersion));
  tx.Commit();
  return SchemaState::kReady;
}

}  // namespace zelmora
