// About window "Über": name, version, logo, credits, licence and the maker's
// links. Its version label shows the running version (zelmora_version.h,
// made from the version set in CMake); the version check window reads it
// from here.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class TForm9;
}

namespace zelmora {

class TForm9 : public QDialog {
  Q_OBJECT
 public:
  // parent: the main window, on which the window is centred when shown.
  explicit TForm9(QWidget* parent = nullptr);
  ~TForm9() override;

  // The running version: the text of Label2.
  QString Version() const;

  // "OK".
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::TForm9> ui_;
};

}  // namespace zelmora
