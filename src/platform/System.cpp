#include "platform/System.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/Text.h"

extern char** environ;

namespace platform {

namespace {

std::vector<pid_t>& Children() {
  static std::vector<pid_t> children;
  return children;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

std::int64_t FileStamp(std::string_view path) {
  struct stat st;
  if (path.empty() || ::stat(NativePath(path).c_str(), &st) != 0) return -1;
  std::int64_t ns = std::int64_t(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  return ns > 0 ? ns : 1;
}

bool FileExists(std::string_view path) {
  struct stat st;
  return !path.empty() && ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat st;
  return !path.empty() && ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ---------------------------------------------------------------------------------------------
// The file layer

int FileSystemCalls::Open(const std::string& path, int flags, unsigned mode) {
  return ::open(path.c_str(), flags, mode_t(mode));
}
long FileSystemCalls::Read(int fd, void* buffer, std::size_t count) { return long(::read(fd, buffer, count)); }
long FileSystemCalls::Write(int fd, const void* buffer, std::size_t count) {
  return long(::write(fd, buffer, count));
}
int FileSystemCalls::Fsync(int fd) { return ::fsync(fd); }
int FileSystemCalls::Close(int fd) { return ::close(fd); }
int FileSystemCalls::Rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str());
}
int FileSystemCalls::Link(const std::string& from, const std::string& to) { return ::link(from.c_str(), to.c_str()); }
int FileSystemCalls::Unlink(const std::string& path) { return ::unlink(path.c_str()); }

namespace {

FileSystemCalls g_realCalls;
FileSystemCalls* g_calls = &g_realCalls;

std::string Reason(int err) { return std::strerror(err); }
void SetReason(std::string* reason, int err) {
  if (reason) *reason = Reason(err);
}

// Writes all bytes; false with errno set on a failure (a short write without an error counts as
// a full disk).
bool WriteAll(int fd, const char* p, std::size_t left) {
  FileSystemCalls& fc = FileCalls();
  while (left > 0) {
    long n = fc.Write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    p += n;
    left -= std::size_t(n);
  }
  return true;
}

// fsync, where the file system supports it.
bool Flush(int fd) {
  if (FileCalls().Fsync(fd) == 0) return true;
  return errno == EINVAL || errno == EROFS || errno == ENOTSUP;
}

std::string FolderOf(const std::string& native) {
  std::size_t slash = native.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : native.substr(0, slash);
}

// Makes a rename in the folder durable; a folder that cannot be flushed is no failure.
void FlushFolder(const std::string& native) {
  int fd = ::open(FolderOf(native).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)FileCalls().Fsync(fd);
  ::close(fd);
}

// Creates the temporary file of a save of nativeTarget; -1 with errno set when none can be made.
int CreateTempFile(const std::string& nativeTarget, std::string& name, mode_t mode) {
  for (int n = 0; n < 100; ++n) {
    name = SaveTempName(nativeTarget, n);
    int fd = FileCalls().Open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Writes bytes into a new temporary file beside nativeTarget and flushes it; its name, or ""
// with errno set (nothing left behind).
std::string WriteTempFile(const std::string& nativeTarget, std::string_view bytes, mode_t mode) {
  std::string name;
  int fd = CreateTempFile(nativeTarget, name, mode);
  if (fd < 0) return {};
  (void)::fchmod(fd, mode);  // the umask must not narrow the old file's permissions
  bool ok = WriteAll(fd, bytes.data(), bytes.size()) && Flush(fd);
  int err = errno;
  if (FileCalls().Close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    FileCalls().Unlink(name);
    errno = err;
    return {};
  }
  return name;
}

bool ReadAll(int fd, std::string& bytes) {
  char buf[65536];
  for (;;) {
    long n = FileCalls().Read(fd, buf, sizeof buf);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.append(buf, std::size_t(n));
  }
}

}  // namespace

FileSystemCalls* InstallFileSystemCalls(FileSystemCalls* calls) {
  FileSystemCalls* before = g_calls == &g_realCalls ? nullptr : g_calls;
  g_calls = calls ? calls : &g_realCalls;
  return before;
}

FileSystemCalls& FileCalls() { return *g_calls; }

bool ReadWholeFile(std::string_view path, std::string& bytes, std::string* reason) {
  bytes.clear();
  const std::string native = NativePath(path);
  struct stat st;
  if (native.empty() || ::stat(native.c_str(), &st) != 0) {
    SetReason(reason, native.empty() ? ENOENT : errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    SetReason(reason, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    return false;
  }
  int fd = FileCalls().Open(native, O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) {
    SetReason(reason, errno);
    return false;
  }
  if (st.st_size > 0) bytes.reserve(std::size_t(st.st_size));
  bool ok = ReadAll(fd, bytes);
  int err = errno;
  FileCalls().Close(fd);
  if (!ok) {
    bytes.clear();
    std::string().swap(bytes);
    SetReason(reason, err);
  }
  return ok;
}

namespace {

bool IsReadOnlyNative(const std::string& native) {
  struct stat st;
  if (native.empty() || ::stat(native.c_str(), &st) != 0) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::access(native.c_str(), W_OK) != 0 && errno != ENOENT;
}

int RemoveLeftoversNative(const std::string& native);

}  // namespace

bool IsReadOnlyFile(std::string_view path) { return IsReadOnlyNative(NativePath(path)); }

std::string SaveTempName(const std::string& nativeTarget, int n) {
  return nativeTarget + ".~tmp" + std::to_string(::getpid()) + "-" + std::to_string(n);
}

int RemoveLeftoverTempFiles(std::string_view target) { return RemoveLeftoversNative(NativePath(target)); }

namespace {

int RemoveLeftoversNative(const std::string& native) {
  if (native.empty()) return 0;
  const std::string folder = FolderOf(native);
  const std::size_t slash = native.find_last_of('/');
  // "<file>.~tmp<pid>-<n>" of the saves, and "<file>.~<pid>-<n>" that the picture saves of
  // earlier versions left behind when they were killed.
  const std::string prefix = (slash == std::string::npos ? native : native.substr(slash + 1)) + ".~";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  std::vector<std::string> leftovers;
  while (const dirent* e = ::readdir(dir)) {
    std::string_view name(e->d_name);
    if (!name.starts_with(prefix)) continue;
    // The rest is "<pid>-<n>", after "tmp" or not, nothing else.
    std::string_view rest = name.substr(prefix.size());
    if (rest.starts_with("tmp")) rest.remove_prefix(3);
    std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size() || dash > 9) continue;
    auto digits = [](std::string_view t) {
      return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1))) continue;
    const long pid = std::strtol(std::string(rest.substr(0, dash)).c_str(), nullptr, 10);
    const bool gone = pid <= 0 || pid == long(::getpid()) || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH);
    if (gone) leftovers.emplace_back(name);
  }
  ::closedir(dir);
  int removed = 0;
  for (const std::string& name : leftovers) {
    std::string full = folder == "/" ? "/" + name : folder + "/" + name;
    struct stat st;
    if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && FileCalls().Unlink(full) == 0) ++removed;
  }
  return removed;
}

}  // namespace

bool SaveFileContents(std::string_view path, std::string_view bytes, std::string* reason) {
  std::string target = NativePath(path);
  if (target.empty()) {
    SetReason(reason, ENOENT);
    return false;
  }
  // Through a symbolic link the file it points to is replaced, the link stays.
  char resolved[PATH_MAX];
  struct stat lst;
  if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && ::realpath(target.c_str(), resolved))
    target = resolved;
  struct stat st;
  const bool existed = ::stat(target.c_str(), &st) == 0;
  if (existed && !S_ISREG(st.st_mode)) {
    SetReason(reason, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    return false;
  }
  if (existed && IsReadOnlyNative(target)) {
    SetReason(reason, EACCES);
    return false;
  }
  RemoveLeftoversNative(target);
  mode_t mode;
  if (existed) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  const std::string temp = WriteTempFile(target, bytes, mode);
  if (temp.empty()) {
    SetReason(reason, errno);
    return false;
  }
  if (FileCalls().Rename(temp, target) != 0) {
    int err = errno;
    FileCalls().Unlink(temp);
    SetReason(reason, err);
    return false;
  }
  FlushFolder(target);
  return true;
}

bool CopyFile(std::string_view source, std::string_view target, bool overwrite, std::string* reason) {
  const std::string src = NativePath(source), dst = NativePath(target);
  if (src.empty() || dst.empty()) {
    SetReason(reason, ENOENT);
    return false;
  }
  struct stat sst, dstst;
  if (::stat(src.c_str(), &sst) != 0) {
    SetReason(reason, errno);
    return false;
  }
  if (!S_ISREG(sst.st_mode)) {
    SetReason(reason, EINVAL);
    return false;
  }
  if (::stat(dst.c_str(), &dstst) == 0) {
    if (!overwrite || !S_ISREG(dstst.st_mode)) {
      SetReason(reason, EEXIST);
      return false;
    }
    if (dstst.st_dev == sst.st_dev && dstst.st_ino == sst.st_ino) return true;  // the same file
  }
  int in = FileCalls().Open(src, O_RDONLY | O_CLOEXEC, 0);
  if (in < 0) {
    SetReason(reason, errno);
    return false;
  }
  std::string bytes;
  const bool read = ReadAll(in, bytes);
  int err = errno;
  FileCalls().Close(in);
  if (!read) {
    SetReason(reason, err);
    return false;
  }
  RemoveLeftoversNative(dst);
  const std::string name = WriteTempFile(dst, bytes, sst.st_mode & 07777);
  if (name.empty()) {
    SetReason(reason, errno);
    return false;
  }
  if (!overwrite) {
    // Without overwrite the target must still be absent: link fails when it appeared meanwhile.
    // File systems without hard links fall back to a check and a rename.
    if (FileCalls().Link(name, dst) == 0) {
      FileCalls().Unlink(name);
      FlushFolder(dst);
      return true;
    }
    err = errno;
    struct stat now;
    if (err != EEXIST && ::lstat(dst.c_str(), &now) != 0 && errno == ENOENT && FileCalls().Rename(name, dst) == 0) {
      FlushFolder(dst);
      return true;
    }
    FileCalls().Unlink(name);
    SetReason(reason, err == EEXIST ? EEXIST : err);
    return false;
  }
  if (FileCalls().Rename(name, dst) != 0) {
    err = errno;
    FileCalls().Unlink(name);
    SetReason(reason, err);
    return false;
  }
  FlushFolder(dst);
  return true;
}

BackupResult BackUpFile(std::string_view path, std::string_view backup, std::string* copyReason,
                        std::string* reason) {
  std::string why;
  if (CopyFile(path, backup, true, &why)) return BackupResult::Copied;
  if (copyReason) *copyReason = why;
  // The old file itself under the backup name: a link made beside the backup, renamed over it.
  const std::string src = NativePath(path), dst = NativePath(backup);
  struct stat st;
  if (::stat(src.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    SetReason(reason, ENOENT);
    return BackupResult::Failed;
  }
  for (int n = 0; n < 100; ++n) {
    const std::string name = SaveTempName(dst, n);
    if (FileCalls().Link(src, name) != 0) {
      if (errno == EEXIST) continue;
      SetReason(reason, errno);
      return BackupResult::Failed;
    }
    if (FileCalls().Rename(name, dst) != 0) {
      int err = errno;
      FileCalls().Unlink(name);
      SetReason(reason, err);
      return BackupResult::Failed;
    }
    FlushFolder(dst);
    return BackupResult::Linked;
  }
  SetReason(reason, EEXIST);
  return BackupResult::Failed;
}

bool SpawnProcess(const std::string& program, const std::vector<std::string>& args, int* pid) {
  ReapChildren();
  if (program.empty()) return false;
  std::vector<std::string> all;
  all.push_back(program);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The child starts with no blocked signals, default dispositions for the signals a GUI
  // process may have changed, and its own process group (a Ctrl+C in our terminal is not its).
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t child = 0;
  int rc = program.find('/') == std::string::npos
               ? ::posix_spawnp(&child, program.c_str(), nullptr, &attr, argv.data(), environ)
               : ::posix_spawn(&child, program.c_str(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;
  // A child that failed to exec exits with 127 (glibc reports most such failures as rc != 0).
  Children().push_back(child);
  if (pid) *pid = int(child);
  return true;
}

void ReapChildren() {
  auto& v = Children();
  v.erase(std::remove_if(v.begin(), v.end(),
                         [](pid_t p) {
                           int status = 0;
                           pid_t r = ::waitpid(p, &status, WNOHANG);
                           return r == p || (r < 0 && errno == ECHILD);
                         }),
          v.end());
}

int WaitProcess(int pid) {
  auto& v = Children();
  auto it = std::find(v.begin(), v.end(), pid_t(pid));
  if (it == v.end()) return -1;
  v.erase(it);
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_t(pid), &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r != pid_t(pid) || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string ParseUserDirsDocuments(std::string_view text, std::string_view home) {
  std::istringstream in{std::string(text)};
  std::string line, result;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t a = line.find_first_not_of(" \t");
    if (a == std::string::npos || line[a] == '#') continue;
    line = line.substr(a);
    const std::string key = "XDG_DOCUMENTS_DIR=";
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string v = line.substr(key.size());
    std::size_t e = v.find_last_not_of(" \t");
    v = e == std::string::npos ? std::string() : v.substr(0, e + 1);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    // Only the backslash escapes of the format's shell quoting.
    std::string u;
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (v[i] == '\\' && i + 1 < v.size()) ++i;
      u += v[i];
    }
    if (u.compare(0, 5, "$HOME") == 0 && (u.size() == 5 || u[5] == '/')) u = std::string(home) + u.substr(5);
    else if (u.empty() || u.front() != '/') continue;  // neither $HOME-relative nor absolute
    while (u.size() > 1 && u.back() == '/') u.pop_back();
    result = u;  // the last assignment wins
  }
  return result;
}

namespace {

std::string AskXdgUserDir() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
  std::string prog = "xdg-user-dir", arg = "DOCUMENTS";
  char* argv[] = {prog.data(), arg.data(), nullptr};
  pid_t child = 0;
  int rc = ::posix_spawnp(&child, prog.c_str(), &fa, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  ::close(fds[1]);
  std::string out;
  if (rc == 0) {
    char buf[4096];
    for (;;) {
      ssize_t n = ::read(fds[0], buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      out.append(buf, std::size_t(n));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out.clear();
  }
  ::close(fds[0]);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace

std::string XdgDocumentsFolder() {
  std::string home = Env("HOME");
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/') config = home.empty() ? std::string() : home + "/.config";
  if (!config.empty()) {
    std::ifstream f(config + "/user-dirs.dirs", std::ios::binary);
    if (f) {
      std::stringstream ss;
      ss << f.rdbuf();
      std::string d = ParseUserDirsDocuments(ss.str(), home);
      if (!d.empty()) return PathFromNative(d);
    }
  }
  std::string asked = AskXdgUserDir();
  if (!asked.empty() && asked.front() == '/') {
    while (asked.size() > 1 && asked.back() == '/') asked.pop_back();
    return PathFromNative(asked);
  }
  if (!home.empty()) {
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return PathFromNative(home);
  }
  return "/";
}

bool SystemDesktop::ShellOpen(std::string_view target) {
  if (target.empty()) return false;
  int pid = 0;
  // The target is one argument: no shell ever sees it. A name starting with '-' would be read
  // as an option of the opener, so it is given as "./-name".
  std::string arg = NativePath(target);
  if (arg.front() == '-') arg = "./" + arg;
  if (!SpawnProcess(opener_, {arg}, &pid)) return false;
  last_pid_ = pid;
  return true;
}

}  // namespace platform
