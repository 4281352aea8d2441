#pragma once

#include "Scenario.h"
#include "win32/ScreenSupport.h"

namespace tarvel::e2e {

inline constexpr wchar_t OverlayClass[] = L"TarvelSelectionOverlay";

// Tarvel in the tray with its log on the info card, the window hidden, so that nothing of
// Tarvel's own moves on screen; the clipboard empty; the keyboard with a program of the user.
class TCaptureScenario : public TClipboardScenario {
protected:
  TCaptureScenario() : TClipboardScenario(false) {}

  void SetUp() override {
    TClipboardScenario::SetUp();
    // The keyboard is with the program the user works in, as on a real desktop. Here a
    // window has to take it: when the process that had it ends, Wine leaves no window in
    // front, and keys pressed then reach no program and trigger no hot key.
    SetForegroundWindow(FUserProgram.Handle());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == FUserProgram.Handle(); }, 10s))
        << "the user's program did not come to the front";
  }

  bool LogHas(const std::wstring& AText) {
    return WaitUntil([&] { return Log().find(AText) != std::wstring::npos; }, 10s);
  }

  HWND Overlay() {
    const HWND overlay = FindWindowOfProcess(FTarvel.Id(), OverlayClass);
    return overlay && IsWindowVisible(overlay) ? overlay : nullptr;
  }
  bool OverlayOpens() {
    return WaitUntil([&] { return Overlay() != nullptr; }, 10s);
  }
  bool OverlayCloses() {
    return WaitUntil([&] { return Overlay() == nullptr; }, 10s);
  }

  void Drag(POINT AFrom, POINT ATo, const wchar_t* AScreenshot = nullptr) {
    MoveMouse(AFrom);
    PressMouse();
    MoveMouse({(AFrom.x + ATo.x) / 2, (AFrom.y + ATo.y) / 2});
    MoveMouse(ATo);
    if (AScreenshot)
      SaveScreenshot(GetDesktopWindow(), AScreenshot);
    ReleaseMouse();
  }
  const test::TPatternWindow FUserProgram{{1180, 900, 1240, 960}, 0x77};
};

} // namespace tarvel::e2e
