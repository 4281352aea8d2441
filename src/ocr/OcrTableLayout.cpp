// The table layout: words grouped into columns by the gaps between them that line up across
// rows.
#include <algorithm>
#include <limits>
#include <string_view>

#include "ocr/OcrLayoutParts.h"

namespace tarvel::ocr_layout {

namespace {

// A word drawn by a table's rules rather than its text: a vertical bar, or a run of dashes.
bool IsRule(std::u16string_view AWord) {
  static constexpr std::u16string_view Vertical = u"|\u00A6\u2502\u2503";
  static constexpr std::u16string_view Horizontal = u"-_=\u2013\u2014\u2500\u2501";
  if (std::all_of(AWord.begin(), AWord.end(), [](char16_t c) { return Vertical.find(c) != std::u16string_view::npos; }))
    return true;
  return AWord.size() >= 3 && std::all_of(AWord.begin(), AWord.end(),
                                          [](char16_t c) { return Horizontal.find(c) != std::u16string_view::npos; });
}

struct TRow {
  float Top, Bottom;
  std::vector<const TOcrWordBox*> Words;
};

std::vector<TRow> Rows(const std::vector<const TOcrWordBox*>& AWords) {
  std::vector<const TOcrWordBox*> words = AWords;
  std::stable_sort(words.begin(), words.end(),
                   [](const TOcrWordBox* a, const TOcrWordBox* b) { return a->Bounds->Y < b->Bounds->Y; });
  std::vector<TRow> rows;
  for (const TOcrWordBox* word : words) {
    const TOcrRect& r = *word->Bounds;
    TRow* home = nullptr;
    for (TRow& row : rows)
      if (Overlap(r.Y, Bottom(r), row.Top, row.Bottom) >= 0.5f * std::min(r.Height, row.Bottom - row.Top))
        home = &row;
    if (!home) {
      rows.push_back({r.Y, Bottom(r), {}});
      home = &rows.back();
    }
    home->Words.push_back(word);
    home->Top = std::min(home->Top, r.Y);
    home->Bottom = std::max(home->Bottom, Bottom(r));
  }
  std::stable_sort(rows.begin(), rows.end(), [](const TRow& a, const TRow& b) { return a.Top < b.Top; });
  for (TRow& row : rows)
    std::stable_sort(row.Words.begin(), row.Words.end(),
                     [](const TOcrWordBox* a, const TOcrWordBox* b) { return a->Bounds->X < b->Bounds->X; });
  return rows;
}

struct TInterval {
  float Low, High;
};

// The stretches of a row no word covers: before its first word, after its last, and the
// gaps between words wider than AGap.
std::vector<TInterval> FreeStretches(const TRow& ARow, float AGap, float ALeft, float ARight) {
  std::vector<TInterval> free;
  free.push_back({ALeft, ARow.Words.front()->Bounds->X});
  for (std::size_t i = 1; i < ARow.Words.size(); ++i) {
    const float low = Right(*ARow.Words[i - 1]->Bounds);
    const float high = ARow.Words[i]->Bounds->X;
    if (high - low > AGap)
      free.push_back({low, high});
  }
  free.push_back({Right(*ARow.Words.back()->Bounds), ARight});
  return free;
}

// The gaps between columns: stretches that are free in (nearly) every row, with words on
// both sides in at least two rows (in the one row, when there is one).
std::vector<TInterval> ColumnGaps(const std::vector<TRow>& ARows, float AGap) {
  float left = std::numeric_limits<float>::max(), right = std::numeric_limits<float>::lowest();
  for (const TRow& row : ARows) {
    left = std::min(left, row.Words.front()->Bounds->X);
    for (const TOcrWordBox* word : row.Words)
      right = std::max(right, Right(*word->Bounds));
  }
  std::vector<std::vector<TInterval>> free;
  std::vector<float> edges{left, right};
  for (const TRow& row : ARows) {
    free.push_back(FreeStretches(row, AGap, left, right));
    for (const TInterval& stretch : free.back())
      edges.insert(edges.end(), {stretch.Low, stretch.High});
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

  const std::size_t need = ARows.size() <= 3 ? ARows.size() : ARows.size() - ARows.size() / 5;
  std::vector<TInterval> gaps;
  for (std::size_t e = 1; e < edges.size(); ++e) {
    const float low = edges[e - 1], high = edges[e];
    if (high <= low || low < left || high > right)
      continue;
    std::size_t count = 0;
    for (const std::vector<TInterval>& stretches : free)
      count += std::any_of(stretches.begin(), stretches.end(),
                           [&](const TInterval& s) { return s.Low <= low && s.High >= high; })
                   ? 1
                   : 0;
    if (count < need)
      continue;
    if (!gaps.empty() && gaps.back().High == low)
      gaps.back().High = high;
    else
      gaps.push_back({low, high});
  }
  // A word that reaches into a gap from one side, short of its middle, narrows the gap
  // rather than crossing it: the cells of a column start at one edge, yet the engine's boxes
  // of their words do not, by a pixel or two.
  for (TInterval& gap : gaps) {
    const float middle = (gap.Low + gap.High) / 2;
    for (const TRow& row : ARows)
      for (const TOcrWordBox* word : row.Words) {
        const TOcrRect& r = *word->Bounds;
        if (r.X < gap.Low && Right(r) > gap.Low && Right(r) < middle)
          gap.Low = Right(r);
        else if (Right(r) > gap.High && r.X < gap.High && r.X > middle)
          gap.High = r.X;
      }
  }
  // Words on both sides: a gap between columns, not the ragged end of short rows.
  const std::size_t support = std::min<std::size_t>(2, ARows.size());
  std::erase_if(gaps, [&](const TInterval& ACandidate) {
    std::size_t rows = 0;
    for (const TRow& row : ARows) {
      bool before = false, after = false;
      for (const TOcrWordBox* word : row.Words) {
        before = before || Right(*word->Bounds) <= ACandidate.Low;
        after = after || word->Bounds->X >= ACandidate.High;
      }
      rows += before && after ? 1 : 0;
    }
    return rows < support;
  });
  return gaps;
}

} // namespace

std::optional<std::u16string> TableText(const std::vector<const TOcrTextLine*>& ALines, bool AUseBlanks) {
  std::vector<const TOcrWordBox*> words;
  std::vector<float> heights;
  for (const TOcrTextLine* line : ALines)
    for (const TOcrWordBox& word : line->Words)
      if (!IsRule(word.Text)) {
        words.push_back(&word);
        heights.push_back(word.Bounds->Height);
      }
  if (words.empty())
    return std::nullopt;
  // Wider than a blank between words: the engine's own gaps cannot tell, as in a table
  // whose cells are single words every gap on a line is a column's.
  const float gap = 0.8f * Median(heights, 1);
  const std::vector<TRow> rows = Rows(words);
  const std::vector<TInterval> gaps = ColumnGaps(rows, gap);
  if (gaps.empty())
    return std::nullopt;

  std::u16string text;
  for (const TRow& row : rows) {
    if (&row != &rows.front())
      text += u"\r\n";
    std::size_t column = 0;
    std::vector<TOcrWordBox> cell;
    auto flush = [&] {
      if (!cell.empty())
        text += JoinOcrWords(cell, AUseBlanks);
      cell.clear();
    };
    // A row with a word across a gap is not cut there: a title over the columns stays whole.
    // A cell wider than the rest of its column reaches into the gap, yet its row still has a
    // gap of its own there.
    std::vector<bool> crossed(gaps.size());
    for (std::size_t k = 0; k < gaps.size(); ++k) {
      const TInterval& span = gaps[k];
      crossed[k] = std::any_of(row.Words.begin(), row.Words.end(), [&](const TOcrWordBox* AWord) {
        return Overlap(AWord->Bounds->X, Right(*AWord->Bounds), span.Low, span.High) > 0;
      });
      for (std::size_t i = 1; crossed[k] && i < row.Words.size(); ++i) {
        const float low = Right(*row.Words[i - 1]->Bounds), high = row.Words[i]->Bounds->X;
        crossed[k] = !(high - low > gap && Overlap(low, high, span.Low, span.High) > 0);
      }
    }
    for (const TOcrWordBox* word : row.Words) {
      // The column of a word: the gaps wholly to its left.
      std::size_t at = 0;
      while (at < gaps.size() && gaps[at].High <= word->Bounds->X)
        ++at;
      if (at > column && std::find(crossed.begin() + static_cast<std::ptrdiff_t>(column),
                                   crossed.begin() + static_cast<std::ptrdiff_t>(at),
                                   false) != crossed.begin() + static_cast<std::ptrdiff_t>(at)) {
        flush();
        text.append(at - column, u'\t');
        column = at;
      }
      cell.push_back(*word);
    }
    flush();
  }
  return text;
}

} // namespace tarvel::ocr_layout
