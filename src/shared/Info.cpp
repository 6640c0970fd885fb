#include "shared/Info.h"

#include <algorithm>
#include <filesystem>

#include "platform/Services.h"
#include "platform/System.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"
#include "shared/TDynOprt.h"

namespace quorel {

TInfoDlg* InfoDlg = nullptr;

namespace {
// "C:" of "C:\x" (upper-cased), "" for a path without a drive.
std::string DriveOf(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
    return UpperCase(path.substr(0, 2));
  return {};
}
}  // namespace

std::string RecentFileCaption(std::string_view path) {
  std::string caption;
  caption.reserve(path.size());
  for (char c : path) {
    caption += c;
    if (c == '&') caption += '&';
  }
  return caption;
}

std::string StoredRecentFilePath(const std::string& path, const std::string& programFolder) {
  namespace fs = std::filesystem;
  if (DriveOf(path) != DriveOf(programFolder)) return path;
  if (!DriveOf(path).empty()) return path;  // a drive path read from another system: as stored
  fs::path p(path), base(programFolder);
  if (!p.is_absolute() || !base.is_absolute()) return path;
  fs::path rel = p.lexically_normal().lexically_relative(base.lexically_normal());
  return rel.empty() ? path : rel.string();
}

// ---------------------------------------------------------------------------------------------
// Dialog

TInfoDlg::TInfoDlg(platform::Component* owner) : platform::Form(owner, "InfoDlg") {
  using namespace platform;
  SetCaption("About");
  SetPosition(FormPosition::DesktopCenter);
  SetBorderStyle(BorderStyle::Dialog);
  SetBounds(0, 0, 420, 300);

  Panel1 = Make<Panel>(this, "Panel1");
  Panel1->SetAlign(Align::Bottom);
  Panel1->SetBounds(0, 259, 420, 41);
  BtnOK = Make<Button>(Panel1, "BtnOK");
  BtnOK->SetCaption("Close");
  BtnOK->SetBounds(172, 8, 75, 25);
  BtnOK->SetCancel(true);  // Escape closes the box

  Memo1 = Make<Memo>(this, "Memo1");
  Memo1->SetAlign(Align::Client);
  Memo1->SetReadOnly(true);
  Memo1->SetWordWrap(false);
  Memo1->SetColor(clNavy);
  FontInfo font = Memo1->Font();
  font.Color = clLime;
  Memo1->SetParentFont(false);
  Memo1->SetFont(font);

  ProgramFolderPath = ProgramFolder();

  BtnOK->OnClick = [this](Component* s) { BtnOKClick(s); };
  OnResize = [this](Component* s) { FormResize(s); };

  SetVisible(false);
  InfoDlg = this;
  DoCreate();
  FormResize(this);
}

TInfoDlg::~TInfoDlg() {
  DoDestroy();
  if (InfoDlg == this) InfoDlg = nullptr;
}

void TInfoDlg::BtnOKClick(platform::Component*) { Close(); }

void TInfoDlg::FormResize(platform::Component*) { BtnOK->SetLeft(Width() / 2 - BtnOK->Width() / 2); }

void TInfoDlg::FillAboutText() {
  auto& lines = Memo1->Lines();
  lines.Clear();
  lines.Add("Quorel Thermochemistry 1.0");
  lines.Add("  Orvanto - Calculation of thermodynamic equilibrium");
  lines.Add("  Lunetta - Properties of pure substances");
  lines.Add("");
  if (TDynOprtWnd) lines.Add("Database: " + TDynOprtWnd->CurrentDatabasePath);
  const SettingsReader& store = SettingsStore();
  if (!store.UserSettingsFile.empty()) lines.Add("Settings: " + store.UserSettingsFile);
  if (!store.HelpIndexPath.empty()) lines.Add("Help: " + store.HelpIndexPath);
}

void TInfoDlg::OpenHelpIndex(std::string_view target) {
  std::string what = Trim(target.empty() ? std::string_view(SettingsStore().HelpIndexPath) : target);
  // The user asked for help: when none can be shown, the log says why.
  if (what.empty()) {
    PostLogMessage(LevelError, HelpNotOpenedId,
                   "No help document: \"Quorel.sys\" names none that exists (HelpIndex in [General])");
    return;
  }
  if (!IsWebAddress(what) && !platform::FileExists(what)) {
    PostLogMessage(LevelError, HelpNotOpenedId, "Help document " + what + " does not exist");
    return;
  }
  if (!platform::ShellOpen(what))
    PostLogMessage(LevelError, HelpNotOpenedId,
                   "Help document " + what + " cannot be opened: no program of the desktop opens it");
}

// ---------------------------------------------------------------------------------------------
// Recent files

void TInfoDlg::UpdateRecentFiles(std::string_view path) {
  if (!RecentFilesMenu) return;
  if (path.empty()) {
    RecentFilesList.clear();
    SettingsReader& store = SettingsStore();
    if (store.SelectSection(RecentFilesSection) > 0) {
      const std::vector<std::string> lines = store.SectionLines();
      for (size_t i = 1; i < lines.size(); ++i) {
        std::string t = SettingsTrim(lines[i]);
        if (!t.empty()) RecentFilesList.push_back(ExpandProgramPath(ProgramFolderPath, t));
      }
    }
  } else if (path != "*") {
    const std::string p(path);
    RecentFilesList.erase(std::remove(RecentFilesList.begin(), RecentFilesList.end(), p), RecentFilesList.end());
    RecentFilesList.insert(RecentFilesList.begin(), p);
  }
  const int n = static_cast<int>(RecentFilesList.size());
  RecentFilesMenu->SetVisible(n > 0);
  if (n == 0) return;
  for (int i = 0; i < RecentFilesMenu->Count(); ++i) {
    platform::MenuItem* item = RecentFilesMenu->Items(i);
    item->SetVisible(i < n);
    if (i < n) item->SetCaption(RecentFileCaption(RecentFilesList[i]));
  }
}

void TInfoDlg::RemoveRecentFile(std::string_view path) {
  for (auto it = RecentFilesList.rbegin(); it != RecentFilesList.rend(); ++it) {
    if (*it == path) {
      RecentFilesList.erase(std::next(it).base());
      break;
    }
  }
  UpdateRecentFiles("*");
}

void TInfoDlg::SaveRecentFiles() {
  SettingsReader& store = SettingsStore();
  store.SelectSection(RecentFilesSection);
  auto& lines = store.SectionLines();
  lines.assign(1, "[" + RecentFilesSection + "]");
  const size_t n = std::min(RecentFilesList.size(), static_cast<size_t>(MaxStoredRecentFiles));
  for (size_t i = 0; i < n; ++i) lines.push_back(StoredRecentFilePath(RecentFilesList[i], ProgramFolderPath));
  store.WriteSection(RecentFilesSection);
}

std::string TInfoDlg::RecentFilePath(int index) const {
  if (index < 0 || index >= static_cast<int>(RecentFilesList.size())) return {};
  return RecentFilesList[index];
}

// ---------------------------------------------------------------------------------------------
// Translation

bool TInfoDlg::TranslationLoaded(std::string_view) const { return TranslationListsExist; }

std::string TInfoDlg::TranslateText(std::string_view text) const {
  std::string result(text);
  if (LanguageCode == "44" || !TranslationListsExist) return result;
  const std::string key = LowerCase(text) + "=";
  for (const auto& line : TranslationLines) {
    if (LowerCase(SettingsTrim(line)).starts_with(key)) {
      size_t eq = line.find('=');
      return line.substr(eq + 1);
    }
  }
  return result;
}

std::string TInfoDlg::TranslateMessageId(std::string_view key, std::string_view defaultText) const {
  std::string result(defaultText);
  if (!TranslationListsExist) return result;
  const std::string prefix = std::string(key) + "=";
  for (const auto& line : TranslationLines) {
    if (line.starts_with(prefix)) {
      std::string t = SettingsTrim(line);
      size_t eq = t.find('=');
      return eq == std::string::npos ? std::string() : t.substr(eq + 1);
    }
  }
  return result;
}

std::string UntranslatedText(std::string_view text) { return std::string(text); }

bool TranslationLoaded(std::string_view section) { return InfoDlg && InfoDlg->TranslationLoaded(section); }

std::string TranslateText(std::string_view text) {
  return InfoDlg ? InfoDlg->TranslateText(text) : std::string(text);
}

std::string TranslateMessageId(std::string_view key, std::string_view defaultText) {
  return InfoDlg ? InfoDlg->TranslateMessageId(key, defaultText) : std::string(defaultText);
}

}  // namespace quorel
