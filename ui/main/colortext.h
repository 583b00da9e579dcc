// Drawing game texts with their colour codes ("^" + digit) on a painter.
#pragma once

#include <QColor>
#include <QString>

#include <string_view>

class QPainter;

namespace zelmora {

// Colour d (0..9) of the game's colour table.
QColor GameColor(int d);

// Draws text with its top-left corner at (x, y), character by character with
// one extra pixel after each one, switching the pen colour at every caret +
// digit. The pen colour at entry is the colour before the first code; the
// last colour set stays on the painter. Carets and the character after a
// caret are not drawn. Returns the x behind the last character.
int DrawColorText(QPainter& painter, int x, int y, std::string_view text);

// Draws text in one piece in the painter's current pen colour with its
// top-left corner at (x, y).
void DrawPlainText(QPainter& painter, int x, int y, std::string_view text);

// The same for text already read in its server's encoding: the rules are
// taken per character (a letter of several bytes is one character).
int DrawColorText(QPainter& painter, int x, int y, const QString& text);
void DrawPlainText(QPainter& painter, int x, int y, const QString& text);

// A literal is game bytes.
inline int DrawColorText(QPainter& painter, int x, int y, const char* text) {
  return DrawColorText(painter, x, y, std::string_view(text));
}

}  // namespace zelmora
