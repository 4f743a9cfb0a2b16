#include "listing/grid_sort.h"

#include <algorithm>
#include <bit>
#include <compare>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <string>

#include "listing/listing_grid.h"
#include "listing/listing_records.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "text/text_ops.h"
#include "ui/platform.h"

namespace listing {
namespace {

constexpr double kNumberTolerance = 1e-7;
constexpr ui::Colour kNegativeColour{0, 128, 0};
constexpr ui::Colour kPositiveColour{255, 0, 0};

// text::CompareGbk without case folds ASCII letters only where a character
// is a single byte, never in the trail byte of a double-byte character; the
// order it gives equals the plain byte order of the texts folded that way.
// Folding once per key lets the sort compare with memcmp.
std::string FoldForComparison(std::string_view key) {
  std::string folded(key);
  for (size_t i = 0; i < folded.size();) {
    const unsigned char b = static_cast<unsigned char>(folded[i]);
    if (b >= 'A' && b <= 'Z') folded[i] = static_cast<char>(b + 32);
    i += text::CharLength(b);
  }
  return folded;
}

bool NeedsFolding(std::string_view key) {
  for (size_t i = 0; i < key.size();) {
    const unsigned char b = static_cast<unsigned char>(key[i]);
    if (b >= 'A' && b <= 'Z') return true;
    i += text::CharLength(b);
  }
  return false;
}

// Sorts positions by number keys; keys within 1e-7 count as equal.
void SortValues(const std::vector<double>& values, std::vector<uint32_t>& order) {
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return values[a] < values[b]; });
  // Keys within the tolerance count as equal and keep their earlier order.
  // A run starts at a key and takes the keys up to 1e-7 above it, so every
  // two keys of a run are equal and keys that differ by more stay in value
  // order.
  size_t start = 0;
  while (start < order.size()) {
    size_t end = start + 1;
    while (end < order.size() && values[order[end]] - values[order[start]] <= kNumberTolerance)
      ++end;
    if (end - start > 1)
      std::sort(order.begin() + static_cast<ptrdiff_t>(start),
                order.begin() + static_cast<ptrdiff_t>(end));
    start = end;
  }
}

void SortAsNumbers(std::span<const std::string_view> keys, std::vector<uint32_t>& order) {
  std::vector<double> values(keys.size());
  for (size_t i = 0; i < keys.size(); ++i)
    values[i] =
        keys[i].empty() ? -std::numeric_limits<double>::infinity() : text::NumberFromText(keys[i]);
  SortValues(values, order);
}

}  // namespace

std::vector<uint32_t> TextRanks(const std::vector<std::string>& texts, bool case_sensitive) {
  std::vector<std::string> compared;
  compared.reserve(texts.size());
  for (const std::string& t : texts)
    compared.push_back(case_sensitive || !NeedsFolding(t) ? t : FoldForComparison(t));
  std::vector<uint32_t> by_text(texts.size());
  std::iota(by_text.begin(), by_text.end(), 0u);
  std::sort(by_text.begin(), by_text.end(),
            [&](uint32_t a, uint32_t b) { return compared[a] < compared[b]; });
  std::vector<uint32_t> rank(texts.size());
  uint32_t r = 0;
  for (size_t k = 0; k < by_text.size(); ++k) {
    if (k > 0 && compared[by_text[k]] != compared[by_text[k - 1]]) ++r;
    rank[by_text[k]] = r;
  }
  return rank;
}

