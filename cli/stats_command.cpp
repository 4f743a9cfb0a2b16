// quorvane-cli stats: the rankings of the page 席位统计 over a range, as a
// table for the terminal, CSV, JSON or a spreadsheet.
#include <algorithm>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/figure_text.h"
#include "cli/messages.h"
#include "ranking/range_returns.h"
#include "ranking/rankings.h"
#include "ranking/seat_identities.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace cli {
namespace {

using sheets::ColumnKind;
using sheets::OwnedCell;

// Builds the rows of one ranking, one cell at a time.
class RowMaker {
 public:
  explicit RowMaker(sheets::Table& table) : table_(table) {}
  void Begin() { table_.rows.emplace_back(); }
  void Text(std::string utf8) {
    table_.rows.back().push_back(OwnedCell{sheets::Cell::Kind::kText, -1, std::move(utf8), 0});
  }
  void Count(int64_t n) {
    table_.rows.back().push_back(
        OwnedCell{sheets::Cell::Kind::kNumber, 0, std::to_string(n), static_cast<double>(n)});
  }
  // 10,000 yuan, two decimals.
  void Amount(double wan) {
    std::string shown;
    AppendFigure(wan, 2, shown);
    table_.rows.back().push_back(OwnedCell{sheets::Cell::Kind::kNumber, 2, std::move(shown), wan});
  }
  // A share in percent, one decimal; empty without a whole.
  void Share(int part, int whole) {
    if (whole <= 0) {
      table_.rows.back().emplace_back();
      return;
    }
    const double percent = text::RoundHalfAway(100.0 * part / whole, 1);
    table_.rows.back().push_back(
        OwnedCell{sheets::Cell::Kind::kNumber, 1, text::NumberText(percent), percent});
  }
  // A return's mean (two decimals) or rate (one), in percent; empty when
  // no listing has the figure.
  void Percent(const std::optional<double>& percent, int decimals) {
    if (!percent) {
      table_.rows.back().emplace_back();
      return;
    }
    const double rounded = text::RoundHalfAway(*percent, decimals);
    table_.rows.back().push_back(OwnedCell{sheets::Cell::Kind::kNumber, static_cast<int8_t>(decimals),
                                           prices::PercentText(percent, decimals), rounded});
  }

