// The main window's further commands: the spreadsheet transfer of a system, the input values,
// the phase-grid font, the edits' pop-up menu, the memo, the windows of the records and the
// chart, the record variables followed by the chart, and the arrangement of the phase windows.
#include <gtest/gtest.h>

#include "equilibrium/Compounds.h"
#include "equilibrium/RcrdDef.h"
#include "equilibrium/afc.h"
#include "orvanto_support.h"
#include "platform/Spreadsheet.h"
#include "records_charts/Grfx.h"
#include "records_charts/SearchDs.h"
#include "records_charts/TablOprt.h"
#include "shared/GridTools.h"
#include "shared/UnitConv.h"

using namespace quorel;
using orvtest::OrvantoTest;

namespace {

class CommandsTest : public OrvantoTest {};

TEST_F(CommandsTest, ToExcelSendsTheConditionsAndEveryOpenPhase) {
  auto fake = std::make_unique<platform::RecordingSpreadsheet>();
  platform::RecordingSpreadsheet& xl = *fake;
  platform::ScopedSpreadsheetService service(std::move(fake));
  ResetExcelTransfer();
  Fill(1, {{"N2 (g)", "1"}, {"H2 (g)", "3"}});
  Phase(3).SetCaption("Water");
  m->CurrentSystemPath = (home / "ammonia.plant.eql").string();
  windows->Kernel->EditPrec->SetText("1E-8");
  m->EditTsys->SetText("450");
  log->sink.Clear();
  m->MnuToExcel->Click();
  ASSERT_EQ(xl.Books.size(), 1u);
  const platform::SpreadsheetBook& book = xl.Books[0];
  ASSERT_GE(book.Sheets.size(), 4u);
  EXPECT_EQ(book.Sheets[0].Name, "ammonia.plant");
  EXPECT_EQ(book.Sheets[1].Name, "Gas.1");
  EXPECT_EQ(book.Sheets[2].Name, "Water");
  EXPECT_EQ(book.Sheets[3].Name, "Sol.1");
  // The work grid: cell (column, row) goes to sheet row row + 1, column column + 1.
  struct Cell {
    int col, row;
    std::string text;
  } cells[] = {{0, 0, "eql"},           {0, 1, m->LabelT->Caption()},     {1, 1, "450"},
               {0, 2, "P [bar]"},       {1, 2, "1"},                      {0, 3, "Phases"},
               {1, 3, "Gas.1"},         {2, 3, "Water"},                  {3, 3, "Sol.1"},
               {0, 4, "Calculation Conditions"}, {0, 5, "Count"},         {0, 6, "Precision"},
               {1, 6, "1E-8"},          {0, 7, "Iterations Steps"},       {1, 7, "98000"},
               {0, 8, "Visualisation"}, {0, 9, "Following Calculation"}, {0, 10, "Recorder"},
               {0, 11, "V1"},           {0, 12, "EOT"}};
  for (const Cell& c : cells) EXPECT_EQ(xl.CellText(1, 1, c.row + 1, c.col + 1), c.text) << c.col << "," << c.row;
  // Each phase with its phase mark in the corner and an "EOT" row after its last row.
  EXPECT_EQ(xl.CellText(1, 2, 1, 1), "(g)");
  EXPECT_EQ(xl.CellText(1, 2, 3, 1), "H2 (g)");
  EXPECT_EQ(xl.CellText(1, 2, 4, 1), "EOT");
  EXPECT_EQ(xl.CellText(1, 3, 1, 1), "(l)");
  EXPECT_EQ(xl.CellText(1, 4, 1, 1), "(s)");
  ASSERT_GE(log->sink.messages.size(), 2u);
  EXPECT_EQ(log->sink.messages.front().id, 1297);
  EXPECT_EQ(log->sink.messages.front().level, LevelCritical);
  EXPECT_EQ(log->sink.messages.back().id, 1373);
  // The live grids never held the marks.
  EXPECT_EQ(Grid(1).RowCount(), 3);
  EXPECT_NE(Grid(1).Cells(0, 0), "(g)");

  // A failure half-way leaves the grids as they were and is not reported as completed.
  const std::string corner = Grid(1).Cells(0, 0);
  auto failing = std::make_unique<platform::RecordingSpreadsheet>();
  failing->FailingCell = {2, 1};
  platform::ScopedSpreadsheetService second(std::move(failing));
  ResetExcelTransfer();
  log->sink.Clear();
  m->CurrentSystemPath.clear();
  m->MnuToExcel->Click();
  EXPECT_FALSE(Logged(1373));
  EXPECT_TRUE(Logged(1053));
  EXPECT_EQ(Grid(1).Cells(0, 0), corner);
  EXPECT_EQ(Grid(1).RowCount(), 3);
  ResetExcelTransfer();
}

TEST_F(CommandsTest, ToExcelWithoutAFileNamesTheFirstSheetConditions) {
  auto fake = std::make_unique<platform::RecordingSpreadsheet>();
  platform::RecordingSpreadsheet& xl = *fake;
  platform::ScopedSpreadsheetService service(std::move(fake));
  ResetExcelTransfer();
  m->MnuToExcel->Click();
  ASSERT_EQ(xl.Books.size(), 1u);
  EXPECT_EQ(xl.Books[0].Sheets[0].Name, "Conditions");
  ResetExcelTransfer();
}

TEST_F(CommandsTest, ClearInputValuesAsksFirst) {
  Fill(1, {{"N2 (g)", "1", "0.5"}});
  Fill(3, {{"H2O (l)", "2"}});
  session.dialogs.QueueMessageAnswer(platform::mrNo);
  m->MnuClearInput->Click();
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "1");
  EXPECT_EQ(session.dialogs.messages.back().text, "Clear all input values in the phases ?");
  EXPECT_EQ(session.dialogs.messages.back().caption, "Equilibrium");
  m->CurrentSystemPath = (home / "steam.eql").string();
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  m->MnuClearInput->Click();
  EXPECT_EQ(session.dialogs.messages.back().caption, "Equilibrium [steam.eql]");
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "");
  EXPECT_EQ(Grid(1).Cells(ColOut, 1), "0.5");
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "N2 (g)");
  EXPECT_EQ(Grid(3).Cells(ColIn, 1), "");
  EXPECT_TRUE(m->SystemChangedFlag);
}

