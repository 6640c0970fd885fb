// Orvanto in its Qt window (QT_QPA_PLATFORM=offscreen): the program's windows start on a
// temporary user folder with the shipped database, the products of methane burning in oxygen
// are computed at 3000 K and 1 bar in Gas1, and the main window is saved as a picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaObject>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

#include "../equilibrium/chart_probe.h"
#include "../equilibrium/eqkernel_support.h"
#include "../equilibrium/eqkernel_thermo.h"
#include "equilibrium/CalcVar.h"
#include "equilibrium/EqKernel.h"
#include "equilibrium/EqlMain.h"
#include "equilibrium/RcrdDef.h"
#include "records_charts/TablOprt.h"
#include "shared/TDynOprt.h"
#include "gui/Gui.h"
#include "gui/QtServices.h"
#include "gui/ViewBase.h"
#include "platform/System.h"
#include "records_charts/TablOprt.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"

namespace fs = std::filesystem;
using namespace quorel;

namespace {

const char* const kSpecies[] = {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH"};

// The same system solved by the solver alone on the GRI-Mech 3.0 (NASA) data of the solver tests.
std::map<std::string, double> SolverReference() {
  eqtest::TestSystem s;
  s.T = 3000;
  s.P = 1;
  for (const char* name : kSpecies) {
    eqtest::TestRow r;
    r.slot = 1;
    r.name = name;
    r.formula = eqtest::NasaEntry(name).formula;
    r.input = std::string(name) == "CH4" ? 1 : (std::string(name) == "O2" ? 2 : 0);
    r.gOverRT = eqtest::GOverRT(name, 3000);
    s.rows.push_back(r);
  }
  EqlSolver solver;
  EXPECT_EQ(eqtest::Solve(solver, s), 1);
  std::map<std::string, double> amounts;
  for (const char* name : kSpecies) amounts[name] = double(eqtest::Amount(solver, name));
  return amounts;
}

TEST(OrvantoGuiTest, MethaneBurnsInGas1AtThreeThousandKelvin) {
  // Never the real home: the user settings file goes below a temporary folder.
  const fs::path home = fs::temp_directory_path() / ("orvanto_gui_" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string savedFolder = ProgramFolder();
  SetProgramFolder(QUOREL_SOURCE_DIR "/data");
  const std::string picture = QUOREL_BUILD_DIR "/orvanto_gas1.png";
  fs::remove(picture);
  InitElementTable();  // a program that ran before in this process released it
  const std::map<std::string, double> reference = SolverReference();

  int argc = 1;
  char arg0[] = "orvanto";
  char* argv[] = {arg0, nullptr};
  std::map<std::string, double> x, n, f;
  {
    gui::Application app(argc, argv);
    OrvantoWindows windows;
    TEqlMainWnd& m = *windows.Main;
    m.StartUp();
    EXPECT_EQ(SettingsStore().UserSettingsFile.rfind(home.string(), 0), 0u);
    ASSERT_GT(DatasetCount(), 1000);
    m.SetWindowState(platform::WindowState::Normal);
    m.SetBounds(0, 0, 1200, 720);
    gui::Show(&m);
    gui::Sync();
    TPhaseWnd* gas = PhaseSlotTable[1].Window;
    ASSERT_NE(gas, nullptr);
    ASSERT_NE(gui::WidgetOf(gas->SGPhase), nullptr);
    // The phase windows come up in their designed size inside the frame that is on screen.
    for (int slot : {1, 3, 6}) {
      TPhaseWnd* w = PhaseSlotTable[slot].Window;
      ASSERT_NE(w, nullptr) << slot;
      QWidget* frame = gui::WidgetOf(w)->parentWidget();
      ASSERT_NE(frame, nullptr) << slot;
      EXPECT_EQ(frame->size(), gui::ScaleOf(w).Size(w->Width(), w->Height())) << w->Caption();
    }
    if (TPhaseWnd* liq = PhaseSlotTable[3].Window) liq->SetBounds(660, 420, 500, 160);
    if (TPhaseWnd* sol = PhaseSlotTable[6].Window) sol->SetBounds(660, 240, 500, 160);
    gas->SetBounds(0, 0, 980, 300);

    // The user's session: edit the table, seven substances, 3000 K, 1 bar, "Calculation".
    ASSERT_TRUE(gas->ToolBtnSgeEdit->UserClick());
    for (int i = 1; i < 7; ++i) ASSERT_TRUE(gas->ToolBtnAddRow->UserClick());
    ASSERT_EQ(gas->SGPhase->RowCount(), 8);
    for (int i = 0; i < 7; ++i) {
      gas->SGPhase->UserSetEditText(ColKey, i + 1, std::string(kSpecies[i]) + " (g)");
      if (i < 2) gas->SGPhase->UserSetEditText(ColIn, i + 1, i == 0 ? "1" : "2");
    }
    // "Extended Options": a tight balance so that the grid can be held to the element balance.
    windows.Kernel->EditPrec->UserSetText("1E-6");
    m.MnuTempK->Click();
    m.EditTsys->UserSetText("3000");
    m.EditPVsys->UserSetText("1");
    ASSERT_TRUE(m.BtnCalc->UserClick());
    QApplication::processEvents();

    EXPECT_TRUE(m.ResultsValidFlag);
    EXPECT_EQ(m.StBar->PanelText(3).rfind("Calculation success, dt: ", 0), 0u) << m.StBar->PanelText(3);
    EXPECT_EQ(gas->SGPhase->Cells(ColOut, 0), "out");
    for (int i = 0; i < 7; ++i) {
      const std::string key = kSpecies[i];
      ASSERT_FALSE(gas->SGPhase->Cells(ColOut, i + 1).empty()) << key;
      n[key] = TextToDouble(gas->SGPhase->Cells(ColOut, i + 1));
      x[key] = TextToDouble(gas->SGPhase->Cells(ColConc, i + 1));
      f[key] = TextToDouble(gas->SGPhase->Cells(ColActivity, i + 1));
    }
    // Totals in the phase window's status bar.
    EXPECT_NE(gas->StBar->PanelText(2).find("S(out)="), std::string::npos);

    ASSERT_TRUE(gui::GrabToPng(&m, picture));
    EXPECT_GT(fs::file_size(picture), 5000u);
    m.MnuSaveByExit->SetChecked(false);
    gui::UnbindAll();
  }
  // The program's end released the element table and the database: restore the state before
  // start-up for the tests that follow.
  InitElementTable();
  ClearDatabase();
  SetProgramFolder(savedFolder);
  fs::remove_all(home);

  // Element balance of the grid: C 1, H 4, O 4 mol.
  EXPECT_NEAR(n["CH4"] + n["CO2"] + n["CO"], 1.0, 1e-3);
  EXPECT_NEAR(4 * n["CH4"] + 2 * n["H2O"] + 2 * n["H2"] + n["OH"], 4.0, 4e-3);
  EXPECT_NEAR(2 * n["O2"] + 2 * n["CO2"] + n["H2O"] + n["CO"] + n["OH"], 4.0, 4e-3);
  double sumX = 0;
  for (const auto& [k, v] : x) sumX += v;
  EXPECT_NEAR(sumX, 1.0, 1e-4);
  // The solver's own result of the same system (GRI-Mech 3.0 data) within 2 % for every
  // species above 0.01 mol. OH within 10 %: GRI-Mech 3.0 carries the older enthalpy of
  // formation of OH, about 2 kJ/mol above the NASA Glenn value of the shipped database, which
  // alone moves OH by 8 % at 3000 K.
  for (const auto& [k, v] : reference) {
    const double tolerance = k == "OH" ? 0.10 : 0.02;
    if (v > 0.01) {
      EXPECT_NEAR(n[k], v, tolerance * v) << k;
    }
  }
  // Independent check against NIST-JANAF (M. W. Chase, NIST-JANAF Thermochemical Tables, 4th ed.,
  // J. Phys. Chem. Ref. Data Monograph 9, 1998): Gibbs energy of formation of H2O(g) at 3000 K,
  // -77.163 kJ/mol, fixes the water dissociation in the products.
  const double RT = 8.31446 * 3000;
  // H2O = H2 + 1/2 O2: K = exp(-77163 / RT) = 0.0453 bar^0.5 (log Kf of H2O 1.344).
  const double kWater = std::exp(-77163.0 / RT);
  EXPECT_NEAR(f["H2"] * std::sqrt(f["O2"]) / f["H2O"], kWater, 0.04 * kWater);
}

// The real program started with a system file on its command line: the full golden file of the
// system-file tests opens its four phases with their captions, records and units.
TEST(OrvantoGuiTest, StartsWithTheSystemFileOfItsCommandLine) {
  const fs::path home = fs::temp_directory_path() / ("orvanto_gui_eql_" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string savedFolder = ProgramFolder();
  SetProgramFolder(QUOREL_SOURCE_DIR "/data");
  const std::string file = (home / "full.eql").string();
  fs::copy_file(QUOREL_SOURCE_DIR "/tests/equilibrium/fixtures/eql/full.eql", file);
  const std::string picture = QUOREL_BUILD_DIR "/orvanto_system_file.png";
  fs::remove(picture);
  InitElementTable();

  // The test program's Qt application has its own command line: the program's is this one.
  struct CommandLine : gui::QtApplication {
    std::vector<std::string> arguments;
    std::vector<std::string> Arguments() override { return arguments; }
  };
  int argc = 1;
  char arg0[] = "orvanto";
  char* argv[] = {arg0, nullptr};
  {
    gui::Application app(argc, argv);
    CommandLine commandLine;
    commandLine.arguments = {file};
    platform::ServiceSet services = platform::InstalledServices();
    services.application = &commandLine;
    const platform::ServiceSet qt = platform::InstallServices(services);
    OrvantoWindows windows;
    TEqlMainWnd& m = *windows.Main;
    m.StartUp();
    EXPECT_EQ(m.CurrentSystemPath, file);
    EXPECT_EQ(m.Caption(), "Equilibrium [" + file + "]");
    m.SetWindowState(platform::WindowState::Normal);
    m.SetBounds(0, 0, 1200, 760);
    gui::Show(&m);
    gui::Sync();
    ASSERT_NE(gui::WidgetOf(&m), nullptr);
    EXPECT_EQ(gui::WidgetOf(&m)->windowTitle().toStdString(), m.Caption());
    const std::pair<int, const char*> phases[] = {{1, "Gas.1"}, {2, "Exhaust"}, {3, "Liq.1"}, {7, "Sol.2"}};
    int y = 0;
    for (const auto& [slot, caption] : phases) {
      TPhaseWnd* w = PhaseSlotTable[slot].Window;
      ASSERT_NE(w, nullptr) << slot;
      EXPECT_EQ(w->Caption(), caption);
      ASSERT_NE(gui::WidgetOf(w->SGPhase), nullptr) << caption;
      w->SetBounds(0, y, 760, 150);
      y += 152;
    }
    EXPECT_EQ(PhaseSlotTable[6].Window, nullptr);
    EXPECT_EQ(PhaseSlotTable[1].Grid->Cells(ColIn, 0), "in [g]");
    EXPECT_EQ(PhaseSlotTable[7].Grid->Cells(ColKey, 2), "CaO (s)");
    EXPECT_EQ(TablOprtWnd->SGT->Cells(1, 0), "T");
    EXPECT_EQ(TablOprtWnd->SGT->RowCount(), 4);
    EXPECT_TRUE(m.MnuHst[0]->Visible());
    gui::Sync();
    ASSERT_TRUE(gui::GrabToPng(&m, picture));
    EXPECT_GT(fs::file_size(picture), 5000u);
    m.MnuSaveByExit->SetChecked(false);
    gui::UnbindAll();
    platform::InstallServices(qt);
  }
  InitElementTable();
  ClearDatabase();
  SetProgramFolder(savedFolder);
  fs::remove_all(home);
}

// The water-gas shift over temperature through the variation dialog: Gas1 with 1 mol CO and
// 1 mol H2O, the products CO2 and H2, ideal gas at 1 bar; the record variables T and the four
// amounts; T from 800 to 1400 K in steps of 100 with "Set as X in Graphics". The dialog and the
// windows after the sweep are saved as pictures.
TEST(OrvantoGuiTest, TemperatureSweepThroughTheVariationDialog) {
  const fs::path home = fs::temp_directory_path() / ("orvanto_gui_sweep_" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string savedFolder = ProgramFolder();
  SetProgramFolder(QUOREL_SOURCE_DIR "/data");
  const std::string dialogPicture = QUOREL_BUILD_DIR "/orvanto_variation_dialog.png";
  const std::string mainPicture = QUOREL_BUILD_DIR "/orvanto_variation_main.png";
  const std::string recordsPicture = QUOREL_BUILD_DIR "/orvanto_variation_records.png";
  for (const std::string& p : {dialogPicture, mainPicture, recordsPicture}) fs::remove(p);
  InitElementTable();

  int argc = 1;
  char arg0[] = "orvanto";
  char* argv[] = {arg0, nullptr};
  std::vector<double> temperatures, co2;
  size_t points = 0;
  int xColumn = 0;
  {
    gui::Application app(argc, argv);
    OrvantoWindows windows;
    TEqlMainWnd& m = *windows.Main;
    m.StartUp();
    ASSERT_GT(DatasetCount(), 1000);
    orvtest::ChartProbe chart;
    m.SetWindowState(platform::WindowState::Normal);
    m.SetBounds(0, 0, 1200, 720);
    gui::Show(&m);
    gui::Sync();
    TPhaseWnd* gas = PhaseSlotTable[1].Window;
    ASSERT_NE(gas, nullptr);
    gas->SetBounds(0, 0, 940, 220);
    if (TPhaseWnd* liq = PhaseSlotTable[3].Window) liq->SetBounds(0, 230, 460, 150);
    if (TPhaseWnd* sol = PhaseSlotTable[6].Window) sol->SetBounds(470, 230, 460, 150);

    // The system, typed as a user does: four rows, ideal gas, a tight balance, kelvin.
    const char* keys[] = {"CO (g)", "H2O (g)", "CO2 (g)", "H2 (g)"};
    const char* amounts[] = {"1", "1", "0", "0"};
    ASSERT_TRUE(gas->ToolBtnSgeEdit->UserClick());
    for (int i = 1; i < 4; ++i) ASSERT_TRUE(gas->ToolBtnAddRow->UserClick());
    for (int i = 0; i < 4; ++i) {
      gas->SGPhase->UserSetEditText(ColKey, i + 1, keys[i]);
      gas->SGPhase->UserSetEditText(ColIn, i + 1, amounts[i]);
    }
    TDynOprtWnd->RGgrl->UserSelect(EosIdealGas);
    windows.Kernel->EditPrec->UserSetText("1E-10");
    m.MnuTempK->Click();
    m.EditPVsys->UserSetText("1");

    // Record variables: T, then the "out" cell of each of the four rows.
    QMetaObject::invokeMethod(
        qApp,
        [&] {
          TRcrdDefDlg& d = *RcrdDefDlg;
          d.CBState->UserSelect(0);
          d.ButtonAdd0->UserClick();
          for (int r = 1; r <= 4; ++r) {
            d.CBRow->UserSelect(r);
            d.CBCol->UserSelect(1);
            d.ButtonAdd1->UserClick();
          }
          d.ButtonAccept->UserClick();
        },
        Qt::QueuedConnection);
    ASSERT_TRUE(m.BtnRecordVar->UserClick());
    ASSERT_EQ(RcrdDefDlg->RecordFieldCount(), 5);
    EXPECT_EQ(RcrdDefDlg->SGR->Cells(RecFieldAddress, 2), "0x 01 01 02 01");

    // The variation: T from 800 to 1400 K in steps of 100, T as X.
    QMetaObject::invokeMethod(
        qApp,
        [&] {
          TCalcVarDlg& d = *CalcVarDlg;
          d.CBState->UserSelect(0);
          d.ButtonAdd0->UserClick();
          d.SGV->UserSetEditText(VarColBegin, 1, "800");
          d.SGV->UserSetEditText(VarColStep, 1, "100");
          d.SGV->UserSetEditText(VarColLimit, 1, "1400");
          d.CbxXax->UserClick();
          d.SGV->UserSelectCell(VarColStep, 1);
          gui::Sync();
          EXPECT_TRUE(gui::GrabToPng(&d, dialogPicture));
          d.ButtonStart->UserClick();
        },
        Qt::QueuedConnection);
    ASSERT_TRUE(m.MnuCalcVar->UserClick());
    QApplication::processEvents();

    const platform::StringGrid& t = *TablOprtWnd->SGT;
    for (int r = 1; r < t.RowCount(); ++r) {
      temperatures.push_back(TextToDouble(t.Cells(1, r)));
      co2.push_back(TextToDouble(t.Cells(4, r)));
    }
    points = chart.Points().size();
    xColumn = chart.XColumn();
    EXPECT_EQ(CalculationRunState, CalculationRun::Idle);
    EXPECT_TRUE(m.ResultsValidFlag);

    TablOprtWnd->Show();
    TablOprtWnd->SetBounds(0, 300, 900, 300);
    gui::Sync();
    QApplication::processEvents();
    EXPECT_TRUE(gui::GrabToPng(&m, mainPicture));
    EXPECT_TRUE(gui::GrabToPng(TablOprtWnd, recordsPicture));
    m.MnuSaveByExit->SetChecked(false);
    EosType = DefaultEosType;
    gui::UnbindAll();
  }
  InitElementTable();
  ClearDatabase();
  SetProgramFolder(savedFolder);
  fs::remove_all(home);

  EXPECT_EQ(points, 7u);
  EXPECT_EQ(xColumn, 1);
  ASSERT_EQ(temperatures.size(), 7u);
  // From 1 CO + 1 H2O the shift gives x CO2 with x^2 / (1 - x)^2 = K; the values of the
  // datasets' K (see the headless sweep test), within the balance of the run.
  const double expectedCO2[] = {0.67230, 0.60235, 0.54474, 0.49820, 0.46035, 0.42954, 0.40426};
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_DOUBLE_EQ(temperatures[i], 800 + 100.0 * double(i));
    EXPECT_NEAR(co2[i], expectedCO2[i], 1e-4) << temperatures[i];
  }
  for (const std::string& p : {dialogPicture, mainPicture, recordsPicture}) EXPECT_GT(fs::file_size(p), 3000u) << p;
}

}  // namespace
