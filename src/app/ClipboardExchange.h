#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/ActivityLog.h"
#include "clipboard/SystemClipboard.h"
#include "core/DateTime.h"
#include "history/uHistory.h"
#include "ui/Controls.h"

namespace tarvel {

// While another program holds the clipboard, a read or a write is tried again this often,
// for this long after the change or the request.
inline constexpr std::uint32_t ClipboardRetryIntervalMs = 50;
inline constexpr std::uint64_t ClipboardRetryTimeMs = 1000;

// A trimmed one-line form of a text for log lines: line breaks become blanks, runs of
// blanks one blank, and a text longer than AMaxLen is cut to AMaxLen units ending in "...".
std::u16string MakePreviewText(std::u16string_view AText, int AMaxLen);

// The line for the images the history dropped since it was last asked, to stay within its
// memory; nothing is logged when there were none.
void ReportImagesDroppedForRoom(TClipHistory& AHistory, IActivityLog& ALog);

// What the exchange needs of the main window.
class IClipboardExchangeHost {
public:
  virtual ~IClipboardExchangeHost() = default;
  // The history captures go into and publications come from; none before the start or
  // after the shutdown.
  virtual TClipHistory* History() = 0;
  // A capture added an entry: the clipboard card shows it.
  virtual void HistoryChanged() = 0;
};

struct TClipboardExchangeServices {
  IClipboard& Clipboard;
  IClock& Clock;
  IActivityLog& Log;
};

// The program's traffic with the system clipboard: what other programs copy is captured
// into the history, and the program's own writes are marked so that their echo is not
// captured again. While another program holds the clipboard, a read or a write waits on
// the retry timer.
class TClipboardExchange {
public:
  TClipboardExchange(TClipboardExchangeServices AServices, IClipboardExchangeHost& AHost);

  // The window becomes a clipboard-format listener (false when it cannot), and stops being
  // one; a stop also gives up whatever waits for the clipboard.
  bool StartListening();
  void Stop();

  // A WM_CLIPBOARDUPDATE: an echo of an own write is absorbed, any other change captured.
  void WMClipboardUpdate();

  // Every clipboard write of the program.
  void PublishTextToClipboard(const std::u16string& AText);
  // The image is shared with the clipboard, which may make its own bitmap of it only when
  // a program asks for one.
  void PublishBitmapToClipboard(std::shared_ptr<const TBitmap32> ABitmap);
  // False, with a log line saying so, when the clipboard did not take the list.
  bool PublishFilesToClipboard(const std::vector<std::u16string>& AFiles);
  // The history's selected entry, with the write of its kind. While another program holds
  // the clipboard, the write is tried again on the retry timer, with the entry selected
  // then; a newer request takes the place of one still waiting. Only the last try's
  // failure to open the clipboard is raised (from the timer's tick).
  void PublishCurrentHistoryItem();
  // Empties the clipboard, as an own write.
  void ClearClipboardAsOwnWrite();

  // Own writes whose notification has not arrived yet.
  std::int32_t PendingInternalClipboardUpdates() const noexcept { return FPendingInternalClipboardUpdates; }
  // Runs while a read of an outside change or a publication waits for the clipboard.
  TTimer& RetryTimer() noexcept { return FRetryTimer; }

private:
  // Reads the clipboard after an outside change; while it cannot be opened, the read waits
  // on the retry timer until FCaptureRetryDeadline and logs its error only then.
  void CaptureExternalClipboard();
  // One read, the first format offered deciding; raises what goes wrong.
  void ReadExternalClipboard(TClipHistory& AHistory);
  // One try of PublishCurrentHistoryItem's write, given up at FPublishRetryDeadline.
  void TryPublishCurrentHistoryItem();
  void WriteCurrentHistoryItem();
  void RetryTimerTimer();
  void UpdateRetryTimer();
  // After an own write went through: one more echo to absorb, and a read still waiting is
  // given up, since what it waited for is no longer on the clipboard.
  void CountOwnWrite();

  TClipboardExchangeServices FServices;
  IClipboardExchangeHost& FHost;
  bool FListening = false;
  // True while an own write runs; a notification then is neither captured nor counted.
  bool FInternalClipboardUpdate = false;
  std::int32_t FPendingInternalClipboardUpdates = 0;
  // An outside change whose read waits for the clipboard, and the log line of its last try.
  bool FCaptureRetryPending = false;
  std::uint64_t FCaptureRetryDeadline = 0;
  std::u16string FCaptureRetryError;
  // The selected entry waits to be put on the clipboard.
  bool FPublishRetryPending = false;
  std::uint64_t FPublishRetryDeadline = 0;
  TTimer FRetryTimer{ClipboardRetryIntervalMs, [this] { RetryTimerTimer(); }};
};

} // namespace tarvel
