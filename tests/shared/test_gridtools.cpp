// The string-grid toolkit: table text files, grids from settings sections, clipboard texts,
// structure edits, the three row sorts and the transfer into a spreadsheet.
#include "shared/GridTools.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "../support/xlsx_reading.h"
#include "platform/Headless.h"
#include "platform/Spreadsheet.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"

namespace fs = std::filesystem;
using platform::StringGrid;
using quorel::GridToolkit;

namespace {

using Table = std::vector<std::vector<std::string>>;

const std::string kFixtures = std::string(QUOREL_TEST_DIR) + "/fixtures/grid/";

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A grid holding exactly the table (rows of equal length).
std::unique_ptr<StringGrid> MakeGrid(const Table& t) {
  auto g = std::make_unique<StringGrid>();
  g->SetRowCount(static_cast<int>(t.size()));
  g->SetColCount(static_cast<int>(t.empty() ? 1 : t[0].size()));
  for (int r = 0; r < g->RowCount(); ++r) {
    for (int c = 0; c < g->ColCount(); ++c) g->SetCells(c, r, t[r][c]);
  }
  return g;
}

Table Dump(const StringGrid& g) {
  Table t;
  for (int r = 0; r < g.RowCount(); ++r) t.push_back(g.Rows(r));
  return t;
}

// A fresh temporary folder per test.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "quorel-grid-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A toolkit with its own copy buffer and spare grid, as the record table window lends them.
struct Toolkit {
  platform::Memo buffer;
  StringGrid spare;
  GridToolkit kit{&buffer, &spare};
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Table text files (".asc")

TEST(TableTextFile, RoundTripKeepsEveryByte) {
  platform::HeadlessSession session;
  TempDir dir;
  const std::string original = ReadBytes(kFixtures + "records.asc");
  StringGrid grid;
  grid.SetColCount(1);
  grid.SetRowCount(1);
  EXPECT_EQ(quorel::LoadGridText(kFixtures + "records.asc", 0, grid, true, 0), 5);
  EXPECT_EQ(grid.ColCount(), 4);
  EXPECT_EQ(grid.RowCount(), 5);
  EXPECT_EQ(grid.Cells(1, 0), "T [\xB0" "C]");  // Windows-1252 degree sign kept as its byte
  EXPECT_EQ(grid.Cells(3, 0), "CO2(g) | 0x 01 02 03 04");
  EXPECT_EQ(grid.Cells(3, 4), "1.5E-7");  // numbers stay text exactly as written
  EXPECT_EQ(grid.Cells(2, 2), "");

  ASSERT_EQ(quorel::SaveGridText(grid, dir / "copy.asc"), 1);
  EXPECT_EQ(ReadBytes(dir / "copy.asc"), original);
  // Nothing of the temporary file is left beside the target.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(TableTextFile, TrailingTabAddsNoCellAndEmptyLinesTakeARow) {
  StringGrid grid;
  grid.SetColCount(1);
  grid.SetRowCount(1);
  // "a\t" gives one cell; the empty line stores nothing but row 2 is still taken by "c".
  EXPECT_EQ(quorel::TableTextToGrid("a\t\r\n\r\nc\td\r\n", 0, grid, true, 0), 3);
  EXPECT_EQ(Dump(grid), (Table{{"a", ""}, {"", ""}, {"c", "d"}}));
  // Columns grow only when asked; cells beyond are dropped.
  StringGrid narrow;
  narrow.SetColCount(2);
  narrow.SetRowCount(1);
  EXPECT_EQ(quorel::TableTextToGrid("1\t2\t3\r\n", 0, narrow, false, 0), 1);
  EXPECT_EQ(Dump(narrow), (Table{{"1", "2"}}));
}

// A last line without a line end is kept, and CR-only line ends are line ends.
TEST(TableTextFile, LastLineWithoutLineEndAndCrOnlyLineEnds) {
  const Table expected{{"A", "B"}, {"1", "2"}, {"3", "4"}};
  for (const char* name : {"no_final_eol.asc", "cr_only.asc"}) {
    SCOPED_TRACE(name);
    StringGrid grid;
    grid.SetColCount(1);
    grid.SetRowCount(1);
    EXPECT_EQ(quorel::LoadGridText(kFixtures + name, 0, grid, true, 0), 3);
    EXPECT_EQ(Dump(grid), expected);
  }
}

TEST(TableTextFile, ShorterFileLeavesTheRestOfTheGrid) {
  StringGrid grid;
  grid.SetColCount(2);
  grid.SetRowCount(10);
  for (int r = 0; r < 10; ++r) grid.SetCells(0, r, "old" + std::to_string(r));
  EXPECT_EQ(quorel::LoadGridText(kFixtures + "no_final_eol.asc", 0, grid, true, 0), 3);
  EXPECT_EQ(grid.RowCount(), 10);
  EXPECT_EQ(grid.Cells(0, 2), "3");
  for (int r = 3; r < 10; ++r) EXPECT_EQ(grid.Cells(0, r), "old" + std::to_string(r));
}

TEST(TableTextFile, LoadAtAnOffset) {
  StringGrid grid;
  grid.SetColCount(1);
  grid.SetRowCount(1);
  EXPECT_EQ(quorel::TableTextToGrid("x\ty", 2, grid, true, 1), 2);
  EXPECT_EQ(Dump(grid), (Table{{"", "", "", ""}, {"", "", "x", "y"}}));
  // Negative starts count as 0.
  EXPECT_EQ(quorel::TableTextToGrid("z", -5, grid, true, -3), 1);
  EXPECT_EQ(grid.Cells(0, 0), "z");
}

// Grids made from files, sections and pastes stop at 65,536 rows and 1,024 columns, and say
// so with the source's name. A grid costs what its cells hold: 24 KB of empty lines and one
// line of TABs once made a grid of 12,000 x 12,000 cells.
TEST(GridCaps, FilesSectionsAndPastesStopAtTheCapsAndSaySo) {
  platform::HeadlessSession session;
  quorel::ScopedLogRecorder log;
  TempDir dir;
  const std::string capped = ": only the first 65536 rows and 1024 columns are read";
  auto lastMessage = [&] { return log.sink.messages.empty() ? std::string() : log.sink.messages.back().text; };

  std::string wide;
  for (int i = 0; i < 12000; ++i) wide += "\r\n";
  wide += std::string(12000, '\t') + "x\r\n";
  ASSERT_GE(wide.size(), 24000u);
  const std::string widePath = dir / "wide.asc";
  WriteBytes(widePath, wide);
  StringGrid grid;
  EXPECT_EQ(quorel::LoadGridText(widePath, 0, grid, true, 0), 12001);
  EXPECT_EQ(grid.RowCount(), 12001);
  EXPECT_EQ(grid.ColCount(), quorel::MaxGridFileCols);
  EXPECT_EQ(grid.Cells(quorel::MaxGridFileCols - 1, 12000), "");
  ASSERT_EQ(log.sink.messages.size(), 1u);
  EXPECT_EQ(log.sink.messages[0].level, 0);
  EXPECT_EQ(log.sink.messages[0].id, quorel::GridSizeCappedId);
  EXPECT_EQ(lastMessage(), widePath + capped);

  std::string tall;
  for (int i = 0; i < 70000; ++i) tall += std::to_string(i) + "\n";
  const std::string tallPath = dir / "tall.asc";
  WriteBytes(tallPath, tall);
  StringGrid rows;
  EXPECT_EQ(quorel::LoadGridText(tallPath, 0, rows, true, 0), quorel::MaxGridFileRows);
  EXPECT_EQ(rows.RowCount(), quorel::MaxGridFileRows);
  EXPECT_EQ(rows.Cells(0, quorel::MaxGridFileRows - 1), "65535");
  EXPECT_EQ(lastMessage(), tallPath + capped);

  // A settings section of the same shape.
  quorel::SettingsReader& store = quorel::SettingsStore();
  store.ResetSettingsCache();
  const std::string eql = dir / "wide.eql";
  WriteBytes(eql, "[RecordDefinition]\r\n" + std::string(3000, '\t') + "ID\r\n" + tall);
  ASSERT_EQ(store.OpenSettingsFile(eql), 1);
  StringGrid section;
  ASSERT_TRUE(quorel::LoadGridFromSection(section, "RecordDefinition"));
  EXPECT_EQ(section.RowCount(), quorel::MaxGridFileRows);
  EXPECT_EQ(section.ColCount(), quorel::MaxGridFileCols);
  EXPECT_EQ(section.Cells(0, 1), "0");
  EXPECT_EQ(lastMessage(), eql + " [RecordDefinition]" + capped);

  // A paste through the copy buffer.
  session.clipboard.has_text = true;
  session.clipboard.text = tall;
  Toolkit t;
  ASSERT_TRUE(t.kit.PasteClipboardText());
  StringGrid pasted;
  t.kit.MemoToGrid(0, 1, pasted);
  EXPECT_EQ(pasted.RowCount(), quorel::MaxGridFileRows);
  EXPECT_EQ(pasted.Cells(0, quorel::MaxGridFileRows - 1), "65534");
  EXPECT_EQ(lastMessage(), "Clipboard" + capped);

  // Within the caps nothing is said.
  log.sink.Clear();
  StringGrid small;
  quorel::TableTextToGrid(std::string(quorel::MaxGridFileCols - 1, '\t') + "last\n", 0, small, true, 0);
  EXPECT_EQ(small.Cells(quorel::MaxGridFileCols - 1, 0), "last");
  EXPECT_TRUE(log.sink.messages.empty());
}

TEST(TableTextFile, MissingFileIsMinusOne) {
  StringGrid grid;
  EXPECT_EQ(quorel::LoadGridText(kFixtures + "no such file.asc", 0, grid, true, 0), -1);
}

TEST(TableTextFile, SaveBacksUpTheOldFile) {
  platform::HeadlessSession session;
  TempDir dir;
  const std::string path = dir / "table.asc";
  WriteBytes(path, "old\r\n");
  auto grid = MakeGrid({{"a", "b"}, {"", "c"}});
  ASSERT_EQ(quorel::SaveGridText(*grid, path), 1);
  EXPECT_EQ(ReadBytes(path), "a\tb\r\n\tc\r\n");
  EXPECT_EQ(ReadBytes(dir / "table.~asc"), "old\r\n");
  EXPECT_TRUE(session.dialogs.messages.empty());
}

// A write that fails is reported, never taken for a saved table.
TEST(TableTextFile, FailedSaveIsReported) {
  platform::HeadlessSession session;
  TempDir dir;
  auto grid = MakeGrid({{"a"}});
  EXPECT_EQ(quorel::SaveGridText(*grid, dir / "missing folder/table.asc"), -1);
  EXPECT_EQ(quorel::SaveGridText(*grid, dir.path()), -1);  // a folder is no file
  ASSERT_EQ(session.dialogs.messages.size(), 2u);
  const auto& box = session.dialogs.messages[0];
  EXPECT_EQ(box.text, "File can not be saved");
  EXPECT_EQ(box.caption, "Table");
  EXPECT_EQ(platform::MsgIcon(box.flags), platform::mbIconExclamation);
  EXPECT_EQ(platform::MsgButtons(box.flags), platform::mbOk);
}

// ---------------------------------------------------------------------------------------------
// Grids from settings sections

class GridSection : public ::testing::Test {
 protected:
  void SetUp() override {
    store().ResetSettingsCache();
    path_ = dir_ / "system.eql";
    WriteBytes(path_, ReadBytes(kFixtures + "system.eql"));
    ASSERT_EQ(store().OpenSettingsFile(path_), 1);
  }
  static quorel::SettingsReader& store() { return quorel::SettingsStore(); }
  TempDir dir_;
  std::string path_;
};

TEST_F(GridSection, LinesAfterTheHeaderBecomeRowsFromRowZero) {
  StringGrid grid;
  grid.SetColCount(6);
  grid.SetRowCount(8);
  grid.SetColWidths(0, 40);
  grid.SetColWidths(2, 90);
  grid.SetCells(4, 6, "stale");
  EXPECT_TRUE(quorel::LoadGridFromSection(grid, "RecordDefinition"));
  // Indentation is trimmed away; the grid shrinks to 2 x 2 and grows to the lines.
  EXPECT_EQ(Dump(grid), (Table{{"Nr", "T [K]", "P [bar]"}, {"1", "298.15", "1"}, {"2", "500", "1.5"}}));
  EXPECT_EQ(grid.ColWidths(0), 40);
  EXPECT_EQ(grid.ColWidths(2), 90);
}

// Loading twice, or a missing section twice, gives the same grid, and the section keeps its
// header for a later WriteSection.
TEST_F(GridSection, LoadingTwiceChangesNothing) {
  StringGrid grid;
  ASSERT_TRUE(quorel::LoadGridFromSection(grid, "RecordDefinition"));
  const Table first = Dump(grid);
  ASSERT_TRUE(quorel::LoadGridFromSection(grid, "RecordDefinition"));
  EXPECT_EQ(Dump(grid), first);
  EXPECT_EQ(first[0][0], "Nr");

  auto other = MakeGrid({{"keep", "me"}, {"1", "2"}, {"3", "4"}});
  const Table before = Dump(*other);
  EXPECT_FALSE(quorel::LoadGridFromSection(*other, "Missing"));
  EXPECT_FALSE(quorel::LoadGridFromSection(*other, "Missing"));
  EXPECT_EQ(Dump(*other), before);

  ASSERT_TRUE(quorel::LoadGridFromSection(grid, "RecordDefinition"));
  store().WriteSection("RecordDefinition");
  ASSERT_EQ(store().SaveSettingsFile(path_), 1);
  EXPECT_EQ(ReadBytes(path_), ReadBytes(kFixtures + "system.eql"));
}

TEST(GridLines, TabLineToGridRowAndListToGrid) {
  StringGrid grid;
  grid.SetColCount(3);
  grid.SetRowCount(1);
  quorel::TabLineToGridRow(1, 0, " a \t\tb\tdropped", grid);
  EXPECT_EQ(Dump(grid), (Table{{"", "a", ""}}));
  quorel::TabLineToGridRow(0, 5, "outside", grid);  // a row outside the grid is ignored
  EXPECT_EQ(grid.RowCount(), 1);

  StringGrid list;
  list.SetColCount(1);
  list.SetRowCount(1);
  quorel::ListToGrid({"h1\th2\th3", "1\t2"}, list, true, true);
  EXPECT_EQ(Dump(list), (Table{{"h1", "h2", "h3"}, {"1", "2", ""}}));
}

// ---------------------------------------------------------------------------------------------
// Clipboard texts

TEST(ClipboardText, TabTextOfARangeAndOfOneCell) {
  platform::HeadlessSession session;
  Toolkit t;
  auto grid = MakeGrid({{"T", "x", "y"}, {"1", "", "2.5"}, {"2", "a b", ""}});
  t.kit.ResetMemoBuffer();
  t.kit.GridRangeToMemo(0, 0, *grid, 2, 2);
  t.kit.CopyMemoToClipboard();
  EXPECT_EQ(session.clipboard.text, "T\tx\ty\r\n1\t\t2.5\r\n2\ta b\t");

  t.kit.ResetMemoBuffer();
  t.kit.GridRangeToMemo(1, 2, *grid, 2, 1);
  t.kit.CopyMemoToClipboard();
  EXPECT_EQ(session.clipboard.text, "a b");  // no TAB, no line end

  // Ctrl+C copies the grid's selection.
  grid->SetSelection({1, 1, 2, 2});
  int key = 'C';
  EXPECT_TRUE(t.kit.GridKeyDown(*grid, key, platform::ssCtrl));
  EXPECT_EQ(key, 0);
  EXPECT_EQ(session.clipboard.text, "\t2.5\r\na b\t");
}

TEST(ClipboardText, ToolkitWithoutALentBufferStillCopies) {
  platform::HeadlessSession session;
  GridToolkit kit;
  auto grid = MakeGrid({{"a", "b"}});
  kit.ResetMemoBuffer();
  kit.GridRangeToMemo(0, 0, *grid, 0, 1);
  kit.CopyMemoToClipboard();
  EXPECT_EQ(session.clipboard.text, "a\tb");
  auto other = MakeGrid({{"1"}, {"2"}});
  kit.SwapGrids(*grid, *other);
  EXPECT_EQ(Dump(*grid), (Table{{"1"}, {"2"}}));
}

TEST(ClipboardText, HtmlTableIsExactAndEscaped) {
  platform::HeadlessSession session;
  Toolkit t;
  t.kit.HtmlCopyMode = true;
  auto grid = MakeGrid({{"H<2>O & CO2", " ", "5"}, {"a", "b", "c"}});
  t.kit.ResetMemoBuffer();
  t.kit.GridRangeToMemo(0, 0, *grid, 0, 2);
  t.kit.CopyMemoToClipboard();
  EXPECT_EQ(session.clipboard.text,
            "<table style=\"width: 100%;\" border=\"1\" cellpadding=\"0\" cellspacing=\"0\">\n"
            "  <tr>\n"
            "   <td>H&lt;2&gt;O &amp; CO2</td><td>&nbsp;</td><td>5</td>\n"
            "  </tr>\n"
            "</table>\n");
  EXPECT_EQ(quorel::GridToHtml(*grid, 1, 1, 1, 0),
            "<table style=\"width: 100%;\" border=\"1\" cellpadding=\"0\" cellspacing=\"0\">\n"
            "  <tr>\n   <td>&nbsp;</td>\n  </tr>\n"
            "  <tr>\n   <td>b</td>\n  </tr>\n"
            "</table>\n");
}

TEST(ClipboardText, PasteWritesTheLinesFromTheStartCell) {
  platform::HeadlessSession session;
  Toolkit t;
  // Every kind of line end, and a last line without one.
  for (const char* text : {"1\t2\r\n3\t4", "1\t2\r3\t4\r", "1\t2\n3\t4\n"}) {
    SCOPED_TRACE(text);
    session.clipboard.has_text = true;
    session.clipboard.text = text;
    auto grid = MakeGrid({{"T", "a", "b"}, {"1", "old", "old"}});
    ASSERT_TRUE(t.kit.PasteClipboardText());
    EXPECT_EQ(t.kit.MemoLineCount(), 2);
    EXPECT_EQ(t.kit.MemoLine(1), "3\t4");
    EXPECT_EQ(t.kit.MemoLine(2), "");
    t.kit.MemoToGrid(1, 1, *grid);
    EXPECT_EQ(Dump(*grid), (Table{{"T", "a", "b"}, {"1", "1", "2"}, {"", "3", "4"}}));
  }
}

TEST(ClipboardText, CopyThenPasteGivesTheSameCells) {
  platform::HeadlessSession session;
  Toolkit t;
  auto source = MakeGrid({{"Nr", "T [\xB0" "C]", "x"}, {"1", "25", ""}, {"2", "", "0.5"}});
  t.kit.ResetMemoBuffer();
  t.kit.GridRangeToMemo(0, 0, *source, 2, 2);
  t.kit.CopyMemoToClipboard();
  StringGrid dest;
  dest.SetColCount(3);
  dest.SetRowCount(1);
  ASSERT_TRUE(t.kit.PasteClipboardText());
  t.kit.MemoToGrid(0, 0, dest);
  EXPECT_EQ(Dump(dest), Dump(*source));
}

TEST(ClipboardText, PasteWithoutTextAsksNothingAndSaysSo) {
  platform::HeadlessSession session;
  Toolkit t;
  t.kit.AddMemoLine("kept");
  EXPECT_FALSE(t.kit.PasteClipboardText());
  EXPECT_EQ(t.kit.MemoLine(0), "kept");
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].text, "Unknown format in clipboard");
  EXPECT_EQ(session.dialogs.messages[0].caption, "Quorel");
  EXPECT_EQ(platform::MsgIcon(session.dialogs.messages[0].flags), platform::mbIconInformation);
}

