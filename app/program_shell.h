// Startup, shutdown and the small handlers of the main window: the version
// captions, the store at first start, the exit confirmation, focus on hover,
// emptying the search box and the keep/replace checkbox pair.
#pragma once

#include "listing/program_context.h"
#include "ui/component.h"

namespace app {

// The window's created event: title and version caption, the store file
// when it is missing, and the first statistics refresh on a worker.
void OnMainWindowCreated(listing::ProgramContext& ctx);

// The window's close query: whether the window may close now. While a
// download runs it asks first; after OK the download is asked to stop and
// the window closes once the start button is enabled again (the download's
// last step), so the store is closed by the download itself.
bool OnMainWindowCloseQuery(listing::ProgramContext& ctx);
// Listener for the start button's enabled state: closes the window when an
// exit was confirmed during the download that has just ended.
void OnStartButtonEnabledChanged(listing::ProgramContext& ctx);

// Mouse moved over a grid or the reference text: it takes the input focus,
// so the wheel scrolls what is under the pointer.
void GiveFocusOnHover(listing::ProgramContext& ctx, ui::Component& component);
// Every left press in the search box empties it.
void EmptySearchBox(listing::ProgramContext& ctx);
// The two checkboxes exclude each other: a click on one unchecks the other.
void OnKeepDataClicked(listing::ProgramContext& ctx);
void OnReplaceDataClicked(listing::ProgramContext& ctx);

}  // namespace app
