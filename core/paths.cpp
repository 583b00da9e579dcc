#include "core/paths.h"

#include <utility>

namespace zelmora {

namespace {
std::string& Dir() {
  static std::string dir;
  return dir;
}
}  // namespace

bool IsPathSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

void SetDataDir(std::string dirWithTrailingSep) {
  if (!dirWithTrailingSep.empty() && !IsPathSeparator(dirWithTrailingSep.back())) {
#ifdef _WIN32
    dirWithTrailingSep.push_back('\\');
#else
    dirWithTrailingSep.push_back('/');
#endif
  }
  Dir() = std::move(dirWithTrailingSep);
}

const std::string& DataDir() {
  return Dir();
}

std::string DataPath(std::string_view fileName) {
  std::string path = Dir();
  path.append(fileName);
  return path;
}

}  // namespace zelmora
