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
void OnUi(ListingScope& scope, bool on_ui, std::function<void()> work) {
  if (on_ui) {
    work();
  } else {
    scope.platform.PostToUi(std::move(work));
  }
}

// An older refresh than the one shown has nothing more to say.
bool Superseded(const ListingScope& scope, uint64_t generation) {
  return generation < scope.state.statistics_refresh_shown;
}

void BeginOnUi(ListingScope& scope, uint64_t generation, int64_t start) {
  if (Superseded(scope, generation)) return;
  scope.state.start_time = start;
  scope.pages.高级选择夹1.SetPageEnabled(ui::MainWindow::kDetailsPage, false);
}

// A refresh that ended (shown or failed) saw the store as it was when it
// began; no change since then needs another.
void EndOnUi(ListingScope& scope, uint64_t generation, const store::StoreStamp& stamp) {
  if (generation < scope.state.statistics_refresh_ended) return;
  scope.state.statistics_refresh_ended = generation;
  scope.state.statistics_store_stamp = stamp;
}

void FailOnUi(ListingScope& scope, uint64_t generation, const store::StoreStamp& stamp) {
  EndOnUi(scope, generation, stamp);
  if (Superseded(scope, generation)) return;
  scope.pages.高级选择夹1.SetPageEnabled(ui::MainWindow::kDetailsPage, true);
  // Nothing was ever shown: no date of the layout's may look like data.
  if (scope.state.statistics_refresh_shown == 0) ShowNoStatistics(scope);
}

void ShowOnUi(ListingScope& scope, uint64_t generation, int64_t start, ListingRecordsScan& fill,
              const store::StoreStamp& stamp) {
  EndOnUi(scope, generation, stamp);
  if (Superseded(scope, generation)) return;
  scope.state.statistics_refresh_shown = generation;
  static const std::string newest_before = text::Gbk("最新更新：（");
  static const std::string newest_after = text::Gbk("）");
  ui::ListingPages& window = scope.pages;
  ui::Grid& grid = window.高级表格_龙虎统计;
  {
    ui::Grid::UpdateScope scope(grid);
    // The rows below the title come aligned from the worker.
    SetUpListingGrid(window.透明标签_排序标, grid, false);
    // One swap: the records were built on the worker.
    PutListingSource(grid, std::move(fill.rows));
    window.标签_上榜数.SetCaption(ListingTotalCaption(fill.record_count));
    window.高级选择夹1.SetPageEnabled(ui::MainWindow::kDetailsPage, true);
  }
  window.标签_数据耗时.SetCaption(ElapsedCaption(grid, scope.platform.TickCount() - start));
  scope.state.statistics_listing_count = fill.count;
  // The count belongs to the grid on show: the search page keeps its own.
  if (window.高级选择夹1.current_page() != ui::MainWindow::kSearchPage)
    scope.state.shown_row_count = fill.count + 1;
  // The lines came newest first when the default date sort applies; that
  // sort leaves the grid unchanged otherwise (an empty date, no listing).
  window.标签_上榜日期.SetCaption(newest_before + grid.Text(1, kDateColumn) + newest_after);
}

}  // namespace

void ShowNoStatistics(ListingScope scope) {
  static const std::string no_date = text::Gbk("最新更新：（）");
  ui::Grid& grid = scope.pages.高级表格_龙虎统计;
  SetUpListingGrid(scope.pages.透明标签_排序标, grid);
  ListingLines none;
  PutListingLines(grid, none);
  ApplyGridColours(grid);
  scope.pages.标签_上榜日期.SetCaption(no_date);
}

void ShowNoStatistics(program::ProgramContext& ctx) {
  ShowNoStatistics(ListingScope::Of(ctx));
}

void RefreshStatistics(ListingScope scope) {
  const bool on_ui = scope.platform.OnUiThread();
  const int64_t start = scope.platform.TickCount();
  const uint64_t generation = ++scope.state.statistics_refresh_started;
  OnUi(scope, on_ui, [scope, generation, start]() mutable { BeginOnUi(scope, generation, start); });

  // Taken before reading: a write while the scan runs shows as a change.
  const store::StoreStamp stamp = store::StampOfStore(scope.store.Path());
  // The records, their figures and the newest-first order are worked out
  // here, on the calling thread; the user-interface thread only moves them in.
  auto fill = std::make_shared<ListingRecordsScan>(ScanListingRecords(scope.store, nullptr, true));
  if (fill->error) {
    OnUi(scope, on_ui,
         [scope, generation, stamp]() mutable { FailOnUi(scope, generation, stamp); });
    ShowStoreErrorMessage(scope.platform, *fill->error);
    return;
  }
  fill->rows->set_coloured(true);
  const bool damaged = fill->damaged_buy_block;
  OnUi(scope, on_ui, [scope, generation, start, fill, stamp]() mutable {
    ShowOnUi(scope, generation, start, *fill, stamp);
  });
  if (damaged) ShowDamagedStoreMessage(scope.platform);
}

void RefreshStatistics(program::ProgramContext& ctx) {
  RefreshStatistics(ListingScope::Of(ctx));
}

}  // namespace listing
