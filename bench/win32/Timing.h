// What the Windows timing programs share: milliseconds from the steady clock, and the
// median of a run's samples (0 for none).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace tarvel::bench {

using TClock = std::chrono::steady_clock;

inline double Milliseconds(TClock::duration ADuration) {
  return std::chrono::duration<double, std::milli>(ADuration).count();
}

inline double Median(std::vector<double> AValues) {
  if (AValues.empty())
    return 0;
  std::sort(AValues.begin(), AValues.end());
  const std::size_t n = AValues.size();
  return n % 2 ? AValues[n / 2] : (AValues[n / 2 - 1] + AValues[n / 2]) / 2;
}

} // namespace tarvel::bench
