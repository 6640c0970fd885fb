#include "platform/ImageFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "platform/Canvas.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace platform {

namespace {

// Pictures larger than this are refused when read (a damaged header must not make us allocate
// gigabytes for a preview).
constexpr std::uint64_t kMaxPixels = 1u << 26;
constexpr std::uint64_t kMaxFileBytes = 1u << 30;

std::string Reason(const std::string& what, const std::string& path, int err) {
  return what + " \"" + path + "\": " + std::strerror(err);
}

FileResult SaveBytes(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
  std::string reason;
  if (SaveFileContents(path, std::string_view(reinterpret_cast<const char*>(bytes), size), &reason))
    return FileResult::Success();
  return FileResult::Failure("Cannot write \"" + path + "\": " + reason);
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t Get16(const std::vector<std::uint8_t>& in, std::size_t at) {
  return static_cast<std::uint32_t>(in[at]) | (static_cast<std::uint32_t>(in[at + 1]) << 8);
}
std::uint32_t Get32(const std::vector<std::uint8_t>& in, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | in[at + i];
  return v;
}

FileResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FileResult::Failure(Reason("Cannot open", path, errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes) {
    ::close(fd);
    return FileResult::Failure("Cannot read \"" + path + "\": not a readable picture file");
  }
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : EIO;
      ::close(fd);
      return FileResult::Failure(Reason("Cannot read", path, err));
    }
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return FileResult::Success();
}

// libjpeg reports fatal errors through error_exit, which by default ends the program. Ours keeps
// the message and jumps back to the caller.
struct JpegErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
  JpegErrors* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

extern "C" void JpegQuietMessage(j_common_ptr /*cinfo*/) {}

// Only plain C data lives in the two functions that use setjmp, so the jump skips no destructor.
// The file's bytes go to a malloc'ed buffer (*out, *outSize) that the caller frees, also after
// a failure.
bool CompressJpeg(const Picture& picture, unsigned char** out, unsigned long* outSize, int quality, char* message) {
  jpeg_compress_struct cinfo;
  JpegErrors errors;
  unsigned char* volatile row = nullptr;
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JpegErrorExit;
  errors.pub.output_message = JpegQuietMessage;
  errors.message[0] = '\0';
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(row);
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
  cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = 96;
  cinfo.Y_density = 96;
  jpeg_start_compress(&cinfo, TRUE);
  row = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(picture.Width()) * 3 + 1));
  if (row == nullptr) {
    jpeg_destroy_compress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "out of memory");
    return false;
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint32_t* src = picture.Bits() + static_cast<std::size_t>(cinfo.next_scanline) * picture.Width();
    for (int x = 0; x < picture.Width(); ++x) {
      row[3 * x] = static_cast<unsigned char>(src[x] >> 16);
      row[3 * x + 1] = static_cast<unsigned char>(src[x] >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(src[x]);
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::free(row);
  return true;
}

// Decodes into a malloc'ed buffer of 0x00RRGGBB words; the caller frees *pixels.
bool DecompressJpeg(FILE* in, std::uint32_t** pixels, int* width, int* height, char* message) {
  jpeg_decompress_struct cinfo;
  JpegErrors errors;
  std::uint32_t* volatile buffer = nullptr;
  unsigned char* volatile row = nullptr;
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JpegErrorExit;
  errors.pub.output_message = JpegQuietMessage;
  errors.message[0] = '\0';
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::free(row);
    std::free(buffer);
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, in);
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "CMYK pictures are not supported");
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const std::uint64_t w = cinfo.output_width, h = cinfo.output_height;
  if (w == 0 || h == 0 || w * h > kMaxPixels || cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "picture too large or of an unsupported kind");
    return false;
  }
  buffer = static_cast<std::uint32_t*>(std::malloc(w * h * sizeof(std::uint32_t)));
  row = static_cast<unsigned char*>(std::malloc(w * 3));
  if (buffer == nullptr || row == nullptr) {
    jpeg_destroy_decompress(&cinfo);
    std::free(row);
    std::free(buffer);
    std::snprintf(message, JMSG_LENGTH_MAX, "out of memory");
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    const std::size_t y = cinfo.output_scanline;
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(&cinfo, rows, 1);
    for (std::uint64_t x = 0; x < w; ++x) {
      buffer[y * w + x] = 0xFF000000u | (static_cast<std::uint32_t>(row[3 * x]) << 16) |
                          (static_cast<std::uint32_t>(row[3 * x + 1]) << 8) | row[3 * x + 2];
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::free(row);
  *pixels = buffer;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const Picture& picture) {
  const std::uint32_t w = static_cast<std::uint32_t>(picture.Width());
  const std::uint32_t h = static_cast<std::uint32_t>(picture.Height());
  const std::uint32_t rowBytes = (w * 3 + 3) & ~3u;
  const std::uint32_t imageBytes = rowBytes * h;
  std::vector<std::uint8_t> out(54 + static_cast<std::size_t>(imageBytes), 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, 54 + imageBytes);  // file size
  Put32(out, 10, 54);              // offset of the pixels
  Put32(out, 14, 40);              // info header size
  Put32(out, 18, w);
  Put32(out, 22, h);               // positive: bottom-up rows
  Put16(out, 26, 1);               // planes
  Put16(out, 28, 24);              // bits per pixel
  Put32(out, 30, 0);               // no compression
  Put32(out, 34, imageBytes);
  Put32(out, 38, 3780);            // 96 dpi in pixels per metre
  Put32(out, 42, 3780);
  for (std::uint32_t y = 0; y < h; ++y) {
    const std::uint32_t* src = picture.Bits() + static_cast<std::size_t>(h - 1 - y) * w;
    std::uint8_t* dst = out.data() + 54 + static_cast<std::size_t>(y) * rowBytes;
    for (std::uint32_t x = 0; x < w; ++x) {
      dst[3 * x] = static_cast<std::uint8_t>(src[x]);            // blue
      dst[3 * x + 1] = static_cast<std::uint8_t>(src[x] >> 8);   // green
      dst[3 * x + 2] = static_cast<std::uint8_t>(src[x] >> 16);  // red
    }
  }
  return out;
}

FileResult DecodeBmp(const std::vector<std::uint8_t>& in, Picture& picture) {
  if (in.size() < 54 || in[0] != 'B' || in[1] != 'M') return FileResult::Failure("not a bitmap file");
  const std::uint32_t offset = Get32(in, 10);
  const std::uint32_t infoSize = Get32(in, 14);
  if (infoSize < 40 || 14u + infoSize > in.size()) return FileResult::Failure("damaged bitmap header");
  const std::int32_t w = static_cast<std::int32_t>(Get32(in, 18));
  const std::int32_t rawH = static_cast<std::int32_t>(Get32(in, 22));
  const std::uint32_t bpp = Get16(in, 28);
  const std::uint32_t compression = Get32(in, 30);
  if (w <= 0 || rawH == 0 || rawH == INT32_MIN) return FileResult::Failure("damaged bitmap header");
  if ((bpp != 24 && bpp != 32) || compression != 0) {
    return FileResult::Failure("only uncompressed 24- and 32-bit bitmaps are read");
  }
  const bool bottomUp = rawH > 0;
  const std::uint64_t h = bottomUp ? static_cast<std::uint64_t>(rawH) : static_cast<std::uint64_t>(-static_cast<std::int64_t>(rawH));
  if (static_cast<std::uint64_t>(w) * h > kMaxPixels) return FileResult::Failure("bitmap too large");
  const std::uint64_t bytesPerPixel = bpp / 8;
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(w) * bytesPerPixel + 3) & ~std::uint64_t{3};
  if (offset < 14u + infoSize || offset + rowBytes * h > in.size()) {
    return FileResult::Failure("bitmap file is cut short");
  }
  Picture result(w, static_cast<int>(h));
  for (std::uint64_t y = 0; y < h; ++y) {
    const std::uint8_t* src = in.data() + offset + (bottomUp ? h - 1 - y : y) * rowBytes;
    std::uint32_t* dst = result.Bits() + y * static_cast<std::uint64_t>(w);
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint8_t* p = src + x * bytesPerPixel;
      dst[x] = 0xFF000000u | (static_cast<std::uint32_t>(p[2]) << 16) |
               (static_cast<std::uint32_t>(p[1]) << 8) | p[0];
    }
  }
  picture = std::move(result);
  return FileResult::Success();
}

