// The statistics query: one line per StockListing into a listing grid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "listing/listing_scope.h"
#include "program/program_context.h"
#include "ui/grid.h"

namespace listing {

// Fills `grid`: every stored listing for the statistics grid (tag "统计"),
// the listings of `record_numbers` in that order for the search grid (tag
// "搜索"). User-interface thread.
void FillListingGrid(const ListingScope& scope, ui::Grid& grid,
                     const std::vector<int64_t>& record_numbers);
void FillListingGrid(program::ProgramContext& ctx, ui::Grid& grid,
                     const std::vector<int64_t>& record_numbers);

// As FillListingGrid, and says how many listings the grid now shows; none
// when the store could not be read (a message said so and the grid kept
// what it showed).
std::optional<int> FillListingGridCounting(const ListingScope& scope, ui::Grid& grid,
                                           const std::vector<int64_t>& record_numbers);
std::optional<int> FillListingGridCounting(program::ProgramContext& ctx, ui::Grid& grid,
                                           const std::vector<int64_t>& record_numbers);

// "上榜总计(" + count + ")条" (GBK).
std::string ListingTotalCaption(int64_t record_count);
// The grid's tag + "耗时:" + seconds + "秒" (GBK).
std::string ElapsedCaption(const ui::Grid& grid, int64_t elapsed_ms);
// Shows "调用数据库出错，请重新下载数据！" (title "Ferrow提示", OK).
void ShowDamagedStoreMessage(ui::Platform& platform);
// Shows why the store could not be read (title "Ferrow提示", OK).
void ShowStoreErrorMessage(ui::Platform& platform, const store::StoreError& error);

}  // namespace listing
