// The values the program keeps for its whole run. Created before the main
// window, owned by app/ and handed to the routines that use them; touched on
// the user-interface thread only (workers post their updates there).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <functional>
#include <vector>

#include "store/download_log.h"
#include "store/store_stamp.h"

namespace program {

// The long-running jobs of the window. At most one runs at a time.
enum class Job {
  kNone,
  kDownload,
  kDuplicateRemoval,
};


struct ProgramState {
  // Dates of the next download, latest first, as "YYYY-MM-DD".
  std::vector<std::string> download_date_list;
  // Tick count at which the running download, query or details view began.
  int64_t start_time = 0;
  // Record numbers the search page shows, in order.
  std::vector<int64_t> search_record_numbers;
  // The last keyword searched for (GBK).
  std::string search_keyword;
  // Rows, header included, of the listing grid on show that hold a listing
  // (the listings shown plus the title row, not the blank rows below).
  int shown_row_count = 0;
  // Listings the statistics grid shows since its last refresh.
  int statistics_listing_count = 0;
  // The direction the last header click asked for: 1 ascending, anything
  // else descending. Statistics grid first, search grid second.
  int statistics_sort_direction = 0;
  int search_sort_direction = 1;
  // Statistics refreshes are numbered as they start reading the store (on
  // any thread, hence atomic); the grid remembers the number of the refresh
  // it shows (user-interface thread), so an older refresh that finishes
  // late never replaces a newer one's rows.
  std::atomic<uint64_t> statistics_refresh_started{0};
  uint64_t statistics_refresh_shown = 0;
  // The newest refresh that has ended (shown or failed), and the store's
  // stamp as that refresh began reading: a different stamp now means
  // someone wrote the store since.
  uint64_t statistics_refresh_ended = 0;
  store::StoreStamp statistics_store_stamp;
  // The job that runs: set on the user-interface thread when a job starts,
  // cleared there by the one "finished" report its worker posts.
  Job job = Job::kNone;
  // Asks the running job to stop (the window closes, a signal ends the
  // program).
  std::stop_source job_stop;
  // Leaving was confirmed while a job ran: the window closes as soon as the
  // job has finished.
  bool close_pending = false;
  // Called on the user-interface thread when a job has finished.
  std::function<void()> after_job;
  // Called after every download that ran to its end, with the first and
  // last date it covered ("YYYY-MM-DD"); the price update hangs on it.
  std::function<void(const std::string& from, const std::string& to)> after_download;
  // What a download reports as it goes, for the pages that follow it (app/
  // wires them): one page's new row in the download log and a change to the
  // whole log, called on the user-interface thread; and, on the download's
  // worker, the end of a run that may have stored listings.
  std::function<void(const store::PageLogEntry& row)> download_page_logged;
  std::function<void()> download_log_changed;
  std::function<void()> download_stored_listings;
};

}  // namespace program
