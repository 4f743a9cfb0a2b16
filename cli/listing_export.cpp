#include "cli/listing_export.h"

#include <array>
#include <string>

#include "cli/figure_text.h"
#include "cli/gbk_decoder.h"
#include "listing/listing_scan.h"

namespace cli {
namespace {

using sheets::Cell;
using sheets::Column;
using sheets::ColumnKind;

Column Text(const char* name, double width) {
  return Column{name, ColumnKind::kText, 0, width};
}
Column Number(const char* name, int decimals, double width) {
  return Column{name, ColumnKind::kNumber, decimals, width};
}

constexpr int kListingCells = store::kFieldCount + 4;
constexpr int kSeatCells = 8;

// Cells of one listing row, with the texts they view.
class ListingRowMaker {
 public:
  std::span<const Cell> Make(const FullListing& stored, listing::ScannedListing& figures) {
    for (int f = 0; f < store::kFieldCount; ++f)
      cells_[static_cast<size_t>(f)] = Cell::Text(
          Utf8View(stored.fields[static_cast<size_t>(f)], texts_[static_cast<size_t>(f)]));
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

// Cells of the Seat rows of one listing, one row at a time.
class SeatRowMaker {
 public:
  void Start(const FullListing& stored) {
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

std::vector<Column> ExportColumns(ExportRows rows) {
  if (rows == ExportRows::kSeats)
    return {Text("date", 12),     Text("code", 8),          Text("name", 10),
            Text("side", 6),      Number("position", 0, 9), Text("seat", 40),
            Number("buy", 2, 14), Number("sell", 2, 14)};
  return {Text("date", 12),         Text("name", 10),      Text("code", 8),
          Text("reason", 40),       Text("value", 16),     Text("volume", 12),
          Text("turnover", 12),     Text("buy_seats", 40), Text("sell_seats", 40),
          Number("buy", 3, 12),     Number("sell", 3, 12), Number("net", 3, 12),
          Number("strength", 3, 10)};
}

ExportResult ExportListings(store::Store& store, const DateFilter& dates, ExportRows rows,
                            TableWriter& writer, std::stop_token stop) {
  ExportResult result;
  const std::vector<Column> columns = ExportColumns(rows);
  writer.Begin(columns);
  ListingRowMaker listing_rows;
  SeatRowMaker seat_rows;
  listing::ScannedListing figures;
  int64_t visited = 0;
  result.error = ForEachFullListing(store, [&](const FullListing& stored) {
    if ((++visited & 1023) == 0 && stop.stop_requested()) {
      result.stopped = true;
      return false;
    }
    if (!dates.Holds(stored.field(store::kDate))) return true;
    ++result.listings;
    if (rows == ExportRows::kListings) {
      // The statistics grid's arithmetic on the same fields.
      figures.turnover = listing::TurnoverFromText(stored.field(store::kTurnover));
      listing::TakeSeatBlocks(stored.field(store::kBuySeats), stored.field(store::kSellSeats),
                              figures);
      listing::ComputeFigures(figures);
      if (!writer.Row(listing_rows.Make(stored, figures))) return !(result.output_failed = true);
      ++result.rows;
      return true;
    }
    seat_rows.Start(stored);
    for (const bool buying_side : {true, false}) {
      const listing::SeatBlock block =
          listing::ReadSeatBlock(stored.field(buying_side ? store::kBuySeats : store::kSellSeats));
      for (int k = 0; k < block.count; ++k) {
        if (!writer.Row(seat_rows.Make(buying_side, k + 1, block.seats[static_cast<size_t>(k)])))
          return !(result.output_failed = true);
        ++result.rows;
      }
    }
    return true;
  });
  return result;
}

}  // namespace cli
