// The one main window of the program: every component of the layout as a
// member under its layout name, with its place, caption, look and initial
// state. Built once; nothing of it is saved.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "quorvane/version.h"
#include "ui/backtest_page.h"
#include "ui/component.h"
#include "ui/download_log_page.h"
#include "ui/ranking_page.h"
#include "ui/seat_archive_page.h"
#include "ui/todays_watch_page.h"
#include "ui/grid.h"

namespace ui {

// Build-time values that the layout leaves to the build.
struct WindowSettings {
  std::string maker_url = "http://127.0.0.1/";  // behind 超级链接框1
};

class MainWindow : public Component {
 public:
  explicit MainWindow(const WindowSettings& settings = {});

  // The window's title (GBK); set at startup.
  const std::string& title() const { return title_; }
  void SetTitle(std::string_view gbk);

  // Every component in creation order: a container always comes before what
  // it holds, and later components lie above earlier ones.
  const std::vector<Component*>& components() const { return components_; }
  Component* Find(std::string_view name) const;

  // Events of the window itself.
  std::function<void()> on_created;
  // Answers whether the window may close.
  std::function<bool()> on_close_query;
  // The window became the active one (the user came back to it).
  std::function<void()> on_activated;
  void RaiseActivated() {
    if (on_activated) on_activated();
  }
  void RaiseCreated() {
    if (on_created) on_created();
  }
  bool RaiseCloseQuery() { return on_close_query ? on_close_query() : true; }
  // Closes the window from the program, as the user's close button does (the
  // close query is asked first). The toolkit side sets close_window.
  std::function<void()> close_window;
  void Close() {
    if (close_window) close_window();
  }

  // Window background.
  static constexpr Colour kBackground{236, 236, 236};
  static constexpr int kStatisticsPage = 0;
  static constexpr int kSearchPage = 1;
  static constexpr int kDetailsPage = 2;
  static constexpr int kDownloadPage = 3;
  // Pages beyond the layout's four.
  static constexpr int kDownloadLogPage = 4;
  static constexpr int kRankingPage = 5;
  static constexpr int kSeatArchivePage = 6;
  static constexpr int kTodaysWatchPage = 7;
  static constexpr int kBacktestPage = 8;

 private:
  std::string title_;
  std::vector<Component*> components_;

 public:
  // Components, in the order of the layout. Members are initialised in this
  // order, so containers precede their contents.

  // On the window itself.
  Label 标签_软件名;
  Label 标签_版本号;
  Label 标签_数据耗时;
  Label 标签5;
  TabControl 高级选择夹1;

  // Page 0: statistics.
  Label 标签_统计标题;
  Label 标签_上榜数;
  BalloonTip 气球提示框_席位组;
  FrameBox 外形框_统计列表;
  Grid 高级表格_龙虎统计;

  // Page 1: search.
  Label 标签_搜索标题;
  Label 标签_关键字提示;
  EditBox 编辑框_搜索;
  RadioButton 单选框_代码;
  RadioButton 单选框_日期;
  RadioButton 单选框_股名;
  RadioButton 单选框_席位;
  SuperButton 超级按钮_查询;
  FrameBox 外形框_个股席位;
  Grid 高级表格_搜索结果;

  // Page 2: details.
  Label 标签_明细标题;
  FrameBox 外形框_上榜明细;
  Grid 高级表格_上榜明细;

  // Page 3: download.
  Label 标签_下载标题;
  Label 标签_耗时;
  FrameBox 外形框_数据管理;
  Label 标签2;
  FrameBox 外形框_席位分部;
  EditBox 编辑框_敢死队信息;
  Label 标签_竖线;
  Label 标签4;
  Label 标签6;
  GroupBox 分组框1;
  RadioButton 单选框_日;
  RadioButton 单选框_周;
  RadioButton 单选框_月;
  RadioButton 单选框_季;
  RadioButton 单选框_半年;
  RadioButton 单选框_年;
  GroupBox 分组框2;
  Label 标签_自定日期;
  DateBox 日期框1;
  Label 标签_至;
  DateBox 日期框2;
  CheckBox 选择框_更新;
  CheckBox 选择框_保留;
  SuperButton 超级按钮_去重复;
  SuperButton 超级按钮_开始下载;
  Label 标签8;
  Label 标签7;

  // Pages beyond the layout, after its four.
  DownloadLogPage download_log;
  RankingPage ranking;
  SeatArchivePage seat_archive;
  TodaysWatchPage todays_watch;
  BacktestPage backtest;

  // Over the tab control, on every page.
  Label 标签_上榜日期;
  Label 标签_横线;
  Label 透明标签_排序标;
  HyperlinkBox 超级链接框1;
  Label 标签_版权信息;

  // Beyond the layout: download progress (pages done of pages planned, and
  // the pages that failed), on the free stretch of the bottom line between
  // the link and the credit text, so it shows on every page. Hidden until a
  // download starts.
  ProgressBar download_progress;
};

// Texts of the layout that other code refers to (UTF-8 literals; convert
// with text::Gbk).
inline constexpr const char* kVersionText = quorvane::kVersionText;
inline constexpr const char* kBalloonStyle =
    "body {font-size: 11pt; color:black}\r\nh1 {font-size: 11pt; color:red; "
    "font-weight:bold}\r\n";
// The reference text of 编辑框_敢死队信息 (UTF-8).
extern const char* const kShortTermTraderBranches;
// The operation hints of 标签7 (UTF-8).
extern const char* const kOperationHints;

}  // namespace ui
