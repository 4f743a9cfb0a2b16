// The packed listings' table and its triggers: packs read with the record
// numbers of their listings, the mark row, and packs written only when the
// mark says the listings did not change since they were read.
#include "store/packed_listings.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "store/record_store.h"
#include "store/table_file_handles.h"

namespace store {

using table_sql::Quote;

namespace {

constexpr char kPackedListingsColumns[] =
    "\"块\" INTEGER PRIMARY KEY, \"首\" INTEGER NOT NULL, \"条数\" INTEGER NOT NULL, "
    "\"数据\" BLOB NOT NULL";

// The mark row's chunk number: no chunk of rowids has it.
constexpr int64_t kPackedListingsMarkChunk = -1;

// The triggers' names and the rowids whose chunks each one deletes.
struct PackedListingsTrigger {
  const char* suffix;
  const char* event;
  const char* chunks;
};
constexpr PackedListingsTrigger kPackedListingsTriggers[] = {
    {"_增", "INSERT", "NEW.rowid >> 12"},
    {"_改", "UPDATE", "OLD.rowid >> 12, NEW.rowid >> 12"},
    {"_删", "DELETE", "OLD.rowid >> 12"},
};
static_assert(kListingChunkShift == 12, "the triggers shift rowids by the chunk size");

std::string PackedListingsTriggerName(const PackedListingsTrigger& t) {
  return std::string(kPackedListingsTable) + t.suffix;
}

int64_t PackedListingsNewToken() {
  std::random_device device;
  const uint64_t t = static_cast<uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  const uint64_t r = (static_cast<uint64_t>(device()) << 32) ^ device() ^ (t * 0x9E3779B97F4A7C15ull);
  return static_cast<int64_t>(r >> 1) + 1;  // above zero
}

}  // namespace

const SideTable& PackedListingsSideTable() {
  static const SideTable table{kPackedListingsTable, kPackedListingsColumns, "", true};
  return table;
}

// Works on a table file's connection for the access that has it open.
class PackedListingsTables {
 public:
  // Whether the table is there, and all three triggers on the listing table.
  static bool Look(TableFile& t, bool* table, bool* triggers) {
    *triggers = false;
    if (!t.HasTable(kPackedListingsTable, table)) return false;
    if (!*table) return true;
    Statement s;
    if (!t.Prepare("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ?1 "
                   "AND name IN (?2, ?3, ?4)",
                   &s))
      return false;
    std::string names[3];
    for (size_t k = 0; k < 3; ++k) names[k] = PackedListingsTriggerName(kPackedListingsTriggers[k]);
    s.BindText(1, t.table_name_);
    for (int k = 0; k < 3; ++k) s.BindText(k + 2, names[k]);
    const int rc = s.Step();
    if (rc != SQLITE_ROW) return t.Fail(rc);
    *triggers = s.Int64(0) == 3;
    return true;
  }

  // The table and its triggers, made where missing; packs kept while the
  // triggers were missing cannot be trusted and go.
  static bool Ensure(TableFile& t) {
    bool table = false;
    bool triggers = false;
    if (!Look(t, &table, &triggers)) return false;
    if (triggers) return true;
    const std::string packs = Quote(kPackedListingsTable);
    std::string sql = table ? "DELETE FROM " + packs + ";"
                            : "CREATE TABLE IF NOT EXISTS " + packs + " (" +
                                  kPackedListingsColumns + ");";
    for (const PackedListingsTrigger& trigger : kPackedListingsTriggers) {
      sql += " CREATE TRIGGER IF NOT EXISTS " + Quote(PackedListingsTriggerName(trigger)) +
             " AFTER " + trigger.event + " ON " + t.table_ + " BEGIN DELETE FROM " + packs +
             " WHERE \"块\" IN (" + trigger.chunks + ", " +
             std::to_string(kPackedListingsMarkChunk) + "); END;";
    }
    return t.Exec(sql);
  }

  // Listings with a rowid below `rowid`, by the record-number map.
  static int64_t RecordsBelow(const TableFile& t, int64_t rowid) {
    const int64_t end = std::min(rowid, t.max_rowid_ + 1);
    if (end <= 1) return 0;
    const auto gaps = std::lower_bound(t.gaps_.begin(), t.gaps_.end(), end) - t.gaps_.begin();
    return end - 1 - static_cast<int64_t>(gaps);
  }

  static bool ReadMark(TableFile& t, std::optional<int64_t>* mark) {
    mark->reset();
    Statement s;
    if (!t.Prepare("SELECT \"首\" FROM " + Quote(kPackedListingsTable) + " WHERE \"块\" = " +
                       std::to_string(kPackedListingsMarkChunk),
                   &s))
      return false;
    const int rc = s.Step();
    if (rc == SQLITE_ROW) *mark = s.Int64(0);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return t.Fail(rc);
    return true;
  }

