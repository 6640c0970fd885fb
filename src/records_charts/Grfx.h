// The chart window "Graphic" of both programs: up to 90 series of numbers plotted against one X
// axis on up to eight Y axes.
//
// The model: nine axes (ChartAxis, 0 = X, 1..8 = Y1..Y8) with their ranges and scale factors,
// 90 series slots (ChartSeries; series n lies on Y axis ceil(n / 10), 81..90 on none and are
// never drawn), the point store (ChartPointStore: one X value and up to 90 series values per
// point) and the hooks the chart calls while it draws. Which record-table column feeds X and
// each series is the SeriesAssignment table, filled by the chart variables.
//
// The picture: a full redraw draws the scales, titles and caption on the chart picture (shown
// by the paint box FBox) and the frame, grid and series on the plot picture (shown by GBox,
// which lies on FBox at the plot offset). Both paint boxes are pixel-exact: the pictures have
// the real pixels of the window. After each calculation only the newest point is drawn.
//
// The settings section "Graphic" of a settings document keeps the chart's look (Load-
// GraphicSettings, MnuSaveNowClick); the format dialog (GrfPara.h) edits the axes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Components.h"

namespace quorel {

inline constexpr int ChartAxisCount = 9;    // 0 = X, 1..8 = Y1..Y8
inline constexpr int ChartYAxisCount = 8;
inline constexpr int ChartSeriesCount = 90;
inline constexpr int ChartColumnCount = 91;  // column 0 = X as plotted, 1..90 the series

struct ChartAxis {
  bool include = false;     // shown and drawn (X: always)
  bool log = false;         // values plotted as their natural logarithm
  std::int32_t tiles = 10;  // scale divisions
  double from = 0;          // lower end (log axis: its logarithm)
  double to = 100;          // upper end (log axis: its logarithm)
  std::string name;         // axis title
};

struct ChartSeries {
  platform::TColor colour = platform::clBlack;
  int style = 1;         // 0 point (marker); any other value draws a line
  int penWidth = 1;      // 1 thin, 2 bold
  int markerRadius = 3;  // 1..8 pixels
  platform::CheckBox* checkBox = nullptr;  // in the group of its axis, made on first use
  std::uint8_t shown = 0;                  // 1: drawn
};

// A series value a point does not have (an empty record cell, text that is no number): the
// series' line breaks there.
inline constexpr double NoChartValue = std::numeric_limits<double>::quiet_NaN();
// A record-table or substance-table cell as a chart value: NoChartValue unless it is a number.
double ChartValueOfCell(const std::string& text);

// The points: raw X as fed, then per column the plotted values; all columns as long as the
// capacity. A series value not set for a point is NoChartValue.
struct ChartPointStore {
  std::vector<double> rawX;
  std::array<std::vector<double>, ChartColumnCount> columns;
  int count = 0;
  int newest = -1;
  int capacity = 0;
};

// Which record-table column feeds X and which series, and the axis of each combo item of the
// chart's axis selector. Entries 1..count are in use.
struct SeriesAssignmentTable {
  int count = 0;
  std::array<int, ChartColumnCount> seriesNumber{};  // e >= 1: 10 x (page - 1) + row; [0] = 0
  std::array<int, ChartColumnCount> column{};        // e >= 1: its column; [0]: the X column; -1 unused
  std::array<int, ChartColumnCount> axisOfColumn{};  // by record-table column: its page 1..8, 0 for X
  std::array<int, ChartColumnCount> axisComboMap{};  // by item of CBVarID: its axis (0 = "[all]")
};
extern SeriesAssignmentTable SeriesAssignment;

// Every series value of axis k is multiplied by AxisScaleFactor[k] = 10^AxisScaleExponent[k]
// before it is plotted; the exponent is one of -9, -6, ..., 9.
extern std::array<int, ChartAxisCount> AxisScaleExponent;
extern std::array<double, ChartAxisCount> AxisScaleFactor;

// Hooks of every full redraw, after the grid and before the series: before the pass, once per
// pixel column of the plot picture with that column's X value, after the pass. Cleared when the
// chart window is made.
extern std::function<void()> ChartPreDrawHook;
extern std::function<void(platform::Picture& plot, double x)> ChartColumnHook;
extern std::function<void()> ChartPostDrawHook;
// The auto-size flag after the format dialog's Accept and a click on BtnGraFit.
extern std::function<void(bool autoSize)> AutoSizeChangedHook;

// The axis of series n: ceil(n / 10) (9 for 81..90, which have none).
constexpr int SeriesAxis(int n) { return (n + 9) / 10; }

// A chart picture that could not be written ("Save as ..").
constexpr int ChartPictureNotSavedId = 3307;
// A colour key of the chart's settings whose number is no colour (below 0 or above 2^31-1):
// the colour is kept as it was.
constexpr int ChartColourOutOfRangeId = 3308;
// A chart font size of the settings outside ChartMinFontSize..ChartMaxFontSize: the nearest
// bound is taken (a text of tens of thousands of points is no text a chart can draw).
constexpr int ChartFontSizeOutOfRangeId = 3309;
inline constexpr int ChartMinFontSize = 4;
inline constexpr int ChartMaxFontSize = 72;

// A chart colour as its settings keep it: the decimal number, 0 to 2^31-1 for every colour the
// reader takes. ReadChartColour takes value (trimmed) into colour: empty text changes nothing,
// other text that is no number gives 0, a number out of that range changes nothing and false
// comes back.
std::string ChartColourText(platform::TColor colour);
bool ReadChartColour(const std::string& value, platform::TColor& colour);

// The text of a linear scale's label at value, for labels step apart: no more decimals than
// two significant digits of the step need ("1.21", not "1.214285714"), trailing zeros dropped.
std::string ScaleLabelText(double value, double step);

// The free picture size: each side 200 to 1000.
inline constexpr int ChartMinFreeSize = 200;
inline constexpr int ChartMaxFreeSize = 1000;

class TGrfWnd : public platform::Form {
 public:
  explicit TGrfWnd(platform::Component* owner = nullptr);
  ~TGrfWnd() override;

