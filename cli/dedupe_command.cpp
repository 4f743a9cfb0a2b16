// quorvane-cli dedupe: the window's duplicate removal.
#include <string>

#include "cli/commands.h"
#include "cli/messages.h"
#include "store/duplicate_removal.h"
#include "text/gbk.h"

namespace cli {

int RunDedupeCommand(CliContext& ctx) {
  store::Store store(ctx.settings.store.file);
  const store::DuplicateRemovalResult result = store::RemoveDuplicates(store, ctx.stop);
  if (result.error) {
    Say(ctx.err, StoreFailureLine(*result.error, ctx.settings.store.file));
    return kStoreFailed;
  }
  if (result.stopped) {
    Say(ctx.err, "stopped before anything was removed");
    return kInterrupted;
  }
  Say(ctx.err, "系统已为你清除了当日重复上榜的龙虎榜数据 (" + std::to_string(result.removed) +
                   " of " + std::to_string(result.examined) + " listings removed)");
  return kDone;
}

}  // namespace cli
