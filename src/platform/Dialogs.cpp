#include "platform/Dialogs.h"

namespace platform {

bool OpenDialog::Execute() {
  FileDialogRequest r = request_;
  r.Files.clear();
  if (!Dialogs().FileDialog(r)) return false;
  request_.FileName = r.FileName;
  request_.FilterIndex = r.FilterIndex;
  request_.Files = r.Files;
  if (request_.Files.empty() && !request_.FileName.empty()) request_.Files.push_back(request_.FileName);
  return true;
}

bool FontDialog::Execute() {
  FontInfo f = font_;
  if (!Dialogs().FontDialog(f)) return false;
  font_ = f;
  return true;
}

bool ColorDialog::Execute() {
  TColor c = color_;
  if (!Dialogs().ColorDialog(c)) return false;
  color_ = c;
  return true;
}

}  // namespace platform
