#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Bitmap32.h"

namespace tarvel {

// Largest image DecodeDib produces: a 1-bit DIB holds 32 pixels a byte, so the general
// TBitmap32::MaxPixels would let a 16 MB block ask for 512 MB of pixels.
inline constexpr std::int64_t MaxDibPixels = std::int64_t{1} << 26;

// Decodes a packed DIB as the clipboard holds it (CF_DIB, CF_DIBV5): an information
// header, colour masks where they belong, a colour table, then the pixel rows, each padded
// to 4 bytes; no file header. The result is top-down BGRA.
//
// Headers: 12 bytes (core header, RGB triples, 1/4/8/24 bits), 40, 52, 56, 108 and 124
// bytes. Bit counts 1, 4, 8, 16, 24 and 32; compression BI_RGB (16 bits meaning 5-5-5),
// BI_BITFIELDS and BI_ALPHABITFIELDS (16 and 32 bits). Rows are bottom-up for a positive
// height and top-down for a negative one.
//
// Colour masks: after a 40-byte header, 3 (BI_BITFIELDS) or 4 (BI_ALPHABITFIELDS) of them
// follow the header; larger headers hold them inside (the alpha mask from 56 bytes on). The
// copy of the three masks that the system writes after a V4 or V5 header when it converts
// a CF_DIB is skipped when those 12 bytes repeat the header's masks and the block is large
// enough to hold them as well as the pixels. Each mask must be one run of bits; mask bits
// past a 16-bit pixel are ignored. A table of biClrUsed colours after the masks of a 16, 24
// or 32-bit image is skipped.
//
// Palette images: biClrUsed entries (0 meaning 2^bits); an index past the table's end gives
// opaque black. The fourth byte of the table's entries is ignored.
//
// Alpha: every format without an alpha channel comes out opaque (0xFF). The alpha channel
// is the alpha mask of a BI_BITFIELDS or BI_ALPHABITFIELDS image, or else the top byte of a
// 32-bit pixel that the colour masks leave free (BI_RGB, and the usual bitfields). It is
// taken as it is unless it is 0 in every pixel: many programs, and the system's own
// conversions, declare an alpha channel and leave it 0, and such an image is meant to be
// opaque, not invisible.
//
// Every field, size and offset is checked against ASize before it is used; nothing is read
// outside the block and nothing is allocated before the block is known to hold the pixels.
// A null or empty block, a malformed or truncated one, an image wider or taller than
// TBitmap32::MaxSide or larger than MaxDibPixels, and compressed images (RLE, JPEG, PNG)
// raise EImageError with a message starting "Clipboard image:".
TBitmap32 DecodeDib(const std::uint8_t* AData, std::size_t ASize);

// A packed DIB of the image: 40-byte BITMAPINFOHEADER, 32 bits, BI_RGB, bottom-up, the
// fourth byte written as it is. An empty image raises EImageError.
std::vector<std::uint8_t> EncodeDib(const TBitmap32& ABitmap);

} // namespace tarvel
