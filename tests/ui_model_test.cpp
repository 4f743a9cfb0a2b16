#include <gtest/gtest.h>

#include <thread>

#include "tests/test_support.h"
#include "ui/export_action.h"
#include "ui/grid.h"
#include "ui/grid_export.h"
#include "ui/main_window.h"
#include "ui/scripted_platform.h"

namespace {

using testing_support::G;
using testing_support::U;
using ui::Grid;
using ui::GridChange;

TEST(Grid, RowCountChangesKeepTheRemainingRows) {
  Grid g("g", nullptr, -1, {}, "t");
  g.SetColumnCount(3);
  g.SetRowCount(4);
  g.SetText(1, 2, "a");
  g.SetInteger(3, 0, 42);
  g.SetRowCount(2);
  g.SetRowCount(5);
  EXPECT_EQ(g.Text(1, 2), "a");
  EXPECT_EQ(g.Text(3, 0), "");  // removed, then added back empty
  g.SetText(9, 9, "ignored");   // out of range does nothing
  EXPECT_EQ(g.Text(9, 9), "");
  g.SetColumnCount(4);
  EXPECT_EQ(g.Text(1, 2), "a");
}

TEST(Grid, UpdateScopeGivesOneNotification) {
  Grid g("g", nullptr, -1, {}, "t");
  g.SetColumnCount(2);
  g.SetRowCount(100);
  std::vector<GridChange> changes;
  g.AddGridListener([&](const GridChange& c) { changes.push_back(c); });
  {
    Grid::UpdateScope scope(g);
    for (int r = 10; r < 20; ++r) g.SetText(r, 1, "x");
    g.SetText(5, 0, "y");
  }
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].kind, GridChange::kRows);
  EXPECT_EQ(changes[0].first_row, 5);
  EXPECT_EQ(changes[0].last_row, 19);
  changes.clear();
  {
    Grid::UpdateScope scope(g);
    g.SetText(1, 1, "z");
    g.SetRowCount(50);
  }
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].kind, GridChange::kReset);
}

TEST(Grid, StripingAlignmentAndClearing) {
  Grid g("g", nullptr, -1, {}, "t");
  g.SetColumnCount(3);
  g.SetRowCount(5);
  g.SetHeaderRowCount(1);
  g.SetStriping({true, ui::kWhite, ui::Colour{231, 239, 231}});
  EXPECT_EQ(g.ShownBackground(0, 0), std::nullopt);
  EXPECT_EQ(g.ShownBackground(1, 0), ui::kWhite);
  EXPECT_EQ(g.ShownBackground(2, 0), (ui::Colour{231, 239, 231}));
  g.SetBackground(2, 1, ui::Colour{1, 2, 3});
  EXPECT_EQ(g.ShownBackground(2, 1), (ui::Colour{1, 2, 3}));
  // The striping holds for rows added later.
  g.SetRowCount(7);
  EXPECT_EQ(g.ShownBackground(6, 0), (ui::Colour{231, 239, 231}));

  g.SetAlignment({0, 0, 99, 99}, ui::Align::kCentre);  // cut to the grid
  g.SetAlignment({1, 1, 6, 1}, ui::Align::kRight);
  EXPECT_EQ(g.At(0, 1).Alignment(), ui::Align::kCentre);
  EXPECT_EQ(g.At(3, 1).Alignment(), ui::Align::kRight);
  g.SetText(3, 1, "v");
  g.SetTextColour(3, 1, ui::Colour{255, 0, 0});
  g.ClearRange({3, 0, 3, 2});
  EXPECT_EQ(g.Text(3, 1), "");
  EXPECT_EQ(g.At(3, 1).TextColour(), std::nullopt);
  EXPECT_EQ(g.At(3, 1).Alignment(), ui::Align::kDefault);
}

TEST(Grid, HeaderClickMakesRowOneCurrent) {
  Grid g("g", nullptr, -1, {}, "t");
  g.SetColumnCount(10);
  g.SetRowCount(16);
  int clicked = -1;
  g.on_header_clicked = [&](int, int column) { clicked = column; };
  g.SetCurrentCell(7, 3);
  g.UserHeaderClick(5);
  EXPECT_EQ(clicked, 5);
  EXPECT_EQ(g.CurrentRow(), 1);
  EXPECT_EQ(g.CurrentColumn(), 5);
}

