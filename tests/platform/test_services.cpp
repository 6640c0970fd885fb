// The services: headless answers and records, text conversion, files and process start-up.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Components.h"
#include "platform/Headless.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "platform/Text.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// A fresh folder below the build folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string base = std::string(QUOREL_BUILD_DIR) + "/platform_tmp_XXXXXX";
    std::vector<char> name(base.begin(), base.end());
    name.push_back('\0');
    path_ = ::mkdtemp(name.data());
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace

// ---------------------------------------------------------------- message boxes

TEST(MessageBoxService, AnswersComeFromTheQueueAndEveryQuestionIsRecorded) {
  HeadlessSession s;
  s.dialogs.QueueMessageAnswer(mrNo);
  s.dialogs.QueueMessageAnswer(mrCancel);
  EXPECT_EQ(MessageBox("Save changes ?", "Equilibrium", mbYesNoCancel | mbIconQuestion), mrNo);
  EXPECT_EQ(MessageBox("again", "Equilibrium", mbYesNoCancel), mrCancel);
  ASSERT_EQ(s.dialogs.messages.size(), 2u);
  EXPECT_EQ(s.dialogs.messages[0].text, "Save changes ?");
  EXPECT_EQ(s.dialogs.messages[0].caption, "Equilibrium");
  EXPECT_EQ(MsgIcon(s.dialogs.messages[0].flags), mbIconQuestion);
  EXPECT_EQ(s.dialogs.messages[1].answer, mrCancel);
  EXPECT_TRUE(s.AllAnswered());
  EXPECT_TRUE(s.AllUsed());
}

struct DefaultAnswerCase {
  MsgFlags flags;
  int answer;
};

class MessageBoxDefault : public ::testing::TestWithParam<DefaultAnswerCase> {};

TEST_P(MessageBoxDefault, UnansweredBoxGetsItsDefaultButton) {
  HeadlessSession s;
  EXPECT_EQ(MessageBox("?", "c", GetParam().flags), GetParam().answer);
  EXPECT_EQ(s.dialogs.unanswered, 1);
  EXPECT_FALSE(s.AllAnswered());
}

INSTANTIATE_TEST_SUITE_P(Cases, MessageBoxDefault,
                         ::testing::Values(DefaultAnswerCase{mbOk | mbIconWarning, mrOk},
                                           DefaultAnswerCase{mbOkCancel, mrOk},
                                           DefaultAnswerCase{mbYesNo, mrYes},
                                           DefaultAnswerCase{mbYesNo | mbDefButton2, mrNo},
                                           DefaultAnswerCase{mbYesNoCancel | mbDefButton3, mrCancel},
                                           DefaultAnswerCase{mbRetryCancel, mrRetry},
                                           DefaultAnswerCase{mbAbortRetryIgnore | mbDefButton2, mrRetry},
                                           DefaultAnswerCase{mbOk | mbDefButton3, mrOk}));

// ---------------------------------------------------------------- file dialogs

TEST(FileDialogs, OpenDialogAsksWithItsSettingsAndKeepsTheAnswer) {
  HeadlessSession s;
  OpenDialog dlg;
  dlg.SetTitle("Open Datasource");
  dlg.SetFilter("Quorel Database (*.tdb)|*.tdb|All Files(*)|*.*");
  dlg.SetInitialDir("/data");
  dlg.SetFileName("/data/old.tdb");
  s.dialogs.QueueFileName("/data/new.tdb", 2);
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.FileName(), "/data/new.tdb");
  EXPECT_EQ(dlg.FilterIndex(), 2);
  EXPECT_EQ(dlg.Files(), (std::vector<std::string>{"/data/new.tdb"}));
  ASSERT_EQ(s.dialogs.file_requests.size(), 1u);
  const FileDialogRequest& asked = s.dialogs.file_requests[0];
  EXPECT_EQ(asked.DialogKind, FileDialogKind::Open);
  EXPECT_EQ(asked.Title, "Open Datasource");
  EXPECT_EQ(asked.InitialDir, "/data");
  EXPECT_EQ(asked.FileName, "/data/old.tdb");
  EXPECT_EQ(asked.FilterIndex, 1);
}

