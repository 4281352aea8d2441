// What the clipboard exchange takes from the clipboard after outside changes, and how it
// marks the program's own writes so that they are not taken again.
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "app/ClipboardExchange.h"
#include "core/Bytes.h"
#include "core/Text.h"
#include "fakes/FakeActivityLog.h"

namespace tarvel {
namespace {

const std::u16string Stamp = u"2026-03-01 14:05:09 - ";

struct TPreviewCase {
  std::u16string Text;
  int MaxLen;
  std::u16string Expected;
};

class MakePreviewTextTest : public testing::TestWithParam<TPreviewCase> {};

TEST_P(MakePreviewTextTest, GivesOneTrimmedLineOfAtMostMaxLen) {
  EXPECT_EQ(MakePreviewText(GetParam().Text, GetParam().MaxLen), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MakePreviewTextTest,
                         testing::Values(TPreviewCase{u"", 80, u""}, TPreviewCase{u" \r\n\t ", 80, u""},
                                         TPreviewCase{u"  hello  ", 80, u"hello"},
                                         TPreviewCase{u"one\r\ntwo\rthree\nfour", 80, u"one two three four"},
                                         // Blanks around a break collapse into one; tabs stay.
                                         TPreviewCase{u"a  \r\n\r\n  b\tc", 80, u"a b\tc"},
                                         TPreviewCase{std::u16string(80, u'x'), 80, std::u16string(80, u'x')},
                                         TPreviewCase{std::u16string(81, u'x'), 80, std::u16string(77, u'x') + u"..."},
                                         // Collapsing first can bring a text under the limit.
                                         TPreviewCase{std::u16string(1, u'a').append(100, u' ').append(u"b"), 80,
                                                      u"a b"},
                                         TPreviewCase{u"abcdef", 5, u"ab..."}));

// The exchange over a fake clipboard, a history of ten entries and a log that keeps every
// line and balloon.
class CaptureTest : public testing::Test, private IClipboardExchangeHost {
protected:
  CaptureTest() { FExchange.StartListening(); }

  TClipHistory* History() override { return &FHistory; }
  void HistoryChanged() override { ++FShown; }

  // Hands the listener's queued clipboard notifications to the exchange, one at a time.
  void DeliverClipboardNotifications() {
    while (FClipboard.Notifications > 0) {
      --FClipboard.Notifications;
      FExchange.WMClipboardUpdate();
    }
  }
  // Time passes in steps of the retry timer, which ticks whenever it runs.
  void LetClipboardRetriesRun(std::uint64_t AMilliseconds) {
    for (std::uint64_t passed = 0; passed < AMilliseconds; passed += ClipboardRetryIntervalMs) {
      FClock.Advance(ClipboardRetryIntervalMs);
      FExchange.RetryTimer().Tick();
    }
  }
  const std::vector<std::u16string>& NewLog() const { return FLog.Lines; }

  TFakeClock FClock;
  TFakeClipboard FClipboard;
  TFakeActivityLog FLog;
  TClipHistory FHistory{10, FClock};
  // How often the card was asked to show the history again.
  int FShown = 0;
  TClipboardExchange FExchange{{FClipboard, FClock, FLog}, *this};
};

TBitmap32 Gradient(int AWidth, int AHeight) {
  TBitmap32 b(AWidth, AHeight);
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x)
      b.SetPixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(x * 7 + y * 13));
  return b;
}

TEST_F(MainFormTest, ListensFromStartUntilShutdown) {
  EXPECT_TRUE(FClipboard.Listening);
  FForm.FormDestroy();
  EXPECT_FALSE(FClipboard.Listening);
}

// The whole way of an outside copy, from the notification to the card.
TEST_F(MainFormTest, AnOutsideTextBecomesOneEntryOnTheCard) {
  FClipboard.CopyText(u"  Hello,\r\nworld  ");
  DeliverClipboardNotifications();
  ASSERT_EQ(FForm.History()->Count(), 1);
  EXPECT_EQ(FForm.History()->Last()->Text, u"  Hello,\r\nworld  "); // stored untrimmed
  EXPECT_EQ(LogAfterStart(), std::vector<std::u16string>{Stamp + u"External clipboard captured: text Hello, world"});
  EXPECT_EQ(FForm.Label1.Caption(), u"1 / 1  2026-03-01 14:05:09  Hello, world");
  EXPECT_EQ(FForm.Memo1.Text(), u"  Hello,\r\nworld  ");
  EXPECT_TRUE(FForm.Memo1.Visible());
  EXPECT_FALSE(FForm.Image1.Visible());
  EXPECT_TRUE(FForm.btnDeleteEntry.Enabled());
  EXPECT_EQ(FForm.spnClipboardPage.Value(), 1);
}

TEST_F(CaptureTest, AnOutsideTextBecomesOneEntry) {
  FClipboard.CopyText(u"two\r\nlines");
  DeliverClipboardNotifications();
  ASSERT_EQ(FHistory.Count(), 1);
  EXPECT_EQ(FHistory.Last()->Text, u"two\r\nlines");
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{u"External clipboard captured: text two lines"});
  EXPECT_EQ(FLog.Balloons, std::vector<std::u16string>{u"Copied text"});
  EXPECT_EQ(FShown, 1);
}

