// Orvanto's system file on the headless platform: the golden files of fixtures/eql/ read value
// by value, the writer byte for byte (from a read file and from a system built through the
// commands), the round trip, the files that are refused, the save question, recent files,
// the command line, dropped files and the flag of unsaved changes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "equilibrium/CalcVar.h"
#include "equilibrium/Compounds.h"
#include "equilibrium/RcrdDef.h"
#include "equilibrium/afc.h"
#include "orvanto_support.h"
#include "platform/Components.h"
#include "records_charts/GrfPara.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "records_charts/TablOprt.h"
#include "shared/Elements.h"
#include "shared/GridTools.h"
#include "shared/Info.h"
#include "shared/TDynOprt.h"

using namespace quorel;
using orvtest::OrvantoTest;
namespace fs = std::filesystem;

namespace {

const std::string kFixtures = QUOREL_TEST_DIR "/fixtures/eql/";

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The lines of a section of a golden file, header excluded (nothing when it is absent).
std::vector<std::string> GoldenSection(const std::string& file, const std::string& name) {
  const std::vector<std::string> lines = SplitSettingsLines(ReadBytes(kFixtures + file));
  std::vector<std::string> section;
  bool in = false;
  for (const std::string& l : lines) {
    if (IsSectionHeaderLine(l)) {
      if (in) break;
      in = SettingsTrim(l) == "[" + name + "]";
      if (in) section.push_back(l);
      continue;
    }
    if (in) section.push_back(l);
  }
  return section;
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  for (char c : line) {
    if (c == '\t') {
      cells.push_back(Trim(cell));
      cell.clear();
    } else {
      cell += c;
    }
  }
  cells.push_back(Trim(cell));
  return cells;
}

// Grid rows from the TAB lines: every cell of every row, trimmed as the reader stores them.
void ExpectGridHolds(const platform::StringGrid& g, const std::vector<std::string>& rows, const std::string& what) {
  ASSERT_EQ(g.RowCount(), std::max<int>(2, int(rows.size()))) << what;
  for (int r = 0; r < int(rows.size()); ++r) {
    const std::vector<std::string> cells = Cells(rows[r]);
    for (int c = 0; c < g.ColCount(); ++c)
      EXPECT_EQ(g.Cells(c, r), c < int(cells.size()) ? cells[c] : "") << what << " cell " << c << "," << r;
  }
}

// The written bytes with the program's name and the about line (lines 3 and 4 of
// "[Information]") checked by their form and put in the golden file's words.
std::string WithGoldenInformation(std::string written) {
  const std::string golden = ReadBytes(kFixtures + "full.eql");
  auto lineStart = [](const std::string& s, int n) {
    size_t p = 0;
    for (int i = 0; i < n; ++i) p = s.find("\r\n", p) + 2;
    return p;
  };
  const size_t a = lineStart(written, 2), b = lineStart(written, 4);
  const std::string lines = written.substr(a, b - a);
  EXPECT_EQ(lines.rfind("  ", 0), 0u) << lines;
  EXPECT_NE(lines.find("\r\n  "), std::string::npos) << lines;
  return written.replace(a, b - a, golden.substr(lineStart(golden, 2), lineStart(golden, 4) - lineStart(golden, 2)));
}

class EqlFileTest : public OrvantoTest {
 protected:
  std::string Fixture(const std::string& name) {
    const fs::path copy = home / name;
    fs::copy_file(kFixtures + name, copy, fs::copy_options::overwrite_existing);
    return copy.string();
  }
  // Everything the file holds, by name, as the windows show it.
  std::map<std::string, std::string> State() {
    std::map<std::string, std::string> s;
    s["caption"] = m->Caption();
    s["T"] = m->EditTsys->Text();
    s["PV"] = m->EditPVsys->Text();
    s["PV item"] = std::to_string(m->CbxPV->ItemIndex());
    s["PV mode"] = std::to_string(m->PVMode);
    s["celsius"] = std::to_string(m->TempInCelsius());
    s["adiabatic"] = std::to_string(m->MnuAdiabatic->Checked());
    s["equation of state"] = std::to_string(EosType) + std::to_string(TDynOprtWnd->RGgrl->ItemIndex());
    s["extrapolation"] = std::to_string(m->MnuExtrapolation->Checked()) +
                         std::to_string(TDynOprtWnd->CBExtrapolation->Checked());
    TEqlKernel& k = *EqlKernel;
    s["criteria"] = k.EditILimit->Text() + "|" + k.EditPrec->Text() + "|" + k.EditApprFactor->Text() + "|" +
                    k.EdtZero->Text() + "|" + std::to_string(k.CBMaxEntropy->Checked()) +
                    std::to_string(k.CBAutoIfa->Checked()) + std::to_string(k.CbxFast->Checked());
    for (int e = 0; e <= LastElementIndex(); ++e)
      if (ElementsDlg->Selected(e)) s["elements"] += std::to_string(e) + " ";
    for (int slot = 1; slot <= PhaseSlotCount; ++slot) {
      TPhaseWnd* w = PhaseSlotTable[slot].Window;
      if (!w) continue;
      const std::string p = "phase " + std::to_string(slot);
      s[p] = w->Caption() + "|" + std::to_string(PhaseDimensionTable.InDimension[slot]) +
             std::to_string(PhaseDimensionTable.OutDimension[slot]) +
             std::to_string(PhaseDimensionTable.Concentration[slot]);
      for (int r = 0; r < w->SGPhase->RowCount(); ++r)
        for (int c = 0; c < w->SGPhase->ColCount(); ++c)
          s[p + " " + std::to_string(c) + "," + std::to_string(r)] = Trim(w->SGPhase->Cells(c, r));
    }
    for (auto [name, g] : {std::pair{"SGT", TablOprtWnd->SGT}, std::pair{"SGR", RcrdDefDlg->SGR}})
      for (int r = 0; r < g->RowCount(); ++r)
        for (int c = 0; c < g->ColCount(); ++c)
          s[std::string(name) + " " + std::to_string(c) + "," + std::to_string(r)] = Trim(g->Cells(c, r));
    for (int i = 0; i < AfcWnd->RelationCount(); ++i) {
      const platform::ListItem* item = AfcWnd->ListView1->Items(i);
      s["relation " + std::to_string(i)] = std::to_string(item->ImageIndex()) + "|" + item->SubItem(1) + "|" +
                                           item->SubItem(2) + "|" + item->SubItem(3);
    }
    s["memo"] = AplStgsWnd->Memo1->Text();
    // The chart definition: the pages, the assignment, the look.
    TGrfVarDlg& v = *GrfVarDlg;
    for (int k = 1; k <= ChartVariablePageCount; ++k) {
      const std::string p = "chart page " + std::to_string(k);
      s[p] = v.EditName[size_t(k)]->Text();
      const platform::StringGrid& g = *v.Grids[size_t(k)];
      for (int r = 1; r < g.RowCount(); ++r)
        for (int c = 0; c < g.ColCount(); ++c)
          s[p + " " + std::to_string(c) + "," + std::to_string(r)] = Trim(g.Cells(c, r));
    }
    s["chart X"] = std::to_string(v.CBX->ItemIndex()) + "|" + v.EditCaption->Text() + "|" + v.EditXvar->Text();
    const SeriesAssignmentTable& a = SeriesAssignment;
    for (int e = 0; e <= a.count; ++e)
      s["chart entry " + std::to_string(e)] =
          std::to_string(a.seriesNumber[size_t(e)]) + "=" + std::to_string(a.column[size_t(e)]);
    TGrfWnd& chart = *GrfWnd;
    for (int k = 0; k < ChartAxisCount; ++k) {
      const ChartAxis& x = chart.Axis[size_t(k)];
      s["chart axis " + std::to_string(k)] = std::to_string(x.include) + std::to_string(x.log) + "|" +
                                             std::to_string(x.tiles) + "|" + FloatToFullText(x.from) + "|" +
                                             FloatToFullText(x.to) + "|" + x.name;
    }
    for (int n = 1; n <= ChartSeriesCount; ++n)
      if (chart.Series[size_t(n)].checkBox)
        s["chart series " + std::to_string(n)] = std::to_string(chart.Series[size_t(n)].shown) + "|" +
                                                 std::to_string(chart.Series[size_t(n)].colour);
    s["chart look"] = chart.ChartCaption + "|" + chart.XVariableText + "|" + std::to_string(chart.GrafScale) + "|" +
                      std::to_string(chart.AutoSize()) + "|" + std::to_string(chart.IsTimeAxis());
    for (int r = 0; r < CalcVarDlg->SGV->RowCount(); ++r)
      for (int c = 0; c < CalcVarDlg->SGV->ColCount(); ++c)
        s["variation " + std::to_string(c) + "," + std::to_string(r)] = CalcVarDlg->SGV->Cells(c, r);
    return s;
  }
  void AddRelation(int type, const std::string& a, const std::string& b, const std::string& c) {
    AfcWnd->EditA->UserSetText(a);
    AfcWnd->EditB->UserSetText(b);
    AfcWnd->EditC->UserSetText(c);
    AfcWnd->MnuType[type]->Click();
    AfcWnd->BtnAdd->Click();
  }
  // The chart of the golden file, made as a user makes it: the pages in the chart variables,
  // the ranges in the format dialog, auto-size on with no axis fitted, the colours, the series
  // shown.
  void BuildGoldenChart() {
    TGrfVarDlg& v = *GrfVarDlg;
    m->MnuGrfDef->Click();
    v.FillFieldCombos();
    v.CBX->UserSelect(1);
    auto page = [&](int k, const char* name, int column) {
      v.PageControl1->UserSelectPage(v.TS[size_t(k)]);
      v.EditName[size_t(k)]->UserSetText(name);
      v.CBY->UserSelect(column);
      v.ButtonAdd->Click();
    };
    page(1, "Amount", 2);
    page(2, "Mass", 3);
    v.EditCaption->UserSetText("Calcination");
    v.EditXvar->UserSetText("T [K]");
    v.ButtonOK->Click();
    EXPECT_FALSE(v.Visible());
    TGrfWnd& chart = *GrfWnd;
    chart.BtnGraFit->SetDown(false);  // auto size is on from the start; the user switches it off and on
    chart.BtnGraFit->Click();
    ASSERT_TRUE(chart.AutoSize());
    TGrfParaDlg& f = *GrfParaDlg;
    chart.MnuFormatAxis->Click();
    for (platform::CheckBox* box : {f.Cbas0, f.AutoSizeBox[1], f.AutoSizeBox[2]}) {
      ASSERT_TRUE(box->Visible());
      box->SetChecked(false);
    }
    const char* ranges[3][3] = {{"1200", "1400", "4"}, {"0", "0.05", "5"}, {"0", "20", "4"}};
    for (int k = 0; k < 3; ++k) {
      f.FromEdit[size_t(k)]->UserSetText(ranges[k][0]);
      f.ToEdit[size_t(k)]->UserSetText(ranges[k][1]);
      f.TileEdit[size_t(k)]->UserSetText(ranges[k][2]);
    }
    f.BtnAccept->Click();
    session.dialogs.QueueColor(platform::RGB(128, 128, 128));
    chart.MnuColor[3]->Click();  // "Scale"
    for (auto [n, colour] : {std::pair{1, platform::clRed}, std::pair{11, platform::clBlue}}) {
      platform::CheckBox* box = chart.Series[size_t(n)].checkBox;
      ASSERT_NE(box, nullptr) << n;
      ASSERT_TRUE(box->Checked());  // a new series is shown at once
      box->ContextPopup(0, 0);
      session.dialogs.QueueColor(colour);
      chart.PopColor1->Click();
    }
    chart.BtnGraFit->Click();  // auto size off: the file keeps these axes
    ASSERT_FALSE(chart.AutoSize());
  }
  // A grid filled with the TAB rows of a golden section (from the line after "Desc").
  static void FillFromGolden(platform::StringGrid& g, const std::vector<std::string>& section, size_t first) {
    ListToGrid({section.begin() + std::ptrdiff_t(first), section.end()}, g, true, true);
  }
};

// ---------------------------------------------------------------------------------------------
// The full golden file

// A system file whose chart has auto size on: its records fit the axes as it opens, over its
// own values (T 1200..1400 K; CO2 out 0.041..0.044; mass -1..12.5).
TEST_F(EqlFileTest, AFileWithAutoSizeOnFitsTheAxesToItsRecords) {
  const std::string path = Fixture("full.eql");
  std::string text = ReadBytes(path);
  const std::size_t at = text.find("AutoFormat=0");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 12, "AutoFormat=1");
  std::ofstream(path, std::ios::binary) << text;
  ASSERT_EQ(m->EqlFileReader(path), 1);
  TGrfWnd& chart = *GrfWnd;
  ASSERT_TRUE(chart.AutoSize());
  struct Range {
    int axis;
    double lo, hi;
  };
  for (const Range& r : {Range{0, 1200, 1400}, Range{1, 0.041, 0.044}, Range{2, -1, 12.5}}) {
    SCOPED_TRACE(r.axis);
    const ChartAxis& a = chart.Axis[size_t(r.axis)];
    EXPECT_LE(a.from, r.lo);
    EXPECT_GE(a.to, r.hi);
    EXPECT_NE(a.from, a.to);
  }
  // The file's own axes (1200..1400, 0..0.05, 0..20) were not what the fit gives for X.
  EXPECT_NE(chart.Axis[0].to, 1400);
}

