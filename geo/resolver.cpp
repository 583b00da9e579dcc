#include "geo/resolver.h"

#include <cstring>

#include "core/textutil.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace zelmora {

namespace {

// Keeps the socket library started for the duration of one lookup.
class SocketLibrary {
 public:
#ifdef _WIN32
  SocketLibrary() {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~SocketLibrary() {
    if (ok_) WSACleanup();
  }
#else
  SocketLibrary() = default;
#endif
  bool ok() const {
    return ok_;
  }

 private:
  bool ok_ = true;
};

}  // namespace

std::optional<std::string> ResolveHost(std::string_view text, bool* libraryFailed) {
  if (libraryFailed) *libraryFailed = false;
  SocketLibrary lib;
  if (!lib.ok()) {
    if (libraryFailed) *libraryFailed = true;
    return std::nullopt;
  }
  if (text.empty() || text.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string name(text);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* res = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || res == nullptr) return std::nullopt;
  std::optional<std::string> result;
  for (const addrinfo* ai = res; ai; ai = ai->ai_next) {
    if (ai->ai_family != AF_INET || ai->ai_addrlen < sizeof(sockaddr_in)) continue;
    sockaddr_in sin;
    std::memcpy(&sin, ai->ai_addr, sizeof sin);
    char buf[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &sin.sin_addr, buf, sizeof buf)) result = std::string(buf);
    break;
  }
  freeaddrinfo(res);
  return result;
}

std::string ReverseLookup(std::string_view dotted) {
  SocketLibrary lib;
  if (!lib.ok()) return "?";
  if (dotted.empty() || dotted.size() >= INET_ADDRSTRLEN ||
      dotted.find('\0') != std::string_view::npos)
    return "?";
  const std::string text(dotted);
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  if (inet_pton(AF_INET, text.c_str(), &sin.sin_addr) != 1) return "?";
  char host[NI_MAXHOST] = {};
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&sin), sizeof sin, host, sizeof host, nullptr,
                  0, NI_NAMEREQD) != 0)
    return "?";
  if (host[0] == '\0') return "?";
  return std::string(host);
}

std::string NewEntryProviderText(const RangeTable& ranges, std::string_view host) {
  return Cut(ReverseLookup(host) + ";" + CountryText(ranges, host), 250);
}

}  // namespace zelmora
