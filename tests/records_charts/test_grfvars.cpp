// The chart variables "Graphic Variables" without a display: the field lists, the dialog's
// commands, the assignment they build for the chart, the graphic definition written and read
// through the settings store, the reset of a new system, the renumbering after the record
// definition changed, and the relabelling from the table.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "chart_support.h"
#include "platform/Components.h"
#include "records_charts/GrfVars.h"
#include "records_charts/TablOprt.h"
#include "shared/AplStgs.h"

using namespace quorel;
using charttest::ChartFixture;

namespace {

class ChartVariablesTest : public ChartFixture {
 protected:
  ChartVariablesTest() {
    vars = std::make_unique<TGrfVarDlg>();
    tableForm = std::make_unique<platform::Form>(nullptr, "RecordForm");
    table = platform::Make<platform::StringGrid>(tableForm.get(), "SGT");
    SetHeaders({"", "T", "CO2", "H2O", "", "CO"});
    vars->SetFieldGrid(table);
    vars->FillFieldCombos();
    chart->FBox->SetBounds(0, 0, 600, 400);
  }
  ~ChartVariablesTest() override {
    TableChangedHook = nullptr;
    vars.reset();
  }
  void SetHeaders(const std::vector<std::string>& headers) {
    table->SetColCount(int(headers.size()));
    for (int c = 0; c < int(headers.size()); ++c) table->SetCells(c, 0, headers[size_t(c)]);
  }
  // Adds record column `column` as the next row of page k.
  void Add(int k, int column) {
    vars->PageControl1->UserSelectPage(vars->TS[size_t(k)]);
    vars->CBY->UserSelect(column);
    vars->ButtonAdd->Click();
  }
  platform::StringGrid& Page(int k) { return *vars->Grids[size_t(k)]; }
  std::string Status() const { return vars->StatusBar1->SimpleText(); }
  // The document the store holds, as lines.
  static void Document(const std::vector<std::string>& lines) {
    SettingsReader& store = SettingsStore();
    store.ResetSettingsCache();
    store.FileLines() = lines;
  }

  std::unique_ptr<TGrfVarDlg> vars;
  std::unique_ptr<platform::Form> tableForm;
  platform::StringGrid* table = nullptr;
};

}  // namespace

TEST_F(ChartVariablesTest, TheFieldListsAreTheTableHeaders) {
  EXPECT_EQ(vars->Caption(), "Graphic Variables");
  const std::vector<std::string> items{"C", "T", "CO2", "H2O", "[undef]", "CO"};
  EXPECT_EQ(vars->CBX->Items().All(), items);
  EXPECT_EQ(vars->CBY->Items().All(), items);
  EXPECT_EQ(vars->CBX->ItemIndex(), 0);
  EXPECT_EQ(vars->CBY->ItemIndex(), 1);
  // Chosen items stay when they still exist; the title and X description come from the chart.
  vars->CBX->UserSelect(1);
  vars->CBY->UserSelect(5);
  chart->ChartCaption = "Kiln";
  chart->XVariableText = "T [K]";
  SetHeaders({"C", " T ", "CO2"});
  vars->FillFieldCombos();
  EXPECT_EQ(vars->CBX->Items().All(), (std::vector<std::string>{"C", "T", "CO2"}));
  EXPECT_EQ(vars->CBX->ItemIndex(), 1);
  EXPECT_EQ(vars->CBY->ItemIndex(), 1);
  EXPECT_EQ(vars->EditCaption->Text(), "Kiln");
  EXPECT_EQ(vars->EditXvar->Text(), "T [K]");
  for (int k = 1; k <= 8; ++k) {
    EXPECT_EQ(vars->TS[size_t(k)]->Caption(), "Y" + std::to_string(k));
    EXPECT_EQ(vars->TS[size_t(k)]->Tag(), k);
    EXPECT_EQ(Page(k).Rows(0), (std::vector<std::string>{"ID", "Variable", "Record Field"}));
  }
}

