#include "ocr/OcrRowKernels.h"

#include <array>
#include <atomic>

#include "ocr/OcrPreparation.h"

#if defined(__SSE2__)
#include <immintrin.h>
#define TARVEL_OCR_SSE2 1
#if defined(__GNUC__)
// SSSE3 is chosen at run time: the program is built for SSE2 only.
#define TARVEL_OCR_DISPATCH 1
#endif
#endif

namespace tarvel {

namespace {

std::atomic<TOcrKernels> GKernels{TOcrKernels::Best};

int Blend(int AFirst, int ASecond, const TTwoTap& ATap) noexcept {
  return (AFirst * ATap.W0 + ASecond * ATap.W1 + 128) >> 8;
}

void WidenPlain(const std::uint8_t* ARow, int AFrom, int AWidth, int AScale, const TTwoTap* ATaps,
                std::uint8_t* ATarget) {
  for (int x = AFrom; x < AWidth; ++x)
    for (int p = 0; p < AScale; ++p) {
      const std::uint8_t* taps = ARow + x + ATaps[p].First;
      ATarget[x * AScale + p] = static_cast<std::uint8_t>(Blend(taps[0], taps[1], ATaps[p]));
    }
}

void WriteGreyPlain(const std::uint8_t* AFirst, const std::uint8_t* ASecond, const TTwoTap& ATap,
                    const std::uint32_t* AColours, int AFrom, int AWidth, std::uint32_t* ATarget) {
  for (int x = AFrom; x < AWidth; ++x)
    ATarget[x] = AColours[Blend(AFirst[x], ASecond[x], ATap)];
}

#if defined(TARVEL_OCR_SSE2)

// The two-tap blend of sixteen bytes at a time, rounded as Blend rounds.
class TSse2Blend {
public:
  explicit TSse2Blend(const TTwoTap& ATap)
      : FW0(_mm_set1_epi16(static_cast<short>(ATap.W0))), FW1(_mm_set1_epi16(static_cast<short>(ATap.W1))) {}
  __m128i operator()(__m128i AA, __m128i AB) const {
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(Half(_mm_unpacklo_epi8(AA, zero), _mm_unpacklo_epi8(AB, zero)),
                            Half(_mm_unpackhi_epi8(AA, zero), _mm_unpackhi_epi8(AB, zero)));
  }

private:
  // Eight sixteen-bit lanes: (a w0 + b w1 + 128) >> 8.
  __m128i Half(__m128i AA, __m128i AB) const {
    return _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(AA, FW0), _mm_mullo_epi16(AB, FW1)), _mm_set1_epi16(128)), 8);
  }
  __m128i FW0, FW1;
};

// Sixteen target bytes of one phase around source pixels x to x + 15.
inline __m128i WidenPhase(const std::uint8_t* ARow, int AX, const TTwoTap& ATap) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ARow + AX + ATap.First));
  if (ATap.W1 == 0)
    return a;
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ARow + AX + ATap.First + 1));
  return TSse2Blend(ATap)(a, b);
}

inline void Store(std::uint8_t* ATarget, __m128i AValue) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(ATarget), AValue);
}

// Sixteen pixels' luminances: each pixel's three weighted channels added by a multiply-add
// and one addition of the pairs it leaves.
int LuminanceSse2(const std::uint32_t* APixels, int AWidth, std::uint8_t* ATarget) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i weights = _mm_set_epi16(0, 77, 150, 29, 0, 77, 150, 29);
  const auto four = [&](const std::uint32_t* AFrom) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(AFrom));
    const __m128 lo = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpacklo_epi8(pixels, zero), weights));
    const __m128 hi = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpackhi_epi8(pixels, zero), weights));
    const __m128i blueGreen = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i red = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
    return _mm_srli_epi32(_mm_add_epi32(blueGreen, red), 8);
  };
  int x = 0;
  for (; x + 16 <= AWidth; x += 16) {
    const __m128i first = _mm_packs_epi32(four(APixels + x), four(APixels + x + 4));
    const __m128i second = _mm_packs_epi32(four(APixels + x + 8), four(APixels + x + 12));
    Store(ATarget + x, _mm_packus_epi16(first, second));
  }
  return x;
}