// A system file with chart variables but no "Graphic" section (example 1 with the x of CO2
// and CO over the O2 input): its series are shown and ticked as the file opens.
TEST_F(EqlFileTest, TheChartVariablesOfAFileWithoutAGraphicSectionAreShown) {
  ASSERT_EQ(m->EqlFileReader(Fixture("chart_without_graphic.eql")), 1);
  TGrfWnd& chart = *GrfWnd;
  EXPECT_TRUE(chart.GbxY[1]->Visible());
  for (int n : {1, 2}) {
    SCOPED_TRACE(n);
    ASSERT_NE(chart.Series[size_t(n)].checkBox, nullptr);
    EXPECT_TRUE(chart.Series[size_t(n)].checkBox->Visible());
    EXPECT_TRUE(chart.Series[size_t(n)].checkBox->Checked());
    EXPECT_EQ(chart.Series[size_t(n)].shown, 1);
  }
}

TEST_F(EqlFileTest, TheFullFileReadsEveryValue) {
  const std::string path = Fixture("full.eql");
  m->ResultsValidFlag = true;  // results of the system before
  ASSERT_EQ(m->EqlFileReader(path), 1);
  EXPECT_EQ(m->CurrentSystemPath, path);
  EXPECT_EQ(m->Caption(), "Equilibrium [" + path + "]");
  EXPECT_EQ(session.application.title, "full.eql [Equilibrium ]");
  EXPECT_EQ(TablOprtWnd->Caption(), "Recorder [" + path + "]");
  EXPECT_FALSE(m->SystemChangedFlag);
  EXPECT_FALSE(m->ResultsValidFlag);

  // [System]
  for (int e = 0; e <= LastElementIndex(); ++e)
    EXPECT_EQ(ElementsDlg->Selected(e), e == 1 || e == 6 || e == 7 || e == 8 || e == 20) << e;
  EXPECT_EQ(ElementSymbol(20), "Ca");
  EXPECT_EQ(ElementsDlg->SelectedElements.size(), 5u);
  EXPECT_EQ(m->StBar->PanelText(0), "Elements:5");
  EXPECT_FALSE(m->TempInCelsius());
  EXPECT_TRUE(m->MnuTempK->Checked());
  EXPECT_EQ(m->LabelT->Caption(), "T[ K ]");
  EXPECT_EQ(m->EditTsys->Text(), "1200");
  EXPECT_EQ(m->EditPVsys->Text(), "0.5");
  EXPECT_EQ(m->CbxPV->ItemIndex(), 2);
  EXPECT_EQ(m->CbxPV->Text(), "V Const.(Exhaust)");
  EXPECT_EQ(m->PVMode, 2);
  EXPECT_EQ(m->LabelPV->Caption(), "V [m3]");
  EXPECT_TRUE(m->MnuAdiabatic->Checked());
  EXPECT_FALSE(m->MnuIsotherm->Checked());
  EXPECT_EQ(EosType, EosPengRobinson);
  EXPECT_EQ(TDynOprtWnd->RGgrl->ItemIndex(), EosPengRobinson);
  TEqlKernel& k = *EqlKernel;
  EXPECT_EQ(k.EditILimit->Text(), "50000");
  EXPECT_EQ(k.EditPrec->Text(), "0.001");
  EXPECT_EQ(k.EditApprFactor->Text(), "0.75");
  EXPECT_TRUE(k.EditApprFactor->Enabled());
  EXPECT_EQ(k.EdtZero->Text(), "1E-20");
  EXPECT_DOUBLE_EQ(double(k.Criteria.ignoreThreshold), 1e-20);
  EXPECT_FALSE(k.CBAutoIfa->Checked());
  EXPECT_FALSE(k.CBMaxEntropy->Checked());
  EXPECT_TRUE(k.CbxFast->Checked());
  EXPECT_FALSE(m->MnuExtrapolation->Checked());
  EXPECT_FALSE(TDynOprtWnd->CBExtrapolation->Checked());

  // The phases: Gas.1, Gas2 as "Exhaust", Liq.1 and Sol.2 in slot 7; Solid1 of the start-up
  // is closed because the file has no section for it.
  const std::map<int, std::pair<const char*, std::array<int, 3>>> phases = {
      {1, {"Gas.1", {DimGram, DimKilogram, ConcMoleFraction}}},
      {2, {"Exhaust", {DimCubicMetre, DimMol, ConcMoleFraction}}},
      {3, {"Liq.1", {DimPound, DimMol, ConcMassPercent}}},
      {7, {"Sol.2", {DimMol, DimGram, ConcMassFraction}}}};
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    SCOPED_TRACE(s);
    const auto it = phases.find(s);
    ASSERT_EQ(PhaseSlotTable[s].Window != nullptr, it != phases.end());
    if (it == phases.end()) {
      EXPECT_EQ(PhaseSlotTable[s].RowCount, -1);
      continue;
    }
    EXPECT_EQ(Phase(s).Caption(), it->second.first);
    EXPECT_EQ(PhaseDimensionTable.InDimension[s], it->second.second[0]);
    EXPECT_EQ(PhaseDimensionTable.OutDimension[s], it->second.second[1]);
    EXPECT_EQ(PhaseDimensionTable.Concentration[s], it->second.second[2]);
    const std::vector<std::string> section = GoldenSection("full.eql", SlotConstants(s).GridName);
    ExpectGridHolds(Grid(s), {section.begin() + 2, section.end()}, Phase(s).Caption());
    EXPECT_EQ(PhaseSlotTable[s].RowCount, Grid(s).RowCount() - 1);
  }
  EXPECT_EQ(Grid(2).Cells(ColIn, 0), "in [m\xB3]");
  EXPECT_EQ(Grid(3).Cells(ColConc, 0), "w%");
  EXPECT_EQ(Grid(3).Cells(ColCoefficient, 1), "[1]");
  EXPECT_EQ(Grid(7).Cells(ColCoefficient, 2), "(1)");
  EXPECT_EQ(Grid(1).Cells(ColTin, 1), "25");
  EXPECT_EQ(Phase(1).StBar->PanelText(1), "S(in [g])=80.04");
  EXPECT_EQ(m->PopPhase[2]->Caption(), "Exhaust");
  EXPECT_FALSE(m->MnuNewGas->Enabled());

  // Records, their definition, relations, notes and the sections kept for later windows.
  const std::vector<std::string> records = GoldenSection("full.eql", "Records");
  ExpectGridHolds(*TablOprtWnd->SGT, {records.begin() + 1, records.end()}, "records");
  EXPECT_EQ(TablOprtWnd->SGT->Cells(3, 1), "-1");
  const std::vector<std::string> definition = GoldenSection("full.eql", "RecordDefinition");
  ExpectGridHolds(*RcrdDefDlg->SGR, {definition.begin() + 1, definition.end()}, "record definition");
  EXPECT_EQ(RcrdDefDlg->RecordVariableCount, 3);
  EXPECT_EQ(m->RecordAddressSnapshot,
            (std::vector<std::string>{"0x 00 00 00 00", "0x 01 01 02 03", "0x 01 07 02 00"}));
  ASSERT_EQ(AfcWnd->RelationCount(), 2);
  EXPECT_EQ(AfcWnd->Relation(1).type, 2);
  EXPECT_DOUBLE_EQ(AfcWnd->Relation(1).B, 1.2);
  EXPECT_EQ(AfcWnd->Relation(2).type, 6);
  EXPECT_EQ(AplStgsWnd->Memo1->Lines().Count(), 3);
  EXPECT_EQ(AplStgsWnd->Memo1->Lines()[0], "");
  EXPECT_EQ(AplStgsWnd->Memo1->Lines()[1], "[x]");
  EXPECT_EQ(AplStgsWnd->Memo1->Lines()[2], "#y");
  ASSERT_EQ(CalcVarDlg->SGV->RowCount(), 2);
  EXPECT_EQ(CalcVarDlg->SGV->Rows(1),
            (std::vector<std::string>{"1", "T", "1200", "100", "1400", "0", "", "0x 00 00 00 00"}));
  // The chart: two pages, X the T column, its look from the file's "[Graphic]"; the records
  // are its points.
  TGrfVarDlg& v = *GrfVarDlg;
  EXPECT_EQ(v.EditName[1]->Text(), "Amount");
  EXPECT_EQ(v.TS[1]->Caption(), "Amount");
  EXPECT_EQ(v.Grids[1]->Rows(1), (std::vector<std::string>{"1", "CO2 (g) out", "2"}));
  EXPECT_EQ(v.EditName[2]->Text(), "Mass");
  EXPECT_EQ(v.Grids[2]->Rows(1), (std::vector<std::string>{"1", "m [g] Sol.2", "3"}));
  EXPECT_EQ(v.PageRows(3), 0);
  EXPECT_EQ(v.CBX->ItemIndex(), 1);
  EXPECT_EQ(v.CBX->Text(), "T");
  EXPECT_EQ(v.EditCaption->Text(), "Calcination");
  EXPECT_EQ(v.EditXvar->Text(), "T [K]");
  const SeriesAssignmentTable& a = SeriesAssignment;
  ASSERT_EQ(a.count, 2);
  EXPECT_EQ(a.column[0], 1);
  EXPECT_EQ(a.seriesNumber[1], 1);
  EXPECT_EQ(a.column[1], 2);
  EXPECT_EQ(a.seriesNumber[2], 11);
  EXPECT_EQ(a.column[2], 3);
  TGrfWnd& chart = *GrfWnd;
  EXPECT_EQ(chart.SettingsFileName, SettingsStore().UserSettingsFile);
  EXPECT_EQ(chart.ChartCaption, "Calcination");
  EXPECT_EQ(chart.XVariableText, "T [K]");
  EXPECT_FALSE(chart.AutoSize());  // AutoFormat=0: the axes stay as the file has them
  EXPECT_EQ(chart.GrafScale, platform::RGB(128, 128, 128));
  EXPECT_EQ(chart.Axis[0].name, "T");
  EXPECT_DOUBLE_EQ(chart.Axis[0].from, 1200);
  EXPECT_DOUBLE_EQ(chart.Axis[0].to, 1400);
  EXPECT_EQ(chart.Axis[0].tiles, 4);
  EXPECT_TRUE(chart.Axis[1].include);
  EXPECT_EQ(chart.Axis[1].name, "Amount");
  EXPECT_DOUBLE_EQ(chart.Axis[1].to, 0.05);
  EXPECT_TRUE(chart.Axis[2].include);
  EXPECT_EQ(chart.Axis[2].tiles, 4);
  EXPECT_FALSE(chart.Axis[3].include);
  EXPECT_TRUE(chart.GbxY[2]->Visible());
  EXPECT_EQ(chart.GbxY[2]->Caption(), "Mass");
  EXPECT_EQ(chart.Series[1].shown, 1);
  EXPECT_EQ(chart.Series[1].colour, platform::clRed);
  EXPECT_EQ(chart.Series[11].colour, platform::clBlue);
  EXPECT_EQ(chart.Series[11].checkBox->Caption(), "m [g] Sol.2");
  ASSERT_EQ(chart.Points.count, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(chart.Points.columns[0][size_t(i)], 1200 + 100 * i);
    EXPECT_DOUBLE_EQ(chart.Points.columns[11][size_t(i)], (std::array<double, 3>{-1, 12.5, 0})[size_t(i)]);
  }
  EXPECT_DOUBLE_EQ(chart.Points.columns[1][0], 0.044);

  // The path is the newest recent file.
  EXPECT_EQ(InfoDlg->RecentFilePath(0), path);
  EXPECT_TRUE(m->MnuReopen->Visible());
  EXPECT_TRUE(m->MnuHst[0]->Visible());
  EXPECT_EQ(m->MnuHst[0]->Caption(), path);
  EXPECT_FALSE(m->MnuHst[1]->Visible());
}

