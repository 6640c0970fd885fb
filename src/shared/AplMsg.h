// The message log: the system's one channel for errors, warnings and information.
// Every unit posts a level, a numeric message ID and a text. The posting functions work
// before the log window exists (and in tests and benchmarks with no window at all): they
// hand the entry to the installed log sink.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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
  ScopedLogRecorder() : previous_(SetLogSink(&sink)) {}
  ~ScopedLogRecorder() { SetLogSink(previous_); }
  ScopedLogRecorder(const ScopedLogRecorder&) = delete;
  ScopedLogRecorder& operator=(const ScopedLogRecorder&) = delete;
  RecordingLogSink sink;

 private:
  LogSink* previous_;
};

}  // namespace quorel