TEST(ClipboardText, MemoToGridClearsTheCoveredRectangleAndKeepsTheColumnCount) {
  Toolkit t;
  t.kit.AddMemoLine("a\t\tc\td");
  t.kit.AddMemoLine("e");
  auto grid = MakeGrid({{"0", "1", "2", "3"}, {"x", "x", "x", "x"}, {"y", "y", "y", "y"}});
  t.kit.MemoToGrid(1, 1, *grid);
  EXPECT_EQ(Dump(*grid), (Table{{"0", "1", "2", "3"}, {"x", "a", "", "c"}, {"y", "e", "", ""}}));
  // Rows grow to take every line.
  t.kit.MemoToGrid(0, 2, *grid);
  EXPECT_EQ(Dump(*grid), (Table{{"0", "1", "2", "3"}, {"x", "a", "", "c"}, {"a", "", "c", "d"}, {"e", "", "", ""}}));
}

// ---------------------------------------------------------------------------------------------
// Structure

struct EditCase {
  const char* what;
  Table before;
  std::function<int(StringGrid&)> op;
  int result;
  Table after;
};

TEST(GridStructure, InsertAndDeleteEdgeCases) {
  const Table two{{"T", "U"}, {"a", "b"}};
  const Table four{{"T", "U"}, {"a", "b"}, {"c", "d"}, {"e", "f"}};
  const std::vector<EditCase> cases = {
      {"delete the only data row", two, [](StringGrid& g) { return quorel::DeleteGridRow(1, g); }, 2,
       {{"T", "U"}, {"", ""}}},
      {"delete row 0 of two rows", two, [](StringGrid& g) { return quorel::DeleteGridRow(0, g); }, 2,
       {{"a", "b"}, {"", ""}}},
      {"delete the only row", {{"T", "U"}}, [](StringGrid& g) { return quorel::DeleteGridRow(0, g); }, 1,
       {{"", ""}}},
      {"delete a middle row", four, [](StringGrid& g) { return quorel::DeleteGridRow(2, g); }, 3,
       {{"T", "U"}, {"a", "b"}, {"e", "f"}}},
      {"delete below 0", two, [](StringGrid& g) { return quorel::DeleteGridRow(-1, g); }, -1, two},
      {"delete past the end", two, [](StringGrid& g) { return quorel::DeleteGridRow(2, g); }, -1, two},
      {"insert at row 0 inserts at 1", two, [](StringGrid& g) { return quorel::InsertGridRow(0, g); }, 3,
       {{"T", "U"}, {"", ""}, {"a", "b"}}},
      {"insert below 0", two, [](StringGrid& g) { return quorel::InsertGridRow(-7, g); }, 3,
       {{"T", "U"}, {"", ""}, {"a", "b"}}},
      {"insert past the end appends", two, [](StringGrid& g) { return quorel::InsertGridRow(99, g); }, 3,
       {{"T", "U"}, {"a", "b"}, {"", ""}}},
      {"insert column below 0", two, [](StringGrid& g) { return quorel::InsertGridColumn(-3, g); }, 2,
       {{"", "T", "U"}, {"", "a", "b"}}},
      {"insert column past the end", two, [](StringGrid& g) { return quorel::InsertGridColumn(9, g); }, 2,
       {{"T", "U", ""}, {"a", "b", ""}}},
      {"insert column in the middle", two, [](StringGrid& g) { return quorel::InsertGridColumn(1, g); }, 2,
       {{"T", "", "U"}, {"a", "", "b"}}},
      {"delete column below 0", two, [](StringGrid& g) { return quorel::DeleteGridColumn(-1, g); }, 0, two},
      {"delete column past the end", two, [](StringGrid& g) { return quorel::DeleteGridColumn(5, g); }, 2,
       {{"T"}, {"a"}}},
      {"delete column 0", two, [](StringGrid& g) { return quorel::DeleteGridColumn(0, g); }, 2,
       {{"U"}, {"b"}}},
      {"delete the only column", {{"T"}, {"a"}}, [](StringGrid& g) { return quorel::DeleteGridColumn(0, g); },
       0, {{""}, {""}}},
      {"clear a rectangle with negative starts", four,
       [](StringGrid& g) { quorel::ClearGridRect(g, -4, 1, 0, -2); return 0; }, 0,
       {{"", "U"}, {"", "b"}, {"c", "d"}, {"e", "f"}}},
      {"clear a rectangle to the last column and row", four,
       [](StringGrid& g) { quorel::ClearGridRect(g, 1, -1, 99, 2); return 0; }, 0,
       {{"T", "U"}, {"a", "b"}, {"c", ""}, {"e", ""}}},
      {"clear nothing when the rows are reversed", four,
       [](StringGrid& g) { quorel::ClearGridRect(g, 0, 1, 1, 2); return 0; }, 0, four},
      {"clear a range from a negative start", four,
       [](StringGrid& g) { quorel::ClearGridRange(-1, -1, g); return 0; }, 0,
       {{"", ""}, {"", ""}, {"", ""}, {"", ""}}},
      {"clear a range", four, [](StringGrid& g) { quorel::ClearGridRange(1, 1, g); return 0; }, 0,
       {{"T", "U"}, {"a", ""}, {"c", ""}, {"e", ""}}},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto grid = MakeGrid(c.before);
    EXPECT_EQ(c.op(*grid), c.result);
    EXPECT_EQ(Dump(*grid), c.after);
  }
}

