#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "Driver.h"
#include "OtherProgram.h"
#include "Process.h"
#include "app/win32/ControlIds.h"

namespace tarvel::e2e {

using namespace std::chrono_literals;

inline constexpr wchar_t MainWindowClass[] = L"TarvelMainWindow";

inline bool HasChildText(HWND AWindow, const std::wstring& AText) {
  const auto texts = ChildTexts(AWindow);
  return std::find(texts.begin(), texts.end(), AText) != texts.end();
}

// The log without the lines of the update check that every start runs on a worker, which
// may arrive at any time after the start line.
inline std::wstring WithoutUpdateCheckLines(const std::wstring& ALog) {
  static const wchar_t* const Texts[] = {L" - Update check", L" - Checking update at: ", L" - Update site version: ",
                                         L" - New version available: ", L" - No newer version available"};
  std::wstring kept;
  std::size_t start = 0;
  while (start <= ALog.size()) {
    std::size_t end = ALog.find(L"\r\n", start);
    if (end == std::wstring::npos)
      end = ALog.size();
    const std::wstring line = ALog.substr(start, end - start);
    if (std::none_of(std::begin(Texts), std::end(Texts),
                     [&](const wchar_t* AText) { return line.find(AText) != std::wstring::npos; }))
      kept += (kept.empty() ? L"" : L"\r\n") + line;
    start = end + 2;
  }
  return kept;
}

// One scenario with its own Tarvel: the stored settings are removed before and after, so
// every scenario starts from a fresh installation unless it stores values itself; only the
// first-run tutorial is turned off, as the scenarios are about the program behind it, and the
// update check asks a closed local port.
class TScenario : public testing::Test {
protected:
  void SetUp() override {
    DeleteStoredSettings();
    StoreSetting(L"DontShowTutorial", 1);
    StoreUpdateUrl(ClosedUpdateUrl);
  }
  void TearDown() override {
    FTarvel.Kill();
    DeleteStoredSettings();
  }

  // Starts tarvel.exe and waits for its main window and tray icon.
  void StartTarvel() {
    FTarvel = TProcess::Start(TarvelExePath());
    ASSERT_TRUE(WaitUntil([&] { return (FMain = FindWindowOfProcess(FTarvel.Id(), MainWindowClass)) != nullptr; }, 30s))
        << "the main window was not created";
    ASSERT_TRUE(WaitUntil([&] { return TrayIconRegistered(FMain); }, 10s)) << "no tray icon";
  }

  // A control of the window, on whichever card it lives.
  HWND Control(int AId) const { return FindControl(FMain, AId); }

  // Opens the tray icon's menu with a right click and picks the item at AIndex with the
  // keyboard.
  void ChooseTrayMenuItem(int AIndex) {
    POINT icon;
    ASSERT_TRUE(WaitUntil([&] { return FindTrayIconCentre(icon); }, 10s)) << "the tray icon is not on screen";
    ClickAt(icon, true);
    ASSERT_TRUE(WaitUntil([] { return FindPopupMenu() != nullptr; }, 10s)) << "no menu after a right click";
    for (int i = 0; i <= AIndex; ++i)
      PressKey(VK_DOWN);
    PressKey(VK_RETURN);
  }

  void ShowApp() {
    ChooseTrayMenuItem(0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(FMain) != FALSE; }, 10s)) << "Show app did not show the window";
  }

  // Clicks a card button and waits until a control of that card is shown.
  void ShowCard(int AButtonId, int AControlOnCard) {
    ClickControl(Control(AButtonId));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(Control(AControlOnCard)) != FALSE; }, 10s))
        << "the card did not come up";
  }

  HWND AnswerQuit(int AButton) {
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (box = FindMessageBox(FTarvel.Id())) != nullptr; }, 10s)) << "no confirmation";
    if (box) {
      EXPECT_TRUE(HasChildText(box,
                               L"Are you sure you want to quit Tarvel?\r\n\r\nThis will close the app completely.\r\n"
                               L"You can press the X button in the top-right corner instead to hide it to the "
                               L"tray and keep the app hotkeys available at any time."));
      PostMessageW(box, WM_COMMAND, AButton, 0);
    }
    return box;
  }

  TProcess FTarvel;
  HWND FMain = nullptr;
};

// Tarvel with its log on the info card and a clean clipboard; its window shown unless the
// scenario keeps it in the tray.
class TClipboardScenario : public TScenario {
protected:
  explicit TClipboardScenario(bool AShown = true) : FShown(AShown) {}

  void SetUp() override {
    TScenario::SetUp();
    if (OpenClipboard(FOther.Window())) {
      EmptyClipboard();
      CloseClipboard();
    }
    StoreSetting(L"ShowLog", 1);
    StartTarvel();
    // The tray icon comes before the hot keys and the clipboard listener: started is when
    // the log says so.
    ASSERT_TRUE(WaitUntil([&] { return Log().find(L"Tarvel started") != std::wstring::npos; }, 10s))
        << "Tarvel did not finish starting";
    if (FShown)
      ShowApp();
  }

  std::wstring Label() { return TextOf(Control(idLabel1)); }
  std::wstring Log() { return TextOf(Control(idMemoInfoLog)); }
  // Waits for the label to begin with APrefix ("2 / 2").
  bool LabelShows(const std::wstring& APrefix) {
    return WaitUntil([&] { return Label().rfind(APrefix, 0) == 0; }, 10s);
  }

  TOtherProgram FOther;

private:
  bool FShown;
};

} // namespace tarvel::e2e
