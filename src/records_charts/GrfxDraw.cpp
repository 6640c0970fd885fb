// The chart's drawing: the paint pipeline, the scales on the chart picture, the frame, grid
// and series on the plot picture, the newest point after a calculation, and the font and
// colour commands.
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/Services.h"
#include "records_charts/GrfPara.h"
#include "records_charts/Grfx.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"

namespace quorel {

using namespace platform;

namespace {

constexpr double kLn10 = 2.302585092994045684;
constexpr double kIntMax = 2147483647.0;
constexpr double kIntMin = -2147483648.0;
// The layout of the scales, in pixels: a tick reaches this far either side of its line, a
// Y label ends this far left of the line, the title keeps this gap to the labels and to the
// next scale, X labels begin this far below the plot, and nothing comes nearer to the
// picture's edge than kEdge.
constexpr int kTick = 4;
constexpr int kLabelGap = 6;
constexpr int kTitleGap = 4;
constexpr int kXLabelGap = 3;
constexpr int kEdge = 2;
// The space right of the plot.
constexpr int kRightMargin = 32;

// The nearest integer, halves to even (the default rounding mode).
double Nearest(double v) { return std::nearbyint(v); }

// A pixel value that can be drawn: finite and within the 32-bit range.
bool Drawable(double v) { return std::isfinite(v) && v <= kIntMax && v >= kIntMin; }

// A full-width or full-height line of the plot picture, inside its frame.
void HorizontalLine(Canvas& c, int y, int width, int inset) {
  c.MoveTo(inset, y);
  c.LineTo(width - inset, y);
}
void VerticalLine(Canvas& c, int x, int height, int inset) {
  c.MoveTo(x, inset);
  c.LineTo(x, height - inset);
}

std::string IntegerText(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", v);
  return text;
}

}  // namespace

std::string TGrfWnd::LogScaleLabel(double f) {
  if (f >= 400) return "10***";
  const double v = std::exp(f);
  const double d = Nearest(f / kLn10);
  if (d == -3) return FormatFloat("0.000", v);
  if (d == -2) return FormatFloat("0.00", v);
  if (d == -1) return FormatFloat("0.0", v);
  if (d >= 0 && d <= 3) return IntegerText(Nearest(v));
  return FormatFloat("0E+0", v);
}

// ---------------------------------------------------------------------------------------------
// Paint pipeline and layout

void TGrfWnd::FormPaint() {
  if (GetWindowState() == WindowState::Minimized && FBox->GetAlign() == Align::Client) {
    RedrawNeeded = true;
    return;
  }
  if (CanPaint) {
    if (!RedrawNeeded) {
      BlitChart();
    } else {
      FormResize();
      DrawScales();
      DrawPlotArea();
      BlitChart();
      RedrawNeeded = false;
      StBar->SetPanelText(0, Axis[0].name);
    }
  }
  RedrawNeeded = false;
}

void TGrfWnd::FormResize() {
  if (!CanPaint) return;
  RedrawNeeded = true;
  const int width = std::max(FBox->PixelWidth(), 0);
  const int height = std::max(FBox->PixelHeight(), 0);
  if (ChartPicture->Width() != width || ChartPicture->Height() != height) ChartPicture->SetSize(width, height);
  LayoutYScales();
  // Below the plot: the X labels, the time and date rows of a time axis, the X title.
  const int line = ChartTextHeight(0);
  const int bottom = kXLabelGap + line + (IsTimeAxis() ? 2 * (line + 1) : 0) + 2 + line + kEdge;
  PlotHeight = std::max(height - TopMargin - bottom, 64);
  PlotWidth = std::max(width - LeftMargin - kRightMargin, 64);
  PlotBottom = PlotHeight + TopMargin;
  PlotRight = PlotWidth + LeftMargin;
  if (PlotPicture->Width() != PlotWidth || PlotPicture->Height() != PlotHeight)
    PlotPicture->SetSize(PlotWidth, PlotHeight);
  // GBox lies on FBox: its bounds are FBox's pixels.
  GBox->SetBounds(LeftMargin, TopMargin, PlotWidth, PlotHeight);
  if (FBox->GetAlign() != Align::Client && PanelSize->Visible()) StBar->SetPanelText(3, FreeSizeText());
  const int r = Width() / 10;
  if (r > 48) {
    const int widths[4] = {2 * r, 3 * r, 2 * r, 3 * r};
    for (int i = 0; i < 4; ++i) StBar->SetPanelWidth(i, widths[i]);
  }
}

void TGrfWnd::LayoutYScales() {
  auto axisOf = [this](int n) { return SeriesAxisOf ? SeriesAxisOf(n) : SeriesAxis(n); };
  AxisScaled.fill(false);
  bool any = false;
  for (int n = 1; n <= ChartSeriesCount; ++n) {
    const int k = axisOf(n);
    if (k < 1 || k > ChartYAxisCount || !Series[static_cast<std::size_t>(n)].shown) continue;
    if (Axis[static_cast<std::size_t>(k)].include) AxisScaled[static_cast<std::size_t>(k)] = any = true;
  }
  // Without a shown series the first included axis still gives the grid its scale.
  for (int k = 1; k <= ChartYAxisCount && !any; ++k)
    if (Axis[static_cast<std::size_t>(k)].include) AxisScaled[static_cast<std::size_t>(k)] = any = true;
  // Each scale takes its tick, its widest label and its title; the first lies at the plot.
  std::vector<int> widths;
  for (int k = 1; k <= ChartYAxisCount; ++k) {
    if (!AxisScaled[static_cast<std::size_t>(k)]) continue;
    int labels = 0;
    for (const std::string& t : ScaleLabels(k)) labels = std::max(labels, ChartTextWidth(t, 0));
    widths.push_back(kLabelGap + labels + kTitleGap + ChartTextHeight(900) + kTitleGap + kTick);
  }
  int total = kEdge;
  for (int w : widths) total += w;
  LeftMargin = total;
  AxisLineX.fill(0);
  int x = LeftMargin;
  std::size_t i = 0;
  for (int k = 1; k <= ChartYAxisCount; ++k) {
    if (!AxisScaled[static_cast<std::size_t>(k)]) continue;
    AxisLineX[static_cast<std::size_t>(k)] = x;
    x -= widths[i++];
  }
}

std::string ScaleLabelText(double value, double step) {
  step = std::fabs(step);
  if (!std::isfinite(value) || !std::isfinite(step) || step == 0) return FloatToTextF(value, 10, 2);
  // Two significant digits of the step: a step of 0.157 gives two decimals, 200 none.
  const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(step))), 0, 15);
  const double unit = std::pow(10.0, -decimals);
  double rounded = std::nearbyint(value / unit) * unit;
  if (rounded == 0) rounded = 0;  // no "-0"
  // Large values keep their full integer digits; the general form drops trailing zeros.
  return FloatToTextF(rounded, std::max(10, decimals + 1 + static_cast<int>(std::log10(std::fabs(rounded) + 1))), 2);
}

