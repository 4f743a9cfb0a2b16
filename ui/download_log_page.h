// The page "下载记录" (after the layout's four): which pages the store
// holds, per board and day.
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

  Label 标签_下载记录标题;
  FrameBox 外形框_下载记录;
};

}  // namespace ui
