// Game texts are 8-bit byte strings everywhere in Zelmora; they become
// QStrings only at the moment they are drawn or put into a widget. The
// program's own files are Windows-1252; a server's texts are read in the
// encoding chosen for it (core/serverencoding.h).
#pragma once

#include <QChar>
#include <QString>

#include <string>
#include <string_view>

#include "core/serverencoding.h"

namespace zelmora {

// A server's bytes for the screen, in its encoding: automatic reads each
// text as UTF-8 when it is valid UTF-8 with a multi-byte sequence, else as
// Windows-1252. Colour codes are ASCII and read the same in both.
QString DecodeGameText(std::string_view bytes, TextEncoding encoding);

// Text typed for a server as the bytes that go into its command (see
// Utf8ToGameText).
std::string EncodeGameText(const QString& text, TextEncoding encoding,
                           bool serverSpeaksUtf8 = false);

// The character of one Windows-1252 byte. The five bytes the code page leaves
// undefined map to the control characters of the same value, as Windows does.
QChar Cp1252ToQChar(unsigned char byte);

// A whole byte string, byte by byte.
QString FromCp1252(std::string_view bytes);

// A message of the system or of the data-file layer for a message box:
// UTF-8 when the bytes are valid UTF-8 (system error texts, file paths),
// else Windows-1252.
QString FromMessageBytes(std::string_view bytes);

// Back to bytes for texts the operator typed or picked from a widget.
// Characters the code page cannot express become '?'.
std::string ToCp1252(const QString& text);

}  // namespace zelmora
