#pragma once

#include <windows.h>

#include "app/ProgramEntry.h"
#include "app/win32/Win32MainWindow.h"
#include "app/win32/Win32Services.h"
#include "core/win32/Handles.h"

namespace tarvel {

// Class name of the hidden application-level window; the main window is owned by it, so
// no window of the program ever gets a taskbar button of its own.
inline constexpr wchar_t ApplicationWindowClass[] = L"TarvelApplication";
inline constexpr wchar_t SingleInstanceMutexName[] = L"Local\\Tarvel.SingleInstance";

class TWin32ProgramHost final : public IProgramHost {
public:
  // AServices must outlive the host.
  TWin32ProgramHost(HINSTANCE AInstance, TWin32Services& AServices) : FInstance(AInstance), FServices(AServices) {}

  bool AcquireSingleInstance() override;
  void ReleaseSingleInstance() noexcept override;
  void InitializeApplication() override;
  bool ShowTutorialIfNeeded() override;
  void CreateMainWindow() override;
  void HideApplicationWindow() override;
  void RunMessageLoop() override;
  ~TWin32ProgramHost() override;

  HWND ApplicationWindow() const noexcept { return FApplicationWindow.Get(); }
  TWin32MainWindow* MainWindow() const noexcept { return FMainWindow.get(); }

private:
  static LRESULT CALLBACK ApplicationWindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);

  HINSTANCE FInstance;
  TWin32Services& FServices;
  TUniqueHandle FMutex;
  TUniqueWindow FApplicationWindow;
  std::unique_ptr<TWin32MainWindow> FMainWindow;
};

} // namespace tarvel
