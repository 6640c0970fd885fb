// Behaviour of the components that the windows rely on, run headless.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Components.h"
#include "platform/Headless.h"

using namespace platform;

namespace {

// Fills a grid with "c,r" texts.
void FillGrid(StringGrid& g, int cols, int rows) {
  g.SetColCount(cols);
  g.SetRowCount(rows);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) g.SetCells(c, r, std::to_string(c) + "," + std::to_string(r));
}

std::string RowText(const StringGrid& g, int row) {
  std::string s;
  for (int c = 0; c < g.ColCount(); ++c) s += (c ? "|" : "") + g.Cells(c, row);
  return s;
}

std::string ColText(const StringGrid& g, int col) {
  std::string s;
  for (int r = 0; r < g.RowCount(); ++r) s += (r ? "|" : "") + g.Cells(col, r);
  return s;
}

// A view that records what it was told.
struct RecordingView : View {
  std::vector<Property> changes;
  std::vector<std::pair<int, int>> cells;
  std::vector<Request> requests;
  int detached = 0;
  void Changed(Component&, Property p) override { changes.push_back(p); }
  void CellChanged(Component&, int c, int r) override { cells.emplace_back(c, r); }
  void Requested(Component&, Request r, int, int) override { requests.push_back(r); }
  void Detached(Component&) override { ++detached; }
};

}  // namespace

// ---------------------------------------------------------------- StringGrid

TEST(StringGrid, StartsWithFiveByFiveEmptyCellsAndOneFixedRowAndColumn) {
  StringGrid g;
  EXPECT_EQ(g.ColCount(), 5);
  EXPECT_EQ(g.RowCount(), 5);
  EXPECT_EQ(g.FixedCols(), 1);
  EXPECT_EQ(g.FixedRows(), 1);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Row(), 1);
  EXPECT_EQ(g.Cells(4, 4), "");
}

TEST(StringGrid, CellsOutsideTheGridReadEmptyAndIgnoreWrites) {
  StringGrid g;
  FillGrid(g, 3, 3);
  g.SetCells(3, 0, "x");
  g.SetCells(0, 3, "x");
  g.SetCells(-1, 0, "x");
  EXPECT_EQ(g.Cells(3, 0), "");
  EXPECT_EQ(g.Cells(-1, -1), "");
  g.SetColCount(4);
  EXPECT_EQ(g.Cells(3, 0), "") << "a write outside must not appear after growing";
}

struct MoveCase {
  int from, to;
  const char* row0;  // row 0 after moving the column
};

class GridColumnMove : public ::testing::TestWithParam<MoveCase> {};

TEST_P(GridColumnMove, MovesTheCellsOfEveryRowAndTheWidth) {
  const MoveCase& m = GetParam();
  StringGrid g;
  FillGrid(g, 4, 3);
  for (int c = 0; c < 4; ++c) g.SetColWidths(c, 10 + c);
  g.MoveColumn(m.from, m.to);
  EXPECT_EQ(RowText(g, 0), m.row0);
  // Every row moved the same way: row r is row 0 with ",0" replaced by ",r".
  for (int r = 1; r < 3; ++r)
    for (int c = 0; c < 4; ++c) {
      std::string expect = g.Cells(c, 0);
      expect.back() = char('0' + r);
      EXPECT_EQ(g.Cells(c, r), expect);
    }
  for (int c = 0; c < 4; ++c) EXPECT_EQ(g.ColWidths(c), 10 + (g.Cells(c, 0)[0] - '0'));
}

INSTANTIATE_TEST_SUITE_P(Cases, GridColumnMove,
                         ::testing::Values(MoveCase{1, 3, "0,0|2,0|3,0|1,0"},
                                           MoveCase{3, 1, "0,0|3,0|1,0|2,0"},
                                           MoveCase{0, 1, "1,0|0,0|2,0|3,0"},
                                           MoveCase{2, 2, "0,0|1,0|2,0|3,0"},
                                           MoveCase{1, 9, "0,0|1,0|2,0|3,0"},     // outside: nothing
                                           MoveCase{-1, 2, "0,0|1,0|2,0|3,0"}));  // outside: nothing

TEST(StringGrid, RowMoveMovesTheWholeRowAndItsHeight) {
  StringGrid g;
  FillGrid(g, 3, 5);
  g.SetRowHeights(4, 40);
  g.MoveRow(4, 1);
  EXPECT_EQ(ColText(g, 0), "0,0|0,4|0,1|0,2|0,3");
  EXPECT_EQ(RowText(g, 1), "0,4|1,4|2,4");
  EXPECT_EQ(g.RowHeights(1), 40);
  EXPECT_EQ(g.RowHeights(4), g.DefaultRowHeight());
}

TEST(StringGrid, CurrentColumnFollowsTheMovedCells) {
  StringGrid g;
  FillGrid(g, 5, 3);
  g.SetCurrent(3, 1);
  g.MoveColumn(3, 1);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Cells(g.Col(), 0), "3,0");
}

TEST(StringGrid, ShrinkingDropsCellsAndGrowingGivesEmptyOnes) {
  StringGrid g;
  FillGrid(g, 4, 6);
  g.SetRowCount(3);
  g.SetColCount(2);
  EXPECT_EQ(g.RowCount(), 3);
  EXPECT_EQ(g.ColCount(), 2);
  g.SetRowCount(6);
  g.SetColCount(4);
  EXPECT_EQ(g.Cells(1, 2), "1,2") << "cells inside the smaller grid stay";
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 4; ++c) {
      if (r >= 3 || c >= 2) {
        EXPECT_EQ(g.Cells(c, r), "") << c << "," << r;
      }
    }
}

// A grid holds a row's cells only up to the last one written, so a large, sparsely filled grid
// costs little; a cell copied onto a later cell of its own row (which makes the row grow)
// arrives whole.
TEST(StringGrid, SparseRowsGrowWhenWrittenAndTakeCellsOfTheirOwnRow) {
  StringGrid g;
  g.SetColCount(1000);
  g.SetRowCount(100000);
  g.SetCells(999, 99999, "far");
  EXPECT_EQ(g.Cells(999, 99999), "far");
  EXPECT_EQ(g.Cells(998, 99999), "");
  EXPECT_EQ(g.Rows(99999).size(), 1000u);
  g.SetCells(0, 5, "first");
  for (int c = 1; c < 1000; ++c) g.SetCells(c, 5, g.Cells(c - 1, 5));
  EXPECT_EQ(g.Cells(999, 5), "first");
  g.SetColCount(10);
  g.SetColCount(1000);
  EXPECT_EQ(g.Cells(999, 5), "") << "a shrink drops the cells beyond";
  EXPECT_EQ(g.Cells(9, 5), "first");
}

