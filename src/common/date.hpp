// Dates as the classic runtime holds them: days since 30.12.1899, the
// fraction of a day being the time.
#pragma once

namespace korvax {

struct Date {
  double serial = 0.0;

  static Date FromYmd(int year, int month, int day);
  static Date FromYmdHms(int year, int month, int day, int hour, int minute, int second);
  static Date Today();  // local date, time 00:00
  static Date Now();    // local date and time

  // The parts of a date from 1.1.100 to 31.12.9999; any other serial (or
  // NaN) fails with 6, as the classic runtime refuses such dates.
  int Year() const;
  int Month() const;
  int Day() const;
  int Hour() const;
  int Minute() const;
  int Second() const;

  Date AddDays(double days) const { return Date{serial + days}; }
  bool operator==(const Date&) const = default;
};

}  // namespace korvax
