#include <gtest/gtest.h>

#include <string>

#include "Scenario.h"
#include "app/win32/TutorialWindow.h"

namespace tarvel::e2e {
namespace {

// Tarvel as a user meets it: with the first-run tutorial unless a scenario stores otherwise.
class TutorialTest : public TScenario {
protected:
  void SetUp() override {
    TScenario::SetUp();
    DeleteStoredSettings(); // a fresh installation, tutorial included
  }

  // Starts tarvel.exe and waits for its tutorial.
  void StartWithTutorial() {
    FTarvel = TProcess::Start(TarvelExePath());
    ASSERT_TRUE(WaitForTutorial()) << "no tutorial at start";
    // It comes to the front, ready for the keyboard.
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == FTutorial; }, 10s)) << "the tutorial is not in front";
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(FTutorial) == Next(); }, 10s)) << "Next has not the focus";
  }
  bool WaitForTutorial() {
    return WaitUntil(
        [&] {
          FTutorial = FindWindowOfProcess(FTarvel.Id(), TutorialWindowClass);
          return FTutorial && IsWindowVisible(FTutorial);
        },
        30s);
  }
  bool WaitForTutorialClosed() {
    return WaitUntil([&] { return FindWindowOfProcess(FTarvel.Id(), TutorialWindowClass) == nullptr; }, 10s);
  }
  HWND Previous() const { return FindControl(FTutorial, idTutorialPrevious); }
  HWND Next() const { return FindControl(FTutorial, idTutorialNext); }
  HWND Box() const { return FindControl(FTutorial, idTutorialDontShow); }
  bool Ticked() const { return SendMessageW(Box(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // Waits until the Next button reads ACaption.
  bool NextReads(const wchar_t* ACaption) const {
    return WaitUntil([&] { return TextOf(Next()) == ACaption; }, 10s);
  }
  bool WaitForMainWindowAndTray() {
    return WaitUntil([&] { return (FMain = FindWindowOfProcess(FTarvel.Id(), MainWindowClass)) != nullptr; }, 30s) &&
           WaitUntil([&] { return TrayIconRegistered(FMain); }, 10s);
  }

  HWND FTutorial = nullptr;
};

TEST_F(TutorialTest, FirstStartShowsFourPagesBeforeTheMainWindowAndStartUsingClosesThem) {
  StartWithTutorial();
  EXPECT_EQ(TextOf(FTutorial), L"Tutorial");
  RECT client;
  GetClientRect(FTutorial, &client);
  // 624 × 441 at 96 DPI, scaled for the screen's.
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(client.right, MulDiv(624, dpi, 96));
  EXPECT_EQ(client.bottom, MulDiv(441, dpi, 96));
  EXPECT_FALSE(IsWindowEnabled(Previous())) << "Previous is enabled on the first page";
  EXPECT_EQ(TextOf(Previous()), L"Previous");
  EXPECT_TRUE(NextReads(L"Next"));
  EXPECT_FALSE(Ticked());
  EXPECT_EQ(TextOf(Box()), L"Don't show this tutorial again");
  EXPECT_EQ(FindWindowOfProcess(FTarvel.Id(), MainWindowClass), nullptr) << "the main window came before the tutorial";
  SaveScreenshot(FTutorial, L"tutorial-page-1");

  for (int page = 2; page <= 4; ++page) {
    ClickControl(Next());
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Previous()) != FALSE; }, 10s));
    if (page < 4) {
      EXPECT_TRUE(NextReads(L"Next"));
    }
    SaveScreenshot(FTutorial, L"tutorial-page-" + std::to_wstring(page));
  }
  EXPECT_TRUE(NextReads(L"Start using Tarvel"));
  EXPECT_EQ(FindWindowOfProcess(FTarvel.Id(), MainWindowClass), nullptr);

  ClickControl(Next());
  EXPECT_TRUE(WaitForTutorialClosed()) << "Start using Tarvel did not close the tutorial";
  EXPECT_TRUE(WaitForMainWindowAndTray()) << "no main window or tray icon after the tutorial";
  EXPECT_EQ(StoredSetting(L"DontShowTutorial"), 0u);
}