TEST_F(EqlFileTest, TheWriterReproducesTheFullFileAndSavingAgainGivesTheSameBytes) {
  ASSERT_EQ(m->EqlFileReader(Fixture("full.eql")), 1);
  const fs::path out = home / "written.eql";
  ASSERT_EQ(m->EqlFileWriter(out.string()), 1);
  EXPECT_EQ(WithGoldenInformation(ReadBytes(out)), ReadBytes(kFixtures + "full.eql"));
  EXPECT_EQ(m->CurrentSystemPath, out.string());
  EXPECT_EQ(m->Caption(), "Equilibrium [" + out.string() + "]");
  ASSERT_EQ(m->EqlFileReader(out.string()), 1);
  const std::string first = ReadBytes(out);
  ASSERT_EQ(m->EqlFileWriter(out.string()), 1);
  EXPECT_EQ(ReadBytes(out), first);
  // The earlier version is kept as the backup.
  EXPECT_TRUE(fs::exists(home / "written.~eql"));
}

TEST_F(EqlFileTest, ASystemBuiltThroughTheCommandsIsWrittenAsTheGoldenFileAndReadBackEqual) {
  const std::string golden = "full.eql";
  for (int e : {1, 6, 7, 8, 20}) ElementsDlg->ElementButton(e)->Click();
  ElementsDlg->BtnAccept->Click();
  m->MnuTempK->Click();
  m->EditTsys->UserSetText("1200");
  m->MnuNewGas->Click();    // Gas.2
  m->MnuNewSolid->Click();  // Sol.2 beside Sol.1
  ASSERT_NE(PhaseSlotTable[7].Window, nullptr);
  Phase(6).Close();  // empty: its slot is given back
  ASSERT_EQ(PhaseSlotTable[6].Window, nullptr);
  Phase(2).SetCaption("Exhaust");  // the name field of the compound dialog
  m->RefreshPhaseMenus();
  m->CbxPV->UserSelect(2);
  m->EditPVsys->UserSetText("0.5");
  m->PVMode = 2;  // as the last calculation with the volume of Gas2 held leaves it
  m->MnuAdiabatic->Click();
  TEqlKernel& k = *EqlKernel;
  k.CBAutoIfa->Click();
  k.CBMaxEntropy->Click();
  k.CbxFast->Click();
  k.EditILimit->UserSetText("50000");
  k.EditPrec->UserSetText("0.001");
  k.EditApprFactor->UserSetText("0.75");
  k.EdtZero->UserSetText("1E-20");
  m->MnuExtrapolation->Click();
  TDynOprtWnd->RGgrl->UserSelect(EosPengRobinson);
  Phase(1).DimInClick(DimGram);
  Phase(1).DimOutClick(DimKilogram);
  Phase(2).DimInClick(DimCubicMetre);
  Phase(3).DimInClick(DimPound);
  Phase(3).ConcClick(ConcMassPercent);
  Phase(7).DimOutClick(DimGram);
  Phase(7).ConcClick(ConcMassFraction);
  for (int s : {1, 2, 3, 7}) {
    const std::vector<std::string> section = GoldenSection(golden, SlotConstants(s).GridName);
    std::vector<std::string> rows(section.begin() + 3, section.end());
    std::vector<std::vector<std::string>> cells;
    for (const auto& r : rows) cells.push_back(Cells(r));
    Fill(s, cells);
  }
  TablOprtWnd->SGT->SetColCount(4);  // a column per record variable, as their dialog makes it
  FillFromGolden(*TablOprtWnd->SGT, GoldenSection(golden, "Records"), 1);
  FillFromGolden(*RcrdDefDlg->SGR, GoldenSection(golden, "RecordDefinition"), 1);
  AddRelation(2, "0.5", "1.2", "info text");
  AddRelation(6, "2", "0.5", "");
  AplStgsWnd->Memo1->Lines().Assign({"", "[x]", "#y"});
  FillFromGolden(*CalcVarDlg->SGV, GoldenSection(golden, "CalculationVariable"), 1);
  BuildGoldenChart();
  EXPECT_TRUE(m->SystemChangedFlag);

  const fs::path out = home / "built";
  session.dialogs.QueueFileName(out.string(), 1);
  m->MnuFileSaveAs->Click();
  ASSERT_EQ(session.dialogs.file_requests.size(), 1u);
  EXPECT_EQ(session.dialogs.file_requests[0].Title, "Save Equilibrium File as");
  EXPECT_EQ(session.dialogs.file_requests[0].Filter, "Equilibrium Files (*.eql)|*.eql|  All Files (*)|*.*");
  const fs::path written = home / "built.eql";
  ASSERT_TRUE(fs::exists(written));
  EXPECT_EQ(WithGoldenInformation(ReadBytes(written)), ReadBytes(kFixtures + golden));
  EXPECT_FALSE(m->SystemChangedFlag);
  EXPECT_EQ(m->CurrentSystemPath, written.string());

  // Close and open: everything as before.
  const std::map<std::string, std::string> before = State();
  m->MnuClose->Click();
  EosType = DefaultEosType;  // as a new run of the program starts
  TDynOprtWnd->RGgrl->SetItemIndex(DefaultEosType);
  EXPECT_NE(State(), before);
  session.dialogs.QueueFileName(written.string());
  m->MnuFileOpen->Click();
  EXPECT_EQ(session.dialogs.file_requests.back().Title, "Open Equilibrium File");
  const std::map<std::string, std::string> after = State();
  for (const auto& [key, value] : before) {
    const auto it = after.find(key);
    ASSERT_NE(it, after.end()) << key;
    EXPECT_EQ(it->second, value) << key;
  }
  EXPECT_EQ(after.size(), before.size());
  const std::string bytes = ReadBytes(written);
  m->MnuFileSave->Click();
  EXPECT_EQ(ReadBytes(written), bytes);

  // The phase import of another window picks its section from the written file.
  PickListHook = [](const std::string&, const std::string&, const std::vector<std::string>& items) {
    return items.size() == 2 && items[1] == "Exhaust" ? 1 : -1;
  };
  session.dialogs.QueueFileName(written.string());
  m->MnuNewGas->Click();  // both gas slots are open: nothing new
  Phase(1).ImportClick(0);
  PickListHook = nullptr;
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "N2 (g)");
  EXPECT_EQ(Grid(1).Cells(ColIn, 1), "0.5");
}

