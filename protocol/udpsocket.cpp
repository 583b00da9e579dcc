#include "protocol/udpsocket.h"

#include <cstring>
#include <mutex>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
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

// Resolves dotted IPv4 text directly, anything else through the resolver.
bool ResolveIPv4(std::string_view host, in_addr* out, std::string* err) {
  const std::string h(host);
  if (inet_pton(AF_INET, h.c_str(), out) == 1) return true;
  if (h.empty()) {
    if (err) *err = "empty host";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* res = nullptr;
  const int rc = getaddrinfo(h.c_str(), nullptr, &hints, &res);
  if (rc != 0 || res == nullptr) {
    if (err) *err = std::string("cannot resolve ") + h + ": " + gai_strerror(rc);
    if (res) freeaddrinfo(res);
    return false;
  }
  *out = reinterpret_cast<const sockaddr_in*>(res->ai_addr)->sin_addr;
  freeaddrinfo(res);
  return true;
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
  if (!ResolveIPv4(host, &to.sin_addr, err)) return false;
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
  socklen_t fromLen = sizeof(from);
  ssize_t n;
  do {
    n = ::recvfrom(fd_, buf.data(), buf.size(), MSG_TRUNC | MSG_DONTWAIT,
                   reinterpret_cast<sockaddr*>(&from), &fromLen);
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
