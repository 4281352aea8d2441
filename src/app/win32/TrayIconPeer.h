#pragma once

#include <windows.h>

#include <vector>

#include "core/win32/Handles.h"
#include "core/win32/Messages.h"
#include "ui/Tray.h"

namespace tarvel {

// Puts a TTrayIcon into the notification area through Shell_NotifyIconW. The icon's owner
// is the real (hidden) main window, which forwards the callback message and
// "TaskbarCreated" here.
class TTrayIconPeer {
public:
  static constexpr UINT CallbackMessage = pmTrayIcon;
  static constexpr UINT IconId = 1;

  // AIconSize: size of the menu items' icons.
  TTrayIconPeer(TTrayIcon& AModel, HWND AOwner, HICON AIcon, int AIconSize);
  ~TTrayIconPeer();
  TTrayIconPeer(const TTrayIconPeer&) = delete;
  TTrayIconPeer& operator=(const TTrayIconPeer&) = delete;

  // The callback message's lParam: the mouse event on the icon.
  void Callback(LPARAM AEvent);
  // Explorer restarted: the icon must be added again.
  void Recreate();
  static UINT TaskbarCreatedMessage();

private:
  void Add();
  void Remove();
  void ShowBalloon();
  void ShowMenu();

  TTrayIcon& FModel;
  HWND FOwner;
  HICON FIcon;
  bool FAdded = false;
  int FIconSize;
  std::vector<TUniqueBitmap> FMenuBitmaps;
};

} // namespace tarvel
