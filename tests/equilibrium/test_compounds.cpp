// The compound dialog "Compounds" on the headless platform: the database list of a phase kind
// and element selection, the element filter, the status line with the temperature range, the
// sorting of both lists, the moving of substances, OK and Cancel through the main window's
// Compounds command, and the copying of substances between phases.
//
// A small database (written by the fixture) keeps the lists short and known; one test reads
// the shipped database.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "equilibrium/Compounds.h"
#include "orvanto_support.h"
#include "shared/Elements.h"
#include "shared/TDynOprt.h"

using namespace quorel;
using orvtest::OrvantoTest;
using Captions = std::vector<std::string>;

namespace {

// One dataset line of 22 fields.
std::string Line(int nr, const char* name, const char* phase, const char* tmin, const char* tmax, const char* formula,
                 const char* description, const char* references, const char* comment) {
  return std::to_string(nr) + "\t" + name + "\t" + phase + "\t" + tmin + "\t" + tmax +
         "\t298.15\t0\t100\t30\t0\t0\t0\t0\t0\t\t\t\t" + formula + "\t" + description + "\t" + references + "\t\t" +
         comment + "\t\r\n";
}

// Rows 1..14. The gas substances of H, N and O are rows 1 (N2), 4, 5, 7, 8 and 11.
std::string SmallDatabase() {
  std::string text =
      "#\tName\tPhase\tTmin\tTmax\tT0\tH0\tS0\ta\tb\tc\td\te\tf\tTc\tPc\tw\tComposition\tDescription\tReferences\t\t"
      "Comment\t\r\n";
  text += Line(1, "N2", "(g)", "100", "1000", "N2", "Nitrogen", "[1]", "c");
  text += Line(2, "N2", "(g)", "1000", "6000", "N2", "Nitrogen", "[1]", "c high");
  text += Line(3, "N2", "(l)", "63", "126", "N2", "Nitrogen liquid", "[2]", "");
  text += Line(4, "O2", "(g)", "200", "6000", "O2", "oxygen", "[2]", "a");
  text += Line(5, "H2O", "(g)", "273.15", "6000", "H2O1", "Water vapour", "[1][2]", "e");
  text += Line(6, "H2O", "(l)", "273.15", "647", "H2O1", "Water", "[1]", "");
  text += Line(7, "NO", "(g)", "200", "6000", "N1O1", "Nitric oxide", "[1]", "b");
  text += Line(8, "H2", "(g)", "200", "6000", "H2", "Hydrogen", "[1]", "d");
  text += Line(9, "HCl", "(g)", "200", "6000", "H1Cl1", "Hydrogen chloride", "[1]", "");
  text += Line(10, "CO2", "(g)", "200", "6000", "C1O2", "Carbon dioxide", "[1]", "");
  text += Line(11, "N2O", "(g)", "200", "6000", "N2O1", "Nitrous oxide", "[2]", "f");
  text += Line(12, "Fe", "(s)", "298.15", "1800", "Fe1", "Iron", "[1]", "");
  text += Line(13, "FeO", "(s)", "298.15", "1650", "Fe1O1", "Wuestite", "[1]", "");
  text += Line(14, "NH3", "(l)", "195", "400", "N1H3", "Ammonia", "[1]", "");
  return text;
}

Captions ListCaptions(const platform::ListView& list) {
  Captions out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Items(i)->Caption());
  return out;
}