TEST_F(ChartVariablesTest, AddAssignDeleteAndClearAPage) {
  Add(1, 2);
  EXPECT_EQ(Page(1).Rows(1), (std::vector<std::string>{"1", "CO2", "2"}));
  EXPECT_EQ(vars->EditName[1]->Text(), "G1");
  EXPECT_EQ(vars->TS[1]->Caption(), "G1");
  // Enter in the Y list adds too and is swallowed.
  vars->CBY->UserSelect(3);
  EXPECT_EQ(vars->CBY->KeyDown(platform::Key::Enter), 0);
  EXPECT_EQ(Page(1).Rows(2), (std::vector<std::string>{"2", "H2O", "3"}));
  // A named page keeps its name.
  vars->EditName[2]->UserSetText("Amounts");
  Add(2, 5);
  EXPECT_EQ(vars->EditName[2]->Text(), "Amounts");
  EXPECT_EQ(vars->TS[2]->Caption(), "Amounts");
  // Ten rows at most.
  for (int i = 0; i < 8; ++i) Add(1, 1);
  EXPECT_EQ(vars->PageRows(1), 10);
  EXPECT_TRUE(session.dialogs.messages.empty());
  Add(1, 1);
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].text, "Maximum is 10 !");
  EXPECT_EQ(session.dialogs.messages[0].caption, "Graphic Variables");
  EXPECT_EQ(platform::MsgIcon(session.dialogs.messages[0].flags), platform::mbIconInformation);
  EXPECT_EQ(vars->PageRows(1), 10);
  EXPECT_EQ(Page(1).RowCount(), 11);

  // Only cells of the Variable column can be chosen; choosing shows the row's field.
  vars->PageControl1->UserSelectPage(vars->TS[1]);
  EXPECT_FALSE(Page(1).UserSelectCell(2, 2));
  EXPECT_FALSE(Page(1).UserSelectCell(1, 0));
  EXPECT_TRUE(Page(1).UserSelectCell(1, 2));
  EXPECT_EQ(vars->SelectedRow[1], 2);
  EXPECT_EQ(Status(), "H2O");
  // Assign gives the selected row the chosen column.
  vars->CBY->UserSelect(5);
  vars->ButtonAsgn->Click();
  EXPECT_EQ(Page(1).Cells(GrfVarColField, 2), "5");
  EXPECT_EQ(Status(), "CO");
  // Del Selection removes it and renumbers the page.
  vars->ButtonDel->Click();
  EXPECT_EQ(Status(), "2");
  EXPECT_EQ(vars->PageRows(1), 9);
  EXPECT_EQ(Page(1).Cells(GrfVarColId, 2), "2");
  EXPECT_EQ(Page(1).Cells(GrfVarColVariable, 2), "T");
  // Delete All empties the page.
  vars->ButtonClear->Click();
  EXPECT_EQ(Page(1).RowCount(), 2);
  EXPECT_EQ(Page(1).Rows(1), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(vars->PageRows(1), 0);
  // Changing the page renumbers it and starts on its first row.
  Page(2).SetCells(GrfVarColId, 1, "7");
  vars->SelectedRow[2] = 4;
  vars->PageControl1->UserSelectPage(vars->TS[2]);
  EXPECT_EQ(Page(2).Cells(GrfVarColId, 1), "1");
  EXPECT_EQ(vars->SelectedRow[2], 1);
  EXPECT_EQ(Page(2).Col(), 1);
  EXPECT_EQ(Page(2).Row(), 1);
  // A field that names no column shows "?".
  Page(2).SetCells(GrfVarColField, 1, "17");
  EXPECT_TRUE(Page(2).UserSelectCell(1, 1));
  EXPECT_EQ(Status(), "?");
}

