// The player history's reads for the windows, off the main thread: a
// search, the penalties of a player, the export of all penalties. Each
// runs on a thread of the pool and its answer comes back on the main
// thread as a signal. The history may wait for its file (another program
// writing it), and the main thread never waits with it.
//
// Searches go one at a time: while one runs, only the newest text asked
// for waits, so typing fast costs one search per pause, not one per key.
//
// The reader may be destroyed while a read runs; the read keeps the
// history alive and its answer goes nowhere.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/historytypes.h"

namespace zelmora {

class PlayerHistory;

class HistoryReader : public QObject {
  Q_OBJECT

 public:
  // The most players a search shows (the limit the history's benchmark
  // measures: within 100 ms on a month of 200,000 players).
  static constexpr std::size_t kSearchLimit = 100;

  explicit HistoryReader(std::shared_ptr<PlayerHistory> history, QObject* parent = nullptr);

  // text: 8-bit, as the history compares it.
  void Search(const std::string& text);
  bool Searching() const { return searching_; }
  void ReadPenalties(std::int64_t playerId);
  // path: UTF-8.
  void ExportPenalties(const std::string& path);

 signals:
  // The players for text, and how long the search took in milliseconds.
  void Found(const QString& text, const std::vector<zelmora::PlayerSummary>& rows, double ms);
  void PenaltiesRead(qint64 playerId, const std::vector<zelmora::PenaltyRow>& rows);
  // error: German, empty when it worked.
  void Exported(const QString& path, const QString& error);

 private:
  void StartSearch(std::string text);

  std::shared_ptr<PlayerHistory> history_;
  bool searching_ = false;
  std::optional<std::string> waiting_;
};

}  // namespace zelmora
