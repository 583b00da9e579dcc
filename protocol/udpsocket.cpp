#include "protocol/udpsocket.h"

#include <cstring>
#include <mutex>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace zelmora {

namespace {

#ifdef _WIN32
const std::uintptr_t kInvalid = static_cast<std::uintptr_t>(INVALID_SOCKET);

void EnsureWinsock() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  });
}
int LastError() {
  return WSAGetLastError();
}
std::string ErrorText(int code) {
  return "socket error " + std::to_string(code);
}
void CloseSocketHandle(std::uintptr_t h) {
  closesocket(static_cast<SOCKET>(h));
}
SOCKET Sock(std::uintptr_t h) {
  return static_cast<SOCKET>(h);
}
#else
constexpr int kInvalid = -1;
void EnsureWinsock() {}
int LastError() {
  return errno;
}
std::string ErrorText(int code) {
  return std::strerror(code);
}
void CloseSocketHandle(int h) {
  ::close(h);
}
int Sock(int h) {
  return h;
}
#endif

// Dotted IPv4 text only; names are never looked up here.
bool ParseDottedIPv4(std::string_view host, in_addr* out, std::string* err) {
  const std::string h(host);
  if (h.find('\0') == std::string::npos && inet_pton(AF_INET, h.c_str(), out) == 1) return true;
  if (err) *err = h.empty() ? std::string("empty host") : "'" + h + "' is no IPv4 address";
  return false;
}

}  // namespace

UdpSocket::UdpSocket() : fd_(kInvalid) {}

UdpSocket::~UdpSocket() {
  Close();
}

bool UdpSocket::IsOpen() const {
  return fd_ != kInvalid;
}

bool UdpSocket::Open(int receiveBufferBytes) {
  if (IsOpen()) return true;
  EnsureWinsock();
#ifdef _WIN32
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return false;
  const Handle h = static_cast<Handle>(s);
#else
  const int h = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (h < 0) return false;
#endif
  if (receiveBufferBytes > 0) {
    // Best effort: the system may round the size or cap it.
    setsockopt(Sock(h), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBufferBytes),
               sizeof(receiveBufferBytes));
  }
#ifdef SO_TIMESTAMPNS
  // The kernel stamps every datagram as it arrives; Receive reports how long
  // it waited in the buffer.
  const int on = 1;
  setsockopt(h, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof(on));
#endif
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = 0;
  if (::bind(Sock(h), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
    CloseSocketHandle(h);
    return false;
  }
  fd_ = h;
  return true;
}

bool UdpSocket::SendTo(std::string_view host, std::uint16_t port, std::string_view data,
                       std::string* err) {
  if (!IsOpen()) {
    if (err) *err = "socket not open";
    return false;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  if (!ParseDottedIPv4(host, &to.sin_addr, err)) return false;
#ifdef _WIN32
  const int sent = ::sendto(Sock(fd_), data.data(), static_cast<int>(data.size()), 0,
                            reinterpret_cast<const sockaddr*>(&to), sizeof(to));
#else
  ssize_t sent;
  do {
    sent = ::sendto(fd_, data.data(), data.size(), MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&to), sizeof(to));
  } while (sent < 0 && errno == EINTR);
#endif
  if (sent < 0 || static_cast<std::size_t>(sent) != data.size()) {
    if (err) *err = sent < 0 ? ErrorText(LastError()) : std::string("short send");
    return false;
  }
  return true;
}

UdpSocket::Received UdpSocket::Receive(int waitMs, std::size_t maxBytes) {
  Received r;
  if (!IsOpen()) {
    r.failed = true;
    return r;
  }
  if (waitMs < 0) waitMs = 0;
#ifdef _WIN32
  fd_set set;
  FD_ZERO(&set);
  FD_SET(Sock(fd_), &set);
  timeval tv{waitMs / 1000, (waitMs % 1000) * 1000};
  const int ready = ::select(0, &set, nullptr, nullptr, &tv);
  if (ready < 0) {
    r.failed = true;
    return r;
  }
  if (ready == 0) return r;
  std::vector<char> buf(maxBytes);
  sockaddr_in from{};
  int fromLen = sizeof(from);
  const int n = ::recvfrom(Sock(fd_), buf.data(), static_cast<int>(buf.size()), 0,
                           reinterpret_cast<sockaddr*>(&from), &fromLen);
  // WSAEMSGSIZE: longer than the buffer (already discarded); WSAECONNRESET:
  // an ICMP error for an earlier send.
  if (n < 0) {
    r.failed = true;
    return r;
  }
  const std::size_t len = static_cast<std::size_t>(n);
#else
  pollfd p{fd_, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&p, 1, waitMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) {
    r.failed = true;
    return r;
  }
  if (ready == 0) return r;
  // One byte more than allowed is enough to tell an oversize datagram; MSG_TRUNC
  // makes the call report the full length, and the rest is discarded.
  std::vector<char> buf(maxBytes + 1);
  sockaddr_in from{};
  iovec iov{buf.data(), buf.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec)) + 64];
  msghdr msg{};
  msg.msg_name = &from;
  msg.msg_namelen = sizeof(from);
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof(control);
  ssize_t n;
  do {
    n = ::recvmsg(fd_, &msg, MSG_TRUNC | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    // EAGAIN: the readiness was an error report already consumed elsewhere;
    // anything else (ECONNREFUSED from an ICMP report) is a failed receive.
    if (errno != EAGAIN && errno != EWOULDBLOCK) r.failed = true;
    return r;
  }
  const std::size_t len = static_cast<std::size_t>(n);
  if (len > maxBytes) {
    r.failed = true;
    return r;
  }
#ifdef SO_TIMESTAMPNS
  for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS) continue;
    timespec stamp;
    std::memcpy(&stamp, CMSG_DATA(c), sizeof(stamp));
    // The stamp is on the wall clock; its distance to the wall clock now is
    // the wait in the buffer, which does not depend on the clock's origin.
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const double age = static_cast<double>(now.tv_sec - stamp.tv_sec) * 1000.0 +
                       static_cast<double>(now.tv_nsec - stamp.tv_nsec) / 1.0e6;
    // A wall-clock step between the two readings must not produce nonsense.
    r.ageMs = age > 0 && age < 60000 ? age : 0;
  }
#endif
#endif
  char addr[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &from.sin_addr, addr, sizeof(addr));
  r.got = true;
  r.data.assign(buf.data(), len);
  r.host = addr;
  r.port = ntohs(from.sin_port);
  return r;
}

void UdpSocket::Close() {
  if (!IsOpen()) return;
  CloseSocketHandle(fd_);
  fd_ = kInvalid;
}

int UdpSocket::ReceiveBufferBytes() const {
  if (!IsOpen()) return 0;
  int size = 0;
#ifdef _WIN32
  int len = sizeof(size);
#else
  socklen_t len = sizeof(size);
#endif
  if (::getsockopt(Sock(fd_), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &len) != 0)
    return 0;
  return size;
}

std::uint16_t UdpSocket::LocalPort() const {
  if (!IsOpen()) return 0;
  sockaddr_in local{};
#ifdef _WIN32
  int len = sizeof(local);
#else
  socklen_t len = sizeof(local);
#endif
  if (::getsockname(Sock(fd_), reinterpret_cast<sockaddr*>(&local), &len) != 0) return 0;
  return ntohs(local.sin_port);
}

}  // namespace zelmora
