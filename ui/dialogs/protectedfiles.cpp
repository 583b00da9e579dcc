#include "ui/dialogs/protectedfiles.h"

#include <QString>

#include "ui/dialogs/messages.h"

namespace zelmora {

namespace {
bool Protected(QWidget* parent, bool unreadable, bool& told, const char* file, const char* list) {
  if (!unreadable) return false;
  if (!told) {
    told = true;
    ShowMessage(parent, QStringLiteral("%1 konnte beim Programmstart nicht gelesen werden und wird "
                                       "nicht überschrieben. Änderungen an der %2 werden nicht "
                                       "gespeichert.")
                            .arg(QLatin1String(file), QString::fromUtf8(list)));
  }
  return true;
}
}  // namespace

bool ServersFileProtected(QWidget* parent, AppState& state) {
  return Protected(parent, state.serversUnreadable, state.serversUnreadableTold, "Servers.dat",
                   "Serverliste");
}

bool GuidsFileProtected(QWidget* parent, AppState& state) {
  return Protected(parent, state.guidsUnreadable, state.guidsUnreadableTold, "Guids.dat",
                   "GUID-Liste");
}

}  // namespace zelmora
