#include "listing/listing_records.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <span>

#include "listing/grid_sort.h"
#include "listing/listing_grid.h"
#include "listing/listing_lines.h"
#include "listing/listing_scan.h"
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

// A hash of a text's bytes, eight at a time.
uint64_t RecordsTextHashOf(std::string_view text) {
  constexpr uint64_t kMix = 0xFF51AFD7ED558CCDull;
  const char* p = text.data();
  size_t n = text.size();
  uint64_t h = static_cast<uint64_t>(n) * 0x9E3779B97F4A7C15ull;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * kMix;
    h ^= h >> 32;
  }
  if (n > 0) {
    uint64_t w = 0;
    std::memcpy(&w, p, n);
    h = (h ^ w) * kMix;
  }
  h ^= h >> 29;
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 32);
}

// Interns texts of one column: each distinct text once. Listings come in
// runs of one date (and often one Seat), so the last text is tried first;
// the others are found in an open-addressing table of ids, each slot
// holding some bits of its text's hash so that most misses compare no text.
class RecordsTextPool {
 public:
  explicit RecordsTextPool(std::vector<std::string>& texts) : texts_(texts), slots_(64) {}
  uint32_t Intern(std::string_view text) {
    if (last_ < texts_.size() && texts_[last_] == text) return last_;
    const uint64_t hash = RecordsTextHashOf(text);
    const uint32_t tag = static_cast<uint32_t>(hash >> 32);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.id == kEmptySlot) {
        last_ = static_cast<uint32_t>(texts_.size());
        texts_.emplace_back(text);
        slot = Slot{tag, last_};
        if (++used_ * 2 > slots_.size()) Grow();
        return last_;
      }
      if (slot.tag == tag && texts_[slot.id] == text) {
        last_ = slot.id;
        return last_;
      }
    }
  }

 private:
  static constexpr uint32_t kEmptySlot = std::numeric_limits<uint32_t>::max();
  struct Slot {
    uint32_t tag = 0;
    uint32_t id = kEmptySlot;
  };
  // Twice the slots, every id placed again by its text's hash.
  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.size() * 2, Slot{});
    const size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.id == kEmptySlot) continue;
      size_t i = RecordsTextHashOf(texts_[slot.id]) & mask;
      while (slots_[i].id != kEmptySlot) i = (i + 1) & mask;
      slots_[i] = slot;
    }
  }

  std::vector<std::string>& texts_;
  std::vector<Slot> slots_;
  size_t used_ = 0;
  uint32_t last_ = std::numeric_limits<uint32_t>::max();
};

// Fills a record's figures from a row's; figures that are not whole
// thousandths are kept beside the records.
void PutRecordFigures(const ListingRow& row, size_t i, ListingRecord& record, ListingTable& table) {
  const std::array<std::optional<double>, 4> figures = {row.buy_total, row.sell_total, row.net,
                                                        row.strength};
  for (size_t f = 0; f < figures.size(); ++f) {
    if (!figures[f]) {
      record.figure[f] = kNoFigure;
      continue;
    }
    record.figure[f] = RecordsThousandths(*figures[f]);
    if (record.figure[f] == kOddFigure) table.odd_figures[i * 4 + f] = *figures[f];
  }
  record.record_number = row.record_number;
}

// A pass of ForEachStoredRecordInParallel's kind over a few listings (a
// search's hits) on the calling thread: for them, a reading thread costs
// more to start and hand over to than it saves.
constexpr size_t kRecordsReadOnTheCallingThread = 4096;
std::optional<store::StoreError> ForEachFewStoredRecords(store::Store& store,
                                                         const std::vector<int64_t>* record_numbers,
                                                         std::span<const int> fields,
                                                         const CopiedFieldsVisitor& visit,
                                                         int64_t* record_count) {
  std::array<std::string_view, store::kFieldCount> views;
  fields = fields.first(std::min(fields.size(), views.size()));
  const std::span<const std::string_view> visited(views.data(), fields.size());
  return ForEachStoredRecord(
      store, record_numbers,
      [&](store::StoreAccess& access) {
        for (size_t k = 0; k < fields.size(); ++k) views[k] = access.FieldView(fields[k]);
        return visit(visited, access.CurrentRecordNumber());
      },
      record_count);
}

