#pragma once

#include "capture/Screen.h"
#include "core/Bitmap32.h"
#include "core/win32/MemoryDib.h"

namespace tarvel {

// The screen through user32 and GDI. The process is per-monitor DPI aware, so every value
// here is in physical pixels.
class TWin32Screen final : public IScreen {
public:
  TRect VirtualScreenRect() override;
  std::optional<TPoint> CursorPos() override;
  std::optional<TRect> WindowRectAt(TPoint APoint) override;
  bool CopyScreen(const TRect& ASource, TBitmap32& ATarget) override;
};

// Copies the screen's pixels at (ALeft, ATop), layered windows included, onto the whole of
// ATarget; the screen's DC is released on every path. False when the copy failed.
bool CopyScreenToDib(int ALeft, int ATop, TMemoryDib& ATarget);

} // namespace tarvel