TEST(StringGrid, CountsStayAtLeastOneAndFixedCountsStayBelowThem) {
  StringGrid g;
  g.SetRowCount(0);
  EXPECT_EQ(g.RowCount(), 1);
  EXPECT_EQ(g.FixedRows(), 0);
  g.SetRowCount(5);
  EXPECT_EQ(g.FixedRows(), 1) << "the title row comes back with the rows";
  g.SetFixedRows(9);
  EXPECT_EQ(g.FixedRows(), 4);
  g.SetColCount(1);
  EXPECT_EQ(g.FixedCols(), 0);
  g.SetFixedRows(0);
  g.SetRowCount(8);
  EXPECT_EQ(g.FixedRows(), 0);
}

TEST(StringGrid, NoFixedColumnShowsTheFirstColumn) {
  StringGrid g;
  FillGrid(g, 6, 10);
  ASSERT_EQ(g.FixedCols(), 1);
  ASSERT_EQ(g.LeftCol(), 1);
  g.SetFixedCols(0);
  g.SetFixedRows(0);
  EXPECT_EQ(g.LeftCol(), 0);
  EXPECT_EQ(g.TopRow(), 0);
  EXPECT_EQ(g.Col(), 0);
  EXPECT_EQ(g.Row(), 0);
  g.SetFixedCols(2);
  EXPECT_EQ(g.LeftCol(), 2);
  g.SetLeftCol(4);
  g.SetFixedCols(1);
  EXPECT_EQ(g.LeftCol(), 4) << "a grid scrolled away stays where it is";
}

TEST(StringGrid, CurrentCellAndScrollPositionFollowAShrink) {
  StringGrid g;
  FillGrid(g, 6, 10);
  g.SetCurrent(5, 9);
  g.SetTopRow(8);
  g.SetRowCount(4);
  g.SetColCount(3);
  EXPECT_EQ(g.Row(), 3);
  EXPECT_EQ(g.Col(), 2);
  EXPECT_EQ(g.TopRow(), 3);
  EXPECT_LE(g.Selection().Bottom, 3);
  EXPECT_LE(g.Selection().Right, 2);
}

struct SelectionCase {
  GridRect in;
  GridRect out;
};

class GridSelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(GridSelection, IsOrderedAndClampedToTheScrollableCells) {
  StringGrid g;
  FillGrid(g, 5, 6);  // scrollable: columns 1..4, rows 1..5
  g.SetSelection(GetParam().in);
  EXPECT_EQ(g.Selection(), GetParam().out);
  EXPECT_EQ(g.Col(), GetParam().out.Right);
  EXPECT_EQ(g.Row(), GetParam().out.Bottom);
}

INSTANTIATE_TEST_SUITE_P(Cases, GridSelection,
                         ::testing::Values(SelectionCase{{1, 1, 3, 4}, {1, 1, 3, 4}},
                                           SelectionCase{{3, 4, 1, 1}, {1, 1, 3, 4}},
                                           SelectionCase{{0, 0, 9, 9}, {1, 1, 4, 5}},
                                           SelectionCase{{-5, 2, 2, 2}, {1, 2, 2, 2}},
                                           SelectionCase{{4, 5, 4, 5}, {4, 5, 4, 5}}));

TEST(StringGrid, RowSelectSpansEveryScrollableColumn) {
  StringGrid g;
  FillGrid(g, 5, 5);
  g.SetOptions(g.Options() | goRowSelect);
  g.SetCurrent(2, 3);
  EXPECT_EQ(g.Selection(), (GridRect{1, 3, 4, 3}));
}

TEST(StringGrid, SelectCellVetoKeepsTheCurrentCell) {
  StringGrid g;
  FillGrid(g, 5, 5);
  int clicks = 0;
  g.OnSelectCell = [](Component*, int col, int, bool& can) { can = col != 3; };
  g.OnClick = [&](Component*) { ++clicks; };
  EXPECT_TRUE(g.UserSelectCell(2, 2));
  EXPECT_FALSE(g.UserSelectCell(3, 4));
  EXPECT_EQ(g.Col(), 2);
  EXPECT_EQ(g.Row(), 2);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(g.UserSelectCell(0, 2)) << "a fixed cell is never the current cell";
}

TEST(StringGrid, EditsReachTheCellOnlyWithEditingOn) {
  StringGrid g;
  std::vector<std::string> edits;
  g.OnSetEditText = [&](Component*, int c, int r, const std::string& t) {
    edits.push_back(std::to_string(c) + "," + std::to_string(r) + "=" + t);
  };
  g.UserSetEditText(1, 1, "7");
  EXPECT_EQ(g.Cells(1, 1), "");
  g.SetOptions(g.Options() | goEditing);
  g.UserSetEditText(1, 1, "7");
  EXPECT_EQ(g.Cells(1, 1), "7");
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0], "1,1=7");
}

// A handler that widens the grid (or drops the edited row) while it reads the edited text: the
// text it was given must stay readable.
TEST(StringGrid, EditHandlerMayResizeTheGrid) {
  StringGrid g;
  g.SetOptions(g.Options() | goEditing);
  std::vector<std::string> seen;
  g.OnSetEditText = [&](Component*, int, int, const std::string& t) {
    g.SetColCount(g.ColCount() + 40);  // moves every cell of every row
    g.SetRowCount(1);                  // drops the edited row
    seen.push_back(t);
  };
  g.UserSetEditText(1, 3, "a text longer than any short-string buffer");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "a text longer than any short-string buffer");
}

TEST(StringGrid, UserMovesNeedTheOptionAndReportFromAndTo) {
  StringGrid g;
  FillGrid(g, 4, 4);
  std::vector<std::pair<int, int>> colMoves, rowMoves;
  g.OnColumnMoved = [&](Component*, int f, int t) { colMoves.emplace_back(f, t); };
  g.OnRowMoved = [&](Component*, int f, int t) { rowMoves.emplace_back(f, t); };
  g.UserMoveColumn(1, 2);
  g.UserMoveRow(1, 2);
  EXPECT_TRUE(colMoves.empty());
  EXPECT_TRUE(rowMoves.empty());
  EXPECT_EQ(g.Cells(1, 0), "1,0");
  g.SetOptions(g.Options() | goColMoving | goRowMoving);
  g.UserMoveColumn(1, 2);
  g.UserMoveRow(3, 1);
  EXPECT_EQ(colMoves, (std::vector<std::pair<int, int>>{{1, 2}}));
  EXPECT_EQ(rowMoves, (std::vector<std::pair<int, int>>{{3, 1}}));
  EXPECT_EQ(RowText(g, 0), "0,0|2,0|1,0|3,0");
  EXPECT_EQ(ColText(g, 0), "0,0|0,3|0,1|0,2");
}

struct MouseCase {
  int x, y, col, row;
};

class GridMouseToCell : public ::testing::TestWithParam<MouseCase> {};

