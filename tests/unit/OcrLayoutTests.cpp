// The recognized lines laid out from their words' rectangles: paragraphs, one line and
// tables, and the engine's own lines whenever the rectangles cannot be trusted.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/Text.h"
#include "ocr/OcrLayout.h"

namespace tarvel {
namespace {

using enum TOcrTextLayout;

// Text set as on a screen: each character 8 pixels wide, a blank 6, lines 16 high.
constexpr float CharWidth = 8;
constexpr float Blank = 6;
constexpr float LineHeight = 16;

TOcrTextLine Words(std::vector<TOcrWordBox> AWords, bool AUseBlanks = true) {
  TOcrTextLine line{{}, std::move(AWords)};
  line.Text = JoinOcrWords(line.Words, AUseBlanks);
  return line;
}

// A line of AText starting at (AX, AY), split into words at blanks.
TOcrTextLine Line(float AX, float AY, std::u16string_view AText, bool AUseBlanks = true) {
  std::vector<TOcrWordBox> words;
  float x = AX;
  std::size_t start = 0;
  while (start <= AText.size()) {
    std::size_t end = AText.find(u' ', start);
    if (end == std::u16string_view::npos)
      end = AText.size();
    if (end > start) {
      const float width = CharWidth * static_cast<float>(end - start);
      words.push_back({std::u16string(AText.substr(start, end - start)), TOcrRect{x, AY, width, LineHeight}});
      x += width;
    }
    x += Blank;
    start = end + 1;
  }
  return Words(std::move(words), AUseBlanks);
}

// Lines of a column at AX, one every 20 pixels from AY; an empty text leaves a blank line.
std::vector<TOcrTextLine> Column(float AX, float AY, std::initializer_list<std::u16string_view> ATexts) {
  std::vector<TOcrTextLine> lines;
  float y = AY;
  for (std::u16string_view text : ATexts) {
    if (!text.empty())
      lines.push_back(Line(AX, y, text));
    y += 20;
  }
  return lines;
}

std::vector<TOcrTextLine> Concat(std::vector<TOcrTextLine> AFirst, const std::vector<TOcrTextLine>& ASecond) {
  AFirst.insert(AFirst.end(), ASecond.begin(), ASecond.end());
  return AFirst;
}

std::u16string EngineLines(const std::vector<TOcrTextLine>& ALines) {
  return LayOutOcrText(ALines, std::nullopt, true, Lines);
}

struct TLayoutCase {
  const char* Name;
  std::vector<TOcrTextLine> Lines;
  TOcrTextLayout Layout;
  std::u16string Text;
};

void PrintTo(const TLayoutCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

class OcrLayoutTest : public testing::TestWithParam<TLayoutCase> {};

TEST_P(OcrLayoutTest, LaysOutTheLines) {
  const TLayoutCase& c = GetParam();
  std::u16string fallback;
  EXPECT_EQ(ToUtf8(LayOutOcrText(c.Lines, 0.0, true, c.Layout, &fallback)), ToUtf8(c.Text));
  EXPECT_EQ(fallback, u"");
}

// A narrow column: "The quick brown fox jumps over the lazy dog." wrapped at 160 pixels.
const std::vector<TOcrTextLine> Wrapped = Column(10, 10, {u"The quick brown", u"fox jumps over", u"the lazy dog."});

INSTANTIATE_TEST_SUITE_P(
    Paragraphs, OcrLayoutTest,
    testing::Values(
        TLayoutCase{"wrapped lines make one paragraph", Wrapped, Paragraphs,
                    u"The quick brown fox jumps over the lazy dog."},
        TLayoutCase{"a blank line keeps the paragraphs apart, as a blank line",
                    Column(10, 10, {u"One two three", u"four five.", u"", u"Six seven eight", u"nine."}), Paragraphs,
                    u"One two three four five.\r\n\r\nSix seven eight nine."},
        TLayoutCase{"a line that ends where the next line's first word would have fitted",
                    Column(10, 10, {u"Dear Anna,", u"the report is", u"attached here."}), Paragraphs,
                    u"Dear Anna,\r\nthe report is attached here."},
        TLayoutCase{"an indented first line starts a paragraph",
                    Concat(Column(10, 10, {u"aaaa bbbb cccc", u"dddd eeee"}),
                           Concat({Line(34, 50, u"ffff gggg")}, Column(10, 70, {u"hhhh iiii jjjj", u"kkkk."}))),
                    Paragraphs, u"aaaa bbbb cccc dddd eeee\r\nffff gggg hhhh iiii jjjj kkkk."},
        TLayoutCase{
            "bullets with their text hanging after the marker",
            {Line(10, 10, u"\u2022 Install the new"), Line(24, 30, u"version now"),
             Line(10, 50, u"\u2022 Restart the program"), Line(10, 70, u"\u2022 Check the log file"),
             Line(24, 90, u"for errors")},
            Paragraphs,
            u"\u2022 Install the new version now\r\n\u2022 Restart the program\r\n\u2022 Check the log file for "
            u"errors"},
        TLayoutCase{"bullets read as other signs still hang their text",
                    {Line(10, 10, u"+ Install the new"), Line(24, 30, u"version now"),
                     Line(10, 50, u"\u00AB Restart the computer"), Line(24, 70, u"now")},
                    Paragraphs,
                    u"+ Install the new version now\r\n\u00AB Restart the computer now"},
        TLayoutCase{"numbered items",
                    Column(10, 10, {u"1. Open the file", u"2. Save it under", u"another name", u"10. Close"}),
                    Paragraphs, u"1. Open the file\r\n2. Save it under another name\r\n10. Close"},
        TLayoutCase{
            "a word broken by a hyphen is joined again; a hyphen of the text stays, without a blank",
            Column(10, 10,
                   {u"the recog-", u"nition of the texts", u"seen from 2020-", u"2024 and by Jean-", u"Paul ok."}),
            Paragraphs, u"the recognition of the texts seen from 2020-2024 and by Jean-Paul ok."},
        TLayoutCase{"a line indented from the one before starts anew, though most lines share its edge",
                    {Line(10, 10, u"def read_config(path, strict):"), Line(42, 30, u"with open(p):"),
                     Line(42, 50, u"return f.read()")},
                    Paragraphs,
                    u"def read_config(path, strict):\r\nwith open(p):\r\nreturn f.read()"},
        TLayoutCase{"closing punctuation at the start of a line gets no blank",
                    Column(10, 10, {u"the last word of all", u", then more and more", u"words."}), Paragraphs,
                    u"the last word of all, then more and more words."},
        TLayoutCase{"a second column starts higher: its own paragraph",
                    Concat(Column(10, 10, {u"left text goes", u"on here."}), Column(200, 10, {u"right text", u"too."})),
                    Paragraphs, u"left text goes on here.\r\nright text too."},
        TLayoutCase{"a row with a gap as wide as a column stays a line of its own",
                    {Words({{u"Name", TOcrRect{10, 10, 32, 16}}, {u"Size", TOcrRect{130, 10, 32, 16}}}),
                     Words({{u"report.pdf", TOcrRect{10, 30, 80, 16}},
                            {u"12", TOcrRect{130, 30, 16, 16}},
                            {u"KB", TOcrRect{150, 30, 16, 16}}})},
                    Paragraphs,
                    u"Name Size\r\nreport.pdf 12 KB"},
        TLayoutCase{"one line is itself", {Line(5, 5, u"Hello OCR")}, Paragraphs, u"Hello OCR"}));

INSTANTIATE_TEST_SUITE_P(
    OneLine, OcrLayoutTest,
    testing::Values(TLayoutCase{"everything on one line with single blanks",
                                Column(10, 10, {u"Dear Anna,", u"", u"the report is", u"attached."}), OneLine,
                                u"Dear Anna, the report is attached."},
                    TLayoutCase{"a hyphenated word is joined again", Column(10, 10, {u"recog-", u"nition"}), OneLine,
                                u"recognition"},
                    TLayoutCase{"positions are not needed",
                                {TOcrTextLine{u"a line without words", {}}, Words({{u"x", std::nullopt}})},
                                OneLine,
                                u"a line without words x"}));

// A table as the engine may give it: each cell a line of its own.
std::vector<TOcrTextLine> Cells(std::initializer_list<std::initializer_list<std::u16string_view>> ARows,
                                float AY = 10) {
  std::vector<TOcrTextLine> lines;
  for (const auto& row : ARows) {
    float x = 10;
    for (std::u16string_view cell : row) {
      if (!cell.empty())
        lines.push_back(Line(x, AY, cell));
      x += 120;
    }
    AY += 20;
  }
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Table, OcrLayoutTest,
    testing::Values(
        TLayoutCase{"columns by the gaps that line up",
                    Cells({{u"Name", u"Size", u"Type"}, {u"report.pdf", u"12 KB", u"PDF file"}, {u"a b", u"3", u"c"}}),
                    Table, u"Name\tSize\tType\r\nreport.pdf\t12 KB\tPDF file\r\na b\t3\tc"},
        TLayoutCase{"an empty cell keeps the columns in place",
                    Cells({{u"one", u"two", u"three"}, {u"four", u"", u"six"}, {u"", u"eight", u""}}), Table,
                    u"one\ttwo\tthree\r\nfour\t\tsix\r\n\teight"},
        TLayoutCase{
            "a row's cells given as one line of the engine",
            {Line(10, 10, u"Undo typing"), Line(130, 10, u"Ctrl+Z"), Line(10, 30, u"Redo"), Line(130, 30, u"Ctrl+Y")},
            Table,
            u"Undo typing\tCtrl+Z\r\nRedo\tCtrl+Y"},
        TLayoutCase{"the rules of a ruled table are no text",
                    {Words({{u"|", TOcrRect{2, 10, 2, 16}},
                            {u"a", TOcrRect{10, 10, 8, 16}},
                            {u"|", TOcrRect{100, 10, 2, 16}},
                            {u"b", TOcrRect{130, 10, 8, 16}},
                            {u"|", TOcrRect{200, 10, 2, 16}}}),
                     Line(2, 28, u"-------------------------"),
                     Words({{u"|", TOcrRect{2, 46, 2, 16}},
                            {u"c", TOcrRect{10, 46, 8, 16}},
                            {u"|", TOcrRect{100, 46, 2, 16}},
                            {u"d", TOcrRect{130, 46, 8, 16}},
                            {u"|", TOcrRect{200, 46, 2, 16}}})},
                    Table,
                    u"a\tb\r\nc\td"},
        TLayoutCase{"a cell that starts a little left of its column's edge is still in it",
                    {Line(10, 10, u"Name"), Line(130, 10, u"Size"), Line(10, 30, u"report.pdf"), Line(130, 30, u"2 MB"),
                     Line(10, 50, u"budget.xlsx"), Line(127, 50, u"86 KB"), Line(10, 70, u"notes.txt"),
                     Line(130, 70, u"1 KB"), Line(10, 90, u"team.jpg"), Line(130, 90, u"3 MB")},
                    Table,
                    u"Name\tSize\r\nreport.pdf\t2 MB\r\nbudget.xlsx\t86 KB\r\nnotes.txt\t1 KB\r\nteam.jpg\t3 MB"},
        TLayoutCase{"a cell wider than the rest of its column",
                    {Line(10, 10, u"Name"), Line(200, 10, u"Size"), Line(10, 30, u"report.pdf"), Line(200, 30, u"2 MB"),
                     Line(10, 50, u"notes.txt"), Line(200, 50, u"1 KB"), Line(10, 70, u"budget.xlsx"),
                     Line(200, 70, u"86 KB"), Line(10, 90, u"photo of the team.jpg"), Line(200, 90, u"3 MB")},
                    Table,
                    u"Name\tSize\r\nreport.pdf\t2 MB\r\nnotes.txt\t1 KB\r\nbudget.xlsx\t86 KB\r\nphoto of the "
                    u"team.jpg\t3 MB"},
        TLayoutCase{"a title across the columns stays whole",
                    Concat({Line(10, 10, u"Prices of the three plans this year")},
                           Cells({{u"Basic", u"Plus"}, {u"5", u"9"}, {u"10", u"18"}, {u"20", u"36"}}, 30)),
                    Table, u"Prices of the three plans this year\r\nBasic\tPlus\r\n5\t9\r\n10\t18\r\n20\t36"}));

TEST(OcrLayoutFallbackTest, ATableModeWithoutColumnsGivesTheLines) {
  std::u16string fallback;
  EXPECT_EQ(LayOutOcrText(Wrapped, std::nullopt, true, Table, &fallback), EngineLines(Wrapped));
  EXPECT_EQ(fallback, u"nessuna colonna");
}

TEST(OcrLayoutFallbackTest, LinesAreTheEnginesLinesWhateverThePositions) {
  std::vector<TOcrTextLine> lines = Wrapped;
  lines.insert(lines.begin() + 1, TOcrTextLine{});
  lines.push_back(TOcrTextLine{u"own text", {}});
  EXPECT_EQ(LayOutOcrText(lines, std::nan(""), false, Lines),
            u"The quick brown\r\nfox jumps over\r\nthe lazy dog.\r\nown text");
}

TEST(OcrLayoutFallbackTest, ChineseJapaneseAndKoreanJoinWithoutBlanks) {
  const std::vector<TOcrTextLine> lines = {Line(10, 10, u"東京 大学", false), Line(10, 30, u"の 研究", false)};
  EXPECT_EQ(LayOutOcrText(lines, std::nullopt, false, Paragraphs), u"東京大学の研究");
  EXPECT_EQ(LayOutOcrText(lines, std::nullopt, false, OneLine), u"東京大学の研究");
}

// Positions that cannot be trusted: the lines stay as the engine gave them.
struct TBadCase {
  const char* Name;
  std::vector<TOcrTextLine> Lines;
  std::optional<double> Angle;
  std::u16string Problem;
};

void PrintTo(const TBadCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

std::vector<TOcrTextLine> WithWord(std::size_t ALine, std::size_t AWord, std::optional<TOcrRect> ABounds) {
  std::vector<TOcrTextLine> lines = Cells({{u"alpha beta", u"gamma"}, {u"delta", u"epsilon"}});
  lines[ALine].Words[AWord].Bounds = ABounds;
  return lines;
}

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Infinity = std::numeric_limits<float>::infinity();

class OcrLayoutBadDataTest : public testing::TestWithParam<TBadCase> {};

TEST_P(OcrLayoutBadDataTest, GivesTheEnginesLines) {
  const TBadCase& c = GetParam();
  EXPECT_EQ(OcrLayoutProblem(c.Lines, c.Angle), c.Problem);
  for (const TOcrTextLayout layout : {Paragraphs, Table}) {
    std::u16string fallback;
    EXPECT_EQ(LayOutOcrText(c.Lines, c.Angle, true, layout, &fallback), EngineLines(c.Lines))
        << ToUtf8(OcrTextLayoutName(layout));
    EXPECT_EQ(fallback, c.Problem);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OcrLayoutBadDataTest,
    testing::Values(
        TBadCase{"a word without a rectangle", WithWord(0, 1, std::nullopt), std::nullopt, u"parola senza rettangolo"},
        TBadCase{"an empty rectangle", WithWord(1, 0, TOcrRect{10, 30, 0, 16}), std::nullopt,
                 u"rettangolo vuoto o non valido"},
        TBadCase{"a negative height", WithWord(2, 0, TOcrRect{10, 30, 40, -16}), std::nullopt,
                 u"rettangolo vuoto o non valido"},
        TBadCase{"not a number", WithWord(0, 0, TOcrRect{NaN, 10, 40, 16}), std::nullopt,
                 u"rettangolo vuoto o non valido"},
        TBadCase{"infinite", WithWord(3, 0, TOcrRect{130, 30, Infinity, 16}), std::nullopt,
                 u"rettangolo vuoto o non valido"},
        TBadCase{"words out of reading order", WithWord(0, 1, TOcrRect{0, 10, 30, 16}), std::nullopt,
                 u"parole fuori ordine"},
        TBadCase{"a word off its line", WithWord(0, 1, TOcrRect{60, 200, 30, 16}), std::nullopt,
                 u"parole fuori ordine"},
        TBadCase{"lines going up the same column", Concat(Column(10, 50, {u"lower"}), Column(10, 10, {u"upper"})),
                 std::nullopt, u"righe fuori ordine"},
        TBadCase{"a line without words", Concat(Wrapped, {TOcrTextLine{u"own text", {}}}), std::nullopt,
                 u"riga senza parole"},
        TBadCase{"rotated text", Wrapped, 4.5, u"testo ruotato"},
        TBadCase{"rotated the other way", Wrapped, -1.5, u"testo ruotato"},
        TBadCase{"an angle that could not be read", Wrapped, std::nan(""), u"testo ruotato"}));

TEST(OcrLayoutFallbackTest, ASmallAngleOrNoneIsFine) {
  for (const std::optional<double> angle : {std::optional<double>(), std::optional<double>(0.4)})
    EXPECT_EQ(OcrLayoutProblem(Wrapped, angle), std::nullopt);
  EXPECT_EQ(OcrTextLayoutName(Lines), u"lines");
  EXPECT_EQ(OcrTextLayoutName(Paragraphs), u"paragraphs");
  EXPECT_EQ(OcrTextLayoutName(OneLine), u"one line");
  EXPECT_EQ(OcrTextLayoutName(Table), u"table");
}

} // namespace
} // namespace tarvel
