// The details page: one StockListing in full.
#pragma once

#include <cstdint>

#include "listing/program_context.h"

namespace details {

// The details grid's fixed structure: rows, titles, widths, alignment, merges.
void LayOutDetailsGrid(listing::ProgramContext& ctx);
// Reads record n and writes it into the details grid and its captions.
void ShowListingDetails(listing::ProgramContext& ctx, int64_t record_number);

}  // namespace details
