// The Seat identities as the user keeps them, in four tables of Data.edb
// beside the listings: "席位" (one row per identity: branch code, kind,
// nickname, note), "席位名称" (every Seat name seen, with its identity and
// the first and last dates it was seen), "席位撤销" (the merges and splits
// that can still be undone, newest last) and "关注" (the watch list:
// identities and stock codes). They hold what the user made, so emptying
// the listings ("更新原数据") leaves them. Texts are GBK.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/table_file.h"

namespace store {

inline constexpr std::string_view kSeatIdentitiesTable = "席位";
inline constexpr std::string_view kSeatNamesTable = "席位名称";
inline constexpr std::string_view kSeatUndoTable = "席位撤销";
inline constexpr std::string_view kWatchListTable = "关注";

struct SeatIdentityRow {
  int64_t id = 0;        // 编号
  std::string branch;    // 营业部代码, empty where none is known
  std::string kind;      // 类别: 机构, 北向, 游资 or 营业部
  std::string nickname;  // 昵称
  std::string note;      // 备注
  bool operator==(const SeatIdentityRow&) const = default;
};

struct SeatNameRow {
  std::string name;        // 名称, as in the Seat blocks
  int64_t identity = 0;    // 席位
  std::string first_seen;  // 首见, "YYYY-MM-DD"
  std::string last_seen;   // 末见
  bool operator==(const SeatNameRow&) const = default;
};

// One merge or split, with what undoing it needs.
struct SeatUndoRow {
  int64_t step = 0;         // 步, ascending
  int action = 0;           // 操作: 0 merge, 1 split
  int64_t identity = 0;     // 席位: merge: the identity merged away; split: the one made
  int64_t other = 0;        // 对方: merge: the one kept; split: the one split from
  SeatIdentityRow removed;  // merge: the row of the identity merged away
  std::string kept_branch;  // merge: the kept identity's code before
  std::string names;        // 名称: the names moved, one a line
  bool watched = false;     // merge: the identity merged away was watched
  bool kept_watched = false;  // merge: the kept one was watched before
  bool operator==(const SeatUndoRow&) const = default;
};

struct WatchRow {
  int kind = 0;       // 类型: 0 an identity (its 编号 as text), 1 a stock code
  std::string value;  // 值
  bool operator==(const WatchRow&) const = default;
};

struct SeatBookRows {
  bool present = false;  // the file has the tables
  std::vector<SeatIdentityRow> identities;  // by 编号
  std::vector<SeatNameRow> names;           // by 名称
  std::vector<SeatUndoRow> undo;            // by 步
  std::vector<WatchRow> watch;              // by 类型, 值
};

const SideTable& SeatIdentitiesSideTable();
const SideTable& SeatNamesSideTable();
const SideTable& SeatUndoSideTable();
const SideTable& WatchListSideTable();

}  // namespace store
