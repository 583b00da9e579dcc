#include "geo/flags.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/textutil.h"

namespace zelmora {

std::vector<Tflag> LoadFlagCodes(const std::string& flagsDir) {
  namespace fs = std::filesystem;
  std::vector<std::pair<std::string, fs::path>> files;  // file name, full path
  std::error_code ec;
  fs::directory_iterator it(flagsDir, ec);
  if (ec) return {};
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    std::error_code fileEc;
    if (!it->is_regular_file(fileEc)) continue;
    const fs::path& p = it->path();
    if (LowerAscii(p.extension().string()) != ".bmp") continue;
    files.emplace_back(p.filename().string(), p);
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
    const std::string stem = fs::path(name).stem().string();
    flags.push_back(Tflag{Cut(LowerAscii(stem), 2), path.string()});
  }
  return flags;
}

int FindFlag(const std::vector<Tflag>& flags, std::string_view code) {
  for (std::size_t i = 0; i < flags.size(); ++i)
    if (flags[i].code == code) return static_cast<int>(i);
  return -1;
}

}  // namespace zelmora
