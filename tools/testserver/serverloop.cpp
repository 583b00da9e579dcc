#include "tools/testserver/serverloop.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace zelmora::testing::detail {

namespace {

constexpr int kMaxWaitMs = 100;
constexpr int kBurst = 64;  // datagrams taken from one socket before the others get a turn

int OpenSocket(const std::string& host, uint16_t port, uint16_t& boundPort) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  // Benchmarks fire bursts at a server; a larger buffer keeps them.
  int size = 1 << 20;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  // Loopback only: a test server never listens on a real network.
  if (::inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1 ||
      (ntohl(addr.sin_addr.s_addr) >> 24) != 127) {
    ::close(fd);
    return -1;
  }
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  socklen_t len = sizeof addr;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    return -1;
  }
  boundPort = ntohs(addr.sin_port);
  return fd;
}

bool Resolve(const std::string& host, uint16_t port, sockaddr_in& out) {
  out = sockaddr_in{};
  out.sin_family = AF_INET;
  out.sin_port = htons(port);
  if (::inet_pton(AF_INET, host.c_str(), &out.sin_addr) == 1) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* res = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return false;
  out.sin_addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
  ::freeaddrinfo(res);
  return true;
}

std::string HostText(const sockaddr_in& addr) {
  char buf[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &addr.sin_addr, buf, sizeof buf);
  return buf;
}

void SendDatagram(int fd, const sockaddr_in& to, const std::string& bytes) {
  // UDP on loopback: a failed send is a lost datagram, as on a real network.
  ::sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&to),
           sizeof to);
}

}  // namespace

ServerLoop::~ServerLoop() {
  stop();
}

bool ServerLoop::start(std::vector<TestServerConfig> configs) {
  std::lock_guard life(lifecycle_);
  std::lock_guard lock(mu_);
  if (running_) return false;
  std::vector<std::unique_ptr<Endpoint>> eps;
  eps.reserve(configs.size());
  for (TestServerConfig& cfg : configs) {
    auto ep = std::make_unique<Endpoint>();
    ep->fd = OpenSocket(cfg.bindHost, cfg.port, ep->port);
    ep->host = cfg.bindHost;
    if (ep->fd < 0) {
      for (auto& e : eps) ::close(e->fd);
      return false;
    }
    ep->logic = ServerLogic(std::move(cfg));
    eps.push_back(std::move(ep));
  }
  if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) {
    for (auto& e : eps) ::close(e->fd);
    return false;
  }
  endpoints_ = std::move(eps);
  queue_ = {};
  total_ = 0;
  stopRequested_ = false;
  running_ = true;
  const bool realtime =
      std::any_of(endpoints_.begin(), endpoints_.end(),
                  [](const std::unique_ptr<Endpoint>& e) { return e->logic.config().realtime; });
  thread_ = std::thread([this] { run(); });
  if (realtime) {
    sched_param param{};
    param.sched_priority = 10;
    pthread_setschedparam(thread_.native_handle(), SCHED_FIFO, &param);  // best effort
  }
  return true;
}

void ServerLoop::stop() {
  std::lock_guard life(lifecycle_);
  {
    std::lock_guard lock(mu_);
    if (!running_) return;
  }
  stopRequested_ = true;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_[1], &byte, 1);
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mu_);
  closeSockets();
  running_ = false;
  cv_.notify_all();
}

