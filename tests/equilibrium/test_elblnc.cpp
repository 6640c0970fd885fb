// The element balance window of Orvanto on the headless platform, opened through the main
// window's menu after a real calculation.
//
// Reference values used below:
// - Standard atomic weights (IUPAC 2013, CIAAW): C 12.011, H 1.008, O 15.999.
// - The molar volume of an ideal gas at 273.15 K and 101.325 kPa, 22.413969 l/mol (CODATA 2018).
// - Elements are conserved by any chemical equilibrium: the moles of C, H and O that come out
//   of CH4 + 2 O2 are those that went in, 1, 4 and 4 mol.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "equilibrium/Compounds.h"
#include "equilibrium/ElBlnc.h"
#include "orvanto_support.h"
#include "shared/Elements.h"

using namespace quorel;
using orvtest::OrvantoTest;

namespace {

constexpr double kC = 12.011, kH = 1.008, kO = 15.999;
constexpr double kMethane = kC + 4 * kH;
constexpr double kOxygen = 2 * kO;
constexpr double kNormalMolarVolume = 22.413969e-3;  // m3/mol

const std::vector<std::string> kProducts = {"CO2 (g)", "H2O (g)", "CO (g)", "H2 (g)", "OH (g)", "H (g)", "O (g)"};

std::vector<std::vector<std::string>> Combustion(const std::string& methane, const std::string& oxygen) {
  std::vector<std::vector<std::string>> rows = {{"CH4 (g)", methane}, {"O2 (g)", oxygen}};
  for (const auto& p : kProducts) rows.push_back({p, ""});
  return rows;
}

class ElBalanceTest : public OrvantoTest {
 protected:
  // The solver holds every element's balance within its "Precision" band (1 +- 0.01 by
  // default); the balance is checked against a band far narrower than the tolerances below.
  void SetUp() override {
    OrvantoTest::SetUp();
    windows->Kernel->EditPrec->SetText("1E-10");
  }
  TElBalanceDlg& B() { return *ElBalanceDlg; }
  platform::StringGrid& BGrid(int slot) { return *B().BalanceGrids[slot]; }
  void Open() { m->MnuElBalance->Click(); }
  void Choose(const std::string& symbol) {
    const int i = B().CBE->Items().IndexOf(symbol);
    ASSERT_GE(i, 0) << symbol;
    B().CBE->SetItemIndex(i);
    B().ButtonUpdate->Click();
  }
  double BCell(int slot, int col, int row) { return TextToDouble(BGrid(slot).Cells(col, row)); }
  int SumRow(int slot) { return BGrid(slot).RowCount() - 1; }
  double Sum(int slot, int col) { return BCell(slot, col, SumRow(slot)); }
  int RowOf(int slot, const std::string& key) {
    for (int r = 1; r < BGrid(slot).RowCount(); ++r)
      if (BGrid(slot).Cells(BalCompound, r) == key) return r;
    return -1;
  }
  void Select(const std::string& symbol) {
    ElementsDlg->SetSelected(ElementIndex(symbol), true);
    ElementsDlg->CollectSelectedElements();
  }
};

// ---------------------------------------------------------------------------------------------
// Compositions

TEST(ElementShare, TheNextCharacterDecidesForOneLetterSymbols) {
  struct Case { const char* formula; const char* symbol; bool found; double atoms; } cases[] = {
      {"C1O2", "C", true, 1},
      {"C1O2", "O", true, 2},
      {"Os1O4", "O", true, 4},
      {"Os1", "O", false, 0},
      {"Co1", "O", false, 0},
      {"Co1", "C", false, 0},
      {"Co1O1", "Co", true, 1},
      {"Cl2", "C", false, 0},
      {"Fe2O3", "Fe", true, 2},
      {"H2O1", "N", false, 0},
      // An element written twice counts both times.
      {"C1H3C1O2H1", "C", true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.formula) + " " + c.symbol);
    ElementPart part;
    EXPECT_EQ(ElementShare(c.formula, c.symbol, part), c.found);
    EXPECT_DOUBLE_EQ(part.Atoms, c.atoms);
  }
  ElementPart part;
  ASSERT_TRUE(ElementShare("Fe2O3", "Fe", part));
  EXPECT_NEAR(part.MolarMass, MolarMass("Fe2O3"), 1e-12);
  EXPECT_NEAR(part.MassFraction, 2 * AtomicWeight(ElementIndex("Fe")) / MolarMass("Fe2O3"), 1e-12);
}

