// The chart in real Qt windows (QT_QPA_PLATFORM=offscreen): a pixel-exact paint box shows its
// picture one to one at the real size of its widget; Orvanto's chart window, shown by its
// "Graphic" button, draws two fed series and shows on screen exactly the pictures it drew;
// three calculations through "Calculation" are plotted in the shown chart, and "Save as .."
// writes bitmap and JPEG files of what it shows; Lunetta shows its chart from Window>Graphic,
// with no time axis among its chart variables. The windows are saved as pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "equilibrium/EqlMain.h"
#include "equilibrium/Phase.h"
#include "equilibrium/RcrdDef.h"
#include "gui/Gui.h"
#include "../support/chart_text_boxes.h"
#include "gui/QtServices.h"
#include "gui/ViewBase.h"
#include "platform/Components.h"
#include "platform/ImageFiles.h"
#include "platform/Picture.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "records_charts/GrfPara.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "records_charts/TablOprt.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"

namespace fs = std::filesystem;
using namespace quorel;

namespace {

// As the event loop does between events: new windows and components get their widgets.
void Settle() {
  gui::Sync();
  for (int i = 0; i < 3; ++i) platform::ProcessMessages();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A temporary home with the shipped database, as a user starts the programs.
class ChartGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() / ("quorel_chart_gui_" + std::to_string(getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
    const char* h = std::getenv("HOME");
    const char* x = std::getenv("XDG_CONFIG_HOME");
    saved_home_ = h ? h : "";
    saved_config_ = x ? x : "";
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
    saved_folder_ = ProgramFolder();
    SetProgramFolder(QUOREL_SOURCE_DIR "/data");
    InitElementTable();
    if (!QCoreApplication::instance()) app_ = std::make_unique<gui::Application>(argc_, argv_);
  }
  void TearDown() override {
    app_.reset();
    InitElementTable();
    ClearDatabase();
    SetProgramFolder(saved_folder_);
    if (saved_home_.empty()) unsetenv("HOME");
    else setenv("HOME", saved_home_.c_str(), 1);
    if (saved_config_.empty()) unsetenv("XDG_CONFIG_HOME");
    else setenv("XDG_CONFIG_HOME", saved_config_.c_str(), 1);
    fs::remove_all(home_);
  }
  // The chart's MDI window (title bar and frame included) as a PNG below the build folder.
  static void SaveChartWindow(const TGrfWnd& chart, const std::string& name) {
    QWidget* w = gui::WidgetOf(&chart);
    ASSERT_NE(w, nullptr);
    QWidget* frame = qobject_cast<QMdiSubWindow*>(w->parentWidget()) ? w->parentWidget() : w;
    const std::string path = QUOREL_BUILD_DIR "/" + name;
    fs::remove(path);
    ASSERT_TRUE(frame->grab().save(QString::fromStdString(path), "PNG"));
    EXPECT_GT(fs::file_size(path), 3000u);
  }
  // On screen exactly what the chart drew: the plot box is the plot picture, and the chart
  // box the chart picture with the plot over it at the plot offset.
  static void ExpectShownAsDrawn(const TGrfWnd& chart) {
    QWidget* fbox = gui::WidgetOf(chart.FBox);
    QWidget* gbox = gui::WidgetOf(chart.GBox);
    ASSERT_NE(fbox, nullptr);
    ASSERT_NE(gbox, nullptr);
    EXPECT_EQ(chart.FBox->PixelWidth(), fbox->width());
    EXPECT_EQ(chart.FBox->PixelHeight(), fbox->height());
    EXPECT_EQ(chart.ChartPicture->Width(), fbox->width());
    EXPECT_EQ(chart.ChartPicture->Height(), fbox->height());
    EXPECT_EQ(gbox->geometry(), QRect(chart.LeftMargin, TGrfWnd::TopMargin, chart.PlotWidth, chart.PlotHeight));
    const QImage plot = gbox->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(plot, gui::ToQImage(*chart.PlotPicture));
    platform::Picture whole = *chart.ChartPicture;
    whole.GetCanvas().Draw(chart.LeftMargin, TGrfWnd::TopMargin, *chart.PlotPicture);
    EXPECT_EQ(fbox->grab().toImage().convertToFormat(QImage::Format_RGB32), gui::ToQImage(whole));
  }

  fs::path home_;
  std::string saved_home_, saved_config_, saved_folder_;
  std::unique_ptr<gui::Application> app_;
  static inline int argc_ = 1;
  static inline char name_[] = "chart_gui";
  static inline char* argv_[] = {name_, nullptr};
};

TEST_F(ChartGuiTest, PixelExactPaintBoxShowsItsPictureOneToOne) {
  platform::Form main(nullptr, "TestMainChart");
  platform::Screen::SetMainForm(&main);
  platform::Form form(nullptr, "PixelForm");
  form.SetBounds(0, 0, 400, 300);
  auto* side = platform::Make<platform::Panel>(&form, "Side");
  side->SetAlign(platform::Align::Left);
  side->SetWidth(80);
  auto* box = platform::Make<platform::PaintBox>(&form, "Exact");
  box->SetAlign(platform::Align::Client);
  box->SetPixelExact(true);
  auto* inner = platform::Make<platform::PaintBox>(box, "Inner");
  inner->SetPixelExact(true);
  inner->SetBounds(10, 20, 50, 30);
  auto red = std::make_shared<platform::Picture>(50, 30);
  red->Fill(platform::clRed);
  inner->SetRaster(red);
  auto picture = std::make_shared<platform::Picture>();
  int resizes = 0;
  box->OnResize = [&](platform::Component*) { ++resizes; };
  box->OnPaint = [&](platform::Component*) {
    // A picture of the box's real pixels: a one-pixel checker board shows any scaling.
    picture->SetSize(box->PixelWidth(), box->PixelHeight());
    for (int y = 0; y < picture->Height(); ++y)
      for (int x = 0; x < picture->Width(); ++x)
        picture->SetPixel(x, y, (x + y) % 2 ? platform::clBlack : platform::clWhite);
    box->SetRaster(picture);
  };
  int mx = -1, my = -1;
  inner->OnMouseMove = [&](platform::Component*, platform::ShiftState, int x, int y) {
    mx = x;
    my = y;
  };
  gui::Show(&form);
  Settle();
  const gui::LayoutScale sc = gui::ScaleOf(&form);
  QWidget* w = gui::WidgetOf(box);
  ASSERT_NE(w, nullptr);
  // The designed bounds stay designed; the pixels are the widget's.
  EXPECT_EQ(box->Width(), 320);
  EXPECT_EQ(w->width(), sc.X(400) - sc.X(80));
  EXPECT_EQ(box->PixelWidth(), w->width());
  EXPECT_EQ(box->PixelHeight(), w->height());
  EXPECT_GT(resizes, 0);
  platform::Picture shown = *picture;
  shown.GetCanvas().Draw(10, 20, *red);
  EXPECT_EQ(w->grab().toImage().convertToFormat(QImage::Format_RGB32), gui::ToQImage(shown));
  // What lies on it is placed in its pixels, and the mouse comes in pixels.
  QWidget* iw = gui::WidgetOf(inner);
  ASSERT_NE(iw, nullptr);
  EXPECT_EQ(iw->geometry(), QRect(10, 20, 50, 30));
  QMouseEvent move(QEvent::MouseMove, QPointF(7, 9), iw->mapToGlobal(QPointF(7, 9)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(iw, &move);
  EXPECT_EQ(mx, 7);
  EXPECT_EQ(my, 9);
  // A larger window: the box learns its new pixels.
  const int before = resizes;
  form.SetBounds(0, 0, 500, 300);
  Settle();
  EXPECT_GT(resizes, before);
  EXPECT_EQ(box->PixelWidth(), w->width());
  EXPECT_EQ(w->width(), sc.X(500) - sc.X(80));
  gui::UnbindAll();
  platform::Screen::SetMainForm(nullptr);
}

TEST_F(ChartGuiTest, OrvantoDrawsTwoFedSeries) {
  OrvantoWindows windows;
  TEqlMainWnd& m = *windows.Main;
  m.StartUp();
  m.MnuSaveByExit->SetChecked(false);
  m.SetWindowState(platform::WindowState::Normal);
  m.SetBounds(0, 0, 1200, 760);
  gui::Show(&m);
  Settle();
  TGrfWnd& chart = *windows.Chart;
  chart.Close();
  Settle();
  ASSERT_TRUE(m.BtnGraphic->UserClick());
  Settle();
  EXPECT_EQ(chart.GetWindowState(), platform::WindowState::Normal);
  ASSERT_NE(gui::WidgetOf(&chart), nullptr);
  EXPECT_TRUE(gui::WidgetOf(&chart)->isVisible());
  chart.SetBounds(10, 10, 720, 520);
  Settle();

  // Two series, as the chart variables would assign them: T on Y1, CO2 on Y3.
  chart.GbxY[1]->SetCaption("T [K]");
  chart.GbxY[3]->SetCaption("n(CO2)");
  chart.Axis[0] = ChartAxis{true, false, 5, 0, 10, "Run"};
  chart.Axis[1] = ChartAxis{true, false, 8, 1000, 3000, "T [K]"};
  chart.Axis[3] = ChartAxis{true, false, 5, 0, 1, "n(CO2) [mol]"};
  chart.ComputeAxisRanges();
  chart.LayoutAxisGroups(0b101, true);
  chart.ShowSeriesCheckBox(1, "T [K]");
  chart.ShowSeriesCheckBox(21, "n(CO2)");
  chart.Series[21].style = 0;
  Settle();
  for (int n : {1, 21}) {
    QWidget* box = gui::WidgetOf(chart.Series[n].checkBox);
    ASSERT_NE(box, nullptr) << n;
    chart.Series[n].checkBox->UserClick();
  }
  EXPECT_EQ(chart.Series[1].shown, 1);
  EXPECT_EQ(chart.Series[21].shown, 1);
  // The plus and minus keys on a series box change its marker.
  QWidget* box21 = gui::WidgetOf(chart.Series[21].checkBox);
  for (auto [key, text] : {std::pair{Qt::Key_Plus, "+"}, std::pair{Qt::Key_Plus, "+"}, std::pair{Qt::Key_Minus, "-"}}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(text));
    QApplication::sendEvent(box21, &press);
  }
  EXPECT_EQ(chart.Series[21].markerRadius, 4);
  for (int i = 0; i <= 10; ++i) {
    chart.AddChartValue(0, i);
    chart.AddChartValue(1, 1500 + 1000 * std::sin(i / 3.0) * std::sin(i / 3.0));
    chart.AddChartValue(21, 0.1 + 0.08 * i);
    chart.DrawNewestPoint();
  }
  Settle();
  EXPECT_GT(chart.Points.count, 10);
  ExpectShownAsDrawn(chart);
  // The series are in the plot: their colours at the newest points.
  const platform::Picture& plot = *chart.PlotPicture;
  int blue = 0, red = 0;
  for (int y = 0; y < plot.Height(); ++y)
    for (int x = 0; x < plot.Width(); ++x) {
      blue += plot.Pixel(x, y) == chart.Series[1].colour;
      red += plot.Pixel(x, y) == chart.Series[21].colour;
    }
  EXPECT_GT(blue, 200);
  EXPECT_GT(red, 50);
  // A full redraw shows the same.
  chart.MnuUpdateClick(chart.MnuUpdate);
  Settle();
  ExpectShownAsDrawn(chart);
  SaveChartWindow(chart, "orvanto_chart.png");
  gui::UnbindAll();
}

// The save dialog, as a user answers it: the file name and the type.
void AnswerSaveDialog(const std::string& path, int filter) {
  QTimer::singleShot(0, [path, filter] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), QString("Save Graphic"));
    ASSERT_GE(d->nameFilters().size(), filter);
    d->selectNameFilter(d->nameFilters()[filter - 1]);
    d->selectFile(QString::fromStdString(path));
    static_cast<QDialog*>(d)->accept();
  });
}

