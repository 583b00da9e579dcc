// Settings window "Einstellungen".
//
// Every option lives in the SettingsStore; the window shows it and writes
// each change of a control into the store at once, so readers on any thread
// see the change at their next use. A few options act on the main window at
// once (chart, ping axis, periodic queries, look); all others take effect
// when their reader next asks for them.
//
// Lifetime: created hidden at program start; FormCreate loads config.ini,
// completes it, fills the controls and applies the options to the main
// window. The destructor writes every option back to config.ini.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "core/registry.h"
#include "core/settings.h"
#include "ui/dialogs/mainwindowhooks.h"

class QButtonGroup;

namespace Ui {
class TForm3;
}

namespace zelmora {

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  // Asks the operator for an executable; current is the path shown so far.
  // Returns the chosen file or an empty text when cancelled.
  using ExecutableChooser = std::function<QString(QWidget* parent, const QString& current)>;

  // hooks may be null (nothing is applied to a main window then).
  TForm3(SettingsStore& store, MainWindowHooks* hooks, QWidget* parent = nullptr);
  ~TForm3() override;

  // Program start: reads config.ini at iniPath with the defaults and writes
  // every key straight back, fills empty executable paths from installed,
  // sets the controls, switches the look, then applies chart axis, start
  // query, periodic queries and chart layout to the main window, in this
  // order. A value that is not an integer shows the conversion message and
  // stops applying at that point.
  void FormCreate(const std::string& iniPath, const GameExecutables& installed);
  // The same with DataPath("config.ini") and the executables found in the
  // registry.
  void FormCreate();

  void SetExecutableChooser(ExecutableChooser chooser) { chooser_ = std::move(chooser); }

  // Double click on the paths table: choose the executable of the selected
  // row.
  void StringGrid1DblClick();
  // "Schließen": applies the periodic query options, then closes. When an
  // interval is not an integer the message is shown and the window stays.
  void Button2Click();
  // "Verlauf löschen": asks first, then the main window clears the player
  // history.
  void Button3Click();

  // The size the window was designed for (the options without scrolling).
  QSize DesignedSize() const { return designedSize_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void PutOptionsInScrollArea();
  QSize designedSize_;
  void SetUpPathsTable();
  void SetUpInfoIcons();
  void ConnectControls();
  void FillControls(const Settings& s);
  void StoreChanged();
  bool ApplyToMainWindow();
  void ApplyChartAxis(bool reportError);
  // Writes a change of one control into the store (not while filling).
  void Write(const std::function<void(Settings&)>& change);

  SettingsStore& store_;
  MainWindowHooks* hooks_;
  std::unique_ptr<Ui::TForm3> ui_;
  QButtonGroup* joinGroup_ = nullptr;
  QButtonGroup* kickBanGroup_ = nullptr;  // RadioGroup1
  QButtonGroup* kickGroup_ = nullptr;     // RadioGroup2
  ExecutableChooser chooser_;
  SettingsStore::ObserverId observer_ = 0;
  std::string iniPath_;
  bool created_ = false;
  bool filling_ = false;
};

}  // namespace zelmora
