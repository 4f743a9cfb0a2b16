#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <array>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "cli/messages.h"
#include "quorvane/version.h"
#include "text/gbk.h"

namespace cli {
namespace {

const char* const kExitStatus =
    "Exit status: 0 done, 1 bad usage (nothing written), 2 the store cannot be opened or "
    "written (also after waiting 5 s for another program's write), 3 finished but some pages "
    "failed, 130 stopped by Ctrl+C.";

std::string StoreHelp(const program::ProgramPlace& place,
                      const program::EnvironmentLookup& environment) {
  const program::StoreLocation here = program::ResolveStoreLocation(std::nullopt, place);
  // What a run without options would use.
  const program::ResolvedRunSettings plain = program::ResolveRunSettings({}, place, environment);
  return "Store: Data.edb beside the program when its folder is writable (the portable layout), "
         "else in the user's data folder, $XDG_DATA_HOME/quorvane/Data.edb "
         "(~/.local/share/quorvane/Data.edb when XDG_DATA_HOME is not set), the same file the "
         "window uses; --store overrides both. Here: " +
         here.file.string() + " (" + program::StorePlaceText(here.place) +
         ").\nSource: --source, else the environment variable QUORVANE_SOURCE_HOST, else the "
         "installed default, else " +
         program::BuiltInSourceHost() +
         " (built in); its kind --source-kind pages|datacenter, else QUORVANE_SOURCE_KIND, else "
         "the installed default, else pages. The installed programs default to the data centre "
         "at https://datacenter-web.eastmoney.com; run from a build tree, to the sample source. "
         "Here: " +
         program::SourceInForce(plain.settings) + ".";
}

// The range options of download and export: a quick range or --from/--to.
struct RangeArgs {
  std::array<bool, 6> quick{};
  std::string from;
  std::string to;
  CLI::Option* from_option = nullptr;
  CLI::Option* to_option = nullptr;

  RangeOptions Options() const {
    RangeOptions range;
    for (int i = 0; i < 6; ++i)
      if (quick[static_cast<size_t>(i)]) range.quick = i;
    if (from_option->count() > 0) range.from = from;
    if (to_option->count() > 0) range.to = to;
    return range;
  }
};

CLI::Validator DateValidator() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        if (ParseDate(value)) return {};
        return "takes a date as YYYY-MM-DD, not \"" + value + "\"";
      },
      "");
}

constexpr const char* kRangeGroup =
    "Range (one of these; a quick range ends at --to, default today)";

void AddRangeOptions(CLI::App& command, RangeArgs& args) {
  for (size_t i = 0; i < 6; ++i)
    command.add_flag(kQuickRanges[i].option, args.quick[i], kQuickRanges[i].help)
        ->group(kRangeGroup);
  args.from_option = command.add_option("--from", args.from, "the first date of the range")
                         ->check(DateValidator())
                         ->type_name("DATE")
                         ->group(kRangeGroup);
  args.to_option = command.add_option("--to", args.to, "the end date (default: today)")
                       ->check(DateValidator())
                       ->type_name("DATE")
                       ->group(kRangeGroup);
}

// Two ranges at once: the options that clash.
std::optional<std::string> RangeClash(const RangeArgs& args) {
  std::vector<std::string> given;
  for (size_t i = 0; i < 6; ++i)
    if (args.quick[i]) given.emplace_back(kQuickRanges[i].option);
  if (args.from_option->count() > 0) given.emplace_back("--from");
  if (given.size() < 2) return std::nullopt;
  return given[0] + " and " + given[1] + " are two ranges: give one (see quorvane-cli --help)";
}

// --kind of stats and backtest: the Chinese kind or its English word.
std::vector<std::string> SeatKindWords() {
  return {"机构", "北向", "游资", "营业部", "institution", "northbound", "trader", "branch"};
}
std::optional<::seats::Kind> SeatKindOfWord(const std::string& word) {
  static const std::pair<const char*, ::seats::Kind> kKinds[] = {
      {"institution", ::seats::Kind::kInstitution},
      {"northbound", ::seats::Kind::kNorthbound},
      {"trader", ::seats::Kind::kTrader},
      {"branch", ::seats::Kind::kBranch}};
  for (const auto& [english, kind] : kKinds)
    if (word == english) return kind;
  return ::seats::KindFromText(text::Gbk(word));
}

