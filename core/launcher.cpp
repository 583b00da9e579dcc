#include "core/launcher.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "core/paths.h"
#include "core/registry.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
// windows.h first: shellapi.h builds on its declarations.
#include <windows.h>

#include <shellapi.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zelmora {

std::vector<std::string> SplitWindowsCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::string arg;
  bool inArg = false;    // an argument has begun (a quote begins one, even an empty one)
  bool inQuote = false;  // inside a quoted part
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if ((c == ' ' || c == '\t') && !inQuote) {
      if (inArg) args.push_back(std::move(arg));
      arg.clear();
      inArg = false;
      ++i;
      continue;
    }
    inArg = true;
    if (c == '\\') {
      std::size_t n = 0;
      while (i < line.size() && line[i] == '\\') {
        ++n;
        ++i;
      }
      if (i < line.size() && line[i] == '"') {
        arg.append(n / 2, '\\');
        if (n % 2 == 1) {
          arg += '"';  // escaped: a literal quote
          ++i;
        }
        // With an even count the quote is handled as a delimiter below.
      } else {
        arg.append(n, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (inQuote && i + 1 < line.size() && line[i + 1] == '"') {
        arg += '"';  // "" inside a quoted part: one literal quote, the part ends
        inQuote = false;
        i += 2;
      } else {
        inQuote = !inQuote;
        ++i;
      }
      continue;
    }
    arg += c;
    ++i;
  }
  if (inArg) args.push_back(std::move(arg));
  return args;
}

bool IsWindowsExecutable(std::string_view path) {
  if (path.size() < 4) return false;
  const std::string_view ext = path.substr(path.size() - 4);
  return ext[0] == '.' && (ext[1] == 'e' || ext[1] == 'E') && (ext[2] == 'x' || ext[2] == 'X') &&
         (ext[3] == 'e' || ext[3] == 'E');
}

std::string FolderOf(std::string_view path) {
  for (std::size_t i = path.size(); i > 0; --i)
    if (IsPathSeparator(path[i - 1])) return std::string(path.substr(0, i));
  return {};
}

std::string WineMissingMessage() {
  return "Wine wurde nicht gefunden. Call of Duty ist ein Windows-Programm und wird unter "
         "diesem System mit Wine gestartet: bitte Wine installieren (das Programm \"wine\" muss "
         "im Suchpfad PATH liegen).";
}

#ifdef _WIN32

bool IsExistingFile(const std::string& path) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FindInPath(std::string_view) {
  return {};
}

LaunchResult StartDetached(const std::string& executable, const std::string& commandLine,
                           const std::string& workingDir) {
  const auto code = reinterpret_cast<INT_PTR>(ShellExecuteA(
      nullptr, "open", executable.c_str(), commandLine.c_str(), workingDir.c_str(), SW_SHOWNORMAL));
  if (code > 32) return {LaunchStatus::kStarted, {}};
  return {LaunchStatus::kFailed, "ShellExecute: error " + std::to_string(code)};
}

#else

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// What the started process reports back when it could not exec.
struct ChildError {
  int stage;  // 1 chdir, 2 exec, 3 fork
  int err;
};

// Only async-signal-safe calls from here on: the parent has other threads.
[[noreturn]] void ReportAndExit(int fd, int stage) {
  const ChildError e{stage, errno};
  ssize_t ignored = ::write(fd, &e, sizeof e);
  (void)ignored;
  ::_exit(127);
}

void CloseInheritedFiles(int keep) {
#ifdef SYS_close_range
  if (keep > 3) ::syscall(SYS_close_range, 3u, static_cast<unsigned>(keep - 1), 0u);
  if (::syscall(SYS_close_range, static_cast<unsigned>(keep + 1), ~0u, 0u) == 0) return;
#endif
  struct rlimit rl {};
  int limit = 4096;
  if (::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur < 65536)
    limit = static_cast<int>(rl.rlim_cur);
  for (int fd = 3; fd < limit; ++fd)
    if (fd != keep) ::close(fd);
}

