// What a clipboard capture costs between reading the block and showing the new entry:
// decoding a full-screen DIB, the duplicate test and the add, against a plain copy of the
// same number of bytes; the same for a large text; and what a full history of packed
// captures holds, and what selecting one of them costs.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ImageBench.h"
#include "clipboard/ClipboardSave.h"
#include "clipboard/Dib.h"
#include "core/Bitmap32.h"
#include "core/DateTime.h"
#include "history/uHistory.h"

namespace {

using tarvel::bench::ScreenHeight;
using tarvel::bench::ScreenWidth;
constexpr std::size_t ScreenBytes = std::size_t{ScreenWidth} * ScreenHeight * 4;
// The default number of history entries.
constexpr int HistoryLimit = 10;

class TBenchClock : public tarvel::IClock {
public:
  tarvel::TLocalDateTime Now() override { return {2026, 3, 1, 12, 0, 0, 0}; }
  std::uint64_t TickCount64() override { return 0; }
  void Sleep(std::uint32_t) override {}
  std::u16string TimeSeparator() override { return u":"; }
};

using tarvel::bench::MakeDesktop;

void BM_Memcpy8MB(benchmark::State& AState) {
  std::vector<std::uint8_t> source(ScreenBytes, 0x5A);
  std::vector<std::uint8_t> dest(ScreenBytes);
  for (auto _ : AState) {
    std::memcpy(dest.data(), source.data(), ScreenBytes);
    benchmark::DoNotOptimize(dest.data());
    benchmark::ClobberMemory();
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * static_cast<std::int64_t>(ScreenBytes));
}
BENCHMARK(BM_Memcpy8MB)->Unit(benchmark::kMicrosecond);

// The same copy into memory used as the capture uses it: a new image each time, while the
// history keeps the last HistoryLimit of them, so the destination is never in the cache.
void BM_Memcpy8MBIntoNewImage(benchmark::State& AState) {
  const tarvel::TBitmap32 source = MakeDesktop(1);
  std::vector<std::unique_ptr<tarvel::TBitmap32>> kept(HistoryLimit);
  std::size_t n = 0;
  for (auto _ : AState) {
    auto image = std::make_unique<tarvel::TBitmap32>(ScreenWidth, ScreenHeight);
    std::memcpy(image->Bits(), source.Bits(), ScreenBytes);
    kept[n++ % kept.size()] = std::move(image);
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * static_cast<std::int64_t>(ScreenBytes));
}
BENCHMARK(BM_Memcpy8MBIntoNewImage)->Unit(benchmark::kMicrosecond);

// Two different captures in turn, so that every one passes the duplicate test and is added.
void BM_CaptureDibIntoHistory(benchmark::State& AState) {
  const std::vector<std::uint8_t> dibs[] = {tarvel::EncodeDib(MakeDesktop(1)), tarvel::EncodeDib(MakeDesktop(2))};
  TBenchClock clock;
  tarvel::TClipHistory history(HistoryLimit, clock);
  std::size_t n = 0;
  std::int64_t added = 0;
  for (auto _ : AState) {
    const std::vector<std::uint8_t>& dib = dibs[n++ % 2];
    tarvel::TBitmap32 bitmap = tarvel::DecodeDib(dib.data(), dib.size());
    if (!history.IsImmediateDuplicateBitmap(&bitmap)) {
      history.AddBitmap(std::move(bitmap));
      ++added;
    }
  }
  if (added != static_cast<std::int64_t>(AState.iterations()))
    AState.SkipWithError("captures were taken for duplicates");
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * static_cast<std::int64_t>(ScreenBytes));
}
BENCHMARK(BM_CaptureDibIntoHistory)->Unit(benchmark::kMicrosecond);

// The parts of the capture on their own.
void BM_CaptureDecodeDibOnly(benchmark::State& AState) {
  const std::vector<std::uint8_t> dib = tarvel::EncodeDib(MakeDesktop(1));
  for (auto _ : AState)
    benchmark::DoNotOptimize(tarvel::DecodeDib(dib.data(), dib.size()));
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * static_cast<std::int64_t>(ScreenBytes));
}
BENCHMARK(BM_CaptureDecodeDibOnly)->Unit(benchmark::kMicrosecond);

void BM_CaptureBitmapSignatureOnly(benchmark::State& AState) {
  const tarvel::TBitmap32 b = MakeDesktop(1);
  for (auto _ : AState)
    benchmark::DoNotOptimize(tarvel::MakeBitmapSignature(&b));
}
BENCHMARK(BM_CaptureBitmapSignatureOnly)->Unit(benchmark::kMicrosecond);

