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

bool ChangeRconPassword(QWidget* parent, QueryEngine& engine, std::string_view password) {
  if (!CheckCommandText(parent, password)) return false;
  const std::uint64_t uid = engine.Selected().SelectedUid();
  if (uid != 0) engine.List().SetRconPassword(uid, password);
  return true;
}

}  // namespace zelmora