TEST_P(GridMouseToCell, FindsTheCellUnderThePoint) {
  StringGrid g;  // 320 x 120 client
  FillGrid(g, 10, 10);
  g.SetDefaultColWidth(50);
  g.SetDefaultRowHeight(20);
  g.SetColWidths(0, 30);
  g.SetLeftCol(3);
  g.SetTopRow(2);
  int c = 0, r = 0;
  g.MouseToCell(GetParam().x, GetParam().y, c, r);
  EXPECT_EQ(c, GetParam().col);
  EXPECT_EQ(r, GetParam().row);
}

// Column 0 covers x 0..30 (with its grid line), then columns 3, 4, ... each 51 pixels;
// row 0 covers y 0..20, then rows 2, 3, ... each 21 pixels.
INSTANTIATE_TEST_SUITE_P(Cases, GridMouseToCell,
                         ::testing::Values(MouseCase{0, 0, 0, 0}, MouseCase{30, 20, 0, 0},
                                           MouseCase{31, 21, 3, 2}, MouseCase{81, 41, 3, 2},
                                           MouseCase{82, 42, 4, 3}, MouseCase{-1, 5, -1, -1},
                                           MouseCase{31 + 51 * 7, 5, -1, -1}));

TEST(StringGrid, DefaultSizesResetEveryColumnAndRow) {
  StringGrid g;
  g.SetColWidths(2, 99);
  g.SetRowHeights(2, 99);
  g.SetDefaultColWidth(40);
  g.SetDefaultRowHeight(17);
  EXPECT_EQ(g.ColWidths(2), 40);
  EXPECT_EQ(g.RowHeights(2), 17);
  g.SetColCount(8);
  EXPECT_EQ(g.ColWidths(7), 40);
}

TEST(StringGrid, TellsTheViewWhichCellChanged) {
  StringGrid g;
  RecordingView v;
  g.SetView(&v);
  g.SetCells(2, 3, "a");
  g.SetCells(2, 3, "a");  // unchanged: no notice
  EXPECT_EQ(v.cells, (std::vector<std::pair<int, int>>{{2, 3}}));
  g.SetView(nullptr);
}

// ---------------------------------------------------------------- menus

TEST(Menu, CheckingARadioItemUnchecksOnlyItsGroupInItsSubmenu) {
  PopupMenu menu;
  auto* a = menu.Add("A", "Show All");
  auto* b = menu.Add("B", "Importants");
  auto* c = menu.Add("C", "Other group");
  auto* sub = menu.Add("Sub", "Sub");
  auto* s1 = sub->Add("S1", "sub item");
  for (MenuItem* m : {a, b, c, s1}) m->SetRadioItem(true);
  c->SetGroupIndex(1);
  a->SetChecked(true);
  c->SetChecked(true);
  s1->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(c->Checked()) << "another group index";
  EXPECT_TRUE(s1->Checked()) << "another submenu";
}

TEST(Menu, PlainItemsCheckIndependently) {
  MainMenu menu;
  auto* a = menu.Add("A", "a");
  auto* b = menu.Add("B", "b");
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_TRUE(a->Checked());
  EXPECT_TRUE(b->Checked());
}

TEST(Menu, AutoCheckTogglesBeforeTheClickHandlerRuns) {
  PopupMenu menu;
  auto* t = menu.Add("TimeUp", "Time upwards");
  t->SetAutoCheck(true);
  bool seen = false;
  t->OnClick = [&](Component* s) { seen = static_cast<MenuItem*>(s)->Checked(); };
  t->Click();
  EXPECT_TRUE(seen);
  t->Click();
  EXPECT_FALSE(t->Checked());
}

TEST(Menu, ItemsKeepTagCaptionEnabledAndVisible) {
  PopupMenu menu;
  auto* m = menu.Add("Errors", "Errors Only");
  m->SetTag(0);
  m->SetTag(4);
  m->SetEnabled(false);
  m->SetVisible(false);
  EXPECT_EQ(m->Tag(), 4);
  EXPECT_EQ(m->Caption(), "Errors Only");
  EXPECT_FALSE(m->Enabled());
  EXPECT_FALSE(m->Visible());
  EXPECT_EQ(menu.Count(), 1);
  EXPECT_EQ(menu.Items(0), m);
  EXPECT_EQ(menu.FindItem("Errors"), m);
  EXPECT_TRUE(menu.AddSeparator()->IsLine());
}

TEST(Menu, ShortCutsFindOnlyEnabledVisibleItems) {
  MainMenu menu;
  auto* file = menu.Add("File", "File");
  auto* open = file->Add("Open", "Open");
  open->SetShortCut(ShortCut('O', ssCtrl));
  EXPECT_EQ(menu.FindShortCut(ShortCut('O', ssCtrl)), open);
  EXPECT_EQ(menu.FindShortCut(ShortCut('O', ssNone)), nullptr);
  open->SetEnabled(false);
  EXPECT_EQ(menu.FindShortCut(ShortCut('O', ssCtrl)), nullptr);
  open->SetEnabled(true);
  file->SetVisible(false);
  EXPECT_EQ(menu.FindShortCut(ShortCut('O', ssCtrl)), nullptr);
}

TEST(Menu, PopupSetsThePopupComponentAndFiresOnPopup) {
  Form form;
  auto* menu = Make<PopupMenu>(&form, "PopupTags");
  auto* lv = Make<ListView>(&form, "LV");
  lv->SetPopupMenu(menu);
  Component* seen = nullptr;
  menu->OnPopup = [&](Component*) { seen = menu->PopupComponent(); };
  lv->ContextPopup(10, 20);
  EXPECT_EQ(seen, lv);
  EXPECT_EQ(menu->PopupX(), 10);
  EXPECT_EQ(menu->PopupCount(), 1);
}

struct ShortCutTextCase {
  ShortCutValue sc;
  const char* text;
};

class ShortCutText : public ::testing::TestWithParam<ShortCutTextCase> {};

TEST_P(ShortCutText, RoundTrips) {
  EXPECT_EQ(ShortCutToText(GetParam().sc), GetParam().text);
  EXPECT_EQ(TextToShortCut(GetParam().text), GetParam().sc);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShortCutText,
                         ::testing::Values(ShortCutTextCase{ShortCut('A', ssCtrl), "Ctrl+A"},
                                           ShortCutTextCase{ShortCut(Key::F1, ssNone), "F1"},
                                           ShortCutTextCase{ShortCut(Key::Delete, ssShift), "Shift+Del"},
                                           ShortCutTextCase{ShortCut(Key::F12, ssCtrl | ssShift), "Ctrl+Shift+F12"},
                                           ShortCutTextCase{ShortCut(Key::Insert, ssAlt), "Alt+Ins"},
                                           ShortCutTextCase{ShortCut(Key::Escape, ssNone), "Esc"}));

TEST(ShortCutText, UnreadableTextsGiveNone) {
  EXPECT_EQ(TextToShortCut(""), 0);
  EXPECT_EQ(TextToShortCut("Hyper+A"), 0);
  EXPECT_EQ(TextToShortCut("F13"), 0);
  EXPECT_EQ(ShortCutToText(0), "");
}

