// The raster canvas, pictures and picture files: pixel-exact shapes with the platform's
// exclusive right and bottom edges, 1-pixel lines, the colour byte order, text placement and
// rotation, BMP bytes and JPEG round trips, and failures that report instead of ending.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Canvas.h"
#include "platform/ImageFiles.h"
#include "platform/Picture.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

using PixelSet = std::set<std::pair<int, int>>;

// Every pixel that is not white.
PixelSet Ink(const Picture& p) {
  PixelSet ink;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x)
      if (p.Pixel(x, y) != clWhite) ink.insert({x, y});
  return ink;
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = std::string(QUOREL_BUILD_DIR) + "/canvas-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::string path_;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
std::uint32_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

// ---------------------------------------------------------------------------------------------
// Pictures and colours

TEST(Picture, StartsWhiteAndKeepsTheColourByteOrder) {
  Picture p(4, 3);
  EXPECT_EQ(Ink(p).size(), 0u);
  // Red in the lowest byte: RGB(0x12, 0x34, 0x56) is 0x563412 ...
  const TColor c = RGB(0x12, 0x34, 0x56);
  ASSERT_EQ(c, 0x563412u);
  p.SetPixel(1, 2, c);
  EXPECT_EQ(p.Pixel(1, 2), c);
  // ... while the raw word (cairo RGB24 / Qt RGB32) holds red in bits 16..23.
  EXPECT_EQ(p.Bits()[2 * 4 + 1] & 0xFFFFFF, 0x123456u);
  // Cairo drawing lands with the same order.
  p.GetCanvas().Brush.Color = clRed;
  p.GetCanvas().FillRect(0, 0, 1, 1);
  EXPECT_EQ(p.Pixel(0, 0), clRed);
  EXPECT_EQ(p.Bits()[0] & 0xFFFFFF, 0xFF0000u);
}

TEST(Picture, OutsideReadsAreInvalidAndWritesIgnored) {
  Picture p(2, 2);
  EXPECT_EQ(p.Pixel(-1, 0), kInvalidPixel);
  EXPECT_EQ(p.Pixel(2, 0), kInvalidPixel);
  p.SetPixel(5, 5, clBlack);
  EXPECT_EQ(Ink(p).size(), 0u);
}

TEST(Picture, ResizeKeepsTheOverlapAndCopiesAreIndependent) {
  Picture p(3, 3);
  p.SetPixel(2, 2, clBlue);
  p.SetPixel(0, 0, clRed);
  p.SetSize(5, 2);
  EXPECT_EQ(p.Width(), 5);
  EXPECT_EQ(p.Height(), 2);
  EXPECT_EQ(p.Pixel(0, 0), clRed);
  EXPECT_EQ(Ink(p), (PixelSet{{0, 0}}));

  Picture copy = p;
  copy.SetPixel(4, 1, clBlack);
  EXPECT_EQ(p.Pixel(4, 1), clWhite);
  EXPECT_FALSE(copy.SamePixels(p));

  // A moved picture's canvas draws on the new owner.
  Picture moved = std::move(copy);
  moved.GetCanvas().Brush.Color = clLime;
  moved.GetCanvas().FillRect(1, 1, 2, 2);
  EXPECT_EQ(moved.Pixel(1, 1), clLime);
  EXPECT_EQ(moved.Pixel(4, 1), clBlack);
}

// ---------------------------------------------------------------------------------------------
// Shapes

TEST(Canvas, RectangleHasExclusiveRightAndBottomEdges) {
  Picture p(12, 12);
  Canvas& c = p.GetCanvas();
  c.Pen.Color = clBlack;
  c.Brush.Color = clRed;
  c.Rectangle(0, 0, 10, 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(p.Pixel(i, 0), clBlack) << i;
    EXPECT_EQ(p.Pixel(i, 9), clBlack) << i;
    EXPECT_EQ(p.Pixel(0, i), clBlack) << i;
    EXPECT_EQ(p.Pixel(9, i), clBlack) << i;
    EXPECT_EQ(p.Pixel(10, i), clWhite) << i;
    EXPECT_EQ(p.Pixel(i, 10), clWhite) << i;
  }
  for (int y = 1; y < 9; ++y)
    for (int x = 1; x < 9; ++x) EXPECT_EQ(p.Pixel(x, y), clRed) << x << "," << y;
}

