// The data-centre source against the loopback fake of the data centre: the
// same listings as the pages source, the requests it makes, and what it does
// with odd answers, failing answers and a stop.
#include "download/datacentre_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "download/download_run.h"
#include "store/download_log.h"
#include "store/listing_extras.h"
#include "store/record_store.h"
#include "tests/test_support.h"
#include "text/text_ops.h"
#include "tools/sample-source/sample_datacentre.h"
#include "tools/sample-source/sample_server.h"

namespace {

using download::DataCentrePoliteness;
using download::FetchFailure;
using download::Market;
using download::PageKey;
using download::SourceKind;
using sample_source::Fault;
using testing_support::U;

using Record = std::array<std::string, 9>;  // GBK

constexpr const char* kDate = "2010-06-04";
constexpr const char* kDayList = download::kDayListReport;
constexpr const char* kSells = download::kSellSeatsReport;
const std::vector<std::string> kWeek = {"2010-06-04", "2010-06-03", "2010-06-02", "2010-06-01",
                                        "2010-05-31"};

// Collects the run's page reports.
class Pages : public download::ProgressSink {
 public:
  void PageDone(const download::PageReport& report, const download::DownloadSummary&) override {
    reports.push_back(report);
  }
  std::vector<download::PageReport> reports;
};

struct RunResult {
  download::DownloadSummary summary;
  std::vector<download::PageReport> pages;
  std::vector<Record> records;
  std::vector<store::ListingExtras> extras;
  std::vector<store::SeatCode> seat_codes;
  std::vector<store::PageLogEntry> log;
  size_t requests = 0;
};

class DataCentreSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(source_.Start(), 0); }

  static DataCentrePoliteness Quick() {
    DataCentrePoliteness p;
    p.gap_ms = 1;
    p.backoff_ms = 1;
    p.page_size = 4;  // a day's list over several answers
    return p;
  }

  download::DataCentreSource Centre(DataCentrePoliteness p = Quick(),
                                    download::FetchLimits limits = {}) {
    return download::DataCentreSource(source_.Host(), limits, p);
  }

  RunResult Download(SourceKind kind, const std::vector<std::string>& dates,
                     std::stop_token stop = {}, DataCentrePoliteness p = Quick()) {
    testing_support::TempDir dir;
    store::Store store(store::StorePath(dir.path()));
    EXPECT_FALSE(store.EnsureStore().has_value());
    download::DownloadRequest request;
    request.pages = download::AllPages(dates);
    auto source = download::MakeListingSource(kind, source_.Host(), {}, p, answers_);
    Pages sink;
    RunResult run;
    const size_t before = source_.RequestCount();
    run.summary = download::RunDownload(store, request, *source, sink, stop);
    run.requests = source_.RequestCount() - before;
    run.pages = sink.reports;
    auto access = store.OpenStore();
    for (int64_t n = 1; n <= access.RecordCount(); ++n) {
      access.GoToRecord(n);
      Record r;
      for (int f = 1; f <= 9; ++f) r[static_cast<size_t>(f - 1)] = access.ReadField(f);
      run.records.push_back(r);
    }
    EXPECT_TRUE(access.ReadListingExtras("0000", "9999", &run.extras));
    EXPECT_TRUE(access.ReadSeatCodes("0000", "9999", &run.seat_codes));
    store::PageLogRows log;
    EXPECT_TRUE(access.ReadPageLog("0000", "9999", &log));
    run.log = log.rows;
    return run;
  }

  // The data centre lists a board's stocks by code, the pages by reason:
  // the same listings, page by page, in another order. Volume aside, which
  // the data centre does not give.
  static void ExpectSameListings(const RunResult& pages, const RunResult& centre) {
    ASSERT_EQ(pages.pages.size(), centre.pages.size());
    for (size_t i = 0; i < pages.pages.size(); ++i) {
      EXPECT_EQ(centre.pages[i].page, pages.pages[i].page);
      EXPECT_TRUE(centre.pages[i].fetch.ok);
      EXPECT_EQ(centre.pages[i].stored, pages.pages[i].stored) << i;
      EXPECT_EQ(centre.pages[i].piece_count, pages.pages[i].piece_count) << i;
    }
    ASSERT_EQ(centre.records.size(), pages.records.size());
    auto sorted = [](std::vector<Record> r, size_t from) {
      // Pages are runs of records of one date and board; sort inside each.
      auto key = [](const Record& x) { return std::tie(x[0], x[2], x[3]); };
      std::stable_sort(r.begin() + static_cast<long>(from), r.end(),
                       [&](const Record& a, const Record& b) { return key(a) < key(b); });
      return r;
    };
    size_t at = 0;
    for (size_t i = 0; i < pages.pages.size(); ++i) {
      const auto n = static_cast<size_t>(pages.pages[i].stored);
      std::vector<Record> a(pages.records.begin() + static_cast<long>(at),
                            pages.records.begin() + static_cast<long>(at + n));
      std::vector<Record> b(centre.records.begin() + static_cast<long>(at),
                            centre.records.begin() + static_cast<long>(at + n));
      a = sorted(a, 0);
      b = sorted(b, 0);
      for (size_t k = 0; k < n; ++k) {
        for (size_t f = 0; f < 9; ++f) {
          if (f == 5) {
            EXPECT_EQ(b[k][f], "");
            continue;
          }
          EXPECT_EQ(U(b[k][f]), U(a[k][f])) << "page " << i << " listing " << k << " field " << f;
        }
      }
      at += n;
    }
  }

  sample_source::SampleSource source_;
  std::filesystem::path answers_;  // where unreadable answers go; none unless a test sets it
};

