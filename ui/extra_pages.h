// The pages the program adds after the four of the layout, each a class of
// its own whose components are members named in the layout's style. They
// sit on the same tab control, in the same look.
#pragma once

#include <vector>

#include "ui/component.h"
#include "ui/grid.h"

namespace ui {

// Where every page puts its heading and its main area.
inline constexpr Rect kPageHeadingPlace{12, 37, 270, 16};
inline constexpr Rect kPageFramePlace{1, 58, 739, 384};
// The look of every page's heading: 宋体 12 pixels, bold, red.
Look PageHeadingLook();

// "下载记录": which pages the store holds, per board and day.
class DownloadLogPage {
 public:
  DownloadLogPage(TabControl& tabs, int page);
  // Containers first, in creation order.
  std::vector<Component*> components();

  Label 标签_下载记录标题;
  FrameBox 外形框_下载记录;
};

// "席位统计": Seat and stock statistics over a date range.
class RankingPage {
 public:
  RankingPage(TabControl& tabs, int page);
  std::vector<Component*> components();

  Label 标签_席位统计标题;
  FrameBox 外形框_席位统计;
};

}  // namespace ui
