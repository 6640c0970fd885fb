// The activity-coefficient window: the ten relation types, the reading of a reference "[n]",
// the section "ActivityCoefficients" of a system file, the window's commands, and one
// calculation whose coefficient comes from a relation.
//
// The expected values are computed here from the formulas as written (van Laar and Margules
// forms in the window's parameterisation), in a different arrangement from the code: powers of
// ten as exp(y ln 10), squares written out, quotients cleared of their fractions.
#include "equilibrium/afc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "equilibrium/EqlMain.h"
#include "orvanto_support.h"
#include "platform/Headless.h"
#include "shared/AplStgs.h"
#include "shared/PTools.h"

using namespace quorel;
namespace fs = std::filesystem;

namespace {

const double kLn10 = std::log(10.0);

// The formulas, written independently: 10^y = exp(y ln 10); (1 + A x/(1-x)) = (1 - x + A x)/(1 - x).
double Expected(int type, double A, double B, double x, double T) {
  const double u = 1 - x;
  switch (type) {
    case 0: return std::exp(B / T * (u * u) / ((u + A * x) * (u + A * x)));
    case 1: return std::exp(A * B / T * (u * u) / ((A * u + x) * (A * u + x)));
    case 2: return std::exp(kLn10 * A * B * B * u * u / ((B * u + A * x) * (B * u + A * x)));
    case 3: return std::exp(kLn10 * B * A * A * u * u / ((A * u + B * x) * (A * u + B * x)));
    case 4: return std::exp(kLn10 * u * u * (B + 2 * x * A - 2 * x * B));
    case 5: return std::exp(kLn10 * u * u * (A + 2 * x * B - 2 * x * A));
    case 6: return A - A * x + B;
    case 7: return B * std::exp(A * u / T);
    case 8: return B * std::exp(A / T);
    case 9: return std::pow(x, A) * std::exp(B);
  }
  return NAN;
}

TEST(AfcEquation, EachTypeFollowsItsFormula) {
  struct Case { int type; double A, B, x, T; } cases[] = {
      {0, 0.8, 300, 0.25, 350}, {0, -0.4, 1200, 0.6, 500},  {1, 1.5, 900, 0.3, 400},
      {1, 0.7, -250, 0.9, 298.15}, {2, 0.6, 1.1, 0.2, 300}, {2, -0.3, 0.45, 0.75, 300},
      {3, 0.6, 1.1, 0.2, 300},  {3, 2.0, -0.5, 0.4, 300},   {4, 0.9, 0.3, 0.35, 300},
      {4, -0.2, 0.5, 0.8, 300}, {5, 0.9, 0.3, 0.35, 300},   {5, -0.2, 0.5, 0.8, 300},
      {6, 2, 0.5, 0.25, 300},   {6, -1.5, 3, 0.9, 300},     {7, 150, 1.2, 0.4, 600},
      {7, -80, 0.9, 1.5, 250},  {8, 400, 0.7, 0.5, 800},    {8, -120, 2.5, 0.5, 350},
      {9, 0.5, 0.1, 0.3, 300},  {9, -1.2, -0.4, 2.0, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " A " << c.A << " B " << c.B << " x " << c.x);
    double gamma = 0;
    ASSERT_TRUE(EvaluateAfcEquation(c.type, c.A, c.B, c.x, c.T, gamma));
    const double expected = Expected(c.type, c.A, c.B, c.x, c.T);
    EXPECT_NEAR(gamma, expected, 1e-12 * std::abs(expected));
  }
}

TEST(AfcEquation, DocumentedValuesAndGuards) {
  struct Case { int type; double A, B, x, T, expected; const char* why; } cases[] = {
      {6, 2, 0.5, 0.25, 300, 2.0, "linear: 2 (1 - 0.25) + 0.5"},
      {0, 3, 500, 1.0, 300, 1.0, "type 0 at x = 1"},
      {0, 3, 500, 1.5, 300, 1.0, "type 0 above x = 1"},
      {0, 3, 500, 0.5, 0, 1.0, "type 0 at T = 0"},
      {1, 3, 500, 1.0, 300, 1.0, "type 1 at x = 1"},
      {1, 3, 500, 0.5, -10, 1.0, "type 1 below T = 0"},
      {9, 2, 1, 0.0, 300, 1.0, "type 9 at x = 0"},
      {9, 2, 1, -0.5, 300, 1.0, "type 9 below x = 0"},
      {7, 100, 2, 0.3, 0, 1.0, "type 7 at T = 0"},
      {8, 100, 2, 0.3, 0, 1.0, "type 8 at T = 0"},
      {8, 100, 2, 0.3, -5, 1.0, "type 8 below T = 0"},
      {4, 0.7, 0.7, 0.4, 300, std::pow(10.0, 0.7 * 0.36), "type 4 with A = B"},
      {5, 0.7, 0.7, 0.4, 300, std::pow(10.0, 0.7 * 0.36), "type 5 with A = B"},
      {2, 0.5, 2, 0.0, 300, std::pow(10.0, 0.5), "type 2 at x = 0: 10^A"},
      {3, 0.5, 2, 0.0, 300, std::pow(10.0, 2.0), "type 3 at x = 0: 10^B"},
      {8, 0, 0.25, 0.5, 300, 0.25, "type 8 with A = 0 is the constant B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    double gamma = 0;
    EXPECT_TRUE(EvaluateAfcEquation(c.type, c.A, c.B, c.x, c.T, gamma));
    EXPECT_NEAR(gamma, c.expected, 1e-12 * c.expected);
  }
}

TEST(AfcEquation, FormulasWithoutAValueAreRefused) {
  struct Case { int type; double A, B, x, T; const char* why; } cases[] = {
      {2, 0.5, 0, 0.3, 300, "type 2 with B = 0 divides by zero"},
      {3, 0, 0.5, 0.3, 300, "type 3 with A = 0 divides by zero"},
      {2, -1, 1, 0.5, 300, "type 2: 1 - x + x A/B is zero"},
      {3, 1, -1, 0.5, 300, "type 3: 1 - x + x B/A is zero"},
      {0, -1, 300, 0.5, 300, "type 0: 1 + A x/(1 - x) is zero"},
      {1, -1, 300, 0.5, 300, "type 1: A + x/(1 - x) is zero"},
      {8, 1e6, 1, 0.5, 1, "type 8 beyond the double range"},
      {4, 500, 500, 0.0, 300, "type 4 beyond the double range"},
      {9, -2, 0, 1e-300, 300, "type 9 beyond the double range"},
      {10, 1, 1, 0.5, 300, "a type beyond 9"},
      {-1, 1, 1, 0.5, 300, "a negative type"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    double gamma = 0;
    EXPECT_FALSE(EvaluateAfcEquation(c.type, c.A, c.B, c.x, c.T, gamma));
    EXPECT_EQ(gamma, 1.0);
  }
}

TEST(AfcEquation, CaptionsOfTheTypeMenu) {
  const std::vector<std::string> expected = {"Van Laar f(T) 1",    "Van Laar f(T) 2", "Van Laar 1",
                                             "Van Laar 2",         "Margulex 3 Index 1", "Margulex 3 Index 2",
                                             "Linear Approx.",     "Exponential Approx.", "Exp. Coeff.",
                                             "log. Approx."};
  for (int t = 0; t < AfcEquationTypeCount; ++t) EXPECT_EQ(AfcEquationCaption(t), expected[t]) << t;
  EXPECT_STREQ(AfcEquationCaption(10), "");
}

TEST(AfcReference, RelationNumbers) {
  struct Case { const char* text; int n; } cases[] = {
      {"[2]", 2}, {"[12]", 12}, {" [3] ", 3}, {"[ 4 ]", 4}, {"[02]", 2}, {"[-1]", -1}, {"[]", 0},
      {"[", 0},   {"", 0},      {"[x]", 0},   {"[2.0]", 0}, {"[2]x", 0}, {"[2", 0},    {"[1,5]", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(RelationNumberOfText(c.text), c.n) << '"' << c.text << '"';
}

// ---------------------------------------------------------------------------------------------
// The window

class AfcWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    dir = fs::temp_directory_path() / ("afc_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter));
    fs::remove_all(dir);
    fs::create_directories(dir);
    SettingsStore().ResetSettingsCache();
    // The program's main window is another: closing this one must not end the program.
    mainForm = std::make_unique<platform::Form>(nullptr, "Main");
    platform::Screen::SetMainForm(mainForm.get());
    w = std::make_unique<TAfcWnd>();
  }
  void TearDown() override {
    w.reset();
    platform::Screen::SetMainForm(nullptr);
    mainForm.reset();
    SettingsStore().ResetSettingsCache();
    fs::remove_all(dir);
  }
  // Types A, B and C into the edits, chooses the type from the type button's menu and adds.
  void Add(int type, const std::string& a, const std::string& b, const std::string& c) {
    w->EditA->UserSetText(a);
    w->EditB->UserSetText(b);
    w->EditC->UserSetText(c);
    w->BtnSelect->UserDropDown();
    ASSERT_TRUE(w->MnuType[type]->UserClick());
    ASSERT_TRUE(w->BtnAdd->UserClick());
  }
  std::vector<std::string> ItemRow(int i) const {
    const platform::ListItem* item = w->ListView1->Items(i);
    std::vector<std::string> row = {std::to_string(item->ImageIndex())};
    for (int s = 0; s < 4; ++s) row.push_back(item->SubItem(s));
    return row;
  }
  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  platform::HeadlessSession session;
  fs::path dir;
  std::unique_ptr<platform::Form> mainForm;
  std::unique_ptr<TAfcWnd> w;
};

using Row = std::vector<std::string>;

TEST_F(AfcWindowTest, TheWindowAsCreated) {
  EXPECT_EQ(AfcWnd, w.get());
  EXPECT_EQ(w->Caption(), "Activitiy Coefficients");
  EXPECT_EQ(w->EditA->Text(), "1");
  EXPECT_EQ(w->EditB->Text(), "1");
  EXPECT_EQ(w->EditC->Text(), "info text");
  EXPECT_EQ(w->LabelA->Caption(), "A");
  EXPECT_EQ(w->LabelB->Caption(), "B");
  EXPECT_EQ(w->LabelC->Caption(), "C");
  EXPECT_EQ(w->BtnSelect->Caption(), "afc");
  EXPECT_EQ(w->BtnSelect->DropdownMenu(), w->PopupAfc);
  EXPECT_EQ(w->PopupAfc->Name(), "afc");
  EXPECT_EQ(w->ChosenType(), 0);
  EXPECT_EQ(w->BtnAdd->Caption(), "Add");
  EXPECT_EQ(w->BtnReplace->Caption(), "Replace");
  EXPECT_EQ(w->BtnDelete->Caption(), "Del");
  EXPECT_EQ(w->BtnExit->Caption(), "Exit");
  EXPECT_FALSE(w->BtnReplace->Enabled());
  EXPECT_FALSE(w->BtnDelete->Enabled());
  EXPECT_TRUE(w->BtnAdd->Enabled());
  ASSERT_EQ(w->PopupAfc->Count(), AfcEquationTypeCount);
  for (int t = 0; t < AfcEquationTypeCount; ++t) {
    EXPECT_EQ(w->PopupAfc->Items(t)->Caption(), AfcEquationCaption(t));
    EXPECT_EQ(w->PopupAfc->Items(t)->ImageIndex(), t);
  }
  EXPECT_EQ(w->ImageList1->Count(), AfcEquationTypeCount);
  const std::vector<std::pair<std::string, int>> columns = {
      {"Relation", 200}, {"[Eq.]", 48}, {"A", -1}, {"B", -1}, {"Comment", 256}};
  ASSERT_EQ(w->ListView1->ColumnCount(), 5);
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(w->ListView1->Column(c).Caption, columns[c].first);
    if (columns[c].second > 0) {
      EXPECT_EQ(w->ListView1->Column(c).Width, columns[c].second);
    }
  }
  EXPECT_TRUE(w->ListView1->MultiSelect());
  EXPECT_TRUE(w->ListView1->RowSelect());
  EXPECT_TRUE(w->ListView1->ReadOnly());
  EXPECT_EQ(w->ListView1->Style(), platform::ViewStyle::Report);
  EXPECT_EQ(w->StatusBar1->PanelCount(), 4);
  EXPECT_EQ(w->RelationCount(), 0);
  EXPECT_EQ(w->Capacity(), 9);
  w.reset();
  EXPECT_EQ(AfcWnd, nullptr);
}

TEST_F(AfcWindowTest, AddTakesTheChosenTypeAndTheEditsAsTyped) {
  Add(2, "0,5", "1.2", "first");
  EXPECT_EQ(w->BtnSelect->ImageIndex(), 2);
  // A click on the type button itself adds too, with the type it shows.
  w->EditA->UserSetText(" 3 ");
  w->EditB->UserSetText("abc");
  w->EditC->UserSetText("");
  ASSERT_TRUE(w->BtnSelect->UserClick());
  ASSERT_EQ(w->RelationCount(), 2);
  EXPECT_EQ(ItemRow(0), (Row{"2", "[1]", "0,5", "1.2", "first"}));
  EXPECT_EQ(ItemRow(1), (Row{"2", "[2]", " 3 ", "abc", ""}));
  EXPECT_EQ(w->ListView1->Items(0)->Caption(), "");
  EXPECT_EQ(w->Relation(1).type, 2);
  EXPECT_EQ(w->Relation(1).A, 0.5);
  EXPECT_EQ(w->Relation(1).B, 1.2);
  EXPECT_EQ(w->Relation(2).A, 3.0);
  EXPECT_EQ(w->Relation(2).B, 0.0);  // an unreadable text reads as 0
}

TEST_F(AfcWindowTest, TheArraysGrowByEightWhenARelationWouldReachTheirEnd) {
  for (int i = 1; i <= 8; ++i) Add(6, std::to_string(i), "0", "");
  EXPECT_EQ(w->Capacity(), 9);
  Add(6, "9", "0", "");
  EXPECT_EQ(w->Capacity(), 17);
  for (int i = 10; i <= 17; ++i) Add(6, std::to_string(i), "0", "");
  EXPECT_EQ(w->Capacity(), 25);
  ASSERT_EQ(w->RelationCount(), 17);
  for (int n = 1; n <= 17; ++n) {
    EXPECT_EQ(w->Relation(n).A, double(n));
    EXPECT_EQ(w->ListView1->Items(n - 1)->SubItem(0), "[" + std::to_string(n) + "]");
  }
}

TEST_F(AfcWindowTest, SelectingAnItemFillsTheEditsAndEnablesReplaceAndDelete) {
  Add(4, "0.7", "0.3", "margules");
  Add(8, "120", "2", "exp");
  w->ListView1->UserSelect(w->ListView1->Items(0));
  EXPECT_TRUE(w->BtnReplace->Enabled());
  EXPECT_TRUE(w->BtnDelete->Enabled());
  EXPECT_EQ(w->ChosenType(), 4);
  EXPECT_EQ(w->StatusBar1->PanelText(0), "4");
  EXPECT_EQ(w->EditA->Text(), "0.7");
  EXPECT_EQ(w->EditB->Text(), "0.3");
  EXPECT_EQ(w->EditC->Text(), "margules");
  // Replace: the chosen type and the three edits.
  w->MnuType[7]->Click();
  w->EditA->UserSetText("-50");
  w->EditB->UserSetText("1,5");
  w->EditC->UserSetText("replaced");
  ASSERT_TRUE(w->BtnReplace->UserClick());
  EXPECT_EQ(ItemRow(0), (Row{"7", "[1]", "-50", "1,5", "replaced"}));
  EXPECT_EQ(w->Relation(1).type, 7);
  EXPECT_EQ(w->Relation(1).A, -50.0);
  EXPECT_EQ(w->Relation(1).B, 1.5);
  EXPECT_EQ(ItemRow(1), (Row{"8", "[2]", "120", "2", "exp"}));
  // A click on empty space clears the selection.
  w->ListView1->UserSelect(nullptr);
  EXPECT_FALSE(w->BtnReplace->Enabled());
  EXPECT_FALSE(w->BtnDelete->Enabled());
}

TEST_F(AfcWindowTest, DeleteRenumbersTheLaterRelations) {
  Add(6, "2", "0.5", "one");
  Add(8, "100", "3", "two");
  Add(7, "50", "0.25", "three");
  w->ListView1->UserSelect(w->ListView1->Items(1));
  ASSERT_TRUE(w->BtnDelete->UserClick());
  ASSERT_EQ(w->RelationCount(), 2);
  EXPECT_EQ(ItemRow(0), (Row{"6", "[1]", "2", "0.5", "one"}));
  EXPECT_EQ(ItemRow(1), (Row{"7", "[2]", "50", "0.25", "three"}));
  EXPECT_EQ(w->Relation(2).type, 7);
  EXPECT_EQ(w->Relation(2).A, 50.0);
  EXPECT_EQ(w->Relation(2).B, 0.25);
  EXPECT_FALSE(w->BtnDelete->Enabled());
  EXPECT_FALSE(w->BtnReplace->Enabled());
  // [2] is now the former third relation, and [3] names none.
  EXPECT_DOUBLE_EQ(w->ActivityCoefficientOfRelation("[2]", "0.2", 400), Expected(7, 50, 0.25, 0.2, 400));
  EXPECT_EQ(w->ActivityCoefficientOfRelation("[3]", "0.2", 400), 1.0);
  // Without a selection Replace and Del do nothing.
  w->BtnDeleteClick();
  w->BtnReplaceClick();
  EXPECT_EQ(w->RelationCount(), 2);
}

TEST_F(AfcWindowTest, ExitClosesAndTheMainWindowCommandShows) {
  ShowActivityCoefficientWindow();
  EXPECT_TRUE(w->Visible());
  EXPECT_TRUE(w->Active());
  ASSERT_TRUE(w->BtnExit->UserClick());
  EXPECT_FALSE(w->Visible());
  w->Show();
  w->SetWindowState(platform::WindowState::Minimized);
  ShowActivityCoefficientWindow();
  EXPECT_EQ(w->GetWindowState(), platform::WindowState::Normal);
  EXPECT_TRUE(w->Visible());
}

TEST_F(AfcWindowTest, EvaluationOfAReference) {
  Add(6, "2", "0.5", "");      // [1] linear
  Add(0, "0.8", "300", "");    // [2] van Laar f(T) 1
  Add(2, "0.5", "0", "");      // [3] divides by zero
  struct Case { const char* relation; const char* x; double T; double expected; AfcEvaluation result; } cases[] = {
      {"[1]", "0.25", 300, 2.0, AfcEvaluation::Evaluated},
      {"[1]", " 0,25 ", 300, 2.0, AfcEvaluation::Evaluated},
      {"[1]", "", 300, 0.5, AfcEvaluation::Evaluated},  // an empty x cell is x = 1
      {"[2]", "0.4", 350, Expected(0, 0.8, 300, 0.4, 350), AfcEvaluation::Evaluated},
      {"[2]", "", 350, 1.0, AfcEvaluation::Evaluated},  // x = 1: the guarded value
      {"[3]", "0.4", 350, 1.0, AfcEvaluation::NotEvaluable},
      {"[4]", "0.4", 350, 1.0, AfcEvaluation::NoRelation},
      {"[0]", "0.4", 350, 1.0, AfcEvaluation::NoRelation},
      {"[-1]", "0.4", 350, 1.0, AfcEvaluation::NoRelation},
      {"[x]", "0.4", 350, 1.0, AfcEvaluation::NoRelation},
      {"[1", "0.4", 350, 1.0, AfcEvaluation::NoRelation},
      {"[1]", "abc", 350, 1.0, AfcEvaluation::UnreadableX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.relation << " x \"" << c.x << "\" T " << c.T);
    double gamma = 0;
    EXPECT_EQ(w->EvaluateRelation(c.relation, c.x, c.T, gamma), c.result);
    EXPECT_NEAR(gamma, c.expected, 1e-12 * c.expected);
    EXPECT_NEAR(w->ActivityCoefficientOfRelation(c.relation, c.x, c.T), c.expected, 1e-12 * c.expected);
    EXPECT_EQ(w->LastTemperature, c.T);
  }
}

TEST_F(AfcWindowTest, TheMainWindowHookAnswersOnlyForAnEvaluatedRelation) {
  const auto saved = EqlMainHooks.RelationValue;
  InstallActivityCoefficientHooks();
  ASSERT_TRUE(EqlMainHooks.RelationValue);
  Add(6, "2", "0.5", "");
  Add(3, "0", "1", "");
  struct Case { const char* relation; const char* x; bool answered; double value; } cases[] = {
      {"[1]", "0.25", true, 2.0}, {"[1]", "", true, 0.5}, {"[2]", "0.5", false, 1.0},
      {"[3]", "0.5", false, 1.0}, {"[1]", "x?", false, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.relation);
    double value = -7;
    EXPECT_EQ(EqlMainHooks.RelationValue(c.relation, c.x, 300, value), c.answered);
    EXPECT_EQ(value, c.value);
  }
  // Without the window there is nothing to answer with.
  w.reset();
  double value = -7;
  EXPECT_FALSE(EqlMainHooks.RelationValue("[1]", "0.25", 300, value));
  EqlMainHooks.RelationValue = saved;
}

// The section as the system file carries it, byte for byte.
const char kGolden[] =
    "[System]\r\n"
    "  T=25 ;\xB0" "C\r\n"
    "[ActivityCoefficients]\r\n"
    "  Count=3\r\n"
    "  1=Idx:2;A:0.5;B:1.2;C:info text;\r\n"
    "  2=Idx:6;A:2;B:0.5;C:;\r\n"
    "  3=Idx:9;A:0.333333333333333;B:-1.5E-7;C:a;b;\r\n";

TEST_F(AfcWindowTest, SaveAndLoadRoundTrip) {
  Add(2, "0.5", "1.2", "info text");
  Add(6, "2,0", "0.5", "");
  Add(9, "0.333333333333333", "-1.5e-7", "a;b");
  SettingsReader& store = SettingsStore();
  const fs::path file = dir / "system.eql";
  // A system file written from nothing: its other sections first, then this one.
  store.ResetSettingsCache();
  store.SetCachedFileName(file.string());
  store.SelectSection("System");
  store.SetKeyValue("T", "25 ;\xB0" "C");
  store.WriteSection("System");
  w->SaveActivityCoefficients();
  ASSERT_EQ(store.SaveSettingsFile(file.string()), 1);
  EXPECT_EQ(ReadFile(file), kGolden);

  // Read into a fresh list: every relation comes back, the numbers written in full.
  w->BtnAddClick();  // a relation of the old system that the read replaces
  store.ResetSettingsCache();
  ASSERT_EQ(store.OpenSettingsFile(file.string()), 1);
  w->LoadActivityCoefficients();
  ASSERT_EQ(w->RelationCount(), 3);
  EXPECT_EQ(ItemRow(0), (Row{"2", "[1]", "0.5", "1.2", "info text"}));
  EXPECT_EQ(ItemRow(1), (Row{"6", "[2]", "2", "0.5", ""}));
  EXPECT_EQ(ItemRow(2), (Row{"9", "[3]", "0.333333333333333", "-1.5E-7", "a;b"}));
  EXPECT_EQ(w->Relation(3).type, 9);
  EXPECT_EQ(w->Relation(3).A, 0.333333333333333);
  EXPECT_EQ(w->Relation(3).B, -1.5e-7);
  EXPECT_FALSE(w->BtnDelete->Enabled());

  // Written again, the same bytes.
  const fs::path again = dir / "again.eql";
  store.ResetSettingsCache();
  store.SetCachedFileName(again.string());
  store.SelectSection("System");
  store.SetKeyValue("T", "25 ;\xB0" "C");
  store.WriteSection("System");
  w->SaveActivityCoefficients();
  ASSERT_EQ(store.SaveSettingsFile(again.string()), 1);
  EXPECT_EQ(ReadFile(again), kGolden);
}

// 20,000 relations (once 5.8 s to load: every key was searched through the whole section)
// save and load in one pass each, every number read back bit for bit, the largest doubles
// too (once written as 1.79769313486232E308, which reads back as 0). The timing is the
// readers benchmark's.
TEST_F(AfcWindowTest, ManyRelationsAndTheLargestNumbersRoundTrip) {
  SettingsReader& store = SettingsStore();
  const fs::path file = dir / "many.eql";
  std::vector<std::string> lines{"[ActivityCoefficients]", "Count=20000"};
  const double largest = std::numeric_limits<double>::max();
  for (int n = 1; n <= 20000; ++n) {
    const double a = n == 1 ? largest : n == 2 ? std::nextafter(largest, 0.0) : 1.0 / n;
    lines.push_back(std::to_string(n) + "=Idx:" + std::to_string(n % 10) + ";A:" + FloatToFullText(a) +
                    ";B:" + FloatToFullText(-a) + ";C:c" + std::to_string(n) + ";");
  }
  store.ResetSettingsCache();
  store.FileLines() = lines;
  w->LoadActivityCoefficients();
  ASSERT_EQ(w->RelationCount(), 20000);
  EXPECT_EQ(w->Relation(1).A, largest);
  EXPECT_EQ(w->Relation(2).B, -std::nextafter(largest, 0.0));
  EXPECT_EQ(w->Relation(3).A, 1.0 / 3);
  EXPECT_EQ(ItemRow(0), (Row{"1", "[1]", "1.7976931348623157E308", "-1.7976931348623157E308", "c1"}));
  EXPECT_EQ(ItemRow(19999), (Row{"0", "[20000]", "0.00005", "-0.00005", "c20000"}));

  store.ResetSettingsCache();
  store.SetCachedFileName(file.string());
  w->SaveActivityCoefficients();
  ASSERT_EQ(store.SaveSettingsFile(file.string()), 1);
  store.ResetSettingsCache();
  ASSERT_EQ(store.OpenSettingsFile(file.string()), 1);
  w->LoadActivityCoefficients();
  ASSERT_EQ(w->RelationCount(), 20000);
  for (int n : {1, 2, 3, 7, 19999, 20000}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(w->Relation(n).A, n == 1 ? largest : n == 2 ? std::nextafter(largest, 0.0) : 1.0 / n);
    EXPECT_EQ(w->Relation(n).B, -w->Relation(n).A);
    EXPECT_EQ(w->Relation(n).type, n % 10);
  }
  // A count beyond the section's lines is no count; the count line itself holds no relation.
  store.ResetSettingsCache();
  store.FileLines() = {"[ActivityCoefficients]", "Count=2147483647", "1=Idx:6;A:2;B:0.5;C:;"};
  w->LoadActivityCoefficients();
  EXPECT_EQ(w->RelationCount(), 1);
  EXPECT_EQ(w->Relation(1).type, 6);
}

TEST_F(AfcWindowTest, AnEmptyListWritesNoSectionAndASystemWithoutOneReadsEmpty) {
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  store.SelectSection("System");
  store.SetKeyValue("T", "25");
  store.WriteSection("System");
  w->SaveActivityCoefficients();
  EXPECT_EQ(store.FileLines(), (std::vector<std::string>{"[System]", "  T=25"}));
  Add(6, "1", "1", "");
  w->LoadActivityCoefficients();
  EXPECT_EQ(w->RelationCount(), 0);
  EXPECT_EQ(w->Capacity(), 9);
  EXPECT_EQ(w->ActivityCoefficientOfRelation("[1]", "0.5", 300), 1.0);
}

TEST_F(AfcWindowTest, TheSectionIsWrittenWholeOverAnOlderOne) {
  SettingsReader& store = SettingsStore();
  store.ResetSettingsCache();
  store.FileLines() = {"[ActivityCoefficients]", "  Count=3", "  1=Idx:1;A:1;B:1;C:;", "  2=Idx:1;A:1;B:1;C:;",
                       "  3=Idx:1;A:1;B:1;C:;", "[Memo]", "  #note"};
  Add(8, "10", "2", "only");
  w->SaveActivityCoefficients();
  EXPECT_EQ(store.FileLines(), (std::vector<std::string>{"[ActivityCoefficients]", "  Count=1",
                                                          "  1=Idx:8;A:10;B:2;C:only;", "[Memo]", "  #note"}));
}

TEST_F(AfcWindowTest, ReadingDoubtfulSections) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<Row> rows;
    const char* why;
  } cases[] = {
      {{"[ActivityCoefficients]", "  Count=2", "  1=Idx:7;A:1,5;B:x;C:c;", "  3=Idx:2;A:1;B:1;C:;"},
       {{"7", "[1]", "1.5", "0", "c"}, {"0", "[2]", "0", "0", ""}},
       "a missing line reads as type 0 with zeros; an unreadable B as 0"},
      {{"[ActivityCoefficients]", "  Count=1000000000", "  1=Idx:3;A:1;B:2;C:;"},
       {{"3", "[1]", "1", "2", ""}},
       "a count beyond the lines of the section"},
      {{"[ActivityCoefficients]", "  Count=3", "  1=Idx:3;A:1;B:2;C:;"},
       {{"3", "[1]", "1", "2", ""}},
       "a section cut after its first relation reads no empty one for its count line"},
      {{"[ActivityCoefficients]", "  Count=1"}, {}, "a count without its relation"},
      {{"[ActivityCoefficients]", "  Count=-4", "  1=Idx:3;A:1;B:2;C:;"}, {}, "a negative count"},
      {{"[ActivityCoefficients]", "  Count=abc"}, {}, "an unreadable count"},
      {{"[ActivityCoefficients]", "  Count=1", "  1=B:2;A:4;Idx:5;C:comment;"},
       {{"5", "[1]", "4", "2", "comment"}},
       "tags in another order"},
      {{"[ActivityCoefficients]", "  Count=1", "  1=Idx:1;A:4;B:2;C:no end"},
       {{"1", "[1]", "4", "2", "no end"}},
       "a comment without its closing ';'"},
  };
  SettingsReader& store = SettingsStore();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    store.ResetSettingsCache();
    store.FileLines() = c.lines;
    w->LoadActivityCoefficients();
    ASSERT_EQ(w->RelationCount(), int(c.rows.size()));
    for (int i = 0; i < w->RelationCount(); ++i) EXPECT_EQ(ItemRow(i), c.rows[i]) << i;
    EXPECT_GT(w->Capacity(), w->RelationCount());
  }
  // A type beyond the ten has no formula: the reference gives no value.
  store.ResetSettingsCache();
  store.FileLines() = {"[ActivityCoefficients]", "  Count=1", "  1=Idx:15;A:1;B:2;C:;"};
  w->LoadActivityCoefficients();
  ASSERT_EQ(w->RelationCount(), 1);
  double gamma = 0;
  EXPECT_EQ(w->EvaluateRelation("[1]", "0.5", 300, gamma), AfcEvaluation::NotEvaluable);
  EXPECT_EQ(gamma, 1.0);
}

