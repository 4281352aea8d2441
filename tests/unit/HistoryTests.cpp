#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/Bitmap32.h"
#include "core/DateTime.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "fakes/FakeClock.h"
#include "history/HistoryFind.h"
#include "history/TextMerge.h"
#include "history/uHistory.h"

namespace tarvel {
namespace {

// ---------------------------------------------------------------------------------------------
// Helpers

std::vector<std::u16string> Texts(const TClipHistory& AHistory) {
  std::vector<std::u16string> r;
  for (int i = 0; i < AHistory.Count(); ++i)
    r.push_back(AHistory.Items(i).Text);
  return r;
}

// Adds one entry per letter: "abc" adds "a", "b", "c".
void AddLetters(TClipHistory& AHistory, std::u16string_view ALetters) {
  for (char16_t c : ALetters)
    AHistory.AddText(std::u16string(1, c));
}

// An image whose every pixel differs from its neighbours, so that a sampling fault shows.
TBitmap32 Gradient(int AWidth, int AHeight) {
  TBitmap32 r(AWidth, AHeight);
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x)
      r.SetPixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(x * 7 + y * 131) % 0xFFFFFFu);
  return r;
}

class HistoryTest : public ::testing::Test {
protected:
  TFakeClock FClock;
  TClipHistory FHistory{10, FClock};
};

// ---------------------------------------------------------------------------------------------
// Limit

TEST(HistoryLimitTest, LimitBelowOneBecomesOneAndKeepsOnlyTheNewest) {
  TFakeClock clock;
  for (int limit : {0, -5}) {
    TClipHistory history(limit, clock);
    EXPECT_EQ(history.Limit(), 1) << "Create(" << limit << ")";
    history.AddText(u"first");
    history.AddText(u"second");
    EXPECT_EQ(Texts(history), std::vector<std::u16string>{u"second"}) << "Create(" << limit << ")";
    EXPECT_EQ(history.Index(), 0);
  }
}

TEST_F(HistoryTest, SetLimitBelowOneBecomesOne) {
  AddLetters(FHistory, u"abc");
  FHistory.SetLimit(-3);
  EXPECT_EQ(FHistory.Limit(), 1);
  EXPECT_EQ(Texts(FHistory), std::vector<std::u16string>{u"c"});
  EXPECT_EQ(FHistory.Index(), 0);
}

TEST(HistoryLimitTest, FullHistoryDropsTheOldestAndSelectsTheNewest) {
  TFakeClock clock;
  TClipHistory history(3, clock);
  AddLetters(history, u"abcd");
  EXPECT_EQ(Texts(history), (std::vector<std::u16string>{u"b", u"c", u"d"}));
  EXPECT_EQ(history.Index(), 2);
  EXPECT_EQ(history.Current()->Text, u"d");
}

TEST_F(HistoryTest, AddSelectsTheNewestWhateverWasSelected) {
  AddLetters(FHistory, u"abc");
  FHistory.Select(0);
  FHistory.AddText(u"d");
  EXPECT_EQ(FHistory.Index(), 3);
}

struct TLowerLimitCase {
  int Selected;
  int ExpectedIndex;
};

void PrintTo(const TLowerLimitCase& ACase, std::ostream* AOut) {
  *AOut << "selected " << ACase.Selected << " -> " << ACase.ExpectedIndex;
}

class HistoryLowerLimitTest : public ::testing::TestWithParam<TLowerLimitCase> {};

// The selection keeps its number rather than following its entry.
TEST_P(HistoryLowerLimitTest, KeepsTheNewestAndTheSelectedNumber) {
  TFakeClock clock;
  TClipHistory history(10, clock);
  AddLetters(history, u"abcdefghij");
  history.Select(GetParam().Selected);
  history.SetLimit(4);
  EXPECT_EQ(Texts(history), (std::vector<std::u16string>{u"g", u"h", u"i", u"j"}));
  EXPECT_EQ(history.Index(), GetParam().ExpectedIndex);
}

INSTANTIATE_TEST_SUITE_P(Cases, HistoryLowerLimitTest,
                         ::testing::Values(TLowerLimitCase{8, 3}, TLowerLimitCase{1, 1}, TLowerLimitCase{3, 3},
                                           TLowerLimitCase{9, 3}));

TEST_F(HistoryTest, RaisingTheLimitKeepsEntriesAndSelection) {
  AddLetters(FHistory, u"abc");
  FHistory.Select(1);
  FHistory.SetLimit(50);
  EXPECT_EQ(FHistory.Limit(), 50);
  EXPECT_EQ(FHistory.Count(), 3);
  EXPECT_EQ(FHistory.Index(), 1);
}

TEST_F(HistoryTest, LoweringTheLimitOnAnEmptyHistoryKeepsItEmpty) {
  FHistory.SetLimit(2);
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_EQ(FHistory.Index(), -1);
}

// ---------------------------------------------------------------------------------------------
// Selection

TEST_F(HistoryTest, EmptyHistoryHasNoCurrentNoLastAndIgnoresMoves) {
  EXPECT_EQ(FHistory.Index(), -1);
  EXPECT_EQ(FHistory.Current(), nullptr);
  EXPECT_EQ(FHistory.Last(), nullptr);
  FHistory.Next();
  EXPECT_EQ(FHistory.Index(), -1);
  FHistory.Prev();
  EXPECT_EQ(FHistory.Index(), -1);
  FHistory.Select(3);
  EXPECT_EQ(FHistory.Index(), -1);
}

TEST_F(HistoryTest, NextAndPrevWrapAround) {
  AddLetters(FHistory, u"abc");
  FHistory.Next(); // from the newest
  EXPECT_EQ(FHistory.Index(), 0);
  FHistory.Next();
  EXPECT_EQ(FHistory.Index(), 1);
  FHistory.Prev();
  FHistory.Prev(); // from the oldest
  EXPECT_EQ(FHistory.Index(), 2);
  EXPECT_EQ(FHistory.Current()->Text, u"c");
}

TEST_F(HistoryTest, NextAndPrevStayOnTheOnlyEntry) {
  FHistory.AddText(u"a");
  FHistory.Next();
  EXPECT_EQ(FHistory.Index(), 0);
  FHistory.Prev();
  EXPECT_EQ(FHistory.Index(), 0);
}

