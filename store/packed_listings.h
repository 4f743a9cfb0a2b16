// Packed copies of the listings, in a table of Data.edb beside them:
// "榜单打包", one row per chunk of 4,096 rowids of the listing table, whose
// blob a reader lays out as it likes (the back-test's listings). The store
// only keeps the rows true: three triggers on the listing table, stored in
// the file's schema, delete the chunk of every listing inserted, changed or
// deleted, whoever writes (a build that knows nothing of the packs too),
// and with it the mark row (chunk -1). A reader that wrote the mark before
// it read the listings, and finds it unchanged when it writes its packs,
// knows nothing changed in between.
//
// A file without the table, or with the table and not all three triggers,
// holds no packs to trust; the first pack write makes what is missing and
// drops any packs left untrusted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/table_file.h"

namespace store {

inline constexpr std::string_view kPackedListingsTable = "榜单打包";
// A chunk holds the rowids [chunk << kListingChunkShift, (chunk + 1) << ...).
inline constexpr int kListingChunkShift = 12;

// One chunk's packed listings: every listing of the chunk, in record order.
struct ListingPack {
  int64_t chunk = 0;
  int64_t first_record = 0;  // the record number of its first listing
  int64_t count = 0;         // its listings
  std::string data;
};

struct ListingPackRows {
  // The table and its triggers are there: the packs read can be trusted.
  bool trusted = false;
  // The mark row's token, when there is one.
  std::optional<int64_t> mark;
  // The chunks asked for that have a usable pack, in chunk order.
  std::vector<ListingPack> packs;
  // The chunks asked for that hold listings and have no usable pack, in
  // chunk order (without data), and the record numbers of all their
  // listings, ascending.
  std::vector<ListingPack> missing;
  std::vector<int64_t> missing_records;
};

// The table as the file's side tables list it: emptied with the records,
// as its triggers would empty it, so that removing every listing can set
// the triggers aside and let the engine drop the table's pages at once.
const SideTable& PackedListingsSideTable();

}  // namespace store
