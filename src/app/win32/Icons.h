#pragma once

#include <windows.h>

#include <commctrl.h>

namespace tarvel {

// The program icon at ASize × ASize pixels (32-bit with alpha).
HICON CreateProgramIcon(int ASize);
// Icon AIndex of the list as a 32-bit bitmap with premultiplied alpha, for menu items.
HBITMAP CreateMenuBitmap(int AIndex, int ASize);
// The icons of the window, tray menu and buttons (TIconIndex), at ASize × ASize pixels.
HIMAGELIST CreateIconList(int ASize);

} // namespace tarvel