// A password manager marks its copies; they never reach the history, and nothing of them
// reaches the log.
TEST_F(CaptureTest, CopiesMarkedPrivateAreSkippedWithOneLine) {
  struct TCase {
    const char16_t* Marker;
    std::vector<std::uint8_t> Value;
    bool Kept;
  };
  const TCase cases[] = {
      {u"ExcludeClipboardContentFromMonitorProcessing", {}, false},
      {u"Clipboard Viewer Ignore", {1}, false},
      {u"CanIncludeInClipboardHistory", {0, 0, 0, 0}, false},
      {u"CanIncludeInClipboardHistory", {1, 0, 0, 0}, true}, // allowed explicitly
      {u"CanIncludeInClipboardHistory", {0}, true},          // not a number: no mark
  };
  int kept = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(ToUtf8(c.Marker));
    const std::size_t before = FLog.Lines.size();
    FLog.Balloons.clear();
    const std::u16string secret = u"secret " + IntToStr(kept) + IntToStr(static_cast<int>(c.Value.size()));
    FClipboard.CopyFormats(
        {{cfUnicodeText, TFakeClipboard::TextBytes(secret)}, {FClipboard.RegisterFormat(c.Marker), c.Value}});
    DeliverClipboardNotifications();
    const std::vector<std::u16string> log(FLog.Lines.begin() + static_cast<std::ptrdiff_t>(before), FLog.Lines.end());
    if (c.Kept) {
      ++kept;
      EXPECT_EQ(FLog.Balloons, std::vector<std::u16string>{u"Copied text"});
    } else {
      ASSERT_EQ(log.size(), 1u);
      EXPECT_EQ(log[0], u"External clipboard skipped: marked private by its source");
      EXPECT_TRUE(FLog.Balloons.empty());
    }
    EXPECT_EQ(FHistory.Count(), kept);
  }
}

TEST_F(CaptureTest, FilesWinOverTextAndTextOverImages) {
  const auto dib = EncodeDib(Gradient(4, 3));
  FClipboard.CopyFormats({{cfHDrop, BuildDropFiles({u"C:\\a.txt", u"C:\\b.txt"})},
                          {cfUnicodeText, TFakeClipboard::TextBytes(u"C:\\a.txt")},
                          {cfDib, dib}});
  DeliverClipboardNotifications();
  FClipboard.CopyFormats({{cfUnicodeText, TFakeClipboard::TextBytes(u"rich")}, {cfDib, dib}});
  DeliverClipboardNotifications();
  FClipboard.CopyFormats({{cfBitmap, {}}, {cfDib, dib}});
  DeliverClipboardNotifications();
  ASSERT_EQ(FHistory.Count(), 3);
  EXPECT_EQ(FHistory.Items(0).Kind, cikFiles);
  EXPECT_EQ(FHistory.Items(0).Files, (std::vector<std::u16string>{u"C:\\a.txt", u"C:\\b.txt"}));
  EXPECT_EQ(FHistory.Items(1).Kind, cikText);
  EXPECT_EQ(FHistory.Items(2).Kind, cikImage);
  EXPECT_TRUE(FHistory.Items(2).Bitmap->SamePixels(Gradient(4, 3)));
  EXPECT_EQ(NewLog(), (std::vector<std::u16string>{
                          u"External clipboard captured: 2 file(s): C:\\a.txt",
                          u"External clipboard captured: text rich",
                          u"External clipboard captured: image 4x3",
                      }));
  EXPECT_EQ(FLog.Balloons, (std::vector<std::u16string>{u"Copied files", u"Copied text", u"Copied image"}));
  EXPECT_EQ(FShown, 3);
}

TEST_F(CaptureTest, TheFirstFormatOfferedDecidesEvenWhenItHoldsNothing) {
  // An empty file list next to text: nothing is taken, the text is not tried.
  FClipboard.CopyFormats({{cfHDrop, BuildDropFiles({})}, {cfUnicodeText, TFakeClipboard::TextBytes(u"not taken")}});
  DeliverClipboardNotifications();
  // Blank text next to an image.
  FClipboard.CopyFormats({{cfUnicodeText, TFakeClipboard::TextBytes(u" \r\n\t")}, {cfDib, EncodeDib(Gradient(2, 2))}});
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_TRUE(NewLog().empty());
  EXPECT_TRUE(FLog.Balloons.empty());
}

