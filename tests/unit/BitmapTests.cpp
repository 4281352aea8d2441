#include <gtest/gtest.h>

#include <memory>
#include <vector>

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

TEST(BitmapTest, AdoptedPixelsAreUsedInPlaceAndLetGoWithTheirOwner) {
  auto memory = std::make_shared<std::vector<std::uint8_t>>(2 * 2 * 4, 0x7F);
  const std::weak_ptr<std::vector<std::uint8_t>> watch = memory;
  {
    TBitmap32 image = TBitmap32::Adopt(2, 2, memory->data(), memory);
    memory.reset();
    ASSERT_FALSE(watch.expired()); // the image keeps it
    image.SetPixel(1, 1, 0x01020304);
    EXPECT_EQ(watch.lock()->at(12), 0x04); // the same memory
    TBitmap32 copy = image;
    copy.SetPixel(0, 0, 0);
    EXPECT_EQ(image.Pixel(0, 0), 0x7F7F7F7Fu);
    TBitmap32 moved = std::move(image);
    EXPECT_EQ(moved.Pixel(1, 1), 0x01020304u);
    // An image that once adopted pixels allocates its own again when given a copy.
    moved = copy;
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(moved.Pixel(0, 0), 0u);
  }
  std::uint8_t pixel[4] = {};
  EXPECT_THROW(TBitmap32::Adopt(1, 1, pixel, nullptr), EImageError);
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
