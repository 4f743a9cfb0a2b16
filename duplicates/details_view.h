// The details page: one StockListing in full.
#pragma once

#include <cstdint>

#include "program/program_context.h"
#include "ui/details_page.h"

namespace details {

// The details grid's fixed structure: rows, titles, widths, alignment, merges.
void LayOutDetailsGrid(const ui::DetailsPage& page);
void LayOutDetailsGrid(program::ProgramContext& ctx);
// Reads record n from the store and writes it into the details grid and its
// captions; `start_time` takes the tick count the reading began at.
void ShowListingDetails(const ui::DetailsPage& page, ui::Platform& platform, store::Store& store,
                        int64_t& start_time, int64_t record_number);
void ShowListingDetails(program::ProgramContext& ctx, int64_t record_number);

}  // namespace details