TEST(Canvas, FillRectAndStyles) {
  struct Case {
    const char* what;
    BrushStyle brush;
    PenStyle pen;
    int expectedInk;
  };
  const Case cases[] = {
      {"solid brush, solid pen", BrushStyle::Solid, PenStyle::Solid, 5 * 4},
      {"clear brush: only the border", BrushStyle::Clear, PenStyle::Solid, 5 * 4 - 3 * 2},
      {"clear pen: only the fill", BrushStyle::Solid, PenStyle::Clear, 5 * 4},
      {"both clear: nothing", BrushStyle::Clear, PenStyle::Clear, 0},
  };
  for (const Case& k : cases) {
    Picture p(10, 10);
    Canvas& c = p.GetCanvas();
    c.Brush.Color = clBlue;
    c.Brush.Style = k.brush;
    c.Pen.Style = k.pen;
    c.Rectangle(7, 6, 2, 2);  // corners in any order: pixels x 2..6, y 2..5
    PixelSet ink = Ink(p);
    EXPECT_EQ(static_cast<int>(ink.size()), k.expectedInk) << k.what;
    for (auto [x, y] : ink) {
      EXPECT_TRUE(x >= 2 && x <= 6 && y >= 2 && y <= 5) << k.what << " " << x << "," << y;
    }
  }
  Picture p(10, 10);
  p.GetCanvas().Brush.Color = clBlack;
  p.GetCanvas().FillRect(Rect{2, 3, 5, 4});
  EXPECT_EQ(Ink(p), (PixelSet{{2, 3}, {3, 3}, {4, 3}}));
}

TEST(Canvas, OnePixelLinesLeaveOutTheirEndPixel) {
  struct Case {
    int x0, y0, x1, y1;
    PixelSet pixels;
  };
  const Case cases[] = {
      {0, 0, 5, 0, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}},
      {5, 1, 0, 1, {{5, 1}, {4, 1}, {3, 1}, {2, 1}, {1, 1}}},  // leftwards: start kept, end left out
      {2, 0, 2, 3, {{2, 0}, {2, 1}, {2, 2}}},
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {3, 0, 0, 3, {{3, 0}, {2, 1}, {1, 2}}},
      // Slope 1/3: one pixel per column at the nearest row of the line.
      {0, 0, 6, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 2}}},
      // Steep: one pixel per row.
      {0, 0, 2, 6, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 5}}},
      {4, 4, 4, 4, {}},  // a line to its own start draws nothing
  };
  for (const Case& k : cases) {
    Picture p(8, 8);
    Canvas& c = p.GetCanvas();
    c.MoveTo(k.x0, k.y0);
    c.LineTo(k.x1, k.y1);
    EXPECT_EQ(Ink(p), k.pixels) << k.x0 << "," << k.y0 << " -> " << k.x1 << "," << k.y1;
    EXPECT_EQ(c.PenPos().X, k.x1);
    EXPECT_EQ(c.PenPos().Y, k.y1);
  }
}

TEST(Canvas, CoordinatesFarOutsideThePictureDrawTheVisiblePart) {
  // A chart segment may end two thousand million pixels away (a zoomed axis).
  Picture p(10, 10);
  Canvas& c = p.GetCanvas();
  c.MoveTo(-2000000000, 5);
  c.LineTo(2000000000, 5);
  PixelSet row;
  for (int x = 0; x < 10; ++x) row.insert({x, 5});
  EXPECT_EQ(Ink(p), row);

  Picture q(10, 10);
  q.GetCanvas().MoveTo(-1000000000, -1000000000);
  q.GetCanvas().LineTo(1000000000, 1000000000);
  PixelSet diagonal;
  for (int i = 0; i < 10; ++i) diagonal.insert({i, i});
  EXPECT_EQ(Ink(q), diagonal);

  Picture r(10, 10);
  r.GetCanvas().Pen.Width = 3;
  r.GetCanvas().MoveTo(5, 5);
  r.GetCanvas().LineTo(5, 2000000000);
  EXPECT_EQ(r.Pixel(5, 9), clBlack);
  EXPECT_EQ(r.Pixel(5, 3), clWhite);

  Picture f(10, 10);
  f.GetCanvas().Brush.Color = clBlue;
  f.GetCanvas().Rectangle(-2000000000, -2000000000, 2000000000, 2000000000);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(f.Pixel(x, y), clBlue) << x << "," << y;
  f.GetCanvas().Ellipse(2000000000, 5, 2000000010, 15);  // far away: nothing, no failure
  f.GetCanvas().TextOut(-2000000000, 0, "far");
  EXPECT_EQ(f.Pixel(0, 0), clBlue);
}