std::vector<std::string> TGrfWnd::ScaleLabels(int k) const {
  const ChartAxis& a = Axis[static_cast<std::size_t>(k)];
  const double range = AxisRange[static_cast<std::size_t>(k)];
  std::vector<std::string> labels;
  if (a.log) {
    const int tiles = std::max(a.tiles, 1);
    for (int t = 0; t <= tiles; ++t) {
      const double f = range / tiles * t + a.from;
      if (f > 400) break;
      labels.push_back(LogScaleLabel(f));
    }
  } else {
    const int tiles = a.tiles == 0 ? 6 : a.tiles;
    for (int t = 0; t <= tiles; ++t) labels.push_back(ScaleLabelText(range / tiles * t + a.from, range / tiles));
  }
  return labels;
}

void TGrfWnd::BlitChart() {
  FBox->RasterChanged();
  GBox->RasterChanged();
}

// ---------------------------------------------------------------------------------------------
// The chart picture

void TGrfWnd::SelectChartTextFont(Canvas& canvas, int angle) {
  // The chart font's size is in points of a 96-dpi screen: in pixels as the screen that shows
  // the chart scales its windows.
  const int s = ChartFont.Size;
  const double pixelsPerPoint = 96.0 / 72.0 * TextScale();
  canvas.FontCellHeight = 0;
  if (angle == 0) {
    canvas.FontPixelSize = std::max(1, static_cast<int>(std::lround((s - 2) * pixelsPerPoint)));
    return;
  }
  canvas.Font.Bold = false;
  canvas.Font.Italic = false;
  canvas.Font.Name = ChartFont.Name;
  canvas.FontPixelSize = std::max(1, static_cast<int>(std::lround(s * pixelsPerPoint)));
}

