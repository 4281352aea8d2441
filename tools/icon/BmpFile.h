#pragma once

#include <cstdint>
#include <vector>

#include "core/Bitmap32.h"

namespace tarvel {

// A .bmp file of AImage as every reader takes it: the 14-byte file header, a 40-byte
// BITMAPINFOHEADER, 24 bits per pixel, BI_RGB, rows bottom-up and padded to 4 bytes. The
// alpha byte is dropped. Raises EImageError for an empty image.
std::vector<std::uint8_t> EncodeBmp(const TBitmap32& AImage);

} // namespace tarvel
