// The scraper on GBK fixture pages, stored into a real store.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "download/page_scraper.h"
#include "store/record_store.h"
#include "tests/test_support.h"
#include "text/text_ops.h"

namespace {

using download::Market;
using testing_support::G;
using testing_support::U;

using Record = std::array<std::string, 9>;  // UTF-8, for readable failures

std::string Fixture(const char* name) {
  return testing_support::ReadFileBytes(std::string(QUORVANE_TEST_DATA_DIR) + "/pages/" + name);
}

class ScrapeTest : public ::testing::Test {
 protected:
  ScrapeTest() : store_(store::StorePath(dir_.path())) {
    EXPECT_FALSE(store_.EnsureStore().has_value());
  }

  download::ScrapeResult Scrape(Market market, const std::string& page,
                                const std::string& date = "2010-06-04") {
    auto access = store_.OpenStore(store::AccessMode::kWriter);
    EXPECT_TRUE(access.ok());
    access.GoToFirst();
    const auto result = download::ScrapeListingPage(market, date, page, access);
    EXPECT_FALSE(access.CloseStore().has_value());
    return result;
  }

  std::vector<Record> Records() {
    std::vector<Record> out;
    auto access = store_.OpenStore();
    for (int64_t n = 1; n <= access.RecordCount(); ++n) {
      access.GoToRecord(n);
      Record r;
      for (int f = 1; f <= 9; ++f) r[static_cast<size_t>(f - 1)] = U(access.ReadField(f));
      out.push_back(r);
    }
    return out;
  }