// fork, new session, fork again and exec in the grandchild; the middle
// process exits at once and is reaped here, so the program is re-parented
// to init (or the session's subreaper) and never becomes our zombie.
LaunchResult Spawn(const std::string& program, const std::vector<std::string>& args,
                   const std::string& workingDir) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int pipeFd[2];
  if (::pipe2(pipeFd, O_CLOEXEC) != 0)
    return {LaunchStatus::kFailed, std::system_category().message(errno)};

  const pid_t middle = ::fork();
  if (middle < 0) {
    const int err = errno;
    ::close(pipeFd[0]);
    ::close(pipeFd[1]);
    return {LaunchStatus::kFailed, std::system_category().message(err)};
  }
  if (middle == 0) {
    ::close(pipeFd[0]);
    ::setsid();
    const pid_t game = ::fork();
    if (game < 0) ReportAndExit(pipeFd[1], 3);
    if (game > 0) ::_exit(0);
    // Signal handling as a fresh program expects it: nothing blocked,
    // nothing ignored that we ignore.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD})
      ::sigaction(sig, &dfl, nullptr);
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) {
      ::dup2(devNull, STDIN_FILENO);
      if (devNull != STDIN_FILENO) ::close(devNull);
    }
    if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0) ReportAndExit(pipeFd[1], 1);
    CloseInheritedFiles(pipeFd[1]);
    ::execv(program.c_str(), argv.data());
    ReportAndExit(pipeFd[1], 2);
  }

  ::close(pipeFd[1]);
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  // The write end closes when the program has been exec'ed (close-on-exec)
  // or has reported why it could not be.
  ChildError e{};
  ssize_t got = 0;
  do {
    got = ::read(pipeFd[0], &e, sizeof e);
  } while (got < 0 && errno == EINTR);
  ::close(pipeFd[0]);
  if (got == static_cast<ssize_t>(sizeof e)) {
    const char* what = e.stage == 1 ? "chdir " : e.stage == 2 ? "exec " : "fork ";
    const std::string target = e.stage == 1 ? workingDir : e.stage == 2 ? program : "";
    return {LaunchStatus::kFailed, what + target + ": " + std::system_category().message(e.err)};
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return {LaunchStatus::kFailed, "the start process ended abnormally"};
  return {LaunchStatus::kStarted, {}};
}

}  // namespace

bool IsExistingFile(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  return ::stat(AnsiToUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FindInPath(std::string_view program) {
  if (program.empty()) return {};
  if (program.find('/') != std::string_view::npos) {
    std::string p(program);
    return IsExecutableFile(p) ? p : std::string();
  }
  const char* env = std::getenv("PATH");
  const std::string_view path = env ? env : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(path.find(':', start), path.size());
    std::string dir(path.substr(start, end - start));
    // A character is added, no literal assigned: GCC 12 takes the literal's copy for an
    // overlapping one (-Wrestrict, a false alarm, GCC bug 105329).
    if (dir.empty()) dir.push_back('.');
    std::string candidate = dir + "/" + std::string(program);
    if (IsExecutableFile(candidate)) return candidate;
    if (end >= path.size()) break;
    start = end + 1;
  }
  return {};
}

LaunchResult StartDetached(const std::string& executable, const std::string& commandLine,
                           const std::string& workingDir) {
  std::vector<std::string> args;
  std::string program;
  const std::string exeHost = AnsiToUtf8(executable);
  if (IsWindowsExecutable(executable)) {
    program = FindInPath("wine");
    if (program.empty()) return {LaunchStatus::kWineMissing, {}};
    args.push_back(program);
    args.push_back(exeHost);
  } else {
    program = exeHost;
    args.push_back(exeHost);
  }
  for (const std::string& a : SplitWindowsCommandLine(commandLine)) args.push_back(AnsiToUtf8(a));
  return Spawn(program, args, AnsiToUtf8(workingDir));
}

#endif

}  // namespace zelmora
