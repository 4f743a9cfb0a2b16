// quorvane-cli backtest: a "follow them" rule over a range of the store,
// its figures beside the baseline (every listing of the range with the same
// entry and exit), or its trades one row each.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "backtest/backtester.h"
#include "backtest/result_table.h"
#include "backtest/store_input.h"
#include "cli/commands.h"
#include "cli/download_progress.h"
#include "cli/figure_text.h"
#include "cli/messages.h"
#include "cli/output_file.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace cli {
namespace {

using sheets::Cell;
using sheets::ColumnKind;
using sheets::OwnedCell;

constexpr int kBacktestHolds[] = {1, 2, 3, 5, 10, 20};

// The skip reasons under their JSON keys, in SkipReason order (kNone first).
constexpr const char* kBacktestSkipKeys[backtest::kSkipReasonCount] = {
    "", "limit_up", "no_entry_bar", "missing_bars", "not_closed", "over_daily_limit",
    "no_cash"};

std::optional<std::string> BacktestRefusal(const BacktestOptions& o) {
  const int who = (o.seats.empty() ? 0 : 1) + (o.kind ? 1 : 0) + (o.watched ? 1 : 0);
  if (who == 0) return "backtest needs whom to follow: --seat NAME, --kind K or --watched";
  if (who > 1) return "--seat, --kind and --watched are three rules: give one";
  if (std::find(std::begin(kBacktestHolds), std::end(kBacktestHolds), o.hold) ==
      std::end(kBacktestHolds))
    return "--hold takes 1, 2, 3, 5, 10 or 20 trading days, not " + std::to_string(o.hold);
  if (o.target && !(*o.target > 0)) return "--target takes a percentage above 0";
  if (o.stop && !(*o.stop > 0 && *o.stop < 100))
    return "--stop takes a percentage above 0 and below 100";
  if (o.max_per_day < 1) return "--max-per-day takes a number of trades of at least 1";
  if (!(o.commission >= 0 && o.commission < 100)) return "--commission takes a percentage from 0";
  if (!(o.stamp >= 0 && o.stamp < 100)) return "--stamp takes a percentage from 0";
  if (o.board && *o.board != "沪市" && *o.board != "深市" && *o.board != "中小板")
    return "--board takes 沪市, 深市 or 中小板, not \"" + *o.board + "\"";
  if (o.reason && !text::Utf8ToGbkStrict(*o.reason))
    return "--reason holds characters the listings cannot hold";
  if (o.format == TableFormat::kJsonLines) return "--format takes table, csv, json or xlsx";
  return std::nullopt;
}

backtest::SeatKind BacktestKind(seats::Kind kind) {
  switch (kind) {
    case seats::Kind::kInstitution:
      return backtest::SeatKind::kInstitution;
    case seats::Kind::kNorthbound:
      return backtest::SeatKind::kNorthbound;
    case seats::Kind::kTrader:
      return backtest::SeatKind::kHotMoney;
    case seats::Kind::kBranch:
      return backtest::SeatKind::kBranch;
  }
  return backtest::SeatKind::kOther;
}

// A number for JSON: four decimals at most, none for a count; null when
// not finite.
void AppendBacktestNumber(std::string& out, double x) {
  if (!std::isfinite(x)) {
    out += "null";
    return;
  }
  out += text::NumberText(text::RoundHalfAway(x, 4));
}
void AppendBacktestString(std::string& out, std::string_view utf8) {
  out += '"';
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}
void AppendBacktestOptional(std::string& out, const std::optional<double>& x) {
  if (x)
    AppendBacktestNumber(out, *x);
  else
    out += "null";
}

void AppendBacktestSide(std::string& out, const backtest::SideResult& side) {
  out += '{';
  bool first = true;
  for (const backtest::FigureField& f : backtest::FigureFields(side.figures)) {
    if (!first) out += ", ";
    first = false;
    AppendBacktestString(out, f.key);
    out += ": ";
    AppendBacktestNumber(out, f.value);
  }
  out += ", \"skipped_by\": {";
  for (int r = 1; r < backtest::kSkipReasonCount; ++r) {
    if (r > 1) out += ", ";
    AppendBacktestString(out, kBacktestSkipKeys[r]);
    out += ": " + std::to_string(side.figures.skipped_by[static_cast<size_t>(r)]);
  }
  out += "}, \"years\": [";
  for (size_t i = 0; i < side.years.size(); ++i) {
    const backtest::YearFigures& y = side.years[i];
    if (i) out += ", ";
    out += "{\"year\": " + std::to_string(y.year) + ", \"trades\": " + std::to_string(y.trades) +
           ", \"win_rate\": ";
    AppendBacktestNumber(out, y.win_rate * 100);
    out += ", \"mean_return\": ";
    AppendBacktestNumber(out, y.mean_return * 100);
    out += ", \"total_return\": ";
    AppendBacktestNumber(out, y.total_return * 100);
    out += ", \"max_drawdown\": ";
    AppendBacktestNumber(out, y.max_drawdown * 100);
    out += '}';
  }
  out += "]}";
}

std::string BacktestJson(const BacktestOptions& o, const std::vector<std::string>& seat_names,
                         const std::string& from, const std::string& to,
                         const backtest::Result& r) {
  std::string out = "{\"rule\": {\"from\": ";
  const auto text_or_null = [&out](const std::string& t) {
    if (t.empty())
      out += "null";
    else
      AppendBacktestString(out, t);
  };
  text_or_null(from);
  out += ", \"to\": ";
  text_or_null(to);
  out += ", \"seats\": [";
  for (size_t i = 0; i < seat_names.size(); ++i) {
    if (i) out += ", ";
    AppendBacktestString(out, seat_names[i]);
  }
  out += "], \"kind\": ";
  text_or_null(o.kind ? text::Utf8(seats::KindText(*o.kind)) : std::string());
  out += std::string(", \"watched\": ") + (o.watched ? "true" : "false") +
         ", \"top_buyer\": " + (o.top_buyer ? "true" : "false") + ", \"min_buy\": ";
  AppendBacktestOptional(out, o.min_buy);
  out += ", \"min_net\": ";
  AppendBacktestOptional(out, o.min_net);
  out += ", \"min_strength\": ";
  AppendBacktestOptional(out, o.min_strength);
  out += ", \"reason\": ";
  text_or_null(o.reason.value_or(""));
  out += ", \"board\": ";
  text_or_null(o.board.value_or(""));
  out += std::string(", \"skip_institution_selling\": ") +
         (o.skip_institution_selling ? "true" : "false") +
         ", \"entry\": " + (o.close_entry ? "\"close\"" : "\"next-open\"") +
         ", \"hold\": " + std::to_string(o.hold) + ", \"target\": ";
  AppendBacktestOptional(out, o.target);
  out += ", \"stop\": ";
  AppendBacktestOptional(out, o.stop);
  out += ", \"max_per_day\": " + std::to_string(o.max_per_day) + ", \"commission\": ";
  AppendBacktestNumber(out, o.commission);
  out += ", \"stamp\": ";
  AppendBacktestNumber(out, o.stamp);
  out += "}, \"result\": ";
  AppendBacktestSide(out, r.rule);
  out += ", \"baseline\": ";
  AppendBacktestSide(out, *r.baseline);
  out += "}\n";
  return out;
}

OwnedCell BacktestTextCell(std::string utf8) {
  return OwnedCell{Cell::Kind::kText, -1, std::move(utf8), 0};
}
OwnedCell BacktestNumberCell(double x, int decimals) {
  if (std::isinf(x)) return BacktestTextCell(x > 0 ? "inf" : "-inf");
  if (!std::isfinite(x)) return OwnedCell{};
  const double rounded = text::RoundHalfAway(x, decimals);
  std::string shown;
  if (decimals == 0)
    shown = std::to_string(static_cast<int64_t>(rounded));
  else
    AppendFigure(rounded, decimals, shown);
  return OwnedCell{Cell::Kind::kNumber, static_cast<int8_t>(decimals), std::move(shown), rounded};
}

// The figures, then the skips by reason, then each year's figures: one
// table for every format but JSON.
sheets::Table BacktestFigureTable(const backtest::Result& r) {
  sheets::Table t;
  t.columns = {{"period", ColumnKind::kText, 0, 8},
               {"figure", ColumnKind::kText, 0, 28},
               {"result", ColumnKind::kNumber, 2, 12},
               {"baseline", ColumnKind::kNumber, 2, 12}};
  const auto row = [&t](const std::string& period, const std::string& figure, OwnedCell a,
                        OwnedCell b) {
    t.rows.push_back(
        {BacktestTextCell(period), BacktestTextCell(figure), std::move(a), std::move(b)});
  };
  const auto rule = backtest::FigureFields(r.rule.figures);
  const auto base = backtest::FigureFields(r.baseline->figures);
  for (size_t i = 0; i < rule.size(); ++i) {
    const int decimals = rule[i].is_count ? 0 : 2;
    row("all", std::string(rule[i].key), BacktestNumberCell(rule[i].value, decimals),
        BacktestNumberCell(base[i].value, decimals));
  }
  for (int k = 1; k < backtest::kSkipReasonCount; ++k) {
    const auto a = r.rule.figures.skipped_by[static_cast<size_t>(k)];
    const auto b = r.baseline->figures.skipped_by[static_cast<size_t>(k)];
    if (a == 0 && b == 0) continue;
    row("all",
        "skipped: " + std::string(backtest::SkipReasonText(static_cast<backtest::SkipReason>(k))),
        BacktestNumberCell(static_cast<double>(a), 0),
        BacktestNumberCell(static_cast<double>(b), 0));
  }
  std::map<int, std::pair<const backtest::YearFigures*, const backtest::YearFigures*>> years;
  for (const backtest::YearFigures& y : r.rule.years) years[y.year].first = &y;
  for (const backtest::YearFigures& y : r.baseline->years) years[y.year].second = &y;
  for (const auto& [year, pair] : years) {
    const auto cell = [](const backtest::YearFigures* y, double backtest::YearFigures::*field) {
      return y ? BacktestNumberCell(y->*field * 100, 2) : OwnedCell{};
    };
    const std::string period = std::to_string(year);
    row(period, "trades",
        pair.first ? BacktestNumberCell(static_cast<double>(pair.first->trades), 0) : OwnedCell{},
        pair.second ? BacktestNumberCell(static_cast<double>(pair.second->trades), 0)
                    : OwnedCell{});
    row(period, "win_rate", cell(pair.first, &backtest::YearFigures::win_rate),
        cell(pair.second, &backtest::YearFigures::win_rate));
    row(period, "mean_return", cell(pair.first, &backtest::YearFigures::mean_return),
        cell(pair.second, &backtest::YearFigures::mean_return));
    row(period, "total_return", cell(pair.first, &backtest::YearFigures::total_return),
        cell(pair.second, &backtest::YearFigures::total_return));
    row(period, "max_drawdown", cell(pair.first, &backtest::YearFigures::max_drawdown),
        cell(pair.second, &backtest::YearFigures::max_drawdown));
  }
  return t;
}

sheets::Table BacktestTradeTable(const backtest::MarketData& data,
                                 const backtest::StoreInput& input,
                                 const std::vector<backtest::TradeRow>& trades) {
  sheets::Table t;
  for (std::string_view name : backtest::kTradeColumns) {
    const bool number = name == "entry" || name == "exit" || name == "return";
    t.columns.push_back({std::string(name), number ? ColumnKind::kNumber : ColumnKind::kText,
                         number ? 2 : 0,
                         name == "seat"      ? 36.0
                         : name == "skipped" ? 24.0
                                             : 11.0});
  }
  const auto seat_name = [&input](uint32_t identity) { return input.SeatName(identity); };
  t.rows.reserve(trades.size());
  for (const backtest::TradeRow& row : trades) {
    const backtest::TradeCells c = backtest::CellsOf(data, row, seat_name);
    const auto number = [](const std::optional<double>& x) {
      return x ? BacktestNumberCell(*x, 2) : OwnedCell{};
    };
    t.rows.push_back({BacktestTextCell(c.date), BacktestTextCell(c.code),
                      BacktestTextCell(text::Utf8(c.name)), BacktestTextCell(text::Utf8(c.seat)),
                      BacktestTextCell(c.entry_date), number(c.entry),
                      BacktestTextCell(c.exit_date), number(c.exit), number(c.return_percent),
                      BacktestTextCell(c.skipped)});
  }
  return t;
}

}  // namespace

