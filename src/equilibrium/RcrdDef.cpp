#include "equilibrium/RcrdDef.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "equilibrium/EqKernel.h"
#include "equilibrium/EqlMain.h"
#include "equilibrium/Phase.h"
#include "platform/Services.h"
#include "records_charts/TablOprt.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/Elements.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"

namespace quorel {

using namespace platform;

TRcrdDefDlg* RcrdDefDlg = nullptr;

namespace {

const std::string kMissing = "!";

bool PositiveNumber(Extended x) { return x > 0 && std::isfinite(static_cast<double>(x)); }

std::string Number(Extended x) { return FloatToShortText(x); }

// Normal cubic metres of an amount in mol (ideal gas at 273.15 K and 1 bar).
Extended NormalVolume(Extended mol) { return mol * GasConstant() * 273.15L / 100000; }

std::string GridCell(const StringGrid& g, int col, int row) {
  return col >= 0 && col < g.ColCount() && row >= 0 && row < g.RowCount() ? g.Cells(col, row) : std::string();
}

}  // namespace

std::string HexPair(long long value) {
  char text[24];
  // The magnitude in unsigned arithmetic: the smallest value has no positive counterpart.
  const unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
  std::snprintf(text, sizeof text, value < 0 ? "-%02llX" : "%02llX", magnitude);
  return text;
}

bool DecodeRecordAddress(std::string_view address, int& kind, int& first, int& second, int& third) {
  const std::string a = Trim(address);
  if (a.size() != 14) return false;
  const std::string_view v(a);
  kind = static_cast<int>(HexToInt(v.substr(3, 2)));
  first = static_cast<int>(HexToInt(v.substr(6, 2)));
  second = static_cast<int>(HexToInt(v.substr(9, 2)));
  third = static_cast<int>(HexToInt(v.substr(12, 2)));
  return true;
}

const std::vector<std::string>& StateItemTexts() {
  static const std::vector<std::string> items{
      "T ", "P ", "dH (T,P) [J/mol]", "dS (T,P) [J/mol K]", "dG (T,P) [J/mol]", "dH (T,P) [kJ]",
      "dS (T,P) [kJ/K ]", "dG (T,P) [kJ]", "H (T,P) [J/mol]", "S [(T,P) J/mol K]", "G (T,P) [J/mol]",
      "H (T,P) [J]", "S (T,P) [J/ K]", "G (T,P) [J]", "H (T,P) [kJ]", "S (T,P) [kJ/ K]", "G(T,P)  [kJ]",
      "dH (total)  [kJ]", "dH (total)  [kWh]", "1/T", "G(lge)[J]", "Iter.Step", "Iter.Factor", "Prec.",
      "Calc.time", "Calc.time [s]"};
  return items;
}

std::vector<std::string> PhaseValueTexts(bool gasSlot) {
  std::vector<std::string> items{"n [mol]", "n [kmol]", "m [g]", "m [kg]", "H [kJ]", "S [kJ/K]", "G [kJ]",
                                 "H [J/mol]", "S [J/mol K]", "G [J/mol]", "n(in) [mol]", "n(in) [kmol]",
                                 "m(in) [g]", "m(in) [kg]", "H(in) [kJ]"};
  if (gasSlot) {
    for (const char* s : {"Summ Fug.", "P [bar]", "1/( P[bar] )", "V [m\xB3]", "1/(V [m\xB3])", "dV [m\xB3]",
                          "V [Nm\xB3]", "1/(V [Nm\xB3])", "dV [Nm\xB3]"})
      items.emplace_back(s);
  } else {
    items.emplace_back("Summ Act.");
  }
  return items;
}

const std::vector<std::string>& PhaseValueLabels() {
  static const std::vector<std::string> items{
      "n [mol]", "n [kmol]", "m [g]", "m [kg]", "H [kJ]", "S [kJ/K]", "G [kJ]", "H [J/mol]", "S [J/mol K]",
      "G [J/mol]", "n(in)[mol]", "n(in)[kmol]", "m(in)[g]", "m(in)[kg]", "H(in)[kJ]", "Sum. Act./Fug.",
      "P [bar]", "1/P[bar] )", "V [m\xB3]", "1/V[m\xB3]", "dV[m\xB3]", "V[Nm\xB3]", "1/V[Nm\xB3]", "dV[Nm\xB3]"};
  return items;
}

const std::vector<std::string>& ElementValueTexts() {
  static const std::vector<std::string> items{"w. ratio", "w. %", "m. rel.", "m. rel. %", "m [kg] (out) ",
                                              "m [kg] (in)", "n [mol] (out)", "n [mol] (in)", "Lagrange Coeff.",
                                              "n [mol] (in) total", "n [mol] (out) total"};
  return items;
}

// ---------------------------------------------------------------------------------------------
// The dialog

TRcrdDefDlg::TRcrdDefDlg() : Form(nullptr, "RcrdDefDlg") {
  SetCaption("Record Variables");
  SetBounds(0, 0, 720, 360);
  SetConstraints({640, 286, 0, 0});
  SetPosition(FormPosition::ScreenCenter);

  auto combo = [](Component* owner, const char* name, int tag, int top) {
    auto* c = Make<ComboBox>(owner, name);
    c->SetStyle(ComboStyle::DropDownList);
    c->SetTag(tag);
    c->SetBounds(8, top, 200, 21);
    return c;
  };
  auto add = [](Component* owner, const char* name, int tag, int top) {
    auto* b = Make<Button>(owner, name);
    b->SetCaption("Add ->");
    b->SetTag(tag);
    b->SetBounds(216, top, 64, 25);
    return b;
  };

  GBVariables = Make<GroupBox>(this, "GBVariables");
  GBVariables->SetCaption("Variables ");
  GBVariables->SetAlign(Align::Left);
  GBVariables->SetWidth(296);
  GBState = Make<GroupBox>(GBVariables, "GBState");
  GBState->SetBounds(4, 16, 288, 52);
  CBState = combo(GBState, "CBState", 0, 18);
  for (const auto& s : StateItemTexts()) CBState->Items().Add(s);
  CBState->SetItemIndex(0);
  ButtonAdd0 = add(GBState, "ButtonAdd0", 0, 16);
  GBPhase = Make<GroupBox>(GBVariables, "GBPhase");
  GBPhase->SetBounds(4, 72, 288, 104);
  CBWnd = combo(GBPhase, "CBWnd", -1, 18);
  CBRow = combo(GBPhase, "CBRow", 1, 46);
  CBCol = combo(GBPhase, "CBCol", 1, 74);
  ButtonAdd1 = add(GBPhase, "ButtonAdd1", 1, 44);
  GBElement = Make<GroupBox>(GBVariables, "GBElement");
  GBElement->SetBounds(4, 180, 288, 78);
  CBElements = combo(GBElement, "CBElements", 2, 18);
  CBElements->SetSorted(true);
  CBElValues = combo(GBElement, "CBElValues", 2, 46);
  for (const auto& s : ElementValueTexts()) CBElValues->Items().Add(s);
  CBElValues->SetItemIndex(0);
  ButtonAdd2 = add(GBElement, "ButtonAdd2", 2, 30);

  GBRecords = Make<GroupBox>(this, "GBRecords");
  GBRecords->SetCaption("Record Table Fields");
  GBRecords->SetAlign(Align::Client);
  SGR = Make<StringGrid>(GBRecords, "SGR");
  SGR->SetAlign(Align::Client);
  SGR->SetColCount(3);
  SGR->SetRowCount(2);
  SGR->SetFixedRows(1);
  SGR->SetFixedCols(1);
  SGR->SetColWidths(RecFieldId, 32);
  SGR->SetColWidths(RecFieldName, 220);
  SGR->SetColWidths(RecFieldAddress, 110);
  SGR->SetCells(RecFieldId, 0, "ID");
  SGR->SetCells(RecFieldName, 0, "Variable");
  SGR->SetCells(RecFieldAddress, 0, "Adr.");
  ButtonDel = Make<Button>(GBRecords, "ButtonDel");
  ButtonDel->SetCaption("Del Selection");
  ButtonDel->SetAlign(Align::Bottom);
  ButtonDel->SetHeight(25);
  ButtonClear = Make<Button>(GBRecords, "ButtonClear");
  ButtonClear->SetCaption("Clear Fields");
  ButtonClear->SetAlign(Align::Bottom);
  ButtonClear->SetHeight(25);

  StBar = Make<StatusBar>(this, "StBar");
  StBar->SetAlign(Align::Bottom);
  StBar->SetHeight(20);
  StBar->SetSimplePanel(true);
  auto* bottom = Make<Panel>(this, "PanelButtons");
  bottom->SetAlign(Align::Bottom);
  bottom->SetHeight(36);
  ButtonAccept = Make<Button>(bottom, "ButtonAccept");
  ButtonAccept->SetCaption("Accept");
  ButtonAccept->SetBounds(8, 6, 80, 25);
  ButtonCancel = Make<Button>(bottom, "ButtonCancel");
  ButtonCancel->SetCaption("Close");
  ButtonCancel->SetCancel(true);
  ButtonCancel->SetBounds(96, 6, 80, 25);

  SGRCopy = Make<StringGrid>(this, "SGRCopy");
  SGRCopy->SetVisible(false);

  for (Button* b : {ButtonAdd0, ButtonAdd1, ButtonAdd2})
    b->OnClick = [this](Component* sender) { AddClick(sender->Tag()); };
  for (ComboBox* c : {CBState, CBRow, CBCol, CBElements, CBElValues})
    c->OnKeyDown = [this](Component* sender, int& key, ShiftState) {
      if (key == Key::Enter) AddClick(sender->Tag());
    };
  CBWnd->OnChange = [this](Component*) { WindowChange(); };
  CBRow->OnChange = [this](Component*) {
    if (CBRow->ItemIndex() != lastRowIndex_) RowChange();
  };
  ButtonDel->OnClick = [this](Component*) { DelSelectionClick(); };
  ButtonClear->OnClick = [this](Component*) { ClearFieldsClick(); };
  ButtonAccept->OnClick = [this](Component*) { AcceptClick(); };
  ButtonCancel->OnClick = [this](Component*) { CancelClick(); };
  SGR->OnSelectCell = [this](Component*, int, int row, bool&) { ShowFieldStatus(row); };
  OnClose = [this](Component*, CloseAction&) {
    if (AcceptState == 1) return;
    AcceptState = -1;
    CopyGrid(*SGRCopy, *SGR);
  };
  RcrdDefDlg = this;
}

TRcrdDefDlg::~TRcrdDefDlg() {
  if (RcrdDefDlg == this) RcrdDefDlg = nullptr;
}

int TRcrdDefDlg::RecordFieldCount() const {
  if (SGR->RowCount() == 2 && SGR->Cells(RecFieldId, 1).empty()) return 0;
  return SGR->RowCount() - 1;
}

void TRcrdDefDlg::PrepareRecordDialog() {
  if (EqlMainWnd) CBState->Items().Set(0, EqlMainWnd->LabelT->Caption());
  CBState->SetItemIndex(0);
  CopyGrid(*SGR, *SGRCopy);
  AcceptState = 0;
  SelectedRow = 1;
  CBWnd->Items().Clear();
  CBElements->Items().Clear();
  PhaseWindowMap.clear();
  rememberedRow_ = -1;
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (!PhaseSlotTable[s].Window || !PhaseSlotTable[s].Grid) continue;
    PhaseWindowMap.push_back(s);
    CBWnd->Items().Add(PhaseSlotTable[s].Window->Caption());
  }
  const bool windows = !PhaseWindowMap.empty();
  ButtonAdd1->SetEnabled(windows);
  ButtonAdd2->SetEnabled(windows);
  if (!windows) {
    CBWnd->Items().Add(" undefined ");
    CBElements->Items().Add("-");
    CBWnd->SetItemIndex(0);
    CBElements->SetItemIndex(0);
    WindowChange();
    return;
  }
  CBWnd->SetItemIndex(0);
  WindowChange();
  for (int e = 0; e <= LastElementIndex(); ++e)
    if (ElementsDlg && ElementsDlg->Selected(e)) CBElements->Items().Add(ElementSymbol(e));
  if (CBElements->Items().Empty()) {
    ButtonAdd2->SetEnabled(false);
    CBElements->Items().Add("-");
  }
  CBElements->SetItemIndex(0);
}

