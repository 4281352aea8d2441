// The PNG decoder: every chunk, size and offset is checked before it is used.
#include "png/PngDecode.h"

#include <algorithm>
#include <optional>

#include "core/PngFormat.h"

namespace tarvel {

using namespace png;

namespace {

class TInflater {
public:
  TInflater() {
    if (inflateInit(&FStream) != Z_OK)
      Fail(u"PNG decoder could not initialise zlib");
  }
  ~TInflater() { inflateEnd(&FStream); }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;

  z_stream& Stream() noexcept { return FStream; }

private:
  z_stream FStream{};
};

class TPngDecoder {
public:
  explicit TPngDecoder(std::span<const std::uint8_t> AData) : FData(AData) {}
  TBitmap32 Decode();

private:
  void ReadHeader(const std::uint8_t* AData, std::uint32_t ALength);
  void ReadPalette(const std::uint8_t* AData, std::uint32_t ALength);
  void ReadTransparency(const std::uint8_t* AData, std::uint32_t ALength);
  void ReadImageData(const std::uint8_t* AData, std::uint32_t ALength);
  void CompleteRow();
  void ConvertRow(const std::uint8_t* ARaw, std::uint8_t* ADest) const;

  std::span<const std::uint8_t> FData;

  std::uint32_t FWidth = 0;
  std::uint32_t FHeight = 0;
  std::uint8_t FBitDepth = 0;
  std::uint8_t FColourType = 0;
  std::size_t FRowBytes = 0;  // filtered bytes per row, without the filter type byte
  std::size_t FFilterBpp = 0; // distance to the byte "to the left" for the filters

  // Palette entries and the tRNS alpha merged into BGRA; entries past FPaletteCount are invalid.
  std::array<std::uint32_t, 256> FPalette{};
  std::uint32_t FPaletteCount = 0;
  bool FHavePalette = false;
  bool FHaveTransparency = false;
  std::array<std::uint16_t, 3> FTransparentColour{}; // grey or RGB sample that means alpha 0

