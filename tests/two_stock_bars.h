// Daily bars of the two stocks the ranking-with-returns tests list: 600001
// (甲) on 04-07..04-09 and 600002 (乙) on 04-08..04-09 of 2010.
#pragma once

#include <gtest/gtest.h>

#include "store/price_bars.h"
#include "store/record_store.h"
#include "tests/program_fixture.h"

namespace testing_support {

// 甲: D+1 opens 10 % up and closes 20 % up. 乙: 5 % down, then 10 %.
inline void StoreTwoStocksBars(store::Store& store) {
  store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
  EXPECT_TRUE(a.StorePrices(
      {DailyBar("2010-04-07", 9, 10), DailyBar("2010-04-08", 11, 12),
       DailyBar("2010-04-09", 12, 9)},
      store::PriceLogEntry{"600001", "2010-04-09 20:00:00", store::PriceFetchResult::kBars, "", 3,
                           "2010-04-07", "2010-04-09"}));
  EXPECT_TRUE(a.StorePrices(
      {DailyBar("2010-04-08", 21, 20), DailyBar("2010-04-09", 19, 18)},
      store::PriceLogEntry{"600002", "2010-04-09 20:00:00", store::PriceFetchResult::kBars, "", 2,
                           "2010-04-08", "2010-04-09"}));
  EXPECT_FALSE(a.CloseStore());
}

}  // namespace testing_support
