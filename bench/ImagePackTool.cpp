// How well the candidate lossless compressors keep history images: for each PNG named on
// standard input as "kind<TAB>path", the 32-bit pixels as the history holds them are
// compressed and decompressed by each candidate, the round trip checked, and the ratio and
// speeds printed, per image and per kind. Used by bench/image-pack.
#include <lz4.h>
#include <lz4hc.h>
#include <zstd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/Bitmap32.h"
#include "png/PngDecode.h"

namespace {

using TBytes = std::vector<char>;

struct TCandidate {
  std::string Name;
  std::function<TBytes(const TBytes&)> Pack;
  std::function<void(const TBytes&, TBytes&)> Unpack;
};

TBytes Lz4Pack(const TBytes& ARaw, int AHcLevel) {
  TBytes out(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(ARaw.size()))));
  const int n = AHcLevel > 0 ? LZ4_compress_HC(ARaw.data(), out.data(), static_cast<int>(ARaw.size()),
                                               static_cast<int>(out.size()), AHcLevel)
                             : LZ4_compress_default(ARaw.data(), out.data(), static_cast<int>(ARaw.size()),
                                                    static_cast<int>(out.size()));
  out.resize(static_cast<std::size_t>(n));
  return out;
}

TBytes ZstdPack(const TBytes& ARaw, int ALevel) {
  TBytes out(ZSTD_compressBound(ARaw.size()));
  out.resize(ZSTD_compress(out.data(), out.size(), ARaw.data(), ARaw.size(), ALevel));
  return out;
}

std::vector<TCandidate> Candidates() {
  std::vector<TCandidate> c;
  const auto lz4Unpack = [](const TBytes& APacked, TBytes& ARaw) {
    LZ4_decompress_safe(APacked.data(), ARaw.data(), static_cast<int>(APacked.size()), static_cast<int>(ARaw.size()));
  };
  const auto zstdUnpack = [](const TBytes& APacked, TBytes& ARaw) {
    ZSTD_decompress(ARaw.data(), ARaw.size(), APacked.data(), APacked.size());
  };
  c.push_back({"lz4", [](const TBytes& R) { return Lz4Pack(R, 0); }, lz4Unpack});
  c.push_back({"lz4hc-4", [](const TBytes& R) { return Lz4Pack(R, 4); }, lz4Unpack});
  for (const int level : {-1, 1, 3, 6})
    c.push_back({"zstd" + std::to_string(level), [level](const TBytes& R) { return ZstdPack(R, level); }, zstdUnpack});
  return c;
}

// Seconds per call, repeating until at least a fifth of a second has passed.
double Time(const std::function<void()>& AWork) {
  using clock = std::chrono::steady_clock;
  int runs = 0;
  const auto start = clock::now();
  double elapsed = 0;
  do {
    AWork();
    ++runs;
    elapsed = std::chrono::duration<double>(clock::now() - start).count();
  } while (elapsed < 0.2);
  return elapsed / runs;
}

struct TTotals {
  double Raw = 0, Packed = 0, PackSeconds = 0, UnpackSeconds = 0;
  int Images = 0;
};

} // namespace

int main() {
  const std::vector<TCandidate> candidates = Candidates();
  std::map<std::pair<std::string, std::string>, TTotals> totals;
  std::printf("kind\tfile\twidth\theight\tcandidate\tratio\tpack_MBps\tunpack_MBps\n");
  std::string line;
  while (std::getline(std::cin, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos)
      continue;
    const std::string kind = line.substr(0, tab);
    const std::string path = line.substr(tab + 1);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    tarvel::TBitmap32 image;
    try {
      image = tarvel::DecodePng(png);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "skipped %s: %s\n", path.c_str(), e.what());
      continue;
    }
    // The history's images are opaque, their fourth byte 255.
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x)
        image.SetPixel(x, y, image.Pixel(x, y) | 0xFF000000u);
    const TBytes raw(image.Bits(), image.Bits() + image.ByteSize());
    const double mb = static_cast<double>(raw.size()) / 1e6;
    for (const TCandidate& c : candidates) {
      TBytes packed;
      const double pack = Time([&] { packed = c.Pack(raw); });
      TBytes back(raw.size());
      const double unpack = Time([&] { c.Unpack(packed, back); });
      if (back != raw) {
        std::fprintf(stderr, "%s: %s did not give the pixels back\n", path.c_str(), c.Name.c_str());
        return 1;
      }
      std::printf("%s\t%s\t%d\t%d\t%s\t%.2f\t%.0f\t%.0f\n", kind.c_str(), path.c_str(), image.Width(), image.Height(),
                  c.Name.c_str(), static_cast<double>(raw.size()) / static_cast<double>(packed.size()), mb / pack,
                  mb / unpack);
      TTotals& t = totals[{kind, c.Name}];
      t.Raw += static_cast<double>(raw.size());
      t.Packed += static_cast<double>(packed.size());
      t.PackSeconds += pack;
      t.UnpackSeconds += unpack;
      ++t.Images;
    }
  }
  std::printf("\n| kind | candidate | images | ratio | compression MB/s | decompression MB/s "
              "|\n|---|---|---:|---:|---:|---:|\n");
  for (const auto& [key, t] : totals)
    std::printf("| %s | %s | %d | %.2f | %.0f | %.0f |\n", key.first.c_str(), key.second.c_str(), t.Images,
                t.Raw / t.Packed, t.Raw / 1e6 / t.PackSeconds, t.Raw / 1e6 / t.UnpackSeconds);
  return 0;
}
