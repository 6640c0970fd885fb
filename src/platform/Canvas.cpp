#include "platform/Canvas.h"

#include <cairo.h>
#include <cairo-ft.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>

#include "platform/Text.h"

// fontconfig keeps its configuration, and the font patterns cairo asks it for, for the life of
// the process; LeakSanitizer would report them at exit in the sanitizer builds.
#if defined(__SANITIZE_ADDRESS__)
#define QUOREL_LSAN_SUPPRESSIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUOREL_LSAN_SUPPRESSIONS 1
#endif
#endif
#ifdef QUOREL_LSAN_SUPPRESSIONS
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

namespace platform {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr const char* kFallbackFace = "DejaVu Sans";

// A cairo context on the pixels of a picture, flushed and released at the end of the scope.
class CairoScope {
 public:
  explicit CairoScope(Picture& picture) {
    if (picture.Empty()) {
      surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    } else {
      surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(picture.Bits()),
                                                     CAIRO_FORMAT_RGB24, picture.Width(),
                                                     picture.Height(), picture.Stride());
    }
    cr_ = cairo_create(surface_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  }
  ~CairoScope() {
    cairo_destroy(cr_);
    cairo_surface_flush(surface_);
    cairo_surface_destroy(surface_);
  }
  CairoScope(const CairoScope&) = delete;
  CairoScope& operator=(const CairoScope&) = delete;
  cairo_t* get() const { return cr_; }

 private:
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

void SetSource(cairo_t* cr, TColor c) {
  cairo_set_source_rgb(cr, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0);
}

// On/off runs of the dashed 1-pixel pens, in pixels.
std::vector<int> DashPattern(PenStyle style) {
  switch (style) {
    case PenStyle::Dash: return {18, 6};
    case PenStyle::Dot: return {3, 3};
    case PenStyle::DashDot: return {9, 6, 3, 6};
    default: return {};
  }
}

bool DashOn(const std::vector<int>& pattern, int step) {
  int period = 0;
  for (int p : pattern) period += p;
  int pos = step % period;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pos < pattern[i]) return i % 2 == 0;
    pos -= pattern[i];
  }
  return false;
}

std::string LowerAscii(std::string s) {
  for (char& ch : s) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return s;
}

// Font faces by (name, bold, italic), resolved once: a face that fontconfig can only substitute
// by another family is replaced by the fallback face. Kept for the life of the program.
struct FaceEntry {
  cairo_font_face_t* face = nullptr;
  double cellPerEm = 1.0;         // (ascent + descent) / em size, unhinted
  std::map<int, double> emForCell;  // cell height in pixels -> em size whose cell fits it
};

std::string FamilyOf(cairo_font_face_t* face) {
  std::string family;
  cairo_matrix_t size, ctm;
  cairo_matrix_init_scale(&size, 12, 12);
  cairo_matrix_init_identity(&ctm);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &size, &ctm, options);
  if (cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS &&
      cairo_scaled_font_get_type(scaled) == CAIRO_FONT_TYPE_FT) {
    FT_Face ft = cairo_ft_scaled_font_lock_face(scaled);
    if (ft != nullptr && ft->family_name != nullptr) family = ft->family_name;
    cairo_ft_scaled_font_unlock_face(scaled);
  }
  cairo_scaled_font_destroy(scaled);
  cairo_font_options_destroy(options);
  return family;
}

double CellPerEm(cairo_font_face_t* face) {
  cairo_matrix_t size, ctm;
  cairo_matrix_init_scale(&size, 100, 100);
  cairo_matrix_init_identity(&ctm);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &size, &ctm, options);
  cairo_font_extents_t fe{};
  cairo_scaled_font_extents(scaled, &fe);
  cairo_scaled_font_destroy(scaled);
  cairo_font_options_destroy(options);
  const double ratio = (fe.ascent + fe.descent) / 100.0;
  return ratio > 0.1 ? ratio : 1.0;
}

FaceEntry& ResolveFace(const FontInfo& font) {
  static std::map<std::tuple<std::string, bool, bool>, FaceEntry> cache;
  auto key = std::make_tuple(font.Name, font.Bold, font.Italic);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  const cairo_font_slant_t slant = font.Italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL;
  const cairo_font_weight_t weight = font.Bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL;
  const std::string wanted = Cp1252ToUtf8(font.Name);
  cairo_font_face_t* face = nullptr;
  if (!wanted.empty()) {
    face = cairo_toy_font_face_create(wanted.c_str(), slant, weight);
    if (LowerAscii(FamilyOf(face)) != LowerAscii(wanted)) {
      cairo_font_face_destroy(face);
      face = nullptr;
    }
  }
  if (face == nullptr) face = cairo_toy_font_face_create(kFallbackFace, slant, weight);
  FaceEntry entry;
  entry.face = face;
  entry.cellPerEm = CellPerEm(face);
  return cache.emplace(key, entry).first->second;
}

