// The statistics query: one line per StockListing into a listing grid.
#pragma once

#include <cstdint>
#include <vector>

#include "listing/program_context.h"
#include "ui/grid.h"

namespace listing {

// Fills `grid`: every stored listing for the statistics grid (tag "统计"),
// the listings of `record_numbers` in that order for the search grid (tag
// "搜索"). User-interface thread.
void FillListingGrid(ProgramContext& ctx, ui::Grid& grid,
                     const std::vector<int64_t>& record_numbers);

}  // namespace listing