namespace {

// Positions stably sorted by their keys, in 16-bit digits from the lowest;
// a digit all keys share moves nothing and is skipped. The general way, for
// keys too wide to share a word with their position.
void RadixSortPositions(const std::vector<uint64_t>& keys, std::vector<uint32_t>& order) {
  const size_t n = order.size();
  if (n == 0) return;
  std::vector<uint32_t> moved(n);
  std::vector<size_t> start(65537);
  for (int shift = 0; shift < 64; shift += 16) {
    const auto digit = [&](uint32_t p) { return static_cast<size_t>((keys[p] >> shift) & 0xFFFF); };
    std::fill(start.begin(), start.end(), 0);
    for (uint32_t p : order) ++start[digit(p) + 1];
    if (start[digit(order[0]) + 1] == n) continue;
    for (size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
    for (uint32_t p : order) moved[start[digit(p)]++] = p;
    order.swap(moved);
  }
}

// Sorts words whose low position_bits hold a position and the key_bits
// above them a key, by the key only: a stable radix sort of the key's
// digits from the lowest, so equal keys keep the order of their positions
// when the words come in position order. Digits of at most 11 bits keep the
// counts in the first-level cache; a digit all words share is skipped.
void RadixSortKeyedPositions(std::vector<uint64_t>& words, int position_bits, int key_bits) {
  const size_t n = words.size();
  if (n < 2 || key_bits == 0) return;
  constexpr int kWidestDigit = 11;
  const int passes = (key_bits + kWidestDigit - 1) / kWidestDigit;
  const int width = (key_bits + passes - 1) / passes;
  const uint64_t mask = (uint64_t{1} << width) - 1;
  const size_t buckets = size_t{1} << width;
  // The counts of every pass in one read of the words.
  std::vector<uint32_t> counts(buckets * static_cast<size_t>(passes), 0);
  for (uint64_t w : words) {
    uint64_t key = w >> position_bits;
    for (int p = 0; p < passes; ++p, key >>= width)
      ++counts[static_cast<size_t>(p) * buckets + static_cast<size_t>(key & mask)];
  }
  std::vector<uint64_t> moved(n);
  for (int p = 0; p < passes; ++p) {
    uint32_t* count = counts.data() + static_cast<size_t>(p) * buckets;
    const int shift = position_bits + p * width;
    if (count[(words[0] >> shift) & mask] == n) continue;
    uint32_t next = 0;
    for (size_t d = 0; d < buckets; ++d) {
      const uint32_t c = count[d];
      count[d] = next;
      next += c;
    }
    for (uint64_t w : words) moved[count[(w >> shift) & mask]++] = w;
    words.swap(moved);
  }
}

// A figure's key: its distance above the lowest figure, plus one.
uint64_t FigureKey(int64_t x, int64_t lowest) {
  return static_cast<uint64_t>(x) - static_cast<uint64_t>(lowest) + 1;
}

// Whether a key sorts on the records' typed keys: a text sort of an
// interned column or a number sort of a figure column.
bool TypedListingKey(int key_column, bool as_number) {
  return as_number ? key_column >= kInternedColumns && key_column < kDetailsColumn
                   : key_column >= 0 && key_column < kInternedColumns;
}

// Whether some record of the table has no key of a typed sort: an empty
// text, or a missing figure. When none has, no shown record lacks one.
bool SomeRecordLacksKey(const ListingTable& table, int key_column, bool as_number) {
  if (!as_number) {
    const auto& texts = table.texts[static_cast<size_t>(key_column)];
    return std::any_of(texts.begin(), texts.end(), [](const std::string& t) { return t.empty(); });
  }
  const size_t f = static_cast<size_t>(key_column - kInternedColumns);
  return std::any_of(table.records.begin(), table.records.end(),
                     [f](const ListingRecord& r) { return r.figure[f] == kNoFigure; });
}

// kSortEmptyKey when a shown record has no key of a typed sort, else
// kSortDone. Depends only on which records are shown, not on their order.
// `lacking`, when given, says whether SomeRecordLacksKey holds.
int CheckTypedListingKeys(const ListingTable& table, const std::vector<uint32_t>& shown,
                          int key_column, bool as_number, bool empty_listing_keys_lowest,
                          std::optional<bool> lacking = std::nullopt) {
  if (!lacking.value_or(SomeRecordLacksKey(table, key_column, as_number))) return kSortDone;
  if (!as_number) {
    const auto& texts = table.texts[static_cast<size_t>(key_column)];
    for (uint32_t i : shown)
      if (texts[table.records[i].text[static_cast<size_t>(key_column)]].empty())
        return kSortEmptyKey;
    return kSortDone;
  }
  const size_t f = static_cast<size_t>(key_column - kInternedColumns);
  for (uint32_t i : shown) {
    if (table.records[i].figure[f] != kNoFigure) continue;
    const bool listing_without_key =
        empty_listing_keys_lowest && !table.texts[0][table.records[i].text[0]].empty();
    if (!listing_without_key) return kSortEmptyKey;
  }
  return kSortDone;
}

// What a typed sort of a column needs besides the records: the ranks of
// its texts, or the span of its figures. A source keeps those of its
// case-insensitive sorts for the next clicks.
struct ListingColumnKeys {
  bool made = false;
  std::vector<uint32_t> rank;  // a text column's: by text id
  bool whole = true;           // a figure column's: no figure is kept as a double
  int64_t lowest = 0;          // the lowest figure there is
  uint64_t highest_key = 0;    // the highest key of any record
};
using ListingSortMemo = std::array<ListingColumnKeys, kDetailsColumn>;

const ListingColumnKeys& KeysOfColumn(const ListingTable& table, int key_column, bool as_number,
                                      bool case_sensitive, ListingSortMemo* memo,
                                      ListingColumnKeys& own) {
  ListingColumnKeys& keys =
      memo != nullptr && !case_sensitive ? (*memo)[static_cast<size_t>(key_column)] : own;
  if (keys.made) return keys;
  keys.made = true;
  if (!as_number) {
    keys.rank = TextRanks(table.texts[static_cast<size_t>(key_column)], case_sensitive);
    for (uint32_t r : keys.rank) keys.highest_key = std::max<uint64_t>(keys.highest_key, r);
    return keys;
  }
  const size_t f = static_cast<size_t>(key_column - kInternedColumns);
  int64_t lowest = std::numeric_limits<int64_t>::max();
  int64_t highest = std::numeric_limits<int64_t>::min();
  for (const ListingRecord& r : table.records) {
    const int64_t x = r.figure[f];
    if (x == kOddFigure) {
      keys.whole = false;
      return keys;
    }
    if (x == kNoFigure) continue;
    lowest = std::min(lowest, x);
    highest = std::max(highest, x);
  }
  keys.lowest = lowest;
  keys.highest_key = lowest <= highest ? FigureKey(highest, lowest) : 0;
  return keys;
}

// The key of each record (by record index) in the order of a typed sort:
// a text's rank, or a figure's distance above the lowest plus one, a
// missing figure 0, below every figure. Whole thousandths differ by far
// more than the 1e-7 of equal numbers, so their order is that of the
// integers.
template <typename Key>
std::unique_ptr<Key[]> RecordSortKeys(const ListingTable& table, int key_column, bool as_number,
                                      const ListingColumnKeys& column) {
  const size_t count = table.records.size();
  auto keys = std::make_unique_for_overwrite<Key[]>(count);
  if (!as_number) {
    const size_t c = static_cast<size_t>(key_column);
    for (size_t i = 0; i < count; ++i)
      keys[i] = static_cast<Key>(column.rank[table.records[i].text[c]]);
  } else {
    const size_t f = static_cast<size_t>(key_column - kInternedColumns);
    for (size_t i = 0; i < count; ++i) {
      const int64_t x = table.records[i].figure[f];
      keys[i] = x == kNoFigure ? 0 : static_cast<Key>(FigureKey(x, column.lowest));
    }
  }
  return keys;
}

// Sorts the shown rows by their records' keys (at most 64 - position_bits
// bits) into `reordered`.
template <typename Key>
void SortShownByKeys(const Key* keys, const std::vector<uint32_t>& shown, int position_bits,
                     int key_bits, bool ascending, std::vector<uint32_t>& reordered) {
  const size_t n = shown.size();
  // Each shown row's key above its place: sorting the words by the key
  // keeps equal keys in the order shown.
  std::vector<uint64_t> words(n);
  bool rising = true, falling = true;
  for (size_t k = 0; k < n; ++k) {
    words[k] = static_cast<uint64_t>(keys[shown[k]]) << position_bits | k;
    if (k > 0) {
      const uint64_t key = words[k] >> position_bits, before = words[k - 1] >> position_bits;
      rising = rising && key >= before;
      falling = falling && key <= before;
    }
  }
  if (falling && !rising) {
    // Shown in the column's order read backwards (a click on the column
    // sorted last): the runs of equal keys come in reverse order, each in
    // the order shown.
    std::reverse(words.begin(), words.end());
    for (size_t run = 0; run < n;) {
      size_t end = run + 1;
      while (end < n && words[end] >> position_bits == words[run] >> position_bits) ++end;
      std::reverse(words.begin() + static_cast<ptrdiff_t>(run),
                   words.begin() + static_cast<ptrdiff_t>(end));
      run = end;
    }
  } else if (!rising) {
    RadixSortKeyedPositions(words, position_bits, key_bits);
  }
  const uint64_t place = (uint64_t{1} << position_bits) - 1;
  if (ascending) {
    for (size_t k = 0; k < n; ++k) reordered[k] = shown[words[k] & place];
  } else {
    for (size_t k = 0; k < n; ++k) reordered[n - 1 - k] = shown[words[k] & place];
  }
}

// The shown order after a typed sort (keys checked before): record indices.
std::vector<uint32_t> TypedSortedListingOrder(const ListingTable& table,
                                              const std::vector<uint32_t>& shown, int key_column,
                                              bool as_number, bool case_sensitive, bool ascending,
                                              ListingSortMemo* memo = nullptr) {
  const size_t n = shown.size();
  std::vector<uint32_t> reordered(n);
  if (n == 0) return reordered;
  ListingColumnKeys own;
  const ListingColumnKeys& column =
      KeysOfColumn(table, key_column, as_number, case_sensitive, memo, own);
  const int position_bits = std::max(1, static_cast<int>(std::bit_width(n - 1)));
  const int key_bits = static_cast<int>(std::bit_width(column.highest_key));
  if (column.whole && position_bits + key_bits <= 64) {
    if (key_bits <= 32) {
      SortShownByKeys(RecordSortKeys<uint32_t>(table, key_column, as_number, column).get(), shown,
                      position_bits, key_bits, ascending, reordered);
    } else {
      SortShownByKeys(RecordSortKeys<uint64_t>(table, key_column, as_number, column).get(), shown,
                      position_bits, key_bits, ascending, reordered);
    }
    return reordered;
  }
  std::vector<uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  if (column.whole) {
    const auto keys = RecordSortKeys<uint64_t>(table, key_column, as_number, column);
    std::vector<uint64_t> shown_keys(n);
    for (size_t k = 0; k < n; ++k) shown_keys[k] = keys[shown[k]];
    RadixSortPositions(shown_keys, order);
  } else {
    const size_t f = static_cast<size_t>(key_column - kInternedColumns);
    std::vector<double> values(n);
    for (size_t k = 0; k < n; ++k) values[k] = table.FigureValue(shown[k], static_cast<int>(f));
    SortValues(values, order);
  }
  if (!ascending) std::reverse(order.begin(), order.end());
  for (size_t k = 0; k < n; ++k) reordered[k] = shown[order[k]];
  return reordered;
}

// Shows a source's rows in a new order, as a sort leaves them: record
// numbers as text and the figures coloured.
void ShowSortedListingOrder(ui::Grid& grid, ListingRowSource& source,
                            std::vector<uint32_t>&& reordered) {
  source.order().swap(reordered);
  source.set_record_number_as_text(true);
  source.set_coloured(true);
  ui::Grid::UpdateScope scope(grid);
  grid.NotifySourceChanged(1, grid.RowCount() - 1);
  grid.SetStriping(ui::Striping{true, ui::kWhite, ui::kEvenRowColour});
}

// SortGridRows over a listing source, for a block of every listing row and
// every column, on the records' typed keys. Same checks, same order.
int SortListingSource(ui::Grid& grid, ListingRowSource& source, int key_column, int kind,
                      bool case_sensitive, bool ascending, bool empty_listing_keys_lowest) {
  const ListingTable& table = source.table();
  const std::vector<uint32_t>& shown = source.order();
  const bool as_number = kind == kSortAsNumber;
  if (TypedListingKey(key_column, as_number)) {
    const int checked =
        CheckTypedListingKeys(table, shown, key_column, as_number, empty_listing_keys_lowest);
    if (checked != kSortDone) return checked;
    ShowSortedListingOrder(
        grid, source,
        TypedSortedListingOrder(table, shown, key_column, as_number, case_sensitive, ascending));
    return kSortDone;
  }
  // Any other key reads the cells' texts, as a grid of cells would.
  const size_t n = shown.size();
  std::vector<std::string> texts(n);
  std::vector<std::string_view> keys(n);
  ui::Cell cell;
  for (size_t k = 0; k < n; ++k) {
    const int row = static_cast<int>(k) + 1;
    cell = ui::Cell{};
    source.MakeCell(row, key_column, cell);
    if (cell.text.empty()) {
      ui::Cell date;
      source.MakeCell(row, kDateColumn, date);
      const bool listing_without_key = empty_listing_keys_lowest && as_number && !date.text.empty();
      if (!listing_without_key) return kSortEmptyKey;
    }
    texts[k] = std::move(cell.text);
    keys[k] = texts[k];
  }
  const std::vector<uint32_t> order = SortedKeyOrder(keys, as_number, case_sensitive, ascending);
  std::vector<uint32_t> reordered(n);
  for (size_t k = 0; k < n; ++k) reordered[k] = shown[order[k]];
  ShowSortedListingOrder(grid, source, std::move(reordered));
  return kSortDone;
}

void SortAsText(std::span<const std::string_view> keys, bool case_sensitive,
                std::vector<uint32_t>& order) {
  std::vector<std::string> folded_store;
  std::vector<std::string_view> compared(keys.begin(), keys.end());
  if (!case_sensitive) {
    // Only keys with capital letters need a folded copy.
    std::vector<size_t> to_fold;
    for (size_t i = 0; i < keys.size(); ++i)
      if (NeedsFolding(keys[i])) to_fold.push_back(i);
    folded_store.reserve(to_fold.size());
    for (size_t i : to_fold) {
      folded_store.push_back(FoldForComparison(keys[i]));
      compared[i] = folded_store.back();
    }
  }
  // Keys of up to 16 bytes (dates, codes, names) compare as two big-endian
  // words and their length, which is their byte order.
  const bool short_keys = std::all_of(compared.begin(), compared.end(),
                                      [](std::string_view k) { return k.size() <= 16; });
  if (short_keys) {
    struct Packed {
      uint64_t high, low;
      size_t length;
      auto operator<=>(const Packed&) const = default;
    };
    std::vector<Packed> packed(compared.size());
    for (size_t i = 0; i < compared.size(); ++i) {
      unsigned char bytes[16] = {};
      std::memcpy(bytes, compared[i].data(), compared[i].size());
      uint64_t high = 0, low = 0;
      for (int b = 0; b < 8; ++b) high = high << 8 | bytes[b];
      for (int b = 8; b < 16; ++b) low = low << 8 | bytes[b];
      packed[i] = Packed{high, low, compared[i].size()};
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return packed[a] < packed[b]; });
    return;
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return compared[a] < compared[b]; });
}

