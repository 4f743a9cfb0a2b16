#include "duplicates/click_navigation.h"

#include <algorithm>
#include <string>
#include <vector>

#include "duplicates/details_view.h"
#include "listing/listing_grid.h"
#include "listing/listing_scope.h"
#include "listing/search.h"
#include "listing/statistics_query.h"
#include "text/numbers.h"
#include "text/text_ops.h"

namespace details {
namespace {

constexpr int kLastSearchColumn = 3;  // date, name, code, first buying Seat
constexpr int kDetailsColumn = 8;     // "查看>>"
constexpr int kSearchPage = ui::MainWindow::kSearchPage;
constexpr int kDetailsPage = ui::MainWindow::kDetailsPage;

// Lists, on the search page, every listing of `grid` whose cell in `column`
// contains the clicked text. The title row is never a hit, so no listing
// comes in through the record number 0 that it stands for.
void SearchByCell(const listing::ListingScope& scope, ui::Grid& grid, int row, int column) {
  const std::string keyword = grid.Text(row, column);  // a copy: the grid may be refilled
  std::vector<int64_t> found =
      listing::FindListings(grid, column, keyword, std::max(1, grid.HeaderRowCount()));
  program::ProgramState& state = scope.state;
  state.search_keyword = keyword;
  state.search_record_numbers = std::move(found);
  state.shown_row_count = static_cast<int>(state.search_record_numbers.size()) + 1;

  ui::Grid& results = scope.pages.高级表格_搜索结果;
  listing::SetUpListingGrid(scope.pages.透明标签_排序标, results);
  listing::FillListingGrid(scope, results, state.search_record_numbers);
  scope.pages.高级选择夹1.SetCurrentPage(kSearchPage);
}

void OpenDetails(const listing::ListingScope& scope, const ui::DetailsPage& page, ui::Grid& grid,
                 int row) {
  const int64_t record_number = text::IntegerFromText(grid.Text(row, listing::kRecordNumberColumn));
  // The page first: whatever turning to it shows, the clicked listing wins.
  scope.pages.高级选择夹1.SetCurrentPage(kDetailsPage);
  LayOutDetailsGrid(page);
  ShowListingDetails(page, scope.platform, scope.store, scope.state.start_time, record_number);
}

}  // namespace

void FollowListingCell(program::ProgramContext& ctx, ui::Grid& grid) {
  const int row = grid.CurrentRow();
  const int column = grid.CurrentColumn();
  // The title row and cells that hold nothing lead nowhere.
  if (row < std::max(1, grid.HeaderRowCount()) || grid.Text(row, column).empty()) return;
  if (column >= 0 && column <= kLastSearchColumn) {
    SearchByCell(listing::ListingScope::Of(ctx), grid, row, column);
  } else if (column == kDetailsColumn) {
    OpenDetails(listing::ListingScope::Of(ctx), ui::DetailsPage::Of(ctx.window), grid, row);
  }
}

}  // namespace details