TEST(MainWindow, InitialStateOfTheLayout) {
  ui::MainWindow w;
  EXPECT_EQ(w.tag(), "V1.3");
  EXPECT_EQ(w.place(), (ui::Rect{50, 50, 760, 540}));
  EXPECT_TRUE(w.单选框_代码.checked());
  EXPECT_TRUE(w.单选框_日.checked());
  EXPECT_TRUE(w.选择框_保留.checked());
  EXPECT_FALSE(w.选择框_更新.checked());
  EXPECT_FALSE(w.标签_数据耗时.visible());
  EXPECT_FALSE(w.气球提示框_席位组.visible());
  EXPECT_FALSE(w.高级表格_上榜明细.enabled());
  EXPECT_EQ(w.高级选择夹1.current_page(), 0);
  EXPECT_EQ(U(w.高级选择夹1.page_info(3).head), "数据管理");
  EXPECT_EQ(U(w.高级表格_搜索结果.tag()), "搜索");
  EXPECT_EQ(w.标签_软件名.caption(), "Q u o r v a n e");
  EXPECT_EQ(U(w.标签7.caption()).substr(0, 15), "操作提示：");
  EXPECT_EQ(w.Find("日期框2"), &w.日期框2);
  EXPECT_EQ(w.高级表格_龙虎统计.container(), &w.外形框_统计列表);
  EXPECT_EQ(w.外形框_统计列表.page(), 0);
  // Every component has a distinct name.
  std::set<std::string> names;
  for (auto* c : w.components()) EXPECT_TRUE(names.insert(c->name()).second) << c->name();
  EXPECT_EQ(names.size(), w.components().size());
  // The reference text has 17 numbered entries.
  const std::string ref = U(w.编辑框_敢死队信息.caption());
  EXPECT_NE(ref.find("17，"), std::string::npos);
  EXPECT_EQ(ref.find("18，"), std::string::npos);
}

TEST(MainWindow, RadioGroupsAndCheckboxes) {
  ui::MainWindow w;
  int clicks = 0;
  w.单选框_周.on_clicked = [&] { ++clicks; };
  w.单选框_周.UserClick();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(w.单选框_周.checked());
  EXPECT_FALSE(w.单选框_日.checked());
  EXPECT_TRUE(w.单选框_代码.checked());  // another group is not touched
  w.选择框_保留.UserClick();
  EXPECT_FALSE(w.选择框_保留.checked());
}

TEST(MainWindow, UnavailablePageIsNotMadeCurrentAndChangesRaiseTheEvent) {
  ui::MainWindow w;
  int changes = 0;
  w.高级选择夹1.on_page_changed = [&] { ++changes; };
  w.高级选择夹1.SetPageEnabled(2, false);
  w.高级选择夹1.UserSelectPage(2);
  EXPECT_EQ(w.高级选择夹1.current_page(), 0);
  EXPECT_EQ(changes, 0);
  w.高级选择夹1.SetCurrentPage(1);
  EXPECT_EQ(changes, 1);
  // Programmatic date changes raise nothing; the user's do.
  int date_changes = 0;
  w.日期框2.on_date_changed = [&] { ++date_changes; };
  w.日期框2.SetValue(ui::DateTime::FromParts(2010, 4, 9));
  EXPECT_EQ(date_changes, 0);
  w.日期框2.UserSetValue(ui::DateTime::FromParts(2010, 4, 8));
  EXPECT_EQ(date_changes, 1);
}

TEST(DateTime, CalendarAndArithmetic) {
  const auto d = ui::DateTime::FromParts(2010, 4, 9, 15, 30, 0);
  EXPECT_EQ(d.DateText(), "2010-04-09");
  EXPECT_EQ(d.Weekday(), 5);  // a Friday
  EXPECT_EQ(d.AddDays(1).Weekday(), 6);
  EXPECT_EQ(d.AddDays(-100).DateText(), "2009-12-30");
  EXPECT_EQ(d.Hour(), 15);
  EXPECT_EQ(d.Minute(), 30);
  const auto start = ui::DateTime::FromParts(2010, 4, 7, 15, 0, 0);
  const auto end = ui::DateTime::FromParts(2010, 4, 9, 0, 0, 0);
  EXPECT_DOUBLE_EQ(end.DaysSince(start), 1.375);
  EXPECT_EQ(ui::DateTime::FromParts(1969, 12, 31, 23).DateText(), "1969-12-31");
}

TEST(ScriptedPlatform, AMessageFromAWorkerIsAnsweredOnTheUiThread) {
  ui::ScriptedPlatform p;
  p.QueueAnswer(ui::MessageAnswer::kCancel);
  ui::MessageAnswer answer = ui::MessageAnswer::kOk;
  p.StartWorker([&] {
    answer = p.ShowMessage(G("确认？"), G("确认退出"), ui::MessageButtons::kOkCancel,
                           ui::MessageIcon::kQuestion);
  });
  ASSERT_TRUE(p.RunUntilWorkersDone(5000));
  EXPECT_EQ(answer, ui::MessageAnswer::kCancel);
  ASSERT_EQ(p.messages().size(), 1u);
  EXPECT_EQ(p.messages()[0].title, "确认退出");
  EXPECT_EQ(p.messages()[0].text, "确认？");
}

