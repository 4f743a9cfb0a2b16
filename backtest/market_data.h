// What a back-test reads: daily bars per stock code and the listings with
// their two Seat blocks, held in flat arrays so a rule over a million
// listings walks memory in order. Texts are interned (GBK bytes).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/date_time.h"

namespace backtest {

// A date as the number of days since 1970-01-01 (the date boxes' midnight
// divided by a day's milliseconds).
using DayNumber = int32_t;
DayNumber DayNumberOf(const text::DateTime& date);
text::DateTime DateOfDayNumber(DayNumber day);
// "YYYY-MM-DD"; none for another text.
std::optional<DayNumber> DayNumberOfText(std::string_view date);

// One trading day of one stock, back-adjusted prices.
struct Bar {
  DayNumber day = 0;
  double open = 0;
  double high = 0;
  double low = 0;
  double close = 0;
};

enum class SeatKind : uint8_t { kOther, kInstitution, kNorthbound, kHotMoney, kBranch };

// One Seat row of a block: who, and what it bought and sold (in 10,000 yuan).
struct Seat {
  uint32_t identity = 0;
  SeatKind kind = SeatKind::kOther;
  double buy = 0;
  double sell = 0;
};

struct ListingInput {
  DayNumber day = 0;
  std::string code;
  std::string name;
  std::string board;
  std::string reason;
  std::optional<double> strength;
  std::vector<Seat> buy;   // at most five, in block order
  std::vector<Seat> sell;  // at most five
  // The day's price limit as a fraction (0.10, 0.20, 0.05); see PriceLimitOf.
  double price_limit = 0.10;
};

// The daily price limit of a stock on a day: 20 % for the STAR market (688)
// and, from 2020-08-24, ChiNext (300, 301); 30 % for the Beijing exchange
// (8xxxxx, 4xxxxx); 5 % for a name marked ST; else 10 %.
double PriceLimitOf(std::string_view code, std::string_view name, DayNumber day);

inline constexpr uint32_t kNoText = UINT32_MAX;

// A stored listing: texts as numbers into MarketData::Text, Seats as a run
// of MarketData::Seats() (the buy block first).
struct Listing {
  DayNumber day = 0;
  uint32_t code = 0;  // also the index of its bar series
  uint32_t name = 0;
  uint32_t board = 0;
  uint32_t reason = 0;
  uint32_t first_seat = 0;
  uint8_t buy_count = 0;
  uint8_t sell_count = 0;
  bool has_strength = false;
  double strength = 0;
  double price_limit = 0.10;
};

class MarketData {
 public:
  // The bars of one code in ascending day order; a second call for the same
  // code replaces them.
  void SetBars(std::string_view code, std::span<const Bar> bars);
  // The same for a code already known (by its number), taking the vector.
  void TakeBars(uint32_t code, std::vector<Bar>&& bars) { bars_[code] = std::move(bars); }
  // Room for this many listings and Seats, when the reader knows them.
  void Reserve(size_t listings, size_t seats) {
    listings_.reserve(listings);
    seats_.reserve(seats);
  }
  // Listings may come in any order.
  void AddListing(const ListingInput& listing);
  // The trading days; without it, every day some stock has a bar.
  void SetCalendar(std::vector<DayNumber> days);

  std::span<const Listing> Listings() const { return listings_; }
  std::span<const Seat> Seats() const { return seats_; }
  // For a reader that learns the Seats' identities and kinds only after
  // every listing is in (same count, same order).
  std::span<Seat> MutableSeats() { return seats_; }
  std::span<const Seat> BuyBlock(const Listing& l) const {
    return std::span<const Seat>(seats_).subspan(l.first_seat, l.buy_count);
  }
  std::span<const Seat> SellBlock(const Listing& l) const {
    return std::span<const Seat>(seats_).subspan(l.first_seat + l.buy_count, l.sell_count);
  }
  const std::string& Text(uint32_t id) const { return texts_[id]; }
  uint32_t TextCount() const { return static_cast<uint32_t>(texts_.size()); }
  // The number of a text, kNoText when no listing has it.
  uint32_t FindText(std::string_view text) const;
  uint32_t CodeCount() const { return static_cast<uint32_t>(bars_.size()); }
  const std::string& Code(uint32_t code) const { return texts_[code_texts_[code]]; }
  std::span<const Bar> BarsOf(uint32_t code) const { return bars_[code]; }
  // The code's number, kNoText when it has neither bars nor listings.
  uint32_t FindCode(std::string_view code) const;

  // Builds the calendar and places every bar on it; call after the last
  // change, before the accessors below.
  void Prepare();
  // Sorted trading days (the calendar set, else the union of the bar days).
  const std::vector<DayNumber>& Calendar() const { return calendar_; }
  // For every bar of a code, the index of its day in Calendar(); -1 for a
  // bar on a day outside a given calendar.
  std::span<const int32_t> CalendarIndexOfBars(uint32_t code) const { return bar_calendar_[code]; }
  // The index of a day in Calendar(); -1 for a day that is no trading day.
  int32_t CalendarIndexOf(DayNumber day) const;

 private:
  uint32_t Intern(std::string_view text);
  uint32_t CodeNumber(std::string_view code);

  std::vector<std::string> texts_;
  // Looked up by string_view: no string is built for a text already known.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, uint32_t, TextHash, std::equal_to<>> text_ids_;
  std::vector<uint32_t> code_texts_;
  std::unordered_map<uint32_t, uint32_t> code_of_text_;
  std::vector<std::vector<Bar>> bars_;
  std::vector<Listing> listings_;
  std::vector<Seat> seats_;
  std::vector<DayNumber> given_calendar_;
  bool calendar_given_ = false;
  std::vector<DayNumber> calendar_;
  std::vector<std::vector<int32_t>> bar_calendar_;
  // Calendar index by day from the first trading day on (-1 between
  // trading days); empty when the calendar spans too many years for it.
  std::vector<int32_t> index_of_day_;
};

}  // namespace backtest
