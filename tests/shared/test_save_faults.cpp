// The savers (the settings store's SaveSettingsFile, the grid toolkit's SaveGridText and the
// picture writers SaveBmp and SaveJpeg) and the readers on a failing disk: each failing step of a save leaves the old file whole and
// no temporary file behind; a backup that cannot be copied keeps the old file under the backup
// name or stops the save; a read-only file is refused; a save killed anywhere leaves the old or
// the new file, and the next save removes what it left; a read error reads nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "failing_files.h"
#include "platform/Grid.h"
#include "platform/Headless.h"
#include "platform/ImageFiles.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/GridTools.h"
#include "shared/QuorelDatabase.h"

using namespace quorel;
using filefaults::Call;
using filefaults::FailingCalls;
namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class SaveFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "savefault_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string File(const std::string& name) const { return dir_ + "/" + name; }
  // The names in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // A settings store holding the lines of a new version of a file.
  void NewVersion(SettingsReader& s, const std::string& path, const std::string& value) {
    s.ResetSettingsCache();
    s.SetCachedFileName(path);
    s.FileLines() = {"[A]", "  k=" + value};
  }
  static std::string Bytes(const std::string& value) { return "[A]\r\n  k=" + value + "\r\n"; }
  // A small table whose first cell is the text.
  static void Table(platform::StringGrid& g, const std::string& cell) {
    g.SetColCount(2);
    g.SetRowCount(2);
    g.SetCells(0, 0, cell);
  }
  platform::StringGrid& NewTable() {
    Table(newTable_, "new");
    return newTable_;
  }

  std::string dir_;
  platform::StringGrid newTable_;
  platform::HeadlessSession session_;
  ScopedLogRecorder log_;
};

// Each step of a save that can fail, and how.
struct FailingStep {
  Call call;
  int err;
  const char* what;
};
const FailingStep kFailingSteps[] = {
    {Call::Open, ENOSPC, "no temporary file can be made"}, {Call::Write, ENOSPC, "the disk is full"},
    {Call::Fsync, EIO, "fsync fails"},                      {Call::Close, EIO, "close fails"},
    {Call::Rename, EACCES, "rename is refused"},
};

TEST_F(SaveFaultTest, EachFailingStepLeavesTheOldFileWholeAndNoTemporaryFile) {
  const std::string sys = File("x.sys"), asc = File("t.asc");
  for (const FailingStep& c : kFailingSteps) {
    SCOPED_TRACE(c.what);
    WriteBytes(sys, Bytes("old"));
    WriteBytes(asc, "old\r\n");
    SettingsReader s;
    NewVersion(s, sys, "new");
    log_.sink.Clear();
    session_.dialogs.messages.clear();
    {
      FailingCalls calls;
      // Only the new file's own temporary file fails; the backup is made.
      calls.Fail(c.call, c.err, c.call == Call::Rename ? "x.sys" : "x.sys.~tmp");
      EXPECT_EQ(s.SaveSettingsFile(sys), -1);
      calls.Fail(c.call, c.err, c.call == Call::Rename ? "t.asc" : "t.asc.~tmp");
      EXPECT_EQ(SaveGridText(NewTable(), asc), -1);
    }
    EXPECT_EQ(ReadBytes(sys), Bytes("old"));
    EXPECT_EQ(ReadBytes(asc), "old\r\n");
    ASSERT_FALSE(log_.sink.messages.empty());
    EXPECT_EQ(log_.sink.messages.back().level, 0);
    EXPECT_EQ(log_.sink.messages.back().id, 241);
    EXPECT_EQ(log_.sink.messages.back().text, sys + " can not be saved !");
    ASSERT_EQ(session_.dialogs.messages.size(), 1u);
    EXPECT_EQ(session_.dialogs.messages[0].text, "File can not be saved");
    EXPECT_EQ(Names(), (std::vector<std::string>{"t.asc", "t.~asc", "x.sys", "x.~sys"}));
  }
}

