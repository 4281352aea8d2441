// Copies of the screen and the selection overlay against the real user32 and GDI, with a
// window of the test painted in a known pattern.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

#include "ScreenSupport.h"
#include "capture/uCapture.h"
#include "capture/win32/Win32Screen.h"
#include "ocr/win32/SelectionForm.h"

namespace tarvel {
namespace {

using test::GrabScreen;
using test::SameColours;
using test::TPatternWindow;

constexpr RECT PatternRect{40, 60, 360, 280};

TEST(Win32ScreenTest, TheVirtualScreenAndTheWindowAtAPoint) {
  TWin32Screen screen;
  const RECT v = test::VirtualScreen();
  EXPECT_EQ(screen.VirtualScreenRect(), (TRect{v.left, v.top, v.right, v.bottom}));
  const TPatternWindow pattern(PatternRect, 0x40);
  EXPECT_EQ(screen.WindowRectAt({100, 100}), (TRect{40, 60, 360, 280}));
  EXPECT_TRUE(screen.CursorPos().has_value());
}

TEST(Win32ScreenTest, ARectangleCaptureHoldsThePixelsAtItsOffsets) {
  const TPatternWindow pattern(PatternRect, 0x40);
  TWin32Screen screen;
  const RECT wanted{60, 70, 260, 170};
  const TBitmap32 image = CaptureScreenRect(screen, {60, 70, 260, 170});
  ASSERT_EQ(image.Width(), 200);
  ASSERT_EQ(image.Height(), 100);
  int at = -1;
  EXPECT_TRUE(SameColours(image, pattern.Expected(wanted, 0x40), &at)) << "first difference at pixel " << at;
}

TEST(Win32ScreenTest, TheFullCaptureIsTheWholeVirtualScreen) {
  const TPatternWindow pattern(PatternRect, 0x41);
  TWin32Screen screen;
  const RECT v = test::VirtualScreen();
  const TBitmap32 image = CaptureVirtualScreen(screen);
  ASSERT_EQ(image.Width(), v.right - v.left);
  ASSERT_EQ(image.Height(), v.bottom - v.top);
  TBitmap32 window(PatternRect.right - PatternRect.left, PatternRect.bottom - PatternRect.top, 0);
  window.Draw(v.left - PatternRect.left, v.top - PatternRect.top, image);
  EXPECT_TRUE(SameColours(window, pattern.Expected(PatternRect, 0x41)));
}

TEST(Win32ScreenTest, TheCutOutComesFromTheFrozenImageNotTheScreenNow) {
  TPatternWindow pattern(PatternRect, 0x10);
  TWin32Screen screen;
  const std::optional<TFrozenScreen> frozen = FreezeVirtualScreen(screen);
  ASSERT_TRUE(frozen);
  pattern.SetShade(0xE0);
  const RECT selected{100, 100, 300, 250};
  // The screen shows the new shade...
  EXPECT_TRUE(SameColours(GrabScreen(selected), pattern.Expected(selected, 0xE0)));
  // ...the cut-out the old one.
  const std::optional<TBitmap32> cut = CropScreenBitmap(frozen->Image, frozen->VirtualRect, {100, 100, 300, 250});
  ASSERT_TRUE(cut);
  EXPECT_TRUE(SameColours(*cut, pattern.Expected(selected, 0x10)));
}

// A window of this thread whose posted messages run a test step: the overlay's modal loop
// must dispatch them while it waits.
class TStepWindow {
public:
  TStepWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarvelTestSteps";
    RegisterClassW(&wc);
    FWindow = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }
  ~TStepWindow() { DestroyWindow(FWindow); }
  // AStep must live until it has run.
  void Post(std::function<void()>& AStep) { PostMessageW(FWindow, WM_APP, 0, reinterpret_cast<LPARAM>(&AStep)); }

private:
  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
    if (AMessage == WM_APP) {
      (*reinterpret_cast<std::function<void()>*>(ALParam))();
      return 0;
    }
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }

  HWND FWindow = nullptr;
};

HWND FindOverlay() {
  return FindWindowW(SelectionOverlayClass, nullptr);
}

LPARAM At(int AX, int AY) {
  return MAKELPARAM(AX, AY);
}

