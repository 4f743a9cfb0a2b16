// The search page's search.
#pragma once

#include "program/program_context.h"

namespace listing {

// Checks the keyword for the chosen kind and shows the listings of the
// statistics grid that contain it on the search page.
void RunSearch(program::ProgramContext& ctx);

}  // namespace listing
