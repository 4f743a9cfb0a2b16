#include "ui/seat_archive_page.h"

#include "text/gbk.h"

namespace ui {

using text::Gbk;

namespace {

Look ArchiveColoured(Colour c) {
  return Look{Font{}, c, std::nullopt, false};
}

}  // namespace

SeatArchivePage::SeatArchivePage(TabControl& tabs, int page)
    : 标签_席位档案标题("标签_席位档案标题", &tabs, page, kPageHeadingPlace,
                        Gbk("沪深两市交易席位档案"), PageHeadingLook()),
      标签_席位档案统计("标签_席位档案统计", &tabs, page, {330, 37, 406, 16}, {},
                        ArchiveColoured(Colour{255, 0, 0})),
      外形框_席位档案("外形框_席位档案", &tabs, page, kPageFramePlace),
      标签_席位搜索("标签_席位搜索", &外形框_席位档案, -1, {8, 11, 160, 16},
                    Gbk("名称或昵称含：")),
      编辑框_席位搜索("编辑框_席位搜索", &外形框_席位档案, -1, {170, 8, 300, 22}),
      超级按钮_席位查找("超级按钮_席位查找", &外形框_席位档案, -1, {476, 8, 60, 22},
                        Gbk("查找")),
      标签_席位档案提示("标签_席位档案提示", &外形框_席位档案, -1, {8, 36, 724, 16},
                        Gbk("双击昵称或备注可直接修改，双击类别可从列表中选；右键可合并、拆分、撤销或关注。"),
                        ArchiveColoured(Colour{96, 96, 96})),
      高级表格_席位档案("高级表格_席位档案", &外形框_席位档案, -1, {-1, 56, 739, 326},
                        Gbk("席位档案")) {
  高级表格_席位档案.editable_columns = {kKind, kNickname, kNote};
  // A kind is one of four: picked, not typed.
  高级表格_席位档案.column_choices[kKind] = {Gbk("机构"), Gbk("北向"), Gbk("游资"), Gbk("营业部")};
  高级表格_席位档案.context_entries = {Gbk("合并…"), Gbk("拆分"), Gbk("撤销"), Gbk("关注")};
}

std::vector<Component*> SeatArchivePage::components() {
  return {&标签_席位档案标题, &标签_席位档案统计, &外形框_席位档案,  &标签_席位搜索,
          &编辑框_席位搜索,   &超级按钮_席位查找, &标签_席位档案提示, &高级表格_席位档案};
}

}  // namespace ui
