#include "core/win32/Windowing.h"

#include "core/win32/Check.h"

namespace tarvel {

void RegisterWindowClassOnce(HINSTANCE AInstance, const wchar_t* AClassName, WNDPROC AWindowProc, UINT AStyle,
                             const wchar_t* ACursor) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = AStyle;
  wc.lpfnWndProc = AWindowProc;
  wc.hInstance = AInstance;
  wc.hCursor = LoadCursorW(nullptr, ACursor);
  wc.lpszClassName = AClassName;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    RaiseLastOSError("RegisterClassExW");
}

void CentreWithClientSize(HWND AWindow, int AClientWidth, int AClientHeight, DWORD AStyle, DWORD AExStyle, UINT ADpi) {
  RECT frame{0, 0, AClientWidth, AClientHeight};
  AdjustWindowRectExForDpi(&frame, AStyle, FALSE, AExStyle, ADpi);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int w = frame.right - frame.left;
  const int h = frame.bottom - frame.top;
  SetWindowPos(AWindow, nullptr, work.left + (work.right - work.left - w) / 2,
               work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

BITMAPINFO TopDownBitmapInfo(int AWidth, int AHeight) noexcept {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = AWidth;
  bi.bmiHeader.biHeight = -AHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

} // namespace tarvel