// ---------------------------------------------------------------------------------------------
// Edge cases of the reader

TEST_F(EqlFileTest, EdgeCases) {
  ASSERT_EQ(m->EqlFileReader(Fixture("edge_cases.eql")), 1);
  for (int e = 0; e <= LastElementIndex(); ++e) EXPECT_EQ(ElementsDlg->Selected(e), e == 1 || e == 6 || e == 8) << e;
  EXPECT_TRUE(m->TempInCelsius());
  EXPECT_EQ(m->EditTsys->Text(), "25");
  EXPECT_EQ(m->EditPVsys->Text(), "2.5");
  EXPECT_EQ(m->CbxPV->ItemIndex(), 1);
  EXPECT_EQ(m->PVItemSlots[1], 1);
  EXPECT_TRUE(m->MnuIsotherm->Checked());
  EXPECT_EQ(EqlKernel->EditApprFactor->Text(), "0.98");  // IFa 0
  EXPECT_EQ(EqlKernel->EdtZero->Text(), "1e-24");         // nZero 5
  EXPECT_EQ(double(EqlKernel->Criteria.ignoreThreshold), 1e-24);
  // Missing keys keep what the form had.
  EXPECT_EQ(EqlKernel->EditILimit->Text(), "98000");
  EXPECT_TRUE(EqlKernel->CBMaxEntropy->Checked());
  struct Units { int slot, in, out, conc; } units[] = {
      {1, DimCubicMetre, DimKilogram, ConcMoleFraction},  // "[m³]" in Windows-1252
      {2, DimCubicMetre, DimPound, ConcMassPercent},      // "[m³]" in UTF-8; "[lb]" is no litre
      {3, DimMol, DimPound, ConcMoleFraction}};           // no gas volume in a liquid
  for (const auto& u : units) {
    SCOPED_TRACE(u.slot);
    EXPECT_EQ(PhaseDimensionTable.InDimension[u.slot], u.in);
    EXPECT_EQ(PhaseDimensionTable.OutDimension[u.slot], u.out);
    EXPECT_EQ(PhaseDimensionTable.Concentration[u.slot], u.conc);
  }
  EXPECT_EQ(Grid(2).Cells(ColIn, 0), "in [m\xB3]");
  EXPECT_EQ(Grid(3).Cells(ColIn, 0), "in");
  EXPECT_EQ(Grid(3).Cells(ColOut, 0), "out [lb]");
  // The header-only Solid1 is not opened (and the one of the start-up is closed); "-1" is "(1)".
  EXPECT_EQ(PhaseSlotTable[6].Window, nullptr);
  ASSERT_NE(PhaseSlotTable[7].Window, nullptr);
  EXPECT_EQ(Grid(7).Cells(ColCoefficient, 1), "(1)");
}

TEST_F(EqlFileTest, LineFeedEndsAndKelvin) {
  ASSERT_EQ(m->EqlFileReader(Fixture("kelvin_lf.eql")), 1);
  EXPECT_FALSE(m->TempInCelsius());
  EXPECT_EQ(m->EditTsys->Text(), "298.15");
  EXPECT_TRUE(ElementsDlg->Selected(18));
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "Ar (g)");
  EXPECT_EQ(Grid(1).RowCount(), 2);
  EXPECT_EQ(PhaseSlotTable[3].Window, nullptr);
  // And it calculates: argon stays argon.
  Calculate("298.15");
  EXPECT_TRUE(m->ResultsValidFlag);
  EXPECT_NEAR(Cell(1, ColOut, 1), 1.0, 1e-6);
}

TEST_F(EqlFileTest, TheOlderRecordVariablesSection) {
  ASSERT_EQ(m->EqlFileReader(Fixture("old_records.eql")), 1);
  const platform::StringGrid& g = *RcrdDefDlg->SGR;
  ASSERT_EQ(g.RowCount(), 3);
  EXPECT_EQ(g.Cells(RecFieldName, 1), "T");
  EXPECT_EQ(g.Cells(RecFieldAddress, 1), "0x 00 00 00 00");
  EXPECT_EQ(g.Cells(RecFieldName, 2), "CO2 out");
  EXPECT_EQ(g.Cells(RecFieldAddress, 2), "0x 01 01 02 01");
  EXPECT_EQ(m->RecordAddressSnapshot.size(), 2u);
}

TEST_F(EqlFileTest, ARowWithEmptyLeadingCellsAndARelationStaysInItsSection) {
  ASSERT_EQ(m->EqlFileReader(Fixture("tab_row.eql")), 1);
  ASSERT_EQ(Grid(3).RowCount(), 5);
  EXPECT_EQ(Grid(3).Cells(ColCoefficient, 2), "[1]");
  EXPECT_EQ(Grid(3).Cells(ColCoefficient, 3), "[1]");
  EXPECT_EQ(Grid(3).Cells(ColKey, 4), "NH3 (l)");
  ASSERT_EQ(AplStgsWnd->Memo1->Lines().Count(), 2);
  EXPECT_EQ(AplStgsWnd->Memo1->Lines()[0], "after the rows");
  EXPECT_EQ(AplStgsWnd->Memo1->Lines()[1], "  indented by a writer");
  // Written and read again, the rows stay.
  const fs::path out = home / "again.eql";
  ASSERT_EQ(m->EqlFileWriter(out.string()), 1);
  ASSERT_EQ(m->EqlFileReader(out.string()), 1);
  EXPECT_EQ(Grid(3).RowCount(), 5);
  EXPECT_EQ(Grid(3).Cells(ColKey, 4), "NH3 (l)");
}

TEST_F(EqlFileTest, ElementNumbersOutsideThePeriodicTableAreSkipped) {
  const fs::path file = home / "elements.eql";
  std::ofstream(file, std::ios::binary) << "[System]\r\n  ne=1,300,-3,,8.\r\n";
  ASSERT_EQ(m->EqlFileReader(file.string()), 1);
  for (int e = 0; e <= LastElementIndex(); ++e) EXPECT_EQ(ElementsDlg->Selected(e), e == 1 || e == 8) << e;
  EXPECT_EQ(log->sink.Count(SystemFileElementSkippedId), 2);
}

TEST_F(EqlFileTest, ThePVItemOfTheFileIsTakenAmongTheItemsOfItsPhases) {
  // Only Gas2 in the file: item 1 is the volume of Gas2.
  const fs::path file = home / "gas2.eql";
  std::ofstream(file, std::ios::binary) << "[System]\r\n  PVCont=1\r\n  V=2\r\n[Gas2]\r\nDesc=Gas.2\r\n"
                                           "\tin\tout\r\nAr (g)\t1\r\n";
  ASSERT_EQ(m->EqlFileReader(file.string()), 1);
  ASSERT_EQ(m->CbxPV->Items().Count(), 2);
  EXPECT_EQ(m->CbxPV->ItemIndex(), 1);
  EXPECT_EQ(m->PVItemSlots[1], 2);
  EXPECT_EQ(m->PVMode, 2);
  EXPECT_EQ(m->CbxPV->Text(), "V Const.(Gas.2)");
  // An item the phases do not have gives "P Const.".
  std::ofstream(file, std::ios::binary) << "[System]\r\n  PVCont=2\r\n[Gas1]\r\nDesc=Gas.1\r\n\tin\tout\r\n";
  ASSERT_EQ(m->EqlFileReader(file.string()), 1);
  EXPECT_EQ(m->CbxPV->ItemIndex(), 0);
  EXPECT_EQ(m->PVMode, 0);
}

// ---------------------------------------------------------------------------------------------
// Files that are refused

TEST_F(EqlFileTest, FilesThatHoldNoSystemAreRefusedAndTheSystemStays) {
  const std::string full = Fixture("full.eql");
  ASSERT_EQ(m->EqlFileReader(full), 1);
  const std::map<std::string, std::string> before = State();
  std::ofstream(home / "notes.eql", std::ios::binary) << "[Notes]\r\n  a=1\r\n";
  fs::create_directories(home / "folder.eql");
  const std::string files[] = {Fixture("empty.eql"), (home / "notes.eql").string(), (home / "folder.eql").string(),
                               (home / "missing.eql").string()};
  for (const std::string& f : files) {
    SCOPED_TRACE(f);
    InfoDlg->UpdateRecentFiles(f);
    log->sink.Clear();
    EXPECT_EQ(m->EqlFileReader(f), 0);
    EXPECT_EQ(log->sink.Count(SystemFileMissingId), 1);
    EXPECT_NE(Text(SystemFileMissingId).find(f), std::string::npos);
    EXPECT_EQ(State(), before);
    EXPECT_EQ(m->CurrentSystemPath, full);
    EXPECT_EQ(InfoDlg->RecentFilePath(0), full) << "the entry is removed";
  }
}

TEST_F(EqlFileTest, ReopenOfADeletedFileRemovesItsEntryAndKeepsTheSystem) {
  const std::string a = Fixture("full.eql");
  const std::string b = Fixture("kelvin_lf.eql");
  ASSERT_EQ(m->EqlFileReader(b), 1);
  ASSERT_EQ(m->EqlFileReader(a), 1);
  fs::remove(b);
  EXPECT_EQ(m->MnuHst[1]->Caption(), b);
  m->MnuHst[1]->Click();
  EXPECT_TRUE(Logged(SystemFileMissingId));
  EXPECT_EQ(m->CurrentSystemPath, a);
  EXPECT_EQ(Phase(2).Caption(), "Exhaust");
  EXPECT_EQ(InfoDlg->RecentFilesList, std::vector<std::string>{a});
  EXPECT_FALSE(m->MnuHst[1]->Visible());
}

