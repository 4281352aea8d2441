#include "ocr/win32/SelectionForm.h"

#include <shellscalingapi.h>
#include <windowsx.h>

#include <cstring>
#include <string>

#include "core/win32/Check.h"
#include "core/win32/MessageLoop.h"
#include "core/win32/Windowing.h"

namespace tarvel {

namespace {

constexpr COLORREF OutlineColour = RGB(0, 255, 0);
constexpr int OutlineWidth = 2;

// The face of the system's message font, APixels high.
HFONT CreateLabelFont(int APixels) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW face{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    face = metrics.lfMessageFont;
  else
    std::wcscpy(face.lfFaceName, L"Segoe UI");
  face.lfHeight = -APixels;
  face.lfWidth = 0;
  face.lfWeight = FW_NORMAL;
  face.lfQuality = CLEARTYPE_QUALITY;
  return CreateFontIndirectW(&face);
}

RECT ToRect(const TRect& ARect) noexcept {
  return {ARect.Left, ARect.Top, ARect.Right, ARect.Bottom};
}

TPoint ClientPoint(LPARAM ALParam) noexcept {
  // Signed: with the mouse captured, points left of or above the window are negative.
  return {GET_X_LPARAM(ALParam), GET_Y_LPARAM(ALParam)};
}

// The scale the user chose for the monitor at a screen point, as a DPI; AFallback when the
// system cannot tell.
int MonitorDpiAt(POINT APoint, int AFallback) noexcept {
  UINT dpiX = 0;
  UINT dpiY = 0;
  const HMONITOR monitor = MonitorFromPoint(APoint, MONITOR_DEFAULTTONEAREST);
  if (monitor && SUCCEEDED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY)) && dpiY > 0)
    return static_cast<int>(dpiY);
  return AFallback;
}

} // namespace

TOcrSelectionForm::TOcrSelectionForm(HINSTANCE AInstance, const TFrozenScreen& AScreen, TSelectionModel& AModel)
    : FScreen(AScreen), FModel(AModel), FImage(AScreen.Image.Width(), AScreen.Image.Height()),
      FPen(CreatePen(PS_SOLID, OutlineWidth, OutlineColour)) {
  std::memcpy(FImage.Bits(), FScreen.Image.Bits(), FScreen.Image.ByteSize());
  RegisterWindowClassOnce(AInstance, SelectionOverlayClass,
                          ObjectWindowProc<TOcrSelectionForm, &TOcrSelectionForm::HandleMessage>);
  const TRect& v = FScreen.VirtualRect;
  FWindow.Reset(CheckWin32(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, SelectionOverlayClass, L"", WS_POPUP,
                                           v.Left, v.Top, v.Width(), v.Height(), nullptr, nullptr, AInstance, this),
                           "CreateWindowExW"));
}

TOcrSelectionForm::~TOcrSelectionForm() {
  if (FWindow) {
    DetachWindowObject(FWindow.Get());
    FWindow.Reset();
  }
}

void TOcrSelectionForm::ShowModal() {
  const HWND window = FWindow.Get();
  const TRect& v = FScreen.VirtualRect;
  SetWindowPos(window, HWND_TOPMOST, v.Left, v.Top, v.Width(), v.Height(), SWP_NOACTIVATE);
  ShowWindow(window, SW_SHOW);
  // Active, so that Escape reaches it.
  SetForegroundWindow(window);
  SetFocus(window);
  const TLoopEnd end =
      RunMessageLoop({[&] { return FModel.Finished() || !IsWindow(window); },
                      [&](const MSG& AMessage) {
                        // Another window of the program may have taken the focus behind the topmost overlay
                        // (the main window shown from the tray): its keys are the overlay's all the same, so
                        // that Escape still cancels.
                        if (AMessage.message < WM_KEYFIRST || AMessage.message > WM_KEYLAST || AMessage.hwnd == window)
                          return false;
                        MSG redirected = AMessage;
                        redirected.hwnd = window;
                        TranslateMessage(&redirected);
                        DispatchMessageW(&redirected);
                        return true;
                      },
                      {}});
  // The program is asked to end: that ends the selection too, and the outer loop still gets
  // the request.
  if (end.Quit)
    FModel.Close();
  PassQuitOn(end);
  if (GetCapture() == window)
    ReleaseCapture();
  ShowWindow(window, SW_HIDE);
}