// Columns the chart's tables do not reach (above 90) are never assigned, nor is "no column".
TEST_F(ChartVariablesTest, ColumnsBeyondTheChartsTablesAreRefused) {
  std::vector<std::string> headers;
  for (int c = 0; c < 95; ++c) headers.push_back("V" + std::to_string(c));
  SetHeaders(headers);
  vars->FillFieldCombos();
  Add(1, 90);
  EXPECT_EQ(Page(1).Cells(GrfVarColField, 1), "90");
  Add(1, 93);
  EXPECT_EQ(Status(), "?");
  EXPECT_EQ(vars->PageRows(1), 1);
  vars->SelectedRow[1] = 1;
  vars->CBY->UserSelect(91);
  vars->ButtonAsgn->Click();
  EXPECT_EQ(Status(), "?");
  EXPECT_EQ(Page(1).Cells(GrfVarColField, 1), "90");
  vars->CBY->SetItemIndex(-1);
  vars->ButtonAsgn->Click();
  EXPECT_EQ(Status(), "?");
  EXPECT_EQ(Page(1).Cells(GrfVarColField, 1), "90");
  // A field typed beyond the tables is plotted by no axis table entry.
  Page(1).SetRowCount(3);
  Page(1).SetCells(GrfVarColField, 2, "94");
  SeriesAssignment.axisOfColumn.fill(-7);
  vars->ApplyGraphicVariables();
  EXPECT_EQ(SeriesAssignment.count, 2);
  EXPECT_EQ(SeriesAssignment.column[2], 94);
  EXPECT_EQ(SeriesAssignment.axisOfColumn[90], 1);
  // An empty list adds nothing.
  vars->CBY->Items().Clear();
  const int rows = Page(2).RowCount();
  Add(2, 0);
  EXPECT_EQ(Page(2).RowCount(), rows);
  EXPECT_EQ(vars->PageRows(2), 0);
}

TEST_F(ChartVariablesTest, ApplyBuildsTheAssignmentAndLaysOutTheChart) {
  vars->CBX->UserSelect(1);
  Add(1, 2);
  Add(1, 3);
  vars->EditName[3]->UserSetText("Carbon");
  Add(3, 5);
  vars->EditCaption->UserSetText("Kiln");
  vars->EditXvar->UserSetText("T [K]");
  vars->ApplyGraphicVariables();
  const SeriesAssignmentTable& a = SeriesAssignment;
  EXPECT_EQ(a.count, 3);
  EXPECT_EQ(a.column[0], 1);
  EXPECT_EQ(a.seriesNumber[0], 0);
  EXPECT_EQ((std::vector<int>{a.seriesNumber[1], a.seriesNumber[2], a.seriesNumber[3]}), (std::vector<int>{1, 2, 21}));
  EXPECT_EQ((std::vector<int>{a.column[1], a.column[2], a.column[3]}), (std::vector<int>{2, 3, 5}));
  EXPECT_EQ(a.column[4], -1);
  EXPECT_EQ(a.axisOfColumn[1], 0);
  EXPECT_EQ(a.axisOfColumn[2], 1);
  EXPECT_EQ(a.axisOfColumn[5], 3);
  EXPECT_EQ(vars->XFieldName, "T");
  EXPECT_EQ(chart->Axis[0].name, "T");
  EXPECT_EQ(chart->ChartCaption, "Kiln");
  EXPECT_EQ(chart->XVariableText, "T [K]");
  // Axes Y1 and Y3 with their groups, pages and series boxes.
  for (int k = 1; k <= 8; ++k) {
    SCOPED_TRACE(k);
    const bool used = k == 1 || k == 3;
    EXPECT_EQ(chart->Axis[size_t(k)].include, used);
    EXPECT_EQ(chart->GbxY[size_t(k)]->Visible(), used);
    EXPECT_EQ(para->PageShown(k), used);
  }
  EXPECT_EQ(chart->Axis[1].name, "G1");
  EXPECT_EQ(chart->Axis[3].name, "Carbon");
  EXPECT_EQ(chart->GbxY[3]->Caption(), "Carbon");
  EXPECT_EQ(chart->CBVarID->Items().All(), (std::vector<std::string>{"[all]", "G1", "Carbon"}));
  ASSERT_NE(chart->Series[21].checkBox, nullptr);
  EXPECT_EQ(chart->Series[21].checkBox->Caption(), "CO");
  EXPECT_TRUE(chart->Series[2].checkBox->Visible());
  EXPECT_EQ(chart->Series[3].checkBox, nullptr);
  // A page whose rows were all deleted hides its axis, its format page and its series.
  chart->Series[21].checkBox->SetChecked(true);
  chart->Series[21].shown = 1;
  vars->PageControl1->UserSelectPage(vars->TS[3]);
  vars->ButtonClear->Click();
  vars->ApplyGraphicVariables();
  EXPECT_FALSE(chart->Axis[3].include);
  EXPECT_FALSE(chart->GbxY[3]->Visible());
  EXPECT_FALSE(para->PageShown(3));
  EXPECT_FALSE(chart->Series[21].checkBox->Visible());
  EXPECT_EQ(chart->Series[21].shown, 0);
  EXPECT_EQ(SeriesAssignment.count, 2);
  EXPECT_FALSE(chart->SuppressCheckBoxClicks);
}

