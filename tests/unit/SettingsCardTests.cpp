// The settings card: the history size, and the hotkey letters as the whole window takes them.
#include <gtest/gtest.h>

#include <algorithm>

#include "MainFormFixture.h"
#include "core/Text.h"

namespace tarvel {
namespace {

const std::u16string Stamp = u"2026-03-01 14:05:09 - ";
const std::u16string Key = SettingsKeyPath;

class SettingsCardTest : public MainFormTest {
protected:
  TTarvelSettings Stored() {
    TTarvelSettings s;
    LoadAppSettings(FRegistry, s);
    return s;
  }
};

struct TSizeCase {
  int Typed;
  int Applied;
};

class ClipboardSizeTest : public SettingsCardTest, public testing::WithParamInterface<TSizeCase> {};

TEST_P(ClipboardSizeTest, IsCorrectedAppliedStoredAndLoggedOnce) {
  CopyNumberedTexts(5);
  const std::size_t lines = FForm.LogLines().size();
  const std::size_t writes = FRegistry.Writes.size();
  TSpinEdit& size = FForm.spnMaxClipentries;
  size.UserEnter();
  size.UserType(IntToStr(GetParam().Typed));
  size.UserExit();
  EXPECT_EQ(size.Value(), GetParam().Applied);
  EXPECT_EQ(FForm.History()->Limit(), GetParam().Applied);
  EXPECT_EQ(FForm.History()->Count(), std::min(5, GetParam().Applied));
  EXPECT_EQ(Stored().MaxClipEntries, GetParam().Applied);
  ASSERT_EQ(FForm.LogLines().size(), lines + 1);
  EXPECT_EQ(FForm.LogLines().back(), Stamp + u"Maximum clipboard entries set to " + IntToStr(GetParam().Applied));
  EXPECT_EQ(std::count(FRegistry.Writes.begin() + static_cast<std::ptrdiff_t>(writes), FRegistry.Writes.end(),
                       u"MaxClipEntries"),
            1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClipboardSizeTest,
                         testing::Values(TSizeCase{250, 100}, TSizeCase{0, 1}, TSizeCase{-3, 1}, TSizeCase{2, 2},
                                         TSizeCase{25, 25}));

TEST_F(SettingsCardTest, TypingNeverCutsTheHistoryOnTheWay) {
  CopyNumberedTexts(5);
  TSpinEdit& size = FForm.spnMaxClipentries;
  size.UserEnter();
  for (const char16_t* text : {u"", u"2", u"25"})
    size.UserType(text);
  EXPECT_EQ(FForm.History()->Count(), 5);
  size.UserCommit(); // Enter
  EXPECT_EQ(FForm.History()->Limit(), 25);
  // Editing 10 to 1 and back applies nothing in between either.
  for (const char16_t* text : {u"1", u"10"})
    size.UserType(text);
  size.UserExit();
  EXPECT_EQ(FForm.History()->Count(), 5);
  EXPECT_EQ(FForm.History()->Limit(), 10);
  EXPECT_EQ(FForm.Label1.Caption().substr(0, 5), u"5 / 5");
}

TEST_F(SettingsCardTest, AnArrowStepAppliesAtOnce) {
  CopyNumberedTexts(5);
  FForm.spnMaxClipentries.UserSetValue(4); // the arrows step the committed value
  EXPECT_EQ(FForm.History()->Count(), 4);
  EXPECT_EQ(FForm.LogLines().back(), Stamp + u"Maximum clipboard entries set to 4");
}

TEST_F(SettingsCardTest, NothingIsStoredOrLoggedWhileTheWindowFillsTheCard) {
  EXPECT_TRUE(FRegistry.Writes.empty());
  EXPECT_TRUE(OnlyStartupLog());
}

TEST_F(SettingsCardTest, AnAcceptedLetterIsShownUpperCaseStoredRegisteredAndInTheInfoText) {
  FForm.edtHotkeyOCR.UserEnter();
  ASSERT_TRUE(FForm.edtHotkeyOCR.UserType(u'q'));
  FForm.edtHotkeyOCR.UserExit();
  EXPECT_EQ(FForm.edtHotkeyOCR.Text(), u"Q");
  EXPECT_EQ(Stored().HotkeyOCR, u'Q');
  EXPECT_EQ(FHotkeys.Active.at(hkOcr).VirtualKey, static_cast<std::uint32_t>('Q'));
  EXPECT_TRUE(FForm.HotkeysRegistered());
  EXPECT_EQ(FForm.MemoInfoLog.Lines()[9],
            u"Ctrl+Shift+Q - selects a screen rectangle and performs Windows native OCR.");
  EXPECT_TRUE(FDialogs.Warnings.empty());
}

} // namespace
} // namespace tarvel