class CompoundsTest : public OrvantoTest {
 protected:
  void SetUp() override {
    OrvantoTest::SetUp();
    dlg = std::make_unique<TCompoundsDlg>();
    if (!UseSmallDatabase()) return;
    const std::string db = (home / "compounds.tdb").string();
    std::ofstream(db, std::ios::binary) << SmallDatabase();
    std::ofstream((home / "compounds.ref").string(), std::ios::binary)
        << "[Reference]\r\n1: First source;\r\n2: Second source;\r\n";
    ASSERT_GT(windows->Behaviour->LoadDatabaseFile(db), 0);
    ASSERT_EQ(DatasetCount(), 15);
    Select({"H ", "N ", "O "});
  }
  void TearDown() override {
    dlg.reset();
    OrvantoTest::TearDown();
  }
  virtual bool UseSmallDatabase() const { return true; }
  void Select(std::vector<std::string> symbols) { ElementsDlg->SelectedElements = std::move(symbols); }
  // Opens the dialog for a grid as the main window does.
  void Open(int slot, bool celsius = true) {
    dlg->CelsiusFlag = celsius;
    dlg->FillCompoundLists(Phase(slot).Caption(), Grid(slot), std::string(1, SlotConstants(slot).Letter));
  }
  platform::ListItem* Src(const std::string& caption) const { return dlg->LVSrc->FindCaption(caption); }
  platform::ListItem* Dst(const std::string& caption) const { return dlg->LVDst->FindCaption(caption); }
  Captions GridKeys(int slot) {
    Captions out;
    for (int r = 1; r < Grid(slot).RowCount(); ++r) out.push_back(Grid(slot).Cells(0, r));
    return out;
  }

  std::unique_ptr<TCompoundsDlg> dlg;
};

class ShippedCompoundsTest : public CompoundsTest {
 protected:
  bool UseSmallDatabase() const override { return false; }
};

// ---------------------------------------------------------------------------------------------
// The lists

TEST_F(CompoundsTest, TheDialogIsMadeAsDesigned) {
  EXPECT_EQ(CompoundsDlg, dlg.get());
  EXPECT_EQ(dlg->Caption(), "Compounds");
  EXPECT_EQ(dlg->GbxDatabase->Caption(), "Substances");
  EXPECT_EQ(dlg->GbxSystem->Caption(), "Selections for System");
  EXPECT_EQ(dlg->IncludeBtn->Caption(), "Select - >");
  EXPECT_EQ(dlg->ExcludeBtn->Caption(), "< - Deselect");
  EXPECT_EQ(dlg->ExcludeBtn->Tag(), 1);
  EXPECT_EQ(dlg->LVDst->Tag(), 1);
  EXPECT_EQ(dlg->CbxEl->Text(), "[all]");
  EXPECT_FALSE(dlg->SGC->Visible());
  EXPECT_EQ(dlg->StBar->PanelCount(), 3);
  EXPECT_EQ(dlg->Constraints().MinWidth, 486);
  EXPECT_EQ(dlg->Constraints().MinHeight, 256);
  for (platform::ListView* list : {dlg->LVSrc, dlg->LVDst}) {
    EXPECT_TRUE(list->MultiSelect());
    ASSERT_EQ(list->ColumnCount(), 4);
    const char* headers[] = {"Substance", "Desc.", "Comment", "n ->"};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(list->Column(c).Caption, headers[c]);
  }
  for (const auto& row : dlg->SortAscending)
    for (bool ascending : row) EXPECT_TRUE(ascending);
  // The layout: the system group takes half of what the phase group leaves.
  dlg->UserResize(800, 400);
  EXPECT_EQ(dlg->GbxSystem->Width(), (800 - dlg->GbxPhase->Width()) / 2);
  EXPECT_EQ(dlg->StBar->PanelWidth(0), 200);
  EXPECT_EQ(dlg->StBar->PanelWidth(1), 400);
}

