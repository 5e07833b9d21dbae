#include "common/date.hpp"

#include <cmath>
#include <ctime>

#include "common/error.hpp"

namespace korvax {

namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (H. Hinnant's algorithm).
long DaysFromCivil(int year, int m, int d) {
  const long y = static_cast<long>(year) - (m <= 2);  // long: INT_MIN has no year before
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr long kEpochOffset = 25569;  // serial of 1970-01-01

// Dates run from 1.1.100 to 31.12.9999 as in the classic runtime. A serial
// outside (or NaN) overflows here rather than in the integer conversions.
constexpr double kFirstSerial = -657434.0;  // 01.01.0100
constexpr double kEndSerial = 2958466.0;    // 01.01.10000, the first serial past the range

double CheckedSerial(double serial) {
  if (!(serial >= kFirstSerial && serial < kEndSerial)) throw errors::Overflow();
  return serial;
}

long WholeDays(double serial) {
  return static_cast<long>(std::floor(CheckedSerial(serial)));
}

int SecondsOfDay(double serial) {
  CheckedSerial(serial);
  const double frac = std::fabs(serial - std::floor(serial));
  return static_cast<int>(std::lround(frac * 86400.0)) % 86400;
}

}  // namespace

Date Date::FromYmd(int year, int month, int day) {
  return Date{static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset)};
}

Date Date::FromYmdHms(int year, int month, int day, int hour, int minute, int second) {
  // In double: hours and minutes read from a text may be far too large for int seconds.
  const double seconds = hour * 3600.0 + minute * 60.0 + second;
  return Date{FromYmd(year, month, day).serial + seconds / 86400.0};
}

Date Date::Today() {
  const Date now = Now();
  return Date{std::floor(now.serial)};
}

Date Date::Now() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return FromYmdHms(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                    local.tm_min, local.tm_sec);
}

int Date::Year() const {
  int y, m, d;
  CivilFromDays(WholeDays(serial) - kEpochOffset, y, m, d);
  return y;
}
int Date::Month() const {
  int y, m, d;
  CivilFromDays(WholeDays(serial) - kEpochOffset, y, m, d);
  return m;
}
int Date::Day() const {
  int y, m, d;
  CivilFromDays(WholeDays(serial) - kEpochOffset, y, m, d);
  return d;
}
int Date::Hour() const {
  return SecondsOfDay(serial) / 3600;
}
int Date::Minute() const {
  return SecondsOfDay(serial) / 60 % 60;
}
int Date::Second() const {
  return SecondsOfDay(serial) % 60;
}

}  // namespace korvax
