// The search page's search.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "listing/listing_scope.h"
#include "program/program_context.h"
#include "ui/grid.h"

namespace listing {

// The record numbers of the rows first_row.. of a listing grid whose cell
// in `column` contains `keyword`, top to bottom.
std::vector<int64_t> FindListings(const ui::Grid& grid, int column, std::string_view keyword,
                                  int first_row);

// Checks the keyword for the chosen kind and shows the listings of the
// statistics grid that contain it on the search page.
void RunSearch(const ListingScope& scope);
void RunSearch(program::ProgramContext& ctx);

}  // namespace listing
