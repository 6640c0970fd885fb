// The about box and three small services that live with it: opening the help document or
// help page with the desktop's default program, the recent-files list behind a "Reopen" menu
// (settings section "History"), and the translation lookups through which some messages pass
// (they return their input while no translation is loaded, which is always the case today).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/Menus.h"

namespace quorel {

// The message ID of a help document that cannot be shown.
inline constexpr int HelpNotOpenedId = 1139;

// At most this many recent files are written into the settings.
inline constexpr int MaxStoredRecentFiles = 32;

// A menu caption showing a path as it is: every "&" doubled, so none becomes a mnemonic.
std::string RecentFileCaption(std::string_view path);
// How a recent file is stored: relative to the program folder when it lies below the same root
// (a path on another drive, such as "D:\x.eql", is kept as it is).
std::string StoredRecentFilePath(const std::string& path, const std::string& programFolder);

class TInfoDlg : public platform::Form {
 public:
  explicit TInfoDlg(platform::Component* owner = nullptr);
  ~TInfoDlg() override;

  platform::Memo* Memo1 = nullptr;
  platform::Panel* Panel1 = nullptr;
  platform::Button* BtnOK = nullptr;

  // --- about text ---
  void FillAboutText();

  // --- help ---
  // Opens a document or web address (empty: the help document of the settings) with the
  // desktop's handler for "open". When there is none, the file does not exist or no program
  // could be started for it, the log says so (level 0, HelpNotOpenedId).
  void OpenHelpIndex(std::string_view target = {});

  // --- recent files ---
  std::vector<std::string> RecentFilesList;  // full paths, newest first
  std::string RecentFilesSection = "History";
  // The owner's "Reopen" item; its sub-items show the list. Nothing happens while it is unset.
  platform::MenuItem* RecentFilesMenu = nullptr;
  std::string ProgramFolderPath;  // folder of the running program
  // "": read the list from the open settings file; "*": refresh the menu only; a path: put it
  // first (removing it from further down).
  void UpdateRecentFiles(std::string_view path);
  void RemoveRecentFile(std::string_view path);
  // Writes the list into section "History" of the open settings file (the caller saves).
  void SaveRecentFiles();
  // The path behind sub-item i of the menu; "" outside the list.
  std::string RecentFilePath(int index) const;

  // --- translation ---
  std::vector<std::string> TranslationSections;
  std::vector<std::string> TranslationLines;
  bool TranslationListsExist = true;  // created with the dialog
  std::string LanguageCode;
  bool TranslationLoaded(std::string_view section) const;
  std::string TranslateText(std::string_view text) const;
  std::string TranslateMessageId(std::string_view key, std::string_view defaultText) const;

  void BtnOKClick(platform::Component* sender);
  void FormResize(platform::Component* sender);
};

extern TInfoDlg* InfoDlg;

// The lookups through the about box (the input unchanged while it does not exist).
std::string UntranslatedText(std::string_view text);
bool TranslationLoaded(std::string_view section);
std::string TranslateText(std::string_view text);
std::string TranslateMessageId(std::string_view key, std::string_view defaultText);

}  // namespace quorel
