#include "engine/statuspoller.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>

#include "protocol/commands.h"
#include "protocol/datagram.h"
#include "protocol/replyjoin.h"
#include "protocol/udpsocket.h"

namespace zelmora {

struct StatusPoller::Poll {
  UdpSocket socket;
  std::string host;
  std::uint16_t port = 0;
  Done done;
  Clock::time_point left{};
  StatusAnswers answers;
  std::size_t count = 0;
  std::size_t bytes = 0;
  std::unique_ptr<QSocketNotifier> notifier;
  std::unique_ptr<QTimer> deadline;
};

StatusPoller::StatusPoller(QObject* parent) : QObject(parent) {}

StatusPoller::~StatusPoller() {
  CancelAll();
}

bool StatusPoller::Start(const std::string& address, std::uint16_t port,
                         const std::string& password, Done done) {
  auto poll = std::make_unique<Poll>();
  // A table of a full server arrives as a burst of print datagrams.
  if (!poll->socket.Open(256 * 1024)) return false;
  poll->host = address;
  poll->port = port;
  poll->done = std::move(done);
  poll->left = Clock::now();
  const std::string request = BuildRcon(password, CmdStatus());
  if (request.empty() || !poll->socket.SendTo(address, port, request)) return false;
  lastPort_ = poll->socket.LocalPort();
  Poll* p = poll.get();
  p->notifier = std::make_unique<QSocketNotifier>(static_cast<qintptr>(p->socket.NativeHandle()),
                                                  QSocketNotifier::Read);
  connect(p->notifier.get(), &QSocketNotifier::activated, this, [this, p] { Read(p); });
  p->deadline = std::make_unique<QTimer>();
  p->deadline->setSingleShot(true);
  p->deadline->setTimerType(Qt::PreciseTimer);
  connect(p->deadline.get(), &QTimer::timeout, this, [this, p] { Finish(p); });
  p->deadline->start(kFirstAnswerWait);
  polls_.push_back(std::move(poll));
  return true;
}

void StatusPoller::Read(Poll* p) {
  for (;;) {
    const UdpSocket::Received r = p->socket.Receive(0, 8192);
    if (!r.got && !r.failed) break;
    if (!r.got || r.host != p->host || r.port != p->port) continue;
    ++p->count;
    p->bytes += r.data.size();
    p->answers.Add(r.data);
    if (p->count >= kMaxDatagrams || p->bytes >= kMaxBytes) {
      p->deadline->start(0);
      return;
    }
    const StatusAssembly a = p->answers.Result();
    p->deadline->start(a.found && StatusTableComplete(a.table) ? kCompleteGrace : kQuietEnd);
  }
}

void StatusPoller::Finish(Poll* p) {
  const auto it = std::find_if(polls_.begin(), polls_.end(),
                               [p](const std::unique_ptr<Poll>& x) { return x.get() == p; });
  if (it == polls_.end()) return;
  std::unique_ptr<Poll> poll = std::move(*it);
  polls_.erase(it);
  poll->notifier->setEnabled(false);
  ++finished_;
  Result result;
  result.left = poll->left;
  result.answered = poll->count > 0;
  if (result.answered) ++answered_;
  const StatusAssembly a = poll->answers.Result();
  result.found = a.found;
  if (a.found) {
    result.parsed = ParseStatusInfo(a.table, result.rows);
    // A single datagram that does not parse is no table; one of several
    // datagrams still counts as arrived with what it gave.
    result.tableReady = result.parsed || !a.single;
  }
  Done done = std::move(poll->done);
  // The notifier and timer may be the ones calling us: they go later.
  poll->notifier.release()->deleteLater();
  poll->deadline.release()->deleteLater();
  if (done) done(std::move(result));
}

void StatusPoller::CancelAll() {
  for (auto& p : polls_) {
    p->notifier.reset();
    p->deadline.reset();
  }
  polls_.clear();
}

}  // namespace zelmora
