#include "ui/ranking_page.h"

#include "text/gbk.h"

namespace ui {

using text::Gbk;

RankingPage::RankingPage(TabControl& tabs, int page)
    : 标签_席位统计标题("标签_席位统计标题", &tabs, page, kPageHeadingPlace,
                        Gbk("交易席位及个股区间统计"), PageHeadingLook()),
      外形框_席位统计("外形框_席位统计", &tabs, page, kPageFramePlace) {}

std::vector<Component*> RankingPage::components() {
  return {&标签_席位统计标题, &外形框_席位统计};
}

}  // namespace ui
