// Sorting and colouring the listing grids.
#pragma once

#include "listing/program_context.h"
#include "ui/grid.h"

namespace listing {

// Net and strength coloured by sign, rows striped.
void ApplyGridColours(ui::Grid& grid);

// The header-click handler of either listing grid.
void OnListingHeaderClicked(ProgramContext& ctx, ui::Grid& grid);

}  // namespace listing
