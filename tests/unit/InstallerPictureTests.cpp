// The side picture of the installer's welcome and finish pages, which the build draws
// (tools/icon), and the bitmap file it is written as.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "BmpFile.h"
#include "InstallerPicture.h"
#include "app/ProgramIcon.h"
#include "clipboard/Dib.h"
#include "core/Errors.h"

namespace tarvel {
namespace {

std::uint32_t LE32(const std::vector<std::uint8_t>& AData, std::size_t APos) {
  return static_cast<std::uint32_t>(AData.at(APos)) | static_cast<std::uint32_t>(AData.at(APos + 1)) << 8 |
         static_cast<std::uint32_t>(AData.at(APos + 2)) << 16 | static_cast<std::uint32_t>(AData.at(APos + 3)) << 24;
}

TEST(BmpFileTest, WritesA24BitFileThatDecodesToTheImage) {
  // Three pixels wide: each row of 9 bytes is padded to 12.
  TBitmap32 image(3, 2);
  const std::uint32_t pixels[] = {0xFF102030, 0xFF405060, 0xFF708090, 0x00A0B0C0, 0x80D0E0F0, 0xFF010203};
  for (int i = 0; i < 6; ++i)
    image.SetPixel(i % 3, i / 3, pixels[i]);
  const std::vector<std::uint8_t> bmp = EncodeBmp(image);
  ASSERT_EQ(bmp.size(), 14u + 40u + 2u * 12u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(LE32(bmp, 2), bmp.size());
  EXPECT_EQ(LE32(bmp, 10), 54u); // where the pixels start
  EXPECT_EQ(bmp[28], 24);        // bits per pixel
  // The alpha byte is left out: the file is opaque.
  TBitmap32 opaque = image;
  for (int i = 0; i < 6; ++i)
    opaque.SetPixel(i % 3, i / 3, pixels[i] | 0xFF000000u);
  EXPECT_TRUE(DecodeDib(bmp.data() + 14, bmp.size() - 14).SamePixels(opaque));
}

TEST(BmpFileTest, AnEmptyImageIsRefused) {
  EXPECT_THROW(EncodeBmp(TBitmap32()), EImageError);
}

TEST(InstallerPictureTest, ShowsTheProgramIconFramedInWhiteOnAnOpaquePanel) {
  const TBitmap32 picture = RenderInstallerPicture();
  ASSERT_EQ(picture.Width(), 164);
  ASSERT_EQ(picture.Height(), 314);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      ASSERT_EQ(picture.Pixel(x, y) >> 24, 0xFFu) << x << ", " << y;
  // Every opaque pixel of the icon is there as the program draws it.
  const TBitmap32 icon = RenderProgramIcon(InstallerPictureIconSize);
  int same = 0;
  int opaque = 0;
  for (int y = 0; y < icon.Height(); ++y)
    for (int x = 0; x < icon.Width(); ++x)
      if (icon.Pixel(x, y) >> 24 == 0xFF) {
        ++opaque;
        same += picture.Pixel(InstallerPictureIconLeft + x, InstallerPictureIconTop + y) == icon.Pixel(x, y);
      }
  EXPECT_GT(opaque, 112 * 112 * 9 / 10);
  EXPECT_EQ(same, opaque);
  // The white frame just outside its edges.
  const int middle = InstallerPictureIconLeft + InstallerPictureIconSize / 2;
  EXPECT_EQ(picture.Pixel(middle, InstallerPictureIconTop - 2), 0xFFFFFFFFu);
  EXPECT_EQ(picture.Pixel(InstallerPictureIconLeft - 2, InstallerPictureIconTop + InstallerPictureIconSize / 2),
            0xFFFFFFFFu);
}

} // namespace
} // namespace tarvel
