// A server's texts in the windows: read in the encoding chosen for the
// server (core/serverencoding.h), and text typed for it written in it.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "core/serverencoding.h"
#include "core/serverrec.h"

namespace zelmora {

class ServerSession;

// The entry's choice; automatic without an entry.
TextEncoding EncodingOfServer(const Tserverrec* e);
TextEncoding EncodingOfServer(const ServerSession* session);

// Whether the server was last seen speaking UTF-8: chosen so, or, chosen
// automatically, a text of its last status (its name, a variable, a
// player's name) was UTF-8.
bool SpeaksUtf8(const ServerSession* session);

// The server's bytes for the screen.
QString ServerText(const ServerSession* session, std::string_view bytes);
// Text typed for the server as the bytes of its command.
std::string TextForServer(const ServerSession* session, const QString& typed);

// The text without colour codes: every "^" but a last one goes together
// with the character after it, then every carriage return. The same rule
// as for bytes, taken per character, so that a code before a letter of
// several bytes takes the whole letter.
QString WithoutColorCodes(const QString& text);

}  // namespace zelmora
