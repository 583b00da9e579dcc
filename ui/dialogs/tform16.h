// "Serverpasswort": sets or clears the join password (g_password) on the
// selected server. What the buttons send is wired by the main window; the
// dialog stays open after each.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "core/serverrec.h"

namespace Ui {
class TForm16;
}

namespace zelmora {

class TForm16 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm16(QWidget* parent = nullptr);
  ~TForm16() override;

  // "Setzen" with the field's text (8-bit), "Passwort löschen".
  std::function<void(const std::string& password)> onSetPassword;
  std::function<void()> onClearPassword;

  // Shows the server's name without colour codes and empties the field.
  void Prepare(const Tserverrec& e);
  // Prepare, then shown modally.
  void Open(const Tserverrec& e);

  void Button1Click();  // "Setzen"
  void Button2Click();  // "Passwort löschen (...)"
  void Button3Click();  // "OK": closes

 private:
  std::unique_ptr<Ui::TForm16> ui_;
};

}  // namespace zelmora