std::pair<int, int> TGrfWnd::MeasureChartText(const std::string& text, int angle) {
  Canvas& c = ChartPicture->GetCanvas();
  const FontInfo font = c.Font;
  const int cell = c.FontCellHeight, pixels = c.FontPixelSize;
  c.Font = ChartFont;
  SelectChartTextFont(c, angle);
  const std::pair<int, int> size{c.TextWidth(text), c.TextHeight(text)};
  c.Font = font;
  c.FontCellHeight = cell;
  c.FontPixelSize = pixels;
  return size;
}

int TGrfWnd::ChartTextWidth(const std::string& text, int angle) { return MeasureChartText(text, angle).first; }
int TGrfWnd::ChartTextHeight(int angle) { return MeasureChartText("0", angle).second; }

void TGrfWnd::DrawChartText(int x, int y, Canvas& canvas, const std::string& text, int angle) {
  if (text.empty()) return;
  const Brush brush = canvas.Brush;
  const FontInfo font = canvas.Font;
  const int cell = canvas.FontCellHeight, pixels = canvas.FontPixelSize;
  SelectChartTextFont(canvas, angle);
  const int w = canvas.TextWidth(text), h = canvas.TextHeight(text);
  if (angle == 0) {
    canvas.TextOut(x, y, text);
    TextBoxes.push_back({Rect{x, y, x + w, y + h}, text});
  } else {
    canvas.Brush.Style = BrushStyle::Clear;
    canvas.TextOutRotated(x, y, text, angle);
    // Upwards from (x, y), the line's top to the left.
    if (angle == 900) TextBoxes.push_back({Rect{x, y - w, x + h, y}, text});
    else TextBoxes.push_back({Rect{x - w, y - w, x + w, y + w}, text});
  }
  canvas.Brush = brush;
  canvas.Font = font;
  canvas.FontCellHeight = cell;
  canvas.FontPixelSize = pixels;
}

void TGrfWnd::DrawScales() {
  Picture& p = *ChartPicture;
  Canvas& c = p.GetCanvas();
  TextBoxes.clear();
  c.Font = ChartFont;
  c.FontCellHeight = 0;
  c.FontPixelSize = 0;
  c.Pen = platform::Pen{GrafFrame, 1, PenStyle::Solid};
  c.Brush = platform::Brush{GrafBG, BrushStyle::Solid};
  // The whole picture, with the frame's left and top lines (its right and bottom ones lie just
  // beyond the picture, as beyond a paint box that fills the window).
  c.Rectangle(0, 0, p.Width() + 1, p.Height() + 1);
  GridCount = 10;
  GridLog = false;
  bool first = true;
  for (int k = 1; k <= ChartYAxisCount; ++k) {
    const ChartAxis& a = Axis[static_cast<std::size_t>(k)];
    if (!a.include || !AxisScaled[static_cast<std::size_t>(k)]) continue;
    if (first) {
      GridCount = a.tiles;
      GridLog = a.log;
      first = false;
    }
    if (a.log) DrawLogScale(k);
    else DrawLinearScale(k);
  }
  ChartAxis& x = Axis[0];
  if (x.tiles == 0) x.tiles = 10;
  const int step = std::max(PlotWidth / x.tiles, 1);
  // Each label centred below its grid line, inside the picture; one that would touch the
  // label before it is left out.
  const int line = ChartTextHeight(0);
  const int labelTop = PlotBottom + kXLabelGap;
  int previousRight = std::numeric_limits<int>::min() / 2;
  for (int t = 0; t <= x.tiles; ++t) {
    double value = AxisRange[0] / x.tiles * t + x.from;
    if (IsTimeAxis()) value /= xTime;
    const std::string text =
        x.log ? LogScaleLabel(value) : ScaleLabelText(value, AxisRange[0] / x.tiles / (IsTimeAxis() ? xTime : 1));
    const int w = ChartTextWidth(text, 0);
    const int left = std::max(std::min(LeftMargin + t * step - w / 2, p.Width() - kEdge - w), kEdge);
    if (left < previousRight + kTitleGap) continue;
    DrawChartText(left, labelTop, c, text, 0);
    previousRight = left + w;
  }
  if (IsTimeAxis()) DrawTimeScale();
  // The X title on its own line, two thirds along.
  const std::string title = XVariableText.empty() ? x.name : XVariableText;
  const int titleTop = labelTop + line + (IsTimeAxis() ? 2 * (line + 1) : 0) + 2;
  const int titleLeft = std::max(std::min(LeftMargin + (PlotWidth / 3) * 2, p.Width() - kEdge - ChartTextWidth(title, 0)), kEdge);
  DrawChartText(titleLeft, titleTop, c, title, 0);
  if (!ChartCaption.empty()) DrawChartText(PlotWidth / 3 + LeftMargin, 64, c, ChartCaption, 0);
}

