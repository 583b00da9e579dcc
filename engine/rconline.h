// A server's line of rcon commands.
//
// Every rcon command is bound to its server when the operator acts and waits
// in that server's line; it leaves when it is first and its time has come,
// and the session then sends it to that server's address with that server's
// password of that moment. Commands of one server never overtake each other;
// servers do not wait for each other (each has a line of its own).
//
// When a command may leave:
//   - afterIssue after it was put in line (the query channel's 700 ms: the
//     times the operator was used to, without stopping the window);
//   - afterPreviousSame after the previous command of its channel left (so
//     that commands of the query channel keep 700 ms between them);
//   - afterPrevious after the previous command of any channel left (the
//     second game-type switch, 800 ms after the first).
// The servers' flood spacing across all channels and the status poll is
// kept on top of this by the RconPacer.
//
// Plain C++ so the rules can be checked with a clock in the hand.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelmora {

enum class RconChannel { Query, Var };
// Reads only fetch what a view of the selected server shows: they are
// dropped when the operator turns to another server, and one the server
// lost is sent again (at most twice). Everything else the operator started is carried
// out on its server whatever happens meanwhile, and never sent twice.
enum class RconKind { Read, Action };

struct RconTiming {
  std::chrono::milliseconds afterIssue{0};
  std::chrono::milliseconds afterPreviousSame{0};
  std::chrono::milliseconds afterPrevious{0};
};

// Outcome of handing a command to a server. Sent: in its server's line, it
// goes out in order when its time has come. Network paths report nothing
// to the operator; Failed carries the reason for tests and callers.
enum class SendResult { Sent, NoServer, Failed };

class RconLine {
 public:
  using Clock = std::chrono::steady_clock;
  // Called once per command: true when it left, false when it was dropped.
  using Done = std::function<void(bool left)>;
  // Called once per command that left: the output credited to it (its
  // datagrams joined, with the four leading bytes), or no value when none
  // came in time.
  using Answer = std::function<void(const std::optional<std::string>& output)>;

  struct Command {
    std::uint64_t id = 0;
    RconChannel channel = RconChannel::Query;
    RconKind kind = RconKind::Action;
    std::string text;
    RconTiming timing;
    Clock::time_point issued{};
    Done done;
    Answer answer;
    // Set (by whoever gave it) when it must not leave any more: it is
    // dropped when its turn comes.
    std::shared_ptr<const std::atomic<bool>> cancelled;
    int resends = 0;  // how often a lost read has been sent again
    // The session's bookkeeping while the command is first in line.
    std::uint64_t ticket = 0;     // place in the flood spacing, 0 = none yet
    std::string paceKey;          // the address it took that place for
    Clock::time_point retryAt{};  // not before this (flood spacing, name lookup)
  };

  std::uint64_t Add(RconChannel channel, RconKind kind, std::string text, RconTiming timing,
                    Clock::time_point now, Done done = nullptr, int resends = 0,
                    Answer answer = nullptr);

  // The first command when its time has come at now, else nullptr. Valid
  // until the line changes.
  Command* DueHead(Clock::time_point now);
  Command* Head() { return commands_.empty() ? nullptr : &commands_.front(); }
  Command* Last() { return commands_.empty() ? nullptr : &commands_.back(); }
  // When the head's time comes (max() when nothing waits).
  Clock::time_point NextDue() const;

  // The head left at now: it goes, and its done is called.
  void Left(Clock::time_point now);
  // Drops the head (done(false)); the line moves on.
  void DropHead();
  // Drops all commands, or only the reads. done(false) for each, after the
  // line has changed; cancel gets each dropped head's flood-spacing place.
  void Drop(bool readsOnly, const std::function<void(const Command&)>& cancel = nullptr);
  // Drops everything (shut-down), calling nothing.
  void Clear() { commands_.clear(); }

  std::size_t Waiting() const { return commands_.size(); }
  std::vector<std::string> Texts() const;

 private:
  std::deque<Command> commands_;
  std::optional<Clock::time_point> lastLeft_, lastLeftQuery_, lastLeftVar_;
  std::uint64_t nextId_ = 1;
};

// How one rcon command waits and what it is.
struct RconOptions {
  RconKind kind = RconKind::Action;
  // Query channel: the pause (700 ms) after it was issued and after the
  // server's previous query command; variable channel: none. Given here it
  // replaces the wait after issue.
  std::optional<std::chrono::milliseconds> afterIssue;
  std::chrono::milliseconds afterPrevious{0};  // after the server's previous command
  RconLine::Done done;                         // left (true) or dropped (false)
  RconLine::Answer answer;                     // its output, or none in time
  // Set it to drop the command while it still waits ("Abbrechen").
  std::shared_ptr<const std::atomic<bool>> cancelled;
};

}  // namespace zelmora
