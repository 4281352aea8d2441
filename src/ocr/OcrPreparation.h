#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/Bitmap32.h"
#include "ocr/WinRTAccess.h"

namespace tarvel {

// The selected image turned into what the OCR engine reads best: enlarged by an integer
// factor, grey, stretched in contrast around mid-grey, and inverted when mostly dark, so that
// the engine always sees dark text on a light background.

inline constexpr int OcrMaxScaledSide = 2400;
inline constexpr int OcrInvertThreshold = 96;

// How the image is enlarged.
enum class TOcrResampleFilter { Nearest, Box, Bilinear, CatmullRom, Lanczos3 };
// The filter the program uses, chosen by measuring the recognition accuracy of each.
inline constexpr TOcrResampleFilter OcrResampleFilter = TOcrResampleFilter::Bilinear;

// 4 up to a longest side of 220, 3 up to 700, 2 above; lowered while the enlarged longest
// side would exceed 2400.
int ChooseOcrScale(const TBitmap32& ABitmap) noexcept;
// The integer luminance of a pixel 0xAARRGGBB: (77 R + 150 G + 29 B) >> 8.
std::uint8_t OcrLuminance(std::uint32_t APixel) noexcept;
// A luminance after the contrast stretch: (L - 128) * 1.75 + 128, halves to even, clamped.
std::uint8_t OcrStretchedLuminance(int ALuminance) noexcept;
// The pixel a luminance becomes: inverted first when AInverted, stretched, grey and opaque.
std::uint32_t OcrGreyPixel(int ALuminance, bool AInverted) noexcept;

// The prepared copy of ABitmap; nothing for an absent or empty image.
std::optional<TBitmap32> PreprocessOcrBitmap(const TBitmap32* ABitmap, const TOcrLog& ALog,
                                             TOcrResampleFilter AFilter = OcrResampleFilter);

// The bytes the runtime's buffer holds: rows top to bottom without padding, each pixel blue,
// green, red and 255.
std::vector<std::uint8_t> OcrBufferBytes(const TBitmap32& ABitmap);

} // namespace tarvel
