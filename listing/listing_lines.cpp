#include "listing/listing_lines.h"

#include <cstdint>
#include <span>
#include <string_view>

#include "listing/grid_sort.h"
#include "listing/listing_grid.h"
#include "listing/listing_records.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace listing {

ListingLines MakeListingLines(ListingScan&& scan, bool newest_first) {
  ListingLines lines;
  lines.listings = std::move(scan.listings);
  lines.listings_read = static_cast<int64_t>(lines.listings.size());
  lines.record_count = scan.record_count;
  size_t usable = 0;
  while (usable < lines.listings.size() &&
         lines.listings[usable].buy_block_values >= kFewestBuyBlockValues)
    ++usable;
  lines.damaged_buy_block = usable < lines.listings.size();
  lines.listings.resize(usable);
  lines.count = static_cast<int>(usable);
  for (ScannedListing& listing : lines.listings) ComputeFigures(listing);

  if (newest_first && usable > 0) {
    std::vector<std::string_view> dates;
    dates.reserve(usable);
    for (const ScannedListing& listing : lines.listings) {
      if (listing.row.date.empty()) return lines;  // the date sort would be refused
      dates.push_back(listing.row.date);
    }
    lines.order = SortedKeyOrder(dates, false, false, false);
    lines.newest_first = true;
  }
  return lines;
}

namespace {

// Moves the texts of the k-th listing in the lines' order into a grid row.
void TakeListingRow(ListingLines& lines, int k, std::span<ui::Cell> row) {
  const size_t from = lines.order.empty() ? static_cast<size_t>(k) : lines.order[k];
  MakeListingCells(std::move(lines.listings[from].row), row, lines.newest_first);
}

// A big fill's cells are new memory, and on virtual machines each first
// touch of a 4 KB page costs microseconds (1.3 s for the 400 MB of a
// million-listing grid). Asking for huge pages where the system has them
// cuts that to a few hundred faults.
void PreferHugePages(const void* data, size_t bytes) {
#if defined(__linux__)
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  const uintptr_t first = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHugePage - 1);
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace

void PutListingLines(ui::Grid& grid, ListingLines& lines) {
  if (grid.ColumnCount() == kListingColumnCount) {
    PutListingSource(grid, MakeListingRowSource(lines));
    return;
  }
  ui::Grid::UpdateScope scope(grid);
  grid.SetRowCount(ListingGridRowCount(lines.listings_read));
  if (grid.ColumnCount() >= kListingColumnCount) {
    for (int k = 0; k < lines.count && k + 1 < grid.RowCount(); ++k)
      TakeListingRow(lines, k, grid.MutableRow(k + 1));
  }
  lines.listings = {};
  lines.order = {};
  grid.ClearRange({lines.count + 1, 0, grid.RowCount() - 1, grid.ColumnCount() - 1});
  grid.NotifyRows(1, grid.RowCount() - 1);
}

std::vector<ui::Cell> MakeListingGridRows(ListingLines& lines) {
  const size_t columns = static_cast<size_t>(kListingColumnCount);
  const int rows = ListingGridRowCount(lines.listings_read);
  std::vector<ui::Cell> cells;
  cells.reserve(static_cast<size_t>(rows) * columns);
  PreferHugePages(cells.data(), cells.capacity() * sizeof(ui::Cell));
  // Row 0 stands in for the title row the grid keeps.
  cells.resize(static_cast<size_t>(rows) * columns);
  const std::span<ui::Cell> all(cells);
  for (int r = 1; r < rows; ++r) {
    const std::span<ui::Cell> row = all.subspan(static_cast<size_t>(r) * columns, columns);
    if (r - 1 < lines.count) TakeListingRow(lines, r - 1, row);
    ColourFigureCells(row);
  }
  lines.listings = {};
  lines.order = {};
  return cells;
}

void PutListingSource(ui::Grid& grid, std::shared_ptr<ListingRowSource> source) {
  const int rows = source->row_count();
  grid.SetRowSource(std::move(source), rows);
}

std::vector<ui::Cell> PutListingGridRows(ui::Grid& grid, std::vector<ui::Cell>&& rows) {
  ui::Grid::UpdateScope scope(grid);
  return grid.ReplaceRowsBelowTitle(std::move(rows));
}

}  // namespace listing