// ---------------------------------------------------------------- keys

TEST(Keys, MenuShortCutComesFirstThenFormPreviewThenTheControl) {
  Form form;
  auto* menu = Make<MainMenu>(&form, "MainMenu1");
  form.SetMenu(menu);
  auto* item = menu->Add("MnuFont", "Font");
  item->SetShortCut(ShortCut('F', ssCtrl));
  auto* edit = Make<Edit>(&form, "EditTsys");
  std::vector<std::string> order;
  item->OnClick = [&](Component*) { order.push_back("menu"); };
  form.SetKeyPreview(true);
  form.OnKeyDown = [&](Component*, int& key, ShiftState) {
    order.push_back("form");
    if (key == 'Q') key = 0;
  };
  edit->OnKeyDown = [&](Component*, int&, ShiftState) { order.push_back("edit"); };
  EXPECT_EQ(edit->KeyDown('F', ssCtrl), 0);
  EXPECT_EQ(edit->KeyDown('Q', ssCtrl), 0);
  EXPECT_EQ(edit->KeyDown('W', ssCtrl), 'W');
  EXPECT_EQ(order, (std::vector<std::string>{"menu", "form", "form", "edit"}));
}

TEST(Keys, EnterAndEscapePressTheDefaultAndCancelButtons) {
  Form form;
  auto* ok = Make<Button>(&form, "OKBtn");
  auto* cancel = Make<Button>(&form, "CancelBtn");
  auto* edit = Make<Edit>(&form, "Edit4");
  auto* memo = Make<Memo>(&form, "Memo1");
  ok->SetDefault(true);
  cancel->SetCancel(true);
  std::string pressed;
  ok->OnClick = [&](Component*) { pressed += "ok "; };
  cancel->OnClick = [&](Component*) { pressed += "cancel "; };
  EXPECT_EQ(edit->KeyDown(Key::Enter), 0);
  EXPECT_EQ(edit->KeyDown(Key::Escape), 0);
  EXPECT_EQ(memo->KeyDown(Key::Enter), Key::Enter) << "Enter in a memo is a line end";
  ok->SetEnabled(false);
  EXPECT_EQ(edit->KeyDown(Key::Enter), Key::Enter);
  EXPECT_EQ(pressed, "ok cancel ");
}

// ---------------------------------------------------------------- list view

TEST(ListView, CustomSortOrdersItemsAndKeepsPointers) {
  ListView lv;
  std::vector<ListItem*> made;
  for (const char* c : {"I:5", "e:1", "E:3", "i:2"}) {
    ListItem* it = lv.Add();
    it->SetCaption(c);
    it->AddSubItem(std::string("text ") + c);
    made.push_back(it);
  }
  lv.SortByColumn(0);
  std::vector<std::string> order;
  for (int i = 0; i < lv.Count(); ++i) order.push_back(lv.Items(i)->Caption());
  EXPECT_EQ(order, (std::vector<std::string>{"e:1", "E:3", "i:2", "I:5"}));
  EXPECT_EQ(made[0]->Caption(), "I:5");
  EXPECT_EQ(made[0]->Index(), 3);
  lv.CustomSort([](const ListItem* a, const ListItem* b) {
    return int(b->Caption().back()) - int(a->Caption().back());
  });
  EXPECT_EQ(lv.Items(0)->Caption(), "I:5");
  EXPECT_EQ(lv.Items(3)->Caption(), "e:1");
}

TEST(ListView, SortIsStableForEqualKeys) {
  ListView lv;
  for (int i = 0; i < 6; ++i) {
    ListItem* it = lv.Add();
    it->SetCaption(i % 2 ? "B" : "a");
    it->SetData(i);
  }
  lv.SortByColumn(0);
  std::vector<std::intptr_t> data;
  for (int i = 0; i < lv.Count(); ++i) data.push_back(lv.Items(i)->Data());
  EXPECT_EQ(data, (std::vector<std::intptr_t>{0, 2, 4, 1, 3, 5}));
}

TEST(ListView, InsertAtTopAndSubItems) {
  ListView lv;
  lv.AddColumn("ID", 96);
  lv.AddColumn("Event", 386);
  lv.AddColumn("Time", 128);
  lv.Add()->SetCaption("old");
  ListItem* top = lv.Insert(0);
  top->SetCaption("new");
  top->SetSubItem(1, "time");
  EXPECT_EQ(lv.Items(0), top);
  EXPECT_EQ(top->SubItem(0), "");
  EXPECT_EQ(top->SubItem(1), "time");
  EXPECT_EQ(top->ColumnText(2), "time");
  EXPECT_EQ(lv.Column(1).Width, 386);
  EXPECT_EQ(lv.Column(7).Caption, "");
}

TEST(ListView, SingleSelectionAndSelectEvents) {
  ListView lv;
  ListItem* a = lv.Add();
  ListItem* b = lv.Add();
  a->SetSelected(true);
  b->SetSelected(true);
  EXPECT_FALSE(a->Selected());
  EXPECT_EQ(lv.Selected(), b);
  EXPECT_EQ(lv.SelCount(), 1);
  std::vector<std::pair<int, bool>> events;
  lv.OnSelectItem = [&](Component*, ListItem* it, bool s) { events.emplace_back(it->Index(), s); };
  lv.UserSelect(a);
  EXPECT_EQ(events, (std::vector<std::pair<int, bool>>{{1, false}, {0, true}}));
  int dbl = 0;
  lv.OnDblClick = [&](Component*) { ++dbl; };
  lv.UserDblClick(b);
  EXPECT_EQ(lv.Selected(), b);
  EXPECT_EQ(dbl, 1);
  lv.Delete(b);
  EXPECT_EQ(lv.Selected(), nullptr);
  EXPECT_EQ(lv.Count(), 1);
}

TEST(ListView, SelectHandlerThatEmptiesTheListEndsTheReports) {
  ListView lv;
  ListItem* a = lv.Add();
  lv.Add();
  lv.SetSelected(a);
  std::vector<bool> reports;
  lv.OnSelectItem = [&](Component*, ListItem*, bool s) {
    reports.push_back(s);
    lv.Clear();  // the item about to be reported as selected is gone
  };
  lv.UserSelect(lv.Items(1));
  EXPECT_EQ(reports, (std::vector<bool>{false}));
  EXPECT_EQ(lv.Count(), 0);
}

TEST(ListView, ColumnClickReportsTheColumn) {
  ListView lv;
  int col = -1;
  lv.OnColumnClick = [&](Component*, int c) { col = c; };
  lv.UserColumnClick(2);
  EXPECT_EQ(col, 2);
}

// ---------------------------------------------------------------- forms