// ---------------------------------------------------------------------------------------------
// A calculation whose coefficient comes from a relation

class AfcCalculationTest : public orvtest::OrvantoTest {
 protected:
  void SetUp() override {
    OrvantoTest::SetUp();
    saved = EqlMainHooks.RelationValue;
    afc = std::make_unique<TAfcWnd>();
    InstallActivityCoefficientHooks();
  }
  void TearDown() override {
    EqlMainHooks.RelationValue = saved;
    afc.reset();
    OrvantoTest::TearDown();
  }
  void AddRelation(int type, const std::string& a, const std::string& b) {
    afc->MnuType[type]->Click();
    afc->EditA->UserSetText(a);
    afc->EditB->UserSetText(b);
    afc->BtnAdd->Click();
  }
  // Oxygen over solid iron and carbon, the iron's coefficient from the cell text.
  int RunIron(const std::string& cell, const std::string& ironX = "") {
    Fill(1, {{"O2 (g)", "1"}});
    Fill(6, {{"Fe (s)", "1", "", ironX, "", cell}, {"C (s)", "1"}});
    Calculate("1000");
    return PhaseSlotTable.SpeciesEnd[5] + 1;
  }

  decltype(OrvantoHooks::RelationValue) saved;
  std::unique_ptr<TAfcWnd> afc;
};