// Moves the text and background of a cell; the destination keeps its
// alignment.
void MoveContent(ui::Cell& from, ui::Cell& to) {
  to.text = std::move(from.text);
  to.background = from.background;
  to.has_background = from.has_background;
}

// Puts the block's rows into `order` (order[k] = the row, counted from
// first_row, that row first_row + k receives), one cycle of the permutation
// at a time, so no copy of the whole block is needed.
void PermuteRows(ui::Grid& grid, int first_row, int first_column, int last_column,
                 const std::vector<uint32_t>& order) {
  const size_t width = static_cast<size_t>(last_column - first_column + 1);
  std::vector<ui::Cell> held(width);
  std::vector<bool> placed(order.size(), false);
  auto cell = [&](size_t row, size_t column) -> ui::Cell& {
    return grid.MutableRow(first_row +
                           static_cast<int>(row))[static_cast<size_t>(first_column) + column];
  };
  for (size_t start = 0; start < order.size(); ++start) {
    if (placed[start]) continue;
    if (order[start] == start) {
      placed[start] = true;
      continue;
    }
    for (size_t c = 0; c < width; ++c) MoveContent(cell(start, c), held[c]);
    size_t to = start;
    while (true) {
      const size_t from = order[to];
      placed[to] = true;
      if (from == start) {
        for (size_t c = 0; c < width; ++c) MoveContent(held[c], cell(to, c));
        break;
      }
      for (size_t c = 0; c < width; ++c) MoveContent(cell(from, c), cell(to, c));
      to = from;
    }
  }
}

