#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/DateTime.h"
#include "ui/Controls.h"
#include "ui/Tray.h"

namespace tarvel {

// What a command tells the user: a line in the activity log, and a balloon.
class IActivityLog {
public:
  virtual ~IActivityLog() = default;
  virtual void AddLogLine(const std::u16string& AText) = 0;
  // Shows a balloon when notifications are on and none started in the last 2000 ms;
  // otherwise the request is dropped, not delayed.
  virtual void ShowNotification(const std::u16string& AText) = 0;
};

// The activity log keeps at most this many lines.
inline constexpr std::size_t MaxLogLines = 500;
// Least time between the starts of two balloons, and how long one stays.
inline constexpr std::uint64_t NotificationMinIntervalMs = 2000;
inline constexpr std::uint32_t BalloonCloseDelayMs = 1000;

// What the log needs of the main window.
class IActivityLogHost {
public:
  virtual ~IActivityLogHost() = default;
  // The user's "Show notifications".
  virtual bool NotificationsOn() const = 0;
  // A line has entered the log (the info card may be showing it).
  virtual void LogLineAdded(const std::u16string& ALine) = 0;
};

struct TActivityLogServices {
  IClock& Clock;
  // The icon the balloons come from; none is shown while it is hidden.
  TTrayIcon& Tray;
};

// The time-stamped lines of everything the program did (in memory only) and the balloon
// notifications, one at most every 2000 ms, each closed by a timer after a second.
class TActivityLog final : public IActivityLog {
public:
  TActivityLog(TActivityLogServices AServices, IActivityLogHost& AHost);

  // Lines are kept from Open to Close; before and after, a line is dropped.
  void Open();
  void Close();

  void AddLogLine(const std::u16string& AText) override;
  // One "[OCR] " line per non-blank line of AText.
  void AddOcrLogLine(std::u16string_view AText);
  void ShowNotification(const std::u16string& AText) override;

  const std::vector<std::u16string>& Lines() const noexcept { return FLines; }
  TTimer& BalloonCloseTimer() noexcept { return FBalloonCloseTimer; }

private:
  void BalloonCloseTimerTimer();

  TActivityLogServices FServices;
  IActivityLogHost& FHost;
  bool FOpen = false;
  std::vector<std::u16string> FLines;
  std::uint64_t FLastBalloonTick = 0;
  TTimer FBalloonCloseTimer{BalloonCloseDelayMs, [this] { BalloonCloseTimerTimer(); }};
};

} // namespace tarvel
