#include "ui/admin/operatorcommand.h"

#include <QLineEdit>
#include <QListWidget>

#include "ui/admin/admincommon.h"
#include "ui/dialogs/cp1252.h"

namespace zelmora {

bool SendOperatorCommand(QWidget* parent, QueryEngine& engine, const BuiltCommand& command) {
  if (Refused(parent, command)) return false;
  return engine.SendRcon(command.line) == QueryEngine::SendResult::Sent;
}

std::string EditText(const QLineEdit* edit) {
  return ToCp1252(edit->text());
}

std::optional<std::string> SelectedItemText(const QListWidget* list) {
  const QList<QListWidgetItem*> items = list->selectedItems();
  if (items.isEmpty()) return std::nullopt;
  return ToCp1252(items.front()->text());
}

}  // namespace zelmora
