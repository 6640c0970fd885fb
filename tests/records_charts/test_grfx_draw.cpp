// The chart's pictures pixel by pixel: the layout of a full redraw, the scales and their labels,
// the frame and grid of the plot, series as lines and markers, the newest point, the draw
// hooks, and values that cannot be drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "chart_support.h"
#include "platform/Canvas.h"
#include "shared/PTools.h"

using namespace quorel;
using charttest::ChartFixture;
using platform::Picture;
using platform::RGB;
using platform::TColor;

namespace {

constexpr TColor kOutside = RGB(250, 240, 200);
constexpr TColor kFrame = RGB(10, 20, 30);
constexpr TColor kScale = RGB(100, 110, 120);
constexpr TColor kInside = RGB(240, 250, 255);
constexpr TColor kBlue = RGB(0, 0, 255);

// The chart of the golden numbers: 600 x 400, Y1 and Y3 included (the defaults), colours that
// tell every part apart.
class ChartDrawTest : public ChartFixture {
 protected:
  ChartDrawTest() {
    chart->GrafBG = kOutside;
    chart->GrafFrame = kFrame;
    chart->GrafScale = kScale;
    chart->GrafFG = kInside;
  }
  // Axes X and Y1 from 0 to 100; Y3 off, so the plot is 552 x 272 on a 600 x 400 picture.
  void SquareAxes() {
    chart->Axis[0] = ChartAxis{true, false, 5, 0, 100, "x"};
    chart->Axis[1] = ChartAxis{true, false, 10, 0, 100, "y"};
    chart->Axis[3].include = false;
    chart->ComputeAxisRanges();
  }
  // The pixel of plot value (x, y) as the chart maps it.
  std::pair<int, int> PixelOf(double x, double y) const {
    const TGrfWnd& w = *chart;
    const double px = Plot().Width() * (x - w.Axis[0].from) / w.AxisRange[0];
    const double py = Plot().Height() * (y - w.Axis[1].from) / w.AxisRange[1];
    return {int(std::nearbyint(px)), Plot().Height() - int(std::nearbyint(py))};
  }
  bool ColourNear(const Picture& p, int x, int y, TColor c, int within = 1) const {
    for (int dy = -within; dy <= within; ++dy)
      for (int dx = -within; dx <= within; ++dx)
        if (p.Pixel(x + dx, y + dy) == c) return true;
    return false;
  }
  int Count(const Picture& p, TColor c) const {
    int n = 0;
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) n += p.Pixel(x, y) == c;
    return n;
  }
};

