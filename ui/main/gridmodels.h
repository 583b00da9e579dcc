// What the grids of the main window hold, as table models: the server list
// (DrawGrid1), the server variables (DrawGrid3), the players of the status
// reply (DrawGrid4) and the rcon player table (DrawGrid2).
//
// A model says everything about a cell: its text without colour codes
// (Qt::DisplayRole: what is copied, read out and searched), the text as the
// server sent it with its codes (kRawTextRole), its colour
// (Qt::ForegroundRole, only where it is not the ordinary one), a tooltip, a
// value to sort by (kSortRole: numbers for counts and pings, texts in lower
// case), the icons and flag it shows, and whether its row is highlighted.
// The painters (serverlistview.h, detailgrids.h) draw from these roles
// alone.
//
// The detail models show the selected server's session (its last status,
// its player table); a grid's row count is its own.
#pragma once

#include <QColor>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <string>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "ui/main/drawgrid.h"

namespace zelmora {

// The entry shown on grid row `row` of a list under a header row (row 1 is
// the first entry); nullptr for the header and past the end.
template <class List>
const typename List::value_type* RowOf(const List& list, int row) {
  return row >= 1 && static_cast<std::size_t>(row - 1) < list.size()
             ? &list[static_cast<std::size_t>(row - 1)]
             : nullptr;
}

inline constexpr int kRawTextRole = Qt::UserRole + 1;
inline constexpr int kSortRole = Qt::UserRole + 2;
// The icon column: the pictures after the flag, left to right (QVariantList
// of icon numbers; -1 keeps a slot free, as the version slot does for a
// game Zelmora does not know).
inline constexpr int kIconsRole = Qt::UserRole + 3;
// Index into the flag pictures of what the cell shows, -1 for none.
inline constexpr int kFlagRole = Qt::UserRole + 4;
// The hourglass behind a ping: the server limits its requests.
inline constexpr int kMarkRole = Qt::UserRole + 5;
// The cell's row is the selected one.
inline constexpr int kHighlightRole = Qt::UserRole + 6;
// The text is drawn bold (a remembered player).
inline constexpr int kBoldRole = Qt::UserRole + 7;
// The server list's name cell: a watched player is on the server now.
inline constexpr int kWatchRole = Qt::UserRole + 8;

// Columns of the server list (grid columns; 0 is the fixed icon column).
enum class ServerColumn { Infos, Name, Map, Players, Ping, Address, Provider };
inline constexpr int kServerColumns = 7;
// Header texts of the grids (Windows-1252) and the detail grids' first
// widths.
inline constexpr const char* kServerHeaders[kServerColumns] = {"Infos",
                                                               "Servername",
                                                               "Karte",
                                                               "Spieler",
                                                               "Ping",
                                                               "Host:Port",
                                                               "Provider ; L\xE4ndercode ; Land"};
inline constexpr const char* kGrid3Headers[] = {"Variable", "Wert"};
inline constexpr int kGrid3Widths[] = {100, 400};
inline constexpr const char* kGrid4Headers[] = {"Name", "Score", "Ping"};
inline constexpr int kGrid4Widths[] = {200, 50, 50};
inline constexpr const char* kGrid2Headers[] = {"Name",    "ID",       "Score",   "Guid", "Ping",
                                                "Address", "Provider", "Lastmsg", "Rate"};
inline constexpr int kGrid2Widths[] = {210, 40, 40, 60, 30, 120, 350, 50, 50};

inline const QColor kFullRed{255, 0, 0};
inline const QColor kOneSlotOrange{231, 157, 20};
// Ping colour of the lists: <= 20, > 20, > 50, > 80, > 120, > 160, > 200.
QColor PingColor(int ping);
// Colour of the players text: red when full for the public, orange with one
// free slot left (orange wins); none (invalid) otherwise and while
// maxclients is 0.
QColor PlayersColor(const Tserverrec& e);

// The ping column's text: "TOUT" after the time-out, "?" before the first
// answer, else the ping; "" while the time-out cannot be judged.
std::string PingCellText(const Tserverrec& e, const Settings& s, std::uint32_t now);
// "players/maxclients" plus "(privateclients)" when there are private slots.
std::string PlayersText(const Tserverrec& e);
// What the icons of the Infos column stand for, one line each (the
// tooltip, and the column's text for copying and screen readers).
QStringList InfoIconMeanings(const Tserverrec& e, const Settings& s, const QString& country);
// The provider cell of the rcon player table: empty until the address is
// resolved.
std::string ProviderCellText(const Tstatusrow& row);

class ServerListModel final : public DrawGridModel {
  Q_OBJECT
 public:
  ServerListModel(const QueryEngine& engine, std::function<const Settings&()> settings,
                  QObject* parent);
  void SetClock(std::function<std::uint32_t()> now) { now_ = std::move(now); }

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  QVariant InfosCell(const Tserverrec& e, const Settings& s, int role) const;
  QVariant PingCell(const Tserverrec& e, const Settings& s, int role) const;

  const QueryEngine& engine_;
  std::function<const Settings&()> settings_;
  std::function<std::uint32_t()> now_;
};

// Where a detail grid's data come from: the session it shows (nullptr:
// none).
using SessionSource = std::function<const ServerSession*()>;

class ServerVarsModel final : public DrawGridModel {
  Q_OBJECT
 public:
  ServerVarsModel(SessionSource source, QObject* parent);

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  SessionSource source_;
};

class PlayerRowsModel final : public DrawGridModel {
  Q_OBJECT
 public:
  PlayerRowsModel(SessionSource source, QObject* parent);

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  SessionSource source_;
};

// Columns of the rcon player table.
enum class StatusColumn { Name, Id, Score, Guid, Ping, Address, Provider, Lastmsg, Rate };

class StatusRowsModel final : public DrawGridModel {
  Q_OBJECT
 public:
  // highlighted: the element index of the selected player (-1: none).
  StatusRowsModel(SessionSource source, std::function<int()> highlighted,
                  std::function<const Settings&()> settings, QObject* parent);

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  SessionSource source_;
  std::function<int()> highlighted_;
  std::function<const Settings&()> settings_;
};

}  // namespace zelmora
