#include "shared/Elements.h"

#include <algorithm>
#include <cctype>

#include "shared/AplMsg.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"

namespace quorel {

std::function<void()> ElementsAcceptedHook;
TElementsDlg* ElementsDlg = nullptr;

namespace {

constexpr int kCell = 24;       // button size and grid pitch
constexpr int kTableLeft = 8;
constexpr int kTableTop = 32;
constexpr int kUserRowTop1 = kTableTop + 11 * kCell;
constexpr int kUserRowTop2 = kUserRowTop1 + kCell;
constexpr platform::TColor kSelectedColor = platform::clRed;
constexpr platform::TColor kFreeColor = platform::clBlue;

// Column (1..18) and row (1..) of an element in the periodic table; the lanthanides and
// actinides stand in two rows below the table (rows 9 and 10); the electron takes the free
// place of period 1 in group 10.
void TablePlace(int z, int& col, int& row) {
  if (z == 0) { col = 10; row = 1; return; }
  if (z == 1) { col = 1; row = 1; return; }
  if (z == 2) { col = 18; row = 1; return; }
  struct Period { int first, last; };
  static const Period periods[] = {{3, 10}, {11, 18}, {19, 36}, {37, 54}, {55, 86}, {87, 118}};
  for (int p = 0; p < 6; ++p) {
    const int first = periods[p].first;
    if (z < first || z > periods[p].last) continue;
    row = p + 2;
    const int k = z - first;
    if (p < 2) {  // s and p block only
      col = k < 2 ? k + 1 : k + 11;
    } else if (p < 4) {
      col = k + 1;
    } else {
      const int fFirst = first + 2;  // La or Ac
      if (k < 2) col = k + 1;
      else if (z < fFirst + 15) { col = 3 + (z - fFirst); row = p == 4 ? 9 : 10; }
      else col = 4 + (z - fFirst - 15);
    }
    return;
  }
  col = 1;
  row = 1;
}

// Width of a user element's button by the length of its symbol.
int UserButtonWidth(const std::string& symbol) {
  if (symbol.size() < 3) return 24;
  if (symbol.size() <= 5) return 32;
  return 48;
}

// ", " at the end of a list text becomes ". " (for texts of more than 2 characters).
void CloseList(std::string& text) {
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ", ") == 0) text[text.size() - 2] = '.';
}

// Sorts a symbol list without regard to case; equal texts keep their order.
void SortSymbolList(std::vector<std::string>& list) {
  std::vector<std::size_t> order(list.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int cmp = platform::CompareTextNoCase(list[a], list[b]);
    return cmp != 0 ? cmp < 0 : a < b;
  });
  std::vector<std::string> sorted;
  sorted.reserve(list.size());
  for (std::size_t i : order) sorted.push_back(std::move(list[i]));
  list = std::move(sorted);
}

}  // namespace

TElementsDlg::TElementsDlg() : platform::Form(nullptr, "ElementsDlg") {
  using namespace platform;
  SetCaption("Elements");
  SetBorderStyle(BorderStyle::Single);
  SetPosition(FormPosition::ScreenCenter);
  SetBounds(0, 0, kTableLeft * 2 + 18 * kCell + 8, kUserRowTop2 + kCell + 48);
  SetKeyPreview(true);
  OnKeyDown = [this](Component*, int& key, ShiftState) {
    if (key == Key::Escape) {
      key = 0;
      Close();
    }
  };

  Label1 = Make<Label>(this, "Label1");
  Label1->SetCaption("El             Name");
  Label1->SetBounds(kTableLeft, 8, 200, 13);
  Label2 = Make<Label>(this, "Label2");
  Label2->SetCaption("n");
  Label2->SetBounds(kTableLeft + 224, 8, 40, 13);
  Label3 = Make<Label>(this, "Label3");
  Label3->SetCaption("mw");
  Label3->SetBounds(kTableLeft + 280, 8, 80, 13);

  FontInfo font;
  font.Bold = true;
  font.Color = kFreeColor;
  for (int n = 0; n < kButtonCount; ++n) {
    auto* b = Make<BitBtn>(this, "BitBtn" + std::to_string(n));
    b->SetTag(n);
    b->SetFont(font);
    b->SetParentFont(false);
    if (n <= 105) {
      int col = 1, row = 1;
      TablePlace(n, col, row);
      b->SetBounds(kTableLeft + (col - 1) * kCell, kTableTop + (row - 1) * kCell, kCell, kCell);
      b->SetCaption(ElementSymbol(n));
    } else {
      const int top = n <= 118 ? kUserRowTop1 : kUserRowTop2;
      const int k = n <= 118 ? n - 106 : n - 119;
      b->SetBounds(kTableLeft + k * kCell, top, kCell, kCell);
      b->SetVisible(false);
    }
    b->OnClick = [this, b](Component*) { BitBtnNClick(b); };
  }

  const int buttonTop = kUserRowTop2 + kCell + 12;
  BtnAccept = Make<Button>(this, "BtnAccept");
  BtnAccept->SetCaption("Accept");
  BtnAccept->SetBounds(kTableLeft + 10 * kCell, buttonTop, 75, 25);
  BtnAccept->OnClick = [this](Component*) { ButtonOKClick(); };
  BtnClose = Make<Button>(this, "BtnClose");
  BtnClose->SetCaption("Close");
  BtnClose->SetBounds(kTableLeft + 14 * kCell, buttonTop, 75, 25);
  BtnClose->OnClick = [this](Component*) { ButtonCancelClick(); };

  OnCreate = [this](Component*) { FormCreate(); };
  ElementsDlg = this;
  DoCreate();
}

