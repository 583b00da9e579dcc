// Where the data files live.
//
// Run from a folder of its own (the build folder, a portable copy), the
// program keeps its data beside the executable, as it always has. Installed
// (the executable in a bin folder whose ../share/zelmora holds the installed
// data), it keeps the operator's files in a folder per user (the XDG data
// location, zelmora/), made and seeded at the first start; the country data
// and the map pictures are read from the installed place unless the user's
// folder has its own.
#pragma once

#include <string>
#include <string_view>

namespace zelmora {

struct DataFolders {
  std::string data;       // the operator's files (trailing separator)
  std::string installed;  // the installed data, empty when not installed
};

// exeDir: the executable's folder; userDataHome: the per-user data location
// ($XDG_DATA_HOME, normally ~/.local/share). Both UTF-8.
DataFolders ChooseDataFolders(const std::string& exeDir, const std::string& userDataHome);

// A new per-user folder gets from the installed data what the operator
// edits: the sample profiles (when there is no rconcfg folder yet), the
// weapon and vehicle lists and the map picture fallback. A file the user
// has is never replaced. False (with a German text) when the folder cannot
// be made.
bool SeedDataFolder(const std::string& installed, const std::string& data, std::string* error);

// Installed data for reading (set once at start; empty: none).
void SetInstalledDataDir(std::string dirWithTrailingSep);
const std::string& InstalledDataDir();
// The file to read for fileName (relative, e.g. "Ranges.dat", "flags",
// "mapimgs/x.jpg"): the data folder's own when it is there, else the
// installed one, else the data folder's path.
std::string ReadablePath(std::string_view fileName);

}  // namespace zelmora
