// The icons are drawn at run time from simple shapes, so they are sharp at every DPI and
// need no binary files in the tree.
#include "app/win32/Icons.h"

#include "app/ProgramIcon.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "core/Bitmap32.h"
#include "core/win32/Handles.h"
#include "core/win32/Windowing.h"

namespace tarvel {

namespace {

struct TGlyph {
  const wchar_t* Text;
  COLORREF Color;
};

// One glyph per index of the icon list: a coloured disc with a short white mark.
constexpr TGlyph Glyphs[] = {
    {L"\u2261", RGB(0x5B, 0x8D, 0xBE)}, // 0 clipboard
    {L"\u2699", RGB(0x7A, 0x86, 0x94)}, // 1 settings
    {L"i", RGB(0x4F, 0xA3, 0x8C)},      // 2 info
    {L"\u00D7", RGB(0xC0, 0x5B, 0x5B)}, // 3 quit
    {L"\u21BA", RGB(0x5B, 0x8D, 0xBE)}, // 4 history
    {L"#", RGB(0x8C, 0x7A, 0xB8)},      // 5 clipboard size
    {L"\u25B6", RGB(0x4F, 0xA3, 0x8C)}, // 6 start with Windows
    {L"A", RGB(0xC0, 0x8F, 0x4F)},      // 7 OCR language
    {L"\u2193", RGB(0x5B, 0x8D, 0xBE)}, // 8 check updates
    {L"", RGB(0x7A, 0x86, 0x94)},       // 9 unused
    {L"\u2318", RGB(0x8C, 0x7A, 0xB8)}, // 10 hotkeys
    {L"\u2212", RGB(0xC0, 0x5B, 0x5B)}, // 11 delete
    {L"!", RGB(0xC0, 0x8F, 0x4F)},      // 12 notifications
    {L"?", RGB(0x4F, 0xA3, 0x8C)},      // 13 tutorial
    {L"\u2193", RGB(0x4F, 0xA3, 0x8C)}, // 14 save
    {L"\u2605", RGB(0xC0, 0x8F, 0x4F)}, // 15 pin
    {L"\u2205", RGB(0xC0, 0x5B, 0x5B)}, // 16 clear history
    {L"\u00B6", RGB(0xC0, 0x8F, 0x4F)}, // 17 OCR text layout
};

// A coloured disc with the white mark AText, drawn at 4× and averaged down, for smooth edges
// without GDI+.
TBitmap32 RenderGlyph(int ASize, const wchar_t* AText, COLORREF AColor) {
  const int big = ASize * 4;
  const BITMAPINFO bi = TopDownBitmapInfo(big, big);
  void* bits = nullptr;
  TUniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  TUniqueBitmap dib(CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  TBitmap32 result(ASize, ASize, 0);
  if (!dc || !dib || !bits)
    return result;
  {
    TUniqueSelectObject selected = SelectScoped(dc.Get(), dib.Get());
    // Outside in pure blue, the disc in white, the mark in black on it.
    RECT all{0, 0, big, big};
    SetDCBrushColor(dc.Get(), RGB(0, 0, 255));
    FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc.Get(), RGB(255, 255, 255));
    SetDCPenColor(dc.Get(), RGB(255, 255, 255));
    TUniqueSelectObject brush = SelectScoped(dc.Get(), GetStockObject(DC_BRUSH));
    TUniqueSelectObject pen = SelectScoped(dc.Get(), GetStockObject(DC_PEN));
    Ellipse(dc.Get(), 0, 0, big, big);
    TUniqueGdiObject font(CreateFontW(-big * 2 / 3, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                      ANTIALIASED_QUALITY, 0, L"Segoe UI"));
    TUniqueSelectObject selectedFont = SelectScoped(dc.Get(), font.Get());
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), RGB(0, 0, 0));
    RECT r{0, 0, big, big};
    DrawTextW(dc.Get(), AText, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();
  }
  const auto* src = static_cast<const std::uint8_t*>(bits);
  for (int y = 0; y < ASize; ++y)
    for (int x = 0; x < ASize; ++x) {
      int shape = 0, mark = 0; // in 1/255 steps over 16 samples
      for (int dy = 0; dy < 4; ++dy)
        for (int dx = 0; dx < 4; ++dx) {
          const std::uint8_t* p = src + ((static_cast<std::size_t>(y) * 4 + dy) * big + x * 4 + dx) * 4;
          if (p[0] == 255 && p[1] == 0 && p[2] == 0)
            continue; // outside
          mark += 255 - p[1];
          shape += p[1];
        }
      const int coverage = shape + mark; // of 16 * 255
      if (coverage == 0)
        continue;
      const int alpha = coverage / 16;
      // Icons take straight alpha: the disc colour where shape, white where mark.
      const int r = (GetRValue(AColor) * shape + 255 * mark) / coverage;
      const int g = (GetGValue(AColor) * shape + 255 * mark) / coverage;
      const int b = (GetBValue(AColor) * shape + 255 * mark) / coverage;
      result.SetPixel(x, y,
                      static_cast<std::uint32_t>(alpha) << 24 | static_cast<std::uint32_t>(r) << 16 |
                          static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b));
    }
  return result;
}

HBITMAP ToDibSection(const TBitmap32& ABitmap) {
  const BITMAPINFO bi = TopDownBitmapInfo(ABitmap.Width(), ABitmap.Height());
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib && bits)
    std::memcpy(bits, ABitmap.Bits(), ABitmap.ByteSize());
  return dib;
}

HICON ToIcon(const TBitmap32& ABitmap) {
  TUniqueBitmap color(ToDibSection(ABitmap));
  TUniqueBitmap mask(CreateBitmap(ABitmap.Width(), ABitmap.Height(), 1, 1, nullptr));
  ICONINFO info{TRUE, 0, 0, mask.Get(), color.Get()};
  return CreateIconIndirect(&info);
}

} // namespace

HICON CreateProgramIcon(int ASize) {
  return ToIcon(RenderProgramIcon(ASize));
}

HBITMAP CreateMenuBitmap(int AIndex, int ASize) {
  if (AIndex < 0 || AIndex >= static_cast<int>(std::size(Glyphs)))
    return nullptr;
  TBitmap32 b = RenderGlyph(ASize, Glyphs[AIndex].Text, Glyphs[AIndex].Color);
  for (int y = 0; y < b.Height(); ++y) {
    std::uint8_t* p = b.Scanline(y);
    for (int x = 0; x < b.Width(); ++x, p += 4)
      for (int c = 0; c < 3; ++c)
        p[c] = static_cast<std::uint8_t>(p[c] * p[3] / 255);
  }
  return ToDibSection(b);
}

TUniqueImageList CreateIconList(int ASize) {
  TUniqueImageList list(ImageList_Create(ASize, ASize, ILC_COLOR32, static_cast<int>(std::size(Glyphs)), 0));
  if (!list)
    return list;
  for (const TGlyph& glyph : Glyphs) {
    TUniqueIcon icon(ToIcon(RenderGlyph(ASize, glyph.Text, glyph.Color)));
    ImageList_AddIcon(list.Get(), icon.Get());
  }
  return list;
}

} // namespace tarvel
