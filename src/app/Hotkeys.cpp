// TMainForm: the hotkeys and the clipboard listener registered together, and the commands
// the hot keys run.
#include "app/uMain.h"

#include "core/Errors.h"

namespace tarvel {

void TMainForm::RegisterHotkeysAndClipboardListener() {
  FHotkeyConfig.RegisterHotkeys();
  // A listener that cannot be registered is silent: nothing is captured then.
  FExchange.StartListening();
}

void TMainForm::UnregisterHotkeysAndClipboardListener() {
  FExchange.Stop();
  FHotkeyConfig.UnregisterHotkeys();
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
  case hkNext: FHistoryBrowser.NavigateHistory(AHotkeyId == hkPrevious); break;
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