// Glyphs without antialiasing, fully hinted, with whole-pixel metrics.
void SetMonochromeOptions(cairo_t* cr) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

int HintedCellHeight(cairo_t* cr) {
  cairo_font_extents_t fe{};
  cairo_font_extents(cr, &fe);
  return static_cast<int>(std::lround(fe.ascent) + std::lround(fe.descent));
}

// Selects the canvas font into a context: face, pixel size, monochrome hinted glyphs. A font
// given by its cell height gets the largest em size whose hinted cell fits that height.
void SelectFont(cairo_t* cr, const FontInfo& font, int cellHeight, int pixelSize) {
  FaceEntry& entry = ResolveFace(font);
  cairo_set_font_face(cr, entry.face);
  SetMonochromeOptions(cr);
  double em;
  if (cellHeight > 0) {
    auto it = entry.emForCell.find(cellHeight);
    if (it == entry.emForCell.end()) {
      em = std::max(std::round(cellHeight / entry.cellPerEm) + 1, 1.0);
      for (; em > 1; em -= 1) {
        cairo_set_font_size(cr, em);
        if (HintedCellHeight(cr) <= cellHeight) break;
      }
      it = entry.emForCell.emplace(cellHeight, em).first;
    }
    em = it->second;
  } else if (pixelSize > 0) {
    em = pixelSize;
  } else {
    em = std::abs(font.PixelHeight());
  }
  cairo_set_font_size(cr, std::max(em, 1.0));
}

}  // namespace

void Canvas::MoveTo(int x, int y) { penPos_ = {x, y}; }

void Canvas::LineTo(int x, int y) {
  StrokeLine(penPos_.X, penPos_.Y, x, y);
  penPos_ = {x, y};
}

void Canvas::Polyline(const std::vector<PixelPoint>& points) {
  if (points.empty()) return;
  MoveTo(points[0].X, points[0].Y);
  for (std::size_t i = 1; i < points.size(); ++i) LineTo(points[i].X, points[i].Y);
}

namespace {

// Coordinates far outside the picture are cut before they reach cairo, whose fixed-point
// numbers cover only about +-8 million pixels.
constexpr double kFar = 1 << 22;

// The part [lo, hi] of the parameter range in which p0 + k * dp lies within [min, max].
void ClipRange(double p0, double dp, double min, double max, double& lo, double& hi) {
  if (dp == 0) {
    if (p0 < min || p0 > max) hi = lo - 1;
    return;
  }
  double k1 = (min - p0) / dp, k2 = (max - p0) / dp;
  if (k1 > k2) std::swap(k1, k2);
  lo = std::max(lo, k1);
  hi = std::min(hi, k2);
}

// A 1-pixel line: for an x-major line exactly one pixel per column (one per row for a y-major
// line), from the start pixel up to but without the end pixel. Filled as a parallelogram one
// pixel high (wide) around the line through the pixel centres; only the steps that can touch
// the picture are drawn. dashPhase counts the pixels of a dash pattern across joined lines.
void DrawThinLine(cairo_t* cr, PenStyle style, int w, int h, long long x0, long long y0, long long x1,
                  long long y1, long long& dashPhase) {
  const long long dx = x1 - x0;
  const long long dy = y1 - y0;
  const long long n = std::max(std::llabs(dx), std::llabs(dy));
  if (n == 0) return;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const double ox = xMajor ? 0.0 : 0.5;
  const double oy = xMajor ? 0.5 : 0.0;
  const double stepX = static_cast<double>(dx) / static_cast<double>(n);
  const double stepY = static_cast<double>(dy) / static_cast<double>(n);
  double lo = 0, hi = static_cast<double>(n);
  ClipRange(static_cast<double>(x0), stepX, -2, w + 2, lo, hi);
  ClipRange(static_cast<double>(y0), stepY, -2, h + 2, lo, hi);
  const long long phase = dashPhase;
  dashPhase += n;
  if (hi < lo) return;
  const long long first = std::max(0LL, static_cast<long long>(std::floor(lo)) - 1);
  const long long last = std::min(n, static_cast<long long>(std::ceil(hi)) + 2);
  auto run = [&](long long a, long long b) {  // steps a .. b-1
    const double ta = static_cast<double>(a) - 0.5;
    const double tb = static_cast<double>(b) - 0.5;
    const double ax = static_cast<double>(x0) + 0.5 + ta * stepX, ay = static_cast<double>(y0) + 0.5 + ta * stepY;
    const double bx = static_cast<double>(x0) + 0.5 + tb * stepX, by = static_cast<double>(y0) + 0.5 + tb * stepY;
    cairo_move_to(cr, ax - ox, ay - oy);
    cairo_line_to(cr, bx - ox, by - oy);
    cairo_line_to(cr, bx + ox, by + oy);
    cairo_line_to(cr, ax + ox, ay + oy);
    cairo_close_path(cr);
  };
  const std::vector<int> pattern = DashPattern(style);
  if (pattern.empty()) {
    if (first < last) run(first, last);
  } else {
    int period = 0;
    for (int p : pattern) period += p;
    long long k = first;
    while (k < last) {
      if (!DashOn(pattern, static_cast<int>((phase + k) % period))) {
        ++k;
        continue;
      }
      long long e = k;
      while (e < last && DashOn(pattern, static_cast<int>((phase + e) % period))) ++e;
      run(k, e);
      k = e;
    }
  }
  cairo_fill(cr);
}

// A line of a pen wider than one pixel, with round ends, cut to the picture and a margin.
void DrawWideLine(cairo_t* cr, int width, int w, int h, long long x0, long long y0, long long x1, long long y1) {
  const double ax = static_cast<double>(x0) + 0.5, ay = static_cast<double>(y0) + 0.5;
  const double dx = static_cast<double>(x1 - x0), dy = static_cast<double>(y1 - y0);
  const double m = width + 2;
  double lo = 0, hi = 1;
  ClipRange(ax, dx, -m, w + m, lo, hi);
  ClipRange(ay, dy, -m, h + m, lo, hi);
  if (hi < lo) return;
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, ax + lo * dx, ay + lo * dy);
  cairo_line_to(cr, ax + hi * dx, ay + hi * dy);
  cairo_stroke(cr);
}

