#include "core/savedfiles.h"

#include <filesystem>

#include "core/fileio.h"
#include "core/serverfile.h"

namespace zelmora {

bool SavedFiles::LoadServers(Tserverlist& out, std::string* error) {
  if (zelmora::LoadServers(ServersPath(), out, error)) return true;
  serversUnreadable_ = true;
  return false;
}

bool SavedFiles::SaveServers(const Tserverlist& list, std::string* error) {
  if (serversUnreadable_) return false;
  return zelmora::SaveServers(ServersPath(), list, error);
}

void SavedFiles::RemoveServers() {
  if (serversUnreadable_) return;
  std::error_code ec;  // a file that cannot be removed is not reported
  std::filesystem::remove(PathFromUtf8(ServersPath()), ec);
}

bool SavedFiles::LoadGuids(std::string* error) {
  if (zelmora::LoadGuids(GuidsPath(), guids_, error)) return true;
  guidsUnreadable_ = true;
  return false;
}

bool SavedFiles::SaveGuids(std::string* error) {
  if (guidsUnreadable_) return false;
  return zelmora::SaveGuids(GuidsPath(), guids_, error);
}

bool SavedFiles::TellOnce(File file) {
  bool& told = file == File::Servers ? serversTold_ : guidsTold_;
  const bool unreadable = file == File::Servers ? serversUnreadable_ : guidsUnreadable_;
  if (!unreadable || told) return false;
  told = true;
  return true;
}

}  // namespace zelmora
