#include "shared/AplStgs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/Services.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "shared/AplMsg.h"
#include "shared/PTools.h"

namespace quorel {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Text form

std::string SettingsTrim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  return std::string(text.substr(b, e - b));
}

// A line that ends a section, for reading and for rewriting alike: trimmed, it begins with "["
// and holds a "]". The writer indents every line of a section but its header by two blanks, so
// an indented line counts only when it is a whole "[...]": a note such as "  [1] see below" or
// a grid row "  \t[2]\t1.5" stays in its section, and so does "[note". A line holding a TAB is
// a grid row, never a header: its cells are joined by TABs and a cell may begin like a header
// ("\t\t\t\t\t[1]", "[Memo] note\t1", "[x]\t\t"), while headers never hold one.
bool IsSectionHeaderLine(std::string_view line) {
  if (line.find('\t') != std::string_view::npos) return false;
  std::string t = SettingsTrim(line);
  if (t.size() < 2 || t.front() != '[' || t.find(']', 1) == std::string::npos) return false;
  const bool indented = line.size() >= 2 && line[0] == ' ' && line[1] == ' ';
  return !indented || t.back() == ']';
}

std::vector<std::string> SplitSettingsLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string current;
  for (char c : bytes) {
    if (c == '\r' || c == '\n') {
      if (!current.empty()) lines.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) lines.push_back(std::move(current));
  return lines;
}

std::string JoinSettingsLines(const std::vector<std::string>& lines) {
  std::string out;
  size_t size = 0;
  for (const auto& l : lines) size += l.size() + 2;
  out.reserve(size);
  for (const auto& l : lines) {
    // A line break inside a line (a pasted cell, a value) would split it when read again.
    for (char c : l) out += (c == '\r' || c == '\n') ? ' ' : c;
    out += "\r\n";
  }
  return out;
}

namespace {
// Index of the dot that starts the extension, npos when there is none.
size_t ExtensionDot(std::string_view path) {
  size_t dot = path.find_last_of(".\\/:");
  if (dot == std::string_view::npos || path[dot] != '.') return std::string_view::npos;
  return dot;
}

std::int64_t FileSize(const fs::path& native) {
  std::error_code ec;
  auto n = fs::file_size(native, ec);
  return ec ? -1 : static_cast<std::int64_t>(n);
}

// The line opens the section of this header ("[" + name + "]"): trimmed it begins with the
// header, and it is a line that would end the section before it. A grid row or note whose text
// begins like a header ("\t[Memo]\t", "  [1] see below") stays a line of its own section.
bool StartsSection(std::string_view line, std::string_view header) {
  return IsSectionHeaderLine(line) && SettingsTrim(line).starts_with(header);
}

// The value of "key=value" when the trimmed line begins with key + "=".
bool MatchKey(std::string_view line, std::string_view key, std::string* value) {
  std::string t = SettingsTrim(line);
  if (t.size() < key.size() + 1 || t.compare(0, key.size(), key) != 0 || t[key.size()] != '=') return false;
  if (value) *value = t.substr(key.size() + 1);
  return true;
}
}  // namespace

std::string BackupFileName(std::string_view path) {
  size_t dot = ExtensionDot(path);
  std::string_view ext = dot == std::string_view::npos ? std::string_view() : path.substr(dot);
  std::string stem(dot == std::string_view::npos ? path : path.substr(0, dot));
  if (ext.size() < 2) return stem + ".~";
  return stem + ".~" + std::string(ext.substr(1));
}

std::int64_t FileAge(const std::string& path) {
  if (path.empty()) return 0;
  std::int64_t stamp = platform::FileStamp(path);
  return stamp > 0 ? stamp : 0;
}

std::string GridColumnKey(int column) {
  return column <= 9 ? "CW0" + std::to_string(column) : "CW" + std::to_string(column);
}

// ---------------------------------------------------------------------------------------------
// Store: files and cache

SettingsReader::SettingsReader() : selectedSection_("\t") {}

void SettingsReader::ResetSettingsCache() {
  fileLines_.clear();
  sectionLines_.clear();
  cachedFileName_ = "~";
  selectedSection_ = "~";
  cachedFileAge_ = 0;
  cachedFileSize_ = -1;
  readFailed_ = false;
  endsInsideLine_ = false;
  cutLine_.clear();
}

