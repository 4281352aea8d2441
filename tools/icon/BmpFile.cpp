#include "BmpFile.h"

#include "core/Errors.h"

namespace tarvel {

namespace {

void Put16(std::vector<std::uint8_t>& AOut, unsigned AValue) {
  AOut.push_back(static_cast<std::uint8_t>(AValue));
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 8));
}

void Put32(std::vector<std::uint8_t>& AOut, std::uint32_t AValue) {
  Put16(AOut, AValue & 0xFFFF);
  Put16(AOut, AValue >> 16);
}

} // namespace

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
  Put32(out, static_cast<std::uint32_t>(HeadersSize + pixelsSize));
  Put32(out, 0); // reserved
  Put32(out, HeadersSize);
  Put32(out, 40); // biSize
  Put32(out, static_cast<std::uint32_t>(AImage.Width()));
  Put32(out, static_cast<std::uint32_t>(AImage.Height())); // positive: bottom-up
  Put16(out, 1);                                           // biPlanes
  Put16(out, 24);                                          // biBitCount
  Put32(out, 0);                                           // BI_RGB
  Put32(out, static_cast<std::uint32_t>(pixelsSize));
  Put32(out, 3780); // 96 DPI, in pixels per metre
  Put32(out, 3780);
  Put32(out, 0); // no colour table
  Put32(out, 0);
  for (int y = AImage.Height(); y-- > 0;) {
    const std::uint8_t* pixel = AImage.Scanline(y);
    for (int x = 0; x < AImage.Width(); ++x, pixel += 4)
      out.insert(out.end(), pixel, pixel + 3); // blue, green, red
    out.resize(out.size() + stride - static_cast<std::size_t>(AImage.Width()) * 3, 0);
  }
  return out;
}

} // namespace tarvel