  // --- components ---
  platform::CoolBar* CoolBar1 = nullptr;
  platform::ToolBar* ToolBar1 = nullptr;
  platform::ToolButton* BtnUpdate = nullptr;
  platform::ToolButton* BtnGraFit = nullptr;  // check button: the auto-size flag
  platform::ToolButton* BtnVertZoomIn = nullptr;
  platform::ToolButton* BtnVertZoomOut = nullptr;
  platform::ToolButton* BtnVertCollaps = nullptr;
  platform::ToolButton* BtnVertExpand = nullptr;
  platform::ToolButton* BtnMoveUp = nullptr;
  platform::ToolButton* BtnMoveDown = nullptr;
  platform::ToolButton* BtnCollapsX = nullptr;
  platform::ToolButton* BtnExpandX = nullptr;
  platform::ToolButton* BtnMoveLeft = nullptr;
  platform::ToolButton* BtnMoveRight = nullptr;
  platform::ComboBox* CBVarID = nullptr;  // "[all]" and the titles of the shown axis groups
  platform::ImageList* ToolImages = nullptr;
  // The free picture size ("Graphic Size"), hidden until asked for.
  platform::Panel* PanelSize = nullptr;
  platform::Edit* EdtSizeWidth = nullptr;
  platform::UpDown* UpDownHorz = nullptr;  // Tag 1
  platform::Edit* EdtSizeHeigh = nullptr;
  platform::UpDown* UpDownVert = nullptr;  // Tag 2
  platform::Button* BtnSizeSet = nullptr;
  platform::Button* BtnAutoSize = nullptr;

