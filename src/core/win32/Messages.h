#pragma once

#include <windows.h>

namespace tarvel {

// The program's own window messages and timer ids, in one list so that no two collide.
enum TPrivateMessage : UINT {
  // The notification-area icon's mouse events, to the main window.
  pmTrayIcon = WM_APP + 1,
  // A control's peer shows its model's value once the control has finished the change it
  // is reporting, to the control.
  pmMirrorLater,
  // Tasks wait in the dispatcher's queue, to the dispatcher's window.
  pmDispatch,
};

// The main window's timers.
enum TTimerId : UINT_PTR {
  tiBalloonClose = 1,
  tiSliderRelease,
  tiClipboardRetry,
};

} // namespace tarvel