TEST(GridStructure, DeleteRowKeepsTheLeftVisibleColumn) {
  StringGrid grid;
  grid.SetColCount(20);
  grid.SetRowCount(5);
  grid.SetFixedCols(1);
  grid.SetLeftCol(7);
  ASSERT_EQ(grid.LeftCol(), 7);
  EXPECT_EQ(quorel::DeleteGridRow(2, grid), 4);
  EXPECT_EQ(grid.LeftCol(), 7);
}

TEST(GridStructure, CopyAndSwap) {
  Toolkit t;
  auto a = MakeGrid({{"a", "b", "c"}});
  auto b = MakeGrid({{"1"}, {"2"}});
  t.kit.SwapGrids(*a, *b);
  EXPECT_EQ(Dump(*a), (Table{{"1"}, {"2"}}));
  EXPECT_EQ(Dump(*b), (Table{{"a", "b", "c"}}));
  quorel::CopyGrid(*b, *a);
  EXPECT_EQ(Dump(*a), Dump(*b));
}

TEST(GridStructure, GridKeysChangeRowHeightAndFirstColumnWidth) {
  Toolkit t;
  StringGrid grid;
  grid.SetDefaultRowHeight(10);
  grid.SetColWidths(0, 10);
  int key = platform::Key::Up;
  EXPECT_TRUE(t.kit.GridKeyDown(grid, key, platform::ssAlt));
  EXPECT_EQ(grid.DefaultRowHeight(), 9);
  key = platform::Key::Up;
  t.kit.GridKeyDown(grid, key, platform::ssAlt);  // 8 is not above 8
  EXPECT_EQ(grid.DefaultRowHeight(), 9);
  key = platform::Key::Down;
  t.kit.GridKeyDown(grid, key, platform::ssAlt);
  EXPECT_EQ(grid.DefaultRowHeight(), 10);
  key = platform::Key::Right;
  t.kit.GridKeyDown(grid, key, platform::ssAlt);
  EXPECT_EQ(grid.ColWidths(0), 11);
  key = platform::Key::Left;
  t.kit.GridKeyDown(grid, key, platform::ssAlt);
  EXPECT_EQ(grid.ColWidths(0), 10);
  key = platform::Key::Left;
  EXPECT_FALSE(t.kit.GridKeyDown(grid, key, platform::ssNone));
  EXPECT_EQ(key, platform::Key::Left);
}

