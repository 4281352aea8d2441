#include "ocr/OcrPreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/Text.h"
#include "ocr/OcrRowKernels.h"

namespace tarvel {

namespace {

// Weights are fixed point with 14 fractional bits.
constexpr int WeightBits = 14;
constexpr int WeightOne = 1 << WeightBits;

double Kernel(TOcrResampleFilter AFilter, double AX) {
  const double x = std::abs(AX);
  switch (AFilter) {
  case TOcrResampleFilter::Nearest:
  case TOcrResampleFilter::Box: return x <= 0.5 ? 1.0 : 0.0;
  case TOcrResampleFilter::Bilinear: return x < 1.0 ? 1.0 - x : 0.0;
  case TOcrResampleFilter::CatmullRom:
    if (x < 1.0)
      return 1.5 * x * x * x - 2.5 * x * x + 1.0;
    if (x < 2.0)
      return -0.5 * x * x * x + 2.5 * x * x - 4.0 * x + 2.0;
    return 0.0;
  case TOcrResampleFilter::Lanczos3: {
    if (x < 1e-9)
      return 1.0;
    if (x >= 3.0)
      return 0.0;
    const double px = std::numbers::pi * x;
    return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
  }
  }
  return 0.0;
}

int Support(TOcrResampleFilter AFilter) {
  switch (AFilter) {
  case TOcrResampleFilter::Bilinear: return 1;
  case TOcrResampleFilter::CatmullRom: return 2;
  case TOcrResampleFilter::Lanczos3: return 3;
  default: return 1;
  }
}

// For each of the AScale phases of an enlargement by an integer factor: the first source
// index relative to the target's source pixel, and the taps' fixed-point weights, which add
// up to one.
struct TPhase {
  int First = 0;
  std::vector<int> Weights;
};

std::vector<TPhase> MakePhases(TOcrResampleFilter AFilter, int AScale) {
  std::vector<TPhase> phases(static_cast<std::size_t>(AScale));
  for (int p = 0; p < AScale; ++p) {
    TPhase& phase = phases[static_cast<std::size_t>(p)];
    if (AFilter == TOcrResampleFilter::Nearest || AFilter == TOcrResampleFilter::Box) {
      // Enlarged by a whole factor, a target pixel covers part of one source pixel only:
      // the area average is that pixel, as is the nearest one.
      phase.Weights = {WeightOne};
      continue;
    }
    // The target pixel's centre in source coordinates, relative to its source pixel's centre.
    const double offset = (p + 0.5) / AScale - 0.5;
    const int support = Support(AFilter);
    phase.First = -support + (offset < 0 ? 0 : 1);
    std::vector<double> weights;
    double sum = 0;
    for (int i = phase.First; i < phase.First + 2 * support; ++i) {
      const double w = Kernel(AFilter, offset - i);
      weights.push_back(w);
      sum += w;
    }
    int total = 0;
    for (const double w : weights) {
      phase.Weights.push_back(static_cast<int>(std::lround(w / sum * WeightOne)));
      total += phase.Weights.back();
    }
    // Whatever rounding lost goes to the largest tap, so that a plain area stays plain.
    *std::max_element(phase.Weights.begin(), phase.Weights.end()) += WeightOne - total;
  }
  return phases;
}

std::uint8_t ClampByte(int AValue) noexcept {
  return static_cast<std::uint8_t>(std::clamp(AValue, 0, 255));
}

// One phase of a row: target pixel x * AStride of ATarget from the taps around source pixel
// x of a row padded on both sides, for every x.
template <int Taps>
void EnlargeRowPhase(const std::uint8_t* APadded, int AWidth, const TPhase& APhase, std::uint8_t* ATarget,
                     int AStride) {
  int weights[Taps];
  for (int k = 0; k < Taps; ++k)
    weights[k] = APhase.Weights[static_cast<std::size_t>(k)];
  const std::uint8_t* source = APadded + APhase.First;
  for (int x = 0; x < AWidth; ++x) {
    int sum = WeightOne / 2;
    for (int k = 0; k < Taps; ++k)
      sum += weights[k] * source[x + k];
    ATarget[static_cast<std::size_t>(x) * AStride] = ClampByte(sum >> WeightBits);
  }
}

// Enlarges a plane of luminances by AScale in both directions, rows first, then columns;
// ASum gets the sum of the enlarged plane.
std::vector<std::uint8_t> EnlargePlane(const std::vector<std::uint8_t>& APlane, int AWidth, int AHeight, int AScale,
                                       TOcrResampleFilter AFilter, std::uint64_t& ASum) {
  const int tw = AWidth * AScale;
  const int th = AHeight * AScale;
  ASum = 0;
  if (AScale == 1) {
    for (const std::uint8_t l : APlane)
      ASum += l;
    return APlane;
  }
  const std::vector<TPhase> phases = MakePhases(AFilter, AScale);

  // Rows: each source row padded with copies of its end pixels, so no tap needs a check.
  constexpr int Pad = 3;
  std::vector<std::uint8_t> padded(static_cast<std::size_t>(AWidth) + 2 * Pad);
  std::vector<std::uint8_t> wide(static_cast<std::size_t>(tw) * AHeight);
  for (int y = 0; y < AHeight; ++y) {
    const std::uint8_t* source = APlane.data() + static_cast<std::size_t>(y) * AWidth;
    std::fill(padded.begin(), padded.begin() + Pad, source[0]);
    std::copy(source, source + AWidth, padded.begin() + Pad);
    std::fill(padded.end() - Pad, padded.end(), source[AWidth - 1]);
    std::uint8_t* target = wide.data() + static_cast<std::size_t>(y) * tw;
    for (int p = 0; p < AScale; ++p) {
      const TPhase& phase = phases[static_cast<std::size_t>(p)];
      switch (phase.Weights.size()) {
      case 1: EnlargeRowPhase<1>(padded.data() + Pad, AWidth, phase, target + p, AScale); break;
      case 2: EnlargeRowPhase<2>(padded.data() + Pad, AWidth, phase, target + p, AScale); break;
      case 4: EnlargeRowPhase<4>(padded.data() + Pad, AWidth, phase, target + p, AScale); break;
      default: EnlargeRowPhase<6>(padded.data() + Pad, AWidth, phase, target + p, AScale); break;
      }
    }
  }

  // Columns: each target row is a weighted sum of whole rows of the wide plane.
  std::vector<std::uint8_t> result(static_cast<std::size_t>(tw) * th);
  std::vector<std::int32_t> sums(static_cast<std::size_t>(tw));
  std::uint64_t total = 0;
  for (int y = 0; y < AHeight; ++y)
    for (int p = 0; p < AScale; ++p) {
      const TPhase& phase = phases[static_cast<std::size_t>(p)];
      std::int32_t* acc = sums.data();
      for (std::size_t k = 0; k < phase.Weights.size(); ++k) {
        const std::int32_t weight = phase.Weights[k];
        const int row = std::clamp(y + phase.First + static_cast<int>(k), 0, AHeight - 1);
        const std::uint8_t* source = wide.data() + static_cast<std::size_t>(row) * tw;
        if (k == 0)
          for (int x = 0; x < tw; ++x)
            acc[x] = WeightOne / 2 + weight * source[x];
        else
          for (int x = 0; x < tw; ++x)
            acc[x] += weight * source[x];
      }
      std::uint8_t* target = result.data() + static_cast<std::size_t>(y * AScale + p) * tw;
      std::uint32_t rowSum = 0;
      for (int x = 0; x < tw; ++x) {
        const std::uint8_t value = ClampByte(acc[x] >> WeightBits);
        target[x] = value;
        rowSum += value;
      }
      total += rowSum;
    }
  ASum = total;
  return result;
}

// The filters whose every phase has at most two taps with non-negative weights (nearest,
// box, bilinear) take a faster road: 8-bit weights, so that a tap pair fits in 16 bits; one
// pass enlarges the rows into a wide plane, another blends two of its rows per target row,
// maps the result and writes the pixels.
std::optional<std::vector<TTwoTap>> TwoTapPhases(TOcrResampleFilter AFilter, int AScale) {
  std::vector<TTwoTap> result;
  for (const TPhase& phase : MakePhases(AFilter, AScale)) {
    if (phase.Weights.size() > 2 || *std::min_element(phase.Weights.begin(), phase.Weights.end()) < 0)
      return std::nullopt;
    TTwoTap tap;
    tap.First = phase.First;
    if (phase.Weights.size() == 2) {
      tap.W1 = (phase.Weights[1] * 256 + WeightOne / 2) >> WeightBits;
      tap.W0 = 256 - tap.W1;
    }
    result.push_back(tap);
  }
  return result;
}

// The grey pixel each luminance of the enlarged image becomes: inverted when AInverted, then
// stretched by AContrast; AHistogram counts the source's luminances, not yet inverted.
std::array<std::uint32_t, 256> GreyColours(TOcrContrastStep AContrast, bool AInverted,
                                           const std::array<std::uint64_t, 256>& AHistogram) {
  std::array<std::uint64_t, 256> seen = AHistogram;
  if (AInverted)
    std::reverse(seen.begin(), seen.end());
  const TOcrLevels levels = AContrast == TOcrContrastStep::Adaptive ? OcrImageLevels(seen) : TOcrLevels{};
  std::array<std::uint32_t, 256> colours{};
  for (int l = 0; l < 256; ++l) {
    const int shown = AInverted ? 255 - l : l;
    std::uint32_t v = 0;
    switch (AContrast) {
    case TOcrContrastStep::None: v = static_cast<std::uint32_t>(shown); break;
    case TOcrContrastStep::Fixed: v = OcrStretchedLuminance(shown); break;
    case TOcrContrastStep::Adaptive: v = OcrAdaptiveLuminance(shown, levels); break;
    }
    colours[static_cast<std::size_t>(l)] = 0xFF000000u | v << 16 | v << 8 | v;
  }
  return colours;
}

// The image enlarged along its rows by two-tap phases, and the average luminance of the whole
// enlargement, from which the inversion follows.
struct TWidePlane {
  std::vector<std::uint8_t> Rows;
  int Average = 255;
  bool Inverted = false;
};

// ALuminance is the source's luminance plane.
TWidePlane WidenTwoTap(const std::vector<std::uint8_t>& ALuminance, int AWidth, int AHeight, int AScale,
                       const std::vector<TTwoTap>& ATaps) {
  const int tw = AWidth * AScale;
  const int th = AHeight * AScale;
  TWidePlane result;
  // Rows: each source row padded with copies of its end pixels, so no tap needs a check.
  std::vector<std::uint8_t> padded(static_cast<std::size_t>(AWidth) + 1 + OcrRowPadding);
  std::vector<std::uint8_t>& wide = result.Rows;
  wide.resize(static_cast<std::size_t>(tw) * AHeight);
  std::vector<std::uint64_t> rowSums(static_cast<std::size_t>(AHeight));
  for (int y = 0; y < AHeight; ++y) {
    const std::uint8_t* source = ALuminance.data() + static_cast<std::size_t>(y) * AWidth;
    padded[0] = source[0];
    std::copy(source, source + AWidth, padded.begin() + 1);
    std::fill(padded.begin() + 1 + AWidth, padded.end(), source[AWidth - 1]);
    std::uint8_t* target = wide.data() + static_cast<std::size_t>(y) * tw;
    WidenOcrRow(padded.data() + 1, AWidth, AScale, ATaps.data(), target);
    rowSums[static_cast<std::size_t>(y)] = SumOcrBytes(target, tw);
  }

  // The average luminance of the enlarged image, from the wide rows' sums and the column
  // weights, before each target pixel is rounded: exact for plain areas, within half a step
  // elsewhere, and without a pass of its own.
  const auto wideRow = [&](int ARow) { return static_cast<std::size_t>(std::clamp(ARow, 0, AHeight - 1)); };
  std::uint64_t sum256 = 0;
  for (int y = 0; y < AHeight; ++y)
    for (int p = 0; p < AScale; ++p) {
      const TTwoTap& tap = ATaps[static_cast<std::size_t>(p)];
      sum256 += rowSums[wideRow(y + tap.First)] * static_cast<std::uint64_t>(tap.W0) +
                rowSums[wideRow(y + tap.First + 1)] * static_cast<std::uint64_t>(tap.W1);
    }
  // Rounding moves a pixel, times 256, by -127 to +128 from its blend, so the estimate
  // decides alone only where rounding cannot carry the average across the threshold; near
  // it the rounded pixels themselves are added up.
  const std::uint64_t count = static_cast<std::uint64_t>(tw) * static_cast<std::uint64_t>(th);
  const std::uint64_t threshold256 = 256 * static_cast<std::uint64_t>(OcrInvertThreshold) * count;
  if (sum256 + 128 * count < threshold256 || sum256 >= threshold256 + 127 * count)
    result.Average = static_cast<int>(sum256 / (256 * count));
  else {
    std::uint64_t sum = 0;
    for (int y = 0; y < AHeight; ++y)
      for (int p = 0; p < AScale; ++p) {
        const TTwoTap& tap = ATaps[static_cast<std::size_t>(p)];
        sum += SumOcrBlendedRow(wide.data() + wideRow(y + tap.First) * tw,
                                wide.data() + wideRow(y + tap.First + 1) * tw, tap, tw);
      }
    result.Average = static_cast<int>(sum / count);
  }
  result.Inverted = result.Average < OcrInvertThreshold;
  return result;
}

// The prepared image from the wide rows: each target row blended from two of them by the
// column phases and mapped to AColours.
TBitmap32 WriteTwoTap(const TWidePlane& AWide, int AWidth, int AHeight, int AScale, const std::vector<TTwoTap>& ATaps,
                      const std::array<std::uint32_t, 256>& AColours) {
  const int tw = AWidth * AScale;
  const auto wideRow = [&](int ARow) {
    return AWide.Rows.data() + static_cast<std::size_t>(std::clamp(ARow, 0, AHeight - 1)) * tw;
  };
  TBitmap32 target(tw, AHeight * AScale);
  for (int y = 0; y < AHeight; ++y)
    for (int p = 0; p < AScale; ++p) {
      const TTwoTap& tap = ATaps[static_cast<std::size_t>(p)];
      WriteOcrGreyRow(wideRow(y + tap.First), wideRow(y + tap.First + 1), tap, AColours.data(), tw,
                      reinterpret_cast<std::uint32_t*>(target.Scanline(y * AScale + p)));
    }
  return target;
}

} // namespace

int ChooseOcrScale(const TBitmap32& ABitmap) noexcept {
  const long long longest = std::max(ABitmap.Width(), ABitmap.Height());
  int factor = longest <= 220 ? 4 : longest <= 700 ? 3 : 2;
  while (factor > 1 && longest * factor > OcrMaxScaledSide)
    --factor;
  return factor;
}

std::uint8_t OcrLuminance(std::uint32_t APixel) noexcept {
  const std::uint32_t r = (APixel >> 16) & 0xFF;
  const std::uint32_t g = (APixel >> 8) & 0xFF;
  const std::uint32_t b = APixel & 0xFF;
  return static_cast<std::uint8_t>((77 * r + 150 * g + 29 * b) >> 8);
}

std::uint8_t OcrStretchedLuminance(int ALuminance) noexcept {
  // Four times (L - 128) * 1.75 + 128, so that the halves are exact.
  const int quarters = 7 * ALuminance - 384;
  int value = quarters >= 0 ? quarters / 4 : -((-quarters + 3) / 4);
  const int rest = quarters - 4 * value;
  if (rest > 2 || (rest == 2 && (value & 1)))
    ++value;
  return ClampByte(value);
}

TOcrLevels OcrImageLevels(const std::array<std::uint64_t, 256>& AHistogram) noexcept {
  std::uint64_t total = 0;
  for (const std::uint64_t n : AHistogram)
    total += n;
  if (total == 0)
    return {};
  // The lowest level at or below which ACount pixels lie.
  const auto level = [&](std::uint64_t ACount) {
    std::uint64_t seen = 0;
    for (int l = 0; l < 256; ++l) {
      seen += AHistogram[static_cast<std::size_t>(l)];
      if (seen >= ACount)
        return l;
    }
    return 255;
  };
  // The background: the level nine pixels in ten stay at or below. Text covers less than a
  // tenth of any selection of it, and a few lighter pixels go to white with the background.
  TOcrLevels levels;
  levels.Light = level((total * 9 + 9) / 10);
  // The text: the pixels clearly darker than the background, whose darkest twentieth is the
  // core of the strokes; the soft edges lie between the core and the background, and stay
  // grey in proportion. Without such pixels there is nothing to stretch.
  const int inkLimit = levels.Light - OcrMinimumTextContrast;
  if (inkLimit < 0)
    return {};
  std::uint64_t ink = 0;
  for (int l = 0; l <= inkLimit; ++l)
    ink += AHistogram[static_cast<std::size_t>(l)];
  if (ink == 0)
    return {};
  levels.Dark = level((ink + 19) / 20);
  return levels;
}

std::uint8_t OcrAdaptiveLuminance(int ALuminance, TOcrLevels ALevels) noexcept {
  if (ALuminance <= ALevels.Dark)
    return 0;
  if (ALuminance >= ALevels.Light)
    return 255;
  const int range = ALevels.Light - ALevels.Dark;
  return static_cast<std::uint8_t>((2 * 255 * (ALuminance - ALevels.Dark) + range) / (2 * range));
}

std::optional<TBitmap32> PreprocessOcrBitmap(const TBitmap32* ABitmap, const TOcrLog& ALog, TOcrResampleFilter AFilter,
                                             TOcrContrastStep AContrast) {
  if (!ABitmap || ABitmap->Empty()) {
    AppendDiagnostic(ALog, u"Preprocess OCR saltato: bitmap non valida");
    return std::nullopt;
  }
  const int width = ABitmap->Width();
  const int height = ABitmap->Height();
  const int scale = ChooseOcrScale(*ABitmap);
  const int tw = width * scale;
  const int th = height * scale;

  // The filter works on the luminance: the result is grey anyway, and one channel costs a
  // third of three.
  std::vector<std::uint8_t> plane(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(ABitmap->Scanline(y));
    std::uint8_t* target = plane.data() + static_cast<std::size_t>(y) * width;
    OcrLuminanceRow(row, width, target);
  }
  // The adaptive step's levels come from the source's luminances: the enlargement adds only
  // blends of neighbours, and the source is a ninth of the size or less.
  std::array<std::uint64_t, 256> histogram{};
  if (AContrast == TOcrContrastStep::Adaptive)
    for (const std::uint8_t l : plane)
      ++histogram[l];
  int average = 255;
  bool inverted = false;
  TBitmap32 target;
  if (const std::optional<std::vector<TTwoTap>> taps = TwoTapPhases(AFilter, scale)) {
    const TWidePlane wide = WidenTwoTap(plane, width, height, scale, *taps);
    average = wide.Average;
    inverted = wide.Inverted;
    target = WriteTwoTap(wide, width, height, scale, *taps, GreyColours(AContrast, inverted, histogram));
  } else {
    std::uint64_t sum = 0;
    const std::vector<std::uint8_t> enlarged = EnlargePlane(plane, width, height, scale, AFilter, sum);
    average = static_cast<int>(sum / (static_cast<std::uint64_t>(tw) * static_cast<std::uint64_t>(th)));
    inverted = average < OcrInvertThreshold;
    const std::array<std::uint32_t, 256> colours = GreyColours(AContrast, inverted, histogram);
    target = TBitmap32(tw, th);
    for (int y = 0; y < th; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(target.Scanline(y));
      const std::uint8_t* source = enlarged.data() + static_cast<std::size_t>(y) * tw;
      for (int x = 0; x < tw; ++x)
        row[x] = colours[source[x]];
    }
  }
  AppendDiagnostic(ALog, Format(u"Preprocess OCR: source=%dx%d scale=%d target=%dx%d avgLum=%d inverted=%s",
                                {width, height, scale, tw, th, average, inverted ? u"True" : u"False"}));
  return target;
}

std::vector<std::uint8_t> OcrBufferBytes(const TBitmap32& ABitmap) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(ABitmap.Width()) * ABitmap.Height() * 4);
  std::uint8_t* out = bytes.data();
  for (int y = 0; y < ABitmap.Height(); ++y) {
    const std::uint8_t* row = ABitmap.Scanline(y);
    for (int x = 0; x < ABitmap.Width(); ++x, row += 4, out += 4) {
      out[0] = row[0];
      out[1] = row[1];
      out[2] = row[2];
      out[3] = 255;
    }
  }
  return bytes;
}

} // namespace tarvel
