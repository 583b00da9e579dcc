// Direct join: what starting the game client for a listed server needs
// besides the window: its command line, the executable by protocol, the
// free-slot rule and the name and password histories (names.txt and
// passes.txt in the data folder).
//
// Texts are 8-bit Windows-1252 strings, as the histories store them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/fileio.h"
#include "core/serverrec.h"
#include "core/settings.h"

namespace zelmora {

// The game client's command line:
//   +connect "<host>:<port>" +password "<password>" +name "<name>" <extra>
// with extra trimmed (TrimCtl). Nothing is escaped: a double quote inside the
// name or the password goes in unchanged, and the password is there (as "")
// also when empty. Without extra parameters the line ends in the blank after
// the name's closing quote.
std::string BuildJoinCommandLine(std::string_view host, std::string_view port,
                                 std::string_view password, std::string_view name,
                                 std::string_view extraParams);

// A public slot is free: players < maxclients - privateclients (computed in
// 64 bits, so absurd counts from a server cannot overflow).
bool HasFreeSlot(const Tserverrec& e);

// "players/maxclients", with "(privateclients)" appended when there are
// private slots: 18 players on 20 slots with 2 private ones read "18/20(2)".
std::string PlayerCountText(const Tserverrec& e);

// The executable for servers of a protocol, from its row of the paths table.
struct JoinExecutable {
  bool known = false;        // the protocol has a row; otherwise nothing is started
  std::string path;          // the row's path (may be empty or name no file)
  std::string_view version;  // the row's "VER2" text, e.g. "1.5"
};
JoinExecutable JoinExecutableFor(const Settings& s, std::uint8_t protocol);

// "Konnte Call of Duty <version> EXE nicht finden".
std::string MissingExecutableMessage(std::string_view version);

// --- Histories ---------------------------------------------------------------

inline constexpr const char* kNamesFile = "names.txt";
inline constexpr const char* kPassesFile = "passes.txt";

// The lines of a history file, oldest first. Lines end in CR LF (a lone CR
// or LF is accepted too, as files edited by hand may have them); a final
// line break does not add an empty entry, empty lines in between are kept.
std::vector<std::string> ParseHistory(std::string_view bytes);
// The file image: every entry followed by CR LF (an empty list is an empty
// file).
std::string HistoryFileBytes(const std::vector<std::string>& items);

// Records the use of text: removes every entry equal to text trimmed
// (TrimCtl; exact, case-sensitive), appends it as the newest and returns it.
// A text of blanks only becomes the empty entry.
std::string UseHistoryEntry(std::vector<std::string>& items, std::string_view text);

// One history as read at start. A missing file is an empty, writable
// history; a file that exists but cannot be read must not be replaced (the
// operator's list would be lost): readable is false and error says why.
struct HistoryFile {
  std::vector<std::string> items;
  bool readable = true;
  std::string error;  // path and the system's reason (UTF-8 on Linux)
};
HistoryFile LoadHistory(const std::string& path);
// Replaces the file atomically (temporary file and rename); a new file gets
// newMode (passes.txt holds join passwords: the owner's alone).
bool SaveHistory(const std::string& path, const std::vector<std::string>& items, std::string* error,
                 NewFileMode newMode = NewFileMode::kUsual);

}  // namespace zelmora
