// Read-only access to the install paths the games leave in the registry
// under HKEY_LOCAL_MACHINE.
//
// On Windows this is the real registry, 32-bit view (the games are 32-bit
// programs and their installers write there). Elsewhere the games run under
// Wine, so the registry is the text file system.reg of the Wine prefix
// ($WINEPREFIX, else ~/.wine); the 32-bit view of a 64-bit prefix
// (Software\Wow6432Node\...) is looked at first, then the plain key.
//
// Paths handed out: on Windows the path as the registry holds it (read
// through the wide API and given out as Windows-1252, whatever ANSI code
// page the system has); elsewhere the matching path of the host file system
// inside the Wine prefix (e.g. C:\Games\CoD\CoDMP.exe ->
// ~/.wine/drive_c/Games/CoD/CoDMP.exe), because that is what the join starts
// through Wine and what an existence check can look at.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelmora {

// A string value (REG_SZ or REG_EXPAND_SZ, unexpanded) of keyPath under
// HKEY_LOCAL_MACHINE, e.g. ReadRegistryString("\\Software\\Activision\\Call of
// Duty 2", "MultiEXEString"). An empty valueName reads the key's default
// value. nullopt when the key or the value is missing, has another type or
// cannot be read. Characters outside Windows-1252 come back as '?'.
std::optional<std::string> ReadRegistryString(std::string_view keyPath, std::string_view valueName);

// Looks keyPath/valueName up in the text of a Wine registry file (system.reg
// format). Same rules as ReadRegistryString; exposed for tests and for
// callers that already hold the text.
std::optional<std::string> LookupWineRegistry(std::string_view regText, std::string_view keyPath,
                                              std::string_view valueName);

// The Wine prefix used on non-Windows systems: $WINEPREFIX if set and not
// empty, else $HOME/.wine; empty when neither is known. Empty on Windows.
std::string WinePrefix();

// Maps an absolute Windows path ("C:\x\y", "C:/x/y") to the host path inside
// the Wine prefix: drive C to <prefix>/drive_c, other drives to
// <prefix>/dosdevices/<letter>:. Components "." and ".." are resolved; an
// existing file or folder whose name differs only in letter case is found
// (Windows names are case-insensitive). Empty for paths that have no host
// equivalent (relative, UNC, no prefix). On Windows the path is returned
// unchanged. The result is Windows-1252 like the input (empty when the host
// path has characters the code page lacks).
std::string WindowsPathToHost(std::string_view winPath);

// Stored texts, paths included, are Windows-1252 bytes; host file names are
// UTF-8 outside Windows. These convert between the two for file system
// access. Utf8ToAnsi fails (nullopt) for invalid UTF-8 and for characters the
// code page does not have.
std::string AnsiToUtf8(std::string_view ansi);
std::optional<std::string> Utf8ToAnsi(std::string_view utf8);

// Paths of the installed game executables, empty where none was found.
struct GameExecutables {
  std::string cod1;   // Call of Duty: <InstallPath>\CoDMP.exe, only if it exists
  std::string coduo;  // United Offensive: <InstallPath>\CoDUOMP.exe, only if it exists
  std::string cod2;   // Call of Duty 2: MultiEXEString as registered, not checked
};

GameExecutables FindGameExecutables();

}  // namespace zelmora
