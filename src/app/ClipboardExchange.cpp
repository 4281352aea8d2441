#include "app/ClipboardExchange.h"

#include <algorithm>

#include "core/FlagScope.h"
#include "core/Text.h"

namespace tarvel {

std::u16string MakePreviewText(std::u16string_view AText, int AMaxLen) {
  return MakeOneLinePreview(AText, static_cast<std::size_t>(std::max(AMaxLen, 0)), false);
}

void ReportImagesDroppedForRoom(TClipHistory& AHistory, IActivityLog& ALog) {
  if (const int dropped = AHistory.TakeImagesDroppedForRoom())
    ALog.AddLogLine(Format(u"History full for memory: %d oldest image(s) dropped", {dropped}));
}

TClipboardExchange::TClipboardExchange(TClipboardExchangeServices AServices, IClipboardExchangeHost& AHost)
    : FServices(AServices), FHost(AHost) {}

bool TClipboardExchange::StartListening() {
  if (!FListening)
    FListening = FServices.Clipboard.AddListener();
  return FListening;
}

void TClipboardExchange::Stop() {
  if (FListening) {
    FServices.Clipboard.RemoveListener();
    FListening = false;
  }
  // Nothing waits for the clipboard any more: the history and the log go next.
  FCaptureRetryPending = false;
  FPublishRetryPending = false;
  UpdateRetryTimer();
}

void TClipboardExchange::WMClipboardUpdate() {
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

void TClipboardExchange::CaptureExternalClipboard() {
  FCaptureRetryPending = false;
  TClipHistory* history = FHost.History();
  // A copy too large for what memory is left is lost like an unreadable one; the program
  // goes on.
  if (const TFailure failure = ReturnFailure([&] {
        if (history)
          ReadExternalClipboard(*history);
      })) {
    const std::u16string line = u"External clipboard read error: " + failure.Text();
    // Another program holds the clipboard, usually for a moment only.
    if (failure.Is<EClipboardOpenError>() && FServices.Clock.TickCount64() < FCaptureRetryDeadline) {
      FCaptureRetryPending = true;
      FCaptureRetryError = line;
    } else {
      FServices.Log.AddLogLine(line);
    }
  }
  UpdateRetryTimer();
}

void TClipboardExchange::ReadExternalClipboard(TClipHistory& AHistory) {
  IClipboard& clipboard = FServices.Clipboard;
  IActivityLog& log = FServices.Log;
  // The first format offered decides, even when reading it yields nothing.
  if (IsMarkedPrivate(clipboard)) {
    log.AddLogLine(u"External clipboard skipped: marked private by its source");
    return;
  }
  if (clipboard.IsFormatAvailable(cfHDrop)) {
    const std::vector<std::u16string> files = ReadClipboardFiles(clipboard);
    if (files.empty() || AHistory.IsImmediateDuplicateFiles(files))
      return;
    AHistory.AddFiles(files);
    FHost.HistoryChanged();
    log.AddLogLine(Format(u"External clipboard captured: %d file(s): %s",
                          {static_cast<int>(files.size()), MakePreviewText(files.front(), 80)}));
    log.ShowNotification(u"Copied files");
  } else if (clipboard.IsFormatAvailable(cfUnicodeText)) {
    std::u16string text = ReadClipboardText(clipboard);
    if (IsBlank(text) || AHistory.IsImmediateDuplicateText(text))
      return;
    const std::u16string preview = MakePreviewText(text, 80);
    AHistory.AddText(std::move(text));
    FHost.HistoryChanged();
    log.AddLogLine(u"External clipboard captured: text " + preview);
    log.ShowNotification(u"Copied text");
  } else if (clipboard.IsFormatAvailable(cfBitmap) || clipboard.IsFormatAvailable(cfDib) ||
             clipboard.IsFormatAvailable(cfDibV5)) {
    TBitmap32 image = ReadClipboardImage(clipboard);
    if (image.Empty() || AHistory.IsImmediateDuplicateBitmap(&image))
      return;
    const int width = image.Width();
    const int height = image.Height();
    AHistory.AddBitmap(std::move(image));
    FHost.HistoryChanged();
    log.AddLogLine(Format(u"External clipboard captured: image %dx%d", {width, height}));
    ReportImagesDroppedForRoom(AHistory, log);
    log.ShowNotification(u"Copied image");
  }
}

void TClipboardExchange::UpdateRetryTimer() {
  FRetryTimer.SetEnabled(FCaptureRetryPending || FPublishRetryPending);
}

void TClipboardExchange::RetryTimerTimer() {
  // The read first: its change came before any publication still waiting.
  if (FCaptureRetryPending)
    CaptureExternalClipboard();
  if (FPublishRetryPending)
    TryPublishCurrentHistoryItem();
}

void TClipboardExchange::CountOwnWrite() {
  if (FCaptureRetryPending) {
    FCaptureRetryPending = false;
    FServices.Log.AddLogLine(FCaptureRetryError);
    UpdateRetryTimer();
  }
  ++FPendingInternalClipboardUpdates;
}

void TClipboardExchange::PublishTextToClipboard(const std::u16string& AText) {
  const TFlagScope mark(FInternalClipboardUpdate);
  WriteClipboardText(FServices.Clipboard, AText);
  CountOwnWrite();
  FServices.Log.AddLogLine(u"System clipboard updated: text " + MakePreviewText(AText, 80));
}

void TClipboardExchange::PublishBitmapToClipboard(std::shared_ptr<const TBitmap32> ABitmap) {
  if (!ABitmap || ABitmap->Empty())
    return;
  const int width = ABitmap->Width();
  const int height = ABitmap->Height();
  const TFlagScope mark(FInternalClipboardUpdate);
  WriteClipboardBitmap(FServices.Clipboard, std::move(ABitmap));
  CountOwnWrite();
  FServices.Log.AddLogLine(Format(u"System clipboard updated: image %dx%d", {width, height}));
}

bool TClipboardExchange::PublishFilesToClipboard(const std::vector<std::u16string>& AFiles) {
  if (AFiles.empty())
    return false;
  const TFlagScope mark(FInternalClipboardUpdate);
  const int count = static_cast<int>(AFiles.size());
  // A refused block leaves the clipboard empty; that change is not ours to absorb.
  if (!WriteClipboardFiles(FServices.Clipboard, AFiles)) {
    FServices.Log.AddLogLine(Format(u"System clipboard update failed: %d file(s)", {count}));
    return false;
  }
  CountOwnWrite();
  FServices.Log.AddLogLine(Format(u"System clipboard updated: %d file(s)", {count}));
  return true;
}

void TClipboardExchange::ClearClipboardAsOwnWrite() {
  const TFlagScope mark(FInternalClipboardUpdate);
  ClearClipboard(FServices.Clipboard);
  CountOwnWrite();
}

void TClipboardExchange::PublishCurrentHistoryItem() {
  // A request still waiting is taken over by this one, with the whole time again.
  FPublishRetryDeadline = FServices.Clock.TickCount64() + ClipboardRetryTimeMs;
  TryPublishCurrentHistoryItem();
}

void TClipboardExchange::TryPublishCurrentHistoryItem() {
  FPublishRetryPending = false;
  try {
    WriteCurrentHistoryItem();
  } catch (const EClipboardOpenError&) {
    FPublishRetryPending = FServices.Clock.TickCount64() < FPublishRetryDeadline;
    UpdateRetryTimer();
    if (FPublishRetryPending)
      return;
    throw;
  } catch (...) {
    UpdateRetryTimer();
    throw;
  }
  UpdateRetryTimer();
}

void TClipboardExchange::WriteCurrentHistoryItem() {
  TClipHistory* history = FHost.History();
  const TClipHistoryItem* item = history ? history->Current() : nullptr;
  if (!item)
    return;
  IActivityLog& log = FServices.Log;
  switch (item->Kind) {
  case cikText:
    PublishTextToClipboard(item->Text);
    log.AddLogLine(u"History selection copied to clipboard: " + MakePreviewText(item->Text, 80));
    break;
  case cikImage:
    PublishBitmapToClipboard(history->Picture(history->Index()));
    log.AddLogLine(u"History selection copied to clipboard: " + item->Preview);
    break;
  case cikFiles:
    if (PublishFilesToClipboard(item->Files))
      log.AddLogLine(
          Format(u"History selection copied to clipboard: %d file(s)", {static_cast<int>(item->Files.size())}));
    break;
  }
}

} // namespace tarvel
