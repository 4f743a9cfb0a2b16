// The excerpts' table: each row's blob laid out and read back, read only
// where its stamp matches the stock's log row, written only where the
// stock's packed row still has the stamp the excerpt was made from.
#include "store/bar_excerpts.h"

#include <algorithm>

#include "store/packed_bars_format.h"
#include "store/record_store.h"
#include "store/table_file_handles.h"
#include "store/varint.h"

namespace store {

using table_sql::Quote;

namespace {

// Rows by rowid, found through the index on the code: a search of a table
// keyed by the code itself reads the whole rows it passes on the way.
constexpr char kBarExcerptsColumns[] =
    "\"代码\" TEXT NOT NULL UNIQUE, \"印记\" INTEGER NOT NULL, \"数据\" BLOB NOT NULL";

// The first byte of an excerpt's blob; a blob of another layout is not read.
constexpr uint8_t kBarExcerptLayout = 1;

// A blob: the layout byte, the hold, the listing days (their count, the
// first zigzagged, then each as the change from the one before), the marks
// (their first day zigzagged, their bit count, their bytes), then the kept
// bars as a packed row of exact prices lays them out.
std::string BarExcerptBlob(const BarExcerpt& e) {
  std::string out;
  out.reserve(16 + e.listed.size() * 2 + e.marks.size() + e.bars.size() * 8);
  out.push_back(static_cast<char>(kBarExcerptLayout));
  PutVarint(static_cast<uint64_t>(std::max(e.hold, 0)), &out);
  PutVarint(e.listed.size(), &out);
  int64_t day = 0;
  for (size_t k = 0; k < e.listed.size(); ++k) {
    if (k == 0) {
      PutVarint(Zigzag(e.listed[k]), &out);
    } else {
      PutVarint(static_cast<uint64_t>(int64_t{e.listed[k]} - day), &out);
    }
    day = e.listed[k];
  }
  PutVarint(Zigzag(e.marks_from), &out);
  PutVarint(e.marks.size() * 8, &out);
  out.append(reinterpret_cast<const char*>(e.marks.data()), e.marks.size());
  std::vector<PackedBar> bars;
  bars.reserve(e.bars.size());
  for (const ExactDayBar& b : e.bars) bars.push_back({b.day, b.open, b.high, b.low, b.close});
  out += PackBars(bars, true);
  return out;
}

// Reads excerpt blobs into buffers kept from one row to the next.
class BarExcerptDecoder {
 public:
  // False for a blob that is not an excerpt (another layout, damage).
  bool Decode(std::string_view blob, BarExcerptView* view) {
    const uint8_t* at = reinterpret_cast<const uint8_t*>(blob.data());
    const uint8_t* const end = at + blob.size();
    if (at == end || *at++ != kBarExcerptLayout) return false;
    uint64_t hold = 0;
    uint64_t listed = 0;
    if (!ReadVarint(at, end, &hold) || hold > INT32_MAX || !ReadVarint(at, end, &listed) ||
        listed > static_cast<uint64_t>(end - at))
      return false;
    listed_.resize(listed);
    int64_t day = 0;
    for (uint64_t k = 0; k < listed; ++k) {
      if (k == 0) {
        if (!ReadSignedVarint(at, end, &day)) return false;
      } else {
        uint64_t step = 0;
        if (!ReadVarint(at, end, &step) || step > UINT32_MAX) return false;
        day += static_cast<int64_t>(step);
      }
      if (day < INT32_MIN || day > INT32_MAX) return false;
      listed_[k] = static_cast<int32_t>(day);
    }
    int64_t marks_from = 0;
    uint64_t mark_count = 0;
    if (!ReadSignedVarint(at, end, &marks_from) || marks_from < INT32_MIN ||
        marks_from > INT32_MAX || !ReadVarint(at, end, &mark_count) || mark_count > UINT32_MAX ||
        mark_count % 8 != 0 || mark_count / 8 > static_cast<uint64_t>(end - at))
      return false;
    view->marks = std::span<const uint8_t>(at, mark_count / 8);
    at += mark_count / 8;
    const std::string_view rest(reinterpret_cast<const char*>(at), static_cast<size_t>(end - at));
    uint64_t held = 0;
    size_t count = 0;
    if (!UnpackExactBarsWithin(rest, view->first_day, view->after_last, bars_, &held, &count))
      return false;
    view->hold = static_cast<int32_t>(hold);
    view->listed = listed_;
    view->marks_from = static_cast<int32_t>(marks_from);
    view->bars = std::span<const ExactDayBar>(bars_.data(), count);
    return true;
  }

