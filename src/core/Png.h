#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/Bitmap32.h"

namespace tarvel {

// PNG encoding of a 32-bit image: colour type 6 (RGBA) when AWithAlpha, else colour
// type 2 (RGB, the fourth byte dropped). 8 bits per channel, not interlaced. An empty
// image raises EImageError.
std::vector<std::uint8_t> EncodePng(const TBitmap32& ABitmap, bool AWithAlpha = false);

// Decodes a PNG file held in memory: 8-bit greyscale (with or without alpha), RGB, RGBA
// and palette images (1, 2, 4 or 8 bits, with tRNS), all five row filters, not
// interlaced. Every chunk's CRC is checked. Anything else, and any malformed or truncated
// data, raises EImageError with a clear message; nothing is read outside AData.
// Pixels without alpha get 255 in the fourth byte.
TBitmap32 DecodePng(std::span<const std::uint8_t> AData);

} // namespace tarvel