TEST_F(SaveFaultTest, ABackupThatCannotBeCopiedKeepsTheOldFileUnderItsNameOrStopsTheSave) {
  const std::string sys = File("x.sys"), backup = File("x.~sys");
  const std::string full = std::strerror(ENOSPC);
  WriteBytes(backup, Bytes("older"));
  WriteBytes(sys, Bytes("old"));
  SettingsReader s;
  {
    // The copy does not fit; the old file itself becomes the backup, and the save goes on.
    FailingCalls calls;
    calls.Fail(Call::Write, ENOSPC, "x.~sys.~tmp");
    NewVersion(s, sys, "new");
    EXPECT_EQ(s.SaveSettingsFile(sys), 1);
  }
  EXPECT_EQ(ReadBytes(sys), Bytes("new"));
  EXPECT_EQ(ReadBytes(backup), Bytes("old"));
  ASSERT_EQ(log_.sink.messages.size(), 1u);
  EXPECT_EQ(log_.sink.messages[0].level, 0);
  EXPECT_EQ(log_.sink.messages[0].text,
            backup + " can not be saved ! (" + full + "); " + sys + " is kept under that name");
  EXPECT_EQ(Names(), (std::vector<std::string>{"x.sys", "x.~sys"}));

  // Neither a copy nor a second name: the file is not replaced, the backup keeps what it had.
  log_.sink.Clear();
  {
    FailingCalls calls;
    calls.Fail(Call::Write, ENOSPC, "x.~sys.~tmp");
    calls.Fail(Call::Link, EPERM, "x.~sys.~tmp");
    NewVersion(s, sys, "newer");
    EXPECT_EQ(s.SaveSettingsFile(sys), -1);
    // A writer that backs up first and saves without a backup of its own is refused too.
    log_.sink.Clear();
    EXPECT_FALSE(s.BackupFile(sys));
    s.NoBackupFlag = true;
    EXPECT_EQ(s.SaveSettingsFile(sys), -1);
    s.NoBackupFlag = false;
    // The grid saver alike.
    WriteBytes(File("t.asc"), "old\r\n");
    calls.Fail(Call::Write, ENOSPC, "t.~asc.~tmp");
    calls.Fail(Call::Link, EPERM, "t.~asc.~tmp");
    EXPECT_EQ(SaveGridText(NewTable(), File("t.asc")), -1);
  }
  EXPECT_EQ(ReadBytes(sys), Bytes("new"));
  EXPECT_EQ(ReadBytes(backup), Bytes("old"));
  EXPECT_EQ(ReadBytes(File("t.asc")), "old\r\n");
  EXPECT_FALSE(fs::exists(File("t.~asc")));
  ASSERT_EQ(log_.sink.messages.size(), 3u);
  EXPECT_EQ(log_.sink.messages[0].text,
            backup + " can not be saved ! (" + full + "; " + std::strerror(EPERM) + ")");
  EXPECT_EQ(log_.sink.messages[1].text, sys + " can not be saved !");
  EXPECT_EQ(log_.sink.messages[2].text,
            File("t.~asc") + " can not be saved ! (" + full + "; " + std::strerror(EPERM) + ")");
  ASSERT_EQ(session_.dialogs.messages.size(), 1u);
  EXPECT_EQ(session_.dialogs.messages[0].text, "File can not be saved");
  // Once the disk has room again the save goes through.
  EXPECT_EQ(s.SaveSettingsFile(sys), 1);
  EXPECT_EQ(ReadBytes(backup), Bytes("new"));
}

