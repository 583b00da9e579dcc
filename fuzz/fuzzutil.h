// What the libFuzzer targets share: a check that stops the run, the input
// cut into datagrams, and a private folder for the targets that go through
// real files.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora::fuzz {

inline void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Well-formed UTF-8 without control characters: what a message for the
// operator must be, whatever bytes went into it.
inline bool IsMessageText(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (c < 0x20 || c == 0x7F) return false;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF)
      n = 1;
    else if (c >= 0xE0 && c <= 0xEF)
      n = 2;
    else if (c >= 0xF0 && c <= 0xF4)
      n = 3;
    else
      return false;
    if (i + n >= s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    // U+0080 to U+009F are control characters too.
    if (c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0) return false;
    i += n + 1;
  }
  return true;
}

// The input cut at each run of four 0xFF bytes, each piece a datagram with
// its prefix again.
inline std::vector<std::string> Datagrams(std::string_view input) {
  const std::string_view prefix("\xff\xff\xff\xff", 4);
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos <= input.size()) {
    const std::size_t next = input.find(prefix, pos);
    const std::string_view piece =
        input.substr(pos, next == std::string_view::npos ? std::string_view::npos : next - pos);
    if (!piece.empty()) out.push_back(std::string(prefix) + std::string(piece));
    if (next == std::string_view::npos) break;
    pos = next + prefix.size();
  }
  return out;
}

// A folder of this process, removed with the files named in it at exit.
// The name lives in a plain array so the exit handler never sees a
// destroyed string.
inline char gTempDir[64];
inline const char* gTempFiles[8];
inline int gTempFileCount = 0;

inline std::string TempFile(const char* name) {
  static const bool made = [] {
    // In memory where there is such a folder: the saves flush to disk, and
    // a run saves thousands of times a second.
    std::strcpy(gTempDir, "/dev/shm/zelmora-fuzz-XXXXXX");
    if (!mkdtemp(gTempDir)) {
      std::strcpy(gTempDir, "/tmp/zelmora-fuzz-XXXXXX");
      if (!mkdtemp(gTempDir)) std::abort();
    }
    std::atexit([] {
      char path[128];
      for (int i = 0; i < gTempFileCount; ++i) {
        std::snprintf(path, sizeof path, "%s/%s", gTempDir, gTempFiles[i]);
        std::remove(path);
        std::snprintf(path, sizeof path, "%s/%s.bak", gTempDir, gTempFiles[i]);
        std::remove(path);
      }
      rmdir(gTempDir);
    });
    return true;
  }();
  (void)made;
  bool known = false;
  for (int i = 0; i < gTempFileCount; ++i) known = known || std::strcmp(gTempFiles[i], name) == 0;
  if (!known && gTempFileCount < 8) gTempFiles[gTempFileCount++] = name;
  return std::string(gTempDir) + "/" + name;
}

inline void WriteAll(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace zelmora::fuzz
