// The kicks and bans of one server, from the operator's click to their
// outcome.
//
// A click records the player as the table on screen showed him (client
// number, GUID, name, address) and asks for a new table. The action is
// carried out only against a table whose poll left after the click, and
// only while the slot still holds that player; it leaves right after that
// table, so a slot that changed hands before the click can never make the
// wrong player go. The next table whose poll left after the kick says
// whether the player is gone. An action that no table serves within the
// limit (15 s) is dropped; each of these ends is told (Outcome).
//
// Per server, the last of kick, ban and temporary ban clicked wins, and a
// high-ping request replaces an earlier one.
//
// Plain C++ with a clock in the hand; the session sends and polls.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "protocol/rconreply.h"

namespace zelmora {

struct PendingPlayerAction {
  using Clock = std::chrono::steady_clock;
  enum class Kind { Kick, Ban, TempBan, HighPing };
  Kind kind = Kind::Kick;
  // The player as the table the operator acted on showed him (not for the
  // high-ping kick): client number, GUID, name with its colour codes, address.
  std::string client, guid, name, address;
  Clock::time_point made{};
  // The operator's reason (kept with the record of the penalty, never sent).
  std::string reason;
  // A kick chosen by the high-ping rule (its kind is Kick once chosen).
  bool highPing = false;
};

struct ActionOutcome {
  enum class Result {
    Done,        // the table after it no longer holds the player
    StillThere,  // the table after it still does
    Gone,        // the player had left before it could be carried out
    Expired,     // no table within the limit: dropped, nothing sent
    Unknown,     // sent, but no table came after it
    Removed      // the server was taken off the list: dropped, nothing sent
  };
  PendingPlayerAction::Kind kind = PendingPlayerAction::Kind::Kick;
  Result result = Result::Done;
  std::string player;  // as the table showed him, colour codes kept; empty for a high-ping request
  std::string server;  // the server's name without colour codes (or host:port)
  // The action's number once it was sent (PlayerActions::SentFn), else 0.
  std::uint64_t actionId = 0;
};

// The row the high-ping rule picks from a table: over the rows in order,
// skipping those whose ping text begins with "C" or "Z" (connecting,
// zombie), the highest ping and the highest last-message time (each
// strictly greater than the kept one, starting at 0, so ties keep the
// earlier row). Below 40000 ms of silence the worst pinger goes, above it
// the longest silent player, at exactly 40000 nobody.
struct HighPingChoice {
  bool numbers = true;  // false: a considered ping or last-message text is no whole number
  int row = -1;         // index into the table, -1 for none (always -1 without numbers)
};
HighPingChoice ChooseHighPinger(const Tstatusinfo& rows);

class PlayerActions {
 public:
  using Clock = PendingPlayerAction::Clock;
  // Sends command now (right after the current table); done tells whether
  // it left. False when it could not be put in line.
  using SendFn = std::function<bool(const std::string& command, std::function<void(bool)> done)>;
  // An action left for the server (the moment it is on its way); id comes
  // back in the outcome that tells what became of it.
  using SentFn = std::function<void(const PendingPlayerAction& action, std::uint64_t id)>;

  static constexpr std::chrono::seconds kLimit{15};

  PlayerActions(SendFn send, std::function<void()> wantTable,
                std::function<void(const ActionOutcome&)> told)
      : send_(std::move(send)), wantTable_(std::move(wantTable)), told_(std::move(told)) {}

  // Tests shorten the limit.
  void SetLimit(std::chrono::milliseconds limit) { limit_ = limit; }
  void SetSentHandler(SentFn sent) { sent_ = std::move(sent); }

  void Add(PendingPlayerAction a);
  // Actions waiting for a table, and sent ones waiting for their outcome.
  bool Waiting() const { return !pending_.empty() || !awaited_.empty(); }
  const std::vector<PendingPlayerAction>& Pending() const { return pending_; }

  // A table came whose poll left at pollLeft.
  void TableArrived(const Tstatusinfo& rows, Clock::time_point pollLeft, Clock::time_point now);
  // Drops what is too old (telling it) and asks for a table while anything
  // waits. The session calls it every second while Waiting.
  void Check(Clock::time_point now);
  // The server is gone: every action that waits is dropped and told.
  void DropAll();

 private:
  struct Awaited {
    std::uint64_t id = 0;
    PendingPlayerAction action;
    bool left = false;
    Clock::time_point leftAt{};
  };
  void Outcomes(const Tstatusinfo& rows, Clock::time_point pollLeft);
  void Carry(const PendingPlayerAction& a, const std::string& command);
  void Tell(const PendingPlayerAction& a, ActionOutcome::Result r, std::uint64_t id = 0);

  SendFn send_;
  std::function<void()> wantTable_;
  std::function<void(const ActionOutcome&)> told_;
  SentFn sent_;
  std::vector<PendingPlayerAction> pending_;
  std::vector<Awaited> awaited_;
  std::uint64_t nextId_ = 1;
  std::chrono::milliseconds limit_ = kLimit;
};

}  // namespace zelmora