TEST_F(HistoryTest, SelectClampsToTheEntries) {
  AddLetters(FHistory, u"abcde");
  FHistory.Select(99);
  EXPECT_EQ(FHistory.Index(), 4);
  FHistory.Select(-3);
  EXPECT_EQ(FHistory.Index(), 0);
  FHistory.Select(2);
  EXPECT_EQ(FHistory.Index(), 2);
}

TEST_F(HistoryTest, CurrentIsTheSelectedEntryAndLastTheNewest) {
  AddLetters(FHistory, u"abc");
  FHistory.Select(0);
  EXPECT_EQ(FHistory.Current()->Text, u"a");
  EXPECT_EQ(FHistory.Last()->Text, u"c");
}

// ---------------------------------------------------------------------------------------------
// DeleteAt

struct TDeleteCase {
  const char* Name;
  std::u16string Entries; // one letter per entry
  int Selected;
  int Deleted;
  int ExpectedResult;
  int ExpectedIndex;
  std::u16string ExpectedEntries;
};

void PrintTo(const TDeleteCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class HistoryDeleteTest : public ::testing::TestWithParam<TDeleteCase> {};

TEST_P(HistoryDeleteTest, RemovesAndSelects) {
  const TDeleteCase& c = GetParam();
  TFakeClock clock;
  TClipHistory history(10, clock);
  AddLetters(history, c.Entries);
  history.Select(c.Selected);

  EXPECT_EQ(history.DeleteAt(c.Deleted), c.ExpectedResult);

  EXPECT_EQ(history.Index(), c.ExpectedIndex);
  std::u16string remaining;
  for (const std::u16string& text : Texts(history))
    remaining += text;
  EXPECT_EQ(remaining, c.ExpectedEntries);
}

INSTANTIATE_TEST_SUITE_P(Cases, HistoryDeleteTest,
                         ::testing::Values(TDeleteCase{"FirstSelectsNewFirst", u"abc", 2, 0, 0, 0, u"bc"},
                                           TDeleteCase{"LastSelectsTheOneBefore", u"abc", 0, 2, 1, 1, u"ab"},
                                           TDeleteCase{"MiddleSelectsTheOneBefore", u"abc", 2, 1, 0, 0, u"ac"},
                                           TDeleteCase{"OnlyEntryEmpties", u"a", 0, 0, -1, -1, u""},
                                           TDeleteCase{"PastTheEndChangesNothing", u"abc", 1, 7, -1, 1, u"abc"},
                                           TDeleteCase{"JustPastTheEndChangesNothing", u"abc", 1, 3, -1, 1, u"abc"},
                                           TDeleteCase{"NegativeChangesNothing", u"abc", 1, -1, -1, 1, u"abc"},
                                           TDeleteCase{"OnEmptyChangesNothing", u"", 0, 0, -1, -1, u""}),
                         [](const ::testing::TestParamInfo<TDeleteCase>& AInfo) {
                           return std::string(AInfo.param.Name);
                         });

// ---------------------------------------------------------------------------------------------
// Items

TEST_F(HistoryTest, ItemsOutsideTheListRaiseRangeError) {
  EXPECT_THROW(FHistory.Items(0), ERangeError);
  AddLetters(FHistory, u"ab");
  EXPECT_EQ(FHistory.Items(1).Text, u"b");
  EXPECT_THROW(FHistory.Items(2), ERangeError);
  EXPECT_THROW(FHistory.Items(-1), ERangeError);
}

TEST_F(HistoryTest, TimeStampComesFromTheClock) {
  FHistory.AddText(u"a");
  const double first = ToDateTimeValue(FClock.Now());
  FClock.Advance(90'000);
  FHistory.AddFiles({u"C:\\a.txt"});
  EXPECT_DOUBLE_EQ(FHistory.Items(0).TimeStamp, first);
  EXPECT_DOUBLE_EQ(FHistory.Items(1).TimeStamp, ToDateTimeValue(FClock.Now()));
  EXPECT_GT(FHistory.Items(1).TimeStamp, first);
}

// ---------------------------------------------------------------------------------------------
// Adding each kind

TEST_F(HistoryTest, BlankTextAddsNothing) {
  FHistory.AddText(u"");
  FHistory.AddText(u"  \r\n\t \r ");
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_EQ(FHistory.Index(), -1);
}

TEST_F(HistoryTest, TextKeepsItsBlanksButThePreviewDoesNot) {
  FHistory.AddText(u"  x  ");
  ASSERT_EQ(FHistory.Count(), 1);
  const TClipHistoryItem& item = FHistory.Items(0);
  EXPECT_EQ(item.Kind, cikText);
  EXPECT_EQ(item.Text, u"  x  ");
  EXPECT_EQ(item.Preview, u"x");
  EXPECT_TRUE(item.Signature.empty()) << "a text is held once, in Text";
  EXPECT_EQ(item.Bitmap, nullptr);
  EXPECT_TRUE(item.Files.empty());
}

TEST_F(HistoryTest, FilesKeepTheirOrderAndGetACountPreview) {
  FHistory.AddFiles({});
  EXPECT_EQ(FHistory.Count(), 0);

  std::vector<std::u16string> files{u"C:\\b.txt", u"D:\\a b\\c.png"};
  FHistory.AddFiles(files);
  files.clear(); // the entry has its own copy
  ASSERT_EQ(FHistory.Count(), 1);
  const TClipHistoryItem& item = FHistory.Items(0);
  EXPECT_EQ(item.Kind, cikFiles);
  EXPECT_EQ(item.Files, (std::vector<std::u16string>{u"C:\\b.txt", u"D:\\a b\\c.png"}));
  EXPECT_EQ(item.Preview, u"2 file(s)");
  EXPECT_EQ(item.Signature, u"C:\\b.txt|D:\\a b\\c.png");
  EXPECT_TRUE(item.Text.empty());
  EXPECT_EQ(item.Bitmap, nullptr);
}

TEST(HistoryFilesSignatureTest, JoinsWithBarsBetweenOnly) {
  EXPECT_EQ(MakeFilesSignature({}), u"");
  EXPECT_EQ(MakeFilesSignature({u"C:\\a"}), u"C:\\a");
  EXPECT_EQ(MakeFilesSignature({u"C:\\a", u"C:\\b", u"C:\\c"}), u"C:\\a|C:\\b|C:\\c");
}

TEST_F(HistoryTest, MissingOrEmptyImageAddsNothing) {
  FHistory.AddBitmap(nullptr);
  const TBitmap32 noRows(5, 0);
  FHistory.AddBitmap(&noRows);
  const TBitmap32 noColumns(0, 5);
  FHistory.AddBitmap(&noColumns);
  FHistory.AddBitmap(TBitmap32());
  EXPECT_EQ(FHistory.Count(), 0);
  EXPECT_EQ(FHistory.Index(), -1);
}

TEST_F(HistoryTest, ImageEntryOwnsAnIndependentCopy) {
  TBitmap32 image = Gradient(3, 2);
  const TBitmap32 original = image;
  FHistory.AddBitmap(&image);
  image.Fill(0xFFFFFFFF);

  ASSERT_EQ(FHistory.Count(), 1);
  const TClipHistoryItem& item = FHistory.Items(0);
  EXPECT_EQ(item.Kind, cikImage);
  ASSERT_NE(item.Bitmap, nullptr);
  EXPECT_NE(item.Bitmap.get(), &image);
  EXPECT_TRUE(item.Bitmap->SamePixels(original));
  EXPECT_EQ(item.Preview, u"Image 3x2");
  EXPECT_EQ(item.Signature, MakeBitmapSignature(&original));
  EXPECT_TRUE(item.Text.empty());
  EXPECT_TRUE(item.Files.empty());
}

TEST_F(HistoryTest, MovedImageKeepsItsPixelBuffer) {
  TBitmap32 image = Gradient(40, 30);
  const TBitmap32 original = image;
  const std::uint8_t* pixels = image.Bits();
  FHistory.AddBitmap(std::move(image));

  ASSERT_EQ(FHistory.Count(), 1);
  const TClipHistoryItem& item = FHistory.Items(0);
  EXPECT_EQ(item.Bitmap->Bits(), pixels) << "the pixels were copied instead of moved";
  EXPECT_TRUE(item.Bitmap->SamePixels(original));
  EXPECT_EQ(item.Preview, u"Image 40x30");
  EXPECT_EQ(item.Signature, MakeBitmapSignature(&original));
}

TEST(HistoryCopyTest, CopyIsUnscaledAndIndependent) {
  TBitmap32 image = Gradient(5, 4);
  std::unique_ptr<TBitmap32> copy = CopyTo32BitBitmap(image);
  EXPECT_TRUE(copy->SamePixels(image));
  image.SetPixel(0, 0, 0);
  EXPECT_NE(copy->Pixel(0, 0), 0u);
}

// ---------------------------------------------------------------------------------------------
// Preview text

struct TPreviewCase {
  const char* Name;
  std::u16string Text;
  std::u16string Expected;
};

void PrintTo(const TPreviewCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class HistoryPreviewTest : public ::testing::TestWithParam<TPreviewCase> {};

TEST_P(HistoryPreviewTest, MakesOneLine) {
  EXPECT_EQ(MakeItemPreview(GetParam().Text), GetParam().Expected);
}

const std::u16string Long87(87, u'x');
const std::u16string Long90(90, u'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, HistoryPreviewTest,
    ::testing::Values(TPreviewCase{"Empty", u"", u""}, TPreviewCase{"OnlyBlanks", u" \r\n\t\x01 ", u""},
                      TPreviewCase{"TrimsBlanksAndControls", u"\x01\t  x \x1f\r\n", u"x"},
                      TPreviewCase{"CrLfPairsBecomeOneSpace", u"one\r\n\r\ntwo", u"one two"},
                      TPreviewCase{"LoneCr", u"a\rb", u"a b"}, TPreviewCase{"LoneLf", u"a\nb", u"a b"},
                      TPreviewCase{"LfCrIsTwoBreaksButOneSpace", u"a\n\rb", u"a b"},
                      TPreviewCase{"CrBeforeCrLf", u"a\r\r\nb", u"a b"}, TPreviewCase{"Tab", u"a\tb", u"a b"},
                      TPreviewCase{"RunsOfSpacesCollapse", u"a     b  c", u"a b c"},
                      TPreviewCase{"MixedBreaksAndSpacesCollapse", u"a \t\r\n  \n b", u"a b"},
                      TPreviewCase{"OtherControlsInsideStay", u"a\x01\x0b!", u"a\x01\x0b!"},
                      TPreviewCase{"HundredIsCutTo87AndDots", std::u16string(100, u'x'), Long87 + u"..."},
                      TPreviewCase{"NinetyIsShownWhole", Long90, Long90},
                      TPreviewCase{"NinetyOneIsCut", Long90 + u"y", Long87 + u"..."},
                      TPreviewCase{"TrailingBlanksDoNotCount", u"  " + Long90 + u" \r\n", Long90},
                      TPreviewCase{"CutCountsTheCollapsedText",
                                   std::u16string(60, u'a') + std::u16string(100, u' ') + std::u16string(29, u'b'),
                                   std::u16string(60, u'a') + u" " + std::u16string(29, u'b')},
                      TPreviewCase{"CutIsInCodeUnits",
                                   std::u16string(86, u'x') + u"\U0001F600" + u"tail", // emoji: 2 units
                                   std::u16string(86, u'x') + u"\xD83D" + u"..."}),
    [](const ::testing::TestParamInfo<TPreviewCase>& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------------------------
// Duplicate tests

TEST_F(HistoryTest, NothingIsADuplicateOfAnEmptyHistory) {
  const TBitmap32 image(1, 1, 0);
  EXPECT_FALSE(FHistory.IsImmediateDuplicateText(u"a"));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateBitmap(&image));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateFiles({u"C:\\a"}));
}

TEST_F(HistoryTest, TextDuplicateIsExactAndAgainstTheNewestOnly) {
  FHistory.AddText(u"Word");
  EXPECT_TRUE(FHistory.IsImmediateDuplicateText(u"Word"));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateText(u"word"));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateText(u"Word "));

  const TBitmap32 image(2, 2, 0);
  FHistory.AddBitmap(&image);
  FHistory.Select(0); // the matching text is selected, but it is not the newest
  EXPECT_FALSE(FHistory.IsImmediateDuplicateText(u"Word"));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateText(u"")); // the image's own Text is empty
}

