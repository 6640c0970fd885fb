#include "records_charts/SearchDs.h"

#include <algorithm>
#include <cmath>

#include "platform/Canvas.h"
#include "platform/Picture.h"
#include "records_charts/TablOprt.h"
#include "shared/AplMsg.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

TSearchDsDlg* SearchDsDlg = nullptr;

namespace {

constexpr int kGroupWidth = 240;

// A number as the programs read one: "," or "." as decimal separator, blanks trimmed. False
// for a text that is no number (TextToDouble would give 0 for it).
bool ReadNumber(std::string_view text, double& value) {
  value = TextToDouble(text);
  if (value != 0) return true;
  long double check = 0;
  return TryTextToFloat(text, check) && check == 0;
}

// The mark of the searched field: a small blue triangle pointing right.
std::shared_ptr<Picture> FieldMark() {
  auto picture = std::make_shared<Picture>(16, 16);
  Canvas& c = picture->GetCanvas();
  c.Brush.Color = RGB(0, 96, 224);
  for (int x = 4; x < 12; ++x) {
    const int half = (12 - x) * 5 / 8;
    c.FillRect(x, 8 - half, x + 1, 8 + half + 1);
  }
  return picture;
}

}  // namespace

std::string SearchFieldName(std::string_view title) {
  std::string name = Trim(title);
  if (name.starts_with("T [") || name.starts_with("T[")) return "T";
  if (name.starts_with("1/T") || name.starts_with("1/(T")) return "1/T";
  return name;
}

// ---------------------------------------------------------------------------------------------

TSearchDsDlg::TSearchDsDlg(Component* owner) : Form(owner, "SearchDsDlg") {
  SearchDsDlg = this;
  SetCaption("Search");
  SetPosition(FormPosition::DesktopCenter);
  SetBounds(0, 0, 520, 300);
  SetKeyPreview(true);

  Panel1 = Make<Panel>(this, "Panel1");
  Panel1->SetAlign(Align::Bottom);
  Panel1->SetBevelOuter(BevelStyle::None);
  Panel1->SetBounds(0, 259, 520, 41);
  ButtonExit = Make<Button>(Panel1, "ButtonExit");
  ButtonExit->SetCaption("Close");
  ButtonExit->SetBounds(222, 8, 75, 25);

  GBSearch = Make<GroupBox>(this, "GBSearch");
  GBSearch->SetCaption("Search for");
  GBSearch->SetAlign(Align::Left);
  GBSearch->SetBounds(0, 0, kGroupWidth, 259);
  LabelField = Make<Label>(GBSearch, "LabelField");
  LabelField->SetCaption("Field");
  LabelField->SetBounds(8, 20, 32, 13);
  CBFields = Make<ComboBox>(GBSearch, "CBFields");
  CBFields->SetStyle(ComboStyle::DropDownList);
  CBFields->SetBounds(48, 16, kGroupWidth - 96, 21);
  RBMin = Make<RadioButton>(GBSearch, "RBMin");
  RBMin->SetCaption("Min");
  RBMin->SetBounds(8, 48, 120, 17);
  RBMin->SetChecked(true);
  RBMax = Make<RadioButton>(GBSearch, "RBMax");
  RBMax->SetCaption("Max");
  RBMax->SetBounds(8, 68, 120, 17);
  RBRestrictiv = Make<RadioButton>(GBSearch, "RBRestrictiv");
  RBRestrictiv->SetCaption("Find next in Range");
  RBRestrictiv->SetBounds(8, 88, 160, 17);
  Label1 = Make<Label>(GBSearch, "Label1");
  Label1->SetCaption("From");
  Label1->SetBounds(8, 116, 28, 13);
  EditMin = Make<Edit>(GBSearch, "EditMin");
  EditMin->SetText("0");
  Label2 = Make<Label>(GBSearch, "Label2");
  Label2->SetCaption("To");
  Label2->SetBounds(kGroupWidth / 2, 116, 20, 13);
  EditMax = Make<Edit>(GBSearch, "EditMax");
  EditMax->SetText("");
  CBAbs = Make<CheckBox>(GBSearch, "CBAbs");
  CBAbs->SetCaption("Abs. Values");
  CBAbs->SetBounds(8, 144, 120, 17);
  ButtonFind = Make<Button>(GBSearch, "ButtonFind");
  ButtonFind->SetCaption("Find");
  ButtonFind->SetBounds(8, 172, 75, 25);

  Splitter1 = Make<Splitter>(this, "Splitter1");
  Splitter1->SetAlign(Align::Left);
  Splitter1->SetBounds(kGroupWidth, 0, 3, 259);

  ImageList1 = Make<ImageList>(this, "ImageList1");
  ImageList1->Add(FieldMark());
  ListView1 = Make<ListView>(this, "ListView1");
  ListView1->SetAlign(Align::Client);
  ListView1->SetBounds(kGroupWidth + 3, 0, 520 - kGroupWidth - 3, 259);
  ListView1->SetStyle(ViewStyle::Report);
  ListView1->SetReadOnly(true);
  ListView1->SetRowSelect(true);
  ListView1->AddColumn("Fields", 128);
  ListView1->AddColumn("Data", 128);
  ListView1->SetSmallImages(ImageList1);

  Splitter1Moved();

  ButtonFind->OnClick = [this](Component*) { Find(); };
  ButtonExit->OnClick = [this](Component*) { ExitClick(); };
  ListView1->OnSelectItem = [this](Component*, ListItem* item, bool selected) {
    ListView1SelectItem(item, selected);
  };
  Splitter1->OnMoved = [this](Component*) { Splitter1Moved(); };
  OnResize = [this](Component*) { FormResize(); };
  // Enter finds and Esc closes, whichever control has the focus.
  OnKeyDown = [this](Component*, int& key, ShiftState) {
    if (key == Key::Enter) {
      key = 0;
      Find();
    } else if (key == Key::Escape) {
      key = 0;
      ExitClick();
    }
  };
}

