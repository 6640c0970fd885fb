// A pixel-exact paint box without a view: its pixels are its size until a view tells it its
// real size, and it hears each change of that size once.
#include <gtest/gtest.h>

#include "platform/Components.h"

using namespace platform;

namespace {

TEST(PaintBoxTest, PixelSizeComesFromTheViewOnceItIsTold) {
  Form form(nullptr, "F");
  auto* box = Make<PaintBox>(&form, "Box");
  box->SetBounds(0, 0, 300, 200);
  EXPECT_FALSE(box->PixelExact());
  box->SetPixelExact(true);
  EXPECT_EQ(box->PixelWidth(), 300);
  EXPECT_EQ(box->PixelHeight(), 200);
  int resizes = 0;
  box->OnResize = [&](Component*) { ++resizes; };
  box->UserResizePixels(300, 200);  // what it was already
  EXPECT_EQ(resizes, 0);
  box->UserResizePixels(372, 251);
  EXPECT_EQ(resizes, 1);
  EXPECT_EQ(box->PixelWidth(), 372);
  EXPECT_EQ(box->PixelHeight(), 251);
  EXPECT_EQ(box->Width(), 300);  // the designed size stays
  box->UserResizePixels(372, 251);
  EXPECT_EQ(resizes, 1);
  box->UserResizePixels(-5, 10);
  EXPECT_EQ(box->PixelWidth(), 0);
  EXPECT_EQ(resizes, 2);
  // Switched off and on again, the size the view told is forgotten.
  box->SetPixelExact(false);
  box->SetPixelExact(true);
  EXPECT_EQ(box->PixelWidth(), 300);
}

}  // namespace