void TRcrdDefDlg::WindowChange() {
  rememberedRow_ = CBRow->ItemIndex();
  const int i = CBWnd->ItemIndex();
  currentSlot_ = i >= 0 && i < int(PhaseWindowMap.size()) ? PhaseWindowMap[i] : 0;
  currentGrid_ = currentSlot_ ? PhaseSlotTable[currentSlot_].Grid : nullptr;
  if (!currentGrid_) {
    ButtonAdd1->SetEnabled(false);
    ButtonAdd2->SetEnabled(false);
    CBCol->Items().Assign({"!"});
    CBRow->Items().Assign({"!"});
    CBCol->SetItemIndex(0);
    CBRow->SetItemIndex(0);
    lastRowIndex_ = 0;
    return;
  }
  ButtonAdd1->SetEnabled(true);
  ButtonAdd2->SetEnabled(true);
  std::vector<std::string> rows{PhaseSlotTable[currentSlot_].Window->Caption() + "(all)"};
  for (int r = 1; r < currentGrid_->RowCount(); ++r) rows.push_back(currentGrid_->Cells(0, r));
  CBRow->Items().Assign(std::move(rows));
  const int count = CBRow->Items().Count();
  int select;
  if (rememberedRow_ < 0) select = count == 1 ? 0 : 1;
  else select = rememberedRow_ < count ? rememberedRow_ : 0;
  CBRow->SetItemIndex(select);
  RowChange();
}

