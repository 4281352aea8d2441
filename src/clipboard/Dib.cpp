#include "clipboard/Dib.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <string>

#include "core/Bytes.h"
#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {

namespace {

// The information header sizes: core, BITMAPINFOHEADER, the two extensions with the RGB
// masks and with the RGB and alpha masks, V4 and V5.
constexpr std::uint32_t CoreHeaderSize = 12;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::uint32_t RgbMasksHeaderSize = 52;
constexpr std::uint32_t AlphaMaskHeaderSize = 56;
constexpr std::uint32_t V4HeaderSize = 108;
constexpr std::uint32_t V5HeaderSize = 124;

enum TDibCompression : std::uint32_t {
  dcRgb = 0,
  dcRle8 = 1,
  dcRle4 = 2,
  dcBitfields = 3,
  dcJpeg = 4,
  dcPng = 5,
  dcAlphaBitfields = 6,
};

// Where the fourth byte of each output pixel comes from.
// Either channel counts only when it is not 0 in every pixel: programs (and the system's own
// conversions) often declare an alpha channel they leave 0, and such an image is meant to
// be opaque, never wholly invisible.
enum class TAlphaSource {
  Opaque,  // no alpha channel: 0xFF
  Mask,    // the alpha mask given in the block
  TopByte, // the free top byte of a 32-bit pixel
};

constexpr std::uint32_t OpaqueBlack = 0xFF000000u;
constexpr std::uint32_t StandardRed = 0x00FF0000u;
constexpr std::uint32_t StandardGreen = 0x0000FF00u;
constexpr std::uint32_t StandardBlue = 0x000000FFu;
constexpr std::uint32_t TopByte = 0xFF000000u;

[[noreturn]] void Fail(std::u16string_view AMessage) {
  throw EImageError(u"Clipboard image: " + std::u16string(AMessage));
}

std::u16string Hex32(std::uint32_t AValue) {
  std::u16string r = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4)
    r += u"0123456789ABCDEF"[(AValue >> shift) & 0xF];
  return r;
}

std::u16string CompressionName(std::uint32_t ACompression) {
  switch (ACompression) {
  case dcRle8: return u"BI_RLE8";
  case dcRle4: return u"BI_RLE4";
  case dcJpeg: return u"BI_JPEG";
  case dcPng: return u"BI_PNG";
  default: return UIntToStr(ACompression);
  }
}

// One colour channel of a bitfields pixel: the bits under its mask, widened or narrowed to
// 8 bits through a table (a narrow field repeats its bits, so its maximum maps to 255).
class TChannel {
public:
  TChannel() = default;

  // AMask must be one run of bits (or 0, which reads as 0).
  explicit TChannel(std::uint32_t AMask) {
    if (AMask == 0)
      return;
    FShift = std::countr_zero(AMask);
    int bits = std::popcount(AMask);
    if (bits > 8) {
      // Only the top 8 bits of a wide field matter.
      FShift += bits - 8;
      bits = 8;
    }
    FValueMask = (1u << bits) - 1;
    for (std::uint32_t v = 0; v <= FValueMask; ++v) {
      std::uint32_t x = v << (32 - bits);
      for (int filled = bits; filled < 8; filled *= 2)
        x |= x >> filled;
      FTable[v] = static_cast<std::uint8_t>(x >> 24);
    }
  }

  static TChannel Constant(std::uint8_t AValue) {
    TChannel c;
    c.FTable[0] = AValue;
    return c;
  }

  std::uint32_t Value(std::uint32_t APixel) const noexcept { return FTable[(APixel >> FShift) & FValueMask]; }

private:
  int FShift = 0;
  std::uint32_t FValueMask = 0;
  std::array<std::uint8_t, 256> FTable{};
};

bool IsOneRunOfBits(std::uint32_t AMask) noexcept {
  if (AMask == 0)
    return true;
  const std::uint32_t m = AMask >> std::countr_zero(AMask);
  return (m & (m + 1)) == 0;
}

