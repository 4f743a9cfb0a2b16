#include "listing/statistics_query.h"

#include "listing/grid_sort.h"
#include "listing/listing_grid.h"
#include "listing/listing_lines.h"
#include "listing/listing_records.h"
#include "listing/listing_scan.h"
#include "store/store_error.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "ui/messages.h"

namespace listing {
std::string ListingTotalCaption(int64_t record_count) {
  static const std::string before = text::Gbk("上榜总计(");
  static const std::string after = text::Gbk(")条");
  return before + std::to_string(record_count) + after;
}

std::string ElapsedCaption(const ui::Grid& grid, int64_t elapsed_ms) {
  static const std::string took = text::Gbk("耗时:");
  static const std::string seconds = text::Gbk("秒");
  return grid.tag() + took + text::NumberText(static_cast<double>(elapsed_ms) / 1000) + seconds;
}

void ShowDamagedStoreMessage(ui::Platform& platform) {
  static const std::string text = text::Gbk("调用数据库出错，请重新下载数据！");
  ui::Tell(platform, text, ui::MessageIcon::kWarning);
}

void ShowStoreErrorMessage(ui::Platform& platform, const store::StoreError& error) {
  ui::Tell(platform, store::ErrorMessage(error), ui::MessageIcon::kError);
}

void FillListingGrid(const ListingScope& scope, ui::Grid& grid,
                     const std::vector<int64_t>& record_numbers) {
  FillListingGridCounting(scope, grid, record_numbers);
}

void FillListingGrid(program::ProgramContext& ctx, ui::Grid& grid,
                     const std::vector<int64_t>& record_numbers) {
  FillListingGridCounting(ListingScope::Of(ctx), grid, record_numbers);
}

std::optional<int> FillListingGridCounting(program::ProgramContext& ctx, ui::Grid& grid,
                                           const std::vector<int64_t>& record_numbers) {
  return FillListingGridCounting(ListingScope::Of(ctx), grid, record_numbers);
}

std::optional<int> FillListingGridCounting(const ListingScope& scope, ui::Grid& grid,
                                           const std::vector<int64_t>& record_numbers) {
  static const std::string search_tag = text::Gbk("搜索");
  static const std::string search_title = text::Gbk("(上榜统计)");
  const int64_t start = scope.platform.TickCount();
  scope.state.start_time = start;
  ui::TabControl& tabs = scope.pages.高级选择夹1;
  // The details page reads the statistics grid: not while it is refilled.
  tabs.SetPageEnabled(ui::MainWindow::kDetailsPage, false);

  const bool search_mode = grid.tag() == search_tag;
  const std::vector<int64_t>* numbers = search_mode ? &record_numbers : nullptr;
  // A grid of the listing columns takes records built during the scan; any
  // other grid takes cells.
  ListingRecordsScan records;
  ListingLines lines;
  if (grid.ColumnCount() == kListingColumnCount) {
    records = ScanListingRecords(scope.store, numbers, false);
  } else {
    ListingScan scan = ScanListings(scope.store, numbers);
    records.error = scan.error;
    if (!scan.error) lines = MakeListingLines(std::move(scan), false);
  }
  if (records.error) {
    tabs.SetPageEnabled(ui::MainWindow::kDetailsPage, true);
    ShowStoreErrorMessage(scope.platform, *records.error);
    return std::nullopt;
  }
  if (search_mode) scope.pages.标签_搜索标题.SetCaption(scope.state.search_keyword + search_title);

  if (records.rows) {
    lines.count = records.count;
    lines.record_count = records.record_count;
    lines.damaged_buy_block = records.damaged_buy_block;
    PutListingSource(grid, std::move(records.rows));
  } else {
    PutListingLines(grid, lines);
  }
  scope.pages.标签_上榜数.SetCaption(ListingTotalCaption(lines.record_count));
  if (lines.damaged_buy_block) ShowDamagedStoreMessage(scope.platform);

  tabs.SetPageEnabled(ui::MainWindow::kDetailsPage, true);
  ApplyGridColours(grid);
  scope.pages.标签_数据耗时.SetCaption(ElapsedCaption(grid, scope.platform.TickCount() - start));
  if (!search_mode) scope.state.statistics_listing_count = lines.count;
  return lines.count;
}

}  // namespace listing
