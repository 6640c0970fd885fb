// The record table window as a user drives it: the grid at creation, records appended and
// browsed, files saved and opened, deleting, sorting, copying, pasting, transposing and colour
// marks through the window's commands, the spreadsheet command, the table-changed hook and the
// messages.
#include "records_charts/TablOprt.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "equilibrium/EqlMain.h"
#include "platform/Headless.h"
#include "platform/Spreadsheet.h"
#include "shared/AplMsg.h"
#include "shared/Info.h"
#include "../support/xlsx_reading.h"

namespace fs = std::filesystem;
using namespace platform;
using quorel::TTablOprtWnd;

namespace {

using Table = std::vector<std::vector<std::string>>;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Fill(StringGrid& g, const Table& t) {
  g.SetRowCount(int(t.size()));
  g.SetColCount(int(t[0].size()));
  for (int r = 0; r < int(t.size()); ++r)
    for (int c = 0; c < int(t[r].size()); ++c) g.SetCells(c, r, t[r][c]);
}

Table Dump(const StringGrid& g) {
  Table t;
  for (int r = 0; r < g.RowCount(); ++r) t.push_back(g.Rows(r));
  return t;
}

std::vector<std::string> Column(const StringGrid& g, int c) {
  std::vector<std::string> v;
  for (int r = 1; r < g.RowCount(); ++r) v.push_back(g.Cells(c, r));
  return v;
}

const Table kRecords = {{"C", "T", "p", "x"},
                        {"1", "300", "1", "b"},
                        {"2", "100", "5", "A"},
                        {"3", "200", "2", "a"},
                        {"4", "x", "3", "c"}};

class RecordTable : public ::testing::Test {
 protected:
  RecordTable() {
    quorel::TableChangedHook = [this](int arg) { calls.push_back("changed " + std::to_string(arg)); };
    quorel::DataInsertedHook = [this](int arg) { calls.push_back("inserted " + std::to_string(arg)); };
    // The window clears the changed and browser hooks when it is made; install them after.
    w = std::make_unique<TTablOprtWnd>();
    quorel::TableChangedHook = [this](int arg) { calls.push_back("changed " + std::to_string(arg)); };
    quorel::BrowserButtonHook = [this](int row) { calls.push_back("browse " + std::to_string(row)); };
    std::string tmpl = (fs::temp_directory_path() / "quorel-table-XXXXXX").string();
    dir = ::mkdtemp(tmpl.data());
  }
  ~RecordTable() override {
    w.reset();
    quorel::TableChangedHook = nullptr;
    quorel::BrowserButtonHook = nullptr;
    quorel::DataInsertedHook = nullptr;
    quorel::FileDroppedHook = nullptr;
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  StringGrid& SGT() { return *w->SGT; }
  // The user right-clicks the grid and picks a popup item.
  void Popup(MenuItem* item) {
    w->SGT->ContextPopup(10, 10);
    item->Click();
  }
  int Changes() const { return int(std::count(calls.begin(), calls.end(), "changed 0")); }

  HeadlessSession session;
  quorel::ScopedLogRecorder log;
  std::unique_ptr<TTablOprtWnd> w;
  std::vector<std::string> calls;
  std::string dir;
};

// ---------------------------------------------------------------------------------------------

TEST_F(RecordTable, GridAndStateAtCreation) {
  EXPECT_EQ(quorel::TablOprtWnd, w.get());
  EXPECT_EQ(w->Caption(), "Recorder");
  EXPECT_EQ(SGT().RowCount(), 2);
  EXPECT_EQ(SGT().ColCount(), 5);
  EXPECT_EQ(SGT().DefaultColWidth(), 64);
  EXPECT_EQ(SGT().DefaultRowHeight(), 16);
  EXPECT_EQ(SGT().FixedCols(), 0);
  EXPECT_EQ(SGT().FixedRows(), 1);
  EXPECT_EQ(SGT().GetAlign(), Align::Client);
  EXPECT_EQ(SGT().Options(), goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect |
                                 goColSizing | goRowMoving | goRowSelect | goThumbTracking);
  EXPECT_EQ(w->SelectedColumn, 0);
  EXPECT_EQ(w->RecordPosition, 1);
  EXPECT_FALSE(w->HtmlCopyMode());
  EXPECT_FALSE(w->EditToolsEnabled);
  EXPECT_EQ(w->ColorColumn, -1);
  EXPECT_EQ(w->ColorRow, -1);
  EXPECT_EQ(w->ColumnColor, 0xFFFFFFu);
  EXPECT_EQ(w->RowColor, 0xFFFFFFu);
  EXPECT_TRUE(w->CurrentTablePath.empty());
  EXPECT_FALSE(w->CopyBuffer->Visible());
  EXPECT_FALSE(w->CopyBuffer->WordWrap());
  EXPECT_EQ(w->CopyBuffer->Width(), 1024);
  EXPECT_EQ(w->Toolkit.CopyBuffer, w->CopyBuffer);
  EXPECT_EQ(w->Toolkit.SpareGrid, w->SpareGrid);
  EXPECT_EQ(w->StatusBar1->PanelCount(), 4);
  EXPECT_TRUE(w->Toolbars1->Checked());
}

TEST_F(RecordTable, CreationClearsTheChangedAndBrowserHooks) {
  w.reset();
  quorel::TableChangedHook = [](int) {};
  quorel::BrowserButtonHook = [](int) {};
  w = std::make_unique<TTablOprtWnd>();
  EXPECT_FALSE(quorel::TableChangedHook);
  EXPECT_FALSE(quorel::BrowserButtonHook);
}

TEST_F(RecordTable, CaptionsHintsTagsAndVisibility) {
  struct Case {
    Component* c;
    const char* caption;
    const char* hint;
    int tag;
    bool visible;
  };
  const Case cases[] = {
      {w->ToolBtnOpen, "Open", "Open", 0, true},
      {w->ToolBtnSave, "Save", "Save Table as", 0, true},
      {w->ToolBtnFirst, "First", "First", 1, true},
      {w->ToolBtnPrev, "Previous", "Previous", 2, true},
      {w->ToolBtnNext, "Next", "Next", 3, true},
      {w->ToolBtnLast, "Last", "Last", 4, true},
      {w->ToolBtnCopy, "Copy", "Copy", 0, true},
      {w->ToolBtnDelete, "Delete Selected", "Delete", 0, true},
      {w->ToolBtnDelSels, "Delete Selected Range", "Del Selection", 0, true},
      {w->ToolBtnDelAll, "Delete All", "Delete All", 0, true},
      {w->ToolBtnInsertData, " Insert Data", " Insert Data", 0, false},
      {w->ToolBtnInsertColData, "Insert Col Data", "Insert Col Data", 0, false},
      {w->ToolBtnInsertColum, "Insert Colum", "Insert Colum", 0, false},
      {w->ToolBtnDelColumn, "Del Column", "Del Column", 0, false},
      {w->ToolBtnTrans, "Transpon", "Transpon", 0, false},
      {w->ToolBtnSortMan, "Sort Man.", "Sort Man.", 0, false},
      {w->BtnFieldDef, "Record definition", "Record definition", 0, false},
      {w->BtnSearch, "Search", "Search", 0, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.c->Name());
    EXPECT_EQ(k.c->Caption(), k.caption);
    EXPECT_EQ(k.c->Hint(), k.hint);
    EXPECT_EQ(k.c->Tag(), k.tag);
    EXPECT_EQ(k.c->Visible(), k.visible);
  }
  struct Item {
    MenuItem* m;
    const char* caption;
    int tag;
    bool visible;
  };
  const Item items[] = {
      {w->Open1, "Open", 0, true},          {w->SaveAs1, "Save as", 0, true},
      {w->Copy2, "Copy", 0, true},          {w->MnuSelectAll, "Select all", 0, true},
      {w->ToMsExcel2, "To Ms Excel", 0, true}, {w->First1, "First", 1, true},
      {w->Previous1, "Previous", 2, true},  {w->Next1, "Next", 3, true},
      {w->Last1, "Last", 4, true},          {w->Delete1, "Delete", 0, true},
      {w->Toolbars1, "Tool bars", 0, true}, {w->Copy1, "Copy", 0, true},
      {w->Paste1, "Paste", 0, false},       {w->Undo1, "Undo", 0, false},
      {w->PopClear1, "Clear", 0, true},     {w->DelSelection1, "Del Selection", 0, true},
      {w->SelectAll1, "Select all", 0, true}, {w->ToMSExcel1, "To MS Excel", 0, true},
      {w->SortbyName1, "Sort as String", 0, true}, {w->SortbyDataUp1, "Sort by Values Upwards", 0, true},
      {w->SortbyDataDown1, "Sort by Values Downwards", 0, true}, {w->FixCol1, "Fix. Column", 0, true},
      {w->ColColor1, "Col. Color", 0, true}, {w->RowColor1, "Row Color", 1, true},
      {w->RenewIndex1, "Renew Index", 0, true},
  };
  for (const Item& k : items) {
    SCOPED_TRACE(k.m->Name());
    EXPECT_EQ(k.m->Caption(), k.caption);
    EXPECT_EQ(k.m->Tag(), k.tag);
    EXPECT_EQ(k.m->Visible(), k.visible);
  }
  EXPECT_EQ(w->Copy1->GetShortCut(), ShortCut(Key::Insert, ssCtrl));
  EXPECT_EQ(w->Paste1->GetShortCut(), ShortCut(Key::Insert, ssShift));
  EXPECT_EQ(w->Undo1->GetShortCut(), ShortCut(Key::Back, ssAlt));
}

// ---------------------------------------------------------------------------------------------
// Records appended after calculations, and the browser

TEST_F(RecordTable, AppendedRecordsAreBrowsed) {
  Fill(SGT(), {{"C", "T"}, {"1", "300"}});
  for (int n = 2; n <= 4; ++n) {  // three more calculations append their rows
    SGT().SetRowCount(n + 1);
    SGT().SetCells(0, n, std::to_string(n));
    SGT().SetCells(1, n, std::to_string(300 + n));
  }
  ASSERT_EQ(SGT().RowCount(), 5);
  struct Case {
    int start;
    Component* button;
    int expected;
  };
  const Case cases[] = {
      {1, w->ToolBtnNext, 2},  {4, w->ToolBtnNext, 4},  // the last record stays
      {3, w->ToolBtnPrev, 2},  {1, w->ToolBtnPrev, 1},  // record 1 stays
      {3, w->ToolBtnFirst, 1}, {2, w->ToolBtnLast, 4},
      {1, w->Next1, 2},        {3, w->Previous1, 2},
      {4, w->First1, 1},       {1, w->Last1, 4},
      {9, w->ToolBtnPrev, 3},  // a position left beyond the table after a delete
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.button->Name() + " from " + std::to_string(k.start));
    w->RecordPosition = k.start;
    calls.clear();
    k.button->Click();
    EXPECT_EQ(w->RecordPosition, k.expected);
    EXPECT_EQ(SGT().Selection(), (GridRect{SGT().LeftCol(), k.expected, SGT().LeftCol(), k.expected}));
    EXPECT_EQ(calls, (std::vector<std::string>{"browse " + std::to_string(k.expected)}));
  }
}

TEST_F(RecordTable, ShowRecordScrollsTheRecordIntoView) {
  SGT().SetRowCount(200);
  SGT().SetBounds(0, 0, 400, 16 * 11);  // ten data rows in view
  const int visible = SGT().VisibleRowCount();
  ASSERT_GT(visible, 1);
  w->RecordPosition = 150;
  w->ShowRecord();
  EXPECT_EQ(SGT().TopRow(), 150 - visible + 1);
  w->ToolBtnFirst->Click();
  EXPECT_EQ(SGT().TopRow(), 1);
  calls.clear();
  w->RecordPosition = 0;
  w->ShowRecord();  // nothing at position 0
  EXPECT_TRUE(calls.empty());
}

TEST_F(RecordTable, CellSelectionFillsTheStatusBar) {
  Fill(SGT(), kRecords);
  EXPECT_TRUE(SGT().UserSelectCell(2, 3));
  EXPECT_EQ(w->SelectedColumn, 2);
  EXPECT_EQ(w->RecordPosition, 3);
  EXPECT_EQ(w->StatusBar1->PanelText(0), "2: 3");
  EXPECT_EQ(w->StatusBar1->PanelText(1), "p");
  EXPECT_EQ(w->StatusBar1->PanelText(2), "3");
  EXPECT_EQ(calls, (std::vector<std::string>{"browse 3"}));
}

// ---------------------------------------------------------------------------------------------
// Files

TEST_F(RecordTable, SaveAndOpenRoundTripIsByteExact) {
  // Five columns, as the table has at creation, the last one empty.
  Fill(SGT(), {{"C", "T [K]", "H", "", ""}, {"1", "298.15", "-241.8", "", ""}, {"2", "", "1e-5", "x", ""}});
  const std::string path = dir + "/run.asc";
  session.dialogs.QueueFileName(path);
  w->ToolBtnSave->Click();
  ASSERT_EQ(session.dialogs.file_requests.size(), 1u);
  EXPECT_EQ(session.dialogs.file_requests[0].Title, "Save Table as");
  EXPECT_EQ(session.dialogs.file_requests[0].FileName, "Table1.asc");
  EXPECT_EQ(session.dialogs.file_requests[0].Filter,
            "ASCII (*.asc)|*.asc|Excel Workbook (*.xlsx)|*.xlsx|All Files (*.*)|*.*");
  const std::string bytes = "C\tT [K]\tH\t\t\r\n1\t298.15\t-241.8\t\t\r\n2\t\t1e-5\tx\t\r\n";
  EXPECT_EQ(ReadBytes(path), bytes);
  EXPECT_EQ(w->CurrentTablePath, path);
  EXPECT_EQ(w->Caption(), path);
  EXPECT_EQ(w->SaveHistory, (std::vector<std::string>{path}));
  EXPECT_EQ(Changes(), 0);  // saving changes nothing

  TTablOprtWnd* first = w.release();
  w = std::make_unique<TTablOprtWnd>();
  quorel::TableChangedHook = [this](int arg) { calls.push_back("changed " + std::to_string(arg)); };
  session.dialogs.QueueFileName(path);
  w->ToolBtnOpen->Click();
  EXPECT_EQ(session.dialogs.file_requests[1].Title, "Open Table");
  EXPECT_EQ(session.dialogs.file_requests[1].Filter, "ASCII (*.asc)|*.asc|All Files (*.*)|*.*");
  EXPECT_EQ(Dump(SGT()), Dump(*first->SGT));
  EXPECT_EQ(w->Caption(), path);
  EXPECT_EQ(Changes(), 1);
  delete first;

  const std::string again = dir + "/again.asc";
  session.dialogs.QueueFileName(again);
  w->SaveAs1->Click();
  EXPECT_EQ(session.dialogs.file_requests[2].FileName, path);  // the current file is proposed
  EXPECT_EQ(ReadBytes(again), bytes);
}

TEST_F(RecordTable, SavingOverAnExistingFileAsksFirst) {
  const std::string path = dir + "/old.asc";
  std::ofstream(path, std::ios::binary) << "old\r\n";
  Fill(SGT(), {{"C", "T"}, {"1", "2"}});
  struct Case {
    int answer;
    const char* bytes;
  };
  const Case cases[] = {{mrNo, "old\r\n"}, {mrYes, "C\tT\r\n1\t2\r\n"}};
  for (const Case& k : cases) {
    session.dialogs.QueueFileName(path);
    session.dialogs.QueueMessageAnswer(k.answer);
    w->ToolBtnSave->Click();
    const auto& m = session.dialogs.messages.back();
    EXPECT_EQ(m.text, "File exists, replace ?");
    EXPECT_EQ(m.caption, "Table save as");
    EXPECT_EQ(MsgButtons(m.flags), mbYesNo);
    EXPECT_EQ(MsgDefaultAnswer(m.flags), mrNo);
    EXPECT_EQ(ReadBytes(path), k.bytes);
  }
  EXPECT_TRUE(session.AllUsed());
}

TEST_F(RecordTable, OpeningAMissingFileIsReported) {
  const std::string path = dir + "/none.asc";
  session.dialogs.QueueFileName(path);
  w->Open1->Click();
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].text, path + ": file does not exist");
  EXPECT_EQ(session.dialogs.messages[0].caption, "Table ");
  EXPECT_EQ(MsgIcon(session.dialogs.messages[0].flags), mbIconInformation);
  ASSERT_EQ(log.sink.messages.size(), 1u);
  EXPECT_EQ(log.sink.messages[0].id, quorel::TableFileMissingId);
  EXPECT_EQ(log.sink.messages[0].id, 917);
  EXPECT_EQ(log.sink.messages[0].level, 0);
  EXPECT_EQ(log.sink.messages[0].text, path + ": file does not exist");
  EXPECT_EQ(Changes(), 0);
  EXPECT_TRUE(w->CurrentTablePath.empty());
}

