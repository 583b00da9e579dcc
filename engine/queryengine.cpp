#include "engine/queryengine.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "core/datafolder.h"
#include "core/fileio.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/textutil.h"
#include "engine/clock.h"
#include "engine/pinghistory.h"
#include "engine/qtinvoker.h"
#include "geo/providerres.h"
#include "protocol/commands.h"
#include "protocol/datagram.h"
#include "protocol/rconreply.h"
#include "protocol/statusresponse.h"
#include "protocol/text.h"
#include "protocol/udpsocket.h"

namespace zelmora {

namespace {

using Clock = std::chrono::steady_clock;

// Port texts of the entries: only what reads back as 0..65535.
std::optional<std::uint16_t> PortOf(std::string_view text) {
  const auto v = ParseInt32(text);
  if (!v || *v < 0 || *v > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(*v);
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(PathFromUtf8(path), ec);
}

// Receive wait split into short slices so a stop request is noticed quickly;
// behaves like one wait of waitMs otherwise.
UdpSocket::Received ReceiveWatchingStop(UdpSocket& sock, int waitMs,
                                        const std::atomic<bool>& stop) {
  constexpr int kSlice = 100;
  const auto until = Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0 || stop.load()) return {};
    UdpSocket::Received r = sock.Receive(static_cast<int>(std::min<long long>(left, kSlice)),
                                         QueryEngine::kMaxDatagram);
    if (r.got || r.failed) return r;
  }
}

std::string EntryKey(std::string_view host, std::string_view port) {
  std::string key;
  key.reserve(host.size() + port.size() + 1);
  key.append(host);
  key.push_back('\n');
  key.append(port);
  return key;
}

std::string PaceKey(const std::string& address, std::uint16_t port) {
  return address + ":" + std::to_string(port);
}

// The steady-clock moment of a HiResMs stamp taken a little while ago.
RconPacer::Clock::time_point SteadyAt(double hiResMs) {
  const double ago = std::max(0.0, HiResMs() - hiResMs);
  return RconPacer::Clock::now() - std::chrono::duration_cast<RconPacer::Clock::duration>(
                                       std::chrono::duration<double, std::milli>(ago));
}

// A datagram of querySocket waiting to be handed to the main thread.
struct Inbound {
  std::string data;
  std::string host;
  int port = -1;
  double time = 0;  // arrival, HiResMs
};

// The get thread's inbox: the reader appends, the hand-over thread takes
// everything there is. Bounded in datagrams and bytes: beyond that a datagram
// is dropped, as the kernel would drop it.
class Inbox {
 public:
  bool Push(Inbound d) {
    std::lock_guard<std::mutex> lk(m_);
    if (queue_.size() >= QueryEngine::kInboxDatagrams ||
        bytes_ + d.data.size() > QueryEngine::kInboxBytes) {
      ++dropped_;
      return false;
    }
    bytes_ += d.data.size();
    queue_.push_back(std::move(d));
    cv_.notify_one();
    return true;
  }
  // Waits up to wait for datagrams (more: for wait, however many come);
  // moves at most max of them into out.
  void Take(std::vector<Inbound>& out, std::chrono::microseconds wait, std::size_t max,
            const std::atomic<bool>& stop, bool more = false) {
    if (more && !stop.load()) std::this_thread::sleep_for(wait);
    std::unique_lock<std::mutex> lk(m_);
    if (!more) cv_.wait_for(lk, wait, [&] { return !queue_.empty() || stop.load() || closed_; });
    while (!queue_.empty() && out.size() < max) {
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

// Datagrams handed to the main thread in one go: enough to keep the cost of
// a hand-over small next to the handling, few enough that the window gets
// its events in between.
constexpr std::size_t kHandOverBatch = 256;
// How long the hand-over thread waits for more once a datagram is there.
constexpr std::chrono::microseconds kHandOverGather{1500};

}  // namespace

// Everything the worker threads use. Held by a shared_ptr that every worker
// keeps too, so a worker that outlives its deadline at shutdown still finds
// its sockets and flags.
struct QueryEngine::Workers {
  UdpSocket querySocket;
  UdpSocket udpb;
  Inbox inbox;
  std::atomic<std::uint16_t> statusLocalPort{0};
  std::atomic<std::uint64_t> statusPollsFinished{0};
  std::atomic<std::uint64_t> statusPollsAnswered{0};

  std::atomic<bool> stopStatus{false};
  std::atomic<bool> stopGet{false};
  std::atomic<bool> stopGetb{false};

  std::shared_ptr<QtMainThreadInvoker> invoker;
  std::shared_ptr<NameCache> names;
  std::unique_ptr<ProviderResolver> providerres;
  std::shared_ptr<RconPacer> pacer;  // shared with the engine, outlives a detached worker

  std::mutex m;
  std::condition_variable cv;  // stop requests and thread ends
  bool getDone = false, getHandDone = false, getbDone = false, statusDone = false;
  std::thread get, getHand, getb, status;

  void MarkDone(bool Workers::*flag) {
    {
      std::lock_guard<std::mutex> lk(m);
      this->*flag = true;
    }
    cv.notify_all();
  }
  // Sleeps for d unless stop is requested first; true when stopped.
  bool SleepUnlessStopped(std::chrono::milliseconds d, const std::atomic<bool>& stop) {
    std::unique_lock<std::mutex> lk(m);
    return cv.wait_for(lk, d, [&] { return stop.load(); });
  }
  // Waits until the thread has marked itself done or until passes.
  bool WaitDone(bool Workers::*flag, Clock::time_point until) {
    std::unique_lock<std::mutex> lk(m);
    return cv.wait_until(lk, until, [&] { return this->*flag; });
  }
};

QueryEngine::QueryEngine(AppState& state, const SettingsStore& settings, EngineView& view,
                         QObject* parent)
    : QObject(parent), state_(state), settings_(settings), view_(view) {
  timer1_ = std::make_unique<EngineTimer>(this, "Timer1", 1000, [this] { Timer1Timer(); });
  timer2_ = std::make_unique<EngineTimer>(this, "Timer2", 600, [this] { Timer2Timer(); });
  timer3_ = std::make_unique<EngineTimer>(this, "Timer3", 200, [this] { Timer3Timer(); });
  timer4_ = std::make_unique<EngineTimer>(this, "Timer4", 4000, [this] { Timer4Timer(); });
  timer5_ = std::make_unique<EngineTimer>(this, "Timer5", 5000, [this] { Button6Click(); });
  for (QTimer** t : {&startUpSweepTimer_, &periodicSweepTimer_}) {
    *t = new QTimer(this);
    (*t)->setSingleShot(true);
    (*t)->setTimerType(Qt::PreciseTimer);
  }
  connect(startUpSweepTimer_, &QTimer::timeout, this, [this] { StartUpSweepSlice(); });
  connect(periodicSweepTimer_, &QTimer::timeout, this, [this] { PeriodicSweepSlice(); });
  pumpTimer_ = new QTimer(this);
  pumpTimer_->setSingleShot(true);
  pumpTimer_->setTimerType(Qt::PreciseTimer);
  connect(pumpTimer_, &QTimer::timeout, this, [this] { PumpLines(); });
}

void QueryEngine::SetNameResolver(NameCache::ResolveFn resolve, NameCacheTiming timing) {
  if (running_) return;
  names_ = std::make_shared<NameCache>(std::move(resolve), timing);
}

QueryEngine::~QueryEngine() {
  Shutdown();
}

// ---------------------------------------------------------------------------
// Threads

bool QueryEngine::Start() {
  if (running_ || shutDown_) return running_;
  InitHiResClock();
  auto w = std::make_shared<Workers>();
  if (!w->querySocket.Open(kBurstReceiveBuffer) || !w->udpb.Open(kBurstReceiveBuffer)) return false;
  if (!names_) names_ = std::make_shared<NameCache>();
  invoker_ = std::make_shared<QtMainThreadInvoker>();
  w->invoker = invoker_;
  w->names = names_;
  w->pacer = pacer_;
  workers_ = w;
  running_ = true;

  // get: reads as fast as datagrams come and stamps each with its arrival;
  // the hand-over thread takes them to the main thread in order.
  w->get = std::thread([w] {
    while (!w->stopGet.load()) {
      UdpSocket::Received r = w->querySocket.Receive(200, kMaxDatagram);
      if (!r.got || r.data.empty()) continue;  // nothing, or a failed receive
      const double arrival = HiResMs() - r.ageMs;
      w->inbox.Push(Inbound{std::move(r.data), std::move(r.host), r.port, arrival});
    }
    w->inbox.Close();
    w->MarkDone(&Workers::getDone);
  });
  w->getHand = std::thread([w, self = this] {
    std::vector<Inbound> batch;
    while (!w->stopGet.load()) {
      batch.clear();
      w->inbox.Take(batch, std::chrono::milliseconds(200), kHandOverBatch, w->stopGet);
      if (batch.empty()) continue;
      // During a sweep replies come one after the other: what arrives within
      // the next moment goes along, so that the main thread takes them in a
      // few hand-overs rather than one each. The arrival stamps keep the
      // pings exact; the view is a millisecond or two later at most.
      if (batch.size() < kHandOverBatch)
        w->inbox.Take(batch, kHandOverGather, kHandOverBatch, w->stopGet, /*more=*/true);
      w->invoker->RunAndWait(
          [&] {
            for (Inbound& d : batch) {
              if (self->shutDown_) return;
              self->HandleQueryDatagram(std::move(d.data), std::move(d.host), d.port, d.time);
            }
          },
          w->stopGet);
    }
    w->MarkDone(&Workers::getHandDone);
  });

  // getb: variable replies.
  w->getb = std::thread([w, self = this] {
    while (!w->stopGetb.load()) {
      UdpSocket::Received r = w->udpb.Receive(100, kMaxVarDatagram);
      if (!r.got || r.data.empty()) continue;
      w->invoker->RunAndWait([&] { self->HandleVarReply(r.data, r.host, r.port); }, w->stopGetb);
    }
    w->MarkDone(&Workers::getbDone);
  });

  // status: the rcon player-table poll.
  w->status = std::thread([w, self = this] {
    UdpSocket sock;
    while (!w->stopStatus.load()) {
      try {
        if (w->SleepUnlessStopped(std::chrono::milliseconds(200), w->stopStatus)) break;
        // A table of a full server arrives as a burst of print datagrams. A
        // socket that could not be made is tried again at the next pass.
        if (!sock.IsOpen()) {
          if (!sock.Open(256 * 1024)) continue;
          w->statusLocalPort.store(sock.LocalPort());
        }
        std::optional<StatusPollRequest> req;
        if (!w->invoker->RunAndWait([&] { req = self->TakeStatusPollRequest(); }, w->stopStatus))
          continue;
        if (!req) continue;
        const auto port = PortOf(req->port);
        if (!port || req->paceKey.empty()) continue;
        // The poll's place in the server's rcon line: it leaves when it is
        // first and the server would not drop it.
        bool turn = false;
        while (!w->stopStatus.load()) {
          RconPacer::Clock::time_point retry;
          if (w->pacer->TryGo(req->paceKey, req->ticket, RconPacer::Clock::now(), &retry)) {
            turn = true;
            break;
          }
          const auto wait = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           retry - RconPacer::Clock::now()),
                                       std::chrono::milliseconds(1), std::chrono::milliseconds(50));
          if (w->SleepUnlessStopped(wait, w->stopStatus)) break;
        }
        if (!turn) {
          w->pacer->Cancel(req->paceKey, req->ticket);
          break;
        }
        // What still waits in the socket answers an earlier poll (a server
        // that answered late): it must not become part of this table.
        for (std::size_t i = 0; i < kMaxStatusDatagrams * 4; ++i) {
          const UdpSocket::Received old = sock.Receive(0, kMaxDatagram);
          if (!old.got && !old.failed) break;
        }
        const double start = HiResMs();
        const auto sent = std::chrono::steady_clock::now();
        if (!sock.SendTo(req->host, *port, BuildRcon(req->password, CmdStatus()))) continue;
        struct CountPass {
          std::atomic<std::uint64_t>& n;
          ~CountPass() { n.fetch_add(1); }
        } countPass{w->statusPollsFinished};
        // Collect the polled server's datagrams until it has been quiet for
        // 600 ms. Datagrams of anybody else are passed over: they neither
        // end the collection nor keep it going. The first one is waited for
        // as long as any answer: a far server's poll is not taken for lost.
        StatusAnswers answers;
        std::size_t count = 0, bytes = 0;
        auto quietUntil = Clock::now() + std::chrono::milliseconds(static_cast<int>(kAnswerWaitMs));
        while (!w->stopStatus.load()) {
          const auto left =
              std::chrono::duration_cast<std::chrono::milliseconds>(quietUntil - Clock::now());
          if (left.count() <= 0) break;
          UdpSocket::Received r =
              ReceiveWatchingStop(sock, static_cast<int>(left.count()), w->stopStatus);
          if (!r.got) break;
          if (r.host != req->host || r.port != *port) continue;
          ++count;
          bytes += r.data.size();
          answers.Add(r.data);
          quietUntil = Clock::now() + std::chrono::milliseconds(600);
          if (count >= kMaxStatusDatagrams || bytes >= kMaxStatusBytes) break;
          if (HiResMs() - start > 1000000.0) break;
        }
        if (w->stopStatus.load()) break;
        if (count == 0) {
          w->pacer->Lost(req->paceKey, sent, RconPacer::Clock::now());
        } else {
          w->pacer->Answered(req->paceKey, RconPacer::Clock::now());
          w->statusPollsAnswered.fetch_add(1);
        }
        const StatusAssembly a = answers.Result();
        if (!a.found) continue;
        StatusPollResult result;
        result.server = req->server;
        result.sent = sent;
        result.parsed = ParseStatusInfo(a.table, result.rows);
        // A single datagram that does not parse ends the pass without the
        // table arriving; the emptied rows are still taken over.
        result.tableReady = result.parsed || !a.single;
        w->invoker->RunAndWait([&] { self->ApplyStatusPollResult(std::move(result)); },
                               w->stopStatus);
      } catch (...) {
        // A failure anywhere in the pass only ends the pass.
      }
    }
    sock.Close();
    w->MarkDone(&Workers::statusDone);
  });

