// The record variables of Orvanto: definition through the "Record Variables" dialog, the
// record row that every successful calculation appends, the address check after grid changes
// and the older definition form.
//
// Reference values: 2 mol Ar and 1 mol N2 do not react at 1000 K, so the gas holds 3 mol in
// and out, argon's mole fraction is 2/3 and the system holds 2 mol of the element Ar.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "equilibrium/RcrdDef.h"
#include "orvanto_support.h"
#include "records_charts/TablOprt.h"
#include "shared/Elements.h"
#include "shared/GridTools.h"

using namespace quorel;
using orvtest::OrvantoTest;

namespace {

class RecordVariablesTest : public OrvantoTest {
 protected:
  platform::StringGrid& Table() { return *TablOprtWnd->SGT; }
  TRcrdDefDlg& Dlg() { return *RcrdDefDlg; }
  void Select(const std::string& symbol) {
    ElementsDlg->SetSelected(ElementIndex(symbol), true);
    ElementsDlg->CollectSelectedElements();
  }
  // Opens the dialog through the main window's button and lets the handler play the user.
  void Define(const std::function<void(TRcrdDefDlg&)>& user) {
    session.modal.QueueModal([user](platform::Form& f) { user(dynamic_cast<TRcrdDefDlg&>(f)); });
    m->BtnRecordVar->Click();
  }
  // Sets the field grid directly: (name, address) per row.
  void SetFields(const std::vector<std::pair<std::string, std::string>>& rows) {
    platform::StringGrid& g = *Dlg().SGR;
    g.SetRowCount(std::max<int>(int(rows.size()) + 1, 2));
    for (int r = 1; r <= int(rows.size()); ++r) {
      g.SetCells(RecFieldId, r, std::to_string(r));
      g.SetCells(RecFieldName, r, rows[r - 1].first);
      g.SetCells(RecFieldAddress, r, rows[r - 1].second);
    }
  }
  std::string Header(int col) { return Table().Cells(col, 0); }
};

std::string Hex(int v) { return HexPair(v); }

}  // namespace

TEST(RecordAddress, PairsAreTwoUpperCaseDigitsAndLongerValuesNeverDecode) {
  EXPECT_EQ(HexPair(0), "00");
  EXPECT_EQ(HexPair(26), "1A");
  EXPECT_EQ(HexPair(255), "FF");
  EXPECT_EQ(HexPair(256), "100");
  int k, a, b, c;
  ASSERT_TRUE(DecodeRecordAddress(" 0x 01 02 1A FF ", k, a, b, c));
  EXPECT_EQ(k, 1);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 26);
  EXPECT_EQ(c, 255);
  // A substance in grid row 256 gets an address that never decodes.
  EXPECT_FALSE(DecodeRecordAddress("0x 01 01 03 " + HexPair(256), k, a, b, c));
  EXPECT_FALSE(DecodeRecordAddress("0x 02 00 " + HexPair(-4) + " 07", k, a, b, c));
  EXPECT_FALSE(DecodeRecordAddress("", k, a, b, c));
}

