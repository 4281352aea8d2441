#include "update/UpdateHelper.h"

#include <algorithm>

#include "core/Bytes.h"
#include "core/Text.h"

namespace tarvel {

namespace {

bool IsVersionChar(char16_t AChar) noexcept {
  return AChar == u'.' || (AChar >= u'0' && AChar <= u'9');
}

// A piece converts only when it is an optional sign followed by digits and fits 32 bits.
std::int32_t ToInt32OrZero(std::u16string_view APiece) {
  if (APiece.empty())
    return 0;
  std::size_t i = 0;
  bool negative = false;
  if (APiece[0] == u'+' || APiece[0] == u'-') {
    negative = APiece[0] == u'-';
    i = 1;
  }
  if (i == APiece.size())
    return 0;
  std::int64_t value = 0;
  for (; i < APiece.size(); ++i) {
    if (APiece[i] < u'0' || APiece[i] > u'9')
      return 0;
    value = value * 10 + (APiece[i] - u'0');
    if (value > std::int64_t{2147483648})
      return 0;
  }
  if (negative)
    value = -value;
  if (value > INT32_MAX || value < INT32_MIN)
    return 0;
  return static_cast<std::int32_t>(value);
}

} // namespace

std::u16string ExtractVersionText(std::u16string_view AText) {
  std::u16string text = Trim(AText);
  std::erase(text, u'\r');
  text = Trim(text);
  std::erase(text, u'\n');
  text = Trim(text);
  const auto first = std::find_if(text.begin(), text.end(), IsVersionChar);
  const auto last = std::find_if_not(first, text.end(), IsVersionChar);
  return std::u16string(first, last);
}

std::vector<std::int32_t> ParseVersionParts(std::u16string_view AText, int ACount) {
  if (ACount <= 0)
    return {};
  const std::u16string text = ExtractVersionText(AText);
  std::vector<std::u16string> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find(u'.', start);
    pieces.push_back(text.substr(start, dot == std::u16string::npos ? std::u16string::npos : dot - start));
    if (dot == std::u16string::npos)
      break;
    start = dot + 1;
  }
  std::vector<std::int32_t> parts(static_cast<std::size_t>(ACount), 0);
  for (std::size_t i = 0; i < parts.size() && i < pieces.size(); ++i)
    parts[i] = ToInt32OrZero(Trim(pieces[i]));
  return parts;
}

std::u16string ShortVersionText(std::u16string_view AVersion) {
  std::u16string shown;
  std::size_t start = 0;
  for (int number = 0; number < 4; ++number) {
    const std::size_t dot = AVersion.find(u'.', start);
    const std::u16string_view piece =
        AVersion.substr(start, dot == std::u16string_view::npos ? std::u16string_view::npos : dot - start);
    if (number > 0)
      shown += u'.';
    if (piece.size() > MaxVersionNumberDigits)
      shown += Format(u"%d", {ToInt32OrZero(piece)});
    else
      shown += piece;
    if (dot == std::u16string_view::npos)
      break;
    start = dot + 1;
  }
  return shown;
}

int CompareVersionParts(const std::vector<std::int32_t>& A, const std::vector<std::int32_t>& B) {
  const std::size_t n = std::max(A.size(), B.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::int32_t a = i < A.size() ? A[i] : 0;
    const std::int32_t b = i < B.size() ? B[i] : 0;
    if (a != b)
      return a > b ? 1 : -1;
  }
  return 0;
}

std::u16string ChooseAppVersion(const std::u16string& AStringVersion, const std::u16string& AFixedVersion) {
  if (AStringVersion.empty())
    return AFixedVersion;
  if (AFixedVersion.empty())
    return AStringVersion;
  return CompareVersionParts(ParseVersionParts(AStringVersion, 4), ParseVersionParts(AFixedVersion, 4)) < 0
             ? AFixedVersion
             : AStringVersion;
}

std::u16string FormatFixedVersion(std::uint16_t AMajor, std::uint16_t AMinor, std::uint16_t APatch,
                                  std::uint16_t ABuild) {
  if (ABuild != 0)
    return Format(u"%d.%d.%d.%d", {AMajor, AMinor, APatch, ABuild});
  return Format(u"%d.%d.%d", {AMajor, AMinor, APatch});
}

namespace {

// The fixed information (VS_FIXEDFILEINFO, 52 bytes) as a version text, or empty.
std::u16string ReadFixedVersion(const IVersionResource& AResource) {
  constexpr std::size_t FixedFileInfoSize = 52;
  const auto block = AResource.QueryBinary(u"\\");
  if (!block || block->size() < FixedFileInfoSize)
    return {};
  const std::uint32_t ms = ReadLE32(block->data() + 8);
  const std::uint32_t ls = ReadLE32(block->data() + 12);
  return FormatFixedVersion(static_cast<std::uint16_t>(ms >> 16), static_cast<std::uint16_t>(ms),
                            static_cast<std::uint16_t>(ls >> 16), static_cast<std::uint16_t>(ls));
}

std::u16string ReadStringVersion(const IVersionResource& AResource, std::u16string_view AKey) {
  const auto translation = AResource.QueryBinary(u"\\VarFileInfo\\Translation");
  if (!translation || translation->size() < 4)
    return {};
  const unsigned language = ReadLE16(translation->data());
  const unsigned codePage = ReadLE16(translation->data() + 2);
  constexpr char16_t Hex[] = u"0123456789ABCDEF";
  std::u16string path = u"\\StringFileInfo\\";
  for (const unsigned word : {language, codePage})
    for (int shift = 12; shift >= 0; shift -= 4)
      path.push_back(Hex[(word >> shift) & 0xF]);
  path += u"\\";
  path += AKey;
  const auto value = AResource.QueryString(path);
  if (!value || value->empty())
    return {};
  return ExtractVersionText(*value);
}

} // namespace

std::u16string ReadVersionString(IShell& AShell, const std::u16string& AFileName, std::u16string_view AKey) {
  const auto resource = AShell.LoadVersionResource(AFileName);
  return resource ? ReadStringVersion(*resource, AKey) : std::u16string();
}

std::u16string ReadAppVersion(IShell& AShell) {
  const auto resource = AShell.LoadVersionResource(AShell.ExecutablePath());
  if (!resource)
    return {};
  std::u16string text = ReadStringVersion(*resource, u"FileVersion");
  if (text.empty())
    text = ReadStringVersion(*resource, u"ProductVersion");
  return ChooseAppVersion(text, ReadFixedVersion(*resource));
}

std::u16string GetAppVersion(IShell& AShell) {
  std::u16string version = ReadAppVersion(AShell);
  return version.empty() ? std::u16string(FallbackAppVersion) : version;
}

} // namespace tarvel
