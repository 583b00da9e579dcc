#include "history/playerhistory.h"

#include <future>
#include <random>

#include "core/fileio.h"
#include "core/textutil.h"
#include "history/faults.h"
#include "history/penalties.h"
#include "history/search.h"

namespace zelmora {

namespace {

// A table or player list larger than any server's is a hostile one.
constexpr std::size_t kMaxPlayersPerTable = 256;

std::string FolderPath(const std::string& folder) {
  if (folder.empty()) return kHistoryFileName;
  const char last = folder.back();
  if (last == '/' || last == '\\') return folder + kHistoryFileName;
  return folder + "/" + kHistoryFileName;
}

}  // namespace

std::int64_t NewHistoryId() {
  static std::mutex mu;
  static std::mt19937_64 gen{[] {
    std::random_device rd;
    return (std::uint64_t(rd()) << 32) ^ rd();
  }()};
  std::lock_guard lk(mu);
  for (;;) {
    const auto id = static_cast<std::int64_t>(gen() >> 1);
    if (id != 0) return id;
  }
}

PlayerHistory::PlayerHistory(const std::string& folder, HistoryOptions options)
    : path_(FolderPath(folder)) {
  writer_ = std::make_unique<HistoryWriter>(
      path_, options, [this](std::vector<WatchEntry> e) { return PublishWatch(std::move(e)); });
}

PlayerHistory::~PlayerHistory() {
  writer_.reset();
}

HistoryStatus PlayerHistory::Open() {
  auto promise = std::make_shared<std::promise<HistoryStatus>>();
  auto future = promise->get_future();
  OpenAsync([promise](const HistoryStatus& st) { promise->set_value(st); });
  return future.get();
}

void PlayerHistory::OpenAsync(std::function<void(const HistoryStatus&)> done) {
  HistoryJob job;
  job.type = HistoryJob::Type::kOpen;
  job.done = std::move(done);
  writer_->SetKeepDays(Settings().keepDays);
  writer_->Push(std::move(job));
}

HistoryStatus PlayerHistory::Status() const {
  return writer_->Status();
}

void PlayerHistory::SetFaultHandler(std::function<void(const HistoryStatus&)> handler) {
  writer_->SetFaultHandler(std::move(handler));
}

void PlayerHistory::SetSettings(const HistorySettings& s) {
  HistorySettings clean = s;
  clean.keepDays = std::max(1, s.keepDays);
  {
    std::lock_guard lk(mu_);
    settings_ = clean;
  }
  writer_->SetKeepDays(clean.keepDays);
}

HistorySettings PlayerHistory::Settings() const {
  std::lock_guard lk(mu_);
  return settings_;
}

bool PlayerHistory::Accepting() const {
  if (!writer_->Accepting()) return false;
  std::lock_guard lk(mu_);
  return settings_.enabled;
}

void PlayerHistory::RecordTable(const std::string& serverKey, const std::string& serverName,
                                const Tstatusinfo& rows, std::int64_t time) {
  if (!Accepting()) return;
  std::vector<SeenPlayer> players;
  players.reserve(std::min(rows.size(), kMaxPlayersPerTable));
  for (const Tstatusrow& row : rows) {
    if (players.size() >= kMaxPlayersPerTable) break;
    players.push_back(PlayerFromStatusRow(row));
  }
  RecordTable(serverKey, serverName, std::move(players), time);
}

void PlayerHistory::RecordTable(const std::string& serverKey, const std::string& serverName,
                                std::vector<SeenPlayer> players, std::int64_t time) {
  if (!Accepting()) return;
  if (players.size() > kMaxPlayersPerTable) players.resize(kMaxPlayersPerTable);
  HistoryJob job;
  job.type = HistoryJob::Type::kTable;
  job.serverKey = Cut(serverKey, kMaxServerKeyBytes);
  job.serverName = Cut(serverName, kMaxNameBytes);
  job.players = std::move(players);
  job.time = time;
  writer_->Push(std::move(job));
}

void PlayerHistory::RecordNames(const std::string& serverKey, const std::string& serverName,
                                const Tplayerinfo& players, std::int64_t time) {
  if (!Accepting()) return;
  std::vector<std::string> names;
  names.reserve(std::min(players.size(), kMaxPlayersPerTable));
  for (const auto& p : players) {
    if (names.size() >= kMaxPlayersPerTable) break;
    names.push_back(Cut(p[2], kMaxNameBytes));
  }
  RecordNames(serverKey, serverName, std::move(names), time);
}

void PlayerHistory::RecordNames(const std::string& serverKey, const std::string& serverName,
                                std::vector<std::string> names, std::int64_t time) {
  if (!Accepting()) return;
  if (names.size() > kMaxPlayersPerTable) names.resize(kMaxPlayersPerTable);
  for (std::string& n : names)
    if (n.size() > kMaxNameBytes) n.resize(kMaxNameBytes);
  HistoryJob job;
  job.type = HistoryJob::Type::kNames;
  job.serverKey = Cut(serverKey, kMaxServerKeyBytes);
  job.serverName = Cut(serverName, kMaxNameBytes);
  job.names = std::move(names);
  job.time = time;
  writer_->Push(std::move(job));
}

std::int64_t PlayerHistory::RecordPenalty(PenaltyRecord rec) {
  if (!Accepting()) return 0;
  rec.serverKey = Cut(rec.serverKey, kMaxServerKeyBytes);
  rec.serverName = Cut(rec.serverName, kMaxNameBytes);
  HistoryJob job;
  job.type = HistoryJob::Type::kPenalty;
  job.id = NewHistoryId();
  job.penalty = std::move(rec);
  const std::int64_t id = job.id;
  writer_->Push(std::move(job));
  return id;
}

void PlayerHistory::ConfirmPenalty(std::int64_t id, PenaltyOutcome outcome) {
  if (id == 0 || !writer_->Accepting()) return;
  HistoryJob job;
  job.type = HistoryJob::Type::kConfirm;
  job.id = id;
  job.outcome = outcome;
  writer_->Push(std::move(job));
}

std::vector<PenaltyRow> PlayerHistory::Penalties(std::int64_t playerId) const {
  std::vector<PenaltyRow> rows;
  writer_->ReadWith([&](SqliteDb& db) { rows = LoadPenalties(db, playerId); });
  return rows;
}

bool PlayerHistory::ExportPenaltiesCsv(const std::string& path, std::string* error) const {
  std::vector<PenaltyRow> rows;
  if (!writer_->ReadWith([&](SqliteDb& db) { rows = LoadPenalties(db, 0); })) {
    if (error) *error = "Die Strafen konnten nicht gelesen werden: " + Status().message;
    return false;
  }
  return WriteFileAtomic(path, PenaltiesCsv(rows), error);
}

std::vector<PlayerSummary> PlayerHistory::Search(std::string_view text, std::size_t limit) const {
  std::vector<PlayerSummary> out;
  writer_->ReadWith([&](SqliteDb& db) { out = SearchPlayers(db, text, limit); });
  return out;
}

// --- watch list -----------------------------------------------------------------

bool PlayerHistory::PublishWatch(std::vector<WatchEntry> entries) {
  std::lock_guard lk(mu_);
  // Changes of our own still on their way to the file would be lost.
  if (pendingWatchOps_ > 0) return false;
  watch_ = WatchSet(std::move(entries));
  return true;
}

std::int64_t PlayerHistory::AddWatch(WatchKind kind, const std::string& value,
                                     const std::string& note, std::int64_t now) {
  WatchEntry e;
  e.id = NewHistoryId();
  e.kind = kind;
  e.value = Cut(kind == WatchKind::kGuid ? TrimCtl(value) : value, kMaxNameBytes);
  e.note = Cut(note, 1000);
  e.created = now;
  HistoryJob job;
  job.type = HistoryJob::Type::kWatchPut;
  job.watch = e;
  job.done = [this](const HistoryStatus&) {
    std::lock_guard lk(mu_);
    --pendingWatchOps_;
  };
  {
    std::lock_guard lk(mu_);
    watch_.Put(e);
    ++pendingWatchOps_;
  }
  writer_->Push(std::move(job));
  return e.id;
}

bool PlayerHistory::ChangeWatch(std::int64_t id, const std::function<void(WatchEntry&)>& change) {
  HistoryJob job;
  job.type = HistoryJob::Type::kWatchPut;
  {
    std::lock_guard lk(mu_);
    WatchEntry* e = watch_.Find(id);
    if (!e) return false;
    WatchEntry changed = *e;
    change(changed);
    watch_.Put(changed);
    job.watch = changed;
    ++pendingWatchOps_;
  }
  job.done = [this](const HistoryStatus&) {
    std::lock_guard lk(mu_);
    --pendingWatchOps_;
  };
  writer_->Push(std::move(job));
  return true;
}

bool PlayerHistory::SetWatchEnabled(std::int64_t id, bool enabled) {
  return ChangeWatch(id, [enabled](WatchEntry& e) { e.enabled = enabled; });
}

bool PlayerHistory::SilenceWatch(std::int64_t id, std::int64_t until) {
  return ChangeWatch(id, [until](WatchEntry& e) { e.silencedUntil = until; });
}

bool PlayerHistory::RemoveWatch(std::int64_t id) {
  HistoryJob job;
  job.type = HistoryJob::Type::kWatchDelete;
  job.id = id;
  {
    std::lock_guard lk(mu_);
    if (!watch_.Remove(id)) return false;
    ++pendingWatchOps_;
  }
  job.done = [this](const HistoryStatus&) {
    std::lock_guard lk(mu_);
    --pendingWatchOps_;
  };
  writer_->Push(std::move(job));
  return true;
}

std::vector<WatchEntry> PlayerHistory::WatchList() const {
  std::lock_guard lk(mu_);
  return watch_.entries();
}

std::optional<WatchEntry> PlayerHistory::WatchedGuid(std::string_view guid,
                                                     std::int64_t now) const {
  std::lock_guard lk(mu_);
  return watch_.MatchGuid(guid, now);
}

std::optional<WatchEntry> PlayerHistory::WatchedName(std::string_view name,
                                                     std::int64_t now) const {
  std::lock_guard lk(mu_);
  return watch_.MatchName(name, now);
}

// --- keeping it small ---------------------------------------------------------------

void PlayerHistory::Prune(std::int64_t now, int days) {
  HistoryJob job;
  job.type = HistoryJob::Type::kPrune;
  job.cutoff = now - static_cast<std::int64_t>(std::max(0, days)) * 86400;
  writer_->Push(std::move(job));
}

void PlayerHistory::Clear(std::function<void(const HistoryStatus&)> done) {
  HistoryJob job;
  job.type = HistoryJob::Type::kClear;
  job.done = std::move(done);
  writer_->Push(std::move(job));
}

bool PlayerHistory::Flush() {
  auto promise = std::make_shared<std::promise<bool>>();
  auto future = promise->get_future();
  HistoryJob job;
  job.type = HistoryJob::Type::kFlush;
  job.done = [promise](const HistoryStatus& st) { promise->set_value(st.keeping); };
  writer_->Push(std::move(job));
  return future.get();
}

}  // namespace zelmora
