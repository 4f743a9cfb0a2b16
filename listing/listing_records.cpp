#include "listing/listing_records.h"

#include <cmath>

#include "listing/grid_sort.h"
#include "listing/listing_grid.h"
#include "listing/listing_lines.h"
#include "text/figure_text.h"
#include "text/numbers.h"

namespace listing {
namespace {

// Thousandths of x when x is the double nearest to a whole number of
// thousandths (what rounding to 2 or 3 decimals gives), else kOddFigure.
int64_t RecordsThousandths(double x) {
  if (!(std::fabs(x) < 1e10)) return kOddFigure;
  const long long k = std::llround(x * 1000);
  return static_cast<double>(k) / 1000 == x ? static_cast<int64_t>(k) : kOddFigure;
}

// Interns texts of one column: each distinct text once.
class RecordsTextPool {
 public:
  explicit RecordsTextPool(std::vector<std::string>& texts) : texts_(texts) {}
  uint32_t Intern(std::string&& text) {
    auto [it, added] = ids_.try_emplace(text, static_cast<uint32_t>(texts_.size()));
    if (added) texts_.push_back(std::move(text));
    return it->second;
  }

 private:
  std::vector<std::string>& texts_;
  std::unordered_map<std::string, uint32_t> ids_;
};

}  // namespace

std::string ThousandthsText(int64_t k) {
  std::string out;
  text::AppendScaledInteger(k, 3, out);
  return out;
}

std::string ListingTable::FigureText(size_t i, int f) const {
  const int64_t k = records[i].figure[static_cast<size_t>(f)];
  if (k == kNoFigure) return {};
  if (k == kOddFigure) return ListingFigureText(odd_figures.at(i * 4 + static_cast<size_t>(f)));
  return ThousandthsText(k);
}

double ListingTable::FigureValue(size_t i, int f) const {
  const int64_t k = records[i].figure[static_cast<size_t>(f)];
  if (k == kNoFigure) return -std::numeric_limits<double>::infinity();
  if (k == kOddFigure) return text::NumberFromText(FigureText(i, f));
  return static_cast<double>(k) / 1000;
}

size_t ListingTable::Bytes() const {
  size_t bytes = records.capacity() * sizeof(ListingRecord);
  for (const auto& column : texts)
    for (const std::string& t : column)
      bytes += sizeof(std::string) + (t.capacity() > 15 ? t.capacity() + 1 : 0);
  return bytes + odd_figures.size() * 32;
}

ListingRowSource::ListingRowSource(std::shared_ptr<const ListingTable> table,
                                   std::vector<uint32_t> order, int64_t listings_read,
                                   bool record_number_as_text)
    : table_(std::move(table)),
      order_(std::move(order)),
      row_count_(ListingGridRowCount(listings_read)),
      record_number_as_text_(record_number_as_text) {}

void ListingRowSource::MakeCell(int row, int column, ui::Cell& cell) const {
  if (column < 0 || column >= kListingColumnCount) return;
  const uint8_t own_align = align_[static_cast<size_t>(column)];
  if (row >= 1 && row <= count()) {
    const size_t i = RecordIndexAt(row);
    const ListingRecord& record = table_->records[i];
    if (column < kInternedColumns) {
      cell.text = table_->texts[static_cast<size_t>(column)][record.text[static_cast<size_t>(column)]];
    } else if (column < kDetailsColumn) {
      cell.text = table_->FigureText(i, column - kInternedColumns);
    } else if (column == kDetailsColumn) {
      cell.text = ListingDetailsLinkText();
    } else {
      cell.text = std::to_string(record.record_number);
      cell.is_number = record_number_as_text_ ? 0 : 1;
    }
    cell.align = static_cast<uint32_t>(own_align != 0xFF ? static_cast<ui::Align>(own_align)
                                                         : ListingColumnAlign(column));
  } else if (own_align != 0xFF) {
    cell.align = own_align;
  }
  if (coloured_ && (column == kNetColumn || column == kStrengthColumn))
    cell.SetTextColour(FigureColour(cell.text));
}

bool ListingRowSource::AlignColumns(int first_column, int last_column, ui::Align align) {
  if (first_column < 0 || last_column >= kListingColumnCount) return false;
  for (int c = first_column; c <= last_column; ++c)
    align_[static_cast<size_t>(c)] = static_cast<uint8_t>(align);
  return true;
}

std::shared_ptr<ListingRowSource> MakeListingRowSource(ListingLines& lines) {
  auto table = std::make_shared<ListingTable>();
  const size_t n = static_cast<size_t>(lines.count);
  table->records.resize(n);
  std::array<RecordsTextPool, kInternedColumns> pools = {
      RecordsTextPool(table->texts[0]), RecordsTextPool(table->texts[1]),
      RecordsTextPool(table->texts[2]), RecordsTextPool(table->texts[3])};
  for (size_t i = 0; i < n; ++i) {
    ListingRow& row = lines.listings[i].row;
    ListingRecord& record = table->records[i];
    record.text = {pools[0].Intern(std::move(row.date)), pools[1].Intern(std::move(row.stock_name)),
                   pools[2].Intern(std::move(row.stock_code)),
                   pools[3].Intern(std::move(row.first_buy_seat))};
    const std::array<std::optional<double>, 4> figures = {row.buy_total, row.sell_total, row.net,
                                                          row.strength};
    for (size_t f = 0; f < figures.size(); ++f) {
      if (!figures[f]) {
        record.figure[f] = kNoFigure;
        continue;
      }
      record.figure[f] = RecordsThousandths(*figures[f]);
      if (record.figure[f] == kOddFigure) table->odd_figures[i * 4 + f] = *figures[f];
    }
    record.record_number = row.record_number;
  }
  std::vector<uint32_t> order = std::move(lines.order);
  if (order.empty()) {
    order.resize(n);
    for (size_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>(i);
  }
  const bool as_text = lines.newest_first;
  const int64_t read = lines.listings_read;
  lines.listings = {};
  lines.order = {};
  return std::make_shared<ListingRowSource>(std::move(table), std::move(order), read, as_text);
}

ListingRowSource* ListingSourceOf(const ui::Grid& grid) {
  return dynamic_cast<ListingRowSource*>(grid.row_source());
}

}  // namespace listing
