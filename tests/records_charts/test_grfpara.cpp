// The chart format dialog as a user drives it: pages loaded from the chart's axes, values typed,
// Accept or Enter; the reports of irregular values; the range fit and the automatic sizing of
// the axes to the record table's columns; renaming X.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "chart_support.h"
#include "shared/PTools.h"

using namespace quorel;

namespace {

class FormatDialogTest : public charttest::ChartFixture {
 protected:
  // The page of axis k with these texts.
  void Type(int k, const std::string& from, const std::string& to, const std::string& tiles) {
    para->FromEdit[k]->UserSetText(from);
    para->ToEdit[k]->UserSetText(to);
    para->TileEdit[k]->UserSetText(tiles);
  }
  std::vector<std::string> Reports() const {
    std::vector<std::string> out;
    for (const LoggedMessage& m : log.sink.messages) {
      EXPECT_EQ(m.id, AxisValueIrregularId);
      EXPECT_EQ(m.level, LevelCritical);
      out.push_back(m.text);
    }
    return out;
  }
};

TEST_F(FormatDialogTest, PagesOfANewDialog) {
  TGrfParaDlg& d = *para;
  EXPECT_EQ(d.Caption(), "Graphics Format");
  EXPECT_EQ(d.PCtrl->PageCount(), 8);
  EXPECT_EQ(d.Cxf1->ItemIndex(), 3);
  EXPECT_EQ(d.Cxf1->Text(), "x 1");
  EXPECT_EQ(d.CBxTime->ItemIndex(), 0);
  EXPECT_FALSE(d.CBxTime->Visible());
  EXPECT_FALSE(d.Cbas0->Visible());
  EXPECT_FALSE(d.ButtonDef->Visible());
  for (int n = 2; n <= 8; ++n) {
    ASSERT_NE(d.Sheet[n], nullptr);
    EXPECT_EQ(d.Sheet[n]->Caption(), "Y" + std::to_string(n));
    EXPECT_EQ(d.Sheet[n]->Tag(), n);
    EXPECT_EQ(d.FromEdit[n]->Tag(), n);
    EXPECT_EQ(d.FromEdit[n]->BoundsRect(), d.EF1->BoundsRect());
    EXPECT_EQ(d.ToEdit[n]->Text(), "100");
    EXPECT_EQ(d.FromLabel[n]->Caption(), "From");
    EXPECT_FALSE(d.AutoSizeBox[n]->Visible());
    EXPECT_EQ(d.ScaleCombo[n]->Items().Count(), 7);
    EXPECT_EQ(d.ScaleCombo[n]->ItemIndex(), 3);
  }
  EXPECT_EQ(d.BuildAxisPage(0), -1);
  EXPECT_EQ(d.BuildAxisPage(9), -1);
  EXPECT_EQ(d.BuildAxisPage(4), 4);
  EXPECT_EQ(d.PCtrl->PageCount(), 8);
  // Accept ends half a button left of the centre, Close begins half a button right of it.
  const int mid = d.Width() / 2, bw = d.BtnAccept->Width();
  EXPECT_EQ(d.BtnAccept->Left() + bw, mid - bw / 2);
  EXPECT_EQ(d.BtnClose->Left(), mid + bw / 2);
  d.ButtonDef->SetVisible(true);
  d.FormResize();
  EXPECT_EQ(d.ButtonDef->Left() + bw / 2, mid);
}

TEST_F(FormatDialogTest, LoadShowsAnAxisAndItsScale) {
  TGrfParaDlg& d = *para;
  AxisScaleExponent[2] = 6;
  d.LoadAxisPage(2, ChartAxis{true, true, 4, std::log(0.5), std::log(2000.0), "H[J/mol]"});
  EXPECT_EQ(d.Sheet[2]->Caption(), "H[J/mol]");
  EXPECT_EQ(d.FromEdit[2]->Text(), "0.5");
  EXPECT_EQ(d.ToEdit[2]->Text(), "2000");
  EXPECT_EQ(d.TileEdit[2]->Text(), "4");
  EXPECT_TRUE(d.LogBox[2]->Checked());
  EXPECT_EQ(d.ScaleCombo[2]->Text(), "x 1 000 000");
  AxisScaleExponent[2] = -30;
  d.LoadAxisPage(2, ChartAxis{false, false, 10, -1, 1, "H"});
  EXPECT_EQ(d.ScaleCombo[2]->ItemIndex(), 3);
  EXPECT_FALSE(d.IncludeBox[2]->Checked());
  AxisScaleExponent[2] = 0;
  // X in the time unit of the list.
  d.CBxTime->SetVisible(true);
  d.CBxTime->SetItemIndex(1);
  d.LoadAxisPage(0, ChartAxis{true, false, 6, 600, 3600, "t [min]"});
  EXPECT_EQ(d.GBX->Caption(), "t [min]");
  EXPECT_EQ(d.EFX->Text(), "10");
  EXPECT_EQ(d.ETX->Text(), "60");
  EXPECT_EQ(d.EdX->Text(), "6");
}

TEST_F(FormatDialogTest, IrregularValuesAreReportedAndNothingIsStored) {
  TGrfParaDlg& d = *para;
  TGrfWnd& w = *chart;
  w.FormatAxisClick(nullptr);
  const ChartAxis before = w.Axis[2];
  struct Case {
    int page;
    const char* from;
    const char* to;
    const char* tiles;
    bool log;
    std::vector<std::string> reports;
  };
  const std::vector<Case> cases = {
      {2, "abc", "100", "10", false, {"H[J/mol]:  From=abc  irregular !"}},
      {2, "x", "y", "1.5", false,
       {"H[J/mol]:  From=x  irregular !", "H[J/mol]:  To=y  irregular !", "H[J/mol]:  Tile=1.5  irregular !"}},
      {2, "0", "100", "0", false, {"H[J/mol]:  Tile=0  <1  irregular !"}},
      {2, "0", "100", "1001", false, {"H[J/mol]:  Tile=1001  >1000  irregular !"}},
      {2, "5", "5", "10", false, {"H[J/mol]:  From=5  >= 5"}},
      {2, "0", "100", "10", true, {"H[J/mol]:  From=0  <0  (log) irregular !"}},
      {2, "-1", "-0.5", "10", true,
       {"H[J/mol]:  From=-1  <0  (log) irregular !", "H[J/mol]:  To=-0.5  <0  (log) irregular !"}},
      {0, "1", "abc", "5", false, {"X [T]:  To=abc  irregular !"}},
  };
  for (const Case& c : cases) {
    log.sink.Clear();
    Type(c.page, c.from, c.to, c.tiles);
    d.LogBox[c.page]->SetChecked(c.log);
    d.ValidFlag = true;
    d.ValidateAxisPage(c.page, w.Axis[c.page]);
    EXPECT_FALSE(d.ValidFlag) << c.from;
    EXPECT_EQ(Reports(), c.reports) << c.from;
  }
  EXPECT_EQ(w.Axis[2].from, before.from);
  EXPECT_EQ(w.Axis[2].to, before.to);
  EXPECT_EQ(w.Axis[2].tiles, before.tiles);
  EXPECT_EQ(w.Axis[0].to, 800);
}

TEST_F(FormatDialogTest, RegularValuesAreStored) {
  TGrfParaDlg& d = *para;
  TGrfWnd& w = *chart;
  Type(3, "1", "1000", "3");
  d.LogBox[3]->SetChecked(true);
  d.IncludeBox[3]->SetChecked(false);
  d.ScaleCombo[3]->SetItemIndex(4);  // "x 1 000"
  d.ValidFlag = true;
  d.ValidateAxisPage(3, w.Axis[3]);
  EXPECT_TRUE(d.ValidFlag);
  EXPECT_EQ(w.Axis[3].from, 0);
  EXPECT_DOUBLE_EQ(w.Axis[3].to, std::log(1000.0));
  EXPECT_EQ(w.Axis[3].tiles, 3);
  EXPECT_TRUE(w.Axis[3].log);
  EXPECT_FALSE(w.Axis[3].include);
  EXPECT_EQ(AxisScaleExponent[3], 3);
  EXPECT_EQ(AxisScaleFactor[3], 1000.0);
  // A hidden scale list gives the factor 1; numbers with a decimal comma and blanks are read.
  d.ScaleCombo[3]->SetVisible(false);
  d.LogBox[3]->SetChecked(false);
  Type(3, " -2,5 ", "7.", "1000");
  d.ValidateAxisPage(3, w.Axis[3]);
  EXPECT_TRUE(d.ValidFlag);
  EXPECT_EQ(w.Axis[3].from, -2.5);
  EXPECT_EQ(w.Axis[3].to, 7);
  EXPECT_EQ(w.Axis[3].tiles, 1000);
  EXPECT_EQ(AxisScaleExponent[3], 0);
  EXPECT_EQ(AxisScaleFactor[3], 1.0);
  EXPECT_TRUE(log.sink.messages.empty());
}

TEST_F(FormatDialogTest, AcceptStoresEveryShownPageOnlyWhenAllAreRegular) {
  TGrfParaDlg& d = *para;
  TGrfWnd& w = *chart;
  int hooks = 0;
  bool flag = true;
  AutoSizeChangedHook = [&](bool on) {
    ++hooks;
    flag = on;
  };
  w.BtnGraFit->SetDown(false);
  w.xTime = 60;
  d.CBxTime->SetVisible(true);
  w.FormatAxisClick(nullptr);
  EXPECT_EQ(d.CBxTime->Text(), "Min");
  EXPECT_FALSE(d.CBlX->Visible());
  // X valid (10..20 min), Y3 irregular: nothing changes, nothing is multiplied.
  Type(0, "10", "20", "5");
  Type(3, "9", "1", "10");
  d.BtnAccept->Click();
  EXPECT_EQ(hooks, 1);
  EXPECT_FALSE(flag);
  EXPECT_EQ(w.Axis[0].from, 300);
  EXPECT_EQ(w.Axis[0].to, 800);
  EXPECT_EQ(w.AxisRange[0], 500);
  EXPECT_EQ(w.Axis[3].from, 0);
  // Y3 mended: both stored, X once in seconds.
  Type(3, "1", "9", "8");
  d.BtnAccept->Click();
  EXPECT_EQ(w.Axis[0].from, 600);
  EXPECT_EQ(w.Axis[0].to, 1200);
  EXPECT_EQ(w.AxisRange[0], 600);
  EXPECT_EQ(w.xTime, 60);
  EXPECT_EQ(w.Axis[0].name, "t [min]");
  EXPECT_EQ(w.Axis[3].from, 1);
  EXPECT_EQ(w.AxisRange[3], 8);
  // A hidden page is not checked.
  d.Sheet[3]->SetTabVisible(false);
  Type(3, "bad", "bad", "bad");
  log.sink.Clear();
  d.BtnAccept->Click();
  EXPECT_TRUE(log.sink.messages.empty());
  AutoSizeChangedHook = nullptr;
}

TEST_F(FormatDialogTest, EnterAppliesOnePageAndEscapeCloses) {
  TGrfParaDlg& d = *para;
  TGrfWnd& w = *chart;
  w.InitChartWindow();
  Type(1, "-5", "5", "2");
  EXPECT_EQ(d.TileEdit[1]->KeyDown(platform::Key::Enter), 0);
  EXPECT_EQ(w.Axis[1].from, -5);
  EXPECT_EQ(w.AxisRange[1], 10);
  // X of a time axis: multiplied only when the page is regular.
  w.xTime = 3600;
  d.CBxTime->SetVisible(true);
  d.CBxTime->SetItemIndex(2);
  Type(0, "1", "x", "4");
  EXPECT_EQ(d.EFX->KeyDown(platform::Key::Enter), 0);
  EXPECT_EQ(w.Axis[0].from, 300);
  Type(0, "1", "3", "4");
  d.ETX->KeyDown(platform::Key::Enter);
  EXPECT_EQ(w.Axis[0].from, 3600);
  EXPECT_EQ(w.Axis[0].to, 10800);
  EXPECT_EQ(w.AxisRange[0], 7200);
  d.Show();
  EXPECT_EQ(d.Ed1->KeyDown(platform::Key::Escape), 0);
  EXPECT_FALSE(d.Visible());
  // Other keys go on to the edit.
  EXPECT_EQ(d.Ed1->KeyDown('7'), '7');
}

TEST_F(FormatDialogTest, FormatAxisShowsTheDialogWithItsPages) {
  TGrfWnd& w = *chart;
  w.Axis[0].log = true;
  w.FormatAxisClick(w.MnuFormatAxis);
  EXPECT_TRUE(para->Visible());
  EXPECT_TRUE(para->CBlX->Visible());
  EXPECT_TRUE(para->CBlX->Checked());
  // A time axis has no log X.
  w.xTime = 3600;
  w.FormatAxisClick(nullptr);
  EXPECT_FALSE(w.Axis[0].log);
  EXPECT_FALSE(para->CBlX->Checked());
  EXPECT_FALSE(para->CBlX->Visible());
  EXPECT_EQ(para->CBxTime->Text(), "Hour");
}

TEST_F(FormatDialogTest, NiceRangesForData) {
  struct Case {
    bool log;
    double a, b;
    double from, to;
    int tiles;
  };
  const std::vector<Case> cases = {
      {false, 0, 37, 0, 40, 4},      {false, 0, 10, 0, 10, 10},   {false, 3, 250, 0, 300, 3},
      {false, 50, 80, 50, 80, 3},    {false, 55, 57, 50, 60, 2},  {false, -37, 0, -50, 0, 2},
      {false, -5, 37, -10, 100, 11}, {false, -37, 37, -50, 100, 4}, {false, -37, -5, -40, 0, 1},
      {false, -8, -5, -8, -5, 0},
      // The upper end of data on a whole power of ten stays on it.
      {false, -5, 100, -10, 100, 11},
  };
  for (const Case& c : cases) {
    const AxisFit f = FitAxisRange(c.log, c.b, c.a, AxisFit{1, 2, 7});
    EXPECT_DOUBLE_EQ(f.from, c.from) << c.a << ".." << c.b;
    EXPECT_DOUBLE_EQ(f.to, c.to) << c.a << ".." << c.b;
    EXPECT_EQ(f.tiles, c.tiles) << c.a << ".." << c.b;
  }
  // Log: 0.02 .. 80 fits 0.01 .. 100 with 4 tiles, kept as logarithms.
  const AxisFit f = FitAxisRange(true, 0.02, 80, AxisFit{});
  EXPECT_DOUBLE_EQ(f.from, std::log(0.01));
  EXPECT_DOUBLE_EQ(f.to, std::log(100.0));
  EXPECT_EQ(f.tiles, 4);
  // Nothing to fit: the start values stay.
  const AxisFit none = FitAxisRange(false, 0, 0, AxisFit{1, 2, 7});
  EXPECT_EQ(none.from, 1);
  EXPECT_EQ(none.tiles, 7);
  // The helpers.
  EXPECT_EQ(NiceTickStep(-100, -37), -50);
  EXPECT_EQ(NiceTickStep(100, 37), 100);
  EXPECT_EQ(NiceTickStepFirst(50, 37), 25);
  EXPECT_EQ(NiceTickStepFirst(50, 1), 5);
  int k = 0;
  double m = 0;
  EXPECT_EQ(DecadeStep(false, true, 37, &k, &m), 40);
  EXPECT_EQ(k, 1);
  EXPECT_EQ(m, 4);
  EXPECT_EQ(DecadeStep(true, true, -37, &k, &m), -100);
  EXPECT_EQ(m, -1);
  EXPECT_EQ(Decade(true, 80), 100);
  EXPECT_EQ(Decade(false, 0.02), 0.01);
  EXPECT_EQ(TilesForDecade(1), 10);
  EXPECT_EQ(TilesForDecade(-3), 2);
  EXPECT_EQ(TilesForDecade(11), 10);
}

TEST_F(FormatDialogTest, AutoSizeFitsTheAxesToTheirRecordColumns) {
  TGrfParaDlg& d = *para;
  TGrfWnd& w = *chart;
  platform::StringGrid grid(nullptr, "SGT");
  grid.SetColCount(4);
  grid.SetRowCount(2);
  const std::vector<std::vector<std::string>> rows = {{"1", "310", "0", "5"}, {"2", "290", "37", "x"}, {"3", " 350 ", "12,5", ""}};
  SeriesAssignment.count = 1;
  SeriesAssignment.column[0] = 1;
  SeriesAssignment.column[1] = 2;
  SeriesAssignment.seriesNumber[1] = 1;
  SeriesAssignment.axisOfColumn[1] = 0;
  SeriesAssignment.axisOfColumn[2] = 1;
  w.BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
  w.BtnGraFit->Click();  // auto size on
  EXPECT_TRUE(d.Cbas0->Checked());
  EXPECT_TRUE(d.AutoSizeBox[1]->Checked());
  // One data row: each axis gets a span around its one value (0: -1..1; 310: 260..360).
  for (int c = 0; c < 4; ++c) grid.SetCells(c, 1, rows[0][static_cast<std::size_t>(c)]);
  d.AutoSizeAxes(grid);
  EXPECT_EQ(w.Axis[1].from, -1);
  EXPECT_EQ(w.Axis[1].to, 1);
  EXPECT_DOUBLE_EQ(w.Axis[0].from, 260);
  EXPECT_DOUBLE_EQ(w.Axis[0].to, 360);
  grid.SetRowCount(4);
  for (int r = 1; r <= 3; ++r)
    for (int c = 0; c < 4; ++c) grid.SetCells(c, r, rows[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c)]);
  d.AutoSizeAxes(grid);
  EXPECT_EQ(d.DataMin[1], 0);
  EXPECT_EQ(d.DataMax[1], 37);
  EXPECT_EQ(w.Axis[1].from, 0);
  EXPECT_EQ(w.Axis[1].to, 40);
  EXPECT_EQ(w.Axis[1].tiles, 4);
  EXPECT_EQ(w.AxisRange[1], 40);
  EXPECT_EQ(d.ToEdit[1]->Text(), "40");
  EXPECT_EQ(d.TileEdit[1]->Text(), "4");
  // X from 290 to 350: 290 .. 400? no: 350 / 290 < 2, so the nice lower end below 290.
  EXPECT_EQ(d.DataMin[0], 290);
  EXPECT_EQ(d.DataMax[0], 350);
  EXPECT_EQ(w.Axis[0].to, 400);
  EXPECT_EQ(w.Axis[0].from, 200);
  // An axis whose box is unchecked keeps its range.
  d.AutoSizeBox[1]->SetChecked(false);
  w.Axis[1].to = 77;
  d.AutoSizeAxes(grid);
  EXPECT_EQ(w.Axis[1].to, 77);
  SeriesAssignment = SeriesAssignmentTable{};
}

