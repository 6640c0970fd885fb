#include "shared/PTools.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <mutex>

namespace quorel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

// Refuses "nan", "inf", hexadecimal and anything else from_chars would otherwise accept.
bool IsDecimalNumber(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exp = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++exp;
    if (exp == 0) return false;
  }
  return i == s.size();
}

namespace {

// Reads a text that passed IsDecimalNumber; values beyond the double range are unreadable,
// values too small for it read as their extended value (0 for a double).
bool ParseDecimal(std::string_view s, long double& value) {
  if (!IsDecimalNumber(s)) return false;
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  long double v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ptr != s.data() + s.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    // Either beyond the extended range or below it: only the latter is a number (zero).
    auto e = s.find_first_of("eE");
    if (e == std::string_view::npos || s.find('-', e) == std::string_view::npos) return false;
    v = 0;
  } else if (ec != std::errc()) {
    return false;
  }
  if (!std::isfinite(v) || std::fabs(v) > static_cast<long double>(DBL_MAX)) return false;
  value = negative ? -v : v;
  return true;
}

// The double readers: the range check of ParseDecimal, then the text read straight to the
// nearest double. Rounding the extended value once more would be off by one unit in the last
// place for texts just beside the midpoint of two doubles.
bool ParseDecimalDouble(std::string_view s, double& value) {
  long double extended = 0;
  if (!ParseDecimal(s, extended)) return false;
  const bool negative = !s.empty() && s[0] == '-';
  std::string_view magnitude = s;
  if (!magnitude.empty() && (magnitude[0] == '+' || magnitude[0] == '-')) magnitude.remove_prefix(1);
  double v = 0;
  const char* end = magnitude.data() + magnitude.size();
  auto [ptr, ec] = std::from_chars(magnitude.data(), end, v, std::chars_format::general);
  if (ec != std::errc() || ptr != end) {
    value = static_cast<double>(extended);  // too small for a double: 0
    return true;
  }
  value = negative ? -v : v;
  return true;
}

void FirstCommaToPoint(std::string& s) {
  auto p = s.find(',');
  if (p != std::string::npos) s[p] = '.';
}

// The shared preparation of TextToDouble, TextToExtended and TryTextToFloat.
std::string PrepareNumberText(std::string_view text) {
  std::string s = Trim(text);
  FirstCommaToPoint(s);
  auto point = s.find('.');
  if (s.empty() || (point != std::string::npos && point + 1 == s.size())) s += '0';
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (c != ' ') out += c;
  return out;
}

std::mutex g_folder_mutex;
std::string g_program_folder;

}  // namespace

std::string FloatToTextF(long double value, int precision, int digits) {
  (void)digits;  // exponents are written with as many digits as they need
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  // to_chars never looks at the locale, so the point is always '.'.
  char buf[128];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1);
  std::string sci(buf, res.ptr);
  auto epos = sci.find('e');
  int exponent = std::atoi(sci.c_str() + epos + 1);
  std::string mantissa = sci.substr(0, epos);
  auto strip = [](std::string s) {
    if (s.find('.') != std::string::npos) {
      while (!s.empty() && s.back() == '0') s.pop_back();
      if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s;
  };
  std::string out;
  if (exponent < precision && std::fabs(value) >= 1e-5L) {
    int decimals = precision - 1 - exponent;
    if (decimals < 0) decimals = 0;
    auto fixed = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    out = strip(std::string(buf, fixed.ptr));
  } else {
    out = strip(mantissa) + "E" + (exponent < 0 ? "-" : "") + std::to_string(std::abs(exponent));
  }
  return out;
}

std::string FloatToShortText(long double value) { return FloatToTextF(value, 8, 6); }
std::string FloatToFullText(long double value) {
  // A value that a double holds is written with the fewest digits from 15 on that read back to
  // it; 17 always do. Other values keep 15 digits.
  const double d = static_cast<double>(value);
  if (!std::isfinite(d) || static_cast<long double>(d) != value) return FloatToTextF(value, 15, 0);
  std::string text;
  for (int precision = 15; precision <= 17; ++precision) {
    text = FloatToTextF(d, precision, 0);
    double back = 0;
    if (ParseDecimalDouble(text, back) && back == d) break;
  }
  return text;
}