TElementsDlg::~TElementsDlg() {
  if (ElementsDlg == this) ElementsDlg = nullptr;
}

void TElementsDlg::FormCreate() {
  buttons_.fill(nullptr);
  const int count = ComponentCount();
  for (int i = 0; i < count; ++i) {
    auto* b = dynamic_cast<platform::BitBtn*>(Components(i));
    if (b == nullptr) continue;
    const std::string& name = b->Name();
    if (name.size() <= 6 || name.compare(0, 6, "BitBtn") != 0) continue;
    const std::string digits = name.substr(6);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }) ||
        digits.size() > 3) {
      continue;
    }
    const int n = std::stoi(digits);
    if (n < count && n < kSlots) buttons_[static_cast<std::size_t>(n)] = b;
  }
  selection_.fill(0);
  SelectedElements.clear();
  ElementsAcceptedHook = nullptr;
}

platform::BitBtn* TElementsDlg::ElementButton(int index) const {
  if (index < 0 || index >= kSlots) return nullptr;
  return buttons_[static_cast<std::size_t>(index)];
}

bool TElementsDlg::Selected(int index) const {
  return index >= 0 && index < kSlots && selection_[static_cast<std::size_t>(index)] != 0;
}

void TElementsDlg::SetSelected(int index, bool selected) {
  if (index >= 0 && index < kSlots) selection_[static_cast<std::size_t>(index)] = selected ? 1 : 0;
}

bool TElementsDlg::ButtonMarked(const platform::Component& button) {
  return button.Font().Color == kSelectedColor;
}

void TElementsDlg::SetMarked(platform::BitBtn* button, bool marked) {
  platform::FontInfo font = button->Font();
  font.Color = marked ? kSelectedColor : kFreeColor;
  button->SetFont(font);
}

void TElementsDlg::ShowElementButtons() {
  const int last = LastElementIndex();
  highestShown_ = std::max(highestShown_, last);
  platform::BitBtn* previous = nullptr;
  for (int i = 0; i < kSlots; ++i) {
    platform::BitBtn* b = buttons_[static_cast<std::size_t>(i)];
    if (b == nullptr) continue;
    if (i > last) {
      // No element behind it (any more): a button that cannot be chosen is not shown.
      b->SetVisible(false);
      if (ButtonMarked(*b)) SetMarked(b, false);
      selection_[static_cast<std::size_t>(i)] = 0;
      continue;
    }
    const std::string symbol = ElementSymbol(i);
    b->SetVisible(true);
    b->SetCaption(symbol);
    b->SetHint(ElementName(i));
    b->SetShowHint(true);
    if (i > 105) {
      const int width = UserButtonWidth(symbol);
      const bool rowStart = i == 106 || i == 119;
      const int left = rowStart || previous == nullptr ? kTableLeft
                                                       : previous->Left() + previous->Width();
      b->SetBounds(left, b->Top(), width, b->Height());
      previous = b;
    }
  }
}

void TElementsDlg::CollectSelectedElements() {
  SelectedElements.clear();
  for (platform::BitBtn* b : buttons_) {
    if (b == nullptr) continue;
    const bool selected = Selected(b->Tag());
    SetMarked(b, selected);
    if (selected) SelectedElements.push_back(b->Caption() + " ");
  }
  SortSymbolList(SelectedElements);
}

void TElementsDlg::BitBtnNClick(platform::BitBtn* button) {
  if (button == nullptr) return;
  SetMarked(button, !ButtonMarked(*button));
  const int index = button->Tag();
  if (index > LastElementIndex() || index < 0) {
    Label2->SetCaption("-");
    Label1->SetCaption("Error");
    Label3->SetCaption("-");
    return;
  }
  Label1->SetCaption(ElementSymbol(index) + "           " + ElementName(index));
  Label2->SetCaption(std::to_string(AtomicNumber(index)));
  Label3->SetCaption(FloatToShortText(AtomicWeight(index)));
}

void TElementsDlg::ApplyElementSelection() {
  int count = 0;
  selectionText_.clear();
  deselectedText_.clear();
  addedText_.clear();
  SelectedElements.clear();
  for (platform::BitBtn* b : buttons_) {
    if (b == nullptr || b->Tag() < 0 || b->Tag() >= kSlots) continue;
    // A button without an element behind it (its table entry went) is never selected.
    const bool exists = b->Tag() <= LastElementIndex();
    if (!exists && ButtonMarked(*b)) SetMarked(b, false);
    const bool red = exists && ButtonMarked(*b);
    unsigned char& byte = selection_[static_cast<std::size_t>(b->Tag())];
    if (!red && byte == 1) deselectedText_ += b->Caption() + ", ";
    if (red && byte == 0) addedText_ += b->Caption() + ", ";
    byte = red ? 1 : 0;
    if (red) {
      ++count;
      selectionText_ += b->Caption() + ", ";
      SelectedElements.push_back(b->Caption() + " ");
    }
  }
  CloseList(selectionText_);
  CloseList(deselectedText_);
  CloseList(addedText_);
  if (!deselectedText_.empty()) {
    PostLogMessage(LevelInfo, 225, "Elements deselected: " + deselectedText_);
    if (!addedText_.empty()) PostLogMessage(LevelInfo, 230, "Elements added: " + addedText_);
  }
  if (count > 0) PostLogMessage(LevelInfo, 234, "Elements Selection: " + selectionText_);
  SortSymbolList(SelectedElements);
}

void TElementsDlg::ButtonOKClick() {
  ApplyElementSelection();
  if (ElementsAcceptedHook) ElementsAcceptedHook();
}

void TElementsDlg::ButtonCancelClick() { Close(); }

}  // namespace quorel