TEST(ElementShare, Headers) {
  const std::vector<std::string> expected = {"Compound",        "Total [mol] (in) ",  "C [mol] (in)",
                                             "C [kg] (in)",     "C rel. Mass (in)",   "Total [mol] (out) ",
                                             "C [mol] (out)",   "C [kg] (out)",       "C rel. Mass (out)"};
  for (int c = 0; c < BalanceColumnCount; ++c) EXPECT_EQ(BalanceHeader(c, "C"), expected[c]);
}

// ---------------------------------------------------------------------------------------------
// The balance of a calculation

TEST_F(ElBalanceTest, TheMenuItemOpensTheWindowWithOneTabPerOpenPhase) {
  ASSERT_NE(ElBalanceDlg, nullptr);
  EXPECT_EQ(B().Caption(), "Elementar Balance");
  EXPECT_EQ(m->MnuElBalance->Caption(), "Elementar Balance");
  EXPECT_EQ(m->MnuElBalance->Owner(), m->MnuMonitoring);
  EXPECT_FALSE(B().Visible());
  Phase(3).SetCaption("Melt");
  m->ClosePhaseWindow(6);
  Open();
  EXPECT_TRUE(B().Visible());
  EXPECT_TRUE(B().BalanceOpen);
  const bool shown[] = {false, true, false, true, false, false, false, false, false};
  for (int s = 1; s <= PhaseSlotCount; ++s) EXPECT_EQ(B().Tabs[s]->TabVisible(), shown[s]) << s;
  EXPECT_EQ(B().Tabs[1]->Caption(), "Gas.1");
  EXPECT_EQ(B().Tabs[3]->Caption(), "Melt");
  EXPECT_EQ(B().Tabs[7]->Caption(), "Solid (2)");
  // No solid phase: the panel's caption shows instead of the tabs.
  EXPECT_TRUE(B().PCG->Visible());
  EXPECT_FALSE(B().PCS->Visible());
  EXPECT_EQ(B().PanelSol->Caption(), "No Solids");
  EXPECT_EQ(B().PanelGas->Caption(), "No Gases");
  EXPECT_EQ(B().PanelLiq->Caption(), "No Liquids");
}

