// A local wall-clock date and time with millisecond resolution, as the date
// boxes hold it. Arithmetic ignores daylight-saving shifts: days are 24 hours.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace text {

class DateTime {
 public:
  constexpr DateTime() = default;
  static DateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0, int millisecond = 0);
  static constexpr DateTime FromMilliseconds(int64_t ms) { return DateTime(ms); }

  int Year() const;
  int Month() const;  // 1..12
  int Day() const;    // 1..31
  int Hour() const;
  int Minute() const;
  int Second() const;
  int Millisecond() const;
  // 0 = Sunday ... 6 = Saturday.
  int Weekday() const;

  DateTime AddDays(int64_t days) const { return DateTime(ms_ + days * kMsPerDay); }
  // (this - earlier) in days, with the fraction from the time of day.
  double DaysSince(const DateTime& earlier) const {
    return static_cast<double>(ms_ - earlier.ms_) / static_cast<double>(kMsPerDay);
  }
  // Four-digit year, two-digit month, two-digit day joined by "-".
  std::string DateText() const;
  int64_t Milliseconds() const { return ms_; }

  auto operator<=>(const DateTime&) const = default;

  static constexpr int64_t kMsPerDay = 86'400'000;

 private:
  constexpr explicit DateTime(int64_t ms) : ms_(ms) {}
  int64_t ms_ = 0;  // since 1970-01-01 00:00:00.000 local time
};

}  // namespace text