TEST_F(CompoundsTest, SourceListHoldsEachKeyOfThePhaseKindOnce) {
  struct Case { int slot; std::vector<std::string> elements; Captions expected; } cases[] = {
      {1, {"H ", "N ", "O "}, {"N2 (g)", "O2 (g)", "H2O (g)", "NO (g)", "H2 (g)", "N2O (g)"}},
      {3, {"H ", "N ", "O "}, {"N2 (l)", "H2O (l)", "NH3 (l)"}},
      {6, {"Fe ", "O "}, {"Fe (s)", "FeO (s)"}},
      {6, {"Fe "}, {"Fe (s)"}},
      {1, {"Cl ", "H "}, {"H2 (g)", "HCl (g)"}},
      {1, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slot);
    Select(c.elements);
    Open(c.slot);
    EXPECT_EQ(ListCaptions(*dlg->LVSrc), c.expected);
    EXPECT_EQ(dlg->LVDst->Count(), 0);
    EXPECT_EQ(dlg->GbxDatabase->Caption(), "In Database: " + std::to_string(c.expected.size()));
    EXPECT_EQ(dlg->GbxSystem->Caption(), "In System: 0");
    EXPECT_EQ(dlg->LVSrc->ItemIndex(), c.expected.empty() ? -1 : 0);
    EXPECT_EQ(dlg->EditName->Text(), Phase(c.slot).Caption());
    ASSERT_EQ(dlg->CbxEl->Items().Count(), int(c.elements.size()) + 1);
    EXPECT_EQ(dlg->CbxEl->Items()[0], "[All Selection]");
    EXPECT_EQ(dlg->CbxEl->ItemIndex(), 0);
  }
  // Sub-items: description, comment in the database and the row number padded to 4.
  Select({"H ", "N ", "O "});
  Open(1);
  const platform::ListItem* n2 = Src("N2 (g)");
  ASSERT_NE(n2, nullptr);
  EXPECT_EQ(n2->SubItems(), (Captions{"Nitrogen", "c", "   1"}));
  EXPECT_EQ(Src("N2O (g)")->SubItem(2), "  11");
  // A phase letter outside g, l and s lists nothing.
  dlg->FillCompoundLists("x", Grid(1), "u");
  EXPECT_EQ(dlg->LVSrc->Count(), 0);
}

TEST_F(CompoundsTest, GridSubstancesAreShownOnlyInTheSystemList) {
  Fill(1, {{"H2O (g)", "2"}, {""}, {"Ar (g)", "1"}, {"CO2 (g)"}, {" NO (g) "}});
  Open(1);
  EXPECT_EQ(ListCaptions(*dlg->LVSrc), (Captions{"N2 (g)", "O2 (g)", "H2 (g)", "N2O (g)"}));
  // In grid order; CO2 is not made of the selected elements but has its dataset.
  EXPECT_EQ(ListCaptions(*dlg->LVDst), (Captions{"H2O (g)", "Ar (g)", "CO2 (g)", "NO (g)"}));
  EXPECT_EQ(Dst("H2O (g)")->SubItems(), (Captions{"Water vapour", "e", "   5"}));
  EXPECT_EQ(Dst("CO2 (g)")->SubItem(2), "  10");
  EXPECT_EQ(Dst("Ar (g)")->SubItems(), (Captions{" not found !", " does not exist in database", "-1"}));
  EXPECT_EQ(dlg->GbxDatabase->Caption(), "In Database: 8");
  EXPECT_EQ(dlg->GbxSystem->Caption(), "In System: 4");
  // The hidden copy holds the grid as it came.
  EXPECT_EQ(dlg->SGC->RowCount(), Grid(1).RowCount());
  EXPECT_EQ(dlg->SGC->Cells(1, 1), "2");
  EXPECT_EQ(dlg->SGC->Cells(ColActivity, 0), "f");
}

TEST_F(CompoundsTest, ChoosingAnElementRefillsOnlyTheSourceList) {
  Select({"C ", "Cl ", "H ", "N ", "O "});
  struct Case { const char* element; Captions expected; } cases[] = {
      {"N", {"N2 (g)", "NO (g)", "N2O (g)"}},
      {"C", {"CO2 (g)"}},  // not HCl: the symbol is compared whole
      {"Cl", {"HCl (g)"}},
      {"[All Selection]", {"N2 (g)", "O2 (g)", "NO (g)", "H2 (g)", "HCl (g)", "CO2 (g)", "N2O (g)"}},
  };
  Fill(1, {{"H2O (g)", "2"}});
  Open(1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.element);
    PhasesChangedFlag = false;
    dlg->CbxEl->UserSelect(dlg->CbxEl->Items().IndexOf(c.element));
    EXPECT_EQ(ListCaptions(*dlg->LVSrc), c.expected);
    EXPECT_EQ(ListCaptions(*dlg->LVDst), (Captions{"H2O (g)"}));
    EXPECT_FALSE(PhasesChangedFlag);
  }
}

