// Conversion between the system's single-byte text (Windows-1252) and UTF-8, used where text
// meets the GUI, the clipboard and file names. All 256 bytes convert to UTF-8 and back
// unchanged (the five bytes Windows-1252 leaves undefined map to the C1 controls U+0081,
// U+008D, U+008F, U+0090, U+009D).
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string Cp1252ToUtf8(std::string_view text);
// Characters without a Windows-1252 byte, and malformed UTF-8 sequences, become '?'.
std::string Utf8ToCp1252(std::string_view text);
// The Unicode code point of a Windows-1252 byte, and the byte of a code point (-1: none).
char32_t Cp1252ToCodePoint(unsigned char byte);
int CodePointToCp1252(char32_t cp);

// A file name in the system's text as the file system wants it (UTF-8), and back.
inline std::string NativePath(std::string_view path) { return Cp1252ToUtf8(path); }
inline std::string PathFromNative(std::string_view path) { return Utf8ToCp1252(path); }

}  // namespace platform
