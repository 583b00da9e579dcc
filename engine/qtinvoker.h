// MainThreadInvoker for a Qt main thread.
//
// A worker queues its call in a list of our own (guarded by a std::mutex) and
// posts a wake-up to a small QObject living on the main thread; the main
// thread's event loop then runs every queued call between its other events.
// The call's payload travels through that mutex and a release/acquire state
// word, never through Qt's event queue, so the hand-over is ordered for every
// checker, ThreadSanitizer included.
//
// Waiting workers wake in short slices to look at their stop flag: a call
// that has not started yet is cancelled (it will never run); one that has
// started is awaited (the main thread never waits for a worker while it runs
// a handler, so this cannot deadlock).
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "core/invoker.h"

namespace zelmora {

class InvokerDispatcher;

class QtMainThreadInvoker final : public MainThreadInvoker {
 public:
  // Construct on the main thread (the thread whose event loop runs the calls).
  QtMainThreadInvoker();
  ~QtMainThreadInvoker() override;
  QtMainThreadInvoker(const QtMainThreadInvoker&) = delete;
  QtMainThreadInvoker& operator=(const QtMainThreadInvoker&) = delete;

  // Called on the main thread itself, fn runs at once (unless stop is set).
  bool RunAndWait(std::function<void()> fn, const std::atomic<bool>& stop) override;

  // From now on nothing reaches the main thread any more: calls still queued
  // are cancelled (their callers return false) and later calls return false
  // at once. Main thread only; the owner calls it before it frees what the
  // handlers use.
  void Detach();

  // How often a waiting worker looks at its stop flag (20 ms by default).
  void SetWaitSlice(std::chrono::milliseconds slice);

  // Calls queued and not yet taken by the main thread (diagnostics, tests).
  std::size_t PendingCalls() const;

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  InvokerDispatcher* dispatcher_ = nullptr;  // owned
  std::thread::id home_;
};

}  // namespace zelmora
