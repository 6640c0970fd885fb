// The spreadsheet service: the recording fake that window tests script, and the real one that
// writes a genuine .xlsx workbook (read back here with unzip) and hands it to an opener.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/Headless.h"
#include "platform/Spreadsheet.h"
#include "../support/xlsx_reading.h"

namespace platform {
namespace {

using xlsxreading::SheetCells;
using xlsxreading::SheetNames;
using xlsxreading::Unzip;
using xlsxreading::WorkbookSheetCells;

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// The fake

TEST(RecordingSpreadsheet, NoProgramAtAllFailsAttachAndStart) {
  RecordingSpreadsheet s;
  s.StartFails = true;
  EXPECT_FALSE(s.Attach());
  EXPECT_FALSE(s.Start());
  EXPECT_FALSE(s.Connected());
  EXPECT_FALSE(s.AddWorkbook());
  EXPECT_EQ(s.WorkbookCount(), 0);
  EXPECT_EQ(s.Calls, (std::vector<std::string>{"Attach", "Start", "AddWorkbook", "WorkbookCount"}));
}

TEST(RecordingSpreadsheet, ARunningInstanceIsFoundWithItsStateAndWorkbooks) {
  RecordingSpreadsheet s;
  s.AttachFails = false;
  s.RunningVisible = false;
  s.RunningWorkbooks = 2;
  ASSERT_TRUE(s.Attach());
  EXPECT_FALSE(s.Visible());
  s.SetVisible(true);
  EXPECT_TRUE(s.Visible());
  ASSERT_TRUE(s.AddWorkbook());
  EXPECT_EQ(s.WorkbookCount(), 3);
  EXPECT_EQ(s.WorkbookName(3), "Book3");
  EXPECT_EQ(s.SheetCount(3), 3);
  EXPECT_EQ(s.CountCalls("Start"), 0);
}

TEST(RecordingSpreadsheet, RecordsTheTransferAndKeepsTheCells) {
  RecordingSpreadsheet s;
  s.SheetsPerNewWorkbook = 1;
  ASSERT_FALSE(s.Attach());
  ASSERT_TRUE(s.Start());
  EXPECT_FALSE(s.Visible());  // a started instance is hidden until told
  s.SetVisible(true);
  ASSERT_TRUE(s.AddWorkbook());
  ASSERT_TRUE(s.AddSheet(1));
  ASSERT_TRUE(s.SetSheetName(1, 2, "Gas"));
  ASSERT_TRUE(s.SetCell(1, 2, 1, 1, "T [\xB0" "C]"));
  ASSERT_TRUE(s.SetCell(1, 2, 2, 1, "25"));
  std::string error;
  ASSERT_TRUE(s.Finish(error));
  EXPECT_EQ(s.Calls, (std::vector<std::string>{"Attach", "Start", "Visible", "SetVisible 1",
                                                "AddWorkbook", "AddSheet 1", "SetSheetName 1 2 Gas",
                                                "SetCell 1 2 1 1 T [\xB0" "C]", "SetCell 1 2 2 1 25",
                                                "Finish"}));
  EXPECT_EQ(s.CellText(1, 2, 2, 1), "25");
  EXPECT_EQ(s.CellText(1, 1, 2, 1), "");
  EXPECT_EQ(s.Books[0].Sheets[1].Name, "Gas");
}

TEST(RecordingSpreadsheet, ScriptedFailures) {
  RecordingSpreadsheet s;
  s.FailingCell = {3, 2};
  s.FinishFails = true;
  ASSERT_TRUE(s.Start());
  ASSERT_TRUE(s.AddWorkbook());
  EXPECT_TRUE(s.SetCell(1, 1, 3, 1, "a"));
  EXPECT_FALSE(s.SetCell(1, 1, 3, 2, "b"));
  EXPECT_FALSE(s.SetCell(1, 4, 1, 1, "no such sheet"));
  EXPECT_FALSE(s.SetCell(1, 1, 0, 1, "row 0"));
  // Deleting down to one sheet works; the last one stays.
  EXPECT_TRUE(s.DeleteSheet(1, 3));
  EXPECT_TRUE(s.DeleteSheet(1, 2));
  EXPECT_FALSE(s.DeleteSheet(1, 1));
  EXPECT_EQ(s.SheetCount(1), 1);
  std::string error;
  EXPECT_FALSE(s.Finish(error));
  EXPECT_EQ(error, s.FinishError);
}

TEST(SpreadsheetService, DefaultsToXlsxAndTakesAnInstalledOne) {
  EXPECT_NE(dynamic_cast<XlsxSpreadsheet*>(&SpreadsheetService()), nullptr);
  {
    auto fake = std::make_unique<RecordingSpreadsheet>();
    RecordingSpreadsheet* raw = fake.get();
    ScopedSpreadsheetService scope(std::move(fake));
    EXPECT_EQ(&SpreadsheetService(), raw);
    SpreadsheetService().Attach();
    EXPECT_EQ(raw->Calls, std::vector<std::string>{"Attach"});
  }
  EXPECT_NE(dynamic_cast<XlsxSpreadsheet*>(&SpreadsheetService()), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The real one

class XlsxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = std::string(QUOREL_BUILD_DIR) + "/xlsx-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // An opener that records instead of opening.
  DocumentOpener Recorder(bool answer = true) {
    return [this, answer](const std::string& path) {
      opened_.push_back(path);
      return answer;
    };
  }
  std::string dir_;
  std::vector<std::string> opened_;
};

TEST_F(XlsxTest, ModelFollowsTheAutomationRules) {
  XlsxSpreadsheet s(Recorder(), dir_);
  EXPECT_FALSE(s.Attach());  // nothing running before the first start
  EXPECT_FALSE(s.AddWorkbook());
  ASSERT_TRUE(s.Start());
  EXPECT_TRUE(s.Attach());  // the started one stays for later transfers
  EXPECT_FALSE(s.Visible());
  ASSERT_TRUE(s.AddWorkbook());
  EXPECT_EQ(s.WorkbookCount(), 1);
  EXPECT_EQ(s.WorkbookName(1), "Book1");
  EXPECT_EQ(s.SheetCount(1), 1);
  EXPECT_EQ(s.SheetName(1, 1), "Sheet1");
  ASSERT_TRUE(s.AddSheet(1));
  EXPECT_EQ(s.SheetName(1, 2), "Sheet2");
  EXPECT_EQ(s.SheetCount(2), 0);
  EXPECT_FALSE(s.AddSheet(2));
  // Cells outside the sheet's limits fail, so the transfer can report them.
  EXPECT_FALSE(s.SetCell(1, 1, 0, 1, "x"));
  EXPECT_FALSE(s.SetCell(1, 1, 1, XlsxSpreadsheet::kMaxCols + 1, "x"));
  EXPECT_FALSE(s.SetCell(1, 1, XlsxSpreadsheet::kMaxRows + 1, 1, "x"));
  EXPECT_FALSE(s.SetCell(1, 1, 1, 1, std::string(XlsxSpreadsheet::kMaxCellText + 1, 'a')));
  EXPECT_FALSE(s.SetCell(1, 3, 1, 1, "no such sheet"));
  EXPECT_TRUE(s.SetCell(1, 1, XlsxSpreadsheet::kMaxRows, XlsxSpreadsheet::kMaxCols, "corner"));
  EXPECT_TRUE(s.DeleteSheet(1, 1));
  EXPECT_FALSE(s.DeleteSheet(1, 1));  // the last sheet stays
  EXPECT_EQ(s.SheetName(1, 1), "Sheet2");
}

TEST_F(XlsxTest, WritesAGenuineWorkbookWithSheetsInOrderAndTextCells) {
  XlsxSpreadsheet s(Recorder(), dir_);
  ASSERT_TRUE(s.Start());
  s.SetVisible(true);
  ASSERT_TRUE(s.AddWorkbook());
  ASSERT_TRUE(s.AddSheet(1));
  ASSERT_TRUE(s.SetSheetName(1, 1, "Gas"));
  ASSERT_TRUE(s.SetSheetName(1, 2, "T [\xB0" "C]"));  // '[' and ']' are not allowed in names
  ASSERT_TRUE(s.SetCell(1, 1, 1, 1, "Name"));
  ASSERT_TRUE(s.SetCell(1, 1, 1, 2, "T [\xB0" "C]"));
  ASSERT_TRUE(s.SetCell(1, 1, 2, 1, "H2O(g)"));
  ASSERT_TRUE(s.SetCell(1, 1, 2, 2, "1.5E-7"));  // numbers stay text
  ASSERT_TRUE(s.SetCell(1, 1, 3, 2, "a < b & c"));
  ASSERT_TRUE(s.SetCell(1, 1, 3, 3, ""));         // an empty text leaves no cell
  ASSERT_TRUE(s.SetCell(1, 2, 1, 27, "AA1"));

  std::string error;
  ASSERT_TRUE(s.Finish(error)) << error;
  ASSERT_EQ(opened_.size(), 1u);
  const std::string path = opened_[0];
  EXPECT_EQ(path, dir_ + "/Book1.xlsx");
  ASSERT_TRUE(fs::exists(path));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);  // no temporary left

  const std::string workbook = Unzip(path, "xl/workbook.xml");
  ASSERT_FALSE(workbook.empty()) << "unzip could not read " << path;
  EXPECT_EQ(SheetNames(workbook), (std::vector<std::string>{"Gas", "T _\xC2\xB0" "C_"}));

  const std::string sst = Unzip(path, "xl/sharedStrings.xml");
  EXPECT_NE(sst.find("T [\xC2\xB0" "C]"), std::string::npos);  // "°" as UTF-8
  const auto sheet1 = SheetCells(Unzip(path, "xl/worksheets/sheet1.xml"), sst);
  EXPECT_EQ(sheet1, (std::map<std::string, std::string>{{"A1", "Name"},
                                                        {"B1", "T [\xC2\xB0" "C]"},
                                                        {"A2", "H2O(g)"},
                                                        {"B2", "1.5E-7"},
                                                        {"B3", "a &lt; b &amp; c"}}));
  const auto sheet2 = SheetCells(Unzip(path, "xl/worksheets/sheet2.xml"), sst);
  EXPECT_EQ(sheet2, (std::map<std::string, std::string>{{"AA1", "AA1"}}));

  // Nothing changed since: nothing is written or opened again. A later transfer into a new
  // workbook of the same instance gets its own file.
  ASSERT_TRUE(s.Finish(error));
  EXPECT_EQ(opened_.size(), 1u);
  ASSERT_TRUE(s.Attach());
  ASSERT_TRUE(s.AddWorkbook());
  ASSERT_TRUE(s.SetCell(2, 1, 1, 1, "second"));
  ASSERT_TRUE(s.Finish(error)) << error;
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_EQ(opened_[1], dir_ + "/Book2.xlsx");
}

TEST_F(XlsxTest, SheetNamesAreMendedIntoValidUniqueNames) {
  SpreadsheetBook book;
  book.Name = "Book1";
  book.Sheets = {{"a/b", {}, {}},
                 {"A/B", {}, {}},
                 {"", {}, {}},
                 {std::string(40, 'x'), {}, {}},
                 {std::string(40, 'x'), {}, {}},
                 {"'quoted'", {}, {}}};
  const std::string path = dir_ + "/names.xlsx";
  std::string error;
  ASSERT_TRUE(XlsxSpreadsheet::WriteXlsx(book, path, error)) << error;
  EXPECT_EQ(SheetNames(Unzip(path, "xl/workbook.xml")),
            (std::vector<std::string>{"a_b", "A_B (2)", "Sheet3", std::string(31, 'x'),
                                      std::string(27, 'x') + " (2)", "_quoted_"}));
}

TEST_F(XlsxTest, FailuresToWriteOrOpenAreReturned) {
  {
    XlsxSpreadsheet s(Recorder(), dir_ + "/missing/folder");
    ASSERT_TRUE(s.Start());
    s.SetVisible(true);
    ASSERT_TRUE(s.AddWorkbook());
    ASSERT_TRUE(s.SetCell(1, 1, 1, 1, "x"));
    std::string error;
    EXPECT_FALSE(s.Finish(error));
    EXPECT_NE(error.find("Book1.xlsx"), std::string::npos) << error;
    EXPECT_TRUE(opened_.empty());
  }
  {
    // No program opens it and the user cancels the question where to keep it.
    HeadlessSession session;
    XlsxSpreadsheet s(Recorder(false), dir_);
    ASSERT_TRUE(s.Start());
    s.SetVisible(true);
    ASSERT_TRUE(s.AddWorkbook());
    std::string error;
    EXPECT_FALSE(s.Finish(error));
    EXPECT_NE(error.find("Cannot open"), std::string::npos) << error;
    EXPECT_TRUE(fs::exists(dir_ + "/Book1.xlsx"));
    EXPECT_EQ(session.dialogs.file_requests.size(), 1u);
  }
}

TEST_F(XlsxTest, AWorkbookThatNoProgramOpensIsSavedWhereTheUserSays) {
  HeadlessSession session;
  XlsxSpreadsheet s(Recorder(false), dir_ + "/temporary");
  fs::create_directories(dir_ + "/temporary");
  ASSERT_TRUE(s.Start());
  s.SetVisible(true);
  ASSERT_TRUE(s.AddWorkbook());
  ASSERT_TRUE(s.SetNumber(1, 1, 1, 1, 2.5, "2.5"));
  // A first choice that cannot be written is said, and asked again.
  session.dialogs.QueueFileName(dir_ + "/no/such/folder/kept", 1);
  session.dialogs.QueueFileName(dir_ + "/kept", 1);
  std::string error;
  EXPECT_TRUE(s.Finish(error)) << error;
  ASSERT_EQ(session.dialogs.file_requests.size(), 2u);
  EXPECT_EQ(session.dialogs.file_requests[0].DialogKind, FileDialogKind::Save);
  EXPECT_EQ(session.dialogs.file_requests[0].FileName, "Book1.xlsx");
  EXPECT_EQ(session.dialogs.file_requests[0].Filter, "Excel Workbook (*.xlsx)|*.xlsx|All Files (*.*)|*.*");
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(s.Books()[0].WrittenPath, dir_ + "/kept.xlsx");
  EXPECT_EQ(WorkbookSheetCells(dir_ + "/kept.xlsx", 1), (std::map<std::string, std::string>{{"A1", "#2.5"}}));
}

TEST_F(XlsxTest, HiddenApplicationWritesWithoutOpeningAndMakesItsOwnFolder) {
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  setenv("TMPDIR", dir_.c_str(), 1);
  XlsxSpreadsheet s(Recorder());
  ASSERT_TRUE(s.Start());
  ASSERT_TRUE(s.AddWorkbook());
  std::string error;
  EXPECT_TRUE(s.Finish(error)) << error;
  if (old) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
  EXPECT_TRUE(opened_.empty());
  ASSERT_FALSE(s.Folder().empty());
  EXPECT_EQ(fs::path(s.Folder()).parent_path(), fs::path(dir_));
  EXPECT_TRUE(fs::exists(s.Folder() + "/Book1.xlsx"));
}

}  // namespace
}  // namespace platform
