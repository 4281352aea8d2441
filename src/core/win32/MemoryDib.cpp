#include "core/win32/MemoryDib.h"

#include "core/win32/Check.h"
#include "core/win32/Windowing.h"

namespace tarvel {

TMemoryDib::TMemoryDib(int AWidth, int AHeight) : FWidth(AWidth), FHeight(AHeight) {
  const BITMAPINFO info = TopDownBitmapInfo(AWidth, AHeight);
  FDC.Reset(CheckWin32(CreateCompatibleDC(nullptr), "CreateCompatibleDC"));
  FBitmap.Reset(CheckWin32(CreateDIBSection(FDC.Get(), &info, DIB_RGB_COLORS, &FBits, nullptr, 0), "CreateDIBSection"));
  FSelection = SelectScoped(FDC.Get(), FBitmap.Get());
}

TUniqueBitmap TMemoryDib::TakeBitmap() noexcept {
  FSelection.Reset();
  return std::move(FBitmap);
}

} // namespace tarvel