TEST_F(EqlFileTest, AFailedWriteKeepsTheFlagAndTheProgramOpen) {
  ASSERT_EQ(m->EqlFileReader(Fixture("full.eql")), 1);
  const std::string path = m->CurrentSystemPath;
  m->EditTsys->UserSetText("1300");
  ASSERT_TRUE(m->SystemChangedFlag);
  const fs::path folder = home / "x.eql";
  fs::create_directories(folder);
  EXPECT_EQ(m->EqlFileWriter(folder.string()), -1);
  EXPECT_TRUE(m->SystemChangedFlag);
  EXPECT_EQ(m->CurrentSystemPath, path);
  EXPECT_EQ(m->Caption(), "Equilibrium [" + path + "]");
  EXPECT_EQ(InfoDlg->RecentFilePath(0), path);
  // Closing: Yes, the file cannot be written, Save as offers the folder again and fails too.
  m->CurrentSystemPath = folder.string();
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  session.dialogs.QueueFileName(folder.string());
  bool canClose = true;
  m->FormCloseQuery(canClose);
  EXPECT_FALSE(canClose);
  EXPECT_TRUE(m->SystemChangedFlag);
  EXPECT_EQ(session.dialogs.file_requests.back().Title, "Save Equilibrium File as");
}

// ---------------------------------------------------------------------------------------------
// The save question, Save and Save as

TEST_F(EqlFileTest, TheSaveQuestion) {
  struct Case {
    bool withPath;
    int answer;
    bool saveAsAccepted;
    int result;
    bool written;
  } cases[] = {
      {true, platform::mrYes, false, 1, true},   {true, platform::mrNo, false, 0, false},
      {true, platform::mrCancel, false, -1, false}, {false, platform::mrYes, true, 1, true},
      {false, platform::mrYes, false, -1, false}, {false, platform::mrNo, false, 0, false},
      {false, platform::mrCancel, false, -1, false}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    const fs::path file = home / ("q" + std::to_string(++n) + ".eql");
    m->MnuCloseClick(nullptr);
    if (c.withPath) {
      ASSERT_EQ(m->EqlFileWriter(file.string()), 1);
    }
    fs::remove(file);
    m->EditTsys->UserSetText(std::to_string(500 + n));
    ASSERT_TRUE(m->SystemChangedFlag);
    session.dialogs.messages.clear();
    session.dialogs.QueueMessageAnswer(c.answer);
    if (!c.withPath) {
      if (c.saveAsAccepted) session.dialogs.QueueFileName(file.string());
      else session.dialogs.QueueFileCancel();
    }
    EXPECT_EQ(m->AskSaveChanges(), c.result);
    ASSERT_EQ(session.dialogs.messages.size(), 1u);
    EXPECT_EQ(session.dialogs.messages[0].caption, "Equilibrium");
    EXPECT_EQ(session.dialogs.messages[0].text,
              (c.withPath ? file.string() : std::string()) + " System is changed save Changes");
    EXPECT_EQ(fs::exists(file), c.written);
    EXPECT_EQ(m->SystemChangedFlag, !c.written);
    if (c.written) {
      EXPECT_EQ(m->Caption(), "Equilibrium");
    }
    session.dialogs.file_answers.clear();
  }
  // Nothing changed: no question.
  m->MnuCloseClick(nullptr);
  session.dialogs.messages.clear();
  EXPECT_EQ(m->AskSaveChanges(), 0);
  EXPECT_TRUE(session.dialogs.messages.empty());
}

TEST_F(EqlFileTest, SaveAsAppendsTheExtensionAndAsksBeforeReplacing) {
  // "system" with the first filter is "system.eql"; with the second it stays as typed.
  session.dialogs.QueueFileName((home / "system").string(), 1);
  m->MnuFileSaveAs->Click();
  EXPECT_TRUE(fs::exists(home / "system.eql"));
  session.dialogs.QueueFileName((home / "plain").string(), 2);
  m->MnuFileSaveAs->Click();
  EXPECT_TRUE(fs::exists(home / "plain"));
  // The file of another name exists: No keeps it, Yes writes.
  const fs::path other = home / "other.eql";
  std::ofstream(other) << "old";
  session.dialogs.messages.clear();
  session.dialogs.QueueFileName(other.string());
  session.dialogs.QueueMessageAnswer(platform::mrNo);
  m->MnuFileSaveAs->Click();
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].text, other.string() + ": file exists, replace ?");
  EXPECT_EQ(session.dialogs.messages[0].caption, "Save Equilibrium File as");
  EXPECT_EQ(ReadBytes(other), "old");
  session.dialogs.QueueFileName(other.string());
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  m->MnuFileSaveAs->Click();
  EXPECT_NE(ReadBytes(other), "old");
  // The file of the current name is written without a question; a new system proposes
  // "new.eql" in the project folder.
  session.dialogs.messages.clear();
  session.dialogs.QueueFileName(other.string());
  m->MnuFileSaveAs->Click();
  EXPECT_TRUE(session.dialogs.messages.empty());
  m->MnuCloseClick(nullptr);
  session.dialogs.QueueFileCancel();
  m->MnuFileSave->Click();
  EXPECT_EQ(fs::path(session.dialogs.file_requests.back().FileName).filename(), "new.eql");
}

TEST_F(EqlFileTest, OpenOfAMissingFileTellsSo) {
  const std::string missing = (home / "gone.eql").string();
  session.dialogs.QueueFileName(missing);
  m->MnuFileOpen->Click();
  ASSERT_FALSE(session.dialogs.messages.empty());
  EXPECT_EQ(session.dialogs.messages.back().text, missing + ": file does not exist");
  EXPECT_EQ(session.dialogs.messages.back().caption, "Open Equilibrium File");
  EXPECT_TRUE(Logged(OpenFileMissingId));
  // Cancel in the save question stops Open before the dialog.
  m->EditTsys->UserSetText("1");
  const size_t asked = session.dialogs.file_requests.size();
  session.dialogs.QueueMessageAnswer(platform::mrCancel);
  m->MnuFileOpen->Click();
  EXPECT_EQ(session.dialogs.file_requests.size(), asked);
}

// ---------------------------------------------------------------------------------------------
// Close

TEST_F(EqlFileTest, CloseMakesANewSystemAndKeepsThePhaseWindows) {
  ASSERT_EQ(m->EqlFileReader(Fixture("full.eql")), 1);
  m->ResultsValidFlag = true;  // as after a calculation
  m->MnuClearSubstance->Click();
  EXPECT_EQ(m->Caption(), "Equilibrium");
  EXPECT_EQ(m->CurrentSystemPath, "");
  EXPECT_FALSE(m->SystemChangedFlag);
  EXPECT_FALSE(m->ResultsValidFlag);
  EXPECT_EQ(session.application.title, "Equilibrium");
  EXPECT_EQ(TablOprtWnd->Caption(), "Recorder");
  EXPECT_TRUE(ElementsDlg->SelectedElements.empty());
  EXPECT_EQ(RcrdDefDlg->RecordFieldCount(), 0);
  // The chart variables start again: no page, no assignment, no point.
  EXPECT_EQ(GrfVarDlg->PageRows(1), 0);
  EXPECT_EQ(GrfVarDlg->EditName[1]->Text(), "");
  EXPECT_EQ(SeriesAssignment.count, 0);
  EXPECT_EQ(GrfWnd->Points.count, 0);
  EXPECT_EQ(GrfWnd->Caption(), "Graphic");
  EXPECT_EQ(CalcVarDlg->SGV->RowCount(), 2);
  EXPECT_EQ(Trim(CalcVarDlg->SGV->Cells(2, 1)), "");
  for (int s : {1, 2, 3, 7}) {
    SCOPED_TRACE(s);
    ASSERT_NE(PhaseSlotTable[s].Window, nullptr);
    EXPECT_EQ(Phase(s).Caption(), SlotConstants(s).Caption);
    EXPECT_EQ(Grid(s).RowCount(), 2);
    for (int c = 0; c < Grid(s).ColCount(); ++c) EXPECT_EQ(Grid(s).Cells(c, 1), "");
  }
  EXPECT_EQ(m->PopPhase[2]->Caption(), "Gas.2");
  // With changes, Cancel keeps everything.
  Fill(1, {{"N2 (g)", "1"}});
  Grid(1).UserSetEditText(ColIn, 1, "2");
  session.dialogs.QueueMessageAnswer(platform::mrCancel);
  m->MnuClose->Click();
  EXPECT_EQ(Grid(1).Cells(ColKey, 1), "N2 (g)");
}

// ---------------------------------------------------------------------------------------------
// Recent files, the command line and dropped files

TEST_F(EqlFileTest, RecentFilesNewestFirstAndAPathWithAnAmpersand) {
  fs::create_directories(home / "R&D");
  const std::string a = Fixture("full.eql");
  const std::string b = Fixture("kelvin_lf.eql");
  const std::string c = (home / "R&D" / "c.eql").string();
  fs::copy_file(kFixtures + "edge_cases.eql", c);
  for (const std::string& f : {a, b, c, b}) ASSERT_EQ(m->EqlFileReader(f), 1);
  EXPECT_EQ(m->MnuHst[0]->Caption(), b);
  EXPECT_EQ(m->MnuHst[1]->Caption(), RecentFileCaption(c));
  EXPECT_NE(m->MnuHst[1]->Caption().find("R&&D"), std::string::npos);
  EXPECT_EQ(m->MnuHst[2]->Caption(), a);
  EXPECT_FALSE(m->MnuHst[3]->Visible());
  m->MnuHst[1]->Click();
  EXPECT_EQ(m->CurrentSystemPath, c);
  EXPECT_EQ(m->MnuHst[0]->Caption(), RecentFileCaption(c));
  // The list goes into the user settings file with "Save Now" and comes back at the next start.
  ASSERT_EQ(m->MnuSaveNowClick(), 1);
  m->MnuSaveByExit->SetChecked(false);
  Stop();
  Start();
  EXPECT_EQ(InfoDlg->RecentFilesList, (std::vector<std::string>{c, b, a}));
  EXPECT_TRUE(m->MnuHst[2]->Visible());
}

