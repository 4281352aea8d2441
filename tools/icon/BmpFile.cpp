#include "BmpFile.h"

#include "core/Bytes.h"
#include "core/Errors.h"

namespace tarvel {

std::vector<std::uint8_t> EncodeBmp(const TBitmap32& AImage) {
  if (AImage.Empty())
    throw EImageError(u"A bitmap file needs an image");
  constexpr std::uint32_t HeadersSize = 14 + 40;
  const std::size_t stride = (static_cast<std::size_t>(AImage.Width()) * 3 + 3) / 4 * 4;
  const std::size_t pixelsSize = stride * static_cast<std::size_t>(AImage.Height());
  std::vector<std::uint8_t> out;
  out.reserve(HeadersSize + pixelsSize);
  out.push_back('B');
  out.push_back('M');
  AppendLE32(out, static_cast<std::uint32_t>(HeadersSize + pixelsSize));
  AppendLE32(out, 0); // reserved
  AppendLE32(out, HeadersSize);
  AppendLE32(out, 40); // biSize
  AppendLE32(out, static_cast<std::uint32_t>(AImage.Width()));
  AppendLE32(out, static_cast<std::uint32_t>(AImage.Height())); // positive: bottom-up
  AppendLE16(out, 1);                                           // biPlanes
  AppendLE16(out, 24);                                          // biBitCount
  AppendLE32(out, 0);                                           // BI_RGB
  AppendLE32(out, static_cast<std::uint32_t>(pixelsSize));
  AppendLE32(out, 3780); // 96 DPI, in pixels per metre
  AppendLE32(out, 3780);
  AppendLE32(out, 0); // no colour table
  AppendLE32(out, 0);
  for (int y = AImage.Height(); y-- > 0;) {
    const std::uint8_t* pixel = AImage.Scanline(y);
    for (int x = 0; x < AImage.Width(); ++x, pixel += 4)
      out.insert(out.end(), pixel, pixel + 3); // blue, green, red
    out.resize(out.size() + stride - static_cast<std::size_t>(AImage.Width()) * 3, 0);
  }
  return out;
}

} // namespace tarvel