  platform::Panel* PnlVarbox = nullptr;
  std::array<platform::GroupBox*, ChartAxisCount> GbxY{};    // [1..8]: GbxY1..GbxY8
  std::array<platform::Splitter*, ChartAxisCount> SplY{};    // [k]: below group k (Spl12..Spl78)
  platform::Splitter* Splitter1 = nullptr;
  platform::PaintBox* FBox = nullptr;  // the chart picture
  platform::PaintBox* GBox = nullptr;  // the plot picture, on FBox at the plot offset
  platform::StatusBar* StBar = nullptr;
  platform::ColorDialog* ColorDialog1 = nullptr;
  platform::SaveDialog* SavePicDlg = nullptr;  // "Save Graphic"

  platform::MainMenu* MainMenu1 = nullptr;
  platform::MenuItem* MnuGraphic = nullptr;
  platform::MenuItem* MnuUpdate = nullptr;
  platform::MenuItem* MnuFormatAxis = nullptr;
  platform::MenuItem* MnuVarDef = nullptr;  // "Variable Definition", shown by Orvanto
  platform::MenuItem* MnuGrfSrc = nullptr;  // Lunetta's data source
  platform::MenuItem* MnuFreeSize = nullptr;
  platform::MenuItem* MnuCopy = nullptr;
  platform::MenuItem* MnuSave = nullptr;
  platform::MenuItem* MnuClose = nullptr;
  platform::MenuItem* MnuSettings = nullptr;
  platform::MenuItem* MnuStyle = nullptr;
  platform::MenuItem* MnuStylePoint = nullptr;  // Tag 0
  platform::MenuItem* MnuStyleLine = nullptr;   // Tag 1
  platform::MenuItem* MnuPen = nullptr;
  platform::MenuItem* MnuThin = nullptr;  // Tag 1
  platform::MenuItem* MnuBold = nullptr;  // Tag 2
  platform::MenuItem* MnuColors = nullptr;
  std::array<platform::MenuItem*, 5> MnuColor{};  // Tags 0..4: Inside, Outside, Frame, Scale, Font
  platform::MenuItem* MnuFont = nullptr;
  std::array<platform::MenuItem*, 4> MnuFS{};  // "4 x 8", "6 x 10", "7 x 11", "9 x 16"; Tag = size
  platform::MenuItem* MnuFontSelect = nullptr;
  platform::MenuItem* MnuLayout = nullptr;
  platform::MenuItem* MnuLayToolBar = nullptr;  // Tag 1 (the popup's are Tag 0)
  platform::MenuItem* MnuLayVarBox = nullptr;
  platform::MenuItem* MnuLayStBar = nullptr;
  platform::MenuItem* MnuFollowTime = nullptr;  // Tag 1
  platform::MenuItem* MnuSep2 = nullptr;
  platform::MenuItem* MnuSaveNow = nullptr;
  platform::MenuItem* MnuSaveByExit = nullptr;
  platform::MenuItem* MnuInformation = nullptr;
  platform::MenuItem* MnuMessages = nullptr;
  platform::MenuItem* MnuAbout = nullptr;

  // The popup of the chart (FBox and GBox).
  platform::PopupMenu* PopupGraphic = nullptr;
  platform::MenuItem* PopFormat = nullptr;
  platform::MenuItem* PopVarDef = nullptr;  // "Variable", shown by Orvanto
  platform::MenuItem* PopUpdate = nullptr;
  platform::MenuItem* PopCopy = nullptr;
  platform::MenuItem* PopColors = nullptr;
  std::array<platform::MenuItem*, 5> PopColor{};  // Tags 0..4: Inside, Outside, Frame, Scale, Text Color
  platform::MenuItem* PopToolBar = nullptr;   // layout items, Tag 0
  platform::MenuItem* PopVarBox = nullptr;
  platform::MenuItem* PopStBar = nullptr;
  platform::MenuItem* PopShowMenu = nullptr;
  platform::MenuItem* PopFollowTime = nullptr;  // Tag 0
  platform::MenuItem* PopShowMsg = nullptr;
  // The popup of the axis groups and series check boxes.
  platform::PopupMenu* PopupVar = nullptr;
  platform::MenuItem* PopVariable = nullptr;
  platform::MenuItem* PopGrfStyle = nullptr;
  platform::MenuItem* PopGStylePoint = nullptr;  // Tag 0
  platform::MenuItem* PopGStyleLine = nullptr;   // Tag 1
  platform::MenuItem* PopColor1 = nullptr;
  platform::MenuItem* PopGrfPen = nullptr;
  platform::MenuItem* PopPenThin = nullptr;  // Tag 1
  platform::MenuItem* PopPenBold = nullptr;  // Tag 2
  platform::MenuItem* PopSelectAll = nullptr;    // Tag 1
  platform::MenuItem* PopDeselectAll = nullptr;  // Tag 0

