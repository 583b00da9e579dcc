// Colour codes in game texts: a caret followed by one character. A digit
// after the caret selects one of ten colours for the text that follows; any
// other character selects nothing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora {

struct Rgb {
  std::uint8_t r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Colours of ^0 to ^9.
const std::array<Rgb, 10>& ColorTable();

// German name of colour 0..9 as shown in the colour-code help (UTF-8, a UI
// text of ours, not a game text); "" for other indices.
const char* ColorName(int index);

// Removes every caret that is not the last character together with the
// character after it (pairwise, left to right), then every carriage return.
std::string StripColorCodes(std::string_view text);

// The same for UTF-8 text: the character a caret takes is a whole UTF-8
// sequence, not its first byte.
std::string StripColorCodesUtf8(std::string_view utf8);

// One character to draw and the colour to draw it in: a table index 0..9, or
// no value for the colour the painter had when it started.
struct ColorRun {
  char ch;
  std::optional<int> color;
  friend bool operator==(const ColorRun&, const ColorRun&) = default;
};

// Layout of a colour-coded text: the characters that are drawn, in order,
// each with its colour. A caret is never drawn, nor the character right after
// a caret; a digit after a caret switches the colour for the rest of the
// text. startColor is the colour before the first code (no value = the
// painter's own colour).
std::vector<ColorRun> ColorTextRuns(std::string_view text,
                                    std::optional<int> startColor = std::nullopt);

}  // namespace zelmora
