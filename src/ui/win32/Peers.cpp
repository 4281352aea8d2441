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

namespace {

// Enter clicks the focused button or switch, as Space does.
LRESULT CALLBACK ClickOnEnterProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR, DWORD_PTR) {
  return Guarded(AWindow, [&]() -> LRESULT {
    LRESULT result = 0;
    if (HandleEnter(AWindow, AMessage, AWParam, ALParam, result, [&] { SendMessageW(AWindow, BM_CLICK, 0, 0); }))
      return result;
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
  });
}

// A caption with an icon: the mouse passes through it and it never takes the focus.
LRESULT CALLBACK CaptionOnlyProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR, DWORD_PTR) {
  return Guarded(AWindow, [&]() -> LRESULT {
    if (AMessage == WM_NCHITTEST)
      return HTTRANSPARENT;
    return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
  });
}

} // namespace

std::wstring WindowText(HWND AWindow) {
  const int n = GetWindowTextLengthW(AWindow);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(AWindow, text.data(), n + 1)));
  return text;
}

bool IsKeyDown(LPARAM AMessage, WPARAM AKey) {
  const auto* msg = reinterpret_cast<const MSG*>(AMessage);
  return msg && msg->message == WM_KEYDOWN && msg->wParam == AKey;
}

TPeer::TPeer(TControl& AModel, HWND AHandle) : FModel(AModel), FHandle(AHandle) {
  FModel.OnModelChanged = [this] {
    if (!FMirroring)
      Mirror();
  };
}

TPeer::~TPeer() {
  FModel.OnModelChanged = nullptr;
}

void TPeer::Mirror() {
  ShowWindow(FHandle, FModel.Visible() ? SW_SHOWNA : SW_HIDE);
  EnableWindow(FHandle, FModel.Enabled());
}

