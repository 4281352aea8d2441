// Start with Windows: the Run value and the switch that shows it.
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "core/Text.h"

namespace tarvel {
namespace {

const std::u16string Stamp = u"2026-03-01 14:05:09 - ";
const std::u16string RunKey = AutostartRunKeyPath;
const std::u16string CommandLine = u"\"C:\\Program Files\\Tarvel\\tarvel.exe\"";

class AutostartTest : public MainFormTest {
protected:
  AutostartTest() : MainFormTest(false) {}
  void StartWithNotifications() {
    FRegistry.PutDword(SettingsKeyPath, u"ShowNotifications", 1);
    Start();
    FForm.TrayIcon()->OnShowBalloon = [this] { FBalloons.push_back(FForm.TrayIcon()->BalloonHint); };
  }
  const TRegValue* RunValue() const { return FRegistry.Find(RunKey, u"Tarvel"); }
  std::vector<std::u16string> NewLog() const { return LogAfterStart(); }
  std::vector<std::u16string> FBalloons;
};

TEST_F(AutostartTest, SwitchingOnWritesTheQuotedPathAndTurnsTheThumbGreen) {
  StartWithNotifications();
  EXPECT_FALSE(FForm.chkAutostart.IsOn());
  EXPECT_EQ(FForm.chkAutostart.ThumbColor(), 0x808080);
  FForm.chkAutostart.Toggle();
  ASSERT_NE(RunValue(), nullptr);
  EXPECT_EQ(RunValue()->Type, rtString);
  EXPECT_EQ(FromUtf16LeBytes(RunValue()->Data.data(), RunValue()->Data.size()), CommandLine);
  EXPECT_EQ(FForm.chkAutostart.ThumbColor(), 0x00FF00);
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{Stamp + u"Windows autostart enabled"});
  FForm.chkAutostart.Toggle();
  EXPECT_EQ(RunValue(), nullptr);
  EXPECT_EQ(FForm.chkAutostart.ThumbColor(), 0x808080);
  EXPECT_EQ(NewLog().back(), Stamp + u"Windows autostart disabled");
  EXPECT_TRUE(FBalloons.empty());
  EXPECT_TRUE(FRegistry.Find(SettingsKeyPath, u"ShowLog") == nullptr) << "the settings are not stored";
}

struct TStoredCase {
  const char* Name;
  std::u16string Value;
  std::uint32_t Type;
  bool Enabled;
};

class StoredAutostartTest : public AutostartTest, public testing::WithParamInterface<TStoredCase> {};

TEST_P(StoredAutostartTest, TheSwitchShowsWhetherTheValueIsThisProgram) {
  FRegistry.PutString(RunKey, u"Tarvel", GetParam().Value, GetParam().Type);
  Start();
  EXPECT_EQ(FForm.chkAutostart.IsOn(), GetParam().Enabled);
  EXPECT_EQ(FForm.chkAutostart.ThumbColor(), GetParam().Enabled ? 0x00FF00 : 0x808080);
  EXPECT_TRUE(OnlyStartupLog()) << "loading logs nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredAutostartTest,
    testing::Values(TStoredCase{"Exact", CommandLine, rtString, true},
                    TStoredCase{"OtherLetterCase", u"\"c:\\PROGRAM FILES\\tarvel\\TARVEL.EXE\"", rtString, true},
                    TStoredCase{"WithoutQuotes", u"C:\\Program Files\\Tarvel\\tarvel.exe", rtString, false},
                    TStoredCase{"MovedProgram", u"\"D:\\Old\\tarvel.exe\"", rtString, false},
                    TStoredCase{"WithArguments", CommandLine + u" /min", rtString, false},
                    TStoredCase{"NotAString", CommandLine, rtBinary, false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(AutostartTest, SwitchingOnReplacesAStaleValue) {
  FRegistry.PutString(RunKey, u"Tarvel", u"\"D:\\Old\\tarvel.exe\"");
  Start();
  FForm.chkAutostart.Toggle();
  EXPECT_EQ(FromUtf16LeBytes(RunValue()->Data.data(), RunValue()->Data.size()), CommandLine);
}

TEST_F(AutostartTest, AFailedWriteTurnsTheSwitchBackAndReports) {
  FRegistry.PutString(RunKey, u"Tarvel", u"\"D:\\Old\\tarvel.exe\"");
  FRegistry.FailingWrites.insert(u"Tarvel");
  StartWithNotifications();
  FForm.chkAutostart.Toggle();
  EXPECT_FALSE(FForm.chkAutostart.IsOn());
  EXPECT_EQ(FForm.chkAutostart.ThumbColor(), 0x808080);
  // Turning the switch back ran the handler for off, which removed the stale value.
  EXPECT_EQ(RunValue(), nullptr);
  EXPECT_EQ(NewLog(),
            (std::vector<std::u16string>{Stamp + u"Windows autostart disabled",
                                         Stamp + u"Windows autostart error: Failed to set data for 'Tarvel'"}));
  EXPECT_EQ(FBalloons, std::vector<std::u16string>{u"Autostart unavailable"});
}

TEST_F(AutostartTest, ARunKeyThatCannotBeOpenedIsAnErrorNotASuccess) {
  FRegistry.Uncreatable.insert(RunKey);
  StartWithNotifications();
  FForm.chkAutostart.Toggle();
  EXPECT_FALSE(FForm.chkAutostart.IsOn());
  EXPECT_EQ(FForm.chkAutostart.ThumbColor(), 0x808080);
  const std::u16string error =
      Stamp + u"Windows autostart error: Cannot open 'Software\\Microsoft\\Windows\\CurrentVersion\\Run' for writing";
  // Turning the switch back runs the handler for off, which has nothing to remove.
  EXPECT_EQ(NewLog(), (std::vector<std::u16string>{Stamp + u"Windows autostart disabled", error}));
  EXPECT_EQ(RunValue(), nullptr);
  EXPECT_EQ(FBalloons, (std::vector<std::u16string>{u"Autostart unavailable"}));
}

} // namespace
} // namespace tarvel