TEST_F(ElBalanceTest, ElementsAreConservedInTheCombustionOfMethane) {
  Fill(1, Combustion("1", "2"));
  Calculate("3000");
  ASSERT_TRUE(m->ResultsValidFlag);
  Open();
  // The picker holds the elements of the calculation.
  ASSERT_EQ(B().CBE->Items().Count(), 3);
  EXPECT_TRUE(B().CBE->Sorted());
  EXPECT_EQ(B().CBE->ItemIndex(), 0);
  const std::map<std::string, double> input = {{"C", 1.0}, {"H", 4.0}, {"O", 4.0}};
  for (const auto& [symbol, mol] : input) {
    SCOPED_TRACE(symbol);
    Choose(symbol);
    EXPECT_EQ(B().Caption(), "Elementar Balance: " + symbol);
    platform::StringGrid& g = BGrid(1);
    for (int c = 0; c < BalanceColumnCount; ++c) EXPECT_EQ(g.Cells(c, 0), BalanceHeader(c, symbol));
    EXPECT_EQ(g.Cells(BalMolIn, 0), symbol + " [mol] (in)");
    EXPECT_EQ(g.Cells(BalCompound, SumRow(1)), "Sum");
    EXPECT_NEAR(Sum(1, BalMolIn), mol, 1e-6 * mol);
    EXPECT_NEAR(Sum(1, BalMolOut), mol, 1e-5 * mol);
    EXPECT_NEAR(B().TotalIn, mol, 1e-6 * mol);
    EXPECT_NEAR(B().TotalOut, B().TotalIn, 1e-5 * mol);
    const double weight = AtomicWeight(ElementIndex(symbol));
    for (int r = 1; r <= SumRow(1); ++r) {
      if (g.Cells(BalMolIn, r).empty()) continue;
      EXPECT_NEAR(BCell(1, BalKgIn, r), BCell(1, BalMolIn, r) * weight / 1000, 1e-6 * BCell(1, BalKgIn, r) + 1e-15);
      EXPECT_NEAR(BCell(1, BalKgOut, r), BCell(1, BalMolOut, r) * weight / 1000, 1e-6 * BCell(1, BalKgOut, r) + 1e-15);
    }
    EXPECT_NEAR(Sum(1, BalRelIn), 1.0, 1e-6);
    EXPECT_NEAR(Sum(1, BalRelOut), 1.0, 1e-6);
    // Every row shown holds the element; the totals of a row are its amounts in mol.
    const int ch4 = RowOf(1, "CH4 (g)");
    if (symbol != "O") {
      ASSERT_GT(ch4, 0);
      EXPECT_NEAR(BCell(1, BalTotalIn, ch4), 1.0, 1e-9);
    } else {
      EXPECT_EQ(ch4, -1);
      ASSERT_GT(RowOf(1, "O2 (g)"), 0);
      EXPECT_NEAR(BCell(1, BalTotalIn, RowOf(1, "O2 (g)")), 2.0, 1e-9);
    }
    // The empty liquid phase balances to zero.
    EXPECT_EQ(BGrid(3).RowCount(), 2);
    EXPECT_EQ(BGrid(3).Cells(BalCompound, 1), "Sum");
    EXPECT_DOUBLE_EQ(Sum(3, BalMolIn), 0);
    EXPECT_DOUBLE_EQ(Sum(3, BalRelIn), 0);
    // Status bar.
    EXPECT_EQ(B().StBar->PanelText(0), "In:" + FloatToShortText(B().TotalIn) + "[mol]");
    EXPECT_EQ(B().StBar->PanelText(1), "Out:" + FloatToShortText(B().TotalOut) + "[mol]");
    EXPECT_EQ(B().StBar->PanelText(2), "Dif.:" + FloatToShortText(B().TotalIn - B().TotalOut) + "[mol]");
    EXPECT_EQ(B().StBar->PanelText(3), "In:" + FloatToShortText(B().TotalIn * weight / 1000) + "[kg]");
    EXPECT_EQ(B().StBar->PanelText(4), "Out:" + FloatToShortText(B().TotalOut * weight / 1000) + "[kg]");
  }
}

