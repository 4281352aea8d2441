#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/win32/Win32Dialogs.h"
#include "capture/win32/Win32Screen.h"
#include "capture/win32/Win32UiAutomation.h"
#include "clipboard/win32/Win32Clipboard.h"
#include "core/win32/Clock.h"
#include "core/win32/ErrorBoundary.h"
#include "core/win32/Win32Dispatcher.h"
#include "core/win32/Win32Shell.h"
#include "hotkeys/win32/Win32Hotkeys.h"
#include "ocr/win32/SelectionForm.h"
#include "ocr/win32/Win32WinRT.h"
#include "settings/win32/Win32Registry.h"

namespace tarvel {

// Objects a worker may still be using while the process ends (a recognition runs on when
// the user quits): made on first use and never destroyed.
template <class T> T& ProcessLifetime() {
  static T* const object = new T();
  return *object;
}

// The system's side of every seam the main window's logic runs on, built once by the
// composition root. What works for a window asks for it when it acts: the windows are
// created after the services, and the main window comes and goes.
struct TWin32Services {
  // On the main thread, before any window exists.
  explicit TWin32Services(HINSTANCE AInstance)
      : SelectionOverlay(AInstance),
        Dispatcher(TWin32Dispatcher::Create(
            AInstance, [this](const std::u16string& AMessage) { ReportError(MainWindow, AMessage); })) {}
  TWin32Services(const TWin32Services&) = delete;
  TWin32Services& operator=(const TWin32Services&) = delete;

  // Set by the windows themselves while they exist.
  HWND ApplicationWindow = nullptr;
  HWND MainWindow = nullptr;

  TSystemClock& Clock = ProcessLifetime<TSystemClock>();
  TWin32Registry Registry;
  TWin32Shell Shell;
  TWin32Clipboard Clipboard{[this] { return MainWindow; }};
  TWin32Hotkeys Hotkeys{[this] { return MainWindow; }};
  TWin32Screen Screen;
  TWin32SelectionOverlay SelectionOverlay;
  TWin32UiaSystem UiAutomation;
  TWin32WinRTRuntime& Runtime = ProcessLifetime<TWin32WinRTRuntime>();
  // Boxes and dialogs belong to the main window while it is on screen, else to the hidden
  // application window.
  TWin32Dialogs Dialogs{
      [this] { return (MainWindow && IsWindowVisible(MainWindow)) ? MainWindow : ApplicationWindow; }};
  // Shared with the threads of background tasks, which may outlive the main window.
  std::shared_ptr<TWin32Dispatcher> Dispatcher;
};

} // namespace tarvel
