// The price update on the page 席位统计, on the window model against the
// sample source: after a download when "下载后更新行情" is checked, on
// "更新行情", refused during another job, failures counted in the closing
// message.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "download_page/download_control.h"
#include "ranking/prices_control.h"
#include "program/jobs.h"
#include "store/price_bars.h"
#include "store/record_store.h"
#include "tests/download_test_support.h"

namespace {

using testing_support::DownloadProgram;
using testing_support::U;

bool IsKline(const std::string& target) {
  return target.find("/api/qt/stock/kline/get") != std::string::npos;
}

struct PricesWindow {
  PricesWindow() {
    d.p.settings.prices_gap_ms = 0;
    prices::WirePricesControls(d.p.ctx);
    testing_support::UseTwoDays(d);
  }
  ui::RankingPage& page() { return d.p.window.ranking; }
  size_t KlineRequests() {
    size_t n = 0;
    for (const auto& r : d.source.Requests()) n += IsKline(r.target) ? 1 : 0;
    return n;
  }
  // The Shanghai and Shenzhen codes of the stored listings.
  std::set<std::string> ListedCodes() {
    std::set<std::string> codes;
    for (const auto& r : d.Stored()) {
      const std::string& code = r[store::kCode - 1];  // fields count from 1
      if (!code.empty() && std::string("036").find(code[0]) != std::string::npos)
        codes.insert(code);
    }
    return codes;
  }
  std::vector<store::PriceLogEntry> Logs() {
    store::StoreAccess a = d.p.store.OpenStore();
    std::vector<store::PriceLogEntry> logs;
    EXPECT_TRUE(a.ReadPriceLogs(&logs));
    return logs;
  }
  void PumpAll() {
    ASSERT_TRUE(d.p.platform.RunUntilWorkersDone());
    // The update starts from the download's last report.
    ASSERT_TRUE(d.p.platform.RunUntilWorkersDone());
  }
  void SetPageRangeToTheTwoDays() {
    for (ui::RadioButton* quick : page().quick_ranges()) quick->SetChecked(false);
    page().日期框_统计起.SetValue(ui::DateTime::FromParts(2010, 6, 3));
    page().日期框_统计止.SetValue(ui::DateTime::FromParts(2010, 6, 4));
  }
  DownloadProgram d;
};

TEST(PricesWindowTest, PricesFollowADownloadWhenAskedAndAClickLaterAsksNothingMore) {
  PricesWindow w;
  w.page().选择框_下载后更新行情.UserClick();
  ASSERT_TRUE(w.page().选择框_下载后更新行情.checked());
  w.d.Click();
  ASSERT_NO_FATAL_FAILURE(w.PumpAll());
  const std::set<std::string> codes = w.ListedCodes();
  ASSERT_FALSE(codes.empty());
  // One request per stock, each logged with its bars.
  EXPECT_EQ(w.KlineRequests(), codes.size());
  const std::vector<store::PriceLogEntry> logs = w.Logs();
  std::set<std::string> logged;
  for (const auto& log : logs) {
    logged.insert(log.code);
    EXPECT_EQ(log.result, store::PriceFetchResult::kBars) << log.code << " " << log.reason;
    EXPECT_GT(log.bars, 0) << log.code;
  }
  EXPECT_EQ(logged, codes);

  const std::vector<std::string> messages = w.d.MessageTexts();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2].rfind("龙虎榜数据下载完毕", 0), 0u);
  const std::string closing = messages.back();
  EXPECT_NE(closing.find("取得日线 " + std::to_string(codes.size()) + " 只"), std::string::npos)
      << closing;
  EXPECT_EQ(closing.find("下载失败"), std::string::npos) << closing;
  const ui::MainWindow& win = w.d.p.window;
  EXPECT_EQ(U(win.download_progress.caption()),
            "已完成 " + std::to_string(codes.size()) + "/" + std::to_string(codes.size()) +
                " 只，失败 0 只");
  EXPECT_EQ(win.download_progress.value(), static_cast<int>(codes.size()));
  EXPECT_TRUE(std::any_of(w.d.date_captions.begin(), w.d.date_captions.end(),
                          [](const std::string& c) { return c.rfind("正在下载（", 0) == 0; }));
  EXPECT_EQ(U(win.标签_下载标题.caption()), "行情更新完毕！");
  EXPECT_TRUE(win.超级按钮_开始下载.enabled());
  EXPECT_FALSE(program::JobRunning(w.d.p.state));

  // The caption over the pages shows the newest listing's date again, not
  // the update's result.
  const std::string newest = U(win.标签_上榜日期.caption());
  EXPECT_EQ(newest.rfind("最新更新：（2010-06-0", 0), 0u) << newest;

  // The button over the same days: every stock is held already.
  w.SetPageRangeToTheTwoDays();
  const size_t asked = w.KlineRequests();
  w.page().超级按钮_更新行情.UserClick();
  EXPECT_FALSE(win.超级按钮_开始下载.enabled());  // a job runs from the click on
  ASSERT_NO_FATAL_FAILURE(w.PumpAll());
  EXPECT_EQ(U(win.标签_上榜日期.caption()), newest);
  EXPECT_EQ(w.KlineRequests(), asked);
  EXPECT_NE(w.d.MessageTexts().back().find("已是最新 " + std::to_string(codes.size()) + " 只"),
            std::string::npos)
      << w.d.MessageTexts().back();
  EXPECT_TRUE(win.超级按钮_开始下载.enabled());

  // Unchecked: the next download (of today, as the boxes now say) alone.
  w.page().选择框_下载后更新行情.UserClick();
  w.d.Click();
  ASSERT_NO_FATAL_FAILURE(w.PumpAll());
  EXPECT_GT(w.ListedCodes().size(), codes.size());
  EXPECT_EQ(w.KlineRequests(), asked);
}

