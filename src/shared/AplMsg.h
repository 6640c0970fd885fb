// The message log: the system's one channel for errors, warnings and information.
// Every unit posts a level, a numeric message ID and a text. The posting functions work
// before the log window exists (and in tests and benchmarks with no window at all): they
// hand the entry to the installed log sink.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Form.h"

namespace platform {
class ListView;
class ListItem;
class ImageList;
class PopupMenu;
class MenuItem;
}  // namespace platform

namespace quorel {

// Levels: lower is more serious.
enum MessageLevel : int { LevelError = 0, LevelCritical = 2, LevelImportant = 4, LevelInfo = 6 };

// Adds an entry when level <= the filter; "E:<id>" for level <= 3, else "I:<id>";
// level < 3 shows the log window and brings it to the front.
void PostLogMessage(int level, int id, std::string_view text);
// Ignores the filter, always appends at the end, caption "I:<id>"; level < 6 shows the window.
void PostLogMessageAlways(int level, int id, std::string_view text);
// As PostLogMessage, but nothing happens when an entry with the same caption and text exists.
void PostLogMessageUnique(int level, int id, std::string_view text);

// Where posted messages go. The log window installs itself; tests install a recorder.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void Post(int level, int id, std::string_view text) = 0;
  virtual void PostAlways(int level, int id, std::string_view text) = 0;
  virtual void PostUnique(int level, int id, std::string_view text) = 0;
};

// Installs a sink (nullptr restores the default, which keeps the messages in memory) and
// returns the previous one.
LogSink* SetLogSink(LogSink* sink);
LogSink* CurrentLogSink();

// Sinks that put their predecessor back when they go (the log window, ScopedLogRecorder) keep
// it in a registered slot. A sink that goes away calls RetireLogSink: where it is installed, or
// held in a slot, its own predecessor takes its place, so no pointer to it survives, whatever
// order the sinks die in.
void RegisterLogSinkSlot(LogSink** slot);
void UnregisterLogSinkSlot(LogSink** slot);
void RetireLogSink(LogSink* dying, LogSink* replacement);

// A sink that records everything posted, for tests and for the time before the window exists.
struct LoggedMessage {
  int level = 0;
  int id = 0;
  std::string text;
  enum Kind { Normal, Always, Unique } kind = Normal;
};

class RecordingLogSink : public LogSink {
 public:
  void Post(int level, int id, std::string_view text) override;
  void PostAlways(int level, int id, std::string_view text) override;
  void PostUnique(int level, int id, std::string_view text) override;
  bool Has(int id) const;
  int Count(int id) const;
  void Clear() { messages.clear(); }
  std::vector<LoggedMessage> messages;
};

// Installs a RecordingLogSink for the lifetime of the object (tests).
class ScopedLogRecorder {
 public:
  ScopedLogRecorder() : previous_(SetLogSink(&sink)) { RegisterLogSinkSlot(&previous_); }
  ~ScopedLogRecorder() {
    UnregisterLogSinkSlot(&previous_);
    RetireLogSink(&sink, previous_);
  }
  ScopedLogRecorder(const ScopedLogRecorder&) = delete;
  ScopedLogRecorder& operator=(const ScopedLogRecorder&) = delete;
  RecordingLogSink sink;

 private:
  LogSink* previous_;
};

// ---------------------------------------------------------------------------------------------
// The message log window. Created once at start-up; it installs itself as the log sink, takes
// over what was posted before it existed, and lives for the whole run (closing only hides it).

// A message kept before the log window existed, with the moment it was posted.
struct EarlyLogMessage {
  LoggedMessage message;
  std::chrono::system_clock::time_point when;
};
// Hands over (and forgets) the messages the built-in sink kept so far, oldest first.
std::vector<EarlyLogMessage> TakeEarlyLogMessages();

class TAplMsgWnd : public platform::Form, public LogSink {
 public:
  explicit TAplMsgWnd(platform::Component* owner = nullptr);
  ~TAplMsgWnd() override;

  // LogSink: the three posting operations.
  void Post(int level, int id, std::string_view text) override;
  void PostAlways(int level, int id, std::string_view text) override;
  void PostUnique(int level, int id, std::string_view text) override;

  // The level filter (6 all, 4 importants, 2 critical, 0 errors only); acts on later posts.
  int Filter() const { return filter_; }
  void SetFilter(int level);
  bool TimeUpwards() const;
  // Removes every entry (the "Reset" button).
  void Clear();
  // Shows the window (when hidden) and brings it to the front.
  void ShowInFront();
  // Set when the window is activated, cleared when it is closed.
  bool ShownFlag() const { return shown_; }
  // The moment stamped on new entries (tests set a clock).
  std::function<std::chrono::system_clock::time_point()> Now;

  platform::ListView* LV;
  platform::Panel* PanelButtons;
  platform::Button* ButtonClose;
  platform::Button* ButtonReset;
  platform::CheckBox* ChkOntop;
  platform::StatusBar* StatusBar1;
  platform::ImageList* ImageList1;
  platform::PopupMenu* PopupTags;
  platform::MenuItem* PopShowAll;
  platform::MenuItem* PopImportants;
  platform::MenuItem* PopCritical;
  platform::MenuItem* PopErrorsOnly;
  platform::MenuItem* PopCopyMessage;
  platform::MenuItem* PopTimeUpwards;

  // Event handlers.
  void PopupsClick(platform::Component* sender);
  void PopCopyMessageClick(platform::Component* sender);
  void PopTimeUpwardsClick(platform::Component* sender);
  void LVDblClick(platform::Component* sender);
  void LVColumnClick(platform::Component* sender, int column);
  void ControlKeyDown(platform::Component* sender, int& key, platform::ShiftState shift);
  void ButtonCloseClick(platform::Component* sender);
  void ButtonResetClick(platform::Component* sender);
  void ChkOntopClick(platform::Component* sender);
  void FormResize(platform::Component* sender);
  void FormActivate(platform::Component* sender);
  void FormClose(platform::Component* sender, platform::CloseAction& action);

 private:
  void AddEntry(int level, const std::string& caption, std::string_view text, bool atEnd,
                std::chrono::system_clock::time_point when);
  void PostAt(int level, int id, std::string_view text, std::chrono::system_clock::time_point when);
  void PostAlwaysAt(int level, int id, std::string_view text,
                    std::chrono::system_clock::time_point when);
  void PostUniqueAt(int level, int id, std::string_view text,
                    std::chrono::system_clock::time_point when);
  static void Mark(platform::ListItem* item);

  int filter_ = LevelImportant;
  bool shown_ = false;
  LogSink* previous_sink_ = nullptr;
};

// The one message log window of the program (nullptr before it is made).
extern TAplMsgWnd* AplMsgWnd;

}  // namespace quorel
