// Servers.dat: the server list as a plain image, kServerRecSize bytes per
// entry in list order, no header. Also the status resets applied to the
// whole list and the writable check of the data files at start-up.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/serverrec.h"

namespace zelmora {

// Replaces out with the records of the file. A missing file gives an empty
// list (true). The record count is size / kServerRecSize; a trailing partial
// record is ignored. Every entry's provider is emptied (the provider text is
// rebuilt from the address cache at run time). On a read error out is left
// unchanged, *error gets the path and the system's reason, and false is
// returned: the caller must then not save over the file it could not read.
bool LoadServers(const std::string& path, Tserverlist& out, std::string* error);

// Writes every entry as its exact image (bytes behind string lengths, spare
// and status fields included): kServerRecSize * list.size() bytes. The file
// is replaced atomically, owner-only; on failure the previous file stays as it
// was and *error gets the reason.
bool SaveServers(const std::string& path, const Tserverlist& list, std::string* error);

// Whether the rcon password stored in an entry may be used: "" when it may,
// else the German reason (PasswordProblem, core/commandrules.h: a double
// quote, a blank or a control character). Servers.dat is an image written by
// any program and edited by hand; such a password could never be accepted by
// the server and its rest would run as a command on some servers, so the
// loader's caller marks the entry, tells the operator once and sends nothing
// with it. An empty password is no problem here (it means no rcon access).
// Servers.dat stores no join password.
std::string StoredPasswordProblem(const Tserverrec& e);

// Indices of the entries whose stored password must not be used, in list
// order.
std::vector<std::size_t> EntriesWithUnusablePassword(const Tserverlist& list);

// After add, edit and delete: ping/players/privateclients/maxclients -1,
// protocol and the feature flags (punkbuster included) 0, shortversion and
// mapinfo emptied. Provider, hostname, sendtime and lastreply are kept.
void ResetServerStatus(Tserverlist& list);

// After loading at start-up: ping/players/privateclients/maxclients 0,
// protocol and the feature flags 0 except punkbuster, shortversion and
// mapinfo emptied. Hostname, punkbuster, sendtime and lastreply are kept so
// the stored names show at once.
void ApplyStartupReset(Tserverlist& list);

// The data files checked at start-up, in this order.
inline constexpr const char* kDataFileNames[] = {"config.ini",     "Guids.dat",    "names.txt",
                                                 "passes.txt",     "Ranges.dat",   "Servers.dat",
                                                 "vehiclecfg.txt", "weaponcfg.txt"};

// For each data file that exists in dir and that is marked read-only or
// that this process may not write: clears its read-only state (adds the
// owner's write permission).
// A file that stays unwritable is protected for the run (no save writes it,
// ProtectFileForRun) and gets one message: "Fehler: " + full path + " ist
// schreibgeschützt! Änderungen an dieser Datei werden nicht gespeichert."
// The message is a UI text, not game data: UTF-8 (the path as the file
// system spells it), for QString::fromUtf8. makeWritable replaces the step
// that clears the read-only state (tests).
std::vector<std::string> MakeDataFilesWritable(
    const std::string& dir, const std::function<bool(const std::string& path)>& makeWritable = {});

}  // namespace zelmora