int* RememberedDirection(const ListingScope& scope, const ui::Grid& grid) {
  if (&grid == &scope.pages.高级表格_龙虎统计) return &scope.state.statistics_sort_direction;
  if (&grid == &scope.pages.高级表格_搜索结果) return &scope.state.search_sort_direction;
  return nullptr;
}

const std::string& Arrow(bool ascending) {
  static const std::string up = text::Gbk("↑");
  static const std::string down = text::Gbk("↓");
  return ascending ? up : down;
}

}  // namespace

// The header sorts of one source, in the order they were asked for, and
// the order they leave: one worker works through them, each from the order
// the one before left, so the last shown is what sorting them one after the
// other at once would have shown.
struct ListingSortJob {
  uint64_t number = 0;
  int key_column = 0;
  bool as_number = false;
  bool ascending = true;
};
struct ListingSortChain {
  std::shared_ptr<const ListingTable> table;
  std::mutex mutex;
  std::deque<ListingSortJob> jobs;
  bool running = false;
  // The order the jobs taken so far leave. The user-interface thread sets
  // it only while no sort is in flight; otherwise the worker owns it.
  std::vector<uint32_t> order;
  // What the sorts of each column need besides the records, made by the
  // worker at the first sort of the column.
  ListingSortMemo memo;
  // Per column, whether some record lacks its key (SomeRecordLacksKey),
  // found at the first click on it. User-interface thread.
  std::array<std::optional<bool>, kDetailsColumn> lacking;
};