// The system's reader may report empty paths; an entry holding one could never be put back.
TEST_F(CaptureTest, AFileListKeepsOnlyThePathsItCanBePublishedWith) {
  FClipboard.ReaderPaths = std::vector<std::u16string>{u""};
  FClipboard.CopyFormats({{cfHDrop, BuildDropFiles({})}});
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_TRUE(NewLog().empty());

  FClipboard.ReaderPaths = std::vector<std::u16string>{u"", u"C:\\a", u"", u"C:\\b"};
  FClipboard.CopyFormats({{cfHDrop, BuildDropFiles({u"C:\\a", u"C:\\b"})}});
  DeliverClipboardNotifications();
  ASSERT_EQ(FHistory.Count(), 1);
  EXPECT_EQ(FHistory.Last()->Files, (std::vector<std::u16string>{u"C:\\a", u"C:\\b"}));
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{u"External clipboard captured: 2 file(s): C:\\a"});
  FExchange.PublishCurrentHistoryItem();
  EXPECT_EQ(FClipboard.Formats.at(cfHDrop), BuildDropFiles({u"C:\\a", u"C:\\b"}));
}

TEST_F(CaptureTest, OnlyTheNewestEntryCountsAsDuplicate) {
  for (const char16_t* text : {u"A", u"A", u"B", u"A"}) {
    FClipboard.CopyText(text);
    DeliverClipboardNotifications();
  }
  FClipboard.CopyImage(Gradient(5, 5));
  DeliverClipboardNotifications();
  FClipboard.CopyImage(Gradient(5, 5));
  DeliverClipboardNotifications();
  FClipboard.CopyFiles({u"C:\\x"});
  DeliverClipboardNotifications();
  FClipboard.CopyFiles({u"C:\\x"});
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 5); // A, B, A, the image, the file
  EXPECT_EQ(NewLog().size(), 5u);
}

TEST_F(CaptureTest, AnImageWithoutPixelsAddsNothing) {
  std::vector<std::uint8_t> dib = EncodeDib(Gradient(2, 2));
  dib[4] = dib[5] = dib[6] = dib[7] = 0; // width 0
  FClipboard.CopyFormats({{cfDib, dib}});
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_TRUE(NewLog().empty());
}

// An 8-bit image of 3 x 2 pixels (index x + 3y, top row first) with a table of 6 colours,
// as a paint program copies it; or the CF_DIBV5 the system makes of it, whose header says
// the same but which has no colour table.
std::uint32_t TableColour(unsigned AIndex) {
  return 0xFF000000u | (40 * AIndex) << 16 | (250 - 30 * AIndex) << 8 | (17 * AIndex);
}

std::vector<std::uint8_t> PaletteDib(bool AAsSystemV5) {
  const std::uint32_t headerSize = AAsSystemV5 ? 124 : 40;
  const std::uint32_t tableSize = AAsSystemV5 ? 0 : 6 * 4;
  std::vector<std::uint8_t> dib(headerSize + tableSize + 2 * 4, 0);
  StoreLE32(dib.data(), headerSize);
  StoreLE32(dib.data() + 4, 3);
  StoreLE32(dib.data() + 8, static_cast<std::uint32_t>(-2)); // top-down
  dib[12] = 1;                                               // planes
  dib[14] = 8;                                               // bits per pixel
  StoreLE32(dib.data() + 32, 6);
  for (unsigned i = 0; i < tableSize / 4; ++i)
    StoreLE32(dib.data() + headerSize + 4 * i, TableColour(i) & 0xFFFFFFu);
  std::uint8_t* rows = dib.data() + headerSize + tableSize;
  for (std::uint8_t i = 0; i < 6; ++i)
    rows[i / 3 * 4 + i % 3] = i;
  return dib;
}

TEST_F(CaptureTest, APaletteImageIsTakenFromTheFormThatKeepsItsColours) {
  FClipboard.CopyFormats({{cfDibV5, PaletteDib(true)}, {cfDib, PaletteDib(false)}, {cfBitmap, {}}});
  DeliverClipboardNotifications();
  ASSERT_EQ(FHistory.Count(), 1) << ToUtf8(NewLog().empty() ? u"" : NewLog()[0]);
  const TBitmap32& image = *FHistory.Last()->Bitmap;
  ASSERT_EQ(image.Width(), 3);
  ASSERT_EQ(image.Height(), 2);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(image.Pixel(i % 3, i / 3), TableColour(static_cast<unsigned>(i))) << i;
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{u"External clipboard captured: image 3x2"});
}

// Each form of the image is tried in turn until one decodes; when none does, the first
// form's error is the one reported.
struct TImageFormCase {
  const char* Name;
  std::map<std::uint32_t, std::vector<std::uint8_t>> Formats;
  int Width;            // of the image read; 0 for none
  std::u16string Error; // how the error begins, when one is expected
};

