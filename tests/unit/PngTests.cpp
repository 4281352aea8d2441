#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "core/Bitmap32.h"
#include "core/Errors.h"
#include "core/Png.h"
#include "core/Text.h"
#include "png/PngDecode.h"

namespace tarvel {
namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint8_t, 8> Signature = {137, 80, 78, 71, 13, 10, 26, 10};

void PutBE32(TBytes& AOut, std::uint32_t AValue) {
  for (int shift = 24; shift >= 0; shift -= 8)
    AOut.push_back(static_cast<std::uint8_t>(AValue >> shift));
}

std::uint32_t GetBE32(const TBytes& AData, std::size_t APos) {
  return static_cast<std::uint32_t>(AData.at(APos)) << 24 | static_cast<std::uint32_t>(AData.at(APos + 1)) << 16 |
         static_cast<std::uint32_t>(AData.at(APos + 2)) << 8 | AData.at(APos + 3);
}

std::uint32_t Crc(const std::uint8_t* AData, std::size_t ALength) {
  return static_cast<std::uint32_t>(crc32(0, AData, static_cast<uInt>(ALength)));
}

TBytes Zlib(const TBytes& AData, int ALevel = Z_DEFAULT_COMPRESSION) {
  uLongf size = compressBound(static_cast<uLong>(AData.size()));
  TBytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, AData.data(), static_cast<uLong>(AData.size()), ALevel), Z_OK);
  out.resize(size);
  return out;
}

TBytes IhdrData(std::uint32_t AWidth, std::uint32_t AHeight, std::uint8_t ADepth, std::uint8_t AColourType,
                std::uint8_t AInterlace = 0, std::uint8_t ACompression = 0, std::uint8_t AFilter = 0) {
  TBytes d;
  PutBE32(d, AWidth);
  PutBE32(d, AHeight);
  d.insert(d.end(), {ADepth, AColourType, ACompression, AFilter, AInterlace});
  return d;
}

// Writes PNG files chunk by chunk with correct CRCs, independently of the encoder under test,
// so that each decoder check can be reached on its own.
class TPngWriter {
public:
  TPngWriter() : FBytes(Signature.begin(), Signature.end()) {}

  TPngWriter& Chunk(std::string_view AType, const TBytes& AData) {
    PutBE32(FBytes, static_cast<std::uint32_t>(AData.size()));
    TBytes typed(AType.begin(), AType.end());
    typed.insert(typed.end(), AData.begin(), AData.end());
    FBytes.insert(FBytes.end(), typed.begin(), typed.end());
    PutBE32(FBytes, Crc(typed.data(), typed.size()));
    return *this;
  }
  TPngWriter& Header(std::uint32_t AWidth, std::uint32_t AHeight, std::uint8_t ADepth, std::uint8_t AColourType) {
    return Chunk("IHDR", IhdrData(AWidth, AHeight, ADepth, AColourType));
  }
  TPngWriter& Image(const TBytes& AFilteredRows) { return Chunk("IDAT", Zlib(AFilteredRows)); }
  TPngWriter& End() { return Chunk("IEND", {}); }

  const TBytes& Bytes() const { return FBytes; }

private:
  TBytes FBytes;
};

std::uint8_t Paeth(int AA, int AB, int AC) {
  const int p = AA + AB - AC;
  const int pa = std::abs(p - AA);
  const int pb = std::abs(p - AB);
  const int pc = std::abs(p - AC);
  if (pa <= pb && pa <= pc)
    return static_cast<std::uint8_t>(AA);
  return static_cast<std::uint8_t>(pb <= pc ? AB : AC);
}

// Applies the row filters to unfiltered rows, row y using AFilters[y % size], and prefixes
// each row with its filter type, as the PNG format defines them.
TBytes FilterRows(const TBytes& ARaw, std::size_t ARowBytes, std::size_t ABpp, const std::vector<int>& AFilters) {
  TBytes out;
  const std::size_t rows = ARaw.size() / ARowBytes;
  for (std::size_t y = 0; y < rows; ++y) {
    const int filter = AFilters[y % AFilters.size()];
    out.push_back(static_cast<std::uint8_t>(filter));
    const std::uint8_t* row = ARaw.data() + y * ARowBytes;
    const std::uint8_t* up = y > 0 ? row - ARowBytes : nullptr;
    for (std::size_t i = 0; i < ARowBytes; ++i) {
      const int a = i >= ABpp ? row[i - ABpp] : 0;
      const int b = up ? up[i] : 0;
      const int c = up && i >= ABpp ? up[i - ABpp] : 0;
      const int predictor = filter == 1   ? a
                            : filter == 2 ? b
                            : filter == 3 ? (a + b) / 2
                            : filter == 4 ? Paeth(a, b, c)
                                          : 0;
      out.push_back(static_cast<std::uint8_t>(row[i] - predictor));
    }
  }
  return out;
}

TBytes Unfiltered(const TBytes& ARaw, std::size_t ARowBytes) {
  return FilterRows(ARaw, ARowBytes, 1, {0});
}

TBytes RandomBytes(std::size_t ACount, std::uint32_t ASeed) {
  std::mt19937 rng(ASeed);
  TBytes r(ACount);
  for (auto& b : r)
    b = static_cast<std::uint8_t>(rng());
  return r;
}