TEST_F(ChartVariablesTest, TheTimeBoxMakesXATimeAxis) {
  vars->CBX->UserSelect(1);
  Add(1, 2);
  chart->xTime = 0;
  para->CBlX->SetChecked(true);
  chart->Axis[0].log = true;
  vars->CBxTime->SetChecked(true);
  vars->ApplyGraphicVariables();
  EXPECT_EQ(chart->xTime, 3600);
  EXPECT_EQ(chart->Axis[0].name, "t [h]");
  EXPECT_TRUE(para->CBxTime->Visible());
  EXPECT_FALSE(para->CBlX->Visible());
  EXPECT_FALSE(para->CBlX->Checked());
  EXPECT_FALSE(chart->Axis[0].log);
  EXPECT_TRUE(chart->PopFollowTime->Visible());
  // A unit already set stays; unchecked, X is no time axis.
  chart->xTime = 60;
  vars->ApplyGraphicVariables();
  EXPECT_EQ(chart->xTime, 60);
  vars->CBxTime->SetChecked(false);
  vars->ApplyGraphicVariables();
  EXPECT_EQ(chart->xTime, -1);
  EXPECT_EQ(chart->Axis[0].name, "T");
  EXPECT_FALSE(para->CBxTime->Visible());
  EXPECT_TRUE(para->CBlX->Visible());
  EXPECT_FALSE(chart->PopFollowTime->Visible());
}

TEST_F(ChartVariablesTest, OKAppliesFeedsAndClosesOnlyWithASender) {
  int fed = 0, lastRow = -1;
  TableChangedHook = [&](int row) {
    ++fed;
    lastRow = row;
  };
  Add(1, 2);
  chart->Axis[0].from = 250;
  vars->Show();
  vars->ButtonOKClick(nullptr);
  EXPECT_EQ(fed, 1);
  EXPECT_EQ(lastRow, 0);
  EXPECT_TRUE(vars->Visible());
  EXPECT_EQ(para->EFX->Text(), "250");  // the format dialog shows the chart's axes
  EXPECT_EQ(SeriesAssignment.count, 1);
  vars->ButtonOK->Click();
  EXPECT_EQ(fed, 2);
  EXPECT_FALSE(vars->Visible());
  // Cancel changes nothing.
  vars->Show();
  Add(1, 3);
  vars->ButtonCancel->Click();
  EXPECT_FALSE(vars->Visible());
  EXPECT_EQ(SeriesAssignment.count, 1);
  EXPECT_EQ(fed, 2);
}

