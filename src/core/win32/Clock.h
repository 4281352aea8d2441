#pragma once

#include "core/DateTime.h"

namespace tarvel {

// The system clock: local time, GetTickCount64 and Sleep.
class TSystemClock final : public IClock {
public:
  TLocalDateTime Now() override;
  std::uint64_t TickCount64() override;
  void Sleep(std::uint32_t AMilliseconds) override;
};

} // namespace tarvel
