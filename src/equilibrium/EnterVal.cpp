#include "equilibrium/EnterVal.h"

#include "equilibrium/Phase.h"

namespace quorel {

using namespace platform;

TEnterValDlg* EnterValDlg = nullptr;

TEnterValDlg::TEnterValDlg() : Form(nullptr, "EnterValDlg") {
  SetCaption("Enter Value");
  SetBorderStyle(BorderStyle::Dialog);
  SetPosition(FormPosition::ScreenCenter);
  SetBounds(0, 0, 320, 128);
  SetKeyPreview(true);

  LabelVarName = Make<Label>(this, "LabelVarName");
  LabelVarName->SetBounds(24, 12, 272, 16);
  CBEditVal = Make<ComboBox>(this, "CBEditVal");
  CBEditVal->SetStyle(ComboStyle::DropDownList);
  CBEditVal->SetSorted(true);
  CBEditVal->SetBounds(24, 32, 272, 21);
  ButtonOK = Make<Button>(this, "ButtonOK");
  ButtonOK->SetCaption("OK");
  ButtonOK->SetTag(1);
  ButtonOK->SetBounds(77, 68, 75, 25);
  ButtonCancel = Make<Button>(this, "ButtonCancel");
  ButtonCancel->SetCaption("Cancel");
  ButtonCancel->SetTag(0);
  ButtonCancel->SetBounds(168, 68, 75, 25);

  ButtonOK->OnClick = [this](Component* sender) { ButtonClick(sender); };
  ButtonCancel->OnClick = [this](Component* sender) { ButtonClick(sender); };
  OnKeyDown = [this](Component*, int& key, ShiftState) { FormKeyDown(key); };
  OnResize = [this](Component*) { FormResize(); };
  SetActiveControl(CBEditVal);
  EnterValDlg = this;
}

TEnterValDlg::~TEnterValDlg() {
  if (EnterValDlg == this) EnterValDlg = nullptr;
}

void TEnterValDlg::ButtonClick(Component* sender) {
  Accepted = sender && sender->Tag() == 1;
  if (Modal()) SetModalResult(Accepted ? mrOk : mrCancel);
  else Hide();
}

void TEnterValDlg::FormKeyDown(int& key) {
  if (key == Key::Enter) {
    key = 0;
    ButtonOK->Click();
  } else if (key == Key::Escape) {
    key = 0;
    ButtonCancel->Click();
  }
}

void TEnterValDlg::FormResize() {
  const int w = ClientWidth();
  ButtonOK->SetLeft(w / 2 - ButtonOK->Width() - 8);
  ButtonCancel->SetLeft(w / 2 + 8);
  CBEditVal->SetWidth(w - 48);
}

int TEnterValDlg::PickFromList(const std::string& caption, const std::string& label,
                               const std::vector<std::string>& items) {
  if (items.empty()) return -1;
  SetCaption(caption);
  LabelVarName->SetCaption(label);
  CBEditVal->SetSorted(false);
  CBEditVal->Items().Assign(items);
  CBEditVal->SetItemIndex(0);
  SetActiveControl(CBEditVal);
  Accepted = false;
  ShowModal();
  const int chosen = CBEditVal->ItemIndex();
  if (!Accepted || chosen < 0 || chosen >= int(items.size())) return -1;
  return chosen;
}

void InstallValueEntryHooks() {
  PickListHook = [](const std::string& caption, const std::string& label, const std::vector<std::string>& items) {
    return EnterValDlg ? EnterValDlg->PickFromList(caption, label, items) : -1;
  };
}

}  // namespace quorel