// A rectangle's corners in order, cut to the picture and a margin that keeps cut edges out of
// sight; false when nothing is left.
bool NormalRect(int& x1, int& y1, int& x2, int& y2, int margin, const Picture& p) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x2 <= x1 || y2 <= y1 || p.Empty()) return false;
  if (x2 <= 0 - margin || y2 <= 0 - margin || x1 >= p.Width() + margin || y1 >= p.Height() + margin) return false;
  x1 = std::max(x1, -margin);
  y1 = std::max(y1, -margin);
  x2 = std::min(x2, p.Width() + margin);
  y2 = std::min(y2, p.Height() + margin);
  return true;
}

}  // namespace

void Canvas::StrokeLine(int x0, int y0, int x1, int y1) {
  if (Pen.Style == PenStyle::Clear || target_->Empty()) return;
  CairoScope scope(*target_);
  cairo_t* cr = scope.get();
  SetSource(cr, Pen.Color);
  if (Pen.Width <= 1) {
    long long phase = 0;
    DrawThinLine(cr, Pen.Style, target_->Width(), target_->Height(), x0, y0, x1, y1, phase);
  } else {
    DrawWideLine(cr, Pen.Width, target_->Width(), target_->Height(), x0, y0, x1, y1);
  }
}

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
  const int margin = std::max(Pen.Width, 1) + 2;
  if (!NormalRect(x1, y1, x2, y2, margin, *target_)) return;
  CairoScope scope(*target_);
  cairo_t* cr = scope.get();
  if (Brush.Style == BrushStyle::Solid) {
    SetSource(cr, Brush.Color);
    cairo_rectangle(cr, x1, y1, x2 - x1, y2 - y1);
    cairo_fill(cr);
  }
  if (Pen.Style == PenStyle::Clear) return;
  SetSource(cr, Pen.Color);
  if (Pen.Width <= 1) {
    const int r = x2 - 1, b = y2 - 1;
    if (r == x1 || b == y1) {  // one pixel wide or high: the border is the whole rectangle
      cairo_rectangle(cr, x1, y1, x2 - x1, y2 - y1);
      cairo_fill(cr);
      return;
    }
    const int w = target_->Width(), h = target_->Height();
    long long phase = 0;
    DrawThinLine(cr, Pen.Style, w, h, x1, y1, r, y1, phase);
    DrawThinLine(cr, Pen.Style, w, h, r, y1, r, b, phase);
    DrawThinLine(cr, Pen.Style, w, h, r, b, x1, b, phase);
    DrawThinLine(cr, Pen.Style, w, h, x1, b, x1, y1, phase);
  } else {
    cairo_set_line_width(cr, Pen.Width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_rectangle(cr, x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1);
    cairo_stroke(cr);
  }
}

