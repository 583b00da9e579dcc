#include "engine/rconlines.h"

#include <algorithm>

namespace zelmora {

std::uint64_t RconLines::Add(std::uint64_t server, RconChannel channel, RconKind kind,
                             std::string text, RconTiming timing, Clock::time_point now,
                             Done done) {
  Command c;
  c.id = nextId_++;
  c.server = server;
  c.channel = channel;
  c.kind = kind;
  c.text = std::move(text);
  c.timing = timing;
  c.issued = now;
  c.done = std::move(done);
  lines_[server].commands.push_back(std::move(c));
  return nextId_ - 1;
}

RconLines::Clock::time_point RconLines::DueOf(const Line& line) const {
  const Command& c = line.commands.front();
  Clock::time_point due = c.issued + c.timing.afterIssue;
  const auto& same = c.channel == RconChannel::Query ? line.lastLeftQuery : line.lastLeftVar;
  if (same) due = std::max(due, *same + c.timing.afterPreviousSame);
  if (line.lastLeft) due = std::max(due, *line.lastLeft + c.timing.afterPrevious);
  return std::max(due, c.retryAt);
}

std::vector<RconLines::Command*> RconLines::DueHeads(Clock::time_point now) {
  std::vector<Command*> out;
  for (auto& [server, line] : lines_) {
    if (line.commands.empty()) continue;
    if (DueOf(line) <= now) out.push_back(&line.commands.front());
  }
  std::sort(out.begin(), out.end(),
            [](const Command* a, const Command* b) { return a->id < b->id; });
  return out;
}

RconLines::Clock::time_point RconLines::NextDue() const {
  Clock::time_point next = Clock::time_point::max();
  for (const auto& [server, line] : lines_)
    if (!line.commands.empty()) next = std::min(next, DueOf(line));
  return next;
}

void RconLines::Left(std::uint64_t server, Clock::time_point now) {
  auto it = lines_.find(server);
  if (it == lines_.end() || it->second.commands.empty()) return;
  Line& line = it->second;
  Command c = std::move(line.commands.front());
  line.commands.pop_front();
  line.lastLeft = now;
  (c.channel == RconChannel::Query ? line.lastLeftQuery : line.lastLeftVar) = now;
  if (c.done) c.done(true);
}

void RconLines::DropHead(std::uint64_t server) {
  auto it = lines_.find(server);
  if (it == lines_.end() || it->second.commands.empty()) return;
  Command c = std::move(it->second.commands.front());
  it->second.commands.pop_front();
  if (c.done) c.done(false);
}

void RconLines::DropServer(std::uint64_t server, bool readsOnly,
                           const std::function<void(const Command&)>& cancel) {
  auto it = lines_.find(server);
  if (it == lines_.end()) return;
  std::deque<Command>& commands = it->second.commands;
  std::vector<Command> dropped;
  for (auto c = commands.begin(); c != commands.end();) {
    if (readsOnly && c->kind != RconKind::Read) {
      ++c;
      continue;
    }
    if (c->ticket && cancel) cancel(*c);
    dropped.push_back(std::move(*c));
    c = commands.erase(c);
  }
  if (commands.empty() && !readsOnly) lines_.erase(it);
  for (Command& c : dropped)
    if (c.done) c.done(false);
}

std::size_t RconLines::Waiting() const {
  std::size_t n = 0;
  for (const auto& [server, line] : lines_) n += line.commands.size();
  return n;
}

std::size_t RconLines::Waiting(std::uint64_t server) const {
  const auto it = lines_.find(server);
  return it == lines_.end() ? 0 : it->second.commands.size();
}

std::vector<std::string> RconLines::Texts(std::uint64_t server) const {
  std::vector<std::string> out;
  const auto it = lines_.find(server);
  if (it != lines_.end())
    for (const Command& c : it->second.commands) out.push_back(c.text);
  return out;
}

}  // namespace zelmora
