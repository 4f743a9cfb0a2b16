// The record-number map: which rowid record n has, and back. Purged rowids
// (the gaps) are kept ascending in memory and in the bookkeeping table.
#include <algorithm>

#include "store/table_file_handles.h"

namespace store {

using table_sql::Quote;

bool TableFile::LoadBookkeeping(bool force) {
  {
    Statement s;
    if (!Prepare("SELECT max(rowid) FROM " + table_, &s)) return false;
    const int rc = s.Step();
    if (rc != SQLITE_ROW) return Fail(rc);
    max_rowid_ = s.Int64(0);
  }

  int64_t version = -1;
  {
    Statement s;
    if (!Prepare("PRAGMA data_version", &s)) return false;
    if (s.Step() == SQLITE_ROW) version = s.Int64(0);
  }

  if (force || version != data_version_ || version < 0) {
    gaps_.clear();
    Statement g;
    // A store without the bookkeeping table simply has no gaps.
    if (handles_->db.Prepare("SELECT \"编号\" FROM " + gaps_table_ + " ORDER BY \"编号\"", &g) ==
        SQLITE_OK) {
      int rc;
      while ((rc = g.Step()) == SQLITE_ROW) gaps_.push_back(g.Int64(0));
      if (rc != SQLITE_DONE) return Fail(rc);
    }
    data_version_ = version;
  }
  SettleCount();
  return true;
}

void TableFile::SettleCount() {
  // Ids at or above the last record are not gaps; appends will reuse them.
  while (!gaps_.empty() && gaps_.back() >= max_rowid_) gaps_.pop_back();
  count_ = std::max<int64_t>(0, max_rowid_ - static_cast<int64_t>(gaps_.size()));
}

int64_t TableFile::RowidOf(int64_t record) const {
  // The k-th gap lies below the record exactly when gaps_[k] - k <= record.
  size_t lo = 0;
  size_t hi = gaps_.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (gaps_[mid] - static_cast<int64_t>(mid) <= record) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return record + static_cast<int64_t>(lo);
}

int64_t TableFile::RecordOf(int64_t rowid) const {
  if (rowid < 1 || rowid > max_rowid_) return 0;
  const auto below = std::lower_bound(gaps_.begin(), gaps_.end(), rowid);
  if (below != gaps_.end() && *below == rowid) return 0;
  return rowid - (below - gaps_.begin());
}

void TableFile::PlaceCurrent(int64_t n) {
  current_ = count_ > 0 ? std::clamp<int64_t>(n, 1, count_) : 0;
  current_rowid_ = current_ ? RowidOf(current_) : 0;
}

bool TableFile::RebuildGapsFromFile() {
  // The bookkeeping disagrees with the records (someone edited the file by
  // hand): work the gaps out from the rowids themselves, in memory only.
  Statement s;
  if (!Prepare("SELECT rowid FROM " + table_ + " ORDER BY rowid", &s)) return false;
  gaps_.clear();
  int64_t expected = 1;
  int rc;
  while ((rc = s.Step()) == SQLITE_ROW) {
    const int64_t rowid = s.Int64(0);
    for (; expected < rowid; ++expected) gaps_.push_back(expected);
    expected = rowid + 1;
  }
  if (rc != SQLITE_DONE) return Fail(rc);
  max_rowid_ = expected - 1;
  SettleCount();
  return true;
}

bool TableFile::RecordNumbersInRange(int field, std::string_view from, std::string_view to,
                                     std::vector<int64_t>* numbers) {
  numbers->clear();
  if (field < 1 || field > static_cast<int>(fields_.size())) return false;
  if (!FlushPending()) return false;
  // Outside a snapshot another connection may have changed the file since
  // this one last looked: numbers from an old map would be wrong.
  const int64_t version = data_version_;
  if (!LoadBookkeeping(false)) return false;
  if (data_version_ != version) {
    ResetCursor();
    PlaceCurrent(current_);
  }

  Statement& s = handles_->range[static_cast<size_t>(field - 1)];
  if (!s && !Prepare("SELECT rowid FROM " + table_ + " WHERE " +
                         Quote(fields_[static_cast<size_t>(field - 1)].name) + " BETWEEN ?1 AND ?2",
                     &s)) {
    return false;
  }
  std::vector<int64_t> rowids;
  for (int attempt = 0; attempt < 3; ++attempt) {
    rowids.clear();
    s.BindText(1, from);
    s.BindText(2, to);
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) rowids.push_back(s.Int64(0));
    if (rc != SQLITE_DONE) Fail(rc);
    s.Reset();
    if (rc != SQLITE_DONE) return false;
    // The index hands the rowids over in field order; record order is
    // rowid order, and the map keeps it.
    std::sort(rowids.begin(), rowids.end());
    bool known = true;
    for (const int64_t rowid : rowids) {
      const int64_t n = RecordOf(rowid);
      if (n == 0) {
        known = false;
        break;
      }
      numbers->push_back(n);
    }
    if (known) return true;
    // A record the map does not know of: learn the file again, from the
    // bookkeeping table first and from the rowids if that does not agree.
    numbers->clear();
    if (!(attempt == 0 ? LoadBookkeeping(true) : RebuildGapsFromFile())) return false;
    ResetCursor();
    PlaceCurrent(current_);
  }
  return Fail(SQLITE_CORRUPT);
}

}  // namespace store
