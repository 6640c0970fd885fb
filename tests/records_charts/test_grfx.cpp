// The chart's model without a display: the point store, the series check boxes in their axis
// groups, the layout of the groups, the set-up after creation ("SID=") and the keys of a series
// box.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "chart_support.h"
#include "shared/PTools.h"

using namespace quorel;
using charttest::ChartFixture;

namespace {

using ChartModelTest = ChartFixture;

TEST_F(ChartModelTest, DefaultsOfANewChart) {
  TGrfWnd& w = *chart;
  EXPECT_EQ(w.Caption(), "Graphic");
  EXPECT_TRUE(w.CanPaint);  // an MDI child can paint from the start
  EXPECT_EQ(w.Axis[0].name, "X [T]");
  EXPECT_EQ(w.Axis[0].tiles, 5);
  EXPECT_EQ(w.Axis[0].from, 300);
  EXPECT_EQ(w.Axis[0].to, 800);
  EXPECT_TRUE(w.Axis[1].include);
  EXPECT_FALSE(w.Axis[2].include);
  EXPECT_TRUE(w.Axis[3].include);
  EXPECT_EQ(w.Axis[2].from, -1000);
  EXPECT_EQ(w.Axis[6].name, "V[m3/mol]");
  EXPECT_EQ(w.AxisRange[2], 2000);
  EXPECT_EQ(w.Points.capacity, 256);
  EXPECT_EQ(w.Points.newest, -1);
  EXPECT_NEAR(w.OneSecond, 1.0 / 86400, 1e-12);
  // Series colours: 1, 11, 20, 31 (= 1), 61 (= 1), 80 (= 20), 81 and 90 black.
  EXPECT_EQ(w.Series[1].colour, platform::RGB(0, 0, 255));
  EXPECT_EQ(w.Series[11].colour, platform::RGB(0, 159, 0));
  EXPECT_EQ(w.Series[20].colour, platform::RGB(255, 0, 0));
  EXPECT_EQ(w.Series[31].colour, w.Series[1].colour);
  EXPECT_EQ(w.Series[61].colour, w.Series[1].colour);
  EXPECT_EQ(w.Series[80].colour, w.Series[20].colour);
  EXPECT_EQ(w.Series[81].colour, platform::clBlack);
  EXPECT_EQ(w.Series[90].colour, platform::clBlack);
  EXPECT_EQ(w.Series[5].style, 1);
  EXPECT_EQ(w.Series[5].markerRadius, 3);
  EXPECT_EQ(w.GrafScale, platform::RGB(192, 192, 192));
  EXPECT_EQ(AxisScaleFactor[4], 1.0);
  EXPECT_EQ(SeriesAssignment.axisComboMap[7], 7);
  EXPECT_EQ(SeriesAssignment.count, 0);
}

TEST_F(ChartModelTest, PointStoreOpensPointsAndSetsTheNewestValues) {
  TGrfWnd& w = *chart;
  w.AddChartValue(5, 1.5);  // before any point: nothing
  EXPECT_EQ(w.Points.count, 0);
  EXPECT_EQ(w.Points.columns[5][0], 0);
  w.AddChartValue(0, 300);
  w.AddChartValue(5, 1.5);
  w.AddChartValue(91, 7);  // not a series
  w.AddChartValue(-1, 7);
  EXPECT_EQ(w.Points.count, 1);
  EXPECT_EQ(w.Points.newest, 0);
  EXPECT_EQ(w.Points.rawX[0], 300);
  EXPECT_EQ(w.Points.columns[0][0], 300);
  EXPECT_EQ(w.Points.columns[5][0], 1.5);
  // The 257th point grows every column to 512; the earlier values stay.
  for (int i = 1; i < 257; ++i) AddPoint(300 + i, {{5, i * 0.5}});
  EXPECT_EQ(w.Points.count, 257);
  EXPECT_EQ(w.Points.capacity, 512);
  for (const auto& c : w.Points.columns) EXPECT_EQ(c.size(), 512u);
  EXPECT_EQ(w.Points.columns[5][0], 1.5);
  EXPECT_EQ(w.Points.columns[5][255], 127.5);
  EXPECT_EQ(w.Points.columns[0][256], 556);
  w.ClearChartData();
  EXPECT_EQ(w.Points.count, 0);
  EXPECT_EQ(w.Points.newest, -1);
  EXPECT_EQ(w.Points.capacity, 512);
}

TEST_F(ChartModelTest, ANewPointStartsWithoutAnySeriesValue) {
  // A series the feed skips after a clear has no value there (a gap), not 0 nor what the
  // store held before the clear.
  TGrfWnd& w = *chart;
  AddPoint(1, {{1, 5}, {2, 7}});
  AddPoint(2, {{1, 6}, {2, 8}});
  w.ClearChartData();
  AddPoint(3, {{1, 9}});
  EXPECT_EQ(w.Points.columns[1][0], 9);
  EXPECT_TRUE(std::isnan(w.Points.columns[2][0]));
}

TEST_F(ChartModelTest, TimeAxisPlotsSecondsSinceTheWholeHourOfTheFirstPoint) {
  TGrfWnd& w = *chart;
  w.xTime = 60;
  const double first = EncodeDateTime({2024, 3, 7, 10, 37});
  w.AddChartValue(0, first);
  EXPECT_DOUBLE_EQ(w.TimeOrigin, EncodeDateTime({2024, 3, 7, 10}));
  EXPECT_NEAR(w.Points.columns[0][0], 2220, 1e-4);
  w.AddChartValue(0, first + 90 * w.OneSecond);
  EXPECT_NEAR(w.Points.columns[0][1], 2310, 1e-4);
  EXPECT_EQ(w.Points.rawX[1], first + 90 * w.OneSecond);
  // A first X of 0 or below takes the present date and hour.
  w.ClearChartData();
  const double before = WholeHourOf(DateTimeNow());
  w.AddChartValue(0, -1);
  const double after = WholeHourOf(DateTimeNow());
  EXPECT_TRUE(w.TimeOrigin == before || w.TimeOrigin == after);
  EXPECT_EQ(DecodeDateTime(w.TimeOrigin).Minute, 0);
}

TEST_F(ChartModelTest, SeriesCheckBoxesLieInTheGroupOfTheirAxis) {
  TGrfWnd& w = *chart;
  w.ShowSeriesCheckBox(85, "ninth axis");  // no group: nothing
  EXPECT_EQ(w.Series[85].checkBox, nullptr);
  w.ShowSeriesCheckBox(0, "x");
  w.ShowSeriesCheckBox(91, "x");
  w.ShowSeriesCheckBox(23, "");
  platform::CheckBox* box = w.Series[23].checkBox;
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Owner(), w.GbxY[3]);
  EXPECT_EQ(box->Caption(), "y23");
  EXPECT_EQ(box->Top(), 50);
  EXPECT_EQ(box->Left(), 4);
  EXPECT_EQ(box->Tag(), 23);
  EXPECT_EQ(box->Width(), w.GbxY[3]->Width() - 18);
  EXPECT_EQ(box->Font().Color, w.Series[23].colour);
  EXPECT_EQ(box->GetPopupMenu(), w.PopupVar);
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(w.Series[23].shown, 0);
  // A second call keeps the box and takes the new caption.
  w.ShowSeriesCheckBox(23, "CO2");
  EXPECT_EQ(w.Series[23].checkBox, box);
  EXPECT_EQ(box->Caption(), "CO2");

