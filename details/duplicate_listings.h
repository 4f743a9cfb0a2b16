// The "删除重复数据" button.
#pragma once

#include "listing/program_context.h"

namespace details {

// Keeps the first stored listing of every date and stock name, tells the
// user and refreshes the statistics.
void RemoveDuplicateListings(listing::ProgramContext& ctx);

}  // namespace details
