// A server's console: the commands that left for it on the query channel
// and their whole outputs, in order, and notes about commands (no answer,
// not sent). Bounded: the oldest lines go beyond kMaxLines.
//
// Commands and outputs are the server's bytes; notes are Zelmora's own
// words (UTF-8), told apart by IsNote.
//
// Lines are numbered from the start of the run, so a view can add what is
// new (From) instead of drawing everything again; an output that grew after
// it was shown (a late datagram) is replaced in place, which Rewrites
// counts so the view knows to draw anew.
//
// Plain C++, main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace zelmora {

class Transcript {
 public:
  static constexpr std::size_t kMaxLines = 2000;
  // The marker before a command line.
  static constexpr const char* kCommandMark = "> ";

  void AddCommand(const std::string& command);
  // Appends an output's lines; returns its number for ReplaceOutput.
  std::uint64_t AddOutput(const std::vector<std::string>& lines);
  // The output got more lines: they replace its old ones where it stands
  // (nothing when it has left the transcript).
  void ReplaceOutput(std::uint64_t output, const std::vector<std::string>& lines);
  void AddNote(const std::string& line);

  // Line numbers: the first kept line and one past the last.
  std::uint64_t Begin() const { return begin_; }
  std::uint64_t End() const { return begin_ + lines_.size(); }
  const std::string& Line(std::uint64_t number) const { return lines_[number - begin_].text; }
  bool IsNote(std::uint64_t number) const { return lines_[number - begin_].note; }
  std::vector<std::string> From(std::uint64_t number) const;
  std::uint64_t Rewrites() const { return rewrites_; }
  bool Empty() const { return lines_.empty(); }

 private:
  struct Entry {
    std::string text;
    bool note = false;
  };
  void Append(const std::string& line, bool note = false);

  std::deque<Entry> lines_;
  std::uint64_t begin_ = 0;
  std::uint64_t rewrites_ = 0;
  // Where each recent output stands: its number, first line and length.
  struct Block {
    std::uint64_t id;
    std::uint64_t first;
    std::size_t count;
  };
  std::deque<Block> blocks_;
  std::uint64_t nextBlock_ = 1;
};

}  // namespace zelmora
