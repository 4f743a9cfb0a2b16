#include "listing/statistics_refresh.h"

#include <memory>

#include "listing/grid_sort.h"
#include "listing/listing_grid.h"
#include "listing/listing_lines.h"
#include "listing/listing_records.h"
#include "listing/listing_scan.h"
#include "listing/statistics_query.h"
#include "store/store_stamp.h"
#include "text/gbk.h"

namespace listing {
namespace {

// Runs `work` on the user-interface thread: at once when already there,
// else after what was posted before.
void OnUi(program::ProgramContext& ctx, bool on_ui, std::function<void()> work) {
  if (on_ui) {
    work();
  } else {
    ctx.platform.PostToUi(std::move(work));
  }
}

// An older refresh than the one shown has nothing more to say.
bool Superseded(const program::ProgramContext& ctx, uint64_t generation) {
  return generation < ctx.state.statistics_refresh_shown;
}

void BeginOnUi(program::ProgramContext& ctx, uint64_t generation, int64_t start) {
  if (Superseded(ctx, generation)) return;
  ctx.state.start_time = start;
  ctx.window.高级选择夹1.SetPageEnabled(ui::MainWindow::kDetailsPage, false);
}

// A refresh that ended (shown or failed) saw the store as it was when it
// began; no change since then needs another.
void EndOnUi(program::ProgramContext& ctx, uint64_t generation, const store::StoreStamp& stamp) {
  if (generation < ctx.state.statistics_refresh_ended) return;
  ctx.state.statistics_refresh_ended = generation;
  ctx.state.statistics_store_stamp = stamp;
}

void FailOnUi(program::ProgramContext& ctx, uint64_t generation, const store::StoreStamp& stamp) {
  EndOnUi(ctx, generation, stamp);
  if (Superseded(ctx, generation)) return;
  ctx.window.高级选择夹1.SetPageEnabled(ui::MainWindow::kDetailsPage, true);
  // Nothing was ever shown: no date of the layout's may look like data.
  if (ctx.state.statistics_refresh_shown == 0) ShowNoStatistics(ctx);
}

void ShowOnUi(program::ProgramContext& ctx, uint64_t generation, int64_t start,
              ListingRecordsScan& fill, const store::StoreStamp& stamp) {
  EndOnUi(ctx, generation, stamp);
  if (Superseded(ctx, generation)) return;
  ctx.state.statistics_refresh_shown = generation;
  static const std::string newest_before = text::Gbk("最新更新：（");
  static const std::string newest_after = text::Gbk("）");
  ui::MainWindow& window = ctx.window;
  ui::Grid& grid = window.高级表格_龙虎统计;
  {
    ui::Grid::UpdateScope scope(grid);
    // The rows below the title come aligned from the worker.
    SetUpListingGrid(window, grid, false);
    // One swap: the records were built on the worker.
    PutListingSource(grid, std::move(fill.rows));
    window.标签_上榜数.SetCaption(ListingTotalCaption(fill.record_count));
    window.高级选择夹1.SetPageEnabled(ui::MainWindow::kDetailsPage, true);
  }
  window.标签_数据耗时.SetCaption(ElapsedCaption(grid, ctx.platform.TickCount() - start));
  ctx.state.statistics_listing_count = fill.count;
  // The count belongs to the grid on show: the search page keeps its own.
  if (window.高级选择夹1.current_page() != ui::MainWindow::kSearchPage)
    ctx.state.shown_row_count = fill.count + 1;
  // The lines came newest first when the default date sort applies; that
  // sort leaves the grid unchanged otherwise (an empty date, no listing).
  window.标签_上榜日期.SetCaption(newest_before + grid.Text(1, kDateColumn) + newest_after);
}

}  // namespace

void ShowNoStatistics(program::ProgramContext& ctx) {
  static const std::string no_date = text::Gbk("最新更新：（）");
  ui::Grid& grid = ctx.window.高级表格_龙虎统计;
  SetUpListingGrid(ctx.window, grid);
  ListingLines none;
  PutListingLines(grid, none);
  ApplyGridColours(grid);
  ctx.window.标签_上榜日期.SetCaption(no_date);
}

void RefreshStatistics(program::ProgramContext& ctx) {
  const bool on_ui = ctx.platform.OnUiThread();
  const int64_t start = ctx.platform.TickCount();
  const uint64_t generation = ++ctx.state.statistics_refresh_started;
  OnUi(ctx, on_ui, [&ctx, generation, start] { BeginOnUi(ctx, generation, start); });

  // Taken before reading: a write while the scan runs shows as a change.
  const store::StoreStamp stamp = store::StampOfStore(ctx.store.Path());
  // The records, their figures and the newest-first order are worked out
  // here, on the calling thread; the user-interface thread only moves them in.
  auto fill = std::make_shared<ListingRecordsScan>(ScanListingRecords(ctx.store, nullptr, true));
  if (fill->error) {
    OnUi(ctx, on_ui, [&ctx, generation, stamp] { FailOnUi(ctx, generation, stamp); });
    ShowStoreErrorMessage(ctx.platform, *fill->error);
    return;
  }
  fill->rows->set_coloured(true);
  const bool damaged = fill->damaged_buy_block;
  OnUi(ctx, on_ui, [&ctx, generation, start, fill, stamp] {
    ShowOnUi(ctx, generation, start, *fill, stamp);
  });
  if (damaged) ShowDamagedStoreMessage(ctx.platform);
}

}  // namespace listing
