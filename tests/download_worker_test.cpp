// The download, end to end over real HTTP: checks, captions, messages, the
// store, keep and replace.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "download_page/download_control.h"
#include "tests/download_test_support.h"
#include "text/gbk.h"

namespace {

using sample_source::Fault;
using testing_support::DownloadProgram;
using testing_support::kClosingMessage;
using testing_support::kFailedPagesLineClose;
using testing_support::kFailedPagesLineOpen;
using testing_support::MakeListing;
using testing_support::Readable;
using testing_support::U;
using ui::DateTime;

using testing_support::kTwoDays;
using testing_support::UseTwoDays;

TEST(DownloadWorkerTest, KeepAppendsEveryListingAfterTheStoredOnes) {
  DownloadProgram d;
  testing_support::WriteListings(d.p.store, {MakeListing("2009-01-05", "旧记录", "600001", "100")});
  auto& w = d.p.window;
  UseTwoDays(d);
  d.Click();
  EXPECT_FALSE(w.超级按钮_开始下载.enabled());  // the running flag, from the click on
  ASSERT_TRUE(d.p.platform.RunUntilWorkersDone());

  auto expected = DownloadProgram::Expected(DownloadProgram::Pages(kTwoDays));
  const auto stored = d.Stored();
  ASSERT_EQ(stored.size(), expected.size() + 1);
  EXPECT_EQ(U(stored[0][1]), "旧记录");
  EXPECT_EQ(Readable({stored.begin() + 1, stored.end()}), Readable(expected));

  // Boards outer, dates inner, latest first, one connection.
  const auto requests = d.source.Requests();
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_EQ(requests[0].target, "/stock/smebt.php?t=0&tdate=2010-06-04");
  EXPECT_EQ(requests[1].target, "/stock/smebt.php?t=0&tdate=2010-06-03");
  EXPECT_EQ(requests[2].target, "/stock/smebt.php?t=1&tdate=2010-06-04");
  EXPECT_EQ(requests[5].target, "/stock/smebt.php?t=2&tdate=2010-06-03");

  EXPECT_EQ(U(w.标签_下载标题.caption()), "数据下载完毕！");
  // The first record's date, which an old record holds; the statistics
  // refresh then shows the newest date.
  ASSERT_GE(d.date_captions.size(), 2u);
  EXPECT_EQ(d.date_captions[d.date_captions.size() - 2], "更新日期：（2009-01-05）");
  EXPECT_EQ(d.date_captions.back(), "最新更新：（2010-06-04）");
  EXPECT_TRUE(w.标签_耗时.visible());
  EXPECT_EQ(U(w.标签_耗时.caption()), "下载耗时：0秒");
  EXPECT_TRUE(w.超级按钮_开始下载.enabled());
  EXPECT_EQ(w.日期框1.value(), d.now);
  EXPECT_EQ(w.日期框2.value(), d.now);
  EXPECT_TRUE(w.download_progress.visible());
  EXPECT_EQ(w.download_progress.value(), 6);
  EXPECT_EQ(w.download_progress.maximum(), 6);
  EXPECT_EQ(U(w.download_progress.caption()), "已完成 6/6 页，失败 0 页");

  const auto messages = d.p.platform.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, kClosingMessage);
  EXPECT_EQ(messages[0].title, "Ferrow提示");
  EXPECT_EQ(messages[0].buttons, ui::MessageButtons::kOk);

  // The same days again, and 否 to skipping them: stored a second time.
  d.p.platform.QueueAnswer(ui::MessageAnswer::kNo);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(d.Stored().size(), 2 * expected.size() + 1);
}

