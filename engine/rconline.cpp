#include "engine/rconline.h"

#include <algorithm>

namespace zelmora {

std::uint64_t RconLine::Add(RconChannel channel, RconKind kind, std::string text, RconTiming timing,
                            Clock::time_point now, Done done, int resends, Answer answer) {
  Command c;
  c.id = nextId_++;
  c.channel = channel;
  c.kind = kind;
  c.text = std::move(text);
  c.timing = timing;
  c.issued = now;
  c.done = std::move(done);
  c.resends = resends;
  c.answer = std::move(answer);
  commands_.push_back(std::move(c));
  return nextId_ - 1;
}

RconLine::Clock::time_point RconLine::NextDue() const {
  if (commands_.empty()) return Clock::time_point::max();
  const Command& c = commands_.front();
  Clock::time_point due = c.issued + c.timing.afterIssue;
  const auto& same = c.channel == RconChannel::Query ? lastLeftQuery_ : lastLeftVar_;
  if (same) due = std::max(due, *same + c.timing.afterPreviousSame);
  if (lastLeft_) due = std::max(due, *lastLeft_ + c.timing.afterPrevious);
  return std::max(due, c.retryAt);
}

RconLine::Command* RconLine::DueHead(Clock::time_point now) {
  if (commands_.empty() || NextDue() > now) return nullptr;
  return &commands_.front();
}

void RconLine::Left(Clock::time_point now) {
  if (commands_.empty()) return;
  Command c = std::move(commands_.front());
  commands_.pop_front();
  lastLeft_ = now;
  (c.channel == RconChannel::Query ? lastLeftQuery_ : lastLeftVar_) = now;
  if (c.done) c.done(true);
}

void RconLine::DropHead() {
  if (commands_.empty()) return;
  Command c = std::move(commands_.front());
  commands_.pop_front();
  if (c.done) c.done(false);
}

void RconLine::Drop(bool readsOnly, const std::function<void(const Command&)>& cancel) {
  std::vector<Command> dropped;
  for (auto c = commands_.begin(); c != commands_.end();) {
    if (readsOnly && c->kind != RconKind::Read) {
      ++c;
      continue;
    }
    if (c->ticket && cancel) cancel(*c);
    dropped.push_back(std::move(*c));
    c = commands_.erase(c);
  }
  for (Command& c : dropped)
    if (c.done) c.done(false);
}

std::vector<std::string> RconLine::Texts() const {
  std::vector<std::string> out;
  for (const Command& c : commands_) out.push_back(c.text);
  return out;
}

}  // namespace zelmora
