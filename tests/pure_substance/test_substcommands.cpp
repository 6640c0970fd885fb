// The substance window's batch calculation and table commands on the shipped database, as a
// user drives them: typed and pasted state points, copy, copy mode, font, colour, column moves,
// the spreadsheet transfer, the popups, the history key and the status bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../support/xlsx_reading.h"
#include "lunetta_support.h"
#include "platform/Headless.h"
#include "platform/Spreadsheet.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "pure_substance/SubstSel.h"
#include "records_charts/TablOprt.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"
#include "shared/UnitConv.h"

using namespace quorel;
namespace fs = std::filesystem;

namespace {

using StatePoint = std::pair<std::string, std::string>;  // T in the display unit, P [bar]
using ResultCells = std::vector<std::string>;           // logical columns 2..10 of a row

class SubstCommandsTest : public lunettatest::LunettaFixture {
 protected:
  void SetUp() override {
    LunettaFixture::SetUp();
    StartSubstanceWindow(W());
  }
  TPSubstWnd& W() { return *windows->Substance; }
  platform::StringGrid& Grid() { return *W().SGT; }

  // Types the range and presses Update (constant pressure).
  void Range(const std::string& key, const std::string& P, const std::string& t1, const std::string& dt,
             const std::string& t2) {
    W().CbxSubst->UserSetText(key);
    W().ETP->UserSetText(P);
    W().EditV1->UserSetText(t1);
    W().EditdV->UserSetText(dt);
    W().EditV2->UserSetText(t2);
    log->sink.Clear();
    W().ButtonUpdate->Click();
  }
  // A table of 22 rows from a range run, switched to batch mode and emptied.
  void EmptyBatchSheet() {
    Range("H2O(u)", "1", "0", "25", "500");
    ASSERT_EQ(Grid().RowCount(), 23);
    W().MnuBatchCalculation->Click();
    ASSERT_TRUE(W().BatchMode);
    W().PopClearTable->Click();
  }
  // The user types T and P of each row into the grid's editor.
  void TypeRows(const std::vector<StatePoint>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
      const int r = int(i) + 1;
      Grid().UserSetEditText(TableColumnIndex[ColPhase], r, rows[i].first);
      Grid().UserSetEditText(TableColumnIndex[ColVariable], r, rows[i].second);
    }
  }
  void Update(const std::string& key) {
    W().CbxSubst->UserSetText(key);
    log->sink.Clear();
    W().ButtonUpdate->Click();
  }
  ResultCells Results(int row) {
    ResultCells cells;
    for (int c = ColCp; c < SubstanceColumnCount; ++c) cells.push_back(W().TableCell(c, row));
    return cells;
  }
  // The same state as a range run of one row: its result cells.
  ResultCells OneRowRun(const std::string& key, const StatePoint& point) {
    Range(key, point.second, point.first, "25", point.first);
    EXPECT_EQ(W().ErrorState, 0);
    EXPECT_EQ(Grid().RowCount(), 2);
    return Results(1);
  }
  // A batch row equals the range run's row, but a gas evaluated without its real-fluid part
  // (Hr blank) shows no Z and V in the batch.
  static ResultCells AsBatchRow(ResultCells range) {
    if (range[ColHr - ColCp] == " ") range[ColZ - ColCp] = range[ColV - ColCp] = " ";
    return range;
  }
  void ExpectBatchEqualsOneRowRuns(const std::string& key, const std::vector<StatePoint>& rows) {
    std::vector<ResultCells> batch;
    for (size_t i = 0; i < rows.size(); ++i) batch.push_back(Results(int(i) + 1));
    W().MnuBatchCalculation->Click();
    ASSERT_FALSE(W().BatchMode);
    for (size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(key + " at " + rows[i].first + ", " + rows[i].second + " bar");
      EXPECT_EQ(batch[i], AsBatchRow(OneRowRun(key, rows[i])));
      EXPECT_NE(batch[i][0], " ");
    }
  }
  std::vector<std::string> ClipboardLines() const { return SplitTextLines(session.clipboard.text); }
};

// ---------------------------------------------------------------------------------------------
// The batch run

