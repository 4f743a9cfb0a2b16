// The three rankings of a range, worked out from its scan: one row per
// Seat, one per stock, and one per stock where "机构专用" traded. Amounts
// stay in yuan here; WanFigures turns them into what the page shows.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ranking/range_scan.h"

namespace ranking {

enum class RankingKind { kSeats, kStocks, kInstitutions };

// 营业部排行: a Seat over the listings of the range.
struct SeatRanking {
  uint32_t seat = 0;
  int listings = 0;       // listings that name it
  int buy_listings = 0;   // ... in the buy block
  int sell_listings = 0;  // ... in the sell block
  // Of its buy listings, those after which it stands in the sell block of
  // the same stock on one of the next two trading days the store holds.
  int next_day_sells = 0;
  double buy = 0;  // yuan, over every block it stands in
  double sell = 0;
  // The stocks it bought most, by amount, largest first.
  std::array<uint32_t, 3> top_stocks{};
  std::array<double, 3> top_amounts{};
  int top_count = 0;
};

// 个股统计: a stock (by code) over its listings of the range.
struct StockRanking {
  uint32_t stock = 0;
  int listings = 0;
  double buy = 0;  // yuan, the listings' totals as the statistics grid sums them
  double sell = 0;
  int buying_seats = 0;  // distinct Seats in its buy blocks
  int selling_seats = 0;
  double institution_buy = 0;  // yuan, of the "机构专用" entries
  double institution_sell = 0;
};

// 机构追踪: the "机构专用" entries of one stock's listings.
struct InstitutionRanking {
  uint32_t stock = 0;
  double buy = 0;  // yuan
  double sell = 0;
  int buy_count = 0;  // listings with it in the buy block
  int sell_count = 0;
};

struct Rankings {
  std::vector<SeatRanking> seats;  // in the order the Seats were first met
  std::vector<StockRanking> stocks;
  std::vector<InstitutionRanking> institutions;
};

Rankings MakeRankings(const RangeData& data);

// Yuan sums as the page shows them, in 10,000 yuan to 2 decimals: each
// total rounded once, the net the rounded difference of the two rounded
// totals, as the statistics grid works out a listing's line.
struct WanFigures {
  double buy = 0;
  double sell = 0;
  double net = 0;
};
WanFigures ToWan(double buy_yuan, double sell_yuan);

}  // namespace ranking
