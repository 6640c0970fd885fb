#include "shared/TDynOprt.h"

#include <string>

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"

namespace quorel {

std::string ProjectFolder;
TTDynOprtWnd* TDynOprtWnd = nullptr;

namespace {

// Folder part of a path (without the separator); "" when there is none.
std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(std::string folder, const std::string& name) {
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder + name;
}

}  // namespace

bool IsWebAddress(std::string_view text) {
  std::string lower = LowerCase(Trim(text));
  return lower.starts_with("http://") || lower.starts_with("https://");
}

bool ReferenceEntryFromLine(std::string_view line, std::string& entry) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  std::string number = SettingsTrim(line.substr(0, colon));
  std::string_view rest = line.substr(colon + 1);
  size_t semi = rest.find(';');
  std::string text = semi != std::string_view::npos ? std::string(rest.substr(0, semi)) : SettingsTrim(rest);
  entry = "[" + number + "]:" + text;
  return true;
}

std::string ReferenceFilePathFor(std::string_view databasePath) {
  std::string p(databasePath);
  size_t slash = p.find_last_of("/\\");
  size_t dot = p.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) p.resize(dot);
  return p + ".ref";
}

// ---------------------------------------------------------------------------------------------
// Window

TTDynOprtWnd::TTDynOprtWnd(platform::Component* owner) : platform::Form(owner, "TDynOprtWnd") {
  using namespace platform;
  SetCaption("Behaviour of System");
  SetPosition(FormPosition::ScreenCenter);
  SetBounds(0, 0, 400, 330);
  SetConstraints({0, 256, 0, 0});

  Panel1 = Make<Panel>(this, "Panel1");
  Panel1->SetAlign(Align::Bottom);
  Panel1->SetBounds(0, 210, 400, 120);

  GroupBox2 = Make<GroupBox>(Panel1, "GroupBox2");
  GroupBox2->SetCaption("Database");
  GroupBox2->SetAlign(Align::Top);
  GroupBox2->SetBounds(0, 0, 400, 56);
  EditDB = Make<Edit>(GroupBox2, "EditDB");
  EditDB->SetText("Quorel.tdb");
  EditDB->SetBounds(8, 20, 320, 22);
  ButtonDB = Make<Button>(GroupBox2, "ButtonDB");
  ButtonDB->SetCaption(". . .");
  ButtonDB->SetBounds(336, 20, 40, 22);

  ButtonClose = Make<Button>(Panel1, "ButtonClose");
  ButtonClose->SetCaption("Close");
  ButtonClose->SetBounds(162, 70, 75, 25);

  CBExtrapolation = Make<CheckBox>(Panel1, "CBExtrapolation");
  CBExtrapolation->SetCaption("Extrapolation");
  CBExtrapolation->SetBounds(8, 74, 100, 17);
  CBExtrapolation->SetChecked(true);
  CBExtrapolation->SetVisible(false);

  RGgrl = Make<RadioGroup>(this, "RGgrl");
  RGgrl->SetCaption("Behaviour of Fluids");
  RGgrl->SetAlign(Align::Client);
  RGgrl->SetBounds(0, 0, 400, 210);
  for (int eos = 0; eos < EosTypeCount; ++eos) RGgrl->Items().Add(std::string(EosCaption(eos)));
  RGgrl->SetItemIndex(DefaultEosType);
  EosType = DefaultEosType;

  RGgrl->OnClick = [this](Component* s) { RGgrlClick(s); };
  ButtonDB->OnClick = [this](Component* s) { ButtonDBClick(s); };
  ButtonClose->OnClick = [this](Component* s) { ButtonCloseClick(s); };
  OnResize = [this](Component* s) { FormResize(s); };

  SetVisible(false);
  TDynOprtWnd = this;
  DoCreate();
  FormResize(this);
}

TTDynOprtWnd::~TTDynOprtWnd() {
  DoDestroy();
  FreeDatasetTable();
  ReleaseElementTable();
  ReferenceList.clear();
  ReferenceListBuilt = false;
  if (TDynOprtWnd == this) TDynOprtWnd = nullptr;
}

void TTDynOprtWnd::RGgrlClick(platform::Component*) {
  const int index = RGgrl->ItemIndex();
  if (index < 0) return;
  EosType = index;
  if (index > DefaultEosType) {
    if (AplMsgWnd) AplMsgWnd->Clear();
    PostLogMessageAlways(LevelImportant, 267,
                         "The algoritm of [" + RGgrl->Items()[index] + "]" +
                             " should only be used for equilibrium of pure substances");
    PostLogMessageAlways(LevelImportant, 269,
                         "The algoritm of [" + RGgrl->Items()[DefaultEosType] +
                             "] should be used for systems with multiple compounds");
    if (AplMsgWnd) AplMsgWnd->ShowInFront();
  }
}