TEST(DownloadWorkerTest, PagesAlreadyStoredAreAskedAboutOnceAndSkippedByDefault) {
  DownloadProgram d;
  auto& w = d.p.window;
  const std::string question =
      "所选日期中有 3 页已保存，再次下载将重复保存。是否跳过已保存的页？";
  // Nothing stored in the range: no question, as ever.
  d.UseRange(DateTime::FromParts(2010, 6, 4), DateTime::FromParts(2010, 6, 4, 12));
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{kClosingMessage});
  const size_t friday = d.Stored().size();

  // 是 (the default): only the pages of Thursday are fetched.
  d.p.platform.ClearMessages();
  size_t asked = d.source.Requests().size();
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  const auto messages = d.p.platform.messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, question);
  EXPECT_EQ(messages[0].title, "Ferrow提示");
  EXPECT_EQ(messages[0].buttons, ui::MessageButtons::kYesNoCancel);
  EXPECT_EQ(messages[1].text, kClosingMessage);
  const auto requests = d.source.Requests();
  ASSERT_EQ(requests.size() - asked, 3u);
  for (size_t i = asked; i < requests.size(); ++i)
    EXPECT_NE(requests[i].target.find("tdate=2010-06-03"), std::string::npos);
  auto stored = Readable(d.Stored());
  auto once = Readable(DownloadProgram::Expected(DownloadProgram::Pages(kTwoDays)));
  std::sort(stored.begin(), stored.end());
  std::sort(once.begin(), once.end());
  EXPECT_EQ(stored, once);
  EXPECT_EQ(U(w.download_progress.caption()), "已完成 3/3 页，失败 0 页");

  // 取消: nothing starts.
  d.p.platform.ClearMessages();
  d.p.platform.QueueAnswer(ui::MessageAnswer::kCancel);
  asked = d.source.Requests().size();
  d.UseRange(DateTime::FromParts(2010, 6, 4), DateTime::FromParts(2010, 6, 4, 12));
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{question});
  EXPECT_EQ(d.source.Requests().size(), asked);
  EXPECT_EQ(d.Stored().size(), once.size());
  EXPECT_TRUE(w.超级按钮_开始下载.enabled());

  // 否: Friday again, stored twice.
  d.p.platform.QueueAnswer(ui::MessageAnswer::kNo);
  d.UseRange(DateTime::FromParts(2010, 6, 4), DateTime::FromParts(2010, 6, 4, 12));
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(d.Stored().size(), once.size() + friday);
}

TEST(DownloadWorkerTest, ReplaceEmptiesTheStoreFirst) {
  DownloadProgram d;
  testing_support::WriteListings(d.p.store, {MakeListing("2009-01-05", "旧记录", "600001", "100")});
  d.p.window.选择框_更新.SetChecked(true);
  d.p.window.选择框_保留.SetChecked(false);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  const auto expected = DownloadProgram::Expected(DownloadProgram::Pages(kTwoDays));
  EXPECT_EQ(Readable(d.Stored()), Readable(expected));
  // The latest date fetched for the first board.
  EXPECT_EQ(d.UpdateDateCaption(), "更新日期：（2010-06-04）");
}

TEST(DownloadWorkerTest, ReplaceEmptiesTheStoreEvenWhenEveryPageFails) {
  DownloadProgram d;
  testing_support::WriteListings(d.p.store, {MakeListing("2009-01-05", "旧记录", "600001", "100")});
  d.p.settings.source_host = d.source.Host() + "/fault/error";
  d.p.window.选择框_更新.SetChecked(true);
  d.p.window.选择框_保留.SetChecked(false);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_TRUE(d.Stored().empty());
  auto& w = d.p.window;
  EXPECT_EQ(d.UpdateDateCaption(), "更新日期：（）");
  EXPECT_EQ(U(w.download_progress.caption()), "已完成 6/6 页，失败 6 页");
  // A run whose pages failed says so, on the page and in the closing
  // message.
  EXPECT_EQ(U(w.标签_下载标题.caption()), "数据下载完毕，6 页下载失败！");
  EXPECT_EQ(d.MessageTexts(),
            std::vector<std::string>{std::string(kClosingMessage) + kFailedPagesLineOpen + "6" +
                                     kFailedPagesLineClose});
  EXPECT_TRUE(w.超级按钮_开始下载.enabled());
}

TEST(DownloadWorkerTest, PagesWithoutTheirListCountAsFailedOnEveryReport) {
  // An answer of 200 that holds no list (a notice, garbage, cut short) is
  // as failed as one that never came.
  DownloadProgram d;
  d.source.SetPageFault(0, "2010-06-04", Fault::kNoList);
  d.source.SetPageFault(0, "2010-06-03", Fault::kGarbage);
  d.source.SetPageFault(1, "2010-06-04", Fault::kTruncated);
  d.source.SetPageFault(2, "2010-06-03", Fault::kNul);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  auto& w = d.p.window;
  EXPECT_EQ(U(w.download_progress.caption()), "已完成 6/6 页，失败 4 页");
  EXPECT_EQ(U(w.标签_下载标题.caption()), "数据下载完毕，4 页下载失败！");
  EXPECT_EQ(d.MessageTexts(),
            std::vector<std::string>{std::string(kClosingMessage) + kFailedPagesLineOpen + "4" +
                                     kFailedPagesLineClose});
}

