// What the grids of the player history window hold: the players found
// (ResultGrid), the penalties of the player picked (PenaltyGrid) and the
// watch list (WatchGrid). Like the main window's grids (gridmodels.h) a
// model says everything about a cell: its text without colour codes (copied,
// read out), the raw text the painter draws in the game's colours, a value
// to sort by, the flag of the last address, and whether its row is the one
// picked.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "history/historytypes.h"
#include "ui/main/drawgrid.h"

namespace zelmora {

// Columns of the players found.
enum class HistoryColumn {
  Name,
  OtherNames,
  Guid,
  Address,
  FirstSeen,
  LastSeen,
  Servers,
  Penalties
};
inline constexpr int kHistoryColumns = 8;
inline constexpr const char* kHistoryHeaders[kHistoryColumns] = {
    "Name",           "Weitere Namen",   "GUID",   "Letzte Adresse",
    "Zuerst gesehen", "Zuletzt gesehen", "Server", "Strafen"};
inline constexpr int kHistoryWidths[kHistoryColumns] = {150, 150, 70, 235, 115, 115, 220, 55};

// The country of an address: the index of its flag picture (-1: none) and
// its name (empty: unknown).
struct AddressCountry {
  int flag = -1;
  std::string country;  // Windows-1252
};
using CountryLookup = std::function<AddressCountry(const std::string& ip)>;

// "TT.MM.JJJJ hh:mm" in local time; "" for 0.
QString SeenText(std::int64_t time);

class HistoryResultsModel final : public DrawGridModel {
  Q_OBJECT
 public:
  HistoryResultsModel(CountryLookup country, QObject* parent);

  void SetRows(std::vector<PlayerSummary> rows);
  const std::vector<PlayerSummary>& Rows() const { return rows_; }
  // The player picked (element index, -1 for none): his row is highlighted.
  void SetPicked(int index) { picked_ = index; }
  int Picked() const { return picked_; }
  const PlayerSummary* PickedRow() const;

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  std::vector<PlayerSummary> rows_;
  std::vector<AddressCountry> countries_;  // per row, looked up once
  CountryLookup country_;
  int picked_ = -1;
};

enum class PenaltyColumn { Time, Server, Kind, Name, Guid, Address, Outcome, Reason };
inline constexpr int kPenaltyColumns = 8;
inline constexpr const char* kPenaltyHeaders[kPenaltyColumns] = {
    "Zeit", "Server", "Art", "Name", "GUID", "Adresse", "Ergebnis", "Grund"};
inline constexpr int kPenaltyWidths[kPenaltyColumns] = {130, 180, 110, 150, 70, 110, 110, 250};

class PenaltiesModel final : public DrawGridModel {
  Q_OBJECT
 public:
  explicit PenaltiesModel(QObject* parent);
  void SetRows(std::vector<PenaltyRow> rows);
  const std::vector<PenaltyRow>& Rows() const { return rows_; }

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  std::vector<PenaltyRow> rows_;
};

enum class WatchColumn { Kind, Value, Note, Alarm, Silenced, Created };
inline constexpr int kWatchColumns = 6;
inline constexpr const char* kWatchHeaders[kWatchColumns] = {"Art",   "GUID / Muster", "Notiz",
                                                             "Alarm", "Stumm bis",     "Seit"};
inline constexpr int kWatchWidths[kWatchColumns] = {100, 200, 200, 50, 110, 110};

class WatchListModel final : public DrawGridModel {
  Q_OBJECT
 public:
  // now: seconds since the epoch (a silence that has ended is not shown).
  WatchListModel(std::function<std::int64_t()> now, QObject* parent);
  void SetRows(std::vector<WatchEntry> rows);
  const std::vector<WatchEntry>& Rows() const { return rows_; }
  void SetPicked(int index) { picked_ = index; }
  int Picked() const { return picked_; }

 protected:
  QVariant CellData(int col, int row, int role) const override;

 private:
  std::vector<WatchEntry> rows_;
  std::function<std::int64_t()> now_;
  int picked_ = -1;
};

}  // namespace zelmora
