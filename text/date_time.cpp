#include "text/date_time.h"

#include <chrono>
#include <cstdio>

namespace text {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

year_month_day Civil(int64_t ms) {
  return year_month_day{sys_days{days{FloorDiv(ms, DateTime::kMsPerDay)}}};
}

int64_t MsOfDay(int64_t ms) { return ms - FloorDiv(ms, DateTime::kMsPerDay) * DateTime::kMsPerDay; }

}  // namespace

DateTime DateTime::FromParts(int year, int month, int day, int hour, int minute, int second,
                             int millisecond) {
  const sys_days d = sys_days{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                              std::chrono::day{static_cast<unsigned>(day)}};
  const int64_t ms = static_cast<int64_t>(d.time_since_epoch().count()) * kMsPerDay +
                     ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
  return DateTime(ms);
}

int DateTime::Year() const { return static_cast<int>(Civil(ms_).year()); }
int DateTime::Month() const { return static_cast<int>(static_cast<unsigned>(Civil(ms_).month())); }
int DateTime::Day() const { return static_cast<int>(static_cast<unsigned>(Civil(ms_).day())); }
int DateTime::Hour() const { return static_cast<int>(MsOfDay(ms_) / 3'600'000); }
int DateTime::Minute() const { return static_cast<int>(MsOfDay(ms_) / 60'000 % 60); }
int DateTime::Second() const { return static_cast<int>(MsOfDay(ms_) / 1000 % 60); }
int DateTime::Millisecond() const { return static_cast<int>(MsOfDay(ms_) % 1000); }

int DateTime::Weekday() const {
  const std::chrono::weekday wd{sys_days{days{FloorDiv(ms_, kMsPerDay)}}};
  return static_cast<int>(wd.c_encoding());
}

std::string DateTime::DateText() const {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", Year(), Month(), Day());
  return buf;
}

}  // namespace text
