#pragma once

#include <cstdint>
#include <vector>

#include "core/Bitmap32.h"

namespace tarvel {

// PNG encoding of a 32-bit image: colour type 6 (RGBA) when AWithAlpha, else colour
// type 2 (RGB, the fourth byte dropped). 8 bits per channel, not interlaced. An empty
// image raises EImageError.
std::vector<std::uint8_t> EncodePng(const TBitmap32& ABitmap, bool AWithAlpha = false);

} // namespace tarvel
