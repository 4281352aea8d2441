#pragma once

// What the PNG encoder and decoder share: the file's signature, the chunk layout, colour
// types, filters and the Paeth predictor. For the codec's own files only.

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel::png {

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

[[noreturn]] inline void Fail(std::u16string AMessage) {
  throw EImageError(std::move(AMessage));
}

inline std::uint32_t ReadBE32(const std::uint8_t* AData) noexcept {
  return static_cast<std::uint32_t>(AData[0]) << 24 | static_cast<std::uint32_t>(AData[1]) << 16 |
         static_cast<std::uint32_t>(AData[2]) << 8 | static_cast<std::uint32_t>(AData[3]);
}

inline std::uint16_t ReadBE16(const std::uint8_t* AData) noexcept {
  return static_cast<std::uint16_t>(AData[0] << 8 | AData[1]);
}

inline void AppendBE32(std::vector<std::uint8_t>& AOut, std::uint32_t AValue) {
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 24));
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 16));
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 8));
  AOut.push_back(static_cast<std::uint8_t>(AValue));
}

inline std::uint32_t ChunkCrc(const std::uint8_t* AType, const std::uint8_t* AData, std::uint32_t ALength) noexcept {
  uLong crc = crc32(0, AType, 4);
  // crc32 given a null buffer returns the initial value instead of continuing, and empty
  // chunks may come with a null data pointer.
  if (ALength > 0)
    crc = crc32(crc, AData, ALength);
  return static_cast<std::uint32_t>(crc);
}

inline void AppendChunk(std::vector<std::uint8_t>& AOut, const char* AType, const std::uint8_t* AData,
                        std::size_t ALength) {
  const auto* type = reinterpret_cast<const std::uint8_t*>(AType);
  AppendBE32(AOut, static_cast<std::uint32_t>(ALength));
  AOut.insert(AOut.end(), type, type + 4);
  if (ALength > 0)
    AOut.insert(AOut.end(), AData, AData + ALength);
  AppendBE32(AOut, ChunkCrc(type, AData, static_cast<std::uint32_t>(ALength)));
}

inline std::uint8_t PaethPredictor(int AA, int AB, int AC) noexcept {
  const int pa = std::abs(AB - AC);
  const int pb = std::abs(AA - AC);
  const int pc = std::abs(AA + AB - 2 * AC);
  if (pa <= pb && pa <= pc)
    return static_cast<std::uint8_t>(AA);
  return static_cast<std::uint8_t>(pb <= pc ? AB : AC);
}

// Chunk names come from untrusted data; only letters are shown verbatim.
inline std::u16string ChunkName(const std::uint8_t* AType) {
  std::u16string r;
  for (int i = 0; i < 4; ++i) {
    const std::uint8_t c = AType[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    r += letter ? static_cast<char16_t>(c) : u'?';
  }
  return r;
}

inline bool IsChunk(const std::uint8_t* AType, const char* AName) noexcept {
  return std::memcmp(AType, AName, 4) == 0;
}

} // namespace tarvel::png
