#include "ui/main_window.h"

#include "text/gbk.h"

namespace ui {
namespace {

using text::Gbk;

constexpr Colour kRed{255, 0, 0};
constexpr Colour kTeal{0, 128, 128};
constexpr Colour kLineBlue{0, 136, 255};

const char* const kKaiTi = "楷体_GB2312";
const char* const kSongTi = "宋体";

Look Heading() { return Look{Font{kSongTi, 12, true}, kRed, std::nullopt, false}; }
Look Coloured(Colour c, bool bold = false) { return Look{Font{{}, 0, bold}, c, std::nullopt, false}; }
Look Line(Colour c) { return Look{Font{}, std::nullopt, c, false}; }
Look MultiLine() { return Look{Font{}, std::nullopt, std::nullopt, true}; }

std::vector<TabPage> Pages() {
  return {
      TabPage{Gbk("龙虎统计"), Gbk("龙虎榜统计列表")},
      TabPage{Gbk("个股席位"), Gbk("席位及个股搜索列表")},
      TabPage{Gbk("上榜明细"), Gbk("交易龙虎榜上榜明细")},
      TabPage{Gbk("数据管理"), Gbk("下载更新数据")},
      TabPage{Gbk("下载记录"), Gbk("各板块每日下载记录"), true, true},
      TabPage{Gbk("席位统计"), Gbk("交易席位及个股区间统计"), true, true},
      TabPage{Gbk("席位档案"), Gbk("席位身份、类别、昵称与关注"), true, true},
      TabPage{Gbk("今日关注"), Gbk("关注的席位和股票当天的上榜"), true, true},
      TabPage{Gbk("回测"), Gbk("跟随席位买入的历史回测"), true, true},
  };
}

}  // namespace

const char* const kOperationHints =
    "操作提示：\r\n\r\n"
    "1，本系统龙虎榜数据源于交易所公开信息，上榜数据开市日晚间更新。\r\n\r\n"
    "2，由于下载数据占用较大带宽资源，请尽量在夜间网络空闭时进行数据更新下载。\r\n\r\n"
    "3，定义日期时：开始日期需早于结束日期。（如：10年2月1日至10年4月19日）\r\n\r\n"
    "3，选项：更新原数据，如勾选了，将在下载前清空你原有数据，请慎重！\r\n\r\n"
    "4，选项：保留原数据，就是在原有数据上添加现设置的日期段数据。注意不要重复！\r\n\r\n"
    "注意：本程序在第一次运行时将生成数据库文件Data，库里没有数据，需自行下载。";

// Branches that the market press has long named among the most active
// short-term ("涨停板敢死队") traders' seats. Names as the exchanges print
// them, with the city; no street numbers, which we could not vouch for.
const char* const kShortTermTraderBranches =
    "常见短线游资席位（仅供参考）：\r\n\r\n"
    "1，中信证券上海溧阳路证券营业部（上海）\r\n\r\n"
    "2，中国银河证券宁波解放南路证券营业部（宁波）\r\n\r\n"
    "3，光大证券宁波解放南路证券营业部（宁波）\r\n\r\n"
    "4，国信证券深圳泰然九路证券营业部（深圳）\r\n\r\n"
    "5，国信证券深圳红岭中路证券营业部（深圳）\r\n\r\n"
    "6，国泰君安证券上海江苏路证券营业部（上海）\r\n\r\n"
    "7，国泰君安证券上海福山路证券营业部（上海）\r\n\r\n"
    "8，中国银河证券绍兴证券营业部（绍兴）\r\n\r\n"
    "9，华泰证券深圳益田路荣超商务中心证券营业部（深圳）\r\n\r\n"
    "10，财通证券温岭中华路证券营业部（温岭）\r\n\r\n"
    "11，光大证券杭州庆春路证券营业部（杭州）\r\n\r\n"
    "12，招商证券深圳蛇口工业七路证券营业部（深圳）\r\n\r\n"
    "13，东吴证券苏州西北街证券营业部（苏州）\r\n\r\n"
    "14，国元证券上海虹桥路证券营业部（上海）\r\n\r\n"
    "15，华鑫证券上海宛平南路证券营业部（上海）\r\n\r\n"
    "16，申万宏源证券上海东川路证券营业部（上海）\r\n\r\n"
    "17，中国中投证券无锡清扬路证券营业部（无锡）";

MainWindow::MainWindow(const WindowSettings& settings)
    : Component(Kind::kWindow, "MainWindow", nullptr, -1, Rect{50, 50, 760, 540}, {},
                Look{Font{}, std::nullopt, kBackground, false}),
      标签_软件名("标签_软件名", this, -1, {226, 5, 280, 24}, "Q u o r v a n e",
                  Look{Font{kKaiTi, 20, true}, Colour{213, 0, 0}, std::nullopt, false}),
      标签_版本号("标签_版本号", this, -1, {664, 13, 80, 16}),
      标签_数据耗时("标签_数据耗时", this, -1, {546, 13, 104, 16}, Gbk("耗时检测")),
      标签5("标签5", this, -1, {7, 32, 740, 2}, {}, Line(Colour{0, 128, 192})),
      高级选择夹1("高级选择夹1", this, {6, 40, 741, 443}, Pages(),
                  Look{Font{kSongTi, 12, false}, std::nullopt, std::nullopt, false}),

