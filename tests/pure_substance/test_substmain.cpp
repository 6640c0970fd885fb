#include "pure_substance/SubstMain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "lunetta_support.h"
#include "platform/Headless.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstSel.h"
#include "records_charts/GrfPara.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "records_charts/TablOprt.h"
#include "shared/AplStgs.h"
#include "shared/Elements.h"
#include "shared/Info.h"
#include "shared/TDynOprt.h"
#include "shared/UnitConv.h"
#include "shared/AplMsg.h"
#include "shared/PTools.h"

using namespace quorel;

namespace {

// One database line: leading row field, then fields 1..19.
std::string Row(const std::string& name, const std::string& phase, double tmin, double tmax, double h0,
                double s0, double cp, double tc = 0, double pc = 0, const std::string& w = "",
                const std::string& comp = "Ar1") {
  auto n = [](double v) { return FloatToFullText(v); };
  return "x\t" + name + "\t" + phase + "\t" + n(tmin) + "\t" + n(tmax) + "\t298.15\t" + n(h0) + "\t" + n(s0) +
         "\t" + n(cp) + "\t0\t0\t0\t0\t0\t" + n(tc) + "\t" + n(pc) + "\t" + w + "\t" + comp + "\tfixture " + name +
         "\t[1]\n";
}
const std::string kHeader = "Nr\tName\tPhase\tTmin\tTmax\tT0\tH0\tS0\ta\tb\tc\td\te\tf\tTc\tPc\tw\tComp\n";

// A monatomic ideal gas (Cp = 5/2 R) over a wide range: every row of a run is written.
const std::string kArgon = Row("Ar", "(g)", 1, 6000, 0, 154.846, 20.786);
// Constant-Cp water rounded from the NIST-JANAF tables (H2O(l) H298 -285.83 kJ/mol,
// S298 69.95 J/(mol K); H2O(g) -241.826 kJ/mol, 188.835 J/(mol K); ice from the heat of
// fusion 6.01 kJ/mol). With these the liquid boils near 373 K at 1 bar.
const std::string kWaterGas = Row("W", "(g)", 298.15, 1000, -241826, 188.835, 33.6, 0, 0, "", "H2O1");
const std::string kWaterLiquid = Row("W", "(l)", 273.15, 373.15, -285830, 69.95, 75.3, 0, 0, "", "H2O1");
const std::string kWaterSolid = Row("W", "(s)", 200, 273.15, -291840, 47.95, 37.0, 0, 0, "", "H2O1");

class SubstWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitElementTable();  // a Behaviour window that went before released it
    ClearDatabase();
    ClearSubstancePhases();
    ResetColumnOrder();
    EosType = DefaultEosType;
    w = std::make_unique<TPSubstWnd>();
  }
  void TearDown() override {
    w.reset();
    EosType = DefaultEosType;
    ClearDatabase();
  }
  void Load(const std::string& rows) { ASSERT_GT(LoadDatabaseText(kHeader + rows, "fixture.tdb"), 1); }
  // Types the inputs and presses Update.
  void Run(const std::string& key, const std::string& constant, const std::string& v1, const std::string& dv,
           const std::string& v2) {
    w->CbxSubst->SetText(key);
    w->ETP->SetText(constant);
    w->EditV1->SetText(v1);
    w->EditdV->SetText(dv);
    w->EditV2->SetText(v2);
    log.sink.Clear();
    w->ButtonUpdate->Click();
  }
  void ConstantTemperature() { w->CbxTP->UserSelect(1); }
  int DataRows() const { return w->SGT->RowCount() - 1; }
  std::string Cell(int logical, int row) const { return w->TableCell(logical, row); }
  double Number(int logical, int row) const { return TextToDouble(Cell(logical, row)); }
  std::vector<std::string> Column(int logical) const {
    std::vector<std::string> out;
    for (int r = 1; r < w->SGT->RowCount(); ++r) out.push_back(Cell(logical, r));
    return out;
  }
  const LoggedMessage* Message(int id) const {
    for (const auto& m : log.sink.messages)
      if (m.id == id) return &m;
    return nullptr;
  }

  platform::HeadlessSession session;
  ScopedLogRecorder log;
  std::unique_ptr<TPSubstWnd> w;
};

// ---------------------------------------------------------------------------------------------
// The running variable

