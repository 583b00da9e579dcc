// Out-of-band request datagrams: four 0xFF bytes followed by text, without a
// terminating NUL or line feed.
#pragma once

#include <string>
#include <string_view>

namespace zelmora {

// The four 0xFF bytes that start every out-of-band datagram.
inline constexpr std::string_view kOobPrefix{"\xff\xff\xff\xff", 4};

// The public status query (13 bytes).
std::string BuildGetStatus();

// An rcon command: prefix, "rcon ", the password in double quotes, a blank and
// the command, both inserted verbatim (nothing escaped, trimmed or limited);
// 12 + password length + command length bytes.
std::string BuildRcon(std::string_view password, std::string_view command);

}  // namespace zelmora
