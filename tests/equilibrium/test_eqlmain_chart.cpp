// Orvanto's chart window in the program's start-up and commands: made last, its format dialog
// and its variables after the search, the chart font, the settings file and width, the set-up
// with "SID=", "Save Now", "Tool Bars" and the "Graphic" button; every calculation plotted,
// the table sorted by X, the chart following the record fields, and Close starting it again.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "orvanto_support.h"
#include "equilibrium/CalcVar.h"
#include "equilibrium/RcrdDef.h"
#include "records_charts/GrfPara.h"
#include "records_charts/GrfVars.h"
#include "records_charts/TablOprt.h"
#include "shared/PTools.h"
#include "records_charts/Grfx.h"
#include "records_charts/SearchDs.h"

using namespace quorel;

namespace {

class OrvantoChartTest : public orvtest::OrvantoTest {
 protected:
  TGrfWnd& Chart() { return *windows->Chart; }
  TGrfVarDlg& Vars() { return *windows->ChartVariables; }
  platform::StringGrid& Records() { return *TablOprtWnd->SGT; }
  // Gas1: 1 mol CH4 with o2 mol O2 in, and their products.
  void FillMethane(const std::string& o2) {
    const char* species[] = {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH", "H", "O"};
    std::vector<std::vector<std::string>> rows;
    for (const char* sp : species)
      rows.push_back({std::string(sp) + " (g)", sp == std::string("CH4") ? "1" : sp == std::string("O2") ? o2 : ""});
    Fill(1, rows);
  }
  // CH4 + 2 O2 with its products in Gas1; record variables T and the CO2 out of Gas1.
  void MethaneWithRecords() {
    FillMethane("2");
    session.modal.QueueModal([](platform::Form& f) {
      auto& d = dynamic_cast<TRcrdDefDlg&>(f);
      d.CBState->UserSelect(0);  // T
      d.ButtonAdd0->Click();
      d.CBRow->UserSelect(3);          // CO2 (g)
      d.CBCol->UserSelect(ColOut - 1);  // out
      d.ButtonAdd1->Click();
      d.ButtonAccept->Click();
    });
    m->BtnRecordVar->Click();
    ASSERT_EQ(RcrdDefDlg->RecordVariableCount, 2);
  }
  // X the T column, Y1 the CO2 column; the axes of the runs.
  void PlotCO2OverT() {
    m->BtnGrfVar->Click();
    ASSERT_TRUE(Vars().Visible());
    Vars().CBX->UserSelect(1);
    Vars().CBY->UserSelect(2);
    Vars().ButtonAdd->Click();
    Vars().ButtonOK->Click();
    ASSERT_EQ(Chart().Series[1].shown, 1);  // a new series is shown at once
    ASSERT_TRUE(Chart().Series[1].checkBox->Checked());
    Chart().BtnGraFit->Click();  // auto size off: the axes stay as the user sets them
    ASSERT_FALSE(Chart().AutoSize());
    Chart().MnuStylePoint->Click();  // a marker even for the first point
    TGrfParaDlg& f = *windows->ChartFormat;
    Chart().MnuFormatAxis->Click();
    const char* ranges[2][3] = {{"1500", "3500", "4"}, {"0", "1", "5"}};
    for (int k = 0; k < 2; ++k) {
      f.FromEdit[size_t(k)]->UserSetText(ranges[k][0]);
      f.ToEdit[size_t(k)]->UserSetText(ranges[k][1]);
      f.TileEdit[size_t(k)]->UserSetText(ranges[k][2]);
    }
    f.BtnAccept->Click();
  }
  // The chart's points equal the records, row by row.
  void ExpectPointsAreTheRecords() {
    const ChartPointStore& p = Chart().Points;
    ASSERT_EQ(p.count, Records().RowCount() - 1);
    for (int i = 0; i < p.count; ++i) {
      EXPECT_DOUBLE_EQ(p.columns[0][size_t(i)], TextToDouble(Records().Cells(1, i + 1))) << i;
      EXPECT_DOUBLE_EQ(p.columns[1][size_t(i)], TextToDouble(Records().Cells(2, i + 1))) << i;
    }
  }
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

TEST_F(OrvantoChartTest, TheChartVariablesAreWiredToTheMainWindow) {
  const std::vector<platform::Form*>& forms = platform::Screen::Forms();
  auto at = [&](platform::Form* f) { return std::find(forms.begin(), forms.end(), f) - forms.begin(); };
  EXPECT_EQ(at(windows->ChartVariables.get()), at(windows->ChartFormat.get()) + 1);
  EXPECT_EQ(GrfVarDlg, windows->ChartVariables.get());
  // "Variable Definition" and "Variable" of the chart show the dialog, as "Graphic Variables".
  for (platform::MenuItem* item : {Chart().MnuVarDef, Chart().PopVarDef}) {
    EXPECT_TRUE(item->Visible());
    Vars().Hide();
    item->Click();
    EXPECT_TRUE(Vars().Visible());
  }
  Vars().Hide();
  m->BtnGrfVar->Click();
  EXPECT_TRUE(Vars().Visible());
  // The record table's changes feed the chart; its auto-size follows the records when on.
  ASSERT_TRUE(bool(TableChangedHook));
  ASSERT_TRUE(bool(AutoSizeChangedHook));
  Records().SetColCount(3);
  Records().SetRowCount(4);
  const char* cells[3][3] = {{"1", "1000", "3"}, {"2", "1200", "37"}, {"3", "1100", "20"}};
  for (int r = 1; r <= 3; ++r)
    for (int c = 0; c < 3; ++c) Records().SetCells(c, r, cells[r - 1][c]);
  Records().SetCells(1, 0, "T");
  Records().SetCells(2, 0, "n");
  Vars().FillFieldCombos();
  Vars().CBX->UserSelect(1);
  Vars().CBY->UserSelect(2);
  Vars().ButtonAdd->Click();
  Vars().ButtonOK->Click();
  EXPECT_TRUE(m->SystemChangedFlag);
  EXPECT_EQ(Chart().Points.count, 3);
  Chart().BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
  Chart().BtnGraFit->Click();
  EXPECT_DOUBLE_EQ(Chart().Axis[1].to, 40);
  EXPECT_EQ(Chart().Axis[1].tiles, 4);
  // A record whose X cannot be fed gives no point, nor do its values land on another one.
  SeriesAssignment.column[0] = 7;
  TableChangedHook(0);
  EXPECT_EQ(Chart().Points.count, 0);
  m->UpdateChartFromRecords(3);
  EXPECT_EQ(Chart().Points.count, 0);
}

// Three calculations of CH4 + 2 O2, at 3000, 2000 and 2500 K: each adds its record as a point,
// the table ends sorted by T and the points are the records.
// From the first start: CH4 with O2 at 3000 K, the x of CO2 and of CO recorded against the O2
// input and made chart variables; three calculations with O2 = 1.5, 2, 2.5 mol. Both series
// are ticked at once, the axes fitted after every calculation, every point inside the plot.
TEST_F(OrvantoChartTest, FromTheFirstStartTheChartFitsEveryCalculation) {
  ASSERT_TRUE(Chart().AutoSize());
  FillMethane("1.5");
  session.modal.QueueModal([](platform::Form& f) {
    auto& d = dynamic_cast<TRcrdDefDlg&>(f);
    for (auto [row, col] : {std::pair{2, ColIn - 1}, std::pair{3, ColConc - 1}, std::pair{5, ColConc - 1}}) {
      d.CBRow->UserSelect(row);  // O2 (g) in, CO2 (g) x, CO (g) x
      d.CBCol->UserSelect(col);
      d.ButtonAdd1->Click();
    }
    d.ButtonAccept->Click();
  });
  m->BtnRecordVar->Click();
  ASSERT_EQ(RcrdDefDlg->RecordVariableCount, 3);
  m->BtnGrfVar->Click();
  Vars().CBX->UserSelect(1);
  for (int y : {2, 3}) {
    Vars().CBY->UserSelect(y);
    Vars().ButtonAdd->Click();
  }
  Vars().ButtonOK->Click();
  for (const char* o2 : {"1.5", "2", "2.5"}) {
    SCOPED_TRACE(o2);
    Grid(1).SetCells(ColIn, 2, o2);
    Calculate("3000");
    ASSERT_TRUE(m->ResultsValidFlag) << Text(1570);
    for (int n : {1, 2}) {
      EXPECT_EQ(Chart().Series[size_t(n)].shown, 1) << n;
      ASSERT_NE(Chart().Series[size_t(n)].checkBox, nullptr);
      EXPECT_TRUE(Chart().Series[size_t(n)].checkBox->Checked()) << n;
    }
    const ChartAxis& x = Chart().Axis[0];
    const ChartAxis& y = Chart().Axis[1];
    for (int i = 0; i < Chart().Points.count; ++i) {
      const double px = Chart().Points.columns[0][size_t(i)];
      EXPECT_GE(px, x.from);
      EXPECT_LE(px, x.to);
      for (int n : {1, 2}) {
        const double py = Chart().Points.columns[size_t(n)][size_t(i)];
        EXPECT_GE(py, y.from) << n;
        EXPECT_LE(py, y.to) << n;
      }
    }
    // Fitted, not the defaults: X no wider than 0..10 for O2 inputs of 1.5..2.5 mol, and a Y
    // axis of mole fractions within 0..1.
    EXPECT_GE(x.from, 0);
    EXPECT_LE(x.to, 10);
    EXPECT_GE(y.from, 0);
    EXPECT_LE(y.to, 1);
  }
  EXPECT_EQ(Chart().Points.count, 3);
  EXPECT_LE(Chart().Axis[0].from, 1.5);
  EXPECT_GE(Chart().Axis[0].to, 2.5);

  // A variation of the O2 input from 1 to 4 mol: the X axis covers 1..4 after the run.
  session.modal.QueueModal([this](platform::Form&) {
    TCalcVarDlg& v = *windows->Variation;
    v.ClearVariationGrid();
    v.SGV->SetRowCount(2);
    const std::vector<std::string> row = {"1", "O2 (g) in", "1", "0.5", "4", "", "", "0x 01 01 01 02"};
    for (int c = 0; c < int(row.size()); ++c) v.SGV->SetCells(c, 1, row[size_t(c)]);
    v.ButtonStart->Click();
  });
  m->MnuCalcVar->Click();
  ASSERT_EQ(Chart().Points.count, 3 + 7);
  EXPECT_LE(Chart().Axis[0].from, 1);
  EXPECT_GE(Chart().Axis[0].to, 4);
  EXPECT_LE(Chart().Axis[0].to, 10);
  for (int i = 0; i < Chart().Points.count; ++i)
    for (int n : {1, 2}) {
      const double py = Chart().Points.columns[size_t(n)][size_t(i)];
      EXPECT_GE(py, Chart().Axis[1].from) << n;
      EXPECT_LE(py, Chart().Axis[1].to) << n;
    }
}

TEST_F(OrvantoChartTest, EveryCalculationIsPlotted) {
  MethaneWithRecords();
  PlotCO2OverT();
  std::vector<double> seen;
  for (const char* t : {"3000", "2000", "2500"}) {
    SCOPED_TRACE(t);
    Calculate(t);
    ASSERT_TRUE(m->ResultsValidFlag) << Text(1570);
    seen.push_back(TextToDouble(t));
    ASSERT_EQ(Chart().Points.count, int(seen.size()));
    ExpectPointsAreTheRecords();
    // The new record is among the points, with its CO2.
    bool found = false;
    for (int i = 0; i < Chart().Points.count; ++i)
      found = found || Chart().Points.columns[0][size_t(i)] == TextToDouble(t);
    EXPECT_TRUE(found);
    for (int r = 2; r < Records().RowCount(); ++r)
      EXPECT_LE(TextToDouble(Records().Cells(1, r - 1)), TextToDouble(Records().Cells(1, r)));
    // The plot shows the series at its newest point.
    const platform::Picture& plot = *Chart().PlotPicture;
    const int i = Chart().Points.newest;
    const double x = Chart().Points.columns[0][size_t(i)], y = Chart().Points.columns[1][size_t(i)];
    const int px = int(std::nearbyint(plot.Width() * (x - 1500) / 2000.0));
    const int py = plot.Height() - int(std::nearbyint(plot.Height() * y));
    bool drawn = false;
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx) drawn = drawn || plot.Pixel(px + dx, py + dy) == Chart().Series[1].colour;
    EXPECT_TRUE(drawn) << px << "," << py;
  }
  std::sort(seen.begin(), seen.end());
  for (int r = 1; r <= 3; ++r) EXPECT_DOUBLE_EQ(TextToDouble(Records().Cells(1, r)), seen[size_t(r - 1)]);
  // Less CO2 at the higher temperature (it dissociates to CO and O2).
  EXPECT_GT(TextToDouble(Records().Cells(2, 1)), TextToDouble(Records().Cells(2, 3)));
  // Close: the chart variables start again, and a calculation then plots nothing.
  session.dialogs.QueueMessageAnswer(platform::mrNo);
  m->MnuClose->Click();
  EXPECT_EQ(SeriesAssignment.count, 0);
  EXPECT_EQ(Chart().Points.count, 0);
  m->UpdateChartFromRecords(1);
  EXPECT_EQ(Chart().Points.count, 0);
}

// The record fields moved in their dialog: the chart follows them at once and says so.
TEST_F(OrvantoChartTest, TheChartFollowsTheRecordFields) {
  TRcrdDefDlg& d = *RcrdDefDlg;
  d.SGR->SetRowCount(5);
  const char* fields[][2] = {{"T", "0x 00 00 00 00"}, {"dH", "0x 00 00 00 05"}, {"dG", "0x 00 00 00 07"},
                             {"1/T", "0x 00 00 00 13"}};
  for (int i = 1; i <= 4; ++i) {
    d.SGR->SetCells(RecFieldId, i, std::to_string(i));
    d.SGR->SetCells(RecFieldName, i, fields[i - 1][0]);
    d.SGR->SetCells(RecFieldAddress, i, fields[i - 1][1]);
  }
  d.DecodeRecordAddresses();
  Records().SetColCount(5);
  for (int c = 1; c <= 4; ++c) Records().SetCells(c, 0, fields[c - 1][0]);
  Vars().FillFieldCombos();
  Vars().CBX->UserSelect(1);
  for (int column : {2, 3, 4}) {
    Vars().CBY->UserSelect(column);
    Vars().ButtonAdd->Click();
  }
  Vars().ButtonOK->Click();
  ASSERT_EQ(SeriesAssignment.count, 3);
  // Swap fields 2 and 3, delete field 4, Accept.
  session.modal.QueueModal([&](platform::Form&) {
    d.SGR->MoveRow(3, 2);
    d.SelectedRow = 4;
    d.DelSelectionClick();
    d.AcceptClick();
  });
  log->sink.Clear();
  m->MnuRecordVar->Click();
  EXPECT_EQ(SeriesAssignment.column[0], 1);
  EXPECT_EQ(SeriesAssignment.column[1], 3);  // dH, now field 3
  EXPECT_EQ(SeriesAssignment.column[2], 2);  // dG, now field 2
  EXPECT_EQ(SeriesAssignment.column[3], -1);  // 1/T is gone
  EXPECT_EQ(Vars().Grids[1]->Cells(GrfVarColField, 3), "-1");
  int renumbered = 0, gone = 0;
  for (const auto& e : log->sink.messages) {
    renumbered += e.id == ChartSeriesRenumberedId;
    gone += e.id == ChartSeriesFieldMissingId;
  }
  EXPECT_EQ(renumbered, 2);
  EXPECT_EQ(gone, 1);
  EXPECT_EQ(Text(ChartSeriesFieldMissingId), "No Records for 1/T");
  EXPECT_EQ(m->RecordAddressSnapshot,
            (std::vector<std::string>{"0x 00 00 00 00", "0x 00 00 00 07", "0x 00 00 00 05"}));
  // The X field deleted: X falls back to column 0, with a message.
  session.modal.QueueModal([&](platform::Form&) {
    d.SelectedRow = 1;
    d.DelSelectionClick();
    d.AcceptClick();
  });
  log->sink.Clear();
  m->MnuRecordVar->Click();
  EXPECT_EQ(SeriesAssignment.column[0], 0);
  EXPECT_EQ(Text(ChartXFieldMissingId), "No Records for x/t-Coordinate  T");
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
