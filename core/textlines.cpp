#include "core/textlines.h"

#include "core/commandrules.h"
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

namespace {

// Lines ended by LF, one CR before it removed; a CR as the file's last byte
// ends the last line as well. Every other CR stays in its line.
std::vector<std::string_view> StrictLines(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (end < bytes.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.push_back(line);
    start = next;
  }
  return out;
}

const char kLoneCr[] =
    "Ein Wagenr\xC3\xBC"
    "cklauf (CR) mitten in der Zeile ist nicht erlaubt.";

}  // namespace

ProfileRead ReadProfile(std::string_view bytes) {
  ProfileRead out;
  const std::vector<std::string_view> lines = StrictLines(bytes);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string_view l = lines[n];
    if (l.empty()) continue;
    if (l.find('\r') != std::string_view::npos) {
      out.refused.push_back({n + 1, std::string(l), kLoneCr});
      continue;
    }
    const std::size_t first = l.find(';');
    std::string name = TrimCtl(l.substr(0, first));
    std::string_view description;
    if (first != std::string_view::npos) {
      description = l.substr(first + 1);
      description = description.substr(0, description.find(';'));
    }
    if (!name.empty()) {
      if (std::string problem = NameProblem(name); !problem.empty()) {
        out.refused.push_back({n + 1, std::string(l), std::move(problem)});
        continue;
      }
    }
    out.records.push_back({std::move(name), {}, TrimCtl(description)});
  }
  return out;
}

std::vector<Tsonstigesrec> ParseProfile(std::string_view bytes) {
  return ReadProfile(bytes).records;
}

NameListRead ReadNameList(std::string_view bytes) {
  NameListRead out;
  const std::vector<std::string_view> lines = StrictLines(bytes);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string_view l = lines[n];
    if (l.empty()) continue;
    std::string problem = l.find('\r') != std::string_view::npos ? kLoneCr : NameProblem(l);
    if (problem.empty())
      out.names.emplace_back(l);
    else
      out.refused.push_back({n + 1, std::string(l), std::move(problem)});
  }
  return out;
}

}  // namespace zelmora