TEST_F(RecordTable, OpeningAShorterFileKeepsTheExtraRows) {
  Fill(SGT(), kRecords);
  const std::string path = dir + "/short.asc";
  std::ofstream(path, std::ios::binary) << "C\tT\r\n9\t900\r\n";
  session.dialogs.QueueFileName(path);
  w->ToolBtnOpen->Click();
  EXPECT_EQ(Dump(SGT()), (Table{{"C", "T", "p", "x"},
                                {"9", "900", "1", "b"},
                                {"2", "100", "5", "A"},
                                {"3", "200", "2", "a"},
                                {"4", "x", "3", "c"}}));
  EXPECT_EQ(Changes(), 1);
  // The file opened is proposed next time.
  session.dialogs.QueueFileCancel();
  w->ToolBtnOpen->Click();
  EXPECT_EQ(session.dialogs.file_requests.back().FileName, path);
}

// ---------------------------------------------------------------------------------------------
// Deleting

TEST_F(RecordTable, DeleteTheCurrentRecord) {
  struct Case {
    Table before;
    int position;
    int answer;
    Table after;
    int changes;
  };
  const Case cases[] = {
      {{{"C", "T"}, {"1", "a"}, {"2", "b"}}, 1, mrYes, {{"C", "T"}, {"2", "b"}}, 1},
      {{{"C", "T"}, {"1", "a"}, {"2", "b"}}, 2, mrNo, {{"C", "T"}, {"1", "a"}, {"2", "b"}}, 0},
      {{{"C", "T"}, {"1", "a"}}, 1, mrYes, {{"C", "T"}, {"", ""}}, 1},  // the only record
  };
  for (const Case& k : cases) {
    Fill(SGT(), k.before);
    w->RecordPosition = k.position;
    calls.clear();
    session.dialogs.QueueMessageAnswer(k.answer);
    w->ToolBtnDelete->Click();
    EXPECT_EQ(session.dialogs.messages.back().text, "Delete Datasets in " + k.before[k.position][0] + " ?");
    EXPECT_EQ(session.dialogs.messages.back().caption, "Quorel");
    EXPECT_EQ(MsgDefaultAnswer(session.dialogs.messages.back().flags), mrNo);
    EXPECT_EQ(Dump(SGT()), k.after);
    EXPECT_EQ(Changes(), k.changes);
  }
  // The title row is no record: nothing is asked or deleted.
  const size_t asked = session.dialogs.messages.size();
  w->RecordPosition = 0;
  w->Delete1->Click();
  EXPECT_EQ(session.dialogs.messages.size(), asked);
  EXPECT_EQ(SGT().Cells(1, 0), "T");
}

