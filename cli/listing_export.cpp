#include "cli/listing_export.h"

#include <array>
#include <cstdio>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/figure_text.h"
#include "download/datacentre_extras.h"
#include "listing/listing_scan.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace cli {
namespace {

using sheets::Cell;
using sheets::Column;
using sheets::ColumnKind;
using text::Utf8View;

Column Text(const char* name, double width) {
  return Column{name, ColumnKind::kText, 0, width};
}
Column Number(const char* name, int decimals, double width) {
  return Column{name, ColumnKind::kNumber, decimals, width};
}

constexpr int kListingCells = store::kFieldCount + 4;

// A stored figure such as "77,916.30" as the number a spreadsheet reads:
// the separators dropped into `plain` ("77916.30"), its decimals kept. None
// when the field holds no plain number (empty, "-", a word).
std::optional<double> StoredFigure(std::string_view field, std::string& plain) {
  plain.clear();
  bool digits = false;
  size_t point = std::string_view::npos;
  for (size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (c == ',') continue;
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && point == std::string_view::npos) {
      point = plain.size();
    } else if (!((c == '-' || c == '+') && plain.empty())) {
      return std::nullopt;
    }
    plain += c;
  }
  if (!digits) return std::nullopt;
  return std::strtod(plain.c_str(), nullptr);
}

int DecimalsOf(std::string_view plain) {
  const size_t point = plain.find('.');
  return point == std::string_view::npos ? 0 : static_cast<int>(plain.size() - point - 1);
}
// An optional minus, a whole part without a leading zero and, after a
// point, one to six decimals if any: up to 15 such digits are printed back
// unchanged from their double with their own decimals, so no printing is
// needed.
bool PrintsAsItself(std::string_view plain) {
  size_t i = plain.starts_with('-') ? 1 : 0;
  const size_t first = i;
  while (i < plain.size() && plain[i] >= '0' && plain[i] <= '9') ++i;
  const size_t whole = i - first;
  if (whole == 0 || (whole > 1 && plain[first] == '0')) return false;
  size_t decimals = 0;
  if (i < plain.size()) {
    if (plain[i] != '.') return false;
    const size_t point = i++;
    while (i < plain.size() && plain[i] >= '0' && plain[i] <= '9') ++i;
    decimals = i - point - 1;
    if (i != plain.size() || decimals == 0 || decimals > 6) return false;
  }
  return whole + decimals <= 15;
}

// Volume and turnover as exported: figures a spreadsheet can sum, written
// again from the number so that JSON reads them too ("+.5" becomes "0.5"),
// with the decimals the page gave (up to 6). `text` receives the figure's
// text; none when the field holds no finite plain number.
std::optional<double> ExportedFigure(std::string_view field, std::string& text, int& decimals) {
  const std::optional<double> x = StoredFigure(field, text);
  if (!x || !std::isfinite(*x)) return std::nullopt;
  decimals = std::min(DecimalsOf(text), 6);
  if (!PrintsAsItself(text)) {
    char shown[64];
    std::snprintf(shown, sizeof shown, "%.*f", decimals, *x);
    text = shown;
  }
  return x;
}

// Volume or turnover into a CSV row as ExportedFigure writes it. The
// usual field ("12,345.67") is its own text once the separators are
// dropped, so its number is read only when it is not.
void AppendCsvExportedFigure(std::string_view field, std::string& scratch, std::string& out) {
  char plain[24];
  size_t length = 0;
  for (const char c : field) {
    if (c == ',') continue;
    if (length == sizeof plain) {
      length = 0;
      break;
    }
    plain[length++] = c;
  }
  if (length != 0 && PrintsAsItself(std::string_view(plain, length))) {
    out.append(plain, length);
    return;
  }
  int decimals = 0;
  if (ExportedFigure(field, scratch, decimals)) out += scratch;
}

constexpr int kSeatCells = 8;
constexpr int kExtraListingCells = 16;
constexpr int kExtraSeatCells = 2;

// The side-table figures of a listing, in column order.
std::optional<double> store::ListingExtras::*const kExtraFigures[] = {
    &store::ListingExtras::close,         &store::ListingExtras::change_rate,
    &store::ListingExtras::turnover_rate, &store::ListingExtras::free_float_value,
    &store::ListingExtras::list_buy,      &store::ListingExtras::list_sell,
    &store::ListingExtras::list_net,      &store::ListingExtras::list_deal,
    &store::ListingExtras::net_ratio,     &store::ListingExtras::deal_ratio};
