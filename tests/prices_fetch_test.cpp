// The fetch run against the sample source: one request per stock with the
// service's parameters, nothing asked again for what is held, a failed
// stock asked again, every fault leaving the stock's bars as they were with
// the reason in the log, a pause after refusals and the stop after five
// failures in a row.
#include "prices/price_fetch.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "prices/kline_answer.h"
#include "ranking/range_returns.h"
#include "store/record_store.h"
#include "tests/test_support.h"
#include "tools/sample-source/sample_server.h"

namespace {

using prices::PricesSummary;
using sample_source::Fault;
using store::PriceFetchResult;
using testing_support::TempDir;

struct PricesFixture {
  TempDir dir;
  store::Store store{dir / "Data.edb"};
  sample_source::SampleSource source;
  prices::PricesRequest request;
  PricesFixture() {
    EXPECT_FALSE(store.EnsureStore());
    EXPECT_GT(source.Start(), 0);
    source.SetSlowMs(50);
    request.host = source.Host();
    request.from = "2024-03-01";
    request.to = "2024-03-31";
    request.today = "2024-06-28";
    request.gap_ms = 0;
    request.backoff_ms = 0;
    request.limits.total_timeout_ms = 5'000;
  }
  void List(const std::string& date, const std::string& code) {
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    ASSERT_TRUE(a.AppendBlank());
    ASSERT_TRUE(a.WriteField(store::kDate, date));
    ASSERT_TRUE(a.WriteField(store::kCode, code));
    ASSERT_FALSE(a.CloseStore());
  }
  PricesSummary Run() {
    prices::PricesProgress progress;
    return prices::RunPricesFetch(store, request, progress);
  }
  std::vector<store::PriceBar> Bars(const std::string& code) {
    store::StoreAccess a = store.OpenStore();
    std::vector<store::CodeBars> held;
    EXPECT_TRUE(a.ReadPriceBars("0000", "9999", &held, code));
    return held.empty() ? std::vector<store::PriceBar>{} : held.front().bars;
  }
  store::PriceLogEntry Log(const std::string& code) {
    store::StoreAccess a = store.OpenStore();
    std::optional<store::PriceLogEntry> log;
    EXPECT_TRUE(a.ReadPriceLog(code, &log));
    return log.value_or(store::PriceLogEntry{});
  }
};

std::string Query(const std::string& target, const std::string& key) {
  const size_t at = target.find(key + "=");
  if (at == std::string::npos) return {};
  const size_t from = at + key.size() + 1;
  return target.substr(from, target.find('&', from) - from);
}

TEST(PricesFetch, OneRequestPerStockThenOnlyWhatIsLacking) {
  PricesFixture f;
  f.List("2024-03-05", "600000");
  f.List("2024-03-12", "600000");
  f.List("2024-03-06", "000001");
  f.List("2024-03-07", "830799");  // Beijing: skipped
  const PricesSummary first = f.Run();
  EXPECT_EQ(first.codes, 3);
  EXPECT_EQ(first.other_exchange, 1);
  EXPECT_EQ(first.fetched, 2);
  EXPECT_EQ(first.failed, 0);
  const auto requests = f.source.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string& asked = requests[1].target;  // codes in order: 000001, 600000
  EXPECT_EQ(Query(asked, "secid"), "1.600000");
  EXPECT_EQ(Query(asked, "klt"), "101");
  EXPECT_EQ(Query(asked, "fqt"), "2");
  EXPECT_EQ(Query(requests[0].target, "secid"), "0.000001");
  // 10 weekdays and a week before 03-05; 30 weekdays and a week after 03-12.
  EXPECT_EQ(Query(asked, "beg"), "20240213");
  EXPECT_EQ(Query(asked, "end"), "20240430");

  const auto expected = sample_source::SampleBars("600000", "2024-02-13", "2024-04-30");
  const auto held = f.Bars("600000");
  ASSERT_EQ(held.size(), expected.size());
  ASSERT_FALSE(held.empty());
  EXPECT_EQ(held.front().date, expected.front().date);
  EXPECT_DOUBLE_EQ(held.back().close, expected.back().close);
  EXPECT_EQ(f.Log("600000").bars, static_cast<int64_t>(held.size()));
  EXPECT_EQ(f.Log("600000").result, PriceFetchResult::kBars);

  const PricesSummary second = f.Run();
  EXPECT_EQ(second.requests, 0);
  EXPECT_EQ(second.up_to_date, 2);

  // A later listing asks only for the days after those held.
  f.request.to = "2024-05-31";
  f.List("2024-05-06", "600000");
  const PricesSummary third = f.Run();
  EXPECT_EQ(third.requests, 1);
  EXPECT_EQ(Query(f.source.Requests().back().target, "beg"), "20240501");
  EXPECT_EQ(f.Bars("600000").size(),
            sample_source::SampleBars("600000", "2024-02-13", "2024-06-24").size());
  EXPECT_EQ(f.Log("600000").to, "2024-06-24");
}

TEST(PricesFetch, AFailedStockIsAskedAgain) {
  PricesFixture f;
  f.List("2024-03-05", "600000");
  f.List("2024-03-06", "000001");
  f.source.SetKlineFault("000001", Fault::kError, 1);
  const PricesSummary first = f.Run();
  EXPECT_EQ(first.failed, 1);
  EXPECT_EQ(first.fetched, 1);
  EXPECT_TRUE(f.Bars("000001").empty());
  EXPECT_EQ(f.Log("000001").result, PriceFetchResult::kFailed);
  EXPECT_EQ(f.Log("000001").reason, "HTTP status 500");
  const PricesSummary second = f.Run();
  EXPECT_EQ(second.requests, 1);
  EXPECT_EQ(Query(f.source.Requests().back().target, "secid"), "0.000001");
  EXPECT_EQ(second.fetched, 1);
  EXPECT_FALSE(f.Bars("000001").empty());
}

TEST(PricesFetch, EveryFaultLeavesTheBarsAsTheyWereAndSaysWhy) {
  for (Fault fault : sample_source::kAllFaults) {
    SCOPED_TRACE(sample_source::FaultName(fault));
    PricesFixture f;
    f.List("2024-03-05", "600000");
    ASSERT_EQ(f.Run().fetched, 1);
    const auto before = f.Bars("600000");
    f.List("2024-05-06", "600000");
    f.request.to = "2024-05-31";
    f.source.SetKlineFault("600000", fault);
    const PricesSummary s = f.Run();
    const store::PriceLogEntry log = f.Log("600000");
    if (fault == Fault::kSlow) {
      EXPECT_EQ(s.fetched, 1);
      continue;
    }
    EXPECT_EQ(f.Bars("600000"), before);
    if (fault == Fault::kUnpublished) {  // "data": null: no bars, no failure
      EXPECT_EQ(s.no_bars, 1);
      EXPECT_EQ(log.result, PriceFetchResult::kNoBars);
      continue;
    }
    EXPECT_EQ(s.failed, 1);
    EXPECT_EQ(log.result, PriceFetchResult::kFailed);
    EXPECT_FALSE(log.reason.empty());
    EXPECT_EQ(log.bars, static_cast<int64_t>(before.size()));
  }
}

TEST(PricesFetch, ABadAnswerStoresNoneOfTheStocksBars) {
  PricesFixture f;
  f.List("2024-03-05", "600000");
  // Good rows, then one dated before the row above it.
  const std::string body =
      R"({"rc":0,"data":{"code":"600000","market":1,"klines":[)"
      R"("2024-03-06,10.00,10.50,10.80,9.90,12345,13000000.00,9.00,5.00,0.50,1.20",)"
      R"("2024-03-08,10.50,10.40,10.60,10.30,2345,2400000.00,2.86,-0.95,-0.10,0.20",)"
      R"("2024-03-07,10.40,10.40,10.60,10.30,2345,2400000.00,2.86,0.00,0.00,0.20"]}})";
  f.source.SetKlineBody("600000", body);
  f.request.answers_folder = f.dir / "answers";
  const PricesSummary s = f.Run();
  EXPECT_EQ(s.failed, 1);
  EXPECT_TRUE(f.Bars("600000").empty());
  EXPECT_NE(f.Log("600000").reason.find("2024-03-07) comes before the date before it"),
            std::string::npos)
      << f.Log("600000").reason;
  EXPECT_EQ(s.kept_answers.size(), 1u);
}

TEST(PricesFetch, PausesLongerAfterEachRefusalAndStopsAfterFive) {
  PricesFixture f;
  for (const char* code : {"600000", "600001", "600002", "600003", "600004", "600005", "600006"})
    f.List("2024-03-05", code);
  f.source.SetFault(Fault::kBusy);
  f.request.backoff_ms = 60;
  const PricesSummary s = f.Run();
  EXPECT_TRUE(s.gave_up);
  EXPECT_EQ(s.requests, 5);
  EXPECT_EQ(s.failed, 5);
  EXPECT_EQ(s.not_asked, 2);
  const auto requests = f.source.Requests();
  ASSERT_EQ(requests.size(), 5u);
  using std::chrono::milliseconds;
  for (size_t i = 1; i < requests.size(); ++i)
    EXPECT_GE(requests[i].arrived - requests[i - 1].arrived, milliseconds(60 << (i - 1)))
        << "before request " << i + 1;
  EXPECT_EQ(f.Log("600004").reason, "HTTP status 429");
  EXPECT_EQ(f.Log("600006").code, "");  // never asked
}

TEST(PricesSampleSource, BarsHoldASuspensionAndALimitUpOpenedAtTheLimit) {
  const auto bars = sample_source::SampleBars("600000", "2024-01-01", "2024-12-31");
  int limit_ups = 0;
  for (size_t i = 1; i < bars.size(); ++i) {
    const auto& b = bars[i];
    if (b.open == b.high && b.close == b.high && b.close > bars[i - 1].close * 1.09) {
      ++limit_ups;
      EXPECT_TRUE(sample_source::SampleLimitUp("600000", b.date));
    }
    EXPECT_TRUE(b.low <= b.open && b.open <= b.high && b.low <= b.close && b.close <= b.high);
  }
  EXPECT_GT(limit_ups, 5);
  // Fewer bars than weekdays: some weeks the stock did not trade.
  EXPECT_LT(bars.size(), 262u);
  EXPECT_EQ(sample_source::SampleBars("600000", "2024-03-01", "2024-03-31").front().close,
            [&] {
              for (const auto& b : bars)
                if (b.date >= "2024-03-01") return b.close;
              return 0.0;
            }());
}

// The walk must not compound the limit-up days without bound: by the
// window's recent ranges the prices ran past what the store keeps (a
// thousandth of a yuan in 32 bits), and every figure of a recent listing
// came out empty.
TEST(PricesSampleSource, PricesStayInARealisticBandForDecades) {
  for (const char* code : {"600000", "000002", "300750", "002415", "601988"}) {
    const auto bars = sample_source::SampleBars(code, "2005-01-01", "2040-12-31");
    ASSERT_GT(bars.size(), 8000u) << code;
    double lowest = bars.front().close, highest = lowest;
    for (const auto& b : bars) {
      lowest = std::min(lowest, b.close);
      highest = std::max(highest, b.close);
    }
    EXPECT_GE(lowest, 1.0) << code;
    EXPECT_LE(highest, 1000.0) << code;
  }
}

}  // namespace