void Canvas::FillRect(int x1, int y1, int x2, int y2) {
  if (Brush.Style != BrushStyle::Solid || !NormalRect(x1, y1, x2, y2, 1, *target_)) return;
  CairoScope scope(*target_);
  SetSource(scope.get(), Brush.Color);
  cairo_rectangle(scope.get(), x1, y1, x2 - x1, y2 - y1);
  cairo_fill(scope.get());
}

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x2 <= x1 || y2 <= y1 || target_->Empty()) return;
  if (x2 <= 0 || y2 <= 0 || x1 >= target_->Width() || y1 >= target_->Height()) return;
  // An ellipse reaching millions of pixels beyond the picture is not drawn.
  if (x1 < -kFar || y1 < -kFar || x2 > kFar || y2 > kFar) return;
  CairoScope scope(*target_);
  cairo_t* cr = scope.get();
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  auto path = [&](double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, std::max(rx, 0.01), std::max(ry, 0.01));
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
  };
  if (Brush.Style == BrushStyle::Solid) {
    SetSource(cr, Brush.Color);
    path((x2 - x1) / 2.0, (y2 - y1) / 2.0);
    cairo_fill(cr);
  }
  if (Pen.Style == PenStyle::Clear) return;
  SetSource(cr, Pen.Color);
  const int w = std::max(Pen.Width, 1);
  path((x2 - x1 - w) / 2.0, (y2 - y1 - w) / 2.0);
  cairo_set_line_width(cr, w);
  if (w == 1 && Pen.Style != PenStyle::Solid) {
    std::vector<double> dashes;
    for (int d : DashPattern(Pen.Style)) dashes.push_back(d);
    cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
  }
  cairo_stroke(cr);
}

void Canvas::DrawText(int x, int y, const std::string& text, int escapement) {
  if (text.empty() || target_->Empty()) return;
  if (std::abs(static_cast<double>(x)) > kFar || std::abs(static_cast<double>(y)) > kFar) return;
  const std::string utf8 = Cp1252ToUtf8(text);
  CairoScope scope(*target_);
  cairo_t* cr = scope.get();
  SelectFont(cr, Font, FontCellHeight, FontPixelSize);
  cairo_font_extents_t fe{};
  cairo_font_extents(cr, &fe);
  cairo_text_extents_t te{};
  cairo_text_extents(cr, utf8.c_str(), &te);
  const double ascent = std::round(fe.ascent);
  const double height = ascent + std::round(fe.descent);
  cairo_translate(cr, x, y);
  if (escapement != 0) cairo_rotate(cr, -escapement / 10.0 * kPi / 180.0);
  if (Brush.Style == BrushStyle::Solid) {
    SetSource(cr, Brush.Color);
    cairo_rectangle(cr, 0, 0, std::round(te.x_advance), height);
    cairo_fill(cr);
  }
  SetSource(cr, Font.Color);
  cairo_move_to(cr, 0, ascent);
  cairo_show_text(cr, utf8.c_str());
  if (Font.Underline || Font.StrikeOut) {
    const double width = std::round(te.x_advance);
    const double thick = std::max(1.0, std::round(fe.height / 16));
    if (Font.Underline) cairo_rectangle(cr, 0, ascent + std::max(1.0, std::round(fe.descent / 2)), width, thick);
    if (Font.StrikeOut) cairo_rectangle(cr, 0, ascent - std::round(ascent / 3), width, thick);
    cairo_fill(cr);
  }
}

void Canvas::TextOut(int x, int y, const std::string& text) { DrawText(x, y, text, 0); }

void Canvas::TextOutRotated(int x, int y, const std::string& text, int escapement) {
  DrawText(x, y, text, escapement);
}

int Canvas::TextWidth(const std::string& text) {
  if (text.empty()) return 0;
  Picture scratch;
  CairoScope scope(scratch);
  SelectFont(scope.get(), Font, FontCellHeight, FontPixelSize);
  cairo_text_extents_t te{};
  cairo_text_extents(scope.get(), Cp1252ToUtf8(text).c_str(), &te);
  return static_cast<int>(std::lround(te.x_advance));
}

