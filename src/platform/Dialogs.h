// Dialog components: their Execute() asks the dialog service and keeps the answer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Component.h"
#include "platform/Services.h"

namespace platform {

// Open and save dialogs. Filter in the "Description|*.ext|..." form; FilterIndex 1-based.
class OpenDialog : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "OpenDialog"; }
  // Runs the dialog; on OK FileName, Files and FilterIndex take the answer. Title, filter,
  // initial folder and options stay as they were.
  bool Execute();

  const std::string& FileName() const { return request_.FileName; }
  void SetFileName(std::string_view v) { request_.FileName = std::string(v); }
  const std::string& Filter() const { return request_.Filter; }
  void SetFilter(std::string_view v) { request_.Filter = std::string(v); }
  int FilterIndex() const { return request_.FilterIndex; }
  void SetFilterIndex(int i) { request_.FilterIndex = i; }
  const std::string& InitialDir() const { return request_.InitialDir; }
  void SetInitialDir(std::string_view v) { request_.InitialDir = std::string(v); }
  const std::string& Title() const { return request_.Title; }
  void SetTitle(std::string_view v) { request_.Title = std::string(v); }
  const std::string& DefaultExt() const { return request_.DefaultExt; }
  void SetDefaultExt(std::string_view v) { request_.DefaultExt = std::string(v); }
  OpenOptions Options() const { return request_.Options; }
  void SetOptions(OpenOptions o) { request_.Options = o; }
  const std::vector<std::string>& Files() const { return request_.Files; }

 protected:
  OpenDialog(Component* owner, std::string name, FileDialogKind kind)
      : Component(owner, std::move(name)) { request_.DialogKind = kind; }

 private:
  FileDialogRequest request_;
};

class SaveDialog : public OpenDialog {
 public:
  SaveDialog(Component* owner = nullptr, std::string name = {})
      : OpenDialog(owner, std::move(name), FileDialogKind::Save) {}
  const char* Kind() const override { return "SaveDialog"; }
};

class FontDialog : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "FontDialog"; }
  // The dialog starts from DialogFont(); on OK DialogFont() is the chosen font.
  bool Execute();
  const FontInfo& DialogFont() const { return font_; }
  void SetDialogFont(const FontInfo& f) { font_ = f; }

 private:
  FontInfo font_;
};

class ColorDialog : public Component {
 public:
  using Component::Component;
  const char* Kind() const override { return "ColorDialog"; }
  // The dialog starts from DialogColor(); on OK DialogColor() is the chosen colour.
  bool Execute();
  TColor DialogColor() const { return color_; }
  void SetDialogColor(TColor c) { color_ = c; }

 private:
  TColor color_ = clBlack;
};

}  // namespace platform