TEST_F(HistoryTest, DuplicateIgnoresTheSelection) {
  AddLetters(FHistory, u"ab");
  FHistory.Select(0);
  EXPECT_TRUE(FHistory.IsImmediateDuplicateText(u"b"));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateText(u"a"));
}

TEST_F(HistoryTest, FilesDuplicateNeedsTheSameOrder) {
  FHistory.AddFiles({u"C:\\a", u"C:\\b"});
  EXPECT_TRUE(FHistory.IsImmediateDuplicateFiles({u"C:\\a", u"C:\\b"}));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateFiles({u"C:\\b", u"C:\\a"}));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateFiles({u"C:\\a"}));

  FHistory.AddText(u"C:\\a|C:\\b"); // same signature, other kind
  EXPECT_FALSE(FHistory.IsImmediateDuplicateFiles({u"C:\\a", u"C:\\b"}));
}

TEST_F(HistoryTest, BitmapDuplicateComparesSignaturesOfTheNewestImage) {
  const TBitmap32 image = Gradient(20, 10);
  FHistory.AddBitmap(&image);
  const TBitmap32 sameColours = image;
  EXPECT_TRUE(FHistory.IsImmediateDuplicateBitmap(&sameColours));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateBitmap(nullptr));
  const TBitmap32 other = Gradient(10, 20);
  EXPECT_FALSE(FHistory.IsImmediateDuplicateBitmap(&other));

  FHistory.AddText(MakeBitmapSignature(&image)); // same signature, other kind
  EXPECT_FALSE(FHistory.IsImmediateDuplicateBitmap(&image));
}

