#include "app/ActivityLog.h"

#include "core/Text.h"

namespace tarvel {

TActivityLog::TActivityLog(TActivityLogServices AServices, IActivityLogHost& AHost)
    : FServices(AServices), FHost(AHost) {}

void TActivityLog::Open() {
  FLines.clear();
  FOpen = true;
}

void TActivityLog::Close() {
  FOpen = false;
  FLines.clear();
  FLines.shrink_to_fit();
}

void TActivityLog::AddLogLine(const std::u16string& AText) {
  if (!FOpen)
    return;
  FLines.push_back(FormatDateTime(LogTimePattern, FServices.Clock.Now(), FServices.Clock.TimeSeparator()) + u" - " +
                   AText);
  if (FLines.size() > MaxLogLines)
    FLines.erase(FLines.begin(), FLines.end() - MaxLogLines);
  FHost.LogLineAdded(FLines.back());
}

void TActivityLog::AddOcrLogLine(std::u16string_view AText) {
  // Each line gets its own time stamp; blank lines are skipped.
  for (const std::u16string_view line : SplitLines(AText))
    if (const std::u16string trimmed = Trim(line); !trimmed.empty())
      AddLogLine(u"[OCR] " + trimmed);
}

void TActivityLog::ShowNotification(const std::u16string& AText) {
  // No icon on screen yet, or any more: nothing to show a balloon from.
  TTrayIcon& tray = FServices.Tray;
  if (!tray.Visible() || !FHost.NotificationsOn())
    return;
  const std::uint64_t now = FServices.Clock.TickCount64();
  // Dropped, not delayed: the window of the last balloon shown stays where it is.
  if (FLastBalloonTick != 0 && now - FLastBalloonTick < NotificationMinIntervalMs)
    return;
  FLastBalloonTick = now;
  tray.BalloonTitle = u"Tarvel";
  tray.BalloonHint = AText;
  tray.BalloonTimeout = BalloonCloseDelayMs;
  tray.ShowBalloonHint();
  // Each balloon gets its full second; an earlier pending close is cancelled.
  FBalloonCloseTimer.SetEnabled(false);
  FBalloonCloseTimer.SetInterval(BalloonCloseDelayMs);
  FBalloonCloseTimer.SetEnabled(true);
}

void TActivityLog::BalloonCloseTimerTimer() {
  FBalloonCloseTimer.SetEnabled(false);
  // A balloon with empty texts removes the one on screen.
  TTrayIcon& tray = FServices.Tray;
  tray.BalloonHint.clear();
  tray.BalloonTitle.clear();
  tray.ShowBalloonHint();
}

} // namespace tarvel
