// Game texts are 8-bit Windows-1252 byte strings everywhere in Zelmora; they
// become QStrings only at the moment they are drawn or put into a widget.
#pragma once

#include <QChar>
#include <QString>

#include <string>
#include <string_view>

namespace zelmora {

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
