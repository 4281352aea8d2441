// Which rectangle of the screen a capture copies, and that the copy holds that rectangle's
// pixels.
#include <gtest/gtest.h>

#include <ostream>

#include "capture/uCapture.h"
#include "fakes/FakeScreen.h"

namespace tarvel {

void PrintTo(const TRect& ARect, std::ostream* AOut) {
  *AOut << "(" << ARect.Left << ", " << ARect.Top << ", " << ARect.Right << ", " << ARect.Bottom << ")";
}

namespace {

constexpr TRect OneMonitor{0, 0, 1920, 1080};

TEST(CaptureRectTest, UsableMeansBothSidesAtLeastEight) {
  EXPECT_TRUE(IsUsableRect({0, 0, 8, 8}));
  EXPECT_TRUE(IsUsableRect({-20, -20, -12, -12}));
  EXPECT_FALSE(IsUsableRect({0, 0, 7, 100}));
  EXPECT_FALSE(IsUsableRect({0, 0, 100, 7}));
  EXPECT_FALSE(IsUsableRect({100, 100, 0, 0})); // inverted
}

TEST(CaptureRectTest, CentredRectHalvesTowardZero) {
  EXPECT_EQ(CenteredRect({10, 10}, 300, 120), (TRect{-140, -50, 160, 70}));
  EXPECT_EQ(CenteredRect({5, 5}, 3, 3), (TRect{4, 4, 7, 7}));
  EXPECT_EQ(CenteredRect({-5, -5}, 3, 3), (TRect{-6, -6, -3, -3}));
}

struct TNormalizeCase {
  const char* Name;
  TRect Requested;
  TRect Virtual;
  TPoint Cursor;
  std::vector<TRect> Windows; // topmost first
  TRect Expected;
};

void PrintTo(const TNormalizeCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class NormalizeCaptureRectTest : public testing::TestWithParam<TNormalizeCase> {};

TEST_P(NormalizeCaptureRectTest, GivesTheRectangleThatIsCopied) {
  const TNormalizeCase& c = GetParam();
  const TWindowLookup windowAt = [&c](TPoint APoint) -> std::optional<TRect> {
    for (const TRect& window : c.Windows)
      if (window.Contains(APoint))
        return window;
    return std::nullopt;
  };
  EXPECT_EQ(NormalizeCaptureRect(c.Requested, c.Virtual, c.Cursor, windowAt), c.Expected);
}

const TRect Control{400, 250, 800, 450};

INSTANTIATE_TEST_SUITE_P(
    Cases, NormalizeCaptureRectTest,
    testing::Values(
        TNormalizeCase{
            "EmptyRequestTakesTheControlUnderTheCursor", {0, 0, 0, 0}, OneMonitor, {500, 300}, {Control}, Control},
        TNormalizeCase{"FivePixelsWideIsReplaced", {100, 100, 105, 300}, OneMonitor, {500, 300}, {Control}, Control},
        TNormalizeCase{"InvertedIsReplaced", {300, 300, 100, 100}, OneMonitor, {500, 300}, {Control}, Control},
        TNormalizeCase{"OffScreenTakesTheWindowClippedToTheScreen",
                       {-900, -700, -100, -100},
                       OneMonitor,
                       {500, 300},
                       {{-100, 200, 600, 400}},
                       {0, 200, 600, 400}},
        TNormalizeCase{"ThinSeparatorGivesTheFallbackClipped",
                       {0, 0, 0, 0},
                       OneMonitor,
                       {10, 10},
                       {{0, 9, 400, 12}},
                       {0, 0, 160, 70}},
        TNormalizeCase{
            "NoWindowGivesTheFallbackAroundTheCursor", {0, 0, 0, 0}, OneMonitor, {960, 540}, {}, {810, 480, 1110, 600}},
        TNormalizeCase{"WindowMostlyOffScreenGivesTheScreensCorner",
                       {0, 0, 0, 0},
                       OneMonitor,
                       {2, 200},
                       {{-395, 100, 5, 300}},
                       {0, 0, 300, 120}},
        TNormalizeCase{
            "PartlyOffScreenIsClipped", {1800, 1000, 2000, 1200}, OneMonitor, {0, 0}, {}, {1800, 1000, 1920, 1080}},
        TNormalizeCase{"TooLargeIsCutAroundTheCursorAndShiftedBack",
                       {0, 0, 1920, 1080},
                       OneMonitor,
                       {1900, 500},
                       {},
                       {720, 100, 1920, 900}},
        TNormalizeCase{"CutNearACornerShiftsBackOntoTheScreen",
                       {0, 0, 1920, 1080},
                       OneMonitor,
                       {100, 1070},
                       {},
                       {0, 280, 1200, 1080}},
        TNormalizeCase{"CursorOutsideCutsAroundTheCentre",
                       {0, 0, 1920, 1080},
                       {0, 0, 3840, 1080},
                       {2500, 500},
                       {},
                       {360, 140, 1560, 940}},
        TNormalizeCase{"ExactlyTheLargestSizeIsUncut", {0, 0, 1200, 800}, OneMonitor, {50, 50}, {}, {0, 0, 1200, 800}},
        // Cut, either would move towards the cursor near its far corner.
        TNormalizeCase{"ExactlyTheLargestWidthStaysWhereItIs",
                       {600, 100, 1800, 400},
                       OneMonitor,
                       {1750, 350},
                       {},
                       {600, 100, 1800, 400}},
        TNormalizeCase{"ExactlyTheLargestHeightStaysWhereItIs",
                       {100, 200, 400, 1000},
                       OneMonitor,
                       {350, 950},
                       {},
                       {100, 200, 400, 1000}},
        TNormalizeCase{"OnePixelWiderIsCut", {0, 0, 1201, 800}, OneMonitor, {50, 50}, {}, {0, 0, 1200, 800}},
        TNormalizeCase{"LeftMonitorAtNegativeCoordinates",
                       {-1500, 100, -1000, 400},
                       {-1920, 0, 1920, 1080},
                       {0, 0},
                       {},
                       {-1500, 100, -1000, 400}},
        TNormalizeCase{"CutOnANegativeScreenStaysOnIt",
                       {-1920, 0, 0, 1080},
                       {-1920, 0, 1920, 1080},
                       {-1900, 20},
                       {},
                       {-1920, 0, -720, 800}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(CaptureRectTest, ScreenOverloadsUseTheScreensCursorAndWindows) {
  TFakeScreen screen;
  screen.Cursor = TPoint{500, 300};
  screen.Windows = {Control};
  EXPECT_EQ(GetWindowRectUnderCursor(screen), Control);
  EXPECT_EQ(NormalizeCaptureRect(screen, {}), Control);
  EXPECT_EQ(GetVirtualScreenRect(screen), OneMonitor);
}

TEST(CaptureRectTest, AFailedCursorQueryCountsAsTheScreensCentre) {
  TFakeScreen screen;
  screen.VirtualRect = {-1920, 0, 1920, 1080};
  screen.Cursor = std::nullopt;
  EXPECT_EQ(GetWindowRectUnderCursor(screen), (TRect{-150, 480, 150, 600}));
  // The cut is centred on the middle of the screen too.
  EXPECT_EQ(NormalizeCaptureRect(screen, {-1920, 0, 1920, 1080}), (TRect{-600, 140, 600, 940}));
}

TEST(ScreenCaptureTest, ARectangleCaptureHoldsThatRectanglesPixels) {
  TFakeScreen screen;
  screen.PaintCoordinates({-300, -40, 200, 160});
  screen.Cursor = TPoint{0, 0};
  const TBitmap32 image = CaptureScreenRect(screen, {-120, -30, 80, 20});
  ASSERT_EQ(image.Width(), 200);
  ASSERT_EQ(image.Height(), 50);
  EXPECT_EQ(image.Pixel(0, 0), TFakeScreen::CoordinatePixel(-120, -30));
  EXPECT_EQ(image.Pixel(199, 49), TFakeScreen::CoordinatePixel(79, 19));
  EXPECT_EQ(screen.Copies, (std::vector<TRect>{{-120, -30, 80, 20}}));
}

TEST(ScreenCaptureTest, TheFullCaptureSpansEveryMonitorFromTheLeftmost) {
  TFakeScreen screen;
  screen.PaintCoordinates({-300, -40, 200, 160});
  const TBitmap32 image = CaptureVirtualScreen(screen);
  ASSERT_EQ(image.Width(), 500);
  ASSERT_EQ(image.Height(), 200);
  EXPECT_TRUE(image.SamePixels(screen.Pixels));
}

TEST(ScreenCaptureTest, AFailedCopyIsNotDetected) {
  TFakeScreen screen;
  screen.VirtualRect = {0, 0, 64, 48};
  screen.CopyFails = true;
  const TBitmap32 image = CaptureVirtualScreen(screen);
  EXPECT_EQ(image.Width(), 64);
  EXPECT_EQ(image.Height(), 48);
}

} // namespace
} // namespace tarvel
