// The page "回测" (after 今日关注): a "follow them" rule over a date range,
// its figures beside those of every listing of the range, the figures by
// year, the equity curves on one chart, and the rule's trades.
#pragma once

#include <functional>
#include <vector>

#include "ui/component.h"
#include "ui/grid.h"
#include "ui/page_look.h"

namespace ui {

class BacktestPage {
 public:
  // The figures grid's columns: the figure, the rule's, every listing's.
  enum FigureColumn { kFigureName, kRuleFigure, kBaselineFigure, kFigureColumnCount };
  // The items of 组合框_跟随对象, in order.
  enum Follow { kNamedSeats, kInstitutions, kNorthbound, kHotMoney, kBranches, kWatchList };
  // The items of 组合框_持有天数 are these trading days.
  static constexpr int kHoldDays[] = {1, 2, 3, 5, 10, 20};

  BacktestPage(TabControl& tabs, int page);
  // Containers first, in creation order.
  std::vector<Component*> components();

  std::function<void()> on_shown;
  void RaiseShown() {
    if (on_shown) on_shown();
  }

  // The quick ranges in the order of their captions: 近一周 … 全部.
  std::vector<RadioButton*> quick_ranges();

  Label 标签_回测标题;
  Label 标签_回测统计;
  SuperButton 超级按钮_回测;
  FrameBox 外形框_回测;
  DateBox 日期框_回测起;
  Label 标签_回测至;
  DateBox 日期框_回测止;
  RadioButton 单选框_回测近一周;
  RadioButton 单选框_回测近一月;
  RadioButton 单选框_回测近一季;
  RadioButton 单选框_回测近半年;
  RadioButton 单选框_回测近一年;
  RadioButton 单选框_回测全部;
  Label 标签_回测席位;
  // Names or nicknames, typed (several separated by commas) or picked from
  // the stored identities.
  ComboBox 组合框_回测席位;
  ComboBox 组合框_跟随对象;
  CheckBox 选择框_仅第一买方;
  CheckBox 选择框_排除卖方机构;
  Label 标签_回测板块;
  ComboBox 组合框_回测板块;
  Label 标签_最低买入;
  EditBox 编辑框_最低买入;
  Label 标签_最低净额;
  EditBox 编辑框_最低净额;
  Label 标签_最低强度;
  EditBox 编辑框_最低强度;
  Label 标签_原因含;
  EditBox 编辑框_原因含;
  Label 标签_每日最多;
  EditBox 编辑框_每日最多;
  Label 标签_入场;
  ComboBox 组合框_入场;
  Label 标签_持有;
  ComboBox 组合框_持有天数;
  Label 标签_止盈;
  EditBox 编辑框_止盈;
  Label 标签_止损;
  EditBox 编辑框_止损;
  Label 标签_佣金;
  EditBox 编辑框_佣金;
  Label 标签_印花税;
  EditBox 编辑框_印花税;
  Label 标签_回测声明;
  Grid 高级表格_回测指标;
  Chart 图表_回测净值;
  Grid 高级表格_回测年度;
  Grid 高级表格_回测交易;
};

}  // namespace ui
