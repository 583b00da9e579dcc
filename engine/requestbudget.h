// What one server's answers say about a request limiter, and how many
// requests it may be sent.
//
// Some servers of this family (ioquake3 engines, and Call of Duty servers
// with some mods) limit requests per sender address: a burst of about ten,
// then one a second, getstatus and rcon alike, and a request over the limit
// is dropped without a word. Zelmora cannot ask a server for its limits; it
// learns them from its answers. A request that stays unanswered while the
// server answers other requests sent after it is a sign of a limiter (a
// server that went down answers nothing at all); two such signs within 30 s
// and the server counts as limited. From then on every request to it is
// planned within a model of its bucket, kept from the first request on:
// nine of the ten (one kept as the margin for the phase of its clock that
// Zelmora cannot see), one leaking out every 1050 ms. The operator's
// commands may fill the bucket to the top; the background (status poll,
// getstatus) only to one below it, so an operator's command always finds
// room at once or within a second.
//
// Whether the limiter is still there can only be learnt by going over it,
// and then anything may be dropped, an operator's command too. So a server
// counts as free again only when it has not been used for two minutes
// (nothing lost, and the modelled bucket never above three, as with the
// list's periodic queries alone): the next
// time the operator turns to it, it gets the full cadence, and a limiter
// that is still there is learnt again within its first burst (one sign is
// enough then, and the next pause is twice as long, up to a quarter of an
// hour) when that happens within ten minutes.
//
// A server that answers everything never counts as limited, and for it
// nothing changes: Allows is always true.
//
// Plain C++ with the clock in the hand; not thread-safe (RconPacer guards it).
#pragma once

#include <chrono>
#include <deque>
#include <optional>

namespace zelmora {

class RequestBudget {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Priority { Operator, Background };

  static constexpr double kBurst = 9;
  static constexpr std::chrono::milliseconds kPeriod{1050};
  static constexpr double kBackgroundReserve = 1;
  static constexpr std::chrono::seconds kSignWindow{30};
  static constexpr std::chrono::seconds kRecoverAfter{120};
  static constexpr std::chrono::minutes kLongestRecovery{15};
  static constexpr std::chrono::minutes kRelapseWindow{10};
  static constexpr double kBusyLevel = 3;

  // A request left for the server at now.
  void Sent(Clock::time_point now);
  // The server answered a request; at is when the answer came.
  void Answered(Clock::time_point at);
  // A request sent at sentAt got no answer (known at now).
  void Lost(Clock::time_point sentAt, Clock::time_point now);

  bool Limited(Clock::time_point now) const;
  // Whether a request of this priority may leave at now; reserve places
  // are kept free below the cap (for a getstatus that is owed).
  bool Allows(Priority priority, Clock::time_point now, double reserve = 0) const;
  // The earliest moment it may (now when it may already).
  Clock::time_point NextAllowed(Priority priority, Clock::time_point now, double reserve = 0) const;
  // The modelled bucket's level at now.
  double Level(Clock::time_point now) const;
  // When the last answer came (min() before any).
  Clock::time_point LastAnswer() const { return lastAnswer_; }
  // Signs of a limiter so far (tests, figures).
  int Signs() const { return signs_; }

 private:
  double Cap(Priority priority) const;
  // When a limited server counts as free again (while it is limited).
  Clock::time_point FreeAt() const;
  // A limited server whose time has come counts as free from now on.
  void Settle(Clock::time_point now);

  double level_ = 0;
  Clock::time_point levelAt_{};
  Clock::time_point lastAnswer_{Clock::time_point::min()};
  bool limited_ = false;
  Clock::time_point lastSign_{};
  Clock::time_point lastBusy_{};
  std::chrono::seconds recoverAfter_ = kRecoverAfter;
  std::optional<Clock::time_point> freedAt_;
  std::deque<Clock::time_point> recentSigns_;
  int signs_ = 0;
};

}  // namespace zelmora