// ---------------------------------------------------------------------------------------------
// Sorting

struct SortCase {
  const char* what;
  void (*sort)(StringGrid&, int);
  std::vector<std::string> values;  // column 1 of rows 1..
  std::vector<std::string> order;   // column 0 (the original row numbers) afterwards
};

TEST(GridSort, SortTable) {
  const std::vector<SortCase> cases = {
      {"up: text counts as 0", quorel::SortGridDataUp, {"10", "9", "x", "-1"}, {"4", "3", "2", "1"}},
      {"down", quorel::SortGridDataDown, {"10", "9", "x", "-1"}, {"1", "2", "3", "4"}},
      {"up: comma and exponent", quorel::SortGridDataUp, {"2,5", "1E1", " 0.5 ", "-1e-3"},
       {"4", "3", "1", "2"}},
      // Selection sort: rows 1 and 3 hold equal values; the exchange of rows 1 and 4 puts row 1
      // behind row 3.
      {"down: equal values are not kept in order", quorel::SortGridDataDown, {"1", "2", "1", "3"},
       {"4", "2", "3", "1"}},
      {"up: of equal values the uppermost comes first", quorel::SortGridDataUp, {"5", "1", "1"},
       {"2", "3", "1"}},
      {"by name: case-insensitive and stable", quorel::SortGridByName, {"b", "A", "a"}, {"2", "3", "1"}},
      {"by name: a text before the longer texts it begins", quorel::SortGridByName,
       {"ab", "a", "a b", "10", "9"}, {"4", "5", "2", "3", "1"}},
      {"by name: empty cells first", quorel::SortGridByName, {"x", "", "X"}, {"2", "1", "3"}},
  };
  for (const SortCase& c : cases) {
    SCOPED_TRACE(c.what);
    Table t{{"Nr", "Value", "Other"}};
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      t.push_back({std::to_string(i + 1), c.values[i], "o" + std::to_string(i + 1)});
    }
    auto grid = MakeGrid(t);
    c.sort(*grid, 1);
    EXPECT_EQ(grid->Rows(0), (std::vector<std::string>{"Nr", "Value", "Other"}));
    std::vector<std::string> order;
    for (int r = 1; r < grid->RowCount(); ++r) {
      order.push_back(grid->Cells(0, r));
      EXPECT_EQ(grid->Cells(2, r), "o" + grid->Cells(0, r));  // whole rows move
    }
    EXPECT_EQ(order, c.order);
  }
}

