#include "engine/historyfeed.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "engine/serversession.h"
#include "history/normalize.h"
#include "history/playerhistory.h"

namespace zelmora {

namespace {

// Asked with this moment, a silenced entry still answers: silence mutes the
// alert, not the watching.
constexpr std::int64_t kEver = std::numeric_limits<std::int64_t>::max();

PenaltyKind KindOf(const PendingPlayerAction& a) {
  if (a.highPing) return PenaltyKind::kHighPingKick;
  switch (a.kind) {
    case PendingPlayerAction::Kind::Ban:
      return PenaltyKind::kBan;
    case PendingPlayerAction::Kind::TempBan:
      return PenaltyKind::kTempBan;
    case PendingPlayerAction::Kind::HighPing:
      return PenaltyKind::kHighPingKick;
    case PendingPlayerAction::Kind::Kick:
      break;
  }
  return PenaltyKind::kKick;
}

// A table or player list longer than any server's is a hostile one: the
// history keeps no more of it either.
constexpr std::size_t kMaxPlayersSeen = 256;

// A table whose parse failed keeps its rows with every field emptied.
bool Parsed(const Tstatusinfo& rows) {
  return std::any_of(rows.begin(), rows.end(),
                     [](const Tstatusrow& r) { return !r[0].empty() || !r[1].empty(); });
}

}  // namespace

HistoryFeed::HistoryFeed(const ServerList& list, PlayerHistory& history, QObject* parent)
    : QObject(parent),
      list_(list),
      history_(history),
      now_([] { return static_cast<std::int64_t>(std::time(nullptr)); }) {}

HistoryFeed::~HistoryFeed() {
  for (const auto& [uid, per] : servers_)
    for (const auto& [action, penalty] : per.penalties)
      history_.ConfirmPenalty(penalty, PenaltyOutcome::kUnconfirmed);
}

std::string HistoryFeed::KeyOf(const Tserverrec& e) const {
  return e.host.str() + ":" + e.port.str();
}

void HistoryFeed::Attach(ServerSession* session) {
  if (!session) return;
  const Uid uid = session->Id();
  connect(session, &ServerSession::TableChanged, this, [this, session] { TableCame(session); });
  connect(session, &ServerSession::StatusChanged, this, [this, session] { StatusCame(session); });
  connect(
      session, &ServerSession::ActionSent, this,
      [this, session](const PendingPlayerAction& a, std::uint64_t id) { Sent(session, a, id); });
  connect(session, &ServerSession::Outcome, this,
          [this, uid](const ActionOutcome& o) { Told(uid, o); });
  connect(session, &QObject::destroyed, this, [this, uid] { Gone(uid); });
}

// --- what is seen ---------------------------------------------------------------------

void HistoryFeed::TableCame(ServerSession* s) {
  PerServer& per = servers_[s->Id()];
  if (!s->HasTable()) {
    per.tableAt = {};
    return;
  }
  if (s->TableAt() == per.tableAt) return;  // the same table told again
  per.tableAt = s->TableAt();
  if (const Tserverrec* e = s->Entry())
    TableSeen(s->Id(), *e, s->DisplayName(), s->Table(), s->TablePollLeft());
}

void HistoryFeed::TableSeen(Uid uid, const Tserverrec& e, const std::string& serverName,
                            const Tstatusinfo& rows, Clock::time_point pollLeft) {
  if (!Parsed(rows)) return;
  history_.RecordTable(KeyOf(e), e.hostname.str(), rows, now_());
  std::vector<Seen> seen;
  seen.reserve(std::min(rows.size(), kMaxPlayersSeen));
  for (const Tstatusrow& r : rows) {
    if (seen.size() >= kMaxPlayersSeen) break;
    seen.push_back(Seen{r[1], IsPlayerGuid(r[3]) ? r[3] : ""});
  }
  Observe(uid, serverName, seen, true, pollLeft);
}

void HistoryFeed::StatusCame(ServerSession* s) {
  if (!s->HasStatus()) {
    // The entry's address changed: what was seen there was another server.
    const auto it = servers_.find(s->Id());
    if (it != servers_.end() && !it->second.present.empty()) {
      it->second.present.clear();
      emit WatchedChanged(s->Id());
    }
    return;
  }
  if (const Tserverrec* e = s->Entry())
    StatusSeen(s->Id(), *e, s->DisplayName(), s->Players(), Clock::now());
}

void HistoryFeed::StatusSeen(Uid uid, const Tserverrec& e, const std::string& serverName,
                             const Tplayerinfo& players, Clock::time_point at) {
  history_.RecordNames(KeyOf(e), e.hostname.str(), players, now_());
  std::vector<Seen> seen;
  seen.reserve(std::min(players.size(), kMaxPlayersSeen));
  for (const auto& p : players) {
    if (seen.size() >= kMaxPlayersSeen) break;
    seen.push_back(Seen{p[2], {}});
  }
  Observe(uid, serverName, seen, false, at);
}

// --- watched players --------------------------------------------------------------------

std::optional<WatchEntry> HistoryFeed::Match(const std::string& name,
                                             const std::string& guid) const {
  if (!guid.empty())
    if (auto m = history_.WatchedGuid(guid, kEver)) return m;
  return history_.WatchedName(name, kEver);
}

void HistoryFeed::Observe(Uid uid, const std::string& serverName, const std::vector<Seen>& seen,
                          bool table, Clock::time_point at) {
  PerServer& per = servers_[uid];
  const std::int64_t nowEpoch = now_();
  std::vector<char> confirmed(per.present.size(), 0);
  std::vector<char> dropped(per.present.size(), 0);
  std::vector<Present> added;
  bool changed = false;
  for (const Seen& p : seen) {
    std::optional<WatchEntry> match = Match(p.name, p.guid);
    // Nothing watched here and nobody watched in view: the common case costs
    // two look-ups per player.
    if (!match && per.present.empty() && added.empty()) continue;
    const std::string norm = NormalizeName(p.name);
    // Who is who: a player watched by GUID is his GUID (a status reply
    // names him), one watched by a pattern his name. Many players may share
    // a GUID (or a junk one): that never makes them one.
    const auto same = [&](const Present& x) {
      if (x.info.entry.kind == WatchKind::kGuid && !p.guid.empty()) return x.info.guid == p.guid;
      return x.norm == norm;
    };
    const auto found = std::find_if(per.present.begin(), per.present.end(), same);
    if (found != per.present.end()) {
      const auto i = static_cast<std::size_t>(found - per.present.begin());
      // A status reply names the player; the GUID a table gave still counts.
      if (!match && !found->info.guid.empty())
        match = history_.WatchedGuid(found->info.guid, kEver);
      if (!match) {
        dropped[i] = 1;  // no longer watched
        continue;
      }
      confirmed[i] = 1;
      found->lastSeen = std::max(found->lastSeen, at);
      found->info.entry = *match;
      if (table && (found->info.player != p.name || found->info.guid != p.guid)) {
        found->info.player = p.name;
        found->info.guid = p.guid;
        found->norm = norm;
      }
      continue;
    }
    if (!match || std::any_of(added.begin(), added.end(), same)) continue;
    Present n;
    n.info = WatchAlertInfo{uid, serverName, p.name, p.guid, *match, nowEpoch};
    n.norm = norm;
    n.lastSeen = at;
    added.push_back(std::move(n));
  }
  for (std::size_t i = per.present.size(); i-- > 0;) {
    if (dropped[i] || (!confirmed[i] && per.present[i].lastSeen < at)) {
      per.present.erase(per.present.begin() + static_cast<std::ptrdiff_t>(i));
      changed = true;
    }
  }
  std::vector<WatchAlertInfo> alerts;
  for (Present& n : added) {
    if (n.info.entry.silencedUntil <= nowEpoch) alerts.push_back(n.info);
    per.present.push_back(std::move(n));
    changed = true;
  }
  if (changed) emit WatchedChanged(uid);
  for (const WatchAlertInfo& a : alerts) emit WatchAlert(a);
}

std::vector<WatchAlertInfo> HistoryFeed::WatchedOn(Uid server) const {
  std::vector<WatchAlertInfo> out;
  const auto it = servers_.find(server);
  if (it == servers_.end()) return out;
  for (const Present& p : it->second.present) out.push_back(p.info);
  return out;
}

bool HistoryFeed::Watched(Uid server) const {
  const auto it = servers_.find(server);
  return it != servers_.end() && !it->second.present.empty();
}

// --- penalties ------------------------------------------------------------------------------

void HistoryFeed::Sent(ServerSession* s, const PendingPlayerAction& action, std::uint64_t id) {
  const Tserverrec* e = s->Entry();
  if (!e) return;
  PenaltyRecord rec;
  rec.time = now_();
  rec.serverKey = KeyOf(*e);
  rec.serverName = e->hostname.str();
  rec.kind = KindOf(action);
  rec.guid = action.guid;
  rec.name = action.name;
  rec.address = action.address;
  rec.reason = action.reason;
  const std::int64_t penalty = history_.RecordPenalty(std::move(rec));
  if (penalty != 0) servers_[s->Id()].penalties[id] = penalty;
}

void HistoryFeed::Told(Uid uid, const ActionOutcome& o) {
  if (o.actionId == 0) return;
  const auto server = servers_.find(uid);
  if (server == servers_.end()) return;
  const auto it = server->second.penalties.find(o.actionId);
  if (it == server->second.penalties.end()) return;
  PenaltyOutcome outcome = PenaltyOutcome::kUnconfirmed;
  if (o.result == ActionOutcome::Result::Done) outcome = PenaltyOutcome::kGone;
  if (o.result == ActionOutcome::Result::StillThere) outcome = PenaltyOutcome::kStillThere;
  history_.ConfirmPenalty(it->second, outcome);
  server->second.penalties.erase(it);
}

// The session ended (its entry was deleted, or the program ends): what it
// sent and no table confirmed stays unconfirmed.
void HistoryFeed::Gone(Uid uid) {
  const auto it = servers_.find(uid);
  if (it == servers_.end()) return;
  for (const auto& [action, penalty] : it->second.penalties)
    history_.ConfirmPenalty(penalty, PenaltyOutcome::kUnconfirmed);
  servers_.erase(it);
}

}  // namespace zelmora
