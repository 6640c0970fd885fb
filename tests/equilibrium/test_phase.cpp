// The phase slots and the phase window on the headless platform: slots and their windows,
// units and headers, the column commands, removal, closing, the copy-to menu and the import.
#include <gtest/gtest.h>

#include <fstream>

#include "equilibrium/Compounds.h"
#include "orvanto_support.h"

using namespace quorel;
using orvtest::OrvantoTest;

namespace {

TEST(PhaseSlotConstantsTest, CaptionsNamesAndSections) {
  struct Case { int slot; const char* caption; const char* window; const char* grid; const char* tag; const char* section; } cases[] = {
      {1, "Gas.1", "GasWnd1", "Gas1", "(g)", "Gas1"},     {2, "Gas.2", "GasWnd2", "Gas2", "(g)", "Gas2"},
      {3, "Liq.1", "LiqWnd1", "Liquid1", "(l)", "Liquid3"}, {5, "Liq.3", "LiqWnd3", "Liquid3", "(l)", "Liquid5"},
      {6, "Sol.1", "SolWnd1", "Solid1", "(s)", "Solid6"},  {8, "Sol.3", "SolWnd3", "Solid3", "(s)", "Solid8"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(SlotConstants(c.slot).Caption, c.caption);
    EXPECT_STREQ(SlotConstants(c.slot).WindowName, c.window);
    EXPECT_STREQ(SlotConstants(c.slot).GridName, c.grid);
    EXPECT_EQ(SlotPhaseTag(c.slot), c.tag);
    EXPECT_EQ(PhaseSettingsSection(c.slot), c.section);
  }
  EXPECT_EQ(DimensionName(5), "[m\xB3]");
  EXPECT_EQ(DimensionName(7), "[Nm\xB3]");
  EXPECT_EQ(DimensionName(8), "");
}

TEST_F(OrvantoTest, NewPhasesTakeTheFirstFreeSlotOfTheirKind) {
  m->NewPhaseClick(1);
  EXPECT_NE(PhaseSlotTable[2].Window, nullptr);
  EXPECT_EQ(ActivePhaseSlot, 2);
  EXPECT_FALSE(m->MnuNewGas->Enabled());
  m->NewPhaseClick(3);
  EXPECT_NE(PhaseSlotTable[4].Window, nullptr);
  EXPECT_EQ(Phase(4).Caption(), "Liq.2");
  EXPECT_TRUE(m->MnuWindowPhase[4]->Visible());
  EXPECT_EQ(m->PopPhase[4]->Caption(), "Liq.2");
  EXPECT_FALSE(m->PopPhase[5]->Visible());
  EXPECT_EQ(PhaseSlotTable[4].RowCount, 0);
  EXPECT_EQ(PhaseSlotTable[5].RowCount, -1);
}

TEST_F(OrvantoTest, ClosingReleasesTheSlotOnlyWithoutSubstances) {
  struct Case { std::vector<std::vector<std::string>> rows; bool released; const char* why; } cases[] = {
      {{{""}}, true, "empty grid"},
      {{{"0"}}, true, "first cell 0"},
      {{{""}, {"N2 (g)", "1"}}, false, "a substance below an empty first row (after a sort)"},
      {{{"N2 (g)"}}, false, "a substance"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    if (!PhaseSlotTable[2].Window) m->NewPhaseClick(1);
    Fill(2, c.rows);
    Phase(2).Close();
    EXPECT_EQ(PhaseSlotTable[2].Window == nullptr, c.released);
    EXPECT_EQ(PhaseSlotTable[2].RowCount == -1, c.released);
    if (!c.released) {
      EXPECT_EQ(Phase(2).GetWindowState(), platform::WindowState::Minimized);
      Phase(2).SetWindowState(platform::WindowState::Normal);
    }
  }
}

TEST_F(OrvantoTest, DimensionsCycleWithinTheirKind) {
  // Liquid: [mol] -> [g] -> [kg] -> [lb] -> [mol]; the volume items are hidden.
  const char* liquid[] = {"in [g]", "in [kg]", "in [lb]", "in"};
  for (const char* h : liquid) {
    Phase(3).ToolBtnInDim->Click();
    EXPECT_EQ(Grid(3).Cells(ColIn, 0), h);
  }
  EXPECT_FALSE(Phase(3).MnuDimIn[DimLitre]->Visible());
  EXPECT_FALSE(Phase(3).MnuDimOut[DimNormalCubicMetre]->Visible());
  // Gas: all eight.
  for (int i = 1; i <= 8; ++i) Phase(1).ToolBtnOutDim->Click();
  EXPECT_EQ(PhaseDimensionTable.OutDimension[1], 0);
  Phase(1).DimOutClick(DimNormalCubicMetre);
  EXPECT_EQ(Grid(1).Cells(ColOut, 0), "out [Nm\xB3]");
  EXPECT_TRUE(Phase(1).MnuDimOut[DimNormalCubicMetre]->Checked());
  Phase(1).ToolBtnCDim->Click();
  EXPECT_EQ(Grid(1).Cells(ColConc, 0), "w");
  Phase(1).DimInClick(DimMol);
  EXPECT_EQ(Grid(1).Cells(ColIn, 0), "in");
}

TEST_F(OrvantoTest, InOutTwiceRestoresColumnsAndUnits) {
  Fill(1, {{"N2 (g)", "1", "2"}, {"O2 (g)", "3", "4"}});
  PhaseDimensionTable.InDimension[1] = DimGram;
  PhaseDimensionTable.OutDimension[1] = DimLitre;
  m->ResultsValidFlag = true;
  Phase(1).ToolBtnIOClick();
  EXPECT_FALSE(m->ResultsValidFlag);
  EXPECT_EQ(Grid(1).Cells(ColIn, 2), "4");
  EXPECT_EQ(Grid(1).Cells(ColIn, 0), "in [l]");
  EXPECT_EQ(Grid(1).Cells(ColOut, 0), "out [g]");
  EXPECT_EQ(Phase(1).StBar->PanelText(1), "S(in [l])=6");
  Phase(1).ToolBtnIOClick();
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "1");
  EXPECT_EQ(Grid(1).Cells(ColOut, 1), "2");
  EXPECT_EQ(PhaseDimensionTable.InDimension[1], DimGram);
  EXPECT_EQ(PhaseDimensionTable.OutDimension[1], DimLitre);
}

TEST_F(OrvantoTest, SetAColumnAndUndoTwice) {
  TPhaseWnd& w = Phase(1);
  Fill(1, {{"N2 (g)", "", "", "", "", "", "0.5"}, {"O2 (g)"}});
  w.EditRel->SetText("0.8");
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  w.ToolButtonRel->Click();
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].text, "Set all \"Rel.\" =0.8");
  EXPECT_EQ(session.dialogs.messages[0].caption, "Gas.1");
  EXPECT_EQ(Grid(1).Cells(ColRel, 1), "0.8");
  EXPECT_EQ(Grid(1).Cells(ColRel, 2), "0.8");
  w.PopupMenuDefData1->Popup(0, 0);
  EXPECT_TRUE(w.MnuSetUndo->Enabled());
  w.MnuSetUndo->Click();
  EXPECT_EQ(Grid(1).Cells(ColRel, 1), "0.5");
  EXPECT_EQ(Grid(1).Cells(ColRel, 2), "");
  w.MnuSetUndo->Click();
  EXPECT_EQ(Grid(1).Cells(ColRel, 1), "0.8");
  // A row more: Undo is off.
  w.ToolBtnSgeEdit->Click();
  w.ToolBtnAddRow->Click();
  w.PopupMenuDefData1->Popup(0, 0);
  EXPECT_FALSE(w.MnuSetUndo->Enabled());
  // Another column through its item.
  w.PopupMenuDefData1->Items(4)->Click();  // "Temp. (in)"
  EXPECT_EQ(w.LabelRel->Caption(), "Temp. (in)");
  EXPECT_EQ(w.ToolButtonRel->Hint(), "Set all values in the column of \"T(in)\"");
}

