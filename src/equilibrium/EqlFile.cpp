// Orvanto's system file ".eql": its writer and reader, the file commands of the main window
// (Open, Save, Save as, Reopen, Close, Clear > All Substances) and the flag of unsaved changes.
//
// The file is a settings document (AplStgs.h), written in this order:
//
//   [Information]            three lines: the writer, the program, the about box's first line
//   [System]                 elements, conditions, criteria, the units of every open phase
//   [Gas1] ... [Solid3]      one per open phase: "Desc=" + caption, then every grid row from the
//                            header row on, cells joined by TAB, without leading blanks
//   [Records]                the record table, header row included
//   [RecordDefinition]       the record variables' field grid
//   [CalculationVariable]    the variation grid
//   [GB1]..[GB8] [X] [Assign] [Graphic]   the chart definition
//   [ActivityCoefficients]   the relations (afc.h)
//   [Memo]                   the notes, each line after a "#" (so that no line is empty)
//
// The chart definition is written and read by the chart variables (GrfVars.h); while the file
// is read, the chart takes its look from the file's "[Graphic]" and from the user settings file
// again afterwards.
#include <algorithm>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "equilibrium/CalcVar.h"
#include "equilibrium/Compounds.h"
#include "equilibrium/ElBlnc.h"
#include "equilibrium/EqKernel.h"
#include "equilibrium/EqlMain.h"
#include "equilibrium/RcrdDef.h"
#include "equilibrium/afc.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "records_charts/GrfVars.h"
#include "records_charts/Grfx.h"
#include "records_charts/TablOprt.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/Elements.h"
#include "shared/GridTools.h"
#include "shared/Info.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/TDynOprt.h"

