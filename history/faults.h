// What can go wrong with Spieler.sqlite, and what the operator is told.
//
// None of it stops the program: a locked, read-only or full database, or
// one written by a newer program, leaves the history off for this run; a
// damaged file is moved aside (never deleted) and a new history begins.
#pragma once

#include <cstdint>
#include <string>

#include "history/historytypes.h"
#include "history/sqlitedb.h"

namespace zelmora {

inline constexpr const char* kHistoryFileName = "Spieler.sqlite";

HistoryFaultKind FaultKindOf(const SqliteError& e);
// The reason in German words for the message (the library's own text where
// there is none).
std::string FaultDetail(const SqliteError& e);

// The German text (UTF-8) for a fault. path: the database; detail: the
// library's own words (shown in brackets where they help); movedTo: where
// a damaged file went (empty: it could not be moved).
std::string FaultMessage(HistoryFaultKind kind, const std::string& path, const std::string& detail,
                         const std::string& movedTo);

// "Verlauf löschen" could not run: another program held the lock.
std::string ClearLockedMessage(const std::string& path);

// Whether the file is shorter than its own header says, i.e. it was cut
// (copied in part, or its end lost). Only asked when no write-ahead log is
// there: a log being checkpointed may legally still hold the file's end.
bool DatabaseFileCut(const std::string& path);

// Moves the database and its log and shared-memory files to
// "<path>.defekt-<JJJJ-MM-TT>" ("-2", "-3", ... when that is taken).
// Returns the new path of the database, or "" with *error set.
std::string MoveDamagedAside(const std::string& path, std::int64_t now, std::string* error);

}  // namespace zelmora
