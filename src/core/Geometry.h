#pragma once

#include <cstdint>

namespace tarvel {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Left and Top inclusive, Right and Bottom exclusive, in physical pixels.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  static TRect FromSize(int ALeft, int ATop, int AWidth, int AHeight) {
    return {ALeft, ATop, ALeft + AWidth, ATop + AHeight};
  }
  int Width() const noexcept { return Right - Left; }
  int Height() const noexcept { return Bottom - Top; }
  bool IsEmpty() const noexcept { return Right <= Left || Bottom <= Top; }
  bool Contains(TPoint APoint) const noexcept {
    return APoint.X >= Left && APoint.X < Right && APoint.Y >= Top && APoint.Y < Bottom;
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// Left ≤ Right and Top ≤ Bottom, whichever corners were given.
TRect NormalizeRect(const TRect& ARect) noexcept;
// The common part, or an empty rectangle at the origin when there is none.
TRect IntersectRect(const TRect& A, const TRect& B) noexcept;

} // namespace tarvel