TEST(GridSort, OneDataRowOrAColumnOutsideChangesNothing) {
  const Table one{{"Nr", "v"}, {"1", "x"}};
  const Table three{{"Nr", "v"}, {"1", "3"}, {"2", "1"}};
  for (auto sort : {quorel::SortGridDataDown, quorel::SortGridDataUp, quorel::SortGridByName}) {
    auto g1 = MakeGrid(one);
    sort(*g1, 1);
    EXPECT_EQ(Dump(*g1), one);
    auto g3 = MakeGrid(three);
    sort(*g3, 5);
    sort(*g3, -1);
    EXPECT_EQ(Dump(*g3), three);
  }
}

// ---------------------------------------------------------------------------------------------
// Spreadsheet transfer against the recording fake

class ExcelTransfer : public ::testing::Test {
 protected:
  ExcelTransfer() {
    auto fake = std::make_unique<platform::RecordingSpreadsheet>();
    xl_ = fake.get();
    scope_ = std::make_unique<platform::ScopedSpreadsheetService>(std::move(fake));
    quorel::ResetExcelTransfer();
  }
  ~ExcelTransfer() override { quorel::ResetExcelTransfer(); }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const auto& m : log_.sink.messages) ids.push_back(m.id);
    return ids;
  }
  platform::HeadlessSession session_;
  quorel::ScopedLogRecorder log_;
  platform::RecordingSpreadsheet* xl_ = nullptr;
  std::unique_ptr<platform::ScopedSpreadsheetService> scope_;
};