  enum class TIdatState { None, Reading, Done };
  TIdatState FIdatState = TIdatState::None;
  std::optional<TInflater> FInflater;
  bool FStreamEnded = false;
  std::vector<std::uint8_t> FRow;   // filter byte + current row, as it is inflated
  std::vector<std::uint8_t> FPrior; // previous row, unfiltered (zeros above the first)
  std::size_t FRowFilled = 0;
  std::uint32_t FRowsDone = 0;
  TBitmap32 FBitmap;
};

TBitmap32 TPngDecoder::Decode() {
  if (FData.size() < PngSignature.size())
    Fail(u"Not a PNG image: the data is too short");
  if (!std::equal(PngSignature.begin(), PngSignature.end(), FData.begin()))
    Fail(u"Not a PNG image: the signature is wrong");

  std::size_t pos = PngSignature.size();
  bool first = true;
  for (;;) {
    const std::size_t left = FData.size() - pos;
    if (left == 0)
      Fail(u"PNG data ends before the IEND chunk");
    if (left < 12)
      Fail(u"PNG data is truncated inside a chunk header");
    const std::uint8_t* head = FData.data() + pos;
    const std::uint32_t length = ReadBE32(head);
    const std::uint8_t* type = head + 4;
    if (length > MaxPngValue)
      Fail(Format(u"PNG chunk %s has an invalid length (%u bytes)", {ChunkName(type), length}));
    if (length > left - 12)
      Fail(Format(u"PNG chunk %s is truncated: %u bytes declared, %u available",
                  {ChunkName(type), length, static_cast<std::uint64_t>(left - 12)}));
    for (int i = 0; i < 4; ++i)
      if (!((type[i] >= 'A' && type[i] <= 'Z') || (type[i] >= 'a' && type[i] <= 'z')))
        Fail(u"PNG data contains a chunk with an invalid type name");
    const std::uint8_t* data = head + 8;
    if (ChunkCrc(type, data, length) != ReadBE32(data + length))
      Fail(Format(u"PNG chunk %s has a bad CRC", {ChunkName(type)}));
    pos += 12 + static_cast<std::size_t>(length);

    const bool isIdat = IsChunk(type, "IDAT");
    if (FIdatState == TIdatState::Reading && !isIdat)
      FIdatState = TIdatState::Done;

    if (first != IsChunk(type, "IHDR"))
      Fail(first ? u"PNG data does not start with an IHDR chunk" : u"PNG data has more than one IHDR chunk");
    if (first) {
      ReadHeader(data, length);
      first = false;
    } else if (IsChunk(type, "PLTE")) {
      ReadPalette(data, length);
    } else if (IsChunk(type, "tRNS")) {
      ReadTransparency(data, length);
    } else if (isIdat) {
      ReadImageData(data, length);
    } else if (IsChunk(type, "IEND")) {
      break;
    } else if ((type[0] & 0x20) == 0) {
      Fail(Format(u"PNG chunk %s is not supported", {ChunkName(type)}));
    }
    // Ancillary chunks (text, gamma, physical size...) do not change the pixels we produce.
  }

  if (FIdatState == TIdatState::None)
    Fail(u"PNG image has no IDAT chunk");
  if (FRowsDone < FHeight)
    Fail(Format(u"PNG image data is too short: %u of %u rows", {FRowsDone, FHeight}));
  return std::move(FBitmap);
}

void TPngDecoder::ReadHeader(const std::uint8_t* AData, std::uint32_t ALength) {
  if (ALength != 13)
    Fail(Format(u"PNG IHDR chunk has an invalid length (%u bytes)", {ALength}));
  FWidth = ReadBE32(AData);
  FHeight = ReadBE32(AData + 4);
  FBitDepth = AData[8];
  FColourType = AData[9];
  const std::uint8_t compression = AData[10];
  const std::uint8_t filter = AData[11];
  const std::uint8_t interlace = AData[12];

  if (FWidth == 0 || FHeight == 0 || FWidth > MaxPngValue || FHeight > MaxPngValue)
    Fail(Format(u"PNG image size %ux%u is invalid", {FWidth, FHeight}));
  if (compression != 0)
    Fail(Format(u"PNG image uses an unknown compression method %u", {compression}));
  if (filter != 0)
    Fail(Format(u"PNG image uses an unknown filter method %u", {filter}));
  if (interlace == 1)
    Fail(u"Interlaced PNG images are not supported");
  if (interlace != 0)
    Fail(Format(u"PNG image uses an unknown interlace method %u", {interlace}));

  int channels = 0;
  bool depthValid = false;
  switch (FColourType) {
  case pctGrey:
    channels = 1;
    depthValid = FBitDepth == 1 || FBitDepth == 2 || FBitDepth == 4 || FBitDepth == 8 || FBitDepth == 16;
    break;
  case pctPalette:
    channels = 1;
    depthValid = FBitDepth == 1 || FBitDepth == 2 || FBitDepth == 4 || FBitDepth == 8;
    break;
  case pctRgb:
    channels = 3;
    depthValid = FBitDepth == 8 || FBitDepth == 16;
    break;
  case pctGreyAlpha:
    channels = 2;
    depthValid = FBitDepth == 8 || FBitDepth == 16;
    break;
  case pctRgba:
    channels = 4;
    depthValid = FBitDepth == 8 || FBitDepth == 16;
    break;
  default: break;
  }
  if (!depthValid)
    Fail(Format(u"PNG image has an invalid combination of colour type %u and bit depth %u", {FColourType, FBitDepth}));
  if (FBitDepth == 16)
    Fail(u"PNG images with 16 bits per sample are not supported");

  // Refuse absurd sizes before anything is sized from them.
  TBitmap32::CheckSize(FWidth, FHeight);
  const std::size_t bitsPerPixel = static_cast<std::size_t>(channels) * FBitDepth;
  FRowBytes = (static_cast<std::size_t>(FWidth) * bitsPerPixel + 7) / 8;
  FFilterBpp = std::max<std::size_t>(1, bitsPerPixel / 8);
}

void TPngDecoder::ReadPalette(const std::uint8_t* AData, std::uint32_t ALength) {
  if (FIdatState != TIdatState::None)
    Fail(u"PNG PLTE chunk comes after the image data");
  if (FHavePalette)
    Fail(u"PNG data has more than one PLTE chunk");
  if (FColourType == pctGrey || FColourType == pctGreyAlpha)
    Fail(u"PNG greyscale image has a PLTE chunk");
  if (ALength == 0 || ALength % 3 != 0 || ALength > 256 * 3)
    Fail(Format(u"PNG PLTE chunk has an invalid length (%u bytes)", {ALength}));
  FHavePalette = true;
  // A palette in a true-colour image is only a suggestion for limited displays.
  if (FColourType != pctPalette)
    return;
  FPaletteCount = ALength / 3;
  for (std::uint32_t i = 0; i < FPaletteCount; ++i) {
    const std::uint8_t* p = AData + i * 3;
    FPalette[i] = 0xFF000000u | static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
  }
}

void TPngDecoder::ReadTransparency(const std::uint8_t* AData, std::uint32_t ALength) {
  // Too late to apply once pixels are decoded, and meaningless with an alpha channel.
  if (FIdatState != TIdatState::None || FHaveTransparency || FColourType == pctGreyAlpha || FColourType == pctRgba)
    return;
  switch (FColourType) {
  case pctPalette:
    if (!FHavePalette)
      Fail(u"PNG tRNS chunk comes before the PLTE chunk");
    if (ALength > FPaletteCount)
      Fail(Format(u"PNG tRNS chunk has %u entries but the palette only %u", {ALength, FPaletteCount}));
    for (std::uint32_t i = 0; i < ALength; ++i)
      FPalette[i] = (FPalette[i] & 0x00FFFFFFu) | static_cast<std::uint32_t>(AData[i]) << 24;
    break;
  case pctGrey:
    if (ALength != 2)
      Fail(Format(u"PNG tRNS chunk has an invalid length (%u bytes)", {ALength}));
    FTransparentColour[0] = ReadBE16(AData);
    break;
  case pctRgb:
    if (ALength != 6)
      Fail(Format(u"PNG tRNS chunk has an invalid length (%u bytes)", {ALength}));
    for (int i = 0; i < 3; ++i)
      FTransparentColour[static_cast<std::size_t>(i)] = ReadBE16(AData + 2 * i);
    break;
  default: break;
  }
  FHaveTransparency = true;
}

void TPngDecoder::ReadImageData(const std::uint8_t* AData, std::uint32_t ALength) {
  if (FIdatState == TIdatState::Done)
    Fail(u"PNG IDAT chunks are not consecutive");
  if (FIdatState == TIdatState::None) {
    if (FColourType == pctPalette && !FHavePalette)
      Fail(u"PNG palette image has no PLTE chunk before its image data");
    FIdatState = TIdatState::Reading;
    // The image is only allocated once there is image data to fill it.
    FBitmap = TBitmap32(static_cast<int>(FWidth), static_cast<int>(FHeight));
    FRow.assign(FRowBytes + 1, 0);
    FPrior.assign(FRowBytes + 1, 0);
    FInflater.emplace();
  }
  if (FStreamEnded || FRowsDone == FHeight)
    return; // anything after the expected rows is ignored

  z_stream& zs = FInflater->Stream();
  zs.next_in = const_cast<Bytef*>(AData);
  zs.avail_in = ALength;
  while (zs.avail_in > 0 && FRowsDone < FHeight) {
    zs.next_out = FRow.data() + FRowFilled;
    zs.avail_out = static_cast<uInt>(FRow.size() - FRowFilled);
    const uInt inBefore = zs.avail_in;
    const uInt outBefore = zs.avail_out;
    const int rc = inflate(&zs, Z_NO_FLUSH);
    FRowFilled = FRow.size() - zs.avail_out;
    if (FRowFilled == FRow.size())
      CompleteRow();
    if (rc == Z_STREAM_END) {
      FStreamEnded = true;
      break;
    }
    if (rc == Z_NEED_DICT)
      Fail(u"PNG image data is corrupt: the zlib stream asks for a preset dictionary");
    if (rc == Z_MEM_ERROR)
      Fail(u"Out of memory while decoding PNG image data");
    if (rc != Z_OK && rc != Z_BUF_ERROR)
      Fail(Format(u"PNG image data is corrupt (zlib: %s)", {FromUtf8(zs.msg != nullptr ? zs.msg : "unknown error")}));
    if (zs.avail_in == inBefore && zs.avail_out == outBefore)
      break; // no progress: zlib needs more input than this chunk holds
  }
}

void TPngDecoder::CompleteRow() {
  const std::uint8_t filter = FRow[0];
  if (filter >= PngFilterCount)
    Fail(Format(u"PNG row %u has an invalid filter type %u", {FRowsDone, filter}));
  std::uint8_t* row = FRow.data() + 1;
  const std::uint8_t* prior = FPrior.data() + 1;
  const std::size_t bpp = FFilterBpp;
  const std::size_t n = FRowBytes;
  switch (filter) {
  case pfNone: break;
  case pfSub:
    for (std::size_t i = bpp; i < n; ++i)
      row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
    break;
  case pfUp:
    for (std::size_t i = 0; i < n; ++i)
      row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
    break;
  case pfAverage:
    for (std::size_t i = 0; i < n; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0;
      row[i] = static_cast<std::uint8_t>(row[i] + (a + prior[i]) / 2);
    }
    break;
  case pfPaeth:
    for (std::size_t i = 0; i < n; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0;
      const int c = i >= bpp ? prior[i - bpp] : 0;
      row[i] = static_cast<std::uint8_t>(row[i] + PaethPredictor(a, prior[i], c));
    }
    break;
  }
  ConvertRow(row, FBitmap.Scanline(static_cast<int>(FRowsDone)));
  std::swap(FRow, FPrior);
  FRowFilled = 0;
  ++FRowsDone;
}

void TPngDecoder::ConvertRow(const std::uint8_t* ARaw, std::uint8_t* ADest) const {
  const auto put = [&ADest](std::uint32_t AX, std::uint8_t AR, std::uint8_t AG, std::uint8_t AB, std::uint8_t AA) {
    std::uint8_t* p = ADest + static_cast<std::size_t>(AX) * TBitmap32::BytesPerPixel;
    p[0] = AB;
    p[1] = AG;
    p[2] = AR;
    p[3] = AA;
  };
  const unsigned depth = FBitDepth;
  const unsigned maxSample = (1u << depth) - 1;
  // Samples narrower than a byte are packed from the most significant bit.
  const auto sample = [ARaw, depth, maxSample](std::uint32_t AX) -> unsigned {
    const std::size_t bit = static_cast<std::size_t>(AX) * depth;
    return (ARaw[bit / 8] >> (8 - depth - bit % 8)) & maxSample;
  };

  switch (FColourType) {
  case pctGrey:
    for (std::uint32_t x = 0; x < FWidth; ++x) {
      const unsigned v = sample(x);
      const auto g = static_cast<std::uint8_t>(v * 255 / maxSample);
      put(x, g, g, g, FHaveTransparency && v == FTransparentColour[0] ? 0 : 255);
    }
    break;
  case pctGreyAlpha:
    for (std::uint32_t x = 0; x < FWidth; ++x) {
      const std::uint8_t* s = ARaw + static_cast<std::size_t>(x) * 2;
      put(x, s[0], s[0], s[0], s[1]);
    }
    break;
  case pctRgb:
    for (std::uint32_t x = 0; x < FWidth; ++x) {
      const std::uint8_t* s = ARaw + static_cast<std::size_t>(x) * 3;
      const bool clear = FHaveTransparency && s[0] == FTransparentColour[0] && s[1] == FTransparentColour[1] &&
                         s[2] == FTransparentColour[2];
      put(x, s[0], s[1], s[2], clear ? 0 : 255);
    }
    break;
  case pctRgba:
    for (std::uint32_t x = 0; x < FWidth; ++x) {
      const std::uint8_t* s = ARaw + static_cast<std::size_t>(x) * 4;
      put(x, s[0], s[1], s[2], s[3]);
    }
    break;
  case pctPalette:
    for (std::uint32_t x = 0; x < FWidth; ++x) {
      const unsigned index = sample(x);
      if (index >= FPaletteCount)
        Fail(Format(u"PNG palette index %u is out of range (the palette has %u entries)", {index, FPaletteCount}));
      const std::uint32_t c = FPalette[index];
      std::memcpy(ADest + static_cast<std::size_t>(x) * TBitmap32::BytesPerPixel, &c, sizeof c);
    }
    break;
  default: break;
  }
}

} // namespace

TBitmap32 DecodePng(std::span<const std::uint8_t> AData) {
  return TPngDecoder(AData).Decode();
}

} // namespace tarvel
