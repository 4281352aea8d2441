// The settings card: the history size and the five hotkey letters.
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
  void Fill(int ACount) {
    for (int i = 1; i <= ACount; ++i) {
      FClipboard.CopyText(IntToStr(i));
      DeliverClipboardNotifications();
    }
  }
  TTarvelSettings Stored() {
    TTarvelSettings s;
    LoadAppSettings(FRegistry, s);
    return s;
  }
  // The user enters the field, types, and leaves it.
  void TypeInto(TLetterEdit& AEdit, char16_t ALetter) {
    AEdit.UserEnter();
    if (ALetter)
      ASSERT_TRUE(AEdit.UserType(ALetter));
    else
      AEdit.SetText(u""); // the letter deleted
    AEdit.UserExit();
  }
};

struct TSizeCase {
  int Typed;
  int Applied;
};

class ClipboardSizeTest : public SettingsCardTest, public testing::WithParamInterface<TSizeCase> {};

TEST_P(ClipboardSizeTest, IsCorrectedAppliedStoredAndLoggedOnce) {
  Fill(5);
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
  Fill(5);
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
  Fill(5);
  FForm.spnMaxClipentries.UserSetValue(4); // the arrows step the committed value
  EXPECT_EQ(FForm.History()->Count(), 4);
  EXPECT_EQ(FForm.LogLines().back(), Stamp + u"Maximum clipboard entries set to 4");
}

TEST_F(SettingsCardTest, NothingIsStoredOrLoggedWhileTheWindowFillsTheCard) {
  EXPECT_TRUE(FRegistry.Writes.empty());
  EXPECT_TRUE(OnlyStartupLog());
}

TEST_F(SettingsCardTest, AnAcceptedLetterIsShownUpperCaseStoredRegisteredAndInTheInfoText) {
  TypeInto(FForm.edtHotkeyOCR, u'q');
  EXPECT_EQ(FForm.edtHotkeyOCR.Text(), u"Q");
  EXPECT_EQ(Stored().HotkeyOCR, u'Q');
  EXPECT_EQ(FHotkeys.Active.at(hkOcr).VirtualKey, static_cast<std::uint32_t>('Q'));
  EXPECT_TRUE(FForm.HotkeysRegistered());
  EXPECT_EQ(FForm.MemoInfoLog.Lines()[9],
            u"Ctrl+Shift+Q - selects a screen rectangle and performs Windows native OCR.");
  EXPECT_TRUE(FDialogs.Warnings.empty());
}

struct TRefusedCase {
  const char* Name;
  char16_t Typed;
  std::u16string Warning; // empty: restored without a message
};

class RefusedLetterTest : public SettingsCardTest, public testing::WithParamInterface<TRefusedCase> {};

