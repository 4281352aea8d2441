#include "ocr/uOcrSelector.h"

#include <algorithm>
#include <utility>

#include "core/Text.h"

namespace tarvel {

namespace {

constexpr unsigned VkEscape = 27;

// A size of the label at 96 DPI at ADpi, rounded to the nearest pixel.
int Scaled(int AValue, int ADpi) noexcept {
  return (AValue * ADpi + SelectionLabelDesignDpi / 2) / SelectionLabelDesignDpi;
}

// The label's place at a rectangle, ALabelWidth wide at 96 DPI: its bottom 4 above the top
// edge, or 28 lower when its top would be above the client area; then moved as little as
// keeps it inside the client area, the right and bottom edges first, so that its top-left
// corner stays in sight on a client area too small for it.
TRect LabelArea(const TRect& ASelection, const TRect& AClient, int ALabelWidth, int ADpi) noexcept {
  TRect box = TRect::FromSize(ASelection.Left, ASelection.Top - Scaled(22, ADpi), Scaled(ALabelWidth, ADpi),
                              Scaled(22, ADpi) - Scaled(4, ADpi));
  const auto moveBy = [&box](int ADX, int ADY) {
    box = TRect::FromSize(box.Left + ADX, box.Top + ADY, box.Width(), box.Height());
  };
  if (box.Top < AClient.Top)
    moveBy(0, Scaled(28, ADpi));
  if (box.Right > AClient.Right)
    moveBy(AClient.Right - box.Right, 0);
  if (box.Bottom > AClient.Bottom)
    moveBy(0, AClient.Bottom - box.Bottom);
  if (box.Left < AClient.Left)
    moveBy(AClient.Left - box.Left, 0);
  if (box.Top < AClient.Top)
    moveBy(0, AClient.Top - box.Top);
  return box;
}

} // namespace

TSelectionModel::TSelectionModel(const TRect& AVirtualRect) noexcept : FVirtualRect(AVirtualRect) {}

TPoint TSelectionModel::ReachingTheEdge(TPoint APoint) const noexcept {
  if (APoint.X == FVirtualRect.Width() - 1)
    APoint.X = FVirtualRect.Width();
  if (APoint.Y == FVirtualRect.Height() - 1)
    APoint.Y = FVirtualRect.Height();
  return APoint;
}

TRect TSelectionModel::SelectionRect() const noexcept {
  const TPoint start = ReachingTheEdge(FStartPoint);
  const TPoint current = ReachingTheEdge(FCurrentPoint);
  return NormalizeRect({start.X, start.Y, current.X, current.Y});
}

TSelectionLabel TSelectionModel::Label() const {
  return SelectionLabel(SelectionRect(), ClientRect(), FLabelDpi);
}

void TSelectionModel::SetLabelDpi(int ADpi) noexcept {
  if (!Selecting())
    FLabelDpi = ADpi > 0 ? ADpi : SelectionLabelDesignDpi;
}

std::vector<TRect> TSelectionModel::Change(const TRect& AOld, const TRect& ANew) const {
  std::vector<TRect> rects = SelectionInvalidation(AOld, ClientRect(), FLabelDpi);
  const std::vector<TRect> added = SelectionInvalidation(ANew, ClientRect(), FLabelDpi);
  rects.insert(rects.end(), added.begin(), added.end());
  return rects;
}

std::vector<TRect> TSelectionModel::MouseDown(TMouseButton AButton, TPoint APoint) {
  if (Finished())
    return {};
  if (AButton == TMouseButton::Right) {
    FState = TSelectionState::Cancelled;
    return {};
  }
  if (AButton != TMouseButton::Left)
    return {};
  FState = TSelectionState::Dragging;
  FStartPoint = FCurrentPoint = APoint;
  FLastPaintRect = SelectionRect();
  FSelectedRect = {};
  return Change(FLastPaintRect, FLastPaintRect);
}

std::vector<TRect> TSelectionModel::MouseMove(TPoint APoint) {
  if (!Selecting())
    return {};
  const TRect old = FLastPaintRect;
  FCurrentPoint = APoint;
  FLastPaintRect = SelectionRect();
  return Change(old, FLastPaintRect);
}

std::vector<TRect> TSelectionModel::MouseUp(TMouseButton AButton, TPoint APoint) {
  if (AButton != TMouseButton::Left || !Selecting())
    return {};
  FState = TSelectionState::Idle;
  FCurrentPoint = APoint;
  const TRect r = SelectionRect();
  if (r.Width() < MinSelectionSize || r.Height() < MinSelectionSize)
    return Change(FLastPaintRect, r); // the outline and label go; the user may drag again
  FSelectedRect = {r.Left + FVirtualRect.Left, r.Top + FVirtualRect.Top, r.Right + FVirtualRect.Left,
                   r.Bottom + FVirtualRect.Top};
  FState = TSelectionState::Accepted;
  return {};
}

void TSelectionModel::KeyDown(unsigned AVirtualKey) noexcept {
  if (AVirtualKey == VkEscape && !Finished())
    FState = TSelectionState::Cancelled;
}

void TSelectionModel::Close() noexcept {
  if (!Finished())
    FState = TSelectionState::Cancelled;
}

std::u16string SelectionLabelText(const TRect& ASelection) {
  return Format(u"%d x %d", {ASelection.Width(), ASelection.Height()});
}

TSelectionLabel SelectionLabel(const TRect& ASelection, const TRect& AClient, int ADpi) noexcept {
  TSelectionLabel label;
  label.Box = LabelArea(ASelection, AClient, 90, ADpi);
  label.TextOrigin = {label.Box.Left + Scaled(4, ADpi), label.Box.Top + Scaled(2, ADpi)};
  label.FontPixels = Scaled(12, ADpi);
  return label;
}

std::vector<TRect> SelectionInvalidation(const TRect& ARect, const TRect& AClient, int ADpi) {
  const TRect r = NormalizeRect(ARect);
  constexpr int b = SelectionBandHalfWidth;
  const TRect parts[] = {
      {r.Left - b, r.Top - b, r.Right + b, r.Top + b},       // top edge
      {r.Left - b, r.Bottom - b, r.Right + b, r.Bottom + b}, // bottom edge
      {r.Left - b, r.Top - b, r.Left + b, r.Bottom + b},     // left edge
      {r.Right - b, r.Top - b, r.Right + b, r.Bottom + b},   // right edge
      LabelArea(r, AClient, 100, ADpi),
  };
  std::vector<TRect> rects;
  for (const TRect& part : parts)
    if (const TRect clipped = IntersectRect(part, AClient); !clipped.IsEmpty())
      rects.push_back(clipped);
  return rects;
}

std::optional<TFrozenScreen> FreezeVirtualScreen(IScreen& AScreen) {
  const TRect virtualRect = AScreen.VirtualScreenRect();
  if (virtualRect.Width() < 1 || virtualRect.Height() < 1)
    return std::nullopt;
  TFrozenScreen frozen{TBitmap32(), virtualRect};
  if (!AScreen.CopyScreen(virtualRect, frozen.Image))
    return std::nullopt;
  return frozen;
}

std::optional<TBitmap32> CropScreenBitmap(const TBitmap32& AScreenBitmap, const TRect& AVirtualRect,
                                          const TRect& ASelected) {
  TRect r = IntersectRect(ASelected, AVirtualRect);
  if (r.IsEmpty() || r.Width() < MinSelectionSize || r.Height() < MinSelectionSize)
    return std::nullopt;
  r = {r.Left - AVirtualRect.Left, r.Top - AVirtualRect.Top, r.Right - AVirtualRect.Left, r.Bottom - AVirtualRect.Top};
  TBitmap32 cut(r.Width(), r.Height(), 0);
  cut.Draw(-r.Left, -r.Top, AScreenBitmap);
  return cut;
}

TScreenSelection SelectScreenRegion(IScreen& AScreen, ISelectionOverlay& AOverlay) {
  TScreenSelection result;
  const std::optional<TFrozenScreen> frozen = FreezeVirtualScreen(AScreen);
  if (!frozen)
    return result;
  TSelectionModel model(frozen->VirtualRect);
  AOverlay.Run(*frozen, model);
  if (model.State() != TSelectionState::Accepted)
    return result;
  result.Rect = model.SelectedRect();
  if (auto image = CropScreenBitmap(frozen->Image, frozen->VirtualRect, result.Rect)) {
    result.Image = std::move(*image);
    result.Ok = true;
  }
  return result;
}

} // namespace tarvel
