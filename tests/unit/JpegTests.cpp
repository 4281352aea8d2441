#include <gtest/gtest.h>

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "JpegReader.h"
#include "core/Bitmap32.h"
#include "core/Errors.h"
#include "core/Jpeg.h"

namespace tarvel {
namespace {

using namespace test;

TBitmap32 Noise(int AWidth, int AHeight) {
  TBitmap32 b(AWidth, AHeight);
  std::mt19937 rng(99);
  for (std::size_t i = 0; i < b.ByteSize(); ++i)
    b.Bits()[i] = static_cast<std::uint8_t>(rng());
  return b;
}

// The encoder as it was before it handed libjpeg the pixels in their own layout: each row
// turned into RGB triples first. Every non-trivial object belongs to the caller, as above.
bool EncodeRgbTriples(const TBitmap32& ABitmap, int AQuality, TBytes& ARgbRow, unsigned char*& AOut,
                      unsigned long& ASize, jpeg_compress_struct& AInfo, TTestJpegError& AError) {
  AInfo.err = jpeg_std_error(&AError.Pub);
  AError.Pub.error_exit = TestErrorExit;
  AError.Pub.output_message = TestIgnoreMessage;
  if (setjmp(AError.Jump) != 0) {
    jpeg_destroy_compress(&AInfo);
    return false;
  }
  jpeg_create_compress(&AInfo);
  jpeg_mem_dest(&AInfo, &AOut, &ASize);
  AInfo.image_width = static_cast<JDIMENSION>(ABitmap.Width());
  AInfo.image_height = static_cast<JDIMENSION>(ABitmap.Height());
  AInfo.input_components = 3;
  AInfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&AInfo);
  jpeg_set_quality(&AInfo, AQuality, TRUE);
  jpeg_start_compress(&AInfo, TRUE);
  while (AInfo.next_scanline < AInfo.image_height) {
    const std::uint8_t* src = ABitmap.Scanline(static_cast<int>(AInfo.next_scanline));
    for (int x = 0; x < ABitmap.Width(); ++x) {
      ARgbRow[3 * static_cast<std::size_t>(x)] = src[4 * x + 2];
      ARgbRow[3 * static_cast<std::size_t>(x) + 1] = src[4 * x + 1];
      ARgbRow[3 * static_cast<std::size_t>(x) + 2] = src[4 * x];
    }
    JSAMPROW row = ARgbRow.data();
    jpeg_write_scanlines(&AInfo, &row, 1);
  }
  jpeg_finish_compress(&AInfo);
  jpeg_destroy_compress(&AInfo);
  return true;
}

TBytes ReferenceJpeg(const TBitmap32& ABitmap, int AQuality) {
  TBytes rgbRow(static_cast<std::size_t>(ABitmap.Width()) * 3);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_compress_struct info{};
  TTestJpegError error{};
  TBytes result;
  if (EncodeRgbTriples(ABitmap, AQuality, rgbRow, out, size, info, error))
    result.assign(out, out + size);
  else
    ADD_FAILURE() << error.Message;
  std::free(out);
  return result;
}

// ---------------------------------------------------------------------------------------

struct TColourCase {
  const char* Name;
  std::uint32_t Colour; // 0xAARRGGBB
};

class JpegColourTest : public testing::TestWithParam<TColourCase> {};

TEST_P(JpegColourTest, FlatColourSurvivesClosely) {
  // The fourth byte is zero on purpose: JPEG has no alpha and must not read it as colour.
  const std::uint32_t colour = GetParam().Colour & 0x00FFFFFF;
  const TDecodedJpeg d = DecodeJpeg(EncodeJpeg(TBitmap32(21, 13, colour), 90));
  ASSERT_EQ(d.Error, "");
  ASSERT_EQ(d.Width, 21);
  ASSERT_EQ(d.Height, 13);
  for (int y = 0; y < d.Height; ++y)
    for (int x = 0; x < d.Width; ++x)
      ASSERT_TRUE(Near(d.Pixel(x, y), GetParam().Colour | 0xFF000000u, 4)) << "pixel " << x << "," << y;
}

const TColourCase ColourCases[] = {
    {"Red", 0xFFFF0000},   {"Green", 0xFF00FF00},  {"Blue", 0xFF0000FF},     {"White", 0xFFFFFFFF},
    {"Black", 0xFF000000}, {"Orange", 0xFFFF8000}, {"DarkTeal", 0xFF206080}, {"MidGrey", 0xFF808080},
};

INSTANTIATE_TEST_SUITE_P(Jpeg, JpegColourTest, testing::ValuesIn(ColourCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Mirrored or upside-down rows and swapped channels all keep a flat colour flat; four distinct
// quadrants do not.
TEST(JpegEncodeTest, QuadrantsKeepTheirPlaceAndColour) {
  TBitmap32 b(32, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 32; ++x)
      b.SetPixel(x, y, y < 12 ? (x < 16 ? 0xFFFF0000 : 0xFF00FF00) : (x < 16 ? 0xFF0000FF : 0xFFFFFF00));
  const TDecodedJpeg d = DecodeJpeg(EncodeJpeg(b, 95));
  ASSERT_EQ(d.Error, "");
  EXPECT_TRUE(Near(d.Pixel(4, 4), 0xFFFF0000, 12));
  EXPECT_TRUE(Near(d.Pixel(27, 4), 0xFF00FF00, 12));
  EXPECT_TRUE(Near(d.Pixel(4, 19), 0xFF0000FF, 12));
  EXPECT_TRUE(Near(d.Pixel(27, 19), 0xFFFFFF00, 12));
}

struct TSizeCase {
  const char* Name;
  int Width;
  int Height;
};

class JpegSizeTest : public testing::TestWithParam<TSizeCase> {};

TEST_P(JpegSizeTest, IsABaselineColourJpegOfTheSameSize) {
  const TSizeCase& c = GetParam();
  const TBytes jpeg = EncodeJpeg(TBitmap32(c.Width, c.Height, 0xFF3080C0), 75);
  ASSERT_GE(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
  EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
  const TDecodedJpeg d = DecodeJpeg(jpeg);
  ASSERT_EQ(d.Error, "");
  EXPECT_EQ(d.Width, c.Width);
  EXPECT_EQ(d.Height, c.Height);
  EXPECT_EQ(d.Components, 3);
  EXPECT_FALSE(d.Progressive);
  EXPECT_EQ(d.Warnings, 0);
}

const TSizeCase SizeCases[] = {
    {"OnePixel", 1, 1}, {"NotMultipleOfBlock", 17, 9}, {"Tall", 3, 100}, {"Wide", 100, 3}, {"Blocks", 64, 48},
};

INSTANTIATE_TEST_SUITE_P(Jpeg, JpegSizeTest, testing::ValuesIn(SizeCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// The output vector grows as libjpeg fills it; a slip in that hand-over would lose or
// duplicate bytes, which the reader reports as a warning or an error.
TEST(JpegEncodeTest, LargeOutputIsWrittenCompletely) {
  const TBytes jpeg = EncodeJpeg(Noise(512, 512), 100);
  EXPECT_GT(jpeg.size(), 256u * 1024);
  const TDecodedJpeg d = DecodeJpeg(jpeg);
  ASSERT_EQ(d.Error, "");
  EXPECT_EQ(d.Width, 512);
  EXPECT_EQ(d.Height, 512);
  EXPECT_EQ(d.Warnings, 0);
}

TEST(JpegEncodeTest, HigherQualityGivesALargerFile) {
  const TBitmap32 noise = Noise(64, 64);
  EXPECT_GT(EncodeJpeg(noise, 95).size(), EncodeJpeg(noise, 10).size());
}

TEST(JpegEncodeTest, QualityIsClampedTo1To100) {
  const TBitmap32 noise = Noise(24, 24);
  const TBytes lowest = EncodeJpeg(noise, 1);
  const TBytes highest = EncodeJpeg(noise, 100);
  ASSERT_NE(lowest, highest);
  for (const int quality : {0, -5, INT_MIN})
    EXPECT_EQ(EncodeJpeg(noise, quality), lowest) << quality;
  for (const int quality : {101, 1000, INT_MAX})
    EXPECT_EQ(EncodeJpeg(noise, quality), highest) << quality;
}

TEST(JpegEncodeTest, FourthByteIsIgnored) {
  TBitmap32 opaque = Noise(16, 16);
  TBitmap32 clear = opaque;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      opaque.SetPixel(x, y, opaque.Pixel(x, y) | 0xFF000000u);
      clear.SetPixel(x, y, clear.Pixel(x, y) & 0x00FFFFFFu);
    }
  EXPECT_EQ(EncodeJpeg(opaque, 80), EncodeJpeg(clear, 80));
}

// Handing libjpeg-turbo the rows in their own layout must not change a byte of the file.
TEST(JpegEncodeTest, SameBytesAsFromRgbTriples) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{17, 9}, std::pair{40, 33}})
    for (const int quality : {60, 95}) {
      const TBitmap32 noise = Noise(width, height); // the fourth byte is noise too
      EXPECT_EQ(EncodeJpeg(noise, quality), ReferenceJpeg(noise, quality))
          << width << "x" << height << " at " << quality;
    }
}

TEST(JpegEncodeRowsTest, RowsAreAskedForInOrderAndGiveTheSameFile) {
  const TBitmap32 noise = Noise(23, 35);
  std::vector<int> asked;
  const auto jpeg = EncodeJpegRows(23, 35, 60, [&](int AY) {
    asked.push_back(AY);
    return noise.Scanline(AY);
  });
  ASSERT_TRUE(jpeg.has_value());
  EXPECT_EQ(*jpeg, EncodeJpeg(noise, 60));
  ASSERT_EQ(asked.size(), 35u);
  for (int y = 0; y < 35; ++y)
    EXPECT_EQ(asked[static_cast<std::size_t>(y)], y);
}

TEST(JpegEncodeRowsTest, NullRowAbandonsAndAnExceptionPassesOn) {
  const TBitmap32 noise = Noise(8, 40);
  for (const int stopAt : {0, 17, 39}) {
    int asked = 0;
    const auto jpeg = EncodeJpegRows(8, 40, 60, [&](int AY) -> const std::uint8_t* {
      ++asked;
      return AY == stopAt ? nullptr : noise.Scanline(AY);
    });
    EXPECT_FALSE(jpeg.has_value()) << stopAt;
    EXPECT_EQ(asked, stopAt + 1);
  }
  EXPECT_THROW(EncodeJpegRows(8, 40, 60,
                              [&](int AY) -> const std::uint8_t* {
                                if (AY == 20)
                                  throw std::runtime_error("row source failed");
                                return noise.Scanline(AY);
                              }),
               std::runtime_error);
  // And the next encoding is not disturbed by what was left behind.
  EXPECT_EQ(*EncodeJpegRows(8, 40, 60, [&](int AY) { return noise.Scanline(AY); }), EncodeJpeg(noise, 60));
}

TEST(JpegEncodeRowsTest, EmptySizeRaisesImageError) {
  const auto never = [](int) -> const std::uint8_t* {
    ADD_FAILURE() << "a row was asked for";
    return nullptr;
  };
  EXPECT_THROW(EncodeJpegRows(0, 5, 60, never), EImageError);
  EXPECT_THROW(EncodeJpegRows(5, 0, 60, never), EImageError);
  EXPECT_THROW(EncodeJpegRows(-1, 5, 60, never), EImageError);
}

TEST(JpegEncodeTest, EmptyImageRaisesImageError) {
  EXPECT_THROW(EncodeJpeg(TBitmap32(), 80), EImageError);
  EXPECT_THROW(EncodeJpeg(TBitmap32(0, 5), 80), EImageError);
  EXPECT_THROW(EncodeJpeg(TBitmap32(5, 0), 80), EImageError);
}

} // namespace
} // namespace tarvel