TEST(Form, CloseQueryVetoKeepsTheFormOpen) {
  HeadlessSession s;
  Form form;
  form.Show();
  bool allow = false;
  int closes = 0;
  form.OnCloseQuery = [&](Component*, bool& can) { can = allow; };
  form.OnClose = [&](Component*, CloseAction&) { ++closes; };
  EXPECT_FALSE(form.Close());
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(closes, 0);
  allow = true;
  EXPECT_TRUE(form.Close());
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(closes, 1);
}

TEST(Form, CloseActions) {
  HeadlessSession s;
  Form main;  // first form made: the main form unless another is set
  Screen::SetMainForm(&main);
  auto* child = Make<Form>(&main, "Gas1");
  child->SetFormStyle(FormStyle::MDIChild);
  child->Show();
  EXPECT_TRUE(child->Close());
  EXPECT_EQ(child->GetWindowState(), WindowState::Minimized) << "an MDI child minimises by default";
  EXPECT_TRUE(child->Visible());

  child->OnClose = [](Component*, CloseAction& a) { a = CloseAction::None; };
  EXPECT_FALSE(child->Close());

  bool destroyed = false;
  child->OnDestroy = [&](Component*) { destroyed = true; };
  child->OnClose = [](Component*, CloseAction& a) { a = CloseAction::Free; };
  EXPECT_TRUE(child->Close());
  EXPECT_NE(main.FindComponent("Gas1"), nullptr) << "freed at the next event pump, not inside Close";
  ProcessMessages();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(main.FindComponent("Gas1"), nullptr);
  EXPECT_FALSE(s.application.terminated);
  main.Show();
  main.Close();
  EXPECT_TRUE(s.application.terminated) << "closing the main form ends the program";
  Screen::SetMainForm(nullptr);
}

TEST(Form, ShowActivatesAndHideDeactivates) {
  HeadlessSession s;
  Form a, b;
  std::string log;
  a.OnShow = [&](Component*) { log += "showA "; };
  a.OnActivate = [&](Component*) { log += "actA "; };
  a.OnDeactivate = [&](Component*) { log += "deactA "; };
  b.OnActivate = [&](Component*) { log += "actB "; };
  a.Show();
  b.Show();
  a.BringToFront();
  EXPECT_TRUE(a.Active());
  a.Hide();
  EXPECT_EQ(Screen::ActiveForm(), nullptr);
  EXPECT_EQ(log, "showA actA deactA actB actA deactA ");
}

TEST(Form, ScreenCentredFormIsPlacedAtItsFirstShow) {
  HeadlessSession s;
  Form f;
  f.SetBounds(0, 0, 478, 240);
  f.SetPosition(FormPosition::ScreenCenter);
  f.Show();
  EXPECT_EQ(f.Left(), (Screen::Width() - 478) / 2);
  EXPECT_EQ(f.Top(), (Screen::Height() - 240) / 2);
  f.Hide();
  f.SetBounds(1, 1, 478, 240);
  f.Show();
  EXPECT_EQ(f.Left(), 1) << "only the first show places the form";
}

TEST(Form, ConstraintsKeepTheMinimumSize) {
  Form f;
  f.SetConstraints({300, 200, 0, 0});
  f.SetBounds(0, 0, 100, 100);
  EXPECT_EQ(f.Width(), 300);
  EXPECT_EQ(f.Height(), 200);
}

TEST(Form, ShowModalReturnsTheResultTheUserGave) {
  HeadlessSession s;
  Form dlg(nullptr, "EnterValDlg");
  auto* ok = Make<Button>(&dlg, "ButtonOK");
  ok->SetModalResult(mrOk);
  bool visibleDuring = false;
  s.modal.QueueModal([&](Form& f) {
    visibleDuring = f.Visible() && f.Modal();
    f.Find<Button>("ButtonOK")->UserClick();
  });
  EXPECT_EQ(dlg.ShowModal(), mrOk);
  EXPECT_TRUE(visibleDuring);
  EXPECT_FALSE(dlg.Visible());
  EXPECT_FALSE(dlg.Modal());
  EXPECT_EQ(s.modal.shown, (std::vector<std::string>{"EnterValDlg"}));
  EXPECT_TRUE(s.AllAnswered());
  EXPECT_TRUE(s.AllUsed());
}

TEST(Form, ModalFormWithoutAnswerIsCancelled) {
  HeadlessSession s;
  Form dlg;
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  EXPECT_EQ(s.modal.unanswered, 1);
}

TEST(Form, ModalEndCanBeVetoedAndCloseCancels) {
  HeadlessSession s;
  Form dlg;
  int queries = 0;
  dlg.OnCloseQuery = [&](Component*, bool& can) { can = ++queries > 1; };
  s.modal.QueueModal([](Form& f) { f.SetModalResult(mrOk); });  // refused by the query
  s.modal.QueueModal([](Form& f) { f.Close(); });               // the close box: mrCancel
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  EXPECT_EQ(queries, 2);
  EXPECT_TRUE(s.AllAnswered());
}

TEST(Form, NestedModalFormsTakeTheHandlersInOrder) {
  HeadlessSession s;
  Form outer(nullptr, "Outer"), inner(nullptr, "Inner");
  int innerResult = 0;
  s.modal.QueueModal([&](Form& f) {
    innerResult = inner.ShowModal();
    f.SetModalResult(mrYes);
  });
  s.modal.QueueModal([](Form& f) { f.SetModalResult(mrNo); });
  EXPECT_EQ(outer.ShowModal(), mrYes);
  EXPECT_EQ(innerResult, mrNo);
  EXPECT_EQ(s.modal.shown, (std::vector<std::string>{"Outer", "Inner"}));
}

TEST(Form, MdiFrameAsksItsChildrenBeforeClosing) {
  HeadlessSession s;
  Form frame;
  frame.SetFormStyle(FormStyle::MDIForm);
  auto* c1 = Make<Form>(&frame, "c1");
  auto* c2 = Make<Form>(&frame, "c2");
  for (Form* c : {c1, c2}) {
    c->SetFormStyle(FormStyle::MDIChild);
    c->Show();
  }
  EXPECT_EQ(frame.MDIChildCount(), 2);
  EXPECT_EQ(frame.ActiveMDIChild(), c2);
  c1->OnCloseQuery = [](Component*, bool& can) { can = false; };
  EXPECT_FALSE(frame.CloseQuery());
  frame.Tile();
  EXPECT_EQ(c1->Width(), frame.ClientWidth() / 2);
}

