// "Userkonfiguration anlegen": creates a new, empty rcon profile
// rconcfg/<name>.rpf. The expert settings window opens it and refills its
// profile box afterwards.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

namespace Ui {
class TForm8;
}

namespace zelmora {

class TForm8 : public QDialog {
  Q_OBJECT
 public:
  // profileDir: the rconcfg folder with its trailing separator.
  explicit TForm8(QString profileDir, QWidget* parent = nullptr);
  ~TForm8() override;

  // Runs after every "Anlegen" (created or not): the expert window refills
  // its profile box.
  void SetOnListChanged(std::function<void()> fn) { onListChanged_ = std::move(fn); }

  // "Anlegen": an empty file <name>.rpf, unless one of that name exists
  // ("Name existiert bereits", the dialog stays open). A name that would
  // lead out of the profile folder is refused. An empty name gives ".rpf".
  void Button1Click();
  // "Abbrechen": closes; the name stays for the next opening.
  void Button2Click();

  // True when name may become a file name in the profile folder: no path
  // separator, no drive or stream colon, no "..".
  static bool IsPlainProfileName(const QString& name);

 private:
  std::unique_ptr<Ui::TForm8> ui;
  QString profileDir_;
  std::function<void()> onListChanged_;
};

}  // namespace zelmora
