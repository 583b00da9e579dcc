#include "engine/enginetimer.h"

namespace zelmora {

EngineTimer::EngineTimer(QObject* parent, const char* objectName, int intervalMs,
                         std::function<void()> onTick)
    : timer_(new QTimer(parent)), interval_(intervalMs > 0 ? intervalMs : 0) {
  timer_->setObjectName(QString::fromLatin1(objectName));
  timer_->setSingleShot(false);
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_, &QTimer::timeout, timer_, [fn = std::move(onTick)] { fn(); });
}

// Setting the value it already has changes nothing (a running period goes on).
void EngineTimer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Sync();
}

void EngineTimer::SetInterval(int ms) {
  ms = ms > 0 ? ms : 0;
  if (ms == interval_) return;
  interval_ = ms;
  Sync();
}

void EngineTimer::Sync() {
  if (enabled_ && interval_ > 0) {
    // A changed interval of a running timer begins a new period.
    timer_->start(interval_);
  } else {
    timer_->stop();
  }
}

}  // namespace zelmora
