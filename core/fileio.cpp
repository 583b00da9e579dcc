#include "core/fileio.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
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

// err is an errno value (the C library's calls).
void SetErrnoError(std::string* error, const std::string& path, int err) {
  if (error) *error = path + ": " + std::generic_category().message(err);
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
  *error = path + ": " + reason;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
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

std::string ParentDir(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
  std::string tmp = path + ".tmpXXXXXX";
  // mkostemp creates the file with mode 0600, in the target's folder so the
  // final rename stays on one file system.
  const int fd = mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) {
    SetErrnoError(error, path, errno);
    return false;
  }
  int err = 0;
  if (fchmod(fd, S_IRUSR | S_IWUSR) != 0) err = errno;
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
  if (err == 0 && rename(tmp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(tmp.c_str());
    SetErrnoError(error, path, err);
    return false;
  }
  // Make the rename itself durable; a failure here does not undo the save.
  const int dirfd = open(ParentDir(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirfd >= 0) {
    fsync(dirfd);
    close(dirfd);
  }
  return true;
}

#endif

}  // namespace zelmora
