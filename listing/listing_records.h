// The rows of a listing grid as one compact record per listing, with the
// order shown as a permutation; cells are formatted when they are painted
// or read. A million listings cost about 60 bytes each plus the texts, each
// distinct date, name, code and Seat held once.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/record_store.h"
#include "ui/grid.h"

namespace listing {

struct ListingLines;

// Text columns whose texts are interned: date, name, code, first buying Seat.
inline constexpr int kInternedColumns = 4;
// A strength that is not there (no turnover).
inline constexpr int64_t kNoFigure = std::numeric_limits<int64_t>::min();
// A figure that is not a whole number of thousandths below 1e10: its value
// is kept beside the records.
inline constexpr int64_t kOddFigure = std::numeric_limits<int64_t>::min() + 1;

struct ListingRecord {
  std::array<uint32_t, kInternedColumns> text{};  // ids into ListingTable::texts
  // Buy, sell, net and strength in thousandths (10,000 yuan for the totals).
  std::array<int64_t, 4> figure{};
  int64_t record_number = 0;
};

// Records in the order the scan gave them, with their interned texts.
struct ListingTable {
  std::vector<ListingRecord> records;
  std::array<std::vector<std::string>, kInternedColumns> texts;
  // Figures marked kOddFigure, by record index * 4 + figure slot.
  std::unordered_map<uint64_t, double> odd_figures;

  // The text of figure slot f (0 buy .. 3 strength) of record i.
  std::string FigureText(size_t i, int f) const;
  // The value the figure's text reads as; strengthless is -infinity.
  double FigureValue(size_t i, int f) const;
  // Bytes held, texts included.
  size_t Bytes() const;
};

// The text of a figure of k thousandths: "-12.340".
std::string ThousandthsText(int64_t k);

struct ListingSortChain;  // grid_sort.cpp

// Header sorts of a source worked out on a worker and swapped in on the
// user-interface thread (see SortListingRowsOffUi). User-interface thread.
struct OffUiSorts {
  std::shared_ptr<ListingSortChain> chain;
  int in_flight = 0;        // sorts asked for whose order is not back yet
  uint64_t latest = 0;      // the number of the latest; only its order is shown
  int from_rows = 250'000;  // listings from which a header sort leaves the thread
};

// The rows of a listing grid below its title row.
class ListingRowSource : public ui::RowSource {
 public:
  ListingRowSource(std::shared_ptr<const ListingTable> table, std::vector<uint32_t> order,
                   int64_t listings_read, bool record_number_as_text);

  void MakeCell(int row, int column, ui::Cell& cell) const override;
  bool AlignColumns(int first_column, int last_column, ui::Align align) override;

  const ListingTable& table() const { return *table_; }
  const std::shared_ptr<const ListingTable>& shared_table() const { return table_; }
  OffUiSorts& off_ui_sorts() { return off_ui_sorts_; }
  // Listings shown: rows 1..count(); the rows below them are blank.
  int count() const { return static_cast<int>(order_.size()); }
  // The record shown in row `row` (1..count()).
  const ListingRecord& RecordAt(int row) const {
    return table_->records[order_[static_cast<size_t>(row - 1)]];
  }
  size_t RecordIndexAt(int row) const { return order_[static_cast<size_t>(row - 1)]; }
  std::vector<uint32_t>& order() { return order_; }
  // Rows of the grid, title included.
  int row_count() const { return row_count_; }
  void set_record_number_as_text(bool as_text) { record_number_as_text_ = as_text; }
  // Net and strength coloured by sign (see ApplyGridColours).
  void set_coloured(bool coloured) { coloured_ = coloured; }
  // Bytes held, records, order and texts included.
  size_t Bytes() const { return table_->Bytes() + order_.capacity() * sizeof(uint32_t); }

 private:
  std::shared_ptr<const ListingTable> table_;
  std::vector<uint32_t> order_;
  int row_count_ = 0;
  bool record_number_as_text_ = false;
  bool coloured_ = false;
  OffUiSorts off_ui_sorts_;
  // Alignment given to whole columns after the fill; 0xFF: the column's own.
  std::array<uint8_t, 10> align_{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
};

// The records of the lines, in the lines' order; takes the lines' texts.
// Touches no grid, so a worker builds them.
std::shared_ptr<ListingRowSource> MakeListingRowSource(ListingLines& lines);

// A listing grid's rows read straight from the store (see
// ScanListingRecords).
struct ListingRecordsScan {
  std::shared_ptr<ListingRowSource> rows;  // null when the store failed
  int count = 0;                           // listings shown
  int64_t listings_read = 0;  // listings the scan gave (the grid's row count follows it)
  int64_t record_count = 0;   // listings in the whole store
  // The rows stop before the first listing whose buy block has fewer than
  // three values: the store is damaged there.
  bool damaged_buy_block = false;
  // Set when the store could not be opened or failed during the scan.
  std::optional<store::StoreError> error;
};

// The rows MakeListingLines and MakeListingRowSource make of a scan, built
// while the store is read: each listing's texts are interned and its figures
// worked out as it comes, the listings after a damaged one only counted, so
// no copy of the listings' texts is ever held. With newest_first the order
// is the default descending date sort's (scan order when a date is empty).
// Touches no grid, so a worker builds them.
ListingRecordsScan ScanListingRecords(store::Store& store,
                                      const std::vector<int64_t>* record_numbers,
                                      bool newest_first);

// The listing source of a grid, if its rows come from one.
ListingRowSource* ListingSourceOf(const ui::Grid& grid);

}  // namespace listing
