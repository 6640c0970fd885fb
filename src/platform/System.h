// File-system and process helpers on the real system: file stamps, copies, the XDG documents
// folder, and starting a program without a shell. Paths are the system's text (converted to
// UTF-8 for the file system here).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The file's modification time in nanoseconds since 1970 (always > 0 for an existing file);
// -1 when the file does not exist or cannot be examined.
std::int64_t FileStamp(std::string_view path);
bool FileExists(std::string_view path);      // a regular file
bool DirectoryExists(std::string_view path);
// Copies a regular file. Without overwrite, an existing target is left alone and the result is
// false. The copy is written beside the target first and renamed over it, so a failed copy
// never leaves a half-written target. False on any failure.
bool CopyFile(std::string_view source, std::string_view target, bool overwrite);

// Starts program (a path, or a name searched in PATH) with the arguments, without a shell and
// without waiting. True when started; pid receives the process id when not null. Finished
// children started here are reaped by later calls (and by ReapChildren).
bool SpawnProcess(const std::string& program, const std::vector<std::string>& args,
                  int* pid = nullptr);
void ReapChildren();
// Waits for a child started by SpawnProcess; its exit status (0..255), or -1 when it did not
// exit normally or is unknown.
int WaitProcess(int pid);

// The XDG documents folder: XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs (default
// ~/.config), else the answer of `xdg-user-dir DOCUMENTS`, else $HOME (else "/").
std::string XdgDocumentsFolder();
// The XDG_DOCUMENTS_DIR value of a user-dirs.dirs text with "$HOME" expanded; "" when absent.
std::string ParseUserDirsDocuments(std::string_view userDirsText, std::string_view home);

}  // namespace platform

#include "platform/Services.h"

namespace platform {

// The real desktop service: ShellOpen starts `opener target` (xdg-open by default) with
// posix_spawn, never through a shell (a target starting with '-' is passed as "./-...", so it
// is never read as an option); DocumentsFolder is XdgDocumentsFolder(). The GUI installs
// it; tests give a fake opener path.
class SystemDesktop : public DesktopService {
 public:
  explicit SystemDesktop(std::string opener = "xdg-open") : opener_(std::move(opener)) {}
  bool ShellOpen(std::string_view target) override;
  std::string DocumentsFolder() override { return XdgDocumentsFolder(); }
  // The process id of the last program started (0 before any).
  int LastPid() const { return last_pid_; }

 private:
  std::string opener_;
  int last_pid_ = 0;
};

}  // namespace platform
