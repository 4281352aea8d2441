#include "capture/uCapture.h"

#include <algorithm>

namespace tarvel {

namespace {

// A failed cursor query counts as a cursor in the middle of the screen: a capture around
// it is as good a guess as any, and lies on the screen.
TPoint CursorOrCentre(IScreen& AScreen, const TRect& AVirtual) {
  if (const auto cursor = AScreen.CursorPos())
    return *cursor;
  return {AVirtual.Left + AVirtual.Width() / 2, AVirtual.Top + AVirtual.Height() / 2};
}

TWindowLookup WindowsOf(IScreen& AScreen) {
  return [&AScreen](TPoint APoint) { return AScreen.WindowRectAt(APoint); };
}

// Cuts one axis of R to ALimit around ACentre (or R's middle), then back onto [AMin, AMax).
void CapAxis(int& ALow, int& AHigh, int ALimit, bool ACursorInside, int ACursor, int AMin, int AMax) {
  if (AHigh - ALow <= ALimit)
    return;
  const int centre = ACursorInside ? ACursor : (ALow + AHigh) / 2;
  ALow = centre - ALimit / 2;
  AHigh = ALow + ALimit;
  if (ALow < AMin) {
    ALow = AMin;
    AHigh = AMin + ALimit;
  }
  if (AHigh > AMax) {
    AHigh = AMax;
    ALow = AMax - ALimit;
  }
}

} // namespace

TRect GetVirtualScreenRect(IScreen& AScreen) {
  return AScreen.VirtualScreenRect();
}

bool IsUsableRect(const TRect& ARect) noexcept {
  return ARect.Width() >= MinUsableSide && ARect.Height() >= MinUsableSide;
}

TRect CenteredRect(TPoint APoint, int AWidth, int AHeight) noexcept {
  const int left = APoint.X - AWidth / 2;
  const int top = APoint.Y - AHeight / 2;
  return {left, top, left + AWidth, top + AHeight};
}

TRect WindowRectOrFallback(TPoint ACursor, const TWindowLookup& AWindowAt) {
  if (const auto window = AWindowAt(ACursor); window && IsUsableRect(*window))
    return *window;
  return CenteredRect(ACursor, FallbackCaptureWidth, FallbackCaptureHeight);
}

TRect GetWindowRectUnderCursor(IScreen& AScreen) {
  return WindowRectOrFallback(CursorOrCentre(AScreen, AScreen.VirtualScreenRect()), WindowsOf(AScreen));
}

TRect NormalizeCaptureRect(const TRect& ARequested, const TRect& AVirtual, TPoint ACursor,
                           const TWindowLookup& AWindowAt) {
  TRect r = IsUsableRect(ARequested) ? ARequested : WindowRectOrFallback(ACursor, AWindowAt);
  r = IntersectRect(r, AVirtual);
  if (r.IsEmpty())
    r = IntersectRect(WindowRectOrFallback(ACursor, AWindowAt), AVirtual);
  if (!IsUsableRect(r))
    r = {AVirtual.Left, AVirtual.Top, std::min(AVirtual.Right, AVirtual.Left + FallbackCaptureWidth),
         std::min(AVirtual.Bottom, AVirtual.Top + FallbackCaptureHeight)};
  // The height cap asks whether the cursor lies in the rectangle as the width cap left it.
  CapAxis(r.Left, r.Right, MaxCaptureWidth, r.Contains(ACursor), ACursor.X, AVirtual.Left, AVirtual.Right);
  CapAxis(r.Top, r.Bottom, MaxCaptureHeight, r.Contains(ACursor), ACursor.Y, AVirtual.Top, AVirtual.Bottom);
  return r;
}

TRect NormalizeCaptureRect(IScreen& AScreen, const TRect& ARequested) {
  const TRect virtualRect = AScreen.VirtualScreenRect();
  return NormalizeCaptureRect(ARequested, virtualRect, CursorOrCentre(AScreen, virtualRect), WindowsOf(AScreen));
}

TBitmap32 CaptureScreenRect(IScreen& AScreen, const TRect& ARequested) {
  const TRect r = NormalizeCaptureRect(AScreen, ARequested);
  TBitmap32 image;
  AScreen.CopyScreen(r, image);
  return image;
}

TBitmap32 CaptureVirtualScreen(IScreen& AScreen) {
  TBitmap32 image;
  AScreen.CopyScreen(AScreen.VirtualScreenRect(), image);
  return image;
}

} // namespace tarvel