TEST(RunVariablePlanTest, GridEndsInsertionAndLimit) {
  struct Case {
    double start, step, end;
    bool insert;
    int limit;
    std::vector<double> head;  // the first values
    size_t size;
    double lastValue;
    const char* why;
  } cases[] = {
      {273.15, 25, 773.15, false, 1023, {273.15, 298.15, 323.15}, 21, 773.15, "0 to 500 C by 25"},
      {293.15, 10, 333.15, true, 1023, {293.15, 298.15, 303.15, 313.15}, 6, 333.15, "20 C by 10 with 25 C"},
      {273.15, 25, 373.15, true, 1023, {273.15, 298.15, 323.15}, 5, 373.15, "25 C on the grid: no extra row"},
      {290, 20, 300, true, 1023, {290, 298.15}, 2, 298.15, "25 C inside the range, next grid step beyond"},
      {280, 10, 295, true, 1023, {280, 290}, 2, 290, "the range ends below 25 C: nothing inserted"},
      {400, 25, 300, false, 1023, {400}, 1, 400, "end below the start: the start alone"},
      {300, 0, 500, false, 1023, {300}, 1, 300, "no step: the start alone"},
      {0, 4, 10, false, 1023, {0, 4, 8}, 3, 8, "no value beyond the end"},
      {0, 0.1, 1, false, 1023, {0, 0.1}, 11, 1, "an end a rounding error off the grid"},
      {0.001, 1e-300, 1e300, false, 1023, {0.001}, 1023, 0.001, "a quotient far beyond the integers"},
      {1, 1, 1e308, false, 1023, {1, 2, 3}, 1023, 1023, "a far end"},
      {290, 1, 400, true, 10, {290, 291}, 10, 298.15, "the limit counts the inserted value"},
      {297, 1, 400, true, 2, {297, 298}, 2, 298, "no room left for the inserted value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const std::vector<double> plan = RunVariablePlan(c.start, c.step, c.end, c.insert, c.limit);
    ASSERT_EQ(plan.size(), c.size);
    for (size_t i = 0; i < c.head.size(); ++i) EXPECT_NEAR(plan[i], c.head[i], 1e-9);
    EXPECT_NEAR(plan.back(), c.lastValue, 1e-6);
  }
  // 290 .. 297 then 298.15 then 298 (the grid goes on from where it was).
  const std::vector<double> plan = RunVariablePlan(290, 1, 400, true, 12);
  EXPECT_NEAR(plan[8], 298, 1e-9);
  EXPECT_NEAR(plan[9], 298.15, 1e-9);
  EXPECT_NEAR(plan[10], 299, 1e-9);
}

// ---------------------------------------------------------------------------------------------
// Range input and its corrections

TEST_F(SubstWindowTest, RangeCorrectionsInConstantPressureMode) {
  Load(kArgon);
  struct Case {
    const char *P, *T1, *dT, *T2;
    int rows;
    const char *first, *last;
    double T1K, T2K, dTK, ConstP;
    const char* why;
  } cases[] = {
      {"1", "100", "25", "50", 1, "100", "100", 373.15, 373.15, 25, 1, "T2 below T1 becomes T1"},
      {"1", "0", "0", "500", 6, "0", "500", 273.15, 773.15, 100, 1, "a step of 0 becomes 100 K"},
      {"1", "0", "-5", "500", 6, "0", "500", 273.15, 773.15, 100, 1, "a negative step becomes 100 K"},
      {"0", "0", "25", "100", 5, "0", "100", 273.15, 373.15, 25, 1, "P of 0 becomes 1 bar"},
      {"-2", "0", "25", "100", 5, "0", "100", 273.15, 373.15, 25, 1, "a negative P becomes 1 bar"},
      {"1", "-300", "100", "-273.149", 1, "-273.149", "-273.149", 0.001, 0.001, 100, 1,
       "below 0 K the start becomes 0.001 K"},
      {"1", "0", "0.0001", "500", 1023, "0", "0.1022", 273.15, 773.15, 0.0001, 1, "cut to 1023 rows"},
      {"1", "0", "1e-300", "500", 1023, "0", "0", 273.15, 773.15, 1e-300, 1, "a tiny step is cut too"},
      {"1", "0", "25", "1e300", 1023, "0", "25550", 273.15, 1e300, 25, 1, "a far end is cut too"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Run("Ar(g)", c.P, c.T1, c.dT, c.T2);
    EXPECT_EQ(w->ErrorState, 0);
    EXPECT_EQ(DataRows(), c.rows);
    EXPECT_LE(w->SGT->RowCount(), MaxSubstanceTableRows);
    EXPECT_EQ(Cell(ColVariable, 1), c.first);
    EXPECT_EQ(Cell(ColVariable, DataRows()), c.last);
    EXPECT_NEAR(w->T1, c.T1K, 1e-9);
    EXPECT_DOUBLE_EQ(w->T2, c.T2K);
    EXPECT_DOUBLE_EQ(w->dT, c.dTK);
    EXPECT_DOUBLE_EQ(w->ConstP, c.ConstP);
    // At 0.001 K the constant-Cp argon's entropy is negative: the data do not reach there.
    EXPECT_EQ(Cell(ColPhase, 1), c.T1K < 1 ? BeyondDataText : "(g)");
  }
}

TEST_F(SubstWindowTest, RangeCorrectionsInConstantTemperatureMode) {
  Load(kArgon);
  ConstantTemperature();
  EXPECT_EQ(w->Label1->Caption(), "P1 [bar]");
  struct Case {
    const char *T, *P1, *dP, *P2;
    int rows;
    const char *first, *last;
    double kelvin;
    const char* why;
  } cases[] = {
      {"25", "1", "1", "5", 5, "1", "5", 298.15, "1 to 5 bar"},
      {"25", "0", "1", "3", 3, "1", "3", 298.15, "P1 of 0 becomes 1 bar"},
      {"25", "4", "1", "2", 1, "4", "4", 298.15, "P2 below P1 becomes P1"},
      {"25", "1", "0", "5", 1, "1", "1", 298.15, "a step of 0 gives the start pressure alone"},
      {"25", "1", "-1", "5", 1, "1", "1", 298.15, "a negative step too"},
      {"-300", "1", "1", "2", 2, "1", "2", 298.0, "a temperature at or below 0 K becomes 298 K"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Run("Ar(g)", c.T, c.P1, c.dP, c.P2);
    EXPECT_EQ(w->ErrorState, 0);
    EXPECT_EQ(DataRows(), c.rows);
    EXPECT_EQ(Cell(ColVariable, 1), c.first);
    EXPECT_EQ(Cell(ColVariable, DataRows()), c.last);
    EXPECT_DOUBLE_EQ(w->CurrentT, c.kelvin);
    EXPECT_EQ(w->ColumnHeader(ColVariable), "P [bar]");
  }
}

// Each correction and each cut of the range is said at level 2 and in the frame's status bar;
// the edit, the copied heading and the table show the value computed.
TEST_F(SubstWindowTest, EveryCorrectionAndCutOfTheRangeIsSaid) {
  Load(kArgon);
  TMdiMainWnd frame;
  enum EditIndex { E_TP, E_V1, E_dV, E_V2, E_None };
  struct Case {
    bool constantT, kelvin;
    const char *TP, *V1, *dV, *V2;
    int id;
    const char* text;
    int edit;  // the edit that shows the value used
    const char* editText;
    int rows;
    const char *first, *last;
    const char* heading;  // the second line of a copy from the Edit menu
  } cases[] = {
      {false, false, "1", "-300", "100", "-200", RangeStartCorrectedId, "T1 [C]: -300 is below 0 K, -273.149 is used",
       E_V1, "-273.149", 1, "-273.149", "-273.149", "P [bar]: \t1"},
      {false, false, "1", "100", "25", "50", RangeEndCorrectedId, "T2 [C]: 50 is below T1, 100 is used", E_V2, "100", 1,
       "100", "100", "P [bar]: \t1"},
      {false, false, "1", "0", "0", "500", RangeStepCorrectedId, "dT [C]: 0 is not above 0, 100 is used", E_dV, "100",
       6, "0", "500", "P [bar]: \t1"},
      {false, false, "1", "0", "-5", "500", RangeStepCorrectedId, "dT [C]: -5 is not above 0, 100 is used", E_dV, "100",
       6, "0", "500", "P [bar]: \t1"},
      {false, false, "-2", "0", "25", "100", RangeConstantCorrectedId, "P [bar]: -2 is not above 0, 1 is used", E_TP,
       "1", 5, "0", "100", "P [bar]: \t1"},
      {false, false, "1", "0", "0.0001", "500", RangeCutId, "Range cut to 1023 rows: it ends at 0.1022 [ C ]", E_None,
       "", 1023, "0", "0.1022", "P [bar]: \t1"},
      {false, true, "1", "298.15", "0.5", "3000", RangeCutId, "Range cut to 1023 rows: it ends at 809.15 [ K ]", E_None,
       "", 1023, "298.15", "809.15", "P [bar]: \t1"},
      {true, true, "-10", "1", "1", "2", RangeConstantCorrectedId, "T [ K ]: -10 is not above 0 K, 298 is used", E_TP,
       "298", 2, "1", "2", "T [ K ]: \t298"},
      {true, true, "0", "1", "1", "2", RangeConstantCorrectedId, "T [ K ]: 0 is not above 0 K, 298 is used", E_TP,
       "298", 2, "1", "2", "T [ K ]: \t298"},
      {true, false, "25", "0", "1", "3", RangeStartCorrectedId, "P1 [bar]: 0 is not above 0, 1 is used", E_V1, "1", 3,
       "1", "3", "T [ C ]: \t25"},
      {true, false, "25", "-1", "1", "3", RangeStartCorrectedId, "P1 [bar]: -1 is not above 0, 1 is used", E_V1, "1", 3,
       "1", "3", "T [ C ]: \t25"},
      {true, false, "25", "4", "1", "2", RangeEndCorrectedId, "P2 [bar]: 2 is below P1, 4 is used", E_V2, "4", 1, "4",
       "4", "T [ C ]: \t25"},
      {true, false, "25", "1", "0", "5", RangeSingleRowId, "dP [bar]: 0 gives the one row at P1", E_None, "", 1, "1",
       "1", "T [ C ]: \t25"},
      {true, false, "25", "1", "-1", "5", RangeStepCorrectedId, "dP [bar]: -1 is below 0, 0 is used", E_dV, "0", 1, "1",
       "1", "T [ C ]: \t25"},
      {true, false, "25", "1", "0.001", "60", RangeCutId, "Range cut to 1023 rows: it ends at 2.022 [bar]", E_None, "",
       1023, "1", "2.022", "T [ C ]: \t25"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    (c.kelvin ? w->MnuTempK : w->MnuTempC)->Click();
    w->CbxTP->UserSelect(c.constantT ? 1 : 0);
    Run("Ar(g)", c.TP, c.V1, c.dV, c.V2);
    EXPECT_EQ(w->ErrorState, 0);
    const LoggedMessage* m = Message(c.id);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->level, LevelCritical);
    EXPECT_EQ(m->text, c.text);
    EXPECT_EQ(frame.StBar->PanelText(2).rfind(c.text, 0), 0u) << frame.StBar->PanelText(2);
    platform::Edit* const edits[] = {w->ETP, w->EditV1, w->EditdV, w->EditV2};
    if (c.edit != E_None) {
      EXPECT_EQ(edits[c.edit]->Text(), c.editText);
    }
    EXPECT_EQ(DataRows(), c.rows);
    EXPECT_EQ(Cell(ColVariable, 1), c.first);
    EXPECT_EQ(Cell(ColVariable, DataRows()), c.last);
    w->MnuCopy->Click();
    const std::vector<std::string> lines = SplitTextLines(session.clipboard.text);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], c.heading);
  }
  // A range used as given says nothing, and the status shows the equation.
  w->MnuTempC->Click();
  w->CbxTP->UserSelect(0);
  Run("Ar(g)", "1", "0", "25", "100");
  for (int id : {RangeStartCorrectedId, RangeEndCorrectedId, RangeStepCorrectedId, RangeConstantCorrectedId,
                 RangeSingleRowId, RangeCutId})
    EXPECT_EQ(Message(id), nullptr) << id;
  EXPECT_EQ(frame.StBar->PanelText(2), w->EquationName());
}

// A run that stops before its rows leaves no table of the inputs before.
TEST_F(SubstWindowTest, ARunThatDoesNotHappenEmptiesTheTable) {
  Load(kArgon);
  struct Case {
    const char *key, *dT;
    int id;
    const char* text;
  } cases[] = {
      {"Ar(g)", "abc", 591, "dT [ C ] is irregular !"},
      {"Xx(g)", "25", 805, "Data of Xx(g) do not exist in the database"},
      {"(g)", "25", 891, "No valid substance given"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Run("Ar(g)", "1", "0", "25", "100");
    ASSERT_EQ(DataRows(), 5);
    Run(c.key, "1", "0", c.dT, "100");
    const LoggedMessage* m = Message(c.id);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->text, c.text);
    EXPECT_EQ(DataRows(), 1);
    for (int col = 0; col < SubstanceColumnCount; ++col) EXPECT_EQ(Trim(Cell(col, 1)), "") << col;
  }
}

TEST_F(SubstWindowTest, Insert25CAddsARowOnlyWhereOneIsInserted) {
  Load(kArgon);
  w->MnuInsert25->Click();
  ASSERT_TRUE(w->MnuInsert25->Checked());
  Run("Ar(g)", "1", "20", "10", "60");
  EXPECT_EQ(Column(ColVariable), (std::vector<std::string>{"20", "25", "30", "40", "50", "60"}));
  Run("Ar(g)", "1", "0", "25", "100");
  EXPECT_EQ(Column(ColVariable), (std::vector<std::string>{"0", "25", "50", "75", "100"}));
  // In kelvin the same rows.
  w->MnuTempK->Click();
  Run("Ar(g)", "1", "293.15", "10", "313.15");
  EXPECT_EQ(Column(ColVariable), (std::vector<std::string>{"293.15", "298.15", "303.15", "313.15"}));
  // A temperature within 1e-7 of 0 C is written as 0.
  w->MnuTempC->Click();
  Run("Ar(g)", "1", "0.00000001", "10", "10");
  EXPECT_EQ(Cell(ColVariable, 1), "0");
}

// ---------------------------------------------------------------------------------------------
// Errors

TEST_F(SubstWindowTest, ErrorsStopTheRunWithTheirMessageAndState) {
  Load(kArgon);
  struct Case {
    const char *key, *dT;
    int id, level, state;
    const char* text;
  } cases[] = {
      {"Ar(g)", "abc", 591, 2, 1, "dT [ C ] is irregular !"},
      {"Ar(g)", "inf", 591, 2, 1, "dT [ C ] is irregular !"},
      {"Ar(g)", "nan", 591, 2, 1, "dT [ C ] is irregular !"},
      {"Ar(g)", "0,5", 0, 0, 0, ""},
      {"(g)", "25", 891, 0, 4, "No valid substance given"},
      {"", "25", 891, 0, 4, "No valid substance given"},
      {"Xx (g)", "25", 805, 0, 2, "Data of Xx(g) do not exist in the database"},
      {"Ar(l)", "25", 805, 0, 2, "Data of Ar(l) do not exist in the database"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Run(c.key, "1", "0", c.dT, "100");
    if (c.id == 0) {  // a decimal comma is read
      EXPECT_EQ(w->ErrorState, 0);
      EXPECT_DOUBLE_EQ(w->dT, 0.5);
      EXPECT_EQ(DataRows(), 201);
      continue;
    }
    const LoggedMessage* m = Message(c.id);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->level, c.level);
    EXPECT_EQ(m->text, c.text);
    EXPECT_EQ(w->ErrorState, c.state);
    EXPECT_EQ(w->StatusText, c.text);
    EXPECT_EQ(w->Caption(), "");
    EXPECT_FALSE(log.sink.Has(1016));
  }
  // While the error stands, a unit switch does not recalculate.
  log.sink.Clear();
  w->MnuEkJ->Click();
  EXPECT_FALSE(log.sink.Has(728));
  EXPECT_DOUBLE_EQ(w->EnergyFactor, 0.001);
  EXPECT_EQ(w->ColumnHeader(ColH), "H [kJ/mol]");
}

TEST_F(SubstWindowTest, ADatasetWithoutAUsableRangeStopsTheRun) {
  // A broken dataset whose range starts below 0 K gives no temperature interval.
  Load(kArgon + Row("Bad", "(g)", -5, 1000, 0, 150, 29, 0, 0, "", "N2"));
  Run("Ar(g)", "1", "0", "25", "100");
  ASSERT_EQ(DataRows(), 5);
  Run("Bad(g)", "1", "0", "25", "100");
  const LoggedMessage* m = Message(994);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->level, 0);
  EXPECT_EQ(m->text, "Access to Database fails");
  // The run stops after the captions; the table is emptied and the state stays good.
  EXPECT_EQ(w->ErrorState, 0);
  EXPECT_EQ(w->Caption(), "Bad(g)");
  EXPECT_FALSE(w->Calculated);
  EXPECT_FALSE(log.sink.Has(1016));
  for (int r = 1; r < w->SGT->RowCount(); ++r) EXPECT_EQ(Cell(ColPhase, r), "");
}

