#include "shared/TDynOprt.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/Headless.h"
#include "platform/ListView.h"
#include "shared/AplMsg.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"
#include "shared/Periodica.h"
#include "shared/QuorelDatabase.h"

using namespace quorel;
namespace fs = std::filesystem;

namespace {

const std::string kFixtures = std::string(QUOREL_TEST_DIR) + "/fixtures/stgs/";

void WriteText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

const LoggedMessage* Find(const RecordingLogSink& sink, int id) {
  for (const auto& m : sink.messages)
    if (m.id == id) return &m;
  return nullptr;
}

// A program folder "bin" with "data" beside it, under a temporary folder; the settings window
// and the "Behaviour of System" window of one program run.
class TDynOprtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "stgs_dyn_XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    root_ = ::mkdtemp(buf.data());
    bin_ = root_ + "/bin";
    fs::create_directories(bin_);
    previousFolder_ = ProgramFolder();
    SetProgramFolder(bin_);
    session_.desktop.documents_folder = root_ + "/docs";
    session_.application.program_path = bin_ + "/Orvanto";
    ProjectFolder.clear();
    SetGasConstant(DefaultGasConstant);
    stgs_ = std::make_unique<TAplStgsWnd>();
    dyn_ = std::make_unique<TTDynOprtWnd>();
  }
  void TearDown() override {
    dyn_.reset();
    stgs_.reset();
    SetProgramFolder(previousFolder_);
    ClearDatabase();
    InitElementTable();
    SetGasConstant(DefaultGasConstant);
    EosType = DefaultEosType;
    ProjectFolder.clear();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  std::string Data(const std::string& name) const { return root_ + "/data/" + name; }
  void CopyFixture(const std::string& fixture, const std::string& target) {
    fs::create_directories(fs::path(target).parent_path());
    fs::copy_file(kFixtures + fixture, target, fs::copy_options::overwrite_existing);
  }
  void WriteSys(const std::string& text) { WriteText(bin_ + "/Quorel.sys", text); }

  platform::HeadlessSession session_;
  ScopedLogRecorder base_;  // nothing reaches the built-in sink
  std::string root_, bin_, previousFolder_;
  std::unique_ptr<TAplStgsWnd> stgs_;
  std::unique_ptr<TTDynOprtWnd> dyn_;
};

TEST_F(TDynOprtTest, SettingsFilesOfTheProgram) {
  EXPECT_EQ(stgs_->Store.SystemSettingsFile, bin_ + "/Quorel.sys");
  EXPECT_EQ(stgs_->Store.UserSettingsFile, root_ + "/docs/.Quorel/Orvanto.usr");
  EXPECT_TRUE(fs::is_directory(root_ + "/docs/.Quorel"));
  EXPECT_EQ(&SettingsStore(), &stgs_->Store);
}

TEST_F(TDynOprtTest, NoDatabaseAnywhere) {
  ScopedLogRecorder rec;
  dyn_->StartUpDatabase();
  EXPECT_EQ(dyn_->CurrentDatabasePath, bin_ + "/Quorel.tdb");
  const LoggedMessage* m = Find(rec.sink, 437);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->level, 4);
  EXPECT_EQ(m->text, bin_ + "/Quorel.tdb is using as database ");
  EXPECT_EQ(DatasetCount(), 0);
  EXPECT_TRUE(dyn_->DatabaseStarted);
  EXPECT_FALSE(stgs_->ToolButtonOpen->Visible());
  EXPECT_FALSE(stgs_->ToolButtonSave->Visible());
  EXPECT_EQ(ElementIndex("D"), 106);
}