TEST_F(SubstCommandsTest, EveryBatchRowEqualsARangeRunAtItsState) {
  const std::vector<StatePoint> water = {{"400", "1"}, {"25", "1"}, {"150", "5"}, {"25", "10"}, {"100", "1"}};
  EmptyBatchSheet();
  TypeRows(water);
  Update("H2O(u)");
  EXPECT_EQ(W().ErrorState, 0);
  EXPECT_TRUE(log->sink.Has(728));
  EXPECT_EQ(Results(6), ResultCells(9, ""));  // nothing below the last state point
  // The liquid at 25 C and 1 bar is 298.15 K: H and S of NIST-JANAF (Chase 1998), H2O(l)
  // -285.83 kJ/mol and 69.95 J/(mol K).
  EXPECT_NEAR(TextToDouble(W().TableCell(ColH, 2)), -285830, 0.005 * 285830);
  EXPECT_NEAR(TextToDouble(W().TableCell(ColS, 2)), 69.95, 0.005 * 69.95);
  ExpectBatchEqualsOneRowRuns("H2O(u)", water);

  // Only the liquid, first above its first dataset, then inside it again: the batch takes
  // the dataset that holds each row's T.
  const std::vector<StatePoint> liquid = {{"350", "1"}, {"50", "1"}};
  EmptyBatchSheet();
  TypeRows(liquid);
  Update("H2O(l)");
  ExpectBatchEqualsOneRowRuns("H2O(l)", liquid);
}

TEST_F(SubstCommandsTest, TheBatchTakesTheUnitsOfTheSubstanceItEvaluates) {
  // The last run was of CO2 (44 g/mol); the batch then evaluates water in [ kJ ], [ g ], 1/V.
  Range("CO2(g)", "1", "0", "25", "500");
  ASSERT_EQ(W().StBar->PanelText(1), "44.0098");
  W().MnuBatchCalculation->Click();
  W().PopClearTable->Click();
  W().MnuEkJ->Click();
  W().MnuGram->Click();
  W().MnuVolInv->Click();
  const std::vector<StatePoint> water = {{"25", "1"}, {"400", "1"}, {"100", "2"}};
  TypeRows(water);
  Update("H2O(u)");
  EXPECT_EQ(W().StBar->PanelText(1), "18.01528");
  EXPECT_EQ(W().StBar->PanelText(2), "H2O1");
  ExpectBatchEqualsOneRowRuns("H2O(u)", water);
  // A real gas: Z, 1/V and the residual parts in the batch too.
  EmptyBatchSheet();
  const std::vector<StatePoint> co2 = {{"25", "50"}, {"300", "10"}};
  TypeRows(co2);
  Update("CO2(g)");
  EXPECT_NE(W().TableCell(ColHr, 1), " ");
  ExpectBatchEqualsOneRowRuns("CO2(g)", co2);
}

TEST_F(SubstCommandsTest, TheBatchEndsAtTheFirstStatePointItCannotUse) {
  struct Case {
    StatePoint bad;
    const char* why;
  } cases[] = {
      {{"", "1"}, "an empty T"},
      {{"50", ""}, "an empty P"},
      {{"abc", "1"}, "a T that is no number"},
      {{"(g)", "1"}, "a phase key left in the T column"},
      {{"1e999", "1"}, "a T beyond the numbers"},
      {{"50", "nan"}, "a P that is no number"},
      {{"-273.15", "1"}, "0 K"},
      {{"-300", "1"}, "below 0 K"},
      {{"50", "0"}, "no pressure"},
      {{"50", "-1"}, "a negative pressure"},
  };
  EmptyBatchSheet();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    W().PopClearTable->Click();
    TypeRows({{"25", "1"}, c.bad, {"50", "1"}});
    Update("H2O(u)");
    EXPECT_EQ(W().ErrorState, 0);
    EXPECT_NE(W().TableCell(ColCp, 1), "");
    EXPECT_EQ(Results(2), ResultCells(9, ""));
    EXPECT_EQ(Results(3), ResultCells(9, ""));
  }
  // In [ K ], T = 0 ends it too.
  W().MnuTempK->Click();
  W().PopClearTable->Click();
  TypeRows({{"0", "1"}, {"300", "1"}});
  Update("H2O(u)");
  EXPECT_EQ(Results(1), ResultCells(9, ""));
  EXPECT_EQ(Results(2), ResultCells(9, ""));
}

