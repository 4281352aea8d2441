#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/Bitmap32.h"
#include "ocr/WinRTAccess.h"

namespace tarvel {

// The selected image turned into what the OCR engine reads best: enlarged by an integer
// factor, grey, inverted when mostly dark, so that the engine always sees dark text on a
// light background, and stretched in contrast.

inline constexpr int OcrMaxScaledSide = 2400;
inline constexpr int OcrInvertThreshold = 96;

// How the image is enlarged.
enum class TOcrResampleFilter { Nearest, Box, Bilinear, CatmullRom, Lanczos3 };
// The filter the program uses, chosen by measuring the recognition accuracy of each.
inline constexpr TOcrResampleFilter OcrResampleFilter = TOcrResampleFilter::Bilinear;

// How the contrast is stretched: not at all; by 1.75 around mid-grey (OcrStretchedLuminance);
// or from the image's own dark and light levels to black and white (OcrImageLevels).
enum class TOcrContrastStep { None, Fixed, Adaptive };
// The step the program uses, chosen by measuring the recognition accuracy of each on text of
// many colours: the fixed stretch turns the soft edges of thin grey or coloured strokes white.
inline constexpr TOcrContrastStep OcrContrastStep = TOcrContrastStep::Adaptive;

// 4 up to a longest side of 220, 3 up to 700, 2 above; lowered while the enlarged longest
// side would exceed 2400.
int ChooseOcrScale(const TBitmap32& ABitmap) noexcept;
// The integer luminance of a pixel 0xAARRGGBB: (77 R + 150 G + 29 B) >> 8.
std::uint8_t OcrLuminance(std::uint32_t APixel) noexcept;
// A luminance after the contrast stretch: (L - 128) * 1.75 + 128, halves to even, clamped.
std::uint8_t OcrStretchedLuminance(int ALuminance) noexcept;

// The levels the adaptive step maps to black and white: the image's background (Light) and
// its text's core (Dark), read from a histogram of the luminances as the engine will see them
// (inverted already where the image is). An image without text, flat or nearly, keeps 0 and
// 255, which changes nothing.
struct TOcrLevels {
  int Dark = 0;
  int Light = 255;
  bool operator==(const TOcrLevels&) const = default;
};
inline constexpr int OcrMinimumTextContrast = 24;
TOcrLevels OcrImageLevels(const std::array<std::uint64_t, 256>& AHistogram) noexcept;
// A luminance after the adaptive step: Dark and below 0, Light and above 255, linear between,
// rounded to the nearest.
std::uint8_t OcrAdaptiveLuminance(int ALuminance, TOcrLevels ALevels) noexcept;

// The prepared copy of ABitmap; nothing for an absent or empty image.
std::optional<TBitmap32> PreprocessOcrBitmap(const TBitmap32* ABitmap, const TOcrLog& ALog,
                                             TOcrResampleFilter AFilter = OcrResampleFilter,
                                             TOcrContrastStep AContrast = OcrContrastStep);

// The bytes the runtime's buffer holds: rows top to bottom without padding, each pixel blue,
// green, red and 255.
std::vector<std::uint8_t> OcrBufferBytes(const TBitmap32& ABitmap);

} // namespace tarvel
