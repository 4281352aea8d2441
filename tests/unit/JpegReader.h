// An independent JPEG reader for the tests of what the program writes.
#pragma once

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace tarvel::test {

using TBytes = std::vector<std::uint8_t>;

struct TDecodedJpeg {
  int Width = 0;
  int Height = 0;
  int Components = 0;
  bool Progressive = false;
  long Warnings = 0; // libjpeg warns about truncated or damaged data
  TBytes Rgb;
  std::string Error;

  std::uint32_t Pixel(int AX, int AY) const {
    const std::uint8_t* p =
        Rgb.data() +
        (static_cast<std::size_t>(AY) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(AX)) * 3;
    return 0xFF000000u | static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
  }
};

struct TTestJpegError {
  jpeg_error_mgr Pub;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

inline void TestErrorExit(j_common_ptr AInfo) {
  auto* error = reinterpret_cast<TTestJpegError*>(AInfo->err);
  (*AInfo->err->format_message)(AInfo, error->Message);
  std::longjmp(error->Jump, 1);
}

inline void TestIgnoreMessage(j_common_ptr) {}

// An independent reader for the encoder's output. Every non-trivial object belongs to the
// caller so that the longjmp of a libjpeg error skips no destructor.
inline bool ReadJpeg(const TBytes& AData, TDecodedJpeg& AResult, jpeg_decompress_struct& AInfo,
                     TTestJpegError& AError) {
  AInfo.err = jpeg_std_error(&AError.Pub);
  AError.Pub.error_exit = TestErrorExit;
  AError.Pub.output_message = TestIgnoreMessage;
  if (setjmp(AError.Jump) != 0) {
    jpeg_destroy_decompress(&AInfo);
    return false;
  }
  jpeg_create_decompress(&AInfo);
  jpeg_mem_src(&AInfo, AData.data(), static_cast<unsigned long>(AData.size()));
  jpeg_read_header(&AInfo, TRUE);
  AInfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&AInfo);
  AResult.Width = static_cast<int>(AInfo.output_width);
  AResult.Height = static_cast<int>(AInfo.output_height);
  AResult.Components = AInfo.num_components;
  AResult.Progressive = AInfo.progressive_mode != 0;
  const std::size_t stride = static_cast<std::size_t>(AInfo.output_width) * 3;
  AResult.Rgb.resize(stride * AInfo.output_height);
  while (AInfo.output_scanline < AInfo.output_height) {
    JSAMPROW row = AResult.Rgb.data() + stride * AInfo.output_scanline;
    jpeg_read_scanlines(&AInfo, &row, 1);
  }
  jpeg_finish_decompress(&AInfo);
  AResult.Warnings = AError.Pub.num_warnings;
  jpeg_destroy_decompress(&AInfo);
  return true;
}

inline TDecodedJpeg DecodeJpeg(const TBytes& AData) {
  TDecodedJpeg result;
  jpeg_decompress_struct info{};
  TTestJpegError error{};
  if (!ReadJpeg(AData, result, info, error))
    result.Error = error.Message;
  return result;
}

inline testing::AssertionResult Near(std::uint32_t AActual, std::uint32_t AExpected, int ATolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = static_cast<int>((AActual >> shift) & 0xFF);
    const int e = static_cast<int>((AExpected >> shift) & 0xFF);
    if (std::abs(a - e) > ATolerance)
      return testing::AssertionFailure() << std::hex << "0x" << AActual << " is not within " << std::dec << ATolerance
                                         << " of 0x" << std::hex << AExpected;
  }
  return testing::AssertionSuccess();
}

} // namespace tarvel::test
