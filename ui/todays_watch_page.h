// The page "今日关注" (after 席位档案): for the newest day held, or a day
// chosen in its date box, every listing that involves a watched Seat or
// stock code, one row per watched Seat in a listing and one per listing of
// a watched code.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/grid.h"
#include "ui/page_look.h"

namespace ui {

class TodaysWatchPage {
 public:
  enum Column {
    kCode,
    kStock,
    kSeat,
    kNickname,
    kKind,
    kSide,
    kBuy,
    kSell,
    kNet,
    kListingNet,
    // The watched Seat's track record over the year up to the day.
    kSample,
    kNextOpen,
    kNextDayWinRate,
    kFiveDayMean,
    kFiveDayWinRate,
    kTenDayMean,
    kColumnCount
  };

  TodaysWatchPage(TabControl& tabs, int page);
  // Containers first, in creation order.
  std::vector<Component*> components();

  std::function<void()> on_shown;
  void RaiseShown() {
    if (on_shown) on_shown();
  }
  // Set by the page's side: how many listings of these days ("YYYY-MM-DD")
  // involve something watched. Any thread; reads the store.
  std::function<size_t(const std::vector<std::string>& days)> count_watched_listings;

  Label 标签_今日关注标题;
  Label 标签_今日关注统计;
  FrameBox 外形框_今日关注;
  Label 标签_关注日期;
  DateBox 日期框_关注日期;
  SuperButton 超级按钮_关注最新;
  Label 标签_今日关注提示;
  Grid 高级表格_今日关注;
};

}  // namespace ui
