#include "listing/listing_scan.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <span>
#include <thread>

#include "text/numbers.h"
#include "text/text_ops.h"

namespace listing {
namespace {

constexpr int kBlockValues = 15;  // five Seats: name, buying, selling
constexpr uint64_t kHighBits = 0x8080808080808080ull;
constexpr uint64_t kLowBits = 0x0101010101010101ull;
constexpr uint64_t kBars = kLowBits * '|';
// The word steps below read the first byte from the lowest bits.
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

uint64_t Word(const unsigned char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}
// The high bit of each zero byte of w (and possibly of bytes above the first
// zero byte, which the callers never look at). Little-endian words: the
// lowest set bit is the first byte.
uint64_t ZeroBytes(uint64_t w) {
  return (w - kLowBits) & ~w & kHighBits;
}

// The separator that ends the piece of a Seat block starting at `i` (a
// character boundary): the index of the next "|" that is not the trail byte
// of a double-byte character, or n. A byte of 0x80 or above starts a
// double-byte character, whose trail byte is never a separator (the
// boundaries text::SplitText keeps). A run of such bytes is measured first
// and then paired off: an even run is whole characters, an odd one takes
// the byte after it as its last trail. Stepping character by character
// would make every step wait for the byte before it.
size_t SeatPieceEnd(const unsigned char* s, size_t n, size_t i) {
  while (i < n) {
    if (s[i] < 0x80) {
      // Eight single-byte characters at a time up to a separator or a
      // double-byte character.
      while (kLittleEndian && i + 8 <= n) {
        const uint64_t stop = (Word(s + i) & kHighBits) | ZeroBytes(Word(s + i) ^ kBars);
        if (stop != 0) {
          i += static_cast<size_t>(std::countr_zero(stop)) / 8;
          break;
        }
        i += 8;
      }
      if (i >= n) break;
      if (s[i] == '|') return i;
      if (s[i] < 0x80) {
        ++i;
        continue;
      }
    }
    // A run of bytes of 0x80 and above, eight at a time.
    size_t j = i + 1;
    while (kLittleEndian && j + 8 <= n) {
      const uint64_t low = ~Word(s + j) & kHighBits;
      if (low != 0) {
        j += static_cast<size_t>(std::countr_zero(low)) / 8;
        break;
      }
      j += 8;
    }
    while (j < n && s[j] >= 0x80) ++j;
    i = (j - i) % 2 == 0 ? j : j + 1;
  }
  return n;
}

// Walks the pieces of a Seat block up to the fifteenth; returns how many
// pieces the whole block has ("|"-separated, empty pieces kept, an empty
// last remainder dropped).
template <typename Visit>
int ForEachSeatValue(std::string_view block, Visit visit) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(block.data());
  const size_t n = block.size();
  int count = 0;
  for (size_t begin = 0; begin < n;) {
    const size_t end = SeatPieceEnd(s, n, begin);
    ++count;
    if (count <= kBlockValues) visit(count, block.substr(begin, end - begin));
    begin = end + 1;
  }
  return count;
}

constexpr double kAmountScales[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// An amount read straight from the block at `begin`, as AmountFromText
// reads the piece there: a plain figure of 1 to 15 digits ended by a
// separator or the block's end, which `end` receives. False for anything
// else, which the piece is then walked and read for.
bool PlainAmountAt(const unsigned char* s, size_t n, size_t begin, double& value, size_t& end) {
  size_t p = begin;
  const bool negative = p < n && s[p] == '-';
  if (negative) ++p;
  const size_t first_digit = p;
  uint64_t mantissa = 0;
  while (p < n && static_cast<unsigned>(s[p] - '0') < 10)
    mantissa = mantissa * 10 + static_cast<unsigned>(s[p++] - '0');
  size_t digits = p - first_digit;
  size_t decimals = 0;
  if (p < n && s[p] == '.') {
    const size_t first_decimal = ++p;
    while (p < n && static_cast<unsigned>(s[p] - '0') < 10)
      mantissa = mantissa * 10 + static_cast<unsigned>(s[p++] - '0');
    decimals = p - first_decimal;
    digits += decimals;
  }
  if ((p < n && s[p] != '|') || digits == 0 || digits > 15) return false;
  const double x = static_cast<double>(mantissa) / kAmountScales[decimals];
  value = negative ? -x : x;
  end = p;
  return true;
}

// Adds a block's buying amounts (values 2, 5, 8, 11, 14) and selling ones
// (3, 6, 9, 12, 15) to the listing's sums in that order, each read where
// the walk meets it; with first_value, keeps value 1 there and the block's
// piece count in buy_block_values.
void AddAmounts(std::string_view block, ScannedListing& listing, std::string* first_value) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(block.data());
  const size_t n = block.size();
  // The sums stay in registers for the walk (the listing's fields could
  // alias the first value's text, so the compiler would store each step).
  double buying = listing.buying;
  double selling = listing.selling;
  std::string_view first;
  int count = 0;
  for (size_t begin = 0; begin < n;) {
    ++count;
    size_t end;
    if (count <= kBlockValues && count % 3 != 1) {
      double amount;
      if (!PlainAmountAt(s, n, begin, amount, end)) {
        end = SeatPieceEnd(s, n, begin);
        amount = AmountFromText(block.substr(begin, end - begin));
      }
      if (count % 3 == 2) {
        buying += amount;
      } else {
        selling += amount;
      }
    } else {
      end = SeatPieceEnd(s, n, begin);
      if (count == 1) first = block.substr(begin, end - begin);
    }
    begin = end + 1;
  }
  listing.buying = buying;
  listing.selling = selling;
  if (first_value) {
    first_value->assign(first);
    listing.buy_block_values = count;
  }
}

// What the statistics keep of a stored listing: its texts copied, the
// Seat blocks taken apart into the first buying Seat and the two sums.
void Take(const StoredListing& stored, ScannedListing& listing) {
  listing.row.date.assign(stored.date);
  listing.row.stock_name.assign(stored.name);
  listing.row.stock_code.assign(stored.code);
  listing.row.record_number = stored.record_number;
  listing.turnover = TurnoverFromText(stored.turnover);
  AddAmounts(stored.buy_block, listing, &listing.row.first_buy_seat);
  AddAmounts(stored.sell_block, listing, nullptr);
}

}  // namespace