void PrintTo(const TImageFormCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class ImageFormOrderTest : public testing::TestWithParam<TImageFormCase> {};

TEST_P(ImageFormOrderTest, TakesTheFirstFormThatDecodes) {
  TFakeClipboard clipboard;
  clipboard.CopyFormats(GetParam().Formats);
  try {
    const TBitmap32 image = ReadClipboardImage(clipboard);
    EXPECT_TRUE(GetParam().Error.empty()) << "no error raised";
    EXPECT_EQ(image.Width(), GetParam().Width);
    if (!image.Empty()) {
      EXPECT_TRUE(image.SamePixels(Gradient(GetParam().Width, 1)));
    }
  } catch (const EImageError& e) {
    EXPECT_EQ(e.Message().rfind(GetParam().Error, 0), 0u) << ToUtf8(e.Message());
    EXPECT_FALSE(GetParam().Error.empty());
  }
}

std::vector<std::uint8_t> WithHeaderSize99(std::vector<std::uint8_t> ADib) {
  StoreLE32(ADib.data(), 99);
  return ADib;
}

// The forms carry images of different widths, so that the width shows which one was read.
const std::vector<std::uint8_t> GoodV5 = EncodeDib(Gradient(3, 1));
const std::vector<std::uint8_t> GoodDib = EncodeDib(Gradient(2, 1));
const std::vector<std::uint8_t> GoodBitmap = EncodeDib(Gradient(1, 1));
const std::vector<std::uint8_t> BrokenV5 = [] {
  auto dib = GoodV5;
  dib.pop_back();
  return dib;
}();
const std::vector<std::uint8_t> BrokenDib = WithHeaderSize99(GoodDib);
const std::vector<std::uint8_t> BrokenBitmap = {1, 2, 3};

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageFormOrderTest,
    testing::Values(
        TImageFormCase{"V5First", {{cfDibV5, GoodV5}, {cfDib, GoodDib}, {cfBitmap, GoodBitmap}}, 3, u""},
        TImageFormCase{"DibAfterABrokenV5", {{cfDibV5, BrokenV5}, {cfDib, GoodDib}, {cfBitmap, GoodBitmap}}, 2, u""},
        TImageFormCase{
            "BitmapAfterBrokenDibs", {{cfDibV5, BrokenV5}, {cfDib, BrokenDib}, {cfBitmap, GoodBitmap}}, 1, u""},
        TImageFormCase{"BitmapAfterABrokenDib", {{cfDib, BrokenDib}, {cfBitmap, GoodBitmap}}, 1, u""},
        TImageFormCase{"FirstErrorWhenAllFail",
                       {{cfDibV5, BrokenV5}, {cfDib, BrokenDib}, {cfBitmap, BrokenBitmap}},
                       0,
                       u"Clipboard image: the pixel data ends past the block"},
        TImageFormCase{"DibErrorWhenTheBitmapCannotBeDrawn",
                       {{cfDib, BrokenDib}, {cfBitmap, {}}},
                       0,
                       u"Clipboard image: header size 99 is not supported"},
        TImageFormCase{"BitmapErrorAlone", {{cfBitmap, BrokenBitmap}}, 0, u"Clipboard image: the block is too short"},
        TImageFormCase{"NoImage", {{cfUnicodeText, TFakeClipboard::TextBytes(u"x")}}, 0, u""}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

struct TReadErrorCase {
  const char* Name;
  std::map<std::uint32_t, std::vector<std::uint8_t>> Formats;
  bool Held;
  std::u16string Line; // how the log line begins
};

class CaptureErrorTest : public CaptureTest, public testing::WithParamInterface<TReadErrorCase> {};

TEST_P(CaptureErrorTest, IsLoggedOnceAndTheNextChangeIsCapturedNormally) {
  FClipboard.HeldByOther = GetParam().Held;
  FClipboard.CopyFormats(GetParam().Formats);
  DeliverClipboardNotifications();
  LetClipboardRetriesRun(ClipboardRetryTimeMs);
  // One line, beginning with the error's class and its own message.
  ASSERT_EQ(NewLog().size(), 1u);
  EXPECT_EQ(NewLog()[0].substr(0, GetParam().Line.size()), GetParam().Line) << ToUtf8(NewLog()[0]);
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_TRUE(FLog.Balloons.empty());
  FClipboard.HeldByOther = false;
  FClipboard.CopyText(u"next");
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 1);
}

// An image too large for what memory is left: one line per copy, no box, nothing added, and
// the history and its counter agree; the next copy that fits is captured.
TEST_F(CaptureTest, AnImageThatFindsNoMemoryIsOneLineAndTheProgramGoesOn) {
  FClipboard.ReadOutOfMemory = true;
  for (int i = 0; i < 3; ++i) {
    FClipboard.CopyImage(Gradient(16, 16 + i));
    DeliverClipboardNotifications();
  }
  const std::vector<std::u16string> log = NewLog();
  ASSERT_EQ(log.size(), 3u);
  for (const std::u16string& line : log)
    EXPECT_EQ(line, u"External clipboard read error: EOutOfMemory: Out of memory");
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_EQ(FShown, 0);
  FClipboard.ReadOutOfMemory = false;
  FClipboard.CopyImage(Gradient(16, 16));
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 1);
  EXPECT_EQ(FShown, 1);
}