TEST_F(RecordVariablesTest, TheDialogDefinesVariablesAndEachRunAppendsOneRecord) {
  Select("Ar");
  Select("N");
  Fill(1, {{"Ar (g)", "2"}, {"N2 (g)", "1"}});
  m->MnuTempK->Click();
  const int ar = ElementIndex("Ar");
  Define([&](TRcrdDefDlg& d) {
    EXPECT_EQ(d.Caption(), "Record Variables");
    EXPECT_EQ(d.CBState->Items()[0], m->LabelT->Caption());
    ASSERT_EQ(d.CBWnd->Items().Count(), 3);  // Gas1, Liquid1, Solid1
    EXPECT_EQ(d.PhaseWindowMap, (std::vector<int>{1, 3, 6}));
    EXPECT_EQ(d.CBElements->Items().All(), (std::vector<std::string>{"Ar", "N"}));
    auto state = [&](int item) { d.CBState->UserSelect(item); d.ButtonAdd0->Click(); };
    state(0);   // T
    state(1);   // P
    state(19);  // 1/T
    state(11);  // H (T,P) [J]
    d.CBRow->UserSelect(0);  // the whole phase
    d.CBCol->UserSelect(0);  // n [mol]
    d.ButtonAdd1->Click();
    d.CBCol->UserSelect(10);  // n(in) [mol]
    d.ButtonAdd1->Click();
    d.CBRow->UserSelect(1);  // Ar (g)
    d.CBCol->UserSelect(ColConc - 1);  // the "x" column
    d.ButtonAdd1->Click();
    d.CBElements->UserSelect(d.CBElements->Items().IndexOf("Ar"));
    d.CBElValues->UserSelect(10);  // n [mol] (out) total
    d.ButtonAdd2->Click();
    d.CBElValues->UserSelect(7);  // n [mol] (in) of Gas1
    d.ButtonAdd2->Click();
    d.ButtonAccept->Click();
  });
  ASSERT_EQ(Dlg().AcceptState, 1);
  EXPECT_TRUE(m->SystemChangedFlag);
  ASSERT_EQ(Dlg().RecordVariableCount, 9);
  const std::string gas = Phase(1).Caption();
  struct Field { const char* title; std::string address; } fields[] = {
      {"", "0x 00 00 00 00"},
      {"P ", "0x 00 00 00 01"},
      {"1/T", "0x 00 00 00 13"},
      {"H (T,P) [J]", "0x 00 00 00 0B"},
      {"", "0x 01 01 00 00"},
      {"", "0x 01 01 0A 00"},
      {"", "0x 01 01 " + Hex(ColConc) + " 01"},
      {"", "0x 02 00 " + Hex(ar) + " 0A"},
      {"", "0x 02 01 " + Hex(ar) + " 07"},
  };
  const std::string titles[] = {m->LabelT->Caption(), "P ", "1/T", "H (T,P) [J]", "n [mol] | " + gas + "(all)",
                                "n(in) [mol] | " + gas + "(all)", "Ar (g) | " + Grid(1).Cells(ColConc, 0) + " - " + gas,
                                "Ar | n [mol] (out) total", "Ar | n [mol] (in) - " + gas};
  ASSERT_EQ(Table().ColCount(), 10);
  EXPECT_EQ(Header(0), "C");
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(Dlg().SGR->Cells(RecFieldId, i + 1), std::to_string(i + 1));
    EXPECT_EQ(Dlg().SGR->Cells(RecFieldAddress, i + 1), fields[i].address);
    EXPECT_EQ(Header(i + 1), titles[i]);
  }

  // Two runs, two records; the lone empty row of the table takes the first.
  const char* temperatures[] = {"1000", "1200"};
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(temperatures[run - 1]);
    Calculate(temperatures[run - 1]);
    ASSERT_TRUE(m->ResultsValidFlag) << Text(1134);
    ASSERT_EQ(Table().RowCount(), run + 1);
    auto cell = [&](int c) { return Table().Cells(c, run); };
    EXPECT_EQ(cell(0), std::to_string(run));
    // As typed, in the unit of the edit.
    EXPECT_EQ(cell(1), temperatures[run - 1]);
    EXPECT_EQ(cell(2), "1");
    EXPECT_NEAR(TextToDouble(cell(3)), 1 / TextToDouble(temperatures[run - 1]), 1e-9);
    EXPECT_EQ(cell(4), FloatToShortText(EqlKernel->ProductsEnthalpy()));
    EXPECT_EQ(cell(5), FloatToShortText(m->PhaseTotals[1].OutAmount));
    EXPECT_NEAR(TextToDouble(cell(5)), 3, 1e-6);
    EXPECT_NEAR(TextToDouble(cell(6)), 3, 1e-9);
    EXPECT_EQ(cell(7), Grid(1).Cells(ColConc, 1));
    EXPECT_NEAR(TextToDouble(cell(7)), 2.0 / 3, 1e-5);
    EXPECT_NEAR(TextToDouble(cell(8)), 2, 1e-6);
    EXPECT_NEAR(TextToDouble(cell(9)), 2, 1e-9);
  }
  // The first record stays as it was.
  EXPECT_EQ(Table().Cells(1, 1), "1000");
}

