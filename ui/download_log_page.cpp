#include "ui/download_log_page.h"

#include "text/gbk.h"

namespace ui {

using text::Gbk;

DownloadLogPage::DownloadLogPage(TabControl& tabs, int page)
    : 标签_下载记录标题("标签_下载记录标题", &tabs, page, kPageHeadingPlace,
                        Gbk("沪深两市龙虎榜下载记录"), PageHeadingLook()),
      外形框_下载记录("外形框_下载记录", &tabs, page, kPageFramePlace) {}

std::vector<Component*> DownloadLogPage::components() {
  return {&标签_下载记录标题, &外形框_下载记录};
}

}  // namespace ui
