#pragma once

#include <cstdint>
#include <span>

#include "core/Bitmap32.h"

namespace tarvel {

// The program writes PNG files only; the tests and the measuring tools read them back with
// this decoder.
//
// Decodes a PNG file held in memory: 8-bit greyscale (with or without alpha), RGB, RGBA
// and palette images (1, 2, 4 or 8 bits, with tRNS), all five row filters, not
// interlaced. Every chunk's CRC is checked. Anything else, and any malformed or truncated
// data, raises EImageError with a clear message; nothing is read outside AData.
// Pixels without alpha get 255 in the fourth byte.
TBitmap32 DecodePng(std::span<const std::uint8_t> AData);

} // namespace tarvel
