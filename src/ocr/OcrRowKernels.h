#pragma once

#include <cstdint>

namespace tarvel {

// The inner loops of the OCR image preparation for filters with at most two taps per phase,
// each written once plainly and, where the processor has them, with SSE2 or SSSE3; all
// give the same bytes.

// One phase of an enlargement: target = (W0 × source[First] + W1 × source[First + 1] + 128) >> 8
// around the source pixel, with W0 + W1 = 256.
struct TTwoTap {
  int First = 0;
  int W0 = 256;
  int W1 = 0;
};

inline constexpr int OcrRowPadding = 32;

// The luminances (OcrLuminance) of a row of AWidth pixels.
void OcrLuminanceRow(const std::uint32_t* APixels, int AWidth, std::uint8_t* ATarget);

// Enlarges a row of AWidth luminances AScale times (1 to 4; ATaps holds one phase each):
// target pixel x × AScale + p from phase p around source pixel x. ARow must be readable from
// index -1 to AWidth + OcrRowPadding - 1.
void WidenOcrRow(const std::uint8_t* ARow, int AWidth, int AScale, const TTwoTap* ATaps, std::uint8_t* ATarget);

// The sum of ACount bytes.
std::uint64_t SumOcrBytes(const std::uint8_t* ABytes, int ACount);

// The sum of the luminances of one target row: the blend of two equally long rows by
// ATap's weights, as WriteOcrGreyRow blends them.
std::uint64_t SumOcrBlendedRow(const std::uint8_t* AFirst, const std::uint8_t* ASecond, const TTwoTap& ATap,
                               int AWidth);

// One target row: the blend of two equally long rows by ATap's weights, each luminance
// written as the pixel AColours (256 of them) gives it.
void WriteOcrGreyRow(const std::uint8_t* AFirst, const std::uint8_t* ASecond, const TTwoTap& ATap,
                     const std::uint32_t* AColours, int AWidth, std::uint32_t* ATarget);

// The loops that may run: the best the processor has (the default), SSE2 at most, or the
// plain ones only; the tests compare them.
enum class TOcrKernels { Plain, Sse2, Best };
void UseOcrRowKernels(TOcrKernels AKernels) noexcept;

} // namespace tarvel
