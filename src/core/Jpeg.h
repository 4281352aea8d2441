#pragma once

#include <cstdint>
#include <vector>

#include "core/Bitmap32.h"

namespace tarvel {

// Baseline JPEG with 24 bits per pixel (the fourth byte is ignored) at AQuality 1..100
// (clamped). Raises EImageError for an empty image or when the encoder fails.
std::vector<std::uint8_t> EncodeJpeg(const TBitmap32& ABitmap, int AQuality);

} // namespace tarvel
