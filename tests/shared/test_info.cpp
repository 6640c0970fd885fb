#include "shared/Info.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/Headless.h"
#include "platform/Menus.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"
#include "shared/TDynOprt.h"
#include "shared/AplMsg.h"

using namespace quorel;
namespace fs = std::filesystem;

namespace {

const std::string kFixtures = std::string(QUOREL_TEST_DIR) + "/fixtures/stgs/";

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The about box of a program whose folder is "<tmp>/bin", with a "Reopen" menu of 10 items.
class InfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "stgs_info_XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    root_ = ::mkdtemp(buf.data());
    bin_ = root_ + "/bin";
    fs::create_directories(bin_);
    previousFolder_ = ProgramFolder();
    SetProgramFolder(bin_);
    session_.desktop.documents_folder = root_ + "/docs";
    session_.application.program_path = bin_ + "/Orvanto";
    stgs_ = std::make_unique<TAplStgsWnd>();
    info_ = std::make_unique<TInfoDlg>();
    menu_ = std::make_unique<platform::MainMenu>(nullptr, "MainMenu1");
    reopen_ = menu_->Add("MnuReopen", "Reopen");
    for (int i = 0; i < 10; ++i) reopen_->Add("MnuReopen" + std::to_string(i), "");
    info_->RecentFilesMenu = reopen_;
  }
  void TearDown() override {
    info_.reset();
    stgs_.reset();
    SetProgramFolder(previousFolder_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  std::vector<std::string> Visible() const {
    std::vector<std::string> captions;
    for (int i = 0; i < reopen_->Count(); ++i)
      if (reopen_->Items(i)->Visible()) captions.push_back(reopen_->Items(i)->Caption());
    return captions;
  }

  platform::HeadlessSession session_;
  std::string root_, bin_, previousFolder_;
  std::unique_ptr<TAplStgsWnd> stgs_;
  std::unique_ptr<TInfoDlg> info_;
  std::unique_ptr<platform::MainMenu> menu_;
  platform::MenuItem* reopen_ = nullptr;
};

TEST_F(InfoTest, AboutBox) {
  EXPECT_EQ(info_->Caption(), "About");
  EXPECT_EQ(info_->BtnOK->Caption(), "Close");
  EXPECT_TRUE(info_->Memo1->ReadOnly());
  EXPECT_FALSE(info_->Memo1->WordWrap());
  EXPECT_EQ(info_->Memo1->Color(), platform::clNavy);
  EXPECT_EQ(info_->Memo1->Font().Color, platform::clLime);
  info_->FillAboutText();
  ASSERT_GT(info_->Memo1->Lines().Count(), 0);
  EXPECT_FALSE(info_->Memo1->Lines()[0].empty());
  info_->UserResize(401, 300);
  EXPECT_EQ(info_->BtnOK->Left(), 401 / 2 - 75 / 2);
  info_->Show();
  info_->BtnOK->Click();
  EXPECT_FALSE(info_->Visible());
}

TEST_F(InfoTest, HelpOpensThroughTheDesktopOrTheLogSaysWhy) {
  ScopedLogRecorder rec;
  // Nothing set: nothing is opened, and the log says so.
  info_->OpenHelpIndex();
  EXPECT_TRUE(session_.desktop.opened.empty());
  ASSERT_EQ(rec.sink.Count(HelpNotOpenedId), 1);
  EXPECT_EQ(rec.sink.messages.back().level, LevelError);
  EXPECT_NE(rec.sink.messages.back().text.find("Quorel.sys"), std::string::npos);

  // A web address and a document that exists go to the desktop's program as they are.
  const std::string page = root_ + "/help/eql.htm";
  fs::create_directories(root_ + "/help");
  std::ofstream(page) << "<html></html>";
  stgs_->Store.HelpIndexPath = "https://quorel.example/Help/Index.html";
  info_->OpenHelpIndex();
  info_->OpenHelpIndex(page);
  EXPECT_EQ(session_.desktop.opened, (std::vector<std::string>{"https://quorel.example/Help/Index.html", page}));
  EXPECT_EQ(rec.sink.Count(HelpNotOpenedId), 1);

  // A document that does not exist is not handed on.
  info_->OpenHelpIndex(root_ + "/help/none.htm");
  EXPECT_EQ(session_.desktop.opened.size(), 2u);
  ASSERT_EQ(rec.sink.Count(HelpNotOpenedId), 2);
  EXPECT_EQ(rec.sink.messages.back().text, "Help document " + root_ + "/help/none.htm does not exist");

  // No program of the desktop could be started for it.
  session_.desktop.open_result = false;
  info_->OpenHelpIndex(page);
  ASSERT_EQ(rec.sink.Count(HelpNotOpenedId), 3);
  EXPECT_EQ(rec.sink.messages.back().text,
            "Help document " + page + " cannot be opened: no program of the desktop opens it");
}

TEST_F(InfoTest, EscapeClosesTheAboutBox) {
  info_->Show();
  EXPECT_TRUE(info_->Visible());
  info_->Memo1->KeyDown(platform::Key::Escape);
  EXPECT_FALSE(info_->Visible());
}

// The shipped system file names the shipped guide, and Help opens it.
TEST(ShippedHelp, QuorelSysNamesTheGuideAndHelpOpensIt) {
  platform::HeadlessSession session;
  const std::string previousFolder = ProgramFolder();
  SetProgramFolder(QUOREL_SOURCE_DIR "/data");
  {
    ScopedLogRecorder rec;
    TAplStgsWnd stgs;
    TTDynOprtWnd dyn;
    TInfoDlg info;
    dyn.StartUpDatabase();
    const std::string help = stgs.Store.HelpIndexPath;
    ASSERT_FALSE(help.empty());
    EXPECT_EQ(fs::path(help).filename(), "QuorelHelp.html");
    const std::string text = ReadBytes(help);
    for (const char* topic : {"Choosing elements", "Choosing substances", "Isothermal calculation",
                              "Adiabatic calculation", "Reading the results", "Using Lunetta"})
      EXPECT_NE(text.find(topic), std::string::npos) << topic;
    info.OpenHelpIndex();
    EXPECT_EQ(session.desktop.opened, (std::vector<std::string>{help}));
    EXPECT_FALSE(rec.sink.Has(HelpNotOpenedId));
  }
  SetProgramFolder(previousFolder);
  ClearDatabase();
  InitElementTable();
}

TEST_F(InfoTest, RecentFilesOrderAndMenu) {
  EXPECT_FALSE(info_->RecentFilesList.size());
  info_->UpdateRecentFiles("/w/a.eql");
  info_->UpdateRecentFiles("/w/b.eql");
  info_->UpdateRecentFiles("/w/c.eql");
  EXPECT_EQ(info_->RecentFilesList, (std::vector<std::string>{"/w/c.eql", "/w/b.eql", "/w/a.eql"}));
  // The third moves to the top; no duplicate is left.
  info_->UpdateRecentFiles("/w/a.eql");
  EXPECT_EQ(info_->RecentFilesList, (std::vector<std::string>{"/w/a.eql", "/w/c.eql", "/w/b.eql"}));
  EXPECT_TRUE(reopen_->Visible());
  EXPECT_EQ(Visible(), info_->RecentFilesList);
  // Case matters.
  info_->UpdateRecentFiles("/w/A.eql");
  EXPECT_EQ(info_->RecentFilesList.size(), 4u);
  info_->RemoveRecentFile("/w/A.eql");
  info_->RemoveRecentFile("/w/none.eql");
  EXPECT_EQ(info_->RecentFilesList, (std::vector<std::string>{"/w/a.eql", "/w/c.eql", "/w/b.eql"}));
  EXPECT_EQ(Visible().size(), 3u);
  for (int i = 0; i < 3; ++i) info_->RemoveRecentFile(info_->RecentFilesList.back());
  EXPECT_FALSE(reopen_->Visible());
  // Without a menu nothing happens.
  info_->RecentFilesMenu = nullptr;
  info_->UpdateRecentFiles("/w/x.eql");
  EXPECT_TRUE(info_->RecentFilesList.empty());
}

TEST_F(InfoTest, AmpersandInAPathSurvives) {
  const std::string path = bin_ + "/R&D/x&y.eql";
  info_->UpdateRecentFiles(path);
  EXPECT_EQ(reopen_->Items(0)->Caption(), RecentFileCaption(path));
  EXPECT_NE(RecentFileCaption(path).find("R&&D/x&&y.eql"), std::string::npos);
  EXPECT_EQ(info_->RecentFilePath(0), path);
  EXPECT_EQ(info_->RecentFilePath(1), "");
  SettingsReader& s = stgs_->Store;
  s.ResetSettingsCache();
  info_->SaveRecentFiles();
  EXPECT_EQ(s.FileLines(), (std::vector<std::string>{"[History]", "  R&D/x&y.eql"}));
  info_->RecentFilesList.clear();
  s.SelectSection("~");
  info_->UpdateRecentFiles("");
  EXPECT_EQ(info_->RecentFilesList, std::vector<std::string>{path});
}

TEST_F(InfoTest, HistoryWrittenWith32EntriesAndReadBack) {
  // 40 files, the first 10 inside the program's folder, the rest beside it.
  for (int i = 39; i >= 0; --i) {
    const std::string name = "s" + std::to_string(i) + ".eql";
    const std::string p = i < 10 ? bin_ + "/eql/" + name : root_ + "/elsewhere/" + name;
    info_->UpdateRecentFiles(p);
  }
  ASSERT_EQ(info_->RecentFilesList.size(), 40u);
  EXPECT_EQ(Visible().size(), 10u);  // as many as the menu has items
  SettingsReader& s = stgs_->Store;
  const std::string usr = root_ + "/Orvanto.usr";
  ASSERT_EQ(s.OpenSettingsFile(usr), 0);
  s.SelectSection("MainWnd");
  s.SetKeyValue("T", "25");
  s.WriteSection("MainWnd");
  info_->SaveRecentFiles();
  ASSERT_EQ(s.SaveSettingsFile(usr), 1);

  // Golden file (no absolute path is written: every entry lies below the same root).
  std::string golden = ReadBytes(kFixtures + "history.usr");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(ReadBytes(usr), golden);

  // Read back: relative entries are expanded against the program folder.
  info_->RecentFilesList.clear();
  s.ResetSettingsCache();
  ASSERT_EQ(s.OpenSettingsFile(usr), 1);
  info_->UpdateRecentFiles("");
  ASSERT_EQ(info_->RecentFilesList.size(), 32u);
  EXPECT_EQ(info_->RecentFilesList[0], bin_ + "/eql/s0.eql");
  EXPECT_EQ(info_->RecentFilesList[31], root_ + "/elsewhere/s31.eql");
}

TEST_F(InfoTest, MissingHistoryHidesTheMenu) {
  info_->UpdateRecentFiles("/w/a.eql");
  stgs_->Store.ResetSettingsCache();
  info_->UpdateRecentFiles("");
  EXPECT_TRUE(info_->RecentFilesList.empty());
  EXPECT_FALSE(reopen_->Visible());
}

TEST_F(InfoTest, StoredPaths) {
  EXPECT_EQ(StoredRecentFilePath("/opt/q/bin/a.eql", "/opt/q/bin"), "a.eql");
  EXPECT_EQ(StoredRecentFilePath("/opt/q/eql/a.eql", "/opt/q/bin"), "../eql/a.eql");
  EXPECT_EQ(StoredRecentFilePath("D:\\eql\\a.eql", "/opt/q/bin"), "D:\\eql\\a.eql");
  EXPECT_EQ(StoredRecentFilePath("rel/a.eql", "/opt/q/bin"), "rel/a.eql");
  EXPECT_EQ(RecentFileCaption("a&b&&c"), "a&&b&&&&c");
}

TEST_F(InfoTest, TranslationsReturnTheirInput) {
  EXPECT_EQ(UntranslatedText("File exists, replace ?"), "File exists, replace ?");
  EXPECT_EQ(TranslateText("Unknown format in clipboard"), "Unknown format in clipboard");
  EXPECT_EQ(TranslateMessageId("MA490", "Variable already exists, See ID: "), "Variable already exists, See ID: ");
  EXPECT_TRUE(TranslationLoaded("Messages"));
  // With lines the lookups find their texts.
  info_->TranslationLines = {"  hello=Hallo ", "MA490= Variable existiert ", "ma491=x"};
  EXPECT_EQ(TranslateText("Hello"), "Hallo ");
  EXPECT_EQ(TranslateMessageId("MA490", "d"), " Variable existiert");  // trimmed line, after "="
  EXPECT_EQ(TranslateMessageId("MA491", "d"), "d");
  info_->LanguageCode = "44";
  EXPECT_EQ(TranslateText("Hello"), "Hello");
  info_.reset();
  EXPECT_EQ(TranslateText("Hello"), "Hello");
  EXPECT_FALSE(TranslationLoaded("Messages"));
}

}  // namespace