// The four kinds of sections, written by the dialog and read back into a dialog that starts
// from nothing: a variable in row 3 of page 2 is series 13 and comes back to row 3 of page 2.
TEST_F(ChartVariablesTest, TheDefinitionIsWrittenAndReadBack) {
  vars->CBX->UserSelect(1);
  vars->EditName[1]->UserSetText("Temperature");
  Add(1, 1);
  vars->EditName[2]->UserSetText("Amounts");
  Add(2, 2);
  Add(2, 3);
  Add(2, 5);
  vars->EditCaption->UserSetText("Kiln 4");
  vars->EditXvar->UserSetText("T [K]");
  vars->ButtonOKClick(nullptr);
  // The new series are shown at once; the user unticks series 11.
  EXPECT_EQ(chart->Series[11].shown, 1);
  EXPECT_EQ(chart->Series[13].shown, 1);
  chart->Series[11].checkBox->SetChecked(false);
  chart->Series[11].shown = 0;
  chart->Series[13].checkBox->SetChecked(true);
  chart->Series[13].shown = 1;
  chart->Series[13].colour = platform::RGB(1, 2, 3);
  chart->Axis[0] = ChartAxis{true, false, 4, 1200, 1400, "T"};
  chart->Axis[2].from = -0.5;
  chart->Axis[2].to = 2.5;
  chart->ComputeAxisRanges();
  std::vector<std::string> lines;
  vars->WriteGraphicDefinition(lines);
  const std::vector<std::string> head{
      "[GB1]", "  Alias=Temperature", "  OC=1", "  Y1=T",
      "[GB2]", "  Alias=Amounts", "  OC=3", "  Y1=CO2", "  Y2=H2O", "  Y3=CO",
      "[GB3]", "  Alias=", "  OC=0", "[GB4]", "  Alias=", "  OC=0", "[GB5]", "  Alias=", "  OC=0",
      "[GB6]", "  Alias=", "  OC=0", "[GB7]", "  Alias=", "  OC=0", "[GB8]", "  Alias=", "  OC=0",
      "[X]", "  Alias=T", "  xTime=0",
      "[Assign]", "  Style=1", "  00=1", "  01=1", "  11=2", "  12=3", "  13=5",
      "[Graphic]", "  Caption=Kiln 4", "  FontName=Arial", "  FontSize=10", "  FontColor=0x00000000", "  FontStyle=0",
      "  GbxWidth=120"};
  ASSERT_GT(lines.size(), head.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + std::ptrdiff_t(head.size())), head);
  auto has = [&](const std::string& line) { return std::count(lines.begin(), lines.end(), line); };
  EXPECT_EQ(has("  sv13=1"), 1);
  EXPECT_EQ(has("  cl13=" + std::to_string(platform::RGB(1, 2, 3))), 1);
  EXPECT_EQ(has("  sv11=0"), 1);
  EXPECT_EQ(has("  grf0dx=4"), 1);  // set twice, written once
  EXPECT_EQ(has("  grf2fya=-0.5"), 1);
  EXPECT_EQ(has("  grf2ex10=0"), 1);
  EXPECT_EQ(has("  grf3fya=0"), 0);  // an axis without a page shown
  EXPECT_EQ(lines[lines.size() - 3], "  xTime=0");
  EXPECT_EQ(lines[lines.size() - 2], "  Xvar=T [K]");
  EXPECT_EQ(lines.back(), "  FollowTime=0");

  vars->ResetGraphicVariables();
  ASSERT_EQ(SeriesAssignment.count, 0);
  Document(lines);
  vars->ReadGraphicDefinition();
  EXPECT_EQ(SeriesAssignment.count, 4);
  EXPECT_EQ(vars->CBX->ItemIndex(), 1);
  EXPECT_EQ(vars->EditName[2]->Text(), "Amounts");
  EXPECT_EQ(vars->TS[2]->Caption(), "Amounts");
  EXPECT_EQ(Page(2).Rows(3), (std::vector<std::string>{"3", "CO", "5"}));
  EXPECT_EQ(Page(1).Rows(1), (std::vector<std::string>{"1", "T", "1"}));
  EXPECT_EQ(vars->EditCaption->Text(), "Kiln 4");
  EXPECT_EQ(vars->EditXvar->Text(), "T [K]");
  EXPECT_EQ(chart->ChartCaption, "Kiln 4");
  EXPECT_EQ(chart->xTime, 0);
  EXPECT_FALSE(vars->CBxTime->Checked());
  vars->ButtonOKClick(nullptr);
  std::vector<std::string> again;
  vars->WriteGraphicDefinition(again);
  EXPECT_EQ(std::vector<std::string>(again.begin(), again.begin() + 38),
            std::vector<std::string>(lines.begin(), lines.begin() + 38));
}

