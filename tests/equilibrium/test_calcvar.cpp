// Calculation by variation: the variables' grid, the steps and their values, the refusals of
// "Start", the hand-over to the record definition, the section of the system file, and sweeps
// whose results are checked against values computed here from the datasets' equilibrium
// constants and against published ones.
//
// Reference values used below:
// - NIST-JANAF Thermochemical Tables, 4th ed. (M. W. Chase, J. Phys. Chem. Ref. Data Monograph 9,
//   1998), tables "Carbon Dioxide (CO2)", "Carbon Monoxide (CO)" and "Water (H2O)" (ideal gas,
//   1 bar): the column log Kf of the formation from the elements in their reference states.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "chart_probe.h"
#include "eqkernel_support.h"
#include "equilibrium/CalcVar.h"
#include "equilibrium/RcrdDef.h"
#include "orvanto_support.h"
#include "records_charts/TablOprt.h"
#include "shared/TDynOprt.h"

using namespace quorel;
using orvtest::ChartProbe;
using orvtest::OrvantoTest;
namespace fs = std::filesystem;

namespace {

// Keeps the equation of state of a test from the tests after it.
struct EosGuard {
  ~EosGuard() { EosType = DefaultEosType; }
};

class VariationTest : public OrvantoTest {
 protected:
  TCalcVarDlg& V() { return *windows->Variation; }
  platform::StringGrid& SGV() { return *V().SGV; }
  platform::StringGrid& Records() { return *TablOprtWnd->SGT; }

