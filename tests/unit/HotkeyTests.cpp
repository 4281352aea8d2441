// The nine global hotkeys: registration as one set and the commands they run.
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "core/Text.h"

namespace tarvel {
namespace {

const std::u16string Stamp = u"2026-03-01 14:05:09 - ";

TEST(RegisterAppHotkeysTest, RegistersAllNineInIdOrderWithCtrlShiftNoRepeat) {
  TFakeHotkeys hotkeys;
  ASSERT_TRUE(RegisterAppHotkeys(hotkeys, {u'C', u'X', u'R', u'F', u'S'}));
  const std::map<int, std::uint32_t> expected = {{1001, 'C'}, {1002, 0xBB}, {1003, 'I'}, {1004, 'X'}, {1005, 'Z'},
                                                 {1006, 'Y'}, {1007, 'R'},  {1008, 'F'}, {1009, 'S'}};
  ASSERT_EQ(hotkeys.Active.size(), 9u);
  for (const auto& [id, key] : expected) {
    EXPECT_EQ(hotkeys.Active.at(id).VirtualKey, key) << id;
    EXPECT_EQ(hotkeys.Active.at(id).Modifiers, 0x4006u) << id;
  }
  EXPECT_EQ(hotkeys.Attempts, (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009}));
}

TEST(RegisterAppHotkeysTest, StopsAtTheFirstRefusalAndReleasesTheOthers) {
  TFakeHotkeys hotkeys;
  hotkeys.Taken.insert({0x4006, 'I'}); // another program owns Ctrl+Shift+I
  THotkeyRefusal refused{7, 7};
  EXPECT_FALSE(RegisterAppHotkeys(hotkeys, {u'C', u'X', u'R', u'F', u'S'}, &refused));
  EXPECT_EQ(hotkeys.Attempts, (std::vector<int>{1001, 1002, 1003}));
  EXPECT_TRUE(hotkeys.Active.empty());
  EXPECT_EQ(refused.Id, 1003);
  EXPECT_EQ(HotkeyText(refused.VirtualKey), u"Ctrl+Shift+I");
  EXPECT_TRUE(RegisterAppHotkeys(hotkeys, {u'C', u'X', u'R', u'F', u'S'}) == false);
  hotkeys.Taken.clear();
  EXPECT_TRUE(RegisterAppHotkeys(hotkeys, {u'C', u'X', u'R', u'F', u'S'}, &refused));
  EXPECT_EQ(refused.Id, 0) << "a success clears the last refusal";
  EXPECT_EQ(HotkeyText(VkOemPlus), u"Ctrl+Shift+Plus");
}

class HotkeyCommandTest : public MainFormTest {
protected:
  void Copy(const std::u16string& AText) {
    FClipboard.CopyText(AText);
    DeliverClipboardNotifications();
  }
  int Selected() const { return FForm.History()->Index() + 1; }
};

TEST_F(HotkeyCommandTest, StartUpRegistersAndShutdownReleases) {
  EXPECT_TRUE(FForm.HotkeysRegistered());
  EXPECT_EQ(FHotkeys.Active.size(), 9u);
  FForm.FormDestroy();
  EXPECT_TRUE(FHotkeys.Active.empty());
  EXPECT_FALSE(FClipboard.Listening);
}

TEST_F(HotkeyCommandTest, ZAndYStepThroughTheHistoryAndPublishWithoutAddingEntries) {
  Copy(u"A");
  Copy(u"B");
  Copy(u"C");
  FForm.WMHotKey(hkPrevious);
  EXPECT_EQ(Selected(), 2);
  EXPECT_EQ(FClipboard.Text(), u"B");
  EXPECT_EQ(FForm.Label1.Caption().substr(0, 5), u"2 / 3");
  FForm.WMHotKey(hkPrevious);
  FForm.WMHotKey(hkPrevious); // wraps to the newest
  EXPECT_EQ(Selected(), 3);
  EXPECT_EQ(FClipboard.Text(), u"C");
  FForm.WMHotKey(hkNext); // wraps to the oldest
  EXPECT_EQ(FClipboard.Text(), u"A");
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.History()->Count(), 3);
}