// A Y label beside its tick at height y, right-aligned at the label column; the bottom one
// sits above the X labels. False (nothing drawn) when it would touch the label below it.
namespace {
struct YLabelPlacer {
  int right, plotBottom, line;
  int lowestTop = std::numeric_limits<int>::max() / 2;
  bool Place(int y, int width, int& left, int& top) {
    top = std::min(y - line / 2, plotBottom - line);
    if (top + line + 1 > lowestTop) return false;
    left = right - width;
    lowestTop = top;
    return true;
  }
};
}  // namespace

void TGrfWnd::DrawLinearScale(int k) {
  Canvas& c = ChartPicture->GetCanvas();
  ChartAxis& a = Axis[static_cast<std::size_t>(k)];
  const int x = AxisLineX[static_cast<std::size_t>(k)];
  c.MoveTo(x, PlotBottom);
  c.LineTo(x, TopMargin);
  if (a.tiles == 0) a.tiles = 6;
  const std::vector<std::string> labels = ScaleLabels(k);
  const int step = std::max(PlotHeight / a.tiles, 1);
  YLabelPlacer placer{x - kLabelGap, PlotBottom, ChartTextHeight(0)};
  int widest = 0;
  int y = PlotBottom;
  for (int t = 0; t <= a.tiles; ++t, y -= step) {
    c.MoveTo(x - kTick, y);
    c.LineTo(x + kTick, y);
    const std::string& text = labels[static_cast<std::size_t>(t)];
    const int w = ChartTextWidth(text, 0);
    widest = std::max(widest, w);
    int left, top;
    if (placer.Place(y, w, left, top)) DrawChartText(left, top, c, text, 0);
  }
  DrawAxisTitle(k, x - kLabelGap - widest - kTitleGap);
}

void TGrfWnd::DrawLogScale(int k) {
  Canvas& c = ChartPicture->GetCanvas();
  ChartAxis& a = Axis[static_cast<std::size_t>(k)];
  const int x = AxisLineX[static_cast<std::size_t>(k)];
  c.MoveTo(x, PlotBottom);
  c.LineTo(x, TopMargin);
  if (a.tiles < 1) a.tiles = 1;
  const std::vector<std::string> labels = ScaleLabels(k);
  const int step = PlotHeight / a.tiles;
  YLabelPlacer placer{x - kLabelGap, PlotBottom, ChartTextHeight(0)};
  int widest = 0;
  int y = PlotBottom;
  for (int t = 0; t <= a.tiles; ++t, y -= step) {
    // A scale beyond e^400 ends there, without its title.
    if (static_cast<std::size_t>(t) >= labels.size()) return;
    c.MoveTo(x - kTick, y);
    c.LineTo(x + kTick, y);
    const std::string& text = labels[static_cast<std::size_t>(t)];
    const int w = ChartTextWidth(text, 0);
    widest = std::max(widest, w);
    int left, top;
    if (placer.Place(y, w, left, top)) DrawChartText(left, top, c, text, 0);
    if (t < a.tiles)
      for (int j = 2; j <= 9; ++j) {
        const double off = Nearest(static_cast<double>(PlotHeight) / a.tiles * std::log(j) / kLn10);
        const int sy = y - static_cast<int>(off);
        c.MoveTo(x - kTick, sy);
        c.LineTo(x + kTick, sy);
      }
  }
  DrawAxisTitle(k, x - kLabelGap - widest - kTitleGap);
}

