#pragma once

#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "clipboard/Dib.h"
#include "clipboard/DropFiles.h"
#include "clipboard/SystemClipboard.h"
#include "core/Text.h"

namespace tarvel {

// The clipboard in memory: formats and their bytes, and the notifications a listening
// window would have been posted. "Other programs" change it through the Copy* helpers.
// CF_BITMAP, a handle on the real clipboard, holds its image here as a DIB (EncodeDib);
// an empty entry is a bitmap ReadBitmap gives nothing for.
class TFakeClipboard : public IClipboard {
public:
  std::map<std::uint32_t, std::vector<std::uint8_t>> Formats;
  bool Listening = false;
  bool ListenerFails = false;
  // Another program holds the clipboard open: Open fails.
  bool HeldByOther = false;
  // Another program holds it open for this many more attempts to open it.
  int HeldForOpens = 0;
  // Every call of Open, successful or not.
  int OpenAttempts = 0;
  // Formats whose writes the clipboard refuses.
  std::set<std::uint32_t> Refused;
  // No memory for a block or a bitmap: preparing a write fails.
  bool AllocationFails = false;
  // Reading an image, or any block but a text or a file list, finds no memory for it.
  bool ReadOutOfMemory = false;
  // WM_CLIPBOARDUPDATE messages waiting in the listener's queue.
  int Notifications = 0;
  // Runs inside each write, while the clipboard is open (a notification delivered early).
  std::function<void()> DuringWrite;
  // When set, the paths the system's reader reports for a CF_HDROP block, in place of the
  // block's own (Wine's reader counts a list that ends at once as one empty path).
  std::optional<std::vector<std::u16string>> ReaderPaths;

  // Another program's copy: the whole content replaced, one notification.
  void CopyFormats(std::map<std::uint32_t, std::vector<std::uint8_t>> AFormats) {
    Formats = std::move(AFormats);
    if (Listening)
      ++Notifications;
  }
  static std::vector<std::uint8_t> TextBytes(const std::u16string& AText) { return ToUtf16LeBytes(AText); }
  void CopyText(const std::u16string& AText) { CopyFormats({{cfUnicodeText, TextBytes(AText)}}); }
  // As the system offers a bitmap: CF_BITMAP with CF_DIB made from it.
  void CopyImage(const TBitmap32& AImage) {
    const auto dib = EncodeDib(AImage);
    CopyFormats({{cfBitmap, dib}, {cfDib, dib}});
  }
  void CopyFiles(const std::vector<std::u16string>& AFiles) { CopyFormats({{cfHDrop, BuildDropFiles(AFiles)}}); }

  std::u16string Text() const {
    const auto i = Formats.find(cfUnicodeText);
    return i == Formats.end() ? u"<none>" : FromUtf16LeBytes(i->second.data(), i->second.size());
  }

  bool AddListener() override { return Listening = !ListenerFails; }
  bool RemoveListener() override {
    Listening = false;
    return true;
  }
  bool IsFormatAvailable(std::uint32_t AFormat) override { return Formats.count(AFormat) != 0; }
  std::uint32_t RegisterFormat(std::u16string_view AName) override {
    const auto i = FRegistered.try_emplace(std::u16string(AName), 0xC000 + FRegistered.size()).first;
    return i->second;
  }
  void Open() override {
    ++OpenAttempts;
    if (HeldForOpens > 0) {
      --HeldForOpens;
      throw EClipboardOpenError(u"Cannot open clipboard: Access is denied.");
    }
    if (HeldByOther)
      throw EClipboardOpenError(u"Cannot open clipboard: Access is denied.");
    FOpen = true;
    FChanged = false;
  }
  void Close() override {
    FOpen = false;
    if (FChanged && Listening)
      ++Notifications;
  }
  void Empty() override {
    Formats.clear();
    FChanged = true;
  }
  bool ReadData(std::uint32_t AFormat,
                const std::function<void(const std::uint8_t* AData, std::size_t ASize)>& AReader) override {
    if (ReadOutOfMemory && AFormat != cfUnicodeText && AFormat != cfHDrop)
      throw std::bad_alloc();
    const auto i = Formats.find(AFormat);
    if (!FOpen || i == Formats.end() || AFormat == cfBitmap)
      return false;
    AReader(i->second.data(), i->second.size());
    return true;
  }
  std::optional<std::vector<std::u16string>> ReadFileList() override {
    const auto i = Formats.find(cfHDrop);
    if (!FOpen || i == Formats.end())
      return std::nullopt;
    auto paths = ParseDropFiles(i->second.data(), i->second.size()).Paths;
    return ReaderPaths ? *ReaderPaths : paths;
  }
  std::optional<TBitmap32> ReadBitmap() override {
    if (ReadOutOfMemory)
      throw std::bad_alloc();
    const auto i = Formats.find(cfBitmap);
    if (!FOpen || i == Formats.end() || i->second.empty())
      return std::nullopt;
    return DecodeDib(i->second.data(), i->second.size());
  }
  std::unique_ptr<TClipboardBlock> PrepareData(std::uint32_t AFormat, const std::vector<std::uint8_t>& AData) override {
    if (AllocationFails)
      return nullptr;
    return std::make_unique<TBlock>(AFormat, AData);
  }
  std::unique_ptr<TClipboardBlock> PrepareBitmap(std::shared_ptr<const TBitmap32> ABitmap) override {
    if (AllocationFails || !ABitmap)
      return nullptr;
    return std::make_unique<TBlock>(cfBitmap, EncodeDib(*ABitmap));
  }
  bool SetBlock(std::unique_ptr<TClipboardBlock> ABlock) override {
    if (DuringWrite)
      DuringWrite();
    const std::uint32_t format = ABlock->Format();
    if (!FOpen || Refused.count(format))
      return false;
    std::vector<std::uint8_t>& bytes = static_cast<TBlock&>(*ABlock).Bytes;
    // As the system does, a bitmap is offered as a DIB too.
    if (format == cfBitmap)
      Formats[cfDib] = bytes;
    Formats[format] = std::move(bytes);
    FChanged = true;
    return true;
  }

private:
  struct TBlock : TClipboardBlock {
    TBlock(std::uint32_t AFormat, std::vector<std::uint8_t> ABytes)
        : TClipboardBlock(AFormat), Bytes(std::move(ABytes)) {}
    std::vector<std::uint8_t> Bytes;
  };

  bool FOpen = false;
  bool FChanged = false;
  std::map<std::u16string, std::uint32_t> FRegistered;
};

} // namespace tarvel
