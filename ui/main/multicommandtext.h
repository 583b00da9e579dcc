// What the window "Befehl an mehrere Server" sends: the command line built
// for each server from what the operator typed or chose, in that server's
// encoding, and which commands ask before they go to several servers.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "core/serverencoding.h"
#include "protocol/commands.h"

namespace zelmora {

// The quick choices of QuickBox, in its order.
enum class QuickChoice { Raw, Say, MapRestart, FastRestart, MapRotate, Exec, SetVar };
inline constexpr int kQuickChoices = 7;
// Their texts in QuickBox.
QString QuickChoiceText(QuickChoice choice);
// Whether the choice takes the command field (text, file or variable name)
// and the value field.
bool TakesText(QuickChoice choice);
bool TakesValue(QuickChoice choice);

struct MultiCommandInput {
  QuickChoice choice = QuickChoice::Raw;
  QString text;   // the command field
  QString value;  // the value field (a variable write)
};

// The line for one server: typed text in the server's encoding, through the
// quoting rule (protocol/commands.h) where it is a message, a name or a
// value; a raw line goes as typed. A refusal carries the German reason.
BuiltCommand BuildForServer(const MultiCommandInput& input, TextEncoding encoding,
                            bool serverSpeaksUtf8);

// Whether a line changes a server so much (a map change or rotation, a
// kick or ban, the server's end) that it asks once before it goes to more
// than one server: any of its commands (split at ";" outside quotes)
// starts with map, devmap, map_rotate or quit, or with a word holding kick
// or ban (clientkick, banclient, tempbanuser, ...).
bool AsksFirst(std::string_view line);

}  // namespace zelmora
