#include "core/win32/MessageLoop.h"

#include "core/win32/Check.h"

namespace tarvel {

TLoopEnd RunMessageLoop(const TMessageLoop& ALoop) {
  MSG msg;
  while (!ALoop.Done || !ALoop.Done()) {
    const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0)
      return {true, static_cast<int>(msg.wParam)};
    if (r == -1)
      RaiseLastOSError("GetMessageW");
    if (ALoop.Preview && ALoop.Preview(msg))
      continue;
    const HWND dialog = ALoop.DialogWindow ? ALoop.DialogWindow() : nullptr;
    if (dialog && IsDialogMessageW(dialog, &msg))
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return {};
}

} // namespace tarvel
