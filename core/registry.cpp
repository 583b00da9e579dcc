#include "core/registry.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/fileio.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace zelmora {

namespace {

constexpr std::string_view kCod2Key = "\\Software\\Activision\\Call of Duty 2";
constexpr std::string_view kCod1Key = "\\Software\\Activision\\Call of Duty";
constexpr std::string_view kCodUoKey = "\\Software\\Activision\\Call of Duty United Offensive";

// Unicode of the bytes 0x80..0x9F of Windows-1252; 0 where the code page has
// no character.
constexpr std::array<char16_t, 32> kAnsi80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t AnsiToUnicode(unsigned char c) {
  if (c < 0x80 || c >= 0xA0) return c;
  const char16_t u = kAnsi80[c - 0x80];
  return u ? u : c;  // the five unassigned bytes keep their value (as Windows does)
}

std::optional<char> UnicodeToAnsi(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (std::size_t i = 0; i < kAnsi80.size(); ++i)
    if (kAnsi80[i] == cp || (kAnsi80[i] == 0 && cp == 0x80 + i)) return static_cast<char>(0x80 + i);
  return std::nullopt;
}

char LowerAsciiChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAsciiChar(x) == LowerAsciiChar(y);
         });
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool SamePath(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!EqualNoCase(a[i], b[i])) return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads an escaped text of a Wine registry file from pos up to the unescaped
// end character (which is consumed). Escapes: \\ \" \[ \] and the like stand
// for the character itself, \a \b \t \n \v \f \r \e for control characters,
// \xHHHH (1 to 4 hex digits) and \NNN (1 to 3 octal digits) for UTF-16 code
// units. Code units become Windows-1252 bytes ('?' when the code page lacks
// them); unescaped bytes are taken as they are. False when the end character
// is missing.
bool ReadEscaped(std::string_view line, std::size_t& pos, char end, std::string& out) {
  out.clear();
  auto unit = [&out](char32_t u) { out += UnicodeToAnsi(u).value_or('?'); };
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == end) return true;
    if (c != '\\' || pos >= line.size()) {
      out += c;
      continue;
    }
    const char e = line[pos++];
    switch (e) {
      case 'a':
        out += '\a';
        break;
      case 'b':
        out += '\b';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'v':
        out += '\v';
        break;
      case 'f':
        out += '\f';
        break;
      case 'r':
        out += '\r';
        break;
      case 'e':
        out += '\x1b';
        break;
      case 'x': {
        char32_t v = 0;
        int digits = 0;
        while (digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) {
          v = v * 16 + static_cast<char32_t>(HexDigit(line[pos++]));
          ++digits;
        }
        if (digits == 0)
          out += 'x';
        else
          unit(v);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          char32_t v = static_cast<char32_t>(e - '0');
          for (int digits = 1;
               digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++digits)
            v = v * 8 + static_cast<char32_t>(line[pos++] - '0');
          unit(v);
        } else {
          out += e;
        }
    }
  }
  return false;
}

#ifdef _WIN32

// UTF-16 from the wide API to Windows-1252; '?' for what the code page
// lacks (a surrogate pair is one character, so one '?').
std::string WideToAnsi(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char32_t u = static_cast<char16_t>(wide[i]);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < wide.size() &&
        static_cast<char16_t>(wide[i + 1]) >= 0xDC00 &&
        static_cast<char16_t>(wide[i + 1]) <= 0xDFFF)
      ++i;
    out += UnicodeToAnsi(u).value_or('?');
  }
  return out;
}

// A stored Windows-1252 text in the wide API's form.
std::wstring AnsiToWide(std::string_view ansi) {
  return PathFromUtf8(AnsiToUtf8(ansi)).native();
}

#else

std::string JoinHost(std::string base, std::string_view name) {
  if (base.empty() || base.back() != '/') base += '/';
  base += name;
  return base;
}

// The entry of folder dir whose name equals name apart from ASCII letter
// case; empty when there is none.
std::string FindNoCase(const std::string& dir, std::string_view name) {
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec), endIt;
  for (; !ec && it != endIt; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (EqualNoCase(entry, name)) return entry;
  }
  return {};
}

bool IsFile(const std::string& hostUtf8) {
  std::error_code ec;
  return std::filesystem::is_regular_file(hostUtf8, ec);
}

#endif

