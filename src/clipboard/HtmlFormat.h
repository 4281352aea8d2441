#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The "HTML Format" clipboard block: an ASCII header of "Name:value" lines whose StartHTML
// and EndHTML give the byte offsets of the document, then the HTML, the whole in UTF-8 and
// possibly followed by zero bytes.

// The document part of the data: the bytes from StartHTML up to EndHTML, decoded as UTF-8;
// the whole data when StartHTML is missing or out of range. Trailing zero bytes are not part
// of the data.
std::u16string ExtractClipboardHtml(std::vector<std::uint8_t> AData);

// The decimal number after the first ALabel, blanks and tabs skipped; -1 when there is no
// label, no digit, or a number too large for 32 bits.
int ReadHtmlHeaderOffset(std::u16string_view AHeader, std::u16string_view ALabel);

void TrimTrailingZeroBytes(std::vector<std::uint8_t>& ABytes);

} // namespace tarvel
