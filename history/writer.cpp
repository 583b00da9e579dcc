#include "history/writer.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "history/faults.h"
#include "history/maintenance.h"
#include "history/recorder.h"
#include "history/schema.h"
#include "history/watchlist.h"

namespace zelmora {

namespace {

// At most this many sightings go into one transaction.
constexpr std::size_t kBatchJobs = 500;
// How often the idle thread looks at the file (another program's changes,
// the daily prune).
constexpr auto kTick = std::chrono::seconds(1);
constexpr std::int64_t kPruneCheckSeconds = 3600;
constexpr std::int64_t kDay = 86400;
// While stopping, a lock is waited for this long at most.
constexpr int kStopBusyMs = 200;

std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t WallNow() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

bool IsRecording(HistoryJob::Type t) {
  using T = HistoryJob::Type;
  return t == T::kTable || t == T::kNames || t == T::kPenalty || t == T::kConfirm ||
         t == T::kWatchPut || t == T::kWatchDelete;
}

bool IsDroppable(HistoryJob::Type t) {
  return t == HistoryJob::Type::kTable || t == HistoryJob::Type::kNames;
}

}  // namespace

HistoryWriter::HistoryWriter(std::string path, HistoryOptions options,
                             std::function<bool(std::vector<WatchEntry>)> publishWatch)
    : path_(std::move(path)), options_(options), publishWatch_(std::move(publishWatch)) {
  thread_ = std::thread([this] { Run(); });
}

HistoryWriter::~HistoryWriter() {
  {
    std::lock_guard lk(mu_);
    stop_ = true;
  }
  stopRequested_.store(true);
  {
    // A prune or a clear may take seconds on a large file: cut it short.
    std::lock_guard lk(dbMutex_);
    if (longOp_ && db_.IsOpen()) sqlite3_interrupt(db_.handle());
  }
  cv_.notify_all();
  thread_.join();
}

void HistoryWriter::Push(HistoryJob job) {
  {
    std::lock_guard lk(mu_);
    if (queue_.size() >= options_.maxQueued && IsDroppable(job.type)) {
      for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (!IsDroppable(it->type)) continue;
        queue_.erase(it);
        dropped_.fetch_add(1);
        break;
      }
    }
    // The open goes first: what was queued before it waits for the file.
    if (job.type == HistoryJob::Type::kOpen)
      queue_.push_front(std::move(job));
    else
      queue_.push_back(std::move(job));
  }
  cv_.notify_one();
}

HistoryStatus HistoryWriter::Status() const {
  std::lock_guard lk(mu_);
  return status_;
}

void HistoryWriter::SetFaultHandler(std::function<void(const HistoryStatus&)> handler) {
  std::lock_guard lk(mu_);
  faultHandler_ = std::move(handler);
}

int HistoryWriter::BusyWait(void* self, int count) {
  auto* w = static_cast<HistoryWriter*>(self);
  const std::int64_t now = SteadyMs();
  if (count == 0) w->busyStart_ = now;
  const std::int64_t waited = now - w->busyStart_;
  // Once the program ends, a lock is waited for briefly only: the end must
  // not hang on another program.
  const std::int64_t limit = w->stopRequested_.load()
                                 ? std::min<std::int64_t>(kStopBusyMs, w->options_.busyTimeoutMs)
                                 : w->options_.busyTimeoutMs;
  if (waited >= limit) return 0;
  std::this_thread::sleep_for(std::chrono::milliseconds(count < 10 ? 2 : 10));
  return 1;
}

bool HistoryWriter::ReadWith(const std::function<void(SqliteDb&)>& fn) {
  std::lock_guard lk(readerMutex_);
  if (!readable_.load()) return false;
  try {
    if (!reader_.IsOpen()) {
      reader_.Open(path_, false);
      reader_.SetBusyTimeout(1000);
      ConfigureConnection(reader_);
      reader_.Exec("PRAGMA query_only=1");
    }
    reader_.Exec("BEGIN");
    fn(reader_);
    reader_.Exec("COMMIT");
    return true;
  } catch (const SqliteError&) {
    reader_.Close();
    return false;
  }
}

