#include "ui/win32/Peers.h"

#include <commctrl.h>

#include <algorithm>

#include "core/FlagScope.h"
#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/ErrorBoundary.h"
#include "core/win32/Handles.h"
#include "core/win32/Messages.h"
#include "core/win32/Windowing.h"
#include "ui/win32/PeerSupport.h"
#include "ui/win32/Theme.h"

namespace tarvel {

// Image -----------------------------------------------------------------------------------

TImagePeer::TImagePeer(TImage& AModel, HWND AHandle) : TPeer(AModel, AHandle), FImage(AModel) {
  SetWindowLongPtrW(Handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Mirror();
}

void TImagePeer::Mirror() {
  TPeer::Mirror();
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TImagePeer::RegisterWindowClass(HINSTANCE AInstance) {
  RegisterWindowClassOnce(AInstance, ClassName, WindowProc);
}

LRESULT CALLBACK TImagePeer::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  return Guarded(AWindow, [&]() -> LRESULT {
    if (AMessage == WM_ERASEBKGND)
      return 1;
    if (AMessage == WM_CONTEXTMENU)
      if (auto* self = reinterpret_cast<TImagePeer*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
          self && ShowContextMenu(AWindow, self->Model(), ALParam, false))
        return 0;
    if (AMessage == WM_PAINT) {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(AWindow, &ps);
      RECT client;
      GetClientRect(AWindow, &client);
      if (auto* self = reinterpret_cast<TImagePeer*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA)))
        self->Paint(dc, client);
      else
        FillRectColor(dc, client, theme::Field);
      EndPaint(AWindow, &ps);
      return 0;
    }
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  });
}

void TImagePeer::Paint(HDC ADC, const RECT& AClient) const {
  FillRectColor(ADC, AClient, theme::Field);
  const TBitmap32* picture = FImage.Picture();
  if (!picture || picture->Empty())
    return;
  const int cw = AClient.right - AClient.left;
  const int ch = AClient.bottom - AClient.top;
  // Fit: scaled up or down, proportions kept, centred.
  const double scale =
      std::min(static_cast<double>(cw) / picture->Width(), static_cast<double>(ch) / picture->Height());
  const int w = std::max(1, static_cast<int>(picture->Width() * scale + 0.5));
  const int h = std::max(1, static_cast<int>(picture->Height() * scale + 0.5));
  const BITMAPINFO bi = TopDownBitmapInfo(picture->Width(), picture->Height());
  SetStretchBltMode(ADC, HALFTONE);
  SetBrushOrgEx(ADC, 0, 0, nullptr);
  StretchDIBits(ADC, (cw - w) / 2, (ch - h) / 2, w, h, 0, 0, picture->Width(), picture->Height(), picture->Bits(), &bi,
                DIB_RGB_COLORS, SRCCOPY);
}

} // namespace tarvel
