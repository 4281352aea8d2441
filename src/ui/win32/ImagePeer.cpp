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

TImagePeer::TImagePeer(TImage& AModel, HINSTANCE AInstance, HWND AParent, int AId)
    : TPeer(AModel, nullptr), FImage(AModel) {
  RegisterWindowClassOnce(AInstance, ClassName, ObjectWindowProc<TImagePeer, &TImagePeer::WindowMessage>);
  AttachHandle(CheckWin32(CreateWindowExW(0, ClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, AParent,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(AId)), AInstance, this),
                          "CreateWindowExW"));
  Mirror();
}

// A window that outlives its peer paints nothing more.
TImagePeer::~TImagePeer() {
  if (IsWindow(Handle()))
    DetachWindowObject(Handle());
}

void TImagePeer::Mirror() {
  TPeer::Mirror();
  InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TImagePeer::WindowMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
  case WM_ERASEBKGND: return 1;
  case WM_CONTEXTMENU:
    if (ShowContextMenu(AWindow, Model(), ALParam, false))
      return 0;
    break;
  case WM_PAINT: {
    const TPaintScope paint(AWindow);
    RECT client;
    GetClientRect(AWindow, &client);
    if (paint.DC())
      Paint(paint.DC(), client);
    return 0;
  }
  default: break;
  }
  return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
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
