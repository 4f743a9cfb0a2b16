// The data centre's answers read and mapped into the texts of a scraped
// list page, without a server.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "download/datacentre_json.h"
#include "download/page_scraper.h"
#include "tests/test_support.h"

namespace {

using download::AnswerKind;
using download::CentreSeat;
using download::Market;
using testing_support::G;
using testing_support::U;

CentreSeat Seat(std::string name, std::string reason, std::optional<double> buy,
                std::optional<double> sell) {
  CentreSeat seat;
  seat.name = std::move(name);
  seat.explanation = std::move(reason);
  seat.buy = buy;
  seat.sell = sell;
  return seat;
}

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

TEST(DataCentreMappingTest, AnswersReadAsRowsNothingRefusalOrUnreadable) {
  // Rows without a code or a date, and of another day, are left out and
  // counted; a number given as a text is read, a text that is none is
  // counted and taken as missing; null and "-" are just missing.
  const auto listings = download::ReadListingAnswer(R"({"result":{"pages":3,"data":[
      {"SECURITY_CODE":"600000","SECUCODE":"600000.SH","SECURITY_NAME_ABBR":"浦发银行",
       "TRADE_DATE":"2010-06-04 00:00:00","EXPLANATION":"日涨幅偏离值达7%的证券",
       "CHANGE_RATE":9.52,"ACCUM_AMOUNT":"123456700","CLOSE_PRICE":"十元",
       "TURNOVERRATE":3.5,"EXPLAIN":"机构买入","D10_CLOSE_ADJCHRATE":null},
      {"SECURITY_NAME_ABBR":"无代码","TRADE_DATE":"2010-06-04"}, 17,
      {"SECURITY_CODE":"000002","CHANGE_RATE":1.0},
      {"SECURITY_CODE":"000003","TRADE_DATE":"2010-06-03 00:00:00"},
      {"SECURITY_CODE":"000001","TRADE_DATE":"2010-06-04","CHANGE_RATE":null,"ACCUM_AMOUNT":"-"}]},
      "success":true})",
                                                    "2010-06-04");
  ASSERT_EQ(listings.kind, AnswerKind::kRows);
  EXPECT_EQ(listings.pages, 3);
  EXPECT_EQ(listings.unreadable, 4);
  EXPECT_EQ(listings.odd_values, 1);
  ASSERT_EQ(listings.rows.size(), 2u);
  EXPECT_EQ(listings.rows[0].date, "2010-06-04");
  EXPECT_EQ(listings.rows[0].turnover, 123456700.0);
  EXPECT_FALSE(listings.rows[0].close.has_value());
  EXPECT_EQ(listings.rows[0].turnover_rate, 3.5);
  EXPECT_EQ(listings.rows[0].explain, "机构买入");
  EXPECT_FALSE(listings.rows[0].after_10_days.has_value());
  EXPECT_FALSE(listings.rows[1].change_rate.has_value());
  EXPECT_FALSE(listings.rows[1].turnover.has_value());

  // "result": null is nothing listed when the service says "no data"
  // (code 9201) or nothing at all; with another code it refused.
  const auto nothing = download::ReadListingAnswer(
      R"({"version":null,"result":null,"success":false,"message":"返回数据为空","code":9201})");
  EXPECT_EQ(nothing.kind, AnswerKind::kNoData);
  EXPECT_EQ(nothing.pages, 0);
  EXPECT_TRUE(nothing.rows.empty());
  EXPECT_EQ(download::ReadSeatAnswer(R"({"result":null})").kind, AnswerKind::kNoData);
  const auto refused = download::ReadListingAnswer(
      R"({"version":null,"result":null,"success":false,"message":"报表不存在","code":9501})");
  EXPECT_EQ(refused.kind, AnswerKind::kRefused);
  EXPECT_EQ(refused.code, 9501);
  EXPECT_EQ(refused.message, "报表不存在");
  EXPECT_EQ(download::ReadSeatAnswer(R"({"success":false,"message":"maintenance"})").kind,
            AnswerKind::kRefused);
  // success false beside rows: the rows count, not the flag alone.
  EXPECT_EQ(download::ReadSeatAnswer(
                R"({"success":false,"code":1,"result":{"pages":1,"data":[{"BUY":1}]}})")
                .kind,
            AnswerKind::kRows);

  for (const char* bad : {"", "{\"result\":{\"pages\":1,\"data\":[{\"SECURITY_CODE\":\"6000",
                          "<html>busy</html>", "{\"success\":true}", "{\"result\":{\"pages\":1}}",
                          "{\"result\":[]}", "{\"result\":{\"pages\":-2,\"data\":[]}}",
                          "{\"result\":{\"pages\":\"2\",\"data\":[]}}", "[1,2]"}) {
    const auto answer = download::ReadSeatAnswer(bad);
    EXPECT_EQ(answer.kind, AnswerKind::kUnreadable) << bad;
    EXPECT_FALSE(answer.problem.empty()) << bad;
  }
}

TEST(DataCentreMappingTest, SeatAnswersCarryTheirStockAndBranchCodes) {
  const auto seats = download::ReadSeatAnswer(R"({"result":{"pages":1,"data":[
      {"SECURITY_CODE":"600611","TRADE_DATE":"2024-07-16 00:00:00","OPERATEDEPT_CODE":"10023614",
       "OPERATEDEPT_NAME":"国泰君安证券股份有限公司总部","BUY":37521554.1,"SELL":null,
       "OPERATEDEPT_CODE_OLD":80033895},
      {"SECURITY_CODE":"600611","TRADE_DATE":"2024-07-15 00:00:00","BUY":1}]}})",
                                              "2024-07-16");
  ASSERT_EQ(seats.kind, AnswerKind::kRows);
  ASSERT_EQ(seats.rows.size(), 1u);
  EXPECT_EQ(seats.unreadable, 1);
  EXPECT_EQ(seats.rows[0].code, "600611");
  EXPECT_EQ(seats.rows[0].branch, "10023614");
  EXPECT_EQ(seats.rows[0].branch_old, "80033895");
  EXPECT_EQ(seats.rows[0].buy, 37521554.1);
  EXPECT_FALSE(seats.rows[0].sell.has_value());
}

