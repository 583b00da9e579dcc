// A main-window timer with the semantics the query settings rely on: it is
// switched on and off, and its interval is set, independently; it fires only
// while it is on AND its interval is above 0. (A bare QTimer with interval 0
// would fire on every pass of the event loop; an interval of 0 seconds in
// the settings means "never".)
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace zelmora {

class EngineTimer {
 public:
  EngineTimer(QObject* parent, const char* objectName, int intervalMs,
              std::function<void()> onTick);
  EngineTimer(const EngineTimer&) = delete;
  EngineTimer& operator=(const EngineTimer&) = delete;

  void SetEnabled(bool on);
  void SetInterval(int ms);  // negative values count as 0
  bool Enabled() const { return enabled_; }
  int Interval() const { return interval_; }
  // Whether it will fire (on and interval above 0).
  bool Active() const { return timer_->isActive(); }
  QTimer* qtimer() const { return timer_; }

 private:
  void Sync();
  QTimer* timer_;
  bool enabled_ = false;
  int interval_ = 0;
};

}  // namespace zelmora
