// Startup, the store at first start, the exit confirmation and the small
// handlers of the main window, on the window model with a scripted platform.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/event_wiring.h"
#include "program/jobs.h"
#include "store/record_store.h"
#include "store/store_error.h"
#include "tests/program_fixture.h"
#include "tools/sample-source/sample_server.h"

namespace {

using namespace testing_support;
using ui::MessageAnswer;

const char* const kExitQuestion =
    "系统数据下载未完成，是否真的要退出系统？\r\n\r\n      强行退出有可能会造成数据异常！";

// A program whose store file is not created beforehand.
struct FreshProgram {
  explicit FreshProgram(const std::filesystem::path& store_dir)
      : store(store::StorePath(store_dir)), ctx{window, platform, store, state, settings} {
    app::WireEvents(ctx);
  }
  store::Store store;
  ui::MainWindow window;
  ui::ScriptedPlatform platform;
  program::ProgramState state;
  program::ProgramSettings settings;
  program::ProgramContext ctx;
};

// Counts closes the way the toolkit does them: the close query decides.
struct CloseCounter {
  explicit CloseCounter(ui::MainWindow& window) {
    window.close_window = [this, &window] {
      if (window.RaiseCloseQuery()) ++closed;
    };
  }
  std::atomic<int> closed{0};
};

TEST(Startup, TitleVersionCaptionAndInitialStates) {
  TempDir dir;
  FreshProgram p(dir.path());
  p.window.RaiseCreated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(U(p.window.title()), "Quorvane V1.3");
  EXPECT_EQ(U(p.window.标签_版本号.caption()), "版本号：V1.3");
  EXPECT_TRUE(p.window.单选框_代码.checked());
  EXPECT_TRUE(p.window.单选框_日.checked());
  EXPECT_TRUE(p.window.选择框_保留.checked());
  EXPECT_FALSE(p.window.选择框_更新.checked());
  EXPECT_FALSE(p.window.标签_数据耗时.visible());
  EXPECT_FALSE(p.window.气球提示框_席位组.visible());
  EXPECT_TRUE(p.platform.messages().empty());
  // The startup refresh ran: the empty store shows the laid-out grid.
  EXPECT_EQ(p.window.高级表格_龙虎统计.ColumnCount(), 10);
  EXPECT_EQ(U(p.window.标签_上榜日期.caption()), "最新更新：（）");
}

TEST(Startup, CreatesTheStoreOnceAndLeavesItAloneAfterwards) {
  TempDir dir;
  const auto path = store::StorePath(dir.path());
  {
    FreshProgram first(dir.path());
    ASSERT_FALSE(std::filesystem::exists(path));
    first.window.RaiseCreated();
    ASSERT_TRUE(first.platform.RunUntilWorkersDone());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(first.platform.messages().empty());
    WriteListings(first.store, {MakeListing("2010-04-08", "浦发银行", "600000", "1,000.00")});
  }
  FreshProgram second(dir.path());
  second.window.RaiseCreated();
  ASSERT_TRUE(second.platform.RunUntilWorkersDone());
  EXPECT_TRUE(second.platform.messages().empty());
  EXPECT_EQ(ReadColumn(second.store, store::kCode), std::vector<std::string>{"600000"});
  EXPECT_EQ(second.window.高级表格_龙虎统计.Text(1, 2), "600000");
}

TEST(Startup, AStoreThatCannotBeCreatedIsReported) {
  TempDir dir;
  // A file where the program folder should be: nothing can be created in it.
  WriteFileBytes(dir / "not-a-folder", "x");
  FreshProgram p(dir / "not-a-folder");
  p.window.RaiseCreated();
  EXPECT_EQ(p.platform.running_workers(), 0);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  const auto error = p.store.EnsureStore();
  ASSERT_TRUE(error.has_value());
  const auto messages = p.platform.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Ferrow提示");
  EXPECT_EQ(messages[0].text, U(store::ErrorMessage(*error)));
  EXPECT_FALSE(messages[0].text.empty());
  EXPECT_EQ(p.window.高级表格_龙虎统计.ColumnCount(), 10);
  EXPECT_FALSE(std::filesystem::exists(p.store.Path()));
  // No date that looks like data: the caption of an empty store.
  EXPECT_EQ(U(p.window.标签_上榜日期.caption()), "最新更新：（）");
  EXPECT_EQ(U(p.window.高级表格_龙虎统计.Text(0, 0)), "上榜日期");
}

TEST(Startup, AStoreWithAnotherPasswordShowsNoDate) {
  TempDir dir;
  {
    store::Store other(store::StorePath(dir.path()), "another password");
    ASSERT_FALSE(other.EnsureStore().has_value());
  }
  FreshProgram p(dir.path());
  p.window.RaiseCreated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ASSERT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(U(p.window.标签_上榜日期.caption()), "最新更新：（）");
  EXPECT_EQ(U(p.window.高级表格_龙虎统计.Text(0, 0)), "上榜日期");
  EXPECT_EQ(p.window.高级表格_龙虎统计.RowCount(), 16);
}

TEST(Checkboxes, AClickOnOneUnchecksTheOther) {
  TestProgram p;
  app::WireEvents(p.ctx);
  auto& keep = p.window.选择框_保留;
  auto& replace = p.window.选择框_更新;
  // Clicking the checked box leaves both unchecked.
  keep.UserClick();
  EXPECT_FALSE(keep.checked());
  EXPECT_FALSE(replace.checked());
  replace.UserClick();
  EXPECT_TRUE(replace.checked());
  EXPECT_FALSE(keep.checked());
  keep.UserClick();
  EXPECT_TRUE(keep.checked());
  EXPECT_FALSE(replace.checked());
}

TEST(CloseQuery, IdleClosesWithoutAsking) {
  TestProgram p;
  app::WireEvents(p.ctx);
  CloseCounter counter(p.window);
  p.window.Close();
  EXPECT_EQ(counter.closed, 1);
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST(CloseQuery, CancelKeepsTheWindowAndTheDownload) {
  TestProgram p;
  app::WireEvents(p.ctx);
  CloseCounter counter(p.window);
  program::BeginJob(p.ctx, program::Job::kDownload);  // a download runs
  p.platform.QueueAnswer(MessageAnswer::kCancel);
  p.window.Close();
  p.platform.RunPending();
  EXPECT_EQ(counter.closed, 0);
  EXPECT_FALSE(p.state.job_stop.stop_requested());
  EXPECT_FALSE(p.state.close_pending);
  const auto messages = p.platform.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, kExitQuestion);
  EXPECT_EQ(messages[0].title, "确认退出");
  EXPECT_EQ(messages[0].buttons, ui::MessageButtons::kOkCancel);
  // The download ends later on its own: nothing closes.
  program::PostJobFinished(p.ctx);
  p.platform.RunPending();
  EXPECT_EQ(counter.closed, 0);
}

TEST(CloseQuery, OkStopsTheDownloadAndClosesOnlyAfterItHasEnded) {
  TestProgram p;
  app::WireEvents(p.ctx);
  CloseCounter counter(p.window);
  std::atomic<bool> worker_ended{false};
  int closed_when_ended = -1;
  // A download stand-in: runs until asked to stop, then ends its job on
  // the user-interface thread, as the download does.
  std::stop_token stop = program::BeginJob(p.ctx, program::Job::kDownload);
  p.platform.StartWorker([&, stop] {
    while (!stop.stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    worker_ended = true;  // the page written, the store closed
    p.platform.PostToUi([&] { closed_when_ended = counter.closed; });
    program::PostJobFinished(p.ctx);
  });

  p.platform.QueueAnswer(MessageAnswer::kOk);
  p.window.Close();
  EXPECT_EQ(counter.closed, 0);
  EXPECT_TRUE(p.state.job_stop.stop_requested());
  // A second close while the download stops asks nothing more.
  p.window.Close();
  EXPECT_EQ(p.platform.messages().size(), 1u);
  ASSERT_TRUE(p.platform.RunUntil([&] { return counter.closed == 1; }, 10000));
  EXPECT_TRUE(worker_ended);
  EXPECT_EQ(closed_when_ended, 0);
  EXPECT_EQ(p.platform.messages().size(), 1u);
}

TEST(CloseQuery, OkDuringARealDownloadKeepsThePagesStoredSoFar) {
  sample_source::SampleSource source;
  ASSERT_GT(source.Start(0), 0);
  source.SetFault(sample_source::Fault::kSlow);
  source.SetSlowMs(60);
  TestProgram p;
  p.settings.source_host = source.Host();
  app::WireEvents(p.ctx);
  CloseCounter counter(p.window);
  p.window.单选框_月.UserClick();  // about 22 trading days, three boards each
  p.window.超级按钮_开始下载.UserClick();
  ASSERT_FALSE(p.window.超级按钮_开始下载.enabled());
  ASSERT_TRUE(p.platform.RunUntil([&] { return source.RequestCount() >= 3; }, 20000));

  p.platform.QueueAnswer(MessageAnswer::kOk);
  p.window.Close();
  EXPECT_EQ(counter.closed, 0);
  ASSERT_TRUE(p.platform.RunUntil([&] { return counter.closed == 1; }, 20000));
  EXPECT_TRUE(p.window.超级按钮_开始下载.enabled());
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  // Far fewer pages than planned were asked for; what was stored is readable.
  EXPECT_LT(source.RequestCount(), 30u);
  auto access = p.store.OpenStore();
  ASSERT_TRUE(access.ok());
  EXPECT_GT(access.RecordCount(), 0);
  access.GoToFirst();
  EXPECT_EQ(access.ReadField(store::kDate).size(), 10u);
}

TEST(SearchBox, EveryLeftPressEmptiesIt) {
  TestProgram p;
  app::WireEvents(p.ctx);
  auto& box = p.window.编辑框_搜索;
  box.UserEdit("600000");
  box.UserLeftButtonDown();
  EXPECT_EQ(box.caption(), "");
  box.UserEdit(G("浦发"));
  box.UserLeftButtonDown();
  EXPECT_EQ(box.caption(), "");
}

TEST(Focus, MovingOverAGridOrTheReferenceTextFocusesIt) {
  TestProgram p;
  app::WireEvents(p.ctx);
  p.window.高级表格_龙虎统计.UserMouseMove();
  p.window.高级表格_龙虎统计.UserMouseMove();
  p.window.编辑框_敢死队信息.UserMouseMove();
  p.window.高级表格_搜索结果.UserMouseMove();
  p.window.编辑框_搜索.UserMouseMove();  // not one of the three
  p.window.高级表格_上榜明细.UserMouseMove();
  EXPECT_EQ(p.platform.focus_log(),
            (std::vector<std::string>{"高级表格_龙虎统计", "高级表格_龙虎统计", "编辑框_敢死队信息",
                                      "高级表格_搜索结果"}));
}

// The command-line program (or another window) writes the store while the
// window is open: the window notices when it comes back to the front and
// when a job ends, and reads the store again; nothing new, no reading.
TEST(StoreWrittenElsewhere, TheWindowRefreshesOnActivationAndAfterAJob) {
  TestProgram p;
  app::WireEvents(p.ctx);
  p.window.RaiseCreated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ASSERT_EQ(p.state.statistics_listing_count, 0);
  const uint64_t refreshes = p.state.statistics_refresh_started.load();
  p.window.RaiseActivated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(p.state.statistics_refresh_started.load(), refreshes);

  {
    store::Store elsewhere(p.store.Path());
    WriteListings(elsewhere, {MakeListing("2010-04-07", "甲", "600001", "10000"),
                              MakeListing("2010-04-08", "乙", "600002", "10000")});
  }
  p.window.RaiseActivated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(p.state.statistics_listing_count, 2);
  EXPECT_EQ(U(p.window.高级表格_龙虎统计.Text(1, 0)), "2010-04-08");

  // During a job the window waits for its end.
  program::BeginJob(p.ctx, program::Job::kDuplicateRemoval);
  {
    store::Store elsewhere(p.store.Path());
    WriteListings(elsewhere, {MakeListing("2010-04-09", "丙", "600003", "10000")});
  }
  p.window.RaiseActivated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(p.state.statistics_listing_count, 2);
  program::PostJobFinished(p.ctx);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(p.state.statistics_listing_count, 3);
}

// A store in a folder the user may not write: the window reads it as ever
// and refuses each job that would write it, saying why.
TEST(ReadOnlyStore, BrowsingWorksAndTheWritingJobsAreRefused) {
  TestProgram p;
  WriteListings(p.store, {MakeListing("2010-04-07", "甲", "600001", "10000"),
                          MakeListing("2010-04-08", "乙", "600002", "10000")});
  p.store.DropIdleConnections();
  p.store.SetReadOnly(true);  // what EnsureStore finds in such a folder
  app::WireEvents(p.ctx);
  p.window.RaiseCreated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_TRUE(p.platform.messages().empty());
  EXPECT_EQ(p.state.statistics_listing_count, 2);

  const std::string refusal =
      "数据文件Data.edb所在文件夹不可写入，数据已以只读方式打开。\r\n\r\n"
      "可以浏览、查询、统计和导出，不能下载、去重复或重建下载记录。";
  for (ui::SuperButton* button : {&p.window.超级按钮_开始下载, &p.window.超级按钮_去重复,
                             &p.window.download_log.超级按钮_补全下载,
                             &p.window.download_log.超级按钮_重建记录}) {
    p.platform.ClearMessages();
    button->UserClick();
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
    EXPECT_EQ(p.state.job, program::Job::kNone);
    ASSERT_EQ(p.platform.messages().size(), 1u) << button->name();
    EXPECT_EQ(p.platform.messages()[0].text, refusal);
    EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  }
  EXPECT_EQ(ReadColumn(p.store, store::kDate).size(), 2u);
}

}  // namespace