  // The user checks it: drawn; unchecks it: not drawn. Hiding unchecks it without a click.
  box->Click();
  EXPECT_EQ(w.Series[23].shown, 1);
  w.HideSeries(23);
  EXPECT_FALSE(box->Visible());
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(w.Series[23].shown, 0);
  EXPECT_FALSE(w.SuppressCheckBoxClicks);
  // Shown again and synchronised: the box shows the series' flag.
  w.ShowSeriesCheckBox(23, "CO2");
  w.Series[23].shown = 1;
  w.SyncSeriesCheckBox(23);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(w.Series[23].shown, 1);
  w.Series[24].shown = 1;
  w.SyncSeriesCheckBox(24);  // no box: not drawn
  EXPECT_EQ(w.Series[24].shown, 0);
  // 0 hides every series with a box, -1 frees the boxes.
  w.ShowSeriesCheckBox(1, "a");
  w.HideSeries(0);
  EXPECT_FALSE(w.Series[1].checkBox->Visible());
  w.HideSeries(-1);
  EXPECT_EQ(w.Series[1].checkBox, nullptr);
  EXPECT_EQ(w.Series[23].checkBox, nullptr);
  EXPECT_EQ(w.GbxY[3]->FindComponent("CbxImg23"), nullptr);
}

TEST_F(ChartModelTest, ClicksOnSeriesBoxesAreIgnoredWhileSuppressed) {
  TGrfWnd& w = *chart;
  w.ShowSeriesCheckBox(2, "b");
  w.SuppressCheckBoxClicks = true;
  w.Series[2].checkBox->Click();
  EXPECT_EQ(w.Series[2].shown, 0);
  w.SuppressCheckBoxClicks = false;
  w.Series[2].checkBox->Click();  // now unchecked again by the user
  EXPECT_EQ(w.Series[2].shown, 0);
  w.Series[2].checkBox->Click();
  EXPECT_EQ(w.Series[2].shown, 1);
}

