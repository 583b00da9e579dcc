// A plain UDP client for talking to the scripted server from tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ztest {

inline QByteArray B(std::string_view s) {
  return QByteArray(s.data(), qsizetype(s.size()));
}

inline std::string Oob(std::string_view text) {
  return std::string(4, '\xff') + std::string(text);
}

struct Reply {
  std::string data;
  std::chrono::steady_clock::time_point at;
  uint16_t fromPort = 0;
};

class UdpClient {
 public:
  UdpClient() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~UdpClient() { ::close(fd_); }
  UdpClient(const UdpClient&) = delete;
  UdpClient& operator=(const UdpClient&) = delete;

  uint16_t port() const { return port_; }

  bool send(uint16_t port, std::string_view bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(bytes.size());
  }

  std::optional<Reply> receive(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
    std::string buf(65536, '\0');
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n =
        ::recvfrom(fd_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return std::nullopt;
    buf.resize(static_cast<size_t>(n));
    return Reply{std::move(buf), std::chrono::steady_clock::now(), ntohs(from.sin_port)};
  }

  // Everything that arrives until the line stays quiet for quietMs (the first
  // datagram may take up to firstMs).
  std::vector<Reply> receiveAll(int firstMs = 2000, int quietMs = 250) {
    std::vector<Reply> out;
    int wait = firstMs;
    while (auto r = receive(wait)) {
      out.push_back(std::move(*r));
      wait = quietMs;
    }
    return out;
  }

  std::vector<std::string> request(uint16_t port, std::string_view text, int firstMs = 2000,
                                   int quietMs = 250) {
    send(port, Oob(text));
    std::vector<std::string> out;
    for (auto& r : receiveAll(firstMs, quietMs)) out.push_back(std::move(r.data));
    return out;
  }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

// Console output carried by "print" datagrams, concatenated; empty when one
// of them is not a print datagram.
inline std::string PrintOutput(const std::vector<std::string>& datagrams) {
  const std::string prefix = Oob("print\n");
  std::string out;
  for (const auto& d : datagrams) {
    if (d.compare(0, prefix.size(), prefix) != 0) return {};
    out += d.substr(prefix.size());
  }
  return out;
}

// Status row as a client reads it: fixed columns by 1-based position, the name
// up to the last "^" before the row's last character, then blank-separated words.
struct StatusRow {
  std::string num, score, ping, guid, name;
  std::vector<std::string> words;
};

inline std::string Trim(std::string s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.pop_back();
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32) ++i;
  return s.substr(i);
}

inline std::string Columns(const std::string& line, size_t from1, size_t to1) {
  if (line.size() < from1) return {};
  return line.substr(from1 - 1, to1 - from1 + 1);
}

inline StatusRow ParseRow(const std::string& line) {
  StatusRow r;
  r.num = Trim(Columns(line, 1, 3));
  r.score = Trim(Columns(line, 5, 9));
  r.ping = Trim(Columns(line, 11, 14));
  r.guid = Trim(Columns(line, 16, 21));
  const size_t mark = line.size() >= 2 ? line.rfind('^', line.size() - 2) : std::string::npos;
  if (mark == std::string::npos || mark < 22) return r;
  r.name = line.substr(22, mark - 22);
  std::string rest = line.substr(mark);
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && rest[i] == ' ') ++i;
    const size_t s = i;
    while (i < rest.size() && rest[i] != ' ') ++i;
    if (i > s) r.words.push_back(rest.substr(s, i - s));
  }
  if (!r.words.empty()) r.words.erase(r.words.begin());  // the "^7" name end mark
  return r;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      out.push_back(text.substr(start));
      return out;
    }
    out.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
}

}  // namespace ztest
