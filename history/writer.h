// The thread that writes the player history. Callers queue jobs and return
// at once; the thread writes them in batches, one transaction per batch (a
// status table is never split across transactions), and keeps a second
// connection for reads (the search), which WAL lets run while it writes.
//
// Faults: a lock held by another program is waited out (the busy timeout,
// then retries once a second) up to HistoryOptions::lockGiveUpMs; a damaged
// file is moved aside and a new one begun; any other fault switches the
// history off for the run. The status says which, once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "history/historytypes.h"
#include "history/normalize.h"
#include "history/sqlitedb.h"

namespace zelmora {

class HistoryRecorder;

struct HistoryOptions {
  // How long one write waits for another program's write to end.
  int busyTimeoutMs = 2000;
  // A lock held longer than this (retried once a second) switches the
  // history off for the run.
  int lockGiveUpMs = 30000;
  // Largest size of the file in pages of 4096 bytes (0: no limit). Reaching
  // it counts as a full disk.
  std::int64_t maxPageCount = 0;
  // Prune once a day, by the setting's days against the clock. (Off for
  // tests that record made-up times.)
  bool dailyPrune = true;
  // Jobs waiting for the thread; beyond this the oldest sightings are
  // dropped (penalties and the watch list never are).
  std::size_t maxQueued = 20000;
};

struct HistoryJob {
  enum class Type {
    kOpen,
    kTable,
    kNames,
    kPenalty,
    kConfirm,
    kWatchPut,
    kWatchDelete,
    kPrune,
    kClear,
    kFlush
  };
  Type type = Type::kFlush;
  std::string serverKey;
  std::string serverName;
  std::vector<SeenPlayer> players;
  std::vector<std::string> names;
  std::int64_t time = 0;
  std::int64_t id = 0;
  std::int64_t cutoff = 0;
  PenaltyOutcome outcome = PenaltyOutcome::kSent;
  PenaltyRecord penalty;
  WatchEntry watch;
  // Runs on the writer thread when the job is done with: written, or
  // dropped because the history is not kept.
  std::function<void(const HistoryStatus&)> done;
};

class HistoryWriter {
 public:
  // publishWatch: hands a freshly loaded watch list to the owner; it
  // returns false when changes of the owner's own are still queued (the
  // list is then loaded again later).
  HistoryWriter(std::string path, HistoryOptions options,
                std::function<bool(std::vector<WatchEntry>)> publishWatch);
  // Writes what is queued (without waiting for locks), then ends the thread.
  ~HistoryWriter();
  HistoryWriter(const HistoryWriter&) = delete;
  HistoryWriter& operator=(const HistoryWriter&) = delete;

  void Push(HistoryJob job);
  HistoryStatus Status() const;
  // Called on the writer thread whenever a fault arises after the file was
  // opened (the open itself answers through its job).
  void SetFaultHandler(std::function<void(const HistoryStatus&)> handler);
  void SetKeepDays(int days) { keepDays_.store(days); }
  // Runs fn with the read connection inside one read transaction; false
  // when the history cannot be read now.
  bool ReadWith(const std::function<void(SqliteDb&)>& fn);
  std::uint64_t DroppedJobs() const { return dropped_.load(); }
  // False once a fault has switched the history off for the run.
  bool Accepting() const { return accepting_.load(); }

 private:
  void Run();
  // SQLite's busy handler for the write connection: waits in short steps
  // up to the busy timeout, and only briefly once the program ends.
  static int BusyWait(void* self, int count);
  void Process(std::deque<HistoryJob>& jobs, bool stopping);
  std::size_t ApplyRecordingBatch(std::deque<HistoryJob>& jobs, std::size_t from);
  void ApplyRecording(const HistoryJob& job);
  void ApplyControl(HistoryJob& job);
  // True when the failed jobs are done with (dropped); false to retry them.
  bool HandleError(const SqliteError& e, bool stopping);
  HistoryStatus OpenDatabase(bool mayRecover);
  void RecoverDamaged(const std::string& detail, bool report);
  void SetFault(HistoryStatus status, bool report);
  void CloseAll();
  void Maintenance(bool stopping);
  void ReloadWatch();

  const std::string path_;
  const HistoryOptions options_;
  std::function<bool(std::vector<WatchEntry>)> publishWatch_;

  mutable std::mutex mu_;  // queue_, stop_, status_, faultHandler_
  std::condition_variable cv_;
  std::deque<HistoryJob> queue_;
  bool stop_ = false;
  HistoryStatus status_;
  std::function<void(const HistoryStatus&)> faultHandler_;
  std::atomic<int> keepDays_{90};
  std::atomic<std::uint64_t> dropped_{0};
  std::atomic<bool> accepting_{true};

  // Writer thread only, except that the destructor may interrupt a long
  // statement through dbMutex_.
  std::mutex dbMutex_;
  SqliteDb db_;
  bool longOp_ = false;
  std::atomic<bool> stopRequested_{false};
  std::int64_t busyStart_ = 0;
  std::unique_ptr<HistoryRecorder> recorder_;
  std::int64_t busySince_ = 0;  // steady ms of the first busy failure in a row
  std::int64_t retryAt_ = 0;
  bool openAttempted_ = false;
  std::int64_t dataVersion_ = -1;
  std::int64_t epoch_ = 0;
  std::int64_t watchVersion_ = 0;
  bool watchReloadWanted_ = false;
  std::int64_t lastPruneCheck_ = 0;

  std::mutex readerMutex_;
  SqliteDb reader_;
  std::atomic<bool> readable_{false};

  std::thread thread_;
};

}  // namespace zelmora