TEST_F(TDynOprtTest, DefaultDatabaseWithItsReferenceFile) {
  CopyFixture("db.tdb", Data("Quorel.tdb"));
  CopyFixture("db.ref", Data("Quorel.ref"));
  ScopedLogRecorder rec;
  dyn_->StartUpDatabase();
  EXPECT_EQ(dyn_->CurrentDatabasePath, Data("Quorel.tdb"));
  EXPECT_EQ(dyn_->EditDB->Text(), Data("Quorel.tdb"));
  EXPECT_EQ(DatasetCount(), 5);
  EXPECT_GT(dyn_->DatabaseFileAge, 0);
  EXPECT_EQ(dyn_->ReferenceFilePath, Data("Quorel.ref"));

  const std::vector<std::string> expected = {
      "[0]: correlation or interpolation or extrapolation", "[3]: JANAF Thermochemical Tables, 4th ed.",
      "[12]:NIST Chemistry WebBook", "[7]:  Spaced title "};
  EXPECT_EQ(dyn_->ReferenceList, expected);

  // [Elements]: D exists already (defined at start-up), T is new, x is refused.
  struct Expect {
    int id, level;
    std::string text;
  };
  const Expect elements[] = {
      {211, 4, "D already exists"},
      {212, 2, "New element T: Tritium is given in Quorel.ref"},
  };
  for (const auto& e : elements) {
    const LoggedMessage* m = Find(rec.sink, e.id);
    ASSERT_NE(m, nullptr) << e.id;
    EXPECT_EQ(m->level, e.level) << e.id;
    EXPECT_EQ(m->text, e.text) << e.id;
  }
  const LoggedMessage* bad = Find(rec.sink, 214);
  ASSERT_NE(bad, nullptr);
  EXPECT_EQ(bad->level, 0);
  EXPECT_EQ(bad->text.rfind("x", 0), 0u);
  EXPECT_EQ(ElementIndex("T"), 107);

  // [Constants] R=8.31446 (CODATA 2018 rounds to 8.314462618) is accepted for both copies.
  const LoggedMessage* r = Find(rec.sink, 126);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->text, "user defined  R=8.31446");
  EXPECT_DOUBLE_EQ(GasConstant(), 8.31446);
  EXPECT_DOUBLE_EQ(PeriodicaGasConstant(), 8.31446);
}

TEST_F(TDynOprtTest, GasConstantBounds) {
  struct Case {
    const char* text;
    bool accepted;
  };
  const Case cases[] = {{"8.3145", true}, {"8,3144", true}, {"8.314", false}, {"8.315", false}, {"83.14", false}};
  CopyFixture("other.tdb", Data("Quorel.tdb"));
  dyn_->StartUpDatabase();
  for (const auto& c : cases) {
    SetGasConstant(DefaultGasConstant);
    WriteText(Data("Quorel.ref"), std::string("[Constants]\n  R=") + c.text + "\n");
    ScopedLogRecorder rec;
    dyn_->ReadReferenceFile();
    EXPECT_EQ(rec.sink.Has(126), c.accepted) << c.text;
    EXPECT_EQ(rec.sink.Has(128), !c.accepted) << c.text;
    if (!c.accepted) {
      EXPECT_EQ(Find(rec.sink, 128)->text, std::string("R=") + c.text + " my be incorrect");
      EXPECT_EQ(Find(rec.sink, 128)->level, 0);
      EXPECT_DOUBLE_EQ(GasConstant(), DefaultGasConstant);
    } else {
      EXPECT_DOUBLE_EQ(GasConstant(), TextToDouble(c.text));
    }
  }
}

TEST_F(TDynOprtTest, ReferenceEntries) {
  struct Case {
    const char* line;
    bool ok;
    const char* entry;
  };
  const Case cases[] = {
      {"12: Title of the source;", true, "[12]: Title of the source"},
      {"12: Title of the source", true, "[12]:Title of the source"},
      {"  12 : a: b ; c", true, "[12]: a: b "},
      {"no colon", false, ""},
  };
  for (const auto& c : cases) {
    std::string entry;
    EXPECT_EQ(ReferenceEntryFromLine(c.line, entry), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(entry, c.entry) << c.line;
    }
  }
  EXPECT_EQ(ReferenceFilePathFor("/a.b/Quorel.tdb"), "/a.b/Quorel.ref");
  EXPECT_EQ(ReferenceFilePathFor("/a.b/Quorel"), "/a.b/Quorel.ref");
}

TEST_F(TDynOprtTest, ReferenceTextOfADataset) {
  CopyFixture("db.tdb", Data("Quorel.tdb"));
  CopyFixture("db.ref", Data("Quorel.ref"));
  dyn_->StartUpDatabase();
  EXPECT_EQ(dyn_->ReferenceText(1),
            "[0]: correlation or interpolation or extrapolation; [12]:NIST Chemistry WebBook; ");
  EXPECT_EQ(dyn_->ReferenceText(2), "[12]:NIST Chemistry WebBook; ");  // [99] has no entry
  EXPECT_EQ(dyn_->ReferenceText(3), "");                               // "[3" is no mark
  EXPECT_EQ(dyn_->ReferenceText(4), "[3]: JANAF Thermochemical Tables, 4th ed.; ");
  EXPECT_EQ(dyn_->ReferenceText(5), "");
  EXPECT_EQ(dyn_->ReferenceText(-1), "");
}

