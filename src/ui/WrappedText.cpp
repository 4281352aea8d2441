#include "ui/WrappedText.h"

#include <algorithm>
#include <utility>

namespace tarvel {
namespace {

bool IsHighSurrogate(char16_t AChar) {
  return AChar >= 0xD800 && AChar <= 0xDBFF;
}

bool IsLowSurrogate(char16_t AChar) {
  return AChar >= 0xDC00 && AChar <= 0xDFFF;
}

} // namespace

TWrappedText::TWrappedText(TFitFunction AFit) : FFit(std::move(AFit)) {}

void TWrappedText::Wrap(TLine& ALine) const {
  ALine.RowStarts.assign(1, 0);
  const std::u16string_view text = ALine.Text;
  if (FWidth <= 0)
    return;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::u16string_view rest = text.substr(start);
    const std::size_t fit = std::min(FFit(rest, FWidth), rest.size());
    if (fit == rest.size())
      return;
    // Break after the last blank that fits, with the blanks that follow it: they show at the
    // end of the row, not at the start of the next. Without a blank, break where it fits,
    // keeping at least one character (and a surrogate pair whole) on the row. A surrogate
    // without its partner is a character of its own.
    std::size_t end = start;
    for (std::size_t i = fit + 1; i-- > 0;) {
      if (rest[i] == u' ') {
        end = start + i + 1;
        while (end < text.size() && text[end] == u' ')
          ++end;
        break;
      }
    }
    if (end == start) {
      end = start + std::max<std::size_t>(fit, 1);
      if (end < text.size() && IsHighSurrogate(text[end - 1]) && IsLowSurrogate(text[end]))
        end = end - start > 1 ? end - 1 : end + 1;
    }
    if (end >= text.size())
      return;
    ALine.RowStarts.push_back(end);
    start = end;
  }
}

void TWrappedText::SetWidth(int AWidth) {
  if (AWidth == FWidth)
    return;
  FWidth = AWidth;
  FRowCount = 0;
  for (TLine& line : FLines) {
    Wrap(line);
    FRowCount += static_cast<int>(line.RowStarts.size());
  }
}

void TWrappedText::Assign(const std::vector<std::u16string>& ALines) {
  FLines.clear();
  FRowCount = 0;
  FLength = 0;
  for (const std::u16string& line : ALines)
    Append(line);
}

void TWrappedText::Append(std::u16string ALine) {
  TLine line{std::move(ALine), {}};
  Wrap(line);
  FLength += line.Text.size() + (FLines.empty() ? 0 : 2);
  FRowCount += static_cast<int>(line.RowStarts.size());
  FLines.push_back(std::move(line));
}

int TWrappedText::DropFront(std::size_t ACount) {
  ACount = std::min(ACount, FLines.size());
  int rows = 0;
  for (std::size_t i = 0; i < ACount; ++i) {
    rows += static_cast<int>(FLines.front().RowStarts.size());
    FLength -= FLines.front().Text.size() + (FLines.size() > 1 ? 2 : 0);
    FLines.pop_front();
  }
  FRowCount -= rows;
  return rows;
}

std::u16string TWrappedText::Text() const {
  return TextBetween({}, End());
}

std::u16string TWrappedText::TextBetween(TTextPosition AFrom, TTextPosition ATo) const {
  if (FLines.empty())
    return {};
  AFrom = Clamp(AFrom);
  ATo = Clamp(ATo);
  if (ATo < AFrom)
    std::swap(AFrom, ATo);
  std::u16string r;
  for (std::size_t line = AFrom.Line; line <= ATo.Line; ++line) {
    const std::u16string& text = FLines[line].Text;
    const std::size_t from = line == AFrom.Line ? AFrom.Offset : 0;
    const std::size_t to = line == ATo.Line ? ATo.Offset : text.size();
    if (line > AFrom.Line)
      r += u"\r\n";
    r.append(text, from, to - from);
  }
  return r;
}

TTextPosition TWrappedText::End() const noexcept {
  if (FLines.empty())
    return {};
  return {FLines.size() - 1, FLines.back().Text.size()};
}

TTextPosition TWrappedText::Clamp(TTextPosition APosition) const noexcept {
  if (FLines.empty())
    return {};
  if (APosition.Line >= FLines.size())
    return End();
  APosition.Offset = std::min(APosition.Offset, FLines[APosition.Line].Text.size());
  return APosition;
}

std::pair<TTextPosition, TTextPosition> TWrappedText::WordAt(TTextPosition APosition,
                                                             bool (*AIsWordChar)(char16_t)) const {
  APosition = Clamp(APosition);
  if (FLines.empty())
    return {APosition, APosition};
  const std::u16string& line = FLines[APosition.Line].Text;
  std::size_t at = APosition.Offset;
  if (!(at < line.size() && AIsWordChar(line[at])) && at > 0 && AIsWordChar(line[at - 1]))
    --at;
  std::size_t start = at;
  std::size_t end = at;
  while (start > 0 && AIsWordChar(line[start - 1]))
    --start;
  while (end < line.size() && AIsWordChar(line[end]))
    ++end;
  if (start == end && end < line.size())
    ++end;
  return {{APosition.Line, start}, {APosition.Line, end}};
}

std::vector<TWrappedText::TRow> TWrappedText::Rows(int ARow, int ACount) const {
  std::vector<TRow> rows;
  if (ACount <= 0 || ARow >= FRowCount)
    return rows;
  int skip = std::max(ARow, 0);
  ACount -= skip - ARow;
  for (std::size_t line = 0; line < FLines.size() && static_cast<int>(rows.size()) < ACount; ++line) {
    const std::vector<std::size_t>& starts = FLines[line].RowStarts;
    const int count = static_cast<int>(starts.size());
    if (skip >= count) {
      skip -= count;
      continue;
    }
    for (int i = skip; i < count && static_cast<int>(rows.size()) < ACount; ++i) {
      const auto row = static_cast<std::size_t>(i);
      const std::size_t end = row + 1 < starts.size() ? starts[row + 1] : FLines[line].Text.size();
      rows.push_back({line, starts[row], end});
    }
    skip = 0;
  }
  return rows;
}

int TWrappedText::RowOf(TTextPosition APosition) const {
  APosition = Clamp(APosition);
  int row = 0;
  for (std::size_t line = 0; line < APosition.Line; ++line)
    row += static_cast<int>(FLines[line].RowStarts.size());
  if (FLines.empty())
    return 0;
  const std::vector<std::size_t>& starts = FLines[APosition.Line].RowStarts;
  const auto after = std::upper_bound(starts.begin(), starts.end(), APosition.Offset);
  return row + static_cast<int>(after - starts.begin()) - 1;
}

} // namespace tarvel