TEST(Form, CascadeKeepsSizesAndTileSharesTheArea) {
  HeadlessSession s;
  Form frame;
  frame.SetFormStyle(FormStyle::MDIForm);
  frame.SetBounds(0, 0, 800, 600);
  auto* bar = Make<Panel>(&frame, "ToolBar");
  bar->SetAlign(Align::Top);
  bar->SetHeight(40);
  auto* status = Make<StatusBar>(&frame, "StBar");
  status->SetAlign(Align::Bottom);
  status->SetHeight(20);
  std::vector<Form*> c;
  for (int i = 0; i < 4; ++i) {
    c.push_back(Make<Form>(&frame, "c" + std::to_string(i)));
    c[i]->SetFormStyle(FormStyle::MDIChild);
    c[i]->SetBounds(100, 100, 300 + 10 * i, 200);
    c[i]->Show();
  }
  c[1]->SetWindowState(WindowState::Maximized);
  c[3]->SetWindowState(WindowState::Minimized);
  frame.Cascade();
  for (int i : {0, 1, 2}) {
    EXPECT_EQ(c[i]->GetWindowState(), WindowState::Normal) << i;
    EXPECT_EQ(c[i]->Width(), 300 + 10 * i) << i;  // its own size
    EXPECT_EQ(c[i]->Height(), 200) << i;
  }
  EXPECT_EQ(c[1]->Left(), Form::kCascadeStep);  // the second of the arranged ones
  EXPECT_EQ(c[2]->Top(), 2 * Form::kCascadeStep);
  EXPECT_EQ(c[3]->GetWindowState(), WindowState::Minimized);
  EXPECT_EQ(c[3]->Left(), 100);

  // The area below the tool bar and above the status bar: 800 x 540.
  EXPECT_EQ(frame.MDIClientWidth(), 800);
  EXPECT_EQ(frame.MDIClientHeight(), 540);
  frame.Tile();  // side by side: three windows in two columns, two rows
  EXPECT_EQ(c[0]->Width(), 400);
  EXPECT_EQ(c[0]->Height(), 270);
  EXPECT_EQ(c[1]->Left(), 400);
  EXPECT_EQ(c[2]->Top(), 270);
  frame.Tile(TileMode::Horizontal);  // one above the other: the grid fills column by column
  EXPECT_EQ(c[0]->Width(), 400);
  EXPECT_EQ(c[0]->Height(), 270);
  EXPECT_EQ(c[1]->Left(), 0);
  EXPECT_EQ(c[1]->Top(), 270);
  EXPECT_EQ(c[2]->Left(), 400);
  EXPECT_EQ(c[3]->GetWindowState(), WindowState::Minimized);
  // The GUI reports the real area.
  frame.SetMDIClientSize(600, 300);
  frame.Tile(TileMode::Horizontal);
  EXPECT_EQ(c[0]->Height(), 150);
}

TEST(Form, DroppedFilesReachOnlyAFormThatAcceptsThem) {
  Form f;
  std::vector<std::string> got;
  f.OnDropFiles = [&](Component*, const std::vector<std::string>& files) { got = files; };
  f.UserDropFiles({"a.eql"});
  EXPECT_TRUE(got.empty());
  f.SetAcceptFiles(true);
  f.UserDropFiles({"a.eql", "b.asc"});
  EXPECT_EQ(got, (std::vector<std::string>{"a.eql", "b.asc"}));
}

TEST(Form, OwnsItsComponentsAndFindsThemByName) {
  auto form = std::make_unique<Form>(nullptr, "TAplMsgWnd");
  auto* panel = Make<Panel>(form.get(), "Panel1");
  auto* btn = Make<Button>(panel, "ButtonClose");
  RecordingView v;
  btn->SetView(&v);
  EXPECT_EQ(form->Find<Button>("ButtonClose"), btn);
  EXPECT_EQ(form->Find<Edit>("ButtonClose"), nullptr);
  EXPECT_EQ(btn->ParentForm(), form.get());
  EXPECT_EQ(btn->Owner(), panel);
  form.reset();
  EXPECT_EQ(v.detached, 1);
}

// ---------------------------------------------------------------- simple controls

TEST(Controls, UserClickDoesNothingOnADisabledOrHiddenControl) {
  Form f;
  auto* panel = Make<Panel>(&f, "P");
  auto* b = Make<Button>(panel, "B");
  int clicks = 0;
  b->OnClick = [&](Component*) { ++clicks; };
  EXPECT_TRUE(b->UserClick());
  panel->SetEnabled(false);
  EXPECT_FALSE(b->UserClick());
  panel->SetEnabled(true);
  b->SetVisible(false);
  EXPECT_FALSE(b->UserClick());
  b->Click();  // the program may still click it
  EXPECT_EQ(clicks, 2);
}

TEST(Controls, CheckBoxClickTogglesThenFires) {
  CheckBox cb;
  bool seen = false;
  cb.OnClick = [&](Component* s) { seen = static_cast<CheckBox*>(s)->Checked(); };
  cb.Click();
  EXPECT_TRUE(seen);
  cb.SetChecked(false);
  EXPECT_TRUE(seen) << "setting by the program fires nothing";
}

TEST(Controls, RadioButtonsOfOneOwnerExcludeEachOther) {
  Form f;
  auto* g1 = Make<GroupBox>(&f, "G1");
  auto* a = Make<RadioButton>(g1, "RBMin");
  auto* b = Make<RadioButton>(g1, "RBMax");
  auto* other = Make<RadioButton>(&f, "Other");
  other->SetChecked(true);
  a->SetChecked(true);
  b->Click();
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(other->Checked());
}

TEST(Controls, SpeedAndToolButtonGroups) {
  Form f;
  auto* bar = Make<ToolBar>(&f, "ToolBar1");
  auto* t1 = Make<ToolButton>(bar, "T1");
  auto* t2 = Make<ToolButton>(bar, "T2");
  for (auto* t : {t1, t2}) {
    t->SetStyle(ToolButtonStyle::Check);
    t->SetGrouped(true);
  }
  t1->Click();
  t2->Click();
  EXPECT_FALSE(t1->Down());
  EXPECT_TRUE(t2->Down());
  t2->Click();
  EXPECT_TRUE(t2->Down()) << "a grouped button stays down without AllowAllUp";

  auto* single = Make<ToolButton>(&f, "ToolBtnSgeEdit");
  single->SetStyle(ToolButtonStyle::Check);
  single->Click();
  single->Click();
  EXPECT_FALSE(single->Down());

  auto* s1 = Make<SpeedButton>(&f, "S1");
  auto* s2 = Make<SpeedButton>(&f, "S2");
  s1->SetGroupIndex(1);
  s2->SetGroupIndex(1);
  s1->Click();
  s2->Click();
  EXPECT_FALSE(s1->Down());
  EXPECT_TRUE(s2->Down());
}

TEST(Controls, ToolButtonDropDownPopsItsMenu) {
  Form f;
  auto* menu = Make<PopupMenu>(&f, "PopupPhase");
  auto* btn = Make<ToolButton>(&f, "BtnComp");
  btn->SetStyle(ToolButtonStyle::DropDown);
  btn->SetDropdownMenu(menu);
  btn->UserDropDown();
  EXPECT_EQ(menu->PopupCount(), 1);
  EXPECT_EQ(menu->PopupComponent(), btn);
}

