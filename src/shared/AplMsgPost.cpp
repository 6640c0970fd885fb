#include "shared/AplMsg.h"

#include <algorithm>

namespace quorel {

namespace {
// Until a window or a test installs a sink, the most recent messages are kept here.
class BoundedSink : public RecordingLogSink {
 public:
  void Post(int level, int id, std::string_view text) override {
    Keep(level, id, text, LoggedMessage::Normal);
  }
  void PostAlways(int level, int id, std::string_view text) override {
    Keep(level, id, text, LoggedMessage::Always);
  }
  void PostUnique(int level, int id, std::string_view text) override {
    Keep(level, id, text, LoggedMessage::Unique);
  }

  // (A member pointer to the base's Post would dispatch virtually back to this class.)
  void Keep(int level, int id, std::string_view text, LoggedMessage::Kind kind) {
    if (messages.size() >= 1000) {
      messages.erase(messages.begin(), messages.begin() + 500);
      times_.erase(times_.begin(), times_.begin() + std::min<std::size_t>(500, times_.size()));
    }
    messages.push_back({level, id, std::string(text), kind});
    times_.push_back(std::chrono::system_clock::now());
  }

  std::vector<EarlyLogMessage> Take() {
    std::vector<EarlyLogMessage> out;
    out.reserve(messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i)
      out.push_back({messages[i], i < times_.size() ? times_[i] : std::chrono::system_clock::now()});
    messages.clear();
    times_.clear();
    return out;
  }

 private:
  std::vector<std::chrono::system_clock::time_point> times_;
};
BoundedSink& DefaultSink() {
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

namespace {
std::vector<LogSink**>& SinkSlots() {
  static std::vector<LogSink**> slots;
  return slots;
}
}  // namespace

void RegisterLogSinkSlot(LogSink** slot) {
  if (slot) SinkSlots().push_back(slot);
}

void UnregisterLogSinkSlot(LogSink** slot) {
  auto& slots = SinkSlots();
  slots.erase(std::remove(slots.begin(), slots.end(), slot), slots.end());
}

void RetireLogSink(LogSink* dying, LogSink* replacement) {
  if (!dying) return;
  if (replacement == dying) replacement = nullptr;
  if (g_sink == dying) g_sink = replacement;
  for (LogSink** slot : SinkSlots())
    if (*slot == dying) *slot = replacement;
}

std::vector<EarlyLogMessage> TakeEarlyLogMessages() { return DefaultSink().Take(); }

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