// Images that would not fit the history's share of memory drop the oldest images first, with
// one line; texts stay.
TEST_F(CaptureTest, ImagesBeyondTheMemoryBudgetDropTheOldestImagesWithOneLine) {
  FHistory.SetImageBudget(3 * 64 * 67 * 4 + 100);
  FClipboard.CopyText(u"kept");
  DeliverClipboardNotifications();
  for (int i = 0; i < 4; ++i) {
    FClipboard.CopyImage(Gradient(64, 64 + i));
    DeliverClipboardNotifications();
  }
  const std::vector<std::u16string> log = NewLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], u"External clipboard captured: image 64x67");
  EXPECT_EQ(log.back(), u"History full for memory: 1 oldest image(s) dropped");
  const TClipHistory& history = FHistory;
  ASSERT_EQ(history.Count(), 4);
  EXPECT_EQ(history.Items(0).Text, u"kept");
  EXPECT_EQ(history.Items(1).Bitmap->Height(), 65);
  EXPECT_EQ(FShown, 5);
}

std::vector<std::uint8_t> TruncatedDib() {
  auto dib = EncodeDib(Gradient(8, 8));
  dib.resize(dib.size() - 1);
  return dib;
}

std::vector<std::uint8_t> UnterminatedFileList() {
  auto block = BuildDropFiles({u"C:\\a"});
  block.resize(block.size() - 4); // both final zero units gone
  return block;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureErrorTest,
    testing::Values(
        TReadErrorCase{"ClipboardHeldOpen",
                       {{cfUnicodeText, TFakeClipboard::TextBytes(u"x")}},
                       true,
                       u"External clipboard read error: EClipboardError: Cannot open clipboard: Access is denied."},
        TReadErrorCase{"TruncatedImage",
                       {{cfDib, TruncatedDib()}},
                       false,
                       u"External clipboard read error: EImageError: Clipboard image: "},
        TReadErrorCase{"UnterminatedFileList",
                       {{cfHDrop, UnterminatedFileList()}},
                       false,
                       u"External clipboard read error: EDropFilesError: Clipboard file list: "}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(CaptureTest, OwnWritesAreNotCapturedButTheNextOutsideCopyIs) {
  FExchange.PublishTextToClipboard(u"first");
  FExchange.PublishTextToClipboard(u"second");
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 2);
  EXPECT_EQ(FClipboard.Notifications, 2);
  DeliverClipboardNotifications();
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 0);
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_EQ(FClipboard.Text(), u"second");
  FClipboard.CopyText(u"outside");
  DeliverClipboardNotifications();
  ASSERT_EQ(FHistory.Count(), 1);
  EXPECT_EQ(FHistory.Last()->Text, u"outside");
  EXPECT_EQ(NewLog(), (std::vector<std::u16string>{u"System clipboard updated: text first",
                                                   u"System clipboard updated: text second",
                                                   u"External clipboard captured: text outside"}));
}

TEST_F(CaptureTest, ANotificationDuringTheWriteIsIgnoredAndLeavesTheCounter) {
  FClipboard.DuringWrite = [this] { FExchange.WMClipboardUpdate(); };
  FClipboard.CopyText(u"outside, not yet seen");
  FClipboard.Notifications = 0;
  FExchange.PublishTextToClipboard(u"mine");
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 1);
  EXPECT_EQ(FHistory.Count(), 0);
}

TEST_F(CaptureTest, FailedWritesLeaveTheMarksClear) {
  FClipboard.HeldByOther = true;
  EXPECT_THROW(FExchange.PublishTextToClipboard(u"x"), EClipboardError);
  const auto image = std::make_shared<const TBitmap32>(Gradient(3, 3));
  EXPECT_THROW(FExchange.PublishBitmapToClipboard(image), EClipboardError);
  EXPECT_NO_THROW(FExchange.PublishBitmapToClipboard(nullptr)) << "a missing image writes nothing";
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 0);
  EXPECT_TRUE(NewLog().empty());
  // The flag is down again: an outside change is captured.
  FClipboard.HeldByOther = false;
  FClipboard.CopyText(u"outside");
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 1);
}