FileResult SaveBmp(const Picture& picture, const std::string& path) {
  // A bitmap without pixels is no bitmap any reader takes.
  if (picture.Empty()) return FileResult::Failure("Cannot write bitmap \"" + path + "\": the picture is empty");
  const std::vector<std::uint8_t> bytes = EncodeBmp(picture);
  return SaveBytes(path, bytes.data(), bytes.size());
}

FileResult LoadBmp(const std::string& path, Picture& picture) {
  std::vector<std::uint8_t> bytes;
  if (FileResult r = ReadWholeFile(path, bytes); !r) return r;
  FileResult r = DecodeBmp(bytes, picture);
  if (!r) r.Error = "Cannot read \"" + path + "\": " + r.Error;
  return r;
}

FileResult SaveJpeg(const Picture& picture, const std::string& path, int quality) {
  if (quality < 0) quality = 0;
  if (quality > 100) quality = 100;
  unsigned char* encoded = nullptr;
  unsigned long size = 0;
  char message[JMSG_LENGTH_MAX];
  FileResult r = CompressJpeg(picture, &encoded, &size, quality, message)
                     ? SaveBytes(path, encoded, size)
                     : FileResult::Failure("Cannot write JPEG \"" + path + "\": " + message);
  std::free(encoded);
  return r;
}