// Up to 15 digits make an exact integer, and one division by an exact power
// of ten rounds correctly, as the general reading does. Anything else takes
// the general way.
double AmountFromText(std::string_view t) {
  static constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = t.data();
  const char* const end = p + t.size();
  const bool negative = p != end && *p == '-';
  if (negative) ++p;
  const char* const first_digit = p;
  uint64_t mantissa = 0;
  while (p != end && static_cast<unsigned>(*p - '0') < 10)
    mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
  size_t digits = static_cast<size_t>(p - first_digit);
  size_t decimals = 0;
  if (p != end && *p == '.') {
    const char* const first_decimal = ++p;
    while (p != end && static_cast<unsigned>(*p - '0') < 10)
      mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
    decimals = static_cast<size_t>(p - first_decimal);
    digits += decimals;
  }
  // Digits beyond 15 may have wrapped the integer: the general way then.
  if (p != end || digits == 0 || digits > 15) return text::NumberFromText(t);
  const double value = static_cast<double>(mantissa) / kPowers[decimals];
  return negative ? -value : value;
}

double TurnoverFromText(std::string_view t) {
  // Plain ASCII with commas: drop them here; anything else (the full-width
  // comma, blanks, full-width digits) takes the general way.
  char buf[32];
  size_t length = 0;
  for (char c : t) {
    if (static_cast<unsigned char>(c) >= 0x80 || length == sizeof buf)
      return text::NumberFromTextSkippingSeparators(t);
    if (c != ',') buf[length++] = c;
  }
  return AmountFromText(std::string_view(buf, length));
}

void TakeSeatBlocks(std::string_view buy_block, std::string_view sell_block,
                    ScannedListing& listing) {
  listing.buying = 0;
  listing.selling = 0;
  listing.row.first_buy_seat.clear();
  AddAmounts(buy_block, listing, &listing.row.first_buy_seat);
  AddAmounts(sell_block, listing, nullptr);
}

std::optional<store::StoreError> ForEachStoredRecord(store::Store& store,
                                                     const std::vector<int64_t>* record_numbers,
                                                     const StoredRecordVisitor& visit,
                                                     int64_t* record_count) {
  store::StoreAccess access = store.OpenStore();
  if (!access.ok()) return access.error().value_or(store::StoreError{});
  access.GoToFirst();
  if (record_count) *record_count = access.RecordCount();
  const int64_t n =
      record_numbers ? static_cast<int64_t>(record_numbers->size()) : access.RecordCount();
  for (int64_t i = 0; i < n && access.ok(); ++i) {
    if (record_numbers) access.GoToRecord((*record_numbers)[static_cast<size_t>(i)]);
    if (!visit(access)) break;
    access.Skip(1);
  }
  std::optional<store::StoreError> failure = access.error();
  std::optional<store::StoreError> closing = access.CloseStore();
  return failure ? failure : closing;
}

