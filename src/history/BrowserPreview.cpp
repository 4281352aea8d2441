#include "history/BrowserPreview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/Text.h"

namespace tarvel {

namespace {

constexpr std::uint64_t MemoPreviewCost = std::uint64_t{MaxMemoPreviewLine} * MaxMemoPreviewLine;

// How many units of a line of ALength fit in what is left of the layout cost.
std::size_t UnitsWithinCost(std::size_t ALength, std::uint64_t& ACost) {
  const std::uint64_t cost = std::uint64_t{ALength} * ALength;
  if (cost <= MemoPreviewCost - ACost) {
    ACost += cost;
    return ALength;
  }
  const auto fits = static_cast<std::size_t>(std::sqrt(static_cast<double>(MemoPreviewCost - ACost)));
  ACost = MemoPreviewCost;
  return fits;
}

} // namespace

std::u16string MakeMemoPreviewText(std::u16string_view AText) {
  // Nothing past the length limit is shown, so nothing past it is looked at either.
  const std::u16string_view head = AText.substr(0, MaxMemoPreviewLength + 1);
  std::size_t cut = 0;
  std::uint64_t cost = 0;
  while (cut < head.size() && cut < MaxMemoPreviewLength) {
    std::size_t end = head.find_first_of(u"\r\n", cut);
    if (end == std::u16string_view::npos)
      end = head.size();
    const std::size_t fits = UnitsWithinCost(end - cut, cost);
    if (fits < end - cut) {
      cut += fits;
      break;
    }
    cut = std::min(end + 1, head.size());
  }
  cut = std::min(cut, MaxMemoPreviewLength);
  if (cut >= AText.size())
    return std::u16string(AText);
  if (cut > 0 && AText[cut - 1] >= 0xD800 && AText[cut - 1] <= 0xDBFF)
    --cut; // keep a surrogate pair whole
  return std::u16string(AText.substr(0, cut)) + u"\r\n\r\n" +
         Format(u"[... %s more characters are not shown here; the entry keeps the whole text]",
                {GroupDigits(AText.size() - cut)});
}

std::vector<std::u16string> MakeMemoPreviewLines(const std::vector<std::u16string>& AFiles) {
  std::vector<std::u16string> lines;
  std::size_t length = 0;
  std::uint64_t cost = 0;
  for (const std::u16string& path : AFiles) {
    const bool fits = UnitsWithinCost(path.size(), cost) == path.size() && length + path.size() <= MaxMemoPreviewLength;
    if (!fits && !lines.empty())
      break;
    length += path.size() + 2;
    lines.push_back(path);
  }
  if (lines.size() < AFiles.size()) {
    lines.emplace_back();
    lines.push_back(Format(u"[... %s more files are not shown here; the entry keeps the whole list]",
                           {GroupDigits(AFiles.size() - lines.size() + 1)}));
  }
  return lines;
}

} // namespace tarvel
