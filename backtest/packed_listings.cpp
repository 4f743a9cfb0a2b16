#include "backtest/packed_listings.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "listing/listing_scan.h"
#include "store/packed_listings.h"
#include "store/varint.h"

namespace backtest {
namespace {

// The first byte of a pack: its layout. A pack of another layout is read
// from the table instead.
constexpr uint8_t kListingPackLayout = 1;

// Flags of a packed listing.
constexpr uint8_t kPackedDayRead = 1;   // its date is a date: the day follows
constexpr uint8_t kPackedStrength = 2;  // it has a strength: the number follows

using store::PutVarint;
using store::Zigzag;

// A number exactly as it is: a whole number, or hundredths or thousandths
// (amounts in yuan with fen, strengths to three places) as a small varint
// when dividing it back gives the very same bits; any other as its eight
// bytes. The low two bits of the varint say which.
constexpr double kListingPackScales[3] = {1, 100, 1000};

double ListingPackScaled(int64_t k, int tag) {
  return tag == 0 ? static_cast<double>(k) : static_cast<double>(k) / kListingPackScales[tag];
}

void ListingPackPutNumber(double v, std::string* out) {
  for (int tag = 0; tag < 3; ++tag) {
    const double scaled = v * kListingPackScales[tag];
    if (!(std::fabs(scaled) < 4.0e15)) break;  // NaN and the too large too
    const int64_t k = std::llround(scaled);
    const double back = ListingPackScaled(k, tag);
    if (std::memcmp(&back, &v, sizeof v) == 0) {
      PutVarint((Zigzag(k) << 2) | static_cast<uint64_t>(tag), out);
      return;
    }
  }
  PutVarint(3, out);
  char bytes[sizeof v];
  std::memcpy(bytes, &v, sizeof v);
  out->append(bytes, sizeof v);
}

// One chunk's listings as they are read from the table, packed: the
// texts once each (codes, names, reasons, Seat names), then per listing
// its flags, day (as the change from the listing before), texts as
// numbers, strength and the Seats of both blocks with their amounts in
// yuan as the blocks give them.
class ListingPackWriter {
 public:
  void Add(const listing::StoredListing& s) {
    ++count_;
    const std::optional<DayNumber> day = DayNumberOfText(s.date);
    figures_.turnover = listing::TurnoverFromText(s.turnover);
    listing::TakeSeatBlocks(s.buy_block, s.sell_block, figures_);
    listing::ComputeFigures(figures_);
    const std::optional<double>& strength = figures_.row.strength;
    body_.push_back(static_cast<char>((day ? kPackedDayRead : 0) |
                                      (strength ? kPackedStrength : 0)));
    if (day) {
      PutVarint(Zigzag(static_cast<int64_t>(*day) - last_day_), &body_);
      last_day_ = *day;
    }
    PutVarint(TextId(s.code), &body_);
    PutVarint(TextId(s.name), &body_);
    PutVarint(TextId(s.reason), &body_);
    if (strength) ListingPackPutNumber(*strength, &body_);
    for (std::string_view block : {s.buy_block, s.sell_block}) {
      const listing::SeatBlock seats = listing::ReadSeatBlock(block);
      int named = 0;
      for (int i = 0; i < seats.count; ++i)
        if (!seats.seats[static_cast<size_t>(i)].name.empty()) ++named;
      PutVarint(static_cast<uint64_t>(named), &body_);
      for (int i = 0; i < seats.count; ++i) {
        const listing::SeatEntry& e = seats.seats[static_cast<size_t>(i)];
        if (e.name.empty()) continue;
        PutVarint(TextId(e.name), &body_);
        ListingPackPutNumber(e.buy, &body_);
        ListingPackPutNumber(e.sell, &body_);
      }
    }
  }

  int64_t count() const { return count_; }

  std::string Finish() const {
    std::string out;
    out.reserve(16 + text_bytes_ + body_.size());
    out.push_back(static_cast<char>(kListingPackLayout));
    PutVarint(texts_.size(), &out);
    for (const std::string& t : texts_) {
      PutVarint(t.size(), &out);
      out += t;
    }
    PutVarint(static_cast<uint64_t>(count_), &out);
    out += body_;
    return out;
  }

