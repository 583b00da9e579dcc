// Small rules shared by the administration tabs.
#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

#include "core/serverrec.h"
#include "engine/appstate.h"

class QWidget;

namespace zelmora {

// The selected entry when it may be administered (a server is selected and
// an rcon password is stored for it), else nullptr.
const Tserverrec* UsableServer(const AppState& state);

// Texts typed by the operator go into an rcon command line. A line break
// inside one would end the command there and start a second one on the
// server, and a NUL byte cuts it; such a text is refused with a German
// message (shown over parent) and false is returned.
bool CheckCommandText(QWidget* parent, std::string_view text);

// The same test without the message.
bool IsSafeCommandText(std::string_view text);

// A value Zelmora puts between double quotes (set name "value"): a double
// quote inside would end the value there and let the rest run as commands
// on the server. Refused with a German message, as line breaks are.
bool CheckQuotedValue(QWidget* parent, std::string_view value);
bool IsSafeQuotedValue(std::string_view value);

// " (Server <name>)" for notices about a server that is not the selected one.
QString ServerSuffix(const AppState& state, std::uint64_t server);

}  // namespace zelmora
