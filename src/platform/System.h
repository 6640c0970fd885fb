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
// false. The copy is written to a temporary file beside the target (SaveTempName), flushed to
// the disk and renamed over it, so a failed copy never leaves a half-written target. False on
// any failure; reason (when given) then says why.
bool CopyFile(std::string_view source, std::string_view target, bool overwrite,
              std::string* reason = nullptr);

// --- the file layer of reads and saves ---
// The system calls that reading and saving files go through (results and errno as the system
// gives them). The real set calls the system; tests install one that fails chosen calls to
// play a full disk, a failing fsync or close, a refused rename or link.
class FileSystemCalls {
 public:
  virtual ~FileSystemCalls() = default;
  virtual int Open(const std::string& path, int flags, unsigned mode);
  virtual long Read(int fd, void* buffer, std::size_t count);
  virtual long Write(int fd, const void* buffer, std::size_t count);
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  virtual int Rename(const std::string& from, const std::string& to);
  virtual int Link(const std::string& from, const std::string& to);
  virtual int Unlink(const std::string& path);
};
// Installs a set (nullptr: the real one) and returns the one installed before.
FileSystemCalls* InstallFileSystemCalls(FileSystemCalls* calls);
FileSystemCalls& FileCalls();

// Reads a whole regular file. False when it is missing, no regular file, or a read fails
// (bytes then holds nothing); reason (when given) says why.
bool ReadWholeFile(std::string_view path, std::string& bytes, std::string* reason = nullptr);

// A file that exists but may not be written: no write permission bit at all (a read-only
// document, whoever we are) or no write access for this process.
bool IsReadOnlyFile(std::string_view path);

// The temporary file of a save of target: target + ".~tmp" + process id + "-" + n. A save that
// is killed leaves it behind; RemoveLeftoverTempFiles removes those of target whose process is
// gone (or is this one, which saves nothing else meanwhile). Native path in, native path out.
std::string SaveTempName(const std::string& nativeTarget, int n);
// Removes the leftovers of interrupted saves of target; the number removed.
int RemoveLeftoverTempFiles(std::string_view target);

// Replaces a file's contents safely: refuses a target that is no regular file or is read-only
// (IsReadOnlyFile), removes the leftovers of interrupted saves of it, writes the bytes to a
// temporary file beside it, flushes it to the disk, renames it over the target (through a
// symbolic link the file it points to) and flushes the folder. The old file stays whole until
// the new one is complete; the old file's permissions are kept. False (nothing changed, no
// temporary file left) on any failure; reason (when given) says why.
bool SaveFileContents(std::string_view path, std::string_view bytes, std::string* reason = nullptr);

// Keeps the old version of a file under a backup name before it is replaced: a copy; when the
// copy cannot be made (a full disk), a second name of the old file itself (a hard link, which
// needs no room and keeps the old version once the file is replaced by a rename).
enum class BackupResult { Copied, Linked, Failed };
// copyReason receives why the copy failed (Linked and Failed), reason why nothing was kept.
BackupResult BackUpFile(std::string_view path, std::string_view backup, std::string* copyReason = nullptr,
                        std::string* reason = nullptr);

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
