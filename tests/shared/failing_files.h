// A file layer that fails chosen system calls, for the fault tests of the savers and readers:
// a full disk (a write fails with ENOSPC), a failing fsync or close, a refused rename or link,
// a read error. A call fails when its kind is asked to fail and the path of its file holds the
// given text ("" = every file).
#pragma once

#include <cerrno>
#include <map>
#include <set>
#include <string>

#include "platform/System.h"

namespace filefaults {

enum class Call { Open, Read, Write, Fsync, Close, Rename, Link };

class FailingCalls : public platform::FileSystemCalls {
 public:
  FailingCalls() { previous_ = platform::InstallFileSystemCalls(this); }
  ~FailingCalls() override { platform::InstallFileSystemCalls(previous_); }
  FailingCalls(const FailingCalls&) = delete;
  FailingCalls& operator=(const FailingCalls&) = delete;

  // Makes calls of a kind on files whose path holds `where` fail with err.
  void Fail(Call call, int err, std::string where = {}) { failing_[call] = {err, std::move(where)}; }
  // How often each kind was called.
  int Count(Call call) const {
    auto it = counts_.find(call);
    return it == counts_.end() ? 0 : it->second;
  }

  int Open(const std::string& path, int flags, unsigned mode) override {
    if (Fails(Call::Open, path)) return -1;
    int fd = platform::FileSystemCalls::Open(path, flags, mode);
    if (fd >= 0) paths_[fd] = path;
    return fd;
  }
  long Read(int fd, void* buffer, std::size_t count) override {
    return Fails(Call::Read, PathOf(fd)) ? -1 : platform::FileSystemCalls::Read(fd, buffer, count);
  }
  long Write(int fd, const void* buffer, std::size_t count) override {
    if (!Fails(Call::Write, PathOf(fd))) return platform::FileSystemCalls::Write(fd, buffer, count);
    // A full disk takes part of the first write, then nothing.
    if (failedWrites_.insert(fd).second && count > 1) return platform::FileSystemCalls::Write(fd, buffer, count / 2);
    return -1;
  }
  int Fsync(int fd) override { return Fails(Call::Fsync, PathOf(fd)) ? -1 : platform::FileSystemCalls::Fsync(fd); }
  int Close(int fd) override {
    const std::string path = PathOf(fd);
    paths_.erase(fd);
    failedWrites_.erase(fd);
    const int rc = platform::FileSystemCalls::Close(fd);
    return Fails(Call::Close, path) ? -1 : rc;  // the descriptor is gone either way
  }
  int Rename(const std::string& from, const std::string& to) override {
    return Fails(Call::Rename, to) ? -1 : platform::FileSystemCalls::Rename(from, to);
  }
  int Link(const std::string& from, const std::string& to) override {
    return Fails(Call::Link, to) ? -1 : platform::FileSystemCalls::Link(from, to);
  }

 private:
  struct Failure {
    int err = 0;
    std::string where;
  };
  bool Fails(Call call, const std::string& path) {
    ++counts_[call];
    auto it = failing_.find(call);
    if (it == failing_.end() || path.find(it->second.where) == std::string::npos) return false;
    errno = it->second.err;
    return true;
  }
  std::string PathOf(int fd) const {
    auto it = paths_.find(fd);
    return it == paths_.end() ? std::string("?") : it->second;
  }
  platform::FileSystemCalls* previous_ = nullptr;
  std::map<Call, Failure> failing_;
  std::map<Call, int> counts_;
  std::map<int, std::string> paths_;
  std::set<int> failedWrites_;
};

}  // namespace filefaults