TSubclassPeer::TSubclassPeer(TControl& AModel, HWND AHandle) : TPeer(AModel, AHandle) {
  SetWindowSubclass(Handle(), SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

TSubclassPeer::~TSubclassPeer() {
  RemoveWindowSubclass(Handle(), SubclassProc, 1);
}

LRESULT TSubclassPeer::ControlMessage(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
}

LRESULT CALLBACK TSubclassPeer::SubclassProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR,
                                             DWORD_PTR AData) {
  return Guarded(AWindow, [&] {
    return reinterpret_cast<TSubclassPeer*>(AData)->ControlMessage(AWindow, AMessage, AWParam, ALParam);
  });
}

// Buttons ---------------------------------------------------------------------------------

TButtonPeer::TButtonPeer(TButton& AModel, HWND AHandle, HIMAGELIST AImages, bool ACaptionOnly)
    : TPeer(AModel, AHandle), FButton(AModel), FImages(AImages), FCaptionOnly(ACaptionOnly) {
  SetWindowSubclass(Handle(), FCaptionOnly ? CaptionOnlyProc : ClickOnEnterProc, 1, 0);
  Mirror();
}

TButtonPeer::~TButtonPeer() {
  RemoveWindowSubclass(Handle(), FCaptionOnly ? CaptionOnlyProc : ClickOnEnterProc, 1);
}

void TButtonPeer::SetImages(HIMAGELIST AImages) noexcept {
  FImages = AImages;
  InvalidateRect(Handle(), nullptr, TRUE);
}

int TButtonPeer::ContentWidth(HWND AWindow, const std::u16string& ACaption, int AIconSize, bool ACaptionOnly) {
  // As DrawItem lays it out: margin, icon, gap, caption, margin.
  return (ACaptionOnly ? 2 : 6) + (AIconSize > 0 ? AIconSize + 5 : 0) + TextWidthIn(AWindow, ACaption) +
         (ACaptionOnly ? 6 : 10);
}

void TButtonPeer::Mirror() {
  TPeer::Mirror();
  SetTextIfDifferent(Handle(), FButton.Caption());
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TButtonPeer::Command(WORD ANotifyCode) {
  // Owner-drawn buttons report the second of two quick clicks as a double click.
  if ((ANotifyCode == BN_CLICKED || ANotifyCode == BN_DOUBLECLICKED) && !FCaptionOnly)
    FButton.Click();
}

void TButtonPeer::DrawItem(const DRAWITEMSTRUCT& AItem) {
  const HDC dc = AItem.hDC;
  RECT r = AItem.rcItem;
  const bool pressed = (AItem.itemState & ODS_SELECTED) != 0;
  const bool down = FButton.Down();
  FillRectColor(dc, r, FCaptionOnly ? theme::Window : (FButton.GroupIndex() > 0 ? theme::Strip : theme::Window));
  if (!FCaptionOnly) {
    RECT face = r;
    InflateRect(&face, -2, -2);
    const COLORREF color = down ? theme::Accent : (pressed ? theme::ButtonHot : theme::Button);
    RoundRectColor(dc, face, 8, color);
  }
  const int height = r.bottom - r.top;
  int x = r.left + (FCaptionOnly ? 2 : 6);
  if (FImages && FButton.ImageIndex() >= 0) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(FImages, &cx, &cy);
    const int size = std::min(cy, height - 8);
    ImageList_DrawEx(FImages, FButton.ImageIndex(), dc, x, r.top + (height - size) / 2, size, size, CLR_NONE, CLR_NONE,
                     ILD_TRANSPARENT);
    x += size + 5;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, (AItem.itemState & ODS_DISABLED) ? theme::TextDim : theme::Text);
  RECT text{x, r.top, r.right - 4, r.bottom};
  const std::wstring caption = ToWide(FButton.Caption());
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  if (ShowsFocus(AItem) && !FCaptionOnly) {
    RECT focus = r;
    InflateRect(&focus, -1, -1);
    DrawFocusOutline(dc, focus, 10);
  }
}

// Toggle switch ---------------------------------------------------------------------------

TToggleSwitchPeer::TToggleSwitchPeer(TToggleSwitch& AModel, HWND AHandle) : TPeer(AModel, AHandle), FSwitch(AModel) {
  SetWindowSubclass(Handle(), ClickOnEnterProc, 1, 0);
  Mirror();
}

TToggleSwitchPeer::~TToggleSwitchPeer() {
  RemoveWindowSubclass(Handle(), ClickOnEnterProc, 1);
}

namespace {

int PillHeight(int AHeight) {
  return std::min(AHeight - 4, MulDiv(20, AHeight, 28));
}

} // namespace

int TToggleSwitchPeer::ContentWidth(HWND AWindow, const TToggleSwitch& ASwitch, int AHeight) {
  const int pill = PillHeight(AHeight) * 2;
  // The longer caption: the switch keeps its width when flipped.
  const int caption = std::max(TextWidthIn(AWindow, ASwitch.OnCaption()), TextWidthIn(AWindow, ASwitch.OffCaption()));
  return 2 + pill + 8 + caption + 6;
}

void TToggleSwitchPeer::Mirror() {
  TPeer::Mirror();
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TToggleSwitchPeer::Command(WORD ANotifyCode) {
  if ((ANotifyCode == BN_CLICKED || ANotifyCode == BN_DOUBLECLICKED) && FSwitch.Enabled())
    FSwitch.Toggle();
}

void TToggleSwitchPeer::DrawItem(const DRAWITEMSTRUCT& AItem) {
  const HDC dc = AItem.hDC;
  const RECT r = AItem.rcItem;
  FillRectColor(dc, r, theme::Window);
  const int height = r.bottom - r.top;
  const int pillHeight = PillHeight(height);
  const int pillWidth = pillHeight * 2;
  RECT pill{r.left + 2, r.top + (height - pillHeight) / 2, r.left + 2 + pillWidth, 0};
  pill.bottom = pill.top + pillHeight;
  RoundRectColor(dc, pill, pillHeight, FSwitch.IsOn() ? theme::Accent : theme::SwitchOff);
  const int knob = pillHeight - 6;
  const int knobLeft = FSwitch.IsOn() ? pill.right - 3 - knob : pill.left + 3;
  RECT knobRect{knobLeft, pill.top + 3, knobLeft + knob, pill.top + 3 + knob};
  const std::int32_t thumb = FSwitch.ThumbColor();
  RoundRectColor(dc, knobRect, knob, thumb < 0 ? theme::Thumb : RGB(thumb >> 16, (thumb >> 8) & 0xFF, thumb & 0xFF));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, theme::Text);
  RECT text{pill.right + 8, r.top, r.right, r.bottom};
  const std::wstring caption = ToWide(FSwitch.StateCaption());
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  if (ShowsFocus(AItem)) {
    RECT focus = pill;
    InflateRect(&focus, 2, 2);
    DrawFocusOutline(dc, focus, pillHeight + 4);
  }
}

// Track bar -------------------------------------------------------------------------------

TTrackBarPeer::TTrackBarPeer(TTrackBar& AModel, HWND AHandle) : TPeer(AModel, AHandle), FTrack(AModel) {
  Mirror();
}

void TTrackBarPeer::Mirror() {
  TPeer::Mirror();
  SendMessageW(Handle(), TBM_SETRANGEMIN, FALSE, FTrack.Min());
  SendMessageW(Handle(), TBM_SETRANGEMAX, FALSE, FTrack.Max());
  SendMessageW(Handle(), TBM_SETPAGESIZE, 0, FTrack.PageSize());
  SendMessageW(Handle(), TBM_SETPOS, TRUE, FTrack.Position());
}

void TTrackBarPeer::Scroll(int) {
  {
    const TFlagScope mirroring(FMirroring);
    FTrack.SetPosition(static_cast<int>(SendMessageW(Handle(), TBM_GETPOS, 0, 0)));
  }
}

// Label -------------------------------------------------------------------------------------

TLabelPeer::TLabelPeer(TLabel& AModel, HWND AHandle) : TPeer(AModel, AHandle) {
  Mirror();
}

void TLabelPeer::Mirror() {
  TPeer::Mirror();
  SetTextIfDifferent(Handle(), static_cast<TLabel&>(Model()).Caption());
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TLabelPeer::DrawItem(const DRAWITEMSTRUCT& AItem) {
  const HDC dc = AItem.hDC;
  const RECT r = AItem.rcItem;
  FillRectColor(dc, r, theme::Window);
  const TUniqueSelectObject font =
      SelectScoped(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, theme::Text);
  const std::wstring caption = ToWide(static_cast<TLabel&>(Model()).Caption());
  const UINT flags = DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
  SIZE whole{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &whole);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const int lineHeight = metrics.tmHeight;
  const std::size_t split = caption.rfind(L"  ");
  if (whole.cx <= r.right - r.left || split == std::wstring::npos || 2 * lineHeight > r.bottom - r.top) {
    RECT line = r;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &line, flags | DT_VCENTER);
    return;
  }
  // Position and time on the first line, the entry's preview on the second.
  const int top = r.top + (r.bottom - r.top - 2 * lineHeight) / 2;
  RECT first{r.left, top, r.right, top + lineHeight};
  RECT second{r.left, top + lineHeight, r.right, top + 2 * lineHeight};
  DrawTextW(dc, caption.c_str(), static_cast<int>(split), &first, flags);
  const std::wstring rest = caption.substr(split + 2);
  DrawTextW(dc, rest.c_str(), static_cast<int>(rest.size()), &second, flags);
}

// Combo box -------------------------------------------------------------------------------

TComboBoxPeer::TComboBoxPeer(TComboBox& AModel, HWND AHandle) : TPeer(AModel, AHandle), FCombo(AModel) {
  Mirror();
}

void TComboBoxPeer::Mirror() {
  TPeer::Mirror();
  {
    const TFlagScope mirroring(FMirroring);
    SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
    for (const std::u16string& item : FCombo.Items())
      SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(item).c_str()));
    SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(FCombo.ItemIndex()), 0);
  }
}

void TComboBoxPeer::Command(WORD ANotifyCode) {
  if (ANotifyCode == CBN_SELCHANGE && !FMirroring)
    FCombo.UserSelect(static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)));
}

} // namespace tarvel
