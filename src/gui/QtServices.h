// The Qt implementations of the platform services.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Services.h"
#include "platform/System.h"

namespace gui {

class QtClipboard : public platform::ClipboardService {
 public:
  bool HasText() override;
  std::string Text() override;
  void SetText(std::string_view text) override;
  void SetHtml(std::string_view html, std::string_view plainText) override;
  bool HasPicture() override;
  std::shared_ptr<platform::Picture> GetPicture() override;
  void SetPicture(std::shared_ptr<platform::Picture> picture) override;
  void Clear() override;
};

class QtDialogs : public platform::DialogService {
 public:
  int MessageBox(std::string_view text, std::string_view caption, platform::MsgFlags flags) override;
  bool FileDialog(platform::FileDialogRequest& request) override;
  bool FontDialog(platform::FontInfo& font) override;
  bool ColorDialog(platform::TColor& color) override;
};

// A real nested event loop that runs until the form's modal result is set and accepted.
class QtModalLoop : public platform::ModalLoopService {
 public:
  void RunModal(platform::Form& form) override;
};

class QtApplication : public platform::ApplicationService {
 public:
  std::string Title() override { return title_; }
  void SetTitle(std::string_view title) override;
  std::string ProgramPath() override;
  std::string ProgramFolder() override;
  std::vector<std::string> Arguments() override;
  // Binds new forms and components, runs pending events, destroys released forms.
  void ProcessMessages() override;
  platform::RunState GetRunState() override { return state_; }
  void SetRunState(platform::RunState state) override;
  void Terminate() override;
  bool Terminated() override { return terminated_; }
  // The system locale's forms (QLocale).
  std::string LongTimeText(int hour, int minute, int second) override;
  std::string ShortDateText(int year, int month, int day) override;
  // The form's client widget as shown (below its menu bar), in its widget's pixels.
  std::shared_ptr<platform::Picture> GrabClientArea(platform::Form& form) override;
  platform::Rect ClientPixelRect(const platform::Component& component) override;

 private:
  std::string title_;
  platform::RunState state_ = platform::RunState::Idle;
  bool terminated_ = false;
  bool cursor_set_ = false;
};

// The Qt file filter ("Equilibrium (*.eql);;All (*.*)") of a "Description|*.eql|..." filter.
std::string QtFileFilter(std::string_view filter);

}  // namespace gui
