#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Bitmap32.h"
#include "core/Errors.h"

namespace tarvel {

// Standard clipboard formats, with the system's numbers.
enum TClipboardFormat : std::uint32_t {
  cfText = 1,
  cfBitmap = 2,
  cfDib = 8,
  cfUnicodeText = 13,
  cfHDrop = 15,
  cfDibV5 = 17,
};

// The clipboard cannot be opened or written.
TARVEL_DECLARE_ERROR(EClipboardError, EError);

// The system clipboard, as the program's window sees it. Reads and writes happen between
// Open and Close; the helpers below pair them.
class IClipboard {
public:
  virtual ~IClipboard() = default;

  // The window becomes (stops being) a clipboard-format listener: every later change of the
  // content, by any program, brings it one WM_CLIPBOARDUPDATE. False on failure.
  virtual bool AddListener() = 0;
  virtual bool RemoveListener() = 0;

  // Asked without opening the clipboard.
  virtual bool IsFormatAvailable(std::uint32_t AFormat) = 0;
  // The number of a format registered by name; 0 on failure.
  virtual std::uint32_t RegisterFormat(std::u16string_view AName) = 0;

  // Tried once; a failure raises EClipboardError "Cannot open clipboard: <system text>".
  virtual void Open() = 0;
  virtual void Close() = 0;
  // Raises EClipboardError when the content cannot be removed.
  virtual void Empty() = 0;

  // Hands the bytes of a format's block (its whole allocated size) to AReader while they
  // are locked; false when the clipboard holds no data of that format.
  virtual bool ReadData(std::uint32_t AFormat,
                        const std::function<void(const std::uint8_t* AData, std::size_t ASize)>& AReader) = 0;
  // The paths of the CF_HDROP block as the system's reader gives them, whole (empty ones
  // too); nothing when there is no block. A malformed block raises EDropFilesError.
  virtual std::optional<std::vector<std::u16string>> ReadFileList() = 0;
  // The CF_BITMAP image as top-down BGRA, drawn with the clipboard's palette (CF_PALETTE)
  // when it offers one; nothing when there is no bitmap. One that cannot be read raises
  // EImageError.
  virtual std::optional<TBitmap32> ReadBitmap() = 0;

  // Puts a copy of AData on the clipboard as AFormat. False when the block could not be
  // allocated or the clipboard refused it (the block is freed then).
  virtual bool WriteData(std::uint32_t AFormat, const std::vector<std::uint8_t>& AData) = 0;
  // Puts the image on the clipboard as CF_BITMAP; raises EClipboardError on failure.
  virtual void WriteBitmap(const TBitmap32& ABitmap) = 0;
};

// Holds the clipboard open for one read or write.
class TClipboardSession {
public:
  explicit TClipboardSession(IClipboard& AClipboard) : FClipboard(AClipboard) { FClipboard.Open(); }
  ~TClipboardSession() { FClipboard.Close(); }
  TClipboardSession(const TClipboardSession&) = delete;
  TClipboardSession& operator=(const TClipboardSession&) = delete;

private:
  IClipboard& FClipboard;
};

// Each opens and closes the clipboard itself.
// The clipboard's Unicode text (the system converts CF_TEXT); empty when there is none.
std::u16string ReadClipboardText(IClipboard& AClipboard);
// The clipboard's image from the first of CF_DIBV5, CF_DIB and CF_BITMAP that can be read
// (the system offers each image in all three forms); an empty image when there is none or
// it has no pixels. When every form offered fails, the error of the first one (an
// EImageError) is raised.
TBitmap32 ReadClipboardImage(IClipboard& AClipboard);
// The clipboard's file list, without the paths no list may hold (IsUsableDropFilesPath):
// the same rule BuildDropFiles applies, so every list read can be written back. Empty when
// there is none.
std::vector<std::u16string> ReadClipboardFiles(IClipboard& AClipboard);
// The bytes of a format's block; nothing when the clipboard has none.
std::optional<std::vector<std::uint8_t>> ReadClipboardBytes(IClipboard& AClipboard, std::uint32_t AFormat);

// Each write replaces the whole content. Text and image writes raise EClipboardError when
// they fail.
void WriteClipboardText(IClipboard& AClipboard, std::u16string_view AText);
void WriteClipboardBitmap(IClipboard& AClipboard, const TBitmap32& ABitmap);
// False when the block was not accepted; the clipboard has been emptied by then.
bool WriteClipboardFiles(IClipboard& AClipboard, const std::vector<std::u16string>& AFiles);
// Open, empty, close.
void ClearClipboard(IClipboard& AClipboard);

} // namespace tarvel
