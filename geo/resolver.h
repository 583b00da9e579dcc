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

// The host name registered for a dotted IPv4 address, "?" when there is none
// or the text is not a dotted IPv4 address. Can block for seconds.
std::string ReverseLookup(std::string_view dotted);

// Provider text of a newly added server: ReverseLookup(host) + ";" +
// CountryText(host), cut to 250 characters; "?;?" when neither finds anything.
std::string NewEntryProviderText(const RangeTable& ranges, std::string_view host);

}  // namespace zelmora
