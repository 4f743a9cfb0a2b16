#include "ui/ranking_page.h"

#include "text/gbk.h"

namespace ui {

using text::Gbk;

namespace {

constexpr Colour kCaptionColour{0, 128, 128};

// Places inside the page's frame (739 x 384): the range on the first line,
// the caption on the second, the ranking grid, then the listings behind a
// row beside the chart.
constexpr int kRangeTop = 4;
constexpr int kQuickLeft = 238;
constexpr int kQuickStep = 60;
// The heading is as wide as its text here: the kind filter and the Seat
// box stand after it, before the kinds.
constexpr Rect kHeadingPlace{kPageHeadingPlace.left, kPageHeadingPlace.top, 134,
                             kPageHeadingPlace.height};
constexpr Rect kRankingGridPlace{0, 46, 737, 170};
constexpr Rect kRowListingsPlace{0, 218, 424, 164};
constexpr Rect kChartPlace{426, 218, 311, 164};

Rect Quick(int k, int width = 58) {
  return Rect{kQuickLeft + k * kQuickStep, kRangeTop + 2, width, 16};
}

}  // namespace

RankingPage::RankingPage(TabControl& tabs, int page)
    : 标签_席位统计标题("标签_席位统计标题", &tabs, page, kHeadingPlace,
                        Gbk("交易席位及个股区间统计"), PageHeadingLook()),
      组合框_席位类别("组合框_席位类别", &tabs, page, {150, 34, 62, 20}, Gbk("席位类别"),
                      {Gbk("全部"), Gbk("机构"), Gbk("北向"), Gbk("游资"), Gbk("营业部")}),
      编辑框_席位查找("编辑框_席位查找", &tabs, page, {216, 34, 76, 20}),
      单选框_营业部排行("单选框_营业部排行", &tabs, page, {296, 35, 86, 20}, Gbk("营业部排行"),
                        true),
      单选框_个股统计("单选框_个股统计", &tabs, page, {386, 35, 74, 20}, Gbk("个股统计"), false),
      单选框_机构追踪("单选框_机构追踪", &tabs, page, {464, 35, 74, 20}, Gbk("机构追踪"), false),
      选择框_含重复上榜("选择框_含重复上榜", &tabs, page, {548, 35, 92, 20}, Gbk("含重复上榜"),
                        false),
      外形框_席位统计("外形框_席位统计", &tabs, page, kPageFramePlace),
      日期框_统计起("日期框_统计起", &外形框_席位统计, -1, {6, kRangeTop, 100, 20}),
      标签_统计至("标签_统计至", &外形框_席位统计, -1, {110, kRangeTop + 2, 14, 16}, Gbk("至")),
      日期框_统计止("日期框_统计止", &外形框_席位统计, -1, {126, kRangeTop, 100, 20}),
      单选框_近一周("单选框_近一周", &外形框_席位统计, -1, Quick(0), Gbk("近一周"), false),
      单选框_近一月("单选框_近一月", &外形框_席位统计, -1, Quick(1), Gbk("近一月"), true),
      单选框_近一季("单选框_近一季", &外形框_席位统计, -1, Quick(2), Gbk("近一季"), false),
      单选框_近半年("单选框_近半年", &外形框_席位统计, -1, Quick(3), Gbk("近半年"), false),
      单选框_近一年("单选框_近一年", &外形框_席位统计, -1, Quick(4), Gbk("近一年"), false),
      单选框_全部("单选框_全部", &外形框_席位统计, -1, Quick(5, 48), Gbk("全部"), false),
      标签_排行说明("标签_排行说明", &外形框_席位统计, -1, {6, 27, 728, 16}, {},
                    Look{Font{}, kCaptionColour, std::nullopt, false}),
      高级表格_席位排行("高级表格_席位排行", &外形框_席位统计, -1, kRankingGridPlace,
                        Gbk("席位排行")),
      透明标签_排行排序标("透明标签_排行排序标", &外形框_席位统计, -1,
                          {0, kRankingGridPlace.top + 4, 6, 16}, {},
                          Look{Font{"宋体", 14, false}, std::nullopt, std::nullopt, false},
                          /*transparent=*/true),
      高级表格_排行明细("高级表格_排行明细", &外形框_席位统计, -1, kRowListingsPlace,
                        Gbk("排行明细")),
      图表_席位净额("图表_席位净额", &外形框_席位统计, -1, kChartPlace, Gbk("席位净额")),
      超级按钮_更新行情("超级按钮_更新行情", &tabs, page, {652, 33, 84, 22}, Gbk("更新行情")),
      选择框_下载后更新行情("选择框_下载后更新行情", &外形框_席位统计, -1,
                            {596, kRangeTop + 2, 112, 16}, Gbk("下载后更新行情"), false),
      选择框_收益路径("选择框_收益路径", &外形框_席位统计, -1,
                      {kChartPlace.left + kChartPlace.width - 70, kChartPlace.top + 2, 68, 16},
                      Gbk("收益路径"), false) {
  日期框_统计起.SetCaption(Gbk("开始日期"));
  日期框_统计止.SetCaption(Gbk("结束日期"));
  高级表格_席位排行.SetCaption(Gbk("席位排行"));
  高级表格_排行明细.SetCaption(Gbk("排行明细"));
  const std::vector<RadioButton*> ranges = quick_ranges();
  for (RadioButton* r : ranges) r->group.assign(ranges.begin(), ranges.end());
  const std::vector<RadioButton*> kind_buttons = kinds();
  for (RadioButton* r : kind_buttons) r->group.assign(kind_buttons.begin(), kind_buttons.end());
}

std::vector<RadioButton*> RankingPage::quick_ranges() {
  return {&单选框_近一周, &单选框_近一月, &单选框_近一季,
          &单选框_近半年, &单选框_近一年, &单选框_全部};
}

std::vector<RadioButton*> RankingPage::kinds() {
  return {&单选框_营业部排行, &单选框_个股统计, &单选框_机构追踪};
}

std::vector<Component*> RankingPage::components() {
  return {&标签_席位统计标题, &组合框_席位类别,     &编辑框_席位查找,     &单选框_营业部排行,
          &单选框_个股统计,   &单选框_机构追踪,     &选择框_含重复上榜,   &外形框_席位统计,
          &日期框_统计起,     &标签_统计至,         &日期框_统计止,       &单选框_近一周,
          &单选框_近一月,     &单选框_近一季,       &单选框_近半年,       &单选框_近一年,
          &单选框_全部,       &标签_排行说明,       &高级表格_席位排行,   &透明标签_排行排序标,
          &高级表格_排行明细, &图表_席位净额,       &超级按钮_更新行情,   &选择框_下载后更新行情,
          &选择框_收益路径};
}

}  // namespace ui
