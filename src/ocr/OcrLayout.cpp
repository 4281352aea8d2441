#include "ocr/OcrLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ocr/OcrLayoutParts.h"
#include "ocr/uWinRTOcr.h"

namespace tarvel {

using namespace ocr_layout;

namespace {

// Coordinates beyond this are not a screen's: the rectangle is treated as broken.
constexpr float MaxCoordinate = 1.0e7f;

// ---- Rectangles and measures ------------------------------------------------------------

bool Usable(const TOcrRect& ARect) {
  for (const float v : {ARect.X, ARect.Y, ARect.Width, ARect.Height})
    if (!std::isfinite(v) || std::fabs(v) > MaxCoordinate)
      return false;
  return ARect.Width > 0 && ARect.Height > 0;
}

// The blank between two words on a line, as the engine's rectangles show it: the median of
// the gaps between neighbours, else a third of the line height.
float WordSpace(const std::vector<const TOcrTextLine*>& ALines, float ALineHeight) {
  std::vector<float> gaps;
  for (const TOcrTextLine* line : ALines)
    for (std::size_t i = 1; i < line->Words.size(); ++i) {
      const float gap = line->Words[i].Bounds->X - Right(*line->Words[i - 1].Bounds);
      if (gap > 0)
        gaps.push_back(gap);
    }
  return std::max(Median(std::move(gaps), ALineHeight / 3), ALineHeight / 10);
}

// ---- Characters -------------------------------------------------------------------------

bool IsHyphen(char16_t AChar) {
  return AChar == u'-' || AChar == u'\u2010' || AChar == u'\u00AD';
}

// Lower-case letters of the Latin, Greek and Cyrillic alphabets; enough to tell a word
// that goes on from one that starts anew.
bool IsLowerLetter(char16_t AChar) {
  if (AChar >= u'a' && AChar <= u'z')
    return true;
  if (AChar >= 0x00DF && AChar <= 0x00FF)
    return AChar != 0x00F7;
  if (AChar >= 0x0100 && AChar <= 0x0137)
    return (AChar & 1) != 0;
  if (AChar >= 0x0139 && AChar <= 0x0148)
    return (AChar & 1) == 0;
  if (AChar >= 0x014A && AChar <= 0x0177)
    return (AChar & 1) != 0;
  if (AChar >= 0x0179 && AChar <= 0x017E)
    return (AChar & 1) == 0;
  if (AChar == 0x0138 || AChar == 0x0149 || AChar == 0x017F)
    return true;
  if (AChar >= 0x03AC && AChar <= 0x03CE)
    return true;
  return AChar >= 0x0430 && AChar <= 0x045F;
}

bool IsLetter(char16_t AChar) {
  if ((AChar >= u'a' && AChar <= u'z') || (AChar >= u'A' && AChar <= u'Z'))
    return true;
  if (AChar >= 0x00C0 && AChar <= 0x024F)
    return AChar != 0x00D7 && AChar != 0x00F7;
  return AChar >= 0x0370 && AChar <= 0x052F;
}

bool IsDigit(char16_t AChar) {
  return AChar >= u'0' && AChar <= u'9';
}

// A bullet, a dash or a number that opens a list item: "•", "-", "1.", "a)", "(2)", "iv.".
// A small round bullet is often read as "+", "«" or "»".
bool IsListMarker(std::u16string_view AWord) {
  static constexpr std::u16string_view Bullets =
      u"\u2022\u25E6\u25AA\u25AB\u2023\u25CF\u25CB\u25A0\u25A1\u2013"
      u"\u2014-*\u00B7\u25BA\u25B6\u25B8\u27A2\u2713\u2714\u2192>+\u00AB\u00BB";
  static constexpr std::u16string_view Glued = u"\u2022\u25E6\u25AA\u2023\u25CF\u25CB\u25A0\u25A1\u25BA\u25B6\u25B8";
  if (AWord.empty())
    return false;
  if (AWord.size() == 1)
    return Bullets.find(AWord[0]) != std::u16string_view::npos;
  if (Glued.find(AWord[0]) != std::u16string_view::npos)
    return true;
  std::u16string_view body = AWord;
  if (body.front() == u'(') {
    if (body.back() != u')')
      return false;
    body = body.substr(1, body.size() - 2);
  } else if (body.back() == u'.' || body.back() == u')') {
    body.remove_suffix(1);
  } else {
    return false;
  }
  if (body.empty())
    return false;
  if (std::all_of(body.begin(), body.end(), IsDigit))
    return body.size() <= 3;
  if (body.size() == 1)
    return IsLetter(body[0]);
  return body.size() <= 5 && std::all_of(body.begin(), body.end(), [](char16_t c) {
           return std::u16string_view(u"ivxIVX").find(c) != std::u16string_view::npos;
         });
}

// How a line ending in a hyphen goes on in the next. "exam-" and "ple": one word broken in
// two, the hyphen dropped. "2020-" and "2024", "Jean-" and "Paul": a hyphen of the text,
// kept, without a blank.
enum class THyphenJoin { None, Drop, Keep };

THyphenJoin HyphenJoin(std::u16string_view AEnd, std::u16string_view ANext) {
  if (AEnd.size() < 2 || !IsHyphen(AEnd.back()) || ANext.empty())
    return THyphenJoin::None;
  const char16_t before = AEnd[AEnd.size() - 2];
  const char16_t next = ANext.front();
  if (IsLetter(before) && IsLowerLetter(next))
    return THyphenJoin::Drop;
  if ((IsLetter(before) || IsDigit(before)) && (IsLetter(next) || IsDigit(next)))
    return THyphenJoin::Keep;
  return THyphenJoin::None;
}

// Whether two words of the line lie further apart than prose ever sets them: more than one
// and a half line heights.
bool Tabular(const TOcrTextLine& ALine, float AHeight) {
  for (std::size_t i = 1; i < ALine.Words.size(); ++i) {
    if (ALine.Words[i].Bounds->X - Right(*ALine.Words[i - 1].Bounds) > 1.5f * AHeight)
      return true;
  }
  return false;
}

std::u16string_view FirstWord(const TOcrTextLine& ALine) {
  if (!ALine.Words.empty())
    return ALine.Words.front().Text;
  const std::u16string_view text = ALine.Text;
  return text.substr(0, text.find(u' '));
}

std::u16string_view LastWord(const TOcrTextLine& ALine) {
  if (!ALine.Words.empty())
    return ALine.Words.back().Text;
  const std::u16string_view text = ALine.Text;
  const std::size_t blank = text.rfind(u' ');
  return blank == std::u16string_view::npos ? text : text.substr(blank + 1);
}

// Appends a line to the paragraph it goes on: after a hyphen as AHyphen says, otherwise one
// blank unless the line opens with closing punctuation or the language has no blanks.
void AppendWrapped(std::u16string& AText, const TOcrTextLine& ALine, bool AUseBlanks, THyphenJoin AHyphen) {
  if (AText.empty()) {
    AText = ALine.Text;
    return;
  }
  if (AHyphen == THyphenJoin::Drop) {
    AText.pop_back();
  } else if (AHyphen == THyphenJoin::None && AUseBlanks && NeedsSpaceBefore(FirstWord(ALine))) {
    AText += u' ';
  }
  AText += ALine.Text;
}

std::vector<const TOcrTextLine*> NonEmpty(const std::vector<TOcrTextLine>& ALines) {
  std::vector<const TOcrTextLine*> lines;
  for (const TOcrTextLine& line : ALines)
    if (!line.Text.empty())
      lines.push_back(&line);
  return lines;
}

std::u16string AsLines(const std::vector<const TOcrTextLine*>& ALines) {
  std::u16string text;
  for (const TOcrTextLine* line : ALines) {
    if (!text.empty())
      text += u"\r\n";
    text += line->Text;
  }
  return text;
}

// ---- Lines as boxes -----------------------------------------------------------------------

struct TLineBox {
  const TOcrTextLine* Line;
  float Left, Right, Top, Bottom;
  float Height() const { return Bottom - Top; }
};

TLineBox BoxOf(const TOcrTextLine& ALine) {
  TLineBox box{&ALine, std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest(),
               std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest()};
  for (const TOcrWordBox& word : ALine.Words) {
    const TOcrRect& r = *word.Bounds;
    box.Left = std::min(box.Left, r.X);
    box.Right = std::max(box.Right, Right(r));
    box.Top = std::min(box.Top, r.Y);
    box.Bottom = std::max(box.Bottom, Bottom(r));
  }
  return box;
}

// The left edge most lines of a block start at; between equally many, the leftmost.
float DominantLeft(const std::vector<TLineBox>& ABoxes, float ATolerance) {
  float best = ABoxes.front().Left;
  std::size_t bestCount = 0;
  for (const TLineBox& candidate : ABoxes) {
    const std::size_t count =
        static_cast<std::size_t>(std::count_if(ABoxes.begin(), ABoxes.end(), [&](const TLineBox& b) {
          return std::fabs(b.Left - candidate.Left) <= ATolerance;
        }));
    if (count > bestCount || (count == bestCount && candidate.Left < best)) {
      best = candidate.Left;
      bestCount = count;
    }
  }
  return best;
}

// ---- Paragraphs ---------------------------------------------------------------------------

std::u16string Paragraphs(const std::vector<const TOcrTextLine*>& ALines, bool AUseBlanks) {
  std::vector<TLineBox> boxes;
  std::vector<float> heights;
  for (const TOcrTextLine* line : ALines) {
    boxes.push_back(BoxOf(*line));
    heights.push_back(boxes.back().Height());
  }
  const float height = Median(heights, 1);
  const float space = WordSpace(ALines, height);
  const float tolerance = std::max(0.45f * height, 1.0f);

  // Blocks: lines that follow each other down one column. A line that is not below the one
  // before, or beside the block rather than under it, starts another.
  std::vector<std::vector<TLineBox>> blocks;
  float blockLeft = 0, blockRight = 0;
  for (const TLineBox& box : boxes) {
    bool fresh = blocks.empty();
    if (!fresh) {
      const TLineBox& previous = blocks.back().back();
      const bool below = box.Top >= previous.Top + 0.5f * std::min(box.Height(), previous.Height());
      fresh = !below || Overlap(box.Left, box.Right, blockLeft, blockRight) <= 0;
    }
    if (fresh) {
      blocks.emplace_back();
      blockLeft = box.Left;
      blockRight = box.Right;
    }
    blocks.back().push_back(box);
    blockLeft = std::min(blockLeft, box.Left);
    blockRight = std::max(blockRight, box.Right);
  }

  std::u16string text;
  for (const std::vector<TLineBox>& block : blocks) {
    if (!text.empty())
      text += u"\r\n";
    const float left = DominantLeft(block, tolerance);
    float right = block.front().Right;
    for (const TLineBox& box : block)
      right = std::max(right, box.Right);
    // The pitch of the block's lines: a low quartile, so that paragraph gaps do not count.
    std::vector<float> pitches;
    for (std::size_t i = 1; i < block.size(); ++i)
      pitches.push_back((block[i].Top - block[i - 1].Top + block[i].Bottom - block[i - 1].Bottom) / 2);
    std::sort(pitches.begin(), pitches.end());
    const float pitch = pitches.empty() ? height : pitches[(pitches.size() - 1) / 4];

    std::u16string paragraph = block.front().Line->Text;
    // Where the text of a list item's later lines starts: after its marker.
    auto hanging = [&](const TLineBox& ABox) -> std::optional<float> {
      const std::vector<TOcrWordBox>& words = ABox.Line->Words;
      if (words.size() < 2 || !IsListMarker(words.front().Text))
        return std::nullopt;
      return words[1].Bounds->X;
    };
    std::optional<float> hang = hanging(block.front());
    for (std::size_t i = 1; i < block.size(); ++i) {
      const TLineBox& previous = block[i - 1];
      const TLineBox& line = block[i];
      const float step = (line.Top - previous.Top + line.Bottom - previous.Bottom) / 2;
      const bool gap = step - pitch > 0.4f * height || line.Top - previous.Bottom > 0.8f * height;
      const TOcrWordBox& first = line.Line->Words.front();
      // A line with a gap as wide as a column between two words is a row of a table or a
      // label with its value: it neither goes on from the line before nor takes the next.
      bool brk = gap || IsListMarker(first.Text) || Tabular(*previous.Line, height) || Tabular(*line.Line, height);
      THyphenJoin hyphen = THyphenJoin::None;
      if (!brk) {
        const bool continuesItem = hang && std::fabs(line.Left - *hang) <= tolerance;
        // Indented or outdented: a paragraph or item of its own. So is a line that starts
        // right of the one before, as in code, whose lines need not share the block's edge.
        const bool moved =
            !continuesItem && (std::fabs(line.Left - left) > tolerance || line.Left > previous.Left + tolerance);
        if (!moved && AUseBlanks)
          hyphen = HyphenJoin(LastWord(*previous.Line), first.Text);
        if (hyphen == THyphenJoin::None) // or the next line's first word would have fitted: the line ended here
          brk = moved || previous.Right + space + first.Bounds->Width < right - 0.1f * height;
      }
      if (brk) {
        text += paragraph;
        text += gap ? u"\r\n\r\n" : u"\r\n";
        paragraph = line.Line->Text;
        hang = hanging(line);
      } else {
        AppendWrapped(paragraph, *line.Line, AUseBlanks, hyphen);
      }
    }
    text += paragraph;
  }
  return text;
}

// ---- One line -----------------------------------------------------------------------------

std::u16string OneLine(const std::vector<const TOcrTextLine*>& ALines, bool AUseBlanks) {
  std::u16string text;
  const TOcrTextLine* previous = nullptr;
  for (const TOcrTextLine* line : ALines) {
    AppendWrapped(text, *line, AUseBlanks,
                  AUseBlanks && previous ? HyphenJoin(LastWord(*previous), FirstWord(*line)) : THyphenJoin::None);
    previous = line;
  }
  return text;
}

} // namespace

std::u16string_view OcrTextLayoutName(TOcrTextLayout ALayout) noexcept {
  switch (ALayout) {
  case TOcrTextLayout::Paragraphs: return u"paragraphs";
  case TOcrTextLayout::OneLine: return u"one line";
  case TOcrTextLayout::Table: return u"table";
  default: return u"lines";
  }
}

std::u16string JoinOcrWords(const std::vector<TOcrWordBox>& AWords, bool AUseBlanks) {
  std::u16string text;
  for (const TOcrWordBox& word : AWords) {
    if (word.Text.empty())
      continue;
    if (AUseBlanks && !text.empty() && NeedsSpaceBefore(word.Text))
      text += u' ';
    text += word.Text;
  }
  return text;
}

std::optional<std::u16string> OcrLayoutProblem(const std::vector<TOcrTextLine>& ALines,
                                               std::optional<double> ATextAngle) {
  if (ATextAngle && !(std::isfinite(*ATextAngle) && std::fabs(*ATextAngle) <= OcrLayoutMaxTextAngle))
    return u"testo ruotato";
  std::optional<TLineBox> previous;
  for (const TOcrTextLine& line : ALines) {
    if (line.Text.empty())
      continue;
    if (line.Words.empty())
      return u"riga senza parole";
    for (const TOcrWordBox& word : line.Words) {
      if (!word.Bounds)
        return u"parola senza rettangolo";
      if (!Usable(*word.Bounds))
        return u"rettangolo vuoto o non valido";
    }
    const TOcrRect& first = *line.Words.front().Bounds;
    for (std::size_t i = 1; i < line.Words.size(); ++i) {
      const TOcrRect& before = *line.Words[i - 1].Bounds;
      const TOcrRect& word = *line.Words[i].Bounds;
      if (CentreX(word) <= CentreX(before) || Overlap(word.Y, Bottom(word), first.Y, Bottom(first)) <= 0)
        return u"parole fuori ordine";
    }
    const TLineBox box = BoxOf(line);
    // Up the same column again: a column to the right may start higher, the same one not.
    if (previous && box.Top < previous->Top - 0.5f * std::min(box.Height(), previous->Height()) &&
        Overlap(box.Left, box.Right, previous->Left, previous->Right) > 0)
      return u"righe fuori ordine";
    previous = box;
  }
  return std::nullopt;
}

std::u16string LayOutOcrText(const std::vector<TOcrTextLine>& ALines, std::optional<double> ATextAngle, bool AUseBlanks,
                             TOcrTextLayout ALayout, std::u16string* AFallback) {
  const std::vector<const TOcrTextLine*> lines = NonEmpty(ALines);
  if (ALayout == TOcrTextLayout::Lines || lines.empty())
    return AsLines(lines);
  if (ALayout == TOcrTextLayout::OneLine)
    return OneLine(lines, AUseBlanks);
  if (std::optional<std::u16string> problem = OcrLayoutProblem(ALines, ATextAngle)) {
    if (AFallback)
      *AFallback = std::move(*problem);
    return AsLines(lines);
  }
  if (ALayout == TOcrTextLayout::Paragraphs)
    return Paragraphs(lines, AUseBlanks);
  if (std::optional<std::u16string> table = TableText(lines, AUseBlanks))
    return std::move(*table);
  if (AFallback)
    *AFallback = u"nessuna colonna";
  return AsLines(lines);
}

} // namespace tarvel
