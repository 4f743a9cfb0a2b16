// The page "席位档案" (after 席位统计): the Seat identities in a grid, with
// a search over names and nicknames, kind, nickname and note edited in
// place, and merge, split, undo and watch from the grid's context menu.
#pragma once

#include <functional>
#include <vector>

#include "ui/component.h"
#include "ui/grid.h"
#include "ui/page_look.h"

namespace ui {

class SeatArchivePage {
 public:
  // The grid's columns.
  enum Column {
    kNewestName,
    kOtherNames,
    kBranchCode,
    kKind,
    kNickname,
    kNote,
    kWatched,
    kColumnCount
  };
  // The context menu's entries, in order.
  enum Entry { kMerge, kSplit, kUndo, kWatch };

  SeatArchivePage(TabControl& tabs, int page);
  // Containers first, in creation order.
  std::vector<Component*> components();

  std::function<void()> on_shown;
  void RaiseShown() {
    if (on_shown) on_shown();
  }

  Label 标签_席位档案标题;
  Label 标签_席位档案统计;
  FrameBox 外形框_席位档案;
  Label 标签_席位搜索;
  EditBox 编辑框_席位搜索;
  SuperButton 超级按钮_席位查找;
  Label 标签_席位档案提示;
  Grid 高级表格_席位档案;
};

}  // namespace ui