int RunBacktestCommand(const BacktestOptions& options, CliContext& ctx) {
  if (auto refusal = BacktestRefusal(options)) {
    Say(ctx.err, *refusal);
    return kBadUsage;
  }
  const FilterOrRefusal filter = ExportFilter(options.range, ctx.now);
  if (filter.refusal) {
    Say(ctx.err, *filter.refusal);
    return kBadUsage;
  }
  backtest::Rule rule;
  if (!filter.filter.from.empty()) rule.range.from = *backtest::DayNumberOfText(filter.filter.from);
  if (!filter.filter.to.empty()) rule.range.to = *backtest::DayNumberOfText(filter.filter.to);
  backtest::SeatRule& who = rule.seats;
  who.top_buyer_only = options.top_buyer;
  who.min_buy = options.min_buy;
  who.min_net = options.min_net;
  who.min_strength = options.min_strength;
  if (options.reason) who.reason_contains = *text::Utf8ToGbkStrict(*options.reason);
  if (options.board) who.board = text::Gbk(*options.board);
  who.skip_institution_selling = options.skip_institution_selling;
  rule.plan.entry = options.close_entry ? backtest::Entry::kClose : backtest::Entry::kNextOpen;
  rule.plan.hold = options.hold;
  if (options.target) rule.plan.target = *options.target / 100;
  if (options.stop) rule.plan.stop = *options.stop / 100;
  rule.sizing.max_per_day = options.max_per_day;
  rule.costs.commission = options.commission / 100;
  rule.costs.stamp = options.stamp / 100;

  OutputTarget target;
  target.file = options.output;
  target.standard_output = ctx.out;
  target.sheet_name = options.trades ? "trades" : "backtest";
  std::optional<Output> json_out;
  OpenedWriter opened;
  if (options.format == TableFormat::kJson && !options.trades) {
    if (options.output) {
      std::string error;
      std::optional<Output> file = Output::ToFile(*options.output, &error);
      if (!file) {
        Say(ctx.err, error);
        return kBadUsage;
      }
      json_out.emplace(std::move(*file));
    } else {
      json_out.emplace(ctx.out);
    }
  } else {
    opened = OpenTableWriter(options.format, target);
    if (!opened.writer) {
      Say(ctx.err, opened.error);
      return kBadUsage;
    }
  }

  store::Store store(ctx.settings.store.file);
  const double started = SteadySeconds();
  backtest::StoreInputRead read = backtest::ReadStoreInput(
      store, rule.range, rule.plan.hold, [&ctx] { return ctx.stop.stop_requested(); });
  if (read.error) {
    Say(ctx.err, StoreFailureLine(*read.error, ctx.settings.store.file));
    return kStoreFailed;
  }
  if (read.stopped) {
    Say(ctx.err, "stopped; nothing was written");
    return kInterrupted;
  }
  backtest::StoreInput& input = read.input;
  std::vector<std::string> seat_names;
  if (!options.seats.empty()) {
    std::vector<std::string> gbk;
    for (const std::string& name : options.seats) {
      const auto g = text::Utf8ToGbkStrict(name);
      if (!g) {
        Say(ctx.err, "no single Seat is named or nicknamed \"" + name + "\"");
        return kBadUsage;
      }
      gbk.push_back(*g);
    }
    const backtest::SeatNames named = backtest::ResolveSeatNames(input, gbk);
    if (!named.unknown.empty()) {
      std::string list;
      for (const std::string& name : named.unknown)
        list += (list.empty() ? "\"" : ", \"") + text::Utf8(name) + "\"";
      Say(ctx.err, "no single Seat is named or nicknamed " + list);
      return kBadUsage;
    }
    who.who = backtest::Who::kIdentities;
    who.identities = named.identities;
    for (uint32_t id : named.identities) seat_names.push_back(text::Utf8(input.SeatName(id)));
  } else if (options.kind) {
    who.who = backtest::Who::kKind;
    who.kind = BacktestKind(*options.kind);
  } else {
    input.UseWatchList(who);
    if (who.identities.empty() && who.watched_codes.empty())
      Say(ctx.err, "the watch list is empty: nothing to follow (quorvane-cli watch add)");
  }
  const size_t listings = input.data.Listings().size();
  uint32_t codes_with_bars = 0;
  for (uint32_t c = 0; c < input.data.CodeCount(); ++c)
    if (!input.data.BarsOf(c).empty()) ++codes_with_bars;
  if (listings > 0 && codes_with_bars == 0)
    Say(ctx.err,
        "no daily prices are stored for these listings: every trade is skipped (quorvane-cli "
        "prices fetches them)");
  backtest::Backtester tester(std::move(input.data));
  const backtest::Result result = tester.Run(rule);
  const double seconds = SteadySeconds() - started;

  if (json_out) {
    json_out->Write(
        BacktestJson(options, seat_names, filter.filter.from, filter.filter.to, result));
    if (auto error = json_out->Commit()) {
      Say(ctx.err, *error);
      return kBadUsage;
    }
  } else {
    const sheets::Table table = options.trades
                                    ? BacktestTradeTable(tester.Data(), input, result.rule.trades)
                                    : BacktestFigureTable(result);
    if (auto error = WriteTable(table, *opened.writer)) {
      Say(ctx.err, *error);
      return kBadUsage;
    }
  }
  Say(ctx.err, std::to_string(result.rule.figures.trades) + " trades and " +
                   std::to_string(result.rule.figures.skipped) + " skipped from " +
                   std::to_string(listings) + " listings in " +
                   text::NumberText(std::round(seconds * 100) / 100) +
                   " s; past prices and disclosed lists, no advice");
  return kDone;
}

}  // namespace cli