// The part of a picture at (x, y) of the size of another.
platform::Picture Part(const platform::Picture& p, int x, int y, int w, int h) {
  platform::Picture part(w, h);
  part.GetCanvas().CopyRect({0, 0, w, h}, p, {x, y, x + w, y + h});
  return part;
}

TEST_F(ChartGuiTest, OrvantoPlotsThreeCalculationsAndSavesThePicture) {
  qputenv("QUOREL_PLAIN_DIALOGS", "1");
  OrvantoWindows windows;
  TEqlMainWnd& m = *windows.Main;
  m.StartUp();
  m.MnuSaveByExit->SetChecked(false);
  m.SetWindowState(platform::WindowState::Normal);
  m.SetBounds(0, 0, 1200, 760);
  gui::Show(&m);
  Settle();
  windows.Kernel->PumpIntervalMicroseconds = 0;
  // CH4 + 2 O2 and its products in Gas1.
  platform::StringGrid& gas = *PhaseSlotTable[1].Grid;
  const char* species[] = {"CH4", "O2", "CO2", "H2O", "CO", "H2", "OH", "H", "O"};
  gas.SetRowCount(10);
  for (int r = 1; r <= 9; ++r) {
    gas.SetCells(ColKey, r, std::string(species[r - 1]) + " (g)");
    gas.SetCells(ColIn, r, r == 1 ? "1" : r == 2 ? "2" : "");
  }
  // Record variables T (in K) and CO2 out of Gas1.
  m.MnuTempK->Click();
  QMetaObject::invokeMethod(
      qApp,
      [] {
        TRcrdDefDlg& d = *RcrdDefDlg;
        d.CBState->UserSelect(0);
        d.ButtonAdd0->UserClick();
        d.CBRow->UserSelect(3);
        d.CBCol->UserSelect(ColOut - 1);
        d.ButtonAdd1->UserClick();
        d.ButtonAccept->UserClick();
      },
      Qt::QueuedConnection);
  ASSERT_TRUE(m.BtnRecordVar->UserClick());
  ASSERT_EQ(RcrdDefDlg->RecordVariableCount, 2);
  // The chart variables: X the T column, CO2 on Y1.
  ASSERT_TRUE(m.BtnGrfVar->UserClick());
  Settle();
  TGrfVarDlg& v = *windows.ChartVariables;
  ASSERT_TRUE(gui::WidgetOf(&v) && gui::WidgetOf(&v)->isVisible());
  v.CBX->UserSelect(1);
  v.CBY->UserSelect(2);
  v.EditName[1]->UserSetText("CO2 [mol]");
  ASSERT_TRUE(v.ButtonAdd->UserClick());
  v.EditCaption->UserSetText("CH4 + 2 O2, 1 bar");
  Settle();
  ASSERT_TRUE(gui::GrabToPng(&v, QUOREL_BUILD_DIR "/orvanto_chart_variables.png"));
  ASSERT_TRUE(v.ButtonOK->UserClick());
  Settle();
  // The chart shown, its axes set in the format dialog, the series ticked.
  TGrfWnd& chart = *windows.Chart;
  ASSERT_TRUE(m.BtnGraphic->UserClick());
  chart.SetBounds(10, 10, 720, 520);
  Settle();
  ASSERT_TRUE(chart.Series[1].checkBox->UserClick());
  TGrfParaDlg& f = *windows.ChartFormat;
  chart.FormatAxisClick(chart.MnuFormatAxis);
  const char* ranges[2][3] = {{"1500", "3500", "4"}, {"0", "1", "5"}};
  for (int k = 0; k < 2; ++k) {
    f.FromEdit[size_t(k)]->UserSetText(ranges[k][0]);
    f.ToEdit[size_t(k)]->UserSetText(ranges[k][1]);
    f.TileEdit[size_t(k)]->UserSetText(ranges[k][2]);
  }
  ASSERT_TRUE(f.BtnAccept->UserClick());
  f.Hide();
  for (const char* t : {"3000", "2000", "2500"}) {
    SCOPED_TRACE(t);
    m.EditTsys->UserSetText(t);
    ASSERT_TRUE(m.BtnCalc->UserClick());
    Settle();
    ASSERT_TRUE(m.ResultsValidFlag);
    const platform::StringGrid& records = *TablOprtWnd->SGT;
    ASSERT_EQ(chart.Points.count, records.RowCount() - 1);
    for (int i = 0; i < chart.Points.count; ++i) {
      EXPECT_DOUBLE_EQ(chart.Points.columns[0][size_t(i)], TextToDouble(records.Cells(1, i + 1)));
      EXPECT_DOUBLE_EQ(chart.Points.columns[1][size_t(i)], TextToDouble(records.Cells(2, i + 1)));
    }
  }
  EXPECT_EQ(chart.Points.count, 3);
  EXPECT_DOUBLE_EQ(chart.Points.columns[0][0], 2000);
  EXPECT_DOUBLE_EQ(chart.Points.columns[0][2], 3000);
  chart.BringToFront();
  Settle();
  ExpectShownAsDrawn(chart);
  // No text of the chart meets another or the plot; the scale's "0" is drawn beside the first
  // X label.
  EXPECT_EQ(charttext::ChartTextProblems(chart), std::vector<std::string>{});
  bool zero = false;
  for (const auto& t : chart.TextBoxes) zero |= t.text == "0" && t.box.Right <= chart.LeftMargin;
  EXPECT_TRUE(zero);
  {
    const fs::path shots = fs::path(QUOREL_BUILD_DIR) / "screenshots";
    fs::create_directories(shots);
    QWidget* w = gui::WidgetOf(&chart);
    QWidget* frame = qobject_cast<QMdiSubWindow*>(w->parentWidget()) ? w->parentWidget() : w;
    EXPECT_TRUE(frame->grab().save(QString::fromStdString((shots / "orvanto_chart_three_runs.png").string()), "PNG"));
  }

  // "Save as ..": a bitmap of exactly what the window shows, a JPEG close to it.
  const fs::path bmp = home_ / "run.bmp", jpeg = home_ / "run";
  AnswerSaveDialog(bmp.string(), 2);
  chart.MnuSave->Click();
  AnswerSaveDialog(jpeg.string(), 1);
  chart.MnuSave->Click();
  ASSERT_TRUE(fs::exists(bmp));
  ASSERT_TRUE(fs::exists(home_ / "run.jpg"));
  platform::Picture saved, decoded;
  ASSERT_TRUE(platform::LoadBmp(bmp.string(), saved));
  ASSERT_TRUE(platform::LoadJpeg((home_ / "run.jpg").string(), decoded));
  QWidget* client = gui::WidgetOf(chart.FBox)->parentWidget();
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(saved.Width(), decoded.Width());
  EXPECT_EQ(saved.Height(), decoded.Height());
  const platform::Rect at = platform::Application().ClientPixelRect(*chart.FBox);
  const QPoint shown = gui::WidgetOf(chart.FBox)->mapTo(gui::WidgetOf(&chart), QPoint(0, 0));
  EXPECT_GE(shown.y(), at.Top);  // below the menu bar, which the client area leaves out
  const int px = at.Left + chart.LeftMargin, py = at.Top + TGrfWnd::TopMargin;
  const platform::Picture plot = gui::FromQImage(gui::WidgetOf(chart.GBox)->grab().toImage());
  EXPECT_TRUE(Part(saved, px, py, plot.Width(), plot.Height()).SamePixels(plot));
  EXPECT_TRUE(Part(saved, px, py, plot.Width(), plot.Height()).SamePixels(*chart.PlotPicture));
  double difference = 0;
  const platform::Picture jpegPlot = Part(decoded, px, py, plot.Width(), plot.Height());
  for (int y = 0; y < plot.Height(); ++y)
    for (int x = 0; x < plot.Width(); ++x)
      for (int shift : {0, 8, 16})
        difference += std::abs(int((jpegPlot.Pixel(x, y) >> shift) & 0xFF) - int((plot.Pixel(x, y) >> shift) & 0xFF));
  difference /= 3.0 * plot.Width() * plot.Height();
  EXPECT_LT(difference, 2.0);
  SaveChartWindow(chart, "orvanto_chart_run.png");
  gui::UnbindAll();
  qunsetenv("QUOREL_PLAIN_DIALOGS");
}

