#include "ui/win32/PeerSupport.h"

#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/Handles.h"
#include "ui/win32/Theme.h"

namespace tarvel {

void DrawFocusOutline(HDC ADC, const RECT& ARect, int ARadius) {
  TUniqueGdiObject pen(CreatePen(PS_SOLID, 2, theme::Focus));
  TUniqueSelectObject selectedPen = SelectScoped(ADC, pen.Get());
  TUniqueSelectObject brush = SelectScoped(ADC, GetStockObject(NULL_BRUSH));
  RoundRect(ADC, ARect.left + 1, ARect.top + 1, ARect.right, ARect.bottom, ARadius, ARadius);
}

bool ShowsFocus(const DRAWITEMSTRUCT& AItem) {
  return (AItem.itemState & ODS_FOCUS) && !(AItem.itemState & ODS_NOFOCUSRECT);
}

int TextWidthIn(HWND AWindow, const std::u16string& AText) {
  const std::wstring text = ToWide(AText);
  const TUniqueWindowDC dc({AWindow, GetDC(AWindow)});
  if (!dc)
    return 0;
  const TUniqueSelectObject font =
      SelectScoped(dc.Get().DC, reinterpret_cast<HGDIOBJ>(SendMessageW(AWindow, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc.Get().DC, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

void SetTextIfDifferent(HWND AWindow, const std::u16string& AText) {
  const std::wstring wide = ToWide(AText);
  if (WindowText(AWindow) != wide)
    SetWindowTextW(AWindow, wide.c_str());
}

void FillRectColor(HDC ADC, const RECT& ARect, COLORREF AColor) {
  SetDCBrushColor(ADC, AColor);
  FillRect(ADC, &ARect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void RoundRectColor(HDC ADC, const RECT& ARect, int ARadius, COLORREF AColor) {
  SetDCBrushColor(ADC, AColor);
  SetDCPenColor(ADC, AColor);
  TUniqueSelectObject brush = SelectScoped(ADC, GetStockObject(DC_BRUSH));
  TUniqueSelectObject pen = SelectScoped(ADC, GetStockObject(DC_PEN));
  RoundRect(ADC, ARect.left, ARect.top, ARect.right, ARect.bottom, ARadius, ARadius);
}

} // namespace tarvel
