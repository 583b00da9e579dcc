#include "core/textlines.h"

#include "core/textutil.h"

namespace zelmora {

std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> out;
  std::string line;
  bool open = false;  // a line has started and not ended
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      out.push_back(std::move(line));
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line.push_back(c);
      open = true;
    }
  }
  if (open) out.push_back(std::move(line));
  return out;
}

std::vector<std::string> NonEmptyLineTexts(std::string_view bytes) {
  std::vector<std::string> out;
  for (std::string& line : SplitLines(bytes))
    if (!line.empty()) out.push_back(std::move(line));
  return out;
}

std::string CrLfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (char c : text) {
    if (c == '\n')
      out += "\r\n";
    else
      out.push_back(c);
  }
  if (!text.empty() && text.back() != '\n') out += "\r\n";
  return out;
}

std::vector<Tsonstigesrec> ParseProfile(std::string_view bytes) {
  std::vector<Tsonstigesrec> out;
  for (const std::string& line : SplitLines(bytes)) {
    if (line.empty()) continue;
    const std::string_view l(line);
    const std::size_t first = l.find(';');
    const std::string_view name = l.substr(0, first);
    std::string_view description;
    if (first != std::string_view::npos) {
      description = l.substr(first + 1);
      description = description.substr(0, description.find(';'));
    }
    out.push_back({TrimCtl(name), {}, TrimCtl(description)});
  }
  return out;
}

}  // namespace zelmora
