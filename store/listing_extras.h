// What the data centre gives beyond the nine fields, in two tables of
// Data.edb beside the listings: "数据中心明细", one row per listing
// (date, code and the full reason), and "数据中心席位", one row per Seat of a
// listing (date, code, reason, side and position in its Seat block) with
// the branch's codes. Rows are written in the same transaction as their
// page's listings and emptied with them ("更新原数据"); duplicate removal
// leaves them. Files made without the tables gain them at their first
// write; until then, and in a file only read, a read finds none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/table_file.h"

namespace store {

inline constexpr std::string_view kListingExtrasTable = "数据中心明细";
inline constexpr std::string_view kSeatCodesTable = "数据中心席位";

// One listing's row. Texts are GBK; figures as the data centre gave them
// (nullopt where it gave none).
struct ListingExtras {
  std::string date;                        // 日期, "YYYY-MM-DD"
  std::string code;                        // 代码
  std::string reason;                      // 原因: the full reason (the stored one is shortened)
  std::optional<double> close;             // 收盘价, yuan
  std::optional<double> change_rate;       // 涨跌幅, %
  std::optional<double> turnover_rate;     // 换手率, %
  std::optional<double> free_float_value;  // 流通市值, yuan
  std::optional<double> list_buy;          // 龙虎榜买入额, yuan
  std::optional<double> list_sell;         // 龙虎榜卖出额, yuan
  std::optional<double> list_net;          // 龙虎榜净买额, yuan
  std::optional<double> list_deal;         // 龙虎榜成交额, yuan
  std::optional<double> net_ratio;         // 净买额占总成交比, %
  std::optional<double> deal_ratio;        // 成交额占总成交比, %
  std::string explain;                     // 解读: the service's one-line reading
  std::optional<double> after_1_day;       // 上榜后1日, % as given
  std::optional<double> after_2_days;      // 上榜后2日
  std::optional<double> after_5_days;      // 上榜后5日
  std::optional<double> after_10_days;     // 上榜后10日
  bool operator==(const ListingExtras&) const = default;
};

// One Seat's row: which branch stands at `position` of a listing's buy or
// sell block.
struct SeatCode {
  std::string date;        // 日期
  std::string code;        // 代码 of the stock
  std::string reason;      // 原因: the full reason of the listing
  int side = 0;            // 方向: 0 the buy block, 1 the sell block
  int position = 1;        // 位置: 1 to 5, as in the block
  std::string name;        // 营业部名称, GBK, as in the block
  std::string branch;      // 营业部代码 (OPERATEDEPT_CODE)
  std::string branch_old;  // 营业部旧代码 (OPERATEDEPT_CODE_OLD)
  bool operator==(const SeatCode&) const = default;
};

// The tables as the store keeps them beside the listings (see
// table_file.h).
const SideTable& ListingExtrasSideTable();
const SideTable& SeatCodesSideTable();

}  // namespace store