TEST_F(AfcCalculationTest, TheSolverTakesTheCoefficientOfTheRelation) {
  AddRelation(6, "0", "0.5");  // [1]: the constant 0.5
  const int fe = RunIron("[1]");
  ASSERT_TRUE(m->ResultsValidFlag) << Text(RelationUnavailableId);
  ASSERT_EQ(EqlKernel->SpeciesName(fe), "Fe");
  EXPECT_FALSE(EqlKernel->SpeciesForced(fe));
  EXPECT_NEAR(double(EqlKernel->ActivityCoefficient(fe)), 0.5, 1e-12);
  EXPECT_EQ(afc->LastTemperature, 1000.0);
  // The same system with the number in the cell gives the same equilibrium.
  const double outWithRelation = Cell(6, ColOut, 1);
  RunIron("0.5");
  ASSERT_TRUE(m->ResultsValidFlag);
  EXPECT_NEAR(Cell(6, ColOut, 1), outWithRelation, 1e-9 + 1e-9 * std::abs(outWithRelation));
}

TEST_F(AfcCalculationTest, TheRelationSeesTheTemperatureAndTheMoleFraction) {
  AddRelation(8, "-693.147", "1");  // [1]: exp(-693.147/T), 0.5 at 1000 K
  AddRelation(6, "0.8", "0.1");     // [2]: 0.8 (1 - x) + 0.1
  int fe = RunIron("[1]");
  ASSERT_TRUE(m->ResultsValidFlag) << Text(RelationUnavailableId);
  EXPECT_NEAR(double(EqlKernel->ActivityCoefficient(fe)), std::exp(-693.147 / 1000), 1e-12);
  // The x cell of the row is the mole fraction the relation is evaluated at.
  fe = RunIron("[2]", "0.25");
  ASSERT_TRUE(m->ResultsValidFlag) << Text(RelationUnavailableId);
  EXPECT_NEAR(double(EqlKernel->ActivityCoefficient(fe)), 0.8 * 0.75 + 0.1, 1e-12);
}

TEST_F(AfcCalculationTest, AReferenceWithoutAValueStopsTheRun) {
  AddRelation(6, "0", "0.5");
  AddRelation(2, "1", "0");  // [2] divides by zero
  for (const char* cell : {"[2]", "[3]"}) {
    SCOPED_TRACE(cell);
    RunIron(cell);
    EXPECT_TRUE(Logged(RelationUnavailableId));
    EXPECT_NE(Text(RelationUnavailableId).find(cell), std::string::npos) << Text(RelationUnavailableId);
    EXPECT_FALSE(m->ResultsValidFlag);
    EXPECT_FALSE(Logged(1593));
  }
}

}  // namespace
