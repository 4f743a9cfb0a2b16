#include "ui/todays_watch_page.h"

#include "text/gbk.h"

namespace ui {

using text::Gbk;

namespace {

Look TodaysWatchColoured(Colour c) {
  return Look{Font{}, c, std::nullopt, false};
}

}  // namespace

TodaysWatchPage::TodaysWatchPage(TabControl& tabs, int page)
    : 标签_今日关注标题("标签_今日关注标题", &tabs, page, kPageHeadingPlace,
                        Gbk("沪深两市今日关注"), PageHeadingLook()),
      标签_今日关注统计("标签_今日关注统计", &tabs, page, {330, 37, 406, 16}, {},
                        TodaysWatchColoured(Colour{255, 0, 0})),
      外形框_今日关注("外形框_今日关注", &tabs, page, kPageFramePlace),
      标签_关注日期("标签_关注日期", &外形框_今日关注, -1, {8, 11, 70, 16}, Gbk("上榜日期：")),
      日期框_关注日期("日期框_关注日期", &外形框_今日关注, -1, {80, 8, 100, 20}),
      超级按钮_关注最新("超级按钮_关注最新", &外形框_今日关注, -1, {186, 7, 60, 22},
                        Gbk("最新一天")),
      标签_今日关注提示("标签_今日关注提示", &外形框_今日关注, -1, {8, 36, 724, 16}, {},
                        TodaysWatchColoured(Colour{96, 96, 96})),
      高级表格_今日关注("高级表格_今日关注", &外形框_今日关注, -1, {-1, 56, 739, 326},
                        Gbk("今日关注")) {}

std::vector<Component*> TodaysWatchPage::components() {
  return {&标签_今日关注标题, &标签_今日关注统计, &外形框_今日关注,  &标签_关注日期,
          &日期框_关注日期,   &超级按钮_关注最新, &标签_今日关注提示, &高级表格_今日关注};
}

}  // namespace ui
