// The substance window's commands beyond the runs: copy and paste through the record table
// window's grid toolkit, copy mode, font and colour, column moves, the spreadsheet transfer,
// the range-edit and status-bar popups, the history key and the status panels.
#include <algorithm>
#include <cmath>

#include "platform/Services.h"
#include "pure_substance/SubstMain.h"
#include "pure_substance/SubstSel.h"
#include "records_charts/TablOprt.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"
#include "shared/UnitConv.h"

namespace quorel {

namespace {

// Used while there is no record table window (a substance window alone). Never destroyed:
// its buffer must not outlive the forms' registry at program end.
GridToolkit& OwnToolkit() {
  static GridToolkit* own = new GridToolkit;
  return *own;
}

// The logical column a header names, by the text it begins with; -1 for none. In batch mode
// T and P are columns 0 and 1, else either is column 1.
int LogicalColumnOfHeader(const std::string& header, bool batch) {
  auto begins = [&header](std::string_view head) { return header.compare(0, head.size(), head) == 0; };
  if (begins("Ph")) return ColPhase;
  if (begins("T ")) return batch ? ColPhase : ColVariable;
  if (begins("P ")) return ColVariable;
  if (begins("Cp")) return ColCp;
  if (begins("Hr")) return ColHr;
  if (begins("Sr")) return ColSr;
  if (begins("Gr")) return ColGr;
  if (begins("H ")) return ColH;
  if (begins("S ")) return ColS;
  if (begins("G ")) return ColG;
  if (begins("Z ")) return ColZ;
  if (begins("V ") || begins("1/V")) return ColV;
  return -1;
}

bool IsPermutation(const std::array<int, SubstanceColumnCount>& index) {
  std::array<bool, SubstanceColumnCount> seen{};
  for (int g : index) {
    if (g < 0 || g >= SubstanceColumnCount || seen[g]) return false;
    seen[g] = true;
  }
  return true;
}

// The edit a popup was opened on.
platform::Edit* EditOfPopup(const platform::PopupMenu* menu) {
  return dynamic_cast<platform::Edit*>(menu->PopupComponent());
}

}  // namespace

GridToolkit& TableToolkit() { return TablOprtWnd ? TablOprtWnd->Toolkit : OwnToolkit(); }

// ---------------------------------------------------------------------------------------------
// Selection and clipboard

void TPSubstWnd::MnuSelelectAllClick(platform::Component*) {
  SGT->SetSelection({0, 0, SGT->ColCount() - 1, SGT->RowCount() - 1});
  // The grid keeps its selection below the header row; a copy of this one starts at row 0.
  wholeGridSelected_ = true;
  wholeGridSelection_ = SGT->Selection();
}

void TPSubstWnd::MnuCopyClick(platform::Component* sender) {
  GridToolkit& kit = TableToolkit();
  kit.ResetMemoBuffer();
  const platform::GridRect s = SGT->Selection();
  const int top = wholeGridSelected_ && s == wholeGridSelection_ ? 0 : s.Top;
  if (sender && sender->Tag() == 1) {
    kit.AddMemoLine(BlankFreeKey + "\t" + StBar->PanelText(1) + "\t" + EquationName());
    kit.AddMemoLine(CbxTP->Text() + ": " + "\t" + ETP->Text());
  }
  kit.GridRangeToMemo(s.Left, top, *SGT, s.Bottom, s.Right);
  kit.CopyMemoToClipboard();
}

void TPSubstWnd::MnuCopyModeTextClick(platform::Component* sender) {
  const int tag = sender ? sender->Tag() : 0;
  MnuCopyModeText->SetChecked(MnuCopyModeText->Tag() == tag);
  MnuCopyModeHtml->SetChecked(MnuCopyModeHtml->Tag() == tag);
  TableToolkit().HtmlCopyMode = MnuCopyModeHtml->Checked();
}

void TPSubstWnd::PopClearTableClick(platform::Component*) { ClearGridRange(0, 1, *SGT); }

void TPSubstWnd::SGTSelectCell(platform::Component*, int col, int row, bool&) {
  SelectedCellCol = col;
  SelectedCellRow = row;
  wholeGridSelected_ = false;
}

void TPSubstWnd::SGTKeyDown(platform::Component* sender, int& key, platform::ShiftState shift) {
  using namespace platform;
  const ShiftState mods = shift & (ssShift | ssCtrl | ssAlt);
  const bool shiftInsert = key == Key::Insert && mods == ssShift;
  const bool ctrlV = (key == 'V' || key == 'v') && mods == ssCtrl;
  if (shiftInsert || ctrlV) {
    const GridRect s = SGT->Selection();
    PasteIntoTable(s.Left, s.Top, true);
    if (shiftInsert && TableChangedHook) TableChangedHook(0);
    key = 0;
    return;
  }
  if (TablOprtWnd) TablOprtWnd->SGTKeyDown(sender ? sender : SGT, key, shift);
}

// ---------------------------------------------------------------------------------------------
// Settings

void TPSubstWnd::MnuFontClick(platform::Component* sender) {
  platform::FontInfo font = SGT->Font();
  if (sender) {
    if (!AplStgsWnd) return;
    platform::FontDialog* dialog = AplStgsWnd->FontDialog1;
    dialog->SetDialogFont(font);
    if (!dialog->Execute()) return;
    font = dialog->DialogFont();
  }
  SGT->SetFont(font);
  // The key and the substance list take the face and size in the usual colour.
  platform::FontInfo plain = font;
  plain.Color = platform::FontInfo{}.Color;
  CbxSubst->SetFont(plain);
  if (SubstSelDlg && SubstSelDlg->LVSubst) SubstSelDlg->LVSubst->SetFont(plain);
}

void TPSubstWnd::MnuColorClick(platform::Component*) {
  if (!AplStgsWnd) return;
  platform::ColorDialog* dialog = AplStgsWnd->ColorDialog1;
  dialog->SetDialogColor(SGT->Color());
  if (dialog->Execute()) SGT->SetColor(dialog->DialogColor());
}

void TPSubstWnd::MnuColMoveClick(platform::Component*) {
  MnuColMove->SetChecked(!MnuColMove->Checked());
  const platform::GridOptions o = SGT->Options();
  SGT->SetOptions(MnuColMove->Checked() ? o | platform::goColMoving : o & ~platform::goColMoving);
}

void TPSubstWnd::SGTColumnMoved(platform::Component*, int from, int to) {
  // Each header names the logical column it stands over; a header that names none keeps the
  // column's place as it was.
  std::array<int, SubstanceColumnCount> index = TableColumnIndex;
  for (int c = 0; c < SGT->ColCount(); ++c) {
    const int logical = LogicalColumnOfHeader(Trim(SGT->Cells(c, 0)), BatchMode);
    if (logical >= 0) index[logical] = c;
  }
  if (!IsPermutation(index)) {
    // The headers did not tell every column apart: the places follow the move itself.
    index = TableColumnIndex;
    for (int& g : index) {
      if (g == from) g = to;
      else if (from < to && g > from && g <= to) --g;
      else if (from > to && g >= to && g < from) ++g;
    }
  }
  TableColumnIndex = index;
}

// ---------------------------------------------------------------------------------------------
// Spreadsheet

void TPSubstWnd::MnuToMsExcelClick(platform::Component*) {
  // Two heading rows (key, molar mass, equation; the constant), then the table as it stands.
  platform::StringGrid ownSpare;
  GridToolkit& kit = TableToolkit();
  platform::StringGrid& spare = kit.SpareGrid ? *kit.SpareGrid : ownSpare;
  spare.SetColCount(SGT->ColCount());
  spare.SetRowCount(SGT->RowCount() + 2);
  spare.ClearCells();
  spare.SetCells(0, 0, CbxSubst->Text());
  spare.SetCells(1, 0, StBar->PanelText(1));
  spare.SetCells(2, 0, EquationName());
  spare.SetCells(0, 1, CbxTP->Text());
  spare.SetCells(1, 1, ETP->Text());
  for (int r = 0; r < SGT->RowCount(); ++r)
    for (int c = 0; c < SGT->ColCount(); ++c) spare.SetCells(c, r + 2, SGT->Cells(c, r));
  TransferGridsToExcel({{&spare, 1, CbxSubst->Text()}}, 1, true);
}

// ---------------------------------------------------------------------------------------------
// Range edits

void TPSubstWnd::PopMnuConversClick(platform::Component*) {
  platform::Edit* edit = EditOfPopup(PopupEdit);
  if (!edit || !UnitCnvDlg) return;
  // The constant is the quantity the mode holds; the range edits run over the other one.
  const std::string quantity = edit->Tag() == 0 ? CbxTP->Text() : Label1->Caption();
  if (quantity.empty()) return;
  UnitCnvDlg->CelsiusFlag = MnuTempC->Checked();
  UnitCnvDlg->SetupConversion(quantity[0], edit->Text());
  if (UnitCnvDlg->ShowModal() == platform::mrOk)
    edit->SetText(FloatToShortText(UnitCnvDlg->ConvertedValue()));
}

void TPSubstWnd::PopMnuCopyClick(platform::Component*) {
  platform::Edit* edit = EditOfPopup(PopupEdit);
  if (!edit) return;
  const std::string text = Trim(edit->Text());
  if (!text.empty()) platform::Clipboard().SetText(text);
}

void TPSubstWnd::PopMnuPasteClick(platform::Component*) {
  platform::Edit* edit = EditOfPopup(PopupEdit);
  platform::ClipboardService& clip = platform::Clipboard();
  if (!edit || !clip.HasText()) return;
  const std::vector<std::string> lines = SplitTextLines(clip.Text());
  const std::string text = lines.empty() ? std::string() : Trim(lines.front());
  if (!text.empty()) edit->SetText(text);
}

// ---------------------------------------------------------------------------------------------
// History key, status bar, size

void TPSubstWnd::CbxSubstKeyDown(platform::Component*, int& key, platform::ShiftState shift) {
  using namespace platform;
  if (key == Key::Enter) {
    key = 0;
    ButtonUpdateClick(ButtonUpdate);
    return;
  }
  if (key == Key::Delete && (shift & ssCtrl)) {
    key = 0;
    if (MessageBox("Delete Substance History ?", "Pure Substance", mbYesNo | mbIconQuestion) == mrNo) return;
    const std::string text = CbxSubst->Text();
    CbxSubst->Items().Clear();
    CbxSubst->SetText(text);
  }
}

void TPSubstWnd::StBarMouseMove(platform::Component*, platform::ShiftState, int x, int) {
  int right = 0;
  for (int i = 0; i < 3; ++i) {
    right += StBar->PanelWidth(i);
    if (x < right) {
      StatusPanelIndex = i;
      return;
    }
  }
  StatusPanelIndex = 3;
}

void TPSubstWnd::CopySBClick(platform::Component*) {
  const int panel = StatusPanelIndex >= 0 && StatusPanelIndex <= 3 ? StatusPanelIndex : 0;
  platform::Clipboard().SetText(StBar->PanelText(panel));
}

void TPSubstWnd::FormResize(platform::Component*) {
  const int tenth = Width() / 10;
  if (tenth <= 48) return;
  for (int i = 0; i < 3; ++i) StBar->SetPanelWidth(i, 2 * tenth);
}

}  // namespace quorel
