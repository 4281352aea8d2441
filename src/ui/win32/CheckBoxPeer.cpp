#include <algorithm>

#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/Handles.h"
#include "ui/win32/PeerSupport.h"
#include "ui/win32/Peers.h"
#include "ui/win32/Theme.h"

namespace tarvel {

TCheckBoxPeer::TCheckBoxPeer(TCheckBox& AModel, HWND AHandle, COLORREF ABackground)
    : TSubclassPeer(AModel, AHandle), FCheck(AModel), FBackground(ABackground) {
  Mirror();
}

void TCheckBoxPeer::Mirror() {
  TPeer::Mirror();
  SetTextIfDifferent(Handle(), FCheck.Caption());
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TCheckBoxPeer::Command(WORD ANotifyCode) {
  if ((ANotifyCode == BN_CLICKED || ANotifyCode == BN_DOUBLECLICKED) && FCheck.Enabled())
    FCheck.Toggle();
}

LRESULT TCheckBoxPeer::ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == BM_GETCHECK)
    return FCheck.Checked() ? BST_CHECKED : BST_UNCHECKED;
  if (AMessage == BM_SETCHECK) {
    FCheck.SetChecked(AWParam == BST_CHECKED);
    return 0;
  }
  return TSubclassPeer::ControlMessage(AWindow, AMessage, AWParam, ALParam);
}

void TCheckBoxPeer::DrawItem(const DRAWITEMSTRUCT& AItem) {
  const HDC dc = AItem.hDC;
  const RECT r = AItem.rcItem;
  const auto scale = [dpi = GetDpiForWindow(Handle())](int AValue) { return MulDiv(AValue, dpi ? dpi : 96, 96); };
  FillRectColor(dc, r, FBackground);
  const int box = scale(18);
  const int top = r.top + (r.bottom - r.top - box) / 2;
  const RECT boxRect{r.left + scale(4), top, r.left + scale(4) + box, top + box};
  const bool checked = FCheck.Checked();
  {
    TUniqueGdiObject brush(CreateSolidBrush(checked ? theme::Accent : theme::Field));
    TUniqueGdiObject pen(CreatePen(PS_SOLID, std::max(1, scale(1)), checked ? theme::Accent : theme::TextDim));
    const auto selectedBrush = SelectScoped(dc, brush.Get());
    const auto selectedPen = SelectScoped(dc, pen.Get());
    RoundRect(dc, boxRect.left, boxRect.top, boxRect.right, boxRect.bottom, scale(6), scale(6));
  }
  if (checked) {
    LOGBRUSH lb{BS_SOLID, theme::Text, 0};
    TUniqueGdiObject pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                                      static_cast<DWORD>(std::max(2, scale(2))), &lb, 0, nullptr));
    const auto selectedPen = SelectScoped(dc, pen.Get());
    const POINT tick[] = {{boxRect.left + box * 4 / 18, boxRect.top + box * 9 / 18},
                          {boxRect.left + box * 7 / 18, boxRect.top + box * 13 / 18},
                          {boxRect.left + box * 14 / 18, boxRect.top + box * 5 / 18}};
    Polyline(dc, tick, 3);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, theme::Text);
  const auto selectedFont = SelectScoped(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
  RECT text{boxRect.right + scale(8), r.top, r.right - scale(2), r.bottom};
  const std::wstring caption = ToWide(FCheck.Caption());
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  RECT measured = text;
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_CALCRECT);
  if (ShowsFocus(AItem)) {
    const RECT focus{r.left, r.top + scale(2), std::min<LONG>(r.right, measured.right + scale(6)), r.bottom - scale(2)};
    DrawFocusOutline(dc, focus, scale(6));
  }
}

} // namespace tarvel
