// What the page's grids show of the prices after a listing: the track
// record columns of 营业部排行 and 个股统计 and the returns of each listing
// behind a row, figured by the same library as quorvane-cli stats. The
// columns stand before the hidden key column of each grid.
#pragma once

#include <string_view>
#include <vector>

#include "ranking/range_returns.h"
#include "ranking/ranking_grids.h"

namespace ranking {

// The columns of a ranking and of the listings behind a row with the
// returns in.
const std::vector<GridColumn>& ShownRankingColumns(RankingKind kind);
const std::vector<GridColumn>& ShownRowListingColumns();

// Widens lines made with RankingColumns(kind) to ShownRankingColumns(kind):
// 营业部排行 gains 样本, 次日溢价, 次日胜率, 5日均涨, 5日胜率, 10日均涨;
// 个股统计 the mean 次日开盘 and 5日; 机构追踪 stays as it is.
void AddRankingReturns(GridLines& lines, RankingKind kind, const prices::RangeReturns& returns);
// Widens the lines of `listings` (made by RowListingLines, in that order)
// with each listing's 次日开盘, 1日, 5日 and 10日.
void AddRowListingReturns(GridLines& lines, const RangeData& data,
                          const std::vector<RowListing>& listings, const prices::BarsIndex& bars);

// The chart's second view for a Seat row: the mean close path of its buys,
// D0 to D+10 (0 % at D0), beside the same path over every listing of the
// range, drawn in grey. Each path ends where its listings' bars end.
ui::ChartData PathChart(std::string_view row_name_gbk, const prices::TrackRecord& seat,
                        const prices::TrackRecord& all);

}  // namespace ranking
