// The record of penalties: reading it back and its CSV form.
//
// The CSV is what German spreadsheet programs open without asking: fields
// separated by ';', lines ended by CR LF, a field that holds ';', '"', CR or
// LF in double quotes with its quotes doubled. Game texts are 8-bit and are
// written as their bytes, and so are the file's own words (Windows-1252). A
// field that a spreadsheet would take for a formula (it starts with '=',
// '+', '-', '@', a tab or a CR) gets a leading apostrophe: a player's name
// must never run as a formula on the operator's machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "history/historytypes.h"
#include "history/sqlitedb.h"

namespace zelmora {

// The penalties of one player (playerId 0: all of them), oldest first.
std::vector<PenaltyRow> LoadPenalties(SqliteDb& db, std::int64_t playerId);

// The words of the CSV and of the penalty list (Windows-1252 bytes).
std::string PenaltyKindText(PenaltyKind kind);
std::string PenaltyOutcomeText(PenaltyOutcome outcome);

// One CSV field as described above.
std::string CsvField(std::string_view value);

// The file: a header line, then one line per penalty with the time as
// local "TT.MM.JJJJ hh:mm:ss".
std::string PenaltiesCsv(const std::vector<PenaltyRow>& rows);

// Local date and time of a moment, "TT.MM.JJJJ hh:mm:ss".
std::string LocalTimeText(std::int64_t time);

}  // namespace zelmora
