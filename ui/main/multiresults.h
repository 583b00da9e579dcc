// The outcome table of "Befehl an mehrere Server" (ResultGrid): one row per
// server with its name, when its command left, when its answer came, the
// first line of the answer and the state. Like the other grids, the model
// says everything about a cell and the painter draws from its roles.
#pragma once

#include <QColor>
#include <QString>

#include <functional>

#include "engine/queryengine.h"
#include "engine/rconbatch.h"
#include "ui/main/gridmodels.h"

namespace zelmora {

enum class ResultColumn { Server, Sent, Answered, Output, State };
inline constexpr int kResultColumns = 5;
inline constexpr int kResultWidths[kResultColumns] = {220, 90, 90, 330, 150};

// The colour of a state: green when carried out, red when it failed, an
// orange while a limiter holds it back; none while it simply waits.
QColor StateColor(RconBatch::State state);
// "12:03:04.250", "" for an invalid time.
QString TimeText(const QDateTime& at);

class ResultModel final : public DrawGridModel {
  Q_OBJECT
 public:
  // batch: the batch shown (nullptr: none); highlighted: the row whose
  // output is shown (grid row, 0: none).
  ResultModel(QueryEngine& engine, std::function<const RconBatch*()> batch,
              std::function<int()> highlighted, QObject* parent);

  // The whole output of a row (grid row), read in its server's encoding.
  QString OutputText(int row) const;

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  QString ServerTextOf(const RconBatch::Row& r, const std::string& bytes) const;

  QueryEngine& engine_;
  std::function<const RconBatch*()> batch_;
  std::function<int()> highlighted_;
};

}  // namespace zelmora
