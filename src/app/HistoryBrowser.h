#pragma once

#include "app/ActivityLog.h"
#include "app/MainWindow.h"
#include "core/DateTime.h"
#include "core/Dispatcher.h"
#include "history/uHistory.h"
#include "ui/Controls.h"

namespace tarvel {

// The clipboard card's controls, which the browser fills and reads.
struct THistoryBrowserControls {
  TSpinEdit& Page;      // spnClipboardPage: the 1-based position
  TTrackBar& Slider;    // trkSlider: the same position
  TImage& Picture;      // Image1: an image entry
  TMemo& Text;          // Memo1: a text or file entry
  TLabel& Status;       // Label1: "position / count  time  preview"
  TButton& DeleteEntry; // btnDeleteEntry
};

// What the browser needs of the main window.
class IHistoryBrowserHost {
public:
  virtual ~IHistoryBrowserHost() = default;
  // The history shown; none before the start or after the shutdown.
  virtual TClipHistory* History() = 0;
  // The selected entry onto the clipboard, as the program's own write.
  virtual void PublishCurrentHistoryItem() = 0;
  // The clipboard emptied, as the program's own write.
  virtual void ClearClipboardAsOwnWrite() = 0;
};

struct THistoryBrowserServices {
  // The slider's row and the mouse button.
  IMainWindow& Window;
  IClock& Clock;
  // Where the history's images are compressed.
  IDispatcher& Dispatcher;
  IActivityLog& Log;
};

// The clipboard card: shows the history's selected entry, moves the selection with the
// position field, the slider and the history hot keys, and deletes the selected entry.
// Every selection the user makes goes onto the clipboard; a slider drag publishes once,
// where it ends.
class THistoryBrowser {
public:
  THistoryBrowser(THistoryBrowserServices AServices, THistoryBrowserControls AControls, IHistoryBrowserHost& AHost);

  // Refreshes the whole card from the history, after every change of it or its selection.
  void UpdateHistoryControls();
  // Fits the slider into its row.
  void AdjustSliderWidth();

  // The control handlers.
  void spnClipboardPageChange();
  void trkSliderChange();
  void DeleteCurrentHistoryEntry();
  // The back and forward hot keys: the selection wraps round, and the entry is published.
  void NavigateHistory(bool ABack);

  // Watches for the end of a slider drag, every 50 ms while it runs.
  TTimer& SliderReleaseTimer() noexcept { return FSliderReleaseTimer; }

private:
  void SyncHistoryNavigation();
  void SelectHistoryIndex(int AIndex, bool APublish);
  void SliderReleaseTimerTimer();
  void ShowCurrentPicture(TClipHistory& AHistory);
  void PackHistoryImages();
  bool Empty();

  THistoryBrowserServices FServices;
  THistoryBrowserControls FControls;
  IHistoryBrowserHost& FHost;
  // True while the browser sets the position field and the slider, so that their change
  // handlers ignore the change.
  bool FUpdatingHistoryControls = false;
  // The slider moved while the left button was down; the release has not been seen yet.
  bool FSliderDragging = false;
  TTimer FSliderReleaseTimer{50, [this] { SliderReleaseTimerTimer(); }};
};

} // namespace tarvel
