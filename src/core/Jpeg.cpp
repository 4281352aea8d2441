#include "core/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers

#include <jerror.h>
#include <jpeglib.h>

#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {

namespace {

constexpr std::size_t InitialOutputSize = 64 * 1024;

// libjpeg reports fatal errors through error_exit, which must not return. We longjmp back to
// the frame that called setjmp; C++ exceptions must never cross libjpeg's C frames.
struct TJpegErrorManager {
  jpeg_error_mgr Pub; // first member: libjpeg hands back a pointer to it
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

// Output into a std::vector grown by doubling. jpeg_mem_dest would do the job with a
// malloc'd buffer whose ownership and lifetime are tied to the compressor.
struct TVectorDestination {
  jpeg_destination_mgr Pub; // first member, as above
  std::vector<std::uint8_t>* Out;
};

// Everything the compression touches, owned outside the function that calls setjmp so that a
// longjmp skips no destructor and reads no clobbered local.
struct TJpegJob {
  jpeg_compress_struct Info;
  TJpegErrorManager Error;
  TVectorDestination Destination;
  const TBitmap32* Bitmap;
  std::uint8_t* RowBuffer; // one row of RGB samples
  int Quality;
};

void ErrorExit(j_common_ptr AInfo) {
  auto* error = reinterpret_cast<TJpegErrorManager*>(AInfo->err);
  (*AInfo->err->format_message)(AInfo, error->Message);
  std::longjmp(error->Jump, 1);
}

// Warnings would go to stderr, which a GUI program does not have.
void IgnoreMessage(j_common_ptr) {}

// Growing the vector may throw; the exception is stopped here and turned into a libjpeg error
// by the caller, outside the catch block.
bool TryResize(std::vector<std::uint8_t>& AOut, std::size_t ASize) noexcept {
  try {
    AOut.resize(ASize);
    return true;
  } catch (...) {
    return false;
  }
}

TVectorDestination& DestinationOf(j_compress_ptr AInfo) {
  return *reinterpret_cast<TVectorDestination*>(AInfo->dest);
}

void InitDestination(j_compress_ptr AInfo) {
  TVectorDestination& dest = DestinationOf(AInfo);
  if (!TryResize(*dest.Out, InitialOutputSize))
    ERREXIT(AInfo, JERR_OUT_OF_MEMORY);
  dest.Pub.next_output_byte = dest.Out->data();
  dest.Pub.free_in_buffer = dest.Out->size();
}

// Called when the whole buffer is full: the next bytes go after it.
boolean EmptyOutputBuffer(j_compress_ptr AInfo) {
  TVectorDestination& dest = DestinationOf(AInfo);
  const std::size_t used = dest.Out->size();
  if (!TryResize(*dest.Out, used * 2))
    ERREXIT(AInfo, JERR_OUT_OF_MEMORY);
  dest.Pub.next_output_byte = dest.Out->data() + used;
  dest.Pub.free_in_buffer = dest.Out->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr AInfo) {
  TVectorDestination& dest = DestinationOf(AInfo);
  dest.Out->resize(dest.Out->size() - dest.Pub.free_in_buffer);
}

// Returns false, with the library's message in AJob.Error.Message, when libjpeg fails.
bool Compress(TJpegJob& AJob) {
  jpeg_compress_struct& info = AJob.Info;
  info.err = jpeg_std_error(&AJob.Error.Pub);
  AJob.Error.Pub.error_exit = ErrorExit;
  AJob.Error.Pub.output_message = IgnoreMessage;
  if (setjmp(AJob.Error.Jump) != 0) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  info.dest = &AJob.Destination.Pub;
  info.image_width = static_cast<JDIMENSION>(AJob.Bitmap->Width());
  info.image_height = static_cast<JDIMENSION>(AJob.Bitmap->Height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, AJob.Quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const std::uint8_t* src = AJob.Bitmap->Scanline(static_cast<int>(info.next_scanline));
    std::uint8_t* dst = AJob.RowBuffer;
    for (int x = 0; x < AJob.Bitmap->Width(); ++x, src += TBitmap32::BytesPerPixel, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
    JSAMPROW row = AJob.RowBuffer;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const TBitmap32& ABitmap, int AQuality) {
  if (ABitmap.Empty())
    throw EImageError(u"An empty image cannot be saved as JPEG");
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(ABitmap.Width()) * 3);

  TJpegJob job{};
  job.Destination.Pub.init_destination = InitDestination;
  job.Destination.Pub.empty_output_buffer = EmptyOutputBuffer;
  job.Destination.Pub.term_destination = TermDestination;
  job.Destination.Out = &out;
  job.Bitmap = &ABitmap;
  job.RowBuffer = row.data();
  job.Quality = std::clamp(AQuality, 1, 100);
  if (!Compress(job))
    throw EImageError(Format(u"JPEG encoding failed: %s", {FromUtf8(job.Error.Message)}));
  return out;
}

} // namespace tarvel
