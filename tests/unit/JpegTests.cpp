#include <gtest/gtest.h>

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/Bitmap32.h"
#include "core/Errors.h"
#include "core/Jpeg.h"

namespace tarvel {
namespace {

using TBytes = std::vector<std::uint8_t>;

struct TDecodedJpeg {
  int Width = 0;
  int Height = 0;
  int Components = 0;
  bool Progressive = false;
  long Warnings = 0; // libjpeg warns about truncated or damaged data
  TBytes Rgb;
  std::string Error;

  std::uint32_t Pixel(int AX, int AY) const {
    const std::uint8_t* p =
        Rgb.data() +
        (static_cast<std::size_t>(AY) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(AX)) * 3;
    return 0xFF000000u | static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
  }
};

struct TTestJpegError {
  jpeg_error_mgr Pub;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void TestErrorExit(j_common_ptr AInfo) {
  auto* error = reinterpret_cast<TTestJpegError*>(AInfo->err);
  (*AInfo->err->format_message)(AInfo, error->Message);
  std::longjmp(error->Jump, 1);
}

void TestIgnoreMessage(j_common_ptr) {}

// An independent reader for the encoder's output. Every non-trivial object belongs to the
// caller so that the longjmp of a libjpeg error skips no destructor.
bool ReadJpeg(const TBytes& AData, TDecodedJpeg& AResult, jpeg_decompress_struct& AInfo, TTestJpegError& AError) {
  AInfo.err = jpeg_std_error(&AError.Pub);
  AError.Pub.error_exit = TestErrorExit;
  AError.Pub.output_message = TestIgnoreMessage;
  if (setjmp(AError.Jump) != 0) {
    jpeg_destroy_decompress(&AInfo);
    return false;
  }
  jpeg_create_decompress(&AInfo);
  jpeg_mem_src(&AInfo, AData.data(), static_cast<unsigned long>(AData.size()));
  jpeg_read_header(&AInfo, TRUE);
  AInfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&AInfo);
  AResult.Width = static_cast<int>(AInfo.output_width);
  AResult.Height = static_cast<int>(AInfo.output_height);
  AResult.Components = AInfo.num_components;
  AResult.Progressive = AInfo.progressive_mode != 0;
  const std::size_t stride = static_cast<std::size_t>(AInfo.output_width) * 3;
  AResult.Rgb.resize(stride * AInfo.output_height);
  while (AInfo.output_scanline < AInfo.output_height) {
    JSAMPROW row = AResult.Rgb.data() + stride * AInfo.output_scanline;
    jpeg_read_scanlines(&AInfo, &row, 1);
  }
  jpeg_finish_decompress(&AInfo);
  AResult.Warnings = AError.Pub.num_warnings;
  jpeg_destroy_decompress(&AInfo);
  return true;
}

TDecodedJpeg DecodeJpeg(const TBytes& AData) {
  TDecodedJpeg result;
  jpeg_decompress_struct info{};
  TTestJpegError error{};
  if (!ReadJpeg(AData, result, info, error))
    result.Error = error.Message;
  return result;
}

testing::AssertionResult Near(std::uint32_t AActual, std::uint32_t AExpected, int ATolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = static_cast<int>((AActual >> shift) & 0xFF);
    const int e = static_cast<int>((AExpected >> shift) & 0xFF);
    if (std::abs(a - e) > ATolerance)
      return testing::AssertionFailure() << std::hex << "0x" << AActual << " is not within " << std::dec << ATolerance
                                         << " of 0x" << std::hex << AExpected;
  }
  return testing::AssertionSuccess();
}

TBitmap32 Noise(int AWidth, int AHeight) {
  TBitmap32 b(AWidth, AHeight);
  std::mt19937 rng(99);
  for (std::size_t i = 0; i < b.ByteSize(); ++i)
    b.Bits()[i] = static_cast<std::uint8_t>(rng());
  return b;
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

TEST(JpegEncodeTest, EmptyImageRaisesImageError) {
  EXPECT_THROW(EncodeJpeg(TBitmap32(), 80), EImageError);
  EXPECT_THROW(EncodeJpeg(TBitmap32(0, 5), 80), EImageError);
  EXPECT_THROW(EncodeJpeg(TBitmap32(5, 0), 80), EImageError);
}

} // namespace
} // namespace tarvel
