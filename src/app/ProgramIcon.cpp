#include "app/ProgramIcon.h"

#include <algorithm>
#include <cstdint>

namespace tarvel {

namespace {

constexpr std::uint32_t SquareColor = 0x5B8DBE; // 0xRRGGBB
constexpr std::uint32_t MarkColor = 0xFFFFFF;
// Samples per pixel side for the rounded corners.
constexpr int Samples = 8;

// ASize × APercent / 100, rounded to the nearest whole number.
int PercentOf(int ASize, int APercent) {
  return (ASize * APercent + 50) / 100;
}

// A length of about APercent of ASize, at least AMinimum, with the parity of ASize, so that
// it lies exactly in the middle of the icon.
int CentredLength(int ASize, int APercent, int AMinimum) {
  int length = std::max(AMinimum, PercentOf(ASize, APercent));
  if ((ASize - length) % 2 != 0)
    ++length;
  return std::min(length, ASize);
}

struct TSpan {
  int First, Last; // whole pixels, Last exclusive
  bool Contains(int AValue) const noexcept { return AValue >= First && AValue < Last; }
};

// Of Samples × Samples points spread over pixel (AX, AY), how many lie inside a square of
// ASize pixels whose corners are rounded with a radius of a sixth of its side.
int SquareCoverage(int ASize, int AX, int AY) {
  // In units of half a sample, so that every sample's centre has whole coordinates.
  const int side = 2 * Samples * ASize;
  const int radius = side / 6;
  int count = 0;
  for (int j = 0; j < Samples; ++j) {
    const int py = 2 * (AY * Samples + j) + 1;
    const int dy = py < radius ? radius - py : (py > side - radius ? py - (side - radius) : 0);
    for (int i = 0; i < Samples; ++i) {
      const int px = 2 * (AX * Samples + i) + 1;
      const int dx = px < radius ? radius - px : (px > side - radius ? px - (side - radius) : 0);
      if (dx * dx + dy * dy <= radius * radius)
        ++count;
    }
  }
  return count;
}

} // namespace

TBitmap32 RenderProgramIcon(int ASize) {
  if (ASize < 1)
    return {};
  TBitmap32 icon(ASize, ASize, 0);

  // The T on whole pixels, so that it stays crisp at the small sizes of the tray.
  const int barWidth = CentredLength(ASize, 45, 3);
  const int stemWidth = CentredLength(ASize, 13, 2);
  const int barTop = PercentOf(ASize, 23);
  const TSpan barColumns{(ASize - barWidth) / 2, (ASize + barWidth) / 2};
  const TSpan barRows{barTop, barTop + std::max(2, PercentOf(ASize, 11))};
  const TSpan stemColumns{(ASize - stemWidth) / 2, (ASize + stemWidth) / 2};
  const TSpan stemRows{barTop, std::max(barRows.Last, PercentOf(ASize, 74))};

  // Only pixels this close to a corner can be partly covered.
  const int cornerZone = (ASize + 5) / 6 + 1;
  for (int y = 0; y < ASize; ++y)
    for (int x = 0; x < ASize; ++x) {
      const bool nearCorner =
          (x < cornerZone || x >= ASize - cornerZone) && (y < cornerZone || y >= ASize - cornerZone);
      const int coverage = nearCorner ? SquareCoverage(ASize, x, y) : Samples * Samples;
      if (coverage == 0)
        continue;
      const std::uint32_t alpha =
          (static_cast<std::uint32_t>(coverage) * 255 + Samples * Samples / 2) / (Samples * Samples);
      const bool mark =
          (barColumns.Contains(x) && barRows.Contains(y)) || (stemColumns.Contains(x) && stemRows.Contains(y));
      icon.SetPixel(x, y, alpha << 24 | (mark ? MarkColor : SquareColor));
    }
  return icon;
}

} // namespace tarvel