struct Refusal {
  const char* what;
  std::function<void(DownloadProgram&)> arrange;
  const char* message;
  bool date_boxes_to_now;
};

TEST(DownloadWorkerTest, RefusalsLeaveTheStoreAloneAndTheButtonUsable) {
  const DateTime friday_noon = DateTime::FromParts(2010, 6, 4, 12);
  const std::vector<Refusal> refusals = {
      {"neither keep nor replace", [](DownloadProgram& d) { d.p.window.选择框_保留.UserClick(); },
       "请选择更新或是保留原数据", false},
      {"start after end",
       [&](DownloadProgram& d) {
         // The same day, the start one second later.
         d.UseRange(DateTime::FromParts(2010, 6, 4, 12, 0, 1), friday_noon);
       },
       "开始日期必须早于结束日期", true},
      {"start after end with a quick range",
       [&](DownloadProgram& d) {
         d.p.window.日期框1.SetValue(DateTime::FromParts(2010, 6, 5));
         d.p.window.日期框2.SetValue(friday_noon);
         d.p.window.单选框_周.UserClick();
       },
       "开始日期必须早于结束日期", true},
      {"today on a Saturday",
       [](DownloadProgram& d) {
         d.p.window.日期框1.SetValue(DateTime::FromParts(2010, 6, 1));
         d.p.window.日期框2.SetValue(DateTime::FromParts(2010, 6, 5, 9));
       },
       "所选日无数据或未开市，请重新选择！", true},
      {"265 weekdays",
       [&](DownloadProgram& d) { d.UseRange(DateTime::FromParts(2009, 6, 1), friday_noon); },
       "抱歉，由于数据量过大，日期范围限在一年之内！\r\n\r\n       如有特别需要，可联系软件作者！",
       true},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.what);
    DownloadProgram d;
    testing_support::WriteListings(d.p.store,
                                   {MakeListing("2009-01-05", "旧记录", "600001", "100")});
    r.arrange(d);
    const DateTime start_before = d.p.window.日期框1.value();
    const DateTime end_before = d.p.window.日期框2.value();
    d.Click();
    EXPECT_FALSE(d.p.window.超级按钮_开始下载.enabled());
    ASSERT_TRUE(d.p.platform.RunUntilWorkersDone());
    const auto messages = d.p.platform.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, r.message);
    EXPECT_EQ(messages[0].title, "Ferrow提示");
    EXPECT_TRUE(d.p.window.超级按钮_开始下载.enabled());
    EXPECT_EQ(d.source.RequestCount(), 0u);
    EXPECT_EQ(d.Stored().size(), 1u);
    EXPECT_FALSE(d.p.window.download_progress.visible());
    if (r.date_boxes_to_now) {
      EXPECT_EQ(d.p.window.日期框1.value(), d.now);
      EXPECT_EQ(d.p.window.日期框2.value(), d.now);
    } else {
      EXPECT_EQ(d.p.window.日期框1.value(), start_before);
      EXPECT_EQ(d.p.window.日期框2.value(), end_before);
    }
  }
}

TEST(DownloadWorkerTest, AYearOfWeekdaysIsAccepted) {
  DownloadProgram d;
  // A year of an empty source: every page is served, none holds a row.
  d.source.SetFault(Fault::kUnpublished);
  d.p.window.日期框1.SetValue(DateTime::FromParts(2010, 6, 4, 12));
  d.p.window.日期框2.SetValue(DateTime::FromParts(2010, 6, 4, 12));
  d.p.window.单选框_年.UserClick();
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(d.source.RequestCount(), 3u * 261u);
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{kClosingMessage});
}