void HistoryWriter::Run() {
  std::unique_lock lk(mu_);
  // Work is there when a retry is not pending, and, until the file has
  // been opened, only once the open itself is queued (it goes first):
  // sightings queued before it wait for it.
  auto ready = [&] {
    return !queue_.empty() && SteadyMs() >= retryAt_ &&
           (openAttempted_ || queue_.front().type == HistoryJob::Type::kOpen);
  };
  for (;;) {
    const auto wake = std::chrono::steady_clock::now() + kTick;
    cv_.wait_until(lk, wake, [&] { return stop_ || ready(); });
    const bool stopping = stop_;
    std::deque<HistoryJob> jobs;
    if (stopping || ready()) jobs.swap(queue_);
    lk.unlock();
    if (!jobs.empty()) Process(jobs, stopping);
    Maintenance(stopping);
    lk.lock();
    // Jobs that waited for a lock go back to the front, in their order.
    while (!jobs.empty()) {
      queue_.push_front(std::move(jobs.back()));
      jobs.pop_back();
    }
    if (stopping && queue_.empty()) break;
  }
  lk.unlock();
  CloseAll();
}

void HistoryWriter::Process(std::deque<HistoryJob>& jobs, bool stopping) {
  std::size_t i = 0;
  while (i < jobs.size()) {
    HistoryJob& job = jobs[i];
    if (!IsRecording(job.type)) {
      ApplyControl(job);
      ++i;
      continue;
    }
    if (!recorder_) {  // not kept this run: dropped
      if (job.done) job.done(Status());
      ++i;
      continue;
    }
    try {
      i = ApplyRecordingBatch(jobs, i);
      busySince_ = 0;
    } catch (const SqliteError& e) {
      if (recorder_) recorder_->ForgetCaches();
      if (!HandleError(e, stopping)) {
        jobs.erase(jobs.begin(), jobs.begin() + static_cast<std::ptrdiff_t>(i));
        return;  // kept in jobs for the retry
      }
      // Dropped: the batch that failed.
      const std::size_t from = i;
      while (i < jobs.size() && i - from < kBatchJobs && IsRecording(jobs[i].type)) {
        if (jobs[i].done) jobs[i].done(Status());
        ++i;
      }
    }
  }
  jobs.clear();
}

std::size_t HistoryWriter::ApplyRecordingBatch(std::deque<HistoryJob>& jobs, std::size_t from) {
  std::size_t end = from;
  SqliteTransaction tx(db_);
  while (end < jobs.size() && end - from < kBatchJobs && IsRecording(jobs[end].type))
    ApplyRecording(jobs[end++]);
  tx.Commit();
  for (std::size_t k = from; k < end; ++k)
    if (jobs[k].done) jobs[k].done(HistoryStatus{HistoryFaultKind::kNone, true, "", ""});
  return end;
}

void HistoryWriter::ApplyRecording(const HistoryJob& job) {
  using T = HistoryJob::Type;
  switch (job.type) {
    case T::kTable:
      recorder_->RecordTable(job.serverKey, job.serverName, job.players, job.time);
      break;
    case T::kNames:
      recorder_->RecordNames(job.serverKey, job.serverName, job.names, job.time);
      break;
    case T::kPenalty:
      recorder_->RecordPenalty(job.id, job.penalty);
      break;
    case T::kConfirm:
      recorder_->ConfirmPenalty(job.id, job.outcome);
      break;
    case T::kWatchPut:
      StoreWatchEntry(db_, job.watch);
      watchVersion_ = WatchVersion(db_);
      break;
    case T::kWatchDelete:
      DeleteWatchEntry(db_, job.id);
      watchVersion_ = WatchVersion(db_);
      break;
    default:
      break;
  }
}

