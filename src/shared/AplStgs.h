// The settings store and the settings window.
//
// Every file the programs keep for themselves ("Quorel.sys", the user's ".usr" file, the
// database's ".ref" file, ".eql" and ".sub" documents, the chart settings) is one text form,
// the settings document: "[Name]" header lines open sections, "key=value" lines hold values,
// other lines (TAB-separated grid rows, notes) are kept as they are. SettingsReader reads,
// caches, edits and writes that form; it needs no window and tests make one alone. The
// programs reach their one store through the settings window TAplStgsWnd (SettingsStore()).
//
// Bytes on disk: on reading every CR and every LF ends a line and empty lines are dropped;
// on writing every line ends with CR LF and every line of a written section but its header
// starts with two blanks. A save copies the old file to its backup ("x.sys" -> "x.~sys") and
// writes through a temporary file in the same folder that is then renamed over the old one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Component.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Form.h"
#include "platform/Grid.h"

namespace quorel {

// Removes leading and trailing characters with codes 0 to 32.
std::string SettingsTrim(std::string_view text);
// True for a line that opens a section: trimmed, it begins with "[" and holds a "]" after it.
// The same test ends a section when it is selected and when it is written back, so a note
// line such as "[note" stays inside its section.
// A line holding a TAB is a grid row, never a header (a cell may begin with "[").
bool IsSectionHeaderLine(std::string_view line);
// The lines of a settings document: CR and LF each end a line; empty lines are dropped.
std::vector<std::string> SplitSettingsLines(std::string_view bytes);
// The bytes written for the lines: each line followed by CR LF; a CR or LF inside a line is
// written as a blank, so every line reads back as one line.
std::string JoinSettingsLines(const std::vector<std::string>& lines);
// The backup name of a file: "~" after the dot of the extension ("x.sys" -> "x.~sys");
// ".~" replaces an extension shorter than two characters ("x" -> "x.~", "x." -> "x.~").
std::string BackupFileName(std::string_view path);
// Writes bytes to a temporary file beside the target and renames it over the target, so the
// old file stays whole until the new one is complete (platform::SaveFileContents); keeps the
// old file's permissions and removes what interrupted saves of it left. Through a symbolic
// link the file it points to is replaced. False (and nothing changed) for an empty path, a
// target that exists but is no regular file (a folder) or is read-only, or any failure to
// write.
bool ReplaceFileContents(const std::string& path, const std::string& bytes);
// The modification stamp used by the cache (nanoseconds since the epoch); 0 when missing.
std::int64_t FileAge(const std::string& path);

// Key names of a grid column's width: "CW00".."CW09", then "CW10", "CW11", ...
std::string GridColumnKey(int column);

struct SectionRange {
  int first = -1;
  int last = -1;
  bool endedAtHeader = false;
};

class SettingsReader {
 public:
  SettingsReader();

  // --- files and cache ---
  void ResetSettingsCache();
  // 1 read (or cached lines still valid), 0 missing file (cache emptied), -1 unreadable.
  int OpenSettingsFile(const std::string& path);
  // Backs the old file up, then writes the lines. 1 written, -1 failed (reported at level 0
  // with ID 241; the lines stay in memory). A file whose read failed is never written over
  // with the empty cache; ResetSettingsCache starts a file from nothing on purpose. A
  // read-only file is refused, and so is a file whose old version could not be kept: when
  // the backup (here, or by a BackupFile called for this save) failed.
  int SaveSettingsFile(const std::string& path);
  // Copies an existing file to its backup name (nothing while NoBackupFlag is set). When no
  // copy can be made (a full disk), the old file itself is kept under the backup name (a hard
  // link). Both are reported at level 0 with ID 241 and the reason. False when the old version
  // could not be kept: the next SaveSettingsFile of that path is then refused.
  bool BackupFile(const std::string& path) const;

  // --- sections and keys ---
  int SelectSection(const std::string& name);
  std::string GetKeyValue(std::string_view key) const;
  // Every key of the section lines with its value, as GetKeyValue finds them (the first line
  // of a key wins), read in one pass: readers of many keys look them up here.
  std::unordered_map<std::string, std::string> SectionKeyValues() const;
  void SetKeyValue(std::string_view key, std::string_view value);
  SectionRange FindSectionRange(std::string_view name) const;
  void WriteSection(std::string_view name);

  // --- window placement, fonts and grid layouts ---
  // Each selects its section (a name "" means the component's name); the writers then set
  // their keys and call WriteSection. None saves the file.
  void WriteFormPlacement(platform::Form* form, std::string section = {});
  void ReadFormPlacement(platform::Form* form, std::string section = {});
  void WriteFontSettings(const platform::FontInfo& font, const std::string& section);
  void ReadFontSettings(platform::FontInfo& font, const std::string& section);
  void ReadGridLayout(platform::StringGrid* grid, std::string section = {});
  void WriteGridLayout(platform::StringGrid* grid, std::string section = {});