TEST_F(RecordVariablesTest, AcceptCarriesColumnsOverByTitle) {
  SetFields({{"A", "0x 00 00 00 00"}, {"B", "0x 00 00 00 01"}, {"C2", "0x 00 00 00 13"}});
  Define([](TRcrdDefDlg& d) { d.ButtonAccept->Click(); });
  Fill(1, {{"Ar (g)", "1"}});
  Calculate("1000", "2");
  ASSERT_EQ(Table().RowCount(), 2);
  // Swap A and B, rename C2.
  Define([](TRcrdDefDlg& d) {
    platform::StringGrid& g = *d.SGR;
    const std::string a = g.Cells(RecFieldAddress, 1);
    g.SetCells(RecFieldAddress, 1, g.Cells(RecFieldAddress, 2));
    g.SetCells(RecFieldAddress, 2, a);
    g.SetCells(RecFieldName, 1, "B");
    g.SetCells(RecFieldName, 2, "A");
    g.SetCells(RecFieldName, 3, "inv T");
    d.ButtonAccept->Click();
  });
  EXPECT_EQ(Header(1), "B");
  EXPECT_EQ(Header(2), "A");
  EXPECT_EQ(Header(3), "inv T");
  EXPECT_EQ(Table().Cells(0, 1), "1");
  EXPECT_EQ(Table().Cells(1, 1), "2");
  EXPECT_EQ(Table().Cells(2, 1), "1000");
  EXPECT_EQ(Table().Cells(3, 1), "");
  // A kept corner title stays.
  Table().SetCells(0, 0, "Run");
  Define([](TRcrdDefDlg& d) { d.ButtonAccept->Click(); });
  EXPECT_EQ(Header(0), "Run");
}

TEST_F(RecordVariablesTest, CloseRestoresTheFieldsAndClearAsksFirst) {
  SetFields({{"A", "0x 00 00 00 00"}});
  Define([](TRcrdDefDlg& d) {
    d.CBState->UserSelect(1);
    d.ButtonAdd0->Click();
    EXPECT_EQ(d.SGR->RowCount(), 3);
    d.ButtonCancel->Click();
  });
  EXPECT_EQ(Dlg().AcceptState, -1);
  EXPECT_EQ(Dlg().SGR->RowCount(), 2);
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldName, 1), "A");

  struct Case { int answer; int rows; std::string name; } cases[] = {{platform::mrNo, 2, "A"}, {platform::mrYes, 2, ""}};
  for (const auto& c : cases) {
    session.dialogs.QueueMessageAnswer(c.answer);
    Dlg().ClearFieldsClick();
    EXPECT_EQ(Dlg().SGR->RowCount(), c.rows);
    EXPECT_EQ(Dlg().SGR->Cells(RecFieldName, 1), c.name);
    EXPECT_EQ(Dlg().RecordFieldCount(), c.name.empty() ? 0 : 1);
  }
  EXPECT_EQ(session.dialogs.messages.back().text, "Delete all record variable");
  EXPECT_EQ(session.dialogs.messages.back().caption, "Equilibrium");

  // Del Selection removes the selected row and renumbers.
  SetFields({{"A", "0x 00 00 00 00"}, {"B", "0x 00 00 00 01"}, {"C", "0x 00 00 00 02"}});
  Dlg().ShowFieldStatus(2);
  EXPECT_EQ(Dlg().StBar->SimpleText(), "P ");
  Dlg().DelSelectionClick();
  ASSERT_EQ(Dlg().SGR->RowCount(), 3);
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldName, 2), "C");
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldId, 2), "2");
  EXPECT_EQ(Dlg().FindRecordAddress(" 0x 00 00 00 02 "), 2);
  EXPECT_EQ(Dlg().FindRecordAddress("0x 00 00 00 01"), -1);
  EXPECT_EQ(Dlg().FindRecordAddress(" "), -1);
}

TEST_F(RecordVariablesTest, OnlyTheFirstEightyAddressesDecode) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (int i = 0; i < 85; ++i) rows.emplace_back("v" + std::to_string(i), "0x 00 00 00 01");
  rows[3].second = "0x 00 00 00";  // too short
  SetFields(rows);
  Dlg().DecodeRecordAddresses();
  EXPECT_EQ(Dlg().RecordVariableCount, 79);
  EXPECT_FALSE(Dlg().Addresses.Decoded[3]);
  EXPECT_TRUE(Dlg().Addresses.Decoded[79]);
  EXPECT_FALSE(Dlg().Addresses.Decoded[80]);
  EXPECT_EQ(Dlg().EvaluateEntry(80), "!");
  EXPECT_EQ(Dlg().EvaluateEntry(3), "!");
  EXPECT_FALSE(m->ElementValuesWanted);
}

