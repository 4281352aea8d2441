#include "clipboard/HtmlFormat.h"

#include <limits>
#include <string_view>

#include "core/Text.h"

namespace tarvel {

void TrimTrailingZeroBytes(std::vector<std::uint8_t>& ABytes) {
  while (!ABytes.empty() && ABytes.back() == 0)
    ABytes.pop_back();
}

int ReadHtmlHeaderOffset(std::u16string_view AHeader, std::u16string_view ALabel) {
  const std::size_t at = AHeader.find(ALabel);
  if (at == std::u16string_view::npos)
    return -1;
  std::size_t i = at + ALabel.size();
  while (i < AHeader.size() && (AHeader[i] == u' ' || AHeader[i] == u'\t'))
    ++i;
  std::int64_t value = 0;
  const std::size_t digits = i;
  for (; i < AHeader.size() && AHeader[i] >= u'0' && AHeader[i] <= u'9'; ++i) {
    value = value * 10 + (AHeader[i] - u'0');
    if (value > std::numeric_limits<std::int32_t>::max())
      return -1;
  }
  return i == digits ? -1 : static_cast<int>(value);
}

std::u16string ExtractClipboardHtml(std::vector<std::uint8_t> AData) {
  TrimTrailingZeroBytes(AData);
  const std::string_view bytes(reinterpret_cast<const char*>(AData.data()), AData.size());
  std::u16string whole = FromUtf8(bytes); // not const: returned, it is moved
  // The offsets count bytes; the header they are read from is ASCII, so reading them from
  // the decoded text finds the same numbers.
  const std::int64_t size = static_cast<std::int64_t>(AData.size());
  const std::int64_t start = ReadHtmlHeaderOffset(whole, u"StartHTML:");
  std::int64_t end = ReadHtmlHeaderOffset(whole, u"EndHTML:");
  if (end < 0 || end > size)
    end = size;
  if (start >= 0 && start < size && start < end)
    return FromUtf8(bytes.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
  return whole;
}

} // namespace tarvel