TEST_F(ChartVariablesTest, TheReaderTakesWhatFitsAndSkipsTheRest) {
  Document({"[GB1]", "  Alias=Many", "  OC=12", "  Y1=a", "  Y2=b", "  Y3=c", "  Y4=d", "  Y5=e", "  Y6=f",
            "  Y7=g", "  Y8=h", "  Y9=i", "  Y10=j", "  Y11=k", "  Y12=l",
            "[X]", "  Alias=Time", "  Xvar=t since start", "  xTime=60",
            "[Assign]", "  00=2", "  01=1", "  02=1", "  03=1", "  04=1", "  05=1", "  06=1", "  07=1", "  08=1",
            "  09=1", "  10=1", "  11=", "  13=-3", "  14=91", "  15=4", "  81=2", "  85=3", "  90=1"});
  vars->ReadGraphicDefinition();
  // Ten rows of page 1, their names from the first ten Y keys.
  EXPECT_EQ(vars->PageRows(1), 10);
  EXPECT_EQ(Page(1).Cells(GrfVarColVariable, 10), "j");
  EXPECT_EQ(Page(1).RowCount(), 11);
  // Empty, negative and too high values are skipped; series 81..90 have no page.
  EXPECT_EQ(SeriesAssignment.count, 11);
  EXPECT_EQ(SeriesAssignment.seriesNumber[11], 15);
  EXPECT_EQ(SeriesAssignment.column[11], 4);
  EXPECT_EQ(vars->PageRows(2), 5);
  EXPECT_EQ(vars->RecordField(2, 3), "");
  EXPECT_EQ(vars->RecordField(2, 4), "");
  EXPECT_EQ(vars->PageRows(8), 0);
  // X: its name, description and time unit; pages without a section are blank.
  EXPECT_EQ(vars->CBX->ItemIndex(), 2);
  EXPECT_EQ(chart->Axis[0].name, "Time");
  EXPECT_EQ(chart->XVariableText, "t since start");
  EXPECT_EQ(chart->xTime, 60);
  EXPECT_TRUE(vars->CBxTime->Checked());
  EXPECT_EQ(vars->EditName[2]->Text(), "");
  EXPECT_EQ(vars->TS[2]->Caption(), "Y2");  // a tab without a name shows its axis
}

// Rows of a page are one set for the chart, the hiding and the writer: a gap left by a file
// (key 12 missing, 13 there) keeps series 13 on view and row 3 in the file.
TEST_F(ChartVariablesTest, APageWithAGapKeepsItsLaterRows) {
  Document({"[GB2]", "  Alias=Gap", "  OC=3", "  Y1=first", "  Y2=", "  Y3=third", "[Assign]", "  00=1", "  11=2",
            "  13=3"});
  vars->ReadGraphicDefinition();
  vars->ApplyGraphicVariables();
  ASSERT_NE(chart->Series[13].checkBox, nullptr);
  EXPECT_TRUE(chart->Series[13].checkBox->Visible());
  EXPECT_EQ(chart->Series[13].checkBox->Caption(), "third");
  EXPECT_EQ(chart->Series[12].checkBox, nullptr);
  EXPECT_EQ(SeriesAssignment.count, 2);
  EXPECT_EQ(SeriesAssignment.seriesNumber[2], 13);
  std::vector<std::string> lines;
  vars->WriteGraphicDefinition(lines);
  auto at = std::find(lines.begin(), lines.end(), "[GB2]");
  ASSERT_NE(at, lines.end());
  EXPECT_EQ(std::vector<std::string>(at, at + 6),
            (std::vector<std::string>{"[GB2]", "  Alias=Gap", "  OC=3", "  Y1=first", "  Y2=", "  Y3=third"}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "  13=3"), 1);
}