FileResult LoadJpeg(const std::string& path, Picture& picture) {
  FILE* in = std::fopen(NativePath(path).c_str(), "rbe");
  if (in == nullptr) return FileResult::Failure(Reason("Cannot open", path, errno));
  std::uint32_t* pixels = nullptr;
  int w = 0, h = 0;
  char message[JMSG_LENGTH_MAX];
  const bool ok = DecompressJpeg(in, &pixels, &w, &h, message);
  std::fclose(in);
  if (!ok) return FileResult::Failure("Cannot read JPEG \"" + path + "\": " + message);
  Picture result(w, h);
  std::memcpy(result.Bits(), pixels, static_cast<std::size_t>(w) * h * sizeof(std::uint32_t));
  std::free(pixels);
  picture = std::move(result);
  return FileResult::Success();
}

FileResult LoadPreview(const std::string& path, int maxWidth, int maxHeight, Picture& picture) {
  unsigned char head[2] = {0, 0};
  if (FILE* f = std::fopen(NativePath(path).c_str(), "rbe")) {
    if (std::fread(head, 1, 2, f) != 2) head[0] = head[1] = 0;
    std::fclose(f);
  } else {
    return FileResult::Failure(Reason("Cannot open", path, errno));
  }
  Picture full;
  FileResult r = (head[0] == 'B' && head[1] == 'M') ? LoadBmp(path, full) : LoadJpeg(path, full);
  if (!r) return r;
  const double scale = std::min({1.0, static_cast<double>(std::max(maxWidth, 1)) / full.Width(),
                                 static_cast<double>(std::max(maxHeight, 1)) / full.Height()});
  const int w = std::max(1, static_cast<int>(full.Width() * scale + 0.5));
  const int h = std::max(1, static_cast<int>(full.Height() * scale + 0.5));
  if (w == full.Width() && h == full.Height()) {
    picture = std::move(full);
  } else {
    Picture small(w, h);
    small.GetCanvas().CopyRect(Rect{0, 0, w, h}, full, Rect{0, 0, full.Width(), full.Height()});
    picture = std::move(small);
  }
  return FileResult::Success();
}

}  // namespace platform