      标签_统计标题("标签_统计标题", &高级选择夹1, kStatisticsPage, {12, 37, 270, 16},
                    Gbk("沪深两市成交龙虎榜统计列表"), Heading()),
      标签_上榜数("标签_上榜数", &高级选择夹1, kStatisticsPage, {618, 35, 112, 16},
                  Gbk("上榜总计"), Coloured(kRed)),
      气球提示框_席位组("气球提示框_席位组", &高级选择夹1, kStatisticsPage, kBalloonStyle),
      外形框_统计列表("外形框_统计列表", &高级选择夹1, kStatisticsPage, {1, 58, 739, 384}),
      高级表格_龙虎统计("高级表格_龙虎统计", &外形框_统计列表, -1, {-2, -1, 760, 410},
                        Gbk("统计")),

      标签_搜索标题("标签_搜索标题", &高级选择夹1, kSearchPage, {12, 37, 350, 16},
                    Gbk("交易席位及个股搜索结果列表"), Heading()),
      标签_关键字提示("标签_关键字提示", &高级选择夹1, kSearchPage, {363, 37, 40, 16},
                      Gbk("关键字:")),
      编辑框_搜索("编辑框_搜索", &高级选择夹1, kSearchPage, {405, 36, 95, 18}),
      单选框_代码("单选框_代码", &高级选择夹1, kSearchPage, {503, 35, 44, 20}, Gbk("代码"), true),
      单选框_日期("单选框_日期", &高级选择夹1, kSearchPage, {549, 35, 44, 20}, Gbk("日期"),
                  false),
      单选框_股名("单选框_股名", &高级选择夹1, kSearchPage, {595, 35, 44, 20}, Gbk("股名"),
                  false),
      单选框_席位("单选框_席位", &高级选择夹1, kSearchPage, {642, 35, 44, 20}, Gbk("席位"),
                  false),
      超级按钮_查询("超级按钮_查询", &高级选择夹1, kSearchPage, {691, 34, 46, 20}, Gbk("查 询")),
      外形框_个股席位("外形框_个股席位", &高级选择夹1, kSearchPage, {1, 58, 739, 384}),
      高级表格_搜索结果("高级表格_搜索结果", &外形框_个股席位, -1, {-2, -1, 760, 410},
                        Gbk("搜索")),

      标签_明细标题("标签_明细标题", &高级选择夹1, kDetailsPage, {12, 37, 270, 16},
                    Gbk("交易席位及个股上榜明细列表"), Heading()),
      外形框_上榜明细("外形框_上榜明细", &高级选择夹1, kDetailsPage, {1, 58, 739, 384}),
      高级表格_上榜明细("高级表格_上榜明细", &外形框_上榜明细, -1, {-2, -1, 760, 410},
                        Gbk("明细")),

