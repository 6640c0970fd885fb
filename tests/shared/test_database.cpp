// Database file reading and the dataset lookups.
#include "shared/QuorelDatabase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "shared/AplMsg.h"

using namespace quorel;

namespace {

namespace fs = std::filesystem;

// A dataset line: tag, TAB, then the given fields joined by TABs.
std::string Line(const std::vector<std::string>& fields, const std::string& tag = "x") {
  std::string s = tag;
  for (const auto& f : fields) s += "\t" + f;
  return s;
}

// The fields 1..17 of a simple dataset.
std::vector<std::string> Dataset(const std::string& name, const std::string& phase,
                                 const std::string& tmin, const std::string& tmax,
                                 const std::string& composition = "C1O2") {
  return {name, phase, tmin, tmax, "298.15", "-393520", "213.79", "25", "55", "0",
          "-33", "0", "8", "304", "73.8", "0.225", composition};
}

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearDatabase();
    SetGasConstant(DefaultGasConstant);
    dir_ = fs::temp_directory_path() /
           ("quorel_db_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    ClearDatabase();
    SetGasConstant(DefaultGasConstant);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // Writes the bytes as they are and returns the path.
  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  fs::path dir_;
};

// ---------------------------------------------------------------------------------------------
// Reading the file

TEST_F(DatabaseTest, LinesBecomeRowsWithTheTagDropped) {
  const std::string text = Line({"Name", "Phase", "Tmin"}, "#") + "\n" +      // header, row 0
                           "\n" +                                             // skipped
                           Line(Dataset("CO2", "(g)", "298", "1000")) + "\r\n" +  // row 1
                           "\r\n" +                                           // skipped
                           "no tab at all\n" +                                // row 2
                           "t\t  CH4 \t(g)\t\t1,5\n";                         // row 3
  const std::string path = Write("rows.tdb", text);
  ScopedLogRecorder rec;
  ASSERT_EQ(LoadDatabase(path), 4);
  EXPECT_EQ(DatasetTable.DatabaseLoadState, 1);
  EXPECT_EQ(DatasetTable.DatabaseFileName, path);
  EXPECT_EQ(DatasetCount(), 4);
  EXPECT_EQ(DatasetTable.Text(0, FieldName), "Name");
  EXPECT_EQ(DatasetTable.Text(1, FieldName), "CO2");
  EXPECT_EQ(DatasetTable.Text(1, FieldPhase), "(g)");
  EXPECT_DOUBLE_EQ(DatasetTable.Value(1, FieldTmax), 1000);
  EXPECT_EQ(DatasetTable.Text(1, FieldComposition), "C1O2");
  EXPECT_EQ(DatasetTable.Text(2, FieldName), "no tab at all");
  EXPECT_EQ(DatasetTable.Text(2, FieldPhase), "");
  EXPECT_EQ(DatasetTable.Text(3, FieldName), "CH4");  // trimmed
  EXPECT_EQ(DatasetTable.Text(3, FieldTmin), "");    // two TABs: an empty field
  EXPECT_DOUBLE_EQ(DatasetTable.Value(3, FieldTmax), 1.5);
  for (int row = 0; row < 4; ++row) EXPECT_EQ(DatasetTable.Text(row, FieldRow), std::to_string(row));
  for (int k = 0; k < DatasetListCount; ++k) EXPECT_EQ(DatasetTable.Lists[k].size(), 4u) << k;
  EXPECT_TRUE(rec.sink.messages.empty());
}

TEST_F(DatabaseTest, LastLineWithoutLineFeedIsLoaded) {
  const std::string path =
      Write("nolf.tdb", Line({"Name"}) + "\n" + Line(Dataset("CO2", "(g)", "298", "1000")) + "\n" +
                            Line(Dataset("CH4", "(g)", "298", "1300")));
  ASSERT_EQ(LoadDatabase(path), 3);
  EXPECT_EQ(DatasetTable.Text(2, FieldName), "CH4");
  EXPECT_DOUBLE_EQ(DatasetTable.Value(2, FieldTmax), 1300);
}

TEST_F(DatabaseTest, NumbersAreReadLeniently) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {{"1,5", 1.5}, {"1.5", 1.5}, {".5", 0.5},   {"7.", 7.0},  {"abc", 0},
               {"", 0},      {"-2e3", -2000}, {",25", 0.25}, {"1e999", 0}, {"nan", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ClearDatabase();
    LoadDatabaseText("h\tName\n" + Line({"X", "(g)", c.text}) + "\n");
    EXPECT_EQ(DatasetTable.Value(1, FieldTmin), c.value);
    EXPECT_EQ(ParseDatasetNumber(c.text), c.value);
  }
}

TEST_F(DatabaseTest, TryParseDatasetValue) {
  double v = -1;
  EXPECT_TRUE(TryParseDatasetValue("0,225", v));
  EXPECT_DOUBLE_EQ(v, 0.225);
  EXPECT_TRUE(TryParseDatasetValue("-1.5e-2", v));
  EXPECT_DOUBLE_EQ(v, -0.015);
  for (const char* bad : {"", "x", "1,2,3", "inf"}) {
    v = -1;
    EXPECT_FALSE(TryParseDatasetValue(bad, v)) << bad;
    EXPECT_EQ(v, 0);
  }
}

TEST_F(DatabaseTest, TwentyThirdFieldIsReportedAndDropped) {
  std::vector<std::string> fields;
  for (int k = 1; k <= 23; ++k) fields.push_back("f" + std::to_string(k));
  std::vector<std::string> exactly22(fields.begin(), fields.end() - 1);
  const std::string path = Write("wide.tdb", Line({"Name"}) + "\n" + Line(fields) + "\n" +
                                                 Line(exactly22) + "\t\n");
  ScopedLogRecorder rec;
  ASSERT_EQ(LoadDatabase(path), 3);
  ASSERT_EQ(rec.sink.Count(526), 1);  // a TAB after field 22 opens no 23rd field
  EXPECT_EQ(rec.sink.messages[0].level, LevelCritical);
  EXPECT_EQ(rec.sink.messages[0].text, "Dataset 3: (1) is possibly irregular  (QuorelDatabase)");
  EXPECT_EQ(DatasetTable.Text(1, 22), "f22");
  EXPECT_EQ(DatasetTable.Text(2, 22), "f22");
  EXPECT_FALSE(rec.sink.Has(427));
}

TEST_F(DatabaseTest, MissingFileAndUnreadablePath) {
  LoadDatabaseText("h\tName\n" + Line(Dataset("CO2", "(g)", "298", "1000")) + "\n");
  ASSERT_EQ(DatasetTable.DatabaseLoadState, 1);

  // A path that cannot be opened as a file: -2, table empty, load state unchanged.
  EXPECT_EQ(LoadDatabase(dir_.string()), -2);
  EXPECT_EQ(DatasetTable.RowCount, 0);
  EXPECT_EQ(DatasetTable.DatabaseLoadState, 1);

  const std::string missing = (dir_ / "missing.tdb").string();
  EXPECT_EQ(LoadDatabase(missing), -1);
  EXPECT_EQ(DatasetTable.DatabaseLoadState, -1);
  EXPECT_EQ(DatasetTable.RowCount, 0);
  EXPECT_EQ(DatasetTable.DatabaseFileName, missing);
  EXPECT_EQ(FindDataset("CO2", "(g)", 500), -1);
}

TEST_F(DatabaseTest, WindowsSeparatorsAreRead) {
  fs::create_directories(dir_ / "data");
  Write("data/Quorel.tdb", "h\tName\n" + Line(Dataset("CO2", "(g)", "298", "1000")) + "\n");
  EXPECT_EQ(LoadDatabase((dir_.string() + "\\data\\Quorel.tdb")), 2);
}

TEST_F(DatabaseTest, ReloadReplacesTheTableWithoutStaleNumbers) {
  LoadDatabaseText("h\tName\n" + Line(Dataset("CO2", "(g)", "298", "1000")) + "\n");
  ASSERT_DOUBLE_EQ(DatasetTable.Value(1, FieldTc), 304);
  // The same row position now holds a line that ends after the phase.
  ASSERT_EQ(LoadDatabaseText("h\tName\n" + Line({"Short", "(g)"}) + "\n"), 2);
  EXPECT_EQ(DatasetTable.Text(1, FieldName), "Short");
  for (int k = FieldTmin; k <= FieldOmega; ++k) EXPECT_EQ(DatasetTable.Value(1, k), 0) << k;
}

TEST_F(DatabaseTest, TableGrowsBeyondItsInitialCapacity) {
  std::string text = "h\tName\n";
  const int rows = InitialDatasetCapacity + 100;
  for (int i = 1; i < rows; ++i)
    text += Line({"S" + std::to_string(i), "(g)", std::to_string(i), std::to_string(i + 1)}) + "\n";
  ASSERT_EQ(LoadDatabaseText(text), rows);
  EXPECT_GE(DatasetTable.Capacity, rows);
  EXPECT_EQ(static_cast<int>(DatasetTable.Columns[FieldTmin].size()), DatasetTable.Capacity);
  EXPECT_EQ(DatasetTable.Text(rows - 1, FieldName), "S" + std::to_string(rows - 1));
  EXPECT_DOUBLE_EQ(DatasetTable.Value(rows - 1, FieldTmax), rows);
}

TEST_F(DatabaseTest, GasConstantIsSetForBothCopies) {
  SetGasConstant(8.314462618);
  EXPECT_DOUBLE_EQ(GasConstant(), 8.314462618);
  EXPECT_DOUBLE_EQ(PeriodicaGasConstant(), 8.314462618);
  ClearDatabase();  // a new table copies the shared constant
  EXPECT_DOUBLE_EQ(GasConstant(), 8.314462618);
}

// ---------------------------------------------------------------------------------------------
// Lookups

class LookupTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    // Row 0 is a header whose name happens to be CO2.
    LoadDatabaseText(Line({"CO2", "(g)", "0", "99999"}) + "\n" +
                     Line(Dataset("CO2", "(g)", "298", "1000")) + "\n" +   // 1
                     Line(Dataset("CO2", "(g)", "1000", "3000")) + "\n" +  // 2
                     Line(Dataset("CO2", "(s)", "100", "216", "C1O2")) + "\n" +  // 3
                     Line(Dataset("H2O", "(l)", "273", "373", "H2O1")) + "\n" +  // 4
                     Line(Dataset("CH4", "(g)", "298", "500", "C1H4")) + "\n" +  // 5
                     Line(Dataset("CH4", "(g)", "700", "1000", "C1H4")) + "\n" +  // 6
                     Line(Dataset("HAc", "(g)", "298", "1000", "C1H3C1O2H1")) + "\n" +  // 7
                     Line(Dataset("CCl4", "(g)", "298", "1000", "Cl4C1")) + "\n");  // 8
  }
};