double TextToDouble(std::string_view text) {
  double v = 0;
  return ParseDecimalDouble(PrepareNumberText(text), v) ? v : 0.0;
}

long double TextToExtended(std::string_view text) {
  long double v = 0;
  return ParseDecimal(PrepareNumberText(text), v) ? v : 0.0L;
}

bool TryTextToFloat(std::string_view text, long double& value) {
  long double v = 0;
  if (!ParseDecimal(PrepareNumberText(text), v)) return false;
  value = v;
  return true;
}

bool TryTextToDouble(std::string_view text, double& value) {
  std::string s(text);
  FirstCommaToPoint(s);
  double v = 0;
  if (!ParseDecimalDouble(s, v)) {
    value = 0;
    return false;
  }
  value = v;
  return true;
}

bool TryTextToInt(std::string_view text, int& value) {
  std::string s = Trim(text);
  if (s.empty()) return false;
  size_t start = (s[0] == '+') ? 1 : 0;
  if (start == s.size()) return false;
  int v = 0;
  auto [ptr, ec] = std::from_chars(s.data() + start, s.data() + s.size(), v, 10);
  if (ec != std::errc() || ptr != s.data() + s.size()) return false;
  if (start == 1 && s.size() > 1 && s[1] == '-') return false;
  value = v;
  return true;
}

int TextToInt(std::string_view text) {
  int v = 0;
  return TryTextToInt(text, v) ? v : 0;
}

std::uint32_t HexToInt(std::string_view text) {
  std::string s = Trim(text);
  std::string_view v = s;
  if (v.size() >= 2 && v[0] == '0' && v[1] == 'x') v.remove_prefix(2);
  std::uint32_t result = 0;
  for (char c : v) {
    std::uint32_t d = 0;
    if (c >= '0' && c <= '9') d = static_cast<std::uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'F') d = static_cast<std::uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f') d = static_cast<std::uint32_t>(c - 'a' + 10);
    result = result * 16u + d;
  }
  return result;
}