void ServerLoop::closeSockets() {
  for (auto& ep : endpoints_) {
    if (ep->fd >= 0) ::close(ep->fd);
    ep->fd = -1;
    ep->port = 0;
  }
  for (int& fd : wake_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  queue_ = {};
}

bool ServerLoop::running() const {
  std::lock_guard lock(mu_);
  return running_;
}

size_t ServerLoop::size() const {
  std::lock_guard lock(mu_);
  return endpoints_.size();
}

uint16_t ServerLoop::port(size_t index) const {
  std::lock_guard lock(mu_);
  return index < endpoints_.size() ? endpoints_[index]->port : 0;
}

std::string ServerLoop::host(size_t index) const {
  std::lock_guard lock(mu_);
  return index < endpoints_.size() ? endpoints_[index]->host : std::string();
}

TestServerConfig ServerLoop::config(size_t index) const {
  std::lock_guard lock(mu_);
  if (index >= endpoints_.size()) throw std::out_of_range("no such test server");
  TestServerConfig cfg = endpoints_[index]->logic.config();
  cfg.port = endpoints_[index]->port;
  return cfg;
}

void ServerLoop::update(size_t index, const std::function<void(TestServerConfig&)>& edit) {
  std::lock_guard lock(mu_);
  if (index >= endpoints_.size()) throw std::out_of_range("no such test server");
  ServerLogic& logic = endpoints_[index]->logic;
  TestServerConfig cfg = logic.config();
  edit(cfg);
  logic.setConfig(std::move(cfg));
}

void ServerLoop::withLogic(size_t index, const std::function<void(ServerLogic&)>& f) {
  std::lock_guard lock(mu_);
  if (index >= endpoints_.size()) throw std::out_of_range("no such test server");
  f(endpoints_[index]->logic);
}

std::vector<ReceivedDatagram> ServerLoop::received(size_t index) const {
  std::lock_guard lock(mu_);
  if (index >= endpoints_.size()) return {};
  const auto& r = endpoints_[index]->received;
  return {r.begin(), r.end()};
}

uint64_t ServerLoop::receivedCount(size_t index) const {
  std::lock_guard lock(mu_);
  return index < endpoints_.size() ? endpoints_[index]->receivedCount : 0;
}

uint64_t ServerLoop::totalReceived() const {
  std::lock_guard lock(mu_);
  return total_;
}

void ServerLoop::clearReceived(size_t index) {
  std::lock_guard lock(mu_);
  if (index >= endpoints_.size()) return;
  Endpoint& ep = *endpoints_[index];
  total_ -= ep.receivedCount;
  ep.receivedCount = 0;
  ep.received.clear();
}

std::vector<ReceivedDatagram> ServerLoop::takeReceived(size_t index) {
  std::lock_guard lock(mu_);
  if (index >= endpoints_.size()) return {};
  Endpoint& ep = *endpoints_[index];
  std::vector<ReceivedDatagram> out(std::make_move_iterator(ep.received.begin()),
                                    std::make_move_iterator(ep.received.end()));
  total_ -= ep.receivedCount;
  ep.receivedCount = 0;
  ep.received.clear();
  return out;
}

bool ServerLoop::waitForReceived(size_t index, uint64_t count,
                                 std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mu_);
  return cv_.wait_for(lock, timeout, [&] {
    return index < endpoints_.size() && endpoints_[index]->receivedCount >= count;
  });
}

bool ServerLoop::waitForTotal(uint64_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mu_);
  return cv_.wait_for(lock, timeout, [&] { return total_ >= count; });
}

std::vector<std::string> ServerLoop::executedCommands(size_t index) const {
  std::lock_guard lock(mu_);
  return index < endpoints_.size() ? endpoints_[index]->logic.executedCommands()
                                   : std::vector<std::string>();
}

TestServerStats ServerLoop::stats(size_t index) const {
  std::lock_guard lock(mu_);
  return index < endpoints_.size() ? endpoints_[index]->logic.stats() : TestServerStats();
}

bool ServerLoop::sendTo(size_t index, const std::string& host, uint16_t port,
                        std::string_view bytes) {
  sockaddr_in to{};
  if (!Resolve(host, port, to)) return false;
  std::lock_guard lock(mu_);
  if (!running_ || index >= endpoints_.size() || endpoints_[index]->fd < 0) return false;
  const ssize_t n = ::sendto(endpoints_[index]->fd, bytes.data(), bytes.size(), 0,
                             reinterpret_cast<const sockaddr*>(&to), sizeof to);
  return n == static_cast<ssize_t>(bytes.size());
}

