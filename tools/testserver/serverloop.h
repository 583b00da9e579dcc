// The socket side of the scripted server: one thread polling one or more UDP
// sockets on 127.0.0.1, each socket backed by its own ServerLogic, with a
// timed queue for delayed replies so that a delay never blocks reception.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <queue>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tools/testserver/serverlogic.h"
#include "tools/testserver/testserver.h"

namespace zelmora::testing::detail {

class ServerLoop {
 public:
  ServerLoop() = default;
  ~ServerLoop();
  ServerLoop(const ServerLoop&) = delete;
  ServerLoop& operator=(const ServerLoop&) = delete;

  // Binds one socket per configuration and starts the thread. On any bind
  // failure nothing keeps running and false is returned.
  bool start(std::vector<TestServerConfig> configs);
  void stop();
  bool running() const;

  size_t size() const;
  uint16_t port(size_t index) const;
  std::string host(size_t index) const;

  TestServerConfig config(size_t index) const;
  void update(size_t index, const std::function<void(TestServerConfig&)>& edit);
  // Runs f on the logic of one server under the lock.
  void withLogic(size_t index, const std::function<void(ServerLogic&)>& f);

  std::vector<ReceivedDatagram> received(size_t index) const;
  uint64_t receivedCount(size_t index) const;
  uint64_t totalReceived() const;
  void clearReceived(size_t index);
  std::vector<ReceivedDatagram> takeReceived(size_t index);
  bool waitForReceived(size_t index, uint64_t count, std::chrono::milliseconds timeout) const;
  bool waitForTotal(uint64_t count, std::chrono::milliseconds timeout) const;
  std::vector<std::string> executedCommands(size_t index) const;
  std::vector<std::chrono::steady_clock::time_point> sentTimes(size_t index) const;
  TestServerStats stats(size_t index) const;
  bool sendTo(size_t index, const std::string& host, uint16_t port, std::string_view bytes);

 private:
  using Clock = std::chrono::steady_clock;

  struct Endpoint {
    int fd = -1;
    uint16_t port = 0;
    std::string host;
    ServerLogic logic;
    std::deque<ReceivedDatagram> received;
    uint64_t receivedCount = 0;
    std::deque<Clock::time_point> sent;  // when each reply datagram left
  };

  struct Pending {
    Clock::time_point due;
    uint64_t seq = 0;
    size_t index = 0;
    sockaddr_in to{};
    std::string bytes;
    bool operator>(const Pending& o) const { return due != o.due ? due > o.due : seq > o.seq; }
  };

  void run();
  void handleDatagram(size_t index, std::string data, const sockaddr_in& from);
  void flushDue();
  void NoteSent(Endpoint& ep, Clock::time_point at);
  void closeSockets();

  std::mutex lifecycle_;  // serialises start() and stop()
  mutable std::mutex mu_;
  mutable std::condition_variable cv_;
  std::vector<std::unique_ptr<Endpoint>> endpoints_;
  std::priority_queue<Pending, std::vector<Pending>, std::greater<Pending>> queue_;
  uint64_t seq_ = 0;
  uint64_t total_ = 0;
  bool running_ = false;
  int wake_[2] = {-1, -1};
  std::atomic<bool> stopRequested_{false};
  std::thread thread_;
};

}  // namespace zelmora::testing::detail
