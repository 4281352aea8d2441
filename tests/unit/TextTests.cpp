#include <gtest/gtest.h>

#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {
namespace {

struct TTrimCase {
  std::u16string Input, Both, Left, Right;
};

class TrimTest : public testing::TestWithParam<TTrimCase> {};

TEST_P(TrimTest, RemovesCodeUnitsUpTo32Only) {
  const TTrimCase& c = GetParam();
  EXPECT_EQ(Trim(c.Input), c.Both);
  EXPECT_EQ(TrimLeft(c.Input), c.Left);
  EXPECT_EQ(TrimRight(c.Input), c.Right);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrimTest,
                         testing::Values(TTrimCase{u"", u"", u"", u""}, TTrimCase{u" \t\r\n\x01 ", u"", u"", u""},
                                         TTrimCase{u"  a b  ", u"a b", u"a b  ", u"  a b"},
                                         // U+00A0 and U+3000 are above 32: kept.
                                         TTrimCase{u"\u00A0x\u3000", u"\u00A0x\u3000", u"\u00A0x\u3000",
                                                   u"\u00A0x\u3000"},
                                         TTrimCase{std::u16string(u"\0z\0", 3), u"z", std::u16string(u"z\0", 2),
                                                   std::u16string(u"\0z", 2)}));

TEST(TextTest, UpperCaseTouchesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCaseAscii(u"azAZ09{`\u00e4\u00df\u0131"), u"AZAZ09{`\u00e4\u00df\u0131");
}

TEST(TextTest, ReplaceAllIsLeftToRightAndNonOverlapping) {
  EXPECT_EQ(ReplaceAll(u"a\r\n\r\nb", u"\r\n", u" "), u"a  b");
  EXPECT_EQ(ReplaceAll(u"aaaa", u"aa", u"a"), u"aa");
  EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
}

TEST(TextTest, Utf8RoundTripKeepsSurrogatePairs) {
  const std::u16string text = u"Tarvel \u00e9\u4e2d\U0001F600";
  EXPECT_EQ(ToUtf8(text), "Tarvel \xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
}

TEST(TextTest, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xE4\xB8"), u"\uFFFD");       // truncated at the end
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD"); // overlong form
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD");   // encoded surrogate
  EXPECT_EQ(ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");   // lone surrogate
}

TEST(FormatTest, FillsDirectivesInOrder) {
  EXPECT_EQ(Format(u"%d / %d  %s", {3, 10, u"Image 1920x1080"}), u"3 / 10  Image 1920x1080");
  EXPECT_EQ(Format(u"%d:%d:%s", {1, 1, UIntToStr(9788637349192732210ull)}), u"1:1:9788637349192732210");
  EXPECT_EQ(Format(u"100%% %u", {4294967295u}), u"100% 4294967295");
  EXPECT_EQ(Format(u"%d", {-2147483647 - 1}), u"-2147483648");
  EXPECT_EQ(Format(u"Ctrl+Shift+%s", {u'Q'}), u"Ctrl+Shift+Q");
  EXPECT_EQ(IntToStr(INT64_MIN), u"-9223372036854775808");
}

TEST(FormatTest, MisuseRaisesConvertError) {
  EXPECT_THROW(Format(u"%d", {}), EConvertError);
  EXPECT_THROW(Format(u"%d", {u"text"}), EConvertError);
  EXPECT_THROW(Format(u"%s", {5}), EConvertError);
  EXPECT_THROW(Format(u"%x", {5}), EConvertError);
  EXPECT_THROW(Format(u"50%", {}), EConvertError);
  EXPECT_THROW(Format(u"%d", {1, 2}), EConvertError);
  try {
    Format(u"%q", {1});
  } catch (const EError& e) {
    EXPECT_EQ(e.ClassName(), u"EConvertError");
    EXPECT_NE(e.Message().find(u"%q"), std::u16string::npos);
  }
}

TEST(TextTest, Utf16LittleEndianBytes) {
  EXPECT_EQ(ToUtf16LeBytes(u"A\u00e9"), (std::vector<std::uint8_t>{'A', 0, 0xE9, 0, 0, 0}));
  const std::vector<std::uint8_t> noTerminator = {'h', 0, 'i', 0};
  EXPECT_EQ(FromUtf16LeBytes(noTerminator.data(), noTerminator.size()), u"hi");
  const std::vector<std::uint8_t> oddTail = {'h', 0, 'i'};
  EXPECT_EQ(FromUtf16LeBytes(oddTail.data(), oddTail.size()), u"h");
  const std::vector<std::uint8_t> zeroInside = {'a', 0, 0, 0, 'b', 0};
  EXPECT_EQ(FromUtf16LeBytes(zeroInside.data(), zeroInside.size()), u"a");
  EXPECT_EQ(FromUtf16LeBytes(nullptr, 8), u"");
}

TEST(TextTest, SplitLinesAtEveryKindOfBreak) {
  using TLines = std::vector<std::u16string_view>;
  EXPECT_EQ(SplitLines(u""), TLines{});
  EXPECT_EQ(SplitLines(u"one"), TLines{u"one"});
  EXPECT_EQ(SplitLines(u"a\r\nb\rc\nd"), (TLines{u"a", u"b", u"c", u"d"}));
  // A final break adds no line; breaks in a row give empty lines, and LF CR is two breaks.
  EXPECT_EQ(SplitLines(u"a\r\n"), TLines{u"a"});
  EXPECT_EQ(SplitLines(u"a\n\n"), (TLines{u"a", u""}));
  EXPECT_EQ(SplitLines(u"\n"), TLines{u""});
  EXPECT_EQ(SplitLines(u"a\n\rb"), (TLines{u"a", u"", u"b"}));
}

} // namespace
} // namespace tarvel