TEST_F(DataCentreSourceTest, AWeekGivesThePagesListingsFieldForField) {
  const RunResult pages = Download(SourceKind::kPages, kWeek);
  const size_t page_requests = source_.RequestCount();
  const RunResult centre = Download(SourceKind::kDataCentre, kWeek);
  ASSERT_EQ(pages.summary.end, download::RunEnd::kCompleted);
  ASSERT_EQ(centre.summary.end, download::RunEnd::kCompleted);
  EXPECT_EQ(centre.summary.done, 15);
  EXPECT_EQ(centre.summary.failed, 0);
  EXPECT_EQ(centre.summary.stored, pages.summary.stored);
  EXPECT_GT(centre.summary.stored, 40);
  ExpectSameListings(pages, centre);

  // Every request named the program, and every date's list was read once
  // for its three boards, over several answer pages.
  const auto requests = source_.Requests();
  int day_lists = 0;
  for (size_t i = page_requests; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].user_agent, "Quorvane/1.3");
    if (requests[i].target.find(kDayList) != std::string::npos &&
        requests[i].target.find("pageNumber=1&") != std::string::npos)
      ++day_lists;
  }
  EXPECT_EQ(day_lists, 5);
}

TEST_F(DataCentreSourceTest, ADateIsAskedForOnceWithEachSeatReportForTheWholeDate) {
  auto centre = Centre();
  const auto day = sample_source::CentreDay(kDate);
  const auto pages_of = [](size_t rows) { return (rows + 3) / 4; };
  size_t shanghai = 0, buys = 0, sells = 0;
  for (const auto& r : day) {
    shanghai += r.code[0] == '6';
    buys += r.buys.size();
    sells += r.sells.size();
  }
  const size_t asked = pages_of(day.size()) + pages_of(buys) + pages_of(sells);

  const auto page = centre.Fetch({Market::kShanghai, kDate}, {});
  ASSERT_TRUE(page.fetch.ok);
  EXPECT_EQ(page.parsed.listings.size(), shanghai);
  EXPECT_EQ(page.parsed.extras.size(), shanghai);
  EXPECT_EQ(page.parsed.piece_count, static_cast<int>(shanghai) + 1);
  EXPECT_EQ(page.notes.skipped_codes, 1);  // the Beijing listing
  EXPECT_EQ(page.notes.requests, static_cast<int>(asked));

  const auto requests = source_.Requests();
  ASSERT_EQ(requests.size(), asked);
  EXPECT_EQ(requests[0].target,
            "/api/data/v1/get?reportName=RPT_DAILYBILLBOARD_DETAILSNEW&columns=ALL&filter=%28"
            "TRADE_DATE%3E%3D%272010-06-04%27%29%28TRADE_DATE%3C%3D%272010-06-04%27%29&pageNumber="
            "1&pageSize=4&sortColumns=SECURITY_CODE&sortTypes=1&source=WEB&client=WEB");
  EXPECT_EQ(requests[pages_of(day.size())].target,
            "/api/data/v1/get?reportName=RPT_BILLBOARD_DAILYDETAILSBUY&columns=ALL&filter=%28"
            "TRADE_DATE%3D%272010-06-04%27%29&pageNumber=1&pageSize=4&sortColumns=BUY&sortTypes=-1"
            "&source=WEB&client=WEB");
  EXPECT_NE(requests[asked - 1].target.find(kSells), std::string::npos);
  EXPECT_NE(requests[asked - 1].target.find("pageNumber=" + std::to_string(pages_of(sells))),
            std::string::npos);

  // The other boards of the date reuse the list and the Seats; the skipped
  // code is counted once.
  for (const Market m : {Market::kShenzhen, Market::kSmeBoard}) {
    const auto other = centre.Fetch({m, kDate}, {});
    ASSERT_TRUE(other.fetch.ok);
    EXPECT_EQ(other.notes.skipped_codes, 0);
    EXPECT_EQ(other.notes.requests, 0);
  }
  EXPECT_EQ(source_.RequestCount(), asked);
}