void TRcrdDefDlg::RowChange() {
  lastRowIndex_ = CBRow->ItemIndex();
  if (!currentGrid_) {
    rememberedRow_ = -1;
    return;
  }
  const int old = CBCol->ItemIndex();
  std::vector<std::string> cols;
  if (CBRow->ItemIndex() > 0) {
    const StringGrid& g = *currentGrid_;
    for (int c = 1; c < g.ColCount(); ++c) cols.push_back(g.Cells(c, 0));
    cols.push_back(GridCell(g, 4, 0) + "/" + GridCell(g, 3, 0));
    cols.push_back("n/" + GridCell(g, 4, 0));
    cols.emplace_back("w");
    cols.emplace_back("w%");
    CBCol->Items().Assign(std::move(cols));
    CBCol->SetItemIndex(old >= 0 && old < CBCol->Items().Count() ? old : 1);
  } else {
    CBCol->Items().Assign(PhaseValueTexts(IsGasSlot(currentSlot_)));
    CBCol->SetItemIndex(old >= 0 && old < CBCol->Items().Count() ? old : 0);
  }
}

void TRcrdDefDlg::AddClick(int group) {
  std::string name, address;
  switch (group) {
    case 0:
      if (CBState->ItemIndex() < 0) return;
      name = CBState->Text();
      address = "0x 00 00 00 " + HexPair(CBState->ItemIndex());
      break;
    case 1: {
      // Only with a phase grid behind the lists.
      if (!currentGrid_ || CBRow->ItemIndex() < 0 || CBCol->ItemIndex() < 0) return;
      const std::string caption = PhaseSlotTable[currentSlot_].Window->Caption();
      if (CBRow->ItemIndex() == 0) {
        name = CBCol->Text() + " | " + CBRow->Text();
        address = "0x 01 " + HexPair(currentSlot_) + " " + HexPair(CBCol->ItemIndex()) + " " +
                  HexPair(CBRow->ItemIndex());
      } else {
        name = CBRow->Text() + " | " + CBCol->Text() + " - " + caption;
        address = "0x 01 " + HexPair(currentSlot_) + " " + HexPair(CBCol->ItemIndex() + 1) + " " +
                  HexPair(CBRow->ItemIndex());
      }
      break;
    }
    case 2: {
      const int element = ElementIndex(CBElements->Text());
      const int value = CBElValues->ItemIndex();
      if (element < 0 || value < 0) return;
      if (value <= 7) {
        if (!currentGrid_) return;
        name = CBElements->Text() + " | " + CBElValues->Text() + " - " + PhaseSlotTable[currentSlot_].Window->Caption();
        address = "0x 02 " + HexPair(currentSlot_) + " " + HexPair(element) + " " + HexPair(value);
      } else {
        name = CBElements->Text() + " | " + CBElValues->Text();
        address = "0x 02 00 " + HexPair(element) + " " + HexPair(value);
      }
      break;
    }
    default:
      return;
  }
  const int n = RecordFieldCount();
  SGR->SetRowCount(n + 2);
  SGR->SetCells(RecFieldId, n + 1, std::to_string(n + 1));
  SGR->SetCells(RecFieldName, n + 1, name);
  SGR->SetCells(RecFieldAddress, n + 1, address);
}