TSearchDsDlg::~TSearchDsDlg() {
  if (SearchDsDlg == this) SearchDsDlg = nullptr;
}

void TSearchDsDlg::Forget(const Component* dying) {
  Form::Forget(dying);
  if (dying == grid_) {
    grid_ = nullptr;
    lastFound_ = 0;
  }
}

void TSearchDsDlg::SetSearchGrid(StringGrid& grid) {
  grid_ = &grid;
  lastFound_ = 0;
  CBFields->Items().Clear();
  for (int c = 0; c < grid.ColCount(); ++c) CBFields->Items().Add(SearchFieldName(grid.Cells(c, 0)));
  CBFields->SetItemIndex(grid.ColCount() >= 2 ? 1 : -1);
  FillListView();
}

void TSearchDsDlg::FillListView() {
  const bool wasSearching = searching_;
  searching_ = true;  // the rebuild's selection changes are no user choice
  ListView1->Clear();
  if (grid_) {
    const int field = CBFields->ItemIndex();
    for (int c = 0; c < grid_->ColCount(); ++c) {
      ListItem* item = ListView1->Add();
      item->SetCaption(grid_->Cells(c, 0));
      item->SetSubItem(0, "");
      item->SetImageIndex(c == field ? 0 : -1);
    }
  }
  searching_ = wasSearching;
}

