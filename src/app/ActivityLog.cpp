// TMainForm: the activity log and balloon notifications, and their two switches.
#include "app/uMain.h"

#include "core/Text.h"

namespace tarvel {

const std::vector<std::u16string>& TMainForm::LogLines() const noexcept {
  static const std::vector<std::u16string> none;
  return FLogLines ? *FLogLines : none;
}

void TMainForm::AddLogLine(const std::u16string& AText) {
  if (!FLogLines)
    return;
  FLogLines->push_back(FormatDateTime(LogTimePattern, FServices.Clock.Now(), FServices.Clock.TimeSeparator()) + u" - " +
                       AText);
  if (FLogLines->size() > MaxLogLines)
    FLogLines->erase(FLogLines->begin(), FLogLines->end() - MaxLogLines);
  if (!swtShowLog.IsOn())
    return;
  // The field already shows the log: it takes the new line and drops its oldest, which costs
  // the same however long the log is.
  if (FInfoMemoShowsLog)
    MemoInfoLog.AppendLine(FLogLines->back(), MaxLogLines);
  else
    UpdateInfoMemo();
}

void TMainForm::AddOcrLogLine(std::u16string_view AText) {
  // Each line gets its own time stamp; blank lines are skipped.
  for (const std::u16string_view line : SplitLines(AText))
    if (const std::u16string trimmed = Trim(line); !trimmed.empty())
      AddLogLine(u"[OCR] " + trimmed);
}

void TMainForm::ShowNotification(const std::u16string& AText) {
  // No icon on screen yet, or any more: nothing to show a balloon from.
  if (!FTrayIcon || !FTrayIcon->Visible() || !FSettings.ShowNotifications)
    return;
  const std::uint64_t now = FServices.Clock.TickCount64();
  // Dropped, not delayed: the window of the last balloon shown stays where it is.
  if (FLastBalloonTick != 0 && now - FLastBalloonTick < NotificationMinIntervalMs)
    return;
  FLastBalloonTick = now;
  FTrayIcon->BalloonTitle = u"Tarvel";
  FTrayIcon->BalloonHint = AText;
  FTrayIcon->BalloonTimeout = BalloonCloseDelayMs;
  FTrayIcon->ShowBalloonHint();
  // Each balloon gets its full second; an earlier pending close is cancelled.
  FBalloonCloseTimer->SetEnabled(false);
  FBalloonCloseTimer->SetInterval(BalloonCloseDelayMs);
  FBalloonCloseTimer->SetEnabled(true);
}

void TMainForm::BalloonCloseTimerTimer() {
  FBalloonCloseTimer->SetEnabled(false);
  if (!FTrayIcon)
    return;
  // A balloon with empty texts removes the one on screen.
  FTrayIcon->BalloonHint.clear();
  FTrayIcon->BalloonTitle.clear();
  FTrayIcon->ShowBalloonHint();
}

void TMainForm::swtNotificationsClick(TControl&) {
  if (FLoadingSettings)
    return;
  if (SaveSettings())
    AddLogLine(FSettings.ShowNotifications ? u"System notifications enabled" : u"System notifications disabled");
}

void TMainForm::swtShowLogClick(TControl&) {
  if (FLoadingSettings)
    return;
  SaveSettings();
  UpdateInfoMemo();
}

} // namespace tarvel
