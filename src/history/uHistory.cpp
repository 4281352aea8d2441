#include "history/uHistory.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "core/Errors.h"
#include "core/Text.h"

namespace tarvel {

namespace {

constexpr std::size_t PreviewMaxLength = 90;

// Signatures sample about 64 positions per axis whatever the image size, so that a duplicate
// test on a full-screen capture stays cheap.
constexpr int SignatureSamplesPerAxis = 64;

} // namespace

TClipHistory::TClipHistory(int ALimit, IClock& AClock) : FLimit(ALimit > 0 ? ALimit : 1), FClock(AClock) {}

void TClipHistory::AddText(std::u16string AText) {
  if (IsBlank(AText) || !RoomForNewEntry())
    return;
  auto item = std::make_unique<TClipHistoryItem>();
  item->Kind = cikText;
  item->Preview = MakeItemPreview(AText);
  item->Text = std::move(AText);
  AppendItem(std::move(item));
}

void TClipHistory::AddBitmap(const TBitmap32* ABitmap) {
  if (ABitmap == nullptr || ABitmap->Empty())
    return;
  AppendBitmap(CopyTo32BitBitmap(*ABitmap));
}

void TClipHistory::AddBitmap(TBitmap32&& ABitmap) {
  if (ABitmap.Empty())
    return;
  AppendBitmap(std::make_unique<TBitmap32>(std::move(ABitmap)));
}

void TClipHistory::AddBitmap(std::shared_ptr<const TBitmap32> ABitmap) {
  if (!ABitmap || ABitmap->Empty())
    return;
  AppendBitmap(std::move(ABitmap));
}

void TClipHistory::AppendBitmap(std::shared_ptr<const TBitmap32> ABitmap) {
  if (!RoomForNewEntry())
    return;
  // Room first: the oldest images go while the new one would not fit the budget. Pinned
  // images stay, even when that leaves the budget exceeded.
  const std::size_t needed = ABitmap->ByteSize();
  std::size_t held = ImageBytes();
  for (int i = 0; i < Count() && held + needed > FImageBudget;) {
    const TClipHistoryItem& old = *FItems[static_cast<std::size_t>(i)];
    if (old.Kind != cikImage || old.Pinned) {
      ++i;
      continue;
    }
    held -= (old.Bitmap ? old.Bitmap->ByteSize() : 0) + (old.Packed ? old.Packed->PackedSize() : 0);
    RemoveAt(i);
    if (FIndex > i || FIndex >= Count())
      --FIndex;
    ++FImagesDroppedForRoom;
  }
  auto item = std::make_unique<TClipHistoryItem>();
  item->Kind = cikImage;
  item->Preview = Format(u"Image %dx%d", {ABitmap->Width(), ABitmap->Height()});
  item->Signature = MakeBitmapSignature(ABitmap.get());
  item->Bitmap = std::move(ABitmap);
  AppendItem(std::move(item));
}

void TClipHistory::AddFiles(const std::vector<std::u16string>& AFiles) {
  if (AFiles.empty() || !RoomForNewEntry())
    return;
  auto item = std::make_unique<TClipHistoryItem>();
  item->Kind = cikFiles;
  item->Files = AFiles;
  item->Preview = Format(u"%d file(s)", {AFiles.size()});
  item->Signature = MakeFilesSignature(AFiles);
  AppendItem(std::move(item));
}

void TClipHistory::AppendItem(std::unique_ptr<TClipHistoryItem> AItem) {
  AItem->TimeStamp = ToDateTimeValue(FClock.Now());
  AItem->Serial = ++FLastSerial;
  FItems.push_back(std::move(AItem));
  ++FRevision;
  EnforceLimit();
  FIndex = Count() - 1;
  ReleaseUnselectedPixels();
}

void TClipHistory::ReleaseUnselectedPixels() noexcept {
  for (int i = 0; i < Count(); ++i) {
    TClipHistoryItem& item = *FItems[static_cast<std::size_t>(i)];
    if (i != FIndex && item.Packed && item.Bitmap)
      item.Bitmap.reset();
  }
}

std::vector<TClipHistory::TPackJob> TClipHistory::TakePackJobs() {
  std::vector<TPackJob> jobs;
  for (int i = 0; i < Count(); ++i) {
    TClipHistoryItem& item = *FItems[static_cast<std::size_t>(i)];
    if (i != FIndex && item.Kind == cikImage && item.Bitmap && !item.Packed && !item.PackPending) {
      item.PackPending = true;
      jobs.push_back({item.Serial, item.Bitmap});
    }
  }
  return jobs;
}

void TClipHistory::StorePacked(const TPackJob& AJob, std::shared_ptr<const TPackedImage> APacked) {
  for (const std::unique_ptr<TClipHistoryItem>& item : FItems)
    if (item->Serial == AJob.Serial) {
      item->PackPending = false;
      if (APacked && !item->Packed && item->Bitmap == AJob.Bitmap) {
        item->Packed = std::move(APacked);
        ReleaseUnselectedPixels();
      }
      return;
    }
}

std::shared_ptr<const TBitmap32> TClipHistory::Picture(int AIndex) {
  TClipHistoryItem& item = GetItem(AIndex);
  if (item.Kind != cikImage)
    return nullptr;
  if (item.Bitmap)
    return item.Bitmap;
  auto bitmap = std::make_shared<const TBitmap32>(item.Packed->Unpack());
  if (AIndex == FIndex)
    item.Bitmap = bitmap;
  return bitmap;
}

std::size_t TClipHistory::ImageBytes() const noexcept {
  std::size_t total = 0;
  for (const std::unique_ptr<TClipHistoryItem>& item : FItems) {
    if (item->Bitmap)
      total += item->Bitmap->ByteSize();
    if (item->Packed)
      total += item->Packed->PackedSize();
  }
  return total;
}

bool TClipHistory::RoomForNewEntry() {
  if (PinnedCount() < FLimit)
    return true;
  ++FEntriesRefused;
  return false;
}

void TClipHistory::RemoveAt(int AIndex) {
  FItems.erase(FItems.begin() + AIndex);
  ++FRevision;
}

void TClipHistory::EnforceLimit() {
  if (FLimit < 1)
    FLimit = 1;
  // The oldest unpinned entries go. An add always finds enough of them, as it is refused when
  // the pinned ones fill the limit; a lower limit may leave pinned entries beyond it.
  for (int i = 0; i < Count() && Count() > FLimit;) {
    if (FItems[static_cast<std::size_t>(i)]->Pinned)
      ++i;
    else
      RemoveAt(i);
  }
  // FIndex is deliberately not shifted with the dropped entries: the selection keeps its number,
  // so after the limit is lowered it designates a newer entry. Adds overwrite it anyway.
  if (FIndex >= Count())
    FIndex = Count() - 1;
  ReleaseUnselectedPixels();
}

void TClipHistory::SetLimit(int Value) {
  FLimit = Value > 0 ? Value : 1;
  EnforceLimit();
}

int TClipHistory::DeleteAt(int AIndex) {
  if (AIndex < 0 || AIndex >= Count())
    return -1;
  RemoveAt(AIndex);
  if (FItems.empty()) {
    FIndex = -1;
    return -1;
  }
  FIndex = std::min(AIndex > 0 ? AIndex - 1 : 0, Count() - 1);
  ReleaseUnselectedPixels();
  return FIndex;
}

void TClipHistory::SetPinned(int AIndex, bool APinned) {
  GetItem(AIndex).Pinned = APinned;
}

int TClipHistory::PinnedCount() const noexcept {
  return static_cast<int>(std::count_if(FItems.begin(), FItems.end(),
                                        [](const std::unique_ptr<TClipHistoryItem>& AItem) { return AItem->Pinned; }));
}

int TClipHistory::ClearUnpinned() {
  const TClipHistoryItem* selected = Current();
  const std::uint64_t kept = selected && selected->Pinned ? selected->Serial : 0;
  const auto removed =
      std::erase_if(FItems, [](const std::unique_ptr<TClipHistoryItem>& AItem) { return !AItem->Pinned; });
  if (removed > 0)
    ++FRevision;
  FIndex = Count() - 1;
  for (int i = 0; i < Count(); ++i)
    if (FItems[static_cast<std::size_t>(i)]->Serial == kept)
      FIndex = i;
  ReleaseUnselectedPixels();
  return static_cast<int>(removed);
}

TClipHistoryItem* TClipHistory::Current() noexcept {
  return FIndex >= 0 && FIndex < Count() ? FItems[static_cast<std::size_t>(FIndex)].get() : nullptr;
}

const TClipHistoryItem* TClipHistory::Current() const noexcept {
  return FIndex >= 0 && FIndex < Count() ? FItems[static_cast<std::size_t>(FIndex)].get() : nullptr;
}

TClipHistoryItem* TClipHistory::Last() noexcept {
  return FItems.empty() ? nullptr : FItems.back().get();
}

const TClipHistoryItem* TClipHistory::Last() const noexcept {
  return FItems.empty() ? nullptr : FItems.back().get();
}

void TClipHistory::Next() noexcept {
  if (FItems.empty())
    return;
  FIndex = (FIndex + 1) % Count();
  ReleaseUnselectedPixels();
}

void TClipHistory::Prev() noexcept {
  if (FItems.empty())
    return;
  FIndex = FIndex - 1 < 0 ? Count() - 1 : FIndex - 1;
  ReleaseUnselectedPixels();
}

void TClipHistory::Select(int AIndex) noexcept {
  FIndex = FItems.empty() ? -1 : std::clamp(AIndex, 0, Count() - 1);
  ReleaseUnselectedPixels();
}

bool TClipHistory::IsImmediateDuplicateText(std::u16string_view AText) const {
  const TClipHistoryItem* last = Last();
  return last != nullptr && last->Kind == cikText && last->Text == AText;
}

namespace {

// Every pixel's colour; the fourth byte is left out, as the signature leaves it out.
bool SameColours(const TBitmap32& A, const TBitmap32& B) noexcept {
  if (A.Width() != B.Width() || A.Height() != B.Height())
    return false;
  for (int y = 0; y < A.Height(); ++y) {
    const std::uint8_t* a = A.Scanline(y);
    const std::uint8_t* b = B.Scanline(y);
    for (int x = 0; x < A.Width(); ++x, a += 4, b += 4)
      if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2])
        return false;
  }
  return true;
}

} // namespace

