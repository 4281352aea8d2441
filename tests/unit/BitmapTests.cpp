#include <gtest/gtest.h>

#include "core/Bitmap32.h"
#include "core/Errors.h"

namespace tarvel {
namespace {

TEST(BitmapTest, PixelsAreBlueGreenRedBytesFromTheTop) {
  TBitmap32 b(2, 2, 0);
  b.SetPixel(1, 0, 0xFF302010);
  EXPECT_EQ(b.Scanline(0)[4], 0x10); // blue first
  EXPECT_EQ(b.Scanline(0)[6], 0x30);
  EXPECT_EQ(b.Pixel(1, 0), 0xFF302010u);
  EXPECT_EQ(b.Stride(), 8u);
}

TEST(BitmapTest, CopyIsDeepAndMoveEmptiesTheSource) {
  TBitmap32 a(3, 2, 0x11223344);
  TBitmap32 copy = a;
  copy.SetPixel(0, 0, 0);
  EXPECT_EQ(a.Pixel(0, 0), 0x11223344u);
  TBitmap32 moved = std::move(a);
  EXPECT_TRUE(a.Empty());
  EXPECT_EQ(moved.Width(), 3);
  EXPECT_EQ(moved.Pixel(2, 1), 0x11223344u);
  copy = moved;
  EXPECT_TRUE(copy.SamePixels(moved));
  copy = TBitmap32();
  EXPECT_TRUE(copy.Empty());
}

TEST(BitmapTest, DrawClipsAtEveryEdge) {
  TBitmap32 dst(4, 4, 0);
  TBitmap32 src(3, 3, 0xFFFFFFFF);
  dst.Draw(-1, 2, src);
  EXPECT_EQ(dst.Pixel(0, 1), 0u);
  EXPECT_EQ(dst.Pixel(0, 2), 0xFFFFFFFFu);
  EXPECT_EQ(dst.Pixel(1, 3), 0xFFFFFFFFu);
  EXPECT_EQ(dst.Pixel(2, 3), 0u);
  dst.Draw(100, 100, src); // entirely outside: nothing happens
  dst.Draw(-2147483647, 0, src);
}

TEST(BitmapTest, AbsurdSizesAreRefusedBeforeAllocating) {
  EXPECT_THROW(TBitmap32(-1, 5), EImageError);
  EXPECT_THROW(TBitmap32(TBitmap32::MaxSide + 1, 1), EImageError);
  EXPECT_THROW(TBitmap32(30000, 30000), EImageError);
  EXPECT_TRUE(TBitmap32(0, 7).Empty());
}

} // namespace
} // namespace tarvel
