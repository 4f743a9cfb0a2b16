#include "ranking/rankings.h"

#include <algorithm>
#include <limits>
#include <thread>

#include "text/numbers.h"

namespace ranking {
namespace {

constexpr int kNextDays = 2;
constexpr uint32_t kNoRow = std::numeric_limits<uint32_t>::max();

// Positions 0 .. n-1 of `in` ordered by key (below `keys`), stably.
template <typename Key>
std::vector<uint32_t> CountingOrder(const std::vector<uint32_t>& in, size_t keys, Key key) {
  std::vector<uint32_t> start(keys + 1, 0);
  for (uint32_t i : in) ++start[key(i) + 1];
  for (size_t k = 1; k <= keys; ++k) start[k] += start[k - 1];
  std::vector<uint32_t> out(in.size());
  for (uint32_t i : in) out[start[key(i)]++] = i;
  return out;
}

// The three largest amounts offered, largest first; of equal amounts the
// one offered first.
struct TopThree {
  std::array<uint32_t, 3> stocks{};
  std::array<double, 3> amounts{};
  int count = 0;

  void Offer(uint32_t stock, double amount) {
    int at = count;
    while (at > 0 && amount > amounts[static_cast<size_t>(at - 1)]) --at;
    if (at >= 3) return;
    for (int k = std::min(count, 2); k > at; --k) {
      stocks[static_cast<size_t>(k)] = stocks[static_cast<size_t>(k - 1)];
      amounts[static_cast<size_t>(k)] = amounts[static_cast<size_t>(k - 1)];
    }
    stocks[static_cast<size_t>(at)] = stock;
    amounts[static_cast<size_t>(at)] = amount;
    count = std::min(count + 1, 3);
  }
};

// Sums and counts that need nothing but one listing at a time.
void CountListings(const RangeData& d, Rankings& r, std::vector<uint32_t>& seat_row,
                   std::vector<uint32_t>& stock_row, std::vector<uint32_t>& institution_row) {
  for (const RangeListing& listing : d.listings) {
    if (!listing.in_range) continue;
    uint32_t& s = stock_row[listing.stock];
    if (s == kNoRow) {
      s = static_cast<uint32_t>(r.stocks.size());
      r.stocks.push_back(StockRanking{listing.stock});
    }
    StockRanking& stock = r.stocks[s];
    ++stock.listings;
    stock.buy += listing.buying;
    stock.sell += listing.selling;
    for (uint32_t e = listing.first_entry; e < listing.first_entry + listing.entry_count; ++e) {
      const uint32_t id = d.entry_seats[e] & kSeatBits;
      const bool in_buy = (d.entry_seats[e] & kInBuyBlock) != 0;
      const bool in_sell = (d.entry_seats[e] & kInSellBlock) != 0;
      uint32_t& row_index = seat_row[id];
      if (row_index == kNoRow) {
        row_index = static_cast<uint32_t>(r.seats.size());
        r.seats.push_back(SeatRanking{id});
      }
      SeatRanking& seat = r.seats[row_index];
      ++seat.listings;
      seat.buy_listings += in_buy;
      seat.sell_listings += in_sell;
      seat.buy += d.entry_buy[e];
      seat.sell += d.entry_sell[e];
      if (id != d.institution) continue;
      stock.institution_buy += d.entry_buy[e];
      stock.institution_sell += d.entry_sell[e];
      uint32_t& i = institution_row[listing.stock];
      if (i == kNoRow) {
        i = static_cast<uint32_t>(r.institutions.size());
        r.institutions.push_back(InstitutionRanking{listing.stock});
      }
      InstitutionRanking& institution = r.institutions[i];
      institution.buy += d.entry_buy[e];
      institution.sell += d.entry_sell[e];
      institution.buy_count += in_buy;
      institution.sell_count += in_sell;
    }
  }
}

// What needs a stock's listings side by side, day after day: its distinct
// buying and selling Seats, each Seat's buy amount in it (for the Seats'
// top stocks), and the Seats that sell it on the next days after buying.
class StockPass {
 public:
  StockPass(const RangeData& d, Rankings& r, const std::vector<uint32_t>& seat_row,
            const std::vector<uint32_t>& stock_row)
      : d_(d), r_(r), seat_row_(seat_row), stock_row_(stock_row) {
    const size_t seats = d.seats.size();
    buy_mark_.assign(seats, 0);
    sell_mark_.assign(seats, 0);
    amount_mark_.assign(seats, 0);
    amount_.assign(seats, 0);
    sold_mark_.assign(seats, 0);
    sold_day_.assign(seats, 0);
    next_day_sells_.assign(r.seats.size(), 0);
    top_.assign(r.seats.size(), TopThree{});
  }

