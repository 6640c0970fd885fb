#include "platform/System.h"

#include <fcntl.h>
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

bool CopyFile(std::string_view source, std::string_view target, bool overwrite) {
  const std::string src = NativePath(source), dst = NativePath(target);
  if (src.empty() || dst.empty()) return false;
  struct stat sst, dstst;
  if (::stat(src.c_str(), &sst) != 0 || !S_ISREG(sst.st_mode)) return false;
  if (::stat(dst.c_str(), &dstst) == 0) {
    if (!overwrite || !S_ISREG(dstst.st_mode)) return false;
    if (dstst.st_dev == sst.st_dev && dstst.st_ino == sst.st_ino) return true;  // the same file
  }
  int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  std::string tmpl = dst + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int out = ::mkostemp(name.data(), O_CLOEXEC);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buf + done, std::size_t(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  ::close(in);
  if (ok) ok = ::fchmod(out, sst.st_mode & 07777) == 0;
  if (::close(out) != 0) ok = false;
  if (ok && !overwrite) {
    // Without overwrite the target must still be absent: link fails when it appeared meanwhile.
    // File systems without hard links fall back to a check and a rename.
    if (::link(name.data(), dst.c_str()) == 0) {
      ::unlink(name.data());
      return true;
    }
    int err = errno;
    struct stat now;
    if (err != EEXIST && ::lstat(dst.c_str(), &now) != 0 && errno == ENOENT &&
        ::rename(name.data(), dst.c_str()) == 0)
      return true;
    ::unlink(name.data());
    return false;
  }
  if (ok) ok = ::rename(name.data(), dst.c_str()) == 0;
  if (!ok) ::unlink(name.data());
  return ok;
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