TEST_F(OrvantoTest, CtrlRChecksTheRelation) {
  TPhaseWnd& w = Phase(1);
  Fill(1, {{"N2 (g)"}, {"O2 (g)"}});
  struct Case { const char* text; const char* box; } cases[] = {
      {"abc", "Irregular effectiv relation"}, {"1.5", "Irregular effectiv relation.  0..1"}, {"0,25", nullptr}};
  for (const auto& c : cases) {
    w.EditRel->SetText(c.text);
    const size_t boxes = session.dialogs.messages.size();
    w.EditRel->KeyDown('R', platform::ssCtrl);
    if (c.box) {
      ASSERT_EQ(session.dialogs.messages.size(), boxes + 1);
      EXPECT_EQ(session.dialogs.messages.back().text, c.box);
      EXPECT_EQ(Grid(1).Cells(ColRel, 1), "");
    } else {
      EXPECT_EQ(Grid(1).Cells(ColRel, 2), "0,25");
    }
  }
}

TEST_F(OrvantoTest, RemoveRowsAndTheOnlyEmptyRow) {
  TPhaseWnd& w = Phase(1);
  Fill(1, {{"N2 (g)", "1"}, {"O2 (g)", "2"}, {"Ar (g)", "3"}});
  Grid(1).SetSelection({1, 1, 1, 2});
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  m->ResultsValidFlag = true;
  w.RemoveClick();
  EXPECT_EQ(session.dialogs.messages.back().text, "Remove from system  N2 (g)  .. O2 (g) ?");
  ASSERT_EQ(Grid(1).RowCount(), 2);
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "Ar (g)");
  EXPECT_FALSE(m->ResultsValidFlag);
  EXPECT_EQ(w.StBar->PanelText(1), "S(in)=3");
  // The only row with an empty key is emptied, not deleted.
  Fill(1, {{"", "5"}});
  Grid(1).SetSelection({1, 1, 1, 1});
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  w.RemoveClick();
  EXPECT_EQ(Grid(1).RowCount(), 2);
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "");
  // No: nothing changes.
  Fill(1, {{"N2 (g)", "1"}});
  session.dialogs.QueueMessageAnswer(platform::mrNo);
  w.RemoveClick();
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "N2 (g)");
}

