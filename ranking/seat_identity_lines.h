// What 营业部排行 in the window shows of the Seat identities: the nickname
// beside the newest name, the older names as the name cell's tooltip, the
// kind filter, and finding a row by a name, a part of one or a nickname.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ranking/ranking_grids.h"
#include "seats/seat_book.h"
#include "ui/grid.h"

namespace ranking {

// Per Seat number of a scan counted by identity.
struct SeatRowFacts {
  std::vector<seats::Kind> kinds;
  std::vector<int64_t> identities;  // 0: none
  std::vector<std::string> tips;    // the older names, empty for none (GBK)
};

// The facts of every Seat of `d`; `identities` as CountByIdentity gave them
// (empty when the book could not be read: every name its automatic kind).
SeatRowFacts MakeSeatRowFacts(const RangeData& d, const std::vector<int64_t>& identities,
                              const seats::SeatBook& book);

// Lines made by RankingLines for 营业部排行: the name cell of a Seat with a
// nickname reads "name（nickname）".
void AddNicknames(GridLines& lines, const std::vector<int64_t>& identities,
                  const seats::SeatBook& book);

// The kind of the filter's choice (全部, 机构, 北向, 游资, 营业部 in that
// order); none for 全部.
std::optional<seats::Kind> SeatKindOfChoice(int choice);

// The 营业部排行 lines whose Seat (the hidden last column) is of `kind`.
GridLines KeepKindLines(const GridLines& lines, const SeatRowFacts& facts, seats::Kind kind);

// The tooltips of the name column for rows 1..rows, by each row's Seat.
void PutSeatTips(ui::Grid& grid, int rows, const SeatRowFacts& facts);

// The grid row (1..rows) of the Seat the user means by `text` (a name, a
// nickname, or a part of a name only one identity holds), else 0.
int FindSeatRow(const ui::Grid& grid, int rows, const RangeData& d, const SeatRowFacts& facts,
                const seats::SeatBook& book, std::string_view text);

}  // namespace ranking
