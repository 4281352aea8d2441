// The rectangle selection on a frozen screen: what a drag selects, what the overlay
// repaints and draws, and what the caller gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <tuple>

#include "fakes/FakeScreen.h"
#include "fakes/FakeSelectionOverlay.h"
#include "ocr/uOcrSelector.h"

namespace tarvel {

void PrintTo(const TRect& ARect, std::ostream* AOut);

namespace {

using TRects = std::vector<TRect>;
constexpr TRect OneMonitor{0, 0, 1920, 1080};
constexpr unsigned VkEscape = 27;

TRects Sorted(TRects ARects) {
  std::sort(ARects.begin(), ARects.end(), [](const TRect& A, const TRect& B) {
    return std::tie(A.Left, A.Top, A.Right, A.Bottom) < std::tie(B.Left, B.Top, B.Right, B.Bottom);
  });
  return ARects;
}

// --- What a drag selects ---

struct TDragCase {
  const char* Name;
  TPoint From;
  TPoint To;
  TSelectionState State;
  TRect Selected; // screen coordinates
};

void PrintTo(const TDragCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class SelectionDragTest : public testing::TestWithParam<TDragCase> {};

TEST_P(SelectionDragTest, ReleaseAcceptsOnlyEightByEightOrMore) {
  const TDragCase& c = GetParam();
  TSelectionModel model(OneMonitor);
  model.MouseDown(TMouseButton::Left, c.From);
  model.MouseMove(c.To);
  model.MouseUp(TMouseButton::Left, c.To);
  EXPECT_EQ(model.State(), c.State);
  EXPECT_EQ(model.SelectedRect(), c.Selected);
  EXPECT_EQ(model.Finished(), c.State == TSelectionState::Accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionDragTest,
    testing::Values(
        TDragCase{"DownRight", {50, 60}, {100, 100}, TSelectionState::Accepted, {50, 60, 100, 100}},
        TDragCase{"UpLeftGivesTheSameRectangle", {100, 100}, {50, 60}, TSelectionState::Accepted, {50, 60, 100, 100}},
        TDragCase{"UpRight", {50, 100}, {100, 60}, TSelectionState::Accepted, {50, 60, 100, 100}},
        TDragCase{"EightByEight", {10, 10}, {18, 18}, TSelectionState::Accepted, {10, 10, 18, 18}},
        TDragCase{"SevenWide", {10, 10}, {17, 100}, TSelectionState::Idle, {}},
        TDragCase{"SevenHigh", {10, 10}, {100, 17}, TSelectionState::Idle, {}},
        TDragCase{"AClick", {10, 10}, {10, 10}, TSelectionState::Idle, {}},
        // With the mouse captured, a release beyond the window still counts.
        TDragCase{"EndsLeftOfTheWindow", {20, 20}, {-30, 60}, TSelectionState::Accepted, {-30, 20, 20, 60}},
        // The mouse goes no further than the last column and row: reaching them takes them in.
        TDragCase{"CornerToCorner", {0, 0}, {1919, 1079}, TSelectionState::Accepted, {0, 0, 1920, 1080}},
        TDragCase{"BackFromTheBottomRightCorner",
                  {1919, 1079},
                  {1800, 1000},
                  TSelectionState::Accepted,
                  {1800, 1000, 1920, 1080}},
        TDragCase{"ToTheRightEdge", {1900, 500}, {1919, 600}, TSelectionState::Accepted, {1900, 500, 1920, 600}},
        TDragCase{"ToTheBottomEdge", {500, 1000}, {600, 1079}, TSelectionState::Accepted, {500, 1000, 600, 1080}},
        TDragCase{"OneShortOfTheEdgeStaysExclusive",
                  {1800, 1000},
                  {1918, 1078},
                  TSelectionState::Accepted,
                  {1800, 1000, 1918, 1078}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(SelectionModelTest, TheSelectionIsReturnedInScreenCoordinates) {
  // A monitor left of the primary one: client (10, 10) is screen (-1910, 10).
  TSelectionModel model({-1920, 0, 1920, 1080});
  model.MouseDown(TMouseButton::Left, {10, 10});
  model.MouseMove({110, 60});
  EXPECT_EQ(model.SelectionRect(), (TRect{10, 10, 110, 60})); // client coordinates while dragging
  model.MouseUp(TMouseButton::Left, {210, 110});
  EXPECT_EQ(model.SelectedRect(), (TRect{-1910, 10, -1710, 110}));
}

TEST(SelectionModelTest, ARefusedDragRemovesItsOutlineAndANewDragIsAccepted) {
  TSelectionModel model(OneMonitor);
  model.MouseDown(TMouseButton::Left, {100, 100});
  model.MouseMove({107, 200});
  const TRects repaint = model.MouseUp(TMouseButton::Left, {107, 200});
  // The outline as last drawn is repainted away.
  EXPECT_EQ(Sorted(repaint), Sorted([] {
              TRects r = SelectionInvalidation({100, 100, 107, 200}, OneMonitor);
              const TRects added = SelectionInvalidation({100, 100, 107, 200}, OneMonitor);
              r.insert(r.end(), added.begin(), added.end());
              return r;
            }()));
  EXPECT_EQ(model.State(), TSelectionState::Idle);
  EXPECT_FALSE(model.Selecting());

  model.MouseDown(TMouseButton::Left, {300, 300});
  model.MouseUp(TMouseButton::Left, {400, 350});
  EXPECT_EQ(model.State(), TSelectionState::Accepted);
  EXPECT_EQ(model.SelectedRect(), (TRect{300, 300, 400, 350}));
}

TEST(SelectionModelTest, ADragBackToTheStartIsRefusedAndErasesWhereItWent) {
  TSelectionModel model(OneMonitor);
  model.MouseDown(TMouseButton::Left, {100, 100});
  model.MouseMove({200, 200});
  const TRects back = model.MouseMove({100, 100});
  // The big rectangle's outline goes, the empty one's is drawn.
  TRects expected = SelectionInvalidation({100, 100, 200, 200}, OneMonitor);
  const TRects empty = SelectionInvalidation({100, 100, 100, 100}, OneMonitor);
  expected.insert(expected.end(), empty.begin(), empty.end());
  EXPECT_EQ(back, expected);
  model.MouseUp(TMouseButton::Left, {100, 100});
  EXPECT_EQ(model.State(), TSelectionState::Idle);
  EXPECT_EQ(model.SelectedRect(), TRect{});
}

TEST(SelectionModelTest, EachMoveRepaintsTheOldAndTheNewOutline) {
  TSelectionModel model(OneMonitor);
  const TRects down = model.MouseDown(TMouseButton::Left, {100, 100});
  TRects atPoint = SelectionInvalidation({100, 100, 100, 100}, OneMonitor);
  TRects twice = atPoint;
  twice.insert(twice.end(), atPoint.begin(), atPoint.end());
  EXPECT_EQ(down, twice);

  model.MouseMove({150, 140});
  const TRects move = model.MouseMove({300, 250});
  TRects expected = SelectionInvalidation({100, 100, 150, 140}, OneMonitor);
  const TRects added = SelectionInvalidation({100, 100, 300, 250}, OneMonitor);
  expected.insert(expected.end(), added.begin(), added.end());
  EXPECT_EQ(move, expected);
}

// --- Buttons, keys and closing ---

struct TEventCase {
  const char* Name;
  bool Dragging; // a left-button drag is running when the event comes
  std::function<void(TSelectionModel&)> Event;
  TSelectionState State;
};

void PrintTo(const TEventCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class SelectionEventTest : public testing::TestWithParam<TEventCase> {};

TEST_P(SelectionEventTest, CancelsOrIsIgnored) {
  const TEventCase& c = GetParam();
  TSelectionModel model(OneMonitor);
  if (c.Dragging) {
    model.MouseDown(TMouseButton::Left, {100, 100});
    model.MouseMove({300, 300});
  }
  c.Event(model);
  EXPECT_EQ(model.State(), c.State);
  EXPECT_EQ(model.SelectedRect(), TRect{});
}

const auto Down = [](TMouseButton AButton) { return [=](TSelectionModel& m) { m.MouseDown(AButton, {200, 200}); }; };
const auto Up = [](TMouseButton AButton) { return [=](TSelectionModel& m) { m.MouseUp(AButton, {400, 400}); }; };
const auto Key = [](unsigned AKey) { return [=](TSelectionModel& m) { m.KeyDown(AKey); }; };
const auto Move = [](TSelectionModel& m) { m.MouseMove({400, 400}); };
const auto CloseIt = [](TSelectionModel& m) { m.Close(); };

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionEventTest,
    testing::Values(TEventCase{"RightPressCancels", false, Down(TMouseButton::Right), TSelectionState::Cancelled},
                    TEventCase{"RightPressCancelsADrag", true, Down(TMouseButton::Right), TSelectionState::Cancelled},
                    TEventCase{"EscapeCancels", false, Key(VkEscape), TSelectionState::Cancelled},
                    TEventCase{"EscapeCancelsADrag", true, Key(VkEscape), TSelectionState::Cancelled},
                    TEventCase{"ClosingCancels", false, CloseIt, TSelectionState::Cancelled},
                    TEventCase{"ClosingCancelsADrag", true, CloseIt, TSelectionState::Cancelled},
                    TEventCase{"MiddlePressIsIgnored", false, Down(TMouseButton::Middle), TSelectionState::Idle},
                    TEventCase{"MiddlePressLeavesADrag", true, Down(TMouseButton::Middle), TSelectionState::Dragging},
                    TEventCase{"ExtraButtonIsIgnored", false, Down(TMouseButton::Other), TSelectionState::Idle},
                    TEventCase{"OtherKeysAreIgnored", false, Key(13), TSelectionState::Idle},
                    TEventCase{"OtherKeysLeaveADrag", true, Key(32), TSelectionState::Dragging},
                    TEventCase{"MovesWithoutAPressAreIgnored", false, Move, TSelectionState::Idle},
                    TEventCase{"ReleasesWithoutAPressAreIgnored", false, Up(TMouseButton::Left), TSelectionState::Idle},
                    TEventCase{"RightReleaseLeavesADrag", true, Up(TMouseButton::Right), TSelectionState::Dragging},
                    TEventCase{"MiddleReleaseLeavesADrag", true, Up(TMouseButton::Middle), TSelectionState::Dragging}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(SelectionModelTest, NothingChangesOnceFinished) {
  TSelectionModel model(OneMonitor);
  model.MouseDown(TMouseButton::Left, {10, 10});
  model.MouseUp(TMouseButton::Left, {110, 60});
  model.KeyDown(VkEscape);
  model.Close();
  EXPECT_TRUE(model.MouseDown(TMouseButton::Left, {0, 0}).empty());
  EXPECT_EQ(model.State(), TSelectionState::Accepted);
  EXPECT_EQ(model.SelectedRect(), (TRect{10, 10, 110, 60}));
}

// --- The label and the repainted areas ---

TEST(SelectionLabelTest, ReadsWidthXHeight) {
  EXPECT_EQ(SelectionLabelText({50, 60, 100, 100}), u"50 x 40");
  EXPECT_EQ(SelectionLabelText({0, 0, 120, 45}), u"120 x 45");
}

struct TLabelCase {
  const char* Name;
  TRect Selection;
  TRect Client;
  int Dpi;
  TRect Box;
  TPoint TextOrigin;
  int FontPixels;
};

void PrintTo(const TLabelCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class SelectionLabelTest : public testing::TestWithParam<TLabelCase> {};

TEST_P(SelectionLabelTest, SitsAboveTheSelectionInsideTheScreenAtTheMonitorsScale) {
  const TLabelCase& c = GetParam();
  const TSelectionLabel label = SelectionLabel(c.Selection, c.Client, c.Dpi);
  EXPECT_EQ(label.Box, c.Box);
  EXPECT_EQ(label.TextOrigin, c.TextOrigin);
  EXPECT_EQ(label.FontPixels, c.FontPixels);
}

constexpr TRect Wide{0, 0, 4200, 2400};

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionLabelTest,
    testing::Values(
        // At 96 DPI: 90 × 18, its bottom 4 above the selection, the text 12 pixels high.
        TLabelCase{"Above", {40, 100, 300, 200}, OneMonitor, 96, {40, 78, 130, 96}, {44, 80}, 12},
        TLabelCase{"AtTheTopOfTheScreen", {40, 22, 300, 122}, OneMonitor, 96, {40, 0, 130, 18}, {44, 2}, 12},
        // Its top would be above the screen: moved down by 28, inside the selection.
        TLabelCase{"MovedDownOnePixelLower", {40, 21, 300, 121}, OneMonitor, 96, {40, 27, 130, 45}, {44, 29}, 12},
        TLabelCase{"MovedDown", {40, 10, 300, 110}, OneMonitor, 96, {40, 16, 130, 34}, {44, 18}, 12},
        TLabelCase{"MovedDownAtTheTopEdge", {40, 0, 300, 100}, OneMonitor, 96, {40, 6, 130, 24}, {44, 8}, 12},
        // It would reach past the right edge: it ends there instead, its text whole.
        TLabelCase{"AtTheRightEdge", {4170, 500, 4200, 600}, Wide, 96, {4110, 478, 4200, 496}, {4114, 480}, 12},
        TLabelCase{"EndingAtTheRightEdge", {4110, 500, 4200, 600}, Wide, 96, {4110, 478, 4200, 496}, {4114, 480}, 12},
        TLabelCase{"InTheTopRightCorner", {4190, 0, 4200, 50}, Wide, 96, {4110, 6, 4200, 24}, {4114, 8}, 12},
        // Dragged out of the window with the mouse captured: still on screen.
        TLabelCase{"LeftOfTheScreen", {-30, 500, 20, 600}, Wide, 96, {0, 478, 90, 496}, {4, 480}, 12},
        // At 144 DPI (150 %) every size is half as large again.
        TLabelCase{"At144Dpi", {40, 100, 300, 200}, OneMonitor, 144, {40, 67, 175, 94}, {46, 70}, 18},
        TLabelCase{"MovedDownAt144Dpi", {40, 20, 300, 120}, OneMonitor, 144, {40, 29, 175, 56}, {46, 32}, 18},
        TLabelCase{
            "AtTheRightEdgeAt144Dpi", {1900, 500, 1919, 600}, OneMonitor, 144, {1785, 467, 1920, 494}, {1791, 470}, 18},
        TLabelCase{"At192Dpi", {40, 100, 300, 200}, OneMonitor, 192, {40, 56, 220, 92}, {48, 60}, 24}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(SelectionModelTest, TheLabelTakesTheScaleOfWhereTheDragStartsAndKeepsItDuringTheDrag) {
  TSelectionModel model(OneMonitor);
  EXPECT_EQ(model.LabelDpi(), 96);
  model.SetLabelDpi(144);
  const TRects down = model.MouseDown(TMouseButton::Left, {100, 100});
  const TRects atPoint = SelectionInvalidation({100, 100, 100, 100}, OneMonitor, 144);
  TRects twice = atPoint;
  twice.insert(twice.end(), atPoint.begin(), atPoint.end());
  EXPECT_EQ(down, twice);
  model.MouseMove({300, 250});
  EXPECT_EQ(model.Label().Box, (TRect{100, 67, 235, 94}));
  // A monitor of another scale under the mouse changes nothing until the next drag: what
  // was drawn is what is repainted.
  model.SetLabelDpi(96);
  EXPECT_EQ(model.LabelDpi(), 144);
  const TRects move = model.MouseMove({300, 260});
  EXPECT_EQ(move.back(), (TRect{100, 67, 250, 94})); // the label area, 150 wide
  model.MouseUp(TMouseButton::Left, {104, 104});     // refused
  model.SetLabelDpi(96);
  model.MouseDown(TMouseButton::Left, {100, 100});
  model.MouseMove({300, 250});
  EXPECT_EQ(model.Label().Box, (TRect{100, 78, 190, 96}));

  TSelectionModel other(OneMonitor);
  other.SetLabelDpi(144);
  other.SetLabelDpi(0); // nonsense from the system
  EXPECT_EQ(other.LabelDpi(), 96);
}

struct TBandCase {
  const char* Name;
  TRect Rect;
  TRect Client;
  TRects Expected;
  int Dpi = 96;
};

void PrintTo(const TBandCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class SelectionInvalidationTest : public testing::TestWithParam<TBandCase> {};

TEST_P(SelectionInvalidationTest, GivesFourEdgeBandsAndTheLabelArea) {
  EXPECT_EQ(SelectionInvalidation(GetParam().Rect, GetParam().Client, GetParam().Dpi), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionInvalidationTest,
    testing::Values(
        TBandCase{
            "InTheMiddle",
            {100, 100, 300, 250},
            OneMonitor,
            {{92, 92, 308, 108}, {92, 242, 308, 258}, {92, 92, 108, 258}, {292, 92, 308, 258}, {100, 78, 200, 96}}},
        TBandCase{
            "InvertedIsNormalizedFirst",
            {300, 250, 100, 100},
            OneMonitor,
            {{92, 92, 308, 108}, {92, 242, 308, 258}, {92, 92, 108, 258}, {292, 92, 308, 258}, {100, 78, 200, 96}}},
        TBandCase{"AtTheTopLeftCornerClippedAndTheLabelMovedDown",
                  {0, 0, 50, 50},
                  OneMonitor,
                  {{0, 0, 58, 8}, {0, 42, 58, 58}, {0, 0, 8, 58}, {42, 0, 58, 58}, {0, 6, 100, 24}}},
        // The label area moves into the client area with the label.
        TBandCase{"PartsOutsideTheClientAreaAreLeftOut",
                  {95, 40, 120, 60},
                  {0, 0, 100, 100},
                  {{87, 32, 100, 48}, {87, 52, 100, 68}, {87, 32, 100, 68}, {0, 18, 100, 36}}},
        TBandCase{"EntirelyOutsideButTheLabel", {300, 300, 400, 400}, {0, 0, 100, 100}, {{0, 82, 100, 100}}},
        // The label area goes where the label does: inside the screen, scaled.
        TBandCase{"TheLabelAreaStaysOnScreenAtTheRightEdge",
                  {1850, 500, 1900, 600},
                  OneMonitor,
                  {{1842, 492, 1908, 508},
                   {1842, 592, 1908, 608},
                   {1842, 492, 1858, 608},
                   {1892, 492, 1908, 608},
                   {1820, 478, 1920, 496}}},
        TBandCase{
            "TheLabelAreaAt144Dpi",
            {100, 100, 300, 250},
            OneMonitor,
            {{92, 92, 308, 108}, {92, 242, 308, 258}, {92, 92, 108, 258}, {292, 92, 308, 258}, {100, 67, 250, 94}},
            144}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- Freezing, cutting and the whole interaction ---

TEST(FreezeVirtualScreenTest, CopiesEveryMonitorOnce) {
  TFakeScreen screen;
  screen.PaintCoordinates({-64, -8, 64, 56});
  const std::optional<TFrozenScreen> frozen = FreezeVirtualScreen(screen);
  ASSERT_TRUE(frozen);
  EXPECT_EQ(frozen->VirtualRect, (TRect{-64, -8, 64, 56}));
  EXPECT_TRUE(frozen->Image.SamePixels(screen.Pixels));
}

TEST(FreezeVirtualScreenTest, FailsForAScreenWithoutPixelsOrAFailedCopy) {
  TFakeScreen screen;
  screen.VirtualRect = {0, 0, 0, 1080};
  EXPECT_FALSE(FreezeVirtualScreen(screen));
  EXPECT_TRUE(screen.Copies.empty()); // not even tried
  screen.VirtualRect = {0, 0, 64, 48};
  screen.CopyFails = true;
  EXPECT_FALSE(FreezeVirtualScreen(screen));
}

struct TCropCase {
  const char* Name;
  TRect Virtual;
  TRect Selected;
  std::optional<TRect> Cut; // in screen coordinates
};

void PrintTo(const TCropCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class CropScreenBitmapTest : public testing::TestWithParam<TCropCase> {};

TEST_P(CropScreenBitmapTest, CutsTheSelectionClippedToTheScreen) {
  const TCropCase& c = GetParam();
  TFakeScreen screen;
  screen.PaintCoordinates(c.Virtual);
  const std::optional<TBitmap32> cut = CropScreenBitmap(screen.Pixels, c.Virtual, c.Selected);
  ASSERT_EQ(cut.has_value(), c.Cut.has_value());
  if (!cut)
    return;
  ASSERT_EQ(cut->Width(), c.Cut->Width());
  ASSERT_EQ(cut->Height(), c.Cut->Height());
  EXPECT_EQ(cut->Pixel(0, 0), TFakeScreen::CoordinatePixel(c.Cut->Left, c.Cut->Top));
  EXPECT_EQ(cut->Pixel(cut->Width() - 1, cut->Height() - 1),
            TFakeScreen::CoordinatePixel(c.Cut->Right - 1, c.Cut->Bottom - 1));
}

const TRect Small{0, 0, 200, 120};

INSTANTIATE_TEST_SUITE_P(
    Cases, CropScreenBitmapTest,
    testing::Values(TCropCase{"Inside", Small, {20, 30, 120, 80}, TRect{20, 30, 120, 80}},
                    TCropCase{"PartlyOutsideIsClipped", Small, {150, 100, 260, 200}, TRect{150, 100, 200, 120}},
                    TCropCase{"EntirelyOutside", Small, {300, 0, 400, 100}, std::nullopt},
                    TCropCase{"ClippedToSevenIsRefused", Small, {193, 0, 260, 100}, std::nullopt},
                    TCropCase{"ClippedToEightIsKept", Small, {192, 0, 260, 100}, TRect{192, 0, 200, 100}},
                    TCropCase{"LeftMonitorAtNegativeCoordinates",
                              {-300, -20, 100, 100},
                              {-290, -10, -90, 90},
                              TRect{-290, -10, -90, 90}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

class SelectScreenRegionTest : public testing::Test {
protected:
  SelectScreenRegionTest() { FScreen.PaintCoordinates({-300, 0, 300, 200}); }
  TFakeScreen FScreen;
  TFakeSelectionOverlay FOverlay;
};

TEST_F(SelectScreenRegionTest, GivesTheCutOutOfWhatTheOverlayShowed) {
  FOverlay.Script = TFakeSelectionOverlay::Drag({10, 10}, {210, 110});
  // The screen changes while the overlay is open: the cut-out is still what was shown.
  FOverlay.WhileOpen = [this] { FScreen.Pixels.Fill(0xFFFFFFFF); };
  const TScreenSelection selection = SelectScreenRegion(FScreen, FOverlay);
  ASSERT_TRUE(selection.Ok);
  EXPECT_EQ(selection.Rect, (TRect{-290, 10, -90, 110}));
  ASSERT_EQ(selection.Image.Width(), 200);
  ASSERT_EQ(selection.Image.Height(), 100);
  EXPECT_EQ(selection.Image.Pixel(0, 0), TFakeScreen::CoordinatePixel(-290, 10));
  EXPECT_EQ(FOverlay.ShownRect, (TRect{-300, 0, 300, 200}));
  EXPECT_EQ(FOverlay.Shown.Pixel(0, 0), TFakeScreen::CoordinatePixel(-300, 0));
  EXPECT_EQ(FScreen.Copies.size(), 1u); // frozen once, cut from the frozen copy
}

TEST_F(SelectScreenRegionTest, CancelGivesNothing) {
  for (const auto& cancel :
       {TFakeSelectionOverlay::Press(VkEscape), TFakeSelectionOverlay::Click(TMouseButton::Right, {50, 50})}) {
    FOverlay.Script = TFakeSelectionOverlay::Drag({10, 10}, {12, 12}); // refused, stays open
    FOverlay.Script.push_back(cancel);
    FOverlay.Script.push_back(TFakeSelectionOverlay::Drag({10, 10}, {210, 110}).front()); // too late
    const TScreenSelection selection = SelectScreenRegion(FScreen, FOverlay);
    EXPECT_FALSE(selection.Ok);
    EXPECT_TRUE(selection.Image.Empty());
    EXPECT_EQ(selection.Rect, TRect{});
  }
  EXPECT_EQ(FOverlay.Runs, 2);
}

TEST_F(SelectScreenRegionTest, AnAcceptedRectangleWithoutACutOutIsStillReported) {
  // Dragged from beyond the top-left corner (the mouse is captured): 8 × 8 on screen
  // coordinates (-310, -10)..(-302, -2) lies off the virtual screen.
  FOverlay.Script = TFakeSelectionOverlay::Drag({-10, -10}, {-2, -2});
  const TScreenSelection selection = SelectScreenRegion(FScreen, FOverlay);
  EXPECT_FALSE(selection.Ok);
  EXPECT_TRUE(selection.Image.Empty());
  EXPECT_EQ(selection.Rect, (TRect{-310, -10, -302, -2}));
}

TEST_F(SelectScreenRegionTest, NothingIsShownWhenTheScreenCannotBeFrozen) {
  FScreen.CopyFails = true;
  const TScreenSelection selection = SelectScreenRegion(FScreen, FOverlay);
  EXPECT_FALSE(selection.Ok);
  EXPECT_EQ(FOverlay.Runs, 0);
}

} // namespace
} // namespace tarvel