// Amounts given in a unit: the balance takes them in mol exactly as the run did. The ideal gas
// is chosen so that the expected moles follow from the ideal-gas law alone.
TEST_F(ElBalanceTest, AmountsInEveryUnitAreTakenInMol) {
  const int savedEos = EosType;
  EosType = EosIdealGas;
  const double R = GasConstant();
  struct Case { int inDim; int outDim; const char* methane; double T; double P; double mol; const char* why; } cases[] = {
      {DimGram, DimMol, "16.043", 3000, 1, 16.043 / kMethane, "gram"},
      {DimKilogram, DimMol, "0.016043", 3000, 1, 16.043 / kMethane, "kilogram"},
      {DimLitre, DimMol, "100", 3000, 2, 2e5 * 0.1 / (R * 3000), "litre at T and P"},
      {DimNormalCubicMetre, DimMol, "0.0224", 3000, 1, 0.0224 / kNormalMolarVolume, "normal cubic metre"},
      {DimMol, DimGram, "1", 3000, 1, 1, "results in gram"},
      {DimMol, DimKilogram, "1", 2500, 1, 1, "results in kilogram"},
      {DimMol, DimLitre, "1", 3000, 3, 1, "results in litre"},
      {DimMol, DimNormalCubicMetre, "1", 3000, 1, 1, "results in normal cubic metre"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    PhaseDimensionTable.InDimension[1] = c.inDim;
    PhaseDimensionTable.OutDimension[1] = c.outDim;
    // The oxygen in the same unit, for twice the moles of methane.
    std::string oxygen = "2";
    if (c.inDim == DimGram) oxygen = FloatToShortText(2 * c.mol * kOxygen);
    if (c.inDim == DimKilogram) oxygen = FloatToShortText(2 * c.mol * kOxygen / 1000);
    if (c.inDim == DimLitre) oxygen = "200";
    if (c.inDim == DimNormalCubicMetre) oxygen = "0.0448";
    Fill(1, Combustion(c.methane, oxygen));
    Calculate(FloatToShortText(c.T), FloatToShortText(c.P));
    ASSERT_TRUE(m->ResultsValidFlag);
    Open();
    Choose("C");
    const int ch4 = RowOf(1, "CH4 (g)");
    ASSERT_GT(ch4, 0);
    EXPECT_NEAR(BCell(1, BalTotalIn, ch4), c.mol, 1e-4 * c.mol);
    EXPECT_NEAR(B().TotalIn, c.mol, 1e-4 * c.mol);
    EXPECT_NEAR(B().TotalOut, B().TotalIn, 1e-5 * c.mol);
    Choose("O");
    EXPECT_NEAR(B().TotalIn, 4 * c.mol, 4e-4 * c.mol);
    EXPECT_NEAR(B().TotalOut, B().TotalIn, 1e-5 * c.mol);
  }
  PhaseDimensionTable.InDimension[1] = PhaseDimensionTable.OutDimension[1] = 0;
  EosType = savedEos;
}

TEST_F(ElBalanceTest, AnElementThatNoRowContainsGivesSumsOfZero) {
  Fill(1, Combustion("1", "2"));
  Calculate("3000");
  ASSERT_TRUE(m->ResultsValidFlag);
  Select("N");
  Open();
  Choose("N");
  for (int s : {1, 3, 6}) {
    SCOPED_TRACE(s);
    ASSERT_EQ(BGrid(s).RowCount(), 2);
    EXPECT_EQ(BGrid(s).Cells(BalCompound, 1), "Sum");
    EXPECT_EQ(BGrid(s).Cells(BalMolIn, 1), "0");
    EXPECT_EQ(BGrid(s).Cells(BalRelIn, 1), "0");
    EXPECT_EQ(BGrid(s).Cells(BalRelOut, 1), "0");
  }
  EXPECT_DOUBLE_EQ(B().TotalIn, 0);
  EXPECT_EQ(B().StBar->PanelText(0), "In:0[mol]");
}

TEST_F(ElBalanceTest, ShowAllCompoundsListsRowsWithoutTheElement) {
  Fill(1, Combustion("1", "2"));
  Calculate("3000");
  ASSERT_TRUE(m->ResultsValidFlag);
  Open();
  B().CbxAllComp->SetChecked(true);
  Choose("C");
  const int o2 = RowOf(1, "O2 (g)");
  ASSERT_GT(o2, 0);
  EXPECT_NEAR(BCell(1, BalTotalIn, o2), 2.0, 1e-9);
  EXPECT_FALSE(BGrid(1).Cells(BalTotalOut, o2).empty());
  for (int c : {BalMolIn, BalKgIn, BalRelIn, BalMolOut, BalKgOut, BalRelOut}) EXPECT_EQ(BGrid(1).Cells(c, o2), "") << c;
  EXPECT_EQ(SumRow(1), 1 + int(kProducts.size()) + 2);
  EXPECT_NEAR(Sum(1, BalTotalIn), 3.0, 1e-9);
  EXPECT_NEAR(Sum(1, BalMolIn), 1.0, 1e-9);
  B().CbxAllComp->SetChecked(false);
  Choose("C");
  EXPECT_EQ(RowOf(1, "O2 (g)"), -1);
}

TEST_F(ElBalanceTest, BadRowsAreReportedAndSkipped) {
  struct Case { int inDim; const char* key; const char* in; const char* out; int id; const char* text; } cases[] = {
      {DimMol, "Xyz (g)", "1", "", 350, "Mol definition Xyz is not correct in the database"},
      {DimMol, "CH4 (g)", "abc", "", 327, "Input Values for CH4 is irregular !"},
      {DimKilogram, "CH4 (g)", "abc", "", 331, "Input Values for CH4 is irregular !"},
      {DimLitre, "CH4 (g)", "1;2", "", 334, "Input Values for CH4 is irregular !"},
      {DimMol, "CH4 (g)", "1", "x", 341, "Output Values for CH4 is irregular !"},
      {DimMol, "CH4 (g)", "-1", "", 337, "Input Values for CH4 less than zero: irregular !"},
      {DimMol, "CH4 (g)", "1", "-2", 351, "Output Values for CH4 less than zero: irregular !"},
  };
  Select("C");
  Select("H");
  Fill(6, {{"C (s)", "1", "1"}});
  m->MnuTempK->Click();
  m->EditTsys->SetText("1000");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    PhaseDimensionTable.InDimension[1] = c.inDim;
    Fill(1, {{c.key, c.in, c.out}});
    log->sink.Clear();
    Open();
    Choose("C");
    EXPECT_EQ(Text(c.id), c.text);
    // The bad row is left out, the rows of the other phase stay.
    EXPECT_EQ(RowOf(1, std::string(c.key)), -1);
    EXPECT_EQ(BGrid(1).Cells(BalCompound, SumRow(1)), "Sum");
    EXPECT_GT(RowOf(6, "C (s)"), 0);
    EXPECT_NEAR(B().TotalIn, 1.0, 1e-12);
    EXPECT_NEAR(Sum(6, BalRelIn), 1.0, 1e-12);
    EXPECT_DOUBLE_EQ(Sum(1, BalRelIn), 0);
  }
  PhaseDimensionTable.InDimension[1] = 0;
}