TEST_F(SubstCommandsTest, ARowWithoutAPhaseShowsBlanks) {
  // With extrapolation off the liquid's datasets (273.15 K to 600 K) do not reach 700 C.
  EmptyBatchSheet();
  W().CBex->Click();
  ASSERT_FALSE(W().CBex->Checked());
  TypeRows({{"25", "1"}, {"700", "1"}, {"50", "1"}});
  Update("H2O(l)");
  EXPECT_NE(W().TableCell(ColCp, 1), " ");
  EXPECT_EQ(Results(2), ResultCells(9, " "));
  EXPECT_NE(W().TableCell(ColCp, 3), " ");
  EXPECT_NE(W().TableCell(ColCp, 3), "");
  EXPECT_FALSE(log->sink.Has(899));  // a batch writes no notes
}

TEST_F(SubstCommandsTest, KeysTheBatchCannotUseAreReported) {
  EmptyBatchSheet();
  TypeRows({{"25", "1"}});
  struct Case {
    const char* key;
    int id, state;
    const char* text;
  } cases[] = {
      {"(g)", 891, 4, "No valid substance given"},
      {"XY(g)", 805, 2, "Data of XY(g) do not exist in the database"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Update(c.key);
    ASSERT_TRUE(log->sink.Has(c.id));
    EXPECT_EQ(log->sink.messages.back().text, c.text);
    EXPECT_EQ(log->sink.messages.back().level, 0);
    EXPECT_EQ(W().ErrorState, c.state);
    EXPECT_EQ(W().Caption(), "");
    EXPECT_EQ(windows->Frame->StBar->PanelText(2), c.text);
  }
}

// ---------------------------------------------------------------------------------------------
// Switching the mode

TEST_F(SubstCommandsTest, SwitchingBatchModeOnAndOff) {
  Range("H2O(u)", "1", "0", "25", "500");
  EXPECT_FALSE(Grid().HasOption(platform::goEditing));
  EXPECT_FALSE(W().PopPaste->Visible());
  EXPECT_FALSE(W().PopN1->Visible());
  W().MnuBatchCalculation->Click();
  EXPECT_TRUE(W().MnuBatchCalculation->Checked());
  EXPECT_TRUE(W().BatchMode);
  EXPECT_TRUE(Grid().HasOption(platform::goEditing));
  EXPECT_TRUE(W().PopPaste->Visible());
  EXPECT_TRUE(W().PopN1->Visible());
  EXPECT_EQ(W().ColumnHeader(ColPhase), "T [ C ]");
  EXPECT_EQ(W().ColumnHeader(ColVariable), "P [bar]");

  // The unit switches and the mode keep the batch headers; the typed temperatures are
  // re-expressed in the new unit.
  W().PopClearTable->Click();
  TypeRows({{"25", "1"}, {"-273.15", "1"}, {"abc", "2"}});
  W().MnuTempK->Click();
  EXPECT_EQ(W().ColumnHeader(ColPhase), "T [ K ]");
  EXPECT_EQ(W().ColumnHeader(ColVariable), "P [bar]");
  EXPECT_EQ(W().TableCell(ColPhase, 1), "298.15");
  EXPECT_EQ(W().TableCell(ColPhase, 2), "0");
  EXPECT_EQ(W().TableCell(ColPhase, 3), "abc");
  EXPECT_EQ(W().TableCell(ColVariable, 1), "1");
  EXPECT_NE(W().TableCell(ColCp, 1), "");  // the switch ran the batch
  W().MnuEkJ->Click();
  W().CbxTP->UserSelect(1);
  EXPECT_EQ(W().ColumnHeader(ColPhase), "T [ K ]");
  EXPECT_EQ(W().ColumnHeader(ColVariable), "P [bar]");
  EXPECT_EQ(W().ColumnHeader(ColH), "H [kJ/mol]");
  W().CbxTP->UserSelect(0);
  W().MnuTempC->Click();
  EXPECT_EQ(W().TableCell(ColPhase, 1), "25");

  // Off: "Phase" comes back, and no state point stays under it or under T.
  W().MnuBatchCalculation->Click();
  EXPECT_FALSE(W().BatchMode);
  EXPECT_FALSE(Grid().HasOption(platform::goEditing));
  EXPECT_FALSE(W().PopPaste->Visible());
  EXPECT_EQ(W().ColumnHeader(ColPhase), "Phase");
  EXPECT_EQ(W().ColumnHeader(ColVariable), "T [ C ]");
  EXPECT_EQ(Grid().RowCount(), 2);
  for (int c = 0; c < SubstanceColumnCount; ++c) EXPECT_EQ(W().TableCell(c, 1), "") << c;
  Range("H2O(u)", "1", "0", "25", "50");
  EXPECT_EQ(W().TableCell(ColPhase, 1), "(l)");
}

TEST_F(SubstCommandsTest, SwitchingOnAfterColumnsWereMovedKeepsHeadersOverTheirCells) {
  W().MnuColMove->Click();
  Range("H2O(u)", "1", "0", "25", "500");
  const std::string cp = W().TableCell(ColCp, 1), v = W().TableCell(ColV, 10);
  Grid().UserMoveColumn(2, 8);  // Cp to the right
  Grid().UserMoveColumn(TableColumnIndex[ColV], 0);  // V to the front
  ASSERT_EQ(Grid().Cells(0, 0).substr(0, 2), "V ");
  ASSERT_EQ(Grid().Cells(0, 10), v);
  ASSERT_EQ(W().TableCell(ColCp, 1), cp);
  W().MnuBatchCalculation->Click();
  EXPECT_EQ(TableColumnIndex, (std::array<int, SubstanceColumnCount>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(Grid().Cells(0, 0), "T [ C ]");
  EXPECT_EQ(Grid().Cells(1, 0), "P [bar]");
  EXPECT_EQ(Grid().Cells(2, 0).substr(0, 2), "Cp");
  EXPECT_EQ(Grid().Cells(2, 1), cp);
  EXPECT_EQ(Grid().Cells(7, 0).substr(0, 2), "V ");
  EXPECT_EQ(Grid().Cells(7, 10), v);
}

// ---------------------------------------------------------------------------------------------
// Column moves

TEST_F(SubstCommandsTest, MovedColumnsKeepEveryValueUnderItsHeader) {
  W().MnuVolInv->Click();
  Range("H2O(u)", "1", "0", "25", "500");
  std::map<std::string, std::vector<std::string>> byHeader;  // header -> cells of rows 1..
  auto columnsByHeader = [this] {
    std::map<std::string, std::vector<std::string>> out;
    for (int c = 0; c < Grid().ColCount(); ++c) out[Grid().Cells(c, 0)] = Grid().Cols(c);
    return out;
  };
  const auto before = columnsByHeader();
  ASSERT_TRUE(before.count("1/V [mol/m\xB3]"));
  // Moving is off until Col. Move Enable is checked.
  EXPECT_FALSE(Grid().HasOption(platform::goColMoving));
  W().MnuColMove->Click();
  EXPECT_TRUE(Grid().HasOption(platform::goColMoving));
  Grid().UserMoveColumn(7, 1);   // 1/V before T
  Grid().UserMoveColumn(10, 0);  // Gr to the front
  Grid().UserMoveColumn(3, 9);
  std::array<int, SubstanceColumnCount> sorted = TableColumnIndex;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::array<int, SubstanceColumnCount>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(Grid().Cells(TableColumnIndex[ColV], 0), "1/V [mol/m\xB3]");
  Range("H2O(u)", "1", "0", "25", "500");
  EXPECT_EQ(columnsByHeader(), before);
  W().MnuColMove->Click();
  EXPECT_FALSE(Grid().HasOption(platform::goColMoving));

  // In batch mode P dragged before T: the batch still reads T and P.
  const std::vector<StatePoint> rows = {{"25", "1"}, {"400", "2"}};
  EmptyBatchSheet();
  TypeRows(rows);
  Update("H2O(u)");
  const ResultCells first = Results(1), second = Results(2);
  W().MnuColMove->Click();
  Grid().UserMoveColumn(1, 0);
  EXPECT_EQ(Grid().Cells(0, 0), "P [bar]");
  EXPECT_EQ(TableColumnIndex[ColPhase], 1);
  EXPECT_EQ(TableColumnIndex[ColVariable], 0);
  EXPECT_EQ(Grid().Cells(0, 1), "1");
  W().PopClearTable->Click();
  TypeRows(rows);
  EXPECT_EQ(Grid().Cells(1, 2), "400");
  Update("H2O(u)");
  EXPECT_EQ(Results(1), first);
  EXPECT_EQ(Results(2), second);
}

// ---------------------------------------------------------------------------------------------
// Paste and copy

TEST_F(SubstCommandsTest, PasteFillsRowsFromTheRememberedCellAndGrowsTheGrid) {
  EmptyBatchSheet();
  Grid().SetRowCount(4);
  ASSERT_TRUE(Grid().UserSelectCell(0, 3));
  EXPECT_EQ(W().SelectedCellCol, 0);
  EXPECT_EQ(W().SelectedCellRow, 3);
  session.clipboard.SetText("25\t1\r\n50\t2\r\n");
  W().PopPaste->Click();
  EXPECT_EQ(Grid().RowCount(), 5);
  EXPECT_EQ(Grid().Rows(3)[0], "25");
  EXPECT_EQ(Grid().Rows(3)[1], "1");
  EXPECT_EQ(Grid().Rows(4)[0], "50");
  EXPECT_EQ(Grid().Rows(4)[1], "2");
  // A remembered header row pastes from row 1.
  W().SelectedCellRow = 0;
  session.clipboard.SetText("75\t3");
  W().PopPaste->Click();
  EXPECT_EQ(Grid().Rows(1)[0], "75");

  // Ctrl+V pastes at the selection without a chart refresh, Shift+Insert with one.
  std::vector<int> refreshed;
  TableChangedHook = [&refreshed](int a) { refreshed.push_back(a); };
  Grid().SetSelection({0, 1, 1, 1});
  session.clipboard.SetText("10\t1\n20\t1");
  EXPECT_EQ(Grid().KeyDown('V', platform::ssCtrl), 0);
  EXPECT_EQ(Grid().Rows(2)[0], "20");
  EXPECT_TRUE(refreshed.empty());
  session.clipboard.SetText("30\t4");
  EXPECT_EQ(Grid().KeyDown(platform::Key::Insert, platform::ssShift), 0);
  EXPECT_EQ(Grid().Rows(1)[0], "30");
  EXPECT_EQ(refreshed, std::vector<int>{0});
  TableChangedHook = nullptr;
  // Nothing on the clipboard: the toolkit says so and the table stays.
  session.clipboard.Clear();
  W().PopPaste->Click();
  ASSERT_FALSE(session.dialogs.messages.empty());
  EXPECT_EQ(session.dialogs.messages.back().text, "Unknown format in clipboard");
  EXPECT_EQ(Grid().Rows(1)[0], "30");
  // The other keys are the record table's: Ctrl+C copies the selection.
  Grid().SetSelection({0, 1, 1, 1});
  EXPECT_EQ(Grid().KeyDown('C', platform::ssCtrl), 0);
  EXPECT_EQ(session.clipboard.text, "30\t4");
}

TEST_F(SubstCommandsTest, CopyGivesHeadingLinesTheHeaderRowAndEveryDataRow) {
  Range("H2O(u)", "1", "0", "25", "500");
  W().MnuSelectAll->Click();
  W().MnuCopy->Click();
  const std::vector<std::string> lines = ClipboardLines();
  ASSERT_EQ(int(lines.size()), 2 + Grid().RowCount());
  EXPECT_EQ(lines[0], "H2O(u)\t18.01528\t" + W().EquationName());
  EXPECT_EQ(lines[1], "P [bar]: \t1");
  for (int r = 0; r < Grid().RowCount(); ++r) {
    std::string row;
    for (int c = 0; c < Grid().ColCount(); ++c) row += (c ? "\t" : "") + Grid().Cells(c, r);
    EXPECT_EQ(lines[2 + r], row);
  }
  // The grid's popup copies without the heading lines.
  W().PopSelectAll->Click();
  W().PopCopy->Click();
  EXPECT_EQ(ClipboardLines(), std::vector<std::string>(lines.begin() + 2, lines.end()));
  // A selection the user made since: that selection alone.
  ASSERT_TRUE(Grid().UserSelectCell(1, 2));
  W().PopCopy->Click();
  EXPECT_EQ(session.clipboard.text, "25");

  // HTML mode: an HTML table; the mode is the record table's toolkit's.
  W().MnuCopyModeHtml->Click();
  EXPECT_TRUE(W().MnuCopyModeHtml->Checked());
  EXPECT_FALSE(W().MnuCopyModeText->Checked());
  EXPECT_TRUE(TablOprtWnd->HtmlCopyMode());
  W().MnuSelectAll->Click();
  W().PopCopy->Click();
  EXPECT_EQ(session.clipboard.text.rfind("<table", 0), 0u);
  EXPECT_NE(session.clipboard.text.find("<td>Phase</td>"), std::string::npos);
  EXPECT_NE(session.clipboard.text.find("</table>"), std::string::npos);
  W().MnuCopyModeText->Click();
  EXPECT_FALSE(TablOprtWnd->HtmlCopyMode());
  EXPECT_TRUE(W().MnuCopyModeText->Checked());
  // The record table's Alt+H on the grid switches the same flag; the Edit menu shows it.
  EXPECT_EQ(Grid().KeyDown('H', platform::ssAlt), 0);
  EXPECT_TRUE(TablOprtWnd->HtmlCopyMode());
  W().MnuEditMenu->Click();
  EXPECT_TRUE(W().MnuCopyModeHtml->Checked());
  EXPECT_FALSE(W().MnuCopyModeText->Checked());
}

// ---------------------------------------------------------------------------------------------
// Spreadsheet

TEST_F(SubstCommandsTest, ToMsExcelWritesTheTableWithItsHeadingRows) {
  const fs::path dir = folder / "xlsx";
  fs::create_directories(dir);
  xlsxreading::RecordingXlsxService xl(dir.string());
  Range("H2O(u)", "1", "0", "25", "500");
  W().MnuToMsExcel->Click();
  EXPECT_TRUE(log->sink.Has(1297));
  EXPECT_TRUE(log->sink.Has(1373));
  ASSERT_EQ(xl.opened.size(), 1u);
  using namespace xlsxreading;
  EXPECT_EQ(SheetNames(Unzip(xl.opened[0], "xl/workbook.xml")), std::vector<std::string>{"H2O(u)"});
  const auto cells = WorkbookSheetCells(xl.opened[0], 1);
  // Numbers are numeric cells ("#" and the value as read back), texts text cells, and the
  // blanks of the table leave their cells empty.
  auto number = [&cells](const std::string& ref) {
    const std::string& v = cells.at(ref);
    return v.rfind("#", 0) == 0 ? TextToDouble(v.substr(1)) : std::nan("");
  };
  EXPECT_EQ(cells.at("A1"), "H2O(u)");
  EXPECT_NEAR(number("B1"), TextToDouble(W().StBar->PanelText(1)), 1e-9);
  EXPECT_EQ(cells.at("C1"), W().EquationName());
  EXPECT_EQ(cells.at("A2"), "P [bar]");
  EXPECT_EQ(number("B2"), 1);
  EXPECT_EQ(cells.at("H3"), "V [m\xC2\xB3/mol]");
  int filled = 0, numbers = 0, changes = 0;
  for (int r = 0; r < Grid().RowCount(); ++r)
    for (int c = 0; c < Grid().ColCount(); ++c) {
      const std::string ref = std::string(1, char('A' + c)) + std::to_string(r + 3);
      const std::string text = Grid().Cells(c, r);
      if (Trim(text).empty()) {
        EXPECT_EQ(cells.count(ref), 0u) << ref;
        continue;
      }
      ++filled;
      ASSERT_TRUE(cells.count(ref)) << ref;
      double value = 0;
      if (TryTextToDouble(text, value)) {
        ++numbers;
        EXPECT_NEAR(number(ref), value, std::fabs(value) * 1e-12) << ref << " " << text;
      } else {
        changes += text == "change";
        EXPECT_EQ(cells.at(ref), text == "V [m\xB3/mol]" ? "V [m\xC2\xB3/mol]" : text) << ref;
      }
    }
  EXPECT_EQ(cells.at("A3"), "Phase");
  EXPECT_EQ(changes, 1);
  EXPECT_GT(numbers, 100);
  EXPECT_EQ(int(cells.size()), filled + 5);
}

// ---------------------------------------------------------------------------------------------
// Settings, popups, keys, status bar, tool bar

TEST_F(SubstCommandsTest, FontAndColourThroughTheSettingsWindowsDialogs) {
  platform::FontInfo font;
  font.Name = "DejaVu Sans";
  font.Size = 11;
  font.Color = platform::clRed;
  font.Bold = true;
  const platform::FontInfo before = Grid().Font();
  session.dialogs.QueueFontCancel();
  W().MnuFont->Click();
  EXPECT_EQ(Grid().Font(), before);
  ASSERT_EQ(session.dialogs.font_requests.size(), 1u);
  EXPECT_EQ(session.dialogs.font_requests[0], before);
  session.dialogs.QueueFont(font);
  W().MnuFont->Click();
  EXPECT_EQ(Grid().Font(), font);
  platform::FontInfo plain = font;
  plain.Color = platform::FontInfo{}.Color;
  EXPECT_EQ(W().CbxSubst->Font(), plain);
  EXPECT_EQ(SubstSelDlg->LVSubst->Font(), plain);

  session.dialogs.QueueColorCancel();
  W().MnuColor->Click();
  EXPECT_EQ(Grid().Color(), platform::clWindow);
  session.dialogs.QueueColor(platform::RGB(255, 255, 200));
  W().MnuColor->Click();
  EXPECT_EQ(Grid().Color(), platform::RGB(255, 255, 200));
  ASSERT_EQ(session.dialogs.color_requests.size(), 2u);
  EXPECT_EQ(session.dialogs.color_requests[1], platform::clWindow);
  EXPECT_TRUE(session.AllUsed());
}

TEST_F(SubstCommandsTest, RangeEditPopupConvertsCopiesAndPastes) {
  // The constant in the pressure-constant mode is a pressure: 1 atm is 1.01325 bar.
  W().ETP->UserSetText("1");
  W().ETP->ContextPopup(0, 0);
  session.modal.QueueModal([](platform::Form&) {
    UnitCnvDlg->ComboBox1->UserSelect(UnitCnvDlg->ComboBox1->Items().IndexOf("atm"));
    UnitCnvDlg->OKBtn->Click();
  });
  W().PopMnuConvers->Click();
  EXPECT_EQ(UnitCnvDlg->Quantity(), 'P');
  EXPECT_EQ(W().ETP->Text(), "1.01325");
  // A range edit runs over the temperature, shown in [ C ]: 212 F is 100 C.
  W().EditV2->UserSetText("212");
  W().EditV2->ContextPopup(0, 0);
  session.modal.QueueModal([](platform::Form&) {
    UnitCnvDlg->ComboBox1->UserSelect(UnitCnvDlg->ComboBox1->Items().IndexOf(" F "));
    UnitCnvDlg->OKBtn->Click();
  });
  W().PopMnuConvers->Click();
  EXPECT_EQ(UnitCnvDlg->Quantity(), 'T');
  EXPECT_TRUE(UnitCnvDlg->CelsiusFlag);
  EXPECT_NEAR(TextToDouble(W().EditV2->Text()), 100, 1e-9);
  // Cancel leaves the edit.
  W().EditV2->ContextPopup(0, 0);
  W().PopMnuConvers->Click();
  EXPECT_NEAR(TextToDouble(W().EditV2->Text()), 100, 1e-9);
  EXPECT_TRUE(session.AllUsed());

  // Copy the trimmed text; nothing for an empty edit.
  W().EditdV->UserSetText(" 12.5 ");
  W().EditdV->ContextPopup(0, 0);
  W().PopMnuCopy->Click();
  EXPECT_EQ(session.clipboard.text, "12.5");
  W().EditV1->UserSetText("  ");
  W().EditV1->ContextPopup(0, 0);
  W().PopMnuCopy->Click();
  EXPECT_EQ(session.clipboard.text, "12.5");
  // Paste the first line, trimmed; an empty first line changes nothing.
  session.clipboard.SetText(" 42 \r\n7");
  W().PopMnuPaste->Click();
  EXPECT_EQ(W().EditV1->Text(), "42");
  session.clipboard.SetText("\r\n7");
  W().PopMnuPaste->Click();
  EXPECT_EQ(W().EditV1->Text(), "42");
}

TEST_F(SubstCommandsTest, StatusBarCopyTakesThePanelUnderThePointer) {
  Range("H2O(u)", "1", "0", "25", "500");
  platform::StatusBar& bar = *W().StBar;
  struct Case {
    int x, panel;
  } cases[] = {{5, 0}, {70, 1}, {200, 2}, {330, 3}, {2000, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    bar.MouseMove(platform::ssNone, c.x, 5);
    EXPECT_EQ(W().StatusPanelIndex, c.panel);
    W().CopySB->Click();
    EXPECT_EQ(session.clipboard.text, bar.PanelText(c.panel));
  }
  EXPECT_EQ(session.clipboard.text, "Water. Liquid. Cox,1989. Haar,1984. Keenan,1984. Stimson,1969.");
  W().StatusPanelIndex = 7;
  W().CopySB->Click();
  EXPECT_EQ(session.clipboard.text, "H2O");
  // Window>Table starts again from panel 0.
  bar.MouseMove(platform::ssNone, 200, 5);
  windows->Frame->MnuTable->Click();
  EXPECT_EQ(W().StatusPanelIndex, 0);

  // Panels 0 to 2 follow the width while a tenth of it is above 48.
  W().UserResize(600, 400);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(bar.PanelWidth(i), 120);
  W().UserResize(480, 400);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(bar.PanelWidth(i), 120);
}

TEST_F(SubstCommandsTest, ClearTableAndTheHistoryKey) {
  Range("H2O(u)", "1", "0", "25", "100");
  Range("CO2(g)", "1", "0", "25", "100");
  const int rows = Grid().RowCount();
  W().PopClearTable->Click();
  EXPECT_EQ(Grid().RowCount(), rows);
  EXPECT_EQ(Grid().Cells(0, 0), "Phase");
  for (int r = 1; r < rows; ++r)
    for (int c = 0; c < Grid().ColCount(); ++c) EXPECT_EQ(Grid().Cells(c, r), "");

  ASSERT_EQ(W().CbxSubst->Items().Count(), 2);
  session.dialogs.QueueMessageAnswer(platform::mrNo);
  EXPECT_EQ(W().CbxSubst->KeyDown(platform::Key::Delete, platform::ssCtrl), 0);
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].text, "Delete Substance History ?");
  EXPECT_EQ(session.dialogs.messages[0].caption, "Pure Substance");
  EXPECT_EQ(W().CbxSubst->Items().Count(), 2);
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  W().CbxSubst->KeyDown(platform::Key::Delete, platform::ssCtrl);
  EXPECT_EQ(W().CbxSubst->Items().Count(), 0);
  EXPECT_EQ(W().CbxSubst->Text(), "CO2(g)");
  // Enter in the key runs the Update run.
  log->sink.Clear();
  EXPECT_EQ(W().CbxSubst->KeyDown(platform::Key::Enter), 0);
  EXPECT_TRUE(log->sink.Has(1016));
}

TEST_F(SubstCommandsTest, EachToolButtonOpensItsMenu) {
  struct Case {
    platform::ToolButton* button;
    platform::MenuItem* menu;
    const char* caption;
  } cases[] = {
      {W().ToolBtnTable, W().MnuTableMenu, "Table"},
      {W().ToolBtnEdit, W().MnuEditMenu, "Edit"},
      {W().ToolBtnSystem, W().MnuSystemMenu, "System"},
      {W().ToolBtnSettings, W().MnuSettingsMenu, "Settings"},
      {W().ToolBtnInfo, W().MnuInfoMenu, "Information"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(c.button->Caption(), c.caption);
    EXPECT_EQ(c.menu->Caption(), c.caption);
    ASSERT_TRUE(c.button->UserClick());
    EXPECT_EQ(c.menu->PopupCount(), 1);
    EXPECT_EQ(c.menu->PopupComponent(), c.button);
  }
  // The commands the window made unusable before now work; those of the chart and the file
  // come with their units.
  for (platform::MenuItem* item : {W().MnuBatchCalculation, W().MnuToMsExcel, W().MnuSelectAll, W().MnuCopy,
                                   W().MnuCopyMode, W().MnuFont, W().MnuColor, W().MnuColMove})
    EXPECT_TRUE(item->Enabled()) << item->Caption();
}

}  // namespace
