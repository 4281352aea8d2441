#include "capture/win32/Win32Screen.h"

#include <cstdint>
#include <memory>

namespace tarvel {

namespace {

// SRCCOPY | CAPTUREBLT: layered (semi-transparent) windows are part of the copy.
constexpr DWORD ScreenCopyRop = SRCCOPY | CAPTUREBLT;

} // namespace

TRect TWin32Screen::VirtualScreenRect() {
  return TRect::FromSize(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

std::optional<TPoint> TWin32Screen::CursorPos() {
  POINT p;
  if (!GetCursorPos(&p))
    return std::nullopt;
  return TPoint{p.x, p.y};
}

std::optional<TRect> TWin32Screen::WindowRectAt(TPoint APoint) {
  const HWND window = WindowFromPoint({APoint.X, APoint.Y});
  RECT r;
  if (!window || !GetWindowRect(window, &r))
    return std::nullopt;
  return TRect{r.left, r.top, r.right, r.bottom};
}

bool TWin32Screen::CopyScreen(const TRect& ASource, TBitmap32& ATarget) {
  TBitmap32::CheckSize(ASource.Width(), ASource.Height());
  if (ASource.IsEmpty()) {
    ATarget = TBitmap32();
    return false;
  }
  TMemoryDib dib(ASource.Width(), ASource.Height());
  const bool copied = CopyScreenToDib(ASource.Left, ASource.Top, dib);
  // The section's rows have no padding, the layout of TBitmap32: the image takes the
  // pixels where they are, and the section lives as long as the image.
  auto* bits = static_cast<std::uint8_t*>(dib.Bits());
  const std::shared_ptr<void> section(static_cast<void*>(dib.TakeBitmap().Release()),
                                      [](void* ASection) { DeleteObject(static_cast<HGDIOBJ>(ASection)); });
  ATarget = TBitmap32::Adopt(ASource.Width(), ASource.Height(), bits, section);
  return copied;
}

bool CopyScreenToDib(int ALeft, int ATop, TMemoryDib& ATarget) {
  BOOL copied = FALSE;
  {
    const TUniqueWindowDC screen({nullptr, GetDC(nullptr)});
    if (screen.Get().DC)
      copied =
          BitBlt(ATarget.DC(), 0, 0, ATarget.Width(), ATarget.Height(), screen.Get().DC, ALeft, ATop, ScreenCopyRop);
  }
  GdiFlush(); // the section's memory is read directly next
  return copied != FALSE;
}

} // namespace tarvel
