// Times the JPEG of the image save in the Windows build against libjpeg-turbo on its own
// with the same settings, in one process, on the synthetic desktop of the native
// benchmarks. Needs no display:
//   scripts/bench save [runs]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ImageBench.h"
#include "Timing.h"
#include "clipboard/ClipboardSave.h"
#include "core/Jpeg.h"

namespace {

using tarvel::bench::Median;
using tarvel::bench::Milliseconds;
using tarvel::bench::TClock;

} // namespace

int wmain(int AArgc, wchar_t** AArgv) {
  const int runs = AArgc > 1 ? std::max(10, _wtoi(AArgv[1])) : 40;
  // The fourth byte 0, as a capture in memory has it, and 0xFF, as every opaque image read
  // from the clipboard has it.
  const tarvel::TBitmap32 grab = tarvel::bench::MakeDesktop(7);
  tarvel::TBitmap32 opaque = grab;
  for (std::size_t i = 3; i < opaque.ByteSize(); i += 4)
    opaque.Bits()[i] = 0xFF;
  std::vector<JSAMPROW> rows = tarvel::bench::RowsOf(grab);

  std::vector<double> direct;
  std::vector<double> saveGrab;
  std::vector<double> saveOpaque;
  std::vector<double> encoder;
  std::size_t sizes[4] = {};
  for (int i = -2; i < runs; ++i) { // two warm-up rounds
    const auto t0 = TClock::now();
    sizes[0] = tarvel::bench::EncodeWithLibjpegAlone(grab, rows);
    const auto t1 = TClock::now();
    sizes[1] = tarvel::EncodeBitmapForSave(grab).size();
    const auto t2 = TClock::now();
    sizes[2] = tarvel::EncodeBitmapForSave(opaque).size();
    const auto t3 = TClock::now();
    sizes[3] = tarvel::EncodeJpeg(grab, 60).size();
    const auto t4 = TClock::now();
    if (i >= 0) {
      direct.push_back(Milliseconds(t1 - t0));
      saveGrab.push_back(Milliseconds(t2 - t1));
      saveOpaque.push_back(Milliseconds(t3 - t2));
      encoder.push_back(Milliseconds(t4 - t3));
    }
  }
  const double d = Median(direct);
  const double g = Median(saveGrab);
  const double o = Median(saveOpaque);
  const double e = Median(encoder);
  std::printf("image %dx%d, quality 60, %d runs, medians:\n", grab.Width(), grab.Height(), runs);
  std::printf("  libjpeg-turbo on its own (BGRX, one call)       %8.2f ms  %zu bytes\n", d, sizes[0]);
  std::printf("  save, fourth byte 0                             %8.2f ms  %zu bytes\n", g, sizes[1]);
  std::printf("  save, fourth byte 0xFF                          %8.2f ms  %zu bytes\n", o, sizes[2]);
  std::printf("  the encoder without the save's alpha rule          %8.2f ms  %zu bytes\n", e, sizes[3]);
  std::printf("  ratio save / libjpeg-turbo (fourth byte 0)      %8.2f\n", g / d);
  std::printf("  ratio save / libjpeg-turbo (fourth byte 0xFF)   %8.2f\n", o / d);
  return sizes[0] == sizes[1] && sizes[1] == sizes[2] && sizes[2] == sizes[3] ? 0 : 1;
}
