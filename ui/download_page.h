// The download page as its handlers and its job see it: the components they
// read and write, by reference into the main window, which outlives them.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ui/main_window.h"

namespace ui {

struct DownloadPage {
  // The quick ranges in their order: day, week, month, quarter, half year,
  // year.
  std::array<RadioButton*, 6> quick_ranges;
  RadioButton& 单选框_日;
  DateBox& 日期框1;
  DateBox& 日期框2;
  CheckBox& 选择框_保留;
  CheckBox& 选择框_更新;
  Label& 标签_下载标题;
  Label& 标签_耗时;
  // Over every page: the date line and the download's progress.
  Label& 标签_上榜日期;
  ProgressBar& download_progress;
  // How many listings of some days involve something watched (unset: the
  // page "今日关注" counts none), and the tabs that open that page.
  const std::function<size_t(const std::vector<std::string>& days)>& count_watched_listings;
  TabControl& 高级选择夹1;

  static DownloadPage Of(MainWindow& w) {
    return DownloadPage{
        .quick_ranges = {&w.单选框_日, &w.单选框_周, &w.单选框_月, &w.单选框_季,
                         &w.单选框_半年, &w.单选框_年},
        .单选框_日 = w.单选框_日,
        .日期框1 = w.日期框1,
        .日期框2 = w.日期框2,
        .选择框_保留 = w.选择框_保留,
        .选择框_更新 = w.选择框_更新,
        .标签_下载标题 = w.标签_下载标题,
        .标签_耗时 = w.标签_耗时,
        .标签_上榜日期 = w.标签_上榜日期,
        .download_progress = w.download_progress,
        .count_watched_listings = w.todays_watch.count_watched_listings,
        .高级选择夹1 = w.高级选择夹1,
    };
  }
};

}  // namespace ui
