// Headless implementations of every service, for tests and for running without a display.
// A test queues the answers a user would give and reads back what was asked:
//
//   platform::HeadlessSession s;                 // installs the set, restores the old one
//   s.dialogs.QueueMessageAnswer(platform::mrYes);
//   s.dialogs.QueueFileName("/tmp/x/new.eql");
//   s.modal.QueueModal([](platform::Form& f) { ...fill...; f.SetModalResult(platform::mrOk); });
//   s.application.AtPump(3, [&] { BtnCalc->Click(); });  // press a button during a solve
//   ... run the window ...
//   EXPECT_EQ(s.dialogs.messages.back().caption, "Table");
//
// An unanswered question gets the default answer (message box: its default button; dialogs:
// cancel; modal forms: mrCancel) and is counted in `unanswered`.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Services.h"

namespace platform {

class HeadlessClipboard : public ClipboardService {
 public:
  bool HasText() override { return has_text; }
  std::string Text() override { return has_text ? text : std::string(); }
  void SetText(std::string_view t) override;
  void SetHtml(std::string_view html, std::string_view plainText) override;
  bool HasPicture() override { return picture != nullptr; }
  std::shared_ptr<Picture> GetPicture() override { return picture; }
  void SetPicture(std::shared_ptr<Picture> p) override;
  void Clear() override;

  // The content (a test may also set it directly to "copy" something).
  bool has_text = false;
  std::string text;
  std::string html;  // the last HTML put (empty when plain text was put after it)
  std::shared_ptr<Picture> picture;
  int writes = 0;  // number of Set... calls
};

class HeadlessDialogs : public DialogService {
 public:
  int MessageBox(std::string_view text, std::string_view caption, MsgFlags flags) override;
  bool FileDialog(FileDialogRequest& request) override;
  bool FontDialog(FontInfo& font) override;
  bool ColorDialog(TColor& color) override;

  // --- answers, used first in first out ---
  void QueueMessageAnswer(int answer) { message_answers.push_back(answer); }
  // A file dialog accepted with this name (filterIndex 0: keep the request's index).
  void QueueFileName(std::string fileName, int filterIndex = 0);
  void QueueFileNames(std::vector<std::string> files, int filterIndex = 0);
  void QueueFileCancel();
  void QueueFont(const FontInfo& font);
  void QueueFontCancel();
  void QueueColor(TColor color);
  void QueueColorCancel();

  // --- what was asked ---
  struct MessageCall {
    std::string text, caption;
    MsgFlags flags = 0;
    int answer = 0;
  };
  std::vector<MessageCall> messages;
  std::vector<FileDialogRequest> file_requests;  // as asked (before the answer)
  std::vector<FontInfo> font_requests;
  std::vector<TColor> color_requests;
  int unanswered = 0;

  struct FileAnswer {
    bool accept = false;
    std::vector<std::string> files;
    int filter_index = 0;
  };
  struct FontAnswer {
    bool accept = false;
    FontInfo font;
  };
  struct ColorAnswer {
    bool accept = false;
    TColor color = 0;
  };
  std::deque<int> message_answers;
  std::deque<FileAnswer> file_answers;
  std::deque<FontAnswer> font_answers;
  std::deque<ColorAnswer> color_answers;
};

// Runs a queued handler for each modal form: the handler plays the user (fills the form,
// clicks OK or sets ModalResult). When a handler leaves no result, the next handler is used;
// without one the form gets mrCancel. A vetoed end (TryEndModal false) also goes on with the
// next handler, and after that is forced to end.
class HeadlessModalLoop : public ModalLoopService {
 public:
  void RunModal(Form& form) override;
  void QueueModal(std::function<void(Form&)> handler) { handlers.push_back(std::move(handler)); }

  std::deque<std::function<void(Form&)>> handlers;
  std::vector<std::string> shown;  // the name of every form run modally, in order
  std::vector<int> results;        // the modal result each ended with
  int unanswered = 0;
  int depth = 0;  // current nesting of modal runs
};

class HeadlessApplication : public ApplicationService {
 public:
  std::string Title() override { return title; }
  void SetTitle(std::string_view t) override { title = std::string(t); }
  std::string ProgramPath() override { return program_path; }
  std::string ProgramFolder() override;
  std::vector<std::string> Arguments() override { return arguments; }
  // Counts the call, runs the pump callbacks that are due, then destroys released forms.
  void ProcessMessages() override;
  RunState GetRunState() override { return run_state; }
  void SetRunState(RunState s) override;
  void Terminate() override { terminated = true; }
  bool Terminated() override { return terminated; }

  // Runs fn once, on the n-th ProcessMessages call from now (n >= 1).
  void AtPump(int n, std::function<void()> fn);
  // Runs fn on every ProcessMessages call with the total count so far.
  std::function<void(int count)> on_pump;

  std::string title;
  std::string program_path = "/usr/local/bin/quorel";
  std::vector<std::string> arguments;
  RunState run_state = RunState::Idle;
  std::vector<RunState> run_states;  // every state set, in order
  bool terminated = false;
  int pumps = 0;

 private:
  struct Due {
    int at;
    std::function<void()> fn;
  };
  std::vector<Due> due_;
};

class HeadlessDesktop : public DesktopService {
 public:
  bool ShellOpen(std::string_view target) override {
    opened.emplace_back(target);
    return open_result;
  }
  std::string DocumentsFolder() override { return documents_folder; }

  std::vector<std::string> opened;  // every target asked for
  bool open_result = true;
  std::string documents_folder = "/tmp";
};

// Installs a complete headless set for its lifetime and restores the previous set after.
class HeadlessSession {
 public:
  HeadlessSession();
  ~HeadlessSession();
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

  HeadlessClipboard clipboard;
  HeadlessDialogs dialogs;
  HeadlessModalLoop modal;
  HeadlessApplication application;
  HeadlessDesktop desktop;

  // Nothing was left unanswered (message boxes, dialogs, modal forms).
  bool AllAnswered() const {
    return dialogs.unanswered == 0 && modal.unanswered == 0;
  }
  // Every queued answer and modal handler was used.
  bool AllUsed() const {
    return dialogs.message_answers.empty() && dialogs.file_answers.empty() &&
           dialogs.font_answers.empty() && dialogs.color_answers.empty() && modal.handlers.empty();
  }

 private:
  ServiceSet previous_;
};

}  // namespace platform
