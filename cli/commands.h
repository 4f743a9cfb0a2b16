// The subcommands of quorvane-cli, each as its options and the routine that
// runs it. cli_app.cpp gives them their command-line form.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/date_range.h"
#include "cli/listing_export.h"
#include "cli/table_output.h"
#include "ranking/rankings.h"
#include "seats/seat_book.h"
#include "seats/summary.h"

namespace cli {

struct DownloadOptions {
  RangeOptions range;
  bool replace = false;  // the window's "更新原数据": empty the store first
  // Only the pages the download log does not hold as stored.
  bool missing_only = false;
  // Fetch pages whose listings are stored again (and store them twice).
  bool again = false;
};
// Downloads every board and weekday of the range into the store, as the
// window's "开始下载" does.
int RunDownloadCommand(const DownloadOptions& options, CliContext& ctx);

struct PricesOptions {
  RangeOptions range;  // none: every listing
};
// Fetches the daily bars the stocks listed in the range lack.
int RunPricesCommand(const PricesOptions& options, CliContext& ctx);

struct ExportOptions {
  RangeOptions range;  // none: every listing
  ExportRows rows = ExportRows::kListings;
  TableFormat format = TableFormat::kCsv;
  std::optional<std::filesystem::path> output;  // none: standard output
  bool returns = false;  // the returns after each listing, from the stored bars
};
int RunExportCommand(const ExportOptions& options, CliContext& ctx);

struct StatsOptions {
  ranking::RankingKind kind = ranking::RankingKind::kSeats;
  RangeOptions range;                    // none: every listing
  bool count_repeats = false;            // the page's "含重复上榜"
  std::optional<seats::Kind> seat_kind;  // Seats of one kind only
  std::optional<int> top;                // the first rows by net only
  TableFormat format = TableFormat::kTable;
  std::optional<std::filesystem::path> output;  // none: standard output
};
// The page 席位统计's rankings over a range, sorted by net, largest first.
int RunStatsCommand(const StatsOptions& options, CliContext& ctx);

// backtest: a "follow them" rule over a range, its figures beside the
// baseline, or its trades.
struct BacktestOptions {
  RangeOptions range;               // none: every listing
  std::vector<std::string> seats;   // UTF-8 names or nicknames
  std::optional<seats::Kind> kind;  // or the Seats of one kind
  bool watched = false;             // or the watch list
  bool top_buyer = false;
  std::optional<double> min_buy;  // 10,000 yuan
  std::optional<double> min_net;
  std::optional<double> min_strength;
  std::optional<std::string> reason;  // UTF-8
  std::optional<std::string> board;   // UTF-8: 沪市, 深市, 中小板
  bool skip_institution_selling = false;
  bool close_entry = false;  // the listing day's close instead of the next open
  int hold = 5;
  std::optional<double> target;  // percent
  std::optional<double> stop;    // percent
  int max_per_day = 5;
  double commission = 0.025;  // percent, each way
  double stamp = 0.05;        // percent, on the sale
  bool trades = false;        // one row per trade instead of the figures
  TableFormat format = TableFormat::kTable;
  std::optional<std::filesystem::path> output;
};
int RunBacktestCommand(const BacktestOptions& options, CliContext& ctx);

// seats import FILE / seats export [-o FILE]: the identity table as CSV.
int RunSeatsImportCommand(const std::filesystem::path& file, CliContext& ctx);
int RunSeatsExportCommand(const std::optional<std::filesystem::path>& output, CliContext& ctx);

// watch add|remove (--seat NAME | --code CODE), watch list.
struct WatchOptions {
  enum class Action { kAdd, kRemove, kList } action = Action::kList;
  std::optional<std::string> seat;  // UTF-8: a name, a nickname or a part of one
  std::optional<std::string> code;
};
int RunWatchCommand(const WatchOptions& options, CliContext& ctx);

// summary [--date D] [--format text|md|html|json] [-o FILE] [--webhook URL]
struct SummaryOptions {
  std::optional<std::string> date;  // none: the newest day held
  seats::SummaryFormat format = seats::SummaryFormat::kText;
  std::optional<std::filesystem::path> output;
  std::optional<std::string> webhook;
};
int RunSummaryCommand(const SummaryOptions& options, CliContext& ctx);

// Reads every record, says how many there are, which dates they span and
// whether any is damaged.
int RunCheckCommand(CliContext& ctx);

// The window's "删除重复数据".
int RunDedupeCommand(CliContext& ctx);

}  // namespace cli
