#include "ui/admin/operatorcommand.h"

#include <QLineEdit>
#include <QListWidget>

#include "ui/admin/admincommon.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"

namespace zelmora {

bool SendOperatorCommand(QWidget* parent, QueryEngine& engine, const BuiltCommand& command) {
  if (Refused(parent, command)) return false;
  return engine.SendRcon(command.line) == QueryEngine::SendResult::Sent;
}

std::string EditText(const QLineEdit* edit) {
  return ToCp1252(edit->text());
}

std::string EditText(const QLineEdit* edit, const ServerSession* server) {
  return TextForServer(server, edit->text());
}

void AddServerItem(QListWidget* list, const ServerSession* server, const std::string& bytes) {
  auto* item = new QListWidgetItem(ServerText(server, bytes), list);
  item->setData(Qt::UserRole, QByteArray::fromStdString(bytes));
}

std::optional<std::string> SelectedItemText(const QListWidget* list) {
  const QList<QListWidgetItem*> items = list->selectedItems();
  if (items.isEmpty()) return std::nullopt;
  const QVariant bytes = items.front()->data(Qt::UserRole);
  if (bytes.typeId() == QMetaType::QByteArray) return bytes.toByteArray().toStdString();
  return ToCp1252(items.front()->text());
}

}  // namespace zelmora
