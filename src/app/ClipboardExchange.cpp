// TMainForm: capturing what other programs copy, and the program's own clipboard writes,
// each marked so that its echo is not captured again.
#include "app/uMain.h"

#include <algorithm>

#include "core/FlagScope.h"
#include "core/Text.h"

namespace tarvel {

std::u16string MakePreviewText(std::u16string_view AText, int AMaxLen) {
  return MakeOneLinePreview(AText, static_cast<std::size_t>(std::max(AMaxLen, 0)), false);
}

void TMainForm::WMClipboardUpdate() {
  if (!FInternalClipboardUpdate && FPendingInternalClipboardUpdates <= 0) {
    // A read still waiting for an older change becomes this change's read, with the whole
    // time again: one read serves both. An entry still waiting to be put back would
    // overwrite this newer copy: it is given up.
    FPublishRetryPending = false;
    FCaptureRetryDeadline = FServices.Clock.TickCount64() + ClipboardRetryTimeMs;
    CaptureExternalClipboard();
  } else if (FPendingInternalClipboardUpdates > 0) {
    --FPendingInternalClipboardUpdates; // the echo of one of our own writes
  }
}

void TMainForm::CaptureExternalClipboard() {
  FCaptureRetryPending = false;
  // A copy too large for what memory is left is lost like an unreadable one; the program
  // goes on.
  if (const TFailure failure = ReturnFailure([this] { ReadExternalClipboard(); })) {
    const std::u16string line = u"External clipboard read error: " + failure.Text();
    // Another program holds the clipboard, usually for a moment only.
    if (failure.Is<EClipboardOpenError>() && FServices.Clock.TickCount64() < FCaptureRetryDeadline) {
      FCaptureRetryPending = true;
      FCaptureRetryError = line;
    } else {
      AddLogLine(line);
    }
  }
  UpdateClipboardRetryTimer();
}

void TMainForm::ReadExternalClipboard() {
  IClipboard& clipboard = FServices.Clipboard;
  // The first format offered decides, even when reading it yields nothing.
  if (IsMarkedPrivate(clipboard)) {
    AddLogLine(u"External clipboard skipped: marked private by its source");
    return;
  }
  if (clipboard.IsFormatAvailable(cfHDrop)) {
    const std::vector<std::u16string> files = ReadClipboardFiles(clipboard);
    if (files.empty() || FHistory->IsImmediateDuplicateFiles(files))
      return;
    FHistory->AddFiles(files);
    UpdateHistoryControls();
    AddLogLine(Format(u"External clipboard captured: %d file(s): %s",
                      {static_cast<int>(files.size()), MakePreviewText(files.front(), 80)}));
    ShowNotification(u"Copied files");
  } else if (clipboard.IsFormatAvailable(cfUnicodeText)) {
    std::u16string text = ReadClipboardText(clipboard);
    if (IsBlank(text) || FHistory->IsImmediateDuplicateText(text))
      return;
    const std::u16string preview = MakePreviewText(text, 80);
    FHistory->AddText(std::move(text));
    UpdateHistoryControls();
    AddLogLine(u"External clipboard captured: text " + preview);
    ShowNotification(u"Copied text");
  } else if (clipboard.IsFormatAvailable(cfBitmap) || clipboard.IsFormatAvailable(cfDib) ||
             clipboard.IsFormatAvailable(cfDibV5)) {
    TBitmap32 image = ReadClipboardImage(clipboard);
    if (image.Empty() || FHistory->IsImmediateDuplicateBitmap(&image))
      return;
    const int width = image.Width();
    const int height = image.Height();
    FHistory->AddBitmap(std::move(image));
    UpdateHistoryControls();
    AddLogLine(Format(u"External clipboard captured: image %dx%d", {width, height}));
    ReportImagesDroppedForRoom();
    ShowNotification(u"Copied image");
  }
}

void TMainForm::UpdateClipboardRetryTimer() {
  FClipboardRetryTimer->SetEnabled(FCaptureRetryPending || FPublishRetryPending);
}

void TMainForm::ClipboardRetryTimerTimer() {
  // The read first: its change came before any publication still waiting.
  if (FCaptureRetryPending)
    CaptureExternalClipboard();
  if (FPublishRetryPending)
    TryPublishCurrentHistoryItem();
}

void TMainForm::CountOwnWrite() {
  if (FCaptureRetryPending) {
    FCaptureRetryPending = false;
    AddLogLine(FCaptureRetryError);
    UpdateClipboardRetryTimer();
  }
  ++FPendingInternalClipboardUpdates;
}

void TMainForm::PublishTextToClipboard(const std::u16string& AText) {
  const TFlagScope mark(FInternalClipboardUpdate);
  WriteClipboardText(FServices.Clipboard, AText);
  CountOwnWrite();
  AddLogLine(u"System clipboard updated: text " + MakePreviewText(AText, 80));
}

void TMainForm::PublishBitmapToClipboard(std::shared_ptr<const TBitmap32> ABitmap) {
  if (!ABitmap || ABitmap->Empty())
    return;
  const int width = ABitmap->Width();
  const int height = ABitmap->Height();
  const TFlagScope mark(FInternalClipboardUpdate);
  WriteClipboardBitmap(FServices.Clipboard, std::move(ABitmap));
  CountOwnWrite();
  AddLogLine(Format(u"System clipboard updated: image %dx%d", {width, height}));
}

bool TMainForm::PublishFilesToClipboard(const std::vector<std::u16string>& AFiles) {
  if (AFiles.empty())
    return false;
  const TFlagScope mark(FInternalClipboardUpdate);
  const int count = static_cast<int>(AFiles.size());
  // A refused block leaves the clipboard empty; that change is not ours to absorb.
  if (!WriteClipboardFiles(FServices.Clipboard, AFiles)) {
    AddLogLine(Format(u"System clipboard update failed: %d file(s)", {count}));
    return false;
  }
  CountOwnWrite();
  AddLogLine(Format(u"System clipboard updated: %d file(s)", {count}));
  return true;
}

void TMainForm::ClearClipboardAsOwnWrite() {
  const TFlagScope mark(FInternalClipboardUpdate);
  ClearClipboard(FServices.Clipboard);
  CountOwnWrite();
}

void TMainForm::PublishCurrentHistoryItem() {
  // A request still waiting is taken over by this one, with the whole time again.
  FPublishRetryDeadline = FServices.Clock.TickCount64() + ClipboardRetryTimeMs;
  TryPublishCurrentHistoryItem();
}

void TMainForm::TryPublishCurrentHistoryItem() {
  FPublishRetryPending = false;
  try {
    WriteCurrentHistoryItem();
  } catch (const EClipboardOpenError&) {
    FPublishRetryPending = FServices.Clock.TickCount64() < FPublishRetryDeadline;
    UpdateClipboardRetryTimer();
    if (FPublishRetryPending)
      return;
    throw;
  } catch (...) {
    UpdateClipboardRetryTimer();
    throw;
  }
  UpdateClipboardRetryTimer();
}

void TMainForm::WriteCurrentHistoryItem() {
  const TClipHistoryItem* item = FHistory ? FHistory->Current() : nullptr;
  if (!item)
    return;
  switch (item->Kind) {
  case cikText:
    PublishTextToClipboard(item->Text);
    AddLogLine(u"History selection copied to clipboard: " + MakePreviewText(item->Text, 80));
    break;
  case cikImage:
    PublishBitmapToClipboard(FHistory->Picture(FHistory->Index()));
    AddLogLine(u"History selection copied to clipboard: " + item->Preview);
    break;
  case cikFiles:
    if (PublishFilesToClipboard(item->Files))
      AddLogLine(Format(u"History selection copied to clipboard: %d file(s)", {static_cast<int>(item->Files.size())}));
    break;
  }
}

} // namespace tarvel
