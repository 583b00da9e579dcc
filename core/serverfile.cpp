#include "core/serverfile.h"

#include <filesystem>
#include <system_error>

#include "core/commandrules.h"
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
  // A new Servers.dat is the owner's alone: it holds rcon passwords.
  return SaveRecordFile(path, kServerRecSize, EncodeServerRec, list, error, NewFileMode::kPrivate);
}

std::string StoredPasswordProblem(const Tserverrec& e) {
  return PasswordProblem(e.rconpass.view());
}

std::vector<std::size_t> EntriesWithUnusablePassword(const Tserverlist& list) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (!StoredPasswordProblem(list[i]).empty()) out.push_back(i);
  return out;
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

std::vector<std::string> MakeDataFilesWritable(
    const std::string& dir, const std::function<bool(const std::string& path)>& makeWritable) {
  namespace fs = std::filesystem;
  std::string base = dir;
  if (!base.empty() && base.back() != '/'
#ifdef _WIN32
      && base.back() != '\\'
#endif
  ) {
    base.push_back(static_cast<char>(fs::path::preferred_separator));
  }
  auto clearReadOnly = [](const std::string& full) {
    std::error_code ec;
    fs::permissions(PathFromUtf8(FileToWrite(full)), fs::perms::owner_write, fs::perm_options::add,
                    ec);
    return !ec && FileWritable(full);
  };
  std::vector<std::string> messages;
  for (const char* name : kDataFileNames) {
    const std::string full = base + name;
    std::error_code ec;
    const fs::file_status st = fs::status(PathFromUtf8(full), ec);
    if (ec || !fs::exists(st) || !fs::is_regular_file(st)) continue;
    // Marked read-only, or not writable for this process (another owner, an
    // immutable file): made writable if that can be done.
    const bool marked = (st.permissions() & fs::perms::owner_write) == fs::perms::none;
    if (!marked && FileWritable(full)) continue;
    if (makeWritable ? makeWritable(full) : clearReadOnly(full)) continue;
    // Renaming a new file over it would only need the folder: this run
    // leaves it alone.
    ProtectFileForRun(full);
    messages.push_back("Fehler: " + full +
                       " ist schreibgesch\xC3\xBCtzt! \xC3\x84nderungen an dieser Datei werden "
                       "nicht gespeichert.");
  }
  return messages;
}

}  // namespace zelmora