TEST_F(TDynOprtTest, GeneralSectionOfTheSystemFile) {
  CopyFixture("db.tdb", Data("Quorel.tdb"));
  CopyFixture("other.tdb", root_ + "/other/other.tdb");
  WriteText(root_ + "/help/index.htm", "<html></html>");
  struct Case {
    const char* what;
    std::string sys;
    std::string database;
    bool reported;
    std::string help;
    std::string project;
  };
  const Case cases[] = {
      {"Database missing, ActDataBase not consulted",
       "[General]\r\n  Database=..\\missing.tdb\r\n  ActDataBase=..\\other\\other.tdb\r\n", Data("Quorel.tdb"), true,
       "", ""},
      {"ActDataBase when Database is empty",
       "[General]\r\n  Database=\r\n  ActDataBase=..\\other\\other.tdb\r\n  PrjDir=..\\projects\r\n",
       root_ + "/other/other.tdb", false, "", root_ + "/projects"},
      {"web address as written",
       "[General] of the system\r\n  Database=" + root_ + "/other/other.tdb\r\n  HelpIndex=HTTPS://Quorel.example/Help\r\n",
       root_ + "/other/other.tdb", false, "HTTPS://Quorel.example/Help", ""},
      {"help document that exists", "[General]\r\n  HelpIndex=..\\help\\index.htm\r\n", Data("Quorel.tdb"), false,
       root_ + "/help/index.htm", ""},
      {"help document that does not exist", "[General]\r\n  HelpIndex=..\\help\\none.htm\r\n  HTHelpIndex=..\\help\\index.htm\r\n",
       Data("Quorel.tdb"), false, "", ""},
      {"HTHelpIndex when HelpIndex is empty", "[General]\r\n  HTHelpIndex=..\\help\\index.htm\r\n", Data("Quorel.tdb"),
       false, root_ + "/help/index.htm", ""},
      {"[general] is another section", "[general]\r\n  Database=..\\missing.tdb\r\n", Data("Quorel.tdb"), false, "", ""},
  };
  for (const auto& c : cases) {
    dyn_ = std::make_unique<TTDynOprtWnd>();
    stgs_->Store.HelpIndexPath.clear();
    stgs_->Store.ResetSettingsCache();  // each case writes the file anew within one clock tick
    ProjectFolder.clear();
    WriteSys(c.sys);
    ScopedLogRecorder rec;
    dyn_->StartUpDatabase();
    EXPECT_EQ(dyn_->CurrentDatabasePath, c.database) << c.what;
    EXPECT_EQ(rec.sink.Has(180), c.reported) << c.what;
    if (c.reported) {
      EXPECT_EQ(Find(rec.sink, 180)->text, "..\\missing.tdb :Database does not exists, given in \"Quorel.sys\"");
    }
    EXPECT_EQ(stgs_->Store.HelpIndexPath, c.help) << c.what;
    EXPECT_EQ(ProjectFolder, c.project) << c.what;
  }
}