int SettingsReader::OpenSettingsFile(const std::string& path) {
  if (WritingMark) return path == cachedFileName_ ? 1 : -1;
  std::error_code ec;
  const fs::path native(platform::NativePath(path));
  if (path.empty() || !fs::exists(native, ec)) {
    // Nothing stored: start the file from nothing, so that no lines of the file cached before
    // are saved under this name.
    fileLines_.clear();
    sectionLines_.clear();
    selectedSection_.clear();
    cachedFileName_ = path;
    cachedFileAge_ = 0;
    readFailed_ = false;
    endsInsideLine_ = false;
    cutLine_.clear();
    return 0;
  }
  std::int64_t age = FileAge(path);
  std::int64_t size = FileSize(native);
  if (path == cachedFileName_ && cachedFileAge_ > 0 && age == cachedFileAge_ && size == cachedFileSize_) return 1;

  fileLines_.clear();
  sectionLines_.clear();
  selectedSection_.clear();
  cachedFileAge_ = age;
  cachedFileSize_ = size;
  cachedFileName_ = path;
  readFailed_ = false;
  endsInsideLine_ = false;
  cutLine_.clear();

  std::string bytes;
  const bool ok = platform::ReadWholeFile(path, bytes);
  if (!ok || age == 0) {
    // The next open tries again; until then nothing may be saved over the file.
    cachedFileAge_ = 0;
    readFailed_ = true;
    PostLogMessage(LevelError, 241, path + " can not be open !");
    return -1;
  }
  fileLines_ = SplitSettingsLines(bytes);
  endsInsideLine_ = !bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r';
  const bool readWhole = path == SystemSettingsFile || LowerExtension(path) == ".ref";
  if (endsInsideLine_ && !readWhole && !fileLines_.empty()) {
    cutLine_ = SettingsTrim(fileLines_.back());
    fileLines_.pop_back();
  }
  if (readWhole) endsInsideLine_ = false;
  return 1;
}

std::string SettingsReader::CutShortSection() const {
  if (!endsInsideLine_) return {};
  for (auto line = fileLines_.rbegin(); line != fileLines_.rend(); ++line) {
    if (!IsSectionHeaderLine(*line)) continue;
    const std::string t = SettingsTrim(*line);
    return t.substr(1, t.find(']', 1) - 1);
  }
  return {};
}

std::string SettingsReader::CutLineKey() const {
  return SettingsTrim(std::string_view(cutLine_).substr(0, cutLine_.find('=')));
}

bool SettingsReader::BackupFile(const std::string& path) const {
  if (NoBackupFlag) return true;
  if (!platform::FileExists(path)) return true;
  const std::string backup = BackupFileName(path);
  std::string copyReason, reason;
  switch (platform::BackUpFile(path, backup, &copyReason, &reason)) {
    case platform::BackupResult::Copied:
      if (failedBackup_ == path) failedBackup_.clear();
      return true;
    case platform::BackupResult::Linked:
      // No room for a copy: the old file itself is kept under the backup name.
      PostLogMessage(LevelError, 241, backup + " can not be saved ! (" + copyReason + "); " + path +
                                          " is kept under that name");
      if (failedBackup_ == path) failedBackup_.clear();
      return true;
    case platform::BackupResult::Failed:
      break;
  }
  PostLogMessage(LevelError, 241, backup + " can not be saved ! (" + copyReason + "; " + reason + ")");
  failedBackup_ = path;
  return false;
}

bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
  return platform::SaveFileContents(path, bytes);
}

