#include "core/Png.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {

namespace {

constexpr std::array<std::uint8_t, 8> PngSignature = {137, 80, 78, 71, 13, 10, 26, 10};
// The PNG format limits chunk lengths and image sides to 2^31 - 1.
constexpr std::uint32_t MaxPngValue = 0x7FFFFFFFu;
// Encoder output is split into IDAT chunks of this size so no chunk needs the whole stream.
constexpr std::size_t IdatChunkSize = 64 * 1024;

enum TPngColourType : std::uint8_t {
  pctGrey = 0,
  pctRgb = 2,
  pctPalette = 3,
  pctGreyAlpha = 4,
  pctRgba = 6,
};

enum TPngFilter : std::uint8_t {
  pfNone = 0,
  pfSub = 1,
  pfUp = 2,
  pfAverage = 3,
  pfPaeth = 4,
};
constexpr int PngFilterCount = 5;

[[noreturn]] void Fail(std::u16string AMessage) {
  throw EImageError(std::move(AMessage));
}

std::uint32_t ReadBE32(const std::uint8_t* AData) noexcept {
  return static_cast<std::uint32_t>(AData[0]) << 24 | static_cast<std::uint32_t>(AData[1]) << 16 |
         static_cast<std::uint32_t>(AData[2]) << 8 | static_cast<std::uint32_t>(AData[3]);
}

std::uint16_t ReadBE16(const std::uint8_t* AData) noexcept {
  return static_cast<std::uint16_t>(AData[0] << 8 | AData[1]);
}

void AppendBE32(std::vector<std::uint8_t>& AOut, std::uint32_t AValue) {
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 24));
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 16));
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 8));
  AOut.push_back(static_cast<std::uint8_t>(AValue));
}

std::uint32_t ChunkCrc(const std::uint8_t* AType, const std::uint8_t* AData, std::uint32_t ALength) noexcept {
  uLong crc = crc32(0, AType, 4);
  // crc32 given a null buffer returns the initial value instead of continuing, and empty
  // chunks may come with a null data pointer.
  if (ALength > 0)
    crc = crc32(crc, AData, ALength);
  return static_cast<std::uint32_t>(crc);
}

void AppendChunk(std::vector<std::uint8_t>& AOut, const char* AType, const std::uint8_t* AData, std::size_t ALength) {
  const auto* type = reinterpret_cast<const std::uint8_t*>(AType);
  AppendBE32(AOut, static_cast<std::uint32_t>(ALength));
  AOut.insert(AOut.end(), type, type + 4);
  if (ALength > 0)
    AOut.insert(AOut.end(), AData, AData + ALength);
  AppendBE32(AOut, ChunkCrc(type, AData, static_cast<std::uint32_t>(ALength)));
}

std::uint8_t PaethPredictor(int AA, int AB, int AC) noexcept {
  const int pa = std::abs(AB - AC);
  const int pb = std::abs(AA - AC);
  const int pc = std::abs(AA + AB - 2 * AC);
  if (pa <= pb && pa <= pc)
    return static_cast<std::uint8_t>(AA);
  return static_cast<std::uint8_t>(pb <= pc ? AB : AC);
}

