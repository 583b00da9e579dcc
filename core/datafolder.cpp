#include "core/datafolder.h"

#include <filesystem>
#include <system_error>

#include "core/fileio.h"
#include "core/paths.h"

namespace zelmora {

namespace {

namespace fs = std::filesystem;

std::string& Installed() {
  static std::string dir;
  return dir;
}

std::string WithSeparator(std::string dir) {
  if (!dir.empty() && !IsPathSeparator(dir.back()))
    dir.push_back(static_cast<char>(fs::path::preferred_separator));
  return dir;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(PathFromUtf8(path), ec);
}

}  // namespace

DataFolders ChooseDataFolders(const std::string& exeDir, const std::string& userDataHome) {
  const fs::path share = PathFromUtf8(exeDir) / ".." / "share" / "zelmora";
  std::error_code ec;
  const bool installed = fs::is_regular_file(share / "Ranges.dat", ec) &&
                         PathFromUtf8(exeDir).filename() == "bin" &&
                         !fs::exists(PathFromUtf8(exeDir) / "Ranges.dat", ec);
  if (!installed || userDataHome.empty()) return {WithSeparator(exeDir), {}};
  return {WithSeparator(PathToUtf8((PathFromUtf8(userDataHome) / "zelmora").lexically_normal())),
          WithSeparator(PathToUtf8(share.lexically_normal()))};
}

bool SeedDataFolder(const std::string& installed, const std::string& data, std::string* error) {
  std::error_code ec;
  const fs::path to = PathFromUtf8(data);
  fs::create_directories(to, ec);
  if (ec) {
    if (error) *error = "Der Ordner " + data + " konnte nicht angelegt werden (" + ec.message() + ").";
    return false;
  }
  const fs::path from = PathFromUtf8(installed);
  auto copyIfMissing = [&](const fs::path& rel) {
    std::error_code e;
    if (fs::exists(to / rel, e) || !fs::is_regular_file(from / rel, e)) return;
    fs::create_directories((to / rel).parent_path(), e);
    fs::copy_file(from / rel, to / rel, e);
    // A copy of a read-only installed file is the user's to change.
    fs::permissions(to / rel, fs::perms::owner_write, fs::perm_options::add, e);
  };
  if (!fs::exists(to / "rconcfg", ec)) {
    fs::create_directories(to / "rconcfg", ec);
    for (const auto& entry : fs::directory_iterator(from / "rconcfg", ec))
      if (entry.is_regular_file(ec)) copyIfMissing(fs::path("rconcfg") / entry.path().filename());
  }
  copyIfMissing("weaponcfg.txt");
  copyIfMissing("vehiclecfg.txt");
  copyIfMissing(fs::path("mapimgs") / "no_map.jpg");
  return true;
}

void SetInstalledDataDir(std::string dirWithTrailingSep) {
  Installed() = dirWithTrailingSep.empty() ? std::string() : WithSeparator(dirWithTrailingSep);
}

const std::string& InstalledDataDir() {
  return Installed();
}

std::string ReadablePath(std::string_view fileName) {
  const std::string own = DataPath(fileName);
  if (Installed().empty() || Exists(own)) return own;
  std::string installed = Installed();
  installed.append(fileName);
  return Exists(installed) ? installed : own;
}

}  // namespace zelmora