TEST_F(LookupTest, FindDatasetByTemperature) {
  ASSERT_EQ(BuildCandidateList("CO2", "(g)"), 3);  // the header row is a candidate too
  struct Case {
    double T;
    int row;
    int status;
  } cases[] = {{500, 1, 0}, {1000, 1, 0}, {1500, 2, 0}, {5000, 2, 1}, {200, 1, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.T);
    EXPECT_EQ(FindDataset("CO2", "(g)", c.T), c.row);
    EXPECT_EQ(CurrentDataset.RangeStatus, c.status);
    EXPECT_EQ(CurrentDataset.Name, "CO2");
    EXPECT_DOUBLE_EQ(CurrentDataset.Tmin, c.row == 1 ? 298 : 1000);
    EXPECT_DOUBLE_EQ(CurrentDataset.Tc, 304);
    EXPECT_DOUBLE_EQ(CurrentDataset.w, 0.225);
    EXPECT_EQ(CurrentDataset.Composition, "C1O2");
  }
}

TEST_F(LookupTest, EqualDistancesKeepTheEarlierCandidate) {
  BuildCandidateList("CH4", "(g)");
  EXPECT_EQ(FindDataset("CH4", "(g)", 600), 5);
  EXPECT_EQ(CurrentDataset.RangeStatus, 1);
  EXPECT_EQ(FindDataset("CH4", "(g)", 601), 6);
  EXPECT_EQ(CurrentDataset.RangeStatus, -1);
}

