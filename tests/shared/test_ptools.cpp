#include "shared/PTools.h"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

using namespace quorel;

namespace {

struct ReadCase {
  const char* text;
  bool ok;  // through TryTextToFloat
  double value;
};

TEST(PToolsRead, SharedStepsOfTheLenientReaders) {
  const ReadCase cases[] = {
      {"1.5", true, 1.5},      {"1,5", true, 1.5},       {"  1.5  ", true, 1.5},   {"7.", true, 7.0},
      {"", true, 0.0},         {"   ", true, 0.0},       {"1 000", true, 1000.0},  {"-2.5e3", true, -2500.0},
      {"+4", true, 4.0},       {"1,5e-3", true, 0.0015}, {".5", true, 0.5},        {"1e-400", true, 0.0},
      {"nan", false, 0},       {"inf", false, 0},        {"-INF", false, 0},       {"1e309", false, 0},
      {"0x10", false, 0},      {"abc", false, 0},        {"1.2.3", false, 0},      {"1,5,0", false, 0},
      {"e5", false, 0},        {"1e", false, 0},         {".", true, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    long double v = -99;
    EXPECT_EQ(TryTextToFloat(c.text, v), c.ok);
    if (c.ok) {
      EXPECT_DOUBLE_EQ(static_cast<double>(v), c.value);
    } else {
      EXPECT_EQ(v, -99);  // untouched on failure
    }
    EXPECT_DOUBLE_EQ(TextToDouble(c.text), c.ok ? c.value : 0.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(TextToExtended(c.text)), c.ok ? c.value : 0.0);
  }
}

TEST(PToolsRead, TryTextToDoubleNeitherTrimsNorCompletes) {
  const ReadCase cases[] = {
      {"1.5", true, 1.5}, {"1,5", true, 1.5}, {" 1.5", false, 0}, {"1.5 ", false, 0},
      {"", false, 0},     {"1 000", false, 0}, {"nan", false, 0},  {"1e999", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double v = -99;
    EXPECT_EQ(TryTextToDouble(c.text, v), c.ok);
    EXPECT_DOUBLE_EQ(v, c.ok ? c.value : 0.0);
  }
}

// The double readers round the text once, straight to the nearest double: each text lies just
// above the midpoint of two doubles, where a detour through the extended value would round to
// the midpoint first and then to the even neighbour below.
TEST(PToolsRead, DoublesAreTheNearestToTheText) {
  struct {
    const char* text;
    double value;
  } cases[] = {
      {"9007199254740993.0000000001", 9007199254740994.0},
      {"-9007199254740993,0000000001", -9007199254740994.0},
      {"1.000000000000000111022302462515654042363166809082031250001", 1.0000000000000002},
      {"9007199254740993", 9007199254740992.0},  // the midpoint itself goes to the even one
      {"0.1", 0.1},
      {"-0", -0.0},
      {"1e-400", 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TextToDouble(c.text), c.value);
    double v = -99;
    EXPECT_TRUE(TryTextToDouble(c.text, v));
    EXPECT_EQ(v, c.value);
  }
}

TEST(PToolsRead, Integers) {
  struct {
    const char* text;
    bool ok;
    int value;
  } cases[] = {{"12", true, 12},      {" -3 ", true, -3},  {"+7", true, 7},     {"", false, 0},
               {"1.5", false, 0},     {"12a", false, 0},   {"99999999999", false, 0}, {"+-1", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int v = -99;
    EXPECT_EQ(TryTextToInt(c.text, v), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
    EXPECT_EQ(TextToInt(c.text), c.ok ? c.value : 0);
  }
}

TEST(PToolsRead, HexToInt) {
  struct {
    const char* text;
    std::uint32_t value;
  } cases[] = {{"0x1F", 31},          {"1f", 31},   {"0X1F", 31},  // 'X' is no prefix: a zero digit
               {"", 0},               {" ff ", 255}, {"FFFFFFFF", 0xFFFFFFFFu}, {"00FF8040", 0x00FF8040u},
               {"1g", 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(HexToInt(c.text), c.value);
  }
}

// Builds a German locale (decimal comma) into the build folder, so the test does not depend on
// the locales the machine happens to have.
bool UseCommaLocale() {
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) return true;
  const std::string dir = std::string(QUOREL_BUILD_DIR) + "/locale";
  if (!std::filesystem::exists(dir + "/de_DE.UTF-8")) {
    std::filesystem::create_directories(dir);
    std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && !std::filesystem::exists(dir + "/de_DE.UTF-8")) return false;
  }
  setenv("LOCPATH", dir.c_str(), 1);
  return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
}

TEST(PToolsWrite, PointWhateverTheLocale) {
  if (!UseCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  EXPECT_STREQ(probe, "1,5");  // the locale is really in force
  EXPECT_EQ(FloatToShortText(1234.5), "1234.5");
  EXPECT_EQ(FloatToFullText(0.1), "0.1");
  EXPECT_EQ(FloatToShortText(1.5e-7), "1.5E-7");
  EXPECT_DOUBLE_EQ(TextToDouble("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(TextToDouble("1,5"), 1.5);
  std::setlocale(LC_NUMERIC, "C");
}

TEST(PToolsWrite, GeneralFormat) {
  struct {
    long double value;
    int precision;
    const char* text;
  } cases[] = {
      {1234.5L, 8, "1234.5"},       {0, 8, "0"},          {-2.5L, 8, "-2.5"},        {1e-5L, 8, "0.00001"},
      {1.5e-7L, 8, "1.5E-7"},       {123456789.0L, 8, "1.2345679E8"}, {12345678.0L, 8, "12345678"},
      {1.0L / 3, 8, "0.33333333"},  {1.0L / 3, 15, "0.333333333333333"}, {298.15L, 15, "298.15"},
      {8.3143L, 15, "8.3143"},      {1e20L, 15, "1E20"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FloatToTextF(c.value, c.precision, 0), c.text);
  }
  EXPECT_EQ(FloatToShortText(NAN), "NAN");
  EXPECT_EQ(FloatToShortText(-INFINITY), "-INF");
}

TEST(PToolsWrite, FullTextReadsBackToTheSameDouble) {
  // The shortest text of 15 to 17 digits that reads back; the largest doubles once came out
  // as 1.79769313486232E308, which is beyond the double range and read back as 0.
  const double largest = std::numeric_limits<double>::max();
  struct {
    double value;
    const char* text;
  } cases[] = {
      {largest, "1.7976931348623157E308"},
      {-largest, "-1.7976931348623157E308"},
      {std::nextafter(largest, 0.0), "1.7976931348623155E308"},
      {std::numeric_limits<double>::min(), "2.2250738585072014E-308"},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
      {0.1, "0.1"},
      {8.3143, "8.3143"},
      {1.0 / 3, "0.3333333333333333"},
      {2.0 / 3, "0.6666666666666666"},
      {0.1 + 0.2, "0.30000000000000004"},
      {101325.0, "101325"},
      {6.02214076e23, "6.02214076E23"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FloatToFullText(c.value), c.text);
    EXPECT_EQ(TextToDouble(c.text), c.value);
  }
  // Doubles of every magnitude, and the neighbours of each.
  for (int e = -1074; e <= 1023; e += 7) {
    for (double v : {std::ldexp(1.0, e), std::ldexp(1.0, e) * 1.2345678901234567}) {
      for (double w : {v, std::nextafter(v, 0.0), std::nextafter(v, INFINITY), -v}) {
        if (!std::isfinite(w)) continue;
        ASSERT_EQ(TextToDouble(FloatToFullText(w)), w) << FloatToFullText(w);
      }
    }
  }
  // A value no double holds keeps 15 digits.
  EXPECT_EQ(FloatToFullText(1.0L / 3), "0.333333333333333");
}

TEST(PToolsTags, TagValues) {
  EXPECT_EQ(TagValueInt("Idx:", "Idx:12;A:3;"), 12);
  EXPECT_EQ(TagValueInt("Idx:", "MaxIdx:12;"), 0);  // a letter stands before the tag
  EXPECT_EQ(TagValueInt("A:", "Idx:12;A:3;"), 3);
  EXPECT_EQ(TagValueInt("A:", "Idx:12;A:x;"), 0);
  EXPECT_EQ(TagValueInt("B:", "Idx:12;"), 0);
  EXPECT_EQ(TagValueText("A:", "Idx:12;A:abc"), "abc");
  EXPECT_EQ(TagValueText("Z:", "Idx:12;"), "");
  EXPECT_DOUBLE_EQ(TagValueFloat("T:", "XT:1,5;"), 1.5);  // no letter test for floats
  EXPECT_DOUBLE_EQ(TagValueFloat("Q:", "T:1;"), 0.0);
}

// Under a single-byte locale some bytes above 127 are letters to isalpha; the letter test before
// a tag knows only A-Z and a-z ("\xB0" is the degree sign, "\xE9" an e with an accent).
TEST(PToolsTags, LetterTestIgnoresTheLocale) {
  const std::string dir = std::string(QUOREL_BUILD_DIR) + "/locale";
  const std::string name = "de_DE.ISO-8859-1";
  if (!std::filesystem::exists(dir + "/" + name)) {
    std::filesystem::create_directories(dir);
    std::string cmd = "localedef -i de_DE -f ISO-8859-1 '" + dir + "/" + name + "' >/dev/null 2>&1";
    (void)std::system(cmd.c_str());
  }
  setenv("LOCPATH", dir.c_str(), 1);
  if (!std::setlocale(LC_CTYPE, name.c_str())) GTEST_SKIP() << "no single-byte locale can be made here";
  const bool accentIsLetter = std::isalpha(0xE9) != 0;
  EXPECT_EQ(TagValueInt("Idx:", "\xE9Idx:12;"), 12);
  EXPECT_EQ(TagValueInt("Idx:", "\xB0Idx:12;"), 12);
  EXPECT_EQ(TagValueInt("Idx:", "xIdx:12;"), 0);
  std::setlocale(LC_CTYPE, "C");
  if (!accentIsLetter) GTEST_SKIP() << "the locale made no letters of the high bytes";
}

TEST(PToolsPaths, LowerExtension) {
  // Stored Windows paths and our own: a dot in a folder name is no extension.
  struct Case { const char* path; const char* ext; } cases[] = {
      {"System.EQL", ".eql"}, {"..\\data.d\\Water.Sub", ".sub"}, {"/home/u/runs.v2/flame", ""},
      {"C:\\old.dir\\noext", ""}, {"a.b.eql", ".eql"}, {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(LowerExtension(c.path), c.ext) << c.path;
}

TEST(PToolsPaths, ExpandProgramPath) {
  namespace fs = std::filesystem;
  const auto cwd = fs::current_path();
  const std::string program = ProgramFolder();
  EXPECT_EQ(ExpandProgramPath("", "data/x.tdb"), (fs::path(program) / "data/x.tdb").string());
  EXPECT_EQ(ExpandProgramPath("/opt/q/bin", "..\\data\\Quorel.tdb"), "/opt/q/data/Quorel.tdb");
  EXPECT_EQ(ExpandProgramPath("/opt/q/bin", "/etc/Quorel.sys"), "/etc/Quorel.sys");
  EXPECT_EQ(ExpandProgramPath("/opt/q", "C:\\data\\x.tdb"), "C:\\data\\x.tdb");
  EXPECT_EQ(ExpandProgramPath("/opt/q", "C:/data/x.tdb"), "C:\\data\\x.tdb");  // a drive path either way
  EXPECT_EQ(ExpandProgramPath("/opt/q", "a:b/c.txt"), "/opt/q/a:b/c.txt");       // no drive
  EXPECT_EQ(ExpandProgramPath("/opt/q", "/srv/a:/b.txt"), "/srv/a:/b.txt");      // ':' in a folder name
  EXPECT_EQ(ExpandProgramPath("/opt/q/", "./a/./b/../c.txt"), "/opt/q/a/c.txt");
  EXPECT_EQ(fs::current_path(), cwd);  // the current folder never changes
}

TEST(PToolsTime, Formats) {
  std::tm tm{};
  tm.tm_year = 2024 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = 7;
  tm.tm_hour = 9;
  tm.tm_min = 5;
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  auto when = std::chrono::system_clock::from_time_t(std::mktime(&tm)) + std::chrono::milliseconds(7);
  EXPECT_EQ(FormatTimeStamp(when), "2024.03.07  09:05:00");
  EXPECT_EQ(FormatTimeMs(when), "09:05:00:7");
}

}  // namespace