TEST_F(HotkeyCommandTest, NavigatingAnEmptyHistoryDoesNothing) {
  FForm.WMHotKey(hkPrevious);
  FForm.WMHotKey(hkNext);
  FForm.WMHotKey(hkMerge);
  EXPECT_TRUE(FClipboard.Formats.empty());
  EXPECT_TRUE(OnlyStartupLog());
}

TEST_F(HotkeyCommandTest, IdsThatAreNotOursAreIgnored) {
  Copy(u"A");
  const auto log = FForm.LogLines();
  const auto clipboard = FClipboard.Formats;
  for (int id : {0, 1000, 1010, -1, 0xBFFF})
    FForm.WMHotKey(id);
  EXPECT_EQ(FForm.LogLines(), log);
  EXPECT_EQ(FClipboard.Formats, clipboard);
  EXPECT_EQ(FForm.History()->Count(), 1);
}

TEST_F(HotkeyCommandTest, ARefusedSetIsReportedWhenNotificationsAreOn) {
  FForm.swtNotifications.Toggle();
  std::vector<std::u16string> balloons;
  FForm.TrayIcon()->OnShowBalloon = [&] { balloons.push_back(FForm.TrayIcon()->BalloonHint); };
  FHotkeys.Taken.insert({0x4006, 'Q'});
  FForm.edtHotkeyOCR.SetText(u"Q");
  FForm.swtShowLog.Toggle(); // stores the record with the new letter
  FForm.ReregisterHotkeys();
  EXPECT_FALSE(FForm.HotkeysRegistered());
  EXPECT_TRUE(FHotkeys.Active.empty()) << "the old set is gone too";
  EXPECT_EQ(balloons, std::vector<std::u16string>{u"Hotkeys unavailable"});
}

TEST_F(HotkeyCommandTest, SavingNeitherPublishesNorRefreshesTheSelection) {
  Copy(u"A");
  Copy(u"B");
  FForm.spnClipboardPage.UserSetValue(1); // A is selected and on the clipboard
  DeliverClipboardNotifications();
  FClipboard.CopyFormats({{cfUnicodeText, TFakeClipboard::TextBytes(u"outside")}});
  FClipboard.Notifications = 0; // not delivered yet
  const auto caption = FForm.Label1.Caption();
  const std::size_t lines = FForm.LogLines().size();
  FForm.WMHotKey(hkSave);
  EXPECT_EQ(FClipboard.Text(), u"outside");
  EXPECT_EQ(FForm.PendingInternalClipboardUpdates(), 0);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(FForm.Label1.Caption(), caption);
  ASSERT_EQ(FForm.LogLines().size(), lines + 1);
  EXPECT_EQ(FForm.LogLines().back().find(Stamp + u"Clipboard saved: "), 0u);
}

class HotkeysTakenAtStartTest : public MainFormTest {
protected:
  HotkeysTakenAtStartTest() : MainFormTest(false) {}
};

TEST_F(HotkeysTakenAtStartTest, StartUpCompletesAndTheBalloonReachesTheTrayIcon) {
  FRegistry.PutDword(SettingsKeyPath, u"ShowNotifications", 1);
  FHotkeys.Taken.insert({HotkeyModifiers, 'I'});
  std::vector<std::u16string> balloons;
  // The window binds the icon before start-up; the balloon asked for during start-up must
  // reach it, once the icon is on screen.
  FForm.TrayIcon()->OnShowBalloon = [&] {
    EXPECT_TRUE(FForm.TrayIcon()->Visible());
    balloons.push_back(FForm.TrayIcon()->BalloonHint);
  };
  Start();
  EXPECT_FALSE(FForm.HotkeysRegistered());
  EXPECT_TRUE(FHotkeys.Active.empty());
  EXPECT_EQ(balloons, std::vector<std::u16string>{u"Hotkeys unavailable"});
  const auto& log = FForm.LogLines();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(std::vector<std::u16string>(log.end() - 2, log.end()),
            (std::vector<std::u16string>{Stamp + u"Hotkeys unavailable: Ctrl+Shift+I is taken by another program",
                                         Stamp + u"Tarvel started"}));
}

