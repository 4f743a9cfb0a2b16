// The page "下载记录" (after the layout's four): which pages the store
// holds, per board and day, and the gap fill.
#pragma once

#include <vector>

#include "ui/component.h"
#include "ui/grid.h"
#include "ui/page_look.h"

namespace ui {

class DownloadLogPage {
 public:
  DownloadLogPage(TabControl& tabs, int page);
  // Containers first, in creation order.
  std::vector<Component*> components();
  // The quick ranges, in the order of 数据管理's.
  std::vector<RadioButton*> quick_ranges();

  Label 标签_下载记录标题;
  Label 标签_下载记录统计;
  FrameBox 外形框_下载记录;
  GroupBox 分组框_记录快速时段;
  RadioButton 单选框_记录日;
  RadioButton 单选框_记录周;
  RadioButton 单选框_记录月;
  RadioButton 单选框_记录季;
  RadioButton 单选框_记录半年;
  RadioButton 单选框_记录年;
  GroupBox 分组框_记录自定时段;
  DateBox 日期框_记录开始;
  Label 标签_记录至;
  DateBox 日期框_记录结束;
  SuperButton 超级按钮_补全下载;
  SuperButton 超级按钮_重建记录;
  Label 标签_下载记录提示;
  Grid 高级表格_下载记录;
  // Which source and kind a download from this page asks, and why.
  Label 标签_下载记录来源;
};

}  // namespace ui