TEST(Canvas, LineToContinuesFromThePenPositionAndPolylineJoins) {
  Picture p(8, 8);
  Canvas& c = p.GetCanvas();
  c.Pen.Color = clRed;
  c.MoveTo(1, 1);
  c.LineTo(4, 1);
  c.LineTo(4, 4);
  EXPECT_EQ(Ink(p), (PixelSet{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {4, 3}}));
  EXPECT_EQ(p.Pixel(4, 1), clRed);

  Picture q(8, 8);
  q.GetCanvas().Polyline({{1, 1}, {4, 1}, {4, 4}});
  EXPECT_EQ(Ink(q), Ink(p));
}

TEST(Canvas, DottedAndClearPens) {
  Picture p(16, 4);
  Canvas& c = p.GetCanvas();
  c.Pen.Style = PenStyle::Dot;  // 3 on, 3 off
  c.MoveTo(0, 1);
  c.LineTo(12, 1);
  EXPECT_EQ(Ink(p), (PixelSet{{0, 1}, {1, 1}, {2, 1}, {6, 1}, {7, 1}, {8, 1}}));

  Picture q(16, 4);
  q.GetCanvas().Pen.Style = PenStyle::Clear;
  q.GetCanvas().MoveTo(0, 1);
  q.GetCanvas().LineTo(12, 1);
  EXPECT_EQ(Ink(q).size(), 0u);
  EXPECT_EQ(q.GetCanvas().PenPos().X, 12);
}

TEST(Canvas, WidePenCoversItsWidth) {
  Picture p(20, 10);
  Canvas& c = p.GetCanvas();
  c.Pen.Width = 3;
  c.MoveTo(5, 5);
  c.LineTo(15, 5);
  for (int y : {4, 5, 6}) EXPECT_EQ(p.Pixel(10, y), clBlack) << y;
  EXPECT_EQ(p.Pixel(10, 3), clWhite);
  EXPECT_EQ(p.Pixel(10, 7), clWhite);
}

TEST(Canvas, EllipseInsideItsBox) {
  Picture p(12, 12);
  Canvas& c = p.GetCanvas();
  c.Brush.Color = clBlue;
  c.Ellipse(0, 0, 10, 10);
  EXPECT_EQ(p.Pixel(5, 5), clBlue);
  EXPECT_EQ(p.Pixel(0, 5), clBlack);  // the outline at the left and right ends
  EXPECT_EQ(p.Pixel(9, 5), clBlack);
  EXPECT_EQ(p.Pixel(5, 0), clBlack);
  EXPECT_EQ(p.Pixel(5, 9), clBlack);
  EXPECT_EQ(p.Pixel(0, 0), clWhite);  // corners of the box stay
  EXPECT_EQ(p.Pixel(9, 9), clWhite);
  for (auto [x, y] : Ink(p)) EXPECT_TRUE(x < 10 && y < 10) << x << "," << y;
}

// ---------------------------------------------------------------------------------------------
// Text

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
};
Box BoundsOf(const PixelSet& ink) {
  Box b;
  for (auto [x, y] : ink) {
    b.left = std::min(b.left, x);
    b.top = std::min(b.top, y);
    b.right = std::max(b.right, x);
    b.bottom = std::max(b.bottom, y);
  }
  return b;
}