TEST(Controls, ToolButtonOpensTheSubmenuOfItsMainMenuItem) {
  Form f;
  auto* bar = Make<MainMenu>(&f, "MainMenu1");
  MenuItem* table = bar->Add("MnuTable", "Table");
  table->Add("MnuUpdate", "Update");
  auto* btn = Make<ToolButton>(&f, "ToolBtnTable");
  int clicks = 0;
  btn->OnClick = [&clicks](Component*) { ++clicks; };
  btn->SetDropdownItem(table);
  EXPECT_TRUE(btn->UserClick());
  EXPECT_EQ(table->PopupCount(), 1);
  EXPECT_EQ(table->PopupComponent(), btn);
  EXPECT_EQ(clicks, 1);
  // A disabled button opens nothing; a destroyed button or item is forgotten.
  btn->SetEnabled(false);
  EXPECT_FALSE(btn->UserClick());
  EXPECT_EQ(table->PopupCount(), 1);
  f.DestroyChild(btn);
  EXPECT_EQ(table->PopupComponent(), nullptr);
  auto* other = Make<ToolButton>(&f, "ToolBtnOther");
  other->SetDropdownItem(table);
  bar->DestroyChild(table);
  EXPECT_EQ(other->DropdownItem(), nullptr);
  other->Click();
}

TEST(Controls, SortedComboKeepsItsOrderAndItsChoice) {
  ComboBox cb;
  cb.SetStyle(ComboStyle::DropDownList);
  cb.SetSorted(true);
  for (const char* u : {"kJ", "cal", "J", "BTU"}) cb.Items().Add(u);
  EXPECT_EQ(cb.Items().All(), (std::vector<std::string>{"BTU", "cal", "J", "kJ"}));
  cb.SetItemIndex(2);
  EXPECT_EQ(cb.Text(), "J");
  cb.Items().Add("Btu2");  // inserted before the choice: the choice stays "J"
  EXPECT_EQ(cb.Text(), "J");
  EXPECT_EQ(cb.ItemIndex(), 3);
  cb.SetText("KJ");
  EXPECT_EQ(cb.ItemIndex(), 4);
  cb.SetText("nothing");
  EXPECT_EQ(cb.ItemIndex(), -1);
  EXPECT_EQ(cb.Text(), "");
  cb.Items().Clear();
  EXPECT_EQ(cb.ItemIndex(), -1);
}

TEST(Controls, ComboUserSelectFiresSelectOrElseChange) {
  ComboBox cb;
  cb.Items().Add("P const");
  cb.Items().Add("V const");
  std::string log;
  cb.OnClick = [&](Component*) { log += "click "; };
  cb.OnChange = [&](Component*) { log += "change "; };
  cb.UserSelect(1);
  cb.OnSelect = [&](Component*) { log += "select "; };
  cb.UserSelect(0);
  cb.SetItemIndex(1);  // the program: no events
  EXPECT_EQ(log, "click change click select ");
  cb.UserSetText("typed");
  EXPECT_EQ(cb.ItemIndex(), -1);
  EXPECT_EQ(log, "click change click select change ");
}

TEST(Controls, EditUserTextFiresChangeOnlyWhenChanged) {
  Edit e;
  int changes = 0;
  e.OnChange = [&](Component*) { ++changes; };
  e.SetText("25");
  e.UserSetText("25");
  e.UserSetText("30");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(e.Modified());
  e.SetReadOnly(true);
  e.UserSetText("40");
  EXPECT_EQ(e.Text(), "30");
  e.SetReadOnly(false);
  e.SetMaxLength(3);
  e.SetText("12345");
  EXPECT_EQ(e.Text(), "123");
}

struct LinesCase {
  const char* text;
  std::vector<std::string> lines;
  const char* back;  // Text() of those lines
};

class MemoLines : public ::testing::TestWithParam<LinesCase> {};

TEST_P(MemoLines, SplitAtEveryLineEndAndJoinWithCrLf) {
  Memo m;
  m.SetText(GetParam().text);
  EXPECT_EQ(m.Lines().All(), GetParam().lines);
  EXPECT_EQ(m.Text(), GetParam().back);
}

INSTANTIATE_TEST_SUITE_P(Cases, MemoLines,
                         ::testing::Values(LinesCase{"", {}, ""},
                                           LinesCase{"a", {"a"}, "a"},
                                           LinesCase{"a\r\nb", {"a", "b"}, "a\r\nb"},
                                           LinesCase{"a\nb\n", {"a", "b"}, "a\r\nb"},
                                           LinesCase{"a\rb\r\n\r\nc", {"a", "b", "", "c"}, "a\r\nb\r\n\r\nc"},
                                           LinesCase{"x\ty\r\n", {"x\ty"}, "x\ty"}));

TEST(Controls, UpDownWritesItsEditAndReadsItBack) {
  Form f;
  auto* edit = Make<Edit>(&f, "EditPhaseCheck");
  auto* ud = Make<UpDown>(&f, "UpPhaseCheck");
  ud->SetRange(1, 5);
  ud->SetAssociate(edit);
  EXPECT_EQ(ud->Position(), 1);
  EXPECT_EQ(edit->Text(), "1");
  edit->SetText("4");
  ud->UserStep(true);
  EXPECT_EQ(ud->Position(), 5);
  ud->UserStep(true);
  EXPECT_EQ(ud->Position(), 5);
  EXPECT_EQ(edit->Text(), "5");
  edit->SetText("junk");
  ud->UserStep(false);
  EXPECT_EQ(ud->Position(), 4);
  // The handler learns which arrow was pressed, at the ends of the range too.
  std::vector<UpDownButton> pressed;
  ud->OnArrowClick = [&](Component* sender, UpDownButton b) {
    EXPECT_EQ(sender, ud);
    pressed.push_back(b);
  };
  ud->UserStep(true);
  ud->UserStep(true);
  ud->UserStep(false);
  EXPECT_EQ(pressed, (std::vector<UpDownButton>{UpDownButton::Next, UpDownButton::Next, UpDownButton::Prev}));
}

TEST(Controls, ScrollAndTrackBarsClampTheirPositionAndReportOnlyTheUsersChanges) {
  Form f;
  auto* scroll = Make<ScrollBar>(&f, "ScrollTemperature");
  auto* track = Make<TrackBar>(&f, "TrackPressure");
  EXPECT_EQ(scroll->Max(), 100);
  EXPECT_EQ(track->Max(), 10);
  int changes = 0;
  track->OnChange = [&](Component*) { ++changes; };
  track->UserSetPosition(25);
  EXPECT_EQ(track->Position(), 10);
  EXPECT_EQ(changes, 1);
  track->UserSetPosition(12);
  EXPECT_EQ(changes, 1);
  track->SetRange(0, 4);
  EXPECT_EQ(track->Position(), 4);
  EXPECT_EQ(changes, 1);
  scroll->SetPosition(-3);
  EXPECT_EQ(scroll->Position(), 0);
  scroll->SetPosition(60);
  EXPECT_EQ(scroll->Position(), 60);
}

