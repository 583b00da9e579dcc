// About window "Über": name, version, logo, credits and the maker's links.
// Its version label is the one place that states the running version.
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

  // The running version: the text of Label2, the one place that states it.
  QString Version() const;

  // "OK".
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::TForm9> ui_;
};

}  // namespace zelmora
