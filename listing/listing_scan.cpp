#include "listing/listing_scan.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
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
      (count % 3 == 2 ? listing.buying : listing.selling) += amount;
    } else {
      end = SeatPieceEnd(s, n, begin);
      if (count == 1 && first_value) first_value->assign(block.substr(begin, end - begin));
    }
    begin = end + 1;
  }
  if (first_value) listing.buy_block_values = count;
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
  std::string bytes;
  std::vector<CopiedListing> listings;
};
// A batch holds a few thousand listings (about four megabytes), and at most four
// are in flight: enough for the two threads to keep each other busy.
constexpr size_t kBatchListings = 4096;
constexpr size_t kBatchesInFlight = 4;

// Full batches from the reader to the visitor in order, empty ones back.
class BatchHandover {
 public:
  // The reader: an empty batch to fill; null once the visitor stopped.
  std::unique_ptr<ListingBatch> TakeEmpty() {
    std::unique_lock lock(mutex_);
    if (made_ < kBatchesInFlight && empty_.empty()) {
      ++made_;
      return std::make_unique<ListingBatch>();
    }
    changed_.wait(lock, [&] { return stopped_ || !empty_.empty(); });
    if (stopped_) return nullptr;
    auto batch = std::move(empty_.back());
    empty_.pop_back();
    return batch;
  }
  void PutFull(std::unique_ptr<ListingBatch> batch) {
    std::lock_guard lock(mutex_);
    full_.push_back(std::move(batch));
    changed_.notify_all();
  }
  // The reader is done (read everything, failed or was stopped).
  void Finish(std::optional<store::StoreError> error) {
    std::lock_guard lock(mutex_);
    error_ = std::move(error);
    finished_ = true;
    changed_.notify_all();
  }
  void SetRecordCount(int64_t count) {
    std::lock_guard lock(mutex_);
    record_count_ = count;
  }

  // The visitor: the next full batch; null when the reader finished and
  // nothing is left.
  std::unique_ptr<ListingBatch> TakeFull(int64_t* record_count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return finished_ || !full_.empty(); });
    if (record_count) *record_count = record_count_;
    if (full_.empty()) return nullptr;
    auto batch = std::move(full_.front());
    full_.erase(full_.begin());
    return batch;
  }
  void PutEmpty(std::unique_ptr<ListingBatch> batch) {
    batch->bytes.clear();
    batch->listings.clear();
    std::lock_guard lock(mutex_);
    empty_.push_back(std::move(batch));
    changed_.notify_all();
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }
  bool stopped() {
    std::lock_guard lock(mutex_);
    return stopped_;
  }
  std::optional<store::StoreError> error() {
    std::lock_guard lock(mutex_);
    return error_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<ListingBatch>> full_, empty_;
  size_t made_ = 0;
  bool stopped_ = false;
  bool finished_ = false;
  int64_t record_count_ = 0;
  std::optional<store::StoreError> error_;
};

void CopyInto(ListingBatch& batch, store::StoreAccess& access, std::span<const int> fields) {
  CopiedListing& copied = batch.listings.emplace_back();
  copied.record_number = access.CurrentRecordNumber();
  for (size_t k = 0; k < fields.size(); ++k) {
    copied.begin[k] = static_cast<uint32_t>(batch.bytes.size());
    batch.bytes.append(access.FieldView(fields[k]));
  }
  copied.begin[fields.size()] = static_cast<uint32_t>(batch.bytes.size());
}

}  // namespace

std::optional<store::StoreError> ForEachStoredRecordInParallel(
    store::Store& store, const std::vector<int64_t>* record_numbers, std::span<const int> fields,
    const CopiedFieldsVisitor& visit, int64_t* record_count) {
  if (fields.size() > kMostCopiedFields) fields = fields.first(kMostCopiedFields);
  BatchHandover handover;
  std::thread reader([&] {
    std::unique_ptr<ListingBatch> batch;
    bool first = true;
    int64_t count_read = 0;  // the reader's own: the caller's belongs to the visiting thread
    auto error = ForEachStoredRecord(
        store, record_numbers,
        [&](store::StoreAccess& access) {
          if (!batch) {
            // The count is known once the store is open, before any listing.
            if (first) handover.SetRecordCount(count_read);
            first = false;
            batch = handover.TakeEmpty();
            if (!batch) return false;
            batch->listings.reserve(kBatchListings);
          }
          CopyInto(*batch, access, fields);
          if (batch->listings.size() == kBatchListings) {
            handover.PutFull(std::move(batch));
            if (handover.stopped()) return false;
          }
          return true;
        },
        &count_read);
    if (batch && !batch->listings.empty()) handover.PutFull(std::move(batch));
    if (first) handover.SetRecordCount(count_read);
    handover.Finish(std::move(error));
  });

  int64_t count = 0;
  std::array<std::string_view, kMostCopiedFields> views;
  const std::span<const std::string_view> copied_fields(views.data(), fields.size());
  while (auto batch = handover.TakeFull(&count)) {
    if (record_count) *record_count = count;
    bool go_on = true;
    const std::string_view bytes = batch->bytes;
    for (const CopiedListing& copied : batch->listings) {
      for (size_t k = 0; k < fields.size(); ++k)
        views[k] = bytes.substr(copied.begin[k], copied.begin[k + 1] - copied.begin[k]);
      if (!visit(copied_fields, copied.record_number)) {
        go_on = false;
        break;
      }
    }
    handover.PutEmpty(std::move(batch));
    if (!go_on) {
      handover.Stop();
      break;
    }
  }
  reader.join();
  if (record_count) *record_count = count;
  return handover.error();
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
