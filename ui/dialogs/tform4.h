// Server dialog "Servereinstellungen": adds a server to the list or changes
// the selected one. The texts stay in the fields between uses.
#pragma once

#include <QDialog>

#include <string>

#include "core/savedfiles.h"
#include "engine/selection.h"
#include "engine/serverlist.h"
#include "geo/ranges.h"
#include "ui/dialogs/serverlistops.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelmora {

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  // files: where the list is saved after every change; ranges: the country
  // table of the provider text. All must outlive the dialog.
  TForm4(ServerList& list, Selection& selection, SavedFiles& files, const RangeTable& ranges,
         QWidget* parent = nullptr);

  void SetLookups(NameLookups lookups) { lookups_ = std::move(lookups); }

  // Edit flag and the entry being edited (shared with the main window's
  // menu commands).
  bool editMode = false;
  std::uint64_t editUid = 0;

  // "Server hinzufügen": clears the edit flag and sets the encoding to
  // "Automatisch". The caller then shows the dialog modally (exec).
  void BeginAdd();
  // "Server editieren": with a valid selection puts its host, port, rcon
  // password and encoding into the fields and sets the edit flag; false
  // (nothing changed) otherwise.
  bool BeginEdit();

  // Menu commands in full: prepare and show modally.
  void AddServerClick();
  void EditServerClick();

  // OK: resolves the host (off the window's thread; the operator may
  // cancel), stores a typed name only when the resolver does not know it,
  // rejects duplicates with
  // "Server schon vorhanden!" (the dialog stays open), adds a new entry at
  // the end of the list or changes the edited one where it stands (same
  // row, same selection, what waits for it stays with it), resets every
  // entry's status, saves Servers.dat and closes.
  void Button2Click();
  // Abbruch: closes, nothing changes.
  void Button1Click();
  // Host field changed: "host:port" is split at the first ":"; the port
  // field gets up to 9 characters after it.
  void Edit1Change(const QString& text);

  QLineEdit* Edit1 = nullptr;  // "IP"
  QLineEdit* Edit2 = nullptr;  // "Port:"
  QLineEdit* Edit3 = nullptr;  // "rcon Passwort:"
  // "Zeichensatz:": how the server's texts are read and typed text is
  // written for it ("Automatisch", "Windows-1252", "UTF-8").
  QComboBox* EncodingBox = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Key released in the host field: ":" (Shift + period on a German
  // keyboard) moves to the port field with its text selected. The ":" itself
  // was already taken out by Edit1Change; no character the operator typed
  // before it is removed.
  void Edit1KeyUp(int key, Qt::KeyboardModifiers modifiers);

  ServerList& list_;
  Selection& selection_;
  SavedFiles& files_;
  const RangeTable& ranges_;
  NameLookups lookups_;
};

}  // namespace zelmora
