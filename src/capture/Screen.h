#pragma once

#include <optional>

#include "core/Bitmap32.h"
#include "core/Geometry.h"

namespace tarvel {

// The screen as the capture code sees it: physical pixels of the virtual screen (all
// monitors), whose origin is the primary monitor's top-left corner, so that monitors left
// of or above it have negative coordinates. Nothing here scales.
class IScreen {
public:
  virtual ~IScreen() = default;
  // The bounding rectangle of all monitors.
  virtual TRect VirtualScreenRect() = 0;
  // Where the mouse cursor is; nothing when the system cannot tell (a secure desktop).
  virtual std::optional<TPoint> CursorPos() = 0;
  // The rectangle of the innermost window at APoint (usually a control); nothing when there
  // is no window there or its rectangle cannot be read.
  virtual std::optional<TRect> WindowRectAt(TPoint APoint) = 0;
  // Makes ATarget a new image of ASource's size holding what the screen shows there,
  // layered windows included, unscaled. False when the copy failed; ATarget then holds
  // whatever the copy left (black where nothing was copied). An image that cannot be made
  // raises EImageError or the system's error.
  virtual bool CopyScreen(const TRect& ASource, TBitmap32& ATarget) = 0;
};

} // namespace tarvel
