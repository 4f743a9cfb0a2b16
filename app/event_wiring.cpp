#include "app/event_wiring.h"

#include "app/program_shell.h"
#include "app/view_switching.h"
#include "backtest/backtest_control.h"
#include "download_log/coverage_control.h"
#include "download_log/coverage_page.h"
#include "download_page/download_control.h"
#include "duplicates/click_navigation.h"
#include "duplicates/duplicate_listings.h"
#include "duplicates/seat_tooltip.h"
#include "listing/grid_sort.h"
#include "listing/search.h"
#include "listing/statistics_refresh.h"
#include "ranking/prices_control.h"
#include "ranking/ranking_control.h"
#include "seat_pages/archive_control.h"
#include "seat_pages/todays_watch_control.h"

namespace app {

using program::ProgramContext;

namespace {
constexpr int kEnterKey = 13;

// A handler left empty in the table is simply not called.
template <typename F, typename... Args>
void Call(const F& f, Args&... args) {
  if (f) f(args...);
}

void WireListingGrid(ProgramContext& ctx, const EventHandlers& h, ui::Grid& grid) {
  grid.on_mouse_move = [&ctx, &grid] { GiveFocusOnHover(ctx, grid); };
  grid.on_left_button_up = [&ctx, &grid, f = h.seat_tooltip] { Call(f, ctx, grid); };
  grid.on_double_click = [&ctx, &grid, f = h.follow_cell] { Call(f, ctx, grid); };
  grid.on_header_clicked = [&ctx, &grid, f = h.header_clicked](int, int) { Call(f, ctx, grid); };
}

// The page "下载记录".
void WireDownloadLogPage(ProgramContext& ctx) {
  ui::DownloadLogPage& page = ctx.window.download_log;
  for (ui::RadioButton* b : page.quick_ranges())
    b->on_clicked = [&ctx] { coverage::OnLogQuickRangeClicked(coverage::LogPageScope::Of(ctx)); };
  page.日期框_记录开始.on_date_changed = [&ctx] {
    coverage::OnLogStartDateChanged(coverage::LogPageScope::Of(ctx));
  };
  page.日期框_记录结束.on_date_changed = [&ctx] {
    coverage::OnLogEndDateChanged(coverage::LogPageScope::Of(ctx));
  };
  page.超级按钮_补全下载.on_clicked = [&ctx] { coverage::OnFillGapsClicked(ctx); };
  page.超级按钮_重建记录.on_clicked = [&ctx] { coverage::OnRebuildLogClicked(ctx); };
  ui::Grid& grid = page.高级表格_下载记录;
  grid.on_double_click = [&ctx] { coverage::OnLogCellDoubleClicked(ctx); };
  grid.on_mouse_move = [&ctx, &grid] { GiveFocusOnHover(ctx, grid); };
}
}  // namespace

EventHandlers EventHandlers::Program() {
  EventHandlers h;
  h.created = OnMainWindowCreated;
  h.close_query = OnMainWindowCloseQuery;
  h.page_changed = OnTabPageChanged;
  h.run_search = [](ProgramContext& ctx) { listing::RunSearch(listing::ListingScope::Of(ctx)); };
  h.header_clicked = [](ProgramContext& ctx, ui::Grid& grid) {
    listing::OnListingHeaderClicked(listing::ListingScope::Of(ctx), grid);
  };
  h.seat_tooltip = [](ProgramContext& ctx, ui::Grid& grid) {
    details::ShowSeatTooltip(ctx.window.气球提示框_席位组, ctx.platform, ctx.store, grid);
  };
  h.follow_cell = details::FollowListingCell;
  h.remove_duplicates = details::RemoveDuplicateListings;
  h.start_download = download::OnStartDownloadClicked;
  h.start_date_changed = [](ProgramContext& ctx) {
    download::OnStartDateChanged(ui::DownloadPage::Of(ctx.window));
  };
  h.end_date_changed = [](ProgramContext& ctx) {
    download::OnEndDateChanged(ui::DownloadPage::Of(ctx.window), ctx.platform);
  };
  return h;
}

void WireDownloadFollowUps(ProgramContext& ctx) {
  ctx.state.download_page_logged = [&ctx](const store::PageLogEntry& row) {
    coverage::ShowLoggedPage(ctx.window, row);
  };
  ctx.state.download_log_changed = [&ctx] { coverage::RefreshDownloadLogPageIfShown(ctx); };
  ctx.state.download_stored_listings = [&ctx] { listing::RefreshStatistics(ctx); };
}

void WireEvents(ProgramContext& ctx, const EventHandlers& h) {
  ui::MainWindow& w = ctx.window;

  w.on_created = [&ctx, f = h.created] { Call(f, ctx); };
  w.on_close_query = [&ctx, f = h.close_query] { return f ? f(ctx) : true; };
  w.on_activated = [&ctx] { RefreshIfStoreChanged(ctx); };
  ctx.state.after_job = [&ctx] { RefreshIfStoreChanged(ctx); };
  w.高级选择夹1.on_page_changed = [&ctx, f = h.page_changed] { Call(f, ctx); };

  WireListingGrid(ctx, h, w.高级表格_龙虎统计);
  WireListingGrid(ctx, h, w.高级表格_搜索结果);

  w.编辑框_搜索.on_left_button_down = [&ctx] { EmptySearchBox(ctx); };
  w.编辑框_搜索.on_key_down = [&ctx, f = h.run_search](int key) {
    if (key == kEnterKey) Call(f, ctx);
  };
  w.超级按钮_查询.on_clicked = [&ctx, f = h.run_search] { Call(f, ctx); };
  w.超级按钮_开始下载.on_clicked = [&ctx, f = h.start_download] { Call(f, ctx); };
  w.超级按钮_去重复.on_clicked = [&ctx, f = h.remove_duplicates] { Call(f, ctx); };
  w.选择框_保留.on_clicked = [&ctx] { OnKeepDataClicked(ctx); };
  w.选择框_更新.on_clicked = [&ctx] { OnReplaceDataClicked(ctx); };
  w.日期框1.on_date_changed = [&ctx, f = h.start_date_changed] { Call(f, ctx); };
  w.日期框2.on_date_changed = [&ctx, f = h.end_date_changed] { Call(f, ctx); };
  w.编辑框_敢死队信息.on_mouse_move = [&ctx] {
    GiveFocusOnHover(ctx, ctx.window.编辑框_敢死队信息);
  };
  WireDownloadLogPage(ctx);
  WireDownloadFollowUps(ctx);
  // The page "席位统计" binds its own events and keeps its own state.
  ranking::WireRankingPage(ctx);
  seats::WireSeatArchivePage(ctx);
  seats::WireTodaysWatchPage(ctx);
  backtest::WireBacktestPage(ctx);
  prices::WirePricesControls(ctx);
}

}  // namespace app
