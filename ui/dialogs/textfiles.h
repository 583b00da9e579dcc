// The operator's text files: rcon profiles (rconcfg/*.rpf) and the weapon
// and vehicle lists (weaponcfg.txt, vehiclecfg.txt). 8-bit Windows-1252
// text with CR LF line ends, edited in plain-text editors and written back
// byte for byte: every line verbatim (trailing blanks kept), every line
// break as CR LF, nothing added or taken away, through a temporary file that
// then replaces the old one.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <vector>

#include "core/textlines.h"

class QPlainTextEdit;

namespace zelmora {

// File bytes as editor text (line breaks as "\n") and back (every line ended
// by CR LF, the last one too). Bytes -> text -> bytes gives the same bytes
// for any file whose lines all end with CR LF.
QString EditorTextFromBytes(std::string_view bytes);
std::string BytesFromEditorText(const QString& text);

// The editor's text exactly as typed (a no-break space stays one, unlike
// toPlainText), line breaks as "\n".
QString EditorText(const QPlainTextEdit* editor);

// The variable names of a list editor: its non-empty lines, verbatim.
std::vector<std::string> NonEmptyLines(const QString& editorText);

// The profile folder rconcfg in the data folder, with a trailing "/".
QString ProfileDir();
// The names of the files "*.rpf" in dir (letter case of the extension
// ignored, hidden files included), sorted alphabetically without regard to
// letter case; empty when the folder does not exist.
QStringList ListProfiles(const QString& dir);

// Whole-file read; false with a message naming the path when the file
// exists but cannot be read. A missing file gives true and no bytes.
bool ReadTextFile(const QString& path, std::string& bytes, QString* error);
// Atomic whole-file replacement; false with a message naming the path.
bool WriteTextFile(const QString& path, std::string_view bytes, QString* error);

}  // namespace zelmora
