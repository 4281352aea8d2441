// TMainForm: the clipboard card, which shows the history's selected entry and moves and
// deletes it.
#include "app/uMain.h"

#include <algorithm>

#include "core/Errors.h"
#include "core/FlagScope.h"
#include "core/Text.h"

namespace tarvel {

// The history keeps its images compressed, all but the selected one; the compressed copies
// are made here, on the workers, from pixels nobody changes, and handed back to the main
// thread. Capturing never waits for them.
void TMainForm::PackHistoryImages() {
  if (!FHistory)
    return;
  IDispatcher& dispatcher = FServices.Dispatcher;
  for (TClipHistory::TPackJob& job : FHistory->TakePackJobs())
    dispatcher.RunInBackground([this, &dispatcher, job = std::move(job)]() mutable {
      std::shared_ptr<const TPackedImage> packed;
      try {
        packed = std::make_shared<const TPackedImage>(TPackedImage::Pack(*job.Bitmap));
      } catch (const std::exception&) {
        // Kept as it is: unpacked, and tried again with the next change of the history.
      }
      dispatcher.Post([this, job = std::move(job), packed = std::move(packed)] {
        if (FHistory)
          FHistory->StorePacked(job, packed);
      });
    });
}

// Shows the selected image; with a line in the log and an empty picture when it cannot be
// unpacked or shown, so that the entry and the counter stay as they are.
void TMainForm::ShowCurrentPicture() {
  if (!LogFailure([&] { Image1.SetPicture(FHistory->Picture(FHistory->Index())); },
                  [this](const std::u16string& ALine) { AddLogLine(ALine); }, u"History image cannot be shown: "))
    Image1.ClearPicture();
}

void TMainForm::ReportImagesDroppedForRoom() {
  if (const int dropped = FHistory->TakeImagesDroppedForRoom())
    AddLogLine(Format(u"History full for memory: %d oldest image(s) dropped", {dropped}));
}

void TMainForm::UpdateHistoryControls() {
  PackHistoryImages();
  const TClipHistoryItem* item = FHistory ? FHistory->Current() : nullptr;
  SyncHistoryNavigation();
  if (!item) {
    Memo1.SetVisible(true);
    Image1.SetVisible(false);
    Memo1.Clear();
    Label1.SetCaption(u"0 / 0");
    return;
  }
  switch (item->Kind) {
  case cikText:
    Image1.SetVisible(false);
    Image1.ClearPicture();
    Memo1.SetVisible(true);
    Memo1.SetText(MakeMemoPreviewText(item->Text));
    break;
  case cikImage:
    Memo1.SetVisible(false);
    ShowCurrentPicture();
    Image1.SetVisible(true);
    break;
  case cikFiles:
    Image1.SetVisible(false);
    Image1.ClearPicture();
    Memo1.SetVisible(true);
    Memo1.SetLines(MakeMemoPreviewLines(item->Files));
    break;
  }
  Label1.SetCaption(Format(u"%d / %d  %s  %s", {FHistory->Index() + 1, FHistory->Count(),
                                                FormatDateTime(LogTimePattern, FromDateTimeValue(item->TimeStamp),
                                                               FServices.Clock.TimeSeparator()),
                                                item->Preview}));
}

void TMainForm::SyncHistoryNavigation() {
  const bool empty = !FHistory || FHistory->Count() == 0;
  {
    const TFlagScope updating(FUpdatingHistoryControls);
    const int count = empty ? 0 : FHistory->Count();
    const int position = empty ? 0 : FHistory->Index() + 1;
    const int minimum = empty ? 0 : 1;
    trkSlider.SetRange(minimum, count);
    trkSlider.SetPosition(position);
    trkSlider.SetEnabled(!empty);
    btnDeleteEntry.SetEnabled(!empty);
    spnClipboardPage.SetRange(minimum, count);
    spnClipboardPage.SetValue(position);
    spnClipboardPage.SetEnabled(!empty);
  }
  if (!empty)
    AdjustSliderWidth();
}

void TMainForm::SelectHistoryIndex(int AIndex, bool APublish) {
  if (!FHistory || FHistory->Count() == 0) {
    UpdateHistoryControls();
    return;
  }
  FHistory->Select(AIndex);
  UpdateHistoryControls();
  if (APublish)
    PublishCurrentHistoryItem();
}

void TMainForm::spnClipboardPageChange(TControl&) {
  if (FUpdatingHistoryControls)
    return;
  if (!FHistory || FHistory->Count() == 0) {
    SyncHistoryNavigation();
    return;
  }
  const int value = std::clamp(spnClipboardPage.Value(), 1, FHistory->Count());
  if (value != spnClipboardPage.Value()) {
    const TFlagScope updating(FUpdatingHistoryControls);
    spnClipboardPage.SetValue(value);
  }
  SelectHistoryIndex(value - 1, true);
}

void TMainForm::trkSliderChange(TControl&) {
  if (FUpdatingHistoryControls)
    return;
  if (!FHistory || FHistory->Count() == 0) {
    SyncHistoryNavigation();
    return;
  }
  SelectHistoryIndex(std::clamp(trkSlider.Position(), 1, FHistory->Count()) - 1, false);
  // A drag publishes once, where it ends; the keyboard publishes at once.
  if (!FServices.Window.IsLeftButtonDown()) {
    PublishCurrentHistoryItem();
  } else {
    FSliderDragging = true;
    FSliderReleaseTimer->SetEnabled(true);
  }
}

void TMainForm::SliderReleaseTimerTimer() {
  if (FServices.Window.IsLeftButtonDown())
    return;
  FSliderReleaseTimer->SetEnabled(false);
  if (FSliderDragging && FHistory && FHistory->Count() > 0) {
    FSliderDragging = false;
    PublishCurrentHistoryItem();
  }
}

void TMainForm::btnDeleteEntryClick(TControl&) {
  DeleteCurrentHistoryEntry();
}

void TMainForm::DeleteCurrentHistoryEntry() {
  if (!FHistory || FHistory->Count() == 0)
    return;
  const int selected = FHistory->DeleteAt(FHistory->Index());
  // The card follows the history at once, also when the clipboard write below fails.
  UpdateHistoryControls();
  if (selected < 0) {
    ClearClipboardAsOwnWrite();
    AddLogLine(u"History entry deleted");
  } else {
    PublishCurrentHistoryItem();
    AddLogLine(Format(u"History entry deleted, new selection: %d / %d", {FHistory->Index() + 1, FHistory->Count()}));
  }
  ShowNotification(u"History entry deleted");
}

void TMainForm::AdjustSliderWidth() {
  const int width = FServices.Window.SliderRowClientWidth() - FServices.Window.PageEditRight() - 12;
  trkSlider.SetWidth(std::max(width, 80));
}

} // namespace tarvel
