// A picture is a raster of 32-bit pixels that the canvas draws on: the off-screen chart and
// plot pictures, the image a paint box shows, the picture put on the clipboard or saved as a
// file. A new picture is blank white. Copying a picture copies its pixels; each picture has its
// own canvas with its own pen, brush and font.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Component.h"  // TColor

namespace platform {

// Returned for a pixel read outside the picture.
inline constexpr TColor kInvalidPixel = 0xFFFFFFFF;

class Canvas;

class Picture {
 public:
  Picture();                        // 0 x 0
  Picture(int width, int height);   // blank white; negative sizes count as 0
  Picture(const Picture& other);
  Picture& operator=(const Picture& other);
  Picture(Picture&& other) noexcept;
  Picture& operator=(Picture&& other) noexcept;
  ~Picture();

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  // New size; the part that lies inside both the old and the new size keeps its pixels, the
  // rest is white.
  void SetSize(int width, int height);
  void Fill(TColor color);

  // Pixel values in the platform colour form. Reads outside give kInvalidPixel, writes outside
  // are ignored.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  // The canvas that draws on this picture (pen, brush and font are kept between calls).
  Canvas& GetCanvas();

  // Raw rows for the views and file writers: Height() rows of Width() words, each word
  // 0xFFRRGGBB in native byte order (readers ignore the top byte), rows Stride() bytes apart,
  // top row first. This is the layout of cairo's RGB24 and of QImage::Format_RGB32.
  const std::uint32_t* Bits() const { return pixels_.data(); }
  std::uint32_t* Bits() { return pixels_.data(); }
  int Stride() const { return width_ * 4; }

  // Same size and same colours in every pixel (the meaningless top byte is ignored).
  bool SamePixels(const Picture& other) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
  std::unique_ptr<Canvas> canvas_;
};

// Conversions between the platform colour and the raw pixel word.
constexpr std::uint32_t ColorToRaw(TColor c) {
  return 0xFF000000u | (RedOf(c) << 16) | (GreenOf(c) << 8) | BlueOf(c);
}
constexpr TColor RawToColor(std::uint32_t raw) {
  return RGB((raw >> 16) & 0xFF, (raw >> 8) & 0xFF, raw & 0xFF);
}

}  // namespace platform
