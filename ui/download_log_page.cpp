#include "ui/download_log_page.h"

#include "text/gbk.h"

namespace ui {

using text::Gbk;

namespace {

constexpr Rect kQuickRangeGroup{6, 2, 354, 44};
constexpr Rect kDateGroup{366, 2, 234, 44};
constexpr int kQuickRangeTop = 20;
constexpr int kQuickRangeWidth = 56;
constexpr int kQuickRangeStep = 57;

Rect QuickRange(int i) {
  return Rect{6 + i * kQuickRangeStep, kQuickRangeTop, kQuickRangeWidth, 16};
}

Look LogColoured(Colour c) {
  return Look{Font{}, c, std::nullopt, false};
}

}  // namespace

DownloadLogPage::DownloadLogPage(TabControl& tabs, int page)
    : 标签_下载记录标题("标签_下载记录标题", &tabs, page, kPageHeadingPlace,
                        Gbk("沪深两市龙虎榜下载记录"), PageHeadingLook()),
      标签_下载记录统计("标签_下载记录统计", &tabs, page, {330, 37, 406, 16}, {},
                        LogColoured(Colour{255, 0, 0})),
      外形框_下载记录("外形框_下载记录", &tabs, page, kPageFramePlace),
      分组框_记录快速时段("分组框_记录快速时段", &外形框_下载记录, -1, kQuickRangeGroup,
                          Gbk("快速日期时段选择")),
      单选框_记录日("单选框_记录日", &分组框_记录快速时段, -1, QuickRange(0), Gbk("今  天"), false),
      单选框_记录周("单选框_记录周", &分组框_记录快速时段, -1, QuickRange(1), Gbk("近一周"), false),
      单选框_记录月("单选框_记录月", &分组框_记录快速时段, -1, QuickRange(2), Gbk("近一月"), true),
      单选框_记录季("单选框_记录季", &分组框_记录快速时段, -1, QuickRange(3), Gbk("近一季"), false),
      单选框_记录半年("单选框_记录半年", &分组框_记录快速时段, -1, QuickRange(4), Gbk("近半年"),
                      false),
      单选框_记录年("单选框_记录年", &分组框_记录快速时段, -1, QuickRange(5), Gbk("近一年"), false),
      分组框_记录自定时段("分组框_记录自定时段", &外形框_下载记录, -1, kDateGroup,
                          Gbk("自定义日期时段选择")),
      日期框_记录开始("日期框_记录开始", &分组框_记录自定时段, -1, {8, 17, 100, 20}),
      标签_记录至("标签_记录至", &分组框_记录自定时段, -1, {111, 19, 14, 16}, Gbk("至")),
      日期框_记录结束("日期框_记录结束", &分组框_记录自定时段, -1, {127, 17, 100, 20}),
      超级按钮_补全下载("超级按钮_补全下载", &外形框_下载记录, -1, {608, 14, 60, 22},
                        Gbk("补全下载")),
      超级按钮_重建记录("超级按钮_重建记录", &外形框_下载记录, -1, {672, 14, 60, 22},
                        Gbk("重建记录")),
      标签_下载记录提示("标签_下载记录提示", &外形框_下载记录, -1, {8, 50, 724, 16}, {},
                        LogColoured(Colour{96, 96, 96})),
      高级表格_下载记录("高级表格_下载记录", &外形框_下载记录, -1, {-1, 68, 739, 296},
                        Gbk("下载记录")),
      标签_下载记录来源("标签_下载记录来源", &外形框_下载记录, -1, {8, 366, 724, 16}, {},
                        LogColoured(Colour{96, 96, 96})) {
  const std::vector<RadioButton*> ranges = quick_ranges();
  const std::vector<CheckControl*> group(ranges.begin(), ranges.end());
  for (CheckControl* r : group) r->group = group;
}

std::vector<RadioButton*> DownloadLogPage::quick_ranges() {
  return {&单选框_记录日, &单选框_记录周,   &单选框_记录月,
          &单选框_记录季, &单选框_记录半年, &单选框_记录年};
}

std::vector<Component*> DownloadLogPage::components() {
  return {&标签_下载记录标题, &标签_下载记录统计, &外形框_下载记录,     &分组框_记录快速时段,
          &单选框_记录日,     &单选框_记录周,     &单选框_记录月,       &单选框_记录季,
          &单选框_记录半年,   &单选框_记录年,     &分组框_记录自定时段, &日期框_记录开始,
          &标签_记录至,       &日期框_记录结束,   &超级按钮_补全下载,   &超级按钮_重建记录,
          &标签_下载记录提示, &高级表格_下载记录, &标签_下载记录来源};
}

}  // namespace ui
