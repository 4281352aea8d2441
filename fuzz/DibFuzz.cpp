// libFuzzer target: any block given to DecodeDib decodes or raises EImageError. A decoded
// image must also survive a round trip through EncodeDib unchanged (only an image whose
// fourth bytes are all 0 comes back opaque).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "clipboard/Dib.h"
#include "core/Bitmap32.h"
#include "core/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  tarvel::TBitmap32 decoded;
  try {
    decoded = tarvel::DecodeDib(AData, ASize);
  } catch (const tarvel::EImageError&) {
    return 0;
  }
  if (decoded.Empty() || static_cast<std::int64_t>(decoded.Width()) * decoded.Height() > tarvel::MaxDibPixels)
    std::abort();

  bool anyAlpha = false;
  for (std::size_t i = 3; i < decoded.ByteSize() && !anyAlpha; i += 4)
    anyAlpha = decoded.Bits()[i] != 0;
  tarvel::TBitmap32 expected = decoded;
  if (!anyAlpha)
    for (std::size_t i = 3; i < expected.ByteSize(); i += 4)
      expected.Bits()[i] = 0xFF;
  const std::vector<std::uint8_t> block = tarvel::EncodeDib(decoded);
  if (!tarvel::DecodeDib(block.data(), block.size()).SamePixels(expected))
    std::abort();
  return 0;
}
