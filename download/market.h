// The three boards whose lists are downloaded, in download order.
#pragma once

#include <array>
#include <string>

namespace download {

enum class Market {
  kShanghai = 0,  // "沪市": one amount per Seat
  kShenzhen = 1,  // "深市": buying and selling amount per Seat
  kSmeBoard = 2,  // "中小板": as "深市"
};

inline constexpr std::array<Market, 3> kMarkets = {Market::kShanghai, Market::kShenzhen,
                                                   Market::kSmeBoard};

// The page's board number `t`.
inline int BoardNumber(Market m) {
  return static_cast<int>(m);
}

// The Seat tables give each Seat a buying and a selling amount.
inline bool UsesTwoAmountLayout(Market m) {
  return m != Market::kShanghai;
}

// The board's name in GBK: "沪市", "深市", "中小板".
const std::string& MarketName(Market m);

}  // namespace download
