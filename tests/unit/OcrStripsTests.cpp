// An image larger than the engine takes is read in strips that fit, cut between lines and
// words, and their text joins as the whole image's would have.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "fakes/FakeClock.h"
#include "fakes/FakeOcrRuntime.h"
#include "ocr/OcrStrips.h"
#include "ocr/uWinRTOcr.h"

namespace tarvel {
namespace {

constexpr std::uint32_t White = 0xFFFFFFFF;

// Words drawn as blocks whose colour says which they are: green is the line, blue the word.
struct TPage {
  int Width, Height;
  std::vector<std::vector<TOcrRect>> Words; // per line

  TBitmap32 Draw() const {
    TBitmap32 image(Width, Height, White);
    for (std::size_t line = 0; line < Words.size(); ++line)
      for (std::size_t word = 0; word < Words[line].size(); ++word) {
        const TOcrRect& r = Words[line][word];
        for (int y = static_cast<int>(r.Y); y < static_cast<int>(r.Y + r.Height); ++y)
          for (int x = static_cast<int>(r.X); x < static_cast<int>(r.X + r.Width); ++x)
            image.SetPixel(x, y,
                           0xFF000000u | static_cast<std::uint32_t>(line) << 8 | static_cast<std::uint32_t>(word));
      }
    return image;
  }
};

// A page of ALines lines of AWords words, each 300 x 20 with 100 between words and 20 between
// lines.
TPage Grid(int ALines, int AWords) {
  TPage page{50 + 400 * AWords, 20 + 40 * ALines, {}};
  for (int line = 0; line < ALines; ++line) {
    page.Words.emplace_back();
    for (int word = 0; word < AWords; ++word)
      page.Words.back().push_back({50.0f + 400.0f * word, 10.0f + 40.0f * line, 300, 20});
  }
  return page;
}

// The engine over a drawn page: each colour's blocks are a word, at their bounding box.
std::vector<TFakeOcrRuntime::TLine> ReadBlocks(const TFakeOcrRuntime::TBitmapMade& AImage) {
  std::map<std::pair<int, int>, TOcrRect> found;
  for (int y = 0; y < AImage.Height; ++y)
    for (int x = 0; x < AImage.Width; ++x) {
      const std::uint8_t* p = &AImage.Bytes[(static_cast<std::size_t>(y) * AImage.Width + x) * 4];
      if (p[0] == 255 && p[1] == 255 && p[2] == 255)
        continue;
      const auto key = std::make_pair(static_cast<int>(p[1]), static_cast<int>(p[0]));
      const auto [at, fresh] = found.try_emplace(key, TOcrRect{float(x), float(y), 1, 1});
      TOcrRect& r = at->second;
      if (!fresh) {
        const float right = std::max(r.X + r.Width, float(x + 1));
        const float bottom = std::max(r.Y + r.Height, float(y + 1));
        r.X = std::min(r.X, float(x));
        r.Y = std::min(r.Y, float(y));
        r.Width = right - r.X;
        r.Height = bottom - r.Y;
      }
    }
  std::vector<TFakeOcrRuntime::TLine> lines;
  int current = -1;
  for (const auto& [key, bounds] : found) {
    if (key.first != current) {
      lines.push_back({false, std::vector<TFakeOcrRuntime::TWord>{}, u""});
      current = key.first;
    }
    const std::u16string text =
        u"L" + std::u16string(1, char16_t(u'0' + key.first)) + u"W" + std::u16string(1, char16_t(u'0' + key.second));
    lines.back().Words->push_back({text, bounds});
  }
  return lines;
}

TEST(OcrStripsTest, CutsFallBetweenWordsAndLinesAndEveryStripFits) {
  const TBitmap32 image = Grid(30, 6).Draw(); // 2450 x 1220
  struct TCase {
    std::uint32_t Max;
    std::size_t Strips;
  };
  // At 600 each piece holds one word: no cut runs through one, at the cost of more pieces.
  for (const TCase& c : {TCase{10000, 1}, TCase{2450, 1}, TCase{2449, 2}, TCase{1000, 6}, TCase{600, 18}}) {
    SCOPED_TRACE(c.Max);
    const std::vector<TOcrStrip> strips = PlanOcrStrips(image, c.Max);
    ASSERT_EQ(strips.size(), c.Strips);
    long long area = 0;
    for (const TOcrStrip& s : strips) {
      EXPECT_LE(static_cast<std::uint32_t>(s.Width), c.Max);
      EXPECT_LE(static_cast<std::uint32_t>(s.Height), c.Max);
      area += static_cast<long long>(s.Width) * s.Height;
      if (strips.size() == 1)
        continue;
      // A cut through ink would show as a coloured pixel on a strip's first row or column.
      for (int x = 0; s.Top > 0 && x < s.Width; ++x)
        EXPECT_EQ(image.Pixel(s.Left + x, s.Top), White) << "row cut at " << s.Top;
      for (int y = 0; s.Left > 0 && y < s.Height; ++y)
        EXPECT_EQ(image.Pixel(s.Left, s.Top + y), White) << "column cut at " << s.Left;
    }
    EXPECT_EQ(area, static_cast<long long>(image.Width()) * image.Height());
  }
}

TEST(OcrStripsTest, AnImageWithNoQuietPlaceIsStillCutIntoPiecesThatFit) {
  TBitmap32 image(2601, 30);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      image.SetPixel(x, y, (x + y) % 2 ? White : 0xFF000000);
  const std::vector<TOcrStrip> strips = PlanOcrStrips(image, 2600);
  ASSERT_EQ(strips.size(), 2u);
  EXPECT_EQ(strips[0].Width + strips[1].Width, 2601);
  EXPECT_GE(std::min(strips[0].Width, strips[1].Width), 650) << "no sliver of a strip";
}

class OcrStripRecognitionTest : public testing::Test {
protected:
  OcrStripRecognitionTest() { FRuntime.Read = ReadBlocks; }
  std::u16string Recognize(const TBitmap32& AImage, std::uint32_t AMax, TOcrTextLayout ALayout) {
    FRuntime.MaxDimension = AMax;
    FRuntime.Bitmaps.clear();
    FLog.clear();
    return RecognizeBitmap(FContext, &AImage, u"", false, ALayout);
  }