TEST_F(DataCentreSourceTest, AServiceThatInsistsOnACodeIsAskedForEachStockAlone) {
  source_.SetSeatsNeedCode(true);
  auto centre = Centre();
  const auto day = sample_source::CentreDay(kDate);
  const auto pages_of = [](size_t rows) { return std::max<size_t>(1, (rows + 3) / 4); };
  size_t of_stocks = 0;
  for (const auto& r : day)
    if (r.code[0] == '6') of_stocks += pages_of(r.buys.size()) + pages_of(r.sells.size());
  const auto page = centre.Fetch({Market::kShanghai, kDate}, {});
  ASSERT_TRUE(page.fetch.ok);
  EXPECT_TRUE(centre.seats_per_stock());
  // The list, the one refused query of the whole date, then each stock's
  // buying and selling Seats.
  EXPECT_EQ(page.notes.requests, static_cast<int>(pages_of(day.size()) + 1 + of_stocks));
  ASSERT_EQ(page.notes.notices.size(), 1u);
  EXPECT_NE(page.notes.notices[0].find("one stock at a time"), std::string::npos);
  EXPECT_NE(U(page.notes.note).find("逐股查询"), std::string::npos);
  const auto requests = source_.Requests();
  EXPECT_NE(requests.back().target.find("SECURITY_CODE%3D%22"), std::string::npos);
  // Later dates go straight to the stocks.
  const size_t before = source_.RequestCount();
  const auto next = centre.Fetch({Market::kShanghai, "2010-06-03"}, {});
  ASSERT_TRUE(next.fetch.ok);
  EXPECT_TRUE(next.notes.notices.empty());
  const auto later = source_.Requests();
  for (size_t i = before; i < later.size(); ++i) {
    const auto& target = later[i].target;
    if (target.find(kDayList) == std::string::npos) {
      EXPECT_NE(target.find("SECURITY_CODE%3D%22"), std::string::npos) << target;
    }
  }
}

TEST_F(DataCentreSourceTest, BothWaysOfAskingForSeatsGiveTheSameStore) {
  DataCentrePoliteness p = Quick();
  p.page_size = 500;
  const RunResult by_date = Download(SourceKind::kDataCentre, kWeek, {}, p);
  source_.SetSeatsNeedCode(true);
  const RunResult by_stock = Download(SourceKind::kDataCentre, kWeek, {}, p);
  ASSERT_EQ(by_date.summary.failed, 0);
  ASSERT_EQ(by_stock.summary.failed, 0);
  EXPECT_GT(by_date.records.size(), 40u);
  EXPECT_EQ(by_stock.records, by_date.records);
  EXPECT_EQ(by_stock.extras, by_date.extras);
  EXPECT_EQ(by_stock.seat_codes, by_date.seat_codes);
  EXPECT_EQ(by_date.extras.size(), by_date.records.size());
  // A few requests a day, against two a stock.
  EXPECT_LT(by_date.requests * 4, by_stock.requests);
}