TEST(CanvasText, TextLiesInItsBoxBelowAndRightOfTheAnchor) {
  Picture p(200, 60);
  Canvas& c = p.GetCanvas();
  c.Brush.Style = BrushStyle::Clear;
  c.Font.Name = "DejaVu Sans";
  c.Font.Size = 10;
  c.TextOut(20, 10, "Hg 25");
  const PixelSet ink = Ink(p);
  ASSERT_FALSE(ink.empty());
  const int w = c.TextWidth("Hg 25"), h = c.TextHeight("Hg 25");
  const Box b = BoundsOf(ink);
  EXPECT_GE(b.left, 20);
  EXPECT_GE(b.top, 10);
  EXPECT_LT(b.right, 20 + w);
  EXPECT_LT(b.bottom, 10 + h);
  // 10 pt at 96 dpi is a 13-pixel em; DejaVu Sans' cell is about 1.16 em.
  EXPECT_GE(h, 14);
  EXPECT_LE(h, 17);
  // Glyph pixels are the pure font colour (no antialiasing).
  for (auto [x, y] : ink) ASSERT_EQ(p.Pixel(x, y), clBlack);
  EXPECT_GT(c.TextWidth("HHHH"), 3 * c.TextWidth("H"));
  EXPECT_EQ(c.TextWidth(""), 0);
}

TEST(CanvasText, SolidBrushPaintsTheTextBox) {
  Picture p(100, 40);
  Canvas& c = p.GetCanvas();
  c.Brush.Color = clLime;
  c.Font.Color = clRed;
  c.TextOut(5, 5, "Ab");
  const int w = c.TextWidth("Ab"), h = c.TextHeight("Ab");
  const Box b = BoundsOf(Ink(p));
  EXPECT_EQ(b.left, 5);
  EXPECT_EQ(b.top, 5);
  EXPECT_EQ(b.right, 5 + w - 1);
  EXPECT_EQ(b.bottom, 5 + h - 1);
  EXPECT_EQ(p.Pixel(5, 5), clLime);
}

TEST(CanvasText, EscapementNineHundredRunsUpwardsFromTheAnchor) {
  Picture p(80, 200);
  Canvas& c = p.GetCanvas();
  c.Brush.Style = BrushStyle::Clear;
  const std::string text = "Temperature";
  c.TextOutRotated(30, 150, text, 900);
  const PixelSet ink = Ink(p);
  ASSERT_FALSE(ink.empty());
  const int w = c.TextWidth(text), h = c.TextHeight(text);
  const Box b = BoundsOf(ink);
  // Rotated about its top-left point: the text now stands above the anchor, its top to the left,
  // so it lies right of x = 30 and above y = 150.
  EXPECT_GE(b.left, 30);
  EXPECT_LE(b.right, 30 + h);
  EXPECT_LE(b.bottom, 150);
  EXPECT_GE(b.top, 150 - w - 1);
  EXPECT_GT(b.bottom - b.top, 3 * (b.right - b.left) / 2);  // tall, not wide
}

TEST(CanvasText, UnknownFaceFallsBackToDejaVuSans) {
  auto render = [](const std::string& face) {
    Picture p(120, 30);
    p.GetCanvas().Font.Name = face;
    p.GetCanvas().TextOut(2, 2, "Chart 1.5");
    return p;
  };
  EXPECT_TRUE(render("No Such Face 4711").SamePixels(render("DejaVu Sans")));
}

TEST(CanvasText, BoldItalicAndCellHeight) {
  Picture p(10, 10);
  Canvas& c = p.GetCanvas();
  const int regular = c.TextWidth("Bold text");
  c.Font.Bold = true;
  EXPECT_GT(c.TextWidth("Bold text"), regular);
  c.Font.Bold = false;
  c.FontCellHeight = 10;  // a font given by its cell height in pixels
  EXPECT_NEAR(c.TextHeight("x"), 10, 1);
  c.FontCellHeight = 0;

  // An underline is one unbroken row of ink under the whole text.
  Picture u(100, 30);
  Canvas& uc = u.GetCanvas();
  uc.Brush.Style = BrushStyle::Clear;
  uc.Font.Underline = true;
  uc.TextOut(3, 3, "a b");
  const int width = uc.TextWidth("a b");
  bool fullRow = false;
  for (int y = 3; y < 3 + uc.TextHeight("a b") && !fullRow; ++y) {
    int run = 0;
    for (int x = 3; x < 3 + width; ++x) run += u.Pixel(x, y) == clBlack;
    fullRow = run == width;
  }
  EXPECT_TRUE(fullRow);
}