TEST_F(EqlFileTest, ARelativeArgumentIsTakenInTheWorkingFolder) {
  const fs::path work = home / "work";
  fs::create_directories(work);
  fs::copy_file(kFixtures + "full.eql", work / "X.EQL");
  const fs::path saved = fs::current_path();
  fs::current_path(work);
  Stop();
  session.application.arguments = {"X.EQL"};
  Start();
  fs::current_path(saved);
  EXPECT_EQ(m->CurrentSystemPath, (work / "X.EQL").string());
  EXPECT_EQ(Phase(2).Caption(), "Exhaust");
}

TEST_F(EqlFileTest, DroppedFilesOpenInOrderAfterOneQuestionEach) {
  const std::string a = Fixture("full.eql");
  const std::string b = Fixture("kelvin_lf.eql");
  std::ofstream(home / "notes.txt") << "x";
  m->EditTsys->UserSetText("700");
  session.dialogs.messages.clear();
  session.dialogs.QueueMessageAnswer(platform::mrNo);
  m->UserDropFiles({a, (home / "notes.txt").string(), b});
  // One question before the first file; the first file is unchanged when the second comes.
  EXPECT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(m->CurrentSystemPath, b);
  EXPECT_EQ(InfoDlg->RecentFilesList, (std::vector<std::string>{b, a}));
  // Cancel in the question stops the whole drop.
  m->EditTsys->UserSetText("800");
  session.dialogs.QueueMessageAnswer(platform::mrCancel);
  m->UserDropFiles({a, b});
  EXPECT_EQ(m->CurrentSystemPath, b);
  EXPECT_EQ(m->EditTsys->Text(), "800");
  // During a calculation a drop is not taken.
  m->MnuCloseClick(nullptr);
  CalculationRunState = CalculationRun::Solving;
  m->UserDropFiles({a});
  CalculationRunState = CalculationRun::Idle;
  EXPECT_EQ(m->CurrentSystemPath, "");
}

// ---------------------------------------------------------------------------------------------
// The flag of unsaved changes

TEST_F(EqlFileTest, EveryEditOfWhatTheFileHoldsMarksTheSystem) {
  Fill(1, {{"N2 (g)", "1"}});
  struct Edit {
    const char* what;
    std::function<void()> act;
  } edits[] = {
      {"amount", [&] { Grid(1).UserSetEditText(ColIn, 1, "2"); }},
      {"comment", [&] { Grid(1).UserSetEditText(ColComment, 1, "note"); }},
      {"input unit", [&] { Phase(1).DimInClick(DimGram); }},
      {"In <- Out", [&] { Phase(1).ToolBtnIOClick(); }},
      {"temperature", [&] { m->EditTsys->UserSetText("400"); }},
      {"pressure", [&] { m->EditPVsys->UserSetText("3"); }},
      {"P/V choice", [&] { m->CbxPV->UserSelect(1); }},
      {"temperature unit", [&] { m->MnuTempK->Click(); }},
      {"environment", [&] { m->MnuAdiabatic->Click(); }},
      {"extrapolation", [&] { m->MnuExtrapolation->Click(); }},
      {"criteria", [&] { EqlKernel->EditPrec->UserSetText("0.002"); }},
      {"criteria box", [&] { EqlKernel->CbxFast->Click(); }},
      {"elements", [&] {
         ElementsDlg->ElementButton(7)->Click();
         ElementsDlg->BtnAccept->Click();
       }},
      {"relation", [&] { AddRelation(1, "1", "2", ""); }},
      {"memo", [&] { AplStgsWnd->Memo1->UserSetText("a note"); }},
      {"records", [&] { TablOprtWnd->ToolBtnDelAll->Click(); }},
      {"new phase", [&] { m->MnuNewLiquid->Click(); }},
      {"phase closed", [&] { Phase(4).Close(); }},
  };
  for (const auto& e : edits) {
    SCOPED_TRACE(e.what);
    m->SystemChangedFlag = false;
    session.dialogs.QueueMessageAnswer(platform::mrYes);
    e.act();
    session.dialogs.message_answers.clear();
    EXPECT_TRUE(m->SystemChangedFlag);
  }
  // Read, write and Close clear it last.
  const fs::path file = home / "flag.eql";
  ASSERT_EQ(m->EqlFileWriter(file.string()), 1);
  EXPECT_FALSE(m->SystemChangedFlag);
  m->SystemChangedFlag = true;
  ASSERT_EQ(m->EqlFileReader(file.string()), 1);
  EXPECT_FALSE(m->SystemChangedFlag);
  m->SystemChangedFlag = true;
  m->MnuCloseClick(nullptr);
  EXPECT_FALSE(m->SystemChangedFlag);
}

// ---------------------------------------------------------------------------------------------
// Inputs that give no calculation or a damaged system are said; no status of another system
// stays

TEST_F(EqlFileTest, BadInputsAreSaidAndNoStaleStatusStays) {
  const fs::path examples = QUOREL_SOURCE_DIR "/examples";
  const std::string example1 = (examples / "1_methane_oxygen_3000K.eql").string();
  std::ifstream in(examples / "2_methane_air_adiabatic.eql", std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string example2 = bytes.str();
  // Cut inside the row of O2 in Gas1, and one with a relation section short of its count.
  const std::size_t o2 = example2.find("O2 (g)");
  const std::size_t memo = example2.find("[Memo]");
  ASSERT_NE(o2, std::string::npos);
  ASSERT_NE(memo, std::string::npos);
  const std::string cut = (home / "cut.eql").string();
  std::ofstream(cut, std::ios::binary) << example2.substr(0, o2 + 8);
  const std::string shortCount = (home / "short.eql").string();
  std::ofstream(shortCount, std::ios::binary) << example2.substr(0, memo) +
                                                     "[ActivityCoefficients]\r\nCount=3\r\n1=Idx:1;A:0;B:0;C:;\r\n" +
                                                     example2.substr(memo);
  const std::string missing = (home / "missing.eql").string();
  auto sumOfX = [this](int slot) {
    const std::string panel = Phase(slot).StBar->PanelText(3);
    EXPECT_EQ(panel.rfind("S(x)=", 0), 0u) << panel;
    return TextToDouble(panel.substr(panel.find('=') + 1));
  };

  struct Case {
    const char* why;
    std::function<void()> act;
    int id, level;
    std::string text;
    std::function<void()> check;  // the windows afterwards
  };
  const std::vector<Case> cases = {
      {"Calculation of an empty system",
       [&] {
         m->MnuClose->Click();
         log->sink.Clear();
         m->BtnCalc->Click();
       },
       NoInputValuesId, LevelCritical, "No (valid) Input Values",
       [&] {
         EXPECT_EQ(m->StBar->PanelText(3), "No (valid) Input Values");
         EXPECT_FALSE(m->ResultsValidFlag);
         EXPECT_EQ(m->BtnCalc->Caption(), "Calculation");
         EXPECT_EQ(CalculationRunState, CalculationRun::Idle);
       }},
      {"a missing system file on the command line",
       [&] {
         Stop();
         session.application.arguments = {missing};
         Start();
       },
       OpenFileMissingId, LevelError, missing + ": file does not exist",
       [&] {
         ASSERT_FALSE(session.dialogs.messages.empty());
         EXPECT_EQ(session.dialogs.messages.back().text, missing + ": file does not exist");
         EXPECT_EQ(session.dialogs.messages.back().caption, "Open Equilibrium File");
         EXPECT_EQ(m->CurrentSystemPath, "");
         EXPECT_EQ(Grid(1).RowCount(), 2);
         EXPECT_EQ(Grid(1).Cells(ColKey, 1), "");
       }},
      {"a calculation of example 1",
       [&] {
         ASSERT_EQ(m->EqlFileReader(example1), 1);
         log->sink.Clear();
         m->BtnCalc->Click();
       },
       1593, LevelInfo, "Calculation success ",
       [&] {
         EXPECT_TRUE(m->ResultsValidFlag);
         EXPECT_EQ(m->StBar->PanelText(3).rfind("Calculation success", 0), 0u);
         // The mole fractions computed sum to 1, and the status of the phase says so. The cells
         // hold them to 8 digits, so their own sum is 1 only within half a unit of the last digit
         // of each row.
         EXPECT_NEAR(sumOfX(1), 1.0, 1e-9);
         long double x = 0;
         for (int r = 1; r < Grid(1).RowCount(); ++r) x += TextToExtended(Grid(1).Cells(ColConc, r));
         EXPECT_NEAR(double(x), 1.0, 5e-9 * (Grid(1).RowCount() - 1));
       }},
      {"a copy of example 2 cut inside a row",
       [&] {
         log->sink.Clear();
         ASSERT_EQ(m->EqlFileReader(cut), 1);
       },
       SystemFileCutShortId, LevelCritical, cut + ": the file ends inside section [Gas1]; what was read stays open",
       [&] {
         // What was read stays open, with no status of the system before.
         EXPECT_EQ(m->CurrentSystemPath, cut);
         EXPECT_EQ(m->StBar->PanelText(3), "");
         EXPECT_EQ(Phase(1).Caption(), "Flame");
         // The cut row of O2 is not read: its amount may be only the start of one.
         ASSERT_EQ(Grid(1).RowCount(), 2);
         EXPECT_EQ(Grid(1).Cells(ColKey, 1), "CH4 (g)");
         EXPECT_FALSE(Logged(SystemFileSectionShortId));
       }},
      {"a relation section short of its count",
       [&] {
         log->sink.Clear();
         ASSERT_EQ(m->EqlFileReader(shortCount), 1);
       },
       SystemFileSectionShortId, LevelCritical,
       shortCount + ": section [ActivityCoefficients] ends after 1 of the 3 rows its Count says",
       [&] {
         EXPECT_EQ(m->CurrentSystemPath, shortCount);
         EXPECT_EQ(Grid(1).RowCount(), 12);
         // The one relation the section holds, and no empty one for its count line.
         EXPECT_EQ(AfcWnd->RelationCount(), 1);
         EXPECT_FALSE(Logged(SystemFileCutShortId));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    c.act();
    const auto found = std::find_if(log->sink.messages.begin(), log->sink.messages.end(),
                                    [&](const LoggedMessage& e) { return e.id == c.id; });
    ASSERT_NE(found, log->sink.messages.end());
    EXPECT_EQ(found->level, c.level);
    EXPECT_EQ(found->text, c.text);
    c.check();
  }
  // A whole example says none of it, and closing or clearing the inputs clears the status.
  log->sink.Clear();
  ASSERT_EQ(m->EqlFileReader(example1), 1);
  EXPECT_FALSE(Logged(SystemFileCutShortId));
  EXPECT_FALSE(Logged(SystemFileSectionShortId));
  m->BtnCalc->Click();
  ASSERT_TRUE(m->ResultsValidFlag);
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  m->MnuClearInput->Click();
  EXPECT_EQ(m->StBar->PanelText(3), "");
  EXPECT_EQ(Phase(1).StBar->PanelText(1), "S(in)=0");
}

// ---------------------------------------------------------------------------------------------
// The example systems

TEST_F(EqlFileTest, TheExampleSystemsOpenAndCalculate) {
  const fs::path folder = QUOREL_SOURCE_DIR "/examples";
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".eql") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), 4u);
  auto row = [&](int slot, const std::string& key) {
    for (int r = 1; r < Grid(slot).RowCount(); ++r)
      if (Grid(slot).Cells(ColKey, r) == key) return r;
    ADD_FAILURE() << key;
    return 1;
  };
  auto open = [&](int i) {
    SCOPED_TRACE(files[i].filename().string());
    ASSERT_EQ(m->EqlFileReader(files[i].string()), 1);
    EXPECT_GT(AplStgsWnd->Memo1->Lines().Count(), 2);
  };
  auto calculate = [&] {
    log->sink.Clear();
    m->BtnCalc->Click();
    EXPECT_TRUE(m->ResultsValidFlag) << m->StBar->PanelText(3);
  };
  // 1: CH4 + 2 O2 at 3000 K: the elements balance and the dissociation products are there.
  open(0);
  calculate();
  const double c = Cell(1, ColOut, row(1, "CH4 (g)")) + Cell(1, ColOut, row(1, "CO2 (g)")) + Cell(1, ColOut, row(1, "CO (g)"));
  EXPECT_NEAR(c, 1.0, 1e-2);  // within the precision of the criteria
  EXPECT_GT(Cell(1, ColConc, row(1, "OH (g)")), 0.01);
  EXPECT_GT(Cell(1, ColConc, row(1, "CO (g)")), 0.05);
  // 2: the adiabatic flame temperature of stoichiometric methane in air from 298 K at 1 atm,
  // 2226 K (S. R. Turns, An Introduction to Combustion, 3rd ed., Table 2.1).
  open(1);
  calculate();
  EXPECT_NEAR(TextToDouble(m->EditTsys->Text()) + 273.15, 2226, 30) << m->EditTsys->Text();
  // 3: ammonia at 450 °C and 300 bar under Peng-Robinson: about a third of the gas (Larson and
  // Dodge, J. Am. Chem. Soc. 45 (1923) 2918, measured 35.9 % at 450 °C and 300 atm).
  open(2);
  const int savedEos = EosType;
  TDynOprtWnd->RGgrl->SetItemIndex(6);
  EosType = 6;
  calculate();
  const double xNH3 = Cell(1, ColConc, row(1, "NH3 (g)"));
  EosType = savedEos;
  EXPECT_NEAR(xNH3, 0.36, 0.05);
  // 4: calcination at 900 °C and 1 bar, above the temperature where the CO2 pressure over
  // limestone reaches 1 bar (about 895 °C, Baker 1962): the limestone is gone, all of its
  // calcium is lime and all of its carbon CO2 in the gas.
  open(3);
  calculate();
  EXPECT_NEAR(Cell(6, ColOut, row(6, "CaCO3 (s)")), 0.0, 1e-3);
  EXPECT_NEAR(Cell(6, ColOut, row(6, "CaO (s)")), 1.0, 1e-3);
  EXPECT_NEAR(Cell(1, ColOut, row(1, "CO2 (g)")), 1.0, 1e-3);
  // The memo names the temperature the program finds (1159.1 K from the NASA Glenn data of
  // CaCO3, CaO and CO2, B. J. McBride et al., NASA/TP-2002-211556): limestone stays at 885 °C
  // and is gone at 887 °C.
  std::string memo;
  for (const std::string& line : AplStgsWnd->Memo1->Lines().All()) memo += line + " ";
  EXPECT_NE(memo.find("near 886 \xB0" "C"), std::string::npos) << memo;
  for (const auto& [celsius, limestone] : {std::pair{"885", 1.0}, std::pair{"887", 0.0}}) {
    SCOPED_TRACE(celsius);
    m->EditTsys->SetText(celsius);
    calculate();
    EXPECT_NEAR(Cell(6, ColOut, row(6, "CaCO3 (s)")), limestone, 1e-3);
  }
}

