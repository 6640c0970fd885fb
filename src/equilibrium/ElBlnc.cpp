#include "equilibrium/ElBlnc.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "equilibrium/Compounds.h"
#include "platform/Services.h"
#include "shared/AplMsg.h"
#include "shared/Elements.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"
#include "shared/TDynOprt.h"

namespace quorel {

using namespace platform;

TElBalanceDlg* ElBalanceDlg = nullptr;

namespace {

constexpr double kNormalPressure = 1.01325;  // bar
constexpr double kNormalTemperature = 273.15;  // K

const char* const kTabCaptions[PhaseSlotCount + 1] = {
    "", "Gas", "Gas (2)", "Liquid", "Liquid (2)", "Liquid (3)", "Solid", "Solid (2)", "Solid (3)"};
const char* const kGridNames[PhaseSlotCount + 1] = {
    "", "SGG1", "SGG2", "SGL1", "SGL2", "SGL3", "SGS1", "SGS2", "SGS3"};

bool IsLetterAtOrAboveA(char c) { return static_cast<unsigned char>(c) >= 'A'; }

// The unit group of an amount dimension for the message IDs: mol, mass, gas volume.
int DimensionGroup(int code) {
  if (code >= DimGram && code <= DimPound) return 1;
  if (code >= DimLitre && code <= DimNormalCubicMetre) return 2;
  return 0;
}

GridToolkit& Toolkit() {
  static GridToolkit toolkit;
  return toolkit;
}

std::string Number(double v) { return FloatToShortText(v); }

// The compressibility factor of dataset n at (p, t); 1 when nothing usable comes out.
double DatasetZ(int n, double p, double t) {
  if (n < 1 || !(p > 0) || !(t > 0)) return 1.0;
  PropertyResult pr;
  if (!EvaluateProperties(n, EosType, pr, p, t)) return 1.0;
  return (pr.Z > 0 && std::isfinite(pr.Z)) ? pr.Z : 1.0;
}

// One amount cell in mol. An empty cell is no amount (0). The number is read in the column's
// unit; in a column of mol the text may carry its own unit ("500 g", "2 Nm3"). Gas volumes
// convert at T and pressure with the dataset's Z, normal cubic metres at 1.01325 bar and
// 273.15 K. False when the cell cannot be read or a needed quantity is missing.
bool CellToMol(const std::string& cell, int dimension, const std::string& formula, int dataset, double pressure,
               double T, double& mol) {
  mol = 0;
  const std::string text = Trim(cell);
  if (text.empty()) return true;
  std::string withUnit = text;
  if (dimension >= 1) {
    long double number = 0;
    if (!TryTextToFloat(text, number) || !std::isfinite(number)) return false;
    if (dimension < DimensionNameCount()) withUnit += " " + DimensionName(dimension);
  }
  const bool normal = dimension == DimNormalCubicMetre || (dimension < 1 && text.find("Nm") != std::string::npos);
  bool ok = false;
  if (normal) {
    const double z = DatasetZ(dataset, kNormalPressure, kNormalTemperature);
    ok = AmountToMol(withUnit, formula, kNormalPressure / z, kNormalTemperature, mol);
  } else {
    const double z = (dimension >= DimLitre || dimension < 1) ? DatasetZ(dataset, pressure, T) : 1.0;
    ok = AmountToMol(withUnit, formula, pressure / z, T, mol);
  }
  return ok && std::isfinite(mol);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Compositions

bool ElementShare(std::string_view formula, std::string_view symbol, ElementPart& part) {
  part = ElementPart{};
  if (symbol.empty() || formula.empty()) return false;
  bool found = false;
  if (symbol.size() == 1) {
    for (size_t i = 0; i < formula.size() && !found; ++i)
      found = formula[i] == symbol[0] && (i + 1 == formula.size() || !IsLetterAtOrAboveA(formula[i + 1]));
  } else {
    found = formula.find(symbol) != std::string_view::npos;
  }
  if (!found) return false;
  const double M = MolarMass(formula);
  if (!(M > 0) || !std::isfinite(M)) return true;
  const double atoms = FormulaElementCount(symbol, formula);
  const double weight = AtomicWeight(ElementIndex(symbol));
  part.MolarMass = M;
  part.Atoms = atoms;
  part.MassFraction = atoms * weight / M;
  return true;
}

std::string BalanceHeader(int column, std::string_view symbol) {
  const std::string el(symbol);
  switch (column) {
    case BalCompound: return "Compound";
    case BalTotalIn: return "Total [mol] (in) ";
    case BalMolIn: return el + " [mol] (in)";
    case BalKgIn: return el + " [kg] (in)";
    case BalRelIn: return el + " rel. Mass (in)";
    case BalTotalOut: return "Total [mol] (out) ";
    case BalMolOut: return el + " [mol] (out)";
    case BalKgOut: return el + " [kg] (out)";
    case BalRelOut: return el + " rel. Mass (out)";
    default: return {};
  }
}

// ---------------------------------------------------------------------------------------------
// The window

TElBalanceDlg::TElBalanceDlg() : Form(nullptr, "ElBalanceDlg") {
  SetCaption("Elementar Balance");
  SetKeyPreview(true);
  SetBounds(0, 0, 760, 560);

  PanelTop = Make<Panel>(this, "PanelTop");
  PanelTop->SetAlign(Align::Top);
  PanelTop->SetBounds(0, 0, 760, 36);
  LabelElement = Make<Label>(PanelTop, "LabelElement");
  LabelElement->SetCaption("Element");
  LabelElement->SetBounds(8, 10, 50, 13);
  CBE = Make<ComboBox>(PanelTop, "CBE");
  CBE->SetStyle(ComboStyle::DropDownList);
  CBE->SetSorted(true);
  CBE->SetBounds(64, 6, 70, 21);
  CbxAllComp = Make<CheckBox>(PanelTop, "CbxAllComp");
  CbxAllComp->SetCaption("Show all compounds");
  CbxAllComp->SetBounds(150, 8, 150, 17);
  ButtonUpdate = Make<Button>(PanelTop, "ButtonUpdate");
  ButtonUpdate->SetCaption("Update");
  ButtonUpdate->SetBounds(320, 5, 75, 25);
  ButtonExit = Make<Button>(PanelTop, "ButtonExit");
  ButtonExit->SetCaption("Exit");
  ButtonExit->SetBounds(404, 5, 75, 25);

  StBar = Make<StatusBar>(this, "StBar");
  StBar->SetAlign(Align::Bottom);
  StBar->SetPanelCount(5);

  PanelGas = Make<Panel>(this, "PanelGas");
  PanelGas->SetCaption("No Gases");
  PanelGas->SetAlign(Align::Top);
  PanelGas->SetBounds(0, 36, 760, 160);
  PanelLiq = Make<Panel>(this, "PanelLiq");
  PanelLiq->SetCaption("No Liquids");
  PanelLiq->SetAlign(Align::Top);
  PanelLiq->SetBounds(0, 196, 760, 160);
  PanelSol = Make<Panel>(this, "PanelSol");
  PanelSol->SetCaption("No Solids");
  PanelSol->SetAlign(Align::Client);
  PanelSol->SetBounds(0, 356, 760, 160);
  PCG = Make<PageControl>(PanelGas, "PCG");
  PCL = Make<PageControl>(PanelLiq, "PCL");
  PCS = Make<PageControl>(PanelSol, "PCS");
  for (PageControl* pc : {PCG, PCL, PCS}) {
    pc->SetAlign(Align::Client);
    pc->SetBounds(0, 0, 760, 160);
  }

  PopupSGs = Make<PopupMenu>(this, "PopupSGs");
  PopSortName = PopupSGs->Add("PopSortName", "Sort by Name");
  PopSortUp = PopupSGs->Add("PopSortUp", "Sort by Data upwards");
  PopSortDown = PopupSGs->Add("PopSortDown", "Sort by Data downwards");
  PopupSGs->AddSeparator("N1");
  PopCopy = PopupSGs->Add("PopCopy", "Copy");
  PopToExcel = PopupSGs->Add("PopToExcel", "To Ms Excel");
  FontDialog1 = Make<FontDialog>(this, "FontDialog1");

  for (int s = 1; s <= PhaseSlotCount; ++s) {
    PageControl* pc = IsGasSlot(s) ? PCG : (s <= 5 ? PCL : PCS);
    Tabs[s] = Make<TabSheet>(pc, std::string("Tab") + kGridNames[s]);
    Tabs[s]->SetCaption(kTabCaptions[s]);
    Tabs[s]->SetTag(s);
    StringGrid* g = Make<StringGrid>(Tabs[s], kGridNames[s]);
    g->SetAlign(Align::Client);
    g->SetTag(s);
    g->SetColCount(BalanceColumnCount);
    g->SetRowCount(2);
    g->SetFixedCols(0);  // the compound column is chosen like the data columns
    g->SetDefaultColWidth(110);
    g->SetOptions(g->Options() | goColSizing);
    g->SetPopupMenu(PopupSGs);
    g->OnSelectCell = [this](Component* sender, int col, int row, bool&) {
      if (auto* grid = dynamic_cast<StringGrid*>(sender)) SelectCell(*grid, col, row);
    };
    g->OnDrawCell = [this](Component* sender, int col, int row, CellDrawInfo& info) {
      if (auto* grid = dynamic_cast<StringGrid*>(sender)) DrawCell(*grid, col, row, info);
    };
    g->OnKeyDown = [](Component* sender, int& key, ShiftState shift) {
      if (auto* grid = dynamic_cast<StringGrid*>(sender)) Toolkit().GridKeyDown(*grid, key, shift);
    };
    BalanceGrids[s] = g;
    WriteHeader(*g);
  }

  ButtonUpdate->OnClick = [this](Component*) { ButtonUpdateClick(); };
  ButtonExit->OnClick = [this](Component*) { CloseBalance(); };
  PopupSGs->OnPopup = [this](Component*) { PopupSGsPopup(); };
  PopSortName->OnClick = [this](Component*) { SortByName(); };
  PopSortUp->OnClick = [this](Component*) { SortByData(true); };
  PopSortDown->OnClick = [this](Component*) { SortByData(false); };
  PopCopy->OnClick = [this](Component*) { CopyClick(); };
  PopToExcel->OnClick = [this](Component*) { ToExcelClick(); };
  OnKeyDown = [this](Component*, int& key, ShiftState shift) { FormKeyDown(key, shift); };
  OnResize = [this](Component*) { FormResize(); };
  OnHide = [this](Component*) { BalanceOpen = false; };

  ElBalanceDlg = this;
  ShowPanels();
  FormResize();
}

TElBalanceDlg::~TElBalanceDlg() {
  if (ElBalanceDlg == this) ElBalanceDlg = nullptr;
}

void TElBalanceDlg::SetBalanceConditions(double t, double p, double p2, double p3) {
  T = t;
  P = p;
  P2 = p2 > 0 ? p2 : p;
  P3 = p3 > 0 ? p3 : p;
}

void TElBalanceDlg::SetSlotSource(int slot, const std::string& caption, StringGrid* source) {
  if (!ValidPhaseSlot(slot)) return;
  sources_[slot] = source;
  Tabs[slot]->SetTabVisible(source != nullptr);
  Tabs[slot]->SetCaption(source ? caption : std::string(kTabCaptions[slot]));
  ShowPanels();
}

StringGrid* TElBalanceDlg::SlotSource(int slot) const {
  if (!ValidPhaseSlot(slot)) return nullptr;
  // A phase window closed since the tabs were set leaves nothing to read.
  StringGrid* g = sources_[slot];
  return g && PhaseSlotTable[slot].Grid == g ? g : nullptr;
}

void TElBalanceDlg::ShowPanels() {
  // A page control without a shown tab gives way to its panel's caption ("No Gases").
  for (PageControl* pc : {PCG, PCL, PCS}) {
    TabSheet* first = nullptr;
    for (int i = 0; i < pc->PageCount() && !first; ++i)
      if (pc->Pages(i)->TabVisible()) first = pc->Pages(i);
    pc->SetVisible(first != nullptr);
    if (first && (!pc->ActivePage() || !pc->ActivePage()->TabVisible())) pc->SetActivePage(first);
  }
}

void TElBalanceDlg::WriteHeader(StringGrid& grid) const {
  for (int c = 0; c < BalanceColumnCount; ++c) grid.SetCells(c, 0, BalanceHeader(c, Element));
}

void TElBalanceDlg::OpenBalance() {
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    StringGrid& g = *BalanceGrids[s];
    g.ClearCells();
    g.SetRowCount(2);
  }
  CBE->Items().Clear();
  if (ElementsDlg)
    for (const std::string& entry : ElementsDlg->SelectedElements) {
      const std::string symbol = Trim(entry);  // the picker's symbols end in a blank
      if (!symbol.empty() && CBE->Items().IndexOf(symbol) < 0) CBE->Items().Add(symbol);
    }
  CBE->SetItemIndex(CBE->Items().Count() > 0 ? 0 : -1);
  Element = CBE->ItemIndex() >= 0 ? CBE->Items()[CBE->ItemIndex()] : std::string();
  for (int s = 1; s <= PhaseSlotCount; ++s) WriteHeader(*BalanceGrids[s]);
  ShowPanels();
}

void TElBalanceDlg::CloseBalance() {
  BalanceOpen = false;
  Hide();
}

// ---------------------------------------------------------------------------------------------
// The update

void TElBalanceDlg::ButtonUpdateClick() {
  RunStateScope busy(RunState::Waiting);
  Element = CBE->ItemIndex() >= 0 ? CBE->Items()[CBE->ItemIndex()] : Trim(CBE->Text());
  ElementMass = AtomicWeight(ElementIndex(Element));
  SetCaption("Elementar Balance: " + Element);
  TotalIn = TotalOut = 0;
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    StringGrid& g = *BalanceGrids[s];
    if (StringGrid* source = SlotSource(s)) {
      FillBalanceGrids(*source, g, TotalIn, TotalOut);
    } else {
      g.ClearCells();
      g.SetRowCount(2);
      WriteHeader(g);
    }
  }
  // The rows' shares of the element's total, and their sums in the "Sum" row.
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (!SlotSource(s)) continue;
    StringGrid& g = *BalanceGrids[s];
    const int sumRow = g.RowCount() - 1;
    double relIn = 0, relOut = 0;
    for (int r = 1; r < sumRow; ++r) {
      if (Trim(g.Cells(BalMolIn, r)).empty()) continue;
      const double in = TotalIn > 0 ? TextToDouble(g.Cells(BalMolIn, r)) / TotalIn : 0.0;
      const double out = TotalOut > 0 ? TextToDouble(g.Cells(BalMolOut, r)) / TotalOut : 0.0;
      g.SetCells(BalRelIn, r, Number(in));
      g.SetCells(BalRelOut, r, Number(out));
      relIn += in;
      relOut += out;
    }
    g.SetCells(BalRelIn, sumRow, Number(relIn));
    g.SetCells(BalRelOut, sumRow, Number(relOut));
  }
  StBar->SetPanelText(0, "In:" + Number(TotalIn) + "[mol]");
  StBar->SetPanelText(1, "Out:" + Number(TotalOut) + "[mol]");
  StBar->SetPanelText(2, "Dif.:" + Number(TotalIn - TotalOut) + "[mol]");
  StBar->SetPanelText(3, "In:" + Number(TotalIn * ElementMass / 1000) + "[kg]");
  StBar->SetPanelText(4, "Out:" + Number(TotalOut * ElementMass / 1000) + "[kg]");
}

