#include "protocol/text.h"


namespace zelmora {

std::vector<std::string> SplitText(std::string_view text, std::string_view sep) {
  std::vector<std::string> pieces;
  if (sep.empty()) {
    if (!text.empty()) pieces.emplace_back(text);
    return pieces;
  }
  bool sepSeen = false;
  std::string_view rest = text;
  for (;;) {
    const std::size_t at = rest.find(sep);
    if (at == std::string_view::npos) break;
    pieces.emplace_back(rest.substr(0, at));
    sepSeen = true;
    rest.remove_prefix(at + sep.size());
  }
  if (sepSeen || !rest.empty()) pieces.emplace_back(rest);
  return pieces;
}

std::string FieldOf(std::string_view text, std::string_view sep, int n) {
  std::string result;
  if (n < 0) return result;
  int counter = 0;
  std::size_t i = 0;
  while (i < text.size() && counter <= n) {
    if (!sep.empty() && text.compare(i, sep.size(), sep) == 0) {
      ++counter;
      i += sep.size();
    } else {
      if (counter == n) result.push_back(text[i]);
      ++i;
    }
  }
  return result;
}

std::string Copy(std::string_view s, std::size_t pos1, std::size_t count) {
  if (pos1 < 1) pos1 = 1;
  if (pos1 > s.size()) return std::string();
  return std::string(s.substr(pos1 - 1, count));
}

}  // namespace zelmora