namespace {

// A big range shares the work between two threads. Every sum must still be
// taken in the listings' order: each Seat's, stock's and the baseline's
// figures are exactly those of one sum fed listing by listing.
TEST(PricesRangeReturnsThreads, ABigRangeSumsAsOneListingAfterAnother) {
  ranking::RangeData d;
  std::vector<store::CodeBars> codes(60);
  for (int k = 0; k < 60; ++k) {
    codes[static_cast<size_t>(k)].code = std::to_string(600000 + k);
    d.codes.Intern(codes[static_cast<size_t>(k)].code);
  }
  for (int k = 0; k < 40; ++k) d.seats.Intern("seat" + std::to_string(k));
  uint64_t seed = 7;
  const auto next = [&seed] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return seed >> 33;
  };
  for (int day = 0; day < 400; ++day) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2001 + day / 300, 1 + day / 25 % 12,
                  1 + day % 25);
    d.days.push_back(date);
    for (store::CodeBars& c : codes) {
      if (next() % 13 == 0) continue;  // a suspension
      const double open = static_cast<double>(next() % 5000 + 100) / 100;
      const double close = static_cast<double>(next() % 5000 + 100) / 100;
      c.bars.push_back({date, open, std::max(open, close), std::min(open, close), close, 1, 1});
    }
  }
  d.range_days = 380;
  std::vector<std::vector<uint32_t>> buys;
  for (int n = 0; n < 50'000; ++n) {
    ranking::RangeListing l;
    l.stock = static_cast<uint32_t>(next() % 60);
    l.day = static_cast<uint16_t>(static_cast<int64_t>(n) * 400 / 50'000);
    l.in_range = l.day < d.range_days;
    l.first_entry = static_cast<uint32_t>(d.entry_seats.size());
    l.entry_count = 6;
    for (int e = 0; e < 6; ++e)
      d.entry_seats.push_back(static_cast<uint32_t>(next() % 40) |
                              (e < 4 ? ranking::kInBuyBlock : ranking::kInSellBlock));
    d.listings.push_back(l);
  }
  const prices::BarsIndex bars(codes);
  const prices::RangeReturns r = prices::ComputeRangeReturns(d, bars);
  std::vector<prices::TrackRecordSum> seats(40), stocks(60);
  prices::TrackRecordSum all;
  for (const ranking::RangeListing& l : d.listings) {
    if (!l.in_range) continue;
    const prices::ListingReturns one = bars.Returns(d.codes[l.stock], d.days[l.day]);
    all.Add(one);
    stocks[l.stock].Add(one);
    for (uint32_t e = l.first_entry; e < l.first_entry + l.entry_count; ++e)
      if (d.entry_seats[e] & ranking::kInBuyBlock)
        seats[d.entry_seats[e] & ranking::kSeatBits].Add(one);
  }
  const auto same = [](const prices::TrackRecord& a, const prices::TrackRecord& b) {
    return a.sample == b.sample && a.next_open_mean == b.next_open_mean &&
           a.d1_win_rate == b.d1_win_rate && a.d5_mean == b.d5_mean &&
           a.d5_win_rate == b.d5_win_rate && a.d10_mean == b.d10_mean && a.path == b.path;
  };
  EXPECT_GT(r.all.sample, 40'000);
  EXPECT_TRUE(same(r.all, all.Result()));
  for (size_t k = 0; k < seats.size(); ++k) EXPECT_TRUE(same(r.seats[k], seats[k].Result())) << k;
  for (size_t k = 0; k < stocks.size(); ++k)
    EXPECT_TRUE(same(r.stocks[k], stocks[k].Result())) << k;
}

}  // namespace