TEST_F(RecordTable, DeleteTheSelectedRows) {
  struct Case {
    int top, bottom, answer;
    const char* question;
    std::vector<std::string> remaining;  // column 0 of the data rows
  };
  const Case cases[] = {
      {2, 3, mrYes, "Delete records from 2 to 3 ?", {"1", "4"}},
      {2, 3, mrNo, "Delete records from 2 to 3 ?", {"1", "2", "3", "4"}},
      {3, 4, mrYes, "Delete records from 3 to 4 ?", {"1", "2"}},
      {1, 4, mrYes, "Delete records from 1 to 4 ?", {""}},  // every record: row 1 stays empty
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.question);
    Fill(SGT(), kRecords);
    SGT().SetSelection({0, k.top, 3, k.bottom});
    calls.clear();
    session.dialogs.QueueMessageAnswer(k.answer);
    w->ToolBtnDelSels->Click();
    EXPECT_EQ(session.dialogs.messages.back().text, k.question);
    EXPECT_EQ(session.dialogs.messages.back().caption, "Table");
    EXPECT_EQ(Column(SGT(), 0), k.remaining);
    EXPECT_EQ(SGT().Cells(1, 0), "T");
    EXPECT_EQ(Changes(), k.answer == mrYes ? 1 : 0);
  }
  // Through the popup, and Undo (with the edit tools) brings the rows back.
  Fill(SGT(), kRecords);
  SGT().SetSelection({0, 1, 0, 2});
  session.dialogs.QueueMessageAnswer(mrYes);
  Popup(w->DelSelection1);
  EXPECT_EQ(Column(SGT(), 0), (std::vector<std::string>{"3", "4"}));
  w->SGT->KeyDown(Key::Insert, ssAlt);
  w->Undo1->Click();
  EXPECT_EQ(Dump(SGT()), kRecords);
}

