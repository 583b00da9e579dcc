// Unconnected IPv4 UDP socket with a bounded receive wait.
//
// One thread may send while another receives on the same socket: the
// descriptor does not change between Open and Close. Close must only be
// called once no thread is inside Receive or SendTo any more.
//
// Sends go to dotted IPv4 addresses only: a name lookup can block for the
// resolver's whole time-out, so names are resolved by the caller, off the
// thread that sends (see geo/namecache.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelmora {

class UdpSocket {
 public:
  struct Received {
    bool got = false;  // a datagram was received
    std::string data;
    std::string host;     // sender, dotted IPv4
    int port = -1;        // sender port
    bool failed = false;  // an error, or a datagram longer than maxBytes
    // How long before the return of Receive the datagram reached the socket,
    // in milliseconds, from the system's receive stamp (0 where the system
    // gives none). Subtracting it from a clock read right after Receive
    // gives the arrival time however long the datagram waited in the buffer.
    double ageMs = 0;
  };

  UdpSocket();
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  // Creates the socket and binds it at once to an ephemeral port on every
  // local address, so a receive before the first send just finds nothing.
  // The receive buffer is asked to be receiveBufferBytes (callers size it
  // for a burst of replies); the system may grant less, see
  // ReceiveBufferBytes. Receive stamps are switched on where available.
  bool Open(int receiveBufferBytes);
  bool IsOpen() const;
  // The receive buffer the system granted, as it reports it (Linux reports
  // twice the usable payload room: its figure includes bookkeeping).
  int ReceiveBufferBytes() const;

  // Sends data to host:port. host must be dotted IPv4 text; anything else
  // fails without a lookup. On failure err (when given) gets a reason.
  bool SendTo(std::string_view host, std::uint16_t port, std::string_view data,
              std::string* err = nullptr);

  // Waits at most waitMs for one datagram. A datagram longer than maxBytes
  // is discarded and reported as failed; so is an error the network reported
  // for an earlier send.
  Received Receive(int waitMs, std::size_t maxBytes = 8192);

  void Close();
  std::uint16_t LocalPort() const;
  // The system's handle, for an event loop that watches the socket
  // (a socket descriptor, or a SOCKET on Windows); -1 while closed.
  std::intptr_t NativeHandle() const { return IsOpen() ? static_cast<std::intptr_t>(fd_) : -1; }

 private:
#ifdef _WIN32
  using Handle = std::uintptr_t;
#else
  using Handle = int;
#endif
  Handle fd_;
};

}  // namespace zelmora
