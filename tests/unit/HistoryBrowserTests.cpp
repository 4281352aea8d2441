// The clipboard card: moving through the history, publishing the selection, deleting.
#include <gtest/gtest.h>

#include <functional>

#include "MainFormFixture.h"
#include "core/Text.h"

namespace tarvel {
namespace {

const std::u16string Stamp = u"2026-03-01 14:05:09 - ";

class HistoryBrowserTest : public MainFormTest {
protected:
  // Entries "1" .. "N", copied by another program; the newest is selected.
  void Fill(int ACount) {
    for (int i = 1; i <= ACount; ++i) {
      FClipboard.CopyText(IntToStr(i));
      DeliverClipboardNotifications();
    }
    FLogStart = FForm.LogLines().size();
  }
  std::vector<std::u16string> NewLog() const {
    return {FForm.LogLines().begin() + static_cast<std::ptrdiff_t>(FLogStart), FForm.LogLines().end()};
  }
  int Selected() const { return FForm.History()->Index() + 1; }
  int CountLines(const std::u16string& APrefix) const {
    int n = 0;
    for (const auto& line : NewLog())
      n += line.find(APrefix) != std::u16string::npos;
    return n;
  }

  std::size_t FLogStart = 0;
};

struct TPageCase {
  int Typed;
  int Selected;
};

class PageSpinTest : public HistoryBrowserTest, public testing::WithParamInterface<TPageCase> {};

TEST_P(PageSpinTest, TypedPositionsAreCorrectedSelectedAndPublished) {
  Fill(5);
  FForm.spnClipboardPage.UserSetValue(GetParam().Typed);
  EXPECT_EQ(Selected(), GetParam().Selected);
  EXPECT_EQ(FForm.spnClipboardPage.Value(), GetParam().Selected);
  EXPECT_EQ(FForm.trkSlider.Position(), GetParam().Selected);
  EXPECT_EQ(FClipboard.Text(), IntToStr(GetParam().Selected));
  EXPECT_EQ(NewLog(), (std::vector<std::u16string>{
                          Stamp + u"System clipboard updated: text " + IntToStr(GetParam().Selected),
                          Stamp + u"History selection copied to clipboard: " + IntToStr(GetParam().Selected)}));
  // The write's own notification is absorbed.
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.History()->Count(), 5);
}

INSTANTIATE_TEST_SUITE_P(Cases, PageSpinTest,
                         testing::Values(TPageCase{9, 5}, TPageCase{0, 1}, TPageCase{-4, 1}, TPageCase{3, 3}));

TEST_F(HistoryBrowserTest, ADragPublishesOnceAfterTheButtonIsReleased) {
  Fill(10);
  FForm.spnClipboardPage.UserSetValue(1);
  FLogStart = FForm.LogLines().size();
  TTimer& timer = *FForm.SliderReleaseTimer();
  FWindow.LeftButtonDown = true;
  for (int p = 2; p <= 10; ++p)
    FForm.trkSlider.SetPosition(p);
  EXPECT_EQ(Selected(), 10);
  EXPECT_EQ(FForm.Label1.Caption().substr(0, 7), u"10 / 10");
  EXPECT_TRUE(timer.Enabled());
  timer.Tick(); // still held: keep waiting
  EXPECT_TRUE(NewLog().empty());
  FWindow.LeftButtonDown = false;
  timer.Tick();
  EXPECT_FALSE(timer.Enabled());
  timer.Tick();
  EXPECT_EQ(CountLines(u"History selection copied to clipboard: "), 1);
  EXPECT_EQ(FClipboard.Text(), u"10");
}

TEST_F(HistoryBrowserTest, TheKeyboardPublishesAtOnce) {
  Fill(3);
  FForm.trkSlider.SetPosition(2);
  EXPECT_EQ(FClipboard.Text(), u"2");
  EXPECT_FALSE(FForm.SliderReleaseTimer()->Enabled());
}

struct TDeleteCase {
  const char* Name;
  int Count;
  int Select;
  int NewSelection;
  std::u16string Line;
};

class DeleteEntryTest : public HistoryBrowserTest, public testing::WithParamInterface<TDeleteCase> {};

TEST_P(DeleteEntryTest, SelectsTheEntryBeforeAndPublishesIt) {
  Fill(GetParam().Count);
  FForm.spnClipboardPage.UserSetValue(GetParam().Select);
  FLogStart = FForm.LogLines().size();
  FForm.btnDeleteEntry.Click();
  EXPECT_EQ(FForm.History()->Count(), GetParam().Count - 1);
  EXPECT_EQ(Selected(), GetParam().NewSelection);
  EXPECT_EQ(NewLog().back(), Stamp + GetParam().Line);
  EXPECT_EQ(CountLines(u"History selection copied to clipboard: "), 1);
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.History()->Count(), GetParam().Count - 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, DeleteEntryTest,
                         testing::Values(TDeleteCase{"Third", 5, 3, 2, u"History entry deleted, new selection: 2 / 4"},
                                         TDeleteCase{"First", 5, 1, 1, u"History entry deleted, new selection: 1 / 4"},
                                         TDeleteCase{"Last", 5, 5, 4, u"History entry deleted, new selection: 4 / 4"}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(HistoryBrowserTest, DeletingTheOnlyEntryEmptiesTheClipboardWithoutCapturingThat) {
  Fill(1);
  FForm.btnDeleteEntry.Click();
  EXPECT_TRUE(FClipboard.Formats.empty());
  EXPECT_EQ(FForm.PendingInternalClipboardUpdates(), 1);
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.PendingInternalClipboardUpdates(), 0);
  EXPECT_EQ(FForm.History()->Count(), 0);
  EXPECT_EQ(FForm.Label1.Caption(), u"0 / 0");
  EXPECT_FALSE(FForm.btnDeleteEntry.Enabled());
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{Stamp + u"History entry deleted"});
}

TEST_F(HistoryBrowserTest, OnAnEmptyHistoryTheHandlersOnlyResynchronise) {
  FForm.spnClipboardPage.UserSetValue(3);
  FForm.btnDeleteEntry.Click();
  EXPECT_EQ(FForm.spnClipboardPage.Value(), 0);
  EXPECT_EQ(FForm.Label1.Caption(), u"0 / 0");
  EXPECT_TRUE(FClipboard.Formats.empty());
  EXPECT_TRUE(OnlyStartupLog());
}

TEST_F(HistoryBrowserTest, NavigationSpansOneToTheCountOnceThereAreEntries) {
  Fill(3);
  FForm.spnClipboardPage.UserSetValue(2);
  EXPECT_EQ(FForm.trkSlider.Min(), 1);
  EXPECT_EQ(FForm.trkSlider.Max(), 3);
  EXPECT_EQ(FForm.trkSlider.Position(), 2);
  EXPECT_TRUE(FForm.trkSlider.Enabled());
  EXPECT_EQ(FForm.spnClipboardPage.MinValue(), 1);
  EXPECT_EQ(FForm.spnClipboardPage.MaxValue(), 3);
  EXPECT_TRUE(FForm.spnClipboardPage.Enabled());
  EXPECT_TRUE(FForm.btnDeleteEntry.Enabled());
}

struct THeldDeleteCase {
  const char* Name;
  int Count;
  std::u16string Label;
  // The new selection's write waits for the clipboard first; clearing it does not.
  bool Retried;
};

class HeldDeleteTest : public HistoryBrowserTest, public testing::WithParamInterface<THeldDeleteCase> {};

// The clipboard write after a delete fails (another program holds the clipboard); the
// error goes to the error box, but the card must not keep showing the deleted entry.
TEST_P(HeldDeleteTest, TheCardShowsTheHistoryAsItIsAfterAFailedWrite) {
  Fill(GetParam().Count);
  FClipboard.HeldByOther = true;
  if (GetParam().Retried) {
    EXPECT_NO_THROW(FForm.btnDeleteEntry.Click());
    EXPECT_THROW(LetClipboardRetriesRun(ClipboardRetryTimeMs), EClipboardError);
  } else {
    EXPECT_THROW(FForm.btnDeleteEntry.Click(), EClipboardError);
  }
  EXPECT_EQ(FForm.History()->Count(), GetParam().Count - 1);
  EXPECT_EQ(FForm.Label1.Caption().substr(0, GetParam().Label.size()), GetParam().Label);
  EXPECT_EQ(FForm.btnDeleteEntry.Enabled(), GetParam().Count > 1);
  EXPECT_EQ(FForm.spnClipboardPage.MaxValue(), GetParam().Count - 1);
  EXPECT_EQ(FForm.Memo1.Text(), GetParam().Count > 1 ? IntToStr(GetParam().Count - 1) : u"");
}

INSTANTIATE_TEST_SUITE_P(Cases, HeldDeleteTest,
                         testing::Values(THeldDeleteCase{"OthersLeft", 3, u"2 / 2  ", true},
                                         THeldDeleteCase{"TheOnlyOne", 1, u"0 / 0", false}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Putting the selected entry back, by kind: the write's line, then the selection's.
struct TPublicationCase {
  const char* Name;
  std::function<void(TFakeClipboard&)> Copy;
  std::vector<std::u16string> Lines;
};

class PublicationTest : public HistoryBrowserTest, public testing::WithParamInterface<TPublicationCase> {};

TEST_P(PublicationTest, LogsTheWriteThenTheSelection) {
  GetParam().Copy(FClipboard);
  DeliverClipboardNotifications();
  const auto formats = FClipboard.Formats;
  FClipboard.Formats.clear();
  FLogStart = FForm.LogLines().size();
  FForm.WMHotKey(hkPrevious); // one entry: the selection stays and is published again
  std::vector<std::u16string> expected;
  for (const auto& line : GetParam().Lines)
    expected.push_back(Stamp + line);
  EXPECT_EQ(NewLog(), expected);
  EXPECT_EQ(FForm.PendingInternalClipboardUpdates(), 1);
  EXPECT_FALSE(FClipboard.Formats.empty());
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.History()->Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, PublicationTest,
                         testing::Values(TPublicationCase{"Text",
                                                          [](TFakeClipboard& AC) { AC.CopyText(u"  two\r\nlines "); },
                                                          {u"System clipboard updated: text two lines",
                                                           u"History selection copied to clipboard: two lines"}},
                                         TPublicationCase{
                                             "Image",
                                             [](TFakeClipboard& AC) { AC.CopyImage(TBitmap32(7, 3, 0xFF405060u)); },
                                             {u"System clipboard updated: image 7x3",
                                              u"History selection copied to clipboard: Image 7x3"}},
                                         TPublicationCase{"Files",
                                                          [](TFakeClipboard& AC) {
                                                            AC.CopyFiles({u"C:\\a", u"C:\\b", u"C:\\c"});
                                                          },
                                                          {u"System clipboard updated: 3 file(s)",
                                                           u"History selection copied to clipboard: 3 file(s)"}}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(HistoryBrowserTest, ARefusedFileListIsNotReportedAsCopied) {
  FClipboard.CopyFiles({u"C:\\a", u"C:\\b"});
  DeliverClipboardNotifications();
  FClipboard.Refused.insert(cfHDrop);
  FLogStart = FForm.LogLines().size();
  FForm.WMHotKey(hkNext);
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{Stamp + u"System clipboard update failed: 2 file(s)"});
}

// Lines of ALength units, each ended by CR LF, ACount of them.
std::u16string Lines(std::size_t ALength, std::size_t ACount) {
  std::u16string text;
  for (std::size_t i = 0; i < ACount; ++i)
    text += std::u16string(ALength, u'a') + u"\r\n";
  return text;
}

struct TMemoPreviewCase {
  const char* Name;
  std::u16string Text;
  std::size_t Shown; // units of the text kept
};

class MemoPreviewTest : public testing::TestWithParam<TMemoPreviewCase> {};

TEST_P(MemoPreviewTest, ShowsABoundedBeginningAndSaysHowMuchIsLeft) {
  const std::u16string& text = GetParam().Text;
  const std::u16string preview = MakeMemoPreviewText(text);
  if (GetParam().Shown == text.size()) {
    EXPECT_EQ(preview, text);
    return;
  }
  EXPECT_EQ(preview.substr(0, GetParam().Shown), text.substr(0, GetParam().Shown));
  EXPECT_EQ(preview.substr(GetParam().Shown),
            u"\r\n\r\n[... " + GroupDigits(text.size() - GetParam().Shown) +
                u" more characters are not shown here; the entry keeps the whole text]");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoPreviewTest,
    testing::Values(
        TMemoPreviewCase{"ShortLinesUpToTheLengthLimit", Lines(78, 1000), MaxMemoPreviewLength},
        TMemoPreviewCase{"ShortLinesWithinTheLimit", Lines(78, 800).substr(0, 60000), 60000},
        // One line may be as long as the layout cost allows, and no longer.
        TMemoPreviewCase{"OneLongLine", std::u16string(10u << 20, u'x'), MaxMemoPreviewLine},
        TMemoPreviewCase{"ExactlyTheLongestLine", std::u16string(MaxMemoPreviewLine, u'x'), MaxMemoPreviewLine},
        // Four lines of half the longest line cost as much as one longest line.
        TMemoPreviewCase{"LongLinesAddUp", Lines(MaxMemoPreviewLine / 2, 10), 4 * (MaxMemoPreviewLine / 2 + 2)},
        TMemoPreviewCase{"LoneLineFeeds", std::u16string(3, u'y') + u"\n" + std::u16string(20000, u'z'),
                         4 + MaxMemoPreviewLine - 1}), // 3² spent, 4095² is what is left
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(MemoPreviewCutTest, NeverSplitsASurrogatePair) {
  std::u16string paired(MaxMemoPreviewLine - 1, u'a');
  paired += u"\U0001F600";
  paired += std::u16string(1'234'567, u'z');
  const std::u16string cut = MakeMemoPreviewText(paired);
  EXPECT_EQ(cut.substr(0, MaxMemoPreviewLine), std::u16string(MaxMemoPreviewLine - 1, u'a') + u"\r");
  EXPECT_NE(cut.find(u"[... 1,234,569 more characters"), std::u16string::npos);
}

TEST(MemoPreviewCutTest, LongFileListsShowWhatFitsAndCountTheRest) {
  const std::vector<std::u16string> few = {u"C:\\a", u"C:\\b"};
  EXPECT_EQ(MakeMemoPreviewLines(few), few);
  const std::vector<std::u16string> many(100'000, std::u16string(98, u'p'));
  const auto lines = MakeMemoPreviewLines(many);
  const std::size_t shown = MaxMemoPreviewLength / 100;
  ASSERT_EQ(lines.size(), shown + 2);
  EXPECT_EQ(lines[shown], u"");
  EXPECT_EQ(lines.back(), u"[... " + GroupDigits(100'000 - shown) +
                              u" more files are not shown here; the entry keeps the whole list]");
  // One overlong path is still shown rather than nothing.
  EXPECT_EQ(MakeMemoPreviewLines({std::u16string(MaxMemoPreviewLength + 5, u'q'), u"C:\\b"}).size(), 3u);
}

TEST_F(HistoryBrowserTest, AHugeTextIsShownInPartButKeptAndPublishedWhole) {
  const std::u16string huge(10u << 20, u'x');
  FClipboard.CopyText(huge);
  DeliverClipboardNotifications();
  Fill(1);
  EXPECT_LT(FForm.Memo1.Text().size(), MaxMemoPreviewLine + 200);
  FForm.spnClipboardPage.UserSetValue(1);
  EXPECT_EQ(FClipboard.Text(), huge);
  EXPECT_EQ(FForm.History()->Items(0).Text, huge);
  EXPECT_EQ(FForm.Label1.Caption().size(), std::u16string(u"1 / 2  2026-03-01 14:05:09  ").size() + 90);
}

TEST_F(HistoryBrowserTest, TheCardShowsTheHistorysOwnImageNotACopy) {
  TBitmap32 screen(1920, 1080, 0xFF204060u);
  screen.SetPixel(5, 5, 0xFFFFFFFFu);
  FClipboard.CopyImage(screen);
  DeliverClipboardNotifications();
  Fill(1);
  FForm.spnClipboardPage.UserSetValue(1);
  const TBitmap32* entry = FForm.History()->Items(0).Bitmap.get();
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(FForm.Image1.Picture(), entry);
  // Showing the window refreshes the card again, still without a copy.
  ChooseTrayItem(u"Show app");
  EXPECT_EQ(FForm.Image1.Picture(), entry);
  EXPECT_TRUE(FWindow.Visible);
}

// Images other than the selected one are packed on the workers; going back to one shows and
// publishes its pixels whole, and an identical copy of a packed newest entry is still a
// duplicate. Packing writes nothing to the log.
TEST_F(HistoryBrowserTest, ImagesArePackedOffTheMainThreadAndComeBackWhole) {
  const auto screen = [](int AMark) {
    TBitmap32 b(800, 600, 0xFF204060u);
    for (int x = 0; x < 300; ++x)
      b.SetPixel(x + AMark, 20 * AMark, 0xFFFFFFFFu);
    return b;
  };
  for (int i = 1; i <= 3; ++i) {
    FClipboard.CopyImage(screen(i));
    DeliverClipboardNotifications();
  }
  const auto settle = [this] {
    FDispatcher.JoinBackground();
    FDispatcher.RunPending();
  };
  settle();
  const std::size_t logSize = FForm.LogLines().size();
  const TClipHistory& history = *FForm.History();
  EXPECT_TRUE(history.Items(0).Packed && !history.Items(0).Bitmap);
  EXPECT_TRUE(history.Items(1).Packed && !history.Items(1).Bitmap);
  EXPECT_TRUE(!history.Items(2).Packed && history.Items(2).Bitmap) << "the selected entry waits";

  FForm.spnClipboardPage.UserSetValue(1);
  ASSERT_NE(FForm.Image1.Picture(), nullptr);
  EXPECT_TRUE(FForm.Image1.Picture()->SamePixels(screen(1)));
  const std::optional<TBitmap32> published = [this] {
    FClipboard.Open();
    std::optional<TBitmap32> b = FClipboard.ReadBitmap();
    FClipboard.Close();
    return b;
  }();
  ASSERT_TRUE(published);
  EXPECT_TRUE(published->SamePixels(screen(1)));
  DeliverClipboardNotifications();
  settle();
  EXPECT_TRUE(history.Items(2).Packed && !history.Items(2).Bitmap) << "the newest, no longer selected";

  FClipboard.CopyImage(screen(3));
  DeliverClipboardNotifications();
  EXPECT_EQ(history.Count(), 3) << "a duplicate of the packed newest entry";
  FClipboard.CopyImage(screen(4));
  DeliverClipboardNotifications();
  EXPECT_EQ(history.Count(), 4);
  EXPECT_EQ(std::vector<std::u16string>(FForm.LogLines().begin() + static_cast<std::ptrdiff_t>(logSize),
                                        FForm.LogLines().end()),
            (std::vector<std::u16string>{Stamp + u"System clipboard updated: image 800x600",
                                         Stamp + u"History selection copied to clipboard: Image 800x600",
                                         Stamp + u"External clipboard captured: image 800x600"}));
}

TEST_F(HistoryBrowserTest, FileEntriesShowOnePathPerLine) {
  FClipboard.CopyFiles({u"C:\\a.txt", u"C:\\b.txt"});
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.Memo1.Lines(), (std::vector<std::u16string>{u"C:\\a.txt", u"C:\\b.txt"}));
  EXPECT_EQ(FForm.Label1.Caption().substr(0, 28), u"1 / 1  2026-03-01 14:05:09  ");
}

} // namespace
} // namespace tarvel
