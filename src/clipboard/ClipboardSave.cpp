#include "clipboard/ClipboardSave.h"

#include <algorithm>
#include <limits>

#include "core/Jpeg.h"
#include "core/Text.h"

namespace tarvel {

std::u16string MakeClipboardFileBaseName(IClock& AClock) {
  return u"clipboard-" + FormatDateTime(FileStampPattern, AClock.Now());
}

std::u16string GetDesktopFolder(IShell& AShell) {
  std::u16string folder = AShell.SpecialFolder(sfDesktop);
  if (folder.empty())
    folder = AShell.SpecialFolder(sfAppData);
  return folder;
}

bool TryGetClipboardText(IClipboard& AClipboard, std::u16string& AText) {
  if (!AClipboard.IsFormatAvailable(cfUnicodeText) && !AClipboard.IsFormatAvailable(cfText))
    return false;
  AText = ReadClipboardText(AClipboard);
  return !AText.empty();
}

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
  const std::u16string whole = FromUtf8(bytes);
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

bool TryGetClipboardHtml(IClipboard& AClipboard, std::u16string& AHtml) {
  const std::uint32_t format = AClipboard.RegisterFormat(u"HTML Format");
  if (format == 0 || !AClipboard.IsFormatAvailable(format))
    return false;
  auto data = ReadClipboardBytes(AClipboard, format);
  if (!data)
    return false;
  TrimTrailingZeroBytes(*data);
  if (data->empty())
    return false;
  AHtml = ExtractClipboardHtml(std::move(*data));
  return !Trim(AHtml).empty();
}

bool TryGetClipboardBitmap(IClipboard& AClipboard, TBitmap32& ABitmap) {
  if (!AClipboard.IsFormatAvailable(cfBitmap) && !AClipboard.IsFormatAvailable(cfDib) &&
      !AClipboard.IsFormatAvailable(cfDibV5))
    return false;
  ABitmap = ReadClipboardImage(AClipboard);
  return !ABitmap.Empty();
}

bool IsHtmlSaveChoice(std::u16string_view AFileName, int AFilterIndex) {
  const std::u16string extension = UpperCaseAscii(ExtractFileExt(AFileName));
  if (extension == u".HTM" || extension == u".HTML")
    return true;
  if (extension == u".TXT")
    return false;
  return AFilterIndex == 2;
}

std::u16string EnsureSaveExtension(const std::u16string& AFileName, bool AIsHtml) {
  if (!ExtractFileExt(AFileName).empty())
    return AFileName;
  return AFileName + (AIsHtml ? u".htm" : u".txt");
}

std::vector<std::uint8_t> Utf8WithBom(std::u16string_view AText) {
  const std::string utf8 = ToUtf8(AText);
  std::vector<std::uint8_t> bytes(3 + utf8.size());
  bytes[0] = 0xEF;
  bytes[1] = 0xBB;
  bytes[2] = 0xBF;
  std::copy(utf8.begin(), utf8.end(), bytes.begin() + 3);
  return bytes;
}

std::vector<std::uint8_t> EncodeBitmapForSave(const TBitmap32& ABitmap) {
  // Transparent parts show the white below them. An image whose fourth byte is 0xFF
  // everywhere is opaque; so is one where it is 0 everywhere, as screen grabs leave it.
  const std::uint8_t* bits = ABitmap.Bits();
  const std::size_t size = ABitmap.ByteSize();
  bool allOpaque = true;
  bool allZero = true;
  for (std::size_t i = 3; i < size && (allOpaque || allZero); i += 4) {
    allOpaque = allOpaque && bits[i] == 0xFF;
    allZero = allZero && bits[i] == 0;
  }
  if (allOpaque || allZero)
    return EncodeJpeg(ABitmap, JpegSaveQuality);
  TBitmap32 canvas(ABitmap.Width(), ABitmap.Height());
  std::uint8_t* out = canvas.Bits();
  for (std::size_t i = 0; i < size; i += 4) {
    const unsigned alpha = bits[i + 3];
    for (int c = 0; c < 3; ++c)
      out[i + c] = static_cast<std::uint8_t>((bits[i + c] * alpha + 255 * (255 - alpha) + 127) / 255);
    out[i + 3] = 0xFF;
  }
  return EncodeJpeg(canvas, JpegSaveQuality);
}

void SaveBitmapAsJpeg(IShell& AShell, const TBitmap32& ABitmap, const std::u16string& AFileName) {
  AShell.WriteFile(AFileName, EncodeBitmapForSave(ABitmap));
}

} // namespace tarvel