TEST_F(HistoryTest, EqualSignaturesAreConfirmedPixelByPixel) {
  // 1920 x 1080 is sampled every 30th column and every 16th row: (1, 1) is not sampled.
  const TBitmap32 screen = Gradient(1920, 1080);
  FHistory.AddBitmap(&screen);
  TBitmap32 caretMoved = screen;
  caretMoved.SetPixel(1, 1, ~caretMoved.Pixel(1, 1));
  ASSERT_EQ(MakeBitmapSignature(&caretMoved), FHistory.Last()->Signature);
  EXPECT_FALSE(FHistory.IsImmediateDuplicateBitmap(&caretMoved));
  // Only the colours count, as in the signature.
  TBitmap32 otherFourthByte = screen;
  otherFourthByte.SetPixel(1, 1, otherFourthByte.Pixel(1, 1) ^ 0xFF000000u);
  EXPECT_TRUE(FHistory.IsImmediateDuplicateBitmap(&otherFourthByte));
}

// A capture that differs from the newest only in one colour channel of one pixel is a new
// image, whether the signature samples that pixel or only the comparison of every pixel
// sees it.
TEST_F(HistoryTest, EveryColourChannelTellsImagesApart) {
  // 1920 x 1080 is sampled every 30th column and every 16th row.
  const TBitmap32 screen = Gradient(1920, 1080);
  FHistory.AddBitmap(&screen);
  const struct {
    const char* Name;
    std::uint32_t Bit;
  } channels[] = {{"blue", 0x00000001u}, {"green", 0x00000100u}, {"red", 0x00010000u}};
  const struct {
    int X, Y;
    bool Sampled;
  } pixels[] = {{30, 16, true}, {1, 1, false}};
  for (const auto& channel : channels)
    for (const auto& pixel : pixels) {
      SCOPED_TRACE(testing::Message() << channel.Name << " at " << pixel.X << "," << pixel.Y);
      TBitmap32 changed = screen;
      changed.SetPixel(pixel.X, pixel.Y, changed.Pixel(pixel.X, pixel.Y) ^ channel.Bit);
      EXPECT_EQ(MakeBitmapSignature(&changed) != FHistory.Last()->Signature, pixel.Sampled);
      EXPECT_FALSE(FHistory.IsImmediateDuplicateBitmap(&changed));
    }
}

// ---------------------------------------------------------------------------------------------
// Image signature

TEST(HistoryBitmapSignatureTest, OnePixelImagesHaveTheKnownValues) {
  const TBitmap32 black(1, 1, 0x00000000u);
  const TBitmap32 blue10Green20Red30(1, 1, 0x00302010u);
  EXPECT_EQ(MakeBitmapSignature(&black), u"1:1:9788637349192732210");
  EXPECT_EQ(MakeBitmapSignature(&blue10Green20Red30), u"1:1:9788637349293657138");
}

TEST(HistoryBitmapSignatureTest, FourthByteIsIgnored) {
  const TBitmap32 opaque(1, 1, 0xFF000000u);
  EXPECT_EQ(MakeBitmapSignature(&opaque), u"1:1:9788637349192732210");
  TBitmap32 screen = Gradient(300, 200);
  const std::u16string before = MakeBitmapSignature(&screen);
  screen.SetPixel(0, 0, screen.Pixel(0, 0) ^ 0xFF000000u);
  EXPECT_EQ(MakeBitmapSignature(&screen), before);
}

TEST(HistoryBitmapSignatureTest, MissingOrEmptyImageHasNone) {
  const TBitmap32 empty(0, 3);
  EXPECT_EQ(MakeBitmapSignature(nullptr), u"");
  EXPECT_EQ(MakeBitmapSignature(&empty), u"");
}

TEST(HistoryBitmapSignatureTest, MixXorsTheLowHalfThenRotatesLeftByFive) {
  std::uint64_t hash = 0x8000000000000001ULL;
  MixSignatureValue(hash, 0xFFFFFFFFu);
  EXPECT_EQ(hash, 0x0000001FFFFFFFD0ULL);
}