std::optional<store::StoreError> ForEachStoredListing(store::Store& store,
                                                      const std::vector<int64_t>* record_numbers,
                                                      const ListingVisitor& visit,
                                                      int64_t* record_count) {
  StoredListing listing;
  return ForEachStoredRecord(
      store, record_numbers,
      [&](store::StoreAccess& access) {
        // The views of one record stay valid until the access moves on.
        listing.date = access.FieldView(store::kDate);
        listing.name = access.FieldView(store::kName);
        listing.code = access.FieldView(store::kCode);
        listing.turnover = access.FieldView(store::kTurnover);
        listing.reason = access.FieldView(store::kReason);
        listing.buy_block = access.FieldView(store::kBuySeats);
        listing.sell_block = access.FieldView(store::kSellSeats);
        listing.record_number = access.CurrentRecordNumber();
        return visit(listing);
      },
      record_count);
}

namespace {

// The fields a pass asked for, copied back to back into one buffer.
constexpr size_t kMostCopiedFields = store::kFieldCount;
struct CopiedListing {
  int64_t record_number = 0;
  uint32_t begin[kMostCopiedFields + 1] = {};  // field k is bytes begin[k]..begin[k + 1]
};
struct ListingBatch {
  std::unique_ptr<char[]> bytes;
  size_t used = 0;
  size_t capacity = 0;
  std::vector<CopiedListing> listings;

  // Room for `more` bytes after the used ones; the buffer only grows, so
  // after the first turns of the ring nothing is allocated.
  char* Room(size_t more) {
    if (used + more > capacity) {
      const size_t grown = std::max({capacity * 2, used + more, size_t{1} << 18});
      auto larger = std::make_unique_for_overwrite<char[]>(grown);
      if (used > 0) std::memcpy(larger.get(), bytes.get(), used);
      bytes = std::move(larger);
      capacity = grown;
    }
    return bytes.get() + used;
  }
};
// A batch holds about a thousand listings (under a megabyte), and the ring
// has eight: the visitor finds the reader's bytes still in a cache, and is
// woken once per half ring.
constexpr size_t kBatchListings = 1024;
constexpr uint32_t kBatchRing = 8;

// The batches a pass hands from the reader to the visitor, made once per
// pass and used in turn. Each side counts its own batches; a side sleeps
// only when the ring is full (the reader) or empty (the visitor), after
// the brief spin of an atomic wait. The reader wakes a sleeping visitor
// once half the ring is waiting for it, or when it finishes, so a visitor
// that keeps up is woken once per half ring, not per batch.
class BatchRing {
 public:
  // The reader: the next batch to fill; null once the visitor stopped.
  ListingBatch* NextEmpty() {
    for (;;) {
      const uint32_t returned = returned_.load(std::memory_order_acquire);
      if (stopped_.load(std::memory_order_acquire)) return nullptr;
      if (handed_ - returned < kBatchRing) return &batches_[handed_ % kBatchRing];
      returned_.wait(returned, std::memory_order_acquire);
    }
  }
  // The reader: the batch NextEmpty gave is full.
  void HandOn() {
    ++handed_;
    filled_.store(handed_, std::memory_order_release);
    if (handed_ - returned_.load(std::memory_order_acquire) >= kBatchRing / 2) WakeVisitor();
  }
  // The reader is done (read everything, failed or was stopped); nothing
  // is handed on after this.
  void Finish() {
    finished_.store(true, std::memory_order_release);
    WakeVisitor();
  }
  void SetRecordCount(int64_t count) { record_count_ = count; }
  bool stopped() const { return stopped_.load(std::memory_order_acquire); }

