// Text encodings of game texts: Windows-1252 (the old servers and every
// file of the program) and UTF-8 (newer mods, and the program's own words).
// Plain C++; the windows turn bytes into QStrings (ui/dialogs/cp1252.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelmora {

// The character of one Windows-1252 byte. The five bytes the code page
// leaves undefined map to the control characters of the same value, as
// Windows does.
char32_t Cp1252ToUnicode(unsigned char byte);
// The Windows-1252 byte of a character, or no value ('?' is used then).
int UnicodeToCp1252(char32_t c);

// Windows-1252 bytes as UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 as Windows-1252; what the code page cannot express, and bytes that
// are no UTF-8, become '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// The bytes as well-formed UTF-8: each byte that starts no well-formed
// sequence becomes U+FFFD.
std::string Utf8Sanitized(std::string_view bytes);

// Whether the bytes are well-formed UTF-8 (shortest forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);
// Whether they hold at least one multi-byte sequence (and are valid).
bool HasUtf8Sequence(std::string_view bytes);

}  // namespace zelmora