void HistoryWriter::ApplyControl(HistoryJob& job) {
  using T = HistoryJob::Type;
  if (job.type == T::kOpen) {
    const HistoryStatus st = db_.IsOpen() ? Status() : OpenDatabase(true);
    if (job.done) job.done(st);
    return;
  }
  HistoryStatus answer;
  bool lockedOut = false;
  if (recorder_ && (job.type == T::kPrune || job.type == T::kClear)) {
    try {
      {
        std::lock_guard lk(dbMutex_);
        longOp_ = true;
      }
      if (job.type == T::kPrune)
        PruneHistory(db_, job.cutoff);
      else
        ClearHistory(db_);
      epoch_ = HistoryEpoch(db_);
      recorder_->ForgetCaches();
    } catch (const SqliteError& e) {
      if (recorder_) recorder_->ForgetCaches();
      // Another program holding the lock only puts the job off: the prune
      // comes again, the operator is told that nothing was cleared.
      lockedOut = FaultKindOf(e) == HistoryFaultKind::kLocked;
      if (!lockedOut) HandleError(e, true);
    }
    std::lock_guard lk(dbMutex_);
    longOp_ = false;
  }
  if (!job.done) return;
  answer = Status();
  if (lockedOut) {
    answer.fault = HistoryFaultKind::kLocked;
    answer.message = job.type == T::kClear ? ClearLockedMessage(path_) : "";
  }
  job.done(answer);
}

bool HistoryWriter::HandleError(const SqliteError& e, bool stopping) {
  if (e.PrimaryCode() == SQLITE_INTERRUPT) return true;
  const HistoryFaultKind kind = FaultKindOf(e);
  if (kind == HistoryFaultKind::kLocked && !stopping) {
    const std::int64_t now = SteadyMs();
    if (busySince_ == 0) busySince_ = now;
    if (now - busySince_ < options_.lockGiveUpMs) {
      retryAt_ = now + 1000;
      return false;
    }
  }
  if (kind == HistoryFaultKind::kDamaged) {
    RecoverDamaged(FaultDetail(e), true);
    return true;
  }
  HistoryStatus st;
  st.fault = kind;
  st.message = FaultMessage(kind, path_, FaultDetail(e), "");
  SetFault(st, true);
  return true;
}

void HistoryWriter::SetFault(HistoryStatus status, bool report) {
  if (!status.keeping) {
    CloseAll();
    // A full disk stops the writing, not the reading: the history so far
    // can still be searched.
    if (status.fault == HistoryFaultKind::kFull) readable_.store(true);
  }
  accepting_.store(status.keeping);
  std::function<void(const HistoryStatus&)> handler;
  {
    std::lock_guard lk(mu_);
    status_ = status;
    handler = faultHandler_;
  }
  if (report && handler) handler(status);
}

void HistoryWriter::CloseAll() {
  readable_.store(false);
  {
    std::lock_guard lk(readerMutex_);
    reader_.Close();
  }
  recorder_.reset();
  std::lock_guard lk(dbMutex_);
  db_.Close();
}