// The executable of a game registered with an install folder: the folder
// made absolute, a trailing backslash added, then the file name. Empty when
// no such file exists.
std::string InstalledExecutable(std::string_view keyPath, std::string_view exeName) {
  const auto installPath = ReadRegistryString(keyPath, "InstallPath");
  if (!installPath || installPath->find_first_not_of(" \t") == std::string::npos) return {};
#ifdef _WIN32
  // The wide API, so that the folder's name is read as Windows-1252 (as it
  // is stored) and not in whatever ANSI code page the system has.
  const std::wstring folder = AnsiToWide(*installPath);
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n >= full.size()) {  // too small: n is the size needed, with the NUL
    full.assign(n, L'\0');
    n = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (n == 0 || n >= full.size()) return {};
  full.resize(n);
  if (full.back() != L'\\' && full.back() != L'/') full += L'\\';
  full += AnsiToWide(exeName);
  const DWORD attr = GetFileAttributesW(full.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) return {};
  const std::string path = WideToAnsi(full);
  // A full path the code page cannot express could not be started anyway.
  if (path.find('?') != std::string::npos) return {};
  return path;
#else
  std::string path = *installPath;
  if (path.back() != '\\' && path.back() != '/') path += '\\';
  path += exeName;
  const std::string host = WindowsPathToHost(path);
  if (host.empty() || !IsFile(AnsiToUtf8(host))) return {};
  return host;
#endif
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char c : ansi) {
    const char32_t cp = AnsiToUnicode(c);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::optional<std::string> Utf8ToAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp;
    std::size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      len = 4;
    } else {
      return std::nullopt;
    }
    if (i + len > utf8.size()) return std::nullopt;
    for (std::size_t k = 1; k < len; ++k) {
      const unsigned char cc = static_cast<unsigned char>(utf8[i + k]);
      if ((cc & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len]) return std::nullopt;  // overlong form
    const auto b = UnicodeToAnsi(cp);
    if (!b) return std::nullopt;
    out += *b;
    i += len;
  }
  return out;
}

std::optional<std::string> LookupWineRegistry(std::string_view regText, std::string_view keyPath,
                                              std::string_view valueName) {
  const std::vector<std::string_view> wanted = SplitKeyPath(keyPath);
  if (wanted.empty()) return std::nullopt;
  // The 32-bit view first: on a 64-bit prefix a 32-bit program's keys under
  // Software live below Software\Wow6432Node.
  std::vector<std::vector<std::string_view>> candidates;
  if (EqualNoCase(wanted[0], "Software") &&
      !(wanted.size() > 1 && EqualNoCase(wanted[1], "Wow6432Node"))) {
    std::vector<std::string_view> wow = wanted;
    wow.insert(wow.begin() + 1, "Wow6432Node");
    candidates.push_back(std::move(wow));
  }
  candidates.push_back(wanted);
  std::vector<std::optional<std::string>> found(candidates.size());

  const std::string_view wantedValue = valueName == "@" ? std::string_view() : valueName;
  int current = -1;  // candidate the current section is, or -1
  std::string text;
  std::size_t start = 0;
  while (start < regText.size()) {
    std::size_t end = regText.find('\n', start);
    if (end == std::string_view::npos) end = regText.size();
    std::string_view line = regText.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;

    if (line.front() == '[') {
      current = -1;
      std::size_t pos = 1;
      if (!ReadEscaped(line, pos, ']', text)) continue;
      const std::vector<std::string_view> parts = SplitKeyPath(text);
      for (std::size_t c = 0; c < candidates.size(); ++c)
        if (SamePath(parts, candidates[c])) current = static_cast<int>(c);
      continue;
    }
    if (current < 0 || found[static_cast<std::size_t>(current)]) continue;

    std::size_t pos;
    std::string name;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      pos = 1;
      if (!ReadEscaped(line, pos, '"', name)) continue;
    } else {
      continue;
    }
    if (pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    if (!EqualNoCase(name, wantedValue)) continue;

    std::string_view data = line.substr(pos);
    if (data.substr(0, 4) == "str(") {
      // str(1) is REG_SZ, str(2) REG_EXPAND_SZ; str(7) (multi-string) is not a string value.
      if (data.substr(0, 7) != "str(1):" && data.substr(0, 7) != "str(2):") continue;
      data.remove_prefix(7);
    }
    if (data.empty() || data.front() != '"') continue;  // hex:, dword: and other types
    std::size_t vpos = 1;
    std::string value;
    if (!ReadEscaped(data, vpos, '"', value)) continue;
    found[static_cast<std::size_t>(current)] = std::move(value);
  }
  for (auto& f : found)
    if (f) return std::move(f);
  return std::nullopt;
}