void TElBalanceDlg::FillBalanceGrids(const StringGrid& source, StringGrid& balance, double& in, double& out) {
  const int slot = SlotOfGrid(&balance);
  const bool gas = IsGasSlot(slot);
  const std::string slotPhase = SlotPhaseTag(slot);
  const int inDim = PhaseDimensionTable.InDimension[ValidPhaseSlot(slot) ? slot : 0];
  const int outDim = PhaseDimensionTable.OutDimension[ValidPhaseSlot(slot) ? slot : 0];
  // Inputs are read at the system pressure, results at the pressure of their gas phase.
  const double pin = P;
  const double pout = slot == 1 ? P2 : (slot == 2 ? P3 : P);
  const bool all = CbxAllComp->Checked();

  balance.ClearCells();
  balance.SetRowCount(2);
  WriteHeader(balance);
  int row = 1;
  double sumTotalIn = 0, sumTotalOut = 0, sumMolIn = 0, sumMolOut = 0;
  for (int r = 1; r < source.RowCount(); ++r) {
    const std::string key = Trim(source.Cells(ColKey, r));
    // "-" and "0" mark a phase without substances.
    if (key.empty() || key == "-" || key == "0") continue;
    std::string name, phase;
    SplitNamePhase(key, name, phase);
    if (phase == "(u)") phase = slotPhase;
    const int first = FindFirstDataset(name, "(*)");
    if (first < 1) {
      PostLogMessage(LevelError, BalanceNoSubstanceId, "Mol definition " + name + " is not correct in the database");
      continue;
    }
    const std::string formula = DatasetTable.Text(first, FieldComposition);
    ElementPart part;
    const bool occurs = ElementShare(formula, Element, part);
    if (!occurs && !all) continue;
    const int n = TDynOprtWnd ? TDynOprtWnd->FindDatasetAnyPhase(name, phase, T) : FindDataset(name, phase, T);
    if (n < 1) {
      const std::string text = "The data of " + name + " does not exist in the database";
      PostLogMessage(LevelError, BalanceNoDataId, text);
      if (MessageBox(text, "Quorel Database", mbOkCancel | mbIconInformation) == mrCancel) break;
      continue;
    }
    double molIn = 0, molOut = 0;
    if (!CellToMol(source.Cells(ColIn, r), inDim, formula, gas ? n : 0, pin, T, molIn)) {
      PostLogMessage(LevelError, BalanceIrregularInIds[DimensionGroup(inDim)],
                     "Input Values for " + name + " is irregular !");
      continue;
    }
    if (!CellToMol(source.Cells(ColOut, r), outDim, formula, gas ? n : 0, pout, T, molOut)) {
      PostLogMessage(LevelError, BalanceIrregularOutIds[DimensionGroup(outDim)],
                     "Output Values for " + name + " is irregular !");
      continue;
    }
    if (molIn < 0) {
      PostLogMessage(LevelError, BalanceNegativeInId, "Input Values for " + name + " less than zero: irregular !");
      continue;
    }
    if (molOut < 0) {
      PostLogMessage(LevelError, BalanceNegativeOutId, "Output Values for " + name + " less than zero: irregular !");
      continue;
    }
    if (row >= balance.RowCount() - 1) balance.SetRowCount(row + 2);
    balance.SetCells(BalCompound, row, key);
    balance.SetCells(BalTotalIn, row, Number(molIn));
    balance.SetCells(BalTotalOut, row, Number(molOut));
    sumTotalIn += molIn;
    sumTotalOut += molOut;
    if (occurs) {
      const double elIn = molIn * part.Atoms;
      const double elOut = molOut * part.Atoms;
      balance.SetCells(BalMolIn, row, Number(elIn));
      balance.SetCells(BalKgIn, row, Number(elIn * ElementMass / 1000));
      balance.SetCells(BalMolOut, row, Number(elOut));
      balance.SetCells(BalKgOut, row, Number(elOut * ElementMass / 1000));
      sumMolIn += elIn;
      sumMolOut += elOut;
    }
    ++row;
  }
  balance.SetRowCount(row + 1);
  const int sumRow = row;
  for (int c = 0; c < BalanceColumnCount; ++c) balance.SetCells(c, sumRow, "");
  balance.SetCells(BalCompound, sumRow, "Sum");
  balance.SetCells(BalTotalIn, sumRow, Number(sumTotalIn));
  balance.SetCells(BalMolIn, sumRow, Number(sumMolIn));
  balance.SetCells(BalKgIn, sumRow, Number(sumMolIn * ElementMass / 1000));
  balance.SetCells(BalTotalOut, sumRow, Number(sumTotalOut));
  balance.SetCells(BalMolOut, sumRow, Number(sumMolOut));
  balance.SetCells(BalKgOut, sumRow, Number(sumMolOut * ElementMass / 1000));
  in += sumMolIn;
  out += sumMolOut;
}

