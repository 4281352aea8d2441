#pragma once

#include "core/Bitmap32.h"

namespace tarvel {

// The program icon at ASize × ASize pixels: a blue square with rounded corners and a white
// "T", with straight (not premultiplied) alpha; empty for a size below 1. It is drawn from
// plain shapes with integer arithmetic only, so the running program (window and tray) and
// the executable's icon resource, which the build renders with the same code on the build
// machine (tools/icon), get the same pixels at every size.
TBitmap32 RenderProgramIcon(int ASize);

} // namespace tarvel
