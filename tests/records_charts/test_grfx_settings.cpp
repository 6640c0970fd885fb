// The chart's settings section "Graphic": written, changed and read back through the settings
// store, in the writer's key order; what each key means on reading, what a missing key leaves,
// and values out of bounds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chart_support.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"

namespace fs = std::filesystem;
using namespace quorel;
using platform::RGB;

namespace {

class ChartSettingsTest : public charttest::ChartFixture {
 protected:
  ChartSettingsTest() {
    dir_ = fs::temp_directory_path() / ("quorel_chart_settings_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    SettingsStore().ResetSettingsCache();
  }
  ~ChartSettingsTest() override {
    SettingsStore().ResetSettingsCache();
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // A settings file with a "Graphic" section of these lines (or none when empty).
  std::string WriteGraphic(const std::string& name, const std::vector<std::string>& keys, const char* section = "Graphic") {
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    out << "[Other]\r\n  Caption=not this\r\n[" << section << "]\r\n";
    for (const std::string& k : keys) out << "  " << k << "\r\n";
    return path;
  }
  void Load(const std::string& path) {
    chart->SettingsFileName = path;
    chart->LoadGraphicSettings();
  }
  // The key names of a file's "Graphic" section in their order.
  std::vector<std::string> KeysOf(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::vector<std::string> keys;
    bool inside = false;
    for (const std::string& line : SplitSettingsLines(s.str())) {
      if (IsSectionHeaderLine(line)) {
        inside = SettingsTrim(line) == "[Graphic]";
        continue;
      }
      if (inside) keys.push_back(SettingsTrim(line.substr(0, line.find('='))));
    }
    return keys;
  }
  fs::path dir_;
};

TEST_F(ChartSettingsTest, WrittenChangedAndReadBack) {
  TGrfWnd& w = *chart;
  ShowSeries(7, "CO2");
  ShowSeries(12, "H2O");
  w.Series[7].colour = RGB(1, 2, 3);
  w.Series[7].penWidth = 2;
  w.Series[7].style = 0;
  w.Series[12].checkBox->SetChecked(false);
  w.Series[12].shown = 0;
  w.Series[12].penWidth = 1;
  w.Axis[0] = ChartAxis{true, true, 3, 0, std::log(1000.0), "T [K]"};
  w.Axis[3] = ChartAxis{true, false, 9, 5, 50, "S"};
  w.Axis[5].include = true;
  AxisScaleExponent[3] = 3;
  AxisScaleFactor[3] = 1000;
  w.GrafBG = RGB(9, 8, 7);
  w.GrafFntCol = RGB(0, 0, 90);
  w.PopToolBar->SetChecked(false);
  w.ChartFont.Size = 11;
  w.ChartFont.Bold = true;
  w.PnlVarbox->SetWidth(150);
  w.Series[0].style = 1;
  const std::string path = Path("chart.usr");
  w.SettingsFileName = path;
  w.MnuSaveNowClick(w.MnuSaveNow);

  std::vector<std::string> expected = {"FontName", "FontSize", "FontColor", "FontStyle", "GbxWidth", "Style",
                                       "GrafBG", "GrafFrame", "GrafScale", "GrafFG", "GrafFntCol", "GrafPenWidth",
                                       "ToolBars", "StatusBar", "VariableBox", "sv07", "cl07", "gpw07", "gfs07",
                                       "sv12", "cl12", "gpw12", "gfs12", "grf0fxa", "grf0fxe", "grf0dx",
                                       "grf0LogX", "grf0vx"};
  for (int n = 1; n <= 8; ++n)
    for (const char* k : {"fya", "fye", "dy", "sw", "vy", "ex10", "LogY"}) expected.push_back("grf" + std::to_string(n) + k);
  expected.push_back("xTime");
  expected.push_back("FollowTime");
  EXPECT_EQ(KeysOf(path), expected);
  SettingsReader& store = SettingsStore();
  ASSERT_EQ(store.OpenSettingsFile(path), 1);
  ASSERT_GT(store.SelectSection("Graphic"), 0);
  EXPECT_EQ(store.GetKeyValue("cl07"), std::to_string(RGB(1, 2, 3)));
  EXPECT_EQ(store.GetKeyValue("gpw07"), "2");
  EXPECT_EQ(store.GetKeyValue("gfs07"), "0");
  EXPECT_EQ(store.GetKeyValue("sv07"), "1");
  EXPECT_EQ(store.GetKeyValue("sv12"), "0");
  EXPECT_EQ(store.GetKeyValue("grf3ex10"), "3");
  EXPECT_EQ(store.GetKeyValue("grf0LogX"), "1");
  EXPECT_EQ(store.GetKeyValue("ToolBars"), "0");
  EXPECT_EQ(store.GetKeyValue("grf3fye"), FloatToFullText(50));

  // Changed in every respect ...
  w.HideSeries(0);
  w.Series[7] = ChartSeries{RGB(200, 200, 200), 1, 1, 3, w.Series[7].checkBox, 0};
  w.Axis[0] = ChartAxis{true, false, 5, 300, 800, "X"};
  w.Axis[3] = ChartAxis{false, true, 2, 1, 2, "other"};
  w.Axis[5].include = false;
  AxisScaleExponent[3] = 0;
  AxisScaleFactor[3] = 1;
  w.GrafBG = platform::clWhite;
  w.PopToolBar->SetChecked(true);
  w.ChartFont.Size = 8;
  w.ChartFont.Bold = false;
  w.PnlVarbox->SetWidth(100);
  // ... and read back.
  Load(path);
  EXPECT_EQ(w.Series[7].colour, RGB(1, 2, 3));
  EXPECT_EQ(w.Series[7].penWidth, 2);
  EXPECT_TRUE(w.Series[7].checkBox->Font().Bold);
  EXPECT_EQ(w.Series[7].checkBox->Font().Color, RGB(1, 2, 3));
  EXPECT_EQ(w.Series[7].style, 0);
  EXPECT_EQ(w.Series[7].shown, 1);
  EXPECT_TRUE(w.Series[7].checkBox->Checked());
  EXPECT_TRUE(w.Series[7].checkBox->Visible());
  EXPECT_EQ(w.Series[12].shown, 0);
  EXPECT_EQ(w.Series[12].penWidth, 1);
  EXPECT_TRUE(w.Axis[0].log);
  EXPECT_EQ(w.Axis[0].tiles, 3);
  EXPECT_DOUBLE_EQ(w.Axis[0].to, std::log(1000.0));
  EXPECT_EQ(w.Axis[0].name, "T [K]");
  EXPECT_TRUE(w.Axis[3].include);
  EXPECT_FALSE(w.Axis[3].log);
  EXPECT_EQ(w.Axis[3].from, 5);
  EXPECT_EQ(w.Axis[3].to, 50);
  EXPECT_EQ(w.AxisRange[3], 45);
  EXPECT_EQ(w.Axis[3].name, "S");
  EXPECT_TRUE(w.Axis[5].include);
  EXPECT_EQ(AxisScaleExponent[3], 3);
  EXPECT_EQ(AxisScaleFactor[3], 1000.0);
  EXPECT_EQ(w.GrafBG, RGB(9, 8, 7));
  EXPECT_EQ(w.GbxY[3]->Color(), w.GrafFG);
  EXPECT_FALSE(w.PopToolBar->Checked());
  EXPECT_FALSE(w.MnuLayToolBar->Checked());
  EXPECT_FALSE(w.ToolBar1->Visible());
  EXPECT_EQ(w.ChartFont.Size, 11);
  EXPECT_TRUE(w.ChartFont.Bold);
  EXPECT_EQ(w.ChartFont.Color, RGB(0, 0, 90));  // the text colour wins
  EXPECT_EQ(w.PnlVarbox->Width(), 150);
  // The title of Y3 carries its scale (combo item 4) once a series shows on it.
  ShowSeries(21);
  Draw(600, 400);
  bool title = false;
  for (const auto& t : chart->texts) title |= t.text == "S x 1 000";
  EXPECT_TRUE(title);
  AxisScaleExponent[3] = 0;
  AxisScaleFactor[3] = 1;
}

TEST_F(ChartSettingsTest, KeysThatAreAbsentOrOld) {
  TGrfWnd& w = *chart;
  ShowSeries(1, "a");
  ShowSeries(2, "b");
  w.Series[2].checkBox->SetChecked(false);
  w.Series[2].shown = 0;
  w.Series[1].style = 0;
  w.Series[2].style = 0;
  w.ChartCaption = "old caption";
  // No sv, no gpw keys; gfs01 "1", gfs02 absent; the older X log key; PenWidth for new series.
  Load(WriteGraphic("a.sys", {"Xvar=T/K", "gfs01=1", "ln0=1", "PenWidth=2", "GrafPenWidth=3", "Style=0"}));
  EXPECT_EQ(w.ChartCaption, "");  // always taken
  EXPECT_EQ(w.XVariableText, "T/K");
  EXPECT_EQ(w.Series[1].shown, 1);
  EXPECT_EQ(w.Series[2].shown, 0);
  EXPECT_EQ(w.Series[1].penWidth, 2);
  EXPECT_EQ(w.Series[2].penWidth, 2);
  EXPECT_TRUE(w.Series[2].checkBox->Font().Bold);
  EXPECT_EQ(w.Series[1].style, 1);
  EXPECT_EQ(w.Series[2].style, 1);  // absent: line
  EXPECT_TRUE(w.Axis[0].log);
  EXPECT_EQ(w.FramePenWidth, 1);  // GrafPenWidth is not read
  EXPECT_EQ(w.Series[0].penWidth, 2);
  EXPECT_EQ(w.Series[0].style, 0);
  EXPECT_TRUE(w.MnuStylePoint->Checked());
  EXPECT_FALSE(w.MnuStyleLine->Checked());
  EXPECT_EQ(w.Series[50].style, 0);  // the default style went to every series
  // A new series is bold with PenWidth 2.
  w.ShowSeriesCheckBox(3, "c");
  EXPECT_EQ(w.Series[3].penWidth, 2);
  EXPECT_TRUE(w.Series[3].checkBox->Font().Bold);
  // gfs "0": point; grf0LogX after ln0 wins; no AutoFormat: the button stays down (auto size
  // is on from the start), AutoFormat=0 sets it up.
  w.BtnGraFit->SetDown(true);
  Load(WriteGraphic("b.sys", {"gfs01=0", "ln0=1", "grf0LogX=0", "sv02=1", "gpw01=1"}));
  EXPECT_EQ(w.Series[1].style, 0);
  EXPECT_FALSE(w.Axis[0].log);
  EXPECT_EQ(w.Series[2].shown, 1);
  EXPECT_TRUE(w.Series[2].checkBox->Checked());
  EXPECT_EQ(w.Series[1].penWidth, 1);
  EXPECT_TRUE(w.BtnGraFit->Down());
  Load(WriteGraphic("b0.sys", {"AutoFormat=0"}));
  EXPECT_FALSE(w.BtnGraFit->Down());
  Load(WriteGraphic("c.sys", {"AutoFormat=1"}));
  EXPECT_TRUE(w.BtnGraFit->Down());
  EXPECT_TRUE(para->Cbas0->Visible());  // the format dialog's Auto Size boxes follow
  EXPECT_TRUE(para->AutoSizeBox[1]->Visible());
  EXPECT_TRUE(para->AutoSizeBox[1]->Checked());   // Y1 included
  EXPECT_FALSE(para->AutoSizeBox[2]->Checked());  // Y2 not
}

TEST_F(ChartSettingsTest, TimeKeysAreReadOnlyOnATimeAxis) {
  TGrfWnd& w = *chart;
  const std::string path = WriteGraphic("t.sys", {"xTime=60", "FollowTime=1"});
  Load(path);
  EXPECT_EQ(w.xTime, 0);
  EXPECT_FALSE(w.PopFollowTime->Visible());
  w.xTime = 3600;
  w.ApplyTimeUnit();
  EXPECT_EQ(w.Axis[0].name, "t [h]");
  EXPECT_TRUE(w.PopFollowTime->Visible());
  Load(path);
  EXPECT_EQ(w.xTime, 60);
  EXPECT_TRUE(w.PopFollowTime->Checked());
  EXPECT_EQ(w.Axis[0].name, "t [min]");
  w.xTime = 7;
  w.ApplyTimeUnit();
  EXPECT_EQ(w.Axis[0].name, "t ");
  w.xTime = -1;
  w.ApplyTimeUnit();
  EXPECT_FALSE(w.PopFollowTime->Visible());
  EXPECT_FALSE(w.PopFollowTime->Checked());
}

TEST_F(ChartSettingsTest, AMissingFileStopsTheReaderAndSectionlessFilesStillRefresh) {
  TGrfWnd& w = *chart;
  Load(WriteGraphic("first.sys", {"Caption=first", "grf1fye=500"}));
  EXPECT_EQ(w.ChartCaption, "first");
  EXPECT_EQ(w.AxisRange[1], 500);
  // A missing file: nothing of the file read before is applied, and no final refresh.
  w.ChartCaption = "mine";
  w.Axis[1].to = 300;
  w.xTime = 60;
  Load(Path("missing.sys"));
  EXPECT_EQ(w.ChartCaption, "mine");
  EXPECT_EQ(w.AxisRange[1], 500);
  EXPECT_EQ(w.Axis[0].name, "X [T]");
  // A file without the section: the refresh still runs.
  Load(WriteGraphic("other.sys", {"Caption=not mine"}, "Elsewhere"));
  EXPECT_EQ(w.ChartCaption, "mine");
  EXPECT_EQ(w.AxisRange[1], 300);
  EXPECT_EQ(w.Axis[0].name, "t [min]");
  // An empty name reads "Graphic.ini" of the program folder.
  w.SettingsFileName.clear();
  w.LoadGraphicSettings();
  EXPECT_EQ(w.SettingsFileName, ExpandProgramPath("", "Graphic.ini"));
}

TEST_F(ChartSettingsTest, ValuesOutOfBoundsAreIgnored) {
  TGrfWnd& w = *chart;
  // 2e9 tiles would run the label and grid loops for ever; 10^400 is infinite.
  Load(WriteGraphic("bad.sys", {"grf0dx=2000000000", "grf1dy=0", "grf2dy=1001", "grf3dy=1000", "grf1ex10=400",
                                "grf2ex10=4", "grf3ex10=-9", "PenWidth=3", "grf4fya=abc"}));
  EXPECT_EQ(w.Axis[0].tiles, 5);
  EXPECT_EQ(w.Axis[1].tiles, 10);
  EXPECT_EQ(w.Axis[2].tiles, 10);
  EXPECT_EQ(w.Axis[3].tiles, 1000);
  EXPECT_EQ(AxisScaleExponent[1], 0);
  EXPECT_EQ(AxisScaleFactor[1], 1.0);
  EXPECT_EQ(AxisScaleExponent[2], 0);
  EXPECT_EQ(AxisScaleExponent[3], -9);
  EXPECT_DOUBLE_EQ(AxisScaleFactor[3], 1e-9);
  EXPECT_EQ(w.Series[0].penWidth, 1);
  EXPECT_EQ(w.Axis[4].from, 0);  // unreadable text reads 0
  // With a hidden scale list the exponent is not read.
  para->ScaleCombo[3]->SetVisible(false);
  Load(WriteGraphic("hidden.sys", {"grf3ex10=6"}));
  EXPECT_EQ(AxisScaleExponent[3], 0);
  EXPECT_EQ(AxisScaleFactor[3], 1.0);
  Draw(600, 400);  // and a chart of 1000 tiles is drawn
}

TEST_F(ChartSettingsTest, AColourOutOfRangeKeepsItsDefaultIsSaidAndReadsBackTheSame) {
  TGrfWnd& w = *chart;
  ShowSeries(1, "a");
  ShowSeries(2, "b");
  ShowSeries(3, "c");
  struct Case {
    const char* key;
    const char* value;
    platform::TColor TGrfWnd::*colour;
  } outOfRange[] = {
      {"GrafBG", "-1", &TGrfWnd::GrafBG},
      {"GrafFrame", "4294967295", &TGrfWnd::GrafFrame},
      {"GrafScale", "2147483648", &TGrfWnd::GrafScale},
      {"GrafFG", "-16777216", &TGrfWnd::GrafFG},
      {"GrafFntCol", "99999999999999999999", &TGrfWnd::GrafFntCol},
  };
  std::vector<std::string> keys = {"cl01=-1", "cl02=2147483647", "cl03=abc"};
  for (const Case& c : outOfRange) keys.push_back(std::string(c.key) + "=" + c.value);
  const platform::TColor series1 = w.Series[1].colour;
  std::vector<platform::TColor> defaults;
  for (const Case& c : outOfRange) defaults.push_back(w.*c.colour);
  const std::string path = WriteGraphic("colours.sys", keys);
  Load(path);
  for (std::size_t i = 0; i < std::size(outOfRange); ++i) {
    const Case& c = outOfRange[i];
    SCOPED_TRACE(c.key);
    EXPECT_EQ(w.*c.colour, defaults[i]);
    const std::string said = path + ": " + c.key + "=" + c.value + " is no colour, " +
                             std::to_string(defaults[i]) + " is kept";
    bool found = false;
    for (const LoggedMessage& m : log.sink.messages)
      found |= m.id == ChartColourOutOfRangeId && m.level == LevelCritical && m.text == said;
    EXPECT_TRUE(found) << said;
  }
  EXPECT_EQ(w.Series[1].colour, series1);
  EXPECT_TRUE(log.sink.Has(ChartColourOutOfRangeId));
  EXPECT_EQ(w.Series[2].colour, 2147483647u);  // the largest that fits is taken
  EXPECT_EQ(w.Series[3].colour, 0u);           // text that is no number reads 0
  // Written, read and written again: the same bytes, every colour a number that reads back.
  w.SettingsFileName = Path("first.usr");
  w.MnuSaveNowClick(w.MnuSaveNow);
  log.sink.Clear();
  Load(Path("first.usr"));
  EXPECT_FALSE(log.sink.Has(ChartColourOutOfRangeId));
  w.SettingsFileName = Path("second.usr");
  w.MnuSaveNowClick(w.MnuSaveNow);
  auto bytes = [](const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  EXPECT_EQ(bytes(Path("first.usr")), bytes(Path("second.usr")));
  EXPECT_NE(bytes(Path("first.usr")).find("cl01=" + std::to_string(series1) + "\r\n"), std::string::npos);
}

TEST_F(ChartSettingsTest, WithoutASenderTheCallerOpensAndSavesTheFile) {
  // As the main window's "Save Now" does: its own lines first, then the chart's section.
  SettingsReader& store = SettingsStore();
  const std::string path = Path("user.usr");
  store.ResetSettingsCache();
  store.SetCachedFileName(path);
  store.FileLines() = {"[MainWnd]", "  T=25"};
  chart->SettingsFileName = path;
  chart->MnuSaveNowClick(nullptr);
  EXPECT_FALSE(fs::exists(path));
  ASSERT_EQ(store.SaveSettingsFile(path), 1);
  const std::vector<std::string> keys = KeysOf(path);
  ASSERT_FALSE(keys.empty());
  EXPECT_EQ(keys.front(), "FontName");
  EXPECT_EQ(keys.back(), "FollowTime");
  // Pages without their tab are not written.
  chart->LayoutAxisGroups(0b101, true);
  chart->SettingsFileName = Path("fresh.usr");
  chart->MnuSaveNowClick(chart->MnuSaveNow);
  const std::vector<std::string> again = KeysOf(Path("fresh.usr"));
  EXPECT_NE(std::find(again.begin(), again.end(), "grf1fya"), again.end());
  EXPECT_EQ(std::find(again.begin(), again.end(), "grf2fya"), again.end());
  EXPECT_NE(std::find(again.begin(), again.end(), "grf3fya"), again.end());
  EXPECT_EQ(std::find(again.begin(), again.end(), "grf4fya"), again.end());
  // The placement is written only by a chart that is no MDI child.
  EXPECT_EQ(std::find(again.begin(), again.end(), "Left"), again.end());
}

}  // namespace

// A chart font size no chart can draw (tens of thousands of points, or below 0) takes the
// nearest bound, names the key in the log, and the texts are drawn in it.
TEST_F(ChartSettingsTest, AFontSizeOutOfRangeTakesTheNearestBoundAndIsSaid) {
  TGrfWnd& w = *chart;
  struct Case {
    const char* section;
    const char* size;
    int bound;
  };
  for (const Case& c : {Case{"Graphic", "60000", ChartMaxFontSize}, Case{"Graphic", "-5", ChartMinFontSize},
                        Case{"TableWnd", "60000", ChartMaxFontSize}}) {
    SCOPED_TRACE(std::string(c.section) + " " + c.size);
    log.sink.Clear();
    w.ChartFont.Size = 10;
    w.SettingsSectionName = c.section;
    const std::string path = WriteGraphic(std::string(c.section) + c.size + ".ini", {std::string("FontSize=") + c.size}, c.section);
    Load(path);
    EXPECT_EQ(w.ChartFont.Size, c.bound);
    const std::string said = path + ": FontSize=" + c.size + " is outside 4..72, " + std::to_string(c.bound) + " is taken";
    bool found = false;
    for (const LoggedMessage& m : log.sink.messages) found |= m.id == ChartFontSizeOutOfRangeId && m.text == said;
    EXPECT_TRUE(found) << said;
    // The texts are drawn: the scale labels and titles have their boxes.
    w.FBox->SetBounds(0, 0, 600, 400);
    w.MnuUpdateClick(w.MnuUpdate);
    EXPECT_FALSE(w.TextBoxes.empty());
    for (const auto& t : w.TextBoxes) EXPECT_GT(t.box.Right - t.box.Left, 0) << t.text;
  }
  w.SettingsSectionName = "Graphic";
  // A size inside the range is taken as it is, without a word.
  log.sink.Clear();
  Load(WriteGraphic("ok.ini", {"FontSize=12"}));
  EXPECT_EQ(w.ChartFont.Size, 12);
  EXPECT_FALSE(log.sink.Has(ChartFontSizeOutOfRangeId));
}
