#include "engine/requestbudget.h"

#include <algorithm>
#include <cmath>

namespace zelmora {

namespace {
double Periods(RequestBudget::Clock::duration d) {
  return std::chrono::duration<double>(d) / std::chrono::duration<double>(RequestBudget::kPeriod);
}
}  // namespace

double RequestBudget::Level(Clock::time_point now) const {
  if (now <= levelAt_) return level_;
  return std::max(0.0, level_ - Periods(now - levelAt_));
}

void RequestBudget::Settle(Clock::time_point now) {
  if (limited_ && now >= FreeAt()) {
    limited_ = false;
    freedAt_ = now;
  }
}

void RequestBudget::Sent(Clock::time_point now) {
  Settle(now);
  // The real bucket holds ten; a request over it is dropped, not counted.
  level_ = std::min(Level(now) + 1, kBurst + 1);
  levelAt_ = std::max(now, levelAt_);
  if (level_ > kBusyLevel) lastBusy_ = now;
}

void RequestBudget::Answered(Clock::time_point at) {
  lastAnswer_ = std::max(lastAnswer_, at);
}

RequestBudget::Clock::time_point RequestBudget::FreeAt() const {
  return std::max(lastSign_, lastBusy_) + recoverAfter_;
}

bool RequestBudget::Limited(Clock::time_point now) const {
  return limited_ && now < FreeAt();
}

void RequestBudget::Lost(Clock::time_point sentAt, Clock::time_point now) {
  // Nothing came since: the server may be down or the way to it broken.
  if (lastAnswer_ < sentAt) return;
  Settle(now);
  ++signs_;
  while (!recentSigns_.empty() && recentSigns_.front() + kSignWindow < now)
    recentSigns_.pop_front();
  recentSigns_.push_back(now);
  // Limited already: the model let something through that the server
  // dropped (another program of this address, a slower clock), and the
  // pause starts again. Soon after it counted as free again: it still
  // limits, and the next pause is longer.
  const bool limited = Limited(now);
  const bool relapse = !limited && freedAt_ && now < *freedAt_ + kRelapseWindow;
  if (relapse) recoverAfter_ = std::min<std::chrono::seconds>(recoverAfter_ * 2, kLongestRecovery);
  if (limited || relapse || recentSigns_.size() >= 2) {
    limited_ = true;
    lastSign_ = now;
  }
}

double RequestBudget::Cap(Priority priority) const {
  return priority == Priority::Operator ? kBurst : kBurst - kBackgroundReserve;
}

bool RequestBudget::Allows(Priority priority, Clock::time_point now, double reserve) const {
  if (!Limited(now)) return true;
  return Level(now) + 1 <= Cap(priority) - reserve + 1e-9;
}

RequestBudget::Clock::time_point RequestBudget::NextAllowed(Priority priority,
                                                            Clock::time_point now,
                                                            double reserve) const {
  if (Allows(priority, now, reserve)) return now;
  const double over = Level(now) + 1 - (Cap(priority) - reserve);
  const auto wait =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kPeriod) * over);
  return now + wait + std::chrono::milliseconds(1);
}

}  // namespace zelmora