  // --- model ---
  std::array<ChartAxis, ChartAxisCount> Axis;
  std::array<double, ChartAxisCount> AxisRange{};  // to - from
  std::array<ChartSeries, ChartColumnCount> Series;  // [0]: style and pen width of new series
  ChartPointStore Points;
  // Time X: seconds per display unit (1, 60 or 3600; 0 or less: X is no time axis), the origin
  // (days) and one second in days.
  int xTime = 0;
  double TimeOrigin = 0;
  double OneSecond = 0;
  // Colours: "Outside", "Frame", "Scale", "Inside", "Text Color"; the frame pen.
  platform::TColor GrafBG = platform::clWhite;
  platform::TColor GrafFrame = platform::clBlack;
  platform::TColor GrafScale = platform::clSilver;
  platform::TColor GrafFG = platform::clWhite;
  platform::TColor GrafFntCol = platform::clBlack;
  int FramePenWidth = 1;
  int CurrentMarkerRadius = 3;
  platform::FontInfo ChartFont;  // the font of the chart picture
  std::string ChartCaption;      // drawn above the plot when set
  std::string XVariableText;     // drawn as the X title when set
  std::string SettingsFileName;  // "Graphic.ini" when the reader finds it empty
  std::string SettingsSectionName = "Graphic";
  bool CanPaint = false;
  bool RedrawNeeded = false;
  bool SuppressCheckBoxClicks = false;

  // The pictures (the rasters of FBox and GBox).
  std::shared_ptr<platform::Picture> ChartPicture;
  std::shared_ptr<platform::Picture> PlotPicture;
  // Layout values of the last FormResize.
  static constexpr int TopMargin = 96;
  int LeftMargin = 0;
  int PlotWidth = 64;
  int PlotHeight = 64;
  int PlotBottom = 160;
  int PlotRight = 64;
  // From the first Y axis with a scale, for the grid.
  int GridCount = 10;
  bool GridLog = false;
  // The included Y axes that get a scale (those with a shown series, or the first included one
  // when no series is shown), and the x of each one's scale line on the chart picture.
  std::array<bool, ChartAxisCount> AxisScaled{};
  std::array<int, ChartAxisCount> AxisLineX{};
  // A text of the chart picture and its box, as the last full redraw placed it.
  struct ChartTextBox {
    platform::Rect box;
    std::string text;
  };
  std::vector<ChartTextBox> TextBoxes;
  // The Y axis a series is drawn on, for the choice of the scaled axes; ceil(n / 10) when not
  // set (Lunetta draws its curves on axes of its own).
  std::function<int(int n)> SeriesAxisOf;

  bool AutoSize() const;
  bool IsTimeAxis() const { return xTime > 0; }

  // --- point store ---
  // Index 0 opens a new point with X value; 1..90 sets that series' value of the newest point.
  void AddChartValue(int index, double value);
  void ClearChartData();
  void SetTimeOrigin(double x);
  void GrowChartStore(int step);

