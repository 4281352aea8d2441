#pragma once

#include <windows.h>

namespace tarvel {

// Registers a window class; a class already registered by this module is fine (tests and
// a re-created window register again).
void RegisterWindowClassOnce(HINSTANCE AInstance, const wchar_t* AClassName, WNDPROC AWindowProc);

// Gives AWindow the outer size that makes its client area AClientWidth × AClientHeight (already
// scaled for ADpi) with AStyle and AExStyle, centred on the work area of the primary monitor.
void CentreWithClientSize(HWND AWindow, int AClientWidth, int AClientHeight, DWORD AStyle, DWORD AExStyle, UINT ADpi);

// Header of a top-down 32-bit DIB of the given size, the layout of TBitmap32.
BITMAPINFO TopDownBitmapInfo(int AWidth, int AHeight) noexcept;

} // namespace tarvel
