// Colour-code window "Farbcodes": a reference card of the game's colour
// codes, opened beside the join dialog and left open as long as wanted.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TForm11;
}

namespace zelmora {

class TForm11 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm11(QWidget* parent = nullptr);
  ~TForm11() override;

  // Shows the window without blocking (the join dialog stays usable) and
  // brings it to the front when it is open already.
  void ShowColorCodes();

 private:
  std::unique_ptr<Ui::TForm11> ui_;
};

}  // namespace zelmora
