#include "protocol/colorcodes.h"

#include <algorithm>

namespace zelmora {

const std::array<Rgb, 10>& ColorTable() {
  static const std::array<Rgb, 10> table{{
      {0, 0, 0},
      {210, 0, 0},
      {0, 159, 80},
      {211, 201, 3},
      {0, 0, 255},
      {0, 210, 210},
      {255, 0, 255},
      {209, 209, 209},
      {0, 128, 64},
      {128, 128, 128},
  }};
  return table;
}

const char* ColorName(int index) {
  static const char* const names[10] = {"schwarz", "rot",         "gr\xc3\xbcn",
                                        "gelb",    "dunkelblau",  "hellblau/t\xc3\xbcrkis",
                                        "lila",    "wei\xc3\x9f", "dunkelgr\xc3\xbcn / teamfarbe",
                                        "grau"};
  if (index < 0 || index > 9) return "";
  return names[index];
}

std::string StripColorCodes(std::string_view text) {
  std::string r(text);
  // A caret consumes the next character even when that is a caret itself,
  // hence the marking pass before anything is removed.
  for (std::size_t i = 0; i + 1 < r.size(); ++i) {
    if (r[i] == '^') {
      r[i] = '\r';
      r[i + 1] = '\r';
    }
  }
  std::string out;
  out.reserve(r.size());
  for (char c : r)
    if (c != '\r') out.push_back(c);
  return out;
}

std::string StripColorCodesUtf8(std::string_view utf8) {
  // The length of the character at i by its first byte (a stray byte is one).
  const auto length = [&](std::size_t i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const std::size_t n = b >= 0xF8 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return std::min(n, utf8.size() - i);
  };
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t n = length(i);
    if (utf8[i] == '^' && i + n < utf8.size()) {
      i += n + length(i + n);  // the caret and the character it takes
      continue;
    }
    if (utf8[i] != '\r') out.append(utf8.substr(i, n));
    i += n;
  }
  return out;
}

std::vector<ColorRun> ColorTextRuns(std::string_view text, std::optional<int> startColor) {
  std::vector<ColorRun> runs;
  std::optional<int> color = startColor;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool afterCaret = i > 0 && text[i - 1] == '^';
    if (afterCaret && c >= '0' && c <= '9') color = c - '0';
    if (c != '^' && !afterCaret) runs.push_back({c, color});
  }
  return runs;
}

}  // namespace zelmora