namespace {

// The order of a finished sort back on the user-interface thread: shown
// when it is the latest sort of the rows the grid still has.
void TakeOffUiSort(ui::Grid& grid, const std::shared_ptr<ListingSortChain>& chain, uint64_t number,
                   std::vector<uint32_t>&& sorted) {
  ListingRowSource* source = ListingSourceOf(grid);
  if (source == nullptr || source->off_ui_sorts().chain != chain) {
    // The rows were replaced (a refresh, a write): their sorts are void.
    if (source == nullptr || source->off_ui_sorts().in_flight == 0) grid.SetBusy(false);
    return;
  }
  OffUiSorts& sorts = source->off_ui_sorts();
  --sorts.in_flight;
  if (number == sorts.latest) ShowSortedListingOrder(grid, *source, std::move(sorted));
  if (sorts.in_flight == 0) grid.SetBusy(false);
}

void RunListingSortChain(ui::Platform& platform, ui::Grid* grid,
                         std::shared_ptr<ListingSortChain> chain) {
  while (true) {
    ListingSortJob job;
    {
      std::lock_guard lock(chain->mutex);
      if (chain->jobs.empty()) {
        chain->running = false;
        return;
      }
      job = chain->jobs.front();
      chain->jobs.pop_front();
    }
    // Case-insensitive, as a header click sorts.
    std::vector<uint32_t> sorted =
        TypedSortedListingOrder(*chain->table, chain->order, job.key_column, job.as_number, false,
                                job.ascending, &chain->memo);
    chain->order = sorted;
    platform.PostToUi([grid, chain, number = job.number, sorted = std::move(sorted)]() mutable {
      TakeOffUiSort(*grid, chain, number, std::move(sorted));
    });
  }
}

}  // namespace