void TRcrdDefDlg::RenumberFields() {
  for (int r = 1; r < SGR->RowCount(); ++r)
    if (r > 1 || !SGR->Cells(RecFieldId, r).empty() || !SGR->Cells(RecFieldAddress, r).empty())
      SGR->SetCells(RecFieldId, r, std::to_string(r));
}

void TRcrdDefDlg::DelSelectionClick() {
  if (SGR->RowCount() == 2) {
    for (int c = 0; c < 3; ++c) SGR->SetCells(c, 1, "");
    return;
  }
  if (SelectedRow < 1 || SelectedRow >= SGR->RowCount()) return;
  DeleteGridRow(SelectedRow, *SGR);
  RenumberFields();
}

void TRcrdDefDlg::ClearFields() {
  ClearGridRange(0, 1, *SGR);
  SGR->SetRowCount(2);
}

void TRcrdDefDlg::ClearFieldsClick() {
  if (MessageBox("Delete all record variable", "Equilibrium", mbYesNo | mbIconQuestion) != mrYes) return;
  ClearFields();
}

void TRcrdDefDlg::AcceptClick() {
  AcceptState = 1;
  if (TablOprtWnd) {
    StringGrid& table = *TablOprtWnd->SGT;
    CopyGrid(table, *SGRCopy);
    ClearGridRange(0, 0, table);
    table.SetColCount(SGR->RowCount());
    const std::string corner = Trim(SGRCopy->Cells(0, 0));
    table.SetCells(0, 0, corner.empty() ? std::string("C") : SGRCopy->Cells(0, 0));
    for (int i = 1; i < SGR->RowCount() && i < table.ColCount(); ++i) table.SetCells(i, 0, SGR->Cells(RecFieldName, i));
    for (int old = 0; old < SGRCopy->ColCount(); ++old) {
      const std::string title = Trim(SGRCopy->Cells(old, 0));
      for (int c = 0; c < table.ColCount(); ++c) {
        if (Trim(table.Cells(c, 0)) != title) continue;
        for (int r = 1; r < SGRCopy->RowCount() && r < table.RowCount(); ++r) table.SetCells(c, r, SGRCopy->Cells(old, r));
      }
    }
    // The copy holds the field grid again, so that a later Close has nothing to undo.
    CopyGrid(*SGR, *SGRCopy);
  }
  DecodeRecordAddresses();
  if (Modal()) SetModalResult(mrOk);
  else Hide();
}

void TRcrdDefDlg::CancelClick() {
  if (Modal()) {
    SetModalResult(mrCancel);
    return;
  }
  AcceptState = -1;
  CopyGrid(*SGRCopy, *SGR);
  Hide();
}

void TRcrdDefDlg::ShowFieldStatus(int row) {
  SelectedRow = row;
  StBar->SetSimpleText(AddressDescription(row));
}

