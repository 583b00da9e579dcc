#include "engine/qtinvoker.h"

#include <QMetaObject>
#include <QObject>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace zelmora {

namespace {

enum CallState : int { kPending = 0, kRunning = 1, kDone = 2, kCancelled = 3 };

struct Call {
  std::function<void()> fn;
  std::atomic<int> state{kPending};
  std::mutex m;
  std::condition_variable cv;

  void Finish(int final) {
    {
      std::lock_guard<std::mutex> lk(m);
      state.store(final, std::memory_order_release);
    }
    cv.notify_all();
  }
};

}  // namespace

// Lives on the main thread; its only job is to be woken by queued events.
class InvokerDispatcher : public QObject {
  Q_OBJECT
 public:
  explicit InvokerDispatcher(std::function<void()> drain) : drain_(std::move(drain)) {}
 public slots:
  void Drain() { drain_(); }

 private:
  std::function<void()> drain_;
};

struct QtMainThreadInvoker::Shared {
  mutable std::mutex m;
  std::deque<std::shared_ptr<Call>> queue;
  InvokerDispatcher* dispatcher = nullptr;  // posted to; null once detached
  std::chrono::milliseconds slice{20};

  // Main thread: runs everything queued so far, one call at a time. A call is
  // taken out of the queue before it runs, so a handler that lets events run
  // (nested event loop) does not run it twice.
  void DrainAll() {
    for (;;) {
      std::shared_ptr<Call> call;
      {
        std::lock_guard<std::mutex> lk(m);
        if (queue.empty()) return;
        call = std::move(queue.front());
        queue.pop_front();
      }
      int expected = kPending;
      if (!call->state.compare_exchange_strong(expected, kRunning, std::memory_order_acq_rel))
        continue;  // cancelled by its worker meanwhile
      try {
        call->fn();
      } catch (...) {
      }
      call->Finish(kDone);
    }
  }
};

QtMainThreadInvoker::QtMainThreadInvoker()
    : shared_(std::make_shared<Shared>()), home_(std::this_thread::get_id()) {
  std::weak_ptr<Shared> weak = shared_;
  dispatcher_ = new InvokerDispatcher([weak] {
    if (auto s = weak.lock()) s->DrainAll();
  });
  shared_->dispatcher = dispatcher_;
}

QtMainThreadInvoker::~QtMainThreadInvoker() {
  Detach();
  // Queued wake-ups for the dispatcher are discarded by Qt. The last owner
  // may be a worker that outlived its shutdown deadline: then the main thread
  // deletes the dispatcher.
  if (std::this_thread::get_id() == home_)
    delete dispatcher_;
  else
    dispatcher_->deleteLater();
}

void QtMainThreadInvoker::Detach() {
  std::deque<std::shared_ptr<Call>> cancelled;
  {
    std::lock_guard<std::mutex> lk(shared_->m);
    // The dispatcher object itself is deleted by the destructor; from here on
    // nobody posts to it.
    shared_->dispatcher = nullptr;
    cancelled.swap(shared_->queue);
  }
  for (auto& call : cancelled) {
    int expected = kPending;
    if (call->state.compare_exchange_strong(expected, kCancelled, std::memory_order_acq_rel))
      call->Finish(kCancelled);
  }
}

void QtMainThreadInvoker::SetWaitSlice(std::chrono::milliseconds slice) {
  std::lock_guard<std::mutex> lk(shared_->m);
  shared_->slice = slice.count() > 0 ? slice : std::chrono::milliseconds(1);
}

std::size_t QtMainThreadInvoker::PendingCalls() const {
  std::lock_guard<std::mutex> lk(shared_->m);
  return shared_->queue.size();
}

bool QtMainThreadInvoker::RunAndWait(std::function<void()> fn, const std::atomic<bool>& stop) {
  if (stop.load()) return false;
  if (std::this_thread::get_id() == home_) {
    {
      std::lock_guard<std::mutex> lk(shared_->m);
      if (!shared_->dispatcher) return false;
    }
    try {
      fn();
    } catch (...) {
    }
    return true;
  }

  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  std::chrono::milliseconds slice;
  {
    std::lock_guard<std::mutex> lk(shared_->m);
    if (!shared_->dispatcher) return false;
    slice = shared_->slice;
    shared_->queue.push_back(call);
    // Posting under our mutex: Detach cannot clear the dispatcher in between.
    QMetaObject::invokeMethod(shared_->dispatcher, "Drain", Qt::QueuedConnection);
  }

  std::unique_lock<std::mutex> lk(call->m);
  for (;;) {
    if (call->cv.wait_for(lk, slice, [&] {
          const int s = call->state.load(std::memory_order_acquire);
          return s == kDone || s == kCancelled;
        })) {
      return call->state.load(std::memory_order_acquire) == kDone;
    }
    if (stop.load()) {
      int expected = kPending;
      if (call->state.compare_exchange_strong(expected, kCancelled, std::memory_order_acq_rel))
        return false;
      // Already running on the main thread: it finishes; wait for that.
    }
  }
}

}  // namespace zelmora

#include "qtinvoker.moc"
