// Orvanto's chart window in the program's start-up and commands: made last, its format dialog
// after the search, the chart font, the settings file and width, the set-up with "SID=",
// "Save Now", "Tool Bars" and the "Graphic" button.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "orvanto_support.h"
#include "records_charts/GrfPara.h"
#include "records_charts/Grfx.h"
#include "records_charts/SearchDs.h"

using namespace quorel;

namespace {

class OrvantoChartTest : public orvtest::OrvantoTest {
 protected:
  TGrfWnd& Chart() { return *windows->Chart; }
  // The user settings file of the next start.
  void WriteUserFile(const std::string& text) {
    const std::string path = SettingsStore().UserSettingsFile;
    ASSERT_FALSE(path.empty());
    std::ofstream(path, std::ios::binary) << text;
  }
};

TEST_F(OrvantoChartTest, StartUpMakesAndSetsUpTheChart) {
  const std::vector<platform::Form*>& forms = platform::Screen::Forms();
  auto at = [&](platform::Form* f) { return std::find(forms.begin(), forms.end(), f) - forms.begin(); };
  EXPECT_EQ(at(windows->ChartFormat.get()), at(windows->Search.get()) + 1);
  // The chart last of the program's windows (the phase windows come with the start-up).
  EXPECT_EQ(at(windows->Chart.get()), at(windows->Kernel.get()) + 1);
  EXPECT_EQ(GrfWnd, windows->Chart.get());
  EXPECT_EQ(GrfParaDlg, windows->ChartFormat.get());
  TGrfWnd& c = Chart();
  EXPECT_EQ(c.ChartFont.Name, "Arial");
  EXPECT_EQ(c.ChartFont.Size, 10);
  EXPECT_TRUE(c.CanPaint);
  EXPECT_EQ(c.GetFormStyle(), platform::FormStyle::MDIChild);
  EXPECT_EQ(c.Caption(), "Graphic");
  // Only Y1 until a definition is applied; the format dialog holds the axes.
  EXPECT_TRUE(c.GbxY[1]->Visible());
  EXPECT_FALSE(c.GbxY[3]->Visible());
  EXPECT_EQ(windows->ChartFormat->EFX->Text(), "300");
  EXPECT_EQ(windows->ChartFormat->GBX->Caption(), "X [T]");
  EXPECT_TRUE(bool(windows->ChartFormat->EFX->OnKeyDown));
  // The tool bar follows "Tool Bars".
  EXPECT_TRUE(c.ToolBar1->Visible());
  m->MnuToolBars->Click();
  EXPECT_FALSE(c.PopToolBar->Checked());
  EXPECT_FALSE(c.ToolBar1->Visible());
  EXPECT_FALSE(c.MnuLayToolBar->Checked());
  m->MnuToolBars->Click();
  EXPECT_TRUE(c.ToolBar1->Visible());
  // "Graphic" shows it, restored, in front.
  c.Close();
  EXPECT_FALSE(c.CanPaint);
  m->BtnGraphic->Click();
  EXPECT_EQ(c.GetWindowState(), platform::WindowState::Normal);
  EXPECT_TRUE(c.Visible());
  EXPECT_TRUE(c.CanPaint);
  EXPECT_EQ(platform::Screen::ActiveForm(), &c);
}

TEST_F(OrvantoChartTest, TheUserSettingsFileHoldsTheChartSection) {
  // Without a user file the chart keeps no file of its own.
  EXPECT_TRUE(Chart().SettingsFileName.empty());
  WriteUserFile("[MainWnd]\r\n  Maximized=0\r\n  Left=0\r\n  Top=0\r\n  Width=600\r\n  Height=500\r\n");
  Stop();
  Start();
  TGrfWnd& c = Chart();
  EXPECT_EQ(c.SettingsFileName, SettingsStore().UserSettingsFile);
  EXPECT_EQ(c.SettingsSectionName, "Graphic");
  // The main window is narrower than the chart: the chart takes 9/10 of it.
  EXPECT_EQ(m->Width(), 600);
  EXPECT_EQ(c.Width(), 540);
  // "Save Now" writes the chart's section into the user file.
  c.GrafBG = platform::RGB(1, 2, 3);
  ASSERT_EQ(m->MnuSaveNowClick(), 1);
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  ASSERT_EQ(store.OpenSettingsFile(store.UserSettingsFile), 1);
  ASSERT_GT(store.SelectSection("Graphic"), 0);
  EXPECT_EQ(store.GetKeyValue("GrafBG"), std::to_string(platform::RGB(1, 2, 3)));
  EXPECT_EQ(store.GetKeyValue("FontName"), "Arial");
  EXPECT_GT(store.SelectSection("MainWnd"), 0);
}

TEST_F(OrvantoChartTest, AProcessIdentifierCaptionsTheChart) {
  Stop();
  session.application.arguments = {"SID=Kiln 4"};
  Start();
  EXPECT_EQ(Chart().Caption(), "Process Graphic [Kiln 4]");
  EXPECT_GT(Chart().ChartPicture->Width(), 0);  // drawn at once
  // The argument is no system file: nothing else happens.
  EXPECT_TRUE(m->CurrentSystemPath.empty());
  session.application.arguments.clear();
}

}  // namespace
