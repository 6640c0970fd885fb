#include "shared/AplStgs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Headless.h"
#include "shared/AplMsg.h"

using namespace quorel;
namespace fs = std::filesystem;

namespace {

const std::string kFixtures = std::string(QUOREL_TEST_DIR) + "/fixtures/stgs/";

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A fresh folder under the system's temporary folder, removed afterwards.
class StgsTempDir {
 public:
  StgsTempDir() {
    std::string tmpl = (fs::temp_directory_path() / "stgs_XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    path_ = ::mkdtemp(buf.data());
  }
  ~StgsTempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (fs::path(path_) / name).string(); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Gives a file a modification stamp of its own, one second further than it had.
void BumpStamp(const std::string& path) {
  auto t = fs::last_write_time(path);
  fs::last_write_time(path, t + std::chrono::seconds(1));
}

// ---------------------------------------------------------------------------------------------
// Text form

TEST(AplStgsFormat, LineEndsOfEveryKindReadToTheSameLines) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"CR LF", "[General]\r\n  Database=x.tdb\r\n\r\n  PrjDir=p\r\n"},
      {"LF", "[General]\n  Database=x.tdb\n\n  PrjDir=p\n"},
      {"CR", "[General]\r  Database=x.tdb\r\r  PrjDir=p\r"},
      {"mixed, no end", "\n\r\n[General]\r  Database=x.tdb\n\r\n\r  PrjDir=p"},
  };
  const std::vector<std::string> expected = {"[General]", "  Database=x.tdb", "  PrjDir=p"};
  for (const auto& c : cases) EXPECT_EQ(SplitSettingsLines(c.bytes), expected) << c.what;
  // A line holding only blanks is a line.
  EXPECT_EQ(SplitSettingsLines("a\n  \nb\n"), (std::vector<std::string>{"a", "  ", "b"}));
  EXPECT_EQ(JoinSettingsLines({"[A]", "  x=1"}), "[A]\r\n  x=1\r\n");
  // A line break inside a value or a grid cell must not make a header of what follows it.
  EXPECT_EQ(JoinSettingsLines({"  Desc=a\r\n[General]", "x\ty\nz"}), "  Desc=a  [General]\r\nx\ty z\r\n");
}

TEST(AplStgsFormat, TrimRemovesEveryControlCharacter) {
  EXPECT_EQ(SettingsTrim(std::string("\t\x01 key=v \x1f\t", 11)), "key=v");
  EXPECT_EQ(SettingsTrim("\xb0" "C "), "\xb0" "C");  // "°" (code 176) is text
}

TEST(AplStgsFormat, BackupNames) {
  struct Case {
    const char* path;
    const char* backup;
  };
  const Case cases[] = {
      {"/d/x.sys", "/d/x.~sys"},       {"/d/x.eql", "/d/x.~eql"}, {"/d/x", "/d/x.~"},
      {"/d/x.", "/d/x.~"},             {"/d.e/x", "/d.e/x.~"},    {"C:\\d.e\\x", "C:\\d.e\\x.~"},
      {"/d/a.b.usr", "/d/a.b.~usr"},
  };
  for (const auto& c : cases) EXPECT_EQ(BackupFileName(c.path), c.backup) << c.path;
}

TEST(AplStgsFormat, GridColumnKeys) {
  EXPECT_EQ(GridColumnKey(0), "CW00");
  EXPECT_EQ(GridColumnKey(9), "CW09");
  EXPECT_EQ(GridColumnKey(10), "CW10");
  EXPECT_EQ(GridColumnKey(123), "CW123");
}

// ---------------------------------------------------------------------------------------------
// Sections and keys on lines in memory

SettingsReader StoreWith(std::vector<std::string> lines) {
  SettingsReader s;
  s.ResetSettingsCache();
  s.FileLines() = std::move(lines);
  return s;
}

TEST(AplStgsSections, HeaderMatching) {
  SettingsReader s = StoreWith({"[general]", "  k=lower", "[General] the system's own", "  k=upper",
                                "[GeneralX]", "  k=x"});
  EXPECT_EQ(s.SelectSection("General"), 2);
  EXPECT_EQ(s.GetKeyValue("k"), "upper");
  EXPECT_EQ(s.SelectSection("general"), 2);
  EXPECT_EQ(s.GetKeyValue("k"), "lower");
  EXPECT_EQ(s.SelectSection("GENERAL"), 0);
  EXPECT_EQ(s.SectionLines(), std::vector<std::string>{"[GENERAL]"});
  EXPECT_EQ(s.GetKeyValue("k"), "");
}