TEST(DataCentreMappingTest, SeatBlocksHoldFiveSeatsOfTheListingsReason) {
  const std::vector<CentreSeat> seats = {
      Seat("甲营业部", "日涨幅偏离值达7%的证券", 300.0, std::nullopt),
      Seat("乙营业部", "日换手率达到20%的证券", 250.0, 1.0),
      Seat("丙营业部", "日涨幅偏离值达7%的证券", 200.5, 12.25),
  };
  int replaced = 0;
  // Only the Seats of the listing's reason, ranked as given, padded to five.
  EXPECT_EQ(U(download::SeatBlockOf(seats, "日涨幅偏离值达7%的证券", replaced)),
            "甲营业部|300.00|0.00|丙营业部|200.50|12.25|||||||||");
  // No Seat carries the reason: every Seat is the listing's.
  EXPECT_EQ(U(download::SeatBlockOf(seats, "", replaced)),
            "甲营业部|300.00|0.00|乙营业部|250.00|1.00|丙营业部|200.50|12.25||||||");
  EXPECT_EQ(download::SeatBlockOf({}, "", replaced), "||||||||||||||");
  std::vector<CentreSeat> many(7, Seat("丁", "", 1.0, 2.0));
  EXPECT_EQ(U(download::SeatBlockOf(many, "", replaced)),
            "丁|1.00|2.00|丁|1.00|2.00|丁|1.00|2.00|丁|1.00|2.00|丁|1.00|2.00");
  EXPECT_EQ(replaced, 0);
}

TEST(DataCentreMappingTest, LongNamesGiveWaySoThatTheBlockKeepsEveryAmount) {
  // Five names of 200 bytes would fill the block more than twice: the
  // longest are cut on character boundaries until the block fits its
  // field, so no amount is lost when it is stored.
  std::vector<CentreSeat> seats;
  for (int i = 0; i < 5; ++i)
    seats.push_back(
        Seat(std::string(i == 2 ? 10 : 200, 'A' + i) + "营业部", "", 123456789.12 + i, 0.5));
  int replaced = 0;
  const std::string block = download::SeatBlockOf(seats, "", replaced);
  EXPECT_LE(block.size(), 512u);
  const std::string utf8 = U(block);
  EXPECT_NE(utf8.find("|123456789.12|0.50|"), std::string::npos) << utf8;
  EXPECT_NE(utf8.find("CCCCCCCCCC营业部|123456791.12|0.50|"), std::string::npos) << utf8;
  EXPECT_EQ(utf8.substr(utf8.size() - 18), "|123456793.12|0.50");
  // Short names stay whole.
  EXPECT_EQ(U(download::SeatBlockOf({Seat(std::string(60, 'x'), "", 1.0, 1.0)}, "", replaced)),
            std::string(60, 'x') + "|1.00|1.00||||||||||||");
}

TEST(DataCentreMappingTest, TheSideRowsHoldTheFullReasonTheFiguresAndTheBranchesByPosition) {
  download::CentreListing listing;
  listing.code = "600000";
  listing.explanation = "有价格涨跌幅限制的日收盘价格涨幅偏离值达到7%的前五只证券";
  listing.close = 10.5;
  listing.list_net = -3e6;
  listing.explain = "卖方主导";
  listing.after_5_days = 1.25;
  std::vector<CentreSeat> buys = {Seat("甲", "别的原因", 9.0, 0.0),
                                  Seat("乙", listing.explanation, 5.0, 0.0)};
  buys[0].branch = "100";
  buys[1].branch = "200";
  buys[1].branch_old = "800";
  std::vector<CentreSeat> sells = {Seat("丙", "", 0.0, 7.0)};
  sells[0].branch = "300";
  const store::ListingExtras extras = download::ExtrasOf(listing, "2010-06-04");
  EXPECT_EQ(extras.date, "2010-06-04");
  EXPECT_EQ(U(extras.reason), listing.explanation);
  EXPECT_EQ(extras.close, 10.5);
  EXPECT_EQ(extras.list_net, -3e6);
  EXPECT_FALSE(extras.list_buy.has_value());
  EXPECT_EQ(U(extras.explain), "卖方主导");
  EXPECT_EQ(extras.after_5_days, 1.25);
  // The branches stand where the blocks put their Seats: the buy block
  // holds the Seats of the listing's reason only.
  const auto codes = download::SeatCodesOf(listing, "2010-06-04", buys, sells);
  ASSERT_EQ(codes.size(), 2u);
  EXPECT_EQ(codes[0].side, 0);
  EXPECT_EQ(codes[0].position, 1);
  EXPECT_EQ(U(codes[0].name), "乙");
  EXPECT_EQ(codes[0].branch, "200");
  EXPECT_EQ(codes[0].branch_old, "800");
  EXPECT_EQ(codes[1].side, 1);
  EXPECT_EQ(codes[1].position, 1);
  EXPECT_EQ(codes[1].branch, "300");
  int replaced = 0;
  EXPECT_EQ(U(download::SeatBlockOf(buys, listing.explanation, replaced)),
            "乙|5.00|0.00||||||||||||");
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
      listing, {Seat("华泰证券股份有限公司南京中山北路证券营业部", "", 5e7, std::nullopt)}, {},
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