  // A file cut short. The programs end every line they write with a line break, so a file
  // they wrote whose last line has none was cut inside that line ("V2=2000" cut to "V2=2"):
  // the line is not read, since what it holds may be only the start of its value. The files
  // that come with the program and its database ("Quorel.sys", the ".ref" file) are edited by
  // hand as well and are read whole.
  // CutShortSection: the section the file read was cut short in, "" for a whole one (and for a
  // cut before any section). CutLine: the line not read, trimmed, "" for a whole file.
  // CutLineKey: its key, the text before its "=", or the whole line when it holds none.
  std::string CutShortSection() const;
  const std::string& CutLine() const { return cutLine_; }
  std::string CutLineKey() const;

  // --- state, for the writers that build a file from nothing (reset, name, lines, save) ---
  std::vector<std::string>& FileLines() { return fileLines_; }
  const std::vector<std::string>& FileLines() const { return fileLines_; }
  std::vector<std::string>& SectionLines() { return sectionLines_; }
  const std::vector<std::string>& SectionLines() const { return sectionLines_; }
  const std::string& CachedFileName() const { return cachedFileName_; }
  void SetCachedFileName(std::string path) { cachedFileName_ = std::move(path); }
  std::int64_t CachedFileAge() const { return cachedFileAge_; }
  const std::string& SelectedSectionName() const { return selectedSection_; }

  bool NoBackupFlag = false;
  // Set by a writer while it builds the cached file from nothing: OpenSettingsFile then reads
  // no file and changes nothing (1 for the file being written, -1 for any other), so the lines
  // built so far cannot be lost to a read.
  bool WritingMark = false;

  // Paths fixed by the settings window (MakeSettingsPaths) and the help document (database
  // start-up).
  std::string SystemSettingsFile;
  std::string UserSettingsFile;
  std::string HelpIndexPath;

 private:
  std::vector<std::string> fileLines_;
  std::vector<std::string> sectionLines_;
  std::string cachedFileName_;
  std::int64_t cachedFileAge_ = 0;
  // The size goes with the stamp: two writes within one tick of the file-system clock keep
  // the stamp but rarely the size.
  std::int64_t cachedFileSize_ = -1;
  std::string selectedSection_;
  // Set when the cached file exists but could not be read: its (empty) cache must never be
  // saved over it. Cleared by a good read, a missing file and ResetSettingsCache.
  bool readFailed_ = false;
  bool endsInsideLine_ = false;  // the file read has no line break after its last line
  std::string cutLine_;          // that line, held out of the file lines, trimmed
  // The path whose last backup failed (until a backup of it succeeds or a save consumed it).
  mutable std::string failedBackup_;
};

// Where the settings files of a program live.
struct SettingsPaths {
  std::string system;  // program folder + "Quorel.sys"
  std::string user;    // documents folder + ".Quorel/" + program name + ".usr"
};
// Forms both paths and creates the folder ".Quorel" (with missing parents). When the documents
// folder is empty or the folder cannot be made, the user file lies in the program folder.
SettingsPaths MakeSettingsPaths(const std::string& programFolder, const std::string& programName,
                                const std::string& documentsFolder);
// Name of the running program file without its extension.
std::string ProgramName();

// The settings window: a notes text area with a small tool bar; it owns the settings store.
// Orvanto uses it as the notes window of a system ("Memo: Equilibrium"); closing only hides it.
class TAplStgsWnd : public platform::Form {
 public:
  // Forms SystemSettingsFile and UserSettingsFile from the program folder, the program name
  // and the documents folder of the desktop service.
  explicit TAplStgsWnd(platform::Component* owner = nullptr);
  ~TAplStgsWnd() override;

  SettingsReader Store;

  platform::ToolBar* ToolBar1 = nullptr;
  platform::ToolButton* ToolButtonOpen = nullptr;
  platform::ToolButton* ToolButtonSave = nullptr;
  platform::ToolButton* ToolButtonColor = nullptr;
  platform::ToolButton* ToolButtonFont = nullptr;
  platform::ToolButton* ToolButtonExit = nullptr;
  platform::Memo* Memo1 = nullptr;
  platform::StatusBar* StatusBar1 = nullptr;
  platform::ColorDialog* ColorDialog1 = nullptr;
  platform::FontDialog* FontDialog1 = nullptr;
  // Lent to other windows (database choice, system files).
  platform::OpenDialog* OpenDialog1 = nullptr;
  platform::SaveDialog* SaveDialog1 = nullptr;

  void ToolButtonColorClick(platform::Component* sender);
  void ToolButtonFontClick(platform::Component* sender);
  void ToolButtonExitClick(platform::Component* sender);
  // Esc anywhere in the window: consumed, the window closes.
  void FormKeyDown(platform::Component* sender, int& key, platform::ShiftState shift);
};

// The one instance, made at program start before any other window uses the store.
extern TAplStgsWnd* AplStgsWnd;

// The program's one store: the settings window's; before that window exists (engine tests,
// benchmarks) a store of its own.
SettingsReader& SettingsStore();

}  // namespace quorel
