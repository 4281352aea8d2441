#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <span>
#include <string>

#include "app/ProgramIcon.h"
#include "app/win32/Icons.h"
#include "core/win32/Handles.h"
#include "png/PngDecode.h"
#include "win32/TarvelExe.h"

namespace tarvel {
namespace {

#pragma pack(push, 2)
struct TGroupIconEntry { // GRPICONDIRENTRY
  BYTE Width, Height, ColorCount, Reserved;
  WORD Planes, BitCount;
  DWORD BytesInRes;
  WORD Id;
};
#pragma pack(pop)

// The icon's colour pixels with their alpha, rows from the top.
TBitmap32 IconPixels(HICON AIcon) {
  ICONINFO info{};
  if (!GetIconInfo(AIcon, &info))
    return {};
  TUniqueBitmap color(info.hbmColor);
  TUniqueBitmap mask(info.hbmMask);
  BITMAP bm{};
  GetObjectW(color.Get(), sizeof(bm), &bm);
  TBitmap32 pixels(bm.bmWidth, bm.bmHeight, 0);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, color.Get(), 0, bm.bmHeight, pixels.Bits(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return rows == bm.bmHeight ? pixels : TBitmap32();
}

class IconResourceTest : public testing::Test {
protected:
  void SetUp() override {
    FModule =
        LoadLibraryExW(TarvelExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(FModule, nullptr) << "cannot open tarvel.exe as a data file";
  }
  void TearDown() override {
    if (FModule)
      FreeLibrary(FModule);
  }
  std::span<const BYTE> Resource(LPCWSTR AName, LPCWSTR AType) const {
    HRSRC res = FindResourceW(FModule, AName, AType);
    if (!res)
      return {};
    return {static_cast<const BYTE*>(LockResource(LoadResource(FModule, res))), SizeofResource(FModule, res)};
  }
  // The sizes of the first icon group, the one the shell shows, with their icon ids.
  std::map<int, WORD> GroupSizes() const {
    std::map<int, WORD> sizes;
    const std::span<const BYTE> group = Resource(MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    if (group.size() < 6)
      return sizes;
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, 2);
    for (WORD i = 0; i < count && 6 + (i + 1) * sizeof(TGroupIconEntry) <= group.size(); ++i) {
      TGroupIconEntry entry;
      std::memcpy(&entry, group.data() + 6 + i * sizeof(entry), sizeof(entry));
      sizes[entry.Width == 0 ? 256 : entry.Width] = entry.Id;
    }
    return sizes;
  }
  HMODULE FModule = nullptr;
};

TEST_F(IconResourceTest, TheIconGroupHoldsEverySizeTheShellAsksFor) {
  const std::map<int, WORD> sizes = GroupSizes();
  std::string listed;
  for (const auto& [size, id] : sizes)
    listed += std::to_string(size) + " ";
  EXPECT_EQ(listed, "16 20 24 32 40 48 64 256 ");
}

// The icon that Explorer, the start menu and the installer show is the one the program shows
// in its window and tray: both come from the same drawing.
TEST_F(IconResourceTest, EachSizeLoadsAndLooksLikeTheIconTheProgramDraws) {
  for (int size : {16, 20, 24, 32, 40, 48, 64}) {
    SCOPED_TRACE("size " + std::to_string(size));
    TUniqueIcon loaded(static_cast<HICON>(LoadImageW(FModule, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0)));
    ASSERT_TRUE(loaded.Valid());
    TUniqueIcon drawn(CreateProgramIcon(size));
    ASSERT_TRUE(drawn.Valid());
    const TBitmap32 resource = IconPixels(loaded.Get());
    const TBitmap32 program = IconPixels(drawn.Get());
    ASSERT_EQ(resource.Width(), size);
    ASSERT_EQ(resource.Height(), size);
    EXPECT_TRUE(resource.SamePixels(program)) << "the resource differs from the window and tray icon";
    // Not two empty pictures: the rounded corner is (almost) clear, the T opaque white.
    EXPECT_LT(resource.Pixel(0, 0) >> 24, 64u);
    EXPECT_EQ(resource.Pixel(size / 2, size * 3 / 10), 0xFFFFFFFFu);
  }
}

TEST_F(IconResourceTest, TheLargestSizeIsAPngOfTheSameDrawing) {
  const std::map<int, WORD> sizes = GroupSizes();
  ASSERT_TRUE(sizes.contains(256));
  const std::span<const BYTE> data = Resource(MAKEINTRESOURCEW(sizes.at(256)), RT_ICON);
  static constexpr BYTE Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_GE(data.size(), sizeof(Signature));
  ASSERT_EQ(std::memcmp(data.data(), Signature, sizeof(Signature)), 0) << "the 256-pixel entry is not a PNG";
  const TBitmap32 image = DecodePng(data);
  EXPECT_TRUE(image.SamePixels(RenderProgramIcon(256)));
}

} // namespace
} // namespace tarvel
