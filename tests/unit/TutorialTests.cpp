#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MainFormFixture.h"
#include "app/formTutorial.h"
#include "fakes/FakeRegistry.h"
#include "settings/uAppSettings.h"

namespace tarvel {
namespace {

const std::u16string Key = SettingsKeyPath;

std::vector<std::u16string> PageNames() {
  std::vector<std::u16string> names;
  for (const TTutorialPage& page : TutorialPages())
    names.push_back(page.Name);
  return names;
}

class TutorialTest : public testing::Test {
protected:
  // The stored choice; -1 when nothing is stored.
  int Stored() const {
    const TRegValue* value = FRegistry.Find(Key, u"DontShowTutorial");
    return value ? static_cast<int>(value->Data[0]) : -1;
  }
  void Show() {
    FForm.OnCloseRequest = [this] { ++FCloseRequests; };
    FForm.FormShow();
  }

  TFakeRegistry FRegistry;
  TFormTutorial FForm{FRegistry, PageNames()};
  int FCloseRequests = 0;
};

TEST_F(TutorialTest, FirstShowIsPageOneWithPreviousDisabledAndTheBoxUnticked) {
  Show();
  EXPECT_EQ(FForm.PageIndex(), 0);
  EXPECT_EQ(FForm.PageName(), u"1_hidden_in_tray");
  EXPECT_FALSE(FForm.btnPrevious.Enabled());
  EXPECT_EQ(FForm.btnNext.Caption(), u"Next");
  EXPECT_FALSE(FForm.chkDontShowTutorial.Checked());
  EXPECT_EQ(FForm.LastPageIndex(), 3);
}

TEST_F(TutorialTest, ShowingReadsTheStoredChoice) {
  FRegistry.PutDword(Key, u"DontShowTutorial", 1);
  Show();
  EXPECT_TRUE(FForm.chkDontShowTutorial.Checked());
  EXPECT_EQ(Stored(), 1);
}

TEST_F(TutorialTest, NextWalksToTheLastPageWhoseButtonStartsTheProgramAndCloses) {
  Show();
  const std::vector<std::u16string> names = PageNames();
  for (int i = 1; i <= 3; ++i) {
    FForm.btnNext.Click();
    EXPECT_EQ(FForm.PageIndex(), i);
    EXPECT_EQ(FForm.PageName(), names[i]);
    EXPECT_TRUE(FForm.btnPrevious.Enabled());
    EXPECT_EQ(FForm.btnNext.Caption(), i < 3 ? u"Next" : u"Start using Tarvel");
  }
  EXPECT_EQ(FCloseRequests, 0);
  FForm.btnNext.Click();
  EXPECT_EQ(FCloseRequests, 1);
  EXPECT_EQ(FForm.PageIndex(), 3);
  EXPECT_EQ(Stored(), 0);
}

TEST_F(TutorialTest, PreviousStepsBackAndStaysOnTheFirstPage) {
  Show();
  FForm.btnNext.Click();
  FForm.btnNext.Click();
  FForm.btnPrevious.Click();
  EXPECT_EQ(FForm.PageIndex(), 1);
  FForm.btnPrevious.Click();
  FForm.btnPrevious.Click(); // a click that reaches a disabled button's handler anyway
  EXPECT_EQ(FForm.PageIndex(), 0);
  EXPECT_FALSE(FForm.btnPrevious.Enabled());
}

struct TPageCase {
  int Asked;
  int Shown;
};

class TutorialShowPageTest : public TutorialTest, public testing::WithParamInterface<TPageCase> {};

TEST_P(TutorialShowPageTest, ClampsToThePages) {
  Show();
  FForm.ShowPage(GetParam().Asked);
  EXPECT_EQ(FForm.PageIndex(), GetParam().Shown);
  EXPECT_EQ(FForm.btnPrevious.Enabled(), GetParam().Shown > 0);
  EXPECT_EQ(FForm.btnNext.Caption(), GetParam().Shown == 3 ? u"Start using Tarvel" : u"Next");
}

INSTANTIATE_TEST_SUITE_P(Indices, TutorialShowPageTest,
                         testing::Values(TPageCase{-100, 0}, TPageCase{-1, 0}, TPageCase{0, 0}, TPageCase{2, 2},
                                         TPageCase{3, 3}, TPageCase{4, 3}, TPageCase{1000, 3}));

TEST_F(TutorialTest, EveryChangeOfTheBoxIsStoredAtOnceAndTheStateAtClosingCounts) {
  Show();
  FForm.chkDontShowTutorial.Toggle();
  EXPECT_EQ(Stored(), 1);
  FForm.chkDontShowTutorial.Toggle();
  EXPECT_EQ(Stored(), 0);
  FForm.chkDontShowTutorial.Toggle();
  FForm.btnNext.Click();
  // Another copy of the record wrote 0 meanwhile: closing stores the box again.
  FRegistry.PutDword(Key, u"DontShowTutorial", 0);
  FForm.FormClose();
  EXPECT_EQ(Stored(), 1);
  EXPECT_TRUE(IsTutorialSuppressed(FRegistry));
}

TEST_F(TutorialTest, StoringKeepsTheOtherSettings) {
  FRegistry.PutDword(Key, u"MaxClipEntries", 42);
  FRegistry.PutString(Key, u"HotkeyOCR", u"W");
  SaveDontShowTutorial(FRegistry, true);
  TTarvelSettings settings;
  LoadAppSettings(FRegistry, settings);
  EXPECT_TRUE(settings.DontShowTutorial);
  EXPECT_EQ(settings.MaxClipEntries, 42);
  EXPECT_EQ(settings.HotkeyOCR, u'W');
}

TEST_F(TutorialTest, AStoreThatFailsLeavesTheWindowWorking) {
  FRegistry.Uncreatable.insert(Key);
  Show();
  FForm.chkDontShowTutorial.Toggle();
  FForm.btnNext.Click();
  FForm.FormClose();
  EXPECT_EQ(FForm.PageIndex(), 1);
  EXPECT_FALSE(IsTutorialSuppressed(FRegistry));
}

TEST(TutorialEmptyTest, NoPicturesGiveOneEmptyLastPage) {
  TFakeRegistry registry;
  TFormTutorial form(registry, {});
  int closes = 0;
  form.OnCloseRequest = [&] { ++closes; };
  form.FormShow();
  EXPECT_EQ(form.LastPageIndex(), 0);
  EXPECT_EQ(form.PageIndex(), 0);
  EXPECT_EQ(form.PageName(), u"");
  EXPECT_FALSE(form.btnPrevious.Enabled());
  EXPECT_EQ(form.btnNext.Caption(), u"Start using Tarvel");
  form.btnNext.Click();
  EXPECT_EQ(closes, 1);
}

TEST(TutorialStartTest, ShowsTheWindowOnlyWhenNotSuppressed) {
  TFakeRegistry registry;
  int shown = 0;
  const auto show = [&] {
    ++shown;
    return true;
  };
  EXPECT_TRUE(ShowTutorialIfNeeded(registry, show));
  EXPECT_EQ(shown, 1);
  registry.PutDword(SettingsKeyPath, u"DontShowTutorial", 1);
  EXPECT_TRUE(ShowTutorialIfNeeded(registry, show));
  EXPECT_EQ(shown, 1);
  registry.PutDword(SettingsKeyPath, u"DontShowTutorial", 0);
  // The session ended while the window was up.
  EXPECT_FALSE(ShowTutorialIfNeeded(registry, [] { return false; }));
}

// The main window opens the tutorial from its info card and its tray menu; what the user
// ticks there survives the main window's next store of its settings.
class MainFormTutorialTest : public MainFormTest, public testing::WithParamInterface<bool> {};

TEST_P(MainFormTutorialTest, TheChoiceMadeInTheTutorialIsKept) {
  int shown = 0;
  FForm.OnShowTutorialWindow = [&] {
    ++shown;
    TFormTutorial tutorial(FRegistry, PageNames());
    tutorial.FormShow();
    tutorial.chkDontShowTutorial.Toggle();
    tutorial.FormClose();
  };
  if (GetParam())
    FForm.btnShowTutorial.Click();
  else
    ChooseTrayItem(u"Show tutorial");
  EXPECT_EQ(shown, 1);
  const std::size_t writes = FRegistry.Writes.size();
  FForm.swtNotifications.Toggle(); // the main window stores its settings
  EXPECT_GT(FRegistry.Writes.size(), writes);
  EXPECT_TRUE(IsTutorialSuppressed(FRegistry));
}

TEST_F(MainFormTutorialTest, TheTrayItemDoesNotOpenASecondTutorialOverTheFirst) {
  int shown = 0;
  FForm.OnShowTutorialWindow = [&] {
    ++shown;
    ChooseTrayItem(u"Show tutorial");
  };
  FForm.btnShowTutorial.Click();
  EXPECT_EQ(shown, 1);
  ChooseTrayItem(u"Show tutorial");
  EXPECT_EQ(shown, 2);
}

INSTANTIATE_TEST_SUITE_P(FromInfoCardOrTray, MainFormTutorialTest, testing::Bool());

} // namespace
} // namespace tarvel
