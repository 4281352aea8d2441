#include "core/DateTime.h"

#include <cmath>

namespace tarvel {

namespace {

void AppendPadded(std::u16string& AOut, int AValue, int ADigits) {
  char16_t buf[12];
  int n = 0;
  unsigned v = AValue < 0 ? 0u : static_cast<unsigned>(AValue);
  do {
    buf[n++] = static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int i = n; i < ADigits; ++i)
    AOut += u'0';
  while (n > 0)
    AOut += buf[--n];
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) noexcept {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr std::int64_t DaysFrom1899To1970 = 25569;
constexpr double MsPerDay = 86400000.0;

} // namespace

std::u16string FormatDateTime(std::u16string_view APattern, const TLocalDateTime& AValue,
                              std::u16string_view ATimeSeparator) {
  std::u16string r;
  r.reserve(APattern.size() + 4);
  std::size_t i = 0;
  auto starts = [&](std::u16string_view AToken) { return APattern.substr(i, AToken.size()) == AToken; };
  while (i < APattern.size()) {
    if (starts(u"yyyy")) {
      AppendPadded(r, AValue.Year, 4);
      i += 4;
    } else if (starts(u"zzz")) {
      AppendPadded(r, AValue.Millisecond, 3);
      i += 3;
    } else if (starts(u"mm")) {
      AppendPadded(r, AValue.Month, 2);
      i += 2;
    } else if (starts(u"dd")) {
      AppendPadded(r, AValue.Day, 2);
      i += 2;
    } else if (starts(u"hh")) {
      AppendPadded(r, AValue.Hour, 2);
      i += 2;
    } else if (starts(u"nn")) {
      AppendPadded(r, AValue.Minute, 2);
      i += 2;
    } else if (starts(u"ss")) {
      AppendPadded(r, AValue.Second, 2);
      i += 2;
    } else if (APattern[i] == u':') {
      r += ATimeSeparator;
      ++i;
    } else {
      r += APattern[i++];
    }
  }
  return r;
}

double ToDateTimeValue(const TLocalDateTime& AValue) noexcept {
  const std::int64_t days =
      DaysFromCivil(AValue.Year, static_cast<unsigned>(AValue.Month), static_cast<unsigned>(AValue.Day)) +
      DaysFrom1899To1970;
  const double ms = ((AValue.Hour * 60.0 + AValue.Minute) * 60.0 + AValue.Second) * 1000.0 + AValue.Millisecond;
  return static_cast<double>(days) + ms / MsPerDay;
}

TLocalDateTime FromDateTimeValue(double AValue) noexcept {
  // Round to the millisecond first so that 0.5 days is exactly 12:00:00.000.
  const std::int64_t totalMs = std::llround(AValue * MsPerDay);
  std::int64_t days = totalMs / 86400000;
  std::int64_t ms = totalMs % 86400000;
  if (ms < 0) {
    ms += 86400000;
    --days;
  }
  TLocalDateTime r;
  CivilFromDays(days - DaysFrom1899To1970, r.Year, r.Month, r.Day);
  r.Hour = static_cast<int>(ms / 3600000);
  r.Minute = static_cast<int>(ms / 60000 % 60);
  r.Second = static_cast<int>(ms / 1000 % 60);
  r.Millisecond = static_cast<int>(ms % 1000);
  return r;
}

} // namespace tarvel
