// Small text helpers shared by every layer. Texts are 8-bit byte strings;
// nothing here interprets a code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelmora {

// Removes leading and trailing characters with codes 0 to 32 (blanks and
// control characters). Bytes from 128 up are kept.
std::string TrimCtl(std::string_view s);

// Integer conversion as the operator's entries need it: optional leading
// blanks, an optional "+" or "-", then one or more decimal digits up to the
// end of the text, with a value that fits a signed 32-bit integer. Anything
// else (trailing blanks, an empty text, a lone sign, overflow) is not a
// number. Hexadecimal forms ("$1F", "0x1F") are deliberately not accepted:
// GUIDs, ports and counts are always typed and sent in decimal, and a "$" or
// "x" in such a field is a typing mistake, not a number.
std::optional<std::int32_t> ParseInt32(std::string_view s);

// ParseInt32, or def when the text is not a number.
std::int32_t StrToIntDef(std::string_view s, std::int32_t def);

// True exactly when ParseInt32 accepts the text, so a text tested with this
// reads back as a number with ParseInt32 (port texts).
bool IsDecimalNumber(std::string_view s);

// The first n characters of s (all of s when it is shorter).
std::string Cut(std::string_view s, std::size_t n);

// A-Z mapped to a-z; every other byte unchanged.
std::string LowerAscii(std::string_view s);

}  // namespace zelmora
