// Whole-file reads and crash-safe whole-file replacement for the data files.
#pragma once

#include <string>
#include <string_view>

namespace zelmora {

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