// Qt's services with the command line of a program started by an outside launcher.
class LaunchedApplication : public gui::QtApplication {
 public:
  std::vector<std::string> Arguments() override { return {"SID=Kiln 4"}; }
};

TEST_F(ChartGuiTest, OrvantoStartedWithAProcessIdentifier) {
  LaunchedApplication launched;
  platform::ServiceSet services = platform::InstalledServices();
  services.application = &launched;
  const platform::ServiceSet previous = platform::InstallServices(services);
  {
    OrvantoWindows windows;
    windows.Main->StartUp();
    windows.Main->MnuSaveByExit->SetChecked(false);
    gui::Show(windows.Main.get());
    Settle();
    QWidget* w = gui::WidgetOf(windows.Chart.get());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QString("Process Graphic [Kiln 4]"));
    EXPECT_EQ(windows.Chart->Caption(), "Process Graphic [Kiln 4]");
    gui::UnbindAll();
  }
  platform::InstallServices(previous);
}

TEST_F(ChartGuiTest, TimesAndDatesInTheLocaleForms) {
  const std::string time = platform::Application().LongTimeText(10, 37, 5);
  EXPECT_NE(time.find("37"), std::string::npos) << time;
  EXPECT_NE(time.find("05"), std::string::npos) << time;
  const std::string date = platform::Application().ShortDateText(2024, 3, 7);
  EXPECT_NE(date.find('7'), std::string::npos) << date;
  EXPECT_FALSE(date.empty());
}