TEST_F(ChartDrawTest, LayoutOfASixHundredByFourHundredChart) {
  Draw(600, 400);
  const TGrfWnd& w = *chart;
  // No series is shown: the first included axis (Y1) alone gives the grid its scale, at the
  // plot's left edge; Y3 takes no space.
  EXPECT_TRUE(w.AxisScaled[1]);
  EXPECT_FALSE(w.AxisScaled[3]);
  EXPECT_EQ(w.AxisLineX[1], w.LeftMargin);
  EXPECT_EQ(w.PlotWidth, 600 - w.LeftMargin - 32);
  EXPECT_EQ(w.PlotBottom, w.PlotHeight + 96);
  EXPECT_EQ(w.PlotRight, w.PlotWidth + w.LeftMargin);
  EXPECT_GT(w.PlotHeight, 250);
  EXPECT_EQ(Whole().Width(), 600);
  EXPECT_EQ(Whole().Height(), 400);
  EXPECT_EQ(Plot().Width(), w.PlotWidth);
  EXPECT_EQ(Plot().Height(), w.PlotHeight);
  // GBox lies on FBox at the plot offset with the plot's size.
  EXPECT_EQ(w.GBox->BoundsRect(), (platform::Rect{w.LeftMargin, 96, w.PlotRight, w.PlotBottom}));
  EXPECT_EQ(w.GBox->Owner(), w.FBox);
  for (int y = 97; y < w.PlotBottom; ++y) EXPECT_EQ(Whole().Pixel(w.LeftMargin, y), kFrame) << y;
  EXPECT_EQ(Whole().Pixel(w.LeftMargin, 90), kOutside);
  // Below the plot the X labels of 300..800 in 5 tiles, then the X title on a line of its own.
  const auto rows = RowsBelowThePlot();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"300", "400", "500", "600", "700", "800"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"X [T]"}));
  EXPECT_EQ(w.StBar->PanelText(0), "X [T]");
  // The Y1 labels 0..100 by 10 left of its line, its title turned upwards left of them.
  EXPECT_EQ(YLabels(), (std::vector<std::string>{"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
  bool title = false;
  for (const auto& t : chart->texts) title |= t.text == "Cp[J/mol K]" && t.angle == 900 && t.x < w.LeftMargin;
  EXPECT_TRUE(title);
  EXPECT_EQ(TextClashes(), std::vector<std::string>{});
  // A picture too low for its texts keeps a plot of 64.
  Draw(600, 150);
  EXPECT_EQ(w.PlotHeight, 64);
}

TEST_F(ChartDrawTest, OnlyScalesOfShownSeriesTakeSpaceAndNoTextMeetsAnother) {
  // Eight included axes with wide labels; a series shown on Y1 and Y3 only.
  for (int k = 1; k <= 8; ++k)
    chart->Axis[std::size_t(k)] = ChartAxis{true, false, 10, -400000.0 * k, 100000.0 * k, "axis " + std::to_string(k)};
  chart->ComputeAxisRanges();
  ShowSeries(1);
  ShowSeries(21);
  Draw(600, 400);
  for (int k = 1; k <= 8; ++k) EXPECT_EQ(chart->AxisScaled[std::size_t(k)], k == 1 || k == 3) << k;
  EXPECT_LT(chart->AxisLineX[3], chart->AxisLineX[1]);
  EXPECT_EQ(TextClashes(), std::vector<std::string>{});
  // Every axis shown, on a picture of the default size and on a small one; with a caption.
  for (int k = 1; k <= 8; ++k) ShowSeries(10 * k - 9);
  chart->ChartCaption = "H2O ; P=1 [bar]";
  for (auto [width, height] : {std::pair{1100, 560}, std::pair{600, 400}, std::pair{400, 200}}) {
    Draw(width, height);
    for (int k = 1; k <= 8; ++k) EXPECT_TRUE(chart->AxisScaled[std::size_t(k)]) << k;
    EXPECT_EQ(TextClashes(), std::vector<std::string>{}) << width << " x " << height;
  }
  // The bottom label of a scale stays above the X labels: the first X label never hides it.
  Draw(600, 400);
  for (const auto& t : chart->TextBoxes)
    if (t.box.Top < chart->PlotBottom && t.box.Bottom > chart->PlotBottom) ADD_FAILURE() << t.text;
}

TEST_F(ChartDrawTest, OutsideFrameAndGridColours) {
  DrawPlot(536, 272);
  const int right = Whole().Width() - 1, bottom = Whole().Height() - 1;
  // Outside the plot: the background, with the frame's top and left lines at the edges.
  EXPECT_EQ(Whole().Pixel(right, bottom), kOutside);
  EXPECT_EQ(Whole().Pixel(right - 9, 200), kOutside);
  EXPECT_EQ(Whole().Pixel(300, 0), kFrame);
  EXPECT_EQ(Whole().Pixel(0, 200), kFrame);
  EXPECT_EQ(Whole().Pixel(right, 200), kOutside);
  // The plot: a frame all round, the inside colour.
  const Picture& p = Plot();
  for (int x = 0; x < p.Width(); ++x) {
    EXPECT_EQ(p.Pixel(x, 0), kFrame) << x;
    EXPECT_EQ(p.Pixel(x, p.Height() - 1), kFrame) << x;
  }
  for (int y = 0; y < p.Height(); ++y) {
    EXPECT_EQ(p.Pixel(0, y), kFrame) << y;
    EXPECT_EQ(p.Pixel(p.Width() - 1, y), kFrame) << y;
  }
  // Grid rows every 272 div 10 = 27 pixels from the bottom, nine of them.
  std::vector<int> rows;
  for (int y = 1; y < p.Height() - 1; ++y)
    if (p.Pixel(50, y) == kScale) rows.push_back(y);
  EXPECT_EQ(rows, (std::vector<int>{29, 56, 83, 110, 137, 164, 191, 218, 245}));
  EXPECT_EQ(p.Pixel(50, 244), kInside);
  // Grid columns every 536 div 5 = 107 pixels.
  std::vector<int> cols;
  for (int x = 1; x < p.Width() - 1; ++x)
    if (p.Pixel(x, 100) == kScale) cols.push_back(x);
  EXPECT_EQ(cols, (std::vector<int>{107, 214, 321, 428}));
  // A log Y1 axis adds the decade lines at ln j / ln 10 of a tile.
  chart->Axis[1] = ChartAxis{true, true, 2, std::log(1.0), std::log(100.0), "y"};
  chart->ComputeAxisRanges();
  DrawPlot(536, 272);
  std::vector<int> logRows;
  for (int y = 1; y < Plot().Height() - 1; ++y)
    if (Plot().Pixel(50, y) == kScale) logRows.push_back(y);
  std::vector<int> expected;
  for (int tile = 1; tile >= 0; --tile)
    for (int j = 9; j >= 1; --j) {
      const int y = 272 - 136 * tile - int(std::nearbyint(136.0 * std::log(j) / std::log(10.0)));
      if (y > 0 && y < 271) expected.push_back(y);
    }
  std::sort(expected.begin(), expected.end());
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
  EXPECT_EQ(logRows, expected);
}

TEST_F(ChartDrawTest, LogScaleLabels) {
  // ln 0.001 .. ln 1000 in 6 tiles; the last label comes from the integer rule (d = 3).
  chart->Axis[1] = ChartAxis{true, true, 6, std::log(0.001), std::log(1000.0), "p"};
  chart->Axis[3].include = false;
  chart->ComputeAxisRanges();
  Draw(600, 400);
  EXPECT_EQ(YLabels(), (std::vector<std::string>{"0.001", "0.01", "0.1", "1", "10", "100", "1000"}));
  EXPECT_EQ(TGrfWnd::LogScaleLabel(std::log(1e4)), "1E+4");
  EXPECT_EQ(TGrfWnd::LogScaleLabel(std::log(1e-5)), "1E-5");
  EXPECT_EQ(TGrfWnd::LogScaleLabel(400), "10***");
  EXPECT_EQ(TGrfWnd::LogScaleLabel(399), "2E+173");  // e^399 = 1.9E+173
  // A log X value of 400 or more is labelled "10***".
  chart->Axis[0] = ChartAxis{true, true, 2, 398, 402, "x"};
  chart->ComputeAxisRanges();
  Draw(600, 400);
  const std::vector<std::string> x = RowsBelowThePlot().front();
  ASSERT_EQ(x.size(), 3u);
  EXPECT_EQ(x[2], "10***");
  EXPECT_EQ(x[1], "10***");
  EXPECT_NE(x[0], "10***");
  // A Y scale above 400 (ln units) stops at once: no further labels, no title.
  chart->Axis[1] = ChartAxis{true, true, 4, 390, 410, "high"};
  chart->ComputeAxisRanges();
  Draw(600, 400);
  EXPECT_EQ(YLabels().size(), 3u);  // 390, 395 and 400 drawn; 405 ends the scale
  for (const auto& t : chart->texts) EXPECT_NE(t.text, "high");
}

TEST_F(ChartDrawTest, TitleCarriesTheScaleOfItsAxis) {
  AxisScaleExponent[1] = 3;
  AxisScaleFactor[1] = 1000;
  Draw(600, 400);
  bool found = false;
  for (const auto& t : chart->texts) found |= t.text == "Cp[J/mol K] x 1 000" && t.angle == 900;
  EXPECT_TRUE(found);
  AxisScaleExponent[1] = 0;
  AxisScaleFactor[1] = 1;
}

TEST_F(ChartDrawTest, LineSeriesThroughTheMiddleOfTheSquare) {
  SquareAxes();
  ShowSeries(1);
  AddPoint(0, {{1, 0}});
  AddPoint(100, {{1, 100}});
  DrawPlot(552, 272);
  const auto [x, y] = PixelOf(50, 50);
  EXPECT_EQ(x, 276);
  EXPECT_EQ(y, 136);
  EXPECT_TRUE(ColourNear(Plot(), x, y, kBlue));
  // Nothing blue far from the diagonal.
  for (int px = 1; px < Plot().Width() - 1; px += 7)
    for (int py = 1; py < Plot().Height() - 1; py += 5)
      if (Plot().Pixel(px, py) == kBlue) {
        EXPECT_NEAR(py, Plot().Height() - px * double(Plot().Height()) / Plot().Width(), 2) << px;
      }
  // Y values go through the axis's scale factor.
  AxisScaleFactor[1] = 0.5;
  DrawPlot(552, 272);
  const auto [hx, hy] = PixelOf(50, 25);
  EXPECT_TRUE(ColourNear(Plot(), hx, hy, kBlue));
  EXPECT_FALSE(ColourNear(Plot(), x, y, kBlue));
  AxisScaleFactor[1] = 1;
}

TEST_F(ChartDrawTest, PointSeriesAsCirclesOfTheMarkerRadius) {
  SquareAxes();
  ShowSeries(1);
  chart->Series[1].style = 0;
  AddPoint(50, {{1, 50}});
  Draw(600, 400);
  const auto [x, y] = PixelOf(50, 50);
  // The circle's bounding box: the centre plus and minus the radius.
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  for (int py = 0; py < Plot().Height(); ++py)
    for (int px = 0; px < Plot().Width(); ++px)
      if (Plot().Pixel(px, py) == kBlue) {
        left = std::min(left, px);
        right = std::max(right, px);
        top = std::min(top, py);
        bottom = std::max(bottom, py);
      }
  EXPECT_EQ(left, x - 3);
  EXPECT_EQ(right, x + 2);
  EXPECT_EQ(top, y - 3);
  EXPECT_EQ(bottom, y + 2);
  EXPECT_EQ(Plot().Pixel(x, y), kInside);  // filled with the inside colour
  // The radius follows the series.
  chart->Series[1].markerRadius = 6;
  Draw(600, 400);
  EXPECT_EQ(Plot().Pixel(x - 6, y), kBlue);
}

TEST_F(ChartDrawTest, NothingForNonPositiveValuesOnALogAxis) {
  SquareAxes();
  chart->Axis[1] = ChartAxis{true, true, 2, std::log(1.0), std::log(100.0), "y"};
  chart->ComputeAxisRanges();
  Draw(600, 400);
  const Picture empty = Plot();
  ShowSeries(1);
  AddPoint(10, {{1, 0}});
  AddPoint(50, {{1, -5}});
  AddPoint(90, {{1, 0}});
  Draw(600, 400);
  EXPECT_TRUE(Plot().SamePixels(empty));
  chart->Series[1].style = 0;
  Draw(600, 400);
  EXPECT_TRUE(Plot().SamePixels(empty));
  // A positive point next to them: only its own marker.
  AddPoint(60, {{1, 10}});
  Draw(600, 400);
  EXPECT_GT(Count(Plot(), kBlue), 0);
}

TEST_F(ChartDrawTest, PointsBeyondThePixelRangeAreSkipped) {
  SquareAxes();
  ShowSeries(1);
  AddPoint(0, {{1, 10}});
  AddPoint(50, {{1, 60}});
  AddPoint(1e12, {{1, 20}});  // far to the right: above 2147483647 pixels
  Draw(600, 400);
  // The first segment stands; the one ending far right is not drawn.
  EXPECT_TRUE(ColourNear(Plot(), PixelOf(25, 35).first, PixelOf(25, 35).second, kBlue));
  for (int px = PixelOf(55, 0).first; px < Plot().Width() - 1; ++px)
    for (int py = 1; py < Plot().Height() - 1; ++py) EXPECT_NE(Plot().Pixel(px, py), kBlue) << px << " " << py;
}

TEST_F(ChartDrawTest, ValuesThatCannotBeDrawnNeverReachThePixels) {
  // NaN, infinities, a value times its factor beyond the double range, an empty or infinite
  // range: nothing is drawn, and nothing out of range is rounded to a pixel.
  SquareAxes();
  Draw(600, 400);
  const Picture empty = Plot();
  ShowSeries(1);
  ShowSeries(2);
  chart->Series[2].style = 0;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double v : {nan, inf, -inf, 1e300}) {
    chart->ClearChartData();
    AddPoint(10, {{1, v}, {2, v}});
    AddPoint(20, {{1, v}, {2, v}});
    AddPoint(nan, {{1, 5}, {2, 5}});
    AxisScaleFactor[1] = 1e9;
    Draw(600, 400);
    AxisScaleFactor[1] = 1;
    EXPECT_TRUE(Plot().SamePixels(empty)) << v;
  }
  // An empty Y range: no marker (and no division by zero), no segment.
  chart->ClearChartData();
  AddPoint(10, {{1, 5}, {2, 5}});
  AddPoint(20, {{1, 6}, {2, 6}});
  chart->Axis[1].to = chart->Axis[1].from;
  chart->ComputeAxisRanges();
  Draw(600, 400);
  EXPECT_EQ(Count(Plot(), kBlue), 0);
  EXPECT_EQ(Count(Plot(), chart->Series[2].colour), 0);
  // An infinite range.
  chart->Axis[1].from = -1e308;
  chart->Axis[1].to = 1e308;
  chart->ComputeAxisRanges();
  EXPECT_TRUE(std::isinf(chart->AxisRange[1]));
  Draw(600, 400);
  EXPECT_EQ(Count(Plot(), kBlue), 0);
  EXPECT_EQ(Count(Plot(), chart->Series[2].colour), 0);
  chart->Axis[1].from = 0;
  chart->Axis[1].to = 100;
  chart->Axis[0].to = 1e308;
  chart->Axis[0].from = -1e308;
  chart->ComputeAxisRanges();
  Draw(600, 400);
  EXPECT_EQ(Count(Plot(), kBlue), 0);
  chart->DrawNewestPoint();
  EXPECT_EQ(Count(Plot(), kBlue), 0);
}

TEST_F(ChartDrawTest, AFullRedrawClearsBothPicturesCompletely) {
  Draw(600, 400);
  const Picture whole = Whole(), plot = Plot();
  chart->ChartPicture->Fill(platform::clRed);
  chart->PlotPicture->Fill(platform::clRed);
  Draw(600, 400);
  EXPECT_TRUE(Whole().SamePixels(whole));
  EXPECT_TRUE(Plot().SamePixels(plot));
  // A free size larger than the window: no pixel of before stays, no frame line inside.
  chart->FBox->SetAlign(platform::Align::None);
  chart->ChartPicture->SetSize(900, 700);
  chart->ChartPicture->Fill(platform::clRed);
  Draw(900, 700);
  EXPECT_GT(Whole().Width(), chart->Width());
  EXPECT_EQ(Count(Whole(), platform::clRed), 0);
  EXPECT_EQ(Count(Plot(), platform::clRed), 0);
  for (int y = 1; y < 700; ++y) EXPECT_NE(Whole().Pixel(chart->Width() - 1, y), kFrame) << y;
  EXPECT_EQ(Whole().Pixel(899, 699), kOutside);
}

TEST_F(ChartDrawTest, NewestPointChangesOnlyTheNewSegment) {
  SquareAxes();
  ShowSeries(1);
  AddPoint(10, {{1, 20}});
  AddPoint(40, {{1, 70}});
  Draw(600, 400);
  const Picture before = Plot();
  AddPoint(80, {{1, 30}});
  chart->DrawNewestPoint();
  int changed = 0;
  const auto [x1, y1] = PixelOf(40, 70);
  const auto [x2, y2] = PixelOf(80, 30);
  for (int py = 0; py < Plot().Height(); ++py)
    for (int px = 0; px < Plot().Width(); ++px) {
      if (Plot().Pixel(px, py) == before.Pixel(px, py)) continue;
      ++changed;
      EXPECT_EQ(Plot().Pixel(px, py), kBlue);
      EXPECT_GE(px, x1);
      EXPECT_LE(px, x2);
      // On the line from (x1, y1) to (x2, y2), within a pixel.
      const double onLine = y1 + double(y2 - y1) * (px - x1) / (x2 - x1);
      EXPECT_NEAR(py, onLine, 1.0) << px;
    }
  EXPECT_GT(changed, 100);
  // What a full redraw draws.
  const Picture incremental = Plot();
  Draw(600, 400);
  EXPECT_TRUE(Plot().SamePixels(incremental));
}

TEST_F(ChartDrawTest, NewestPointOfAOnePointChart) {
  SquareAxes();
  ShowSeries(1);
  ShowSeries(2);
  chart->Series[2].style = 0;
  Draw(600, 400);
  const Picture before = Plot();
  chart->DrawNewestPoint();  // no point: nothing
  EXPECT_TRUE(Plot().SamePixels(before));
  AddPoint(50, {{1, 50}, {2, 20}});
  chart->Series[1].penWidth = 2;
  chart->DrawNewestPoint();
  // The line series: a segment from the point to itself shows nothing; the point series gets
  // its marker.
  EXPECT_EQ(Count(Plot(), kBlue), 0);
  EXPECT_GT(Count(Plot(), chart->Series[2].colour), 8);
  EXPECT_EQ(chart->PlotPicture->GetCanvas().Pen.Width, 1);
}

TEST_F(ChartDrawTest, HooksRunBeforeThePerColumnCallsAndAfter) {
  SquareAxes();
  chart->Axis[0].from = 300;
  chart->Axis[0].to = 800;
  chart->ComputeAxisRanges();
  std::vector<std::string> calls;
  std::vector<double> xs;
  ChartPreDrawHook = [&] { calls.push_back("pre"); };
  ChartColumnHook = [&](Picture& plot, double x) {
    EXPECT_EQ(&plot, chart->PlotPicture.get());
    if (xs.empty()) calls.push_back("column");
    xs.push_back(x);
  };
  ChartPostDrawHook = [&] { calls.push_back("post"); };
  DrawPlot(552, 272);
  EXPECT_EQ(calls, (std::vector<std::string>{"pre", "column", "post"}));
  ASSERT_EQ(xs.size(), 552u);
  for (std::size_t i = 0; i < xs.size(); ++i) EXPECT_DOUBLE_EQ(xs[i], double(i) / 552 * 500 + 300) << i;
  // The hook draws with DrawChartLine on the plot it is given; the series come after it.
  ChartColumnHook = [&](Picture& plot, double x) {
    if (x >= 400 && x < 401) chart->DrawChartLine(1, RGB(255, 0, 255), 400, 0, 400, 100, plot);
  };
  Draw(600, 400);
  EXPECT_EQ(Plot().Pixel(PixelOf(400, 50).first, 136), RGB(255, 0, 255));
  // A column value that cannot be computed ends the pass without the post hook.
  calls.clear();
  ChartColumnHook = nullptr;
  chart->Axis[0].from = std::numeric_limits<double>::quiet_NaN();
  Draw(600, 400);
  EXPECT_EQ(calls, (std::vector<std::string>{"pre"}));
  ChartPreDrawHook = nullptr;
  ChartPostDrawHook = nullptr;
  // A new chart window clears them.
  ChartColumnHook = [](Picture&, double) {};
  chart.reset();
  chart = std::make_unique<charttest::RecordingChart>();
  EXPECT_FALSE(bool(ChartColumnHook));
}

TEST_F(ChartDrawTest, TimeScaleShowsTimeAndDateBelowTheLabels) {
  chart->xTime = 60;
  chart->TimeOrigin = EncodeDateTime({2024, 3, 7, 10});
  chart->Axis[0] = ChartAxis{true, false, 2, 0, 3600, "t"};
  chart->ComputeAxisRanges();
  Draw(600, 400);
  const auto rows = RowsBelowThePlot();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"0", "30", "60"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"10:00:00", "10:30:00", "11:00:00"}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"2024-03-07", "2024-03-07", "2024-03-07"}));
  EXPECT_EQ(rows[3], (std::vector<std::string>{"t"}));
  EXPECT_EQ(TextClashes(), std::vector<std::string>{});
}