bool TClipHistory::IsImmediateDuplicateBitmap(const TBitmap32* ABitmap) const {
  const TClipHistoryItem* last = Last();
  if (last == nullptr || last->Kind != cikImage || last->Signature != MakeBitmapSignature(ABitmap))
    return false;
  // The signature samples the pixels; a changed word or a moved caret between two screen
  // grabs can fall between the samples, and such a capture must not be dropped. A packed
  // entry is unpacked for the comparison only.
  if (!ABitmap)
    return false;
  if (last->Bitmap)
    return SameColours(*last->Bitmap, *ABitmap);
  return last->Packed && SameColours(last->Packed->Unpack(), *ABitmap);
}

bool TClipHistory::IsImmediateDuplicateFiles(const std::vector<std::u16string>& AFiles) const {
  const TClipHistoryItem* last = Last();
  return last != nullptr && last->Kind == cikFiles && last->Signature == MakeFilesSignature(AFiles);
}

TClipHistoryItem& TClipHistory::GetItem(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count())
    throw ERangeError(Format(u"List index out of bounds (%d)", {AIndex}));
  return *FItems[static_cast<std::size_t>(AIndex)];
}

std::u16string MakeItemPreview(std::u16string_view AText) {
  return MakeOneLinePreview(AText, PreviewMaxLength, true);
}