TEST_F(DataCentreSourceTest, AStockListedForTwoReasonsGivesTwoListingsWithTheirOwnSeats) {
  auto stocks = sample_source::StocksOf(0, kDate);
  ASSERT_GE(stocks.size(), 2u);
  // The second stock again, for another reason, with other Seats.
  sample_source::SampleStock again = stocks[1];
  again.reason = (stocks[1].reason + 3) % 9;
  again.prints_reason = true;
  for (auto& seat : again.buys) {
    seat.name = (seat.name + 1) % 15;
    seat.buy_cents += 7;
  }
  for (auto& seat : again.sells) seat.sell_cents -= 3;
  stocks[1].prints_reason = true;
  stocks.push_back(again);
  source_.SetDay(kDate,
                 {stocks, sample_source::StocksOf(1, kDate), sample_source::StocksOf(2, kDate)});

  const RunResult pages = Download(SourceKind::kPages, {kDate});
  const RunResult centre = Download(SourceKind::kDataCentre, {kDate});
  ExpectSameListings(pages, centre);
  const std::string code = sample_source::CentreRows(0, {again})[0].code;
  int listings_of_the_stock = 0;
  for (const Record& r : centre.records) listings_of_the_stock += r[2] == code;
  EXPECT_EQ(listings_of_the_stock, 2);
}

