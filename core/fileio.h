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
// exist; kError with a text naming the path and the system's reason when it
// exists but cannot be read (e.g. a directory, no permission).
ReadResult ReadWholeFile(const std::string& path, std::string& out, std::string* error);

// Replaces the file at path with bytes so that a reader or a crash sees
// either the complete old or the complete new contents, never a mix or a
// truncated file: the bytes go to a temporary file in the same folder, are
// flushed to disk, and the temporary file is then renamed over the target.
// On failure the old file is left untouched, the temporary file is removed
// and *error (if given) names the path and the system's reason. Where the
// platform has permissions the new file is readable and writable by its
// owner only (the data files hold rcon passwords).
bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error);

}  // namespace zelmora