// Example 3 as a user runs it: File > Open, System > Behaviour > Peng-Robinson, "Calculation".
// The solver holds each gas at its pure-gas fugacity coefficient phi (Lewis-Randall rule,
// ln phi = Gr / RT of the pure gas at T and P), so N2 + 3 H2 = 2 NH3 obeys
//   K = (x_NH3 phi_NH3 P)^2 / ((x_N2 phi_N2 P) (x_H2 phi_H2 P)^3),  P in bar,
// with K from the datasets' standard Gibbs energies at 1 bar. Measured at 450 C and 300 atm:
// 35.9 % ammonia (Larson and Dodge, J. Am. Chem. Soc. 45 (1923) 2918; correlated by Gillespie
// and Beattie, Phys. Rev. 36 (1930) 743).
TEST_F(EqlFileTest, AmmoniaExampleUnderPengRobinsonFollowsMassActionAndTheMeasurement) {
  session.dialogs.QueueFileName(QUOREL_SOURCE_DIR "/examples/3_ammonia_synthesis.eql");
  m->MnuFileOpen->Click();
  ASSERT_EQ(Grid(1).Cells(ColKey, 3), "NH3 (g)");
  // The memo gives the program's advice, the default equation for a system of several
  // compounds, and the values the example shows under it, the ideal gas and Peng-Robinson.
  auto three = [](double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", x);
    return std::string(text);
  };
  std::string memo;
  for (const std::string& line : AplStgsWnd->Memo1->Lines().All()) memo += line + " ";
  EXPECT_NE(memo.find("Generalized Redlich Kwong"), std::string::npos) << memo;
  ASSERT_EQ(EosType, DefaultEosType);
  m->BtnCalc->Click();
  ASSERT_TRUE(m->ResultsValidFlag) << m->StBar->PanelText(3);
  const double xDefault = Cell(1, ColConc, 3);
  EXPECT_NEAR(xDefault, 0.359, 0.015);
  EXPECT_NE(memo.find("x(NH3) = " + three(xDefault)), std::string::npos) << xDefault << " " << memo;
  m->MnuBehaviour->Click();
  log->sink.Clear();
  TDynOprtWnd->RGgrl->UserSelect(EosPengRobinson);
  ASSERT_EQ(EosType, EosPengRobinson);
  // The program's own advice on this choice.
  EXPECT_NE(Text(267).find("should only be used for equilibrium of pure substances"), std::string::npos);
  EXPECT_NE(Text(269).find("Generalized Redlich Kwong"), std::string::npos);
  log->sink.Clear();
  m->BtnCalc->Click();
  EosType = DefaultEosType;  // for the tests after this one
  ASSERT_TRUE(m->ResultsValidFlag) << m->StBar->PanelText(3);
  EXPECT_FALSE(Logged(IdealGasFallbackId)) << Text(IdealGasFallbackId);

  const double T = 450 + 273.15, P = 300;
  const double RT = double(SolverGasConstant) * T;
  auto gas = [&](const char* name, int eos, double p) {
    PropertyResult r;
    EXPECT_TRUE(EvaluateProperties(FindDataset(name, "(g)", T), eos, r, p, T)) << name;
    return r;
  };
  const double K = std::exp(-(2 * gas("NH3", EosIdealGas, 1).G - gas("N2", EosIdealGas, 1).G -
                              3 * gas("H2", EosIdealGas, 1).G) / RT);
  const double phiNH3 = std::exp(gas("NH3", EosPengRobinson, P).Gr / RT);
  const double phiN2 = std::exp(gas("N2", EosPengRobinson, P).Gr / RT);
  const double phiH2 = std::exp(gas("H2", EosPengRobinson, P).Gr / RT);
  auto xAtExtent = [](double z) { return 2 * z / (4 - 2 * z); };
  auto massAction = [&](double phi3, double phi1, double phi2) {
    double lo = 1e-12, hi = 1 - 1e-12;
    for (int i = 0; i < 200; ++i) {
      const double z = (lo + hi) / 2, n = 4 - 2 * z;
      const double a3 = 2 * z / n * phi3 * P, a1 = (1 - z) / n * phi1 * P, a2 = (3 - 3 * z) / n * phi2 * P;
      (std::log(a3 * a3 / (a1 * a2 * a2 * a2)) < std::log(K) ? lo : hi) = z;
    }
    return xAtExtent((lo + hi) / 2);
  };
  const double expected = massAction(phiNH3, phiN2, phiH2);
  const double xNH3 = Cell(1, ColConc, 3);
  EXPECT_NEAR(xNH3, expected, 0.002);
  EXPECT_NEAR(xNH3, 0.359, 0.015);
  EXPECT_NE(memo.find("gives " + three(xNH3)), std::string::npos) << xNH3;
  // The same datasets as ideal gases give 0.318: the fugacity coefficients add 0.04.
  EXPECT_NEAR(massAction(1, 1, 1), 0.318, 0.002);
  EXPECT_NE(memo.find("gives " + three(massAction(1, 1, 1))), std::string::npos);
  EXPECT_GT(xNH3 - massAction(1, 1, 1), 0.03);
}

}  // namespace

namespace {
// The example after which the file names its own equation of state, and a copy of it as the
// version before wrote it (without "grl") or with a value that names none.
const std::string kAmmonia = QUOREL_SOURCE_DIR "/examples/3_ammonia_synthesis.eql";
}  // namespace

