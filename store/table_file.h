// The table-file engine: one password-protected SQLCipher file holding one
// table of text fields, addressed by 1-based record numbers.
//
// Records are numbered in append order. The rowid of a record is its append
// id; purging leaves gaps in the ids, which a small bookkeeping table
// remembers, so that record number -> rowid stays an in-memory calculation
// and a purge never has to rewrite the records that remain.
//
// The engine itself stays behind this header: its handles live in
// table_file_handles.h, which only the store's own sources include.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/store_error.h"

namespace store {

class Statement;

struct FieldSpec {
  std::string_view name;  // UTF-8, as it stands in the file's schema
  int width;              // bytes of GBK text
  // The file keeps an index on the field, for range queries. Files made
  // before the index existed get it at their first write.
  bool indexed = false;
};

// A table the file keeps beside the record table (the download log).
// Files made without it gain it at their first write, as with an index.
struct SideTable {
  std::string_view name;     // UTF-8, as it stands in the file's schema
  std::string_view columns;  // column and key definitions, as CREATE TABLE takes them
  std::string_view options;  // after the closing parenthesis, e.g. "WITHOUT ROWID"
  // RemoveAll empties it in the same transaction as the records.
  bool emptied_with_records = false;
};

// What a checkpoint achieved.
struct CheckpointResult {
  // The checkpoint could not run at all.
  std::optional<StoreError> error;
  // Every committed change is in the main file and the log is empty. False
  // without an error when a reader's snapshot or another writer kept the
  // log from being emptied in time.
  bool complete = false;
};

// How an open table file runs its statements.
enum class AccessMode {
  // One read snapshot for the whole access; writes join one write
  // transaction that Close() commits. For short accesses.
  kSnapshot,
  // No transaction of its own: statements commit one by one unless grouped
  // with BeginBatch()/CommitBatch(). For the long-running download.
  kWriter,
};

class TableFile {
 public:
  ~TableFile();
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  static bool FileExists(const std::filesystem::path& path);

  // Creates a new file keyed with `password` from its first write, holding
  // the one table with the given fields and no records. Fails when a file
  // already exists at `path`.
  static std::optional<StoreError> CreateTable(const std::filesystem::path& path,
                                               std::string_view table_name,
                                               std::span<const FieldSpec> fields,
                                               std::string_view password,
                                               std::span<const SideTable> side_tables = {});

  // Opens an existing file; read_only opens it as a file nobody changes
  // (its folder may be read-only: no log, no locks). Wrong password, damage, a foreign file, a lock:
  // all fail here or on the first read, with the reason in the error.
  struct OpenResult {
    std::unique_ptr<TableFile> table;
    StoreError error;
  };
  static OpenResult OpenTable(const std::filesystem::path& path, std::string_view table_name,
                              std::span<const FieldSpec> fields, std::string_view password,
                              std::span<const SideTable> side_tables = {},
                              bool read_only = false);

  // Starts one access on this (possibly reused) connection: refreshes what
  // the connection knows of the file and makes record 1 current.
  bool BeginAccess(AccessMode mode);
  // Ends the access: flushes, commits (snapshot mode), forgets marks.
  // Returns the first error of the access, if any.
  std::optional<StoreError> EndAccess();

  int64_t RecordCount() const { return count_; }
  void GoToFirst() { GoToRecord(1); }
  // Makes record n current; below 1 means record 1, above the count the last
  // record. False on an empty table or an engine error.
  bool GoToRecord(int64_t n);
  void Skip(int64_t count) { GoToRecord(current_ + count); }
  int64_t CurrentRecordNumber() const { return current_; }

  // Field `field` (1-based) of the current record; empty when there is no
  // current record or the number is out of range. The view stays valid until
  // the next call on this table.
  std::string_view FieldView(int field);
  std::string ReadField(int field) { return std::string(FieldView(field)); }

  // Writes field `field` of the current record, cut to the field's width on a
  // character boundary.
  bool WriteField(int field, std::string_view value);
  // Appends an empty record at the end and makes it current. The record is
  // written to the file when the table moves on, commits or closes.
  bool AppendBlank();
  bool MarkDeleted();
  bool PurgeDeleted();
  bool RemoveAll();