HistoryStatus HistoryWriter::OpenDatabase(bool mayRecover) {
  openAttempted_ = true;
  HistoryStatus st;
  if (mayRecover && DatabaseFileCut(path_)) {
    RecoverDamaged("die Datei ist kürzer, als sie selbst angibt", false);
    return Status();
  }
  try {
    {
      std::lock_guard lk(dbMutex_);
      db_.Open(path_, true);
    }
    sqlite3_busy_handler(db_.handle(), &HistoryWriter::BusyWait, this);
    if (db_.ReadOnly()) throw SqliteError(SQLITE_READONLY, "read-only");
    if (options_.maxPageCount > 0)
      db_.Exec("PRAGMA max_page_count=" + std::to_string(options_.maxPageCount));
    const SchemaState schema = PrepareSchema(db_);
    if (schema == SchemaState::kForeign && mayRecover) {
      RecoverDamaged("keine Spielerdatenbank von Zelmora", false);
      return Status();
    }
    if (schema != SchemaState::kReady) {
      st.fault = schema == SchemaState::kNewerVersion ? HistoryFaultKind::kNewerVersion
                                                      : HistoryFaultKind::kDamaged;
      st.message = FaultMessage(st.fault, path_, "", "");
      SetFault(st, false);
      return st;
    }
    recorder_ = std::make_unique<HistoryRecorder>(db_);
    epoch_ = HistoryEpoch(db_);
    dataVersion_ = db_.QueryInt("PRAGMA data_version");
    watchReloadWanted_ = true;
    ReloadWatch();
    st.keeping = true;
    SetFault(st, false);
    readable_.store(true);
    return st;
  } catch (const SqliteError& e) {
    const HistoryFaultKind kind = FaultKindOf(e);
    if (kind == HistoryFaultKind::kDamaged && mayRecover) {
      RecoverDamaged(FaultDetail(e), false);
      return Status();
    }
    st.fault = kind;
    st.message = FaultMessage(kind, path_, FaultDetail(e), "");
    SetFault(st, false);
    return st;
  }
}

void HistoryWriter::RecoverDamaged(const std::string& detail, bool report) {
  CloseAll();
  std::string error;
  const std::string moved = MoveDamagedAside(path_, WallNow(), &error);
  HistoryStatus st;
  st.fault = HistoryFaultKind::kDamaged;
  if (moved.empty()) {
    st.message = FaultMessage(st.fault, path_, detail + "; " + error, "");
    SetFault(st, report);
    return;
  }
  const HistoryStatus fresh = OpenDatabase(false);
  if (!fresh.keeping) {
    // The new file could not be made either: that fault is what counts,
    // and where the damaged one went.
    st = fresh;
    st.movedTo = moved;
    SetFault(st, report);
    return;
  }
  st.keeping = true;
  st.movedTo = moved;
  st.message = FaultMessage(st.fault, path_, detail, moved);
  SetFault(st, report);
}

void HistoryWriter::ReloadWatch() {
  if (!watchReloadWanted_ || !db_.IsOpen()) return;
  std::vector<WatchEntry> entries = LoadWatchEntries(db_);
  watchVersion_ = WatchVersion(db_);
  if (!publishWatch_ || publishWatch_(std::move(entries))) watchReloadWanted_ = false;
}

void HistoryWriter::Maintenance(bool stopping) {
  if (!recorder_ || stopping) return;
  try {
    // Another program's commits: forget ids it may have pruned, take its
    // watch list changes.
    const std::int64_t dv = db_.QueryInt("PRAGMA data_version");
    if (dv != dataVersion_) {
      dataVersion_ = dv;
      const std::int64_t epoch = HistoryEpoch(db_);
      if (epoch != epoch_) recorder_->ForgetCaches();
      epoch_ = epoch;
      if (WatchVersion(db_) != watchVersion_) watchReloadWanted_ = true;
    }
    ReloadWatch();
    const std::int64_t now = WallNow();
    if (!options_.dailyPrune || now - lastPruneCheck_ < kPruneCheckSeconds) return;
    lastPruneCheck_ = now;
    if (now - LastPruneTime(db_) < kDay) return;
    const int days = keepDays_.load();
    HistoryJob prune;
    prune.type = HistoryJob::Type::kPrune;
    prune.cutoff = now - static_cast<std::int64_t>(days) * kDay;
    ApplyControl(prune);
    if (recorder_) SetLastPruneTime(db_, now);
  } catch (const SqliteError& e) {
    if (recorder_) recorder_->ForgetCaches();
    if (FaultKindOf(e) != HistoryFaultKind::kLocked) HandleError(e, true);
  }
}

}  // namespace zelmora
