#include "platform/Services.h"

#include <cstdio>

#include <cctype>

#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/Headless.h"

namespace platform {

std::string ApplicationService::LongTimeText(int hour, int minute, int second) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
  return text;
}

std::string ApplicationService::ShortDateText(int year, int month, int day) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

Rect ApplicationService::ClientPixelRect(const Component& component) {
  int left = component.Left(), top = component.Top();
  for (const Component* o = component.Owner(); o && !dynamic_cast<const Form*>(o); o = o->Owner()) {
    left += o->Left();
    top += o->Top();
  }
  int width = component.Width(), height = component.Height();
  if (const auto* box = dynamic_cast<const PaintBox*>(&component)) {
    width = box->PixelWidth();
    height = box->PixelHeight();
  }
  return {left, top, left + width, top + height};
}

std::vector<int> MsgAnswers(MsgFlags flags) {
  switch (MsgButtons(flags)) {
    case mbOkCancel: return {mrOk, mrCancel};
    case mbAbortRetryIgnore: return {mrAbort, mrRetry, mrIgnore};
    case mbYesNoCancel: return {mrYes, mrNo, mrCancel};
    case mbYesNo: return {mrYes, mrNo};
    case mbRetryCancel: return {mrRetry, mrCancel};
    default: return {mrOk};
  }
}

int MsgDefaultAnswer(MsgFlags flags) {
  std::vector<int> answers = MsgAnswers(flags);
  std::size_t i = (flags >> 8) & 0xF;
  return i < answers.size() ? answers[i] : answers.front();
}

std::vector<FileFilter> ParseFileFilter(std::string_view filter) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : filter) {
    if (c == '|') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  std::vector<FileFilter> out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    FileFilter f;
    f.Description = parts[i];
    std::string p;
    for (char c : parts[i + 1] + ";") {
      if (c == ';') {
        std::size_t a = p.find_first_not_of(' '), b = p.find_last_not_of(' ');
        if (a != std::string::npos) f.Patterns.push_back(p.substr(a, b - a + 1));
        p.clear();
      } else {
        p += c;
      }
    }
    out.push_back(std::move(f));
  }
  return out;
}

bool MatchesFilePattern(std::string_view name, std::string_view pattern) {
  // Wildcards '*' and '?', compared without regard to ASCII case; "*.*" matches every name.
  if (pattern == "*.*" || pattern == "*") return true;
  std::size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
  auto eq = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || eq(pattern[p], name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

namespace {

// The answers given while nothing is installed: the headless defaults.
struct Defaults {
  HeadlessClipboard clipboard;
  HeadlessDialogs dialogs;
  HeadlessModalLoop modal;
  HeadlessApplication application;
  HeadlessDesktop desktop;
};

Defaults& Builtin() {
  static Defaults d;
  return d;
}

ServiceSet& Installed() {
  static ServiceSet s;
  return s;
}

}  // namespace

ServiceSet InstallServices(const ServiceSet& services) {
  ServiceSet previous = Installed();
  Installed() = services;
  return previous;
}

const ServiceSet& InstalledServices() { return Installed(); }

ClipboardService& Clipboard() {
  return Installed().clipboard ? *Installed().clipboard : Builtin().clipboard;
}
DialogService& Dialogs() { return Installed().dialogs ? *Installed().dialogs : Builtin().dialogs; }
ModalLoopService& ModalLoop() { return Installed().modal ? *Installed().modal : Builtin().modal; }
ApplicationService& Application() {
  return Installed().application ? *Installed().application : Builtin().application;
}
DesktopService& Desktop() { return Installed().desktop ? *Installed().desktop : Builtin().desktop; }

}  // namespace platform

namespace platform {

std::string ApplyDefaultExt(std::string_view fileName, std::string_view defaultExt) {
  std::string name(fileName);
  if (defaultExt.empty() || name.empty()) return name;
  std::size_t slash = name.find_last_of("/\\");
  std::string_view last = std::string_view(name).substr(slash == std::string::npos ? 0 : slash + 1);
  if (last.empty() || last.find('.') != std::string_view::npos) return name;
  if (defaultExt.front() == '.') defaultExt.remove_prefix(1);
  return name + "." + std::string(defaultExt);
}

}  // namespace platform
