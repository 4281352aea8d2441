#include "app/HistoryBrowser.h"

#include <algorithm>

#include "core/Errors.h"
#include "core/FlagScope.h"
#include "core/Text.h"
#include "history/BrowserPreview.h"

namespace tarvel {

THistoryBrowser::THistoryBrowser(THistoryBrowserServices AServices, THistoryBrowserControls AControls,
                                 IHistoryBrowserHost& AHost)
    : FServices(AServices), FControls(AControls), FHost(AHost) {}

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
  const TClipHistoryItem* item = history ? history->Current() : nullptr;
  SyncHistoryNavigation();
  TImage& picture = FControls.Picture;
  TMemo& text = FControls.Text;
  if (!item) {
    text.SetVisible(true);
    picture.SetVisible(false);
    text.Clear();
    FControls.Status.SetCaption(u"0 / 0");
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
  FControls.Status.SetCaption(
      Format(u"%d / %d  %s  %s",
             {history->Index() + 1, history->Count(),
              FormatDateTime(LogTimePattern, FromDateTimeValue(item->TimeStamp), FServices.Clock.TimeSeparator()),
              item->Preview}));
}

void THistoryBrowser::SyncHistoryNavigation() {
  const bool empty = Empty();
  {
    const TFlagScope updating(FUpdatingHistoryControls);
    const TClipHistory* history = FHost.History();
    const int count = empty ? 0 : history->Count();
    const int position = empty ? 0 : history->Index() + 1;
    const int minimum = empty ? 0 : 1;
    FControls.Slider.SetRange(minimum, count);
    FControls.Slider.SetPosition(position);
    FControls.Slider.SetEnabled(!empty);
    FControls.DeleteEntry.SetEnabled(!empty);
    FControls.Page.SetRange(minimum, count);
    FControls.Page.SetValue(position);
    FControls.Page.SetEnabled(!empty);
  }
  if (!empty)
    AdjustSliderWidth();
}

void THistoryBrowser::SelectHistoryIndex(int AIndex, bool APublish) {
  if (Empty()) {
    UpdateHistoryControls();
    return;
  }
  FHost.History()->Select(AIndex);
  UpdateHistoryControls();
  if (APublish)
    FHost.PublishCurrentHistoryItem();
}

void THistoryBrowser::spnClipboardPageChange() {
  if (FUpdatingHistoryControls)
    return;
  if (Empty()) {
    SyncHistoryNavigation();
    return;
  }
  TSpinEdit& page = FControls.Page;
  const int value = std::clamp(page.Value(), 1, FHost.History()->Count());
  if (value != page.Value()) {
    const TFlagScope updating(FUpdatingHistoryControls);
    page.SetValue(value);
  }
  SelectHistoryIndex(value - 1, true);
}

void THistoryBrowser::trkSliderChange() {
  if (FUpdatingHistoryControls)
    return;
  if (Empty()) {
    SyncHistoryNavigation();
    return;
  }
  SelectHistoryIndex(std::clamp(FControls.Slider.Position(), 1, FHost.History()->Count()) - 1, false);
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
  if (Empty())
    return;
  TClipHistory& history = *FHost.History();
  const int selected = history.DeleteAt(history.Index());
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
  if (TClipHistory* history = FHost.History()) {
    if (ABack)
      history->Prev();
    else
      history->Next();
  }
  UpdateHistoryControls();
  FHost.PublishCurrentHistoryItem();
}

void THistoryBrowser::AdjustSliderWidth() {
  const int width = FServices.Window.SliderRowClientWidth() - FServices.Window.PageEditRight() - 12;
  FControls.Slider.SetWidth(std::max(width, 80));
}

} // namespace tarvel
