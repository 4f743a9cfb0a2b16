#include "cli/command_store.h"

#include "cli/messages.h"
#include "program/store_location.h"

namespace cli {

bool MakeStoreReady(store::Store& store, const CliContext& ctx) {
  const program::StoreLocation& location = ctx.settings.store;
  if (auto error = program::PrepareStoreFolder(location)) {
    Say(ctx.err, *error);
    return false;
  }
  if (auto error = store.EnsureStore()) {
    Say(ctx.err, StoreFailureLine(*error, location.file));
    return false;
  }
  return true;
}

}  // namespace cli
