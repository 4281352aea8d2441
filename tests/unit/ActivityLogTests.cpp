// The activity log, balloon notifications, the info card and the settings the main window
// loads and stores.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

#include "MainFormFixture.h"
#include "app/ActivityLog.h"
#include "core/Text.h"

namespace tarvel {
namespace {

const std::u16string Key = SettingsKeyPath;
const std::u16string Stamp = u"2026-03-01 14:05:09 - ";

// Counts the balloons the tray icon was asked to show, with their texts.
class NotificationTest : public MainFormTest {
protected:
  NotificationTest() : MainFormTest(false) {
    FRegistry.PutDword(Key, u"ShowNotifications", 1);
    Start();
    FForm.TrayIcon()->OnShowBalloon = [this] { FBalloons.push_back(FForm.TrayIcon()->BalloonHint); };
  }

  std::vector<std::u16string> FBalloons;
};

// The log and the balloons on their own, over a visible tray icon.
class ActivityLogTest : public testing::Test, private IActivityLogHost {
protected:
  ActivityLogTest() {
    FTray.SetVisible(true);
    FTray.OnShowBalloon = [this] {
      FBalloons.push_back(FTray.BalloonHint.empty() ? u"<removed>" : FTray.BalloonHint);
      FShownAt.push_back(FClock.Ticks - FStart);
    };
    FLog.Open();
  }

  bool NotificationsOn() const override { return FNotificationsOn; }
  void LogLineAdded(const std::u16string& ALine) override { FAdded.push_back(ALine); }

