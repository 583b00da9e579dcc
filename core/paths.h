// The data folder: every data file (Servers.dat, Guids.dat, Ranges.dat,
// config.ini, ...) lies in the folder of the executable and is opened by a
// full path built from it. The application sets the folder once at start-up,
// before any worker thread runs; tests point it at a temporary folder.
//
// The folder is UTF-8 text on every platform (the application hands in
// Qt's path as UTF-8), so the paths built from it are UTF-8 too; the file
// layer (core/fileio.h) opens them with the wide API on Windows, where the
// 8-bit functions would read them in the ANSI code page and fail on a folder
// such as C:\Users\Jörg.
#pragma once

#include <string>
#include <string_view>

namespace zelmora {

// Sets the data folder. A missing trailing separator is added.
void SetDataDir(std::string dirWithTrailingSep);
// The data folder with its trailing separator (empty until set).
const std::string& DataDir();
// DataDir() + fileName.
std::string DataPath(std::string_view fileName);

// A separator of folders in a path: '/', and on Windows also '\\'.
bool IsPathSeparator(char c);

}  // namespace zelmora