TEST(FileDialogs, CancelKeepsTheOldNameAndAnUnansweredDialogCancels) {
  HeadlessSession s;
  SaveDialog dlg;
  dlg.SetFileName("keep.eql");
  s.dialogs.QueueFileCancel();
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(dlg.FileName(), "keep.eql");
  EXPECT_EQ(s.dialogs.file_requests.back().DialogKind, FileDialogKind::Save);
  EXPECT_TRUE(s.AllAnswered());
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(s.dialogs.unanswered, 1);
}

TEST(FileDialogs, DefaultExtensionIsAddedToANameWithoutOne) {
  HeadlessSession s;
  SaveDialog dlg;
  dlg.SetDefaultExt("eql");
  s.dialogs.QueueFileName("/x/new");
  s.dialogs.QueueFileName("/x.d/new.EQL");
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.FileName(), "/x/new.eql");
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.FileName(), "/x.d/new.EQL");
}

struct DefaultExtCase {
  const char* name;
  const char* ext;
  const char* result;
};

class DefaultExt : public ::testing::TestWithParam<DefaultExtCase> {};

TEST_P(DefaultExt, AppendsOnlyToTheLastPathPart) {
  EXPECT_EQ(ApplyDefaultExt(GetParam().name, GetParam().ext), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Cases, DefaultExt,
                         ::testing::Values(DefaultExtCase{"a", "eql", "a.eql"},
                                           DefaultExtCase{"a", ".eql", "a.eql"},
                                           DefaultExtCase{"a.asc", "eql", "a.asc"},
                                           DefaultExtCase{"dir.x/a", "eql", "dir.x/a.eql"},
                                           DefaultExtCase{"C:\\dir.x\\a", "eql", "C:\\dir.x\\a.eql"},
                                           DefaultExtCase{"a", "", "a"},
                                           DefaultExtCase{"", "eql", ""}));

TEST(FileDialogs, FilterTextSplitsIntoDescriptionsAndPatterns) {
  auto f = ParseFileFilter("Thermodynamic System  (*.eql)|*.eql|Tables|*.asc; *.txt|All Files (*.*)|*.*");
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].Description, "Thermodynamic System  (*.eql)");
  EXPECT_EQ(f[0].Patterns, (std::vector<std::string>{"*.eql"}));
  EXPECT_EQ(f[1].Patterns, (std::vector<std::string>{"*.asc", "*.txt"}));
  EXPECT_EQ(f[2].Patterns, (std::vector<std::string>{"*.*"}));
  EXPECT_EQ(ParseFileFilter("odd description only").size(), 0u);
  EXPECT_EQ(ParseFileFilter("").size(), 0u);
}

struct PatternCase {
  const char* name;
  const char* pattern;
  bool match;
};

class FilePattern : public ::testing::TestWithParam<PatternCase> {};

TEST_P(FilePattern, Matches) {
  EXPECT_EQ(MatchesFilePattern(GetParam().name, GetParam().pattern), GetParam().match);
}

INSTANTIATE_TEST_SUITE_P(Cases, FilePattern,
                         ::testing::Values(PatternCase{"a.eql", "*.eql", true},
                                           PatternCase{"A.EQL", "*.eql", true},
                                           PatternCase{"a.eqlx", "*.eql", false},
                                           PatternCase{"noext", "*.*", true},
                                           PatternCase{"ab.c", "a?.c", true},
                                           PatternCase{"abc.c", "a?.c", false},
                                           PatternCase{"x.tar.gz", "*.gz", true}));

// ---------------------------------------------------------------- font and colour

TEST(FontAndColour, DialogsStartFromTheValueAndApplyOnlyOnOk) {
  HeadlessSession s;
  FontDialog fd;
  FontInfo start{"Courier", 10};
  fd.SetDialogFont(start);
  FontInfo chosen{"Arial", 12, clRed, true};
  s.dialogs.QueueFont(chosen);
  s.dialogs.QueueFontCancel();
  ASSERT_TRUE(fd.Execute());
  EXPECT_EQ(fd.DialogFont(), chosen);
  EXPECT_FALSE(fd.Execute());
  EXPECT_EQ(fd.DialogFont(), chosen);
  EXPECT_EQ(s.dialogs.font_requests.front(), start);

  ColorDialog cd;
  cd.SetDialogColor(clBlack);
  s.dialogs.QueueColorCancel();
  s.dialogs.QueueColor(RGB(1, 2, 3));
  EXPECT_FALSE(cd.Execute());
  EXPECT_EQ(cd.DialogColor(), clBlack);
  ASSERT_TRUE(cd.Execute());
  EXPECT_EQ(cd.DialogColor(), 0x030201u) << "red in the lowest byte";
  EXPECT_EQ(s.dialogs.color_requests, (std::vector<TColor>{clBlack, clBlack}));
}

