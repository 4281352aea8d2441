// The PNG encoder.
#include "core/Png.h"

#include <algorithm>

#include "core/PngFormat.h"

namespace tarvel {

using namespace png;

namespace {

class TDeflater {
public:
  TDeflater() {
    if (deflateInit(&FStream, Z_DEFAULT_COMPRESSION) != Z_OK)
      Fail(u"PNG encoder could not initialise zlib");
  }
  ~TDeflater() { deflateEnd(&FStream); }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  // Compresses AData (or finishes the stream when AFinish), emitting full IDAT chunks as the
  // staging buffer fills.
  void Feed(const std::uint8_t* AData, std::size_t ALength, bool AFinish, std::vector<std::uint8_t>& AOut) {
    FStream.next_in = const_cast<Bytef*>(AData);
    FStream.avail_in = static_cast<uInt>(ALength);
    for (;;) {
      FStream.next_out = FBuffer.data() + FUsed;
      FStream.avail_out = static_cast<uInt>(FBuffer.size() - FUsed);
      const int rc = deflate(&FStream, AFinish ? Z_FINISH : Z_NO_FLUSH);
      if (rc == Z_STREAM_ERROR)
        Fail(u"PNG encoder: zlib deflate failed");
      FUsed = FBuffer.size() - FStream.avail_out;
      if (FUsed == FBuffer.size()) {
        AppendChunk(AOut, "IDAT", FBuffer.data(), FUsed);
        FUsed = 0;
        continue;
      }
      if (AFinish ? rc == Z_STREAM_END : FStream.avail_in == 0)
        break;
    }
    if (AFinish && FUsed > 0) {
      AppendChunk(AOut, "IDAT", FBuffer.data(), FUsed);
      FUsed = 0;
    }
  }

private:
  z_stream FStream{};
  std::vector<std::uint8_t> FBuffer = std::vector<std::uint8_t>(IdatChunkSize);
  std::size_t FUsed = 0;
};

// Filters ARow (with APrior, the unfiltered row above) with AFilter into ADest, whose first
// byte receives the filter type. Returns the sum of the filtered bytes read as signed values,
// the usual estimate of how well a row will compress. One loop per filter keeps the inner
// loops free of branches; this runs five times per row.
std::uint64_t FilterRow(TPngFilter AFilter, const std::uint8_t* ARow, const std::uint8_t* APrior, std::size_t ALength,
                        std::size_t ABpp, std::uint8_t* ADest) noexcept {
  ADest[0] = AFilter;
  std::uint8_t* out = ADest + 1;
  const std::size_t lead = std::min(ABpp, ALength); // bytes without a left neighbour
  switch (AFilter) {
  case pfNone: std::memcpy(out, ARow, ALength); break;
  case pfSub:
    std::memcpy(out, ARow, lead);
    for (std::size_t i = lead; i < ALength; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - ARow[i - ABpp]);
    break;
  case pfUp:
    for (std::size_t i = 0; i < ALength; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - APrior[i]);
    break;
  case pfAverage:
    for (std::size_t i = 0; i < lead; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - APrior[i] / 2);
    for (std::size_t i = lead; i < ALength; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - (ARow[i - ABpp] + APrior[i]) / 2);
    break;
  case pfPaeth:
    // Without a left neighbour the Paeth predictor is the byte above.
    for (std::size_t i = 0; i < lead; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - APrior[i]);
    for (std::size_t i = lead; i < ALength; ++i)
      out[i] = static_cast<std::uint8_t>(ARow[i] - PaethPredictor(ARow[i - ABpp], APrior[i], APrior[i - ABpp]));
    break;
  }
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < ALength; ++i)
    sum += static_cast<std::uint64_t>(std::abs(static_cast<int>(static_cast<std::int8_t>(out[i]))));
  return sum;
}

} // namespace

std::vector<std::uint8_t> EncodePng(const TBitmap32& ABitmap, bool AWithAlpha) {
  if (ABitmap.Empty())
    Fail(u"An empty image cannot be saved as PNG");
  const std::size_t channels = AWithAlpha ? 4 : 3;
  const auto width = static_cast<std::size_t>(ABitmap.Width());
  const std::size_t rowBytes = width * channels;

  std::vector<std::uint8_t> out(PngSignature.begin(), PngSignature.end());
  std::array<std::uint8_t, 13> header{};
  for (int i = 0; i < 4; ++i) {
    header[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ABitmap.Width() >> (24 - 8 * i));
    header[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(ABitmap.Height() >> (24 - 8 * i));
  }
  header[8] = 8;
  header[9] = AWithAlpha ? pctRgba : pctRgb;
  AppendChunk(out, "IHDR", header.data(), header.size());

  TDeflater deflater;
  std::vector<std::uint8_t> current(rowBytes);
  std::vector<std::uint8_t> prior(rowBytes, 0);
  std::array<std::vector<std::uint8_t>, PngFilterCount> candidates;
  for (auto& c : candidates)
    c.resize(rowBytes + 1);

  for (int y = 0; y < ABitmap.Height(); ++y) {
    const std::uint8_t* src = ABitmap.Scanline(y);
    std::uint8_t* dst = current.data();
    for (std::size_t x = 0; x < width; ++x, src += TBitmap32::BytesPerPixel, dst += channels) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
      if (AWithAlpha)
        dst[3] = src[3];
    }
    // Trying every filter and keeping the smallest signed sum is the heuristic most encoders
    // use; it costs a few passes over a row and usually compresses screenshots well.
    int best = 0;
    std::uint64_t bestSum = UINT64_MAX;
    for (int f = 0; f < PngFilterCount; ++f) {
      const std::uint64_t sum = FilterRow(static_cast<TPngFilter>(f), current.data(), prior.data(), rowBytes, channels,
                                          candidates[static_cast<std::size_t>(f)].data());
      if (sum < bestSum) {
        bestSum = sum;
        best = f;
      }
    }
    deflater.Feed(candidates[static_cast<std::size_t>(best)].data(), rowBytes + 1, false, out);
    std::swap(current, prior);
  }
  deflater.Feed(nullptr, 0, true, out);
  AppendChunk(out, "IEND", nullptr, 0);
  return out;
}

} // namespace tarvel
