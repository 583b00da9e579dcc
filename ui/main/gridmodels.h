// What the grids of the main window hold, as table models: the server list
// (DrawGrid1), the server variables (DrawGrid3), the players of the status
// reply (DrawGrid4) and the rcon player table (DrawGrid2).
//
// Every cell gives its text without colour codes (Qt::DisplayRole: what is
// copied, read out and searched), the text as the server sent it with its
// codes (kRawTextRole), a tooltip and a value to sort by (kSortRole:
// numbers for counts and pings, texts in lower case). The painting stays
// with the painters (serverlistview.h, detailgrids.h), which the grids'
// delegates call: the models never decide how a cell looks.
//
// The models read AppState as it is; a grid's row count is its own (a
// selection cuts the detail grids to their header row until the new
// server answers, whatever the lists still hold).
#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <string>

#include "core/settings.h"
#include "engine/appstate.h"
#include "ui/main/drawgrid.h"

namespace zelmora {

inline constexpr int kRawTextRole = Qt::UserRole + 1;
inline constexpr int kSortRole = Qt::UserRole + 2;

// Columns of the server list (grid columns; 0 is the fixed icon column).
enum class ServerColumn { Infos, Name, Map, Players, Ping, Address, Provider };

// The ping column's text: "TOUT" after the time-out, "?" before the first
// answer, else the ping; "" while the time-out cannot be judged.
std::string PingCellText(const Tserverrec& e, const Settings& s, std::uint32_t now);
// What the icons of the Infos column stand for, one line each (the
// tooltip, and the column's text for copying and screen readers).
QStringList InfoIconMeanings(const Tserverrec& e, const Settings& s, const QString& country);
// The provider cell of the rcon player table: empty until the address is
// resolved.
std::string ProviderCellText(const Tstatusrow& row);

class ServerListModel final : public DrawGridModel {
  Q_OBJECT
 public:
  ServerListModel(const AppState& state, std::function<const Settings&()> settings,
                  QObject* parent);
  void SetClock(std::function<std::uint32_t()> now) { now_ = std::move(now); }

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  const AppState& state_;
  std::function<const Settings&()> settings_;
  std::function<std::uint32_t()> now_;
};

class ServerVarsModel final : public DrawGridModel {
  Q_OBJECT
 public:
  ServerVarsModel(const AppState& state, QObject* parent);

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  const AppState& state_;
};

class PlayerRowsModel final : public DrawGridModel {
  Q_OBJECT
 public:
  PlayerRowsModel(const AppState& state, QObject* parent);

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  const AppState& state_;
};

// Columns of the rcon player table.
enum class StatusColumn { Name, Id, Score, Guid, Ping, Address, Provider, Lastmsg, Rate };

class StatusRowsModel final : public DrawGridModel {
  Q_OBJECT
 public:
  StatusRowsModel(const AppState& state, QObject* parent);

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  const AppState& state_;
};

}  // namespace zelmora
