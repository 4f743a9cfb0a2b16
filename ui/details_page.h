// The details page as its handlers see it: the components they read and
// write, by reference into the main window, which outlives them.
#pragma once

#include "ui/main_window.h"

namespace ui {

struct DetailsPage {
  Grid& 高级表格_上榜明细;
  Label& 标签_明细标题;
  // Over every page: the sort arrow (hidden here) and the elapsed time.
  Label& 透明标签_排序标;
  Label& 标签_数据耗时;
  // The statistics grid: details are shown only when it holds listings.
  const Grid& 高级表格_龙虎统计;

  static DetailsPage Of(MainWindow& w) {
    return DetailsPage{
        .高级表格_上榜明细 = w.高级表格_上榜明细,
        .标签_明细标题 = w.标签_明细标题,
        .透明标签_排序标 = w.透明标签_排序标,
        .标签_数据耗时 = w.标签_数据耗时,
        .高级表格_龙虎统计 = w.高级表格_龙虎统计,
    };
  }
};

}  // namespace ui