TEST(AplStgsSections, KeyMatching) {
  SettingsReader s = StoreWith({"[S]", "  Keyword=long", "\tKey =blank before", "  Key=  padded \t ",
                                "  Expr=a=b", "  Key=second", "  key=lower"});
  ASSERT_EQ(s.SelectSection("S"), 7);
  EXPECT_EQ(s.GetKeyValue("Key"), "  padded");  // trailing blanks and TABs lost, leading kept
  EXPECT_EQ(s.GetKeyValue("Keyword"), "long");
  EXPECT_EQ(s.GetKeyValue("Expr"), "a=b");
  EXPECT_EQ(s.GetKeyValue("key"), "lower");
  EXPECT_EQ(s.GetKeyValue("Missing"), "");
  s.SetKeyValue("Key", "new");
  EXPECT_EQ(s.SectionLines()[3], "Key=new");
  EXPECT_EQ(s.SectionLines()[5], "  Key=second");
  s.SetKeyValue("Added", "1");
  EXPECT_EQ(s.SectionLines().back(), "Added=1");
}

TEST(AplStgsSections, SelectingTwiceIsCachedUntilTheFileIsRead) {
  SettingsReader s = StoreWith({"[A]", "x=1"});
  EXPECT_EQ(s.SelectSection("Missing"), 0);
  EXPECT_EQ(s.SelectSection("Missing"), 1);
  EXPECT_EQ(s.SelectSection("A"), 2);
  EXPECT_EQ(s.SelectSection("A"), 1);
}

TEST(AplStgsSections, UnnamedAndWholeFile) {
  SettingsReader s = StoreWith({"first", "second", "[A]", "x=1"});
  EXPECT_EQ(s.SelectSection(""), 2);
  EXPECT_EQ(s.SelectSection("*"), 4);
  SectionRange r = s.FindSectionRange("");
  EXPECT_EQ(r.first, 0);
  EXPECT_EQ(r.last, 1);
  EXPECT_TRUE(r.endedAtHeader);

  SettingsReader h = StoreWith({"[A]", "x=1"});
  EXPECT_EQ(h.SelectSection(""), 0);
  EXPECT_EQ(h.FindSectionRange("").first, -1);
  // Writing the whole file back replaces it, it does not append a copy.
  ASSERT_EQ(h.SelectSection("*"), 2);
  h.WriteSection("*");
  EXPECT_EQ(h.FileLines(), (std::vector<std::string>{"[A]", "  x=1"}));
}

// A grid row or a note that begins like a header neither ends its section nor opens one: the
// fuzzed system file "[RecordDefinition]" with the row "\t[CalculationVariable]\t" was read
// back with a second variation section that grew on every save, and a phase row whose
// substance began with "[Memo]" moved the rows after it into the memo.
TEST(AplStgsSections, ALineThatEndsNoSectionOpensNone) {
  SettingsReader s;
  s.FileLines() = {"[RecordDefinition]", "ID\tVariable\tAdr.", "\t[CalculationVariable]\t", "  [Memo] see below",
                   "[Memo].\tT(in)", "[Memo]\t\t", "[CalculationVariable]", "  1\t2", "[Memo]", "#note"};
  EXPECT_EQ(s.SelectSection("RecordDefinition"), 6);
  EXPECT_EQ(s.SelectSection("CalculationVariable"), 2);
  EXPECT_EQ(s.SectionLines()[1], "  1\t2");
  const SectionRange r = s.FindSectionRange("CalculationVariable");
  EXPECT_EQ(r.first, 6);
  EXPECT_EQ(r.last, 7);
  EXPECT_EQ(s.FindSectionRange("Memo").first, 8);
}

TEST(AplStgsSections, RangeOfASection) {
  SettingsReader s = StoreWith({"[A]", "a", "[B]", "b1", "b2", "[C] more", "c"});
  SectionRange b = s.FindSectionRange("B");
  EXPECT_EQ(b.first, 2);
  EXPECT_EQ(b.last, 4);
  EXPECT_TRUE(b.endedAtHeader);
  SectionRange c = s.FindSectionRange("C");
  EXPECT_EQ(c.first, 5);
  EXPECT_EQ(c.last, 6);
  EXPECT_FALSE(c.endedAtHeader);
  SectionRange x = s.FindSectionRange("X");
  EXPECT_EQ(x.first, -1);
  EXPECT_EQ(x.last, -1);
  // The section selected and the range replaced end at the same line.
  EXPECT_EQ(s.SelectSection("B"), 3);
}

