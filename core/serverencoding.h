// The text encoding of one server's game texts: names, map names, variables
// and console output come as 8-bit bytes, Windows-1252 from the old servers
// and UTF-8 from newer mods. The operator chooses per server; "automatic"
// decides per text.
//
// The choice is kept in the entry's spare field (string[250] at offset 1782,
// which other programs never use and carry along with the record), as an
// item "enc=utf8" or "enc=cp1252" among ";"-separated items; no item means
// automatic. Whatever else the field holds stays as it was.
//
// Bytes stay bytes everywhere; they are decoded only to be shown (the
// windows, ui/dialogs/cp1252.h) or printed, and text typed for a server is
// encoded with its choice right before it goes into a command.
#pragma once

#include <string>
#include <string_view>

#include "core/serverrec.h"

namespace zelmora {

enum class TextEncoding { Automatic, Cp1252, Utf8 };

// The item kept in the spare field for a choice ("" for automatic).
std::string_view EncodingItem(TextEncoding encoding);

TextEncoding EncodingOf(const Tserverrec& e);
// Keeps the choice in e.spare. Other items of the field stay; when they
// leave no room, the field holds the choice alone.
void SetEncoding(Tserverrec& e, TextEncoding encoding);

// Whether these bytes of a server are read as UTF-8: always with UTF-8,
// never with Windows-1252; automatically when they are valid UTF-8 holding
// at least one multi-byte sequence (plain ASCII reads the same either way).
bool ReadsAsUtf8(std::string_view bytes, TextEncoding encoding);

// A server's bytes as UTF-8 (for printing). Bytes that are no UTF-8 under
// an explicit UTF-8 choice become U+FFFD.
std::string GameTextToUtf8(std::string_view bytes, TextEncoding encoding);

// Whether every character of a UTF-8 text has a Windows-1252 byte.
bool FitsCp1252(std::string_view utf8);

// Text the operator typed (UTF-8) as the bytes for a server: UTF-8 for a
// UTF-8 server, Windows-1252 for the old ones ('?' for what it cannot
// express). Automatic: UTF-8 when the server was last seen speaking UTF-8
// (serverSpeaksUtf8) or when the text does not fit Windows-1252, else
// Windows-1252, which every server of the family reads.
std::string Utf8ToGameText(std::string_view utf8, TextEncoding encoding,
                           bool serverSpeaksUtf8 = false);

}  // namespace zelmora