TEST_F(TDynOprtTest, LoadResultsAndMessages) {
  dyn_->StartUpDatabase();
  struct Case {
    const char* fixture;
    int rows;
    std::string message;  // ID 240, "" for none
  };
  const Case cases[] = {
      {"empty.tdb", 0, "No dataset in database "},
      {"headeronly.tdb", 1, "Irregular database or no dataset in database "},
      {"db.tdb", 5, ""},
  };
  for (const auto& c : cases) {
    const std::string path = Data(c.fixture);
    CopyFixture(c.fixture, path);
    ScopedLogRecorder rec;
    std::int64_t result = dyn_->LoadDatabaseFile(path);
    EXPECT_EQ(DatasetCount(), c.rows) << c.fixture;
    EXPECT_EQ(dyn_->CurrentDatabasePath, path) << c.fixture;
    EXPECT_GT(dyn_->DatabaseFileAge, 0) << c.fixture;
    const LoggedMessage* set = Find(rec.sink, 437);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->level, 6);
    EXPECT_EQ(set->text, "Setting database :" + path);
    if (c.message.empty()) {
      EXPECT_EQ(result, dyn_->DatabaseFileAge) << c.fixture;
      EXPECT_FALSE(rec.sink.Has(240));
      EXPECT_EQ(dyn_->EditDB->Text(), path);
    } else {
      EXPECT_EQ(result, 0) << "a failed load is no success: " << c.fixture;
      ASSERT_TRUE(rec.sink.Has(240)) << c.fixture;
      EXPECT_EQ(Find(rec.sink, 240)->level, 0);
      EXPECT_EQ(Find(rec.sink, 240)->text, c.message + path);
    }
  }
  // A path that does not exist changes nothing.
  ScopedLogRecorder rec;
  const std::string before = dyn_->CurrentDatabasePath;
  EXPECT_EQ(dyn_->LoadDatabaseFile(Data("absent.tdb")), 0);
  EXPECT_EQ(dyn_->CurrentDatabasePath, before);
  EXPECT_EQ(Find(rec.sink, 437)->text, before + " is using as database ");
  EXPECT_EQ(DatasetCount(), 5);
}

TEST_F(TDynOprtTest, ReferenceFileFollowsTheDatabaseInUse) {
  CopyFixture("db.tdb", Data("Quorel.tdb"));
  CopyFixture("db.ref", Data("Quorel.ref"));
  CopyFixture("other.tdb", Data("other.tdb"));
  CopyFixture("other.ref", Data("other.ref"));
  dyn_->StartUpDatabase();
  EXPECT_EQ(dyn_->ReferenceList.size(), 4u);
  ScopedLogRecorder rec;
  EXPECT_GT(dyn_->LoadDatabaseFile(Data("other.tdb")), 0);
  EXPECT_EQ(dyn_->ReferenceFilePath, Data("other.ref"));
  EXPECT_EQ(dyn_->ReferenceList,
            (std::vector<std::string>{"[0]: correlation or interpolation or extrapolation", "[3]: Other source"}));
  EXPECT_TRUE(rec.sink.Has(128));  // other.ref sets R=8.315, outside the bounds
}

TEST_F(TDynOprtTest, SecondStartUpKeepsDatabaseAndUserElements) {
  CopyFixture("db.tdb", Data("Quorel.tdb"));
  CopyFixture("db.ref", Data("Quorel.ref"));
  CopyFixture("other.tdb", Data("other.tdb"));
  dyn_->StartUpDatabase();
  ASSERT_EQ(ElementIndex("T"), 107);
  ASSERT_GT(dyn_->LoadDatabaseFile(Data("other.tdb")), 0);
  stgs_->ToolButtonOpen->SetVisible(true);
  ScopedLogRecorder rec;
  dyn_->StartUpDatabase();
  EXPECT_EQ(ElementIndex("T"), 107);
  EXPECT_EQ(ElementIndex("D"), 106);
  EXPECT_EQ(dyn_->CurrentDatabasePath, Data("other.tdb"));
  EXPECT_EQ(DatasetCount(), 2);
  EXPECT_FALSE(stgs_->ToolButtonOpen->Visible());
  EXPECT_TRUE(rec.sink.messages.empty());
}

TEST_F(TDynOprtTest, RefreshReloadsAChangedDatabase) {
  CopyFixture("db.tdb", Data("Quorel.tdb"));
  dyn_->StartUpDatabase();
  ASSERT_EQ(DatasetCount(), 5);
  {
    ScopedLogRecorder rec;
    dyn_->RefreshDatabase();
    EXPECT_FALSE(rec.sink.Has(437));  // unchanged: not loaded again
  }
  CopyFixture("other.tdb", Data("Quorel.tdb"));
  fs::last_write_time(Data("Quorel.tdb"), fs::last_write_time(Data("Quorel.tdb")) + std::chrono::seconds(2));
  ScopedLogRecorder rec;
  dyn_->RefreshDatabase();
  EXPECT_TRUE(rec.sink.Has(437));
  EXPECT_EQ(DatasetCount(), 2);
}