std::size_t FindChunk(const TBytes& AFile, std::string_view AType) {
  for (std::size_t pos = Signature.size(); pos + 8 <= AFile.size();
       pos += 12 + static_cast<std::size_t>(GetBE32(AFile, pos)))
    if (std::string_view(reinterpret_cast<const char*>(AFile.data() + pos + 4), 4) == AType)
      return pos;
  ADD_FAILURE() << "no chunk " << AType;
  return 0;
}

// Rewrites every CRC so that a mutation reaches the checks behind the CRC check.
void RepairCrcs(TBytes& AFile) {
  for (std::size_t pos = Signature.size(); pos + 12 <= AFile.size();) {
    const std::size_t length = GetBE32(AFile, pos);
    if (length > AFile.size() - pos - 12)
      return;
    const std::uint32_t crc = Crc(AFile.data() + pos + 4, length + 4);
    for (int i = 0; i < 4; ++i)
      AFile[pos + 8 + length + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    pos += 12 + length;
  }
}

// A 4x3 RGB image, the base of most malformed files below.
const TBytes& RgbRows() {
  static const TBytes rows = RandomBytes(4 * 3 * 3, 7);
  return rows;
}

TBytes ValidRgb() {
  return TPngWriter().Header(4, 3, 8, 2).Image(Unfiltered(RgbRows(), 12)).End().Bytes();
}

TBytes ThreeColourPalette() {
  return {255, 0, 0, 0, 255, 0, 0, 0, 255};
}

std::u16string DecodeError(const TBytes& AFile) {
  try {
    DecodePng(AFile);
  } catch (const EImageError& e) {
    return e.Message();
  }
  return u"(no error)";
}

// ---------------------------------------------------------------------------------------
// Decoding each colour type and bit depth

std::uint32_t PaletteColour(unsigned AIndex) {
  return 0xFF000000u | AIndex << 16 | (255 - AIndex) << 8 | ((AIndex * 7) & 0xFF);
}

TBytes PaletteOf(unsigned ACount) {
  TBytes p;
  for (unsigned i = 0; i < ACount; ++i) {
    const std::uint32_t c = PaletteColour(i);
    p.insert(p.end(),
             {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
  }
  return p;
}

struct TColourCase {
  const char* Name;
  std::uint8_t ColourType;
  std::uint8_t Depth;
  std::uint32_t Width;
  std::uint32_t Height;
  TBytes Palette;
  TBytes Transparency;
  TBytes Rows;                         // unfiltered, packed as the format stores them
  std::vector<std::uint32_t> Expected; // 0xAARRGGBB, row by row
};

class PngColourTypeTest : public testing::TestWithParam<TColourCase> {};

TEST_P(PngColourTypeTest, DecodesToBgraPixels) {
  const TColourCase& c = GetParam();
  TPngWriter w;
  w.Header(c.Width, c.Height, c.Depth, c.ColourType);
  if (!c.Palette.empty())
    w.Chunk("PLTE", c.Palette);
  if (!c.Transparency.empty())
    w.Chunk("tRNS", c.Transparency);
  w.Image(Unfiltered(c.Rows, c.Rows.size() / c.Height)).End();

  const TBitmap32 b = DecodePng(w.Bytes());
  ASSERT_EQ(b.Width(), static_cast<int>(c.Width));
  ASSERT_EQ(b.Height(), static_cast<int>(c.Height));
  for (std::uint32_t y = 0; y < c.Height; ++y)
    for (std::uint32_t x = 0; x < c.Width; ++x)
      EXPECT_EQ(b.Pixel(static_cast<int>(x), static_cast<int>(y)), c.Expected[y * c.Width + x])
          << "pixel " << x << "," << y;
}

constexpr std::uint32_t White = 0xFFFFFFFF;
constexpr std::uint32_t Black = 0xFF000000;

const TColourCase ColourCases[] = {
    // Padding bits at the end of a row are set to show that they are ignored.
    {"Grey1", 0, 1, 10, 2, {}, {}, {0xB1, 0xBF, 0x4E, 0x7F}, {White, Black, White, White, Black,
                                                              Black, Black, White, White, Black, //
                                                              Black, White, Black, Black, White,
                                                              White, White, Black, Black, White}},
    {"Grey2", 0, 2, 5, 1, {}, {}, {0x1B, 0x80}, {Black, 0xFF555555, 0xFFAAAAAA, White, 0xFFAAAAAA}},
    {"Grey4", 0, 4, 3, 1, {}, {}, {0x07, 0xF0}, {Black, 0xFF777777, White}},
    {"Grey8", 0, 8, 4, 1, {}, {}, {0x00, 0x80, 0xFF, 0x12}, {Black, 0xFF808080, White, 0xFF121212}},
    // The tRNS grey value is 16 bits wide: 0x0180 must not match the 8-bit sample 0x80.
    {"Grey8Transparent", 0, 8, 2, 1, {}, {0x00, 0x80}, {0x80, 0x81}, {0x00808080, 0xFF818181}},
    {"Grey8TransparentOutOfRange", 0, 8, 1, 1, {}, {0x01, 0x80}, {0x80}, {0xFF808080}},
    {"Grey2Transparent", 0, 2, 2, 1, {}, {0x00, 0x02}, {0x90}, {0x00AAAAAA, 0xFF555555}},
    {"GreyAlpha8", 4, 8, 2, 1, {}, {}, {0x40, 0x80, 0xFF, 0x00}, {0x80404040, 0x00FFFFFF}},
    {"Rgb8", 2, 8, 2, 1, {}, {}, {0x10, 0x20, 0x30, 0xFF, 0x00, 0x00}, {0xFF102030, 0xFFFF0000}},
    {"Rgb8Transparent",
     2,
     8,
     2,
     1,
     {},
     {0, 0x10, 0, 0x20, 0, 0x30},
     {0x10, 0x20, 0x30, 0x10, 0x20, 0x31},
     {0x00102030, 0xFF102031}},
    {"Rgba8", 6, 8, 2, 1, {}, {}, {1, 2, 3, 4, 0xFF, 0x80, 0x00, 0xFF}, {0x04010203, 0xFFFF8000}},
    {"Palette1",
     3,
     1,
     9,
     1,
     PaletteOf(2),
     {},
     {0x81, 0x80},
     {PaletteColour(1), PaletteColour(0), PaletteColour(0), PaletteColour(0), PaletteColour(0), PaletteColour(0),
      PaletteColour(0), PaletteColour(1), PaletteColour(1)}},
    // Entries past the tRNS data stay opaque.
    {"Palette2Transparent",
     3,
     2,
     4,
     1,
     PaletteOf(4),
     {0x00, 0x80},
     {0xE4},
     {PaletteColour(3), PaletteColour(2), (PaletteColour(1) & 0xFFFFFF) | 0x80000000u, PaletteColour(0) & 0xFFFFFF}},
    {"Palette4", 3, 4, 3, 1, PaletteOf(16), {}, {0xA1, 0xF0}, {PaletteColour(10), PaletteColour(1), PaletteColour(15)}},
    {"Palette8",
     3,
     8,
     2,
     2,
     PaletteOf(256),
     {},
     {0, 255, 128, 7},
     {PaletteColour(0), PaletteColour(255), PaletteColour(128), PaletteColour(7)}},
};

INSTANTIATE_TEST_SUITE_P(Png, PngColourTypeTest, testing::ValuesIn(ColourCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------------------
// Row filters: the same random pixels filtered each way must decode like the unfiltered rows.

struct TLayout {
  const char* Name;
  std::uint8_t ColourType;
  std::uint8_t Depth;
  std::size_t BitsPerPixel;
};

const TLayout Layouts[] = {
    {"Rgba8", 6, 8, 32},
    {"Rgb8", 2, 8, 24},
    {"GreyAlpha8", 4, 8, 16},
    {"Grey8", 0, 8, 8},
    // Narrower than a byte: the filters still look one byte to the left.
    {"Grey4", 0, 4, 4},
};

// Filter type, or -1 for a different filter on each row.
class PngFilterTest : public testing::TestWithParam<std::tuple<int, TLayout>> {};

TEST_P(PngFilterTest, DecodesLikeUnfilteredRows) {
  const auto [filter, layout] = GetParam();
  constexpr std::uint32_t Width = 9;
  constexpr std::uint32_t Height = 7;
  const std::size_t rowBytes = (Width * layout.BitsPerPixel + 7) / 8;
  const std::size_t bpp = std::max<std::size_t>(1, layout.BitsPerPixel / 8);
  const TBytes raw = RandomBytes(rowBytes * Height, 42);
  const std::vector<int> filters = filter >= 0 ? std::vector<int>{filter} : std::vector<int>{4, 3, 2, 1, 0};

  const TBitmap32 expected = DecodePng(TPngWriter()
                                           .Header(Width, Height, layout.Depth, layout.ColourType)
                                           .Image(Unfiltered(raw, rowBytes))
                                           .End()
                                           .Bytes());
  const TBitmap32 actual = DecodePng(TPngWriter()
                                         .Header(Width, Height, layout.Depth, layout.ColourType)
                                         .Image(FilterRows(raw, rowBytes, bpp, filters))
                                         .End()
                                         .Bytes());
  EXPECT_TRUE(actual.SamePixels(expected));
}

std::string FilterCaseName(const testing::TestParamInfo<std::tuple<int, TLayout>>& AInfo) {
  const int filter = std::get<0>(AInfo.param);
  const char* names[] = {"None", "Sub", "Up", "Average", "Paeth"};
  return std::string(filter >= 0 ? names[filter] : "Mixed") + "_" + std::get<1>(AInfo.param).Name;
}

INSTANTIATE_TEST_SUITE_P(Png, PngFilterTest,
                         testing::Combine(testing::Values(1, 2, 3, 4, -1), testing::ValuesIn(Layouts)), FilterCaseName);

// The Paeth predictor by hand, ties included: the other filter tests compare against a
// test-side filter written from the same definition, which would share a misreading of it.
struct TPaethCase {
  const char* Name;
  std::uint8_t Left;
  std::uint8_t Above;
  std::uint8_t AboveLeft;
  std::uint8_t Predicted;
};

class PngPaethTest : public testing::TestWithParam<TPaethCase> {};

TEST_P(PngPaethTest, PredictsFromTheClosestNeighbour) {
  const TPaethCase& c = GetParam();
  // A 2x2 grey image: the second row is Paeth-filtered, its last byte is the one under test.
  const TBytes rows = {0, c.AboveLeft, c.Above, 4, static_cast<std::uint8_t>(c.Left - c.AboveLeft), 7};
  const TBitmap32 b = DecodePng(TPngWriter().Header(2, 2, 8, 0).Image(rows).End().Bytes());
  ASSERT_EQ(b.Pixel(0, 1) & 0xFF, c.Left);
  EXPECT_EQ(b.Pixel(1, 1) & 0xFF, static_cast<std::uint8_t>(c.Predicted + 7));
}

const TPaethCase PaethCases[] = {
    {"LeftNearest", 250, 5, 3, 250},
    {"AboveNearest", 100, 50, 200, 50},
    {"AboveLeftNearest", 10, 200, 100, 100},
    {"TieLeftAndAboveLeftGoesLeft", 40, 10, 20, 40},
    {"TieAboveAndAboveLeftGoesAbove", 10, 40, 20, 40},
    {"SumPastOneByte", 255, 255, 0, 255},
};

INSTANTIATE_TEST_SUITE_P(Png, PngPaethTest, testing::ValuesIn(PaethCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------------------
// Files that are unusual but valid decode to the same pixels as the plain file.

struct TVariantCase {
  const char* Name;
  TBytes (*Make)();
};

class PngVariantTest : public testing::TestWithParam<TVariantCase> {};

TEST_P(PngVariantTest, DecodesLikeThePlainFile) {
  const TBitmap32 expected = DecodePng(ValidRgb());
  TBitmap32 actual;
  ASSERT_NO_THROW(actual = DecodePng(GetParam().Make())) << ToUtf8(DecodeError(GetParam().Make()));
  EXPECT_TRUE(actual.SamePixels(expected));
}

const TVariantCase VariantCases[] = {
    {"IdatSplitIntoSmallChunks",
     [] {
       const TBytes z = Zlib(Unfiltered(RgbRows(), 12));
       TPngWriter w;
       w.Header(4, 3, 8, 2);
       for (std::size_t pos = 0, step = 1; pos < z.size(); pos += step, step = step % 5 + 1)
         w.Chunk("IDAT", TBytes(z.begin() + static_cast<std::ptrdiff_t>(pos),
                                z.begin() + static_cast<std::ptrdiff_t>(std::min(z.size(), pos + step))));
       return w.End().Bytes();
     }},
    {"EmptyIdatChunksAround",
     [] {
       return TPngWriter()
           .Header(4, 3, 8, 2)
           .Chunk("IDAT", {})
           .Image(Unfiltered(RgbRows(), 12))
           .Chunk("IDAT", {})
           .End()
           .Bytes();
     }},
    {"StoredZlibBlocks",
     [] { return TPngWriter().Header(4, 3, 8, 2).Chunk("IDAT", Zlib(Unfiltered(RgbRows(), 12), 0)).End().Bytes(); }},
    {"ExtraDataAfterTheLastRow",
     [] {
       TBytes rows = Unfiltered(RgbRows(), 12);
       rows.insert(rows.end(), 100, 0xEE);
       return TPngWriter().Header(4, 3, 8, 2).Image(rows).End().Bytes();
     }},
    {"BytesAfterIend",
     [] {
       TBytes f = ValidRgb();
       f.insert(f.end(), {1, 2, 3, 4, 5});
       return f;
     }},
    {"AncillaryChunksEverywhere",
     [] {
       return TPngWriter()
           .Header(4, 3, 8, 2)
           .Chunk("tEXt", {'a', 0, 'b'})
           .Chunk("gAMA", {0, 0, 177, 143})
           .Image(Unfiltered(RgbRows(), 12))
           .Chunk("prVt", {9, 9})
           .End()
           .Bytes();
     }},
    {"SuggestedPaletteInTrueColour",
     [] {
       return TPngWriter()
           .Header(4, 3, 8, 2)
           .Chunk("PLTE", ThreeColourPalette())
           .Image(Unfiltered(RgbRows(), 12))
           .End()
           .Bytes();
     }},
    {"TransparencyAfterImageDataIgnored",
     [] {
       return TPngWriter()
           .Header(4, 3, 8, 2)
           .Image(Unfiltered(RgbRows(), 12))
           .Chunk("tRNS", {0, 0, 0, 0, 0, 0})
           .End()
           .Bytes();
     }},
};

INSTANTIATE_TEST_SUITE_P(Png, PngVariantTest, testing::ValuesIn(VariantCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------------------
// Malformed files: each raises EImageError from the check that names the problem.

struct TCorruptCase {
  const char* Name;
  TBytes (*Make)();
  std::u16string_view MessagePart;
};

class PngCorruptTest : public testing::TestWithParam<TCorruptCase> {};

TEST_P(PngCorruptTest, RaisesImageError) {
  const TBytes file = GetParam().Make();
  const std::u16string message = DecodeError(file);
  EXPECT_NE(message.find(GetParam().MessagePart), std::u16string::npos) << ToUtf8(message);
}

TBytes Truncated(TBytes AFile, std::size_t ASize) {
  AFile.resize(ASize);
  return AFile;
}

TBytes WithLength(TBytes AFile, std::string_view AChunk, std::uint32_t ALength) {
  const std::size_t pos = FindChunk(AFile, AChunk);
  for (int i = 0; i < 4; ++i)
    AFile[pos + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ALength >> (24 - 8 * i));
  return AFile;
}

TBytes Flipped(TBytes AFile, std::size_t APos) {
  AFile.at(APos) ^= 0x01;
  return AFile;
}

TBytes WithHeader(const TBytes& AIhdr) {
  return TPngWriter().Chunk("IHDR", AIhdr).Image(Unfiltered(RgbRows(), 12)).End().Bytes();
}

TBytes WithRows(std::uint32_t AWidth, std::uint32_t AHeight, const TBytes& AFilteredRows) {
  return TPngWriter().Header(AWidth, AHeight, 8, 2).Image(AFilteredRows).End().Bytes();
}

const TCorruptCase CorruptCases[] = {
    // Framing
    {"Empty", [] { return TBytes{}; }, u"too short"},
    {"TruncatedInSignature", [] { return Truncated(ValidRgb(), 5); }, u"too short"},
    {"BadSignature", [] { return Flipped(ValidRgb(), 1); }, u"signature"},
    {"SignatureOnly", [] { return Truncated(ValidRgb(), 8); }, u"ends before the IEND"},
    {"TruncatedInChunkHeader", [] { return Truncated(ValidRgb(), 14); }, u"truncated"},
    {"TruncatedInIhdr", [] { return Truncated(ValidRgb(), 28); }, u"IHDR is truncated"},
    {"TruncatedAfterIhdr", [] { return Truncated(ValidRgb(), 33); }, u"ends before the IEND"},
    {"TruncatedInIdat", [] { return Truncated(ValidRgb(), FindChunk(ValidRgb(), "IDAT") + 12); }, u"IDAT is truncated"},
    {"TruncatedBeforeIend", [] { return Truncated(ValidRgb(), ValidRgb().size() - 12); }, u"ends before the IEND"},
    {"TruncatedInIendCrc", [] { return Truncated(ValidRgb(), ValidRgb().size() - 2); }, u"truncated"},
    {"BadIhdrCrc", [] { return Flipped(ValidRgb(), 8 + 8 + 3); }, u"IHDR has a bad CRC"},
    {"BadIdatCrc", [] { return Flipped(ValidRgb(), FindChunk(ValidRgb(), "IDAT") + 9); }, u"IDAT has a bad CRC"},
    {"BadIendCrc", [] { return Flipped(ValidRgb(), ValidRgb().size() - 1); }, u"IEND has a bad CRC"},
    {"ChunkLengthPastEnd", [] { return WithLength(ValidRgb(), "IDAT", 1000); }, u"IDAT is truncated"},
    {"ChunkLengthPastEndByOne", [] { return WithLength(ValidRgb(), "IEND", 1); }, u"IEND is truncated"},
    {"ChunkLength2Pow31", [] { return WithLength(ValidRgb(), "IDAT", 0x80000000u); }, u"invalid length"},
    {"ChunkLengthAllOnes", [] { return WithLength(ValidRgb(), "IDAT", 0xFFFFFFFFu); }, u"invalid length"},
    {"ChunkTypeNotLetters", [] { return TPngWriter().Header(4, 3, 8, 2).Chunk("ID1T", {}).Bytes(); }, u"invalid type"},
    {"UnknownCriticalChunk",
     [] { return TPngWriter().Header(4, 3, 8, 2).Chunk("ABCD", {}).Image(Unfiltered(RgbRows(), 12)).End().Bytes(); },
     u"ABCD is not supported"},
    // Chunk order
    {"IhdrNotFirst",
     [] {
       return TPngWriter().Chunk("tEXt", {'a', 0}).Header(4, 3, 8, 2).Image(Unfiltered(RgbRows(), 12)).End().Bytes();
     },
     u"does not start with an IHDR"},
    {"IhdrTwice", [] { return TPngWriter().Header(4, 3, 8, 2).Header(4, 3, 8, 2).End().Bytes(); },
     u"more than one IHDR"},
    {"NoIdat", [] { return TPngWriter().Header(4, 3, 8, 2).End().Bytes(); }, u"no IDAT"},
    {"NoIend", [] { return TPngWriter().Header(4, 3, 8, 2).Image(Unfiltered(RgbRows(), 12)).Bytes(); },
     u"ends before the IEND"},
    {"IdatNotConsecutive",
     [] {
       const TBytes z = Zlib(Unfiltered(RgbRows(), 12));
       const TBytes first(z.begin(), z.begin() + 4);
       const TBytes rest(z.begin() + 4, z.end());
       return TPngWriter()
           .Header(4, 3, 8, 2)
           .Chunk("IDAT", first)
           .Chunk("tEXt", {'a', 0})
           .Chunk("IDAT", rest)
           .End()
           .Bytes();
     },
     u"not consecutive"},
    // Header fields
    {"IhdrTooLong",
     [] {
       TBytes h = IhdrData(4, 3, 8, 2);
       h.push_back(0);
       return WithHeader(h);
     },
     u"IHDR chunk has an invalid length"},
    {"ZeroWidth", [] { return WithHeader(IhdrData(0, 1, 8, 2)); }, u"size 0x1 is invalid"},
    {"ZeroHeight", [] { return WithHeader(IhdrData(1, 0, 8, 2)); }, u"size 1x0 is invalid"},
    {"WidthPast2Pow31", [] { return WithHeader(IhdrData(0x80000000u, 1, 8, 2)); }, u"invalid"},
    {"HugeSides", [] { return WithHeader(IhdrData(100000, 100000, 8, 2)); }, u"not supported"},
    {"TooManyPixels", [] { return WithHeader(IhdrData(30000, 30000, 8, 2)); }, u"not supported"},
    {"Interlaced", [] { return WithHeader(IhdrData(4, 3, 8, 2, 1)); }, u"Interlaced PNG images are not supported"},
    {"UnknownInterlaceMethod", [] { return WithHeader(IhdrData(4, 3, 8, 2, 2)); }, u"interlace method"},
    {"UnknownCompressionMethod", [] { return WithHeader(IhdrData(4, 3, 8, 2, 0, 1)); }, u"compression method"},
    {"UnknownFilterMethod", [] { return WithHeader(IhdrData(4, 3, 8, 2, 0, 0, 1)); }, u"filter method"},
    {"Rgb16Bit", [] { return WithHeader(IhdrData(4, 3, 16, 2)); }, u"16 bits"},
    {"Grey16Bit", [] { return WithHeader(IhdrData(4, 3, 16, 0)); }, u"16 bits"},
    {"GreyDepth3", [] { return WithHeader(IhdrData(4, 3, 3, 0)); }, u"colour type 0 and bit depth 3"},
    {"ColourType5", [] { return WithHeader(IhdrData(4, 3, 8, 5)); }, u"colour type 5"},
    {"RgbDepth4", [] { return WithHeader(IhdrData(4, 3, 4, 2)); }, u"colour type 2 and bit depth 4"},
    {"PaletteDepth16", [] { return WithHeader(IhdrData(4, 3, 16, 3)); }, u"colour type 3 and bit depth 16"},
    // Image data
    {"IdatOneRowShort", [] { return WithRows(4, 3, Truncated(Unfiltered(RgbRows(), 12), 26)); },
     u"too short: 2 of 3 rows"},
    {"IdatOneByteShort", [] { return WithRows(4, 3, Truncated(Unfiltered(RgbRows(), 12), 38)); },
     u"too short: 2 of 3 rows"},
    {"IdatEmptyStream", [] { return WithRows(4, 3, {}); }, u"too short: 0 of 3 rows"},
    {"BadFilterType5",
     [] {
       TBytes rows = Unfiltered(RgbRows(), 12);
       rows[13] = 5;
       return WithRows(4, 3, rows);
     },
     u"row 1 has an invalid filter type 5"},
    {"CorruptZlibStream", [] { return TPngWriter().Header(4, 3, 8, 2).Chunk("IDAT", TBytes(20, 0xFF)).End().Bytes(); },
     u"corrupt"},
    {"CorruptDeflateBlock",
     [] {
       return TPngWriter().Header(4, 3, 8, 2).Chunk("IDAT", {0x78, 0x9C, 0xFF, 0xFF, 0xFF}).End().Bytes();
     },
     u"corrupt"},
    {"ZlibPresetDictionary",
     [] {
       return TPngWriter().Header(4, 3, 8, 2).Chunk("IDAT", {0x78, 0x20, 0, 0, 0, 1, 0x63, 0, 0}).End().Bytes();
     },
     u"dictionary"},
    // Palette
    {"PaletteMissing",
     [] {
       return TPngWriter().Header(4, 2, 8, 3).Image(Unfiltered({0, 1, 2, 0, 2, 1, 0, 1}, 4)).End().Bytes();
     },
     u"no PLTE"},
    {"PaletteIndexOutOfRange",
     [] {
       return TPngWriter()
           .Header(4, 2, 8, 3)
           .Chunk("PLTE", ThreeColourPalette())
           .Image(Unfiltered({0, 1, 2, 0, 2, 1, 3, 1}, 4))
           .End()
           .Bytes();
     },
     u"palette index 3 is out of range"},
    {"PaletteIndexOutOfRangeInPackedRow",
     [] {
       return TPngWriter().Header(3, 1, 2, 3).Chunk("PLTE", PaletteOf(2)).Image(Unfiltered({0x1C}, 1)).End().Bytes();
     },
     u"palette index 3 is out of range"},
    {"PaletteEmpty", [] { return TPngWriter().Header(4, 2, 8, 3).Chunk("PLTE", {}).End().Bytes(); },
     u"PLTE chunk has an invalid length"},
    {"PaletteNotWholeEntries",
     [] {
       return TPngWriter().Header(4, 2, 8, 3).Chunk("PLTE", {1, 2, 3, 4}).End().Bytes();
     },
     u"PLTE chunk has an invalid length"},
    {"Palette257Entries", [] { return TPngWriter().Header(4, 2, 8, 3).Chunk("PLTE", PaletteOf(257)).End().Bytes(); },
     u"PLTE chunk has an invalid length"},
    {"PaletteTwice",
     [] {
       return TPngWriter()
           .Header(4, 2, 8, 3)
           .Chunk("PLTE", ThreeColourPalette())
           .Chunk("PLTE", ThreeColourPalette())
           .End()
           .Bytes();
     },
     u"more than one PLTE"},
    {"PaletteAfterImageData",
     [] {
       return TPngWriter()
           .Header(4, 2, 8, 3)
           .Image(Unfiltered({0, 1, 2, 0, 2, 1, 0, 1}, 4))
           .Chunk("PLTE", ThreeColourPalette())
           .End()
           .Bytes();
     },
     u"no PLTE"},
    {"PaletteAfterImageDataInTrueColour",
     [] {
       return TPngWriter()
           .Header(4, 3, 8, 2)
           .Image(Unfiltered(RgbRows(), 12))
           .Chunk("PLTE", ThreeColourPalette())
           .End()
           .Bytes();
     },
     u"after the image data"},
    {"PaletteInGreyscale",
     [] {
       return TPngWriter()
           .Header(4, 3, 8, 0)
           .Chunk("PLTE", ThreeColourPalette())
           .Image(Unfiltered(TBytes(12), 4))
           .End()
           .Bytes();
     },
     u"greyscale"},
    {"TransparencyLongerThanPalette",
     [] {
       return TPngWriter()
           .Header(4, 2, 8, 3)
           .Chunk("PLTE", ThreeColourPalette())
           .Chunk("tRNS", {1, 2, 3, 4})
           .End()
           .Bytes();
     },
     u"tRNS chunk has 4 entries but the palette only 3"},
    {"TransparencyBeforePalette",
     [] {
       return TPngWriter().Header(4, 2, 8, 3).Chunk("tRNS", {1}).Chunk("PLTE", ThreeColourPalette()).End().Bytes();
     },
     u"before the PLTE"},
    {"TransparencyWrongLengthForRgb",
     [] {
       return TPngWriter().Header(4, 3, 8, 2).Chunk("tRNS", {1, 2}).End().Bytes();
     },
     u"tRNS chunk has an invalid length"},
    {"TransparencyWrongLengthForGrey",
     [] {
       return TPngWriter().Header(4, 3, 8, 0).Chunk("tRNS", {1, 2, 3}).End().Bytes();
     },
     u"tRNS chunk has an invalid length"},
};

INSTANTIATE_TEST_SUITE_P(Png, PngCorruptTest, testing::ValuesIn(CorruptCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------------------
// Random damage: every outcome is a picture or EImageError, never a crash, an over-read
// (ASan) or another exception.

struct TMutationCase {
  const char* Name;
  TBytes (*Make)();
};

class PngMutationTest : public testing::TestWithParam<TMutationCase> {
protected:
  // Returns the error message, or an empty text when the damaged file still decoded.
  static std::u16string TryDecode(const TBytes& AFile) {
    try {
      const TBitmap32 b = DecodePng(AFile);
      EXPECT_FALSE(b.Empty());
      return {};
    } catch (const EImageError& e) {
      return e.Message();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "unexpected exception: " << e.what();
      return u"?";
    }
  }
};

TEST_P(PngMutationTest, DamagedFilesDecodeOrRaiseImageError) {
  const TBytes original = GetParam().Make();
  std::mt19937 rng(1234);
  int reachedPastCrc = 0;
  for (int i = 0; i < 1500; ++i) {
    TBytes file = original;
    const unsigned flips = 1 + rng() % 4;
    for (unsigned k = 0; k < flips; ++k)
      file[rng() % file.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
    TryDecode(file);

    file.resize(rng() % original.size());
    TryDecode(file);

    // With the CRCs made right again the damage reaches the header, palette and pixel checks.
    file = original;
    const std::size_t start = Signature.size() + 8 + rng() % (original.size() - 20);
    file[start] ^= static_cast<std::uint8_t>(1 + rng() % 255);
    RepairCrcs(file);
    const std::u16string message = TryDecode(file);
    if (message.find(u"bad CRC") == std::u16string::npos)
      ++reachedPastCrc;
  }
  EXPECT_GT(reachedPastCrc, 0);
}

TBitmap32 Noise(int AWidth, int AHeight, std::uint32_t ASeed) {
  TBitmap32 b(AWidth, AHeight);
  const TBytes bytes = RandomBytes(b.ByteSize(), ASeed);
  std::copy(bytes.begin(), bytes.end(), b.Bits());
  return b;
}

const TMutationCase MutationCases[] = {
    {"EncodedRgba", [] { return EncodePng(Noise(24, 16, 5), true); }},
    {"EncodedRgb", [] { return EncodePng(TBitmap32(40, 30, 0xFF336699)); }},
    {"Palette2Bit",
     [] {
       return TPngWriter()
           .Header(13, 5, 2, 3)
           .Chunk("PLTE", PaletteOf(3))
           .Chunk("tRNS", {0x10})
           .Image(Unfiltered(TBytes(20, 0x24), 4))
           .End()
           .Bytes();
     }},
    {"GreyAlphaFiltered",
     [] {
       return TPngWriter().Header(6, 6, 8, 4).Image(FilterRows(RandomBytes(72, 3), 12, 2, {1, 2, 3, 4})).End().Bytes();
     }},
};

INSTANTIATE_TEST_SUITE_P(Png, PngMutationTest, testing::ValuesIn(MutationCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------------------
// Encoder

enum TPattern { ptFlat, ptGradient, ptNoise, ptBands };

TBitmap32 MakeImage(int AWidth, int AHeight, TPattern APattern) {
  if (APattern == ptNoise)
    return Noise(AWidth, AHeight, static_cast<std::uint32_t>(AWidth * 31 + AHeight));
  TBitmap32 b(AWidth, AHeight);
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x) {
      const auto ux = static_cast<std::uint32_t>(x);
      const auto uy = static_cast<std::uint32_t>(y);
      std::uint32_t c = 0x80C04020;
      if (APattern == ptGradient)
        c = ux * 255 / static_cast<std::uint32_t>(AWidth) | uy * 255 / static_cast<std::uint32_t>(AHeight) << 8 |
            ((ux + uy) & 0xFF) << 16 | (255 - ux % 256) << 24;
      else if (APattern == ptBands)
        c = (y / 4) % 2 ? 0xFFFFFFFF : (x % 9 == 0 ? 0xFF000000 : 0xFF2050A0);
      b.SetPixel(x, y, c);
    }
  return b;
}

struct TRoundTripCase {
  const char* Name;
  int Width;
  int Height;
  TPattern Pattern;
  bool WithAlpha;
};

class PngRoundTripTest : public testing::TestWithParam<TRoundTripCase> {};

TEST_P(PngRoundTripTest, DecodesToTheEncodedPixels) {
  const TRoundTripCase& c = GetParam();
  const TBitmap32 source = MakeImage(c.Width, c.Height, c.Pattern);
  TBitmap32 expected = source;
  if (!c.WithAlpha)
    for (int y = 0; y < c.Height; ++y)
      for (int x = 0; x < c.Width; ++x)
        expected.SetPixel(x, y, source.Pixel(x, y) | 0xFF000000u);

  const TBitmap32 decoded = DecodePng(EncodePng(source, c.WithAlpha));
  ASSERT_EQ(decoded.Width(), c.Width);
  ASSERT_EQ(decoded.Height(), c.Height);
  EXPECT_TRUE(decoded.SamePixels(expected));
}

const TRoundTripCase RoundTripCases[] = {
    {"OnePixelRgb", 1, 1, ptNoise, false},
    {"OnePixelRgba", 1, 1, ptNoise, true},
    {"OddSizeRgb", 3, 7, ptGradient, false},
    {"OddSizeRgba", 3, 7, ptGradient, true},
    {"NoiseRgb", 33, 17, ptNoise, false},
    {"NoiseRgba", 33, 17, ptNoise, true},
    {"FlatRgb", 50, 20, ptFlat, false},
    {"BandsRgb", 64, 40, ptBands, false},
    {"OneRowRgba", 1000, 1, ptGradient, true},
    {"OneColumnRgb", 1, 1000, ptGradient, false},
    // Compresses to several hundred kilobytes, so the stream spans many IDAT chunks.
    {"LargeNoiseRgba", 300, 200, ptNoise, true},
};

INSTANTIATE_TEST_SUITE_P(Png, PngRoundTripTest, testing::ValuesIn(RoundTripCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

struct TChunk {
  std::string Type;
  TBytes Data;
  bool CrcOk;
};

// Splits a file into chunks with zlib's CRC only; fails the test where the framing is wrong.
std::vector<TChunk> ReadChunks(const TBytes& AFile) {
  std::vector<TChunk> chunks;
  std::size_t pos = Signature.size();
  while (pos + 12 <= AFile.size()) {
    const std::size_t length = GetBE32(AFile, pos);
    if (length > AFile.size() - pos - 12) {
      ADD_FAILURE() << "chunk past the end at " << pos;
      break;
    }
    const auto data = AFile.begin() + static_cast<std::ptrdiff_t>(pos + 8);
    chunks.push_back({std::string(data - 4, data), TBytes(data, data + static_cast<std::ptrdiff_t>(length)),
                      GetBE32(AFile, pos + 8 + length) == Crc(AFile.data() + pos + 4, length + 4)});
    pos += 12 + length;
  }
  EXPECT_EQ(pos, AFile.size()) << "bytes after the last chunk";
  return chunks;
}

// A round trip alone would not notice a fault shared by encoder and decoder, such as a CRC
// taken over the wrong bytes; this reads the file with zlib only.
TEST(PngEncodeTest, WritesHeaderChunksAndCrcsOtherReadersExpect) {
  for (const bool alpha : {false, true}) {
    SCOPED_TRACE(alpha ? "RGBA" : "RGB");
    const TBytes file = EncodePng(MakeImage(300, 200, ptNoise), alpha);
    ASSERT_TRUE(std::equal(Signature.begin(), Signature.end(), file.begin()));

    const std::vector<TChunk> chunks = ReadChunks(file);
    ASSERT_GE(chunks.size(), 3u);
    EXPECT_EQ(chunks.front().Type, "IHDR");
    EXPECT_EQ(chunks.front().Data, IhdrData(300, 200, 8, alpha ? 6 : 2));
    EXPECT_EQ(chunks.back().Type, "IEND");
    EXPECT_TRUE(chunks.back().Data.empty());
    TBytes stream;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
      EXPECT_TRUE(chunks[i].CrcOk) << "chunk " << i;
      if (i > 0 && i + 1 < chunks.size()) {
        EXPECT_EQ(chunks[i].Type, "IDAT");
        stream.insert(stream.end(), chunks[i].Data.begin(), chunks[i].Data.end());
      }
    }

    const std::size_t rowBytes = 300 * (alpha ? 4u : 3u);
    uLongf size = static_cast<uLongf>((rowBytes + 1) * 200);
    TBytes rows(size);
    ASSERT_EQ(uncompress(rows.data(), &size, stream.data(), static_cast<uLong>(stream.size())), Z_OK);
    EXPECT_EQ(size, (rowBytes + 1) * 200);
    for (std::size_t y = 0; y < 200; ++y)
      EXPECT_LE(rows[y * (rowBytes + 1)], 4) << "filter type of row " << y;
  }
}

// Screenshots are mostly smooth or repetitive; choosing a row filter is what makes them small
// (unfiltered, this image compresses to over 90% of its raw size).
TEST(PngEncodeTest, RowFiltersMakeSmoothImagesSmall) {
  TBitmap32 b(256, 256);
  for (std::uint32_t y = 0; y < 256; ++y)
    for (std::uint32_t x = 0; x < 256; ++x)
      b.SetPixel(static_cast<int>(x), static_cast<int>(y), 0xFF000000u | x << 16 | y << 8 | ((x * y) >> 8));
  EXPECT_LT(EncodePng(b).size(), b.ByteSize() * 3 / 4 / 10);
}

TEST(PngEncodeTest, EmptyImageRaisesImageError) {
  EXPECT_THROW(EncodePng(TBitmap32()), EImageError);
  EXPECT_THROW(EncodePng(TBitmap32(0, 5), true), EImageError);
}

} // namespace
} // namespace tarvel
