// Times how Tarvel ends and how a second start gives way, against the least a program of its
// kind does (tarvel_minimal_app.exe, beside this program), under the same conditions:
//
//   tarvel_lifecycle_bench.exe quit [runs]
//       From the Yes of the quit confirmation to the end of the process, with the window in
//       the tray and shown, for Tarvel and for the minimal program (a window, a tray icon
//       and a clipboard listener). Also how long the window stays on screen after Yes.
//   tarvel_lifecycle_bench.exe second-start [runs]
//       From starting tarvel.exe while Tarvel runs to the end of that second process,
//       against a program that does nothing.
//
// Prints each series' median, minimum and maximum and the ratios. Run under Wine with a
// display in a prefix where no Tarvel runs (scripts/bench lifecycle ...). Each Tarvel starts
// from fresh settings (no tutorial, the update check pointed at a closed local port) and is
// ended by its process handle if it outlives its run.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "Timing.h"
#include "app/win32/ControlIds.h"
#include "e2e/Driver.h"
#include "e2e/Process.h"
#include "ocr_double/OcrScript.h"

namespace {

using namespace tarvel::e2e;
using namespace std::chrono_literals;
using tarvel::bench::Median;
using tarvel::bench::Milliseconds;
using tarvel::bench::TClock;

std::wstring Beside(const wchar_t* AName) {
  std::wstring path = TarvelExePath();
  return path.substr(0, path.find_last_of(L"\\/") + 1) + AName;
}

struct TSeries {
  explicit TSeries(const char* AName) : Name(AName) {}
  const char* Name;
  std::vector<double> Values;
  void Print() const {
    if (Values.empty()) {
      std::printf("  %-44s no samples\n", Name);
      return;
    }
    std::printf("  %-44s median %7.0f ms  (min %5.0f, max %5.0f, %zu runs)\n", Name, Median(Values),
                *std::min_element(Values.begin(), Values.end()), *std::max_element(Values.begin(), Values.end()),
                Values.size());
  }
};

bool Fail(const char* AWhy) {
  std::fprintf(stderr, "lifecycle bench: %s\n", AWhy);
  return false;
}

// A started Tarvel, hidden or shown, ready to be asked to quit.
bool StartTarvel(TProcess& AProcess, HWND& AMain, bool AShown) {
  DeleteStoredSettings();
  StoreSetting(L"DontShowTutorial", 1);
  StoreSetting(L"ShowNotifications", 0);
  StoreUpdateUrl(ClosedUpdateUrl);
  AProcess = TProcess::Start(TarvelExePath());
  if (!WaitUntil([&] { return (AMain = FindWindowOfProcess(AProcess.Id(), L"TarvelMainWindow")) != nullptr; }, 30s))
    return Fail("the main window was not created");
  if (!WaitUntil([&] { return TrayIconRegistered(AMain); }, 10s))
    return Fail("no tray icon");
  // Started is when the hot keys and the listener are in place, after the icon.
  Sleep(1000);
  if (!AShown)
    return true;
  POINT icon;
  if (!WaitUntil([&] { return FindTrayIconCentre(icon); }, 10s))
    return Fail("the tray icon is not on screen");
  ClickAt(icon, true);
  if (!WaitUntil([] { return FindPopupMenu() != nullptr; }, 10s))
    return Fail("no menu after a right click");
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  return WaitUntil([&] { return IsWindowVisible(AMain) != FALSE; }, 10s) || Fail("Show app did not show the window");
}

// Answers Yes to the quit confirmation of AProcess once it is up; then times the window
// going from the screen (when it is on it) and the process ending.
bool TimeQuit(const TProcess& AProcess, HWND AWindow, TSeries& AEnded, TSeries* AHidden) {
  HWND box = nullptr;
  if (!WaitUntil([&] { return (box = FindMessageBox(AProcess.Id())) != nullptr; }, 10s))
    return Fail("no quit confirmation");
  Sleep(300);
  const auto yes = TClock::now();
  PostMessageW(box, WM_COMMAND, IDYES, 0);
  if (AHidden) {
    if (!WaitUntil([&] { return !IsWindow(AWindow) || !IsWindowVisible(AWindow); }, 30s))
      return Fail("the window stayed on screen");
    AHidden->Values.push_back(Milliseconds(TClock::now() - yes));
  }
  if (!AProcess.WaitForExit(30000))
    return Fail("the program did not end");
  AEnded.Values.push_back(Milliseconds(TClock::now() - yes));
  return true;
}

// Opens the tray menu of a running Tarvel and picks "Quit".
bool AskTarvelToQuit() {
  POINT icon;
  if (!WaitUntil([&] { return FindTrayIconCentre(icon); }, 10s))
    return Fail("the tray icon is not on screen");
  ClickAt(icon, true);
  if (!WaitUntil([] { return FindPopupMenu() != nullptr; }, 10s))
    return Fail("no menu after a right click");
  for (int i = 0; i <= 3; ++i)
    PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  return true;
}

int Quit(int ARuns) {
  TSeries tarvelHidden("Tarvel, window in the tray: Yes to the end");
  TSeries tarvelShown("Tarvel, window shown: Yes to the end");
  TSeries tarvelGone("Tarvel, window shown: Yes to the window gone");
  TSeries minimalHidden("minimal program, hidden: Yes to the end");
  TSeries minimalShown("minimal program, shown: Yes to the end");
  for (int run = 0; run < ARuns; ++run) {
    for (const bool shown : {false, true}) {
      TProcess tarvel;
      HWND main = nullptr;
      if (!StartTarvel(tarvel, main, shown) || !AskTarvelToQuit() ||
          !TimeQuit(tarvel, main, shown ? tarvelShown : tarvelHidden, shown ? &tarvelGone : nullptr))
        return 2;
      TProcess minimal = TProcess::Start(Beside(L"tarvel_minimal_app.exe"), shown ? L"--shown" : L"");
      HWND window = nullptr;
      if (!WaitUntil([&] { return (window = FindWindowOfProcess(minimal.Id(), L"TarvelMinimalApp")) != nullptr; }, 30s))
        return Fail("the minimal program's window was not created"), 2;
      Sleep(1000);
      PostMessageW(window, WM_APP, 0, 0);
      if (!TimeQuit(minimal, window, shown ? minimalShown : minimalHidden, nullptr))
        return 2;
    }
    std::printf("run %d of %d done\n", run + 1, ARuns);
  }
  DeleteStoredSettings();
  std::printf("quit, %d runs each:\n", ARuns);
  for (const TSeries* s : {&tarvelHidden, &minimalHidden, &tarvelShown, &minimalShown, &tarvelGone})
    s->Print();
  std::printf("  ratio Tarvel / minimal: hidden %.2f, shown %.2f\n",
              Median(tarvelHidden.Values) / Median(minimalHidden.Values),
              Median(tarvelShown.Values) / Median(minimalShown.Values));
  return 0;
}

int SecondStart(int ARuns) {
  TProcess first;
  HWND main = nullptr;
  if (!StartTarvel(first, main, false))
    return 2;
  TSeries second("second tarvel.exe: start to end");
  TSeries nothing("a program that does nothing: start to end");
  for (int run = 0; run < ARuns; ++run) {
    const auto time = [](TSeries& ASeries, const std::wstring& AExe, const std::wstring& AArguments) {
      const auto t0 = TClock::now();
      const TProcess p = TProcess::Start(AExe, AArguments);
      if (!p.WaitForExit(30000))
        return Fail("the program did not end");
      ASeries.Values.push_back(Milliseconds(TClock::now() - t0));
      return true;
    };
    if (!time(second, TarvelExePath(), L"") || !time(nothing, Beside(L"tarvel_minimal_app.exe"), L"--nothing"))
      return 2;
  }
  first.Kill();
  DeleteStoredSettings();
  std::printf("second start, %d runs:\n", ARuns);
  second.Print();
  nothing.Print();
  std::printf("  ratio %.2f\n", Median(second.Values) / Median(nothing.Values));
  return 0;
}

} // namespace

int wmain(int AArgc, wchar_t** AArgv) {
  const std::wstring command = AArgc > 1 ? AArgv[1] : L"";
  const int runs = AArgc > 2 ? std::max(1, _wtoi(AArgv[2])) : 5;
  if (CountProcesses(L"tarvel.exe") != 0) {
    std::fprintf(stderr, "lifecycle bench: a tarvel.exe is already running in this prefix\n");
    return 2;
  }
  // Wine has no text recognition: Tarvel finds the test double's, with one language, as in
  // the end-to-end tier (without any it would stop at a warning box).
  const tarvel::ocr_double::TOcrDoubleRegistration ocr;
  const tarvel::ocr_double::TOcrScript languages;
  if (command == L"quit")
    return Quit(runs);
  if (command == L"second-start")
    return SecondStart(runs);
  std::fprintf(stderr, "usage: tarvel_lifecycle_bench quit|second-start [runs]\n");
  return 1;
}