TEST_F(ChartModelTest, PlusAndMinusKeysChangeTheMarkerRadius) {
  TGrfWnd& w = *chart;
  w.ShowSeriesCheckBox(4, "d");
  platform::CheckBox* box = w.Series[4].checkBox;
  struct Case {
    int radius, key, expected;
  };
  for (const Case& c : {Case{3, platform::Key::OemPlus, 4}, Case{8, platform::Key::OemPlus, 8},
                        Case{3, platform::Key::OemMinus, 2}, Case{1, platform::Key::OemMinus, 2},
                        Case{5, 'A', 5}}) {
    w.Series[4].markerRadius = c.radius;
    box->KeyDown(c.key);
    EXPECT_EQ(w.Series[4].markerRadius, c.expected) << c.radius << " " << c.key;
  }
}

TEST_F(ChartModelTest, AxisGroupsStackByTheHighestShownAxis) {
  TGrfWnd& w = *chart;
  w.PnlVarbox->SetBounds(0, 0, 120, 400);
  // Only bit 0 lays out as the empty mask does: Y1 alone fills the panel.
  for (unsigned mask : {0u, 1u}) {
    w.LayoutAxisGroups(mask, true);
    EXPECT_TRUE(w.GbxY[1]->Visible());
    EXPECT_EQ(w.GbxY[1]->GetAlign(), platform::Align::Client);
    for (int k = 2; k <= 8; ++k) EXPECT_FALSE(w.GbxY[k]->Visible()) << k;
    for (int k = 1; k <= 7; ++k) EXPECT_FALSE(w.SplY[k]->Visible()) << k;
    EXPECT_EQ(w.CBVarID->Items().All(), (std::vector<std::string>{"[all]", "[Y1]"}));
    EXPECT_EQ(SeriesAssignment.axisComboMap[1], 1);
    // The format dialog's pages follow: Y1's alone.
    EXPECT_TRUE(para->Sheet[1]->TabVisible());
    for (int k = 2; k <= 8; ++k) EXPECT_FALSE(para->Sheet[k]->TabVisible()) << k;
    para->Sheet[5]->SetTabVisible(true);
  }
  // Y1 and Y3: heights from (400 - 15) div 3, not div 2.
  w.GbxY[3]->SetCaption("S[J/mol K]");
  w.LayoutAxisGroups(0b101, true);
  EXPECT_TRUE(w.GbxY[1]->Visible());
  EXPECT_FALSE(w.GbxY[2]->Visible());
  EXPECT_TRUE(w.GbxY[3]->Visible());
  EXPECT_EQ(w.GbxY[1]->GetAlign(), platform::Align::Top);
  EXPECT_EQ(w.GbxY[1]->Top(), 0);
  EXPECT_EQ(w.GbxY[1]->Height(), (400 - 15) / 3);
  EXPECT_TRUE(w.SplY[1]->Visible());
  EXPECT_EQ(w.SplY[1]->Top(), (400 - 15) / 3);
  EXPECT_EQ(w.GbxY[3]->GetAlign(), platform::Align::Client);
  EXPECT_EQ(w.GbxY[3]->Top(), (400 - 15) / 3 + w.SplY[1]->Height());
  EXPECT_FALSE(w.SplY[3]->Visible());
  EXPECT_EQ(w.CBVarID->Items().All(), (std::vector<std::string>{"[all]", "[Y1]", "S[J/mol K]"}));
  EXPECT_EQ(SeriesAssignment.axisComboMap[2], 3);
  // The format dialog's pages follow: Y3's tab shown, Y2's hidden.
  EXPECT_TRUE(para->Sheet[3]->TabVisible());
  EXPECT_FALSE(para->Sheet[2]->TabVisible());
  // Small groups keep 32.
  w.PnlVarbox->SetHeight(100);
  w.LayoutAxisGroups(0xFF, false);
  EXPECT_EQ(w.GbxY[1]->Height(), 32);
  EXPECT_EQ(w.CBVarID->Items().Count(), 9);
}

TEST_F(ChartModelTest, ProcessIdentifierOnTheCommandLineCaptionsTheChart) {
  session.application.arguments = {"SID=Kiln 4"};
  chart->CanPaint = false;
  chart->InitChartWindow();
  EXPECT_EQ(chart->Caption(), "Process Graphic [Kiln 4]");
  EXPECT_TRUE(chart->CanPaint);
  EXPECT_GT(Whole().Width(), 0);  // drawn
  // Every From, To and Tile edit of the format dialog takes the chart's keys.
  for (int k = 0; k <= 8; ++k) EXPECT_TRUE(bool(para->FromEdit[k]->OnKeyDown)) << k;
  // Only Y1 is shown until the chart variables lay the groups out.
  EXPECT_FALSE(chart->GbxY[3]->Visible());
}

