#include "listing/listing_lines.h"

#include <string_view>

#include "listing/grid_sort.h"
#include "listing/listing_grid.h"

namespace listing {

ListingLines MakeListingLines(ListingScan&& scan, bool newest_first) {
  ListingLines lines;
  lines.listings_read = static_cast<int64_t>(scan.listings.size());
  lines.record_count = scan.record_count;
  size_t usable = 0;
  while (usable < scan.listings.size() &&
         scan.listings[usable].buy_block_values >= kFewestBuyBlockValues)
    ++usable;
  lines.damaged_buy_block = usable < scan.listings.size();

  std::vector<uint32_t> order;
  if (newest_first && usable > 0) {
    std::vector<std::string_view> dates;
    dates.reserve(usable);
    bool all_dated = true;
    for (size_t i = 0; i < usable && all_dated; ++i) {
      all_dated = !scan.listings[i].date.empty();
      dates.push_back(scan.listings[i].date);
    }
    if (all_dated) {
      order = SortedKeyOrder(dates, false, false, false);
      lines.newest_first = true;
    }
  }

  const size_t width = static_cast<size_t>(kListingColumnCount);
  lines.cells.resize(usable * width);
  for (size_t k = 0; k < usable; ++k) {
    ScannedListing& listing = scan.listings[order.empty() ? k : order[k]];
    MakeListingCells(ComputeListingRow(std::move(listing)),
                     std::span<ui::Cell>(lines.cells.data() + k * width, width),
                     lines.newest_first);
  }
  lines.count = static_cast<int>(usable);
  return lines;
}

void PutListingLines(ui::Grid& grid, ListingLines& lines) {
  ui::Grid::UpdateScope scope(grid);
  grid.SetRowCount(ListingGridRowCount(lines.listings_read));
  const size_t width = static_cast<size_t>(kListingColumnCount);
  if (grid.ColumnCount() >= kListingColumnCount) {
    for (int k = 0; k < lines.count && k + 1 < grid.RowCount(); ++k) {
      std::span<ui::Cell> row = grid.MutableRow(k + 1);
      for (size_t c = 0; c < width; ++c)
        row[c] = std::move(lines.cells[static_cast<size_t>(k) * width + c]);
    }
  }
  lines.cells.clear();
  lines.cells.shrink_to_fit();
  grid.ClearRange({lines.count + 1, 0, grid.RowCount() - 1, grid.ColumnCount() - 1});
  grid.NotifyRows(1, grid.RowCount() - 1);
}

}  // namespace listing
