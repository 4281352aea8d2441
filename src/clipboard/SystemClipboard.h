#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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
// The clipboard cannot be opened, usually because another program holds it open for a
// moment: worth another try shortly. It names itself as the clipboard error it is.
class EClipboardOpenError : public EClipboardError {
public:
  using EClipboardError::EClipboardError;
};

// A block made for the clipboard but not on it yet: movable global memory for data, a
// bitmap for an image. It is freed with this object unless the clipboard takes it.
class TClipboardBlock {
public:
  virtual ~TClipboardBlock() = default;
  TClipboardBlock(const TClipboardBlock&) = delete;
  TClipboardBlock& operator=(const TClipboardBlock&) = delete;

  // The format it goes on the clipboard as.
  std::uint32_t Format() const noexcept { return FFormat; }

protected:
  explicit TClipboardBlock(std::uint32_t AFormat) noexcept : FFormat(AFormat) {}

private:
  std::uint32_t FFormat;
};

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

  // Tried once; a failure raises EClipboardOpenError "Cannot open clipboard: <system text>".
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

  // A write comes in two steps, so that the content is emptied only once its replacement
  // exists: the block is prepared while the clipboard is closed, then handed over between
  // Open and Close.
  // A copy of AData as a block of AFormat; nothing when there is no memory for it.
  virtual std::unique_ptr<TClipboardBlock> PrepareData(std::uint32_t AFormat,
                                                       const std::vector<std::uint8_t>& AData) = 0;
  // The image as a CF_BITMAP block; nothing when it cannot be created. The clipboard may
  // keep the image itself and make the system's bitmap only when a program asks for it
  // (the image is shared for that, never changed).
  virtual std::unique_ptr<TClipboardBlock> PrepareBitmap(std::shared_ptr<const TBitmap32> ABitmap) = 0;
  // Puts a block that this clipboard prepared on it. False when the clipboard refuses it;
  // the block is freed then.
  virtual bool SetBlock(std::unique_ptr<TClipboardBlock> ABlock) = 0;
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
// The copy's source asked monitors and histories to leave it alone: it carries
// "ExcludeClipboardContentFromMonitorProcessing" or "Clipboard Viewer Ignore", or
// "CanIncludeInClipboardHistory" holding the number 0 (password managers mark their copies
// so). Nothing of the content is read.
bool IsMarkedPrivate(IClipboard& AClipboard);

// Each write replaces the whole content. Its block is made before the clipboard is opened:
// when that fails, the content is left as it was. A block the clipboard refuses is freed,
// and the clipboard has been emptied by then.
// Text and image writes raise EClipboardError when they fail.
void WriteClipboardText(IClipboard& AClipboard, std::u16string_view AText);
void WriteClipboardBitmap(IClipboard& AClipboard, std::shared_ptr<const TBitmap32> ABitmap);
// False when the block could not be made or was refused.
bool WriteClipboardFiles(IClipboard& AClipboard, const std::vector<std::u16string>& AFiles);
// Open, empty, close.
void ClearClipboard(IClipboard& AClipboard);

} // namespace tarvel