  // Variable rows from column 1 on ("Variable", "Begin", "Step", "Limit", "Dependence",
  // "Factor", "Allocation"); the ID is the row.
  void SetVariables(const std::vector<std::vector<std::string>>& rows) {
    V().ClearVariationGrid();
    SGV().SetRowCount(std::max<int>(2, int(rows.size()) + 1));
    for (int r = 1; r <= int(rows.size()); ++r) {
      SGV().SetCells(VarColId, r, std::to_string(r));
      for (int c = 0; c < int(rows[r - 1].size()); ++c) SGV().SetCells(c + 1, r, rows[r - 1][c]);
    }
  }
  std::vector<VariationRecord> Read() {
    const int n = V().ReadVariationGrid();
    return std::vector<VariationRecord>(V().Variables.begin() + 1, V().Variables.begin() + 1 + n);
  }
  // The values of every step of the variables in the grid (one vector per variable).
  std::vector<std::vector<double>> Steps() {
    const std::vector<VariationRecord> vars = Read();
    std::vector<std::vector<double>> out(vars.size());
    const int n = VariationStepCount(vars);
    for (int i = 1; i <= n; ++i) {
      const std::vector<Extended> v = VariationValues(vars, i);
      for (size_t k = 0; k < v.size(); ++k) out[k].push_back(double(v[k]));
    }
    return out;
  }
  // The record definition: (name, address) per field, applied as by Accept.
  void DefineRecords(const std::vector<std::pair<std::string, std::string>>& fields) {
    TRcrdDefDlg& d = *RcrdDefDlg;
    d.PrepareRecordDialog();
    d.SGR->SetRowCount(int(fields.size()) + 1);
    for (int i = 1; i <= int(fields.size()); ++i) {
      d.SGR->SetCells(RecFieldId, i, std::to_string(i));
      d.SGR->SetCells(RecFieldName, i, fields[i - 1].first);
      d.SGR->SetCells(RecFieldAddress, i, fields[i - 1].second);
    }
    d.AcceptClick();
  }
  // Runs "Calculation by Variation" with the grid as the user leaves it and "Start".
  void RunVariationCommand(const std::vector<std::vector<std::string>>& rows, bool setX = false) {
    session.modal.QueueModal([this, rows, setX](platform::Form&) {
      SetVariables(rows);
      V().CbxXax->SetChecked(setX);
      V().ButtonStart->Click();
    });
    m->MnuCalcVar->Click();
  }
  // Gas1 with CO and H2O, 1 mol each, and the products CO2 and H2 at 0, ideal gas, a tight
  // balance; the record variables T and the four amounts.
  void WaterGasShift() {
    TDynOprtWnd->RGgrl->UserSelect(EosIdealGas);
    ASSERT_EQ(EosType, EosIdealGas);
    windows->Kernel->EditPrec->SetText("1E-10");
    m->MnuTempK->Click();
    Fill(1, {{"CO (g)", "1"}, {"H2O (g)", "1"}, {"CO2 (g)", "0"}, {"H2 (g)", "0"}});
    DefineRecords({{"T", "0x 00 00 00 00"},
                   {"CO2 (g) | out", "0x 01 01 02 03"},
                   {"CO (g) | out", "0x 01 01 02 01"},
                   {"H2O (g) | out", "0x 01 01 02 02"},
                   {"H2 (g) | out", "0x 01 01 02 04"}});
  }
  int RecordCount() {
    const int n = Records().RowCount() - 1;
    return n == 1 && Trim(Records().Cells(0, 1)).empty() ? 0 : n;
  }
  EosGuard eos;
};

// K of CO + H2O = CO2 + H2 from the datasets at T and 1 bar, with the solver's gas constant.
double ShiftConstant(double T) {
  auto g = [T](const char* name) {
    const int row = FindDataset(name, "(g)", T);
    EXPECT_GE(row, 1) << name;
    PropertyResult r;
    EXPECT_TRUE(EvaluateProperties(row, EosIdealGas, r, 1.0, T)) << name;
    return r.G;
  };
  const double dG = g("CO2") + g("H2") - g("CO") - g("H2O");
  return std::exp(-dG / (double(SolverGasConstant) * T));
}

// ---------------------------------------------------------------------------------------------
// Steps and values

TEST_F(VariationTest, StepsAndValuesOfMastersAndDependents) {
  struct Case {
    const char* why;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::vector<double>> values;  // by variable, by step
  } cases[] = {
      {"linear rising", {{"T", "300", "50", "500", "", "", "0x 00 00 00 00"}}, {{300, 350, 400, 450, 500}}},
      {"linear falling: the absolute count", {{"T", "500", "-50", "300", "0", "", "0x 00 00 00 00"}},
       {{500, 450, 400, 350, 300}}},
      {"dlogx, any case", {{"P", "1", "10", "1000", "DlogX", "", "0x 00 00 00 01"}}, {{1, 10, 100, 1000}}},
      {"the last step stops at the limit", {{"T", "300", "70", "500", "", "", "0x 00 00 00 00"}},
       {{300, 370, 440, 500}}},
      {"a falling logarithmic sweep", {{"P", "1000", "0.1", "1", "dlogx", "", "0x 00 00 00 01"}},
       {{1000, 100, 10, 1}}},
      {"a linear fall stops at its limit", {{"T", "500", "-70", "300", "", "", "0x 00 00 00 00"}},
       {{500, 430, 360, 300}}},
      {"a dependent takes twice its master's value, whatever its own Begin, and is never clamped",
       {{"T", "300", "70", "500", "", "", "0x 00 00 00 00"}, {"n", "7", "1", "8", "1", "2", "0x 01 01 01 01"}},
       {{300, 370, 440, 500}, {600, 740, 880, 1000}}},
      {"a dependence not below its own ID makes a master",
       {{"T", "300", "100", "500", "", "", "0x 00 00 00 00"}, {"n", "1", "1", "4", "2", "2", "0x 01 01 01 01"},
        {"x", "5", "1", "6", "7", "3", "0x 01 01 01 02"}},
       {{300, 400, 500, 500}, {1, 2, 3, 4}, {5, 6, 6, 6}}},
      {"a master with Step 0 keeps its value and gives one step", {{"T", "350", "0", "900", "", "", "0x 00 00 00 00"}},
       {{350}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    SetVariables(c.rows);
    const std::vector<std::vector<double>> got = Steps();
    ASSERT_EQ(got.size(), c.values.size());
    for (size_t k = 0; k < got.size(); ++k) {
      ASSERT_EQ(got[k].size(), c.values[k].size()) << "variable " << k + 1;
      for (size_t i = 0; i < got[k].size(); ++i) EXPECT_NEAR(got[k][i], c.values[k][i], 1e-9 * std::fabs(c.values[k][i]));
    }
  }
}

TEST_F(VariationTest, OnlyVariablesOneToEightOfTheGridCount) {
  // Three variables, the third with many steps; then the grid holds two: the third's record
  // from the first reading no longer counts.
  SetVariables({{"T", "300", "100", "500", "", "", "0x 00 00 00 00"},
                {"P", "1", "1", "2", "", "", "0x 00 00 00 01"},
                {"n", "0", "1", "99", "", "", "0x 01 01 01 01"}});
  EXPECT_EQ(VariationStepCount(Read()), 100);
  DeleteGridRow(3, SGV());
  EXPECT_EQ(VariationStepCount(Read()), 3);
  EXPECT_EQ(V().Variables[3].Step, 0);
  // Rows 9 and later are neither counted nor applied.
  std::vector<std::vector<std::string>> rows;
  for (int k = 1; k <= 8; ++k) rows.push_back({"n", "1", "1", "2", "", "", "0x 01 01 01 01"});
  rows.push_back({"T", "300", "1", "900", "", "", "0x 00 00 00 00"});
  SetVariables(rows);
  EXPECT_EQ(V().ReadVariationGrid(), 8);
  EXPECT_EQ(VariationStepCount(Read()), 2);
}

TEST_F(VariationTest, StartRefusesWhatCannotRunAndNamesTheRow) {
  struct Case {
    std::vector<std::vector<std::string>> rows;
    const char* text;
  } cases[] = {
      {{{"T", "300", "50", "500", "", "", "0x 00 00 00 00"}, {"P", "1", "1", "10", "dlogx", "", "0x 00 00 00 01"}},
       "Variable 2: a logarithmic variation"},
      {{{"P", "0", "10", "100", "dlogx", "", "0x 00 00 00 01"}}, "Variable 1: a logarithmic variation"},
      {{{"P", "1", "10", "-1", "dlogx", "", "0x 00 00 00 01"}}, "Variable 1: a logarithmic variation"},
      {{{"P", "1", "-10", "100", "dlogx", "", "0x 00 00 00 01"}}, "Variable 1: a logarithmic variation"},
      {{{"T", "0", "1e-9", "1000", "", "", "0x 00 00 00 00"}}, "Variable 1: more than 10000 steps"},
      {{{"T", "300", "50", "100", "", "", "0x 00 00 00 00"}}, "Variable 1: the Step leads away from the Limit"},
      {{{"T", "500", "-50", "600", "", "", "0x 00 00 00 00"}}, "Variable 1: the Step leads away from the Limit"},
      {{{"T", "300", "50", "500", "", "", "0x 00 00 00 00"}, {"n", "1", "1", "2", "", "", "0x 01 01 01"}},
       "Variable 2: the allocation \"0x 01 01 01\" names no target"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SetVariables(c.rows);
    session.dialogs.messages.clear();
    V().StartFlag = false;
    V().StartClick();
    EXPECT_FALSE(V().StartFlag);
    ASSERT_EQ(session.dialogs.messages.size(), 1u);
    EXPECT_EQ(session.dialogs.messages[0].caption, "Process Calculator");
    EXPECT_EQ(session.dialogs.messages[0].text.rfind(c.text, 0), 0u) << session.dialogs.messages[0].text;
  }
  // A valid grid starts; an empty one closes without a run.
  SetVariables({{"T", "300", "50", "500", "", "", "0x 00 00 00 00"}});
  V().StartClick();
  EXPECT_TRUE(V().StartFlag);
  EXPECT_EQ(m->StBar->PanelText(0), "0");
  V().StartFlag = false;
  V().ClearVariationGrid();
  V().StartClick();
  EXPECT_FALSE(V().StartFlag);
}

// ---------------------------------------------------------------------------------------------
// The dialog

TEST_F(VariationTest, AddDelAndClear) {
  Fill(1, {{"N2 (g)", "1"}, {"", ""}, {"H2 (g)", "3"}});
  V().PrepareVariationDialog();
  EXPECT_EQ(V().CBState->Items()[0], m->LabelT->Caption());
  EXPECT_EQ(V().CBState->Items()[1], m->LabelPV->Caption());
  ASSERT_EQ(V().CBWnd->Items().Count(), 3);  // Gas.1, Liq.1, Sol.1
  EXPECT_EQ(V().CBWnd->Items()[0], "Gas.1");
  // The empty substance row is not listed, and H2 keeps its own grid row.
  ASSERT_EQ(V().CBRow->Items().Count(), 2);
  EXPECT_EQ(V().CBRow->Items()[1], "H2 (g)");
  V().AddStateClick();
  V().CBRow->SetItemIndex(1);
  V().CBCol->SetItemIndex(3);
  V().AddSubstanceClick();
  EXPECT_EQ(SGV().RowCount(), 3);
  EXPECT_EQ(SGV().Cells(VarColId, 1), "1");
  EXPECT_EQ(SGV().Cells(VarColName, 1), m->LabelT->Caption());
  EXPECT_EQ(SGV().Cells(VarColAllocation, 1), "0x 00 00 00 00");
  EXPECT_EQ(SGV().Cells(VarColName, 2), "H2 (g) | Gas.1 , T(in)");
  EXPECT_EQ(SGV().Cells(VarColAllocation, 2), "0x 01 01 08 03");
  // The variable reaches the row after the empty one.
  SetVariables({{"x", "5", "1", "6", "", "", "0x 01 01 08 03"}});
  Read();
  V().Values[1] = 42;
  V().ApplyVariable(1);
  EXPECT_EQ(Grid(1).Cells(ColTin, 3), "42");
  EXPECT_EQ(Grid(1).Cells(ColTin, 2), "");
  // A duplicate is refused with the row that holds it.
  SetVariables({{"T", "", "", "", "", "", "0x 00 00 00 00"}, {"P", "", "", "", "", "", "0x 00 00 00 01"}});
  V().CBState->SetItemIndex(1);
  V().AddStateClick();
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].text, "Variable already exists, See ID: 2");
  EXPECT_EQ(session.dialogs.messages[0].caption, "Process Calculator");
  EXPECT_EQ(SGV().RowCount(), 3);
  // A ninth variable is refused.
  std::vector<std::vector<std::string>> eight;
  for (int k = 1; k <= 8; ++k) eight.push_back({"n", "1", "1", "2", "", "", "0x 01 01 01 0" + std::to_string(k)});
  SetVariables(eight);
  V().CBState->SetItemIndex(0);
  V().AddStateClick();
  EXPECT_EQ(SGV().RowCount(), 9);
  EXPECT_EQ(session.dialogs.messages.back().text, "Maximum is 8 variables !");
  // Del renumbers the rows; Clear asks.
  V().CurrentRow = 2;
  V().DelClick();
  EXPECT_EQ(SGV().RowCount(), 8);
  for (int r = 1; r < 8; ++r) EXPECT_EQ(SGV().Cells(VarColId, r), std::to_string(r));
  EXPECT_EQ(SGV().Cells(VarColAllocation, 2), "0x 01 01 01 03");
  session.dialogs.QueueMessageAnswer(platform::mrNo);
  V().ClearClick();
  EXPECT_EQ(SGV().RowCount(), 8);
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  V().ClearClick();
  EXPECT_EQ(session.dialogs.messages.back().text, "Delete all variables");
  EXPECT_EQ(SGV().RowCount(), 2);
  EXPECT_EQ(SGV().Cells(VarColAllocation, 1), "");
  EXPECT_EQ(SGV().Cells(VarColId, 0), "ID");
  // The first Add uses the empty row.
  V().AddStateClick();
  EXPECT_EQ(SGV().RowCount(), 2);
  EXPECT_EQ(SGV().Cells(VarColId, 1), "1");
  EXPECT_TRUE(session.AllUsed());
}

TEST_F(VariationTest, CellsStatusAndDescriptions) {
  Fill(1, {{"N2 (g)", "1"}, {"H2 (g)", "3"}});
  SetVariables({{"old text", "1", "1", "2", "", "", "0x 01 01 01 02"}, {"T", "300", "1", "301", "", "", "0x 00 00 00 00"},
                {"gone", "1", "1", "2", "", "", "0x 01 02 01 01"}});
  Phase(1).SetCaption("Feed");
  V().PrepareVariationDialog();
  // The descriptions follow the window caption; a target that does not exist shows "!".
  EXPECT_EQ(SGV().Cells(VarColName, 1), "H2 (g) | Feed , in");
  EXPECT_EQ(SGV().Cells(VarColName, 2), m->LabelT->Caption());
  EXPECT_EQ(SGV().Cells(VarColName, 3), "!");
  EXPECT_EQ(SGV().Col(), VarColBegin);
  EXPECT_EQ(SGV().Row(), 1);
  // Only columns 2-6 can be selected; a selection shows the allocation and its description.
  EXPECT_FALSE(SGV().UserSelectCell(VarColName, 1));
  EXPECT_FALSE(SGV().UserSelectCell(VarColAllocation, 2));
  EXPECT_TRUE(SGV().UserSelectCell(VarColStep, 1));
  EXPECT_EQ(V().StBar->PanelText(0), "0x 01 01 01 02");
  EXPECT_EQ(V().StBar->PanelText(1), "H2 (g) | Feed , in");
  EXPECT_TRUE(SGV().UserSelectCell(VarColDependence, 2));
  EXPECT_EQ(V().CurrentRow, 2);
  EXPECT_EQ(V().StBar->PanelText(1), "when dependence is dlogx, logaritmic step should be:10");
  // A moved row takes the ID of its place.
  SGV().UserMoveRow(3, 1);
  EXPECT_EQ(SGV().Cells(VarColAllocation, 1), "0x 01 02 01 01");
  EXPECT_EQ(SGV().Cells(VarColId, 1), "1");
  EXPECT_EQ(SGV().Cells(VarColId, 3), "3");
  // Start and Exit stand on either side of the middle; narrow columns widen to 8.
  SGV().SetColWidths(VarColFactor, 2);
  V().UserResize(600, 400);
  EXPECT_EQ(V().ButtonStart->Left() + V().ButtonStart->Width(), 296);
  EXPECT_EQ(V().ButtonExit->Left(), 304);
  EXPECT_EQ(SGV().ColWidths(VarColFactor), 8);
}

// ---------------------------------------------------------------------------------------------
// The record definition and the system file

TEST_F(VariationTest, VariablesJoinTheRecordDefinition) {
  Fill(1, {{"N2 (g)", "1"}});
  DefineRecords({{"n N2", "0x 01 01 02 01"}});
  SetVariables({{"P [bar]", "1", "1", "3", "", "", "0x 00 00 00 01"},
                {"T[ C ]", "300", "50", "500", "", "", "0x 00 00 00 00"},
                {"N2 (g) | Gas.1 , In", "1", "1", "2", "", "", "0x 01 01 01 01"},
                {"n again", "1", "1", "2", "", "", "0x 01 01 02 01"}});
  Read();
  V().AddVariablesToRecordDefinition();
  EXPECT_TRUE(V().VariablesAdded);
  const platform::StringGrid& f = *RcrdDefDlg->SGR;
  // The pressure or volume never; T and the input amount as fields 2 and 3; the recorded
  // amount not twice.
  ASSERT_EQ(f.RowCount(), 4);
  EXPECT_EQ(f.Cells(RecFieldName, 2), "T[ C ]");
  EXPECT_EQ(f.Cells(RecFieldAddress, 2), "0x 00 00 00 00");
  EXPECT_EQ(f.Cells(RecFieldId, 3), "3");
  EXPECT_EQ(f.Cells(RecFieldAddress, 3), "0x 01 01 01 01");
  ASSERT_EQ(Records().ColCount(), 4);
  EXPECT_EQ(Records().Cells(0, 0), "C");
  EXPECT_EQ(Records().Cells(1, 0), "n N2");
  EXPECT_EQ(Records().Cells(2, 0), "T[ C ]");
  // Nothing missing: nothing added.
  V().AddVariablesToRecordDefinition();
  EXPECT_FALSE(V().VariablesAdded);
  EXPECT_EQ(f.RowCount(), 4);
  // A definition that cannot take the fields refuses the start.
  std::vector<std::pair<std::string, std::string>> full;
  for (int i = 1; i <= 80; ++i) full.push_back({"v" + std::to_string(i), "0x 00 00 00 02"});
  DefineRecords(full);
  SetVariables({{"T[ C ]", "300", "50", "500", "", "", "0x 00 00 00 00"}});
  V().StartClick();
  EXPECT_FALSE(V().StartFlag);
  EXPECT_EQ(session.dialogs.messages.back().text,
            "Variable 1: the record definition holds 80 fields; at most 80 can be recorded");
}

TEST_F(VariationTest, TheSectionOfTheSystemFileAndItsOlderForm) {
  SettingsReader& store = SettingsStore();
  const std::string path = (home / "variation.eql").string();
  SetVariables({{"T[ C ]", "300", "50", "500", "", "", "0x 00 00 00 00"},
                {"H2 (g) | Gas.1 , In", "1", "1", "10", "dlogx", "", "0x 01 01 01 02"},
                {"x", "7", "", "", "1", "2.5", "0x 01 01 06 01"}});
  store.ResetSettingsCache();
  store.SetCachedFileName(path);
  store.FileLines() = {"[Information]", "  Created by a test"};
  V().SaveVariationSection(store.FileLines());
  ASSERT_EQ(store.SaveSettingsFile(path), 1);
  std::vector<std::vector<std::string>> before;
  for (int r = 0; r < SGV().RowCount(); ++r) before.push_back(SGV().Rows(r));
  V().ClearVariationGrid();
  store.ResetSettingsCache();
  ASSERT_EQ(store.OpenSettingsFile(path), 1);
  V().LoadVariationSection();
  ASSERT_EQ(SGV().RowCount(), int(before.size()));
  for (int r = 0; r < SGV().RowCount(); ++r) EXPECT_EQ(SGV().Rows(r), before[size_t(r)]) << "row " << r;

  // The older form, with a row count from a damaged file: the variables that are there, never
  // more than eight.
  {
    std::ofstream out(home / "old.eql", std::ios::binary);
    out << "[VariableCalculation]\r\n  RC=2000000000\r\n"
        << "  R01=X1:300;dX:50;X2:500;F:0;S:0;R:0;C:0;D:0;V:T [C];\r\n"
        << "  R02=X1:1;dX:0.5;X2:3;F:2;S:1;R:2;C:1;D:1;V:N2 | Gas.1;\r\n";
  }
  store.ResetSettingsCache();
  ASSERT_EQ(store.OpenSettingsFile((home / "old.eql").string()), 1);
  V().LoadVariationSection();
  EXPECT_EQ(SGV().RowCount(), 3);
  EXPECT_EQ(SGV().Rows(1), (std::vector<std::string>{"1", "T [C]", "300", "50", "500", "0", "0", "0x 00 00 00 00"}));
  EXPECT_EQ(SGV().Rows(2), (std::vector<std::string>{"2", "N2 | Gas.1", "1", "0.5", "3", "1", "2", "0x 01 01 01 02"}));
  // A file without either section leaves the grid empty.
  store.ResetSettingsCache();
  store.FileLines() = {"[System]", "  T=25"};
  V().LoadVariationSection();
  EXPECT_EQ(SGV().RowCount(), 2);
  EXPECT_EQ(SGV().Cells(VarColAllocation, 1), "");
}

// ---------------------------------------------------------------------------------------------
// Sweeps

TEST_F(VariationTest, WaterGasShiftOverTemperatureAgreesWithTheEquilibriumConstant) {
  ChartProbe chart;
  WaterGasShift();
  RunVariationCommand({{"T", "800", "100", "1400", "", "", "0x 00 00 00 00"}}, true);
  ASSERT_EQ(RecordCount(), 7) << Text(1570);
  EXPECT_EQ(CalculationRunState, CalculationRun::Idle);
  EXPECT_EQ(session.application.run_state, platform::RunState::Idle);
  // "Set as X in Graphics" made T the X before the first point; the table was sorted once.
  EXPECT_EQ(chart.XColumn(), 1);
  EXPECT_TRUE(chart.xSetBeforePoints);
  EXPECT_EQ(chart.sorts, 1);
  const auto points = chart.Points();
  EXPECT_EQ(points.size(), 7u);
  EXPECT_EQ(m->StBar->PanelText(0), "7");
  EXPECT_EQ(m->StBar->PanelText(1), "7");

  // K from the datasets; the shift conserves moles, so from 1 CO + 1 H2O: x^2 / (1 - x)^2 = K.
  const double expectedCO2[] = {0.67230, 0.60235, 0.54474, 0.49820, 0.46035, 0.42954, 0.40426};
  // NIST-JANAF log Kf (Chase 1998) at 800, 900, ..., 1400 K.
  const double janafCO2[] = {25.828, 22.968, 20.678, 18.804, 17.241, 15.918, 14.784};
  const double janafCO[] = {11.915, 11.109, 10.461, 9.928, 9.481, 9.101, 8.773};
  const double janafH2O[] = {13.294, 11.496, 10.060, 8.881, 7.897, 7.063, 6.346};
  std::vector<std::vector<double>> rows;
  for (int r = 1; r <= 7; ++r) {
    std::vector<double> row;
    for (int c = 1; c <= 5; ++c) row.push_back(TextToDouble(Records().Cells(c, r)));
    rows.push_back(row);
  }
  for (int i = 0; i < 7; ++i) {
    const double T = 800 + 100 * i;
    SCOPED_TRACE("T = " + std::to_string(T));
    const std::vector<double>& row = rows[size_t(i)];
    ASSERT_DOUBLE_EQ(row[0], T);
    EXPECT_DOUBLE_EQ(points[size_t(i)].first, T);
    const double K = ShiftConstant(T);
    const double x = std::sqrt(K) / (1 + std::sqrt(K));
    EXPECT_NEAR(row[1], x, 1e-4);
    EXPECT_NEAR(row[1], expectedCO2[i], 1e-4);
    EXPECT_NEAR(row[4], x, 1e-4);
    EXPECT_NEAR(row[2], 1 - x, 1e-4);
    EXPECT_NEAR(row[3], 1 - x, 1e-4);
    EXPECT_NEAR(std::log10(K), janafCO2[i] - janafCO[i] - janafH2O[i], 0.01);

    // The solver alone on the same standard Gibbs energies.
    eqtest::TestSystem s;
    s.T = T;
    s.precision = 1e-10L;
    for (const auto& [name, formula, amount] : {std::tuple{"CO", "C1O1", 1.0}, std::tuple{"H2O", "H2O1", 1.0},
                                                 std::tuple{"CO2", "C1O2", 0.0}, std::tuple{"H2", "H2", 0.0}}) {
      eqtest::TestRow r;
      r.name = name;
      r.formula = formula;
      r.input = amount;
      PropertyResult pr;
      ASSERT_TRUE(EvaluateProperties(FindDataset(name, "(g)", T), EosIdealGas, pr, 1.0, T));
      r.gOverRT = pr.G / (SolverGasConstant * T);
      s.rows.push_back(r);
    }
    EqlSolver solver;
    ASSERT_EQ(eqtest::Solve(solver, s), 1) << solver.FailureText();
    EXPECT_NEAR(row[1], double(eqtest::Amount(solver, "CO2")), 1e-6 * row[1]);
    EXPECT_NEAR(row[2], double(eqtest::Amount(solver, "CO")), 1e-6 * row[2]);
  }
  // Each row agrees with one "Calculation" at its temperature.
  for (int i : {0, 3, 6}) {
    Calculate(std::to_string(800 + 100 * i));
    ASSERT_TRUE(m->ResultsValidFlag) << Text(1570);
    EXPECT_NEAR(Cell(1, ColOut, 3), rows[size_t(i)][1], 1e-6 * rows[size_t(i)][1]);
    EXPECT_NEAR(Cell(1, ColOut, 1), rows[size_t(i)][2], 1e-6 * rows[size_t(i)][2]);
  }
}

TEST_F(VariationTest, AmmoniaOverALogarithmicPressureSweepFollowsMassAction) {
  ChartProbe chart;
  TDynOprtWnd->RGgrl->UserSelect(EosIdealGas);
  windows->Kernel->EditPrec->SetText("1E-10");
  m->MnuTempK->Click();
  m->EditTsys->SetText("723");
  Fill(1, {{"N2 (g)", "1"}, {"H2 (g)", "3"}, {"NH3 (g)", "0"}});
  DefineRecords({{"P", "0x 00 00 00 01"}, {"NH3 (g) | out", "0x 01 01 02 03"}});
  RunVariationCommand({{"P [bar]", "1", "10", "100", "dlogx", "", "0x 00 00 00 01"}});
  ASSERT_EQ(RecordCount(), 3) << Text(1570);
  // The pressure or volume is never added to the record definition.
  EXPECT_EQ(RcrdDefDlg->SGR->RowCount(), 3);
  // N2 + 3 H2 = 2 NH3 with K from the datasets: K = x(NH3)^2 / (x(N2) x(H2)^3) (P0/P)^2 with
  // x from the extent z: NH3 2z, N2 1 - z, H2 3 - 3z, total 4 - 2z.
  const double T = 723;
  auto g = [T](const char* name) {
    PropertyResult r;
    EXPECT_TRUE(EvaluateProperties(FindDataset(name, "(g)", T), EosIdealGas, r, 1.0, T));
    return r.G;
  };
  const double K = std::exp(-(2 * g("NH3") - g("N2") - 3 * g("H2")) / (double(SolverGasConstant) * T));
  const double published[] = {0.00909, 0.0857, 0.5549};
  const double rounding[] = {0.5e-5, 0.5e-4, 0.5e-4};
  for (int i = 0; i < 3; ++i) {
    const double P = std::pow(10.0, i);
    SCOPED_TRACE("P = " + std::to_string(P));
    EXPECT_DOUBLE_EQ(TextToDouble(Records().Cells(1, i + 1)), P);
    const double z = eqtest::Bisect(
        [&](double z) {
          const double n = 4 - 2 * z;
          const double x3 = 2 * z / n, x1 = (1 - z) / n, x2 = (3 - 3 * z) / n;
          return std::log(x3 * x3 / (x1 * x2 * x2 * x2) / (P * P)) - std::log(K);
        },
        1e-12, 1 - 1e-12);
    const double nh3 = TextToDouble(Records().Cells(2, i + 1));
    EXPECT_NEAR(nh3, 2 * z, 1e-5 * 2 * z + 1e-9);
    EXPECT_NEAR(nh3, published[i], rounding[i]);
  }
}

TEST_F(VariationTest, AGasWithoutCriticalDataIsNamedOncePerCalculationAndPerVariationRun) {
  // Hydrogen burning at 3000 K: H2, O2 and H2O have critical data, the radicals OH, H and O none.
  TDynOprtWnd->RGgrl->UserSelect(EosPengRobinson);
  m->MnuTempK->Click();
  m->EditTsys->SetText("3000");
  Fill(1, {{"H2 (g)", "2"}, {"O2 (g)", "1"}, {"H2O (g)", "0"}, {"OH (g)", "0"}, {"H (g)", "0"}, {"O (g)", "0"}});
  const std::string note = "Without critical data (Tc, Pc), computed as ideal gases under [" +
                           std::string(EosCaption(EosPengRobinson)) + "]: OH (g), H (g), O (g)";
  log->sink.Clear();
  m->BtnCalc->Click();
  ASSERT_TRUE(m->ResultsValidFlag) << m->StBar->PanelText(3);
  ASSERT_EQ(log->sink.Count(IdealGasFallbackId), 1);
  EXPECT_EQ(Text(IdealGasFallbackId), note);
  for (const auto& e : log->sink.messages) {
    if (e.id != IdealGasFallbackId) continue;
    EXPECT_EQ(e.level, LevelImportant);
  }
  // Three steps of a variation: one note for the run.
  DefineRecords({{"T", "0x 00 00 00 00"}});
  log->sink.Clear();
  RunVariationCommand({{"T [K]", "2800", "100", "3000", "", "", "0x 00 00 00 00"}});
  ASSERT_EQ(RecordCount(), 3) << Text(1570);
  EXPECT_EQ(log->sink.Count(IdealGasFallbackId), 1);
  // The ideal gas is what was asked for: no note.
  TDynOprtWnd->RGgrl->UserSelect(EosIdealGas);
  log->sink.Clear();
  m->BtnCalc->Click();
  EXPECT_FALSE(Logged(IdealGasFallbackId));
}

TEST_F(VariationTest, AGasWithoutAVapourRootIsNamedOncePerVariationRun) {
  // Water compressed to 200 bar from 590 to 610 K has no vapour root (saturation 638.9 K,
  // IAPWS-95): one note for the run of three steps, again one for the next run.
  TDynOprtWnd->RGgrl->UserSelect(EosPengRobinson);
  m->MnuTempK->Click();
  m->EditTsys->SetText("600");
  m->EditPVsys->SetText("200");
  Fill(1, {{"H2O (g)", "1"}, {"N2 (g)", "0.001"}});
  DefineRecords({{"T", "0x 00 00 00 00"}});
  for (int run = 0; run < 2; ++run) {
    log->sink.Clear();
    RunVariationCommand({{"T [K]", "590", "10", "610", "", "", "0x 00 00 00 00"}});
    ASSERT_EQ(RecordCount(), 3 * (run + 1)) << Text(1570);
    EXPECT_EQ(log->sink.Count(NoVapourRootId), 1);
  }
}

TEST_F(VariationTest, ABreakEndsTheRunAndNothingCanBeClosedUnderIt) {
  ChartProbe chart;
  WaterGasShift();
  // A falling sweep of five steps; the press comes in step 3 (while it solves) or between
  // steps 2 and 3. Either way two records stay, sorted by X, and the run ends.
  for (bool duringSolve : {true, false}) {
    SCOPED_TRACE(duringSolve ? "during the solve" : "between two steps");
    RcrdDefDlg->ClearRecordDefinition();
    DefineRecords({{"T", "0x 00 00 00 00"}, {"CO2 (g) | out", "0x 01 01 02 03"}});
    chart.SetX(1);
    chart.sorts = 0;
    int seen = 0;
    bool pressed = false, phaseRefused = false, closeRefused = false;
    session.application.on_pump = [&](int) {
      if (pressed || m->StBar->PanelText(0) != "2") return;
      // 1: the pump after step 2; 2: the data check of step 3; 3 and later: its solve.
      ++seen;
      if (seen != (duringSolve ? 3 : 1)) return;
      EXPECT_NE(CalculationRunState, CalculationRun::Idle);
      EXPECT_EQ(session.application.run_state, platform::RunState::Calculating);
      log->sink.Clear();
      phaseRefused = !Phase(1).Close();
      m->BtnOpen->Click();
      EXPECT_TRUE(Logged(CommandRefusedId));
      m->UserDropFiles({(home / "x.eql").string()});
      closeRefused = !m->Close();
      pressed = true;
      m->BtnCalc->Click();
    };
    RunVariationCommand({{"T", "1200", "-100", "800", "", "", "0x 00 00 00 00"}});
    session.application.on_pump = nullptr;
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(phaseRefused);
    EXPECT_TRUE(closeRefused);
    EXPECT_NE(PhaseSlotTable[1].Window, nullptr);
    EXPECT_FALSE(session.application.terminated);
    EXPECT_EQ(session.dialogs.file_requests.size(), 0u);
    ASSERT_EQ(RecordCount(), 2);
    EXPECT_EQ(Records().Cells(1, 1), "1100");
    EXPECT_EQ(Records().Cells(1, 2), "1200");
    EXPECT_EQ(chart.sorts, 1);
    EXPECT_EQ(m->StBar->PanelText(0), "2");
    EXPECT_EQ(CalculationRunState, CalculationRun::Idle);
    EXPECT_EQ(session.application.run_state, platform::RunState::Idle);
    EXPECT_EQ(m->BtnCalc->Caption(), "Calculation");
  }
  // Afterwards a calculation runs as before.
  Calculate("1000");
  EXPECT_TRUE(m->ResultsValidFlag) << Text(1570);
}

}  // namespace