TEST(AplStgsSections, AbsentSectionIsAppendedIndented) {
  SettingsReader s = StoreWith({"[A]", "  x=1"});
  EXPECT_EQ(s.SelectSection("New"), 0);
  s.SetKeyValue("One", "1");
  s.SetKeyValue("Two", "2");
  s.WriteSection("New");
  EXPECT_EQ(s.FileLines(), (std::vector<std::string>{"[A]", "  x=1", "[New]", "  One=1", "  Two=2"}));
}

TEST(AplStgsSections, RewritingDoesNotIndentTwice) {
  SettingsReader s = StoreWith({"[A]", "  x=1", "y=2", "[B]", "  z=3"});
  for (int round = 0; round < 3; ++round) {
    s.SelectSection("~");  // forget the selection so the section is copied again
    ASSERT_EQ(s.SelectSection("A"), 3);
    s.SetKeyValue("y", "2");
    s.WriteSection("A");
  }
  EXPECT_EQ(s.FileLines(), (std::vector<std::string>{"[A]", "  x=1", "  y=2", "[B]", "  z=3"}));
}

TEST(AplStgsSections, LinesOpeningABracketStayInTheirSection) {
  // A note such as "[note" or "[1] see below", or a grid row whose first cell is empty and whose
  // second is an activity-coefficient reference, is no header once written into its section:
  // selecting and rewriting keeps every line once.
  for (const char* inner : {"  [note", "  \t[2]\t1.5", "  [1] see below"}) {
    SCOPED_TRACE(inner);
    SettingsReader s = StoreWith({"[Memo]", inner, "  second", "[Next]", "  k=v"});
    for (int round = 0; round < 3; ++round) {
      s.SelectSection("~");
      ASSERT_EQ(s.SelectSection("Memo"), 3);
      s.WriteSection("Memo");
    }
    EXPECT_EQ(s.FileLines(), (std::vector<std::string>{"[Memo]", inner, "  second", "[Next]", "  k=v"}));
    SectionRange r = s.FindSectionRange("Memo");
    EXPECT_EQ(r.last, 2);
  }
}

// ---------------------------------------------------------------------------------------------
// Files

TEST(AplStgsFiles, OpenReadsAndCachesByNameAndStamp) {
  StgsTempDir dir;
  const std::string f = dir.File("Quorel.sys");
  WriteBytes(f, "[General]\r\n  Database=a.tdb\r\n");
  SettingsReader s;
  ASSERT_EQ(s.OpenSettingsFile(f), 1);
  ASSERT_EQ(s.SelectSection("General"), 2);
  s.SetKeyValue("Database", "edited.tdb");
  s.WriteSection("General");
  // Unchanged file: the edited lines stay.
  ASSERT_EQ(s.OpenSettingsFile(f), 1);
  EXPECT_EQ(s.FileLines()[1], "  Database=edited.tdb");
  EXPECT_EQ(s.SelectSection("General"), 1);
  // Changed stamp: read again, selection forgotten.
  WriteBytes(f, "[General]\n  Database=b.tdb\n  PrjDir=p\n");
  BumpStamp(f);
  ASSERT_EQ(s.OpenSettingsFile(f), 1);
  EXPECT_EQ(s.SelectSection("General"), 3);
  EXPECT_EQ(s.GetKeyValue("Database"), "b.tdb");
}

TEST(AplStgsFiles, MissingFileStartsEmptyAndNeverTakesAnotherFilesLines) {
  StgsTempDir dir;
  const std::string a = dir.File("a.usr");
  const std::string b = dir.File("b.usr");
  WriteBytes(a, "[A]\r\n  x=1\r\n");
  SettingsReader s;
  ScopedLogRecorder rec;
  ASSERT_EQ(s.OpenSettingsFile(a), 1);
  ASSERT_EQ(s.SelectSection("A"), 2);
  EXPECT_EQ(s.OpenSettingsFile(b), 0);
  EXPECT_TRUE(s.FileLines().empty());
  EXPECT_EQ(s.SelectSection("A"), 0);  // not the old section lines
  s.SelectSection("B");
  s.SetKeyValue("y", "2");
  s.WriteSection("B");
  ASSERT_EQ(s.SaveSettingsFile(b), 1);
  EXPECT_EQ(ReadBytes(b), "[B]\r\n  y=2\r\n");
  EXPECT_TRUE(rec.sink.messages.empty());
}