void ServerLoop::handleDatagram(size_t index, std::string data, const sockaddr_in& from) {
  {
    std::lock_guard lock(mu_);
    Endpoint& ep = *endpoints_[index];
    const Clock::time_point now = Clock::now();
    const size_t keep = ep.logic.config().maxRecorded;
    if (keep > 0) {
      ep.received.push_back(ReceivedDatagram{data, HostText(from), ntohs(from.sin_port), now});
      while (ep.received.size() > keep) ep.received.pop_front();
    }
    ++ep.receivedCount;
    ++total_;
    std::vector<std::string> replies =
        ep.logic.handle(data, now, HostText(from) + ":" + std::to_string(ntohs(from.sin_port)));
    const int delay = ep.logic.config().replyDelayMs;
    for (std::string& r : replies) {
      if (delay <= 0) {
        SendDatagram(ep.fd, from, r);
        NoteSent(ep, Clock::now());
      } else {
        queue_.push(
            Pending{now + std::chrono::milliseconds(delay), seq_++, index, from, std::move(r)});
      }
    }
  }
  cv_.notify_all();
}

void ServerLoop::NoteSent(Endpoint& ep, Clock::time_point at) {
  const size_t keep = ep.logic.config().maxRecorded;
  if (keep == 0) return;
  ep.sent.push_back(at);
  while (ep.sent.size() > keep) ep.sent.pop_front();
}

std::vector<std::chrono::steady_clock::time_point> ServerLoop::sentTimes(size_t index) const {
  std::lock_guard lock(mu_);
  if (index >= endpoints_.size()) return {};
  return {endpoints_[index]->sent.begin(), endpoints_[index]->sent.end()};
}

void ServerLoop::flushDue() {
  std::lock_guard lock(mu_);
  const Clock::time_point now = Clock::now();
  while (!queue_.empty() && queue_.top().due <= now) {
    const Pending& p = queue_.top();
    SendDatagram(endpoints_[p.index]->fd, p.to, p.bytes);
    NoteSent(*endpoints_[p.index], Clock::now());
    queue_.pop();
  }
}

void ServerLoop::run() {
  std::vector<pollfd> fds;
  {
    std::lock_guard lock(mu_);
    fds.push_back(pollfd{wake_[0], POLLIN, 0});
    for (const auto& ep : endpoints_) fds.push_back(pollfd{ep->fd, POLLIN, 0});
  }
  std::vector<char> buf(65536);
  while (!stopRequested_.load()) {
    // Delayed replies leave on time to the microsecond, not rounded up to
    // the next millisecond: the benchmarks measure pings against them.
    auto wait = std::chrono::nanoseconds(std::chrono::milliseconds(kMaxWaitMs));
    {
      std::lock_guard lock(mu_);
      if (!queue_.empty())
        wait = std::clamp<std::chrono::nanoseconds>(queue_.top().due - Clock::now(),
                                                    std::chrono::nanoseconds(0), wait);
    }
    timespec timeout{};
    timeout.tv_sec = static_cast<time_t>(wait.count() / 1000000000);
    timeout.tv_nsec = static_cast<long>(wait.count() % 1000000000);
    const int n = ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
    if (n < 0 && errno != EINTR) break;
    if (stopRequested_.load()) break;
    if (n > 0) {
      if (fds[0].revents != 0) {
        char drain[64];
        while (::read(wake_[0], drain, sizeof drain) > 0) {
        }
      }
      for (size_t k = 1; k < fds.size(); ++k) {
        if (fds[k].revents == 0) continue;
        for (int burst = 0; burst < kBurst; ++burst) {
          sockaddr_in from{};
          socklen_t len = sizeof from;
          const ssize_t r = ::recvfrom(fds[k].fd, buf.data(), buf.size(), MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr*>(&from), &len);
          if (r < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            continue;  // a queued error report; the next read goes on
          }
          handleDatagram(k - 1, std::string(buf.data(), static_cast<size_t>(r)), from);
        }
      }
    }
    flushDue();
  }
}

}  // namespace zelmora::testing::detail