void TTDynOprtWnd::ButtonDBClick(platform::Component*) {
  // A chosen file that failed to load is still the database in use (and is reloaded when it
  // changes), so the edit names it too.
  const std::string before = CurrentDatabasePath;
  if (ChooseDatabaseFile() > 0 || CurrentDatabasePath != before) EditDB->SetText(CurrentDatabasePath);
}

void TTDynOprtWnd::ButtonCloseClick(platform::Component*) { Close(); }

void TTDynOprtWnd::FormResize(platform::Component*) {
  ButtonClose->SetLeft(Width() / 2 - ButtonClose->Width() / 2);
  EditDB->SetWidth(Width() - ButtonDB->Width() - 32);
  ButtonDB->SetLeft(EditDB->Left() + EditDB->Width() + 8);
}

// ---------------------------------------------------------------------------------------------
// Start-up and loading

void TTDynOprtWnd::StartUpDatabase() {
  // A second start-up keeps the database in use and the elements of its reference file.
  if (!DatabaseStarted) {
    CurrentDatabasePath = ExpandProgramPath("", "..\\data\\Quorel.tdb");
    if (!platform::FileExists(CurrentDatabasePath)) CurrentDatabasePath = JoinPath(ProgramFolder(), "Quorel.tdb");
    InitElementTable();
    DefineElement("D", "Deuterium", 1, "", 2.01410175);
  }
  if (AplStgsWnd) {
    AplStgsWnd->ToolButtonOpen->SetVisible(false);
    AplStgsWnd->ToolButtonSave->SetVisible(false);
  }
  if (DatabaseStarted) return;
  AllocateDatasetTable();

  SettingsReader& store = SettingsStore();
  if (store.OpenSettingsFile(store.SystemSettingsFile) > 0 && store.SelectSection("General") > 0) {
    std::string value = store.GetKeyValue("Database");
    if (value.empty()) value = store.GetKeyValue("ActDataBase");
    if (!value.empty()) {
      std::string path = ExpandProgramPath("", value);
      if (platform::FileExists(path))
        CurrentDatabasePath = path;
      else
        PostLogMessage(LevelError, 180, value + " :Database does not exists, given in \"Quorel.sys\"");
    }
    std::string prj = store.GetKeyValue("PrjDir");
    if (!prj.empty()) ProjectFolder = ExpandProgramPath("", prj);
    std::string help = store.GetKeyValue("HelpIndex");
    if (!help.empty()) {
      if (IsWebAddress(help)) {
        store.HelpIndexPath = Trim(help);
      } else {
        std::string path = ExpandProgramPath("", help);
        if (platform::FileExists(path)) store.HelpIndexPath = path;
      }
    } else {
      std::string ht = store.GetKeyValue("HTHelpIndex");
      if (!ht.empty()) {
        std::string path = ExpandProgramPath("", ht);
        if (platform::FileExists(path)) store.HelpIndexPath = path;
      }
    }
  }
  if (LoadDatabaseAtStart) {
    LoadDatabaseFile(CurrentDatabasePath);
    EditDB->SetText(CurrentDatabasePath);
  }
  DatabaseStarted = true;
}

std::int64_t TTDynOprtWnd::LoadDatabaseFile(const std::string& path) {
  if (!platform::FileExists(path)) {
    PostLogMessage(LevelImportant, 437, CurrentDatabasePath + " is using as database ");
    return 0;
  }
  PostLogMessage(LevelInfo, 437, "Setting database :" + path);
  int count;
  {
    platform::RunStateScope busy(platform::RunState::Waiting);
    count = LoadDatabase(path);
    std::string message;
    switch (count) {
      case 0: message = "No dataset in database " + path; break;
      case 1: message = "Irregular database or no dataset in database " + path; break;
      case -2: message = "database file can not be open. File Access Error:" + path; break;
      case -1: message = "database file can not be found :" + path; break;
      default: break;
    }
    if (!message.empty())
      PostLogMessage(LevelError, 240, message);
    else
      EditDB->SetText(path);
    CurrentDatabasePath = path;
    ReadReferenceFile();
  }
  DatabaseFileAge = FileAge(path);
  // Only a table with datasets (more than the header row) counts as loaded.
  return count > 1 ? DatabaseFileAge : 0;
}

std::int64_t TTDynOprtWnd::ChooseDatabaseFile() {
  platform::OpenDialog local;
  platform::OpenDialog* dialog = AplStgsWnd ? AplStgsWnd->OpenDialog1 : &local;
  dialog->SetFileName(CurrentDatabasePath);
  if (platform::FileExists(CurrentDatabasePath)) dialog->SetInitialDir(FolderOf(CurrentDatabasePath));
  dialog->SetTitle("Open Datasource");
  dialog->SetFilter("Quorel Database (*.tdb)|*.tdb|All Files(*)|*.*");
  if (!dialog->Execute()) return 0;
  const std::string file = dialog->FileName();
  if (platform::FileExists(file)) {
    std::int64_t result = LoadDatabaseFile(file);
    PostLogMessage(LevelImportant, 194, "Curent Database: " + file);
    return result;
  }
  PostLogMessage(LevelError, 189, "Open Datasource " + file + " does not exist");
  return -1;
}