 private:
  uint32_t TextId(std::string_view t) {
    if (const auto it = ids_.find(t); it != ids_.end()) return it->second;
    const uint32_t id = static_cast<uint32_t>(texts_.size());
    texts_.emplace_back(t);
    ids_.emplace(texts_.back(), id);
    text_bytes_ += t.size() + 2;
    return id;
  }

  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::vector<std::string> texts_;
  std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> ids_;
  size_t text_bytes_ = 0;
  std::string body_;
  int64_t count_ = 0;
  DayNumber last_day_ = 0;
  listing::ScannedListing figures_;  // reused: its strings keep their room
};

// Walks a pack; every read is checked against its end.
class ListingPackReader {
 public:
  explicit ListingPackReader(std::string_view blob)
      : at_(reinterpret_cast<const uint8_t*>(blob.data())), end_(at_ + blob.size()) {}

  bool Varint(uint64_t* v) { return store::ReadVarint(at_, end_, v); }
  bool Byte(uint8_t* b) {
    if (at_ == end_) return false;
    *b = *at_++;
    return true;
  }
  bool Bytes(size_t n, std::string_view* out) {
    if (static_cast<size_t>(end_ - at_) < n) return false;
    *out = std::string_view(reinterpret_cast<const char*>(at_), n);
    at_ += n;
    return true;
  }
  bool Signed(int64_t* v) { return store::ReadSignedVarint(at_, end_, v); }
  bool Number(double* v) {
    uint64_t u = 0;
    if (!Varint(&u)) return false;
    const int tag = static_cast<int>(u & 3);
    if (tag == 3) {
      std::string_view bytes;
      if (!Bytes(sizeof *v, &bytes)) return false;
      std::memcpy(v, bytes.data(), sizeof *v);
      return true;
    }
    const uint64_t z = u >> 2;
    const int64_t k = static_cast<int64_t>(z >> 1) ^ -static_cast<int64_t>(z & 1);
    *v = ListingPackScaled(k, tag);
    return true;
  }
  bool AtEnd() const { return at_ == end_; }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
};

// One packed listing as decoded; texts as numbers into the pack's texts.
struct PackedListingEntry {
  uint32_t id;
  double buy;
  double sell;
};
struct PackedListing {
  bool day_read = false;
  DayNumber day = 0;
  uint32_t code = 0;
  uint32_t name = 0;
  uint32_t reason = 0;
  std::optional<double> strength;
  int buys = 0;
  int sells = 0;
  PackedListingEntry seats[10];  // the buy block's, then the sell block's
};

// A pack opened: its texts, and its listings one after another.
class PackedChunk {
 public:
  // False for a pack that is not one (another layout, damage).
  bool Open(std::string_view blob, int64_t count) {
    reader_ = ListingPackReader(blob);
    uint8_t layout = 0;
    uint64_t texts = 0;
    if (!reader_.Byte(&layout) || layout != kListingPackLayout || !reader_.Varint(&texts) ||
        texts > blob.size())
      return false;
    texts_.resize(texts);
    for (std::string_view& t : texts_) {
      uint64_t size = 0;
      if (!reader_.Varint(&size) || !reader_.Bytes(size, &t)) return false;
    }
    uint64_t held = 0;
    return reader_.Varint(&held) && held == static_cast<uint64_t>(count);
  }

