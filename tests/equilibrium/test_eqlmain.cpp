// The main window of Orvanto on the headless platform: start-up and settings, the reading of
// the phase grids into the solver, the write-back of the results, the run state and its break.
//
// Reference values used below:
// - Standard atomic weights (IUPAC 2013, CIAAW): Ar 39.948, H 1.008, O 15.999, N 14.007.
// - The molar volume of an ideal gas at 273.15 K and 101.325 kPa, 22.413969 l/mol (CODATA 2018).
// - Argon is a monatomic ideal gas: Cp = 5/2 R, so H(T) - H(298.15 K) = 5/2 R (T - 298.15 K).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>

#include "equilibrium/Compounds.h"
#include "equilibrium/afc.h"
#include "orvanto_support.h"
#include "shared/Elements.h"
#include "shared/TDynOprt.h"

using namespace quorel;
using orvtest::OrvantoTest;
namespace fs = std::filesystem;

namespace {

constexpr double kAr = 39.948;
constexpr double kWater = 2 * 1.008 + 15.999;

double R() { return GasConstant(); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// ---------------------------------------------------------------------------------------------
// Start-up

TEST_F(OrvantoTest, StartUpOpensGasLiquidAndSolidWithTheDatabase) {
  EXPECT_EQ(session.application.title, "Quorel Equilibrium");
  EXPECT_GT(DatasetCount(), 1000);
  for (int s = 1; s <= 8; ++s) EXPECT_EQ(PhaseSlotTable[s].Window != nullptr, s == 1 || s == 3 || s == 6) << s;
  EXPECT_EQ(Phase(1).Caption(), "Gas.1");
  EXPECT_EQ(Phase(3).Caption(), "Liq.1");
  EXPECT_EQ(Grid(6).Name(), "Solid1");
  EXPECT_EQ(Grid(1).Cells(ColActivity, 0), "f");
  EXPECT_EQ(Grid(3).Cells(ColCoefficient, 0), "a.c.");
  EXPECT_EQ(AplMsgWnd->Caption(), "Equilibrium - Messages");
  EXPECT_EQ(SelectedElements, &ElementsDlg->SelectedElements);
  // The P/V list: one V item per open gas phase.
  ASSERT_EQ(m->CbxPV->Items().Count(), 2);
  EXPECT_EQ(m->CbxPV->Items()[1], "V Const.(Gas.1)");
  EXPECT_EQ(SettingsStore().UserSettingsFile.rfind(home.string(), 0), 0u);
  // The activity-coefficient window exists from the start and its button shows it.
  ASSERT_NE(AfcWnd, nullptr);
  EXPECT_FALSE(AfcWnd->Visible());
  m->ToolButton2->Click();
  EXPECT_TRUE(AfcWnd->Visible());
  EXPECT_TRUE(EqlMainHooks.RelationValue != nullptr);
}

TEST_F(OrvantoTest, AMissingSystemFileOnTheCommandLineIsSaidAndAnyOtherFileIgnored) {
  std::ofstream(home / "notes.txt") << "text\r\n";
  const std::vector<std::string> arguments[] = {
      {(home / "missing.eql").string()}, {(home / "notes.txt").string()}, {(home / "missing.EQL").string()}};
  for (const auto& args : arguments) {
    SCOPED_TRACE(args[0]);
    Stop();
    session.application.arguments = args;
    const size_t boxes = session.dialogs.messages.size();
    Start();
    EXPECT_FALSE(Logged(SystemFileMissingId)) << Text(SystemFileMissingId);
    const bool missing = args[0].find("missing") != std::string::npos;
    EXPECT_EQ(Logged(OpenFileMissingId), missing);
    EXPECT_EQ(session.dialogs.messages.size(), boxes + (missing ? 1 : 0));
    for (const auto& e : log->sink.messages)
      EXPECT_TRUE(e.id == OpenFileMissingId || e.level > int(LevelCritical)) << e.id << " " << e.text;
    EXPECT_EQ(m->CurrentSystemPath, "");
  }
}

// ---------------------------------------------------------------------------------------------
// Settings

TEST_F(OrvantoTest, MainWindowSettingsRoundTrip) {
  m->EditTsys->SetText("1234");
  m->EditPVsys->SetText("5");
  m->MnuTempK->Click();
  m->MnuFixCol->Click();
  m->MnuToolBars->Click();
  m->MnuShowCaption->Click();
  AplMsgWnd->SetFilter(2);
  ASSERT_EQ(m->MnuSaveNowClick(), 1);
  const std::string text = ReadFile(SettingsStore().UserSettingsFile);
  EXPECT_NE(text.find("[MainWnd]\r\n  T=1234\r\n  P=5\r\n  Temp=T[ K ]\r\n  SaveByExit=1\r\n  MsgFilter=2\r\n"
                      "  FixCol=1\r\n  ToolBars=0\r\n  ShowCaption=0\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[Gas1]"), std::string::npos);
  EXPECT_NE(text.find("[Liquid3]"), std::string::npos);
  EXPECT_NE(text.find("[Solid6]"), std::string::npos);
  Stop();
  Start();
  EXPECT_EQ(m->EditTsys->Text(), "1234");
  EXPECT_EQ(m->EditPVsys->Text(), "5");
  EXPECT_TRUE(m->MnuTempK->Checked());
  EXPECT_FALSE(m->MnuTempC->Checked());
  EXPECT_EQ(m->LabelT->Caption(), "T[ K ]");
  EXPECT_TRUE(m->MnuFixCol->Checked());
  EXPECT_EQ(Grid(1).FixedCols(), 1);
  EXPECT_FALSE(m->MnuToolBars->Checked());
  EXPECT_FALSE(Phase(1).ToolBar1->Visible());
  EXPECT_FALSE(m->MnuShowCaption->Checked());
  EXPECT_EQ(AplMsgWnd->Filter(), 2);
  EXPECT_EQ(m->StBar->PanelText(0), "T[C]960.85");
}

TEST_F(OrvantoTest, EmptyTemperatureGives350AndNoTempKeyGivesKelvin) {
  Stop();
  fs::create_directories(home / ".Quorel");
  std::ofstream(home / ".Quorel" / "orvanto.usr") << "[MainWnd]\r\n  T=\r\n  P=2\r\n";
  Start();
  EXPECT_EQ(m->EditTsys->Text(), "350");
  EXPECT_EQ(m->EditPVsys->Text(), "2");
  EXPECT_TRUE(m->MnuTempK->Checked());
  EXPECT_EQ(m->LabelT->Caption(), "T[ K ]");
}

TEST_F(OrvantoTest, AFailedSaveOfTheSettingsAtExitIsPosted) {
  // The settings file's place is taken by a folder: the save cannot succeed.
  fs::create_directories(SettingsStore().UserSettingsFile);
  ASSERT_TRUE(m->MnuSaveByExit->Checked());
  bool canClose = false;
  m->FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);
  EXPECT_TRUE(Logged(SettingsNotSavedId));
  ASSERT_FALSE(session.dialogs.messages.empty());
  EXPECT_NE(session.dialogs.messages.back().text.find("could not be saved"), std::string::npos);
}

TEST_F(OrvantoTest, StatusPanelsAndLabels) {
  struct Case { int width; int panel; } cases[] = {{480, 62}, {800, 95}, {1200, 128}};
  for (const auto& c : cases) {
    m->SetWidth(c.width);
    m->FormResize();
    EXPECT_EQ(m->StBar->PanelWidth(0), c.panel) << c.width;
  }
  m->MnuTempC->Click();
  m->EditTsys->UserSetText("25");
  EXPECT_EQ(m->StBar->PanelText(0), "T[K]298.15");
  EXPECT_EQ(m->LabelT->Caption(), "T[ C ]");
}

// ---------------------------------------------------------------------------------------------
// Conditions

TEST_F(OrvantoTest, SystemConditionsAreChecked) {
  struct Case { bool celsius; const char* t; const char* p; int id; double T; } cases[] = {
      {true, "25", "1", 0, 298.15},
      {true, "-300", "1", 1472, 0},
      {false, "abc", "1", 1462, 0},
      {false, "1000", "", 1481, 0},
      {false, "1000", "0", 1481, 0},
  };
  Fill(1, {{"Ar (g)", "1"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.t) + " / " + c.p);
    (c.celsius ? m->MnuTempC : m->MnuTempK)->Click();
    m->EditTsys->SetText(c.t);
    m->EditPVsys->SetText(c.p);
    log->sink.Clear();
    const size_t boxes = session.dialogs.messages.size();
    m->BtnCalc->Click();
    if (c.id == 0) {
      EXPECT_TRUE(m->ResultsValidFlag);
      EXPECT_NEAR(m->T, c.T, 1e-9);
    } else {
      EXPECT_TRUE(Logged(c.id));
      EXPECT_FALSE(m->ResultsValidFlag);
      EXPECT_EQ(session.dialogs.messages.size(), boxes + 1);
      EXPECT_EQ(m->StBar->PanelText(3), c.id == 1481 ? "Irregular pressure" : "Irregular temperature");
    }
    EXPECT_EQ(m->BtnCalc->Caption(), "Calculation");
    EXPECT_EQ(CalculationRunState, CalculationRun::Idle);
  }
}

TEST_F(OrvantoTest, TheVolumeItemCarriesItsGasSlot) {
  m->NewPhaseClick(1);
  ASSERT_NE(PhaseSlotTable[2].Window, nullptr);
  EXPECT_FALSE(m->MnuNewGas->Enabled());
  ASSERT_EQ(m->CbxPV->Items().Count(), 3);
  // Gas.1 is empty: closing it gives its slot back; only Gas.2 stays.
  Phase(1).Close();
  ASSERT_EQ(PhaseSlotTable[1].Window, nullptr);
  ASSERT_EQ(m->CbxPV->Items().Count(), 2);
  EXPECT_EQ(m->CbxPV->Items()[1], "V Const.(Gas.2)");
  m->CbxPV->UserSelect(1);
  EXPECT_EQ(m->LabelPV->Caption(), "V [m3]");
  // 1 mol of argon in 8.3143e-2 m3 at 1000 K: 1 bar.
  Fill(2, {{"Ar (g)", "1"}});
  const double volume = R() * 1000 / 1e5;
  Calculate("1000", FloatToShortText(volume));
  ASSERT_TRUE(m->ResultsValidFlag) << Text(1570);
  EXPECT_EQ(m->PVMode, 2);
  EXPECT_DOUBLE_EQ(m->P, 1.0);  // the solver is given 1 bar in the V-const mode
  EXPECT_NEAR(Cell(2, ColActivity, 1), 1.0, 2e-3);
}

// ---------------------------------------------------------------------------------------------
// Reading the phase grids

TEST_F(OrvantoTest, InputAmountsAreConvertedToMol) {
  struct Case { const char* key; const char* in; int dim; double T; double mol; const char* why; } cases[] = {
      {"Ar (g)", "2", DimMol, 1000, 2, "plain mol"},
      {"Ar", "2", DimMol, 1000, 2, "no phase tag: the slot's phase"},
      {"Ar (g)", "39.948 g", DimMol, 1000, 1, "the text carries its unit"},
      {"Ar (g)", "2", DimKilogram, 1000, 2000 / kAr, "the column's unit"},
      {"Ar (g)", "1", DimPound, 1000, 453.59 / kAr, "pound"},
      {"Ar (g)", "1 l", DimMol, 1000, 1e5 * 1e-3 / (8.3143 * 1000), "litre at T and P"},
      {"Ar (g)", "1", DimCubicMetre, 500, 1e5 / (8.3143 * 500), "cubic metre at T and P"},
      {"Ar (g)", "1", DimNormalCubicMetre, 1000, 1000 / 22.413969, "normal cubic metre"},
      {"Ar (g)", "1 Nm3", DimMol, 1000, 1000 / 22.413969, "normal cubic metre in the text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    PhaseDimensionTable.InDimension[1] = c.dim;
    Fill(1, {{c.key, c.in}});
    Calculate(FloatToShortText(c.T));
    ASSERT_TRUE(m->ResultsValidFlag) << Text(1134);
    EXPECT_NEAR(double(EqlKernel->InputAmount(1)), c.mol, 2e-3 * c.mol);
    EXPECT_NEAR(double(m->PhaseTotals[1].InAmount), c.mol, 2e-3 * c.mol);
  }
}

TEST_F(OrvantoTest, RowsThatCannotBeReadStopTheRun) {
  struct Case {
    std::vector<std::vector<std::string>> rows;
    std::vector<int> answers;
    int id;
    int alsoId;
    const char* why;
  } cases[] = {
      {{{"Ar (g)", "1"}, {"", "1"}}, {}, 1982, 0, "blank key in row 2"},
      {{{"Ar (g)", "abc"}}, {}, 1134, 0, "irregular input"},
      {{{"Ar (g)", "1", "", "", "", "-2"}}, {}, 1121, 0, "negative fugacity coefficient"},
      {{{"Xyzzy (g)", "1"}, {"Ar (g)", "1"}}, {platform::mrCancel}, 2030, 0, "missing dataset, Cancel"},
      {{{"Xyzzy (g)", "1"}, {"Ar (g)", "1"}}, {platform::mrOk}, 2030, 1551, "missing dataset, OK"},
      {{{"Ar (g)", "1", "", "", "", "[1]"}}, {}, RelationUnavailableId, 0, "relation without its window"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Fill(1, c.rows);
    for (int a : c.answers) session.dialogs.QueueMessageAnswer(a);
    Calculate("1000");
    EXPECT_TRUE(Logged(c.id));
    if (c.alsoId) {
      EXPECT_TRUE(Logged(c.alsoId));
    } else {
      EXPECT_FALSE(Logged(1551));
    }
    if (c.id == 1121) {
      EXPECT_EQ(Text(1121), "Ar (g)Irregular fugacity coefficient");
    }
    EXPECT_FALSE(m->ResultsValidFlag);
    EXPECT_FALSE(Logged(1593));
    EXPECT_TRUE(session.AllUsed());
  }
}

TEST_F(OrvantoTest, AnEmptyPhaseIsSkippedAndASingleLiquidIsPure) {
  Fill(1, {{"-"}});
  Fill(3, {{"H2O (l)", "1"}});
  Calculate("300");
  ASSERT_TRUE(m->ResultsValidFlag) << Text(1570);
  EXPECT_FALSE(Logged(1982));
  EXPECT_TRUE(Logged(2134));
  EXPECT_EQ(Text(2134), "H2O (l) regarded as pure substance");
  EXPECT_TRUE(EqlKernel->SpeciesForced(1));
  EXPECT_NEAR(Cell(3, ColOut, 1), 1.0, 1e-6);
  EXPECT_EQ(Grid(3).Cells(ColActivity, 0), "a");
}

TEST_F(OrvantoTest, CoefficientForms) {
  // Solid carbon and iron beside oxygen: "(1)" and "-1" force a condensed species, a number is
  // its activity coefficient, an empty cell 1.
  struct Case { const char* cell; bool forced; double coefficient; } cases[] = {
      {"", false, 1}, {"(1)", true, 1}, {"-1", true, 1}, {"0.5", false, 0.5}, {"2,5", false, 2.5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cell);
    Fill(1, {{"O2 (g)", "1"}});
    Fill(6, {{"Fe (s)", "1", "", "", "", c.cell}, {"C (s)", "1"}});
    Calculate("1000");
    const int fe = PhaseSlotTable.SpeciesEnd[5] + 1;
    ASSERT_EQ(EqlKernel->SpeciesName(fe), "Fe");
    EXPECT_EQ(EqlKernel->SpeciesForced(fe), c.forced);
    if (c.forced) {
      // A forced species is held at unit activity: the solver sets its coefficient to
      // whatever gives activity 1, so the table's 1 is only its start value.
      EXPECT_NEAR(double(EqlKernel->SpeciesActivity(fe)), 1, 0.01);  // within Precision
    } else {
      EXPECT_NEAR(double(EqlKernel->ActivityCoefficient(fe)), c.coefficient, 1e-12);
    }
    EXPECT_FALSE(EqlKernel->SpeciesForced(fe + 1));
    EXPECT_FALSE(Logged(2134));  // two substances: neither is pure by itself
  }
}

TEST_F(OrvantoTest, ARowWhoseEvaluationFailedConvertsAsAnIdealGas) {
  // A dataset the property evaluation refuses (no usable numbers): Z stays unset there.
  ASSERT_GT(AppendDatasetLine("9999\tBadGas\t(g)\t200\t6000\tx\tx\tx\tx\t\t\t\t\t\t\t\t\tAr1\tbad\t[1]\t\t"), 0);
  Fill(1, {{"BadGas (g)", "1 l"}, {"Ar (g)", "1"}});
  Calculate("1000");
  EXPECT_TRUE(Logged(2025)) << Text(2025);
  EXPECT_NEAR(double(EqlKernel->InputAmount(1)), 1e5 * 1e-3 / (R() * 1000), 1e-6);
  EXPECT_TRUE(std::isfinite(double(m->PhaseTotals[1].InAmount)));
}

TEST_F(OrvantoTest, AnInputTemperatureSetsTheInputEnthalpyAndVolume) {
  // Argon as the ideal gas it is at 1 bar (it has critical data, so only the ideal-gas
  // equation keeps its volumes at exactly R T / P).
  TDynOprtWnd->RGgrl->UserSelect(EosIdealGas);
  Fill(1, {{"Ar (g)", "1", "", "", "", "", "", "", "500"}});
  Calculate("1000");
  ASSERT_TRUE(m->ResultsValidFlag);
  const double h500 = 2.5 * 8.3143 * (500 - 298.15);
  EXPECT_NEAR(double(m->InputEnthalpyTotal), h500, 0.005 * h500);
  EXPECT_NEAR(double(m->PhaseTotals[1].InEnthalpy), h500, 0.005 * h500);
  // The input volume at the row's own temperature, the output volume at T.
  EXPECT_NEAR(double(m->PhaseTotals[1].InVolume), R() * 500 / 1e5, 1e-6);
  EXPECT_NEAR(double(m->PhaseTotals[1].OutVolume), R() * 1000 / 1e5, 1e-6);
  // Without T(in) the input enthalpy is that at T.
  Fill(1, {{"Ar (g)", "1"}});
  Calculate("1000");
  const double h1000 = 2.5 * 8.3143 * (1000 - 298.15);
  EXPECT_NEAR(double(m->InputEnthalpyTotal), h1000, 0.005 * h1000);
  EXPECT_NEAR(double(m->PhaseTotals[1].InVolume), R() * 1000 / 1e5, 1e-6);
}

// ---------------------------------------------------------------------------------------------
// Writing the results

TEST_F(OrvantoTest, EveryOutputDimensionIsWritten) {
  struct Case { int slot; const char* key; double T; int dim; const char* header; double value; } cases[] = {
      {1, "Ar (g)", 1000, DimMol, "out", 1},
      {1, "Ar (g)", 1000, DimGram, "out [g]", kAr},
      {1, "Ar (g)", 1000, DimKilogram, "out [kg]", kAr / 1000},
      {1, "Ar (g)", 1000, DimPound, "out [lb]", kAr / 453.59},
      {1, "Ar (g)", 1000, DimLitre, "out [l]", 8.3143 * 1000 / 1e5 * 1000},
      {1, "Ar (g)", 1000, DimCubicMetre, "out [m\xB3]", 8.3143 * 1000 / 1e5},
      {1, "Ar (g)", 1000, DimCubicFoot, "out [ft\xB3]", 8.3143 * 1000 / 1e5 * 35.316},
      {1, "Ar (g)", 1000, DimNormalCubicMetre, "out [Nm\xB3]", 22.413969e-3},
      {3, "H2O (l)", 300, DimPound, "out [lb]", kWater / 453.59},
  };
  // The volumes of argon as an ideal gas (it has critical data: the ideal-gas equation).
  TDynOprtWnd->RGgrl->UserSelect(EosIdealGas);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    Fill(1, {{"-"}});
    Fill(3, {{"-"}});
    Fill(c.slot, {{c.key, "1"}});
    PhaseDimensionTable.OutDimension[c.slot] = c.dim;
    Calculate(FloatToShortText(c.T));
    ASSERT_TRUE(m->ResultsValidFlag);
    EXPECT_EQ(Grid(c.slot).Cells(ColOut, 0), c.header);
    EXPECT_NEAR(Cell(c.slot, ColOut, 1), c.value, 2e-4 * c.value);
    EXPECT_NEAR(Cell(c.slot, ColConc, 1), 1.0, 1e-9);
    PhaseDimensionTable.OutDimension[c.slot] = 0;
  }
}

TEST_F(OrvantoTest, ConcentrationKindsAndAChangeOfUnitAfterTheRun) {
  Fill(1, {{"Ar (g)", "1"}, {"N2 (g)", "1"}});
  Calculate("1000");
  ASSERT_TRUE(m->ResultsValidFlag);
  EXPECT_NEAR(Cell(1, ColConc, 1), 0.5, 1e-6);
  // Fugacities of a nearly ideal mixture at 1 bar (N2 a real gas under the default equation).
  EXPECT_NEAR(Cell(1, ColActivity, 1) + Cell(1, ColActivity, 2), 1.0, 3e-3);
  EXPECT_EQ(Grid(1).Cells(ColInfo, 1).substr(0, 1), "1");  // the species' state
  EXPECT_NE(Phase(1).StBar->PanelText(2).find("S(out)=2"), std::string::npos);
  const double wAr = kAr / (kAr + 2 * 14.007);
  // The results are written again in the new unit while they are valid.
  Phase(1).ConcClick(ConcMassFraction);
  EXPECT_EQ(Grid(1).Cells(ColConc, 0), "w");
  EXPECT_NEAR(Cell(1, ColConc, 1), wAr, 1e-4);
  Phase(1).ConcClick(ConcMassPercent);
  EXPECT_EQ(Grid(1).Cells(ColConc, 0), "w%");
  EXPECT_NEAR(Cell(1, ColConc, 1), 100 * wAr, 1e-2);
  Phase(1).DimOutClick(DimGram);
  EXPECT_NEAR(Cell(1, ColOut, 1), kAr, 1e-3);
  // After an edit of the phase the grid no longer matches: nothing is rewritten.
  Grid(1).SetEditorMode(false);
  Phase(1).GridSetEditText(ColIn, 1, "3");
  Phase(1).DimOutClick(DimKilogram);
  EXPECT_NEAR(Cell(1, ColOut, 1), kAr, 1e-3);
}

// ---------------------------------------------------------------------------------------------
// One calculation at a time

TEST_F(OrvantoTest, ASecondPressDuringTheSolveBreaksIt) {
  const char* species[] = {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH", "H", "O"};
  std::vector<std::vector<std::string>> rows;
  for (const char* s : species) rows.push_back({std::string(s) + " (g)", s == std::string("CH4") ? "1" : (s == std::string("O2") ? "2" : "")});
  Fill(1, rows);
  windows->Kernel->EditPrec->SetText("1E-12");
  // Data check: pump 1. During the solve: the user tries other commands, closes windows, then
  // presses "Calculation" again.
  bool refusedClose = false, refusedPhaseClose = false, compoundsShown = false;
  session.application.AtPump(2, [&] {
    EXPECT_EQ(CalculationRunState, CalculationRun::Solving);
    EXPECT_EQ(m->BtnCalc->Caption(), "Cancel");
    m->MnuNewGas->Click();
    Grid(1).UserSetEditText(ColIn, 1, "5");
    TDynOprtWnd->RGgrl->UserSelect(0);
    Phase(1).EditRel->KeyDown('R', platform::ssCtrl);
    m->BtnComp->Click();
    compoundsShown = CompoundsDlg && CompoundsDlg->Visible();
    refusedPhaseClose = !Phase(1).Close();
    refusedClose = !m->Close();
    m->BtnCalc->Click();
  });
  Calculate("3000");
  EXPECT_TRUE(refusedClose);
  EXPECT_TRUE(refusedPhaseClose);
  EXPECT_FALSE(compoundsShown);
  EXPECT_EQ(PhaseSlotTable[2].Window, nullptr);
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "1");
  EXPECT_EQ(Grid(1).Cells(ColRel, 1), "");
  EXPECT_EQ(EosType, DefaultEosType);
  EXPECT_EQ(TDynOprtWnd->RGgrl->ItemIndex(), DefaultEosType);
  EXPECT_TRUE(Logged(CommandRefusedId));
  EXPECT_TRUE(Logged(1570));
  // The solver's own text of the break, from whichever of its loops saw the press.
  EXPECT_EQ(Text(1570), EqlKernel->FailureText());
  EXPECT_EQ(Text(1570).rfind("Break by user", 0), 0u) << Text(1570);
  EXPECT_FALSE(m->ResultsValidFlag);
  EXPECT_FALSE(Logged(1593));
  EXPECT_TRUE(PhasesChangedFlag);
  EXPECT_EQ(CalculationRunState, CalculationRun::Idle);
  EXPECT_EQ(session.application.run_state, platform::RunState::Idle);
  EXPECT_EQ(m->BtnCalc->Caption(), "Calculation");
  EXPECT_FALSE(session.application.terminated);
  // Afterwards everything works again.
  windows->Kernel->EditPrec->SetText("0.01");
  Calculate("3000");
  EXPECT_TRUE(m->ResultsValidFlag) << Text(1570);
  m->MnuNewGas->Click();
  EXPECT_NE(PhaseSlotTable[2].Window, nullptr);
}

TEST_F(OrvantoTest, TheDurationOfARunIsShownWithMilliseconds) {
  using std::chrono::milliseconds;
  struct Case { long long ms; const char* text; } cases[] = {
      {0, "00:00:00:0"},          {7, "00:00:00:7"},          {70, "00:00:00:70"},
      {1005, "00:00:01:5"},       {65007, "00:01:05:7"},      {3723456, "01:02:03:456"},
      {36000000, "10:00:00:0"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatRunDuration(milliseconds(c.ms)), c.text) << c.ms;
  Fill(1, {{"Ar (g)", "1"}});
  Calculate("1000");
  ASSERT_TRUE(m->ResultsValidFlag) << Text(1570);
  const std::string status = m->StBar->PanelText(3);
  EXPECT_TRUE(std::regex_match(status, std::regex(R"(Calculation success, dt: \d\d:\d\d:\d\d:(0|[1-9]\d{0,2}))")))
      << status;
}

// ---------------------------------------------------------------------------------------------
// The adiabatic search

// Rows of a gas phase: the reactants with their amounts, then the products without.
std::vector<std::vector<std::string>> GasRows(const std::vector<std::pair<const char*, const char*>>& reactants,
                                              const std::vector<const char*>& products) {
  std::vector<std::vector<std::string>> rows;
  for (const auto& [key, amount] : reactants) rows.push_back({key, amount});
  for (const char* key : products) rows.push_back({key});
  return rows;
}

// "L< T <U" of the bracket message as two numbers.
bool ParseBracket(const std::string& text, double& lower, double& upper) {
  std::smatch m;
  static const std::regex form(R"(^(-?\d+(?:\.\d+)?(?:E-?\d+)?)< T <(-?\d+(?:\.\d+)?(?:E-?\d+)?)$)");
  if (!std::regex_match(text, m, form)) return false;
  lower = TextToDouble(m[1].str());
  upper = TextToDouble(m[2].str());
  return true;
}

// Installs an activity-coefficient relation that answers 1 and lets a test see every reading of
// the phase grids, which happens once per trial of the search at the trial temperature. The
// relation can be made to fail by returning false from seen.
struct RelationProbe {
  explicit RelationProbe(std::function<bool(double T)> seen) {
    saved = EqlMainHooks.RelationValue;
    EqlMainHooks.RelationValue = [seen](const std::string&, const std::string&, double T, double& value) {
      value = 1;
      return seen(T);
    };
  }
  ~RelationProbe() { EqlMainHooks.RelationValue = saved; }
  decltype(OrvantoHooks::RelationValue) saved;
};

// The bracket posted at the end holds the result; its numbers are rounded to 8 digits.
void ExpectInBracket(const std::string& text, double T) {
  double lower = 0, upper = 0;
  ASSERT_TRUE(ParseBracket(text, lower, upper)) << text;
  const double rounding = 1e-7 * T;
  EXPECT_LT(upper - lower, AdiabaticTolerance + 2 * rounding);
  EXPECT_LE(lower - rounding, T);
  EXPECT_LE(T, upper + rounding);
}

// Adiabatic flame temperatures at 1 atm of stoichiometric mixtures taken in at 298.15 K, with
// dissociation: S. R. Turns, An Introduction to Combustion, 3rd ed., Table 2.1 and Appendix
// (H2-O2 3079 K, CH4-O2 3054 K, CH4-air 2226 K), which the NASA CEA program gives within a few K.
// The tolerance covers the differences between the property data sets. At the default Precision
// (1e-2), at 1e-4 and at 1e-6 the search finds the same temperature as at 1e-9, within 0.5 K.
TEST_F(OrvantoTest, AdiabaticFlameTemperaturesMatchPublishedValues) {
  const std::vector<const char*> combustion = {"CO2 (g)", "H2O (g)", "CO (g)", "H2 (g)", "OH (g)", "H (g)", "O (g)"};
  std::vector<const char*> air = combustion;
  air.insert(air.end(), {"NO (g)", "N (g)"});
  struct Case {
    const char* why;
    std::vector<std::vector<std::string>> rows;
    double published;  // K
  } cases[] = {
      {"H2 + 1/2 O2", GasRows({{"H2 (g)", "1"}, {"O2 (g)", "0.5"}}, {"H2O (g)", "OH (g)", "H (g)", "O (g)"}), 3079},
      {"CH4 + 2 O2", GasRows({{"CH4 (g)", "1"}, {"O2 (g)", "2"}}, combustion), 3054},
      {"CH4 + 2 (O2 + 3.76 N2)", GasRows({{"CH4 (g)", "1"}, {"O2 (g)", "2"}, {"N2 (g)", "7.52"}}, air), 2226},
  };
  m->MnuAdiabatic->Click();
  EXPECT_TRUE(m->MnuAdiabatic->Checked());
  EXPECT_FALSE(m->MnuIsotherm->Checked());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Fill(1, c.rows);
    windows->Kernel->EditPrec->SetText("1E-9");
    Calculate("298.15", "1.01325");
    ASSERT_TRUE(m->ResultsValidFlag) << Text(1364) << Text(1416) << Text(AdiabaticNotFoundId);
    const double tight = m->T;
    for (const char* precision : {"0.01", "1E-6", "1E-4"}) {
      SCOPED_TRACE(precision);
      windows->Kernel->EditPrec->SetText(precision);
      Fill(1, c.rows);
      Calculate("298.15", "1.01325");
      ASSERT_TRUE(m->ResultsValidFlag) << Text(1364) << Text(1416) << Text(AdiabaticNotFoundId);
      EXPECT_NEAR(m->T, tight, 0.5);
    }
    EXPECT_NEAR(m->T, c.published, 15);
    EXPECT_EQ(m->EditTsys->Text(), FloatToShortText(m->T));
    ExpectInBracket(Text(1419), m->T);
    EXPECT_TRUE(Logged(1593));
    EXPECT_EQ(m->StBar->PanelText(3).rfind("Calculation success, dt: ", 0), 0u) << m->StBar->PanelText(3);
    // The reactants are taken in at the start temperature, written into their empty T(in) cells.
    for (int r = 1; r < Grid(1).RowCount(); ++r)
      EXPECT_EQ(Grid(1).Cells(ColTin, r), Grid(1).Cells(ColIn, r).empty() ? "" : "298.15") << r;
    // The products are written at the adiabatic temperature: water is the main one.
    int water = 1;
    while (water < Grid(1).RowCount() - 1 && Grid(1).Cells(ColKey, water) != "H2O (g)") ++water;
    ASSERT_EQ(Grid(1).Cells(ColKey, water), "H2O (g)");
    EXPECT_GT(Cell(1, ColConc, water), 0.15);
    EXPECT_EQ(CalculationRunState, CalculationRun::Idle);
  }
}

TEST_F(OrvantoTest, TheAdiabaticSearchBracketsThenClosesTheBracketByBrentsMethod) {
  // Argon taken in at 1000 K: the adiabatic temperature is 1000 K, and the residual is
  // positive above it and negative below it.
  struct Case {
    const char* why;
    const char* start;                  // K
    std::vector<double> firstTrials;    // K, up to the trial that closes the bracket
  } cases[] = {
      {"too hot first: T, 0.9 T, 0.81 T, ... until too cold", "2000",
       {2000, 1800, 1620, 1458, 1312.2, 1180.98, 1062.882, 956.5938}},
      {"too cold first: L := T, then 1.1 L while too cold, until too hot", "500",
       {500, 550, 605, 665.5, 732.05, 805.255, 885.7805, 974.35855, 1071.794405}},
  };
  std::vector<double> trials;
  std::string status;
  RelationProbe probe([&](double T) {
    trials.push_back(T);
    if (trials.size() == 2) status = m->StBar->PanelText(3);
    return true;
  });
  m->MnuAdiabatic->Click();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    trials.clear();
    Fill(1, {{"Ar (g)", "1", "", "", "", "[1]", "", "", "1000"}});
    Calculate(c.start);
    ASSERT_TRUE(m->ResultsValidFlag) << Text(1416);
    EXPECT_EQ(status, "Calculating Please Wait !  (Max. It.:" + windows->Kernel->EditILimit->Text() +
                          ";   Appr. Fac:" + windows->Kernel->EditApprFactor->Text() + ")");
    ASSERT_GT(trials.size(), c.firstTrials.size());
    for (size_t k = 0; k < c.firstTrials.size(); ++k) EXPECT_NEAR(trials[k], c.firstTrials[k], 1e-7) << k;
    // Inside the bracket every trial is new, and a few of them close it (the residual of an
    // ideal gas of constant heat capacity is a straight line: the first secant hits the root).
    for (size_t k = c.firstTrials.size(); k < trials.size(); ++k) {
      EXPECT_NE(trials[k], trials[k - 1]) << k;
      EXPECT_GT(trials[k], std::min(c.firstTrials.back(), c.firstTrials[c.firstTrials.size() - 2]));
      EXPECT_LT(trials[k], std::max(c.firstTrials.back(), c.firstTrials[c.firstTrials.size() - 2]));
    }
    EXPECT_LE(trials.size(), c.firstTrials.size() + 4);
    // The search ends when the bracket is narrower than 0.01 K and holds the last trial, which
    // the T edit shows.
    EXPECT_NEAR(trials.back(), 1000, AdiabaticTolerance);
    ExpectInBracket(Text(1419), trials.back());
    EXPECT_DOUBLE_EQ(m->T, trials.back());
    EXPECT_EQ(m->EditTsys->Text(), FloatToShortText(trials.back()));
  }
}

// Whatever the start temperature in the T field, the search finds the same temperature: CH4 in
// air taken in at 298.15 K, started from 298.15, 1000, 2226 and 4000 K.
TEST_F(OrvantoTest, TheAdiabaticTemperatureDoesNotDependOnTheStart) {
  const auto rows = GasRows({{"CH4 (g)", "1", }, {"O2 (g)", "2"}, {"N2 (g)", "7.52"}},
                            {"CO2 (g)", "H2O (g)", "CO (g)", "H2 (g)", "OH (g)", "H (g)", "O (g)", "NO (g)", "N (g)"});
  m->MnuAdiabatic->Click();
  std::vector<double> found;
  for (const char* start : {"298.15", "1000", "2226", "4000"}) {
    SCOPED_TRACE(start);
    Fill(1, rows);
    for (int r = 1; r <= 3; ++r) Grid(1).SetCells(ColTin, r, "298.15");
    Calculate(start, "1.01325");
    ASSERT_TRUE(m->ResultsValidFlag) << Text(1364) << Text(1416) << Text(AdiabaticNotFoundId);
    found.push_back(m->T);
  }
  for (double T : found) EXPECT_NEAR(T, found.front(), 2 * AdiabaticTolerance);
  EXPECT_NEAR(found.front(), 2226, 15);  // S. R. Turns (as above)
}

TEST_F(OrvantoTest, TheBracketIsPostedInTheChosenUnit) {
  struct Case {
    bool celsius;
    const char* start;
    const char* tin;      // empty: taken in at the start temperature
    const char* text;     // the exact message; empty: checked against the Kelvin run
  } cases[] = {
      // Taken in at the temperature of the products: balanced at once, no bound known.
      {false, "1000", "", "-1< T <-1"},
      {true, "726.85", "", "-274.15< T <-274.15"},
      {false, "2000", "1000", ""},
      {true, "1726.85", "726.85", ""},
  };
  double kelvinLower = 0, kelvinUpper = 0;
  m->MnuAdiabatic->Click();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.start) + (c.celsius ? " C" : " K"));
    Fill(1, {{"Ar (g)", "1", "", "", "", "", "", "", c.tin}});
    (c.celsius ? m->MnuTempC : m->MnuTempK)->Click();
    m->EditTsys->SetText(c.start);
    log->sink.Clear();
    m->BtnCalc->Click();
    ASSERT_TRUE(m->ResultsValidFlag) << Text(1416);
    ASSERT_TRUE(Logged(1419));
    for (const auto& e : log->sink.messages)
      if (e.id == 1419) {
        EXPECT_EQ(e.level, int(LevelImportant));
      }
    if (*c.text) {
      EXPECT_EQ(Text(1419), c.text);
      EXPECT_EQ(m->EditTsys->Text(), c.start);
      continue;
    }
    double lower = 0, upper = 0;
    ASSERT_TRUE(ParseBracket(Text(1419), lower, upper)) << Text(1419);
    if (!c.celsius) {
      kelvinLower = lower;
      kelvinUpper = upper;
    } else {
      EXPECT_NEAR(lower + 273.15, kelvinLower, 1e-4);
      EXPECT_NEAR(upper + 273.15, kelvinUpper, 1e-4);
      EXPECT_NEAR(TextToDouble(m->EditTsys->Text()) + 273.15, m->T, 1e-4);
    }
  }
}

