#include "ocr/OcrPreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/Text.h"

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

// Enlarges a plane of luminances by AScale in both directions: rows first, then columns.
std::vector<std::uint8_t> EnlargePlane(const std::vector<std::uint8_t>& APlane, int AWidth, int AHeight, int AScale,
                                       TOcrResampleFilter AFilter) {
  const int tw = AWidth * AScale;
  const int th = AHeight * AScale;
  if (AScale == 1)
    return APlane;
  const std::vector<TPhase> phases = MakePhases(AFilter, AScale);
  const auto at = [](int AIndex, int ALength) { return std::clamp(AIndex, 0, ALength - 1); };

  std::vector<std::uint8_t> wide(static_cast<std::size_t>(tw) * AHeight);
  for (int y = 0; y < AHeight; ++y) {
    const std::uint8_t* source = APlane.data() + static_cast<std::size_t>(y) * AWidth;
    std::uint8_t* target = wide.data() + static_cast<std::size_t>(y) * tw;
    for (int x = 0; x < AWidth; ++x)
      for (int p = 0; p < AScale; ++p) {
        const TPhase& phase = phases[static_cast<std::size_t>(p)];
        int sum = 0;
        for (std::size_t k = 0; k < phase.Weights.size(); ++k)
          sum += phase.Weights[k] * source[at(x + phase.First + static_cast<int>(k), AWidth)];
        *target++ = ClampByte((sum + WeightOne / 2) >> WeightBits);
      }
  }

  std::vector<std::uint8_t> result(static_cast<std::size_t>(tw) * th);
  std::vector<int> sums(static_cast<std::size_t>(tw));
  for (int y = 0; y < AHeight; ++y)
    for (int p = 0; p < AScale; ++p) {
      const TPhase& phase = phases[static_cast<std::size_t>(p)];
      std::fill(sums.begin(), sums.end(), 0);
      for (std::size_t k = 0; k < phase.Weights.size(); ++k) {
        const int weight = phase.Weights[k];
        const std::uint8_t* row =
            wide.data() + static_cast<std::size_t>(at(y + phase.First + static_cast<int>(k), AHeight)) * tw;
        for (int x = 0; x < tw; ++x)
          sums[static_cast<std::size_t>(x)] += weight * row[x];
      }
      std::uint8_t* target = result.data() + static_cast<std::size_t>(y * AScale + p) * tw;
      for (int x = 0; x < tw; ++x)
        target[x] = ClampByte((sums[static_cast<std::size_t>(x)] + WeightOne / 2) >> WeightBits);
    }
  return result;
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

std::optional<TBitmap32> PreprocessOcrBitmap(const TBitmap32* ABitmap, const TOcrLog& ALog,
                                             TOcrResampleFilter AFilter) {
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
    for (int x = 0; x < width; ++x)
      target[x] = OcrLuminance(row[x]);
  }
  const std::vector<std::uint8_t> enlarged = EnlargePlane(plane, width, height, scale, AFilter);

  std::uint64_t sum = 0;
  for (const std::uint8_t l : enlarged)
    sum += l;
  const std::uint64_t count = static_cast<std::uint64_t>(tw) * static_cast<std::uint64_t>(th);
  const int average = count == 0 ? 255 : static_cast<int>(sum / count);
  const bool inverted = average < OcrInvertThreshold;

  std::array<std::uint32_t, 256> colours{};
  for (int l = 0; l < 256; ++l) {
    const std::uint32_t v = OcrStretchedLuminance(inverted ? 255 - l : l);
    colours[static_cast<std::size_t>(l)] = 0xFF000000u | v << 16 | v << 8 | v;
  }
  TBitmap32 target(tw, th);
  for (int y = 0; y < th; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(target.Scanline(y));
    const std::uint8_t* source = enlarged.data() + static_cast<std::size_t>(y) * tw;
    for (int x = 0; x < tw; ++x)
      row[x] = colours[source[x]];
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
