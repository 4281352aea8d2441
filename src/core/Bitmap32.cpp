#include "core/Bitmap32.h"

#include <algorithm>
#include <cstring>

#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {

void TBitmap32::CheckSize(std::int64_t AWidth, std::int64_t AHeight) {
  if (AWidth < 0 || AHeight < 0 || AWidth > MaxSide || AHeight > MaxSide || AWidth * AHeight > MaxPixels)
    throw EImageError(Format(u"Image size %dx%d is not supported", {AWidth, AHeight}));
}

TBitmap32::TBitmap32(int AWidth, int AHeight) {
  CheckSize(AWidth, AHeight);
  FWidth = AWidth;
  FHeight = AHeight;
  if (ByteSize() > 0)
    FBits = TPixels(new std::uint8_t[ByteSize()], TRelease{}); // left for the caller to fill
}

TBitmap32 TBitmap32::Adopt(int AWidth, int AHeight, std::uint8_t* ABits, std::shared_ptr<void> AOwner) {
  CheckSize(AWidth, AHeight);
  TBitmap32 image;
  image.FWidth = AWidth;
  image.FHeight = AHeight;
  // An owner-less adoption would free memory this image never allocated.
  if (!AOwner)
    throw EImageError(u"Adopted pixels need an owner");
  image.FBits = TPixels(ABits, TRelease{std::move(AOwner)});
  return image;
}

TBitmap32::TBitmap32(int AWidth, int AHeight, std::uint32_t AFill) : TBitmap32(AWidth, AHeight) {
  Fill(AFill);
}

TBitmap32::TBitmap32(const TBitmap32& AOther) : FWidth(AOther.FWidth), FHeight(AOther.FHeight) {
  if (AOther.FBits) {
    FBits = TPixels(new std::uint8_t[ByteSize()], TRelease{});
    std::memcpy(FBits.get(), AOther.FBits.get(), ByteSize());
  }
}

TBitmap32& TBitmap32::operator=(const TBitmap32& AOther) {
  if (this != &AOther) {
    TBitmap32 copy(AOther);
    *this = std::move(copy);
  }
  return *this;
}

TBitmap32::TBitmap32(TBitmap32&& AOther) noexcept
    : FWidth(AOther.FWidth), FHeight(AOther.FHeight), FBits(std::move(AOther.FBits)) {
  AOther.FWidth = 0;
  AOther.FHeight = 0;
}

TBitmap32& TBitmap32::operator=(TBitmap32&& AOther) noexcept {
  FWidth = AOther.FWidth;
  FHeight = AOther.FHeight;
  FBits = std::move(AOther.FBits);
  AOther.FWidth = 0;
  AOther.FHeight = 0;
  return *this;
}

std::uint32_t TBitmap32::Pixel(int AX, int AY) const noexcept {
  const std::uint8_t* p = Scanline(AY) + static_cast<std::size_t>(AX) * BytesPerPixel;
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void TBitmap32::SetPixel(int AX, int AY, std::uint32_t AValue) noexcept {
  std::uint8_t* p = Scanline(AY) + static_cast<std::size_t>(AX) * BytesPerPixel;
  p[0] = static_cast<std::uint8_t>(AValue);
  p[1] = static_cast<std::uint8_t>(AValue >> 8);
  p[2] = static_cast<std::uint8_t>(AValue >> 16);
  p[3] = static_cast<std::uint8_t>(AValue >> 24);
}

void TBitmap32::Fill(std::uint32_t AValue) noexcept {
  if (Empty())
    return;
  for (int x = 0; x < FWidth; ++x)
    SetPixel(x, 0, AValue);
  for (int y = 1; y < FHeight; ++y)
    std::memcpy(Scanline(y), Scanline(0), Stride());
}

void TBitmap32::Draw(int AX, int AY, const TBitmap32& ASource) noexcept {
  const int x0 = std::max(AX, 0);
  const int y0 = std::max(AY, 0);
  const int x1 = std::min<long long>(static_cast<long long>(AX) + ASource.Width(), FWidth);
  const int y1 = std::min<long long>(static_cast<long long>(AY) + ASource.Height(), FHeight);
  if (x1 <= x0 || y1 <= y0)
    return;
  const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * BytesPerPixel;
  for (int y = y0; y < y1; ++y)
    std::memcpy(Scanline(y) + static_cast<std::size_t>(x0) * BytesPerPixel,
                ASource.Scanline(y - AY) + static_cast<std::size_t>(x0 - AX) * BytesPerPixel, bytes);
}

bool TBitmap32::SamePixels(const TBitmap32& AOther) const noexcept {
  if (FWidth != AOther.FWidth || FHeight != AOther.FHeight)
    return false;
  return ByteSize() == 0 || std::memcmp(FBits.get(), AOther.FBits.get(), ByteSize()) == 0;
}

} // namespace tarvel
