// The detail grids of the selected server: server variables (DrawGrid3),
// players of the status reply (DrawGrid4) and the rcon player table
// (DrawGrid2). The painter draws a cell from what the grid's model says of
// it (gridmodels.h).
#pragma once

#include <QImage>
#include <QPalette>
#include <QRect>

#include <functional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "ui/main/gridmodels.h"

class QPainter;

namespace zelmora {

class DetailGridsPainter {
 public:
  explicit DetailGridsPainter(std::function<const Settings&()> settings);
  void SetFlagImages(const std::vector<QImage>* flags) { flags_ = flags; }

  // Cell (ACol, ARow) of a detail grid whose model is model. The rcon
  // player table's name column leaves room for the flag.
  void DrawCell(const DrawGridModel& model, QPainter& p, const QPalette& pal, int ACol, int ARow,
                const QRect& Rect, bool flagColumn) const;

 private:
  std::function<const Settings&()> settings_;
  const std::vector<QImage>* flags_ = nullptr;
};

// The address of "ip:port" before its colon (empty without one).
std::string AddressBeforePort(const std::string& address);

}  // namespace zelmora
