// The record store Data.edb: one table of StockListings, nine text fields,
// protected by the access password. Every operation that touches the store
// works in one StoreAccess of its own.
#pragma once

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/store_error.h"
#include "store/table_file.h"

namespace store {

inline constexpr std::string_view kStoreFileName = "Data.edb";
inline constexpr std::string_view kAccessPassword = "q3051hnzk7264bwtf";
inline constexpr std::string_view kListingTable = "龙虎榜";

// Field numbers, 1-based, in the order of the table.
enum Field : int {
  kDate = 1,       // 日期
  kName = 2,       // 股名
  kCode = 3,       // 代码
  kReason = 4,     // 上榜原因
  kValue = 5,      // 值
  kVolume = 6,     // 成交量
  kTurnover = 7,   // 成交额
  kBuySeats = 8,   // 席位金额买
  kSellSeats = 9,  // 席位金额卖
};
inline constexpr int kFieldCount = 9;

inline constexpr std::array<FieldSpec, kFieldCount> kListingFields = {{
    {"日期", 10, true},  // indexed for date-range queries
    {"股名", 10},
    {"代码", 10},
    {"上榜原因", 52},
    {"值", 15},
    {"成交量", 15},
    {"成交额", 15},
    {"席位金额买", 512},
    {"席位金额卖", 512},
}};

// The program folder and "Data.edb".
std::filesystem::path StorePath(const std::filesystem::path& program_dir);

class Store;
struct PageLogEntry;
struct PageLogRows;
struct ListingExtras;
struct SeatCode;
struct PriceBar;
struct DayBarTable;
struct ExactDayBar;
struct PriceLogEntry;
struct CodeBars;
struct SeatBookRows;
struct ListingPack;
struct ListingPackRows;
struct PackedBarExcerpt;
struct BarExcerptView;

// One store access: opened by Store::OpenStore, closed by CloseStore or when
// it goes out of scope. Not to be shared between threads. When the open
// failed, ok() is false, error() says why and every operation does nothing.
class StoreAccess {
 public:
  StoreAccess(StoreAccess&& other) noexcept;
  StoreAccess& operator=(StoreAccess&& other) noexcept;
  ~StoreAccess();

  bool ok() const { return table_ != nullptr && !table_->failed(); }
  bool is_open() const { return table_ != nullptr; }
  // The failure of the open, or the first failure of an operation.
  std::optional<StoreError> error() const;

  int64_t RecordCount() const { return table_ ? table_->RecordCount() : 0; }
  void GoToFirst() { GoToRecord(1); }
  bool GoToRecord(int64_t n) { return table_ && table_->GoToRecord(n); }
  void Skip(int64_t count) {
    if (table_) table_->Skip(count);
  }
  int64_t CurrentRecordNumber() const { return table_ ? table_->CurrentRecordNumber() : 0; }
  std::string_view FieldView(int field) {
    return table_ ? table_->FieldView(field) : std::string_view();
  }
  std::string ReadField(int field) { return std::string(FieldView(field)); }
  bool WriteField(int field, std::string_view value) {
    return table_ && table_->WriteField(field, value);
  }
  bool AppendBlank() { return table_ && table_->AppendBlank(); }
  bool MarkDeleted() { return table_ && table_->MarkDeleted(); }
  bool PurgeDeleted() { return table_ && table_->PurgeDeleted(); }
  bool RemoveAll() { return table_ && table_->RemoveAll(); }
  bool BeginBatch() { return table_ && table_->BeginBatch(); }
  bool CommitBatch() { return table_ && table_->CommitBatch(); }
  void RollbackBatch() {
    if (table_) table_->RollbackBatch();
  }

  // Numbers (1-based, ascending) of the listings whose 日期 text lies in
  // [from, to], compared byte for byte ("2010-04-01", "2010-04-30" for one
  // month). Empty on failure, with error() set.
  std::vector<int64_t> RecordNumbersInDateRange(std::string_view from, std::string_view to);

