#include "ui/dialogs/protectedfiles.h"

#include <QString>

#include "ui/dialogs/messages.h"

namespace zelmora {

namespace {
bool Protected(QWidget* parent, SavedFiles& files, SavedFiles::File file, bool unreadable,
               const char* name, const char* list) {
  if (!unreadable) return false;
  if (files.TellOnce(file)) {
    ShowMessage(parent, QStringLiteral("%1 konnte beim Programmstart nicht gelesen werden und wird "
                                       "nicht überschrieben. Änderungen an der %2 werden nicht "
                                       "gespeichert.")
                            .arg(QLatin1String(name), QString::fromUtf8(list)));
  }
  return true;
}
}  // namespace

bool ServersFileProtected(QWidget* parent, SavedFiles& files) {
  return Protected(parent, files, SavedFiles::File::Servers, files.ServersProtected(),
                   "Servers.dat", "Serverliste");
}

bool GuidsFileProtected(QWidget* parent, SavedFiles& files) {
  return Protected(parent, files, SavedFiles::File::Guids, files.GuidsProtected(), "Guids.dat",
                   "GUID-Liste");
}

}  // namespace zelmora