TEST_F(CommandsTest, FontGivesEveryPhaseGridItsFontAndRowHeight) {
  platform::FontInfo font;
  font.Name = "DejaVu Serif";
  font.Size = 14;
  font.Color = 0x0000FF;
  const platform::FontInfo before = CompoundsDlg->LVSrc->Font();
  session.dialogs.QueueFont(font);
  m->MnuFont->Click();
  ASSERT_FALSE(session.dialogs.font_requests.empty());
  EXPECT_EQ(session.dialogs.font_requests.back(), before);
  for (int s : {1, 3, 6}) {
    EXPECT_EQ(Grid(s).Font(), font) << s;
    EXPECT_EQ(Grid(s).DefaultRowHeight(), std::abs(font.PixelHeight()) + 6) << s;
  }
  platform::FontInfo lists = font;
  lists.Color = platform::clWindowText;
  EXPECT_EQ(CompoundsDlg->LVSrc->Font(), lists);
  EXPECT_EQ(CompoundsDlg->LVDst->Font(), lists);
  // A phase opened later takes it too, with the same room for its rows.
  ASSERT_EQ(m->MnuSaveNowClick(), 1);
  m->MnuNewGas->Click();
  EXPECT_EQ(Grid(2).Font(), font);
  EXPECT_EQ(Grid(2).DefaultRowHeight(), std::abs(font.PixelHeight()) + 6);
  // Cancel changes nothing.
  session.dialogs.QueueFontCancel();
  m->MnuFont->Click();
  EXPECT_EQ(Grid(1).Font(), font);
  EXPECT_EQ(Grid(1).DefaultRowHeight(), std::abs(font.PixelHeight()) + 6);
}