namespace quorel {

using namespace platform;

namespace {

const char kSystemFileFilter[] = "Equilibrium Files (*.eql)|*.eql|  All Files (*)|*.*";
const char kVariationSection[] = "CalculationVariable";

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The amount dimension a header names ("in [kg]" 2); later tests override earlier ones, so
// "[lb" is 3 although it also holds "[l". "³" may come as Windows-1252 or as UTF-8.
int DimensionOfHeader(const std::string& header) {
  static const std::pair<const char*, int> tests[] = {
      {"[g", DimGram}, {"[kg", DimKilogram}, {"[l", DimLitre}, {"[lb", DimPound}, {"[m3", DimCubicMetre},
      {"[m\xB3", DimCubicMetre}, {"[m\xC2\xB3", DimCubicMetre}, {"[ft", DimCubicFoot}, {"[Nm", DimNormalCubicMetre}};
  int code = DimMol;
  for (const auto& [text, value] : tests)
    if (header.find(text) != std::string::npos) code = value;
  return code;
}

int ConcentrationOfHeader(const std::string& header) {
  const std::string h = LowerCase(header);
  int kind = ConcMoleFraction;
  if (h.find('x') != std::string::npos) kind = ConcMoleFraction;
  if (h.find('w') != std::string::npos) kind = ConcMassFraction;
  if (h.find("w%") != std::string::npos) kind = ConcMassPercent;
  return kind;
}

std::string Flag(bool on) { return on ? "1" : "0"; }

// A section whose count key tells how many numbered keys follow it.
struct CountedSection {
  std::string section;
  const char* count;
  std::string (*key)(int n);
};

// What the reader says of a file cut short: the section the file ends inside, and each section
// that holds fewer rows than its count says. Nothing of it stops the read.
void ReportCutShortSections(SettingsReader& store, const std::string& path) {
  const std::string in = store.CutShortSection();
  if (!in.empty())
    PostLogMessage(LevelCritical, SystemFileCutShortId,
                   path + ": the file ends inside section [" + in + "]; what was read stays open");
  std::vector<CountedSection> counted = {
      {"ActivityCoefficients", "Count", [](int n) { return std::to_string(n); }},
      {"RecordVariables", "RC", [](int n) { return (n < 10 ? "R0" : "R") + std::to_string(n); }},
      {kVariationSection, "RC", [](int n) { return "R0" + std::to_string(n); }},
  };
  for (int k = 1; k <= 8; ++k)
    counted.push_back({"GB" + std::to_string(k), "OC", [](int n) { return "Y" + std::to_string(n); }});
  for (const CountedSection& c : counted) {
    if (store.SelectSection(c.section) <= 0) continue;
    const std::unordered_map<std::string, std::string> keys = store.SectionKeyValues();
    const auto found = keys.find(c.count);
    int count = 0;
    if (found == keys.end() || !TryTextToInt(found->second, count) || count <= 0) continue;
    int held = 0;
    while (held < count && keys.count(c.key(held + 1)) > 0) ++held;
    if (held < count)
      PostLogMessage(LevelCritical, SystemFileSectionShortId,
                     path + ": section [" + c.section + "] ends after " + std::to_string(held) + " of the " +
                         std::to_string(count) + " rows its " + c.count + " says");
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writer

int TEqlMainWnd::EqlFileWriter(const std::string& path) {
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  store.SetCachedFileName(path);
  std::vector<std::string>& lines = store.FileLines();

  std::string aboutLine;
  if (InfoDlg && InfoDlg->Memo1->Lines().Count() > 0) aboutLine = InfoDlg->Memo1->Lines()[0];
  lines = {"[Information]", "  Created by Quorel - Equilibrium", "  " + ProgramName(), "  " + aboutLine};

  // [System]
  std::string numbers, symbols;
  if (ElementsDlg)
    for (int e = 0; e <= LastElementIndex() && e < TElementsDlg::kSlots; ++e)
      if (ElementsDlg->Selected(e)) {
        numbers += std::to_string(e) + ",";
        symbols += ElementSymbol(e) + ",";
      }
  if (numbers.empty()) numbers = ",";
  numbers.back() = '.';
  if (!symbols.empty()) symbols.back() = ' ';
  lines.push_back("[System]");
  lines.push_back("  ne=" + numbers);
  lines.push_back("  Elements=" + symbols);
  lines.push_back("  T=" + EditTsys->Text() + (TempInCelsius() ? " ;\xB0" "C" : " ;K "));
  lines.push_back("  PVCont=" + std::to_string(std::max(CbxPV->ItemIndex(), 0)));
  lines.push_back((PVMode != 0 ? "  V=" : "  P=") + EditPVsys->Text());
  lines.push_back("  CalcEnv=" + Flag(MnuAdiabatic->Checked()));
  if (EqlKernel) {
    lines.push_back("  IterStep=" + EqlKernel->EditILimit->Text());
    lines.push_back("  Precision=" + EqlKernel->EditPrec->Text());
    lines.push_back("  IFa=" + EqlKernel->EditApprFactor->Text());
    lines.push_back("  nZero=" + EqlKernel->EdtZero->Text());
  }
  lines.push_back("  Extrapolation=" + Flag(TDynOprtWnd ? TDynOprtWnd->CBExtrapolation->Checked()
                                                      : MnuExtrapolation->Checked()));
  // The equation of state the results were computed with (the same key as in Lunetta's file).
  lines.push_back("  grl=" + std::to_string(EosType));
  if (EqlKernel) {
    lines.push_back("  MaxEntropy=" + Flag(EqlKernel->CBMaxEntropy->Checked()));
    lines.push_back("  AutoCorr=" + Flag(EqlKernel->CBAutoIfa->Checked()));
    lines.push_back("  FastIteration=" + Flag(EqlKernel->CbxFast->Checked()));
  }
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (!PhaseWindow(s)) continue;
    const std::string n = std::to_string(s);
    lines.push_back("  DI" + n + "=" + std::to_string(PhaseDimensionTable.InDimension[s]));
    lines.push_back("  DO" + n + "=" + std::to_string(PhaseDimensionTable.OutDimension[s]));
    lines.push_back("  CC" + n + "=" + std::to_string(PhaseDimensionTable.Concentration[s]));
  }

  // The phases, the records and their definition.
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    TPhaseWnd* w = PhaseWindow(s);
    if (!w) continue;
    lines.push_back("[" + std::string(SlotConstants(s).GridName) + "]");
    lines.push_back("Desc=" + w->Caption());
    AppendGridRows(lines, *w->SGPhase);
  }
  lines.push_back("[Records]");
  if (TablOprtWnd) AppendGridRows(lines, *TablOprtWnd->SGT);
  lines.push_back("[RecordDefinition]");
  if (RcrdDefDlg) AppendGridRows(lines, *RcrdDefDlg->SGR);
  if (CalcVarDlg) CalcVarDlg->SaveVariationSection(lines);
  else lines.push_back("[" + std::string(kVariationSection) + "]");
  if (GrfVarDlg) GrfVarDlg->StoreGraphicDefinition();
  // The relations append their own section to the document.
  if (AfcWnd) AfcWnd->SaveActivityCoefficients();
  lines.push_back("[Memo]");
  if (AplStgsWnd)
    for (int i = 0; i < AplStgsWnd->Memo1->Lines().Count(); ++i) lines.push_back("#" + AplStgsWnd->Memo1->Lines()[i]);

  // A file that could not be written leaves the system as unsaved as it was.
  const int saved = store.SaveSettingsFile(path);
  if (GrfWnd) GrfWnd->SettingsFileName = store.UserSettingsFile;
  if (saved != 1) return -1;
  ShowSystemPath(path);
  SystemChangedFlag = false;
  return 1;
}

// A file of an earlier version has no "grl": it opens under the choice of now.
void TEqlMainWnd::ReadEquationOfState(const std::string& value, const std::string& path) {
  if (value.empty()) return;
  int eos = -1;
  if (!TryTextToInt(Trim(value), eos) || eos < 0 || eos >= EosTypeCount) {
    PostLogMessage(LevelCritical, SystemFileEosUnknownId,
                   path + ": grl=" + value + " names no equation of state; " + std::string(EosCaption(EosType)) + " stays");
    return;
  }
  if (eos == EosType) return;
  SelectEquationOfState(eos);
  PostLogMessage(LevelImportant, SystemFileEosTakenId,
                 path + " was computed with " + std::string(EosCaption(eos)) + ", which is chosen now");
}

void TEqlMainWnd::SelectEquationOfState(int eos) {
  EosType = eos;
  if (TDynOprtWnd && eos < TDynOprtWnd->RGgrl->Items().Count()) TDynOprtWnd->RGgrl->SetItemIndex(eos);
}

void TEqlMainWnd::ShowSystemPath(const std::string& path) {
  CurrentSystemPath = path;
  SetCaption("Equilibrium [" + path + "]");
  Application().SetTitle(FileNameOf(path) + " [Equilibrium ]");
  if (TablOprtWnd) TablOprtWnd->SetCaption("Recorder [" + path + "]");
  if (InfoDlg) InfoDlg->UpdateRecentFiles(path);
}

// ---------------------------------------------------------------------------------------------
// Reader

int TEqlMainWnd::EqlFileReader(const std::string& given) {
  if (ElBalanceDlg && ElBalanceDlg->BalanceOpen) ElBalanceDlg->CloseBalance();
  const std::string path = ExpandProgramPath("", given);
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  // The system open now stays until the file has been read: a missing, unreadable, empty or
  // foreign file changes nothing but the recent files.
  const int opened = store.OpenSettingsFile(path);
  bool system = opened == 1 && store.FindSectionRange("System").first >= 0;
  for (int s = 1; s <= PhaseSlotCount && opened == 1 && !system; ++s)
    system = store.FindSectionRange(SlotConstants(s).GridName).first >= 0;
  if (!system) {
    PostLogMessage(LevelError, SystemFileMissingId,
                   path + (opened == 1 ? ": file holds no equilibrium system" : ": file does not exist"));
    if (InfoDlg) InfoDlg->RemoveRecentFile(path);
    return 0;
  }

  MnuCloseClick(nullptr);
  store.OpenSettingsFile(path);  // the cached lines, unless the file changed meanwhile
  CurrentSystemPath = path;
  ReportCutShortSections(store, path);

  // [System]
  int pvItem = 0;
  if (store.SelectSection("System") > 0) {
    const std::string t = store.GetKeyValue("T");
    if (!t.empty()) {
      MnuTempClick(t.find('C') != std::string::npos ? MnuTempC : MnuTempK);
      EditTsys->SetText(Trim(t.substr(0, t.find(';'))));
    }
    const std::string p = store.GetKeyValue("P");
    if (!p.empty()) EditPVsys->SetText(p);
    const std::string v = store.GetKeyValue("V");
    if (!v.empty()) EditPVsys->SetText(v);
    pvItem = std::max(TextToInt(store.GetKeyValue("PVCont")), 0);
    MnuEnvClick(TextToInt(store.GetKeyValue("CalcEnv")) > 0 ? MnuAdiabatic : MnuIsotherm);
    if (EqlKernel) {
      TEqlKernel& k = *EqlKernel;
      const std::string precision = store.GetKeyValue("Precision");
      if (!precision.empty()) {
        k.EditPrec->SetText(precision);
        k.Criteria.precision = TextToExtended(precision);
      }
      const std::string steps = store.GetKeyValue("IterStep");
      if (!steps.empty()) {
        k.EditILimit->SetText(steps);
        k.Criteria.iterationLimit = TextToInt(steps);
      }
      // The source of the approximation factor before the factor itself, which it would
      // otherwise compute anew.
      const std::string autoFactor = store.GetKeyValue("AutoCorr");
      if (!autoFactor.empty()) {
        k.CBAutoIfa->SetChecked(autoFactor == "1");
        k.EditApprFactor->SetEnabled(!k.CBAutoIfa->Checked());
        k.Criteria.autoApprFactor = k.CBAutoIfa->Checked();
      }
      const std::string factor = store.GetKeyValue("IFa");
      if (!factor.empty()) {
        const double f = TextToDouble(factor);
        k.EditApprFactor->SetText(f > 0 ? factor : std::string("0.98"));
        k.Criteria.approximationFactorField = f > 0 ? f : 0.98;
      }
      const std::string zero = store.GetKeyValue("nZero");
      if (!zero.empty()) {
        const double z = TextToDouble(zero);
        const bool inRange = z >= 0 && z <= 1;
        k.EdtZero->SetText(inRange ? zero : std::string("1e-24"));
        k.Criteria.ignoreThreshold = inRange ? z : 1e-24L;
      }
      const std::string entropy = store.GetKeyValue("MaxEntropy");
      k.CBMaxEntropy->SetChecked(entropy.empty() || entropy == "1");
      k.CbxFast->SetChecked(store.GetKeyValue("FastIteration") == "1");
      k.Criteria.turbulentSystem = k.CBMaxEntropy->Checked();
      k.Criteria.fastIteration = k.CbxFast->Checked();
    }
    const std::string extrapolation = store.GetKeyValue("Extrapolation");
    if (!extrapolation.empty()) {
      MnuExtrapolation->SetChecked(extrapolation == "1");
      if (TDynOprtWnd) TDynOprtWnd->CBExtrapolation->SetChecked(extrapolation == "1");
    }
    ReadEquationOfState(store.GetKeyValue("grl"), path);
    if (ElementsDlg) {
      for (int e = 0; e < TElementsDlg::kSlots; ++e) ElementsDlg->SetSelected(e, false);
      const std::string ne = store.GetKeyValue("ne");
      std::string number;
      for (size_t i = 0; i <= ne.size(); ++i) {
        if (i < ne.size() && ne[i] != ',' && ne[i] != '.') {
          number += ne[i];
          continue;
        }
        int e = 0;
        if (!number.empty() && TryTextToInt(number, e)) {
          if (e >= 0 && e <= LastElementIndex() && e < TElementsDlg::kSlots)
            ElementsDlg->SetSelected(e, true);
          else
            PostLogMessage(LevelCritical, SystemFileElementSkippedId,
                           path + ": element number " + number + " is not in the periodic table");
        }
        number.clear();
      }
      ElementsDlg->CollectSelectedElements();
    }
  }
  const int elements = ElementsDlg ? int(ElementsDlg->SelectedElements.size()) : 0;
  StBar->SetPanelText(0, "Elements:" + std::to_string(elements));

  // The phases.
  std::array<bool, PhaseSlotCount + 1> inFile{};
  std::array<bool, PhaseSlotCount + 1> openedHere{};
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (store.SelectSection(SlotConstants(s).GridName) <= 1) continue;
    const std::vector<std::string> section = store.SectionLines();
    const std::string caption = store.GetKeyValue("Desc");
    inFile[s] = true;
    openedHere[s] = !PhaseWindow(s);
    CreatePhaseWindow(s);
    TPhaseWnd& w = *PhaseWindow(s);
    w.SetCaption(caption.empty() ? SlotConstants(s).Caption : caption);
    size_t first = 1;
    if (section.size() > 1 && SettingsTrim(section[1]).starts_with("Desc=")) first = 2;
    StringGrid& g = *w.SGPhase;
    g.SetRowCount(2);
    ClearGridRange(0, 0, g);
    if (ListToGrid({section.begin() + std::ptrdiff_t(first), section.end()}, g, true, false))
      ReportGridCapped(path + " [" + SlotConstants(s).GridName + "]");
    PhaseSlotTable[s].RowCount = g.RowCount() - 1;
    int in = DimensionOfHeader(g.Cells(ColIn, 0));
    int out = DimensionOfHeader(g.Cells(ColOut, 0));
    // The volume units belong to gas phases.
    if (!IsGasSlot(s)) {
      if (in >= DimLitre) in = DimMol;
      if (out >= DimLitre) out = DimMol;
    }
    PhaseDimensionTable.InDimension[s] = in;
    PhaseDimensionTable.OutDimension[s] = out;
    PhaseDimensionTable.Concentration[s] = ConcentrationOfHeader(g.Cells(ColConc, 0));
    SetPhaseGridHeaders(s);
    w.RefreshSums({1, 2, 3});
    for (int r = 1; r < g.RowCount(); ++r)
      if (Trim(g.Cells(ColCoefficient, r)) == "-1") g.SetCells(ColCoefficient, r, "(1)");
  }

