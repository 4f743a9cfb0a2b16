// The statistics and search pages as their handlers see them: the two
// listing grids and the components around them, by reference into the main
// window, which outlives them.
#pragma once

#include "ui/main_window.h"

namespace ui {

struct ListingPages {
  Grid& 高级表格_龙虎统计;
  Grid& 高级表格_搜索结果;
  Label& 标签_上榜数;
  Label& 标签_搜索标题;
  // The search page's keyword and the kind it is searched as (neither
  // checked: a Seat).
  EditBox& 编辑框_搜索;
  RadioButton& 单选框_代码;
  RadioButton& 单选框_日期;
  RadioButton& 单选框_股名;
  // Over every page: the elapsed time, the date line and the sort arrow,
  // and the tabs (the details page is shut while a grid is refilled).
  Label& 标签_数据耗时;
  Label& 标签_上榜日期;
  Label& 透明标签_排序标;
  TabControl& 高级选择夹1;
  // What the sort arrow's place is relative to.
  const Component& window;

  static ListingPages Of(MainWindow& w) {
    return ListingPages{
        .高级表格_龙虎统计 = w.高级表格_龙虎统计,
        .高级表格_搜索结果 = w.高级表格_搜索结果,
        .标签_上榜数 = w.标签_上榜数,
        .标签_搜索标题 = w.标签_搜索标题,
        .编辑框_搜索 = w.编辑框_搜索,
        .单选框_代码 = w.单选框_代码,
        .单选框_日期 = w.单选框_日期,
        .单选框_股名 = w.单选框_股名,
        .标签_数据耗时 = w.标签_数据耗时,
        .标签_上榜日期 = w.标签_上榜日期,
        .透明标签_排序标 = w.透明标签_排序标,
        .高级选择夹1 = w.高级选择夹1,
        .window = w,
    };
  }
};

}  // namespace ui
