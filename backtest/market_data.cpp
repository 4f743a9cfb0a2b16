#include "backtest/market_data.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <thread>

namespace backtest {

namespace {
// Bars from which Prepare places them on two threads.
constexpr size_t kMarketDataBarsForTwoThreads = size_t{1} << 20;
}  // namespace

DayNumber DayNumberOf(const text::DateTime& date) {
  const int64_t ms = date.Milliseconds();
  const int64_t day = ms / text::DateTime::kMsPerDay;
  return static_cast<DayNumber>(ms < 0 && ms % text::DateTime::kMsPerDay != 0 ? day - 1 : day);
}

text::DateTime DateOfDayNumber(DayNumber day) {
  return text::DateTime::FromMilliseconds(static_cast<int64_t>(day) * text::DateTime::kMsPerDay);
}

std::optional<DayNumber> DayNumberOfText(std::string_view date) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return std::nullopt;
  int parts[3] = {0, 0, 0};
  const size_t starts[3] = {0, 5, 8};
  const size_t lengths[3] = {4, 2, 2};
  for (int i = 0; i < 3; ++i) {
    const char* first = date.data() + starts[i];
    const char* last = first + lengths[i];
    const auto [end, error] = std::from_chars(first, last, parts[i]);
    if (error != std::errc() || end != last) return std::nullopt;
  }
  if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31) return std::nullopt;
  const text::DateTime d = text::DateTime::FromParts(parts[0], parts[1], parts[2]);
  if (d.Month() != parts[1] || d.Day() != parts[2]) return std::nullopt;
  return DayNumberOf(d);
}

double PriceLimitOf(std::string_view code, std::string_view name, DayNumber day) {
  const bool st = name.find("ST") != std::string_view::npos;
  if (code.starts_with("688")) return 0.20;
  if (code.starts_with("300") || code.starts_with("301")) {
    static const DayNumber kChiNextTwenty = DayNumberOf(text::DateTime::FromParts(2020, 8, 24));
    if (day >= kChiNextTwenty) return 0.20;
  }
  if (code.size() == 6 && (code[0] == '8' || code[0] == '4')) return 0.30;
  return st ? 0.05 : 0.10;
}

uint32_t MarketData::Intern(std::string_view text) {
  if (const auto it = text_ids_.find(text); it != text_ids_.end()) return it->second;
  const uint32_t id = static_cast<uint32_t>(texts_.size());
  text_ids_.emplace(std::string(text), id);
  texts_.emplace_back(text);
  return id;
}

uint32_t MarketData::FindText(std::string_view text) const {
  const auto it = text_ids_.find(text);
  return it == text_ids_.end() ? kNoText : it->second;
}

uint32_t MarketData::CodeNumber(std::string_view code) {
  const uint32_t text = Intern(code);
  const auto [it, added] =
      code_of_text_.try_emplace(text, static_cast<uint32_t>(code_texts_.size()));
  if (added) {
    code_texts_.push_back(text);
    bars_.emplace_back();
  }
  return it->second;
}

uint32_t MarketData::FindCode(std::string_view code) const {
  const uint32_t text = FindText(code);
  if (text == kNoText) return kNoText;
  const auto it = code_of_text_.find(text);
  return it == code_of_text_.end() ? kNoText : it->second;
}

void MarketData::SetBars(std::string_view code, std::span<const Bar> bars) {
  bars_[CodeNumber(code)].assign(bars.begin(), bars.end());
}

void MarketData::AddListing(const ListingInput& in) {
  Listing l;
  l.day = in.day;
  l.code = CodeNumber(in.code);
  l.name = Intern(in.name);
  l.board = Intern(in.board);
  l.reason = Intern(in.reason);
  l.first_seat = static_cast<uint32_t>(seats_.size());
  const size_t buys = std::min<size_t>(in.buy.size(), 5);
  const size_t sells = std::min<size_t>(in.sell.size(), 5);
  l.buy_count = static_cast<uint8_t>(buys);
  l.sell_count = static_cast<uint8_t>(sells);
  l.has_strength = in.strength.has_value();
  l.strength = in.strength.value_or(0);
  l.price_limit = in.price_limit;
  seats_.insert(seats_.end(), in.buy.begin(), in.buy.begin() + static_cast<ptrdiff_t>(buys));
  seats_.insert(seats_.end(), in.sell.begin(), in.sell.begin() + static_cast<ptrdiff_t>(sells));
  listings_.push_back(l);
}

void MarketData::SetCalendar(std::vector<DayNumber> days) {
  given_calendar_ = std::move(days);
  calendar_given_ = true;
}

void MarketData::Prepare() {
  if (calendar_given_) {
    calendar_ = given_calendar_;
  } else {
    // A mark per day between the first and the last bar: no sort of every bar.
    calendar_.clear();
    DayNumber first = INT32_MAX;
    DayNumber last = INT32_MIN;
    for (const auto& series : bars_) {
      if (series.empty()) continue;
      first = std::min(first, series.front().day);
      last = std::max(last, series.back().day);
    }
    if (first <= last) {
      std::vector<uint8_t> traded(static_cast<size_t>(last - first) + 1, 0);
      for (const auto& series : bars_)
        for (const Bar& b : series) traded[static_cast<size_t>(b.day - first)] = 1;
      for (size_t i = 0; i < traded.size(); ++i)
        if (traded[i]) calendar_.push_back(first + static_cast<DayNumber>(i));
    }
  }
  std::sort(calendar_.begin(), calendar_.end());
  calendar_.erase(std::unique(calendar_.begin(), calendar_.end()), calendar_.end());
  // Each day's index in a table over the calendar's span; a calendar that
  // spans centuries (a damaged date) is searched instead.
  constexpr int64_t kDenseDays = 1 << 20;
  index_of_day_.clear();
  if (!calendar_.empty() &&
      static_cast<int64_t>(calendar_.back()) - calendar_.front() < kDenseDays) {
    index_of_day_.assign(static_cast<size_t>(calendar_.back() - calendar_.front()) + 1, -1);
    for (size_t i = 0; i < calendar_.size(); ++i)
      index_of_day_[static_cast<size_t>(calendar_[i] - calendar_.front())] =
          static_cast<int32_t>(i);
  }
  bar_calendar_.assign(bars_.size(), {});
  const auto place = [this](size_t from, size_t to) {
    for (size_t code = from; code < to; ++code) {
      auto& places = bar_calendar_[code];
      places.reserve(bars_[code].size());
      for (const Bar& b : bars_[code]) places.push_back(CalendarIndexOf(b.day));
    }
  };
  // Millions of bars are placed in two halves side by side.
  size_t total = 0;
  for (const auto& series : bars_) total += series.size();
  if (total < kMarketDataBarsForTwoThreads) {
    place(0, bars_.size());
    return;
  }
  size_t half = 0;
  for (size_t placed = 0; half < bars_.size() && placed < total / 2; ++half)
    placed += bars_[half].size();
  std::jthread other(place, 0, half);
  place(half, bars_.size());
}

int32_t MarketData::CalendarIndexOf(DayNumber day) const {
  if (calendar_.empty() || day < calendar_.front() || day > calendar_.back()) return -1;
  if (!index_of_day_.empty()) return index_of_day_[static_cast<size_t>(day - calendar_.front())];
  const auto it = std::lower_bound(calendar_.begin(), calendar_.end(), day);
  return *it == day ? static_cast<int32_t>(it - calendar_.begin()) : -1;
}

}  // namespace backtest
