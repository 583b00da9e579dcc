#include "ui/admin/passwords.h"

#include "protocol/commands.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/messages.h"

namespace zelmora {

void SetJoinPassword(QWidget* parent, QueryEngine& engine, std::string_view password) {
  if (password.find('"') != std::string_view::npos) {
    ShowMessage(parent, QStringLiteral("Das Passwort darf kein Anführungszeichen (\") enthalten."));
    return;
  }
  SendOperatorCommand(parent, engine, CmdSetJoinPassword(password));
}

void ClearJoinPassword(QueryEngine& engine) {
  engine.SendRcon(CmdClearJoinPassword());
}

bool ChangeRconPassword(QWidget* parent, AppState& state, std::string_view password) {
  if (!CheckCommandText(parent, password)) return false;
  if (!state.SelectedValid()) return true;
  state.serverlist[static_cast<std::size_t>(state.selected)].rconpass.assign(password);
  return true;
}

}  // namespace zelmora
