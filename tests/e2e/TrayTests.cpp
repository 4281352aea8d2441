#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "Driver.h"
#include "Process.h"

namespace tarvel::e2e {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t MainWindowClass[] = L"TarvelMainWindow";

bool HasChildText(HWND AWindow, const std::wstring& AText) {
  const auto texts = ChildTexts(AWindow);
  return std::find(texts.begin(), texts.end(), AText) != texts.end();
}

// Tarvel started fresh for each scenario, with its main window found.
class TrayTest : public testing::Test {
protected:
  void SetUp() override {
    FTarvel = TProcess::Start(TarvelExePath());
    ASSERT_TRUE(WaitUntil([&] { return (FMain = FindWindowOfProcess(FTarvel.Id(), MainWindowClass)) != nullptr; }, 30s))
        << "the main window was not created";
    ASSERT_TRUE(WaitUntil([&] { return TrayIconRegistered(FMain); }, 10s)) << "no tray icon";
  }

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

  HWND AnswerQuit(int AButton) {
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (box = FindMessageBox(FTarvel.Id())) != nullptr; }, 10s)) << "no confirmation";
    if (box) {
      EXPECT_TRUE(HasChildText(box, L"Are you sure you want to quit Tarvel?\r\n\r\nThis will close the app completely.\r\n"
                                    L"You can press the X button in the top-right corner instead to hide it to the "
                                    L"tray and keep the app hotkeys available at any time."));
      PostMessageW(box, WM_COMMAND, AButton, 0);
    }
    return box;
  }

  TProcess FTarvel;
  HWND FMain = nullptr;
};

TEST_F(TrayTest, StartsWithTrayIconAndNoVisibleWindow) {
  for (HWND w : TopLevelWindowsOf(FTarvel.Id()))
    EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(TextOf(FMain), L"Tarvel");
}

TEST_F(TrayTest, ShowAppShowsTheEmptyHistoryAndCloseOnlyHides) {
  ShowApp();
  EXPECT_TRUE(HasChildText(FMain, L"0 / 0"));
  PostMessageW(FMain, WM_SYSCOMMAND, SC_CLOSE, 0);  // the caption's close button
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(FMain); }, 10s)) << "close did not hide the window";
  EXPECT_TRUE(FTarvel.Running());
  EXPECT_TRUE(TrayIconRegistered(FMain));
  // The same window comes back.
  ShowApp();
  EXPECT_TRUE(IsWindow(FMain));
}

TEST_F(TrayTest, DoubleClickOnTheIconTogglesTheWindow) {
  POINT icon;
  ASSERT_TRUE(WaitUntil([&] { return FindTrayIconCentre(icon); }, 10s));
  ClickAt(icon, false, true);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(FMain) != FALSE; }, 10s));
  Sleep(600);  // so that the next clicks are not taken for a triple click
  ClickAt(icon, false, true);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(FMain); }, 10s));
}

TEST_F(TrayTest, QuitAnsweredNoKeepsRunning) {
  ChooseTrayMenuItem(3);
  AnswerQuit(IDNO);
  ASSERT_TRUE(WaitUntil([&] { return FindMessageBox(FTarvel.Id()) == nullptr; }, 10s));
  Sleep(300);
  EXPECT_TRUE(FTarvel.Running());
  EXPECT_TRUE(TrayIconRegistered(FMain));
}

TEST_F(TrayTest, QuitAnsweredYesEndsTheProcessWithZero) {
  ChooseTrayMenuItem(3);
  AnswerQuit(IDYES);
  ASSERT_TRUE(FTarvel.WaitForExit(10000)) << "Tarvel kept running after Yes";
  EXPECT_EQ(FTarvel.ExitCode(), 0u);
  EXPECT_FALSE(TrayIconRegistered(FMain));
}

} // namespace
} // namespace tarvel::e2e
