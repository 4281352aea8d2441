#pragma once

#include <windows.h>

#include <commctrl.h>

#include "core/win32/Handles.h"

namespace tarvel {

namespace policy {
inline void ImageListDestroyNoThrow(HIMAGELIST AList) noexcept {
  ::ImageList_Destroy(AList);
}
} // namespace policy

using TUniqueImageList = TUniqueResource<policy::TSimple<HIMAGELIST, nullptr, policy::ImageListDestroyNoThrow>>;

// The program icon at ASize × ASize pixels (32-bit with alpha).
HICON CreateProgramIcon(int ASize);
// Icon AIndex of the list as a 32-bit bitmap with premultiplied alpha, for menu items.
HBITMAP CreateMenuBitmap(int AIndex, int ASize);
// The icons of the window, tray menu and buttons (TIconIndex), at ASize × ASize pixels.
TUniqueImageList CreateIconList(int ASize);

} // namespace tarvel
