#include "ui/admin/admincommon.h"

#include "core/serverfile.h"
#include "ui/dialogs/messages.h"

namespace zelmora {

const Tserverrec* UsableServer(const QueryEngine& engine) {
  const Tserverrec* e = engine.Selected().Entry();
  return e && !e->rconpass.empty() && StoredPasswordProblem(*e).empty() ? e : nullptr;
}

bool Refused(QWidget* parent, const BuiltCommand& command) {
  if (command.ok()) return false;
  ShowMessage(parent, QString::fromStdString(command.problem));
  return true;
}

bool CheckConsoleLine(QWidget* parent, std::string_view line) {
  if (line.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos) return true;
  ShowMessage(parent, QStringLiteral("Der Text enthält einen Zeilenumbruch oder ein Nullzeichen "
                                     "und wird nicht gesendet."));
  return false;
}

}  // namespace zelmora