TEST_F(RecordTable, DeleteAllEmptiesTheTable) {
  Fill(SGT(), kRecords);
  session.dialogs.QueueMessageAnswer(mrNo);
  w->ToolBtnDelAll->Click();
  EXPECT_EQ(Dump(SGT()), kRecords);
  EXPECT_EQ(session.dialogs.messages.back().text, "Clear Data?");
  EXPECT_EQ(session.dialogs.messages.back().caption, "Process Data");
  EXPECT_EQ(Changes(), 0);
  session.dialogs.QueueMessageAnswer(mrYes);
  w->ToolBtnDelAll->Click();
  EXPECT_EQ(Dump(SGT()), (Table{{"C", "T", "p", "x"}, {"", "", "", ""}}));
  EXPECT_EQ(Changes(), 1);
}

TEST_F(RecordTable, ClearEmptiesTheSelectionWithoutTheHook) {
  Fill(SGT(), kRecords);
  SGT().SetSelection({1, 2, 2, 3});
  Popup(w->PopClear1);
  EXPECT_EQ(Dump(SGT()), (Table{{"C", "T", "p", "x"},
                                {"1", "300", "1", "b"},
                                {"2", "", "", "A"},
                                {"3", "", "", "a"},
                                {"4", "x", "3", "c"}}));
  EXPECT_EQ(Dump(*w->UndoGrid), kRecords);
  EXPECT_EQ(Changes(), 0);
}

// ---------------------------------------------------------------------------------------------
// Sorting and the index