TEST_F(CompoundsTest, StatusLineShowsRowReferencesAndRangeInTheUnitOfTheMainWindow) {
  struct Case { bool celsius; const char* item; bool system; Captions panels; } cases[] = {
      {true, "N2 (g)", false, {"1", "[1]: First source; ", "-173.15< T [C] <5726.85"}},
      {false, "N2 (g)", false, {"1", "[1]: First source; ", "100< T [K] <6000"}},
      {false, "H2O (g)", false, {"5", "[1]: First source; [2]: Second source; ", "273.15< T [K] <6000"}},
      {true, "H2O (g)", false, {"5", "[1]: First source; [2]: Second source; ", "0< T [C] <5726.85"}},
      {true, "Ar (g)", true, {"-1", "", ""}},
  };
  Fill(1, {{"Ar (g)"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.item) + (c.celsius ? " C" : " K"));
    Open(1, c.celsius);
    EXPECT_EQ(dlg->RangeLabel, c.celsius ? "< T [C] <" : "< T [K] <");
    platform::ListView* list = c.system ? dlg->LVDst : dlg->LVSrc;
    list->UserSelect(list->FindCaption(c.item));
    for (int p = 0; p < 3; ++p) EXPECT_EQ(dlg->StBar->PanelText(p), c.panels[p]) << p;
  }
  // Any other key refreshes the status line too.
  dlg->LVSrc->SetItemIndex(1);
  dlg->LVSrc->KeyDown(platform::Key::Down);
  EXPECT_EQ(dlg->StBar->PanelText(0), "4");
}

// ---------------------------------------------------------------------------------------------
// Sorting

TEST_F(CompoundsTest, AHeaderClickSortsItsListAscendingThenDescending) {
  struct Case { int column; Captions ascending; } cases[] = {
      {0, {"H2 (g)", "H2O (g)", "N2 (g)", "N2O (g)", "NO (g)", "O2 (g)"}},
      {1, {"H2 (g)", "NO (g)", "N2 (g)", "N2O (g)", "O2 (g)", "H2O (g)"}},  // "oxygen" without regard to case
      {2, {"O2 (g)", "NO (g)", "N2 (g)", "H2 (g)", "H2O (g)", "N2O (g)"}},
      {3, {"N2 (g)", "O2 (g)", "H2O (g)", "NO (g)", "H2 (g)", "N2O (g)"}},  // row 11 after row 8
  };
  for (int side = 0; side < 2; ++side) {
    Open(1);
    if (side == 1) {
      while (dlg->LVSrc->Count() > 0) dlg->MoveListItem(0, 0);
    }
    platform::ListView* list = side == 0 ? dlg->LVSrc : dlg->LVDst;
    for (const auto& c : cases) {
      SCOPED_TRACE("list " + std::to_string(side) + " column " + std::to_string(c.column));
      list->UserColumnClick(c.column);
      EXPECT_EQ(dlg->SortColumn, c.column);
      EXPECT_EQ(ListCaptions(*list), c.ascending);
      list->UserColumnClick(c.column);
      Captions descending(c.ascending.rbegin(), c.ascending.rend());
      EXPECT_EQ(ListCaptions(*list), descending);
      EXPECT_TRUE(dlg->SortAscending[side][c.column]);
    }
  }
  // Each list keeps its own directions: one click on the source list leaves the system list's.
  dlg->LVSrc->Clear();
  dlg->LVSrc->UserColumnClick(0);
  EXPECT_FALSE(dlg->SortAscending[0][0]);
  EXPECT_TRUE(dlg->SortAscending[1][0]);
}

// ---------------------------------------------------------------------------------------------
// Moving

