// libFuzzer target: any block given to ExtractClipboardHtml gives the document that the
// header's byte offsets, read from the raw bytes here, delimit, or the whole block when they
// delimit none. The input wrapped as the document of a well-formed block comes back whole.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard/HtmlFormat.h"
#include "core/Text.h"

namespace {

// The number after the first ALabel in the raw bytes, blanks and tabs skipped; -1 when there
// is none or it does not fit 32 bits.
std::int64_t ReadOffset(std::string_view ABytes, std::string_view ALabel) {
  const std::size_t at = ABytes.find(ALabel);
  if (at == std::string_view::npos)
    return -1;
  std::size_t i = at + ALabel.size();
  while (i < ABytes.size() && (ABytes[i] == ' ' || ABytes[i] == '\t'))
    ++i;
  const std::size_t first = i;
  std::int64_t value = 0;
  for (; i < ABytes.size() && ABytes[i] >= '0' && ABytes[i] <= '9'; ++i)
    if ((value = value * 10 + (ABytes[i] - '0')) > 0x7FFFFFFF)
      return -1;
  return i == first ? -1 : value;
}

std::string_view WithoutTrailingZeros(std::string_view ABytes) {
  while (!ABytes.empty() && ABytes.back() == '\0')
    ABytes.remove_suffix(1);
  return ABytes;
}

std::vector<std::uint8_t> Block(std::string_view ABytes) {
  return {ABytes.begin(), ABytes.end()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string_view input(reinterpret_cast<const char*>(AData), ASize);

  // The block as it is.
  const std::string_view data = WithoutTrailingZeros(input);
  const auto size = static_cast<std::int64_t>(data.size());
  const std::int64_t start = ReadOffset(data, "StartHTML:");
  std::int64_t end = ReadOffset(data, "EndHTML:");
  if (end < 0 || end > size)
    end = size;
  const std::u16string expected =
      start >= 0 && start < end
          ? tarvel::FromUtf8(data.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)))
          : tarvel::FromUtf8(data);
  if (tarvel::ExtractClipboardHtml(Block(input)) != expected)
    std::abort();

  // The input as the document of a block with a well-formed header, zero bytes after it.
  const std::string_view document = WithoutTrailingZeros(input);
  if (document.empty())
    return 0;
  // Ten digits a number, so that the header's length does not depend on them.
  const char* const header = "Version:0.9\r\nStartHTML:%010d\r\nEndHTML:%010d\r\n";
  const int headerSize = std::snprintf(nullptr, 0, header, 0, 0);
  std::string wrapped(static_cast<std::size_t>(headerSize) + 1, '\0');
  std::snprintf(wrapped.data(), wrapped.size(), header, headerSize, headerSize + static_cast<int>(document.size()));
  wrapped.resize(static_cast<std::size_t>(headerSize));
  wrapped.append(input);
  wrapped.append(2, '\0');
  if (tarvel::ExtractClipboardHtml(Block(wrapped)) != tarvel::FromUtf8(document))
    std::abort();
  return 0;
}
