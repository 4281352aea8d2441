#include <gtest/gtest.h>

#include "MainFormFixture.h"

namespace tarvel {
namespace {

TEST_F(MainFormTest, StartsHiddenWithTrayIconAndEmptyBrowser) {
  EXPECT_FALSE(FWindow.Visible);
  EXPECT_EQ(FForm.Caption, u"Tarvel");
  ASSERT_NE(FForm.TrayIcon(), nullptr);
  EXPECT_TRUE(FForm.TrayIcon()->Visible());
  EXPECT_EQ(FForm.TrayIcon()->Hint, u"Tarvel");
  EXPECT_EQ(FForm.Label1.Caption(), u"0 / 0");
  EXPECT_FALSE(FForm.trkSlider.Enabled());
  EXPECT_FALSE(FForm.spnClipboardPage.Enabled());
  EXPECT_FALSE(FForm.btnDeleteEntry.Enabled());
  EXPECT_EQ(FForm.CardPanel1.ActiveCardIndex(), 0);
  EXPECT_TRUE(FForm.btnCard1.Down());
  EXPECT_TRUE(FForm.Memo1.ReadOnly());
  EXPECT_TRUE(FForm.MemoInfoLog.ReadOnly());
  EXPECT_EQ(FForm.BalloonCloseTimer()->Interval(), 1000u);
  EXPECT_FALSE(FForm.BalloonCloseTimer()->Enabled());
  EXPECT_EQ(FForm.SliderReleaseTimer()->Interval(), 50u);
  EXPECT_EQ(FForm.spnMaxClipentries.Value(), 10);
  EXPECT_EQ(FForm.edtHotkeyOCR.Text(), u"X");
}

TEST_F(MainFormTest, TrayMenuHasItsItemsInOrderWithTheirIcons) {
  const auto& menu = FForm.TrayIcon()->Menu;
  ASSERT_EQ(menu.size(), 5u);
  EXPECT_EQ(menu[0].Caption, u"Show app");
  EXPECT_EQ(menu[0].ImageIndex, 0);
  EXPECT_EQ(menu[1].Caption, u"Save clipboard");
  EXPECT_EQ(menu[1].ImageIndex, 14);
  EXPECT_EQ(menu[2].Caption, u"Clear history");
  EXPECT_EQ(menu[2].ImageIndex, 16);
  EXPECT_EQ(menu[3].Caption, u"Show tutorial");
  EXPECT_EQ(menu[3].ImageIndex, 2);
  EXPECT_EQ(menu[4].Caption, u"Quit");
  EXPECT_EQ(menu[4].ImageIndex, 3);
}

TEST_F(MainFormTest, CloseOnlyHides) {
  ChooseTrayItem(u"Show app");
  ASSERT_TRUE(FWindow.Visible);
  FForm.Close();
  EXPECT_FALSE(FWindow.Visible);
  EXPECT_FALSE(FWindow.Destroyed);
  EXPECT_TRUE(FForm.TrayIcon()->Visible());
  bool canClose = true;
  FForm.FormCloseQuery(canClose);
  EXPECT_FALSE(canClose);
}

TEST_F(MainFormTest, ShowAppShowsBringsToFrontAndRefreshesTheBrowser) {
  FForm.Label1.SetCaption(u"stale");
  ChooseTrayItem(u"Show app");
  EXPECT_TRUE(FWindow.Visible);
  EXPECT_EQ(FWindow.BroughtToFront, 1);
  EXPECT_EQ(FForm.Label1.Caption(), u"0 / 0");
}

TEST_F(MainFormTest, DoubleClickTogglesTheWindow) {
  FForm.TrayIcon()->UserDblClick();
  EXPECT_TRUE(FWindow.Visible);
  FForm.TrayIcon()->UserDblClick();
  EXPECT_FALSE(FWindow.Visible);
  FForm.TrayIcon()->UserDblClick();
  EXPECT_TRUE(FWindow.Visible);
}

struct TQuitCase {
  const char* Name;
  bool FromTray;
  bool WindowVisible;
};

class MainFormQuitTest : public MainFormTest, public testing::WithParamInterface<TQuitCase> {
protected:
  void Quit() {
    if (GetParam().FromTray)
      ChooseTrayItem(u"Quit");
    else
      FForm.btnQuit.Click();
  }
};

TEST_P(MainFormQuitTest, NoKeepsEverythingAsItWas) {
  FWindow.Visible = GetParam().WindowVisible;
  FDialogs.Answers = {mrNo};
  Quit();
  ASSERT_EQ(FDialogs.Shown.size(), 1u);
  EXPECT_EQ(FDialogs.Shown[0].Text, ConfirmQuitText);
  EXPECT_EQ(FDialogs.Shown[0].Type, mtWarning);
  EXPECT_EQ(FDialogs.Shown[0].Buttons, unsigned{mbYes | mbNo});
  EXPECT_EQ(FWindow.Visible, GetParam().WindowVisible);
  EXPECT_FALSE(FWindow.Destroyed);
  EXPECT_TRUE(FForm.TrayIcon()->Visible());
  // A later close is still refused.
  FForm.Close();
  EXPECT_FALSE(FWindow.Destroyed);
}

TEST_P(MainFormQuitTest, YesEndsTheLoopAndRemovesTheTrayIcon) {
  FWindow.Visible = GetParam().WindowVisible;
  FDialogs.Answers = {mrYes};
  Quit();
  EXPECT_TRUE(FWindow.Destroyed);
  EXPECT_FALSE(FForm.TrayIcon()->Visible());
}

TEST_P(MainFormQuitTest, ClosingTheBoxCountsAsNo) {
  FDialogs.Answers = {mrCancel};
  Quit();
  EXPECT_FALSE(FWindow.Destroyed);
}

INSTANTIATE_TEST_SUITE_P(Paths, MainFormQuitTest,
                         testing::Values(TQuitCase{"QuitButton", false, true},
                                         TQuitCase{"TrayWhileHidden", true, false},
                                         TQuitCase{"TrayWhileShown", true, true}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(MainFormTest, CardButtonsSwitchCardsAndStayGrouped) {
  FForm.btnCard3.Click();
  EXPECT_EQ(FForm.CardPanel1.ActiveCardIndex(), 2);
  EXPECT_TRUE(FForm.btnCard3.Down());
  EXPECT_FALSE(FForm.btnCard1.Down());
  FForm.btnCard2.Click();
  EXPECT_EQ(FForm.CardPanel1.ActiveCardIndex(), 1);
  EXPECT_FALSE(FForm.btnCard3.Down());
}

} // namespace
} // namespace tarvel