// What the header and the block around it say, all checked against the block.
struct TDibLayout {
  std::uint32_t HeaderSize = 0;
  int Width = 0;
  int Height = 0;
  bool BottomUp = true;
  int BitCount = 0;
  std::uint32_t Compression = dcRgb;
  // Red, green, blue, alpha; meaningful for 16 and 32 bits only.
  std::array<std::uint32_t, 4> Masks{};
  TAlphaSource Alpha = TAlphaSource::Opaque;
  std::array<std::uint32_t, 256> Palette{};
  std::size_t Stride = 0;
  const std::uint8_t* Pixels = nullptr;
};

class TDibReader {
public:
  TDibReader(const std::uint8_t* AData, std::size_t ASize) : FData(AData), FSize(ASize) {}
  TDibLayout Read();

private:
  const std::uint8_t* FData;
  std::size_t FSize;

  // Fails unless ABytes more bytes fit at APos (at most FSize); AWhat ("the X ends") opens
  // the message.
  void Need(std::uint64_t APos, std::uint64_t ABytes, std::u16string_view AWhat) const {
    if (ABytes > FSize - APos)
      Fail(Format(u"%s past the block (needs %u bytes, has %u)", {AWhat, APos + ABytes, FSize}));
  }
};

TDibLayout TDibReader::Read() {
  if (FData == nullptr)
    Fail(u"there is no data");
  if (FSize == 0)
    Fail(u"the block is empty");
  if (FSize < 4)
    Fail(Format(u"the block is too short to hold a header (%u bytes)", {FSize}));

  TDibLayout l;
  l.HeaderSize = ReadLE32(FData);
  switch (l.HeaderSize) {
  case CoreHeaderSize:
  case InfoHeaderSize:
  case RgbMasksHeaderSize:
  case AlphaMaskHeaderSize:
  case V4HeaderSize:
  case V5HeaderSize: break;
  default: Fail(Format(u"header size %u is not supported", {l.HeaderSize}));
  }
  Need(0, l.HeaderSize, u"the header ends");

  const bool core = l.HeaderSize == CoreHeaderSize;
  std::int64_t width = 0;
  std::int64_t height = 0;
  int planes = 0;
  std::uint32_t colourCount = 0;
  if (core) {
    width = ReadLE16(FData + 4);
    height = ReadLE16(FData + 6);
    planes = ReadLE16(FData + 8);
    l.BitCount = ReadLE16(FData + 10);
  } else {
    width = static_cast<std::int32_t>(ReadLE32(FData + 4));
    height = static_cast<std::int32_t>(ReadLE32(FData + 8));
    planes = ReadLE16(FData + 12);
    l.BitCount = ReadLE16(FData + 14);
    l.Compression = ReadLE32(FData + 16);
    colourCount = ReadLE32(FData + 32);
  }

  if (planes != 1)
    Fail(Format(u"the plane count is %d, not 1", {planes}));
  // Compression first: JPEG and PNG images declare 0 bits per pixel.
  switch (l.Compression) {
  case dcRgb:
  case dcBitfields:
  case dcAlphaBitfields: break;
  case dcRle8:
  case dcRle4:
  case dcJpeg:
  case dcPng: Fail(Format(u"compression %s is not supported", {CompressionName(l.Compression)}));
  default: Fail(Format(u"compression %u is unknown", {l.Compression}));
  }
  const bool validBits = l.BitCount == 1 || l.BitCount == 4 || l.BitCount == 8 || l.BitCount == 24 ||
                         (!core && (l.BitCount == 16 || l.BitCount == 32));
  if (!validBits)
    Fail(Format(u"%d bits per pixel are not supported with a %u-byte header", {l.BitCount, l.HeaderSize}));
  const bool bitfields = l.Compression == dcBitfields || l.Compression == dcAlphaBitfields;
  if (bitfields && l.BitCount != 16 && l.BitCount != 32)
    Fail(Format(u"bitfields need 16 or 32 bits per pixel, not %d", {l.BitCount}));

  if (width <= 0)
    Fail(Format(u"the width %d is invalid", {width}));
  if (height == 0 || height == INT_MIN)
    Fail(Format(u"the height %d is invalid", {height}));
  l.BottomUp = height > 0;
  height = height < 0 ? -height : height;
  if (width > TBitmap32::MaxSide || height > TBitmap32::MaxSide || width * height > MaxDibPixels)
    Fail(Format(u"the size %dx%d is too large (at most %d per side and %d pixels)",
                {width, height, TBitmap32::MaxSide, MaxDibPixels}));
  l.Width = static_cast<int>(width);
  l.Height = static_cast<int>(height);

  std::uint64_t pos = l.HeaderSize;

  // Colour masks.
  if (bitfields) {
    if (l.HeaderSize == InfoHeaderSize) {
      const int count = l.Compression == dcAlphaBitfields ? 4 : 3;
      Need(pos, 4u * count, u"the colour masks end");
      for (int i = 0; i < count; ++i)
        l.Masks[static_cast<std::size_t>(i)] = ReadLE32(FData + pos + 4u * i);
      pos += 4u * count;
    } else {
      for (std::size_t i = 0; i < 3; ++i)
        l.Masks[i] = ReadLE32(FData + InfoHeaderSize + 4 * i);
      if (l.HeaderSize >= AlphaMaskHeaderSize)
        l.Masks[3] = ReadLE32(FData + InfoHeaderSize + 12);
    }
  } else if (l.BitCount == 16) {
    l.Masks = {0x7C00u, 0x03E0u, 0x001Fu, 0};
  } else if (l.BitCount == 32) {
    l.Masks = {StandardRed, StandardGreen, StandardBlue, 0};
  }
  if (l.BitCount == 16)
    for (std::uint32_t& mask : l.Masks)
      mask &= 0xFFFFu;
  static constexpr const char16_t* MaskNames[] = {u"red", u"green", u"blue", u"alpha"};
  for (std::size_t i = 0; i < 4; ++i)
    if (!IsOneRunOfBits(l.Masks[i]))
      Fail(Format(u"the %s colour mask %s is not one run of bits", {MaskNames[i], Hex32(l.Masks[i])}));
  if (l.BitCount >= 16) {
    if (l.Masks[3] != 0)
      l.Alpha = TAlphaSource::Mask;
    else if (l.BitCount == 32 && ((l.Masks[0] | l.Masks[1] | l.Masks[2]) & TopByte) == 0)
      l.Alpha = TAlphaSource::TopByte;
  }

  // The colour table: the palette up to 8 bits, an optional table to skip above.
  const std::uint64_t entrySize = core ? 3 : 4;
  std::uint64_t entries = colourCount;
  if (l.BitCount <= 8 && (core || colourCount == 0))
    entries = std::uint64_t{1} << l.BitCount;
  const std::uint64_t tableBytes = entries * entrySize;
  l.Stride = static_cast<std::size_t>((static_cast<std::uint64_t>(l.Width) * l.BitCount + 31) / 32 * 4);
  const std::uint64_t pixelBytes = static_cast<std::uint64_t>(l.Stride) * static_cast<std::uint64_t>(l.Height);

  // The system's copy of the masks after a larger header.
  if (bitfields && l.HeaderSize > InfoHeaderSize && FSize - pos >= 12 && FSize - pos - 12 >= tableBytes &&
      FSize - pos - 12 - tableBytes >= pixelBytes) {
    bool repeated = true;
    for (std::size_t i = 0; i < 3; ++i)
      repeated = repeated && ReadLE32(FData + pos + 4 * i) == ReadLE32(FData + InfoHeaderSize + 4 * i);
    if (repeated)
      pos += 12;
  }

  Need(pos, tableBytes, u"the colour table ends");
  l.Palette.fill(OpaqueBlack);
  if (l.BitCount <= 8) {
    const std::size_t used = static_cast<std::size_t>(std::min<std::uint64_t>(entries, l.Palette.size()));
    for (std::size_t i = 0; i < used; ++i) {
      const std::uint8_t* e = FData + pos + i * entrySize;
      l.Palette[i] =
          OpaqueBlack | static_cast<std::uint32_t>(e[2]) << 16 | static_cast<std::uint32_t>(e[1]) << 8 | e[0];
    }
  }
  pos += tableBytes;

  Need(pos, pixelBytes, u"the pixel data ends");
  l.Pixels = FData + pos;
  return l;
}