TEST_F(LookupTest, AnyPhaseCandidatesAndTheHeaderRow) {
  EXPECT_EQ(BuildCandidateList("CO2", "(u)"), 4);
  EXPECT_EQ(CandidateList.Count(), 4);
  EXPECT_EQ(CandidateList.Row(1), 0);
  // The list is not cleared: a second call appends.
  EXPECT_EQ(BuildCandidateList("H2O", "(*)"), 1);
  EXPECT_EQ(CandidateList.Count(), 5);
  // FindDataset re-checks name and phase, and never returns the header row.
  EXPECT_EQ(FindDataset("CO2", "(s)", 150), 3);
  EXPECT_EQ(FindDataset("H2O", "(l)", 300), 4);
  EXPECT_EQ(FindDataset("CO2", "(l)", 300), -1);
  ClearCandidateList();
  EXPECT_EQ(FindDataset("CO2", "(g)", 500), -1);
  // A load empties the list.
  BuildCandidateList("CO2", "(g)");
  LoadDatabaseText("h\tName\n");
  EXPECT_EQ(CandidateList.Count(), 0);
}

TEST_F(LookupTest, SelectDatasetProbeKeepsTheOtherFields) {
  ASSERT_EQ(SelectDataset(4, false, "H2O", "(l)", 300), 4);
  EXPECT_EQ(CurrentDataset.Name, "H2O");
  // Probing CO2 outside its range copies only the range and its status.
  ASSERT_EQ(SelectDataset(1, true, "CO2", "(g)", 2000), 1);
  EXPECT_EQ(CurrentDataset.RangeStatus, 1);
  EXPECT_DOUBLE_EQ(CurrentDataset.Tmax, 1000);
  EXPECT_EQ(CurrentDataset.Name, "H2O");
  EXPECT_EQ(CurrentDataset.Composition, "H2O1");
  // Wrong name, wrong phase or a row outside the table: -1 and nothing changes.
  EXPECT_EQ(SelectDataset(1, false, "CO2", "(l)", 500), -1);
  EXPECT_EQ(SelectDataset(1, false, "co2", "(g)", 500), -1);
  EXPECT_EQ(SelectDataset(DatasetTable.RowCount, false, "CO2", "(g)", 500), -1);
  EXPECT_EQ(SelectDataset(-1, false, "CO2", "(g)", 500), -1);
  EXPECT_EQ(CurrentDataset.Name, "H2O");
}

