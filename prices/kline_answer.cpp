// Reading the K-line service's answers.
#include "prices/kline_answer.h"

#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

namespace prices {
namespace {

constexpr int kKlineFieldCount = 11;

bool KlineIsDate(std::string_view t) {
  if (t.size() != 10 || t[4] != '-' || t[7] != '-') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (t[i] < '0' || t[i] > '9') return false;
  return true;
}

bool KlineNumber(std::string_view t, double* out) {
  if (t.empty()) return false;
  const char* end = t.data() + t.size();
  const auto [ptr, ec] = std::from_chars(t.data(), end, *out);
  return ec == std::errc() && ptr == end && std::isfinite(*out);
}

std::string KlineCompact(std::string_view date) {
  std::string out;
  for (char c : date)
    if (c != '-') out += c;
  return out;
}

}  // namespace

std::string SecurityId(std::string_view code) {
  if (code.size() != 6) return {};
  for (char c : code)
    if (c < '0' || c > '9') return {};
  if (code[0] == '6') return "1." + std::string(code);
  // Shenzhen's A shares: 000…, 001…, 002…, 003…, 300…, 301…
  if (code.substr(0, 2) == "00" || code.substr(0, 2) == "30") return "0." + std::string(code);
  return {};
}

std::string KlineAddress(std::string_view host, std::string_view secid, std::string_view from,
                         std::string_view to) {
  std::string address(host);
  if (address.find("://") == std::string::npos) address = "http://" + address;
  address += "/api/qt/stock/kline/get?secid=" + std::string(secid) +
             "&klt=101&fqt=2&beg=" + KlineCompact(from) + "&end=" + KlineCompact(to) +
             "&fields1=f1,f2,f3,f4,f5,f6&fields2=f51,f52,f53,f54,f55,f56,f57,f58,f59,f60,f61";
  return address;
}

KlineAnswer ReadKlineAnswer(std::string_view body) {
  KlineAnswer answer;
  if (body.empty()) {
    answer.reason = "empty answer";
    return answer;
  }
  const nlohmann::json root = nlohmann::json::parse(body, nullptr, false);
  if (root.is_discarded() || !root.is_object()) {
    answer.reason = "the answer is no JSON object";
    return answer;
  }
  const auto data = root.find("data");
  if (data == root.end()) {
    answer.reason = "the answer has no \"data\"";
    return answer;
  }
  if (data->is_null()) {
    answer.kind = KlineKind::kNoBars;
    return answer;
  }
  const auto klines = data->is_object() ? data->find("klines") : data->end();
  if (!data->is_object() || klines == data->end() || !klines->is_array()) {
    answer.reason = "the answer has no \"data.klines\" list";
    return answer;
  }
  std::vector<store::PriceBar> bars;
  bars.reserve(klines->size());
  for (size_t i = 0; i < klines->size(); ++i) {
    const nlohmann::json& row = (*klines)[i];
    const std::string where = "row " + std::to_string(i + 1);
    if (!row.is_string()) {
      answer.reason = where + " is no text";
      return answer;
    }
    const std::string& line = row.get_ref<const std::string&>();
    std::vector<std::string_view> fields;
    std::string_view rest = line;
    while (true) {
      const size_t comma = rest.find(',');
      fields.push_back(rest.substr(0, comma));
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
    if (fields.size() != kKlineFieldCount) {
      answer.reason = where + " has " + std::to_string(fields.size()) + " fields, not " +
                      std::to_string(kKlineFieldCount);
      return answer;
    }
    store::PriceBar bar;
    if (!KlineIsDate(fields[0])) {
      answer.reason = where + " has no date: \"" + std::string(fields[0]) + "\"";
      return answer;
    }
    bar.date.assign(fields[0]);
    // date, open, close, high, low, volume, amount
    double* targets[] = {&bar.open, &bar.close, &bar.high, &bar.low, &bar.volume, &bar.amount};
    for (int f = 0; f < 6; ++f) {
      if (!KlineNumber(fields[f + 1], targets[f])) {
        answer.reason = where + " (" + bar.date + ") field " + std::to_string(f + 2) +
                        " is no number: \"" + std::string(fields[f + 1]) + "\"";
        return answer;
      }
    }
    if (!bars.empty() && bar.date <= bars.back().date) {
      answer.reason = where + " (" + bar.date + ") " +
                      (bar.date == bars.back().date ? "repeats the date before it"
                                                    : "comes before the date before it");
      return answer;
    }
    bars.push_back(std::move(bar));
  }
  answer.kind = KlineKind::kBars;
  answer.bars = std::move(bars);
  return answer;
}

}  // namespace prices