// A search that ends without a temperature shows no result, says why, and leaves the window idle.
void ExpectNoAdiabaticResult(const quorel::TEqlMainWnd& m, const platform::HeadlessSession& session,
                             const std::string& reason) {
  EXPECT_FALSE(m.ResultsValidFlag);
  EXPECT_FALSE(m.CalculationReady);
  EXPECT_TRUE(PhasesChangedFlag);
  EXPECT_EQ(m.StBar->PanelText(3), reason);
  for (int r = 1; r < PhaseSlotTable[1].Grid->RowCount(); ++r)
    for (int c : {ColOut, ColConc, ColActivity}) EXPECT_EQ(PhaseSlotTable[1].Grid->Cells(c, r), "") << c << "," << r;
  EXPECT_EQ(m.BtnCalc->Caption(), "Calculation");
  EXPECT_EQ(m.Calculation1->Caption(), "Calculation");
  EXPECT_EQ(m.BtnCalc->Hint(), "Calculation of equilibrium");
  EXPECT_EQ(CalculationRunState, CalculationRun::Idle);
  EXPECT_EQ(session.application.run_state, platform::RunState::Idle);
  EXPECT_FALSE(m.EditTsys->ReadOnly());
}

TEST_F(OrvantoTest, AFailedOrBrokenAdiabaticSearchWritesNoResults) {
  const auto methane = GasRows({{"CH4 (g)", "1"}, {"O2 (g)", "2"}}, {"CO2 (g)", "H2O (g)", "CO (g)", "H2 (g)"});
  const std::vector<std::vector<std::string>> argon = {{"Ar (g)", "1", "7", "", "", "[1]", "", "", "1000"}};
  int readings = 0;
  int balanced = 0;
  std::function<void()> atReading;  // run at the second reading of the grids (the first trial)
  bool refuse = false;              // the relation fails at the second reading
  RelationProbe probe([&](double) {
    if (++readings == 2 && atReading) atReading();
    return !(readings == 2 && refuse);
  });
  const auto press = [&] { m->BtnCalc->Click(); };
  struct Case {
    const char* why;
    std::vector<std::vector<std::string>> rows;
    std::function<void()> arrange;
    int id;              // 0: no message at level 0
    const char* text;    // the start of the message, which is the solver's own text
  } cases[] = {
      {"the start solve fails", methane, [&] { windows->Kernel->EditILimit->SetText("2"); }, 1364,
       "Calculation is broken because error"},
      {"a press during the start solve", argon, [&] { session.application.AtPump(2, press); }, 1364,
       "Break by user"},
      {"a press during a trial solve", argon, [&] { atReading = press; }, 1416, "Break by user"},
      {"the grids cannot be read at a trial temperature", argon, [&] { refuse = true; }, RelationUnavailableId,
       "Ar (g): the relation [1] can not be evaluated"},
      {"a press between two solves", argon,
       [&] {
         session.application.on_pump = [&](int) {
           if (EqlKernel->BalanceComputed() && ++balanced == 3) press();
         };
       },
       0, ""},
  };
  m->MnuAdiabatic->Click();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    readings = balanced = 0;
    atReading = nullptr;
    refuse = false;
    session.application.on_pump = nullptr;
    windows->Kernel->EditILimit->SetText("98000");
    Fill(1, c.rows);
    PhasesChangedFlag = false;
    c.arrange();
    Calculate("2000");
    session.application.on_pump = nullptr;
    if (c.id) {
      EXPECT_EQ(Text(c.id).rfind(c.text, 0), 0u) << Text(c.id);
      if (c.id == 1364 || c.id == 1416) {
        EXPECT_EQ(Text(c.id), EqlKernel->FailureText());
      }
    } else {
      EXPECT_EQ(balanced, 3);
      for (const auto& e : log->sink.messages) EXPECT_GT(e.level, int(LevelError)) << e.id << " " << e.text;
    }
    EXPECT_EQ(c.id == 1364 ? 1 : 0, log->sink.Count(1364));
    EXPECT_EQ(c.id == 1416 ? 1 : 0, log->sink.Count(1416));
    EXPECT_FALSE(Logged(1419));
    EXPECT_FALSE(Logged(1593));
    EXPECT_FALSE(Logged(1570));
    ExpectNoAdiabaticResult(*m, session, c.id ? Text(c.id) : std::string("Breaking calculation! "));
  }
  // The window works again afterwards.
  Fill(1, argon);
  Calculate("2000");
  EXPECT_TRUE(m->ResultsValidFlag);
  EXPECT_NEAR(Cell(1, ColOut, 1), 1, 1e-9);
}