  // Records, record variables, the variation, relations and the chart.
  if (TablOprtWnd) LoadGridFromSection(*TablOprtWnd->SGT, "Records");
  RecordAddressSnapshot.clear();
  if (RcrdDefDlg) {
    RcrdDefDlg->LoadRecordDefinition();
    for (int r = 1; r < RcrdDefDlg->SGR->RowCount(); ++r)
      RecordAddressSnapshot.push_back(RcrdDefDlg->SGR->Cells(RecFieldAddress, r));
  }
  if (CalcVarDlg) CalcVarDlg->LoadVariationSection();
  if (AfcWnd) AfcWnd->LoadActivityCoefficients();
  if (GrfWnd) GrfWnd->SettingsFileName = path;
  if (GrfVarDlg) {
    GrfVarDlg->ReadGraphicDefinition();
    GrfVarDlg->ButtonOKClick(nullptr);
  }
  if (GrfWnd) {
    GrfWnd->ApplyGroupBoxColour();
    GrfWnd->LoadGraphicSettings();
  }
  UpdateChartFromRecords(0);

  // The notes: each line without the "#" the writer put before it (and without the two blanks
  // an indenting writer put before that).
  if (AplStgsWnd) {
    Strings& memo = AplStgsWnd->Memo1->Lines();
    memo.Clear();
    if (store.SelectSection("Memo") > 0) {
      const std::vector<std::string> section = store.SectionLines();
      for (size_t i = 1; i < section.size(); ++i) {
        std::string line = section[i];
        if (line.starts_with("  ")) line.erase(0, 2);
        if (line.starts_with("#")) line.erase(0, 1);
        memo.Add(line);
      }
    }
  }

