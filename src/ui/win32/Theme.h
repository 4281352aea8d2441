#pragma once

#include <windows.h>

namespace tarvel {

// The slate-grey look: one palette, shared by every painted part of the window.
namespace theme {
inline constexpr COLORREF Window = RGB(0x2E, 0x35, 0x3D);
inline constexpr COLORREF Strip = RGB(0x25, 0x2B, 0x32);
inline constexpr COLORREF Field = RGB(0x22, 0x27, 0x2D);
inline constexpr COLORREF Button = RGB(0x3B, 0x44, 0x4F);
inline constexpr COLORREF ButtonHot = RGB(0x48, 0x53, 0x60);
inline constexpr COLORREF Accent = RGB(0x5B, 0x8D, 0xBE);
inline constexpr COLORREF Text = RGB(0xE6, 0xEA, 0xEE);
inline constexpr COLORREF TextDim = RGB(0x9A, 0xA5, 0xB1);
inline constexpr COLORREF SwitchOff = RGB(0x55, 0x60, 0x6C);
// A switch's thumb when no colour of its own is asked for.
inline constexpr COLORREF Thumb = RGB(0x80, 0x80, 0x80);
// The outline of input fields, and of the control that has the keyboard focus.
inline constexpr COLORREF Border = RGB(0x4A, 0x55, 0x61);
inline constexpr COLORREF Focus = RGB(0xE6, 0xEA, 0xEE);
} // namespace theme

} // namespace tarvel