TEST_F(LookupTest, FirstDatasetAndFormula) {
  EXPECT_EQ(FindFirstDataset("CO2", "(s)"), 3);
  EXPECT_EQ(FindFirstDataset("CO2", "(*)"), 0);
  EXPECT_EQ(FindFirstDataset("H2O", "(*)"), 4);
  EXPECT_EQ(FindFirstDataset("H2O", "(u)"), -1);  // "(u)" is not special here
  EXPECT_EQ(FindFirstDataset("NH3", "(*)"), -1);
  EXPECT_EQ(DatasetFormula("CH4", "(g)"), "C1H4");
  EXPECT_EQ(DatasetFormula("CH4", "(*)"), "");
  EXPECT_EQ(DatasetFormula("NH3", "(g)"), "");
}

TEST_F(LookupTest, StripFormulaCounts) {
  struct Case {
    const char* text;
    const char* symbols;
  } cases[] = {{"H2O1", "H O "},      {"Fe2O3", "Fe O "},        {" C1Cl4 ", "C Cl "},
               {"C1,5H3", "C   H "},  {"Na1E-1", "Na E  "},      {"CO2", "CO "},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(StripFormulaCounts(c.text), c.symbols) << c.text;
}

TEST_F(LookupTest, MadeOfSelectedElements) {
  const std::vector<std::string> CO = {"C", "O"};
  const std::vector<std::string> CHO = {"C ", "H ", "O "};  // the picker pads its symbols
  const std::vector<std::string> CCl = {"C", "Cl"};
  EXPECT_FALSE(MadeOfSelectedElements(1, "g", ""));  // nothing selected
  SetSelectedElements(&CO);
  EXPECT_TRUE(MadeOfSelectedElements(1, "g", ""));
  EXPECT_TRUE(MadeOfSelectedElements(1, "*", "C"));
  EXPECT_FALSE(MadeOfSelectedElements(1, "g", "Cl"));  // the needed symbol is not there
  EXPECT_FALSE(MadeOfSelectedElements(5, "g", ""));    // C1H4
  EXPECT_FALSE(MadeOfSelectedElements(3, "g", ""));    // a solid row
  EXPECT_TRUE(MadeOfSelectedElements(3, "s", ""));
  EXPECT_FALSE(MadeOfSelectedElements(4, "l", ""));    // H2O1
  EXPECT_FALSE(MadeOfSelectedElements(99, "*", ""));
  // A composition that names C and H twice is made of C, H and O.
  SetSelectedElements(&CHO);
  EXPECT_TRUE(MadeOfSelectedElements(7, "g", ""));
  EXPECT_TRUE(MadeOfSelectedElements(5, "g", "H"));
  SetSelectedElements(&CO);
  EXPECT_FALSE(MadeOfSelectedElements(7, "g", ""));
  // Cl4C1: a selected C is not taken for the C of Cl, whatever the order.
  SetSelectedElements(&CCl);
  EXPECT_TRUE(MadeOfSelectedElements(8, "g", ""));
  const std::vector<std::string> onlyC = {"C"};
  SetSelectedElements(&onlyC);
  EXPECT_FALSE(MadeOfSelectedElements(8, "g", ""));
  SetSelectedElements(nullptr);
}

TEST_F(LookupTest, EmptyTableFindsNothing) {
  ClearDatabase();
  EXPECT_EQ(BuildCandidateList("CO2", "(g)"), 0);
  EXPECT_EQ(FindDataset("CO2", "(g)", 500), -1);
  EXPECT_EQ(FindFirstDataset("CO2", "(*)"), -1);
  EXPECT_EQ(DatasetFormula("CO2", "(g)"), "");
  EXPECT_FALSE(MadeOfSelectedElements(0, "*", ""));
  EXPECT_EQ(DatasetTable.Text(0, FieldName), "");
  EXPECT_EQ(DatasetTable.Value(0, FieldTmin), 0);
}

}  // namespace