TEST_F(OrvantoTest, AnAdiabaticSearchWhoseBalanceNeverChangesSignEnds) {
  // Argon-like gases with a negative heat capacity: their enthalpy falls as T rises, so the
  // residual keeps the sign of Tin - T and the search runs away from the input temperature,
  // up for ever or down towards 0 K.
  ASSERT_GT(AppendDatasetLine("9998\tAntiAr\t(g)\t200\t6000\t298.15\t0\t150\t-20\t0\t0\t0\t0\t0\t\t\t\tAr1\tnegative"
                              " heat capacity\t[1]\t\t"),
            0);
  ASSERT_GT(AppendDatasetLine("9997\tWideAr\t(g)\t0.001\t1E12\t298.15\t0\t150\t-20\t0\t0\t0\t0\t0\t\t\t\tAr1\tnegative"
                              " heat capacity over a wide range\t[1]\t\t"),
            0);
  struct Case {
    const char* why;
    const char* key;
    const char* start;
    const char* tin;
    std::string text;
    int trials;  // solves; 0: not counted
  } cases[] = {
      {"rising beyond the data", "AntiAr (g)", "1000", "500",
       "No adiabatic temperature found: the products are still too cold at 6115.909, above the data range 200 to 6000",
       0},
      {"falling below the data", "AntiAr (g)", "500", "1000",
       "No adiabatic temperature found: the products are still too hot at 193.71024, below the data range 200 to 6000",
       0},
      {"rising within the data up to the trial limit", "WideAr (g)", "1000", "500",
       "No adiabatic temperature found after " + std::to_string(MaxAdiabaticTrials) + " trials", MaxAdiabaticTrials},
  };
  int solves = 0;
  RelationProbe probe([&](double) { return ++solves > 0; });
  m->MnuAdiabatic->Click();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    solves = 0;
    Fill(1, {{c.key, "1", "7", "", "", "[1]", "", "", c.tin}});
    PhasesChangedFlag = false;
    Calculate(c.start);
    ASSERT_TRUE(Logged(AdiabaticNotFoundId));
    EXPECT_EQ(Text(AdiabaticNotFoundId).rfind(c.text, 0), 0u) << Text(AdiabaticNotFoundId);
    for (const auto& e : log->sink.messages)
      if (e.id == AdiabaticNotFoundId) {
        EXPECT_EQ(e.level, int(LevelError));
      }
    if (c.trials) {
      EXPECT_EQ(solves, c.trials);
    }
    EXPECT_FALSE(Logged(1419));
    EXPECT_FALSE(Logged(1593));
    ExpectNoAdiabaticResult(*m, session, Text(AdiabaticNotFoundId));
  }
}