TEST_F(ChartDrawTest, ColourAndFontCommands) {
  chart->ShowSeriesCheckBox(1, "a");
  // "Inside": the plot and the visible group boxes; a cancel changes nothing.
  session.dialogs.QueueColor(RGB(1, 2, 3));
  chart->PopColorsClick(chart->PopColor[0]);
  EXPECT_EQ(chart->GrafFG, RGB(1, 2, 3));
  EXPECT_EQ(chart->GbxY[1]->Color(), RGB(1, 2, 3));
  EXPECT_EQ(Plot().Pixel(5, 5), RGB(1, 2, 3));
  session.dialogs.QueueColorCancel();
  chart->PopColorsClick(chart->MnuColor[2]);
  EXPECT_EQ(chart->GrafFrame, kFrame);
  EXPECT_EQ(session.dialogs.color_requests.back(), kFrame);
  // "Text Color": the pictures' and the groups' text.
  session.dialogs.QueueColor(RGB(200, 0, 0));
  chart->PopColorsClick(chart->PopColor[4]);
  EXPECT_EQ(chart->GrafFntCol, RGB(200, 0, 0));
  EXPECT_EQ(chart->ChartFont.Color, RGB(200, 0, 0));
  EXPECT_EQ(chart->GbxY[1]->Font().Color, RGB(200, 0, 0));
  // The size items.
  chart->MnuFS[3]->Click();
  EXPECT_EQ(chart->ChartFont.Size, 16);
  chart->MnuFS[0]->Click();
  EXPECT_EQ(chart->ChartFont.Size, 8);
}

}  // namespace