TEST_F(ChartVariablesTest, ResetLeavesNoAssignmentBehind) {
  vars->CBX->UserSelect(1);
  Add(1, 2);
  Add(3, 3);
  vars->EditCaption->UserSetText("Kiln");
  vars->ButtonOKClick(nullptr);
  chart->AddChartValue(0, 1);
  chart->SetCaption("Process Graphic [x]");
  vars->ResetGraphicVariables();
  const SeriesAssignmentTable& a = SeriesAssignment;
  EXPECT_EQ(a.count, 0);
  for (int e = 0; e < ChartColumnCount; ++e) {
    EXPECT_EQ(a.column[size_t(e)], -1) << e;
    EXPECT_EQ(a.seriesNumber[size_t(e)], 0) << e;
  }
  EXPECT_EQ(chart->Points.count, 0);
  for (int k = 1; k <= 8; ++k) {
    EXPECT_EQ(Page(k).RowCount(), 2);
    EXPECT_EQ(vars->PageRows(k), 0);
    EXPECT_EQ(vars->EditName[size_t(k)]->Text(), "");
    EXPECT_EQ(vars->TS[size_t(k)]->Caption(), "Y" + std::to_string(k));
    EXPECT_EQ(chart->Axis[size_t(k)].include, k == 1);
  }
  EXPECT_FALSE(chart->Series[1].checkBox->Visible());
  EXPECT_EQ(chart->Series[1].shown, 0);
  EXPECT_EQ(vars->EditCaption->Text(), "");
  EXPECT_EQ(chart->ChartCaption, "");
  EXPECT_EQ(chart->Axis[0].name, "x");
  EXPECT_EQ(chart->Axis[1].name, "y");
  EXPECT_EQ(chart->Caption(), "Graphic");
  EXPECT_TRUE(chart->GbxY[1]->Visible());
  EXPECT_FALSE(chart->GbxY[3]->Visible());
  EXPECT_EQ(vars->CBY->Items().All(), (std::vector<std::string>{"C"}));
  EXPECT_EQ(vars->CBX->Items().All(), (std::vector<std::string>{"C"}));
  EXPECT_EQ(vars->CBX->ItemIndex(), 0);
}

