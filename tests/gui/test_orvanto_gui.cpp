// Orvanto in its Qt window (QT_QPA_PLATFORM=offscreen): the program's windows start on a
// temporary user folder with the shipped database, the products of methane burning in oxygen
// are computed at 3000 K and 1 bar in Gas1, and the main window is saved as a picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

#include "../equilibrium/eqkernel_support.h"
#include "../equilibrium/eqkernel_thermo.h"
#include "equilibrium/EqKernel.h"
#include "equilibrium/EqlMain.h"
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

}  // namespace
