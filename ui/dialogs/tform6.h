// "rcon Experteneinstellungen": edits the rcon profiles (rconcfg/*.rpf) and
// the weapon and vehicle lists (weaponcfg.txt, vehiclecfg.txt).
//
// The editors are the lists: the "Waffen/Fahrzeuge" tab reads its variable
// names from the weapon and vehicle editors. Choosing another profile saves
// the editor into the profile it was loaded from first. "OK" writes the
// weapon and vehicle files and the chosen profile and hands the profile
// list to the main window; closing in any other way writes nothing more.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QPlainTextEdit;

namespace Ui {
class TForm6;
}

namespace zelmora {

class TForm8;

class TForm6 : public QDialog {
  Q_OBJECT
 public:
  // dataDir: the folder of weaponcfg.txt and vehiclecfg.txt; profileDir:
  // the rconcfg folder; both with their trailing separator.
  TForm6(QString dataDir, QString profileDir, QWidget* parent = nullptr);
  ~TForm6() override;

  // Fills the profile box and loads the weapon and vehicle editors (missing
  // files give empty editors). Runs once, at program start.
  void FormCreate();
  void SetNewProfileDialog(TForm8* dialog) { form8_ = dialog; }
  // Receives the profile list at "OK".
  void SetProfileListReceiver(std::function<void(const QStringList&)> fn) {
    onProfileList_ = std::move(fn);
  }

  QStringList ProfileItems() const;
  // The variable names: the non-empty lines of the editors, verbatim.
  std::vector<std::string> WeaponList() const;
  std::vector<std::string> VehicleList() const;

  // The profile box again from the folder listing; nothing chosen.
  void FillProfileBox();
  void ComboBox1Change(int index);  // a profile chosen
  void Button2Click();              // Neue Konfig anlegen
  void Button3Click();              // Konfig löschen
  void Button1Click();              // OK

  const QString& RememberedProfilePath() const { return profilePath_; }
  QComboBox* ComboBox1() const;
  QPlainTextEdit* Memo1() const;  // profile
  QPlainTextEdit* Memo2() const;  // weapons
  QPlainTextEdit* Memo3() const;  // vehicles

 private:
  bool LoadEditor(QPlainTextEdit* editor, const QString& path);
  bool SaveEditor(const QPlainTextEdit* editor, const QString& path);

  std::unique_ptr<Ui::TForm6> ui;
  QString dataDir_;
  QString profileDir_;
  QString profilePath_;
  TForm8* form8_ = nullptr;
  std::function<void(const QStringList&)> onProfileList_;
};

}  // namespace zelmora