TEST(AplStgsFiles, UnreadableFileIsReportedAndNeverOverwritten) {
  StgsTempDir dir;
  const std::string f = dir.File("dir.sys");
  fs::create_directory(f);  // exists, cannot be read as a file
  SettingsReader s;
  ScopedLogRecorder rec;
  EXPECT_EQ(s.OpenSettingsFile(f), -1);
  ASSERT_EQ(rec.sink.messages.size(), 1u);
  EXPECT_EQ(rec.sink.messages[0].level, 0);
  EXPECT_EQ(rec.sink.messages[0].id, 241);
  EXPECT_EQ(rec.sink.messages[0].text, f + " can not be open !");
  EXPECT_TRUE(s.FileLines().empty());
  s.SelectSection("General");
  s.SetKeyValue("k", "v");
  s.WriteSection("General");
  rec.sink.Clear();
  EXPECT_EQ(s.SaveSettingsFile(f), -1);
  EXPECT_TRUE(rec.sink.Has(241));
  EXPECT_EQ(rec.sink.messages[0].text, f + " can not be saved !");
  EXPECT_TRUE(fs::is_directory(f));
  // The next open tries again.
  rec.sink.Clear();
  EXPECT_EQ(s.OpenSettingsFile(f), -1);
  EXPECT_TRUE(rec.sink.Has(241));
}

TEST(AplStgsFiles, FailedSaveIsReportedKeepsTheOldFileAndTheLines) {
  StgsTempDir dir;
  const std::string sub = dir.File("ro");
  fs::create_directory(sub);
  const std::string f = sub + "/x.sys";
  WriteBytes(f, "[A]\r\n  old=1\r\n");
  SettingsReader s;
  ASSERT_EQ(s.OpenSettingsFile(f), 1);
  s.SelectSection("A");
  s.SetKeyValue("new", "2");
  s.WriteSection("A");
  ScopedLogRecorder rec;
  // A save into a folder that does not exist fails.
  const std::string nowhere = dir.File("missing/folder/x.sys");
  EXPECT_EQ(s.SaveSettingsFile(nowhere), -1);
  EXPECT_TRUE(rec.sink.Has(241));
  EXPECT_EQ(rec.sink.messages.back().text, nowhere + " can not be saved !");
  EXPECT_EQ(s.FileLines().size(), 3u);
  // A save over a path held by a folder fails and leaves the folder alone.
  rec.sink.Clear();
  EXPECT_EQ(s.SaveSettingsFile(sub), -1);
  EXPECT_TRUE(rec.sink.Has(241));
  EXPECT_TRUE(fs::is_directory(sub));
  if (::geteuid() != 0) {
    // A folder without write permission: no temporary file can be made; the old file stays.
    fs::permissions(sub, fs::perms::owner_read | fs::perms::owner_exec);
    rec.sink.Clear();
    EXPECT_EQ(s.SaveSettingsFile(f), -1);
    EXPECT_TRUE(rec.sink.Has(241));
    fs::permissions(sub, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(f), "[A]\r\n  old=1\r\n");
  }
  // Nothing but the file and its backup is left in the folder after a good save.
  ASSERT_EQ(s.SaveSettingsFile(f), 1);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(sub)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"x.sys", "x.~sys"}));
}

