#pragma once

#include <windows.h>

#include <chrono>
#include <string>

#include "Driver.h"
#include "Process.h"

namespace tarvel::e2e {

inline constexpr wchar_t MainWindowClass[] = L"TarvelMainWindow";

// The items of the tray icon's menu, top to bottom.
enum TTrayMenuItem { tmShowApp, tmSaveClipboard, tmClearHistory, tmShowTutorial, tmQuit };

// The stored settings every run starts from: a fresh installation, with only the first-run
// tutorial turned off (the runs are about the program behind it) and the update check
// asking a closed local port, so that nothing waits on the network.
inline void StoreFreshSettings() {
  DeleteStoredSettings();
  StoreSetting(L"DontShowTutorial", 1);
  StoreUpdateUrl(ClosedUpdateUrl);
}

// One tarvel.exe driven as a user drives it, shared by the end-to-end scenarios and the
// benches. Each step waits for what the user would see and answers what went wrong, or an
// empty text.
class TTarvelSession {
public:
  // Starts AExe and waits for its main window and tray icon.
  std::wstring StartTarvelFrom(const std::wstring& AExe) {
    using namespace std::chrono_literals;
    FTarvel = TProcess::Start(AExe);
    if (!WaitUntil([&] { return (FMain = FindWindowOfProcess(FTarvel.Id(), MainWindowClass)) != nullptr; }, 30s))
      return L"the main window was not created";
    if (!WaitUntil([&] { return TrayIconRegistered(FMain); }, 10s))
      return L"no tray icon";
    return {};
  }

  // Opens the tray icon's menu with a right click and picks the item at AIndex with the
  // keyboard.
  std::wstring PickTrayMenuItem(int AIndex) {
    using namespace std::chrono_literals;
    POINT icon;
    if (!WaitUntil([&] { return FindTrayIconCentre(icon); }, 10s))
      return L"the tray icon is not on screen";
    ClickAt(icon, true);
    if (!WaitUntil([] { return FindPopupMenu() != nullptr; }, 10s))
      return L"no menu after a right click";
    for (int i = 0; i <= AIndex; ++i)
      PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    return {};
  }

  // "Show app", the menu's first item.
  std::wstring ShowAppFromTray() {
    using namespace std::chrono_literals;
    if (std::wstring failure = PickTrayMenuItem(tmShowApp); !failure.empty())
      return failure;
    if (!WaitUntil([&] { return IsWindowVisible(FMain) != FALSE; }, 10s))
      return L"Show app did not show the window";
    return {};
  }

  // Clicks a card button and waits until a control of that card is shown.
  std::wstring ShowCardOf(int AButtonId, int AControlOnCard) {
    using namespace std::chrono_literals;
    ClickControl(Control(AButtonId));
    if (!WaitUntil([&] { return IsWindowVisible(Control(AControlOnCard)) != FALSE; }, 10s))
      return L"the card did not come up";
    return {};
  }

  // A control of the window, on whichever card it lives.
  HWND Control(int AId) const { return FindControl(FMain, AId); }

protected:
  TProcess FTarvel;
  HWND FMain = nullptr;
};

} // namespace tarvel::e2e
