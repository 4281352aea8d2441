#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/ActivityLog.h"
#include "app/MainWindow.h"
#include "core/DateTime.h"
#include "core/Dispatcher.h"
#include "history/HistoryFind.h"
#include "history/uHistory.h"
#include "ui/Controls.h"

namespace tarvel {

// The pin button's and the preview menu's caption, by the state of the entry shown.
inline constexpr char16_t PinCaption[] = u"Pin";
inline constexpr char16_t UnpinCaption[] = u"Unpin";
inline constexpr char16_t FindTextHint[] = u"Search the history (Ctrl+F)";

// The question "Clear history" asks before AEntries entries go and APinned pinned ones stay.
std::u16string ClearHistoryQuestion(int AEntries, int APinned);

// The clipboard card's controls, which the browser fills and reads.
struct THistoryBrowserControls {
  TSpinEdit& Page;      // spnClipboardPage: the 1-based position
  TTrackBar& Slider;    // trkSlider: the same position
  TImage& Picture;      // Image1: an image entry
  TMemo& Text;          // Memo1: a text or file entry
  TLabel& Status;       // Label1: "position / count  time  preview"
  TButton& DeleteEntry; // btnDeleteEntry
  // The search field, the pin and clear buttons and the preview's context menu; without
  // them the card shows and walks the whole history.
  TEdit* Find = nullptr;             // edtFind
  TButton* Pin = nullptr;            // btnPinEntry: "Pin", or "Unpin" for a pinned entry
  TButton* ClearHistory = nullptr;   // btnClearHistory: enabled while an entry can go
  TPopupMenu* PreviewMenu = nullptr; // pmPreview: pin or unpin, delete
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
  // The mouse button.
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
//
// A text in the search field narrows the card to the entries that hold it: the position
// field, the slider and the hot keys then walk the matches only, and the status line counts
// them ("3 / 7 of 42"). Typing never changes the history's entries and publishes nothing: it
// selects the newest match when the selected entry does not match, and emptying the field
// (or Escape) selects again what was selected before, unless the user chose an entry
// meanwhile. A selection made elsewhere (a capture) that does not match ends the search.
class THistoryBrowser {
public:
  THistoryBrowser(THistoryBrowserServices AServices, THistoryBrowserControls AControls, IHistoryBrowserHost& AHost);

  // Refreshes the whole card from the history, after every change of it or its selection.
  void UpdateHistoryControls();

  // The control handlers.
  void spnClipboardPageChange();
  void trkSliderChange();
  void DeleteCurrentHistoryEntry();
  // The back and forward hot keys: the selection wraps round, and the entry is published.
  void NavigateHistory(bool ABack);

  // The search field's text changed.
  void FindChange();
  // Enter in the search field: the match shown goes onto the clipboard.
  void FindCommit();
  // Escape: empties the search field. False when no search was on.
  bool CancelFind();
  bool Finding() const noexcept { return FFind.has_value(); }
  // Pins the entry shown, or unpins it.
  void TogglePinned();
  // Whether "Clear history" would remove anything, and how many entries it would remove.
  int ClearableCount();
  // Removes every unpinned entry (the caller has asked the user), ends a search, and leaves
  // the clipboard as it is.
  void ClearHistory();

  // Watches for the end of a slider drag, every 50 ms while it runs.
  TTimer& SliderReleaseTimer() noexcept { return FSliderReleaseTimer; }

private:
  void SyncHistoryNavigation();
  void SelectHistoryIndex(int AIndex, bool APublish);
  void SliderReleaseTimerTimer();
  void ShowCurrentPicture(TClipHistory& AHistory);
  void PackHistoryImages();
  bool Empty();
  // The entry on the card: the selected one, unless a search is on that it does not match.
  const TClipHistoryItem* ShownEntry();
  // The positions the position field and the slider walk: the entries, or the matches.
  int PositionCount();
  int EntryAtPosition(int APosition);
  int PositionOf(int AIndex);
  void UpdateMatches(const TClipHistory& AHistory);
  bool IsMatch(int AIndex) const;
  void SelectEntry(TClipHistory& AHistory, int AIndex);
  void EndFind();
  void UpdateEntryTools(const TClipHistoryItem* AShown);

  THistoryBrowserServices FServices;
  THistoryBrowserControls FControls;
  IHistoryBrowserHost& FHost;
  // True while the browser sets the position field and the slider, so that their change
  // handlers ignore the change.
  bool FUpdatingHistoryControls = false;
  // The slider moved while the left button was down; the release has not been seen yet.
  bool FSliderDragging = false;
  // The search on; none while the field is empty.
  std::optional<TFindText> FFind;
  // The matching entries' indices, ascending, for the search text FMatchedText over the
  // entries of FMatchedRevision.
  std::vector<int> FMatches;
  std::optional<std::u16string> FMatchedText;
  std::uint64_t FMatchedRevision = 0;
  // The entry selected at the last refresh: a different one then means that something else
  // moved the selection.
  std::uint64_t FSelectedSerial = 0;
  // The entry that was selected before the search moved the selection; 0 once the user chose
  // an entry, or nothing was moved.
  std::uint64_t FRestoreSerial = 0;
  // True while the browser empties the search field itself.
  bool FUpdatingFind = false;
  TTimer FSliderReleaseTimer{50, [this] { SliderReleaseTimerTimer(); }};
};

} // namespace tarvel