// A worker that writes the window model directly, instead of posting the
// change to the user-interface thread, races the thread that shows it: the
// model stops the program at the write, naming the component.
TEST(WindowModelDeathTest, AWriteOffTheOwnerThreadStopsTheProgram) {
  if (!ui::ThreadChecksOn()) GTEST_SKIP() << "this build does not check the model's thread";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ui::MainWindow window;
  const auto on_worker = [](const std::function<void()>& write) { std::thread(write).join(); };
  EXPECT_DEATH(on_worker([&] { window.标签_上榜数.SetCaption(G("上榜总计：3")); }),
               "标签_上榜数 written off the user-interface thread");
  EXPECT_DEATH(on_worker([&] { window.高级表格_龙虎统计.SetText(1, 1, "x"); }),
               "高级表格_龙虎统计 written off the user-interface thread");
  // The direct cell access of fills and sorts, before any notification.
  EXPECT_DEATH(on_worker([&] { window.高级表格_搜索结果.MutableRow(1); }),
               "高级表格_搜索结果 written off the user-interface thread");
  EXPECT_DEATH(on_worker([&] { window.SetTitle(G("Quorvane V1.3")); }),
               "MainWindow written off the user-interface thread");
  // Posted to the user-interface thread, the same writes are what workers do.
  ui::ScriptedPlatform platform;
  platform.StartWorker(
      [&] { platform.PostToUi([&] { window.标签_上榜数.SetCaption(G("上榜总计：3")); }); });
  ASSERT_TRUE(platform.RunUntilWorkersDone(5000));
  EXPECT_EQ(U(window.标签_上榜数.caption()), "上榜总计：3");
}

// The export behind the grids' menu: the dialog asks with the format's
// title and filter, the file is replaced by the format's contents, and a
// file that cannot be written is told with its name.
TEST(ExportAction, WritesTheNamedFileOrTellsWhyNot) {
  testing_support::TempDir dir;
  ui::ScriptedPlatform p;
  Grid grid("高级表格_龙虎统计", nullptr, -1, {0, 0, 100, 100}, "");
  grid.SetColumnCount(2);
  grid.SetRowCount(2);
  grid.SetText(0, 0, G("股名"));
  grid.SetText(1, 0, G("浦发银行"));

  EXPECT_EQ(ui::ExportGrid(p, grid, ui::CsvExport()), ui::ExportOutcome::kCancelled);
  testing_support::WriteFileBytes(dir / "统计.csv", std::string(4096, 'x'));
  p.QueueSaveFileName(dir / "统计.csv");
  EXPECT_EQ(ui::ExportGrid(p, grid, ui::CsvExport()), ui::ExportOutcome::kWritten);
  EXPECT_EQ(testing_support::ReadFileBytes(dir / "统计.csv"), ui::GridAsCsv(grid));
  EXPECT_TRUE(p.messages().empty());

  const std::filesystem::path missing = dir / "无此目录" / "统计.csv";
  p.QueueSaveFileName(missing);
  EXPECT_EQ(ui::ExportGrid(p, grid, ui::CsvExport()), ui::ExportOutcome::kFailed);
  ASSERT_EQ(p.messages().size(), 1u);
  EXPECT_EQ(p.messages()[0].text, "无法写入文件：" + missing.string());
  EXPECT_EQ(p.messages()[0].title, "Ferrow提示");
  EXPECT_EQ(p.messages()[0].icon, ui::MessageIcon::kWarning);
  const auto dialogs = p.save_dialogs();
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_EQ(dialogs[2].title, "导出CSV");
  EXPECT_EQ(dialogs[2].filter, "CSV (*.csv)");

  // Another format through the same action: its own dialog and writer.
  std::vector<std::filesystem::path> written;
  const ui::ExportFormat other{G("导出Excel"), "Excel (*.xlsx)",
                               [&](const Grid& g, const std::filesystem::path& file) {
                                 EXPECT_EQ(&g, &grid);
                                 written.push_back(file);
                                 return false;
                               },
                               G("导出Excel…"), {}};
  p.QueueSaveFileName(dir / "a.xlsx");
  EXPECT_EQ(ui::ExportGrid(p, grid, other), ui::ExportOutcome::kFailed);
  EXPECT_EQ(written, std::vector<std::filesystem::path>{dir / "a.xlsx"});
  EXPECT_EQ(p.save_dialogs().back().title, "导出Excel");
  EXPECT_EQ(p.messages().back().text, "无法写入文件：" + (dir / "a.xlsx").string());
}

}  // namespace
