// The details page: one StockListing in full.
#pragma once

#include <cstdint>

#include "program/program_context.h"

namespace details {

// The details grid's fixed structure: rows, titles, widths, alignment, merges.
void LayOutDetailsGrid(program::ProgramContext& ctx);
// Reads record n and writes it into the details grid and its captions.
void ShowListingDetails(program::ProgramContext& ctx, int64_t record_number);

}  // namespace details
