#include "clipboard/win32/Win32Clipboard.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "clipboard/Dib.h"
#include "clipboard/DropFiles.h"
#include "core/Text.h"
#include "core/win32/Check.h"
#include "core/win32/Handles.h"
#include "core/win32/Windowing.h"

namespace tarvel {

// The portable codecs lay the clipboard's blocks out by these sizes; the system's structures
// are the same on x86 and x64 (no pointer in them), and must stay so.
static_assert(sizeof(DROPFILES) == DropFilesHeaderSize);
static_assert(sizeof(BITMAPINFOHEADER) == 40 && sizeof(BITMAPV4HEADER) == 108 && sizeof(BITMAPV5HEADER) == 124);

TWin32Clipboard::~TWin32Clipboard() {
  if (FOpen)
    CloseClipboard();
}

bool TWin32Clipboard::AddListener() {
  return AddClipboardFormatListener(FWindow()) != FALSE;
}

bool TWin32Clipboard::RemoveListener() {
  return RemoveClipboardFormatListener(FWindow()) != FALSE;
}

bool TWin32Clipboard::IsFormatAvailable(std::uint32_t AFormat) {
  return IsClipboardFormatAvailable(AFormat) != FALSE;
}

std::uint32_t TWin32Clipboard::RegisterFormat(std::u16string_view AName) {
  return RegisterClipboardFormatW(ToWide(std::u16string(AName)).c_str());
}

void TWin32Clipboard::Open() {
  // The owner window matters: opened without one, EmptyClipboard leaves the clipboard
  // ownerless and every later SetClipboardData fails.
  CheckWin32<EClipboardOpenError>(OpenClipboard(FWindow()), u"Cannot open clipboard");
  FOpen = true;
}

void TWin32Clipboard::Close() {
  if (FOpen)
    CloseClipboard();
  FOpen = false;
}

void TWin32Clipboard::Empty() {
  CheckWin32<EClipboardError>(EmptyClipboard(), u"Cannot empty clipboard");
}

bool TWin32Clipboard::ReadData(std::uint32_t AFormat,
                               const std::function<void(const std::uint8_t* AData, std::size_t ASize)>& AReader) {
  const HANDLE data = GetClipboardData(AFormat);
  if (!data)
    return false;
  const auto lock = LockScoped(data);
  if (!lock.Get().Data)
    return false;
  AReader(static_cast<const std::uint8_t*>(lock.Get().Data), GlobalSize(data));
  return true;
}

std::optional<std::vector<std::u16string>> TWin32Clipboard::ReadFileList() {
  const HANDLE data = GetClipboardData(CF_HDROP);
  if (!data)
    return std::nullopt;
  {
    // The system's reader trusts the block; it is checked first so that a block without
    // its terminators cannot make it read past the end.
    const auto lock = LockScoped(data);
    if (!lock.Get().Data)
      return std::nullopt;
    ParseDropFiles(static_cast<const std::uint8_t*>(lock.Get().Data), GlobalSize(data));
  }
  const auto drop = static_cast<HDROP>(data);
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::u16string> files;
  files.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    // Paths may be far longer than MAX_PATH: each is read at the length the reader reports.
    // Some readers return the path's length rather than the units copied, hence the min.
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(static_cast<std::size_t>(length) + 1, L'\0');
    const UINT copied = DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(std::min(copied, length));
    files.push_back(ToU16(path));
  }
  return files;
}

std::optional<TBitmap32> TWin32Clipboard::ReadBitmap() {
  const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!bitmap)
    return std::nullopt;
  BITMAP size{};
  if (!GetObjectW(bitmap, sizeof size, &size))
    throw EImageError(u"Clipboard image: the bitmap cannot be read");
  if (size.bmWidth <= 0 || size.bmHeight <= 0)
    return TBitmap32();
  if (size.bmWidth > TBitmap32::MaxSide || size.bmHeight > TBitmap32::MaxSide ||
      std::int64_t{size.bmWidth} * size.bmHeight > MaxDibPixels)
    throw EImageError(Format(u"Clipboard image: the bitmap of %dx%d is too large", {size.bmWidth, size.bmHeight}));
  // Asked for as a packed top-down 32-bit DIB, so that the decoder applies the one rule for
  // a fourth byte the system leaves 0.
  const BITMAPINFO info = TopDownBitmapInfo(size.bmWidth, size.bmHeight);
  std::vector<std::uint8_t> dib(sizeof info.bmiHeader + std::size_t{4} * size.bmWidth * size.bmHeight);
  std::memcpy(dib.data(), &info.bmiHeader, sizeof info.bmiHeader);
  const TUniqueWindowDC screen({nullptr, GetDC(nullptr)});
  const TUniqueMemoryDC dc(CreateCompatibleDC(screen.Get().DC));
  if (!dc)
    throw EImageError(u"Clipboard image: no drawing surface for the bitmap");
  // A palette bitmap's indexes mean the colours of the palette offered with it.
  HPALETTE palette = nullptr;
  if (IsClipboardFormatAvailable(CF_PALETTE))
    palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
  if (palette) {
    SelectPalette(dc.Get(), palette, FALSE);
    RealizePalette(dc.Get());
  }
  BITMAPINFO request = info;
  const int lines = GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(size.bmHeight), dib.data() + sizeof info.bmiHeader,
                              &request, DIB_RGB_COLORS);
  if (palette)
    SelectPalette(dc.Get(), static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  if (lines != size.bmHeight)
    RaiseLastError<EImageError>(u"Clipboard image: the bitmap cannot be read");
  return DecodeDib(dib.data(), dib.size());
}