TEST_F(ExcelTransfer, NoSpreadsheetProgram) {
  xl_->StartFails = true;
  auto grid = MakeGrid({{"a"}});
  EXPECT_FALSE(quorel::TransferGridsToExcel({{grid.get(), 1, ""}}, 1));
  EXPECT_EQ(Ids(), (std::vector<int>{1297, 1047}));
  EXPECT_EQ(log_.sink.messages[0].kind, quorel::LoggedMessage::Always);
  EXPECT_EQ(log_.sink.messages[0].text, "Data transfer to MS Excel, please wait");
  EXPECT_EQ(log_.sink.messages[1].text, "MS Excel can not be started!");
  EXPECT_EQ(log_.sink.messages[1].level, 2);
  EXPECT_EQ(xl_->Calls, (std::vector<std::string>{"Attach", "Start"}));
  EXPECT_GE(session_.application.pumps, 1);  // the waiting message could show
}

TEST_F(ExcelTransfer, WholeCommandCallSequence) {
  auto grid = MakeGrid({{"T", "x"}, {"1", ""}});
  EXPECT_TRUE(quorel::TransferGridsToExcel({{grid.get(), 1, ""}}, 1));
  EXPECT_EQ(xl_->Calls, (std::vector<std::string>{
                            "Attach", "Start", "Visible", "SetVisible 1", "AddWorkbook",
                            "WorkbookCount", "SheetCount 1", "SheetCount 1", "SetCell 1 1 1 1 T",
                            "SetCell 1 1 1 2 x", "SetCell 1 1 2 1 1", "SetCell 1 1 2 2 ", "Finish"}));
  EXPECT_EQ(Ids(), (std::vector<int>{1297, 1373}));
  EXPECT_EQ(log_.sink.messages[1].text, "Data transfer to MS Excel is completed");
}