TEST_F(SubstWindowTest, AGoodRunPostsItsSteps) {
  Load(kArgon + Row("Ar", "(l)", 84, 150, -6000, 50, 45, 150.7, 48.6, "0"));
  Run("Ar", "1", "25", "25", "100");
  EXPECT_EQ(w->ErrorState, 0);
  EXPECT_EQ(w->Caption(), "Ar");
  const LoggedMessage* start = Message(728);
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->level, 6);
  EXPECT_EQ(start->text, "Data Check Ar using " + std::string(EosCaption(EosType)));
  const LoggedMessage* end = Message(1016);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->text, "Calculation end  using " + std::string(EosCaption(EosType)));
  const LoggedMessage* gas = Message(698);
  ASSERT_NE(gas, nullptr);
  EXPECT_EQ(gas->kind, LoggedMessage::Unique);
  EXPECT_EQ(gas->text, "Ar (g): 1 < T[K] < 6000; Ref.:");
  const LoggedMessage* liquid = Message(664);
  ASSERT_NE(liquid, nullptr);
  EXPECT_EQ(liquid->text, "Ar (l): 84 < T[K] < 150; Tc[K]=150.7; Pc[bar]=48.6; w=0; Ref. ");
  const LoggedMessage* mass = Message(749);
  ASSERT_NE(mass, nullptr);
  EXPECT_EQ(mass->text.rfind("M [g/mol]: 39.9", 0), 0u);
  EXPECT_EQ(w->StBar->PanelText(0), "Ar");
  EXPECT_EQ(w->StBar->PanelText(2), "Ar1");
  EXPECT_EQ(w->ChartCaptionText, "Ar ; P=1 [bar]");
}

// ---------------------------------------------------------------------------------------------
// Stable phase per row

TEST_F(SubstWindowTest, ChangeRowsBetweenPhases) {
  Load(kWaterGas + kWaterLiquid + kWaterSolid);
  EosType = EosIdealGas;
  w->MnuTempK->Click();
  Run("W", "1", "260", "20", "400");
  // 260 solid, 280 .. 360 liquid, 380 and 400 gas (the fixture boils near 373 K).
  const std::vector<std::string> phases = Column(ColPhase);
  const std::vector<std::string> expected = {"(s)", "change", "(l)", "(l)", "(l)", "(l)", "(l)",
                                             "change", "(g)", "(g)"};
  EXPECT_EQ(phases, expected);
  EXPECT_EQ(Cell(ColVariable, 2), " ");
  EXPECT_EQ(Cell(ColGr, 2), " ");
  EXPECT_EQ(Cell(ColVariable, 9), "380");
  // Rising temperature away from the solid: no warning.
  EXPECT_FALSE(log.sink.Has(994));
  // The same key with (u) gives the same table.
  Run("W(u)", "1", "260", "20", "400");
  EXPECT_EQ(Column(ColPhase), expected);
}

TEST_F(SubstWindowTest, CompressingAGasWarnsOfExtrapolation) {
  EosType = EosIdealGas;
  w->MnuTempK->Click();
  ConstantTemperature();
  // At 360 K the ideal gas is stable up to about 0.6 bar; both datasets cover 360 K, so the
  // change to the liquid is no extrapolation.
  Load(kWaterGas + kWaterLiquid);
  Run("W", "360", "0.2", "0.2", "1.0");
  EXPECT_EQ(Cell(ColPhase, 1), "(g)");
  EXPECT_EQ(Cell(ColPhase, DataRows()), "(l)");
  EXPECT_EQ(Message(994), nullptr);
  // At 380 K the liquid (with its critical temperature) is extrapolated above its range and
  // condenses near 1.3 bar: the note names the extrapolated row's T.
  ClearDatabase();
  Load(kWaterGas + Row("W", "(l)", 273.15, 373.15, -285830, 69.95, 75.3, 647.1, 220.64, "0.344", "H2O1"));
  log.sink.Clear();
  Run("W", "380", "0.5", "0.5", "2.0");
  EXPECT_EQ(Cell(ColPhase, 1), "(g)");
  EXPECT_EQ(Cell(ColPhase, DataRows()), "(l)");
  const LoggedMessage* m = Message(994);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->level, 0);
  EXPECT_EQ(m->text, "Extremly extrapolations cause errors at T :380");
}

TEST_F(SubstWindowTest, LiquidAboveItsCriticalTemperatureHasNoRow) {
  // A liquid with a critical temperature of 340 K and a lower G than the gas everywhere.
  Load(Row("V", "(g)", 200, 1000, 0, 150, 30, 0, 0, "", "C1") +
       Row("V", "(l)", 200, 1000, -100000, 100, 30, 340, 50, "0.1", "C1"));
  EosType = EosIdealGas;
  w->MnuTempK->Click();
  Run("V", "1", "300", "20", "380");
  EXPECT_EQ(Column(ColPhase), (std::vector<std::string>{"(l)", "(l)", "(l)", "change", "(g)", "(g)"}));
  // The liquid alone: the rows above Tc are left out, with one note.
  Run("V(l)", "1", "300", "20", "380");
  EXPECT_EQ(Column(ColPhase), (std::vector<std::string>{"(l)", "(l)", "(l)"}));
  EXPECT_EQ(log.sink.Count(899), 1);
  const LoggedMessage* m = Message(899);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->kind, LoggedMessage::Always);
  EXPECT_EQ(m->level, 4);
  EXPECT_EQ(m->text, "V (l) can not exist at T  [K]> Tc =340");
}

TEST_F(SubstWindowTest, AFailedEvaluationTakesNoPartAndLeavesNoRow) {
  // Under Soave-Redlich-Kwong the liquid has no root at 1 bar and 295 K (Tc 300 K, Pc 50 bar),
  // although its G would be the lowest.
  Load(Row("Z", "(g)", 100, 1000, 0, 200, 30, 300, 50, "0.1", "C1") +
       Row("Z", "(l)", 100, 1000, -50000, 100, 30, 300, 50, "0.1", "C1"));
  EosType = EosSoaveRedlichKwong;
  w->MnuTempK->Click();
  Run("Z", "1", "150", "145", "295");
  EXPECT_EQ(Column(ColPhase), (std::vector<std::string>{"(l)", "change", "(g)"}));
  // The liquid alone: the row at 295 K is left out, not written with the 150 K values.
  Run("Z(l)", "1", "150", "145", "295");
  EXPECT_EQ(DataRows(), 1);
  EXPECT_EQ(Cell(ColVariable, 1), "150");
  EXPECT_EQ(w->SGT->Cells(0, 2), "");
  // The liquid rows of a cubic equation carry Z, V and the residual parts.
  EXPECT_NE(Cell(ColZ, 1), " ");
  EXPECT_GT(Number(ColV, 1), 0);
  EXPECT_NE(Cell(ColHr, 1), " ");
}

TEST_F(SubstWindowTest, ExtrapolationUncheckedLeavesOutRowsOutsideTheDatasets) {
  Load(Row("N", "(g)", 300, 500, 0, 150, 29, 0, 0, "", "N2"));
  w->MnuTempK->Click();
  w->CBex->Click();
  ASSERT_FALSE(w->CBex->Checked());
  Run("N(g)", "1", "200", "100", "600");
  EXPECT_EQ(Column(ColVariable), (std::vector<std::string>{"300", "400", "500"}));
  const LoggedMessage* m = Message(899);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->text, "T:200 [ K ]; Extrapolation disabled. dataset interval:300 <T  [K]< 500");
  EXPECT_EQ(log.sink.Count(899), 1);
}

TEST_F(SubstWindowTest, OncePerRunWarnings) {
  // A gas whose heat capacity overflows away from 298.15 K cannot be evaluated: the liquid is
  // taken, and the failure is reported once.
  Load(Row("Q", "(g)", 200, 1000, 0, 150, 1e308, 0, 0, "", "C1") +
       Row("Q", "(l)", 200, 1000, -50000, 100, 30, 0, 0, "", "C1"));
  w->MnuTempK->Click();
  Run("Q", "1", "300", "50", "400");
  EXPECT_EQ(Column(ColPhase), (std::vector<std::string>{"(l)", "(l)", "(l)"}));
  EXPECT_EQ(log.sink.Count(1125), 1);
  const LoggedMessage* failed = Message(1125);
  ASSERT_NE(failed, nullptr);
  EXPECT_EQ(failed->level, 2);
  EXPECT_EQ(failed->text, "Calculation in Table corresponding to \"" + std::string(EosCaption(EosType)) +
                              "\" no possible  at:  T=300[K];  P=1[bar]");
  // Below its dataset under a vapour-liquid equation: one warning per run.
  Load(Row("R", "(g)", 300, 1000, 0, 150, 29, 150, 48, "0.0", "C1"));
  EosType = EosSoaveRedlichKwong;
  Run("R(g)", "1", "200", "20", "280");
  EXPECT_EQ(DataRows(), 5);
  EXPECT_EQ(log.sink.Count(922), 1);
  const LoggedMessage* vle = Message(922);
  ASSERT_NE(vle, nullptr);
  EXPECT_EQ(vle->kind, LoggedMessage::Always);
  EXPECT_EQ(vle->text, std::string(EosCaption(EosSoaveRedlichKwong)) +
                           " for R (g), calculations may be unusable, when extrapolation is enabled");
}

