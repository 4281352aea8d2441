#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Bitmap32.h"
#include "ocr/OcrLayout.h"
#include "ocr/OcrRuntime.h"
#include "ocr/OcrStrips.h"
#include "ocr/WinRTAccess.h"

namespace tarvel {

// Text recognition with the operating system's OCR engine, and the list of its installed
// languages. Nothing is kept between calls; every step writes to the diagnostic log.

inline constexpr std::uint64_t OcrRecognizeTimeoutMs = 30000;
inline constexpr std::uint32_t OcrPollIntervalMs = 10;
inline constexpr std::size_t OcrLogSnippetLength = 160;

struct TOcrLanguageInfo {
  std::u16string Tag;
  std::u16string DisplayName;
  friend bool operator==(const TOcrLanguageInfo&, const TOcrLanguageInfo&) = default;
};

// What one recognition found, read once: the engine's lines with their words' rectangles,
// the text angle (nothing: none found; not a number: it could not be read) and the result's
// own text. Listed is false when the result had no lines to read; then only Raw counts.
struct TOcrReading {
  std::vector<TOcrTextLine> Lines;
  std::optional<double> TextAngle;
  std::u16string Raw;
  bool Listed = false;
};

// The text in ABitmap, recognized with the engine for ATag (empty: the profile's languages),
// prepared first when APreprocess is set, and laid out as ALayout asks. Empty when there is
// no runtime, no image, no engine or no text; a failing runtime call is logged and raised
// after the cleanup. Runs on a worker thread: it blocks for the whole recognition.
std::u16string RecognizeBitmap(const TOcrContext& AContext, const TBitmap32* ABitmap, const std::u16string& ATag,
                               bool APreprocess, TOcrTextLayout ALayout = TOcrTextLayout::Lines);
// An engine limit below this is not believed: the image is handed over whole.
inline constexpr std::uint32_t OcrMinBelievedDimension = 256;

// The text of an image larger than the engine takes, recognized strip by strip (AStrips, as
// PlanOcrStrips cuts them) with one engine and joined in reading order, then laid out as
// ALayout asks.
std::u16string RecognizeStrips(const TOcrContext& AContext, const TBitmap32& AImage,
                               const std::vector<TOcrStrip>& AStrips, const std::u16string& ATag,
                               TOcrTextLayout ALayout);
// The image as a SoftwareBitmap (Bgra8, alpha ignored); nothing when it is absent or empty
// or the runtime made none.
std::unique_ptr<ISoftwareBitmap> BitmapToSoftwareBitmap(const TOcrContext& AContext, const TBitmap32* ABitmap);
// A runtime buffer holding a copy of ABytes; nothing when the writer gave none.
std::unique_ptr<IRuntimeBuffer> BytesToBuffer(const TOcrContext& AContext, const std::vector<std::uint8_t>& ABytes);

// The engine for ATag, else the engine of the user's profile languages, else nothing. An
// empty (or blank) tag goes straight to the profile's engine.
std::unique_ptr<IOcrEngine> CreateOcrEngine(const TOcrContext& AContext, const std::u16string& ATag);
// Waits for a recognition, polling every 10 ms; one still running after 30 s is cancelled.
// The result when it completed, else nothing; a cancelled or failed one raises nothing.
std::unique_ptr<IOcrResult> WaitForRecognition(const TOcrContext& AContext, IOcrOperation* AOperation);
// The lines of a result joined by CR LF, each line's words joined by blanks (none for
// Chinese, Japanese and Korean, none before closing punctuation); empty lines dropped. With a
// layout other than Lines, the lines are laid out from their words' rectangles instead.
std::u16string AssembleOcrText(const TOcrContext& AContext, IOcrResult* AResult, std::u16string_view ATag,
                               TOcrTextLayout ALayout = TOcrTextLayout::Lines);
// Reads a result once, writing a line for it and one for each of its lines; nothing when
// there is no result. A word whose rectangle cannot be read has none; an angle that cannot
// be read is not a number.
std::optional<TOcrReading> ReadOcrResult(const TOcrContext& AContext, IOcrResult* AResult, bool AUseBlanks);
// A reading's text as ALayout lays it out, else the result's own text, trimmed; writes the
// final line (and, for a layout other than Lines, what the layout did).
std::u16string FinishOcrText(const TOcrContext& AContext, const TOcrReading& AReading, bool AUseBlanks,
                             TOcrTextLayout ALayout);
// The installed recognizer languages; empty on any failure, which is logged, not raised.
std::vector<TOcrLanguageInfo> AvailableLanguages(const TOcrContext& AContext);

// The tag's primary subtag is zh, ja or ko, in any case.
bool IsCjkLanguage(std::u16string_view ATag);
// False for the empty word and for a word that is one closing punctuation character.
bool NeedsSpaceBefore(std::u16string_view AWord);

} // namespace tarvel
