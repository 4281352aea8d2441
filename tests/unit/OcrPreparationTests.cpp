// The OCR image preparation: the enlargement factor, the grey mapping, the inversion of dark
// images and the runtime buffer's layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "core/Text.h"
#include "fakes/FakeClock.h"
#include "ocr/OcrPreparation.h"
#include "ocr/OcrRowKernels.h"

namespace tarvel {
namespace {

using TLines = std::vector<std::u16string>;

std::uint32_t Grey(int AValue) {
  const auto v = static_cast<std::uint32_t>(AValue);
  return 0xFF000000u | v << 16 | v << 8 | v;
}

class OcrPreparationTest : public testing::Test {
protected:
  std::optional<TBitmap32> Prepare(const TBitmap32& AImage, TOcrResampleFilter AFilter = OcrResampleFilter) {
    return PreprocessOcrBitmap(&AImage, FLog, AFilter);
  }
  std::u16string LastLine() const { return FLines.empty() ? u"" : FLines.back().substr(13); }

  TFakeClock FClock;
  TLines FLines;
  TOcrLog FLog{FClock, &FLines};
};

TEST(OcrScaleTest, TheFactorFollowsTheLongestSide) {
  const struct {
    int Width, Height, Factor;
  } cases[] = {{220, 10, 4},  {221, 10, 3}, {700, 10, 3}, {701, 10, 2},  {1200, 10, 2},
               {1201, 10, 1}, {10, 221, 3}, {1, 1, 4},    {1300, 40, 1}, {4000, 3000, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(ChooseOcrScale(TBitmap32(c.Width, c.Height)), c.Factor) << c.Width << "x" << c.Height;
}

TEST(OcrMappingTest, StretchesAroundMidGreyRoundingHalvesToEven) {
  const struct {
    int Luminance, Value;
  } cases[] = {{0, 0},     {55, 0},    {56, 2},    {126, 124}, {127, 126}, {128, 128},
               {129, 130}, {130, 132}, {200, 254}, {201, 255}, {255, 255}};
  for (const auto& c : cases)
    EXPECT_EQ(OcrStretchedLuminance(c.Luminance), c.Value) << "L " << c.Luminance;
  // Every value against the formula itself.
  for (int l = 0; l < 256; ++l)
    EXPECT_EQ(OcrStretchedLuminance(l), std::clamp(static_cast<int>(std::nearbyint((l - 128) * 1.75 + 128)), 0, 255))
        << "L " << l;
  EXPECT_EQ(OcrLuminance(0xFF102030), (77 * 0x10 + 150 * 0x20 + 29 * 0x30) >> 8);
  EXPECT_EQ(OcrLuminance(0x00FFFFFF), 255); // alpha plays no part
}

TEST_F(OcrPreparationTest, PlainImagesAndTheInversionThreshold) {
  const struct {
    const char* Name;
    int Shade;
    std::uint32_t Expected;
    const char16_t* Average;
    const char16_t* Inverted;
  } cases[] = {
      {"white stays white", 255, Grey(255), u"255", u"False"},
      {"black is inverted to white", 0, Grey(255), u"0", u"True"},
      // A flat image has no text to stretch: it keeps its grey.
      {"an average of 96 is not inverted", 96, Grey(96), u"96", u"False"},
      {"an average of 95 is", 95, Grey(160), u"95", u"True"},
  };
  for (const auto& c : cases)
    for (const TOcrResampleFilter filter :
         {TOcrResampleFilter::Nearest, TOcrResampleFilter::Box, TOcrResampleFilter::Bilinear,
          TOcrResampleFilter::CatmullRom, TOcrResampleFilter::Lanczos3}) {
      SCOPED_TRACE(testing::Message() << c.Name << ", filter " << static_cast<int>(filter));
      const std::optional<TBitmap32> prepared = Prepare(TBitmap32(30, 12, Grey(c.Shade)), filter);
      ASSERT_TRUE(prepared);
      ASSERT_EQ(prepared->Width(), 120);
      ASSERT_EQ(prepared->Height(), 48);
      for (int y = 0; y < prepared->Height(); ++y)
        for (int x = 0; x < prepared->Width(); ++x)
          ASSERT_EQ(prepared->Pixel(x, y), c.Expected) << "at " << x << ", " << y;
      EXPECT_EQ(LastLine(), std::u16string(u"Preprocess OCR: source=30x12 scale=4 target=120x48 avgLum=") + c.Average +
                                u" inverted=" + c.Inverted);
    }
}

// The decision is taken on the enlarged pixels as they come out, each rounded: rows of 89, 101
// and 97 enlarged four times average exactly 96 (95.67 before rounding).
TEST_F(OcrPreparationTest, AnEnlargedAverageOfExactly96IsNotInverted) {
  TBitmap32 image(4, 3);
  const int rows[] = {89, 101, 97};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      image.SetPixel(x, y, Grey(rows[y]));
  const std::optional<TBitmap32> prepared = Prepare(image, TOcrResampleFilter::Bilinear);
  ASSERT_TRUE(prepared);
  EXPECT_EQ(LastLine(), u"Preprocess OCR: source=4x3 scale=4 target=16x12 avgLum=96 inverted=False");
  EXPECT_EQ(prepared->Pixel(0, 0), Grey(89)); // too little contrast to stretch
}

TEST_F(OcrPreparationTest, WhiteTextOnBlackBecomesBlackTextOnWhite) {
  TBitmap32 image(40, 20, Grey(0));
  for (int y = 8; y < 12; ++y)
    for (int x = 10; x < 30; ++x)
      image.SetPixel(x, y, Grey(255));
  const std::optional<TBitmap32> prepared = Prepare(image, TOcrResampleFilter::Nearest);
  ASSERT_TRUE(prepared);
  EXPECT_EQ(prepared->Pixel(0, 0), Grey(255));
  EXPECT_EQ(prepared->Pixel(80, 40), Grey(0));
  EXPECT_NE(LastLine().find(u"inverted=True"), std::u16string::npos);
}

TEST_F(OcrPreparationTest, EveryPixelComesOutGreyAndOpaque) {
  TBitmap32 image(50, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 50; ++x)
      image.SetPixel(x, y, static_cast<std::uint32_t>(x * 5) << 16 | static_cast<std::uint32_t>(y * 8) << 8 | 0x40);
  const std::optional<TBitmap32> prepared = Prepare(image);
  ASSERT_TRUE(prepared);
  for (int y = 0; y < prepared->Height(); ++y)
    for (int x = 0; x < prepared->Width(); ++x) {
      const std::uint32_t p = prepared->Pixel(x, y);
      ASSERT_EQ(p >> 24, 0xFFu);
      ASSERT_EQ(p & 0xFF, (p >> 8) & 0xFF);
      ASSERT_EQ(p & 0xFF, (p >> 16) & 0xFF);
    }
  EXPECT_EQ(image.Pixel(49, 29), 0x00F5E840u) << "the input changed";
}

TEST_F(OcrPreparationTest, SizesAndTheLogLine) {
  std::optional<TBitmap32> prepared = Prepare(TBitmap32(1, 1, Grey(255)));
  ASSERT_TRUE(prepared);
  EXPECT_EQ(prepared->Width(), 4);
  EXPECT_EQ(prepared->Height(), 4);
  prepared = Prepare(TBitmap32(1300, 40, Grey(255)));
  ASSERT_TRUE(prepared);
  EXPECT_EQ(prepared->Width(), 1300);
  EXPECT_EQ(prepared->Height(), 40);
  prepared = Prepare(TBitmap32(300, 120, Grey(211)));
  EXPECT_EQ(LastLine(), u"Preprocess OCR: source=300x120 scale=3 target=900x360 avgLum=211 inverted=False");
}

TEST_F(OcrPreparationTest, NothingToPrepare) {
  EXPECT_FALSE(PreprocessOcrBitmap(nullptr, FLog));
  EXPECT_FALSE(Prepare(TBitmap32()));
  EXPECT_EQ(FLines.size(), 2u);
  EXPECT_EQ(LastLine(), u"Preprocess OCR saltato: bitmap non valida");
}

// A sharp edge stays where it was, whatever the filter: the enlargement does not shift.
TEST_F(OcrPreparationTest, TheFiltersKeepEdgesInPlace) {
  TBitmap32 image(20, 10, Grey(255));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      image.SetPixel(x, y, Grey(0)); // left half black
  for (const TOcrResampleFilter filter : {TOcrResampleFilter::Nearest, TOcrResampleFilter::Bilinear,
                                          TOcrResampleFilter::CatmullRom, TOcrResampleFilter::Lanczos3}) {
    SCOPED_TRACE(static_cast<int>(filter));
    const std::optional<TBitmap32> prepared = Prepare(image, filter);
    ASSERT_TRUE(prepared);
    // Scale 4: source column 9 ends at target 39, column 10 starts at 40; the mean of the two
    // target pixels at the edge is mid-grey, mapped to itself.
    const int left = prepared->Pixel(39, 20) & 0xFF;
    const int right = prepared->Pixel(40, 20) & 0xFF;
    EXPECT_LT(left, 128);
    EXPECT_GT(right, 128);
    EXPECT_NEAR(left + right, 256, 2);
    EXPECT_EQ(prepared->Pixel(0, 0) & 0xFF, 0u);
    EXPECT_EQ(prepared->Pixel(79, 39) & 0xFF, 255u);
  }
}

// The processor's faster loops and the plain ones give the same image, at every scale, with
// widths that leave a remainder after the last whole block, light and dark.
TEST_F(OcrPreparationTest, TheFastLoopsGiveWhatThePlainOnesGive) {
  struct TRestore {
    ~TRestore() { UseOcrRowKernels(TOcrKernels::Best); }
  } restore;
  const struct {
    int Width, Height, Scale, Base;
  } cases[] = {{37, 23, 4, 200}, {250, 31, 3, 200}, {611, 9, 3, 30}, {733, 5, 2, 200}, {1213, 3, 1, 30}, {5, 3, 4, 30}};
  std::uint32_t seed = 7;
  for (const auto& c : cases) {
    TBitmap32 image(c.Width, c.Height);
    for (int y = 0; y < c.Height; ++y)
      for (int x = 0; x < c.Width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        // Mostly the base shade, with a dark or light stroke here and there.
        const int shade = (seed >> 24) < 40 ? 255 - c.Base : c.Base + static_cast<int>((seed >> 8) % 40) - 20;
        image.SetPixel(x, y, Grey(std::clamp(shade, 0, 255)) ^ ((seed >> 4) & 0x0F0F0F));
      }
    ASSERT_EQ(ChooseOcrScale(image), c.Scale);
    for (const TOcrResampleFilter filter : {TOcrResampleFilter::Nearest, TOcrResampleFilter::Bilinear}) {
      UseOcrRowKernels(TOcrKernels::Plain);
      const std::optional<TBitmap32> plain = Prepare(image, filter);
      const std::u16string plainLine = LastLine();
      ASSERT_TRUE(plain);
      EXPECT_NE(plainLine.find(c.Base < OcrInvertThreshold ? u"inverted=True" : u"inverted=False"),
                std::u16string::npos);
      for (const TOcrKernels kernels : {TOcrKernels::Sse2, TOcrKernels::Best}) {
        SCOPED_TRACE(testing::Message() << c.Width << "x" << c.Height << ", filter " << static_cast<int>(filter)
                                        << ", loops " << static_cast<int>(kernels));
        UseOcrRowKernels(kernels);
        const std::optional<TBitmap32> fast = Prepare(image, filter);
        ASSERT_TRUE(fast);
        EXPECT_EQ(LastLine(), plainLine);
        for (int y = 0; y < plain->Height(); ++y)
          for (int x = 0; x < plain->Width(); ++x)
            ASSERT_EQ(fast->Pixel(x, y), plain->Pixel(x, y)) << "at " << x << ", " << y;
      }
    }
  }
}

// The bilinear enlargement computed here on its own: target pixel X takes source position
// (X + 0.5) / AScale - 0.5 between its two neighbours, the edges repeated.
std::vector<double> BilinearEnlargement(const std::vector<int>& ASource, int AScale) {
  const int size = static_cast<int>(ASource.size());
  std::vector<double> target;
  for (int x = 0; x < size * AScale; ++x) {
    const double position = (x + 0.5) / AScale - 0.5;
    const int left = static_cast<int>(std::floor(position));
    const double fraction = position - left;
    const auto at = [&](int AIndex) { return ASource[static_cast<std::size_t>(std::clamp(AIndex, 0, size - 1))]; };
    target.push_back(at(left) * (1 - fraction) + at(left + 1) * fraction);
  }
  return target;
}

// A ramp up and down by 67, so that neighbours differ a lot and both ways. Ending where it
// did not start, it shows a row weight of the average that slides the picture.
std::vector<int> Zigzag(int ALength) {
  std::vector<int> values;
  for (int i = 0; i < ALength; ++i) {
    const int step = i % 6;
    values.push_back(20 + 67 * (step <= 3 ? step : 6 - step));
  }
  return values;
}

// The two-tap loops against the enlargement computed above, along each axis of a ramp that
// changes along that axis only, at every factor they serve: each enlarged luminance is the
// exact one rounded to the nearest, and the average is that of the enlarged image. The fixed
// contrast step maps each one on its own, so its pixels show every luminance.
TEST_F(OcrPreparationTest, BilinearEnlargementMatchesTheReference) {
  struct TRestore {
    ~TRestore() { UseOcrRowKernels(TOcrKernels::Best); }
  } restore;
  const struct {
    int Along, Across, Scale; // the ramp's length, the other side
  } cases[] = {{38, 5, 4}, {10, 150, 4}, {250, 3, 3}, {10, 300, 3}, {711, 2, 2}, {10, 800, 2}};
  for (const auto& c : cases)
    for (const bool horizontal : {true, false}) {
      const std::vector<int> ramp = Zigzag(c.Along);
      const std::vector<double> exact = BilinearEnlargement(ramp, c.Scale);
      std::vector<int> rounded;
      double exactSum = 0, roundedSum = 0;
      for (const double v : exact) {
        rounded.push_back(static_cast<int>(std::floor(v + 0.5)));
        exactSum += v;
        roundedSum += rounded.back();
      }
      const int width = horizontal ? c.Along : c.Across;
      const int height = horizontal ? c.Across : c.Along;
      TBitmap32 image(width, height);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          image.SetPixel(x, y, Grey(ramp[static_cast<std::size_t>(horizontal ? x : y)]));
      ASSERT_EQ(ChooseOcrScale(image), c.Scale);
      const auto count = static_cast<double>(exact.size());
      const int exactAverage = static_cast<int>(exactSum / count);
      const int roundedAverage = static_cast<int>(roundedSum / count);
      const bool inverted = roundedAverage < OcrInvertThreshold;
      for (const TOcrKernels kernels : {TOcrKernels::Plain, TOcrKernels::Sse2, TOcrKernels::Best}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height << ", loops " << static_cast<int>(kernels));
        UseOcrRowKernels(kernels);
        const std::optional<TBitmap32> prepared =
            PreprocessOcrBitmap(&image, FLog, TOcrResampleFilter::Bilinear, TOcrContrastStep::Fixed);
        ASSERT_TRUE(prepared);
        for (int y = 0; y < prepared->Height(); ++y)
          for (int x = 0; x < prepared->Width(); ++x) {
            const int l = rounded[static_cast<std::size_t>(horizontal ? x : y)];
            ASSERT_EQ(prepared->Pixel(x, y), Grey(OcrStretchedLuminance(inverted ? 255 - l : l)))
                << "at " << x << ", " << y << ": exact " << exact[static_cast<std::size_t>(horizontal ? x : y)];
          }
        // The average may come from the pixels before or after their rounding.
        const std::u16string line = LastLine();
        const std::size_t at = line.find(u"avgLum=");
        ASSERT_NE(at, std::u16string::npos);
        const int average = std::stoi(ToUtf8(line.substr(at + 7)));
        EXPECT_TRUE(average == exactAverage || average == roundedAverage)
            << average << " for " << exactSum / count << " before rounding, " << roundedSum / count << " after";
        EXPECT_NE(line.find(inverted ? u"inverted=True" : u"inverted=False"), std::u16string::npos);
      }
    }
}

TEST(OcrLevelsTest, TheBackgroundAndTheCoreOfTheText) {
  using THistogram = std::array<std::uint64_t, 256>;
  const auto histogram = [](std::initializer_list<std::pair<int, std::uint64_t>> ACounts) {
    THistogram h{};
    for (const auto& [level, count] : ACounts)
      h[static_cast<std::size_t>(level)] += count;
    return h;
  };
  const struct {
    const char* Name;
    THistogram Histogram;
    TOcrLevels Levels;
  } cases[] = {
      {"no pixels", {}, {0, 255}},
      {"flat", histogram({{128, 500}}), {0, 255}},
      {"nearly flat: noise is no text", histogram({{200, 450}, {190, 30}, {177, 20}}), {0, 255}},
      {"grey text on white", histogram({{255, 400}, {102, 40}, {160, 30}, {200, 30}}), {102, 255}},
      {"a few darker pixels do not set the core", histogram({{240, 900}, {90, 97}, {0, 3}}), {90, 240}},
      {"a few lighter pixels go white with the background", histogram({{230, 850}, {255, 50}, {40, 100}}), {40, 230}},
      {"the weakest contrast that is stretched", histogram({{200, 90}, {176, 10}}), {176, 200}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OcrImageLevels(c.Histogram), c.Levels) << c.Name;
}

TEST(OcrLevelsTest, TheAdaptiveStepIsLinearBetweenTheLevels) {
  const struct {
    int Luminance, Dark, Light, Value;
  } cases[] = {{102, 102, 255, 0},  {90, 102, 255, 0},   {255, 102, 255, 255}, {200, 102, 255, 163},
               {160, 102, 255, 97}, {240, 40, 230, 255}, {135, 40, 230, 128}};
  for (const auto& c : cases)
    EXPECT_EQ(OcrAdaptiveLuminance(c.Luminance, {c.Dark, c.Light}), c.Value)
        << "L " << c.Luminance << " between " << c.Dark << " and " << c.Light;
  // Levels of 0 and 255 change nothing.
  for (int l = 0; l < 256; ++l)
    EXPECT_EQ(OcrAdaptiveLuminance(l, {}), l);
}

// Thin strokes as a screen draws grey text: a core of one column with softer columns on each
// side, on white and, lighter, on a dark grey.
TBitmap32 Strokes(int ABackground, int ACore, int AInner, int AOuter) {
  TBitmap32 image(40, 12, Grey(ABackground));
  for (int y = 2; y < 10; ++y)
    for (const int x : {10, 20, 30}) {
      image.SetPixel(x - 1, y, Grey(AOuter));
      image.SetPixel(x, y, Grey(ACore));
      image.SetPixel(x + 1, y, Grey(AInner));
    }
  return image;
}

// The prepared luminances of a stroke (outer edge, core, inner edge) and of the background,
// enlarged without blending so that each source pixel shows as it is mapped.
std::array<int, 4> StrokeShades(const TBitmap32& APrepared) {
  const auto at = [&](int AX) { return static_cast<int>(APrepared.Pixel(4 * AX + 1, 4 * 5 + 1) & 0xFF); };
  return {at(19), at(20), at(21), at(0)};
}

TEST_F(OcrPreparationTest, TheSoftEdgesOfGreyStrokesStayGrey) {
  const TBitmap32 onWhite = Strokes(255, 102, 160, 200);
  const TBitmap32 onDark = Strokes(60, 180, 140, 100);
  const struct {
    const char* Name;
    const TBitmap32& Image;
    TOcrContrastStep Step;
    std::array<int, 4> Shades; // outer edge, core, inner edge, background
  } cases[] = {
      // The program's step: the core black, the background white, the edges in proportion.
      {"grey on white", onWhite, OcrContrastStep, {163, 0, 97, 255}},
      {"light grey on dark grey, inverted", onDark, OcrContrastStep, {170, 0, 85, 255}},
      {"grey on white, no stretch", onWhite, TOcrContrastStep::None, {200, 102, 160, 255}},
      {"light grey on dark grey, no stretch", onDark, TOcrContrastStep::None, {155, 75, 115, 195}},
      // The fixed stretch turns the outer edge white: the stroke thins, letters break up.
      {"grey on white, fixed", onWhite, TOcrContrastStep::Fixed, {254, 82, 184, 255}},
      {"light grey on dark grey, fixed", onDark, TOcrContrastStep::Fixed, {175, 35, 105, 245}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::optional<TBitmap32> prepared = PreprocessOcrBitmap(&c.Image, FLog, TOcrResampleFilter::Nearest, c.Step);
    ASSERT_TRUE(prepared);
    EXPECT_EQ(StrokeShades(*prepared), c.Shades);
  }
}

// The fast loops and the plain ones map a stretched image alike.
TEST_F(OcrPreparationTest, AStretchedImageFromTheFastLoops) {
  struct TRestore {
    ~TRestore() { UseOcrRowKernels(TOcrKernels::Best); }
  } restore;
  const TBitmap32 image = Strokes(255, 102, 160, 200);
  UseOcrRowKernels(TOcrKernels::Plain);
  const std::optional<TBitmap32> plain =
      PreprocessOcrBitmap(&image, FLog, TOcrResampleFilter::Bilinear, TOcrContrastStep::Adaptive);
  UseOcrRowKernels(TOcrKernels::Best);
  const std::optional<TBitmap32> fast =
      PreprocessOcrBitmap(&image, FLog, TOcrResampleFilter::Bilinear, TOcrContrastStep::Adaptive);
  ASSERT_TRUE(plain && fast);
  EXPECT_LT(StrokeShades(*plain)[1], 40) << "the core of the stroke should be stretched towards black";
  for (int y = 0; y < plain->Height(); ++y)
    for (int x = 0; x < plain->Width(); ++x)
      ASSERT_EQ(fast->Pixel(x, y), plain->Pixel(x, y)) << "at " << x << ", " << y;
}

TEST(OcrBufferTest, TopRowFirstWithoutPaddingEachPixelOpaque) {
  TBitmap32 image(2, 2);
  image.SetPixel(0, 0, 0x00112233);
  image.SetPixel(1, 0, 0x00445566);
  image.SetPixel(0, 1, 0x80778899);
  image.SetPixel(1, 1, 0xFFAABBCC);
  EXPECT_EQ(OcrBufferBytes(image), (std::vector<std::uint8_t>{0x33, 0x22, 0x11, 255, 0x66, 0x55, 0x44, 255, 0x99, 0x88,
                                                              0x77, 255, 0xCC, 0xBB, 0xAA, 255}));
}

} // namespace
} // namespace tarvel