TEST_F(CommandsTest, CopyPasteAndConversionOfTheEdits) {
  m->PopupEdits->SetPopupComponent(m->EditTsys);
  m->EditTsys->SetText(" 25 ");
  m->PopMnuCopy->Click();
  EXPECT_EQ(session.clipboard.text, "25");
  session.clipboard.SetText("  300  \r\nsecond line");
  m->PopMnuPaste->Click();
  EXPECT_EQ(m->EditTsys->Text(), "300");
  // Nothing to paste, nothing to copy: the edit and the clipboard stay.
  session.clipboard.SetText("   ");
  m->PopMnuPaste->Click();
  EXPECT_EQ(m->EditTsys->Text(), "300");
  m->EditTsys->SetText("");
  m->PopMnuCopy->Click();
  EXPECT_EQ(session.clipboard.text, "   ");

  // 32 °F in kelvin; then 1 atm in bar for the pressure edit.
  m->MnuTempK->Click();
  m->EditTsys->SetText("32");
  session.modal.QueueModal([](platform::Form&) {
    EXPECT_EQ(UnitCnvDlg->Quantity(), 'T');
    EXPECT_FALSE(UnitCnvDlg->CelsiusFlag);
    UnitCnvDlg->ComboBox1->SetText(" F ");
    UnitCnvDlg->OKBtn->Click();
  });
  m->PopMnuConversion->Click();
  EXPECT_DOUBLE_EQ(TextToDouble(m->EditTsys->Text()), 273.15);
  m->PopupEdits->SetPopupComponent(m->EditPVsys);
  m->EditPVsys->SetText("1");
  session.modal.QueueModal([](platform::Form&) {
    EXPECT_EQ(UnitCnvDlg->Quantity(), 'P');
    UnitCnvDlg->ComboBox1->SetText("atm");
    UnitCnvDlg->OKBtn->Click();
  });
  m->PopMnuConversion->Click();
  EXPECT_EQ(m->EditPVsys->Text(), "1.01325");
  // Cancel keeps the value.
  session.modal.QueueModal([](platform::Form&) { UnitCnvDlg->CancelBtn->Click(); });
  m->PopMnuConversion->Click();
  EXPECT_EQ(m->EditPVsys->Text(), "1.01325");
  EXPECT_TRUE(session.AllUsed());
}

TEST_F(CommandsTest, WindowsOfTheRecordsAndTheChartAndTheHiddenCalculators) {
  m->MnuMemo->Click();
  EXPECT_EQ(AplStgsWnd->Caption(), "Memo: Equilibrium");
  EXPECT_TRUE(AplStgsWnd->Visible());
  m->MnuAfc->Click();
  EXPECT_TRUE(AfcWnd->Visible());
  m->MnuRecords->Click();
  EXPECT_TRUE(TablOprtWnd->Visible());
  m->MnuSearch->Click();
  EXPECT_TRUE(SearchDsDlg->Visible());
  for (platform::MenuItem* hidden : {m->MnuEnergy, m->MnuMass, m->MnuHeatBalance}) EXPECT_FALSE(hidden->Visible());
  // The chart's commands reach it through its hooks; without them they do nothing.
  const ChartVariableHooks saved = EqlChartHooks;
  int variables = 0, charts = 0;
  EqlChartHooks.ShowChartVariables = [&] { ++variables; };
  EqlChartHooks.ShowChart = [&] { ++charts; };
  m->BtnGrfVar->Click();
  m->MnuGrfDef->Click();
  m->BtnGraphic->Click();
  m->MnuGraphic->Click();
  m->MnuGraf->Click();
  EXPECT_EQ(variables, 2);
  EXPECT_EQ(charts, 3);
  EqlChartHooks = ChartVariableHooks{};
  m->BtnGraphic->Click();
  EqlChartHooks = saved;
  // Tile (H) stacks the phase windows, Tile (V) sets them side by side (the chart window,
  // closed down to its icon, stays there).
  windows->Chart->Close();
  m->MnuTileHor->Click();
  EXPECT_EQ(windows->Chart->GetWindowState(), platform::WindowState::Minimized);
  EXPECT_EQ(Phase(1).Left(), Phase(3).Left());
  EXPECT_LT(Phase(1).Top(), Phase(3).Top());
  m->MnuTileVer->Click();
  EXPECT_EQ(Phase(1).Top(), Phase(3).Top());
  EXPECT_LT(Phase(1).Left(), Phase(3).Left());
}

