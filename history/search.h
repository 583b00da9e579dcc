// The search of the player history: one text, tried as a GUID, as an
// address or the start of one, and as a part of a name (colour codes and
// case ignored).
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "history/historytypes.h"
#include "history/sqlitedb.h"

namespace zelmora {

// Rows in this order: players with that exact GUID, players seen from an
// address starting with the text (digits and dots only), players and
// getstatus-only names whose name contains the text; within each group the
// most recently seen first. At most limit rows. An empty text lists the
// players seen last.
//
// A name of three or more characters is looked up in the trigram index;
// shorter ones scan the names. A name that matches very many names is taken
// from the most recently added ones.
std::vector<PlayerSummary> SearchPlayers(SqliteDb& db, std::string_view text, std::size_t limit);

}  // namespace zelmora