TEST_F(RecordTable, SortsBySelectedColumn) {
  struct Case {
    MenuItem* MenuItemOf;
    int column;
    std::vector<std::string> order;  // column 0 after the sort
  };
  const Case cases[] = {
      {w->SortbyDataUp1, 1, {"4", "2", "3", "1"}},    // x counts as 0
      {w->SortbyDataDown1, 1, {"1", "3", "2", "4"}},
      {w->SortbyName1, 3, {"2", "3", "1", "4"}},      // A, a, b, c
      {w->SortbyDataUp1, 2, {"1", "3", "4", "2"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.MenuItemOf->Name());
    Fill(SGT(), kRecords);
    SGT().UserSelectCell(k.column, 1);
    calls.clear();
    Popup(k.MenuItemOf);
    EXPECT_EQ(Column(SGT(), 0), k.order);
    EXPECT_EQ(SGT().Rows(0), kRecords[0]);
    EXPECT_EQ(calls, (std::vector<std::string>{"changed 0"}));
  }
  EXPECT_NE(std::find(session.application.run_states.begin(), session.application.run_states.end(),
                      RunState::Waiting),
            session.application.run_states.end());
  EXPECT_EQ(session.application.run_state, RunState::Idle);
}

TEST_F(RecordTable, RenewIndexNumbersTheRecords) {
  Fill(SGT(), kRecords);
  SGT().SetCells(0, 2, "x7");
  Popup(w->RenewIndex1);
  EXPECT_EQ(Column(SGT(), 0), (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(Changes(), 1);
}

// ---------------------------------------------------------------------------------------------
// Copy and paste

TEST_F(RecordTable, CopyPutsTheSelectionOnTheClipboard) {
  Fill(SGT(), kRecords);
  struct Case {
    GridRect selection;
    Component* command;
    const char* text;
  };
  const Case cases[] = {
      {{1, 1, 2, 2}, w->ToolBtnCopy, "300\t1\r\n100\t5"},
      {{1, 3, 1, 3}, w->Copy2, "200"},  // a single cell: its text alone
      {{0, 4, 3, 4}, w->Copy1, "4\tx\t3\tc"},
  };
  for (const Case& k : cases) {
    SGT().SetSelection(k.selection);
    if (k.command == w->Copy1) w->SGT->ContextPopup(1, 1);
    k.command->Click();
    EXPECT_EQ(session.clipboard.text, k.text);
  }
  SGT().SetSelection({1, 1, 1, 1});
  EXPECT_EQ(w->SGT->KeyDown('C', ssCtrl), 0);
  EXPECT_EQ(session.clipboard.text, "300");
  SGT().SetSelection({1, 2, 1, 2});
  EXPECT_EQ(w->SGT->KeyDown(Key::Insert, ssCtrl), 0);  // the popup's short cut
  EXPECT_EQ(session.clipboard.text, "100");
}

TEST_F(RecordTable, AltHSwitchesToHtmlCopies) {
  Fill(SGT(), kRecords);
  EXPECT_EQ(w->StatusBar1->PanelText(3), "TXT");
  EXPECT_EQ(w->SGT->KeyDown('H', ssAlt), 0);
  EXPECT_TRUE(w->HtmlCopyMode());
  EXPECT_TRUE(w->EditToolsEnabled);
  EXPECT_EQ(w->StatusBar1->PanelText(3), "HT");
  SGT().SetSelection({1, 1, 2, 1});
  w->ToolBtnCopy->Click();
  EXPECT_EQ(session.clipboard.text.rfind("<table", 0), 0u);
  EXPECT_NE(session.clipboard.text.find("   <td>300</td><td>1</td>"), std::string::npos);
  w->SGT->KeyDown('H', ssAlt);
  EXPECT_FALSE(w->HtmlCopyMode());
  EXPECT_EQ(w->StatusBar1->PanelText(3), "TXT");
  EXPECT_TRUE(w->EditToolsEnabled);  // never cleared once set
}

TEST_F(RecordTable, SelectAllSelectsEveryCell) {
  Fill(SGT(), kRecords);
  w->MnuSelectAll->Click();
  EXPECT_EQ(SGT().Selection(), (GridRect{0, 1, 3, 4}));  // row 0 is the fixed title row
  SGT().SetSelection({1, 1, 1, 1});
  Popup(w->SelectAll1);
  EXPECT_EQ(SGT().Selection(), (GridRect{0, 1, 3, 4}));
}

TEST_F(RecordTable, PasteAndUndoOnlyWithTheEditTools) {
  Fill(SGT(), {{"C", "T"}, {"1", "a"}});
  session.clipboard.SetText("x\ty");
  w->SelectedColumn = 0;
  w->RecordPosition = 1;
  w->Paste1->Click();
  w->Undo1->Click();
  EXPECT_EQ(Dump(SGT()), (Table{{"C", "T"}, {"1", "a"}}));
  EXPECT_EQ(w->SGT->KeyDown(Key::Insert, ssShift), Key::Insert);  // hidden: no short cut
  EXPECT_TRUE(calls.empty());

  EXPECT_EQ(w->SGT->KeyDown(Key::Insert, ssAlt), 0);
  EXPECT_TRUE(w->EditToolsEnabled);
  for (Component* c : std::initializer_list<Component*>{w->ToolBtnInsertData, w->ToolBtnInsertColData,
                                                        w->ToolBtnInsertColum, w->ToolBtnDelColumn,
                                                        w->ToolBtnSortMan, w->Paste1, w->Undo1})
    EXPECT_TRUE(c->Visible()) << c->Name();
  EXPECT_FALSE(w->ToolBtnTrans->Visible());
  EXPECT_EQ(w->SGT->KeyDown(Key::Insert, ssShift), 0);  // Paste by its short cut
  EXPECT_EQ(Dump(SGT()), (Table{{"C", "T"}, {"x", "y"}}));
  EXPECT_EQ(calls, (std::vector<std::string>{"inserted 0", "changed 0"}));
  EXPECT_EQ(w->SGT->KeyDown(Key::Back, ssAlt), 0);  // Undo
  EXPECT_EQ(Dump(SGT()), (Table{{"C", "T"}, {"1", "a"}}));
  w->SGT->KeyDown(Key::Insert, ssAlt);  // hides the tools again
  EXPECT_FALSE(w->Paste1->Visible());
  EXPECT_TRUE(w->EditToolsEnabled);
}

TEST_F(RecordTable, PastedBlockGrowsTheGrid) {
  Fill(SGT(), {{"C", "T"}, {"1", "a"}});
  w->SGT->KeyDown(Key::Insert, ssAlt);
  // The clipboard text of a 3 x 2 block as a copy leaves it (no line end after the last row).
  session.clipboard.SetText("a\tb\r\nc\td\r\ne\tf");
  w->SelectedColumn = 4;
  w->RecordPosition = 2;
  w->Paste1->Click();
  EXPECT_EQ(SGT().ColCount(), 6);
  EXPECT_EQ(SGT().RowCount(), 5);
  const Table expected = {{"C", "T", "", "", "", ""},
                          {"1", "a", "", "", "", ""},
                          {"", "", "", "", "a", "b"},
                          {"", "", "", "", "c", "d"},
                          {"", "", "", "", "e", "f"}};
  EXPECT_EQ(Dump(SGT()), expected);
}

TEST(PasteText, CellsLinesAndGrowth) {
  struct Case {
    const char* text;
    int col, row;
    Table expected;
  };
  const Case cases[] = {
      {"a\tb\r\nc\td\r\n", 0, 0, {{"a", "b"}, {"c", "d"}}},
      {"a\tb\nc\td", 0, 0, {{"a", "b"}, {"c", "d"}}},
      {"x", 1, 1, {{"", ""}, {"", "x"}}},             // a copied single cell
      {"a\t\tc\n", 0, 0, {{"a", "", "c"}}},
      {"p\r\nq\r\n", 1, 0, {{"", "p"}, {"", "q"}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    StringGrid g;
    g.SetColCount(1);
    g.SetRowCount(1);
    quorel::PasteTextToGrid(k.text, k.col, k.row, g);
    EXPECT_EQ(Dump(g), k.expected);
  }
  HeadlessSession session;
  StringGrid g;
  EXPECT_EQ(quorel::PasteClipboardToGrid(0, 0, g), -1);  // no text on the clipboard
  session.clipboard.SetText("1");
  EXPECT_EQ(quorel::PasteClipboardToGrid(0, 0, g), 1);
  EXPECT_EQ(g.Cells(0, 0), "1");
}

// A paste stops at the grid caps and says so: a text of empty lines and a line of TABs once
// made a grid of its line count times its TAB count.
TEST(PasteText, StopsAtTheCaps) {
  quorel::ScopedLogRecorder log;
  std::string text(20000, '\n');
  text += std::string(20000, '\t') + "x\n";
  StringGrid g;
  quorel::PasteTextToGrid(text, 2, 1, g);
  EXPECT_EQ(g.RowCount(), 20002);
  EXPECT_EQ(g.ColCount(), quorel::MaxGridFileCols);
  std::string tall;
  for (int i = 0; i < 70000; ++i) tall += "r" + std::to_string(i) + "\tv\n";
  quorel::PasteTextToGrid(tall, 0, 0, g);
  EXPECT_EQ(g.RowCount(), quorel::MaxGridFileRows);
  EXPECT_EQ(g.Cells(0, quorel::MaxGridFileRows - 1), "r65535");
  ASSERT_EQ(log.sink.messages.size(), 2u);
  EXPECT_EQ(log.sink.messages[0].level, 0);
  EXPECT_EQ(log.sink.messages[0].id, quorel::GridSizeCappedId);
  EXPECT_EQ(log.sink.messages[0].text, "Clipboard: only the first 65536 rows and 1024 columns are read");
}

TEST_F(RecordTable, InsertDataReplacesTheTable) {
  Fill(SGT(), kRecords);
  session.clipboard.SetText("C\tV\r\n1\t2\r\n");
  w->ToolBtnInsertData->Click();
  EXPECT_EQ(SGT().Rows(0), (std::vector<std::string>{"C", "V", "", ""}));
  EXPECT_EQ(SGT().Rows(1), (std::vector<std::string>{"1", "2", "", ""}));
  EXPECT_EQ(SGT().Rows(2), (std::vector<std::string>{"", "", "", ""}));
  EXPECT_EQ(calls, (std::vector<std::string>{"inserted 0", "changed 0"}));
  EXPECT_EQ(Dump(*w->UndoGrid), kRecords);

  // Insert Col Data from the selection's left column, row 0.
  calls.clear();
  SGT().SetSelection({2, 1, 2, 1});
  session.clipboard.SetText("W\r\n7\r\n8\r\n");
  w->ToolBtnInsertColData->Click();
  EXPECT_EQ(Column(SGT(), 2), (std::vector<std::string>{"7", "8", "", ""}));
  EXPECT_EQ(SGT().Cells(2, 0), "W");
  EXPECT_EQ(calls, (std::vector<std::string>{"inserted 0", "changed 0"}));

  // Without text on the clipboard the table stays.
  calls.clear();
  session.clipboard.Clear();
  const Table before = Dump(SGT());
  w->ToolBtnInsertData->Click();
  EXPECT_EQ(Dump(SGT()), before);
  EXPECT_TRUE(calls.empty());
}

// ---------------------------------------------------------------------------------------------
// Columns, transpose, fixed columns

TEST_F(RecordTable, InsertAndDeleteColumns) {
  Fill(SGT(), kRecords);
  SGT().UserSelectCell(1, 1);
  w->ToolBtnInsertColum->Click();
  EXPECT_EQ(SGT().Rows(0), (std::vector<std::string>{"C", "", "T", "p", "x"}));
  session.dialogs.QueueMessageAnswer(mrNo);
  SGT().UserSelectCell(2, 1);
  w->ToolBtnDelColumn->Click();
  EXPECT_EQ(session.dialogs.messages.back().text, "Delete Column T ?");
  EXPECT_EQ(SGT().ColCount(), 5);
  session.dialogs.QueueMessageAnswer(mrYes);
  w->ToolBtnDelColumn->Click();
  EXPECT_EQ(SGT().Rows(0), (std::vector<std::string>{"C", "", "p", "x"}));
  EXPECT_EQ(Changes(), 0);
}

TEST_F(RecordTable, TransposeSwapsRowsAndColumns) {
  Fill(SGT(), {{"C", "T", "p"}, {"1", "300", "1"}});
  w->ToolBtnTrans->Click();
  EXPECT_EQ(Dump(SGT()), (Table{{"C", "1"}, {"T", "300"}, {"p", "1"}}));
  EXPECT_EQ(Dump(*w->UndoGrid), (Table{{"C", "T", "p"}, {"1", "300", "1"}}));
  EXPECT_EQ(Changes(), 0);
  w->SGT->KeyDown('H', ssAlt);  // edit tools on
  w->Undo();
  EXPECT_EQ(Dump(SGT()), (Table{{"C", "T", "p"}, {"1", "300", "1"}}));
}

TEST_F(RecordTable, FixColumnTogglesWithTheSameSelection) {
  Fill(SGT(), kRecords);
  SGT().SetSelection({1, 1, 1, 1});
  Popup(w->FixCol1);
  EXPECT_EQ(SGT().FixedCols(), 2);
  EXPECT_EQ(SGT().Options(), goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect |
                                 goColSizing | goThumbTracking);
  Popup(w->FixCol1);
  EXPECT_EQ(SGT().FixedCols(), 0);
  SGT().SetSelection({0, 1, 0, 1});
  Popup(w->FixCol1);
  EXPECT_EQ(SGT().FixedCols(), 1);
  EXPECT_TRUE(SGT().HasOption(goRowMoving));  // exactly one fixed column
  EXPECT_FALSE(SGT().HasOption(goRowSelect));
  SGT().SetSelection({3, 1, 3, 1});
  Popup(w->FixCol1);
  EXPECT_EQ(SGT().FixedCols(), 3);  // at most column count - 1
  // Sort Man. toggles between 0 and 1 fixed columns.
  w->ToolBtnSortMan->Click();
  EXPECT_EQ(SGT().FixedCols(), 0);
  w->ToolBtnSortMan->Click();
  EXPECT_EQ(SGT().FixedCols(), 1);
}

// ---------------------------------------------------------------------------------------------
// Colour marks

TEST_F(RecordTable, ColourMarksPaintTheirColumnAndRow) {
  Fill(SGT(), kRecords);
  SGT().UserSelectCell(2, 3);
  session.dialogs.QueueColor(RGB(255, 0, 0));
  Popup(w->ColColor1);
  EXPECT_EQ(session.dialogs.color_requests.back(), clWhite);  // preset with the column colour
  EXPECT_EQ(w->ColorColumn, 2);
  EXPECT_EQ(w->ColorRow, 3);
  EXPECT_EQ(w->ColumnColor, RGB(255, 0, 0));
  EXPECT_EQ(w->RowColor, clWhite);
  session.dialogs.QueueColor(RGB(0, 0, 255));
  Popup(w->RowColor1);
  EXPECT_EQ(session.dialogs.color_requests.back(), RGB(255, 0, 0));
  EXPECT_EQ(w->RowColor, RGB(0, 0, 255));
  session.dialogs.QueueColorCancel();
  Popup(w->RowColor1);
  EXPECT_EQ(w->RowColor, RGB(0, 0, 255));

  struct Case {
    int col, row;
    TColor background;
  };
  const Case cases[] = {{2, 1, RGB(255, 0, 0)}, {1, 3, RGB(0, 0, 255)}, {2, 3, RGB(0, 0, 255)}, {1, 1, clWindow}};
  for (const Case& k : cases) {
    CellDrawInfo info;
    SGT().DrawCell(k.col, k.row, info);
    EXPECT_EQ(info.Background, k.background) << k.col << "," << k.row;
    EXPECT_EQ(info.TextDx, 2);
    EXPECT_EQ(info.TextDy, 2);
  }
}

TEST_F(RecordTable, PopupEnablesItsItemsByTheSelectedCell) {
  struct Case {
    int column, position;
    bool inside, rowColour, colColour;
  };
  const Case cases[] = {{1, 1, true, true, true}, {9, 1, false, true, true}, {200, 130, false, false, false}};
  for (const Case& k : cases) {
    w->SelectedColumn = k.column;
    w->RecordPosition = k.position;
    w->SGT->ContextPopup(1, 1);
    for (MenuItem* m : {w->SortbyName1, w->SortbyDataUp1, w->SortbyDataDown1, w->FixCol1, w->ColColor1})
      EXPECT_EQ(m->Enabled(), k.inside) << m->Name();
    EXPECT_EQ(w->RowColor1->Visible(), k.rowColour);
    EXPECT_EQ(w->ColColor1->Visible(), k.colColour);
  }
}

// ---------------------------------------------------------------------------------------------
// Spreadsheet

class RecordTableExcel : public RecordTable {
 protected:
  RecordTableExcel() {
    auto fake = std::make_unique<RecordingSpreadsheet>();
    xl = fake.get();
    scope = std::make_unique<ScopedSpreadsheetService>(std::move(fake));
    quorel::ResetExcelTransfer();
  }
  ~RecordTableExcel() override { quorel::ResetExcelTransfer(); }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const auto& m : log.sink.messages) ids.push_back(m.id);
    return ids;
  }
  RecordingSpreadsheet* xl = nullptr;
  std::unique_ptr<ScopedSpreadsheetService> scope;
};

TEST_F(RecordTableExcel, TableGoesToOneWorksheet) {
  Fill(SGT(), {{"C", "T"}, {"1", "300"}});
  w->ToMsExcel2->Click();
  EXPECT_EQ(xl->Calls, (std::vector<std::string>{"Attach", "Start", "Visible", "SetVisible 1", "AddWorkbook",
                                                 "WorkbookCount", "SheetCount 1", "SheetCount 1",
                                                 "SetCell 1 1 1 1 C", "SetCell 1 1 1 2 T", "SetCell 1 1 2 1 1",
                                                 "SetCell 1 1 2 2 300", "Finish"}));
  EXPECT_EQ(Ids(), (std::vector<int>{1297, 1373}));
  EXPECT_EQ(log.sink.messages[0].text, "Data transfer to MS Excel, please wait");
  EXPECT_EQ(log.sink.messages[1].text, "Data transfer to MS Excel is completed");
  EXPECT_EQ(xl->CellText(1, 1, 2, 2), "300");
}

TEST_F(RecordTableExcel, WithoutASpreadsheetProgram) {
  xl->StartFails = true;
  Popup(w->ToMSExcel1);
  EXPECT_EQ(Ids(), (std::vector<int>{1297, 1047}));
  EXPECT_EQ(log.sink.messages[1].text, "MS Excel can not be started!");
}

// ---------------------------------------------------------------------------------------------
// Mouse, keys, tool bar, window

TEST_F(RecordTable, TitlePressesSelectWholeColumnsAndRows) {
  Fill(SGT(), kRecords);
  SGT().SetBounds(0, 0, 400, 200);
  auto centre = [&](int c, int r) {
    const Rect rc = SGT().CellRect(c, r);
    return std::pair<int, int>{rc.Left + rc.Width() / 2, rc.Top + rc.Height() / 2};
  };
  auto [x2, y0] = centre(2, 0);
  SGT().MouseDown(MouseButton::Left, ssLeft, x2, y0);
  EXPECT_EQ(w->SelectedColumn, 2);
  EXPECT_EQ(w->RecordPosition, 0);
  EXPECT_EQ(w->StatusBar1->PanelText(2), "p");
  EXPECT_EQ(SGT().Selection(), (GridRect{2, 1, 2, 4}));
  auto [x3, y0b] = centre(3, 0);
  SGT().MouseMove(ssLeft, x3, y0b);
  EXPECT_EQ(SGT().Selection(), (GridRect{2, 1, 3, 4}));
  SGT().MouseUp(MouseButton::Left, ssNone, x3, y0b);

  auto [x0, y3] = centre(0, 3);
  SGT().MouseDown(MouseButton::Left, ssLeft, x0, y3);
  EXPECT_EQ(SGT().Selection(), (GridRect{0, 3, 3, 3}));
  EXPECT_EQ(w->StatusBar1->PanelText(2), "C");
  SGT().MouseUp(MouseButton::Left, ssNone, x0, y3);

  // With column moving the press starts no title selection, and the release gives the other
  // selected columns the width of the column under the mouse.
  SGT().SetOptions(SGT().Options() | goColMoving);
  SGT().SetColWidths(1, 40);
  SGT().SetSelection({1, 1, 3, 4});
  auto [x1, y0c] = centre(1, 0);
  SGT().MouseDown(MouseButton::Left, ssLeft, x1, y0c);
  SGT().MouseUp(MouseButton::Left, ssNone, x1, y0c);
  EXPECT_EQ(SGT().ColWidths(2), 40);
  EXPECT_EQ(SGT().ColWidths(3), 40);
}

TEST_F(RecordTable, GridKeysResizeRowsAndTheFirstColumn) {
  struct Case {
    int key;
    int height, width0;
  };
  const Case cases[] = {{Key::Up, 15, 64}, {Key::Down, 16, 64}, {Key::Left, 16, 63}, {Key::Right, 16, 64}};
  for (const Case& k : cases) {
    EXPECT_EQ(w->SGT->KeyDown(k.key, ssAlt), 0);
    EXPECT_EQ(SGT().DefaultRowHeight(), k.height);
    EXPECT_EQ(SGT().ColWidths(0), k.width0);
  }
}

TEST_F(RecordTable, ToolBarsMenuTogglesTheToolBar) {
  w->Toolbars1->Click();
  EXPECT_FALSE(w->Toolbars1->Checked());
  EXPECT_FALSE(w->ToolBar1->Visible());
  w->Toolbars1->Click();
  EXPECT_TRUE(w->Toolbars1->Checked());
  EXPECT_TRUE(w->ToolBar1->Visible());
}

TEST_F(RecordTable, DroppedFilesGoToTheirHookAndClosingHides) {
  std::vector<std::string> dropped;
  quorel::FileDroppedHook = [&](const std::string& path) { dropped.push_back(path); };
  w->UserDropFiles({"/tmp/a.asc", "/tmp/b.asc"});
  EXPECT_EQ(dropped, (std::vector<std::string>{"/tmp/a.asc"}));
  quorel::FileDroppedHook = nullptr;
  w->UserDropFiles({"/tmp/c.asc"});  // no hook installed: nothing happens

  w->Show();
  EXPECT_TRUE(w->Visible());
  w->Close();
  EXPECT_FALSE(w->Visible());
  EXPECT_EQ(quorel::TablOprtWnd, w.get());
}

TEST_F(RecordTable, StatusPanelsShareTheWidth) {
  w->UserResize(800, 400);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(w->StatusBar1->PanelWidth(i), 200);
}

// ---------------------------------------------------------------------------------------------
// Orvanto's windows make the record table between the about box and the message log, and its
// "Records" button shows it.

TEST(OrvantoRecordTable, CreatedInOrderAndShownByRecords) {
  HeadlessSession session;
  quorel::ScopedLogRecorder log;
  const int before = Screen::FormCount();
  auto windows = std::make_unique<quorel::OrvantoWindows>();
  ASSERT_NE(quorel::TablOprtWnd, nullptr);
  EXPECT_EQ(quorel::TablOprtWnd, windows->Records.get());
  const auto& forms = Screen::Forms();
  auto index = [&](const Form* f) {
    return int(std::find(forms.begin(), forms.end(), f) - forms.begin());
  };
  EXPECT_LT(index(windows->About.get()), index(windows->Records.get()));
  EXPECT_LT(index(windows->Records.get()), index(windows->Messages.get()));
  EXPECT_FALSE(windows->Records->Visible());
  windows->Main->BtnRecords->Click();
  EXPECT_TRUE(windows->Records->Visible());
  windows.reset();
  EXPECT_EQ(quorel::TablOprtWnd, nullptr);
  EXPECT_EQ(Screen::FormCount(), before);
}

}  // namespace

namespace {
// "Save as" with a workbook's name, or with the workbook kind chosen, writes the workbook of the
// spreadsheet transfer: numbers are numeric cells, texts are texts, blank cells stay empty.
TEST_F(RecordTable, SaveAsAWorkbookWritesNumbersAsNumbers) {
  Fill(SGT(), {{"C", "T [K]", "x(CO2)", "", ""}, {"1", "298.15", "1e-5", "", ""}, {"2", "3000", "", "n/a", ""}});
  struct Case {
    std::string name;
    int filterIndex;
    std::string written;
  } cases[] = {{dir + "/run.xlsx", 1, dir + "/run.xlsx"},  // the name says it, whatever the kind
               {dir + "/RUN2.XLSX", 3, dir + "/RUN2.XLSX"},
               {dir + "/run3", 2, dir + "/run3.xlsx"}};  // the kind chosen gives the extension
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    session.dialogs.QueueFileName(c.name, c.filterIndex);
    w->SaveAs1->Click();
    ASSERT_TRUE(fs::exists(c.written));
    const std::map<std::string, std::string> cells = xlsxreading::WorkbookSheetCells(c.written, 1);
    EXPECT_EQ(cells, (std::map<std::string, std::string>{{"A1", "C"},
                                                         {"B1", "T [K]"},
                                                         {"C1", "x(CO2)"},
                                                         {"A2", "#1"},
                                                         {"B2", "#298.15"},
                                                         {"C2", "#1E-05"},
                                                         {"A3", "#2"},
                                                         {"B3", "#3000"},
                                                         {"D3", "n/a"}}));
    EXPECT_EQ(xlsxreading::SheetNames(xlsxreading::Unzip(c.written, "xl/workbook.xml")),
              (std::vector<std::string>{"Records"}));
    EXPECT_EQ(w->Caption(), c.written);
    EXPECT_EQ(w->CurrentTablePath, "");  // Open reads table texts only
  }
}
}  // namespace
