#include "engine/rconpacer.h"

#include <algorithm>

namespace zelmora {

std::uint64_t RconPacer::Enqueue(const std::string& key, Priority priority) {
  std::lock_guard<std::mutex> lk(m_);
  const std::uint64_t ticket = next_++;
  lines_[key].tickets.push_back(Ticket{ticket, priority});
  return ticket;
}

std::deque<RconPacer::Ticket>::iterator RconPacer::Next(Line& line, bool limited) {
  if (!limited) return line.tickets.begin();
  // Within the budget the operator's commands go first, each kind in order.
  const auto op = std::find_if(line.tickets.begin(), line.tickets.end(),
                               [](const Ticket& t) { return t.priority == Priority::Operator; });
  return op != line.tickets.end() ? op : line.tickets.begin();
}

bool RconPacer::TryGo(const std::string& key, std::uint64_t ticket, Clock::time_point now,
                      Clock::time_point* retryAt) {
  std::lock_guard<std::mutex> lk(m_);
  auto it = lines_.find(key);
  if (it == lines_.end() || it->second.tickets.empty()) return false;
  Line& line = it->second;
  const bool limited = line.budget.Limited(now);
  const auto next = Next(line, limited);
  Clock::time_point allowed = line.sentBefore ? line.lastSent + gap_ : now;
  if (limited)
    allowed = std::max(
        allowed, line.budget.NextAllowed(next->priority, now, line.getStatusOwed ? 1.0 : 0.0));
  if (next->number != ticket || now < allowed) {
    // Not next: the one that is goes at `allowed` at the earliest.
    if (retryAt) *retryAt = std::max(allowed, now + std::chrono::milliseconds(1));
    return false;
  }
  line.tickets.erase(next);
  line.sentBefore = true;
  line.lastSent = now;
  line.budget.Sent(now);
  return true;
}

void RconPacer::Cancel(const std::string& key, std::uint64_t ticket) {
  std::lock_guard<std::mutex> lk(m_);
  auto it = lines_.find(key);
  if (it == lines_.end()) return;
  auto& t = it->second.tickets;
  t.erase(std::remove_if(t.begin(), t.end(), [&](const Ticket& x) { return x.number == ticket; }),
          t.end());
}

bool RconPacer::TakeGetStatus(const std::string& key, Clock::time_point now) {
  std::lock_guard<std::mutex> lk(m_);
  Line& line = lines_[key];
  if (line.budget.Limited(now)) {
    const bool due = !line.getStatusBefore || now - line.lastGetStatus >= kGetStatusDue;
    if (due) {
      if (!line.budget.Allows(Priority::Operator, now)) {
        line.getStatusOwed = true;
        return false;
      }
    } else {
      // Behind the operator's commands; beside a waiting poll, whichever
      // asks first when there is room.
      const bool operatorWaits =
          std::any_of(line.tickets.begin(), line.tickets.end(),
                      [](const Ticket& t) { return t.priority == Priority::Operator; });
      if (operatorWaits || !line.budget.Allows(Priority::Background, now)) return false;
    }
  }
  line.getStatusOwed = false;
  line.getStatusBefore = true;
  line.lastGetStatus = now;
  line.budget.Sent(now);
  return true;
}

void RconPacer::Answered(const std::string& key, Clock::time_point at) {
  std::lock_guard<std::mutex> lk(m_);
  const auto it = lines_.find(key);
  if (it != lines_.end()) it->second.budget.Answered(at);
}

void RconPacer::Lost(const std::string& key, Clock::time_point sentAt, Clock::time_point now) {
  std::lock_guard<std::mutex> lk(m_);
  const auto it = lines_.find(key);
  if (it != lines_.end()) it->second.budget.Lost(sentAt, now);
}

bool RconPacer::Limited(const std::string& key, Clock::time_point now) const {
  std::lock_guard<std::mutex> lk(m_);
  const auto it = lines_.find(key);
  return it != lines_.end() && it->second.budget.Limited(now);
}

bool RconPacer::AnsweredSince(const std::string& key, Clock::time_point since) const {
  std::lock_guard<std::mutex> lk(m_);
  const auto it = lines_.find(key);
  return it != lines_.end() && it->second.budget.LastAnswer() >= since;
}

std::vector<std::string> RconPacer::LimitedKeys(Clock::time_point now) const {
  std::lock_guard<std::mutex> lk(m_);
  std::vector<std::string> out;
  for (const auto& [key, line] : lines_)
    if (line.budget.Limited(now)) out.push_back(key);
  return out;
}

std::size_t RconPacer::Waiting() const {
  std::lock_guard<std::mutex> lk(m_);
  std::size_t n = 0;
  for (const auto& [key, line] : lines_) n += line.tickets.size();
  return n;
}

}  // namespace zelmora