void TTDynOprtWnd::RefreshDatabase() {
  if (FileAge(CurrentDatabasePath) != DatabaseFileAge) LoadDatabaseFile(CurrentDatabasePath);
}

void TTDynOprtWnd::ReadReferenceFile() {
  // The reference file follows the database in use.
  ReferenceFilePath = ReferenceFilePathFor(CurrentDatabasePath);
  SetElementReferenceFileName(FileNameOf(ReferenceFilePath));
  ReferenceList.assign(1, std::string(ReferenceEntryZero));
  ReferenceListBuilt = true;

  SettingsReader& store = SettingsStore();
  if (store.OpenSettingsFile(ReferenceFilePath) <= 0) return;
  if (store.SelectSection("Reference") > 0) {
    const std::vector<std::string> lines = store.SectionLines();
    for (size_t i = 1; i < lines.size(); ++i) {
      std::string entry;
      if (ReferenceEntryFromLine(lines[i], entry)) ReferenceList.push_back(std::move(entry));
    }
  }
  if (store.SelectSection("Elements") > 0) {
    const std::vector<std::string> lines = store.SectionLines();
    for (size_t i = 1; i < lines.size(); ++i) {
      const int before = Elements().Count();
      const int result = ValidateElementLine(lines[i]);
      const std::string message = ElementMessage();
      if (message.empty()) continue;
      if (result >= 0)
        PostLogMessage(result < before ? LevelImportant : LevelCritical, result < before ? 211 : 212, message);
      else
        PostLogMessage(LevelError, 214, message);
    }
  }
  if (store.SelectSection("Constants") > 0) {
    const std::string text = store.GetKeyValue("R");
    if (!text.empty()) {
      const double r = TextToDouble(text);
      if (r > 8.314 && r < 8.315) {
        SetGasConstant(r);
        PostLogMessage(LevelImportant, 126, "user defined  R=" + text);
      } else {
        PostLogMessage(LevelError, 128, "R=" + text + " my be incorrect");
      }
    }
  }
}

const std::string& TTDynOprtWnd::ReferenceText(int n) {
  if (!ReferenceListBuilt) ReadReferenceFile();
  ReferenceTextValue.clear();
  if (n < 0 || n >= DatasetCount()) return ReferenceTextValue;
  const std::string& field = DatasetTable.Text(n, FieldReferences);
  for (size_t open = field.find('['); open != std::string::npos; open = field.find('[', open + 1)) {
    size_t close = field.find(']', open);
    if (close == std::string::npos) break;
    const std::string mark = field.substr(open, close - open + 1);
    for (const auto& entry : ReferenceList) {
      if (entry.starts_with(mark)) {
        ReferenceTextValue += entry + "; ";
        break;
      }
    }
  }
  return ReferenceTextValue;
}

// ---------------------------------------------------------------------------------------------
// Lookups

double TTDynOprtWnd::SubstanceAmountToMol(std::string_view amount, int n) {
  PropertyResult result;
  double z = 1;
  if (EvaluateProperties(n, EosType, result, 1.01325, 273.15) && result.Z > 0) z = result.Z;
  double mol = 0;
  if (!AmountToMol(amount, "", 1.01325 / z, 273.15, mol)) return 0;
  return mol;
}

int TTDynOprtWnd::DatasetTemperatureRange(std::string_view name, std::string_view phase, double& tmin,
                                          double& tmax) {
  tmin = -1.0;
  tmax = -1.0;
  int count = 0;
  for (int row = 1; row < DatasetTable.RowCount; ++row) {
    if (DatasetTable.Text(row, FieldName) != name || DatasetTable.Text(row, FieldPhase) != phase) continue;
    const double lo = DatasetTable.Value(row, FieldTmin);
    const double hi = DatasetTable.Value(row, FieldTmax);
    if (count == 0 || lo < tmin) tmin = lo;
    if (count == 0 || hi > tmax) tmax = hi;
    ++count;
  }
  return count;
}

int TTDynOprtWnd::FindDatasetAnyPhase(std::string_view name, std::string_view phase, double T) {
  int row = FindDataset(name, phase, T);
  if (row >= 1) return row;
  // Other names' candidates stay: FindDataset checks name and phase again.
  BuildCandidateList(name, "(*)");
  return FindDataset(name, phase, T);
}

std::string TTDynOprtWnd::DatasetField(std::string_view key, int k) {
  std::string name, phase;
  if (!SplitNamePhase(key, name, phase)) {
    PostLogMessage(LevelError, 519, "Substance " + std::string(key) + " does not exists");
    return "Error";
  }
  for (int row = 1; row < DatasetTable.RowCount; ++row) {
    if (DatasetTable.Text(row, FieldName) == name && DatasetTable.Text(row, FieldPhase) == phase)
      return DatasetTable.Text(row, k);
  }
  return " not exist";
}

}  // namespace quorel