  static bool Read(TableFile& t, const std::vector<int64_t>* records, ListingPackRows* out,
                   const std::function<bool(ListingPack&&, bool)>& take) {
    *out = {};
    if (!t.FlushPending()) return false;
    // The chunks wanted, each with its listings by the map.
    struct Wanted {
      int64_t chunk;
      int64_t first_record;
      int64_t count;
    };
    std::vector<Wanted> wanted;
    const auto want = [&](int64_t chunk) {
      const int64_t below = RecordsBelow(t, chunk << kListingChunkShift);
      const int64_t count = RecordsBelow(t, (chunk + 1) << kListingChunkShift) - below;
      if (count > 0) wanted.push_back({chunk, below + 1, count});
    };
    if (records) {
      int64_t last = -1;
      for (const int64_t n : *records) {
        if (n < 1 || n > t.count_) continue;
        const int64_t chunk = t.RowidOf(n) >> kListingChunkShift;
        if (chunk != last) want(chunk);
        last = chunk;
      }
    } else {
      for (int64_t chunk = 0; chunk <= (t.max_rowid_ >> kListingChunkShift); ++chunk) want(chunk);
    }

    bool table = false;
    if (!Look(t, &table, &out->trusted)) return false;
    if (out->trusted && !ReadMark(t, &out->mark)) return false;
    size_t at = 0;  // the next wanted chunk
    bool go_on = true;
    const auto miss_until = [&](int64_t chunk) {
      for (; go_on && at < wanted.size() && wanted[at].chunk < chunk; ++at) {
        out->missing.push_back({wanted[at].chunk, wanted[at].first_record, wanted[at].count, {}});
        for (int64_t k = 0; k < wanted[at].count; ++k)
          out->missing_records.push_back(wanted[at].first_record + k);
        if (take) go_on = take(ListingPack(out->missing.back()), true);
      }
    };
    if (out->trusted && !wanted.empty()) {
      Statement s;
      if (!t.Prepare("SELECT \"块\", \"首\", \"条数\", \"数据\" FROM " +
                         Quote(kPackedListingsTable) +
                         " WHERE \"块\" BETWEEN ?1 AND ?2 ORDER BY \"块\"",
                     &s))
        return false;
      s.BindInt64(1, wanted.front().chunk);
      s.BindInt64(2, wanted.back().chunk);
      int rc = SQLITE_DONE;
      while (go_on && (rc = s.Step()) == SQLITE_ROW) {
        const int64_t chunk = s.Int64(0);
        miss_until(chunk);
        if (at == wanted.size() || wanted[at].chunk != chunk) continue;
        const Wanted& w = wanted[at];
        // A pack of other listings than the map's (a map learnt again
        // differently) is not used.
        if (s.Int64(1) != t.RowidOf(w.first_record) || s.Int64(2) != w.count) continue;
        ListingPack pack;
        pack.chunk = chunk;
        pack.first_record = w.first_record;
        pack.count = w.count;
        pack.data.assign(s.Bytes(3));
        ++at;
        if (take) {
          go_on = take(std::move(pack), false);
        } else {
          out->packs.push_back(std::move(pack));
        }
      }
      if (!go_on) return true;
      if (rc != SQLITE_DONE) {
        *out = {};
        return t.Fail(rc);
      }
    }
    miss_until(INT64_MAX);
    return true;
  }

  static bool Mark(TableFile& t, int64_t* token) {
    NoBusyWait no_wait(t.handles_->db);
    const bool own_batch = !t.InBatch();
    if (own_batch && !t.BeginBatch()) return false;
    std::optional<int64_t> mark;
    bool ok = Ensure(t) && ReadMark(t, &mark);
    if (ok && !mark) {
      mark = PackedListingsNewToken();
      ok = t.Exec("INSERT INTO " + Quote(kPackedListingsTable) +
                  " (\"块\", \"首\", \"条数\", \"数据\") VALUES (" +
                  std::to_string(kPackedListingsMarkChunk) + ", " + std::to_string(*mark) +
                  ", 0, x'')");
    }
    if (ok) *token = *mark;
    return EndOwnBatch(t, own_batch, ok);
  }

  static bool Write(TableFile& t, int64_t token, const std::vector<ListingPack>& packs,
                    bool* written) {
    *written = false;
    NoBusyWait no_wait(t.handles_->db);
    bool table = false;
    bool triggers = false;
    std::optional<int64_t> mark;
    if (!Look(t, &table, &triggers)) return false;
    if (!triggers || !ReadMark(t, &mark)) return !t.failed();
    if (mark != token) return true;  // the listings changed since: the packs may not match
    const bool own_batch = !t.InBatch();
    if (own_batch && !t.BeginBatch()) return false;
    Statement s;
    bool ok = t.Prepare("INSERT OR REPLACE INTO " + Quote(kPackedListingsTable) +
                            " (\"块\", \"首\", \"条数\", \"数据\") VALUES (?1, ?2, ?3, ?4)",
                        &s);
    for (size_t k = 0; ok && k < packs.size(); ++k) {
      const ListingPack& p = packs[k];
      if (p.count < 1 || p.first_record < 1 || p.first_record + p.count - 1 > t.count_) continue;
      s.BindInt64(1, p.chunk);
      s.BindInt64(2, t.RowidOf(p.first_record));
      s.BindInt64(3, p.count);
      s.BindBlob(4, p.data);
      ok = t.Check(s.Run(), SQLITE_DONE);
    }
    ok = EndOwnBatch(t, own_batch, ok);
    *written = ok;
    return ok;
  }
};

bool StoreAccess::ReadListingPacks(const std::vector<int64_t>* records, ListingPackRows* out,
                                   const std::function<bool(ListingPack&&, bool)>& take) {
  *out = {};
  return table_ && PackedListingsTables::Read(*table_, records, out, take);
}

bool StoreAccess::MarkListingPacks(int64_t* token) {
  return table_ && PackedListingsTables::Mark(*table_, token);
}

bool StoreAccess::WriteListingPacks(int64_t token, const std::vector<ListingPack>& packs,
                                    bool* written) {
  *written = false;
  return table_ && PackedListingsTables::Write(*table_, token, packs, written);
}

}  // namespace store
