#pragma once

#include "core/Bitmap32.h"

namespace tarvel {

// The side picture of the installer's welcome and finish pages, 164 × 314 as those pages
// show it at 96 DPI: the program icon on a white rounded square with a soft shadow, in the
// upper part of a panel shaded in the icon's blue, and below it a pale stack of three of the
// icon's squares, like the entries of the history. Opaque; drawn from the program icon's own
// shapes, so that it always matches the icon.
inline constexpr int InstallerPictureWidth = 164;
inline constexpr int InstallerPictureHeight = 314;
// The icon's size in the picture and where its top-left corner lies.
inline constexpr int InstallerPictureIconSize = 112;
inline constexpr int InstallerPictureIconLeft = (InstallerPictureWidth - InstallerPictureIconSize) / 2;
inline constexpr int InstallerPictureIconTop = 64;

TBitmap32 RenderInstallerPicture();

} // namespace tarvel
