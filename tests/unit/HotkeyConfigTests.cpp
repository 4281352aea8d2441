// The five hotkey letters of the settings card, checked when their field is left, and the
// nine hotkeys registered as one set.
#include <gtest/gtest.h>

#include "app/HotkeyConfig.h"
#include "fakes/FakeActivityLog.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeHotkeys.h"

namespace tarvel {
namespace {

// The configuration over fake hotkeys and boxes; the host keeps the settings record that a
// store writes the fields' letters into.
class HotkeyConfigTest : public testing::Test, private IHotkeyConfigHost {
protected:
  HotkeyConfigTest() {
    FConfig.ShowLetters(HotkeyLetters(FSettings));
    FConfig.RegisterHotkeys();
  }

  bool LoadingSettings() const override { return FLoading; }
  void SaveSettings() override {
    FConfig.StoreLetters(FSettings);
    ++FSaves;
  }
  THotkeyLetters StoredHotkeyLetters() const override { return HotkeyLetters(FSettings); }
  void HotkeyLettersChanged() override { ++FChanges; }

  // The user enters the field, types, and leaves it.
  void TypeInto(TLetterEdit& AEdit, char16_t ALetter) {
    AEdit.UserEnter();
    if (ALetter)
      ASSERT_TRUE(AEdit.UserType(ALetter));
    else
      AEdit.SetText(u""); // the letter deleted
    AEdit.UserExit();
  }