  bool Next(PackedListing* l) {
    uint8_t flags = 0;
    if (!reader_.Byte(&flags)) return false;
    l->day_read = flags & kPackedDayRead;
    if (l->day_read) {
      int64_t change = 0;
      if (!reader_.Signed(&change)) return false;
      day_ += change;
      if (day_ < INT32_MIN || day_ > INT32_MAX) return false;
      l->day = static_cast<DayNumber>(day_);
    }
    if (!Text(&l->code) || !Text(&l->name) || !Text(&l->reason)) return false;
    l->strength.reset();
    if (flags & kPackedStrength) {
      double s = 0;
      if (!reader_.Number(&s)) return false;
      l->strength = s;
    }
    int at = 0;
    for (int* count : {&l->buys, &l->sells}) {
      uint64_t n = 0;
      if (!reader_.Varint(&n) || n > 5) return false;
      *count = static_cast<int>(n);
      for (uint64_t k = 0; k < n; ++k, ++at) {
        PackedListingEntry& e = l->seats[at];
        if (!Text(&e.id) || !reader_.Number(&e.buy) || !reader_.Number(&e.sell)) return false;
      }
    }
    return true;
  }

  bool AtEnd() const { return reader_.AtEnd(); }
  const std::vector<std::string_view>& texts() const { return texts_; }

 private:
  bool Text(uint32_t* id) {
    uint64_t v = 0;
    if (!reader_.Varint(&v) || v >= texts_.size()) return false;
    *id = static_cast<uint32_t>(v);
    return true;
  }

  ListingPackReader reader_{std::string_view()};
  std::vector<std::string_view> texts_;
  int64_t day_ = 0;
};

// A pack taken apart: its texts as places in the pack's bytes (so that the
// pack can be moved on with them), and its listings.
struct DecodedListingPack {
  std::vector<std::pair<uint32_t, uint32_t>> texts;  // offset and size
  std::vector<PackedListing> listings;
};

// Takes a pack apart; false when it does not read to its end as `count`
// listings.
bool DecodeListingPack(const store::ListingPack& pack, DecodedListingPack* out) {
  // A chunk holds no more listings than rowids.
  if (pack.count < 0 || pack.count > (int64_t{1} << store::kListingChunkShift)) return false;
  PackedChunk chunk;
  if (!chunk.Open(pack.data, pack.count)) return false;
  out->listings.resize(static_cast<size_t>(pack.count));
  for (PackedListing& l : out->listings)
    if (!chunk.Next(&l)) return false;
  if (!chunk.AtEnd()) return false;
  out->texts.clear();
  out->texts.reserve(chunk.texts().size());
  for (std::string_view t : chunk.texts())
    out->texts.emplace_back(static_cast<uint32_t>(t.data() - pack.data.data()),
                            static_cast<uint32_t>(t.size()));
  return true;
}

// The listings of `range` from the packs, in chunk order, as the table
// would give them: those of `numbers` only, when given.
class PackedListingsTaker {
 public:
  PackedListingsTaker(const DayRange& range, const std::vector<int64_t>* numbers,
                      const std::function<bool()>& stop, StoreInput& in, ListingSeatNames& names)
      : range_(range), numbers_(numbers), stop_(stop), in_(in), names_(names) {}

  // False when stopped.
  bool Take(const store::ListingPack& pack) {
    DecodeListingPack(pack, &decoded_);  // checked before
    return Take(pack, decoded_);
  }

  // The same for a pack taken apart already.
  bool Take(const store::ListingPack& pack, const DecodedListingPack& decoded) {
    texts_.clear();
    for (const auto& [offset, size] : decoded.texts)
      texts_.push_back(std::string_view(pack.data).substr(offset, size));
    const std::vector<std::string_view>& texts = texts_;
    numbered_.assign(texts.size(), kUnnumbered);
    for (int64_t k = 0; k < pack.count; ++k) {
      const PackedListing& p = decoded.listings[static_cast<size_t>(k)];
      const int64_t record = pack.first_record + k;
      if (numbers_) {
        while (next_number_ < numbers_->size() && (*numbers_)[next_number_] < record)
          ++next_number_;
        if (next_number_ == numbers_->size() || (*numbers_)[next_number_] != record) continue;
      }
      if (stop_ && stop_()) return false;
      const std::string_view code = texts[p.code];
      if (!p.day_read || p.day < range_.from || p.day > range_.to || code.empty()) {
        if (!p.day_read || code.empty()) ++in_.unreadable;
        continue;
      }
      const std::string_view name = texts[p.name];
      l_.day = p.day;
      l_.code.assign(code);
      l_.name.assign(name);
      l_.board = BoardOfStockCode(code);
      l_.reason.assign(texts[p.reason]);
      l_.strength = p.strength;
      TakeBlock(p.seats, p.buys, texts, p.day, l_.buy);
      TakeBlock(p.seats + p.buys, p.sells, texts, p.day, l_.sell);
      l_.price_limit = PriceLimitOf(code, name, p.day);
      in_.data.AddListing(l_);
      in_.record_numbers.push_back(record);
    }
    return true;
  }

