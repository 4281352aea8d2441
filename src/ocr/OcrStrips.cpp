#include "ocr/OcrStrips.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

#include "ocr/OcrLayoutParts.h"
#include "ocr/OcrPreparation.h"

namespace tarvel {

namespace {

// How much a run of pixels varies: the spread of its luminances. Zero on plain background.
template <typename TPixelAt> int Spread(int ACount, TPixelAt APixelAt) {
  int low = 255;
  int high = 0;
  for (int i = 0; i < ACount; ++i) {
    const int l = OcrLuminance(APixelAt(i));
    low = std::min(low, l);
    high = std::max(high, l);
  }
  return high - low;
}

// The cuts that split [0, ALength) into pieces of at most AMax, each ending at a cut (the
// last at ALength): the cuts through the least ink AQuietness finds, then as few pieces as
// that allows. No piece is shorter than a quarter of AMax, so that none is a sliver. A
// shortest path over the positions, each reached from the best of the window of AMax
// before it, kept in a queue of increasing cost.
template <typename TQuietness> std::vector<int> Cuts(int ALength, int AMax, TQuietness AQuietness) {
  if (ALength <= AMax)
    return {ALength};
  const int shortest = std::max(1, AMax / 4);
  constexpr std::int64_t PerPiece = 1;
  constexpr std::int64_t PerInk = std::int64_t{1} << 32; // any ink costs more than any number of pieces
  constexpr std::int64_t Unreachable = std::numeric_limits<std::int64_t>::max();
  std::vector<std::int64_t> cost(static_cast<std::size_t>(ALength) + 1, Unreachable);
  std::vector<int> from(static_cast<std::size_t>(ALength) + 1, 0);
  cost[0] = 0;
  std::deque<int> window; // reachable positions in [p - AMax, p - shortest], cost increasing
  for (int p = shortest; p <= ALength; ++p) {
    const int entering = p - shortest;
    if (cost[static_cast<std::size_t>(entering)] != Unreachable) {
      while (!window.empty() &&
             cost[static_cast<std::size_t>(window.back())] >= cost[static_cast<std::size_t>(entering)])
        window.pop_back();
      window.push_back(entering);
    }
    while (!window.empty() && window.front() < p - AMax)
      window.pop_front();
    if (window.empty())
      continue;
    const int best = window.front();
    const std::int64_t here = p == ALength ? 0 : static_cast<std::int64_t>(AQuietness(p)) * PerInk;
    cost[static_cast<std::size_t>(p)] = cost[static_cast<std::size_t>(best)] + here + PerPiece;
    from[static_cast<std::size_t>(p)] = best;
  }
  std::vector<int> cuts;
  for (int p = ALength; p > 0; p = from[static_cast<std::size_t>(p)])
    cuts.push_back(p);
  std::reverse(cuts.begin(), cuts.end());
  return cuts;
}

struct TSpan {
  float Top = 0;
  float Bottom = 0;
};

// The vertical extent of a line's words; nothing when a word has no usable rectangle.
std::optional<TSpan> SpanOf(const TOcrTextLine& ALine) {
  if (ALine.Words.empty())
    return std::nullopt;
  TSpan span{std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest()};
  for (const TOcrWordBox& word : ALine.Words) {
    if (!word.Bounds || !(word.Bounds->Height > 0) || !std::isfinite(word.Bounds->Y))
      return std::nullopt;
    span.Top = std::min(span.Top, word.Bounds->Y);
    span.Bottom = std::max(span.Bottom, ocr_layout::Bottom(*word.Bounds));
  }
  return span;
}

} // namespace

std::vector<TOcrStrip> PlanOcrStrips(const TBitmap32& AImage, std::uint32_t AMaxDimension) {
  const int width = AImage.Width();
  const int height = AImage.Height();
  const int max = static_cast<int>(std::clamp<std::uint32_t>(AMaxDimension, 1, std::numeric_limits<int>::max()));
  if (width <= max && height <= max)
    return {{0, 0, width, height}};

  std::vector<TOcrStrip> strips;
  const std::vector<int> rowCuts =
      Cuts(height, max, [&](int AY) { return Spread(width, [&](int AX) { return AImage.Pixel(AX, AY); }); });
  int top = 0;
  for (const int bottom : rowCuts) {
    const std::vector<int> columnCuts = Cuts(
        width, max, [&](int AX) { return Spread(bottom - top, [&](int AY) { return AImage.Pixel(AX, top + AY); }); });
    int left = 0;
    for (const int right : columnCuts) {
      strips.push_back({left, top, right - left, bottom - top});
      left = right;
    }
    top = bottom;
  }
  return strips;
}

TBitmap32 CropOcrStrip(const TBitmap32& AImage, const TOcrStrip& AStrip) {
  TBitmap32 piece(AStrip.Width, AStrip.Height);
  piece.Draw(-AStrip.Left, -AStrip.Top, AImage);
  return piece;
}

std::vector<TOcrTextLine> JoinOcrStrips(const std::vector<TOcrStripReading>& AStrips, bool AUseBlanks,
                                        std::optional<double>& ATextAngle) {
  ATextAngle.reset();
  bool angleSeen = false;
  std::vector<TOcrTextLine> lines;
  std::size_t i = 0;
  while (i < AStrips.size()) {
    // One band: the strips that share its top.
    std::vector<std::pair<TSpan, TOcrTextLine>> placed;
    std::vector<TOcrTextLine> unplaced;
    const int top = AStrips[i].Strip.Top;
    for (; i < AStrips.size() && AStrips[i].Strip.Top == top; ++i) {
      const TOcrStripReading& reading = AStrips[i];
      if (!angleSeen) {
        ATextAngle = reading.TextAngle;
        angleSeen = true;
      } else if (ATextAngle.has_value() != reading.TextAngle.has_value() ||
                 (ATextAngle && !(std::abs(*ATextAngle - *reading.TextAngle) <= OcrLayoutMaxTextAngle))) {
        ATextAngle = std::numeric_limits<double>::quiet_NaN();
      }
      for (TOcrTextLine line : reading.Lines) {
        for (TOcrWordBox& word : line.Words)
          if (word.Bounds) {
            word.Bounds->X += static_cast<float>(reading.Strip.Left);
            word.Bounds->Y += static_cast<float>(reading.Strip.Top);
          }
        const std::optional<TSpan> span = SpanOf(line);
        if (!span) {
          unplaced.push_back(std::move(line));
          continue;
        }
        // Beside the line of the pieces before that holds this line's middle.
        const float middle = (span->Top + span->Bottom) / 2;
        const auto beside = std::find_if(placed.begin(), placed.end(), [&](const auto& AEntry) {
          return AEntry.first.Top <= middle && middle <= AEntry.first.Bottom;
        });
        if (beside == placed.end()) {
          placed.emplace_back(*span, std::move(line));
          continue;
        }
        TOcrTextLine& joined = beside->second;
        joined.Words.insert(joined.Words.end(), line.Words.begin(), line.Words.end());
        joined.Text = JoinOcrWords(joined.Words, AUseBlanks);
        beside->first.Top = std::min(beside->first.Top, span->Top);
        beside->first.Bottom = std::max(beside->first.Bottom, span->Bottom);
      }
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& ALeft, const auto& ARight) { return ALeft.first.Top < ARight.first.Top; });
    for (auto& [span, line] : placed)
      lines.push_back(std::move(line));
    for (TOcrTextLine& line : unplaced)
      lines.push_back(std::move(line));
  }
  return lines;
}

} // namespace tarvel
