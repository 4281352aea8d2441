#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvel {

// A place in the text: a line and a character offset in it (at most the line's length).
struct TTextPosition {
  std::size_t Line = 0;
  std::size_t Offset = 0;
  friend bool operator==(const TTextPosition&, const TTextPosition&) = default;
  // NOLINTNEXTLINE(modernize-use-nullptr): the defaulted comparison's own 0, no pointer
  friend auto operator<=>(const TTextPosition&, const TTextPosition&) = default;
};

// Lines of text broken into rows no wider than a width, at blanks where a line has them, for
// a view that lays out and draws only what changes and what is in sight. Adding a line at the
// end and dropping lines at the start cost only those lines, however many there are.
class TWrappedText {
public:
  // How many of AText's first characters fit in AWidth (0 when not even one does).
  using TFitFunction = std::function<std::size_t(std::u16string_view AText, int AWidth)>;

  explicit TWrappedText(TFitFunction AFit);

  // Lays every line out again when the width changes. A width of 0 or less keeps each line
  // on one row.
  void SetWidth(int AWidth);
  int Width() const noexcept { return FWidth; }
  void Assign(const std::vector<std::u16string>& ALines);
  void Append(std::u16string ALine);
  // Drops the first ACount lines (or all); returns how many rows they took.
  int DropFront(std::size_t ACount);

  std::size_t LineCount() const noexcept { return FLines.size(); }
  const std::u16string& Line(std::size_t AIndex) const { return FLines[AIndex].Text; }
  // Characters of all lines joined with CR LF.
  std::size_t Length() const noexcept { return FLength; }
  std::u16string Text() const;
  // The text from AFrom to ATo (in either order), lines joined with CR LF.
  std::u16string TextBetween(TTextPosition AFrom, TTextPosition ATo) const;
  TTextPosition End() const noexcept;
  // The nearest position that exists.
  TTextPosition Clamp(TTextPosition APosition) const noexcept;
  // What a double click at APosition selects, as [first, after last) on its line: the run of
  // word characters (AIsWordChar) there. Between two characters the word is the one to the
  // right, as in an edit; just after a word, that word; on any other character, that
  // character alone. The position is clamped first; no text gives the start twice.
  std::pair<TTextPosition, TTextPosition> WordAt(TTextPosition APosition, bool (*AIsWordChar)(char16_t)) const;

  // One row: the characters Start to End of a line (an empty line has one empty row).
  struct TRow {
    std::size_t Line = 0;
    std::size_t Start = 0;
    std::size_t End = 0;
  };
  // No lines, no rows.
  int RowCount() const noexcept { return FRowCount; }
  // The rows ARow to ARow + ACount - 1 that exist, in order.
  std::vector<TRow> Rows(int ARow, int ACount) const;
  // The row showing APosition: a position where a line breaks belongs to the row below.
  int RowOf(TTextPosition APosition) const;

private:
  struct TLine {
    std::u16string Text;
    std::vector<std::size_t> RowStarts; // the first is 0
  };
  void Wrap(TLine& ALine) const;
  TFitFunction FFit;
  int FWidth = 0;
  std::deque<TLine> FLines;
  int FRowCount = 0;
  std::size_t FLength = 0;
};

} // namespace tarvel
