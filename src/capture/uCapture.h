#pragma once

#include <functional>
#include <optional>

#include "capture/Screen.h"
#include "core/Bitmap32.h"
#include "core/Geometry.h"

namespace tarvel {

// Copies of the screen into new images: the whole virtual screen, or a rectangle made
// capturable first (a control's rectangle from UI Automation may be empty, tiny, huge or
// partly off-screen).

// Sides below this make a rectangle unusable.
inline constexpr int MinUsableSide = 8;
// The area around the cursor when the window there is not usable.
inline constexpr int FallbackCaptureWidth = 300;
inline constexpr int FallbackCaptureHeight = 120;
// A larger capture is cut to a window of this size around the cursor.
inline constexpr int MaxCaptureWidth = 1200;
inline constexpr int MaxCaptureHeight = 800;

// The innermost window at a point, as the screen reports it.
using TWindowLookup = std::function<std::optional<TRect>(TPoint APoint)>;

TRect GetVirtualScreenRect(IScreen& AScreen);
// Width and height both at least 8.
bool IsUsableRect(const TRect& ARect) noexcept;
// A rectangle of the size centred on the point; halving truncates toward zero.
TRect CenteredRect(TPoint APoint, int AWidth, int AHeight) noexcept;

// The rectangle of the window at ACursor when it is usable, else 300 × 120 around ACursor.
TRect WindowRectOrFallback(TPoint ACursor, const TWindowLookup& AWindowAt);
TRect GetWindowRectUnderCursor(IScreen& AScreen);

// The rectangle that is captured for ARequested on a virtual screen AVirtual with the
// cursor at ACursor: an unusable or off-screen request becomes the window under the cursor
// (or, failing that, 300 × 120 at the virtual screen's top-left corner); the result is
// clipped to the screen; a width over 1200 or a height over 800 is cut around the cursor
// (or around the rectangle's centre when the cursor is outside it), shifted back onto the
// screen.
TRect NormalizeCaptureRect(const TRect& ARequested, const TRect& AVirtual, TPoint ACursor,
                           const TWindowLookup& AWindowAt);
// The same with the screen's own rectangle, cursor and windows.
TRect NormalizeCaptureRect(IScreen& AScreen, const TRect& ARequested);

// A new image of NormalizeCaptureRect(ARequested), pixel (0, 0) at its top-left corner.
// A failed copy is not detected: the image then holds whatever the copy left.
TBitmap32 CaptureScreenRect(IScreen& AScreen, const TRect& ARequested);
// A new image of the whole virtual screen, uncut.
TBitmap32 CaptureVirtualScreen(IScreen& AScreen);

} // namespace tarvel
