// Picture files: 24-bit Windows bitmaps (written by our own writer) and JPEG through libjpeg.
// A picture is encoded in memory and saved as every other file is (SaveFileContents): a
// read-only picture is refused, a symbolic link keeps pointing at the picture it names, a
// failed or killed save leaves an existing picture as it was and the next save removes what it
// left. Failures come back as a result with a reason; nothing here ends the program. Paths are
// the system's text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Picture.h"

namespace platform {

struct FileResult {
  bool Ok = false;
  std::string Error;  // why it failed; empty on success
  explicit operator bool() const { return Ok; }
  static FileResult Success() { return {true, {}}; }
  static FileResult Failure(std::string why) { return {false, std::move(why)}; }
};

// The bytes of a 24-bit bitmap file: 14-byte file header, 40-byte info header, bottom-up rows
// of blue, green, red, each row padded to a multiple of 4 bytes; 96 dpi.
std::vector<std::uint8_t> EncodeBmp(const Picture& picture);
// Reads uncompressed 24- and 32-bit bitmaps (bottom-up or top-down).
FileResult DecodeBmp(const std::vector<std::uint8_t>& bytes, Picture& picture);

// An empty picture is refused (as libjpeg refuses it for a JPEG).
FileResult SaveBmp(const Picture& picture, const std::string& path);
FileResult LoadBmp(const std::string& path, Picture& picture);

// Baseline JPEG, 24-bit RGB, quality 0..100 (90 unless told).
FileResult SaveJpeg(const Picture& picture, const std::string& path, int quality = 90);
// Reads a JPEG (colour or grey) for a preview.
FileResult LoadJpeg(const std::string& path, Picture& picture);

// A picture file (JPEG or bitmap, told apart by its first bytes) shrunk to fit maxWidth x
// maxHeight with its proportions kept (never enlarged): the save dialog's preview.
FileResult LoadPreview(const std::string& path, int maxWidth, int maxHeight, Picture& picture);

}  // namespace platform
