// The chart's commands without a display: zooming and moving the axes, the axis selector, the
// mouse read-out, the series popups and menu items, the splitter, the free picture size, Copy
// and "Save as .." (bitmap and JPEG files read back), Lunetta's two operations, and the size of
// the chart's text.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chart_support.h"
#include "platform/Canvas.h"
#include "platform/ImageFiles.h"
#include "platform/System.h"
#include "shared/PTools.h"

using namespace quorel;
using charttest::ChartFixture;
using platform::Picture;
using platform::RGB;
using platform::TColor;
namespace fs = std::filesystem;

namespace {

class ChartCommandsTest : public ChartFixture {
 protected:
  ChartCommandsTest() {
    folder = fs::temp_directory_path() / ("quorel_chart_commands_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    chart->CanPaint = true;
  }
  ~ChartCommandsTest() override {
    AutoSizeChangedHook = nullptr;
    fs::remove_all(folder);
  }
  void SetAxis(int k, double from, double to, int tiles, bool include = true) {
    ChartAxis& a = chart->Axis[size_t(k)];
    a.from = from;
    a.to = to;
    a.tiles = tiles;
    a.include = include;
    chart->ComputeAxisRanges();
  }
  const ChartAxis& Axis(int k) const { return chart->Axis[size_t(k)]; }
  // A drawn chart with one line series on Y1 and the selector on "[all]".
  void DrawnChart() {
    SetAxis(0, 0, 10, 5);
    SetAxis(1, 0, 100, 10);
    SetAxis(3, 0, 100, 10, false);
    ShowSeries(1, "CO2");
    chart->Series[1].penWidth = 2;
    for (int i = 0; i <= 10; ++i) AddPoint(i, {{1, 5 + 8.5 * i}});
    Draw(600, 400);
  }
  // What Copy and Save take without a display: the client area blank, the chart picture at
  // FBox's place and the plot over it.
  Picture Composed() const {
    Picture p(chart->ClientWidth(), chart->ClientHeight());
    p.Fill(platform::clWhite);
    p.GetCanvas().Draw(chart->FBox->Left(), chart->FBox->Top(), *chart->ChartPicture);
    p.GetCanvas().Draw(chart->FBox->Left() + chart->LeftMargin, chart->FBox->Top() + TGrfWnd::TopMargin,
                       *chart->PlotPicture);
    return p;
  }
  std::string Save(const std::string& name, int filter) {
    session.dialogs.QueueFileName((folder / name).string(), filter);
    chart->MnuSave->Click();
    return (folder / name).string();
  }
  std::string Panel(int i) const { return chart->StBar->PanelText(i); }

  fs::path folder;
};

struct AxisCase {
  const char* what;
  void (TGrfWnd::*command)(platform::Component*);
  double from, to;
  int tiles;
  double newFrom, newTo;
  int newTiles;
};

}  // namespace

TEST_F(ChartCommandsTest, TheYCommandsZoomAndMoveTheAxis) {
  const AxisCase cases[] = {
      {"zoom in", &TGrfWnd::BtnZoomInYClick, 0, 100, 10, 10, 90, 8},
      {"zoom in past the middle", &TGrfWnd::BtnZoomInYClick, 0, 100, 2, 50, 100, 10},
      {"zoom out", &TGrfWnd::BtnZoomOutYClick, 0, 100, 10, -10, 110, 10},
      {"zoom out of 4 tiles", &TGrfWnd::BtnZoomOutYClick, 0, 100, 4, -25, 125, 6},
      {"collapse", &TGrfWnd::BtnCollapsYClick, 0, 100, 10, 0, 90, 9},
      {"collapse the last tile", &TGrfWnd::BtnCollapsYClick, 0, 100, 1, 0, 100, 10},
      {"expand ten tiles below 0", &TGrfWnd::BtnExpandYClick, -20, -5, 10, -20, 10, 10},
      {"expand ten tiles", &TGrfWnd::BtnExpandYClick, 0, 40, 10, 0, 80, 10},
      {"expand five tiles", &TGrfWnd::BtnExpandYClick, 0, 50, 5, 0, 60, 6},
      {"up", &TGrfWnd::BtnMoveUpClick, 0, 100, 10, 10, 110, 10},
      {"down", &TGrfWnd::BtnMoveDownClick, 0, 100, 10, -10, 90, 10},
      {"tiles below 1 count as 1", &TGrfWnd::BtnMoveUpClick, 0, 100, 0, 100, 200, 1},
  };
  for (const AxisCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetAxis(1, c.from, c.to, c.tiles);
    (chart.get()->*c.command)(chart->BtnUpdate);
    EXPECT_DOUBLE_EQ(Axis(1).from, c.newFrom);
    EXPECT_DOUBLE_EQ(Axis(1).to, c.newTo);
    EXPECT_EQ(Axis(1).tiles, c.newTiles);
    EXPECT_DOUBLE_EQ(chart->AxisRange[1], c.newTo - c.newFrom);
  }
  // A log axis may have more than ten tiles.
  SetAxis(1, 0, 5, 10);
  chart->Axis[1].log = true;
  chart->BtnVertExpand->Click();
  EXPECT_EQ(Axis(1).tiles, 11);
}

TEST_F(ChartCommandsTest, TheSelectorChoosesTheAxesOfTheYCommands) {
  SetAxis(1, 0, 100, 10);
  SetAxis(2, 0, 100, 10, false);
  SetAxis(3, 0, 100, 10);
  chart->LayoutAxisGroups(0b101, true);
  ASSERT_EQ(chart->CBVarID->Items().All(), (std::vector<std::string>{"[all]", "[Y1]", "[Y3]"}));
  chart->CBVarID->UserSelect(2);  // "[Y3]"
  chart->BtnMoveUp->Click();
  EXPECT_DOUBLE_EQ(Axis(1).from, 0);
  EXPECT_DOUBLE_EQ(Axis(3).from, 10);
  chart->CBVarID->UserSelect(0);
  chart->BtnMoveUp->Click();
  EXPECT_DOUBLE_EQ(Axis(1).from, 10);
  EXPECT_DOUBLE_EQ(Axis(2).from, 0);  // not included
  EXPECT_DOUBLE_EQ(Axis(3).from, 20);
  // With no Y axis included, a selected axis is left alone.
  for (int k : {1, 3}) chart->Axis[size_t(k)].include = false;
  chart->CBVarID->UserSelect(2);
  chart->BtnMoveUp->Click();
  EXPECT_DOUBLE_EQ(Axis(3).from, 20);
}

TEST_F(ChartCommandsTest, TheXCommands) {
  const AxisCase cases[] = {
      {"collapse", &TGrfWnd::BtnCollapsXClick, 300, 800, 5, 300, 700, 4},
      {"collapse one tile", &TGrfWnd::BtnCollapsXClick, 300, 800, 1, 300, 800, 10},
      {"expand", &TGrfWnd::BtnExpandXClick, 300, 800, 5, 300, 900, 6},
      {"expand ten tiles", &TGrfWnd::BtnExpandXClick, 300, 800, 10, 300, 1600, 10},
      // Doubling an end below 0 would turn the axis over: it widens by the range instead.
      {"expand ten tiles below 0", &TGrfWnd::BtnExpandXClick, -8, -5, 10, -8, -2, 10},
      {"expand ten tiles at 0", &TGrfWnd::BtnExpandXClick, -8, 0, 10, -8, 8, 10},
      {"left", &TGrfWnd::BtnMoveLeftClick, 300, 800, 5, 200, 700, 5},
      {"right", &TGrfWnd::BtnMoveRightClick, 300, 800, 5, 400, 900, 5},
  };
  for (const AxisCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetAxis(0, c.from, c.to, c.tiles);
    (chart.get()->*c.command)(chart->BtnUpdate);
    EXPECT_DOUBLE_EQ(Axis(0).from, c.newFrom);
    EXPECT_DOUBLE_EQ(Axis(0).to, c.newTo);
    EXPECT_EQ(Axis(0).tiles, c.newTiles);
    EXPECT_GT(Axis(0).to, Axis(0).from);
  }
  // A log X adds a tile and a tile's width, past ten tiles too.
  SetAxis(0, 0, 10, 10);
  chart->Axis[0].log = true;
  chart->BtnExpandX->Click();
  EXPECT_DOUBLE_EQ(Axis(0).to, 11);
  EXPECT_EQ(Axis(0).tiles, 11);
}

TEST_F(ChartCommandsTest, TheMouseReadsOutXAndTheSelectedAxis) {
  SetAxis(0, 300, 800, 5);
  SetAxis(1, 0, 100, 10);
  SetAxis(3, -1, 1, 10);
  DrawPlot(536, 272);
  chart->LayoutAxisGroups(0b101, true);
  const int w = chart->GBox->PixelWidth(), h = chart->GBox->PixelHeight();
  ASSERT_EQ(w, 536);
  ASSERT_EQ(h, 272);
  chart->GBox->MouseMove(platform::ssNone, w / 4, h / 2);
  EXPECT_EQ(Panel(1), FloatToShortText(300 + 500.0 * (w / 4) / w));
  EXPECT_EQ(Panel(3), "0");  // "[all]"
  chart->CBVarID->UserSelect(2);
  chart->GBox->MouseMove(platform::ssNone, 0, h / 4);
  EXPECT_EQ(Panel(1), "300");
  EXPECT_EQ(Panel(3), FloatToShortText(0.5));
  // Log axes: e to the value, where that is a finite number.
  chart->Axis[0].log = true;
  chart->Axis[3].log = true;
  struct LogCase { double from, to; int x; std::string shown; } logs[] = {
      {0, 10, 268, FloatToShortText(std::exp(5.0))},
      {709, 711, 0, FloatToShortText(std::exp(709.0))},
      {710, 712, 0, "710"},   // e^710 is beyond a double
      {800, 810, 0, "800"},
  };
  for (const LogCase& c : logs) {
    SCOPED_TRACE(c.from);
    SetAxis(0, c.from, c.to, 5);
    chart->GBox->MouseMove(platform::ssNone, c.x, h);
    EXPECT_EQ(Panel(1), c.shown);
  }
  SetAxis(3, std::log(0.001), std::log(1000.0), 6);
  chart->GBox->MouseMove(platform::ssNone, 0, h / 2);
  EXPECT_EQ(Panel(3), "1");
  // A time axis: X in its unit and as a date and time.
  chart->Axis[0].log = false;
  chart->xTime = 60;
  chart->TimeOrigin = EncodeDateTime({2024, 3, 7, 10, 0, 0});
  SetAxis(0, 0, 7200, 4);
  chart->GBox->MouseMove(platform::ssNone, w / 2, h / 2);
  EXPECT_EQ(Panel(1), "60 | 2024-03-07 11:00:00");
  // Without the status bar nothing is read out.
  chart->StBar->SetVisible(false);
  chart->GBox->MouseMove(platform::ssNone, 0, 0);
  EXPECT_EQ(Panel(1), "60 | 2024-03-07 11:00:00");
}

TEST_F(ChartCommandsTest, TheSelectorShowsTheAxisWithItsScale) {
  chart->LayoutAxisGroups(0b101, true);
  AxisScaleExponent[3] = 3;
  chart->CBVarID->UserSelect(2);
  EXPECT_EQ(Panel(2), "[Y3] x 1 000");
  chart->CBVarID->UserSelect(1);
  EXPECT_EQ(Panel(2), "[Y1]");
  chart->CBVarID->UserSelect(0);
  EXPECT_EQ(Panel(2), "");
  AxisScaleExponent[3] = 0;
}

TEST_F(ChartCommandsTest, TheAutoSizeButtonTellsTheHookOnlyWhenClicked) {
  std::vector<bool> told;
  AutoSizeChangedHook = [&](bool on) { told.push_back(on); };
  chart->BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
  chart->BtnGraFit->Click();
  EXPECT_TRUE(chart->AutoSize());
  EXPECT_TRUE(para->Cbas0->Visible());
  chart->BtnGraFit->SetDown(false);
  chart->BtnGraFitClick(nullptr);
  EXPECT_FALSE(para->Cbas0->Visible());
  EXPECT_EQ(told, (std::vector<bool>{true}));
}

TEST_F(ChartCommandsTest, TheSeriesPopupAndItsItems) {
  chart->LayoutAxisGroups(0b11, true);
  for (int n : {1, 2, 11}) ShowSeries(n, "s" + std::to_string(n));
  platform::CheckBox* box = chart->Series[2].checkBox;
  // On a series box: its name, colour and style; on a group: neither.
  box->ContextPopup(0, 0);
  EXPECT_TRUE(chart->PopVariable->Visible());
  EXPECT_EQ(chart->PopVariable->Caption(), "s2");
  EXPECT_TRUE(chart->PopColor1->Visible());
  EXPECT_TRUE(chart->PopGrfStyle->Visible());
  session.dialogs.QueueColor(RGB(9, 8, 7));
  chart->PopColor1->Click();
  EXPECT_EQ(chart->Series[2].colour, RGB(9, 8, 7));
  EXPECT_EQ(box->Font().Color, RGB(9, 8, 7));
  EXPECT_EQ(session.dialogs.color_requests.back(), RGB(0, 31, 159));  // starts at the series colour
  session.dialogs.QueueColorCancel();
  chart->PopColor1->Click();
  EXPECT_EQ(chart->Series[2].colour, RGB(9, 8, 7));
  chart->PopGStylePoint->Click();
  EXPECT_EQ(chart->Series[2].style, 0);
  EXPECT_EQ(chart->Series[1].style, 1);
  chart->PopPenBold->Click();
  EXPECT_EQ(chart->Series[2].penWidth, 2);
  EXPECT_TRUE(box->Font().Bold);
  EXPECT_EQ(chart->Series[1].penWidth, 1);
  // Style is offered only with the Settings item "Style".
  chart->MnuStyle->SetVisible(false);
  box->ContextPopup(0, 0);
  EXPECT_FALSE(chart->PopGrfStyle->Visible());
  chart->MnuStyle->SetVisible(true);
  // On the group of Y1: a pen for all of its series; Deselect All, Select All.
  chart->GbxY[1]->ContextPopup(0, 0);
  EXPECT_FALSE(chart->PopVariable->Visible());
  EXPECT_FALSE(chart->PopColor1->Visible());
  EXPECT_FALSE(chart->PopGrfStyle->Visible());
  chart->PopPenBold->Click();
  EXPECT_EQ(chart->Series[1].penWidth, 2);
  EXPECT_EQ(chart->Series[11].penWidth, 1);
  chart->PopDeselectAll->Click();
  EXPECT_FALSE(Axis(1).include);
  EXPECT_EQ(chart->Series[1].shown, 0);
  EXPECT_FALSE(chart->Series[2].checkBox->Checked());
  EXPECT_EQ(chart->Series[11].shown, 1);
  // Select All from a series box of Y2 takes its group and selects it.
  chart->Series[11].checkBox->ContextPopup(0, 0);
  chart->Series[11].shown = 0;
  chart->PopSelectAll->Click();
  EXPECT_TRUE(Axis(2).include);
  EXPECT_EQ(chart->Series[11].shown, 1);
  EXPECT_TRUE(chart->Series[11].checkBox->Checked());
  EXPECT_EQ(chart->CBVarID->ItemIndex(), 2);
  EXPECT_EQ(Panel(2), "[Y2]");
  EXPECT_FALSE(chart->SuppressCheckBoxClicks);
}

TEST_F(ChartCommandsTest, TheSettingsItemsPenStyleAndFollowTime) {
  for (int n : {1, 12}) ShowSeries(n);
  chart->MnuBold->Click();
  EXPECT_EQ(chart->Series[0].penWidth, 2);
  EXPECT_TRUE(chart->MnuBold->Checked());
  EXPECT_FALSE(chart->MnuThin->Checked());
  EXPECT_EQ(chart->Series[12].penWidth, 2);
  EXPECT_TRUE(chart->Series[12].checkBox->Font().Bold);
  EXPECT_EQ(chart->Series[30].penWidth, 1);  // no box
  chart->MnuThin->Click();
  EXPECT_EQ(chart->Series[1].penWidth, 1);
  EXPECT_FALSE(chart->Series[1].checkBox->Font().Bold);
  chart->MnuStylePoint->Click();
  EXPECT_EQ(chart->Series[90].style, 0);
  EXPECT_TRUE(chart->MnuStylePoint->Checked());
  // "Follow Time": either item toggles both, without a redraw.
  chart->RedrawNeeded = false;
  chart->MnuFollowTime->Click();
  EXPECT_TRUE(chart->MnuFollowTime->Checked());
  EXPECT_TRUE(chart->PopFollowTime->Checked());
  chart->PopFollowTime->Click();
  EXPECT_FALSE(chart->MnuFollowTime->Checked());
  EXPECT_FALSE(chart->PopFollowTime->Checked());
  EXPECT_FALSE(chart->RedrawNeeded);
}

TEST_F(ChartCommandsTest, TheSplitterWidensTheSeriesBoxes) {
  ShowSeries(3);
  chart->GbxY[1]->SetWidth(180);
  chart->Splitter1->UserMoved();
  EXPECT_EQ(chart->Series[3].checkBox->Width(), 172);
  chart->GbxY[1]->SetWidth(30);
  chart->Splitter1->UserMoved();
  EXPECT_EQ(chart->Series[3].checkBox->Width(), 172);
}

TEST_F(ChartCommandsTest, TheFreePictureSize) {
  DrawnChart();
  chart->MnuFreeSize->Click();
  EXPECT_TRUE(chart->PanelSize->Visible());
  EXPECT_EQ(chart->CoolBar1->Height(), chart->ToolBar1->Height() + chart->PanelSize->Height() + 2);
  EXPECT_EQ(chart->EdtSizeWidth->Text(), "600");
  EXPECT_EQ(chart->EdtSizeHeigh->Text(), "400");
  struct SizeCase { const char* width; const char* height; int w, h; } sizes[] = {
      {"150", "300", 200, 300}, {"5000", "250", 1000, 250}, {"640", "x", 640, 200}};
  for (const SizeCase& c : sizes) {
    SCOPED_TRACE(c.width);
    chart->EdtSizeWidth->UserSetText(c.width);
    chart->EdtSizeHeigh->UserSetText(c.height);
    chart->BtnSizeSet->Click();
    EXPECT_EQ(chart->FBox->Width(), c.w);
    EXPECT_EQ(chart->FBox->Height(), c.h);
    EXPECT_EQ(chart->ChartPicture->Width(), c.w);
    EXPECT_EQ(chart->ChartPicture->Height(), c.h);
  }
  EXPECT_EQ(chart->FBox->GetAlign(), platform::Align::None);
  EXPECT_EQ(chart->FBox->Left(), chart->PnlVarbox->Width() + 8);
  EXPECT_EQ(chart->FBox->Top(), chart->CoolBar1->Height() + 2);
  EXPECT_EQ(Panel(3), "Grafik Size: " + std::to_string(chart->PlotWidth) + " : " + std::to_string(chart->PlotHeight));
  EXPECT_EQ(chart->PlotWidth, 640 - chart->LeftMargin - 32);
  // The arrows: 100 at a time, within 200..1000.
  struct ArrowCase { platform::UpDown* updown; platform::UpDownButton button; int w, h; } arrows[] = {
      {chart->UpDownHorz, platform::UpDownButton::Next, 740, 200},
      {chart->UpDownHorz, platform::UpDownButton::Prev, 640, 200},
      {chart->UpDownVert, platform::UpDownButton::Prev, 640, 300},
      {chart->UpDownVert, platform::UpDownButton::Next, 640, 200},
      {chart->UpDownVert, platform::UpDownButton::Next, 640, 200},
  };
  for (const ArrowCase& c : arrows) {
    c.updown->UserStep(c.button == platform::UpDownButton::Next);
    EXPECT_EQ(chart->FBox->Width(), c.w);
    EXPECT_EQ(chart->FBox->Height(), c.h);
  }
  EXPECT_EQ(chart->EdtSizeWidth->Text(), "640");
  EXPECT_EQ(chart->EdtSizeHeigh->Text(), "200");
  for (int i = 0; i < 5; ++i) chart->UpDownHorz->UserStep(true);
  EXPECT_EQ(chart->FBox->Width(), 1000);
  // The arrow keys in the edits: one pixel at a time.
  EXPECT_EQ(chart->EdtSizeHeigh->KeyDown(platform::Key::Down), 0);
  EXPECT_EQ(chart->FBox->Height(), 201);
  chart->EdtSizeWidth->KeyDown(platform::Key::Left);
  EXPECT_EQ(chart->FBox->Width(), 999);
  chart->EdtSizeHeigh->KeyDown(platform::Key::Up);
  chart->EdtSizeHeigh->KeyDown(platform::Key::Up);
  EXPECT_EQ(chart->FBox->Height(), 200);
  EXPECT_EQ(chart->EdtSizeWidth->Text(), "999");
  // "Auto Size": the box fills the window again and the panel goes.
  chart->BtnAutoSize->Click();
  EXPECT_EQ(chart->FBox->GetAlign(), platform::Align::Client);
  EXPECT_FALSE(chart->PanelSize->Visible());
  EXPECT_EQ(chart->CoolBar1->Height(), chart->ToolBar1->Height() + 2);
}

TEST_F(ChartCommandsTest, CopyPutsTheComposedPictureOnTheClipboard) {
  DrawnChart();
  chart->FBox->SetBounds(20, 30, 600, 400);
  chart->MnuUpdateClick(chart->MnuUpdate);
  chart->PopCopy->Click();
  ASSERT_NE(session.clipboard.picture, nullptr);
  EXPECT_TRUE(session.clipboard.picture->SamePixels(Composed()));
  // The plot is in it, at the plot offset: the chart picture alone has none.
  const Picture& copied = *session.clipboard.picture;
  int blue = 0;
  for (int y = 0; y < copied.Height(); ++y)
    for (int x = 0; x < copied.Width(); ++x) blue += copied.Pixel(x, y) == chart->Series[1].colour;
  EXPECT_GT(blue, 300);
}

TEST_F(ChartCommandsTest, SaveAsNamesTheFileByTypeAndAsksBeforeReplacing) {
  DrawnChart();
  struct NameCase { const char* typed; int filter; const char* written; } names[] = {
      {"chart", 1, "chart.jpg"},
      {"photo.jpeg", 2, "photo.jpeg"},
      {"other.JPE", 2, "other.JPE"},
      {"chart.png", 2, "chart.png.bmp"},
      {"plain.bmp", 1, "plain.bmp"},
  };
  for (const NameCase& c : names) {
    SCOPED_TRACE(c.typed);
    Save(c.typed, c.filter);
    EXPECT_TRUE(fs::exists(folder / c.written));
  }
  ASSERT_EQ(session.dialogs.file_requests.size(), 5u);
  EXPECT_EQ(session.dialogs.file_requests[0].Title, "Save Graphic");
  EXPECT_EQ(session.dialogs.file_requests[0].Filter, "Jpeg (*.jpg)|*.jpg;*.jpeg|Bitmap (*.bmp)|*.bmp");
  EXPECT_TRUE(session.dialogs.messages.empty());
  Picture bmp;
  ASSERT_TRUE(platform::LoadBmp((folder / "plain.bmp").string(), bmp));
  EXPECT_TRUE(bmp.SamePixels(Composed()));
  // An existing file: No leaves it, Yes writes it.
  std::ofstream((folder / "old.bmp").string(), std::ios::binary) << "old";
  session.dialogs.QueueMessageAnswer(platform::mrNo);
  Save("old.bmp", 2);
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  const auto& question = session.dialogs.messages[0];
  EXPECT_EQ(question.caption, "Graphic Save as");
  EXPECT_EQ(question.text, (folder / "old.bmp").string() + "  File exists, replace ?");
  EXPECT_EQ(platform::MsgButtons(question.flags), platform::mbYesNo);
  EXPECT_EQ(platform::MsgIcon(question.flags), platform::mbIconQuestion);
  EXPECT_EQ(fs::file_size(folder / "old.bmp"), 3u);
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  Save("old.bmp", 2);
  EXPECT_GT(fs::file_size(folder / "old.bmp"), 3u);
  // Cancel saves nothing.
  const size_t asked = session.dialogs.file_requests.size();
  session.dialogs.QueueFileCancel();
  chart->MnuSave->Click();
  EXPECT_EQ(session.dialogs.file_requests.size(), asked + 1);
}

TEST_F(ChartCommandsTest, TheSavedJpegDecodesBackToThePicture) {
  DrawnChart();
  const std::string path = Save("chart", 1) + ".jpg";
  Picture jpeg;
  ASSERT_TRUE(platform::LoadJpeg(path, jpeg));
  const Picture expected = Composed();
  ASSERT_EQ(jpeg.Width(), expected.Width());
  ASSERT_EQ(jpeg.Height(), expected.Height());
  // Quality 90: the mean difference of a channel is a fraction of one level in 255.
  double difference = 0;
  auto channels = [](TColor c) { return std::array<int, 3>{int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)}; };
  for (int y = 0; y < jpeg.Height(); ++y)
    for (int x = 0; x < jpeg.Width(); ++x) {
      const auto a = channels(jpeg.Pixel(x, y)), b = channels(expected.Pixel(x, y));
      for (int i = 0; i < 3; ++i) difference += std::abs(a[size_t(i)] - b[size_t(i)]);
    }
  difference /= 3.0 * jpeg.Width() * jpeg.Height();
  EXPECT_LT(difference, 2.0);
  // The series stays blue where it was drawn: at every one of its pixels the JPEG has a pixel
  // nearby that is much more blue than red or green.
  const TColor blue = chart->Series[1].colour;
  int segment = 0, found = 0;
  for (int y = 1; y + 1 < expected.Height(); ++y)
    for (int x = 1; x + 1 < expected.Width(); ++x) {
      if (expected.Pixel(x, y) != blue) continue;
      ++segment;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const auto c = channels(jpeg.Pixel(x + dx, y + dy));
          near = c[2] > 160 && c[0] < 110 && c[1] < 110;
        }
      found += near;
    }
  ASSERT_GT(segment, 300);
  EXPECT_GE(found, segment * 95 / 100);
}