int SettingsReader::SaveSettingsFile(const std::string& path) {
  // Never over a file whose read failed (its lines are not in the cache), never over a
  // read-only file, and never without the old version kept as the backup.
  bool refused = (readFailed_ && path == cachedFileName_) || platform::IsReadOnlyFile(path);
  if (!refused && !BackupFile(path)) refused = true;
  if (failedBackup_ == path) refused = true;  // an earlier BackupFile of this save failed
  failedBackup_.clear();
  if (refused || !ReplaceFileContents(path, JoinSettingsLines(fileLines_))) {
    PostLogMessage(LevelError, 241, path + " can not be saved !");
    return -1;
  }
  // The cache now holds exactly what the file holds.
  cachedFileName_ = path;
  cachedFileAge_ = FileAge(path);
  cachedFileSize_ = FileSize(fs::path(platform::NativePath(path)));
  readFailed_ = false;
  endsInsideLine_ = false;
  cutLine_.clear();
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Store: sections and keys

int SettingsReader::SelectSection(const std::string& name) {
  if (!name.empty() && name == selectedSection_) return 1;
  selectedSection_ = name;
  sectionLines_.clear();
  const std::string header = "[" + name + "]";
  enum { CopyAll, Copying, Searching } state = name == "*" ? CopyAll : name.empty() ? Copying : Searching;
  for (const auto& line : fileLines_) {
    if (state == Copying && IsSectionHeaderLine(line)) return static_cast<int>(sectionLines_.size());
    if (state == Searching && StartsSection(line, header)) state = Copying;
    if (state != Searching) sectionLines_.push_back(line);
  }
  if (state != Searching) return static_cast<int>(sectionLines_.size());
  sectionLines_.push_back(header);
  return 0;
}

std::string SettingsReader::GetKeyValue(std::string_view key) const {
  std::string k = SettingsTrim(key);
  std::string value;
  for (const auto& line : sectionLines_)
    if (MatchKey(line, k, &value)) return value;
  return {};
}

std::unordered_map<std::string, std::string> SettingsReader::SectionKeyValues() const {
  std::unordered_map<std::string, std::string> values;
  for (const auto& line : sectionLines_) {
    std::string t = SettingsTrim(line);
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    // A key is found by its text before the first "=", exactly (GetKeyValue trims the key).
    std::string key = t.substr(0, eq);
    if (key.empty() || SettingsTrim(key) != key) continue;
    values.try_emplace(std::move(key), t.substr(eq + 1));
  }
  return values;
}

void SettingsReader::SetKeyValue(std::string_view key, std::string_view value) {
  std::string k = SettingsTrim(key);
  std::string line = std::string(key) + "=" + std::string(value);
  for (auto& l : sectionLines_) {
    if (MatchKey(l, k, nullptr)) {
      l = std::move(line);
      return;
    }
  }
  sectionLines_.push_back(std::move(line));
}

SectionRange SettingsReader::FindSectionRange(std::string_view name) const {
  SectionRange r;
  const int n = static_cast<int>(fileLines_.size());
  if (name == "*") {
    // The whole file, as SelectSection("*") copies it.
    r.first = 0;
    r.last = n - 1;
    return r;
  }
  if (name.empty()) {
    if (n == 0 || !IsSectionHeaderLine(fileLines_[0])) r.first = 0;
  } else {
    const std::string header = "[" + std::string(name) + "]";
    for (int i = 0; i < n; ++i) {
      if (StartsSection(fileLines_[i], header)) {
        r.first = i;
        break;
      }
    }
  }
  if (r.first < 0) return r;
  // The unnamed section's first line is no header; a named section's first line is its own.
  for (int i = name.empty() ? r.first : r.first + 1; i < n; ++i) {
    if (IsSectionHeaderLine(fileLines_[i])) {
      r.last = i - 1;
      r.endedAtHeader = true;
      return r;
    }
  }
  r.last = n - 1;
  return r;
}

void SettingsReader::WriteSection(std::string_view name) {
  std::vector<std::string> prepared;
  prepared.reserve(sectionLines_.size());
  for (size_t i = 0; i < sectionLines_.size(); ++i) {
    const std::string& l = sectionLines_[i];
    if (i == 0 || l.starts_with("  "))
      prepared.push_back(l);
    else
      prepared.push_back("  " + l);
  }
  SectionRange r = FindSectionRange(name);
  if (r.first >= 0) {
    if (r.last >= r.first) fileLines_.erase(fileLines_.begin() + r.first, fileLines_.begin() + r.last + 1);
    fileLines_.insert(fileLines_.begin() + r.first, prepared.begin(), prepared.end());
  } else {
    fileLines_.insert(fileLines_.end(), prepared.begin(), prepared.end());
  }
}

// ---------------------------------------------------------------------------------------------
// Fonts

void SettingsReader::WriteFontSettings(const platform::FontInfo& font, const std::string& section) {
  SelectSection(section);
  const bool plain = !font.Underline && !font.StrikeOut;
  int style = 0;
  if (plain && font.Bold && !font.Italic) style = 1;
  if (plain && !font.Bold && font.Italic) style = 2;
  if (plain && font.Bold && font.Italic) style = 3;
  char color[16];
  std::snprintf(color, sizeof color, "0x%08X", static_cast<unsigned>(font.Color));
  SetKeyValue("FontName", font.Name);
  SetKeyValue("FontSize", std::to_string(font.Size));
  SetKeyValue("FontColor", color);
  SetKeyValue("FontStyle", std::to_string(style));
  WriteSection(section);
}

void SettingsReader::ReadFontSettings(platform::FontInfo& font, const std::string& section) {
  if (SelectSection(section) <= 0) return;
  std::string name = GetKeyValue("FontName");
  if (!name.empty()) font.Name = name;
  int size = TextToInt(GetKeyValue("FontSize"));
  if (size != 0) font.Size = size;
  std::string color = GetKeyValue("FontColor");
  if (!color.empty()) {
    font.Color = color.find("0x") != std::string::npos ? HexToInt(color)
                                                        : static_cast<platform::TColor>(TextToInt(color));
  }
  int style = TextToInt(GetKeyValue("FontStyle"));
  if (style >= 1 && style <= 3) {
    font.Bold = style == 1 || style == 3;
    font.Italic = style == 2 || style == 3;
    font.Underline = false;
    font.StrikeOut = false;
  }
}

// ---------------------------------------------------------------------------------------------
// Paths

SettingsPaths MakeSettingsPaths(const std::string& programFolder, const std::string& programName,
                                const std::string& documentsFolder) {
  auto join = [](std::string folder, const std::string& name) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder + name;
  };
  SettingsPaths p;
  p.system = join(programFolder, "Quorel.sys");
  p.user = join(programFolder, programName + ".usr");
  if (documentsFolder.empty()) return p;
  const std::string dir = join(documentsFolder, ".Quorel");
  std::error_code ec;
  const fs::path native(platform::NativePath(dir));
  if (!fs::is_directory(native, ec)) fs::create_directories(native, ec);
  if (fs::is_directory(native, ec)) p.user = join(dir, programName + ".usr");
  return p;
}