  TFakeOcrRuntime FRuntime;
  TFakeClock FClock;
  std::vector<std::u16string> FLog;
  TOcrContext FContext{{FClock, &FLog}, FRuntime};
};

TEST_F(OcrStripRecognitionTest, TheTextOfStripsIsTheTextOfTheWholeImage) {
  const TBitmap32 image = Grid(16, 6).Draw(); // 2450 x 660
  for (const TOcrTextLayout layout : {TOcrTextLayout::Lines, TOcrTextLayout::Paragraphs, TOcrTextLayout::Table}) {
    SCOPED_TRACE(std::string(OcrTextLayoutName(layout).begin(), OcrTextLayoutName(layout).end()));
    const std::u16string whole = Recognize(image, 10000, layout);
    ASSERT_EQ(FRuntime.Bitmaps.size(), 1u);
    EXPECT_EQ(whole.substr(0, 23),
              layout == TOcrTextLayout::Table ? u"L0W0\tL0W1\tL0W2\tL0W3\tL0W" : u"L0W0 L0W1 L0W2 L0W3 L0W");
    for (const std::uint32_t max : {2449u, 600u}) {
      SCOPED_TRACE(max);
      EXPECT_EQ(Recognize(image, max, layout), whole);
      EXPECT_GT(FRuntime.Bitmaps.size(), 1u);
      for (const TFakeOcrRuntime::TBitmapMade& made : FRuntime.Bitmaps)
        EXPECT_TRUE(static_cast<std::uint32_t>(std::max(made.Width, made.Height)) <= max);
    }
  }
  EXPECT_EQ(FRuntime.Alive, 0);
}

// The selection that failed with "Invalid parameter": one line, one pixel wider than the
// engine's limit.
TEST_F(OcrStripRecognitionTest, ALineOnePixelWiderThanTheLimitGivesItsText) {
  const TPage page{2601, 30, {{{10, 5, 600, 20}, {900, 5, 600, 20}, {1800, 5, 700, 20}}}};
  EXPECT_EQ(Recognize(page.Draw(), 2600, TOcrTextLayout::Lines), u"L0W0 L0W1 L0W2");
  ASSERT_EQ(FRuntime.Bitmaps.size(), 2u);
  EXPECT_NE(std::find_if(FLog.begin(), FLog.end(),
                         [](const std::u16string& ALine) {
                           return ALine.find(u"Immagine 2601x30 oltre il limite del motore: riconosciuta in 2 parti") !=
                                  std::u16string::npos;
                         }),
            FLog.end());
}

// A limit too small to believe (a runtime that answers 0) hands the image over whole, as
// before, rather than in thousands of pieces.
TEST_F(OcrStripRecognitionTest, AnUnbelievableLimitLeavesTheImageWhole) {
  const TPage page{400, 30, {{{10, 5, 100, 20}}}};
  FRuntime.Read = nullptr;
  FRuntime.Lines = {{TFakeOcrRuntime::TLine{false, TFakeOcrRuntime::Words({u"whole"}), u""}}};
  FRuntime.MaxDimension = 0;
  FRuntime.Bitmaps.clear();
  const TBitmap32 image = page.Draw();
  EXPECT_THROW(RecognizeBitmap(FContext, &image, u"", false), EOSError) << "the engine refuses it, as before";
  EXPECT_EQ(FRuntime.Bitmaps.size(), 1u);
}

TEST(OcrStripsJoinTest, LinesOfPiecesSideBySideJoinAndBadOnesFollow) {
  const auto line = [](std::initializer_list<TOcrWordBox> AWords) {
    TOcrTextLine l;
    l.Words = AWords;
    l.Text = JoinOcrWords(l.Words, true);
    return l;
  };
  std::vector<TOcrStripReading> strips{
      {{0, 0, 100, 100}, {line({{u"a", TOcrRect{10, 10, 20, 10}}}), line({{u"c", TOcrRect{10, 50, 20, 10}}})}, 0.0},
      {{100, 0, 100, 100},
       {line({{u"d", TOcrRect{5, 52, 20, 10}}}), line({{u"b", TOcrRect{5, 8, 20, 10}}}),
        line({{u"e", TOcrRect{5, 80, 20, 10}}}), line({{u"?", std::nullopt}})},
       0.0},
      {{0, 100, 200, 50}, {line({{u"f", TOcrRect{10, 10, 20, 10}}})}, 0.0},
  };
  std::optional<double> angle;
  const std::vector<TOcrTextLine> lines = JoinOcrStrips(strips, true, angle);
  std::vector<std::u16string> texts;
  for (const TOcrTextLine& l : lines)
    texts.push_back(l.Text);
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"a b", u"c d", u"e", u"?", u"f"}));
  EXPECT_EQ(lines[1].Words[1].Bounds, (TOcrRect{105, 52, 20, 10})) << "moved onto the whole image";
  EXPECT_EQ(lines[4].Words[0].Bounds, (TOcrRect{10, 110, 20, 10}));
  EXPECT_EQ(angle, 0.0);

  strips[1].TextAngle = 5.0;
  JoinOcrStrips(strips, true, angle);
  EXPECT_TRUE(angle && std::isnan(*angle)) << "strips that disagree on the angle";
}

} // namespace
} // namespace tarvel
