#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "clipboard/Dib.h"
#include "core/Bitmap32.h"
#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {
namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::uint32_t BiRgb = 0;
constexpr std::uint32_t BiBitfields = 3;
constexpr std::uint32_t BiAlphaBitfields = 6;

void PutLE16(TBytes& AOut, std::uint32_t AValue) {
  AOut.push_back(static_cast<std::uint8_t>(AValue));
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 8));
}

void PutLE32(TBytes& AOut, std::uint32_t AValue) {
  for (int shift = 0; shift < 32; shift += 8)
    AOut.push_back(static_cast<std::uint8_t>(AValue >> shift));
}

void SetLE32(TBytes& AData, std::size_t APos, std::uint32_t AValue) {
  for (std::size_t i = 0; i < 4; ++i)
    AData.at(APos + i) = static_cast<std::uint8_t>(AValue >> (8 * i));
}

TBytes Concat(std::initializer_list<TBytes> AParts) {
  TBytes r;
  for (const TBytes& part : AParts)
    r.insert(r.end(), part.begin(), part.end());
  return r;
}

TBytes Words(std::initializer_list<std::uint32_t> AValues) {
  TBytes r;
  for (const std::uint32_t v : AValues)
    PutLE32(r, v);
  return r;
}

// Writes information headers field by field, independently of the decoder, so that each
// header size and each field can be set on its own. Mask fields are written only where the
// header has room for them.
struct THeader {
  std::uint32_t Size = 40;
  std::int32_t Width = 1;
  std::int32_t Height = 1;
  std::uint16_t Planes = 1;
  std::uint16_t BitCount = 32;
  std::uint32_t Compression = BiRgb;
  std::uint32_t ClrUsed = 0;
  std::array<std::uint32_t, 4> Masks{}; // red, green, blue, alpha

  TBytes Bytes() const {
    TBytes r;
    PutLE32(r, Size);
    if (Size == 12) {
      PutLE16(r, static_cast<std::uint32_t>(Width));
      PutLE16(r, static_cast<std::uint32_t>(Height));
      PutLE16(r, Planes);
      PutLE16(r, BitCount);
      return r;
    }
    PutLE32(r, static_cast<std::uint32_t>(Width));
    PutLE32(r, static_cast<std::uint32_t>(Height));
    PutLE16(r, Planes);
    PutLE16(r, BitCount);
    PutLE32(r, Compression);
    PutLE32(r, 0);    // image size, not needed for uncompressed rows
    PutLE32(r, 2835); // 72 dpi
    PutLE32(r, 2835);
    PutLE32(r, ClrUsed);
    PutLE32(r, 0); // important colours
    for (std::size_t i = 0; i < 4 && r.size() < Size; ++i)
      PutLE32(r, Masks[i]);
    // Colour space, end points, gamma, intent, profile: ignored. Bytes that differ from one
    // to the next show up if a decoder takes them for pixels.
    while (r.size() < Size)
      r.push_back(static_cast<std::uint8_t>(0x11 + r.size()));
    return r;
  }
};

THeader Header(std::uint32_t ASize, std::int32_t AWidth, std::int32_t AHeight, std::uint16_t ABitCount,
               std::uint32_t ACompression = BiRgb) {
  THeader h;
  h.Size = ASize;
  h.Width = AWidth;
  h.Height = AHeight;
  h.BitCount = ABitCount;
  h.Compression = ACompression;
  return h;
}

THeader WithMasks(THeader AHeader, std::array<std::uint32_t, 4> AMasks) {
  AHeader.Masks = AMasks;
  return AHeader;
}

THeader WithClrUsed(THeader AHeader, std::uint32_t AClrUsed) {
  AHeader.ClrUsed = AClrUsed;
  return AHeader;
}

// Colour table entries in the block's order: blue, green, red, then a fourth byte (which
// the decoder must ignore) unless the entries are triples.
TBytes Table(std::initializer_list<std::uint32_t> AColours, bool ATriples = false) {
  TBytes r;
  // Byte by byte: GCC 12's optimiser misreads a three-byte insert as an overflow.
  for (const std::uint32_t c : AColours) {
    r.push_back(static_cast<std::uint8_t>(c));
    r.push_back(static_cast<std::uint8_t>(c >> 8));
    r.push_back(static_cast<std::uint8_t>(c >> 16));
    if (!ATriples)
      r.push_back(0x5A);
  }
  return r;
}

