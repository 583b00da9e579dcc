// Sending a command line that carries text of the operator (a message, a map
// or file name picked from a list, a console line, a password).
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "engine/queryengine.h"
#include "protocol/commands.h"

class QLineEdit;
class QListWidget;
class QWidget;

namespace zelmora {

// Sends a built command over the selected server's query channel (with its
// pause) unless the rule refused it: then the operator is told why (message
// over parent) and nothing is sent. True when it was put in line. A failed
// send is not reported: the network paths tell the operator nothing.
bool SendOperatorCommand(QWidget* parent, QueryEngine& engine, const BuiltCommand& command);

// The text of a line edit as an 8-bit string of the program's own
// (Windows-1252: numbers, names of the program's files).
std::string EditText(const QLineEdit* edit);
// The text of a line edit as the bytes that go on the wire to server, in
// its encoding.
std::string EditText(const QLineEdit* edit, const ServerSession* server);

// An item of a list the server sent (maps, configuration files): shown as
// read in its encoding, and keeping the server's own bytes, which go back to
// it unchanged.
void AddServerItem(QListWidget* list, const ServerSession* server, const std::string& bytes);

// The server's bytes of the selected item of a list box (the text in
// Windows-1252 for an item that has none), or no value when none is
// selected.
std::optional<std::string> SelectedItemText(const QListWidget* list);

}  // namespace zelmora
