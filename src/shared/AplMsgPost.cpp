#include "shared/AplMsg.h"

#include <algorithm>

namespace quorel {

namespace {
// Until a window or a test installs a sink, the most recent messages are kept here.
class BoundedSink : public RecordingLogSink {
 public:
  void Post(int level, int id, std::string_view text) override { Keep(&RecordingLogSink::Post, level, id, text); }
  void PostAlways(int level, int id, std::string_view text) override {
    Keep(&RecordingLogSink::PostAlways, level, id, text);
  }
  void PostUnique(int level, int id, std::string_view text) override {
    Keep(&RecordingLogSink::PostUnique, level, id, text);
  }

 private:
  using PostFn = void (RecordingLogSink::*)(int, int, std::string_view);
  void Keep(PostFn fn, int level, int id, std::string_view text) {
    if (messages.size() >= 1000) messages.erase(messages.begin(), messages.begin() + 500);
    (this->*fn)(level, id, text);
  }
};
RecordingLogSink& DefaultSink() {
  static BoundedSink sink;
  return sink;
}
LogSink* g_sink = nullptr;
}  // namespace

LogSink* SetLogSink(LogSink* sink) {
  LogSink* previous = CurrentLogSink();
  g_sink = sink;
  return previous;
}

LogSink* CurrentLogSink() { return g_sink ? g_sink : &DefaultSink(); }

void PostLogMessage(int level, int id, std::string_view text) { CurrentLogSink()->Post(level, id, text); }
void PostLogMessageAlways(int level, int id, std::string_view text) {
  CurrentLogSink()->PostAlways(level, id, text);
}
void PostLogMessageUnique(int level, int id, std::string_view text) {
  CurrentLogSink()->PostUnique(level, id, text);
}

void RecordingLogSink::Post(int level, int id, std::string_view text) {
  messages.push_back({level, id, std::string(text), LoggedMessage::Normal});
}
void RecordingLogSink::PostAlways(int level, int id, std::string_view text) {
  messages.push_back({level, id, std::string(text), LoggedMessage::Always});
}
void RecordingLogSink::PostUnique(int level, int id, std::string_view text) {
  messages.push_back({level, id, std::string(text), LoggedMessage::Unique});
}
bool RecordingLogSink::Has(int id) const { return Count(id) > 0; }
int RecordingLogSink::Count(int id) const {
  return static_cast<int>(std::count_if(messages.begin(), messages.end(),
                                        [id](const LoggedMessage& m) { return m.id == id; }));
}

}  // namespace quorel