TEST_F(FormatDialogTest, AutoSizeOfATimeAxisCountsFromTheWholeHour) {
  TGrfParaDlg& d = *para;
  TGrfWnd& w = *chart;
  w.xTime = 60;
  d.CBxTime->SetVisible(true);
  d.CBxTime->SetItemIndex(1);
  w.BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
  w.BtnGraFit->Click();
  const double start = EncodeDateTime({2024, 3, 7, 10, 37}), end = EncodeDateTime({2024, 3, 7, 14, 5});
  d.FitTimeAxis(end, start);
  EXPECT_EQ(w.TimeOrigin, EncodeDateTime({2024, 3, 7, 10}));
  EXPECT_EQ(w.Axis[0].from, 0);
  EXPECT_NEAR(w.Axis[0].to, 4 * 3600 + 5 * 60, 1e-3);
  EXPECT_NEAR(w.AxisRange[0], 3 * 3600 + 28 * 60, 1e-3);
  EXPECT_EQ(d.ETX->Text(), "245");
}

TEST_F(FormatDialogTest, RenamingX) {
  TGrfParaDlg& d = *para;
  TGrfWnd& w = *chart;
  d.GBX->MouseMove(platform::ssNone, 30, 30);
  EXPECT_FALSE(d.RenameArmed);
  d.GBX->DblClick();
  EXPECT_FALSE(d.EditRN->Visible());
  d.GBX->MouseMove(platform::ssNone, 30, 10);
  EXPECT_TRUE(d.RenameArmed);
  EXPECT_EQ(d.StatusBar1->SimpleText(), "Rename with: Mouse Left Double Click");
  d.GBX->DblClick();
  EXPECT_TRUE(d.EditRN->Visible());
  EXPECT_EQ(d.EditRN->Text(), "X");
  EXPECT_EQ(d.EditRN->Left(), 4);
  EXPECT_EQ(d.EditRN->Top(), 2);
  const int narrow = d.EditRN->Width();
  d.EditRN->UserSetText("T [K] of the kiln");
  EXPECT_GT(d.EditRN->Width(), narrow);
  EXPECT_EQ(d.EditRN->KeyDown(platform::Key::Enter), 0);
  EXPECT_FALSE(d.EditRN->Visible());
  EXPECT_EQ(d.GBX->Caption(), "T [K] of the kiln");
  EXPECT_EQ(w.Axis[0].name, "T [K] of the kiln");
  // Escape: nothing renamed.
  d.GBX->MouseMove(platform::ssNone, 30, 10);
  d.GBX->DblClick();
  d.EditRN->UserSetText("other");
  EXPECT_EQ(d.EditRN->KeyDown(platform::Key::Escape), 0);
  d.EditRN->Exit();
  EXPECT_EQ(w.Axis[0].name, "T [K] of the kiln");
}

TEST_F(FormatDialogTest, AutoSizeButtonTellsTheHookOnlyWhenClicked) {
  TGrfWnd& w = *chart;
  std::vector<bool> calls;
  AutoSizeChangedHook = [&](bool on) { calls.push_back(on); };
  EXPECT_TRUE(w.AutoSize());  // on from the start
  w.BtnGraFit->SetDown(false);
  w.BtnGraFit->Click();
  w.BtnGraFit->Click();
  w.BtnGraFit->SetDown(true);
  w.BtnGraFitClick(nullptr);
  EXPECT_EQ(calls, (std::vector<bool>{true, false}));
  EXPECT_TRUE(para->Cbas0->Visible());
  w.BtnGraFit->SetDown(false);
  w.BtnGraFitClick(nullptr);
  EXPECT_FALSE(para->AutoSizeBox[1]->Visible());
  AutoSizeChangedHook = nullptr;
}

}  // namespace