TEST(AplStgsFiles, SaveBacksUpAndWritesGoldenBytes) {
  StgsTempDir dir;
  const std::string f = dir.File("Quorel.sys");
  const std::string original = ReadBytes(kFixtures + "original.sys");
  ASSERT_FALSE(original.empty());
  WriteBytes(f, original);
  SettingsReader s;
  ASSERT_EQ(s.OpenSettingsFile(f), 1);
  ASSERT_GT(s.SelectSection("General"), 0);
  EXPECT_EQ(s.GetKeyValue("Database"), "..\\data\\Quorel.tdb");
  s.SetKeyValue("PrjDir", "..\\projects");
  s.SetKeyValue("HelpIndex", "https://quorel.example/help");
  s.WriteSection("General");
  ASSERT_GT(s.SelectSection("Graphic"), 0);
  s.SetKeyValue("Color", "255");
  s.WriteSection("Graphic");
  s.SelectSection("New");
  s.SetKeyValue("Key", "Value");
  s.WriteSection("New");
  ASSERT_EQ(s.SaveSettingsFile(f), 1);
  EXPECT_EQ(ReadBytes(f), ReadBytes(kFixtures + "written.sys"));
  EXPECT_EQ(ReadBytes(dir.File("Quorel.~sys")), original);
  // A second save backs up the first.
  ASSERT_EQ(s.SaveSettingsFile(f), 1);
  EXPECT_EQ(ReadBytes(dir.File("Quorel.~sys")), ReadBytes(kFixtures + "written.sys"));
  // Writing again what was read changes nothing.
  SettingsReader again;
  ASSERT_EQ(again.OpenSettingsFile(f), 1);
  again.SelectSection("General");
  again.WriteSection("General");
  again.SelectSection("Graphic");
  again.WriteSection("Graphic");
  const std::string g = dir.File("copy.sys");
  ASSERT_EQ(again.SaveSettingsFile(g), 1);
  EXPECT_EQ(ReadBytes(g), ReadBytes(kFixtures + "written.sys"));
  EXPECT_FALSE(fs::exists(dir.File("copy.~sys")));  // nothing to back up
}

TEST(AplStgsFiles, BackupFollowsTheFlag) {
  StgsTempDir dir;
  const std::string f = dir.File("x");
  WriteBytes(f, "old\r\n");
  SettingsReader s;
  s.NoBackupFlag = true;
  s.BackupFile(f);
  EXPECT_FALSE(fs::exists(dir.File("x.~")));
  s.NoBackupFlag = false;
  s.BackupFile(f);
  EXPECT_EQ(ReadBytes(dir.File("x.~")), "old\r\n");
  s.BackupFile(dir.File("absent.sys"));  // ignored
  EXPECT_FALSE(fs::exists(dir.File("absent.~sys")));
}

TEST(AplStgsFiles, ResetStartsANewFile) {
  StgsTempDir dir;
  const std::string f = dir.File("new.eql");
  SettingsReader s;
  s.ResetSettingsCache();
  EXPECT_EQ(s.CachedFileName(), "~");
  EXPECT_EQ(s.SelectedSectionName(), "~");
  s.SetCachedFileName(f);
  s.FileLines() = {"[Information]", "  Created by Quorel - Equilibrium", "[Memo]", "  #note"};
  ASSERT_EQ(s.SaveSettingsFile(f), 1);
  EXPECT_EQ(ReadBytes(f), "[Information]\r\n  Created by Quorel - Equilibrium\r\n[Memo]\r\n  #note\r\n");
}

TEST(AplStgsFiles, SettingsPathsUnderTheDocumentsFolder) {
  StgsTempDir dir;
  SettingsPaths p = MakeSettingsPaths(dir.File("bin"), "Orvanto", dir.File("docs/deeper"));
  EXPECT_EQ(p.system, dir.File("bin/Quorel.sys"));
  EXPECT_EQ(p.user, dir.File("docs/deeper/.Quorel/Orvanto.usr"));
  EXPECT_TRUE(fs::is_directory(dir.File("docs/deeper/.Quorel")));
  // No documents folder, or one that cannot hold ".Quorel": the program folder.
  EXPECT_EQ(MakeSettingsPaths(dir.File("bin"), "Orvanto", "").user, dir.File("bin/Orvanto.usr"));
  WriteBytes(dir.File("plainfile"), "x");
  EXPECT_EQ(MakeSettingsPaths(dir.File("bin"), "Lunetta", dir.File("plainfile")).user,
            dir.File("bin/Lunetta.usr"));
}

// ---------------------------------------------------------------------------------------------
// Placement, fonts and grid layouts

TEST(AplStgsPlacement, MaximisedFormWritesOnlyTheFlag) {
  platform::Form form(nullptr, "PhaseWnd");
  form.SetBounds(10, 20, 300, 200);
  SettingsReader s = StoreWith({"[PhaseWnd]", "  Left=1", "  Width=2"});
  form.SetWindowState(platform::WindowState::Maximized);
  s.WriteFormPlacement(&form);
  EXPECT_EQ(s.FileLines(), (std::vector<std::string>{"[PhaseWnd]", "  Left=1", "  Width=2", "  Maximized=1"}));
  form.SetWindowState(platform::WindowState::Normal);
  s.WriteFormPlacement(&form, "Other");
  EXPECT_EQ(std::vector<std::string>(s.FileLines().begin() + 4, s.FileLines().end()),
            (std::vector<std::string>{"[Other]", "  Maximized=0", "  Left=10", "  Top=20", "  Width=300", "  Height=200"}));
}

