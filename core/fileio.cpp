#include "core/fileio.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelmora {

namespace {

// The reason in German for the errors an operator meets with files.
const char* GermanReason(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
      return "keine Berechtigung";
    case EROFS:
      return "das Dateisystem ist schreibgeschützt";
    case ENOSPC:
      return "kein Platz mehr auf dem Datenträger";
#ifdef EDQUOT
    case EDQUOT:
      return "das Kontingent auf dem Datenträger ist erschöpft";
#endif
    case EISDIR:
      return "es ist ein Ordner";
    case ENOENT:
    case ENOTDIR:
      return "der Ordner fehlt";
    case EIO:
      return "Ein-/Ausgabefehler";
    case ELOOP:
      return "zu viele symbolische Verknüpfungen";
    default:
      return nullptr;
  }
}

// err is an errno value (the C library's calls).
void SetErrnoError(std::string* error, const std::string& path, int err,
                   FileAction action = FileAction::kRead) {
  if (error) *error = FileErrorText(action, path, err);
}

std::mutex& ProtectedMutex() {
  static std::mutex m;
  return m;
}
std::set<std::string>& ProtectedSet() {
  static std::set<std::string> s;
  return s;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::FILE* OpenForReading(const std::string& path) {
#ifdef _WIN32
  return _wfopen(PathFromUtf8(path).c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

}  // namespace

#ifdef _WIN32

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  // Without MB_ERR_INVALID_CHARS an invalid sequence becomes U+FFFD.
  const int in = static_cast<int>(std::min<std::size_t>(utf8.size(), 0x7FFFFFFF));
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, wide.data(), n);
  return std::filesystem::path(std::move(wide));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  const int in = static_cast<int>(std::min<std::size_t>(wide.size(), 0x7FFFFFFF));
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), in, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), in, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

#else

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::string(utf8));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  return path.native();
}

#endif

std::string FileErrorText(FileAction action, const std::string& path, int err) {
  std::string text = "Die Datei " + path + " konnte nicht " +
                     (action == FileAction::kRead ? "gelesen" : "gespeichert") + " werden";
  if (const char* reason = err ? GermanReason(err) : nullptr) text += std::string(": ") + reason;
  text += ". Die Datei bleibt unver\xC3\xA4ndert.";
  if (err) text += " (" + std::generic_category().message(err) + ")";
  return text;
}

void ProtectFileForRun(const std::string& path) {
  const std::string target = FileToWrite(path);
  std::lock_guard<std::mutex> lk(ProtectedMutex());
  ProtectedSet().insert(path);
  ProtectedSet().insert(target);
}

bool IsFileProtectedForRun(const std::string& path) {
  const std::string target = FileToWrite(path);
  std::lock_guard<std::mutex> lk(ProtectedMutex());
  return ProtectedSet().count(path) != 0 || ProtectedSet().count(target) != 0;
}

std::string FileToWrite(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path p = PathFromUtf8(path);
  std::error_code ec;
  // A chain of links, each relative to the folder it lies in; a loop ends
  // at the limit and is written as named.
  for (int hop = 0; hop < 40 && fs::is_symlink(p, ec); ++hop) {
    const fs::path next = fs::read_symlink(p, ec);
    if (ec) break;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  return PathToUtf8(p.lexically_normal());
}

bool FileWritable(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(PathFromUtf8(path).c_str());
  return attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY);
#else
  return access(FileToWrite(path).c_str(), W_OK) == 0;
#endif
}

ReadResult ReadWholeFile(const std::string& path, std::string& out, std::string* error) {
  out.clear();
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> f(OpenForReading(path));
  if (!f) {
    const int err = errno;
    if (err == ENOENT) return ReadResult::kMissing;
    SetErrnoError(error, path, err ? err : EIO);
    return ReadResult::kError;
  }
  char buf[65536];
  for (;;) {
    const std::size_t n = std::fread(buf, 1, sizeof buf, f.get());
    out.append(buf, n);
    if (n < sizeof buf) {
      if (std::ferror(f.get())) {
        const int err = errno ? errno : EIO;
        out.clear();
        SetErrnoError(error, path, err);
        return ReadResult::kError;
      }
      break;
    }
  }
  return ReadResult::kOk;
}

#ifdef _WIN32