std::optional<double> store::ListingExtras::*const kLaterChanges[] = {
    &store::ListingExtras::after_1_day, &store::ListingExtras::after_2_days,
    &store::ListingExtras::after_5_days, &store::ListingExtras::after_10_days};

// A figure as given, with as many decimals as it needs (up to 6).
std::string GivenFigure(double x) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.6f", x);
  std::string t = buf;
  while (!t.empty() && t.back() == '0') t.pop_back();
  if (!t.empty() && t.back() == '.') t.pop_back();
  if (t == "-0") t = "0";
  return t;
}

// The side-table cells after a row's own: the listing's figures, or a
// Seat's branch codes; empty cells where the store has none.
class ExtraCells {
 public:
  void Listing(const store::ListingExtras* e) {
    for (auto& cell : listing_) cell = Cell{};
    if (!e) return;
    listing_[0] = Cell::Text(Utf8View(e->reason, texts_[0]));
    size_t k = 1;
    for (const auto member : kExtraFigures) SetFigure(k++, e->*member);
    listing_[k] = Cell::Text(Utf8View(e->explain, texts_[k]));
    ++k;
    for (const auto member : kLaterChanges) SetFigure(k++, e->*member);
  }
  void Seat(const store::SeatCode* c) {
    seat_[0] = c ? Cell::Text(Utf8View(c->branch, seat_texts_[0])) : Cell{};
    seat_[1] = c ? Cell::Text(Utf8View(c->branch_old, seat_texts_[1])) : Cell{};
  }
  std::span<const Cell> listing() const { return listing_; }
  std::span<const Cell> seat() const { return seat_; }

 private:
  void SetFigure(size_t k, const std::optional<double>& x) {
    if (!x) return;
    texts_[k] = GivenFigure(*x);
    listing_[k] = Cell::Number(*x, texts_[k]);
  }
  std::array<std::string, kExtraListingCells> texts_;
  std::array<Cell, kExtraListingCells> listing_;
  std::array<std::string, kExtraSeatCells> seat_texts_;
  std::array<Cell, kExtraSeatCells> seat_;
};

// The returns after a listing, in column order.
constexpr int kReturnCells = 9;
std::optional<double> prices::ListingReturns::*const kReturnFigures[kReturnCells] = {
    &prices::ListingReturns::next_open, &prices::ListingReturns::next_high,
    &prices::ListingReturns::d1,        &prices::ListingReturns::d2,
    &prices::ListingReturns::d3,        &prices::ListingReturns::d5,
    &prices::ListingReturns::d10,       &prices::ListingReturns::d20,
    &prices::ListingReturns::max5};
constexpr const char* kReturnNames[kReturnCells] = {"next_open", "next_high", "d1",  "d2",  "d3",
                                                    "d5",        "d10",       "d20", "max5"};

class ReturnCells {
 public:
  std::span<const Cell> Make(const prices::ListingReturns& r) {
    for (int k = 0; k < kReturnCells; ++k) {
      const std::optional<double>& x = r.*kReturnFigures[k];
      texts_[static_cast<size_t>(k)] = prices::PercentText(x);
      cells_[static_cast<size_t>(k)] =
          x ? Cell::Number(text::RoundHalfAway(*x, 2), texts_[static_cast<size_t>(k)], 2) : Cell{};
    }
    return cells_;
  }

 private:
  std::array<std::string, kReturnCells> texts_;
  std::array<Cell, kReturnCells> cells_;
};

// The row's cells and the extra ones after them.
std::span<const Cell> Joined(std::span<const Cell> own, std::span<const Cell> extra,
                             std::vector<Cell>& out) {
  out.assign(own.begin(), own.end());
  out.insert(out.end(), extra.begin(), extra.end());
  return out;
}

// Cells of one listing row, with the texts they view.
class ListingRowMaker {
 public:
  std::span<const Cell> Make(const listing::StoredRecordFields& stored,
                             listing::ScannedListing& figures) {
    for (int f = 0; f < store::kFieldCount; ++f)
      cells_[static_cast<size_t>(f)] = Cell::Text(
          Utf8View(stored.fields[static_cast<size_t>(f)], texts_[static_cast<size_t>(f)]));
    for (int field : {store::kVolume, store::kTurnover}) {
      const size_t at = static_cast<size_t>(field - 1);
      int decimals = 0;
      const std::optional<double> x = ExportedFigure(stored.field(field), texts_[at], decimals);
      cells_[at] = x ? Cell::Number(*x, texts_[at], decimals) : Cell{};
    }
    const double values[3] = {figures.row.buy_total, figures.row.sell_total, figures.row.net};
    for (int k = 0; k < 3; ++k) SetFigure(store::kFieldCount + k, values[k]);
    if (figures.row.strength) {
      SetFigure(store::kFieldCount + 3, *figures.row.strength);
    } else {
      cells_[store::kFieldCount + 3] = Cell{};
    }
    return cells_;
  }

