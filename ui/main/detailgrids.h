// The detail grids of the selected server: server variables (DrawGrid3),
// players of the status reply (DrawGrid4) and the rcon player table
// (DrawGrid2).
#pragma once

#include <QImage>
#include <QPalette>
#include <QRect>

#include <functional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "engine/appstate.h"

class QPainter;

namespace zelmora {

class DetailGridsPainter {
 public:
  DetailGridsPainter(const AppState& state, std::function<const Settings&()> settings);
  void SetFlagImages(const std::vector<QImage>* flags) { flags_ = flags; }

  // Highlighted row of DrawGrid2 (element index).
  int selectedplayer = 0;

  void DrawGrid3DrawCell(QPainter& p, const QPalette& pal, int ACol, int ARow,
                         const QRect& Rect) const;
  void DrawGrid4DrawCell(QPainter& p, const QPalette& pal, int ACol, int ARow,
                         const QRect& Rect) const;
  void DrawGrid2DrawCell(QPainter& p, const QPalette& pal, int ACol, int ARow,
                         const QRect& Rect) const;

 private:
  // Steps shared by the three grids once the text is known.
  void Finish(QPainter& p, const Settings& s, std::string text, int x, int y) const;

  const AppState& state_;
  std::function<const Settings&()> settings_;
  const std::vector<QImage>* flags_ = nullptr;
};

// Header texts and initial widths of the three grids.
inline constexpr const char* kGrid3Headers[] = {"Variable", "Wert"};
inline constexpr int kGrid3Widths[] = {100, 400};
inline constexpr const char* kGrid4Headers[] = {"Name", "Score", "Ping"};
inline constexpr int kGrid4Widths[] = {200, 50, 50};
inline constexpr const char* kGrid2Headers[] = {"Name",    "ID",       "Score",   "Guid", "Ping",
                                                "Address", "Provider", "Lastmsg", "Rate"};
inline constexpr int kGrid2Widths[] = {210, 40, 40, 60, 30, 120, 350, 50, 50};

// What the clipboard items copy for a hovered element (empty text when the
// element does not exist).
std::string VariableValueAt(const AppState& s, int index);  // DrawGrid3
std::string PlayerNameAt(const AppState& s, int index);     // DrawGrid4
std::string StatusNameAt(const AppState& s, int index);     // DrawGrid2 [1]
std::string StatusIpAt(const AppState& s, int index);       // [6] before ':'
std::string StatusGuidAt(const AppState& s, int index);     // [3]

}  // namespace zelmora
