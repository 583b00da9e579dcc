#include "engine/worker.h"

namespace zelmora {

bool Worker::Stop::SleepFor(std::chrono::microseconds d) const {
  std::unique_lock<std::mutex> lk(m_);
  return cv_.wait_for(lk, d, [&] { return flag_.load(); });
}

Worker::~Worker() {
  RequestStop();
  Join(Clock::now() + std::chrono::seconds(1));
}

void Worker::Start(std::function<void(const Stop&)> body) {
  if (stop_) return;
  stop_ = std::make_shared<Stop>();
  thread_ = std::thread([stop = stop_, body = std::move(body)] {
    body(*stop);
    {
      std::lock_guard<std::mutex> lk(stop->m_);
      stop->done_ = true;
    }
    stop->cv_.notify_all();
  });
}

void Worker::RequestStop() {
  if (!stop_) return;
  {
    std::lock_guard<std::mutex> lk(stop_->m_);
    stop_->flag_.store(true);
  }
  stop_->cv_.notify_all();
}

bool Worker::Join(Clock::time_point until) {
  if (!stop_) return true;
  // Left behind by an earlier join: it has had its time; it counts as
  // ended only once its body has returned.
  if (!thread_.joinable()) {
    std::lock_guard<std::mutex> lk(stop_->m_);
    return stop_->done_;
  }
  bool done = false;
  {
    std::unique_lock<std::mutex> lk(stop_->m_);
    done = stop_->cv_.wait_until(lk, until, [&] { return stop_->done_; });
  }
  if (done) {
    thread_.join();
    return true;
  }
  thread_.detach();
  return false;
}

}  // namespace zelmora