TEST_F(ChartGuiTest, LunettaShowsItsChartFromTheWindowMenu) {
  LunettaWindows windows;
  StartSubstanceWindow(*windows.Substance);
  windows.Frame->SetBounds(0, 0, 1200, 760);
  gui::Show(windows.Frame.get());
  Settle();
  TGrfWnd& chart = *windows.Chart;
  chart.Close();
  Settle();
  ASSERT_TRUE(windows.Frame->MnuGraphic->Enabled());
  windows.Frame->MnuGraphic->Click();
  Settle();
  EXPECT_EQ(chart.GetWindowState(), platform::WindowState::Normal);
  EXPECT_EQ(platform::Screen::ActiveForm(), &chart);
  chart.SetBounds(0, 0, 700, 480);
  Settle();
  ExpectShownAsDrawn(chart);
  SaveChartWindow(chart, "lunetta_chart.png");
  // Lunetta's chart variables have no time box.
  ASSERT_NE(GrfVarDlg, nullptr);
  GrfVarDlg->Show();
  Settle();
  QWidget* time = gui::WidgetOf(GrfVarDlg->CBxTime);
  ASSERT_NE(time, nullptr);
  EXPECT_FALSE(time->isVisible());
  EXPECT_TRUE(gui::WidgetOf(GrfVarDlg->CBX)->isVisible());
  EXPECT_FALSE(gui::WidgetOf(GrfVarDlg->EditCaption)->isVisible());
  GrfVarDlg->Hide();
  gui::UnbindAll();
}

}  // namespace
