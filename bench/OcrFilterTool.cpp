// Writes the image the OCR engine would be given for a PNG file, enlarged with a chosen
// filter and stretched in contrast by a chosen step (the program's when left out):
//   tarvel_ocr_prepare <in.png> <out.png> <nearest|box|bilinear|catmullrom|lanczos3> [none|fixed|adaptive]
// bench/ocr-filters feeds its output to a stand-in OCR engine to compare the choices.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "core/Bitmap32.h"
#include "core/Png.h"
#include "fakes/FakeClock.h"
#include "ocr/OcrPreparation.h"
#include "png/PngDecode.h"

namespace {

std::optional<tarvel::TOcrResampleFilter> ParseFilter(std::string_view AName) {
  using enum tarvel::TOcrResampleFilter;
  if (AName == "nearest")
    return Nearest;
  if (AName == "box")
    return Box;
  if (AName == "bilinear")
    return Bilinear;
  if (AName == "catmullrom")
    return CatmullRom;
  if (AName == "lanczos3")
    return Lanczos3;
  return std::nullopt;
}

std::optional<tarvel::TOcrContrastStep> ParseContrast(std::string_view AName) {
  using enum tarvel::TOcrContrastStep;
  if (AName == "none")
    return None;
  if (AName == "fixed")
    return Fixed;
  if (AName == "adaptive")
    return Adaptive;
  return std::nullopt;
}

int Usage() {
  std::fputs("usage: tarvel_ocr_prepare <in.png> <out.png> <nearest|box|bilinear|catmullrom|lanczos3> "
             "[none|fixed|adaptive]\n",
             stderr);
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5)
    return Usage();
  const std::optional<tarvel::TOcrResampleFilter> filter = ParseFilter(argv[3]);
  if (!filter) {
    std::fprintf(stderr, "tarvel_ocr_prepare: unknown filter '%s'\n", argv[3]);
    return Usage();
  }
  const std::optional<tarvel::TOcrContrastStep> contrast = argc == 5 ? ParseContrast(argv[4]) : tarvel::OcrContrastStep;
  if (!contrast) {
    std::fprintf(stderr, "tarvel_ocr_prepare: unknown contrast step '%s'\n", argv[4]);
    return Usage();
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tarvel_ocr_prepare: cannot open '%s'\n", argv[1]);
    return 1;
  }
  const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  try {
    const tarvel::TBitmap32 image = tarvel::DecodePng(data);
    tarvel::TFakeClock clock;
    const std::optional<tarvel::TBitmap32> prepared =
        tarvel::PreprocessOcrBitmap(&image, {clock, nullptr}, *filter, *contrast);
    if (!prepared) {
      std::fprintf(stderr, "tarvel_ocr_prepare: '%s' holds an empty image\n", argv[1]);
      return 1;
    }
    const std::vector<std::uint8_t> png = tarvel::EncodePng(*prepared);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "tarvel_ocr_prepare: cannot write '%s'\n", argv[2]);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvel_ocr_prepare: '%s': %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