TEST_P(RefusedLetterTest, WarnsAndRestoresThePreviousLetter) {
  const auto writes = FRegistry.Writes.size();
  TypeInto(FForm.edtHotkeySave, GetParam().Typed);
  EXPECT_EQ(FForm.edtHotkeySave.Text(), u"S");
  if (GetParam().Warning.empty())
    EXPECT_TRUE(FDialogs.Warnings.empty());
  else
    EXPECT_EQ(FDialogs.Warnings, std::vector<std::u16string>{GetParam().Warning});
  EXPECT_EQ(FRegistry.Writes.size(), writes) << "nothing is stored";
  EXPECT_EQ(FHotkeys.Active.at(hkSave).VirtualKey, static_cast<std::uint32_t>('S'));
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedLetterTest,
                         testing::Values(TRefusedCase{"ReservedI", u'i', ReservedHotkeyText},
                                         TRefusedCase{"ReservedY", u'Y', ReservedHotkeyText},
                                         TRefusedCase{"ReservedZ", u'z', ReservedHotkeyText},
                                         TRefusedCase{"ShownElsewhere", u'c', HotkeyInUseText},
                                         TRefusedCase{"Deleted", 0, u""}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(SettingsCardTest, PassingThroughAFieldStoresAndRegistersAgain) {
  const auto attempts = FHotkeys.Attempts.size();
  FForm.edtHotkeyControl.UserEnter();
  FForm.edtHotkeyControl.UserExit();
  EXPECT_EQ(FHotkeys.Attempts.size(), attempts + 9);
  EXPECT_FALSE(FRegistry.Writes.empty());
}

TEST_F(SettingsCardTest, SwappingTwoLettersTakesAThirdOne) {
  TypeInto(FForm.edtHotkeyControl, u'x'); // in use by OCR
  EXPECT_EQ(FForm.edtHotkeyControl.Text(), u"C");
  TypeInto(FForm.edtHotkeyControl, u'q');
  TypeInto(FForm.edtHotkeyOCR, u'c');
  TypeInto(FForm.edtHotkeyControl, u'x');
  EXPECT_EQ(Stored().HotkeyControl, u'X');
  EXPECT_EQ(Stored().HotkeyOCR, u'C');
  EXPECT_EQ(FDialogs.Warnings, std::vector<std::u16string>{HotkeyInUseText});
}

TEST_F(SettingsCardTest, ALetterTakenByAnotherProgramIsRefusedAndTheOldSetKeepsWorking) {
  FHotkeys.Taken.insert({HotkeyModifiers, 'Q'});
  const std::size_t before = FForm.LogLines().size();
  TypeInto(FForm.edtHotkeyOCR, u'q');
  EXPECT_EQ(FDialogs.Warnings, std::vector<std::u16string>{HotkeyInUseText});
  EXPECT_EQ(FForm.edtHotkeyOCR.Text(), u"X");
  EXPECT_EQ(Stored().HotkeyOCR, u'X');
  EXPECT_TRUE(FForm.HotkeysRegistered());
  EXPECT_EQ(FHotkeys.Active.size(), 9u);
  EXPECT_EQ(FHotkeys.Active.at(hkOcr).VirtualKey, static_cast<std::uint32_t>('X'));
  EXPECT_EQ(FForm.MemoInfoLog.Lines()[9],
            u"Ctrl+Shift+X - selects a screen rectangle and performs Windows native OCR.");
  EXPECT_EQ(
      std::vector<std::u16string>(FForm.LogLines().begin() + static_cast<std::ptrdiff_t>(before),
                                  FForm.LogLines().end()),
      std::vector<std::u16string>{Stamp + u"Hotkey Ctrl+Shift+Q is taken by another program; Ctrl+Shift+X is kept"});
}

TEST_F(SettingsCardTest, WhenAnotherHotkeyIsTakenTheNewLetterStaysAndTheLogSaysWhichOne) {
  FHotkeys.Taken.insert({HotkeyModifiers, 'Y'}); // Ctrl+Shift+Y, a fixed one
  TypeInto(FForm.edtHotkeyOCR, u'q');
  EXPECT_TRUE(FDialogs.Warnings.empty());
  EXPECT_EQ(Stored().HotkeyOCR, u'Q');
  EXPECT_FALSE(FForm.HotkeysRegistered());
  EXPECT_EQ(FForm.LogLines().back(), Stamp + u"Hotkeys unavailable: Ctrl+Shift+Y is taken by another program");
}

TEST(HotkeyLetterRuleTest, FieldLetterAndReservedLetters) {
  TLetterEdit edit(u"e", u" q ");
  EXPECT_EQ(HotkeyEditLetter(&edit), u'Q');
  edit.SetText(u"  ");
  EXPECT_EQ(HotkeyEditLetter(&edit), 0);
  EXPECT_EQ(HotkeyEditLetter(nullptr), 0);
  for (char16_t c : std::u16string_view(u"iIyYzZ"))
    EXPECT_TRUE(IsReservedHotkeyLetter(c));
  EXPECT_FALSE(IsReservedHotkeyLetter(u'x'));
}

} // namespace
} // namespace tarvel