TEST_F(SubstWindowTest, TheFailedGasNamesTheEquationAsTheBehaviourWindowListsIt) {
  // The gas cannot be evaluated away from 298.15 K (its heat capacity overflows).
  Load(Row("Q", "(g)", 200, 1000, 0, 150, 1e308, 0, 0, "", "C1") +
       Row("Q", "(l)", 200, 1000, -50000, 100, 30, 0, 0, "", "C1"));
  w->MnuTempK->Click();
  auto behaviour = std::make_unique<TTDynOprtWnd>();
  const std::vector<std::string> listed = behaviour->RGgrl->Items().All();
  ASSERT_GT(listed.size(), size_t(EosGeneralizedRedlichKwong));
  struct Case {
    int eos;
    size_t listLength;  // items the Behaviour window lists
    std::string name;   // between the quotes
    const char* why;
  } cases[] = {
      {EosGeneralizedRedlichKwong, listed.size(), listed[EosGeneralizedRedlichKwong], "the listed item"},
      {EosIdealGas, listed.size(), "", "the ideal gas is not named"},
      {EosGeneralizedRedlichKwong, size_t(EosGeneralizedRedlichKwong), "", "an equation the list does not hold"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    behaviour->RGgrl->Items().Assign(std::vector<std::string>(listed.begin(), listed.begin() + c.listLength));
    EosType = c.eos;
    Run("Q", "1", "300", "50", "400");
    EXPECT_EQ(Column(ColPhase), (std::vector<std::string>{"(l)", "(l)", "(l)"}));
    ASSERT_EQ(log.sink.Count(1125), 1);
    EXPECT_EQ(Message(1125)->text,
              "Calculation in Table corresponding to \"" + c.name + "\" no possible  at:  T=300[K];  P=1[bar]");
  }
}

TEST_F(SubstWindowTest, TheFirstRunNamesTheIntervalOfItsPhases) {
  Load(kWaterGas + kWaterLiquid);
  EosType = EosIdealGas;
  w->MnuTempK->Click();
  w->CBex->Click();
  // The very first run, every phase: 250 K lies below both datasets.
  Run("W", "1", "250", "50", "350");
  const LoggedMessage* m = Message(899);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->text, "T:250 [ K ]; Extrapolation disabled. dataset interval: 273.15 <T  [K]< 1000");
  EXPECT_EQ(Column(ColPhase), (std::vector<std::string>{"(l)", "(l)"}));
}

TEST_F(SubstWindowTest, TheDatasetListingNamesEveryDatasetAndSumsUpEachPhase) {
  // Two datasets per phase; the summary takes Tc and Pc of the first one of its phase.
  Load(Row("S", "(s)", 200, 250, -1000, 30, 25, 280, 40, "", "C1") +
       Row("S", "(s)", 250, 300, -1000, 30, 25, 290, 41, "0.2", "C1") +
       Row("S", "(l)", 250, 400, 0, 60, 30, 500, 50, "", "C1") + Row("S", "(l)", 400, 600, 0, 60, 30, 0, 0, "", "C1") +
       Row("S", "(g)", 200, 1000, 0, 150, 30, 0, 0, "", "C1") +
       Row("S", "(g)", 1000, 3000, 0, 150, 30, 0, 0, "", "C1"));
  EosType = EosIdealGas;
  w->MnuTempK->Click();
  Run("S(s)", "1", "260", "10", "300");
  struct Expected {
    int level, id;
    LoggedMessage::Kind kind;
    const char* text;
  } expected[] = {
      {6, 728, LoggedMessage::Normal, "Data Check S(s) using "},
      {4, 636, LoggedMessage::Unique, "S (s): 200 < T[K] < 250; Tc[K]=280; Pc[bar]=40; Ref. "},
      {4, 636, LoggedMessage::Unique, "S (s): 250 < T[K] < 300; Tc[K]=290; Pc[bar]=41; w=0.2; Ref. "},
      {6, 643, LoggedMessage::Normal, "S (s): 200 < T[K] < 300; Tc[K]=280; Pc[bar]=40"},
      {4, 664, LoggedMessage::Unique, "S (l): 250 < T[K] < 400; Tc[K]=500; Pc[bar]=50; Ref. "},
      {4, 664, LoggedMessage::Unique, "S (l): 400 < T[K] < 600; Ref. "},
      {6, 676, LoggedMessage::Normal, "S (l): 250 < T[K] < 600; Tc[K]=500; Pc[bar]=50"},
      {4, 698, LoggedMessage::Unique, "S (g): 200 < T[K] < 1000; Ref.:"},
      {4, 698, LoggedMessage::Unique, "S (g): 1000 < T[K] < 3000; Ref.:"},
      {6, 710, LoggedMessage::Normal, "S (g): 200 < T[K] < 3000"},
      {6, 749, LoggedMessage::Normal, "M [g/mol]: 12.011"},
      // The solid dataset found at 260 K has its Tc at 290 K: the 300 K row is left out.
      {4, 899, LoggedMessage::Always, "S (s) can not exist at T  [K]> Tc =290"},
      {6, 1016, LoggedMessage::Normal, "Calculation end  using "},
  };
  ASSERT_EQ(log.sink.messages.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].text);
    const LoggedMessage& m = log.sink.messages[i];
    EXPECT_EQ(m.level, expected[i].level);
    EXPECT_EQ(m.id, expected[i].id);
    EXPECT_EQ(m.kind, expected[i].kind);
    EXPECT_EQ(m.text.rfind(expected[i].text, 0), 0u);
  }
  EXPECT_EQ(Column(ColVariable), (std::vector<std::string>{"260", "270", "280", "290"}));
  // With Extrapolation unchecked the rows below the solid's datasets are left out as well, with
  // their own note before the one of the critical temperature.
  w->CBex->Click();
  Run("S(s)", "1", "180", "10", "300");
  EXPECT_EQ(Column(ColVariable), (std::vector<std::string>{"200", "210", "220", "230", "240", "250", "260", "270",
                                                           "280", "290"}));
  std::vector<std::string> notes;
  for (const auto& m : log.sink.messages)
    if (m.id == 899) notes.push_back(m.text);
  EXPECT_EQ(notes, (std::vector<std::string>{"Extrapolation disabled. dataset interval:200 <T  [K]< 300",
                                             "S (s) can not exist at T  [K]> Tc =290"}));
}

TEST_F(SubstWindowTest, SwitchingTheModeRefillsTheEditsFromTheStoredRange) {
  Load(kArgon);
  Run("Ar(g)", "1", "0", "25", "500");
  ASSERT_EQ(DataRows(), 21);
  // Temperature constant: the constant is the start of the temperature range, the edits get
  // the stored pressure range.
  w->CbxTP->UserSelect(1);
  EXPECT_EQ(w->ETP->Text(), "0");
  EXPECT_EQ(w->EditV1->Text(), "1");
  EXPECT_EQ(w->EditdV->Text(), "0.1");
  EXPECT_EQ(w->EditV2->Text(), "2");
  EXPECT_EQ(w->Labeld->Caption(), "dP [bar]");
  EXPECT_EQ(w->Label2->Caption(), "P2 [bar]");
  EXPECT_EQ(w->ColumnHeader(ColVariable), "P [bar]");
  w->ButtonUpdate->Click();
  EXPECT_EQ(Column(ColVariable), (std::vector<std::string>{"1", "1.1", "1.2", "1.3", "1.4", "1.5", "1.6", "1.7",
                                                           "1.8", "1.9", "2"}));
  EXPECT_EQ(w->ChartCaptionText, "Ar(g) ; T=0 [ C ]");
  // Back to pressure constant: the temperature range as it was given.
  w->CbxTP->UserSelect(0);
  EXPECT_EQ(w->EditV1->Text(), "0");
  EXPECT_EQ(w->EditdV->Text(), "25");
  EXPECT_EQ(w->EditV2->Text(), "500");
  EXPECT_EQ(w->Label1->Caption(), "T1 [C]");
  EXPECT_EQ(w->ColumnHeader(ColVariable), "T  [C]");
}

// ---------------------------------------------------------------------------------------------
// Units