// Merging ---------------------------------------------------------------------------------------

class MergeTest : public HotkeyCommandTest {
protected:
  void CopyImage() {
    TBitmap32 image(2, 2, 0xFF123456u);
    FClipboard.CopyImage(image);
    DeliverClipboardNotifications();
  }
  void Merge() {
    FLogBefore = FForm.LogLines().size();
    FForm.WMHotKey(hkMerge);
    DeliverClipboardNotifications();
  }
  std::vector<std::u16string> NewLog() const {
    return {FForm.LogLines().begin() + static_cast<std::ptrdiff_t>(FLogBefore), FForm.LogLines().end()};
  }
  std::size_t FLogBefore = 0;
};

TEST_F(MergeTest, JoinsTextsUpToTheSelectedOneSkippingOthers) {
  Copy(u"A");
  CopyImage();
  Copy(u"B");
  Copy(u"C");
  FForm.spnClipboardPage.UserSetValue(3); // B
  DeliverClipboardNotifications();
  Merge();
  ASSERT_EQ(FForm.History()->Count(), 5);
  EXPECT_EQ(FForm.History()->Last()->Text, u"A\r\nB");
  EXPECT_EQ(Selected(), 5);
  EXPECT_EQ(FClipboard.Text(), u"A\r\nB");
  EXPECT_EQ(NewLog(),
            (std::vector<std::u16string>{Stamp + u"System clipboard updated: text A B", Stamp + u"Text merge: A B"}));
  // Merging again while the merge is selected repeats the earlier texts.
  Merge();
  EXPECT_EQ(FForm.History()->Last()->Text, u"A\r\nB\r\nC\r\nA\r\nB");
}

TEST_F(MergeTest, ASelectedImageMergesNothing) {
  Copy(u"A");
  CopyImage();
  Merge();
  EXPECT_TRUE(NewLog().empty());
  EXPECT_EQ(FForm.History()->Count(), 2);
}

TEST_F(MergeTest, TheNewestTextAloneIsPublishedButNotAddedAgain) {
  Copy(u"only");
  Merge();
  EXPECT_EQ(FForm.History()->Count(), 1);
  EXPECT_EQ(NewLog().back(), Stamp + u"Text merge: only");
  EXPECT_EQ(FForm.PendingInternalClipboardUpdates(), 0);
}

TEST_F(MergeTest, ALineBreakAtTheEndOfAnEntryGivesAnEmptyLine) {
  Copy(u"one\r\n");
  Copy(u"two");
  Merge();
  EXPECT_EQ(FForm.History()->Last()->Text, u"one\r\n\r\ntwo");
}

TEST_F(MergeTest, AtTheLimitTheOldestEntryIsDropped) {
  FForm.FormDestroy();
  TFakeRegistry registry;
  registry.PutDword(SettingsKeyPath, u"MaxClipEntries", 2);
  TMainForm form({FWindow, FDialogs, FClock, registry, FShell, FClipboard, FHotkeys, FDispatcher, FScreen, FOverlay,
                  FUia, FOcrRuntime});
  form.FormCreate();
  for (const char16_t* t : {u"x", u"y"}) {
    FClipboard.CopyText(t);
    while (FClipboard.Notifications > 0) {
      --FClipboard.Notifications;
      form.WMClipboardUpdate();
    }
  }
  form.WMHotKey(hkMerge);
  ASSERT_EQ(form.History()->Count(), 2);
  EXPECT_EQ(form.History()->Items(0).Text, u"y");
  EXPECT_EQ(form.History()->Items(1).Text, u"x\r\ny");
  form.FormDestroy();
}

} // namespace
} // namespace tarvel
