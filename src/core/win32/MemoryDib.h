#pragma once

#include <windows.h>

#include "core/win32/Handles.h"

namespace tarvel {

// A top-down 32-bit DIB section selected into its own memory DC: the layout of TBitmap32
// (rows without padding), drawable with GDI and readable in memory. Call GdiFlush before
// reading pixels GDI has just drawn.
class TMemoryDib {
public:
  // Raises when the section cannot be made (no memory, too large for GDI).
  TMemoryDib(int AWidth, int AHeight);
  int Width() const noexcept { return FWidth; }
  int Height() const noexcept { return FHeight; }
  HDC DC() const noexcept { return FDC.Get(); }
  void* Bits() const noexcept { return FBits; }
  // Takes the section out of the DC, which goes with this object, and hands it over: Bits()
  // stays valid for as long as the section lives. Nothing is drawn here afterwards.
  TUniqueBitmap TakeBitmap() noexcept;

private:
  int FWidth;
  int FHeight;
  void* FBits = nullptr;
  TUniqueMemoryDC FDC;
  TUniqueBitmap FBitmap;
  TUniqueSelectObject FSelection;
};

} // namespace tarvel