class HistoryScreenSignatureTest : public ::testing::Test {
protected:
  // 1920 x 1080 is sampled every 30th column and every 16th row.
  TBitmap32 FScreen = Gradient(1920, 1080);
  std::u16string FSignature = MakeBitmapSignature(&FScreen);
};

TEST_F(HistoryScreenSignatureTest, SameScreenTwiceIsEqual) {
  const TBitmap32 again = Gradient(1920, 1080);
  EXPECT_EQ(MakeBitmapSignature(&again), FSignature);
  EXPECT_EQ(FSignature.rfind(u"1920:1080:", 0), 0u) << "signature: " << testing::PrintToString(FSignature);
}

TEST_F(HistoryScreenSignatureTest, DifferentSizeNeverEquals) {
  TBitmap32 shorter(1920, 1079);
  shorter.Draw(0, 0, FScreen);
  EXPECT_NE(MakeBitmapSignature(&shorter), FSignature);
  const TBitmap32 black(1920, 1080, 0);
  const TBitmap32 blackTaller(1920, 1081, 0);
  EXPECT_NE(MakeBitmapSignature(&blackTaller), MakeBitmapSignature(&black));
}

TEST_F(HistoryScreenSignatureTest, OnlySampledPixelsCount) {
  for (auto [x, y] : {std::pair{1, 1}, std::pair{29, 0}, std::pair{0, 15}, std::pair{1919, 1079}}) {
    TBitmap32 changed = FScreen;
    changed.SetPixel(x, y, ~changed.Pixel(x, y));
    EXPECT_EQ(MakeBitmapSignature(&changed), FSignature) << "unsampled " << x << "," << y;
  }
  for (auto [x, y] : {std::pair{0, 0}, std::pair{30, 16}, std::pair{1890, 1072}}) {
    TBitmap32 changed = FScreen;
    changed.SetPixel(x, y, changed.Pixel(x, y) ^ 0x00010000u);
    EXPECT_NE(MakeBitmapSignature(&changed), FSignature) << "sampled " << x << "," << y;
  }
}

TEST(HistoryBitmapSignatureTest, SidesBelow128AreSampledAtEveryPixel) {
  for (auto [w, h] : {std::pair{127, 127}, std::pair{50, 3}}) {
    const TBitmap32 image = Gradient(w, h);
    TBitmap32 changed = image;
    changed.SetPixel(w - 1, h - 1, changed.Pixel(w - 1, h - 1) ^ 0x00000001u);
    EXPECT_NE(MakeBitmapSignature(&changed), MakeBitmapSignature(&image)) << w << "x" << h;
  }
}

// ---------------------------------------------------------------------------------------------
// Images kept packed

// A screen-like image: a plain background with a few marks where AMark says.
TBitmap32 Marked(int AMark, int AWidth = 640, int AHeight = 400) {
  TBitmap32 b(AWidth, AHeight, 0xFFF0F0F0u);
  for (int y = 10; y < 30; ++y)
    for (int x = 0; x < 200; ++x)
      b.SetPixel((x * 7 + AMark * 13) % AWidth, y + AMark % 300, 0xFF000000u | static_cast<std::uint32_t>(x * AMark));
  return b;
}

class HistoryPackingTest : public HistoryTest {
protected:
  // Packs what the history asks for, as the program's workers do.
  int PackAll() {
    const std::vector<TClipHistory::TPackJob> jobs = FHistory.TakePackJobs();
    for (const TClipHistory::TPackJob& job : jobs)
      FHistory.StorePacked(job, std::make_shared<const TPackedImage>(TPackedImage::Pack(*job.Bitmap)));
    return static_cast<int>(jobs.size());
  }
  // Per entry: 'P' packed only, 'B' pixels only, '2' both.
  std::string States() const {
    std::string r;
    for (int i = 0; i < FHistory.Count(); ++i) {
      const TClipHistoryItem& item = FHistory.Items(i);
      r += item.Packed && item.Bitmap ? '2' : item.Packed ? 'P' : item.Bitmap ? 'B' : '-';
    }
    return r;
  }
};

TEST_F(HistoryPackingTest, AllButTheSelectedImageArePackedAndComeBackWhole) {
  for (int i = 1; i <= 3; ++i)
    FHistory.AddBitmap(Marked(i));
  FHistory.AddText(u"text");
  EXPECT_EQ(PackAll(), 3);
  EXPECT_EQ(States(), "PPP-");
  EXPECT_EQ(PackAll(), 0) << "nothing is packed twice";

  // Selecting an entry unpacks it and keeps the pixels while it stays selected.
  FHistory.Select(1);
  const std::shared_ptr<const TBitmap32> picture = FHistory.Picture(1);
  ASSERT_TRUE(picture);
  EXPECT_TRUE(picture->SamePixels(Marked(2)));
  EXPECT_EQ(FHistory.Picture(1), picture) << "the selected entry keeps its pixels";
  EXPECT_EQ(States(), "P2P-");
  // An entry that is not selected is unpacked for the caller only.
  EXPECT_TRUE(FHistory.Picture(0)->SamePixels(Marked(1)));
  EXPECT_EQ(States(), "P2P-");
  EXPECT_EQ(FHistory.Picture(3), nullptr);

  // Moving on lets the pixels go; whoever still shows them keeps them alive.
  FHistory.Next();
  EXPECT_EQ(States(), "PPP-");
  EXPECT_TRUE(picture->SamePixels(Marked(2)));
  EXPECT_LT(FHistory.ImageBytes(), 3 * Marked(1).ByteSize() / 20);
}

TEST_F(HistoryPackingTest, LateFailedAndPendingJobs) {
  FHistory.AddBitmap(Marked(1));
  FHistory.AddBitmap(Marked(2));
  std::vector<TClipHistory::TPackJob> jobs = FHistory.TakePackJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(FHistory.TakePackJobs().empty()) << "an entry on its way is not handed out again";

  // A copy that could not be made leaves the pixels, and the entry is offered again.
  FHistory.StorePacked(jobs[0], nullptr);
  EXPECT_EQ(States(), "BB");
  jobs = FHistory.TakePackJobs();
  ASSERT_EQ(jobs.size(), 1u);

  // The entry went before its copy came: the copy is dropped.
  FHistory.DeleteAt(0);
  FHistory.StorePacked(jobs[0], std::make_shared<const TPackedImage>(TPackedImage::Pack(*jobs[0].Bitmap)));
  EXPECT_EQ(States(), "B");

  // A copy that arrives once its entry is selected again is kept beside the pixels.
  FHistory.AddBitmap(Marked(3));
  jobs = FHistory.TakePackJobs();
  ASSERT_EQ(jobs.size(), 1u);
  FHistory.Select(0);
  FHistory.StorePacked(jobs[0], std::make_shared<const TPackedImage>(TPackedImage::Pack(*jobs[0].Bitmap)));
  EXPECT_EQ(States(), "2B");
}