  // The download log (store/download_log.h). A row replaces the row of
  // its board and date; inside a batch it commits or rolls back with the
  // batch. The first write to a file made without the log creates the
  // table.
  bool WritePageLog(const PageLogEntry& entry);
  // The rows whose 日期 lies in [from, to]. A file without the table gives
  // none and out->present false, and is not written. False on an engine
  // error, with error() set.
  bool ReadPageLog(std::string_view from, std::string_view to, PageLogRows* out);
  // The row of one board and date, none when there is none (or no table).
  bool ReadPageLogRow(int board, std::string_view date, std::optional<PageLogEntry>* out);
  // Gives every board and date that has stored listings and no fetched row
  // an inferred row (stored, 条数 the listings; the board from the code),
  // in one transaction; inferred rows made before are worked out again.
  // `rows` receives the number of rows written.
  bool RebuildPageLog(int64_t* rows = nullptr);

  // The data centre's side tables (store/listing_extras.h). A row replaces
  // the row of its key; inside a batch it commits or rolls back with the
  // batch. The first write to a file made without them creates them.
  bool WriteListingExtras(const ListingExtras& extras);
  bool WriteSeatCode(const SeatCode& seat);
  // The rows whose 日期 lies in [from, to] (and whose 代码 is `code`, when
  // given), in key order: by date, code and reason (then side and position).
  // A file without the table gives none and is not written. False on an
  // engine error, with error() set.
  bool ReadListingExtras(std::string_view from, std::string_view to,
                         std::vector<ListingExtras>* out, std::string_view code = {});
  bool ReadSeatCodes(std::string_view from, std::string_view to, std::vector<SeatCode>* out,
                     std::string_view code = {});

  // Daily prices (store/price_bars.h). StorePrices writes a stock's bars
  // (a bar replaces the bar of its date) and its log row in one
  // transaction: all or nothing. WritePriceLog writes the row alone.
  bool StorePrices(const std::vector<PriceBar>& bars, const PriceLogEntry& log);
  bool WritePriceLog(const PriceLogEntry& log);
  // The log row of one code; none when there is none (or no table).
  bool ReadPriceLog(std::string_view code, std::optional<PriceLogEntry>* out);
  // Every log row, by code.
  bool ReadPriceLogs(std::vector<PriceLogEntry>* out);
  // The bars whose 日期 lies in [from, to], by code and date, grouped per
  // code (one code only when `code` is given). A file without the table
  // gives none.
  bool ReadPriceBars(std::string_view from, std::string_view to, std::vector<CodeBars>* out,
                     std::string_view code = {});
  // The same bars in their small form, of the `codes` given (ascending;
  // every code when none are given).
  bool ReadDayBars(std::string_view from, std::string_view to, std::span<const std::string> codes,
                   DayBarTable* out);
  // The bars of the `codes` given whose packed row holds every price as the
  // very double of the bars table (its stamp current, each price a whole
  // number of thousandths), with the low: `take` gets each such stock with
  // bars within [from, to]. The other codes (no packed row, a stale one, a
  // price it cannot hold exactly, no packed table) go to `unpacked`, in
  // the order given, for the caller to read with ReadPriceBars. A file
  // without the bars table gives nothing at all. `take` also gets the
  // packed row's stamp, for an excerpt made from the bars.
  bool ReadExactDayBars(std::string_view from, std::string_view to,
                        std::span<const std::string> codes,
                        const std::function<void(std::string_view, int64_t,
                                                 std::span<const ExactDayBar>)>& take,
                        std::vector<std::string>* unpacked);
  // Excerpts of the bars (store/bar_excerpts.h) of the `codes` given whose
  // bars did not change since the excerpt was made: `take` gets each with
  // its kept bars within [from, to]. The other codes go to `missing`, in
  // the order given. A file without the tables gives every code missing.
  bool ReadBarExcerpts(std::string_view from, std::string_view to,
                       std::span<const std::string> codes,
                       const std::function<void(const BarExcerptView&)>& take,
                       std::vector<std::string>* missing);
  // Writes excerpts, each only where the stock's packed row still has the
  // excerpt's stamp; never waits for another writer (`written` false when
  // one held the file).
  bool WriteBarExcerpts(const std::vector<PackedBarExcerpt>& excerpts, bool* written);
  // The Seat identities, their names, the undo steps of merges and splits
  // and the watch list (store/seat_book.h). A file without the tables
  // reads as empty (out->present false) and is not written. The write
  // replaces all four tables' rows at once: all or nothing.
  bool ReadSeatBook(SeatBookRows* out);
  bool WriteSeatBook(const SeatBookRows& rows);
  // Packed listings (store/packed_listings.h): the packs of the chunks
  // holding `records` (ascending; every record when null), and what the
  // packs miss. A file without the table gives none and is not written.
  // With `take`, each usable pack and each missing chunk (no data,
  // `missing` set) is handed to it as met, in chunk order, instead of
  // being kept in out->packs (missing chunks are still listed in `out`);
  // it answers whether the read goes on.
  bool ReadListingPacks(
      const std::vector<int64_t>* records, ListingPackRows* out,
      const std::function<bool(ListingPack&& pack, bool missing)>& take = {});
  // The mark row's token, the mark written first when there is none (and
  // the table and its triggers made when missing). Fails at once, without
  // waiting, when another writer holds the file.
  bool MarkListingPacks(int64_t* token);
  // Writes `packs` when the mark row still holds `token` (nothing changed
  // the listings since it was read); *written says whether. Fails at once
  // when another writer holds the file.
  bool WriteListingPacks(int64_t token, const std::vector<ListingPack>& packs, bool* written);

