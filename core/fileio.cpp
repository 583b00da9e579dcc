#include "core/fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelmora {

namespace {

void SetError(std::string* error, const std::string& path, int err) {
  if (error) *error = path + ": " + std::system_category().message(err);
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

ReadResult ReadWholeFile(const std::string& path, std::string& out, std::string* error) {
  out.clear();
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    const int err = errno;
    if (err == ENOENT) return ReadResult::kMissing;
    SetError(error, path, err ? err : EIO);
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
        SetError(error, path, err);
        return ReadResult::kError;
      }
      break;
    }
  }
  return ReadResult::kOk;
}

#ifdef _WIN32

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
  const std::string tmp =
      path + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
  HANDLE h = CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    SetError(error, path, static_cast<int>(err));
    return false;
  }
  DWORD err = 0;
  std::size_t done = 0;
  while (done < bytes.size() && err == 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0)
      err = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    done += written;
  }
  if (err == 0 && !FlushFileBuffers(h)) err = GetLastError();
  if (!CloseHandle(h) && err == 0) err = GetLastError();
  if (err == 0 &&
      !MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    err = GetLastError();
  if (err != 0) {
    DeleteFileA(tmp.c_str());
    SetError(error, path, static_cast<int>(err));
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
    SetError(error, path, errno);
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
    SetError(error, path, err);
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