TEST_F(ChartModelTest, WithoutAnIdentifierTheCaptionStays) {
  session.application.arguments = {"system.eql"};
  chart->InitChartWindow();
  EXPECT_EQ(chart->Caption(), "Graphic");
  EXPECT_EQ(para->EFX->Text(), "300");
  EXPECT_EQ(para->GBX->Caption(), "X [T]");
  EXPECT_EQ(para->Sheet[2]->Caption(), "H[J/mol]");
}

TEST_F(ChartModelTest, ClosingStopsThePaintingAndShowingStartsIt) {
  chart->Show();
  EXPECT_TRUE(chart->CanPaint);
  chart->Close();
  EXPECT_FALSE(chart->CanPaint);
  chart->FBox->SetBounds(0, 0, 300, 200);
  chart->FormResize();  // nothing while it cannot paint
  EXPECT_EQ(Whole().Width(), 0);
  chart->MnuUpdateClick(nullptr);
  EXPECT_EQ(Whole().Width(), 0);
  // Closed, the MDI child went down to its icon: a redraw waits until it is restored.
  EXPECT_EQ(chart->GetWindowState(), platform::WindowState::Minimized);
  chart->Show();
  chart->MnuUpdateClick(chart->MnuUpdate);
  EXPECT_EQ(Whole().Width(), 0);
  EXPECT_TRUE(chart->RedrawNeeded);
  // The user restores it: it paints again.
  chart->SetWindowState(platform::WindowState::Normal);
  chart->UserResize(700, 500);
  EXPECT_TRUE(chart->CanPaint);
  chart->FormPaint();
  EXPECT_EQ(Whole().Width(), 300);
  // The programs' "Graphic" command restores and draws it.
  chart->Close();
  chart->ShowInFront();
  EXPECT_EQ(chart->GetWindowState(), platform::WindowState::Normal);
  EXPECT_TRUE(chart->CanPaint);
  EXPECT_FALSE(chart->RedrawNeeded);
}

}  // namespace

// A record without a value for a series (an empty cell, text that is no number) breaks its
// line: the next value starts a new segment, nothing is drawn at 0.
TEST_F(ChartModelTest, APointWithoutAValueBreaksTheLine) {
  TGrfWnd& w = *chart;
  const std::vector<std::string> cells = {"1", "2", "", "x", "3", "4", " ", "5"};
  for (std::size_t i = 0; i < cells.size(); ++i) {
    w.AddChartValue(0, double(i));
    w.AddChartValue(1, ChartValueOfCell(cells[i]));
  }
  using S = TGrfWnd::Segment;
  const std::vector<S> segments = w.SeriesSegments(1);
  const std::vector<S> expected = {{0, 1, 0, 1}, {0, 1, 1, 2}, {4, 3, 4, 3}, {4, 3, 5, 4}, {7, 5, 7, 5}};
  ASSERT_EQ(segments.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(segments[i].x1, expected[i].x1);
    EXPECT_EQ(segments[i].y1, expected[i].y1);
    EXPECT_EQ(segments[i].x2, expected[i].x2);
    EXPECT_EQ(segments[i].y2, expected[i].y2);
  }
  for (const S& s : segments) EXPECT_NE(s.y2, 0);
}

// Scale labels carry the digits their step needs: 0.9 to 2 in 7 tiles is labelled with at most
// two decimals, and a round step shows no trailing zeros.
TEST_F(ChartModelTest, ScaleLabelsHaveTheDigitsOfTheirStep) {
  TGrfWnd& w = *chart;
  struct Case {
    double from, to;
    int tiles;
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      {0.9, 2, 7, {"0.9", "1.06", "1.21", "1.37", "1.53", "1.69", "1.84", "2"}},
      {0, 2, 10, {"0", "0.2", "0.4", "0.6", "0.8", "1", "1.2", "1.4", "1.6", "1.8", "2"}},
      {250, 2000, 7, {"250", "500", "750", "1000", "1250", "1500", "1750", "2000"}},
      {-400000, -300000, 4, {"-400000", "-375000", "-350000", "-325000", "-300000"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    w.Axis[1] = ChartAxis{true, false, c.tiles, c.from, c.to, "y"};
    w.ComputeAxisRanges();
    EXPECT_EQ(w.ScaleLabels(1), c.labels);
  }
}
