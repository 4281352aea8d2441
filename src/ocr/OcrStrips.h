#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Bitmap32.h"
#include "ocr/OcrLayout.h"

namespace tarvel {

// The engine reads no image with a side longer than its largest dimension. A larger one is
// read in strips that fit: bands from the top, each band cut into pieces from the left, the
// cuts chosen to run between lines and between words rather than through them wherever the
// image allows.

struct TOcrStrip {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  friend bool operator==(const TOcrStrip&, const TOcrStrip&) = default;
};

// The strips of an AWidth x AHeight image whose sides are at most AMaxDimension (at least
// 1), in reading order: band by band, each band's pieces from left to right. One strip, the
// whole image, when it fits.
std::vector<TOcrStrip> PlanOcrStrips(const TBitmap32& AImage, std::uint32_t AMaxDimension);

// The pixels of a strip.
TBitmap32 CropOcrStrip(const TBitmap32& AImage, const TOcrStrip& AStrip);

// What the engine found in one strip, its rectangles on the strip.
struct TOcrStripReading {
  TOcrStrip Strip;
  std::vector<TOcrTextLine> Lines;
  std::optional<double> TextAngle;
};

// The strips' lines as one image's: rectangles moved to the whole image, and within a band
// each piece's lines put beside the line of the pieces before whose height they share, the
// words joined by AUseBlanks' spacing rule. Lines without rectangles follow their band's in
// the engine's order. The text angle is the first one found; not a number when the strips
// disagree by more than the layout's tolerance.
std::vector<TOcrTextLine> JoinOcrStrips(const std::vector<TOcrStripReading>& AStrips, bool AUseBlanks,
                                        std::optional<double>& ATextAngle);

} // namespace tarvel
