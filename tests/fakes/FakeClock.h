#pragma once

#include <string>

#include "core/DateTime.h"

namespace tarvel {

// A clock that moves only when told: Sleep and Advance move both the tick count and the
// local time.
class TFakeClock : public IClock {
public:
  TLocalDateTime Time{2026, 3, 1, 14, 5, 9, 0};
  std::uint64_t Ticks = 1'000'000;
  std::u16string Separator = u":";

  TLocalDateTime Now() override { return Time; }
  std::uint64_t TickCount64() override { return Ticks; }
  void Sleep(std::uint32_t AMilliseconds) override { Advance(AMilliseconds); }
  std::u16string TimeSeparator() override { return Separator; }

  void Advance(std::uint64_t AMilliseconds) {
    Ticks += AMilliseconds;
    Time = FromDateTimeValue(ToDateTimeValue(Time) + static_cast<double>(AMilliseconds) / 86400000.0);
  }
};

} // namespace tarvel