TEST_F(ExcelTransfer, RunningHiddenInstanceIsReusedAndShown) {
  xl_->AttachFails = false;
  xl_->RunningVisible = false;
  xl_->RunningWorkbooks = 2;
  EXPECT_EQ(quorel::StartExcel(1), 3);  // the new workbook is the last
  EXPECT_EQ(xl_->CountCalls("Start"), 0);
  EXPECT_EQ(xl_->CountCalls("SetVisible 1"), 1);
  EXPECT_EQ(quorel::ExcelWorkbookIndex(), 3);
  EXPECT_TRUE(log_.sink.messages.empty());

  auto fresh = std::make_unique<platform::RecordingSpreadsheet>();
  fresh->AttachFails = false;
  fresh->RunningVisible = true;
  platform::RecordingSpreadsheet* visible = fresh.get();
  platform::ScopedSpreadsheetService scope(std::move(fresh));
  EXPECT_EQ(quorel::StartExcel(1), 1);
  EXPECT_EQ(visible->CountCalls("SetVisible"), 0);  // a visible instance is left as it is
}

TEST_F(ExcelTransfer, SheetsAreAddedAsNeeded) {
  EXPECT_EQ(quorel::StartExcel(9), 1);  // a new workbook has 3 sheets: 6 more
  EXPECT_EQ(xl_->CountCalls("AddSheet"), 6);
  EXPECT_EQ(xl_->Books[0].Sheets.size(), 9u);

  auto fake = std::make_unique<platform::RecordingSpreadsheet>();
  platform::RecordingSpreadsheet* three = fake.get();
  platform::ScopedSpreadsheetService scope(std::move(fake));
  ASSERT_EQ(quorel::StartExcel(1), 1);
  auto grid = MakeGrid({{"Nr", "T"}, {"1", "298.15"}});
  EXPECT_EQ(quorel::GridToExcel(*grid, 5, "Gas"), 1);  // sheet 5 of 3: one added, sheet 4
  EXPECT_EQ(three->CountCalls("AddSheet"), 1);
  EXPECT_EQ(three->Books[0].Sheets[3].Name, "Gas");
  EXPECT_EQ(three->CellText(1, 4, 1, 1), "Nr");
  EXPECT_EQ(three->CellText(1, 4, 2, 2), "298.15");
}

TEST_F(ExcelTransfer, FailedCellStopsTheGridAndNamesThePosition) {
  ASSERT_EQ(quorel::StartExcel(1), 1);
  auto grid = MakeGrid({{"a", "b", "c"}, {"d", "e", "f"}});
  xl_->FailingCell = {1, 2};  // sheet row 1, column 2 = grid cell (1, 0)
  EXPECT_EQ(quorel::GridToExcel(*grid, 1, "Gas"), -1);
  ASSERT_EQ(log_.sink.messages.size(), 1u);
  EXPECT_EQ(log_.sink.messages[0].id, 1053);
  EXPECT_EQ(log_.sink.messages[0].level, 2);
  EXPECT_EQ(log_.sink.messages[0].text, "Error while write in [Book1][Gas][B 1]");
  EXPECT_EQ(xl_->CountCalls("SetCell"), 2);  // no cell after the failed one is tried

  // From column 25 on the position is the column number and the row.
  StringGrid wide;
  wide.SetColCount(30);
  wide.SetRowCount(2);
  xl_->FailingCell = {2, 27};
  log_.sink.Clear();
  EXPECT_EQ(quorel::GridToExcel(wide, 1, ""), -1);
  ASSERT_EQ(log_.sink.messages.size(), 1u);
  EXPECT_EQ(log_.sink.messages[0].text, "Error while write in [Book1][][26;2]");
}

// A transfer whose grid failed, or whose workbook could not be handed to the user, is not
// reported as completed.
TEST_F(ExcelTransfer, FailuresAreNeverReportedAsCompleted) {
  auto grid = MakeGrid({{"a"}});
  xl_->FinishFails = true;
  EXPECT_FALSE(quorel::TransferGridsToExcel({{grid.get(), 1, ""}}, 1));
  EXPECT_EQ(Ids(), (std::vector<int>{1297, 1047}));
  EXPECT_NE(log_.sink.messages[1].text.find("cannot open the workbook"), std::string::npos);

  log_.sink.Clear();
  xl_->FinishFails = false;
  xl_->FailingCell = {1, 1};
  EXPECT_FALSE(quorel::TransferGridsToExcel({{grid.get(), 1, ""}}, 1));
  EXPECT_EQ(Ids(), (std::vector<int>{1297, 1053}));

  log_.sink.Clear();
  xl_->FailingCell = {0, 0};
  xl_->AddWorkbookFails = true;
  EXPECT_FALSE(quorel::TransferGridsToExcel({{grid.get(), 1, ""}}, 1));
  EXPECT_EQ(Ids(), (std::vector<int>{1297, 1047}));
}

