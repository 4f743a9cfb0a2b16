// The download log: a second table of Data.edb, "下载记录", with one row
// per board and date that says what the last fetch of that page found.
// A row is written in the same transaction as the page's listings, so the
// two never disagree after a crash. "更新原数据" empties it together with
// the listings; duplicate removal leaves it alone. Files made before the
// log existed open as before and gain the table at their first write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/table_file.h"

namespace store {

inline constexpr std::string_view kDownloadLogTable = "下载记录";

// What a page held, as column 结果 stores it.
enum class PageOutcome : int {
  kStored = 1,        // listings stored (条数 of them)
  kNoListings = 2,    // the list was there but held no stock: "无上榜"
  kNotPublished = 3,  // an empty list on the day of the download: "未发布"
  kFailed = 4,        // no list came: see PageFailure
};

// Why a page failed, as column 原因 stores it.
enum class PageFailure : int {
  kNone = 0,
  kConnection = 1,   // no connection, refused, reset, a bad answer
  kTimeout = 2,      // connect or transfer time-out, or too slow
  kStatus = 3,       // an HTTP status other than 2xx (状态码 holds it)
  kEmptyBody = 4,    // an answer without a single byte
  kNoList = 5,       // a body without the list: cut short, a notice, garbage
  kTooBig = 6,       // a body above the size cap
  kWriteFailed = 7,  // the listings could not be stored
  // An answer not of the expected shape: not JSON, the wrong shape, or
  // without a field the mapping needs (备注 names the file it was kept in).
  kBadAnswer = 8,
  // A redirect the fetch did not follow: too many, to a scheme other than
  // http(s), or a 3xx answer without a place to go.
  kRedirect = 9,
  kCertificate = 10,  // the server's certificate failed verification (https)
  // The service answered, but refused the request (success false); 备注
  // holds its code and message.
  kRefused = 11,
};

struct PageLogEntry {
  int board = 0;     // 0 沪市, 1 深市, 2 中小板
  std::string date;  // "YYYY-MM-DD"
  PageOutcome outcome = PageOutcome::kStored;
  PageFailure failure = PageFailure::kNone;
  int64_t status = 0;      // HTTP status of the answer, 0 when none came
  int64_t listings = 0;    // listings stored from the page
  int64_t bytes = 0;       // bytes of the page as received
  std::string fetched_at;  // local time of the fetch, "YYYY-MM-DD HH:MM:SS"
  bool inferred = false;   // worked out from the stored listings, not fetched
  // Room for what a source kind has to add: listings it left out (those of
  // other exchanges) and a note (GBK).
  int64_t skipped = 0;
  std::string note;
  bool operator==(const PageLogEntry&) const = default;
};

// What ReadPageLog found.
struct PageLogRows {
  // The file has the table. Files made before it have no log until their
  // first write, and until then every page of them counts as never
  // downloaded.
  bool present = false;
  std::vector<PageLogEntry> rows;  // by board, then date ascending
};

// The table as the store keeps it beside the listings (see table_file.h).
const SideTable& DownloadLogSideTable();

}  // namespace store
