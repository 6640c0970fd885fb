// Lunetta in its Qt frame (QT_QPA_PLATFORM=offscreen): the program's windows start on a
// temporary user folder, the water table is computed and the frame is saved as a picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "gui/Gui.h"
#include "gui/ViewBase.h"
#include "platform/Form.h"
#include "platform/System.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"

namespace fs = std::filesystem;
using namespace quorel;

namespace {

TEST(LunettaGuiTest, WaterTableInTheFrame) {
  // Never the real home: the user settings file goes below a temporary folder.
  const fs::path home = fs::temp_directory_path() / ("lunetta_gui_" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  const char* oldHome = std::getenv("HOME");
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedHome = oldHome ? oldHome : "", savedConfig = oldConfig ? oldConfig : "";
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The program finds the shipped database as "..\data\Quorel.tdb" beside its folder.
  const std::string savedFolder = ProgramFolder();
  SetProgramFolder(QUOREL_SOURCE_DIR "/data");
  const std::string picture = QUOREL_BUILD_DIR "/lunetta_water.png";
  fs::remove(picture);

  int argc = 1;
  char arg0[] = "lunetta";
  char* argv[] = {arg0, nullptr};
  {
    // One Qt application per process: the test program may have made it already.
    std::unique_ptr<gui::Application> app;
    if (!QCoreApplication::instance()) app = std::make_unique<gui::Application>(argc, argv);
    LunettaWindows windows;
    TPSubstWnd& w = *windows.Substance;
    StartSubstanceWindow(w);
    EXPECT_EQ(SettingsStore().UserSettingsFile.rfind(home.string(), 0), 0u);
    EXPECT_GT(DatasetCount(), 1000);

    // As the program does: show the frame; the substance window gets its widgets with the rest.
    windows.Frame->SetBounds(0, 0, 1280, 680);
    gui::Show(windows.Frame.get());
    gui::Sync();
    // It comes up in its designed size inside the frame that is on screen.
    ASSERT_NE(gui::WidgetOf(&w), nullptr);
    ASSERT_NE(gui::WidgetOf(&w)->parentWidget(), nullptr);
    EXPECT_EQ(gui::WidgetOf(&w)->parentWidget()->size(), gui::ScaleOf(&w).Size(w.Width(), w.Height()));
    w.SetBounds(0, 0, 1250, 600);
    ASSERT_NE(gui::WidgetOf(&w), nullptr);
    ASSERT_NE(gui::WidgetOf(w.SGT), nullptr);

    // The user's session: H2O(u), 0 to 500 C by 25 at 1 bar, Update.
    w.CbxSubst->UserSetText("H2O(u)");
    w.ETP->UserSetText("1");
    w.EditV1->UserSetText("0");
    w.EditdV->UserSetText("25");
    w.EditV2->UserSetText("500");
    ASSERT_TRUE(w.ButtonUpdate->UserClick());
    QApplication::processEvents();

    EXPECT_EQ(w.ErrorState, 0);
    EXPECT_EQ(windows.Frame->Caption(), "Pure Substance: H2O(u)");
    int change = -1;
    for (int r = 1; r < w.SGT->RowCount(); ++r)
      if (w.TableCell(ColPhase, r) == "change" && w.TableCell(ColPhase, r - 1) == "(l)") change = r;
    ASSERT_GT(change, 0);
    EXPECT_EQ(w.TableCell(ColVariable, change - 1), "100");
    EXPECT_EQ(w.TableCell(ColPhase, change + 1), "(g)");
    EXPECT_EQ(w.TableCell(ColVariable, w.SGT->RowCount() - 1), "500");

    ASSERT_TRUE(gui::GrabToPng(windows.Frame.get(), picture));
    EXPECT_GT(fs::file_size(picture), 2000u);
  }
  SetProgramFolder(savedFolder);
  if (oldHome) setenv("HOME", savedHome.c_str(), 1); else unsetenv("HOME");
  if (oldConfig) setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
  fs::remove_all(home);
}

TEST(ProgramStartTest, WithoutADisplayEachProgramSaysSoAndEnds) {
  for (const std::string name : {"orvanto", "lunetta"}) {
    SCOPED_TRACE(name);
    const std::string program = QUOREL_BUILD_DIR "/" + name;
    if (!platform::FileExists(program)) {
      ADD_FAILURE() << "the program is not built: " << program;
      continue;
    }
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + program + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(output.find(name + ": no display"), std::string::npos) << output;
  }
}

}  // namespace
