#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Bitmap32.h"

namespace tarvel {

// An image kept losslessly compressed (Zstandard, fast level): screenshots shrink to a few
// per cent, photographs to about two thirds. Never changed once made, so any thread may read it.
class TPackedImage {
public:
  // Raises EImageError when compression fails; std::bad_alloc when memory runs out.
  static TPackedImage Pack(const TBitmap32& ABitmap);

  // The pixels back, byte for byte. Raises EImageError when the data is damaged,
  // std::bad_alloc when memory runs out.
  TBitmap32 Unpack() const;

  int Width() const noexcept { return FWidth; }
  int Height() const noexcept { return FHeight; }
  std::size_t PackedSize() const noexcept { return FBytes.size(); }

private:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<std::uint8_t> FBytes;
};

} // namespace tarvel
