#include "ranking/date_range.h"

#include <charconv>

namespace ranking {

DateRange QuickRangeEndingOn(QuickRange quick, const text::DateTime& today) {
  if (quick == QuickRange::kAll) return DateRange{{}, {}, true};
  const int days = kQuickRangeDays[static_cast<int>(quick)];
  return DateRange{today.AddDays(-(days - 1)).DateText(), today.DateText(), false};
}

DateRange RangeBetween(const text::DateTime& a, const text::DateTime& b) {
  std::string x = a.DateText(), y = b.DateText();
  if (y < x) std::swap(x, y);
  return DateRange{std::move(x), std::move(y), false};
}

std::optional<text::DateTime> DateOf(std::string_view date) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return std::nullopt;
  int parts[3] = {};
  const std::string_view pieces[3] = {date.substr(0, 4), date.substr(5, 2), date.substr(8, 2)};
  for (int k = 0; k < 3; ++k) {
    const auto [end, error] =
        std::from_chars(pieces[k].data(), pieces[k].data() + pieces[k].size(), parts[k]);
    if (error != std::errc() || end != pieces[k].data() + pieces[k].size()) return std::nullopt;
  }
  if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31) return std::nullopt;
  return text::DateTime::FromParts(parts[0], parts[1], parts[2]);
}

std::string DaysAfter(std::string_view date, int days) {
  const auto day = DateOf(date);
  return day ? day->AddDays(days).DateText() : std::string(date);
}

RecordLookup RecordNumbersInDateRange(store::Store& store, std::string_view from,
                                      std::string_view to) {
  RecordLookup lookup;
  store::StoreAccess access = store.OpenStore();
  if (!access.ok()) {
    lookup.error = access.error().value_or(store::StoreError{});
    return lookup;
  }
  // The store answers from its index on 日期.
  lookup.numbers = access.RecordNumbersInDateRange(from, to);
  std::optional<store::StoreError> failure = access.error();
  std::optional<store::StoreError> closing = access.CloseStore();
  lookup.error = failure ? failure : closing;
  if (lookup.error) lookup.numbers.clear();
  return lookup;
}

}  // namespace ranking