TEST(AplStgsPlacement, RestoringClampsToTheScreen) {
  platform::Screen::SetSize(1280, 1024);
  struct Case {
    const char* what;
    std::vector<std::string> keys;
    platform::Rect bounds;  // Left, Top, Right, Bottom expected
    bool maximized;
  };
  const Case cases[] = {
      {"far right", {"Left=5000", "Top=30", "Width=400", "Height=300"}, {1180, 30, 1580, 330}, false},
      {"too wide", {"Left=0", "Top=5000", "Width=2000", "Height=20"}, {0, 924, 1024, 1074}, false},
      {"negative kept", {"Left=-50", "Top=-10", "Width=32", "Height=33"}, {-50, -10, 150, 23}, false},
      {"bad numbers", {"Left=abc", "Width=", "Height=x"}, {0, 0, 200, 150}, false},
      {"maximised", {"Maximized=1", "Left=77"}, {10, 20, 210, 170}, true},
  };
  for (const auto& c : cases) {
    platform::Form form(nullptr, "Wnd");
    form.SetBounds(10, 20, 200, 150);
    std::vector<std::string> lines = {"[Wnd]"};
    for (const auto& k : c.keys) lines.push_back("  " + k);
    SettingsReader s = StoreWith(lines);
    s.ReadFormPlacement(&form);
    EXPECT_EQ(form.BoundsRect(), c.bounds) << c.what;
    EXPECT_EQ(form.GetWindowState() == platform::WindowState::Maximized, c.maximized) << c.what;
  }
  SettingsReader s;
  s.ReadFormPlacement(nullptr);  // nothing happens
}

TEST(AplStgsFonts, RoundTripAndColourInHexOrDecimal) {
  platform::FontInfo font;
  font.Name = "Courier New";
  font.Size = 11;
  font.Color = platform::RGB(0x12, 0x34, 0x56);
  font.Bold = true;
  font.Italic = true;
  SettingsReader s = StoreWith({});
  s.WriteFontSettings(font, "GridFont");
  EXPECT_EQ(s.FileLines(), (std::vector<std::string>{"[GridFont]", "  FontName=Courier New", "  FontSize=11",
                                                     "  FontColor=0x00563412", "  FontStyle=3"}));
  platform::FontInfo back;
  s.SelectSection("~");
  s.ReadFontSettings(back, "GridFont");
  EXPECT_EQ(back, font);

  for (const char* color : {"0x00563412", "5649426"}) {
    SettingsReader t = StoreWith({"[F]", std::string("  FontColor=") + color, "  FontStyle=7"});
    platform::FontInfo f;
    f.Underline = true;
    t.ReadFontSettings(f, "F");
    EXPECT_EQ(f.Color, platform::RGB(0x12, 0x34, 0x56)) << color;
    EXPECT_EQ(f.Name, platform::FontInfo().Name);  // empty keys leave the font alone
    EXPECT_TRUE(f.Underline);                       // style 7 leaves the style alone
  }
  // Styles other than exactly bold, italic or both are stored as 0.
  font.Underline = true;
  SettingsReader u = StoreWith({});
  u.WriteFontSettings(font, "U");
  EXPECT_EQ(u.FileLines().back(), "  FontStyle=0");
  // Nothing is read from an absent section.
  platform::FontInfo untouched;
  u.ReadFontSettings(untouched, "Absent");
  EXPECT_EQ(untouched, platform::FontInfo());
}

TEST(AplStgsGrids, ColumnWidthsAndRowHeight) {
  platform::StringGrid grid(nullptr, "SGT");
  grid.SetColCount(12);
  for (int c = 0; c < 12; ++c) grid.SetColWidths(c, 40 + c);
  grid.SetDefaultRowHeight(18);
  SettingsReader s = StoreWith({});
  s.WriteGridLayout(&grid);
  ASSERT_EQ(s.FileLines().size(), 14u);
  EXPECT_EQ(s.FileLines()[1], "  CW00=40");
  EXPECT_EQ(s.FileLines()[10], "  CW09=49");
  EXPECT_EQ(s.FileLines()[11], "  CW10=50");
  EXPECT_EQ(s.FileLines()[13], "  RH=18");

  platform::StringGrid small(nullptr, "SGT");
  small.SetColCount(3);
  small.SetColWidths(1, 64);
  SettingsReader t = StoreWith({"[SGT]", "  CW00=70", "  CW01=0", "  CW02=x", "  CW05=99", "  RH=1"});
  small.SetDefaultRowHeight(24);
  t.ReadGridLayout(&small);
  EXPECT_EQ(small.ColWidths(0), 70);
  EXPECT_EQ(small.ColWidths(1), 64);  // 0 and unreadable values keep the width
  EXPECT_EQ(small.DefaultRowHeight(), 24);  // a row height of 1 is refused
}

