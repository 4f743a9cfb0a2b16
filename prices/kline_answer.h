// The daily K-line service: the address of one stock's bars and the reading
// of its JSON answer. A row of data.klines is a comma string: date, open,
// close, high, low, volume (lots), amount, amplitude, change %, change,
// turnover %.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/price_bars.h"

namespace prices {

// "1." + code for Shanghai, "0." + code for Shenzhen; empty for the codes
// of other exchanges and what is no six-digit code.
std::string SecurityId(std::string_view code);

// host (optionally with a scheme; "http://" when none) +
// "/api/qt/stock/kline/get?secid=…&klt=101&fqt=2&beg=YYYYMMDD&end=YYYYMMDD&fields1=…&fields2=…".
// `from` and `to` are "YYYY-MM-DD".
std::string KlineAddress(std::string_view host, std::string_view secid, std::string_view from,
                         std::string_view to);

enum class KlineKind {
  kBars,    // data.klines read (possibly none in the span)
  kNoBars,  // "data": null: the service has no bars for the code
  kBad,     // not an answer of the expected shape: see reason
};

struct KlineAnswer {
  KlineKind kind = KlineKind::kBad;
  std::vector<store::PriceBar> bars;  // in date order; none unless kBars
  std::string reason;                 // why kBad (English, one line)
};

// Reads an answer. Any row that cannot be read makes the whole answer bad:
// a stock never gets half its bars.
KlineAnswer ReadKlineAnswer(std::string_view body);

}  // namespace prices