TEST_F(CaptureTest, AnEmptyTextIsStillWrittenAndCounted) {
  FExchange.PublishTextToClipboard(u"");
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 1);
  EXPECT_EQ(FClipboard.Text(), u"");
}

TEST_F(CaptureTest, FileListsAreWrittenAsOneDropFilesBlock) {
  const std::vector<std::u16string> files = {u"C:\\a", u"C:\\longer\\path.txt"};
  FExchange.PublishFilesToClipboard(files);
  const auto& block = FClipboard.Formats.at(cfHDrop);
  EXPECT_EQ(block.size(), 20u + 2 * (4 + 1) + 2 * (18 + 1) + 2);
  EXPECT_EQ(block, BuildDropFiles(files));
  EXPECT_EQ(FClipboard.Formats.size(), 1u) << "only the file list is written";
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 1);
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{u"System clipboard updated: 2 file(s)"});
  FExchange.PublishFilesToClipboard({});
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 1);
}

TEST_F(CaptureTest, ARefusedFileListEmptiesTheClipboardUncounted) {
  FClipboard.CopyText(u"before");
  FClipboard.Notifications = 0;
  FClipboard.Refused.insert(cfHDrop);
  EXPECT_FALSE(FExchange.PublishFilesToClipboard({u"C:\\a"}));
  EXPECT_TRUE(FClipboard.Formats.empty());
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 0);
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{u"System clipboard update failed: 1 file(s)"});
  // Its notification is handled as an outside change that finds nothing.
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_EQ(NewLog().size(), 1u);
}

// The history browser's delete of the last entry empties the clipboard; that is the
// program's own change, never captured.
TEST_F(CaptureTest, EmptyingTheClipboardIsAnOwnWrite) {
  FClipboard.CopyText(u"before");
  FClipboard.Notifications = 0;
  FExchange.ClearClipboardAsOwnWrite();
  EXPECT_TRUE(FClipboard.Formats.empty());
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 1);
  DeliverClipboardNotifications();
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 0);
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_TRUE(NewLog().empty());
}

// The block is made before the clipboard is emptied: without memory for it, the user's
// clipboard stays as it was.
TEST_F(CaptureTest, AWriteWithoutMemoryLeavesTheClipboardAsItWas) {
  FClipboard.CopyText(u"the user's");
  FClipboard.Notifications = 0;
  FClipboard.AllocationFails = true;
  EXPECT_THROW(FExchange.PublishTextToClipboard(u"x"), EClipboardError);
  const auto image = std::make_shared<const TBitmap32>(Gradient(3, 3));
  EXPECT_THROW(FExchange.PublishBitmapToClipboard(image), EClipboardError);
  FExchange.PublishFilesToClipboard({u"C:\\a"});
  EXPECT_FALSE(WriteClipboardFiles(FClipboard, {u"C:\\a"}));
  EXPECT_EQ(FClipboard.Formats.size(), 1u);
  EXPECT_EQ(FClipboard.Text(), u"the user's");
  EXPECT_EQ(FClipboard.Notifications, 0) << "the clipboard was emptied";
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 0);
  EXPECT_EQ(NewLog(), std::vector<std::u16string>{u"System clipboard update failed: 1 file(s)"});
}

TEST_F(CaptureTest, PublishingTheSelectedEntryLogsTheWriteThenTheSelection) {
  FClipboard.CopyFiles({u"C:\\one", u"C:\\two"});
  DeliverClipboardNotifications();
  FClipboard.CopyText(u"line one\r\nline two");
  DeliverClipboardNotifications();
  FClipboard.CopyImage(Gradient(6, 2));
  DeliverClipboardNotifications();
  const std::size_t before = FLog.Lines.size();

  FExchange.PublishCurrentHistoryItem();
  EXPECT_TRUE(ReadClipboardImage(FClipboard).SamePixels(Gradient(6, 2)));
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 3) << "publishing never adds to the history";
  const std::vector<std::u16string> log(FLog.Lines.begin() + static_cast<std::ptrdiff_t>(before), FLog.Lines.end());
  EXPECT_EQ(log, (std::vector<std::u16string>{u"System clipboard updated: image 6x2",
                                              u"History selection copied to clipboard: Image 6x2"}));
}

// Another program holds the clipboard for a moment: reading an outside copy and putting an
// entry back wait for it on the retry timer, every 50 ms for up to a second.
class ClipboardRetryTest : public CaptureTest {
protected:
  const std::u16string HeldError =
      u"External clipboard read error: EClipboardError: Cannot open clipboard: Access is denied.";