TEST(CanvasText, Windows1252TextIsDrawn) {
  // "°" is the single byte 0xB0; drawn as raw bytes it would be invalid UTF-8 and show nothing.
  Picture p(40, 30);
  p.GetCanvas().TextOut(2, 2, "\xB0");
  EXPECT_FALSE(Ink(p).empty());
}

// ---------------------------------------------------------------------------------------------
// Copying pictures

TEST(CaptionInitials, TwoLettersOfTheCaption) {
  const struct {
    const char* caption;
    const char* initials;
  } cases[] = {
      {"In <- Out", "IO"}, {"Comp.", "Co"},    {"Empty In", "EI"}, {"&Open", "Op"},
      {"Save as", "SA"},   {"Rec. Var.", "RV"}, {"Set", "Se"},      {"", "?"},
      {"<->", "?"},        {"x", "X"},          {"2 Phases", "2P"},
  };
  for (const auto& c : cases) EXPECT_EQ(CaptionInitials(c.caption), c.initials) << c.caption;
}

TEST(CaptionInitials, PictureShowsTheLettersInItsFrame) {
  const Picture p = CaptionInitialsPicture("In <- Out", 16);
  ASSERT_EQ(p.Width(), 16);
  ASSERT_EQ(p.Height(), 16);
  std::set<TColor> colours;
  int text = 0;
  for (int y = 1; y < 15; ++y)
    for (int x = 1; x < 15; ++x) {
      colours.insert(p.Pixel(x, y));
      if (p.Pixel(x, y) == RGB(0x1F, 0x3A, 0x66)) ++text;
    }
  EXPECT_GE(colours.size(), 2u);
  EXPECT_GT(text, 10);  // the letters
  EXPECT_EQ(p.Pixel(0, 0), RGB(0x2F, 0x4F, 0x7F));  // the frame
  EXPECT_FALSE(p.SamePixels(CaptionInitialsPicture("Comp.", 16)));
}

