// Startup, shutdown and the small handlers of the main window: the version
// captions, the store at first start, the exit confirmation, focus on hover,
// emptying the search box and the keep/replace checkbox pair.
#pragma once

#include "program/program_context.h"
#include "ui/component.h"

namespace app {

// The window's created event: title and version caption, the store file
// when it is missing, and the first statistics refresh on a worker.
void OnMainWindowCreated(program::ProgramContext& ctx);
// When the store's files changed since the statistics were last read (the
// command-line program or another window wrote it), refreshes them on a
// worker, and the page of our own on show. On the window's activation and
// after every job; user-interface thread.
void RefreshIfStoreChanged(program::ProgramContext& ctx);

// The window's close query: whether the window may close now. While a
// download runs it asks first; after OK the download is asked to stop and
// the window closes with the job's last report, so the store is closed by
// the download itself. A duplicate removal is asked to stop without a
// question and closes the window the same way.
bool OnMainWindowCloseQuery(program::ProgramContext& ctx);

// Mouse moved over a grid or the reference text: it takes the input focus,
// so the wheel scrolls what is under the pointer.
void GiveFocusOnHover(program::ProgramContext& ctx, ui::Component& component);
// Every left press in the search box empties it.
void EmptySearchBox(program::ProgramContext& ctx);
// The two checkboxes exclude each other: a click on one unchecks the other.
void OnKeepDataClicked(program::ProgramContext& ctx);
void OnReplaceDataClicked(program::ProgramContext& ctx);

}  // namespace app