TEST_F(SubstWindowTest, UnitSwitchesScaleEveryColumn) {
  Load(kArgon);
  // Argon as an ideal monatomic gas: Cp = 5/2 R = 20.786 J/(mol K), V = RT/P; M = 39.948 g/mol
  // (IUPAC 2013 standard atomic weight, as the element table holds it).
  Run("Ar(g)", "1", "25", "25", "25");
  const double M = TextToDouble(w->StBar->PanelText(1));
  ASSERT_NEAR(M, 39.948, 0.01);
  const double Cp = Number(ColCp, 1), H = Number(ColH, 1), S = Number(ColS, 1), G = Number(ColG, 1);
  const double V = Number(ColV, 1);
  EXPECT_NEAR(Cp, 20.786, 1e-6);
  EXPECT_NEAR(V, GasConstant() * 298.15 / 1e5, 1e-9);
  EXPECT_EQ(Cell(ColZ, 1), "1");
  struct Case {
    platform::MenuItem* item;
    double energy, amount;
    const char *cpHeader, *vHeader;
  } cases[] = {
      {w->MnuEkJ, 1000, 1, "Cp [kJ/mol C]", "V [m\xB3/mol]"},
      {w->MnuGram, 1000, M, "Cp [kJ/g C]", "V [m\xB3/g]"},
      {w->MnuKg, 1000, M / 1000, "Cp [kJ/kg C]", "V [m\xB3/kg]"},
      {w->MnuEJ, 1, M / 1000, "Cp [J/kg C]", "V [m\xB3/kg]"},
      {w->MnuMol, 1, 1, "Cp [J/mol C]", "V [m\xB3/mol]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cpHeader);
    c.item->Click();  // recalculates
    const double f = c.energy * c.amount;
    EXPECT_NEAR(Number(ColCp, 1) * f, Cp, 1e-5 * Cp);
    EXPECT_NEAR(Number(ColH, 1) * f, H, 1e-5 * std::fabs(H) + 1e-6);
    EXPECT_NEAR(Number(ColS, 1) * f, S, 1e-5 * S);
    EXPECT_NEAR(Number(ColG, 1) * f, G, 1e-5 * std::fabs(G));
    EXPECT_NEAR(Number(ColV, 1) * c.amount, V, 1e-5 * V);
    EXPECT_EQ(w->ColumnHeader(ColCp), c.cpHeader);
    EXPECT_EQ(w->ColumnHeader(ColV), c.vHeader);
  }
  w->MnuVolInv->Click();
  EXPECT_NEAR(Number(ColV, 1), 1 / V, 1e-5 / V);
  EXPECT_EQ(w->ColumnHeader(ColV), "1/V [mol/m\xB3]");
  // Kelvin relabels and recalculates; the edits keep the same temperatures.
  w->MnuTempK->Click();
  EXPECT_EQ(w->EditV1->Text(), "298.15");
  EXPECT_EQ(Cell(ColVariable, 1), "298.15");
  // The unit switch sets the headers from the menus, then relabels the mode ("T " + " [K]").
  EXPECT_EQ(w->ColumnHeader(ColVariable), "T  [K]");
  EXPECT_EQ(w->ColumnHeader(ColCp), "Cp [J/mol K]");
  EXPECT_EQ(w->CbxTP->Items()[1], "T [ K ]");
  EXPECT_EQ(w->Label1->Caption(), "T1 [K]");
}

TEST_F(SubstWindowTest, ATemperatureUnitSwitchKeepsTheConstantTemperature) {
  Load(kArgon);
  ConstantTemperature();
  Run("Ar(g)", "100", "1", "1", "2");
  ASSERT_EQ(DataRows(), 2);
  const double G = Number(ColG, 1);
  // The same state in kelvin: 100 C is 373.15 K, whatever the range of the other mode holds.
  w->MnuTempK->Click();
  EXPECT_EQ(w->ETP->Text(), "373.15");
  EXPECT_DOUBLE_EQ(w->CurrentT, 373.15);
  EXPECT_NEAR(Number(ColG, 1), G, 1e-6 * std::fabs(G));
  w->MnuTempC->Click();
  EXPECT_EQ(w->ETP->Text(), "100");
  EXPECT_NEAR(Number(ColG, 1), G, 1e-6 * std::fabs(G));
}

TEST_F(SubstWindowTest, MovedColumnsKeepTheirValues) {
  Load(kArgon);
  // The user moved V to the front.
  TableColumnIndex = {1, 2, 3, 4, 5, 6, 7, 0, 8, 9, 10};
  w->SGT->MoveColumn(7, 0);
  Run("Ar(g)", "1", "25", "25", "25");
  EXPECT_NEAR(TextToDouble(w->SGT->Cells(0, 1)), GasConstant() * 298.15 / 1e5, 1e-9);
  EXPECT_EQ(w->SGT->Cells(1, 1), "(g)");
  EXPECT_EQ(w->SGT->Cells(2, 1), "25");
}

TEST_F(SubstWindowTest, BatchRowsComeInAnyOrder) {
  // A solid with a critical temperature of 260 K: above it the solid does not exist. A range
  // run rises in T and leaves the solid out from there on; the rows of a batch come in any
  // order, and a colder row after a warmer one finds the solid again.
  Load(kWaterGas + kWaterLiquid + Row("W", "(s)", 200, 273.15, -291840, 47.95, 37.0, 260, 0, "", "H2O1"));
  w->MnuTempK->Click();
  auto resultsOfRow = [this](int r) {
    std::vector<std::string> cells;
    for (int c = ColCp; c < SubstanceColumnCount; ++c) cells.push_back(Cell(c, r));
    return cells;
  };
  Run("W(u)", "1", "230", "10", "230");
  ASSERT_EQ(Cell(ColPhase, 1), "(s)");
  const std::vector<std::string> solid = resultsOfRow(1);
  Run("W(u)", "1", "265", "10", "265");
  ASSERT_EQ(Cell(ColPhase, 1), "(l)");
  const std::vector<std::string> liquid = resultsOfRow(1);

  w->MnuBatchCalculation->Click();
  w->SGT->SetRowCount(4);
  const char* rows[][2] = {{"265", "1"}, {"230", "1"}, {"265", "1"}};
  for (int r = 1; r <= 3; ++r) {
    w->SGT->UserSetEditText(TableColumnIndex[ColPhase], r, rows[r - 1][0]);
    w->SGT->UserSetEditText(TableColumnIndex[ColVariable], r, rows[r - 1][1]);
  }
  w->CbxSubst->SetText("W(u)");
  w->ButtonUpdate->Click();
  EXPECT_EQ(resultsOfRow(1), liquid);
  EXPECT_EQ(resultsOfRow(2), solid);
  EXPECT_EQ(resultsOfRow(3), liquid);
}

// A batch row that is no state point ends the batch and is said; no row from there on keeps
// the results of the batch before.
TEST_F(SubstWindowTest, ABatchRowThatIsNoStatePointIsSaid) {
  Load(kArgon);
  TMdiMainWnd frame;
  w->MnuBatchCalculation->Click();
  w->CbxSubst->SetText("Ar(g)");
  struct Case {
    const char *T, *P;
    const char* text;  // "" for the end of the list, which is not said
  } cases[] = {
      {"-300", "1", "Row 3: T [ C ] -300, P [bar] 1 is no state point; the batch ends there"},
      {"25", "0", "Row 3: T [ C ] 25, P [bar] 0 is no state point; the batch ends there"},
      {"abc", "1", "Row 3: T [ C ] abc, P [bar] 1 is no state point; the batch ends there"},
      {"25", "", "Row 3: T [ C ] 25, P [bar]  is no state point; the batch ends there"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    // Four good rows first: every row has results.
    w->SGT->SetRowCount(5);
    for (int r = 1; r <= 4; ++r) {
      w->SGT->UserSetEditText(TableColumnIndex[ColPhase], r, std::to_string(25 * r));
      w->SGT->UserSetEditText(TableColumnIndex[ColVariable], r, "1");
    }
    log.sink.Clear();
    w->ButtonUpdate->Click();
    ASSERT_FALSE(log.sink.Has(BatchRowRefusedId));
    for (int r = 1; r <= 4; ++r) ASSERT_NE(Trim(Cell(ColH, r)), "") << r;
    EXPECT_EQ(frame.StBar->PanelText(2), w->EquationName());
    // Then row 3 as the case has it.
    w->SGT->UserSetEditText(TableColumnIndex[ColPhase], 3, c.T);
    w->SGT->UserSetEditText(TableColumnIndex[ColVariable], 3, c.P);
    log.sink.Clear();
    w->ButtonUpdate->Click();
    const LoggedMessage* m = Message(BatchRowRefusedId);
    if (*c.text) {
      ASSERT_NE(m, nullptr);
      EXPECT_EQ(m->level, LevelCritical);
      EXPECT_EQ(m->text, c.text);
      EXPECT_EQ(frame.StBar->PanelText(2), c.text);
    } else {
      EXPECT_EQ(m, nullptr);
    }
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(Trim(Cell(ColH, r)).empty(), r >= 3) << r;
    EXPECT_EQ(Cell(ColPhase, 4), "100");  // what the user typed stays
  }
}

TEST_F(SubstWindowTest, HistoryKeepsTheNewestKeyOnTop) {
  Load(kArgon + Row("Ne", "(g)", 1, 6000, 0, 146.3, 20.786, 0, 0, "", "Ne1"));
  for (const char* key : {"Ar(g)", "Ne(g)", " Ar(g) "}) Run(key, "1", "25", "25", "25");
  EXPECT_EQ(w->CbxSubst->Items().All(), (std::vector<std::string>{"Ar(g)", "Ne(g)"}));
  EXPECT_EQ(w->CbxSubst->Text(), " Ar(g) ");
}

// ---------------------------------------------------------------------------------------------
// The shipped database against published values

class ShippedWaterTest : public SubstWindowTest {
 protected:
  void SetUp() override {
    SubstWindowTest::SetUp();
    ASSERT_GT(LoadDatabase(QUOREL_SOURCE_DIR "/data/Quorel.tdb"), 1000);
  }
  // Temperature [K] halfway between the last liquid row and the first gas row after it.
  double BoilingPoint() const {
    for (int r = 2; r + 1 <= DataRows(); ++r)
      if (Cell(ColPhase, r) == "change" && Cell(ColPhase, r - 1) == "(l)" && Cell(ColPhase, r + 1) == "(g)")
        return (Number(ColVariable, r - 1) + Number(ColVariable, r + 1)) / 2 + 273.15;
    return 0;
  }
};

TEST_F(ShippedWaterTest, WaterFrom0To500CelsiusTurnsIntoSteamNear100) {
  Run("H2O(u)", "1", "0", "25", "500");
  ASSERT_EQ(w->ErrorState, 0);
  const std::vector<std::string> phases = Column(ColPhase);
  int change = -1;
  for (int r = 1; r <= DataRows(); ++r)
    if (Cell(ColPhase, r) == "change" && Cell(ColPhase, r - 1) == "(l)") change = r;
  ASSERT_GT(change, 0);
  // The boiling point at 1 bar, 99.61 C (IAPWS-95, W. Wagner and A. Pruss, J. Phys. Chem.
  // Ref. Data 31 (2002) 387), lies between the rows 75 and 100 C: at 100 C water is steam.
  EXPECT_EQ(Cell(ColVariable, change - 1), "75");
  EXPECT_EQ(Cell(ColVariable, change + 1), "100");
  for (int r = 1; r <= DataRows(); ++r) {
    if (Cell(ColPhase, r) == "change") continue;
    SCOPED_TRACE(Cell(ColVariable, r));
    for (int c : {ColCp, ColH, ColS, ColG}) EXPECT_NE(Number(c, r), 0);
    if (Cell(ColPhase, r) == "(g)") {
      EXPECT_GT(Number(ColV, r), 0);
    }
  }
  EXPECT_EQ(Cell(ColPhase, change + 1), "(g)");
  EXPECT_EQ(Cell(ColVariable, DataRows()), "500");
  // In 0.1 K steps the change lies within 1 K of 99.61 C.
  Run("H2O(u)", "1", "95", "0.1", "105");
  EXPECT_NEAR(BoilingPoint(), 372.76, 1.0);
}

TEST_F(ShippedWaterTest, NormalBoilingPointAndEnthalpyOfVaporisation) {
  // Normal boiling point 373.124 K at 1.01325 bar (IAPWS-95, Wagner and Pruss 2002).
  Run("H2O(u)", "1.01325", "99", "0.05", "101");
  EXPECT_NEAR(BoilingPoint(), 373.124, 1.0);
  // Enthalpy of vaporisation at 100 C: 40.65 kJ/mol (steam tables: 2256.4 kJ/kg times
  // 18.015 g/mol, IAPWS-IF97; CRC Handbook of Chemistry and Physics, 40.65 kJ/mol).
  w->MnuEkJ->Click();
  Run("H2O(g)", "1", "100", "1", "100");
  const double Hg = Number(ColH, 1);
  Run("H2O(l)", "1", "100", "1", "100");
  const double Hl = Number(ColH, 1);
  EXPECT_NEAR(Hg - Hl, 40.65, 0.01 * 40.65);
}

// ---------------------------------------------------------------------------------------------
// The shipped database: real gases and the phases that exist

// The vapour root of the Peng-Robinson cubic (D.-Y. Peng, D. B. Robinson, Ind. Eng. Chem.
// Fundam. 15 (1976) 59), solved here by Newton's method from Z = 1:
// Z^3 - (1 - B) Z^2 + (A - 3 B^2 - 2 B) Z - (A B - B^2 - B^3) = 0.
double PengRobinsonVapourZ(double Tc, double Pc, double w, double T, double P) {
  const double Tr = T / Tc, Pr = P / Pc;
  const double m = 0.37464 + 1.54226 * w - 0.26992 * w * w;
  const double alpha = std::pow(1 + m * (1 - std::sqrt(Tr)), 2);
  const double A = 0.45724 * alpha * Pr / (Tr * Tr), B = 0.07780 * Pr / Tr;
  double Z = 1;
  for (int i = 0; i < 100; ++i) {
    const double f = ((Z - (1 - B)) * Z + (A - 3 * B * B - 2 * B)) * Z - (A * B - B * B - B * B * B);
    const double df = (3 * Z - 2 * (1 - B)) * Z + (A - 3 * B * B - 2 * B);
    Z -= f / df;
  }
  return Z;
}

class ShippedSubstanceTest : public ShippedWaterTest {
 protected:
  // Critical data of the substance's gas in the loaded database.
  void Critical(const std::string& name, double& Tc, double& Pc, double& w) const {
    const int row = FindFirstDataset(name, "(g)");
    ASSERT_GT(row, 0) << name;
    Tc = DatasetTable.Value(row, FieldTc);
    Pc = DatasetTable.Value(row, FieldPc);
    w = DatasetTable.Value(row, FieldOmega);
  }
  // The phase column of a run from its first to its last row, without the change rows.
  std::vector<std::string> Phases() const {
    std::vector<std::string> out;
    for (const std::string& p : Column(ColPhase))
      if (p != "change") out.push_back(p);
    return out;
  }
  // Halfway between the last row of phase `from` and the first row of phase `to` after it,
  // checking that the run changes from one to the other once and never back.
  double Transition(const std::string& from, const std::string& to) const {
    double last = 0, first = 0;
    int changes = 0;
    std::string previous;
    for (int r = 1; r <= DataRows(); ++r) {
      const std::string p = Cell(ColPhase, r);
      if (p == "change") continue;
      if (!previous.empty() && p != previous) {
        ++changes;
        EXPECT_EQ(previous, from) << "row " << r;
        EXPECT_EQ(p, to) << "row " << r;
        first = Number(ColVariable, r);
      }
      if (p == from) last = Number(ColVariable, r);
      previous = p;
    }
    EXPECT_EQ(changes, 1);
    return (last + first) / 2;
  }
};

TEST_F(ShippedSubstanceTest, PengRobinsonGivesTheCubicsRootForSteamAndCarbonDioxide) {
  EosType = EosPengRobinson;
  w->MnuTempK->Click();
  const double R = 8.314462618;  // J/(mol K), CODATA 2018
  struct Case {
    const char* name;
    double T, P;        // K, bar
    double published;   // Z
    double rootTolerance, publishedTolerance;
    const char* source;
  } cases[] = {
      // Steam at 400 C and 100 bar: v = 0.026408 m3/kg (IAPWS-95, W. Wagner and A. Pruss,
      // J. Phys. Chem. Ref. Data 31 (2002) 387), M = 18.015268 g/mol: Z = P v M / (R T) = 0.850.
      {"H2O", 673.15, 100, 100e5 * 0.026408 * 18.015268e-3 / (R * 673.15), 0.003, 0.03, "IAPWS-95"},
      // Carbon dioxide at 300 K and 50 bar: the cubic's root 0.671; NIST Chemistry WebBook
      // (Span and Wagner 1996) gives 0.689, which the equation misses by 2.6 %.
      {"CO2", 300, 50, 0.689, 0.005, 0.03, "NIST Chemistry WebBook"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    double Tc = 0, Pc = 0, omega = 0;
    Critical(c.name, Tc, Pc, omega);
    ASSERT_GT(Tc, 0);
    const double root = PengRobinsonVapourZ(Tc, Pc, omega, c.T, c.P);
    Run(std::string(c.name) + "(u)", FloatToShortText(c.P), FloatToShortText(c.T), "10", FloatToShortText(c.T));
    ASSERT_EQ(DataRows(), 1);
    EXPECT_EQ(Cell(ColPhase, 1), "(g)");
    const double Z = Number(ColZ, 1);
    EXPECT_NEAR(Z, root, c.rootTolerance);
    EXPECT_NEAR(Z, c.published, c.publishedTolerance * c.published) << c.source;
    EXPECT_NEAR(Number(ColV, 1), Z * GasConstant() * c.T / (c.P * 1e5), 1e-9);
  }
  EXPECT_NEAR(PengRobinsonVapourZ(304.2, 73.83, 0.224, 300, 50), 0.671, 0.005);
}

TEST_F(ShippedSubstanceTest, SteamAboveItsCriticalTemperatureStaysAGasAtAnyPressure) {
  // At 400 C water is above its critical temperature, 373.946 C (IAPWS-95): no pressure
  // condenses it, and its Z falls with the pressure as the cubic's root does.
  EosType = EosPengRobinson;
  ConstantTemperature();
  Run("H2O(u)", "400", "10", "10", "300");
  ASSERT_EQ(DataRows(), 30);
  double previousZ = 1;
  for (int r = 1; r <= DataRows(); ++r) {
    SCOPED_TRACE(Cell(ColVariable, r));
    EXPECT_EQ(Cell(ColPhase, r), "(g)");
    EXPECT_LT(Number(ColZ, r), previousZ);
    // No liquid's heat capacity where the gas is far from its pseudo-critical line; nearer to it
    // the real gas's Cp rises with the pressure, as steam's does (IAPWS-95).
    if (Number(ColVariable, r) <= 100) {
      EXPECT_LT(Number(ColCp, r), 60);
    }
    if (r > 1 && Number(ColVariable, r) <= 250) {
      EXPECT_GT(Number(ColCp, r), Number(ColCp, r - 1));
    }
    previousZ = Number(ColZ, r);
  }
}

TEST_F(ShippedSubstanceTest, IronMeltsOnceAndStaysLiquidToThreeThousandKelvin) {
  // Melting point of iron 1811 K (1538 C, CRC Handbook of Chemistry and Physics); liquid iron
  // has Cp = 46.024 J/(mol K) (NIST-JANAF, M. W. Chase, 4th ed., 1998).
  ASSERT_TRUE(w->CBex->Checked());
  w->MnuTempK->Click();
  const double step = 10;
  Run("Fe(u)", "1", "300", FloatToShortText(step), "3000");
  EXPECT_EQ(Cell(ColPhase, 1), "(s)");
  EXPECT_EQ(Cell(ColVariable, DataRows()), "3000");
  EXPECT_NEAR(Transition("(s)", "(l)"), 1811, step);
  for (int r = 1; r <= DataRows(); ++r) {
    if (Cell(ColPhase, r) == "(l)") {
      EXPECT_NEAR(Number(ColCp, r), 46.024, 0.01 * 46.024) << Cell(ColVariable, r);
    }
  }
}

TEST_F(ShippedSubstanceTest, AluminaMeltsAtItsMeltingPoint) {
  // Melting point of Al2O3 (corundum) 2327 K (NIST-JANAF, Chase 1998).
  w->MnuTempK->Click();
  const double step = 10;
  Run("Al2O3(u)", "1", "2000", FloatToShortText(step), "2600");
  EXPECT_EQ(Cell(ColPhase, 1), "(s)");
  EXPECT_NEAR(Transition("(s)", "(l)"), 2327, step);
}

TEST_F(ShippedSubstanceTest, WaterBoilsAt99Point6CelsiusUnderOneBar) {
  // Saturation temperature at 1 bar: 99.606 C (IAPWS-95, Wagner and Pruss 2002), under the
  // default equation of state with water's critical data.
  ASSERT_EQ(EosType, DefaultEosType);
  Run("H2O(u)", "1", "95", "0.1", "105");
  EXPECT_NEAR(BoilingPoint() - 273.15, 99.606, 0.5);
}

TEST_F(ShippedSubstanceTest, ABatchRowOfWaterAt1000KelvinIsSteam) {
  // H2O(g) at 1000 K: Cp = 41.268 J/(mol K), H - H(298.15) = 26.000 kJ/mol, Delta_f H(298.15)
  // = -241.826 kJ/mol (NIST-JANAF, Chase 1998).
  w->MnuTempK->Click();
  w->MnuBatchCalculation->Click();
  w->SGT->SetRowCount(2);
  w->SGT->UserSetEditText(TableColumnIndex[ColPhase], 1, "1000");
  w->SGT->UserSetEditText(TableColumnIndex[ColVariable], 1, "1");
  w->CbxSubst->SetText("H2O(u)");
  w->ButtonUpdate->Click();
  EXPECT_EQ(SelectedDataset.Phase, "(g)");
  EXPECT_NEAR(Number(ColCp, 1), 41.268, 0.01 * 41.268);
  EXPECT_NEAR(Number(ColH, 1), -241826 + 26000, 300);
  EXPECT_NE(Cell(ColZ, 1), " ");  // a real gas under the default equation
}

TEST_F(ShippedSubstanceTest, LiquidWaterKeepsItsDataAtOneBarUnderEveryEquation) {
  // H2O(l) at 298.15 K and 1 bar: H = -285.83 kJ/mol, S = 69.95 J/(mol K) (NIST-JANAF, Chase
  // 1998). At 1 bar an equation of state adds nothing to a liquid's data.
  w->MnuTempK->Click();
  for (int eos = EosIdealGas; eos < EosTypeCount; ++eos) {
    SCOPED_TRACE(EosCaption(eos));
    EosType = eos;
    Run("H2O(l)", "1", "298.15", "10", "298.15");
    ASSERT_EQ(DataRows(), 1);
    EXPECT_EQ(Cell(ColPhase, 1), "(l)");
    EXPECT_NEAR(Number(ColH, 1), -285830, 50);
    EXPECT_NEAR(Number(ColS, 1), 69.95, 0.1);
  }
}

TEST_F(ShippedSubstanceTest, WaterBoilsWhereIapws95PutsItUnderPengRobinson) {
  // Saturation temperatures (IAPWS-95, W. Wagner and A. Pruss, J. Phys. Chem. Ref. Data 31
  // (2002) 387): 584.15 K at 100 bar, 638.90 K at 200 bar. Below Tc a gas row never takes a
  // root denser than the critical point of the equation (Z < 0.3074 near 200 bar).
  EosType = EosPengRobinson;
  w->MnuTempK->Click();
  const struct {
    const char *P, *T1, *T2;
    double saturation;
  } cases[] = {{"100", "570", "600", 584.15}, {"200", "620", "650", 638.90}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.P) + " bar");
    Run("H2O(u)", c.P, c.T1, "0.5", c.T2);
    EXPECT_NEAR(Transition("(l)", "(g)"), c.saturation, 4);
    for (int r = 1; r <= DataRows(); ++r) {
      if (Cell(ColPhase, r) == "(g)") {
        EXPECT_GE(Number(ColZ, r), 0.3074) << Cell(ColVariable, r);
      }
    }
  }
}

TEST_F(ShippedSubstanceTest, HexaneBoilsAtItsNormalBoilingPoint) {
  // n-hexane boils at 341.9 K under 1.01325 bar (NIST Chemistry WebBook); its liquid data end
  // at 300 K, so the liquid is extrapolated up to its boiling point.
  w->MnuTempK->Click();
  for (int eos : {EosIdealGas, EosPengRobinson}) {
    SCOPED_TRACE(EosCaption(eos));
    EosType = eos;
    Run("C6H14,n-hexane(u)", "1", "320", "0.5", "360");
    EXPECT_NEAR(Transition("(l)", "(g)"), 341.9, 3);
  }
}

TEST_F(ShippedSubstanceTest, CpOfARealGasIsTheSlopeOfItsEnthalpy) {
  // Carbon dioxide at 50 bar under Peng-Robinson: the Cp column agrees with the central
  // difference of the H column.
  EosType = EosPengRobinson;
  w->MnuTempK->Click();
  const double step = 5;
  Run("CO2(u)", "50", "300", FloatToShortText(step), "1000");
  ASSERT_EQ(DataRows(), 141);
  for (int r = 2; r < DataRows(); ++r) {
    SCOPED_TRACE(Cell(ColVariable, r));
    ASSERT_EQ(Cell(ColPhase, r), "(g)");
    const double slope = (Number(ColH, r + 1) - Number(ColH, r - 1)) / (2 * step);
    EXPECT_NEAR(Number(ColCp, r), slope, 0.005 * Number(ColCp, r));
  }
}

TEST_F(ShippedSubstanceTest, NoGasWhereTheEquationHasNoVapourRoot) {
  // Water at 200 bar and 600 K is a compressed liquid (IAPWS-95: saturation at 638.9 K); the
  // equations have no vapour root there.
  w->MnuTempK->Click();
  for (int eos : {EosPengRobinson, EosGeneralizedRedlichKwong}) {
    SCOPED_TRACE(EosCaption(eos));
    EosType = eos;
    Run("H2O(u)", "200", "600", "10", "600");
    ASSERT_EQ(DataRows(), 1);
    EXPECT_EQ(Cell(ColPhase, 1), "(l)");
    Run("H2O(g)", "200", "590", "10", "610");
    for (int r = 1; r <= DataRows(); ++r) EXPECT_NE(Cell(ColPhase, r), "(g)") << Cell(ColVariable, r);
    // Steam at 200 bar above its saturation has its row.
    Run("H2O(g)", "200", "700", "10", "700");
    ASSERT_EQ(DataRows(), 1);
    EXPECT_EQ(Cell(ColPhase, 1), "(g)");
  }
}

TEST_F(ShippedSubstanceTest, ColdWaterShowsNoImpossibleValues) {
  // Down to 0.001 K the datasets are extrapolated far below 200 K: no row shows a negative S
  // or a Cp beyond any substance's; one line names where the data do not reach.
  w->MnuTempK->Click();
  Run("H2O(u)", "1", "0.001", "1", "300");
  int beyond = 0;
  for (int r = 1; r <= DataRows(); ++r) {
    const std::string phase = Cell(ColPhase, r);
    if (phase == "change") continue;
    SCOPED_TRACE(Cell(ColVariable, r));
    if (phase == BeyondDataText) {
      ++beyond;
      EXPECT_EQ(Cell(ColCp, r), " ");
      EXPECT_EQ(Cell(ColS, r), " ");
      continue;
    }
    EXPECT_GE(Number(ColS, r), 0);
    EXPECT_GT(Number(ColCp, r), 0);
    EXPECT_LE(Number(ColCp, r), 1000);
  }
  EXPECT_GT(beyond, 0);
  EXPECT_EQ(Cell(ColPhase, 1), BeyondDataText);
  EXPECT_EQ(log.sink.Count(BeyondDataId), 1);
  EXPECT_EQ(Cell(ColPhase, DataRows()), "(l)");
}

TEST_F(ShippedSubstanceTest, AGasWithoutCriticalDataIsNamedOncePerRun) {
  struct Case {
    int eos;
    const char* key;
    bool batch;
    int notes;
  } cases[] = {
      {EosPengRobinson, "OH(g)", false, 1},
      {EosPengRobinson, "OH(g)", true, 1},
      {EosGeneralizedRedlichKwong, "OH(u)", false, 1},
      {EosIdealGas, "OH(g)", false, 0},   // the ideal gas is what was asked for
      {EosPengRobinson, "H2O(g)", false, 0},  // water has its critical data
  };
  w->MnuTempK->Click();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + (c.batch ? " batch" : " range") + " " + std::string(EosCaption(c.eos)));
    EosType = c.eos;
    if (c.batch != w->BatchMode) w->MnuBatchCalculation->Click();
    if (c.batch) {
      w->SGT->SetRowCount(4);
      for (int r = 1; r <= 3; ++r) {
        w->SGT->UserSetEditText(TableColumnIndex[ColPhase], r, FloatToShortText(500.0 * r));
        w->SGT->UserSetEditText(TableColumnIndex[ColVariable], r, "10");
      }
    }
    Run(c.key, "10", "500", "500", "1500");
    ASSERT_EQ(log.sink.Count(IdealGasFallbackId), c.notes);
    if (c.notes == 0) continue;
    const LoggedMessage* m = Message(IdealGasFallbackId);
    EXPECT_EQ(m->level, LevelImportant);
    EXPECT_EQ(m->text, "Without critical data (Tc, Pc), computed as ideal gases under [" +
                           std::string(EosCaption(c.eos)) + "]: OH (g)");
  }
}