TEST(Canvas, DrawClipsAndCopyRectStretches) {
  Picture small(3, 3);
  small.Fill(clRed);
  Picture p(5, 5);
  p.GetCanvas().Draw(-1, -1, small);
  EXPECT_EQ(Ink(p), (PixelSet{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
  p.GetCanvas().Draw(4, 4, small);
  EXPECT_EQ(p.Pixel(4, 4), clRed);

  Picture quad(2, 2);
  quad.SetPixel(0, 0, clRed);
  quad.SetPixel(1, 0, clLime);
  quad.SetPixel(0, 1, clBlue);
  quad.SetPixel(1, 1, clBlack);
  Picture big(6, 6);
  big.GetCanvas().CopyRect(Rect{1, 1, 5, 5}, quad, Rect{0, 0, 2, 2});
  const TColor want[4][4] = {{clRed, clRed, clLime, clLime},
                             {clRed, clRed, clLime, clLime},
                             {clBlue, clBlue, clBlack, clBlack},
                             {clBlue, clBlue, clBlack, clBlack}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(big.Pixel(x + 1, y + 1), want[y][x]) << x << "," << y;
  EXPECT_EQ(big.Pixel(0, 0), clWhite);
  EXPECT_EQ(big.Pixel(5, 5), clWhite);
}

// ---------------------------------------------------------------------------------------------
// Bitmap files

TEST(BmpFile, HeaderAndRowsAsTheFormatLaysThemOut) {
  Picture p(3, 2);
  p.SetPixel(0, 0, RGB(1, 2, 3));     // top-left
  p.SetPixel(0, 1, RGB(10, 20, 30));  // bottom-left
  const std::vector<std::uint8_t> b = EncodeBmp(p);
  const std::size_t row = 12;  // 3 pixels * 3 bytes = 9, padded to 12
  ASSERT_EQ(b.size(), 54 + 2 * row);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(Le32(b, 2), 54 + 2 * row);  // file size
  EXPECT_EQ(Le32(b, 10), 54u);          // pixel offset
  EXPECT_EQ(Le32(b, 14), 40u);          // info header size
  EXPECT_EQ(Le32(b, 18), 3u);
  EXPECT_EQ(Le32(b, 22), 2u);           // positive height: bottom-up
  EXPECT_EQ(Le16(b, 26), 1u);           // planes
  EXPECT_EQ(Le16(b, 28), 24u);          // bits per pixel
  EXPECT_EQ(Le32(b, 30), 0u);           // uncompressed
  EXPECT_EQ(Le32(b, 34), 2 * row);
  // First stored row is the bottom one, blue-green-red.
  EXPECT_EQ(b[54], 30);
  EXPECT_EQ(b[55], 20);
  EXPECT_EQ(b[56], 10);
  EXPECT_EQ(b[54 + row], 3);
  EXPECT_EQ(b[54 + row + 1], 2);
  EXPECT_EQ(b[54 + row + 2], 1);
  EXPECT_EQ(b[54 + 9], 0);  // padding
}

TEST(BmpFile, WrittenAndReadBackEqual) {
  TempFolder dir;
  Picture p(7, 5);  // 21-byte rows need padding
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) p.SetPixel(x, y, RGB(x * 36, y * 50, (x * y * 13) & 0xFF));
  const std::string path = dir.File("chart.bmp");
  ASSERT_TRUE(SaveBmp(p, path)) << SaveBmp(p, path).Error;
  Picture back;
  FileResult r = LoadBmp(path, back);
  ASSERT_TRUE(r) << r.Error;
  EXPECT_TRUE(back.SamePixels(p));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"chart.bmp"});  // no temporary left

  // File names are the system's single-byte text; on disk they are UTF-8.
  ASSERT_TRUE(SaveBmp(p, dir.File("T \xB0" "C.bmp")));
  EXPECT_TRUE(fs::exists(dir.File("T \xC2\xB0" "C.bmp")));
  EXPECT_TRUE(LoadBmp(dir.File("T \xB0" "C.bmp"), back));
}

TEST(BmpFile, DamagedOrMissingFilesAreReportedNotRead) {
  TempFolder dir;
  Picture p(4, 4);
  std::vector<std::uint8_t> b = EncodeBmp(p);
  Picture out;
  std::vector<std::uint8_t> cut(b.begin(), b.end() - 5);
  EXPECT_FALSE(DecodeBmp(cut, out));
  std::vector<std::uint8_t> huge = b;
  huge[18] = huge[19] = huge[20] = 0xFF;  // absurd width
  huge[21] = 0x7F;
  EXPECT_FALSE(DecodeBmp(huge, out));
  EXPECT_FALSE(DecodeBmp({'B', 'M'}, out));
  FileResult r = LoadBmp(dir.File("absent.bmp"), out);
  EXPECT_FALSE(r);
  EXPECT_NE(r.Error.find("absent.bmp"), std::string::npos);
  EXPECT_FALSE(SaveBmp(p, dir.File("no/such/folder/x.bmp")));
}

// ---------------------------------------------------------------------------------------------
// JPEG files

Picture Gradient(int w, int h) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPixel(x, y, RGB(x * 255 / (w - 1), y * 255 / (h - 1), 128));
  return p;
}