TEST_F(DataCentreSourceTest, OddSeatsAreKeptVisibly) {
  // Two Seats on the buy side, one with a character outside GBK; none sold.
  sample_source::CentreRow row;
  row.code = "600519";
  row.secucode = "600519.SH";
  row.name = "贵州茅台";
  row.explanation = "日涨幅偏离值达到7%的前5只证券";
  row.change_hundredths = 1001;
  row.turnover_yuan = 5'000'000'000;
  row.buys = {{"机构专用", 1'234'567'891, std::nullopt, "10000001", "80000001"},
              {"𠮷祥证券营业部", 500'000, 100, "10188715", ""}};
  source_.SetCentreDay(kDate, {row});

  auto centre = Centre();
  const auto page = centre.Fetch({Market::kShanghai, kDate}, {});
  ASSERT_TRUE(page.fetch.ok);
  ASSERT_EQ(page.parsed.listings.size(), 1u);
  const auto& listing = page.parsed.listings[0];
  EXPECT_EQ(U(listing.name), "贵州茅台");
  EXPECT_EQ(U(listing.reason), "日涨幅偏离值达到7%");
  EXPECT_EQ(listing.value, "10.01%");
  EXPECT_EQ(listing.turnover, "500,000.00");
  EXPECT_EQ(U(listing.buy_seats), "机构专用|12345678.91|0.00|□祥证券营业部|5000.00|1.00|||||||||");
  EXPECT_EQ(listing.sell_seats, "||||||||||||||");
  EXPECT_EQ(page.notes.replaced_characters, 1);
}

TEST_F(DataCentreSourceTest, NothingListedIsAnEmptyListNotAFailure) {
  // "result": null for the day: every board has nothing, the piece count
  // is a list page's without stocks, so today's run says "not yet
  // published".
  source_.SetCentreFault(kDayList, kDate, Fault::kUnpublished);
  auto centre = Centre();
  for (const Market m : download::kMarkets) {
    const auto page = centre.Fetch({m, kDate}, {});
    EXPECT_TRUE(page.fetch.ok);
    EXPECT_TRUE(page.parsed.listings.empty());
    EXPECT_EQ(page.parsed.piece_count, 1);
  }
  // A weekend has nothing either.
  const auto saturday = centre.Fetch({Market::kSmeBoard, "2010-06-05"}, {});
  EXPECT_TRUE(saturday.fetch.ok);
  EXPECT_EQ(saturday.parsed.piece_count, 1);
  EXPECT_EQ(source_.RequestCount(), 2u);
}

TEST_F(DataCentreSourceTest, UnreadableAnswersFailTheirPageWithoutRetriesAndAreKept) {
  testing_support::TempDir cache;
  answers_ = cache / "answers";
  for (const Fault f : {Fault::kGarbage, Fault::kTruncated, Fault::kNul}) {
    SCOPED_TRACE(sample_source::FaultName(f));
    source_.ClearPageFaults();
    source_.SetCentreFault(kSells, kDate, f, 1);
    const size_t before = source_.RequestCount();
    download::DataCentreSource centre(source_.Host(), {}, Quick(), answers_);
    const auto page = centre.Fetch({Market::kShenzhen, kDate}, {});
    EXPECT_FALSE(page.fetch.ok);
    EXPECT_EQ(page.fetch.failure, FetchFailure::kBadAnswer);
    EXPECT_TRUE(page.parsed.listings.empty());
    EXPECT_EQ(page.notes.retries, 0);
    EXPECT_EQ(source_.RequestCount() - before, static_cast<size_t>(page.notes.requests));
    // The answer is kept, and the note says where.
    ASSERT_EQ(page.notes.kept_answers.size(), 1u);
    const auto kept = page.notes.kept_answers[0];
    EXPECT_EQ(kept.parent_path(), answers_);
    EXPECT_NE(kept.filename().string().find("RPT_BILLBOARD_DAILYDETAILSSELL_2010-06-04-p1"),
              std::string::npos)
        << kept;
    // Kept as it came, NUL bytes and all.
    EXPECT_EQ(
        testing_support::ReadFileBytes(kept),
        sample_source::FaultyAnswer(
            f, sample_source::SeatAnswer(sample_source::CentreDay(kDate), kDate, "", false, 1, 4)));
    EXPECT_NE(page.notes.note.find(kept.string()), std::string::npos) << U(page.notes.note);
    // The same page again reads.
    EXPECT_TRUE(centre.Fetch({Market::kShenzhen, kDate}, {}).fetch.ok);
  }
}

TEST_F(DataCentreSourceTest, BadInputFailsItsPageOrIsSkippedAndCounted) {
  const std::string head = R"({"version":"x","success":true,"message":"ok","code":0,"result":)";
  const std::string row =
      R"({"SECURITY_CODE":"600000","SECUCODE":"600000.SH","SECURITY_NAME_ABBR":"浦发银行",)"
      R"("TRADE_DATE":"2010-06-04 00:00:00","EXPLANATION":"日涨幅偏离值达到7%的证券",)"
      R"("CHANGE_RATE":9.98,"ACCUM_AMOUNT":"123456700","CLOSE_PRICE":null,"TURNOVERRATE":"很高"})";
  struct Case {
    const char* what;
    std::string list;  // the day's list, page 1
    std::optional<FetchFailure> failure;
  };
  const std::vector<Case> cases = {
      {"rows without a code or a date are skipped and counted",
       head + R"({"pages":1,"data":[)" + row +
           R"(,{"SECURITY_NAME_ABBR":"无代码","TRADE_DATE":"2010-06-04"},{"SECURITY_CODE":"600004"}]}})",
       std::nullopt},
      {"a page count the pages do not keep", head + R"({"pages":2,"data":[)" + row + "]}}",
       FetchFailure::kBadAnswer},
      {"a refusal with a message",
       R"({"version":null,"result":null,"success":false,"message":"访问过于频繁","code":9701})",
       FetchFailure::kRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    source_.ClearPageFaults();
    source_.SetCentreBody(kDayList, kDate, c.list);
    source_.SetCentreBody("RPT_DAILYBILLBOARD_DETAILS", kDate, c.list);
    // Page 2 of the list, where asked: nothing.
    source_.SetCentreBody(kDayList, kDate, sample_source::EmptyAnswer(), 2);
    download::DataCentreSource centre(source_.Host(), {}, Quick());
    const auto page = centre.Fetch({Market::kShanghai, kDate}, {});
    if (c.failure) {
      EXPECT_FALSE(page.fetch.ok);
      EXPECT_EQ(page.fetch.failure, *c.failure);
      EXPECT_TRUE(page.parsed.listings.empty());
      EXPECT_FALSE(page.notes.detail.empty());
      EXPECT_FALSE(page.notes.note.empty());
    } else {
      ASSERT_TRUE(page.fetch.ok);
      ASSERT_EQ(page.parsed.listings.size(), 1u);
      EXPECT_EQ(page.notes.unreadable_rows, 2);
      EXPECT_EQ(page.notes.odd_values, 1);  // the turnover rate as a word
      EXPECT_NE(U(page.notes.note).find("无法读取的行 2 条"), std::string::npos)
          << U(page.notes.note);
      EXPECT_EQ(page.parsed.listings[0].turnover, "12,345.67");
      EXPECT_FALSE(page.parsed.extras[0].close.has_value());
      EXPECT_FALSE(page.parsed.extras[0].turnover_rate.has_value());
    }
  }
}

TEST_F(DataCentreSourceTest, AStoreKeepsWholePagesOfOddAnswers) {
  // A name of 200 bytes, amounts as texts and nulls: the page is stored
  // whole, cut to the fields' widths, with its Seats' amounts all there.
  sample_source::CentreRow row;
  row.code = "600000";
  row.secucode = "600000.SH";
  row.name = std::string(200, 'N');
  row.explanation = "日涨幅偏离值达到7%的前5只证券";
  row.change_hundredths = 995;
  row.turnover_yuan = 123'456'700;
  for (int i = 0; i < 5; ++i) {
    row.buys.push_back({std::string(200, static_cast<char>('a' + i)), 100'000 * (5 - i),
                        std::nullopt, std::to_string(100 + i), ""});
    row.sells.push_back({"卖方营业部" + std::to_string(i), std::nullopt, 50'000 * (5 - i),
                         std::to_string(200 + i), ""});
  }
  source_.SetCentreDay(kDate, {row});
  const RunResult run = Download(SourceKind::kDataCentre, {kDate});
  ASSERT_EQ(run.summary.failed, 0);
  ASSERT_EQ(run.records.size(), 1u);
  EXPECT_EQ(run.records[0][1], std::string(10, 'N'));
  const std::string& buys = run.records[0][7];
  EXPECT_LE(buys.size(), 512u);
  const auto values = text::SplitText(buys, "|");
  ASSERT_EQ(values.size(), 15u);
  EXPECT_EQ(values[1], "5000.00");
  EXPECT_EQ(values[13], "1000.00");
  EXPECT_EQ(values[14], "0.00");
  // The side table names each Seat as the block does.
  ASSERT_EQ(run.seat_codes.size(), 10u);
  EXPECT_EQ(run.seat_codes[4].branch, "104");
  EXPECT_EQ(run.seat_codes[4].name, values[12]);
}

TEST_F(DataCentreSourceTest, TheOldReportIsAskedWhenTheServiceRefusesTheNewOne) {
  const std::vector<std::string> days = {"2010-06-04", "2010-06-03", "2010-06-02"};
  const RunResult normal = Download(SourceKind::kDataCentre, days);
  source_.SetNewDayReportRefused(true);
  const size_t before = source_.RequestCount();
  const RunResult old = Download(SourceKind::kDataCentre, days);
  ASSERT_EQ(old.summary.failed, 0);
  EXPECT_EQ(old.records, normal.records);
  EXPECT_EQ(old.extras, normal.extras);
  // Said once: on the first page, in the log's note and to the user.
  int notices = 0;
  for (const auto& report : old.pages) notices += static_cast<int>(report.notes.notices.size());
  EXPECT_EQ(notices, 1);
  ASSERT_FALSE(old.pages.empty());
  EXPECT_NE(old.pages[0].notes.notices[0].find("RPT_DAILYBILLBOARD_DETAILS from 2010-06-04"),
            std::string::npos)
      << old.pages[0].notes.notices[0];
  int noted = 0;
  for (const auto& row : old.log)
    noted += U(row.note).find("RPT_DAILYBILLBOARD_DETAILS 读取") != std::string::npos;
  EXPECT_EQ(noted, 1);
  // The new name was asked once; every later list came from the old one.
  int new_name = 0;
  const auto requests = source_.Requests();
  for (size_t i = before; i < requests.size(); ++i)
    new_name += requests[i].target.find("DETAILSNEW") != std::string::npos;
  EXPECT_EQ(new_name, 1);
}

TEST_F(DataCentreSourceTest, BusyAndFailingAnswersAreRetriedThenFail) {
  // Twice busy, then an answer: the page arrives after two retries.
  source_.SetCentreFault(kDayList, kDate, Fault::kBusy, 2);
  auto centre = Centre();
  auto page = centre.Fetch({Market::kShanghai, kDate}, {});
  EXPECT_TRUE(page.fetch.ok);
  EXPECT_EQ(page.notes.retries, 2);

  // 503 every time: four requests, then the page fails with that status.
  source_.SetCentreFault(kDayList, "2010-06-03", Fault::kUnavailable);
  size_t before = source_.RequestCount();
  page = centre.Fetch({Market::kShanghai, "2010-06-03"}, {});
  EXPECT_FALSE(page.fetch.ok);
  EXPECT_EQ(page.fetch.failure, FetchFailure::kStatus);
  EXPECT_EQ(page.fetch.status, 503);
  EXPECT_EQ(source_.RequestCount() - before, 4u);
  EXPECT_EQ(page.notes.retries, 3);

  // A time-out, likewise.
  source_.SetSlowMs(400);
  source_.SetCentreFault(kDayList, "2010-06-02", Fault::kSlow);
  download::FetchLimits limits;
  limits.total_timeout_ms = 100;
  auto slow = Centre(Quick(), limits);
  before = source_.RequestCount();
  page = slow.Fetch({Market::kShanghai, "2010-06-02"}, {});
  EXPECT_FALSE(page.fetch.ok);
  EXPECT_EQ(page.fetch.failure, FetchFailure::kTimeout);
  EXPECT_EQ(source_.RequestCount() - before, 4u);
}

TEST_F(DataCentreSourceTest, ASourceThatKeepsFailingIsAskedNoMore) {
  source_.SetFault(Fault::kUnavailable);
  DataCentrePoliteness p = Quick();
  p.max_retries = 1;
  p.give_up_after = 2;
  testing_support::TempDir dir;
  store::Store store(store::StorePath(dir.path()));
  ASSERT_FALSE(store.EnsureStore().has_value());
  download::DownloadRequest request;
  request.pages = download::AllPages(kWeek);
  download::DataCentreSource centre(source_.Host(), {}, p);
  Pages sink;
  const auto summary = download::RunDownload(store, request, centre, sink);
  EXPECT_EQ(summary.end, download::RunEnd::kCompleted);
  EXPECT_EQ(summary.done, 15);
  EXPECT_EQ(summary.failed, 15);
  EXPECT_EQ(source_.RequestCount(), 4u);  // two pages of two requests each
  for (const auto& report : sink.reports) EXPECT_EQ(report.fetch.status, 503);
}

TEST_F(DataCentreSourceTest, AStopEndsThePageDuringARequestOrAGap) {
  source_.SetSlowMs(5000);
  source_.SetCentreFault("RPT_BILLBOARD_DAILYDETAILSSELL", kDate, Fault::kSlow);
  for (const bool in_gap : {false, true}) {
    SCOPED_TRACE(in_gap ? "in a gap" : "during a request");
    DataCentrePoliteness p = Quick();
    p.page_size = 500;
    if (in_gap) p.gap_ms = 5000;
    // The list, the first stock's buying Seats, then its slow selling ones;
    // in a gap, the list only.
    const size_t asked = in_gap ? 1 : 3;
    const size_t before = source_.RequestCount();
    std::stop_source stop;
    std::thread stopper([&] {
      while (source_.RequestCount() - before < asked)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      stop.request_stop();
    });
    auto centre = Centre(p);
    const auto started = std::chrono::steady_clock::now();
    const auto page = centre.Fetch({Market::kShanghai, kDate}, stop.get_token());
    stopper.join();
    EXPECT_FALSE(page.fetch.ok);
    EXPECT_EQ(page.fetch.failure, FetchFailure::kStopped);
    EXPECT_TRUE(page.parsed.listings.empty());
    EXPECT_EQ(source_.RequestCount() - before, asked);
    // Well before the slow answer or the gap would have ended.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(4000));
  }
}

TEST_F(DataCentreSourceTest, RequestsKeepTheirGap) {
  DataCentrePoliteness p = Quick();
  p.gap_ms = 40;
  auto centre = Centre(p);
  ASSERT_TRUE(centre.Fetch({Market::kSmeBoard, kDate}, {}).fetch.ok);
  const auto requests = source_.Requests();
  ASSERT_GE(requests.size(), 4u);
  for (size_t i = 1; i < requests.size(); ++i)
    EXPECT_GE(requests[i].arrived - requests[i - 1].arrived, std::chrono::milliseconds(39)) << i;
}

}  // namespace
