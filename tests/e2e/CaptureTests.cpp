// Ctrl+Shift+F and Ctrl+Shift+R pressed as a user does, with windows of the driver painted
// in known pixels under them.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "CaptureScenario.h"
#include "core/win32/Messages.h"

namespace tarvel::e2e {
namespace {

using test::GrabScreen;
using test::SameColours;
using test::TPatternWindow;

constexpr RECT BoardRect{60, 60, 380, 320};
constexpr RECT Box{100, 100, 300, 250};

// The overlay's scenarios.
class CaptureTest : public TCaptureScenario {
protected:
  // Opens the overlay with the hotkey and waits until its frozen picture is on screen. Once,
  // in a clean run right after an overlay had closed, Wine delivered no hot key for the
  // synthesized chord; it is pressed a second time then, and the run says so.
  void OpenOverlay() {
    PressCtrlShift('R');
    if (!WaitUntil([&] { return Overlay() != nullptr; }, 5s)) {
      std::printf("[ info     ] no overlay 5 s after Ctrl+Shift+R; pressed again\n");
      PressCtrlShift('R');
    }
    ASSERT_TRUE(OverlayOpens()) << "no overlay after Ctrl+Shift+R\n" << Log();
    Sleep(300); // painted
  }
};

TEST_F(CaptureTest, CtrlShiftFCopiesTheWholeScreenIntoTheHistoryAndTheClipboard) {
  const TPatternWindow board(BoardRect, 0x33);
  const RECT v = test::VirtualScreen();
  const int width = v.right - v.left;
  const int height = v.bottom - v.top;
  PressCtrlShift('F');
  const std::wstring line = L"Full screen captured: " + std::to_wstring(width) + L"x" + std::to_wstring(height);
  ASSERT_TRUE(LogHas(line)) << Log();
  EXPECT_EQ(Label().rfind(L"1 / 1", 0), 0u) << Label();
  EXPECT_NE(Label().find(L"Image " + std::to_wstring(width) + L"x" + std::to_wstring(height)), std::wstring::npos)
      << Label();
  const std::optional<TBitmap32> pasted = FOther.Image();
  ASSERT_TRUE(pasted);
  ASSERT_EQ(pasted->Width(), width);
  ASSERT_EQ(pasted->Height(), height);
  TBitmap32 boardPart(BoardRect.right - BoardRect.left, BoardRect.bottom - BoardRect.top, 0);
  boardPart.Draw(v.left - BoardRect.left, v.top - BoardRect.top, *pasted);
  EXPECT_TRUE(SameColours(boardPart, board.Expected(BoardRect, 0x33)));
  EXPECT_EQ(Occurrences(Log(), L"Full screen captured"), 1u) << Log();
}

TEST_F(CaptureTest, TheScreenshotStaysOnTheClipboardAfterTarvelQuits) {
  const TPatternWindow board(BoardRect, 0x44);
  PressCtrlShift('F');
  ASSERT_TRUE(LogHas(L"Full screen captured: ")) << Log();
  ChooseTrayMenuItem(tmQuit);
  AnswerQuit(IDYES);
  ASSERT_TRUE(FTarvel.WaitForExit(10000)) << "Tarvel did not quit";
  const std::optional<TBitmap32> pasted = FOther.Image();
  ASSERT_TRUE(pasted) << "the image left with Tarvel";
  const RECT v = test::VirtualScreen();
  EXPECT_EQ(pasted->Width(), v.right - v.left);
  TBitmap32 boardPart(BoardRect.right - BoardRect.left, BoardRect.bottom - BoardRect.top, 0);
  boardPart.Draw(v.left - BoardRect.left, v.top - BoardRect.top, *pasted);
  EXPECT_TRUE(SameColours(boardPart, board.Expected(BoardRect, 0x44)));
}

TEST_F(CaptureTest, CtrlShiftRCutsTheDraggedBoxFromTheScreenAsItWasWhenTheOverlayOpened) {
  TPatternWindow board(BoardRect, 0x20);
  const RECT all = test::VirtualScreen();
  const TBitmap32 before = GrabScreen(all);
  OpenOverlay();
  // Nothing dims or tints the frozen picture.
  int at = -1;
  EXPECT_TRUE(SameColours(GrabScreen(all), before, &at)) << "first difference at pixel " << at;
  SaveScreenshot(GetDesktopWindow(), L"screen-box-overlay-open");

  // The screen under the overlay changes; the user still sees, and gets, the old pixels.
  board.SetShade(0xD0);
  Sleep(200);
  EXPECT_TRUE(SameColours(GrabScreen(Box), board.Expected(Box, 0x20)));

  Drag({Box.left, Box.top}, {Box.right, Box.bottom}, L"screen-box-drag");
  ASSERT_TRUE(LogHas(L"Screen box captured: 200x150")) << Log();
  EXPECT_TRUE(OverlayCloses()) << "the overlay stayed";
  EXPECT_EQ(Label().rfind(L"1 / 1", 0), 0u) << Label();
  const std::optional<TBitmap32> pasted = FOther.Image();
  ASSERT_TRUE(pasted);
  ASSERT_EQ(pasted->Width(), 200);
  ASSERT_EQ(pasted->Height(), 150);
  EXPECT_TRUE(SameColours(*pasted, board.Expected(Box, 0x20), &at)) << "first difference at pixel " << at;
  // The screen itself shows the new shade again.
  EXPECT_TRUE(SameColours(GrabScreen(Box), board.Expected(Box, 0xD0)));
}

TEST_F(CaptureTest, ASevenPixelDragLeavesTheOverlayOpenForAnotherDrag) {
  // A light and a dark area, so that the screenshots show the size label on both.
  const TPatternWindow light({420, 60, 700, 340}, 0, RGB(250, 250, 250));
  const TPatternWindow dark({720, 60, 1000, 340}, 0, RGB(10, 10, 10));
  OpenOverlay();
  Drag({450, 120}, {457, 300}, L"screen-box-drag-light");
  Sleep(300);
  EXPECT_NE(Overlay(), nullptr) << "a 7-pixel drag closed the overlay";
  EXPECT_EQ(Log().find(L"Screen box"), std::wstring::npos) << Log();

  // While a drag runs the outline and the label are on screen.
  MoveMouse({750, 100});
  PressMouse();
  MoveMouse({900, 200});
  Sleep(300);
  EXPECT_EQ(ScreenPixel({750, 150}), RGB(0, 255, 0));
  EXPECT_EQ(ScreenPixel({800, 100}), RGB(0, 255, 0));
  EXPECT_EQ(ScreenPixel({751, 79}), RGB(0, 0, 0)); // the label's box, above the selection
  SaveScreenshot(GetDesktopWindow(), L"screen-box-drag-dark");
  MoveMouse({850, 180});
  ReleaseMouse();
  ASSERT_TRUE(LogHas(L"Screen box captured: 100x80")) << Log();
  EXPECT_TRUE(OverlayCloses());
  const std::optional<TBitmap32> pasted = FOther.Image();
  ASSERT_TRUE(pasted);
  EXPECT_EQ(pasted->Width(), 100);
  EXPECT_EQ(pasted->Pixel(50, 40) & 0xFFFFFF, 0x0A0A0Au);
}

// What the screen shows of the size label in a rectangle: its black pixels, and the rows
// with text, white on black.
struct TLabelPixels {
  int Black = 0;
  int TextRows = 0;
};
TLabelPixels LabelPixels(const RECT& ARect) {
  const TBitmap32 shown = GrabScreen(ARect);
  TLabelPixels found;
  for (int y = 0; y < shown.Height(); ++y) {
    int black = 0;
    bool white = false;
    for (int x = 0; x < shown.Width(); ++x) {
      const std::uint32_t c = shown.Pixel(x, y) & 0xFFFFFF;
      black += c == 0;
      white = white || ((c & 0xFF) > 0xC0 && (c >> 8 & 0xFF) > 0xC0 && (c >> 16 & 0xFF) > 0xC0);
    }
    found.Black += black;
    found.TextRows += white && black > 0;
  }
  return found;
}

// The mouse stops at the last column and row of the screen: a drag that goes on past the
// bottom-right corner takes them in, and the size label, which would reach past the right
// edge, ends at it with its text whole.
TEST_F(CaptureTest, ADragPastTheBottomRightCornerTakesInTheEdgeAndShowsTheWholeLabel) {
  const RECT v = test::VirtualScreen();
  const RECT corner{v.right - 200, v.bottom - 200, v.right, v.bottom};
  const TPatternWindow board(corner, 0xE0);
  OpenOverlay();
  const POINT from{v.right - 40, v.bottom - 120};
  MoveMouse(from);
  PressMouse();
  MoveMouse({v.right - 20, v.bottom - 60});
  MoveMouse({v.right + 50, v.bottom + 50});
  Sleep(300);
  // The box is 90 × 18 with its bottom 4 above the selection, moved left to end at the edge.
  const RECT label{v.right - 90, from.y - 22, v.right, from.y - 4};
  const TLabelPixels inLabel = LabelPixels(label);
  EXPECT_GT(inLabel.Black, 90 * 18 / 2) << "no label box at the right edge";
  EXPECT_GE(inLabel.TextRows, 6) << "no text in the label";
  EXPECT_EQ(ScreenPixel({v.right - 1, from.y - 12}), RGB(0, 0, 0));
  EXPECT_EQ(ScreenPixel({v.right - 90, from.y - 12}), RGB(0, 0, 0));
  EXPECT_NE(ScreenPixel({v.right - 91, from.y - 12}), RGB(0, 0, 0));
  SaveScreenshot(GetDesktopWindow(), L"screen-box-label-at-the-right-edge");
  ReleaseMouse();
  ASSERT_TRUE(LogHas(L"Screen box captured: 40x120")) << Log();
  const std::optional<TBitmap32> pasted = FOther.Image();
  ASSERT_TRUE(pasted);
  ASSERT_EQ(pasted->Width(), 40);
  ASSERT_EQ(pasted->Height(), 120);
  const RECT cut{from.x, from.y, v.right, v.bottom};
  int at = -1;
  EXPECT_TRUE(SameColours(*pasted, board.Expected(cut, 0xE0), &at)) << "first difference at pixel " << at;
}

TEST_F(CaptureTest, EscapeAndARightClickCancelWithoutAnEntry) {
  FOther.CopyText(L"before");
  ASSERT_TRUE(WaitUntil([&] { return Label().rfind(L"1 / 1", 0) == 0; }, 10s)) << Label() << "\n" << Log();
  OpenOverlay();
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(OverlayCloses()) << "Escape left the overlay open";
  ASSERT_TRUE(LogHas(L"Screen box selection cancelled")) << Log();
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == FUserProgram.Handle(); }, 10s))
      << "the keyboard did not go back to the program the user was in";

  OpenOverlay();
  MoveMouse({200, 200});
  PressMouse(true);
  ReleaseMouse(true);
  ASSERT_TRUE(OverlayCloses()) << "a right click left the overlay open";
  ASSERT_TRUE(WaitUntil([&] { return Occurrences(Log(), L"Screen box selection cancelled") == 2; }, 10s)) << Log();

  Sleep(300);
  EXPECT_EQ(Label().rfind(L"1 / 1", 0), 0u) << Label();
  EXPECT_EQ(FOther.Text(), L"before");
  EXPECT_EQ(Log().find(L"Screenshot"), std::wstring::npos) << Log();
  EXPECT_EQ(Log().find(L"captured: image"), std::wstring::npos) << Log();
}

