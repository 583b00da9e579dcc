// The server list (DrawGrid1): how one cell is drawn and how the column
// widths follow the contents.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRect>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/serverencoding.h"
#include "core/serverrec.h"
#include "core/settings.h"
#include "ui/main/gridmodels.h"

class QPainter;

namespace zelmora {

inline const QColor kSelectionColor{212, 222, 242};
// Rows marked besides the selected one (a multi-selection).
inline const QColor kMarkedColor{232, 237, 248};
inline const QColor kDesignHeaderColor{166, 202, 240};

// Header colour of the grids: the design colour with "Eigenes Design", else
// the system's button face.
QColor HeaderColor(const Settings& s, const QPalette& palette);

// The mark of a server whose requests are limited, and its colour.
inline const QColor kThrottleColor(224, 112, 0);
void DrawThrottleMark(QPainter& painter, const QRect& room);

// The mark behind a server's name while a watched player is on it.
inline const QColor kWatchColor(200, 30, 30);
void DrawWatchMark(QPainter& painter, const QRect& room);

// Draws the server list's cells from what its model says of them.
class ServerListPainter {
 public:
  ServerListPainter(const DrawGridModel& model, std::function<const Settings&()> settings);

  // Flag pictures, index-aligned with the flag codes (null images allowed).
  void SetFlagImages(const std::vector<QImage>* flags) { flags_ = flags; }

  // While set, cells are not drawn at all (a row is being dragged).
  bool dragFlag = false;
  // Whether a grid row is marked in a multi-selection (none when unset).
  std::function<bool(int row)> marked;

  // Draws cell (ACol, ARow) into Rect. Errors leave the cell as far as drawn.
  void DrawGrid1DrawCell(QPainter& painter, const QPalette& palette, int ACol, int ARow,
                         const QRect& Rect) const;

 private:
  void DrawCellUnchecked(QPainter& painter, const QPalette& palette, int ACol, int ARow,
                         const QRect& Rect) const;
  void DrawIcons(QPainter& painter, int row, const QRect& Rect) const;

  const DrawGridModel& model_;
  std::function<const Settings&()> settings_;
  const std::vector<QImage>* flags_ = nullptr;
};

// The icon options that decide the width of the icon column.
struct IconOptions {
  bool fl = true, version = true, pwd = true, rcon = true, kc = true, ff = true, ac = true,
       vc = true;
  bool operator==(const IconOptions&) const = default;
};
IconOptions IconOptionsFrom(const Settings& s);

// Column widths of the server list fitted to the contents. Measuring texts is
// what costs, so the measured widths are kept per entry and only entries
// marked changed are measured again; the result is always the same as
// measuring everything.
class ServerColumnFitter {
 public:
  using Widths = std::array<int, kServerColumns>;

  // A different font invalidates every entry.
  void SetFont(const QFont& font);
  void InvalidateEntry(int index);
  void InvalidateAll();

  // Widths for list. Entries beyond the cache (a longer list) are measured;
  // a list of another length than last time is measured completely, because
  // entries were added, removed or moved.
  Widths Fit(const Tserverlist& list, const IconOptions& options);

  // Everything measured from scratch.
  static Widths FullFit(const Tserverlist& list, const IconOptions& options, const QFont& font);

  // How many entries the last Fit measured.
  int LastMeasured() const { return lastMeasured_; }

 private:
  using Measured = std::array<int, kServerColumns - 1>;  // columns 1..6
  Measured MeasureCached(const Tserverrec& e);
  // Width of text in the grid's font: kind 0 colour codes stripped and bold,
  // 1 stripped, 2 as it is; read in encoding (the program's own texts are
  // Windows-1252). Remembered per text.
  int Width(int kind, std::string_view text, TextEncoding encoding = TextEncoding::Cp1252);
  static int IconColumnWidth(const Tserverrec& e, const IconOptions& o);
  // Adds (+1) or takes away (-1) entry i's widths in the counts per column.
  void Count(std::size_t i, int delta);

  QFont font_;
  QFont bold_;
  IconOptions options_;
  std::vector<Measured> cache_;
  std::vector<int> icon_;    // column 0 per entry, for options_
  std::vector<char> valid_;  // 0: marked changed, waiting in dirty_
  std::vector<int> dirty_;
  bool allDirty_ = true;
  // Per column: how many entries need each width.
  std::array<std::map<int, int>, kServerColumns> widths_;
  static constexpr std::size_t kWidthCacheMax = 200000;
  std::unordered_map<std::string, int> widthCache_;
  int lastMeasured_ = 0;
};

}  // namespace zelmora
