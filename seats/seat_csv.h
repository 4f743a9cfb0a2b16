// The identity table as UTF-8 CSV, to share nickname lists: a header line
// "names,branch,kind,nickname,note", then one identity a line. `names` holds
// the identity's names separated by "|", newest first; `kind` is 机构,
// 北向, 游资 or 营业部. Fields with commas, quotes or line breaks are quoted
// as usual ("" for a quote).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "seats/seat_book.h"

namespace seats {

inline constexpr std::string_view kSeatCsvHeader = "names,branch,kind,nickname,note";

std::string ExportSeatCsv(const SeatBook& book);

struct ImportRefusal {
  int line = 0;         // 1-based line of the file
  std::string message;  // English
};

// Applies every line to a copy of `book` and, when all are good, moves the
// copy into `book`. A line's names join the identity of the first name
// already known (or a new one), whose kind, nickname, note and (when
// given) code the line then sets. A bad line (an unknown kind, a name or
// text outside GBK, a nickname another identity has, a wrong number of
// fields) leaves `book` as it was and is returned.
std::optional<ImportRefusal> ImportSeatCsv(std::string_view utf8, SeatBook* book,
                                           int* identities = nullptr);

}  // namespace seats