std::string ProgramName() {
  std::string path = platform::Application().ProgramPath();
  size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = ExtensionDot(name);
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name.empty() ? std::string("Quorel") : name;
}

// ---------------------------------------------------------------------------------------------
// Window placement and grid layouts

void SettingsReader::WriteFormPlacement(platform::Form* form, std::string section) {
  if (!form) return;
  if (section.empty()) section = form->Name();
  SelectSection(section);
  const bool maximized = form->GetWindowState() == platform::WindowState::Maximized;
  SetKeyValue("Maximized", maximized ? "1" : "0");
  if (!maximized) {
    SetKeyValue("Left", std::to_string(form->Left()));
    SetKeyValue("Top", std::to_string(form->Top()));
    SetKeyValue("Width", std::to_string(form->Width()));
    SetKeyValue("Height", std::to_string(form->Height()));
  }
  WriteSection(section);
}

void SettingsReader::ReadFormPlacement(platform::Form* form, std::string section) {
  if (!form) return;
  if (section.empty()) section = form->Name();
  SelectSection(section);
  if (GetKeyValue("Maximized") == "1") {
    form->SetWindowState(platform::WindowState::Maximized);
    return;
  }
  form->SetWindowState(platform::WindowState::Normal);
  const int sw = platform::Screen::Width();
  const int sh = platform::Screen::Height();
  int left = std::min(TextToInt(GetKeyValue("Left")), sw - 100);
  int top = std::min(TextToInt(GetKeyValue("Top")), sh - 100);
  int width = form->Width();
  int height = form->Height();
  int w = TextToInt(GetKeyValue("Width"));
  if (w > 32) width = w;
  if (width > 1024) width = 1024;
  int h = TextToInt(GetKeyValue("Height"));
  if (h > 32) height = h;
  form->SetBounds(left, top, width, height);
}

void SettingsReader::ReadGridLayout(platform::StringGrid* grid, std::string section) {
  if (!grid) return;
  if (section.empty()) section = grid->Name();
  if (SelectSection(section) <= 0) return;
  for (int c = 0; c < grid->ColCount(); ++c) {
    int w = TextToInt(GetKeyValue(GridColumnKey(c)));
    if (w > 0) grid->SetColWidths(c, w);
  }
  int rh = TextToInt(GetKeyValue("RH"));
  if (rh > 1) grid->SetDefaultRowHeight(rh);
}

void SettingsReader::WriteGridLayout(platform::StringGrid* grid, std::string section) {
  if (!grid) return;
  if (section.empty()) section = grid->Name();
  SelectSection(section);
  for (int c = 0; c < grid->ColCount(); ++c) SetKeyValue(GridColumnKey(c), std::to_string(grid->ColWidths(c)));
  SetKeyValue("RH", std::to_string(grid->DefaultRowHeight()));
  WriteSection(section);
}

