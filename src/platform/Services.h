// Everything outside the process, behind interfaces: clipboard, message boxes and dialogs, the
// modal loop, the application (event pump, run state), the desktop (opening documents, the
// documents folder). The GUI installs the Qt set; tests install the headless set (Headless.h).
// Until something is installed, a built-in headless set answers (so engine code, tests and
// benchmarks never need a display). All texts are the system's single-byte text.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Component.h"

namespace platform {

class Picture;
class Form;

// --- message boxes ---
using MsgFlags = unsigned;
// Buttons (low four bits).
inline constexpr MsgFlags mbOk = 0x0;
inline constexpr MsgFlags mbOkCancel = 0x1;
inline constexpr MsgFlags mbAbortRetryIgnore = 0x2;
inline constexpr MsgFlags mbYesNoCancel = 0x3;
inline constexpr MsgFlags mbYesNo = 0x4;
inline constexpr MsgFlags mbRetryCancel = 0x5;
// Icon (next four bits).
inline constexpr MsgFlags mbIconError = 0x10;
inline constexpr MsgFlags mbIconQuestion = 0x20;
inline constexpr MsgFlags mbIconWarning = 0x30;  // the exclamation mark
inline constexpr MsgFlags mbIconExclamation = mbIconWarning;
inline constexpr MsgFlags mbIconInformation = 0x40;
// Default button (the answer to Enter).
inline constexpr MsgFlags mbDefButton1 = 0x000;
inline constexpr MsgFlags mbDefButton2 = 0x100;
inline constexpr MsgFlags mbDefButton3 = 0x200;
inline constexpr MsgFlags MsgButtons(MsgFlags f) { return f & 0xF; }
inline constexpr MsgFlags MsgIcon(MsgFlags f) { return f & 0xF0; }
// The answers (ModalResult values: mrOk, mrCancel, mrYes, mrNo, ...) a box with these buttons
// offers, in order; and its default answer.
std::vector<int> MsgAnswers(MsgFlags flags);
int MsgDefaultAnswer(MsgFlags flags);

// --- file dialogs ---
using OpenOptions = unsigned;
inline constexpr OpenOptions ofOverwritePrompt = 1u << 0;
inline constexpr OpenOptions ofHideReadOnly = 1u << 1;
inline constexpr OpenOptions ofAllowMultiSelect = 1u << 2;
inline constexpr OpenOptions ofPathMustExist = 1u << 3;
inline constexpr OpenOptions ofFileMustExist = 1u << 4;
inline constexpr OpenOptions ofCreatePrompt = 1u << 5;
inline constexpr OpenOptions ofNoChangeDir = 1u << 6;
inline constexpr OpenOptions ofEnableSizing = 1u << 7;

enum class FileDialogKind { Open, Save };

// What a file dialog is asked, and (on success) what the user chose.
struct FileDialogRequest {
  FileDialogKind DialogKind = FileDialogKind::Open;
  std::string Title;
  std::string FileName;    // in: proposed name; out: the chosen one
  std::string Filter;      // "Description|*.ext|Description|*.a;*.b"
  int FilterIndex = 1;     // 1-based; in and out
  std::string InitialDir;
  std::string DefaultExt;  // without the dot; appended when the chosen name has none
  OpenOptions Options = 0;
  std::vector<std::string> Files;  // out: every chosen name (multi-select), FileName first
};

// One filter entry of a "Description|*.ext|..." filter.
struct FileFilter {
  std::string Description;
  std::vector<std::string> Patterns;  // "*.eql", "*.*"
};
// Splits a filter text; an odd last description without patterns is dropped.
std::vector<FileFilter> ParseFileFilter(std::string_view filter);
// The chosen name with "." + defaultExt appended when its last path part has no extension
// (what a file dialog does with DefaultExt); unchanged when defaultExt is empty.
std::string ApplyDefaultExt(std::string_view fileName, std::string_view defaultExt);
// Whether a file name matches a pattern such as "*.eql" or "*.*" (case-insensitive).
bool MatchesFilePattern(std::string_view fileName, std::string_view pattern);

// --- interfaces ---
class ClipboardService {
 public:
  virtual ~ClipboardService() = default;
  virtual bool HasText() = 0;
  virtual std::string Text() = 0;  // "" when there is none
  virtual void SetText(std::string_view text) = 0;
  // An HTML fragment, with a plain-text form for programs that take only text.
  virtual void SetHtml(std::string_view html, std::string_view plainText) = 0;
  virtual bool HasPicture() = 0;
  virtual std::shared_ptr<Picture> GetPicture() = 0;  // nullptr when there is none
  virtual void SetPicture(std::shared_ptr<Picture> picture) = 0;
  virtual void Clear() = 0;
};

class DialogService {
 public:
  virtual ~DialogService() = default;
  // Shows a message box; returns the answer (mrOk, mrCancel, mrYes, mrNo, ...).
  virtual int MessageBox(std::string_view text, std::string_view caption, MsgFlags flags) = 0;
  // Runs an open or save dialog; true and the request's answer fields filled when accepted.
  virtual bool FileDialog(FileDialogRequest& request) = 0;
  // Font and colour dialogs start from the value passed; true and the value changed on OK.
  virtual bool FontDialog(FontInfo& font) = 0;
  virtual bool ColorDialog(TColor& color) = 0;
};

// Runs a form modally (Form::ShowModal calls it with the form already shown). Returns when the
// form's ModalResult is set and Form::TryEndModal agreed.
class ModalLoopService {
 public:
  virtual ~ModalLoopService() = default;
  virtual void RunModal(Form& form) = 0;
};

// What the program is doing, shown by the GUI as the cursor: Idle (normal), Waiting (a short
// wait: loading, filling lists) and Calculating (a calculation runs; a second press of the
// calculation button breaks it, and dropped files are ignored meanwhile).
enum class RunState { Idle, Waiting, Calculating };

class ApplicationService {
 public:
  virtual ~ApplicationService() = default;
  virtual std::string Title() = 0;
  virtual void SetTitle(std::string_view title) = 0;
  // Full path of the running program and its folder (system text).
  virtual std::string ProgramPath() = 0;
  virtual std::string ProgramFolder() = 0;
  // Command-line arguments after the program name.
  virtual std::vector<std::string> Arguments() = 0;
  // Lets pending events run (the solver calls this on every iteration step).
  virtual void ProcessMessages() = 0;
  virtual RunState GetRunState() = 0;
  virtual void SetRunState(RunState state) = 0;
  // Ends the program's event loop (after the current event).
  virtual void Terminate() = 0;
  virtual bool Terminated() = 0;
  // An image of the form's client area as shown on the screen; nullptr when there is no
  // display (headless), in which case the caller draws what it needs on a blank picture.
  virtual std::shared_ptr<Picture> GrabClientArea(Form& form) {
    (void)form;
    return nullptr;
  }
  // Where a component lies in its form's client area, in the pixels of GrabClientArea. Without
  // a display: its bounds added up over its owners below the form, the size of a pixel-exact
  // paint box being its pixels.
  virtual Rect ClientPixelRect(const Component& component);
  // A time of day in the locale's long time form and a date in its short date form. Without a
  // display the fixed forms "10:37:05" and "2024-03-07".
  virtual std::string LongTimeText(int hour, int minute, int second);
  virtual std::string ShortDateText(int year, int month, int day);
};

class DesktopService {
 public:
  virtual ~DesktopService() = default;
  // Opens a document or a web address with the desktop's default program; false when that
  // could not be started.
  virtual bool ShellOpen(std::string_view target) = 0;
  // The user's documents folder (no trailing separator).
  virtual std::string DocumentsFolder() = 0;
};

// The installed set. Null members are answered by the built-in headless defaults.
struct ServiceSet {
  ClipboardService* clipboard = nullptr;
  DialogService* dialogs = nullptr;
  ModalLoopService* modal = nullptr;
  ApplicationService* application = nullptr;
  DesktopService* desktop = nullptr;
};

// Installs a set and returns the previous one.
ServiceSet InstallServices(const ServiceSet& services);
const ServiceSet& InstalledServices();

// The current service of each kind (never null).
ClipboardService& Clipboard();
DialogService& Dialogs();
ModalLoopService& ModalLoop();
ApplicationService& Application();
DesktopService& Desktop();

// Short forms.
inline int MessageBox(std::string_view text, std::string_view caption, MsgFlags flags = mbOk) {
  return Dialogs().MessageBox(text, caption, flags);
}
inline void ProcessMessages() { Application().ProcessMessages(); }
inline bool ShellOpen(std::string_view target) { return Desktop().ShellOpen(target); }
inline std::string DocumentsFolder() { return Desktop().DocumentsFolder(); }
inline bool CalculationRunning() { return Application().GetRunState() == RunState::Calculating; }

// Sets a run state for a scope and restores the previous one.
class RunStateScope {
 public:
  explicit RunStateScope(RunState state) : previous_(Application().GetRunState()) {
    Application().SetRunState(state);
  }
  ~RunStateScope() { Application().SetRunState(previous_); }
  RunStateScope(const RunStateScope&) = delete;
  RunStateScope& operator=(const RunStateScope&) = delete;

 private:
  RunState previous_;
};

}  // namespace platform
