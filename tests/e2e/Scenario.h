#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "Driver.h"
#include "OtherProgram.h"
#include "Process.h"
#include "Session.h"
#include "app/win32/ControlIds.h"

namespace tarvel::e2e {

using namespace std::chrono_literals;

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
// every scenario starts from a fresh installation (StoreFreshSettings) unless it stores
// values itself.
class TScenario : public testing::Test, protected TTarvelSession {
protected:
  void SetUp() override { StoreFreshSettings(); }
  void TearDown() override {
    FTarvel.Kill();
    DeleteStoredSettings();
  }

  void StartTarvel() { ASSERT_EQ(StartTarvelFrom(TarvelExePath()), L""); }
  void ChooseTrayMenuItem(int AIndex) { ASSERT_EQ(PickTrayMenuItem(AIndex), L""); }
  void ShowApp() { ASSERT_EQ(ShowAppFromTray(), L""); }
  void ShowCard(int AButtonId, int AControlOnCard) { ASSERT_EQ(ShowCardOf(AButtonId, AControlOnCard), L""); }

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
    StoreSettings();
    StartTarvel();
    // The tray icon comes before the hot keys and the clipboard listener: started is when
    // the log says so.
    ASSERT_TRUE(WaitUntil([&] { return Log().find(L"Tarvel started") != std::wstring::npos; }, 10s))
        << "Tarvel did not finish starting";
    if (FShown)
      ShowApp();
  }

  // The scenario's own settings, stored over the fresh ones before Tarvel starts.
  virtual void StoreSettings() {}

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
