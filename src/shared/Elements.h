// The element picker "Elements": a periodic table of buttons from which the user chooses the
// elements of the system. Its result, SelectedElements, restricts which database substances
// the selection dialogs offer (MadeOfSelectedElements). Selected elements are shown in red,
// the others in blue; a click toggles a button and shows its symbol, name, atomic number and
// weight; Accept takes the buttons into the selection and reports what changed.
//
// Buttons: BitBtn0 (the electron) and BitBtn1..BitBtn105 laid out as a periodic table,
// BitBtn106..BitBtn131 in two rows for the elements the reference file defines (106-118 and
// 119-131). Each button's Tag is its element index.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Components.h"

namespace quorel {

// Called after Accept when set; cleared when the picker is created.
extern std::function<void()> ElementsAcceptedHook;

class TElementsDlg : public platform::Form {
 public:
  static constexpr int kButtonCount = 132;
  static constexpr int kSlots = 256;

  TElementsDlg();
  ~TElementsDlg() override;

  platform::Label* Label1 = nullptr;
  platform::Label* Label2 = nullptr;
  platform::Label* Label3 = nullptr;
  platform::Button* BtnAccept = nullptr;
  platform::Button* BtnClose = nullptr;

  // The selected symbols, each followed by one blank, sorted without regard to case.
  std::vector<std::string> SelectedElements;

  // Builds the button table from the component names ("BitBtn" + n), clears the selection and
  // the list, clears ElementsAcceptedHook.
  void FormCreate();
  // Shows and labels the buttons up to LastElementIndex (buttons of elements that do not
  // exist are hidden); places the user elements' buttons.
  void ShowElementButtons();
  // Colours every button from the selection and rebuilds SelectedElements.
  void CollectSelectedElements();
  // Toggles a button and shows its element's data.
  void BitBtnNClick(platform::BitBtn* button);
  // Accept: ApplyElementSelection, then ElementsAcceptedHook when set.
  void ButtonOKClick();
  // Close.
  void ButtonCancelClick();
  // Takes the button colours into the selection and posts what changed (level 6: IDs 225
  // deselected, 230 added, 234 the selection).
  void ApplyElementSelection();

  // The button of an element index (nullptr when there is none).
  platform::BitBtn* ElementButton(int index) const;
  // Whether an element is in the accepted selection.
  bool Selected(int index) const;
  // Marks an element selected or not without touching the buttons (CollectSelectedElements
  // shows it).
  void SetSelected(int index, bool selected);
  // A button is selected (red) now, before Accept.
  static bool ButtonMarked(const platform::Component& button);

  // The texts of the last Accept: the selection, the deselected and the added elements.
  const std::string& SelectionText() const { return selectionText_; }
  const std::string& DeselectedText() const { return deselectedText_; }
  const std::string& AddedText() const { return addedText_; }

 private:
  void SetMarked(platform::BitBtn* button, bool marked);

  std::array<platform::BitBtn*, kSlots> buttons_{};
  std::array<unsigned char, kSlots> selection_{};
  int highestShown_ = -1;
  std::string selectionText_, deselectedText_, addedText_;
};

extern TElementsDlg* ElementsDlg;

}  // namespace quorel
