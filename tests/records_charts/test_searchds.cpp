// The record search as a user drives it: a record table filled by the test, the search dialog
// bound to it, a field, Min, Max or a range chosen, "Find" pressed; the found row, the listed
// fields, the grid's scroll position and selection, and the messages. Expected rows are
// computed from the cells the test wrote.
#include "records_charts/SearchDs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../equilibrium/orvanto_support.h"
#include "equilibrium/Compounds.h"
#include "equilibrium/EqlMain.h"
#include "platform/Headless.h"
#include "records_charts/TablOprt.h"
#include "shared/AplMsg.h"
#include "shared/PTools.h"
#include "shared/UnitConv.h"

using namespace platform;
using quorel::TSearchDsDlg;
using quorel::TTablOprtWnd;

namespace {

// One cell as the test wrote it: its text, and its value when it is a number.
struct Cell {
  std::string text;
  std::optional<double> value;
};
Cell N(const char* text, double value) { return {text, value}; }
Cell T(const char* text) { return {text, std::nullopt}; }  // empty or not a number

// Columns: 0 the record name, then fields with ties, negatives, decimal commas, blanks around
// numbers, empty cells and texts.
const std::vector<std::string> kTitles = {"Nr", "T [K]", "P [bar]", "x(H2O)", "Comment", "G [kJ]"};
const std::vector<std::vector<Cell>> kColumns = {
    {N("1", 1), N("2", 2), N("3", 3), N("4", 4), N("5", 5), N("6", 6), N("7", 7), N("8", 8)},
    {N("300", 300), N("250", 250), N("400", 400), N("250", 250), N("400", 400), N("325.5", 325.5),
     N("500", 500), N("275", 275)},
    {N("1", 1), T(""), N("0,5", 0.5), N(" 2 ", 2), T(""), N("1e1", 10), N("0.5", 0.5), N("10", 10)},
    {N("-0.2", -0.2), N("0.1", 0.1), T("n.a."), N("0.3", 0.3), N("-0.3", -0.3), T(""),
     N("0", 0), N("0.2", 0.2)},
    {T("start"), T(""), T("x"), T("end"), T(""), T("?"), T("-"), T("ok")},
    {N("-12", -12), N("5", 5), N("12", 12), T("abc"), N("-5", -5), N("0", 0), T(" "), N("-12", -12)},
};
constexpr int kRows = 8;  // data rows 1 .. 8

enum class Mode { Min, Max };

// The first row with the smallest (largest) value of the column, 0 when no cell is a number.
int ExpectedExtreme(int col, Mode mode, bool absolute) {
  int best = 0;
  double bestValue = 0;
  for (int r = 1; r <= kRows; ++r) {
    const Cell& c = kColumns[col][r - 1];
    if (!c.value) continue;
    const double v = absolute ? std::fabs(*c.value) : *c.value;
    if (best == 0 || (mode == Mode::Min ? v < bestValue : v > bestValue)) {
      best = r;
      bestValue = v;
    }
  }
  return best;
}

// Every row in order whose value lies within the given bounds.
std::vector<int> ExpectedInRange(int col, std::optional<double> from, std::optional<double> to,
                                 bool absolute) {
  std::vector<int> rows;
  for (int r = 1; r <= kRows; ++r) {
    const Cell& c = kColumns[col][r - 1];
    if (!c.value) continue;
    const double v = absolute ? std::fabs(*c.value) : *c.value;
    if ((!from || v >= *from) && (!to || v <= *to)) rows.push_back(r);
  }
  return rows;
}

class RecordSearch : public ::testing::Test {
 protected:
  RecordSearch() {
    table = std::make_unique<TTablOprtWnd>();
    dlg = std::make_unique<TSearchDsDlg>();
    Fill();
    dlg->SetSearchGrid(SGT());
  }
  ~RecordSearch() override {
    dlg.reset();
    table.reset();
  }
  StringGrid& SGT() { return *table->SGT; }
  void Fill() {
    SGT().SetColCount(int(kTitles.size()));
    SGT().SetRowCount(kRows + 1);
    for (int c = 0; c < int(kTitles.size()); ++c) {
      SGT().SetCells(c, 0, kTitles[c]);
      for (int r = 1; r <= kRows; ++r) SGT().SetCells(c, r, kColumns[c][r - 1].text);
    }
  }
  void Choose(int field, RadioButton* mode, bool absolute, const std::string& from = "0",
              const std::string& to = "") {
    dlg->CBFields->SetItemIndex(field);
    mode->Click();
    dlg->CBAbs->SetChecked(absolute);
    dlg->EditMin->SetText(from);
    dlg->EditMax->SetText(to);
  }
  int Press() {
    dlg->ButtonFind->Click();
    return dlg->LastFoundRow();
  }