TEST_F(SaveFaultTest, AReadOnlyFileIsRefused) {
  const std::string sys = File("x.sys"), asc = File("t.asc");
  WriteBytes(sys, Bytes("old"));
  WriteBytes(asc, "old\r\n");
  fs::permissions(sys, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(asc, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  SettingsReader s;
  ASSERT_EQ(s.OpenSettingsFile(sys), 1);
  s.SelectSection("A");
  s.SetKeyValue("k", "new");
  s.WriteSection("A");
  EXPECT_EQ(s.SaveSettingsFile(sys), -1);
  ASSERT_EQ(log_.sink.messages.size(), 1u);
  EXPECT_EQ(log_.sink.messages[0].text, sys + " can not be saved !");
  EXPECT_EQ(SaveGridText(NewTable(), asc), -1);
  ASSERT_EQ(session_.dialogs.messages.size(), 1u);
  EXPECT_EQ(session_.dialogs.messages[0].text, "File can not be saved");
  EXPECT_EQ(ReadBytes(sys), Bytes("old"));
  EXPECT_EQ(ReadBytes(asc), "old\r\n");
  EXPECT_EQ(Names(), (std::vector<std::string>{"t.asc", "x.sys"}));  // not even a backup
  // Made writable again, it is saved and keeps its permissions.
  fs::permissions(sys, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(s.SaveSettingsFile(sys), 1);
  EXPECT_EQ(fs::status(sys).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(SaveFaultTest, ASaveThroughASymbolicLinkReplacesTheFileItPointsTo) {
  fs::create_directory(File("real"));
  const std::string real = File("real/x.sys"), link = File("x.sys");
  WriteBytes(real, Bytes("old"));
  fs::create_symlink(real, link);
  SettingsReader s;
  NewVersion(s, link, "new");
  ASSERT_EQ(s.SaveSettingsFile(link), 1);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(real), Bytes("new"));
}

// A process id that no process has: a child that has ended and been reaped.
int DeadPid() {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return int(child);
}

TEST_F(SaveFaultTest, LeftoversOfInterruptedSavesAreRemovedByTheNextSave) {
  const std::string sys = File("x.sys");
  WriteBytes(sys, Bytes("old"));
  const std::string dead = std::to_string(DeadPid()), own = std::to_string(::getpid());
  for (const std::string& name :
       {"x.sys.~tmp" + dead + "-0", "x.sys.~tmp" + own + "-3", "x.~sys.~tmp" + dead + "-1",
        std::string("x.sys.~tmp1-0"),  // a save of a running process (pid 1) is left alone
        std::string("x.sys.~tmpabc"), std::string("y.sys.~tmp") + dead + "-0"})  // not ours
    WriteBytes(File(name), "half a file");
  SettingsReader s;
  NewVersion(s, sys, "new");
  ASSERT_EQ(s.SaveSettingsFile(sys), 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"x.sys", "x.sys.~tmp1-0", "x.sys.~tmpabc", "x.~sys",
                                               "y.sys.~tmp" + dead + "-0"}));
  // The grid saver cleans up after its own files alike.
  WriteBytes(File("t.asc"), "old\r\n");
  WriteBytes(File("t.asc.~tmp" + dead + "-0"), "half");
  WriteBytes(File("t.~asc.~tmp" + dead + "-0"), "half");
  ASSERT_EQ(SaveGridText(NewTable(), File("t.asc")), 1);
  EXPECT_FALSE(fs::exists(File("t.asc.~tmp" + dead + "-0")));
  EXPECT_FALSE(fs::exists(File("t.~asc.~tmp" + dead + "-0")));
}

// A file layer that kills its own process at one call of a save.
class KillingCalls : public platform::FileSystemCalls {
 public:
  KillingCalls(Call at, std::string where) : at_(at), where_(std::move(where)) {}
  int Open(const std::string& path, int flags, unsigned mode) override {
    int fd = platform::FileSystemCalls::Open(path, flags, mode);
    if (fd >= 0 && path.find(where_) != std::string::npos) watched_ = fd;
    return fd;
  }
  long Write(int fd, const void* buffer, std::size_t count) override {
    if (at_ == Call::Write && fd == watched_) {
      platform::FileSystemCalls::Write(fd, buffer, count / 2);
      ::raise(SIGKILL);
    }
    return platform::FileSystemCalls::Write(fd, buffer, count);
  }
  int Rename(const std::string& from, const std::string& to) override {
    if (at_ == Call::Rename && to.find(where_) != std::string::npos) ::raise(SIGKILL);
    return platform::FileSystemCalls::Rename(from, to);
  }

 private:
  Call at_;
  std::string where_;
  int watched_ = -1;
};

TEST_F(SaveFaultTest, ASaveKilledAnywhereLeavesTheOldOrTheNewFileAndTheNextSaveCleansUp) {
  const std::string sys = File("x.sys");
  // Killed at chosen steps: in the backup copy, in the new file's write, just before the rename.
  struct Case {
    Call at;
    const char* where;
  } cases[] = {{Call::Write, "x.~sys.~tmp"}, {Call::Write, "x.sys.~tmp"}, {Call::Rename, "x.sys"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    WriteBytes(sys, Bytes("old"));
    pid_t child = ::fork();
    if (child == 0) {
      KillingCalls calls(c.at, c.where);
      platform::InstallFileSystemCalls(&calls);
      SettingsReader s;
      NewVersion(s, sys, "new");
      s.SaveSettingsFile(sys);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadBytes(sys), Bytes("old"));
    const std::vector<std::string> names = Names();
    EXPECT_TRUE(std::any_of(names.begin(), names.end(), [](const std::string& n) { return n.find(".~tmp") != n.npos; }))
        << "the killed save left its temporary file";
    SettingsReader s;
    NewVersion(s, sys, "next");
    ASSERT_EQ(s.SaveSettingsFile(sys), 1);
    EXPECT_EQ(ReadBytes(sys), Bytes("next"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"x.sys", "x.~sys"}));
  }

  // Killed at any moment of saves of a large grid, over and over: the file is always one
  // whole version, and one more save leaves nothing else behind.
  const std::string asc = File("big.asc");
  platform::StringGrid a, b;
  Table(a, "a");
  Table(b, "b");
  a.SetRowCount(20000);
  b.SetRowCount(20000);
  for (int r = 1; r < 20000; ++r) {
    a.SetCells(1, r, std::string(40, 'a'));
    b.SetCells(1, r, std::string(40, 'b'));
  }
  const std::string textA = GridToTableText(a), textB = GridToTableText(b);
  ASSERT_EQ(SaveGridText(a, asc), 1);
  for (int round = 0; round < 12; ++round) {
    pid_t child = ::fork();
    if (child == 0) {
      for (int i = 0;; ++i) SaveGridText(i % 2 ? a : b, asc);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(3 + 7 * round));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::string now = ReadBytes(asc);
    EXPECT_TRUE(now == textA || now == textB) << "round " << round;
  }
  ASSERT_EQ(SaveGridText(a, asc), 1);
  std::vector<std::string> left;
  for (const std::string& n : Names())
    if (n.starts_with("big.")) left.push_back(n);
  EXPECT_EQ(left, (std::vector<std::string>{"big.asc", "big.~asc"}));
}

TEST_F(SaveFaultTest, AReadErrorReadsNothing) {
  const std::string sys = File("x.sys"), asc = File("t.asc"), tdb = File("d.tdb");
  WriteBytes(sys, Bytes("old"));
  WriteBytes(asc, "a\tb\r\n");
  WriteBytes(tdb, "#\tName\r\n1\tCO2\t(g)\t200\t6000\r\n");
  FailingCalls calls;
  calls.Fail(Call::Read, EIO);
  SettingsReader s;
  EXPECT_EQ(s.OpenSettingsFile(sys), -1);
  EXPECT_TRUE(s.FileLines().empty());
  ASSERT_EQ(log_.sink.messages.size(), 1u);
  EXPECT_EQ(log_.sink.messages[0].text, sys + " can not be open !");
  EXPECT_EQ(s.SaveSettingsFile(sys), -1) << "what could not be read is not written over";
  platform::StringGrid g;
  EXPECT_EQ(LoadGridText(asc, 0, g, true, 0), -1);
  EXPECT_EQ(g.Cells(0, 0), "");
  EXPECT_EQ(LoadDatabase(tdb), -2);
  EXPECT_EQ(DatasetTable.RowCount, 0);
  ClearDatabase();
}

// ---------------------------------------------------------------------------------------------
// Pictures

// A picture of the two formats, and an old file of that name to be kept or replaced.
struct PictureFormat {
  const char* name;
  platform::FileResult (*save)(const platform::Picture&, const std::string&);
};
platform::FileResult SaveAsJpeg(const platform::Picture& p, const std::string& path) { return platform::SaveJpeg(p, path); }
const PictureFormat kPictureFormats[] = {{"chart.bmp", platform::SaveBmp}, {"chart.jpg", SaveAsJpeg}};

platform::Picture SomePicture(int seed) {
  platform::Picture p(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) p.SetPixel(x, y, platform::RGB(x * 6 + seed, y * 8, 100 + seed));
  return p;
}

TEST_F(SaveFaultTest, APictureSaveFailingAtAnyStepKeepsTheOldPictureAndNoTemporaryFile) {
  for (const PictureFormat& f : kPictureFormats) {
    for (const FailingStep& c : kFailingSteps) {
      SCOPED_TRACE(std::string(f.name) + ": " + c.what);
      const std::string path = File(f.name);
      WriteBytes(path, "old picture");
      platform::FileResult r;
      {
        FailingCalls calls;
        calls.Fail(c.call, c.err, c.call == Call::Rename ? f.name : std::string(f.name) + ".~tmp");
        r = f.save(SomePicture(1), path);
        EXPECT_GT(calls.Count(c.call), 0);
      }
      EXPECT_FALSE(r);
      EXPECT_NE(r.Error.find(std::strerror(c.err)), std::string::npos) << r.Error;
      EXPECT_EQ(ReadBytes(path), "old picture");
      EXPECT_EQ(Names(), std::vector<std::string>{f.name});
      fs::remove(path);
    }
  }
}

TEST_F(SaveFaultTest, AReadOnlyPictureIsRefused) {
  for (const PictureFormat& f : kPictureFormats) {
    SCOPED_TRACE(f.name);
    const std::string path = File(f.name);
    WriteBytes(path, "old picture");
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(path, readOnly);
    const platform::FileResult r = f.save(SomePicture(1), path);
    EXPECT_FALSE(r);
    EXPECT_NE(r.Error.find(std::strerror(EACCES)), std::string::npos) << r.Error;
    EXPECT_EQ(ReadBytes(path), "old picture");
    EXPECT_EQ(fs::status(path).permissions(), readOnly);
    EXPECT_EQ(Names(), std::vector<std::string>{f.name});
    fs::remove(path);
  }
}

TEST_F(SaveFaultTest, APictureSavedThroughASymbolicLinkReachesThePictureItNames) {
  fs::create_directory(File("real"));
  platform::Picture back;
  for (const PictureFormat& f : kPictureFormats) {
    SCOPED_TRACE(f.name);
    const std::string real = File("real/") + f.name, link = File(f.name);
    WriteBytes(real, "old picture");
    fs::create_symlink(real, link);
    ASSERT_TRUE(f.save(SomePicture(1), link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(ReadBytes(real), "old picture");
    EXPECT_TRUE(platform::LoadPreview(real, 100, 100, back));
    EXPECT_EQ(back.Width(), 40);
  }
}

TEST_F(SaveFaultTest, APictureSaveKilledBeforeTheRenameIsCleanedUpByTheNextSave) {
  for (const PictureFormat& f : kPictureFormats) {
    SCOPED_TRACE(f.name);
    const std::string path = File(f.name);
    ASSERT_TRUE(f.save(SomePicture(1), path));
    const std::string before = ReadBytes(path);
    pid_t child = ::fork();
    if (child == 0) {
      KillingCalls calls(Call::Rename, f.name);
      platform::InstallFileSystemCalls(&calls);
      f.save(SomePicture(50), path);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(Names().size(), 2u) << "the killed save left its temporary file";
    ASSERT_TRUE(f.save(SomePicture(100), path));
    EXPECT_NE(ReadBytes(path), before);
    EXPECT_EQ(Names(), std::vector<std::string>{f.name});
    fs::remove(path);
  }
}

TEST_F(SaveFaultTest, APictureSaveRemovesTheTemporaryFilesOfEarlierVersionsButNoOtherFile) {
  // Earlier picture saves named their temporary file "<file>.~<pid>-<n>". Those of processes
  // that are gone go; a running process's file, a backup and look-alike names stay.
  const std::string path = File("chart.bmp");
  ASSERT_TRUE(platform::SaveBmp(SomePicture(1), path));
  const std::string gone = "chart.bmp.~999999998-0";  // above any pid_max
  const std::string running = "chart.bmp.~1-0";  // pid 1 is always there
  for (const std::string& name : {gone, running, std::string("chart.~bmp"), std::string("chart.bmp.~12x-0"),
                                  std::string("chart.bmp.~-0"), std::string("other.bmp.~99999999-0")})
    std::ofstream(File(name)) << "x";
  ASSERT_TRUE(platform::SaveBmp(SomePicture(2), path));
  std::vector<std::string> expected = {"chart.bmp",       "chart.bmp.~-0",  "chart.bmp.~1-0", "chart.bmp.~12x-0",
                                       "chart.~bmp", "other.bmp.~99999999-0"};
  std::vector<std::string> names = Names();
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
}

}  // namespace