  // Ends the access (commits its writes) and says whether anything failed.
  std::optional<StoreError> CloseStore();

 private:
  friend class Store;
  StoreAccess(Store* owner, std::unique_ptr<TableFile> table, std::optional<StoreError> error,
              std::optional<uint64_t> identity = std::nullopt);

  Store* owner_ = nullptr;
  std::optional<uint64_t> identity_;  // the file this access has open
  std::unique_ptr<TableFile> table_;
  std::optional<StoreError> open_error_;
};

// A Data.edb at a path. Opening a keyed file derives the key (tens of
// milliseconds), so the store keeps the connections of finished accesses and
// hands them to the next one. Thread-safe.
class Store {
 public:
  explicit Store(std::filesystem::path path, std::string password = std::string(kAccessPassword));
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  // Creates the file with its nine fields and the access password when no
  // file exists. An existing file is never examined or touched; when this
  // user may not write it or its folder, the store becomes read-only.
  std::optional<StoreError> EnsureStore();

  // A read-only store opens its file unchanging: reading works as ever,
  // every write fails (kReadOnly). Set before the first access.
  void SetReadOnly(bool read_only) { read_only_ = read_only; }
  bool read_only() const { return read_only_.load(); }

  // Opens one store access with record 1 current.
  StoreAccess OpenStore(AccessMode mode = AccessMode::kSnapshot);

  // Closes the connections kept for reuse (for example before the file is
  // copied or removed).
  void DropIdleConnections();

  // Moves every committed listing from the log (Data.edb-wal) into Data.edb
  // and empties the log, on a kept connection or a fresh one, so that
  // Data.edb alone can be copied. Waits up to five seconds for accesses in
  // the way; one still holding its view of the file after that leaves the
  // result incomplete, which is no error.
  CheckpointResult Checkpoint();

 private:
  friend class StoreAccess;
  // An existing file this user may not write (or its folder) makes the
  // store read-only.
  void NoticeReadOnly();
  // A kept connection to the file that has `identity`, if any; kept
  // connections to other files are dropped on the way.
  std::unique_ptr<TableFile> TakeIdle(std::optional<uint64_t> identity);
  void Return(std::unique_ptr<TableFile> table, std::optional<uint64_t> identity);

  std::filesystem::path path_;
  std::string password_;
  std::atomic<bool> read_only_{false};
  std::mutex mutex_;
  struct Idle {
    std::unique_ptr<TableFile> table;
    std::optional<uint64_t> identity;  // the file the connection has open
  };
  std::vector<Idle> idle_;
};

}  // namespace store
