#include "platform/Picture.h"

#include <algorithm>

#include "platform/Canvas.h"

namespace platform {

namespace {
constexpr std::uint32_t kRawWhite = ColorToRaw(clWhite);
}

Picture::Picture() : canvas_(std::make_unique<Canvas>(*this)) {}

Picture::Picture(int width, int height) : Picture() { SetSize(width, height); }

Picture::Picture(const Picture& other)
    : width_(other.width_), height_(other.height_), pixels_(other.pixels_),
      canvas_(std::make_unique<Canvas>(*this)) {
  canvas_->Pen = other.canvas_->Pen;
  canvas_->Brush = other.canvas_->Brush;
  canvas_->Font = other.canvas_->Font;
  canvas_->penPos_ = other.canvas_->penPos_;
}

Picture& Picture::operator=(const Picture& other) {
  if (this != &other) {
    width_ = other.width_;
    height_ = other.height_;
    pixels_ = other.pixels_;
    canvas_->Pen = other.canvas_->Pen;
    canvas_->Brush = other.canvas_->Brush;
    canvas_->Font = other.canvas_->Font;
    canvas_->penPos_ = other.canvas_->penPos_;
  }
  return *this;
}

Picture::Picture(Picture&& other) noexcept
    : width_(other.width_), height_(other.height_), pixels_(std::move(other.pixels_)),
      canvas_(std::move(other.canvas_)) {
  canvas_->target_ = this;
  other.width_ = other.height_ = 0;
  other.pixels_.clear();
  other.canvas_ = std::make_unique<Canvas>(other);
}

Picture& Picture::operator=(Picture&& other) noexcept {
  if (this != &other) {
    width_ = other.width_;
    height_ = other.height_;
    pixels_ = std::move(other.pixels_);
    std::swap(canvas_, other.canvas_);
    canvas_->target_ = this;
    other.canvas_->target_ = &other;
    other.width_ = other.height_ = 0;
    other.pixels_.clear();
  }
  return *this;
}

Picture::~Picture() = default;

void Picture::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  std::vector<std::uint32_t> next(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                                  kRawWhite);
  const int keepW = std::min(width, width_);
  const int keepH = std::min(height, height_);
  for (int y = 0; y < keepH; ++y) {
    std::copy_n(pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width_, keepW,
                next.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  pixels_ = std::move(next);
  width_ = width;
  height_ = height;
}

void Picture::Fill(TColor color) { std::fill(pixels_.begin(), pixels_.end(), ColorToRaw(color)); }

TColor Picture::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kInvalidPixel;
  return RawToColor(pixels_[static_cast<std::size_t>(y) * width_ + x]);
}

void Picture::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = ColorToRaw(color);
}

Canvas& Picture::GetCanvas() { return *canvas_; }

bool Picture::SamePixels(const Picture& other) const {
  if (width_ != other.width_ || height_ != other.height_) return false;
  for (std::size_t i = 0; i < pixels_.size(); ++i) {
    if ((pixels_[i] & 0xFFFFFF) != (other.pixels_[i] & 0xFFFFFF)) return false;
  }
  return true;
}

}  // namespace platform
