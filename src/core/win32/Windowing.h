#pragma once

#include <windows.h>

#include <memory>

#include "core/win32/ErrorBoundary.h"

namespace tarvel {

// Registers a window class; a class already registered by this module is fine (tests and
// a re-created window register again). AStyle adds class styles (CS_DBLCLKS), ACursor is the
// system cursor shown over its windows.
void RegisterWindowClassOnce(HINSTANCE AInstance, const wchar_t* AClassName, WNDPROC AWindowProc, UINT AStyle = 0,
                             const wchar_t* ACursor = IDC_ARROW);

// The object a window of one of the procedures below belongs to; null before WM_NCCREATE and
// after the object let go of it (DetachWindowObject).
template <class T> T* WindowObject(HWND AWindow) noexcept {
  return reinterpret_cast<T*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
}
inline void DetachWindowObject(HWND AWindow) noexcept {
  SetWindowLongPtrW(AWindow, GWLP_USERDATA, 0);
}

// The window procedure of a class whose windows each belong to an object of T, the one
// passed to CreateWindowExW as its last argument: from WM_NCCREATE on (that message
// included) every message goes to AHandler, inside the error boundary, so that what it lets
// through reaches the error box and the program goes on; without an object DefWindowProcW
// answers.
template <class T, LRESULT (T::*AHandler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK ObjectWindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_NCCREATE)
    SetWindowLongPtrW(AWindow, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(ALParam)->lpCreateParams));
  T* const self = WindowObject<T>(AWindow);
  if (!self)
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  return Guarded(AWindow, [&] { return (self->*AHandler)(AWindow, AMessage, AWParam, ALParam); });
}

// The same for a window that makes its own object, T(HWND), as a control does: it is made at
// WM_NCCREATE (the window is not created when that fails) and destroyed once the window
// handled WM_NCDESTROY.
template <class T, LRESULT (T::*AHandler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK OwnedObjectWindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_NCCREATE) {
    std::unique_ptr<T> made = Guarded(AWindow, [&] { return std::unique_ptr<T>(new T(AWindow)); });
    if (!made)
      return FALSE;
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made.release()));
  }
  T* const self = WindowObject<T>(AWindow);
  if (!self)
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  if (AMessage == WM_NCDESTROY) {
    const std::unique_ptr<T> owned(self);
    DetachWindowObject(AWindow);
    return Guarded(AWindow, [&] { return (owned.get()->*AHandler)(AWindow, AMessage, AWParam, ALParam); });
  }
  return Guarded(AWindow, [&] { return (self->*AHandler)(AWindow, AMessage, AWParam, ALParam); });
}

// Gives AWindow the outer size that makes its client area AClientWidth × AClientHeight (already
// scaled for ADpi) with AStyle and AExStyle, centred on the work area of the primary monitor.
void CentreWithClientSize(HWND AWindow, int AClientWidth, int AClientHeight, DWORD AStyle, DWORD AExStyle, UINT ADpi);

// Header of a top-down 32-bit DIB of the given size, the layout of TBitmap32.
BITMAPINFO TopDownBitmapInfo(int AWidth, int AHeight) noexcept;

} // namespace tarvel
