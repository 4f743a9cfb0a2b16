#include "ui/backtest_page.h"

#include "text/gbk.h"

namespace ui {

using text::Gbk;

namespace {

Look BacktestColoured(Colour c) {
  return Look{Font{}, c, std::nullopt, false};
}

// Places inside the page's frame (739 x 384): the range and the rule on
// four lines, the sentence under them, then the figures on the left, the
// chart and the years beside them, the trades under those.
constexpr int kBacktestQuickLeft = 238;
constexpr int kBacktestQuickStep = 60;
constexpr int kWhoTop = 28;
constexpr int kThresholdTop = 52;
constexpr int kPlanTop = 76;
constexpr int kResultsTop = 118;

Rect BacktestQuick(int k, int width = 58) {
  return Rect{kBacktestQuickLeft + k * kBacktestQuickStep, 6, width, 16};
}
Rect BacktestCaption(int left, int top, int width) { return Rect{left, top + 2, width, 16}; }
Rect BacktestBox(int left, int top, int width) { return Rect{left, top, width, 20}; }
Rect BacktestPick(int left, int top, int width) { return Rect{left, top - 1, width, 22}; }

std::vector<std::string> BacktestItems(std::initializer_list<const char*> items) {
  std::vector<std::string> out;
  for (const char* item : items) out.push_back(Gbk(item));
  return out;
}

}  // namespace

BacktestPage::BacktestPage(TabControl& tabs, int page)
    : 标签_回测标题("标签_回测标题", &tabs, page, kPageHeadingPlace, Gbk("跟随龙虎榜席位回测"),
                    PageHeadingLook()),
      标签_回测统计("标签_回测统计", &tabs, page, {290, 37, 356, 16}, {},
                    BacktestColoured(Colour{255, 0, 0})),
      超级按钮_回测("超级按钮_回测", &tabs, page, {652, 33, 84, 22}, Gbk("回测")),
      外形框_回测("外形框_回测", &tabs, page, kPageFramePlace),
      日期框_回测起("日期框_回测起", &外形框_回测, -1, {6, 4, 100, 20}),
      标签_回测至("标签_回测至", &外形框_回测, -1, {110, 6, 14, 16}, Gbk("至")),
      日期框_回测止("日期框_回测止", &外形框_回测, -1, {126, 4, 100, 20}),
      单选框_回测近一周("单选框_回测近一周", &外形框_回测, -1, BacktestQuick(0), Gbk("近一周"),
                        false),
      单选框_回测近一月("单选框_回测近一月", &外形框_回测, -1, BacktestQuick(1), Gbk("近一月"),
                        false),
      单选框_回测近一季("单选框_回测近一季", &外形框_回测, -1, BacktestQuick(2), Gbk("近一季"),
                        false),
      单选框_回测近半年("单选框_回测近半年", &外形框_回测, -1, BacktestQuick(3), Gbk("近半年"),
                        false),
      单选框_回测近一年("单选框_回测近一年", &外形框_回测, -1, BacktestQuick(4), Gbk("近一年"),
                        true),
      单选框_回测全部("单选框_回测全部", &外形框_回测, -1, BacktestQuick(5, 48), Gbk("全部"),
                      false),
      标签_回测席位("标签_回测席位", &外形框_回测, -1, BacktestCaption(6, kWhoTop, 36),
                    Gbk("席位：")),
      组合框_回测席位("组合框_回测席位", &外形框_回测, -1, BacktestPick(42, kWhoTop, 200),
                      Gbk("席位"), ComboBox::Editable{}),
      组合框_跟随对象("组合框_跟随对象", &外形框_回测, -1, BacktestPick(248, kWhoTop, 84),
                      Gbk("跟随对象"),
                      BacktestItems({"指定席位", "机构", "北向", "游资", "营业部", "关注列表"})),
      选择框_仅第一买方("选择框_仅第一买方", &外形框_回测, -1, BacktestCaption(340, kWhoTop, 90),
                        Gbk("仅第一买方"), false),
      选择框_排除卖方机构("选择框_排除卖方机构", &外形框_回测, -1,
                          BacktestCaption(434, kWhoTop, 104), Gbk("排除卖方机构"), false),
      标签_回测板块("标签_回测板块", &外形框_回测, -1, BacktestCaption(544, kWhoTop, 30),
                    Gbk("板块")),
      组合框_回测板块("组合框_回测板块", &外形框_回测, -1, BacktestPick(574, kWhoTop, 80),
                      Gbk("板块"), BacktestItems({"全部板块", "沪市", "深市", "中小板"})),
      标签_最低买入("标签_最低买入", &外形框_回测, -1, BacktestCaption(6, kThresholdTop, 40),
                    Gbk("买入≥")),
      编辑框_最低买入("编辑框_最低买入", &外形框_回测, -1, BacktestBox(46, kThresholdTop, 60)),
      标签_最低净额("标签_最低净额", &外形框_回测, -1, BacktestCaption(116, kThresholdTop, 40),
                    Gbk("万 净额≥")),
      编辑框_最低净额("编辑框_最低净额", &外形框_回测, -1, BacktestBox(170, kThresholdTop, 60)),
      标签_最低强度("标签_最低强度", &外形框_回测, -1, BacktestCaption(234, kThresholdTop, 60),
                    Gbk("万 强度≥")),
      编辑框_最低强度("编辑框_最低强度", &外形框_回测, -1, BacktestBox(294, kThresholdTop, 44)),
      标签_原因含("标签_原因含", &外形框_回测, -1, BacktestCaption(346, kThresholdTop, 42),
                  Gbk("原因含")),
      编辑框_原因含("编辑框_原因含", &外形框_回测, -1, BacktestBox(390, kThresholdTop, 110)),
      标签_每日最多("标签_每日最多", &外形框_回测, -1, BacktestCaption(510, kThresholdTop, 54),
                    Gbk("每日最多")),
      编辑框_每日最多("编辑框_每日最多", &外形框_回测, -1, BacktestBox(566, kThresholdTop, 36)),
      标签_入场("标签_入场", &外形框_回测, -1, BacktestCaption(6, kPlanTop, 30), Gbk("入场")),
      组合框_入场("组合框_入场", &外形框_回测, -1, BacktestPick(36, kPlanTop, 84), Gbk("入场"),
                  BacktestItems({"次日开盘", "当日收盘"})),
      标签_持有("标签_持有", &外形框_回测, -1, BacktestCaption(128, kPlanTop, 30), Gbk("持有")),
      组合框_持有天数("组合框_持有天数", &外形框_回测, -1, BacktestPick(158, kPlanTop, 50),
                      Gbk("持有天数"), BacktestItems({"1", "2", "3", "5", "10", "20"}), 3),
      标签_止盈("标签_止盈", &外形框_回测, -1, BacktestCaption(212, kPlanTop, 58), Gbk("天 止盈%")),
      编辑框_止盈("编辑框_止盈", &外形框_回测, -1, BacktestBox(270, kPlanTop, 44)),
      标签_止损("标签_止损", &外形框_回测, -1, BacktestCaption(322, kPlanTop, 42), Gbk("止损%")),
      编辑框_止损("编辑框_止损", &外形框_回测, -1, BacktestBox(364, kPlanTop, 44)),
      标签_佣金("标签_佣金", &外形框_回测, -1, BacktestCaption(416, kPlanTop, 42), Gbk("佣金%")),
      编辑框_佣金("编辑框_佣金", &外形框_回测, -1, BacktestBox(458, kPlanTop, 56)),
      标签_印花税("标签_印花税", &外形框_回测, -1, BacktestCaption(522, kPlanTop, 54),
                  Gbk("印花税%")),
      编辑框_印花税("编辑框_印花税", &外形框_回测, -1, BacktestBox(576, kPlanTop, 56)),
      标签_回测声明("标签_回测声明", &外形框_回测, -1, {6, 100, 728, 16},
                    Gbk("以上数字只由已公开的龙虎榜和过去的行情算出，过去不代表将来，"
                        "不构成任何投资建议。"),
                    BacktestColoured(Colour{96, 96, 96})),
      高级表格_回测指标("高级表格_回测指标", &外形框_回测, -1, {0, kResultsTop, 236, 266},
                        Gbk("回测指标")),
      图表_回测净值("图表_回测净值", &外形框_回测, -1, {238, kResultsTop, 300, 130},
                    Gbk("回测净值")),
      高级表格_回测年度("高级表格_回测年度", &外形框_回测, -1, {540, kResultsTop, 197, 130},
                        Gbk("回测年度")),
      高级表格_回测交易("高级表格_回测交易", &外形框_回测, -1, {238, kResultsTop + 132, 499, 134},
                        Gbk("回测交易")) {
  日期框_回测起.SetCaption(Gbk("开始日期"));
  日期框_回测止.SetCaption(Gbk("结束日期"));
  高级表格_回测指标.SetCaption(Gbk("回测指标"));
  高级表格_回测年度.SetCaption(Gbk("回测年度"));
  高级表格_回测交易.SetCaption(Gbk("回测交易"));
  编辑框_每日最多.SetCaption("5");
  编辑框_佣金.SetCaption("0.025");
  编辑框_印花税.SetCaption("0.05");
  const std::vector<RadioButton*> ranges = quick_ranges();
  for (RadioButton* r : ranges) r->group.assign(ranges.begin(), ranges.end());
}

std::vector<RadioButton*> BacktestPage::quick_ranges() {
  return {&单选框_回测近一周, &单选框_回测近一月, &单选框_回测近一季,
          &单选框_回测近半年, &单选框_回测近一年, &单选框_回测全部};
}

std::vector<Component*> BacktestPage::components() {
  return {&标签_回测标题,     &标签_回测统计,     &超级按钮_回测,     &外形框_回测,
          &日期框_回测起,     &标签_回测至,       &日期框_回测止,     &单选框_回测近一周,
          &单选框_回测近一月, &单选框_回测近一季, &单选框_回测近半年, &单选框_回测近一年,
          &单选框_回测全部,   &标签_回测席位,     &组合框_回测席位,   &组合框_跟随对象,
          &选择框_仅第一买方, &选择框_排除卖方机构, &标签_回测板块,   &组合框_回测板块,
          &标签_最低买入,     &编辑框_最低买入,   &标签_最低净额,     &编辑框_最低净额,
          &标签_最低强度,     &编辑框_最低强度,   &标签_原因含,       &编辑框_原因含,
          &标签_每日最多,     &编辑框_每日最多,   &标签_入场,         &组合框_入场,
          &标签_持有,         &组合框_持有天数,   &标签_止盈,         &编辑框_止盈,
          &标签_止损,         &编辑框_止损,       &标签_佣金,         &编辑框_佣金,
          &标签_印花税,       &编辑框_印花税,     &标签_回测声明,     &高级表格_回测指标,
          &图表_回测净值,     &高级表格_回测年度, &高级表格_回测交易};
}

}  // namespace ui
