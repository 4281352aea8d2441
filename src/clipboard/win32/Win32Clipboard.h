#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "clipboard/SystemClipboard.h"

namespace tarvel {

// The user32 clipboard, opened for and listened to by one window. The window is asked for
// when needed, because it is created after this object.
//
// Images are promised rather than copied: the write only says that a CF_BITMAP is
// there, and the system's bitmap is made from the kept image when a program first asks
// for it (or when the window goes, so that the image outlives the program). A screenshot
// is on the clipboard at once, and a large one is never handed over twice.
class TWin32Clipboard final : public IClipboard {
public:
  explicit TWin32Clipboard(std::function<HWND()> AWindow) : FWindow(std::move(AWindow)) {}
  ~TWin32Clipboard() override;

  bool AddListener() override;
  bool RemoveListener() override;
  bool IsFormatAvailable(std::uint32_t AFormat) override;
  std::uint32_t RegisterFormat(std::u16string_view AName) override;
  void Open() override;
  void Close() override;
  void Empty() override;
  bool ReadData(std::uint32_t AFormat,
                const std::function<void(const std::uint8_t* AData, std::size_t ASize)>& AReader) override;
  std::optional<std::vector<std::u16string>> ReadFileList() override;
  std::optional<TBitmap32> ReadBitmap() override;
  std::unique_ptr<TClipboardBlock> PrepareData(std::uint32_t AFormat, const std::vector<std::uint8_t>& AData) override;
  std::unique_ptr<TClipboardBlock> PrepareBitmap(std::shared_ptr<const TBitmap32> ABitmap) override;
  bool SetBlock(std::unique_ptr<TClipboardBlock> ABlock) override;

  // What the system asks of the clipboard's owner, the window: WM_RENDERFORMAT and
  // WM_RENDERALLFORMATS make the promised bitmap, WM_DESTROYCLIPBOARD lets the image go.
  // False for every other message.
  bool HandleOwnerMessage(UINT AMessage, WPARAM AWParam);
  // An image is promised and not made yet.
  bool HasPromisedImage() const noexcept { return FPromisedImage != nullptr; }

private:
  void RenderPromisedImage();

  std::function<HWND()> FWindow;
  bool FOpen = false;
  std::shared_ptr<const TBitmap32> FPromisedImage;
};

} // namespace tarvel