  // --- series and axis groups ---
  void ShowSeriesCheckBox(int n, const std::string& caption);
  // n = 1..90 one series, 0 every series with a check box, -1 all, their check boxes freed.
  void HideSeries(int n);
  void SyncSeriesCheckBox(int n);
  // Shows and stacks the axis groups of the mask (bit k-1 = axis k), refills CBVarID; sync:
  // the format dialog's pages follow.
  void LayoutAxisGroups(unsigned mask, bool sync);
  void ApplyGroupBoxColour();
  void ApplyChartTextColour();
  void ComputeAxisRanges();
  void CbxImgClick(platform::Component* sender);
  void CbxImgKeyDown(platform::Component* sender, int& key, platform::ShiftState shift);

  // --- window ---
  // Full redraw (always with a sender; without one only when the window can paint).
  void MnuUpdateClick(platform::Component* sender);
  // Once at start-up, after all windows exist: axes into the format dialog, its key handler,
  // only Y1 shown, "SID=" from the command line.
  void InitChartWindow();
  void FormPaint();
  void FormResize();
  void FormatAxisClick(platform::Component* sender);
  // The format dialog's pages into the axes (its Accept).
  void GrfParaDlgData();
  // Enter or Escape in a From, To or Tile edit of the format dialog.
  void FtextKeyDown(platform::Component* sender, int& key, platform::ShiftState shift);
  void CbVarIDChange(platform::Component* sender);
  void BtnGraFitClick(platform::Component* sender);
  void MnuStyleClick(platform::Component* sender);
  void LayoutCheckClick(platform::Component* sender);
  void ApplyTimeUnit();
  void MnuCloseClick(platform::Component* sender);
  // The programs' "Graphic" commands: restored when minimised, shown in front, painting again.
  void ShowInFront();

  // --- navigation, read-out, series and layout commands, picture (GrfxCommands.cpp) ---
  // The Y commands act on the axis of the selector, or on every included Y axis for "[all]".
  void BtnZoomInYClick(platform::Component* sender);
  void BtnZoomOutYClick(platform::Component* sender);
  void BtnCollapsYClick(platform::Component* sender);
  void BtnExpandYClick(platform::Component* sender);
  void BtnMoveUpClick(platform::Component* sender);
  void BtnMoveDownClick(platform::Component* sender);
  void BtnCollapsXClick(platform::Component* sender);
  void BtnExpandXClick(platform::Component* sender);
  void BtnMoveLeftClick(platform::Component* sender);
  void BtnMoveRightClick(platform::Component* sender);
  // The mouse over the plot (pixels of GBox): X, and Y of the selected axis, in the status bar.
  void GBoxMouseMove(platform::ShiftState shift, int x, int y);
  void PopupVarPopup(platform::Component* sender);
  void PopSelectionAllClick(platform::Component* sender);
  void PopColorClick(platform::Component* sender);
  void PopGStyleClick(platform::Component* sender);
  void PopGrfPenWidth(platform::Component* sender);
  void MnuThinClick(platform::Component* sender);
  void MnuFollowTimeClick(platform::Component* sender);
  void Splitter1Moved(platform::Component* sender);
  // The free picture size, in the designed units of FBox (its picture has the pixels of the
  // screen that shows it; the status bar tells the plot's pixels).
  void MnuFreeSizeClick(platform::Component* sender);
  void SetSizeClick(platform::Component* sender);
  void UpDownVertSizeClick(platform::Component* sender, platform::UpDownButton button);
  void EdtSizesKeyDown(platform::Component* sender, int& key, platform::ShiftState shift);
  void BtnAutoSizeClick(platform::Component* sender);
  // The window's client area as shown, with the chart picture and the plot over it at FBox's
  // place: what Copy and Save take.
  std::shared_ptr<platform::Picture> ComposedPicture();
  void MnuCopyClick(platform::Component* sender);
  void MnuSaveClick(platform::Component* sender);
  // Lunetta: every scale factor 1, its list hidden; the check marks into the shown flags.
  void ResetChartCurves();
  void StoreCurveStates();
  // Screen pixels per designed unit of the chart picture (1 without a display).
  double TextScale() const;

