#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvel {

// A local calendar date and time with milliseconds, as the clock reports it.
struct TLocalDateTime {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
  friend bool operator==(const TLocalDateTime&, const TLocalDateTime&) = default;
};

// Formats with the patterns the program uses: yyyy (year), mm (month), dd (day), hh (hour,
// 00–23), nn (minute), ss (second), zzz (milliseconds); a colon stands for the time
// separator (the user's regional one where the caller passes it); every other character
// is copied.
std::u16string FormatDateTime(std::u16string_view APattern, const TLocalDateTime& AValue,
                              std::u16string_view ATimeSeparator = u":");

// The three stamps of the program.
inline constexpr std::u16string_view LogTimePattern = u"yyyy-mm-dd hh:nn:ss";
inline constexpr std::u16string_view FileStampPattern = u"yyyymmdd_hhnnss_zzz";
inline constexpr std::u16string_view DiagnosticTimePattern = u"hh:nn:ss.zzz";

// Days since 1899-12-30 with the time of day as the fraction (the classic date-time double).
double ToDateTimeValue(const TLocalDateTime& AValue) noexcept;
TLocalDateTime FromDateTimeValue(double AValue) noexcept;

// Where every time stamp and tick comes from, so that tests control time.
class IClock {
public:
  virtual ~IClock() = default;
  virtual TLocalDateTime Now() = 0;
  // Milliseconds since the system started.
  virtual std::uint64_t TickCount64() = 0;
  virtual void Sleep(std::uint32_t AMilliseconds) = 0;
  // The user's regional separator between hours, minutes and seconds (a colon on most
  // systems); read each time, so that a change in the regional settings shows at once.
  virtual std::u16string TimeSeparator() = 0;
};

} // namespace tarvel
