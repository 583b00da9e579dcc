// One line of rcon commands per server.
//
// Every rcon command is bound to its server when the operator acts: the
// entry's identity (Tserverrec::uid), never a row index, which sorts,
// exchanges and deletions change. It waits in that server's line and leaves
// when it is first and its time has come; the engine then sends it to that
// server's address with that server's password of that moment. Commands of
// one server never overtake each other; servers do not wait for each other.
//
// When a command may leave (all times of its server):
//   - afterIssue after it was put in line (the query channel's 700 ms: the
//     times the operator was used to, now without stopping the window);
//   - afterPreviousSame after the previous command of its channel left (so
//     that commands of the query channel keep 700 ms between them);
//   - afterPrevious after the previous command of any channel left (the
//     second game-type switch, 800 ms after the first).
// The servers' flood spacing across all channels and the status poll is
// kept on top of this by the RconPacer.
//
// Main thread only; plain C++ so the rules can be checked with a clock in
// the hand.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zelmora {

enum class RconChannel { Query, Var };
// Reads only fetch what a view of the selected server shows: they are
// dropped when the operator turns to another server. Everything else the
// operator started is carried out on its server whatever happens meanwhile.
enum class RconKind { Read, Action };

struct RconTiming {
  std::chrono::milliseconds afterIssue{0};
  std::chrono::milliseconds afterPreviousSame{0};
  std::chrono::milliseconds afterPrevious{0};
};

class RconLines {
 public:
  using Clock = std::chrono::steady_clock;
  // Called once per command: true when it left, false when it was dropped.
  using Done = std::function<void(bool left)>;

  struct Command {
    std::uint64_t id = 0;
    std::uint64_t server = 0;
    RconChannel channel = RconChannel::Query;
    RconKind kind = RconKind::Action;
    std::string text;
    RconTiming timing;
    Clock::time_point issued{};
    Done done;
    // The engine's bookkeeping while the command is first in line.
    std::uint64_t ticket = 0;     // place in the flood spacing, 0 = none yet
    std::string paceKey;          // the address it took that place for
    Clock::time_point retryAt{};  // not before this (flood spacing, name lookup)
  };

  std::uint64_t Add(std::uint64_t server, RconChannel channel, RconKind kind, std::string text,
                    RconTiming timing, Clock::time_point now, Done done = nullptr);

  // The first command of every line whose time has come at now, oldest line
  // first. Pointers stay valid until the lines change.
  std::vector<Command*> DueHeads(Clock::time_point now);
  // When the next head's time comes (max() when nothing waits).
  Clock::time_point NextDue() const;

  // The head of server's line left at now: it goes, and its done is called.
  void Left(std::uint64_t server, Clock::time_point now);
  // Drops the head of server's line (done(false)); the line moves on.
  void DropHead(std::uint64_t server);
  // Drops the commands of a server: all, or only its reads. done(false) for
  // each, after the lines have changed. The heads' places in the flood
  // spacing are handed to cancel first.
  void DropServer(std::uint64_t server, bool readsOnly,
                  const std::function<void(const Command&)>& cancel = nullptr);
  // Drops everything (shut-down), calling nothing.
  void Clear() { lines_.clear(); }

  std::size_t Waiting() const;
  std::size_t Waiting(std::uint64_t server) const;
  // The commands waiting for server, in line order (tests).
  std::vector<std::string> Texts(std::uint64_t server) const;

 private:
  struct Line {
    std::deque<Command> commands;
    std::optional<Clock::time_point> lastLeft;
    std::optional<Clock::time_point> lastLeftQuery;
    std::optional<Clock::time_point> lastLeftVar;
  };
  Clock::time_point DueOf(const Line& line) const;

  std::map<std::uint64_t, Line> lines_;
  std::uint64_t nextId_ = 1;
};

}  // namespace zelmora