TEST_F(ChartCommandsTest, AFailedSaveIsReportedAndWritesNothing) {
  DrawnChart();
  for (auto [name, filter] : {std::pair{"missing/chart.jpg", 1}, std::pair{"missing/chart.bmp", 2}}) {
    SCOPED_TRACE(name);
    log.sink.Clear();
    session.dialogs.messages.clear();
    const std::string path = Save(name, filter);
    EXPECT_FALSE(fs::exists(folder / "missing"));
    ASSERT_TRUE(log.sink.Has(ChartPictureNotSavedId));
    const LoggedMessage& m = log.sink.messages.back();
    EXPECT_EQ(m.level, LevelError);
    EXPECT_EQ(m.text.rfind(path + " can not be saved ! (", 0), 0u) << m.text;
    EXPECT_GT(m.text.size(), path.size() + 30);
    ASSERT_EQ(session.dialogs.messages.size(), 1u);
    EXPECT_EQ(session.dialogs.messages[0].text, m.text);
    EXPECT_EQ(platform::MsgIcon(session.dialogs.messages[0].flags), platform::mbIconError);
  }
}

TEST_F(ChartCommandsTest, AReadOnlyPictureIsRefusedAndALinkedOneIsReplacedThroughItsLink) {
  DrawnChart();
  for (auto [name, filter] : {std::pair{"kept.jpg", 1}, std::pair{"kept.bmp", 2}}) {
    SCOPED_TRACE(name);
    const fs::path file = folder / name;
    std::ofstream(file.string(), std::ios::binary) << "old";
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    log.sink.Clear();
    session.dialogs.messages.clear();
    session.dialogs.QueueMessageAnswer(platform::mrYes);  // "File exists, replace ?"
    const std::string path = Save(name, filter);
    EXPECT_EQ(fs::file_size(file), 3u);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_TRUE(log.sink.Has(ChartPictureNotSavedId));
    EXPECT_EQ(log.sink.messages.back().text.rfind(path + " can not be saved ! (", 0), 0u)
        << log.sink.messages.back().text;
    ASSERT_EQ(session.dialogs.messages.size(), 2u);  // the question, then the refusal
    EXPECT_EQ(session.dialogs.messages[1].text, log.sink.messages.back().text);
  }
  for (const auto& e : fs::directory_iterator(folder))  // no temporary file is left
    EXPECT_EQ(e.path().filename().string().find(".~"), std::string::npos) << e.path();

  // Through a symbolic link the picture it names is written; the link stays a link.
  fs::create_directory(folder / "real");
  std::ofstream((folder / "real" / "chart.bmp").string(), std::ios::binary) << "old";
  fs::create_symlink(folder / "real" / "chart.bmp", folder / "link.bmp");
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  Save("link.bmp", 2);
  EXPECT_TRUE(fs::is_symlink(folder / "link.bmp"));
  Picture bmp;
  ASSERT_TRUE(platform::LoadBmp((folder / "real" / "chart.bmp").string(), bmp));
  EXPECT_TRUE(bmp.SamePixels(Composed()));
}