  // The visitor: the next full batch; null when the reader finished and
  // every batch was taken. The record count is set once this returned.
  ListingBatch* NextFull() {
    for (;;) {
      const uint32_t signal = signal_.load(std::memory_order_acquire);
      if (filled_.load(std::memory_order_acquire) != taken_) return &batches_[taken_ % kBatchRing];
      if (finished_.load(std::memory_order_acquire)) {
        // Batches handed on before the reader finished are all seen here.
        if (filled_.load(std::memory_order_acquire) != taken_) continue;
        return nullptr;
      }
      signal_.wait(signal, std::memory_order_acquire);
    }
  }
  // The visitor: the batch NextFull gave is read; it goes back to the reader.
  void GiveBack() {
    ListingBatch& batch = batches_[taken_ % kBatchRing];
    batch.used = 0;
    batch.listings.clear();
    ++taken_;
    returned_.store(taken_, std::memory_order_release);
    returned_.notify_one();
  }
  // The visitor: no more batches are wanted.
  void Stop() {
    stopped_.store(true, std::memory_order_release);
    returned_.fetch_add(1, std::memory_order_release);  // a waiting reader sees a change
    returned_.notify_one();
  }
  // Read by the visitor after a batch or the finish was seen.
  int64_t record_count() const { return record_count_; }

 private:
  void WakeVisitor() {
    signal_.fetch_add(1, std::memory_order_release);
    signal_.notify_one();
  }

  std::array<ListingBatch, kBatchRing> batches_;
  uint32_t handed_ = 0;  // the reader's
  uint32_t taken_ = 0;   // the visitor's
  int64_t record_count_ = 0;  // set by the reader before its first handover or its finish
  std::atomic<uint32_t> filled_{0};
  std::atomic<uint32_t> returned_{0};
  std::atomic<uint32_t> signal_{0};
  std::atomic<bool> finished_{false};
  std::atomic<bool> stopped_{false};
};

void CopyInto(ListingBatch& batch, store::StoreAccess& access, std::span<const int> fields) {
  CopiedListing& copied = batch.listings.emplace_back();
  copied.record_number = access.CurrentRecordNumber();
  std::array<std::string_view, kMostCopiedFields> views;
  size_t size = 0;
  for (size_t k = 0; k < fields.size(); ++k) {
    views[k] = access.FieldView(fields[k]);
    size += views[k].size();
  }
  char* out = batch.Room(size);
  size_t at = batch.used;
  for (size_t k = 0; k < fields.size(); ++k) {
    copied.begin[k] = static_cast<uint32_t>(at);
    if (!views[k].empty()) std::memcpy(out, views[k].data(), views[k].size());
    out += views[k].size();
    at += views[k].size();
  }
  copied.begin[fields.size()] = static_cast<uint32_t>(at);
  batch.used = at;
}

}  // namespace

std::optional<store::StoreError> ForEachStoredRecordInParallel(
    store::Store& store, const std::vector<int64_t>* record_numbers, std::span<const int> fields,
    const CopiedFieldsVisitor& visit, int64_t* record_count) {
  if (fields.size() > kMostCopiedFields) fields = fields.first(kMostCopiedFields);
  auto ring = std::make_unique<BatchRing>();
  std::optional<store::StoreError> error;
  std::thread reader([&] {
    ListingBatch* batch = nullptr;
    bool counted = false;
    int64_t count_read = 0;  // the reader's own: the caller's belongs to the visiting thread
    error = ForEachStoredRecord(
        store, record_numbers,
        [&](store::StoreAccess& access) {
          if (!batch) {
            // The count is known once the store is open, before any listing.
            if (!counted) ring->SetRecordCount(count_read);
            counted = true;
            batch = ring->NextEmpty();
            if (!batch) return false;
            batch->listings.reserve(kBatchListings);
          }
          CopyInto(*batch, access, fields);
          if (batch->listings.size() == kBatchListings) {
            batch = nullptr;
            ring->HandOn();
            if (ring->stopped()) return false;
          }
          return true;
        },
        &count_read);
    if (batch && !batch->listings.empty()) ring->HandOn();
    if (!counted) ring->SetRecordCount(count_read);
    ring->Finish();
  });

  bool counted = false;
  std::array<std::string_view, kMostCopiedFields> views;
  const std::span<const std::string_view> copied_fields(views.data(), fields.size());
  while (ListingBatch* batch = ring->NextFull()) {
    if (!counted && record_count) *record_count = ring->record_count();
    counted = true;
    bool go_on = true;
    const std::string_view bytes(batch->bytes.get(), batch->used);
    for (const CopiedListing& copied : batch->listings) {
      for (size_t k = 0; k < fields.size(); ++k)
        views[k] = bytes.substr(copied.begin[k], copied.begin[k + 1] - copied.begin[k]);
      if (!visit(copied_fields, copied.record_number)) {
        go_on = false;
        break;
      }
    }
    ring->GiveBack();
    if (!go_on) {
      ring->Stop();
      break;
    }
  }
  reader.join();
  if (record_count) *record_count = ring->record_count();
  return error;
}