std::uint32_t Grey(unsigned AIndex) {
  return 0xFF000000u | AIndex << 16 | (255 - AIndex) << 8 | ((AIndex * 7) & 0xFF);
}

TBytes GreyTable(unsigned ACount, bool ATriples = false) {
  TBytes r;
  for (unsigned i = 0; i < ACount; ++i) {
    const TBytes one = Table({Grey(i)}, ATriples);
    r.insert(r.end(), one.begin(), one.end());
  }
  return r;
}

std::u16string DecodeError(const TBytes& ABlock) {
  try {
    DecodeDib(ABlock.data(), ABlock.size());
  } catch (const EImageError& e) {
    return e.Message();
  }
  return u"(no error)";
}

// ---------------------------------------------------------------------------------------
// Each layout decoded from a hand-built block

constexpr std::uint32_t White = 0xFFFFFFFF;
constexpr std::uint32_t Black = 0xFF000000;
constexpr std::uint32_t Red = 0xFFFF0000;
constexpr std::uint32_t Green = 0xFF00FF00;
constexpr std::uint32_t Blue = 0xFF0000FF;
constexpr std::uint32_t C1 = 0xFF102030;
constexpr std::uint32_t C2 = 0xFFA0B0C0;

struct TDecodeCase {
  const char* Name;
  TBytes Block;
  int Width;
  int Height;
  std::vector<std::uint32_t> Expected; // 0xAARRGGBB, top row first
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const TDecodeCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class DibDecodeTest : public testing::TestWithParam<TDecodeCase> {};

TEST_P(DibDecodeTest, DecodesToTopDownBgra) {
  const TDecodeCase& c = GetParam();
  TBitmap32 b;
  ASSERT_NO_THROW(b = DecodeDib(c.Block.data(), c.Block.size())) << ToUtf8(DecodeError(c.Block));
  ASSERT_EQ(b.Width(), c.Width);
  ASSERT_EQ(b.Height(), c.Height);
  for (int y = 0; y < c.Height; ++y)
    for (int x = 0; x < c.Width; ++x)
      EXPECT_EQ(b.Pixel(x, y), c.Expected[static_cast<std::size_t>(y * c.Width + x)])
          << std::hex << "pixel " << std::dec << x << "," << y;
}

// Rows below are listed in block order; for a positive height that is the bottom row first.
// Padding bytes are 0xEE and unused bits are set, to show that both are skipped.
const TDecodeCase DecodeCases[] = {
    {"OneBitBottomUp",
     Concat({Header(40, 10, 2, 1).Bytes(),
             Table({C1, C2}),
             {0xA5, 0xFF, 0xEE, 0xEE},   // bottom: 1010010111 then padding bits
             {0x0F, 0x00, 0xEE, 0xEE}}), // top: 0000111100
     10,
     2,
     {C1, C1, C1, C1, C2, C2, C2, C2, C1, C1, //
      C2, C1, C2, C1, C1, C2, C1, C2, C2, C2}},
    {"OneBitTopDown",
     Concat({Header(40, 3, -2, 1).Bytes(), Table({C1, C2}), {0xBF, 0, 0, 0}, {0x40, 0, 0, 0}}),
     3,
     2,
     {C2, C1, C2, C1, C2, C1}},
    {"FourBitsShortTableGivesBlackPastItsEnd",
     Concat({WithClrUsed(Header(40, 5, -1, 4), 3).Bytes(), Table({Red, Green, Blue}), {0x01, 0x25, 0xFE, 0xEE}}),
     5,
     1,
     {Red, Green, Blue, Black, Black}},
    {"FourBitsBottomUpDefaultTable",
     Concat({Header(40, 3, 2, 4).Bytes(), GreyTable(16), {0x0F, 0x10, 0xEE, 0xEE}, {0x23, 0x4E, 0xEE, 0xEE}}),
     3,
     2,
     {Grey(2), Grey(3), Grey(4), Grey(0), Grey(15), Grey(1)}},
    {"EightBitsFullDefaultTable",
     Concat({Header(40, 3, 2, 8).Bytes(), GreyTable(256), {0, 1, 2, 0xEE}, {255, 128, 7, 0xEE}}),
     3,
     2,
     {Grey(255), Grey(128), Grey(7), Grey(0), Grey(1), Grey(2)}},
    {"EightBitsIndexPastTable",
     Concat({WithClrUsed(Header(40, 2, -1, 8), 2).Bytes(), Table({C1, C2}), {1, 200, 0xEE, 0xEE}}),
     2,
     1,
     {C2, Black}},
    // A table larger than 2^bits is skipped whole; only its first 2^bits entries are used.
    {"OneBitOversizedTable",
     Concat({WithClrUsed(Header(40, 2, -1, 1), 5).Bytes(), Table({C1, C2, Red, Green, Blue}), {0x40, 0, 0, 0}}),
     2,
     1,
     {C1, C2}},
    // The top bit of a 5-5-5 pixel is unused.
    {"SixteenBitsRgbIs555",
     Concat({Header(40, 6, -1, 16).Bytes(), Words({0x7C007FFF, 0x001F03E0, 0x04218000})}),
     6,
     1,
     {White, Red, Green, Blue, Black, 0xFF080808}},
    {"SixteenBitsBitfields565AfterInfoHeader",
     Concat({Header(40, 4, -1, 16, BiBitfields).Bytes(), Words({0xF800, 0x07E0, 0x001F}),
             Words({0x07E0F800, 0x0821001F})}),
     4,
     1,
     {Red, Green, Blue, 0xFF080408}},
    {"SixteenBitsAlphaBitfields4444AfterInfoHeader",
     Concat({Header(40, 2, -1, 16, BiAlphaBitfields).Bytes(), Words({0x0F00, 0x00F0, 0x000F, 0xF000}),
             Words({0x8F214FFF})}),
     2,
     1,
     {0x44FFFFFF, 0x88FF2211}},
    {"SixteenBitsV4HeaderMasksInside",
     Concat({WithMasks(Header(108, 2, -1, 16, BiBitfields), {0xF800, 0x07E0, 0x001F, 0}).Bytes(), Words({0x001FF800})}),
     2,
     1,
     {Red, Blue}},
    // Mask bits past a 16-bit pixel are ignored: this alpha mask lies wholly past it.
    {"SixteenBitsMaskPastPixelIgnored",
     Concat({WithMasks(Header(124, 1, -1, 16, BiBitfields), {0x7C00, 0x03E0, 0x001F, 0xFF000000}).Bytes(),
             Words({0x7C00})}),
     1,
     1,
     {Red}},
    {"TwentyFourBitsBottomUpPadded",
     Concat({Header(40, 3, 2, 24).Bytes(),
             {0x30, 0x20, 0x10, 0xFF, 0, 0, 0, 0, 0xFF, 0xEE, 0xEE, 0xEE},
             {0xC0, 0xB0, 0xA0, 0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0xEE, 0xEE, 0xEE}}),
     3,
     2,
     {C2, Green, White, C1, Blue, Red}},
    {"TwentyFourBitsTableSkipped",
     Concat({WithClrUsed(Header(40, 1, 1, 24), 2).Bytes(), Table({Red, Green}), {0x30, 0x20, 0x10, 0xEE}}),
     1,
     1,
     {C1}},
    {"ThirtyTwoBitsZeroAlphaMeansOpaque",
     Concat({Header(40, 2, 2, 32).Bytes(), Words({0x00102030, 0x00A0B0C0}), Words({0x000000FF, 0x00FF0000})}),
     2,
     2,
     {Blue, Red, C1, C2}},
    {"ThirtyTwoBitsSomeAlphaIsKept",
     Concat({Header(40, 3, -1, 32).Bytes(), Words({0x00102030, 0x80A0B0C0, 0xFF0000FF})}),
     3,
     1,
     {0x00102030, 0x80A0B0C0, Blue}},
    {"ThirtyTwoBitsTableSkipped",
     Concat({WithClrUsed(Header(40, 1, 1, 32), 3).Bytes(), Table({Red, Green, Blue}), Words({0x00102030})}),
     1,
     1,
     {C1}},
    {"ThirtyTwoBitfieldsAfterInfoHeaderUseTheGuess",
     Concat({Header(40, 2, -1, 32, BiBitfields).Bytes(), Words({0xFF0000, 0xFF00, 0xFF}),
             Words({0x00102030, 0x00A0B0C0})}),
     2,
     1,
     {C1, C2}},
    {"ThirtyTwoBitfieldsAfterInfoHeaderWithAlpha",
     Concat({Header(40, 2, -1, 32, BiBitfields).Bytes(), Words({0xFF0000, 0xFF00, 0xFF}),
             Words({0x40102030, 0x00A0B0C0})}),
     2,
     1,
     {0x40102030, 0x00A0B0C0}},
    // Red in the low byte: the channels are moved, and the free top byte is still alpha.
    {"ThirtyTwoBitfieldsRgbaOrder",
     Concat({Header(40, 2, -1, 32, BiBitfields).Bytes(), Words({0xFF, 0xFF00, 0xFF0000}),
             Words({0x00302010, 0x00C0B0A0})}),
     2,
     1,
     {C1, C2}},
    {"ThirtyTwoBitfieldsTenBitChannels",
     Concat({Header(40, 2, -1, 32, BiBitfields).Bytes(), Words({0x3FF00000, 0x000FFC00, 0x000003FF}),
             Words({0x3FF00000, 0x00000201})}),
     2,
     1,
     {Red, 0xFF000080}},
    {"ThirtyTwoAlphaBitfieldsAfterInfoHeader",
     Concat({Header(40, 1, -1, 32, BiAlphaBitfields).Bytes(), Words({0xFF000000, 0xFF0000, 0xFF00, 0xFF}),
             Words({0x10203080})}),
     1,
     1,
     {0x80102030}},
    // An alpha channel that is 0 everywhere means an opaque image, mask or no mask.
    {"ThirtyTwoV5AlphaMaskZeroAlphaOpaque",
     Concat({WithMasks(Header(124, 2, -1, 32, BiBitfields), {0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Bytes(),
             Words({0x00102030, 0x00A0B0C0})}),
     2,
     1,
     {0xFF102030, 0xFFA0B0C0}},
    {"ThirtyTwoV5AlphaMaskOnePixelSeen",
     Concat({WithMasks(Header(124, 2, -1, 32, BiBitfields), {0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Bytes(),
             Words({0x00102030, 0x01A0B0C0})}),
     2,
     1,
     {0x00102030, 0x01A0B0C0}},
    {"SixteenBitAlphaMaskZeroAlphaOpaque",
     Concat({WithMasks(Header(124, 2, -1, 16, BiBitfields), {0x0F00, 0x00F0, 0x000F, 0xF000}).Bytes(),
             Words({0x00000F00})}),
     2,
     1,
     {0xFFFF0000, 0xFF000000}},
    // The copy of the masks the system writes after a V5 header when it converts a CF_DIB.
    {"ThirtyTwoV5RepeatedMasksSkipped",
     Concat({WithMasks(Header(124, 2, 1, 32, BiBitfields), {0xFF0000, 0xFF00, 0xFF, 0}).Bytes(),
             Words({0xFF0000, 0xFF00, 0xFF}), Words({0x00102030, 0x00A0B0C0})}),
     2,
     1,
     {C1, C2}},
    // Pixels that happen to equal the masks are not a repeat when the block has no room for one.
    {"ThirtyTwoV5PixelsEqualToMasksAreNotARepeat",
     Concat({WithMasks(Header(124, 3, -1, 32, BiBitfields), {0xFF0000, 0xFF00, 0xFF, 0}).Bytes(),
             Words({0xFF0000, 0xFF00, 0xFF})}),
     3,
     1,
     {Red, Green, Blue}},
    {"ThirtyTwoV5RgbIgnoresMasks",
     Concat({WithMasks(Header(124, 1, -1, 32), {0xFF, 0xFF00, 0xFF0000, 0}).Bytes(), Words({0x00102030})}),
     1,
     1,
     {C1}},
    {"ThirtyTwoRgbMasksHeader52",
     Concat({WithMasks(Header(52, 1, -1, 32, BiBitfields), {0xFF, 0xFF00, 0xFF0000, 0}).Bytes(), Words({0x00302010})}),
     1,
     1,
     {C1}},
    {"ThirtyTwoAlphaMaskHeader56",
     Concat({WithMasks(Header(56, 1, -1, 32, BiBitfields), {0xFF00, 0xFF0000, 0xFF000000, 0xFF}).Bytes(),
             Words({0x30201040})}),
     1,
     1,
     {0x40102030}},
    {"CoreHeaderEightBitsTriples",
     Concat({Header(12, 3, 1, 8).Bytes(), GreyTable(256, true), {3, 0, 255, 0xEE}}),
     3,
     1,
     {Grey(3), Grey(0), Grey(255)}},
    {"CoreHeaderOneBitTriples",
     Concat({Header(12, 2, 2, 1).Bytes(), Table({C1, C2}, true), {0x80, 0, 0, 0}, {0x40, 0, 0, 0}}),
     2,
     2,
     {C1, C2, C2, C1}},
    {"CoreHeaderTwentyFourBits", Concat({Header(12, 1, 1, 24).Bytes(), {0x30, 0x20, 0x10, 0xEE}}), 1, 1, {C1}},
};

INSTANTIATE_TEST_SUITE_P(Dib, DibDecodeTest, testing::ValuesIn(DecodeCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------------------
// Round trips through EncodeDib

TBitmap32 Noise(int AWidth, int AHeight, std::uint32_t ASeed, std::uint32_t AAlphaOr = 0) {
  TBitmap32 b(AWidth, AHeight);
  std::mt19937 rng(ASeed);
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x)
      b.SetPixel(x, y, static_cast<std::uint32_t>(rng()) | AAlphaOr);
  return b;
}

TEST(DibEncodeTest, RoundTripKeepsPixelsAndAlpha) {
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{3, 7}, std::pair{64, 2}, std::pair{1, 300}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    const TBitmap32 source = Noise(w, h, static_cast<std::uint32_t>(w * 1000 + h), 0x01000000u);
    const TBytes block = EncodeDib(source);
    EXPECT_TRUE(DecodeDib(block.data(), block.size()).SamePixels(source));
  }
}

TEST(DibEncodeTest, RoundTripOfZeroAlphaComesBackOpaque) {
  TBitmap32 source = Noise(5, 4, 9);
  TBitmap32 expected = source;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      source.SetPixel(x, y, source.Pixel(x, y) & 0x00FFFFFF);
      expected.SetPixel(x, y, source.Pixel(x, y) | 0xFF000000);
    }
  const TBytes block = EncodeDib(source);
  EXPECT_TRUE(DecodeDib(block.data(), block.size()).SamePixels(expected));
}

// A round trip alone would pass with the rows in the wrong order in both directions.
TEST(DibEncodeTest, WritesInfoHeaderAndBottomUpRows) {
  TBitmap32 b(2, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x)
      b.SetPixel(x, y, 0x80000000u | static_cast<std::uint32_t>(y * 16 + x));
  const TBytes block = EncodeDib(b);
  TBytes expected = WithClrUsed(Header(40, 2, 3, 32), 0).Bytes();
  SetLE32(expected, 20, 24); // image size
  SetLE32(expected, 24, 0);  // no resolution
  SetLE32(expected, 28, 0);
  const TBytes rows = Words({0x80000020, 0x80000021, 0x80000010, 0x80000011, 0x80000000, 0x80000001});
  expected.insert(expected.end(), rows.begin(), rows.end());
  EXPECT_EQ(block, expected);
}

TEST(DibEncodeTest, EmptyImageRaisesImageError) {
  EXPECT_THROW(EncodeDib(TBitmap32()), EImageError);
}

// ---------------------------------------------------------------------------------------
// Malformed blocks: each raises EImageError naming the fault.

struct TMalformedCase {
  const char* Name;
  TBytes Block;
  const char16_t* Message; // a part of the expected message
};

void PrintTo(const TMalformedCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class DibMalformedTest : public testing::TestWithParam<TMalformedCase> {};

TEST_P(DibMalformedTest, RaisesImageErrorNamingTheFault) {
  const TMalformedCase& c = GetParam();
  const std::u16string message = DecodeError(c.Block);
  EXPECT_EQ(message.rfind(u"Clipboard image: ", 0), 0u) << ToUtf8(message);
  EXPECT_NE(message.find(c.Message), std::u16string::npos) << ToUtf8(message);
}

TBytes Small32() {
  return Concat({Header(40, 2, 2, 32).Bytes(), Words({1, 2, 3, 4})});
}

TBytes Patched(TBytes ABlock, std::size_t APos, std::uint32_t AValue) {
  SetLE32(ABlock, APos, AValue);
  return ABlock;
}

TBytes Cut(TBytes ABlock, std::size_t ALess) {
  ABlock.resize(ABlock.size() - ALess);
  return ABlock;
}

const TMalformedCase MalformedCases[] = {
    {"ShorterThanHeaderSize", {40, 0, 0}, u"too short to hold a header (3 bytes)"},
    {"UnknownHeaderSize", Patched(Small32(), 0, 64), u"header size 64 is not supported"},
    {"HeaderPastBlock", Cut(Header(124, 1, 1, 32).Bytes(), 24),
     u"the header ends past the block (needs 124 bytes, has 100)"},
    {"CoreHeaderPastBlock", {12, 0, 0, 0, 1, 0, 1, 0}, u"the header ends past the block (needs 12 bytes, has 8)"},
    {"ZeroWidth", Concat({Header(40, 0, 1, 32).Bytes(), Words({0})}), u"the width 0 is invalid"},
    {"NegativeWidth", Concat({Header(40, -2, 1, 32).Bytes(), Words({0, 0})}), u"the width -2 is invalid"},
    {"ZeroHeight", Concat({Header(40, 1, 0, 32).Bytes(), Words({0})}), u"the height 0 is invalid"},
    {"MinimumHeight", Concat({Header(40, 1, INT_MIN, 32).Bytes(), Words({0})}), u"the height -2147483648 is invalid"},
    {"CoreZeroWidth", Concat({Header(12, 0, 1, 24).Bytes(), Words({0})}), u"the width 0 is invalid"},
    {"WiderThanMaxSide", Concat({Header(40, 32769, 1, 1).Bytes(), Table({0, 0})}), u"the size 32769x1 is too large"},
    {"TallerThanMaxSide", Concat({Header(40, 1, -40000, 1).Bytes(), Table({0, 0})}), u"the size 1x40000 is too large"},
    // A 1-bit image of 8192 x 8193 pixels would need only 8 MB of block.
    {"MorePixelsThanTheCap", Concat({Header(40, 8192, 8193, 1).Bytes(), Table({0, 0})}),
     u"the size 8192x8193 is too large (at most 32768 per side and 67108864 pixels)"},
    {"TwoPlanes", Patched(Small32(), 12, 0x00200002), u"the plane count is 2, not 1"},
    {"CoreZeroPlanes", Concat({{12, 0, 0, 0, 1, 0, 1, 0, 0, 0, 24, 0}, Words({0})}), u"the plane count is 0, not 1"},
    {"TwoBits", Concat({Header(40, 1, 1, 2).Bytes(), Table({0, 0, 0, 0}), Words({0})}),
     u"2 bits per pixel are not supported with a 40-byte header"},
    {"ZeroBits", Concat({Header(40, 1, 1, 0).Bytes(), Words({0})}), u"0 bits per pixel are not supported"},
    {"SixtyFourBits", Concat({Header(40, 1, 1, 64).Bytes(), Words({0, 0})}), u"64 bits per pixel are not supported"},
    {"CoreSixteenBits", Concat({Header(12, 1, 1, 16).Bytes(), Words({0})}),
     u"16 bits per pixel are not supported with a 12-byte header"},
    {"Rle8", Concat({Header(40, 1, 1, 8, 1).Bytes(), GreyTable(256), Words({0})}),
     u"compression BI_RLE8 is not supported"},
    {"Rle4", Concat({Header(40, 1, 1, 4, 2).Bytes(), GreyTable(16), Words({0})}),
     u"compression BI_RLE4 is not supported"},
    {"Jpeg", Concat({Header(40, 1, 1, 0, 4).Bytes(), {0xFF, 0xD8}}), u"compression BI_JPEG is not supported"},
    {"Png", Concat({Header(124, 1, 1, 0, 5).Bytes(), {0x89, 'P', 'N', 'G'}}), u"compression BI_PNG is not supported"},
    {"UnknownCompression", Concat({Header(40, 1, 1, 32, 7).Bytes(), Words({0})}), u"compression 7 is unknown"},
    {"BitfieldsOnTwentyFourBits",
     Concat({Header(40, 1, 1, 24, BiBitfields).Bytes(), Words({0xFF0000, 0xFF00, 0xFF, 0})}),
     u"bitfields need 16 or 32 bits per pixel, not 24"},
    {"MasksPastBlock", Concat({Header(40, 1, 1, 32, BiBitfields).Bytes(), Words({0xFF0000, 0xFF00})}),
     u"the colour masks end past the block (needs 52 bytes, has 48)"},
    {"AlphaMaskPastBlock", Concat({Header(40, 1, 1, 16, BiAlphaBitfields).Bytes(), Words({0xF00, 0xF0, 0xF})}),
     u"the colour masks end past the block (needs 56 bytes, has 52)"},
    {"MaskNotOneRun", Concat({Header(40, 1, 1, 16, BiBitfields).Bytes(), Words({0xF00F, 0xF0, 0xF}), Words({0})}),
     u"the red colour mask 0x0000F00F is not one run of bits"},
    {"AlphaMaskNotOneRun",
     Concat({WithMasks(Header(124, 1, 1, 32, BiBitfields), {0xFF0000, 0xFF00, 0xFF, 0x81000000}).Bytes(), Words({0})}),
     u"the alpha colour mask 0x81000000 is not one run of bits"},
    {"DefaultPaletteCut", Concat({Header(40, 1, 1, 8).Bytes(), GreyTable(255)}),
     u"the colour table ends past the block (needs 1064 bytes, has 1060)"},
    {"CorePaletteCut", Concat({Header(12, 1, 1, 4).Bytes(), GreyTable(15, true), {0}}),
     u"the colour table ends past the block (needs 60 bytes, has 58)"},
    {"HugeColourCountOnThirtyTwoBits", Concat({WithClrUsed(Header(40, 1, 1, 32), 0xFFFFFFFF).Bytes(), Words({0})}),
     u"the colour table ends past the block (needs 17179869220 bytes, has 44)"},
    {"PixelsOneByteShort", Cut(Small32(), 1), u"the pixel data ends past the block (needs 56 bytes, has 55)"},
    {"PaddingMissing", Concat({Header(40, 1, 2, 24).Bytes(), {1, 2, 3, 0, 4, 5, 6}}),
     u"the pixel data ends past the block (needs 48 bytes, has 47)"},
    {"NoPixels", Header(40, 1, 1, 32).Bytes(), u"the pixel data ends past the block (needs 44 bytes, has 40)"},
    {"LargeImageTinyBlock", Concat({Header(40, 4000, 4000, 32).Bytes(), Words({0})}),
     u"the pixel data ends past the block (needs 64000040 bytes, has 44)"},
};

INSTANTIATE_TEST_SUITE_P(Dib, DibMalformedTest, testing::ValuesIn(MalformedCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(DibBlockTest, NullOrEmptyBlockRaisesImageError) {
  const std::uint8_t byte = 40;
  EXPECT_THROW(DecodeDib(nullptr, 0), EImageError);
  EXPECT_THROW(DecodeDib(nullptr, 100), EImageError);
  EXPECT_THROW(DecodeDib(&byte, 0), EImageError);
}

// A block in a buffer of exactly its size, so that reading one byte too far is caught by
// the address sanitizer rather than hidden by a vector's spare capacity.
std::unique_ptr<std::uint8_t[]> ExactCopy(const TBytes& ABlock, std::size_t ASize) {
  auto r = std::make_unique<std::uint8_t[]>(ASize == 0 ? 1 : ASize);
  std::copy(ABlock.begin(), ABlock.begin() + static_cast<std::ptrdiff_t>(ASize), r.get());
  return r;
}

TEST(DibBlockTest, EveryTruncationRaisesWithoutReadingPastTheSize) {
  const TBytes blocks[] = {Small32(), Concat({Header(124, 2, 1, 16, BiBitfields).Bytes(), Words({0})}),
                           Concat({Header(12, 2, 1, 1).Bytes(), Table({C1, C2}, true), Words({0})})};
  for (const TBytes& block : blocks)
    for (std::size_t size = 0; size < block.size(); ++size)
      EXPECT_THROW(DecodeDib(ExactCopy(block, size).get(), size), EImageError) << size;
}

// ---------------------------------------------------------------------------------------
// Damaged blocks decode or raise EImageError, never anything worse.

struct TMutationCase {
  const char* Name;
  TBytes (*Make)();
};

void PrintTo(const TMutationCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class DibMutationTest : public testing::TestWithParam<TMutationCase> {};

void TryDecode(const TBytes& ABlock) {
  try {
    const TBitmap32 b = DecodeDib(ExactCopy(ABlock, ABlock.size()).get(), ABlock.size());
    EXPECT_FALSE(b.Empty());
  } catch (const EImageError&) {
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception: " << e.what();
  }
}

TEST_P(DibMutationTest, DamagedBlocksDecodeOrRaiseImageError) {
  const TBytes original = GetParam().Make();
  ASSERT_NO_THROW(DecodeDib(original.data(), original.size()));
  // Values that sit on the edges of the header checks.
  const std::uint32_t edges[] = {0,   1,      2,      3,      4,          5,          6,          8,         12,
                                 16,  24,     32,     40,     52,         56,         108,        124,       255,
                                 256, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE};
  std::mt19937 rng(4321);
  for (int i = 0; i < 1500; ++i) {
    TBytes block = original;
    const unsigned flips = 1 + rng() % 4;
    for (unsigned k = 0; k < flips; ++k)
      block[rng() % block.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
    TryDecode(block);

    block.resize(rng() % original.size());
    TryDecode(block);

    // One header field (or mask) set to an edge value reaches each check behind the others.
    block = original;
    const std::size_t field = 4 * (rng() % 14);
    if (field + 4 <= block.size()) {
      const std::uint32_t value = edges[rng() % std::size(edges)];
      if (rng() % 2 == 0)
        SetLE32(block, field, value);
      else
        block[field + rng() % 4] = static_cast<std::uint8_t>(value);
      TryDecode(block);
    }
  }
}

const TMutationCase MutationCases[] = {
    {"Encoded32", [] { return EncodeDib(Noise(7, 5, 3, 0x10000000u)); }},
    {"OneBitPalette",
     [] {
       return Concat({Header(40, 13, 3, 1).Bytes(), Table({C1, C2}), TBytes(12, 0x5A)});
     }},
    {"FourBitShortTable",
     [] {
       return Concat({WithClrUsed(Header(40, 9, -4, 4), 5).Bytes(), GreyTable(5), TBytes(32, 0x3C)});
     }},
    {"SixteenBitfields",
     [] {
       return Concat({Header(40, 5, 3, 16, BiBitfields).Bytes(), Words({0xF800, 0x07E0, 0x001F}), TBytes(36, 0x96)});
     }},
    {"V5RepeatedMasks",
     [] {
       return Concat({WithMasks(Header(124, 3, 2, 32, BiBitfields), {0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Bytes(),
                      Words({0xFF0000, 0xFF00, 0xFF}), TBytes(24, 0x81)});
     }},
    {"CoreEightBits",
     [] {
       return Concat({Header(12, 3, 2, 8).Bytes(), GreyTable(256, true), TBytes(8, 7)});
     }},
};

INSTANTIATE_TEST_SUITE_P(Dib, DibMutationTest, testing::ValuesIn(MutationCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

} // namespace
} // namespace tarvel
