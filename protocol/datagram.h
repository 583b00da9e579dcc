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
// the command, both inserted as they are (nothing escaped, trimmed or
// limited); 12 + password length + command length bytes.
//
// The server reads the request up to its first line feed or NUL, cuts
// commands at CR and LF, ends the quoted password at the next double quote,
// and some servers find the command after the password by skipping to the
// next blank. So a password that breaks PasswordProblem (core/commandrules.h:
// a double quote, a blank or a control character), or a command holding CR,
// LF or NUL, would let part of the datagram run as a command the operator
// never gave. For these BuildRcon gives an empty string: no datagram, and
// the caller sends nothing. Callers check the password with PasswordProblem
// first to tell the operator why.
std::string BuildRcon(std::string_view password, std::string_view command);

}  // namespace zelmora
