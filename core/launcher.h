// Starting the game client: a program with a Windows command line, in a
// working folder, detached from Zelmora.
//
// Windows: ShellExecuteA(no owner, "open", executable, command line, folder
// of the executable, SW_SHOWNORMAL), as the games expect to be started.
//
// Elsewhere the games are Windows programs run through Wine: an executable
// whose name ends in ".exe" (any letter case) is started as
//   wine <executable> <arguments...>
// in the executable's folder, any other executable directly. The
// environment is passed on unchanged, so WINEPREFIX (and everything else
// Wine reads) stays as the operator set it.
//
// From command line to arguments. A Windows program receives one command
// line string; a Unix program and Wine's launcher receive an argument
// vector. Wine turns its arguments back into a Windows command line by
// quoting each one the way the Microsoft C runtime splits it again (an
// argument with a blank or an empty one is put in double quotes, a double
// quote inside is escaped with backslashes). So we split our command line by
// exactly those rules (SplitWindowsCommandLine): the game's C runtime then
// sees the same argv as it would on Windows, and an engine that reads the
// raw line (the Quake-style "+cmd arg" parser) sees the same tokens, only
// without quotes where none are needed. Splitting at blanks alone would cut
// a player name with a blank into two arguments and lose an empty password
// altogether.
//
// Detached: the program gets a session of its own (it is not hit by signals
// to Zelmora's process group or terminal, and it keeps running when Zelmora
// ends), and Zelmora does not remain its parent (an intermediate process is
// reaped at once, so no zombie is left when the game exits). The file
// descriptors of Zelmora (sockets, files) are not inherited.
//
// Paths and the command line are Windows-1252 bytes like every stored text;
// outside Windows they are converted to UTF-8 for the file system and for
// Wine, which decodes its arguments in the host locale and hands the game
// the same characters in the prefix's code page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelmora {

enum class LaunchStatus {
  kStarted,      // the program (or Wine) was started
  kWineMissing,  // a Windows executable, and no "wine" in PATH
  kFailed,       // the system refused (error says why)
};

struct LaunchResult {
  LaunchStatus status = LaunchStatus::kFailed;
  std::string error;  // for kFailed: the system's reason
};

// Starts executable with commandLine in workingDir (both Windows-1252).
LaunchResult StartDetached(const std::string& executable, const std::string& commandLine,
                           const std::string& workingDir);

// The message for kWineMissing (UTF-8, for a message box).
std::string WineMissingMessage();

// Splits a Windows command line into arguments by the rules of the
// Microsoft C runtime: blanks and tabs separate arguments outside double
// quotes; a double quote starts or ends a quoted part (which may sit inside
// an argument, and makes "" an empty argument); inside a quoted part two
// double quotes give one literal double quote and end the part; 2n
// backslashes before a double quote give n backslashes and the quote keeps
// its meaning, 2n+1 give n backslashes and a literal double quote;
// backslashes anywhere else are literal. No argument is treated as a
// program name.
std::vector<std::string> SplitWindowsCommandLine(std::string_view commandLine);

// True for a name ending in ".exe" in any letter case.
bool IsWindowsExecutable(std::string_view path);

// The folder of a path with its trailing separator: everything up to and
// including the last "\" or "/" on Windows, "/" elsewhere; empty when there
// is none ("C:\Games\CoD\CoDMP.exe" -> "C:\Games\CoD\").
std::string FolderOf(std::string_view path);

// The path (Windows-1252) names an existing file (not a folder).
bool IsExistingFile(const std::string& path);

// The first executable file named program in the folders of $PATH, or ""
// (not on Windows).
std::string FindInPath(std::string_view program);

}  // namespace zelmora
