#pragma once

#include <optional>
#include <string>
#include <vector>

#include "capture/Screen.h"
#include "core/Bitmap32.h"
#include "core/Geometry.h"

namespace tarvel {

// The rectangle selection over a frozen screenshot: the screen is copied once, a borderless
// topmost window shows that copy unchanged over every monitor, the user drags a rectangle
// with the left button (a green outline and a size label follow the mouse), and the caller
// gets the part of the copy under the rectangle. Escape or the right button cancels. What
// the user saw is exactly what the caller gets, even when the screen changed meanwhile.
//
// Everything the overlay decides lives here, in its client coordinates, which are the
// frozen image's pixel coordinates; the window only feeds it events and draws what it says.

// A selection is accepted only when both sides are at least this long.
inline constexpr int MinSelectionSize = 8;
// Half the width of the band repainted along each edge of a moving rectangle.
inline constexpr int SelectionBandHalfWidth = 8;
// The DPI the size label's sizes below are given for; it scales with the monitor's.
inline constexpr int SelectionLabelDesignDpi = 96;

// The size label of a selection, in client coordinates: its black box, where its text
// starts, and the text's height in pixels.
struct TSelectionLabel {
  TRect Box;
  TPoint TextOrigin;
  int FontPixels = 0;
};

enum class TSelectionState { Idle, Dragging, Accepted, Cancelled };
enum class TMouseButton { Left, Right, Middle, Other };

class TSelectionModel {
public:
  // AVirtualRect: the virtual screen, which the overlay covers exactly.
  explicit TSelectionModel(const TRect& AVirtualRect) noexcept;

  // Each event returns the client rectangles that must be repainted (without erase).
  std::vector<TRect> MouseDown(TMouseButton AButton, TPoint APoint);
  std::vector<TRect> MouseMove(TPoint APoint);
  std::vector<TRect> MouseUp(TMouseButton AButton, TPoint APoint);
  // The DPI of the monitor where the next drag starts, which sizes its label (96 until
  // set; 0 or less counts as 96). The window sets it before it passes a press on; during a
  // drag it is ignored, so that the label it drew is the one it repaints.
  void SetLabelDpi(int ADpi) noexcept;
  int LabelDpi() const noexcept { return FLabelDpi; }
  // Escape (virtual key 27) cancels; every other key is ignored.
  void KeyDown(unsigned AVirtualKey) noexcept;
  // The window was closed some other way: that cancels too.
  void Close() noexcept;

  TSelectionState State() const noexcept { return FState; }
  // Accepted or cancelled: the overlay closes.
  bool Finished() const noexcept { return FState == TSelectionState::Accepted || FState == TSelectionState::Cancelled; }
  // The left button is down: the window holds the mouse capture and draws the outline.
  bool Selecting() const noexcept { return FState == TSelectionState::Dragging; }
  // The rectangle between where the drag started and where the mouse is, whichever way
  // it was dragged. A point on the last column or row of the screen stands for the edge
  // beyond it, which the mouse never reaches: a drag to the edge takes them in.
  TRect SelectionRect() const noexcept;
  // The label of the selection being dragged.
  TSelectionLabel Label() const;
  // The accepted selection in screen coordinates; (0, 0, 0, 0) unless accepted.
  TRect SelectedRect() const noexcept { return FSelectedRect; }
  TRect ClientRect() const noexcept { return {0, 0, FVirtualRect.Width(), FVirtualRect.Height()}; }

private:
  std::vector<TRect> Change(const TRect& AOld, const TRect& ANew) const;
  TPoint ReachingTheEdge(TPoint APoint) const noexcept;

  TRect FVirtualRect;
  TSelectionState FState = TSelectionState::Idle;
  TPoint FStartPoint;
  TPoint FCurrentPoint;
  TRect FLastPaintRect;
  TRect FSelectedRect;
  int FLabelDpi = SelectionLabelDesignDpi;
};

// "%d x %d" with the selection's width and height.
std::u16string SelectionLabelText(const TRect& ASelection);
// The label of a selection in the client area AClient, at ADpi. At 96 DPI its box is 90 ×
// 18 with its bottom 4 above the selection, or, when its top would be above the screen,
// moved down by 28 to lie inside the selection; the text starts 4 right of and 2 below the
// box's corner and is 12 pixels high. Every size scales with ADpi. The box then moves as
// little as keeps it inside AClient: a selection at the right edge of the screen shows
// its whole label, ending at that edge.
TSelectionLabel SelectionLabel(const TRect& ASelection, const TRect& AClient,
                               int ADpi = SelectionLabelDesignDpi) noexcept;
// What changes on screen when a selection rectangle appears or goes: a band of 16 along
// each of its four edges and the label area (at 96 DPI 100 wide: more than the label drawn,
// placed by the same rules), each clipped to AClient; empty parts are left out. The inside
// is never repainted.
std::vector<TRect> SelectionInvalidation(const TRect& ARect, const TRect& AClient, int ADpi = SelectionLabelDesignDpi);

// The whole virtual screen, copied once, and where it lies.
struct TFrozenScreen {
  TBitmap32 Image;
  TRect VirtualRect;
};
// Nothing when the virtual screen has no pixels or the copy fails (a secure desktop).
std::optional<TFrozenScreen> FreezeVirtualScreen(IScreen& AScreen);
// The part of the frozen image under ASelected (screen coordinates), clipped to the
// virtual screen; nothing when that is empty or smaller than 8 in either direction.
std::optional<TBitmap32> CropScreenBitmap(const TBitmap32& AScreenBitmap, const TRect& AVirtualRect,
                                          const TRect& ASelected);

// Shows the overlay over a frozen screen and runs it until the model is finished; the
// platform's window, fed by the model.
class ISelectionOverlay {
public:
  virtual ~ISelectionOverlay() = default;
  // Returns when the overlay has closed; the model then says what the user did.
  virtual void Run(const TFrozenScreen& AScreen, TSelectionModel& AModel) = 0;
};

struct TScreenSelection {
  // The cut-out, owned by the caller; empty when there is none.
  TBitmap32 Image;
  // The accepted rectangle in screen coordinates, (0, 0, 0, 0) unless one was accepted
  // (also when the cut-out then failed).
  TRect Rect;
  // True exactly when there is a cut-out.
  bool Ok = false;
};

// The whole interaction, modal: returns only when the overlay has closed. Nothing is shown
// when the screen cannot be frozen.
TScreenSelection SelectScreenRegion(IScreen& AScreen, ISelectionOverlay& AOverlay);

} // namespace tarvel
