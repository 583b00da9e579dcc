// Who is this player? The player history across all servers: every status
// table and every getstatus player list is kept as sightings in
// Spieler.sqlite in the data folder, searchable by name, GUID and address;
// a watch list of GUIDs and name patterns; a record of the penalties sent.
//
// Threads: the Record*, watch list and settings calls only queue work or
// change memory and return at once, so the main thread may call them for
// every table (a table of 20 players costs a few microseconds). The writes
// run on the history's own thread. Open, Flush, Search, Penalties and the
// export wait for the database: call them from a worker thread (or use
// OpenAsync). Every method may be called from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/historytypes.h"
#include "history/normalize.h"
#include "history/watchlist.h"
#include "history/writer.h"
#include "protocol/rconreply.h"
#include "protocol/statusresponse.h"

namespace zelmora {

class PlayerHistory {
 public:
  // folder: the data folder (UTF-8, with or without a trailing separator).
  explicit PlayerHistory(const std::string& folder, HistoryOptions options = {});
  // Writes what is still queued (not waiting for another program's lock)
  // and ends the thread.
  ~PlayerHistory();
  PlayerHistory(const PlayerHistory&) = delete;
  PlayerHistory& operator=(const PlayerHistory&) = delete;

  const std::string& Path() const { return path_; }

  // Opens, creates or upgrades the database. On trouble the status holds
  // the German text for the operator (and whether the history is kept).
  HistoryStatus Open();
  // The same without waiting: done runs on the history's thread.
  void OpenAsync(std::function<void(const HistoryStatus&)> done);
  // The current status (the open's, or the fault that came later).
  HistoryStatus Status() const;
  // Called once on the history's thread for every fault after the open
  // (a lock held too long, a full disk, a damaged file found and moved).
  void SetFaultHandler(std::function<void(const HistoryStatus&)> handler);

  void SetSettings(const HistorySettings& s);
  HistorySettings Settings() const;

  // --- what is seen (queued; nothing happens while "Verlauf führen" is off
  // or the history is not kept) ---------------------------------------------
  // A polled status table. serverKey "host:port"; time: seconds since epoch.
  void RecordTable(const std::string& serverKey, const std::string& serverName,
                   const Tstatusinfo& rows, std::int64_t time);
  void RecordTable(const std::string& serverKey, const std::string& serverName,
                   std::vector<SeenPlayer> players, std::int64_t time);
  // The players of a getstatus reply (their names).
  void RecordNames(const std::string& serverKey, const std::string& serverName,
                   const Tplayerinfo& players, std::int64_t time);
  void RecordNames(const std::string& serverKey, const std::string& serverName,
                   std::vector<std::string> names, std::int64_t time);

  // --- penalties -----------------------------------------------------------
  // Records a kick, ban or temporary ban that was sent; the id confirms it
  // later. 0 when nothing is recorded (history off).
  std::int64_t RecordPenalty(PenaltyRecord rec);
  void ConfirmPenalty(std::int64_t id, PenaltyOutcome outcome);
  // The penalties of a player (0: all), oldest first.
  std::vector<PenaltyRow> Penalties(std::int64_t playerId) const;
  // All penalties as CSV (penalties.h) to path, replacing it atomically.
  // False with a German text in *error when it cannot be read or written.
  bool ExportPenaltiesCsv(const std::string& path, std::string* error) const;

  // --- search --------------------------------------------------------------
  // search.h tells the rules. Empty while the history cannot be read.
  std::vector<PlayerSummary> Search(std::string_view text, std::size_t limit) const;

  // --- watch list ("beobachten"; answered from memory) ---------------------
  std::int64_t AddWatch(WatchKind kind, const std::string& value, const std::string& note,
                        std::int64_t now);
  bool SetWatchEnabled(std::int64_t id, bool enabled);
  // No alert for this entry before until (an hour: now +
  // kWatchSilenceSeconds).
  bool SilenceWatch(std::int64_t id, std::int64_t until);
  bool RemoveWatch(std::int64_t id);
  std::vector<WatchEntry> WatchList() const;
  std::optional<WatchEntry> WatchedGuid(std::string_view guid, std::int64_t now) const;
  std::optional<WatchEntry> WatchedName(std::string_view name, std::int64_t now) const;

  // --- keeping it small ------------------------------------------------------
  // Removes what was last seen more than days before now (the thread also
  // does this once a day with the setting's days). Queued.
  void Prune(std::int64_t now, int days);
  // "Verlauf löschen": everything but the watch list. Queued; done (on the
  // history's thread, may be empty) tells when it is done or why not.
  void Clear(std::function<void(const HistoryStatus&)> done = nullptr);
  // Waits until everything queued before has been written. False when the
  // history is not kept.
  bool Flush();
  // Sightings dropped because the writer fell too far behind.
  std::uint64_t DroppedJobs() const { return writer_->DroppedJobs(); }

 private:
  bool Accepting() const;
  bool ChangeWatch(std::int64_t id, const std::function<void(WatchEntry&)>& change);
  bool PublishWatch(std::vector<WatchEntry> entries);

  std::string path_;
  mutable std::mutex mu_;  // settings_, watch_, pendingWatchOps_
  HistorySettings settings_;
  WatchSet watch_;
  int pendingWatchOps_ = 0;
  std::unique_ptr<HistoryWriter> writer_;
};

// A fresh id for a penalty or watch entry: random, never 0, so that two
// programs on the same folder do not hand out the same one.
std::int64_t NewHistoryId();

}  // namespace zelmora