TEST_F(TDynOprtTest, ChooseDatabaseFile) {
  CopyFixture("db.tdb", Data("Quorel.tdb"));
  CopyFixture("other.tdb", Data("other.tdb"));
  dyn_->StartUpDatabase();
  // Cancel.
  session_.dialogs.QueueFileCancel();
  EXPECT_EQ(dyn_->ChooseDatabaseFile(), 0);
  ASSERT_EQ(session_.dialogs.file_requests.size(), 1u);
  const auto& asked = session_.dialogs.file_requests[0];
  EXPECT_EQ(asked.Title, "Open Datasource");
  EXPECT_EQ(asked.Filter, "Quorel Database (*.tdb)|*.tdb|All Files(*)|*.*");
  EXPECT_EQ(asked.FileName, Data("Quorel.tdb"));
  EXPECT_EQ(asked.InitialDir, root_ + "/data");
  // A file that does not exist.
  {
    ScopedLogRecorder rec;
    session_.dialogs.QueueFileName(Data("nothing.tdb"));
    EXPECT_EQ(dyn_->ChooseDatabaseFile(), -1);
    ASSERT_TRUE(rec.sink.Has(189));
    EXPECT_EQ(Find(rec.sink, 189)->text, "Open Datasource " + Data("nothing.tdb") + " does not exist");
  }
  // Another database through the button.
  ScopedLogRecorder rec;
  session_.dialogs.QueueFileName(Data("other.tdb"));
  dyn_->ButtonDB->Click();
  EXPECT_EQ(dyn_->CurrentDatabasePath, Data("other.tdb"));
  EXPECT_EQ(dyn_->EditDB->Text(), Data("other.tdb"));
  ASSERT_TRUE(rec.sink.Has(194));
  EXPECT_EQ(Find(rec.sink, 194)->text, "Curent Database: " + Data("other.tdb"));
  // A chosen database without datasets is no success, but it is the one in use now: the edit
  // names it rather than the database it replaced.
  CopyFixture("headeronly.tdb", Data("headeronly.tdb"));
  session_.dialogs.QueueFileName(Data("headeronly.tdb"));
  dyn_->ButtonDB->Click();
  EXPECT_EQ(dyn_->CurrentDatabasePath, Data("headeronly.tdb"));
  EXPECT_EQ(dyn_->EditDB->Text(), Data("headeronly.tdb"));
  // Cancel leaves the edit as it is.
  session_.dialogs.QueueFileCancel();
  dyn_->ButtonDB->Click();
  EXPECT_EQ(dyn_->EditDB->Text(), Data("headeronly.tdb"));
  EXPECT_TRUE(session_.AllAnswered());
}

TEST_F(TDynOprtTest, EquationOfStateChoice) {
  ASSERT_EQ(dyn_->RGgrl->Items().Count(), 7);
  EXPECT_EQ(dyn_->RGgrl->ItemIndex(), 3);
  EXPECT_EQ(EosType, 3);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(dyn_->RGgrl->Items()[i], EosCaption(i)) << i;
  for (int i = 0; i <= 3; ++i) {
    ScopedLogRecorder rec;
    dyn_->RGgrl->UserSelect(i);
    EXPECT_EQ(EosType, i);
    EXPECT_TRUE(rec.sink.messages.empty()) << i;
  }
  {
    ScopedLogRecorder rec;
    dyn_->RGgrl->UserSelect(6);
    EXPECT_EQ(EosType, 6);
    ASSERT_EQ(rec.sink.messages.size(), 2u);
    EXPECT_EQ(rec.sink.messages[0].id, 267);
    EXPECT_EQ(rec.sink.messages[0].kind, LoggedMessage::Always);
    EXPECT_EQ(rec.sink.messages[0].level, 4);
    EXPECT_EQ(rec.sink.messages[0].text,
              "The algoritm of [Peng-Robinson, Vap. Liq. Eql., 1976] should only be used for equilibrium of pure "
              "substances");
    EXPECT_EQ(rec.sink.messages[1].id, 269);
    EXPECT_EQ(rec.sink.messages[1].kind, LoggedMessage::Always);
    EXPECT_EQ(rec.sink.messages[1].level, 4);
    EXPECT_EQ(rec.sink.messages[1].text,
              "The algoritm of [Generalized Redlich Kwong, 1949] should be used for systems with multiple compounds");
  }
  // With the log window: emptied, the two notes, shown in front.
  TAplMsgWnd log;
  PostLogMessage(0, 1, "earlier entry");
  PostLogMessage(0, 2, "another");
  log.Hide();
  dyn_->RGgrl->UserSelect(5);
  EXPECT_EQ(EosType, 5);
  EXPECT_EQ(log.LV->Count(), 2);
  EXPECT_TRUE(log.Visible());
}

