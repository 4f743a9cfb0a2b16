// The download page with the data centre as its source: the same captions,
// progress, messages, stop and stored listings as with the list pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "download_log/coverage_page.h"
#include "download/datacentre_source.h"
#include "download_page/download_control.h"
#include "store/listing_extras.h"
#include "tests/download_test_support.h"

namespace {

using sample_source::Fault;
using testing_support::DownloadProgram;
using testing_support::kClosingMessage;
using testing_support::kFailedPagesLineClose;
using testing_support::kFailedPagesLineOpen;
using testing_support::PageKey;
using testing_support::StoredRecord;
using testing_support::U;
using ui::DateTime;

const std::vector<std::string> kWeek = {"2010-06-04", "2010-06-03", "2010-06-02", "2010-06-01",
                                        "2010-05-31"};

void UseDataCentre(DownloadProgram& d) {
  d.p.settings.source_kind = download::SourceKind::kDataCentre;
  d.p.settings.datacentre_gap_ms = 1;
  d.p.settings.datacentre_backoff_ms = 1;
}

void UseWeek(DownloadProgram& d) {
  d.UseRange(DateTime::FromParts(2010, 5, 31), DateTime::FromParts(2010, 6, 4, 12));
}

// Each page's listings in the order of their code and reason, the volume
// left out (the data centre gives none).
std::vector<StoredRecord> Comparable(std::vector<StoredRecord> records,
                                     const std::vector<PageKey>& pages) {
  size_t at = 0;
  for (const PageKey& page : pages) {
    const size_t n = DownloadProgram::Expected({page}).size();
    if (at + n > records.size()) break;
    std::sort(records.begin() + static_cast<long>(at), records.begin() + static_cast<long>(at + n),
              [](const StoredRecord& a, const StoredRecord& b) {
                return std::tie(a[2], a[3]) < std::tie(b[2], b[3]);
              });
    at += n;
  }
  for (StoredRecord& r : records) r[5].clear();
  return records;
}

TEST(DataCentreWindowTest, AWeekDownloadsAsFromThePages) {
  DownloadProgram d;
  UseDataCentre(d);
  UseWeek(d);
  ASSERT_TRUE(d.DownloadAndWait());
  auto& w = d.p.window;
  const auto pages = DownloadProgram::Pages(kWeek);
  const auto stored = d.Stored();
  EXPECT_EQ(testing_support::Readable(Comparable(stored, pages)),
            testing_support::Readable(Comparable(DownloadProgram::Expected(pages), pages)));
  for (const auto& r : stored) EXPECT_EQ(r[5], "");
  EXPECT_EQ(U(w.download_progress.caption()), "已完成 15/15 页，失败 0 页");
  EXPECT_EQ(U(w.标签_下载标题.caption()), "数据下载完毕！");
  EXPECT_EQ(d.UpdateDateCaption(), "更新日期：（2010-06-04）");
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{kClosingMessage});
  EXPECT_TRUE(w.超级按钮_开始下载.enabled());
  for (const auto& r : d.source.Requests())
    EXPECT_EQ(r.target.rfind("/api/data/v1/get?", 0), 0u) << r.target;
}

// What the store holds beside the listings.
struct SideRows {
  std::vector<store::ListingExtras> extras;
  std::vector<store::SeatCode> seats;
};
SideRows Side(DownloadProgram& d) {
  SideRows rows;
  auto access = d.p.store.OpenStore();
  EXPECT_TRUE(access.ReadListingExtras("0000", "9999", &rows.extras));
  EXPECT_TRUE(access.ReadSeatCodes("0000", "9999", &rows.seats));
  return rows;
}

TEST(DataCentreWindowTest, AWeekIsTheSameStoreWhetherTheSeatsComeByDateOrByStock) {
  DownloadProgram by_date;
  UseDataCentre(by_date);
  UseWeek(by_date);
  ASSERT_TRUE(by_date.DownloadAndWait());
  DownloadProgram by_stock;
  UseDataCentre(by_stock);
  UseWeek(by_stock);
  by_stock.source.SetSeatsNeedCode(true);
  ASSERT_TRUE(by_stock.DownloadAndWait());
  EXPECT_EQ(U(by_stock.p.window.标签_下载标题.caption()), "数据下载完毕！");
  EXPECT_EQ(by_stock.Stored(), by_date.Stored());
  const SideRows a = Side(by_date);
  const SideRows b = Side(by_stock);
  EXPECT_EQ(b.extras, a.extras);
  EXPECT_EQ(b.seats, a.seats);
  EXPECT_EQ(a.extras.size(), by_date.Stored().size());
  EXPECT_GT(by_stock.source.RequestCount(), 4 * by_date.source.RequestCount());
  EXPECT_EQ(by_date.source.RequestCount(), 15u);  // the list and two Seat reports a day
}