std::string TRcrdDefDlg::AddressDescription(int row) const {
  std::string text = " ? ";
  if (row < 1 || row >= SGR->RowCount()) return text;
  int kind, pp, cc, rr;
  if (!DecodeRecordAddress(SGR->Cells(RecFieldAddress, row), kind, pp, cc, rr)) return text;
  if (kind == RecordState) {
    if (pp == 0 && cc == 0 && rr < CBState->Items().Count()) text = CBState->Items()[rr];
  } else if (kind == RecordPhase && ValidPhaseSlot(pp) && PhaseSlotTable[pp].Window) {
    const std::string caption = PhaseSlotTable[pp].Window->Caption();
    const StringGrid* g = PhaseSlotTable[pp].Grid;
    if (rr == 0) {
      if (cc < int(PhaseValueLabels().size())) text = PhaseValueLabels()[cc] + " " + caption;
    } else if (g) {
      const std::string s = rr < g->RowCount() ? g->Cells(0, rr) : std::string("changed substance ? ");
      const int k = g->ColCount();
      if (cc > 0 && cc < k) text = s + " " + g->Cells(cc, 0);
      else if (cc == k) text = s + "  " + GridCell(*g, 4, 0) + "/" + GridCell(*g, 3, 0);
      else if (cc == k + 1) text = s + "  n/a; n/f";
      else if (cc == k + 2) text = s + "  W";
      else if (cc == k + 3) text = s + "  W%";
    }
  } else if (kind == RecordElement && rr < int(ElementValueTexts().size())) {
    text = ElementSymbol(cc) + "  " + ElementValueTexts()[rr];
    if (rr <= 7 && ValidPhaseSlot(pp) && PhaseSlotTable[pp].Window) text += " " + PhaseSlotTable[pp].Window->Caption();
  }
  return text;
}

// ---------------------------------------------------------------------------------------------
// The definition

void TRcrdDefDlg::DecodeRecordAddresses() {
  RecordVariableCount = 0;
  bool elements = false;
  for (int r = 1; r < SGR->RowCount() && r <= MaxRecordVariables; ++r) {
    int kind, first, second, third;
    if (!DecodeRecordAddress(SGR->Cells(RecFieldAddress, r), kind, first, second, third)) {
      Addresses.Decoded[r - 1] = false;
      continue;
    }
    ++RecordVariableCount;
    Addresses.Kind[r - 1] = kind;
    Addresses.First[r - 1] = first;
    Addresses.Second[r - 1] = second;
    Addresses.Third[r - 1] = third;
    Addresses.Decoded[r - 1] = true;
    if (kind == RecordElement) elements = true;
  }
  for (int e = std::clamp(SGR->RowCount() - 1, 0, MaxRecordVariables); e < RecordAddressEntries; ++e)
    Addresses.Decoded[e] = false;
  if (EqlMainWnd) EqlMainWnd->ElementValuesWanted = elements;
}

void TRcrdDefDlg::CheckRecordAddresses() {
  bool changed = false;
  for (int r = 1; r < SGR->RowCount(); ++r) {
    const std::string address = SGR->Cells(RecFieldAddress, r);
    if (address.size() != 14) continue;
    int kind, pp, cc, rr;
    if (!DecodeRecordAddress(address, kind, pp, cc, rr)) continue;
    if (kind != RecordPhase || !ValidPhaseSlot(pp) || cc <= 0 || rr <= 0) continue;
    const StringGrid* g = PhaseSlotTable[pp].Grid;
    if (!PhaseSlotTable[pp].Window || !g || rr >= g->RowCount()) continue;
    if (SGR->Cells(RecFieldName, r).starts_with(g->Cells(0, rr) + " | ")) continue;
    const std::string before = SGR->Cells(RecFieldAddress, r);
    RelocateRecordVariable(r, cc, pp);
    if (SGR->Cells(RecFieldAddress, r) != before) changed = true;
  }
  if (changed) DecodeRecordAddresses();
}

void TRcrdDefDlg::RelocateRecordVariable(int fieldRow, int column, int slot) {
  const std::string name = SGR->Cells(RecFieldName, fieldRow);
  const std::size_t bar = name.find(" | ");
  if (bar == std::string::npos) {
    PostLogMessage(LevelCritical, fieldRow, "Possible Error in Record variable:" + name);
    return;
  }
  const std::string substance = name.substr(0, bar);
  const StringGrid& g = *PhaseSlotTable[slot].Grid;
  for (int r = 1; r < g.RowCount(); ++r) {
    if (g.Cells(0, r) != substance) continue;
    SGR->SetCells(RecFieldAddress, fieldRow,
                  "0x 01 " + HexPair(slot) + " " + HexPair(column) + " " + HexPair(r));
    PostLogMessage(LevelImportant, RecordAddressChangedId, name + " Variable Address changed");
    return;
  }
  PostLogMessage(LevelCritical, RecordVariableMissingId,
                 name + ": variable does not exist in " + PhaseSlotTable[slot].Window->Caption() + " {" +
                     std::to_string(fieldRow) + " RcrdDef}");
}

int TRcrdDefDlg::FindRecordAddress(std::string_view text) const {
  const std::string t = Trim(text);
  if (t.empty()) return -1;
  for (int r = 1; r < SGR->RowCount(); ++r)
    if (SGR->Cells(RecFieldAddress, r) == t) return r;
  return -1;
}

