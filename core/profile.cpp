#include "core/profile.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

// Only the 8-bit interface of SimpleIni is used: no wide-character
// conversion, so bytes pass through untouched. The Debian header keeps the
// template definitions behind SI_IMPLEMENTATION; they are instantiated here,
// which spares linking the ICU-based shared library.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "core/fileio.h"

namespace zelmora {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char LowerAsciiChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAsciiChar(a[i]) != LowerAsciiChar(b[i])) return false;
  return true;
}

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// How a line of the file is understood. The rules are those of SimpleIni's
// parser, so the lines found here for writing are the ones it reads from.
enum class LineKind { kOther, kSection, kKey };

struct Line {
  std::string text;  // as in the file, without its line end
  LineKind kind = LineKind::kOther;
  std::string name;  // section or key name, trimmed
};

Line ClassifyLine(std::string text) {
  Line line;
  line.text = std::move(text);
  std::string_view t = line.text;
  if (t.find('\0') != std::string_view::npos) return line;  // not readable as text
  while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
  if (t.empty() || t.front() == ';' || t.front() == '#') return line;  // blank or comment
  if (t.front() == '[') {
    const auto close = t.find(']');
    if (close == std::string_view::npos) return line;  // broken header: ignored
    line.kind = LineKind::kSection;
    line.name = std::string(TrimBlanks(t.substr(1, close - 1)));
    return line;
  }
  const auto eq = t.find('=');
  if (eq == std::string_view::npos) return line;
  const std::string_view key = TrimBlanks(t.substr(0, eq));
  if (key.empty()) return line;
  line.kind = LineKind::kKey;
  line.name = std::string(key);
  return line;
}

std::vector<Line> SplitLines(std::string_view bytes) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    lines.push_back(ClassifyLine(std::string(bytes.substr(start, end - start))));
    if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() &&
        bytes[end + 1] == '\n')
      end += 2;
    else if (end < bytes.size())
      end += 1;
    start = end;
  }
  return lines;
}

std::string JoinCrLf(const std::vector<Line>& lines) {
  std::string out;
  for (const Line& l : lines) {
    out += l.text;
    out += "\r\n";
  }
  return out;
}

// A value that would read back differently (surrounding blanks are trimmed
// on reading, one pair of enclosing quotes is removed) goes into quotes.
std::string EncodeValue(std::string_view value) {
  const bool needsQuotes =
      !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                         (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
  if (!needsQuotes) return std::string(value);
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted += '"';
  quoted += value;
  quoted += '"';
  return quoted;
}

bool ValidSection(std::string_view section) {
  return !section.empty() && !HasLineBreakOrNul(section) &&
         section.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view key) {
  return !key.empty() && !HasLineBreakOrNul(key) && key.find('=') == std::string_view::npos &&
         key.front() != '[' && key.front() != ';' && key.front() != '#';
}

}  // namespace

struct ProfileFile::Cache {
  bool loaded = false;
  bool unreadable = false;
  std::string raw;  // file contents the rest was built from
  std::vector<Line> lines;
  CSimpleIniA ini{false, true};  // case-insensitive, duplicate keys kept

  void Build(std::string bytes) {
    raw = std::move(bytes);
    lines = SplitLines(raw);
    // SimpleIni sees exactly the section and key lines found above, so the
    // line a write replaces is always the line a read takes its value from.
    std::string feed;
    for (const Line& l : lines) {
      if (l.kind == LineKind::kOther) continue;
      feed += l.text;
      feed += '\n';
    }
    ini.Reset();
    ini.SetQuotes(true);
    ini.LoadData(feed.data(), feed.size());
    loaded = true;
  }

