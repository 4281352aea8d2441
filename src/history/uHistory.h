#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Bitmap32.h"
#include "core/DateTime.h"

namespace tarvel {

enum TClipItemKind : std::uint8_t { cikText = 0, cikImage = 1, cikFiles = 2 };

// One entry of the history. Only the add operations of TClipHistory fill it; the fields that do
// not belong to Kind stay empty (Bitmap is null unless Kind is cikImage).
class TClipHistoryItem {
public:
  TClipItemKind Kind = cikText;
  // Days since 1899-12-30, time of day as the fraction, local time.
  double TimeStamp = 0.0;
  std::u16string Text;
  // Never changed once the entry exists, so that the browser can show it without a copy.
  std::shared_ptr<const TBitmap32> Bitmap;
  std::vector<std::u16string> Files;
  std::u16string Preview;
  // What the duplicate tests compare: the text itself, the joined paths or the image hash.
  std::u16string Signature;
};

// The bounded list of clipboard entries, oldest first, with a selected entry. Pure logic: it
// never touches the clipboard or the screen and logs nothing.
// After every public operation 0 <= Count() <= Limit(), and Index() is -1 exactly when empty.
class TClipHistory {
public:
  // A limit below 1 becomes 1. The clock stamps the entries and must outlive the history.
  TClipHistory(int ALimit, IClock& AClock);
  TClipHistory(const TClipHistory&) = delete;
  TClipHistory& operator=(const TClipHistory&) = delete;

  // Each add appends the newest entry and selects it; none of them tests for duplicates
  // (callers ask IsImmediateDuplicate* first). Empty input adds nothing: a text made only of
  // blanks and control characters, a missing or empty image, an empty file list.
  void AddText(std::u16string AText);
  // The history keeps its own copy; the caller keeps its image.
  void AddBitmap(const TBitmap32* ABitmap);
  // Takes the pixels over without copying them; an empty image is left as it is.
  void AddBitmap(TBitmap32&& ABitmap);
  // Shares an image nobody changes any more (a capture that is on the clipboard too).
  void AddBitmap(std::shared_ptr<const TBitmap32> ABitmap);
  void AddFiles(const std::vector<std::u16string>& AFiles);

  // Removes the entry and selects the one before it (or the new first one). Returns the new
  // index, or -1 when the history is now empty or AIndex is invalid (then nothing changes).
  int DeleteAt(int AIndex);

  // The selected entry, or null when the history is empty.
  TClipHistoryItem* Current() noexcept;
  const TClipHistoryItem* Current() const noexcept;
  // The newest entry, or null when the history is empty.
  TClipHistoryItem* Last() noexcept;
  const TClipHistoryItem* Last() const noexcept;

  // Move the selection, wrapping at both ends; nothing happens on an empty history.
  void Next() noexcept;
  void Prev() noexcept;
  // Clamps AIndex to the entries.
  void Select(int AIndex) noexcept;

  // Compare with the newest entry only, never the selected one or anything older. Texts are
  // compared code unit by code unit.
  bool IsImmediateDuplicateText(std::u16string_view AText) const;
  bool IsImmediateDuplicateBitmap(const TBitmap32* ABitmap) const;
  bool IsImmediateDuplicateFiles(const std::vector<std::u16string>& AFiles) const;

  // Raises ERangeError for an index outside 0..Count()-1.
  TClipHistoryItem& Items(int AIndex) { return GetItem(AIndex); }
  const TClipHistoryItem& Items(int AIndex) const { return GetItem(AIndex); }
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  int Index() const noexcept { return FIndex; }
  int Limit() const noexcept { return FLimit; }
  // A value below 1 becomes 1. Drops the oldest entries beyond the limit; the selection keeps
  // its number, clamped to the last entry.
  void SetLimit(int Value);

private:
  std::vector<std::unique_ptr<TClipHistoryItem>> FItems;
  int FIndex = -1;
  int FLimit = 1;
  IClock& FClock;

  TClipHistoryItem& GetItem(int AIndex) const;
  void AppendItem(std::unique_ptr<TClipHistoryItem> AItem);
  void AppendBitmap(std::shared_ptr<const TBitmap32> ABitmap);
  void EnforceLimit();
};

// The one-line description of a text entry: trimmed, line breaks and tabs turned into single
// spaces, runs of spaces collapsed, and cut to 87 code units plus "..." beyond 90.
std::u16string MakeItemPreview(std::u16string_view AText);

// The paths joined with "|" in order; empty for no paths.
std::u16string MakeFilesSignature(const std::vector<std::u16string>& AFiles);

// "width:height:hash", the hash taken over at most 127 x 127 evenly spaced pixels (every pixel
// of a side shorter than 128), their fourth byte ignored; empty for a missing or empty image.
// Equal signatures mean the same size and the same colours at the sampled pixels only.
std::u16string MakeBitmapSignature(const TBitmap32* ABitmap);

// The entry's private copy of a captured image.
std::unique_ptr<TBitmap32> CopyTo32BitBitmap(const TBitmap32& ABitmap);

inline constexpr std::uint64_t BitmapSignatureSeed = 0x14650FB0'739D0383ULL;

// One step of the image hash: xor the value into the low half, then rotate left by 5 bits.
void MixSignatureValue(std::uint64_t& AHash, std::uint32_t AValue) noexcept;

} // namespace tarvel
