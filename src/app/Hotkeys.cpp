// TMainForm: the nine global hotkeys, registered as one set, and the commands they run.
#include "app/uMain.h"

#include "core/Errors.h"

namespace tarvel {

void TMainForm::RegisterHotkeysAndClipboardListener() {
  if (!FHotkeysRegistered)
    FHotkeysRegistered = RegisterAppHotkeys(FServices.Hotkeys, HotkeyLetters(FSettings), &FHotkeyRefusal);
  if (!FClipboardListenerRegistered)
    FClipboardListenerRegistered = FServices.Clipboard.AddListener();
  if (!FHotkeysRegistered)
    ReportHotkeysUnavailable();
}

void TMainForm::ReportHotkeysUnavailable() {
  // Balloons are off by default: the log always tells which combination is taken.
  AddLogLine(u"Hotkeys unavailable: " + HotkeyText(FHotkeyRefusal.VirtualKey) + u" is taken by another program");
  ShowNotification(u"Hotkeys unavailable");
}

void TMainForm::UnregisterHotkeysAndClipboardListener() {
  if (FClipboardListenerRegistered) {
    FServices.Clipboard.RemoveListener();
    FClipboardListenerRegistered = false;
  }
  if (FHotkeysRegistered) {
    UnregisterAppHotkeys(FServices.Hotkeys);
    FHotkeysRegistered = false;
  }
}

bool TMainForm::TryReregisterHotkeys() {
  if (FHotkeysRegistered) {
    UnregisterAppHotkeys(FServices.Hotkeys);
    FHotkeysRegistered = false;
  }
  FHotkeysRegistered = RegisterAppHotkeys(FServices.Hotkeys, HotkeyLetters(FSettings), &FHotkeyRefusal);
  return FHotkeysRegistered;
}

void TMainForm::ReregisterHotkeys() {
  if (!TryReregisterHotkeys())
    ReportHotkeysUnavailable();
}

void TMainForm::WMHotKey(int AHotkeyId) {
  try {
    RunHotkey(AHotkeyId);
  } catch (const std::bad_alloc&) {
    // A capture too large for what memory is left: one line, not a box per press.
    AddLogLine(u"Hotkey command failed: " + OutOfMemoryText);
  }
}

void TMainForm::RunHotkey(int AHotkeyId) {
  switch (AHotkeyId) {
  case hkMerge: MergeTextEntries(); break;
  case hkPrevious:
  case hkNext:
    if (FHistory) {
      if (AHotkeyId == hkPrevious)
        FHistory->Prev();
      else
        FHistory->Next();
    }
    UpdateHistoryControls();
    PublishCurrentHistoryItem();
    break;
  case hkCopyUnderCursor: CopyContentUnderCursor(); break;
  case hkControlImage: CopyControlImageUnderCursor(); break;
  case hkOcr: CaptureOcrUnderMouse(); break;
  case hkScreenBox: CaptureScreenBox(); break;
  case hkScreenFull: CaptureFullScreen(); break;
  case hkSave: SaveClipboard(true); break;
  default:
    // Not ours.
    break;
  }
}

} // namespace tarvel