TEST_F(ElBalanceTest, AMissingDatasetAsksWhetherToGoOn) {
  Select("C");
  Select("H");
  Fill(6, {{"CH4 (s)", "1"}, {"C (s)", "2"}});
  m->MnuTempK->Click();
  m->EditTsys->SetText("1000");
  for (int answer : {platform::mrOk, platform::mrCancel}) {
    SCOPED_TRACE(answer);
    session.dialogs.messages.clear();
    // Opening updates once, the update button once more.
    session.dialogs.QueueMessageAnswer(answer);
    session.dialogs.QueueMessageAnswer(answer);
    log->sink.Clear();
    Open();
    Choose("C");
    EXPECT_EQ(session.dialogs.messages.size(), 2u);
    EXPECT_EQ(Text(318), "The data of CH4 does not exist in the database");
    ASSERT_FALSE(session.dialogs.messages.empty());
    EXPECT_EQ(session.dialogs.messages.back().caption, "Quorel Database");
    // Going on reads the next row; Cancel stops the tab.
    EXPECT_EQ(RowOf(6, "C (s)") > 0, answer == platform::mrOk);
    EXPECT_EQ(BGrid(6).Cells(BalCompound, SumRow(6)), "Sum");
  }
}

TEST_F(ElBalanceTest, APhaseClosedAfterOpeningIsNotRead) {
  Fill(6, {{"C (s)", "2"}});
  Select("C");
  m->MnuTempK->Click();
  m->EditTsys->SetText("1000");
  Open();
  Choose("C");
  EXPECT_NEAR(B().TotalIn, 2.0, 1e-12);
  m->ClosePhaseWindow(6);
  B().ButtonUpdate->Click();
  EXPECT_DOUBLE_EQ(B().TotalIn, 0);
  EXPECT_EQ(BGrid(6).RowCount(), 2);
}