 private:
  void SetFigure(int cell, double x) {
    std::string& t = texts_[static_cast<size_t>(cell)];
    t.clear();
    AppendFigure(x, 3, t);
    cells_[static_cast<size_t>(cell)] = Cell::Number(x, t);
  }

  std::array<std::string, kListingCells> texts_;
  std::array<Cell, kListingCells> cells_;
};

// A listing row of ListingRowMaker written straight into a CSV buffer: the
// same bytes, without cells or a copy of each field's text.
class ListingCsvRowWriter {
 public:
  void Append(const listing::StoredRecordFields& stored, const listing::ScannedListing& figures,
              std::string& out) {
    for (int f = 1; f <= store::kFieldCount; ++f) {
      if (f > 1) out += ',';
      if (f == store::kVolume || f == store::kTurnover) {
        AppendCsvExportedFigure(stored.field(f), figure_, out);
        continue;
      }
      const size_t start = out.size();
      text::AppendUtf8(stored.field(f), out);
      QuoteCsvTextFrom(out, start);
    }
    for (const double x : {figures.row.buy_total, figures.row.sell_total, figures.row.net}) {
      out += ',';
      AppendFigure(x, 3, out);
    }
    out += ',';
    if (figures.row.strength) AppendFigure(*figures.row.strength, 3, out);
  }

 private:
  std::string figure_;
};

// Cells of the Seat rows of one listing, one row at a time.
class SeatRowMaker {
 public:
  void Start(const listing::StoredRecordFields& stored) {
    cells_[0] = Cell::Text(Utf8View(stored.field(store::kDate), date_));
    cells_[1] = Cell::Text(Utf8View(stored.field(store::kCode), code_));
    cells_[2] = Cell::Text(Utf8View(stored.field(store::kName), name_));
  }
  std::span<const Cell> Make(bool buying_side, int position, const listing::SeatEntry& seat) {
    cells_[3] = Cell::Text(buying_side ? "buy" : "sell");
    position_ = std::to_string(position);
    cells_[4] = Cell::Number(position, position_);
    cells_[5] = Cell::Text(Utf8View(seat.name, seat_));
    SetAmount(6, seat.buy, buy_);
    SetAmount(7, seat.sell, sell_);
    return cells_;
  }

 private:
  void SetAmount(int cell, double x, std::string& t) {
    t.clear();
    AppendFigure(x, 2, t);
    cells_[static_cast<size_t>(cell)] = Cell::Number(x, t);
  }

  std::string date_, code_, name_, position_, seat_, buy_, sell_;
  std::array<Cell, kSeatCells> cells_;
};

}  // namespace

std::vector<Column> ExportColumns(ExportRows rows, bool extras, bool returns) {
  std::vector<Column> columns;
  if (rows == ExportRows::kSeats) {
    columns = {Text("date", 12),     Text("code", 8),          Text("name", 10),
               Text("side", 6),      Number("position", 0, 9), Text("seat", 40),
               Number("buy", 2, 14), Number("sell", 2, 14)};
    if (extras) {
      columns.push_back(Text("branch_code", 10));
      columns.push_back(Text("branch_code_old", 10));
    }
    return columns;
  }
  columns = {Text("date", 12),         Text("name", 10),      Text("code", 8),
             Text("reason", 40),       Text("value", 16),     Number("volume", 2, 12),
             Number("turnover", 2, 14), Text("buy_seats", 40), Text("sell_seats", 40),
             Number("buy", 3, 12),     Number("sell", 3, 12), Number("net", 3, 12),
             Number("strength", 3, 10)};
  if (returns)
    for (const char* name : kReturnNames) columns.push_back(Number(name, 2, 9));
  if (extras) {
    for (const char* name :
         {"reason_full", "close", "change_rate", "turnover_rate", "free_float_value", "list_buy",
          "list_sell", "list_net", "list_deal", "net_ratio", "deal_ratio"})
      columns.push_back(name == std::string_view("reason_full") ? Text(name, 40)
                                                                : Number(name, -1, 14));
    columns.push_back(Text("explain", 40));
    for (const char* name : {"after_1_day", "after_2_days", "after_5_days", "after_10_days"})
      columns.push_back(Number(name, -1, 12));
  }
  return columns;
}

