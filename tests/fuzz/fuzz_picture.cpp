// The picture writers: a picture of any size and content is written as a bitmap and as a JPEG;
// the bitmap reads back to the same pixels, the JPEG to a picture of the same size; an empty
// picture is refused by both and leaves no file. The bytes of the input are also read as a
// bitmap file, which must never fault.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/ImageFiles.h"
#include "platform/Picture.h"

using fuzzsupport::Env;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Env();
  // Bytes 0..3: width and height, each 0 to 511; the rest: the pixels' red, green and blue,
  // over and over.
  if (size < 4) return 0;
  const int width = (data[0] | data[1] << 8) % 512, height = (data[2] | data[3] << 8) % 512;
  const std::uint8_t* colours = data + 4;
  const std::size_t count = size - 4;
  platform::Picture picture(width, height);
  if (count > 0) {
    std::size_t at = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x, at += 3)
        picture.SetPixel(x, y, platform::RGB(colours[at % count], colours[(at + 1) % count], colours[(at + 2) % count]));
  }

  const std::string bmp = Env().File("chart.bmp"), jpg = Env().File("chart.jpg");
  std::error_code ec;
  std::filesystem::remove(bmp, ec);
  std::filesystem::remove(jpg, ec);
  const platform::FileResult savedBmp = platform::SaveBmp(picture, bmp);
  const platform::FileResult savedJpg = platform::SaveJpeg(picture, jpg);
  if (picture.Empty()) {
    FUZZ_CHECK(!savedBmp && !savedBmp.Error.empty() && !std::filesystem::exists(bmp));
    FUZZ_CHECK(!savedJpg && !savedJpg.Error.empty() && !std::filesystem::exists(jpg));
  } else {
    FUZZ_CHECK(savedBmp);
    FUZZ_CHECK(savedJpg);
    platform::Picture back;
    FUZZ_CHECK(platform::LoadBmp(bmp, back));
    FUZZ_CHECK(back.SamePixels(picture));
    FUZZ_CHECK(platform::LoadJpeg(jpg, back));
    FUZZ_CHECK(back.Width() == width && back.Height() == height);
  }
  // Only the two pictures are left in the folder: no temporary file.
  for (const auto& e : std::filesystem::directory_iterator(Env().folder))
    FUZZ_CHECK(e.path().filename().string().find(".~") == std::string::npos);

  platform::Picture decoded;
  const std::vector<std::uint8_t> bytes(data, data + size);
  if (platform::DecodeBmp(bytes, decoded)) FUZZ_CHECK(!decoded.Empty());
  return 0;
}