  // --- drawing ---
  void DrawScales();
  void DrawLinearScale(int k);
  void DrawLogScale(int k);
  // The rotated title of Y axis k, its right side at x = right.
  void DrawAxisTitle(int k, int right);
  void DrawTimeScale();
  // The texts of the scale of Y axis k, bottom to top (a log scale ends above e^400).
  std::vector<std::string> ScaleLabels(int k) const;
  void DrawPlotArea();
  void BlitChart();
  void RedrawSeries();
  void RedrawSeriesTimed();
  // One segment in axis units (before logarithms) through X and axis k onto picture.
  void DrawChartLine(int k, platform::TColor colour, double x1, double y1, double x2, double y2,
                     platform::Picture& picture);
  // A circle of the current marker radius at (x, y) on the plot picture.
  void DrawMarker(int k, platform::TColor colour, double y, double x);
  void DrawNewestPoint();
  // The line of series n as RedrawSeries draws it: one segment (in axis units, the scale
  // factor applied) from each point with a value to the next one with a value; a point after
  // one without a value starts a new line (a segment of length 0).
  struct Segment {
    double x1, y1, x2, y2;
  };
  std::vector<Segment> SeriesSegments(int n) const;
  // Text in the chart font, its points taken at the screen's scale (TextScale): unrotated two
  // points smaller, rotated (angle in tenths of a degree) with a cell height of the font's size
  // and no background.
  virtual void DrawChartText(int x, int y, platform::Canvas& canvas, const std::string& text, int angle);
  void MnuFSClick(platform::Component* sender);
  void MnuFontSelectClick(platform::Component* sender);
  void PopColorsClick(platform::Component* sender);

  // --- settings section ---
  void LoadGraphicSettings();
  void MnuSaveNowClick(platform::Component* sender);

  // The label of a log-scale value f (natural-log units).
  static std::string LogScaleLabel(double f);

 private:
  void FormCreate();
  void FormDestroy();
  // The label of an axis with its scale suffix ("x 1 000").
  std::string AxisTitle(int k) const;
  std::string ScaleSuffix(int k) const;
  // A segment or marker mapped with the given ranges; false when it cannot be drawn.
  bool MapPoint(int k, double x, double y, double rangeX, double rangeY, const platform::Picture& picture,
                int& px, int& py) const;
  void StrokeSegment(int k, platform::TColor colour, double x1, double y1, double x2, double y2, double rangeX,
                     double rangeY, platform::Picture& picture);
  void PaintMarker(int k, platform::TColor colour, double x, double y, double rangeX, double rangeY, int radius,
                   platform::Picture& picture);
  void HooksPass();
  // The canvas font of a chart text: unrotated two points below the chart font, rotated at it.
  void SelectChartTextFont(platform::Canvas& canvas, int angle);
  // The width and height of a chart text as DrawChartText draws it unrotated (angle 0) or
  // rotated (the height is then the line's, across the text).
  int ChartTextWidth(const std::string& text, int angle);
  int ChartTextHeight(int angle);
  // Both, with the canvas's own font kept.
  std::pair<int, int> MeasureChartText(const std::string& text, int angle);
  // Which Y axes get a scale, their scale lines and the left margin.
  void LayoutYScales();
  void WireCommands();
  // Runs a Y command on the selected axis or on every included one, then redraws.
  template <class Command>
  void ForSelectedYAxes(platform::Component* sender, Command command);
  // The series box and the group box under the series popup.
  platform::CheckBox* SeriesBoxUnderPopup() const;
  platform::GroupBox* GroupUnderPopup() const;
  std::string FreeSizeText() const;
  bool destroyed_ = false;
};

extern TGrfWnd* GrfWnd;

}  // namespace quorel
