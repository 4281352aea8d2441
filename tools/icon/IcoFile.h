#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/Bitmap32.h"

namespace tarvel {

// An .ico file holding AImages, each square with straight alpha, in the order given.
// Images of up to 255 pixels are stored as 32-bit bitmaps with their transparency mask;
// larger ones (256, shown as 0 in the directory) as PNG, as Windows Vista and later read
// them. Raises EImageError for an empty list, a non-square or empty image, or one larger
// than 256 pixels.
std::vector<std::uint8_t> EncodeIco(std::span<const TBitmap32> AImages);

} // namespace tarvel