void TRcrdDefDlg::LoadRecordDefinition() {
  ClearFields();
  SettingsReader& store = SettingsStore();
  if (store.FindSectionRange("RecordDefinition").first >= 0) {
    LoadGridFromSection(*SGR, "RecordDefinition");
    SGR->SetColCount(3);
    if (SGR->RowCount() < 2) SGR->SetRowCount(2);
    if (SGR->RowCount() > RecordAddressEntries + 1) {
      PostLogMessage(LevelError, RecordCountCappedId,
                     store.CachedFileName() + " [RecordDefinition] " + std::to_string(SGR->RowCount() - 1) +
                         " rows: " + std::to_string(RecordAddressEntries) + " record variables are read");
      SGR->SetRowCount(RecordAddressEntries + 1);
    }
    DecodeRecordAddresses();
    return;
  }
  if (store.FindSectionRange("RecordVariables").first < 0) return;
  store.SelectSection("RecordVariables");
  // Every variable has a line of its own besides the count's, and the address table has room
  // for 256: a count beyond either is no count.
  const int lines = static_cast<int>(std::min<std::size_t>(store.SectionLines().size() - 2, INT_MAX));
  const std::unordered_map<std::string, std::string> keys = store.SectionKeyValues();
  const auto value_of = [&keys](const std::string& key) {
    auto it = keys.find(key);
    return it == keys.end() ? std::string() : it->second;
  };
  const int rc = TextToInt(value_of("RC"));
  const int n = std::clamp(rc, 0, std::min(lines, RecordAddressEntries));
  if (rc > n)
    PostLogMessage(LevelError, RecordCountCappedId,
                   store.CachedFileName() + " [RecordVariables] RC=" + std::to_string(rc) + ": " +
                       std::to_string(n) + " record variables are read");
  SGR->SetRowCount(std::max(n + 1, 2));
  for (int i = 1; i <= n; ++i) {
    const std::string key = (i < 10 ? "R0" : "R") + std::to_string(i);
    const std::string value = value_of(key);
    const long long s = TagValueInt("S:", value);
    const long long r = TagValueInt("R:", value);
    const long long c = TagValueInt("C:", value);
    std::string address;
    if (s == 0) address = "0x 00 00 " + HexPair(c) + " " + HexPair(r);
    if (s > 0) address = "0x 01 " + HexPair(s) + " " + HexPair(c) + " " + HexPair(r);
    if (c < 0) address = "0x 02 " + HexPair(s) + " " + HexPair(c + 1) + " " + HexPair(r < 0 ? -r : r);
    SGR->SetCells(RecFieldId, i, std::to_string(i));
    // Trimmed as the cells of the newer form are, and without a TAB (a cell holds none), so
    // that a definition saved reads back alike.
    std::string name = value.substr(0, value.find(';'));
    std::replace(name.begin(), name.end(), '\t', ' ');
    SGR->SetCells(RecFieldName, i, SettingsTrim(name));
    SGR->SetCells(RecFieldAddress, i, address);
  }
  DecodeRecordAddresses();
}

void TRcrdDefDlg::ClearRecordDefinition() {
  ClearFields();
  RecordVariableCount = 0;
  if (TablOprtWnd) {
    ClearGridRange(0, 0, *TablOprtWnd->SGT);
    TablOprtWnd->SGT->SetRowCount(2);
  }
  for (ComboBox* c : {CBWnd, CBCol, CBElements}) {
    c->Items().Assign({"[-]"});
    c->SetItemIndex(0);
  }
  currentGrid_ = nullptr;
  currentSlot_ = 0;
}

// ---------------------------------------------------------------------------------------------
// The record

void TRcrdDefDlg::EvaluateRecordVariables() {
  if (!TablOprtWnd) return;
  StringGrid& table = *TablOprtWnd->SGT;
  int n = table.RowCount() - 1;
  if (n == 1 && Trim(table.Cells(0, 1)).empty()) n = 0;
  ++n;
  table.SetRowCount(n + 1);
  table.SetCells(0, n, std::to_string(n));
  for (int c = 1; c < table.ColCount(); ++c) table.SetCells(c, n, EvaluateEntry(c - 1));
  if (EqlMainWnd) EqlMainWnd->UpdateChartFromRecords(n);
}