TEST_F(EqlFileTest, ASavedSystemIsCalculatedAgainUnderItsEquationOfState) {
  // x(NH3) of example 3 under Peng-Robinson, and under the default one; the two must differ by
  // more than the tolerance for the test to tell them apart.
  const double kPengRobinson = 0.3558, kDefault = 0.3644;
  auto xNH3 = [this] {
    m->BtnCalc->Click();
    EXPECT_TRUE(m->ResultsValidFlag) << m->StBar->PanelText(3);
    return Cell(1, ColConc, 3);
  };
  ASSERT_EQ(m->EqlFileReader(kAmmonia), 1);
  EXPECT_FALSE(Logged(SystemFileEosTakenId));  // a file of the version before: the choice stays
  EXPECT_EQ(EosType, DefaultEosType);
  EXPECT_NEAR(xNH3(), kDefault, 5e-4);
  TDynOprtWnd->RGgrl->UserSelect(EosPengRobinson);
  EXPECT_TRUE(m->SystemChangedFlag);  // the file records the choice
  EXPECT_NEAR(xNH3(), kPengRobinson, 5e-4);
  const std::string saved = (home / "ammonia_pr.eql").string();
  ASSERT_EQ(m->EqlFileWriter(saved), 1);
  EXPECT_NE(ReadBytes(saved).find("\r\n  grl=6\r\n"), std::string::npos);

  // A new run of the program on the saved file, without user settings: it starts on the default.
  Stop();
  session.application.arguments = {saved};
  Start();
  EXPECT_EQ(EosType, EosPengRobinson);
  EXPECT_EQ(TDynOprtWnd->RGgrl->ItemIndex(), EosPengRobinson);
  EXPECT_NEAR(xNH3(), kPengRobinson, 5e-4);

  // The user settings keep the last choice between runs; a file that names the choice of now
  // says nothing, one that names another says once what it chose.
  TDynOprtWnd->RGgrl->UserSelect(DefaultEosType);
  ASSERT_EQ(m->MnuSaveNowClick(), 1);
  Stop();
  session.application.arguments = {};
  Start();
  EXPECT_EQ(EosType, DefaultEosType);
  TDynOprtWnd->RGgrl->UserSelect(EosPengRobinson);
  ASSERT_EQ(m->MnuSaveNowClick(), 1);
  Stop();
  Start();
  EXPECT_EQ(EosType, EosPengRobinson);
  EXPECT_EQ(TDynOprtWnd->RGgrl->ItemIndex(), EosPengRobinson);
  log->sink.Clear();
  ASSERT_EQ(m->EqlFileReader(saved), 1);
  EXPECT_FALSE(Logged(SystemFileEosTakenId));
  ASSERT_EQ(m->EqlFileReader(kAmmonia), 1);  // the version before: Peng-Robinson stays
  EXPECT_EQ(EosType, EosPengRobinson);
  EXPECT_NEAR(xNH3(), kPengRobinson, 5e-4);
  TDynOprtWnd->RGgrl->UserSelect(DefaultEosType);
  log->sink.Clear();
  ASSERT_EQ(m->EqlFileReader(saved), 1);
  EXPECT_EQ(EosType, EosPengRobinson);
  EXPECT_EQ(std::count_if(log->sink.messages.begin(), log->sink.messages.end(),
                          [](const LoggedMessage& e) { return e.id == SystemFileEosTakenId; }),
            1);
  EXPECT_EQ(Text(SystemFileEosTakenId), saved + " was computed with Peng-Robinson, Vap. Liq. Eql., 1976, which is chosen now");

  // A value that names no equation of state is said, and the choice stays.
  for (const char* value : {"7", "-1", "PR"}) {
    SCOPED_TRACE(value);
    std::string bytes = ReadBytes(saved);
    bytes.replace(bytes.find("grl=6"), 5, std::string("grl=") + value);
    const std::string odd = (home / "odd.eql").string();
    std::ofstream(odd, std::ios::binary) << bytes;
    log->sink.Clear();
    ASSERT_EQ(m->EqlFileReader(odd), 1);
    EXPECT_EQ(EosType, EosPengRobinson);
    EXPECT_EQ(Text(SystemFileEosUnknownId),
              odd + ": grl=" + value + " names no equation of state; Peng-Robinson, Vap. Liq. Eql., 1976 stays");
  }
  EosType = DefaultEosType;  // for the tests after this one
}

// After a run that is refused or fails, no number of the run before stays in the output cells or
// their sums, and the status bar keeps the reason.
TEST_F(EqlFileTest, ARefusedCalculationLeavesNoResultOnScreen) {
  const std::string example1 = QUOREL_SOURCE_DIR "/examples/1_methane_oxygen_3000K.eql";
  auto noResults = [this] {
    for (int s = 1; s <= PhaseSlotCount; ++s) {
      if (!PhaseSlotTable[s].Window) continue;
      SCOPED_TRACE(s);
      for (int r = 1; r < Grid(s).RowCount(); ++r)
        for (int c : {ColOut, ColConc, ColActivity}) EXPECT_EQ(Grid(s).Cells(c, r), "") << c << "," << r;
      for (int r = 1; r < Grid(s).RowCount(); ++r) EXPECT_EQ(Grid(s).Cells(ColInfo, r).find_first_of("01"), std::string::npos);
      EXPECT_EQ(Phase(s).StBar->PanelText(ColOut), "");
      EXPECT_EQ(Phase(s).StBar->PanelText(ColConc), "");
    }
  };
  struct Case {
    const char* why;
    std::function<void()> act;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"a temperature below 0 K", [&] { m->EditTsys->SetText("-100"); }, "Irregular temperature"},
      {"a temperature that is no number", [&] { m->EditTsys->SetText("hot"); }, "Irregular temperature"},
      {"no pressure", [&] { m->EditPVsys->SetText("0"); }, "Irregular pressure"},
      {"all amounts 0",
       [&] {
         for (int r = 1; r < Grid(1).RowCount(); ++r) Grid(1).SetCells(ColIn, r, "0");
       },
       "No (valid) Input Values"},
      {"an amount that is no number", [&] { Grid(1).SetCells(ColIn, 1, "much"); }, "CH4 (g): Irregular input"},
      {"a negative fugacity coefficient", [&] { Grid(1).SetCells(ColCoefficient, 2, "-2"); },
       "O2 (g)Irregular fugacity coefficient"},
      {"a blank key", [&] { Grid(1).SetCells(ColKey, 3, ""); },
       "Blank cell in first column 3 in the phase \"Burnt gas\" irregular (EM)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ASSERT_EQ(m->EqlFileReader(example1), 1);
    m->BtnCalc->Click();
    ASSERT_TRUE(m->ResultsValidFlag);
    ASSERT_NE(Grid(1).Cells(ColOut, 1), "");
    const std::string sumIn = Phase(1).StBar->PanelText(ColIn);
    c.act();
    m->BtnCalc->Click();
    EXPECT_FALSE(m->ResultsValidFlag);
    noResults();
    const std::string status = m->StBar->PanelText(3);
    EXPECT_EQ(status, c.reason);
    // The inputs stay as they were given.
    if (std::string(c.why) != "all amounts 0" && std::string(c.why) != "an amount that is no number") {
      EXPECT_EQ(Phase(1).StBar->PanelText(ColIn), sumIn);
    }
    session.dialogs.messages.clear();
  }
}

// The status bar, the conditions, the phase windows and the chart show the system open now.
TEST_F(EqlFileTest, WhatIsShownIsOfTheSystemOpenNow) {
  const fs::path examples = QUOREL_SOURCE_DIR "/examples";
  const std::string startT = m->EditTsys->Text(), startP = m->EditPVsys->Text();
  const bool startCelsius = m->TempInCelsius();
  const std::string startCaption = GrfWnd->ChartCaption;
  const double startTo = GrfWnd->Axis[0].to;

  // After an adiabatic calculation the status converts the temperature found.
  ASSERT_EQ(m->EqlFileReader((examples / "2_methane_air_adiabatic.eql").string()), 1);
  m->BtnCalc->Click();
  ASSERT_TRUE(m->ResultsValidFlag);
  ASSERT_TRUE(m->TempInCelsius());
  EXPECT_EQ(m->StBar->PanelText(0), "T[K]" + FloatToShortText(TextToDouble(m->EditTsys->Text()) + 273.15));

  // A file with its own chart look, then one without chart variables: nothing of the first stays.
  ASSERT_EQ(m->EqlFileReader(Fixture("full.eql")), 1);
  ASSERT_EQ(GrfWnd->ChartCaption, "Calcination");
  ASSERT_NE(GrfWnd->Axis[0].to, startTo);
  const std::string fullX = GrfWnd->Axis[0].name;
  ASSERT_EQ(PhaseSlotTable[6].Window, nullptr);
  ASSERT_EQ(m->EqlFileReader((examples / "3_ammonia_synthesis.eql").string()), 1);
  EXPECT_EQ(GrfWnd->ChartCaption, startCaption);
  EXPECT_NE(GrfWnd->Axis[0].name, fullX);
  EXPECT_EQ(GrfWnd->Axis[0].to, startTo);
  EXPECT_EQ(m->StBar->PanelText(0), "Elements:2");

  // File > Close: a new system as at the start, with the phase windows of the start.
  ASSERT_EQ(m->EqlFileReader(Fixture("full.eql")), 1);
  m->MnuClose->Click();
  EXPECT_EQ(m->StBar->PanelText(0), "Elements:0");
  EXPECT_EQ(m->EditTsys->Text(), startT);
  EXPECT_EQ(m->EditPVsys->Text(), startP);
  EXPECT_EQ(m->TempInCelsius(), startCelsius);
  EXPECT_TRUE(m->MnuIsotherm->Checked());
  EXPECT_EQ(m->CbxPV->ItemIndex(), 0);
  EXPECT_EQ(m->LabelPV->Caption(), "P [bar]");
  for (int s : {1, 3, 6}) EXPECT_NE(PhaseSlotTable[s].Window, nullptr) << s;
  EXPECT_NE(PhaseSlotTable[7].Window, nullptr);  // opened by the user: stays, emptied
  EXPECT_EQ(GrfWnd->ChartCaption, startCaption);
  EXPECT_FALSE(m->SystemChangedFlag);
}