int TSearchDsDlg::SearchRecords() {
  if (!grid_) return 0;
  const StringGrid& g = *grid_;
  const bool range = RBRestrictiv->Checked();
  int start = range ? lastFound_ + 1 : 1;
  if (start < 0 || start >= g.RowCount()) start = 1;

  // The bounds; one that is given but is no number stops the search.
  double from = 0, to = 0;
  const std::string fromText = Trim(EditMin->Text());
  const std::string toText = Trim(EditMax->Text());
  const bool hasFrom = !fromText.empty(), hasTo = !toText.empty();
  if (range) {
    bool readable = true;
    if (hasFrom && !ReadNumber(fromText, from)) {
      PostLogMessage(LevelError, SearchBoundUnreadableId, "Search: From \"" + fromText + "\" is not a number");
      readable = false;
    }
    if (hasTo && !ReadNumber(toText, to)) {
      PostLogMessage(LevelError, SearchBoundUnreadableId, "Search: To \"" + toText + "\" is not a number");
      readable = false;
    }
    if (!readable || (!hasFrom && !hasTo)) return 0;
    // A walk that found the last record ends there; the press after the end starts again.
    if (lastFound_ >= 1 && lastFound_ == g.RowCount() - 1) return 0;
  }

  const int field = CBFields->ItemIndex();
  if (field < 0 || field >= g.ColCount()) return 0;
  const bool absolute = CBAbs->Checked();
  bool seen = false;
  double minValue = 0, maxValue = 0;
  int minRow = 0, maxRow = 0;
  for (int r = start; r < g.RowCount(); ++r) {
    const std::string cell = Trim(g.Cells(field, r));
    double v = 0;
    if (cell.empty() || !ReadNumber(cell, v)) continue;  // empty cells and texts take no part
    if (absolute) v = std::fabs(v);
    if (!seen) {
      seen = true;
      minValue = maxValue = v;
      minRow = maxRow = r;
    } else {
      if (v > maxValue) {
        maxValue = v;
        maxRow = r;
      }
      if (v < minValue) {
        minValue = v;
        minRow = r;
      }
    }
    if (range && (!hasFrom || v >= from) && (!hasTo || v <= to)) return r;
  }
  if (range) return 0;
  return RBMax->Checked() ? maxRow : minRow;
}

void TSearchDsDlg::Find() {
  if (!grid_) return;
  searching_ = true;
  const int found = SearchRecords();
  lastFound_ = found;
  FillListView();
  StringGrid& g = *grid_;
  if (found >= 1 && found < g.RowCount()) {
    for (int c = 0; c < g.ColCount() && c < ListView1->Count(); ++c)
      ListView1->Items(c)->SetSubItem(0, g.Cells(c, found));
    ScrollToRow(found);
    g.SetSelection({0, found, g.ColCount() - 1, found});
  }
  searching_ = false;
}

// The found row moves to the top of the view, or to its bottom when it lies below the view.
void TSearchDsDlg::ScrollToRow(int row) {
  StringGrid& g = *grid_;
  const int visible = g.VisibleRowCount();
  int top = row;
  if (row > g.TopRow() + visible) top = row - visible + 1;
  if (top >= 1 && top < g.RowCount()) g.SetTopRow(top);
}

void TSearchDsDlg::ExitClick() { Close(); }

void TSearchDsDlg::ListView1SelectItem(ListItem* item, bool selected) {
  if (searching_ || !item || !selected) return;
  const int index = item->Index();
  if (index >= 0 && index < CBFields->Items().Count()) CBFields->SetItemIndex(index);
}

void TSearchDsDlg::Splitter1Moved() {
  const int w = GBSearch->Width();
  CBFields->SetWidth(w - 96);
  Label2->SetLeft(w / 2);
  const int editLeft = Label1->Left() + Label1->Width() + 4;
  const int editWidth = std::max(0, Label2->Left() - 16 - editLeft);
  EditMin->SetBounds(editLeft, 112, editWidth, 21);
  EditMax->SetBounds(Label2->Left() + Label2->Width() + 4, 112, editWidth, 21);
}

void TSearchDsDlg::FormResize() {
  Panel1->SetWidth(Width());
  ButtonExit->SetLeft((Panel1->Width() - ButtonExit->Width()) / 2);
}

// ---------------------------------------------------------------------------------------------

void ShowRecordSearch() {
  if (!SearchDsDlg || !TablOprtWnd) return;
  SearchDsDlg->SetSearchGrid(*TablOprtWnd->SGT);
  if (SearchDsDlg->GetWindowState() == WindowState::Minimized) SearchDsDlg->SetWindowState(WindowState::Normal);
  SearchDsDlg->Show();
  SearchDsDlg->BringToFront();
}

}  // namespace quorel
