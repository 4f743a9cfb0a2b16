// The download page: date range, the start button and the download worker.
#pragma once

#include "listing/program_context.h"

namespace download {

// Fills the download date list from the date boxes and quick ranges.
void BuildDownloadDateList(listing::ProgramContext& ctx);
// Click on "开始下载": builds the list, disables the button (the running
// flag) and starts the worker, which works on `ctx` itself: ctx must live
// as long as the program (app/ owns it). The worker stops early when
// ctx.state.download_stop is asked to stop; the button is enabled again on
// every way out.
void OnStartDownloadClicked(listing::ProgramContext& ctx);
void OnStartDateChanged(listing::ProgramContext& ctx);
void OnEndDateChanged(listing::ProgramContext& ctx);

}  // namespace download