// ---------------------------------------------------------------------------------------------
// Grids

int TElBalanceDlg::SlotOfGrid(const Component* grid) const {
  for (int s = 1; s <= PhaseSlotCount; ++s)
    if (BalanceGrids[s] == grid) return s;
  return 0;
}

StringGrid* TElBalanceDlg::PopupGrid() const {
  const int s = SlotOfGrid(PopupSGs->PopupComponent());
  return s > 0 ? BalanceGrids[s] : nullptr;
}

void TElBalanceDlg::SelectCell(StringGrid& grid, int col, int row) {
  (void)row;
  const int s = SlotOfGrid(&grid);
  if (s > 0) LastSelectedCol[s] = col;
  LastSelectedColumn = col;
  int a = BalTotalIn, b = BalTotalOut;
  if (col >= 1 && col <= 4) {
    a = col;
    b = col + 4;
  } else if (col > 4) {
    a = col - 4;
    b = col;
  }
  const bool changed = a != HighlightCol || b != PartnerCol;
  HighlightCol = a;
  PartnerCol = b;
  const int width = grid.ColWidths(col);
  for (int t = 1; t <= PhaseSlotCount; ++t)
    if (BalanceGrids[t] != &grid) BalanceGrids[t]->SetColWidths(col, width);
  if (changed)
    for (int t = 1; t <= PhaseSlotCount; ++t) BalanceGrids[t]->Repaint();
}