 private:
  static constexpr uint32_t kUnnumbered = UINT32_MAX;

  // One block's Seats, a name given twice counted once with its amounts
  // added up (in 10,000 yuan), numbered by `names_` for now.
  void TakeBlock(const PackedListingEntry* entries, int count,
                 const std::vector<std::string_view>& texts, DayNumber day,
                 std::vector<Seat>& out) {
    out.clear();
    for (int i = 0; i < count; ++i) {
      const PackedListingEntry& e = entries[i];
      uint32_t& n = numbered_[e.id];
      if (n == kUnnumbered) {
        n = names_.Number(texts[e.id], day);
      } else {
        names_.Touch(n, day);
      }
      Seat* same = nullptr;
      for (Seat& s : out)
        if (s.identity == n) same = &s;
      if (!same) same = &out.emplace_back(Seat{n, SeatKind::kOther, 0, 0});
      same->buy += e.buy / 10000;
      same->sell += e.sell / 10000;
    }
  }

  const DayRange& range_;
  const std::vector<int64_t>* numbers_;
  const std::function<bool()>& stop_;
  StoreInput& in_;
  ListingSeatNames& names_;
  size_t next_number_ = 0;
  std::vector<uint32_t> numbered_;  // the pack's texts as Seat numbers, when met
  ListingInput l_;                  // reused: its strings keep their room
  DecodedListingPack decoded_;      // reused by Take(pack)
  std::vector<std::string_view> texts_;
};

// Packs handed from the thread that reads them to the one that takes
// them apart, in order.
class PackedListingsQueue {
 public:
  struct Item {
    store::ListingPack pack;
    bool missing = false;  // a chunk without a pack
    bool bad = false;      // a pack that does not read
    DecodedListingPack decoded;
  };
  // False once the taker has stopped. Waits while the taker is far behind:
  // a pack taken apart holds about a megabyte.
  bool Put(Item&& item) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopped_ || items_.size() < kMostWaiting; });
    if (stopped_) return false;
    items_.push_back(std::move(item));
    changed_.notify_all();
    return true;
  }
  // A taken-apart pack's room handed back for the next one, and taken.
  void Recycle(DecodedListingPack&& room) {
    std::lock_guard lock(mutex_);
    if (spare_.size() < kMostWaiting) spare_.push_back(std::move(room));
  }
  DecodedListingPack Room() {
    std::lock_guard lock(mutex_);
    if (spare_.empty()) return {};
    DecodedListingPack room = std::move(spare_.back());
    spare_.pop_back();
    return room;
  }
  void Finish() {
    std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    items_.clear();
    changed_.notify_all();
  }
  // False when every item is taken and the reader has finished.
  bool Take(Item* out) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !items_.empty() || finished_; });
    if (items_.empty()) return false;
    *out = std::move(items_.front());
    items_.pop_front();
    changed_.notify_all();
    return true;
  }

 private:
  static constexpr size_t kMostWaiting = 8;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> items_;
  std::vector<DecodedListingPack> spare_;
  bool finished_ = false;
  bool stopped_ = false;
};