  // The stocks whose listings are order[begin .. end - 1] (whole stocks).
  void Run(const std::vector<uint32_t>& order, size_t begin, size_t end) {
    for (size_t b = begin; b < end;) {
      size_t e = b + 1;
      while (e < end && d_.listings[order[e]].stock == d_.listings[order[b]].stock) ++e;
      Stock(order, b, e);
      b = e;
    }
  }

  // Per Seat row: its next-day sells and top stocks in these stocks.
  const std::vector<int>& next_day_sells() const { return next_day_sells_; }
  const std::vector<TopThree>& top() const { return top_; }

 private:
  // The listings come in stock order, not in the order they lie in
  // memory: fetch the listing a few steps ahead, and the Seats of the one
  // fetched earlier, so that the loop does not wait for memory each time.
  void Prefetch(const std::vector<uint32_t>& order, size_t k) const {
    constexpr size_t kListingsAhead = 16;
    constexpr size_t kEntriesAhead = 8;
    if (k + kListingsAhead < order.size())
      __builtin_prefetch(&d_.listings[order[k + kListingsAhead]]);
    if (k + kEntriesAhead < order.size()) {
      const uint32_t first = d_.listings[order[k + kEntriesAhead]].first_entry;
      __builtin_prefetch(&d_.entry_seats[first]);
      __builtin_prefetch(&d_.entry_buy[first]);
      __builtin_prefetch(&d_.entry_buy[first] + 8);
    }
  }

  template <typename F>
  void ForEntries(const RangeListing& listing, F f) {
    for (uint32_t e = listing.first_entry; e < listing.first_entry + listing.entry_count; ++e)
      f(d_.entry_seats[e] & kSeatBits, d_.entry_seats[e], e);
  }

  void Stock(const std::vector<uint32_t>& order, size_t b, size_t e) {
    const uint32_t stock = d_.listings[order[b]].stock;
    const uint32_t mark = stock + 1;
    StockRanking* row = stock_row_[stock] == kNoRow ? nullptr : &r_.stocks[stock_row_[stock]];
    for (size_t k = b; k < e; ++k) {
      Prefetch(order, k);
      const RangeListing& listing = d_.listings[order[k]];
      if (!listing.in_range) continue;
      ForEntries(listing, [&](uint32_t seat, uint32_t sides, uint32_t entry) {
        if ((sides & kInBuyBlock) && buy_mark_[seat] != mark) {
          buy_mark_[seat] = mark;
          ++row->buying_seats;
        }
        if ((sides & kInSellBlock) && sell_mark_[seat] != mark) {
          sell_mark_[seat] = mark;
          ++row->selling_seats;
        }
        if (d_.entry_buy[entry] > 0) {
          if (amount_mark_[seat] != mark) {
            amount_mark_[seat] = mark;
            amount_[seat] = 0;
            touched_.push_back(seat);
          }
          amount_[seat] += d_.entry_buy[entry];
        }
      });
    }
    for (uint32_t seat : touched_) top_[seat_row_[seat]].Offer(stock, amount_[seat]);
    touched_.clear();

    // Latest day first: when a day's buyers are checked, sold_day_ holds
    // the nearest later day on which each Seat sold this stock.
    for (size_t k = e; k > b;) {
      const uint16_t day = d_.listings[order[k - 1]].day;
      size_t j = k - 1;
      while (j > b && d_.listings[order[j - 1]].day == day) --j;
      for (size_t m = j; m < k; ++m) {
        const RangeListing& listing = d_.listings[order[m]];
        if (!listing.in_range) continue;
        ForEntries(listing, [&](uint32_t seat, uint32_t sides, uint32_t) {
          if ((sides & kInBuyBlock) && sold_mark_[seat] == mark &&
              sold_day_[seat] <= day + kNextDays)
            ++next_day_sells_[seat_row_[seat]];
        });
      }
      for (size_t m = j; m < k; ++m) {
        ForEntries(d_.listings[order[m]], [&](uint32_t seat, uint32_t sides, uint32_t) {
          if (!(sides & kInSellBlock)) return;
          sold_mark_[seat] = mark;
          sold_day_[seat] = day;
        });
      }
      k = j;
    }
  }

