// The raster canvas: draws on a Picture through cairo with antialiasing switched off, so every
// pixel is either the pen, brush or text colour or left as it was. Coordinates are pixels; the
// right and bottom edges of rectangles are exclusive (Rectangle(0, 0, 10, 10) covers pixels 0..9),
// and a line covers its start pixel but not its end pixel.
//
// Text: the strings are single-byte Windows-1252 like every stored text. A face that is not
// installed is replaced by DejaVu Sans, so a picture looks the same on every machine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Picture.h"

namespace platform {

enum class PenStyle { Solid, Dash, Dot, DashDot, Clear };
enum class BrushStyle { Solid, Clear };

struct Pen {
  TColor Color = clBlack;
  int Width = 1;                     // pixels; below 1 counts as 1
  PenStyle Style = PenStyle::Solid;  // dashes apply to 1-pixel pens; wider pens draw solid
};

struct Brush {
  TColor Color = clWhite;
  BrushStyle Style = BrushStyle::Solid;  // Clear: shapes are not filled, text has no background
};

struct PixelPoint {
  int X = 0;
  int Y = 0;
};

class Canvas {
 public:
  explicit Canvas(Picture& target) : target_(&target) {}
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  platform::Pen Pen;
  platform::Brush Brush;
  // Face, size (points at 96 dpi), colour, bold, italic, underline, strike-out.
  FontInfo Font;
  // When above 0, the font's cell height (ascent + descent) in pixels, in place of Font.Size.
  int FontCellHeight = 0;
  // When above 0 (and FontCellHeight is not), the font's em size in pixels, in place of
  // Font.Size: a point size taken at a screen's own scale.
  int FontPixelSize = 0;

  Picture& Target() { return *target_; }

  // Lines with the pen. LineTo draws from the pen position to (x, y), leaving out the end pixel,
  // and moves the pen position there.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  PixelPoint PenPos() const { return penPos_; }
  // MoveTo the first point, LineTo each following one.
  void Polyline(const std::vector<PixelPoint>& points);

  // Shapes filled with the brush and outlined with the pen; corners in any order.
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const Rect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int x1, int y1, int x2, int y2);
  // Brush only, no outline.
  void FillRect(int x1, int y1, int x2, int y2);
  void FillRect(const Rect& r) { FillRect(r.Left, r.Top, r.Right, r.Bottom); }

  TColor Pixel(int x, int y) const { return target_->Pixel(x, y); }
  void SetPixel(int x, int y, TColor color) { target_->SetPixel(x, y, color); }

  // Text with its box's top-left corner at (x, y), in the font's colour, on the brush colour
  // when the brush is solid.
  void TextOut(int x, int y, const std::string& text);
  // The same, rotated counter-clockwise about (x, y) by an escapement in tenths of a degree
  // (900 = the text runs upwards).
  void TextOutRotated(int x, int y, const std::string& text, int escapement);
  int TextWidth(const std::string& text);
  int TextHeight(const std::string& text);

  // Copies the whole source picture with its top-left corner at (x, y); the part outside this
  // picture is cut off.
  void Draw(int x, int y, const Picture& source);
  // Copies the source rectangle onto the destination rectangle, stretching by nearest pixel
  // when the sizes differ. Right and bottom edges exclusive.
  void CopyRect(const Rect& dest, const Picture& source, const Rect& from);

 private:
  friend class Picture;
  void StrokeLine(int x0, int y0, int x1, int y1);
  void DrawText(int x, int y, const std::string& text, int escapement);

  Picture* target_;
  PixelPoint penPos_;
};

// The initials of a caption: the first letter or digit of each of its first two words, or the
// first two of a one-word caption ("In <- Out" -> "IO", "Comp." -> "Co"); "?" without any.
std::string CaptionInitials(std::string_view caption);
// A small square picture showing a caption's initials, for a button that has no picture of its
// own and shows no caption.
Picture CaptionInitialsPicture(std::string_view caption, int size);

}  // namespace platform
