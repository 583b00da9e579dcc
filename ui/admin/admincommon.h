// Small rules shared by the administration tabs.
#pragma once

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

}  // namespace zelmora
