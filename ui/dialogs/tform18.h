// GUID list window "Gespeicherte GUIDs": shows the remembered GUIDs, adds
// entries by hand or from an exchange file, exports, deletes and clears.
// Every change is made to the list in memory; Guids.dat is written by the
// main window at program end.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "core/guidlist.h"

namespace Ui {
class TForm18;
}

namespace zelmora {

class TForm18 : public QDialog {
  Q_OBJECT
 public:
  // Asks for a file; an empty text when cancelled.
  using FileChooser = std::function<QString(QWidget* parent)>;

  // list must outlive the window.
  explicit TForm18(Tguidlist& list, QWidget* parent = nullptr);
  ~TForm18() override;

  // The platform's file dialogs, without a file-type filter, unless replaced
  // (tests).
  void SetOpenChooser(FileChooser chooser) { openChooser_ = std::move(chooser); }
  void SetSaveChooser(FileChooser chooser) { saveChooser_ = std::move(chooser); }

  // Menu "GUIDListe" -> "Editieren ...": refills the list box and shows the
  // window modally.
  void Open();
  // One line per entry: GUID, blank, name; line i is entry i.
  void RefillList();

  void Button1Click();  // "Liste komplett leeren"
  void Button2Click();  // "GUIDs aus Datei hinzufügen"
  void Button3Click();  // "Liste nach Datei exportieren"
  void Button4Click();  // "Hinzufügen"
  void Button5Click();  // "Schließen"
  void Button6Click();  // "Selektierten Eintrag löschen"
  // "Beobachten" / "Nicht mehr beobachten" of the selected entry.
  void Button7Click();

  // The watch list of the player history, for "Beobachten": whether a GUID
  // is watched, and watching it (with the entry's name) or no more. Without
  // them the button stays off.
  struct WatchHooks {
    std::function<bool(const std::string& guid)> watched;
    std::function<void(const std::string& guid, const std::string& name, bool watch)> set;
  };
  void SetWatchHooks(WatchHooks hooks);

 private:
  // Caption and state of Button7 for the selected entry.
  void UpdateWatchButton();
  QString ChooseOpenFile();
  QString ChooseSaveFile();

  std::unique_ptr<Ui::TForm18> ui_;
  Tguidlist& list_;
  FileChooser openChooser_;
  FileChooser saveChooser_;
  WatchHooks watch_;
};

}  // namespace zelmora
