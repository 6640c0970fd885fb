// Lunetta's pure-substance file on the shipped database, as a user meets it: Table>"Save" and
// "Open" with the dialogs answered by the test, the user settings file across a restart, the
// file's lines and keys, and the hostile files that must not bring the program down.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lunetta_support.h"
#include "platform/Headless.h"
#include "platform/System.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "records_charts/TablOprt.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"
#include "shared/PTools.h"
#include "shared/TDynOprt.h"

using namespace quorel;
namespace fs = std::filesystem;

namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& path) { return SplitSettingsLines(Bytes(path)); }

// The key names of one section of a file, in order.
std::vector<std::string> KeysOf(const std::vector<std::string>& lines, const std::string& section) {
  std::vector<std::string> keys;
  bool in = false;
  for (const std::string& line : lines) {
    if (IsSectionHeaderLine(line)) {
      in = Trim(line) == "[" + section + "]";
      continue;
    }
    const std::size_t eq = line.find('=');
    if (in && eq != std::string::npos) keys.push_back(Trim(line.substr(0, eq)));
  }
  return keys;
}

class SubstFileTest : public lunettatest::LunettaFixture {
 protected:
  void SetUp() override {
    LunettaFixture::SetUp();
    StartSubstanceWindow(W());
  }
  TPSubstWnd& W() { return *windows->Substance; }
  TMdiMainWnd& Frame() { return *windows->Frame; }
  std::string Path(const std::string& name) const { return (folder / name).string(); }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }

  // New windows as at a program start, on the same user folder.
  void Restart(std::vector<std::string> arguments = {}) {
    log.reset();
    windows.reset();
    SubstanceFileReader = nullptr;
    SubstanceFileWriter = nullptr;
    EosType = DefaultEosType;
    ClearSubstancePhases();
    ResetColumnOrder();
    session.application.arguments = std::move(arguments);
    windows = std::make_unique<LunettaWindows>();
    log = std::make_unique<ScopedLogRecorder>();
    StartSubstanceWindow(W());
  }
  void Save(const std::string& path) {
    session.dialogs.QueueFileName(path);
    W().MnuSave->Click();
  }
  void Open(const std::string& path) {
    session.dialogs.QueueFileName(path);
    W().MnuOpen->Click();
  }
  void Run(const std::string& key) {
    W().CbxSubst->UserSetText(key);
    W().ButtonUpdate->Click();
    ASSERT_EQ(W().ErrorState, 0);
  }

  // Every setting a file keeps, away from its default.
  void SetEverything(bool constantT) {
    TPSubstWnd& w = W();
    w.CbxSubst->UserSetText("CO2(g)");
    w.MnuTempK->Click();
    w.MnuEkJ->Click();
    w.MnuGram->Click();
    w.MnuVolInv->Click();
    w.MnuCopyModeHtml->Click();
    w.CBex->UserClick();
    if (constantT) w.CbxTP->UserSelect(1);
    w.ETP->UserSetText(constantT ? "450.5" : "2.50");
    w.EditV1->UserSetText(constantT ? "1" : "300");
    w.EditdV->UserSetText(constantT ? "0.5" : "12.5");
    w.EditV2->UserSetText(constantT ? "20" : "900");
    platform::Strings& history = w.CbxSubst->Items();
    history.Clear();
    for (int i = 0; i < 35; ++i) history.Add("S" + std::to_string(i) + "(g)");
    w.CbxSubst->UserSetText("CO2(g)");
    w.SGT->SetColor(platform::RGB(250, 240, 200));
    platform::FontInfo font = w.SGT->Font();
    font.Name = "Courier New";
    font.Size = 11;
    font.Bold = true;
    w.SGT->SetFont(font);
    w.SGT->SetColWidths(3, 123);
    w.SGT->SetColWidths(10, 77);
    AplMsgWnd->SetFilter(LevelCritical);
    Frame().MnuSaveByExit->Click();
    EosType = EosPengRobinson;
  }
  // What SetEverything set, as the window shows it.
  void ExpectEverything(bool constantT) {
    TPSubstWnd& w = W();
    EXPECT_EQ(w.CbxSubst->Text(), "CO2(g)");
    EXPECT_TRUE(w.MnuTempK->Checked());
    EXPECT_FALSE(w.MnuTempC->Checked());
    EXPECT_EQ(w.TemperatureOffset, 0);
    EXPECT_TRUE(w.MnuEkJ->Checked());
    EXPECT_EQ(w.EnergyFactor, 0.001);
    EXPECT_TRUE(w.MnuGram->Checked());
    EXPECT_FALSE(w.MnuMol->Checked());
    EXPECT_TRUE(w.MnuVolInv->Checked());
    EXPECT_TRUE(TableToolkit().HtmlCopyMode);
    EXPECT_FALSE(w.CBex->Checked());
    EXPECT_FALSE(TDynOprtWnd->CBExtrapolation->Checked());
    EXPECT_EQ(w.CbxTP->ItemIndex(), constantT ? 1 : 0);
    EXPECT_EQ(w.CbxTP->Text(), constantT ? "T [ K ]" : "P [bar]");
    EXPECT_EQ(w.ETP->Text(), constantT ? "450.5" : "2.50");
    EXPECT_EQ(w.EditV1->Text(), constantT ? "1" : "300");
    EXPECT_EQ(w.EditdV->Text(), constantT ? "0.5" : "12.5");
    EXPECT_EQ(w.EditV2->Text(), constantT ? "20" : "900");
    EXPECT_EQ(w.Label1->Caption(), constantT ? "P1 [bar]" : "T1 [K]");
    ASSERT_EQ(w.CbxSubst->Items().Count(), 32);
    EXPECT_EQ(w.CbxSubst->Items()[31], "S31(g)");
    EXPECT_EQ(w.SGT->Color(), platform::RGB(250, 240, 200));
    EXPECT_EQ(w.SGT->Font().Name, "Courier New");
    EXPECT_EQ(w.SGT->Font().Size, 11);
    EXPECT_TRUE(w.SGT->Font().Bold);
    EXPECT_EQ(w.CbxSubst->Font().Name, "Courier New");
    EXPECT_EQ(w.SGT->ColWidths(3), 123);
    EXPECT_EQ(w.SGT->ColWidths(10), 77);
    EXPECT_EQ(AplMsgWnd->Filter(), LevelCritical);
    EXPECT_TRUE(Frame().MnuSaveByExit->Checked());
    EXPECT_EQ(EosType, EosPengRobinson);
    EXPECT_EQ(TDynOprtWnd->RGgrl->ItemIndex(), EosPengRobinson);
    EXPECT_EQ(w.ColumnHeader(ColCp), "Cp [kJ/g K]");
  }
};

