// Blocking IPv4 name lookups: host name to address when a server is added,
// address to name for the provider text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geo/ranges.h"

namespace zelmora {

// The first IPv4 address of text as dotted decimal; a dotted address gives
// itself. nullopt when the name does not resolve (or holds a NUL byte). When
// the platform's socket library cannot be started, *libraryFailed is set (the
// caller tells the operator "DNS-Resolve error - Winsock is not responding.").
std::optional<std::string> ResolveHost(std::string_view text, bool* libraryFailed = nullptr);

// What the resolver answered for a name, with the difference that matters to
// the operator: a name the resolver does not know (it may be stored as
// typed) against a lookup that could not be done now (retry later).
struct HostLookup {
  enum class Status { kFound, kUnknown, kFailed };
  Status status = Status::kFailed;
  std::string address;  // dotted IPv4 when found
  std::string reason;   // the system's text when not found
  // The platform's socket library could not be started (reported as
  // "DNS-Resolve error - Winsock is not responding."); status is kFailed.
  bool libraryFailed = false;
};

// As ResolveHost, with the resolver's own verdict. A dotted address is found
// at once without a query.
HostLookup LookupHost(std::string_view text);

// The host name registered for a dotted IPv4 address, "?" when there is none
// or the text is not a dotted IPv4 address. Can block for seconds.
std::string ReverseLookup(std::string_view dotted);

// Provider text of a newly added server: ReverseLookup(host) + ";" +
// CountryText(host), cut to 250 characters; "?;?" when neither finds anything.
std::string NewEntryProviderText(const RangeTable& ranges, std::string_view host);

}  // namespace zelmora