TEST(JpegFile, WrittenBaselineAtQuality90AndReadBackClose) {
  TempFolder dir;
  const Picture p = Gradient(64, 48);
  const std::string path = dir.File("chart.jpg");
  FileResult w = SaveJpeg(p, path);
  ASSERT_TRUE(w) << w.Error;
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  bool sof0 = false, progressive = false;
  int firstLumaQ = -1;
  for (std::size_t i = 2; i + 4 < bytes.size(); ++i) {
    if (bytes[i] != 0xFF) continue;
    if (bytes[i + 1] == 0xC0) sof0 = true;
    if (bytes[i + 1] == 0xC2) progressive = true;
    if (bytes[i + 1] == 0xDB && firstLumaQ < 0) firstLumaQ = bytes[i + 5];
  }
  EXPECT_TRUE(sof0);
  EXPECT_FALSE(progressive);
  // The IJG standard luminance table starts with 16; quality 90 scales it by 20 % -> 3
  // (jpeg_quality_scaling in the IJG library's jcparam.c).
  EXPECT_EQ(firstLumaQ, 3);

  Picture back;
  FileResult r = LoadJpeg(path, back);
  ASSERT_TRUE(r) << r.Error;
  ASSERT_EQ(back.Width(), 64);
  ASSERT_EQ(back.Height(), 48);
  double sum = 0;
  int worst = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const TColor a = p.Pixel(x, y), b = back.Pixel(x, y);
      for (int d : {int(RedOf(a)) - int(RedOf(b)), int(GreenOf(a)) - int(GreenOf(b)),
                    int(BlueOf(a)) - int(BlueOf(b))}) {
        sum += std::abs(d);
        worst = std::max(worst, std::abs(d));
      }
    }
  EXPECT_LT(sum / (64 * 48 * 3), 3.0);
  EXPECT_LT(worst, 24);
}

TEST(JpegFile, FailuresAreReportedAndNeverEndTheProgram) {
  TempFolder dir;
  const Picture p = Gradient(16, 16);
  // The folder does not exist, or is a file.
  FileResult r = SaveJpeg(p, dir.File("missing/chart.jpg"));
  EXPECT_FALSE(r);
  EXPECT_FALSE(r.Error.empty());
  { std::ofstream(dir.File("plain")) << "x"; }
  EXPECT_FALSE(SaveJpeg(p, dir.File("plain/chart.jpg")));

  // libjpeg itself refuses an empty image: its message comes back, and the old picture at the
  // target is untouched and no temporary file is left.
  const std::string path = dir.File("old.jpg");
  ASSERT_TRUE(SaveJpeg(p, path));
  const std::vector<std::uint8_t> before = ReadBytes(path);
  r = SaveJpeg(Picture(), path);
  EXPECT_FALSE(r);
  EXPECT_NE(r.Error.find("JPEG"), std::string::npos) << r.Error;
  EXPECT_EQ(ReadBytes(path), before);
  std::vector<std::string> names = dir.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"old.jpg", "plain"}));

  // A file that is not a JPEG makes libjpeg fail while reading.
  { std::ofstream(dir.File("fake.jpg")) << "this is not a picture"; }
  Picture back;
  r = LoadJpeg(dir.File("fake.jpg"), back);
  EXPECT_FALSE(r);
  EXPECT_NE(r.Error.find("fake.jpg"), std::string::npos) << r.Error;
  EXPECT_TRUE(back.Empty());
  EXPECT_FALSE(LoadJpeg(dir.File("absent.jpg"), back));
}

TEST(PicturePreview, ShrinksToTheBoxKeepingProportions) {
  TempFolder dir;
  const Picture p = Gradient(200, 100);
  ASSERT_TRUE(SaveJpeg(p, dir.File("wide.jpg")));
  ASSERT_TRUE(SaveBmp(p, dir.File("wide.bmp")));
  for (const char* name : {"wide.jpg", "wide.bmp"}) {
    Picture preview;
    FileResult r = LoadPreview(dir.File(name), 50, 50, preview);
    ASSERT_TRUE(r) << name << ": " << r.Error;
    EXPECT_EQ(preview.Width(), 50) << name;
    EXPECT_EQ(preview.Height(), 25) << name;
    EXPECT_LT(RedOf(preview.Pixel(0, 0)), 32) << name;     // the red ramp runs left to right
    EXPECT_GT(RedOf(preview.Pixel(49, 0)), 220) << name;
  }
  Picture same;
  ASSERT_TRUE(LoadPreview(dir.File("wide.bmp"), 400, 400, same));
  EXPECT_TRUE(same.SamePixels(p));  // never enlarged
  EXPECT_FALSE(LoadPreview(dir.File("none.jpg"), 50, 50, same));
}

}  // namespace
}  // namespace platform