// The block's row that becomes row AY of the top-down image.
const std::uint8_t* SourceRow(const TDibLayout& ALayout, int AY) noexcept {
  const int row = ALayout.BottomUp ? ALayout.Height - 1 - AY : AY;
  return ALayout.Pixels + ALayout.Stride * static_cast<std::size_t>(row);
}

// The row converters take the width by value and return sums rather than adding to a
// caller's variable: their stores go through byte pointers, which may alias anything reached
// through a reference, so such a value would be reloaded after every store and the loops
// would not be vectorised.

void PaletteRow1(const std::uint8_t* ASource, std::uint8_t* ADest, std::size_t AWidth,
                 const std::uint32_t* APalette) noexcept {
  for (std::size_t x = 0; x < AWidth; ++x)
    StoreLE32(ADest + 4 * x, APalette[(ASource[x >> 3] >> (7 - (x & 7))) & 1]);
}

void PaletteRow4(const std::uint8_t* ASource, std::uint8_t* ADest, std::size_t AWidth,
                 const std::uint32_t* APalette) noexcept {
  for (std::size_t x = 0; x < AWidth; ++x)
    StoreLE32(ADest + 4 * x, APalette[(ASource[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]);
}

void PaletteRow8(const std::uint8_t* ASource, std::uint8_t* ADest, std::size_t AWidth,
                 const std::uint32_t* APalette) noexcept {
  for (std::size_t x = 0; x < AWidth; ++x)
    StoreLE32(ADest + 4 * x, APalette[ASource[x]]);
}

void RgbRow(const std::uint8_t* ASource, std::uint8_t* ADest, std::size_t AWidth) noexcept {
  for (std::size_t x = 0; x < AWidth; ++x) {
    ADest[4 * x] = ASource[3 * x];
    ADest[4 * x + 1] = ASource[3 * x + 1];
    ADest[4 * x + 2] = ASource[3 * x + 2];
    ADest[4 * x + 3] = 0xFF;
  }
}

// Copies BGRA pixels with the top byte set to 0xFF; returns the OR of the source pixels.
// The row is copied whole first and then patched while it is still in the cache: the
// library's copy moves large blocks faster than a loop that writes each pixel to memory.
// Kept out of line: inlined into the decoder, GCC 12 leaves the patch loop scalar, which
// makes a full-screen image about three times slower.
[[gnu::noinline]] std::uint32_t OpaqueBgraRow(const std::uint8_t* ASource, std::uint8_t* ADest,
                                              std::size_t AWidth) noexcept {
  std::memcpy(ADest, ASource, 4 * AWidth);
  std::uint32_t seen = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (std::size_t x = 0; x < AWidth; ++x) {
      std::uint32_t v;
      std::memcpy(&v, ADest + 4 * x, 4);
      seen |= v;
      v |= TopByte;
      std::memcpy(ADest + 4 * x, &v, 4);
    }
  } else {
    for (std::size_t x = 0; x < AWidth; ++x) {
      seen |= ReadLE32(ADest + 4 * x);
      ADest[4 * x + 3] = 0xFF;
    }
  }
  return seen;
}

void DecodePaletteRows(const TDibLayout& ALayout, TBitmap32& ABitmap) {
  const auto row = ALayout.BitCount == 1 ? PaletteRow1 : ALayout.BitCount == 4 ? PaletteRow4 : PaletteRow8;
  const std::size_t width = static_cast<std::size_t>(ALayout.Width);
  for (int y = 0; y < ALayout.Height; ++y)
    row(SourceRow(ALayout, y), ABitmap.Scanline(y), width, ALayout.Palette.data());
}

void DecodeRgbRows(const TDibLayout& ALayout, TBitmap32& ABitmap) {
  const std::size_t width = static_cast<std::size_t>(ALayout.Width);
  for (int y = 0; y < ALayout.Height; ++y)
    RgbRow(SourceRow(ALayout, y), ABitmap.Scanline(y), width);
}

void CopyRows(const TDibLayout& ALayout, TBitmap32& ABitmap) {
  for (int y = 0; y < ALayout.Height; ++y)
    std::memcpy(ABitmap.Scanline(y), SourceRow(ALayout, y), ABitmap.Stride());
}

// 32-bit pixels already in BGRA order; an alpha mask here is the top byte.
void DecodeBgraRows(const TDibLayout& ALayout, TBitmap32& ABitmap) {
  // Most such images leave the top byte 0, so the copy makes them opaque as it goes and
  // notes whether any top byte was set; only then is it copied again as it is.
  const std::size_t width = static_cast<std::size_t>(ALayout.Width);
  std::uint32_t seen = 0;
  for (int y = 0; y < ALayout.Height; ++y)
    seen |= OpaqueBgraRow(SourceRow(ALayout, y), ABitmap.Scanline(y), width);
  if ((seen & TopByte) != 0)
    CopyRows(ALayout, ABitmap);
}

void DecodeBitfieldRows(const TDibLayout& ALayout, TBitmap32& ABitmap) {
  const TChannel red(ALayout.Masks[0]);
  const TChannel green(ALayout.Masks[1]);
  const TChannel blue(ALayout.Masks[2]);
  const TChannel alpha = ALayout.Alpha == TAlphaSource::Opaque ? TChannel::Constant(0xFF)
                         : ALayout.Alpha == TAlphaSource::Mask ? TChannel(ALayout.Masks[3])
                                                               : TChannel(TopByte);
  const std::size_t width = static_cast<std::size_t>(ALayout.Width);
  const bool wide = ALayout.BitCount == 32;
  std::uint32_t seen = 0;
  for (int y = 0; y < ALayout.Height; ++y) {
    const std::uint8_t* source = SourceRow(ALayout, y);
    std::uint8_t* dest = ABitmap.Scanline(y);
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint32_t v = wide ? ReadLE32(source + 4 * x) : ReadLE16(source + 2 * x);
      seen |= v;
      StoreLE32(dest + 4 * x, blue.Value(v) | green.Value(v) << 8 | red.Value(v) << 16 | alpha.Value(v) << 24);
    }
  }
  const std::uint32_t alphaBits = ALayout.Alpha == TAlphaSource::Mask ? ALayout.Masks[3] : TopByte;
  if (ALayout.Alpha != TAlphaSource::Opaque && (seen & alphaBits) == 0)
    for (int y = 0; y < ALayout.Height; ++y) {
      std::uint8_t* dest = ABitmap.Scanline(y);
      for (std::size_t x = 0; x < width; ++x)
        dest[4 * x + 3] = 0xFF;
    }
}

} // namespace

