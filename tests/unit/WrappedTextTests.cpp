// Lines broken into rows for the log view: where rows break, and that adding and dropping
// lines leaves what laying out the same lines afresh gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "ui/WrappedText.h"

namespace tarvel {
namespace {

// Every character one unit wide: a width of N fits N characters.
TWrappedText::TFitFunction Monospace() {
  return [](std::u16string_view AText, int AWidth) {
    return std::min(AText.size(), static_cast<std::size_t>(std::max(AWidth, 0)));
  };
}

std::vector<std::u16string> RowTexts(const TWrappedText& AText) {
  std::vector<std::u16string> rows;
  for (const TWrappedText::TRow& row : AText.Rows(0, AText.RowCount()))
    rows.push_back(AText.Line(row.Line).substr(row.Start, row.End - row.Start));
  return rows;
}

struct TWrapCase {
  const char* Name;
  std::u16string Line;
  int Width;
  std::vector<std::u16string> Rows;
};

class WrapTest : public testing::TestWithParam<TWrapCase> {};

TEST_P(WrapTest, BreaksWhereExpected) {
  const TWrapCase& c = GetParam();
  TWrappedText text(Monospace());
  text.SetWidth(c.Width);
  text.Append(c.Line);
  EXPECT_EQ(RowTexts(text), c.Rows);
  EXPECT_EQ(text.RowCount(), static_cast<int>(c.Rows.size()));
}

const std::u16string Pair = u"\U0001F600";      // one character, two code units
const std::u16string High(1, char16_t{0xD83D}); // half a pair, on its own
const std::u16string Low(1, char16_t{0xDE00});

INSTANTIATE_TEST_SUITE_P(
    Rows, WrapTest,
    testing::Values(TWrapCase{"fits", u"hello", 10, {u"hello"}}, TWrapCase{"exactly", u"hello", 5, {u"hello"}},
                    TWrapCase{"at the blank", u"hello world", 8, {u"hello ", u"world"}},
                    TWrapCase{"blank just past the edge", u"hello world", 5, {u"hello ", u"world"}},
                    TWrapCase{"blanks stay at the row's end", u"ab   cd", 3, {u"ab   ", u"cd"}},
                    TWrapCase{"last blank that fits", u"ab cd efg hi", 8, {u"ab cd ", u"efg hi"}},
                    TWrapCase{"no blank: where it fits", u"abcdefghij", 4, {u"abcd", u"efgh", u"ij"}},
                    TWrapCase{"word longer than the row", u"ab cdefghij", 4, {u"ab ", u"cdef", u"ghij"}},
                    TWrapCase{"nothing fits: a character a row", u"abc", 0, {u"abc"}},
                    TWrapCase{"empty line", u"", 5, {u""}},
                    TWrapCase{"surrogate pair kept whole", u"ab" + Pair + u"cd", 3, {u"ab", Pair + u"c", u"d"}},
                    TWrapCase{"pair alone on a row", Pair + Pair, 1, {Pair, Pair}},
                    TWrapCase{"stray high surrogate before a pair", High + Pair, 1, {High, Pair}},
                    TWrapCase{"stray high surrogate before a letter", High + u"a", 1, {High, u"a"}},
                    TWrapCase{"stray low surrogate", u"a" + Low + u"b", 1, {u"a", Low, u"b"}},
                    TWrapCase{"trailing blanks", u"abc   ", 3, {u"abc   "}}),
    [](const testing::TestParamInfo<TWrapCase>& AInfo) {
      std::string name;
      for (const char* c = AInfo.param.Name; *c; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
      return name;
    });

TEST(WrappedTextTest, NarrowerThanOneCharacterPutsOneOnEachRow) {
  TWrappedText text([](std::u16string_view, int) { return std::size_t{0}; });
  text.SetWidth(3);
  text.Append(u"abc");
  EXPECT_EQ(RowTexts(text), (std::vector<std::u16string>{u"a", u"b", u"c"}));
}

// A log's life: lines come at the end and go at the start; the rows, the text and the
// length stay what laying out the remaining lines afresh gives.
TEST(WrappedTextTest, AppendingAndDroppingMatchesAFreshLayout) {
  TWrappedText text(Monospace());
  text.SetWidth(7);
  std::vector<std::u16string> lines;
  for (int i = 0; i < 40; ++i) {
    std::u16string line(static_cast<std::size_t>(i % 13), u'x');
    if (i % 3 == 0)
      line += u" tail of line";
    lines.push_back(line);
    text.Append(line);
    if (lines.size() > 10) {
      const std::vector<std::u16string> first(lines.begin(), lines.begin() + 2);
      TWrappedText dropped(Monospace());
      dropped.SetWidth(7);
      dropped.Assign(first);
      EXPECT_EQ(text.DropFront(2), dropped.RowCount());
      lines.erase(lines.begin(), lines.begin() + 2);
    }
    TWrappedText fresh(Monospace());
    fresh.SetWidth(7);
    fresh.Assign(lines);
    ASSERT_EQ(RowTexts(text), RowTexts(fresh)) << i;
    ASSERT_EQ(text.Text(), fresh.Text()) << i;
    ASSERT_EQ(text.Length(), text.Text().size()) << i;
  }
  const int rows = text.RowCount();
  EXPECT_EQ(text.DropFront(100), rows);
  EXPECT_EQ(text.RowCount(), 0);
  EXPECT_EQ(text.Length(), 0u);
}

TEST(WrappedTextTest, AWidthChangeLaysEveryLineOutAgain) {
  TWrappedText text(Monospace());
  text.SetWidth(3);
  text.Assign({u"abcdef", u"gh"});
  EXPECT_EQ(text.RowCount(), 3);
  text.SetWidth(10);
  EXPECT_EQ(RowTexts(text), (std::vector<std::u16string>{u"abcdef", u"gh"}));
  text.SetWidth(0);
  EXPECT_EQ(text.RowCount(), 2);
}

TEST(WrappedTextTest, RowsAndPositionsFindEachOther) {
  TWrappedText text(Monospace());
  text.SetWidth(4);
  text.Assign({u"abcdefgh", u"", u"ij"}); // rows: abcd | efgh | (empty) | ij
  const auto rows = text.Rows(1, 10);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Line, 0u);
  EXPECT_EQ(rows[0].Start, 4u);
  EXPECT_EQ(rows[1].Line, 1u);
  EXPECT_EQ(rows[2].Line, 2u);
  EXPECT_EQ(text.Rows(-2, 3).size(), 1u); // only row 0 of the three asked for exists
  EXPECT_TRUE(text.Rows(4, 1).empty());
  EXPECT_EQ(text.RowOf({0, 3}), 0);
  EXPECT_EQ(text.RowOf({0, 4}), 1); // a break position belongs to the row below
  EXPECT_EQ(text.RowOf({0, 8}), 1);
  EXPECT_EQ(text.RowOf({1, 0}), 2);
  EXPECT_EQ(text.RowOf({7, 0}), 3); // past the end: the last row
}

TEST(WrappedTextTest, TextBetweenJoinsLinesInEitherOrder) {
  TWrappedText text(Monospace());
  text.Assign({u"first", u"second", u"third"});
  EXPECT_EQ(text.TextBetween({0, 2}, {2, 3}), u"rst\r\nsecond\r\nthi");
  EXPECT_EQ(text.TextBetween({2, 3}, {0, 2}), u"rst\r\nsecond\r\nthi");
  EXPECT_EQ(text.TextBetween({1, 1}, {1, 1}), u"");
  EXPECT_EQ(text.TextBetween({1, 99}, {9, 9}), u"\r\nthird"); // clamped to the line and the end
  EXPECT_EQ(text.Text(), u"first\r\nsecond\r\nthird");
  EXPECT_EQ(text.Length(), text.Text().size());
  EXPECT_EQ(text.End(), (TTextPosition{2, 5}));
  TWrappedText empty(Monospace());
  EXPECT_EQ(empty.Text(), u"");
  EXPECT_EQ(empty.RowCount(), 0);
  EXPECT_EQ(empty.Length(), 0u);
  EXPECT_EQ(empty.Clamp({3, 3}), TTextPosition{});
}

// A double click's word, with ASCII letters, digits and '_' as word characters.
TEST(WrappedTextTest, WordAtTakesTheWordADoubleClickMeans) {
  const auto isWord = [](char16_t AChar) { return AChar < 0x80 && (std::isalnum(AChar) != 0 || AChar == u'_'); };
  TWrappedText text(Monospace());
  text.Assign({u"Save to C:\\my_file.txt  ok", u"", u"end"});
  struct TCase {
    const char* Name;
    TTextPosition At;
    std::u16string Expected;
  } cases[] = {
      {"inside a word", {0, 2}, u"Save"},
      {"on its first character", {0, 0}, u"Save"},
      {"just after a word", {0, 4}, u"Save"},
      {"between a word and the next", {0, 5}, u"to"},
      {"'_' joins", {0, 13}, u"my_file"},
      {"on a mark just after a word", {0, 18}, u"my_file"},
      {"on a mark after a mark", {0, 10}, u"\\"},
      {"between two blanks", {0, 23}, u" "},
      {"at the line's end, after a word", {0, 26}, u"ok"},
      {"an empty line", {1, 0}, u""},
      {"past the line's end", {2, 99}, u"end"},
      {"past the last line", {9, 0}, u"end"},
  };
  for (const TCase& c : cases) {
    const auto [from, to] = text.WordAt(c.At, isWord);
    EXPECT_EQ(from.Line, to.Line) << c.Name;
    EXPECT_EQ(text.TextBetween(from, to), c.Expected) << c.Name;
  }
  const TWrappedText empty(Monospace());
  EXPECT_EQ(empty.WordAt({2, 2}, isWord), (std::pair<TTextPosition, TTextPosition>{}));
}

} // namespace
} // namespace tarvel