  std::optional<std::string> Find(const std::string& section, const std::string& key) const {
    CSimpleIniA::TNamesDepend values;
    if (!ini.GetAllValues(section.c_str(), key.c_str(), values) || values.empty())
      return std::nullopt;
    // First occurrence in the file wins, as with the Windows functions.
    const CSimpleIniA::Entry* first = &values.front();
    for (const auto& v : values)
      if (v.nOrder < first->nOrder) first = &v;
    return std::string(first->pItem ? first->pItem : "");
  }
};

ProfileFile::ProfileFile(std::string path)
    : path_(std::move(path)), cache_(std::make_unique<Cache>()) {
  Refresh();
}

ProfileFile::~ProfileFile() = default;

void ProfileFile::Refresh() {
  std::string bytes;
  const ReadResult read = ReadWholeFile(path_, bytes, nullptr);
  // A file that exists but cannot be read reads as empty, like a missing one,
  // but must never be replaced by what little a write would put there.
  cache_->unreadable = read == ReadResult::kError;
  if (read != ReadResult::kOk) bytes.clear();
  if (cache_->loaded && bytes == cache_->raw) return;
  cache_->Build(std::move(bytes));
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view def) {
  const std::string_view s = TrimBlanks(section);
  const std::string_view k = TrimBlanks(key);
  if (!ValidSection(s) || !ValidKey(k)) return std::string(def);
  Refresh();
  auto value = cache_->Find(std::string(s), std::string(k));
  return value ? std::move(*value) : std::string(def);
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  const std::string_view s = TrimBlanks(section);
  const std::string_view k = TrimBlanks(key);
  if (!ValidSection(s) || !ValidKey(k) || HasLineBreakOrNul(value)) return false;
  Refresh();
  if (cache_->unreadable) return false;
  if (auto current = cache_->Find(std::string(s), std::string(k)); current && *current == value)
    return true;

  std::vector<Line> lines = cache_->lines;
  const std::string encoded = EncodeValue(value);
  // Find the key's line, else the place after the last key of the first block
  // of the section.
  std::optional<std::size_t> keyLine;
  std::optional<std::size_t> insertAfter;
  bool inFirstBlock = false;
  bool seenSection = false;
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size() && !keyLine; ++i) {
    const Line& l = lines[i];
    if (l.kind == LineKind::kSection) {
      inSection = EqualNoCase(l.name, s);
      inFirstBlock = inSection && !seenSection;
      if (inSection) {
        if (inFirstBlock) insertAfter = i;
        seenSection = true;
      }
    } else if (l.kind == LineKind::kKey && inSection) {
      if (EqualNoCase(l.name, k))
        keyLine = i;
      else if (inFirstBlock)
        insertAfter = i;
    }
  }

  if (keyLine) {
    Line& l = lines[*keyLine];
    l.text = l.name + "=" + encoded;
  } else if (insertAfter) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAfter + 1),
                 ClassifyLine(std::string(k) + "=" + encoded));
  } else {
    // Appended piece by piece: GCC 12 takes "text" + std::string for an overlapping
    // copy (-Wrestrict, a false alarm, GCC bug 105329).
    lines.push_back(ClassifyLine(std::string("[").append(s).append("]")));
    lines.push_back(ClassifyLine(std::string(k) + "=" + encoded));
  }

  // Write to the file a link points at, not over the link; respect a file
  // marked read-only, as Windows does.
  std::string target = path_;
  std::error_code ec;
  namespace fs = std::filesystem;
  fs::path fsTarget = PathFromUtf8(target);
  if (fs::is_symlink(fsTarget, ec)) {
    fsTarget = fs::weakly_canonical(fsTarget, ec);
    if (ec) return false;
    target = PathToUtf8(fsTarget);
  }
  const fs::file_status st = fs::status(fsTarget, ec);
  if (!ec && fs::exists(st)) {
    if (!fs::is_regular_file(st)) return false;
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) return false;
  }

  std::string bytes = JoinCrLf(lines);
  if (!WriteFileAtomic(target, bytes, nullptr)) return false;
  cache_->Build(std::move(bytes));
  return true;
}

}  // namespace zelmora
