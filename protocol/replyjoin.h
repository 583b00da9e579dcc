// Outputs of rcon commands put back together.
//
// A server answers an rcon command with its console output in "print"
// datagrams of about 1 KB each: a longer output (a status table, cvarlist,
// a map directory of a few hundred names) is cut at arbitrary places, mid
// line too, and the pieces leave the server at once, one after the other.
// Commands to one server are at least half a second apart (it drops closer
// ones), so the datagrams of one output come in a burst and the next
// output's come much later: a pause in a sender's datagrams ends an output.
//
// Plain C++; the times are milliseconds of any one clock, handed in by the
// caller, so the rules can be checked without waiting.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/rconreply.h"

namespace zelmora {

// A datagram whose text after the four leading bytes begins "print" and a
// line feed.
bool IsPrintReply(std::string_view datagram);

// One command's output as a single reply: the four 0xFF bytes, "print", a
// line feed, then the bodies of its datagrams in arrival order.
struct PrintOutput {
  std::string sender;
  std::string text;
  std::size_t datagrams = 0;
  bool truncated = false;  // a bound was reached: the rest of the burst was left out
  double first = 0;        // arrival of its first datagram
  double last = 0;         // arrival of its last datagram
};

class PrintJoiner {
 public:
  // An output holds at most this much (as the status poll does); the rest of
  // a longer burst is left out, it never starts an output of its own.
  static constexpr std::size_t kMaxDatagrams = 64;
  static constexpr std::size_t kMaxBytes = 256 * 1024;
  // Quiet time after which a sender's output counts as complete. The pieces
  // of one output come within milliseconds of each other even over a slow
  // line; the next command's output cannot start within 500 ms.
  static constexpr double kDefaultGapMs = 150;

  explicit PrintJoiner(double gapMs = kDefaultGapMs) : gapMs_(gapMs) {}

  // Takes a print datagram of sender (any text naming it, e.g. "ip:port")
  // that arrived at nowMs. Other datagrams are not taken (false). Outputs of
  // other senders that are complete at nowMs are finished first, so they
  // keep their order.
  bool Add(const std::string& sender, std::string_view datagram, double nowMs);

  // Outputs complete at nowMs, in the order they began; they are removed.
  std::vector<PrintOutput> TakeFinished(double nowMs);
  // Every output still being collected, complete or not (shut-down, tests).
  std::vector<PrintOutput> TakeAll();
  // When the next output will be complete; infinity when none is open.
  double NextFinish() const;
  // Forgets what sender has sent so far.
  void Drop(const std::string& sender);
  std::size_t Open() const { return open_.size(); }

 private:
  // Moves the outputs whose sender has been quiet long enough to finished_.
  void FinishQuiet(double nowMs);

  double gapMs_;
  std::vector<PrintOutput> open_;  // in the order they began
  std::vector<PrintOutput> finished_;
};

// One server's outputs on one channel. An output is complete once its
// server has been quiet for the gap; a datagram that comes later, before
// the next command to that server has left, still belongs to it (a slow
// line, a server that paces its output) and is added to it. Once a command
// has left, the next datagram begins a new output.
class OutputJoiner {
 public:
  enum class Took {
    None,  // not a print datagram
    Open,  // joined to the output being collected
    Late   // added to the last complete output (LastFinished, grown)
  };

  explicit OutputJoiner(double gapMs = PrintJoiner::kDefaultGapMs) : gapMs_(gapMs) {}

  Took Add(std::string_view datagram, double nowMs);
  // The open output once it is complete at nowMs (or at once with force: a
  // command is about to leave); it becomes LastFinished.
  std::optional<PrintOutput> TakeFinished(double nowMs, bool force = false);
  // When the open output will be complete; infinity when none is open.
  double NextFinish() const;
  // A command left: whatever comes now is a new output.
  void CommandLeft();
  // The last complete output that may still grow, nullptr when none may.
  const PrintOutput* LastFinished() const { return last_ ? &*last_ : nullptr; }

 private:
  static void Append(PrintOutput& o, std::string_view datagram, double nowMs);

  double gapMs_;
  std::optional<PrintOutput> open_;
  std::optional<PrintOutput> last_;
};

// The answers that reach the status poll's own socket from the polled
// server, in arrival order, and the one table taken from them.
//
// One answer is the datagram with the "map:" line and the pieces that follow
// it; pieces before the first map datagram are taken as pieces of that
// answer that overtook it (the map datagram is put first, as always). A
// second map datagram begins another answer: a late answer to an earlier
// poll, or ours after a late one. Answers are never spliced: the table is
// the first answer that is complete (its output ends with the empty line
// that ends every status output), else the first one there is.
class StatusAnswers {
 public:
  // Only print datagrams count; anything else is not taken.
  void Add(std::string_view datagram);
  // The table of the chosen answer (found is false without any map datagram).
  StatusAssembly Result() const;
  std::size_t Answers() const { return answers_.size(); }

 private:
  std::vector<std::string> before_;  // pieces before the first map datagram
  std::vector<std::vector<std::string>> answers_;
};

// Whether an assembled status table text is a whole output: it ends with
// the empty last line (a line feed after the last row's line feed).
bool StatusTableComplete(std::string_view table);

}  // namespace zelmora