TEST_F(TutorialTest, KeyboardStepsBackAndForthAndEscapeCloses) {
  StartWithTutorial();
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Previous()) != FALSE; }, 10s)) << "Enter did not go on";
  PressKey(VK_RETURN);
  PressKey(VK_RETURN);
  EXPECT_TRUE(NextReads(L"Start using Tarvel"));
  // Tab from Next walks around to Previous, whose Enter steps back.
  PressKey(VK_TAB);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(FTutorial) == Previous(); }, 10s)) << "Tab did not reach Previous";
  PressKey(VK_RETURN);
  EXPECT_TRUE(NextReads(L"Next"));
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitForTutorialClosed()) << "Escape did not close the tutorial";
  EXPECT_TRUE(WaitForMainWindowAndTray());
}

TEST_F(TutorialTest, TickingTheBoxAndClosingOnPageTwoEndsTheTutorialForGood) {
  StartWithTutorial();
  ClickControl(Next());
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Previous()) != FALSE; }, 10s));
  ClickControl(Box());
  ASSERT_TRUE(WaitUntil([&] { return Ticked(); }, 10s)) << "the click did not tick the box";
  EXPECT_TRUE(WaitUntil([] { return StoredSetting(L"DontShowTutorial") == 1u; }, 10s)) << "the tick was not stored";
  SaveScreenshot(FTutorial, L"tutorial-ticked");
  // The window's close button.
  PostMessageW(FTutorial, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitForTutorialClosed());
  ASSERT_TRUE(WaitForMainWindowAndTray());
  EXPECT_EQ(StoredSetting(L"DontShowTutorial"), 1u);

  FTarvel.Kill();
  FTarvel = TProcess::Start(TarvelExePath());
  EXPECT_TRUE(WaitForMainWindowAndTray()) << "no main window at the next start";
  EXPECT_EQ(FindWindowOfProcess(FTarvel.Id(), TutorialWindowClass), nullptr) << "the tutorial came again";
}

TEST_F(TutorialTest, UntickingTheBoxFromTheTrayBringsTheTutorialBackAtTheNextStart) {
  StoreSetting(L"DontShowTutorial", 1);
  StartTarvel();
  EXPECT_EQ(FindWindowOfProcess(FTarvel.Id(), TutorialWindowClass), nullptr);
  ChooseTrayMenuItem(tmShowTutorial);
  ASSERT_TRUE(WaitForTutorial()) << "Show tutorial did not open it";
  EXPECT_TRUE(Ticked());
  ClickControl(Box());
  ASSERT_TRUE(WaitUntil([&] { return !Ticked(); }, 10s));
  EXPECT_TRUE(WaitUntil([] { return StoredSetting(L"DontShowTutorial") == 0u; }, 10s));
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(WaitForTutorialClosed());
  // The main window keeps the choice when it stores its own settings afterwards.
  ShowApp();
  ShowCard(idBtnCard2, idSwtNotifications);
  ClickControl(Control(idSwtNotifications));
  EXPECT_TRUE(WaitUntil([] { return StoredSetting(L"ShowNotifications").has_value(); }, 10s));
  EXPECT_EQ(StoredSetting(L"DontShowTutorial"), 0u);

  FTarvel.Kill();
  FTarvel = TProcess::Start(TarvelExePath());
  EXPECT_TRUE(WaitForTutorial()) << "the tutorial did not come back";
}

TEST_F(TutorialTest, TheSessionEndingWhileTheTutorialIsUpEndsTheProgram) {
  StartWithTutorial();
  HWND application = FindWindowOfProcess(FTarvel.Id(), L"TarvelApplication");
  ASSERT_NE(application, nullptr);
  // As an installer closes the program: the session asks, then ends.
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(application, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &answer);
  EXPECT_EQ(answer, TRUE);
  SendMessageTimeoutW(application, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &answer);
  EXPECT_TRUE(FTarvel.WaitForExit(10000)) << "Tarvel hung with its tutorial up";
  EXPECT_EQ(FTarvel.ExitCode(), 0u);
  EXPECT_FALSE(FindWindowOfProcess(FTarvel.Id(), MainWindowClass));
}

} // namespace
} // namespace tarvel::e2e
