#include "engine/messagetimer.h"

#include <QPointer>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace zelmora {

MessageTimer::MessageTimer(SendFn send, QObject* parent) : QObject(parent), send_(std::move(send)) {
  timer_ = std::make_unique<EngineTimer>(this, "Timer7", 1000, [this] { Tick(); });
}

void MessageTimer::Start(int seconds) {
  timer_->SetEnabled(false);
  ++run_;
  sent_ = 0;
  seconds_ = seconds;
  // A zero interval never fires: it must not flood the server.
  const std::int64_t ms = std::int64_t{seconds} * 1000;
  timer_->SetInterval(
      static_cast<int>(std::clamp<std::int64_t>(ms, 0, std::numeric_limits<int>::max())));
  timer_->SetEnabled(true);
  emit Changed();
}

void MessageTimer::Stop() {
  if (!timer_->Enabled()) return;
  timer_->SetEnabled(false);
  emit Changed();
}

void MessageTimer::Tick() {
  QPointer<MessageTimer> self(this);
  const bool taken = send_(text_, [self, run = run_](bool left) {
    if (!self || !left || run != self->run_) return;
    ++self->sent_;
    emit self->Changed();
  });
  if (!taken) Stop();
}

}  // namespace zelmora