  TFakeClock FClock;
  TTrayIcon FTray;
  bool FNotificationsOn = true;
  std::vector<std::u16string> FAdded;
  std::vector<std::u16string> FBalloons;
  std::vector<std::uint64_t> FShownAt;
  const std::uint64_t FStart = FClock.Ticks;
  TActivityLog FLog{{FClock, FTray}, *this};
};

TEST_F(ActivityLogTest, LinesCarryTheLocalTimeAndTheTextUnchanged) {
  FClock.Time = {2026, 12, 31, 23, 59, 58, 999};
  FLog.AddLogLine(u"");
  FLog.AddLogLine(u"  spaced  ");
  const std::vector<std::u16string> expected{u"2026-12-31 23:59:58 - ", u"2026-12-31 23:59:58 -   spaced  "};
  EXPECT_EQ(FLog.Lines(), expected);
  EXPECT_EQ(FAdded, expected) << "each line is passed on as it enters";
}

TEST_F(ActivityLogTest, LinesAreKeptOnlyWhileTheLogIsOpen) {
  FLog.AddLogLine(u"before");
  FLog.Close();
  FLog.AddLogLine(u"after");
  EXPECT_TRUE(FLog.Lines().empty());
  EXPECT_EQ(FAdded.size(), 1u);
}

TEST_F(MainFormTest, LogAndBrowserUseTheRegionalTimeSeparator) {
  FClock.Separator = u".";
  FForm.AddLogLine(u"x");
  EXPECT_EQ(FForm.LogLines().back(), u"2026-03-01 14.05.09 - x");
  FClipboard.CopyText(u"copied");
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.Label1.Caption(), u"1 / 1  2026-03-01 14.05.09  copied");
}

TEST_F(ActivityLogTest, KeepsTheNewest500LinesInOrder) {
  for (int i = 0; i < 1200; ++i)
    FLog.AddLogLine(IntToStr(i));
  const auto& lines = FLog.Lines();
  ASSERT_EQ(lines.size(), 500u);
  for (std::size_t i = 0; i < lines.size(); ++i)
    ASSERT_EQ(lines[i], Stamp + IntToStr(static_cast<int>(700 + i)));
}

TEST_F(ActivityLogTest, OcrLinesAreOnePerNonBlankLineWithThePrefix) {
  FLog.AddOcrLogLine(u"  word  \r\n\r\n\tsecond ");
  FLog.AddOcrLogLine(u"a\rb\nc\r\n");
  FLog.AddOcrLogLine(u" \r\n \n\t\r ");
  FLog.AddOcrLogLine(u"");
  EXPECT_EQ(FLog.Lines(), (std::vector<std::u16string>{Stamp + u"[OCR] word", Stamp + u"[OCR] second",
                                                       Stamp + u"[OCR] a", Stamp + u"[OCR] b", Stamp + u"[OCR] c"}));
}

struct TThrottleCase {
  const char* Name;
  std::vector<std::uint64_t> RequestsAt;
  std::vector<std::uint64_t> ShownAt;
};

class NotificationThrottleTest : public ActivityLogTest, public testing::WithParamInterface<TThrottleCase> {};

TEST_P(NotificationThrottleTest, ShowsAtMostOneBalloonEvery2000ms) {
  for (const std::uint64_t at : GetParam().RequestsAt) {
    FClock.Ticks = FStart + at;
    FLog.ShowNotification(u"Copied text");
  }
  EXPECT_EQ(FShownAt, GetParam().ShownAt);
}

const TThrottleCase ThrottleCases[] = {
    {"FirstIsAlwaysShown", {0}, {0}},
    {"At1999Dropped", {0, 1999}, {0}},
    {"At2000Shown", {0, 2000}, {0, 2000}},
    // A dropped request does not move the window.
    {"Every500ms", {0, 500, 1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500}, {0, 2000, 4000}},
    {"Sparse", {0, 2500, 3000, 4499, 4500}, {0, 2500, 4500}},
};

INSTANTIATE_TEST_SUITE_P(Cases, NotificationThrottleTest, testing::ValuesIn(ThrottleCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(ActivityLogTest, NoBalloonWhileNotificationsAreOffOrTheIconIsHidden) {
  FNotificationsOn = false;
  FLog.ShowNotification(u"Copied text");
  FNotificationsOn = true;
  FTray.SetVisible(false);
  FLog.ShowNotification(u"Copied text");
  EXPECT_TRUE(FBalloons.empty());
  EXPECT_FALSE(FLog.BalloonCloseTimer().Enabled());
  // Neither moved the throttle.
  FTray.SetVisible(true);
  FClock.Advance(100);
  FLog.ShowNotification(u"Copied text");
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Copied text"});
}

// What each command shows in its balloon. Setup runs first; the action then gets a free
// throttle window, and exactly its own balloon is expected.
struct TBalloonCase {
  const char* Name;
  std::function<void(TMainForm&, TFakeClipboard&)> Setup;
  std::function<void(TMainForm&, TFakeClipboard&)> Act;
  std::u16string Balloon;
};

class BalloonTextTest : public NotificationTest, public testing::WithParamInterface<TBalloonCase> {};

TEST_P(BalloonTextTest, EachCommandShowsItsOwnBalloon) {
  if (GetParam().Setup)
    GetParam().Setup(FForm, FClipboard);
  DeliverClipboardNotifications();
  FClock.Advance(2500);
  FBalloons.clear();
  GetParam().Act(FForm, FClipboard);
  DeliverClipboardNotifications();
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{GetParam().Balloon});
}

void CopyTexts(TMainForm& AForm, TFakeClipboard& AClipboard, std::initializer_list<const char16_t*> ATexts) {
  for (const char16_t* text : ATexts) {
    AClipboard.CopyText(text);
    while (AClipboard.Notifications > 0) {
      --AClipboard.Notifications;
      AForm.WMClipboardUpdate();
    }
  }
}

const TBalloonCase BalloonCases[] = {
    {"CopiedText", nullptr, [](TMainForm&, TFakeClipboard& AC) { AC.CopyText(u"t"); }, u"Copied text"},
    {"CopiedImage", nullptr, [](TMainForm&, TFakeClipboard& AC) { AC.CopyImage(TBitmap32(2, 2, 0xFF102030u)); },
     u"Copied image"},
    {"CopiedFiles", nullptr, [](TMainForm&, TFakeClipboard& AC) { AC.CopyFiles({u"C:\\a"}); }, u"Copied files"},
    {"DeletedWithOthersLeft",
     [](TMainForm& AF, TFakeClipboard& AC) {
       CopyTexts(AF, AC, {u"a", u"b"});
     },
     [](TMainForm& AF, TFakeClipboard&) { AF.btnDeleteEntry.Click(); }, u"History entry deleted"},
    {"DeletedTheLastOne", [](TMainForm& AF, TFakeClipboard& AC) { CopyTexts(AF, AC, {u"a"}); },
     [](TMainForm& AF, TFakeClipboard&) { AF.btnDeleteEntry.Click(); }, u"History entry deleted"},
    {"Merged",
     [](TMainForm& AF, TFakeClipboard& AC) {
       CopyTexts(AF, AC, {u"a", u"b"});
     },
     [](TMainForm& AF, TFakeClipboard&) { AF.WMHotKey(hkMerge); }, u"Merged text"},
    {"Saved", [](TMainForm& AF, TFakeClipboard& AC) { CopyTexts(AF, AC, {u"a"}); },
     [](TMainForm& AF, TFakeClipboard&) { AF.WMHotKey(hkSave); }, u"Clipboard saved"},
    {"NothingToSave", nullptr, [](TMainForm& AF, TFakeClipboard&) { AF.WMHotKey(hkSave); }, u"Nothing to save"},
};

INSTANTIATE_TEST_SUITE_P(Cases, BalloonTextTest, testing::ValuesIn(BalloonCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(ActivityLogTest, BalloonHasTitleTextAndTimeoutAndIsRemovedByTheTimer) {
  TTimer& timer = FLog.BalloonCloseTimer();
  FLog.ShowNotification(u"Copied files");
  const TTrayIcon& tray = FTray;
  EXPECT_EQ(tray.BalloonTitle, u"Tarvel");
  EXPECT_EQ(tray.BalloonHint, u"Copied files");
  EXPECT_EQ(tray.BalloonTimeout, 1000u);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  timer.Tick();
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(tray.BalloonTitle, u"");
  EXPECT_EQ(tray.BalloonHint, u"");
  // A second balloon 2500 ms after the first gets its own full second.
  FClock.Advance(2500);
  FLog.ShowNotification(u"Copied image");
  EXPECT_TRUE(timer.Enabled());
  timer.Tick();
  EXPECT_EQ(FBalloons, (std::vector<std::u16string>{u"Copied files", u"<removed>", u"Copied image", u"<removed>"}));
}

TEST_F(ActivityLogTest, ANewBalloonRestartsThePendingClose) {
  TTimer& timer = FLog.BalloonCloseTimer();
  std::vector<bool> states;
  timer.OnModelChanged = [&] { states.push_back(timer.Enabled()); };
  FLog.ShowNotification(u"one");
  states.clear();
  FClock.Advance(2000);
  FLog.ShowNotification(u"two");
  // Each show stops the timer before starting it, so the peer restarts the countdown.
  ASSERT_FALSE(states.empty());
  EXPECT_FALSE(states.front());
  EXPECT_TRUE(states.back());
}

TEST_F(MainFormTest, NotificationSwitchStoresAndLogsOnceEachTime) {
  FForm.swtNotifications.Toggle();
  EXPECT_EQ(FForm.LogLines().back(), Stamp + u"System notifications enabled");
  EXPECT_EQ(FRegistry.Find(Key, u"ShowNotifications")->Data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  FForm.swtNotifications.Toggle();
  EXPECT_EQ(FForm.LogLines().back(), Stamp + u"System notifications disabled");
  EXPECT_EQ(FRegistry.Find(Key, u"ShowNotifications")->Data, (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(LogAfterStart().size(), 2u);
}

struct TStoreFailureCase {
  const char* Name;
  bool KeyUnwritable;
  std::u16string Reason;
};

class StoreFailureTest : public MainFormTest, public testing::WithParamInterface<TStoreFailureCase> {
protected:
  void SetUp() override {
    if (GetParam().KeyUnwritable)
      FRegistry.Uncreatable.insert(Key);
    else
      FRegistry.FailingWrites.insert(u"HotkeySave");
  }
  std::vector<std::u16string> NewLog(std::size_t ABefore) const {
    return {FForm.LogLines().begin() + static_cast<std::ptrdiff_t>(ABefore), FForm.LogLines().end()};
  }
};

TEST_P(StoreFailureTest, IsLoggedWithItsReasonAndNoSuccessLineFollows) {
  const std::u16string failed = Stamp + u"Settings not saved: " + GetParam().Reason;
  std::size_t before = FForm.LogLines().size();
  EXPECT_NO_THROW(FForm.swtNotifications.Toggle());
  EXPECT_EQ(NewLog(before), std::vector<std::u16string>{failed});

  before = FForm.LogLines().size();
  FForm.spnMaxClipentries.UserSetValue(4);
  EXPECT_EQ(FForm.History()->Limit(), 4) << "the size holds for this run";
  EXPECT_EQ(NewLog(before), std::vector<std::u16string>{failed});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoreFailureTest,
    testing::Values(TStoreFailureCase{"KeyCannotBeOpened", true, u"Cannot open 'Software\\Nusk\\Tarvel' for writing"},
                    TStoreFailureCase{"ValueCannotBeWritten", false, u"Failed to set data for 'HotkeySave'"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Starts with stored settings in place.
class StoredSettingsTest : public MainFormTest {
protected:
  StoredSettingsTest() : MainFormTest(false) {}
};

TEST_F(StoredSettingsTest, StartUpCopiesTheStoredSettingsIntoTheControlsWithoutStoringOrLogging) {
  FRegistry.PutDword(Key, u"ShowLog", 1);
  FRegistry.PutDword(Key, u"ShowNotifications", 1);
  FRegistry.PutDword(Key, u"MaxClipEntries", 500);
  FRegistry.PutString(Key, u"HotkeyControl", u"x");
  FRegistry.PutString(Key, u"HotkeyOCR", u"X");
  Start();
  EXPECT_TRUE(FForm.swtShowLog.IsOn());
  EXPECT_TRUE(FForm.swtNotifications.IsOn());
  EXPECT_EQ(FForm.spnMaxClipentries.Value(), 100);
  EXPECT_EQ(FForm.History()->Limit(), 100);
  EXPECT_EQ(FForm.edtHotkeyControl.Text(), u"X");
  EXPECT_EQ(FForm.edtHotkeyOCR.Text(), u"A");
  EXPECT_EQ(FForm.edtHotkeySave.Text(), u"S");
  EXPECT_TRUE(FRegistry.Writes.empty());
  EXPECT_TRUE(OnlyStartupLog());
  // The visible log shows the start line, scrolled to the end.
  EXPECT_EQ(FForm.MemoInfoLog.Lines(), FForm.LogLines());
  EXPECT_TRUE(FForm.MemoInfoLog.CaretAtEnd());
}

TEST_F(StoredSettingsTest, SavingKeepsTheTutorialChoiceStoredMeanwhileAndLettersOfBlankFields) {
  FRegistry.PutString(Key, u"HotkeyOCR", u"Q");
  Start();
  FRegistry.PutDword(Key, u"DontShowTutorial", 1); // the tutorial stores its choice
  FForm.edtHotkeyOCR.SetText(u" ");
  FForm.edtHotkeySave.SetText(u"v");
  FForm.swtShowLog.Toggle();
  TTarvelSettings stored;
  LoadAppSettings(FRegistry, stored);
  EXPECT_TRUE(stored.DontShowTutorial);
  EXPECT_TRUE(stored.ShowLog);
  EXPECT_EQ(stored.HotkeyOCR, u'Q');
  EXPECT_EQ(stored.HotkeySave, u'V');
  EXPECT_EQ(stored.MaxClipEntries, 10);
}

std::vector<std::u16string> InfoText(char16_t AOcrLetter, const std::u16string& AVersion) {
  return {
      u"Tarvel " + AVersion,
      u"Copyright (c) 2026 Nusk. All rights reserved.",
      u"http://updates.tarvel.app/",
      u"",
      u"Tray-resident utility to copy text or images from content not normally selectable.",
      u"",
      u"Hotkeys:",
      u"Ctrl+Shift+C - copies content under cursor, preferring UI Automation text.",
      u"Ctrl+Shift+I - always copies the image of the control under cursor.",
      u"Ctrl+Shift+" + std::u16string(1, AOcrLetter) +
          u" - selects a screen rectangle and performs Windows native OCR.",
      u"Ctrl+Shift+R - selects a screen rectangle and copies it as an image.",
      u"Ctrl+Shift+F - captures the full screen and copies it as an image.",
      u"Ctrl+Shift+S - saves the current clipboard content to the desktop.",
      u"Ctrl+Shift+  - merges previous text clipboard entries up to the selected one.",
      u"Ctrl+Shift+Z - navigate to previous clipboard history entry (undo).",
      u"Ctrl+Shift+Y - navigate to next clipboard history entry (redo).",
      u"",
      u"Normal Ctrl+C from other applications is intercepted and saved to history.",
      u"Icons: drawn for Tarvel by Nusk.",
  };
}

TEST_F(MainFormTest, InfoCardShowsTheFallbackVersionAndTheInformationText) {
  EXPECT_EQ(FForm.lblAppInfo.Caption(), u"Tarvel - 1.2.0.2   ");
  EXPECT_EQ(FForm.MemoInfoLog.Lines(), InfoText(u'X', u"1.2.0.2"));
  EXPECT_FALSE(FForm.MemoInfoLog.CaretAtEnd());
  // Log lines do not disturb the information text.
  FForm.AddLogLine(u"something");
  EXPECT_EQ(FForm.MemoInfoLog.Lines(), InfoText(u'X', u"1.2.0.2"));
}

TEST_F(StoredSettingsTest, InfoTextCarriesTheConfiguredLettersAndTheResourceVersion) {
  FRegistry.PutString(Key, u"HotkeyOCR", u"q");
  auto& resource = FShell.AddResource(FShell.Executable);
  resource.Binary[u"\\VarFileInfo\\Translation"] = {0x09, 0x04, 0xB0, 0x04};
  resource.Strings[u"\\StringFileInfo\\040904B0\\FileVersion"] = u"3.4.5.6";
  Start();
  EXPECT_EQ(FForm.lblAppInfo.Caption(), u"Tarvel - 3.4.5.6   ");
  EXPECT_EQ(FForm.MemoInfoLog.Lines(), InfoText(u'Q', u"3.4.5.6"));
}

TEST_F(MainFormTest, ShowLogSwitchShowsTheWholeLogAndFollowsIt) {
  FForm.AddLogLine(u"before");
  FForm.swtShowLog.Toggle();
  EXPECT_EQ(FRegistry.Find(Key, u"ShowLog")->Data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(FForm.MemoInfoLog.Lines(), FForm.LogLines());
  FForm.AddLogLine(u"after");
  EXPECT_EQ(FForm.MemoInfoLog.Lines().back(), Stamp + u"after");
  EXPECT_TRUE(FForm.MemoInfoLog.CaretAtEnd());
  FForm.swtShowLog.Toggle();
  EXPECT_EQ(FForm.MemoInfoLog.Lines(), InfoText(u'X', u"1.2.0.2"));
  EXPECT_EQ(LogAfterStart().size(), 2u); // the switch itself logs nothing
}

// What a window showing MemoInfoLog holds: refilled on a plain change, edited on an append,
// as the peer does.
class ShownLogTest : public MainFormTest {
protected:
  ShownLogTest() {
    FForm.MemoInfoLog.OnModelChanged = [this] {
      if (const TMemoAppend* edit = FForm.MemoInfoLog.PendingAppend()) {
        ++FAppends;
        FShown += edit->Appended;
        FShown.erase(0, edit->Removed);
      } else {
        ++FRefills;
        FShown = FForm.MemoInfoLog.Text();
      }
    };
  }

  std::u16string LogText() const {
    std::u16string text;
    for (const std::u16string& line : FForm.LogLines())
      text += (text.empty() ? u"" : u"\r\n") + line;
    return text;
  }

  std::u16string FShown;
  int FAppends = 0;
  int FRefills = 0;
};

TEST_F(ShownLogTest, NewLinesAreAppendedAndTheFieldKeepsTheNewest500) {
  FForm.swtShowLog.Toggle();
  ASSERT_EQ(FShown, LogText());
  FRefills = 0;
  for (int i = 0; i < 620; ++i)
    FForm.AddLogLine(u"line " + IntToStr(i) + std::u16string(static_cast<std::size_t>(i % 7), u'x'));
  EXPECT_EQ(FRefills, 0);
  EXPECT_EQ(FAppends, 620);
  ASSERT_EQ(FForm.MemoInfoLog.Lines().size(), 500u);
  EXPECT_EQ(FForm.MemoInfoLog.Lines(), FForm.LogLines());
  EXPECT_EQ(FShown, LogText());
  EXPECT_EQ(FForm.MemoInfoLog.Lines().back(), Stamp + u"line 619xxx");
  EXPECT_TRUE(FForm.MemoInfoLog.CaretAtEnd());
}

TEST_F(ShownLogTest, HiddenLogLinesReachTheFieldWhenItIsShownAgain) {
  FForm.swtShowLog.Toggle();
  FForm.AddLogLine(u"shown");
  FForm.swtShowLog.Toggle();
  FAppends = 0;
  for (int i = 0; i < 510; ++i)
    FForm.AddLogLine(u"hidden " + IntToStr(i));
  EXPECT_EQ(FAppends, 0);
  EXPECT_EQ(FForm.MemoInfoLog.Lines(), InfoText(u'X', u"1.2.0.2"));
  FForm.swtShowLog.Toggle();
  FForm.AddLogLine(u"after");
  EXPECT_EQ(FAppends, 1);
  EXPECT_EQ(FForm.MemoInfoLog.Lines(), FForm.LogLines());
  EXPECT_EQ(FShown, LogText());
}

TEST_F(MainFormTest, InfoCardSurfaceClickKeepsTheInfoCard) {
  FForm.btnCard3.Click();
  FForm.crdInfoClick(FForm.btnCard3);
  EXPECT_EQ(FForm.CardPanel1.ActiveCardIndex(), 2);
}

} // namespace
} // namespace tarvel
