#include "clipboard/ClipboardSave.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

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

namespace {

// The alpha bytes of a row: their AND and their OR.
struct TRowAlpha {
  std::uint8_t All; // 0xFF when every pixel is opaque
  std::uint8_t Any; // 0 when every pixel has alpha 0
};

TRowAlpha ScanRowAlpha(const std::uint8_t* ARow, std::size_t AWidth) noexcept {
  // Whole pixels at a time, which the compiler turns into vector AND and OR.
  std::uint32_t all = 0xFFFFFFFFu;
  std::uint32_t any = 0;
  for (std::size_t x = 0; x < AWidth; ++x) {
    std::uint32_t v;
    std::memcpy(&v, ARow + 4 * x, 4);
    all &= v;
    any |= v;
  }
  std::uint8_t allBytes[4];
  std::uint8_t anyBytes[4];
  std::memcpy(allBytes, &all, 4);
  std::memcpy(anyBytes, &any, 4);
  return {allBytes[3], anyBytes[3]};
}

// The row drawn over white, as the save has always drawn it.
void RowOverWhite(const std::uint8_t* ASource, std::uint8_t* ADest, std::size_t AWidth) noexcept {
  for (std::size_t i = 0; i < 4 * AWidth; i += 4) {
    const unsigned alpha = ASource[i + 3];
    for (std::size_t c = 0; c < 3; ++c)
      ADest[i + c] = static_cast<std::uint8_t>((ASource[i + c] * alpha + 255 * (255 - alpha) + 127) / 255);
    ADest[i + 3] = 0xFF;
  }
}

// The rows of the image over white, for the encoder. Drawing an opaque pixel over white
// leaves it as it is, so a row whose pixels are all opaque goes to the encoder unchanged
// and only rows with transparency are drawn, into a buffer of one row. An image whose
// alpha is 0 everywhere is opaque too, which is known only at its last row: while every
// row so far had alpha 0 they go unchanged, and the first row with alpha that is not 0
// abandons the encoding, which then starts again knowing that the alpha counts.
class TRowsOverWhite {
public:
  TRowsOverWhite(const TBitmap32& ABitmap, bool AAlphaCounts)
      : FBitmap(ABitmap), FWidth(static_cast<std::size_t>(ABitmap.Width())), FAlphaCounts(AAlphaCounts),
        FBuffer(FWidth * TBitmap32::BytesPerPixel) {}

  const std::uint8_t* operator()(int AY) noexcept {
    const std::uint8_t* row = FBitmap.Scanline(AY);
    const TRowAlpha alpha = ScanRowAlpha(row, FWidth);
    if (!FAlphaCounts) {
      if (alpha.Any == 0)
        return row;
      if (AY > 0)
        return nullptr; // the rows before needed drawing over white
      FAlphaCounts = true;
    }
    if (alpha.All == 0xFF)
      return row;
    RowOverWhite(row, FBuffer.data(), FWidth);
    return FBuffer.data();
  }

private:
  const TBitmap32& FBitmap;
  std::size_t FWidth;
  bool FAlphaCounts;
  std::vector<std::uint8_t> FBuffer;
};

std::optional<std::vector<std::uint8_t>> EncodeRowsOverWhite(const TBitmap32& ABitmap, bool AAlphaCounts) {
  TRowsOverWhite rows(ABitmap, AAlphaCounts);
  return EncodeJpegRows(ABitmap.Width(), ABitmap.Height(), JpegSaveQuality, std::ref(rows));
}

} // namespace

std::vector<std::uint8_t> EncodeBitmapForSave(const TBitmap32& ABitmap) {
  // Transparent parts show the white below them. An image whose fourth byte is 0xFF
  // everywhere is opaque; so is one where it is 0 everywhere, as screen grabs leave it.
  if (ABitmap.Empty())
    return EncodeJpeg(ABitmap, JpegSaveQuality); // raises the encoder's error
  if (auto jpeg = EncodeRowsOverWhite(ABitmap, false))
    return std::move(*jpeg);
  return std::move(*EncodeRowsOverWhite(ABitmap, true));
}

void SaveBitmapAsJpeg(IShell& AShell, const TBitmap32& ABitmap, const std::u16string& AFileName) {
  AShell.WriteFile(AFileName, EncodeBitmapForSave(ABitmap));
}

} // namespace tarvel