void TGrfWnd::DrawAxisTitle(int k, int right) {
  Canvas& c = ChartPicture->GetCanvas();
  const std::string title = AxisTitle(k);
  const int w = ChartTextWidth(title, 900), h = ChartTextHeight(900);
  // Upwards, centred on the plot's height, never below the plot nor above the picture.
  const int foot = std::max(std::min(TopMargin + PlotHeight / 2 + w / 2, PlotBottom), std::min(w + kEdge, PlotBottom));
  DrawChartText(right - h, foot, c, title, 900);
}

void TGrfWnd::DrawTimeScale() {
  Canvas& c = ChartPicture->GetCanvas();
  ChartAxis& x = Axis[0];
  const int tiles = x.tiles == 0 ? 1 : x.tiles;
  const int step = std::max(GBox->Width() / tiles, 1);
  const int line = ChartTextHeight(0);
  const int timeTop = PlotBottom + kXLabelGap + line + 1, dateTop = timeTop + line + 1;
  int previousRight = std::numeric_limits<int>::min() / 2;
  for (int t = 0; t <= tiles; ++t) {
    const double when = (AxisRange[0] / tiles * t + x.from) * OneSecond + TimeOrigin;
    const DateTimeParts p = DecodeDateTime(when);
    const std::string time = Application().LongTimeText(p.Hour, p.Minute, p.Second);
    const std::string date = Application().ShortDateText(p.Year, p.Month, p.Day);
    const int w = std::max(ChartTextWidth(time, 0), ChartTextWidth(date, 0));
    const int left = std::max(std::min(LeftMargin + t * step - w / 2, ChartPicture->Width() - kEdge - w), kEdge);
    if (left < previousRight + kTitleGap) continue;
    DrawChartText(left, timeTop, c, time, 0);
    DrawChartText(left, dateTop, c, date, 0);
    previousRight = left + w;
  }
}

// ---------------------------------------------------------------------------------------------
// The plot picture

void TGrfWnd::DrawPlotArea() {
  Picture& p = *PlotPicture;
  Canvas& c = p.GetCanvas();
  const int w = std::max(FramePenWidth, 1);
  const int width = p.Width(), height = p.Height();
  c.Pen = platform::Pen{GrafFrame, w, PenStyle::Solid};
  c.Brush = platform::Brush{GrafFG, BrushStyle::Solid};
  // The frame on the outermost pixels, so nothing of an earlier picture stays.
  c.Rectangle(w - 1, w - 1, width, height);
  c.Pen = platform::Pen{GrafScale, 1, PenStyle::Solid};
  if (GridCount < 1) GridCount = 10;
  const int d = height / GridCount;
  int y = height;
  for (int i = 0; i < GridCount; ++i) {
    if (GridLog)
      for (int j = 1; j <= 9; ++j)
        HorizontalLine(c, y - static_cast<int>(Nearest(static_cast<double>(height) / GridCount * std::log(j) / kLn10)),
                       width, w);
    if (i + 1 < GridCount) {
      y -= std::max(d, 1);
      HorizontalLine(c, y, width, w);
    }
  }
  const ChartAxis& xa = Axis[0];
  const int tiles = xa.tiles == 0 ? 1 : xa.tiles;
  const int s = width / tiles;
  int x = 0;
  for (int j = 0; j < tiles; ++j) {
    if (xa.log)
      for (int m = 1; m <= 9; ++m)
        VerticalLine(c, x + static_cast<int>(Nearest(static_cast<double>(width) / tiles * std::log(m) / kLn10)), height,
                     w);
    x += std::max(s, 1);
    if (j + 1 < tiles) VerticalLine(c, x, height, w);
  }
  HooksPass();
  if (IsTimeAxis()) RedrawSeriesTimed();
  else RedrawSeries();
  c.Brush = platform::Brush{GrafFG, BrushStyle::Solid};
}