TEST(DataCentreWindowTest, AnUnreadableAnswerIsKeptAndTheClosingMessageSaysWhere) {
  DownloadProgram d;
  UseDataCentre(d);
  testing_support::TempDir cache;
  d.p.settings.answers_folder = cache / "answers";
  d.source.SetCentreFault(download::kDayListReport, "2010-06-02", Fault::kTruncated);
  UseWeek(d);
  ASSERT_TRUE(d.DownloadAndWait());
  const auto messages = d.MessageTexts();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("3 页下载失败"), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("数据中心有 3 份应答无法读取，已保存在：\r\n" +
                             (cache / "answers").string()),
            std::string::npos)
      << messages[0];
  int kept = 0;
  for (const auto& entry : std::filesystem::directory_iterator(cache / "answers")) {
    ++kept;
    EXPECT_NE(entry.path().filename().string().find("RPT_DAILYBILLBOARD_DETAILSNEW_2010-06-02"),
              std::string::npos);
  }
  EXPECT_EQ(kept, 3);
}

TEST(DataCentreWindowTest, TheDownloadLogPageSaysWhichSourceIsInForce) {
  DownloadProgram d;
  UseDataCentre(d);
  d.p.settings.source_host = "https://datacenter-web.eastmoney.com";
  d.p.settings.source_host_origin = program::SettingOrigin::kInstalled;
  d.p.settings.source_kind_origin = program::SettingOrigin::kInstalled;
  coverage::RefreshDownloadLogPage(d.p.ctx, false);
  EXPECT_EQ(U(d.p.window.download_log.标签_下载记录来源.caption()),
            "数据来源：数据中心 datacenter，https://datacenter-web.eastmoney.com（安装默认）");
  d.p.settings.source_kind = download::SourceKind::kPages;
  d.p.settings.source_kind_origin = program::SettingOrigin::kCommandLine;
  d.p.settings.source_host = "127.0.0.1:18080";
  d.p.settings.source_host_origin = program::SettingOrigin::kBuild;
  coverage::RefreshDownloadLogPage(d.p.ctx, false);
  EXPECT_EQ(U(d.p.window.download_log.标签_下载记录来源.caption()),
            "数据来源：列表页 pages（命令行 --source-kind），127.0.0.1:18080（程序内置）");
}

TEST(DataCentreWindowTest, ADayThatKeepsFailingCostsItsThreePages) {
  DownloadProgram d;
  UseDataCentre(d);
  d.source.SetCentreFault(download::kDayListReport, "2010-06-02", Fault::kUnavailable);
  UseWeek(d);
  ASSERT_TRUE(d.DownloadAndWait());
  std::vector<PageKey> kept;
  for (const auto& page : DownloadProgram::Pages(kWeek))
    if (page.date != "2010-06-02") kept.push_back(page);
  EXPECT_EQ(testing_support::Readable(Comparable(d.Stored(), kept)),
            testing_support::Readable(Comparable(DownloadProgram::Expected(kept), kept)));
  EXPECT_EQ(U(d.p.window.download_progress.caption()), "已完成 15/15 页，失败 3 页");
  EXPECT_EQ(U(d.p.window.标签_下载标题.caption()), "数据下载完毕，3 页下载失败！");
  EXPECT_EQ(d.MessageTexts(),
            std::vector<std::string>{std::string(kClosingMessage) + kFailedPagesLineOpen + "3" +
                                     kFailedPagesLineClose});
}

TEST(DataCentreWindowTest, TodayWithNothingListedIsNotYetPublished) {
  DownloadProgram d;
  UseDataCentre(d);
  auto& w = d.p.window;
  w.日期框1.SetValue(DateTime::FromParts(2010, 6, 4, 9));
  w.日期框2.SetValue(DateTime::FromParts(2010, 6, 4, 9));
  w.单选框_日.SetChecked(true);
  d.source.SetCentreFault(download::kDayListReport, "2010-06-04", Fault::kUnpublished);
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(U(w.标签_下载标题.caption()), "本日数据暂未上传，请稍后下载！");
  EXPECT_EQ(U(w.download_progress.caption()), "已完成 3/3 页，失败 0 页");
  EXPECT_TRUE(d.Stored().empty());
}

TEST(DataCentreWindowTest, AStopMidDayKeepsWholePagesOnly) {
  DownloadProgram d;
  UseDataCentre(d);
  d.source.SetSlowMs(30);
  d.source.SetFault(Fault::kSlow);
  UseWeek(d);
  auto& w = d.p.window;
  w.download_progress.AddListener([&](ui::Component&, ui::Property what) {
    if (what == ui::Property::kProgress && w.download_progress.value() >= 2)
      d.p.state.job_stop.request_stop();
  });
  ASSERT_TRUE(d.DownloadAndWait());
  const auto pages = DownloadProgram::Pages(kWeek);
  const auto stored = d.Stored();
  // Whole pages in download order: the first two, perhaps a third.
  size_t whole = 0;
  size_t at = 0;
  while (whole < pages.size()) {
    const size_t n = DownloadProgram::Expected({pages[whole]}).size();
    if (at + n > stored.size()) break;
    at += n;
    ++whole;
  }
  EXPECT_EQ(at, stored.size());
  EXPECT_GE(whole, 2u);
  EXPECT_LT(whole, pages.size());
  std::vector<PageKey> done(pages.begin(), pages.begin() + static_cast<long>(whole));
  EXPECT_EQ(testing_support::Readable(Comparable(stored, done)),
            testing_support::Readable(Comparable(DownloadProgram::Expected(done), done)));
  EXPECT_TRUE(d.MessageTexts().empty());
  EXPECT_TRUE(w.超级按钮_开始下载.enabled());
}

}  // namespace