int SortListingRowsOffUi(ui::Platform& platform, ui::Grid& grid, ListingRowSource& source,
                         int key_column, int kind, bool ascending, bool empty_listing_keys_lowest) {
  const bool as_number = kind == kSortAsNumber;
  OffUiSorts& sorts = source.off_ui_sorts();
  if (!sorts.chain) {
    sorts.chain = std::make_shared<ListingSortChain>();
    sorts.chain->table = source.shared_table();
  }
  if (!TypedListingKey(key_column, as_number)) return kSortBadKind;
  std::optional<bool>& lacking = sorts.chain->lacking[static_cast<size_t>(key_column)];
  if (!lacking) lacking = SomeRecordLacksKey(source.table(), key_column, as_number);
  const int checked = CheckTypedListingKeys(source.table(), source.order(), key_column, as_number,
                                            empty_listing_keys_lowest, lacking);
  if (checked != kSortDone) return checked;
  const std::shared_ptr<ListingSortChain>& chain = sorts.chain;
  bool start = false;
  {
    std::lock_guard lock(chain->mutex);
    if (sorts.in_flight == 0) chain->order = source.order();
    chain->jobs.push_back(ListingSortJob{++sorts.latest, key_column, as_number, ascending});
    start = !chain->running;
    chain->running = true;
  }
  ++sorts.in_flight;
  grid.SetBusy(true);
  if (start)
    platform.StartWorker(
        [&platform, grid = &grid, chain] { RunListingSortChain(platform, grid, chain); });
  return kSortDone;
}