std::optional<store::StoreError> ForEachStoredListingInParallel(
    store::Store& store, const std::vector<int64_t>* record_numbers, const ListingVisitor& visit,
    int64_t* record_count) {
  static constexpr int kListingFields[] = {store::kDate,     store::kName,     store::kCode,
                                           store::kTurnover, store::kBuySeats, store::kSellSeats,
                                           store::kReason};
  StoredListing stored;
  return ForEachStoredRecordInParallel(
      store, record_numbers, kListingFields,
      [&](std::span<const std::string_view> fields, int64_t record_number) {
        stored.record_number = record_number;
        stored.date = fields[0];
        stored.name = fields[1];
        stored.code = fields[2];
        stored.turnover = fields[3];
        stored.buy_block = fields[4];
        stored.sell_block = fields[5];
        stored.reason = fields[6];
        return visit(stored);
      },
      record_count);
}

std::optional<store::StoreError> ForEachStoredRecordFields(store::Store& store, bool in_parallel,
                                                           const RecordFieldsVisitor& visit,
                                                           int64_t* record_count) {
  static constexpr int kAllNineFields[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  static_assert(std::size(kAllNineFields) == store::kFieldCount);
  StoredRecordFields listing;
  if (in_parallel) {
    return ForEachStoredRecordInParallel(
        store, nullptr, kAllNineFields,
        [&](std::span<const std::string_view> fields, int64_t record_number) {
          std::copy(fields.begin(), fields.end(), listing.fields.begin());
          listing.record_number = record_number;
          return visit(listing);
        },
        record_count);
  }
  return ForEachStoredRecord(
      store, nullptr,
      [&](store::StoreAccess& access) {
        for (int f = 1; f <= store::kFieldCount; ++f)
          listing.fields[static_cast<size_t>(f - 1)] = access.FieldView(f);
        listing.record_number = access.CurrentRecordNumber();
        return visit(listing);
      },
      record_count);
}

ScannedListing Summarise(const StoredListing& stored) {
  ScannedListing listing;
  Take(stored, listing);
  ComputeFigures(listing);
  return listing;
}

SeatBlock ReadSeatBlock(std::string_view block) {
  SeatBlock out;
  out.values = ForEachSeatValue(block, [&](int k, std::string_view value) {
    SeatEntry& seat = out.seats[static_cast<size_t>((k - 1) / 3)];
    switch (k % 3) {
      case 1:
        seat.name = value;
        out.count = (k - 1) / 3 + 1;
        break;
      case 2:
        seat.buy = AmountFromText(value);
        break;
      default:
        seat.sell = AmountFromText(value);
        break;
    }
  });
  return out;
}

ListingScan ScanListings(store::Store& store, const std::vector<int64_t>* record_numbers) {
  ListingScan scan;
  // The Seat blocks are taken apart here while the reader reads on.
  auto error = ForEachStoredListingInParallel(
      store, record_numbers,
      [&](const StoredListing& stored) {
        if (scan.listings.empty())
          scan.listings.reserve(static_cast<size_t>(
              record_numbers ? static_cast<int64_t>(record_numbers->size()) : scan.record_count));
        Take(stored, scan.listings.emplace_back());
        return true;
      },
      &scan.record_count);
  if (error) {
    scan.listings.clear();
    scan.error = error;
  }
  return scan;
}

void ComputeFigures(ScannedListing& listing) {
  ListingRow& row = listing.row;
  row.buy_total = text::RoundHalfAway(listing.buying / 10000, 2);
  row.sell_total = text::RoundHalfAway(listing.selling / 10000, 2);
  // The difference of two 2-decimal values carries the binary error of
  // both (100.01 - 99.99 = 0.02000000000001): rounded again, it shows as
  // the 2-decimal figure it is.
  row.net = text::RoundHalfAway(row.buy_total - row.sell_total, 2);
  row.strength.reset();
  if (listing.turnover != 0 && std::isfinite(listing.turnover)) {
    const double strength = text::RoundHalfAway(row.net / listing.turnover, 3);
    if (std::isfinite(strength)) row.strength = strength;
  }
}

}  // namespace listing