  TFakeHotkeys FHotkeys;
  TFakeDialogs FDialogs;
  TFakeActivityLog FLog;
  TTarvelSettings FSettings;
  bool FLoading = false;
  int FSaves = 0;
  int FChanges = 0;
  TLetterEdit FControl{u"edtHotkeyControl", u""}, FOcr{u"edtHotkeyOCR", u""}, FScreenBox{u"edtHotkeyScreenBox", u""},
      FScreenFull{u"edtHotkeyScreentFull", u""}, FSave{u"edtHotkeySave", u""};
  THotkeyConfig FConfig{{FHotkeys, FDialogs, FLog}, {&FControl, &FOcr, &FScreenBox, &FScreenFull, &FSave}, *this};
  // The form wires the fields so.
  const bool FWired = [this] {
    for (TLetterEdit* edit : {&FControl, &FOcr, &FScreenBox, &FScreenFull, &FSave}) {
      edit->OnEnter = [this](TControl& ASender) { FConfig.HotkeyEditEnter(ASender); };
      edit->OnExit = [this](TControl& ASender) { FConfig.HotkeyEditExit(ASender); };
    }
    return true;
  }();
};

TEST_F(HotkeyConfigTest, AnAcceptedLetterIsShownUpperCaseStoredAndRegistered) {
  TypeInto(FOcr, u'q');
  EXPECT_EQ(FOcr.Text(), u"Q");
  EXPECT_EQ(FSettings.HotkeyOCR, u'Q');
  EXPECT_EQ(FHotkeys.Active.at(hkOcr).VirtualKey, static_cast<std::uint32_t>('Q'));
  EXPECT_TRUE(FConfig.Registered());
  EXPECT_EQ(FChanges, 1);
  EXPECT_TRUE(FDialogs.Warnings.empty());
  EXPECT_TRUE(FLog.Lines.empty());
}

struct TRefusedCase {
  const char* Name;
  char16_t Typed;
  std::u16string Warning; // empty: restored without a message
};

class RefusedLetterTest : public HotkeyConfigTest, public testing::WithParamInterface<TRefusedCase> {};

TEST_P(RefusedLetterTest, WarnsAndRestoresThePreviousLetter) {
  TypeInto(FSave, GetParam().Typed);
  EXPECT_EQ(FSave.Text(), u"S");
  if (GetParam().Warning.empty())
    EXPECT_TRUE(FDialogs.Warnings.empty());
  else
    EXPECT_EQ(FDialogs.Warnings, std::vector<std::u16string>{GetParam().Warning});
  EXPECT_EQ(FSaves, 0) << "nothing is stored";
  EXPECT_EQ(FChanges, 0);
  EXPECT_EQ(FHotkeys.Active.at(hkSave).VirtualKey, static_cast<std::uint32_t>('S'));
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedLetterTest,
                         testing::Values(TRefusedCase{"ReservedI", u'i', ReservedHotkeyText},
                                         TRefusedCase{"ReservedY", u'Y', ReservedHotkeyText},
                                         TRefusedCase{"ReservedZ", u'z', ReservedHotkeyText},
                                         TRefusedCase{"ShownElsewhere", u'c', HotkeyInUseText},
                                         TRefusedCase{"Deleted", 0, u""}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(HotkeyConfigTest, PassingThroughAFieldStoresAndRegistersAgain) {
  const auto attempts = FHotkeys.Attempts.size();
  FControl.UserEnter();
  FControl.UserExit();
  EXPECT_EQ(FHotkeys.Attempts.size(), attempts + 9);
  EXPECT_EQ(FSaves, 1);
}

TEST_F(HotkeyConfigTest, NothingIsCheckedWhileTheWindowFillsTheFields) {
  FLoading = true;
  FOcr.UserEnter();
  FOcr.SetText(u"i");
  FOcr.UserExit();
  EXPECT_EQ(FOcr.Text(), u"i");
  EXPECT_TRUE(FDialogs.Warnings.empty());
  EXPECT_EQ(FSaves, 0);
}

TEST_F(HotkeyConfigTest, SwappingTwoLettersTakesAThirdOne) {
  TypeInto(FControl, u'x'); // in use by OCR
  EXPECT_EQ(FControl.Text(), u"C");
  TypeInto(FControl, u'q');
  TypeInto(FOcr, u'c');
  TypeInto(FControl, u'x');
  EXPECT_EQ(FSettings.HotkeyControl, u'X');
  EXPECT_EQ(FSettings.HotkeyOCR, u'C');
  EXPECT_EQ(FDialogs.Warnings, std::vector<std::u16string>{HotkeyInUseText});
}

TEST_F(HotkeyConfigTest, ALetterTakenByAnotherProgramIsRefusedAndTheOldSetKeepsWorking) {
  FHotkeys.Taken.insert({HotkeyModifiers, 'Q'});
  TypeInto(FOcr, u'q');
  EXPECT_EQ(FDialogs.Warnings, std::vector<std::u16string>{HotkeyInUseText});
  EXPECT_EQ(FOcr.Text(), u"X");
  EXPECT_EQ(FSettings.HotkeyOCR, u'X');
  EXPECT_TRUE(FConfig.Registered());
  EXPECT_EQ(FHotkeys.Active.size(), 9u);
  EXPECT_EQ(FHotkeys.Active.at(hkOcr).VirtualKey, static_cast<std::uint32_t>('X'));
  EXPECT_EQ(FChanges, 1) << "the info text shows the letter kept";
  EXPECT_EQ(FLog.Lines,
            std::vector<std::u16string>{u"Hotkey Ctrl+Shift+Q is taken by another program; Ctrl+Shift+X is kept"});
}

TEST_F(HotkeyConfigTest, WhenAnotherHotkeyIsTakenTheNewLetterStaysAndTheLogSaysWhichOne) {
  FHotkeys.Taken.insert({HotkeyModifiers, 'Y'}); // Ctrl+Shift+Y, a fixed one
  TypeInto(FOcr, u'q');
  EXPECT_TRUE(FDialogs.Warnings.empty());
  EXPECT_EQ(FSettings.HotkeyOCR, u'Q');
  EXPECT_FALSE(FConfig.Registered());
  EXPECT_EQ(FLog.Lines, std::vector<std::u16string>{u"Hotkeys unavailable: Ctrl+Shift+Y is taken by another program"});
  EXPECT_EQ(FLog.Balloons, std::vector<std::u16string>{u"Hotkeys unavailable"});
}

TEST_F(HotkeyConfigTest, ABlankFieldKeepsItsLetterInTheSettings) {
  FScreenFull.SetText(u" ");
  FSave.SetText(u"k");
  FConfig.StoreLetters(FSettings);
  EXPECT_EQ(FSettings.HotkeyScreenFull, u'F');
  EXPECT_EQ(FSettings.HotkeySave, u'K');
}

TEST_F(HotkeyConfigTest, TheSetIsReleasedOnceAndRegisteredOnce) {
  const auto attempts = FHotkeys.Attempts.size();
  FConfig.RegisterHotkeys();
  EXPECT_EQ(FHotkeys.Attempts.size(), attempts) << "already registered";
  FConfig.UnregisterHotkeys();
  EXPECT_TRUE(FHotkeys.Active.empty());
  EXPECT_FALSE(FConfig.Registered());
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
