// How the game's console reads a command line, without any server state: the
// request line of a datagram, the rcon password and command, the cut into
// commands and the words of one command. Plain C++ with no other dependency,
// so the fuzz targets can hold Zelmora's command lines against it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora::testing {

// The part of a request the game reads: up to its first line feed or NUL.
std::string_view RequestLine(std::string_view text);

// Splits a command line into words the way the game's console does: blanks
// and control characters separate, double quotes group (and are removed; an
// unterminated quote runs to the end), an empty pair of quotes is an empty
// word. Outside quotes "//" starts a comment that runs to the end of the line
// and "/*" one that runs to the next "*/"; both also end a word.
std::vector<std::string> TokenizeCommand(std::string_view line);

// Words from index `from` on, joined with single blanks.
std::string JoinArgs(const std::vector<std::string>& words, size_t from);

// Splits the text of an rcon request (after the word "rcon") into password
// and command like the game: the password is the first word, quoted or not;
// the command is everything after it, surrounding blanks and line ends removed.
void SplitRcon(std::string_view rest, std::string& password, std::string& command);

// The game's command buffer runs one line as several commands: it cuts the
// line at every ";" outside double quotes and at every CR and LF, inside
// quotes too. Pieces are trimmed; empty ones are left out. A line without
// such a cut is the one command as it is.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace zelmora::testing
