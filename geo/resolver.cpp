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

HostLookup LookupHost(std::string_view text) {
  HostLookup out;
  SocketLibrary lib;
  if (!lib.ok()) {
    out.libraryFailed = true;
    out.reason = "DNS-Resolve error - Winsock is not responding.";
    return out;
  }
  if (text.empty() || text.find('\0') != std::string_view::npos) {
    out.status = HostLookup::Status::kUnknown;
    return out;
  }
  const std::string name(text);
  in_addr dotted{};
  if (inet_pton(AF_INET, name.c_str(), &dotted) == 1) {
    out.status = HostLookup::Status::kFound;
    out.address = name;
    return out;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* res = nullptr;
  const int rc = getaddrinfo(name.c_str(), nullptr, &hints, &res);
  if (rc != 0 || res == nullptr) {
    if (res) freeaddrinfo(res);
#ifdef _WIN32
    const bool unknown = rc == WSAHOST_NOT_FOUND || rc == WSANO_DATA;
    out.reason = "error " + std::to_string(rc);
#else
    // EAI_NONAME: no such name; EAI_NODATA/EAI_ADDRFAMILY: the name exists
    // but has no IPv4 address. Everything else (EAI_AGAIN, EAI_FAIL,
    // EAI_SYSTEM, ...) says nothing about the name.
    bool unknown = rc == EAI_NONAME;
#ifdef EAI_NODATA
    unknown = unknown || rc == EAI_NODATA;
#endif
#ifdef EAI_ADDRFAMILY
    unknown = unknown || rc == EAI_ADDRFAMILY;
#endif
    out.reason = gai_strerror(rc);
#endif
    out.status = unknown ? HostLookup::Status::kUnknown : HostLookup::Status::kFailed;
    return out;
  }
  for (const addrinfo* ai = res; ai; ai = ai->ai_next) {
    if (ai->ai_family != AF_INET || ai->ai_addrlen < sizeof(sockaddr_in)) continue;
    sockaddr_in sin;
    std::memcpy(&sin, ai->ai_addr, sizeof sin);
    char buf[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &sin.sin_addr, buf, sizeof buf)) {
      out.status = HostLookup::Status::kFound;
      out.address = buf;
    }
    break;
  }
  freeaddrinfo(res);
  if (out.status != HostLookup::Status::kFound) out.status = HostLookup::Status::kUnknown;
  return out;
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