TEST_F(ElBalanceTest, ElementsAndCompoundsCloseTheWindow) {
  Open();
  ASSERT_TRUE(B().Visible());
  m->MnuElements->Click();
  EXPECT_FALSE(B().Visible());
  EXPECT_FALSE(B().BalanceOpen);
  Open();
  ASSERT_TRUE(B().Visible());
  session.modal.QueueModal([](platform::Form& f) { f.SetModalResult(platform::mrCancel); });
  m->MnuCompunds->Click();
  EXPECT_FALSE(B().Visible());
  Open();
  B().ButtonExit->Click();
  EXPECT_FALSE(B().Visible());
  Open();
  B().KeyDown(platform::Key::Escape);
  EXPECT_FALSE(B().Visible());
}

TEST_F(ElBalanceTest, TheSelectedColumnAndItsPartnerAreHighlighted) {
  Fill(1, Combustion("1", "2"));
  Calculate("3000");
  Open();
  Choose("C");
  EXPECT_EQ(B().HighlightCol, 1);
  EXPECT_EQ(B().PartnerCol, 5);
  struct Case { int col; int a; int b; } cases[] = {{2, 2, 6}, {7, 3, 7}, {0, 1, 5}, {4, 4, 8}, {5, 1, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.col);
    BGrid(1).SetColWidths(c.col, 90 + c.col);
    BGrid(1).UserSelectCell(c.col, 1);
    EXPECT_EQ(B().HighlightCol, c.a);
    EXPECT_EQ(B().PartnerCol, c.b);
    for (int s = 2; s <= PhaseSlotCount; ++s) EXPECT_EQ(BGrid(s).ColWidths(c.col), 90 + c.col);
  }
  BGrid(1).UserSelectCell(2, 1);
  platform::CellDrawInfo info;
  BGrid(1).DrawCell(6, 2, info);
  EXPECT_EQ(info.Background, BalanceHighlightColor);
  info = {};
  BGrid(1).DrawCell(3, 2, info);
  EXPECT_EQ(info.Background, platform::clWhite);
  EXPECT_EQ(info.TextDx, 2);
  // The grid's selected row keeps the grid's own colours.
  info = {};
  info.Background = 7;
  BGrid(1).DrawCell(2, 1, info);
  EXPECT_EQ(info.Background, 7u);
}

TEST_F(ElBalanceTest, SortsLeaveTheSumRowLast) {
  Fill(1, Combustion("1", "2"));
  Calculate("3000");
  Open();
  Choose("O");
  BGrid(1).UserSelectCell(BalMolOut, 1);
  B().PopupSGs->SetPopupComponent(&BGrid(1));
  B().PopupSGs->Popup(0, 0);
  EXPECT_EQ(B().PopSortUp->Caption(), "Sort upwards :O [mol] (out)");
  EXPECT_EQ(B().PopSortDown->Caption(), "Sort downwards :O [mol] (out)");
  for (bool up : {true, false}) {
    (up ? B().PopSortUp : B().PopSortDown)->Click();
    EXPECT_EQ(BGrid(1).Cells(BalCompound, SumRow(1)), "Sum");
    for (int r = 1; r + 1 < SumRow(1); ++r) {
      const double a = BCell(1, BalMolOut, r), b = BCell(1, BalMolOut, r + 1);
      EXPECT_TRUE(up ? a <= b : a >= b) << r;
    }
  }
  B().PopSortName->Click();
  EXPECT_EQ(BGrid(1).Cells(BalCompound, 1), "CO (g)");
  EXPECT_EQ(BGrid(1).Cells(BalCompound, SumRow(1)), "Sum");
}

TEST_F(ElBalanceTest, StatusPanelsTakeAQuarterOfTheWidth) {
  B().SetBounds(0, 0, 800, 500);
  B().FormResize();
  for (int i = 0; i < B().StBar->PanelCount(); ++i) EXPECT_EQ(B().StBar->PanelWidth(i), 200);
  B().SetBounds(0, 0, 400, 500);
  B().FormResize();
  EXPECT_EQ(B().StBar->PanelWidth(0), 200);
}

}  // namespace
