#pragma once

#include <windows.h>

#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/Bitmap32.h"
#include "core/win32/Windowing.h"

namespace tarvel::e2e {

// Distinct colours, none of them grey, so that swapped channels show.
inline std::uint32_t PaletteColour(int AIndex) {
  return static_cast<std::uint32_t>((AIndex * 37 + 20) % 256 << 16 | (255 - AIndex) << 8 | (AIndex * 11) % 256);
}

// A bottom-up palette DIB: the header, a table of 2^bits colours (PaletteColour) and the
// rows, each padded to 4 bytes. Pixel (x, y), counted from the top, has the colour of index
// (x + 3y) mod 2^bits.
inline std::vector<std::uint8_t> PaletteDib(int AWidth, int AHeight, int ABits) {
  const int colours = 1 << ABits;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = AWidth;
  header.biHeight = AHeight;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(ABits);
  header.biCompression = BI_RGB;
  header.biClrUsed = static_cast<DWORD>(colours);
  const std::size_t stride = (static_cast<std::size_t>(AWidth) * ABits + 31) / 32 * 4;
  std::vector<std::uint8_t> dib(sizeof header + 4u * colours + stride * AHeight, 0);
  std::memcpy(dib.data(), &header, sizeof header);
  for (int i = 0; i < colours; ++i) {
    const std::uint32_t c = PaletteColour(i);
    std::memcpy(dib.data() + sizeof header + 4 * i, &c, 3); // blue, green, red
  }
  std::uint8_t* rows = dib.data() + sizeof header + 4u * colours;
  for (int y = 0; y < AHeight; ++y) {
    std::uint8_t* row = rows + stride * static_cast<std::size_t>(AHeight - 1 - y);
    for (int x = 0; x < AWidth; ++x) {
      const unsigned index = static_cast<unsigned>(x + 3 * y) % colours;
      const int bit = x * ABits;
      row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - ABits - bit % 8));
    }
  }
  return dib;
}

// Another program with a window of its own, which owns what it puts on the clipboard.
class TOtherProgram {
public:
  TOtherProgram() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarvelE2eOtherProgram";
    RegisterClassW(&wc);
    FWindow =
        CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TOtherProgram() { DestroyWindow(FWindow); }

  // Opens the clipboard, waiting while Tarvel has it open for a read.
  void Open() {
    for (int i = 0; i < 500 && !OpenClipboard(FWindow); ++i)
      Sleep(10);
  }

  // Puts any formats on the clipboard at once, as one copy.
  void CopyFormats(const std::vector<std::pair<UINT, std::vector<std::uint8_t>>>& AFormats) {
    Open();
    EmptyClipboard();
    for (const auto& [format, bytes] : AFormats)
      SetClipboardData(format, Global(bytes.data(), bytes.size()));
    CloseClipboard();
  }

  void CopyText(const std::wstring& AText) {
    Open();
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, Global(AText.c_str(), (AText.size() + 1) * sizeof(wchar_t)));
    CloseClipboard();
  }

  // Copies a text, then opens the clipboard again at once and holds it for AMilliseconds, as
  // a program that reads back what it wrote. False when it could not be opened again.
  // Copies AText, then opens the clipboard again at once and keeps it open for a while,
  // handling its window's messages meanwhile. Under Wine a holder that handles none (a plain
  // Sleep) kept the notice of its copy from reaching Tarvel until it let go.
  bool CopyTextAndHold(const std::wstring& AText, DWORD AMilliseconds) {
    CopyText(AText);
    const bool held = OpenClipboard(FWindow) != FALSE;
    const ULONGLONG end = GetTickCount64() + AMilliseconds;
    while (GetTickCount64() < end) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
      Sleep(5);
    }
    if (held)
      CloseClipboard();
    return held;
  }

  void CopyImage(int AWidth, int AHeight) {
    Open();
    EmptyClipboard();
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, AWidth, AHeight);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < AHeight; ++y)
      for (int x = 0; x < AWidth; ++x)
        SetPixel(dc, x, y, RGB(x * 5, y * 7, 90));
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
  }

  // As a paint program copies a palette image: CF_DIB only (see PaletteDib).
  void CopyPaletteImage(int AWidth, int AHeight, int ABits) {
    CopyFormats({{CF_DIB, PaletteDib(AWidth, AHeight, ABits)}});
  }

  // As a file manager does: the file list, and the paths as text too.
  void CopyFiles(const std::vector<std::wstring>& APaths) {
    std::vector<wchar_t> list;
    std::wstring text;
    for (const auto& p : APaths) {
      list.insert(list.end(), p.begin(), p.end());
      list.push_back(0);
      text += p + L"\r\n";
    }
    list.push_back(0);
    std::vector<std::uint8_t> block(sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(block.data(), &header, sizeof header);
    std::memcpy(block.data() + sizeof header, list.data(), list.size() * sizeof(wchar_t));
    Open();
    EmptyClipboard();
    SetClipboardData(CF_HDROP, Global(block.data(), block.size()));
    SetClipboardData(CF_UNICODETEXT, Global(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    CloseClipboard();
  }

  std::wstring Text() {
    Open();
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      text = static_cast<const wchar_t*>(GlobalLock(data));
      GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
  }

  // The clipboard's image as a program pasting it reads it: 32 bits, rows from the top.
  std::optional<TBitmap32> Image() {
    Open();
    std::optional<TBitmap32> image;
    if (const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
      BITMAP size{};
      GetObjectW(bitmap, sizeof size, &size);
      TBitmap32 pixels(size.bmWidth, size.bmHeight, 0);
      BITMAPINFO info = TopDownBitmapInfo(size.bmWidth, size.bmHeight);
      const HDC screen = GetDC(nullptr);
      if (GetDIBits(screen, bitmap, 0, static_cast<UINT>(size.bmHeight), pixels.Bits(), &info, DIB_RGB_COLORS))
        image = std::move(pixels);
      ReleaseDC(nullptr, screen);
    }
    CloseClipboard();
    return image;
  }

  HWND Window() const { return FWindow; }

private:
  static HGLOBAL Global(const void* AData, std::size_t ASize) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, ASize);
    std::memcpy(GlobalLock(block), AData, ASize);
    GlobalUnlock(block);
    return block;
  }

  HWND FWindow = nullptr;
};

inline std::size_t Occurrences(const std::wstring& AText, const std::wstring& APart) {
  std::size_t n = 0;
  for (std::size_t at = AText.find(APart); at != std::wstring::npos; at = AText.find(APart, at + 1))
    ++n;
  return n;
}

} // namespace tarvel::e2e