TEST_F(OrvantoTest, SortMarksThePhaseChanged) {
  Fill(1, {{"N2 (g)", "1"}, {"Ar (g)", "3"}, {"O2 (g)", "2"}});
  PhasesChangedFlag = false;
  Phase(1).SortClick(ColIn);
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "Ar (g)");
  EXPECT_EQ(Grid(1).Cells(ColKey, 3), "N2 (g)");
  EXPECT_TRUE(PhasesChangedFlag);
  Phase(1).SortClick(ColKey);
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "Ar (g)");
  EXPECT_EQ(Grid(1).Cells(ColKey, 2), "N2 (g)");
  Phase(1).PMPhase->Popup(0, 0);
  EXPECT_EQ(Phase(1).PopSort[1]->Caption(), "in");
}

TEST_F(OrvantoTest, CopyToMenuListsTheOtherOpenPhases) {
  Phase(1).PMnuCopyTo->Popup(0, 0);
  int visible = 0;
  for (int k = 1; k <= 8; ++k) visible += Phase(1).MnuCopyTo[k]->Visible() ? 1 : 0;
  EXPECT_EQ(visible, 2);
  EXPECT_EQ(Phase(1).MnuCopyTo[3]->Caption(), "Add phase compounds also into [Liq.1]");
  EXPECT_EQ(Phase(1).MnuCopyTo[6]->Caption(), "Add phase compounds also into [Sol.1]");
  EXPECT_FALSE(Phase(1).MnuCopyTo[1]->Visible());
}

TEST_F(OrvantoTest, FixedColumnAndRowMoving) {
  TPhaseWnd& w = Phase(1);
  w.FixColClick();
  EXPECT_EQ(Grid(1).FixedCols(), 1);
  EXPECT_TRUE(w.PopRowMoving->Enabled());
  w.RowMovingClick();
  EXPECT_TRUE(Grid(1).HasOption(platform::goRowMoving));
  w.FixColClick();
  EXPECT_EQ(Grid(1).FixedCols(), 0);
  EXPECT_FALSE(w.PopRowMoving->Enabled());
  EXPECT_FALSE(w.PopRowMoving->Checked());
  EXPECT_FALSE(Grid(1).HasOption(platform::goRowMoving));
}

