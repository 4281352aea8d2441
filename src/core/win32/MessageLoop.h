#pragma once

#include <windows.h>

#include <functional>

namespace tarvel {

// How a message loop ended: by its own condition, or by WM_QUIT with its exit code.
struct TLoopEnd {
  bool Quit = false;
  int ExitCode = 0;
};

struct TMessageLoop {
  // Asked before each message; the loop ends when it holds. Empty: only WM_QUIT ends it.
  std::function<bool()> Done;
  // Sees each message first; true when it took it, and then nothing else does.
  std::function<bool(const MSG&)> Preview;
  // The window whose controls the keyboard moves between as in a dialog (Tab, the arrow
  // keys), asked per message; none when it answers null or is empty.
  std::function<HWND()> DialogWindow;
};

// The thread's message loop: takes, previews, lets the dialog window have the keyboard,
// translates and dispatches messages until ALoop.Done holds or WM_QUIT arrives. A failing
// GetMessageW raises EOSError.
TLoopEnd RunMessageLoop(const TMessageLoop& ALoop);

// For a loop that runs inside another one (a modal window's): a WM_QUIT that ended it is
// posted again, so that the loop outside ends too. Call it once the modal window is cleaned
// up.
inline void PassQuitOn(const TLoopEnd& AEnd) {
  if (AEnd.Quit)
    PostQuitMessage(AEnd.ExitCode);
}

} // namespace tarvel