  testing_support::TempDir dir_;
  store::Store store_;
};

TEST_F(ScrapeTest, OneAmountPageStoresEveryFieldAsPrinted) {
  const auto result = Scrape(Market::kShanghai, Fixture("shanghai_one_amount.html"));
  EXPECT_EQ(result.piece_count, 4);  // three stocks and the list's tail
  EXPECT_EQ(result.stored, 3);
  EXPECT_FALSE(result.error);
  const auto records = Records();
  ASSERT_EQ(records.size(), 3u);

  const Record first = {
      "2010-06-04", "浦发银行", "600000", "三日内涨幅偏离值累计达20%", "三日内涨21.35%", "1,234",
      "23,456.78",
      // Thousands separators leave the Seat amounts; the sell amounts of buy
      // Seats (and the reverse) are "0.00" on a one-amount page.
      "机构专用|1234.56|0.00|国泰君安证券上海江苏路营业部|98765432.10|0.00|"
      "中信证券上海溧阳路营业部|5000000.00|0.00|华泰证券南京中山北路营业部|4321.00|0.00|"
      "光大证券宁波解放南路营业部|1000.00|0.00",
      "海通证券上海建国西路营业部|0.00|7654321.00|机构专用|0.00|3000000.50|"
      "东方证券杭州体育场路营业部|0.00|2500000.00|招商证券深圳蛇口营业部|0.00|999999.99|"
      "兴业证券福州湖东路营业部|0.00|12.30"};
  EXPECT_EQ(records[0], first);

  // No reason printed: the record before lends its reason, and field 5
  // starts with that reason's head.
  const Record second = {"2010-06-04",
                         "华夏银行",
                         "600015",
                         "三日内涨幅偏离值累计达20%",
                         "三日内涨-7.12%",
                         "567.8",
                         "4,321",
                         "甲营业部|500.00|0.00|乙营业部|400.00|0.00|丙营业部|300.00|0.00|"
                         "丁营业部|200.00|0.00|戊营业部|100.00|0.00",
                         "己营业部|0.00|1500.00|庚营业部|0.00|1400.00|辛营业部|0.00|1300.00|"
                         "壬营业部|0.00|1200.00|癸营业部|0.00|1100.00"};
  EXPECT_EQ(records[1], second);

  // "个" stays in the reason; only field 5's head reads "天".
  EXPECT_EQ(records[2][3], "连续三个交易日内收盘价格涨幅偏离值累计达到20%");
  EXPECT_EQ(records[2][4], "连续三天25.01%");
  EXPECT_EQ(records[2][5], "88,000.5");
  EXPECT_EQ(records[2][6], "654,321.09");
}

TEST_F(ScrapeTest, TwoAmountPageReadsBothAmountsAndSkipsAnIncompleteRow) {
  const std::string page = Fixture("shenzhen_two_amounts.html");
  const auto result = Scrape(Market::kShenzhen, page);
  EXPECT_EQ(result.piece_count, 4);
  // 万科A lacks its fifth selling Seat: 47 cells, fewer than the 51 read.
  EXPECT_EQ(result.stored, 2);
  const auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  const Record first = {
      "2010-06-04",
      "平安银行",
      "000001",
      "日涨幅偏离值达7%",
      "日涨幅偏9.98%",
      "12,345.67",
      "98,765.43",
      "机构专用|12345678.90|0.00|国信证券深圳泰然九路营业部|8000000.00|1234.56|"
      "华鑫证券上海宛平南路营业部|7000000.00|0.00|东吴证券苏州西北街营业部|6000000.00|500.00|"
      "国元证券合肥寿春路营业部|5000000.00|0.00",
      "机构专用|0.00|9876543.21|申银万国上海陆家嘴环路营业部|100.00|4000000.00|"
      "中国银河绍兴营业部|0.00|3000000.00|光大证券宁波解放南路营业部|0.00|2000000.00|"
      "海通证券上海建国西路营业部|0.00|1000000.00"};
  EXPECT_EQ(records[0], first);
  EXPECT_EQ(records[1][1], "深振业A");
  EXPECT_EQ(records[1][3], "日价格振幅达到15%");
  EXPECT_EQ(records[1][4], "日价格振15.20%");
  EXPECT_EQ(records[1][7],
            "甲营业部|50.00|1.00|乙营业部|40.00|2.00|丙营业部|30.00|3.00|丁营业部|20.00|4.00|"
            "戊营业部|10.00|5.00");
  EXPECT_EQ(records[1][8],
            "己营业部|6.00|60.00|庚营业部|7.00|70.00|辛营业部|8.00|80.00|壬营业部|9.00|90.00|"
            "癸营业部|10.00|100.00");

  // The same bytes read as a one-amount page take other cells: the layout
  // is the board's, not the page's.
  const auto parsed = download::ParseListingPage(Market::kShanghai, page);
  ASSERT_EQ(parsed.listings.size(), 3u);
  EXPECT_EQ(parsed.listings[0].buy_seats.substr(0, 2), "1|");  // the number column
}

TEST_F(ScrapeTest, RowsTooShortForTheLayoutAreSkipped) {
  const std::string page = Fixture("shanghai_one_amount.html");
  // A one-amount row needs 39 cells; a two-amount row 51.
  EXPECT_EQ(download::ParseListingPage(Market::kSmeBoard, page).listings.size(), 0u);

  // Cut the last amount cell of the first stock: 38 cells, still short of
  // the 39 the layout reads.
  const std::string last_cell = G("<td class=\"right\">12.30</td>");
  std::string cut = text::ReplaceAll(page, last_cell, "");
  auto parsed = download::ParseListingPage(Market::kShanghai, cut);
  EXPECT_EQ(parsed.piece_count, 4);
  ASSERT_EQ(parsed.listings.size(), 2u);
  EXPECT_EQ(U(parsed.listings[0].name), "华夏银行");

  // Without its last Seat row the first stock has 36 cells.
  const std::string last_row = G("<tr><td>5</td><td>兴业证券福州湖东路营业部</td>") + last_cell;
  cut = text::ReplaceAll(page, last_row, "");
  parsed = download::ParseListingPage(Market::kShanghai, cut);
  ASSERT_EQ(parsed.listings.size(), 2u);
  EXPECT_EQ(U(parsed.listings[0].name), "华夏银行");
}

TEST_F(ScrapeTest, PagesWithoutRowsStoreNothing) {
  // A list block without any row separator is one piece.
  auto result = Scrape(Market::kSmeBoard, Fixture("list_without_rows.html"), "2010-06-05");
  EXPECT_EQ(result.piece_count, 1);
  EXPECT_EQ(result.stored, 0);
  // An empty response (a failed fetch) has no pieces at all.
  result = Scrape(Market::kShanghai, "");
  EXPECT_EQ(result.piece_count, 0);
  // A page cut before the list's end marker has no list block.
  const std::string page = Fixture("shanghai_one_amount.html");
  result = Scrape(Market::kShanghai, page.substr(0, page.find("<div class=\"bdnews\">")));
  EXPECT_EQ(result.piece_count, 0);
  EXPECT_TRUE(Records().empty());
}

TEST_F(ScrapeTest, ReasonIsInheritedFromTheRecordStoredBefore) {
  // A page whose first stock prints no reason.
  const std::string page = Fixture("shanghai_one_amount.html");
  const size_t second =
      page.find(G("<div class=\"stock\"><table class=\"lhb\">\n<tr><td colspan=\"3\" "
                  "class=\"head\"><span class=\"font_bold\">华夏银行"));
  ASSERT_NE(second, std::string::npos);
  const std::string head = page.substr(0, page.find(G("<div class=\"stock\">")));
  const std::string from_second = head + page.substr(second);

  // Nothing stored before: nothing to inherit.
  Scrape(Market::kShanghai, from_second, "2010-06-03");
  auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0][3], "");
  EXPECT_EQ(records[0][4], "-7.12%");

  // Later, on another access: the last stored record lends its reason.
  Scrape(Market::kShanghai, from_second, "2010-06-04");
  records = Records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[2][3], "连续三个交易日内收盘价格涨幅偏离值累计达到20%");
  EXPECT_EQ(records[2][4], "连续三天-7.12%");
  EXPECT_EQ(records[2][0], "2010-06-04");
  EXPECT_EQ(records[2][1], "华夏银行");
}

TEST(ValueFieldTest, HeadIsEightBytesWithoutHalfCharacters) {
  EXPECT_EQ(U(download::ValueField(G("日涨幅偏离值达7%"), "9.52%")), "日涨幅偏9.52%");
  EXPECT_EQ(U(download::ValueField(G("连续三个交易日内"), "20.1%")), "连续三天20.1%");
  // "A股涨幅" is 7 bytes; the 8th would be half of "偏".
  EXPECT_EQ(U(download::ValueField(G("A股涨幅偏离值达7%"), "8.00%")), "A股涨幅8.00%");
  EXPECT_EQ(U(download::ValueField(G("ST、*ST和S证券"), "15%")), "ST、*ST15%");
  EXPECT_EQ(U(download::ValueField(G("跌停"), "-10%")), "跌停-10%");
  EXPECT_EQ(download::ValueField("", "1%"), "1%");
}

TEST_F(ScrapeTest, FailedWritesAreReported) {
  // A store that is not there: the page's batch cannot even begin.
  store::Store missing(dir_ / "missing.edb");
  auto access = missing.OpenStore(store::AccessMode::kWriter);
  const auto result = download::ScrapeListingPage(Market::kShanghai, "2010-06-04",
                                                  Fixture("shanghai_one_amount.html"), access);
  EXPECT_EQ(result.piece_count, 4);
  EXPECT_EQ(result.stored, 0);
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.error->kind, store::ErrorKind::kMissing);
}

}  // namespace