void TGrfWnd::HooksPass() {
  if (ChartPreDrawHook) ChartPreDrawHook();
  const int width = PlotPicture->Width();
  if (width <= 0) return;
  for (int i = 0; i < width; ++i) {
    const double x = static_cast<double>(i) / width * AxisRange[0] + Axis[0].from;
    // A column value that cannot be computed ends the pass.
    if (!std::isfinite(x)) return;
    if (ChartColumnHook) ChartColumnHook(*PlotPicture, x);
  }
  if (ChartPostDrawHook) ChartPostDrawHook();
}

std::vector<TGrfWnd::Segment> TGrfWnd::SeriesSegments(int n) const {
  std::vector<Segment> out;
  const int k = SeriesAxis(n);
  if (n < 1 || n > ChartSeriesCount || k > ChartYAxisCount) return out;
  const auto& column = Points.columns[static_cast<std::size_t>(n)];
  const double f = AxisScaleFactor[static_cast<std::size_t>(k)];
  bool open = false;  // the point before has a value
  double previousX = 0, previous = 0;
  for (int p = 0; p < Points.count; ++p) {
    const std::size_t i = static_cast<std::size_t>(p);
    const double x = Points.columns[0][i], value = column[i];
    if (std::isnan(value) || std::isnan(x)) {
      open = false;
      continue;
    }
    if (!open) previousX = x, previous = value;
    out.push_back(Segment{previousX, previous * f, x, value * f});
    open = true;
    previousX = x;
    previous = value;
  }
  return out;
}

void TGrfWnd::RedrawSeries() {
  Canvas& c = PlotPicture->GetCanvas();
  for (int n = 1; n <= ChartSeriesCount; ++n) {
    const ChartSeries& s = Series[static_cast<std::size_t>(n)];
    const int k = SeriesAxis(n);
    if (!s.shown || k > ChartYAxisCount) continue;
    c.Pen.Width = s.penWidth;
    CurrentMarkerRadius = s.markerRadius;
    for (const Segment& g : SeriesSegments(n)) {
      if (s.style != 0) DrawChartLine(k, s.colour, g.x1, g.y1, g.x2, g.y2, *PlotPicture);
      else DrawMarker(k, s.colour, g.y2, g.x2);
    }
    c.Pen.Width = 1;
  }
}

void TGrfWnd::RedrawSeriesTimed() {
  Canvas& c = PlotPicture->GetCanvas();
  c.Pen.Style = PenStyle::Solid;
  double previousX = 0;
  for (int p = 0; p < Points.count; ++p) {
    const std::size_t i = static_cast<std::size_t>(p);
    const double x = Points.columns[0][i];
    if (p == 0) previousX = x;
    if (previousX > Axis[0].to && x > Axis[0].to) return;
    for (int n = 1; n <= ChartSeriesCount; ++n) {
      const ChartSeries& s = Series[static_cast<std::size_t>(n)];
      const int k = SeriesAxis(n);
      if (!s.shown || k > ChartYAxisCount) continue;
      const auto& column = Points.columns[static_cast<std::size_t>(n)];
      const double value = column[i];
      if (std::isnan(value)) continue;  // no value: a gap
      // After a point without a value the line starts anew.
      const bool starts = p == 0 || std::isnan(column[i - 1]);
      const double previous = starts ? value : column[i - 1];
      const double f = AxisScaleFactor[static_cast<std::size_t>(k)];
      c.Pen.Width = s.penWidth;
      CurrentMarkerRadius = s.markerRadius;
      if (s.style != 0) DrawChartLine(k, s.colour, starts ? x : previousX, previous * f, x, value * f, *PlotPicture);
      else DrawMarker(k, s.colour, value * f, x);
      c.Pen.Width = 1;
    }
    previousX = x;
  }
}