 private:
  std::vector<int32_t> listed_;
  std::vector<ExactDayBar> bars_;
};

}  // namespace

PackedBarExcerpt PackBarExcerpt(const BarExcerpt& excerpt) {
  return PackedBarExcerpt{excerpt.code, excerpt.stamp, BarExcerptBlob(excerpt)};
}

const SideTable& BarExcerptsSideTable() {
  // Emptied with the listings it was made for.
  static const SideTable table{kBarExcerptsTable, kBarExcerptsColumns, "", true};
  return table;
}

// Works on a table file's connection for the access that has it open.
class BarExcerptsTables {
 public:
  static bool Read(TableFile& t, std::string_view from, std::string_view to,
                   std::span<const std::string> codes,
                   const std::function<void(const BarExcerptView&)>& take,
                   std::vector<std::string>* missing) {
    missing->clear();
    bool present = false;
    bool logged = false;
    if (!t.HasTable(kBarExcerptsTable, &present) || !t.HasTable(kPriceLogTable, &logged))
      return false;
    if (!present || !logged) {
      missing->assign(codes.begin(), codes.end());
      return true;
    }
    Statement s;
    if (!t.Prepare("SELECT l.\"时间\", l.\"结果\", l.\"原因\", l.\"条数\", l.\"起\", l.\"止\", "
                   "e.\"印记\", e.\"数据\" FROM " +
                       Quote(kPriceLogTable) + " AS l JOIN " + Quote(kBarExcerptsTable) +
                       " AS e ON e.\"代码\" = l.\"代码\" WHERE l.\"代码\" = ?1",
                   &s))
      return false;
    BarExcerptView view;
    view.first_day = PackedBarsFirstDay(from, true);
    view.after_last = PackedBarsFirstDay(to, false);
    BarExcerptDecoder decoder;
    PriceLogEntry log;
    for (const std::string& code : codes) {
      s.Reset();
      s.BindText(1, code);
      const int rc = s.Step();
      if (rc != SQLITE_ROW && rc != SQLITE_DONE) return t.Fail(rc);
      bool used = false;
      if (rc == SQLITE_ROW) {
        log.code = code;
        PriceLogFromColumns(s, 0, &log);
        used = s.Int64(6) == PackedBarsStamp(log) && decoder.Decode(s.Bytes(7), &view);
      }
      if (!used) {
        missing->push_back(code);
        continue;
      }
      view.code = code;
      take(view);
    }
    return true;
  }

  static bool Write(TableFile& t, const std::vector<PackedBarExcerpt>& excerpts, bool* written) {
    *written = false;
    NoBusyWait no_wait(t.handles_->db);
    bool packed = false;
    if (!t.HasTable(kPackedBarsTable, &packed)) return false;
    if (!packed || excerpts.empty()) return true;
    if (!t.EnsureIndexes(true)) return false;
    const bool own_batch = !t.InBatch();
    if (own_batch && !t.BeginBatch()) return false;
    // Every packed row's stamp, in one pass over the table's keys: a
    // lookup by code would read each row's whole blob.
    Statement stamps;
    std::vector<std::pair<std::string, int64_t>> now;
    bool ok = t.Prepare("SELECT \"代码\", \"印记\" FROM " + Quote(kPackedBarsTable) +
                            " ORDER BY \"代码\"",
                        &stamps);
    int rc = SQLITE_DONE;
    while (ok && (rc = stamps.Step()) == SQLITE_ROW)
      now.emplace_back(std::string(stamps.Bytes(0)), stamps.Int64(1));
    if (ok && rc != SQLITE_DONE) ok = t.Fail(rc);
    Statement write;
    ok = ok && t.Prepare("INSERT OR REPLACE INTO " + Quote(kBarExcerptsTable) +
                             " (\"代码\", \"印记\", \"数据\") VALUES (?1, ?2, ?3)",
                         &write);
    for (size_t k = 0; ok && k < excerpts.size(); ++k) {
      const PackedBarExcerpt& e = excerpts[k];
      const auto it = std::lower_bound(
          now.begin(), now.end(), e.code,
          [](const std::pair<std::string, int64_t>& row, const std::string& code) {
            return row.first < code;
          });
      // Bars written since the excerpt's were read: it is not kept.
      if (it == now.end() || it->first != e.code || it->second != e.stamp) continue;
      write.Reset();
      write.BindText(1, e.code);
      write.BindInt64(2, e.stamp);
      write.BindBlob(3, e.data);
      ok = t.Check(write.Run(), SQLITE_DONE);
    }
    ok = EndOwnBatch(t, own_batch, ok);
    *written = ok;
    return ok;
  }
};

bool StoreAccess::ReadBarExcerpts(std::string_view from, std::string_view to,
                                  std::span<const std::string> codes,
                                  const std::function<void(const BarExcerptView&)>& take,
                                  std::vector<std::string>* missing) {
  missing->clear();
  return table_ && BarExcerptsTables::Read(*table_, from, to, codes, take, missing);
}

bool StoreAccess::WriteBarExcerpts(const std::vector<PackedBarExcerpt>& excerpts,
                                   bool* written) {
  *written = false;
  return table_ && BarExcerptsTables::Write(*table_, excerpts, written);
}

}  // namespace store