 private:
  sheets::Table& table_;
};

sheets::Column TextColumn(const char* name, double width = 10) {
  return {name, ColumnKind::kText, 0, width};
}
sheets::Column CountColumn(const char* name) {
  return {name, ColumnKind::kNumber, 0, 10};
}
sheets::Column AmountColumn(const char* name) {
  return {name, ColumnKind::kNumber, 2, 12};
}
sheets::Column PercentColumn(const char* name, int decimals) {
  return {name, ColumnKind::kNumber, decimals, 10};
}

// A Seat's track record after its own columns.
void AddTrackRecordColumns(sheets::Table& table) {
  table.columns.push_back(CountColumn("sample"));
  table.columns.push_back(PercentColumn("next_open_mean", 2));
  table.columns.push_back(PercentColumn("d1_win_rate", 1));
  table.columns.push_back(PercentColumn("d5_mean", 2));
  table.columns.push_back(PercentColumn("d5_win_rate", 1));
  table.columns.push_back(PercentColumn("d10_mean", 2));
}
void AddTrackRecord(RowMaker& m, const prices::TrackRecord& t) {
  m.Count(t.sample);
  m.Percent(t.next_open_mean, 2);
  m.Percent(t.d1_win_rate, 1);
  m.Percent(t.d5_mean, 2);
  m.Percent(t.d5_win_rate, 1);
  m.Percent(t.d10_mean, 2);
}

// The rows in the order the ranking met them, then sorted by net, largest
// first and stable, as the page first shows them.
template <typename Row>
std::vector<const Row*> ByNet(const std::vector<Row>& rows) {
  std::vector<const Row*> order;
  order.reserve(rows.size());
  for (const Row& row : rows) order.push_back(&row);
  std::stable_sort(order.begin(), order.end(), [](const Row* a, const Row* b) {
    return ranking::ToWan(a->buy, a->sell).net > ranking::ToWan(b->buy, b->sell).net;
  });
  return order;
}

size_t Take(size_t rows, const std::optional<int>& top) {
  return top ? std::min(rows, static_cast<size_t>(*top)) : rows;
}

sheets::Table SeatTable(const ranking::RangeData& d, const ranking::Rankings& r,
                        const prices::RangeReturns& returns, const std::optional<int>& top,
                        const std::vector<int64_t>& identities, const seats::SeatBook& book) {
  sheets::Table table;
  table.columns = {TextColumn("seat", 36),
                   TextColumn("nickname", 12),
                   TextColumn("kind", 8),
                   CountColumn("listings"),
                   CountColumn("buy_listings"),
                   CountColumn("sell_listings"),
                   AmountColumn("buy"),
                   AmountColumn("sell"),
                   AmountColumn("net"),
                   CountColumn("next_day_sells"),
                   {"next_day_sell_rate", ColumnKind::kNumber, 1, 10},
                   TextColumn("top_stocks", 30)};
  AddTrackRecordColumns(table);
  RowMaker m(table);
  const auto order = ByNet(r.seats);
  for (size_t i = 0; i < Take(order.size(), top); ++i) {
    const ranking::SeatRanking& row = *order[i];
    const ranking::WanFigures f = ranking::ToWan(row.buy, row.sell);
    m.Begin();
    m.Text(text::Utf8(d.seats[row.seat]));
    const seats::Identity* identity =
        row.seat < identities.size() ? book.Find(identities[row.seat]) : nullptr;
    m.Text(identity ? text::Utf8(identity->nickname) : std::string());
    m.Text(text::Utf8(identity ? identity->kind
                               : seats::KindText(seats::AutomaticKind(d.seats[row.seat]))));
    m.Count(row.listings);
    m.Count(row.buy_listings);
    m.Count(row.sell_listings);
    m.Amount(f.buy);
    m.Amount(f.sell);
    m.Amount(f.net);
    m.Count(row.next_day_sells);
    m.Share(row.next_day_sells, row.buy_listings);
    std::string stocks;
    for (int k = 0; k < row.top_count; ++k) {
      if (k) stocks += "、";
      stocks += text::Utf8(d.names[d.stock_names[row.top_stocks[static_cast<size_t>(k)]]]);
    }
    m.Text(std::move(stocks));
    AddTrackRecord(m, returns.seats[row.seat]);
  }
  return table;
}

sheets::Table StockTable(const ranking::RangeData& d, const ranking::Rankings& r,
                         const prices::RangeReturns& returns, const std::optional<int>& top) {
  sheets::Table table;
  table.columns = {
      TextColumn("code"),          TextColumn("name"),           CountColumn("listings"),
      AmountColumn("buy"),         AmountColumn("sell"),         AmountColumn("net"),
      CountColumn("buying_seats"), CountColumn("selling_seats"), AmountColumn("institution_net"),
      PercentColumn("next_open_mean", 2), PercentColumn("d5_mean", 2)};
  RowMaker m(table);
  const auto order = ByNet(r.stocks);
  for (size_t i = 0; i < Take(order.size(), top); ++i) {
    const ranking::StockRanking& row = *order[i];
    const ranking::WanFigures f = ranking::ToWan(row.buy, row.sell);
    m.Begin();
    m.Text(text::Utf8(d.codes[row.stock]));
    m.Text(text::Utf8(d.names[d.stock_names[row.stock]]));
    m.Count(row.listings);
    m.Amount(f.buy);
    m.Amount(f.sell);
    m.Amount(f.net);
    m.Count(row.buying_seats);
    m.Count(row.selling_seats);
    m.Amount(ranking::ToWan(row.institution_buy, row.institution_sell).net);
    m.Percent(returns.stocks[row.stock].next_open_mean, 2);
    m.Percent(returns.stocks[row.stock].d5_mean, 2);
  }
  return table;
}

sheets::Table InstitutionTable(const ranking::RangeData& d, const ranking::Rankings& r,
                               const std::optional<int>& top) {
  sheets::Table table;
  table.columns = {TextColumn("code"),       TextColumn("name"),   AmountColumn("buy"),
                   CountColumn("buy_count"), AmountColumn("sell"), CountColumn("sell_count"),
                   AmountColumn("net")};
  RowMaker m(table);
  const auto order = ByNet(r.institutions);
  for (size_t i = 0; i < Take(order.size(), top); ++i) {
    const ranking::InstitutionRanking& row = *order[i];
    const ranking::WanFigures f = ranking::ToWan(row.buy, row.sell);
    m.Begin();
    m.Text(text::Utf8(d.codes[row.stock]));
    m.Text(text::Utf8(d.names[d.stock_names[row.stock]]));
    m.Amount(f.buy);
    m.Count(row.buy_count);
    m.Amount(f.sell);
    m.Count(row.sell_count);
    m.Amount(f.net);
  }
  return table;
}

}  // namespace

