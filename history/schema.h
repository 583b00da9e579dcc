// The layout of Spieler.sqlite and its upgrades.
//
// Version 1 kept every name inline in the player tables and had no search
// column; version 2 keeps each distinct name once (raw and normalised, with
// a trigram index for the search), the names seen in getstatus replies, the
// watch list, and sessions as one compact table keyed by player, server and
// start. A file is upgraded in one transaction when it is opened.
#pragma once

#include <cstdint>

#include "history/sqlitedb.h"

namespace zelmora {

inline constexpr std::int64_t kHistorySchemaVersion = 2;

// How the file's schema was found.
enum class SchemaState {
  kReady,         // created, upgraded or already current
  kNewerVersion,  // a newer program wrote it: left untouched
  kForeign,       // a database, but not ours
};

// Sets the connection's options (WAL, synchronous, the normalising SQL
// function zelmora_norm) and brings the schema to the current version.
// Throws SqliteError (locked, read-only, damaged, full).
SchemaState PrepareSchema(SqliteDb& db);

// Connection options every connection of the history needs (also readers).
void ConfigureConnection(SqliteDb& db);

}  // namespace zelmora
