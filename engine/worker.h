// One worker thread and its stop request.
//
// The body runs on its own thread with a Stop it must look at: it returns
// soon after the stop is requested (receives wait in short slices, sleeps
// wake at once). Join waits until a deadline; a thread still running then
// (blocked in a call it cannot leave) is detached and finishes on its own.
// Whatever such a thread uses must therefore be owned by the body itself or
// shared with it through a shared_ptr, never borrowed from the owner.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace zelmora {

class Worker {
 public:
  using Clock = std::chrono::steady_clock;

  // What the body sees of its stop request.
  class Stop {
   public:
    bool Requested() const { return flag_.load(); }
    // The flag itself, for waits that take one (hand-overs).
    const std::atomic<bool>& Flag() const { return flag_; }
    // Sleeps for d unless the stop is requested first; true when stopped.
    bool SleepFor(std::chrono::microseconds d) const;

   private:
    friend class Worker;
    std::atomic<bool> flag_{false};
    mutable std::mutex m_;
    mutable std::condition_variable cv_;
    bool done_ = false;
  };

  Worker() = default;
  // Requests the stop and waits at most a second.
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts body on a new thread (once).
  void Start(std::function<void(const Stop&)> body);
  void RequestStop();
  // Waits until the thread has ended or until passes. True when it ended
  // (and was joined); false when it was left behind (detached).
  bool Join(Clock::time_point until);
  bool Started() const { return thread_.joinable() || stop_ != nullptr; }

 private:
  std::shared_ptr<Stop> stop_;
  std::thread thread_;
};

}  // namespace zelmora
