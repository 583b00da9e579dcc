#include "geo/flags.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/fileio.h"
#include "core/textutil.h"

namespace zelmora {

std::vector<Tflag> LoadFlagCodes(const std::string& flagsDir) {
  namespace fs = std::filesystem;
  // Names and paths are UTF-8 text; on Windows the folder is listed with the
  // wide API, so any name comes back (path::string() would throw for a name
  // the ANSI code page lacks).
  std::vector<std::pair<std::string, std::string>> files;  // file name, full path
  std::error_code ec;
  fs::directory_iterator it(PathFromUtf8(flagsDir), ec);
  if (ec) return {};
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    std::error_code fileEc;
    if (!it->is_regular_file(fileEc)) continue;
    const fs::path& p = it->path();
    if (LowerAscii(PathToUtf8(p.extension())) != ".bmp") continue;
    files.emplace_back(PathToUtf8(p.filename()), PathToUtf8(p));
  }
  // The order Windows lists a folder on NTFS: names compared with letters
  // folded to upper case; names equal that way fall back to byte order.
  auto upper = [](std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  };
  std::sort(files.begin(), files.end(), [&upper](const auto& a, const auto& b) {
    const std::string ua = upper(a.first), ub = upper(b.first);
    return ua != ub ? ua < ub : a.first < b.first;
  });
  std::vector<Tflag> flags;
  flags.reserve(files.size());
  for (const auto& [name, path] : files) {
    const std::string stem = name.substr(0, name.size() - 4);  // without ".bmp"
    flags.push_back(Tflag{Cut(LowerAscii(stem), 2), path});
  }
  return flags;
}

int FindFlag(const std::vector<Tflag>& flags, std::string_view code) {
  for (std::size_t i = 0; i < flags.size(); ++i)
    if (flags[i].code == code) return static_cast<int>(i);
  return -1;
}

}  // namespace zelmora