TEST_F(HistoryPackingTest, TheDuplicateTestSeesThroughAPackedNewestEntry) {
  FHistory.AddBitmap(Marked(1));
  FHistory.AddBitmap(Marked(2));
  FHistory.Select(0);
  PackAll();
  ASSERT_EQ(States(), "BP");
  const TBitmap32 same = Marked(2);
  EXPECT_TRUE(FHistory.IsImmediateDuplicateBitmap(&same));
  // One pixel between the signature's samples.
  TBitmap32 changed = Marked(2);
  changed.SetPixel(1, 1, 0xFF123456u);
  ASSERT_EQ(MakeBitmapSignature(&changed), MakeBitmapSignature(&same));
  EXPECT_FALSE(FHistory.IsImmediateDuplicateBitmap(&changed));
  EXPECT_EQ(States(), "BP") << "the comparison does not keep the pixels";
}

TEST_F(HistoryPackingTest, AnImageBeyondTheBudgetDropsTheOldestImagesOnly) {
  const std::size_t image = Marked(1).ByteSize();
  FHistory.SetImageBudget(2 * image + image / 2);
  FHistory.AddText(u"a");
  FHistory.AddBitmap(Marked(1));
  FHistory.AddText(u"b");
  FHistory.AddBitmap(Marked(2));
  EXPECT_EQ(FHistory.TakeImagesDroppedForRoom(), 0);
  FHistory.AddBitmap(Marked(3));
  EXPECT_EQ(FHistory.TakeImagesDroppedForRoom(), 1);
  EXPECT_EQ(FHistory.TakeImagesDroppedForRoom(), 0) << "told once";
  EXPECT_EQ(Texts(FHistory), (std::vector<std::u16string>{u"a", u"b", u"", u""}));
  EXPECT_EQ(FHistory.Index(), 3);
  // Packed, the images take little: many more fit.
  for (int i = 4; i < 8; ++i) {
    PackAll();
    FHistory.AddBitmap(Marked(i));
  }
  EXPECT_EQ(FHistory.TakeImagesDroppedForRoom(), 0);
  // One image larger than the whole budget empties it of images but is still kept.
  FHistory.AddBitmap(TBitmap32(640, 1000, 0xFF000000u));
  EXPECT_EQ(FHistory.TakeImagesDroppedForRoom(), 6);
  EXPECT_EQ(Texts(FHistory), (std::vector<std::u16string>{u"a", u"b", u""}));
  EXPECT_EQ(FHistory.Index(), 2);
}

// ---------------------------------------------------------------------------------------------
// Pins and clearing

// A history as its entries' texts, oldest first: a pinned entry followed by "*", the selected
// one in brackets, a merged text's line breaks as "+". "a* b [c]".
std::string Describe(const TClipHistory& AHistory) {
  std::string r;
  for (int i = 0; i < AHistory.Count(); ++i) {
    const TClipHistoryItem& item = AHistory.Items(i);
    std::string text = ToUtf8(ReplaceAll(item.Kind == cikText ? item.Text : item.Preview, u"\r\n", u"+"));
    if (item.Pinned)
      text += '*';
    if (i == AHistory.Index())
      text = '[' + text + ']';
    r += (r.empty() ? "" : " ") + text;
  }
  return r;
}

struct TPinCase {
  const char* Name;
  std::u16string Letters; // one text entry per letter, oldest first; the newest is selected
  std::u16string Pinned;  // the letters pinned
  int Limit;
  std::function<int(TClipHistory&)> Action; // what it returns is compared with Result
  std::string Expected;                     // as Describe writes it
  int Result = 0;
  int Refused = 0;
};

class HistoryPinTest : public testing::TestWithParam<TPinCase> {};

TEST_P(HistoryPinTest, KeepsThePinnedEntriesInPlace) {
  const TPinCase& c = GetParam();
  TFakeClock clock;
  TClipHistory history(c.Limit, clock);
  AddLetters(history, c.Letters);
  for (char16_t letter : c.Pinned)
    history.SetPinned(static_cast<int>(c.Letters.find(letter)), true);
  ASSERT_EQ(history.Count(), static_cast<int>(c.Letters.size())) << "the starting history fits its limit";
  EXPECT_EQ(c.Action(history), c.Result);
  EXPECT_EQ(Describe(history), c.Expected);
  EXPECT_EQ(history.TakeEntriesRefused(), c.Refused);
  EXPECT_EQ(history.TakeEntriesRefused(), 0) << "told once";
}

int Add(TClipHistory& AHistory, std::u16string AText) {
  AHistory.AddText(std::move(AText));
  return 0;
}

// Ctrl+Shift+plus: the texts up to the selected one, added as a new entry.
int Merge(TClipHistory& AHistory) {
  return Add(AHistory, JoinTextEntries(AHistory, AHistory.Index()));
}

