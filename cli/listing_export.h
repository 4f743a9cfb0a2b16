// The rows of an export: one per listing (the nine fields and the four
// figures of the statistics grid) or one per Seat entry.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

#include "cli/date_range.h"
#include "cli/table_output.h"
#include "prices/returns.h"
#include "sheets/table.h"
#include "store/record_store.h"

namespace cli {

enum class ExportRows {
  kListings,  // date, name, code, reason, value, volume, turnover, buy_seats,
              // sell_seats, then buy, sell, net, strength (10,000 yuan)
  kSeats,     // date, code, name, side, position, seat, buy, sell (yuan)
};

// The columns of the rows; with `extras`, those of the data centre's side
// tables after them (JSON lines carry them): for a listing its full reason
// and the figures the nine fields do not hold, for a Seat its branch codes.
// A row of a listing the side tables know nothing of (from the list pages)
// goes without them.
// With `returns`, a listing row has the returns after it right after its
// own columns (before the side tables'): next_open, next_high, d1, d2, d3,
// d5, d10, d20 and max5, percent with two decimals, empty where unknown.
std::vector<sheets::Column> ExportColumns(ExportRows rows, bool extras = false,
                                          bool returns = false);

struct ExportResult {
  int64_t listings = 0;                    // listings within the range
  int64_t rows = 0;                        // rows handed to the writer
  std::optional<store::StoreError> error;  // the store failed
  bool output_failed = false;              // the writer refused a row
  bool stopped = false;
};

// One pass over the store: the rows of every listing within `dates`, in
// record order, to `writer` (Begin included, Finish left to the caller).
// `returns`: the bars the listing rows' returns come from (none: no such
// columns).
ExportResult ExportListings(store::Store& store, const DateFilter& dates, ExportRows rows,
                            TableWriter& writer, std::stop_token stop = {}, bool extras = false,
                            const prices::BarsIndex* returns = nullptr);

}  // namespace cli