TEST_F(ExcelTransfer, PrepareWorkbookKeepsOnlyTheFirstSheet) {
  ASSERT_EQ(quorel::StartExcel(4), 1);
  xl_->Calls.clear();
  quorel::PrepareExcelWorkbook(2);
  EXPECT_EQ(xl_->Books[0].Sheets.size(), 1u);
  EXPECT_EQ(xl_->CountCalls("DeleteSheet 1 4"), 1);
  EXPECT_EQ(xl_->CountCalls("DeleteSheet 1 2"), 1);
  EXPECT_EQ(xl_->Calls.back(), "SetVisible 1");
  quorel::PrepareExcelWorkbook(0);  // the first sheet always stays
  EXPECT_EQ(xl_->Books[0].Sheets.size(), 1u);
  EXPECT_EQ(xl_->CountCalls("DeleteSheet 1 1"), 0);
}

// ---------------------------------------------------------------------------------------------
// One real workbook: GridToExcel's cells arrive in the .xlsx file.

namespace {
using xlsxreading::Unzip;

std::string XmlText(std::string s) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : entities) {
    for (std::size_t p; (p = s.find(from)) != std::string::npos;) s.replace(p, std::strlen(from), to);
  }
  return s;
}

// Cell reference -> text of a sheet; numbers (which this transfer never writes) as "#value".
std::map<std::string, std::string> SheetCells(const std::string& sheetXml, const std::string& sstXml) {
  std::vector<std::string> strings;
  std::regex si("<si><t(?: [^>]*)?>([^<]*)</t></si>");
  for (std::sregex_iterator it(sstXml.begin(), sstXml.end(), si), end; it != end; ++it) {
    strings.push_back(XmlText((*it)[1]));
  }
  std::map<std::string, std::string> cells;
  std::regex cell("<c r=\"([A-Z]+[0-9]+)\"([^>]*)><v>([^<]*)</v></c>");
  for (std::sregex_iterator it(sheetXml.begin(), sheetXml.end(), cell), end; it != end; ++it) {
    const std::string attrs = (*it)[2];
    const std::string value = (*it)[3];
    if (attrs.find("t=\"s\"") != std::string::npos) {
      const std::size_t index = std::stoul(value);
      cells[(*it)[1]] = index < strings.size() ? strings[index] : "?";
    } else {
      cells[(*it)[1]] = "#" + value;
    }
  }
  return cells;
}

std::vector<std::string> SheetNames(const std::string& workbookXml) {
  std::vector<std::string> names;
  std::regex sheet("<sheet name=\"([^\"]*)\"");
  for (std::sregex_iterator it(workbookXml.begin(), workbookXml.end(), sheet), end; it != end; ++it) {
    names.push_back(XmlText((*it)[1]));
  }
  return names;
}
}  // namespace

TEST(ExcelWorkbook, GridCellsArriveInTheXlsxFile) {
  platform::HeadlessSession session;
  quorel::ScopedLogRecorder log;
  TempDir dir;
  std::vector<std::string> opened;
  platform::ScopedSpreadsheetService scope(std::make_unique<platform::XlsxSpreadsheet>(
      [&](const std::string& path) {
        opened.push_back(path);
        return true;
      },
      dir.path()));
  quorel::ResetExcelTransfer();

  auto gas = MakeGrid({{"Nr", "T [\xB0" "C]", "x"}, {"1", "25", "1.5E-7"}, {"2", " ", "a<b"}});
  auto liquid = MakeGrid({{"Substance", "n"}, {"H2O(l)", "0,25"}});
  ASSERT_TRUE(quorel::TransferGridsToExcel({{gas.get(), 1, "Gas1"}, {liquid.get(), 2, "Liquid1"}}, 2));
  ASSERT_EQ(opened.size(), 1u);
  const std::string& path = opened[0];
  EXPECT_EQ(fs::path(path).parent_path(), fs::path(dir.path()));

  const std::string workbook = Unzip(path, "xl/workbook.xml");
  ASSERT_FALSE(workbook.empty()) << "unzip could not read " << path;
  EXPECT_EQ(SheetNames(workbook), (std::vector<std::string>{"Gas1", "Liquid1"}));
  const std::string sst = Unzip(path, "xl/sharedStrings.xml");
  const auto sheet1 = SheetCells(Unzip(path, "xl/worksheets/sheet1.xml"), sst);
  // A number is a numeric cell ("#" and its value as stored), any other text is text exactly
  // as the grid holds it (UTF-8 in the file); an empty cell stays empty.
  EXPECT_EQ(sheet1, (std::map<std::string, std::string>{{"A1", "Nr"}, {"B1", "T [\xC2\xB0" "C]"}, {"C1", "x"},
                                                         {"A2", "#1"}, {"B2", "#25"}, {"C2", "#1.5E-07"},
                                                         {"A3", "#2"}, {"C3", "a<b"}}));
  const auto sheet2 = SheetCells(Unzip(path, "xl/worksheets/sheet2.xml"), sst);
  EXPECT_EQ(sheet2, (std::map<std::string, std::string>{
                        {"A1", "Substance"}, {"B1", "n"}, {"A2", "H2O(l)"}, {"B2", "#0.25"}}));
  EXPECT_FALSE(log.sink.Has(1047));
  EXPECT_TRUE(log.sink.Has(1373));
  quorel::ResetExcelTransfer();
}