// ---------------------------------------------------------------- clipboard

TEST(ClipboardService, TextHtmlAndPictureReplaceEachOther) {
  HeadlessSession s;
  EXPECT_FALSE(Clipboard().HasText());
  Clipboard().SetText("I:526\tText");
  EXPECT_EQ(Clipboard().Text(), "I:526\tText");
  Clipboard().SetHtml("<table></table>\n", "plain");
  EXPECT_EQ(Clipboard().Text(), "plain");
  EXPECT_EQ(s.clipboard.html, "<table></table>\n");
  Clipboard().SetPicture(nullptr);
  EXPECT_FALSE(Clipboard().HasText());
  EXPECT_EQ(s.clipboard.writes, 3);
}

// ---------------------------------------------------------------- application

TEST(EventPump, CallbackRunsAfterNPumps) {
  HeadlessSession s;
  Form main;
  auto* btn = Make<Button>(&main, "BtnCalc");
  bool breakFlag = false;
  btn->OnClick = [&](Component*) {
    if (CalculationRunning()) breakFlag = true;
  };
  s.application.AtPump(3, [&] { btn->Click(); });
  // A solver loop: pumps on every step, stops when the flag is set.
  int steps = 0;
  {
    RunStateScope busy(RunState::Calculating);
    while (!breakFlag && steps < 100) {
      ++steps;
      ProcessMessages();
    }
  }
  EXPECT_EQ(steps, 3);
  EXPECT_EQ(s.application.run_state, RunState::Idle);
  EXPECT_EQ(s.application.run_states, (std::vector<RunState>{RunState::Calculating, RunState::Idle}));
}

TEST(EventPump, AtPumpCountsFromNowAndOnPumpSeesEveryCall) {
  HeadlessSession s;
  ProcessMessages();
  ProcessMessages();
  std::vector<int> ran, seen;
  s.application.AtPump(1, [&] { ran.push_back(s.application.pumps); });
  s.application.AtPump(2, [&] { ran.push_back(s.application.pumps); });
  s.application.on_pump = [&](int n) { seen.push_back(n); };
  for (int i = 0; i < 3; ++i) ProcessMessages();
  EXPECT_EQ(ran, (std::vector<int>{3, 4}));
  EXPECT_EQ(seen, (std::vector<int>{3, 4, 5}));
}

TEST(Services, SessionRestoresThePreviousSet) {
  ServiceSet before = InstalledServices();
  {
    HeadlessSession outer;
    outer.application.title = "outer";
    {
      HeadlessSession inner;
      inner.application.title = "inner";
      EXPECT_EQ(Application().Title(), "inner");
    }
    EXPECT_EQ(Application().Title(), "outer");
  }
  EXPECT_EQ(InstalledServices().application, before.application);
  // Without anything installed the built-in answers still work.
  EXPECT_NO_FATAL_FAILURE(ProcessMessages());
  EXPECT_EQ(MessageBox("x", "y", mbYesNo), mrYes);
}

TEST(Services, HeadlessProgramFolder) {
  HeadlessApplication app;
  app.program_path = "/opt/quorel/bin/orvanto";
  EXPECT_EQ(app.ProgramFolder(), "/opt/quorel/bin");
  app.program_path = "/orvanto";
  EXPECT_EQ(app.ProgramFolder(), "/");
}

