#include "InstallerPicture.h"

#include <cstdint>
#include <optional>

#include "app/ProgramIcon.h"

namespace tarvel {

namespace {

// The panel's shade from top to bottom, 0xRRGGBB: a light form of the icon's blue down to a
// deeper one.
constexpr std::uint32_t TopColour = 0x7FA7CF;
constexpr std::uint32_t BottomColour = 0x3A6794;
// The white square the icon sits on is this much larger on every side.
constexpr int FrameWidth = 5;
// Its shadow: this far below it, this opaque (of 255), in this colour.
constexpr int ShadowOffset = 4;
constexpr unsigned ShadowOpacity = 70;
constexpr std::uint32_t ShadowColour = 0x1B3550;
// The faint stack below the icon: square size, the oldest one's top-left corner, the step
// to the next one and how far each is paled towards white (of 255), oldest first.
constexpr int HistorySize = 44;
constexpr int HistoryLeft = 46;
constexpr int HistoryTop = 250;
constexpr int HistoryStep = 13;
constexpr unsigned HistoryPaleness[] = {50, 85, 120};

std::uint32_t Channel(std::uint32_t AColour, int AShift) {
  return AColour >> AShift & 0xFF;
}

// A weighted mix of two 0xRRGGBB colours: AWeight of 255 is all of B.
std::uint32_t Mix(std::uint32_t A, std::uint32_t B, unsigned AWeight) {
  std::uint32_t mixed = 0;
  for (int shift : {0, 8, 16}) {
    const std::uint32_t a = Channel(A, shift);
    const std::uint32_t b = Channel(B, shift);
    mixed |= ((a * (255 - AWeight) + b * AWeight + 127) / 255) << shift;
  }
  return mixed;
}

// The panel's colour in row AY.
std::uint32_t PanelColour(int AY) {
  return Mix(TopColour, BottomColour, static_cast<unsigned>(AY * 255 / (InstallerPictureHeight - 1)));
}

// Lays AShape (straight alpha) over APicture with its top-left corner at (AX, AY), every
// pixel weighted by its alpha and by AOpacity; AColour, when given, paints the shape's
// outline in one colour instead of its own.
void Blend(TBitmap32& APicture, const TBitmap32& AShape, int AX, int AY, std::optional<std::uint32_t> AColour,
           unsigned AOpacity = 255) {
  for (int y = 0; y < AShape.Height(); ++y)
    for (int x = 0; x < AShape.Width(); ++x) {
      const int px = AX + x;
      const int py = AY + y;
      if (px < 0 || py < 0 || px >= APicture.Width() || py >= APicture.Height())
        continue;
      const std::uint32_t shape = AShape.Pixel(x, y);
      const unsigned weight = ((shape >> 24) * AOpacity + 127) / 255;
      if (weight == 0)
        continue;
      const std::uint32_t colour = AColour.value_or(shape & 0xFFFFFF);
      APicture.SetPixel(px, py, 0xFF000000u | Mix(APicture.Pixel(px, py) & 0xFFFFFF, colour, weight));
    }
}

} // namespace

TBitmap32 RenderInstallerPicture() {
  TBitmap32 picture(InstallerPictureWidth, InstallerPictureHeight);
  for (int y = 0; y < InstallerPictureHeight; ++y)
    for (int x = 0; x < InstallerPictureWidth; ++x)
      picture.SetPixel(x, y, 0xFF000000u | PanelColour(y));
  // The icon's rounded square, larger, as its white frame and the frame's shadow.
  const TBitmap32 frame = RenderProgramIcon(InstallerPictureIconSize + 2 * FrameWidth);
  const int frameLeft = InstallerPictureIconLeft - FrameWidth;
  const int frameTop = InstallerPictureIconTop - FrameWidth;
  Blend(picture, frame, frameLeft, frameTop + ShadowOffset, ShadowColour, ShadowOpacity);
  Blend(picture, frame, frameLeft, frameTop, 0xFFFFFF);
  Blend(picture, RenderProgramIcon(InstallerPictureIconSize), InstallerPictureIconLeft, InstallerPictureIconTop,
        std::nullopt);
  // Below it, the history: three pale copies of the square, stacked, each hiding the part of
  // the older one behind it.
  const TBitmap32 entry = RenderProgramIcon(HistorySize);
  for (int i = 0; i < 3; ++i) {
    const int left = HistoryLeft + i * HistoryStep;
    const int top = HistoryTop - i * HistoryStep;
    for (int y = 0; y < HistorySize; ++y) {
      const std::uint32_t pale = Mix(PanelColour(top + y), 0xFFFFFF, HistoryPaleness[i]);
      for (int x = 0; x < HistorySize; ++x) {
        const unsigned weight = entry.Pixel(x, y) >> 24;
        const std::uint32_t under = picture.Pixel(left + x, top + y) & 0xFFFFFF;
        picture.SetPixel(left + x, top + y, 0xFF000000u | Mix(under, pale, weight));
      }
    }
  }
  return picture;
}

} // namespace tarvel
