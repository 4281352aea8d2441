#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarvel {

// A 32-bit image: Width × Height pixels of 4 bytes (blue, green, red, fourth byte), rows
// from the top, no padding between rows. Copying copies the pixels; moving does not.
class TBitmap32 {
public:
  static constexpr int BytesPerPixel = 4;

  // Pixels that live in memory made by someone else (a drawing surface of the system that
  // the pixels were copied into), kept alive by AOwner for as long as the image has them,
  // so that they need not be copied once more. ABits holds AWidth × AHeight pixels in the
  // layout above. Copies of the image get memory of their own.
  static TBitmap32 Adopt(int AWidth, int AHeight, std::uint8_t* ABits, std::shared_ptr<void> AOwner);

  TBitmap32() = default;
  // Pixels are left uninitialised unless AFill is given: callers usually overwrite all.
  TBitmap32(int AWidth, int AHeight);
  TBitmap32(int AWidth, int AHeight, std::uint32_t AFill);
  TBitmap32(const TBitmap32& AOther);
  TBitmap32& operator=(const TBitmap32& AOther);
  TBitmap32(TBitmap32&& AOther) noexcept;
  TBitmap32& operator=(TBitmap32&& AOther) noexcept;
  ~TBitmap32() = default;

  int Width() const noexcept { return FWidth; }
  int Height() const noexcept { return FHeight; }
  bool Empty() const noexcept { return FWidth <= 0 || FHeight <= 0; }
  std::size_t Stride() const noexcept { return static_cast<std::size_t>(FWidth) * BytesPerPixel; }
  std::size_t ByteSize() const noexcept { return Stride() * static_cast<std::size_t>(FHeight); }

  std::uint8_t* Bits() noexcept { return FBits.get(); }
  const std::uint8_t* Bits() const noexcept { return FBits.get(); }
  std::uint8_t* Scanline(int AY) noexcept { return FBits.get() + Stride() * static_cast<std::size_t>(AY); }
  const std::uint8_t* Scanline(int AY) const noexcept { return FBits.get() + Stride() * static_cast<std::size_t>(AY); }

  // A pixel as 0xAARRGGBB (the little-endian reading of its four bytes).
  std::uint32_t Pixel(int AX, int AY) const noexcept;
  void SetPixel(int AX, int AY, std::uint32_t AValue) noexcept;
  void Fill(std::uint32_t AValue) noexcept;

  // Copies ASource unscaled with its top-left corner at (AX, AY), clipped to this image.
  void Draw(int AX, int AY, const TBitmap32& ASource) noexcept;

  bool SamePixels(const TBitmap32& AOther) const noexcept;

  // Largest side and pixel count an image may have; larger requests raise EImageError.
  static constexpr int MaxSide = 32768;
  static constexpr std::int64_t MaxPixels = std::int64_t{1} << 27; // 512 MB of pixels
  static void CheckSize(std::int64_t AWidth, std::int64_t AHeight);

private:
  // Frees pixels this image allocated; adopted ones are let go with their owner.
  struct TRelease {
    std::shared_ptr<void> Owner;
    void operator()(std::uint8_t* ABits) const noexcept {
      if (!Owner)
        delete[] ABits;
    }
  };

  using TPixels = std::unique_ptr<std::uint8_t[], TRelease>;

  int FWidth = 0;
  int FHeight = 0;
  TPixels FBits;
};

} // namespace tarvel
