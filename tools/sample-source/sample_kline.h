// The sample source's daily K-line answers: deterministic back-adjusted
// bars for any Shanghai or Shenzhen code, on weekdays. Each stock has
// suspended weeks (weekdays without a bar) and limit-up days opened at the
// limit (open, high, low and close all 10 % above the day before's close).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sample_source {

struct SampleBar {
  std::string date;  // "YYYY-MM-DD"
  double open = 0, close = 0, high = 0, low = 0;
  double volume = 0;  // lots
  double amount = 0;  // yuan
  double change_percent = 0;
};

// The bars of `code` from `from` to `to` ("YYYY-MM-DD"), in date order.
std::vector<SampleBar> SampleBars(std::string_view code, std::string_view from,
                                  std::string_view to);
// Whether `code` trades on `date` (a weekday outside its suspended weeks).
bool SampleTrades(std::string_view code, std::string_view date);
// Whether `date` is one of `code`'s limit-up days opened at the limit.
bool SampleLimitUp(std::string_view code, std::string_view date);

// The answer to /api/qt/stock/kline/get?secid=…&beg=YYYYMMDD&end=YYYYMMDD:
// {"rc":0,…,"data":{"code":…,"market":…,"klines":[…]}}; "data": null for
// what is no Shanghai or Shenzhen security id.
std::string KlineAnswer(std::string_view secid, std::string_view beg, std::string_view end);
// The answer for a code without bars: "data": null.
std::string KlineNoDataAnswer();

}  // namespace sample_source
