// Spacing of rcon datagrams per server.
//
// Game servers of this family drop, silently and for all senders alike, an
// rcon command that arrives less than 500 ms after the previous one. Zelmora
// talks rcon to one server over three sockets (the query channel, the
// variable channel and the status poll), so the spacing is kept here, for
// all of them together: every rcon datagram takes a place in its server's
// line and may only leave once it is first in line and the gap since the
// previous datagram to that server has passed. Nothing is dropped and the
// order of the line is the order in which places were taken.
//
// Every request to a server also counts in that server's RequestBudget. A
// server that limits requests (see requestbudget.h) gets them within its
// budget: then the operator's commands go before the status polls waiting
// in the same line, and a getstatus only leaves when nothing waits and the
// budget has room. For any other server the line is the plain first come,
// first served it always was.
//
// Thread-safe: the main thread and the status thread use it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/requestbudget.h"

namespace zelmora {

class RconPacer {
 public:
  using Clock = std::chrono::steady_clock;

  // A little more than the servers' 500 ms, for the scheduling of the
  // sending threads.
  static constexpr std::chrono::milliseconds kDefaultGap{550};
  static constexpr std::chrono::seconds kGetStatusDue{3};

  explicit RconPacer(std::chrono::milliseconds gap = kDefaultGap) : gap_(gap) {}

  using Priority = RequestBudget::Priority;

  // Takes a place in the line of the server named by key (its address and
  // port) and returns the ticket for it.
  std::uint64_t Enqueue(const std::string& key, Priority priority = Priority::Operator);

  // When ticket is first in its line and the gap since the previous rcon
  // datagram to that server has passed at now: the datagram counts as sent
  // now (the caller sends it at once), it leaves the line, and true is
  // returned. Otherwise false, and *retryAt (when given) is the earliest time
  // worth asking again.
  bool TryGo(const std::string& key, std::uint64_t ticket, Clock::time_point now,
             Clock::time_point* retryAt = nullptr);

  // Gives up a place (the datagram will not be sent).
  void Cancel(const std::string& key, std::uint64_t ticket);

  // A getstatus for the server: true when it may leave now (it then counts
  // as sent); always for a server that is not limited. For a limited server
  // a getstatus goes behind the operator's commands, but one that has not
  // left for kGetStatusDue is owed: it goes before them, and until it has
  // left the operator's commands keep one place of the budget free for it,
  // so a server that answers is never taken for silent.
  bool TakeGetStatus(const std::string& key, Clock::time_point now);
  // What the server's answers say (see RequestBudget).
  void Answered(const std::string& key, Clock::time_point at);
  void Lost(const std::string& key, Clock::time_point sentAt, Clock::time_point now);
  bool Limited(const std::string& key, Clock::time_point now) const;
  // Whether the server answered anything at or after `since` (a request
  // lost then is a sign of a limiter, not of a server that went down).
  bool AnsweredSince(const std::string& key, Clock::time_point since) const;
  // Servers limited at now, by key.
  std::vector<std::string> LimitedKeys(Clock::time_point now) const;

  // Datagrams waiting in all lines (diagnostics, tests).
  std::size_t Waiting() const;

  std::chrono::milliseconds Gap() const { return gap_; }

 private:
  struct Ticket {
    std::uint64_t number;
    Priority priority;
  };
  struct Line {
    std::deque<Ticket> tickets;
    bool sentBefore = false;
    Clock::time_point lastSent{};
    bool getStatusOwed = false;
    bool getStatusBefore = false;
    Clock::time_point lastGetStatus{};
    RequestBudget budget;
  };
  // The ticket that goes next in a non-empty line.
  static std::deque<Ticket>::iterator Next(Line& line, bool limited);
  const std::chrono::milliseconds gap_;
  mutable std::mutex m_;
  std::unordered_map<std::string, Line> lines_;
  std::uint64_t next_ = 1;
};

}  // namespace zelmora