std::vector<uint32_t> SortedKeyOrder(std::span<const std::string_view> keys, bool as_number,
                                     bool case_sensitive, bool ascending) {
  std::vector<uint32_t> order(keys.size());
  std::iota(order.begin(), order.end(), 0u);
  if (as_number) {
    SortAsNumbers(keys, order);
  } else {
    SortAsText(keys, case_sensitive, order);
  }
  if (!ascending) std::reverse(order.begin(), order.end());
  return order;
}

int SortGridRows(ui::Grid& grid, int shown_row_count, int key_column, int kind, bool case_sensitive,
                 bool ascending, std::optional<int> first_row_arg, std::optional<int> last_row_arg,
                 std::optional<int> first_column_arg, std::optional<int> last_column_arg,
                 bool empty_listing_keys_lowest) {
  if (kind < 1 || kind > 7) return kSortBadKind;
  const int first_row = first_row_arg.value_or(1);
  if (first_row < 0 || first_row >= shown_row_count) return kSortBadFirstRow;
  const int last_row = last_row_arg.value_or(shown_row_count - 1);
  // Rows past the grid's end cannot be read: refused like any bad last row.
  if (last_row < 0 || last_row >= shown_row_count || last_row >= grid.RowCount())
    return kSortBadLastRow;
  if (first_row > last_row) return kSortBadOrder;
  const int first_column = first_column_arg.value_or(0);
  if (first_column < 0 || first_column >= grid.ColumnCount()) return kSortBadFirstColumn;
  const int last_column = last_column_arg.value_or(grid.ColumnCount() - 1);
  if (last_column < 0 || last_column >= grid.ColumnCount()) return kSortBadLastColumn;
  if (first_column > last_column) return kSortBadOrder;

  // A block of every listing row and every column of a listing source is
  // sorted on the records; a block with a blank row is refused below, any
  // other block turns the rows into cells first.
  if (ListingRowSource* source = ListingSourceOf(grid)) {
    // The key cell of a blank row is empty, and no blank row holds a listing.
    if (last_row > source->count()) return kSortEmptyKey;
    if (first_row == 1 && last_row == source->count() && first_column == 0 &&
        last_column == grid.ColumnCount() - 1 && grid.ColumnCount() == kListingColumnCount)
      return SortListingSource(grid, *source, key_column, kind, case_sensitive, ascending,
                               empty_listing_keys_lowest);
  }
  // The keys below are views into the cells.
  grid.MaterialiseSource();

  std::vector<std::string_view> keys;
  keys.reserve(static_cast<size_t>(last_row - first_row + 1));
  for (int r = first_row; r <= last_row; ++r) {
    const std::string& key = grid.Text(r, key_column);
    if (key.empty()) {
      const bool listing_without_key =
          empty_listing_keys_lowest && kind == kSortAsNumber && !grid.Text(r, kDateColumn).empty();
      if (!listing_without_key) return kSortEmptyKey;
    }
    keys.push_back(key);
  }
  const std::vector<uint32_t> order =
      SortedKeyOrder(keys, kind == kSortAsNumber, case_sensitive, ascending);
  keys.clear();  // the views die with the moves below

  ui::Grid::UpdateScope scope(grid);
  PermuteRows(grid, first_row, first_column, last_column, order);
  // What a sort writes back is text and background; number flags and text
  // colours of the block go back to the defaults.
  for (int r = first_row; r <= last_row; ++r) {
    std::span<ui::Cell> row = grid.MutableRow(r);
    for (int c = first_column; c <= last_column; ++c) {
      ui::Cell& cell = row[static_cast<size_t>(c)];
      cell.is_number = 0;
      cell.SetTextColour(std::nullopt);
    }
  }
  grid.NotifyRows(first_row, last_row);
  ApplyGridColours(grid);
  return kSortDone;
}

