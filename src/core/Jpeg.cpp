#include "core/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <exception>

#include <jerror.h>
#include <jpeglib.h>

#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {

namespace {

// libjpeg writes into a buffer of this size, which stays in the cache and is appended to
// the output whenever it is full.
constexpr std::size_t ChunkSize = 64 * 1024;

// libjpeg reports fatal errors through error_exit, which must not return. We longjmp back to
// the frame that called setjmp; C++ exceptions must never cross libjpeg's C frames.
struct TJpegErrorManager {
  jpeg_error_mgr Pub; // first member: libjpeg hands back a pointer to it
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

// Output into a std::vector, through Chunk: growing the vector itself for libjpeg to write
// into would fill every new byte with zeros first. jpeg_mem_dest would do the job with a
// malloc'd buffer whose ownership and lifetime are tied to the compressor.
struct TVectorDestination {
  jpeg_destination_mgr Pub; // first member, as above
  std::vector<std::uint8_t>* Out;
  std::uint8_t* Chunk;  // ChunkSize bytes
  std::size_t Expected; // the output's size reserved at the start, a guess
};

// Rows handed to jpeg_write_scanlines in one call when they come from an image.
constexpr int RowBatch = 16;

// Everything the compression touches, owned outside the function that calls setjmp so that a
// longjmp skips no destructor and reads no clobbered local.
struct TJpegJob {
  jpeg_compress_struct Info;
  TJpegErrorManager Error;
  TVectorDestination Destination;
  int Width;
  int Height;
  // The rows come from Bitmap when it is set, else from Rows.
  const TBitmap32* Bitmap;
  const TJpegRowSource* Rows;
  std::exception_ptr RowsError; // what Rows raised
  int Quality;
};

enum class TCompressResult { Done, Failed, Abandoned };

void ErrorExit(j_common_ptr AInfo) {
  auto* error = reinterpret_cast<TJpegErrorManager*>(AInfo->err);
  (*AInfo->err->format_message)(AInfo, error->Message);
  std::longjmp(error->Jump, 1);
}

// Warnings would go to stderr, which a GUI program does not have.
void IgnoreMessage(j_common_ptr) {}

// Growing the vector may throw; the exception is stopped here and turned into a libjpeg error
// by the caller, outside the catch block.
bool TryAppend(std::vector<std::uint8_t>& AOut, const std::uint8_t* ABytes, std::size_t ACount) noexcept {
  try {
    AOut.insert(AOut.end(), ABytes, ABytes + ACount);
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
  try {
    dest.Out->reserve(dest.Expected); // memory that is not touched yet; the guess may fail
  } catch (...) {
  }
  dest.Pub.next_output_byte = dest.Chunk;
  dest.Pub.free_in_buffer = ChunkSize;
}

// Called when the whole chunk is full.
boolean EmptyOutputBuffer(j_compress_ptr AInfo) {
  TVectorDestination& dest = DestinationOf(AInfo);
  if (!TryAppend(*dest.Out, dest.Chunk, ChunkSize))
    ERREXIT(AInfo, JERR_OUT_OF_MEMORY);
  dest.Pub.next_output_byte = dest.Chunk;
  dest.Pub.free_in_buffer = ChunkSize;
  return TRUE;
}

void TermDestination(j_compress_ptr AInfo) {
  TVectorDestination& dest = DestinationOf(AInfo);
  if (!TryAppend(*dest.Out, dest.Chunk, ChunkSize - dest.Pub.free_in_buffer))
    ERREXIT(AInfo, JERR_OUT_OF_MEMORY);
}

// Up to RowBatch rows from AFirst on, into ARows; 0 when the row source abandoned the
// encoding or raised an exception (kept in AJob.RowsError). No exception leaves it: it is
// called between libjpeg's calls, in the frame that holds the setjmp.
int FetchRows(TJpegJob& AJob, int AFirst, JSAMPROW* ARows) noexcept {
  if (AJob.Bitmap) {
    const int count = std::min(RowBatch, AJob.Height - AFirst);
    for (int i = 0; i < count; ++i)
      // libjpeg's interface is not const-correct; it only reads the input rows.
      ARows[i] = const_cast<JSAMPROW>(AJob.Bitmap->Scanline(AFirst + i));
    return count;
  }
  try {
    ARows[0] = const_cast<JSAMPROW>((*AJob.Rows)(AFirst));
    return ARows[0] ? 1 : 0;
  } catch (...) {
    AJob.RowsError = std::current_exception();
    return 0;
  }
}

// Failed comes with the library's message in AJob.Error.Message.
TCompressResult Compress(TJpegJob& AJob) {
  jpeg_compress_struct& info = AJob.Info;
  info.err = jpeg_std_error(&AJob.Error.Pub);
  AJob.Error.Pub.error_exit = ErrorExit;
  AJob.Error.Pub.output_message = IgnoreMessage;
  if (setjmp(AJob.Error.Jump) != 0) {
    jpeg_destroy_compress(&info);
    return TCompressResult::Failed;
  }
  jpeg_create_compress(&info);
  info.dest = &AJob.Destination.Pub;
  info.image_width = static_cast<JDIMENSION>(AJob.Width);
  info.image_height = static_cast<JDIMENSION>(AJob.Height);
  // The pixels as they are in memory: libjpeg-turbo converts them to YCbCr straight from
  // there, which gives the same samples as RGB triples would.
  info.input_components = TBitmap32::BytesPerPixel;
  info.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, AJob.Quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  JSAMPROW rows[RowBatch];
  while (info.next_scanline < info.image_height) {
    const int count = FetchRows(AJob, static_cast<int>(info.next_scanline), rows);
    if (count == 0) {
      jpeg_destroy_compress(&info);
      return TCompressResult::Abandoned;
    }
    jpeg_write_scanlines(&info, rows, static_cast<JDIMENSION>(count));
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return TCompressResult::Done;
}

std::optional<std::vector<std::uint8_t>> Encode(int AWidth, int AHeight, int AQuality, const TBitmap32* ABitmap,
                                                const TJpegRowSource* ARows) {
  if (AWidth <= 0 || AHeight <= 0)
    throw EImageError(u"An empty image cannot be saved as JPEG");
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> chunk(ChunkSize);
  TJpegJob job{};
  job.Destination.Pub.init_destination = InitDestination;
  job.Destination.Pub.empty_output_buffer = EmptyOutputBuffer;
  job.Destination.Pub.term_destination = TermDestination;
  job.Destination.Out = &out;
  job.Destination.Chunk = chunk.data();
  // Half a byte a pixel: more than screen images at the save's quality need, so that the
  // output is seldom moved while it grows.
  job.Destination.Expected =
      std::max(ChunkSize, static_cast<std::size_t>(AWidth) * static_cast<std::size_t>(AHeight) / 2);
  job.Width = AWidth;
  job.Height = AHeight;
  job.Bitmap = ABitmap;
  job.Rows = ARows;
  job.Quality = std::clamp(AQuality, 1, 100);
  switch (Compress(job)) {
  case TCompressResult::Done: return out;
  case TCompressResult::Failed: throw EImageError(Format(u"JPEG encoding failed: %s", {FromUtf8(job.Error.Message)}));
  case TCompressResult::Abandoned: break;
  }
  if (job.RowsError)
    std::rethrow_exception(job.RowsError);
  return std::nullopt;
}

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const TBitmap32& ABitmap, int AQuality) {
  return *Encode(ABitmap.Width(), ABitmap.Height(), AQuality, &ABitmap, nullptr);
}

std::optional<std::vector<std::uint8_t>> EncodeJpegRows(int AWidth, int AHeight, int AQuality,
                                                        const TJpegRowSource& ARows) {
  return Encode(AWidth, AHeight, AQuality, nullptr, &ARows);
}

} // namespace tarvel