std::string TagValueText(std::string_view tag, std::string_view text) {
  if (tag.empty()) return "";
  auto p = text.find(tag);
  if (p == std::string_view::npos) return "";
  auto start = p + tag.size();
  auto end = text.find(';', start);
  return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

int TagValueInt(std::string_view tag, std::string_view text) {
  if (tag.empty()) return 0;
  auto p = text.find(tag);
  if (p == std::string_view::npos) return 0;
  // Only the ASCII letters count (not the locale's letters among the bytes above 127).
  if (p > 0) {
    const char before = text[p - 1];
    if ((before >= 'A' && before <= 'Z') || (before >= 'a' && before <= 'z')) return 0;
  }
  int v = 0;
  return TryTextToInt(TagValueText(tag, text), v) ? v : 0;
}

double TagValueFloat(std::string_view tag, std::string_view text) {
  if (tag.empty() || text.find(tag) == std::string_view::npos) return 0;
  return TextToDouble(TagValueText(tag, text));
}

std::string NativeSeparators(std::string_view path) {
  std::string s(path);
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

std::string ExpandProgramPath(std::string_view base, std::string_view path) {
  namespace fs = std::filesystem;
  if (path.find(":\\") != std::string_view::npos) return std::string(path);
  // A drive path stored with '/' ("C:/data/x.tdb") is a drive path all the same: kept, with '\'.
  const auto asciiLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (path.size() >= 3 && asciiLetter(path[0]) && path[1] == ':' && path[2] == '/') {
    std::string drive(path);
    for (char& c : drive)
      if (c == '/') c = '\\';
    return drive;
  }
  fs::path p(NativeSeparators(path));
  if (p.is_absolute()) return p.lexically_normal().string();
  fs::path folder(base.empty() ? ProgramFolder() : NativeSeparators(base));
  if (!folder.is_absolute()) {
    std::error_code ec;
    folder = fs::current_path(ec) / folder;
  }
  return (folder / p).lexically_normal().string();
}

std::string AbsolutePath(std::string_view path) {
  std::error_code ec;
  const std::string working = std::filesystem::current_path(ec).string();
  return ExpandProgramPath(ec ? std::string(".") : working, path);
}

std::string ProgramFolder() {
  std::lock_guard<std::mutex> lock(g_folder_mutex);
  if (g_program_folder.empty()) {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) {
      buf[n] = 0;
      g_program_folder = std::filesystem::path(buf).parent_path().string();
    } else {
      g_program_folder = ".";
    }
  }
  return g_program_folder;
}

void SetProgramFolder(std::string folder) {
  std::lock_guard<std::mutex> lock(g_folder_mutex);
  g_program_folder = std::move(folder);
}

namespace {
std::tm LocalTime(DateTime when) {
  std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}
}  // namespace

std::string FormatTimeStamp(DateTime when) {
  std::tm tm = LocalTime(when);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d.%02d.%02d  %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::string FormatTimeMs(DateTime when) {
  std::tm tm = LocalTime(when);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  if (ms < 0) ms += 1000;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d:%d", tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
  return buf;
}

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

std::string UpperCase(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string LowerCase(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string PadLeft(std::string_view text, std::size_t width) {
  std::string s(text.size() < width ? width - text.size() : 0, ' ');
  return s.append(text);
}

std::string LowerExtension(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return LowerCase(path.substr(dot));
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Pattern formats and date-time values

namespace {

// |value| as 15 significant decimal digits: value = 0.digits x 10^exponent.
struct DecimalDigits {
  std::string digits;
  int exponent = 0;
};

DecimalDigits ToDecimalDigits(double value) {
  DecimalDigits d;
  if (value == 0 || !std::isfinite(value)) {
    d.digits = "0";
    return d;
  }
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  const char* e = std::strchr(buf, 'e');
  const char* digits = buf;
  d.digits = std::string(1, digits[0]) + std::string(digits + 2, static_cast<std::size_t>(e - (digits + 2)));
  d.exponent = std::atoi(e + 1) + 1;
  return d;
}

// Keeps the first keep digits, rounding half away from zero; a carry adds a digit in front.
void RoundDigits(DecimalDigits& d, int keep) {
  d.digits.insert(d.digits.begin(), '0');
  d.exponent += 1;
  keep += 1;
  if (keep <= 0) {
    d.digits = "0";
    return;
  }
  if (keep >= static_cast<int>(d.digits.size())) {
    d.digits.append(static_cast<std::size_t>(keep) - d.digits.size(), '0');
    return;
  }
  const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
  d.digits.resize(static_cast<std::size_t>(keep));
  for (int i = keep - 1; up && i >= 0; --i) {
    if (d.digits[static_cast<std::size_t>(i)] == '9') {
      d.digits[static_cast<std::size_t>(i)] = '0';
    } else {
      ++d.digits[static_cast<std::size_t>(i)];
      break;
    }
  }
  // Drop the leading zero that took no carry.
  if (d.digits.size() > 1 && d.digits[0] == '0') {
    d.digits.erase(d.digits.begin());
    d.exponent -= 1;
  }
}

int CountZeros(std::string_view s) {
  int n = 0;
  for (char c : s)
    if (c == '0') ++n;
  return n;
}

constexpr long long kMsPerDay = 86400000LL;
// Days from 1 January 1970 to 30 December 1899.
constexpr long long kEpochOffsetDays = 25569;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (month <= 2));
}

}  // namespace

std::string FormatFloat(std::string_view pattern, double value) {
  const std::size_t e = pattern.find_first_of("Ee");
  const std::string_view mantissa = pattern.substr(0, e);
  const std::size_t point = mantissa.find('.');
  const int decimals = point == std::string_view::npos ? 0 : CountZeros(mantissa.substr(point + 1));
  DecimalDigits d = ToDecimalDigits(value);
  const bool negative = value < 0 && d.digits != "0";
  std::string out;
  if (e == std::string_view::npos) {
    RoundDigits(d, d.exponent + decimals);
    std::string digits = d.digits;
    int intDigits = d.exponent;
    if (intDigits <= 0) {  // 0.00ddd
      digits.insert(0, static_cast<std::size_t>(-intDigits + 1), '0');
      intDigits = 1;
    }
    if (static_cast<int>(digits.size()) < intDigits + decimals)
      digits.append(static_cast<std::size_t>(intDigits + decimals) - digits.size(), '0');
    out = digits.substr(0, static_cast<std::size_t>(intDigits));
    if (decimals > 0) out += "." + digits.substr(static_cast<std::size_t>(intDigits), static_cast<std::size_t>(decimals));
  } else {
    const std::string_view exp = pattern.substr(e + 1);
    const bool plus = !exp.empty() && exp[0] == '+';
    const int expDigits = std::max(CountZeros(exp), 1);
    int exponent = 0;
    std::string digits(static_cast<std::size_t>(decimals) + 1, '0');
    if (d.digits != "0") {
      RoundDigits(d, 1 + decimals);
      digits = d.digits;
      digits.resize(static_cast<std::size_t>(decimals) + 1, '0');
      exponent = d.exponent - 1;
    }
    out = digits.substr(0, 1);
    if (decimals > 0) out += "." + digits.substr(1);
    out += pattern[e];
    if (exponent < 0) out += '-';
    else if (plus) out += '+';
    std::string ex = std::to_string(exponent < 0 ? -exponent : exponent);
    if (static_cast<int>(ex.size()) < expDigits) ex.insert(0, static_cast<std::size_t>(expDigits) - ex.size(), '0');
    out += ex;
  }
  bool allZero = true;
  for (char c : out) {
    if (c == 'E' || c == 'e') break;
    if (c >= '1' && c <= '9') allZero = false;
  }
  return negative && !allZero ? "-" + out : out;
}

double EncodeDateTime(const DateTimeParts& p) {
  const long long days = DaysFromCivil(p.Year, static_cast<unsigned>(p.Month), static_cast<unsigned>(p.Day)) + kEpochOffsetDays;
  const long long ms = ((p.Hour * 60LL + p.Minute) * 60LL + p.Second) * 1000LL + p.Millisecond;
  return static_cast<double>(days) + static_cast<double>(ms) / kMsPerDay;
}

DateTimeParts DecodeDateTime(double days) {
  DateTimeParts p;
  if (!std::isfinite(days) || std::fabs(days) > 3e6) return p;  // about 8000 years either side
  const long long ms = std::llround(days * kMsPerDay);
  long long day = ms / kMsPerDay;
  long long rest = ms % kMsPerDay;
  if (rest < 0) {
    rest += kMsPerDay;
    --day;
  }
  CivilFromDays(day - kEpochOffsetDays, p.Year, p.Month, p.Day);
  p.Hour = static_cast<int>(rest / 3600000);
  p.Minute = static_cast<int>(rest / 60000 % 60);
  p.Second = static_cast<int>(rest / 1000 % 60);
  p.Millisecond = static_cast<int>(rest % 1000);
  return p;
}

double DateTimeNow() {
  const auto now = std::chrono::system_clock::now();
  const std::tm tm = LocalTime(now);
  long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  if (ms < 0) ms += 1000;
  DateTimeParts p;
  p.Year = tm.tm_year + 1900;
  p.Month = tm.tm_mon + 1;
  p.Day = tm.tm_mday;
  p.Hour = tm.tm_hour;
  p.Minute = tm.tm_min;
  p.Second = tm.tm_sec;
  p.Millisecond = static_cast<int>(ms);
  return EncodeDateTime(p);
}

double WholeHourOf(double days) {
  DateTimeParts p = DecodeDateTime(days);
  p.Minute = p.Second = p.Millisecond = 0;
  return EncodeDateTime(p);
}

}  // namespace quorel