std::string TRcrdDefDlg::EvaluateEntry(int entry) const {
  if (entry < 0 || entry >= RecordAddressEntries || !Addresses.Decoded[entry] || !EqlKernel || !EqlMainWnd)
    return kMissing;
  TEqlKernel& k = *EqlKernel;
  const TEqlMainWnd& m = *EqlMainWnd;
  const int kind = Addresses.Kind[entry];
  const int pp = Addresses.First[entry];
  const int cc = Addresses.Second[entry];
  const int rr = Addresses.Third[entry];

  if (kind == RecordState) {
    if (pp != 0 || cc != 0) return kMissing;
    if (rr >= 8 && rr <= 18 && !k.BalanceComputed()) k.CalcEnthalpyBalance();
    const Extended total = k.TotalProductAmount();
    const Extended dh = k.ProductsEnthalpy() - m.InputEnthalpyTotal;
    switch (rr) {
      case 0: return m.EditTsys->Text();
      case 1: return m.EditPVsys->Text();
      case 2: return PositiveNumber(total) ? Number(k.ReactionEnthalpy() / total) : kMissing;
      case 3: return PositiveNumber(total) ? Number(k.SystemEntropy() / total) : kMissing;
      case 4: return PositiveNumber(total) ? Number(k.ReactionGibbsEnergy() / total) : kMissing;
      case 5: return Number(k.ReactionEnthalpy() / 1000);
      case 6: return Number(k.SystemEntropy() / 1000);
      case 7: return Number(k.ReactionGibbsEnergy() / 1000);
      case 8: return Number(k.ProductsEnthalpyPerMol());
      case 9: return Number(k.ProductsEntropyPerMol());
      case 10: return Number(k.ProductsGibbsEnergyPerMol());
      case 11: return Number(k.ProductsEnthalpy());
      case 12: return Number(k.ProductsEntropy());
      case 13: return Number(k.ProductsGibbsEnergy());
      case 14: return Number(k.ProductsEnthalpy() / 1000);
      case 15: return Number(k.ProductsEntropy() / 1000);
      case 16: return Number(k.ProductsGibbsEnergy() / 1000);
      case 17: return Number(dh / 1000);
      case 18: return Number(dh / 1000 / 3600);
      case 19: return m.T > 0 ? Number(1 / Extended(m.T)) : std::string("1/0");
      case 20: return Number(k.LagrangeGibbsEnergy());
      case 21: return std::to_string(k.Criteria.iterationLimit);
      case 22: return Number(k.Criteria.approximationFactor);
      case 23: return Number(k.Criteria.precision);
      case 24: return FormatTimeStamp(std::chrono::system_clock::now());
      case 25: return Number(std::chrono::duration<double>(m.Duration).count());
      default: return kMissing;
    }
  }

  if (kind == RecordPhase) {
    if (!ValidPhaseSlot(pp) || !PhaseSlotTable[pp].Grid) return kMissing;
    const PhaseTotal& t = m.PhaseTotals[pp];
    if (rr == 0) {
      const bool gas = IsGasSlot(pp);
      if (cc >= 16 && !gas) return kMissing;
      switch (cc) {
        case 0: return Number(t.OutAmount);
        case 1: return Number(t.OutAmount / 1000);
        case 2: return Number(t.OutMass);
        case 3: return Number(t.OutMass / 1000);
        case 4: return Number(k.PhaseEnthalpy(pp) / 1000);
        case 5: return Number(k.PhaseEntropy(pp) / 1000);
        case 6: return Number(k.PhaseGibbsEnergy(pp) / 1000);
        case 7: return PositiveNumber(t.OutAmount) ? Number(k.PhaseEnthalpy(pp) / t.OutAmount) : kMissing;
        case 8: return PositiveNumber(t.OutAmount) ? Number(k.PhaseEntropy(pp) / t.OutAmount) : kMissing;
        case 9: return PositiveNumber(t.OutAmount) ? Number(k.PhaseGibbsEnergy(pp) / t.OutAmount) : kMissing;
        case 10: return Number(t.InAmount);
        case 11: return Number(t.InAmount / 1000);
        case 12: return Number(t.InMass);
        case 13: return Number(t.InMass / 1000);
        case 14: return Number(t.InEnthalpy / 1000);
        case 15: return Number(k.PhaseActivitySum(pp));
        case 16: return Number(t.Fugacity);
        case 17: return PositiveNumber(t.Fugacity) ? Number(1 / t.Fugacity) : kMissing;
        case 18: return Number(t.OutVolume);
        case 19: return PositiveNumber(t.OutVolume) ? Number(1 / t.OutVolume) : kMissing;
        case 20: return Number(t.OutVolume - t.InVolume);
        case 21: return Number(NormalVolume(t.OutAmount));
        case 22: {
          const Extended normal = NormalVolume(t.OutAmount);
          return PositiveNumber(t.OutVolume) && PositiveNumber(normal) ? Number(1 / normal) : kMissing;
        }
        case 23: return Number(NormalVolume(t.OutAmount - t.InAmount));
        default: return kMissing;
      }
    }
    if (cc <= 0) return kMissing;
    const StringGrid& g = *PhaseSlotTable[pp].Grid;
    const int cols = g.ColCount();
    if (rr >= g.RowCount()) return kMissing;
    if (cc < cols) return g.Cells(cc, rr);
    if (cc == cols) {
      const double x3 = TextToDouble(GridCell(g, 3, rr));
      return x3 > 0 ? Number(TextToDouble(GridCell(g, 4, rr)) / x3) : kMissing;
    }
    // The solver species of the row; a row the solver did not take in has no result.
    const int j = PhaseSlotTable.SpeciesEnd[pp - 1] + rr;
    if (j > PhaseSlotTable.SpeciesEnd[pp] || j < 1 || j > k.SpeciesCount()) return kMissing;
    if (cc == cols + 1) {
      const Extended a = k.SpeciesActivity(j);
      return a > 0 ? Number(k.ProductAmount(j) / a) : std::string("0");
    }
    if (cc == cols + 2 || cc == cols + 3) {
      if (!PositiveNumber(t.OutMass)) return kMissing;
      const Extended w = k.SpeciesMass(j) / t.OutMass;
      return Number(cc == cols + 3 ? w * 100 : w);
    }
    return kMissing;
  }

  if (kind == RecordElement) {
    const int element = cc;
    const int value = rr;
    if (value > 10 || element > LastElementIndex()) return kMissing;
    const int comp = k.ComponentIndexOfElement(element);
    // An element that is not a component of the system has no value.
    if (comp < 1 || comp >= int(m.ElementTotals.size())) return kMissing;
    Extended result = 0;
    const double aw = AtomicWeight(element);
    const Extended whole = m.ElementTotals[comp];
    auto inputSum = [&](int first, int last) {
      Extended sum = 0;
      for (int j = std::max(first, 1); j <= last && j <= k.SpeciesCount(); ++j) sum += k.InputAmount(j) * k.MatrixEntry(j, comp);
      return sum;
    };
    if (value <= 7) {
      if (ValidPhaseSlot(pp) && PhaseSlotTable[pp].Window && comp < int(m.ElementSlotTotals.size())) {
        const Extended inSlot = m.ElementSlotTotals[comp][pp];
        const Extended mass = m.PhaseTotals[pp].OutMass;
        switch (value) {
          case 0: if (PositiveNumber(mass)) result = aw * inSlot / mass; break;
          case 1: if (PositiveNumber(mass)) result = aw * inSlot / mass * 100; break;
          case 2: if (PositiveNumber(whole)) result = inSlot / whole; break;
          case 3: if (PositiveNumber(whole)) result = inSlot / whole * 100; break;
          case 4: result = aw * inSlot / 1000; break;
          case 5: result = aw * inputSum(k.SlotFirst(pp), k.SlotLast(pp)) / 1000; break;
          case 6: result = inSlot; break;
          case 7: result = inputSum(k.SlotFirst(pp), k.SlotLast(pp)); break;
          default: break;
        }
      }
    } else if (value == 8) {
      result = k.GetElementPotential(comp);
    } else if (value == 9) {
      result = inputSum(1, k.SpeciesCount());
    } else {
      result = whole;
    }
    return Number(result);
  }
  return kMissing;
}