// Nitrogen over liquid water at 25 C and 1 bar under Peng-Robinson: the gas takes up water to
// its vapour pressure, 0.03169 bar (IAPWS-95), x(H2O) = 0.0317. The liquid keeps the Gibbs
// energy of its data at 1 bar; the fugacity coefficient of the vapour (about 0.985) adds 1.5 %.
TEST_F(OrvantoTest, NitrogenOverLiquidWaterTakesUpWaterToItsVapourPressure) {
  TDynOprtWnd->RGgrl->UserSelect(EosPengRobinson);
  Fill(1, {{"N2 (g)", "1"}, {"H2O (g)", "0"}});
  Fill(3, {{"H2O (l)", "1"}});
  Calculate("298.15", "1");
  ASSERT_TRUE(m->ResultsValidFlag) << m->StBar->PanelText(3);
  EXPECT_NEAR(Cell(1, ColConc, 2), 0.0317, 0.03 * 0.0317);
  EXPECT_FALSE(Logged(NoVapourRootId));
}

// Water at 200 bar and 600 K is a compressed liquid: the equation has no vapour root, and a
// calculation that still holds the gas says so once.
TEST_F(OrvantoTest, AGasWithoutAVapourRootIsNamedOncePerCalculation) {
  for (int eos : {EosPengRobinson, EosGeneralizedRedlichKwong}) {
    SCOPED_TRACE(EosCaption(eos));
    TDynOprtWnd->RGgrl->UserSelect(eos);
    Fill(1, {{"H2O (g)", "1"}, {"N2 (g)", "0.001"}});
    Fill(3, {{"H2O (l)", "0"}});
    Calculate("600", "200");
    ASSERT_EQ(log->sink.Count(NoVapourRootId), 1);
    const std::string text = Text(NoVapourRootId);
    EXPECT_NE(text.find("H2O (g)"), std::string::npos) << text;
    EXPECT_NE(text.find("T[K]:600"), std::string::npos) << text;
    EXPECT_NE(text.find("P[bar]:200"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string(EosCaption(eos))), std::string::npos) << text;
    for (const auto& e : log->sink.messages) {
      if (e.id == NoVapourRootId) {
        EXPECT_EQ(e.level, LevelImportant);
      }
    }
    // Steam above its saturation temperature has its vapour root: no note.
    Calculate("700", "200");
    EXPECT_FALSE(Logged(NoVapourRootId));
  }
}

}  // namespace
