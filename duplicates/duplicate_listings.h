// The "删除重复数据" button.
#pragma once

#include "program/program_context.h"

namespace details {

// Starts duplicate removal on a worker: the first stored listing of every
// date and stock name stays. Afterwards the user is told and the statistics
// are refreshed; the job ends once the refreshed grid is shown. Refused
// with a message while a download or another removal runs.
void RemoveDuplicateListings(program::ProgramContext& ctx);

}  // namespace details
