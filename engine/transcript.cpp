#include "engine/transcript.h"

#include <algorithm>

namespace zelmora {

namespace {
// Outputs that may still grow are the last few of a server.
constexpr std::size_t kBlocksKept = 8;
}  // namespace

void Transcript::Append(const std::string& line, bool note) {
  lines_.push_back(Entry{line, note});
  while (lines_.size() > kMaxLines) {
    lines_.pop_front();
    ++begin_;
  }
}

void Transcript::AddCommand(const std::string& command) {
  Append(kCommandMark + command);
}

void Transcript::AddNote(const std::string& line) {
  Append(line, true);
}

std::uint64_t Transcript::AddOutput(const std::vector<std::string>& lines) {
  const Block b{nextBlock_++, End(), lines.size()};
  for (const std::string& l : lines) Append(l);
  blocks_.push_back(b);
  if (blocks_.size() > kBlocksKept) blocks_.pop_front();
  return b.id;
}

void Transcript::ReplaceOutput(std::uint64_t output, const std::vector<std::string>& lines) {
  const auto it =
      std::find_if(blocks_.begin(), blocks_.end(), [&](const Block& b) { return b.id == output; });
  if (it == blocks_.end() || it->first < begin_) return;
  const std::size_t at = it->first - begin_;
  const std::size_t count = std::min(it->count, lines_.size() - at);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at),
               lines_.begin() + static_cast<std::ptrdiff_t>(at + count));
  std::vector<Entry> entries;
  entries.reserve(lines.size());
  for (const std::string& l : lines) entries.push_back(Entry{l, false});
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), entries.begin(), entries.end());
  const std::ptrdiff_t grown =
      static_cast<std::ptrdiff_t>(lines.size()) - static_cast<std::ptrdiff_t>(count);
  it->count = lines.size();
  for (auto later = std::next(it); later != blocks_.end(); ++later)
    later->first = static_cast<std::uint64_t>(static_cast<std::ptrdiff_t>(later->first) + grown);
  while (lines_.size() > kMaxLines) {
    lines_.pop_front();
    ++begin_;
  }
  ++rewrites_;
}

std::vector<std::string> Transcript::From(std::uint64_t number) const {
  const std::uint64_t from = std::max(number, begin_);
  if (from >= End()) return {};
  std::vector<std::string> out;
  for (auto it = lines_.begin() + static_cast<std::ptrdiff_t>(from - begin_); it != lines_.end();
       ++it)
    out.push_back(it->text);
  return out;
}

}  // namespace zelmora