  ShowSystemPath(path);
  if (GrfWnd) {
    GrfWnd->CanPaint = true;
    GrfWnd->MnuUpdateClick(nullptr);
  }

  // Phases the file does not hold are closed; those it opened get their look from the user
  // settings file now that the system file is read.
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    if (!inFile[s] && PhaseWindow(s)) ClosePhaseWindow(s);
    if (inFile[s] && openedHere[s]) LoadPhaseWindowSettings(*PhaseWindow(s), s);
  }
  RefreshPhaseMenus();
  // The P/V item of the file among the items of the phases it opened.
  CbxPV->SetItemIndex(pvItem < CbxPV->Items().Count() ? pvItem : 0);
  const int item = std::max(CbxPV->ItemIndex(), 0);
  PVMode = item < int(PVItemSlots.size()) ? PVItemSlots[item] : 0;
  CbxPVChange();
  if (GrfWnd) GrfWnd->SettingsFileName = store.UserSettingsFile;
  ResultsValidFlag = false;
  SystemChangedFlag = false;
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Commands

void TEqlMainWnd::MnuCloseClick(Component* sender) {
  if (sender && AskSaveChanges() < 0) return;
  SetCaption("Equilibrium");
  CurrentSystemPath.clear();
  if (ElementsDlg) {
    for (int e = 0; e < TElementsDlg::kSlots; ++e) ElementsDlg->SetSelected(e, false);
    ElementsDlg->CollectSelectedElements();
  }
  if (EqlKernel) EqlKernel->LoadSystem({}, MaxSolverComponents);
  ResultsValidFlag = false;
  if (GrfVarDlg) GrfVarDlg->ResetGraphicVariables();
  if (CalcVarDlg) CalcVarDlg->ClearVariationGrid();
  if (RcrdDefDlg) RcrdDefDlg->ClearRecordDefinition();
  RecordAddressSnapshot.clear();
  for (int s = 1; s <= PhaseSlotCount; ++s) {
    TPhaseWnd* w = PhaseWindow(s);
    if (!w) continue;
    StringGrid& g = *w->SGPhase;
    ClearGridRange(0, 1, g);
    g.SetRowCount(2);
    w->SetCaption(SlotConstants(s).Caption);
    w->RefreshSums({0, 1, 2, 3});
  }
  PostStatus("");  // no run of this system yet
  // The phase windows of a new system come back; the others stay open, emptied.
  for (int slot : {1, 3, 6})
    if (!PhaseWindow(slot)) {
      CreatePhaseWindow(slot);
      LoadPhaseWindowSettings(*PhaseWindow(slot), slot);
    }
  RefreshPhaseMenus();
  RestoreNewSystemState();
  StBar->SetPanelText(0, "Elements:0");
  Application().SetTitle("Equilibrium");
  if (TablOprtWnd) TablOprtWnd->SetCaption("Recorder");
  SystemChangedFlag = false;
}

void TEqlMainWnd::MnuFileOpenClick() {
  if (AskSaveChanges() < 0 || !AplStgsWnd) return;
  if (ProjectFolder.empty() && TDynOprtWnd) {
    const std::string folder = FolderOf(TDynOprtWnd->CurrentDatabasePath);
    if (!folder.empty() && DirectoryExists(folder)) ProjectFolder = folder;
  }
  OpenDialog* d = AplStgsWnd->OpenDialog1;
  d->SetFilter(kSystemFileFilter);
  d->SetFilterIndex(1);
  d->SetTitle("Open Equilibrium File");
  d->SetFileName(CurrentSystemPath);
  d->SetInitialDir(CurrentSystemPath.empty() ? ProjectFolder : FolderOf(CurrentSystemPath));
  if (!d->Execute()) return;
  const std::string path = d->FileName();
  if (!FileExists(path)) {
    ReportMissingSystemFile(path);
    return;
  }
  EqlFileReader(path);
}

void TEqlMainWnd::ReportMissingSystemFile(const std::string& path) {
  const std::string text = path + ": file does not exist";
  MessageBox(text, "Open Equilibrium File", mbOk | mbIconInformation);
  PostLogMessage(LevelError, OpenFileMissingId, text);
}

int TEqlMainWnd::MnuFileSaveClick() {
  if (!CurrentSystemPath.empty()) {
    const int r = EqlFileWriter(CurrentSystemPath);
    if (r >= 1) return r;
  }
  return MnuFileSaveAsClick();
}

int TEqlMainWnd::MnuFileSaveAsClick() {
  if (!AplStgsWnd) return 0;
  if (ProjectFolder.empty() && TDynOprtWnd) {
    const std::string folder = FolderOf(TDynOprtWnd->CurrentDatabasePath);
    if (!folder.empty() && DirectoryExists(folder)) ProjectFolder = folder;
  }
  SaveDialog* d = AplStgsWnd->SaveDialog1;
  d->SetFilter(kSystemFileFilter);
  d->SetFilterIndex(1);
  d->SetTitle("Save Equilibrium File as");
  std::string folder = ProjectFolder;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  d->SetFileName(CurrentSystemPath.empty() ? folder + "new.eql" : CurrentSystemPath);
  d->SetInitialDir(CurrentSystemPath.empty() ? ProjectFolder : FolderOf(CurrentSystemPath));
  if (!d->Execute()) return 0;
  std::string path = d->FileName();
  if (LowerExtension(path) != ".eql" && d->FilterIndex() == 1) path += ".eql";
  if (path != CurrentSystemPath && FileExists(path) &&
      MessageBox(path + ": file exists, replace ?", "Save Equilibrium File as", mbYesNo | mbIconQuestion) == mrNo)
    return 0;
  return EqlFileWriter(path);
}

void TEqlMainWnd::MnuHstClick(int index) {
  if (AskSaveChanges() < 0 || !InfoDlg) return;
  const std::string path = InfoDlg->RecentFilePath(index);
  if (!path.empty()) EqlFileReader(path);
}

// ---------------------------------------------------------------------------------------------
// Unsaved changes

void TEqlMainWnd::WatchSystemChanges() {
  // After the component's own handler, the change marks the system.
  auto watch = [this](NotifyEvent& event) {
    NotifyEvent inner = std::move(event);
    event = [this, inner](Component* sender) {
      if (inner) inner(sender);
      SystemChanged();
    };
  };
  watch(EditTsys->OnChange);
  watch(EditPVsys->OnChange);
  watch(CbxPV->OnChange);
  for (MenuItem* item : {MnuTempC, MnuTempK, PopMnuTempC, PopMnuTempK, MnuIsotherm, MnuAdiabatic, MnuExtrapolation})
    watch(item->OnClick);
  if (EqlKernel) {
    for (Edit* e : {EqlKernel->EditILimit, EqlKernel->EditPrec, EqlKernel->EditApprFactor, EqlKernel->EdtZero})
      watch(e->OnChange);
    for (CheckBox* c : {EqlKernel->CBAutoIfa, EqlKernel->CbxFast, EqlKernel->CBAutoCorr, EqlKernel->CBMaxEntropy})
      watch(c->OnClick);
  }
  if (TDynOprtWnd) {
    watch(TDynOprtWnd->CBExtrapolation->OnClick);
    // The file records the equation of state: another choice changes the system.
    NotifyEvent choose = std::move(TDynOprtWnd->RGgrl->OnClick);
    TDynOprtWnd->RGgrl->OnClick = [this, choose](Component* sender) {
      const int before = EosType;
      if (choose) choose(sender);
      if (EosType != before) SystemChanged();
    };
  }
  if (ElementsDlg) watch(ElementsDlg->BtnAccept->OnClick);
  if (AfcWnd)
    for (ToolButton* b : {AfcWnd->BtnSelect, AfcWnd->BtnAdd, AfcWnd->BtnReplace, AfcWnd->BtnDelete}) watch(b->OnClick);
  if (AplStgsWnd) watch(AplStgsWnd->Memo1->OnChange);
  if (GrfVarDlg) watch(GrfVarDlg->ButtonOK->OnClick);
  // Every command of the record table that changes its content or order tells the table hook.
  auto table = std::move(TableChangedHook);
  TableChangedHook = [this, table](int row) {
    if (table) table(row);
    SystemChanged();
  };
}

}  // namespace quorel
