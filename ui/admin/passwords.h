// What the two password dialogs do: the join password on the server
// ("Serverpasswort", g_password) and the rcon password Zelmora keeps for the
// selected server.
#pragma once

#include <string_view>

#include "engine/queryengine.h"

class QWidget;

namespace zelmora {

// "Setzen": g_password "<password>" over the query channel. A password with
// a line break, a NUL byte or a double quote (which would end the quoted
// value early and set a different password than the one typed) is refused
// with a message over parent. An empty password clears it.
void SetJoinPassword(QWidget* parent, QueryEngine& engine, std::string_view password);
// "Passwort löschen": g_password "".
void ClearJoinPassword(QueryEngine& engine);

// OK of the rcon password dialog: the text, cut to 250 characters, becomes
// the selected entry's rcon password (empty: none, and with it no
// administration of that server). Nothing is sent. A text with a line break
// or a NUL byte is refused with a message over parent (false: the dialog
// stays open); true otherwise, also when no server is selected.
bool ChangeRconPassword(QWidget* parent, QueryEngine& engine, std::string_view password);

}  // namespace zelmora
