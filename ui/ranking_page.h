// The page "席位统计" (after the layout's four): Seat and stock statistics
// over a date range. The kinds and the repeat switch stand on the heading
// row beside the heading; the range, the ranking grid, the grid of the
// listings behind a row and the chart lie inside the page's frame.
#pragma once

#include <functional>
#include <vector>

#include "ui/component.h"
#include "ui/grid.h"
#include "ui/page_look.h"

namespace ui {

class RankingPage {
 public:
  RankingPage(TabControl& tabs, int page);
  // Containers first, in creation order.
  std::vector<Component*> components();

  // The page came up on the tab control (raised by the page-changed
  // handler).
  std::function<void()> on_shown;
  void RaiseShown() {
    if (on_shown) on_shown();
  }

  // The quick ranges in the order of their captions: 近一周 … 全部.
  std::vector<RadioButton*> quick_ranges();
  // The kinds in the order of their captions: 营业部排行, 个股统计, 机构追踪.
  std::vector<RadioButton*> kinds();

  Label 标签_席位统计标题;
  // 营业部排行 of one kind of Seat, and the row of a Seat named by its name,
  // a part of it or its nickname (Enter finds it).
  ComboBox 组合框_席位类别;
  EditBox 编辑框_席位查找;
  RadioButton 单选框_营业部排行;
  RadioButton 单选框_个股统计;
  RadioButton 单选框_机构追踪;
  CheckBox 选择框_含重复上榜;
  FrameBox 外形框_席位统计;
  DateBox 日期框_统计起;
  Label 标签_统计至;
  DateBox 日期框_统计止;
  RadioButton 单选框_近一周;
  RadioButton 单选框_近一月;
  RadioButton 单选框_近一季;
  RadioButton 单选框_近半年;
  RadioButton 单选框_近一年;
  RadioButton 单选框_全部;
  Label 标签_排行说明;
  Grid 高级表格_席位排行;
  Label 透明标签_排行排序标;
  Grid 高级表格_排行明细;
  Chart 图表_席位净额;
  // The daily prices of the range's stocks, now or after every download.
  SuperButton 超级按钮_更新行情;
  CheckBox 选择框_下载后更新行情;
  // The chart's second view for a Seat: its mean close path after its buys.
  CheckBox 选择框_收益路径;
};

}  // namespace ui