TBitmap32 DecodeDib(const std::uint8_t* AData, std::size_t ASize) {
  const TDibLayout layout = TDibReader(AData, ASize).Read();
  TBitmap32 bitmap(layout.Width, layout.Height);
  const auto& m = layout.Masks;
  if (layout.BitCount <= 8)
    DecodePaletteRows(layout, bitmap);
  else if (layout.BitCount == 24)
    DecodeRgbRows(layout, bitmap);
  else if (layout.BitCount == 32 && m[0] == StandardRed && m[1] == StandardGreen && m[2] == StandardBlue &&
           (m[3] == 0 || m[3] == TopByte))
    DecodeBgraRows(layout, bitmap);
  else
    DecodeBitfieldRows(layout, bitmap);
  return bitmap;
}

std::vector<std::uint8_t> EncodeDib(const TBitmap32& ABitmap) {
  if (ABitmap.Empty())
    throw EImageError(u"Clipboard image: an empty image cannot be encoded");
  const std::size_t stride = ABitmap.Stride();
  std::vector<std::uint8_t> out(InfoHeaderSize + ABitmap.ByteSize());
  std::uint8_t* h = out.data();
  StoreLE32(h, InfoHeaderSize);
  StoreLE32(h + 4, static_cast<std::uint32_t>(ABitmap.Width()));
  StoreLE32(h + 8, static_cast<std::uint32_t>(ABitmap.Height()));
  h[12] = 1;  // planes
  h[14] = 32; // bits per pixel
  // Compression BI_RGB, the image size, resolution and colour counts.
  StoreLE32(h + 16, dcRgb);
  StoreLE32(h + 20, static_cast<std::uint32_t>(ABitmap.ByteSize()));
  std::uint8_t* pixels = out.data() + InfoHeaderSize;
  for (int y = 0; y < ABitmap.Height(); ++y)
    std::memcpy(pixels + stride * static_cast<std::size_t>(ABitmap.Height() - 1 - y), ABitmap.Scanline(y), stride);
  return out;
}

} // namespace tarvel