TEST_F(CaptureTest, CtrlShiftRAgainWhileTheOverlayIsOpenOpensNoSecondOne) {
  OpenOverlay();
  const HWND first = Overlay();
  PressCtrlShift('R');
  Sleep(500);
  int overlays = 0;
  for (HWND top : TopLevelWindowsOf(FTarvel.Id())) {
    wchar_t name[64] = {};
    GetClassNameW(top, name, 64);
    overlays += IsWindowVisible(top) && std::wstring(name) == OverlayClass;
  }
  EXPECT_EQ(overlays, 1);
  EXPECT_EQ(Overlay(), first);
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(OverlayCloses());
  ASSERT_TRUE(LogHas(L"Screen box selection cancelled")) << Log();
  Sleep(300);
  EXPECT_EQ(Occurrences(Log(), L"Screen box selection cancelled"), 1u) << Log();
}

// The main window shown from the tray while the overlay is open becomes the foreground
// window, hidden behind the topmost overlay; the keys still belong to the overlay.
TEST_F(CaptureTest, EscapeCancelsAfterTheMainWindowWasShownFromTheTray) {
  OpenOverlay();
  // A double click on the tray icon, which the overlay covers.
  PostMessageW(FMain, pmTrayIcon, 1, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(FMain) && GetForegroundWindow() == FMain; }, 10s));
  ASSERT_NE(Overlay(), nullptr);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(OverlayCloses()) << "Escape left the overlay open";
  EXPECT_TRUE(LogHas(L"Screen box selection cancelled")) << Log();
  EXPECT_TRUE(IsWindowVisible(FMain));
  SaveScreenshot(GetDesktopWindow(), L"screen-box-escape-after-the-main-window-came");
}

