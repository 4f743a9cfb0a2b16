#include "ui/extra_pages.h"

#include "text/gbk.h"

namespace ui {

using text::Gbk;

Look PageHeadingLook() {
  return Look{Font{"宋体", 12, true}, Colour{255, 0, 0}, std::nullopt, false};
}

DownloadLogPage::DownloadLogPage(TabControl& tabs, int page)
    : 标签_下载记录标题("标签_下载记录标题", &tabs, page, kPageHeadingPlace,
                        Gbk("沪深两市龙虎榜下载记录"), PageHeadingLook()),
      外形框_下载记录("外形框_下载记录", &tabs, page, kPageFramePlace) {}

std::vector<Component*> DownloadLogPage::components() {
  return {&标签_下载记录标题, &外形框_下载记录};
}

RankingPage::RankingPage(TabControl& tabs, int page)
    : 标签_席位统计标题("标签_席位统计标题", &tabs, page, kPageHeadingPlace,
                        Gbk("交易席位及个股区间统计"), PageHeadingLook()),
      外形框_席位统计("外形框_席位统计", &tabs, page, kPageFramePlace) {}

std::vector<Component*> RankingPage::components() {
  return {&标签_席位统计标题, &外形框_席位统计};
}

}  // namespace ui
