#include "store/record_store.h"

#include "store/bar_excerpts.h"
#include "store/download_log.h"
#include "store/file_identity.h"
#include "store/listing_extras.h"
#include "store/packed_listings.h"
#include "store/price_bars.h"
#include "store/seat_book.h"

namespace store {
namespace {
constexpr size_t kMaxIdleConnections = 4;

// The tables the file keeps beside the listings.
std::span<const SideTable> SideTables() {
  static const SideTable tables[] = {DownloadLogSideTable(), ListingExtrasSideTable(),
                                     SeatCodesSideTable(),   PriceBarsSideTable(),
                                     PriceLogSideTable(),    PackedBarsSideTable(),
                                     SeatIdentitiesSideTable(),
                                     SeatNamesSideTable(),   SeatUndoSideTable(),
                                     WatchListSideTable(),   PackedListingsSideTable(),
                                     BarExcerptsSideTable()};
  return tables;
}
}  // namespace

std::filesystem::path StorePath(const std::filesystem::path& program_dir) {
  return program_dir / std::string(kStoreFileName);
}

StoreAccess::StoreAccess(Store* owner, std::unique_ptr<TableFile> table,
                         std::optional<StoreError> error, std::optional<uint64_t> identity)
    : owner_(owner), identity_(identity), table_(std::move(table)), open_error_(std::move(error)) {}

StoreAccess::StoreAccess(StoreAccess&& other) noexcept
    : owner_(other.owner_),
      identity_(other.identity_),
      table_(std::move(other.table_)),
      open_error_(std::move(other.open_error_)) {
  other.owner_ = nullptr;
}

StoreAccess& StoreAccess::operator=(StoreAccess&& other) noexcept {
  if (this != &other) {
    CloseStore();
    owner_ = other.owner_;
    identity_ = other.identity_;
    table_ = std::move(other.table_);
    open_error_ = std::move(other.open_error_);
    other.owner_ = nullptr;
  }
  return *this;
}

StoreAccess::~StoreAccess() {
  CloseStore();
}

std::optional<StoreError> StoreAccess::error() const {
  if (open_error_) return open_error_;
  if (table_) return table_->error();
  return std::nullopt;
}

std::vector<int64_t> StoreAccess::RecordNumbersInDateRange(std::string_view from,
                                                           std::string_view to) {
  std::vector<int64_t> numbers;
  if (table_) table_->RecordNumbersInRange(kDate, from, to, &numbers);
  return numbers;
}

std::optional<StoreError> StoreAccess::CloseStore() {
  if (!table_) return open_error_;
  std::optional<StoreError> result = table_->EndAccess();
  if (owner_ && !result) {
    owner_->Return(std::move(table_), identity_);
  } else {
    table_.reset();  // a connection that failed is not reused
  }
  if (result) open_error_ = result;
  return result;
}

Store::Store(std::filesystem::path path, std::string password)
    : path_(std::move(path)), password_(std::move(password)) {}

Store::~Store() {
  DropIdleConnections();
}

void Store::DropIdleConnections() {
  std::vector<Idle> dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(idle_);
  }
}

void Store::NoticeReadOnly() {
  if (!read_only_ && TableFile::FileExists(path_) && !MayWriteFileAndFolder(path_))
    SetReadOnly(true);
}

std::optional<StoreError> Store::EnsureStore() {
  if (TableFile::FileExists(path_)) {
    NoticeReadOnly();
    return std::nullopt;
  }
  return TableFile::CreateTable(path_, kListingTable, kListingFields, password_, SideTables());
}

std::unique_ptr<TableFile> Store::TakeIdle(std::optional<uint64_t> identity) {
  std::vector<Idle> stale;  // closed outside the lock
  std::unique_ptr<TableFile> table;
  {
    std::lock_guard lock(mutex_);
    while (!idle_.empty()) {
      Idle idle = std::move(idle_.back());
      idle_.pop_back();
      if (identity && idle.identity == identity) {
        table = std::move(idle.table);
        break;
      }
      stale.push_back(std::move(idle));
    }
  }
  return table;
}

StoreAccess Store::OpenStore(AccessMode mode) {
  const std::optional<uint64_t> identity = FileIdentity(path_);
  std::unique_ptr<TableFile> table = TakeIdle(identity);
  if (table && !table->BeginAccess(mode)) table.reset();  // stale: open afresh
  if (!table) {
    NoticeReadOnly();  // for the programs that only read and never ensure the file
    TableFile::OpenResult opened =
        TableFile::OpenTable(path_, kListingTable, kListingFields, password_, SideTables(),
                             read_only_.load());
    if (!opened.table) return StoreAccess(this, nullptr, opened.error);
    table = std::move(opened.table);
    if (!table->BeginAccess(mode)) {
      std::optional<StoreError> error = table->error();
      if (!error) error = StoreError{};
      return StoreAccess(this, nullptr, error);
    }
  }
  return StoreAccess(this, std::move(table), std::nullopt, identity);
}

CheckpointResult Store::Checkpoint() {
  NoticeReadOnly();
  // Nothing this program could have written waits in a log.
  if (read_only_) return CheckpointResult{std::nullopt, true};
  const std::optional<uint64_t> identity = FileIdentity(path_);
  std::unique_ptr<TableFile> table = TakeIdle(identity);
  if (!table) {
    TableFile::OpenResult opened =
        TableFile::OpenTable(path_, kListingTable, kListingFields, password_, SideTables(),
                             read_only_.load());
    if (!opened.table) return CheckpointResult{opened.error, false};
    table = std::move(opened.table);
  }
  CheckpointResult result = table->Checkpoint();
  if (!result.error) Return(std::move(table), identity);
  return result;
}

void Store::Return(std::unique_ptr<TableFile> table, std::optional<uint64_t> identity) {
  if (!identity) return;  // cannot tell the file again later: do not keep it
  std::lock_guard lock(mutex_);
  if (idle_.size() < kMaxIdleConnections) idle_.push_back(Idle{std::move(table), identity});
}

}  // namespace store
