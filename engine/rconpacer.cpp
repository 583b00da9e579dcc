#include "engine/rconpacer.h"

#include <algorithm>

namespace zelmora {

std::uint64_t RconPacer::Enqueue(const std::string& key) {
  std::lock_guard<std::mutex> lk(m_);
  const std::uint64_t ticket = next_++;
  lines_[key].tickets.push_back(ticket);
  return ticket;
}

bool RconPacer::TryGo(const std::string& key, std::uint64_t ticket, Clock::time_point now,
                      Clock::time_point* retryAt) {
  std::lock_guard<std::mutex> lk(m_);
  auto it = lines_.find(key);
  if (it == lines_.end() || it->second.tickets.empty()) return false;
  Line& line = it->second;
  const Clock::time_point allowed = line.sentBefore ? line.lastSent + gap_ : now;
  if (line.tickets.front() != ticket || now < allowed) {
    // Not first: the one in front goes at `allowed` at the earliest.
    if (retryAt) *retryAt = std::max(allowed, now + std::chrono::milliseconds(1));
    return false;
  }
  line.tickets.pop_front();
  line.sentBefore = true;
  line.lastSent = now;
  return true;
}

void RconPacer::Cancel(const std::string& key, std::uint64_t ticket) {
  std::lock_guard<std::mutex> lk(m_);
  auto it = lines_.find(key);
  if (it == lines_.end()) return;
  auto& t = it->second.tickets;
  t.erase(std::remove(t.begin(), t.end(), ticket), t.end());
}

std::size_t RconPacer::Waiting() const {
  std::lock_guard<std::mutex> lk(m_);
  std::size_t n = 0;
  for (const auto& [key, line] : lines_) n += line.tickets.size();
  return n;
}

}  // namespace zelmora
