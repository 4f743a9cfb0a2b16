#include "tests/program_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace testing_support {

std::string SeatBlock(const std::vector<Seat>& seats) {
  std::string block;
  for (size_t i = 0; i < seats.size(); ++i) {
    if (i) block += "|";
    block += std::get<0>(seats[i]) + "|" + std::get<1>(seats[i]) + "|" + std::get<2>(seats[i]);
  }
  return block;
}

ListingRecord MakeListing(const std::string& date, const std::string& name_utf8,
                          const std::string& code, const std::string& turnover,
                          const std::string& buy_amount, const std::string& sell_amount) {
  ListingRecord r;
  r[store::kDate] = date;
  r[store::kName] = G(name_utf8);
  r[store::kCode] = code;
  r[store::kReason] = G("日涨幅偏离值达7%");
  r[store::kValue] = G("日涨幅偏") + "9.52%";
  r[store::kVolume] = "1,234.56";
  r[store::kTurnover] = turnover;
  std::vector<Seat> buys, sells;
  for (int i = 1; i <= 5; ++i) {
    buys.emplace_back(G("买") + std::to_string(i), buy_amount, "0.00");
    sells.emplace_back(G("卖") + std::to_string(i), "0.00", sell_amount);
  }
  r[store::kBuySeats] = SeatBlock(buys);
  r[store::kSellSeats] = SeatBlock(sells);
  return r;
}

ListingRecord SeatsListing(const std::string& date, const std::string& name_utf8,
                           const std::string& code, const std::vector<Seat>& buys,
                           const std::vector<Seat>& sells) {
  ListingRecord r = MakeListing(date, name_utf8, code, "10000");
  r[store::kBuySeats] = SeatBlock(buys);
  r[store::kSellSeats] = SeatBlock(sells);
  return r;
}

store::PriceBar DailyBar(const std::string& date, double open, double close) {
  return store::PriceBar{date, open, std::max(open, close), std::min(open, close), close, 1, 1};
}

void WriteListings(store::Store& store, const std::vector<ListingRecord>& records) {
  auto access = store.OpenStore(store::AccessMode::kWriter);
  ASSERT_TRUE(access.ok());
  ASSERT_TRUE(access.BeginBatch());
  for (const auto& r : records) {
    ASSERT_TRUE(access.AppendBlank());
    for (int f = 1; f <= store::kFieldCount; ++f)
      access.WriteField(f, r.fields[static_cast<size_t>(f - 1)]);
  }
  ASSERT_TRUE(access.CommitBatch());
  ASSERT_FALSE(access.CloseStore().has_value());
}

std::vector<std::string> ReadColumn(store::Store& store, int field) {
  std::vector<std::string> values;
  auto access = store.OpenStore();
  EXPECT_TRUE(access.ok());
  access.GoToFirst();
  for (int64_t i = 1; i <= access.RecordCount(); ++i) {
    values.push_back(access.ReadField(field));
    access.Skip(1);
  }
  return values;
}

TestProgram::TestProgram()
    : store(store::StorePath(dir.path())), ctx{window, platform, store, state, settings} {
  EXPECT_FALSE(store.EnsureStore().has_value());
}

}  // namespace testing_support
