#include "clipboard/SystemClipboard.h"

#include <exception>

#include "clipboard/Dib.h"
#include "clipboard/DropFiles.h"
#include "core/Bytes.h"
#include "core/Text.h"

namespace tarvel {

std::u16string ReadClipboardText(IClipboard& AClipboard) {
  TClipboardSession session(AClipboard);
  std::u16string text;
  AClipboard.ReadData(cfUnicodeText,
                      [&](const std::uint8_t* AData, std::size_t ASize) { text = FromUtf16LeBytes(AData, ASize); });
  return text;
}

namespace {

// A header that states a width or height of 0: an image of no pixels, not a broken one.
bool HasNoPixels(const std::uint8_t* AData, std::size_t ASize) {
  if (!AData || ASize < 12)
    return false;
  const std::uint32_t headerSize = ReadLE32(AData);
  if (headerSize == 12)
    return ReadLE16(AData + 4) == 0 || ReadLE16(AData + 6) == 0;
  return headerSize >= 40 && (ReadLE32(AData + 4) == 0 || ReadLE32(AData + 8) == 0);
}

} // namespace

TBitmap32 ReadClipboardImage(IClipboard& AClipboard) {
  TClipboardSession session(AClipboard);
  TBitmap32 image;
  const auto decode = [&](const std::uint8_t* AData, std::size_t ASize) {
    if (!HasNoPixels(AData, ASize))
      image = DecodeDib(AData, ASize);
  };
  // The system's conversions between the forms are not all whole: the CF_DIBV5 it makes
  // of a palette image has no colour table. So a form that cannot be decoded hands over to
  // the next; the V5 form comes first because it keeps an alpha channel, the bitmap last
  // because the system draws it (compressed DIBs included) without one.
  std::exception_ptr firstError;
  const auto attempt = [&](const auto& ARead) {
    try {
      return ARead();
    } catch (const EImageError&) {
      if (!firstError)
        firstError = std::current_exception();
      return false;
    }
  };
  if (attempt([&] { return AClipboard.ReadData(cfDibV5, decode); }) ||
      attempt([&] { return AClipboard.ReadData(cfDib, decode); }))
    return image;
  std::optional<TBitmap32> bitmap;
  if (attempt([&] { return (bitmap = AClipboard.ReadBitmap()).has_value(); }))
    return std::move(*bitmap);
  if (firstError)
    std::rethrow_exception(firstError);
  return image;
}

std::vector<std::u16string> ReadClipboardFiles(IClipboard& AClipboard) {
  std::optional<std::vector<std::u16string>> files;
  {
    TClipboardSession session(AClipboard);
    files = AClipboard.ReadFileList();
  }
  if (!files)
    return {};
  // The system's reader reports a list that ends at once as one empty path. Such paths would
  // make an entry that can never be put back on the clipboard.
  std::erase_if(*files, [](const std::u16string& APath) { return !IsUsableDropFilesPath(APath); });
  return std::move(*files);
}

std::optional<std::vector<std::uint8_t>> ReadClipboardBytes(IClipboard& AClipboard, std::uint32_t AFormat) {
  TClipboardSession session(AClipboard);
  std::optional<std::vector<std::uint8_t>> bytes;
  AClipboard.ReadData(AFormat,
                      [&](const std::uint8_t* AData, std::size_t ASize) { bytes.emplace(AData, AData + ASize); });
  return bytes;
}

bool IsMarkedPrivate(IClipboard& AClipboard) {
  for (const char16_t* marker : {u"ExcludeClipboardContentFromMonitorProcessing", u"Clipboard Viewer Ignore"})
    if (const std::uint32_t format = AClipboard.RegisterFormat(marker); format && AClipboard.IsFormatAvailable(format))
      return true;
  const std::uint32_t history = AClipboard.RegisterFormat(u"CanIncludeInClipboardHistory");
  if (!history || !AClipboard.IsFormatAvailable(history))
    return false;
  const std::optional<std::vector<std::uint8_t>> value = ReadClipboardBytes(AClipboard, history);
  return value && value->size() >= 4 && ReadLE32(value->data()) == 0;
}

namespace {

enum class TWriteResult { NoBlock, Refused, Done };

TWriteResult ReplaceContent(IClipboard& AClipboard, std::unique_ptr<TClipboardBlock> ABlock) {
  if (!ABlock)
    return TWriteResult::NoBlock;
  TClipboardSession session(AClipboard);
  AClipboard.Empty();
  return AClipboard.SetBlock(std::move(ABlock)) ? TWriteResult::Done : TWriteResult::Refused;
}

} // namespace

void WriteClipboardText(IClipboard& AClipboard, std::u16string_view AText) {
  switch (ReplaceContent(AClipboard, AClipboard.PrepareData(cfUnicodeText, ToUtf16LeBytes(AText)))) {
  case TWriteResult::NoBlock: throw EClipboardError(u"Not enough memory for the clipboard text");
  case TWriteResult::Refused: throw EClipboardError(u"Cannot set clipboard text");
  case TWriteResult::Done: break;
  }
}

void WriteClipboardBitmap(IClipboard& AClipboard, std::shared_ptr<const TBitmap32> ABitmap) {
  switch (ReplaceContent(AClipboard, AClipboard.PrepareBitmap(std::move(ABitmap)))) {
  case TWriteResult::NoBlock: throw EClipboardError(u"Cannot create the clipboard image");
  case TWriteResult::Refused: throw EClipboardError(u"Cannot set clipboard image");
  case TWriteResult::Done: break;
  }
}

bool WriteClipboardFiles(IClipboard& AClipboard, const std::vector<std::u16string>& AFiles) {
  return ReplaceContent(AClipboard, AClipboard.PrepareData(cfHDrop, BuildDropFiles(AFiles))) == TWriteResult::Done;
}

void ClearClipboard(IClipboard& AClipboard) {
  TClipboardSession session(AClipboard);
  AClipboard.Empty();
}

} // namespace tarvel
