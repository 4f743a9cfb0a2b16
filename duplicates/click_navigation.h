// Double-clicks on the listing grids.
#pragma once

#include "program/program_context.h"
#include "ui/grid.h"

namespace details {

// Double-click handler of either listing grid: search by the clicked value
// or open the details of the clicked row.
void FollowListingCell(program::ProgramContext& ctx, ui::Grid& grid);

}  // namespace details
