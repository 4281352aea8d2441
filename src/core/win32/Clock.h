#pragma once

#include "core/DateTime.h"

namespace tarvel {

// The system clock: local time, GetTickCount64, Sleep and the user's time separator.
class TSystemClock final : public IClock {
public:
  TLocalDateTime Now() override;
  std::uint64_t TickCount64() override;
  void Sleep(std::uint32_t AMilliseconds) override;
  std::u16string TimeSeparator() override;
};

} // namespace tarvel