#ifdef _WIN32

std::optional<std::string> ReadRegistryString(std::string_view keyPath,
                                              std::string_view valueName) {
  while (!keyPath.empty() && keyPath.front() == '\\') keyPath.remove_prefix(1);
  // The wide API: the 8-bit one would convert in the system's ANSI code
  // page, which need not be Windows-1252.
  const std::wstring path = AnsiToWide(keyPath);
  const std::wstring name = AnsiToWide(valueName == "@" ? std::string_view() : valueName);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
      ERROR_SUCCESS)
    return std::nullopt;
  std::optional<std::string> result;
  std::wstring buf(256, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buf.size() * sizeof(wchar_t));  // bytes
    const LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(buf.data()), &size);
    if (rc == ERROR_MORE_DATA) {
      buf.assign(size / sizeof(wchar_t) + 1, L'\0');
      continue;
    }
    if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
      // The stored data need not end in a NUL; it ends at the first one.
      std::wstring_view value(buf.data(),
                              std::min<std::size_t>(size / sizeof(wchar_t), buf.size()));
      const auto nul = value.find(L'\0');
      if (nul != std::wstring_view::npos) value = value.substr(0, nul);
      result = WideToAnsi(value);
    }
    break;
  }
  RegCloseKey(key);
  return result;
}

std::string WinePrefix() {
  return {};
}

std::string WindowsPathToHost(std::string_view winPath) {
  return std::string(winPath);
}

#else

std::optional<std::string> ReadRegistryString(std::string_view keyPath,
                                              std::string_view valueName) {
  const std::string prefix = WinePrefix();
  if (prefix.empty()) return std::nullopt;
  std::string text;
  if (ReadWholeFile(JoinHost(prefix, "system.reg"), text, nullptr) != ReadResult::kOk)
    return std::nullopt;
  return LookupWineRegistry(text, keyPath, valueName);
}

std::string WinePrefix() {
  if (const char* p = std::getenv("WINEPREFIX"); p && *p) return p;
  if (const char* home = std::getenv("HOME"); home && *home) return JoinHost(home, ".wine");
  return {};
}

std::string WindowsPathToHost(std::string_view winPath) {
  const std::string prefix = WinePrefix();
  if (prefix.empty() || winPath.size() < 3) return {};
  const char drive = LowerAsciiChar(winPath[0]);
  if (drive < 'a' || drive > 'z' || winPath[1] != ':' || (winPath[2] != '\\' && winPath[2] != '/'))
    return {};
  std::vector<std::string> parts;
  std::size_t start = 3;
  while (start <= winPath.size()) {
    std::size_t end = winPath.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = winPath.size();
    const std::string_view part = winPath.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(AnsiToUtf8(part));
  }
  std::string host = drive == 'c'
                         ? JoinHost(prefix, "drive_c")
                         : JoinHost(JoinHost(prefix, "dosdevices"), std::string(1, drive) + ":");
  bool resolving = true;
  for (const std::string& part : parts) {
    std::string name = part;
    if (resolving) {
      std::error_code ec;
      if (!std::filesystem::exists(JoinHost(host, part), ec)) {
        name = FindNoCase(host, part);
        if (name.empty()) {
          name = part;
          resolving = false;  // nothing below a missing folder can exist
        }
      }
    }
    host = JoinHost(host, name);
  }
  return Utf8ToAnsi(host).value_or(std::string());
}

#endif

GameExecutables FindGameExecutables() {
  GameExecutables found;
  if (auto cod2 = ReadRegistryString(kCod2Key, "MultiEXEString"); cod2 && !cod2->empty()) {
#ifdef _WIN32
    found.cod2 = *cod2;
#else
    const std::string host = WindowsPathToHost(*cod2);
    found.cod2 = host.empty() ? *cod2 : host;
#endif
  }
  found.cod1 = InstalledExecutable(kCod1Key, "CoDMP.exe");
  found.coduo = InstalledExecutable(kCodUoKey, "CoDUOMP.exe");
  return found;
}

}  // namespace zelmora
