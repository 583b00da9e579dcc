// config.ini access with the behaviour of the Windows profile-string
// functions (GetPrivateProfileStringA / WritePrivateProfileStringA), on every
// platform.
//
// Reading:
//  - section and key names compare case-insensitively (ASCII letters only);
//  - the value is returned without surrounding blanks, and a value enclosed
//    in a pair of double quotes is returned without them;
//  - when a key occurs twice, the first occurrence counts;
//  - backslashes and all other bytes are kept verbatim (8-bit text, no
//    character set assumed); lines may end in CR LF, LF or a lone CR.
//
// Writing goes straight to the file, one key at a time:
//  - an existing key line is replaced by "key=value" (its spelling kept);
//    a new key is appended after the last key of its section, a new section
//    at the end of the file, both spelled as given;
//  - every other line (comments, blank lines, foreign keys) stays as it was;
//  - the file is written with CR LF line ends into a temporary file beside it
//    that then replaces config.ini, so a crash never leaves half a file;
//  - a value that would not read back as written (surrounding blanks, or
//    enclosed in double quotes itself) is written inside double quotes, so it
//    reads back exactly;
//  - names and values containing CR, LF or NUL, section names containing ']'
//    and key names containing '=' or starting with '[', ';' or '#' are
//    refused (they would inject or hide lines), as is an empty key name.
//
// A file that exists but cannot be read gives the defaults and refuses every
// write, so it is never replaced by a file holding only the written key.
//
// The file is read again whenever it changed since the last access, so a
// ProfileFile can stay open for the whole run. Not thread-safe: use one
// instance from one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zelmora {

class ProfileFile {
 public:
  explicit ProfileFile(std::string path);
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  const std::string& Path() const { return path_; }

  // The value of key in section, or def when the file, the section or the
  // key does not exist.
  std::string GetString(std::string_view section, std::string_view key, std::string_view def);

  // Sets key in section to value and writes the file. False when the names
  // or the value are refused (see above) or the file cannot be written; the
  // file is then unchanged.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);

 private:
  struct Cache;
  void Refresh();

  std::string path_;
  std::unique_ptr<Cache> cache_;
};

}  // namespace zelmora
