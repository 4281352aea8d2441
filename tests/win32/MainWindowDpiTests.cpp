#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "app/win32/ControlIds.h"
#include "app/win32/MainWindowMetrics.h"
#include "app/win32/Win32ProgramHost.h"
#include "core/win32/Handles.h"
#include "ocr_double/OcrScript.h"

namespace tarvel {
namespace {

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND AParent, int AId) {
  const HWND child = GetDlgItem(AParent, AId);
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, AParent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int IconWidth(HICON AIcon) {
  ICONINFO info{};
  if (!AIcon || !GetIconInfo(AIcon, &info))
    return 0;
  const TUniqueBitmap color(info.hbmColor);
  const TUniqueBitmap mask(info.hbmMask);
  BITMAP bitmap{};
  GetObjectW(color.Get(), sizeof(bitmap), &bitmap);
  return bitmap.bmWidth;
}

// The window moved to a monitor of ADpi: the system suggests a frame of the same client
// size in that monitor's pixels.
void ChangeDpi(HWND AWindow, UINT ADpi) {
  RECT frame{0, 0, MulDiv(metrics::ClientWidth, ADpi, 96), MulDiv(metrics::ClientHeight, ADpi, 96)};
  AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0, ADpi);
  SendMessageW(AWindow, WM_DPICHANGED, MAKEWPARAM(ADpi, ADpi), reinterpret_cast<LPARAM>(&frame));
}

// The real main window, with the test's OCR runtime classes in place of the system's (one
// language, so that no warning box waits).
class MainWindowDpiTest : public testing::TestWithParam<UINT> {
protected:
  ocr_double::TOcrDoubleRegistration FOcr;
  ocr_double::TOcrScript FLanguages;
};

// The slider takes its row after the position field with the same margins in design units,
// and the buttons' icons and the logo are drawn at the size they are shown at.
TEST_P(MainWindowDpiTest, TheSliderAndTheIconsScaleWithTheWindow) {
  const UINT dpi = GetParam();
  const auto scale = [dpi](int AValue) { return MulDiv(AValue, static_cast<int>(dpi), 96); };
  TWin32Services services(GetModuleHandleW(nullptr));
  TWin32ProgramHost host(GetModuleHandleW(nullptr), services);
  host.InitializeApplication();
  host.CreateMainWindow();
  TWin32MainWindow& window = *host.MainWindow();
  // Through the other DPI first, so that nothing is left from the window's start.
  ChangeDpi(window.Handle(), dpi == 96 ? 192 : 96);
  ChangeDpi(window.Handle(), dpi);

  const HWND card = GetDlgItem(window.Handle(), idCrdMain);
  RECT client{};
  GetClientRect(card, &client);
  const RECT arrows = ChildRect(card, idSpnClipboardPageUpDown);
  const RECT slider = ChildRect(card, idTrkSlider);
  // The position field's box ends 2 pixels right of its arrows.
  EXPECT_EQ(slider.left - (arrows.right + 2), scale(6));
  EXPECT_EQ(client.right - slider.right, scale(6));

  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(window.Images(), &cx, &cy));
  EXPECT_EQ(cx, scale(metrics::IconSize));
  EXPECT_EQ(cy, scale(metrics::IconSize));
  const HWND logo = GetDlgItem(GetDlgItem(window.Handle(), idCrdInfo), idImage2);
  EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(logo, STM_GETICON, 0, 0))), scale(64));
}

INSTANTIATE_TEST_SUITE_P(Dpi, MainWindowDpiTest, testing::Values(96u, 192u),
                         [](const auto& AInfo) { return std::to_string(AInfo.param); });

} // namespace
} // namespace tarvel