TEST(PricesWindowTest, RefusedWhileAnotherJobRunsAndFailuresAreCountedInTheClosingMessage) {
  PricesWindow w;
  w.d.Click();
  ASSERT_NO_FATAL_FAILURE(w.PumpAll());
  w.SetPageRangeToTheTwoDays();

  program::BeginJob(w.d.p.ctx, program::Job::kDuplicateRemoval);
  w.page().超级按钮_更新行情.UserClick();
  ASSERT_NO_FATAL_FAILURE(w.PumpAll());
  EXPECT_EQ(w.KlineRequests(), 0u);
  EXPECT_EQ(w.d.MessageTexts().back(), "正在删除重复数据……，请在删除完成后再下载！");
  program::PostJobFinished(w.d.p.ctx);
  w.d.p.platform.RunPending();

  // One stock answers what is no K-line answer: it alone fails, and the
  // next update asks for it again.
  const std::set<std::string> listed = w.ListedCodes();
  ASSERT_FALSE(listed.empty());
  const std::string bad = *listed.begin();
  w.d.source.SetKlineBody(bad, "<html>blocked</html>");
  w.page().超级按钮_更新行情.UserClick();
  ASSERT_NO_FATAL_FAILURE(w.PumpAll());
  const std::string closing = w.d.MessageTexts().back();
  EXPECT_NE(closing.find("其中 1 只下载失败，请稍后重新更新行情。"), std::string::npos) << closing;
  EXPECT_EQ(U(w.d.p.window.标签_下载标题.caption()), "行情更新完毕，1 只下载失败！");
  const size_t asked = w.KlineRequests();
  EXPECT_EQ(asked, w.ListedCodes().size());
  w.d.source.SetKlineBody(bad, "");
  w.page().超级按钮_更新行情.UserClick();
  ASSERT_NO_FATAL_FAILURE(w.PumpAll());
  EXPECT_EQ(w.KlineRequests(), asked + 1);
}

}  // namespace
