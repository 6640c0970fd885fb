// The pure-substance file: one writer and one reader of the ".sub" file that Table>"Save" and
// Table>"Open" handle and of the user settings file that the start-up reads and the exit
// writes, and the two file commands.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/Services.h"
#include "platform/System.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"
#include "shared/Info.h"
#include "shared/PTools.h"
#include "shared/TDynOprt.h"

namespace quorel {

namespace {

constexpr int kHistoryKeys = 32;  // S0..S31
const char* const kFileFilter = "Substance (*.sub)|*.sub|  All Files (*)|*.*";

std::string Flag(bool on) { return on ? "1" : "0"; }

std::string HexColour(platform::TColor c) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(c));
  return text;
}

std::string FileNameOfPath(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A number the user typed into an edit; false for anything else.
bool EditNumber(const platform::Edit* edit, double& value) {
  return TryTextToDouble(Trim(edit->Text()), value) && std::isfinite(value);
}

// Sets the writing mark for the time a file is built from nothing.
class WritingScope {
 public:
  explicit WritingScope(SettingsReader& store) : store_(store) { store_.WritingMark = true; }
  ~WritingScope() { store_.WritingMark = false; }
  WritingScope(const WritingScope&) = delete;
  WritingScope& operator=(const WritingScope&) = delete;

 private:
  SettingsReader& store_;
};

// The table layout from section Table, with the widths, the row height and the font size held
// to what a table can show: a value outside keeps what the table had.
void ReadTableLayout(TPSubstWnd& w, SettingsReader& store) {
  platform::StringGrid& grid = *w.SGT;
  std::vector<int> widths;
  for (int c = 0; c < grid.ColCount(); ++c) widths.push_back(grid.ColWidths(c));
  const int rowHeight = grid.DefaultRowHeight();
  store.ReadGridLayout(&grid, "Table");
  for (int c = 0; c < grid.ColCount(); ++c)
    if (grid.ColWidths(c) > MaxTableColumnWidth) grid.SetColWidths(c, widths[static_cast<std::size_t>(c)]);
  if (grid.DefaultRowHeight() > MaxTableRowHeight) grid.SetDefaultRowHeight(rowHeight);

  platform::FontInfo font = grid.Font();
  const int size = font.Size;
  store.ReadFontSettings(font, "Table");
  if (font.Size < MinTableFontSize || font.Size > MaxTableFontSize) font.Size = size;
  grid.SetFont(font);
  w.MnuFontClick(nullptr);  // the key and the substance list take the face and size

  store.SelectSection("Table");
  const std::string colour = store.GetKeyValue("Color");
  if (!colour.empty())
    grid.SetColor(colour.rfind("0x", 0) == 0 ? static_cast<platform::TColor>(HexToInt(colour))
                                             : static_cast<platform::TColor>(TextToInt(colour)));
}

// A value of a number key: false for an empty one; one that is no finite number is named in
// the log and gives false, so what it would set keeps its value.
bool NumberKey(const std::string& path, const char* key, const std::string& value, bool integer) {
  if (value.empty()) return false;
  const std::string text = Trim(value);
  double number = 0;
  int whole = 0;
  if (integer ? TryTextToInt(text, whole) : TryTextToDouble(text, number) && std::isfinite(number)) return true;
  PostLogMessage(LevelCritical, SubstanceFileNumberIgnoredId,
                 path + ": " + key + "=" + value + " is not a valid number; " + key + " is not read");
  return false;
}

// Section TableWnd into the window, in the order the settings depend on each other. A key
// missing from a whole file takes its default (files of older versions lack keys); a key
// missing from a section the file was cut short in is not read: what it sets keeps its value.
void ReadTableWindowSection(TPSubstWnd& w, SettingsReader& store, const std::string& path, bool cut) {
  auto key = [&store](const char* name) { return store.GetKeyValue(name); };
  auto given = [&store, cut](const char* name) { return !cut || !store.GetKeyValue(name).empty(); };
  // The mode and unit the edits' texts are in before the file is read.
  const int modeBefore = w.CbxTP->ItemIndex();
  const bool celsiusBefore = w.MnuTempC->Checked();
  if (MdiMainWnd) {
    if (given("SaveByExit")) MdiMainWnd->MnuSaveByExit->SetChecked(key("SaveByExit") == "1");
    if (key("Maximized") == "1" || given("Height")) store.ReadFormPlacement(MdiMainWnd, "TableWnd");
    store.SelectSection("TableWnd");
  }
  const std::string substance = key("LSubstance");
  if (!substance.empty()) w.CbxSubst->SetText(substance);
  if (given("CopyMode"))
    w.MnuCopyModeTextClick(key("CopyMode") == "HTML" ? w.MnuCopyModeHtml : w.MnuCopyModeText);
  const std::string filter = key("MsgFilter");
  if (NumberKey(path, "MsgFilter", filter, true) && AplMsgWnd) AplMsgWnd->SetFilter(TextToInt(filter));
  // The unit menus take their checks without a calculation.
  if (given("Mass")) {
    const std::string mass = key("Mass");
    platform::MenuItem* massItem = mass == "g" ? w.MnuGram : mass == "kg" ? w.MnuKg : w.MnuMol;
    for (platform::MenuItem* item : {w.MnuMol, w.MnuGram, w.MnuKg}) item->SetChecked(item == massItem);
  }
  if (given("Energy")) {
    const bool kJ = key("Energy") == "kJ";
    w.MnuEkJ->SetChecked(kJ);
    w.MnuEJ->SetChecked(!kJ);
  }
  if (given("ConstIdx")) w.CbxTP->SetItemIndex(key("ConstIdx") == "1" ? 1 : 0);
  // The window's box and the Behaviour window's hidden one are one flag.
  if (given("Extrapolation")) {
    w.CBex->SetChecked(key("Extrapolation") == "1");
    w.CBexClick(nullptr);
  }
  const bool celsius = given("Temp") ? key("Temp") == "C" : w.MnuTempC->Checked();
  w.MnuTempC->SetChecked(celsius);
  w.MnuTempK->SetChecked(!celsius);
  w.TemperatureOffset = celsius ? 273.15 : 0;
  w.UnitText = celsius ? " [C]" : " [K]";
  if (given("Vol")) {
    const bool inverse = key("Vol") == "1/V";
    w.MnuVolInv->SetChecked(inverse);
    w.MnuVol->SetChecked(!inverse);
  }
  // The mode as the combo's text names it; without the key, as ConstIdx chose.
  const std::string tp = key("CbxTP");
  if (!tp.empty()) w.CbxTP->SetItemIndex(tp.find("bar") != std::string::npos ? 0 : 1);
  // The equation of state the table was computed with.
  int eos = -1;
  if (NumberKey(path, "grl", key("grl"), true) && TryTextToInt(key("grl"), eos) && eos >= 0 && eos < EosTypeCount) {
    EosType = eos;
    if (TDynOprtWnd && eos < TDynOprtWnd->RGgrl->Items().Count()) TDynOprtWnd->RGgrl->SetItemIndex(eos);
  }
  platform::Edit* const edits[4] = {w.ETP, w.EditV1, w.EditdV, w.EditV2};
  const char* const editKeys[4] = {"ETP", "V1", "dV", "V2"};
  bool read[4] = {};
  for (int i = 0; i < 4; ++i) {
    const std::string text = key(editKeys[i]);
    read[i] = NumberKey(path, editKeys[i], text, false);
    if (read[i]) edits[i]->SetText(text);
  }

  // Labels and items for the unit; the edits stay as the file gave them. An edit the file gave
  // no number for keeps its text while the mode and unit stay; where they changed, it shows the
  // window's own value in the file's mode and unit.
  std::string typed[4];
  for (int i = 0; i < 4; ++i) typed[i] = edits[i]->Text();
  w.TemperatureClick(nullptr);
  const double offset = w.TemperatureOffset;
  const double own[4] = {w.CbxTP->ItemIndex() == 1 ? w.CurrentT - offset : w.ConstP,
                         w.CbxTP->ItemIndex() == 1 ? w.P1 : w.T1 - offset,
                         w.CbxTP->ItemIndex() == 1 ? w.dP : w.dT,
                         w.CbxTP->ItemIndex() == 1 ? w.P2 : w.T2 - offset};
  const bool sameUnits = w.CbxTP->ItemIndex() == modeBefore && w.MnuTempC->Checked() == celsiusBefore;
  for (int i = 0; i < 4; ++i) edits[i]->SetText(read[i] || sameUnits ? typed[i] : FloatToShortText(own[i]));
  SetTableHeaders(w);  // the headers in the form the unit menus give them
  // The stored range values follow the edits, so switching the mode refills them alike.
  double v = 0;
  if (w.CbxTP->ItemIndex() == 1) {
    if (EditNumber(w.ETP, v)) w.CurrentT = v + w.TemperatureOffset;
    if (EditNumber(w.EditV1, v)) w.P1 = v;
    if (EditNumber(w.EditdV, v)) w.dP = v;
    if (EditNumber(w.EditV2, v)) w.P2 = v;
  } else {
    if (EditNumber(w.ETP, v)) w.ConstP = v;
    if (EditNumber(w.EditV1, v)) w.T1 = v + w.TemperatureOffset;
    if (EditNumber(w.EditdV, v)) w.dT = v;
    if (EditNumber(w.EditV2, v)) w.T2 = v + w.TemperatureOffset;
  }

  ReadTableLayout(w, store);

  if (store.SelectSection("SubstanceHistory") > 0) {
    const std::string text = w.CbxSubst->Text();
    platform::Strings& items = w.CbxSubst->Items();
    items.Clear();
    for (int i = 0; i < kHistoryKeys; ++i) {
      const std::string item = store.GetKeyValue("S" + std::to_string(i));
      if (!item.empty()) items.Add(item);
    }
    w.CbxSubst->SetText(text);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writer

bool WriteSubstanceFile(TPSubstWnd& w, const std::string& path) {
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  store.SetCachedFileName(path);
  {
    WritingScope writing(store);
    std::string aboutLine;
    if (InfoDlg && InfoDlg->Memo1->Lines().Count() > 0) aboutLine = InfoDlg->Memo1->Lines()[0];
    const bool table = ChartShowsTable();
    store.FileLines() = {"[Information]",
                         "  Created by Quorel - Pure Substance",
                         "  " + FileNameOfPath(platform::Application().ProgramPath()),
                         "  " + aboutLine,
                         "[System]",
                         "  Graphic=" + Flag(table)};

    store.SelectSection("TableWnd");
    if (MdiMainWnd) store.WriteFormPlacement(MdiMainWnd, "TableWnd");
    auto set = [&store](const char* key, const std::string& value) { store.SetKeyValue(key, value); };
    set("ConstIdx", std::to_string(std::max(w.CbxTP->ItemIndex(), 0)));
    set("Temp", w.MnuTempC->Checked() ? "C" : "K");
    set("Vol", w.MnuVolInv->Checked() ? "1/V" : "V");
    set("SaveByExit", Flag(MdiMainWnd && MdiMainWnd->MnuSaveByExit->Checked()));
    if (TableToolkit().HtmlCopyMode) set("CopyMode", "HTML");
    set("MsgFilter", std::to_string(AplMsgWnd ? AplMsgWnd->Filter() : int(LevelImportant)));
    set("Energy", w.EnergyUnit());
    set("Mass", w.AmountUnit());
    set("CbxTP", w.CbxTP->Text());
    set("ETP", w.ETP->Text());
    set("V1", w.EditV1->Text());
    set("dV", w.EditdV->Text());
    set("V2", w.EditV2->Text());
    set("SGColor", std::to_string(static_cast<unsigned long long>(w.SGT->Color())));
    set("LSubstance", w.CbxSubst->Text());
    set("grl", std::to_string(EosType));
    set("Extrapolation", Flag(w.CBex->Checked()));
    set("GrfSrc", Flag(table));
    store.WriteSection("TableWnd");

    store.SelectSection("SubstanceHistory");
    store.SectionLines() = {"[SubstanceHistory]"};
    const platform::Strings& history = w.CbxSubst->Items();
    for (int i = 0; i < kHistoryKeys && i < history.Count(); ++i) store.SetKeyValue("S" + std::to_string(i), history[i]);
    store.WriteSection("SubstanceHistory");

    store.WriteGridLayout(w.SGT, "Table");
    store.WriteFontSettings(w.SGT->Font(), "Table");
    store.SelectSection("Table");
    store.SetKeyValue("Color", HexColour(w.SGT->Color()));
    store.WriteSection("Table");
    // The chart definition: the variables' pages, X, the assignment and the chart's look.
    if (GrfVarDlg) GrfVarDlg->WriteGraphicDefinition(store.FileLines());
  }
  return store.SaveSettingsFile(path) == 1;
}

// ---------------------------------------------------------------------------------------------
// Reader

bool ReadSubstanceFile(TPSubstWnd& w, const std::string& path) {
  SettingsReader& store = SettingsStore();
  // A missing file is no file: whatever the cache held before is not this file's.
  if (store.OpenSettingsFile(path) != 1) return false;
  const bool substanceFile = LowerExtension(path) == ".sub";
  const bool windowSection = store.SelectSection("TableWnd") > 0;
  // A file opened by the user that holds no set-up (another file, random bytes, one cut short
  // before it) is not read: the window and its table stay as they are.
  if (!windowSection && path != store.UserSettingsFile) {
    PostLogMessage(LevelCritical, SubstanceFileRefusedId,
                   path + ": no section [TableWnd] of a substance window in the file; it is not read");
    return false;
  }
  // Cut short after the set-up began: the line the file ends inside is not read (its value may
  // be cut: "V2=2000" cut to "V2=2"), what was read before it is kept, and what the missing
  // keys set keeps its value.
  const std::string cutIn = windowSection ? store.CutShortSection() : std::string();
  if (!cutIn.empty()) {
    const std::string cutKey = store.CutLineKey();
    PostLogMessage(LevelCritical, SubstanceFileCutShortId,
                   cutKey.empty() ? path + ": the file ends inside section [" + cutIn + "]; what is missing keeps its value"
                                  : path + ": the file ends inside the line of " + cutKey + " in section [" + cutIn +
                                        "]; " + cutKey + " and what is missing after it are not read");
  }
  std::string chartSource;
  if (windowSection) {
    chartSource = store.GetKeyValue("GrfSrc");
    ReadTableWindowSection(w, store, path, cutIn == "TableWnd");
  }
  w.EnergyFactor = w.MnuEkJ->Checked() ? 0.001 : 1.0;

  // No results come with a file: the table of the substance before is gone.
  w.EmptyTable();
  w.Calculated = false;
  // The captions name the file's substance, as a run of it would.
  if (substanceFile) {
    std::string key;
    for (char c : w.CbxSubst->Text())
      if (c != ' ') key += c;
    w.ShowSubstanceCaptions(key);
  }

  if (substanceFile && GrfWnd) {
    TGrfWnd& chart = *GrfWnd;
    chart.SettingsFileName = path;
    // In batch mode the chart stays off the table (the batch owns the table).
    const bool table = chartSource == "1" && !w.BatchMode;
    if ((chartSource == "1" || chartSource == "0") && table != ChartShowsTable()) {
      chart.MnuGrfSrc->SetChecked(table);
      w.MnuGrfDefsClick(nullptr);
    }
    if (GrfVarDlg && store.OpenSettingsFile(path) == 1) {
      GrfVarDlg->ReadGraphicDefinition();
      if (ChartShowsTable()) GrfVarDlg->ButtonOKClick(nullptr);
    }
    chart.LoadGraphicSettings();
    chart.SettingsFileName = store.UserSettingsFile;
  }
  if (GrfWnd) GrfWnd->MnuUpdateClick(nullptr);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Commands

void TPSubstWnd::MnuSaveClick(platform::Component*) {
  if (!AplStgsWnd) return;
  std::string name;
  for (char c : CbxSubst->Text())
    if (c != ' ' && c != '/') name += c;
  if (name.empty()) name = "Substance";
  platform::SaveDialog& dialog = *AplStgsWnd->SaveDialog1;
  dialog.SetFileName(name + ".sub");
  dialog.SetFilter(kFileFilter);
  dialog.SetFilterIndex(1);
  if (!dialog.Execute()) return;
  std::string path = dialog.FileName();
  if (LowerExtension(path) != ".sub" && dialog.FilterIndex() == 1) path += ".sub";
  if (platform::FileExists(path) &&
      platform::MessageBox(path + " exists replace ?", "Pure Substance", platform::mbYesNo | platform::mbIconQuestion) !=
          platform::mrYes)
    return;
  WriteThroughSubstanceSlot(*this, path);
}

void TPSubstWnd::MnuOpenClick(platform::Component*) {
  if (!AplStgsWnd) return;
  platform::OpenDialog& dialog = *AplStgsWnd->OpenDialog1;
  dialog.SetFileName("");
  dialog.SetFilter(kFileFilter);
  dialog.SetFilterIndex(1);
  dialog.SetTitle("Open Substance");
  if (!dialog.Execute()) return;
  const std::string path = dialog.FileName();
  if (platform::FileExists(path)) {
    ReadThroughSubstanceSlot(*this, path);
    return;
  }
  const std::string text = path + ": file does not exist";
  PostLogMessage(LevelError, SubstanceFileMissingId, text);
  platform::MessageBox(text, "Open Equilibrium File", platform::mbOk | platform::mbIconInformation);
}

}  // namespace quorel
