#include "app/HistoryBrowser.h"

#include <algorithm>

#include "app/ClipboardExchange.h"
#include "core/Errors.h"
#include "core/FlagScope.h"
#include "core/Text.h"
#include "history/BrowserPreview.h"

namespace tarvel {

namespace {

std::u16string Entries(int ACount) {
  return ACount == 1 ? u"1 entry" : Format(u"%d entries", {ACount});
}

} // namespace

std::u16string ClearHistoryQuestion(int AEntries, int APinned) {
  const std::u16string pinned = APinned == 0   ? u"Pinned entries stay in the history."
                                : APinned == 1 ? u"The pinned entry stays in the history."
                                               : Format(u"The %d pinned entries stay in the history.", {APinned});
  return u"Are you sure you want to clear the clipboard history?\r\n\r\n" + Entries(AEntries) + u" will be removed. " +
         pinned + u"\r\nWhat is on the clipboard now stays there.";
}

THistoryBrowser::THistoryBrowser(THistoryBrowserServices AServices, THistoryBrowserControls AControls,
                                 IHistoryBrowserHost& AHost)
    : FServices(AServices), FControls(AControls), FHost(AHost) {
  if (TPopupMenu* menu = FControls.PreviewMenu) {
    menu->Items = {{PinCaption, -1, [this] { TogglePinned(); }},
                   {u"Delete", -1, [this] { DeleteCurrentHistoryEntry(); }}};
    menu->OnPopup = [this] {
      const TClipHistoryItem* shown = ShownEntry();
      std::vector<TMenuItem>& items = FControls.PreviewMenu->Items;
      items[0].Caption = shown && shown->Pinned ? UnpinCaption : PinCaption;
      items[0].Enabled = items[1].Enabled = shown != nullptr;
    };
  }
}

bool THistoryBrowser::Empty() {
  const TClipHistory* history = FHost.History();
  return !history || history->Count() == 0;
}

// The history keeps its images compressed, all but the selected one; the compressed copies
// are made here, on the workers, from pixels nobody changes, and handed back to the main
// thread. Capturing never waits for them.
void THistoryBrowser::PackHistoryImages() {
  TClipHistory* history = FHost.History();
  if (!history)
    return;
  IDispatcher& dispatcher = FServices.Dispatcher;
  for (TClipHistory::TPackJob& job : history->TakePackJobs())
    dispatcher.RunInBackground([this, &dispatcher, job = std::move(job)]() mutable {
      std::shared_ptr<const TPackedImage> packed;
      try {
        packed = std::make_shared<const TPackedImage>(TPackedImage::Pack(*job.Bitmap));
      } catch (const std::exception&) {
        // Kept as it is: unpacked, and tried again with the next change of the history.
      }
      dispatcher.Post([this, job = std::move(job), packed = std::move(packed)] {
        if (TClipHistory* current = FHost.History())
          current->StorePacked(job, packed);
      });
    });
}

// Shows the selected image; with a line in the log and an empty picture when it cannot be
// unpacked or shown, so that the entry and the counter stay as they are.
void THistoryBrowser::ShowCurrentPicture(TClipHistory& AHistory) {
  if (!LogFailure([&] { FControls.Picture.SetPicture(AHistory.Picture(AHistory.Index())); },
                  [this](const std::u16string& ALine) { FServices.Log.AddLogLine(ALine); },
                  u"History image cannot be shown: "))
    FControls.Picture.ClearPicture();
}

void THistoryBrowser::UpdateHistoryControls() {
  PackHistoryImages();
  TClipHistory* history = FHost.History();
  if (history && history->TakeEntriesRefused() > 0)
    FServices.Log.AddLogLine(u"History full of pinned entries: new entry not kept");
  const TClipHistoryItem* selected = history ? history->Current() : nullptr;
  const std::uint64_t serial = selected ? selected->Serial : 0;
  if (history && Finding()) {
    UpdateMatches(*history);
    // Something else moved the selection (a capture, a merge, a smaller history): there is
    // nothing to go back to, and a selection the search hides ends the search.
    if (serial != FSelectedSerial) {
      FRestoreSerial = 0;
      if (selected && !IsMatch(history->Index()))
        EndFind();
    }
  }
  FSelectedSerial = serial;
  const TClipHistoryItem* item = ShownEntry();
  SyncHistoryNavigation();
  UpdateEntryTools(item);
  TImage& picture = FControls.Picture;
  TMemo& text = FControls.Text;
  if (!item) {
    text.SetVisible(true);
    picture.SetVisible(false);
    text.Clear();
    FControls.Status.SetCaption(Finding()
                                    ? Format(u"0 / 0 of %d  No matching entries", {history ? history->Count() : 0})
                                    : std::u16string(u"0 / 0"));
    return;
  }
  switch (item->Kind) {
  case cikText:
    picture.SetVisible(false);
    picture.ClearPicture();
    text.SetVisible(true);
    text.SetText(MakeMemoPreviewText(item->Text));
    break;
  case cikImage:
    text.SetVisible(false);
    ShowCurrentPicture(*history);
    picture.SetVisible(true);
    break;
  case cikFiles:
    picture.SetVisible(false);
    picture.ClearPicture();
    text.SetVisible(true);
    text.SetLines(MakeMemoPreviewLines(item->Files));
    break;
  }
  const std::u16string position =
      Finding() ? Format(u"%d / %d of %d", {PositionOf(history->Index()), PositionCount(), history->Count()})
                : Format(u"%d / %d", {history->Index() + 1, history->Count()});
  FControls.Status.SetCaption(Format(
      u"%s  %s  %s%s",
      {position, FormatDateTime(LogTimePattern, FromDateTimeValue(item->TimeStamp), FServices.Clock.TimeSeparator()),
       item->Pinned ? u"Pinned \u00B7 " : u"", item->Preview}));
}

void THistoryBrowser::SyncHistoryNavigation() {
  const int count = PositionCount();
  const bool none = count == 0;
  const TFlagScope updating(FUpdatingHistoryControls);
  const TClipHistory* history = FHost.History();
  const int position = none ? 0 : std::max(PositionOf(history->Index()), 1);
  const int minimum = none ? 0 : 1;
  FControls.Slider.SetRange(minimum, count);
  FControls.Slider.SetPosition(position);
  FControls.Slider.SetEnabled(!none);
  FControls.DeleteEntry.SetEnabled(!none);
  FControls.Page.SetRange(minimum, count);
  FControls.Page.SetValue(position);
  FControls.Page.SetEnabled(!none);
}

void THistoryBrowser::UpdateEntryTools(const TClipHistoryItem* AShown) {
  if (TButton* pin = FControls.Pin) {
    pin->SetEnabled(AShown != nullptr);
    pin->SetCaption(AShown && AShown->Pinned ? UnpinCaption : PinCaption);
  }
  if (TButton* clear = FControls.ClearHistory)
    clear->SetEnabled(ClearableCount() > 0);
}

const TClipHistoryItem* THistoryBrowser::ShownEntry() {
  TClipHistory* history = FHost.History();
  const TClipHistoryItem* item = history ? history->Current() : nullptr;
  return item && (!Finding() || IsMatch(history->Index())) ? item : nullptr;
}

int THistoryBrowser::PositionCount() {
  if (Finding())
    return static_cast<int>(FMatches.size());
  return Empty() ? 0 : FHost.History()->Count();
}

int THistoryBrowser::EntryAtPosition(int APosition) {
  return Finding() ? FMatches[static_cast<std::size_t>(APosition - 1)] : APosition - 1;
}

// 1-based; 0 for an entry the search hides.
int THistoryBrowser::PositionOf(int AIndex) {
  if (!Finding())
    return AIndex + 1;
  const auto match = std::lower_bound(FMatches.begin(), FMatches.end(), AIndex);
  return match != FMatches.end() && *match == AIndex ? static_cast<int>(match - FMatches.begin()) + 1 : 0;
}

bool THistoryBrowser::IsMatch(int AIndex) const {
  return std::binary_search(FMatches.begin(), FMatches.end(), AIndex);
}

void THistoryBrowser::UpdateMatches(const TClipHistory& AHistory) {
  if (!FFind) {
    FMatches.clear();
    FMatchedText.reset();
    return;
  }
  const bool sameEntries = FMatchedText && FMatchedRevision == AHistory.Revision();
  if (sameEntries && *FMatchedText == FFind->Folded())
    return;
  // A longer text is looked for among what the shorter one found only: typing a word costs
  // little more than its first letter.
  FMatches = sameEntries && FFind->Narrows(TFindText(*FMatchedText)) ? FindHistoryEntries(AHistory, *FFind, FMatches)
                                                                     : FindHistoryEntries(AHistory, *FFind);
  FMatchedText = FFind->Folded();
  FMatchedRevision = AHistory.Revision();
}

void THistoryBrowser::SelectEntry(TClipHistory& AHistory, int AIndex) {
  AHistory.Select(AIndex);
  const TClipHistoryItem* item = AHistory.Current();
  FSelectedSerial = item ? item->Serial : 0;
}

void THistoryBrowser::EndFind() {
  FFind.reset();
  FMatches.clear();
  FMatchedText.reset();
  FRestoreSerial = 0;
  if (FControls.Find) {
    const TFlagScope updating(FUpdatingFind);
    FControls.Find->SetText({});
  }
}

void THistoryBrowser::FindChange() {
  if (FUpdatingFind || !FControls.Find)
    return;
  const std::u16string& text = FControls.Find->Text();
  TClipHistory* history = FHost.History();
  if (text.empty()) {
    FFind.reset();
    FMatches.clear();
    FMatchedText.reset();
    // Back to the entry the search moved away from, if nothing else was chosen since.
    if (history && FRestoreSerial != 0)
      for (int i = 0; i < history->Count(); ++i)
        if (history->Items(i).Serial == FRestoreSerial)
          SelectEntry(*history, i);
    FRestoreSerial = 0;
  } else {
    FFind.emplace(text);
    if (history) {
      UpdateMatches(*history);
      const TClipHistoryItem* selected = history->Current();
      if (selected && !FMatches.empty() && !IsMatch(history->Index())) {
        if (FRestoreSerial == 0)
          FRestoreSerial = selected->Serial;
        SelectEntry(*history, FMatches.back());
      }
    }
  }
  UpdateHistoryControls();
}

void THistoryBrowser::FindCommit() {
  if (!ShownEntry())
    return;
  FRestoreSerial = 0;
  FHost.PublishCurrentHistoryItem();
}

bool THistoryBrowser::CancelFind() {
  return FControls.Find && FControls.Find->UserCancel();
}

void THistoryBrowser::TogglePinned() {
  const TClipHistoryItem* item = ShownEntry();
  if (!item)
    return;
  TClipHistory& history = *FHost.History();
  const bool pinned = !item->Pinned;
  history.SetPinned(history.Index(), pinned);
  UpdateHistoryControls();
  FServices.Log.AddLogLine((pinned ? u"History entry pinned: " : u"History entry unpinned: ") +
                           MakePreviewText(item->Preview, 80));
}

int THistoryBrowser::ClearableCount() {
  const TClipHistory* history = FHost.History();
  return history ? history->Count() - history->PinnedCount() : 0;
}

void THistoryBrowser::ClearHistory() {
  TClipHistory* history = FHost.History();
  if (!history)
    return;
  const int removed = history->ClearUnpinned();
  if (removed == 0)
    return;
  EndFind();
  UpdateHistoryControls();
  const int kept = history->Count();
  std::u16string line = u"History cleared: " + Entries(removed) + u" removed";
  if (kept > 0)
    line += kept == 1 ? std::u16string(u", 1 pinned entry kept") : Format(u", %d pinned entries kept", {kept});
  FServices.Log.AddLogLine(line);
  FServices.Log.ShowNotification(u"History cleared");
}

void THistoryBrowser::SelectHistoryIndex(int AIndex, bool APublish) {
  if (Empty()) {
    UpdateHistoryControls();
    return;
  }
  // The user chose: an emptied search field no longer goes back.
  FRestoreSerial = 0;
  SelectEntry(*FHost.History(), AIndex);
  UpdateHistoryControls();
  if (APublish)
    FHost.PublishCurrentHistoryItem();
}

void THistoryBrowser::spnClipboardPageChange() {
  if (FUpdatingHistoryControls)
    return;
  if (PositionCount() == 0) {
    SyncHistoryNavigation();
    return;
  }
  TSpinEdit& page = FControls.Page;
  const int value = std::clamp(page.Value(), 1, PositionCount());
  if (value != page.Value()) {
    const TFlagScope updating(FUpdatingHistoryControls);
    page.SetValue(value);
  }
  SelectHistoryIndex(EntryAtPosition(value), true);
}

void THistoryBrowser::trkSliderChange() {
  if (FUpdatingHistoryControls)
    return;
  if (PositionCount() == 0) {
    SyncHistoryNavigation();
    return;
  }
  SelectHistoryIndex(EntryAtPosition(std::clamp(FControls.Slider.Position(), 1, PositionCount())), false);
  // A drag publishes once, where it ends; the keyboard publishes at once.
  if (!FServices.Window.IsLeftButtonDown()) {
    FHost.PublishCurrentHistoryItem();
  } else {
    FSliderDragging = true;
    FSliderReleaseTimer.SetEnabled(true);
  }
}

void THistoryBrowser::SliderReleaseTimerTimer() {
  if (FServices.Window.IsLeftButtonDown())
    return;
  FSliderReleaseTimer.SetEnabled(false);
  if (FSliderDragging && !Empty()) {
    FSliderDragging = false;
    FHost.PublishCurrentHistoryItem();
  }
}

void THistoryBrowser::DeleteCurrentHistoryEntry() {
  if (!ShownEntry())
    return;
  TClipHistory& history = *FHost.History();
  const int deleted = history.Index();
  const int selected = history.DeleteAt(deleted);
  FRestoreSerial = 0;
  if (Finding()) {
    // The match before the deleted one is selected, or the new first match; with none left
    // the search ends on the entry before.
    UpdateMatches(history);
    if (FMatches.empty() || selected < 0) {
      EndFind();
    } else if (!IsMatch(selected)) {
      const auto after = std::lower_bound(FMatches.begin(), FMatches.end(), deleted);
      SelectEntry(history, after != FMatches.begin() ? *(after - 1) : FMatches.front());
    }
  }
  FSelectedSerial = history.Current() ? history.Current()->Serial : 0;
  // The card follows the history at once, also when the clipboard write below fails.
  UpdateHistoryControls();
  if (selected < 0) {
    FHost.ClearClipboardAsOwnWrite();
    FServices.Log.AddLogLine(u"History entry deleted");
  } else {
    FHost.PublishCurrentHistoryItem();
    FServices.Log.AddLogLine(
        Format(u"History entry deleted, new selection: %d / %d", {history.Index() + 1, history.Count()}));
  }
  FServices.Log.ShowNotification(u"History entry deleted");
}

void THistoryBrowser::NavigateHistory(bool ABack) {
  TClipHistory* history = FHost.History();
  FRestoreSerial = 0;
  if (history && Finding()) {
    // Round the matches only; with none there is nothing to put back.
    UpdateMatches(*history);
    const int count = static_cast<int>(FMatches.size());
    if (count == 0) {
      UpdateHistoryControls();
      return;
    }
    const int at = PositionOf(history->Index()) - 1;
    const int next = ABack ? (at <= 0 ? count - 1 : at - 1) : (at + 1) % count;
    SelectEntry(*history, FMatches[static_cast<std::size_t>(next)]);
  } else if (history) {
    if (ABack)
      history->Prev();
    else
      history->Next();
  }
  UpdateHistoryControls();
  FHost.PublishCurrentHistoryItem();
}

} // namespace tarvel
