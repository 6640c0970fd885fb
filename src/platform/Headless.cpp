#include "platform/Headless.h"

#include <algorithm>
#include <utility>

#include "platform/Controls.h"
#include "platform/Form.h"

namespace platform {

// --- clipboard ---

void HeadlessClipboard::SetText(std::string_view t) {
  has_text = true;
  text = std::string(t);
  html.clear();
  picture.reset();
  ++writes;
}

void HeadlessClipboard::SetHtml(std::string_view h, std::string_view plainText) {
  has_text = true;
  text = std::string(plainText);
  html = std::string(h);
  picture.reset();
  ++writes;
}

void HeadlessClipboard::SetPicture(std::shared_ptr<Picture> p) {
  has_text = false;
  text.clear();
  html.clear();
  picture = std::move(p);
  ++writes;
}

void HeadlessClipboard::Clear() {
  has_text = false;
  text.clear();
  html.clear();
  picture.reset();
}

// --- dialogs ---

namespace {

// Takes the next queued answer; an empty queue counts as one more unanswered question.
template <class Answer>
bool TakeAnswer(std::deque<Answer>& answers, int& unanswered, Answer& answer) {
  if (answers.empty()) {
    ++unanswered;
    return false;
  }
  answer = std::move(answers.front());
  answers.pop_front();
  return true;
}

}  // namespace

int HeadlessDialogs::MessageBox(std::string_view text, std::string_view caption, MsgFlags flags) {
  int answer = 0;
  if (!TakeAnswer(message_answers, unanswered, answer)) answer = MsgDefaultAnswer(flags);
  messages.push_back(MessageCall{std::string(text), std::string(caption), flags, answer});
  return answer;
}

void HeadlessDialogs::QueueFileName(std::string fileName, int filterIndex) {
  file_answers.push_back(FileAnswer{true, {std::move(fileName)}, filterIndex});
}

void HeadlessDialogs::QueueFileNames(std::vector<std::string> files, int filterIndex) {
  file_answers.push_back(FileAnswer{true, std::move(files), filterIndex});
}

void HeadlessDialogs::QueueFileCancel() { file_answers.push_back(FileAnswer{}); }

bool HeadlessDialogs::FileDialog(FileDialogRequest& request) {
  file_requests.push_back(request);
  FileAnswer a;
  if (!TakeAnswer(file_answers, unanswered, a) || !a.accept || a.files.empty()) return false;
  request.Files.clear();
  for (const auto& f : a.files) request.Files.push_back(ApplyDefaultExt(f, request.DefaultExt));
  request.FileName = request.Files.front();
  if (a.filter_index > 0) request.FilterIndex = a.filter_index;
  return true;
}

void HeadlessDialogs::QueueFont(const FontInfo& font) { font_answers.push_back(FontAnswer{true, font}); }
void HeadlessDialogs::QueueFontCancel() { font_answers.push_back(FontAnswer{}); }

bool HeadlessDialogs::FontDialog(FontInfo& font) {
  font_requests.push_back(font);
  FontAnswer a;
  if (!TakeAnswer(font_answers, unanswered, a) || !a.accept) return false;
  font = a.font;
  return true;
}

void HeadlessDialogs::QueueColor(TColor color) { color_answers.push_back(ColorAnswer{true, color}); }
void HeadlessDialogs::QueueColorCancel() { color_answers.push_back(ColorAnswer{}); }

bool HeadlessDialogs::ColorDialog(TColor& color) {
  color_requests.push_back(color);
  ColorAnswer a;
  if (!TakeAnswer(color_answers, unanswered, a) || !a.accept) return false;
  color = a.color;
  return true;
}

// --- modal loop ---

void HeadlessModalLoop::RunModal(Form& form) {
  shown.push_back(form.Name());
  ++depth;
  for (int round = 0;; ++round) {
    if (form.GetModalResult() == mrNone) {
      std::function<void(Form&)> handler;
      if (TakeAnswer(handlers, unanswered, handler)) {
        if (handler) handler(form);
      } else {
        form.SetModalResult(mrCancel);
      }
    }
    if (form.GetModalResult() != mrNone && form.TryEndModal()) break;
    // A form that refuses to end while no handler is left would never end: stop it.
    if (round >= 16 && handlers.empty()) {
      if (form.GetModalResult() == mrNone) form.SetModalResult(mrCancel);
      break;
    }
  }
  results.push_back(form.GetModalResult());
  --depth;
}

// --- application ---

std::string HeadlessApplication::ProgramFolder() {
  std::size_t slash = program_path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return program_path.substr(0, slash);
}

void HeadlessApplication::ProcessMessages() {
  ++pumps;
  std::vector<std::function<void()>> now;
  for (auto it = due_.begin(); it != due_.end();) {
    if (it->at <= pumps) {
      now.push_back(std::move(it->fn));
      it = due_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& fn : now)
    if (fn) fn();
  if (on_pump) on_pump(pumps);
  Screen::ProcessReleases();
}

void HeadlessApplication::SetRunState(RunState s) {
  run_state = s;
  run_states.push_back(s);
}

void HeadlessApplication::AtPump(int n, std::function<void()> fn) {
  due_.push_back(Due{pumps + std::max(1, n), std::move(fn)});
}

// --- session ---

HeadlessSession::HeadlessSession()
    : previous_(InstallServices(ServiceSet{&clipboard, &dialogs, &modal, &application, &desktop})) {}

HeadlessSession::~HeadlessSession() { InstallServices(previous_); }

}  // namespace platform
