// The page "席位统计" (after the layout's four): Seat and stock statistics
// over a date range.
#pragma once

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

  Label 标签_席位统计标题;
  FrameBox 外形框_席位统计;
};

}  // namespace ui
