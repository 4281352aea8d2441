#pragma once

#include <windows.h>

#include <functional>

#include "clipboard/SystemClipboard.h"

namespace tarvel {

// The user32 clipboard, opened for and listened to by one window. The window is asked for
// when needed, because it is created after this object.
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
  std::unique_ptr<TClipboardBlock> PrepareBitmap(const TBitmap32& ABitmap) override;
  bool SetBlock(std::unique_ptr<TClipboardBlock> ABlock) override;

private:
  std::function<HWND()> FWindow;
  bool FOpen = false;
};

} // namespace tarvel