// Chunk names come from untrusted data; only letters are shown verbatim.
std::u16string ChunkName(const std::uint8_t* AType) {
  std::u16string r;
  for (int i = 0; i < 4; ++i) {
    const std::uint8_t c = AType[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    r += letter ? static_cast<char16_t>(c) : u'?';
  }
  return r;
}

bool IsChunk(const std::uint8_t* AType, const char* AName) noexcept {
  return std::memcmp(AType, AName, 4) == 0;
}

// ---------------------------------------------------------------------------------------
// Encoder

class TDeflater {
public:
  TDeflater() {
    if (deflateInit(&FStream, Z_DEFAULT_COMPRESSION) != Z_OK)
      Fail(u"PNG encoder could not initialise zlib");
  }
  ~TDeflater() { deflateEnd(&FStream); }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  // Compresses AData (or finishes the stream when AFinish), emitting full IDAT chunks as the
  // staging buffer fills.
  void Feed(const std::uint8_t* AData, std::size_t ALength, bool AFinish, std::vector<std::uint8_t>& AOut) {
    FStream.next_in = const_cast<Bytef*>(AData);
    FStream.avail_in = static_cast<uInt>(ALength);
    for (;;) {
      FStream.next_out = FBuffer.data() + FUsed;
      FStream.avail_out = static_cast<uInt>(FBuffer.size() - FUsed);
      const int rc = deflate(&FStream, AFinish ? Z_FINISH : Z_NO_FLUSH);
      if (rc == Z_STREAM_ERROR)
        Fail(u"PNG encoder: zlib deflate failed");
      FUsed = FBuffer.size() - FStream.avail_out;
      if (FUsed == FBuffer.size()) {
        AppendChunk(AOut, "IDAT", FBuffer.data(), FUsed);
        FUsed = 0;
        continue;
      }
      if (AFinish ? rc == Z_STREAM_END : FStream.avail_in == 0)
        break;
    }
    if (AFinish && FUsed > 0) {
      AppendChunk(AOut, "IDAT", FBuffer.data(), FUsed);
      FUsed = 0;
    }
  }

private:
  z_stream FStream{};
  std::vector<std::uint8_t> FBuffer = std::vector<std::uint8_t>(IdatChunkSize);
  std::size_t FUsed = 0;
};

// Filters ARow (with APrior, the unfiltered row above) with AFilter into ADest, whose first
// byte receives the filter type. Returns the sum of the filtered bytes read as signed values,
// the usual estimate of how well a row will compress. One loop per filter keeps the inner
// loops free of branches; this runs five times per row.
std::uint64_t FilterRow(TPngFilter AFilter, const std::uint8_t* ARow, const std::uint8_t* APrior, std::size_t ALength,
                        std::size_t ABpp, std::uint8_t* ADest) noexcept {
  ADest[0] = AFilter;
  std::uint8_t* out = ADest + 1;
  const std::size_t lead = std::min(ABpp, ALength); // bytes without a left neighbour
  switch (AFilter) {
  case pfNone: std::memcpy(out, ARow, ALength); break;
  case pfSub:
    std::memcpy(out, ARow, lead);
    for (std::size_t i = lead; i < ALength; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - ARow[i - ABpp]);
    break;
  case pfUp:
    for (std::size_t i = 0; i < ALength; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - APrior[i]);
    break;
  case pfAverage:
    for (std::size_t i = 0; i < lead; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - APrior[i] / 2);
    for (std::size_t i = lead; i < ALength; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - (ARow[i - ABpp] + APrior[i]) / 2);
    break;
  case pfPaeth:
    // Without a left neighbour the Paeth predictor is the byte above.
    for (std::size_t i = 0; i < lead; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - APrior[i]);
    for (std::size_t i = lead; i < ALength; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - PaethPredictor(ARow[i - ABpp], APrior[i], APrior[i - ABpp]));
    break;
  }
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < ALength; ++i)
    sum += static_cast<std::uint64_t>(std::abs(static_cast<int>(static_cast<std::int8_t>(out[i]))));
  return sum;
}

// ---------------------------------------------------------------------------------------
// Decoder

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

std::vector<std::uint8_t> EncodePng(const TBitmap32& ABitmap, bool AWithAlpha) {
  if (ABitmap.Empty())
    Fail(u"An empty image cannot be saved as PNG");
  const std::size_t channels = AWithAlpha ? 4 : 3;
  const auto width = static_cast<std::size_t>(ABitmap.Width());
  const std::size_t rowBytes = width * channels;

  std::vector<std::uint8_t> out(PngSignature.begin(), PngSignature.end());
  std::array<std::uint8_t, 13> header{};
  for (int i = 0; i < 4; ++i) {
    header[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ABitmap.Width() >> (24 - 8 * i));
    header[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(ABitmap.Height() >> (24 - 8 * i));
  }
  header[8] = 8;
  header[9] = AWithAlpha ? pctRgba : pctRgb;
  AppendChunk(out, "IHDR", header.data(), header.size());

  TDeflater deflater;
  std::vector<std::uint8_t> current(rowBytes);
  std::vector<std::uint8_t> prior(rowBytes, 0);
  std::array<std::vector<std::uint8_t>, PngFilterCount> candidates;
  for (auto& c : candidates)
    c.resize(rowBytes + 1);

  for (int y = 0; y < ABitmap.Height(); ++y) {
    const std::uint8_t* src = ABitmap.Scanline(y);
    std::uint8_t* dst = current.data();
    for (std::size_t x = 0; x < width; ++x, src += TBitmap32::BytesPerPixel, dst += channels) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
      if (AWithAlpha)
        dst[3] = src[3];
    }
    // Trying every filter and keeping the smallest signed sum is the heuristic most encoders
    // use; it costs a few passes over a row and usually compresses screenshots well.
    int best = 0;
    std::uint64_t bestSum = UINT64_MAX;
    for (int f = 0; f < PngFilterCount; ++f) {
      const std::uint64_t sum = FilterRow(static_cast<TPngFilter>(f), current.data(), prior.data(), rowBytes, channels,
                                          candidates[static_cast<std::size_t>(f)].data());
      if (sum < bestSum) {
        bestSum = sum;
        best = f;
      }
    }
    deflater.Feed(candidates[static_cast<std::size_t>(best)].data(), rowBytes + 1, false, out);
    std::swap(current, prior);
  }
  deflater.Feed(nullptr, 0, true, out);
  AppendChunk(out, "IEND", nullptr, 0);
  return out;
}

TBitmap32 DecodePng(std::span<const std::uint8_t> AData) {
  return TPngDecoder(AData).Decode();
}

} // namespace tarvel