// ---------------------------------------------------------------------------------------------
// Segments and markers

bool TGrfWnd::MapPoint(int k, double x, double y, double rangeX, double rangeY, const Picture& picture, int& px,
                       int& py) const {
  if (!(rangeX > 0) || !(rangeY > 0) || !std::isfinite(rangeX) || !std::isfinite(rangeY)) return false;
  const double fx = picture.Width() * (x - Axis[0].from) / rangeX;
  if (!Drawable(fx)) return false;
  const double fy = picture.Height() * (y - Axis[static_cast<std::size_t>(k)].from) / rangeY;
  if (!Drawable(fy)) return false;
  const double sy = picture.Height() - Nearest(fy);
  if (!Drawable(sy)) return false;
  px = static_cast<int>(Nearest(fx));
  py = static_cast<int>(sy);
  return true;
}

namespace {

// The log rules: on a log axis a value must be above 0 and is replaced by its logarithm.
bool ToLogUnits(bool log, double& v) {
  if (!log) return true;
  if (!(v > 0)) return false;
  v = std::log(v);
  return true;
}

}  // namespace

void TGrfWnd::StrokeSegment(int k, TColor colour, double x1, double y1, double x2, double y2, double rangeX,
                            double rangeY, Picture& picture) {
  Canvas& c = picture.GetCanvas();
  c.Pen.Color = colour;
  int px1, py1, px2, py2;
  if (!MapPoint(k, x1, y1, rangeX, rangeY, picture, px1, py1)) return;
  if (!MapPoint(k, x2, y2, rangeX, rangeY, picture, px2, py2)) return;
  if (px1 == px2 && py1 == py2) return;  // a segment from a point to itself shows nothing
  c.MoveTo(px1, py1);
  c.LineTo(px2, py2);
}

void TGrfWnd::PaintMarker(int k, TColor colour, double x, double y, double rangeX, double rangeY, int radius,
                          Picture& picture) {
  Canvas& c = picture.GetCanvas();
  c.Pen.Color = colour;
  int px, py;
  if (!MapPoint(k, x, y, rangeX, rangeY, picture, px, py)) return;
  const long long r = radius;
  if (px - r < kIntMin || px + r > kIntMax || py - r < kIntMin || py + r > kIntMax) return;
  c.Ellipse(static_cast<int>(px - r), static_cast<int>(py - r), static_cast<int>(px + r), static_cast<int>(py + r));
}

void TGrfWnd::DrawChartLine(int k, TColor colour, double x1, double y1, double x2, double y2, Picture& picture) {
  if (k < 1 || k > ChartYAxisCount) return;
  const ChartAxis& a = Axis[static_cast<std::size_t>(k)];
  if (!ToLogUnits(a.log, y1) || !ToLogUnits(a.log, y2)) return;
  if (!ToLogUnits(Axis[0].log, x1) || !ToLogUnits(Axis[0].log, x2)) return;
  picture.GetCanvas().Pen.Color = colour;
  if (!(AxisRange[static_cast<std::size_t>(k)] > 0)) return;
  if (!(AxisRange[0] > 0)) AxisRange[0] = 1.0;
  StrokeSegment(k, colour, x1, y1, x2, y2, AxisRange[0], AxisRange[static_cast<std::size_t>(k)], picture);
}

void TGrfWnd::DrawMarker(int k, TColor colour, double y, double x) {
  if (k < 1 || k > ChartYAxisCount) return;
  const ChartAxis& a = Axis[static_cast<std::size_t>(k)];
  if (!ToLogUnits(a.log, y) || !ToLogUnits(Axis[0].log, x)) return;
  // Neither range may be empty (an empty Y range would divide by zero).
  if (!(AxisRange[0] > 0) || !(AxisRange[static_cast<std::size_t>(k)] > 0)) return;
  PaintMarker(k, colour, x, y, AxisRange[0], AxisRange[static_cast<std::size_t>(k)], CurrentMarkerRadius,
              *PlotPicture);
}

