// The pop-up list of a listing's ten Seats.
#pragma once

#include "program/program_context.h"
#include "ui/grid.h"

namespace details {

// Left-button-release handler of either listing grid.
void ShowSeatTooltip(program::ProgramContext& ctx, ui::Grid& grid);

}  // namespace details