// ---------------------------------------------------------------- text

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += char(b);
  std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  for (int b = 0; b < 256; ++b) {
    std::string one(1, char(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
  }
}

struct CharCase {
  const char* cp1252;
  const char* utf8;
};

class Cp1252Chars : public ::testing::TestWithParam<CharCase> {};

// Code points from the Windows-1252 table published by the Unicode Consortium
// (MAPPINGS/VENDORS/MICSFT/WINDOWS/CP1252.TXT).
TEST_P(Cp1252Chars, MapToTheirCodePoints) {
  EXPECT_EQ(Cp1252ToUtf8(GetParam().cp1252), GetParam().utf8);
  EXPECT_EQ(Utf8ToCp1252(GetParam().utf8), GetParam().cp1252);
}

INSTANTIATE_TEST_SUITE_P(Cases, Cp1252Chars,
                         ::testing::Values(CharCase{"T [\xB0" "C ]", "T [\xC2\xB0" "C ]"},  // U+00B0
                                           CharCase{"m\xB3", "m\xC2\xB3"},                // U+00B3
                                           CharCase{"\x80", "\xE2\x82\xAC"},              // U+20AC
                                           CharCase{"\x85", "\xE2\x80\xA6"},              // U+2026
                                           CharCase{"\x9F", "\xC5\xB8"},                  // U+0178
                                           CharCase{"\x81", "\xC2\x81"},                  // undefined
                                           CharCase{"\xE4\xF6\xFC\xDF", "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F"},
                                           CharCase{"plain", "plain"}));

struct BadUtf8Case {
  const char* utf8;
  const char* cp1252;
};

class Utf8Unmappable : public ::testing::TestWithParam<BadUtf8Case> {};

TEST_P(Utf8Unmappable, BecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252(GetParam().utf8), GetParam().cp1252);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Unmappable,
                         ::testing::Values(BadUtf8Case{"\xCE\xA9", "?"},           // U+03A9 omega
                                           BadUtf8Case{"a\xF0\x9F\x98\x80" "b", "a?b"},  // emoji
                                           BadUtf8Case{"\xC2", "?"},               // cut short
                                           BadUtf8Case{"\xE2\x82" "x", "?x"},      // cut short
                                           BadUtf8Case{"\x80", "?"},               // stray byte
                                           BadUtf8Case{"\xC0\xAF", "?"},           // overlong '/'
                                           BadUtf8Case{"\xED\xA0\x80", "?"},       // surrogate
                                           BadUtf8Case{"\xFF", "?"}));

// ---------------------------------------------------------------- files

TEST(Files, StampOfMissingAndExistingFiles) {
  TempFolder t;
  EXPECT_EQ(FileStamp(t / "missing"), -1);
  EXPECT_FALSE(FileExists(t / "missing"));
  WriteFile(t / "a.tdb", "x");
  std::int64_t s1 = FileStamp(t / "a.tdb");
  EXPECT_GT(s1, 0);
  EXPECT_TRUE(FileExists(t / "a.tdb"));
  EXPECT_FALSE(FileExists(t.path()));
  EXPECT_TRUE(DirectoryExists(t.path()));
  // A changed modification time gives a different stamp.
  struct timespec times[2] = {{1000000000, 0}, {1000000000, 500}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (t / "a.tdb").c_str(), times, 0), 0);
  EXPECT_EQ(FileStamp(t / "a.tdb"), 1000000000LL * 1000000000LL + 500);
}

TEST(Files, CopyHonoursTheOverwriteFlag) {
  TempFolder t;
  WriteFile(t / "src", "new content");
  WriteFile(t / "dst", "old");
  EXPECT_FALSE(CopyFile(t / "src", t / "dst", false));
  EXPECT_EQ(ReadFile(t / "dst"), "old");
  EXPECT_TRUE(CopyFile(t / "src", t / "dst", true));
  EXPECT_EQ(ReadFile(t / "dst"), "new content");
  EXPECT_TRUE(CopyFile(t / "src", t / "fresh", false));
  EXPECT_EQ(ReadFile(t / "fresh"), "new content");
  EXPECT_TRUE(CopyFile(t / "src", t / "src", true)) << "a file copied onto itself stays whole";
  EXPECT_EQ(ReadFile(t / "src"), "new content");
}

TEST(Files, FailedCopiesReportFailureAndLeaveNothingBehind) {
  TempFolder t;
  WriteFile(t / "src", "x");
  EXPECT_FALSE(CopyFile(t / "missing", t / "dst", true));
  EXPECT_FALSE(CopyFile(t / "src", t / "no/such/folder/dst", true));
  EXPECT_FALSE(CopyFile(t.path(), t / "dst", true)) << "a folder is no file";
  fs::create_directory(t / "sub");
  EXPECT_FALSE(CopyFile(t / "src", t / "sub", true)) << "a folder is never replaced";
  int files = 0;
  for (auto& e : fs::directory_iterator(t.path())) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1) << "no temporary file left";
}