INSTANTIATE_TEST_SUITE_P(Cases, HistoryPinTest,
                         testing::Values(TPinCase{"WithoutPinsTheOldestGoes", u"abcd", u"", 4,
                                                  [](TClipHistory& h) { return Add(h, u"e"); }, "b c d [e]"},
                                         TPinCase{"APinnedOldestStays", u"abcd", u"a", 4,
                                                  [](TClipHistory& h) { return Add(h, u"e"); }, "a* c d [e]"},
                                         TPinCase{"TheOldestUnpinnedGoes", u"abcd", u"abc", 4,
                                                  [](TClipHistory& h) { return Add(h, u"e"); }, "a* b* c* [e]"},
                                         TPinCase{"AllPinnedRefusesAText", u"abc", u"abc", 3,
                                                  [](TClipHistory& h) { return Add(h, u"d"); }, "a* b* [c*]", 0, 1},
                                         TPinCase{"AllPinnedRefusesImagesAndFiles", u"ab", u"ab", 2,
                                                  [](TClipHistory& h) {
                                                    const TBitmap32 image(2, 2, 0xFF000000u);
                                                    h.AddBitmap(&image);
                                                    h.AddBitmap(TBitmap32(3, 3, 0xFF000000u));
                                                    h.AddBitmap(std::make_shared<const TBitmap32>(4, 4, 0xFF000000u));
                                                    h.AddFiles({u"C:\\a"});
                                                    return 0;
                                                  },
                                                  "a* [b*]", 0, 4},
                                         TPinCase{"RefusalKeepsAnOlderSelection", u"abc", u"abc", 3,
                                                  [](TClipHistory& h) {
                                                    h.Select(0);
                                                    return Add(h, u"d");
                                                  },
                                                  "[a*] b* c*", 0, 1},
                                         TPinCase{"MergeLeavesPinnedEntriesInPlace", u"abcd", u"b", 4,
                                                  [](TClipHistory& h) {
                                                    h.Select(2);
                                                    return Merge(h);
                                                  },
                                                  "b* c d [a+b+c]"},
                                         TPinCase{"MergeIntoAnAllPinnedHistoryIsRefused", u"ab", u"ab", 2, Merge,
                                                  "a* [b*]", 0, 1},
                                         TPinCase{"ALowerLimitDropsTheOldestUnpinned", u"abcde", u"ad", 5,
                                                  [](TClipHistory& h) {
                                                    h.SetLimit(3);
                                                    return 0;
                                                  },
                                                  "a* d* [e]"},
                                         TPinCase{"ALimitBelowThePinsKeepsThemAll", u"abcd", u"abc", 4,
                                                  [](TClipHistory& h) {
                                                    h.SetLimit(1);
                                                    return Add(h, u"e");
                                                  },
                                                  "a* b* [c*]", 0, 1},
                                         TPinCase{"UnpinningAboveTheLimitDropsNothingYet", u"abc", u"abc", 3,
                                                  [](TClipHistory& h) {
                                                    h.SetLimit(2);
                                                    h.SetPinned(1, false);
                                                    h.SetPinned(2, false);
                                                    return 0;
                                                  },
                                                  "a* b [c]"},
                                         TPinCase{"TheNextAddMakesRoomAgain", u"abc", u"abc", 3,
                                                  [](TClipHistory& h) {
                                                    h.SetLimit(2);
                                                    h.SetPinned(1, false);
                                                    h.SetPinned(2, false);
                                                    return Add(h, u"d");
                                                  },
                                                  "a* [d]"},
                                         TPinCase{"ClearKeepsThePinnedAndTheirSelection", u"abcd", u"bd", 4,
                                                  [](TClipHistory& h) { return h.ClearUnpinned(); }, "b* [d*]", 2},
                                         TPinCase{"ClearKeepsAPinnedOlderSelection", u"abcd", u"ab", 4,
                                                  [](TClipHistory& h) {
                                                    h.Select(0);
                                                    return h.ClearUnpinned();
                                                  },
                                                  "[a*] b*", 2},
                                         TPinCase{"ClearOfTheSelectedSelectsTheNewestLeft", u"abcd", u"ab", 4,
                                                  [](TClipHistory& h) { return h.ClearUnpinned(); }, "a* [b*]", 2},
                                         TPinCase{"ClearWithoutPinsEmptiesTheHistory", u"abc", u"", 3,
                                                  [](TClipHistory& h) {
                                                    const int removed = h.ClearUnpinned();
                                                    return removed * 10 + h.Index();
                                                  },
                                                  "", 29},
                                         TPinCase{"ClearOfAnAllPinnedHistoryRemovesNothing", u"ab", u"ab", 2,
                                                  [](TClipHistory& h) { return h.ClearUnpinned(); }, "a* [b*]", 0},
                                         TPinCase{"DeleteRemovesAPinnedEntry", u"abc", u"b", 3,
                                                  [](TClipHistory& h) { return h.DeleteAt(1); }, "[a] c", 0},
                                         TPinCase{"UnpinnedAgainItGoesFirst", u"abc", u"a", 3,
                                                  [](TClipHistory& h) {
                                                    h.SetPinned(0, false);
                                                    return Add(h, u"d");
                                                  },
                                                  "b c [d]"}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(HistoryTest, PinningAnInvalidIndexRaisesRangeError) {
  AddLetters(FHistory, u"ab");
  EXPECT_THROW(FHistory.SetPinned(2, true), ERangeError);
  EXPECT_THROW(FHistory.SetPinned(-1, true), ERangeError);
  EXPECT_EQ(FHistory.PinnedCount(), 0);
}

TEST_F(HistoryPackingTest, PinnedImagesAreNeverDroppedForTheBudget) {
  const std::size_t image = Marked(1).ByteSize();
  FHistory.SetImageBudget(2 * image + image / 2);
  FHistory.AddBitmap(Marked(1));
  FHistory.AddBitmap(Marked(2));
  FHistory.SetPinned(0, true);
  FHistory.AddBitmap(Marked(3));
  EXPECT_EQ(FHistory.TakeImagesDroppedForRoom(), 1);
  ASSERT_EQ(FHistory.Count(), 2);
  EXPECT_TRUE(FHistory.Items(0).Pinned);
  EXPECT_TRUE(FHistory.Picture(0)->SamePixels(Marked(1)));
  // With only pinned images left, a new one is kept beyond the budget.
  FHistory.SetPinned(1, true);
  FHistory.AddBitmap(Marked(4));
  EXPECT_EQ(FHistory.TakeImagesDroppedForRoom(), 0);
  EXPECT_EQ(FHistory.Count(), 3);
}

// What a search works out from the entries is worth keeping exactly until an entry comes or
// goes.
TEST_F(HistoryTest, TheRevisionChangesWithTheEntriesOnly) {
  std::uint64_t seen = FHistory.Revision();
  const auto changed = [&] {
    const bool r = FHistory.Revision() != seen;
    seen = FHistory.Revision();
    return r;
  };
  AddLetters(FHistory, u"abc");
  EXPECT_TRUE(changed()) << "add";
  FHistory.Select(0);
  FHistory.Next();
  FHistory.SetPinned(0, true);
  FHistory.AddText(u" ");
  FHistory.SetLimit(5);
  EXPECT_FALSE(changed()) << "selection, pin, blank add, higher limit";
  FHistory.SetLimit(2);
  EXPECT_TRUE(changed()) << "lower limit";
  FHistory.DeleteAt(1);
  EXPECT_TRUE(changed()) << "delete";
  FHistory.ClearUnpinned();
  EXPECT_FALSE(changed()) << "clear with only pinned entries";
  FHistory.AddText(u"d");
  FHistory.ClearUnpinned();
  EXPECT_TRUE(changed()) << "clear";
}

// ---------------------------------------------------------------------------------------------
// Finding entries

struct TFindCase {
  const char* Name;
  std::u16string Find;
  std::vector<int> Found;
};

class HistoryFindTest : public testing::TestWithParam<TFindCase> {
protected:
  HistoryFindTest() {
    FHistory.AddText(u"Meeting notes\r\nRoom 4.12");                             // 0
    FHistory.AddBitmap(TBitmap32(1920, 1080, 0xFF000000u));                      // 1
    FHistory.AddFiles({u"C:\\Users\\Ann\\Report.docx", u"D:\\Photos\\Île.JPG"}); // 2
    FHistory.AddText(u"ΣΟΦΊΑΣ, Straße, 5\u212A");                                // 3
    FHistory.AddText(u"Приветствие: ПРИВЕТ, мир");                               // 4
  }
  TFakeClock FClock;
  TClipHistory FHistory{10, FClock};
};

TEST_P(HistoryFindTest, FindsTheEntriesThatHoldTheTextIgnoringCase) {
  const TFindText find(GetParam().Find);
  EXPECT_EQ(FindHistoryEntries(FHistory, find), GetParam().Found);
  // Looking only among what a shorter text found gives the same.
  const std::vector<int> all = {0, 1, 2, 3, 4};
  EXPECT_EQ(FindHistoryEntries(FHistory, find, all), GetParam().Found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HistoryFindTest,
    testing::Values(TFindCase{"TextIgnoringCase", u"MEETING", {0}},
                    TFindCase{"AcrossALineBreak", u"notes\r\nroom", {0}},
                    TFindCase{"ImagesByTheirPreview", u"image", {1}}, TFindCase{"ImageSize", u"1920x1080", {1}},
                    TFindCase{"FilesByAnyPath", u"île.jpg", {2}}, TFindCase{"NotAcrossTwoPaths", u"docx|d:", {}},
                    TFindCase{"Digits", u"4.12", {0}}, TFindCase{"Greek", u"σοφία", {3}},
                    TFindCase{"FinalSigma", u"σοφίας", {3}}, TFindCase{"LongS", u"ſtraße", {3}},
                    TFindCase{"KelvinSign", u"5K", {3}}, TFindCase{"Cyrillic", u"привет", {4}},
                    TFindCase{"InSeveralEntries", u"r", {0, 2, 3}}, TFindCase{"Nothing", u"absent", {}},
                    TFindCase{"LongerThanEveryEntry", std::u16string(200, u'x'), {}},
                    TFindCase{"EmptyFindsAll", u"", {0, 1, 2, 3, 4}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(HistoryFindCaseTest, FoldsCapitalsToSmallLettersAndLeavesTheRest) {
  const std::u16string capitals = u"AZÀÖØÞĀĲĹŽŸΆΈΌΏΑΩΪЀЯѠӀӁԮԱՖḀẞỸＡＺ";
  const std::u16string small = u"azàöøþāĳĺžÿάέόώαωϊѐяѡӏӂԯաֆḁßỹａｚ";
  ASSERT_EQ(capitals.size(), small.size());
  for (std::size_t i = 0; i < capitals.size(); ++i) {
    EXPECT_EQ(FoldCase(capitals[i]), small[i]) << i;
    EXPECT_EQ(FoldCase(small[i]), small[i]) << i;
  }
  for (char16_t same : std::u16string(u"09 ×÷ß@[`{\u0130\u0131\uFFFF") + char16_t{0xD83D})
    EXPECT_EQ(FoldCase(same), same) << static_cast<int>(same);
}

TEST(HistoryFindCaseTest, ALongerTextNarrowsTheOneItContains) {
  EXPECT_TRUE(TFindText(u"Report").Narrows(TFindText(u"rep")));
  EXPECT_TRUE(TFindText(u"report").Narrows(TFindText(u"PORT")));
  EXPECT_TRUE(TFindText(u"report").Narrows(TFindText(u"")));
  EXPECT_FALSE(TFindText(u"rep").Narrows(TFindText(u"report")));
  EXPECT_FALSE(TFindText(u"report").Narrows(TFindText(u"reports")));
}

TEST(PackedImageTest, RoundTripsByteForByte) {
  TBitmap32 noise(97, 31);
  std::uint32_t seed = 1;
  for (int y = 0; y < noise.Height(); ++y)
    for (int x = 0; x < noise.Width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      noise.SetPixel(x, y, seed);
    }
  const struct {
    const char* Name;
    TBitmap32 Image;
  } cases[] = {{"one pixel", TBitmap32(1, 1, 0x80FF0000u)},
               {"screen-like", Marked(5, 1920, 1080)},
               {"noise, alpha included", noise},
               {"empty", TBitmap32()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TPackedImage packed = TPackedImage::Pack(c.Image);
    const TBitmap32 back = packed.Unpack();
    EXPECT_EQ(back.Width(), c.Image.Width());
    EXPECT_EQ(back.Height(), c.Image.Height());
    EXPECT_TRUE(back.SamePixels(c.Image));
  }
  EXPECT_LT(TPackedImage::Pack(Marked(5, 1920, 1080)).PackedSize(), 1920u * 1080 * 4 / 50);
}

} // namespace
} // namespace tarvel