// ---------------------------------------------------------------------------------------------
// Settings window

TAplStgsWnd* AplStgsWnd = nullptr;

SettingsReader& SettingsStore() {
  if (AplStgsWnd) return AplStgsWnd->Store;
  static SettingsReader own;
  return own;
}

TAplStgsWnd::TAplStgsWnd(platform::Component* owner) : platform::Form(owner, "AplStgsWnd") {
  using namespace platform;
  SetCaption("Settings");
  SetPosition(FormPosition::ScreenCenter);
  SetBounds(0, 0, 480, 360);
  SetKeyPreview(true);

  ToolBar1 = Make<ToolBar>(this, "ToolBar1");
  ToolBar1->SetAlign(Align::Top);
  ToolButtonOpen = Make<ToolButton>(ToolBar1, "ToolButtonOpen");
  ToolButtonOpen->SetHint("Open");
  ToolButtonSave = Make<ToolButton>(ToolBar1, "ToolButtonSave");
  ToolButtonSave->SetHint("Save");
  ToolButtonColor = Make<ToolButton>(ToolBar1, "ToolButtonColor");
  ToolButtonColor->SetHint("Color");
  ToolButtonFont = Make<ToolButton>(ToolBar1, "ToolButtonFont");
  ToolButtonFont->SetHint("Font");
  ToolButtonExit = Make<ToolButton>(ToolBar1, "ToolButtonExit");
  ToolButtonExit->SetHint("Exit");
  for (ToolButton* b : {ToolButtonOpen, ToolButtonSave, ToolButtonColor, ToolButtonFont, ToolButtonExit})
    b->SetShowHint(true);

  Memo1 = Make<Memo>(this, "Memo1");
  Memo1->SetAlign(Align::Client);
  Memo1->SetColor(clBlack);
  FontInfo font;
  font.Name = "Courier";
  font.Size = 10;
  font.Color = clLime;
  Memo1->SetParentFont(false);
  Memo1->SetFont(font);
  Memo1->SetScrollBars(ScrollStyle::Both);
  Memo1->SetWordWrap(false);
  Memo1->Lines().Add("Quorel settings");

  StatusBar1 = Make<StatusBar>(this, "StatusBar1");
  StatusBar1->SetAlign(Align::Bottom);

  ColorDialog1 = Make<ColorDialog>(this, "ColorDialog1");
  FontDialog1 = Make<FontDialog>(this, "FontDialog1");
  OpenDialog1 = Make<OpenDialog>(this, "OpenDialog1");
  SaveDialog1 = Make<SaveDialog>(this, "SaveDialog1");

  ToolButtonColor->OnClick = [this](Component* s) { ToolButtonColorClick(s); };
  ToolButtonFont->OnClick = [this](Component* s) { ToolButtonFontClick(s); };
  ToolButtonExit->OnClick = [this](Component* s) { ToolButtonExitClick(s); };
  OnKeyDown = [this](Component* s, int& key, ShiftState shift) { FormKeyDown(s, key, shift); };

  SettingsPaths paths = MakeSettingsPaths(ProgramFolder(), ProgramName(), platform::DocumentsFolder());
  Store.SystemSettingsFile = paths.system;
  Store.UserSettingsFile = paths.user;

  SetVisible(false);
  AplStgsWnd = this;
  DoCreate();
}

TAplStgsWnd::~TAplStgsWnd() {
  DoDestroy();
  if (AplStgsWnd == this) AplStgsWnd = nullptr;
}

void TAplStgsWnd::ToolButtonColorClick(platform::Component*) {
  ColorDialog1->SetDialogColor(Memo1->Color());
  if (ColorDialog1->Execute()) Memo1->SetColor(ColorDialog1->DialogColor());
}

void TAplStgsWnd::ToolButtonFontClick(platform::Component*) {
  FontDialog1->SetDialogFont(Memo1->Font());
  if (FontDialog1->Execute()) Memo1->SetFont(FontDialog1->DialogFont());
}

void TAplStgsWnd::ToolButtonExitClick(platform::Component*) { Close(); }

void TAplStgsWnd::FormKeyDown(platform::Component*, int& key, platform::ShiftState) {
  if (key == platform::Key::Escape) {
    key = 0;
    Close();
  }
}

}  // namespace quorel