LRESULT TOcrSelectionForm::HandleMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
  case WM_ERASEBKGND: return 1; // the paint pass covers every pixel
  case WM_PAINT: Paint(); return 0;
  case WM_SETCURSOR:
    if (LOWORD(ALParam) == HTCLIENT) {
      SetCursor(LoadCursorW(nullptr, IDC_CROSS));
      return TRUE;
    }
    break;
  case WM_LBUTTONDOWN: MouseDown(TMouseButton::Left, ALParam); return 0;
  case WM_RBUTTONDOWN: MouseDown(TMouseButton::Right, ALParam); return 0;
  case WM_MBUTTONDOWN: MouseDown(TMouseButton::Middle, ALParam); return 0;
  case WM_XBUTTONDOWN: MouseDown(TMouseButton::Other, ALParam); return TRUE;
  case WM_MOUSEMOVE: Invalidate(FModel.MouseMove(ClientPoint(ALParam))); return 0;
  case WM_LBUTTONUP:
    if (FModel.Selecting() && GetCapture() == AWindow)
      ReleaseCapture();
    Invalidate(FModel.MouseUp(TMouseButton::Left, ClientPoint(ALParam)));
    WakeWhenFinished();
    return 0;
  case WM_KEYDOWN:
    FModel.KeyDown(static_cast<unsigned>(AWParam));
    WakeWhenFinished();
    return 0;
  case WM_CLOSE:
    // Alt+F4 or a close request from elsewhere: a cancel; the owner destroys the window.
    FModel.Close();
    WakeWhenFinished();
    return 0;
  case WM_DPICHANGED: return 0; // stays on the virtual screen, in physical pixels
  default: break;
  }
  return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
}

void TOcrSelectionForm::MouseDown(TMouseButton AButton, LPARAM ALParam) {
  const TPoint point = ClientPoint(ALParam);
  if (AButton == TMouseButton::Left) {
    // The label is sized for the monitor the drag starts on.
    const TRect& v = FScreen.VirtualRect;
    const UINT windowDpi = GetDpiForWindow(FWindow.Get());
    FModel.SetLabelDpi(MonitorDpiAt({v.Left + point.X, v.Top + point.Y},
                                    windowDpi ? static_cast<int>(windowDpi) : SelectionLabelDesignDpi));
  }
  const std::vector<TRect> changed = FModel.MouseDown(AButton, point);
  if (FModel.Selecting())
    SetCapture(FWindow.Get()); // moves and the release arrive even outside the window
  Invalidate(changed);
  WakeWhenFinished();
}

void TOcrSelectionForm::Invalidate(const std::vector<TRect>& ARects) {
  for (const TRect& r : ARects) {
    const RECT rect = ToRect(r);
    InvalidateRect(FWindow.Get(), &rect, FALSE);
  }
}

void TOcrSelectionForm::WakeWhenFinished() {
  if (FModel.Finished() && !FWakePosted)
    FWakePosted = PostMessageW(FWindow.Get(), WM_NULL, 0, 0) != FALSE;
}

void TOcrSelectionForm::Paint() {
  const TPaintScope paint(FWindow.Get());
  if (!paint.DC())
    return;
  RECT clip = paint.Area();
  if (IsRectEmpty(&clip))
    clip = ToRect(FModel.ClientRect());
  DrawOverlay(paint.DC(), clip);
}

void TOcrSelectionForm::DrawOverlay(HDC ADC, const RECT& AClip) {
  // The frozen pixels as they are: no tint, no dimming, anywhere.
  BitBlt(ADC, AClip.left, AClip.top, AClip.right - AClip.left, AClip.bottom - AClip.top, FImage.DC(), AClip.left,
         AClip.top, SRCCOPY);
  if (!FModel.Selecting())
    return;
  const TRect s = FModel.SelectionRect();
  {
    const TUniqueSelectObject pen = SelectScoped(ADC, FPen.Get());
    const TUniqueSelectObject brush = SelectScoped(ADC, GetStockObject(NULL_BRUSH));
    Rectangle(ADC, s.Left, s.Top, s.Right, s.Bottom);
  }
  const TSelectionLabel label = FModel.Label();
  const RECT box = ToRect(label.Box);
  FillRect(ADC, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const std::u16string text = SelectionLabelText(s);
  if (!FFont || FFontPixels != label.FontPixels) {
    FFont.Reset(CreateLabelFont(label.FontPixels));
    FFontPixels = label.FontPixels;
  }
  const TUniqueSelectObject font = SelectScoped(ADC, FFont.Get());
  SetTextColor(ADC, RGB(255, 255, 255));
  SetBkMode(ADC, TRANSPARENT);
  ExtTextOutW(ADC, label.TextOrigin.X, label.TextOrigin.Y, ETO_CLIPPED, &box,
              reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<UINT>(text.size()), nullptr);
}

void TWin32SelectionOverlay::Run(const TFrozenScreen& AScreen, TSelectionModel& AModel) {
  const HWND previous = GetForegroundWindow();
  {
    TOcrSelectionForm form(FInstance, AScreen, AModel);
    form.ShowModal();
  }
  // The user goes on where they were, not in whatever window the system picks.
  if (previous && IsWindow(previous))
    SetForegroundWindow(previous);
}

} // namespace tarvel