// The chart follows the record fields: fields 2 and 3 swapped in the dialog move the assigned
// series with them; a deleted field leaves its series without a column.
TEST_F(CommandsTest, RecordVariablesRenumberTheChartAssignment) {
  TRcrdDefDlg& d = *RcrdDefDlg;
  d.SGR->SetRowCount(5);
  const char* fields[][2] = {{"T", "0x 00 00 00 00"}, {"dH", "0x 00 00 00 05"}, {"dG", "0x 00 00 00 07"},
                             {"1/T", "0x 00 00 00 13"}};
  for (int i = 1; i <= 4; ++i) {
    d.SGR->SetCells(RecFieldId, i, std::to_string(i));
    d.SGR->SetCells(RecFieldName, i, fields[i - 1][0]);
    d.SGR->SetCells(RecFieldAddress, i, fields[i - 1][1]);
  }
  d.DecodeRecordAddresses();
  const ChartVariableHooks saved = EqlChartHooks;
  std::vector<int> assigned{0, 2, 3, 4};  // entry 1: column 2, entry 2: column 3, entry 3: column 4
  std::vector<std::pair<int, int>> renumbered;
  int filled = 0, xFound = 0, marksCleared = 0;
  EqlChartHooks.AssignmentCount = [&] { return int(assigned.size()) - 1; };
  EqlChartHooks.AssignmentColumn = [&](int e) { return assigned[size_t(e)]; };
  EqlChartHooks.FillFieldCombos = [&] { ++filled; };
  EqlChartHooks.FindXColumn = [&] { ++xFound; };
  EqlChartHooks.RenumberSeriesColumn = [&](int from, int to) {
    renumbered.emplace_back(from, to);
    PostLogMessage(LevelInfo, 242, "Variable Rec. ID:" + std::to_string(to));
  };
  EqlChartHooks.ClearRenumberMarks = [&] { ++marksCleared; };
  // Swap fields 2 and 3, delete field 4, Accept.
  session.modal.QueueModal([&](platform::Form&) {
    d.SGR->MoveRow(3, 2);
    d.SelectedRow = 4;
    d.DelSelectionClick();
    d.AcceptClick();
  });
  log->sink.Clear();
  m->MnuRecordVar->Click();
  EXPECT_EQ(filled, 1);
  EXPECT_EQ(xFound, 1);
  EXPECT_EQ(renumbered, (std::vector<std::pair<int, int>>{{2, 3}, {3, 2}, {4, -1}}));
  EXPECT_EQ(marksCleared, 1);
  int posts242 = 0;
  for (const auto& e : log->sink.messages) posts242 += e.id == 242 && e.text != "Variable Rec. ID:-1";
  EXPECT_EQ(posts242, 2);
  EXPECT_TRUE(m->SystemChangedFlag);
  // Closed without Accept: the chart is left alone.
  renumbered.clear();
  session.modal.QueueModal([&](platform::Form&) { d.CancelClick(); });
  m->BtnRecordVar->Click();
  EXPECT_TRUE(renumbered.empty());
  EXPECT_EQ(filled, 1);
  EqlChartHooks = saved;
}

}  // namespace
