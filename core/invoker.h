// Hand-over from a worker thread to the main thread.
//
// Workers never touch main-thread state themselves: they ask the main thread
// to run a piece of work and block until it has run. The wait also watches
// the worker's stop flag, so a worker can never hang in a hand-over while the
// main thread is shutting down (and waiting for the worker).
#pragma once

#include <atomic>
#include <functional>

namespace zelmora {

class MainThreadInvoker {
 public:
  virtual ~MainThreadInvoker() = default;

  // Runs fn on the main thread and returns once it has finished (true).
  // When stop becomes true before fn has started, fn is never run and the
  // call returns false. Once fn has started it always runs to its end and the
  // call waits for that. Exceptions thrown by fn are swallowed.
  virtual bool RunAndWait(std::function<void()> fn, const std::atomic<bool>& stop) = 0;
};

// For single-threaded code and tests: runs fn at once on the calling thread.
class DirectInvoker final : public MainThreadInvoker {
 public:
  bool RunAndWait(std::function<void()> fn, const std::atomic<bool>& stop) override {
    if (stop.load()) return false;
    try {
      fn();
    } catch (...) {
    }
    return true;
  }
};

}  // namespace zelmora
