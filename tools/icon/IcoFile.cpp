#include "IcoFile.h"

#include "core/Bytes.h"
#include "core/Errors.h"
#include "core/Png.h"

namespace tarvel {

namespace {

// The image as an icon resource stores it: a BITMAPINFOHEADER of twice the height, the
// pixels bottom-up, then the 1-bit mask (set where the pixel is fully transparent),
// bottom-up, each row padded to 4 bytes.
std::vector<std::uint8_t> EncodeIconBitmap(const TBitmap32& AImage) {
  const int size = AImage.Width();
  const std::size_t maskStride = (static_cast<std::size_t>(size) + 31) / 32 * 4;
  std::vector<std::uint8_t> out;
  out.reserve(40 + AImage.ByteSize() + maskStride * size);
  AppendLE32(out, 40); // biSize
  AppendLE32(out, static_cast<std::uint32_t>(size));
  AppendLE32(out, static_cast<std::uint32_t>(2 * size));
  AppendLE16(out, 1);  // biPlanes
  AppendLE16(out, 32); // biBitCount
  AppendLE32(out, 0);  // BI_RGB
  AppendLE32(out, static_cast<std::uint32_t>(AImage.ByteSize() + maskStride * size));
  for (int i = 0; i < 4; ++i)
    AppendLE32(out, 0); // resolution and palette
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
  AppendLE16(out, 0); // reserved
  AppendLE16(out, 1); // icon
  AppendLE16(out, static_cast<std::uint16_t>(AImages.size()));
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
    AppendLE16(entry, 1);  // planes
    AppendLE16(entry, 32); // bits per pixel
    AppendLE32(entry, static_cast<std::uint32_t>(data.size()));
    AppendLE32(entry, static_cast<std::uint32_t>(out.size()));
    std::copy(entry.begin(), entry.end(), out.begin() + static_cast<std::ptrdiff_t>(directory + 16 * i));
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

} // namespace tarvel
