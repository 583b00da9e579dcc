#include "engine/playeractions.h"

#include <algorithm>
#include <utility>

#include "core/textutil.h"
#include "protocol/commands.h"

namespace zelmora {

namespace {

using Kind = PendingPlayerAction::Kind;
constexpr std::int32_t kSilenceLimitMs = 40000;

BuiltCommand CommandFor(Kind k, const std::string& client) {
  switch (k) {
    case Kind::Ban:
      return BuildBanClient(client);
    case Kind::TempBan:
      return BuildTempBanClient(client);
    default:
      break;
  }
  return BuildClientKick(client);
}

// The same player in the same slot: number, GUID and name as the table the
// action was made from showed them.
bool SamePlayer(const Tstatusrow& row, const PendingPlayerAction& a) {
  return row[0] == a.client && row[3] == a.guid && row[1] == a.name;
}

}  // namespace

HighPingChoice ChooseHighPinger(const Tstatusinfo& rows) {
  std::int32_t maxPing = 0;
  std::int32_t maxLast = 0;
  int pingRow = -1;
  int lastRow = -1;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Tstatusrow& r = rows[i];
    if (!r[2].empty() && (r[2][0] == 'C' || r[2][0] == 'Z')) continue;
    const auto ping = ParseInt32(r[2]);
    const auto last = ParseInt32(r[5]);
    if (!ping || !last) return {false, -1};
    if (*ping > maxPing) {
      maxPing = *ping;
      pingRow = static_cast<int>(i);
    }
    if (*last > maxLast) {
      maxLast = *last;
      lastRow = static_cast<int>(i);
    }
  }
  if (maxLast < kSilenceLimitMs) return {true, pingRow};
  if (maxLast > kSilenceLimitMs) return {true, lastRow};
  return {true, -1};
}

void PlayerActions::Add(PendingPlayerAction a) {
  const bool highPing = a.kind == Kind::HighPing;
  std::erase_if(pending_, [&](const PendingPlayerAction& p) {
    return (p.kind == Kind::HighPing) == highPing;
  });
  pending_.push_back(std::move(a));
  wantTable_();
}

void PlayerActions::Tell(const PendingPlayerAction& a, ActionOutcome::Result r, std::uint64_t id) {
  if (told_)
    told_(ActionOutcome{a.kind, r, a.kind == Kind::HighPing ? std::string() : a.name, {}, id});
}

void PlayerActions::Carry(const PendingPlayerAction& a, const std::string& command) {
  Awaited w;
  w.id = nextId_++;
  w.action = a;
  awaited_.push_back(w);
  const bool queued = send_(command, [this, id = w.id](bool left) {
    const auto it = std::find_if(awaited_.begin(), awaited_.end(),
                                 [&](const Awaited& x) { return x.id == id; });
    if (it == awaited_.end()) return;
    if (!left) {
      awaited_.erase(it);
      return;
    }
    it->left = true;
    it->leftAt = Clock::now();
    // A copy: the handler may add or drop actions.
    if (sent_) {
      const PendingPlayerAction action = it->action;
      sent_(action, id);
    }
    // The next table tells whether the player is gone.
    wantTable_();
  });
  if (!queued) std::erase_if(awaited_, [&](const Awaited& x) { return x.id == w.id; });
}

// Kicks and bans that left before this poll: is the player gone?
void PlayerActions::Outcomes(const Tstatusinfo& rows, Clock::time_point pollLeft) {
  for (auto it = awaited_.begin(); it != awaited_.end();) {
    if (!it->left || it->leftAt > pollLeft) {
      ++it;
      continue;
    }
    const PendingPlayerAction& a = it->action;
    const bool still = std::any_of(rows.begin(), rows.end(),
                                   [&](const Tstatusrow& r) { return SamePlayer(r, a); });
    const PendingPlayerAction told = a;
    const std::uint64_t id = it->id;
    it = awaited_.erase(it);
    Tell(told, still ? ActionOutcome::Result::StillThere : ActionOutcome::Result::Done, id);
  }
}

void PlayerActions::TableArrived(const Tstatusinfo& rows, Clock::time_point pollLeft,
                                 Clock::time_point now) {
  Outcomes(rows, pollLeft);
  // Only actions made before this poll left: a table that was on its way at
  // the click may show a slot that has changed hands since.
  std::vector<PendingPlayerAction> due;
  std::erase_if(pending_, [&](const PendingPlayerAction& a) {
    if (a.made >= pollLeft) return false;
    due.push_back(a);
    return true;
  });
  std::stable_partition(due.begin(), due.end(),
                        [](const PendingPlayerAction& a) { return a.kind == Kind::HighPing; });
  for (const PendingPlayerAction& a : due) {
    if (now - a.made > limit_) {
      Tell(a, ActionOutcome::Result::Expired);
      continue;
    }
    if (a.kind == Kind::HighPing) {
      const HighPingChoice choice = ChooseHighPinger(rows);
      if (choice.row < 0) continue;  // nobody, or a ping that is no number
      const Tstatusrow& r = rows[static_cast<std::size_t>(choice.row)];
      PendingPlayerAction kick = a;
      kick.kind = Kind::Kick;
      kick.client = r[0];
      kick.guid = r[3];
      kick.name = r[1];
      kick.address = r[6];
      kick.highPing = true;
      const BuiltCommand command = BuildClientKick(r[0]);
      if (command.ok()) Carry(kick, command.line);
      continue;
    }
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const Tstatusrow& r) { return r[0] == a.client; });
    if (row == rows.end() || !SamePlayer(*row, a)) {
      // The player left, and the slot may hold somebody else by now.
      Tell(a, ActionOutcome::Result::Gone);
      continue;
    }
    // A slot number a command cannot carry is no slot of this server.
    const BuiltCommand command = CommandFor(a.kind, a.client);
    if (command.ok())
      Carry(a, command.line);
    else
      Tell(a, ActionOutcome::Result::Gone);
  }
  if (!pending_.empty()) wantTable_();
}

void PlayerActions::DropAll() {
  const std::vector<PendingPlayerAction> dropped = std::exchange(pending_, {});
  awaited_.clear();
  for (const auto& a : dropped) Tell(a, ActionOutcome::Result::Removed);
}

void PlayerActions::Check(Clock::time_point now) {
  std::vector<PendingPlayerAction> expired;
  std::erase_if(pending_, [&](const PendingPlayerAction& a) {
    if (now - a.made <= limit_) return false;
    expired.push_back(a);
    return true;
  });
  std::vector<Awaited> unknown;
  std::erase_if(awaited_, [&](const Awaited& w) {
    if (now - w.action.made <= 2 * limit_) return false;
    if (w.left) unknown.push_back(w);
    return true;
  });
  for (const auto& a : expired) Tell(a, ActionOutcome::Result::Expired);
  for (const auto& w : unknown) Tell(w.action, ActionOutcome::Result::Unknown, w.id);
  if (!pending_.empty() ||
      std::any_of(awaited_.begin(), awaited_.end(), [](const Awaited& w) { return w.left; }))
    wantTable_();
}

}  // namespace zelmora