TEST_F(CompoundsTest, ItemsMoveBothWaysAndTheSystemCountFollows) {
  enum Trigger { DoubleClick, Enter, SelectButton, DeselectButton };
  struct Case { Trigger trigger; Captions pick; Captions source; Captions system; const char* why; } cases[] = {
      {DoubleClick, {"O2 (g)"}, {"N2 (g)", "H2O (g)", "NO (g)", "H2 (g)", "N2O (g)"}, {"O2 (g)"}, "double click"},
      {Enter, {"H2 (g)"}, {"N2 (g)", "H2O (g)", "NO (g)", "N2O (g)"}, {"O2 (g)", "H2 (g)"}, "Enter"},
      // Walking from the last item to the first: the later item arrives first.
      {SelectButton, {"N2 (g)", "NO (g)"}, {"H2O (g)", "N2O (g)"}, {"O2 (g)", "H2 (g)", "NO (g)", "N2 (g)"}, "Select"},
      {DeselectButton, {"O2 (g)", "NO (g)"}, {"H2O (g)", "N2O (g)", "NO (g)", "O2 (g)"}, {"H2 (g)", "N2 (g)"}, "Deselect"},
      {DoubleClick, {"H2 (g)"}, {"H2O (g)", "N2O (g)", "NO (g)", "O2 (g)", "H2 (g)"}, {"N2 (g)"}, "double click back"},
  };
  Open(1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    PhasesChangedFlag = false;
    const bool fromSystem = c.trigger == DeselectButton || dlg->LVDst->FindCaption(c.pick[0]);
    platform::ListView* list = fromSystem ? dlg->LVDst : dlg->LVSrc;
    list->SetSelected(nullptr);
    for (const auto& p : c.pick) list->FindCaption(p)->SetSelected(true);
    switch (c.trigger) {
      case DoubleClick: list->UserDblClick(list->FindCaption(c.pick[0])); break;
      case Enter: EXPECT_EQ(list->KeyDown(platform::Key::Enter), 0); break;
      case SelectButton: dlg->IncludeBtn->Click(); break;
      case DeselectButton: dlg->ExcludeBtn->Click(); break;
    }
    EXPECT_EQ(ListCaptions(*dlg->LVSrc), c.source);
    EXPECT_EQ(ListCaptions(*dlg->LVDst), c.system);
    EXPECT_EQ(dlg->GbxSystem->Caption(), "In System: " + std::to_string(c.system.size()));
    EXPECT_EQ(dlg->GbxDatabase->Caption(), "In Database: 6");
    EXPECT_TRUE(PhasesChangedFlag);
  }
  // A moved item keeps its texts.
  EXPECT_EQ(Dst("N2 (g)")->SubItems(), (Captions{"Nitrogen", "c", "   1"}));
}