// ---------------------------------------------------------------------------------------------
// The frame and the start-up

namespace fs = std::filesystem;

class LunettaStartTest : public lunettatest::LunettaFixture {
 protected:
  std::string File(const std::string& name, const std::string& text = "[TableWnd]\r\n") {
    const std::string path = (folder / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  TPSubstWnd& Subst() { return *windows->Substance; }
  TMdiMainWnd& Frame() { return *windows->Frame; }
};

TEST_F(LunettaStartTest, WindowsAreMadeInTheStartUpOrder) {
  const std::vector<platform::Form*> expected = {
      windows->Frame.get(),    windows->Settings.get(), windows->Messages.get(), windows->Conversion.get(),
      windows->About.get(),    windows->Records.get(),   windows->Behaviour.get(), windows->SubstanceSelection.get(),
      windows->Elements.get(), windows->ChartFormat.get(), windows->ChartVariables.get(), windows->Chart.get(),
      windows->Substance.get()};
  EXPECT_EQ(platform::Screen::Forms(), expected);
  EXPECT_EQ(platform::Screen::MainForm(), windows->Frame.get());
  EXPECT_EQ(session.application.title, "Quorel Pure Substance");
  EXPECT_EQ(Subst().GetFormStyle(), platform::FormStyle::MDIChild);
  EXPECT_EQ(Frame().GetFormStyle(), platform::FormStyle::MDIForm);
  EXPECT_EQ(Frame().Width(), 684);
  EXPECT_EQ(Frame().Height(), 378);
}

TEST_F(LunettaStartTest, StartUpLoadsTheDatabaseAndBindsTheFrame) {
  StartSubstanceWindow(Subst());
  EXPECT_GT(DatasetCount(), 1000);
  EXPECT_TRUE(TDynOprtWnd->DatabaseStarted);
  EXPECT_EQ(Frame().Caption(), "Pure Substance");
  EXPECT_EQ(AplMsgWnd->Caption(), "Pure Substance - Messages");
  EXPECT_EQ(InfoDlg->Caption(), "About Pure Substance");
  EXPECT_EQ(Frame().StBar->PanelText(2), TDynOprtWnd->CurrentDatabasePath);
  EXPECT_EQ(Subst().Label1->Caption(), "T1 [C]");
  EXPECT_EQ(Subst().ColumnHeader(ColVariable), "T [ C ]");
  EXPECT_EQ(Subst().ColumnHeader(ColV), "V [m\xB3/mol]");
  int width = 0;
  for (int c = 0; c < Subst().SGT->ColCount(); ++c) width += Subst().SGT->ColWidths(c);
  EXPECT_EQ(Subst().Width(), width + 196);

  Subst().CbxSubst->SetText("H2O(u)");
  Subst().ButtonUpdate->Click();
  EXPECT_EQ(Subst().ErrorState, 0);
  EXPECT_EQ(Frame().Caption(), "Pure Substance: H2O(u)");
  EXPECT_EQ(Subst().Caption(), "H2O(u)");
  EXPECT_EQ(session.application.title, "H2O(u) - Pure Substance ");
  EXPECT_EQ(Frame().StBar->PanelText(2), Subst().EquationName());
  EXPECT_EQ(Subst().EquationName(), TDynOprtWnd->RGgrl->Items()[DefaultEosType]);

  // An irregular input puts its message into the frame's status and resets the caption.
  Subst().EditdV->SetText("x");
  Subst().ButtonUpdate->Click();
  EXPECT_EQ(Frame().StBar->PanelText(2), "dT [C] is irregular !");
  EXPECT_EQ(Frame().Caption(), "Pure Substance");
}

TEST_F(LunettaStartTest, FrameCommands) {
  StartSubstanceWindow(Subst());
  // System>Behaviour shows the Behaviour window with the current equation chosen.
  EosType = EosPengRobinson;
  Frame().MnuBehaviour->Click();
  EXPECT_TRUE(TDynOprtWnd->Visible());
  EXPECT_EQ(TDynOprtWnd->RGgrl->ItemIndex(), EosPengRobinson);
  // Window>Table brings a minimized substance window back.
  Subst().SetWindowState(platform::WindowState::Minimized);
  Frame().MnuTable->Click();
  EXPECT_EQ(Subst().GetWindowState(), platform::WindowState::Normal);
  EXPECT_TRUE(Subst().Visible());
  // Information>Messages and About.
  Frame().Messages1->Click();
  EXPECT_TRUE(AplMsgWnd->Visible());
  Frame().About1->Click();
  EXPECT_TRUE(InfoDlg->Visible());
  // Status panels follow the width from 255 pixels on.
  Frame().UserResize(800, 400);
  EXPECT_EQ(Frame().StBar->PanelWidth(0), 200);
  EXPECT_EQ(Frame().StBar->PanelWidth(1), 200);
  Frame().UserResize(200, 400);
  EXPECT_EQ(Frame().StBar->PanelWidth(0), 200);
  // System>Select From Database shows the substance selection, and the element picker first
  // while no element is selected.
  ASSERT_TRUE(Frame().MnuSelect->Enabled());
  ASSERT_TRUE(ElementsDlg->SelectedElements.empty());
  Frame().MnuSelect->Click();
  EXPECT_TRUE(SubstSelDlg->Visible());
  EXPECT_TRUE(ElementsDlg->Visible());
  // Window>Graphic restores the chart window when minimised and shows it in front; the
  // substance window's System>Graphic does the same.
  TGrfWnd& chart = *windows->Chart;
  chart.Close();
  EXPECT_EQ(chart.GetWindowState(), platform::WindowState::Minimized);
  ASSERT_TRUE(Frame().MnuGraphic->Enabled());
  Frame().MnuGraphic->Click();
  EXPECT_EQ(chart.GetWindowState(), platform::WindowState::Normal);
  EXPECT_TRUE(chart.Visible());
  EXPECT_EQ(platform::Screen::ActiveForm(), &chart);
  EXPECT_TRUE(chart.CanPaint);
  chart.Close();
  ASSERT_TRUE(Subst().MnuGraphic->Enabled());
  Subst().MnuGraphic->Click();
  EXPECT_EQ(chart.GetWindowState(), platform::WindowState::Normal);
}

TEST_F(LunettaStartTest, SubstanceFileArgument) {
  std::vector<std::string> read;
  struct Case {
    std::string argument;
    bool readable;  // what the reader gives back for the argument
    bool reported;
    bool readIt;
    const char* why;
  };
  const std::string sub = File("water.SUB");
  const std::vector<Case> cases = {
      {sub, true, false, true, "an existing .SUB is read after the settings file"},
      {sub, false, true, true, "one the reader cannot read is reported"},
      {(folder / "missing.sub").string(), true, false, false, "a missing file is ignored"},
      {File("notes.txt"), true, false, false, "another extension is ignored"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    read.clear();
    log->sink.Clear();
    SubstanceFileReader = [&read, &c](TPSubstWnd&, const std::string& path) {
      read.push_back(path);
      return path == SettingsStore().UserSettingsFile || c.readable;
    };
    session.application.arguments = {c.argument};
    StartSubstanceWindow(Subst());
    EXPECT_EQ(log->sink.Has(SubstanceArgumentUnreadableId), c.reported);
    if (c.reported) {
      const LoggedMessage& m = log->sink.messages.back();
      EXPECT_EQ(m.level, 2);
      EXPECT_EQ(m.text, c.argument + ": pure-substance file can not be read");
    }
    ASSERT_GE(read.size(), 1u);
    EXPECT_EQ(read[0], SettingsStore().UserSettingsFile);
    EXPECT_EQ(read.size(), c.readIt ? 2u : 1u);
    if (c.readIt) {
      EXPECT_EQ(read[1], c.argument);
    }
  }
}

// The chart variables in Lunetta: fields from the substance table, no time axis and no title
// of their own, the pages of the user settings file read, nothing fed until the chart is set
// up for the table; no scale factors and no style commands.
TEST_F(LunettaStartTest, TheChartVariablesReadTheirPagesFromTheUserSettingsFile) {
  const std::string user = SettingsStore().UserSettingsFile;
  ASSERT_FALSE(user.empty());
  fs::create_directories(fs::path(user).parent_path());
  std::ofstream(user, std::ios::binary) << "[GB1]\r\n  Alias=Heat\r\n  OC=1\r\n  Y1=Cp\r\n"
                                           "[X]\r\n  Alias=T\r\n  xTime=60\r\n"
                                           "[Assign]\r\n  Style=1\r\n  00=1\r\n  01=3\r\n  12=4\r\n"
                                           "[Graphic]\r\n  Caption=Water\r\n  grf1ex10=3\r\n";
  StartSubstanceWindow(Subst());
  TGrfVarDlg& v = *GrfVarDlg;
  EXPECT_EQ(windows->ChartVariables.get(), &v);
  EXPECT_EQ(v.FieldGrid(), Subst().SGT);
  EXPECT_FALSE(v.CBxTime->Visible());
  EXPECT_FALSE(v.LabelCaption->Visible());
  EXPECT_FALSE(v.EditCaption->Visible());
  ASSERT_EQ(v.CBX->Items().Count(), Subst().SGT->ColCount());
  EXPECT_EQ(v.CBX->ItemIndex(), 1);
  EXPECT_EQ(v.EditName[1]->Text(), "Heat");
  EXPECT_EQ(v.Grids[1]->Rows(1), (std::vector<std::string>{"1", "Cp", "3"}));
  EXPECT_EQ(v.Grids[2]->Cells(GrfVarColField, 2), "4");
  EXPECT_EQ(v.EditName[3]->Text(), "");
  EXPECT_EQ(GrfWnd->ChartCaption, "Water");
  // A time unit in the file makes no time axis of Lunetta's X.
  EXPECT_FALSE(v.CBxTime->Checked());
  EXPECT_LE(GrfWnd->xTime, 0);
  EXPECT_FALSE(GrfWnd->PopFollowTime->Visible());
  EXPECT_EQ(SeriesAssignment.count, 0);
  for (int k = 1; k <= ChartYAxisCount; ++k) {
    EXPECT_FALSE(GrfParaDlg->ScaleCombo[size_t(k)]->Visible()) << k;
    EXPECT_EQ(AxisScaleExponent[size_t(k)], 0) << k;
  }
  EXPECT_FALSE(GrfWnd->MnuStyle->Visible());
  EXPECT_FALSE(GrfWnd->MnuStyle->Enabled());
  EXPECT_FALSE(GrfWnd->PopGrfStyle->Enabled());
  EXPECT_FALSE(GrfWnd->MnuVarDef->Enabled());
}

TEST_F(LunettaStartTest, ClosingSavesOnlyWithSaveByExit) {
  std::vector<std::string> written;
  SubstanceFileWriter = [&written](TPSubstWnd&, const std::string& path) {
    written.push_back(path);
    return true;
  };
  StartSubstanceWindow(Subst());
  ASSERT_TRUE(Frame().MnuSaveByExit->Enabled());
  EXPECT_FALSE(Frame().MnuSaveByExit->Checked());
  // The substance window alone never saves.
  Frame().MnuSaveByExit->Click();
  EXPECT_TRUE(Frame().MnuSaveByExit->Checked());
  Subst().Close();
  EXPECT_TRUE(written.empty());
  // The frame saves the program settings into the user settings file, and closes.
  EXPECT_TRUE(Frame().Close());
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], SettingsStore().UserSettingsFile);
  EXPECT_TRUE(session.application.terminated);
  EXPECT_EQ(fs::path(written[0]).parent_path().parent_path(), folder);
}

TEST_F(LunettaStartTest, ClosingWithoutSaveByExitWritesNothing) {
  int writes = 0;
  SubstanceFileWriter = [&writes](TPSubstWnd&, const std::string&) { return ++writes > 0; };
  StartSubstanceWindow(Subst());
  EXPECT_TRUE(Frame().Close());
  EXPECT_EQ(writes, 0);
  // Empty slots get the pure-substance file's own reader and writer.
  SubstanceFileReader = nullptr;
  SubstanceFileWriter = nullptr;
  StartSubstanceWindow(Subst());
  EXPECT_TRUE(SubstanceFileReader);
  EXPECT_TRUE(SubstanceFileWriter);
  EXPECT_TRUE(Frame().MnuSaveByExit->Enabled());
}

}  // namespace