// Scales 1, 2 and 4 interleave their phases with plain unpacking; returns where it stopped.
int WidenSse2(const std::uint8_t* ARow, int AWidth, int AScale, const TTwoTap* ATaps, std::uint8_t* ATarget) {
  int x = 0;
  for (; x + 16 <= AWidth; x += 16) {
    std::uint8_t* out = ATarget + x * AScale;
    const __m128i p0 = WidenPhase(ARow, x, ATaps[0]);
    if (AScale == 1) {
      Store(out, p0);
      continue;
    }
    const __m128i p1 = WidenPhase(ARow, x, ATaps[1]);
    if (AScale == 2) {
      Store(out, _mm_unpacklo_epi8(p0, p1));
      Store(out + 16, _mm_unpackhi_epi8(p0, p1));
      continue;
    }
    const __m128i p2 = WidenPhase(ARow, x, ATaps[2]);
    const __m128i p3 = WidenPhase(ARow, x, ATaps[3]);
    const __m128i lo01 = _mm_unpacklo_epi8(p0, p1);
    const __m128i hi01 = _mm_unpackhi_epi8(p0, p1);
    const __m128i lo23 = _mm_unpacklo_epi8(p2, p3);
    const __m128i hi23 = _mm_unpackhi_epi8(p2, p3);
    Store(out, _mm_unpacklo_epi16(lo01, lo23));
    Store(out + 16, _mm_unpackhi_epi16(lo01, lo23));
    Store(out + 32, _mm_unpacklo_epi16(hi01, hi23));
    Store(out + 48, _mm_unpackhi_epi16(hi01, hi23));
  }
  return x;
}

std::uint64_t SumSse2(const std::uint8_t* ABytes, int ACount, int& AStop) {
  const __m128i zero = _mm_setzero_si128();
  __m128i sums = zero;
  int i = 0;
  for (; i + 16 <= ACount; i += 16)
    sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(ABytes + i)), zero));
  AStop = i;
  return static_cast<std::uint64_t>(_mm_cvtsi128_si32(sums)) +
         static_cast<std::uint64_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
}

// Sixteen blends of two rows at a time, then each looked up.
int WriteGreySse2(const std::uint8_t* AFirst, const std::uint8_t* ASecond, const TTwoTap& ATap,
                  const std::uint32_t* AColours, int AWidth, std::uint32_t* ATarget) {
  const TSse2Blend blend(ATap);
  alignas(16) std::uint8_t luminances[16];
  int x = 0;
  for (; x + 16 <= AWidth; x += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(AFirst + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ASecond + x));
    _mm_store_si128(reinterpret_cast<__m128i*>(luminances), blend(a, b));
    for (int k = 0; k < 16; ++k)
      ATarget[x + k] = AColours[luminances[k]];
  }
  return x;
}

#endif

#if defined(TARVEL_OCR_DISPATCH)

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

// Scale 3: the three phases' bytes shuffled into place, sixteen source pixels at a time.
__attribute__((target("ssse3"))) int WidenBy3Ssse3(const std::uint8_t* ARow, int AWidth, const TTwoTap* ATaps,
                                                   std::uint8_t* ATarget) {
  // For target byte k of 48: phase k % 3 supplies its byte k / 3, the others nothing.
  alignas(16) static const auto masks = [] {
    std::array<std::array<std::uint8_t, 16>, 9> m{};
    for (int k = 0; k < 48; ++k)
      for (int p = 0; p < 3; ++p)
        m[static_cast<std::size_t>(k / 16 * 3 + p)][static_cast<std::size_t>(k % 16)] =
            k % 3 == p ? static_cast<std::uint8_t>(k / 3) : 0x80;
    return m;
  }();
  const auto mask = [](int AIndex) { return _mm_load_si128(reinterpret_cast<const __m128i*>(masks[AIndex].data())); };
  int x = 0;
  for (; x + 16 <= AWidth; x += 16) {
    const __m128i p[3] = {WidenPhase(ARow, x, ATaps[0]), WidenPhase(ARow, x, ATaps[1]), WidenPhase(ARow, x, ATaps[2])};
    std::uint8_t* out = ATarget + x * 3;
    for (int j = 0; j < 3; ++j)
      Store(out + 16 * j,
            _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(p[0], mask(3 * j)), _mm_shuffle_epi8(p[1], mask(3 * j + 1))),
                         _mm_shuffle_epi8(p[2], mask(3 * j + 2))));
  }
  return x;
}

