#pragma once

// What the layouts of OCR text share: measures of the engine's rectangles, and the table
// layout, which lives in a file of its own.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ocr/OcrLayout.h"

namespace tarvel::ocr_layout {

inline float Right(const TOcrRect& ARect) {
  return ARect.X + ARect.Width;
}

inline float Bottom(const TOcrRect& ARect) {
  return ARect.Y + ARect.Height;
}

inline float CentreX(const TOcrRect& ARect) {
  return ARect.X + ARect.Width / 2;
}

inline float Median(std::vector<float> AValues, float AEmpty) {
  if (AValues.empty())
    return AEmpty;
  const auto middle = AValues.begin() + static_cast<std::ptrdiff_t>(AValues.size() / 2);
  std::nth_element(AValues.begin(), middle, AValues.end());
  return *middle;
}

// How far two stretches overlap; negative: the gap between them.
inline float Overlap(float ALow1, float AHigh1, float ALow2, float AHigh2) {
  return std::min(AHigh1, AHigh2) - std::max(ALow1, ALow2);
}

// The words' cells, tab between columns and CR LF between rows, when the words form columns
// by the gaps that line up across rows; nothing when they do not. Every word has a usable
// rectangle (OcrLayoutProblem found none wrong).
std::optional<std::u16string> TableText(const std::vector<const TOcrTextLine*>& ALines, bool AUseBlanks);

} // namespace tarvel::ocr_layout