// ---------------------------------------------------------------------------------------------
// Settings window

class AplStgsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_.desktop.documents_folder = dir_.File("docs");
    wnd_ = std::make_unique<TAplStgsWnd>();
  }
  StgsTempDir dir_;
  platform::HeadlessSession session_;
  std::unique_ptr<TAplStgsWnd> wnd_;
};

TEST_F(AplStgsWindowTest, NotesArea) {
  EXPECT_EQ(AplStgsWnd, wnd_.get());
  EXPECT_EQ(&SettingsStore(), &wnd_->Store);
  EXPECT_EQ(wnd_->Memo1->Lines().All(), std::vector<std::string>{"Quorel settings"});
  EXPECT_EQ(wnd_->Memo1->Color(), platform::clBlack);
  EXPECT_EQ(wnd_->Memo1->Font().Color, platform::clLime);
  EXPECT_EQ(wnd_->Memo1->Font().Name, "Courier");
  EXPECT_FALSE(wnd_->Memo1->WordWrap());
  EXPECT_EQ(wnd_->Memo1->ScrollBars(), platform::ScrollStyle::Both);
  EXPECT_EQ(wnd_->ToolButtonColor->Hint(), "Color");
  EXPECT_EQ(wnd_->ToolButtonFont->Hint(), "Font");
  EXPECT_TRUE(fs::is_directory(dir_.File("docs/.Quorel")));
  wnd_.reset();
  EXPECT_EQ(AplStgsWnd, nullptr);
}

TEST_F(AplStgsWindowTest, EscapeClosesAndDoesNotReachTheText) {
  wnd_->Show();
  ASSERT_TRUE(wnd_->Visible());
  EXPECT_EQ(wnd_->Memo1->KeyDown(platform::Key::Escape), 0);
  EXPECT_FALSE(wnd_->Visible());
  EXPECT_EQ(wnd_->Memo1->Lines().All(), std::vector<std::string>{"Quorel settings"});
  wnd_->Show();
  EXPECT_EQ(wnd_->KeyDown(platform::Key::Escape), 0);
  EXPECT_FALSE(wnd_->Visible());
  wnd_->Show();
  EXPECT_NE(wnd_->Memo1->KeyDown('A'), 0);
  EXPECT_TRUE(wnd_->Visible());
  wnd_->ToolButtonExit->Click();
  EXPECT_FALSE(wnd_->Visible());
}

TEST_F(AplStgsWindowTest, ColourAndFont) {
  session_.dialogs.QueueColorCancel();
  wnd_->ToolButtonColor->Click();
  EXPECT_EQ(wnd_->Memo1->Color(), platform::clBlack);
  ASSERT_EQ(session_.dialogs.color_requests.size(), 1u);
  EXPECT_EQ(session_.dialogs.color_requests[0], platform::clBlack);
  session_.dialogs.QueueColor(platform::clNavy);
  wnd_->ToolButtonColor->Click();
  EXPECT_EQ(wnd_->Memo1->Color(), platform::clNavy);

  const platform::FontInfo before = wnd_->Memo1->Font();
  session_.dialogs.QueueFontCancel();
  wnd_->ToolButtonFont->Click();
  EXPECT_EQ(wnd_->Memo1->Font(), before);
  ASSERT_EQ(session_.dialogs.font_requests.size(), 1u);
  EXPECT_EQ(session_.dialogs.font_requests[0], before);
  platform::FontInfo chosen = before;
  chosen.Name = "DejaVu Sans Mono";
  chosen.Size = 12;
  session_.dialogs.QueueFont(chosen);
  wnd_->ToolButtonFont->Click();
  EXPECT_EQ(wnd_->Memo1->Font(), chosen);
  EXPECT_TRUE(session_.AllAnswered());
}

}  // namespace