ExportResult ExportListings(store::Store& store, const DateFilter& dates, ExportRows rows,
                            TableWriter& writer, std::stop_token stop, bool extras,
                            const prices::BarsIndex* returns) {
  ExportResult result;
  if (rows != ExportRows::kListings) returns = nullptr;
  const std::vector<Column> columns = ExportColumns(rows, extras, returns != nullptr);
  ReturnCells return_cells;
  std::vector<Cell> with_returns;
  writer.Begin(columns);
  ListingRowMaker listing_rows;
  ListingCsvRowWriter csv_listing_rows;
  CsvRowSink* const csv_rows = writer.csv_rows();
  SeatRowMaker seat_rows;
  listing::ScannedListing figures;
  int64_t visited = 0;
  // The side tables are read a date at a time, on an access of their own
  // beside the pass's.
  std::optional<store::StoreAccess> side;
  download::CentreExtrasOfDay day;
  ExtraCells extra;
  std::vector<Cell> joined;
  bool day_loaded = false;
  const store::ListingExtras* found = nullptr;
  std::optional<store::StoreError> side_error;
  // The side tables are read on the calling thread beside the pass; without
  // them the store is read on a thread of its own while the rows are made.
  const auto visit = [&](const listing::StoredRecordFields& stored) {
    if ((++visited & 1023) == 0 && stop.stop_requested()) {
      result.stopped = true;
      return false;
    }
    if (!dates.Holds(stored.field(store::kDate))) return true;
    ++result.listings;
    if (extras) {
      if (!side) side.emplace(store.OpenStore());
      if (!day_loaded || day.date() != stored.field(store::kDate)) {
        day_loaded = true;
        if (!day.Load(*side, stored.field(store::kDate))) {
          side_error = side->error().value_or(store::StoreError{});
          return false;
        }
      }
      found = day.Find(stored.field(store::kCode), stored.field(store::kReason),
                       stored.field(store::kBuySeats));
    }
    if (rows == ExportRows::kListings) {
      // The statistics grid's arithmetic on the same fields.
      figures.turnover = listing::TurnoverFromText(stored.field(store::kTurnover));
      listing::TakeSeatBlocks(stored.field(store::kBuySeats), stored.field(store::kSellSeats),
                              figures);
      listing::ComputeFigures(figures);
      if (csv_rows && !returns && !found) {
        csv_listing_rows.Append(stored, figures, csv_rows->buffer());
        if (!csv_rows->EndRow()) return !(result.output_failed = true);
        ++result.rows;
        return true;
      }
      std::span<const Cell> cells = listing_rows.Make(stored, figures);
      if (returns)
        cells = Joined(cells,
                       return_cells.Make(returns->Returns(stored.field(store::kCode),
                                                          stored.field(store::kDate))),
                       with_returns);
      if (found) {
        extra.Listing(found);
        cells = Joined(cells, extra.listing(), joined);
      }
      if (!writer.Row(cells)) return !(result.output_failed = true);
      ++result.rows;
      return true;
    }
    seat_rows.Start(stored);
    for (const bool buying_side : {true, false}) {
      const listing::SeatBlock block =
          listing::ReadSeatBlock(stored.field(buying_side ? store::kBuySeats : store::kSellSeats));
      for (int k = 0; k < block.count; ++k) {
        std::span<const Cell> cells =
            seat_rows.Make(buying_side, k + 1, block.seats[static_cast<size_t>(k)]);
        if (found) {
          extra.Seat(day.Seat(*found, buying_side ? 0 : 1, k + 1));
          cells = Joined(cells, extra.seat(), joined);
        }
        if (!writer.Row(cells)) return !(result.output_failed = true);
        ++result.rows;
      }
    }
    return true;
  };
  result.error = listing::ForEachStoredRecordFields(store, !extras, visit);
  if (side) {
    if (auto error = side->CloseStore(); error && !side_error) side_error = std::move(error);
  }
  if (side_error && !result.error) result.error = std::move(side_error);
  return result;
}

}  // namespace cli