TEST_F(ChartCommandsTest, LunettaResetsTheScalesAndStoresTheCheckMarks) {
  for (int k = 1; k <= 8; ++k) {
    para->ScaleCombo[size_t(k)]->SetItemIndex(5);
    AxisScaleExponent[size_t(k)] = 6;
    AxisScaleFactor[size_t(k)] = 1e6;
  }
  chart->ResetChartCurves();
  for (int k = 1; k <= 8; ++k) {
    EXPECT_EQ(para->ScaleCombo[size_t(k)]->ItemIndex(), 3);
    EXPECT_EQ(para->ScaleCombo[size_t(k)]->Text(), "x 1");
    EXPECT_FALSE(para->ScaleCombo[size_t(k)]->Visible());
    EXPECT_EQ(AxisScaleExponent[size_t(k)], 0);
    EXPECT_DOUBLE_EQ(AxisScaleFactor[size_t(k)], 1.0);
  }
  ShowSeries(4);
  ShowSeries(5);
  chart->Series[5].checkBox->SetChecked(false);
  chart->Series[7].shown = 1;  // no box
  chart->StoreCurveStates();
  EXPECT_EQ(chart->Series[4].shown, 1);
  EXPECT_EQ(chart->Series[5].shown, 0);
  EXPECT_EQ(chart->Series[7].shown, 0);
}