  // providerres: reverse lookups; cache snapshot and stores on the main thread.
  const SettingsStore* settings = &settings_;
  w->providerres = std::make_unique<ProviderResolver>(
      *invoker_, [settings] { return settings->Get(&Settings::prov); },
      [self = this] { return UnresolvedAddresses(self->state_.addrcache); },
      [self = this](int index, const std::string& ip, const Taddrrec& result) {
        StoreResolvedAddress(self->state_.addrcache, index, ip, result);
      },
      state_.ranges, state_.flagCodes);
  return true;
}

void QueryEngine::Shutdown(std::chrono::milliseconds deadline) {
  if (shutDown_) return;
  shutDown_ = true;
  timer1_->SetEnabled(false);
  timer2_->SetEnabled(false);
  timer3_->SetEnabled(false);
  timer4_->SetEnabled(false);
  timer5_->SetEnabled(false);
  pumpTimer_->stop();
  lines_.Clear();
  outstanding_.clear();
  startUpSweepTimer_->stop();
  periodicSweepTimer_->stop();
  startUpSweep_.running = periodicSweep_.running = false;
  if (!running_) return;
  running_ = false;
  auto w = workers_;

  // Requests in the order status, providerres, get, getb.
  w->stopStatus.store(true);
  if (w->providerres) w->providerres->RequestStop();
  w->stopGet.store(true);
  w->stopGetb.store(true);
  { std::lock_guard<std::mutex> lk(w->m); }
  w->cv.notify_all();

  const auto until = Clock::now() + deadline;
  bool allJoined = true;
  auto finish = [&](std::thread& t, bool Workers::*done) {
    if (!t.joinable()) return;
    if (w->WaitDone(done, until)) {
      t.join();
    } else {
      // Still inside a receive: it ends on its own and only touches w.
      t.detach();
      allJoined = false;
    }
  };
  finish(w->status, &Workers::statusDone);
  if (w->providerres) {
    const auto left = std::max<Clock::duration>(until - Clock::now(), Clock::duration::zero());
    w->providerres->Join(std::chrono::duration_cast<std::chrono::milliseconds>(left));
    w->providerres.reset();
  }
  finish(w->get, &Workers::getDone);
  finish(w->getHand, &Workers::getHandDone);
  finish(w->getb, &Workers::getbDone);

  // Nothing queued reaches the main thread any more.
  invoker_->Detach();
  if (allJoined) {
    w->querySocket.Close();
    w->udpb.Close();
  }
}

std::uint16_t QueryEngine::QueryLocalPort() const {
  return workers_ ? workers_->querySocket.LocalPort() : 0;
}
std::uint16_t QueryEngine::VarLocalPort() const {
  return workers_ ? workers_->udpb.LocalPort() : 0;
}
std::uint16_t QueryEngine::StatusLocalPort() const {
  return workers_ ? workers_->statusLocalPort.load() : 0;
}
std::uint64_t QueryEngine::StatusPollsFinished() const {
  return workers_ ? workers_->statusPollsFinished.load() : 0;
}
std::uint64_t QueryEngine::StatusPollsAnswered() const {
  return workers_ ? workers_->statusPollsAnswered.load() : 0;
}
std::size_t QueryEngine::PendingHandOvers() const {
  return invoker_ ? invoker_->PendingCalls() : 0;
}
int QueryEngine::QueryReceiveBuffer() const {
  return workers_ ? workers_->querySocket.ReceiveBufferBytes() : 0;
}

// ---------------------------------------------------------------------------
// Sends

void QueryEngine::SetTarget(std::string_view port, std::string_view host) {
  if (port.empty() || host.empty()) return;
  state_.targetHost = std::string(host);
  state_.targetPort = std::string(port);
}

bool QueryEngine::SendGetStatus(int index, std::string* error) {
  if (index < 0 || static_cast<std::size_t>(index) >= state_.serverlist.size()) {
    if (error) *error = "no such server";
    return false;
  }
  const Tserverrec& e = state_.serverlist[static_cast<std::size_t>(index)];
  const auto port = PortOf(e.port.view());
  if (!port) {
    if (error) *error = "'" + e.port.str() + "' is no port number";
    return false;
  }
  if (!workers_) {
    if (error) *error = "not started";
    return false;
  }
  const std::optional<std::string> address = names_->Address(e.host.view());
  if (!address) {
    if (error) *error = "'" + e.host.str() + "' is not resolved";
    return false;
  }
  // A server that limits requests gets a getstatus only within its budget.
  if (!pacer_->TakeGetStatus(PaceKey(*address, *port), RconPacer::Clock::now())) {
    if (error) *error = "the server's request budget is spent";
    return false;
  }
  NoteSend(e, HiResMs());
  ++counters_.getStatusSent;
  return workers_->querySocket.SendTo(*address, *port, BuildGetStatus(), error);
}

// Every query's moment is kept (a few per server), so that a reply is
// measured against the query that was the latest when it arrived, even when
// a newer one has been sent before the reply is handled.
void QueryEngine::NoteSend(const Tserverrec& e, double at) {
  auto& stamps = sendStamps_[EntryKey(e.host.view(), e.port.view())];
  std::rotate(stamps.begin(), stamps.begin() + 1, stamps.end());
  stamps.back() = at;
}

double QueryEngine::SendTimeBefore(const Tserverrec& e, double arrival) const {
  const auto it = sendStamps_.find(EntryKey(e.host.view(), e.port.view()));
  if (it != sendStamps_.end()) {
    for (auto s = it->second.rbegin(); s != it->second.rend(); ++s)
      if (*s > 0 && *s <= arrival) return *s;
  }
  return e.sendtime;
}

QueryEngine::SendResult QueryEngine::SendRcon(std::string_view command, RconOptions options) {
  if (!state_.SelectedValid()) return SendResult::NoServer;
  return Rcon(state_.SelectedUid(), RconChannel::Query, command, std::move(options));
}

QueryEngine::SendResult QueryEngine::SendRconVar(std::string_view command, RconOptions options) {
  if (!state_.SelectedValid()) return SendResult::NoServer;
  return Rcon(state_.SelectedUid(), RconChannel::Var, command, std::move(options));
}

QueryEngine::SendResult QueryEngine::Rcon(ServerId server, RconChannel channel,
                                          std::string_view command, RconOptions options) {
  const Tserverrec* e = state_.EntryOf(server);
  if (!e) return SendResult::NoServer;
  if (!PortOf(e->port.view()) || !workers_ || shutDown_) return SendResult::Failed;
  RconTiming timing;
  if (channel == RconChannel::Query) {
    // Servers drop a command that follows the previous one too closely; the
    // query channel keeps its commands 700 ms apart, as it always has.
    timing.afterIssue = rconPause_;
    timing.afterPreviousSame = rconPause_;
  }
  if (options.afterIssue) timing.afterIssue = *options.afterIssue;
  timing.afterPrevious = options.afterPrevious;
  lines_.Add(server, channel, options.kind, std::string(command), timing, RconLines::Clock::now(),
             std::move(options.done));
  PumpLines();
  return SendResult::Sent;
}

void QueryEngine::DropReadsOf(ServerId server) {
  lines_.DropServer(server, /*readsOnly=*/true,
                    [this](const RconLines::Command& c) { pacer_->Cancel(c.paceKey, c.ticket); });
  SchedulePump();
}

// Sends every command whose time has come, oldest line first, one at a time
// (a command's completion may put new ones in line), then sets the timer
// for the next moment anything is due: a command, a finished output, an
// answer that is overdue.
void QueryEngine::PumpLines() {
  if (pumping_ || shutDown_) return;
  pumping_ = true;
  FinishReplies();
  for (int guard = 0; guard < 100000; ++guard) {
    const auto now = RconLines::Clock::now();
    const std::vector<RconLines::Command*> due = lines_.DueHeads(now);
    if (due.empty()) break;
    SendHead(*due.front(), now);
  }
  pumping_ = false;
  SchedulePump();
}

void QueryEngine::SchedulePump() {
  if (shutDown_ || pumping_) return;
  const auto now = RconLines::Clock::now();
  double waitMs = 1e12;
  const auto next = lines_.NextDue();
  if (next != RconLines::Clock::time_point::max())
    waitMs = std::chrono::duration<double, std::milli>(next - now).count();
  const double nowMs = HiResMs();
  waitMs = std::min(waitMs, queryOutputs_.NextFinish() - nowMs);
  waitMs = std::min(waitMs, varOutputs_.NextFinish() - nowMs);
  for (const auto& [key, waiting] : outstanding_)
    if (!waiting.empty())
      waitMs = std::min(waitMs, waiting.front().left + kUnansweredAfterMs - nowMs);
  if (!getStatusWaits_.empty())
    waitMs = std::min(waitMs, getStatusWaits_.front().sentMs + kAnswerWaitMs - nowMs);
  if (waitMs >= 1e12) {
    pumpTimer_->stop();
    return;
  }
  pumpTimer_->start(static_cast<int>(std::clamp(std::ceil(waitMs), 0.0, 60000.0)));
}

void QueryEngine::SendHead(RconLines::Command& c, RconLines::Clock::time_point now) {
  const ServerId server = c.server;
  auto drop = [&] {
    if (c.ticket) pacer_->Cancel(c.paceKey, c.ticket);
    lines_.DropHead(server);
  };
  const int index = state_.IndexOf(server);
  if (index < 0) {
    // The entry is gone: nothing of its line can reach anybody.
    lines_.DropServer(server, false,
                      [this](const RconLines::Command& d) { pacer_->Cancel(d.paceKey, d.ticket); });
    return;
  }
  const Tserverrec& e = state_.serverlist[static_cast<std::size_t>(index)];
  const auto port = PortOf(e.port.view());
  if (!port || !workers_) {
    drop();
    return;
  }
  const std::optional<std::string> address = names_->Address(e.host.view());
  if (!address) {
    // The name cache looks it up in the background; a while is waited for.
    if (now - c.issued > std::chrono::seconds(5)) {
      view_.ConsoleNote(c.text + ": nicht gesendet, die Adresse von " + e.host.str() +
                        " ist nicht bekannt");
      drop();
    } else {
      c.retryAt = now + std::chrono::milliseconds(100);
    }
    return;
  }
  const std::string key = PaceKey(*address, *port);
  if (c.ticket == 0 || c.paceKey != key) {
    if (c.ticket) pacer_->Cancel(c.paceKey, c.ticket);
    c.paceKey = key;
    c.ticket = pacer_->Enqueue(key);
  }
  RconPacer::Clock::time_point retry;
  if (!pacer_->TryGo(key, c.ticket, now, &retry)) {
    c.retryAt = retry;
    return;
  }
  UdpSocket& socket = c.channel == RconChannel::Var ? workers_->udpb : workers_->querySocket;
  // Stamped before the send: on loopback the answer can be there before a
  // stamp taken after it.
  NoteSent(server, c.channel, EntryKey(*address, e.port.view()), key, c.text, HiResMs());
  socket.SendTo(*address, *port, BuildRcon(e.rconpass.view(), c.text));  // failures: not reported
  ++counters_.rconSent;
  lines_.Left(server, now);
}

void QueryEngine::NoteSent(ServerId server, RconChannel channel, const std::string& sender,
                           const std::string& paceKey, const std::string& command, double at) {
  outstanding_[{sender, channel}].push_back(Outstanding{command, at, server, paceKey});
}

// An output is credited to the last command that left before it came: the
// commands of a server are half a second apart and answers come within
// milliseconds, so a command the server dropped stays without an answer
// even when the next one's answer is there.
void QueryEngine::Answered(const std::string& sender, RconChannel channel, double firstArrival) {
  const auto it = outstanding_.find({sender, channel});
  if (it == outstanding_.end()) return;
  auto& waiting = it->second;
  for (auto c = waiting.rbegin(); c != waiting.rend(); ++c) {
    if (c->left <= firstArrival) {
      waiting.erase(std::next(c).base());
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// Status poll request

void QueryEngine::RequestStatusPoll() {
  if (!state_.SelectedValid()) return;
  state_.RequestStatusPoll(state_.SelectedUid());
}

void QueryEngine::RequestStatusPoll(ServerId server) {
  if (state_.EntryOf(server)) state_.RequestStatusPoll(server);
}

std::optional<QueryEngine::StatusPollRequest> QueryEngine::TakeStatusPollRequest() {
  for (auto it = state_.statusPolls.begin(); it != state_.statusPolls.end();) {
    const Tserverrec* e = state_.EntryOf(*it);
    if (!e || e->rconpass.empty()) {
      it = state_.statusPolls.erase(it);
      continue;
    }
    const std::optional<std::string> address = names_->Address(e->host.view());
    const auto port = PortOf(e->port.view());
    if (!address && port) {  // the name is being looked up
      ++it;
      continue;
    }
    StatusPollRequest req;
    req.server = *it;
    req.host = address.value_or(std::string());
    req.port = e->port.str();
    req.password = e->rconpass.str();
    if (address && port) {
      req.paceKey = PaceKey(*address, *port);
      req.ticket = pacer_->Enqueue(req.paceKey, RconPacer::Priority::Background);
    }
    state_.statusPolls.erase(it);
    return req;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------
// Handlers

void QueryEngine::HandleQueryDatagram(std::string text, std::string host, int port, double time) {
  ++counters_.datagrams;
  reply_.text = std::move(text);
  reply_.host = std::move(host);
  reply_.port = port;
  reply_.time = time;
  // Every datagram belongs to the server that sent it, whatever came before.
  reply_.server = -1;
  if (!reply_.host.empty() && reply_.port != -1)
    reply_.server = FirstEntryFor(reply_.host, reply_.port);
  if (IsStatusResponse(reply_.text)) {
    if (reply_.server >= 0)
      reply_.ping =
          reply_.time -
          SendTimeBefore(state_.serverlist[static_cast<std::size_t>(reply_.server)], reply_.time);
    else
      ++counters_.unattributed;
  }
  try {
    HandleReply();
  } catch (...) {
    // Errors inside the handler end the handling of this datagram only.
  }
}

int QueryEngine::FirstEntryFor(const std::string& host, int port) {
  const std::string key = EntryKey(host, std::to_string(port));
  // An entry typed as a host name answers from the address the name
  // resolved to; one whose name is not resolved (yet) matches nobody.
  auto addressOf = [this](const Tserverrec& e) {
    return names_ ? names_->Address(e.host.view()).value_or(e.host.str()) : e.host.str();
  };
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::uint64_t names = names_ ? names_->Generation() : 0;
    if (listIndex_.generation != state_.listGeneration || listIndex_.names != names ||
        listIndex_.size != state_.serverlist.size() || attempt == 1) {
      listIndex_.first.clear();
      listIndex_.first.reserve(state_.serverlist.size());
      for (std::size_t i = 0; i < state_.serverlist.size(); ++i) {
        const Tserverrec& e = state_.serverlist[i];
        listIndex_.first.emplace(EntryKey(addressOf(e), e.port.view()), static_cast<int>(i));
      }
      listIndex_.generation = state_.listGeneration;
      listIndex_.names = names;
      listIndex_.size = state_.serverlist.size();
    }
    const auto it = listIndex_.first.find(key);
    if (it == listIndex_.first.end()) return -1;
    const Tserverrec& e = state_.serverlist[static_cast<std::size_t>(it->second)];
    // An entry changed without a note: build the index again once.
    if (e.port == std::to_string(port) && addressOf(e) == host) return it->second;
  }
  return -1;
}

// Whether host:port is where the selected entry answers from (also when an
// earlier entry has the same address).
bool QueryEngine::FromSelected(const std::string& host, int port) {
  if (!state_.SelectedValid()) return false;
  const Tserverrec& e = state_.serverlist[static_cast<std::size_t>(state_.selected)];
  if (e.port != std::to_string(port)) return false;
  const std::optional<std::string> address = names_ ? names_->Address(e.host.view()) : std::nullopt;
  return address.value_or(e.host.str()) == host;
}

// The last record for ip (the cache only grows and its addresses never
// change, so new records are indexed as they come).
const Taddrrec* QueryEngine::CachedAddress(const std::string& ip) {
  Taddrcache& cache = state_.addrcache;
  if (cache.size() < addrIndexed_) {
    addrIndex_.clear();
    addrIndexed_ = 0;
  }
  for (; addrIndexed_ < cache.size(); ++addrIndexed_)
    addrIndex_[cache[addrIndexed_].ip] = addrIndexed_;
  const auto it = addrIndex_.find(ip);
  if (it == addrIndex_.end() || it->second >= cache.size() || cache[it->second].ip != ip)
    return nullptr;
  return &cache[it->second];
}

int QueryEngine::DatenmengeOrThrow() const {
  const std::string text = settings_.Get(&Settings::datenmenge);
  const auto n = ConvertInteger(text);
  if (!n) throw std::runtime_error(IntegerConversionError(text));
  return HistoryLengthFor(*n, state_.serverlist.size());
}

void QueryEngine::HandleReply() {
  const int idx = reply_.server;
  auto entry = [&]() -> Tserverrec* {
    if (idx < 0 || static_cast<std::size_t>(idx) >= state_.serverlist.size()) return nullptr;
    return &state_.serverlist[static_cast<std::size_t>(idx)];
  };
  if (!entry()) return;
  entry()->lastreply = TickCount32();
  {
    const std::string key = PaceKey(reply_.host, static_cast<std::uint16_t>(reply_.port));
    pacer_->Answered(key, SteadyAt(reply_.time));
    if (IsStatusResponse(reply_.text)) {
      std::erase_if(getStatusWaits_, [&](const GetStatusWait& w) {
        return w.key == key && w.sentMs <= reply_.time;
      });
    }
  }

  if (!IsStatusResponse(reply_.text)) {
    // An rcon output: joined with the rest of its datagrams, then shown
    // and parsed (FinishReplies). Anything else a server sends here is
    // not for the console.
    if (queryOutputs_.Add(EntryKey(reply_.host, std::to_string(reply_.port)), reply_.text,
                          reply_.time))
      SchedulePump();
    return;
  }

  // statusResponse
  {
    Tserverrec& e = *entry();
    ResetForStatus(e);
    // Against the query that was the latest when the reply arrived.
    e.ping = RoundHalfEven(reply_.ping);
  }
  const std::string body = StatusBody(reply_.text);
  state_.serverVars = ParseServerInfo(body);
  const std::string protocolText = ServerVar(state_.serverVars, "protocol");
  entry()->protocol = ProtocolByte(protocolText);

  // History sizing and the chart's series.
  const int length = DatenmengeOrThrow();
  if (state_.pingHistory.size() < state_.serverlist.size())
    state_.pingHistory.resize(state_.serverlist.size());
  SizeHistory(state_.pingHistory[static_cast<std::size_t>(idx)], length);
  const int points = static_cast<int>(state_.pingHistory[static_cast<std::size_t>(idx)].size());
  if (view_.ChartPointCount() != points) view_.ChartRebuild(points);

  std::optional<Tplayerinfo> players = ParsePlayerInfo(body);
  if (!players) return;  // malformed: the rest of the handling is skipped
  state_.playerRows = std::move(*players);
  if (!entry()) return;
  ApplyStatusFields(*entry(), state_.serverVars);

  // Provider text from the address cache, or a new record for the resolver.
  // The cache keeps addresses cut to 25 characters; looking up the cut form
  // keeps an over-long host text from being queued again at every reply.
  {
    Tserverrec& e = *entry();
    const std::string ip = Cut(e.host.view(), kAddrIpMax);
    // A record still waiting for the resolver changes nothing yet (it
    // would put ";;" where the provider stood).
    if (const Taddrrec* rec = CachedAddress(ip)) {
      if (!rec->provider.empty())
        e.provider.assign(Cut(rec->provider + ";" + rec->cc + ";" + rec->country, 250));
    } else {
      AddUnresolvedAddress(state_.addrcache, ip);
    }
  }

  const bool aktive = settings_.Get(&Settings::aktive);
  if (aktive) PushSample(state_.pingHistory[static_cast<std::size_t>(idx)], reply_.ping);

  if (reply_.host == state_.targetHost && std::to_string(reply_.port) == state_.targetPort) {
    view_.GameTypeControls(protocolText);
    view_.GameTypeLabel(ServerVar(state_.serverVars, "g_gametype"));
    if (aktive && static_cast<std::size_t>(idx) < state_.pingHistory.size())
      view_.ChartPlot(state_.pingHistory[static_cast<std::size_t>(idx)]);
    state_.serverVarsView = state_.serverVars;
    view_.ServerVarsChanged();
    state_.playerRowsView = PlayerRowsForView(state_.playerRows);
    view_.PlayerRowsChanged();
  }

  if (!entry()) return;
  ApplyCounts(*entry(), state_.serverVars, state_.playerRows);
  ++counters_.statusResponses;
  if (idx == state_.selected) view_.RefreshJoinDialog();
  view_.ServerEntryChanged(idx);
}

void QueryEngine::DirectoryChecks(const std::string& text, int index, std::size_t limit) {
  if (index < 0 || static_cast<std::size_t>(index) >= state_.serverlist.size()) return;
  const std::string mapinfo = state_.serverlist[static_cast<std::size_t>(index)].mapinfo.str();
  if (auto listing = CheckMapListing(text, mapinfo, limit)) {
    view_.MapListShow(listing->maps, listing->chosen);
    ShowMapPictureFor(listing->picturesLoaded);
  }
  if (auto files = CheckConfigListing(text, std::max<std::size_t>(limit, 99999)))
    view_.ConfigListAppend(*files);
}

void QueryEngine::FinishReplies(bool all) {
  const double now = HiResMs();
  auto senderOf = [](const std::string& key) -> std::pair<std::string, int> {
    const std::size_t nl = key.find('\n');
    if (nl == std::string::npos) return {key, -1};
    return {key.substr(0, nl), ParseInt32(key.substr(nl + 1)).value_or(-1)};
  };
  for (const PrintOutput& o : all ? queryOutputs_.TakeAll() : queryOutputs_.TakeFinished(now)) {
    const auto [host, port] = senderOf(o.sender);
    if (FirstEntryFor(host, port) < 0) continue;
    ++counters_.printOutputs;
    Answered(o.sender, RconChannel::Query, o.first);
    // Only the selected server's outputs reach the views.
    if (!FromSelected(host, port)) continue;
    try {
      view_.ConsoleShow(ConsoleLines(o.text, PrintJoiner::kMaxBytes));
      const int index = state_.selected;
      DirectoryChecks(o.text, index, PrintJoiner::kMaxBytes);
    } catch (...) {
    }
  }
  for (const PrintOutput& o : all ? varOutputs_.TakeAll() : varOutputs_.TakeFinished(now))
    Answered(o.sender, RconChannel::Var, o.first);

  // A getstatus without an answer in time tells about a limiter (only the
  // selected server's are followed; a sweep's are far apart).
  bool lossesNoted = false;
  while (!getStatusWaits_.empty() && getStatusWaits_.front().sentMs + kAnswerWaitMs <= now) {
    pacer_->Lost(getStatusWaits_.front().key, SteadyAt(getStatusWaits_.front().sentMs),
                 RconPacer::Clock::now());
    getStatusWaits_.pop_front();
    lossesNoted = true;
  }
  // Commands without an answer in time are marked; nothing is sent again by
  // itself (a kick may have been carried out although its answer was lost).
  for (auto& [key, waiting] : outstanding_) {
    while (!waiting.empty() && waiting.front().left + kUnansweredAfterMs <= now) {
      const Outstanding gone = std::move(waiting.front());
      waiting.pop_front();
      ++counters_.unanswered;
      pacer_->Lost(gone.paceKey, SteadyAt(gone.left), RconPacer::Clock::now());
      lossesNoted = true;
      std::string line = gone.command + ": Keine Antwort vom Server (verworfen oder gedrosselt)";
      if (gone.server != state_.SelectedUid()) {
        const auto [host, port] = senderOf(key.first);
        line = host + ":" + std::to_string(port) + " " + line;
      }
      view_.ConsoleNote(line);
    }
  }
  if (lossesNoted) SyncThrottled();
}

// The servers whose requests are being limited, as entries for the views.
void QueryEngine::SyncThrottled() {
  const std::vector<std::string> keys = pacer_->LimitedKeys(RconPacer::Clock::now());
  if (keys.empty() && state_.throttled.empty()) return;
  const std::unordered_set<std::string> limited(keys.begin(), keys.end());
  std::unordered_set<ServerId> now;
  if (!limited.empty()) {
    for (const Tserverrec& e : state_.serverlist) {
      const auto port = PortOf(e.port.view());
      if (!port) continue;
      const std::optional<std::string> address = names_->Address(e.host.view());
      if (address && limited.count(PaceKey(*address, *port))) now.insert(e.uid);
    }
  }
  if (now == state_.throttled) return;
  std::vector<ServerId> changed;
  for (ServerId uid : now)
    if (!state_.throttled.count(uid)) changed.push_back(uid);
  for (ServerId uid : state_.throttled)
    if (!now.count(uid)) changed.push_back(uid);
  state_.throttled = std::move(now);
  for (ServerId uid : changed)
    if (const int i = state_.IndexOf(uid); i >= 0) view_.ServerEntryChanged(i);
}

void QueryEngine::ShowMapPictureFor(const std::vector<std::string>& pictures) {
  if (pictures.empty()) return;
  // The family follows the selected server, not the one that replied.
  const std::uint8_t protocol =
      state_.SelectedValid() ? state_.serverlist[static_cast<std::size_t>(state_.selected)].protocol
                             : 0;
  const std::string fallback = ReadablePath(MapPictureFallback());
  std::string shown;
  for (const std::string& map : pictures) {
    const std::string rel = MapPictureFile(protocol, map);
    if (!rel.empty() && FileExists(ReadablePath(rel)))
      shown = ReadablePath(rel);
    else if (FileExists(fallback))
      shown = fallback;
  }
  if (!shown.empty()) view_.MapPictureShow(shown);
}

void QueryEngine::HandleVarReply(const std::string& text, const std::string& host, int port) {
  ++counters_.varReplies;
  if (host.empty() || port == -1) return;
  if (FirstEntryFor(host, port) < 0) return;  // not listed
  pacer_->Answered(PaceKey(host, static_cast<std::uint16_t>(port)), RconPacer::Clock::now());
  if (varOutputs_.Add(EntryKey(host, std::to_string(port)), text, HiResMs())) SchedulePump();
  if (!FromSelected(host, port)) return;
  try {
    view_.ApplyVarReply(FieldOf(text, "\n", 1));
  } catch (...) {
  }
}

void QueryEngine::ApplyStatusPollResult(StatusPollResult result) {
  const int index = state_.IndexOf(result.server);
  if (index < 0) return;
  // An answer like any other: the entry is not timed out while it comes.
  state_.serverlist[static_cast<std::size_t>(index)].lastreply = TickCount32();
  const bool shown = result.server == state_.SelectedUid();
  if (result.parsed) {
    StatusLookups lookups;
    const Tguidlist& guids = state_.guidlist;
    lookups.guidName = [&guids](const std::string& guid) -> std::optional<std::string> {
      std::optional<std::string> name;
      for (const Tguidrec& g : guids)
        if (g.guid.view() == guid) name = g.name.str();
      return name;
    };
    // An address the resolver has not answered yet (empty provider) gives
    // nothing: no flag and an empty provider cell until it is known, not the
    // first flag of the list.
    lookups.address = [this](const std::string& ip) -> std::optional<AddressInfo> {
      const Taddrrec* r = CachedAddress(ip);
      if (r && !r->provider.empty()) return AddressInfo{r->provider, r->cc, r->country, r->flag};
      return std::nullopt;
    };
    lookups.addUnknown = [this](const std::string& ip25) {
      if (!CachedAddress(ip25)) AddUnresolvedAddress(state_.addrcache, ip25);
    };
    ApplyStatusLookups(result.rows, lookups);
  }
  if (shown) {
    if (result.parsed) {
      state_.statusRows = std::move(result.rows);
    } else {
      // The parse empties the fields of the rows it had before it gives up.
      for (Tstatusrow& row : state_.statusRows)
        for (std::string& field : row) field.clear();
    }
    if (!result.tableReady) return;
    ++counters_.statusTables;
    state_.statusRowsView = state_.statusRows;
    state_.statusRowsServer = result.server;
    state_.statusRowsAt = std::chrono::steady_clock::now();
    view_.StatusRowsChanged();
    view_.StatusTableReadyMore(PolledTable{result.server, &state_.statusRows, result.sent, true});
    return;
  }
  // A server polled for its pending kicks: its table is not shown.
  if (result.parsed)
    view_.StatusTableReadyMore(PolledTable{result.server, &result.rows, result.sent, false});
}

void QueryEngine::StatusTableReady() {
  ++counters_.statusTables;
  state_.statusRowsView = state_.statusRows;
  state_.statusRowsServer = state_.SelectedUid();
  state_.statusRowsAt = std::chrono::steady_clock::now();
  view_.StatusRowsChanged();
  view_.StatusTableReadyMore(PolledTable{state_.statusRowsServer, &state_.statusRows,
                                         std::chrono::steady_clock::now(), true});
}

// ---------------------------------------------------------------------------
// Timers

// Both sweeps send their queries in slices, kSweepSlice at a time with a
// short pause in between: replies come back at the pace the queries leave,
// and a stock system buffers only about 180 of them for a socket (208 KiB),
// so a whole list at once would overflow it whenever the get thread is not
// scheduled for a moment. Ten thousand queries a second keep a sweep of
// 5000 servers under half a second while the buffer holds 18 ms of replies.
void QueryEngine::Timer3Timer() {
  timer3_->SetEnabled(false);
  if (!settings_.Get(&Settings::startq)) {
    EndStartUpSweep();
    return;
  }
  startUpSweep_.next = 0;
  startUpSweep_.running = true;
  StartUpSweepSlice();
}

void QueryEngine::StartUpSweepSlice() {
  QPointer<QueryEngine> alive(this);
  int sent = 0;
  while (startUpSweep_.next < state_.serverlist.size()) {
    const std::size_t i = startUpSweep_.next++;
    if (state_.serverlist[i].host.empty()) {  // ends the sweep, no SetTarget
      startUpSweep_.running = false;
      return;
    }
    // An entry whose port is not a number can never be matched by a reply.
    if (!IsDecimalNumber(state_.serverlist[i].port.view())) continue;
    if (!SendGetStatus(static_cast<int>(i))) continue;
    state_.serverlist[i].sendtime = HiResMs();
    // Replies are handled as they arrive and the window stays responsive.
    QCoreApplication::processEvents();
    if (!alive || shutDown_) return;
    if (++sent >= kSweepSlice && startUpSweep_.next < state_.serverlist.size()) {
      startUpSweepTimer_->start(kSweepPauseMs);
      return;
    }
  }
  startUpSweep_.running = false;
  EndStartUpSweep();
}

void QueryEngine::EndStartUpSweep() {
  // The sweep ends by aiming at the first entry, as it always has, unless
  // the operator has selected a server meanwhile: the target never parts
  // from the selection (rcon, detail views and variable replies all follow
  // the selected server).
  if (state_.SelectedValid()) {
    const Tserverrec& e = state_.serverlist[static_cast<std::size_t>(state_.selected)];
    SetTarget(e.port.view(), e.host.view());
  } else if (!state_.serverlist.empty()) {
    SetTarget(state_.serverlist[0].port.view(), state_.serverlist[0].host.view());
  }
}

// A sweep still being sent when the next one is asked for goes on: every
// entry is queried once per sweep, however long the list.
void QueryEngine::Button6Click() {
  SyncThrottled();  // also while the selected server's query is off
  if (periodicSweep_.running) return;
  periodicSweep_.next = 0;
  periodicSweep_.running = true;
  PeriodicSweepSlice();
}

void QueryEngine::PeriodicSweepSlice() {
  int sent = 0;
  while (periodicSweep_.next < state_.serverlist.size()) {
    const std::size_t i = periodicSweep_.next++;
    if (static_cast<std::int32_t>(i) == state_.selected) continue;
    if (!IsDecimalNumber(state_.serverlist[i].port.view())) continue;
    if (SendGetStatus(static_cast<int>(i))) {
      state_.serverlist[i].sendtime = HiResMs();
      ++sent;
    }
    if (sent >= kSweepSlice && periodicSweep_.next < state_.serverlist.size()) {
      periodicSweepTimer_->start(kSweepPauseMs);
      return;
    }
  }
  periodicSweep_.running = false;
}

void QueryEngine::Timer1Timer() {
  SyncThrottled();
  if (!state_.SelectedValid()) return;
  const int sel = state_.selected;
  Tserverrec& e = state_.serverlist[static_cast<std::size_t>(sel)];
  if (!IsDecimalNumber(e.port.view()) || e.host.empty()) return;
  const bool poll = view_.PlayersTabShown() && !e.rconpass.empty();
  if (state_.throttled.count(e.uid)) {
    // About one request a second for everything: the poll, whose table
    // carries the players' pings and scores and keeps the entry answered,
    // and every fifth tick the getstatus for the server's variables and
    // ping. The operator's commands go before both.
    if (poll && ++limitedTicks_ % 5 != 0) {
      state_.RequestStatusPoll(e.uid);
      return;
    }
    // Only when there is room at this moment; while the polls are answered
    // nothing is missing without it.
    const double at = HiResMs();
    if (SendGetStatus(sel)) {
      e.sendtime = at;
      FollowGetStatus(e, at);
    }
    return;
  }
  e.sendtime = HiResMs();
  if (SendGetStatus(sel)) FollowGetStatus(e, e.sendtime);
  if (poll) state_.RequestStatusPoll(e.uid);
}

void QueryEngine::FollowGetStatus(const Tserverrec& e, double at) {
  const auto port = PortOf(e.port.view());
  const std::optional<std::string> address = names_->Address(e.host.view());
  if (!port || !address) return;
  // A handful is enough; an unanswered server must not grow the list.
  if (getStatusWaits_.size() >= 16) getStatusWaits_.pop_front();
  getStatusWaits_.push_back(GetStatusWait{PaceKey(*address, *port), at});
  SchedulePump();
}

void QueryEngine::Timer2Timer() {
  if (!state_.deferredCommand.empty()) {
    // For the server it was asked for; cleared and switched off even when
    // it could not be queued (network paths report nothing).
    RconOptions read;
    read.kind = RconKind::Read;
    Rcon(state_.deferredServer, RconChannel::Query, state_.deferredCommand, std::move(read));
    state_.deferredCommand.clear();
    state_.deferredServer = 0;
  }
  timer2_->SetEnabled(false);
}

void QueryEngine::Timer4Timer() {
  timer4_->SetEnabled(false);
  RconOptions read;
  read.kind = RconKind::Read;
  Rcon(state_.timer4Server, RconChannel::Query, CmdStatus(), std::move(read));
}

std::string QueryEngine::ApplyQuerySettings(QueryTimers which) {
  const Settings s = settings_.Snapshot();
  if (which != QueryTimers::Selected) {
    const auto plan = AllServersQueryPlan(s);
    if (!plan) return IntegerConversionError(s.cqt);
    timer5_->SetInterval(plan->intervalMs);
    timer5_->SetEnabled(plan->on);
    view_.SweepButtonShown(plan->RefreshButtonVisible());
  }
  if (which != QueryTimers::AllServers) {
    const auto plan = SelectedQueryPlan(s);
    if (!plan) return IntegerConversionError(s.sqt);
    timer1_->SetInterval(plan->intervalMs);
    timer1_->SetEnabled(plan->on);
    view_.SelectedRefreshButtonShown(plan->RefreshButtonVisible());
  }
  return {};
}

void QueryEngine::ApplyStartQuerySetting() {
  timer3_->SetEnabled(settings_.Get(&Settings::startq));
}

void QueryEngine::Minimize() {
  timer5_->SetEnabled(false);
  timer1_->SetEnabled(false);
}

std::string QueryEngine::Restore() {
  return ApplyQuerySettings(QueryTimers::Both);
}

void QueryEngine::OnPageChanged(bool playersTabShown) {
  if (!state_.SelectedValid()) return;
  if (state_.serverlist[static_cast<std::size_t>(state_.selected)].rconpass.empty()) return;
  if (playersTabShown) {
    RconOptions read;
    read.kind = RconKind::Read;
    SendRcon(CmdStatus(), std::move(read));
    timer1_->SetEnabled(true);
  } else {
    timer1_->SetEnabled(settings_.Get(&Settings::sq));
  }
}

}  // namespace zelmora