TEST_F(CompoundsTest, EnterSelectsTheItemThatTookThePlace) {
  struct Case { int index; int selectedAfter; const char* why; } cases[] = {
      {1, 1, "the next item moves up"},
      {3, 2, "the last item went: the new last one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Open(1);
    while (dlg->LVSrc->Count() > 4) dlg->MoveListItem(4, 0);
    dlg->LVSrc->SetItemIndex(c.index);
    const std::string next = c.index + 1 < 4 ? dlg->LVSrc->Items(c.index + 1)->Caption() : "";
    dlg->LVSrc->KeyDown(platform::Key::Enter);
    ASSERT_EQ(dlg->LVSrc->Count(), 3);
    EXPECT_EQ(dlg->LVSrc->ItemIndex(), c.selectedAfter);
    if (!next.empty()) {
      EXPECT_EQ(dlg->LVSrc->Selected()->Caption(), next);
    }
  }
  // Enter with nothing selected moves nothing.
  dlg->LVSrc->SetSelected(nullptr);
  PhasesChangedFlag = false;
  dlg->LVSrc->KeyDown(platform::Key::Enter);
  EXPECT_EQ(dlg->LVSrc->Count(), 3);
  EXPECT_FALSE(PhasesChangedFlag);
  // Out-of-range moves are ignored.
  dlg->MoveListItem(99, 0);
  dlg->MoveListItem(0, 2);
  EXPECT_EQ(dlg->LVSrc->Count(), 3);
}

// ---------------------------------------------------------------------------------------------
// OK and Cancel through the Compounds command

TEST_F(CompoundsTest, OkWritesTheSystemListIntoThePhaseGridKeepingInputs) {
  Fill(1, {{"H2O (g)", "2", "", "", "", "", "0.5", "", "", "keep"}, {"Ar (g)", "1"}, {"NO (g)", "3"}});
  Grid(1).SetCells(0, 0, "3");
  ActivePhaseSlot = 2;  // no window there: the first open phase is taken
  PhasesChangedFlag = false;
  session.modal.QueueModal([this](platform::Form&) {
    dlg->LVSrc->UserDblClick(Src("N2 (g)"));
    dlg->LVDst->UserDblClick(Dst("Ar (g)"));
    dlg->EditName->UserSetText("Air");
    dlg->OKBtn->Click();
  });
  EXPECT_TRUE(SelectPhaseCompounds(false));
  EXPECT_EQ(session.modal.shown.back(), "CompoundsDlg");
  EXPECT_EQ(ActivePhaseSlot, 1);
  EXPECT_FALSE(dlg->CelsiusFlag);
  EXPECT_EQ(GridKeys(1), (Captions{"H2O (g)", "NO (g)", "N2 (g)"}));
  EXPECT_EQ(Grid(1).Rows(1), (Captions{"H2O (g)", "2", "", "", "", "", "0.5", "", "", "keep"}));
  EXPECT_EQ(Grid(1).Cells(ColIn, 2), "3");
  EXPECT_EQ(Grid(1).Rows(3), (Captions{"N2 (g)", "", "", "", "", "", "", "", "", ""}));
  EXPECT_EQ(Grid(1).Cells(0, 0), "");
  EXPECT_EQ(Grid(1).Cells(ColIn, 0), "in");
  EXPECT_EQ(Phase(1).Caption(), "Air");
  EXPECT_TRUE(PhasesChangedFlag);
}

TEST_F(CompoundsTest, GridSubstancesKeepTheirOwnRows) {
  // A key written anew ("NO" has no phase: "NO (u)") and a key listed twice keep their inputs;
  // a first cell "-" is emptied before the dialog opens.
  Fill(1, {{"-"}, {"NO", "1"}, {"H2O (g)", "2"}, {"H2O (g)", "5"}});
  session.modal.QueueModal([this](platform::Form&) {
    EXPECT_EQ(Grid(1).Cells(0, 1), "");
    dlg->OKBtn->Click();
  });
  EXPECT_TRUE(SelectPhaseCompounds(true));
  EXPECT_EQ(GridKeys(1), (Captions{"NO (u)", "H2O (g)", "H2O (g)"}));
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "1");
  EXPECT_EQ(Grid(1).Cells(ColIn, 2), "2");
  EXPECT_EQ(Grid(1).Cells(ColIn, 3), "5");
}