  // Groups writes in one transaction (kWriter mode).
  bool BeginBatch();
  bool CommitBatch();
  void RollbackBatch();
  bool InBatch() const { return in_batch_; }

  // Numbers (ascending) of the records whose field `field` lies in
  // [from, to], compared byte for byte. Uses the field's index where the file
  // has one. False on an engine error.
  bool RecordNumbersInRange(int field, std::string_view from, std::string_view to,
                            std::vector<int64_t>* numbers);

  // Moves every committed change from the log into the main file and
  // empties the log. For a connection outside any access.
  CheckpointResult Checkpoint();

  // First error since BeginAccess, if any.
  const std::optional<StoreError>& error() const { return error_; }
  bool failed() const { return error_.has_value(); }

  std::span<const FieldSpec> fields() const { return fields_; }

 private:
  struct Handles;  // the connection and its prepared statements
  // The download log's rows go through this connection and its
  // transactions (download_log.cpp).
  friend class PageLogTable;
  // So do the data centre's side tables (listing_extras.cpp).
  friend class ListingExtrasTables;
  // And the daily prices (price_bars.cpp).
  friend class PriceBarsTables;
  // And the Seat identities and the watch list (seat_book.cpp).
  friend class SeatBookTables;
  // And the packed listings (packed_listings.cpp).
  friend class PackedListingsTables;
  // And the excerpts of the daily bars (bar_excerpts.cpp).
  friend class BarExcerptsTables;

  TableFile();

  // Statements and errors (table_file_open.cpp).
  bool Exec(const char* sql);
  bool Exec(const std::string& sql) { return Exec(sql.c_str()); }
  bool Fail(int code);
  bool Check(int code, int expected);
  bool Prepare(const std::string& sql, Statement* out);
  // Whether the file has the side table `name`, without making it; false
  // on an engine error (recorded).
  bool HasTable(std::string_view name, bool* present);
  // Gives indexed fields their index, and the file its side tables, if the
  // file lacks them. Called as a writer access starts and before the first
  // write of any access, never when only reading; a failure counts as the
  // access's error only when `report` is set.
  bool EnsureIndexes(bool report);

  // The record-number map (table_file_map.cpp).
  bool LoadBookkeeping(bool force);
  bool RebuildGapsFromFile();
  // Drops gaps at or above the last rowid and counts the records again.
  void SettleCount();
  int64_t RowidOf(int64_t record) const;
  // The record number of `rowid`; 0 when no record has it.
  int64_t RecordOf(int64_t rowid) const;
  // Makes record n current (clamped; none on an empty table).
  void PlaceCurrent(int64_t n);

  // The cursor (table_file_cursor.cpp).
  // The cursor no longer stands on a record; its statement is rewound.
  void ResetCursor();
  bool FlushPending();
  bool SeekCurrent();

  std::unique_ptr<Handles> handles_;
  std::string table_name_;
  std::string table_;       // quoted table name
  std::string gaps_table_;  // quoted bookkeeping table name
  std::vector<FieldSpec> fields_;
  std::vector<SideTable> side_tables_;
  AccessMode mode_ = AccessMode::kSnapshot;
  // The indexes and side tables were found or made in this access, and no
  // rollback has undone them since.
  bool indexes_ready_ = false;

  // What the connection knows of the file.
  int64_t data_version_ = -1;
  int64_t max_rowid_ = 0;
  std::vector<int64_t> gaps_;  // purged rowids below max_rowid_, ascending
  int64_t count_ = 0;

  int64_t current_ = 0;  // current record number, 0 when none
  int64_t current_rowid_ = 0;
  bool cursor_valid_ = false;  // the cursor statement stands on current_rowid_

  bool pending_ = false;  // the current record is appended but not yet written
  std::vector<std::string> pending_fields_;

  std::vector<int64_t> marked_;
  bool in_batch_ = false;
  bool batch_error_ = false;  // a write of the open batch failed
  bool snapshot_open_ = false;
  std::optional<StoreError> error_;
};

}  // namespace store
