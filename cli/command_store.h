// The store a command of quorvane-cli writes into.
#pragma once

#include "cli/cli_context.h"
#include "store/record_store.h"

namespace cli {

// Makes the store of the settings ready for writing: its folder made and the
// file created when there is none (the window does both at its first start,
// the command line at its first writing command). On a failure the reason
// goes to ctx.err and false comes back (exit kStoreFailed).
bool MakeStoreReady(store::Store& store, const CliContext& ctx);

}  // namespace cli