// The order of the default descending date sort over the records: the
// ascending order by the dates' ranks, equal dates in record order, read
// backwards. A counting sort, the dates being few.
std::vector<uint32_t> NewestFirstOrder(const ListingTable& table) {
  const std::vector<uint32_t> rank = TextRanks(table.texts[kDateColumn], false);
  const uint32_t ranks = rank.empty() ? 0 : *std::max_element(rank.begin(), rank.end()) + 1;
  // Where each rank's run starts, highest rank first.
  std::vector<size_t> start(ranks + 1, 0);
  for (const ListingRecord& record : table.records) ++start[ranks - rank[record.text[kDateColumn]]];
  for (size_t r = 1; r <= ranks; ++r) start[r] += start[r - 1];
  std::vector<uint32_t> order(table.records.size());
  for (size_t i = table.records.size(); i-- > 0;) {
    const uint32_t r = ranks - 1 - rank[table.records[i].text[kDateColumn]];
    order[start[r]++] = static_cast<uint32_t>(i);
  }
  return order;
}

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
    record.text = {pools[0].Intern(row.date), pools[1].Intern(row.stock_name),
                   pools[2].Intern(row.stock_code), pools[3].Intern(row.first_buy_seat)};
    PutRecordFigures(row, i, record, *table);
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

ListingRecordsScan ScanListingRecords(store::Store& store,
                                      const std::vector<int64_t>* record_numbers,
                                      bool newest_first) {
  ListingRecordsScan scan;
  auto table = std::make_shared<ListingTable>();
  std::array<RecordsTextPool, kInternedColumns> pools = {
      RecordsTextPool(table->texts[0]), RecordsTextPool(table->texts[1]),
      RecordsTextPool(table->texts[2]), RecordsTextPool(table->texts[3])};
  ScannedListing listing;  // one listing at a time, its buffers reused
  bool empty_date = false;
  // The six fields the records are made of (the reason is not copied).
  static constexpr int kRecordsScanFields[] = {store::kDate,     store::kName,
                                               store::kCode,     store::kTurnover,
                                               store::kBuySeats, store::kSellSeats};
  const bool few = record_numbers && record_numbers->size() <= kRecordsReadOnTheCallingThread;
  const auto pass = few ? &ForEachFewStoredRecords : &ForEachStoredRecordInParallel;
  auto error = pass(
      store, record_numbers, std::span<const int>(kRecordsScanFields),
      [&](std::span<const std::string_view> stored, int64_t record_number) {
        if (scan.listings_read++ == 0)
          table->records.reserve(static_cast<size_t>(
              record_numbers ? static_cast<int64_t>(record_numbers->size()) : scan.record_count));
        // Past a damaged listing the rest are only counted.
        if (scan.damaged_buy_block) return true;
        listing.turnover = TurnoverFromText(stored[3]);
        TakeSeatBlocks(stored[4], stored[5], listing);
        if (listing.buy_block_values < kFewestBuyBlockValues) {
          scan.damaged_buy_block = true;
          return true;
        }
        ListingRow& row = listing.row;
        row.record_number = record_number;
        ComputeFigures(listing);
        const size_t i = table->records.size();
        ListingRecord& record = table->records.emplace_back();
        record.text = {pools[0].Intern(stored[0]), pools[1].Intern(stored[1]),
                       pools[2].Intern(stored[2]), pools[3].Intern(row.first_buy_seat)};
        empty_date = empty_date || stored[0].empty();
        PutRecordFigures(row, i, record, *table);
        return true;
      },
      &scan.record_count);
  if (error) {
    scan = ListingRecordsScan{};
    scan.error = error;
    return scan;
  }
  scan.count = static_cast<int>(table->records.size());
  // The date sort is refused over an empty date: the scan order stays.
  const bool sorted = newest_first && scan.count > 0 && !empty_date;
  std::vector<uint32_t> order;
  if (sorted) {
    order = NewestFirstOrder(*table);
  } else {
    order.resize(table->records.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  }
  scan.rows = std::make_shared<ListingRowSource>(std::move(table), std::move(order),
                                                 scan.listings_read, sorted);
  return scan;
}

ListingRowSource* ListingSourceOf(const ui::Grid& grid) {
  return dynamic_cast<ListingRowSource*>(grid.row_source());
}

}  // namespace listing