// One block's Seats from the block's text, as the packs give them.
void TableListingTakeBlock(std::string_view block, DayNumber day, ListingSeatNames& names,
                           std::vector<Seat>& out) {
  const listing::SeatBlock seats = listing::ReadSeatBlock(block);
  out.clear();
  for (int i = 0; i < seats.count; ++i) {
    const listing::SeatEntry& e = seats.seats[static_cast<size_t>(i)];
    if (e.name.empty()) continue;
    const uint32_t n = names.Number(e.name, day);
    auto same =
        std::find_if(out.begin(), out.end(), [n](const Seat& s) { return s.identity == n; });
    if (same == out.end()) same = out.insert(out.end(), Seat{n, SeatKind::kOther, 0, 0});
    same->buy += e.buy / 10000;
    same->sell += e.sell / 10000;
  }
}

// Every listing from the table, taken apart as it comes.
BacktestListingsRead ReadListingsFromTable(store::Store& store, const DayRange& range,
                                           const std::vector<int64_t>* numbers,
                                           const std::function<bool()>& stop, StoreInput& in,
                                           ListingSeatNames& names) {
  BacktestListingsRead read;
  listing::ScannedListing figures;  // reused: its strings keep their room
  ListingInput l;
  read.error = listing::ForEachStoredListingInParallel(
      store, numbers, [&](const listing::StoredListing& s) {
        if (stop && stop()) {
          read.stopped = true;
          return false;
        }
        const std::optional<DayNumber> day = DayNumberOfText(s.date);
        if (!day || *day < range.from || *day > range.to || s.code.empty()) {
          if (!day || s.code.empty()) ++in.unreadable;
          return true;
        }
        figures.turnover = listing::TurnoverFromText(s.turnover);
        listing::TakeSeatBlocks(s.buy_block, s.sell_block, figures);
        listing::ComputeFigures(figures);
        l.day = *day;
        l.code.assign(s.code);
        l.name.assign(s.name);
        l.board = BoardOfStockCode(s.code);
        l.reason.assign(s.reason);
        l.strength = figures.row.strength;
        TableListingTakeBlock(s.buy_block, *day, names, l.buy);
        TableListingTakeBlock(s.sell_block, *day, names, l.sell);
        l.price_limit = PriceLimitOf(s.code, s.name, *day);
        in.data.AddListing(l);
        in.record_numbers.push_back(s.record_number);
        return true;
      });
  return read;
}

}  // namespace

uint32_t ListingSeatNames::Number(std::string_view name, DayNumber day) {
  if (const auto it = numbers_.find(name); it != numbers_.end()) {
    Touch(it->second, day);
    return it->second;
  }
  const uint32_t n = static_cast<uint32_t>(seen_.size());
  seen_.push_back(Seen{std::string(name), day, day});
  numbers_.emplace(seen_.back().name, n);
  return n;
}

std::vector<seats::SeenName> ListingSeatNames::AsSeen() const {
  std::vector<seats::SeenName> out;
  out.reserve(seen_.size());
  for (const Seen& s : seen_)
    out.push_back(seats::SeenName{s.name, DateOfDayNumber(s.first).DateText(),
                                  DateOfDayNumber(s.last).DateText(), {}});
  return out;
}