TEST_F(SubstFileTest, SaveAndOpenKeepEverySettingInBothModes) {
  for (const bool constantT : {false, true}) {
    SCOPED_TRACE(constantT ? "temperature constant" : "pressure constant");
    const std::string a = Path(constantT ? "a_t.sub" : "a_p.sub"), b = Path(constantT ? "b_t.sub" : "b_p.sub");
    SetEverything(constantT);
    Save(a);
    ASSERT_TRUE(platform::FileExists(a));

    // The lines: the fixed heading, the keys in their order, the history's first 32 items, the
    // table colour in hexadecimal.
    const std::vector<std::string> lines = Lines(a);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "[Information]");
    EXPECT_EQ(lines[1], "  Created by Quorel - Pure Substance");
    EXPECT_EQ(lines[2], "  quorel");
    EXPECT_EQ(lines[4], "[System]");
    EXPECT_EQ(lines[5], "  Graphic=0");
    EXPECT_EQ(KeysOf(lines, "TableWnd"),
              (std::vector<std::string>{"Maximized", "Left", "Top", "Width", "Height", "ConstIdx", "Temp", "Vol",
                                        "SaveByExit", "CopyMode", "MsgFilter", "Energy", "Mass", "CbxTP", "ETP", "V1",
                                        "dV", "V2", "SGColor", "LSubstance", "grl", "Extrapolation", "GrfSrc"}));
    std::vector<std::string> history;
    for (int i = 0; i < 32; ++i) history.push_back("S" + std::to_string(i));
    EXPECT_EQ(KeysOf(lines, "SubstanceHistory"), history);
    const std::vector<std::string> table = KeysOf(lines, "Table");
    ASSERT_EQ(table.size(), 17u);
    EXPECT_EQ(table[0], "CW00");
    EXPECT_EQ(table[10], "CW10");
    EXPECT_EQ((std::vector<std::string>(table.begin() + 11, table.end())),
              (std::vector<std::string>{"RH", "FontName", "FontSize", "FontColor", "FontStyle", "Color"}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  Color=0x00C8F0FA"), lines.end());
    // The chart definition follows the table.
    std::vector<std::string> sections;
    for (const std::string& line : lines)
      if (IsSectionHeaderLine(line)) sections.push_back(line);
    EXPECT_EQ(sections, (std::vector<std::string>{"[Information]", "[System]", "[TableWnd]", "[SubstanceHistory]",
                                                  "[Table]", "[GB1]", "[GB2]", "[GB3]", "[GB4]", "[GB5]", "[GB6]",
                                                  "[GB7]", "[GB8]", "[X]", "[Assign]", "[Graphic]"}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  Mass=g"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  Extrapolation=0"), lines.end());

    // New windows, then Table>Open: every control as saved; saved again, the same bytes.
    Restart();
    Open(a);
    ExpectEverything(constantT);
    Save(b);
    EXPECT_EQ(Bytes(b), Bytes(a));
    EXPECT_TRUE(session.AllAnswered());
    Restart();
  }
}

TEST_F(SubstFileTest, TheUserSettingsFileKeepsTheSetUpAcrossARestart) {
  SetEverything(true);
  // Save by Exit is checked: closing the frame writes the user settings file.
  EXPECT_TRUE(Frame().Close());
  const std::string user = SettingsStore().UserSettingsFile;
  ASSERT_TRUE(platform::FileExists(user));
  Restart();
  ExpectEverything(true);
  // The stored range values followed the restored edits: switching the mode and back refills
  // the edits from them.
  W().CbxTP->UserSelect(0);
  W().CbxTP->UserSelect(1);
  EXPECT_EQ(W().EditV1->Text(), "1");
  EXPECT_EQ(W().EditdV->Text(), "0.5");
  EXPECT_EQ(W().EditV2->Text(), "20");
  // The frame's Settings>"Save Now" writes the same file at once.
  fs::remove(user);
  Frame().MnuSaveNow->Click();
  EXPECT_TRUE(platform::FileExists(user));
}

TEST_F(SubstFileTest, TheChartKeepsItsLookAcrossARestart) {
  TGrfWnd& chart = *GrfWnd;
  for (int n : {2, 12}) chart.Series[static_cast<std::size_t>(n)].checkBox->UserClick();
  chart.Axis[0].from = 20;
  chart.Axis[0].to = 420;
  chart.GrafFG = platform::RGB(240, 250, 255);
  Frame().MnuSaveByExit->Click();
  EXPECT_TRUE(Frame().Close());
  Restart();
  TGrfWnd& again = *GrfWnd;
  EXPECT_EQ(again.Axis[0].from, 20);
  EXPECT_EQ(again.Axis[0].to, 420);
  EXPECT_EQ(again.GrafFG, platform::RGB(240, 250, 255));
  for (int n = 1; n <= 24; ++n) {
    const ChartSeries& s = again.Series[static_cast<std::size_t>(n)];
    if (!s.checkBox) continue;
    EXPECT_EQ(s.checkBox->Checked(), n == 2 || n == 12) << n;
    EXPECT_EQ(s.shown != 0, n == 2 || n == 12) << n;
  }
  EXPECT_FALSE(ChartShowsTable());
}

TEST_F(SubstFileTest, AFileOnTableDataFeedsTheTableColumnsToTheChart) {
  struct Case {
    const char* x;  // record column of X
    const char* why;
  };
  for (const Case& c : {Case{"1", "Cp against T"}, Case{"0", "Cp against 1/T in K"}}) {
    SCOPED_TRACE(c.why);
    Restart();
    const std::string path = Write(
        "table.sub", std::string("[TableWnd]\r\nConstIdx=0\r\nTemp=C\r\nExtrapolation=1\r\nCbxTP=P [bar]\r\n"
                                 "LSubstance=H2O(u)\r\nETP=1\r\nV1=0\r\ndV=25\r\nV2=500\r\nGrfSrc=1\r\n"
                                 "[GB1]\r\nAlias=Cp\r\nOC=1\r\nY1=Cp\r\n[X]\r\nAlias=T\r\n[Assign]\r\n00=") +
                     c.x + "\r\n01=2\r\n[Graphic]\r\nCaption=water\r\nsv01=1\r\n");
    Open(path);
    ASSERT_TRUE(ChartShowsTable());
    EXPECT_TRUE(GrfWnd->MnuVarDef->Enabled());
    EXPECT_EQ(SeriesAssignment.count, 1);
    EXPECT_EQ(SeriesAssignment.column[0], TextToInt(c.x));
    EXPECT_EQ(SeriesAssignment.column[1], 2);
    EXPECT_EQ(SeriesAssignment.seriesNumber[1], 1);
    EXPECT_EQ(GrfWnd->ChartCaption, "water");
    EXPECT_EQ(GrfWnd->SettingsFileName, SettingsStore().UserSettingsFile);
    // With the headers set again (as every unit switch does), the variables' X list names
    // column 0 after the running variable's reciprocal and the series after its column.
    SetTableHeaders(W());
    ASSERT_GT(GrfVarDlg->CBX->Items().Count(), 2);
    EXPECT_EQ(GrfVarDlg->CBX->Items()[0], "1/T");
    EXPECT_EQ(W().SGT->Cells(0, 0), "Phase");

    W().ButtonUpdate->Click();
    ASSERT_EQ(W().ErrorState, 0);
    std::vector<int> rows;
    for (int r = 1; r < W().SGT->RowCount(); ++r)
      if (W().TableCell(ColPhase, r) != "change") rows.push_back(r);
    ASSERT_LT(rows.size(), std::size_t(W().SGT->RowCount() - 1));
    ASSERT_EQ(GrfWnd->Points.count, int(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const double T = TextToDouble(W().TableCell(ColVariable, rows[i]));
      EXPECT_DOUBLE_EQ(GrfWnd->Points.columns[0][i], std::string(c.x) == "1" ? T : 1 / (T + 273.15));
      EXPECT_EQ(GrfWnd->Points.columns[1][i], TextToDouble(W().TableCell(ColCp, rows[i])));
    }
    EXPECT_EQ(GrfWnd->Series[1].checkBox->Caption(), W().ColumnHeader(ColCp));
    EXPECT_TRUE(GrfWnd->Series[1].shown);
  }
}

TEST_F(SubstFileTest, OpeningEmptiesTheTableOfTheSubstanceBefore) {
  Save(Path("water.sub"));
  Run("H2O(u)");
  ASSERT_GT(W().SGT->RowCount(), 20);
  ASSERT_TRUE(W().Calculated);
  Open(Path("water.sub"));
  EXPECT_FALSE(W().Calculated);
  EXPECT_EQ(W().SGT->RowCount(), 2);
  for (int c = 0; c < SubstanceColumnCount; ++c) EXPECT_EQ(Trim(W().TableCell(c, 1)), "") << c;
  EXPECT_EQ(W().ColumnHeader(ColCp), "Cp [J/mol C]");
}

TEST_F(SubstFileTest, FileEdgeCases) {
  struct Case {
    const char* why;
    std::string text;
    int constIdx;
    bool kelvin;
    bool extrapolation;
  };
  const std::vector<Case> cases = {
      {"a CbxTP text without bar holds T constant even with ConstIdx 0",
       "[TableWnd]\r\nConstIdx=0\r\nTemp=C\r\nExtrapolation=1\r\nCbxTP=T [ C ]\r\n", 1, false, true},
      {"without CbxTP the mode is ConstIdx's", "[TableWnd]\r\nConstIdx=1\r\nTemp=C\r\nExtrapolation=1\r\n", 1, false,
       true},
      {"without Temp in K, without Extrapolation none", "[TableWnd]\r\nConstIdx=0\r\n", 0, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Restart();
    ASSERT_TRUE(ReadSubstanceFile(W(), Write("edge.sub", c.text)));
    EXPECT_EQ(W().CbxTP->ItemIndex(), c.constIdx);
    EXPECT_EQ(W().MnuTempK->Checked(), c.kelvin);
    EXPECT_EQ(W().CBex->Checked(), c.extrapolation);
    EXPECT_EQ(TDynOprtWnd->CBExtrapolation->Checked(), c.extrapolation);
  }

  // A user settings file without TableWnd changes only the energy factor; any other file
  // without it is refused and changes nothing.
  for (const bool settings : {true, false}) {
    SCOPED_TRACE(settings ? "user settings file" : "other.sub");
    Restart();
    W().MnuEkJ->SetChecked(true);
    W().MnuEJ->SetChecked(false);
    W().EnergyFactor = 1;
    W().ETP->SetText("7");
    const std::string text = "[Table]\r\nColor=0x000000FF\r\nCW00=300\r\n";
    const std::string path = settings ? SettingsStore().UserSettingsFile : Path("other.sub");
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    EXPECT_EQ(ReadSubstanceFile(W(), path), settings);
    EXPECT_EQ(W().EnergyFactor, settings ? 0.001 : 1);
    EXPECT_EQ(W().ETP->Text(), "7");
    EXPECT_NE(W().SGT->ColWidths(0), 300);
    EXPECT_NE(W().SGT->Color(), platform::TColor(0xFF));
  }

  // An upper-case .SUB is a pure-substance file: the chart takes its look from it.
  for (const char* name : {"look.SUB", "look.txt"}) {
    SCOPED_TRACE(name);
    GrfWnd->ChartCaption.clear();
    ASSERT_TRUE(ReadSubstanceFile(W(), Write(name, "[TableWnd]\r\n[Graphic]\r\nCaption=From the file\r\n")));
    EXPECT_EQ(GrfWnd->ChartCaption, std::string(name) == "look.SUB" ? "From the file" : "");
    EXPECT_EQ(GrfWnd->SettingsFileName, SettingsStore().UserSettingsFile);
  }

  // A missing file is no file, whatever the store cached before: nothing changes.
  W().ETP->SetText("7");
  SettingsStore().OpenSettingsFile(Write("cached.sub", "[TableWnd]\r\nETP=99\r\n"));
  EXPECT_FALSE(ReadSubstanceFile(W(), Path("missing.sub")));
  EXPECT_EQ(W().ETP->Text(), "7");
}

// Damaged files, each opened through Table>"Open" over a calculated table: what is said, and
// what becomes of the edits and of the table.
TEST_F(SubstFileTest, DamagedFilesAreSaidAndNoTableStaysUnderOtherInputs) {
  W().ETP->UserSetText("3");
  W().EditV1->UserSetText("20");
  W().EditdV->UserSetText("10");
  W().EditV2->UserSetText("300");
  Save(Path("good.sub"));
  const std::string good = Bytes(Path("good.sub"));
  const std::size_t tableWnd = good.find("[TableWnd]");
  const std::size_t v2 = good.find("  V2=");
  ASSERT_NE(tableWnd, std::string::npos);
  ASSERT_NE(v2, std::string::npos);
  std::string noise;
  std::uint32_t x = 12345;
  for (int i = 0; i < 4000; ++i) {
    x = x * 1103515245u + 12345u;
    noise += char(x >> 24);
  }
  const std::string head = "[TableWnd]\r\nConstIdx=0\r\nTemp=C\r\nExtrapolation=1\r\nCbxTP=P [bar]\r\n";
  const std::string tail = "[Table]\r\n";
  struct Case {
    std::string why;
    std::string text;
    int id;            // 0: nothing said
    std::string said;  // after the path
    bool read;         // the file was read: the table is emptied
    const char* etp;   // the edits afterwards
    const char* dv;
  };
  std::vector<Case> cases = {
      {"random bytes", noise, SubstanceFileRefusedId,
       ": no section [TableWnd] of a substance window in the file; it is not read", false, "3", "10"},
      {"cut before its set-up", good.substr(0, tableWnd + 5), SubstanceFileRefusedId,
       ": no section [TableWnd] of a substance window in the file; it is not read", false, "3", "10"},
      {"cut inside its set-up", good.substr(0, v2 + 5), SubstanceFileCutShortId,
       ": the file ends inside the line of V2 in section [TableWnd]; V2 and what is missing after it are not read",
       true, "3", "10"},
  };
  // Each hostile value of a number key, beside a good step that is read.
  for (const std::string line : {"ETP=abc", "dV=nan", "V1=-1e999", "V2=1e999", "MsgFilter=abc", "grl=x"}) {
    const std::string key = line.substr(0, line.find('='));
    const bool step = key == "dV";
    cases.push_back({line, head + line + "\r\n" + (step ? "" : "dV=5\r\n") + tail, SubstanceFileNumberIgnoredId,
                     ": " + line + " is not a valid number; " + key + " is not read", true, "3", step ? "10" : "5"});
  }
  // Last: the run after the loop uses it.
  cases.push_back({"a negative step is a number", head + "dV=-5\r\n" + tail, 0, "", true, "3", "-5"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    W().ETP->UserSetText("3");
    W().EditdV->UserSetText("10");
    AplMsgWnd->SetFilter(LevelImportant);
    Run("H2O(u)");
    const int rows = W().SGT->RowCount();
    ASSERT_GT(rows, 20);
    const std::string path = Write("damaged.sub", c.text);
    log->sink.Clear();
    Open(path);
    for (int id : {SubstanceFileRefusedId, SubstanceFileCutShortId, SubstanceFileNumberIgnoredId}) {
      EXPECT_TRUE(id == c.id || !log->sink.Has(id)) << id;
    }
    if (c.id != 0) {
      ASSERT_TRUE(log->sink.Has(c.id));
      const auto& m = *std::find_if(log->sink.messages.begin(), log->sink.messages.end(),
                                    [&](const LoggedMessage& e) { return e.id == c.id; });
      EXPECT_EQ(m.level, LevelCritical);
      EXPECT_EQ(m.text, path + c.said);
    }
    EXPECT_EQ(W().Calculated, !c.read);
    EXPECT_EQ(W().SGT->RowCount(), c.read ? 2 : rows);
    EXPECT_EQ(W().ETP->Text(), c.etp);
    EXPECT_EQ(W().EditdV->Text(), c.dv);
    EXPECT_EQ(AplMsgWnd->Filter(), LevelImportant);
    EXPECT_EQ(EosType, DefaultEosType);
  }
  // The read step of -5 is corrected by the run, and said.
  log->sink.Clear();
  Run("H2O(u)");
  EXPECT_TRUE(log->sink.Has(RangeStepCorrectedId));
  EXPECT_EQ(W().EditdV->Text(), "100");
}

// A file cut inside its last line ("V2=2000" cut to "V2=2") does not read that line: T2 keeps the
// window's value, the keys after the cut keep theirs (Extrapolation stays on), the keys before it
// are read, and the log names the cut key.
TEST_F(SubstFileTest, ALineCutByTheFileEndIsNotRead) {
  W().ETP->UserSetText("3");
  W().EditV1->UserSetText("20");
  W().EditdV->UserSetText("10");
  W().EditV2->UserSetText("2000");
  W().CBex->SetChecked(true);
  W().CBexClick(nullptr);
  Save(Path("whole.sub"));
  const std::string whole = Bytes(Path("whole.sub"));
  const std::size_t v2 = whole.find("V2=2000");
  ASSERT_NE(v2, std::string::npos);
  ASSERT_NE(whole.find("Extrapolation=1"), std::string::npos);
  const std::string cut = Write("cut.sub", whole.substr(0, v2 + 4));  // ends in "V2=2"

  W().ETP->UserSetText("7");  // the file's ETP (before the cut) is read over it
  log->sink.Clear();
  Open(cut);
  ASSERT_TRUE(log->sink.Has(SubstanceFileCutShortId));
  const auto& m = *std::find_if(log->sink.messages.begin(), log->sink.messages.end(),
                                [](const LoggedMessage& e) { return e.id == SubstanceFileCutShortId; });
  EXPECT_NE(m.text.find("the line of V2"), std::string::npos) << m.text;
  EXPECT_EQ(W().EditV2->Text(), "2000");
  EXPECT_EQ(W().ETP->Text(), "3");
  EXPECT_EQ(W().EditV1->Text(), "20");
  EXPECT_TRUE(W().CBex->Checked());
}

// What is on screen is what is open: the captions name the opened file's substance, and a
// switch of the running variable leaves no value under the other variable's header.
TEST_F(SubstFileTest, CaptionsAndColumnsFollowWhatIsOpen) {
  W().CbxSubst->UserSetText("CO2(g)");
  Save(Path("co2.sub"));
  Run("H2O(u)");
  ASSERT_EQ(Frame().Caption(), "Pure Substance: H2O(u)");
  Open(Path("co2.sub"));
  EXPECT_EQ(Frame().Caption(), "Pure Substance: CO2(g)");
  EXPECT_EQ(W().Caption(), "CO2(g)");
  EXPECT_EQ(session.application.title, "CO2(g) - Pure Substance ");

  Run("H2O(u)");
  ASSERT_GT(W().SGT->RowCount(), 20);
  const std::string header = W().ColumnHeader(ColVariable);
  W().CbxTP->UserSelect(W().CbxTP->ItemIndex() == 0 ? 1 : 0);
  EXPECT_NE(W().ColumnHeader(ColVariable), header);
  EXPECT_EQ(W().SGT->RowCount(), 2);
  for (int c = 0; c < SubstanceColumnCount; ++c) EXPECT_EQ(Trim(W().TableCell(c, 1)), "") << c;
}

TEST_F(SubstFileTest, SaveProposesANameAndAsksBeforeReplacing) {
  struct Case {
    const char* key;
    const char* proposed;
  };
  for (const Case& c : {Case{"CO2(g)", "CO2(g).sub"}, Case{"a / b", "ab.sub"}, Case{" ", "Substance.sub"}}) {
    SCOPED_TRACE(c.key);
    W().CbxSubst->SetText(c.key);
    session.dialogs.QueueFileCancel();
    W().MnuSave->Click();
    ASSERT_FALSE(session.dialogs.file_requests.empty());
    const platform::FileDialogRequest& asked = session.dialogs.file_requests.back();
    EXPECT_EQ(asked.FileName, c.proposed);
    EXPECT_EQ(asked.Filter, "Substance (*.sub)|*.sub|  All Files (*)|*.*");
  }
  // A name without .sub gets it with the first filter, not with the second.
  Save(Path("plain"));
  EXPECT_TRUE(platform::FileExists(Path("plain.sub")));
  session.dialogs.QueueFileName(Path("notes.txt"), 2);
  W().MnuSave->Click();
  EXPECT_TRUE(platform::FileExists(Path("notes.txt")));

  // An existing file: No writes nothing, Yes replaces it (the old one kept as backup).
  const std::string old = Write("old.sub", "[Mine]\r\n");
  session.dialogs.QueueMessageAnswer(platform::mrNo);
  Save(old);
  ASSERT_FALSE(session.dialogs.messages.empty());
  EXPECT_EQ(session.dialogs.messages.back().text, old + " exists replace ?");
  EXPECT_EQ(session.dialogs.messages.back().caption, "Pure Substance");
  EXPECT_EQ(Bytes(old), "[Mine]\r\n");
  session.dialogs.QueueMessageAnswer(platform::mrYes);
  Save(old);
  EXPECT_EQ(Lines(old)[0], "[Information]");
  EXPECT_EQ(Bytes(Path("old.~sub")), "[Mine]\r\n");
  EXPECT_TRUE(session.AllUsed());
}

TEST_F(SubstFileTest, OpenOfAMissingFileIsReportedInABox) {
  W().ETP->SetText("7");
  Open(Path("gone.sub"));
  const platform::FileDialogRequest& asked = session.dialogs.file_requests.back();
  EXPECT_EQ(asked.Title, "Open Substance");
  EXPECT_EQ(asked.FileName, "");
  ASSERT_TRUE(log->sink.Has(SubstanceFileMissingId));
  EXPECT_EQ(log->sink.messages.back().level, LevelError);
  EXPECT_EQ(log->sink.messages.back().text, Path("gone.sub") + ": file does not exist");
  ASSERT_EQ(session.dialogs.messages.size(), 1u);
  EXPECT_EQ(session.dialogs.messages[0].caption, "Open Equilibrium File");
  EXPECT_EQ(session.dialogs.messages[0].text, Path("gone.sub") + ": file does not exist");
  EXPECT_EQ(W().ETP->Text(), "7");
}

TEST_F(SubstFileTest, NumbersFromAFileAreBounded) {
  // A hostile file named on the command line: the start-up goes on with the table's own layout.
  const std::string hostile = Write(
      "hostile.sub", "[TableWnd]\r\nLeft=-2000000000\r\nWidth=2000000000\r\nMsgFilter=99999999999\r\n"
                     "grl=77\r\n[Table]\r\nCW00=2000000000\r\nCW01=-5\r\nCW02=140\r\nRH=-3\r\nFontSize=-5\r\n"
                     "[SubstanceHistory]\r\nS0=\r\nS1=N2(g)\r\n");
  Restart({hostile});
  const platform::StringGrid& grid = *W().SGT;
  EXPECT_EQ(grid.ColWidths(0), 44);
  EXPECT_EQ(grid.ColWidths(1), 86);
  EXPECT_EQ(grid.ColWidths(2), 140);
  EXPECT_EQ(grid.DefaultRowHeight(), 18);
  EXPECT_GE(grid.Font().Size, MinTableFontSize);
  EXPECT_EQ(EosType, DefaultEosType);
  ASSERT_EQ(W().CbxSubst->Items().Count(), 1);
  EXPECT_EQ(W().CbxSubst->Items()[0], "N2(g)");
  int width = 196;
  for (int c = 0; c < grid.ColCount(); ++c) width += grid.ColWidths(c);
  EXPECT_EQ(W().Width(), width);
  Frame().SetWidth(1000);
  Run("N2(g)");
}

TEST_F(SubstFileTest, AFailedSaveAtExitIsReportedBeforeTheProgramEnds) {
  // The user settings file cannot be written: a folder stands in its place.
  const std::string user = SettingsStore().UserSettingsFile;
  fs::create_directories(user);
  Frame().MnuSaveByExit->Click();
  session.dialogs.QueueMessageAnswer(platform::mrOk);
  EXPECT_TRUE(Frame().Close());
  EXPECT_TRUE(session.application.terminated);
  ASSERT_TRUE(log->sink.Has(SubstanceSettingsNotSavedId));
  EXPECT_EQ(log->sink.messages.back().text, "The settings could not be saved in " + user);
  ASSERT_FALSE(session.dialogs.messages.empty());
  EXPECT_EQ(session.dialogs.messages.back().caption, "Pure Substance");
  EXPECT_EQ(session.dialogs.messages.back().text, "The settings could not be saved in " + user);
}

TEST_F(SubstFileTest, NothingInsideTheWriterReadsAFile) {
  // While the writer builds its lines no file comes into the cache, not even the old one.
  SettingsReader& store = SettingsStore();
  const std::string old = Write("stale.sub", "[Stale]\r\nkey=1\r\n");
  store.ResetSettingsCache();
  store.SetCachedFileName(old);
  store.FileLines() = {"[Built]"};
  store.WritingMark = true;
  EXPECT_EQ(store.OpenSettingsFile(old), 1);
  EXPECT_EQ(store.OpenSettingsFile(Path("other.sub")), -1);
  EXPECT_EQ(store.FileLines(), std::vector<std::string>{"[Built]"});
  store.WritingMark = false;
  ASSERT_TRUE(WriteSubstanceFile(W(), old));
  EXPECT_FALSE(store.WritingMark);
  const std::string bytes = Bytes(old);
  EXPECT_EQ(bytes.find("Stale"), std::string::npos);
  EXPECT_EQ(Lines(old)[0], "[Information]");
}

}  // namespace