class SelectionFormTest : public testing::Test {
protected:
  SelectionFormTest() {
    // A frozen image unlike anything on the screen: the overlay must show it, not the
    // screen, and nothing over it.
    const RECT v = test::VirtualScreen();
    FFrozen.VirtualRect = {v.left, v.top, v.right, v.bottom};
    FFrozen.Image = TBitmap32(v.right - v.left, v.bottom - v.top);
    for (int y = 0; y < FFrozen.Image.Height(); ++y)
      for (int x = 0; x < FFrozen.Image.Width(); ++x)
        FFrozen.Image.SetPixel(x, y,
                               0xFF000000u | static_cast<std::uint32_t>((x * 7) & 255) << 16 |
                                   static_cast<std::uint32_t>((y * 3) & 255) << 8 | 0x5A);
  }

  // Runs the overlay modally; AStep runs inside its loop.
  TSelectionModel RunOverlay(std::function<void()> AStep) {
    TSelectionModel model(FFrozen.VirtualRect);
    TOcrSelectionForm form(GetModuleHandleW(nullptr), FFrozen, model);
    FOverlay = form.Handle();
    FSteps.Post(AStep);
    form.ShowModal();
    return model;
  }

  // The overlay as the screen shows it now.
  TBitmap32 Shown(const RECT& ARect) {
    UpdateWindow(FOverlay);
    GdiFlush();
    return GrabScreen(ARect);
  }
  TBitmap32 Frozen(const RECT& ARect) {
    TBitmap32 part(ARect.right - ARect.left, ARect.bottom - ARect.top, 0);
    part.Draw(FFrozen.VirtualRect.Left - ARect.left, FFrozen.VirtualRect.Top - ARect.top, FFrozen.Image);
    return part;
  }

  TFrozenScreen FFrozen;
  TStepWindow FSteps;
  HWND FOverlay = nullptr;
};