TEST_F(CompoundsTest, CancelLeavesTheGridAndTheChangedFlagAsTheyWere) {
  enum Way { CancelButton, EscapeKey, CloseBox };
  struct Case { Way way; bool flagBefore; const char* why; } cases[] = {
      {CancelButton, false, "Cancel"},
      {EscapeKey, false, "Escape in a list"},
      {CloseBox, false, "closed without a button"},
      {CancelButton, true, "Cancel keeps a flag set before"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Fill(1, {{"H2O (g)", "2"}, {"Ar (g)", "1"}});
    const std::vector<Captions> before = {Grid(1).Rows(0), Grid(1).Rows(1), Grid(1).Rows(2)};
    PhasesChangedFlag = c.flagBefore;
    session.modal.QueueModal([this, &c](platform::Form& f) {
      dlg->LVSrc->UserDblClick(Src("N2 (g)"));
      dlg->LVDst->UserDblClick(Dst("H2O (g)"));
      dlg->EditName->UserSetText("Renamed");
      EXPECT_TRUE(PhasesChangedFlag);
      switch (c.way) {
        case CancelButton: dlg->CancelBtn->Click(); break;
        case EscapeKey: dlg->LVDst->KeyDown(platform::Key::Escape); break;
        case CloseBox: f.Close(); break;
      }
    });
    EXPECT_FALSE(SelectPhaseCompounds(true));
    EXPECT_FALSE(dlg->OkFlag);
    EXPECT_EQ(Grid(1).RowCount(), 3);
    EXPECT_EQ((std::vector<Captions>{Grid(1).Rows(0), Grid(1).Rows(1), Grid(1).Rows(2)}), before);
    EXPECT_EQ(Phase(1).Caption(), "Gas.1");
    EXPECT_EQ(PhasesChangedFlag, c.flagBefore);
  }
}

TEST_F(CompoundsTest, OkWithAnEmptySystemListLeavesOneEmptyRow) {
  Fill(1, {{"H2O (g)", "2"}, {"NO (g)", "1"}});
  session.modal.QueueModal([this](platform::Form&) {
    for (int i = 0; i < dlg->LVDst->Count(); ++i) dlg->LVDst->Items(i)->SetSelected(true);
    dlg->ExcludeBtn->Click();
    dlg->EditName->UserSetText("  ");
    dlg->OKBtn->Click();
  });
  EXPECT_TRUE(SelectPhaseCompounds(true));
  ASSERT_EQ(Grid(1).RowCount(), 2);
  EXPECT_EQ(Grid(1).Cells(0, 1), " ");
  for (int c = 1; c < Grid(1).ColCount(); ++c) EXPECT_EQ(Grid(1).Cells(c, 1), "") << c;
  EXPECT_EQ(Phase(1).Caption(), "Gas.1");  // an emptied name keeps the old one
}

TEST_F(CompoundsTest, WithoutDatabaseTheListsStayEmptyAndOkKeepsTheGrid) {
  Fill(1, {{"H2O (g)", "2"}});
  windows->Behaviour->CurrentDatabasePath.clear();
  log->sink.Clear();
  session.modal.QueueModal([this](platform::Form&) { dlg->OKBtn->Click(); });
  EXPECT_FALSE(SelectPhaseCompounds(true));
  EXPECT_EQ(Text(DatabaseNotDefinedId), "Database is not defined !");
  EXPECT_EQ(log->sink.messages.back().level, LevelError);
  EXPECT_EQ(dlg->LVSrc->Count(), 0);
  EXPECT_EQ(dlg->LVDst->Count(), 0);
  EXPECT_EQ(GridKeys(1), (Captions{"H2O (g)"}));
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "2");
}

TEST_F(CompoundsTest, NothingIsOpenedWithoutPhaseWindowOrDialog) {
  for (int slot : {1, 3, 6}) m->ClosePhaseWindow(slot);
  EXPECT_FALSE(SelectPhaseCompounds(true));
  EXPECT_TRUE(session.modal.shown.empty());
  m->CreatePhaseWindow(3);
  dlg.reset();
  EXPECT_EQ(CompoundsDlg, nullptr);
  EXPECT_FALSE(SelectPhaseCompounds(true));
  EXPECT_TRUE(session.modal.shown.empty());
}

// ---------------------------------------------------------------------------------------------
// Lookups and copying between phases

