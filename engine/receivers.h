// The two sockets of the rcon and query traffic and the threads that read
// them.
//
//   querySocket - every "getstatus" and the query channel's rcon commands;
//                 read by the get thread as fast as datagrams come (200 ms
//                 waits) into a bounded inbox, each stamped with its arrival
//                 from the system's receive stamp, so neither a busy main
//                 thread nor a small kernel buffer loses or delays a reply
//                 of a large sweep. A second thread hands the inbox's
//                 datagrams, in order, to the main thread and waits until
//                 they have been handled there.
//   udpb        - the variable channel; read by getb (100 ms waits), each
//                 datagram handed over on its own.
//
// The handlers run on the main thread (through the invoker); the threads
// touch nothing else. Sockets and inbox are shared with the threads, so a
// thread left behind at shutdown still finds them.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/worker.h"
#include "protocol/udpsocket.h"

namespace zelmora {

class QtMainThreadInvoker;

// A datagram of querySocket waiting to be handed to the main thread.
struct Inbound {
  std::string data;
  std::string host;
  int port = -1;
  double time = 0;  // arrival, HiResMs
};

class Receivers {
 public:
  // Main thread: a batch of querySocket datagrams in arrival order; stop
  // tells whether the engine is shutting down (the rest is dropped then).
  using QueryHandler = std::function<void(std::vector<Inbound>& batch)>;
  using VarHandler =
      std::function<void(const std::string& text, const std::string& host, int port)>;

  // Receive buffer asked of the system for both sockets (the kernel may
  // grant less; the inbox holds the burst of a large sweep then).
  static constexpr int kBurstReceiveBuffer = 4 * 1024 * 1024;
  static constexpr std::size_t kMaxDatagram = 8192;
  static constexpr std::size_t kMaxVarDatagram = 81920;
  static constexpr std::size_t kInboxDatagrams = 32768;
  static constexpr std::size_t kInboxBytes = 64u * 1024 * 1024;

  Receivers();
  ~Receivers();
  Receivers(const Receivers&) = delete;
  Receivers& operator=(const Receivers&) = delete;

  // Creates both sockets; false when one cannot be made.
  bool Open();
  // Starts get, its hand-over and getb.
  void Start(std::shared_ptr<QtMainThreadInvoker> invoker, QueryHandler onQuery, VarHandler onVar);
  // Requests the stop of all three and waits until `until`; sockets are
  // closed when every thread has ended. True when all ended.
  bool Stop(std::chrono::steady_clock::time_point until);

  UdpSocket& QuerySocket();
  UdpSocket& VarSocket();
  std::uint64_t InboxDropped() const;

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  Worker get_, getHand_, getb_;
};

}  // namespace zelmora
