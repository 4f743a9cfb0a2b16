// The pop-up list of a listing's ten Seats.
#pragma once

#include "store/record_store.h"
#include "ui/grid.h"
#include "ui/main_window.h"
#include "ui/platform.h"

namespace details {

// Left-button-release handler of either listing grid: the clicked
// listing's Seats in `balloon`'s style, read from `store`.
void ShowSeatTooltip(const ui::BalloonTip& balloon, ui::Platform& platform, store::Store& store,
                     ui::Grid& grid);

}  // namespace details
