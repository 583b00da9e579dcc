#include "engine/receivers.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "engine/clock.h"
#include "engine/qtinvoker.h"

namespace zelmora {

namespace {

// Datagrams handed to the main thread in one go: enough to keep the cost of
// a hand-over small next to the handling, few enough that the window gets
// its events in between.
constexpr std::size_t kHandOverBatch = 256;
// How long the hand-over thread waits for more once a datagram is there.
constexpr std::chrono::microseconds kHandOverGather{1500};

// The get thread's inbox: the reader appends, the hand-over thread takes
// everything there is. Bounded in datagrams and bytes: beyond that a datagram
// is dropped, as the kernel would drop it.
class Inbox {
 public:
  void Push(Inbound d) {
    std::lock_guard<std::mutex> lk(m_);
    if (queue_.size() >= Receivers::kInboxDatagrams ||
        bytes_ + d.data.size() > Receivers::kInboxBytes) {
      ++dropped_;
      return;
    }
    bytes_ += d.data.size();
    queue_.push_back(std::move(d));
    cv_.notify_one();
  }
  // Waits up to wait for datagrams (more: for wait, however many come);
  // moves at most max of them into out.
  void Take(std::vector<Inbound>& out, std::chrono::microseconds wait, const Worker::Stop& stop,
            bool more = false) {
    if (more) stop.SleepFor(wait);  // a stop request ends the gathering at once
    std::unique_lock<std::mutex> lk(m_);
    if (!more)
      cv_.wait_for(lk, wait, [&] { return !queue_.empty() || stop.Requested() || closed_; });
    while (!queue_.empty() && out.size() < kHandOverBatch) {
      bytes_ -= queue_.front().data.size();
      out.push_back(std::move(queue_.front()));
      queue_.pop_front();
    }
  }
  void Close() {
    std::lock_guard<std::mutex> lk(m_);
    closed_ = true;
    cv_.notify_all();
  }
  std::uint64_t Dropped() const {
    std::lock_guard<std::mutex> lk(m_);
    return dropped_;
  }

 private:
  mutable std::mutex m_;
  std::condition_variable cv_;
  std::deque<Inbound> queue_;
  std::size_t bytes_ = 0;
  std::uint64_t dropped_ = 0;
  bool closed_ = false;
};

}  // namespace

struct Receivers::Shared {
  UdpSocket querySocket;
  UdpSocket udpb;
  Inbox inbox;
  std::shared_ptr<QtMainThreadInvoker> invoker;
};

Receivers::Receivers() : shared_(std::make_shared<Shared>()) {}

Receivers::~Receivers() {
  Stop(std::chrono::steady_clock::now() + std::chrono::seconds(1));
}

bool Receivers::Open() {
  return shared_->querySocket.Open(kBurstReceiveBuffer) && shared_->udpb.Open(kBurstReceiveBuffer);
}

void Receivers::Start(std::shared_ptr<QtMainThreadInvoker> invoker, QueryHandler onQuery,
                      VarHandler onVar) {
  shared_->invoker = std::move(invoker);
  auto s = shared_;
  get_.Start([s](const Worker::Stop& stop) {
    while (!stop.Requested()) {
      UdpSocket::Received r = s->querySocket.Receive(200, kMaxDatagram);
      if (!r.got || r.data.empty()) continue;  // nothing, or a failed receive
      const double arrival = HiResMs() - r.ageMs;
      s->inbox.Push(Inbound{std::move(r.data), std::move(r.host), r.port, arrival});
    }
    s->inbox.Close();
  });
  getHand_.Start([s, onQuery = std::move(onQuery)](const Worker::Stop& stop) {
    std::vector<Inbound> batch;
    while (!stop.Requested()) {
      batch.clear();
      s->inbox.Take(batch, std::chrono::milliseconds(200), stop);
      if (batch.empty()) continue;
      // During a sweep replies come one after the other: what arrives within
      // the next moment goes along, so that the main thread takes them in a
      // few hand-overs rather than one each. The arrival stamps keep the
      // pings exact; the view is a millisecond or two later at most.
      if (batch.size() < kHandOverBatch) s->inbox.Take(batch, kHandOverGather, stop, true);
      s->invoker->RunAndWait([&] { onQuery(batch); }, stop.Flag());
    }
  });
  getb_.Start([s, onVar = std::move(onVar)](const Worker::Stop& stop) {
    while (!stop.Requested()) {
      UdpSocket::Received r = s->udpb.Receive(100, kMaxVarDatagram);
      if (!r.got || r.data.empty()) continue;
      s->invoker->RunAndWait([&] { onVar(r.data, r.host, r.port); }, stop.Flag());
    }
  });
}

bool Receivers::Stop(std::chrono::steady_clock::time_point until) {
  get_.RequestStop();
  getHand_.RequestStop();
  getb_.RequestStop();
  // Each one is joined (or left behind), whatever the others did.
  const bool got = get_.Join(until);
  const bool handed = getHand_.Join(until);
  const bool vars = getb_.Join(until);
  const bool all = got && handed && vars;
  // A thread left behind may still be inside a receive: its socket stays
  // open until the shared part goes with the last thread.
  if (all) {
    shared_->querySocket.Close();
    shared_->udpb.Close();
  }
  return all;
}

UdpSocket& Receivers::QuerySocket() {
  return shared_->querySocket;
}
UdpSocket& Receivers::VarSocket() {
  return shared_->udpb;
}
std::uint64_t Receivers::InboxDropped() const {
  return shared_->inbox.Dropped();
}

}  // namespace zelmora
