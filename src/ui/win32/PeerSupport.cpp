#include "ui/win32/PeerSupport.h"

#include <windowsx.h>

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

bool ShowContextMenu(HWND AWindow, const TControl& AModel, LPARAM APoint, bool ATextField) {
  TPopupMenu* model = AModel.PopupMenu;
  if (!model)
    return false;
  model->UserOpen();
  TUniqueMenu menu(CreatePopupMenu());
  if (!menu)
    return true;
  const auto add = [&](UINT AId, const std::u16string& ACaption, bool AEnabled) {
    AppendMenuW(menu.Get(), MF_STRING | (AEnabled ? MF_ENABLED : MF_GRAYED), AId, ToWide(ACaption).c_str());
  };
  for (std::size_t i = 0; i < model->Items.size(); ++i)
    add(static_cast<UINT>(i + 1), model->Items[i].Caption, model->Items[i].Enabled);
  constexpr UINT copyId = 0x7000, selectAllId = 0x7001;
  if (ATextField) {
    DWORD start = 0, end = 0;
    SendMessageW(AWindow, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (!model->Items.empty())
      AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    add(copyId, u"Copy", start != end);
    add(selectAllId, u"Select all", GetWindowTextLengthW(AWindow) > 0);
  }
  POINT at{GET_X_LPARAM(APoint), GET_Y_LPARAM(APoint)};
  if (APoint == -1) {
    RECT r{};
    GetWindowRect(AWindow, &r);
    at = {r.left + 8, r.top + 8};
  }
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, AWindow, nullptr));
  if (chosen == copyId)
    SendMessageW(AWindow, WM_COPY, 0, 0);
  else if (chosen == selectAllId)
    SendMessageW(AWindow, EM_SETSEL, 0, -1);
  else if (chosen > 0)
    model->UserChoose(chosen - 1);
  return true;
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
