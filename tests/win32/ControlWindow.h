#pragma once

// A window of another program holding one standard control, for the tests that point at
// controls: a topmost borderless frame at a screen rectangle, the control at a rectangle of
// the frame's client area. It runs on a thread of its own, so it paints while the test waits.
#include <windows.h>

#include <string>
#include <thread>

namespace tarvel::test {

class TControlWindow {
public:
  TControlWindow(const RECT& AFrame, const wchar_t* AClass, std::wstring AText, const RECT& AControl, DWORD AStyle = 0)
      : FFrameRect(AFrame), FClass(AClass), FText(std::move(AText)), FControlRect(AControl), FStyle(AStyle) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    FThread = std::thread([this, ready] { Run(ready); });
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
  }
  ~TControlWindow() {
    if (FFrame)
      SendMessageW(FFrame, WM_CLOSE, 0, 0);
    FThread.join();
  }
  TControlWindow(const TControlWindow&) = delete;
  TControlWindow& operator=(const TControlWindow&) = delete;

  HWND Frame() const noexcept { return FFrame; }
  HWND Control() const noexcept { return FControl; }
  // The control's rectangle on the screen, and its middle.
  RECT ControlOnScreen() const {
    RECT r{};
    GetWindowRect(FControl, &r);
    return r;
  }
  POINT ControlCentre() const {
    const RECT r = ControlOnScreen();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

private:
  void Run(HANDLE AReady) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"TarvelTestControlFrame";
    RegisterClassW(&wc);
    FFrame =
        CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"control frame",
                        WS_POPUP | WS_CLIPCHILDREN, FFrameRect.left, FFrameRect.top, FFrameRect.right - FFrameRect.left,
                        FFrameRect.bottom - FFrameRect.top, nullptr, nullptr, wc.hInstance, nullptr);
    FControl = CreateWindowExW(0, FClass, FText.c_str(), WS_CHILD | WS_VISIBLE | FStyle, FControlRect.left,
                               FControlRect.top, FControlRect.right - FControlRect.left,
                               FControlRect.bottom - FControlRect.top, FFrame, nullptr, wc.hInstance, nullptr);
    ShowWindow(FFrame, SW_SHOWNOACTIVATE);
    UpdateWindow(FFrame);
    GdiFlush();
    SetEvent(AReady);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  static LRESULT CALLBACK FrameProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
    if (AMessage == WM_DESTROY) {
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }

  RECT FFrameRect;
  const wchar_t* FClass;
  std::wstring FText;
  RECT FControlRect;
  DWORD FStyle;
  HWND FFrame = nullptr;
  HWND FControl = nullptr;
  std::thread FThread;
};

} // namespace tarvel::test