  const RangeData& d_;
  Rankings& r_;
  const std::vector<uint32_t>& seat_row_;
  const std::vector<uint32_t>& stock_row_;
  // Per Seat, marked with the stock (+1) they were last set for.
  std::vector<uint32_t> buy_mark_, sell_mark_, amount_mark_, sold_mark_;
  std::vector<double> amount_;
  std::vector<uint16_t> sold_day_;
  std::vector<uint32_t> touched_;
  std::vector<int> next_day_sells_;
  std::vector<TopThree> top_;
};

// The listings grouped by stock, each stock's in day order (and record
// order within a day).
std::vector<uint32_t> StockOrder(const RangeData& d) {
  std::vector<uint32_t> all(d.listings.size());
  for (uint32_t i = 0; i < all.size(); ++i) all[i] = i;
  const auto by_day = CountingOrder(
      all, d.days.size(), [&](uint32_t i) { return static_cast<uint32_t>(d.listings[i].day); });
  return CountingOrder(by_day, d.codes.size(), [&](uint32_t i) { return d.listings[i].stock; });
}

}  // namespace

Rankings MakeRankings(const RangeData& data) {
  Rankings r;
  std::vector<uint32_t> seat_row(data.seats.size(), kNoRow);
  std::vector<uint32_t> stock_row(data.codes.size(), kNoRow);
  std::vector<uint32_t> institution_row(data.codes.size(), kNoRow);
  CountListings(data, r, seat_row, stock_row, institution_row);

  // Both cores take half of the stocks each; the lower stock numbers go
  // first when the Seats' results are put together, as one pass would.
  const std::vector<uint32_t> order = StockOrder(data);
  size_t middle = order.size() / 2;
  while (middle > 0 && middle < order.size() &&
         data.listings[order[middle]].stock == data.listings[order[middle - 1]].stock)
    ++middle;
  StockPass low(data, r, seat_row, stock_row);
  StockPass high(data, r, seat_row, stock_row);
  std::thread second([&] { high.Run(order, middle, order.size()); });
  low.Run(order, 0, middle);
  second.join();
  for (size_t i = 0; i < r.seats.size(); ++i) {
    SeatRanking& seat = r.seats[i];
    seat.next_day_sells = low.next_day_sells()[i] + high.next_day_sells()[i];
    TopThree top = low.top()[i];
    const TopThree& more = high.top()[i];
    for (int k = 0; k < more.count; ++k)
      top.Offer(more.stocks[static_cast<size_t>(k)], more.amounts[static_cast<size_t>(k)]);
    seat.top_stocks = top.stocks;
    seat.top_amounts = top.amounts;
    seat.top_count = top.count;
  }
  return r;
}

WanFigures ToWan(double buy_yuan, double sell_yuan) {
  WanFigures f;
  f.buy = text::RoundHalfAway(buy_yuan / 10000, 2);
  f.sell = text::RoundHalfAway(sell_yuan / 10000, 2);
  f.net = text::RoundHalfAway(f.buy - f.sell, 2);
  return f;
}

}  // namespace ranking