  HeadlessSession session;
  quorel::ScopedLogRecorder log;
  std::unique_ptr<TTablOprtWnd> table;
  std::unique_ptr<TSearchDsDlg> dlg;
};

// ---------------------------------------------------------------------------------------------

TEST(RecordSearchDialog, ComponentsAtCreation) {
  HeadlessSession session;
  TSearchDsDlg dlg;
  EXPECT_EQ(quorel::SearchDsDlg, &dlg);
  EXPECT_EQ(dlg.Caption(), "Search");
  EXPECT_EQ(dlg.Position(), FormPosition::DesktopCenter);
  EXPECT_EQ(dlg.GBSearch->Caption(), "Search for");
  struct Captioned {
    Component* c;
    const char* caption;
  };
  for (const Captioned& k : std::vector<Captioned>{{dlg.LabelField, "Field"},
                                                   {dlg.RBMin, "Min"},
                                                   {dlg.RBMax, "Max"},
                                                   {dlg.RBRestrictiv, "Find next in Range"},
                                                   {dlg.Label1, "From"},
                                                   {dlg.Label2, "To"},
                                                   {dlg.CBAbs, "Abs. Values"},
                                                   {dlg.ButtonFind, "Find"},
                                                   {dlg.ButtonExit, "Close"}}) {
    EXPECT_EQ(k.c->Caption(), k.caption) << k.c->Name();
    EXPECT_EQ(k.c->Owner(), k.c == dlg.ButtonExit ? static_cast<Component*>(dlg.Panel1) : dlg.GBSearch)
        << k.c->Name();
  }
  EXPECT_TRUE(dlg.RBMin->Checked());
  EXPECT_FALSE(dlg.RBMax->Checked());
  EXPECT_FALSE(dlg.RBRestrictiv->Checked());
  EXPECT_FALSE(dlg.CBAbs->Checked());
  EXPECT_EQ(dlg.EditMin->Text(), "0");
  EXPECT_EQ(dlg.EditMax->Text(), "");
  EXPECT_EQ(dlg.CBFields->Style(), ComboStyle::DropDownList);
  ASSERT_EQ(dlg.ListView1->ColumnCount(), 2);
  EXPECT_EQ(dlg.ListView1->Column(0).Caption, "Fields");
  EXPECT_EQ(dlg.ListView1->Column(1).Caption, "Data");
  EXPECT_EQ(dlg.ListView1->Column(0).Width, 128);
  EXPECT_EQ(dlg.ListView1->Column(1).Width, 128);
  EXPECT_EQ(dlg.ListView1->Style(), ViewStyle::Report);
  EXPECT_TRUE(dlg.ListView1->ReadOnly());
  EXPECT_TRUE(dlg.ListView1->RowSelect());
  EXPECT_EQ(dlg.SearchGrid(), nullptr);
  EXPECT_EQ(dlg.LastFoundRow(), 0);
  EXPECT_FALSE(dlg.Searching());
  EXPECT_EQ(dlg.SearchRecords(), 0);
  dlg.ButtonFind->Click();  // no grid: nothing
  EXPECT_EQ(dlg.LastFoundRow(), 0);
  EXPECT_EQ(dlg.ListView1->Count(), 0);
}

TEST(RecordSearchDialog, FieldNamesOfTitles) {
  struct Case {
    const char* title;
    const char* name;
  } cases[] = {
      {"T [K]", "T"},       {"T[C]", "T"},         {"  T [ C ] ", "T"}, {"1/T [1/K]", "1/T"},
      {"1/(T/K)", "1/T"},   {"Tc [K]", "Tc [K]"},  {"T", "T"},          {" P [bar] ", "P [bar]"},
      {"1/P", "1/P"},       {"", ""},              {"x(H2O)", "x(H2O)"},
  };
  for (const Case& c : cases) EXPECT_EQ(quorel::SearchFieldName(c.title), c.name) << c.title;
}

TEST_F(RecordSearch, BindingListsTheFields) {
  EXPECT_EQ(dlg->SearchGrid(), &SGT());
  ASSERT_EQ(dlg->CBFields->Items().Count(), int(kTitles.size()));
  ASSERT_EQ(dlg->ListView1->Count(), int(kTitles.size()));
  for (int c = 0; c < int(kTitles.size()); ++c) {
    EXPECT_EQ(dlg->CBFields->Items()[c], quorel::SearchFieldName(kTitles[c]));
    EXPECT_EQ(dlg->ListView1->Items(c)->Caption(), kTitles[c]);
    EXPECT_EQ(dlg->ListView1->Items(c)->SubItem(0), "");
    EXPECT_EQ(dlg->ListView1->Items(c)->ImageIndex(), c == 1 ? 0 : -1);
  }
  EXPECT_EQ(dlg->CBFields->Items()[1], "T");
  EXPECT_EQ(dlg->CBFields->ItemIndex(), 1);

  // A grid of one column selects no field; rebinding forgets the last found row.
  Press();
  ASSERT_NE(dlg->LastFoundRow(), 0);
  StringGrid one(nullptr, "one");
  one.SetColCount(1);
  one.SetRowCount(3);
  one.SetCells(0, 0, "T [K]");
  one.SetCells(0, 1, "5");
  dlg->SetSearchGrid(one);
  EXPECT_EQ(dlg->LastFoundRow(), 0);
  EXPECT_EQ(dlg->CBFields->Items().Count(), 1);
  EXPECT_EQ(dlg->CBFields->ItemIndex(), -1);
  EXPECT_EQ(dlg->SearchRecords(), 0);
  dlg->CBFields->SetItemIndex(0);
  EXPECT_EQ(dlg->SearchRecords(), 1);
}

TEST_F(RecordSearch, MinAndMaxOfEveryColumn) {
  struct Case {
    RadioButton* mode;
    Mode m;
    bool absolute;
  };
  const Case cases[] = {{dlg->RBMin, Mode::Min, false},
                        {dlg->RBMax, Mode::Max, false},
                        {dlg->RBMin, Mode::Min, true},
                        {dlg->RBMax, Mode::Max, true}};
  for (int col = 0; col < int(kTitles.size()); ++col) {
    for (const Case& k : cases) {
      Choose(col, k.mode, k.absolute);
      const int expected = ExpectedExtreme(col, k.m, k.absolute);
      EXPECT_EQ(dlg->SearchRecords(), expected)
          << kTitles[col] << (k.m == Mode::Min ? " Min" : " Max") << (k.absolute ? " abs" : "");
      EXPECT_EQ(Press(), expected);
      // A second press finds the same row: Min and Max always scan from row 1.
      EXPECT_EQ(Press(), expected);
    }
  }
}

TEST_F(RecordSearch, RangeWalksThroughTheMatchingRowsAndStartsAgain) {
  struct Case {
    int col;
    const char* from;
    const char* to;
    bool absolute;
  };
  const Case cases[] = {
      {1, "300", "", false},   {1, "", "275", false},  {1, "250", "400", false}, {1, "260", "270", false},
      {2, "1", "", false},     {2, "0,5", "2", false}, {2, "", "0.5", false},    {3, "0", "", false},
      {3, "0.2", "", true},    {3, "-0.25", "0.15", false}, {5, "-5", "5", false}, {5, "5", "12", true},
      {5, "", "-12", false},   {4, "-1e9", "1e9", false},   {0, "1", "", false},
  };
  for (const Case& k : cases) {
    Choose(k.col, dlg->RBRestrictiv, k.absolute, k.from, k.to);
    std::optional<double> from, to;
    if (*k.from) from = quorel::TextToDouble(k.from);
    if (*k.to) to = quorel::TextToDouble(k.to);
    const std::vector<int> expected = ExpectedInRange(k.col, from, to, k.absolute);
    const std::string label = kTitles[k.col] + " [" + k.from + ", " + k.to + "]";
    // Two rounds: the walk ends with 0, and the press after it starts again from row 1.
    for (int round = 0; round < 2; ++round) {
      for (int row : expected) EXPECT_EQ(Press(), row) << label;
      EXPECT_EQ(Press(), 0) << label;
    }
  }
}

// The cases of the dialog's description, on a table of one field.
TEST_F(RecordSearch, SmallTables) {
  struct Case {
    std::vector<std::string> cells;
    RadioButton* mode;
    bool absolute;
    std::string from, to;
    std::vector<int> presses;  // the row each press finds
  };
  const std::vector<Case> cases = {
      {{"3", "1", "1"}, dlg->RBMin, false, "0", "", {2, 2}},
      {{"2", "-5", "5"}, dlg->RBMax, true, "0", "", {2}},
      {{"2", "-5", "5"}, dlg->RBMax, false, "0", "", {3}},
      {{"0.5", "1", "3", "-2", "1"}, dlg->RBRestrictiv, false, "1", "", {2, 3, 5, 0, 2}},
      // A walk that ends on the last record yields 0 before it starts again.
      {{"1", "0", "2"}, dlg->RBRestrictiv, false, "1", "", {1, 3, 0, 1, 3, 0}},
      {{"", "", ""}, dlg->RBMin, false, "0", "", {0}},
      {{"", "", ""}, dlg->RBMax, false, "0", "", {0}},
      {{"a", "b", "c"}, dlg->RBMin, false, "0", "", {0}},
      {{"a", "b", "c"}, dlg->RBRestrictiv, false, "-1", "1", {0}},
      // A text is no value: it is not a 0 that would be the minimum or lie in the range.
      {{"5", "abc", "7"}, dlg->RBMin, false, "0", "", {1}},
      {{"-5", "abc", "-7"}, dlg->RBMax, false, "0", "", {1}},
      {{"5", "abc", "0"}, dlg->RBRestrictiv, false, "-1", "1", {3, 0}},
      {{"5", "", "0", " "}, dlg->RBRestrictiv, false, "", "0", {3, 0}},
      {{"1,5", "1.25", "2"}, dlg->RBMin, false, "0", "", {2}},
      // A range without bounds finds nothing.
      {{"1", "2"}, dlg->RBRestrictiv, false, "", "", {0, 0}},
      {{"1", "2"}, dlg->RBRestrictiv, false, "  ", " ", {0}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& k = cases[i];
    SGT().SetColCount(2);
    SGT().SetRowCount(int(k.cells.size()) + 1);
    SGT().SetCells(1, 0, "v");
    for (int r = 1; r <= int(k.cells.size()); ++r) SGT().SetCells(1, r, k.cells[r - 1]);
    dlg->SetSearchGrid(SGT());
    Choose(1, k.mode, k.absolute, k.from, k.to);
    for (int expected : k.presses) EXPECT_EQ(Press(), expected) << "case " << i;
  }
  EXPECT_FALSE(log.sink.Has(quorel::SearchBoundUnreadableId));
}

TEST_F(RecordSearch, ABoundThatIsNoNumberIsReported) {
  struct Case {
    const char* from;
    const char* to;
    std::vector<std::string> texts;
  } cases[] = {
      {"abc", "", {"Search: From \"abc\" is not a number"}},
      {"", "1..2", {"Search: To \"1..2\" is not a number"}},
      {"x", "y", {"Search: From \"x\" is not a number", "Search: To \"y\" is not a number"}},
      {" 1e999 ", "", {"Search: From \"1e999\" is not a number"}},
  };
  for (const auto& k : cases) {
    Choose(1, dlg->RBRestrictiv, false, k.from, k.to);
    log.sink.Clear();
    EXPECT_EQ(Press(), 0) << k.from << " " << k.to;
    std::vector<std::string> texts;
    for (const auto& m : log.sink.messages) {
      EXPECT_EQ(m.id, quorel::SearchBoundUnreadableId);
      EXPECT_EQ(m.level, quorel::LevelError);
      texts.push_back(m.text);
    }
    EXPECT_EQ(texts, k.texts);
  }
  // Min and Max do not read the bounds.
  Choose(1, dlg->RBMax, false, "abc", "def");
  log.sink.Clear();
  EXPECT_EQ(Press(), ExpectedExtreme(1, Mode::Max, false));
  EXPECT_TRUE(log.sink.messages.empty());
}

TEST_F(RecordSearch, FindListsTheRowAndSelectsIt) {
  Choose(2, dlg->RBMax, false);
  const int found = ExpectedExtreme(2, Mode::Max, false);
  ASSERT_EQ(Press(), found);
  ASSERT_EQ(dlg->ListView1->Count(), int(kTitles.size()));
  for (int c = 0; c < int(kTitles.size()); ++c) {
    EXPECT_EQ(dlg->ListView1->Items(c)->Caption(), kTitles[c]);
    EXPECT_EQ(dlg->ListView1->Items(c)->SubItem(0), kColumns[c][found - 1].text);
    EXPECT_EQ(dlg->ListView1->Items(c)->ImageIndex(), c == 2 ? 0 : -1);
  }
  EXPECT_EQ(SGT().Selection(), (GridRect{0, found, int(kTitles.size()) - 1, found}));
  EXPECT_FALSE(dlg->Searching());

  // Nothing found: the list is rebuilt with empty data, the selection stays.
  Choose(4, dlg->RBMin, false);
  EXPECT_EQ(Press(), 0);
  for (int c = 0; c < int(kTitles.size()); ++c) {
    EXPECT_EQ(dlg->ListView1->Items(c)->SubItem(0), "");
    EXPECT_EQ(dlg->ListView1->Items(c)->ImageIndex(), c == 4 ? 0 : -1);
  }
  EXPECT_EQ(SGT().Selection(), (GridRect{0, found, int(kTitles.size()) - 1, found}));
}

TEST_F(RecordSearch, TheFoundRowIsScrolledIntoView) {
  SGT().SetColCount(2);
  SGT().SetRowCount(201);
  for (int r = 1; r <= 200; ++r) SGT().SetCells(1, r, std::to_string(r));
  SGT().SetBounds(0, 0, 400, 16 * 11);  // ten data rows in view
  const int visible = SGT().VisibleRowCount();
  ASSERT_GT(visible, 1);
  dlg->SetSearchGrid(SGT());
  struct Case {
    int top;    // top row before the search
    int value;  // the row holding the largest value
    int topAfter;
  };
  const Case cases[] = {
      {1, 150, 150 - visible + 1},  // below the view: the last visible row
      {100, 103, 103},              // inside the view: moved to the top
      {100, 100 + visible, 100 + visible},
      {100, 40, 40},   // above the view: the top row
      {100, 1, 1},     // the first record comes back into view too
      {50, 200, 200 - visible + 1},
  };
  for (const Case& k : cases) {
    for (int r = 1; r <= 200; ++r) SGT().SetCells(1, r, std::to_string(r == k.value ? 1000 : r % 7));
    SGT().SetTopRow(k.top);
    Choose(1, dlg->RBMax, false);
    ASSERT_EQ(Press(), k.value);
    EXPECT_EQ(SGT().TopRow(), k.topAfter) << k.top << " " << k.value;
    EXPECT_GE(k.value, SGT().TopRow());
    EXPECT_LT(k.value, SGT().TopRow() + visible);
  }
}

TEST_F(RecordSearch, SelectingALineChoosesItsField) {
  for (int c : {3, 0, 5}) {
    dlg->ListView1->UserSelect(dlg->ListView1->Items(c));
    EXPECT_EQ(dlg->CBFields->ItemIndex(), c);
  }
  dlg->ListView1->UserSelect(nullptr);
  EXPECT_EQ(dlg->CBFields->ItemIndex(), 5);
  // The rebuild by Find keeps the chosen field.
  dlg->RBMin->Click();
  EXPECT_EQ(Press(), ExpectedExtreme(5, Mode::Min, false));
  EXPECT_EQ(dlg->CBFields->ItemIndex(), 5);
}

TEST_F(RecordSearch, EnterFindsAndEscapeCloses) {
  dlg->Show();
  Choose(1, dlg->RBMax, false);
  for (Component* c : std::vector<Component*>{dlg->EditMin, dlg->CBFields, dlg->ListView1, dlg->ButtonExit}) {
    dlg->SetSearchGrid(SGT());  // forgets the last found row
    dlg->RBMax->Click();
    EXPECT_EQ(c->KeyDown(Key::Enter), 0) << c->Name();
    EXPECT_EQ(dlg->LastFoundRow(), ExpectedExtreme(1, Mode::Max, false)) << c->Name();
    EXPECT_TRUE(dlg->Visible());
  }
  EXPECT_EQ(dlg->EditMax->KeyDown(Key::Escape), 0);
  EXPECT_FALSE(dlg->Visible());
  dlg->Show();
  dlg->ButtonExit->Click();
  EXPECT_FALSE(dlg->Visible());
}

TEST_F(RecordSearch, AFieldBeyondTheGridOrAGoneGridFindsNothing) {
  dlg->CBFields->SetItemIndex(5);
  SGT().SetColCount(3);  // the table lost columns after the binding
  EXPECT_EQ(dlg->SearchRecords(), 0);
  EXPECT_EQ(Press(), 0);
  EXPECT_EQ(dlg->ListView1->Count(), 3);
  // A last found row beyond a shrunk table starts the range walk from row 1 again.
  Fill();
  dlg->SetSearchGrid(SGT());
  Choose(1, dlg->RBRestrictiv, false, "0");
  for (int i = 0; i < 6; ++i) Press();
  ASSERT_EQ(dlg->LastFoundRow(), 6);
  SGT().SetRowCount(4);
  EXPECT_EQ(Press(), 1);
  table.reset();
  EXPECT_EQ(dlg->SearchGrid(), nullptr);
  EXPECT_EQ(dlg->SearchRecords(), 0);
  dlg->ButtonFind->Click();
}

TEST(RecordSearchDialog, LayoutFollowsTheSplitterAndTheWidth) {
  HeadlessSession session;
  TSearchDsDlg dlg;
  for (int w : {240, 300, 181}) {
    dlg.GBSearch->SetWidth(w);
    dlg.Splitter1->UserMoved();
    EXPECT_EQ(dlg.CBFields->Width(), w - 96);
    EXPECT_EQ(dlg.Label2->Left(), w / 2);
    const int left = dlg.Label1->Left() + dlg.Label1->Width() + 4;
    EXPECT_EQ(dlg.EditMin->Left(), left);
    EXPECT_EQ(dlg.EditMin->Left() + dlg.EditMin->Width(), dlg.Label2->Left() - 16);
    EXPECT_GT(dlg.EditMax->Left(), dlg.Label2->Left());
    EXPECT_EQ(dlg.EditMax->Width(), dlg.EditMin->Width());
  }
  for (int w : {520, 700, 301}) {
    dlg.UserResize(w, 300);
    EXPECT_EQ(dlg.ButtonExit->Left(), (w - dlg.ButtonExit->Width()) / 2);
  }
}

// ---------------------------------------------------------------------------------------------
// Orvanto makes the dialog after the conversion dialog and before the compound dialog; its
// "Search" button and the record table's binds it to the record table and shows it.

TEST(OrvantoRecordSearch, CreatedInOrderAndGoneAtTheEnd) {
  HeadlessSession session;
  quorel::ScopedLogRecorder log;
  const int before = Screen::FormCount();
  auto windows = std::make_unique<quorel::OrvantoWindows>();
  ASSERT_NE(quorel::SearchDsDlg, nullptr);
  EXPECT_EQ(quorel::SearchDsDlg, windows->Search.get());
  const auto& forms = Screen::Forms();
  auto index = [&](const Form* f) { return int(std::find(forms.begin(), forms.end(), f) - forms.begin()); };
  EXPECT_LT(index(windows->Conversion.get()), index(windows->Search.get()));
  EXPECT_LT(index(windows->Search.get()), index(windows->Compounds.get()));
  EXPECT_FALSE(windows->Search->Visible());
  windows.reset();
  EXPECT_EQ(quorel::SearchDsDlg, nullptr);
  EXPECT_EQ(Screen::FormCount(), before);
}

class OrvantoSearch : public orvtest::OrvantoTest {};

TEST_F(OrvantoSearch, BothSearchButtonsShowTheDialogOnTheRecordTable) {
  TTablOprtWnd& records = *windows->Records;
  TSearchDsDlg& search = *windows->Search;
  EXPECT_TRUE(records.BtnSearch->Visible());
  for (Component* button : std::vector<Component*>{m->BtnSearch, records.BtnSearch}) {
    search.Hide();
    StringGrid& g = *records.SGT;
    g.SetColCount(3);
    g.SetRowCount(4);
    g.SetCells(1, 0, "T [K]");
    g.SetCells(2, 0, "H");
    for (int r = 1; r <= 3; ++r) g.SetCells(1, r, std::to_string(400 - r));
    button->Click();
    EXPECT_TRUE(search.Visible()) << button->Name();
    EXPECT_EQ(search.SearchGrid(), records.SGT);
    EXPECT_EQ(search.CBFields->Items().Count(), 3);
    EXPECT_EQ(search.CBFields->Items()[1], "T");
    EXPECT_EQ(search.CBFields->ItemIndex(), 1);
    EXPECT_EQ(search.LastFoundRow(), 0);
    search.ButtonFind->Click();
    EXPECT_EQ(search.LastFoundRow(), 3);  // Min
    EXPECT_EQ(g.Selection(), (GridRect{0, 3, 2, 3}));
  }
}

}  // namespace