TEST_F(TDynOprtTest, WindowLayout) {
  EXPECT_EQ(dyn_->Caption(), "Behaviour of System");
  EXPECT_EQ(dyn_->Constraints().MinHeight, 256);
  EXPECT_EQ(dyn_->EditDB->Text(), "Quorel.tdb");
  EXPECT_EQ(dyn_->ButtonDB->Caption(), ". . .");
  EXPECT_FALSE(dyn_->CBExtrapolation->Visible());
  EXPECT_TRUE(dyn_->CBExtrapolation->Checked());
  dyn_->UserResize(501, 400);
  EXPECT_EQ(dyn_->ButtonClose->Left(), 501 / 2 - 75 / 2);  // 250 - 37
  EXPECT_EQ(dyn_->EditDB->Width(), 501 - 40 - 32);
  EXPECT_EQ(dyn_->ButtonDB->Left(), dyn_->EditDB->Left() + dyn_->EditDB->Width() + 8);
}

TEST_F(TDynOprtTest, Lookups) {
  CopyFixture("db.tdb", Data("Quorel.tdb"));
  dyn_->StartUpDatabase();
  double lo = 0, hi = 0;
  EXPECT_EQ(dyn_->DatasetTemperatureRange("CO2", "(g)", lo, hi), 2);
  EXPECT_DOUBLE_EQ(lo, 298.15);
  EXPECT_DOUBLE_EQ(hi, 3000);
  EXPECT_EQ(dyn_->DatasetTemperatureRange("CO2", "(l)", lo, hi), 0);
  EXPECT_DOUBLE_EQ(lo, -1.0);
  EXPECT_DOUBLE_EQ(hi, -1.0);

  EXPECT_EQ(dyn_->DatasetField("CO2(g)", FieldDescription), "carbon dioxide");
  EXPECT_EQ(dyn_->DatasetField("CO2(s)", FieldComposition), "C1O2");
  EXPECT_EQ(dyn_->DatasetField("CO2(l)", FieldComposition), " not exist");
  EXPECT_EQ(dyn_->DatasetField("CO2", FieldComposition), " not exist");  // phase "(u)"
  ScopedLogRecorder rec;
  EXPECT_EQ(dyn_->DatasetField("(g)", FieldComposition), "Error");
  ASSERT_TRUE(rec.sink.Has(519));
  EXPECT_EQ(Find(rec.sink, 519)->text, "Substance (g) does not exists");

  // The candidates of another substance do not hide CO2.
  BuildCandidateList("N2", "(g)");
  EXPECT_EQ(dyn_->FindDatasetAnyPhase("CO2", "(g)", 1500), 2);
  EXPECT_EQ(CurrentDataset.RangeStatus, 0);
  EXPECT_EQ(dyn_->FindDatasetAnyPhase("CO2", "(s)", 100), 3);
  EXPECT_EQ(CurrentDataset.RangeStatus, -1);
  EXPECT_EQ(dyn_->FindDatasetAnyPhase("CH4", "(g)", 300), -1);
}

TEST_F(TDynOprtTest, StandardVolumeToMoles) {
  CopyFixture("db.tdb", Data("Quorel.tdb"));
  dyn_->StartUpDatabase();
  // Ideal gas: 1 Nm3 at 273.15 K and 101.325 kPa holds 44.615 mol (molar volume 22.414 L/mol).
  EosType = 0;
  EXPECT_NEAR(dyn_->SubstanceAmountToMol("1 Nm3", 4), 44.615, 0.002);
  // Real CO2: the density at 0 °C and 1 atm is 1.9768 kg/m3 (NIST Chemistry WebBook, fluid
  // properties), i.e. 1976.8 / 44.0095 = 44.918 mol in 1 m3; generalized Redlich-Kwong comes
  // within 0.1 %.
  EosType = 3;
  EXPECT_NEAR(dyn_->SubstanceAmountToMol("1 Nm3", 1), 44.918, 0.045);
  EXPECT_EQ(dyn_->SubstanceAmountToMol("two Nm3", 1), 0);
}

}  // namespace
