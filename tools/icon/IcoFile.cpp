#include "IcoFile.h"

#include "core/Errors.h"
#include "core/Png.h"

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

// The image as an icon resource stores it: a BITMAPINFOHEADER of twice the height, the
// pixels bottom-up, then the 1-bit mask (set where the pixel is fully transparent),
// bottom-up, each row padded to 4 bytes.
std::vector<std::uint8_t> EncodeIconBitmap(const TBitmap32& AImage) {
  const int size = AImage.Width();
  const std::size_t maskStride = (static_cast<std::size_t>(size) + 31) / 32 * 4;
  std::vector<std::uint8_t> out;
  out.reserve(40 + AImage.ByteSize() + maskStride * size);
  Put32(out, 40); // biSize
  Put32(out, static_cast<std::uint32_t>(size));
  Put32(out, static_cast<std::uint32_t>(2 * size));
  Put16(out, 1);  // biPlanes
  Put16(out, 32); // biBitCount
  Put32(out, 0);  // BI_RGB
  Put32(out, static_cast<std::uint32_t>(AImage.ByteSize() + maskStride * size));
  for (int i = 0; i < 4; ++i)
    Put32(out, 0); // resolution and palette
  for (int y = size; y-- > 0;)
    out.insert(out.end(), AImage.Scanline(y), AImage.Scanline(y) + AImage.Stride());
  for (int y = size; y-- > 0;) {
    std::vector<std::uint8_t> row(maskStride, 0);
    const std::uint8_t* pixel = AImage.Scanline(y);
    for (int x = 0; x < size; ++x, pixel += 4)
      if (pixel[3] == 0)
        row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

} // namespace

std::vector<std::uint8_t> EncodeIco(std::span<const TBitmap32> AImages) {
  if (AImages.empty() || AImages.size() > 0xFFFF)
    throw EImageError(u"An icon file needs between 1 and 65535 images");
  std::vector<std::uint8_t> out;
  Put16(out, 0); // reserved
  Put16(out, 1); // icon
  Put16(out, static_cast<unsigned>(AImages.size()));
  const std::size_t directory = out.size();
  out.resize(directory + 16 * AImages.size());
  for (std::size_t i = 0; i < AImages.size(); ++i) {
    const TBitmap32& image = AImages[i];
    const int size = image.Width();
    if (image.Empty() || image.Height() != size || size > 256)
      throw EImageError(u"Icon images must be square, from 1 to 256 pixels");
    const std::vector<std::uint8_t> data = size < 256 ? EncodeIconBitmap(image) : EncodePng(image, true);
    std::vector<std::uint8_t> entry;
    entry.push_back(static_cast<std::uint8_t>(size % 256)); // 0 stands for 256
    entry.push_back(static_cast<std::uint8_t>(size % 256));
    entry.push_back(0); // no palette
    entry.push_back(0);
    Put16(entry, 1);  // planes
    Put16(entry, 32); // bits per pixel
    Put32(entry, static_cast<std::uint32_t>(data.size()));
    Put32(entry, static_cast<std::uint32_t>(out.size()));
    std::copy(entry.begin(), entry.end(), out.begin() + static_cast<std::ptrdiff_t>(directory + 16 * i));
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

} // namespace tarvel
