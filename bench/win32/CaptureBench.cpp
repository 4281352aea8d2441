// Times the full-screen command the way the hotkey runs it, against a bare copy of the same
// screen, in one process under the same conditions. Run under Wine with a display:
//   scripts/bench capture [runs]
// It needs nobody at the screen: the main window starts from fresh settings, with the test
// double's OCR language (Wine has none, and without one a warning box would wait) and the
// update check pointed at a closed local port.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Timing.h"
#include "app/win32/Win32ProgramHost.h"
#include "capture/win32/Win32Screen.h"
#include "core/win32/MemoryDib.h"
#include "e2e/Driver.h"
#include "hotkeys/uHotkeys.h"
#include "ocr_double/OcrScript.h"

namespace {

using tarvel::bench::Median;
using tarvel::bench::Milliseconds;
using tarvel::bench::TClock;

// Lets the window handle what the last run left queued (its own clipboard echo, timers),
// outside the timed part.
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

} // namespace

int wmain(int AArgc, wchar_t** AArgv) {
  const int runs = AArgc > 1 ? std::max(20, _wtoi(AArgv[1])) : 25;
  tarvel::e2e::DeleteStoredSettings();
  tarvel::e2e::StoreSetting(L"ShowNotifications", 0);
  tarvel::e2e::StoreUpdateUrl(tarvel::e2e::ClosedUpdateUrl);
  const tarvel::ocr_double::TOcrDoubleRegistration ocr;
  const tarvel::ocr_double::TOcrScript languages;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  tarvel::TWin32Services services(instance);
  tarvel::TWin32ProgramHost host(instance, services);
  host.InitializeApplication();
  host.CreateMainWindow();
  host.HideApplicationWindow();
  const HWND main = host.MainWindow()->Handle();

  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int h = GetSystemMetrics(SM_CYVIRTUALSCREEN);

  std::vector<double> bareBlt;
  std::vector<double> bareWithSection;
  std::vector<double> command;
  const tarvel::TMemoryDib section(w, h);
  for (int i = -2; i < runs; ++i) { // two warm-up rounds
    Pump();
    // A bare copy: the screen's DC into a 32-bit DIB section that already exists...
    auto t0 = TClock::now();
    {
      const HDC screen = GetDC(nullptr);
      BitBlt(section.DC(), 0, 0, w, h, screen, x, y, SRCCOPY | CAPTUREBLT);
      ReleaseDC(nullptr, screen);
      GdiFlush();
    }
    auto t1 = TClock::now();
    // ...and with the section made for it, as a one-off screenshot must.
    {
      tarvel::TMemoryDib fresh(w, h);
      tarvel::CopyScreenToDib(x, y, fresh);
    }
    auto t2 = TClock::now();
    // The command as the hotkey runs it: capture, clipboard, history, display, log.
    SendMessageW(main, WM_HOTKEY, tarvel::hkScreenFull, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, 'F'));
    auto t3 = TClock::now();
    if (i >= 0) {
      bareBlt.push_back(Milliseconds(t1 - t0));
      bareWithSection.push_back(Milliseconds(t2 - t1));
      command.push_back(Milliseconds(t3 - t2));
    }
  }
  const double blt = Median(bareBlt);
  const double withSection = Median(bareWithSection);
  const double full = Median(command);
  std::printf("screen %dx%d at (%d, %d), %d runs, medians:\n", w, h, x, y, runs);
  std::printf("  bare BitBlt into an existing 32-bit DIB section   %8.2f ms\n", blt);
  std::printf("  bare BitBlt into a new 32-bit DIB section         %8.2f ms\n", withSection);
  std::printf("  full-screen command from WM_HOTKEY                %8.2f ms\n", full);
  std::printf("  ratio command / bare (existing section)           %8.2f\n", full / blt);
  std::printf("  ratio command / bare (new section)                %8.2f\n", full / withSection);
  tarvel::e2e::DeleteStoredSettings();
  return 0;
}
