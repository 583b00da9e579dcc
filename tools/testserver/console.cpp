#include "tools/testserver/console.h"

namespace zelmora::testing {

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// "//" or "/*" begins at i.
bool CommentAt(std::string_view line, size_t i) {
  return i + 1 < line.size() && line[i] == '/' && (line[i + 1] == '/' || line[i + 1] == '*');
}

}  // namespace

std::string_view RequestLine(std::string_view text) {
  const size_t end = text.find_first_of(std::string_view("\n\0", 2));
  return end == std::string_view::npos ? text : text.substr(0, end);
}

std::vector<std::string> TokenizeCommand(std::string_view line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (true) {
    // Blanks and comments between words.
    while (true) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i >= line.size() || !CommentAt(line, i)) break;
      if (line[i + 1] == '/') return words;
      // The game looks for the closing "*/" from the comment's "*" on, so
      // "/*/" is a whole comment.
      const size_t close = line.find("*/", i + 1);
      if (close == std::string_view::npos) return words;
      i = close + 2;
    }
    if (i >= line.size()) break;
    if (line[i] == '"') {
      ++i;
      const size_t start = i;
      while (i < line.size() && line[i] != '"') ++i;
      words.emplace_back(line.substr(start, i - start));
      if (i < line.size()) ++i;  // closing quote
      continue;
    }
    const size_t start = i;
    while (i < line.size() && !IsBlank(line[i]) && line[i] != '"' && !CommentAt(line, i)) ++i;
    words.emplace_back(line.substr(start, i - start));
  }
  return words;
}

std::string JoinArgs(const std::vector<std::string>& words, size_t from) {
  std::string out;
  for (size_t i = from; i < words.size(); ++i) {
    if (i > from) out += ' ';
    out += words[i];
  }
  return out;
}

void SplitRcon(std::string_view rest, std::string& password, std::string& command) {
  size_t i = 0;
  while (i < rest.size() && IsBlank(rest[i])) ++i;
  size_t start = i;
  if (i < rest.size() && rest[i] == '"') {
    start = ++i;
    while (i < rest.size() && rest[i] != '"') ++i;
    password = std::string(rest.substr(start, i - start));
    if (i < rest.size()) ++i;
  } else {
    while (i < rest.size() && !IsBlank(rest[i])) ++i;
    password = std::string(rest.substr(start, i - start));
  }
  while (i < rest.size() && IsBlank(rest[i])) ++i;
  size_t end = rest.size();
  while (end > i && IsBlank(rest[end - 1])) --end;
  command = std::string(rest.substr(i, end - i));
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> out;
  bool quoted = false;
  size_t start = 0;
  bool cut = false;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size()) {
      if (line[i] == '"') quoted = !quoted;
      // A line break ends the command even inside quotes; the quotes of the
      // next command are counted afresh.
      if (!IsLineBreak(line[i]) && (line[i] != ';' || quoted)) continue;
      cut = true;
      quoted = false;
    }
    std::string_view piece = line.substr(start, i - start);
    if (cut) {
      while (!piece.empty() && IsBlank(piece.front())) piece.remove_prefix(1);
      while (!piece.empty() && IsBlank(piece.back())) piece.remove_suffix(1);
    }
    if (!piece.empty() || !cut) out.emplace_back(piece);
    start = i + 1;
  }
  return out;
}

}  // namespace zelmora::testing
