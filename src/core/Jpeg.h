#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/Bitmap32.h"

namespace tarvel {

// Baseline JPEG with 24 bits per pixel (the fourth byte is ignored) at AQuality 1..100
// (clamped). Raises EImageError for an empty image or when the encoder fails.
// The rows go to libjpeg-turbo as they are (its BGRX input), without a copy.
std::vector<std::uint8_t> EncodeJpeg(const TBitmap32& ABitmap, int AQuality);

// Hands the encoder row AY of the image, rows asked for in order from the top: AWidth
// pixels in TBitmap32's layout (blue, green, red, a fourth byte that is ignored). The row
// must stay readable until the next call. nullptr abandons the encoding.
using TJpegRowSource = std::function<const std::uint8_t*(int AY)>;

// The same JPEG as EncodeJpeg gives for the image made of the rows ARows returns;
// std::nullopt when ARows abandoned it. An exception from ARows ends the encoding and is
// passed on; EImageError as EncodeJpeg raises it.
std::optional<std::vector<std::uint8_t>> EncodeJpegRows(int AWidth, int AHeight, int AQuality,
                                                        const TJpegRowSource& ARows);

} // namespace tarvel