TEST(Files, Cp1252NamesBecomeUtf8OnDisk) {
  TempFolder t;
  std::string name = t / "T\xB0" "C.asc";  // system text
  WriteFile(t / "T\xC2\xB0" "C.asc", "x");  // what is on the disk
  EXPECT_GT(FileStamp(name), 0);
  EXPECT_TRUE(CopyFile(name, t / "copy\xB3", false));
  EXPECT_TRUE(fs::exists(t / "copy\xC2\xB3"));
}

// ---------------------------------------------------------------- documents folder

struct UserDirsCase {
  const char* text;
  const char* result;
};

class UserDirs : public ::testing::TestWithParam<UserDirsCase> {};

TEST_P(UserDirs, DocumentsEntry) {
  EXPECT_EQ(ParseUserDirsDocuments(GetParam().text, "/home/u"), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserDirs,
    ::testing::Values(UserDirsCase{"XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n", "/home/u/Documents"},
                      UserDirsCase{"# c\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n  XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n",
                                   "/srv/docs"},
                      UserDirsCase{"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\r\n", "/home/u/My \"Docs\""},
                      UserDirsCase{"XDG_DOCUMENTS_DIR=\"relative/path\"\n", ""},
                      UserDirsCase{"XDG_DOCUMENTS_DIR=\"$HOMEX/a\"\n", ""},
                      UserDirsCase{"XDG_DOCUMENTS_DIR=\"$HOME\"\n", "/home/u"},
                      UserDirsCase{"#XDG_DOCUMENTS_DIR=\"/a\"\n", ""},
                      UserDirsCase{"", ""}));

TEST(DocumentsFolder, ReadsTheUserDirsFileOfTheConfigFolder) {
  TempFolder t;
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  std::string saved = oldConfig ? oldConfig : "";
  WriteFile(t / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + t.path() + "/Docs\"\n");
  ::setenv("XDG_CONFIG_HOME", t.path().c_str(), 1);
  EXPECT_EQ(XdgDocumentsFolder(), t.path() + "/Docs");
  EXPECT_EQ(SystemDesktop().DocumentsFolder(), t.path() + "/Docs");
  if (oldConfig) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_CONFIG_HOME");
}

// ---------------------------------------------------------------- shell open

class ShellOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    opener_ = tmp_ / "fake-opener";
    out_ = tmp_ / "args.txt";
    // Writes each argument on its own line, so a split or a shell expansion would show.
    WriteFile(opener_, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + out_ + "'\n");
    ::chmod(opener_.c_str(), 0755);
  }
  std::string Opened(const std::string& target) {
    SystemDesktop desktop(opener_);
    if (!desktop.ShellOpen(target)) return "<not started>";
    EXPECT_EQ(WaitProcess(desktop.LastPid()), 0);
    return ReadFile(out_);
  }
  TempFolder tmp_;
  std::string opener_, out_;
};

TEST_F(ShellOpenTest, TheTargetIsOneArgumentNeverSeenByAShell) {
  EXPECT_EQ(Opened("https://example.org/a?b=1&c=2"), "https://example.org/a?b=1&c=2\n");
  EXPECT_EQ(Opened("/tmp/My Files/a b.pdf"), "/tmp/My Files/a b.pdf\n");
  EXPECT_EQ(Opened("x; touch " + tmp_ / "pwned" + " $(id) `id` 'q'"),
            "x; touch " + tmp_ / "pwned" + " $(id) `id` 'q'\n");
  EXPECT_FALSE(fs::exists(tmp_ / "pwned"));
}

TEST_F(ShellOpenTest, ATargetStartingWithADashIsNoOption) {
  EXPECT_EQ(Opened("--help"), "./--help\n");
}

TEST_F(ShellOpenTest, TextIsConvertedAndFailuresReported) {
  EXPECT_EQ(Opened("T\xB0" "C.pdf"), "T\xC2\xB0" "C.pdf\n");
  EXPECT_EQ(Opened(""), "<not started>");
  SystemDesktop missing(tmp_ / "no-such-opener");
  EXPECT_FALSE(missing.ShellOpen("a.pdf"));
}

TEST(ShellOpenHeadless, RecordsTheRequest) {
  HeadlessSession s;
  EXPECT_TRUE(ShellOpen("https://example.org"));
  s.desktop.open_result = false;
  EXPECT_FALSE(ShellOpen("help.pdf"));
  EXPECT_EQ(s.desktop.opened, (std::vector<std::string>{"https://example.org", "help.pdf"}));
}
