// Turning the tab control's pages: each page is prepared as it comes up.
#pragma once

#include "program/program_context.h"

namespace app {

// Page-changed handler of 高级选择夹1. Reads the new current page from the
// tab control. The statistics page is refused while a download runs; the
// search page it lands on is then prepared as usual.
void OnTabPageChanged(program::ProgramContext& ctx);

}  // namespace app
