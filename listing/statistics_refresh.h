// The statistics refresh: lay out, fill and sort the statistics grid from the
// store and show the newest date.
#pragma once

#include "listing/listing_scope.h"
#include "program/program_context.h"

namespace listing {

// Callable from any thread. On a worker it reads the store there and hands
// the rows to the user-interface thread; the window is only touched there.
void RefreshStatistics(ListingScope scope);
void RefreshStatistics(program::ProgramContext& ctx);

// The statistics page when the store cannot be read at all: the grid's
// title row and blank rows, and "最新更新：（）", as for an empty store.
// User-interface thread.
void ShowNoStatistics(ListingScope scope);
void ShowNoStatistics(program::ProgramContext& ctx);

}  // namespace listing