void TElBalanceDlg::DrawCell(const StringGrid& grid, int col, int row, CellDrawInfo& info) const {
  if (col <= 0 || row <= 0 || row == grid.Row()) return;
  info.Background = (col == HighlightCol || col == PartnerCol) ? BalanceHighlightColor : clWhite;
  info.TextDx = 2;
  info.TextDy = 2;
}

void TElBalanceDlg::PopupSGsPopup() {
  const StringGrid* g = PopupGrid();
  const int s = SlotOfGrid(g);
  const int col = s > 0 && LastSelectedCol[s] > 0 ? LastSelectedCol[s] : LastSelectedColumn;
  const std::string header = g ? g->Cells(col, 0) : BalanceHeader(col, Element);
  PopSortUp->SetCaption("Sort upwards :" + header);
  PopSortDown->SetCaption("Sort downwards :" + header);
}

namespace {

// Sorts the rows above the "Sum" row.
template <class Sort>
void SortAboveSum(StringGrid& g, Sort sort) {
  if (g.RowCount() < 3) return;
  const std::vector<std::string> sum = g.Rows(g.RowCount() - 1);
  g.SetRowCount(g.RowCount() - 1);
  sort(g);
  g.SetRowCount(g.RowCount() + 1);
  for (int c = 0; c < g.ColCount() && c < int(sum.size()); ++c) g.SetCells(c, g.RowCount() - 1, sum[c]);
}

}  // namespace

