#include "app/win32/Win32ProgramHost.h"

#include <commctrl.h>

#include "app/formTutorial.h"
#include "app/win32/TutorialWindow.h"
#include "core/win32/Check.h"
#include "core/win32/ErrorBoundary.h"
#include "core/win32/MessageLoop.h"
#include "core/win32/Windowing.h"

namespace tarvel {

bool TWin32ProgramHost::AcquireSingleInstance() {
  // Initial ownership, as the running instance holds the mutex for its whole life. The
  // Local\ namespace makes it per logon session, so other users run their own instance.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, SingleInstanceMutexName);
  const DWORD lastError = GetLastError();
  FMutex.Reset(mutex);
  if (!FMutex || lastError == ERROR_ALREADY_EXISTS) {
    FMutex.Reset();
    return false;
  }
  return true;
}

void TWin32ProgramHost::ReleaseSingleInstance() noexcept {
  FMutex.Reset();
}

void TWin32ProgramHost::InitializeApplication() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);

  RegisterWindowClassOnce(FInstance, ApplicationWindowClass, ApplicationWindowProc);

  // Zero-sized and never shown: it only owns the other windows and receives the
  // session-end messages.
  FApplicationWindow.Reset(
      CheckWin32(CreateWindowExW(0, ApplicationWindowClass, L"Tarvel",
                                 WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                                 nullptr, nullptr, FInstance, nullptr),
                 "CreateWindowExW"));
  FServices.ApplicationWindow = FApplicationWindow.Get();
}

bool TWin32ProgramHost::ShowTutorialIfNeeded() {
  // Owned by the hidden application window, like the main window: no taskbar button of its
  // own, and the session's end (WM_ENDSESSION to that window) ends its loop as well.
  return tarvel::ShowTutorialIfNeeded(FServices.Registry, [this] {
    return RunTutorialWindow(FInstance, FApplicationWindow.Get(), FServices.Registry);
  });
}

TWin32ProgramHost::~TWin32ProgramHost() {
  // The main window goes first: it is owned by the application window.
  FMainWindow.reset();
  FServices.ApplicationWindow = nullptr;
}

void TWin32ProgramHost::CreateMainWindow() {
  FMainWindow = std::make_unique<TWin32MainWindow>(FInstance, FServices);
  FMainWindow->Create();
}

void TWin32ProgramHost::HideApplicationWindow() {
  ShowWindow(FApplicationWindow.Get(), SW_HIDE);
}

void TWin32ProgramHost::RunMessageLoop() {
  // The window's own keys (Ctrl+F); then Tab and the arrow keys move between its controls.
  tarvel::RunMessageLoop(
      {{},
       [this](const MSG& AMessage) { return FMainWindow && FMainWindow->TranslateShortcut(AMessage); },
       [this] { return FMainWindow ? FMainWindow->Handle() : nullptr; }});
  // The session ends or the user quit: shut the main window down while the loop's
  // resources still exist.
  FMainWindow.reset();
}

LRESULT CALLBACK TWin32ProgramHost::ApplicationWindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  return Guarded(AWindow, [&]() -> LRESULT {
    switch (AMessage) {
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      // The session ends: leave the loop so that everything is released in order.
      if (AWParam)
        PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
      // Only a confirmed quit ends the program; a stray close request is ignored.
      return 0;
    default: return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    }
  });
}

} // namespace tarvel
