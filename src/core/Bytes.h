#pragma once

#include <cstdint>
#include <vector>

namespace tarvel {

// Little-endian fields of the binary blocks the system hands over (registry values,
// clipboard blocks, version resources). The caller checks the bounds.
inline std::uint16_t ReadLE16(const std::uint8_t* AData) noexcept {
  return static_cast<std::uint16_t>(AData[0] | AData[1] << 8);
}

inline std::uint32_t ReadLE32(const std::uint8_t* AData) noexcept {
  return static_cast<std::uint32_t>(AData[0]) | static_cast<std::uint32_t>(AData[1]) << 8 |
         static_cast<std::uint32_t>(AData[2]) << 16 | static_cast<std::uint32_t>(AData[3]) << 24;
}

inline void StoreLE32(std::uint8_t* ADest, std::uint32_t AValue) noexcept {
  ADest[0] = static_cast<std::uint8_t>(AValue);
  ADest[1] = static_cast<std::uint8_t>(AValue >> 8);
  ADest[2] = static_cast<std::uint8_t>(AValue >> 16);
  ADest[3] = static_cast<std::uint8_t>(AValue >> 24);
}

inline void AppendLE16(std::vector<std::uint8_t>& AOut, std::uint16_t AValue) {
  AOut.push_back(static_cast<std::uint8_t>(AValue));
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 8));
}

inline void AppendLE32(std::vector<std::uint8_t>& AOut, std::uint32_t AValue) {
  AppendLE16(AOut, static_cast<std::uint16_t>(AValue));
  AppendLE16(AOut, static_cast<std::uint16_t>(AValue >> 16));
}

} // namespace tarvel