ui::Colour FigureColour(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  return negative ? kNegativeColour : kPositiveColour;
}

void ColourFigureCells(std::span<ui::Cell> row) {
  for (int c : {kNetColumn, kStrengthColumn}) {
    if (static_cast<size_t>(c) >= row.size()) continue;
    ui::Cell& cell = row[static_cast<size_t>(c)];
    cell.SetTextColour(FigureColour(cell.text));
  }
}

void ApplyGridColours(ui::Grid& grid) {
  ui::Grid::UpdateScope scope(grid);
  if (ListingRowSource* source = ListingSourceOf(grid)) {
    source->set_coloured(true);
    grid.NotifySourceChanged(1, grid.RowCount() - 1);
    grid.SetStriping(ui::Striping{true, ui::kWhite, ui::kEvenRowColour});
    return;
  }
  for (int r = 1; r < grid.RowCount(); ++r) ColourFigureCells(grid.MutableRow(r));
  grid.NotifyRows(1, grid.RowCount() - 1);
  grid.SetStriping(ui::Striping{true, ui::kWhite, ui::kEvenRowColour});
}

int SortArrowLeft(const ui::ListingPages& pages, const ui::Grid& grid, int column) {
  // The grid's place is relative to its frame, the frame's to the tab
  // control, the tab control's to the window.
  int left = grid.place().left;
  for (const ui::Component* c = grid.container(); c != nullptr && c != &pages.window;
       c = c->container())
    left += c->place().left;
  for (int c = 0; c <= column; ++c) left += grid.ColumnWidth(c);
  // The arrow stands inside the column, against its right edge.
  return left - pages.透明标签_排序标.place().width;
}

void SortByClickedColumn(const ListingScope& scope, ui::Grid& grid, bool ascending) {
  const int column = grid.CurrentColumn();
  const int kind = column < 4 ? kSortAsText : column < 8 ? kSortAsNumber : 0;
  // A header click makes row 1 of the column current; anything else is not
  // a header click.
  if (grid.CurrentRow() != 1) return;
  // A listing without a strength (no turnover) still sorts, below every
  // strength.
  const bool lowest = column == kStrengthColumn;
  // Many listings are sorted on a worker: the block is every listing row and
  // column, so the checks of SortGridRows all hold.
  ListingRowSource* source = ListingSourceOf(grid);
  if (source != nullptr && source->count() >= source->off_ui_sorts().from_rows &&
      source->count() > 0 && scope.state.shown_row_count - 1 == source->count() &&
      grid.ColumnCount() == kListingColumnCount && TypedListingKey(column, kind == kSortAsNumber)) {
    SortListingRowsOffUi(scope.platform, grid, *source, column, kind, ascending, lowest);
  } else {
    SortGridRows(grid, scope.state.shown_row_count, column, kind, false, ascending, std::nullopt,
                 std::nullopt, std::nullopt, std::nullopt, lowest);
  }
  if (int* remembered = RememberedDirection(scope, grid)) *remembered = ascending ? 1 : 0;
  ui::Label& arrow = scope.pages.透明标签_排序标;
  arrow.SetCaption(Arrow(ascending));
  arrow.SetLeft(SortArrowLeft(scope.pages, grid, column));
}

void SortByClickedColumn(program::ProgramContext& ctx, ui::Grid& grid, bool ascending) {
  SortByClickedColumn(ListingScope::Of(ctx), grid, ascending);
}

void OnListingHeaderClicked(const ListingScope& scope, ui::Grid& grid) {
  const int* remembered = RememberedDirection(scope, grid);
  const bool ascending = !(remembered != nullptr && *remembered == 1);
  SortByClickedColumn(scope, grid, ascending);
}

void OnListingHeaderClicked(program::ProgramContext& ctx, ui::Grid& grid) {
  OnListingHeaderClicked(ListingScope::Of(ctx), grid);
}

}  // namespace listing
