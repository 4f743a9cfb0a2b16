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
  Say(ctx.err, std::to_string(result.removed) + " of " + std::to_string(result.examined) +
                   " listings removed: every later listing of a stock on a date it was already "
                   "listed on");
  return kDone;
}

}  // namespace cli