void TElBalanceDlg::SortByName() {
  if (StringGrid* g = PopupGrid()) SortAboveSum(*g, [](StringGrid& grid) { SortGridByName(grid, 0); });
}

void TElBalanceDlg::SortByData(bool upwards) {
  const int col = LastSelectedColumn;
  if (col < 0 || col >= BalanceColumnCount) return;
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (!Tabs[s]->TabVisible()) continue;
    SortAboveSum(*BalanceGrids[s], [col, upwards](StringGrid& grid) {
      if (upwards) SortGridDataUp(grid, col);
      else SortGridDataDown(grid, col);
    });
  }
}

void TElBalanceDlg::CopyClick() {
  if (const StringGrid* g = PopupGrid()) Toolkit().CopyGridSelection(*g);
}

void TElBalanceDlg::ToExcelClick() {
  std::vector<ExcelSheetGrid> sheets;
  for (int s = 1; s <= PhaseSlotCount; ++s)
    if (Tabs[s]->TabVisible())
      sheets.push_back(ExcelSheetGrid{BalanceGrids[s], int(sheets.size()) + 1, Tabs[s]->Caption()});
  if (!sheets.empty()) TransferGridsToExcel(sheets, int(sheets.size()));
}

void TElBalanceDlg::FormKeyDown(int& key, ShiftState shift) {
  if (key == Key::Escape) {
    key = 0;
    CloseBalance();
  } else if (key == 'F' && (shift & ssCtrl) != 0) {
    key = 0;
    FontDialog1->SetDialogFont(Font());
    if (FontDialog1->Execute()) {
      SetFont(FontDialog1->DialogFont());
      for (int s = 1; s <= PhaseSlotCount; ++s) BalanceGrids[s]->SetFont(FontDialog1->DialogFont());
    }
  }
}

void TElBalanceDlg::FormResize() {
  if (Width() < 516) return;
  for (int i = 0; i < StBar->PanelCount(); ++i) StBar->SetPanelWidth(i, Width() / 4);
}

}  // namespace quorel
