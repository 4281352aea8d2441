#pragma once

// What the Windows tiers use to put known pixels on the screen and to read them back.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "core/Bitmap32.h"
#include "core/win32/Windowing.h"

namespace tarvel::test {

// The screen's pixels in ARect (screen coordinates), copied the plain way.
inline TBitmap32 GrabScreen(const RECT& ARect) {
  const int w = ARect.right - ARect.left;
  const int h = ARect.bottom - ARect.top;
  TBitmap32 image(w, h, 0);
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const BITMAPINFO info = TopDownBitmapInfo(w, h);
  void* bits = nullptr;
  const HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, w, h, screen, ARect.left, ARect.top, SRCCOPY);
  GdiFlush();
  std::memcpy(image.Bits(), bits, image.ByteSize());
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return image;
}

// Polls ACondition, dispatching this thread's messages meanwhile, for up to 5 seconds.
template <class TCondition> bool WaitFor(TCondition ACondition) {
  for (int i = 0; i < 250; ++i) {
    if (ACondition())
      return true;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&msg);
    Sleep(20);
  }
  return ACondition();
}

inline RECT VirtualScreen() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// Colours only: what the fourth byte holds after a screen copy is the system's business.
inline bool SameColours(const TBitmap32& A, const TBitmap32& B, int* AFirstDifference = nullptr) {
  if (A.Width() != B.Width() || A.Height() != B.Height())
    return false;
  for (int y = 0; y < A.Height(); ++y)
    for (int x = 0; x < A.Width(); ++x)
      if ((A.Pixel(x, y) & 0xFFFFFF) != (B.Pixel(x, y) & 0xFFFFFF)) {
        if (AFirstDifference)
          *AFirstDifference = y * A.Width() + x;
        return false;
      }
  return true;
}

// A topmost window of the test whose every pixel says where it is: client pixel (x, y) is
// red x & 255, green y & 255, blue the current shade; or, when a solid colour is given, a
// plain area of it. It has a thread of its own, so it paints while the test waits or is
// busy elsewhere.
class TPatternWindow {
public:
  TPatternWindow(const RECT& AScreenRect, std::uint8_t AShade, std::optional<COLORREF> ASolid = std::nullopt)
      : FRect(AScreenRect), FShade(AShade), FSolid(ASolid) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    FThread = std::thread([this, ready] { Run(ready); });
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
  }
  ~TPatternWindow() {
    if (FWindow)
      SendMessageW(FWindow, WM_CLOSE, 0, 0);
    FThread.join();
  }
  TPatternWindow(const TPatternWindow&) = delete;
  TPatternWindow& operator=(const TPatternWindow&) = delete;

  HWND Handle() const noexcept { return FWindow; }
  // Repaints in another shade; returns once the new pixels are on screen.
  void SetShade(std::uint8_t AShade) { SendMessageW(FWindow, ShadeMessage, AShade, 0); }

  // The colour of client pixel (x, y) in a shade, as 0x00RRGGBB.
  static std::uint32_t Colour(int AX, int AY, std::uint8_t AShade) {
    return static_cast<std::uint32_t>(AX & 255) << 16 | static_cast<std::uint32_t>(AY & 255) << 8 | AShade;
  }
  // What the screen should show over ARect (screen coordinates inside the window).
  TBitmap32 Expected(const RECT& ARect, std::uint8_t AShade) const {
    TBitmap32 image(ARect.right - ARect.left, ARect.bottom - ARect.top);
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x)
        image.SetPixel(x, y, 0xFF000000u | Colour(ARect.left - FRect.left + x, ARect.top - FRect.top + y, AShade));
    return image;
  }

private:
  static constexpr UINT ShadeMessage = WM_APP + 1;

  void Run(HANDLE AReady) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"TarvelTestPattern";
    RegisterClassW(&wc);
    FWindow =
        CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"pattern", WS_POPUP, FRect.left, FRect.top,
                        FRect.right - FRect.left, FRect.bottom - FRect.top, nullptr, nullptr, wc.hInstance, this);
    ShowWindow(FWindow, SW_SHOWNOACTIVATE);
    UpdateWindow(FWindow);
    GdiFlush();
    SetEvent(AReady);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
      DispatchMessageW(&msg);
  }

  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
    if (AMessage == WM_NCCREATE)
      SetWindowLongPtrW(AWindow, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(ALParam)->lpCreateParams));
    auto* self = reinterpret_cast<TPatternWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
    switch (AMessage) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: self->Paint(); return 0;
    case ShadeMessage:
      self->FShade = static_cast<std::uint8_t>(AWParam);
      InvalidateRect(AWindow, nullptr, FALSE);
      UpdateWindow(AWindow);
      GdiFlush();
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    }
  }

  void Paint() {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(FWindow, &ps);
    const int w = FRect.right - FRect.left;
    const int h = FRect.bottom - FRect.top;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        pixels[static_cast<std::size_t>(y) * w + x] =
            FSolid ? (GetRValue(*FSolid) << 16 | GetGValue(*FSolid) << 8 | GetBValue(*FSolid)) : Colour(x, y, FShade);
    const BITMAPINFO info = TopDownBitmapInfo(w, h);
    StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    EndPaint(FWindow, &ps);
  }

  RECT FRect;
  std::uint8_t FShade;
  std::optional<COLORREF> FSolid;
  HWND FWindow = nullptr;
  std::thread FThread;
};

} // namespace tarvel::test
