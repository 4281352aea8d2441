#pragma once

#include <optional>
#include <vector>

#include "capture/Screen.h"

namespace tarvel {

// A screen in memory: Pixels is what the monitors show over VirtualRect (pixel (0, 0) at
// its top-left corner); Windows are found topmost first.
class TFakeScreen : public IScreen {
public:
  TRect VirtualRect{0, 0, 1920, 1080};
  std::optional<TPoint> Cursor = TPoint{500, 300};
  std::vector<TRect> Windows;
  TBitmap32 Pixels;
  bool CopyFails = false;
  // Every rectangle copied, in order.
  std::vector<TRect> Copies;

  // A screen of the given rectangle whose every pixel tells where it is:
  // 0xFF000000 | (x & 0xFFF) << 12 | (y & 0xFFF), x and y in screen coordinates.
  void PaintCoordinates(const TRect& AVirtual) {
    VirtualRect = AVirtual;
    Pixels = TBitmap32(AVirtual.Width(), AVirtual.Height());
    for (int y = 0; y < AVirtual.Height(); ++y)
      for (int x = 0; x < AVirtual.Width(); ++x)
        Pixels.SetPixel(x, y, CoordinatePixel(AVirtual.Left + x, AVirtual.Top + y));
  }
  static std::uint32_t CoordinatePixel(int AX, int AY) {
    return 0xFF000000u | (static_cast<std::uint32_t>(AX) & 0xFFF) << 12 | (static_cast<std::uint32_t>(AY) & 0xFFF);
  }

  TRect VirtualScreenRect() override { return VirtualRect; }
  std::optional<TPoint> CursorPos() override { return Cursor; }
  std::optional<TRect> WindowRectAt(TPoint APoint) override {
    for (const TRect& window : Windows)
      if (window.Contains(APoint))
        return window;
    return std::nullopt;
  }
  bool CopyScreen(const TRect& ASource, TBitmap32& ATarget) override {
    Copies.push_back(ASource);
    ATarget = TBitmap32(ASource.Width(), ASource.Height(), 0);
    if (CopyFails)
      return false;
    if (!Pixels.Empty())
      ATarget.Draw(VirtualRect.Left - ASource.Left, VirtualRect.Top - ASource.Top, Pixels);
    return true;
  }
};

} // namespace tarvel
