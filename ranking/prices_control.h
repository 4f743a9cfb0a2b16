// The window's price update: "更新行情" and "下载后更新行情" on the page
// 席位统计. The update runs as the window's one job on a worker and shows
// itself as a download does: the progress bar, the captions, the closing
// message with the failed count, the stop when the window closes.
#pragma once

#include <stop_token>
#include <string>

#include "prices/price_fetch.h"
#include "program/program_context.h"

namespace prices {

// Binds the button and the check box and hangs the update after every
// download. ctx must live as long as the program. User-interface thread.
void WirePricesControls(program::ProgramContext& ctx);

// Click on "更新行情": the bars of the stocks listed in the page's range;
// refused while another job runs.
void OnUpdatePricesClicked(program::ProgramContext& ctx);

// Starts the update of the stocks listed from `from` to `to` ("YYYY-MM-DD")
// on a worker. User-interface thread; no job may be running.
void StartPricesJob(program::ProgramContext& ctx, const std::string& from, const std::string& to);

// The job's whole run on its own thread; every window change is posted.
// `date_caption` is what the caption over the pages said when the job
// started (the newest listing's date); it says so again at the end.
void RunPricesJob(program::ProgramContext& ctx, const PricesRequest& request,
                  std::stop_token stop, const std::string& date_caption);

// "已完成 12/300 只，失败 2 只" (GBK).
std::string PricesProgressCaption(int done, int to_ask, int failed);
// The closing message of a run that was not stopped (GBK).
std::string PricesClosingMessage(const PricesSummary& summary);

}  // namespace prices