#endif

} // namespace

void UseOcrRowKernels(TOcrKernels AKernels) noexcept {
  GKernels.store(AKernels, std::memory_order_relaxed);
}

void OcrLuminanceRow(const std::uint32_t* APixels, int AWidth, std::uint8_t* ATarget) {
  int x = 0;
#if defined(TARVEL_OCR_SSE2)
  if (GKernels.load(std::memory_order_relaxed) != TOcrKernels::Plain)
    x = LuminanceSse2(APixels, AWidth, ATarget);
#endif
  for (; x < AWidth; ++x)
    ATarget[x] = OcrLuminance(APixels[x]);
}

void WidenOcrRow(const std::uint8_t* ARow, int AWidth, int AScale, const TTwoTap* ATaps, std::uint8_t* ATarget) {
  int done = 0;
  const TOcrKernels kernels = GKernels.load(std::memory_order_relaxed);
  if (kernels != TOcrKernels::Plain) {
#if defined(TARVEL_OCR_DISPATCH)
    if (AScale == 3 && kernels == TOcrKernels::Best && HasSsse3())
      done = WidenBy3Ssse3(ARow, AWidth, ATaps, ATarget);
#endif
#if defined(TARVEL_OCR_SSE2)
    if (AScale != 3)
      done = WidenSse2(ARow, AWidth, AScale, ATaps, ATarget);
#endif
  }
  WidenPlain(ARow, done, AWidth, AScale, ATaps, ATarget);
}

std::uint64_t SumOcrBytes(const std::uint8_t* ABytes, int ACount) {
  std::uint64_t sum = 0;
  int i = 0;
#if defined(TARVEL_OCR_SSE2)
  sum = SumSse2(ABytes, ACount, i);
#endif
  for (; i < ACount; ++i)
    sum += ABytes[i];
  return sum;
}

std::uint64_t SumOcrBlendedRow(const std::uint8_t* AFirst, const std::uint8_t* ASecond, const TTwoTap& ATap,
                               int AWidth) {
  if (ATap.W1 == 0)
    return SumOcrBytes(AFirst, AWidth);
  std::uint64_t sum = 0;
  for (int x = 0; x < AWidth; ++x)
    sum += static_cast<std::uint64_t>(Blend(AFirst[x], ASecond[x], ATap));
  return sum;
}

void WriteOcrGreyRow(const std::uint8_t* AFirst, const std::uint8_t* ASecond, const TTwoTap& ATap,
                     const std::uint32_t* AColours, int AWidth, std::uint32_t* ATarget) {
  int done = 0;
  // A phase without a second tap looks its row up as it is.
  if (ATap.W1 == 0) {
    for (int x = 0; x < AWidth; ++x)
      ATarget[x] = AColours[AFirst[x]];
    return;
  }
#if defined(TARVEL_OCR_SSE2)
  if (GKernels.load(std::memory_order_relaxed) != TOcrKernels::Plain)
    done = WriteGreySse2(AFirst, ASecond, ATap, AColours, AWidth, ATarget);
#endif
  WriteGreyPlain(AFirst, ASecond, ATap, AColours, done, AWidth, ATarget);
}

} // namespace tarvel
