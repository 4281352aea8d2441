// The clipboard card: moving through the history, publishing the selection, deleting.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "MainFormFixture.h"
#include "app/HistoryBrowser.h"
#include "core/Text.h"
#include "fakes/FakeActivityLog.h"
#include "history/BrowserPreview.h"

namespace tarvel {
namespace {

const std::u16string Stamp = u"2026-03-01 14:05:09 - ";

// The browser over its own controls, wired as the main window wires them, and a host that
// records each publication by the text of the entry published.
class BrowserTest : public testing::Test, private IHistoryBrowserHost {
protected:
  BrowserTest() {
    FPage.OnChange = [this](TControl&) { FBrowser.spnClipboardPageChange(); };
    FSlider.OnChange = [this](TControl&) { FBrowser.trkSliderChange(); };
    FDelete.OnClick = [this](TControl&) { FBrowser.DeleteCurrentHistoryEntry(); };
    FBrowser.UpdateHistoryControls();
  }

  TClipHistory* History() override { return &FHistory; }
  void PublishCurrentHistoryItem() override { FPublished.push_back(FHistory.Current()->Text); }
  void ClearClipboardAsOwnWrite() override { ++FCleared; }

  // Entries "1" .. "N"; the newest is selected.
  void Fill(int ACount) {
    for (int i = 1; i <= ACount; ++i)
      FHistory.AddText(IntToStr(i));
    FBrowser.UpdateHistoryControls();
  }
  int Selected() const { return FHistory.Index() + 1; }