int RunStatsCommand(const StatsOptions& options, CliContext& ctx) {
  if (options.top && *options.top < 1) {
    Say(ctx.err, "--top takes a number of rows of at least 1");
    return kBadUsage;
  }
  const FilterOrRefusal filter = ExportFilter(options.range, ctx.now);
  if (filter.refusal) {
    Say(ctx.err, *filter.refusal);
    return kBadUsage;
  }
  ranking::DateRange range;
  range.from = filter.filter.from;
  range.to = filter.filter.to;
  range.whole_store = range.from.empty() && range.to.empty();
  if (!range.whole_store) {
    if (range.from.empty()) range.from = "0000-00-00";
    if (range.to.empty()) range.to = "9999-99-99";
  }

  OutputTarget target;
  target.file = options.output;
  target.standard_output = ctx.out;
  static constexpr const char* kSheet[] = {"seats", "stocks", "institutions"};
  target.sheet_name = kSheet[static_cast<int>(options.kind)];
  OpenedWriter opened = OpenTableWriter(options.format, target);
  if (!opened.writer) {
    Say(ctx.err, opened.error);
    return kBadUsage;
  }

  store::Store store(ctx.settings.store.file);
  ranking::RangeScan scan = ranking::ScanRange(store, range, options.count_repeats,
                                               [&ctx] { return ctx.stop.stop_requested(); });
  if (scan.error) {
    Say(ctx.err, StoreFailureLine(*scan.error, ctx.settings.store.file));
    return kStoreFailed;
  }
  if (scan.stopped) {
    Say(ctx.err, "stopped; nothing was written");
    return kInterrupted;
  }
  // Seats count by identity: every name of a branch under its newest one.
  seats::SeatBook book;
  std::vector<int64_t> identities;
  if (options.kind == ranking::RankingKind::kSeats) {
    if (auto error = ranking::BookWithNames(store, scan.data, false, &book)) {
      Say(ctx.err, StoreFailureLine(*error, ctx.settings.store.file));
      return kStoreFailed;
    }
    identities = ranking::CountByIdentity(scan.data, book);
  }
  ranking::Rankings rankings = ranking::MakeRankings(scan.data);
  if (options.seat_kind)
    ranking::KeepSeatKind(rankings, scan.data, identities, book, *options.seat_kind);
  // What the prices say after the listings (nothing without bars); taken
  // after the identity counting so that a Seat's record is its identity's.
  prices::RangeReturns returns;
  if (options.kind != ranking::RankingKind::kInstitutions) {
    std::optional<store::StoreError> bars_error;
    const std::optional<prices::BarsIndex> bars =
        prices::LoadBarsFor(store, range, &bars_error, &scan.data.codes);
    if (!bars) {
      Say(ctx.err, StoreFailureLine(bars_error.value_or(store::StoreError{}),
                                    ctx.settings.store.file));
      return kStoreFailed;
    }
    returns = prices::ComputeRangeReturns(scan.data, *bars);
  }
  sheets::Table table;
  switch (options.kind) {
    case ranking::RankingKind::kSeats:
      table = SeatTable(scan.data, rankings, returns, options.top, identities, book);
      break;
    case ranking::RankingKind::kStocks:
      table = StockTable(scan.data, rankings, returns, options.top);
      break;
    case ranking::RankingKind::kInstitutions:
      table = InstitutionTable(scan.data, rankings, options.top);
      break;
  }
  if (auto error = WriteTable(table, *opened.writer)) {
    Say(ctx.err, *error);
    return kBadUsage;
  }
  Say(ctx.err, std::to_string(table.rows.size()) + (table.rows.size() == 1 ? " row" : " rows") +
                   " from " + std::to_string(scan.data.range_listings) + " listings" +
                   (scan.data.repeats_left_out > 0
                        ? " (" + std::to_string(scan.data.repeats_left_out) +
                              " repeated listings left out; --count-repeats counts them)"
                        : std::string()));
  return kDone;
}

}  // namespace cli