std::u16string MakeFilesSignature(const std::vector<std::u16string>& AFiles) {
  std::size_t length = 0;
  for (const std::u16string& file : AFiles)
    length += file.size() + 1;
  std::u16string r;
  r.reserve(length);
  for (std::size_t i = 0; i < AFiles.size(); ++i) {
    if (i > 0)
      r += u'|';
    r += AFiles[i];
  }
  return r;
}

void MixSignatureValue(std::uint64_t& AHash, std::uint32_t AValue) noexcept {
  AHash = std::rotl(AHash ^ AValue, 5);
}

std::u16string MakeBitmapSignature(const TBitmap32* ABitmap) {
  if (ABitmap == nullptr || ABitmap->Empty())
    return {};
  // TBitmap32 is always 32 bits per pixel, so the conversion of the caller's image that other
  // image types need here is a no-op, and the image stays const.
  const int width = ABitmap->Width();
  const int height = ABitmap->Height();
  std::uint64_t hash = BitmapSignatureSeed;
  MixSignatureValue(hash, static_cast<std::uint32_t>(width));
  MixSignatureValue(hash, static_cast<std::uint32_t>(height));
  const int stepX = std::max(1, width / SignatureSamplesPerAxis);
  const int stepY = std::max(1, height / SignatureSamplesPerAxis);
  for (int y = 0; y < height; y += stepY)
    for (int x = 0; x < width; x += stepX)
      MixSignatureValue(hash, ABitmap->Pixel(x, y) & 0x00FFFFFFu);
  return Format(u"%d:%d:%s", {width, height, UIntToStr(hash)});
}

std::unique_ptr<TBitmap32> CopyTo32BitBitmap(const TBitmap32& ABitmap) {
  // Drawing the source unscaled at (0, 0) onto a new image of its size copies every byte, so a
  // plain copy is the same thing in one step.
  return std::make_unique<TBitmap32>(ABitmap);
}

} // namespace tarvel