TEST_F(OrvantoTest, ImportAddsAndAppends) {
  const std::string file = (home / "other.eql").string();
  std::ofstream(file) << "[Gas1]\r\n  Desc=Air\r\n  \tin\tout\r\n  N2 (g)\t4\t1\r\n  CO2 (g)\t2\t0\r\n";
  Fill(1, {{"N2 (g)", "1", "0.5"}});
  session.dialogs.QueueFileName(file);
  Phase(1).ImportClick(2);
  ASSERT_EQ(Grid(1).RowCount(), 3);
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "5");
  EXPECT_EQ(Grid(1).Cells(ColOut, 1), "1.5");
  EXPECT_EQ(Grid(1).Cells(ColInfo, 1), "add.");
  EXPECT_EQ(Grid(1).Cells(ColKey, 2), "CO2 (g)");
  EXPECT_EQ(Grid(1).Cells(ColInfo, 2), "add. ext.");
  EXPECT_EQ(PhaseSlotTable[1].RowCount, 2);
  EXPECT_TRUE(PhasesChangedFlag);
  // A liquid window finds no section of its kind.
  session.dialogs.QueueFileName(file);
  Phase(3).ImportClick(0);
  EXPECT_TRUE(Logged(1412));
  // A missing file.
  session.dialogs.QueueFileName((home / "missing.eql").string());
  Phase(1).ImportClick(0);
  EXPECT_TRUE(Logged(877));
}

TEST_F(OrvantoTest, PhaseWindowLookIsSavedInItsSection) {
  Grid(3).SetColor(0x123456);
  ASSERT_EQ(m->MnuSaveNowClick(), 1);
  SettingsReader& store = SettingsStore();
  ASSERT_EQ(store.OpenSettingsFile(store.UserSettingsFile), 1);
  store.SelectSection("Liquid3");
  EXPECT_EQ(store.GetKeyValue("Color"), std::to_string(0x123456));
  EXPECT_FALSE(store.GetKeyValue("FontName").empty());
}

TEST_F(OrvantoTest, PropertiesInTheLastColumn) {
  // Argon, a monatomic ideal gas: H(1000 K) = 5/2 R (1000 - 298.15) K = 14.59 kJ/mol;
  // standard atomic weight 39.948 (IUPAC).
  Fill(1, {{"Ar (g)"}, {"Xyzzy (g)"}});
  m->MnuTempK->Click();
  m->EditTsys->SetText("1000");
  Phase(1).SetLastColumnClick(3);
  EXPECT_EQ(Grid(1).Cells(ColComment, 0), "H [kJ/mol]");
  EXPECT_NEAR(Cell(1, ColComment, 1), 2.5 * 8.3143 * (1000 - 298.15) / 1000, 0.02);
  EXPECT_EQ(Grid(1).Cells(ColComment, 2), "");
  EXPECT_TRUE(Logged(2533));
  Phase(1).SetLastColumnClick(1);
  EXPECT_NEAR(Cell(1, ColComment, 1), 39.948, 1e-3);
  Phase(1).SetLastColumnClick(17);
  EXPECT_EQ(Grid(1).Cells(ColComment, 1), "Ar1");
}

TEST_F(OrvantoTest, SelectingACellShowsPositionAndDataset) {
  Fill(1, {{"N2 (g)", "1"}});
  bool can = false;
  Phase(1).SelectCell(2, 1, can);
  EXPECT_TRUE(can);
  EXPECT_EQ(Phase(1).StBar->PanelText(0), "[2;1]N2 (g):out");
  EXPECT_FALSE(Phase(1).StBar->PanelText(4).empty());
  Phase(1).SelectCell(0, 1, can);
  EXPECT_FALSE(can);  // the key column only while editing manually
  Phase(1).ToolBtnSgeEdit->Click();
  Phase(1).SelectCell(0, 1, can);
  EXPECT_TRUE(can);
  EXPECT_EQ(Phase(1).StBar->PanelText(0), "[0;1]N2 (g)");
}

}  // namespace