  std::vector<std::u16string> LinesSince(std::size_t ABefore) const {
    return {FLog.Lines.begin() + static_cast<std::ptrdiff_t>(ABefore), FLog.Lines.end()};
  }
  const std::vector<std::u16string>& Lines() const { return FLog.Lines; }
  // The back hot key: the entry before the selected one goes back onto the clipboard.
  void StepBack() {
    FHistory.Prev();
    FExchange.PublishCurrentHistoryItem();
  }
  void Fill(std::initializer_list<const char16_t*> ATexts) {
    for (const char16_t* text : ATexts) {
      FClipboard.CopyText(text);
      DeliverClipboardNotifications();
    }
  }
  bool Retrying() { return FExchange.RetryTimer().Enabled(); }
};

struct THeldReadCase {
  const char* Name;
  int HeldForOpens;
  bool Captured;
  int Tries;
};

class HeldReadTest : public ClipboardRetryTest, public testing::WithParamInterface<THeldReadCase> {};

TEST_P(HeldReadTest, IsTriedAgainUntilTheClipboardIsFreeOrOneSecondHasPassed) {
  FClipboard.HeldForOpens = GetParam().HeldForOpens;
  FClipboard.CopyText(u"held");
  DeliverClipboardNotifications();
  EXPECT_TRUE(Retrying());
  EXPECT_EQ(FExchange.RetryTimer().Interval(), ClipboardRetryIntervalMs);
  LetClipboardRetriesRun(ClipboardRetryTimeMs - ClipboardRetryIntervalMs);
  if (!GetParam().Captured) {
    EXPECT_TRUE(Lines().empty()) << "an error before the last try";
  }
  LetClipboardRetriesRun(3000);
  EXPECT_FALSE(Retrying());
  EXPECT_EQ(FClipboard.OpenAttempts, GetParam().Tries) << "no read after the capture or the last try";
  if (GetParam().Captured) {
    EXPECT_EQ(Lines(), std::vector<std::u16string>{u"External clipboard captured: text held"});
    EXPECT_EQ(FLog.Balloons, std::vector<std::u16string>{u"Copied text"});
    EXPECT_EQ(FHistory.Count(), 1);
    return;
  }
  EXPECT_EQ(Lines(), std::vector<std::u16string>{HeldError});
  EXPECT_TRUE(FLog.Balloons.empty());
  EXPECT_EQ(FHistory.Count(), 0);
  FClipboard.HeldForOpens = 0;
  FClipboard.CopyText(u"next");
  DeliverClipboardNotifications();
  ASSERT_EQ(FHistory.Count(), 1);
  EXPECT_EQ(FHistory.Last()->Text, u"next");
}

// One try at once, then one per tick up to and including the tick at one second.
INSTANTIATE_TEST_SUITE_P(Cases, HeldReadTest,
                         testing::Values(THeldReadCase{"FreeAtTheFirstRetry", 1, true, 2},
                                         THeldReadCase{"FreeAtTheLastTry", 20, true, 21},
                                         THeldReadCase{"HeldOneTryTooLong", 21, false, 21},
                                         THeldReadCase{"HeldForLong", 1000, false, 21}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(ClipboardRetryTest, ANewerChangeTakesOverTheWaitingReadWithTheWholeTimeAgain) {
  FClipboard.HeldByOther = true;
  FClipboard.CopyText(u"older");
  DeliverClipboardNotifications();
  LetClipboardRetriesRun(600);
  FClipboard.CopyText(u"newer");
  DeliverClipboardNotifications();
  LetClipboardRetriesRun(800); // past the older change's second, within the newer one's
  EXPECT_TRUE(Lines().empty());
  FClipboard.HeldByOther = false;
  LetClipboardRetriesRun(ClipboardRetryIntervalMs);
  ASSERT_EQ(FHistory.Count(), 1);
  EXPECT_EQ(FHistory.Last()->Text, u"newer");
  const int opens = FClipboard.OpenAttempts;
  LetClipboardRetriesRun(2000);
  EXPECT_EQ(FClipboard.OpenAttempts, opens) << "one read serves both changes";
  EXPECT_EQ(Lines(), std::vector<std::u16string>{u"External clipboard captured: text newer"});
}

TEST_F(ClipboardRetryTest, ANewerChangeReadAtOnceEndsTheWait) {
  FClipboard.HeldByOther = true;
  FClipboard.CopyText(u"older");
  DeliverClipboardNotifications();
  LetClipboardRetriesRun(300);
  FClipboard.HeldByOther = false;
  FClipboard.CopyText(u"newer");
  DeliverClipboardNotifications();
  EXPECT_FALSE(Retrying());
  const int opens = FClipboard.OpenAttempts;
  LetClipboardRetriesRun(2000);
  EXPECT_EQ(FClipboard.OpenAttempts, opens);
  EXPECT_EQ(FHistory.Count(), 1);
  EXPECT_EQ(Lines(), std::vector<std::u16string>{u"External clipboard captured: text newer"});
}

// The program's own write replaces what the read waited for: the read gives up with its
// error, and never takes the program's text for an outside copy.
TEST_F(ClipboardRetryTest, AnOwnWriteEndsAWaitingRead) {
  FClipboard.HeldByOther = true;
  FClipboard.CopyText(u"outside");
  DeliverClipboardNotifications();
  LetClipboardRetriesRun(200);
  FClipboard.HeldByOther = false;
  FExchange.PublishTextToClipboard(u"mine");
  EXPECT_FALSE(Retrying());
  LetClipboardRetriesRun(2000);
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 0);
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{HeldError, u"System clipboard updated: text mine"}));
}