BacktestListingsRead ReadBacktestListings(store::Store& store, const DayRange& range,
                                          const std::vector<int64_t>* numbers,
                                          const std::function<bool()>& stop, bool use_packs,
                                          StoreInput& in, ListingSeatNames& names) {
  if (!use_packs) return ReadListingsFromTable(store, range, numbers, stop, in, names);
  BacktestListingsRead read;

  // The packs there are, read on a thread of their own and checked there,
  // taken apart here as they come, in chunk order, up to the first chunk
  // without a usable pack; the packs after it wait for the table's part.
  PackedListingsTaker taker(range, numbers, stop, in, names);
  store::ListingPackRows rows;
  std::vector<store::ListingPack> later;  // usable packs after the first gap
  std::vector<store::ListingPack> bad;    // packs that do not read
  {
    PackedListingsQueue queue;
    std::optional<store::StoreError> read_error;
    std::thread reader([&] {
      store::StoreAccess access = store.OpenStore();
      access.ReadListingPacks(numbers, &rows, [&](store::ListingPack&& pack, bool missing) {
        PackedListingsQueue::Item item{std::move(pack), missing, false, queue.Room()};
        if (!missing) item.bad = !DecodeListingPack(item.pack, &item.decoded);
        return queue.Put(std::move(item));
      });
      read_error = access.CloseStore();
      queue.Finish();
    });
    bool streaming = true;
    PackedListingsQueue::Item item;
    while (queue.Take(&item)) {
      if (item.bad) {
        bad.push_back(std::move(item.pack));
        streaming = false;
      } else if (item.missing) {
        streaming = false;
      } else if (!streaming) {
        later.push_back(std::move(item.pack));
      } else {
        read.from_packs += item.pack.count;
        if (!taker.Take(item.pack, item.decoded)) {
          read.stopped = true;
          queue.Stop();
        }
        queue.Recycle(std::move(item.decoded));
      }
    }
    reader.join();
    if (read_error) {
      read.error = read_error;
      return read;
    }
    if (read.stopped) return read;
  }
  std::vector<store::ListingPack> fresh;  // made from the table now
  rows.packs = std::move(later);
  for (const store::ListingPack& p : rows.packs) read.from_packs += p.count;
  if (!bad.empty()) {
    // A pack that does not read is read from the table again.
    for (store::ListingPack& p : bad) {
      for (int64_t k = 0; k < p.count; ++k) rows.missing_records.push_back(p.first_record + k);
      p.data.clear();
      rows.missing.push_back(std::move(p));
    }
    std::sort(rows.missing_records.begin(), rows.missing_records.end());
    std::sort(rows.missing.begin(), rows.missing.end(),
              [](const store::ListingPack& a, const store::ListingPack& b) {
                return a.chunk < b.chunk;
              });
  }

  if (!rows.missing_records.empty()) {
    // The mark first, so that a change made while the table is read shows.
    std::optional<int64_t> token;
    if (!store.read_only()) {
      if (rows.trusted && rows.mark) {
        token = rows.mark;
      } else {
        store::StoreAccess access = store.OpenStore();
        int64_t t = 0;
        if (access.MarkListingPacks(&t) && !access.CloseStore()) token = t;
      }
    }
    // The missing chunks' listings, one pack per chunk of rowids.
    size_t at = 0;  // into missing_records
    size_t chunk_at = 0;   // into missing
    bool as_asked = true;  // every record read is the one asked for
    ListingPackWriter writer;
    fresh.reserve(rows.missing.size());
    read.error = listing::ForEachStoredListingInParallel(
        store, &rows.missing_records, [&](const listing::StoredListing& s) {
          if (stop && stop()) {
            read.stopped = true;
            return false;
          }
          if (s.record_number != rows.missing_records[at++]) as_asked = false;
          writer.Add(s);
          if (writer.count() == rows.missing[chunk_at].count) {
            store::ListingPack& p = fresh.emplace_back(std::move(rows.missing[chunk_at++]));
            p.data = writer.Finish();
            writer = ListingPackWriter();
          }
          return true;
        });
    if (read.error || read.stopped) return read;
    if (fresh.size() != rows.missing.size()) {
      // Fewer listings came than asked for: none of them can be placed.
      read.error = store::StoreError{store::ErrorKind::kOther, 0, "fewer listings than asked for"};
      return read;
    }
    if (token && as_asked) {
      store::StoreAccess access = store.OpenStore();
      bool written = false;
      if (access.WriteListingPacks(*token, fresh, &written) && !access.CloseStore())
        read.wrote_packs = written;
    }
  }

  // The rest of the packs in chunk order.
  auto old_pack = rows.packs.begin();
  auto new_pack = fresh.begin();
  while (old_pack != rows.packs.end() || new_pack != fresh.end()) {
    const bool take_old = new_pack == fresh.end() ||
                          (old_pack != rows.packs.end() && old_pack->chunk < new_pack->chunk);
    const store::ListingPack& p = take_old ? *old_pack++ : *new_pack++;
    if (!taker.Take(p)) {
      read.stopped = true;
      return read;
    }
  }
  return read;
}

}  // namespace backtest