TEST(DownloadWorkerTest, TodayNotYetPublished) {
  DownloadProgram d;
  auto& w = d.p.window;
  w.日期框1.SetValue(DateTime::FromParts(2010, 6, 4, 9));
  w.日期框2.SetValue(DateTime::FromParts(2010, 6, 4, 9));
  w.单选框_日.SetChecked(true);
  w.标签_耗时.SetVisible(false);  // as turning to the page leaves it
  // The last page fetched, the third board's, has an empty list.
  d.source.SetPageFault(2, "2010-06-04", Fault::kUnpublished);
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(U(w.标签_下载标题.caption()), "本日数据暂未上传，请稍后下载！");
  EXPECT_EQ(U(w.标签_耗时.caption()), "下载耗时：0秒");
  EXPECT_FALSE(w.标签_耗时.visible());
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{kClosingMessage});
  EXPECT_TRUE(w.超级按钮_开始下载.enabled());
  // The other boards' pages were published and stored.
  EXPECT_EQ(d.Stored().size(),
            DownloadProgram::Expected({{0, "2010-06-04"}, {1, "2010-06-04"}}).size());

  // Published: the usual result.
  d.source.ClearPageFaults();
  w.日期框1.SetValue(DateTime::FromParts(2010, 6, 4, 9));
  w.日期框2.SetValue(DateTime::FromParts(2010, 6, 4, 9));
  w.单选框_日.SetChecked(true);
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(U(w.标签_下载标题.caption()), "数据下载完毕！");
  EXPECT_TRUE(w.标签_耗时.visible());

  // Any other range: an empty last page passes unnoticed.
  d.source.SetPageFault(2, "2010-06-03", Fault::kUnpublished);
  UseTwoDays(d);
  w.标签_耗时.SetVisible(false);
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(U(w.标签_下载标题.caption()), "数据下载完毕！");
  EXPECT_TRUE(w.标签_耗时.visible());
}

TEST(DownloadWorkerTest, CaptionsFollowTheDownloadInOrder) {
  DownloadProgram d;
  auto& w = d.p.window;
  std::vector<std::string> log;
  for (ui::Component* c :
       {static_cast<ui::Component*>(&w.标签_下载标题),
        static_cast<ui::Component*>(&w.标签_上榜日期), static_cast<ui::Component*>(&w.标签_耗时)}) {
    c->AddListener([&log, &d](ui::Component& comp, ui::Property what) {
      if (what != ui::Property::kCaption) return;
      const std::string caption = U(comp.caption());
      log.push_back(comp.name() + " " + caption);
      // Twelve and a half seconds pass while the first board is fetched.
      if (caption == "沪市龙虎榜上榜数据下载中……") d.p.platform.AdvanceTicks(12500);
    });
  }
  d.p.platform.SetTickCount(1000);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  const std::vector<std::string> expected = {
      "标签_下载标题 沪市龙虎榜上榜数据下载中……",
      "标签_上榜日期 正在下载（2010-06-04）数据",
      "标签_上榜日期 正在下载（2010-06-03）数据",
      "标签_下载标题 深市龙虎榜上榜数据下载中……",
      "标签_上榜日期 正在下载（2010-06-04）数据",
      "标签_上榜日期 正在下载（2010-06-03）数据",
      "标签_下载标题 中小板龙虎榜上榜数据下载中……",
      "标签_上榜日期 正在下载（2010-06-04）数据",
      "标签_上榜日期 正在下载（2010-06-03）数据",
      "标签_上榜日期 更新日期：（2010-06-04）",
      "标签_下载标题 数据下载完毕！",
      "标签_耗时 下载耗时：12.5秒",
      // The statistics refresh after the closing message.
      "标签_上榜日期 最新更新：（2010-06-04）",
  };
  EXPECT_EQ(log, expected);
}

TEST(DownloadWorkerTest, StoreThatCannotBeOpenedStopsWithAMessage) {
  DownloadProgram d;
  d.p.store.DropIdleConnections();
  const std::string junk(8192, 'x');
  testing_support::WriteFileBytes(d.p.store.Path(), junk);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  auto check = d.p.store.OpenStore();
  ASSERT_FALSE(check.ok());
  const auto messages = d.p.platform.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, U(store::ErrorMessage(*check.error())));
  EXPECT_EQ(messages[0].title, "Ferrow提示");
  EXPECT_TRUE(d.p.window.超级按钮_开始下载.enabled());
  EXPECT_EQ(d.source.RequestCount(), 0u);
  d.p.store.DropIdleConnections();
  EXPECT_EQ(testing_support::ReadFileBytes(d.p.store.Path()), junk);
}

}  // namespace