TEST_F(ClipboardRetryTest, PuttingAnEntryBackWaitsForTheClipboard) {
  Fill({u"a", u"b"});
  const std::size_t before = FLog.Lines.size();
  FClipboard.HeldForOpens = 3;
  EXPECT_NO_THROW(StepBack());
  EXPECT_EQ(FClipboard.Text(), u"b");
  EXPECT_TRUE(Retrying());
  LetClipboardRetriesRun(3 * ClipboardRetryIntervalMs);
  EXPECT_EQ(FClipboard.Text(), u"a");
  EXPECT_FALSE(Retrying());
  EXPECT_EQ(LinesSince(before), (std::vector<std::u16string>{u"System clipboard updated: text a",
                                                             u"History selection copied to clipboard: a"}));
  DeliverClipboardNotifications();
  EXPECT_EQ(FHistory.Count(), 2);
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 0);
}

TEST_F(ClipboardRetryTest, PuttingAnEntryBackFailsOnceAfterTheLastTry) {
  Fill({u"a", u"b"});
  const std::size_t before = FLog.Lines.size();
  FClipboard.HeldByOther = true;
  EXPECT_NO_THROW(StepBack());
  EXPECT_NO_THROW(LetClipboardRetriesRun(ClipboardRetryTimeMs - ClipboardRetryIntervalMs));
  try {
    LetClipboardRetriesRun(ClipboardRetryIntervalMs);
    ADD_FAILURE() << "no error after the last try";
  } catch (const EClipboardError& e) {
    EXPECT_EQ(e.ClassName(), u"EClipboardError");
    EXPECT_EQ(e.Message(), u"Cannot open clipboard: Access is denied.");
  }
  EXPECT_FALSE(Retrying());
  EXPECT_NO_THROW(LetClipboardRetriesRun(2000)) << "the error comes once";
  EXPECT_EQ(FClipboard.Text(), u"b");
  EXPECT_TRUE(LinesSince(before).empty());
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 0);
  // The next request starts afresh: from the first entry, back wraps round to the last.
  FClipboard.HeldByOther = false;
  StepBack();
  EXPECT_EQ(LinesSince(before), (std::vector<std::u16string>{u"System clipboard updated: text b",
                                                             u"History selection copied to clipboard: b"}));
}

TEST_F(ClipboardRetryTest, ASecondRequestTakesThePlaceOfTheWaitingOne) {
  Fill({u"a", u"b", u"c"});
  const std::size_t before = FLog.Lines.size();
  FClipboard.HeldByOther = true;
  StepBack(); // b waits
  LetClipboardRetriesRun(600);
  StepBack(); // a takes its place, with the whole second again
  EXPECT_NO_THROW(LetClipboardRetriesRun(800));
  FClipboard.HeldByOther = false;
  LetClipboardRetriesRun(ClipboardRetryIntervalMs);
  EXPECT_EQ(FClipboard.Text(), u"a");
  EXPECT_EQ(FExchange.PendingInternalClipboardUpdates(), 1) << "one write";
  EXPECT_EQ(LinesSince(before), (std::vector<std::u16string>{u"System clipboard updated: text a",
                                                             u"History selection copied to clipboard: a"}));
}

// A copy made after the request is newer than the entry that waits: it stays on the
// clipboard and becomes the selection.
TEST_F(ClipboardRetryTest, AnOutsideCopyWinsOverAWaitingEntry) {
  Fill({u"a", u"b"});
  const std::size_t before = FLog.Lines.size();
  FClipboard.HeldByOther = true;
  StepBack();
  LetClipboardRetriesRun(200);
  FClipboard.HeldByOther = false;
  FClipboard.CopyText(u"c");
  DeliverClipboardNotifications();
  EXPECT_FALSE(Retrying());
  LetClipboardRetriesRun(2000);
  EXPECT_EQ(FClipboard.Text(), u"c");
  EXPECT_EQ(FHistory.Index(), 2);
  EXPECT_EQ(LinesSince(before), std::vector<std::u16string>{u"External clipboard captured: text c"});
}

} // namespace
} // namespace tarvel