int Canvas::TextHeight(const std::string& /*text*/) {
  Picture scratch;
  CairoScope scope(scratch);
  SelectFont(scope.get(), Font, FontCellHeight, FontPixelSize);
  cairo_font_extents_t fe{};
  cairo_font_extents(scope.get(), &fe);
  return static_cast<int>(std::lround(fe.ascent) + std::lround(fe.descent));
}

void Canvas::Draw(int x, int y, const Picture& picture) {
  Picture& dst = *target_;
  const Picture snapshot = (&picture == &dst) ? picture : Picture();
  const Picture& source = (&picture == &dst) ? snapshot : picture;
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + source.Width(), dst.Width());
  const int y1 = std::min(y + source.Height(), dst.Height());
  if (x1 <= x0 || y1 <= y0) return;
  for (int row = y0; row < y1; ++row) {
    const std::uint32_t* from = source.Bits() + static_cast<std::size_t>(row - y) * source.Width() + (x0 - x);
    std::uint32_t* to = dst.Bits() + static_cast<std::size_t>(row) * dst.Width() + x0;
    std::copy_n(from, x1 - x0, to);
  }
}

void Canvas::CopyRect(const Rect& dest, const Picture& source, const Rect& from) {
  const int dx1 = dest.Left, dy1 = dest.Top, dx2 = dest.Right, dy2 = dest.Bottom;
  const int sx1 = from.Left, sy1 = from.Top, sx2 = from.Right, sy2 = from.Bottom;
  const int dw = dx2 - dx1, dh = dy2 - dy1;
  const int sw = sx2 - sx1, sh = sy2 - sy1;
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
  Picture& dst = *target_;
  // Copying a picture onto itself reads from a snapshot.
  const Picture snapshot = (&source == &dst) ? source : Picture();
  const Picture& src = (&source == &dst) ? snapshot : source;
  const int px0 = std::max(std::min(dx1, dx2), 0), px1 = std::min(std::max(dx1, dx2), dst.Width());
  const int py0 = std::max(std::min(dy1, dy2), 0), py1 = std::min(std::max(dy1, dy2), dst.Height());
  for (int py = py0; py < py1; ++py) {
    const double ty = (py + 0.5 - dy1) / dh;
    const int sy = static_cast<int>(std::floor(sy1 + ty * sh));
    if (sy < 0 || sy >= src.Height()) continue;
    for (int px = px0; px < px1; ++px) {
      const double tx = (px + 0.5 - dx1) / dw;
      const int sx = static_cast<int>(std::floor(sx1 + tx * sw));
      if (sx < 0 || sx >= src.Width()) continue;
      dst.Bits()[static_cast<std::size_t>(py) * dst.Width() + px] =
          src.Bits()[static_cast<std::size_t>(sy) * src.Width() + sx];
    }
  }
}

std::string CaptionInitials(std::string_view caption) {
  auto alnum = [](char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0xC0;
  };
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
  std::vector<std::string> words;
  std::string word;
  for (char c : caption) {
    if (c == '&') continue;  // a mnemonic mark
    if (c == ' ') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  std::string out;
  for (const std::string& w : words) {
    for (char c : w)
      if (alnum(c)) {
        out += upper(c);
        break;
      }
    if (out.size() == 2) return out;
  }
  if (out.size() == 1) {  // one word: its second letter too
    for (const std::string& w : words) {
      bool first = true;
      for (char c : w) {
        if (!alnum(c)) continue;
        if (first) {
          first = false;
          continue;
        }
        out += c;
        return out;
      }
    }
  }
  return out.empty() ? std::string("?") : out;
}

Picture CaptionInitialsPicture(std::string_view caption, int size) {
  size = std::max(size, 8);
  Picture p(size, size);
  Canvas c(p);
  p.Fill(RGB(0xF0, 0xF0, 0xF0));
  c.Pen.Color = RGB(0x2F, 0x4F, 0x7F);
  c.Brush.Color = RGB(0xDC, 0xE6, 0xF4);
  c.Rectangle(0, 0, size, size);
  const std::string text = CaptionInitials(caption);
  c.Font.Name = "DejaVu Sans";
  c.Font.Bold = true;
  c.Font.Color = RGB(0x1F, 0x3A, 0x66);
  c.FontCellHeight = std::max(6, size * 5 / 8);
  c.Brush.Style = BrushStyle::Clear;
  while (c.TextWidth(text) > size - 2 && c.FontCellHeight > 6) --c.FontCellHeight;
  c.TextOut((size - c.TextWidth(text)) / 2, (size - c.TextHeight(text)) / 2, text);
  return p;
}

}  // namespace platform