std::string OneLineText(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

program::ProgramPlace ThisProgramPlace(const program::EnvironmentLookup& environment) {
  program::ProgramPlace place;
  if (auto folder = program::ExecutableFolder()) {
    place.program_folder = *folder;
    place.program_folder_writable = program::FolderWritable(*folder);
  }
  place.user_data_folder = program::UserDataFolder(environment);
  return place;
}

int RunCli(int argc, const char* const* argv, const CliEnvironment& env) {
  CLI::App app(
      "quorvane-cli: the 龙虎榜 lists without the window: download them every "
      "evening, export them for spreadsheets and pandas, keep the store sound.",
      "quorvane-cli");
  app.set_version_flag("--version", std::string("quorvane-cli ") + quorvane::kVersion);
  app.require_subcommand(1);

  std::string store_text;
  std::string source_text;
  CLI::Option* store_option =
      app.add_option("--store", store_text, "the store file Data.edb (or its folder)")
          ->type_name("PATH");
  CLI::Option* source_option =
      app.add_option("--source", source_text,
                     "host[:port] of the source (the data centre's may start with https://)")
          ->type_name("HOST[:PORT]");
  std::string kind_text;
  CLI::Option* kind_option =
      app.add_option("--source-kind", kind_text,
                     "pages (the list pages) or datacenter (the JSON data centre)")
          ->type_name("KIND");
  std::string prices_text;
  CLI::Option* prices_option =
      app.add_option("--prices-source", prices_text,
                     "host[:port] or http(s) address of the daily K-line service (else "
                     "QUORVANE_PRICES_HOST)")
          ->type_name("HOST[:PORT]");
  std::string gap_text;
  CLI::Option* gap_option =
      app.add_option("--request-gap", gap_text,
                     "milliseconds between two data-centre requests (0 to 60000, default 300; "
                     "else QUORVANE_REQUEST_GAP_MS)")
          ->type_name("MS");
  app.footer(StoreHelp(env.place, env.environment) +
             "\n\nExamples:\n"
             "  quorvane-cli download --week\n"
             "  quorvane-cli export --month --format xlsx --output month.xlsx\n"
             "  quorvane-cli --store ~/Data.edb check\n"
             "  quorvane-cli stats seats --month --top 20\n"
             "  quorvane-cli backtest --kind 机构 --year\n"
             "  quorvane-cli --source quotes.example.com:8080 download --today\n\n" +
             kExitStatus);

  // download
  CLI::App* download = app.add_subcommand(
      "download", "download every board and weekday of a range, as the window's 开始下载 does");
  download->fallthrough();
  RangeArgs download_range;
  AddRangeOptions(*download, download_range);
  DownloadOptions download_options;
  download->add_flag("--replace", download_options.replace,
                     "empty the store first (the window's 更新原数据); without it the stored "
                     "data stays (保留原数据)");
  download->add_flag("--missing-only", download_options.missing_only,
                     "only the pages the download log does not hold as stored (never "
                     "downloaded, failed, not yet published); every page where the store has "
                     "no log");
  download->add_flag("--again", download_options.again,
                     "fetch the pages whose listings are already stored again, and store them "
                     "a second time (without it they are skipped)");
  download->footer(
      "Progress goes to standard error: a bar on a terminal, one line per page otherwise.\n\n"
      "Examples:\n"
      "  quorvane-cli download --today\n"
      "  quorvane-cli download --from 2010-06-01 --to 2010-06-30\n"
      "  quorvane-cli download --year --replace\n"
      "  quorvane-cli download --month --missing-only\n\n" +
      std::string(kExitStatus));

  // prices
  CLI::App* prices_app = app.add_subcommand(
      "prices", "fetch the daily prices of every stock listed in a range (as 更新行情 does)");
  prices_app->fallthrough();
  RangeArgs prices_range;
  AddRangeOptions(*prices_app, prices_range);
  PricesOptions prices_options;
  prices_app->footer(
      "Asks the K-line service once per stock for its back-adjusted daily bars from 10 "
      "trading days before its first listing in the range to 30 after its last, only what "
      "the store lacks, 600 ms apart (--request-gap); stops after 5 failures in a row. Failed "
      "stocks are asked again by the next run.\n\nExamples:\n"
      "  quorvane-cli prices --month\n"
      "  quorvane-cli --prices-source 127.0.0.1:18080 prices --from 2024-03-01 --to "
      "2024-03-31\n\n" +
      std::string(kExitStatus));

  // export
  CLI::App* exporting = app.add_subcommand(
      "export", "write the listings (or their Seat entries) of a range as CSV, JSON lines or xlsx");
  exporting->fallthrough();
  RangeArgs export_range;
  AddRangeOptions(*exporting, export_range);
  ExportOptions export_options;
  bool seat_rows = false;
  std::string format_text = "csv";
  std::string output_text;
  exporting->add_flag("--seats", seat_rows,
                      "one row per Seat entry (date, code, name, side, position, seat, buy, "
                      "sell) instead of one per listing");
  exporting->add_flag("--returns", export_options.returns,
                      "add to each listing row the returns after it from the stored daily "
                      "prices (quorvane-cli prices): next_open, next_high, d1, d2, d3, d5, d10, "
                      "d20, max5, in percent with two decimals, empty where unknown");
  exporting->add_option("--format", format_text, "csv (default), jsonl or xlsx")
      ->check(CLI::IsMember({"csv", "jsonl", "xlsx"}));
  CLI::Option* output_option = exporting
                                   ->add_option("-o,--output", output_text,
                                                "the file to write (default: standard "
                                                "output; xlsx needs a file)")
                                   ->type_name("FILE");
  exporting->footer(
      "Without a range every stored listing is written. Listing rows hold the nine stored "
      "fields and the statistics grid's buy, sell, net (10,000 yuan) and strength; codes stay "
      "text.\n\nExamples:\n"
      "  quorvane-cli export --week > week.csv\n"
      "  quorvane-cli export --from 2010-06-01 --to 2010-06-30 --format xlsx -o june.xlsx\n"
      "  quorvane-cli export --month --seats --format jsonl -o seats.jsonl\n\n" +
      std::string(kExitStatus));

  // stats
  CLI::App* stats = app.add_subcommand(
      "stats", "the Seat, stock or institution rankings of a range (the page 席位统计)");
  stats->fallthrough();
  std::string stats_kind = "seats";
  stats->add_option("KIND", stats_kind, "seats, stocks or institutions")
      ->required()
      ->check(CLI::IsMember({"seats", "stocks", "institutions"}));
  RangeArgs stats_range;
  AddRangeOptions(*stats, stats_range);
  StatsOptions stats_options;
  std::string stats_format = "table";
  std::string stats_output;
  int stats_top = 0;
  CLI::Option* top_option =
      stats->add_option("--top", stats_top, "only the first N rows by net")->type_name("N");
  stats->add_flag("--count-repeats", stats_options.count_repeats,
                  "count every listing of a stock on one day (the page's 含重复上榜)");
  stats->add_option("--format", stats_format, "table (default), csv, json or xlsx")
      ->check(CLI::IsMember({"table", "csv", "json", "xlsx"}));
  CLI::Option* stats_output_option =
      stats->add_option("-o,--output", stats_output, "the file to write (xlsx needs one)")
          ->type_name("FILE");
  std::string stats_seat_kind;
  CLI::Option* seat_kind_option =
      stats
          ->add_option("--kind", stats_seat_kind,
                       "seats of one kind only: 机构, 北向, 游资 or 营业部 (institution, "
                       "northbound, trader, branch)")
          ->type_name("K")
          ->check(CLI::IsMember(SeatKindWords()));
  stats->footer(
      "Seats count by identity: the names of one branch (by its code, or as merged) under the "
      "newest, with its nickname and kind.\n"
      "Without a range every stored listing counts. Amounts are in 10,000 yuan; rows are "
      "sorted by net, largest first.\n\nExamples:\n"
      "  quorvane-cli stats seats --month --top 20\n"
      "  quorvane-cli stats stocks --from 2010-06-01 --to 2010-06-30 --format csv\n"
      "  quorvane-cli stats institutions --year --format xlsx -o institutions.xlsx\n\n" +
      std::string(kExitStatus));

  // backtest
  CLI::App* backtest_app = app.add_subcommand(
      "backtest",
      "what following Seats would have made: a rule's trades over a range, beside every "
      "listing of the range (the page 回测)");
  backtest_app->fallthrough();
  RangeArgs backtest_range;
  AddRangeOptions(*backtest_app, backtest_range);
  BacktestOptions backtest_options;
  constexpr const char* kWhoGroup = "Whom to follow (one of these)";
  constexpr const char* kRuleGroup = "Which of their listings";
  constexpr const char* kTradeGroup = "The trade";
  backtest_app
      ->add_option("--seat", backtest_options.seats,
                   "a Seat's name, nickname or a part of one (repeatable)")
      ->type_name("NAME")
      ->group(kWhoGroup);
  std::string backtest_kind;
  CLI::Option* backtest_kind_option =
      backtest_app
          ->add_option("--kind", backtest_kind,
                       "the Seats of one kind: 机构, 北向, 游资 or 营业部 (institution, "
                       "northbound, trader, branch)")
          ->type_name("K")
          ->check(CLI::IsMember(SeatKindWords()))
          ->group(kWhoGroup);
  backtest_app
      ->add_flag("--watched", backtest_options.watched,
                 "the watched Seats, and every listing of a watched code")
      ->group(kWhoGroup);
  backtest_app
      ->add_flag("--top-buyer", backtest_options.top_buyer,
                 "only when the Seat is the largest buyer of the listing")
      ->group(kRuleGroup);
  backtest_options.min_buy = backtest_options.min_net = backtest_options.min_strength = 0.0;
  CLI::Option* backtest_min_buy_option =
      backtest_app
          ->add_option("--min-buy", *backtest_options.min_buy,
                       "the Seat's buy at least this, 10,000 yuan")
          ->type_name("WAN")
          ->group(kRuleGroup);
  CLI::Option* backtest_min_net_option =
      backtest_app
          ->add_option("--min-net", *backtest_options.min_net,
                       "the Seat's buy minus sell at least this, 10,000 yuan")
          ->type_name("WAN")
          ->group(kRuleGroup);
  CLI::Option* backtest_min_strength_option =
      backtest_app
          ->add_option("--min-strength", *backtest_options.min_strength,
                       "the listing's strength (net / turnover) at least this")
          ->type_name("X")
          ->group(kRuleGroup);
  std::string backtest_reason;
  CLI::Option* backtest_reason_option =
      backtest_app->add_option("--reason", backtest_reason, "the listing's reason holds this text")
          ->type_name("TEXT")
          ->group(kRuleGroup);
  std::string backtest_board;
  CLI::Option* backtest_board_option =
      backtest_app->add_option("--board", backtest_board, "沪市, 深市 or 中小板")
          ->type_name("BOARD")
          ->group(kRuleGroup);
  backtest_app
      ->add_flag("--skip-institution-selling", backtest_options.skip_institution_selling,
                 "leave out listings with 机构 in the sell block")
      ->group(kRuleGroup);
  std::string backtest_entry = "next-open";
  backtest_app
      ->add_option("--entry", backtest_entry,
                   "next-open (default: the first price anyone could act on) or close (the "
                   "listing day's, for comparison)")
      ->check(CLI::IsMember({"next-open", "close"}))
      ->group(kTradeGroup);
  backtest_app
      ->add_option("--hold", backtest_options.hold,
                   "sell at the close N trading days after the entry: 1, 2, 3, 5 (default), 10 "
                   "or 20")
      ->type_name("N")
      ->group(kTradeGroup);
  backtest_options.target = backtest_options.stop = 0.0;
  CLI::Option* backtest_target_option =
      backtest_app
          ->add_option("--target", *backtest_options.target,
                       "sell earlier when the day's high reaches this % above the entry")
          ->type_name("PCT")
          ->group(kTradeGroup);
  CLI::Option* backtest_stop_option =
      backtest_app
          ->add_option("--stop", *backtest_options.stop,
                       "sell earlier when the day's low reaches this % below the entry")
          ->type_name("PCT")
          ->group(kTradeGroup);
  backtest_app
      ->add_option("--max-per-day", backtest_options.max_per_day,
                   "at most K new trades a day, the largest buys first (default 5)")
      ->type_name("K")
      ->group(kTradeGroup);
  backtest_app
      ->add_option("--commission", backtest_options.commission,
                   "% each way, at least 5 yuan a trade (default 0.025)")
      ->type_name("PCT")
      ->group(kTradeGroup);
  backtest_app
      ->add_option("--stamp", backtest_options.stamp, "% stamp duty on the sale (default 0.05)")
      ->type_name("PCT")
      ->group(kTradeGroup);
  backtest_app->add_flag("--trades", backtest_options.trades,
                         "one row per trade (date, code, name, seat, entry_date, entry, "
                         "exit_date, exit, return, skipped) instead of the figures");
  std::string backtest_format = "table";
  backtest_app->add_option("--format", backtest_format, "table (default), csv, json or xlsx")
      ->check(CLI::IsMember({"table", "csv", "json", "xlsx"}));
  std::string backtest_output;
  CLI::Option* backtest_output_option =
      backtest_app->add_option("-o,--output", backtest_output, "the file to write (xlsx needs one)")
          ->type_name("FILE");
  backtest_app->footer(
      "Capital 1,000,000 yuan, compounding daily; each trade takes 1/K of its entry day's share "
      "of the capital. A trade whose entry opens at the limit-up price, or that misses a bar, "
      "is skipped and counted, never filled by a guess. The baseline takes the same entry and "
      "exit over every listing of the range. Returns and rates are in percent; the JSON is "
      "{\"rule\": {...}, \"result\": {...}, \"baseline\": {...}}. Without a range every "
      "stored listing counts. The figures are disclosed lists and past prices, and no advice.\n\n"
      "Examples:\n"
      "  quorvane-cli backtest --kind 机构 --year\n"
      "  quorvane-cli backtest --seat 章盟主 --hold 3 --stop 7 --from 2024-01-01 --to 2024-12-31\n"
      "  quorvane-cli backtest --watched --min-buy 1000 --format json -o watched.json\n"
      "  quorvane-cli backtest --kind 游资 --top-buyer --trades --format csv > trades.csv\n\n" +
      std::string(kExitStatus));

  // seats
  CLI::App* seats_command = app.add_subcommand(
      "seats", "the Seat identities (names, branch code, kind, nickname, note) as UTF-8 CSV");
  seats_command->fallthrough();
  seats_command->require_subcommand(1);
  CLI::App* seats_import =
      seats_command->add_subcommand("import", "read identities from a CSV file, all or nothing");
  seats_import->fallthrough();
  std::string seats_import_file;
  seats_import->add_option("FILE", seats_import_file, "the CSV file")->required();
  CLI::App* seats_export = seats_command->add_subcommand("export", "write every identity as CSV");
  seats_export->fallthrough();
  std::string seats_export_file;
  CLI::Option* seats_export_option =
      seats_export
          ->add_option("-o,--output", seats_export_file, "the file (default: standard output)")
          ->type_name("FILE");
  seats_command->footer(
      "Columns: names (the identity's names, newest first, separated by |), branch (the "
      "branch code), kind (机构, 北向, 游资 or 营业部), nickname, note. An import applies every "
      "line or none: a bad line (an unknown kind, a name outside GBK, a nickname of another "
      "identity) is reported with its line number.\n\n" +
      std::string(kExitStatus));

  // watch
  CLI::App* watch = app.add_subcommand("watch", "the watch list of Seats and stock codes (关注)");
  watch->fallthrough();
  watch->require_subcommand(1);
  WatchOptions watch_options;
  std::string watch_seat;
  std::string watch_code;
  std::vector<std::pair<CLI::App*, WatchOptions::Action>> watch_actions;
  std::vector<std::pair<CLI::Option*, CLI::Option*>> watch_targets;
  for (const auto& [name, action, help] :
       {std::tuple{"add", WatchOptions::Action::kAdd, "watch a Seat or a stock code"},
        std::tuple{"remove", WatchOptions::Action::kRemove, "stop watching it"}}) {
    CLI::App* sub = watch->add_subcommand(name, help);
    sub->fallthrough();
    CLI::Option* seat_option =
        sub->add_option("--seat", watch_seat, "a Seat's name, nickname or a part of one")
            ->type_name("NAME");
    CLI::Option* code_option =
        sub->add_option("--code", watch_code, "a stock code")->type_name("CODE");
    seat_option->excludes(code_option);
    watch_actions.emplace_back(sub, action);
    watch_targets.emplace_back(seat_option, code_option);
  }
  CLI::App* watch_list = watch->add_subcommand("list", "the watched Seats and codes");
  watch_list->fallthrough();

  // summary
  CLI::App* summary = app.add_subcommand(
      "summary", "what the watched Seats and codes did on one day (今日关注), for a cron job");
  summary->fallthrough();
  SummaryOptions summary_options;
  std::string summary_date;
  std::string summary_format = "text";
  std::string summary_output;
  std::string summary_webhook;
  CLI::Option* summary_date_option =
      summary->add_option("--date", summary_date, "the day (default: the newest day held)")
          ->type_name("DATE")
          ->check(DateValidator());
  summary->add_option("--format", summary_format, "text (default), md, html or json")
      ->check(CLI::IsMember({"text", "md", "html", "json"}));
  CLI::Option* summary_output_option =
      summary->add_option("-o,--output", summary_output, "the file to write")->type_name("FILE");
  CLI::Option* summary_webhook_option =
      summary
          ->add_option("--webhook", summary_webhook,
                       "POST the JSON summary to this http(s) address")
          ->type_name("URL");
  summary->footer(
      "One item per watched Seat in a listing and one per listing of a watched code (seat "
      "empty, the listing's totals); amounts in 10,000 yuan. The JSON is {\"date\": "
      "\"YYYY-MM-DD\", \"items\": [{\"code\", \"name\", \"seat\", \"nickname\", \"kind\", "
      "\"side\", \"buy\", \"sell\", \"net\"}]}. A webhook that fails gives exit status 3; "
      "the -o file stays.\n\nExample (crontab):\n"
      "  45 19 * * 1-5  quorvane-cli summary --format html -o ~/today.html --webhook "
      "https://example.org/hook\n\n" +
      std::string(kExitStatus));

  CLI::App* check = app.add_subcommand(
      "check",
      "read the whole store: its records, the dates they span, damaged records, and the "
      "download log's missing and failed pages of the last month");
  check->fallthrough();
  CLI::App* dedupe = app.add_subcommand(
      "dedupe", "remove listings stored more than once for a date and stock (删除重复数据)");
  dedupe->fallthrough();

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    std::ostringstream out;
    app.exit(e, out, out);
    std::fputs(out.str().c_str(), env.out);
    return kDone;
  } catch (const CLI::CallForAllHelp& e) {
    std::ostringstream out;
    app.exit(e, out, out);
    std::fputs(out.str().c_str(), env.out);
    return kDone;
  } catch (const CLI::CallForVersion& e) {
    std::fputs((std::string(e.what()) + "\n").c_str(), env.out);
    return kDone;
  } catch (const CLI::ParseError& e) {
    // A misspelt subcommand is reported as a missing one; name it.
    const std::vector<std::string> left = app.remaining();
    if (!left.empty() && app.get_subcommands().empty()) {
      Say(env.err, "no subcommand \"" + left.front() +
                       "\": use download, prices, export, stats, backtest, seats, watch, summary, "
                       "check or dedupe (see quorvane-cli --help)");
      return kBadUsage;
    }
    Say(env.err, OneLineText(e.what()) + " (see quorvane-cli --help)");
    return kBadUsage;
  }

  program::LaunchOptions launch;
  if (source_option->count() > 0) launch.source_host = source_text;
  if (kind_option->count() > 0) launch.source_kind = kind_text;
  if (gap_option->count() > 0) launch.request_gap = gap_text;
  if (prices_option->count() > 0) launch.prices_host = prices_text;
  if (store_option->count() > 0) launch.store = std::filesystem::path(store_text);
  const program::ResolvedRunSettings resolved =
      program::ResolveRunSettings(launch, env.place, env.environment);
  if (resolved.error) {
    Say(env.err, *resolved.error);
    return kBadUsage;
  }
  CliContext ctx{resolved.settings, env.out, env.err, env.err_is_terminal, env.now, env.stop};

  for (const RangeArgs* range :
       {&download_range, &export_range, &stats_range, &prices_range, &backtest_range}) {
    if (auto clash = RangeClash(*range)) {
      Say(env.err, *clash);
      return kBadUsage;
    }
  }
  if (download->parsed()) {
    download_options.range = download_range.Options();
    return RunDownloadCommand(download_options, ctx);
  }
  if (prices_app->parsed()) {
    prices_options.range = prices_range.Options();
    return RunPricesCommand(prices_options, ctx);
  }
  if (exporting->parsed()) {
    export_options.range = export_range.Options();
    export_options.rows = seat_rows ? ExportRows::kSeats : ExportRows::kListings;
    export_options.format = FormatFromName(format_text).value_or(TableFormat::kCsv);
    if (output_option->count() > 0) export_options.output = std::filesystem::path(output_text);
    return RunExportCommand(export_options, ctx);
  }
  if (stats->parsed()) {
    stats_options.kind = stats_kind == "stocks"         ? ranking::RankingKind::kStocks
                         : stats_kind == "institutions" ? ranking::RankingKind::kInstitutions
                                                        : ranking::RankingKind::kSeats;
    stats_options.range = stats_range.Options();
    if (top_option->count() > 0) stats_options.top = stats_top;
    stats_options.format = FormatFromName(stats_format).value_or(TableFormat::kTable);
    if (stats_output_option->count() > 0)
      stats_options.output = std::filesystem::path(stats_output);
    if (seat_kind_option->count() > 0) stats_options.seat_kind = SeatKindOfWord(stats_seat_kind);
    return RunStatsCommand(stats_options, ctx);
  }
  if (backtest_app->parsed()) {
    backtest_options.range = backtest_range.Options();
    if (backtest_kind_option->count() > 0) backtest_options.kind = SeatKindOfWord(backtest_kind);
    for (const auto& [option, value] :
         {std::pair{backtest_min_buy_option, &backtest_options.min_buy},
          std::pair{backtest_min_net_option, &backtest_options.min_net},
          std::pair{backtest_min_strength_option, &backtest_options.min_strength},
          std::pair{backtest_target_option, &backtest_options.target},
          std::pair{backtest_stop_option, &backtest_options.stop}}) {
      if (option->count() == 0) value->reset();
    }
    if (backtest_reason_option->count() > 0) backtest_options.reason = backtest_reason;
    if (backtest_board_option->count() > 0) backtest_options.board = backtest_board;
    backtest_options.close_entry = backtest_entry == "close";
    backtest_options.format = FormatFromName(backtest_format).value_or(TableFormat::kTable);
    if (backtest_output_option->count() > 0)
      backtest_options.output = std::filesystem::path(backtest_output);
    return RunBacktestCommand(backtest_options, ctx);
  }
  if (seats_import->parsed())
    return RunSeatsImportCommand(std::filesystem::path(seats_import_file), ctx);
  if (seats_export->parsed()) {
    std::optional<std::filesystem::path> file;
    if (seats_export_option->count() > 0) file = std::filesystem::path(seats_export_file);
    return RunSeatsExportCommand(file, ctx);
  }
  if (watch_list->parsed()) return RunWatchCommand(watch_options, ctx);
  for (size_t i = 0; i < watch_actions.size(); ++i) {
    if (!watch_actions[i].first->parsed()) continue;
    watch_options.action = watch_actions[i].second;
    if (watch_targets[i].first->count() > 0) watch_options.seat = watch_seat;
    if (watch_targets[i].second->count() > 0) watch_options.code = watch_code;
    return RunWatchCommand(watch_options, ctx);
  }
  if (summary->parsed()) {
    if (summary_date_option->count() > 0) summary_options.date = summary_date;
    summary_options.format = summary_format == "json"   ? ::seats::SummaryFormat::kJson
                             : summary_format == "md"   ? ::seats::SummaryFormat::kMarkdown
                             : summary_format == "html" ? ::seats::SummaryFormat::kHtml
                                                        : ::seats::SummaryFormat::kText;
    if (summary_output_option->count() > 0)
      summary_options.output = std::filesystem::path(summary_output);
    if (summary_webhook_option->count() > 0) summary_options.webhook = summary_webhook;
    return RunSummaryCommand(summary_options, ctx);
  }
  if (check->parsed()) return RunCheckCommand(ctx);
  if (dedupe->parsed()) return RunDedupeCommand(ctx);
  return kBadUsage;
}

}  // namespace cli