namespace {

// The system's text for a Windows error code, as UTF-8.
void SetWin32Error(std::string* error, const std::string& path, DWORD err) {
  if (!error) return;
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, err, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text ? text : L"", n);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  std::string reason = PathToUtf8(std::filesystem::path(std::move(message)));
  if (reason.empty()) reason = "error " + std::to_string(err);
  *error = "Die Datei " + path +
           " konnte nicht gespeichert werden. Die Datei bleibt unver\xC3\xA4ndert. (" + reason +
           ")";
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error,
                     NewFileMode) {
  if (IsFileProtectedForRun(path)) {
    SetErrnoError(error, path, EACCES, FileAction::kWrite);
    return false;
  }
  if (!FileWritable(path)) {
    SetErrnoError(error, path, EACCES, FileAction::kWrite);
    return false;
  }
  const std::filesystem::path target = PathFromUtf8(path);
  // A name no other process uses (process id) and no other call of this one
  // (counter); a leftover of a crashed run with the same process id is skipped.
  static std::atomic<unsigned> counter{0};
  std::wstring tmp;
  HANDLE h = INVALID_HANDLE_VALUE;
  DWORD err = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tmp = target.native() + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(counter.fetch_add(1));
    h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                    nullptr);
    if (h != INVALID_HANDLE_VALUE) break;
    err = GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) break;
  }
  if (h == INVALID_HANDLE_VALUE) {
    SetWin32Error(error, path, err);
    return false;
  }
  err = 0;
  std::size_t done = 0;
  while (done < bytes.size() && err == 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      err = GetLastError();
      if (err == 0) err = ERROR_WRITE_FAULT;
    }
    done += written;
  }
  if (err == 0 && !FlushFileBuffers(h)) err = GetLastError();
  if (!CloseHandle(h) && err == 0) err = GetLastError();
  if (err == 0 &&
      !MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    err = GetLastError();
  if (err != 0) {
    DeleteFileW(tmp.c_str());
    SetWin32Error(error, path, err);
    return false;
  }
  return true;
}

#else

namespace {

// The process's umask, read once: Linux tells it in /proc; elsewhere it is
// set and put back at once (the first save, before any other file is made).
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
      char line[256];
      unsigned value = 0;
      bool found = false;
      while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
          found = true;
          break;
        }
      std::fclose(f);
      if (found) return static_cast<mode_t>(value);
    }
    const mode_t m = umask(022);
    umask(m);
    return m;
  }();
  return mask;
}

std::string ParentDir(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error,
                     NewFileMode newMode) {
  // Through symbolic links: the file a link points at is replaced.
  const std::string target = FileToWrite(path);
  if (IsFileProtectedForRun(path)) {
    SetErrnoError(error, path, EACCES, FileAction::kWrite);
    return false;
  }
  struct stat old {};
  const bool exists = stat(target.c_str(), &old) == 0;
  if (exists) {
    if (S_ISDIR(old.st_mode)) {
      SetErrnoError(error, path, EISDIR, FileAction::kWrite);
      return false;
    }
    // A file the process may not write is not replaced either (the rename
    // would only need the folder); an immutable one fails here for root too.
    if (access(target.c_str(), W_OK) != 0) {
      SetErrnoError(error, path, errno, FileAction::kWrite);
      return false;
    }
  }
  std::string tmp = target + ".tmpXXXXXX";
  // In the target's folder so the final rename stays on one file system.
  const int fd = mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) {
    SetErrnoError(error, path, errno, FileAction::kWrite);
    return false;
  }
  int err = 0;
  mode_t mode = 0;
  if (exists) {
    mode = old.st_mode & 07777;
    // The owner stays where the process may keep it (root saving another
    // user's file); elsewhere the file becomes the saver's, as any save does.
    const int kept = fchown(fd, old.st_uid, old.st_gid);
    (void)kept;
  } else if (newMode == NewFileMode::kPrivate) {
    mode = S_IRUSR | S_IWUSR;
  } else {
    mode = 0666 & ~ProcessUmask();
  }
  if (fchmod(fd, mode) != 0) err = errno;
  std::size_t done = 0;
  while (err == 0 && done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
    } else if (n == 0) {
      err = EIO;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  if (err == 0 && fsync(fd) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && rename(tmp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(tmp.c_str());
    SetErrnoError(error, path, err, FileAction::kWrite);
    return false;
  }
  // Make the rename itself durable; a failure here does not undo the save.
  const int dirfd = open(ParentDir(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirfd >= 0) {
    fsync(dirfd);
    close(dirfd);
  }
  return true;
}

#endif

}  // namespace zelmora
