// Encoding costs of the image files the program writes: JPEG for saved clipboard images,
// PNG for diagnostic images.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "core/Bitmap32.h"
#include "core/Jpeg.h"
#include "core/Png.h"
#include "png/PngDecode.h"

namespace {

// Screen-like content: flat areas with some detail, so neither codec sees pure noise.
tarvel::TBitmap32 MakeScreen(int AWidth, int AHeight) {
  tarvel::TBitmap32 b(AWidth, AHeight);
  std::uint32_t seed = 12345;
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const bool text = ((x / 8 + y / 16) % 7 == 0) && (seed >> 28) < 6;
      b.SetPixel(x, y, text ? 0xFF202020u : 0xFFF0F0F0u - static_cast<std::uint32_t>((y / 60) * 0x00040404));
    }
  return b;
}

void BM_EncodeJpeg1080p(benchmark::State& AState) {
  const tarvel::TBitmap32 b = MakeScreen(1920, 1080);
  for (auto _ : AState)
    benchmark::DoNotOptimize(tarvel::EncodeJpeg(b, 60));
}
BENCHMARK(BM_EncodeJpeg1080p)->Unit(benchmark::kMillisecond);

void BM_EncodePng1080p(benchmark::State& AState) {
  const tarvel::TBitmap32 b = MakeScreen(1920, 1080);
  for (auto _ : AState)
    benchmark::DoNotOptimize(tarvel::EncodePng(b));
}
BENCHMARK(BM_EncodePng1080p)->Unit(benchmark::kMillisecond);

void BM_DecodePng1080p(benchmark::State& AState) {
  const std::vector<std::uint8_t> png = tarvel::EncodePng(MakeScreen(1920, 1080));
  for (auto _ : AState)
    benchmark::DoNotOptimize(tarvel::DecodePng(png));
}
BENCHMARK(BM_DecodePng1080p)->Unit(benchmark::kMillisecond);

} // namespace