  TFakeMainWindow FWindow;
  TFakeClock FClock;
  TFakeActivityLog FLog;
  TClipHistory FHistory{10, FClock};
  TSpinEdit FPage{u"spnClipboardPage"};
  TTrackBar FSlider{u"trkSlider"};
  TImage FPicture{u"Image1"};
  TMemo FText{u"Memo1"};
  TLabel FStatus{u"Label1", u""};
  TButton FDelete{u"btnDeleteEntry", u"Delete"};
  std::vector<std::u16string> FPublished;
  int FCleared = 0;
  TFakeDispatcher FDispatcher; // after what its workers use: joined first
  THistoryBrowser FBrowser{
      {FWindow, FClock, FDispatcher, FLog}, {FPage, FSlider, FPicture, FText, FStatus, FDelete}, *this};
};

struct TPageCase {
  int Typed;
  int Selected;
};

class PageSpinTest : public BrowserTest, public testing::WithParamInterface<TPageCase> {};

TEST_P(PageSpinTest, TypedPositionsAreCorrectedSelectedAndPublished) {
  Fill(5);
  FPage.UserSetValue(GetParam().Typed);
  EXPECT_EQ(Selected(), GetParam().Selected);
  EXPECT_EQ(FPage.Value(), GetParam().Selected);
  EXPECT_EQ(FSlider.Position(), GetParam().Selected);
  EXPECT_EQ(FPublished, std::vector<std::u16string>{IntToStr(GetParam().Selected)});
  EXPECT_TRUE(FLog.Lines.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, PageSpinTest,
                         testing::Values(TPageCase{9, 5}, TPageCase{0, 1}, TPageCase{-4, 1}, TPageCase{3, 3}));

TEST_F(BrowserTest, ADragPublishesOnceAfterTheButtonIsReleased) {
  Fill(10);
  FPage.UserSetValue(1);
  FPublished.clear();
  TTimer& timer = FBrowser.SliderReleaseTimer();
  FWindow.LeftButtonDown = true;
  for (int p = 2; p <= 10; ++p)
    FSlider.SetPosition(p);
  EXPECT_EQ(Selected(), 10);
  EXPECT_EQ(FStatus.Caption().substr(0, 7), u"10 / 10");
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 50u);
  timer.Tick(); // still held: keep waiting
  EXPECT_TRUE(FPublished.empty());
  FWindow.LeftButtonDown = false;
  timer.Tick();
  EXPECT_FALSE(timer.Enabled());
  timer.Tick();
  EXPECT_EQ(FPublished, std::vector<std::u16string>{u"10"});
}

TEST_F(BrowserTest, TheKeyboardPublishesAtOnce) {
  Fill(3);
  FSlider.SetPosition(2);
  EXPECT_EQ(FPublished, std::vector<std::u16string>{u"2"});
  EXPECT_FALSE(FBrowser.SliderReleaseTimer().Enabled());
}

struct TDeleteCase {
  const char* Name;
  int Count;
  int Select;
  int NewSelection;
  std::u16string Line;
  std::u16string Published; // the new selection's text
};

class DeleteEntryTest : public BrowserTest, public testing::WithParamInterface<TDeleteCase> {};

TEST_P(DeleteEntryTest, SelectsTheEntryBeforeAndPublishesIt) {
  Fill(GetParam().Count);
  FPage.UserSetValue(GetParam().Select);
  FPublished.clear();
  FDelete.Click();
  EXPECT_EQ(FHistory.Count(), GetParam().Count - 1);
  EXPECT_EQ(Selected(), GetParam().NewSelection);
  EXPECT_EQ(FLog.Lines, std::vector<std::u16string>{GetParam().Line});
  EXPECT_EQ(FLog.Balloons, std::vector<std::u16string>{u"History entry deleted"});
  EXPECT_EQ(FPublished, std::vector<std::u16string>{GetParam().Published});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeleteEntryTest,
    testing::Values(TDeleteCase{"Third", 5, 3, 2, u"History entry deleted, new selection: 2 / 4", u"2"},
                    TDeleteCase{"First", 5, 1, 1, u"History entry deleted, new selection: 1 / 4", u"2"},
                    TDeleteCase{"Last", 5, 5, 4, u"History entry deleted, new selection: 4 / 4", u"4"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(BrowserTest, DeletingTheOnlyEntryEmptiesTheClipboard) {
  Fill(1);
  FDelete.Click();
  EXPECT_EQ(FCleared, 1);
  EXPECT_TRUE(FPublished.empty());
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_EQ(FStatus.Caption(), u"0 / 0");
  EXPECT_FALSE(FDelete.Enabled());
  EXPECT_EQ(FLog.Lines, std::vector<std::u16string>{u"History entry deleted"});
}

TEST_F(BrowserTest, OnAnEmptyHistoryTheHandlersOnlyResynchronise) {
  FPage.UserSetValue(3);
  FDelete.Click();
  EXPECT_EQ(FPage.Value(), 0);
  EXPECT_EQ(FStatus.Caption(), u"0 / 0");
  EXPECT_TRUE(FText.Visible());
  EXPECT_FALSE(FPicture.Visible());
  EXPECT_FALSE(FSlider.Enabled());
  EXPECT_FALSE(FPage.Enabled());
  EXPECT_TRUE(FPublished.empty());
  EXPECT_EQ(FCleared, 0);
  EXPECT_TRUE(FLog.Lines.empty());
}

TEST_F(BrowserTest, NavigationSpansOneToTheCountOnceThereAreEntries) {
  Fill(3);
  FPage.UserSetValue(2);
  EXPECT_EQ(FSlider.Min(), 1);
  EXPECT_EQ(FSlider.Max(), 3);
  EXPECT_EQ(FSlider.Position(), 2);
  EXPECT_TRUE(FSlider.Enabled());
  EXPECT_EQ(FPage.MinValue(), 1);
  EXPECT_EQ(FPage.MaxValue(), 3);
  EXPECT_TRUE(FPage.Enabled());
  EXPECT_TRUE(FDelete.Enabled());
}

TEST_F(BrowserTest, TheHotkeysWrapRoundAndPublish) {
  Fill(3);
  FBrowser.NavigateHistory(false);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(FPage.Value(), 1);
  FBrowser.NavigateHistory(true);
  EXPECT_EQ(Selected(), 3);
  EXPECT_EQ(FPublished, (std::vector<std::u16string>{u"1", u"3"}));
}

TEST_F(BrowserTest, FileEntriesShowOnePathPerLine) {
  FHistory.AddFiles({u"C:\\a.txt", u"C:\\b.txt"});
  FBrowser.UpdateHistoryControls();
  EXPECT_EQ(FText.Lines(), (std::vector<std::u16string>{u"C:\\a.txt", u"C:\\b.txt"}));
  EXPECT_EQ(FStatus.Caption().substr(0, 28), u"1 / 1  2026-03-01 14:05:09  ");
}

TEST_F(BrowserTest, AHugeTextIsShownInPartButKeptWhole) {
  const std::u16string huge(10u << 20, u'x');
  FHistory.AddText(huge);
  Fill(1);
  FPage.UserSetValue(1);
  EXPECT_LT(FText.Text().size(), MaxMemoPreviewLine + 200);
  EXPECT_EQ(FPublished.size(), 1u);
  EXPECT_EQ(FPublished.back().size(), huge.size());
  EXPECT_EQ(FStatus.Caption().size(), std::u16string(u"1 / 2  2026-03-01 14:05:09  ").size() + 90);
}

// The whole window: the card over the real exchange and history.
class HistoryBrowserTest : public MainFormTest {
protected:
  void Fill(int ACount) {
    CopyNumberedTexts(ACount);
    FLogStart = FForm.LogLines().size();
  }
  std::vector<std::u16string> NewLog() const {
    return {FForm.LogLines().begin() + static_cast<std::ptrdiff_t>(FLogStart), FForm.LogLines().end()};
  }

  std::size_t FLogStart = 0;
};

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

// ---------------------------------------------------------------------------------------------
// Finding, pinning and clearing on the card

// The card over texts that a search tells apart: apple pie, Banana, apple juice, cherry,
// APPLE (the newest selected).
class CardToolsTest : public HistoryBrowserTest {
protected:
  CardToolsTest() {
    for (const char16_t* text : {u"apple pie", u"Banana", u"apple juice", u"cherry", u"APPLE"}) {
      FClipboard.CopyText(text);
      DeliverClipboardNotifications();
    }
    FLogStart = FForm.LogLines().size();
  }
  void Type(std::u16string AText) { FForm.edtFind.UserType(AText); }
  std::u16string Shown() const { return FForm.Memo1.Text(); }
  std::u16string OnClipboard() {
    const std::vector<std::uint8_t>& bytes = FClipboard.Formats[cfUnicodeText];
    std::u16string text = FromUtf16LeBytes(bytes.data(), bytes.size());
    return text.substr(0, text.find(u'\0'));
  }
  // The status label without its time: "3 / 3 of 5|APPLE".
  std::u16string Status() const {
    const std::u16string& caption = FForm.Label1.Caption();
    const auto time = caption.find(u"  2026");
    return time == std::u16string::npos ? caption : caption.substr(0, time) + u"|" + caption.substr(time + 23);
  }
};

struct TFindCardCase {
  const char* Name;
  std::u16string Typed;
  std::u16string Status;
  std::u16string Shown;
  int Positions; // what the position field and the slider span
};

class FindCardTest : public CardToolsTest, public testing::WithParamInterface<TFindCardCase> {};

TEST_P(FindCardTest, NarrowsTheCardToTheMatchesWithoutPublishing) {
  const std::u16string clipboard = OnClipboard();
  Type(GetParam().Typed);
  EXPECT_EQ(Status(), GetParam().Status);
  EXPECT_EQ(Shown(), GetParam().Shown);
  EXPECT_EQ(FForm.spnClipboardPage.MaxValue(), GetParam().Positions);
  EXPECT_EQ(FForm.trkSlider.Max(), GetParam().Positions);
  EXPECT_EQ(FForm.btnDeleteEntry.Enabled(), GetParam().Positions > 0);
  EXPECT_EQ(FForm.btnPinEntry.Enabled(), GetParam().Positions > 0);
  EXPECT_EQ(FForm.History()->Count(), 5) << "the history stays as it is";
  EXPECT_EQ(OnClipboard(), clipboard);
  EXPECT_EQ(FForm.PendingInternalClipboardUpdates(), 0) << "typing publishes nothing";
  EXPECT_TRUE(NewLog().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindCardTest,
    testing::Values(TFindCardCase{"SelectedEntryMatches", u"aPPle", u"3 / 3 of 5|APPLE", u"APPLE", 3},
                    TFindCardCase{"NewestMatchIsShown", u"an", u"1 / 1 of 5|Banana", u"Banana", 1},
                    TFindCardCase{"AWordInside", u"juice", u"1 / 1 of 5|apple juice", u"apple juice", 1},
                    TFindCardCase{"NoMatch", u"kiwi", u"0 / 0 of 5  No matching entries", u"", 0}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(CardToolsTest, ThePositionFieldSliderAndHotkeysWalkTheMatchesAndPublish) {
  Type(u"apple");
  FForm.spnClipboardPage.UserSetValue(1);
  EXPECT_EQ(Shown(), u"apple pie");
  EXPECT_EQ(OnClipboard(), u"apple pie");
  EXPECT_EQ(FForm.trkSlider.Position(), 1);
  FForm.WMHotKey(hkNext);
  EXPECT_EQ(OnClipboard(), u"apple juice");
  EXPECT_EQ(Status(), u"2 / 3 of 5|apple juice");
  FForm.WMHotKey(hkNext);
  FForm.WMHotKey(hkNext); // wraps round the matches
  EXPECT_EQ(OnClipboard(), u"apple pie");
  FForm.WMHotKey(hkPrevious);
  EXPECT_EQ(OnClipboard(), u"APPLE");
  FForm.trkSlider.SetPosition(2);
  EXPECT_EQ(OnClipboard(), u"apple juice");
  EXPECT_EQ(FForm.History()->Count(), 5);
}

TEST_F(CardToolsTest, EscapeShowsTheWholeHistoryAsBefore) {
  const std::u16string before = FForm.Label1.Caption();
  Type(u"ban");
  ASSERT_EQ(Shown(), u"Banana");
  EXPECT_TRUE(FForm.CancelFind());
  EXPECT_EQ(FForm.edtFind.Text(), u"");
  EXPECT_EQ(FForm.Label1.Caption(), before) << "back to the entry selected before, byte for byte";
  EXPECT_EQ(FForm.spnClipboardPage.MaxValue(), 5);
  EXPECT_FALSE(FForm.CancelFind()) << "no search left to end";
  EXPECT_EQ(FForm.PendingInternalClipboardUpdates(), 0);
}

TEST_F(CardToolsTest, AnEntryChosenDuringTheSearchStaysSelectedAfterIt) {
  Type(u"apple");
  FForm.spnClipboardPage.UserSetValue(2);
  Type(u"");
  EXPECT_EQ(Shown(), u"apple juice");
  EXPECT_EQ(Status(), u"3 / 5|apple juice");
}

TEST_F(CardToolsTest, ANewCopyThatDoesNotMatchEndsTheSearch) {
  Type(u"apple");
  FClipboard.CopyText(u"kiwi");
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.edtFind.Text(), u"");
  EXPECT_EQ(Status(), u"6 / 6|kiwi");
}

TEST_F(CardToolsTest, DeletingAMatchShowsTheMatchBefore) {
  Type(u"apple");
  FForm.spnClipboardPage.UserSetValue(2);
  FForm.btnDeleteEntry.Click();
  EXPECT_EQ(FForm.History()->Count(), 4);
  EXPECT_EQ(Status(), u"1 / 2 of 4|apple pie");
  EXPECT_EQ(OnClipboard(), u"apple pie");
}

TEST_F(CardToolsTest, PinningShowsOnTheCardAndInTheLog) {
  FForm.btnPinEntry.Click();
  EXPECT_TRUE(FForm.History()->Current()->Pinned);
  EXPECT_EQ(Status(), u"5 / 5|Pinned \u00B7 APPLE");
  EXPECT_EQ(FForm.btnPinEntry.Caption(), u"Unpin");
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{Stamp + u"History entry pinned: APPLE"});
  FForm.btnPinEntry.Click();
  EXPECT_EQ(Status(), u"5 / 5|APPLE");
  EXPECT_EQ(FForm.btnPinEntry.Caption(), u"Pin");
  EXPECT_EQ(FForm.PendingInternalClipboardUpdates(), 0) << "pinning publishes nothing";
}

TEST_F(CardToolsTest, ThePreviewMenuPinsAndDeletesTheEntryShown) {
  TPopupMenu& menu = FForm.pmPreview;
  ASSERT_EQ(FForm.Memo1.PopupMenu, &menu);
  ASSERT_EQ(FForm.Image1.PopupMenu, &menu);
  menu.UserOpen();
  ASSERT_EQ(menu.Items.size(), 2u);
  EXPECT_EQ(menu.Items[0].Caption, u"Pin");
  EXPECT_EQ(menu.Items[1].Caption, u"Delete");
  menu.UserChoose(0);
  EXPECT_TRUE(FForm.History()->Current()->Pinned);
  menu.UserOpen();
  EXPECT_EQ(menu.Items[0].Caption, u"Unpin");
  menu.UserChoose(1);
  EXPECT_EQ(FForm.History()->Count(), 4);
  Type(u"kiwi");
  menu.UserOpen();
  EXPECT_FALSE(menu.Items[0].Enabled);
  EXPECT_FALSE(menu.Items[1].Enabled);
}

TEST_F(CardToolsTest, AHistoryFullOfPinnedEntriesRefusesACopyWithOneLogLine) {
  FForm.spnMaxClipentries.UserSetValue(5);
  for (int i = 1; i <= 5; ++i) {
    FForm.spnClipboardPage.UserSetValue(i);
    FForm.btnPinEntry.Click();
  }
  DeliverClipboardNotifications();
  FLogStart = FForm.LogLines().size();
  FClipboard.CopyText(u"kiwi");
  DeliverClipboardNotifications();
  EXPECT_EQ(FForm.History()->Count(), 5);
  EXPECT_EQ(Shown(), u"APPLE");
  const auto log = NewLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), Stamp + u"History full of pinned entries: new entry not kept"), 1);
}

TEST_F(CardToolsTest, ClearAsksThenKeepsThePinnedEntriesAndTheClipboard) {
  FForm.spnClipboardPage.UserSetValue(2);
  FForm.btnPinEntry.Click();
  DeliverClipboardNotifications();
  FLogStart = FForm.LogLines().size();
  const std::u16string clipboard = OnClipboard();
  FDialogs.Answers = {mrNo};
  ChooseTrayItem(u"Clear history");
  ASSERT_EQ(FDialogs.Shown.size(), 1u);
  EXPECT_EQ(FDialogs.Shown[0].Text, u"Are you sure you want to clear the clipboard history?\r\n\r\n4 entries will be "
                                    u"removed. The pinned entry stays in the history.\r\nWhat is on the clipboard "
                                    u"now stays there.");
  EXPECT_EQ(FDialogs.Shown[0].Buttons, unsigned{mbYes | mbNo | mbDefaultNo});
  EXPECT_EQ(FForm.History()->Count(), 5) << "No keeps everything";
  EXPECT_TRUE(NewLog().empty());

  FDialogs.Answers = {mrYes};
  FForm.btnClearHistory.Click();
  EXPECT_EQ(FForm.History()->Count(), 1);
  EXPECT_EQ(Status(), u"1 / 1|Pinned \u00B7 Banana");
  EXPECT_EQ(OnClipboard(), clipboard);
  EXPECT_EQ(FForm.PendingInternalClipboardUpdates(), 0);
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{Stamp + u"History cleared: 4 entries removed, 1 pinned entry kept"});
  EXPECT_FALSE(FForm.btnClearHistory.Enabled());
  FForm.TrayIcon()->UserOpenMenu();
  ChooseTrayItem(u"Clear history");
  EXPECT_EQ(FDialogs.Shown.size(), 2u) << "nothing left to clear: no question";
}

TEST(ClearHistoryQuestionTest, SaysHowManyGoAndThatPinnedEntriesStay) {
  EXPECT_EQ(ClearHistoryQuestion(1, 0), u"Are you sure you want to clear the clipboard history?\r\n\r\n1 entry will be "
                                        u"removed. Pinned entries stay in the history.\r\nWhat is on the clipboard now "
                                        u"stays there.");
  EXPECT_NE(ClearHistoryQuestion(3, 2).find(u"3 entries will be removed. The 2 pinned entries stay"),
            std::u16string::npos);
}

} // namespace
} // namespace tarvel
