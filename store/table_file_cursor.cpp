// Accesses and the cursor: moving between records, reading and writing
// fields, appending, purging, and grouping writes in batches.
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "store/table_file_handles.h"
#include "text/text_ops.h"

namespace store {

using table_sql::Quote;

void TableFile::ResetCursor() {
  cursor_valid_ = false;
  handles_->cursor.Reset();
}

bool TableFile::BeginAccess(AccessMode mode) {
  mode_ = mode;
  error_.reset();
  marked_.clear();
  pending_ = false;
  in_batch_ = false;
  indexes_ready_ = false;
  ResetCursor();
  if (mode == AccessMode::kSnapshot) {
    if (!Exec("BEGIN")) return false;
    snapshot_open_ = true;
  } else {
    // A writer gets the indexes up front, outside any batch. When that
    // fails the first write tries again and reports why.
    EnsureIndexes(false);
  }
  if (!LoadBookkeeping(false)) return false;
  PlaceCurrent(1);
  return true;
}

std::optional<StoreError> TableFile::EndAccess() {
  FlushPending();
  ResetCursor();
  if (in_batch_) {
    if (failed()) {
      RollbackBatch();
    } else {
      CommitBatch();
    }
  }
  if (snapshot_open_) {
    snapshot_open_ = false;
    if (failed() || !Exec("COMMIT")) {
      handles_->db.Exec("ROLLBACK");
      data_version_ = -1;  // what we cached may include rolled-back changes
      indexes_ready_ = false;
    }
  }
  marked_.clear();
  return error_;
}

bool TableFile::SeekCurrent() {
  cursor_valid_ = false;
  if (current_ == 0) return false;
  Statement& cursor = handles_->cursor;
  const int rowid_column = static_cast<int>(fields_.size());
  for (int attempt = 0; attempt < 3; ++attempt) {
    cursor.Reset();
    cursor.BindInt64(1, current_rowid_);
    const int rc = cursor.Step();
    if (rc == SQLITE_ROW && cursor.Int64(rowid_column) == current_rowid_) {
      cursor_valid_ = true;
      return true;
    }
    cursor.Reset();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return Fail(rc);
    // The file changed under what we knew of it: learn it again, from the
    // bookkeeping table first and from the rowids if that does not agree.
    if (!(attempt == 0 ? LoadBookkeeping(true) : RebuildGapsFromFile())) return false;
    PlaceCurrent(current_);
    if (current_ == 0) return false;
  }
  return Fail(SQLITE_CORRUPT);
}

bool TableFile::GoToRecord(int64_t n) {
  if (!FlushPending()) return false;
  if (count_ == 0) {
    current_ = 0;
    return false;
  }
  n = std::clamp<int64_t>(n, 1, count_);
  if (cursor_valid_ && n == current_ + 1) {
    // Sequential scans step the open cursor instead of seeking.
    Statement& cursor = handles_->cursor;
    const int rc = cursor.Step();
    const int64_t expected = RowidOf(n);
    if (rc == SQLITE_ROW && cursor.Int64(static_cast<int>(fields_.size())) == expected) {
      current_ = n;
      current_rowid_ = expected;
      return true;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      ResetCursor();
      return Fail(rc);
    }
  }
  if (n == current_ && cursor_valid_) return true;
  PlaceCurrent(n);
  return SeekCurrent();
}

std::string_view TableFile::FieldView(int field) {
  if (field < 1 || field > static_cast<int>(fields_.size()) || current_ == 0) return {};
  if (pending_) return pending_fields_[static_cast<size_t>(field - 1)];
  if (!cursor_valid_ && !SeekCurrent()) return {};
  return handles_->cursor.Bytes(field - 1);
}

bool TableFile::WriteField(int field, std::string_view value) {
  if (field < 1 || field > static_cast<int>(fields_.size()) || current_ == 0) return false;
  const size_t index = static_cast<size_t>(field - 1);
  value = text::CutToWidth(value, static_cast<size_t>(fields_[index].width));
  if (pending_) {
    pending_fields_[index].assign(value);
    return true;
  }
  ResetCursor();
  if (!EnsureIndexes(true)) return false;
  Statement& update = handles_->update[index];
  if (!update &&
      !Prepare("UPDATE " + table_ + " SET " + Quote(fields_[index].name) + " = ? WHERE rowid = ?",
               &update)) {
    return false;
  }
  update.BindText(1, value);
  update.BindInt64(2, current_rowid_);
  return Check(update.Run(), SQLITE_DONE);
}

bool TableFile::AppendBlank() {
  if (!FlushPending()) return false;
  ResetCursor();
  pending_fields_.assign(fields_.size(), std::string());
  pending_ = true;
  ++max_rowid_;
  ++count_;
  current_ = count_;
  current_rowid_ = max_rowid_;
  return true;
}

bool TableFile::FlushPending() {
  if (!pending_) return true;
  pending_ = false;
  if (EnsureIndexes(true)) {
    Statement& insert = handles_->insert;
    for (size_t i = 0; i < fields_.size(); ++i) {
      insert.BindText(static_cast<int>(i + 1), pending_fields_[i]);
    }
    insert.BindInt64(static_cast<int>(fields_.size() + 1), current_rowid_);
    const int rc = insert.Run();
    if (rc == SQLITE_DONE) return true;
    Fail(rc);
  }
  // The record never reached the file: forget it.
  --max_rowid_;
  --count_;
  PlaceCurrent(count_);
  return false;
}

bool TableFile::MarkDeleted() {
  if (!FlushPending() || current_ == 0) return false;
  marked_.push_back(current_rowid_);
  return true;
}

bool TableFile::PurgeDeleted() {
  if (!FlushPending()) return false;
  ResetCursor();
  if (marked_.empty()) return true;
  std::sort(marked_.begin(), marked_.end());
  marked_.erase(std::unique(marked_.begin(), marked_.end()), marked_.end());

  if (!Exec("SAVEPOINT purge")) return false;
  Handles& h = *handles_;
  bool ok = EnsureIndexes(true) &&
            Exec("CREATE TABLE IF NOT EXISTS " + gaps_table_ + " (\"编号\" INTEGER PRIMARY KEY)");
  if (ok && !h.add_gap) {
    ok = Prepare("INSERT OR IGNORE INTO " + gaps_table_ + " (\"编号\") VALUES (?)", &h.add_gap);
  }
  for (size_t i = 0; ok && i < marked_.size(); ++i) {
    h.erase.BindInt64(1, marked_[i]);
    ok = Check(h.erase.Run(), SQLITE_DONE);
    if (!ok) break;
    h.add_gap.BindInt64(1, marked_[i]);
    ok = Check(h.add_gap.Run(), SQLITE_DONE);
  }
  int64_t new_max = 0;
  if (ok) {
    Statement s;
    ok = Prepare("SELECT max(rowid) FROM " + table_, &s);
    if (ok) {
      ok = Check(s.Step(), SQLITE_ROW);
      if (ok) new_max = s.Int64(0);
    }
  }
  if (ok) {
    // Ids above the last record are not gaps; appends will reuse them.
    ok = Exec("DELETE FROM " + gaps_table_ + " WHERE \"编号\" >= " + std::to_string(new_max));
  }
  if (ok) ok = Exec("RELEASE purge");
  if (!ok) {
    h.db.Exec("ROLLBACK TO purge; RELEASE purge;");
    marked_.clear();
    data_version_ = -1;
    indexes_ready_ = false;
    LoadBookkeeping(true);
    PlaceCurrent(1);
    return false;
  }
  std::vector<int64_t> merged;
  merged.reserve(gaps_.size() + marked_.size());
  std::merge(gaps_.begin(), gaps_.end(), marked_.begin(), marked_.end(),
             std::back_inserter(merged));
  gaps_ = std::move(merged);
  marked_.clear();
  max_rowid_ = new_max;
  SettleCount();
  PlaceCurrent(1);
  return true;
}

bool TableFile::RemoveAll() {
  pending_ = false;  // an unwritten record goes with the rest
  ResetCursor();
  // Triggers on the records are set aside for the delete and made again
  // after it: a table with triggers is deleted row by row, each firing,
  // one without has its pages dropped at once. What they keep is a side
  // table emptied with the records.
  std::vector<std::pair<std::string, std::string>> triggers;  // name, SQL
  {
    Statement s;
    if (!Prepare("SELECT name, sql FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ?1",
                 &s))
      return false;
    s.BindText(1, table_name_);
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW)
      triggers.emplace_back(std::string(s.Bytes(0)), std::string(s.Bytes(1)));
    if (rc != SQLITE_DONE) return Fail(rc);
  }
  std::string sql = "SAVEPOINT remove_all;";
  for (const auto& trigger : triggers) sql += " DROP TRIGGER " + Quote(trigger.first) + ";";
  sql += " DELETE FROM " + table_ + "; DELETE FROM " + gaps_table_ + ";";
  // Side tables that describe the records go with them, in the same
  // transaction (EnsureIndexes has made them).
  for (const SideTable& side : side_tables_)
    if (side.emptied_with_records) sql += " DELETE FROM " + Quote(side.name) + ";";
  for (const auto& trigger : triggers) sql += " " + trigger.second + ";";
  sql += " RELEASE remove_all;";
  if (!EnsureIndexes(true) || !Exec(sql)) {
    handles_->db.Exec("ROLLBACK TO remove_all; RELEASE remove_all;");
    indexes_ready_ = false;
    LoadBookkeeping(true);
    PlaceCurrent(1);
    return false;
  }
  max_rowid_ = 0;
  gaps_.clear();
  count_ = 0;
  PlaceCurrent(0);
  marked_.clear();
  return true;
}

bool TableFile::BeginBatch() {
  if (in_batch_) return true;
  if (!FlushPending()) return false;
  ResetCursor();
  const bool ok = snapshot_open_ ? Exec("SAVEPOINT batch") : Exec("BEGIN IMMEDIATE");
  in_batch_ = ok;
  batch_error_ = false;
  return ok;
}

bool TableFile::CommitBatch() {
  if (!in_batch_) return !failed();
  FlushPending();
  ResetCursor();
  if (batch_error_ || (failed() && !snapshot_open_)) {
    RollbackBatch();
    return false;
  }
  const bool ok = snapshot_open_ ? Exec("RELEASE batch") : Exec("COMMIT");
  if (!ok) {
    RollbackBatch();
    return false;
  }
  in_batch_ = false;
  return true;
}

void TableFile::RollbackBatch() {
  if (!in_batch_) return;
  pending_ = false;
  ResetCursor();
  handles_->db.Exec(snapshot_open_ ? "ROLLBACK TO batch; RELEASE batch;" : "ROLLBACK");
  in_batch_ = false;
  batch_error_ = false;
  indexes_ready_ = false;
  LoadBookkeeping(true);
  PlaceCurrent(count_);
}

}  // namespace store
