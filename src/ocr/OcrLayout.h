#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// How the recognized lines become one text. The engine gives lines of words, each word with
// its rectangle on the image; the layouts other than Lines read those rectangles to find
// what the lines were on screen: wrapped lines of one paragraph, list items, or the rows and
// columns of a table.

enum class TOcrTextLayout {
  Lines,      // the engine's lines, joined by CR LF
  Paragraphs, // wrapped lines joined into their paragraph, real breaks kept
  OneLine,    // everything on one line
  Table,      // cells by tab, rows by CR LF
};
// The layouts are stored by their number: a new one goes at the end.
inline constexpr unsigned OcrTextLayoutLast = static_cast<unsigned>(TOcrTextLayout::Table);

// "lines", "paragraphs", "one line", "table".
std::u16string_view OcrTextLayoutName(TOcrTextLayout ALayout) noexcept;

// A rectangle on the recognized image, in pixels, as the engine reports it.
struct TOcrRect {
  float X = 0;
  float Y = 0;
  float Width = 0;
  float Height = 0;
  friend bool operator==(const TOcrRect&, const TOcrRect&) = default;
};

struct TOcrWordBox {
  std::u16string Text;            // trimmed, not empty
  std::optional<TOcrRect> Bounds; // nothing: the engine gave none
  friend bool operator==(const TOcrWordBox&, const TOcrWordBox&) = default;
};

// One line of the engine: its text as the lines are joined (the words by the spacing rule,
// or the line's own text, trimmed, when it has no words) and the words that make it, none
// when the text is the line's own.
struct TOcrTextLine {
  std::u16string Text;
  std::vector<TOcrWordBox> Words;
  friend bool operator==(const TOcrTextLine&, const TOcrTextLine&) = default;
};

// Rotation beyond this, in degrees either way, leaves the lines as the engine gave them.
inline constexpr double OcrLayoutMaxTextAngle = 1.0;

// The words' texts joined: a blank before each word that is not closing punctuation, none
// at all without AUseBlanks (Chinese, Japanese, Korean).
std::u16string JoinOcrWords(const std::vector<TOcrWordBox>& AWords, bool AUseBlanks);

// Why the positions cannot be trusted for a layout, in a few words; nothing when they can.
// A line without words, a word without a rectangle or with an empty, negative or
// non-finite one, words out of reading order, or rotated text (ATextAngle beyond the limit
// or not a number; nothing means the engine found no angle).
std::optional<std::u16string> OcrLayoutProblem(const std::vector<TOcrTextLine>& ALines,
                                               std::optional<double> ATextAngle);

// The lines laid out as asked. Lines joins the non-empty texts by CR LF. Paragraphs and
// Table fall back to that when OcrLayoutProblem finds one, and Table also when the words
// form no columns; AFallback, if given, then says why. One line needs no positions.
std::u16string LayOutOcrText(const std::vector<TOcrTextLine>& ALines, std::optional<double> ATextAngle, bool AUseBlanks,
                             TOcrTextLayout ALayout, std::u16string* AFallback = nullptr);

} // namespace tarvel