TEST(Controls, StatusBarPanels) {
  StatusBar sb;
  for (int i = 0; i < 4; ++i) sb.AddPanel(128);
  sb.SetPanelText(3, "Calculating");
  sb.SetPanelText(9, "ignored");
  EXPECT_EQ(sb.PanelText(3), "Calculating");
  EXPECT_EQ(sb.PanelText(9), "");
  EXPECT_EQ(sb.PanelWidth(0), 128);
  sb.SetSimpleText("simple");
  EXPECT_EQ(sb.SimpleText(), "simple");
}

TEST(Controls, PageControlPagesAndTabVisibility) {
  PageControl pc;
  auto* ts1 = Make<TabSheet>(&pc, "TS1");
  auto* ts2 = Make<TabSheet>(&pc, "TS2");
  EXPECT_EQ(pc.PageCount(), 2);
  EXPECT_EQ(pc.ActivePage(), ts1);
  EXPECT_EQ(ts2->PageIndex(), 1);
  ts2->SetTabVisible(false);
  pc.UserSelectPage(ts2);
  EXPECT_EQ(pc.ActivePage(), ts1) << "a page without its tab cannot be chosen";
  ts2->SetTabVisible(true);
  pc.OnChanging = [](Component*, bool& allow) { allow = false; };
  pc.UserSelectPage(ts2);
  EXPECT_EQ(pc.ActivePage(), ts1);
  pc.OnChanging = nullptr;
  pc.UserSelectPage(ts2);
  EXPECT_EQ(pc.ActivePageIndex(), 1);
  pc.DestroyChild(ts2);
  EXPECT_EQ(pc.PageCount(), 1);
  EXPECT_EQ(pc.ActivePage(), ts1);
}

TEST(Controls, ListBoxAndRadioGroupSelections) {
  ListBox lb;
  lb.Items().Assign({"a", "b", "c"});
  lb.SetItemIndex(2);
  EXPECT_TRUE(lb.Selected(2));
  lb.Items().Delete(2);
  EXPECT_EQ(lb.ItemIndex(), -1);

  RadioGroup rg;
  rg.Items().Assign({"Ideal Gas", "van der Waals"});
  int clicks = 0;
  rg.OnClick = [&](Component*) { ++clicks; };
  rg.SetItemIndex(7);
  EXPECT_EQ(rg.ItemIndex(), 1);
  rg.UserSelect(0);
  EXPECT_EQ(rg.ItemIndex(), 0);
  EXPECT_EQ(clicks, 1);
}

TEST(Controls, ViewHearsChangesButNotRepeats) {
  Label l;
  RecordingView v;
  l.SetView(&v);
  l.SetCaption("T [\xB0" "C ]");
  l.SetCaption("T [\xB0" "C ]");
  l.SetVisible(false);
  l.SetFont(FontInfo{"Courier", 10});
  EXPECT_EQ(v.changes, (std::vector<Property>{Property::Text, Property::Visible, Property::Font}));
  l.SetView(nullptr);
}

TEST(Controls, FontPixelHeight) {
  FontInfo f;
  f.Size = 8;
  EXPECT_EQ(f.PixelHeight(), -11);
  f.Size = 10;
  EXPECT_EQ(f.PixelHeight(), -13);
  f.SetPixelHeight(-16);
  EXPECT_EQ(f.Size, 12);
}

TEST(Controls, ViewHearsAddedAndRemovedChildren) {
  Form f;
  RecordingView v;
  f.SetView(&v);
  auto* menu = Make<PopupMenu>(&f, "P");
  f.DestroyChild(menu);
  EXPECT_EQ(v.changes, (std::vector<Property>{Property::Children, Property::Children}));
  f.SetView(nullptr);
}

TEST(Controls, ListViewTellsTheViewWhichItemChanged) {
  ListView lv;
  RecordingView v;
  lv.Add();
  ListItem* b = lv.Add();
  lv.SetView(&v);
  b->SetCaption("E:526");
  EXPECT_EQ(v.cells, (std::vector<std::pair<int, int>>{{-1, 1}}));
  lv.Insert(0);
  EXPECT_EQ(v.changes, (std::vector<Property>{Property::Items}));
  lv.SetView(nullptr);
}

TEST(Form, BinderMakesTheViewOfAFormAtItsFirstShow) {
  HeadlessSession s;
  RecordingView v;
  int bound = 0;
  Screen::Binder previous = Screen::SetBinder([&](Form& f) {
    ++bound;
    f.SetView(&v);
  });
  Form f;
  f.Show();
  f.Hide();
  f.Show();
  EXPECT_EQ(bound, 1);
  f.SetView(nullptr);
  Screen::SetBinder(previous);
}

TEST(Form, FreeingAFormWithoutOwnerOnlyHidesItAndMarksItReleased) {
  HeadlessSession s;
  Form other;  // the main form, so that closing f does not end the program
  Screen::SetMainForm(&other);
  Form f;
  f.Show();
  f.OnClose = [](Component*, CloseAction& a) { a = CloseAction::Free; };
  EXPECT_TRUE(f.Close());
  ProcessMessages();
  EXPECT_TRUE(f.Released());
  EXPECT_FALSE(f.Visible());
  EXPECT_FALSE(s.application.terminated);
  Screen::SetMainForm(nullptr);
}

TEST(Form, DestroyedComponentsLeaveNoPointersBehind) {
  Form f;
  Form other;
  auto* menu = Make<PopupMenu>(&f, "PopupEdits");
  auto* edit = Make<Edit>(&f, "EditTsys");
  auto* btn = Make<ToolButton>(&f, "BtnComp");
  auto* images = Make<ImageList>(&f, "ImageList1");
  auto* lv = Make<ListView>(&other, "LV");  // another form's list uses this form's images
  auto* ud = Make<UpDown>(&f, "UpPhaseCheck");
  edit->SetPopupMenu(menu);
  btn->SetDropdownMenu(menu);
  lv->SetSmallImages(images);
  ud->SetAssociate(edit);
  edit->SetFocus();
  edit->ContextPopup(0, 0);
  ASSERT_EQ(menu->PopupComponent(), edit);
  ASSERT_EQ(f.ActiveControl(), edit);
  f.DestroyChild(edit);
  EXPECT_EQ(f.ActiveControl(), nullptr);
  EXPECT_EQ(menu->PopupComponent(), nullptr);
  EXPECT_EQ(ud->Associate(), nullptr);
  f.DestroyChild(menu);
  EXPECT_EQ(btn->DropdownMenu(), nullptr);
  f.DestroyChild(images);
  EXPECT_EQ(lv->SmallImages(), nullptr);
}
