// The composition root: builds the Win32 implementations and runs the program.
#include <windows.h>

#include "app/ProgramEntry.h"
#include "app/win32/Win32Dialogs.h"
#include "app/win32/Win32ProgramHost.h"
#include "core/Errors.h"
#include "core/win32/Check.h"
#include "core/win32/ErrorBoundary.h"

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE, PWSTR, int) {
  // Whatever a window procedure or a task lets through ends in the application's error box.
  tarvel::SetErrorHandler(tarvel::ShowErrorBox);
  tarvel::TWin32Services services(AInstance);
  tarvel::TWin32ProgramHost host(AInstance, services);
  try {
    return tarvel::RunProgram(host);
  } catch (const tarvel::EError& e) {
    MessageBoxW(nullptr, tarvel::ToWide(e.Message()).c_str(), L"Tarvel", MB_OK | MB_ICONERROR);
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), "Tarvel", MB_OK | MB_ICONERROR);
  }
  return 1;
}
