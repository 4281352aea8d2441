#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Bitmap32.h"
#include "core/DateTime.h"
#include "core/ImagePack.h"

namespace tarvel {

// What the history's images may take at most (TClipHistory::SetImageBudget).
inline constexpr std::size_t DefaultHistoryImageBudget = std::size_t{768} << 20;

enum TClipItemKind : std::uint8_t { cikText = 0, cikImage = 1, cikFiles = 2 };

// One entry of the history. Only the add operations of TClipHistory fill it; the fields that do
// not belong to Kind stay empty (Bitmap is null unless Kind is cikImage).
class TClipHistoryItem {
public:
  TClipItemKind Kind = cikText;
  // Days since 1899-12-30, time of day as the fraction, local time.
  double TimeStamp = 0.0;
  std::u16string Text;
  // An image entry's pixels: there until the entry is packed, and again while it is the
  // selected one (TClipHistory::Picture). Never changed, so that the browser can show them
  // without a copy; whoever still shows them keeps them alive.
  std::shared_ptr<const TBitmap32> Bitmap;
  // Its compressed copy, once packed. An image entry always has this or Bitmap or both.
  std::shared_ptr<const TPackedImage> Packed;
  std::vector<std::u16string> Files;
  std::u16string Preview;
  // What the duplicate tests compare for images and files: the image hash or the joined
  // paths. A text entry is compared by its Text, which is not held a second time here.
  std::u16string Signature;
  // Tells this entry from every other the history has had, for work done elsewhere meanwhile.
  std::uint64_t Serial = 0;
  // A compressed copy is being made.
  bool PackPending = false;
  // Kept when the history is full or cleared (TClipHistory::SetPinned); only deleting it one
  // by one removes it.
  bool Pinned = false;
};

// The bounded list of clipboard entries, oldest first, with a selected entry. Pure logic: it
// never touches the clipboard or the screen and logs nothing.
// After every public operation 0 <= Count() <= Limit(), and Index() is -1 exactly when empty.
// Pinned entries are the one exception to the bound: they are never dropped to make room, so
// a limit lowered below their number leaves them all in place.
class TClipHistory {
public:
  // A limit below 1 becomes 1. The clock stamps the entries and must outlive the history.
  TClipHistory(int ALimit, IClock& AClock);
  TClipHistory(const TClipHistory&) = delete;
  TClipHistory& operator=(const TClipHistory&) = delete;

  // Each add appends the newest entry and selects it; none of them tests for duplicates
  // (callers ask IsImmediateDuplicate* first). Empty input adds nothing: a text made only of
  // blanks and control characters, a missing or empty image, an empty file list. A full
  // history drops its oldest unpinned entry; one whose every place is pinned refuses the
  // new entry instead and changes nothing (TakeEntriesRefused counts these).
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

  // Pins or unpins entry AIndex; raises ERangeError for an invalid index. Unpinning drops
  // nothing, also when the history holds more than its limit: the next add makes room.
  void SetPinned(int AIndex, bool APinned);
  int PinnedCount() const noexcept;
  // Removes every entry that is not pinned and returns how many went. A pinned selected entry
  // stays selected; otherwise the newest entry left is.
  int ClearUnpinned();
  // How many adds were refused because every place was pinned, since last asked.
  int TakeEntriesRefused() noexcept { return std::exchange(FEntriesRefused, 0); }
  // Changes whenever an entry comes or goes, so that what was worked out from the entries
  // (the matches of a search) can be kept until then. Selecting, pinning and packing leave
  // it as it is.
  std::uint64_t Revision() const noexcept { return FRevision; }

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

  // Images are kept compressed, apart from the selected one's. The caller makes the
  // compressed copies, off the main thread: TakePackJobs hands out the images that need one
  // (and marks them as on their way), StorePacked takes each copy back, or null when it
  // could not be made.
  struct TPackJob {
    std::uint64_t Serial = 0;
    std::shared_ptr<const TBitmap32> Bitmap;
  };
  std::vector<TPackJob> TakePackJobs();
  void StorePacked(const TPackJob& AJob, std::shared_ptr<const TPackedImage> APacked);
  // The pixels of entry AIndex, unpacked if need be (the selected entry keeps them until the
  // selection moves); null for other kinds. Raises ERangeError for an invalid index, and what
  // unpacking raises: EImageError for damaged data, std::bad_alloc.
  std::shared_ptr<const TBitmap32> Picture(int AIndex);
  // The bytes the entries' images take: pixels held and compressed copies.
  std::size_t ImageBytes() const noexcept;
  // The most bytes the images may take, so that they always fit the address space of a
  // 32-bit process with room to spare (the x64 program keeps the same bound: it is also what
  // a clipboard history may fairly cost in memory): an image added beyond it drops the oldest
  // images first (never the one added, nor a pinned one). TakeImagesDroppedForRoom tells how many were dropped since
  // it was last asked.
  void SetImageBudget(std::size_t ABytes) noexcept { FImageBudget = ABytes; }
  int TakeImagesDroppedForRoom() noexcept { return std::exchange(FImagesDroppedForRoom, 0); }

  // Raises ERangeError for an index outside 0..Count()-1.
  TClipHistoryItem& Items(int AIndex) { return GetItem(AIndex); }
  const TClipHistoryItem& Items(int AIndex) const { return GetItem(AIndex); }
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  int Index() const noexcept { return FIndex; }
  int Limit() const noexcept { return FLimit; }
  // A value below 1 becomes 1. Drops the oldest unpinned entries beyond the limit; the
  // selection keeps its number, clamped to the last entry.
  void SetLimit(int Value);

private:
  std::vector<std::unique_ptr<TClipHistoryItem>> FItems;
  int FIndex = -1;
  int FLimit = 1;
  std::uint64_t FLastSerial = 0;
  std::size_t FImageBudget = DefaultHistoryImageBudget;
  int FImagesDroppedForRoom = 0;
  int FEntriesRefused = 0;
  std::uint64_t FRevision = 0;
  IClock& FClock;

  TClipHistoryItem& GetItem(int AIndex) const;
  void AppendItem(std::unique_ptr<TClipHistoryItem> AItem);
  void AppendBitmap(std::shared_ptr<const TBitmap32> ABitmap);
  void EnforceLimit();
  // False, with the refusal counted, when every place the limit allows is pinned.
  bool RoomForNewEntry();
  void RemoveAt(int AIndex);
  // Lets go of the pixels of every packed entry but the selected one.
  void ReleaseUnselectedPixels() noexcept;
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