TEST_F(SelectionFormTest, ABorderlessTopmostWindowOverTheVirtualScreen) {
  const TSelectionModel model = RunOverlay([&] {
    EXPECT_EQ(FindOverlay(), FOverlay);
    EXPECT_TRUE(IsWindowVisible(FOverlay));
    const LONG style = GetWindowLongW(FOverlay, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(FOverlay, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU));
    EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    RECT r;
    GetWindowRect(FOverlay, &r);
    EXPECT_EQ((TRect{r.left, r.top, r.right, r.bottom}), FFrozen.VirtualRect);
    EXPECT_EQ(GetForegroundWindow(), FOverlay);
    EXPECT_EQ(SendMessageW(FOverlay, WM_ERASEBKGND, 0, 0), 1);
    PostMessageW(FOverlay, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  EXPECT_EQ(model.State(), TSelectionState::Cancelled);
  EXPECT_FALSE(IsWindowVisible(FOverlay));
}

TEST_F(SelectionFormTest, ShowsTheFrozenImageUntintedAndTheDragOutlineAndLabel) {
  const TSelectionModel model = RunOverlay([&] {
    const RECT all = test::VirtualScreen();
    int at = -1;
    EXPECT_TRUE(SameColours(Shown(all), Frozen(all), &at)) << "first difference at pixel " << at;

    SendMessageW(FOverlay, WM_LBUTTONDOWN, MK_LBUTTON, At(100, 100));
    SendMessageW(FOverlay, WM_MOUSEMOVE, MK_LBUTTON, At(300, 250));
    const TBitmap32 shown = Shown(all);
    // The green outline on every edge, the label's black box above it with white text,
    // the inside untouched.
    for (const auto& [x, y] : {std::pair{100, 175}, {299, 175}, {200, 100}, {200, 249}})
      EXPECT_EQ(shown.Pixel(x - all.left, y - all.top) & 0xFFFFFF, 0x00FF00u) << x << ", " << y;
    EXPECT_EQ(shown.Pixel(101 - all.left, 79 - all.top) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown.Pixel(189 - all.left, 95 - all.top) & 0xFFFFFF, 0u);
    int white = 0;
    for (int y = 80; y < 96; ++y)
      for (int x = 104; x < 190; ++x) {
        const std::uint32_t c = shown.Pixel(x - all.left, y - all.top);
        white += (c & 0xFF) > 0xC0 && (c >> 8 & 0xFF) > 0xC0 && (c >> 16 & 0xFF) > 0xC0;
      }
    EXPECT_GT(white, 10) << "no label text";
    const RECT inside{110, 110, 290, 240};
    EXPECT_TRUE(SameColours(Shown(inside), Frozen(inside)));

    // Dragged back to a 7-pixel rectangle and released: refused, the outline goes.
    SendMessageW(FOverlay, WM_MOUSEMOVE, MK_LBUTTON, At(107, 300));
    SendMessageW(FOverlay, WM_LBUTTONUP, 0, At(107, 300));
    EXPECT_TRUE(SameColours(Shown(all), Frozen(all), &at)) << "first difference at pixel " << at;
    EXPECT_TRUE(IsWindowVisible(FOverlay));
    EXPECT_EQ(GetCapture(), nullptr);

    // A new drag is accepted.
    PostMessageW(FOverlay, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 30));
    PostMessageW(FOverlay, WM_LBUTTONUP, 0, At(60, 50));
  });
  EXPECT_EQ(model.State(), TSelectionState::Accepted);
  EXPECT_EQ(model.SelectedRect(), (TRect{FFrozen.VirtualRect.Left + 20, FFrozen.VirtualRect.Top + 30,
                                         FFrozen.VirtualRect.Left + 60, FFrozen.VirtualRect.Top + 50}));
}

TEST_F(SelectionFormTest, RightButtonCancelsAndTheMiddleOneDoesNothing) {
  const TSelectionModel model = RunOverlay([&] {
    SendMessageW(FOverlay, WM_MBUTTONDOWN, MK_MBUTTON, At(50, 50));
    EXPECT_TRUE(IsWindowVisible(FOverlay));
    PostMessageW(FOverlay, WM_RBUTTONDOWN, MK_RBUTTON, At(50, 50));
  });
  EXPECT_EQ(model.State(), TSelectionState::Cancelled);
}

TEST_F(SelectionFormTest, ACloseFromAnotherThreadEndsTheLoop) {
  std::thread closer;
  const TSelectionModel model = RunOverlay([&] {
    const HWND overlay = FOverlay;
    closer = std::thread([overlay] { SendMessageW(overlay, WM_CLOSE, 0, 0); });
  });
  closer.join();
  EXPECT_EQ(model.State(), TSelectionState::Cancelled);
}

TEST_F(SelectionFormTest, AQuitRequestCancelsAndReachesTheOuterLoop) {
  const TSelectionModel model = RunOverlay([] { PostQuitMessage(7); });
  EXPECT_EQ(model.State(), TSelectionState::Cancelled);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

// Another window of the program comes to the front while the overlay is open, the way the
// main window does when it is shown from the tray: active, but behind the topmost overlay.
// The keys the user presses still reach the overlay, so Escape still cancels.
TEST_F(SelectionFormTest, EscapeCancelsWhileAnotherWindowOfTheProgramHasTheFocus) {
  const HWND program = CreateWindowExW(0, L"STATIC", L"program", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(program, nullptr);
  // Ends a loop that the key did not end.
  const HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> forced = false;
  std::thread watchdog;
  std::function<void()> pressEscape = [&] {
    EXPECT_EQ(GetFocus(), program);
    const HWND overlay = FOverlay;
    watchdog = std::thread([&forced, done, overlay] {
      if (WaitForSingleObject(done, 3000) == WAIT_TIMEOUT) {
        forced = true;
        SendMessageW(overlay, WM_CLOSE, 0, 0);
      }
    });
    // Where the system puts a key: in the message queue, for the window with the focus.
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(GetFocus(), WM_KEYUP, VK_ESCAPE, 0xC0010001);
  };
  const TSelectionModel model = RunOverlay([&] {
    ShowWindow(program, SW_SHOW);
    SetForegroundWindow(program);
    SetFocus(program);
    FSteps.Post(pressEscape);
  });
  SetEvent(done);
  if (watchdog.joinable())
    watchdog.join();
  CloseHandle(done);
  EXPECT_EQ(model.State(), TSelectionState::Cancelled);
  EXPECT_FALSE(forced) << "Escape did not reach the overlay";
  EXPECT_TRUE(IsWindowVisible(program));
  DestroyWindow(program);
}

TEST_F(SelectionFormTest, TheWin32OverlayGivesTheKeyboardBack) {
  TPatternWindow other(PatternRect, 0x20);
  SetForegroundWindow(other.Handle());
  // The window system hands the focus over in its own time.
  ASSERT_TRUE(test::WaitFor([&] { return GetForegroundWindow() == other.Handle(); }));
  TWin32SelectionOverlay overlay(GetModuleHandleW(nullptr));
  TSelectionModel model(FFrozen.VirtualRect);
  std::function<void()> step = [&] { PostMessageW(FindOverlay(), WM_KEYDOWN, VK_ESCAPE, 0); };
  FSteps.Post(step);
  overlay.Run(FFrozen, model);
  EXPECT_EQ(model.State(), TSelectionState::Cancelled);
  EXPECT_EQ(FindOverlay(), nullptr); // destroyed
  EXPECT_TRUE(test::WaitFor([&] { return GetForegroundWindow() == other.Handle(); }))
      << "the keyboard stayed with " << GetForegroundWindow();
}

} // namespace
} // namespace tarvel