// The chart font is 10 points: its scale numbers and rotated titles are drawn in pixels of
// that size (13 at 96 dpi; a size in points taken as a pixel cell gave digits 6 pixels high),
// the unrotated scale two points smaller, both grown with the screen's scale; a rotated text
// stays within the 16 pixels of its axis and within the picture.
TEST_F(ChartCommandsTest, TheChartTextIsReadable) {
  struct Ink { int x0 = 1 << 20, x1 = -1, y0 = 1 << 20, y1 = -1; };
  auto ink = [](const Picture& p) {
    Ink i;
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x)
        if (p.Pixel(x, y) == platform::clBlack) {
          i.x0 = std::min(i.x0, x);
          i.x1 = std::max(i.x1, x);
          i.y0 = std::min(i.y0, y);
          i.y1 = std::max(i.y1, y);
        }
    return i;
  };
  auto draw = [this](int x, int y, const std::string& text, int angle) {
    Picture p(160, 160);
    p.Fill(platform::clWhite);
    platform::Canvas& c = p.GetCanvas();
    c.Font = chart->ChartFont;
    c.Font.Color = platform::clBlack;
    chart->DrawChartText(x, y, c, text, angle);
    return p;
  };
  // Digits stand about three quarters of the em: 8 of 10.7 pixels, 9 of 13.
  Ink flat = ink(draw(10, 10, "0123456789", 0));
  EXPECT_GE(flat.y1 - flat.y0 + 1, 8);
  // The box the chart keeps of each text (for its layout) holds the text's ink.
  auto inBox = [this](const Ink& i) {
    const platform::Rect& b = chart->TextBoxes.back().box;
    return i.x0 >= b.Left && i.x1 < b.Right && std::max(i.y0, 0) >= std::max(b.Top, 0) && i.y1 < b.Bottom;
  };
  EXPECT_TRUE(inBox(flat));
  Ink up = ink(draw(10, 150, "0123456789", 900));
  EXPECT_GE(up.x1 - up.x0 + 1, 9);
  EXPECT_TRUE(inBox(up));
  // On a screen that shows the chart 1.5 times as large, the texts grow with it.
  chart->FBox->SetBounds(0, 0, 400, 200);
  chart->FBox->UserResizePixels(600, 300);
  EXPECT_DOUBLE_EQ(chart->TextScale(), 1.5);
  flat = ink(draw(10, 10, "0123456789", 0));
  EXPECT_GE(flat.y1 - flat.y0 + 1, 11);
  EXPECT_TRUE(inBox(flat));
  const Ink small = up;
  up = ink(draw(10, 150, "0123456789", 900));
  EXPECT_GT(up.x1 - up.x0, small.x1 - small.x0);
  EXPECT_TRUE(inBox(up));
}
