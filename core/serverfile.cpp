#include "core/serverfile.h"

#include <filesystem>
#include <system_error>

#include "core/fileio.h"
#include "core/recordfile.h"

namespace zelmora {

bool LoadServers(const std::string& path, Tserverlist& out, std::string* error) {
  // The provider text is worked out anew in every run.
  auto decode = [](const std::uint8_t* in) {
    Tserverrec rec = DecodeServerRec(in);
    rec.provider.clear();
    return rec;
  };
  return LoadRecordFile(path, kServerRecSize, decode, out, error);
}

bool SaveServers(const std::string& path, const Tserverlist& list, std::string* error) {
  return SaveRecordFile(path, kServerRecSize, EncodeServerRec, list, error);
}

namespace {
void ClearCommonStatus(Tserverrec& e) {
  e.protocol = 0;
  e.shortversion.clear();
  e.mapinfo.clear();
  e.spareflag = 0;
  e.killcam = 0;
  e.friendlyfire = 0;
  e.voice = 0;
  e.passworded = 0;
}
}  // namespace

void ResetServerStatus(Tserverlist& list) {
  for (auto& e : list) {
    e.ping = e.players = e.privateclients = e.maxclients = -1;
    ClearCommonStatus(e);
    e.punkbuster = 0;
  }
}

void ApplyStartupReset(Tserverlist& list) {
  for (auto& e : list) {
    e.ping = e.players = e.privateclients = e.maxclients = 0;
    ClearCommonStatus(e);
  }
}

std::vector<std::string> MakeDataFilesWritable(const std::string& dir) {
  namespace fs = std::filesystem;
  std::string base = dir;
  if (!base.empty() && base.back() != '/'
#ifdef _WIN32
      && base.back() != '\\'
#endif
  ) {
    base.push_back(static_cast<char>(fs::path::preferred_separator));
  }
  std::vector<std::string> messages;
  for (const char* name : kDataFileNames) {
    const std::string full = base + name;
    std::error_code ec;
    const fs::path fsFull = PathFromUtf8(full);
    const fs::file_status st = fs::status(fsFull, ec);
    if (ec || !fs::exists(st)) continue;
    if ((st.permissions() & fs::perms::owner_write) != fs::perms::none) continue;
    fs::permissions(fsFull, fs::perms::owner_write, fs::perm_options::add, ec);
    if (ec) messages.push_back("Fehler: " + full + " ist schreibgeschützt!");
  }
  return messages;
}

}  // namespace zelmora
