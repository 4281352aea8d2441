#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "Scenario.h"

namespace tarvel::e2e {
namespace {

using namespace std::chrono_literals;

class TrayTest : public TScenario {
protected:
  void SetUp() override {
    TScenario::SetUp();
    StartTarvel();
  }
};

TEST_F(TrayTest, StartsWithTrayIconAndNoVisibleWindow) {
  for (HWND w : TopLevelWindowsOf(FTarvel.Id()))
    EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(TextOf(FMain), L"Tarvel");
}

TEST_F(TrayTest, ShowAppShowsTheEmptyHistoryAndCloseOnlyHides) {
  ShowApp();
  EXPECT_TRUE(HasChildText(FMain, L"0 / 0"));
  PostMessageW(FMain, WM_SYSCOMMAND, SC_CLOSE, 0); // the caption's close button
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
  Sleep(600); // so that the next clicks are not taken for a triple click
  ClickAt(icon, false, true);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(FMain); }, 10s));
}

TEST_F(TrayTest, QuitAnsweredNoKeepsRunning) {
  ChooseTrayMenuItem(tmQuit);
  AnswerQuit(IDNO);
  ASSERT_TRUE(WaitUntil([&] { return FindMessageBox(FTarvel.Id()) == nullptr; }, 10s));
  Sleep(300);
  EXPECT_TRUE(FTarvel.Running());
  EXPECT_TRUE(TrayIconRegistered(FMain));
}

TEST_F(TrayTest, QuitAnsweredYesEndsTheProcessWithZero) {
  ChooseTrayMenuItem(tmQuit);
  AnswerQuit(IDYES);
  ASSERT_TRUE(FTarvel.WaitForExit(10000)) << "Tarvel kept running after Yes";
  EXPECT_EQ(FTarvel.ExitCode(), 0u);
  EXPECT_FALSE(TrayIconRegistered(FMain));
}

} // namespace
} // namespace tarvel::e2e