      标签_下载标题("标签_下载标题", &高级选择夹1, kDownloadPage, {12, 37, 270, 16},
                    Gbk("交易龙虎榜数年据更新下载"), Heading()),
      标签_耗时("标签_耗时", &高级选择夹1, kDownloadPage, {618, 35, 118, 16}, Gbk("标签"),
                Coloured(kTeal)),
      外形框_数据管理("外形框_数据管理", &高级选择夹1, kDownloadPage, {1, 59, 737, 383}),
      标签2("标签2", &外形框_数据管理, -1, {21, 9, 220, 16},
            Gbk("中国“涨停板敢死队”操盘手席位分布"), Coloured(kTeal, true)),
      外形框_席位分部("外形框_席位分部", &外形框_数据管理, -1, {15, 31, 230, 340}),
      编辑框_敢死队信息("编辑框_敢死队信息", &外形框_席位分部, -1, {9, 8, 240, 330}, MultiLine()),
      标签_竖线("标签_竖线", &外形框_数据管理, -1, {244, 31, 1, 340}, {},
                Line(Colour{192, 192, 192})),
      标签4("标签4", &外形框_数据管理, -1, {260, 0, 1, 388}, {}, Line(kLineBlue)),
      标签6("标签6", &外形框_数据管理, -1, {420, 8, 165, 16}, Gbk("成交龙虎榜数据下载设置"),
            Look{Font{kSongTi, 14, true}, kTeal, std::nullopt, false}),
      分组框1("分组框1", &外形框_数据管理, -1, {282, 34, 216, 128}, Gbk("快速日期时段选择")),
      单选框_日("单选框_日", &分组框1, -1, {15, 38, 58, 16}, Gbk("今  天"), true),
      单选框_周("单选框_周", &分组框1, -1, {81, 38, 58, 16}, Gbk("近一周"), false),
      单选框_月("单选框_月", &分组框1, -1, {148, 38, 58, 16}, Gbk("近一月"), false),
      单选框_季("单选框_季", &分组框1, -1, {15, 83, 58, 16}, Gbk("近一季"), false),
      单选框_半年("单选框_半年", &分组框1, -1, {81, 83, 58, 16}, Gbk("近半年"), false),
      单选框_年("单选框_年", &分组框1, -1, {148, 83, 58, 16}, Gbk("近一年"), false),
      分组框2("分组框2", &外形框_数据管理, -1, {507, 34, 216, 128}, Gbk("自定义日期时段选择")),
      标签_自定日期("标签_自定日期", &分组框2, -1, {23, 38, 50, 16}, Gbk("开始日期")),
      日期框1("日期框1", &分组框2, -1, {87, 38, 108, 20}),
      标签_至("标签_至", &分组框2, -1, {23, 83, 50, 16}, Gbk("结束日期")),
      日期框2("日期框2", &分组框2, -1, {86, 83, 108, 20}),
      选择框_更新("选择框_更新", &外形框_数据管理, -1, {304, 170, 80, 16}, Gbk("更新原数据"),
                  false),
      选择框_保留("选择框_保留", &外形框_数据管理, -1, {398, 170, 80, 16}, Gbk("保留原数据"),
                  true),
      超级按钮_去重复("超级按钮_去重复", &外形框_数据管理, -1, {533, 167, 76, 22},
                      Gbk("删除重复数据")),
      超级按钮_开始下载("超级按钮_开始下载", &外形框_数据管理, -1, {651, 167, 60, 22},
                        Gbk("开始下载")),
      标签8("标签8", &外形框_数据管理, -1, {272, 195, 456, 1}, {}, Line(kLineBlue)),
      标签7("标签7", &外形框_数据管理, -1, {280, 211, 460, 169}, Gbk(kOperationHints),
            MultiLine()),
      download_log(高级选择夹1, kDownloadLogPage),
      ranking(高级选择夹1, kRankingPage),
      seat_archive(高级选择夹1, kSeatArchivePage),
      todays_watch(高级选择夹1, kTodaysWatchPage),
      backtest(高级选择夹1, kBacktestPage),