// 1 MB of UTF-16 (512 Ki code units), copied out of the block as the capture reads it.
void BM_CaptureText1MB(benchmark::State& AState) {
  constexpr std::size_t Units = 512 * 1024;
  std::u16string texts[2];
  for (int t = 0; t < 2; ++t) {
    texts[t].reserve(Units);
    for (std::size_t i = 0; texts[t].size() < Units; ++i)
      texts[t] += (i % 64 == 63) ? u'\n' : static_cast<char16_t>(u'a' + (i * 7 + static_cast<std::size_t>(t)) % 26);
  }
  TBenchClock clock;
  tarvel::TClipHistory history(HistoryLimit, clock);
  std::size_t n = 0;
  std::int64_t added = 0;
  for (auto _ : AState) {
    std::u16string text = texts[n++ % 2];
    if (!history.IsImmediateDuplicateText(text)) {
      history.AddText(std::move(text));
      ++added;
    }
  }
  if (added != static_cast<std::int64_t>(AState.iterations()))
    AState.SkipWithError("texts were taken for duplicates");
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * static_cast<std::int64_t>(Units * 2));
}
BENCHMARK(BM_CaptureText1MB)->Unit(benchmark::kMicrosecond);

// The baseline for the text capture: one copy of the same megabyte.
void BM_Memcpy1MB(benchmark::State& AState) {
  constexpr std::size_t Bytes = 1024 * 1024;
  std::vector<std::uint8_t> source(Bytes, 0x5A);
  std::vector<std::uint8_t> dest(Bytes);
  for (auto _ : AState) {
    std::memcpy(dest.data(), source.data(), Bytes);
    benchmark::ClobberMemory();
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * static_cast<std::int64_t>(Bytes));
}
BENCHMARK(BM_Memcpy1MB)->Unit(benchmark::kMicrosecond);

// What the save hotkey spends on a full-screen image: the JPEG at quality 60, 24 bits.
// The fourth byte is 0 as a capture in memory has it (alpha_ff 0), or 0xFF as every
// opaque image read from the clipboard has it.
void BM_SaveBitmapAsJpeg(benchmark::State& AState) {
  tarvel::TBitmap32 image = MakeDesktop(7);
  if (AState.range(0) != 0)
    for (std::size_t i = 3; i < image.ByteSize(); i += 4)
      image.Bits()[i] = 0xFF;
  std::size_t bytes = 0;
  for (auto _ : AState) {
    const auto jpeg = tarvel::EncodeBitmapForSave(image);
    bytes = jpeg.size();
    benchmark::DoNotOptimize(jpeg.data());
  }
  AState.counters["jpeg_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SaveBitmapAsJpeg)->ArgName("alpha_ff")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The floor for the save: libjpeg-turbo on its own with the same settings, handed the
// pixels in their layout in one call, writing into its own memory destination.
void BM_SaveBitmapAsJpegLibjpegDirect(benchmark::State& AState) {
  const tarvel::TBitmap32 image = MakeDesktop(7);
  std::vector<JSAMPROW> rows = tarvel::bench::RowsOf(image);
  std::size_t bytes = 0;
  for (auto _ : AState) {
    bytes = tarvel::bench::EncodeWithLibjpegAlone(image, rows);
    benchmark::DoNotOptimize(bytes);
  }
  AState.counters["jpeg_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SaveBitmapAsJpegLibjpegDirect)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The resident size of this process, from the kernel's count of its pages.
double ResidentMB() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  long pages = 0, resident = 0;
  if (f) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
      resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// A full history of 100 distinct full-HD captures, each packed as the program's workers pack
// it: what the history holds, the process's resident size, and the packing time per image.
std::unique_ptr<tarvel::TClipHistory> FillPackedHistory(TBenchClock& AClock, double* APackSeconds) {
  auto history = std::make_unique<tarvel::TClipHistory>(100, AClock);
  double seconds = 0;
  for (std::uint32_t i = 1; i <= 100; ++i) {
    history->AddBitmap(MakeDesktop(i));
    for (const tarvel::TClipHistory::TPackJob& job : history->TakePackJobs()) {
      const auto start = std::chrono::steady_clock::now();
      auto packed = std::make_shared<const tarvel::TPackedImage>(tarvel::TPackedImage::Pack(*job.Bitmap));
      seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      history->StorePacked(job, std::move(packed));
    }
  }
  if (APackSeconds)
    *APackSeconds = seconds;
  return history;
}

void BM_History100FullHdPacked(benchmark::State& AState) {
  TBenchClock clock;
  for (auto _ : AState) {
    const double before = ResidentMB();
    double packSeconds = 0;
    const std::unique_ptr<tarvel::TClipHistory> history = FillPackedHistory(clock, &packSeconds);
    AState.counters["held_MB"] = static_cast<double>(history->ImageBytes()) / 1e6;
    AState.counters["resident_growth_MB"] = ResidentMB() - before;
    AState.counters["pack_ms_per_image"] = packSeconds * 1000 / 99;
  }
}
BENCHMARK(BM_History100FullHdPacked)->Unit(benchmark::kMillisecond)->Iterations(1);

// Selecting another entry of that history: unpacking its image, which the card then shows.
void BM_HistorySelectPackedFullHd(benchmark::State& AState) {
  TBenchClock clock;
  const std::unique_ptr<tarvel::TClipHistory> history = FillPackedHistory(clock, nullptr);
  for (auto _ : AState) {
    history->Next();
    benchmark::DoNotOptimize(history->Picture(history->Index()).get());
  }
}
BENCHMARK(BM_HistorySelectPackedFullHd)->Unit(benchmark::kMillisecond);

} // namespace
