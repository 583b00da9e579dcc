// Whole-file reads and crash-safe whole-file replacement for the data files.
//
// Paths are UTF-8 text throughout Zelmora (the data folder arrives from Qt as
// UTF-8), and so are the error texts given back here. Windows' 8-bit file
// functions would read such a path in the system's ANSI code page, so on
// Windows every file access goes through the wide API instead.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zelmora {

// The file system's form of a UTF-8 path, for std::filesystem and the
// platform's file calls: UTF-16 on Windows (an invalid UTF-8 sequence
// becomes U+FFFD, which names no existing file, instead of throwing),
// elsewhere the bytes unchanged. Never throws on any input.
std::filesystem::path PathFromUtf8(std::string_view utf8);
// Back to UTF-8 text: a folder entry's name, a resolved path. Elsewhere than
// on Windows the bytes are returned unchanged, so any name round-trips.
std::string PathToUtf8(const std::filesystem::path& path);

enum class ReadResult { kOk, kMissing, kError };

// Reads the whole file into out. kMissing (out empty) when the file does not
// exist; kError with a German text naming the path and the reason
// (FileErrorText) when it exists but cannot be read (e.g. a directory, no
// permission).
ReadResult ReadWholeFile(const std::string& path, std::string& out, std::string* error);

// How a file that does not exist yet is created: with the usual mode (what
// the process's umask leaves of read and write for everybody), or readable
// and writable by its owner only (Servers.dat and passes.txt hold
// passwords).
enum class NewFileMode { kUsual, kPrivate };

// Replaces the file at path with bytes so that a reader or a crash sees
// either the complete old or the complete new contents, never a mix or a
// truncated file: the bytes go to a temporary file in the same folder, are
// flushed to disk, and the temporary file is then renamed over the target.
// - A symbolic link is written through: the file it points at is replaced,
//   the link stays.
// - The new file keeps the mode (and, where the process may, the owner) of
//   the file it replaces; a new file gets newMode.
// - A file this process may not write (read-only for it, immutable), or one
//   protected for the run (ProtectFileForRun), is not replaced: renaming
//   over it would only need the folder to be writable.
// On failure the old file is left untouched, the temporary file is removed
// and *error (if given) says so in German with the path (FileErrorText).
bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error,
                     NewFileMode newMode = NewFileMode::kUsual);

// The path a save writes to: path with every symbolic link on the way
// followed (also one that points at a file not there yet).
std::string FileToWrite(const std::string& path);

// Whether this process may write the file (which exists).
bool FileWritable(const std::string& path);

// A data file found read-only at start that could not be made writable: no
// save of this run writes it (or the file a link named path points at).
void ProtectFileForRun(const std::string& path);
bool IsFileProtectedForRun(const std::string& path);

enum class FileAction { kRead, kWrite };
// "Die Datei <path> konnte nicht gelesen|gespeichert werden: <Grund>. Die
// Datei bleibt unverändert. (<system text>)", UTF-8; err is an errno value
// (0 for none: no reason, no brackets).
std::string FileErrorText(FileAction action, const std::string& path, int err);

}  // namespace zelmora
