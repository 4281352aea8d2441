// The cost of preparing a selection for OCR with each resampling filter, next to a plain
// copy of the enlarged image's bytes: a 600 × 400 selection becomes 1800 × 1200.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "core/Bitmap32.h"
#include "fakes/FakeClock.h"
#include "ocr/OcrPreparation.h"

namespace {

constexpr int SourceWidth = 600;
constexpr int SourceHeight = 400;
constexpr int Scale = 3;

std::uint32_t Grey(int AValue) {
  const auto v = static_cast<std::uint32_t>(AValue);
  return 0xFF000000u | v << 16 | v << 8 | v;
}

// A dialog-like picture: a dark title bar with light text, then lines of dark "words" on a
// light background. Each glyph is a few stems and bars in a 6 × 9 cell with grey, partly
// covered pixels at its edges, as anti-aliased text has. The same every run.
tarvel::TBitmap32 MakeSelection() {
  tarvel::TBitmap32 b(SourceWidth, SourceHeight, 0xFFF0F0F0u);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < SourceWidth; ++x)
      b.SetPixel(x, y, 0xFF1E1E1Eu);
  std::uint32_t seed = 2024;
  const auto next = [&seed](std::uint32_t AModulo) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 16) % AModulo;
  };
  const auto glyph = [&](int ALeft, int ATop, int AInk, int APaper) {
    const int edge = (AInk + APaper) / 2;
    const std::uint32_t shape = static_cast<std::uint32_t>(next(1u << 8)) | 1u;
    for (int stem = 0; stem < 3; ++stem)
      if (shape & (1u << stem))
        for (int y = ATop; y < ATop + 9; ++y) {
          b.SetPixel(ALeft + stem * 2, y, Grey(AInk));
          b.SetPixel(ALeft + stem * 2 + 1, y, Grey(edge));
        }
    for (int bar = 0; bar < 3; ++bar)
      if (shape & (1u << (bar + 3)))
        for (int x = ALeft; x < ALeft + 5; ++x) {
          b.SetPixel(x, ATop + bar * 4, Grey(AInk));
          if (bar < 2)
            b.SetPixel(x, ATop + bar * 4 + 1, Grey(edge));
        }
  };
  const auto line = [&](int ATop, int AInk, int APaper) {
    int x = 8;
    for (;;) {
      const int letters = 2 + static_cast<int>(next(8));
      if (x + letters * 7 > SourceWidth - 8)
        break;
      for (int i = 0; i < letters; ++i, x += 7)
        glyph(x, ATop, AInk, APaper);
      x += 5;
    }
  };
  line(7, 0xE6, 0x1E);
  for (int top = 36; top + 10 < SourceHeight; top += 18)
    line(top, 0x20, 0xF0);
  return b;
}

void BM_OcrPrepare600x400(benchmark::State& AState, tarvel::TOcrResampleFilter AFilter) {
  const tarvel::TBitmap32 source = MakeSelection();
  tarvel::TFakeClock clock;
  const tarvel::TOcrLog log{clock, nullptr};
  for (auto _ : AState) {
    std::optional<tarvel::TBitmap32> prepared = tarvel::PreprocessOcrBitmap(&source, log, AFilter);
    if (!prepared || prepared->Width() != SourceWidth * Scale || prepared->Height() != SourceHeight * Scale) {
      AState.SkipWithError("unexpected prepared size");
      break;
    }
    benchmark::DoNotOptimize(prepared->Bits());
    benchmark::ClobberMemory();
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * SourceWidth * Scale * SourceHeight * Scale *
                           4);
}
BENCHMARK_CAPTURE(BM_OcrPrepare600x400, Nearest, tarvel::TOcrResampleFilter::Nearest)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OcrPrepare600x400, Box, tarvel::TOcrResampleFilter::Box)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OcrPrepare600x400, Bilinear, tarvel::TOcrResampleFilter::Bilinear)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OcrPrepare600x400, CatmullRom, tarvel::TOcrResampleFilter::CatmullRom)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OcrPrepare600x400, Lanczos3, tarvel::TOcrResampleFilter::Lanczos3)->Unit(benchmark::kMillisecond);

// The yardstick: copying the prepared image's bytes once, between buffers that already exist.
void BM_OcrMemcpy1800x1200(benchmark::State& AState) {
  const std::size_t size = static_cast<std::size_t>(SourceWidth) * Scale * SourceHeight * Scale * 4;
  std::vector<std::uint8_t> from(size, 0x5A);
  std::vector<std::uint8_t> to(size, 0);
  for (auto _ : AState) {
    std::memcpy(to.data(), from.data(), size);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_OcrMemcpy1800x1200)->Unit(benchmark::kMillisecond);

} // namespace
