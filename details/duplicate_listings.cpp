#include "details/duplicate_listings.h"

#include <string>

#include "listing/statistics_refresh.h"
#include "store/duplicate_removal.h"
#include "text/gbk.h"

namespace details {
namespace {

using text::Gbk;

struct Texts {
  std::string done = Gbk("系统已为你清除了当日重复上榜的龙虎榜数据");
  std::string download_running = Gbk("数据下载中……，请在下载完成后再删除重复数据！");
  std::string message_title = Gbk("Ferrow提示");
};

const Texts& T() {
  static const Texts texts;
  return texts;
}

}  // namespace

void RemoveDuplicateListings(listing::ProgramContext& ctx) {
  const Texts& t = T();
  // A download is running exactly while its start button is disabled; its
  // appends must not meet this purge.
  if (!ctx.window.超级按钮_开始下载.enabled()) {
    ctx.platform.ShowMessage(t.download_running, t.message_title, ui::MessageButtons::kOk,
                             ui::MessageIcon::kWarning);
    return;
  }
  const store::DuplicateRemovalResult result = store::RemoveDuplicates(ctx.store);
  if (result.error) {
    // The store is as it was: nothing to refresh, nothing to report as done.
    ctx.platform.ShowMessage(store::ErrorMessage(*result.error), t.message_title,
                             ui::MessageButtons::kOk, ui::MessageIcon::kError);
    return;
  }
  ctx.platform.ShowMessage(t.done, t.message_title, ui::MessageButtons::kOk,
                           ui::MessageIcon::kInformation);
  listing::RefreshStatistics(ctx);
}

}  // namespace details