      标签_上榜日期("标签_上榜日期", this, -1, {256, 45, 154, 16}, Gbk("最新更新(2010-04-09)"),
                    Coloured(Colour{96, 96, 96})),
      标签_横线("标签_横线", this, -1, {7, 98, 740, 1}, {}, Line(kLineBlue)),
      透明标签_排序标("透明标签_排序标", this, -1, {71, 103, 6, 16}, {},
                      Look{Font{kSongTi, 14, false}, std::nullopt, std::nullopt, false},
                      /*transparent=*/true),
      超级链接框1("超级链接框1", this, -1, {16, 488, 88, 16}, Gbk("更多Ferrow软件"),
                  Coloured(kTeal, true), settings.maker_url),
      标签_版权信息("标签_版权信息", this, -1, {403, 488, 343, 16},
                    Gbk(std::string("Quorvane ") + kVersionText + " 沪深龙虎榜席位统计软件"), Coloured(kTeal)),
      download_progress("download_progress", this, -1, {112, 488, 283, 16}) {
  SetTag(kVersionText);
  标签_数据耗时.SetVisible(false);
  download_progress.SetVisible(false);
  高级表格_上榜明细.SetEnabled(false);
  编辑框_敢死队信息.SetCaption(Gbk(kShortTermTraderBranches));

  components_ = {
      &标签_软件名,     &标签_版本号,     &标签_数据耗时,   &标签5,
      &高级选择夹1,     &标签_统计标题,   &标签_上榜数,     &气球提示框_席位组,
      &外形框_统计列表, &高级表格_龙虎统计, &标签_搜索标题, &标签_关键字提示,
      &编辑框_搜索,     &单选框_代码,     &单选框_日期,     &单选框_股名,
      &单选框_席位,     &超级按钮_查询,   &外形框_个股席位, &高级表格_搜索结果,
      &标签_明细标题,   &外形框_上榜明细, &高级表格_上榜明细, &标签_下载标题,
      &标签_耗时,       &外形框_数据管理, &标签2,           &外形框_席位分部,
      &编辑框_敢死队信息, &标签_竖线,     &标签4,           &标签6,
      &分组框1,         &单选框_日,       &单选框_周,       &单选框_月,
      &单选框_季,       &单选框_半年,     &单选框_年,       &分组框2,
      &标签_自定日期,   &日期框1,         &标签_至,         &日期框2,
      &选择框_更新,     &选择框_保留,     &超级按钮_去重复, &超级按钮_开始下载,
      &标签8,           &标签7,
  };
  // The added pages lie below the window-level components, as the
  // layout's own pages do.
  for (Component* c : download_log.components()) components_.push_back(c);
  for (Component* c : ranking.components()) components_.push_back(c);
  for (Component* c : seat_archive.components()) components_.push_back(c);
  for (Component* c : todays_watch.components()) components_.push_back(c);
  for (Component* c : backtest.components()) components_.push_back(c);
  for (Component* c : std::initializer_list<Component*>{&标签_上榜日期, &标签_横线, &透明标签_排序标,
                                                        &超级链接框1, &标签_版权信息,
                                                        &download_progress})
    components_.push_back(c);

  // Radio buttons of one container form one group.
  const std::vector<CheckControl*> search_kinds = {&单选框_代码, &单选框_日期, &单选框_股名,
                                                   &单选框_席位};
  for (CheckControl* r : search_kinds) r->group = search_kinds;
  const std::vector<CheckControl*> quick_ranges = {&单选框_日, &单选框_周,   &单选框_月,
                                                   &单选框_季, &单选框_半年, &单选框_年};
  for (CheckControl* r : quick_ranges) r->group = quick_ranges;
}

void MainWindow::SetTitle(std::string_view gbk) {
  if (gbk == title_) return;
  title_.assign(gbk);
  Notify(Property::kCaption);
}

Component* MainWindow::Find(std::string_view name) const {
  for (Component* c : components_)
    if (c->name() == name) return c;
  return nullptr;
}

}  // namespace ui
