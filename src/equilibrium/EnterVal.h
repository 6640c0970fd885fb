// The value entry dialog "Enter Value" of Orvanto: a label and a drop-down list of values, with
// OK and Cancel. The caller sets the caption, the label and the items, shows the dialog modally
// and reads the accepted flag and the chosen item afterwards. The phase window's import uses it
// as a pick list (PickListHook) to choose one of several phase sections of a system file.
#pragma once

#include <string>
#include <vector>

#include "platform/Components.h"

namespace quorel {

class TEnterValDlg : public platform::Form {
 public:
  TEnterValDlg();
  ~TEnterValDlg() override;

  // --- components ---
  platform::Label* LabelVarName = nullptr;
  platform::ComboBox* CBEditVal = nullptr;  // sorted unless a caller says otherwise
  platform::Button* ButtonOK = nullptr;      // tag 1
  platform::Button* ButtonCancel = nullptr;  // tag 0

  // --- state ---
  bool Accepted = false;

  // OK and Cancel: the accepted flag is (the button's tag = 1), then the dialog closes.
  void ButtonClick(platform::Component* sender);
  // Enter acts as OK and Escape as Cancel, in the dialog and in its controls.
  void FormKeyDown(int& key);
  void FormResize();

  // The pick list: caption, label and the items in the caller's order (unsorted, the first
  // one chosen); the index of the chosen item, or -1 when the dialog was cancelled.
  int PickFromList(const std::string& caption, const std::string& label, const std::vector<std::string>& items);
};

extern TEnterValDlg* EnterValDlg;

// Binds the dialog to the phase window's import (PickListHook).
void InstallValueEntryHooks();

}  // namespace quorel
