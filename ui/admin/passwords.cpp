#include "ui/admin/passwords.h"

#include "protocol/commands.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/messages.h"

namespace zelmora {

void SetJoinPassword(QWidget* parent, QueryEngine& engine, std::string_view password) {
  SendOperatorCommand(parent, engine, BuildSetJoinPassword(password));
}

void ClearJoinPassword(QueryEngine& engine) {
  engine.SendRcon(CmdClearJoinPassword());
}

bool ChangeRconPassword(QWidget* parent, QueryEngine& engine, std::string_view password) {
  if (const std::string why = PasswordProblem(password); !why.empty()) {
    ShowMessage(parent, QString::fromStdString(why));
    return false;
  }
  const std::uint64_t uid = engine.Selected().SelectedUid();
  if (uid != 0) engine.List().SetRconPassword(uid, password);
  return true;
}

}  // namespace zelmora
