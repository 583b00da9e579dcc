#include "engine/sweeps.h"

#include <QTimer>

#include "core/textutil.h"

namespace zelmora {

Sweeps::Sweeps(const ServerList& list, const Selection& selection,
               std::function<bool(std::size_t)> send, QObject* parent)
    : QObject(parent), list_(list), selection_(selection), send_(std::move(send)) {
  for (Progress* p : {&startUp_, &periodic_}) {
    p->timer = new QTimer(this);
    p->timer->setSingleShot(true);
    p->timer->setTimerType(Qt::PreciseTimer);
  }
  connect(startUp_.timer, &QTimer::timeout, this, [this] { Slice(startUp_, true); });
  connect(periodic_.timer, &QTimer::timeout, this, [this] { Slice(periodic_, false); });
}

void Sweeps::StartUp() {
  startUp_.next = 0;
  startUp_.running = true;
  Slice(startUp_, true);
}

void Sweeps::Periodic() {
  if (periodic_.running) return;
  periodic_.next = 0;
  periodic_.running = true;
  Slice(periodic_, false);
}

void Sweeps::Stop() {
  for (Progress* p : {&startUp_, &periodic_}) {
    p->timer->stop();
    p->running = false;
  }
}

void Sweeps::Slice(Progress& p, bool startUp) {
  int sent = 0;
  const int selected = selection_.Index();
  while (p.next < list_.Size()) {
    const std::size_t i = p.next++;
    const Tserverrec& e = list_.At(i);
    if (startUp && e.host.empty()) break;  // the start-up sweep ends here
    if (!startUp && static_cast<int>(i) == selected) continue;
    // An entry whose port is not a number can never be matched by a reply.
    if (!IsDecimalNumber(e.port.view())) continue;
    if (send_(i)) ++sent;
    if (sent >= kSlice && p.next < list_.Size()) {
      p.timer->start(kPauseMs);
      return;
    }
  }
  p.running = false;
}

}  // namespace zelmora