TEST_F(ChartVariablesTest, RenumberingFollowsTheRecordFields) {
  vars->CBX->UserSelect(1);
  Add(1, 2);  // CO2
  Add(1, 3);  // H2O
  Add(2, 5);  // CO
  vars->ButtonOKClick(nullptr);
  // Fields 2 and 3 swapped, field 5 deleted.
  log.sink.Clear();
  vars->FindXColumn();
  EXPECT_EQ(SeriesAssignment.column[0], 1);
  EXPECT_FALSE(log.sink.Has(ChartXFieldMissingId));
  vars->RenumberSeriesColumn(2, 3);
  vars->RenumberSeriesColumn(3, 2);  // the renumbered row is not taken again
  vars->RenumberSeriesColumn(5, -1);
  EXPECT_EQ(Page(1).Cells(GrfVarColField, 1), "+3");
  EXPECT_EQ(Page(1).Cells(GrfVarColField, 2), "+2");
  EXPECT_EQ(Page(2).Cells(GrfVarColField, 1), "-1");
  ASSERT_EQ(log.sink.messages.size(), 3u);
  EXPECT_EQ(log.sink.messages[0].id, ChartSeriesRenumberedId);
  EXPECT_EQ(log.sink.messages[0].level, LevelInfo);
  EXPECT_EQ(log.sink.messages[0].text, "CO2 Rec. ID:3");
  EXPECT_EQ(log.sink.messages[1].text, "H2O Rec. ID:2");
  EXPECT_EQ(log.sink.messages[2].id, ChartSeriesFieldMissingId);
  EXPECT_EQ(log.sink.messages[2].level, LevelCritical);
  EXPECT_EQ(log.sink.messages[2].text, "No Records for CO");
  vars->ClearRenumberMarks();
  EXPECT_EQ(Page(1).Cells(GrfVarColField, 1), "3");
  EXPECT_EQ(Page(1).Cells(GrfVarColField, 2), "2");
  vars->ButtonOKClick(nullptr);
  EXPECT_EQ(SeriesAssignment.column[1], 3);
  EXPECT_EQ(SeriesAssignment.column[2], 2);
  EXPECT_EQ(SeriesAssignment.column[3], -1);  // its row stays, fed from nothing
  EXPECT_TRUE(chart->Series[11].checkBox->Visible());
  // The X field gone: X column 0 and a message.
  SetHeaders({"C", "Time", "CO2"});
  vars->FillFieldCombos();
  log.sink.Clear();
  vars->FindXColumn();
  EXPECT_EQ(SeriesAssignment.column[0], 0);
  ASSERT_TRUE(log.sink.Has(ChartXFieldMissingId));
  EXPECT_EQ(log.sink.messages[0].level, LevelImportant);
  EXPECT_EQ(log.sink.messages[0].text, "No Records for x/t-Coordinate  T");
}

TEST_F(ChartVariablesTest, RowsAndSeriesBoxesTakeTheTableHeaders) {
  vars->CBX->UserSelect(1);
  Add(1, 2);
  Add(2, 3);
  vars->ButtonOKClick(nullptr);
  SetHeaders({"C", "T [K]", "Cp", "H"});
  vars->FillFieldCombos();
  vars->LabelCurvesFromTable();
  EXPECT_EQ(Page(1).Cells(GrfVarColVariable, 1), "Cp");
  EXPECT_EQ(Page(2).Cells(GrfVarColVariable, 1), "H");
  EXPECT_EQ(chart->Series[1].checkBox->Caption(), "Cp");
  EXPECT_EQ(chart->Series[11].checkBox->Caption(), "H");
  EXPECT_EQ(chart->Axis[0].name, "T [K]");
}

TEST_F(ChartVariablesTest, SetAsXAndAutoSizeFromTheTable) {
  SetHeaders({"C", "T", "CO2"});
  vars->FillFieldCombos();
  table->SetRowCount(4);
  const char* rows[3][3] = {{"1", "1210", "3"}, {"2", "1390", "8"}, {"3", "1300", "37"}};
  for (int r = 1; r <= 3; ++r)
    for (int c = 0; c < 3; ++c) table->SetCells(c, r, rows[r - 1][c]);
  Add(1, 2);
  // A column beyond the lists refills them first.
  SetHeaders({"C", "T", "CO2", "P"});
  vars->SetXColumn(3);
  EXPECT_EQ(vars->CBX->ItemIndex(), 3);
  EXPECT_EQ(SeriesAssignment.column[0], 3);
  vars->SetXColumn(1);
  EXPECT_EQ(SeriesAssignment.column[0], 1);
  // The fit of the auto-sized axes: CO2 from 3 to 37 gives 0..40 with 4 tiles.
  chart->BtnGraFit->SetDown(true);
  chart->BtnGraFitClick(nullptr);
  vars->AutoSizeFromRecordTable();
  EXPECT_DOUBLE_EQ(chart->Axis[1].from, 0);
  EXPECT_DOUBLE_EQ(chart->Axis[1].to, 40);
  EXPECT_EQ(chart->Axis[1].tiles, 4);
}