// Tarvel started on a screen scaled to 150 % (144 DPI), the way Wine takes the scale from
// the user's LogPixels value when a program starts.
class CaptureAt144DpiTest : public CaptureTest {
protected:
  static constexpr wchar_t DesktopKey[] = L"Control Panel\\Desktop";
  void SetUp() override {
    const DWORD dpi = 144;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi), ERROR_SUCCESS);
    CaptureTest::SetUp();
  }
  void TearDown() override {
    CaptureTest::TearDown();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels");
  }
};

TEST_F(CaptureAt144DpiTest, TheSizeLabelGrowsWithTheScale) {
  constexpr COLORREF Grey = RGB(128, 128, 128);
  const TPatternWindow grey({420, 60, 900, 500}, 0, Grey);
  OpenOverlay();
  const POINT from{500, 200};
  MoveMouse(from);
  PressMouse();
  MoveMouse({700, 300});
  MoveMouse({760, 330});
  Sleep(300);
  // 90 × 18 with its bottom 4 above the selection at 96 DPI: 135 × 27, 6 above, at 144.
  const RECT label{from.x, from.y - 33, from.x + 135, from.y - 6};
  const TLabelPixels inLabel = LabelPixels(label);
  EXPECT_GT(inLabel.Black, 135 * 27 / 2) << "no label box of 135 x 27";
  for (const POINT inside : {POINT{from.x + 1, from.y - 33}, POINT{from.x + 134, from.y - 7}})
    EXPECT_EQ(ScreenPixel(inside), RGB(0, 0, 0)) << inside.x << ", " << inside.y;
  for (const POINT outside : {POINT{from.x + 1, from.y - 34}, POINT{from.x + 135, from.y - 20}})
    EXPECT_EQ(ScreenPixel(outside), Grey) << outside.x << ", " << outside.y;
  // Text of the window's size at 144 DPI: digits about 13 pixels high, not 9.
  EXPECT_GE(inLabel.TextRows, 12) << "the label's text is not scaled";
  SaveScreenshot(GetDesktopWindow(), L"screen-box-label-at-144-dpi");
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(OverlayCloses());
  ReleaseMouse();
}

} // namespace
} // namespace tarvel::e2e