void TGrfWnd::DrawNewestPoint() {
  if (Points.count <= 0 || Points.newest < 0) return;
  const std::size_t i = static_cast<std::size_t>(Points.newest);
  const std::size_t prev = i > 0 ? i - 1 : i;
  Picture& plot = *PlotPicture;
  Canvas& c = plot.GetCanvas();
  for (int n = 1; n <= ChartSeriesCount; ++n) {
    const ChartSeries& s = Series[static_cast<std::size_t>(n)];
    const int k = SeriesAxis(n);
    if (!s.shown || k > ChartYAxisCount) continue;
    const ChartAxis& a = Axis[static_cast<std::size_t>(k)];
    const double f = AxisScaleFactor[static_cast<std::size_t>(k)];
    double x1 = Points.columns[0][prev], x2 = Points.columns[0][i];
    double y1 = Points.columns[static_cast<std::size_t>(n)][prev] * f;
    double y2 = Points.columns[static_cast<std::size_t>(n)][i] * f;
    if (std::isnan(y2)) continue;  // no value: a gap
    if (std::isnan(y1)) x1 = x2, y1 = y2;  // after a gap the line starts anew
    c.Pen.Width = s.penWidth;
    if (s.style != 0) {
      DrawChartLine(k, s.colour, x1, y1, x2, y2, plot);
      // The live segment: the Y range as the axis's ends give it.
      if (ToLogUnits(a.log, y1) && ToLogUnits(a.log, y2) && ToLogUnits(Axis[0].log, x1) &&
          ToLogUnits(Axis[0].log, x2) && a.to - a.from > 0)
        StrokeSegment(k, s.colour, x1, y1, x2, y2, AxisRange[0], a.to - a.from, plot);
    } else {
      CurrentMarkerRadius = s.markerRadius;
      DrawMarker(k, s.colour, y2, x2);
      // The live marker: empty ranges count as 1.
      if (ToLogUnits(a.log, y2) && ToLogUnits(Axis[0].log, x2)) {
        const double rx = AxisRange[0] > 0 ? AxisRange[0] : 1.0;
        const double ry = a.to - a.from > 0 ? a.to - a.from : 1.0;
        PaintMarker(k, s.colour, x2, y2, rx, ry, s.markerRadius, plot);
      }
    }
    c.Pen.Width = 1;
  }
  GBox->RasterChanged();
}

// ---------------------------------------------------------------------------------------------
// Font and colour commands

void TGrfWnd::MnuFSClick(Component* sender) {
  if (!sender) return;
  ChartFont.Size = sender->Tag();
  MnuUpdateClick(sender);
}

void TGrfWnd::MnuFontSelectClick(Component* sender) {
  if (!AplStgsWnd) return;
  FontDialog& dlg = *AplStgsWnd->FontDialog1;
  dlg.SetDialogFont(ChartFont);
  if (!dlg.Execute()) return;
  ChartFont = dlg.DialogFont();
  ChartFont.Size = std::clamp(ChartFont.Size, ChartMinFontSize, ChartMaxFontSize);
  MnuUpdateClick(sender);
}

void TGrfWnd::PopColorsClick(Component* sender) {
  if (!sender) return;
  const int tag = sender->Tag();
  TColor* target = tag == 0 ? &GrafFG : tag == 1 ? &GrafBG : tag == 2 ? &GrafFrame : tag == 3 ? &GrafScale
                   : tag == 4 ? &GrafFntCol : nullptr;
  if (!target) return;
  ColorDialog1->SetDialogColor(*target);
  if (!ColorDialog1->Execute()) return;
  *target = ColorDialog1->DialogColor();
  if (tag == 0) {
    for (int k = 1; k <= ChartYAxisCount; ++k)
      if (GbxY[static_cast<std::size_t>(k)]->Visible()) GbxY[static_cast<std::size_t>(k)]->SetColor(GrafFG);
  }
  if (tag == 1 || tag == 4) ApplyChartTextColour();
  MnuUpdateClick(sender);
}

}  // namespace quorel
