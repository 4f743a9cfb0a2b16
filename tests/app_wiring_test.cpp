// The event table: every handled event reaches its handler, with the grid
// it happened on; events without a handler reach none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/event_wiring.h"
#include "tests/program_fixture.h"

namespace {

using namespace testing_support;

struct Recorder {
  std::vector<std::string> calls;
  bool close_answer = true;

  app::EventHandlers Handlers() {
    app::EventHandlers h;
    auto plain = [this](const char* name) {
      return [this, name](program::ProgramContext&) { calls.emplace_back(name); };
    };
    auto on_grid = [this](const char* name) {
      return [this, name](program::ProgramContext&, ui::Grid& grid) {
        calls.push_back(std::string(name) + ":" + grid.name());
      };
    };
    h.created = plain("created");
    h.close_query = [this](program::ProgramContext&) {
      calls.emplace_back("close_query");
      return close_answer;
    };
    h.page_changed = plain("page_changed");
    h.run_search = plain("run_search");
    h.header_clicked = on_grid("header_clicked");
    h.seat_tooltip = on_grid("seat_tooltip");
    h.follow_cell = on_grid("follow_cell");
    h.remove_duplicates = plain("remove_duplicates");
    h.start_download = plain("start_download");
    h.start_date_changed = plain("start_date_changed");
    h.end_date_changed = plain("end_date_changed");
    return h;
  }

  std::vector<std::string> Take() { return std::exchange(calls, {}); }
};

using Calls = std::vector<std::string>;

TEST(EventTable, WindowAndPageEvents) {
  TestProgram p;
  Recorder r;
  app::WireEvents(p.ctx, r.Handlers());
  p.window.RaiseCreated();
  EXPECT_EQ(r.Take(), Calls{"created"});
  r.close_answer = false;
  EXPECT_FALSE(p.window.RaiseCloseQuery());
  r.close_answer = true;
  EXPECT_TRUE(p.window.RaiseCloseQuery());
  EXPECT_EQ(r.Take(), (Calls{"close_query", "close_query"}));
  p.window.高级选择夹1.UserSelectPage(3);
  EXPECT_EQ(r.Take(), Calls{"page_changed"});
}

TEST(EventTable, BothListingGridsAreWiredAndTheDetailsGridIsNot) {
  TestProgram p;
  Recorder r;
  app::WireEvents(p.ctx, r.Handlers());
  for (ui::Grid* g : {&p.window.高级表格_龙虎统计, &p.window.高级表格_搜索结果}) {
    g->SetColumnCount(10);
    g->SetRowCount(16);
    g->UserHeaderClick(4);
    g->UserLeftButtonUp(2, 3);
    g->UserDoubleClick(5, 1);
    EXPECT_EQ(r.Take(), (Calls{"header_clicked:" + g->name(), "seat_tooltip:" + g->name(),
                               "follow_cell:" + g->name()}));
    // The handlers see the cell the event happened on.
    EXPECT_EQ(g->CurrentRow(), 5);
    EXPECT_EQ(g->CurrentColumn(), 1);
  }
  ui::Grid& details = p.window.高级表格_上榜明细;
  details.SetColumnCount(7);
  details.SetRowCount(15);
  details.UserHeaderClick(1);
  details.UserLeftButtonUp(3, 1);
  details.UserDoubleClick(3, 1);
  EXPECT_TRUE(r.Take().empty());
}

TEST(EventTable, SearchButtonsAndDates) {
  TestProgram p;
  Recorder r;
  app::WireEvents(p.ctx, r.Handlers());
  p.window.超级按钮_查询.UserClick();
  p.window.编辑框_搜索.UserKeyDown(65);  // a letter: nothing
  p.window.编辑框_搜索.UserKeyDown(13);
  EXPECT_EQ(r.Take(), (Calls{"run_search", "run_search"}));
  p.window.超级按钮_开始下载.UserClick();
  p.window.超级按钮_去重复.UserClick();
  EXPECT_EQ(r.Take(), (Calls{"start_download", "remove_duplicates"}));
  p.window.日期框1.UserSetValue(ui::DateTime::FromParts(2010, 3, 1));
  p.window.日期框2.UserSetValue(ui::DateTime::FromParts(2010, 4, 1));
  EXPECT_EQ(r.Take(), (Calls{"start_date_changed", "end_date_changed"}));
  // The radio buttons and the other components have no handler.
  p.window.单选框_周.UserClick();
  p.window.单选框_股名.UserClick();
  EXPECT_TRUE(r.Take().empty());
}

TEST(EventTable, AMissingHandlerIsNotCalled) {
  TestProgram p;
  app::EventHandlers none;
  app::WireEvents(p.ctx, none);
  p.window.超级按钮_查询.UserClick();
  p.window.高级表格_龙虎统计.UserHeaderClick(0);
  EXPECT_TRUE(p.window.RaiseCloseQuery());
  // The program's own small handlers stay wired.
  p.window.编辑框_搜索.UserEdit("600000");
  p.window.编辑框_搜索.UserLeftButtonDown();
  EXPECT_EQ(p.window.编辑框_搜索.caption(), "");
}

}  // namespace
