// Small conversions used by every window and file routine: numbers to text and back with a
// fixed '.' decimal point, tag-value strings, hexadecimal text, program-relative paths and
// time stamps. Numbers are always written with '.' whatever the locale and read back with ','
// or '.', so files written on one machine read on any other.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorel {

// Number to text, general format: fixed notation while the integer digits fit the precision
// and |value| >= 1e-5, scientific otherwise ("1.5E-7"); trailing zeros dropped.
std::string FloatToTextF(long double value, int precision, int digits);
std::string FloatToShortText(long double value);  // precision 8, digits 6
// The shortest of 15, 16 or 17 significant digits that reads back (TextToDouble) to the same
// double, for every finite double; a value no double holds gets 15.
std::string FloatToFullText(long double value);

// Text to number. Blanks are trimmed, the first ',' becomes '.', "7." and "" are completed with
// "0", blanks inside are dropped. "nan", "inf" and values beyond the double range are unreadable.
double TextToDouble(std::string_view text);            // 0 when unreadable
long double TextToExtended(std::string_view text);     // 0 when unreadable
bool TryTextToFloat(std::string_view text, long double& value);  // false when unreadable
// Neither trims nor completes: only the first ',' becomes '.'. false and 0 when unreadable.
bool TryTextToDouble(std::string_view text, double& value);
bool TryTextToInt(std::string_view text, int& value);  // trims; decimal integer
int TextToInt(std::string_view text);                  // 0 when unreadable
// The strict decimal grammar every reader checks first: [+-] digits [. digits] [(e|E) [+-]
// digits] with at least one mantissa digit; the point may lead (".5") or trail ("7."). No
// blanks, no ',' and nothing else.
bool IsDecimalNumber(std::string_view text);
// Hexadecimal text, optional "0x" prefix; other characters count as 0. Computed in 32 bits
// unsigned, so eight hex digits (a stored colour) never overflow.
std::uint32_t HexToInt(std::string_view text);

// Tag values in texts such as "Idx:3;A:5;".
std::string TagValueText(std::string_view tag, std::string_view text);
int TagValueInt(std::string_view tag, std::string_view text);
double TagValueFloat(std::string_view tag, std::string_view text);

// Makes a stored path absolute. Accepts '\' and '/' as separators; a path absolute on this
// platform or a drive path ("C:\...", or "C:/..." which comes back as "C:\...") is kept; a
// relative one is taken relative to base, or to the folder of the running program when base is
// empty. Returns a path with this platform's separators. Never changes the process's current
// folder.
std::string ExpandProgramPath(std::string_view base, std::string_view path);
// A path as the user names it on the command line or by a drop: a relative one is taken against
// the working folder, not the program folder; otherwise as ExpandProgramPath.
std::string AbsolutePath(std::string_view path);
// Converts every '\' to '/'.
std::string NativeSeparators(std::string_view path);

using DateTime = std::chrono::system_clock::time_point;
std::string FormatTimeStamp(DateTime when);  // "2024.03.07  09:05:00" (local time)
std::string FormatTimeMs(DateTime when);     // "09:05:00:7"

// Folder of the running program (set by the program at start-up; /proc/self/exe otherwise).
std::string ProgramFolder();
void SetProgramFolder(std::string folder);

// Small text helpers shared by the units.
std::string Trim(std::string_view text);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);  // ASCII case-insensitive
// text with blanks put in front up to width characters (unchanged when it is as long already).
std::string PadLeft(std::string_view text, std::size_t width);
// The extension of a file name with its dot, in lower case ("" when the name has none); both
// separators end a folder name.
std::string LowerExtension(std::string_view path);

// Number to text by a pattern: "0", "0.0", "0.00", "0.000" (fixed, that many decimals) and
// "0E+0" (scientific: one mantissa digit, the exponent with its sign and without leading zeros;
// more zeros after the point or the E ask for more decimals or exponent digits, "E-" shows the
// sign of negative exponents only). Rounded half away from zero on the number's 15 significant
// digits; '.' as the decimal point.
std::string FormatFloat(std::string_view pattern, double value);

// Date-time values in days since 30 December 1899, 0:00 local time; the fraction is the time of
// day (0.5 is noon). One second is 1 / 86400.
struct DateTimeParts {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};
double DateTimeNow();
double EncodeDateTime(const DateTimeParts& parts);
// Rounded to the nearest millisecond; a value beyond about 8000 years either side (or not
// finite) gives 30 December 1899, 0:00.
DateTimeParts DecodeDateTime(double days);
// The date of the value plus its whole hour (minutes, seconds and milliseconds dropped).
double WholeHourOf(double days);

}  // namespace quorel
