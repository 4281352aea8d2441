// What the image benchmarks of both builds share: the synthetic desktop they work on and
// libjpeg-turbo on its own, the floor for the image save.
#pragma once

#include <cstdint>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "core/Bitmap32.h"

namespace tarvel::bench {

inline constexpr int ScreenWidth = 1920;
inline constexpr int ScreenHeight = 1080;

// A desktop-like capture: a title bar, a light window with lines of dark "glyphs" and a
// coloured panel; ASeed moves the text so that two captures differ. The fourth byte is 0,
// as in a screen capture.
inline TBitmap32 MakeDesktop(std::uint32_t ASeed) {
  TBitmap32 b(ScreenWidth, ScreenHeight, 0x00F3F3F3u);
  std::uint32_t state = ASeed;
  for (int y = 0; y < ScreenHeight; ++y) {
    const bool titleBar = y < 32;
    const bool textLine = !titleBar && (y % 20) >= 6 && (y % 20) < 16;
    for (int x = 0; x < ScreenWidth; ++x) {
      state = state * 1103515245u + 12345u;
      std::uint32_t colour = 0x00F3F3F3u;
      if (titleBar)
        colour = 0x00202840u + static_cast<std::uint32_t>(x / 64);
      else if (x >= 1500 && y >= 200 && y < 700)
        colour = 0x003070C0u;
      else if (textLine && x >= 40 && x < 1400 && (state >> 29) < 3)
        colour = 0x00181818u;
      b.SetPixel(x, y, colour);
    }
  }
  return b;
}

// libjpeg-turbo called directly with the save's settings (quality 60, its defaults), handed
// the pixels in their layout in one call and writing into its own memory destination.
// AImage's rows are in ARows. Returns the size of the file.
inline std::size_t EncodeWithLibjpegAlone(const TBitmap32& AImage, std::vector<JSAMPROW>& ARows) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(AImage.Width());
  info.image_height = static_cast<JDIMENSION>(AImage.Height());
  info.input_components = 4;
  info.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 60, TRUE);
  jpeg_start_compress(&info, TRUE);
  jpeg_write_scanlines(&info, ARows.data(), info.image_height);
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::free(out);
  return size;
}

// The row pointers libjpeg takes, for EncodeWithLibjpegAlone.
inline std::vector<JSAMPROW> RowsOf(const TBitmap32& AImage) {
  std::vector<JSAMPROW> rows(static_cast<std::size_t>(AImage.Height()));
  for (int y = 0; y < AImage.Height(); ++y)
    rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(AImage.Scanline(y));
  return rows;
}

} // namespace tarvel::bench