TEST_F(RecordVariablesTest, MissingValuesAndEdgeCases) {
  // Before any calculation the solver holds no product amount: dH per mol has no value.
  SetFields({{"dH", "0x 00 00 00 02"}});
  Dlg().DecodeRecordAddresses();
  EXPECT_EQ(Dlg().EvaluateEntry(0), "!");
  Select("Ar");
  Fill(1, {{"Ar (g)", "1"}});
  Calculate("1000");
  ASSERT_TRUE(m->ResultsValidFlag);
  const int ar = ElementIndex("Ar");
  struct Case { std::string address; std::string expected; const char* why; } cases[] = {
      {"0x 00 00 00 " + Hex(21), std::to_string(EqlKernel->Criteria.iterationLimit), "iteration limit"},
      {"0x 00 00 00 1A", "!", "no state item 26"},
      {"0x 00 01 00 00", "!", "state with a slot"},
      {"0x 01 04 00 00", "!", "slot without a grid"},
      {"0x 01 03 10 00", "!", "fugacity of a condensed slot"},
      {"0x 01 03 07 00", "!", "per mol of an empty phase"},
      {"0x 01 01 01 05", "!", "row beyond the grid"},
      {"0x 02 04 " + Hex(ar) + " 06", "0", "element value of a slot without a window"},
      {"0x 02 00 " + Hex(ElementIndex("Fe")) + " 0A", "!", "element that is no component"},
      {"0x 03 00 00 00", "!", "unknown kind"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    SetFields({{"v", c.address}});
    Dlg().DecodeRecordAddresses();
    EXPECT_EQ(Dlg().EvaluateEntry(0), c.expected);
  }
  // 1/T with no temperature.
  SetFields({{"1/T", "0x 00 00 00 13"}});
  Dlg().DecodeRecordAddresses();
  m->T = 0;
  EXPECT_EQ(Dlg().EvaluateEntry(0), "1/0");
}

TEST_F(RecordVariablesTest, SubstanceRowsThatMovedAreFoundByName) {
  Fill(1, {{"Ar (g)", "1"}, {"N2 (g)", "1"}});
  SetFields({{"N2 (g) | x - Gas1", "0x 01 01 03 02"}, {"He (g) | x - Gas1", "0x 01 01 03 01"}, {"odd", "0x 01 01 03 01"}});
  Dlg().DecodeRecordAddresses();
  Fill(1, {{"N2 (g)", "1"}, {"Ar (g)", "1"}});
  log->sink.Clear();
  ASSERT_TRUE(CheckRecordAddressesHook);
  CheckRecordAddressesHook();  // as the phase window does after a row moved
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldAddress, 1), "0x 01 01 03 01");
  EXPECT_EQ(Dlg().Addresses.Third[0], 1);
  EXPECT_EQ(Text(RecordAddressChangedId), "N2 (g) | x - Gas1 Variable Address changed");
  // A substance that is gone keeps its old address.
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldAddress, 2), "0x 01 01 03 01");
  EXPECT_EQ(Text(RecordVariableMissingId),
            "He (g) | x - Gas1: variable does not exist in " + Phase(1).Caption() + " {2 RcrdDef}");
  EXPECT_EQ(Text(3), "Possible Error in Record variable:odd");
}

TEST_F(RecordVariablesTest, TheOlderDefinitionFormIsRead) {
  SettingsReader& store = SettingsStore();
  store.FileLines() = {"[RecordVariables]", "RC=3", "R01=N2;S:1;R:2;C:3", "R02=T;S:0;R:0;C:0",
                       "R03=Ar;S:0;R:10;C:-1"};
  store.SelectSection("");
  Dlg().LoadRecordDefinition();
  ASSERT_EQ(Dlg().SGR->RowCount(), 4);
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldName, 1), "N2");
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldAddress, 1), "0x 01 01 03 02");
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldAddress, 2), "0x 00 00 00 00");
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldAddress, 3), "0x 02 00 00 0A");
  EXPECT_EQ(Dlg().RecordVariableCount, 3);
  EXPECT_TRUE(m->ElementValuesWanted);

  store.FileLines() = {"[RecordDefinition]", "ID\tVariable\tAdr.", "1\tP\t0x 00 00 00 01"};
  store.SelectSection("");
  Dlg().LoadRecordDefinition();
  ASSERT_EQ(Dlg().SGR->RowCount(), 2);
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldName, 1), "P");
  EXPECT_EQ(Dlg().RecordVariableCount, 1);

  Dlg().ClearRecordDefinition();
  EXPECT_EQ(Dlg().RecordVariableCount, 0);
  EXPECT_EQ(Dlg().RecordFieldCount(), 0);
  EXPECT_EQ(Table().RowCount(), 2);
  EXPECT_EQ(Dlg().CBWnd->Items().All(), (std::vector<std::string>{"[-]"}));
}

