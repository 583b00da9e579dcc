// "rcon Password ändern": the rcon password Zelmora keeps for the selected
// server (nothing is sent to the server). What OK does with the text is
// wired by the main window.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "core/serverrec.h"

namespace Ui {
class TForm17;
}

namespace zelmora {

class TForm17 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm17(QWidget* parent = nullptr);
  ~TForm17() override;

  // OK with the field's text (8-bit); false keeps the dialog open.
  std::function<bool(const std::string& password)> onAccept;

  // Shows the server's name without colour codes and its rcon password.
  void Prepare(const Tserverrec& e);
  // Prepare, then shown modally; true when closed with OK.
  bool Open(const Tserverrec& e);

  void Button1Click();  // "OK"

 private:
  std::unique_ptr<Ui::TForm17> ui_;
};

}  // namespace zelmora