TEST_F(CompoundsTest, FindDatasetByNamePhaseTakesTheFirstRow) {
  struct Case { const char* name; const char* phase; int row; } cases[] = {
      {"N2", "(g)", 1}, {"N2", "(l)", 3}, {"N2", "", 1}, {"H2O", "(l)", 6},
      {"Ar", "(g)", -1}, {"N2", "(s)", -1}, {"n2", "(g)", -1}, {"Name", "Phase", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(FindDatasetByNamePhase(c.name, c.phase), c.row) << c.name << c.phase;
}

TEST_F(CompoundsTest, CopyingIntoALiquidTakesOnlyTheNamesWithALiquidDataset) {
  struct Case { std::vector<std::vector<std::string>> target; Captions after; Captions inserted; const char* why; } cases[] = {
      {{{""}}, {"N2 (l)", "H2O (l)"}, {"inserting N2 (l)", "inserting H2O (l)"}, "empty target"},
      {{{"H2O (l)", "4"}}, {"H2O (l)", "N2 (l)"}, {"inserting N2 (l)"}, "a name present is not added again"},
      {{{"N2 (s)"}}, {"N2 (s)", "H2O (l)"}, {"inserting H2O (l)"}, "the name counts whatever its phase"},
      {{{""}, {"H2O (l)"}}, {"", "H2O (l)", "N2 (l)"}, {"inserting N2 (l)"}, "an empty row does not stop the copy"},
      {{{"N2 (l)"}, {"H2O (l)"}}, {"N2 (l)", "H2O (l)"}, {}, "everything present: nothing"},
  };
  Fill(1, {{"N2 (g)", "1"}, {"O2 (g)"}, {""}, {"H2O (g)"}, {"NO (g)"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Fill(3, c.target);
    log->sink.Clear();
    PhasesChangedFlag = false;
    Phase(1).CopyToClick(3);
    EXPECT_EQ(GridKeys(3), c.after);
    Captions posted;
    for (const auto& e : log->sink.messages) {
      EXPECT_NE(e.id, 1413);
      if (e.id == SpeciesInsertedId) {
        EXPECT_EQ(e.level, LevelInfo);
        posted.push_back(e.text);
      }
    }
    EXPECT_EQ(posted, c.inserted);
    EXPECT_TRUE(PhasesChangedFlag);
  }
  // An appended row starts empty; the source is unchanged.
  Fill(3, {{"H2O (l)", "4", "9"}});
  Phase(1).CopyToClick(3);
  EXPECT_EQ(Grid(3).Rows(2), (Captions{"N2 (l)", "", "", "", "", "", "", "", "", ""}));
  EXPECT_EQ(GridKeys(1), (Captions{"N2 (g)", "O2 (g)", "", "H2O (g)", "NO (g)"}));
  // A target grid that is no phase slot gets nothing.
  platform::StringGrid loose;
  loose.SetColCount(PhaseGridColumns);
  loose.SetRowCount(2);
  CopyPhaseCompounds(Grid(1), &loose);
  CopyPhaseCompounds(Grid(1), nullptr);
  EXPECT_EQ(loose.Cells(0, 1), "");
}

TEST_F(CompoundsTest, WithoutTheDialogTheCopyToMenuReportsItUnavailable) {
  dlg.reset();
  Fill(1, {{"N2 (g)"}});
  log->sink.Clear();
  Phase(1).CopyToClick(3);
  EXPECT_TRUE(Logged(1413));
  EXPECT_EQ(GridKeys(3), (Captions{""}));
}

// ---------------------------------------------------------------------------------------------
// The shipped database

TEST_F(ShippedCompoundsTest, EveryKeyIsListedOnceForItsFirstRow) {
  Select({"H ", "O "});
  Fill(1, {{"H2O (g)", "1"}});
  Open(1);
  ASSERT_GT(dlg->LVSrc->Count(), 3);
  std::set<std::string> keys;
  for (int i = 0; i < dlg->LVSrc->Count(); ++i) {
    const platform::ListItem* item = dlg->LVSrc->Items(i);
    EXPECT_TRUE(keys.insert(item->Caption()).second) << item->Caption();
    EXPECT_TRUE(item->Caption().ends_with(" (g)")) << item->Caption();
    std::string name, phase;
    ASSERT_TRUE(SplitNamePhase(item->Caption(), name, phase));
    EXPECT_EQ(std::stoi(item->SubItem(2)), FindDatasetByNamePhase(name, phase)) << item->Caption();
    EXPECT_GE(item->SubItem(2).size(), 4u);
  }
  EXPECT_FALSE(Src("H2O (g)"));
  ASSERT_TRUE(Dst("H2O (g)"));
  EXPECT_EQ(std::stoi(Dst("H2O (g)")->SubItem(2)), FindDatasetByNamePhase("H2O", "(g)"));
  EXPECT_TRUE(Src("O2 (g)"));
  EXPECT_TRUE(Src("H2 (g)"));
}

}  // namespace
