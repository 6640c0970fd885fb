// Lunetta in its Qt frame (QT_QPA_PLATFORM=offscreen): the program's windows start on a
// temporary user folder, the water table is computed and the frame is saved as a picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTableView>
#include <QToolButton>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "../support/xlsx_reading.h"
#include "gui/Gui.h"
#include "gui/ViewBase.h"
#include "platform/Form.h"
#include "platform/Headless.h"
#include "platform/Spreadsheet.h"
#include "platform/System.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "records_charts/Grfx.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"

namespace fs = std::filesystem;
using namespace quorel;

namespace {

// A temporary home for the user settings file, never the real one; the shipped database; the
// Qt application (one per process: the test program may have made it already).
class LunettaSession {
 public:
  LunettaSession() {
    home_ = fs::temp_directory_path() / ("lunetta_gui_" + std::to_string(getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
    const char* oldHome = std::getenv("HOME");
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    hadHome_ = oldHome;
    hadConfig_ = oldConfig;
    savedHome_ = oldHome ? oldHome : "";
    savedConfig_ = oldConfig ? oldConfig : "";
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    savedFolder_ = ProgramFolder();
    SetProgramFolder(QUOREL_SOURCE_DIR "/data");
    if (!QCoreApplication::instance()) app_ = std::make_unique<gui::Application>(argc_, argv_);
  }
  ~LunettaSession() {
    app_.reset();
    SetProgramFolder(savedFolder_);
    if (hadHome_) setenv("HOME", savedHome_.c_str(), 1); else unsetenv("HOME");
    if (hadConfig_) setenv("XDG_CONFIG_HOME", savedConfig_.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(home_);
  }
  const fs::path& Home() const { return home_; }

 private:
  fs::path home_;
  bool hadHome_ = false, hadConfig_ = false;
  std::string savedHome_, savedConfig_, savedFolder_;
  int argc_ = 1;
  char arg0_[8] = "lunetta";
  char* argv_[2] = {arg0_, nullptr};
  std::unique_ptr<gui::Application> app_;
};

TEST(LunettaGuiTest, WaterTableInTheFrame) {
  LunettaSession session;
  const std::string picture = QUOREL_BUILD_DIR "/lunetta_water.png";
  fs::remove(picture);

  {
    LunettaWindows windows;
    TPSubstWnd& w = *windows.Substance;
    StartSubstanceWindow(w);
    EXPECT_EQ(SettingsStore().UserSettingsFile.rfind(session.Home().string(), 0), 0u);
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
    // The boiling point at 1 bar, 99.61 C (IAPWS-95), lies between the rows 75 and 100 C.
    EXPECT_EQ(w.TableCell(ColVariable, change - 1), "75");
    EXPECT_EQ(w.TableCell(ColVariable, change + 1), "100");
    EXPECT_EQ(w.TableCell(ColPhase, change + 1), "(g)");
    EXPECT_EQ(w.TableCell(ColVariable, w.SGT->RowCount() - 1), "500");

    ASSERT_TRUE(gui::GrabToPng(windows.Frame.get(), picture));
    EXPECT_GT(fs::file_size(picture), 2000u);
  }
}

// The file dialogs and message boxes answered by the test, the rest of the Qt services kept.
class AnsweredDialogs {
 public:
  AnsweredDialogs() {
    platform::ServiceSet set = platform::InstalledServices();
    set.dialogs = &answers;
    before_ = platform::InstallServices(set);
  }
  ~AnsweredDialogs() { platform::InstallServices(before_); }
  platform::HeadlessDialogs answers;

 private:
  platform::ServiceSet before_;
};

// The user's water table: H2O(u) from 0 to 500 C by 25 at 1 bar.
void TabulateWater(TPSubstWnd& w) {
  w.CbxSubst->UserSetText("H2O(u)");
  w.ETP->UserSetText("1");
  w.EditV1->UserSetText("0");
  w.EditdV->UserSetText("25");
  w.EditV2->UserSetText("500");
  ASSERT_TRUE(w.ButtonUpdate->UserClick());
  QApplication::processEvents();
  ASSERT_EQ(w.ErrorState, 0);
}

std::vector<std::vector<std::string>> TableCells(const TPSubstWnd& w) {
  std::vector<std::vector<std::string>> cells;
  for (int r = 0; r < w.SGT->RowCount(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < SubstanceColumnCount; ++c) row.push_back(w.TableCell(c, r));
    cells.push_back(row);
  }
  return cells;
}

TEST(LunettaGuiTest, WaterCurvesInTheChartWindowAndASavedSetUp) {
  LunettaSession session;
  AnsweredDialogs dialogs;
  const std::string picture = QUOREL_BUILD_DIR "/lunetta_water_chart.png";
  const std::string sub = (session.Home() / "water.sub").string();
  fs::remove(picture);
  std::vector<std::vector<std::string>> table;

  {
    LunettaWindows windows;
    TPSubstWnd& w = *windows.Substance;
    TGrfWnd& chart = *windows.Chart;
    StartSubstanceWindow(w);
    windows.Frame->SetBounds(0, 0, 1280, 800);
    gui::Show(windows.Frame.get());
    gui::Sync();
    w.SetBounds(0, 0, 1250, 600);
    TabulateWater(w);
    table = TableCells(w);

    // Window>Graphic; the gas's and the liquid's Cp, H and S checked, the solid's not; auto size.
    ASSERT_TRUE(windows.Frame->MnuGraphic->UserClick());
    gui::Sync();
    chart.SetBounds(0, 0, 900, 640);
    gui::Sync();
    for (int n : {1, 2, 3, 11, 12, 13}) {
      platform::CheckBox* box = chart.Series[static_cast<std::size_t>(n)].checkBox;
      ASSERT_NE(box, nullptr);
      ASSERT_TRUE(box->UserClick()) << n;
    }
    chart.BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
    ASSERT_TRUE(chart.BtnGraFit->UserClick());
    QApplication::processEvents();
    ASSERT_TRUE(chart.AutoSize());
    EXPECT_EQ(chart.Caption(), "Graphic: H2O(u)");
    EXPECT_EQ(chart.Axis[0].from, 0);
    EXPECT_EQ(chart.Axis[0].to, 500);

    // The window as the user sees it; the plot lies in it where its box is.
    QWidget* view = gui::WidgetOf(&chart);
    ASSERT_NE(view, nullptr);
    QWidget* frame = qobject_cast<QMdiSubWindow*>(view->parentWidget()) ? view->parentWidget() : view;
    ASSERT_TRUE(frame->grab().save(QString::fromStdString(picture), "PNG"));
    const QImage shot = QImage(QString::fromStdString(picture)).convertToFormat(QImage::Format_RGB32);
    QWidget* plotBox = gui::WidgetOf(chart.GBox);
    ASSERT_NE(plotBox, nullptr);
    const QPoint at = plotBox->mapTo(frame, QPoint(0, 0));
    const int width = chart.PlotPicture->Width(), height = chart.PlotPicture->Height();
    ASSERT_EQ(plotBox->size(), QSize(width, height));
    auto colourNear = [&](int x, int y, platform::TColor c) {
      const QColor want(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
      for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy)
          if (shot.pixelColor(at.x() + x + dx, at.y() + y + dy) == want) return true;
      return false;
    };
    struct Probe {
      const char* t;
      int firstSeries;
    };
    for (const Probe& p : {Probe{"25", 11}, Probe{"75", 11}, Probe{"150", 1}, Probe{"300", 1}, Probe{"450", 1}}) {
      int r = -1;
      for (int i = 1; i < w.SGT->RowCount(); ++i)
        if (w.TableCell(ColVariable, i) == p.t) r = i;
      ASSERT_GT(r, 0) << p.t;
      const int x = static_cast<int>(std::nearbyint(width * TextToDouble(p.t) / 500));
      int rows[3];
      for (int i = 0; i < 3; ++i) {
        const ChartAxis& a = chart.Axis[static_cast<std::size_t>(i + 1)];
        const double v = TextToDouble(w.TableCell(ColCp + i, r));
        rows[i] = height - static_cast<int>(std::nearbyint(height * (v - a.from) / (a.to - a.from)));
      }
      for (int i = 0; i < 3; ++i) {
        // Where a series drawn later passes within two pixels, it may cover this one.
        bool seen = false;
        for (int j = i; j < 3 && !seen; ++j)
          seen = (j == i || std::abs(rows[j] - rows[i]) <= 2) &&
                 colourNear(x, rows[i], chart.Series[static_cast<std::size_t>(p.firstSeries + j)].colour);
        EXPECT_TRUE(seen) << "series " << p.firstSeries + i << " at " << p.t << " C";
      }
    }
    for (int n : {21, 22, 23, 24}) {
      const platform::TColor c = chart.Series[static_cast<std::size_t>(n)].colour;
      int found = 0;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) found += shot.pixelColor(at.x() + x, at.y() + y) == QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
      EXPECT_EQ(found, 0) << "unchecked series " << n;
    }

    // Table>Save, answered with a file in the user's folder.
    dialogs.answers.QueueFileName(sub);
    ASSERT_TRUE(w.MnuSave->UserClick());
    ASSERT_TRUE(platform::FileExists(sub));
    windows.Frame->MnuSaveByExit->SetChecked(false);
    gui::UnbindAll();
  }

  // A new start: Table>Open brings the inputs back, and Update the same table.
  {
    LunettaWindows windows;
    TPSubstWnd& w = *windows.Substance;
    StartSubstanceWindow(w);
    gui::Show(windows.Frame.get());
    gui::Sync();
    EXPECT_EQ(w.CbxSubst->Text(), "CO2");
    dialogs.answers.QueueFileName(sub);
    ASSERT_TRUE(w.MnuOpen->UserClick());
    EXPECT_EQ(w.CbxSubst->Text(), "H2O(u)");
    EXPECT_EQ(w.ETP->Text(), "1");
    EXPECT_EQ(w.EditV1->Text(), "0");
    EXPECT_EQ(w.EditdV->Text(), "25");
    EXPECT_EQ(w.EditV2->Text(), "500");
    EXPECT_EQ(w.SGT->RowCount(), 2);
    ASSERT_TRUE(w.ButtonUpdate->UserClick());
    QApplication::processEvents();
    EXPECT_EQ(TableCells(w), table);
    windows.Frame->MnuSaveByExit->SetChecked(false);
    gui::UnbindAll();
  }
  EXPECT_EQ(dialogs.answers.unanswered, 0);
}

// Types a text into a grid cell through the table's own editor: the cell becomes current, the
// editor opens, takes the text and is closed with Enter.
void TypeIntoCell(const platform::StringGrid* grid, int col, int row, const std::string& text) {
  auto* table = qobject_cast<QTableView*>(gui::WidgetOf(grid));
  ASSERT_NE(table, nullptr);
  const QModelIndex index = table->model()->index(row - grid->FixedRows(), col - grid->FixedCols());
  ASSERT_TRUE(index.isValid());
  table->setCurrentIndex(index);
  table->edit(index);
  QApplication::processEvents();
  QLineEdit* editor = nullptr;
  for (QLineEdit* e : table->viewport()->findChildren<QLineEdit*>())
    if (e->isVisible()) editor = e;
  ASSERT_NE(editor, nullptr) << "no editor on cell " << col << ", " << row;
  editor->setText(QString::fromStdString(text));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(editor, &enter);
  QApplication::processEvents();
}

TEST(LunettaGuiTest, BatchOfTypedStatePointsToTheSpreadsheet) {
  LunettaSession session;
  const std::string picture = QUOREL_BUILD_DIR "/lunetta_batch.png";
  fs::remove(picture);
  const fs::path books = session.Home() / "books";
  fs::create_directories(books);
  xlsxreading::RecordingXlsxService xl(books.string());

  {
    LunettaWindows windows;
    TPSubstWnd& w = *windows.Substance;
    StartSubstanceWindow(w);
    windows.Frame->SetBounds(0, 0, 1280, 680);
    gui::Show(windows.Frame.get());
    gui::Sync();
    w.SetBounds(0, 0, 1250, 600);

    // The tool button "Table" opens the Table menu below it.
    auto* tableButton = qobject_cast<QToolButton*>(gui::WidgetOf(w.ToolBtnTable));
    ASSERT_NE(tableButton, nullptr);
    tableButton->click();
    QApplication::processEvents();
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (QAction* a : menu->actions()) captions << a->text();
    EXPECT_TRUE(captions.contains("Batch Calculation")) << captions.join(", ").toStdString();
    EXPECT_GE(menu->geometry().top(), tableButton->mapToGlobal(QPoint(0, tableButton->height())).y() - 1);
    menu->hide();
    QApplication::processEvents();

    // A table to write into, then Table>"Batch Calculation" and the grid's "Clear Table".
    w.CbxSubst->UserSetText("H2O(u)");
    ASSERT_TRUE(w.ButtonUpdate->UserClick());
    ASSERT_TRUE(w.MnuBatchCalculation->UserClick());
    ASSERT_TRUE(w.BatchMode);
    ASSERT_TRUE(w.PopClearTable->UserClick());
    QApplication::processEvents();
    const std::vector<std::pair<std::string, std::string>> rows = {{"400", "1"}, {"25", "1"}, {"150", "5"}};
    for (size_t i = 0; i < rows.size(); ++i) {
      TypeIntoCell(w.SGT, TableColumnIndex[ColPhase], int(i) + 1, rows[i].first);
      TypeIntoCell(w.SGT, TableColumnIndex[ColVariable], int(i) + 1, rows[i].second);
    }
    ASSERT_EQ(w.TableCell(ColPhase, 1), "400");
    ASSERT_EQ(w.TableCell(ColVariable, 3), "5");
    ASSERT_TRUE(w.ButtonUpdate->UserClick());
    QApplication::processEvents();
    EXPECT_EQ(w.ErrorState, 0);
    // Steam at 400 C and liquid water at 25 C, 1 bar (NIST-JANAF, Chase 1998: H2O(g) 673.15 K
    // H -228.63 kJ/mol; H2O(l) 298.15 K H -285.83 kJ/mol).
    EXPECT_NEAR(std::stod(w.TableCell(ColH, 1)), -228630, 0.005 * 228630);
    EXPECT_NEAR(std::stod(w.TableCell(ColH, 2)), -285830, 0.005 * 285830);
    EXPECT_NE(w.TableCell(ColCp, 3), "");
    EXPECT_EQ(w.TableCell(ColCp, 4), "");
    EXPECT_EQ(gui::GridCellShownText(w.SGT, TableColumnIndex[ColPhase], 0), "T [ C ]");

    // Table>"To MS Excel": the workbook that is opened holds the heading rows and the table.
    ASSERT_TRUE(w.MnuToMsExcel->UserClick());
    ASSERT_EQ(xl.opened.size(), 1u);
    using namespace xlsxreading;
    EXPECT_EQ(SheetNames(Unzip(xl.opened[0], "xl/workbook.xml")), std::vector<std::string>{"H2O(u)"});
    const auto cells = WorkbookSheetCells(xl.opened[0], 1);
    EXPECT_EQ(cells.at("A1"), "H2O(u)");
    // Numbers as numeric cells ("#" and the value).
    EXPECT_EQ(cells.at("B1"), "#18.01528");
    EXPECT_EQ(cells.at("A3"), "T [ C ]");
    EXPECT_EQ(cells.at("B3"), "P [bar]");
    EXPECT_EQ(cells.at("A4"), "#400");
    EXPECT_EQ(cells.at("C4"), "#" + w.TableCell(ColCp, 1));
    EXPECT_EQ(cells.at("D5"), "#" + w.TableCell(ColH, 2));
    EXPECT_EQ(cells.count("A7"), 0u);

    ASSERT_TRUE(gui::GrabToPng(windows.Frame.get(), picture));
    EXPECT_GT(fs::file_size(picture), 2000u);

    // Each batch row is the row of a range run at its state.
    std::vector<std::vector<std::string>> batch;
    for (int r = 1; r <= 3; ++r) {
      std::vector<std::string> cellsOfRow;
      for (int c = ColCp; c < SubstanceColumnCount; ++c) cellsOfRow.push_back(w.TableCell(c, r));
      batch.push_back(cellsOfRow);
    }
    ASSERT_TRUE(w.MnuBatchCalculation->UserClick());
    for (size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(rows[i].first);
      w.ETP->UserSetText(rows[i].second);
      w.EditV1->UserSetText(rows[i].first);
      w.EditV2->UserSetText(rows[i].first);
      ASSERT_TRUE(w.ButtonUpdate->UserClick());
      for (int c = ColCp; c < SubstanceColumnCount; ++c) {
        // A gas without its real-fluid part has no Z and V in the batch.
        const bool idealGasZV = (c == ColZ || c == ColV) && w.TableCell(ColHr, 1) == " ";
        EXPECT_EQ(batch[i][size_t(c - ColCp)], idealGasZV ? std::string(" ") : w.TableCell(c, 1)) << c;
      }
    }
  }
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
