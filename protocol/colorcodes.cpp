#include "protocol/colorcodes.h"

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
