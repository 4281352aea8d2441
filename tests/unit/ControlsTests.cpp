#include <gtest/gtest.h>

#include <climits>

#include "ui/Controls.h"

namespace tarvel {
namespace {

// Counts the events a control fires.
struct TEvents {
  int Count = 0;
  TNotifyEvent Handler() {
    return [this](TControl&) { ++Count; };
  }
};

TEST(ControlsTest, SettingAValueFromCodeFiresTheChangeEventOncePerChange) {
  TEvents spin, track, toggle, letter;
  TSpinEdit s(u"s");
  s.OnChange = spin.Handler();
  s.SetRange(1, 10);
  s.SetValue(4);
  s.SetValue(4);
  TTrackBar t(u"t");
  t.OnChange = track.Handler();
  t.SetRange(1, 10);
  t.SetPosition(5);
  TToggleSwitch w(u"w");
  w.OnClick = toggle.Handler();
  w.SetOn(true);
  w.SetOn(true);
  TLetterEdit e(u"e", u"C");
  e.OnChange = letter.Handler();
  e.SetText(u"Q");
  EXPECT_EQ(spin.Count, 1);
  EXPECT_EQ(track.Count, 2); // the range change moved the position to 1, then 5
  EXPECT_EQ(toggle.Count, 1);
  EXPECT_EQ(letter.Count, 1);
}

TEST(ControlsTest, SpinEditClampsCodeButNotTheUser) {
  TSpinEdit s(u"s");
  s.SetRange(1, 5);
  s.SetValue(9);
  EXPECT_EQ(s.Value(), 5);
  s.UserSetValue(9);
  EXPECT_EQ(s.Value(), 9);
  s.SetRange(0, 0); // an empty range does not clamp
  s.SetValue(-3);
  EXPECT_EQ(s.Value(), -3);
}

// Keystrokes as the field reports them ("2", then "25"), Enter as "\n", leaving as "exit".
struct TSpinTypingCase {
  const char* Name;
  bool Defer;
  std::vector<std::u16string> Steps;
  std::vector<int> Applied; // the values OnChange saw, in order
  int Value;
};

class SpinTypingTest : public testing::TestWithParam<TSpinTypingCase> {};

TEST_P(SpinTypingTest, AppliesWhatTheModeSays) {
  TSpinEdit s(u"s");
  s.SetRange(1, 100);
  s.SetValue(10);
  s.DeferTyping = GetParam().Defer;
  std::vector<int> applied;
  s.OnChange = [&](TControl&) { applied.push_back(s.Value()); };
  s.UserEnter();
  for (const auto& step : GetParam().Steps) {
    if (step == u"\n")
      s.UserCommit();
    else if (step == u"exit")
      s.UserExit();
    else
      s.UserType(step);
  }
  EXPECT_EQ(applied, GetParam().Applied);
  EXPECT_EQ(s.Value(), GetParam().Value);
  EXPECT_FALSE(s.HasPendingText() && !s.Focused());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpinTypingTest,
    testing::Values(TSpinTypingCase{"ImmediateAppliesEachNumber", false, {u"2", u"25", u"", u"-", u"x"}, {2, 25}, 25},
                    TSpinTypingCase{"DeferredAppliesOnLeaving", true, {u"2", u"25", u"exit"}, {25}, 25},
                    TSpinTypingCase{"DeferredAppliesOnEnter", true, {u"1", u"\n", u"17", u"\n"}, {1, 17}, 17},
                    TSpinTypingCase{"EditingBackToTheSameAppliesNothing", true, {u"1", u"10", u"exit"}, {}, 10},
                    TSpinTypingCase{"NotANumberAppliesTheMinimum", true, {u"", u"exit"}, {1}, 1},
                    TSpinTypingCase{"HugeNumbersSaturate", true, {u"99999999999", u"exit"}, {INT32_MAX}, INT32_MAX},
                    TSpinTypingCase{"NothingTypedNothingApplied", true, {u"exit"}, {}, 10}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(ControlsTest, TrackBarKeepsItsPositionInRange) {
  TTrackBar t(u"t");
  t.SetRange(1, 10);
  t.SetPosition(10);
  t.SetRange(1, 4);
  EXPECT_EQ(t.Position(), 4);
  t.SetPosition(-7);
  EXPECT_EQ(t.Position(), 1);
}

TEST(ControlsTest, ComboBoxFiresOnlyOnTheUsersChoice) {
  TEvents changes;
  TComboBox c(u"c");
  c.OnChange = changes.Handler();
  c.SetItems({u"English", u"Deutsch"});
  c.SetItemIndex(1);
  EXPECT_EQ(c.Text(), u"Deutsch");
  EXPECT_EQ(changes.Count, 0);
  c.UserSelect(0);
  EXPECT_EQ(changes.Count, 1);
  c.SetItemIndex(7);
  EXPECT_EQ(c.ItemIndex(), -1);
}

TEST(ControlsTest, LetterEditAcceptsExactlyOneLetter) {
  TLetterEdit e(u"e", u"C");
  EXPECT_FALSE(e.UserType(u'7'));
  EXPECT_FALSE(e.UserType(u'\u00e4'));
  EXPECT_EQ(e.Text(), u"C");
  EXPECT_TRUE(e.UserType(u'q'));
  EXPECT_EQ(e.Text(), u"q");
}

TEST(ControlsTest, EnterAndExitFireOnFocusChangesOnly) {
  TEvents enter, exit;
  TLetterEdit e(u"e", u"C");
  e.OnEnter = enter.Handler();
  e.OnExit = exit.Handler();
  e.UserExit(); // not focused: nothing
  e.UserEnter();
  e.UserEnter();
  e.UserExit();
  EXPECT_EQ(enter.Count, 1);
  EXPECT_EQ(exit.Count, 1);
}

TEST(ControlsTest, DisabledButtonIgnoresClicks) {
  TEvents clicks;
  TButton b(u"b", u"Delete");
  b.OnClick = clicks.Handler();
  b.SetEnabled(false);
  b.Click();
  EXPECT_EQ(clicks.Count, 0);
}

TEST(ControlsTest, MemoSplitsAtEveryKindOfLineBreak) {
  TMemo m(u"m");
  m.SetText(u"a\r\nb\rc\nd\r\n");
  EXPECT_EQ(m.Lines(), (std::vector<std::u16string>{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(m.Text(), u"a\r\nb\r\nc\r\nd");
  m.SetText(u"x\n\ny");
  EXPECT_EQ(m.Lines(), (std::vector<std::u16string>{u"x", u"", u"y"}));
  m.SetText(u"");
  EXPECT_TRUE(m.Lines().empty());
}

// A memo with AStart, given ALine with room for AMaxLines.
struct TAppendCase {
  const char* Name;
  std::vector<std::u16string> Start;
  std::u16string Line;
  std::size_t MaxLines;
  std::vector<std::u16string> Expected;
};

class MemoAppendTest : public testing::TestWithParam<TAppendCase> {};

// The peer applies the reported edit to the text it shows: that must give what a refill with
// the same lines shows.
TEST_P(MemoAppendTest, ReportsTheEditThatTurnsTheOldTextIntoTheNewOne) {
  const TAppendCase& c = GetParam();
  TMemo m(u"m");
  m.SetLines(c.Start);
  m.CaretToEnd();
  const std::u16string before = m.Text();
  std::u16string shown = before;
  int notifications = 0;
  m.OnModelChanged = [&] {
    ++notifications;
    const TMemoAppend* edit = m.PendingAppend();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->OldLength, before.size());
    shown += edit->Appended;
    shown.erase(0, edit->Removed);
  };
  m.AppendLine(c.Line, c.MaxLines);
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(m.Lines(), c.Expected);
  TMemo refilled(u"r");
  refilled.SetLines(c.Expected);
  EXPECT_EQ(shown, refilled.Text());
  EXPECT_EQ(m.Text(), refilled.Text());
  // Reported only while it happens; the caret request stays.
  EXPECT_EQ(m.PendingAppend(), nullptr);
  EXPECT_TRUE(m.CaretAtEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoAppendTest,
    testing::Values(TAppendCase{"FirstLine", {}, u"a", 3, {u"a"}}, TAppendCase{"FirstLineEmpty", {}, u"", 3, {u""}},
                    TAppendCase{"BelowTheCap", {u"a", u""}, u"c", 3, {u"a", u"", u"c"}},
                    TAppendCase{
                        "AtTheCapTheOldestGoes", {u"one", u"two", u"three"}, u"four", 3, {u"two", u"three", u"four"}},
                    TAppendCase{"AnEmptyOldestLineGoesWithItsBreak", {u"", u"b"}, u"c", 2, {u"b", u"c"}},
                    TAppendCase{"FarAboveTheCapSeveralGo", {u"1", u"22", u"333", u"4444"}, u"5", 2, {u"4444", u"5"}},
                    TAppendCase{"NoRoomStillKeepsTheNewLine", {u"x", u"y"}, u"z", 0, {u"z"}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(ControlsTest, TimerTicksOnlyWhileEnabled) {
  int fired = 0;
  TTimer t;
  t.OnTimer = [&] { ++fired; };
  t.Tick();
  t.SetEnabled(true);
  t.Tick();
  EXPECT_EQ(fired, 1);
}

} // namespace
} // namespace tarvel