// Counts and values of a definition read from a file are bounded by the lines the file holds
// and by the 256 entries of the address table; no count or value overflows.
TEST_F(RecordVariablesTest, ADefinitionReadFromAFileIsBoundedByItsLinesAndTheAddressTable) {
  SettingsReader& store = SettingsStore();
  const std::string file = (home / "old.eql").string();
  struct Case {
    std::string bytes;
    int rows;        // of the field grid
    bool reported;   // the count was cut
  } cases[] = {
      {"[RecordVariables]\nRC=2147483647", 2, true},  // once an int overflow
      {"[RecordVariables]\nRC=30000000", 2, true},    // once more than 2 GB
      {"[RecordVariables]\nRC=-5\nR01=A;S:0;R:0;C:0", 2, false},
      {"[RecordVariables]\nRC=9\nR01=A;S:0;R:0;C:0\nR02=B;S:0;R:1;C:0", 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << c.bytes << "\n";  // a whole file: its last line ends
    store.ResetSettingsCache();
    ASSERT_EQ(store.OpenSettingsFile(file), 1);
    log->sink.Clear();
    Dlg().LoadRecordDefinition();
    EXPECT_EQ(Dlg().SGR->RowCount(), c.rows);
    EXPECT_EQ(log->sink.Has(RecordCountCappedId), c.reported);
  }
  EXPECT_EQ(log->sink.messages.back().level, 0);
  EXPECT_EQ(log->sink.messages.back().text, file + " [RecordVariables] RC=9: 2 record variables are read");

  // The smallest int as a row or slot: written with its digits, so the address never decodes.
  // Names are trimmed as the cells of the newer form are.
  store.FileLines() = {"[RecordVariables]", "RC=2", "R01= X\tZ ;S:0;R:-2147483648;C:-1", "R02=Y;S:-2147483648;R:1;C:-2147483648"};
  store.SelectSection("");
  Dlg().LoadRecordDefinition();
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldName, 1), "X Z");
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldAddress, 1), "0x 02 00 00 80000000");
  EXPECT_EQ(Dlg().SGR->Cells(RecFieldAddress, 2), "0x 02 -80000000 -7FFFFFFF 01");
  EXPECT_EQ(Dlg().RecordVariableCount, 0);

  // The newer form: 300 rows give the 256 the address table holds.
  std::vector<std::string> lines{"[RecordDefinition]", "ID\tVariable\tAdr."};
  for (int i = 1; i <= 300; ++i) lines.push_back(std::to_string(i) + "\tT\t0x 00 00 00 00");
  store.FileLines() = lines;
  store.SelectSection("");
  log->sink.Clear();
  Dlg().LoadRecordDefinition();
  EXPECT_EQ(Dlg().SGR->RowCount(), RecordAddressEntries + 1);
  EXPECT_EQ(Dlg().RecordVariableCount, MaxRecordVariables);
  EXPECT_TRUE(log->sink.Has(RecordCountCappedId));
}

TEST_F(RecordVariablesTest, TheRecordTableButtonOpensTheDialogAndTheWindowsAreInOrder) {
  EXPECT_TRUE(TablOprtWnd->BtnFieldDef->Visible());
  session.modal.QueueModal([](platform::Form& f) { f.Close(); });
  TablOprtWnd->BtnFieldDef->Click();
  ASSERT_EQ(session.modal.shown.size(), 1u);
  EXPECT_EQ(session.modal.shown[0], "RcrdDefDlg");
  EXPECT_EQ(Dlg().AcceptState, -1);
  EXPECT_EQ(RcrdDefDlg, windows->RecordDefinition.get());
  Stop();
  EXPECT_EQ(RcrdDefDlg, nullptr);
}
