// The data centre's answers read and mapped into the texts of a scraped
// list page, without a server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/datacentre_json.h"
#include "download/page_scraper.h"
#include "tests/test_support.h"

namespace {

using download::CentreSeat;
using download::Market;
using testing_support::G;
using testing_support::U;

TEST(DataCentreMappingTest, TextsOutsideGbkAreMarkedAndCounted) {
  int replaced = 0;
  EXPECT_EQ(U(download::GbkWithMarks("机构专用", replaced)), "机构专用");
  EXPECT_EQ(replaced, 0);
  // A character beyond the basic plane, and a lone continuation byte.
  EXPECT_EQ(U(download::GbkWithMarks("国泰𠮷祥营业部", replaced)), "国泰□祥营业部");
  EXPECT_EQ(U(download::GbkWithMarks("A\x80"
                                     "B",
                                     replaced)),
            "A□B");
  EXPECT_EQ(replaced, 2);
  // The Seat blocks' separator cannot stand inside a name.
  EXPECT_EQ(U(download::GbkWithMarks("甲|乙", replaced)), "甲｜乙");
  EXPECT_EQ(replaced, 2);
}

TEST(DataCentreMappingTest, CodesGoToTheirBoardsOrToNone) {
  EXPECT_EQ(download::BoardOfCode("600000"), Market::kShanghai);
  EXPECT_EQ(download::BoardOfCode("688001", "688001.SH"), Market::kShanghai);
  EXPECT_EQ(download::BoardOfCode("002594"), Market::kSmeBoard);
  EXPECT_EQ(download::BoardOfCode("000001", "000001.SZ"), Market::kShenzhen);
  EXPECT_EQ(download::BoardOfCode("003816"), Market::kShenzhen);
  EXPECT_EQ(download::BoardOfCode("300750"), Market::kShenzhen);
  for (const char* other : {"430047", "830799", "920001", "900901", "200002", "60000", "60000A"})
    EXPECT_FALSE(download::BoardOfCode(other).has_value()) << other;
  // The exchange named beside the code wins over its digits.
  EXPECT_FALSE(download::BoardOfCode("600000", "600000.BJ").has_value());
  EXPECT_FALSE(download::BoardOfCode("000001", "000001.SH").has_value());
}

TEST(DataCentreMappingTest, AmountsPrintAsThePagesPrintThem) {
  EXPECT_EQ(download::YuanText(12345678.91), "12345678.91");
  EXPECT_EQ(download::YuanText(1e8), "100000000.00");
  EXPECT_EQ(download::YuanText(0.005), "0.01");
  EXPECT_EQ(download::YuanText(-1500.5), "-1500.50");
  // Turnover: yuan in 10,000 yuan, with separators.
  EXPECT_EQ(download::TenThousandYuanText(1'613'150'300), "161,315.03");
  EXPECT_EQ(download::TenThousandYuanText(9'999), "1.00");
  EXPECT_EQ(download::TenThousandYuanText(123.0), "0.01");
  EXPECT_EQ(download::PercentText(9.9867), "9.99%");
  EXPECT_EQ(download::PercentText(-7.1), "-7.10%");
  EXPECT_EQ(download::YuanText(1e300), "");
}

TEST(DataCentreMappingTest, AnswersReadAsRowsNothingOrFailure) {
  const auto listings = download::ReadListingAnswer(R"({"result":{"pages":3,"data":[
      {"SECURITY_CODE":"600000","SECUCODE":"600000.SH","SECURITY_NAME_ABBR":"浦发银行",
       "TRADE_DATE":"2010-06-04 00:00:00","EXPLANATION":"日涨幅偏离值达7%的证券",
       "CHANGE_RATE":9.52,"ACCUM_AMOUNT":"123456700"},
      {"SECURITY_NAME_ABBR":"无代码"}, 17,
      {"SECURITY_CODE":"000001","CHANGE_RATE":null,"ACCUM_AMOUNT":"-"}]},"success":true})");
  ASSERT_TRUE(listings.ok);
  EXPECT_EQ(listings.pages, 3);
  EXPECT_EQ(listings.unreadable, 2);
  ASSERT_EQ(listings.rows.size(), 2u);
  EXPECT_EQ(listings.rows[0].date, "2010-06-04");
  EXPECT_EQ(listings.rows[0].turnover, 123456700.0);
  EXPECT_FALSE(listings.rows[1].change_rate.has_value());
  EXPECT_FALSE(listings.rows[1].turnover.has_value());

  const auto nothing = download::ReadListingAnswer(
      R"({"version":null,"result":null,"success":false,"message":"返回数据为空","code":9201})");
  EXPECT_TRUE(nothing.ok);
  EXPECT_EQ(nothing.pages, 0);
  EXPECT_TRUE(nothing.rows.empty());

  for (const char* bad :
       {"", "{\"result\":{\"pages\":1,\"data\":[{\"SECURITY_CODE\":\"6000", "<html>busy</html>",
        "{\"success\":false,\"message\":\"maintenance\"}", "{\"result\":{\"pages\":1}}",
        "{\"result\":{\"pages\":-2,\"data\":[]}}", "[1,2]"})
    EXPECT_FALSE(download::ReadSeatAnswer(bad).ok) << bad;
}

TEST(DataCentreMappingTest, SeatBlocksHoldFiveSeatsOfTheListingsReason) {
  const std::vector<CentreSeat> seats = {
      {"甲营业部", "日涨幅偏离值达7%的证券", 300.0, std::nullopt},
      {"乙营业部", "日换手率达到20%的证券", 250.0, 1.0},
      {"丙营业部", "日涨幅偏离值达7%的证券", 200.5, 12.25},
  };
  int replaced = 0;
  // Only the Seats of the listing's reason, ranked as given, padded to five.
  EXPECT_EQ(U(download::SeatBlockOf(seats, "日涨幅偏离值达7%的证券", replaced)),
            "甲营业部|300.00|0.00|丙营业部|200.50|12.25|||||||||");
  // No Seat carries the reason: every Seat is the listing's.
  EXPECT_EQ(U(download::SeatBlockOf(seats, "", replaced)),
            "甲营业部|300.00|0.00|乙营业部|250.00|1.00|丙营业部|200.50|12.25||||||");
  EXPECT_EQ(download::SeatBlockOf({}, "", replaced), "||||||||||||||");
  std::vector<CentreSeat> many(7, CentreSeat{"丁", "", 1.0, 2.0});
  EXPECT_EQ(U(download::SeatBlockOf(many, "", replaced)),
            "丁|1.00|2.00|丁|1.00|2.00|丁|1.00|2.00|丁|1.00|2.00|丁|1.00|2.00");
  EXPECT_EQ(replaced, 0);
}

TEST(DataCentreMappingTest, AListingMapsToTheRowOfAScrapedPage) {
  download::CentreListing listing;
  listing.code = "600000";
  listing.name = "浦发银行";
  listing.explanation = "连续三个交易日内，涨幅偏离值累计达20%的证券";
  listing.change_rate = 23.456;
  listing.turnover = 1'234'567'800.0;
  int replaced = 0;
  const download::ScrapedListing row = download::MapListing(
      listing, {{"华泰证券股份有限公司南京中山北路证券营业部", "", 5e7, std::nullopt}}, {},
      replaced);
  EXPECT_EQ(U(row.name), "浦发银行");
  EXPECT_EQ(row.code, "600000");
  EXPECT_EQ(U(row.reason), "三日内涨幅偏离值累计达20%");
  EXPECT_EQ(row.value, "23.46%");
  EXPECT_EQ(U(download::ValueField(row.reason, row.value)), "三日内涨23.46%");
  EXPECT_EQ(row.volume, "");
  EXPECT_EQ(row.turnover, "123,456.78");
  EXPECT_EQ(U(row.buy_seats),
            "华泰证券股份有限公司南京中山北路证券营业部|50000000.00|0.00||||||||||||");
  EXPECT_EQ(row.sell_seats, "||||||||||||||");
  // The reason's rule is the pages' one: up to its first "的", or all of it.
  EXPECT_EQ(U(download::ShortenReason(G("日价格振幅达到15%的证券"))), "日价格振幅达到15%");
  EXPECT_EQ(U(download::ShortenReason(G("退市整理期"))), "退市整理期");
}

}  // namespace
