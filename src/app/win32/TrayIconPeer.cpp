#include "app/win32/TrayIconPeer.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>

#include "app/win32/Icons.h"
#include "core/win32/Check.h"
#include "core/win32/Handles.h"

namespace tarvel {

namespace {

template <std::size_t N> void CopyCut(wchar_t (&ATarget)[N], const std::u16string& AText) {
  // The shell's fields are fixed-size: longer texts are cut.
  const std::wstring wide = ToWide(AText);
  const std::size_t n = std::min(wide.size(), N - 1);
  std::wmemcpy(ATarget, wide.data(), n);
  ATarget[n] = 0;
}

NOTIFYICONDATAW BaseData(HWND AOwner) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = AOwner;
  nid.uID = TTrayIconPeer::IconId;
  return nid;
}

} // namespace

TTrayIconPeer::TTrayIconPeer(TTrayIcon& AModel, HWND AOwner, HICON AIcon, int AIconSize)
    : FModel(AModel), FOwner(AOwner), FIcon(AIcon), FIconSize(AIconSize) {
  FModel.OnVisibleChanged = [this] { FModel.Visible() ? Add() : Remove(); };
  FModel.OnShowBalloon = [this] { ShowBalloon(); };
  if (FModel.Visible())
    Add();
}

TTrayIconPeer::~TTrayIconPeer() {
  FModel.OnVisibleChanged = nullptr;
  FModel.OnShowBalloon = nullptr;
  Remove();
}

UINT TTrayIconPeer::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

void TTrayIconPeer::Add() {
  NOTIFYICONDATAW nid = BaseData(FOwner);
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = CallbackMessage;
  nid.hIcon = FIcon;
  CopyCut(nid.szTip, FModel.Hint);
  FAdded = Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

void TTrayIconPeer::Remove() {
  if (!FAdded)
    return;
  NOTIFYICONDATAW nid = BaseData(FOwner);
  Shell_NotifyIconW(NIM_DELETE, &nid);
  FAdded = false;
}

void TTrayIconPeer::Recreate() {
  FAdded = false;
  if (FModel.Visible())
    Add();
}

void TTrayIconPeer::ShowBalloon() {
  if (!FAdded)
    return;
  NOTIFYICONDATAW nid = BaseData(FOwner);
  nid.uFlags = NIF_INFO;
  CopyCut(nid.szInfoTitle, FModel.BalloonTitle);
  CopyCut(nid.szInfo, FModel.BalloonHint);
  nid.dwInfoFlags = NIIF_INFO;
  nid.uTimeout = FModel.BalloonTimeout;
  Shell_NotifyIconW(NIM_MODIFY, &nid);
}

void TTrayIconPeer::Callback(LPARAM AEvent) {
  switch (static_cast<UINT>(AEvent)) {
  case WM_LBUTTONDBLCLK: FModel.UserDblClick(); break;
  case WM_RBUTTONUP:
  case WM_CONTEXTMENU: ShowMenu(); break;
  default: break;
  }
}

void TTrayIconPeer::ShowMenu() {
  TUniqueMenu menu(CreatePopupMenu());
  if (!menu)
    return;
  FModel.UserOpenMenu();
  FMenuBitmaps.clear();
  for (std::size_t i = 0; i < FModel.Menu.size(); ++i) {
    const TMenuItem& item = FModel.Menu[i];
    const std::wstring caption = ToWide(item.Caption);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
    info.fType = MFT_STRING;
    info.fState = item.Enabled ? MFS_ENABLED : MFS_GRAYED;
    info.wID = static_cast<UINT>(i + 1);
    info.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    FMenuBitmaps.emplace_back(CreateMenuBitmap(item.ImageIndex, FIconSize));
    if (FMenuBitmaps.back()) {
      info.fMask |= MIIM_BITMAP;
      info.hbmpItem = FMenuBitmaps.back().Get();
    }
    InsertMenuItemW(menu.Get(), static_cast<UINT>(i), TRUE, &info);
  }
  POINT at;
  GetCursorPos(&at);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(FOwner);
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, FOwner, nullptr));
  PostMessageW(FOwner, WM_NULL, 0, 0);
  if (chosen > 0)
    FModel.UserChooseMenuItem(chosen - 1);
}

} // namespace tarvel
