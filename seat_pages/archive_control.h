// The window's side of the page "席位档案": the identities read (with every
// name of the store taken in) on a worker whenever the page comes up,
// the search, edits of kind, nickname and note saved at once, and merge,
// split, undo and watch from the grid's context menu.
#pragma once

#include "program/program_context.h"

namespace seats {

// Binds every event of the page. The page's state lives in the bound
// handlers; ctx must outlive the window's events. User-interface thread.
void WireSeatArchivePage(program::ProgramContext& ctx);

}  // namespace seats