// ---------------------------------------------------------------------------------------------
// Binding

void RecordVariablesCommand() {
  if (!RcrdDefDlg || RefuseDuringCalculation("\"Rec. Var.\"")) return;
  RcrdDefDlg->PrepareRecordDialog();
  // The addresses by field number, to follow the fields when they move.
  auto addresses = [] {
    std::vector<std::string> list;
    for (int r = 1; r < RcrdDefDlg->SGR->RowCount(); ++r) list.push_back(RcrdDefDlg->SGR->Cells(RecFieldAddress, r));
    return list;
  };
  if (EqlMainWnd) EqlMainWnd->RecordAddressSnapshot = addresses();
  RcrdDefDlg->ShowModal();
  if (!RcrdDefDlg || RcrdDefDlg->AcceptState <= 0) return;
  if (EqlMainWnd) EqlMainWnd->SystemChangedFlag = true;
  if (EqlChartHooks.FillFieldCombos) EqlChartHooks.FillFieldCombos();
  if (!EqlMainWnd) return;
  FollowRecordFieldsInChart(EqlMainWnd->RecordAddressSnapshot);
  EqlMainWnd->RecordAddressSnapshot = addresses();
}

void FollowRecordFieldsInChart(const std::vector<std::string>& known) {
  const ChartVariableHooks& chart = EqlChartHooks;
  const int count = chart.AssignmentCount ? chart.AssignmentCount() : 0;
  if (known.empty() || count <= 0 || !RcrdDefDlg || !chart.AssignmentColumn || !chart.RenumberSeriesColumn) return;
  if (chart.FindXColumn) chart.FindXColumn();
  for (int i = 1; i <= int(known.size()); ++i) {
    const int found = RcrdDefDlg->FindRecordAddress(known[size_t(i - 1)]);
    if (found == i) continue;
    const int target = found > 0 ? found : -1;
    for (int e = 1; e <= count; ++e)
      if (chart.AssignmentColumn(e) == i) chart.RenumberSeriesColumn(i, target);
  }
  if (chart.ClearRenumberMarks) chart.ClearRenumberMarks();
  // The chart follows at once: left on the old numbers, it would plot the moved fields under
  // each other's series.
  if (chart.ApplyChartVariables) chart.ApplyChartVariables();
}

void InstallRecordVariableHooks() {
  EqlMainHooks.RecordVariableCount = [] { return RcrdDefDlg ? RcrdDefDlg->RecordVariableCount : 0; };
  EqlMainHooks.EvaluateRecordVariables = [] {
    if (RcrdDefDlg) RcrdDefDlg->EvaluateRecordVariables();
  };
  CheckRecordAddressesHook = [] {
    if (RcrdDefDlg) RcrdDefDlg->CheckRecordAddresses();
  };
  if (EqlMainWnd) EqlMainWnd->BtnRecordVar->OnClick = [](Component*) { RecordVariablesCommand(); };
  if (TablOprtWnd) {
    TablOprtWnd->BtnFieldDef->SetVisible(true);
    TablOprtWnd->BtnFieldDef->OnClick = [](Component*) { RecordVariablesCommand(); };
  }
}

}  // namespace quorel