namespace {

// Global memory or a bitmap, ours until the clipboard takes it.
class TWin32Block final : public TClipboardBlock {
public:
  TWin32Block(std::uint32_t AFormat, TUniqueHGlobal AMemory) noexcept
      : TClipboardBlock(AFormat), FMemory(std::move(AMemory)) {}
  explicit TWin32Block(TUniqueBitmap ABitmap) noexcept : TClipboardBlock(CF_BITMAP), FBitmap(std::move(ABitmap)) {}

  HANDLE Handle() const noexcept { return FMemory ? static_cast<HANDLE>(FMemory.Get()) : FBitmap.Get(); }
  // The clipboard owns it now.
  void HandOver() noexcept {
    FMemory.Release();
    FBitmap.Release();
  }

private:
  TUniqueHGlobal FMemory;
  TUniqueBitmap FBitmap;
};

// An image the clipboard will make a bitmap of when it is asked for.
class TPromisedImage final : public TClipboardBlock {
public:
  explicit TPromisedImage(std::shared_ptr<const TBitmap32> AImage) noexcept
      : TClipboardBlock(CF_BITMAP), Image(std::move(AImage)) {}
  std::shared_ptr<const TBitmap32> Image;
};

// A device-dependent bitmap, as CF_BITMAP is meant to be; the system offers CF_DIB and
// CF_DIBV5 from it to programs that ask.
TUniqueBitmap MakeClipboardBitmap(const TBitmap32& AImage) {
  const BITMAPINFO info = TopDownBitmapInfo(AImage.Width(), AImage.Height());
  const TUniqueWindowDC screen({nullptr, GetDC(nullptr)});
  return TUniqueBitmap(
      CreateDIBitmap(screen.Get().DC, &info.bmiHeader, CBM_INIT, AImage.Bits(), &info, DIB_RGB_COLORS));
}

} // namespace

std::unique_ptr<TClipboardBlock> TWin32Clipboard::PrepareData(std::uint32_t AFormat,
                                                              const std::vector<std::uint8_t>& AData) {
  TUniqueHGlobal memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, AData.size()));
  if (!memory)
    return nullptr;
  {
    const auto lock = LockScoped(memory.Get());
    if (!lock.Get().Data)
      return nullptr;
    if (!AData.empty())
      std::memcpy(lock.Get().Data, AData.data(), AData.size());
  }
  return std::make_unique<TWin32Block>(AFormat, std::move(memory));
}

std::unique_ptr<TClipboardBlock> TWin32Clipboard::PrepareBitmap(std::shared_ptr<const TBitmap32> ABitmap) {
  if (!ABitmap || ABitmap->Empty())
    return nullptr;
  return std::make_unique<TPromisedImage>(std::move(ABitmap));
}

bool TWin32Clipboard::SetBlock(std::unique_ptr<TClipboardBlock> ABlock) {
  if (auto* promise = dynamic_cast<TPromisedImage*>(ABlock.get())) {
    // A null handle promises the format; the call's result cannot tell success, the
    // clipboard's formats can. The content was emptied before, which let the last
    // promised image go.
    SetClipboardData(CF_BITMAP, nullptr);
    if (!IsClipboardFormatAvailable(CF_BITMAP))
      return false;
    FPromisedImage = std::move(promise->Image);
    return true;
  }
  auto& block = static_cast<TWin32Block&>(*ABlock);
  if (!SetClipboardData(block.Format(), block.Handle()))
    return false; // the block is freed on the way out
  block.HandOver();
  return true;
}

bool TWin32Clipboard::HandleOwnerMessage(UINT AMessage, WPARAM AWParam) {
  switch (AMessage) {
  case WM_RENDERFORMAT:
    // The program asking holds the clipboard open: the bitmap is set without opening it.
    if (AWParam == CF_BITMAP)
      RenderPromisedImage();
    return true;
  case WM_RENDERALLFORMATS:
    // The window goes: what is still promised is made now, unless another program has
    // taken the clipboard meanwhile.
    if (FPromisedImage && OpenClipboard(FWindow())) {
      if (GetClipboardOwner() == FWindow())
        RenderPromisedImage();
      CloseClipboard();
    }
    FPromisedImage.reset();
    return true;
  case WM_DESTROYCLIPBOARD: FPromisedImage.reset(); return true;
  default: return false;
  }
}

void TWin32Clipboard::RenderPromisedImage() {
  if (!FPromisedImage)
    return;
  TUniqueBitmap bitmap = MakeClipboardBitmap(*FPromisedImage);
  // Without memory for the bitmap the program asking gets nothing, and may ask again.
  if (bitmap && SetClipboardData(CF_BITMAP, bitmap.Get())) {
    bitmap.Release();
    // The clipboard holds the bitmap from now on.
    FPromisedImage.reset();
  }
}

} // namespace tarvel
