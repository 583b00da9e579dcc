// "Befehl an mehrere Server": one command to the servers checked in
// ServerChecks (pre-checked with the list's marked rows), each through its
// own server's line (engine/rconbatch.h), and a table of what became of it
// on each (ResultGrid). A click on a row shows that server's whole output.
//
// A command that changes servers a lot (a map change, a kick or ban, quit)
// asks once before it goes to more than one server; "Abbrechen" drops what
// has not left yet. The window never waits: the rows follow the batch.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "engine/rconbatch.h"
#include "ui/main/detailgrids.h"
#include "ui/main/multicommandtext.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace zelmora {

class DrawGrid;
class ResultModel;

class MultiCommand : public QDialog {
  Q_OBJECT

 public:
  using Uid = std::uint64_t;
  // How many commands CommandEdit remembers.
  static constexpr int kHistory = 30;

  MultiCommand(QueryEngine& engine, std::function<const Settings&()> settings,
               QWidget* parent = nullptr);
  ~MultiCommand() override;

  // Shows the window (not modal) with every listed server in ServerChecks,
  // these checked.
  void Open(const std::vector<Uid>& checked);

  // The checked servers, in list order.
  std::vector<Uid> CheckedServers() const;
  void SetChecked(const std::vector<Uid>& uids);

  // "Senden": builds each checked server's line (a refusal is told, and
  // nothing is sent), asks first where the command calls for it, then
  // starts the batch. True when it started.
  bool SendButtonClick();
  // "Abbrechen": what has not left yet is dropped.
  void CancelButtonClick();
  // A click on a row of ResultGrid (grid row): its whole output below.
  void ShowOutput(int row);

  const RconBatch* Batch() const { return batch_.get(); }
  ResultModel& Results() { return *model_; }
  int ShownRow() const { return shownRow_; }

  QListWidget* ServerChecks = nullptr;
  QPushButton* AllButton = nullptr;   // "Alle"
  QPushButton* NoneButton = nullptr;  // "Keine"
  QComboBox* QuickBox = nullptr;
  QComboBox* CommandEdit = nullptr;  // editable, with its history
  QLineEdit* ValueEdit = nullptr;    // the value of a variable write
  QPushButton* SendButton = nullptr;
  QPushButton* CancelButton = nullptr;  // "Abbrechen"
  DrawGrid* ResultGrid = nullptr;
  QLabel* SummaryLabel = nullptr;
  QLabel* OutputLabel = nullptr;
  QPlainTextEdit* OutputView = nullptr;

 private:
  void BuildWidgets();
  void LayOut();
  void Wire();
  void FillServerChecks();
  void QuickChanged();
  void RowChanged(int index);
  void BatchDone();
  void ShowSummary();
  void Remember(const QString& text);

  QueryEngine& engine_;
  std::function<const Settings&()> settings_;
  ResultModel* model_ = nullptr;
  DetailGridsPainter painter_;
  std::unique_ptr<RconBatch> batch_;
  int shownRow_ = 0;
};

}  // namespace zelmora
